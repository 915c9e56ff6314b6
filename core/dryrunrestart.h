// The program's restart in a dry run. On the panel PC a reboot (or the program's start of
// itself) ends this process and brings the program back from PARAM.db and the other stores; a
// dry run only records the command. So that the program does not go on half torn down (the
// parameter database closed, a new language half applied), the dry run restarts it in place:
// the same program file, arguments and working directory replace this process. When that fails
// the process ends with a log line and exit status 1, as the real restart would have ended it.
#pragma once

namespace DryRunRestart {

// Remembers the arguments and the working directory; call first in main, before the
// application object takes its own options out of argv. In a dry run it installs the shell
// runner's end handler: a recorded restart replaces the process as described above; a recorded
// power-off leaves it running (the runner opens again what was closed for it).
void install(int argc, char** argv);

}  // namespace DryRunRestart
