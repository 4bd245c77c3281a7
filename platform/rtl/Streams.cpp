#include "platform/rtl/Streams.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileReplace.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <new>
#include <stdexcept>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace rtl {

// ---------------------------------------------------------------------------------------
// TStream

int64_t TStream::GetSize()
{
    const int64_t position = Seek(0, soFromCurrent);
    const int64_t size = Seek(0, soFromEnd);
    Seek(position, soFromBeginning);
    return size;
}

void TStream::SetSize(int64_t)
{
    throw WriteError("Stream size cannot be changed");
}

int64_t TStream::BytesLeft()
{
    const int64_t left = GetSize() - GetPosition();
    return left > 0 ? left : 0;
}

void TStream::ReadBuffer(void* buffer, size_t count)
{
    if (count != 0 && Read(buffer, count) != count)
        throw ReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, size_t count)
{
    if (count != 0 && Write(buffer, count) != count)
        throw WriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count)
{
    if (count == 0) {
        source.SetPosition(0);
        count = source.GetSize();
    }
    if (count < 0)
        throw ReadError("Stream read error");
    constexpr size_t kChunk = size_t { 64 } * 1024;
    std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(count, kChunk)));
    int64_t left = count;
    while (left > 0) {
        const size_t n = static_cast<size_t>(std::min<int64_t>(left, kChunk));
        source.ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        left -= static_cast<int64_t>(n);
    }
    return count;
}

int64_t TStream::SeekTarget(int64_t offset, TSeekOrigin origin, int64_t position, int64_t size)
{
    int64_t base = 0;
    switch (origin) {
    case soFromBeginning:
        base = 0;
        break;
    case soFromCurrent:
        base = position;
        break;
    case soFromEnd:
        base = size;
        break;
    default:
        throw ReadError("Invalid stream position");
    }
    int64_t target;
    if (__builtin_add_overflow(base, offset, &target) || target < 0)
        throw ReadError("Invalid stream position");
    return target;
}

// ---------------------------------------------------------------------------------------
// TMemoryStream

size_t TMemoryStream::Read(void* buffer, size_t count)
{
    const int64_t size = GetSize();
    if (m_position >= size || count == 0)
        return 0;
    const size_t n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(count), size - m_position));
    std::memcpy(buffer, m_data.data() + m_position, n);
    m_position += static_cast<int64_t>(n);
    return n;
}

size_t TMemoryStream::Write(const void* buffer, size_t count)
{
    if (count == 0)
        return 0;
    const uint64_t end = static_cast<uint64_t>(m_position) + count;
    if (end < count || end > m_data.max_size())
        throw WriteError("Out of memory while expanding memory stream");
    if (end > m_data.size()) {
        try {
            if (end > m_data.capacity())
                m_data.reserve(std::max<size_t>(static_cast<size_t>(end), m_data.capacity() * 2));
            m_data.resize(static_cast<size_t>(end));
        } catch (const std::bad_alloc&) {
            throw WriteError("Out of memory while expanding memory stream");
        } catch (const std::length_error&) {
            throw WriteError("Out of memory while expanding memory stream");
        }
    }
    std::memcpy(m_data.data() + m_position, buffer, count);
    m_position = static_cast<int64_t>(end);
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin)
{
    m_position = SeekTarget(offset, origin, m_position, GetSize());
    return m_position;
}

void TMemoryStream::SetSize(int64_t newSize)
{
    if (newSize < 0 || static_cast<uint64_t>(newSize) > m_data.max_size())
        throw WriteError("Out of memory while expanding memory stream");
    try {
        m_data.resize(static_cast<size_t>(newSize));
    } catch (const std::bad_alloc&) {
        throw WriteError("Out of memory while expanding memory stream");
    }
    if (m_position > newSize)
        m_position = newSize;
}

void TMemoryStream::Clear()
{
    m_data.clear();
    m_data.shrink_to_fit();
    m_position = 0;
}

void TMemoryStream::LoadFromStream(TStream& source)
{
    source.SetPosition(0);
    const int64_t size = source.GetSize();
    SetSize(size);
    m_position = 0;
    source.ReadBuffer(m_data.data(), m_data.size());
}

void TMemoryStream::SaveToStream(TStream& dest) const
{
    dest.WriteBuffer(m_data.data(), m_data.size());
}

void TMemoryStream::LoadFromFile(const std::string& fileName)
{
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}

void TMemoryStream::SaveToFile(const std::string& fileName) const
{
    ReplaceFile(fileName, m_data);
}

// ---------------------------------------------------------------------------------------
// TConstMemoryStream

size_t TConstMemoryStream::Read(void* buffer, size_t count)
{
    const int64_t size = GetSize();
    if (m_position >= size || count == 0)
        return 0;
    const size_t n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(count), size - m_position));
    std::memcpy(buffer, m_data + m_position, n);
    m_position += static_cast<int64_t>(n);
    return n;
}

size_t TConstMemoryStream::Write(const void*, size_t)
{
    return 0;
}

int64_t TConstMemoryStream::Seek(int64_t offset, TSeekOrigin origin)
{
    m_position = SeekTarget(offset, origin, m_position, GetSize());
    return m_position;
}

// ---------------------------------------------------------------------------------------
// TFileStream

namespace {

std::string ErrnoText(int error)
{
    return std::error_code(error, std::generic_category()).message();
}

} // namespace

TFileStream::TFileStream(const std::string& fileName, uint16_t mode)
    : m_fileName(fileName)
{
    int flags = O_CLOEXEC;
    const bool create = (mode & 0xFF00) == fmCreate;
    if (create) {
        flags |= O_RDWR | O_CREAT | O_TRUNC;
    } else {
        switch (mode & 0x0003) {
        case fmOpenWrite:
            flags |= O_WRONLY;
            break;
        case fmOpenReadWrite:
            flags |= O_RDWR;
            break;
        default:
            flags |= O_RDONLY;
            break;
        }
    }
    do {
        m_fd = ::open(fileName.c_str(), flags, 0666);
    } while (m_fd < 0 && errno == EINTR);
    if (m_fd < 0) {
        const int error = errno;
        throw FileOpenError((create ? "Cannot create file \"" : "Cannot open file \"") + fileName + "\". "
            + ErrnoText(error));
    }
    // A directory opens fine for reading but every read fails; say so at once.
    struct stat info { };
    if (::fstat(m_fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(m_fd);
        m_fd = -1;
        throw FileOpenError("Cannot open file \"" + fileName + "\". " + ErrnoText(EISDIR));
    }
}

TFileStream::~TFileStream()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

size_t TFileStream::Read(void* buffer, size_t count)
{
    size_t done = 0;
    auto* bytes = static_cast<uint8_t*>(buffer);
    while (done < count) {
        const ssize_t n = ::read(m_fd, bytes + done, count - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    return done;
}

size_t TFileStream::Write(const void* buffer, size_t count)
{
    size_t done = 0;
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    while (done < count) {
        const ssize_t n = ::write(m_fd, bytes + done, count - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    return done;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin)
{
    int whence = SEEK_SET;
    if (origin == soFromCurrent)
        whence = SEEK_CUR;
    else if (origin == soFromEnd)
        whence = SEEK_END;
    const off_t result = ::lseek(m_fd, static_cast<off_t>(offset), whence);
    if (result < 0)
        throw ReadError("Invalid stream position");
    return static_cast<int64_t>(result);
}

int64_t TFileStream::GetSize()
{
    struct stat info { };
    if (::fstat(m_fd, &info) != 0)
        return TStream::GetSize();
    return static_cast<int64_t>(info.st_size);
}

void TFileStream::SetSize(int64_t newSize)
{
    if (newSize < 0)
        throw WriteError("Stream write error");
    int result;
    do {
        result = ::ftruncate(m_fd, static_cast<off_t>(newSize));
    } while (result != 0 && errno == EINTR);
    if (result != 0)
        throw WriteError("Stream write error: " + ErrnoText(errno));
    if (GetPosition() > newSize)
        SetPosition(newSize);
}

// ---------------------------------------------------------------------------------------
// TSubStream

TSubStream::TSubStream(TStream& base, int64_t offset, int64_t size)
    : m_base(base)
    , m_offset(offset < 0 ? 0 : offset)
    , m_size(size < 0 ? 0 : size)
{
    if (m_size > std::numeric_limits<int64_t>::max() - m_offset)
        m_size = std::numeric_limits<int64_t>::max() - m_offset;
}

int64_t TSubStream::GetSize()
{
    const int64_t available = m_base.GetSize() - m_offset;
    return std::clamp<int64_t>(available, 0, m_size);
}

size_t TSubStream::Clamp(size_t count, int64_t limit) const
{
    if (m_position >= limit)
        return 0;
    return static_cast<size_t>(
        std::min<int64_t>(static_cast<int64_t>(std::min<size_t>(count, INT64_MAX)), limit - m_position));
}

size_t TSubStream::Read(void* buffer, size_t count)
{
    const size_t n = Clamp(count, m_size);
    if (n == 0)
        return 0;
    m_base.SetPosition(m_offset + m_position);
    const size_t done = m_base.Read(buffer, n);
    m_position += static_cast<int64_t>(done);
    return done;
}

size_t TSubStream::Write(const void* buffer, size_t count)
{
    const size_t n = Clamp(count, m_size);
    if (n == 0)
        return 0;
    m_base.SetPosition(m_offset + m_position);
    const size_t done = m_base.Write(buffer, n);
    m_position += static_cast<int64_t>(done);
    return done;
}

int64_t TSubStream::Seek(int64_t offset, TSeekOrigin origin)
{
    m_position = SeekTarget(offset, origin, m_position, GetSize());
    return m_position;
}

} // namespace rtl
