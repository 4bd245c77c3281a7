#include "controls/Controls.h"

#include "controls/TwzButtons.h"
#include "controls/TwzCheckBoxes.h"
#include "controls/TwzColorControls.h"
#include "controls/TwzComboBox.h"
#include "controls/TwzCompoundRows.h"
#include "controls/TwzExpander.h"
#include "controls/TwzExtControls.h"
#include "controls/TwzImageControl.h"
#include "controls/TwzImageList.h"
#include "controls/TwzImageListBox.h"
#include "controls/TwzImageViewer.h"
#include "controls/TwzLabel.h"
#include "controls/TwzLayouts.h"
#include "controls/TwzListBox.h"
#include "controls/TwzMemo.h"
#include "controls/TwzNumberBox.h"
#include "controls/TwzPanels.h"
#include "controls/TwzPopupBox.h"
#include "controls/TwzScrollBox.h"
#include "controls/TwzTabControl.h"
#include "controls/TwzTextBox.h"
#include "controls/TwzTreeView.h"
#include "controls/TwzWindows.h"
#include "controls/ValueControls.h"
#include "platform/rtl/ClassInfo.h"
#include "ui2d/Library2D.h"

void RegisterControls()
{
    // No guard of its own: after a shut-down the 2D library's categories are empty and a new
    // start must fill them again; registering a pair twice adds nothing.
    // FIXME: the classes of the later control families join their categories here, in the
    // same palette order, as they land.
    rtl::RegisterClass<TwzSelectionItem>();
    // A form component, not a palette object: streams create it by name.
    rtl::RegisterClass<TwzImageList>();
    Register2DObjects<TwzSizeGrip, TwzCloseButton>("Windows");
    Register2DObjects<TwzCheckBox, TwzPathCheckBox, TwzRadioButton, TwzGroupBox>("Boxes");
    Register2DObjects<TwzPanel, TwzLabel, TwzValueLabel>("Controls");
    Register2DObjects<TwzStatusBar, TwzToolBar, TwzToolButton, TwzToolPathButton>("Tool and Status");
    Register2DObjects<TwzButton, TwzRoundButton, TwzCircleButton, TwzBitmapButton, TwzPathButton,
        TwzSpeedButton, TwzCornerButton, TwzColorButton, TwzBitmapStateButton, TwzPopupButton>("Buttons");
    Register2DObjects<TwzHudPanel, TwzHudButton, TwzHudSpeedButton, TwzHudLabel, TwzHudCheckBox,
        TwzHudRadioButton, TwzHudGroupBox, TwzHudCloseButton, TwzHudStatusBar, TwzHudSizeGrip,
        TwzHudRoundButton, TwzHudCornerButton, TwzHudCircleButton>("HUD");
    // Style parts and frames that no palette offers: streams create them by name.
    rtl::RegisterClass<TwzExpanderButton>();
    rtl::RegisterClass<TwzWindow>();
    Register2DObjects<TwzPopupBox>("Boxes");
    Register2DObjects<TwzImageControl, TwzExpander>("Controls");
    Register2DObjects<TwzHudWindow, TwzHudPopupBox>("HUD");
    Register2DObjects<TwzIPhoneButton, TwzImageListBox, TwzHorzImageListBox, TwzDropTarget, TwzImageViewer>(
        "Ext. Controls");
    Register2DObjects<TwzPlotGrid>("Math");
    Register2DObjects<TwzHudImageListBox, TwzHudHorzImageListBox>("HUD");
    Register2DObjects<TwzImageListBoxItem>("Items");
    RegisterValueControls();
    Register2DObjects<TwzLayout, TwzScaledLayout, TwzGridLayout, TwzSplitLayout>("Layout");
    Register2DObjects<TwzScrollBox, TwzVertScrollBox, TwzFramedScrollBox, TwzFramedVertScrollBox>("Controls");
    Register2DObjects<TwzListBox, TwzHorzListBox>("Lists");
    Register2DObjects<TwzListBoxItem>("Items");
    Register2DObjects<TwzMemo>("Text Edits");
    Register2DObjects<TwzHudMemo>("HUD");
    Register2DObjects<TwzTextBox, TwzRoundTextBox, TwzNumberBox, TwzSpinBox>("Text Edits");
    Register2DObjects<TwzHudTextBox, TwzHudNumberBox, TwzHudRoundTextBox, TwzHudSpinBox>("HUD");
    Register2DObjects<TwzCompoundTrackBar, TwzCompoundAngleBar, TwzCompoundTextBox, TwzCompoundMemo,
        TwzCompoundNumberBox, TwzCompoundPopupBox, TwzCompoundColorButton, TwzCompoundImage>("Compound");
    rtl::RegisterClass<TwzComboListBox>();
    Register2DObjects<TwzComboBox, TwzStringComboBox, TwzStringListBox>("Lists");
    Register2DObjects<TwzHudListBox, TwzHudHorzListBox, TwzHudStringListBox, TwzHudComboBox,
        TwzHudStringComboBox>("HUD");
    Register2DObjects<TwzTreeView>("Trees");
    Register2DObjects<TwzTreeViewItem>("Items");
    Register2DObjects<TwzColorQuad, TwzColorPicker, TwzGradientEdit, TwzColorBox>("Colors");
    Register2DObjects<TwzTabControl>("Controls");
    Register2DObjects<TwzHudTabControl>("HUD");
    Register2DObjects<TwzTabItem, TwzHudTabItem>("Items");
    // Last: the style objects hold the classes registered above.
    ui2d::AddBuiltInStyleFiles(controls::ControlStyleFiles());
}
