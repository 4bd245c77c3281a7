#pragma once

#include "platform/rtl/Component.h"
#include "platform/ui/Forward.h"

#include <memory>

class TwzVisualObject;
class TwzScene;
class TwzHudWindow;
class TwzListBox;
class TwzButton;

namespace design {

// The tab order editor of the design menu: a borderless 400 by 300 window centred on the
// screen, a transparent scene filling it with a HUD window ("TabOrder Editor") that lists
// the tab order of the selection's parent, one item per object (its Name, or its class name
// when it has none, the object in the item's TagObject), and the buttons "Up" and "Down",
// which move the chosen object one place and list the order again.
class TabOrderEditor final : public rtl::TComponent {
    RTL_CLASS(TabOrderEditor, rtl::TComponent)
public:
    /// Builds the window for the tab list of `selection`'s visual parent, with the
    /// selection's entry chosen. Needs a running application.
    explicit TabOrderEditor(TwzVisualObject& selection);

    /// Shows the window modally until it closes.
    void Run();
    /// The editor whose modal loop is running; null when none.
    [[nodiscard]] static TabOrderEditor* Running();

    [[nodiscard]] TwzListBox* GetList() const { return m_list; }
    [[nodiscard]] TwzButton* GetUpButton() const { return m_up; }
    [[nodiscard]] TwzButton* GetDownButton() const { return m_down; }
    [[nodiscard]] TwzHudWindow* GetWindow() const { return m_window; }
    [[nodiscard]] platform::ui::Form* GetForm() const { return m_form.get(); }

    void UpClick(rtl::TObject* sender);
    void DownClick(rtl::TObject* sender);

protected:
    ~TabOrderEditor() override;
    void BeforeDestruction() override;

private:
    void Fill(TwzVisualObject* chosen);
    void Move(int32_t delta);

    rtl::Watch<TwzVisualObject> m_parent;
    std::unique_ptr<platform::ui::Form> m_form;
    TwzScene* m_scene = nullptr; // owned (component)
    TwzHudWindow* m_window = nullptr;
    TwzListBox* m_list = nullptr;
    TwzButton* m_up = nullptr;
    TwzButton* m_down = nullptr;
};

/// Shows the tab order editor for `selection` and frees it when its modal loop ends.
void RunTabOrderEditor(TwzVisualObject& selection);

} // namespace design
