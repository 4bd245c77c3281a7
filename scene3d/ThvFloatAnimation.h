#pragma once

#include "scene3d/ThvAnimation.h"

#include <string>

// Moves one floating-point property of its parent, or of an object reached from the parent
// through published object properties ("Position.X", "Opacity"), from StartValue to StopValue
// along the eased time line. A property that is not a float is neither read nor written; the
// time line runs all the same.
class ThvFloatAnimation : public ThvAnimation, public scene3d::IPropertyAnimation {
    RTL_CLASS(ThvFloatAnimation, ThvAnimation)
public:
    explicit ThvFloatAnimation(rtl::TComponent* owner);

    // Published.
    /// The property's name or dotted path. Read once, at the first Start with a parent; later
    /// changes do not move an animation that has started.
    [[nodiscard]] const std::string& GetPropertyName() const override { return m_propertyName; }
    void SetPropertyName(const std::string& value) { m_propertyName = value; }
    /// Start takes StartValue from the property.
    [[nodiscard]] bool GetStartFromCurrent() const { return m_startFromCurrent; }
    void SetStartFromCurrent(bool value) { m_startFromCurrent = value; }
    [[nodiscard]] float GetStartValue() const { return m_startValue; }
    void SetStartValue(float value) { m_startValue = value; }
    [[nodiscard]] float GetStopValue() const { return m_stopValue; }
    void SetStopValue(float value) { m_stopValue = value; }

    /// The object holding the animated property; null before the first Start, when the path
    /// led nowhere, or once that object is gone.
    [[nodiscard]] rtl::TObject* GetTargetObject() const { return m_target.Object(); }
    /// The last name of the path.
    [[nodiscard]] const std::string& GetTargetProperty() const { return m_target.PropertyName(); }

    /// Resolves the target once, takes the start value from it when asked, then starts.
    void Start() override;
    /// Writes StartValue + (StopValue - StartValue) x NormalizedTime to a float property.
    void ProcessAnimation() override;

protected:
    ~ThvFloatAnimation() override;

private:
    friend class ThvObject; // AnimateFloat frees the animations it makes when they finish

    /// OnFinish of an animation made by AnimateFloat: frees it.
    void FreeWhenFinished(rtl::TObject* sender);

    std::string m_propertyName;
    scene3d::AnimationTarget m_target;
    float m_startValue = 0;
    float m_stopValue = 0;
    bool m_startFromCurrent = false;
};
