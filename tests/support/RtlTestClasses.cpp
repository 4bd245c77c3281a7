#include "tests/support/RtlTestClasses.h"

#include "platform/rtl/Numbers.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Writer.h"

#include <algorithm>
#include <cmath>

using namespace rtl;

namespace rtltest {

namespace {

constexpr TPropInfo kPointProps[] = {
    RTL_PROP(TTestPoint, X, Float, 0.0, false),
    RTL_PROP(TTestPoint, Y, Float, 0.0, false),
};

constexpr TPropInfo kStopProps[] = {
    RTL_PROP(TTestStop, Offset, Float, 0.0),
    RTL_PROP(TTestStop, Color, Integer, 0).WithTypeName("TwzColor"),
    RTL_PROP(TTestStop, Target, Component, nullptr),
};

constexpr TPropInfo kFillProps[] = {
    RTL_PROP(TTestFill, Color, Integer, 0xFF000000u).WithTypeName("TwzColor"),
    RTL_PROP(TTestFill, Style, Enum, tsCircle),
    RTL_PROP(TTestFill, Center, Class, kNoDefault),
    RTL_PROP(TTestFill, Stops, Class, kNoDefault),
};

constexpr TPropInfo kNodeProps[] = {
    RTL_PROP(TTestNode, Width, Float, 0.0),
    RTL_PROP(TTestNode, Count, Integer, 0),
    RTL_PROP(TTestNode, Big, Int64, 0),
    RTL_PROP(TTestNode, Precise, Float, 0.0),
    RTL_PROP(TTestNode, Visible, Boolean, true),
    RTL_PROP(TTestNode, Shape, Enum, tsCircle),
    RTL_PROP(TTestNode, Corners, Set, (TTestCorners { tcTopLeft, tcTopRight })),
    RTL_PROP(TTestNode, Letter, Char, 'a'),
    RTL_PROP(TTestNode, WideLetter, WChar, u'a'),
    RTL_PROP(TTestNode, Caption, String, ""),
    RTL_PROP(TTestNode, Title, WideString, u""),
    RTL_PROP(TTestNode, Color, Integer, 0xFF000000u).WithTypeName("TwzColor"),
    RTL_PROP(TTestNode, Fill, Class, kNoDefault),
    RTL_PROP(TTestNode, Target, Component, nullptr),
    RTL_PROP(TTestNode, Parent, Component, nullptr, false),
    RTL_PROP_RO(TTestNode, IsHot, Boolean),
    RTL_PROP(TTestNode, Secret, String, "", &TTestNode::IsSecretStored),
};

constexpr TEventInfo kNodeEvents[] = {
    RTL_EVENT(TTestNode, OnClick),
    RTL_EVENT(TTestNode, OnMove),
};

constexpr TMethodInfo kFormHandlers[] = {
    RTL_HANDLER(TTestForm, ButtonClick, TNotifyEvent),
    RTL_HANDLER(TTestForm, OtherClick, TNotifyEvent),
    RTL_HANDLER(TTestForm, NodeMove, decltype(TTestNode::OnMove)),
};

} // namespace

RTL_IMPLEMENT_CLASS(TTestPoint, .props = kPointProps)
RTL_IMPLEMENT_CLASS(TTestStop, .props = kStopProps)
RTL_IMPLEMENT_CLASS(TTestStops)
RTL_IMPLEMENT_CLASS(TTestFill, .props = kFillProps)
RTL_IMPLEMENT_CLASS(TTestNode, .props = kNodeProps, .events = kNodeEvents)
RTL_IMPLEMENT_CLASS(TTestForm, .methods = kFormHandlers)
RTL_IMPLEMENT_CLASS(TTestAbstract)

std::vector<std::string> TTestNode::loadedLog;

// ---- TTestPoint -------------------------------------------------------------------------

TTestPoint::TTestPoint(float x, float y)
    : m_x(x)
    , m_y(y)
    , m_defaultX(x)
    , m_defaultY(y)
{ }

void TTestPoint::SetX(float v)
{
    if (v == m_x)
        return;
    m_x = v;
    OnChange(this);
}

void TTestPoint::SetY(float v)
{
    if (v == m_y)
        return;
    m_y = v;
    OnChange(this);
}

void TTestPoint::Assign(const TPersistent& source)
{
    if (auto* p = dynamic_cast<const TTestPoint*>(&source)) {
        m_x = p->m_x;
        m_y = p->m_y;
        OnChange(this);
        return;
    }
    Inherited::Assign(source);
}

void TTestPoint::DefineProperties(TFiler& filer)
{
    Inherited::DefineProperties(filer);
    filer.DefineProperty(
        "Point",
        [this](TReader& r) {
            const std::string text = r.ReadString();
            const size_t comma = text.find(',');
            const auto number = [](std::string_view t) {
                const float f = static_cast<float>(TryStrToFloat(t).value_or(0));
                return std::isfinite(f) ? f : 0.0f;
            };
            m_x = number(std::string_view(text).substr(0, comma));
            m_y = comma == std::string::npos ? 0.0f : number(std::string_view(text).substr(comma + 1));
        },
        [this](TWriter& w) { w.WriteString(FormatShortest(m_x) + "," + FormatShortest(m_y)); },
        m_x != m_defaultX || m_y != m_defaultY);
}

// ---- collection ---------------------------------------------------------------------------

void TTestStop::Assign(const TPersistent& source)
{
    if (auto* s = dynamic_cast<const TTestStop*>(&source)) {
        m_offset = s->m_offset;
        m_color = s->m_color;
        m_target = s->m_target;
        return;
    }
    Inherited::Assign(source);
}

TTestStops::TTestStops()
    : TCollection(TTestStop::StaticClass())
{ }

// ---- TTestFill ----------------------------------------------------------------------------

TTestFill::TTestFill()
    : m_center(std::make_unique<TTestPoint>(0.5f, 0.5f))
    , m_stops(std::make_unique<TTestStops>())
{ }

void TTestFill::Assign(const TPersistent& source)
{
    if (auto* f = dynamic_cast<const TTestFill*>(&source)) {
        m_color = f->m_color;
        m_style = f->m_style;
        m_center->Assign(*f->m_center);
        m_stops->Assign(*f->m_stops);
        return;
    }
    Inherited::Assign(source);
}

// ---- TTestNode ----------------------------------------------------------------------------

TTestNode::TTestNode(TComponent* owner)
    : TComponent(owner)
    , m_fill(std::make_unique<TTestFill>())
{ }

void TTestNode::SetTarget(TTestNode* v)
{
    if (v == m_target)
        return;
    if (m_target)
        m_target->RemoveFreeNotification(this);
    m_target = v;
    if (m_target)
        m_target->FreeNotification(this);
}

void TTestNode::SetParent(TTestNode* v)
{
    if (v == m_parent)
        return;
    if (m_parent)
        std::erase(m_parent->m_children, this);
    m_parent = v;
    if (m_parent)
        m_parent->m_children.push_back(this);
}

void TTestNode::Notification(TComponent* component, TOperation operation)
{
    Inherited::Notification(component, operation);
    if (operation == opRemove && component == m_target)
        m_target = nullptr;
}

void TTestNode::Loaded()
{
    Inherited::Loaded();
    loadedLog.push_back(GetName());
}

void TTestNode::DefineProperties(TFiler& filer)
{
    Inherited::DefineProperties(filer);
    filer.DefineBinaryProperty(
        "Data",
        [this](TStream& s) {
            data.resize(static_cast<size_t>(s.GetSize()));
            s.ReadBuffer(data.data(), data.size());
        },
        [this](TStream& s) { s.WriteBuffer(data.data(), data.size()); }, !data.empty());
}

void TTestNode::GetChildren(const TGetChildProc& proc, TComponent* root)
{
    Inherited::GetChildren(proc, root);
    for (TTestNode* child : m_children) {
        if (child->stored)
            proc(child);
    }
}

void TTestNode::SetParentComponent(TComponent* parent)
{
    SetParent(dynamic_cast<TTestNode*>(parent));
}

void TTestNode::BeforeDestruction()
{
    while (!m_children.empty()) {
        TTestNode* child = m_children.back();
        child->SetParent(nullptr);
        child->Free();
    }
    SetParent(nullptr);
    Inherited::BeforeDestruction();
}

// ---- TTestForm ----------------------------------------------------------------------------

TTestForm::TTestForm(TComponent* owner)
    : TTestNode(owner)
{ }

void TTestForm::ButtonClick(TObject* sender)
{
    clicks.push_back("Button:" + static_cast<TComponent*>(sender)->GetName());
}

void TTestForm::OtherClick(TObject* sender)
{
    clicks.push_back("Button:" + static_cast<TComponent*>(sender)->GetName());
}

void TTestForm::NodeMove(TObject*, float x, float y)
{
    clicks.push_back("Move:" + FormatShortest(x) + "," + FormatShortest(y));
}

void TTestForm::HiddenClick(TObject*)
{
    clicks.push_back("Hidden");
}

void RegisterTestClasses()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    RegisterClass<TTestNode>("Test");
    RegisterClass<TTestForm>("Test");
    RegisterClass<TTestAbstract>();
    RegisterClass<TTestFill>();
    RegisterClass<TTestPoint>();
    RegisterClass<TTestStop>();
}

TTestNode* MakeNode(TComponent* owner, TTestNode* parent, const std::string& name)
{
    auto* node = new TTestNode(owner);
    node->SetName(name);
    node->SetParent(parent);
    return node;
}

} // namespace rtltest
