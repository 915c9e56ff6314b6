// A nearly full disk for one operation: the operation runs in a forked child whose files cannot
// grow past a size limit (RLIMIT_FSIZE). SIGXFSZ is ignored there, so a write beyond the limit
// fails with EFBIG as a write to a full disk fails, and the code under test sees an ordinary
// write error. The parent then looks at what the child left on disk.
#pragma once

#include "tests/support/forkalone.h"

#include <cerrno>
#include <cstdio>
#include <functional>

#include <signal.h>
#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

// Runs `work` in a child process whose files stay below `bytes`; returns `work`'s result (0 to
// 124; 125 when it threw), or -1 when the child did not end normally. With `killAtLimit` the
// child keeps SIGXFSZ's default action instead: the first write at the limit kills it in the
// middle of its work, as a power cut would, and the result is -1.
inline int runWithFileSizeLimit(rlim_t bytes, const std::function<int()>& work, bool killAtLimit = false)
{
    const pid_t pid = forkAlone();
    if (pid == 0) {
        ::signal(SIGXFSZ, killAtLimit ? SIG_DFL : SIG_IGN);
        const struct rlimit limit {bytes, bytes};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            ::_exit(126);
        // An exception must not leave the child running the rest of the parent's test.
        int result = 125;
        try {
            result = work();
        } catch (...) {
        }
        std::fflush(stdout);
        std::fflush(stderr);
        // No destructors and no exit handlers: the parent owns every resource the child inherited.
        ::_exit(result);
    }
    if (pid < 0)
        return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
