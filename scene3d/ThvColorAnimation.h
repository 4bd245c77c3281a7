#pragma once

#include "scene3d/ThvAnimation.h"

#include <cstdint>
#include <string>

// Moves one colour property of its parent, or of an object reached through published object
// properties ("Material.Diffuse"), from StartValue to StopValue along the eased time line,
// channel by channel. The property may be colour text ("#AARRGGBB", how the 3D library
// publishes colours) or a 32-bit integer; any other kind is neither read nor written.
class ThvColorAnimation : public ThvAnimation, public scene3d::IPropertyAnimation {
    RTL_CLASS(ThvColorAnimation, ThvAnimation)
public:
    explicit ThvColorAnimation(rtl::TComponent* owner);

    // Published.
    /// The property's name or dotted path, read once at the first Start with a parent.
    [[nodiscard]] const std::string& GetPropertyName() const override { return m_propertyName; }
    void SetPropertyName(const std::string& value) { m_propertyName = value; }
    /// Start takes StartValue from the property.
    [[nodiscard]] bool GetStartFromCurrent() const { return m_startFromCurrent; }
    void SetStartFromCurrent(bool value) { m_startFromCurrent = value; }
    /// "#AARRGGBB"; setting reads any text hvStrToColor reads.
    [[nodiscard]] std::string GetStartValue() const;
    void SetStartValue(const std::string& value);
    [[nodiscard]] std::string GetStopValue() const;
    void SetStopValue(const std::string& value);

    [[nodiscard]] uint32_t GetStartColor() const { return m_startColor; }
    void SetStartColor(uint32_t value) { m_startColor = value; }
    [[nodiscard]] uint32_t GetStopColor() const { return m_stopColor; }
    void SetStopColor(uint32_t value) { m_stopColor = value; }

    /// The object holding the animated property; null before the first Start, when the path
    /// led nowhere, or once that object is gone.
    [[nodiscard]] rtl::TObject* GetTargetObject() const { return m_target.Object(); }
    [[nodiscard]] const std::string& GetTargetProperty() const { return m_target.PropertyName(); }

    /// Resolves the target once, takes the start colour from it when asked, then starts.
    void Start() override;
    /// Writes the colour between StartColor and StopColor at NormalizedTime: as text to a
    /// text property, as a number to an integer property.
    void ProcessAnimation() override;

protected:
    ~ThvColorAnimation() override;

private:
    std::string m_propertyName;
    scene3d::AnimationTarget m_target;
    uint32_t m_startColor = 0xFFFFFFFF;
    uint32_t m_stopColor = 0xFFFFFFFF;
    bool m_startFromCurrent = false;
};
