#pragma once

#include "scene3d/ThvVisualObject.h"

#include <cstdint>
#include <string>

// The design grid: lines across the object's X-Y plane every Frequency units from the centre
// outwards, every line at a whole multiple of Marks drawn stronger. Its depth is fixed. Drawn
// unlit in the canvas's own material, the plain lines and the marks in one batch each, never
// more lines than the canvas has room for (a denser grid thins to every Nth line); picked on
// its plane, strictly inside its box.
class ThvGrid : public ThvVisualObject {
    RTL_CLASS(ThvGrid, ThvVisualObject)
public:
    explicit ThvGrid(rtl::TComponent* owner);

    // Published.
    /// The colour as text ("#AARRGGBB"); setting it asks for no repaint.
    [[nodiscard]] std::string GetLineColor() const;
    void SetLineColor(const std::string& value);
    [[nodiscard]] float GetFrequency() const { return m_frequency; }
    /// A value not above 0 is stored as 0.01.
    void SetFrequency(float value);
    [[nodiscard]] float GetMarks() const { return m_marks; }
    /// 0 marks no line.
    void SetMarks(float value);

    [[nodiscard]] uint32_t GetLineColorValue() const { return m_lineColor; }

    /// Always 0.01, whatever is asked.
    void SetDepth(float value) override;
    void Render() override;
    bool RayCastIntersect(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit) override;

protected:
    ~ThvGrid() override = default;

private:
    uint32_t m_lineColor = 0x50505050;
    float m_frequency = 1;
    float m_marks = 4;
};
