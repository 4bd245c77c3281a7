#pragma once

// What the animation tests share: an object with one published property of each kind an
// animation may write, a recorder of finishes, and a fixture that drives the animation clock
// by hand.

#include "VisualTestSupport.h"

#include "scene3d/ThvAnimation.h"
#include "scene3d/ThvColorAnimation.h"
#include "scene3d/ThvFloatAnimation.h"
#include "scene3d/ThvMaterial.h"
#include "scene3d/ThvVisualObject.h"

#include "platform/rtl/ClassInfo.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace scene3dtest {

/// A visual object with a float, a text, an integer colour, two Booleans, a link and a
/// material, all published.
class TAnimated : public ThvVisualObject {
    RTL_CLASS(TAnimated, ThvVisualObject)
public:
    explicit TAnimated(rtl::TComponent* owner)
        : ThvVisualObject(owner)
        , m_material(std::make_unique<ThvMaterial>())
    { }

    [[nodiscard]] float GetValue() const { return m_value; }
    void SetValue(float value) { m_value = value; }
    [[nodiscard]] const std::string& GetCaption() const { return m_caption; }
    void SetCaption(const std::string& value) { m_caption = value; }
    [[nodiscard]] uint32_t GetColor() const { return m_color; }
    void SetColor(uint32_t value) { m_color = value; }
    [[nodiscard]] int32_t GetSignedColor() const { return m_signedColor; }
    void SetSignedColor(int32_t value) { m_signedColor = value; }
    [[nodiscard]] bool GetFlag() const { return m_flag; }
    void SetFlag(bool value) { m_flag = value; }
    [[nodiscard]] bool GetOther() const { return m_other; }
    void SetOther(bool value) { m_other = value; }
    [[nodiscard]] ThvVisualObject* GetLink() const { return m_link; }
    void SetLink(ThvVisualObject* value)
    {
        if (m_link)
            m_link->RemoveFreeNotification(this);
        m_link = value;
        if (m_link)
            m_link->FreeNotification(this);
    }
    [[nodiscard]] ThvMaterial* GetMaterial() const { return m_material.get(); }
    void SetMaterial(ThvMaterial* value) { m_material->Assign(*value); }

    void Notification(rtl::TComponent* component, rtl::TOperation operation) override
    {
        Inherited::Notification(component, operation);
        if (operation == rtl::opRemove && component == m_link)
            m_link = nullptr;
    }

protected:
    ~TAnimated() override = default;

private:
    std::unique_ptr<ThvMaterial> m_material;
    std::string m_caption;
    ThvVisualObject* m_link = nullptr;
    float m_value = 0;
    uint32_t m_color = 0;
    int32_t m_signedColor = 0;
    bool m_flag = false;
    bool m_other = false;
};

/// Registers TAnimated for streaming, and the 3D library with it (idempotent).
void RegisterAnimationTestClasses();

/// Counts finishes and can free an object from inside a finish.
class TFinishRecorder : public rtl::TObject {
public:
    std::vector<std::string> finished;
    rtl::TComponent* freeOnFinish = nullptr;
    std::function<void()> onFinish;

    void Finished(rtl::TObject* sender)
    {
        const auto* component = dynamic_cast<rtl::TComponent*>(sender);
        finished.push_back(component ? component->GetName() : std::string());
        if (rtl::TComponent* victim = freeOnFinish) {
            freeOnFinish = nullptr;
            victim->Free();
        }
        if (onFinish)
            onFinish();
    }
    rtl::TNotifyEvent Handler()
    {
        rtl::TNotifyEvent e;
        e.Bind<&TFinishRecorder::Finished>(this);
        return e;
    }
};

/// A scene with an animated object; the clock is ticked by hand (no application runs, so its
/// timer never starts) and freed around each test.
class AnimationFixture : public VisualFixture {
protected:
    void SetUp() override
    {
        VisualFixture::SetUp();
        RegisterAnimationTestClasses();
        hvFreeAniThread();
        object = Make<TAnimated>("Target");
    }
    void TearDown() override
    {
        hvFreeAniThread();
        VisualFixture::TearDown();
    }

    /// A float animation of `property` on `parent` (the object by default), 0 -> 10 in 1 s.
    ThvFloatAnimation* FloatAnimation(const std::string& property = "Value", ThvObject* parent = nullptr)
    {
        auto* animation = new ThvFloatAnimation(form.get());
        animation->SetParent(parent ? parent : object);
        animation->SetPropertyName(property);
        animation->SetStartValue(0);
        animation->SetStopValue(10);
        animation->SetDuration(1);
        animation->OnFinish = recorder.Handler();
        return animation;
    }

    /// Moves the clock on by `seconds` and ticks it.
    void Advance(double seconds)
    {
        now += seconds;
        if (ThvAniThread* clock = hvAniThread())
            clock->Tick(now);
    }

    TAnimated* object = nullptr;
    TFinishRecorder recorder;
    double now = 0;
};

} // namespace scene3dtest
