#include "controls/Controls.h"

#include "controls/TwzAngleButton.h"
#include "controls/TwzAniIndicator.h"
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
#include "controls/TwzProgressBar.h"
#include "controls/TwzScrollBars.h"
#include "controls/TwzScrollBox.h"
#include "controls/TwzSplitter.h"
#include "controls/TwzTabControl.h"
#include "controls/TwzTextBox.h"
#include "controls/TwzTracks.h"
#include "controls/TwzTreeView.h"
#include "controls/TwzWindows.h"
#include "platform/rtl/ClassInfo.h"
#include "ui2d/Library2D.h"

void RegisterControls()
{
    // No guard of its own: after a shut-down the 2D library's categories are empty and a new
    // start must fill them again; registering a pair twice adds nothing. The order is the
    // palette's: within a category the most recently registered class comes first, so every
    // category lists its classes the same way on every start. The 2D library has registered
    // its own categories (resources, frame, popups, animations, effects, shapes and the
    // scene background) before; the design tools register theirs after.
    // Style parts and frames that no palette offers: streams create them by name.
    rtl::RegisterClass<TwzSelectionItem>();
    rtl::RegisterClass<TwzThumb>();
    rtl::RegisterClass<TwzExpanderButton>();
    rtl::RegisterClass<TwzWindow>();
    rtl::RegisterClass<TwzComboListBox>();
    // A form component, not a palette object.
    rtl::RegisterClass<TwzImageList>();

    Register2DObjects<TwzSizeGrip, TwzCloseButton>("Windows");
    Register2DObjects<TwzCheckBox, TwzPathCheckBox, TwzRadioButton, TwzGroupBox, TwzPopupBox>("Boxes");
    Register2DObjects<TwzPanel, TwzLabel, TwzValueLabel, TwzImageControl, TwzProgressBar, TwzTrack,
        TwzScrollBar, TwzSmallScrollBar, TwzAniIndicator, TwzExpander, TwzTrackBar, TwzSplitter>("Controls");
    Register2DObjects<TwzStatusBar, TwzToolBar, TwzToolButton, TwzToolPathButton>("Tool and Status");
    Register2DObjects<TwzButton, TwzRoundButton, TwzCircleButton, TwzBitmapButton, TwzPathButton,
        TwzSpeedButton, TwzCornerButton, TwzColorButton, TwzAngleButton, TwzBitmapStateButton,
        TwzPopupButton>("Buttons");
    Register2DObjects<TwzHudPanel, TwzHudWindow, TwzHudButton, TwzHudSpeedButton, TwzHudAngleButton,
        TwzHudTrack, TwzHudTrackBar, TwzHudScrollBar, TwzHudPopupBox, TwzHudLabel, TwzHudCheckBox,
        TwzHudRadioButton, TwzHudGroupBox, TwzHudCloseButton, TwzHudStatusBar, TwzHudSizeGrip,
        TwzHudRoundButton, TwzHudCornerButton, TwzHudCircleButton>("HUD");
    Register2DObjects<TwzLayout, TwzScaledLayout, TwzGridLayout, TwzSplitLayout>("Layout");
    Register2DObjects<TwzScrollBox, TwzVertScrollBox, TwzFramedScrollBox, TwzFramedVertScrollBox>("Controls");
    Register2DObjects<TwzListBox, TwzComboBox, TwzStringListBox, TwzStringComboBox, TwzHorzListBox>("Lists");
    Register2DObjects<TwzListBoxItem>("Items");
    Register2DObjects<TwzHudListBox, TwzHudHorzListBox, TwzHudComboBox, TwzHudStringListBox,
        TwzHudStringComboBox>("HUD");
    Register2DObjects<TwzTreeView>("Trees");
    Register2DObjects<TwzTreeViewItem>("Items");
    Register2DObjects<TwzTextBox, TwzRoundTextBox, TwzNumberBox, TwzSpinBox>("Text Edits");
    Register2DObjects<TwzHudTextBox, TwzHudNumberBox, TwzHudRoundTextBox, TwzHudSpinBox>("HUD");
    Register2DObjects<TwzMemo>("Text Edits");
    Register2DObjects<TwzHudMemo>("HUD");
    Register2DObjects<TwzColorQuad, TwzColorPicker, TwzGradientEdit, TwzColorBox>("Colors");
    Register2DObjects<TwzTabControl>("Controls");
    Register2DObjects<TwzHudTabControl>("HUD");
    Register2DObjects<TwzTabItem, TwzHudTabItem>("Items");
    Register2DObjects<TwzIPhoneButton, TwzImageListBox, TwzHorzImageListBox, TwzDropTarget, TwzImageViewer>(
        "Ext. Controls");
    Register2DObjects<TwzPlotGrid>("Math");
    Register2DObjects<TwzHudImageListBox, TwzHudHorzImageListBox>("HUD");
    Register2DObjects<TwzImageListBoxItem>("Items");
    Register2DObjects<TwzCompoundTrackBar, TwzCompoundAngleBar, TwzCompoundTextBox, TwzCompoundMemo,
        TwzCompoundNumberBox, TwzCompoundPopupBox, TwzCompoundColorButton, TwzCompoundImage>("Compound");
    // Last: the style objects hold the classes registered above.
    ui2d::AddBuiltInStyleFiles(controls::ControlStyleFiles());
}
