// The text form of TwzPathData (the published Data): written as "M", "L", "C" and "Z"
// elements, read in the manner of SVG path data. Reading never raises: a command that does
// not read is dropped where it fails and reading goes on with the next command letter.
#include "graphics/TwzPathData.h"

#include "graphics/NumberText.h"
#include "platform/rtl/Numbers.h"

#include <cmath>
#include <optional>
#include <string_view>

namespace pathdata {

class TextReader {
public:
    TextReader(TwzPathData& path, std::string_view text)
        : m_path(path)
        , m_text(text)
    { }

    void Run()
    {
        while (!m_text.empty()) {
            const size_t old = m_pos;
            SkipBlanks();
            const size_t runStart = m_pos;
            while (!AtEnd() && IsCommand(m_text[m_pos]))
                ++m_pos;
            // The run is taken whole first ("ZM" is two commands); each command then reads
            // its operands from after the run onwards.
            const std::string_view run = m_text.substr(runStart, m_pos - runStart);
            for (char letter : run)
                Perform(letter);
            if (m_pos == old)
                break;
        }
    }

private:
    static bool IsCommand(char c)
    {
        return std::string_view("zmlchvsqtaZMLCHVSQTA").find(c) != std::string_view::npos;
    }
    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

    bool AtEnd() const { return m_pos >= m_text.size(); }

    void SkipBlanks()
    {
        while (!AtEnd() && m_text[m_pos] == ' ')
            ++m_pos;
    }

    void SkipBlanksAndCommas()
    {
        while (!AtEnd() && (m_text[m_pos] == ' ' || m_text[m_pos] == ','))
            ++m_pos;
    }

    // Digits and ".", with "-" only in front; no exponent ("1e5" is 1, then an unknown "e").
    std::optional<float> ReadNumber()
    {
        SkipBlanks();
        const size_t start = m_pos;
        if (!AtEnd() && m_text[m_pos] == '-')
            ++m_pos;
        while (!AtEnd() && (IsDigit(m_text[m_pos]) || m_text[m_pos] == '.'))
            ++m_pos;
        const std::string_view token = m_text.substr(start, m_pos - start);
        if (token.empty())
            return std::nullopt;
        const std::optional<double> value = rtl::TryStrToFloat(token);
        // Beyond the Single range the number does not convert, as in TextToFloat.
        if (!value || !(std::fabs(*value) < 0x1.ffffffp+127))
            return std::nullopt;
        return static_cast<float>(*value);
    }

    // A point asked for at the end of the text is (0, 0): a group whose last points are
    // missing entirely is completed with the origin.
    std::optional<TwzPoint> ReadPoint()
    {
        if (AtEnd())
            return TwzPoint {};
        SkipBlanksAndCommas();
        const std::optional<float> x = ReadNumber();
        if (!x)
            return std::nullopt;
        SkipBlanksAndCommas();
        const std::optional<float> y = ReadNumber();
        if (!y)
            return std::nullopt;
        SkipBlanksAndCommas();
        return TwzPoint { *x, *y };
    }

    // Another operand group follows only where a number starts with a digit or a minus.
    bool Repeats() const { return !AtEnd() && (m_text[m_pos] == '-' || IsDigit(m_text[m_pos])); }

    template <size_t N> bool ReadPoints(TwzPoint (&points)[N])
    {
        for (TwzPoint& p : points) {
            const std::optional<TwzPoint> read = ReadPoint();
            if (!read)
                return false;
            p = *read;
        }
        return true;
    }

    void Perform(char letter)
    {
        TwzPathData& path = m_path;
        switch (letter) {
        case 'Z':
        case 'z':
            path.ClosePath();
            return;
        case 'M':
        case 'm':
        case 'L':
        case 'l':
            do {
                const std::optional<TwzPoint> p = ReadPoint();
                if (!p)
                    return;
                switch (letter) {
                case 'M':
                    path.MoveTo(*p);
                    break;
                case 'm':
                    path.MoveToRel(*p);
                    break;
                case 'L':
                    path.LineTo(*p);
                    break;
                default:
                    path.LineToRel(*p);
                    break;
                }
            } while (Repeats());
            return;
        case 'C':
        case 'c':
            do {
                TwzPoint p[3];
                if (!ReadPoints(p))
                    return;
                if (letter == 'C')
                    path.CurveTo(p[0], p[1], p[2]);
                else
                    path.CurveToRel(p[0], p[1], p[2]);
            } while (Repeats());
            return;
        case 'S':
        case 's':
            do {
                TwzPoint p[2];
                if (!ReadPoints(p))
                    return;
                if (letter == 'S')
                    path.SmoothCurveTo(p[0], p[1]);
                else
                    path.SmoothCurveToRel(p[0], p[1]);
            } while (Repeats());
            return;
        case 'H':
        case 'h':
        case 'V':
        case 'v': {
            const std::optional<float> v = ReadNumber();
            if (!v)
                return;
            if (letter == 'H')
                path.HLineTo(*v);
            else if (letter == 'h')
                path.HLineToRel(*v);
            else if (letter == 'V')
                path.VLineTo(*v);
            else
                path.VLineToRel(*v);
            return;
        }
        case 'Q':
        case 'q': {
            // Quadratic curves are read past and not drawn.
            TwzPoint p[2];
            (void)ReadPoints(p);
            return;
        }
        case 'T':
        case 't':
            (void)ReadPoint();
            return;
        case 'A':
        case 'a': {
            const std::optional<TwzPoint> radius = ReadPoint();
            if (!radius)
                return;
            const std::optional<float> rotation = ReadNumber();
            if (!rotation)
                return;
            TwzPoint p[2];
            if (!ReadPoints(p))
                return;
            const TwzPoint& flags = p[0];
            const TwzPoint from = path.LastPoint();
            TwzPoint to = p[1];
            if (letter == 'a')
                to = { to.X + from.X, to.Y + from.Y };
            // An arc that cannot be computed (a zero radius, the end on the start) is dropped.
            (void)path.TryAddSvgArc(from, *radius, *rotation, flags.X == 1, flags.Y == 1, to);
            return;
        }
        default:
            return;
        }
    }

    TwzPathData& m_path;
    std::string_view m_text;
    size_t m_pos = 0;
};

} // namespace pathdata

std::string TwzPathData::GetData() const
{
    std::string text;
    text.reserve(m_points.size() * 12);
    auto writePoint = [&text](const TwzPoint& p) {
        text += FloatToText(p.X);
        text += ',';
        text += FloatToText(p.Y);
        text += ' ';
    };
    const size_t count = m_points.size();
    for (size_t i = 0; i < count; ++i) {
        const TwzPathPoint& element = m_points[i];
        switch (element.Kind) {
        case wzPathPointMoveTo:
            text += "M ";
            writePoint(element.Point);
            break;
        case wzPathPointLineTo:
            text += "L ";
            writePoint(element.Point);
            break;
        case wzPathPointCurveTo:
            // A curve cut short at the end (only damaged data makes one) is left out rather
            // than read past the elements.
            if (i + 2 >= count) {
                i = count;
                break;
            }
            text += "C ";
            writePoint(element.Point);
            writePoint(m_points[i + 1].Point);
            writePoint(m_points[i + 2].Point);
            i += 2;
            break;
        case wzPathPointClose:
            text += "Z ";
            break;
        default:
            break;
        }
    }
    return text;
}

void TwzPathData::SetData(const std::string& value)
{
    // Line breaks and tabs vanish rather than separate: "M 1<tab>2" reads as "M 12".
    std::string text;
    text.reserve(value.size());
    for (char c : value) {
        if (c != '\t' && c != '\n' && c != '\r')
            text += c;
    }
    m_points.clear();
    pathdata::TextReader(*this, text).Run();
    OnChanged(this);
}
