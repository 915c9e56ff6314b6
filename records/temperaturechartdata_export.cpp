// The result store's export: the external export program run on the rows of the present query.
#include "records/temperaturechartdata.h"

#include "core/wallclock.h"

#include <QDir>
#include <QProcess>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

const char* const TemperatureChartData::kExportProgram = "./relaydir/export_temperature/temperature_export.exe";
const char* const TemperatureChartData::kManualCapture = "Manual capture";
const char* const TemperatureChartData::kReChecked = "Re-checked";
const char* const TemperatureChartData::kAlarmClearing = "Alarm clearing";

int TemperatureChartData::leftOutColumn(const QSqlQuery& query)
{
    return query.record().indexOf(QStringLiteral("left_out"));
}

bool TemperatureChartData::leftOutRow(const QSqlQuery& query, int leftOutColumn)
{
    if (leftOutColumn >= 0 && !query.value(leftOutColumn).toString().isEmpty())
        return true;
    const QString description = query.value(8).toString();
    return description == QLatin1String(kManualCapture) || description == QLatin1String(kReChecked)
           || description == QLatin1String(kAlarmClearing);
}

namespace {

const char* const kTimeFormat = "yyyy-MM-dd hh:mm:ss.zzz";
// What the program prints, last, when it has written its file.
const char* const kClosingLine = "export finished\r\n";
constexpr int kRegularMode = 2;

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
    const QString sub = WallClock::now().toString(QStringLiteral("yyyy-MM-dd_hh.mm.ss.zzz")) + QStringLiteral("_result");
    QDir folder(dir);
    // Without the sub-folder the program writes into the chosen folder itself.
    if (folder.mkpath(sub))
        folder.cd(sub);

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
            exportDone(-1, int(QProcess::CrashExit));
        }
    });
    exportBusy = 1;
    m_export->start(program, arguments, QIODevice::ReadWrite);
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
    const bool ok = exitStatus == int(QProcess::NormalExit) && exitCode == 0 && m_exportOutput.contains(kClosingLine);
    qInfo("export ended with code %d: %s", exitCode, ok ? "done" : "failed");
    m_export->disconnect(this);
    m_export->deleteLater();
    m_export = nullptr;
    m_exportOutput.clear();
    exportBusy = 0;
    emit exportFinish(ok);
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
