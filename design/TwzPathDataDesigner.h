#pragma once

#include "forms/AppForm.h"

#include <cstddef>
#include <string>
#include <string_view>

class TwzCustomScene;
class TwzLabel;
class TwzLayout;
class TwzMemo;
class TwzPath;

// The path-data designer: a modal dialog that edits the text form of a path (the Data of a
// TwzPathData, in the manner of SVG path data) in a memo and previews the path beside it.
//
// Callers: create the designer (owner null), put the path's Data text into the memo
// (SetPathText, or PathData's Lines), ShowModal, and when it returns platform::ui::kModalOk
// read the text back (GetPathText) into the path's Data; then free it.
//
// The preview follows every change of the text. Text the path reader cannot take whole is
// still previewed as far as it reads, and the first problem is shown under the preview,
// naming its line and column. "Paste" replaces the text by the clipboard's, refusing texts
// longer than kMaxPathText.
class TwzPathDataDesigner : public TAppForm {
    RTL_CLASS(TwzPathDataDesigner, TAppForm)
public:
    /// The longest text "Paste" takes, in UTF-16 units.
    static constexpr size_t kMaxPathText = size_t(1) << 20;

    /// The designer read from its stored description, the memo focused.
    explicit TwzPathDataDesigner(rtl::TComponent* owner);

    /// The stored description of the designer, as embedded at build time.
    [[nodiscard]] static std::string_view StoredDescription();

    // ---- handlers (published) -------------------------------------------------------------
    /// The memo's text changed: the preview takes it.
    void PathDataChange(rtl::TObject* sender);
    /// "Paste".
    void Button1Click(rtl::TObject* sender);
    /// "OK".
    void Button2Click(rtl::TObject* sender);
    /// "Cancel".
    void Button3Click(rtl::TObject* sender);

    // ---- the text ---------------------------------------------------------------------------
    /// The memo's text (UTF-8).
    [[nodiscard]] std::string GetPathText() const;
    void SetPathText(const std::string& text);
    /// The first problem of the text as the preview last read it; empty when it read whole.
    [[nodiscard]] const std::string& GetPathProblem() const { return m_problem; }
    /// Replaces the memo's text by `text` as "Paste" does (undoable). A text longer than
    /// kMaxPathText is refused with a message and changes nothing; returns whether it was
    /// taken.
    bool ReplaceText(std::u16string_view text);

    // ---- the components (null when the description lacks one) ------------------------------
    TwzCustomScene* wzScene1 = nullptr;
    TwzMemo* PathData = nullptr;
    TwzLayout* previewLayout = nullptr;
    TwzPath* previewPath = nullptr;
    TwzLabel* labelError = nullptr;

protected:
    ~TwzPathDataDesigner() override;
    void DescriptionLoaded() override;

private:
    std::string m_problem;
};

namespace design {

/// The first place where the path reader (TwzPathData::SetData) would not take `text` whole,
/// as a message naming the line and column (1-based; lines end at LF, CR or CR LF); empty when
/// the whole text reads. The reader drops a command whose numbers do not read, stops at a
/// character that starts no command, and reads quadratic curves without drawing them.
[[nodiscard]] std::string PathTextProblem(std::u16string_view text);

} // namespace design
