// Reads back what the shell runner recorded in dry-run mode (MONITOR_DRY_RUN=1).
#pragma once

#include <QStringList>

namespace DryRunLog {

// The command lines recorded so far in the working directory's dry-run log, in order.
QStringList recordedCommands();

}  // namespace DryRunLog
