// Our stand-in for the external result export program:
//   temperature_export.exe -t FROM TO -c CAMERA -d DETECT -dir FOLDER/ -w WORKDIR/ [-detail TEXT]
// FROM and TO are round starts "yyyy-MM-dd hh:mm:ss.zzz" (both included), CAMERA and DETECT an
// index or -1 for all, WORKDIR the monitor's working directory with ResStatistics.db and the
// ResStatistics/ archive, TEXT the description of the rows wanted. Writes the rows, oldest
// first, as FOLDER/result.csv (UTF-8, a header row, CRLF lines), then prints
// "export finished\r\n" and exits 0. Bad arguments (exit 2), a file that cannot be read (3) or
// written (4): a message on standard error and no closing line.
// After the table's own columns each row carries left_out, why the statistics leave it out
// (empty when they count it), and counted, 1 when they count it, else 0: the statistics screen's
// totals of the same range can then be worked out from the file (README.md says how).
#include "records/dayarchive.h"
#include "records/leftoutmarks.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QVariant>

#include <cstdio>

namespace {

const char* const kTimeFormat = "yyyy-MM-dd hh:mm:ss.zzz";
const char* const kOutputFile = "result.csv";
constexpr int kBadArguments = 2;
constexpr int kReadFailed = 3;
constexpr int kWriteFailed = 4;
// The table's columns from roundstart to description, written as they are stored.
constexpr int kTableColumns = 8;

struct Request {
    QDateTime from;
    QDateTime to;
    int camera = -1;
    int detect = -1;
    QString folder;
    QString workDir;
    bool byDescription = false;
    QString description;
};

int fail(int code, const QString& message)
{
    std::fprintf(stderr, "temperature_export: %s\n", qPrintable(message));
    return code;
}

// False with `error` set when the arguments are not those of the command line above.
bool parseArguments(const QStringList& args, Request* r, QString* error)
{
    const QString format = QString::fromLatin1(kTimeFormat);
    bool haveRange = false;
    for (int i = 1; i < args.size(); ++i) {
        const QString& option = args.at(i);
        const int values = option == QLatin1String("-t") ? 2 : 1;
        if (i + values >= args.size()) {
            *error = QStringLiteral("%1 needs %2 value(s)").arg(option).arg(values);
            return false;
        }
        bool ok = true;
        if (option == QLatin1String("-t")) {
            r->from = QDateTime::fromString(args.at(i + 1), format);
            r->to = QDateTime::fromString(args.at(i + 2), format);
            ok = r->from.isValid() && r->to.isValid();
            haveRange = true;
        } else if (option == QLatin1String("-c")) {
            r->camera = args.at(i + 1).toInt(&ok);
            ok = ok && r->camera >= -1;
        } else if (option == QLatin1String("-d")) {
            r->detect = args.at(i + 1).toInt(&ok);
            ok = ok && r->detect >= -1;
        } else if (option == QLatin1String("-dir")) {
            r->folder = args.at(i + 1);
        } else if (option == QLatin1String("-w")) {
            r->workDir = args.at(i + 1);
        } else if (option == QLatin1String("-detail")) {
            r->byDescription = true;
            r->description = args.at(i + 1);
        } else {
            *error = QStringLiteral("unknown argument %1").arg(option);
            return false;
        }
        if (!ok) {
            *error = QStringLiteral("bad value for %1").arg(option);
            return false;
        }
        i += values;
    }
    if (!haveRange || r->folder.isEmpty() || r->workDir.isEmpty()) {
        *error = QStringLiteral("-t, -dir and -w are required");
        return false;
    }
    return true;
}

QString csvField(QString text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n'))
        && !text.contains(QLatin1Char('\r')))
        return text;
    text.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// Appends the rows of one file; false with `error` set when it cannot be read.
bool readFile(const QString& path, const Request& r, QByteArray* csv, QString* error)
{
    const QString connection = QStringLiteral("export");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open()) {
            *error = QStringLiteral("cannot open %1: %2").arg(path, db.lastError().text());
        } else {
            // A file made before the left_out column has its rows' marks in description only.
            const bool hasLeftOut = db.record(QStringLiteral("res_report")).contains(QStringLiteral("left_out"));
            QString text = QStringLiteral("select roundstart, detectstart, idx_camera, idx_detect, roi_detail, "
                                          "roi_result, result, description, %1 from res_report "
                                          "where roundstart >= ? and roundstart <= ?")
                               .arg(hasLeftOut ? QStringLiteral("left_out") : QStringLiteral("''"));
            if (r.camera >= 0)
                text += QStringLiteral(" and idx_camera = ?");
            if (r.detect >= 0)
                text += QStringLiteral(" and idx_detect = ?");
            if (r.byDescription)
                text += QStringLiteral(" and description = ?");
            text += QStringLiteral(" order by roundstart, idx");
            QSqlQuery query(db);
            query.setForwardOnly(true);
            ok = query.prepare(text);
            if (ok) {
                const QString format = QString::fromLatin1(kTimeFormat);
                query.addBindValue(r.from.toString(format));
                query.addBindValue(r.to.toString(format));
                if (r.camera >= 0)
                    query.addBindValue(r.camera);
                if (r.detect >= 0)
                    query.addBindValue(r.detect);
                if (r.byDescription)
                    query.addBindValue(r.description);
                ok = query.exec();
            }
            if (!ok)
                *error = QStringLiteral("cannot read %1: %2").arg(path, query.lastError().text());
            while (ok && query.next()) {
                QStringList fields;
                for (int c = 0; c < kTableColumns; ++c)
                    fields << csvField(query.value(c).toString());
                // Description is the last of the table's columns.
                const QString reason =
                    leftOutReason(query.value(kTableColumns).toString(), query.value(kTableColumns - 1).toString());
                fields << csvField(reason) << QString::number(reason.isEmpty() ? 1 : 0);
                *csv += fields.join(QLatin1Char(',')).toUtf8() + "\r\n";
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    Request r;
    QString error;
    if (!parseArguments(app.arguments(), &r, &error))
        return fail(kBadArguments, error);

    const QDir work(r.workDir);
    QByteArray csv = "roundstart,detectstart,camera,detect,roi_detail,roi_result,result,description,"
                     "left_out,counted\r\n";
    if (r.from <= r.to) {
        const QList<DayFileSpan> files = dayFilesMeeting(QDir(work.filePath(QStringLiteral("ResStatistics"))),
                                                         work.filePath(QStringLiteral("ResStatistics.db")),
                                                         r.from.date(), r.to.date());
        for (const DayFileSpan& file : files)
            if (!readFile(file.path, r, &csv, &error))
                return fail(kReadFailed, error);
    }

    QSaveFile out(QDir(r.folder).filePath(QString::fromLatin1(kOutputFile)));
    if (!out.open(QIODevice::WriteOnly) || out.write(csv) != csv.size() || !out.commit())
        return fail(kWriteFailed, QStringLiteral("cannot write %1: %2").arg(out.fileName(), out.errorString()));
    std::fputs("export finished\r\n", stdout);
    return 0;
}
