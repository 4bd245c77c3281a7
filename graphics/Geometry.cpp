#include "graphics/Geometry.h"

#include "graphics/Angles.h"
#include "graphics/NumberText.h"
#include "graphics/Tokens.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Numbers.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace {

constexpr double kGrid = 65535;

// The intersection grid in 64 bits: coordinates beyond +-32767 (and the 61440 marker of
// RectFromPoints) do not fit 32 bits once scaled.
struct GridRect {
    int64_t Left, Top, Right, Bottom;
};

GridRect ToGrid(const TwzRect& r)
{
    return { rtl::Round(r.Left * kGrid), rtl::Round(r.Top * kGrid), rtl::Round(r.Right * kGrid),
        rtl::Round(r.Bottom * kGrid) };
}

template <class R> bool Overlap(const R& a, const R& b)
{
    return b.Left < a.Right && b.Right > a.Left && b.Top < a.Bottom && b.Bottom > a.Top;
}

template <class R> R Common(const R& a, const R& b)
{
    return { std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
        std::min(a.Bottom, b.Bottom) };
}

// Reads `count` numbers after the text before "(" into `out`; false on any bad number.
bool ReadNumbers(std::string_view s, float* out, int count)
{
    std::string rest(s);
    (void)GetToken(rest, ",()", "");
    try {
        for (int i = 0; i < count; ++i)
            out[i] = TextToFloat(GetToken(rest, ",()", ""));
    } catch (const rtl::ConvertError&) {
        return false;
    }
    return true;
}

// "(a,b,...)". Appended piece by piece: GCC 12 warns falsely about "(" + std::string.
std::string NumbersText(std::initializer_list<float> values)
{
    std::string text = "(";
    for (float v : values) {
        if (text.size() > 1)
            text += ',';
        text += FloatToText(v);
    }
    text += ')';
    return text;
}

} // namespace

TwzRect RectFromPoints(std::span<const TwzPoint> points)
{
    TwzRect r { 61440, 61440, -61440, -61440 };
    for (const TwzPoint& p : points) {
        if (p.X < r.Left)
            r.Left = p.X;
        if (p.Y < r.Top)
            r.Top = p.Y;
        if (p.X > r.Right)
            r.Right = p.X;
        if (p.Y > r.Bottom)
            r.Bottom = p.Y;
    }
    return r;
}

TwzRect RectNormalize(const TwzRect& r)
{
    const TwzPoint corners[]
        = { { r.Left, r.Top }, { r.Right, r.Top }, { r.Right, r.Bottom }, { r.Left, r.Bottom } };
    return RectFromPoints(corners);
}

bool IntRectIntersection(TRect& r, const TRect& a, const TRect& b)
{
    if (Overlap(a, b)) {
        r = Common(a, b);
        return true;
    }
    r = {};
    return false;
}

bool RectIntersection(TwzRect& r, const TwzRect& a, const TwzRect& b)
{
    const GridRect ga = ToGrid(a);
    const GridRect gb = ToGrid(b);
    if (Overlap(ga, gb)) {
        const GridRect c = Common(ga, gb);
        r = { static_cast<float>(double(c.Left) / kGrid), static_cast<float>(double(c.Top) / kGrid),
            static_cast<float>(double(c.Right) / kGrid), static_cast<float>(double(c.Bottom) / kGrid) };
        return true;
    }
    r = { a.Left, a.Top, a.Left, a.Top };
    return false;
}

TwzRect RectCenter(TwzRect& r, const TwzRect& bounds)
{
    RectOffset(r, -r.Left, -r.Top);
    RectOffset(r, static_cast<float>(rtl::Round((RectWidth(bounds) - RectWidth(r)) / 2.0)),
        static_cast<float>(rtl::Round((RectHeight(bounds) - RectHeight(r)) / 2.0)));
    RectOffset(r, bounds.Left, bounds.Top);
    return r;
}

float RectFit(TwzRect& r, const TwzRect& bounds)
{
    if (RectWidth(bounds) * RectHeight(bounds) == 0)
        return 1;
    const float wr = RectWidth(r) / RectWidth(bounds);
    const float hr = RectHeight(r) / RectHeight(bounds);
    const float ratio = wr > hr ? wr : hr;
    if (ratio < 1)
        r = { 0, 0, RectWidth(r), RectHeight(r) };
    else
        r = { 0, 0, static_cast<float>(rtl::Round(RectWidth(r) / ratio)),
            static_cast<float>(rtl::Round(RectHeight(r) / ratio)) };
    RectCenter(r, bounds);
    return ratio;
}

std::string PointToText(const TwzPoint& p)
{
    return NumbersText({ p.X, p.Y });
}

std::string RectToText(const TwzRect& r)
{
    return NumbersText({ r.Left, r.Top, r.Right, r.Bottom });
}

TwzPoint TextToPoint(std::string_view s)
{
    float v[2];
    if (!ReadNumbers(s, v, 2))
        return {};
    return { v[0], v[1] };
}

TwzRect TextToRect(std::string_view s)
{
    float v[4];
    if (!ReadNumbers(s, v, 4))
        return {};
    return { v[0], v[1], v[2], v[3] };
}

TwzMatrix MatrixMultiply(const TwzMatrix& a, const TwzMatrix& b)
{
    TwzMatrix r;
    r.m11 = a.m11 * b.m11 + a.m12 * b.m21 + a.m13 * b.m31;
    r.m12 = a.m11 * b.m12 + a.m12 * b.m22 + a.m13 * b.m32;
    r.m13 = a.m11 * b.m13 + a.m12 * b.m23 + a.m13 * b.m33;
    r.m21 = a.m21 * b.m11 + a.m22 * b.m21 + a.m23 * b.m31;
    r.m22 = a.m21 * b.m12 + a.m22 * b.m22 + a.m23 * b.m32;
    r.m23 = a.m21 * b.m13 + a.m22 * b.m23 + a.m23 * b.m33;
    r.m31 = a.m31 * b.m11 + a.m32 * b.m21 + a.m33 * b.m31;
    r.m32 = a.m31 * b.m12 + a.m32 * b.m22 + a.m33 * b.m32;
    r.m33 = a.m31 * b.m13 + a.m32 * b.m23 + a.m33 * b.m33;
    return r;
}

float MatrixDeterminant(const TwzMatrix& m)
{
    const double d = double(m.m11) * (double(m.m22) * m.m33 - double(m.m23) * m.m32)
        - double(m.m12) * (double(m.m21) * m.m33 - double(m.m23) * m.m31)
        + double(m.m13) * (double(m.m21) * m.m32 - double(m.m22) * m.m31);
    return static_cast<float>(d);
}

void MatrixAdjoint(TwzMatrix& m)
{
    const TwzMatrix a = m;
    m.m11 = a.m22 * a.m33 - a.m23 * a.m32;
    m.m12 = -(a.m12 * a.m33 - a.m13 * a.m32);
    m.m13 = a.m12 * a.m23 - a.m13 * a.m22;
    m.m21 = -(a.m21 * a.m33 - a.m23 * a.m31);
    m.m22 = a.m11 * a.m33 - a.m13 * a.m31;
    m.m23 = -(a.m11 * a.m23 - a.m13 * a.m21);
    m.m31 = a.m21 * a.m32 - a.m22 * a.m31;
    m.m32 = -(a.m11 * a.m32 - a.m12 * a.m31);
    m.m33 = a.m11 * a.m22 - a.m12 * a.m21;
}

void MatrixScale(TwzMatrix& m, float f)
{
    for (float* e : { &m.m11, &m.m12, &m.m13, &m.m21, &m.m22, &m.m23, &m.m31, &m.m32, &m.m33 })
        *e *= f;
}

void MatrixInvert(TwzMatrix& m)
{
    const float d = MatrixDeterminant(m);
    if (std::fabs(d) < 1e-40f) {
        m = IdentityMatrix;
        return;
    }
    MatrixAdjoint(m);
    MatrixScale(m, 1 / d);
}

float VectorLength(const TwzVector& v)
{
    return static_cast<float>(std::sqrt(double(VectorNorm(v))));
}

float VectorAngleCosine(const TwzVector& a, const TwzVector& b)
{
    const float la = VectorLength(a);
    const float lb = VectorLength(b);
    if (la == 0 || lb == 0)
        return 0;
    return VectorDotProduct(a, b) / (lb * la);
}

float VectorAngle(const TwzVector& a, const TwzVector& b)
{
    // Rounding can push the cosine of (anti)parallel vectors just past +-1.
    const double c = std::clamp(double(VectorAngleCosine(a, b)), -1.0, 1.0);
    const float angle = RadToDeg(static_cast<float>(std::acos(c)));
    return VectorCrossProductZ(a, b) < 0 ? angle : -angle;
}

TwzMatrix CreateRotationMatrix(float angle)
{
    float s, c;
    SinCosSingle(s, c, angle);
    return { c, s, 0, -s, c, 0, 0, 0, 1 };
}
