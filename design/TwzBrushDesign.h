#pragma once

#include "forms/AppForm.h"
#include "graphics/TwzBrush.h"

#include "platform/rtl/Component.h"
#include "platform/rtl/ComponentLink.h"
#include "platform/rtl/Set.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class IwzScene;
class TwzAngleButton;
class TwzBackground;
class TwzButton;
class TwzColorBox;
class TwzColorPicker;
class TwzColorQuad;
class TwzCustomScene;
class TwzGradientEdit;
class TwzHudWindow;
class TwzImage;
class TwzLabel;
class TwzLayout;
class TwzListBox;
class TwzNumberBox;
class TwzPopupBox;
class TwzTabControl;
class TwzTabItem;
class TwzTextBox;

using TwzBrushStyles = rtl::TSet<TwzBrushStyle>;

// The brush designer: a borderless window whose transparent scene holds a HUD window with one
// page per brush style. It edits one brush in place, so whatever paints with that brush
// repaints while the user works; a list above the pages switches between the brush
// properties of one object, and "Make a Resource" turns the brush into a named brush object
// of that object's scene.
//
// The designer refers to the brush, the object and the object's scene without owning them;
// it follows the object (and with it the object's brushes and scene) when the object is
// freed, and checks a resource object is still in the scene before using it.
class TwzBrushDesign : public TAppForm {
    RTL_CLASS(TwzBrushDesign, TAppForm)
public:
    /// A bare form without its components; Make gives the designer.
    explicit TwzBrushDesign(rtl::TComponent* owner);
    /// The designer read from its stored description; `owner` frees it (null: the caller).
    /// A description that does not read raises, and nothing is left behind.
    [[nodiscard]] static TwzBrushDesign* Make(rtl::TComponent* owner);

    /// The stored description of the designer, as embedded at build time.
    [[nodiscard]] static std::string_view StoredDescription();

    // ---- the entry operations -------------------------------------------------------------
    [[nodiscard]] TwzBrush* GetBrush() const { return m_brush; }
    /// The brush to edit: its page is selected and loaded with its content. Null leaves the
    /// pages as they are and makes every page handler do nothing.
    void SetBrush(TwzBrush* brush);
    [[nodiscard]] rtl::TComponent* GetBrushObject() const { return m_brushObject; }
    /// The object whose brush properties fill the brush list and whose scene takes new
    /// resources; the first brush it has becomes the edited one.
    void SetBrushObject(rtl::TComponent* object);
    /// The scene of the brush object: a scene control's own, a 2D object's; else null.
    [[nodiscard]] IwzScene* GetDesignerScene() const;
    /// A brush that stays valid when the brush object goes (the dialog's own).
    void SetOwnBrush(TwzBrush* brush) { m_ownBrush = brush; }
    /// Lists the brush objects of the designer scene on the Resource page.
    void FillResourceList();
    /// `baseName` followed by a number counted per designer (Tag): "Brush1", "Brush2", ...
    [[nodiscard]] std::string UniqueName(const std::string& baseName);
    /// The close action: the shared designer goes (later, as its own button may be running),
    /// any other designer only hides, or ends its modal run.
    void FormClose();

    // ---- handlers (published) -------------------------------------------------------------
    void FormCreate(rtl::TObject* sender);
    void brushListChange(rtl::TObject* sender);
    void brushTabControlChange(rtl::TObject* sender);
    void solidQuadChange(rtl::TObject* sender);
    void textSolidRChange(rtl::TObject* sender);
    void textSolidHexChange(rtl::TObject* sender);
    void gradQuadChange(rtl::TObject* sender);
    void textGradRChange(rtl::TObject* sender);
    void textGradHexChange(rtl::TObject* sender);
    void gradEditorChange(rtl::TObject* sender);
    void gradKindChange(rtl::TObject* sender);
    void gradAngleChange(rtl::TObject* sender);
    void btnSelectBitmapClick(rtl::TObject* sender);
    void tileModeListChange(rtl::TObject* sender);
    void resListChange(rtl::TObject* sender);
    void btnCancelClick(rtl::TObject* sender);
    void btnOKClick(rtl::TObject* sender);
    void btnMakeResClick(rtl::TObject* sender);

    // ---- IwzFormLink ------------------------------------------------------------------------
    void CloseForm() override;

    // ---- the components (null when the description lacks one) ------------------------------
    TwzCustomScene* wzBrushDesigner = nullptr;
    TwzBackground* dsgnRoot = nullptr;
    TwzHudWindow* HudWindow1 = nullptr;
    TwzListBox* brushList = nullptr;
    TwzTabControl* brushTabControl = nullptr;
    TwzTabItem* tabNone = nullptr;
    TwzTabItem* tabSolid = nullptr;
    TwzTabItem* tabGradient = nullptr;
    TwzTabItem* tabBitmap = nullptr;
    TwzTabItem* tabRes = nullptr;
    TwzColorQuad* solidQuad = nullptr;
    TwzColorPicker* solidPicker = nullptr;
    TwzNumberBox* textSolidR = nullptr;
    TwzNumberBox* textSolidG = nullptr;
    TwzNumberBox* textSolidB = nullptr;
    TwzNumberBox* textSolidA = nullptr;
    TwzTextBox* textSolidHex = nullptr;
    TwzColorBox* solidColorRect = nullptr;
    TwzColorQuad* gradQuad = nullptr;
    TwzColorPicker* gradPicker = nullptr;
    TwzNumberBox* textGradR = nullptr;
    TwzNumberBox* textGradG = nullptr;
    TwzNumberBox* textGradB = nullptr;
    TwzNumberBox* textGradA = nullptr;
    TwzTextBox* textGradHex = nullptr;
    TwzColorBox* gradColorRect = nullptr;
    TwzGradientEdit* gradEditor = nullptr;
    TwzPopupBox* gradKind = nullptr;
    TwzAngleButton* gradAngle = nullptr;
    TwzLabel* gradAngleLabel = nullptr;
    TwzButton* btnSelectBitmap = nullptr;
    TwzPopupBox* tileModeList = nullptr;
    TwzImage* bitmapImage = nullptr;
    TwzListBox* resList = nullptr;
    TwzLayout* Layout6 = nullptr;
    TwzButton* btnCancel = nullptr;
    TwzButton* btnOK = nullptr;
    TwzLayout* makeResLayout = nullptr;
    TwzButton* btnMakeRes = nullptr;

protected:
    ~TwzBrushDesign() override;
    void BeforeDestruction() override;
    void DescriptionLoaded() override;
    void PrepareWindow(platform::ui::FormOptions& options) override;
    void Notification(rtl::TComponent* component, rtl::TOperation operation) override;

private:
    /// The brush object's brush properties into the brush list.
    void FillBrushList();
    /// The current stop of the gradient editor, or null outside the stops.
    [[nodiscard]] TwzGradientPoint* CurrentStop() const;
    /// Whether `object` still lies in the designer scene's tree.
    [[nodiscard]] bool IsInScene(const rtl::TObject* object) const;
    void RepaintBrushObject();
    void ShowAngle();

    TwzBrush* m_brush = nullptr; // not owned
    TwzBrush* m_ownBrush = nullptr; // not owned: survives the brush object
    rtl::ComponentLink<rtl::TComponent> m_brushObject { this };
    bool m_loading = false; // SetBrush is loading the pages
};

/// Shows the shared brush designer (made on first use) on `value`, without blocking: a brush
/// is edited with `owner` as its object, a 2D object lists its brushes and edits none until
/// one is picked, null clears the designer; anything else only shows it.
void ShowBrushDesigner(rtl::TPersistent* value, rtl::TComponent* owner);
/// The shared designer; null when none is shown.
[[nodiscard]] TwzBrushDesign* SharedBrushDesigner();
/// Frees the shared designer, when there is one (module shut-down).
void FreeBrushDesigner();

// A component that runs a fresh brush designer modally on its own brush.
class TwzBrushDialog : public rtl::TComponent {
    RTL_CLASS(TwzBrushDialog, rtl::TComponent)
public:
    explicit TwzBrushDialog(rtl::TComponent* owner);

    // ---- published ------------------------------------------------------------------------
    [[nodiscard]] TwzBrushStyles GetShowStyles() const { return m_showStyles; }
    void SetShowStyles(TwzBrushStyles value) { m_showStyles = value; }
    [[nodiscard]] bool GetShowBrushList() const { return m_showBrushList; }
    void SetShowBrushList(bool value) { m_showBrushList = value; }
    [[nodiscard]] bool GetShowMakeResource() const { return m_showMakeResource; }
    void SetShowMakeResource(bool value) { m_showMakeResource = value; }

    // ---- public ---------------------------------------------------------------------------
    /// The brush Execute edits in place; owned, freed with the dialog.
    [[nodiscard]] TwzBrush* GetBrush() const { return m_brush.get(); }
    [[nodiscard]] rtl::TComponent* GetBrushObject() const { return m_brushObject; }
    /// When set, the brush list shows this object's brushes.
    void SetBrushObject(rtl::TComponent* value);

    /// Runs a designer modally on Brush; true when it closed with OK. Cancel keeps what was
    /// edited meanwhile: callers that need the old brush keep a copy.
    bool Execute();
    /// The designer of the running Execute; null otherwise.
    [[nodiscard]] TwzBrushDesign* GetDesigner() const { return m_designer; }

protected:
    ~TwzBrushDialog() override;
    void BeforeDestruction() override;
    void Notification(rtl::TComponent* component, rtl::TOperation operation) override;

private:
    std::unique_ptr<TwzBrush> m_brush;
    TwzBrushStyles m_showStyles;
    bool m_showBrushList = true;
    bool m_showMakeResource = false;
    rtl::ComponentLink<rtl::TComponent> m_brushObject { this };
    rtl::Watch<TwzBrushDesign> m_designer;
};

/// The runner the colour buttons call for their brush dialog: the solid page only.
bool RunColorBrushDialog(TwzBrush& brush);
