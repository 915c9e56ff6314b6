// The login rule of the password boxes: which login level (0 not logged in, 1 user, 2 service)
// an entered text earns against the active parameter record at a given moment.
#pragma once

#include <QDateTime>
#include <QString>

class SystemParam;

// The service password: "5937", followed by the local time as "MMddhh" (24-hour clock) when the
// password switch is on, so that it changes every hour.
QString servicePassword(bool passwordEnabled, const QDateTime& now);

// 2 for the service password (tested first), 1 for the record's user password (its 100 bytes up
// to the first NUL, as Latin-1), else 0. Comparisons are exact.
int loginLevelFor(const QString& entry, const SystemParam& record, const QDateTime& now);

// The moment the password boxes check against: the local time, unless a test has set a clock.
QDateTime loginNow();
using LoginClock = QDateTime (*)();
// Tests only: replaces the clock; null restores the local time.
void setLoginClock(LoginClock clock);
