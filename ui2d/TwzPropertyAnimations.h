#pragma once

#include "graphics/Colors.h"
#include "graphics/Geometry.h"
#include "ui2d/TwzAnimation.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Collection.h"
#include "platform/rtl/Component.h"

#include <initializer_list>
#include <memory>
#include <string>

class TwzBounds;
class TwzGradient;
class TwzSpline;

// The concrete 2D animations. Each is a child of the object it animates and names its target
// by a dotted property path resolved from its parent through published properties
// ("Fill.Color", "Margins.Top"), so styles can animate any property of any part they hold.
// No animation knows the class it animates: values are read and written by name.

namespace ui2d {

// The property an animation writes: found once, from the animation's parent. Each leading
// name that is a published object property of the object reached so far moves on to that
// object; any other leading name is skipped. The last name is the property. The object
// reached is not owned; once the component it belongs to is freed, the target is gone.
class AnimationTarget {
public:
    /// Resolves `path` from `parent` (ASCII case ignored); replaces any earlier target.
    void Resolve(rtl::TObject& parent, const std::string& path);
    [[nodiscard]] bool IsResolved() const { return m_resolved; }
    /// The object holding the property; null before Resolve, when an object property on
    /// the way held nothing, or once the component it belongs to is freed.
    [[nodiscard]] rtl::TObject* Object() const;
    [[nodiscard]] const std::string& PropertyName() const { return m_property; }
    /// The published property of that name on the object when it is of one of `kinds`.
    [[nodiscard]] const rtl::TPropInfo* Find(std::initializer_list<rtl::TPropKind> kinds) const;
    /// The object held by an object property of that name; null for any other kind.
    [[nodiscard]] rtl::TObject* ObjectValue() const;

private:
    rtl::TObject* m_object = nullptr;
    rtl::Watch<rtl::TComponent> m_anchor; // the last component on the path
    std::string m_property;
    bool m_resolved = false;
};

} // namespace ui2d

/// The published PropertyName, StartFromCurrent and the resolution of the path that the
/// property-path animations share.
class TwzPropertyAnimation : public TwzAnimation {
    RTL_CLASS(TwzPropertyAnimation, TwzAnimation)
public:
    explicit TwzPropertyAnimation(rtl::TComponent* owner);

    /// The property's name or dotted path. Read once, at the first Start with a parent;
    /// later changes (and a new parent) are not followed.
    [[nodiscard]] const std::string& GetPropertyName() const { return m_propertyName; }
    void SetPropertyName(const std::string& value) { m_propertyName = value; }
    /// Start takes the start value from the property.
    [[nodiscard]] bool GetStartFromCurrent() const { return m_startFromCurrent; }
    void SetStartFromCurrent(bool value) { m_startFromCurrent = value; }

    [[nodiscard]] const ui2d::AnimationTarget& Target() const { return m_target; }

    /// Resolves the path once, takes the start value when asked, then starts.
    void Start() override;

protected:
    ~TwzPropertyAnimation() override;
    /// Resolves the path when it has not been, there is a parent and a name.
    void ResolveTarget();
    /// Copies the property's current value into the start value; nothing here.
    virtual void TakeStartFromCurrent();

    ui2d::AnimationTarget m_target;

private:
    std::string m_propertyName;
    bool m_startFromCurrent = false;
};

/// A colour: StartValue and StopValue are published as colour text. Writes colour text to a
/// string property or the ARGB number to an integer property.
class TwzColorAnimation : public TwzPropertyAnimation {
    RTL_CLASS(TwzColorAnimation, TwzPropertyAnimation)
public:
    explicit TwzColorAnimation(rtl::TComponent* owner);

    [[nodiscard]] std::string GetStartValue() const { return ColorToText(m_startValue); }
    void SetStartValue(const std::string& value) { m_startValue = TextToColor(value); }
    [[nodiscard]] std::string GetStopValue() const { return ColorToText(m_stopValue); }
    void SetStopValue(const std::string& value) { m_stopValue = TextToColor(value); }

    void ProcessAnimation() override;

protected:
    ~TwzColorAnimation() override;
    void TakeStartFromCurrent() override;

private:
    TwzColor m_startValue = 0xFFFFFFFF;
    TwzColor m_stopValue = 0xFFFFFFFF;
};

/// The stop colours of a gradient held by an object property, stop by stop; offsets,
/// style and positions stay.
class TwzGradientAnimation : public TwzPropertyAnimation {
    RTL_CLASS(TwzGradientAnimation, TwzPropertyAnimation)
public:
    explicit TwzGradientAnimation(rtl::TComponent* owner);

    [[nodiscard]] TwzGradient* GetStartValue() const { return m_startValue.get(); }
    void SetStartValue(TwzGradient* value);
    [[nodiscard]] TwzGradient* GetStopValue() const { return m_stopValue.get(); }
    void SetStopValue(TwzGradient* value);

    void ProcessAnimation() override;

protected:
    ~TwzGradientAnimation() override;
    void TakeStartFromCurrent() override;

private:
    std::unique_ptr<TwzGradient> m_startValue;
    std::unique_ptr<TwzGradient> m_stopValue;
};

/// A floating-point property, StartValue + (StopValue - StartValue) x progress, not clamped.
class TwzFloatAnimation : public TwzPropertyAnimation {
    RTL_CLASS(TwzFloatAnimation, TwzPropertyAnimation)
public:
    explicit TwzFloatAnimation(rtl::TComponent* owner);

    [[nodiscard]] float GetStartValue() const { return m_startValue; }
    void SetStartValue(float value) { m_startValue = value; }
    [[nodiscard]] float GetStopValue() const { return m_stopValue; }
    void SetStopValue(float value) { m_stopValue = value; }

    void ProcessAnimation() override;

protected:
    ~TwzFloatAnimation() override;
    void TakeStartFromCurrent() override;

private:
    friend class TwzObject; // AnimateFloat frees the animations it makes when they finish
    void FreeSender(rtl::TObject* sender);

    float m_startValue = 0;
    float m_stopValue = 0;
};

/// A rectangle assigned to an object property (Margins, Padding), side by side.
class TwzRectAnimation : public TwzPropertyAnimation {
    RTL_CLASS(TwzRectAnimation, TwzPropertyAnimation)
public:
    explicit TwzRectAnimation(rtl::TComponent* owner);

    [[nodiscard]] TwzBounds* GetStartValue() const { return m_startValue.get(); }
    void SetStartValue(TwzBounds* value);
    [[nodiscard]] TwzBounds* GetStopValue() const { return m_stopValue.get(); }
    void SetStopValue(TwzBounds* value);

    void ProcessAnimation() override;

protected:
    ~TwzRectAnimation() override;
    void TakeStartFromCurrent() override;

private:
    std::unique_ptr<TwzBounds> m_startValue;
    std::unique_ptr<TwzBounds> m_stopValue;
    std::unique_ptr<TwzBounds> m_work;
};

/// A cross-fade from StartValue to StopValue assigned to an object property that takes a
/// bitmap. The path is resolved at the first value written.
class TwzBitmapAnimation : public TwzAnimation {
    RTL_CLASS(TwzBitmapAnimation, TwzAnimation)
public:
    explicit TwzBitmapAnimation(rtl::TComponent* owner);

    [[nodiscard]] const std::string& GetPropertyName() const { return m_propertyName; }
    void SetPropertyName(const std::string& value) { m_propertyName = value; }
    [[nodiscard]] TwzBitmap* GetStartValue() const { return m_startValue.get(); }
    void SetStartValue(TwzBitmap* value);
    [[nodiscard]] TwzBitmap* GetStopValue() const { return m_stopValue.get(); }
    void SetStopValue(TwzBitmap* value);

    void ProcessAnimation() override;

protected:
    ~TwzBitmapAnimation() override;

private:
    std::string m_propertyName;
    ui2d::AnimationTarget m_target;
    std::unique_ptr<TwzBitmap> m_startValue;
    std::unique_ptr<TwzBitmap> m_stopValue;
    std::unique_ptr<TwzBitmap> m_work;
};

/// A key frame: Key is the progress at which its value holds, clamped to [0, 1].
class TwzKey : public rtl::TCollectionItem {
    RTL_CLASS(TwzKey, rtl::TCollectionItem)
public:
    explicit TwzKey(rtl::TCollection* collection);

    [[nodiscard]] float GetKey() const { return m_key; }
    void SetKey(float value);

    void Assign(const rtl::TPersistent& source) override;

private:
    float m_key = 0;
};

class TwzColorKey : public TwzKey {
    RTL_CLASS(TwzColorKey, TwzKey)
public:
    explicit TwzColorKey(rtl::TCollection* collection);

    /// Colour text.
    [[nodiscard]] const std::string& GetValue() const { return m_value; }
    void SetValue(const std::string& value) { m_value = value; }

    void Assign(const rtl::TPersistent& source) override;

private:
    std::string m_value;
};

class TwzFloatKey : public TwzKey {
    RTL_CLASS(TwzFloatKey, TwzKey)
public:
    explicit TwzFloatKey(rtl::TCollection* collection);

    [[nodiscard]] float GetValue() const { return m_value; }
    void SetValue(float value) { m_value = value; }

    void Assign(const rtl::TPersistent& source) override;

private:
    float m_value = 0;
};

/// Key frames in collection order (never sorted).
class TwzKeys : public rtl::TCollection {
    RTL_CLASS(TwzKeys, rtl::TCollection)
public:
    explicit TwzKeys(const rtl::TClassInfo& itemClass, rtl::TPersistent* owner = nullptr);

    [[nodiscard]] TwzKey* GetKey(int index) const;
    /// The first neighbouring pair whose keys bracket `time`; false with fewer than two keys
    /// or when no pair does.
    bool FindKeys(float time, TwzKey*& first, TwzKey*& second) const;
};

/// A colour through key frames of colour text.
class TwzColorKeyAnimation : public TwzPropertyAnimation {
    RTL_CLASS(TwzColorKeyAnimation, TwzPropertyAnimation)
public:
    explicit TwzColorKeyAnimation(rtl::TComponent* owner);

    [[nodiscard]] TwzKeys* GetKeys() const { return m_keys.get(); }
    void SetKeys(TwzKeys* value);

    void ProcessAnimation() override;

protected:
    ~TwzColorKeyAnimation() override;
    void TakeStartFromCurrent() override;

private:
    std::unique_ptr<TwzKeys> m_keys;
};

/// A floating-point property through key frames.
class TwzFloatKeyAnimation : public TwzPropertyAnimation {
    RTL_CLASS(TwzFloatKeyAnimation, TwzPropertyAnimation)
public:
    explicit TwzFloatKeyAnimation(rtl::TComponent* owner);

    [[nodiscard]] TwzKeys* GetKeys() const { return m_keys.get(); }
    void SetKeys(TwzKeys* value);

    void ProcessAnimation() override;

protected:
    ~TwzFloatKeyAnimation() override;
    void TakeStartFromCurrent() override;

private:
    std::unique_ptr<TwzKeys> m_keys;
};

/// Moves its visual parent along a spline through the flattened Path, from where the parent
/// stood at Start; with Rotate it also turns the parent along the way.
class TwzPathAnimation : public TwzAnimation {
    RTL_CLASS(TwzPathAnimation, TwzAnimation)
public:
    explicit TwzPathAnimation(rtl::TComponent* owner);

    [[nodiscard]] TwzPathData* GetPath() const { return m_path.get(); }
    void SetPath(TwzPathData* value);
    [[nodiscard]] bool GetRotate() const { return m_rotate; }
    void SetRotate(bool value) { m_rotate = value; }

    /// The base start (the value for progress 0 along the previous spline), then a new
    /// spline when the scene has a canvas, and the parent's position as the start point.
    void Start() override;
    void ProcessAnimation() override;

protected:
    ~TwzPathAnimation() override;

private:
    std::unique_ptr<TwzPathData> m_path;
    TwzPolygon m_polygon;
    rtl::Watch<TwzObject> m_moved; // the visual parent
    TwzPoint m_startPoint;
    std::unique_ptr<TwzSpline> m_spline;
    bool m_rotate = false;
};

/// Keeps two path names and a property name for the controls that read them; it runs the
/// time line and writes nothing.
class TwzPathSwitcher : public TwzAnimation {
    RTL_CLASS(TwzPathSwitcher, TwzAnimation)
public:
    explicit TwzPathSwitcher(rtl::TComponent* owner);

    [[nodiscard]] const std::string& GetPathTrue() const { return m_pathTrue; }
    void SetPathTrue(const std::string& value) { m_pathTrue = value; }
    [[nodiscard]] const std::string& GetPathFalse() const { return m_pathFalse; }
    void SetPathFalse(const std::string& value) { m_pathFalse = value; }
    [[nodiscard]] const std::string& GetPropertyName() const { return m_propertyName; }
    void SetPropertyName(const std::string& value) { m_propertyName = value; }

protected:
    ~TwzPathSwitcher() override;

private:
    std::string m_pathTrue;
    std::string m_pathFalse;
    std::string m_propertyName;
};

namespace ui2d {

/// Registers the animation classes for streaming and under "Animations", in palette order;
/// part of the 2D library's start-up.
void RegisterAnimationObjects();

} // namespace ui2d
