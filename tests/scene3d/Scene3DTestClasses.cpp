#include "Scene3DTestClasses.h"

#include "graphics/ObjectText.h"
#include "scene3d/Library3D.h"
#include "scene3d/ThvBitmap.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Numbers.h"

#include <utility>

namespace scene3dtest {

namespace {

constexpr rtl::TPropInfo kHolderProps[] = {
    RTL_PROP(THolder3D, Position, Class, rtl::kNoDefault),
    RTL_PROP(THolder3D, Margins, Class, rtl::kNoDefault),
    RTL_PROP(THolder3D, Mesh, Class, rtl::kNoDefault),
    RTL_PROP(THolder3D, Material, Class, rtl::kNoDefault),
    RTL_PROP(THolder3D, Font, Class, rtl::kNoDefault),
    RTL_PROP(THolder3D, Value, Float, 0.0),
};

constexpr rtl::TMethodInfo kHolderHandlers[] = {
    RTL_HANDLER(THolder3D, Ticked, ThvProcessTickEvent),
};

constexpr rtl::TPropInfo kAnimationProps[] = {
    RTL_PROP(TTestAnimation, PropertyName, String, ""),
    RTL_PROP(TTestAnimation, Trigger, String, ""),
};

} // namespace

RTL_IMPLEMENT_CLASS(THolder3D, .props = kHolderProps, .methods = kHolderHandlers)
RTL_IMPLEMENT_CLASS(TTestAnimation, .props = kAnimationProps)
RTL_IMPLEMENT_CLASS(TTestDecoration)
RTL_IMPLEMENT_CLASS(THookedObject)
RTL_IMPLEMENT_CLASS(TFakeFilter)

std::vector<std::string> THolder3D::tickLog;
std::vector<std::string> TTestAnimation::log;
std::string TFakeFilter::lastFormat;
std::string TFakeFilter::lastParams;
int TFakeFilter::instances = 0;

THolder3D::THolder3D(rtl::TComponent* owner)
    : ThvObject(owner)
    , m_position(std::make_unique<ThvPosition>(ThvPoint { 1, 1, 1 }))
    , m_margins(std::make_unique<ThvBounds>())
    , m_mesh(std::make_unique<ThvMeshData>())
    , m_material(std::make_unique<ThvMaterial>())
    , m_font(std::make_unique<ThvFont>())
{ }

void THolder3D::Ticked(rtl::TObject* sender, double time, double)
{
    auto* object = dynamic_cast<ThvObject*>(sender);
    tickLog.push_back((object ? object->GetName() : std::string("?")) + "@" + rtl::FormatShortest(time));
}

TTestAnimation::TTestAnimation(rtl::TComponent* owner)
    : ThvObject(owner)
{ }

void TTestAnimation::Start()
{
    log.push_back("start " + GetName());
    m_running = true;
    for (ThvObject* object : std::exchange(freeOnStart, {}))
        object->Free();
}

void TTestAnimation::Stop()
{
    log.push_back("stop " + GetName());
    m_running = false;
}

void TTestAnimation::StartTrigger(ThvObject*, const std::string& trigger)
{
    log.push_back("trigger " + GetName() + " " + trigger);
}

bool TFakeFilter::LoadFromStream(rtl::TStream& stream, ThvBitmap& bitmap)
{
    char magic[4];
    if (stream.Read(magic, 4) != 4 || std::string_view(magic, 4) != "FAKE")
        return false;
    const auto readText = [&stream]() {
        const uint8_t length = stream.ReadLE<uint8_t>();
        std::string text(length, '\0');
        stream.ReadBuffer(text.data(), length);
        return text;
    };
    lastFormat = readText();
    lastParams = readText();
    const int32_t width = stream.ReadLE<int32_t>();
    const int32_t height = stream.ReadLE<int32_t>();
    if (width < 0 || height < 0 || int64_t { width } * height * 4 > stream.BytesLeft())
        return false;
    bitmap.SetSize(width, height);
    uint32_t* bits = nullptr;
    if (bitmap.Map(bits, true)) {
        stream.ReadBuffer(bits, static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
        bitmap.Unmap();
    }
    return true;
}

void TFakeFilter::SaveToStream(
    rtl::TStream& stream, ThvBitmap& bitmap, const std::string& format, const std::string& params)
{
    lastFormat = format;
    lastParams = params;
    stream.WriteBuffer("FAKE", 4);
    for (const std::string& text : { format, params }) {
        stream.WriteLE<uint8_t>(static_cast<uint8_t>(text.size()));
        stream.WriteBuffer(text.data(), text.size());
    }
    stream.WriteLE<int32_t>(bitmap.GetWidth());
    stream.WriteLE<int32_t>(bitmap.GetHeight());
    if (!bitmap.Bits().empty())
        stream.WriteBuffer(bitmap.Bits().data(), bitmap.Bits().size() * 4);
}

UseFakeFilter::UseFakeFilter()
    : m_previous(hvDefaultFilterClass)
{
    hvDefaultFilterClass = &kFilterClassOf<TFakeFilter>;
}

UseFakeFilter::~UseFakeFilter()
{
    hvDefaultFilterClass = m_previous;
}

void RegisterTestClasses3D()
{
    Initialize3DLibrary();
    static const bool registered = [] {
        rtl::RegisterClass<THolder3D>();
        rtl::RegisterClass<TTestAnimation>();
        rtl::RegisterClass<TTestDecoration>();
        rtl::RegisterClass<THookedObject>();
        return true;
    }();
    static_cast<void>(registered);
}

std::string ObjectText(ThvObject& object)
{
    rtl::TMemoryStream text;
    object.SaveToStream(text);
    return std::string(reinterpret_cast<const char*>(text.Memory()), static_cast<size_t>(text.GetSize()));
}

std::unique_ptr<rtl::TMemoryStream> TextToBinary(const std::string& text)
{
    rtl::TConstMemoryStream input(text.data(), text.size());
    auto binary = std::make_unique<rtl::TMemoryStream>();
    ObjectTextToStream(input, *binary);
    binary->SetPosition(0);
    return binary;
}

} // namespace scene3dtest
