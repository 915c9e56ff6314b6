#include "records/savefialimagethread.h"

#include "core/globals.h"
#include "core/writtenorder.h"
#include "records/saveimagequeue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSaveFile>

#include <glog/logging.h>

#include <algorithm>

namespace {

// A new picture never replaces one written in the same second: its name waits for the next.
constexpr int kNameWaitStepMs = 50;
constexpr int kNameWaitMaxMs = 1500;

}  // namespace

SaveFialImageThread::SaveFialImageThread() : m_clock([] { return QDateTime::currentDateTime(); }) {}

void SaveFialImageThread::setClock(std::function<QDateTime()> clock)
{
    m_clock = std::move(clock);
}

QString SaveFialImageThread::folder(int camera, int detect, int slot)
{
    return QDir::cleanPath(QStringLiteral("%1//camera%2//detect%3//%4")
                               .arg(QStringLiteral("./alarmimage"))
                               .arg(camera + 1)
                               .arg(detect + 1)
                               .arg(slot == 0 ? QStringLiteral("NG") : QStringLiteral("OK")));
}

QString SaveFialImageThread::fileName(const QDateTime& time, int firstNgRegion)
{
    const QString stamp = time.toString(QStringLiteral("yyyy-MM-dd_hh.mm.ss"));
    return firstNgRegion > 0 ? QStringLiteral("%1_%2").arg(firstNgRegion).arg(stamp) : stamp;
}

void SaveFialImageThread::prune(const QDir& dir, int limit, const QDateTime& now, const QStringList& written)
{
    const QFileInfoList entries = oldestWrittenFirst(
        dir.entryInfoList({QStringLiteral("*.jpg")}, QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot,
                          QDir::Name),
        now, written);
    const int excess = entries.size() - std::max(limit - 1, 0);
    for (int i = 0; i < excess; ++i)
        QFile::remove(entries[i].absoluteFilePath());
}

void SaveFialImageThread::run()
{
    while (!isInterruptionRequested()) {
        const int cameras = std::min(cameraCount, 8);
        const int detects = std::min(detectsPerCamera, 8);
        for (int c = 0; c < cameras; ++c) {
            for (int d = 0; d < detects; ++d) {
                PendingPictures record;
                if (takePendingPictures(c, d, &record))
                    writeRecord(c, d, record);
                if (isInterruptionRequested())
                    return;
            }
        }
        if (!pause(100))
            return;
    }
}

void SaveFialImageThread::writeRecord(int camera, int detect, PendingPictures& record)
{
    const bool pair = record.pictures[0] && record.pictures[1];
    for (int s = 0; s < 2; ++s) {
        if (!record.pictures[s])
            continue;
        const bool toNg = s == 0 || pair;
        const int limit = toNg ? ngImageLimit : okImageLimit;
        // The cycle records no picture for a folder that keeps none; should one come, it goes.
        if (limit <= 0)
            continue;
        const QString dirPath = folder(camera, detect, toNg ? 0 : 1);
        QDir dir(dirPath);
        if (!dir.exists())
            QDir().mkpath(dirPath);
        QDateTime present = m_clock();
        QStringList& written = m_written[dir.absolutePath()];
        prune(dir, limit, present, written);
        QString path;
        for (int waited = 0;; waited += kNameWaitStepMs) {
            path = QStringLiteral("%1/%2.jpg").arg(dir.absolutePath(), fileName(present, record.firstNgRegion));
            if (!QFileInfo::exists(path) || waited >= kNameWaitMaxMs)
                break;
            if (!pause(kNameWaitStepMs))
                return;
            present = m_clock();
        }
        const QImage picture(record.pictures[s].get(), record.width, record.height, record.width * 4,
                             QImage::Format_RGB32);
        // Written beside and renamed into place: the picture lists and the pruning never see a
        // picture that is only half written.
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || !picture.save(&file, "JPG") || !file.commit())
            LOG(WARNING) << "result picture not written: " << path.toStdString();
        else
            written = noteWritten(written, QFileInfo(path).fileName(), dir);
        record.pictures[s].reset();
        if (!pause(s == 0 && pair ? 1000 : 200))
            return;
    }
}

bool SaveFialImageThread::pause(int milliseconds)
{
    for (int left = milliseconds; left > 0; left -= 20) {
        if (isInterruptionRequested())
            return false;
        msleep(unsigned(std::min(left, 20)));
    }
    return !isInterruptionRequested();
}
