#pragma once

#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"

// Six margins of a 3D visual object (its Margins and Padding): left, top, right and bottom in
// the X-Y plane, znear and zfar along Z. Stored inside its owner as the text "NewRect" when
// any margin is not 0; the older "Rect" text is still read.
class ThvBounds : public rtl::TPersistent {
    RTL_CLASS(ThvBounds, rtl::TPersistent)
public:
    ThvBounds() = default;

    // Published under these lower-case names, not stored one by one. A setter fires
    // OnChange only when the value differs.
    [[nodiscard]] float Getleft() const { return m_left; }
    void Setleft(float value);
    [[nodiscard]] float Gettop() const { return m_top; }
    void Settop(float value);
    [[nodiscard]] float Getright() const { return m_right; }
    void Setright(float value);
    [[nodiscard]] float Getbottom() const { return m_bottom; }
    void Setbottom(float value);
    [[nodiscard]] float Getznear() const { return m_znear; }
    void Setznear(float value);
    [[nodiscard]] float Getzfar() const { return m_zfar; }
    void Setzfar(float value);

    rtl::TNotifyEvent OnChange;

    [[nodiscard]] bool IsEmpty() const
    {
        return m_left == 0 && m_top == 0 && m_right == 0 && m_bottom == 0 && m_znear == 0 && m_zfar == 0;
    }

    /// From other bounds: all six values, then OnChange once, changed or not.
    void Assign(const rtl::TPersistent& source) override;
    void DefineProperties(rtl::TFiler& filer) override;

    /// The "NewRect" text: "(left,top,right,bottom,znear,zfar)" with 2D number text.
    [[nodiscard]] std::string GetNewRectText() const;
    /// Reads a "NewRect" text into the margins without any event; a number that does not
    /// read ends the reading and keeps what was read before it.
    void ReadNewRectText(std::string text);

private:
    void SetMargin(float& margin, float value);

    float m_left = 0;
    float m_top = 0;
    float m_right = 0;
    float m_bottom = 0;
    float m_znear = 0;
    float m_zfar = 0;
};
