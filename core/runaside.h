// Runs long work (copies, digests, flushes) in a thread of its own while the calling thread's
// events go on, so that the screen and the machine cycle's 100 ms tick never stand still.
#pragma once

#include <functional>

// Runs `work` in a new thread and returns once it has ended. Meanwhile the calling thread runs
// its event loop: timers, the screen, and a button that asks the work to stop. What `work`
// shares with the calling thread is its own to guard; the calling thread reads what it wrote
// only after the return.
void runAside(const std::function<void()>& work);

// The name of runAside's worker threads, as ps, top and a debugger show it.
inline constexpr char kRunAsideThreadName[] = "aside";
