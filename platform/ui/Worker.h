#pragma once

#include "platform/ui/Types.h"

// Worker threads: the only threads besides the GUI thread. They decode pictures into bitmaps
// of their own and hand the results to the GUI thread with Application::HandOver; they touch
// no GUI object.
namespace platform::ui {

/// Starts `body` on a new detached thread with a 4 MiB stack at idle priority. False when no
/// thread could be started; `body` is then destroyed without running. An exception leaving
/// `body` goes to the application's exception handler on the GUI thread.
[[nodiscard]] bool StartWorker(Task body);

/// Blocks until every worker has returned. Shut-down calls it after
/// Application::BeginShutdown, so no hand-over is waiting on a freed target.
void WaitForWorkers();

/// The number of workers that have not returned yet.
[[nodiscard]] int RunningWorkers();

} // namespace platform::ui
