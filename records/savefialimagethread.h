// Writes the recorded result pictures as JPEG files into ./alarmimage/camera<c>/detect<d>/NG|OK
// and keeps each folder at its configured number of pictures, so the cycle never touches the
// disk for them. Runs for the life of the process.
#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QThread>

#include <functional>

class QDir;
struct PendingPictures;

class SaveFialImageThread : public QThread {
    Q_OBJECT
public:
    SaveFialImageThread();

    // Tests only, before start(): the local time the file names are made from and the pruning
    // goes by.
    void setClock(std::function<QDateTime()> clock);

    // Folder of the pictures of (camera, detect), both 0-based, for slot 0 (NG) or 1 (OK).
    static QString folder(int camera, int detect, int slot);
    // File name without suffix: the time as yyyy-MM-dd_hh.mm.ss, prefixed by "<region>_" when
    // the first NG region is above 0.
    static QString fileName(const QDateTime& time, int firstNgRegion);
    // Deletes the *.jpg entries of `dir` written first so that it holds limit - 1 of them,
    // leaving room for one more; entries that cannot be deleted stay. `written` names the
    // pictures this run wrote into `dir`, oldest first: they are newer than every other entry,
    // whatever the clock did since. The others go by their dates, those dated after `now`
    // (written before the clock was set back) first (see oldestWrittenFirst).
    static void prune(const QDir& dir, int limit, const QDateTime& now, const QStringList& written);

protected:
    // Passes over every camera in use and every detect, writing the oldest waiting record of
    // each, then waits 100 ms. Ends only when an interruption is requested (tests).
    void run() override;

private:
    // Writes one record's pictures: NG into the NG folder; OK into the OK folder, or, as the
    // second picture of a pair, into the NG folder a second after the first.
    void writeRecord(int camera, int detect, PendingPictures& record);
    // Sleeps in short steps; false when an interruption was requested.
    bool pause(int milliseconds);

    std::function<QDateTime()> m_clock;
    // Per folder path, the pictures this run wrote there that are still in it, oldest first.
    // This thread only.
    QHash<QString, QStringList> m_written;
};
