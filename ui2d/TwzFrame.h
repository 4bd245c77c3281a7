#pragma once

#include "ui2d/TwzVisualObject.h"

#include <memory>

class TwzBitmap;
class TwzCustomScene;

// A visual object that shows, in place, the whole content of another 2D scene control: the
// other scene's first root moves into the frame, aligned vaClient, and is painted, hit and
// styled as part of the frame's host. The other scene keeps nothing to draw but its
// background while linked. A scene is shown by one frame at most; a second frame asking
// for a scene already shown elsewhere makes, on its next paint, a fresh instance of the
// component class that owns the scene (its form) and shows the scene of the same name in
// that copy; it frees the copy when it lets go. When no copy can be made (no owner, a class
// that cannot be created, or a copy without such a scene) the frame shows nothing. The shown
// root belongs to the other scene: a frame streams no children, gives the root back when it
// goes or is pointed elsewhere, and frees it when the other scene goes first. In design mode
// the other scene keeps its root and the frame paints a preview of it.
class TwzFrame : public TwzVisualObject {
    RTL_CLASS(TwzFrame, TwzVisualObject)
public:
    explicit TwzFrame(rtl::TComponent* owner);

    // Published.
    [[nodiscard]] TwzCustomScene* GetSceneObject() const { return m_sceneObject; }
    /// Nothing for the current scene or the frame's own host. Outside design mode the old
    /// scene gets its root back and the new one's root moves in (or waits for the next
    /// paint when another frame shows it); in design mode the frame only repaints.
    void SetSceneObject(TwzCustomScene* value);

    /// True while linking waits for the next paint.
    [[nodiscard]] bool GetNeedLink() const { return m_needLink; }
    /// The frame that shows `scene`'s root, or null.
    [[nodiscard]] static TwzFrame* LinkedFrame(const TwzCustomScene* scene);
    /// The form copy this frame made to show a scene shown elsewhere, or null; owned.
    [[nodiscard]] rtl::TComponent* GetFormCopy() const { return m_formCopy; }

    void Paint() override;
    /// None: the shown root is stored with its own scene.
    void GetChildren(const rtl::TGetChildProc& proc, rtl::TComponent* root) override;

protected:
    ~TwzFrame() override;
    void Notification(rtl::TComponent* component, rtl::TOperation operation) override;
    void BeforeDestruction() override;

private:
    [[nodiscard]] bool InDesign() const;
    void Link(TwzCustomScene* scene);
    void Unlink(TwzCustomScene* scene);
    /// Frees the form copy, unless its scene is being destroyed already.
    void FreeFormCopy();
    /// Points the frame at the same-named scene of a new copy of `scene`'s form; at nothing
    /// when no copy can be made.
    void ShowFormCopyOf(TwzCustomScene* scene);
    void PaintPreview();

    bool m_needLink = false;
    TwzCustomScene* m_sceneObject = nullptr; // not owned; free notification both ways
    rtl::TComponent* m_formCopy = nullptr; // owned; made for a scene shown elsewhere
    std::unique_ptr<TwzBitmap> m_preview; // design mode only
};
