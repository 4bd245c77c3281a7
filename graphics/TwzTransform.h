#pragma once

#include "graphics/Geometry.h"
#include "graphics/TwzPosition.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"

#include <memory>

// A position, scale and rotation turned into a 3x3 matrix: the radial transform of a
// gradient. A row vector is rotated about the origin, then scaled, then translated.
class TwzTransform : public rtl::TPersistent {
    RTL_CLASS(TwzTransform, rtl::TPersistent)
public:
    /// The identity: Position (0, 0), Scale (1, 1), RotateCenter (0.5, 0.5), no rotation.
    TwzTransform();
    ~TwzTransform() override;

    // Published, in this order; the three positions store their "Point" only when it differs
    // from their defaults.
    [[nodiscard]] float GetRotateAngle() const { return m_rotateAngle; }
    /// Degrees; recomputes the matrix and fires OnChanged when the value differs.
    void SetRotateAngle(float value);
    [[nodiscard]] TwzPosition* GetPosition() const { return m_position.get(); }
    void SetPosition(TwzPosition* value);
    [[nodiscard]] TwzPosition* GetScale() const { return m_scale.get(); }
    void SetScale(TwzPosition* value);
    /// Not part of the matrix; users of the transform read it for themselves.
    [[nodiscard]] TwzPosition* GetRotateCenter() const { return m_rotateCenter.get(); }
    void SetRotateCenter(TwzPosition* value);

    rtl::TNotifyEvent OnChanged;

    [[nodiscard]] const TwzMatrix& Matrix() const { return m_matrix; }
    /// Recomputes the matrix from the values, then fires OnChanged. Every change of the
    /// three positions comes here.
    void MatrixChanged(rtl::TObject* sender);

    /// From another transform: the values copied quietly, then one MatrixChanged. Other
    /// sources raise ConvertError.
    void Assign(const rtl::TPersistent& source) override;

private:
    TwzMatrix m_matrix = IdentityMatrix;
    float m_rotateAngle = 0;
    std::unique_ptr<TwzPosition> m_position;
    std::unique_ptr<TwzPosition> m_scale;
    std::unique_ptr<TwzPosition> m_rotateCenter;
};
