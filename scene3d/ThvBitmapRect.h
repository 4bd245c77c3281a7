#pragma once

#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"

// The part of a texture a material uses, in texture coordinates; all four 0 means the whole
// texture.
class ThvBitmapRect : public rtl::TPersistent {
    RTL_CLASS(ThvBitmapRect, rtl::TPersistent)
public:
    ThvBitmapRect() = default;

    // Published under these lower-case names and always stored. A setter fires OnChange only
    // when the value differs.
    [[nodiscard]] float Getleft() const { return m_left; }
    void Setleft(float value);
    [[nodiscard]] float Gettop() const { return m_top; }
    void Settop(float value);
    [[nodiscard]] float Getright() const { return m_right; }
    void Setright(float value);
    [[nodiscard]] float Getbottom() const { return m_bottom; }
    void Setbottom(float value);

    rtl::TNotifyEvent OnChange;

    [[nodiscard]] bool IsEmpty() const { return m_left == 0 && m_top == 0 && m_right == 0 && m_bottom == 0; }

    /// From another rectangle: the four values, then OnChange once.
    void Assign(const rtl::TPersistent& source) override;

private:
    void SetEdge(float& edge, float value);

    float m_left = 0;
    float m_top = 0;
    float m_right = 0;
    float m_bottom = 0;
};
