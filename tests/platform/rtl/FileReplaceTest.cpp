// Whole-file saving: the flushes that make a saved file survive a crash, what a save leaves
// behind when writing, flushing or closing fails, and the memory stream's saver, which goes
// the same way.

#include "platform/rtl/FileReplace.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "tests/support/FileSizeLimit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace rtl;

namespace {

namespace fs = std::filesystem;

fs::path Folder(const std::string& name)
{
    const fs::path folder = fs::path(GF_TEST_OUTPUT) / "replace" / name;
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return "(missing)";
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteAll(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> Entries(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::span<const uint8_t> Bytes(const std::string& text)
{
    return { reinterpret_cast<const uint8_t*>(text.data()), text.size() };
}

bool IsFolder(int fd)
{
    struct stat info { };
    return ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode);
}

// What each flush saw: a folder or a file, and what the target held at that moment.
struct Flush {
    bool folder = false;
    std::string target;
    friend bool operator==(const Flush&, const Flush&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Flush& f)
    {
        return out << (f.folder ? "folder" : "file") << " with target \"" << f.target << '"';
    }
};

enum class Fail { Nothing, FileFlush, FileClose, FolderFlush };

struct Recorder {
    fs::path target;
    Fail fail = Fail::Nothing;
    std::vector<Flush> flushes;
};
Recorder* g_recorder = nullptr;

int RecordingFsync(int fd)
{
    const bool folder = IsFolder(fd);
    g_recorder->flushes.push_back({ folder, ReadAll(g_recorder->target) });
    if (g_recorder->fail == (folder ? Fail::FolderFlush : Fail::FileFlush)) {
        errno = EIO;
        return -1;
    }
    return ::fsync(fd);
}

// A file system that reports a lost write only when the file is closed: the descriptor is
// released all the same.
int RecordingClose(int fd)
{
    const bool folder = IsFolder(fd);
    const int result = ::close(fd);
    if (!folder && g_recorder->fail == Fail::FileClose) {
        errno = EIO;
        return -1;
    }
    return result;
}

class Recording {
public:
    explicit Recording(Recorder& recorder)
    {
        g_recorder = &recorder;
        m_before = detail::SetFileSyncCalls({ &RecordingFsync, &RecordingClose });
    }
    ~Recording()
    {
        detail::SetFileSyncCalls(m_before);
        g_recorder = nullptr;
    }
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;

private:
    detail::FileSyncCalls m_before;
};

} // namespace

TEST(ReplaceFile, TheContentReachesTheDiskBeforeItTakesTheNameAndTheFolderAfter)
{
    const fs::path folder = Folder("order");
    const fs::path target = folder / "design.qgf";
    Recorder recorder { target };
    {
        const Recording recording(recorder);
        ReplaceFile(target.string(), Bytes("first"));
        WriteAll(folder / "other", "x");
        ReplaceFile(target.string(), Bytes("second"));
    }
    // Without the first flush a crash could leave the new name on an empty file; without
    // the second, the old file under its name.
    const std::vector<Flush> expected {
        { false, "(missing)" },
        { true, "first" },
        { false, "first" },
        { true, "second" },
    };
    EXPECT_EQ(recorder.flushes, expected);
    EXPECT_EQ(ReadAll(target), "second");
    EXPECT_EQ(Entries(folder), (std::vector<std::string> { "design.qgf", "other" }));
}

TEST(ReplaceFile, AFailedFlushOrCloseIsReportedNamingTheFileAndTheReason)
{
    struct Case {
        const char* name;
        Fail fail;
        const char* left; // what the target holds afterwards
    } const cases[] = {
        { "flushing the file", Fail::FileFlush, "old" },
        { "closing the file", Fail::FileClose, "old" },
        // The new content already has the name; the save still cannot promise it lasts.
        { "flushing the folder", Fail::FolderFlush, "new" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path folder = Folder("fail");
        const fs::path target = folder / "design.qgf";
        WriteAll(target, "old");
        Recorder recorder { target, c.fail };
        try {
            const Recording recording(recorder);
            ReplaceFile(target.string(), Bytes("new"));
            ADD_FAILURE() << "reported as saved";
        } catch (const WriteError& e) {
            EXPECT_EQ(
                std::string(e.what()), "Cannot write file \"" + target.string() + "\". Input/output error");
        }
        EXPECT_EQ(ReadAll(target), c.left);
        EXPECT_EQ(Entries(folder), std::vector<std::string> { "design.qgf" }) << "no temporary file is left";
    }
}

TEST(TMemoryStream, SaveToFileReplacesTheFileWholeOrLeavesItAsItWas)
{
    const fs::path folder = Folder("memory-stream");
    const fs::path target = folder / "data.bin";
    WriteAll(target, "the old content");
    TMemoryStream big;
    big.SetSize(64 * 1024);

    // It used to truncate the file and write in place: a full disk left part of the new
    // content where the old one was, and said only "Stream write error".
    try {
        const testsupport::FileSizeLimit limit(4096);
        big.SaveToFile(target.string());
        ADD_FAILURE() << "reported as saved";
    } catch (const WriteError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot write file \"" + target.string() + "\". File too large");
    }
    EXPECT_EQ(ReadAll(target), "the old content");
    EXPECT_EQ(Entries(folder), std::vector<std::string> { "data.bin" });

    // A folder in the way stays as it is.
    fs::create_directories(folder / "in-the-way.bin");
    WriteAll(folder / "in-the-way.bin" / "inside", "kept");
    try {
        big.SaveToFile((folder / "in-the-way.bin").string());
        ADD_FAILURE() << "reported as saved";
    } catch (const FileOpenError& e) {
        EXPECT_EQ(std::string(e.what()).rfind(
                      "Cannot create file \"" + (folder / "in-the-way.bin").string() + "\". ", 0),
            0u)
            << e.what();
    }
    EXPECT_EQ(ReadAll(folder / "in-the-way.bin" / "inside"), "kept");

    // And it flushes like every saver.
    Recorder recorder { target };
    {
        const Recording recording(recorder);
        big.SaveToFile(target.string());
    }
    EXPECT_EQ(recorder.flushes.size(), 2u);
    EXPECT_EQ(fs::file_size(target), 64u * 1024u);
    EXPECT_EQ(Entries(folder), (std::vector<std::string> { "data.bin", "in-the-way.bin" }));
}
