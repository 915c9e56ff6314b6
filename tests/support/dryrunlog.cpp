#include "tests/support/dryrunlog.h"

#include "core/shellrunner.h"

#include <QFile>

namespace DryRunLog {

QStringList recordedCommands()
{
    QFile log(QString::fromLatin1(ShellRunner::kDryRunLog));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

}  // namespace DryRunLog
