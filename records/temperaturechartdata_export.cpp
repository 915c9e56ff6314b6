// The result store's export: the external export program run on the rows of the present query.
#include "records/temperaturechartdata.h"

#include "core/wallclock.h"
#include "records/leftoutmarks.h"

#include <QDir>
#include <QProcess>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

const char* const TemperatureChartData::kExportProgram = "./relaydir/export_temperature/temperature_export.exe";
const char* const TemperatureChartData::kManualCapture = kManualCaptureMark;
const char* const TemperatureChartData::kReChecked = kReCheckedMark;
const char* const TemperatureChartData::kAlarmClearing = kAlarmClearingMark;

int TemperatureChartData::leftOutColumn(const QSqlQuery& query)
{
    return query.record().indexOf(QStringLiteral("left_out"));
}

bool TemperatureChartData::leftOutRow(const QSqlQuery& query, int leftOutColumn)
{
    const QString leftOut = leftOutColumn >= 0 ? query.value(leftOutColumn).toString() : QString();
    return !leftOutReason(leftOut, query.value(8).toString()).isEmpty();
}

namespace {

const char* const kTimeFormat = "yyyy-MM-dd hh:mm:ss.zzz";
// What the program prints, last, when it has written its file.
const char* const kClosingLine = "export finished\r\n";
constexpr int kRegularMode = 2;

// What the export program's exit codes tell the operator.
const struct {
    int code;
    const char* reason;
} kExitReasons[] = {
    {2, QT_TRANSLATE_NOOP("TemperatureChartData", "导出条件无效")},
    {3, QT_TRANSLATE_NOOP("TemperatureChartData", "无法读取检测记录")},
    {4, QT_TRANSLATE_NOOP("TemperatureChartData", "无法写入所选文件夹")},
};

// The last line the program printed, for the log.
QByteArray lastLine(const QByteArray& output)
{
    const QList<QByteArray> lines = output.trimmed().split('\n');
    return lines.isEmpty() ? QByteArray() : lines.last().trimmed();
}

}  // namespace

void TemperatureChartData::exportData(int mode, QString dir)
{
    if (exportBusy)
        return;
    QueryFilter f;
    {
        QMutexLocker lock(&dataMutex);
        f = filter;
    }
    // The program would refuse an empty time; nothing is started and no folder made.
    if (!f.from.isValid() || !f.to.isValid()) {
        const QString reason = !f.from.isValid() && !f.to.isValid() ? tr("未选择开始和结束时间")
                               : !f.from.isValid()                 ? tr("未选择开始时间")
                                                                   : tr("未选择结束时间");
        qWarning("export not started: the range lacks its %s",
                 !f.from.isValid() && !f.to.isValid() ? "start and end" : !f.from.isValid() ? "start" : "end");
        // Announced once the caller has returned, as the end of a program would be.
        QMetaObject::invokeMethod(this, [this, reason] { emit exportFinish(false, reason); }, Qt::QueuedConnection);
        return;
    }
    const QString sub = WallClock::now().toString(QStringLiteral("yyyy-MM-dd_hh.mm.ss.zzz")) + QStringLiteral("_result");
    QDir folder(dir);
    m_exportFolder.clear();
    // Without the sub-folder the program writes into the chosen folder itself.
    const bool existed = folder.exists(sub);
    if (folder.mkpath(sub) && folder.cd(sub) && !existed)
        m_exportFolder = folder.absolutePath();

    const QString format = QString::fromLatin1(kTimeFormat);
    QStringList arguments{QStringLiteral("-t"), f.from.toString(format), f.to.toString(format),
                          QStringLiteral("-c"), QString::number(f.camera),
                          QStringLiteral("-d"), QString::number(f.detect),
                          QStringLiteral("-dir"), folder.absolutePath() + QLatin1Char('/'),
                          QStringLiteral("-w"), QDir::currentPath() + QLatin1Char('/')};
    if (mode == kRegularMode)
        arguments << QStringLiteral("-detail") << QStringLiteral("Regular recording");
    const QString program = QString::fromLatin1(kExportProgram);
    qInfo("%s \"%s\"", qPrintable(program), qPrintable(arguments.join(QStringLiteral("\" \""))));

    m_export = new QProcess(this);
    m_exportOutput.clear();
    m_export->setProcessChannelMode(QProcess::MergedChannels);
    connect(m_export, &QProcess::readyRead, this, &TemperatureChartData::exportOutput);
    connect(m_export, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), this,
            [this](int code, QProcess::ExitStatus status) { exportDone(code, int(status)); });
    connect(m_export, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        // A program that never ran sends no finished signal: the export ends here.
        if (error == QProcess::FailedToStart) {
            qWarning("export program not started: %s", qPrintable(m_export->errorString()));
            endExport(false, tr("导出程序无法启动"));
        }
    });
    exportBusy = 1;
    m_export->start(program, arguments, QIODevice::ReadWrite);
}

QString TemperatureChartData::exportFailureText(const QString& headline, const QString& reason)
{
    return reason.isEmpty() ? headline : headline + QLatin1Char('\n') + reason;
}

void TemperatureChartData::exportOutput()
{
    if (!m_export)
        return;
    const QByteArray piece = m_export->readAll();
    if (piece.isEmpty())
        return;
    m_exportOutput += piece;
    qInfo("%s", piece.constData());
    // The closing line may arrive split over several pieces: judged on all output so far.
    qInfo("%s", m_exportOutput.contains(kClosingLine) ? "true" : "false");
}

void TemperatureChartData::exportDone(int exitCode, int exitStatus)
{
    if (!m_export)
        return;
    exportOutput();
    const bool crashed = exitStatus != int(QProcess::NormalExit);
    const bool ok = !crashed && exitCode == 0 && m_exportOutput.contains(kClosingLine);
    QString reason;
    if (crashed) {
        reason = tr("导出程序异常结束");
    } else if (exitCode != 0) {
        reason = tr("导出程序返回错误代码 %1").arg(exitCode);
        for (const auto& known : kExitReasons) {
            if (known.code == exitCode)
                reason = tr(known.reason);
        }
    } else if (!ok) {
        reason = tr("导出程序未报告完成");
    }
    if (ok)
        qInfo("export ended with code 0: done");
    else
        qWarning("export failed: %s with code %d, its last line: \"%s\"", crashed ? "crashed" : "ended", exitCode,
                 lastLine(m_exportOutput).constData());
    endExport(ok, reason);
}

void TemperatureChartData::endExport(bool ok, const QString& reason)
{
    m_export->disconnect(this);
    m_export->deleteLater();
    m_export = nullptr;
    m_exportOutput.clear();
    // A folder left empty by a failed export would only puzzle whoever opens the disk.
    if (!ok && !m_exportFolder.isEmpty() && QDir(m_exportFolder).isEmpty())
        QDir().rmdir(m_exportFolder);
    m_exportFolder.clear();
    exportBusy = 0;
    emit exportFinish(ok, reason);
}

void TemperatureChartData::stopExport()
{
    if (!m_export)
        return;
    m_export->disconnect(this);
    m_export->kill();
    m_export->waitForFinished(1000);
    delete m_export;
    m_export = nullptr;
    exportBusy = 0;
}
