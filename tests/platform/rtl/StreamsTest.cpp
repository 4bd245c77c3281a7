#include "platform/rtl/Streams.h"

#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

using namespace rtl;

namespace {

std::string OutputPath(const char* name)
{
    return std::string(GF_TEST_OUTPUT) + "/" + name;
}

std::string Contents(TMemoryStream& s)
{
    return std::string(reinterpret_cast<const char*>(s.Memory()), s.GetSize());
}

} // namespace

TEST(TMemoryStream, GrowsZeroFillsGapsAndReadsBack)
{
    TMemoryStream s;
    s.WriteBuffer("abc", 3);
    EXPECT_EQ(s.GetSize(), 3);
    EXPECT_EQ(s.Seek(2, soFromEnd), 5); // past the end is allowed
    s.WriteBuffer("Z", 1);
    EXPECT_EQ(s.GetSize(), 6);
    EXPECT_EQ(Contents(s), std::string("abc\0\0Z", 6));

    s.SetPosition(1);
    char buf[8] = {};
    EXPECT_EQ(s.Read(buf, sizeof buf), 5u); // short read at the end is not an error
    EXPECT_EQ(std::string(buf, 5), std::string("bc\0\0Z", 5));
    EXPECT_EQ(s.Read(buf, 1), 0u);
    s.SetPosition(100);
    EXPECT_EQ(s.Read(buf, 1), 0u);
    EXPECT_EQ(s.BytesLeft(), 0);
}

TEST(TMemoryStream, SetSizeTruncatesAndClampsThePosition)
{
    TMemoryStream s;
    s.WriteBuffer("abcdef", 6);
    s.SetSize(2);
    EXPECT_EQ(s.GetPosition(), 2);
    EXPECT_EQ(Contents(s), "ab");
    s.SetSize(4);
    EXPECT_EQ(Contents(s), std::string("ab\0\0", 4));
    s.Clear();
    EXPECT_EQ(s.GetSize(), 0);
    EXPECT_EQ(s.GetPosition(), 0);
}

TEST(TStream, SeekOriginsAndInvalidTargets)
{
    TMemoryStream s;
    s.WriteBuffer("0123456789", 10);
    struct Case {
        int64_t start, offset;
        TSeekOrigin origin;
        int64_t expected; // -1: raises and keeps the position
    } cases[] = {
        { 5, 3, soFromBeginning, 3 }, { 5, 2, soFromCurrent, 7 }, { 5, -2, soFromCurrent, 3 },
        { 5, -1, soFromEnd, 9 }, { 5, 0, soFromEnd, 10 }, { 5, -6, soFromCurrent, -1 },
        { 5, -11, soFromEnd, -1 }, { 5, -1, soFromBeginning, -1 },
        { 5, INT64_MAX, soFromEnd, -1 }, // overflow must not wrap around
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.start << " " << c.offset << " " << int(c.origin));
        s.SetPosition(c.start);
        if (c.expected < 0) {
            EXPECT_THROW(s.Seek(c.offset, c.origin), ReadError);
            EXPECT_EQ(s.GetPosition(), c.start);
        } else {
            EXPECT_EQ(s.Seek(c.offset, c.origin), c.expected);
        }
    }
}

TEST(TStream, ReadBufferAndWriteBufferRaiseOnShortTransfers)
{
    TMemoryStream s;
    s.WriteBuffer("ab", 2);
    s.SetPosition(0);
    char buf[3];
    EXPECT_THROW(s.ReadBuffer(buf, 3), ReadError);
    s.SetPosition(0);
    EXPECT_NO_THROW(s.ReadBuffer(buf, 2));
    EXPECT_NO_THROW(s.ReadBuffer(buf, 0)); // nothing asked, nothing missing

    const uint8_t bytes[] = { 1, 2, 3 };
    TConstMemoryStream readOnly(bytes, sizeof bytes);
    EXPECT_EQ(readOnly.Write("x", 1), 0u);
    EXPECT_THROW(readOnly.WriteBuffer("x", 1), WriteError);
    EXPECT_THROW(readOnly.SetSize(1), WriteError);
    EXPECT_EQ(readOnly.ReadLE<uint16_t>(), 0x0201);
    EXPECT_THROW(readOnly.ReadLE<uint16_t>(), ReadError);
}

TEST(TStream, LittleEndianHelpersUseFixedByteOrder)
{
    TMemoryStream s;
    s.WriteLE<uint16_t>(0x1234);
    s.WriteLE<int32_t>(-2);
    s.WriteLE<uint64_t>(0x0102030405060708ull);
    s.WriteLE<float>(1.0f);
    s.WriteLE<double>(-2.5);
    const uint8_t expected[] = {
        0x34, 0x12, // uint16
        0xFE, 0xFF, 0xFF, 0xFF, // int32 -2
        0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01, // uint64
        0x00, 0x00, 0x80, 0x3F, // float 1
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0xC0, // double -2.5
    };
    ASSERT_EQ(s.GetSize(), int64_t(sizeof expected));
    EXPECT_EQ(std::memcmp(s.Memory(), expected, sizeof expected), 0);
    s.SetPosition(0);
    EXPECT_EQ(s.ReadLE<uint16_t>(), 0x1234);
    EXPECT_EQ(s.ReadLE<int32_t>(), -2);
    EXPECT_EQ(s.ReadLE<uint64_t>(), 0x0102030405060708ull);
    EXPECT_EQ(s.ReadLE<float>(), 1.0f);
    EXPECT_EQ(s.ReadLE<double>(), -2.5);
}

TEST(TStream, CopyFromCopiesACountOrTheWholeSourceForZero)
{
    TMemoryStream source;
    std::string big(200000, 'x');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>('a' + i % 26);
    source.WriteBuffer(big.data(), big.size());

    TMemoryStream all;
    EXPECT_EQ(all.CopyFrom(source, 0), int64_t(big.size())); // rewinds the source itself
    EXPECT_EQ(Contents(all), big);

    TMemoryStream part;
    source.SetPosition(10);
    EXPECT_EQ(part.CopyFrom(source, 5), 5);
    EXPECT_EQ(Contents(part), big.substr(10, 5));

    source.SetPosition(big.size() - 3);
    TMemoryStream tooMuch;
    EXPECT_THROW(tooMuch.CopyFrom(source, 4), ReadError);
}

TEST(TFileStream, CreateWriteReopenAndReadBack)
{
    const std::string path = OutputPath("streams \xC3\xA9t\xC3\xA9.bin"); // UTF-8 name
    {
        TFileStream f(path, fmCreate);
        f.WriteBuffer("hello world", 11);
        EXPECT_EQ(f.GetSize(), 11);
    }
    {
        TFileStream f(path, fmOpenReadWrite | fmShareDenyNone);
        f.Seek(6, soFromBeginning);
        f.WriteBuffer("there", 5);
        f.SetSize(8);
        EXPECT_EQ(f.GetPosition(), 8);
    }
    {
        TFileStream f(path, fmOpenWrite); // opening for writing does not truncate
        EXPECT_EQ(f.GetSize(), 8);
        char c;
        EXPECT_EQ(f.Read(&c, 1), 0u);
    }
    TMemoryStream m;
    m.LoadFromFile(path);
    EXPECT_EQ(Contents(m), "hello th");
    EXPECT_EQ(m.GetPosition(), 0);

    m.SaveToFile(path + ".copy");
    TFileStream copy(path + ".copy", fmOpenRead);
    std::string back(8, '\0');
    copy.ReadBuffer(back.data(), 8);
    EXPECT_EQ(back, "hello th");
    EXPECT_THROW(copy.ReadBuffer(back.data(), 1), ReadError);
    EXPECT_EQ(copy.Write("x", 1), 0u); // read-only handle
}

TEST(TFileStream, FailedOpenNamesTheFileAndTheReason)
{
    struct Case {
        std::string path;
        uint16_t mode;
        const char* prefix;
        const char* reason;
    } cases[] = {
        { OutputPath("no such dir/file.txt"), fmCreate, "Cannot create file \"",
            "No such file or directory" },
        { OutputPath("missing.bin"), fmOpenRead, "Cannot open file \"", "No such file or directory" },
        { std::string(GF_TEST_OUTPUT), fmOpenRead, "Cannot open file \"", "directory" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        try {
            TFileStream f(c.path, c.mode);
            ADD_FAILURE() << "opened";
        } catch (const FileOpenError& e) {
            const std::string message = e.what();
            EXPECT_EQ(message.rfind(c.prefix + c.path + "\". ", 0), 0u) << message;
            EXPECT_NE(message.find(c.reason), std::string::npos) << message;
        }
    }
}

TEST(TSubStream, StaysInsideItsWindow)
{
    TMemoryStream base;
    base.WriteBuffer("0123456789", 10);
    TSubStream window(base, 3, 4); // "3456"
    EXPECT_EQ(window.GetSize(), 4);
    char buf[10] = {};
    EXPECT_EQ(window.Read(buf, 10), 4u);
    EXPECT_EQ(std::string(buf, 4), "3456");
    EXPECT_EQ(window.Read(buf, 1), 0u);
    EXPECT_EQ(window.Seek(-1, soFromEnd), 3);
    EXPECT_EQ(window.Write("XYZ", 3), 1u); // truncated at the window's end
    EXPECT_EQ(Contents(base), "012345X789");
    EXPECT_THROW(window.SetSize(10), WriteError);
    EXPECT_THROW(window.Seek(-1, soFromBeginning), ReadError);

    // A window reaching past the base's end only reports what exists.
    TSubStream tail(base, 8, 100);
    EXPECT_EQ(tail.GetSize(), 2);
    EXPECT_EQ(tail.BytesLeft(), 2);
    EXPECT_THROW(tail.ReadBuffer(buf, 3), ReadError);
    TSubStream beyond(base, 50, 10);
    EXPECT_EQ(beyond.GetSize(), 0);
}
