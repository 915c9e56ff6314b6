// Ends the program in order on SIGTERM, which is how the system's shutdown stops it: the signal
// handler only writes a byte to a socket pair; the GUI thread reads it, logs why the program
// ends, closes the stores and exits with status 0. No crash report is written for it.
#pragma once

#include <functional>

namespace TerminationSignal {

// Takes SIGTERM (from glog's failure signal handler, which would report it as a crash). Call in
// the GUI thread, after google::InstallFailureSignalHandler.
void install();

// What the GUI thread does on SIGTERM before the process ends (closing the stores); nothing
// until set.
void setCloser(std::function<void()> closeStores);

}  // namespace TerminationSignal
