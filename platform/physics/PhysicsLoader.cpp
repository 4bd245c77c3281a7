#include "platform/physics/PhysicsLoader.h"

#include <atomic>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <system_error>

namespace platform::physics {

namespace {

using AnyFunction = void (*)();

constexpr size_t kFirstEntry = offsetof(GfPhysicsApiV1, WorldCreate);
static_assert((sizeof(GfPhysicsApiV1) - kFirstEntry) % sizeof(AnyFunction) == 0,
    "the table holds nothing but function pointers after its header");

PhysicsLoader* g_defaultLoader = nullptr;

} // namespace

bool IsUsablePhysicsApi(const GfPhysicsApiV1* api)
{
    if (!api || api->version != kGfPhysicsApiVersion || api->size < sizeof(GfPhysicsApiV1))
        return false;
    const auto* bytes = reinterpret_cast<const unsigned char*>(api);
    for (size_t offset = kFirstEntry; offset < sizeof(GfPhysicsApiV1); offset += sizeof(AnyFunction)) {
        AnyFunction entry;
        std::memcpy(&entry, bytes + offset, sizeof entry);
        if (!entry)
            return false;
    }
    return true;
}

const GfPhysicsApiV1* PhysicsLoader::Acquire()
{
    if (m_count == 0) {
        m_api = Open();
        if (m_api && !IsUsablePhysicsApi(m_api)) {
            Close();
            m_api = nullptr;
        }
    }
    ++m_count;
    return m_api;
}

void PhysicsLoader::Release()
{
    if (m_count == 0)
        return;
    if (--m_count > 0)
        return;
    if (m_api) {
        m_api = nullptr;
        Close();
    }
}

ModulePhysicsLoader::ModulePhysicsLoader(std::string modulePath)
    : m_path(modulePath.empty() ? DefaultPhysicsModulePath() : std::move(modulePath))
{ }

ModulePhysicsLoader::~ModulePhysicsLoader()
{
    if (m_handle)
        dlclose(m_handle);
}

const GfPhysicsApiV1* ModulePhysicsLoader::Open()
{
    m_error.clear();
    const GfPhysicsApiV1* api = Load();
    // Without the module objects stay where they are; the user hears why, once per run.
    static std::atomic<bool> told { false };
    if (!api && !told.exchange(true))
        std::fprintf(stderr, "Physics is off: the physics module cannot be loaded (%s)\n", m_error.c_str());
    return api;
}

const GfPhysicsApiV1* ModulePhysicsLoader::Load()
{
    if (m_path.empty()) {
        m_error = "the folder of the running program is unknown";
        return nullptr;
    }
    void* handle = dlopen(m_path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = dlerror();
        m_error = reason ? reason : "cannot open " + m_path;
        return nullptr;
    }
    const auto* api = static_cast<const GfPhysicsApiV1*>(dlsym(handle, GF_PHYSICS_API_SYMBOL));
    if (!IsUsablePhysicsApi(api)) {
        m_error
            = api ? m_path + " has an incompatible physics table" : m_path + " has no " GF_PHYSICS_API_SYMBOL;
        dlclose(handle);
        return nullptr;
    }
    m_handle = handle;
    return api;
}

void ModulePhysicsLoader::Close()
{
    if (m_handle) {
        dlclose(m_handle);
        m_handle = nullptr;
    }
}

const GfPhysicsApiV1* FakePhysicsLoader::Open()
{
    ++m_opens;
    return m_table;
}

void FakePhysicsLoader::Close()
{
    ++m_closes;
}

std::string DefaultPhysicsModulePath()
{
    std::error_code error;
    std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || program.empty())
        return {};
    return (program.parent_path() / "libgfphysics.so").string();
}

PhysicsLoader& DefaultPhysicsLoader()
{
    if (g_defaultLoader)
        return *g_defaultLoader;
    static ModulePhysicsLoader moduleLoader;
    return moduleLoader;
}

PhysicsLoader* SetDefaultPhysicsLoader(PhysicsLoader* loader)
{
    PhysicsLoader* previous = &DefaultPhysicsLoader();
    g_defaultLoader = loader;
    return previous;
}

} // namespace platform::physics
