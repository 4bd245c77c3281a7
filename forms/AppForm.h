#pragma once

#include "controls/TwzFormLink.h"

#include "platform/rtl/Component.h"
#include "platform/rtl/Events.h"
#include "platform/ui/Window.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A window of the application as a component: the root of the components read from its
// stored description (object text), whose events the reader binds by name to the handlers the
// form class publishes (RTL_HANDLER). It owns a top-level window of the window layer and puts
// every scene control it owns (3D or 2D) into it, filling the client area, so resizing the
// window resizes the view.
//
// Life: construct, LoadDescription (reads the text, then OnCreate), Show or ShowModal; Free
// raises OnDestroy first, frees the components, then lets the window go.
class TAppForm : public rtl::TComponent, public IwzFormLink, private platform::ui::FormEvents {
    RTL_CLASS(TAppForm, rtl::TComponent)
public:
    explicit TAppForm(rtl::TComponent* owner);

    // ---- published -----------------------------------------------------------------------
    [[nodiscard]] const std::string& GetCaption() const { return m_caption; }
    void SetCaption(const std::string& value);
    /// The client size (the window's content without decoration); the window takes it when
    /// it is made, and the user's resizes set it.
    [[nodiscard]] int32_t GetClientWidth() const;
    void SetClientWidth(int32_t value);
    [[nodiscard]] int32_t GetClientHeight() const;
    void SetClientHeight(int32_t value);

    rtl::TNotifyEvent OnCreate;
    rtl::TNotifyEvent OnDestroy;

    // ---- description ---------------------------------------------------------------------
    /// Reads `text`, the object text of the form, into this form: its properties, the
    /// components (owned by the form) and their handlers. What the reader steps over
    /// (unknown classes or properties, handlers the form does not publish) is collected in
    /// LoadErrors; a text that does not parse raises. Then Loaded hooks run and OnCreate.
    void LoadDescription(std::string_view text);
    /// The messages of the reader's stepped-over errors of the last LoadDescription.
    [[nodiscard]] const std::vector<std::string>& LoadErrors() const { return m_loadErrors; }

    // ---- window --------------------------------------------------------------------------
    /// Makes the top-level window (when the application runs and it does not exist yet),
    /// centred on the screen, and puts the form's scenes into it.
    void CreateWindowHandle();
    /// The window; null before CreateWindowHandle.
    [[nodiscard]] platform::ui::Form* GetWindow() const { return m_window.get(); }
    void Show();
    void Hide();
    /// Shows the form modally and returns its modal result (platform::ui::kModalOk...).
    int32_t ShowModal();
    /// A main form ends the application's loop when the user closes it.
    void SetMainForm(bool value) { m_mainForm = value; }
    [[nodiscard]] bool IsMainForm() const { return m_mainForm; }
    /// Sizes every scene of the form to the client area.
    void AlignScenes();

    // ---- IwzFormLink ---------------------------------------------------------------------
    void SetModalResult(int32_t value) override;
    void CloseForm() override;

protected:
    ~TAppForm() override;
    void BeforeDestruction() override;
    /// Runs once the description is read, before OnCreate: forms find their components here.
    virtual void DescriptionLoaded() { }
    /// Runs just before the window is made: forms without a border or with per-pixel alpha
    /// change the options here.
    virtual void PrepareWindow(platform::ui::FormOptions& /*options*/) { }

private:
    void FormCloseRequest() override;
    void FormResized(int32_t clientWidth, int32_t clientHeight) override;
    void PutScenes(platform::ui::Form* form);

    std::unique_ptr<platform::ui::Form> m_window;
    std::string m_caption;
    int32_t m_clientWidth = 320;
    int32_t m_clientHeight = 240;
    bool m_mainForm = false;
    bool m_modal = false;
    std::vector<std::string> m_loadErrors;
};
