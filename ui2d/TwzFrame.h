#pragma once

#include "ui2d/TwzVisualObject.h"

class TwzCustomScene;

// A visual object that shows, in place, the whole content of another 2D scene control: the
// other scene's first root moves into the frame, aligned vaClient, and is painted, hit and
// styled as part of the frame's host. The other scene keeps nothing to draw but its
// background while linked. A scene is shown by one frame at most; a second frame asking
// for a scene already shown elsewhere shows nothing. The shown root belongs to the other
// scene: a frame streams no children, gives the root back when it goes or is pointed
// elsewhere, and frees it when the other scene goes first.
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

    bool m_needLink = false;
    TwzCustomScene* m_sceneObject = nullptr; // not owned; free notification both ways
};
