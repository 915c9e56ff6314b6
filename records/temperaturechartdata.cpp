#include "records/temperaturechartdata.h"

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMutexLocker>
#include <QSqlQuery>
#include <QThreadPool>
#include <QTime>

#include <climits>

namespace {

const char* const kTimeFormat = "yyyy-MM-dd hh:mm:ss.zzz";
const char* const kResultFile = "ResStatistics.db";
// A roi_detail element that starts with this tool type holds a temperature.
constexpr int kTemperatureTool = 9;

QSqlDatabase connectionNamed(const QString& name)
{
    return QSqlDatabase::contains(name) ? QSqlDatabase::database(name, false)
                                        : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
}

// A text that is not a JSON array reads as an empty array.
QJsonArray jsonArray(const QString& text)
{
    return QJsonDocument::fromJson(text.toUtf8()).array();
}

}  // namespace

TemperatureChartData* TemperatureChartData::instance()
{
    static TemperatureChartData* store = new TemperatureChartData;
    return store;
}

TemperatureChartData::TemperatureChartData(QObject* parent)
    : QObject(parent)
{
}

void TemperatureChartData::init()
{
    readDb = connectionNamed(QStringLiteral("ResDB"));
    dbFileName = QString::fromLatin1(kResultFile);
    readDb.setDatabaseName(dbFileName);
    insertDb = connectionNamed(QStringLiteral("ResInsertDB"));
    insertDb.setDatabaseName(QString::fromLatin1(kResultFile));

    if (!readDb.isOpen() && !readDb.open()) {
        qWarning("cannot open %s: today's results are not read", kResultFile);
        return;
    }

    const QDate today = QDate::currentDate();
    filter.from = QDateTime(today, QTime(0, 0));
    filter.to = QDateTime(today, QTime(23, 59, 59, 999));

    QThreadPool::globalInstance()->start([this]() {
        loadToday();
        loaded = 1;
    });

    connect(&recordTimer, &QTimer::timeout, this, &TemperatureChartData::markNextRound, Qt::UniqueConnection);
}

void TemperatureChartData::setRecordInterval(int minutes)
{
    intervalMinutes = minutes;
    if (minutes <= 0) {
        // A zero-interval timer would fire without pause; every row is regular anyway.
        recordTimer.stop();
        markNext = 1;
        return;
    }
    const qint64 ms = qint64(minutes) * 60000;
    recordTimer.setSingleShot(false);
    recordTimer.start(static_cast<int>(qMin<qint64>(ms, INT_MAX)));
}

void TemperatureChartData::markNextRound()
{
    markNext = 1;
}

void TemperatureChartData::clearTodayRounds()
{
    QMutexLocker lock(&dataMutex);
    todayRounds.clear();
}

void TemperatureChartData::clearTodaySeries()
{
    QMutexLocker lock(&dataMutex);
    todaySeries.clear();
}

QString TemperatureChartData::seriesKey(int camera, int detect, int region)
{
    return QStringLiteral("C:%1_D:%2_F:%3").arg(camera).arg(detect).arg(region);
}

QString TemperatureChartData::roundKey(const QString& time, int camera, int detect, int region)
{
    return QStringLiteral("T:%1_C:%2_D:%3_F:%4").arg(time).arg(camera).arg(detect).arg(region);
}

void TemperatureChartData::setRoundInfo(RoundRecord record)
{
    round = std::move(record);
}

void TemperatureChartData::addRoundToSeries()
{
    const QString roundText = round.roundStart.toString(QString::fromLatin1(kTimeFormat));
    const double x = double(round.detectStart.toSecsSinceEpoch());
    const int n = qMin(round.roiDetail.size(), round.roiResult.size());
    QMutexLocker lock(&dataMutex);
    for (int i = 0; i < n; ++i) {
        const QList<int>& element = round.roiDetail.at(i);
        if (element.size() >= 2 && element.at(0) == kTemperatureTool) {
            const QString key = seriesKey(round.camera, round.detect, i);
            const QPointF point(x, double(element.at(1)));
            todaySeries[key].append(point);
            newPoints[key].append(point);
        }
        const QString rkey = roundKey(roundText, round.camera, round.detect, i);
        if (!todayRounds.contains(rkey))
            todayRounds.insert(rkey, RoundEntry{round.result, round.roundStart});
    }
}

void TemperatureChartData::insertRound()
{
    round.description = markNext ? QStringLiteral("Regular recording") : QString();
    insertQueue.append(round);
    if (!loaded)
        return;
    if (!insertDb.isOpen() && !insertDb.open())
        return;
    const QString format = QString::fromLatin1(kTimeFormat);
    for (const RoundRecord& row : qAsConst(insertQueue)) {
        QSqlQuery query(insertDb);
        query.prepare(QStringLiteral("INSERT INTO res_report (roundstart, detectstart, idx_camera, idx_detect, "
                                     "roi_detail, roi_result, result, description) values(?, ?, ?, ?, ?, ?, ?, ?)"));
        query.addBindValue(row.roundStart.toString(format));
        query.addBindValue(row.detectStart.toString(format));
        query.addBindValue(row.camera);
        query.addBindValue(row.detect);
        query.addBindValue(detailToJson(row.roiDetail));
        query.addBindValue(resultToJson(row.roiResult));
        query.addBindValue(row.result);
        query.addBindValue(row.description);
        // A row that cannot be written (a locked file) is dropped; the others still go in.
        if (!query.exec())
            qWarning("res_report row of camera %d, detect %d not written", row.camera, row.detect);
    }
    insertDb.close();
    insertQueue.clear();
    round.description.clear();
    markNext = 0;
}

QString TemperatureChartData::detailToJson(const QList<QList<int>>& detail)
{
    QJsonArray outer;
    for (const QList<int>& element : detail) {
        QJsonArray inner;
        for (int v : element)
            inner.append(v);
        outer.append(inner);
    }
    return QString::fromUtf8(QJsonDocument(outer).toJson(QJsonDocument::Compact));
}

QString TemperatureChartData::resultToJson(const QList<int>& result)
{
    QJsonArray array;
    for (int v : result)
        array.append(v);
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

void TemperatureChartData::loadToday()
{
    const QDate today = QDate::currentDate();
    const QString format = QString::fromLatin1(kTimeFormat);
    // SQLite's datetime() drops the milliseconds, and roundstart is compared as text, so a row
    // later than 23:59:59.000 is not read back.
    const QString sql = QStringLiteral("select * from res_report where roundstart between datetime(\"%1\") and datetime (\"%2\")")
                            .arg(QDateTime(today, QTime(0, 0)).toString(format),
                                 QDateTime(today, QTime(23, 59, 59)).toString(format));
    {
        QSqlQuery query(readDb);
        if (query.exec(sql)) {
            while (query.next()) {
                const QString roundText = query.value(1).toString();
                const QDateTime roundStart = QDateTime::fromString(roundText, format);
                const QDateTime detectStart = QDateTime::fromString(query.value(2).toString(), format);
                const int camera = query.value(3).toInt();
                const int detect = query.value(4).toInt();
                const QJsonArray detail = jsonArray(query.value(5).toString());
                const QJsonArray results = jsonArray(query.value(6).toString());

                QMutexLocker lock(&dataMutex);
                for (int i = 0; i < detail.size(); ++i) {
                    const QJsonArray element = detail.at(i).toArray();
                    if (element.size() >= 2 && element.at(0).toInt() == kTemperatureTool)
                        todaySeries[seriesKey(camera, detect, i)].append(
                            QPointF(double(detectStart.toSecsSinceEpoch()), element.at(1).toDouble()));
                }
                for (int i = 0; i < results.size(); ++i)
                    todayRounds[roundKey(roundText, camera, detect, i)] = RoundEntry{results.at(i).toInt(), roundStart};
            }
        }
    }
    qInfo("finish read");
    readDb.close();
}
