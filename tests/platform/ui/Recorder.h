#pragma once

#include "platform/rtl/Text.h"
#include "platform/ui/DragSession.h"
#include "platform/ui/Window.h"

#include <functional>
#include <string>
#include <vector>

// A scene stand-in for the window-layer tests: logs every host event as a line of text and
// lets a test hook in where the scene would act (present a frame, consume a key, free itself).
namespace uitest {
using namespace platform::ui;

inline std::string ShiftText(ShiftState s)
{
    std::string t;
    const std::pair<ShiftFlag, char> flags[] = { { ShiftFlag::Shift, 'S' }, { ShiftFlag::Alt, 'A' },
        { ShiftFlag::Ctrl, 'C' }, { ShiftFlag::Left, 'L' }, { ShiftFlag::Right, 'R' },
        { ShiftFlag::Middle, 'M' }, { ShiftFlag::Double, 'D' }, { ShiftFlag::Meta, 'W' } };
    for (const auto& [flag, letter] : flags)
        if (s.Has(flag))
            t += letter;
    return "[" + t + "]";
}

inline const char* ButtonText(MouseButton b)
{
    return b == MouseButton::Left ? "left" : b == MouseButton::Right ? "right" : "middle";
}

inline std::string PointText(Point p)
{
    return std::to_string(p.x) + "," + std::to_string(p.y);
}

class Recorder : public SceneHostEvents {
public:
    std::vector<std::string> log;
    bool logMoves = true;
    bool logFocus = true;
    int paints = 0;
    std::vector<Rect> lastPaintRects;
    std::function<void(PaintContext&)> onPaint;
    std::function<void(uint16_t& key)> onKeyDown;
    std::function<void()> onMouseDown;
    std::function<void(int32_t, int32_t)> onResized;
    bool acceptDrags = true;
    DropEffect dragEffect = DropEffect::Link;
    bool takeDrops = true;
    std::vector<DropData> drops;
    bool acceptSession = true;
    std::optional<HintInfo> hint;

    void HostCreated() override { log.push_back("created"); }
    void HostDestroying() override { log.push_back("destroying"); }
    void HostResized(int32_t w, int32_t h) override
    {
        log.push_back("resized " + std::to_string(w) + "x" + std::to_string(h));
        if (onResized)
            onResized(w, h);
    }
    void HostPaint(PaintContext& context) override
    {
        ++paints;
        lastPaintRects = context.UpdateRects();
        if (onPaint)
            onPaint(context);
    }
    void HostMouseDown(MouseButton b, ShiftState s, int32_t x, int32_t y) override
    {
        log.push_back(std::string("down ") + ButtonText(b) + " " + ShiftText(s) + " " + PointText({ x, y }));
        if (onMouseDown)
            onMouseDown();
    }
    void HostMouseMove(ShiftState s, int32_t x, int32_t y) override
    {
        if (logMoves)
            log.push_back("move " + ShiftText(s) + " " + PointText({ x, y }));
    }
    void HostMouseUp(MouseButton b, ShiftState s, int32_t x, int32_t y) override
    {
        log.push_back(std::string("up ") + ButtonText(b) + " " + ShiftText(s) + " " + PointText({ x, y }));
    }
    bool HostMouseWheel(ShiftState s, int32_t delta, int32_t, int32_t) override
    {
        log.push_back("wheel " + std::to_string(delta) + " " + ShiftText(s));
        return true;
    }
    void HostMouseLeave() override { log.push_back("leave"); }
    void HostKeyDown(uint16_t& key, ShiftState s) override
    {
        log.push_back("keydown " + std::to_string(key) + " " + ShiftText(s));
        if (onKeyDown)
            onKeyDown(key);
    }
    void HostKeyUp(uint16_t& key, ShiftState s) override
    {
        log.push_back("keyup " + std::to_string(key) + " " + ShiftText(s));
    }
    void HostChar(char16_t unit) override { log.push_back("char " + std::to_string(unit)); }
    void HostFocusIn() override
    {
        if (logFocus)
            log.push_back("focus in");
    }
    void HostFocusOut() override
    {
        if (logFocus)
            log.push_back("focus out");
    }
    void HostCaptureLost() override { log.push_back("capture lost"); }
    std::optional<HintInfo> HostHint(Point) override { return hint; }
    bool HostDragEnter(const DropData& data) override
    {
        log.push_back("drag enter " + std::to_string(data.files.size()));
        return acceptDrags;
    }
    DropEffect HostDragOver(const DropData&, Point p) override
    {
        log.push_back("drag over " + PointText(p));
        return dragEffect;
    }
    void HostDragLeave() override { log.push_back("drag leave"); }
    bool HostDrop(const DropData& data, Point p) override
    {
        log.push_back("drop " + PointText(p));
        drops.push_back(data);
        return takeDrops;
    }
    bool HostSessionDragOver(DragSession&, Point p) override
    {
        log.push_back("session over " + PointText(p));
        return acceptSession;
    }
    void HostSessionDragLeave(DragSession&) override { log.push_back("session leave"); }
    void HostSessionDrop(DragSession&, Point p) override { log.push_back("session drop " + PointText(p)); }

    std::vector<std::string> Take() { return std::exchange(log, {}); }
};

/// A top-down ARGB32 frame of one colour, with helpers to paint parts of it.
struct Frame {
    Frame(int32_t w, int32_t h, uint32_t argb)
        : width(w)
        , height(h)
        , pixels(static_cast<size_t>(w) * h, argb)
    { }
    void Fill(const Rect& r, uint32_t argb)
    {
        for (int32_t y = r.top; y < r.bottom; ++y)
            for (int32_t x = r.left; x < r.right; ++x)
                pixels[static_cast<size_t>(y) * width + x] = argb;
    }
    FrameView View() const
    {
        return FrameView { reinterpret_cast<const uint8_t*>(pixels.data()), width, height, width * 4 };
    }
    int32_t width;
    int32_t height;
    std::vector<uint32_t> pixels;
};

} // namespace uitest
