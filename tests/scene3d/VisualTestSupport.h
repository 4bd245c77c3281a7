#pragma once

// What the tests of the visual objects share: a scene that counts repaint requests and
// records automatic drags, a physics engine that logs its calls, an event recorder, a fixture
// holding a scene with a recording canvas, and a frame drawn the way the scene draws it.

// NOTE: before RecordingCanvas.h, which uses the font without including it.
#include "scene3d/ThvFont.h"

#include "RecordingCanvas.h"

#include "scene3d/ThvCanvas.h"
#include "scene3d/ThvPhysics.h"
#include "scene3d/ThvScene.h"
#include "scene3d/ThvVisualObject.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace scene3dtest {

/// A scene that counts repaint requests, puts the control at (1000, 500) on the screen and
/// records the objects that start automatic drags.
class TTestScene : public ThvScene {
public:
    using ThvScene::ThvScene;

    int updateRequests = 0;
    std::vector<ThvVisualObject*> autoDrags;

    void AddUpdateRect(const TwzRect&) override { ++updateRequests; }
    [[nodiscard]] TwzPoint ClientToScreen(const TwzPoint& p) const override
    {
        return { p.X + 1000, p.Y + 500 };
    }
    void BeginAutoDrag(ThvVisualObject* object) override { autoDrags.push_back(object); }
};

/// A physics engine that logs every call it gets ("CreateBox 1 2 3", "DestroyBody 1",
/// "SetBodyMatrix 1 (x,y,z)", "TrackCollisions") and answers GetBodyMatrix with `bodyMatrix`.
class TFakePhysics : public ThvPhysics {
public:
    explicit TFakePhysics(ThvScene* scene)
        : ThvPhysics(scene)
    { }

    static inline std::vector<std::string> log;
    static inline ThvMatrix bodyMatrix = hvIdentityMatrix;
    static inline ThvPhysicsBody lastBody = 0;

    ThvPhysicsWorld CreateWorld() override { return nullptr; }
    void DestroyWorld(ThvPhysicsWorld) override { }
    void Update(ThvPhysicsWorld, double) override { }
    void TrackCollisions(ThvVisualObject*, std::vector<ThvVisualObject*>& list) override
    {
        log.push_back("TrackCollisions " + rtl::IntToStr(static_cast<int64_t>(list.size())));
    }
    void QueryCollisions(ThvVisualObject*, std::vector<ThvVisualObject*>&) override { }
    ThvVisualObject* GetBodyObject(ThvPhysicsBody) override { return nullptr; }
    ThvPhysicsBody CreateBox(ThvVisualObject*, const ThvVector& size) override
    {
        return Made("CreateBox", size);
    }
    ThvPhysicsBody CreateSphere(ThvVisualObject*, const ThvVector& size) override
    {
        return Made("CreateSphere", size);
    }
    ThvPhysicsBody CreateCone(ThvVisualObject*, const ThvVector& size) override
    {
        return Made("CreateCone", size);
    }
    ThvPhysicsBody CreateCylinder(ThvVisualObject*, const ThvVector& size) override
    {
        return Made("CreateCylinder", size);
    }
    void DestroyBody(ThvPhysicsBody& body) override
    {
        log.push_back("DestroyBody " + rtl::IntToStr(body));
        body = 0;
    }
    void SetBodyMatrix(ThvPhysicsBody body, const ThvMatrix& m) override
    {
        log.push_back(
            "SetBodyMatrix " + rtl::IntToStr(body) + " " + LogVector({ m[3][0], m[3][1], m[3][2], 1 }));
    }
    ThvMatrix GetBodyMatrix(ThvPhysicsBody) override { return bodyMatrix; }
    void AddImpulse(ThvVisualObject*, const ThvVector&) override { }
    void Explosion(ThvPhysicsWorld, const ThvVector&, float, float) override { }

private:
    ThvPhysicsBody Made(const char* what, const ThvVector& size)
    {
        log.push_back(
            std::string(what) + " " + LogNumber(size.X) + " " + LogNumber(size.Y) + " " + LogNumber(size.Z));
        return ++lastBody;
    }
};

/// Installs TFakePhysics as the physics class for the life of the guard.
class UseFakePhysics {
public:
    UseFakePhysics()
        : m_previous(hvDefaultPhysicsClass)
    {
        hvDefaultPhysicsClass = &kPhysicsClassOf<TFakePhysics>;
        TFakePhysics::log.clear();
        TFakePhysics::bodyMatrix = hvIdentityMatrix;
        TFakePhysics::lastBody = 0;
    }
    ~UseFakePhysics() { hvDefaultPhysicsClass = m_previous; }
    UseFakePhysics(const UseFakePhysics&) = delete;
    UseFakePhysics& operator=(const UseFakePhysics&) = delete;

private:
    const ThvPhysicsClass* m_previous;
};

/// Handlers for the events of visual objects; each appends one line to `lines`, and the
/// object named in `freeOnEvent` is freed by the next event that arrives.
class TEventRecorder : public rtl::TObject {
public:
    std::vector<std::string> lines;
    rtl::TComponent* freeOnEvent = nullptr;

    void Notify(rtl::TObject* sender) { Add("notify", sender); }
    void Tick(rtl::TObject* sender, double, double) { Add("tick", sender); }
    void Click(rtl::TObject* sender) { Add("click", sender); }
    void DblClick(rtl::TObject* sender) { Add("dblclick", sender); }
    void MouseDown(rtl::TObject* sender, TMouseButton button, TShiftState, float x, float y, const ThvVector&,
        const ThvVector&)
    {
        Add("down " + ButtonName(button) + " " + LogNumber(x) + " " + LogNumber(y), sender);
    }
    void MouseUp(rtl::TObject* sender, TMouseButton button, TShiftState, float x, float y, const ThvVector&,
        const ThvVector&)
    {
        Add("up " + ButtonName(button) + " " + LogNumber(x) + " " + LogNumber(y), sender);
    }
    void MouseMove(rtl::TObject* sender, TShiftState, float x, float y, const ThvVector&, const ThvVector&)
    {
        Add("move " + LogNumber(x) + " " + LogNumber(y), sender);
    }
    void Wheel(rtl::TObject* sender, TShiftState, int32_t delta, const ThvPoint& mousePos, bool& handled)
    {
        Add("wheel " + rtl::IntToStr(delta) + " " + LogVector({ mousePos.X, mousePos.Y, mousePos.Z, 1 }),
            sender);
        handled = true;
    }
    void Key(uint16_t& key, char16_t& keyChar, TShiftState)
    {
        Add("key " + rtl::IntToStr(key) + " " + rtl::IntToStr(keyChar), nullptr);
        key = 0;
        keyChar = u'x';
    }
    void Paint(rtl::TObject* sender, ThvCanvas* canvas)
    {
        Add(std::string("paint ") + (canvas ? "canvas" : "none"), sender);
    }
    void DragEnter(rtl::TObject* sender, const ThvDragObject& data, const ThvPoint& point)
    {
        Add("dragenter " + rtl::Utf16ToUtf8(data.Data) + " " + LogVector({ point.X, point.Y, point.Z, 1 }),
            sender);
    }
    void DragOver(rtl::TObject* sender, const ThvDragObject&, const ThvPoint&, bool& accept)
    {
        Add("dragover", sender);
        accept = acceptDrags;
    }
    void DragDrop(rtl::TObject* sender, const ThvDragObject& data, const ThvPoint&)
    {
        Add("dragdrop " + rtl::Utf16ToUtf8(data.Data), sender);
    }
    void Collision(rtl::TObject* sender, ThvVisualObject* other, const ThvVector& point, const ThvVector&)
    {
        Add("collision " + (other ? other->GetName() : std::string("nil")) + " " + LogVector(point), sender);
    }

    bool acceptDrags = false;

private:
    static std::string ButtonName(TMouseButton b)
    {
        return b == TMouseButton::Left ? "left" : b == TMouseButton::Right ? "right" : "middle";
    }
    void Add(const std::string& line, rtl::TObject* sender)
    {
        const auto* component = dynamic_cast<rtl::TComponent*>(sender);
        lines.push_back(
            component && !component->GetName().empty() ? line + " @" + component->GetName() : line);
        if (rtl::TComponent* victim = freeOnEvent) {
            freeOnEvent = nullptr;
            victim->Free();
        }
    }
};

/// Draws one frame of the scene's roots as the scene's paint cycle does: lights first, then
/// each visible visual root at its absolute matrix without presets of its own, then its
/// children through RenderChildren. The scene's own design objects are left out: at run time
/// they draw nothing, and their walk would only add presets to the log.
inline void DrawFrame(ThvScene& scene, RecordingCanvas& canvas)
{
    canvas.ResetScene();
    for (ThvObject* root : scene.Objects()) {
        auto* visual = dynamic_cast<ThvVisualObject*>(root);
        if (visual && visual->GetVisible() && visual->GetTag() != scene3d::kDesignObjectTag) {
            canvas.SetMatrix(visual->GetAbsoluteMatrix());
            visual->ApplyLights();
        }
    }
    canvas.ClearLog();
    for (ThvObject* root : scene.Objects()) {
        auto* visual = dynamic_cast<ThvVisualObject*>(root);
        if (!visual || !visual->GetVisible() || visual->GetTag() == scene3d::kDesignObjectTag)
            continue;
        canvas.SetMatrix(visual->GetAbsoluteMatrix());
        visual->BeforePaint();
        visual->Render();
        visual->RenderChildren();
    }
}

/// A form owning everything, a scene with a 200 x 100 recording canvas, and objects made in
/// it.
class VisualFixture : public ::testing::Test {
protected:
    void SetUp() override { scene->SetCanvas(canvas.get()); }
    void TearDown() override { scene->SetCanvas(nullptr); }

    /// A new object owned by the form: a root of the scene, or a child of `parent`.
    template <class T = ThvVisualObject> T* Make(const std::string& name = {}, ThvObject* parent = nullptr)
    {
        T* object = new T(form.get());
        if (!name.empty())
            object->SetName(name);
        if (parent)
            parent->AddObject(object);
        else
            scene->AddObject(object);
        return object;
    }

    rtl::TOwned<RecordingCanvas> canvas = MakeRecordingCanvas(200, 100);
    rtl::TOwned<rtl::TComponent> form { new rtl::TComponent(nullptr) };
    TTestScene* scene = new TTestScene(form.get());
};

inline ::testing::AssertionResult Near(
    const ThvVector& actual, const ThvVector& expected, float tolerance = 1e-4f)
{
    if (std::fabs(actual.X - expected.X) <= tolerance && std::fabs(actual.Y - expected.Y) <= tolerance
        && std::fabs(actual.Z - expected.Z) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << LogVector(actual) << " is not " << LogVector(expected);
}

inline ::testing::AssertionResult Near(
    const ThvPoint& actual, const ThvPoint& expected, float tolerance = 1e-4f)
{
    return Near(ThvVector { actual.X, actual.Y, actual.Z, 1 },
        ThvVector { expected.X, expected.Y, expected.Z, 1 }, tolerance);
}

inline ThvVector MatrixRow(const ThvMatrix& m, int row)
{
    return { m[row][0], m[row][1], m[row][2], m[row][3] };
}

} // namespace scene3dtest
