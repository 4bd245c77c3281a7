#include "platform/physics/PhysicsLoader.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <cstddef>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

using namespace platform::physics;

namespace {

void Unused() { }

// A table whose every entry is set; the loader only checks entries, it never calls them here.
GfPhysicsApiV1 CompleteTable()
{
    GfPhysicsApiV1 table;
    std::memset(&table, 0, sizeof table);
    table.version = kGfPhysicsApiVersion;
    table.size = sizeof table;
    void (*entry)() = &Unused;
    auto* bytes = reinterpret_cast<unsigned char*>(&table);
    for (size_t offset = offsetof(GfPhysicsApiV1, WorldCreate); offset < sizeof table; offset += sizeof entry)
        std::memcpy(bytes + offset, &entry, sizeof entry);
    return table;
}

} // namespace

// Objects stay still without the module; the user hears why once, not at every load. (First in
// the file: the first failed load of the process is the one that speaks.)
TEST(ModulePhysicsLoader, AFailedLoadSaysWhyOnceOnStandardError)
{
    testing::internal::CaptureStderr();
    for (int i = 0; i < 3; ++i) {
        ModulePhysicsLoader loader("/nonexistent/folder/libgfphysics.so");
        EXPECT_EQ(loader.Acquire(), nullptr);
        loader.Release();
    }
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("physics module cannot be loaded"), std::string::npos) << said;
    EXPECT_NE(said.find("/nonexistent/folder/libgfphysics.so"), std::string::npos) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
}

TEST(PhysicsLoader, LoadsOnceWhileUsedAndAgainAfterTheLastUserWent)
{
    GfPhysicsApiV1 table = CompleteTable();
    FakePhysicsLoader loader(&table);

    EXPECT_EQ(loader.Acquire(), &table);
    EXPECT_EQ(loader.Acquire(), &table);
    EXPECT_EQ(loader.OpenCount(), 1);
    EXPECT_EQ(loader.InstanceCount(), 2);

    loader.Release();
    EXPECT_TRUE(loader.IsLoaded());
    EXPECT_EQ(loader.CloseCount(), 0);
    loader.Release();
    EXPECT_FALSE(loader.IsLoaded());
    EXPECT_EQ(loader.CloseCount(), 1);
    EXPECT_EQ(loader.InstanceCount(), 0);

    EXPECT_EQ(loader.Acquire(), &table);
    EXPECT_EQ(loader.OpenCount(), 2);
    loader.Release();
    EXPECT_EQ(loader.CloseCount(), 2);
}

TEST(PhysicsLoader, FailedLoadIsCountedAndRetriedOnlyAfterTheCountFellToZero)
{
    GfPhysicsApiV1 table = CompleteTable();
    FakePhysicsLoader loader(nullptr);

    EXPECT_EQ(loader.Acquire(), nullptr);
    EXPECT_EQ(loader.InstanceCount(), 1);

    // The module became available meanwhile, but users that came after a failure share it.
    loader.SetTable(&table);
    EXPECT_EQ(loader.Acquire(), nullptr);
    EXPECT_EQ(loader.OpenCount(), 1);
    EXPECT_EQ(loader.InstanceCount(), 2);

    loader.Release();
    loader.Release();
    EXPECT_EQ(loader.CloseCount(), 0) << "nothing was loaded, so nothing is unloaded";

    EXPECT_EQ(loader.Acquire(), &table);
    EXPECT_EQ(loader.OpenCount(), 2);
    loader.Release();
}

TEST(PhysicsLoader, ExtraReleasesAreIgnored)
{
    GfPhysicsApiV1 table = CompleteTable();
    FakePhysicsLoader loader(&table);
    loader.Release();
    EXPECT_EQ(loader.InstanceCount(), 0);
    EXPECT_EQ(loader.CloseCount(), 0);

    // The count did not go negative: one user loads and its release unloads.
    loader.Acquire();
    loader.Release();
    EXPECT_FALSE(loader.IsLoaded());
    EXPECT_EQ(loader.CloseCount(), 1);
}

TEST(PhysicsLoader, RefusesTablesItCannotUse)
{
    struct Case {
        std::string name;
        void (*spoil)(GfPhysicsApiV1&, size_t entryOffset);
        bool everyEntry;
    };
    const Case cases[] = {
        { "another version", [](GfPhysicsApiV1& t, size_t) { t.version = kGfPhysicsApiVersion + 1; }, false },
        { "an older, shorter table", [](GfPhysicsApiV1& t, size_t) { t.size = sizeof t - sizeof(void*); },
            false },
        { "a missing entry",
            [](GfPhysicsApiV1& t, size_t offset) {
                std::memset(reinterpret_cast<char*>(&t) + offset, 0, sizeof(void*));
            },
            true },
    };
    for (const Case& c : cases) {
        size_t first = offsetof(GfPhysicsApiV1, WorldCreate);
        size_t last = c.everyEntry ? sizeof(GfPhysicsApiV1) : first + 1;
        for (size_t offset = first; offset < last; offset += sizeof(void*)) {
            SCOPED_TRACE(c.name + " at byte " + std::to_string(offset));
            GfPhysicsApiV1 table = CompleteTable();
            c.spoil(table, offset);
            EXPECT_FALSE(IsUsablePhysicsApi(&table));

            FakePhysicsLoader loader(&table);
            EXPECT_EQ(loader.Acquire(), nullptr);
            EXPECT_EQ(loader.InstanceCount(), 1);
            EXPECT_EQ(loader.CloseCount(), 1) << "a refused module is unloaded at once";
            loader.Release();
            EXPECT_EQ(loader.CloseCount(), 1);
        }
    }
    GfPhysicsApiV1 table = CompleteTable();
    EXPECT_TRUE(IsUsablePhysicsApi(&table));
    EXPECT_FALSE(IsUsablePhysicsApi(nullptr));
}

TEST(ModulePhysicsLoader, LoadsTheModuleOnceAndReloadsItAfterUnloading)
{
    ModulePhysicsLoader loader(GF_PHYSICS_MODULE_PATH);
    const GfPhysicsApiV1* first = loader.Acquire();
    ASSERT_NE(first, nullptr) << loader.LastError();
    EXPECT_TRUE(IsUsablePhysicsApi(first));
    EXPECT_EQ(loader.Acquire(), first);
    EXPECT_TRUE(loader.LastError().empty());

    loader.Release();
    loader.Release();
    EXPECT_FALSE(loader.IsLoaded());

    // A fresh load must give a working module again, not a table of the unloaded one.
    const GfPhysicsApiV1* again = loader.Acquire();
    ASSERT_NE(again, nullptr) << loader.LastError();
    GfPhysicsWorld* world = again->WorldCreate();
    ASSERT_NE(world, nullptr);
    GfPhysicsShape* shape = again->ShapeCreateBox(world, 1, 1, 1);
    EXPECT_NE(again->BodyCreate(world, shape), nullptr);
    again->ShapeRelease(shape);
    again->WorldDestroy(world);
    loader.Release();
}

TEST(ModulePhysicsLoader, UnavailableModulesAreCountedAndExplained)
{
    std::string notALibrary = std::string(GF_TEST_OUTPUT) + "/not-a-module.so";
    std::ofstream(notALibrary) << "plain text";
    struct Case {
        std::string path;
        std::string reasonMentions;
    };
    const Case cases[] = {
        { "/nonexistent/folder/libgfphysics.so", "/nonexistent/folder/libgfphysics.so" },
        { notALibrary, "not-a-module.so" },
        // A real shared library without the table.
        { "libm.so.6", GF_PHYSICS_API_SYMBOL },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        ModulePhysicsLoader loader(c.path);
        EXPECT_EQ(loader.Acquire(), nullptr);
        EXPECT_EQ(loader.InstanceCount(), 1);
        EXPECT_NE(loader.LastError().find(c.reasonMentions), std::string::npos) << loader.LastError();
        EXPECT_EQ(loader.Acquire(), nullptr);
        EXPECT_EQ(loader.InstanceCount(), 2);
        loader.Release();
        loader.Release();
        EXPECT_EQ(loader.InstanceCount(), 0);
    }
}

TEST(ModulePhysicsLoader, FindsTheModuleBesideTheRunningProgram)
{
    std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe");
    EXPECT_EQ(std::filesystem::path(DefaultPhysicsModulePath()), program.parent_path() / "libgfphysics.so");

    ModulePhysicsLoader loader;
    EXPECT_EQ(loader.ModulePath(), DefaultPhysicsModulePath());
    EXPECT_NE(loader.Acquire(), nullptr) << loader.LastError();
    loader.Release();
}

TEST(DefaultPhysicsLoader, CanBeReplacedAndRestored)
{
    PhysicsLoader& original = DefaultPhysicsLoader();
    FakePhysicsLoader fake;
    EXPECT_EQ(SetDefaultPhysicsLoader(&fake), &original);
    EXPECT_EQ(&DefaultPhysicsLoader(), &fake);
    EXPECT_EQ(DefaultPhysicsLoader().Acquire(), nullptr);
    DefaultPhysicsLoader().Release();
    EXPECT_EQ(SetDefaultPhysicsLoader(nullptr), &fake);
    EXPECT_EQ(&DefaultPhysicsLoader(), &original);
}
