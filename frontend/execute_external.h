// ExecuteAndWait: starts a command line and waits for it on the GUI thread, serving the event
// loop between short waits so that the windows stay responsive.
#pragma once

#include <QString>
#include <cstdint>

namespace tarn::frontend {

// The longest single wait for the child before pending events are handled.
inline constexpr int cWaitInterval = 500;

// The exit code as the front end reports it: read as an unsigned 32-bit number, values above
// 2147483647 (such as those of a crashed process) become 2147483647.
int ExitCodeResult(std::uint32_t exitCode);

// Starts `aCommandLine` in `aDefaultDir` (the current folder when empty); `aWindowMode` 0
// hides the child's console, 1 minimises and 2 shows it, any other value hides it. Waits until
// the child has ended, handling pending events every cWaitInterval ms, and returns its exit
// code by ExitCodeResult, or -1 when it cannot be started.
int ExecuteAndWait(const QString& aCommandLine, const QString& aDefaultDir, int aWindowMode);

}  // namespace tarn::frontend
