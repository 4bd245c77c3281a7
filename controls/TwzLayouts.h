#pragma once

#include "controls/TwzTracks.h"
#include "ui2d/TwzVisualObject.h"

// Containers that only place their children: the plain layout, a grid of equal cells, a
// layout that scales its children to its current size, and the split layout.

/// A plain container; its children align as in any visual object. At design time it shows
/// a dashed frame so that an empty layout can be found.
class TwzLayout : public TwzVisualObject {
    RTL_CLASS(TwzLayout, TwzVisualObject)
public:
    explicit TwzLayout(rtl::TComponent* owner);

    void Paint() override;

protected:
    ~TwzLayout() override = default;
};

/// Every visual child gets one cell of ItemWidth x ItemHeight (its padding inside the
/// cell), row by row (wzHorizontal) or column by column (wzVertical), inside the margins.
class TwzGridLayout : public TwzVisualObject {
    RTL_CLASS(TwzGridLayout, TwzVisualObject)
public:
    explicit TwzGridLayout(rtl::TComponent* owner);

    [[nodiscard]] float GetItemWidth() const { return m_itemWidth; }
    void SetItemWidth(float value);
    [[nodiscard]] float GetItemHeight() const { return m_itemHeight; }
    void SetItemHeight(float value);
    [[nodiscard]] TwzOrientation GetOrientation() const { return m_orientation; }
    void SetOrientation(TwzOrientation value);

    void RealignChildren() override;

protected:
    ~TwzGridLayout() override = default;

private:
    float m_itemWidth = 64;
    float m_itemHeight = 64;
    TwzOrientation m_orientation = wzHorizontal;
    bool m_placing = false;
};

/// Draws its children scaled from the original size to the current one; the children keep
/// their own coordinates. While designed, the original size follows the size, so designing
/// never scales.
class TwzScaledLayout : public TwzVisualObject {
    RTL_CLASS(TwzScaledLayout, TwzVisualObject)
public:
    explicit TwzScaledLayout(rtl::TComponent* owner);

    [[nodiscard]] float GetOriginalWidth() const { return m_originalWidth; }
    /// Values below 1 become 1.
    void SetOriginalWidth(float value);
    [[nodiscard]] float GetOriginalHeight() const { return m_originalHeight; }
    void SetOriginalHeight(float value);

    void SetWidth(float value) override;
    void SetHeight(float value) override;
    [[nodiscard]] TwzMatrix GetChildrenMatrix() override;
    void RealignChildren() override;
    void Paint() override;

protected:
    ~TwzScaledLayout() override = default;

private:
    [[nodiscard]] bool DesignTime() const;

    float m_originalWidth = 50;
    float m_originalHeight = 50;
};

/// A container that takes no hits of its own; its children align as in any visual object.
class TwzSplitLayout : public TwzVisualObject {
    RTL_CLASS(TwzSplitLayout, TwzVisualObject)
public:
    explicit TwzSplitLayout(rtl::TComponent* owner);

protected:
    ~TwzSplitLayout() override = default;
};
