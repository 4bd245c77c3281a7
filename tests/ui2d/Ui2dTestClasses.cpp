#include "Ui2dTestClasses.h"

#include "platform/rtl/Exceptions.h"
#include "ui2d/Library2D.h"

namespace ui2dtest {

namespace {

std::string NameOf(const rtl::TComponent* c)
{
    return c && !c->GetName().empty() ? c->GetName() : std::string("?");
}

constexpr rtl::TPropInfo kTestObjectProps[] = {
    RTL_PROP(TTestObject, Caption, String, ""),
    RTL_PROP(TTestObject, Value, Integer, 0),
    RTL_PROP(TTestObject, Fragile, String, ""),
};

constexpr rtl::TEventInfo kTestObjectEvents[] = { RTL_EVENT(TTestObject, OnPoke) };

} // namespace

std::vector<std::string>& EventLog()
{
    static std::vector<std::string> log;
    return log;
}

void RegisterTestClasses()
{
    static const bool registered = [] {
        Initialize2DLibrary();
        rtl::RegisterClass<TTestObject>();
        rtl::RegisterClass<TFakeAnimation>();
        rtl::RegisterClass<TFakeEffect>();
        rtl::RegisterClass<TFakeStylePart>();
        rtl::RegisterClass<TFakeContent>();
        return true;
    }();
    (void)registered;
}

void Ui2dTest::SetUp()
{
    RegisterTestClasses();
    EventLog().clear();
    m_liveAtStart = ui2d::ObjectInstanceCount();
}

Ui2dTest::~Ui2dTest()
{
    EXPECT_EQ(ui2d::ObjectInstanceCount(), m_liveAtStart) << "live 2D objects left behind";
}

// ---- TTestObject -------------------------------------------------------------------------

RTL_IMPLEMENT_CLASS(TTestObject, .props = kTestObjectProps, .events = kTestObjectEvents)

TTestObject::TTestObject(rtl::TComponent* owner)
    : TwzObject(owner)
{ }

void TTestObject::SetFragile(const std::string& value)
{
    if (value == "boom")
        throw rtl::Exception("Fragile refuses boom");
    m_fragile = value;
}

void TTestObject::SetData(const rtl::TValue& value)
{
    if (const auto* text = std::get_if<std::string>(&value)) {
        if (*text == "refuse")
            throw rtl::ConvertError("refused");
        m_caption = *text;
    }
}

void TTestObject::ParentChanged()
{
    ++parentChanges;
    EventLog().push_back("parent:" + NameOf(this));
}

void TTestObject::ObjectAdded(TwzObject*)
{
    ++addedHooks;
}

void TTestObject::AttachedToParent()
{
    ++attachedHooks;
}

void TTestObject::ObjectRemoving(TwzObject*)
{
    ++removingHooks;
}

void TTestObject::BroughtToFront()
{
    ++frontHooks;
}

void TTestObject::ChildSentToBack(TwzObject*)
{
    ++backHooks;
}

void TTestObject::Notification(rtl::TComponent* component, rtl::TOperation operation)
{
    Inherited::Notification(component, operation);
    if (operation == rtl::opRemove)
        removals.push_back(component);
}

void TTestObject::BeforeDestruction()
{
    // Records whether the object had left its parent's list before it was freed.
    std::string entry = "free:" + NameOf(this);
    if (GetParent())
        entry += "(in parent)";
    EventLog().push_back(entry);
    Inherited::BeforeDestruction();
}

// ---- stand-ins ---------------------------------------------------------------------------

RTL_IMPLEMENT_CLASS(TFakeAnimation)

TFakeAnimation::TFakeAnimation(rtl::TComponent* owner)
    : TwzObject(owner)
{ }

void TFakeAnimation::Start()
{
    ++starts;
    m_running = ticksToRun > 0;
}

void TFakeAnimation::Stop()
{
    ++stops;
    m_running = false;
}

void TFakeAnimation::StartTrigger(TwzObject* instance, const std::string& trigger)
{
    lastInstance = instance;
    triggers.push_back(trigger);
    m_running = ticksToRun > 0;
    OnTriggered(this);
}

void TFakeAnimation::Tick()
{
    if (m_running && --ticksToRun <= 0)
        m_running = false;
}

RTL_IMPLEMENT_CLASS(TFakeEffect)

TFakeEffect::TFakeEffect(rtl::TComponent* owner)
    : TwzObject(owner)
{ }

void TFakeEffect::ApplyTrigger(TwzObject*, const std::string& trigger)
{
    triggers.push_back(trigger);
}

RTL_IMPLEMENT_CLASS(TFakeStylePart)

TFakeStylePart::TFakeStylePart(rtl::TComponent* owner)
    : TwzObject(owner)
{ }

RTL_IMPLEMENT_CLASS(TFakeContent)

TFakeContent::TFakeContent(rtl::TComponent* owner)
    : TwzObject(owner)
{ }

// ---- TFakeLink ---------------------------------------------------------------------------

RTL_IMPLEMENT_CLASS(TFakeLink)

TFakeLink::~TFakeLink()
{
    objectlinks::RemoveFreeNotify(m_resource, this);
}

void TFakeLink::SetResource(rtl::TComponent* value)
{
    if (value == m_resource)
        return;
    objectlinks::RemoveFreeNotify(m_resource, this);
    m_resource = value;
    if (auto* object = dynamic_cast<TwzObject*>(value)) {
        m_resourceName = object->GetResourceName();
        objectlinks::AddFreeNotify(value, this);
    } else {
        m_resourceName.clear();
    }
    ++changes;
}

rtl::TComponent* TFakeLink::Resolve()
{
    if (!m_resource && !m_resourceName.empty()) {
        if (rtl::TComponent* found = objectlinks::FindResourceObject(m_resourceName))
            SetResource(found);
    }
    return m_resource;
}

void TFakeLink::FreeNotify(rtl::TComponent* object)
{
    if (object == m_resource)
        m_resource = nullptr; // no change event; the name stays for a later lookup
}

} // namespace ui2dtest
