#include "graphics/TwzPathData.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/Properties.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/Streams.h"

#include <bit>
#include <cstring>

namespace {

constexpr TwzPoint Add(const TwzPoint& a, const TwzPoint& b)
{
    return { a.X + b.X, a.Y + b.Y };
}

constexpr rtl::TPropInfo kPathDataProps[] = {
    RTL_PROP(TwzPathData, Data, String, "", false),
    RTL_PROP(TwzPathData, Resource, Component, rtl::kNoDefault, false).WithTypeName("TwzPathObject"),
    RTL_PROP(TwzPathData, ResourceName, String, ""),
};

} // namespace

RTL_IMPLEMENT_CLASS(TwzPathData, .props = kPathDataProps)

void TwzPathData::SetResource(rtl::TComponent* value)
{
    if (!m_resource.Link(value))
        return;
    if (!value)
        m_resource.SetName({});
    OnChanged(this);
}

void TwzPathData::SetResourceName(const std::string& value)
{
    if (value == m_resource.Name())
        return;
    m_resource.SetName(value);
    OnChanged(this);
}

void TwzPathData::FreeNotify(rtl::TComponent* object)
{
    m_resource.Forget(object);
}

TwzPathData* TwzPathData::GetResourcePath()
{
    if (rtl::TComponent* found = m_resource.Lookup())
        SetResource(found);
    return m_resource.Value();
}

void TwzPathData::Assign(const rtl::TPersistent& source)
{
    const auto* other = dynamic_cast<const TwzPathData*>(&source);
    if (!other)
        return Inherited::Assign(source);
    // Resolving the source's name links the source, as any user of it would.
    if (const_cast<TwzPathData*>(other)->GetResourcePath()) {
        SetResource(other->m_resource.Object());
        m_resource.SetName(other->m_resource.Name());
        OnChanged(this);
        return;
    }
    m_points = other->m_points;
    OnChanged(this);
}

void TwzPathData::AddPoint(TwzPathPointKind kind, const TwzPoint& point)
{
    m_points.push_back({ kind, point });
}

TwzPoint TwzPathData::LastPoint() const
{
    return m_points.empty() ? TwzPoint {} : m_points.back().Point;
}

void TwzPathData::Clear()
{
    m_points.clear();
    OnChanged(this);
}

void TwzPathData::MoveTo(const TwzPoint& p)
{
    AddPoint(wzPathPointMoveTo, p);
}

void TwzPathData::MoveToRel(const TwzPoint& delta)
{
    AddPoint(wzPathPointMoveTo, Add(LastPoint(), delta));
}

void TwzPathData::LineTo(const TwzPoint& p)
{
    AddPoint(wzPathPointLineTo, p);
}

void TwzPathData::LineToRel(const TwzPoint& delta)
{
    AddPoint(wzPathPointLineTo, Add(LastPoint(), delta));
}

void TwzPathData::HLineTo(float x)
{
    AddPoint(wzPathPointLineTo, { x, LastPoint().Y });
}

void TwzPathData::HLineToRel(float deltaX)
{
    const TwzPoint last = LastPoint();
    AddPoint(wzPathPointLineTo, { last.X + deltaX, last.Y });
}

void TwzPathData::VLineTo(float y)
{
    AddPoint(wzPathPointLineTo, { LastPoint().X, y });
}

void TwzPathData::VLineToRel(float deltaY)
{
    const TwzPoint last = LastPoint();
    AddPoint(wzPathPointLineTo, { last.X, last.Y + deltaY });
}

void TwzPathData::CurveTo(const TwzPoint& control1, const TwzPoint& control2, const TwzPoint& end)
{
    m_points.push_back({ wzPathPointCurveTo, control1 });
    m_points.push_back({ wzPathPointCurveTo, control2 });
    m_points.push_back({ wzPathPointCurveTo, end });
}

void TwzPathData::CurveToRel(const TwzPoint& control1, const TwzPoint& control2, const TwzPoint& end)
{
    const TwzPoint last = LastPoint();
    CurveTo(Add(last, control1), Add(last, control2), Add(last, end));
}

void TwzPathData::SmoothCurveTo(const TwzPoint& control2, const TwzPoint& end)
{
    TwzPoint first = control2;
    if (m_points.size() > 2) {
        const TwzPoint last = LastPoint();
        const TwzPoint before = m_points[m_points.size() - 2].Point;
        first = { last.X + (last.X - before.X), last.Y + (last.Y - before.Y) };
    }
    CurveTo(first, control2, end);
}

void TwzPathData::SmoothCurveToRel(const TwzPoint& control2, const TwzPoint& end)
{
    const TwzPoint last = LastPoint();
    TwzPoint first = Add(last, control2);
    if (m_points.size() > 2) {
        const TwzPoint before = m_points[m_points.size() - 2].Point;
        first = { last.X + (last.X - before.X), last.Y + (last.Y - before.Y) };
    }
    CurveTo(first, Add(last, control2), Add(last, end));
}

void TwzPathData::ClosePath()
{
    AddPoint(wzPathPointClose, {});
}

// ---- binary form ------------------------------------------------------------------------

void TwzPathData::DefineProperties(rtl::TFiler& filer)
{
    Inherited::DefineProperties(filer);
    filer.DefineBinaryProperty(
        "Path", [this](rtl::TStream& stream) { ReadPath(stream); },
        [this](rtl::TStream& stream) { WritePath(stream); }, !m_points.empty());
}

void TwzPathData::WritePath(rtl::TStream& stream) const
{
    static_assert(
        std::endian::native == std::endian::little, "path records are written as they lie in memory");
    stream.WriteLE<int32_t>(static_cast<int32_t>(m_points.size()));
    if (!m_points.empty())
        stream.WriteBuffer(m_points.data(), m_points.size() * sizeof(TwzPathPoint));
}

void TwzPathData::ReadPath(rtl::TStream& stream)
{
    static_assert(std::endian::native == std::endian::little, "path records are read as they lie in memory");
    const int64_t size = stream.BytesLeft();
    const int32_t count = stream.ReadLE<int32_t>();
    m_points.clear();
    if (count == 0)
        return;
    // The count comes from stored data: check it against the bytes that follow before
    // allocating, so a damaged count fails like a stream that ends early.
    const int64_t data = size - 4;
    if (count < 0)
        throw rtl::ReadError("Stream read error");
    const bool older = data / count == 9; // 1-byte kind records of older files
    const int64_t recordSize = older ? 9 : 12;
    if (data < recordSize * count)
        throw rtl::ReadError("Stream read error");
    m_points.resize(static_cast<size_t>(count));
    rtl::ScopeFailure clear([this] { m_points.clear(); });
    if (!older) {
        stream.ReadBuffer(m_points.data(), m_points.size() * sizeof(TwzPathPoint));
        return;
    }
    for (TwzPathPoint& point : m_points) {
        point.Kind = static_cast<TwzPathPointKind>(stream.ReadLE<uint8_t>());
        point.Point.X = stream.ReadLE<float>();
        point.Point.Y = stream.ReadLE<float>();
    }
}
