// The local date and time that the day-bound records go by (operation-log rotation, hourly
// statistics and their roll-over, the rounds' start and today's results read back at start-up).
// Tests set it to cross a midnight without waiting for one.
// GUI thread only.
#pragma once

#include <QDateTime>

#include <functional>

namespace WallClock {

// The present local date and time (the system clock unless a test has set another).
QDateTime now();

// Tests only: now() answers `clock` from here on; an empty function restores the system clock.
void setForTests(std::function<QDateTime()> clock);

}  // namespace WallClock
