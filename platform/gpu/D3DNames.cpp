#include "platform/gpu/D3DNames.h"

#include <charconv>
#include <iterator>
#include <utility>

namespace platform::gpu {

namespace {

template <typename T> struct Name {
    T Value;
    const char* Text;
};

template <typename T, size_t N> std::string Lookup(const Name<T> (&table)[N], T value)
{
    for (const Name<T>& n : table)
        if (n.Value == value)
            return n.Text;
    return std::to_string(uint32_t(value));
}

#define GF_NAME(v)                                                                                           \
    {                                                                                                        \
        v, #v                                                                                                \
    }

constexpr Name<D3DRENDERSTATETYPE> kRenderStates[] = {
    GF_NAME(D3DRS_ZENABLE),
    GF_NAME(D3DRS_FILLMODE),
    GF_NAME(D3DRS_SHADEMODE),
    GF_NAME(D3DRS_ZWRITEENABLE),
    GF_NAME(D3DRS_ALPHATESTENABLE),
    GF_NAME(D3DRS_SRCBLEND),
    GF_NAME(D3DRS_DESTBLEND),
    GF_NAME(D3DRS_CULLMODE),
    GF_NAME(D3DRS_ZFUNC),
    GF_NAME(D3DRS_ALPHAREF),
    GF_NAME(D3DRS_ALPHAFUNC),
    GF_NAME(D3DRS_ALPHABLENDENABLE),
    GF_NAME(D3DRS_FOGENABLE),
    GF_NAME(D3DRS_SPECULARENABLE),
    GF_NAME(D3DRS_STENCILENABLE),
    GF_NAME(D3DRS_STENCILFAIL),
    GF_NAME(D3DRS_STENCILZFAIL),
    GF_NAME(D3DRS_STENCILPASS),
    GF_NAME(D3DRS_STENCILFUNC),
    GF_NAME(D3DRS_STENCILREF),
    GF_NAME(D3DRS_STENCILMASK),
    GF_NAME(D3DRS_STENCILWRITEMASK),
    GF_NAME(D3DRS_CLIPPING),
    GF_NAME(D3DRS_LIGHTING),
    GF_NAME(D3DRS_AMBIENT),
    GF_NAME(D3DRS_COLORVERTEX),
    GF_NAME(D3DRS_LOCALVIEWER),
    GF_NAME(D3DRS_NORMALIZENORMALS),
    GF_NAME(D3DRS_DIFFUSEMATERIALSOURCE),
    GF_NAME(D3DRS_SPECULARMATERIALSOURCE),
    GF_NAME(D3DRS_AMBIENTMATERIALSOURCE),
    GF_NAME(D3DRS_EMISSIVEMATERIALSOURCE),
    GF_NAME(D3DRS_CLIPPLANEENABLE),
    GF_NAME(D3DRS_COLORWRITEENABLE),
    GF_NAME(D3DRS_SEPARATEALPHABLENDENABLE),
    GF_NAME(D3DRS_SRCBLENDALPHA),
    GF_NAME(D3DRS_DESTBLENDALPHA),
};

constexpr Name<D3DTEXTURESTAGESTATETYPE> kStageStates[] = {
    GF_NAME(D3DTSS_COLOROP),
    GF_NAME(D3DTSS_COLORARG1),
    GF_NAME(D3DTSS_COLORARG2),
    GF_NAME(D3DTSS_ALPHAOP),
    GF_NAME(D3DTSS_ALPHAARG1),
    GF_NAME(D3DTSS_ALPHAARG2),
    GF_NAME(D3DTSS_TEXCOORDINDEX),
    GF_NAME(D3DTSS_TEXTURETRANSFORMFLAGS),
};

constexpr Name<D3DSAMPLERSTATETYPE> kSamplerStates[] = {
    GF_NAME(D3DSAMP_ADDRESSU),
    GF_NAME(D3DSAMP_ADDRESSV),
    GF_NAME(D3DSAMP_ADDRESSW),
    GF_NAME(D3DSAMP_MAGFILTER),
    GF_NAME(D3DSAMP_MINFILTER),
    GF_NAME(D3DSAMP_MIPFILTER),
};

constexpr Name<D3DTRANSFORMSTATETYPE> kTransforms[] = {
    GF_NAME(D3DTS_VIEW),
    GF_NAME(D3DTS_PROJECTION),
    GF_NAME(D3DTS_TEXTURE0),
    GF_NAME(D3DTS_WORLD),
};

constexpr Name<D3DFORMAT> kFormats[] = {
    GF_NAME(D3DFMT_UNKNOWN),
    GF_NAME(D3DFMT_A8R8G8B8),
    GF_NAME(D3DFMT_X8R8G8B8),
    GF_NAME(D3DFMT_D24S8),
    GF_NAME(D3DFMT_INDEX16),
    GF_NAME(D3DFMT_INDEX32),
};

constexpr Name<D3DPOOL> kPools[] = {
    GF_NAME(D3DPOOL_DEFAULT),
    GF_NAME(D3DPOOL_MANAGED),
    GF_NAME(D3DPOOL_SYSTEMMEM),
    GF_NAME(D3DPOOL_SCRATCH),
};

constexpr Name<D3DPRIMITIVETYPE> kPrimitives[] = {
    GF_NAME(D3DPT_POINTLIST),
    GF_NAME(D3DPT_LINELIST),
    GF_NAME(D3DPT_LINESTRIP),
    GF_NAME(D3DPT_TRIANGLELIST),
    GF_NAME(D3DPT_TRIANGLESTRIP),
    GF_NAME(D3DPT_TRIANGLEFAN),
};

constexpr Name<HRESULT> kResults[] = {
    GF_NAME(D3D_OK),
    GF_NAME(E_FAIL),
    GF_NAME(E_OUTOFMEMORY),
    GF_NAME(D3DERR_OUTOFVIDEOMEMORY),
    GF_NAME(D3DERR_DEVICELOST),
    GF_NAME(D3DERR_DEVICENOTRESET),
    GF_NAME(D3DERR_NOTAVAILABLE),
    GF_NAME(D3DERR_INVALIDCALL),
};

#undef GF_NAME

} // namespace

std::string ResultName(HRESULT result)
{
    for (const Name<HRESULT>& n : kResults)
        if (n.Value == result)
            return n.Text;
    return Hex(uint32_t(result));
}

std::string RenderStateName(D3DRENDERSTATETYPE state)
{
    return Lookup(kRenderStates, state);
}
std::string TextureStageStateName(D3DTEXTURESTAGESTATETYPE type)
{
    return Lookup(kStageStates, type);
}
std::string SamplerStateName(D3DSAMPLERSTATETYPE type)
{
    return Lookup(kSamplerStates, type);
}

std::string TransformName(D3DTRANSFORMSTATETYPE type)
{
    if (type > D3DTS_TEXTURE0 && type <= D3DTS_TEXTURE7)
        return std::string("D3DTS_TEXTURE").append(std::to_string(type - D3DTS_TEXTURE0));
    return Lookup(kTransforms, type);
}

std::string FormatName(D3DFORMAT format)
{
    return Lookup(kFormats, format);
}
std::string PoolName(D3DPOOL pool)
{
    return Lookup(kPools, pool);
}
std::string PrimitiveName(D3DPRIMITIVETYPE type)
{
    return Lookup(kPrimitives, type);
}

std::string Hex(uint64_t value)
{
    char buffer[24];
    auto [end, ec] = std::to_chars(std::begin(buffer), std::end(buffer), value, 16);
    std::string digits(buffer, end);
    for (char& c : digits)
        if (c >= 'a' && c <= 'f')
            c = char(c - 'a' + 'A');
    return digits.insert(0, "0x");
}

std::string FloatText(float value)
{
    char buffer[32];
    auto [end, ec] = std::to_chars(std::begin(buffer), std::end(buffer), value);
    return std::string(buffer, end);
}

std::string MatrixText(const D3DMATRIX& matrix)
{
    std::string text = "[";
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            text += FloatText(matrix.m[r][c]);
            if (c < 3)
                text += ' ';
        }
        text += r < 3 ? "; " : "]";
    }
    return text;
}

} // namespace platform::gpu
