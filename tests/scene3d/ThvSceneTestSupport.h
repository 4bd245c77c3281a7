#pragma once

// What the headless tests of the scene control share: a window canvas that logs the frame
// protocol and presents a frame of its clear colour the way a back end does, a visual object
// that logs every input hook the scene calls and is hit on its own box, and a fixture with a
// scene in a form of the headless window system.

#include "scene3d/Math3D.h"
#include "scene3d/ThvCamera.h"
#include "scene3d/ThvCanvas.h"
#include "scene3d/ThvFont.h"
#include "scene3d/ThvLight.h"
#include "scene3d/ThvScene.h"
#include "scene3d/ThvVisualObject.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Text.h"
#include "platform/ui/FakeApplication.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace scenetest {

inline std::string Num(float v)
{
    return hvFloatToStr(v);
}

/// The log every probe object and canvas of a test writes to.
inline std::vector<std::string>& Log()
{
    static std::vector<std::string> log;
    return log;
}

/// The lines of the log since the last call, and an empty log.
inline std::vector<std::string> TakeLog()
{
    std::vector<std::string> lines;
    lines.swap(Log());
    return lines;
}

/// The lines that start with one of `prefixes`.
inline std::vector<std::string> Only(
    const std::vector<std::string>& lines, const std::vector<std::string>& prefixes)
{
    std::vector<std::string> kept;
    for (const std::string& line : lines) {
        for (const std::string& prefix : prefixes) {
            if (line.rfind(prefix, 0) == 0) {
                kept.push_back(line);
                break;
            }
        }
    }
    return kept;
}

/// A window canvas without a device: it writes the frame protocol into the log ("BeginScene",
/// "Clear #FF303030", "SetCamera DesignCamera", "AddLight", "EndScene"...), fills its frame
/// with the clear colour, and hands the frame to its owner at EndScene, as the Direct3D
/// canvas does after presenting it.
class TFrameCanvas final : public ThvCanvas {
    RTL_CLASS(TFrameCanvas, ThvCanvas)
public:
    TFrameCanvas(
        scene3d::WindowHandle handle, int32_t width, int32_t height, bool buffered, ThvQuality quality)
        : ThvCanvas(handle, width, height, buffered, quality)
    {
        ++made;
        ResizeFrame();
        Log().push_back(
            "Canvas " + rtl::IntToStr(width) + "x" + rtl::IntToStr(height) + (buffered ? " buffered" : ""));
    }
    explicit TFrameCanvas(ThvBitmap* bitmap)
        : ThvCanvas(bitmap)
    {
        ResizeFrame();
    }

    static inline int made = 0;
    static inline bool beginSceneResult = true;
    std::vector<uint32_t> frame;
    /// Clears to this colour instead of the one asked for, when set.
    std::optional<uint32_t> clearWith;

    void RecordState(ThvRenderState) override { }
    void ApplyState(ThvRenderState state) override
    {
        Log().push_back("State " + std::string(rtl::EnumName(state)));
    }
    void DestroyBitmapHandle(ThvBitmap*) override { }
    bool BeginScene() override
    {
        Log().push_back("BeginScene");
        return beginSceneResult;
    }
    void EndScene() override
    {
        Log().push_back("EndScene");
        if (GetBuffered() && HasBackBuffer())
            std::copy(frame.begin(), frame.end(), GetBackBufferBits());
        if (GetHandle())
            DeliverFrame(GetWidth(), GetHeight(), frame.data());
    }
    void ResizeBuffer(int32_t width, int32_t height) override
    {
        ThvCanvas::ResizeBuffer(width, height);
        ResizeFrame();
        Log().push_back("ResizeBuffer " + rtl::IntToStr(GetWidth()) + "x" + rtl::IntToStr(GetHeight())
            + (GetBuffered() ? " buffered" : ""));
    }
    void Clear(uint32_t color) override
    {
        Log().push_back("Clear " + hvColorToStr(color));
        std::fill(frame.begin(), frame.end(), clearWith.value_or(color));
    }
    void ClearFromBits(const uint32_t*) override { }
    void CopyBits(uint32_t* bits) override { std::copy(frame.begin(), frame.end(), bits); }
    void SetMatrix(const ThvMatrix& matrix) override { ThvCanvas::SetMatrix(matrix); }
    void SetCamera(ThvCamera* camera) override
    {
        ThvCanvas::SetCamera(camera);
        Log().push_back("SetCamera " + (camera ? camera->GetName() : std::string("nil")));
    }
    void AddLight(ThvLight* light) override
    {
        ThvCanvas::AddLight(light);
        Log().push_back("AddLight " + light->GetName());
    }
    void DrawLine(const ThvVector&, const ThvVector&, float) override { }
    void DrawNothing(const ThvVector&, const ThvVector&, float) override { }
    void DrawCube(const ThvVector&, const ThvVector&, float) override { }
    void FillCube(const ThvVector&, const ThvVector&, float) override { }
    void FillMesh(const ThvVector&, const ThvVector&, const ThvMeshData&, float) override { }
    void FillTriangles(std::span<const ThvColorVertex>, std::span<const uint16_t>, float) override { }
    void FillPolygon(const ThvVector&, const ThvVector&, const TwzRect&, const TwzPolygon&, float, bool, bool,
        bool) override
    { }
    void FillText(const std::u16string&, float, float, float) override { }
    void MeasureText(const std::u16string&, ThvPoint& size) override { size = {}; }

private:
    void ResizeFrame()
    {
        frame.assign(
            static_cast<size_t>(std::max(GetWidth(), 1)) * static_cast<size_t>(std::max(GetHeight(), 1)), 0);
    }
};

inline RTL_IMPLEMENT_CLASS(TFrameCanvas)

    /// Installs TFrameCanvas as the default canvas class for the life of the guard.
    class UseFrameCanvas {
public:
    UseFrameCanvas()
        : m_previous(hvDefaultCanvasClass)
    {
        hvDefaultCanvasClass = &kCanvasClassOf<TFrameCanvas>;
        TFrameCanvas::made = 0;
        TFrameCanvas::beginSceneResult = true;
    }
    ~UseFrameCanvas() { hvDefaultCanvasClass = m_previous; }
    UseFrameCanvas(const UseFrameCanvas&) = delete;
    UseFrameCanvas& operator=(const UseFrameCanvas&) = delete;

private:
    const ThvCanvasClass* m_previous;
};

inline std::string ButtonName(platform::ui::MouseButton b)
{
    using platform::ui::MouseButton;
    return b == MouseButton::Left ? "left" : b == MouseButton::Right ? "right" : "middle";
}

/// A visual object that logs the hooks the scene calls ("down left 10 5 @A") and then does
/// what every visual object does. With `box` set it is hit only inside its own Width x Height
/// rectangle of its local X-Y plane, else by every ray, as the base is.
class TProbe : public ThvVisualObject {
    RTL_CLASS(TProbe, ThvVisualObject)
public:
    explicit TProbe(rtl::TComponent* owner)
        : ThvVisualObject(owner)
    { }

    bool box = true;
    bool handlesWheel = false;
    bool acceptsDrags = false;
    bool showsOwnHint = false;
    /// Freed by the next hook that runs (after logging).
    rtl::TComponent* freeOnHook = nullptr;

    bool RayCastIntersect(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit) override
    {
        if (!box)
            return ThvVisualObject::RayCastIntersect(rayPos, rayDir, hit);
        if (std::fabs(rayDir.Z) < 1e-6f)
            return false;
        const float t = -rayPos.Z / rayDir.Z;
        const float x = rayPos.X + t * rayDir.X;
        const float y = rayPos.Y + t * rayDir.Y;
        if (std::fabs(x) > GetWidth() / 2 || std::fabs(y) > GetHeight() / 2)
            return false;
        const ThvPoint world = LocalToAbsolute({ x, y, 0 });
        hit = { world.X, world.Y, world.Z, 1 };
        return true;
    }

    void MouseDown(platform::ui::MouseButton button, platform::ui::ShiftState shift, float x, float y,
        const ThvVector& rayPos, const ThvVector& rayDir) override
    {
        Add("down " + ButtonName(button) + " " + Num(x) + " " + Num(y)
            + (shift.Has(platform::ui::ShiftFlag::Double) ? " double" : ""));
        if (Survives())
            ThvVisualObject::MouseDown(button, shift, x, y, rayPos, rayDir);
    }
    void MouseMove(platform::ui::ShiftState shift, float x, float y, float dx, float dy,
        const ThvVector& rayPos, const ThvVector& rayDir) override
    {
        Add("move " + Num(x) + " " + Num(y));
        if (Survives())
            ThvVisualObject::MouseMove(shift, x, y, dx, dy, rayPos, rayDir);
    }
    void MouseUp(platform::ui::MouseButton button, platform::ui::ShiftState shift, float x, float y,
        const ThvVector& rayPos, const ThvVector& rayDir) override
    {
        Add("up " + ButtonName(button) + " " + Num(x) + " " + Num(y));
        if (Survives())
            ThvVisualObject::MouseUp(button, shift, x, y, rayPos, rayDir);
    }
    void MouseWheel(platform::ui::ShiftState shift, int32_t delta, bool& handled) override
    {
        Add("wheel " + rtl::IntToStr(delta));
        if (!Survives())
            return;
        ThvVisualObject::MouseWheel(shift, delta, handled);
        handled = handled || handlesWheel;
    }
    void KeyDown(uint16_t& key, char16_t& keyChar, platform::ui::ShiftState shift) override
    {
        Add("keydown " + rtl::IntToStr(key) + " " + CharName(keyChar) + ShiftName(shift));
        if (Survives())
            ThvVisualObject::KeyDown(key, keyChar, shift);
    }
    void KeyUp(uint16_t& key, char16_t& keyChar, platform::ui::ShiftState shift) override
    {
        Add("keyup " + rtl::IntToStr(key) + " " + CharName(keyChar) + ShiftName(shift));
        if (Survives())
            ThvVisualObject::KeyUp(key, keyChar, shift);
    }
    void MouseEnter() override
    {
        Add("enter");
        if (Survives())
            ThvVisualObject::MouseEnter();
    }
    void MouseLeave() override
    {
        Add("leave");
        if (Survives())
            ThvVisualObject::MouseLeave();
    }
    void EnterFocus() override
    {
        Add("enterfocus");
        if (Survives())
            ThvVisualObject::EnterFocus();
    }
    void KillFocus() override
    {
        Add("killfocus");
        if (Survives())
            ThvVisualObject::KillFocus();
    }
    void Click() override
    {
        Add("click");
        if (Survives())
            ThvVisualObject::Click();
    }
    void DblClick() override
    {
        Add("dblclick");
        if (Survives())
            ThvVisualObject::DblClick();
    }
    void DragEnter(const ThvDragObject& data, const ThvPoint& point) override
    {
        Add("dragenter " + DragText(data) + " " + Num(point.X) + " " + Num(point.Y));
        if (Survives())
            ThvVisualObject::DragEnter(data, point);
    }
    void DragOver(const ThvDragObject& data, const ThvPoint& point, bool& accept) override
    {
        // Asked by the picking of drop targets too; only the scene's own calls are logged.
        ThvVisualObject::DragOver(data, point, accept);
        accept = acceptsDrags;
        dragOvers++;
    }
    void DragDrop(const ThvDragObject& data, const ThvPoint& point) override
    {
        Add("dragdrop " + DragText(data) + " " + Num(point.X) + " " + Num(point.Y));
        if (Survives())
            ThvVisualObject::DragDrop(data, point);
    }
    void DragLeave() override
    {
        Add("dragleave");
        if (Survives())
            ThvVisualObject::DragLeave();
    }
    bool HintShow(ThvHintInfo& info) override
    {
        if (!showsOwnHint)
            return false;
        info.HintStr = u"Own " + info.HintStr;
        info.CursorRect = { info.CursorPos.x, info.CursorPos.y, info.CursorPos.x + 1, info.CursorPos.y + 2 };
        return true;
    }
    void Realign() override
    {
        Log().push_back("realign @" + GetName());
        ThvVisualObject::Realign();
    }
    void Render() override { Log().push_back("render @" + GetName()); }

    int dragOvers = 0;
    std::vector<std::u16string> lastFiles;

private:
    static std::string CharName(char16_t c)
    {
        if (c == 0)
            return "0";
        if (c >= 0x20 && c < 0x7F)
            return std::string(1, static_cast<char>(c));
        return "#" + rtl::IntToStr(c);
    }
    static std::string ShiftName(platform::ui::ShiftState s)
    {
        std::string text;
        if (s.Has(platform::ui::ShiftFlag::Shift))
            text += " shift";
        if (s.Has(platform::ui::ShiftFlag::Ctrl))
            text += " ctrl";
        if (s.Has(platform::ui::ShiftFlag::Meta))
            text += " meta";
        return text;
    }
    std::string DragText(const ThvDragObject& data)
    {
        lastFiles = data.Files;
        std::string text = "[" + rtl::Utf16ToUtf8(data.Data) + "]";
        text += " files " + rtl::IntToStr(static_cast<int64_t>(data.Files.size()));
        if (const auto* source = dynamic_cast<rtl::TComponent*>(data.Source))
            text += " from " + source->GetName();
        return text;
    }
    void Add(const std::string& line) { Log().push_back(line + " @" + GetName()); }
    /// Frees `freeOnHook` when set; false when that freed this object too.
    bool Survives()
    {
        rtl::TComponent* victim = freeOnHook;
        if (!victim)
            return true;
        freeOnHook = nullptr;
        rtl::Watch<TProbe> self(this);
        victim->Free();
        return static_cast<bool>(self);
    }
};

inline RTL_IMPLEMENT_CLASS(TProbe)

    /// A 200 x 100 scene in a form at (100, 50) of the headless window system, with the frame
    /// canvas as its window canvas and a root object "Root" at the origin (not hit-testable unless
    /// a test says so) that the probes go under. Viewed through its design camera.
    class SceneFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        TakeLog();
        platform::ui::FormOptions options;
        options.clientWidth = 200;
        options.clientHeight = 100;
        options.position = platform::ui::Point { 100, 50 };
        options.layered = layeredForm;
        form = app.CreateForm(options);
        scene = new ThvScene(owner.get());
        scene->SetBounds(0, 0, 200, 100);
        root = new TProbe(owner.get());
        root->SetName("Root");
        root->box = false;
        root->SetHitTest(false);
        scene->AddObject(root);
    }
    void TearDown() override
    {
        rtl::FreeAndNil(scene);
        TakeLog();
    }

    /// Puts the scene into the form and shows it; returns once the first paint is done.
    void ShowScene()
    {
        scene->SetParentForm(form.get());
        form->Show();
        app.ProcessMessages();
        TakeLog();
    }

    /// A probe under `parent` (the root object when null): a screen-projected box of w x h
    /// pixels centred at (x, y).
    TProbe* Box(
        const std::string& name, float x, float y, float w, float h, ThvVisualObject* parent = nullptr)
    {
        auto* probe = new TProbe(owner.get());
        probe->SetName(name);
        (parent ? parent : root)->AddObject(probe);
        probe->SetProjection(hvProjectionScreen);
        probe->GetPosition()->SetPoint({ x, y, 0 });
        probe->SetWidth(w);
        probe->SetHeight(h);
        return probe;
    }

    platform::ui::FakeSceneHost& Host()
    {
        return static_cast<platform::ui::FakeSceneHost&>(*scene->GetHost());
    }
    platform::ui::FakeForm& Form() { return static_cast<platform::ui::FakeForm&>(*form); }
    TFrameCanvas* Canvas() { return dynamic_cast<TFrameCanvas*>(scene->GetCanvas()); }

    bool layeredForm = false;
    platform::ui::FakeApplication app;
    UseFrameCanvas canvasClass;
    std::unique_ptr<platform::ui::Form> form;
    rtl::TOwned<rtl::TComponent> owner { new rtl::TComponent(nullptr) };
    ThvScene* scene = nullptr;
    TProbe* root = nullptr;
};

} // namespace scenetest
