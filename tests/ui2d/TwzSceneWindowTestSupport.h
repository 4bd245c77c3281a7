#pragma once

// A 2D box for the tests of the 2D scene control: it fills its rectangle with one colour,
// counts its paints and logs what input and drags reach it.

#include "graphics/TwzBrush.h"
#include "graphics/TwzCanvas.h"
#include "platform/rtl/Numbers.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzVisualObject.h"

#include <cmath>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace scenewindowtest {

using Lines = std::vector<std::string>;

// What the 2D boxes heard, in order ("down left 20 10 @A").
inline Lines& Events()
{
    static Lines lines;
    return lines;
}

inline Lines TakeEvents()
{
    Lines lines;
    lines.swap(Events());
    return lines;
}

inline std::string Num(float v)
{
    return rtl::IntToStr(static_cast<int64_t>(std::lround(v)));
}

// A box filled with one colour that logs what reaches it.
class TBox : public TwzVisualObject {
public:
    explicit TBox(rtl::TComponent* owner)
        : TwzVisualObject(owner)
    { }

    uint32_t color = 0; // 0 paints nothing
    int paints = 0;
    bool acceptsDrags = false;
    bool handlesWheel = false;
    /// Takes the Esc key when it is offered as a dialog key.
    bool takesEscape = false;
    /// Runs at the start of each paint of the box.
    std::function<void(TBox&)> duringPaint;
    /// Runs inside each press of the box, after it is logged.
    std::function<void()> duringPress;

    void Paint() override
    {
        ++paints;
        if (duringPaint)
            duringPaint(*this);
        TwzCanvas* canvas = GetCanvas();
        if (!canvas || color == 0)
            return;
        canvas->GetFill().SetStyle(wzBrushSolid);
        canvas->GetFill().SetSolidColor(color);
        canvas->FillRect(GetLocalRect(), 0, 0, TwzCorners {}, 1);
    }
    void MouseDown(TMouseButton button, TShiftState shift, float x, float y) override
    {
        Add(std::string("down ") + (button == TMouseButton::Left ? "left " : "other ") + Num(x) + " "
            + Num(y));
        if (duringPress)
            duringPress();
        TwzVisualObject::MouseDown(button, shift, x, y);
    }
    void MouseMove(TShiftState shift, float x, float y, float dx, float dy) override
    {
        Add("move " + Num(x) + " " + Num(y));
        TwzVisualObject::MouseMove(shift, x, y, dx, dy);
    }
    void MouseUp(TMouseButton button, TShiftState shift, float x, float y) override
    {
        Add("up " + Num(x) + " " + Num(y));
        TwzVisualObject::MouseUp(button, shift, x, y);
    }
    void MouseEnter() override
    {
        Add("enter");
        TwzVisualObject::MouseEnter();
    }
    void MouseLeave() override
    {
        Add("leave");
        TwzVisualObject::MouseLeave();
    }
    void MouseWheel(TShiftState shift, int32_t delta, bool& handled) override
    {
        Add("wheel " + rtl::IntToStr(delta));
        TwzVisualObject::MouseWheel(shift, delta, handled);
        handled = handled || handlesWheel;
    }
    void KeyDown(uint16_t& key, char16_t& keyChar, TShiftState shift) override
    {
        Add("keydown " + rtl::IntToStr(key) + " " + CharName(keyChar)
            + (shift.Has(platform::ui::ShiftFlag::Ctrl) ? " ctrl" : ""));
        TwzVisualObject::KeyDown(key, keyChar, shift);
    }
    void KeyUp(uint16_t& key, char16_t& keyChar, TShiftState shift) override
    {
        Add("keyup " + rtl::IntToStr(key) + " " + CharName(keyChar)
            + (shift.Has(platform::ui::ShiftFlag::Ctrl) ? " ctrl" : ""));
        TwzVisualObject::KeyUp(key, keyChar, shift);
    }
    void DialogKey(uint16_t& key, TShiftState shift) override
    {
        if (takesEscape && key == 27) {
            Add("dialogkey 27");
            key = 0;
            return;
        }
        TwzVisualObject::DialogKey(key, shift);
    }
    void EnterFocus() override
    {
        Add("enterfocus");
        TwzVisualObject::EnterFocus();
    }
    void KillFocus() override
    {
        Add("killfocus");
        TwzVisualObject::KillFocus();
    }
    void DragEnter(const TwzDragObject& data, const TwzPoint& point) override
    {
        Add("dragenter " + DragText(data) + " " + Num(point.X) + " " + Num(point.Y));
        TwzVisualObject::DragEnter(data, point);
    }
    void DragOver(const TwzDragObject& data, const TwzPoint& point, bool& accept) override
    {
        TwzVisualObject::DragOver(data, point, accept);
        accept = acceptsDrags;
    }
    void DragDrop(const TwzDragObject& data, const TwzPoint& point) override
    {
        Add("dragdrop " + DragText(data) + " " + Num(point.X) + " " + Num(point.Y));
        lastFiles = data.Files;
        TwzVisualObject::DragDrop(data, point);
    }
    void DragLeave() override
    {
        Add("dragleave");
        TwzVisualObject::DragLeave();
    }

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
    static std::string DragText(const TwzDragObject& data)
    {
        std::string text = "[" + ui2d::VariantToText(data.Data) + "]";
        text += " files " + rtl::IntToStr(static_cast<int64_t>(data.Files.size()));
        return text;
    }
    void Add(const std::string& line) { Events().push_back(line + " @" + GetName()); }
};

inline Lines Only(const Lines& lines, std::initializer_list<const char*> prefixes)
{
    Lines kept;
    for (const std::string& line : lines)
        for (const char* prefix : prefixes)
            if (line.rfind(prefix, 0) == 0) {
                kept.push_back(line);
                break;
            }
    return kept;
}

} // namespace scenewindowtest
