#pragma once

#include "platform/physics/PhysicsApi.h"

#include <cstdint>
#include <string>

namespace platform::physics {

/// True when `api` is a table this build can use: version 1, at least as large as the table
/// known here, and every entry set.
[[nodiscard]] bool IsUsablePhysicsApi(const GfPhysicsApiV1* api);

/// Keeps the physics module loaded while anything uses it. Each user (one per physics engine
/// object) calls Acquire once when it is made and Release once when it goes, after it has
/// destroyed its worlds: unloading the module under live worlds would leave them dangling.
/// The first Acquire after the count was 0 loads the module; a failed load is not retried
/// until the count has fallen back to 0. GUI thread only.
class PhysicsLoader {
public:
    PhysicsLoader() = default;
    virtual ~PhysicsLoader() = default;
    PhysicsLoader(const PhysicsLoader&) = delete;
    PhysicsLoader& operator=(const PhysicsLoader&) = delete;

    /// Counts one more user, also when the module is unavailable; the table or null.
    const GfPhysicsApiV1* Acquire();
    /// Counts one user fewer and unloads the module when none is left. More releases than
    /// acquires are ignored.
    void Release();

    int32_t InstanceCount() const { return m_count; }
    /// The loaded table, null when nothing is loaded or the last load failed.
    const GfPhysicsApiV1* Api() const { return m_api; }
    bool IsLoaded() const { return m_api != nullptr; }

protected:
    /// Loads the module: its table, or null on failure (leaving nothing open).
    virtual const GfPhysicsApiV1* Open() = 0;
    /// Unloads what the last successful Open loaded.
    virtual void Close() = 0;

private:
    int32_t m_count = 0;
    const GfPhysicsApiV1* m_api = nullptr;
};

/// The real module, opened with dlopen. The module file is libgfphysics.so beside the
/// running executable unless a path is given. The first load of the process that fails says
/// why on standard error.
class ModulePhysicsLoader final : public PhysicsLoader {
public:
    explicit ModulePhysicsLoader(std::string modulePath = {});
    ~ModulePhysicsLoader() override;

    const std::string& ModulePath() const { return m_path; }
    /// Why the last load failed; empty after a successful one.
    const std::string& LastError() const { return m_error; }

protected:
    const GfPhysicsApiV1* Open() override;
    void Close() override;

private:
    const GfPhysicsApiV1* Load();

    std::string m_path;
    std::string m_error;
    void* m_handle = nullptr;
};

/// A stand-in for tests and for running without the module: hands out the given table
/// (null: every load fails) and counts loads and unloads.
class FakePhysicsLoader final : public PhysicsLoader {
public:
    explicit FakePhysicsLoader(const GfPhysicsApiV1* table = nullptr)
        : m_table(table)
    { }

    /// The table the next load hands out.
    void SetTable(const GfPhysicsApiV1* table) { m_table = table; }
    int32_t OpenCount() const { return m_opens; }
    int32_t CloseCount() const { return m_closes; }

protected:
    const GfPhysicsApiV1* Open() override;
    void Close() override;

private:
    const GfPhysicsApiV1* m_table;
    int32_t m_opens = 0;
    int32_t m_closes = 0;
};

/// libgfphysics.so in the folder of the running executable.
std::string DefaultPhysicsModulePath();

/// The loader physics engines use: a ModulePhysicsLoader with the default path unless
/// SetDefaultPhysicsLoader installed another.
PhysicsLoader& DefaultPhysicsLoader();
/// Installs `loader` (not owned; null restores the module loader); answers the previous one.
PhysicsLoader* SetDefaultPhysicsLoader(PhysicsLoader* loader);

} // namespace platform::physics
