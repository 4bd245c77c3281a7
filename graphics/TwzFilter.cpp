#include "graphics/TwzFilter.h"

#include "platform/rtl/ClassInfo.h"

RTL_IMPLEMENT_CLASS(TwzFilter)

const TwzFilterClass* DefaultFilterClass = nullptr;

TwzPoint TwzFilter::GetImageSize(const std::string&)
{
    return {};
}

bool TwzFilter::LoadThumbnailFromStream(rtl::TStream&, float, float, TwzBitmap&)
{
    return false;
}

TwzPoint TwzFilter::GetStreamImageSize(rtl::TStream&)
{
    return {};
}
