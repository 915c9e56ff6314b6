#include "widgets/logincheck.h"

#include "core/systemparam.h"

namespace {
LoginClock g_clock = nullptr;
}

QString servicePassword(bool passwordEnabled, const QDateTime& now)
{
    QString password = QStringLiteral("5937");
    if (passwordEnabled)
        password += now.toString(QStringLiteral("MMddhh"));
    return password;
}

int loginLevelFor(const QString& entry, const SystemParam& record, const QDateTime& now)
{
    if (entry == servicePassword(record.passwordEnabled != 0, now))
        return 2;
    // passwordText stops at the end of the 100 bytes when no NUL ends the text inside them.
    if (entry == record.passwordText())
        return 1;
    return 0;
}

QDateTime loginNow()
{
    return g_clock ? g_clock() : QDateTime::currentDateTime();
}

void setLoginClock(LoginClock clock)
{
    g_clock = clock;
}
