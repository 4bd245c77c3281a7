#pragma once

#include "ui2d/TwzVisualObject.h"

/// The container through which composite controls hold their children: the children are
/// streamed as the control's own, and content that lays itself out makes its control lay
/// out again. Paints nothing of its own.
class TwzContent : public TwzVisualObject {
    RTL_CLASS(TwzContent, TwzVisualObject)
public:
    explicit TwzContent(rtl::TComponent* owner);

    /// With a parent that is not loading: lays out the children, then (not re-entered) the
    /// parent's children when the parent is visual.
    void RealignChildren() override;

protected:
    ~TwzContent() override;
    [[nodiscard]] bool IsContent() const override;

private:
    bool m_realigningParent = false;
};
