#pragma once

#include "graphics/TwzWideStrings.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Exceptions.h"
#include "ui2d/Forward.h"

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ui2d {

/// A style sheet or the built-in style that cannot be read: the message names the sheet or
/// the style object and says what is wrong. Whatever style was in force stays in force.
class StyleError : public rtl::Exception {
public:
    using Exception::Exception;
};

} // namespace ui2d

// A style sheet: a non-visual component holding a tree of named style objects that the
// controls of the scenes using it copy their looks from. The tree is set as object text
// (Resource) or read from the stored form ("ResourcesBin", the tree as a binary component
// stream); every new tree restyles the scenes on the user list.
//
// Conventions the lookup relies on (the sheet does not check them): each style object is a
// direct child of Root and carries its lookup key in ResourceName; the parts inside a style
// object carry their own ResourceName ("background", "text", ...), are locked and not hit
// tested, and follow the control's state through trigger animations and effects.
class TwzResources : public rtl::TComponent {
    RTL_CLASS(TwzResources, rtl::TComponent)
public:
    explicit TwzResources(rtl::TComponent* owner);

    // Published, never stored.
    /// The tree as object text. Any change builds a new tree from the whole text: an empty
    /// text clears Root, text that cannot be read raises ui2d::StyleError naming the sheet
    /// and keeps the previous Root (the user scenes are not restyled then). Build the text
    /// with SetTextStr or inside BeginUpdate/EndUpdate: every single change is read.
    [[nodiscard]] TwzWideStringList* GetResource() const { return m_resource.get(); }
    /// Copies the lines of `value` into the sheet's own list (null is ignored).
    void SetResource(const TwzWideStrings* value);

    /// The tree the style lookups search; null when the sheet is empty. Owned.
    [[nodiscard]] TwzObject* GetRoot() const { return m_root; }
    /// Replaces Root (the old tree is freed) by `tree`, which the sheet then owns, and
    /// restyles the user scenes; null empties the sheet.
    void SetRoot(TwzObject* tree) { SetRootTree(tree); }

    /// The scenes and object layers whose Style is this sheet. Plain references: a host
    /// that is freed leaves the list by itself (the sheet watches its component).
    void AddScene(IwzScene* scene);
    void RemoveScene(IwzScene* scene);
    [[nodiscard]] std::vector<IwzScene*> Scenes() const;

    /// Reads `stream` (a binary component stream of one object) as the new tree and
    /// restyles the user scenes. A damaged stream or an unknown root class raises
    /// ui2d::StyleError naming the sheet and keeps the previous Root.
    void LoadRootFromStream(rtl::TStream& stream);

    void DefineProperties(rtl::TFiler& filer) override;

protected:
    ~TwzResources() override;
    void Notification(rtl::TComponent* component, rtl::TOperation operation) override;
    void BeforeDestruction() override;

private:
    struct User {
        IwzScene* scene;
        rtl::TComponent* component; // the scene's component, compared only
    };

    void ResourceChanged(rtl::TObject* sender);
    /// Replaces Root by `tree` (possibly null), clears DesignHide in it, restyles the users.
    void SetRootTree(TwzObject* tree);
    [[nodiscard]] std::string Describe() const;

    std::unique_ptr<TwzWideStringList> m_resource;
    TwzObject* m_root = nullptr; // owned
    std::vector<User> m_users;
};

namespace ui2d {

/// One object text file of the built-in style, embedded at build time.
struct StyleFile {
    std::string_view name;
    std::string_view text;
};

/// The built-in style's files in tree order: the first holds the root (a TwzBackground),
/// each further one any number of style objects that become the root's children.
[[nodiscard]] std::span<const StyleFile> BuiltInStyleFiles();

/// Adds the style files of a library above this one (the controls) to the built-in style,
/// after this library's own, so their style objects may hold that library's classes. Call it
/// once those classes are registered; adding the same files again adds nothing. A built-in
/// style already built is dropped and built anew, with the added files, on its next use.
void AddBuiltInStyleFiles(std::span<const StyleFile> files);

/// This library's files followed by every set added with AddBuiltInStyleFiles, in order.
[[nodiscard]] std::vector<StyleFile> AllBuiltInStyleFiles();

/// Builds a style tree from `files` as the built-in style is built. Strict: text that does
/// not parse, an unknown class or property, a value of the wrong kind or a root that is not
/// a 2D object raises StyleError naming the file, the line and the style object. The new
/// tree has no owner; the caller frees it.
[[nodiscard]] TwzObject* BuildStyleTree(std::span<const StyleFile> files);

/// The built-in style's root (DefaultStyle), built from AllBuiltInStyleFiles on the first
/// call. Raises StyleError when they cannot be read; nothing is kept then, so the next call
/// tries again.
TwzObject* LoadDefaultStyle();

/// Replaces DefaultStyle by the tree built from `files`. When they cannot be read it raises
/// StyleError and the previous built-in style stays in force.
void ReloadDefaultStyle(std::span<const StyleFile> files);

/// Reads one binary component stream into a new 2D object without owner (names cleared,
/// unknown properties skipped). A damaged stream, an unknown or non-2D root class raises
/// rtl::ReadError; nothing is left behind.
[[nodiscard]] TwzObject* ReadObjectTree(rtl::TStream& stream);

} // namespace ui2d
