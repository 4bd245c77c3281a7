#pragma once

#include <bit>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

// Byte streams of the whole system: the base class every stored form reads and writes
// through, and the memory, file and window streams built on it. Positions and sizes are
// 64-bit; multi-byte numbers go through ReadLE/WriteLE so stored layouts stay little-endian.
namespace rtl {

/// Where Seek counts its offset from.
enum TSeekOrigin : uint8_t { soFromBeginning, soFromCurrent, soFromEnd };

/// Abstract byte stream. Not thread-safe; one user at a time.
class TStream {
public:
    TStream() = default;
    TStream(const TStream&) = delete;
    TStream& operator=(const TStream&) = delete;
    virtual ~TStream() = default;

    /// Reads up to `count` bytes at the position and advances it; returns the number read
    /// (less than `count` only at the end of the data).
    virtual size_t Read(void* buffer, size_t count) = 0;

    /// Writes up to `count` bytes at the position and advances it; returns the number
    /// written (0 on a stream that cannot be written).
    virtual size_t Write(const void* buffer, size_t count) = 0;

    /// Moves the position and returns the new one. A target before the start raises
    /// ReadError("Invalid stream position") and leaves the position unchanged; a target
    /// past the end is allowed where the stream can grow.
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

    /// Size in bytes. The default seeks to the end and back.
    virtual int64_t GetSize();

    /// Truncates or extends (with zero bytes) the stream. Raises WriteError on streams
    /// that have a fixed size.
    virtual void SetSize(int64_t newSize);

    int64_t GetPosition() { return Seek(0, soFromCurrent); }
    void SetPosition(int64_t position) { Seek(position, soFromBeginning); }

    /// Bytes between the position and the end (0 when the position is past the end).
    /// Length prefixes read from untrusted data are checked against this before allocating.
    int64_t BytesLeft();

    /// Reads exactly `count` bytes or raises ReadError("Stream read error").
    void ReadBuffer(void* buffer, size_t count);

    /// Writes exactly `count` bytes or raises WriteError("Stream write error").
    void WriteBuffer(const void* buffer, size_t count);

    /// Reads a little-endian integer, enumeration or IEEE float; raises ReadError when
    /// the stream ends first.
    template <class T> T ReadLE();

    /// Writes a little-endian integer, enumeration or IEEE float.
    template <class T> void WriteLE(T value);

    /// Copies `count` bytes from the position of `source` to this stream and returns the
    /// number copied. As the toolkit's does, a count of 0 copies the whole of `source`
    /// from its start. A source that ends early raises ReadError.
    int64_t CopyFrom(TStream& source, int64_t count);

protected:
    /// Resolves a Seek request against the current position and size; raises ReadError
    /// for a target before the start or an offset that overflows.
    static int64_t SeekTarget(int64_t offset, TSeekOrigin origin, int64_t position, int64_t size);
};

namespace detail {
template <size_t N> struct UintOfSize;
template <> struct UintOfSize<1> {
    using type = uint8_t;
};
template <> struct UintOfSize<2> {
    using type = uint16_t;
};
template <> struct UintOfSize<4> {
    using type = uint32_t;
};
template <> struct UintOfSize<8> {
    using type = uint64_t;
};
template <class T> using UintOf = typename UintOfSize<sizeof(T)>::type;
} // namespace detail

template <class T> T TStream::ReadLE()
{
    static_assert((std::is_arithmetic_v<T> || std::is_enum_v<T>)&&!std::is_same_v<T, bool>,
        "ReadLE takes integers, enumerations and floats");
    using U = detail::UintOf<T>;
    unsigned char bytes[sizeof(T)];
    ReadBuffer(bytes, sizeof(T));
    U u = 0;
    for (size_t i = 0; i < sizeof(T); ++i)
        u = static_cast<U>(u | static_cast<U>(static_cast<U>(bytes[i]) << (CHAR_BIT * i)));
    return std::bit_cast<T>(u);
}

template <class T> void TStream::WriteLE(T value)
{
    static_assert((std::is_arithmetic_v<T> || std::is_enum_v<T>)&&!std::is_same_v<T, bool>,
        "WriteLE takes integers, enumerations and floats");
    using U = detail::UintOf<T>;
    const U u = std::bit_cast<U>(value);
    unsigned char bytes[sizeof(T)];
    for (size_t i = 0; i < sizeof(T); ++i)
        bytes[i] = static_cast<unsigned char>(u >> (CHAR_BIT * i));
    WriteBuffer(bytes, sizeof(T));
}

/// A growable stream in memory. Writing past the end grows it; a gap left by seeking past
/// the end is filled with zero bytes.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;

    size_t Read(void* buffer, size_t count) override;
    size_t Write(const void* buffer, size_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t GetSize() override { return static_cast<int64_t>(m_data.size()); }
    void SetSize(int64_t newSize) override;

    /// The bytes; valid until the next write or size change.
    uint8_t* Memory() { return m_data.data(); }
    const uint8_t* Memory() const { return m_data.data(); }
    std::span<const uint8_t> Bytes() const { return m_data; }

    /// Empties the stream and rewinds it.
    void Clear();

    /// Replaces the content with the whole of `source` (from its start) and rewinds.
    void LoadFromStream(TStream& source);
    /// Writes the whole content to `dest` at its position.
    void SaveToStream(TStream& dest) const;

    /// UTF-8 path; raises FileOpenError when the file cannot be opened.
    void LoadFromFile(const std::string& fileName);
    /// Replaces the file's content with the whole stream as ReplaceFile does (FileReplace.h):
    /// a save that fails leaves the old file as it was and names the file and the reason.
    void SaveToFile(const std::string& fileName) const;

private:
    std::vector<uint8_t> m_data;
    int64_t m_position = 0;
};

/// A read-only view over bytes owned elsewhere (embedded resources, a caller's buffer);
/// the bytes must outlive the stream. Writing transfers nothing; SetSize raises WriteError.
class TConstMemoryStream : public TStream {
public:
    TConstMemoryStream(const void* data, size_t size)
        : m_data(static_cast<const uint8_t*>(data))
        , m_size(size)
    { }
    explicit TConstMemoryStream(std::span<const uint8_t> bytes)
        : TConstMemoryStream(bytes.data(), bytes.size())
    { }

    size_t Read(void* buffer, size_t count) override;
    size_t Write(const void* buffer, size_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t GetSize() override { return static_cast<int64_t>(m_size); }

    const uint8_t* Memory() const { return m_data; }

private:
    const uint8_t* m_data;
    size_t m_size;
    int64_t m_position = 0;
};

/// Open modes of TFileStream: one of fmCreate, fmOpenRead, fmOpenWrite, fmOpenReadWrite,
/// optionally or'ed with a share mode. Share modes are accepted and ignored: other
/// processes may always read and write the file.
constexpr uint16_t fmCreate = 0xFF00;
constexpr uint16_t fmOpenRead = 0x0000;
constexpr uint16_t fmOpenWrite = 0x0001;
constexpr uint16_t fmOpenReadWrite = 0x0002;
constexpr uint16_t fmShareCompat = 0x0000;
constexpr uint16_t fmShareExclusive = 0x0010;
constexpr uint16_t fmShareDenyWrite = 0x0020;
constexpr uint16_t fmShareDenyRead = 0x0030;
constexpr uint16_t fmShareDenyNone = 0x0040;

/// A file opened by UTF-8 path. fmCreate creates or truncates the file and opens it for
/// reading and writing; fmOpenWrite does not truncate. A failed open raises FileOpenError
/// naming the file and the system's reason.
class TFileStream final : public TStream {
public:
    TFileStream(const std::string& fileName, uint16_t mode);
    ~TFileStream() override;

    size_t Read(void* buffer, size_t count) override;
    size_t Write(const void* buffer, size_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t GetSize() override;
    void SetSize(int64_t newSize) override;

    const std::string& FileName() const { return m_fileName; }

private:
    std::string m_fileName;
    int m_fd = -1;
};

/// A window of `size` bytes starting at `offset` in another stream, with its own position
/// from 0. Reads and writes never leave the window, so a bad length inside one record
/// cannot misalign the next. Each transfer moves the base stream's position; the base
/// must outlive the window. SetSize raises WriteError.
class TSubStream final : public TStream {
public:
    TSubStream(TStream& base, int64_t offset, int64_t size);

    size_t Read(void* buffer, size_t count) override;
    size_t Write(const void* buffer, size_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    /// The window's size, or less when the base stream ends inside the window.
    int64_t GetSize() override;

private:
    size_t Clamp(size_t count, int64_t limit) const;

    TStream& m_base;
    int64_t m_offset;
    int64_t m_size;
    int64_t m_position = 0;
};

} // namespace rtl
