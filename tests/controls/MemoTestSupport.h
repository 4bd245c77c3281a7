#pragma once

// A memo in the controls' test host: the real canvas measures its text, and a style sheet
// gives it a "content" part inset by (4, 3, 4, 3), scroll bars 10 wide at the right and the
// bottom, a black text colour and an opaque blue selection, so pixels and places can be
// checked.

#include "ControlsTest.h"

#include "controls/TwzMemo.h"
#include "graphics/TwzFont.h"
#include "platform/rtl/Text.h"
#include "platform/ui/Types.h"
#include "ui2d/TwzResources.h"

#include <string>

namespace memotest {

/// Counts a memo's notifications.
class TMemoLog : public rtl::TComponent {
    RTL_CLASS(TMemoLog, rtl::TComponent)
public:
    using rtl::TComponent::TComponent;
    void Change(rtl::TObject*) { ++changes; }
    void Tracking(rtl::TObject*) { ++trackings; }
    int changes = 0;
    int trackings = 0;

protected:
    ~TMemoLog() override = default;
};

inline constexpr uint32_t kSelectionColor = 0xFF0000FF;

class MemoTest : public controlstest::ControlsTest {
protected:
    void SetUp() override
    {
        ControlsTest::SetUp();
        auto* sheet = new TwzResources(form.get());
        sheet->GetResource()->SetTextStr(rtl::Utf8ToUtf16(StyleText()));
        scene->SetStyle(sheet);
        log = new TMemoLog(form.get());
    }

    [[nodiscard]] virtual std::string StyleText() const
    {
        return "object TwzBackground\n"
               "  object TwzVisualObject\n"
               "    ResourceName = 'memostyle'\n"
               "    HitTest = False\n"
               "    object TwzBrushObject\n"
               "      ResourceName = 'foreground'\n"
               "      Brush.Color = '#FF000000'\n"
               "    end\n"
               "    object TwzBrushObject\n"
               "      ResourceName = 'selection'\n"
               "      Brush.Color = '#FF0000FF'\n"
               "    end\n"
               "    object TwzVisualObject\n"
               "      ResourceName = 'content'\n"
               "      Align = vaClient\n"
               "      Padding.Rect = '(4,3,4,3)'\n"
               "      Locked = True\n"
               "      HitTest = False\n"
               "    end\n"
               "    object TwzScrollBar\n"
               "      ResourceName = 'vscrollbar'\n"
               "      Align = vaRight\n"
               "      Width = 10\n"
               "      Locked = True\n"
               "      Orientation = wzVertical\n"
               "    end\n"
               "    object TwzScrollBar\n"
               "      ResourceName = 'hscrollbar'\n"
               "      Align = vaBottom\n"
               "      Height = 10\n"
               "      Locked = True\n"
               "    end\n"
               "  end\n"
               "end\n";
    }

    /// A memo at (10, 10), `width` x `height`, holding `text`, its changes counted.
    TwzMemo* Memo(const std::u16string& text = {}, float width = 180, float height = 80)
    {
        auto* memo = Add<TwzMemo>("Memo1", { 10, 10, width, height });
        memo->SetText(text);
        memo->OnChange.Bind<&TMemoLog::Change>(log);
        memo->OnChangeTracking.Bind<&TMemoLog::Tracking>(log);
        return memo;
    }
    /// Gives the memo the focus without selecting everything, the caret at `caret`.
    void Focus(TwzMemo& memo, TwzCaretPosition caret = {})
    {
        const bool autoSelect = memo.GetAutoSelect();
        memo.SetAutoSelect(false);
        memo.FocusObject();
        memo.SetAutoSelect(autoSelect);
        memo.SetCaretPosition(caret);
    }
    void Type(std::u16string_view text) { scene->InjectText(text); }
    uint16_t Key(uint16_t key, TShiftState shift = {}) { return scene->InjectKey(key, shift); }
    static TShiftState Shift() { return { platform::ui::ShiftFlag::Shift }; }
    static TShiftState Ctrl() { return { platform::ui::ShiftFlag::Ctrl }; }
    /// Scene coordinates of a place in a memo at (10, 10).
    [[nodiscard]] static TwzPoint ScenePoint(TwzMemo& memo, TwzCaretPosition p)
    {
        const TwzPoint local = memo.PositionToPoint(p);
        return { local.X + 10, local.Y + 10 + static_cast<float>(memo.LineHeight()) / 2 };
    }

    TMemoLog* log = nullptr;
};

} // namespace memotest
