#include "graphics/ObjectText.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/Text.h"
#include "platform/rtl/ValueStream.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using rtl::TValueType;

namespace {

// ---------------------------------------------------------------------------------------
// Binary to text

constexpr size_t kFlushSize = size_t { 64 } * 1024;
constexpr size_t kBytesPerHexLine = 32;

bool IsIntegerCode(uint8_t code)
{
    return code == rtl::vaInt8 || code == rtl::vaInt16 || code == rtl::vaInt32 || code == rtl::vaInt64;
}

[[noreturn]] void InvalidType(uint8_t code)
{
    throw rtl::ReadError("Invalid property type from streamed property: " + std::to_string(code));
}

// Fixed-width form: sign or blank, one digit, ".", 16 digits, "E", sign, 4 exponent digits.
std::string FloatText(double value)
{
    if (std::isnan(value))
        value = 0; // the notation has no NaN; a number that reads back beats no file at all
    if (std::isinf(value))
        return value < 0 ? "-1.0000000000000000E+9999" : " 1.0000000000000000E+9999";

    char buffer[64];
    const auto result
        = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 16);
    std::string_view s(buffer, result.ptr);
    std::string out;
    out.reserve(25);
    if (!s.empty() && s.front() == '-') {
        out += '-';
        s.remove_prefix(1);
    } else {
        out += ' ';
    }
    const size_t e = s.find('e');
    out.append(s.substr(0, e));
    out += 'E';
    std::string_view exponent = s.substr(e + 1);
    out += exponent.front();
    exponent.remove_prefix(1);
    out.append(4 - std::min<size_t>(4, exponent.size()), '0');
    out.append(exponent);
    return out;
}

// Printable ASCII inside apostrophes, everything else as #code outside them.
template <class Next> void AppendQuoted(std::string& out, Next&& next)
{
    bool quoted = false;
    bool any = false;
    for (;;) {
        const std::optional<uint32_t> c = next();
        if (!c)
            break;
        any = true;
        if (*c >= 32 && *c <= 126) {
            if (!quoted) {
                out += '\'';
                quoted = true;
            }
            if (*c == '\'')
                out += "''";
            else
                out += static_cast<char>(*c);
        } else {
            if (quoted) {
                out += '\'';
                quoted = false;
            }
            out += '#';
            out += std::to_string(*c);
        }
    }
    if (quoted)
        out += '\'';
    if (!any)
        out += "''";
}

// Code points of a UTF-16 text (pairs combined, lone surrogates as they are).
void AppendCodePoints(std::string& out, std::u16string_view text)
{
    size_t i = 0;
    AppendQuoted(out, [&]() -> std::optional<uint32_t> {
        if (i >= text.size())
            return std::nullopt;
        const uint32_t u = text[i++];
        if (u >= 0xD800 && u <= 0xDBFF && i < text.size() && text[i] >= 0xDC00 && text[i] <= 0xDFFF)
            return 0x10000 + ((u - 0xD800) << 10) + (text[i++] - 0xDC00);
        return u;
    });
}

void AppendCodeUnits(std::string& out, std::u16string_view text)
{
    size_t i = 0;
    AppendQuoted(out, [&]() -> std::optional<uint32_t> {
        if (i >= text.size())
            return std::nullopt;
        return text[i++];
    });
}

class TextWriter {
public:
    TextWriter(rtl::TStream& input, rtl::TStream& output)
        : m_reader(input)
        , m_output(output)
    { }

    void Run()
    {
        rtl::ScopeExit flush([this] { Flush(); });
        m_reader.ReadSignature();
        ConvertObject(0, 0);
    }

private:
    void Flush()
    {
        m_output.WriteBuffer(m_text.data(), m_text.size());
        m_text.clear();
    }

    void Indent(int indent) { m_text.append(static_cast<size_t>(indent), ' '); }

    void NewLine()
    {
        m_text += "\r\n";
        if (m_text.size() >= kFlushSize)
            Flush();
    }

    static void CheckDepth(int depth)
    {
        if (depth > rtl::kMaxValueNesting)
            throw rtl::ReadError("Values nested too deeply");
    }

    void ConvertObject(int indent, int depth)
    {
        CheckDepth(depth);
        const rtl::TObjectHeader header = m_reader.ReadObjectHeader();
        Indent(indent);
        if (header.flags & rtl::ffInherited)
            m_text += "inherited ";
        else if (header.flags & rtl::ffInline)
            m_text += "inline ";
        else
            m_text += "object ";
        if (!header.objectName.empty()) {
            m_text += header.objectName;
            m_text += ": ";
        }
        m_text += header.className;
        if (header.flags & rtl::ffChildPos) {
            m_text += '[';
            m_text += rtl::IntToStr(header.childPos);
            m_text += ']';
        }
        NewLine();
        while (!m_reader.EndOfList())
            ConvertProperty(indent + 2, depth + 1);
        m_reader.ReadListEnd();
        while (!m_reader.EndOfList())
            ConvertObject(indent + 2, depth + 1);
        m_reader.ReadListEnd();
        Indent(indent);
        m_text += "end";
        NewLine();
    }

    void ConvertProperty(int indent, int depth)
    {
        Indent(indent);
        m_text += m_reader.ReadStr();
        m_text += " = ";
        ConvertValue(indent, depth);
    }

    // Writes one value starting on a line indented by `indent`, ending with a line break.
    void ConvertValue(int indent, int depth)
    {
        CheckDepth(depth);
        const TValueType type = m_reader.ReadValue();
        switch (type) {
        case rtl::vaList:
            m_text += '(';
            if (!m_reader.EndOfList()) {
                NewLine();
                while (!m_reader.EndOfList()) {
                    Indent(indent + 2);
                    ConvertValue(indent + 2, depth + 1);
                }
            }
            // An empty list keeps its indentation between the brackets: "(", blanks, ")".
            Indent(indent);
            m_reader.ReadListEnd();
            m_text += ')';
            break;
        case rtl::vaInt8:
        case rtl::vaInt16:
        case rtl::vaInt32:
        case rtl::vaInt64:
            m_text += rtl::IntToStr(m_reader.ReadIntegerPayload(type));
            break;
        case rtl::vaExtended:
            m_text += FloatText(rtl::ExtendedToDouble(m_reader.ReadExtendedPayload()));
            break;
        case rtl::vaString:
        case rtl::vaLString:
        case rtl::vaUTF8String:
            // Bytes that are not UTF-8 come from older single-byte data: Windows-1252.
            AppendCodePoints(m_text, rtl::Utf8ToUtf16(m_reader.ReadBytesPayload(type)));
            break;
        case rtl::vaWString:
        case rtl::vaUString:
            AppendCodeUnits(m_text, m_reader.ReadUtf16Payload());
            break;
        case rtl::vaIdent:
            m_text += m_reader.ReadBytesPayload(type);
            break;
        case rtl::vaFalse:
            m_text += "False";
            break;
        case rtl::vaTrue:
            m_text += "True";
            break;
        case rtl::vaNil:
            m_text += "nil";
            break;
        case rtl::vaBinary:
            ConvertBinary(indent);
            return;
        case rtl::vaSet: {
            m_text += '[';
            bool first = true;
            for (;;) {
                const std::string name = m_reader.ReadStr();
                if (name.empty())
                    break;
                if (!first)
                    m_text += ", ";
                m_text += name;
                first = false;
            }
            m_text += ']';
            break;
        }
        case rtl::vaCollection:
            ConvertCollection(indent, depth);
            break;
        default:
            InvalidType(type);
        }
        NewLine();
    }

    void ConvertBinary(int indent)
    {
        static constexpr char kHex[] = "0123456789ABCDEF";
        const uint32_t size = m_reader.Stream().ReadLE<uint32_t>();
        m_reader.CheckAvailable(size);
        m_text += '{';
        NewLine();
        uint8_t line[kBytesPerHexLine];
        for (uint32_t done = 0; done < size;) {
            const size_t n = std::min<size_t>(kBytesPerHexLine, size - done);
            m_reader.Stream().ReadBuffer(line, n);
            Indent(indent + 2);
            for (size_t i = 0; i < n; ++i) {
                m_text += kHex[line[i] >> 4];
                m_text += kHex[line[i] & 15];
            }
            NewLine();
            done += static_cast<uint32_t>(n);
        }
        Indent(indent);
        m_text += '}';
        NewLine();
    }

    void ConvertCollection(int indent, int depth)
    {
        // The "<" line and every "end" line but the last carry the indentation before their
        // line break; the last "end" is followed by ">" instead.
        m_text += '<';
        while (!m_reader.EndOfList()) {
            Indent(indent);
            NewLine();
            Indent(indent + 2);
            m_text += "item";
            if (IsIntegerCode(m_reader.NextValue())) {
                m_text += '[';
                m_text += rtl::IntToStr(m_reader.ReadInt64());
                m_text += ']';
            }
            NewLine();
            const uint8_t open = m_reader.ReadValue();
            if (open != rtl::vaList)
                InvalidType(open);
            while (!m_reader.EndOfList())
                ConvertProperty(indent + 4, depth + 1);
            m_reader.ReadListEnd();
            Indent(indent + 2);
            m_text += "end";
        }
        m_reader.ReadListEnd();
        m_text += '>';
    }

    rtl::TValueReader m_reader;
    rtl::TStream& m_output;
    std::string m_text;
};

// ---------------------------------------------------------------------------------------
// Text to binary

enum class TokenKind { Eof, Symbol, String, Integer, Float, WideString, Char };

struct Token {
    TokenKind kind = TokenKind::Eof;
    size_t start = 0; // byte index in the text
    size_t end = 0;
    int line = 1;
    int column = 1;
    char ch = 0; // TokenKind::Char
    int64_t integer = 0;
    double number = 0;
    std::string bytes; // String: the bytes; Symbol: the identifier
    std::u16string wide; // WideString
};

bool IsLetter(char c)
{
    const auto u = static_cast<unsigned char>(c);
    // Bytes of UTF-8 sequences count as letters so that names outside ASCII read back.
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || u >= 0x80;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsHexDigit(char c)
{
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int HexValue(char c)
{
    if (IsDigit(c))
        return c - '0';
    return (c | 0x20) - 'a' + 10;
}

void AppendUtf16(std::u16string& out, uint32_t cp)
{
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
    } else {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    }
}

// A text for messages: valid UTF-8, control bytes spelled as #code, long texts cut short.
std::string Printable(std::string_view text)
{
    constexpr size_t kMax = 64;
    size_t length = std::min(text.size(), kMax);
    while (length < text.size() && length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
        --length; // never cut a UTF-8 sequence in two
    std::string cut(text.substr(0, length));
    std::string out;
    for (char c : rtl::ToValidUtf8(cut)) {
        if (static_cast<unsigned char>(c) < 32 || c == 127) {
            out += '#';
            out += std::to_string(static_cast<unsigned char>(c));
        } else {
            out += c;
        }
    }
    if (length < text.size())
        out += "...";
    return out;
}

class TextParser {
public:
    TextParser(std::string text, int64_t streamOffset, rtl::TStream& output)
        : m_text(std::move(text))
        , m_streamOffset(streamOffset)
        , m_writer(output)
    {
        if (m_text.compare(0, 3, "\xEF\xBB\xBF") == 0) {
            m_pos = 3;
            m_lineStart = 3;
        }
    }

    // Returns the byte index just after the object's closing "end".
    size_t Run()
    {
        m_writer.WriteSignature();
        NextToken();
        ConvertObject(0);
        return m_consumed;
    }

private:
    // -- errors ------------------------------------------------------------------------

    [[noreturn]] void ErrorAt(const std::string& message, size_t index, int line, size_t lineStart) const
    {
        char offset[32];
        const auto r = std::to_chars(
            offset, offset + sizeof offset, static_cast<uint64_t>(m_streamOffset) + index, 16);
        std::string hex(offset, r.ptr);
        if (hex.size() < 8)
            hex.insert(0, 8 - hex.size(), '0');
        throw rtl::ParserError(message + " (at " + std::to_string(line) + ","
            + std::to_string(index - lineStart + 1) + ", stream offset " + hex + ")");
    }

    [[noreturn]] void Error(const std::string& message) const
    {
        ErrorAt(
            message, m_token.start, m_token.line, m_token.start - static_cast<size_t>(m_token.column - 1));
    }

    static const char* KindName(TokenKind kind)
    {
        switch (kind) {
        case TokenKind::Eof:
            return "EOF";
        case TokenKind::Symbol:
            return "Symbol";
        case TokenKind::String:
            return "String";
        case TokenKind::Integer:
            return "Integer";
        case TokenKind::Float:
            return "Float";
        case TokenKind::WideString:
            return "WideString";
        case TokenKind::Char:
            break;
        }
        return "";
    }

    static std::string CharName(char c) { return Printable(std::string_view(&c, 1)); }

    std::string TokenKindName() const
    {
        return m_token.kind == TokenKind::Char ? CharName(m_token.ch) : KindName(m_token.kind);
    }

    std::string TokenText() const
    {
        if (m_token.kind == TokenKind::Eof)
            return "EOF";
        return Printable(std::string_view(m_text).substr(m_token.start, m_token.end - m_token.start));
    }

    void CheckKind(TokenKind kind)
    {
        if (m_token.kind != kind)
            Error(std::string("Wrong token type: ") + KindName(kind) + " expected but " + TokenKindName()
                + " found");
    }

    void CheckChar(char c)
    {
        if (!IsChar(c))
            Error("Wrong token type: " + CharName(c) + " expected but " + TokenKindName() + " found");
    }

    void CheckSymbol(const char* expected)
    {
        Error(std::string("Wrong token symbol: ") + expected + " expected but " + TokenText() + " found");
    }

    bool IsChar(char c) const { return m_token.kind == TokenKind::Char && m_token.ch == c; }

    bool IsSymbol(std::string_view word) const
    {
        return m_token.kind == TokenKind::Symbol && rtl::SameText(m_token.bytes, word);
    }

    // Names travel as short strings; a longer one is refused where it starts.
    void CheckNameLength(const std::string& name, size_t start, int line, int column) const
    {
        if (name.size() > 255)
            ErrorAt("Identifier too long: " + Printable(name), start, line,
                start - static_cast<size_t>(column - 1));
    }

    // -- tokenizer ---------------------------------------------------------------------

    char At(size_t i) const { return i < m_text.size() ? m_text[i] : '\0'; }

    void SkipBlanks()
    {
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos];
            if (c == ' ' || c == '\t') {
                ++m_pos;
            } else if (c == '\r' || c == '\n') {
                ++m_pos;
                if (c == '\r' && At(m_pos) == '\n')
                    ++m_pos;
                ++m_line;
                m_lineStart = m_pos;
            } else {
                break;
            }
        }
    }

    void NextToken()
    {
        SkipBlanks();
        m_token = Token {};
        m_token.start = m_pos;
        m_token.line = m_line;
        m_token.column = static_cast<int>(m_pos - m_lineStart + 1);
        if (m_pos >= m_text.size()) {
            m_token.kind = TokenKind::Eof;
            m_token.end = m_pos;
            return;
        }
        const char c = m_text[m_pos];
        if (IsLetter(c)) {
            while (m_pos < m_text.size() && (IsLetter(m_text[m_pos]) || IsDigit(m_text[m_pos])))
                ++m_pos;
            m_token.kind = TokenKind::Symbol;
            m_token.bytes.assign(m_text, m_token.start, m_pos - m_token.start);
            CheckNameLength(m_token.bytes, m_token.start, m_token.line, m_token.column);
        } else if (c == '\'' || (c == '#' && IsDigit(At(m_pos + 1)))) {
            ScanString();
        } else if (IsDigit(c) || (c == '-' && IsDigit(At(m_pos + 1)))) {
            ScanNumber();
        } else if (c == '$') {
            ScanHex();
        } else {
            ++m_pos;
            m_token.kind = TokenKind::Char;
            m_token.ch = c;
        }
        m_token.end = m_pos;
    }

    void ScanString()
    {
        // Pieces in order: quoted byte runs (code < 0) and character codes.
        struct Piece {
            int64_t code;
            size_t start, length;
        };
        std::vector<Piece> pieces;
        bool wide = false;
        for (;;) {
            const char c = At(m_pos);
            if (c == '\'' && m_pos < m_text.size()) {
                ++m_pos;
                size_t runStart = m_pos;
                for (;;) {
                    if (m_pos >= m_text.size() || m_text[m_pos] == '\r' || m_text[m_pos] == '\n') {
                        m_token.end = m_pos;
                        Error("Unterminated string");
                    }
                    if (m_text[m_pos] == '\'') {
                        pieces.push_back({ -1, runStart, m_pos - runStart });
                        ++m_pos;
                        if (At(m_pos) != '\'' || m_pos >= m_text.size())
                            break;
                        // A doubled apostrophe stands for one; it starts the next run.
                        runStart = m_pos;
                        ++m_pos;
                    } else {
                        ++m_pos;
                    }
                }
            } else if (c == '#' && IsDigit(At(m_pos + 1))) {
                const size_t codeStart = m_pos;
                ++m_pos;
                int64_t code = 0;
                while (m_pos < m_text.size() && IsDigit(m_text[m_pos])) {
                    if (code <= 0x10FFFF)
                        code = code * 10 + (m_text[m_pos] - '0');
                    ++m_pos;
                }
                if (code > 0x10FFFF) {
                    m_token.end = m_pos;
                    Error("Invalid integer number: "
                        + Printable(std::string_view(m_text).substr(codeStart, m_pos - codeStart)));
                }
                wide = wide || code > 127;
                pieces.push_back({ code, 0, 0 });
            } else {
                break;
            }
        }
        if (!wide) {
            m_token.kind = TokenKind::String;
            for (const Piece& p : pieces) {
                if (p.code < 0)
                    m_token.bytes.append(m_text, p.start, p.length);
                else
                    m_token.bytes += static_cast<char>(p.code);
            }
        } else {
            m_token.kind = TokenKind::WideString;
            for (const Piece& p : pieces) {
                if (p.code < 0)
                    m_token.wide += rtl::Utf8ToUtf16(std::string_view(m_text).substr(p.start, p.length));
                else
                    AppendUtf16(m_token.wide, static_cast<uint32_t>(p.code));
            }
        }
    }

    void ScanNumber()
    {
        const size_t start = m_pos;
        const bool negative = m_text[m_pos] == '-';
        if (negative)
            ++m_pos;
        std::string clean; // digits, "." digits, "e" sign digits: what from_chars reads
        while (m_pos < m_text.size() && IsDigit(m_text[m_pos]))
            clean += m_text[m_pos++];
        bool isFloat = false;
        if (At(m_pos) == '.' && m_pos < m_text.size()) {
            isFloat = true;
            ++m_pos;
            clean += '.';
            while (m_pos < m_text.size() && IsDigit(m_text[m_pos]))
                clean += m_text[m_pos++];
            if (clean.back() == '.')
                clean += '0';
        }
        if ((At(m_pos) == 'e' || At(m_pos) == 'E') && m_pos < m_text.size()) {
            isFloat = true;
            ++m_pos;
            clean += 'e';
            if (At(m_pos) == '+' || At(m_pos) == '-')
                clean += m_text[m_pos++];
            if (!IsDigit(At(m_pos)) || m_pos >= m_text.size()) {
                m_token.end = m_pos;
                Error("Invalid floating point number: " + SourceText(start));
            }
            while (m_pos < m_text.size() && IsDigit(m_text[m_pos]))
                clean += m_text[m_pos++];
        }
        const char suffix = static_cast<char>(At(m_pos) | 0x20);
        if ((suffix == 'c' || suffix == 'd' || suffix == 's') && m_pos < m_text.size()) {
            isFloat = true;
            ++m_pos;
        }

        if (!isFloat) {
            uint64_t magnitude = 0;
            const auto r = std::from_chars(clean.data(), clean.data() + clean.size(), magnitude);
            const uint64_t limit = negative ? uint64_t(1) << 63 : (uint64_t(1) << 63) - 1;
            if (r.ec != std::errc() || magnitude > limit) {
                m_token.end = m_pos;
                Error("Invalid integer number: " + SourceText(start));
            }
            m_token.kind = TokenKind::Integer;
            m_token.integer
                = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
            return;
        }

        double value = 0;
        const auto r = std::from_chars(clean.data(), clean.data() + clean.size(), value);
        if (r.ptr != clean.data() + clean.size()) {
            m_token.end = m_pos;
            Error("Invalid floating point number: " + SourceText(start));
        }
        if (r.ec == std::errc::result_out_of_range)
            value = Overflows(clean) ? std::numeric_limits<double>::infinity() : 0.0;
        m_token.kind = TokenKind::Float;
        m_token.number = negative ? -value : value;
    }

    // For a number text out of the double range: too large (true) or too small.
    static bool Overflows(std::string_view clean)
    {
        const size_t e = clean.find('e');
        const std::string_view mantissa = clean.substr(0, e);
        // Decimal exponent of the first significant digit.
        int64_t position = 0;
        const size_t point = mantissa.find('.');
        const size_t intDigits = point == std::string_view::npos ? mantissa.size() : point;
        bool found = false;
        for (size_t i = 0; i < mantissa.size(); ++i) {
            if (mantissa[i] == '.' || mantissa[i] == '0')
                continue;
            position = i < intDigits ? static_cast<int64_t>(intDigits - i) - 1
                                     : -static_cast<int64_t>(i - intDigits);
            found = true;
            break;
        }
        if (!found)
            return false;
        int64_t exponent = 0;
        if (e != std::string_view::npos) {
            std::string_view digits = clean.substr(e + 1);
            const bool negative = !digits.empty() && digits.front() == '-';
            if (!digits.empty() && (digits.front() == '-' || digits.front() == '+'))
                digits.remove_prefix(1);
            for (char d : digits) {
                if (exponent < 1000000000)
                    exponent = exponent * 10 + (d - '0');
            }
            if (negative)
                exponent = -exponent;
        }
        return exponent + position > 0;
    }

    void ScanHex()
    {
        const size_t start = m_pos;
        ++m_pos;
        while (m_pos < m_text.size() && IsHexDigit(m_text[m_pos]))
            ++m_pos;
        const std::optional<int64_t> value
            = rtl::TryStrToInt64(std::string_view(m_text).substr(start, m_pos - start));
        if (!value) {
            m_token.end = m_pos;
            Error("Invalid integer number: " + SourceText(start));
        }
        m_token.kind = TokenKind::Integer;
        m_token.integer = *value;
    }

    std::string SourceText(size_t start) const
    {
        return Printable(std::string_view(m_text).substr(start, m_pos - start));
    }

    // -- grammar -----------------------------------------------------------------------

    void CheckDepth(int depth)
    {
        if (depth > rtl::kMaxValueNesting)
            Error("Values nested too deeply");
    }

    bool IsObjectKeyword() const { return IsSymbol("object") || IsSymbol("inherited") || IsSymbol("inline"); }

    void ConvertObject(int depth)
    {
        CheckDepth(depth);
        uint8_t flags = 0;
        if (IsSymbol("inherited"))
            flags = rtl::ffInherited;
        else if (IsSymbol("inline"))
            flags = rtl::ffInline;
        else if (!IsSymbol("object"))
            CheckSymbol("INLINE");
        NextToken();
        CheckKind(TokenKind::Symbol);
        std::string objectName;
        std::string className = m_token.bytes;
        NextToken();
        if (IsChar(':')) {
            NextToken();
            CheckKind(TokenKind::Symbol);
            objectName = std::move(className);
            className = m_token.bytes;
            NextToken();
        }
        int32_t childPos = 0;
        if (IsChar('[')) {
            NextToken();
            CheckKind(TokenKind::Integer);
            if (m_token.integer < std::numeric_limits<int32_t>::min()
                || m_token.integer > std::numeric_limits<int32_t>::max())
                Error("Invalid integer number: " + TokenText());
            childPos = static_cast<int32_t>(m_token.integer);
            flags |= rtl::ffChildPos;
            NextToken();
            CheckChar(']');
            NextToken();
        }
        m_writer.WriteObjectHeader({ flags, childPos, std::move(className), std::move(objectName) });

        while (!IsSymbol("end") && !IsObjectKeyword())
            ConvertProperty(depth + 1);
        m_writer.WriteListEnd();
        while (!IsSymbol("end"))
            ConvertObject(depth + 1);
        m_consumed = m_token.end;
        // NOTE: nothing after the outermost "end" is read: it belongs to the caller.
        if (depth > 0)
            NextToken();
        m_writer.WriteListEnd();
    }

    void ConvertProperty(int depth)
    {
        CheckKind(TokenKind::Symbol);
        const Token first = m_token;
        std::string name = m_token.bytes;
        NextToken();
        while (IsChar('.')) {
            NextToken();
            CheckKind(TokenKind::Symbol);
            name += '.';
            name += m_token.bytes;
            NextToken();
        }
        CheckNameLength(name, first.start, first.line, first.column);
        CheckChar('=');
        m_writer.WriteStr(name);
        NextToken();
        ConvertValue(depth);
    }

    void ConvertValue(int depth)
    {
        CheckDepth(depth);
        switch (m_token.kind) {
        case TokenKind::Integer:
            m_writer.WriteInteger(m_token.integer);
            NextToken();
            return;
        case TokenKind::Float:
            m_writer.WriteFloat(m_token.number);
            NextToken();
            return;
        case TokenKind::String:
        case TokenKind::WideString:
            ConvertString();
            return;
        case TokenKind::Symbol:
            if (IsSymbol("True")) {
                m_writer.WriteValue(rtl::vaTrue);
            } else if (IsSymbol("False")) {
                m_writer.WriteValue(rtl::vaFalse);
            } else if (IsSymbol("nil")) {
                m_writer.WriteValue(rtl::vaNil);
            } else {
                m_writer.WriteValue(rtl::vaIdent);
                m_writer.WriteStr(m_token.bytes);
            }
            NextToken();
            return;
        case TokenKind::Char:
            break;
        case TokenKind::Eof:
            Error("Invalid property value");
        }
        switch (m_token.ch) {
        case '(':
            NextToken();
            m_writer.WriteListBegin();
            while (!IsChar(')'))
                ConvertValue(depth + 1);
            NextToken();
            m_writer.WriteListEnd();
            return;
        case '[':
            ConvertSet();
            return;
        case '<':
            ConvertCollection(depth);
            return;
        case '{':
            ConvertBinary();
            return;
        default:
            Error("Invalid property value");
        }
    }

    void ConvertString()
    {
        std::string bytes;
        std::u16string wide;
        bool isWide = false;
        for (;;) {
            if (m_token.kind == TokenKind::WideString) {
                if (!isWide) {
                    wide = rtl::Utf8ToUtf16(bytes);
                    isWide = true;
                }
                wide += m_token.wide;
            } else if (isWide) {
                wide += rtl::Utf8ToUtf16(m_token.bytes);
            } else {
                bytes += m_token.bytes;
            }
            NextToken();
            if (!IsChar('+'))
                break;
            NextToken();
            if (m_token.kind != TokenKind::String && m_token.kind != TokenKind::WideString)
                CheckKind(TokenKind::String);
        }
        if (isWide)
            m_writer.WriteWideString(wide);
        else
            m_writer.WriteString(bytes);
    }

    void ConvertSet()
    {
        NextToken();
        m_writer.WriteValue(rtl::vaSet);
        if (!IsChar(']')) {
            for (;;) {
                CheckKind(TokenKind::Symbol);
                if (m_token.bytes.empty())
                    Error("Invalid property value");
                m_writer.WriteStr(m_token.bytes);
                NextToken();
                if (IsChar(']'))
                    break;
                CheckChar(',');
                NextToken();
            }
        }
        NextToken();
        m_writer.WriteStr({});
    }

    void ConvertCollection(int depth)
    {
        NextToken();
        m_writer.WriteCollectionBegin();
        while (!IsChar('>')) {
            if (!IsSymbol("item"))
                CheckSymbol("item");
            NextToken();
            std::optional<int64_t> index;
            if (IsChar('[')) {
                NextToken();
                CheckKind(TokenKind::Integer);
                index = m_token.integer;
                NextToken();
                CheckChar(']');
                NextToken();
            }
            m_writer.WriteCollectionItemBegin(index);
            while (!IsSymbol("end"))
                ConvertProperty(depth + 1);
            NextToken();
            m_writer.WriteListEnd();
        }
        NextToken();
        m_writer.WriteListEnd();
    }

    // The block is read straight from the text: the tokenizer stands just after "{".
    void ConvertBinary()
    {
        std::vector<uint8_t> bytes;
        m_pos = m_token.end;
        for (;;) {
            SkipBlanks();
            const char c = At(m_pos);
            if (m_pos < m_text.size() && c == '}') {
                ++m_pos;
                break;
            }
            if (m_pos >= m_text.size() || !IsHexDigit(c) || m_pos + 1 >= m_text.size()
                || !IsHexDigit(m_text[m_pos + 1]))
                ErrorAt("Unterminated byte value", m_pos, m_line, m_lineStart);
            bytes.push_back(static_cast<uint8_t>(HexValue(c) << 4 | HexValue(m_text[m_pos + 1])));
            m_pos += 2;
        }
        m_writer.WriteBinary(bytes);
        NextToken();
    }

    std::string m_text;
    int64_t m_streamOffset;
    rtl::TValueWriter m_writer;
    size_t m_pos = 0;
    int m_line = 1;
    size_t m_lineStart = 0;
    size_t m_consumed = 0;
    Token m_token;
};

} // namespace

void ObjectStreamToText(rtl::TStream& input, rtl::TStream& output)
{
    TextWriter(input, output).Run();
}

void ObjectTextToStream(rtl::TStream& input, rtl::TStream& output)
{
    const int64_t start = input.GetPosition();
    std::string text(static_cast<size_t>(input.BytesLeft()), '\0');
    input.ReadBuffer(text.data(), text.size());
    TextParser parser(std::move(text), start, output);
    const size_t consumed = parser.Run();
    input.SetPosition(start + static_cast<int64_t>(consumed));
}
