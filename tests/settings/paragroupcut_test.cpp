// Parameter-group restore, backup and delete cut off at every step: a forked child runs the
// operation and is killed (SIGKILL, as a power cut stops it) just before its N-th file step
// (copy, mkdir, rename, flush, write, removal), for N = 1, 2, ... until the operation runs to its
// end. The next start's recovery must then leave the working files exactly the old group or
// exactly the new one with the index naming it, the store with every group it had, and no
// leftover beside them. That recovery is cut the same way at each of its own steps, for every
// cut of the operation, and for a sample of those pairs the recovery after it once more. Also:
// copies never bring in what a symbolic link names.
#include "core/groupjournal.h"
#include "core/parametermanager.h"
#include "settings/paragroups.h"
#include "settings/vselectbox.h"
#include "tests/settings/scratchfiles.h"
#include "tests/support/dryrunlog.h"
#include "tests/support/forkalone.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QTranslator>
#include <QVariant>

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <random>

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

// Texts in failure messages as their texts.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {

// A parameter database with table sysparam whose row "mark" holds `mark`.
void makeParamDb(const QString& file, const QString& mark)
{
    const QString connection = QStringLiteral("cuttest");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(file);
        ASSERT_TRUE(db.open());
        QSqlQuery query(db);
        ASSERT_TRUE(query.exec(QStringLiteral("create table sysparam(name text primary key, value text)")));
        ASSERT_TRUE(query.exec(QStringLiteral("insert into sysparam values('mark', '%1')").arg(mark)));
        query.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
}

// Group-like files in `folder`: PARAM.db marked `mark` and a template in each of the listed
// template folders (an extra one in the first).
void makeGroupFiles(const QString& folder, const QString& mark, const QStringList& templateFolders)
{
    QDir().mkpath(folder);
    makeParamDb(folder + QStringLiteral("/PARAM.db"), mark);
    for (const QString& name : templateFolders)
        writeFile(folder + QLatin1Char('/') + name + QStringLiteral("/template0.bmp"), (mark + name).toLatin1());
    if (!templateFolders.isEmpty())
        writeFile(folder + QLatin1Char('/') + templateFolders.first() + QStringLiteral("/template3.bmp"),
                  (mark + QStringLiteral("-extra")).toLatin1());
}

const QStringList kAllTemplates{"cammer11", "cammer12", "cammer21", "cammer22"};

// What makes up the running group: PARAM.db byte for byte, every template folder, the index.
QStringList workingState()
{
    QStringList state;
    state << QStringLiteral("PARAM.db=")
            + QString::fromLatin1(
                  QCryptographicHash::hash(fileBytes(QStringLiteral("PARAM.db")), QCryptographicHash::Sha1).toHex())
          << QStringLiteral("PARAM.db present=%1").arg(QFileInfo::exists(QStringLiteral("PARAM.db")));
    for (const QString& folder : kAllTemplates)
        for (const QString& entry : tree(folder))
            state << folder + QLatin1Char('/') + entry;
    state << QStringLiteral("index=") + QString::fromLatin1(fileBytes(QStringLiteral("sysadd.txt")).trimmed());
    return state;
}

// Every group of the store with its files.
std::map<QString, QStringList> storeState()
{
    std::map<QString, QStringList> groups;
    for (const QString& group : ParaGroups::groupList())
        groups[group] = tree(QStringLiteral("paraGroup/") + group);
    return groups;
}

// What the operations and their atomic writes leave beside the store when they are cut off.
QStringList leftovers()
{
    return QDir(QStringLiteral(".")).entryList({QStringLiteral("paraGroup.*"), QStringLiteral("sysadd.txt.*")},
                                               QDir::AllEntries | QDir::Hidden | QDir::System);
}

struct Snapshot {
    QStringList working;
    std::map<QString, QStringList> store;
    bool operator==(const Snapshot& other) const { return working == other.working && store == other.store; }
};

Snapshot snapshot()
{
    return {workingState(), storeState()};
}

std::string describe(const Snapshot& s)
{
    std::string text = "working: " + s.working.join(QStringLiteral(", ")).toStdString() + "\nstore:";
    for (const auto& group : s.store)
        text += " " + group.first.toStdString() + "[" + group.second.join(QStringLiteral(", ")).toStdString() + "]";
    return text;
}

int stepsLeft = 0;

// A cut before a write of a whole file stands also for one between the link and the rename of
// its temporary file: that file, under a name of the kind the atomic write gives it, is left too.
bool killAtStep(const char* what, const QString& path)
{
    if (--stepsLeft != 0)
        return true;
    if (std::strcmp(what, "write") == 0) {
        QFile partial(path + QStringLiteral(".Cut0ff"));
        if (partial.open(QIODevice::WriteOnly))
            partial.write("cut off before its rename");
    }
    ::raise(SIGKILL);
    return true;
}

int stepsCounted = 0;

bool countStep(const char*, const QString&)
{
    ++stepsCounted;
    return true;
}

// Runs `operation` in a forked child killed before its `cutAt`-th step. True when the child was
// cut; false when the operation ended before that step (its exit status in `status`).
bool runCut(const std::function<bool()>& operation, int cutAt, int* status)
{
    const pid_t pid = forkAlone();
    if (pid == 0) {
        stepsLeft = cutAt;
        GroupJournal::setStepHook(killAtStep);
        const bool ok = operation();
        std::fflush(nullptr);
        ::_exit(ok ? 0 : 3);
    }
    int wstatus = 0;
    while (::waitpid(pid, &wstatus, 0) < 0)
        if (errno != EINTR)
            return false;
    if (WIFSIGNALED(wstatus) && WTERMSIG(wstatus) == SIGKILL)
        return true;
    *status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    return false;
}

// Runs `operation` whole in a forked child: the number of its steps (at most 254), or -1 when it
// failed.
int runCounted(const std::function<bool()>& operation)
{
    const pid_t pid = forkAlone();
    if (pid == 0) {
        stepsCounted = 0;
        GroupJournal::setStepHook(countStep);
        const bool ok = operation();
        std::fflush(nullptr);
        ::_exit(ok ? std::min(stepsCounted, 254) : 255);
    }
    int wstatus = 0;
    while (::waitpid(pid, &wstatus, 0) < 0)
        if (errno != EINTR)
            return -1;
    return WIFEXITED(wstatus) && WEXITSTATUS(wstatus) != 255 ? WEXITSTATUS(wstatus) : -1;
}

// `to` becomes a copy of folder `from`, files and folders as they are.
void copyTree(const QString& from, const QString& to)
{
    QDir(to).removeRecursively();
    QDir().mkpath(to);
    const QFileInfoList entries =
        QDir(from).entryInfoList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        const QString target = to + QLatin1Char('/') + entry.fileName();
        if (entry.isDir())
            copyTree(entry.filePath(), target);
        else
            ASSERT_TRUE(QFile::copy(entry.filePath(), target)) << entry.filePath().toStdString();
    }
}

// Thousands of cut runs log what each recovery does: only the test's own verdicts are shown.
void dropMessage(QtMsgType, const QMessageLogContext&, const QString&) {}

class ParaGroupCutTest : public ::testing::Test {
protected:
    // A SIGKILL tests no flush to the disk: the runs go to a RAM disk where there is one, so the
    // many flushes cost no disk waits.
    void SetUp() override
    {
        testFolder = QDir::currentPath();
        if (QFileInfo(QStringLiteral("/dev/shm")).isDir() && QFileInfo(QStringLiteral("/dev/shm")).isWritable()) {
            ramFolder = std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/paragroupcut-XXXXXX"));
            if (ramFolder->isValid())
                QDir::setCurrent(ramFolder->path());
        }
        home = QDir::currentPath();
    }
    void TearDown() override
    {
        QDir::setCurrent(testFolder);
        ramFolder.reset();
    }

    // A fresh working directory of its own below the test's one, set up by `prepare`.
    void enterFresh(const QString& name, const std::function<void()>& prepare)
    {
        QDir::setCurrent(home);
        QDir(name).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(name));
        ASSERT_TRUE(QDir::setCurrent(name));
        prepare();
    }

    // Cuts `operation` at every step in turn and checks what recovery leaves: `accept` gets the
    // snapshots before, after an uncut run, and after the cut and the recovery. Returns the
    // number of steps of an uncut run.
    int cutAtEveryStep(const std::function<void()>& prepare, const std::function<bool()>& operation,
                       const std::function<void(const Snapshot&, const Snapshot&, const Snapshot&)>& accept)
    {
        enterFresh(QStringLiteral("reference"), prepare);
        const Snapshot before = snapshot();
        EXPECT_TRUE(operation()) << "the uncut operation succeeds";
        const Snapshot after = snapshot();
        EXPECT_FALSE(before == after) << "the operation changes something";
        EXPECT_EQ(leftovers(), QStringList());

        int cut = 1;
        for (;; ++cut) {
            SCOPED_TRACE("cut before step " + std::to_string(cut));
            enterFresh(QStringLiteral("cut"), prepare);
            int status = -1;
            if (!runCut(operation, cut, &status)) {
                EXPECT_EQ(status, 0) << "the operation ran to its end";
                EXPECT_TRUE(snapshot() == after);
                break;
            }
            // The next start.
            EXPECT_TRUE(GroupJournal::recover());
            const Snapshot recovered = snapshot();
            accept(before, after, recovered);
            EXPECT_EQ(leftovers(), QStringList());

            // A new operation recovers the cut one itself, then runs whole.
            enterFresh(QStringLiteral("cut"), prepare);
            EXPECT_TRUE(runCut(operation, cut, &status));
            EXPECT_TRUE(operation()) << "the operation again after the cut";
            EXPECT_TRUE(snapshot() == after) << describe(snapshot());
            EXPECT_EQ(leftovers(), QStringList());
            if (::testing::Test::HasFailure())
                break;
        }
        QDir::setCurrent(home);
        return cut;
    }

    // What every pair of cuts of one operation led to.
    struct PairOutcome {
        int pairs = 0;
        int thirdCuts = 0;
        int oldSeen = 0;
        int newSeen = 0;
        QStringList wrong;
    };

    // The start after the last cut: its recovery must leave exactly the old state or exactly the
    // new one and nothing beside them; what went wrong is noted under `label`.
    void judgeStart(bool recovered, const QString& label, const Snapshot& before, const Snapshot& after,
                    PairOutcome& outcome)
    {
        const Snapshot now = snapshot();
        const bool old = now == before;
        const bool fresh = now == after;
        outcome.oldSeen += old;
        outcome.newSeen += fresh;
        QStringList faults;
        if (!recovered)
            faults << QStringLiteral("the recovery failed");
        if (!old && !fresh)
            faults << QString::fromStdString(describe(now));
        if (!leftovers().isEmpty())
            faults << QStringLiteral("left: ") + leftovers().join(QStringLiteral(", "));
        if (!faults.isEmpty())
            outcome.wrong << label + QStringLiteral(": ") + faults.join(QStringLiteral("; "));
    }

    // Cuts `operation` before each of its steps N1 in turn; then the next start's recovery
    // before each of its own steps N2, for every N1; for every fourth pair the recovery after
    // that once more, before one step N3 picked from a fixed sequence. The start after the last
    // cut recovers whole. Each run starts from a copy of the prepared files.
    PairOutcome cutOperationThenRecovery(const std::function<void()>& prepare, const std::function<bool()>& operation)
    {
        PairOutcome outcome;
        const QString fixture = home + QStringLiteral("/fixture");
        const QString first = home + QStringLiteral("/first");
        const QString second = home + QStringLiteral("/second");
        const QString third = home + QStringLiteral("/third");
        enterFresh(QStringLiteral("fixture"), prepare);
        const Snapshot before = snapshot();
        copyTree(fixture, home + QStringLiteral("/reference"));
        QDir::setCurrent(home + QStringLiteral("/reference"));
        EXPECT_TRUE(operation()) << "the uncut operation succeeds";
        const Snapshot after = snapshot();
        EXPECT_FALSE(before == after) << "the operation changes something";

        const QtMessageHandler previous = qInstallMessageHandler(dropMessage);
        std::minstd_rand picks(55);
        int status = -1;
        for (int cut1 = 1;; ++cut1) {
            copyTree(fixture, first);
            QDir::setCurrent(first);
            if (!runCut(operation, cut1, &status))
                break;
            // The recovery run whole, which also tells how many steps it has to cut.
            copyTree(first, second);
            QDir::setCurrent(second);
            const int recoverySteps = runCounted(GroupJournal::recover);
            judgeStart(recoverySteps >= 0, QStringLiteral("cut before step %1").arg(cut1), before, after, outcome);
            for (int cut2 = 1; cut2 <= recoverySteps; ++cut2) {
                const QString label = QStringLiteral("cut before step %1, then the recovery before its step %2")
                                          .arg(cut1)
                                          .arg(cut2);
                copyTree(first, second);
                QDir::setCurrent(second);
                if (!runCut(GroupJournal::recover, cut2, &status)) {
                    outcome.wrong << label + QStringLiteral(": the recovery took fewer steps than before");
                    break;
                }
                ++outcome.pairs;
                if ((cut1 + cut2) % 4 == 0) {
                    const int cut3 = 1 + int(picks() % unsigned(recoverySteps));
                    copyTree(second, third);
                    QDir::setCurrent(third);
                    if (runCut(GroupJournal::recover, cut3, &status))
                        ++outcome.thirdCuts;
                    judgeStart(GroupJournal::recover(), label + QStringLiteral(", then before step %1").arg(cut3),
                               before, after, outcome);
                    QDir::setCurrent(second);
                }
                judgeStart(GroupJournal::recover(), label, before, after, outcome);
            }
        }
        qInstallMessageHandler(previous);
        QDir::setCurrent(home);
        return outcome;
    }

    // Every pair of cuts of `operation` ends in the old state or the new one, both seen.
    void expectEveryPairOfCutsRecovers(const std::function<void()>& prepare, const std::function<bool()>& operation)
    {
        const PairOutcome outcome = cutOperationThenRecovery(prepare, operation);
        EXPECT_TRUE(outcome.wrong.isEmpty())
            << outcome.wrong.size() << " of " << outcome.pairs + outcome.thirdCuts
            << " runs went wrong, among them:\n"
            << outcome.wrong.mid(0, 6).join(QLatin1Char('\n')).toStdString();
        EXPECT_GT(outcome.pairs, 50);
        EXPECT_GT(outcome.thirdCuts, 10);
        EXPECT_GT(outcome.oldSeen, 0);
        EXPECT_GT(outcome.newSeen, 0);
        std::printf("%d pairs of cuts, %d with a third cut\n", outcome.pairs, outcome.thirdCuts);
    }

    QString testFolder;
    std::unique_ptr<QTemporaryDir> ramFolder;
    QString home;
};

// Working files marked OLD (group line2, index 1) and the store's group "other" to restore: it
// has no cammer22 of its own, which the restore takes away all the same.
void prepareRestore()
{
    makeGroupFiles(QStringLiteral("."), QStringLiteral("OLD"), kAllTemplates);
    writeFile(QStringLiteral("sysadd.txt"), "1\n");
    makeGroupFiles(QStringLiteral("paraGroup/default"), QStringLiteral("DEFAULT"), kAllTemplates);
    makeGroupFiles(QStringLiteral("paraGroup/line2"), QStringLiteral("LINE2"), kAllTemplates);
    makeGroupFiles(QStringLiteral("paraGroup/other"), QStringLiteral("OTHER"),
                   {QStringLiteral("cammer11"), QStringLiteral("cammer12"), QStringLiteral("cammer21")});
    makeGroupFiles(QStringLiteral("paraGroup/zeta"), QStringLiteral("ZETA"), kAllTemplates);
}

bool restoreOther()
{
    return ParaGroups::restoreGroup(QStringLiteral("other"), 2, 2) == ParaGroups::RestoreFailure::None;
}

TEST_F(ParaGroupCutTest, RestoreCutAtAnyStepLeavesTheOldGroupOrTheNewOne)
{
    int oldSeen = 0;
    int newSeen = 0;
    const int steps = cutAtEveryStep(prepareRestore, restoreOther,
                                     [&](const Snapshot& before, const Snapshot& after, const Snapshot& recovered) {
                                         EXPECT_EQ(recovered.store, before.store) << "the store is untouched";
                                         const bool old = recovered.working == before.working;
                                         const bool fresh = recovered.working == after.working;
                                         EXPECT_TRUE(old || fresh) << describe(recovered);
                                         oldSeen += old;
                                         newSeen += fresh;
                                     });
    EXPECT_GT(steps, 20);
    EXPECT_GT(oldSeen, 0);
    EXPECT_GT(newSeen, 0) << "a cut after the record is marked done keeps the new group";

    // The uncut restore itself: the group's files and its index, cammer22 gone.
    enterFresh(QStringLiteral("check"), prepareRestore);
    ASSERT_TRUE(restoreOther());
    EXPECT_EQ(fileBytes(QStringLiteral("PARAM.db")), fileBytes(QStringLiteral("paraGroup/other/PARAM.db")));
    EXPECT_EQ(tree(QStringLiteral("cammer11")), tree(QStringLiteral("paraGroup/other/cammer11")));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("cammer22")));
    EXPECT_EQ(fileBytes(QStringLiteral("sysadd.txt")), QByteArray("2\n"));
}

void prepareBackup()
{
    makeGroupFiles(QStringLiteral("."), QStringLiteral("WORK"), kAllTemplates);
    // zeta is the current group.
    writeFile(QStringLiteral("sysadd.txt"), "2\n");
    makeGroupFiles(QStringLiteral("paraGroup/default"), QStringLiteral("DEFAULT"), kAllTemplates);
    makeGroupFiles(QStringLiteral("paraGroup/line2"), QStringLiteral("LINE2"), {QStringLiteral("cammer11")});
    makeGroupFiles(QStringLiteral("paraGroup/zeta"), QStringLiteral("ZETA"), kAllTemplates);
}

TEST_F(ParaGroupCutTest, BackupCutAtAnyStepKeepsEveryGroupInTheStore)
{
    const struct {
        const char* group;
        const char* newIndex;
    } cases[] = {
        {"line2", "1"},   // replaces a group
        {"mouldA", "2"},  // a new group, sorted between line2 and zeta
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.group);
        const QString name = QLatin1String(c.group);
        int oldSeen = 0;
        int newSeen = 0;
        const int steps = cutAtEveryStep(
            prepareBackup, [name] { return ParaGroups::backupGroup(name, 2, 2); },
            [&](const Snapshot& before, const Snapshot& after, const Snapshot& recovered) {
                // The working files never change; the index names the group as the store has it.
                EXPECT_EQ(recovered.working.mid(0, recovered.working.size() - 1),
                          before.working.mid(0, before.working.size() - 1));
                const bool old = recovered == before;
                const bool fresh = recovered == after;
                EXPECT_TRUE(old || fresh) << describe(recovered);
                oldSeen += old;
                newSeen += fresh;
            });
        EXPECT_GT(steps, 10);
        EXPECT_GT(oldSeen, 0);
        EXPECT_GT(newSeen, 0);

        enterFresh(QStringLiteral("check"), prepareBackup);
        ASSERT_TRUE(ParaGroups::backupGroup(name, 2, 2));
        EXPECT_EQ(fileBytes(QStringLiteral("sysadd.txt")), QByteArray(c.newIndex) + '\n');
        EXPECT_EQ(tree(QStringLiteral("paraGroup/") + name).filter(QStringLiteral("cammer")).size(), 5);
        EXPECT_EQ(fileBytes(QStringLiteral("paraGroup/") + name + QStringLiteral("/PARAM.db")),
                  fileBytes(QStringLiteral("PARAM.db")));
        QDir::setCurrent(home);
    }
}

void prepareDelete()
{
    prepareRestore();
    // zeta is the current group: after line2 is gone it is the third.
    writeFile(QStringLiteral("sysadd.txt"), "3\n");
}

TEST_F(ParaGroupCutTest, DeleteCutAtAnyStepLeavesTheGroupWholeOrGone)
{
    int oldSeen = 0;
    int newSeen = 0;
    const int steps = cutAtEveryStep(
        prepareDelete, [] { return ParaGroups::removeGroup(QStringLiteral("line2")); },
        [&](const Snapshot& before, const Snapshot& after, const Snapshot& recovered) {
            const bool old = recovered == before;
            const bool fresh = recovered == after;
            EXPECT_TRUE(old || fresh) << describe(recovered);
            oldSeen += old;
            newSeen += fresh;
        });
    EXPECT_GT(steps, 5);
    EXPECT_GT(oldSeen, 0);
    EXPECT_GT(newSeen, 0);

    enterFresh(QStringLiteral("check"), prepareDelete);
    ASSERT_TRUE(ParaGroups::removeGroup(QStringLiteral("line2")));
    EXPECT_EQ(ParaGroups::groupList(), (QStringList{"default", "other", "zeta"}));
    EXPECT_EQ(fileBytes(QStringLiteral("sysadd.txt")), QByteArray("2\n"));
}

int stepsBeforeFailure = 0;
QString failedStep;

// Makes the `stepsBeforeFailure`-th step from now fail, once, as a full disk or an I/O error
// would; the steps after it go on.
bool failAtStep(const char* what, const QString& path)
{
    if (--stepsBeforeFailure != 0)
        return true;
    failedStep = QLatin1String(what) + QLatin1Char(' ') + path;
    return false;
}

// Each step of an operation fails once in turn (a copy, flush, rename, removal or write). What
// the operation then reports must be what lies on the disk and what the next start runs: done
// exactly when the new state is there, failed exactly when the old one still is. A flush that
// fails after the record says done leaves an operation that stands, so both are seen.
TEST_F(ParaGroupCutTest, AFailedStepLeavesWhatTheOperationReports)
{
    const struct {
        const char* name;
        void (*prepare)();
        std::function<bool()> operation;
    } cases[] = {
        {"restore", prepareRestore, restoreOther},
        {"backup over a group", prepareBackup, [] { return ParaGroups::backupGroup(QStringLiteral("line2"), 2, 2); }},
        {"backup of a new group", prepareBackup, [] { return ParaGroups::backupGroup(QStringLiteral("mouldA"), 2, 2); }},
        {"delete", prepareDelete, [] { return ParaGroups::removeGroup(QStringLiteral("line2")); }},
    };
    const QtMessageHandler previous = qInstallMessageHandler(dropMessage);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        enterFresh(QStringLiteral("reference"), c.prepare);
        const Snapshot before = snapshot();
        ASSERT_TRUE(c.operation());
        const Snapshot after = snapshot();
        int reportedDone = 0;
        int reportedFailed = 0;
        for (int failAt = 1; failAt < 1000; ++failAt) {
            enterFresh(QStringLiteral("failing"), c.prepare);
            stepsBeforeFailure = failAt;
            failedStep.clear();
            GroupJournal::setStepHook(failAtStep);
            const bool done = c.operation();
            GroupJournal::setStepHook(nullptr);
            if (failedStep.isEmpty()) {
                EXPECT_TRUE(done) << "the operation without a failure";
                break;
            }
            SCOPED_TRACE("step " + std::to_string(failAt) + " failed: " + failedStep.toStdString());
            const Snapshot now = snapshot();
            EXPECT_TRUE(now == (done ? after : before))
                << (done ? "reported done, but " : "reported failed, but ") << describe(now);
            // The next start runs what the operation reported.
            EXPECT_TRUE(GroupJournal::recover());
            EXPECT_TRUE(snapshot() == now) << describe(snapshot());
            EXPECT_EQ(leftovers(), QStringList());
            reportedDone += done;
            reportedFailed += !done;
            if (::testing::Test::HasFailure())
                break;
        }
        EXPECT_GT(reportedDone, 0);
        EXPECT_GT(reportedFailed, 0);
        QDir::setCurrent(home);
    }
    qInstallMessageHandler(previous);
}

std::atomic<bool> removingAfterTheSwap{false};
std::atomic<bool> screenRanAfterTheSwap{false};

// At the first removal once the restore's record says done, asks the screen's thread to note
// that it ran, and gives it a second to do so.
bool askTheScreenAtTheFirstRemovalAfterTheSwap(const char* what, const QString&)
{
    GroupJournal::State state = GroupJournal::State::Started;
    if (std::strcmp(what, "remove") != 0 || removingAfterTheSwap || !GroupJournal::recordedState(&state)
        || state != GroupJournal::State::Done)
        return true;
    removingAfterTheSwap = true;
    QMetaObject::invokeMethod(qApp, [] { screenRanAfterTheSwap = true; }, Qt::QueuedConnection);
    QDeadlineTimer bound(1000);
    while (!screenRanAfterTheSwap && !bound.hasExpired())
        QThread::msleep(5);
    return true;
}

// Once a restore has put the new group's files in place, the running program still holds the
// old group until the restart: the screen's thread, which runs the machine cycle's ticks, runs
// nothing until the restore has returned.
TEST_F(ParaGroupCutTest, NothingRunsOnTheScreensThreadBetweenARestoresSwapAndItsReturn)
{
    enterFresh(QStringLiteral("restore"), prepareRestore);
    removingAfterTheSwap = false;
    screenRanAfterTheSwap = false;
    GroupJournal::setStepHook(askTheScreenAtTheFirstRemovalAfterTheSwap);
    const bool done = restoreOther();
    GroupJournal::setStepHook(nullptr);
    EXPECT_TRUE(done);
    EXPECT_TRUE(removingAfterTheSwap) << "the restore removed nothing it had replaced";
    EXPECT_FALSE(screenRanAfterTheSwap) << "the screen's thread ran between the swap and the return";
    QCoreApplication::processEvents();
    EXPECT_TRUE(screenRanAfterTheSwap);
    QDir::setCurrent(home);
}

std::atomic<bool> screenAsked{false};
std::atomic<bool> screenAnswered{false};
std::function<void()> onScreenDuringCopy;

// At the first copy of a template, asks the screen's thread to run `onScreenDuringCopy` and
// waits until it has: a copy that held the screen's thread would never see it run (the wait is
// bounded only so that such a copy ends the test instead of hanging it).
bool askTheScreenAtTheFirstTemplateCopy(const char* what, const QString& path)
{
    if (std::strcmp(what, "copy") != 0 || !path.contains(QLatin1String("cammer")) || screenAsked.exchange(true))
        return true;
    QMetaObject::invokeMethod(
        qApp,
        [] {
            onScreenDuringCopy();
            screenAnswered = true;
        },
        Qt::QueuedConnection);
    QDeadlineTimer bound(20000);
    while (!screenAnswered && !bound.hasExpired())
        QThread::msleep(5);
    return true;
}

// While a restore or a backup copies template folders the screen's thread goes on with its events
// (the machine cycle's tick among them) under a notice that names the copy, and a group operation
// started from there meanwhile (a Modbus group switch, say) is refused: it must not take the copy
// under way for a leftover. The operation itself ends as it would have.
TEST_F(ParaGroupCutTest, TheScreensThreadRunsWhileAGroupIsCopied)
{
    const struct {
        const char* name;
        void (*prepare)();
        std::function<bool()> operation;
        bool english;
    } cases[] = {
        {"restore", prepareRestore, restoreOther, false},
        {"backup", prepareBackup, [] { return ParaGroups::backupGroup(QStringLiteral("mouldA"), 2, 2); }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTranslator english;
        if (c.english) {
            ASSERT_TRUE(english.load(QStringLiteral(MONITOR_BINARY_DIR "/Translator/tr_en.qm")));
            QCoreApplication::installTranslator(&english);
        }
        enterFresh(QStringLiteral("reference"), c.prepare);
        ASSERT_TRUE(c.operation());
        const Snapshot after = snapshot();

        enterFresh(QStringLiteral("copying"), c.prepare);
        QString notice;
        ParaGroups::RestoreFailure restore = ParaGroups::RestoreFailure::None;
        bool deleted = true;
        QString whyNotDeleted;
        bool backedUp = true;
        QString whyNotBackedUp;
        onScreenDuringCopy = [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto box = qobject_cast<v_SelectBox*>(w); box && box->isVisible()) {
                    notice = box->text;
                    // The notice as the operator sees it, when MONITOR_TEST_SHOTS names a folder.
                    const QByteArray shots = qgetenv("MONITOR_TEST_SHOTS");
                    if (!shots.isEmpty())
                        box->grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/group-copy-notice-")
                                         + QLatin1String(c.name) + QStringLiteral(".png"));
                }
            restore = ParaGroups::restoreGroup(QStringLiteral("zeta"), 2, 2);
            deleted = ParaGroups::removeGroup(QStringLiteral("line2"), nullptr, &whyNotDeleted);
            backedUp = ParaGroups::backupGroup(QStringLiteral("second"), 2, 2, &whyNotBackedUp);
        };
        screenAsked = false;
        screenAnswered = false;
        GroupJournal::setStepHook(askTheScreenAtTheFirstTemplateCopy);
        const bool done = c.operation();
        GroupJournal::setStepHook(nullptr);
        QCoreApplication::processEvents();

        ASSERT_TRUE(screenAnswered) << "the screen's thread ran no event while the group was copied";
        EXPECT_EQ(notice, c.english ? QStringLiteral("Copying group...") : QStringLiteral("正在复制参数组..."));
        const auto busy = [](const char* group) {
            return ParaGroups::failureText(ParaGroups::RestoreFailure::Busy, QLatin1String(group));
        };
        EXPECT_EQ(restore, ParaGroups::RestoreFailure::Busy);
        EXPECT_FALSE(deleted);
        EXPECT_EQ(whyNotDeleted, busy("line2"));
        EXPECT_FALSE(backedUp);
        EXPECT_EQ(whyNotBackedUp, busy("second"));
        EXPECT_TRUE(done);
        EXPECT_TRUE(snapshot() == after) << describe(snapshot());
        EXPECT_EQ(leftovers(), QStringList());
        QCoreApplication::removeTranslator(&english);
        QDir::setCurrent(home);
    }
    onScreenDuringCopy = nullptr;
}

// A cut between the restore's two moves: the working PARAM.db moved aside, the group's not in place.
// The start must put the old one back, not copy the default group's.
TEST_F(ParaGroupCutTest, StartUpRecoversBeforeItRepairsAMissingParamDb)
{
    bool found = false;
    for (int cut = 1; cut < 200 && !found; ++cut) {
        enterFresh(QStringLiteral("cut"), prepareRestore);
        makeParamDb(QStringLiteral("SN.db"), QStringLiteral("serial"));
        int status = -1;
        ASSERT_TRUE(runCut(restoreOther, cut, &status)) << "no cut left PARAM.db missing";
        found = !QFileInfo::exists(QStringLiteral("PARAM.db"));
    }
    ASSERT_TRUE(found);
    {
        ParameterManager store;
        store.loadParams();
        QSqlQuery query(store.dbIn);
        ASSERT_TRUE(query.exec(QStringLiteral("select value from sysparam where name='mark'")));
        ASSERT_TRUE(query.next());
        EXPECT_EQ(query.value(0).toString(), QStringLiteral("OLD"));
    }
    EXPECT_EQ(fileBytes(QStringLiteral("sysadd.txt")), QByteArray("1\n"));
    EXPECT_EQ(tree(QStringLiteral("cammer22")).size(), 1) << "the template folders are back";
    EXPECT_EQ(leftovers(), QStringList());
    EXPECT_EQ(DryRunLog::recordedCommands(), QStringList()) << "no repair from the default group, no reboot";
}

// Links: a group folder that is one is refused; a link inside a group, or a working template
// folder that is one, is left out. Nothing from outside the store comes in.
TEST_F(ParaGroupCutTest, CopiesBringInNothingALinkNames)
{
    const QString outside = QDir::current().filePath(QStringLiteral("outside"));
    makeGroupFiles(outside, QStringLiteral("OUTSIDE"), kAllTemplates);
    writeFile(outside + QStringLiteral("/secret.txt"), "outside");
    const QStringList outsideFiles = tree(outside);

    // A linked group folder.
    enterFresh(QStringLiteral("linkedgroup"), prepareRestore);
    ASSERT_TRUE(QFile::link(outside, QStringLiteral("paraGroup/linked")));
    const QStringList working = workingState();
    EXPECT_EQ(ParaGroups::restoreGroup(QStringLiteral("linked"), 2, 2), ParaGroups::RestoreFailure::LinkedGroup);
    EXPECT_EQ(workingState(), working);
    QString why;
    EXPECT_FALSE(ParaGroups::backupGroup(QStringLiteral("linked"), 2, 2, &why));
    EXPECT_EQ(why, ParaGroups::failureText(ParaGroups::RestoreFailure::LinkedGroup, QStringLiteral("linked")));
    EXPECT_FALSE(why.isEmpty());
    EXPECT_TRUE(QFileInfo(QStringLiteral("paraGroup/linked")).isSymLink());
    EXPECT_EQ(workingState(), working);
    EXPECT_EQ(leftovers(), QStringList());

    // Links inside a group: a file, a folder, a template folder.
    enterFresh(QStringLiteral("linksinside"), prepareRestore);
    ASSERT_TRUE(QFile::link(outside + QStringLiteral("/secret.txt"), QStringLiteral("paraGroup/other/secret.txt")));
    ASSERT_TRUE(QFile::link(outside + QStringLiteral("/cammer11"), QStringLiteral("paraGroup/other/cammer11/sub")));
    ASSERT_TRUE(QFile::link(outside + QStringLiteral("/cammer22"), QStringLiteral("paraGroup/other/cammer22")));
    ASSERT_TRUE(restoreOther());
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("secret.txt")));
    EXPECT_FALSE(QFileInfo(QStringLiteral("secret.txt")).isSymLink());
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("cammer11/sub")));
    EXPECT_FALSE(QFileInfo(QStringLiteral("cammer22")).exists());
    EXPECT_EQ(fileBytes(QStringLiteral("cammer11/template0.bmp")), QByteArray("OTHERcammer11"));

    // Backup of working files holding links.
    ASSERT_TRUE(QFile::link(outside + QStringLiteral("/secret.txt"), QStringLiteral("cammer12/secret.txt")));
    ASSERT_TRUE(QFile::link(outside + QStringLiteral("/cammer22"), QStringLiteral("cammer22")));
    ASSERT_TRUE(ParaGroups::backupGroup(QStringLiteral("fresh"), 2, 2));
    const QStringList backedUp = tree(QStringLiteral("paraGroup/fresh"));
    EXPECT_EQ(backedUp.filter(QStringLiteral("OUTSIDE")), QStringList());
    EXPECT_EQ(backedUp.filter(QStringLiteral("secret")), QStringList());
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("paraGroup/fresh/cammer22")));
    EXPECT_EQ(fileBytes(QStringLiteral("paraGroup/fresh/cammer12/template0.bmp")), QByteArray("OTHERcammer12"));
    EXPECT_EQ(tree(outside), outsideFiles) << "nothing outside was changed";
}

// A write of the index or of the record cut off between the link of its temporary file and the
// rename leaves that file: the next start removes it, and nothing else of a similar name.
TEST_F(ParaGroupCutTest, StartUpRemovesTheTemporaryFilesOfCutOffWrites)
{
    const struct {
        const char* file;
        bool removed;
    } cases[] = {
        {"sysadd.txt.Ab3dEf", true},   {"paraGroup.journal.xYz123", true}, {"sysadd.txt.bak", false},
        {"sysadd.txt.AbCdEfG", false}, {"sysadd.txt.Ab-dEf", false},       {"count.txt.AbCdEf", false},
    };
    for (const bool recorded : {false, true}) {
        SCOPED_TRACE(recorded ? "after a delete that was cut off" : "without a record");
        enterFresh(QStringLiteral("temporaries"), prepareDelete);
        if (recorded) {
            int status = -1;
            ASSERT_TRUE(runCut([] { return ParaGroups::removeGroup(QStringLiteral("line2")); }, 3, &status));
        }
        for (const auto& c : cases)
            writeFile(QLatin1String(c.file), "cut off");
        EXPECT_TRUE(GroupJournal::recover());
        for (const auto& c : cases)
            EXPECT_EQ(QFileInfo::exists(QLatin1String(c.file)), !c.removed) << c.file;
    }
}

QStringList loggedLines;

void noteMessage(QtMsgType, const QMessageLogContext&, const QString& text)
{
    loggedLines << text;
}

// A restore brings in a group's own entries only: PARAM.db and the template folders, for the
// default group also SN.db and the factory archive. Whatever else lies in a group folder (an
// update package that must not reach the install folder unchecked, notes, scripts) stays in the
// store and is named in the log.
TEST_F(ParaGroupCutTest, RestoreBringsInOnlyTheGroupsOwnEntries)
{
    const QStringList foreign{"newupdate.tar.gz", "notes.txt", "tools"};
    const struct {
        const char* group;
        QStringList brought;
    } cases[] = {
        {"other", {"cammer31"}},
        {"default", {"20clearsh.tar.gz", "SN.db", "cammer31"}},
    };
    for (const auto& c : cases) {
        const QString group = QLatin1String(c.group);
        SCOPED_TRACE(c.group);
        enterFresh(QStringLiteral("foreign"), prepareRestore);
        const QString folder = QStringLiteral("paraGroup/") + group + QLatin1Char('/');
        writeFile(folder + QStringLiteral("newupdate.tar.gz"), "package");
        writeFile(folder + QStringLiteral("notes.txt"), "notes");
        writeFile(folder + QStringLiteral("tools/run.sh"), "script");
        writeFile(folder + QStringLiteral("cammer31/template0.bmp"), "camera 3");
        writeFile(QStringLiteral("paraGroup/default/SN.db"), "serial numbers");
        writeFile(QStringLiteral("paraGroup/default/20clearsh.tar.gz"), "factory archive");
        const std::map<QString, QStringList> store = storeState();
        const QStringList workingBefore = QDir::current().entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

        loggedLines.clear();
        const QtMessageHandler previous = qInstallMessageHandler(noteMessage);
        const ParaGroups::RestoreFailure result = ParaGroups::restoreGroup(group, 2, 2);
        qInstallMessageHandler(previous);
        ASSERT_EQ(result, ParaGroups::RestoreFailure::None);

        QStringList added = QDir::current().entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        for (const QString& entry : workingBefore)
            added.removeAll(entry);
        added.sort();
        EXPECT_EQ(added, c.brought);
        for (const QString& entry : c.brought)
            EXPECT_TRUE(QFileInfo(entry).isDir() ? tree(entry) == tree(folder + entry)
                                                 : fileBytes(entry) == fileBytes(folder + entry))
                << entry.toStdString();
        EXPECT_EQ(fileBytes(QStringLiteral("PARAM.db")), fileBytes(folder + QStringLiteral("PARAM.db")));
        EXPECT_EQ(storeState(), store) << "the store keeps everything";
        for (const QString& entry : foreign)
            EXPECT_EQ(loggedLines.filter(folder + entry).size(), 1) << entry.toStdString();
        EXPECT_EQ(leftovers(), QStringList());
    }
}

// A record the recovery cannot read moves nothing, and nothing it might still need is removed.
TEST_F(ParaGroupCutTest, AnUnreadableRecordMovesNothing)
{
    enterFresh(QStringLiteral("unreadable"), prepareRestore);
    ASSERT_TRUE(QDir().mkdir(QStringLiteral("paraGroup.previous")));
    writeFile(QStringLiteral("paraGroup.previous/PARAM.db"), "only copy");
    writeFile(QStringLiteral("paraGroup.journal"), "{\"operation\":\"restore\",\"group\":\"../x\"}");
    const Snapshot before = snapshot();
    EXPECT_FALSE(GroupJournal::recover());
    EXPECT_TRUE(snapshot() == before);
    EXPECT_EQ(fileBytes(QStringLiteral("paraGroup.previous/PARAM.db")), QByteArray("only copy"));
    EXPECT_EQ(ParaGroups::restoreGroup(QStringLiteral("other"), 2, 2), ParaGroups::RestoreFailure::SwapFailed);
    EXPECT_TRUE(snapshot() == before);

    // Without a record a folder of working files set aside is kept too; copies go.
    QFile::remove(QStringLiteral("paraGroup.journal"));
    writeFile(QStringLiteral("paraGroup.restore/PARAM.db"), "copy");
    EXPECT_FALSE(GroupJournal::recover());
    EXPECT_EQ(leftovers(), QStringList{"paraGroup.previous"});
}

// The recovery is cut too: a second power cut, or an operator switching off a machine that
// seems slow to start, may stop it at any of its steps, and a third one the recovery after that.
TEST_F(ParaGroupCutTest, RestoreAndItsRecoveryCutAtEveryPairOfSteps)
{
    expectEveryPairOfCutsRecovers(prepareRestore, restoreOther);
}

TEST_F(ParaGroupCutTest, BackupOverAGroupAndItsRecoveryCutAtEveryPairOfSteps)
{
    expectEveryPairOfCutsRecovers(prepareBackup, [] { return ParaGroups::backupGroup(QStringLiteral("line2"), 2, 2); });
}

TEST_F(ParaGroupCutTest, BackupOfANewGroupAndItsRecoveryCutAtEveryPairOfSteps)
{
    expectEveryPairOfCutsRecovers(prepareBackup, [] { return ParaGroups::backupGroup(QStringLiteral("mouldA"), 2, 2); });
}

TEST_F(ParaGroupCutTest, DeleteAndItsRecoveryCutAtEveryPairOfSteps)
{
    expectEveryPairOfCutsRecovers(prepareDelete, [] { return ParaGroups::removeGroup(QStringLiteral("line2")); });
}

}  // namespace
