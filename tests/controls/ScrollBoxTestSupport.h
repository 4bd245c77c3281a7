#pragma once

// Styles and helpers shared by the scroll box and list box tests: a scroll box style whose
// viewport ("content") fills the box left of a 10-wide vertical bar and above a 10-high
// horizontal bar, with thin bars of 4 beside them.

#include "ValueControlsTest.h"

#include "controls/TwzScrollBars.h"
#include "controls/TwzScrollBox.h"
#include "graphics/TwzPosition.h"

namespace scrollboxtest {

inline const char* const kScrollBoxStyle = R"(  object TwzLayout
    ResourceName = 'scrollboxstyle'
    ClipChildren = True
    object TwzLayout
      ResourceName = 'background'
      Align = vaContents
      object TwzLayout
        ResourceName = 'content'
        Align = vaClient
      end
      object TwzScrollBar
        ResourceName = 'vscrollbar'
        Align = vaRight
        Width = 10
        Orientation = wzVertical
      end
      object TwzScrollBar
        ResourceName = 'hscrollbar'
        Align = vaBottom
        Height = 10
      end
      object TwzSmallScrollBar
        ResourceName = 'vsmallscrollbar'
        Align = vaRight
        Width = 4
        Visible = False
        Orientation = wzVertical
      end
      object TwzSmallScrollBar
        ResourceName = 'hsmallscrollbar'
        Align = vaBottom
        Height = 4
        Visible = False
      end
      object TwzLayout
        ResourceName = 'sizegrip'
        Align = vaBottomRight
        Width = 10
        Height = 10
      end
    end
  end
)";

class ScrollBoxTestBase : public valuetest::ValueControlsTest {
protected:
    void SetUp() override
    {
        ValueControlsTest::SetUp();
        SetSheet(kScrollBoxStyle);
    }

    /// A child of `box` (into its content) at the box's local coordinates while unscrolled.
    TwzVisualObject* AddChild(TwzScrollBox& box, const TwzRect& r)
    {
        auto* child = new TwzVisualObject(form.get());
        child->SetHitTest(false);
        child->SetBounds(r.Left, r.Top, RectWidth(r), RectHeight(r));
        child->SetParent(&box);
        return child;
    }

    static TwzVisualObject* Part(TwzControl& control, const std::string& name)
    {
        TwzObject* found = control.FindResource(name);
        return found ? found->AsVisual() : nullptr;
    }
};

} // namespace scrollboxtest
