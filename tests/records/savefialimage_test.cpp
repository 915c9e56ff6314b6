// The result-picture hand-over and the image-save thread on real folders: names, folders,
// pruning to the kept counts, pairs of a cleared alarm, and pictures that must never be lost.
#include "core/globals.h"
#include "records/savefialimagethread.h"
#include "records/saveimagelock.h"
#include "records/saveimagequeue.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMutex>
#include <QThread>

#include <gtest/gtest.h>

#include <sys/time.h>

#include <atomic>
#include <memory>
#include <vector>

namespace {

const QDateTime kStart(QDate(2024, 5, 1), QTime(8, 15, 30));

// A picture of one grey level, so the written JPEG tells which rendering it came from.
QImage flatPicture(int grey, int width = 64, int height = 48)
{
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(qRgb(grey, grey, grey));
    return picture;
}

// The pending flag as the thread leaves it, read under the lock as every reader must.
int flagOf(int camera, int detect, int slot)
{
    SaveImageLock lock;
    return saveImageFlags[camera][detect][slot];
}

int regionOf(int camera, int detect)
{
    SaveImageLock lock;
    return firstNgRegion[camera][detect];
}

int greyOf(const QString& path)
{
    const QImage image(path);
    return image.isNull() ? -1 : qGray(image.pixel(image.width() / 2, image.height() / 2));
}

// Oldest first, the order the thread wrote them in.
QStringList jpgNames(int camera, int detect, int slot)
{
    return QDir(SaveFialImageThread::folder(camera, detect, slot))
        .entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Time | QDir::Reversed);
}

// Gives a file the modification time `secondsAgo` before now.
void age(const QString& path, int secondsAgo)
{
    struct timeval times[2];
    gettimeofday(&times[0], nullptr);
    times[0].tv_sec -= secondsAgo;
    times[1] = times[0];
    ASSERT_EQ(utimes(QFile::encodeName(path).constData(), times), 0);
}

class SaveFialImageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!saveImageMutex)
            saveImageMutex = new QMutex;
        clearResultPictures();
        m_savedCameras = cameraCount;
        m_savedDetects = detectsPerCamera;
        cameraCount = 2;
        detectsPerCamera = 2;
        ngImageLimit = 50;
        okImageLimit = 50;
    }
    void TearDown() override
    {
        stopThread();
        clearResultPictures();
        cameraCount = m_savedCameras;
        detectsPerCamera = m_savedDetects;
    }

    // Each name the thread asks for is one second after the last, unless `fixed`.
    void startThread(bool fixed = false)
    {
        m_thread = std::make_unique<SaveFialImageThread>();
        auto seconds = std::make_shared<std::atomic<int>>(0);
        m_thread->setClock([seconds, fixed] { return kStart.addSecs(fixed ? 0 : (*seconds)++); });
        m_thread->start();
    }
    void stopThread()
    {
        if (!m_thread)
            return;
        m_thread->requestInterruption();
        m_thread->wait();
        m_thread.reset();
    }

    // Renders and records one picture of (camera, detect).
    void record(int camera, int detect, int slot, int grey, int region = 0)
    {
        if (region > 0)
            noteFirstNgRegion(camera, detect, region);
        storeResultPicture(camera, detect, slot, flatPicture(grey));
        flagResultPictures(camera, detect, slot == 0, slot == 1);
    }

    // Waits until nothing waits any more and the last file has been written.
    static bool waitUntil(const std::function<bool()>& done, int timeoutMs = 15000)
    {
        QElapsedTimer timer;
        timer.start();
        while (!done()) {
            if (timer.elapsed() > timeoutMs)
                return false;
            QThread::msleep(20);
        }
        return true;
    }
    static int jpgCount(int camera, int detect, int slot) { return jpgNames(camera, detect, slot).size(); }

    std::unique_ptr<SaveFialImageThread> m_thread;
    int m_savedCameras = 0;
    int m_savedDetects = 0;
};

TEST(SaveFialImageNames, FoldersAndNamesAsTheRecordsExpect)
{
    EXPECT_EQ(SaveFialImageThread::folder(0, 0, 0), QStringLiteral("alarmimage/camera1/detect1/NG"));
    EXPECT_EQ(SaveFialImageThread::folder(7, 3, 1), QStringLiteral("alarmimage/camera8/detect4/OK"));
    EXPECT_EQ(SaveFialImageThread::fileName(kStart, 3), QStringLiteral("3_2024-05-01_08.15.30"));
    EXPECT_EQ(SaveFialImageThread::fileName(kStart, 0), QStringLiteral("2024-05-01_08.15.30"));
    EXPECT_EQ(SaveFialImageThread::fileName(kStart, 12), QStringLiteral("12_2024-05-01_08.15.30"));
}

TEST_F(SaveFialImageTest, NgPictureWithItsFirstNgRegionInTheNgFolder)
{
    record(1, 1, 0, 40, 3);
    EXPECT_EQ(flagOf(1, 1, 0), 1);
    EXPECT_EQ(regionOf(1, 1), 0) << "the record took the number with it";
    startThread(true);
    ASSERT_TRUE(waitUntil([] { return jpgCount(1, 1, 0) == 1; }));
    EXPECT_EQ(jpgNames(1, 1, 0), QStringList{QStringLiteral("3_2024-05-01_08.15.30.jpg")});
    EXPECT_EQ(flagOf(1, 1, 0), 0);
    EXPECT_NEAR(greyOf(SaveFialImageThread::folder(1, 1, 0) + QStringLiteral("/3_2024-05-01_08.15.30.jpg")), 40, 3);
    EXPECT_EQ(jpgCount(1, 1, 1), 0);
}

TEST_F(SaveFialImageTest, OkPictureAloneGoesToTheOkFolderAndLeavesTheRegionNumber)
{
    noteFirstNgRegion(0, 1, 5);
    record(0, 1, 1, 200);
    startThread(true);
    ASSERT_TRUE(waitUntil([] { return jpgCount(0, 1, 1) == 1; }));
    EXPECT_EQ(jpgNames(0, 1, 1), QStringList{QStringLiteral("2024-05-01_08.15.30.jpg")});
    EXPECT_EQ(regionOf(0, 1), 5);
    EXPECT_EQ(jpgCount(0, 1, 0), 0);
}

TEST_F(SaveFialImageTest, ClearedAlarmPairGoesIntoTheNgFolderASecondApart)
{
    ngImageLimit = 2;
    okImageLimit = 0;
    noteFirstNgRegion(0, 1, 4);
    storeResultPicture(0, 1, 0, flatPicture(30));
    storeResultPicture(0, 1, 1, flatPicture(220));
    flagResultPictures(0, 1, true, true);
    EXPECT_EQ(flagOf(0, 1, 0), 1);
    EXPECT_EQ(flagOf(0, 1, 1), 1);
    QElapsedTimer timer;
    timer.start();
    startThread();
    ASSERT_TRUE(waitUntil([] { return jpgCount(0, 1, 0) == 2; }));
    EXPECT_GE(timer.elapsed(), 1000);
    const QStringList names = jpgNames(0, 1, 0);
    ASSERT_EQ(names.size(), 2);
    EXPECT_TRUE(names[0].startsWith(QStringLiteral("4_")) && names[1].startsWith(QStringLiteral("4_"))) << names.join(' ').toStdString();
    EXPECT_NEAR(greyOf(SaveFialImageThread::folder(0, 1, 0) + '/' + names[0]), 30, 3) << "the NG picture first";
    EXPECT_NEAR(greyOf(SaveFialImageThread::folder(0, 1, 0) + '/' + names[1]), 220, 3);
    EXPECT_EQ(jpgCount(0, 1, 1), 0);
    EXPECT_EQ(regionOf(0, 1), 0);
}

// The folder before the write, the limit, and what it must hold afterwards.
struct PruneCase {
    const char* name;
    int existing;
    int limit;
    int kept;           // newest existing pictures that survive
    int otherFiles;     // files with other suffixes, never counted or deleted
};

class PruneTest : public SaveFialImageTest, public ::testing::WithParamInterface<PruneCase> {};

TEST_P(PruneTest, FolderKeepsTheNewestPictures)
{
    const PruneCase& c = GetParam();
    const QString dir = SaveFialImageThread::folder(0, 0, 0);
    ASSERT_TRUE(QDir().mkpath(dir));
    for (int i = 0; i < c.existing; ++i) {
        const QString path = QStringLiteral("%1/old%2.jpg").arg(dir).arg(i, 3, 10, QChar('0'));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.close();
        age(path, 1000 - i);  // old000 is the oldest
    }
    for (int i = 0; i < c.otherFiles; ++i) {
        QFile file(QStringLiteral("%1/note%2.txt").arg(dir).arg(i));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.close();
        age(file.fileName(), 5000);
    }
    ngImageLimit = c.limit;
    record(0, 0, 0, 90);
    startThread();
    ASSERT_TRUE(waitUntil([] { return flagOf(0, 0, 0) == 0 && pendingPictureCount(0, 0) == 0; }));
    ASSERT_TRUE(waitUntil([&] { return QDir(dir).entryList({QStringLiteral("2024-*.jpg")}, QDir::Files).size() == 1; }));
    stopThread();
    QStringList expected;
    for (int i = c.existing - c.kept; i < c.existing; ++i)
        expected << QStringLiteral("old%1.jpg").arg(i, 3, 10, QChar('0'));
    expected << QStringLiteral("2024-05-01_08.15.30.jpg");
    expected.sort();
    QStringList names = jpgNames(0, 0, 0);
    names.sort();
    EXPECT_EQ(names, expected);
    EXPECT_EQ(QDir(dir).entryList({QStringLiteral("*.txt")}, QDir::Files).size(), c.otherFiles);
}

INSTANTIATE_TEST_SUITE_P(
    KeptCounts, PruneTest,
    ::testing::Values(PruneCase{"LimitMinusOneNeedsNoDeletion", 4, 5, 4, 0},
                      PruneCase{"TwiceTheLimitLosesItsOldest", 10, 5, 4, 0},
                      PruneCase{"LimitOneLeavesOnlyTheNewPicture", 3, 1, 0, 0},
                      PruneCase{"OtherSuffixesAreNeverCounted", 3, 4, 3, 5},
                      PruneCase{"EmptyFolder", 0, 3, 0, 0}),
    [](const ::testing::TestParamInfo<PruneCase>& info) { return std::string(info.param.name); });

TEST_F(SaveFialImageTest, FolderNamedLikeAPictureStaysAndIsCounted)
{
    const QString dir = SaveFialImageThread::folder(0, 0, 1);
    ASSERT_TRUE(QDir().mkpath(dir + QStringLiteral("/stuck.jpg")));
    age(dir + QStringLiteral("/stuck.jpg"), 100);
    okImageLimit = 1;
    record(0, 0, 1, 120);
    startThread();
    ASSERT_TRUE(waitUntil([&] { return QDir(dir).entryList({QStringLiteral("2024-*.jpg")}, QDir::Files).size() == 1; }));
    EXPECT_TRUE(QFileInfo(dir + QStringLiteral("/stuck.jpg")).isDir());
}

TEST_F(SaveFialImageTest, PendingNgPictureIsNeverOverwrittenByTheNextOne)
{
    // Three NG rounds in a row before the thread gets to them (a busy disk, pulse mode).
    record(0, 0, 0, 20, 1);
    record(0, 0, 0, 120, 2);
    record(0, 0, 0, 240);
    EXPECT_EQ(pendingPictureCount(0, 0), 3);
    startThread();
    ASSERT_TRUE(waitUntil([] { return jpgCount(0, 0, 0) == 3; }));
    const QStringList names = jpgNames(0, 0, 0);
    const QString dir = SaveFialImageThread::folder(0, 0, 0);
    EXPECT_TRUE(names[0].startsWith(QStringLiteral("1_")));
    EXPECT_NEAR(greyOf(dir + '/' + names[0]), 20, 3);
    EXPECT_TRUE(names[1].startsWith(QStringLiteral("2_")));
    EXPECT_NEAR(greyOf(dir + '/' + names[1]), 120, 3);
    EXPECT_TRUE(names[2].startsWith(QStringLiteral("2024-"))) << "no region noted for the third";
    EXPECT_NEAR(greyOf(dir + '/' + names[2]), 240, 3);
}

TEST_F(SaveFialImageTest, ReCheckPairWaitingBehindAnNgPictureIsKept)
{
    record(1, 0, 0, 10, 2);
    noteFirstNgRegion(1, 0, 6);
    storeResultPicture(1, 0, 0, flatPicture(60));
    storeResultPicture(1, 0, 1, flatPicture(250));
    flagResultPictures(1, 0, true, true);
    // A later OK picture alone is its own record and does not replace the pair's.
    record(1, 0, 1, 180);
    startThread();
    ASSERT_TRUE(waitUntil([] { return jpgCount(1, 0, 0) == 3 && jpgCount(1, 0, 1) == 1; }));
    const QString dir = SaveFialImageThread::folder(1, 0, 0);
    const QStringList names = jpgNames(1, 0, 0);
    EXPECT_NEAR(greyOf(dir + '/' + names[0]), 10, 3);
    EXPECT_NEAR(greyOf(dir + '/' + names[1]), 60, 3);
    EXPECT_NEAR(greyOf(dir + '/' + names[2]), 250, 3);
    EXPECT_TRUE(names[1].startsWith(QStringLiteral("6_")) && names[2].startsWith(QStringLiteral("6_")));
    EXPECT_NEAR(greyOf(SaveFialImageThread::folder(1, 0, 1) + '/' + jpgNames(1, 0, 1).value(0)), 180, 3);
}

TEST_F(SaveFialImageTest, WaitingOkPictureIsReplacedByTheNewerOne)
{
    record(0, 1, 1, 30);
    record(0, 1, 1, 230);
    EXPECT_EQ(pendingPictureCount(0, 1), 1);
    startThread();
    ASSERT_TRUE(waitUntil([] { return jpgCount(0, 1, 1) == 1 && pendingPictureCount(0, 1) == 0; }));
    QThread::msleep(400);
    ASSERT_EQ(jpgCount(0, 1, 1), 1);
    EXPECT_NEAR(greyOf(SaveFialImageThread::folder(0, 1, 1) + '/' + jpgNames(0, 1, 1)[0]), 230, 3);
}

TEST_F(SaveFialImageTest, PicturesOfTheSameSecondGetTheirOwnNames)
{
    record(0, 0, 0, 50);
    record(0, 0, 0, 150);
    startThread(true);  // the clock stands still: the second name waits, then gives up after 1.5 s
    ASSERT_TRUE(waitUntil([] { return pendingPictureCount(0, 0) == 0; }));
    QThread::msleep(1800);
    // With a clock that never moves the second picture finally takes the name; with a real clock
    // the name frees itself within a second. Either way the first one was written first.
    EXPECT_EQ(jpgCount(0, 0, 0), 1);
}

TEST_F(SaveFialImageTest, DetectsBeyondTheDetectsPerCameraAreNeverVisited)
{
    record(0, 2, 0, 70);
    record(0, 1, 0, 70);
    startThread();
    ASSERT_TRUE(waitUntil([] { return jpgCount(0, 1, 0) == 1; }));
    QThread::msleep(300);
    EXPECT_EQ(pendingPictureCount(0, 2), 1);
    EXPECT_EQ(flagOf(0, 2, 0), 1);
    EXPECT_FALSE(QDir(SaveFialImageThread::folder(0, 2, 0)).exists());
}

TEST_F(SaveFialImageTest, FolderThatKeepsNothingGetsNothing)
{
    ngImageLimit = 0;
    record(1, 1, 0, 70);
    startThread();
    ASSERT_TRUE(waitUntil([] { return pendingPictureCount(1, 1) == 0; }));
    QThread::msleep(300);
    EXPECT_EQ(jpgCount(1, 1, 0), 0);
}

TEST_F(SaveFialImageTest, RecordingWithoutARenderingAddsNothing)
{
    flagResultPictures(0, 0, true, false);
    flagResultPictures(0, 0, false, true);
    EXPECT_EQ(pendingPictureCount(0, 0), 0);
    EXPECT_EQ(flagOf(0, 0, 0), 0);
    EXPECT_EQ(flagOf(0, 0, 1), 0);
    // After a record the slot is empty again; a copy of it is null.
    record(0, 0, 0, 80);
    EXPECT_TRUE(copyResultPicture(0, 0, 0).isNull());
}

TEST_F(SaveFialImageTest, RenderingsAndRecordsWhileTheThreadWrites)
{
    // The GUI thread's side of many cycles at full speed against the writer: every NG picture
    // arrives; the folder keeps its limit.
    ngImageLimit = 6;
    okImageLimit = 3;
    startThread();
    int ngRecords = 0;
    for (int round = 0; round < 40; ++round) {
        for (int c = 0; c < 2; ++c) {
            storeResultPicture(c, round % 2, 0, flatPicture(round * 5, 320, 240));
            storeResultPicture(c, round % 2, 1, flatPicture(255 - round * 5, 320, 240));
            if (round % 3 == 0 && pendingPictureCount(c, round % 2) < 4) {
                flagResultPictures(c, round % 2, true, false);
                ++ngRecords;
            } else {
                flagResultPictures(c, round % 2, false, true);
            }
            (void)copyResultPicture(c, round % 2, 0);
        }
        QThread::msleep(15);
    }
    ASSERT_TRUE(waitUntil([] {
        for (int c = 0; c < 2; ++c)
            for (int d = 0; d < 2; ++d)
                if (pendingPictureCount(c, d) > 0)
                    return false;
        return true;
    }, 60000));
    stopThread();
    int ngFiles = 0;
    for (int c = 0; c < 2; ++c) {
        for (int d = 0; d < 2; ++d) {
            EXPECT_LE(jpgCount(c, d, 0), 6);
            EXPECT_LE(jpgCount(c, d, 1), 3);
            EXPECT_GE(jpgCount(c, d, 1), 1);
            ngFiles += jpgCount(c, d, 0);
        }
    }
    EXPECT_EQ(ngFiles, std::min(ngRecords, 24));
}

}  // namespace

TEST_F(SaveFialImageTest, AfterTheClockWasSetBackTheNewPicturesStayAndTheEarlierOnesGoFirst)
{
    // A folder at its limit of pictures written before the clock was set back a day: their
    // times lie a day ahead of the present. before0 was written first.
    okImageLimit = 5;
    const QString dir = SaveFialImageThread::folder(0, 0, 1);
    ASSERT_TRUE(QDir().mkpath(dir));
    QStringList before;
    for (int i = 0; i < okImageLimit; ++i) {
        before << QStringLiteral("before%1.jpg").arg(i);
        QFile file(dir + QLatin1Char('/') + before.last());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.close();
        age(file.fileName(), -(86400 + i));
    }
    // The thread's clock is the present (one second on at every name, so each has its own).
    m_thread = std::make_unique<SaveFialImageThread>();
    auto seconds = std::make_shared<std::atomic<int>>(0);
    m_thread->setClock([seconds] { return QDateTime::currentDateTime().addSecs((*seconds)++); });
    m_thread->start();

    QStringList written;
    for (int k = 1; k <= 7; ++k) {
        record(0, 0, 1, 100 + k);
        // The new picture's name (the names sort in the order of the thread's clock).
        QString newest;
        ASSERT_TRUE(waitUntil([&] {
            const QStringList fresh = QDir(dir).entryList({QStringLiteral("2*.jpg")}, QDir::Files, QDir::Name);
            newest = fresh.isEmpty() || written.contains(fresh.last()) ? QString() : fresh.last();
            return !newest.isEmpty();
        })) << "picture " << k << " was not kept";
        written << newest;
        // Every picture written since the set-back is kept up to the limit; the earlier ones
        // make room in the order they were written.
        QStringList expected = before.mid(std::min(k, okImageLimit));
        expected += written.mid(std::max(0, int(written.size()) - okImageLimit));
        expected.sort();
        EXPECT_EQ(QDir(dir).entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name), expected)
            << "after picture " << k;
    }
}

namespace {

// A stretch of the machine's work: the clock is moved by `shiftSeconds` (a set-back, a correction
// or a stop of the machine), then `cycles` pictures are recorded one every `cycleSeconds`.
struct ClockStep {
    qint64 shiftSeconds;
    int cycles;
    int cycleSeconds;
};

struct ClockCase {
    const char* name;
    int slot;  // the folder: 0 NG, 1 OK
    std::vector<ClockStep> steps;
};

class WrittenOrderTest : public SaveFialImageTest, public ::testing::WithParamInterface<ClockCase> {};

}  // namespace

// The folder keeps 6 pictures. Each picture is dated as a real clock would have stamped it: at the
// thread's clock when it was written. Whatever the clock did, the pictures that go are the ones
// written first.
TEST_P(WrittenOrderTest, PicturesWrittenFirstGoFirstWhateverTheClockDid)
{
    const ClockCase& c = GetParam();
    constexpr int kLimit = 6;
    (c.slot == 0 ? ngImageLimit : okImageLimit) = kLimit;
    const QString dir = SaveFialImageThread::folder(0, 0, c.slot);
    auto clock = std::make_shared<std::atomic<qint64>>(kStart.toMSecsSinceEpoch());
    m_thread = std::make_unique<SaveFialImageThread>();
    m_thread->setClock([clock] { return QDateTime::fromMSecsSinceEpoch(*clock); });
    m_thread->start();

    QStringList written;
    for (const ClockStep& step : c.steps) {
        *clock += step.shiftSeconds * 1000;
        for (int k = 0; k < step.cycles; ++k) {
            const QDateTime now = QDateTime::fromMSecsSinceEpoch(*clock);
            const QString name = SaveFialImageThread::fileName(now, 0) + QStringLiteral(".jpg");
            ASSERT_FALSE(written.contains(name)) << "the case writes two pictures under one name";
            record(0, 0, c.slot, 100);
            ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(dir + QLatin1Char('/') + name); }))
                << "picture " << name.toStdString() << " never came";
            QFile file(dir + QLatin1Char('/') + name);
            ASSERT_TRUE(file.open(QIODevice::ReadWrite | QIODevice::Append));
            ASSERT_TRUE(file.setFileTime(now, QFileDevice::FileModificationTime));
            file.close();
            written << name;

            QStringList expected = written.mid(std::max(0, int(written.size()) - kLimit));
            expected.sort();
            ASSERT_EQ(QDir(dir).entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name).join(' ').toStdString(),
                      expected.join(' ').toStdString())
                << "after picture " << written.size();
            *clock += step.cycleSeconds * 1000;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    ClockMoves, WrittenOrderTest,
    ::testing::Values(
        ClockCase{"SetBackThreeMinutesThenStoppedThreeAndAHalf", 1, {{0, 6, 61}, {-184, 5, 10}, {210, 7, 10}}},
        ClockCase{"SetBackADayThenCorrectedForward", 1, {{0, 6, 61}, {-86400 - 7, 5, 10}, {86400 + 7 + 60, 7, 10}}},
        ClockCase{"FortyDaysAheadAndBack", 1, {{0, 6, 61}, {40 * 86400, 5, 10}, {-40 * 86400 - 13, 7, 10}}},
        ClockCase{"NgFolderAfterATwoHourSetBack", 0, {{0, 6, 1800}, {-7200 - 7, 5, 30}}}),
    [](const ::testing::TestParamInfo<ClockCase>& info) { return std::string(info.param.name); });
