#include "core/wallclock.h"

namespace {

std::function<QDateTime()>& testClock()
{
    static std::function<QDateTime()> clock;
    return clock;
}

}  // namespace

namespace WallClock {

QDateTime now()
{
    const auto& clock = testClock();
    return clock ? clock() : QDateTime::currentDateTime();
}

void setForTests(std::function<QDateTime()> clock)
{
    testClock() = std::move(clock);
}

}  // namespace WallClock
