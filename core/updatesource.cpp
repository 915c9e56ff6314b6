#include "core/updatesource.h"

namespace {

QString environmentOr(const char* name, const char* fallback)
{
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? QString::fromLatin1(fallback) : value;
}

}  // namespace

QString updateServerAddress()
{
    return QStringLiteral("http://%1/monitor/").arg(environmentOr("MONITOR_UPDATE_SERVER", "127.0.0.1:10440"));
}

QString backupFolder()
{
    return environmentOr("MONITOR_BACKUP_DIR", "/root");
}
