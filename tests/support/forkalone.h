// A fork for tests whose child runs work that the code under test hands to runAside.
//
// runAside's worker is a QThread, and Qt 5 detaches its threads: once the work has ended and the
// caller has waited for it, the thread may still be leaving the process, freeing what its
// libraries kept for it under their own locks (glib's slice allocator among them). A child forked
// at that instant inherits a lock that nobody will ever release, and its own first worker waits
// on it for ever. forkAlone forks only once no such worker is left.
#pragma once

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include <dirent.h>
#include <sys/types.h>
#include <unistd.h>

#include "core/runaside.h"

// True while a thread named as runAside names its workers is still in this process.
inline bool asideWorkerPresent()
{
    DIR* tasks = ::opendir("/proc/self/task");
    if (!tasks)
        return false;
    bool present = false;
    while (const dirent* task = ::readdir(tasks)) {
        if (task->d_name[0] == '.')
            continue;
        std::ifstream comm(std::string("/proc/self/task/") + task->d_name + "/comm");
        std::string name;
        if (std::getline(comm, name) && name == kRunAsideThreadName) {
            present = true;
            break;
        }
    }
    ::closedir(tasks);
    return present;
}

// fork(), once every runAside worker has left. A worker that is still at its work after a
// minute belongs to the test, not to a leaving thread: the fork goes ahead and says so.
inline pid_t forkAlone()
{
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (asideWorkerPresent()) {
        if (std::chrono::steady_clock::now() > giveUp) {
            std::fprintf(stderr, "forkAlone: a runAside worker is still running; forking beside it\n");
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::fflush(nullptr);
    return ::fork();
}
