// Start-up of a whole process: first_frame starts the modules the way the program does,
// renders one frame of the lettering scene and exits. Each iteration spawns it and waits for
// it, so the figure is the wall time a user waits, dynamic loading and driver start included.

#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

extern char** environ;

namespace {

/// Runs the program with the arguments and waits: its exit code, or -1 when it could not run.
int RunProcess(const char* program)
{
    char* argv[] = { const_cast<char*>(program), nullptr };
    pid_t pid = 0;
    if (posix_spawn(&pid, program, nullptr, nullptr, argv, environ) != 0)
        return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

} // namespace

void BM_StartRenderOneFrameExit(benchmark::State& state)
{
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    for (auto _ : state) {
        const int code = RunProcess(GF_FIRST_FRAME);
        if (code != 0) {
            state.SkipWithError(("first_frame failed with " + std::to_string(code)).c_str());
            return;
        }
    }
}
BENCHMARK(BM_StartRenderOneFrameExit)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
