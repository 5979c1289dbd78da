// Ctrl+C and termination requests while a long command runs: the command
// notices them and takes its own cancel path, then the process ends by the
// signal as it would have without the handler.
#pragma once

namespace orv::cli {

// Catches SIGINT and SIGTERM from now on.
void CatchInterrupts();
// The signal caught, 0 when none.
int PendingInterrupt();
// Ends the process by the signal caught (nothing when none was).
void EndByPendingInterrupt();

}  // namespace orv::cli
