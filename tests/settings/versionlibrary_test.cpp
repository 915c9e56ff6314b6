// The version library against a loopback update server that publishes directory pages in the
// style of nginx's autoindex: what it lists, how it pages, and what an unreachable or odd server
// leaves of it.
#include "core/globals.h"
#include "core/shellrunner.h"
#include "core/texttable.h"
#include "settings/pendingpackage.h"
#include "settings/versiondownloaddialog.h"
#include "settings/vselectbox.h"
#include "widgets/colorbutton.h"
#include "io/ioserialline.h"
#include "io/iothread.h"
#include "tests/core/logcapture.h"
#include "tests/support/dryrunlog.h"
#include "tests/support/eventwait.h"
#include "tests/support/loopbackhttpserver.h"
#include "tests/support/packagearchives.h"
#include "tests/support/ptypair.h"

#include "ioboardsim.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QPushButton>
#include <QTimer>
#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <QFile>
#include <QMutex>
#include <QPixmap>
#include <QProcess>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <iostream>
#include <random>

namespace {

using Frame = IOBoardSimulator::HostFrame;

// A directory page: every entry a link followed by its date and size column; folders end in "/".
std::string listingPage(const std::string& path, const std::vector<std::string>& entries)
{
    std::string page = "<html>\r\n<head><title>Index of " + path + "</title></head>\r\n<body>\r\n<h1>Index of " +
                       path + "</h1><hr><pre><a href=\"../\">../</a>\r\n";
    for (const std::string& entry : entries) {
        const bool folder = entry.back() == '/';
        page += "<a href=\"" + entry + "\">" + entry + "</a>" + std::string(40 - std::min<size_t>(entry.size(), 39), ' ') +
                "10-Dec-2026 18:00" + std::string(20, ' ') + (folder ? "-" : "1234") + "\r\n";
    }
    return page + "</pre><hr></body>\r\n</html>\r\n";
}

class VersionLibraryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fillTextTable();
        m_previousServer = qgetenv("MONITOR_UPDATE_SERVER");
        qputenv("MONITOR_UPDATE_SERVER", QByteArray::fromStdString(server.address()));
    }
    void TearDown() override
    {
        qputenv("MONITOR_UPDATE_SERVER", m_previousServer);
        VersionDownloadDialog::listingTimeoutMs = m_listingTimeoutMs;
    }

    void serveListing(const std::string& path, const std::vector<std::string>& entries)
    {
        server.setReply("GET", path, {200, listingPage(path, entries), LoopbackHttpServer::Mode::Answer, "text/html"});
    }

    // With MONITOR_SHOT_DIR set, `widget` as a picture there, for a look.
    static void saveShot(QWidget* widget, const QString& name)
    {
        const QString shotDir = QString::fromLocal8Bit(qgetenv("MONITOR_SHOT_DIR"));
        if (!shotDir.isEmpty())
            widget->grab().save(shotDir + QLatin1Char('/') + name);
    }

    static int packageCount(const VersionDownloadDialog& dialog)
    {
        int n = 0;
        for (const auto& column : dialog.columns())
            n += column.first.size();
        return n;
    }

    static QStringList visibleVersions(const VersionDownloadDialog& dialog, int column)
    {
        QStringList shown;
        for (QAbstractButton* button : dialog.versionGroup(column)->buttons())
            if (button->isVisibleTo(&dialog))
                shown << button->text();
        return shown;
    }

    LoopbackHttpServer server;
    QByteArray m_previousServer;
    const int m_listingTimeoutMs = VersionDownloadDialog::listingTimeoutMs;
};

TEST_F(VersionLibraryTest, ListsCategoriesAndTheWholePackageNamesOfTheirVersionFolders)
{
    const std::string base = "http://" + server.address();
    serveListing("/monitor/", {"A/", "B/", "C/", "V9/", "notes.txt"});
    serveListing("/monitor/A/", {"V1/", "V2/"});
    serveListing("/monitor/A/V1/", {"V1-a.tar.gz", "v1-b.rar", "V1-c.tar.xz", "V1-old.tar", "V1-x.zip", "X1-a.tar.gz"});
    serveListing("/monitor/B/", {"V1/"});
    serveListing("/monitor/B/V1/", {"V1-d.tar.gz", "V1-e.tar.gz"});
    // C holds no version folder of this product: a title with page buttons and an empty column.
    serveListing("/monitor/C/", {"V2/"});

    VersionDownloadDialog dialog;
    EXPECT_TRUE(dialog.reachable);
    EXPECT_EQ(dialog.columnTitles(), (QStringList{"A", "B", "C"}));
    ASSERT_EQ(dialog.columns().size(), 3);
    EXPECT_TRUE(dialog.columns()[2].first.isEmpty());
    EXPECT_EQ(dialog.columns()[0].first, (QStringList{"V1-a.tar.gz", "v1-b.rar", "V1-c.tar.xz"}));
    EXPECT_EQ(dialog.columns()[0].second.first(), QString::fromStdString(base + "/monitor/A/V1/V1-a.tar.gz"));
    EXPECT_EQ(dialog.columns()[1].first, (QStringList{"V1-d.tar.gz", "V1-e.tar.gz"}));
    EXPECT_EQ(dialog.columns()[1].second.last(), QString::fromStdString(base + "/monitor/B/V1/V1-e.tar.gz"));
    EXPECT_EQ(visibleVersions(dialog, 1), (QStringList{"V1-d.tar.gz", "V1-e.tar.gz"}));
    EXPECT_TRUE(server.requests("GET", "/monitor/A/V2/").empty());

    // The page buttons of C have no package behind them.
    ASSERT_EQ(dialog.nextPageGroup()->buttons().size(), 3);
    dialog.nextPageGroup()->button(2)->click();
    dialog.lastPageGroup()->button(2)->click();
    EXPECT_EQ(visibleVersions(dialog, 0).size(), 3);
}

TEST_F(VersionLibraryTest, NinePackagesGiveTwoPagesThatStopAtBothEnds)
{
    std::vector<std::string> packages;
    for (int i = 1; i <= 9; ++i)
        packages.push_back("V1-build" + std::to_string(i) + ".tar.gz");
    serveListing("/monitor/", {"A/"});
    serveListing("/monitor/A/", {"V1/"});
    serveListing("/monitor/A/V1/", packages);

    VersionDownloadDialog dialog;
    ASSERT_EQ(dialog.columns().size(), 1);
    EXPECT_EQ(dialog.pageCount(0), 2);
    QAbstractButton* last = dialog.lastPageGroup()->button(0);
    QAbstractButton* next = dialog.nextPageGroup()->button(0);

    struct Step {
        QAbstractButton* press;
        int page;
        QStringList shown;
    };
    const QStringList first = {"V1-build1.tar.gz", "V1-build2.tar.gz", "V1-build3.tar.gz", "V1-build4.tar.gz",
                               "V1-build5.tar.gz", "V1-build6.tar.gz", "V1-build7.tar.gz"};
    const QStringList second = {"V1-build8.tar.gz", "V1-build9.tar.gz"};
    const Step steps[] = {{last, 0, first}, {next, 1, second}, {next, 1, second}, {last, 0, first}};
    EXPECT_EQ(visibleVersions(dialog, 0), first);
    for (const Step& step : steps) {
        step.press->click();
        EXPECT_EQ(dialog.currentPage(0), step.page);
        EXPECT_EQ(visibleVersions(dialog, 0), step.shown);
    }
    // The eighth package takes the first row of its page.
    EXPECT_EQ(dialog.versionGroup(0)->button(7)->y(), 180);
    for (QAbstractButton* button : dialog.versionGroup(0)->buttons())
        EXPECT_LE(button->sizeHint().width(), button->width()) << button->text().toStdString();

    const QString shotDir = QString::fromLocal8Bit(qgetenv("MONITOR_SHOT_DIR"));
    if (!shotDir.isEmpty())
        dialog.grab().save(shotDir + QStringLiteral("/version-library.png"));
}

TEST_F(VersionLibraryTest, ServersThatCannotBeReadLeaveTheDialogUnreachable)
{
    struct Case {
        const char* name;
        std::function<void(LoopbackHttpServer&)> serve;
        QByteArray address;  // empty: the test's server
    };
    const Case cases[] = {
        {"accepts but never answers",
         [](LoopbackHttpServer& s) { s.setReply("GET", "/monitor/", {200, "", LoopbackHttpServer::Mode::Silent}); }, {}},
        {"closed port", [](LoopbackHttpServer&) {},
         "127.0.0.1:" + QByteArray::number(LoopbackHttpServer::closedPort())},
        {"a category that never answers",
         [](LoopbackHttpServer& s) {
             s.setReply("GET", "/monitor/", {200, listingPage("/monitor/", {"A/"}), LoopbackHttpServer::Mode::Answer});
             s.setReply("GET", "/monitor/A/", {200, "", LoopbackHttpServer::Mode::Silent});
         },
         {}},
    };
    for (const Case& c : cases) {
        LoopbackHttpServer own;
        c.serve(own);
        qputenv("MONITOR_UPDATE_SERVER", c.address.isEmpty() ? QByteArray::fromStdString(own.address()) : c.address);
        VersionDownloadDialog dialog;
        EXPECT_FALSE(dialog.reachable) << c.name;
        EXPECT_EQ(packageCount(dialog), 0) << c.name;
    }
}

TEST_F(VersionLibraryTest, OddListingsGiveNothingAndEndTheWalk)
{
    // Not XML, a missing category, and listings that name themselves or nest version folders.
    serveListing("/monitor/", {"A/", "B/", "C/"});
    server.setReply("GET", "/monitor/A/", {200, "<html><body>A/ broken", LoopbackHttpServer::Mode::Answer, "text/html"});
    serveListing("/monitor/C/", {"C/", "V1/"});
    serveListing("/monitor/C/V1/", {"V1/"});
    serveListing("/monitor/C/V1/V1/", {"V1/"});

    VersionDownloadDialog dialog;
    EXPECT_TRUE(dialog.reachable);
    EXPECT_EQ(dialog.columnTitles(), (QStringList{"A", "B", "C"}));
    EXPECT_EQ(packageCount(dialog), 0);
    std::map<std::string, int> fetched;
    for (const auto& request : server.requests())
        ++fetched[request.path];
    for (const auto& [path, count] : fetched)
        EXPECT_EQ(count, 1) << path;
    EXPECT_EQ(fetched.count("/monitor/C/V1/V1/V1/"), 0u);
}

TEST_F(VersionLibraryTest, CategoriesKeepTheirTitlesAndTheVerdictIgnoresTheirOrder)
{
    using Mode = LoopbackHttpServer::Mode;
    const auto page = [](const std::string& path, const std::vector<std::string>& entries) {
        return LoopbackHttpServer::Reply{200, listingPage(path, entries), Mode::Answer, "text/html"};
    };
    const LoopbackHttpServer::Reply dead{200, "", Mode::Silent, "text/html"};
    const LoopbackHttpServer::Reply packagesOfA = page("/monitor/A/V1/", {"V1-a.tar.gz"});
    const LoopbackHttpServer::Reply packagesOfB = page("/monitor/B/V1/", {"V1-b1.tar.gz", "V1-b2.rar"});
    std::vector<std::string> many;
    for (char c = 'A'; c <= 'L'; ++c)
        many.push_back(std::string(1, c) + "/");
    struct Case {
        const char* name;
        std::vector<std::string> categories;
        std::map<std::string, LoopbackHttpServer::Reply> replies;  // path under /monitor/
        bool reachable;
        QStringList titles;
        QList<QStringList> columns;
    };
    const Case cases[] = {
        {"a dead category after a good one",
         {"A/", "B/"},
         {{"A/", page("/monitor/A/", {"V1/"})}, {"A/V1/", packagesOfA}, {"B/", dead}},
         true,
         {"A", "B"},
         {{"V1-a.tar.gz"}, {}}},
        {"a dead category before a good one",
         {"A/", "B/"},
         {{"A/", dead}, {"B/", page("/monitor/B/", {"V1/"})}, {"B/V1/", packagesOfB}},
         true,
         {"A", "B"},
         {{}, {"V1-b1.tar.gz", "V1-b2.rar"}}},
        {"every category dead", {"A/", "B/"}, {{"A/", dead}, {"B/", dead}}, false, {"A", "B"}, {{}, {}}},
        {"a category that answers 404 and a good one",
         {"A/", "B/"},
         {{"B/", page("/monitor/B/", {"V1/"})}, {"B/V1/", packagesOfB}},
         true,
         {"A", "B"},
         {{}, {"V1-b1.tar.gz", "V1-b2.rar"}}},
        {"an empty category before a full one",
         {"A/", "B/"},
         {{"A/", page("/monitor/A/", {"V2/"})}, {"B/", page("/monitor/B/", {"V1/"})}, {"B/V1/", packagesOfB}},
         true,
         {"A", "B"},
         {{}, {"V1-b1.tar.gz", "V1-b2.rar"}}},
        {"twelve categories, six read",
         many,
         {{"F/", page("/monitor/F/", {"V1/"})}, {"F/V1/", page("/monitor/F/V1/", {"V1-f.tar.gz"})}},
         true,
         {"A", "B", "C", "D", "E", "F"},
         {{}, {}, {}, {}, {}, {"V1-f.tar.gz"}}},
    };
    for (const Case& c : cases) {
        LoopbackHttpServer own;
        own.setReply("GET", "/monitor/", page("/monitor/", c.categories));
        for (const auto& [path, reply] : c.replies)
            own.setReply("GET", "/monitor/" + path, reply);
        qputenv("MONITOR_UPDATE_SERVER", QByteArray::fromStdString(own.address()));
        VersionDownloadDialog dialog;
        EXPECT_EQ(dialog.reachable, c.reachable) << c.name;
        EXPECT_FALSE(dialog.cancelled) << c.name;
        EXPECT_EQ(dialog.columnTitles(), c.titles) << c.name;
        QList<QStringList> columns;
        for (const auto& column : dialog.columns())
            columns << column.first;
        EXPECT_EQ(columns, c.columns) << c.name;
        for (char g = 'G'; g <= 'L'; ++g)
            EXPECT_TRUE(own.requests("GET", std::string("/monitor/") + g + "/").empty()) << c.name << ": " << g;
    }
}

TEST_F(VersionLibraryTest, TheWalkCanBeCancelledFromItsBox)
{
    // Six categories that never answer: six seconds of waiting unless the operator stops it.
    serveListing("/monitor/", {"A/", "B/", "C/", "D/", "E/", "F/"});
    for (const char* path : {"/monitor/A/", "/monitor/B/", "/monitor/C/", "/monitor/D/", "/monitor/E/", "/monitor/F/"})
        server.setReply("GET", path, {200, "", LoopbackHttpServer::Mode::Silent, "text/html"});
    QString boxText;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&]() {
        auto box = qobject_cast<v_SelectBox*>(QApplication::activeModalWidget());
        if (!box || !boxText.isEmpty())
            return;
        boxText = box->text;
        saveShot(box, QStringLiteral("version-listing-box.png"));
        box->findChildren<QPushButton*>().value(0)->click();
    });
    answer.start(10);
    VersionDownloadDialog dialog;
    answer.stop();
    EXPECT_EQ(boxText, QStringLiteral("正在读取版本列表..."));
    EXPECT_TRUE(dialog.cancelled);
    EXPECT_FALSE(dialog.reachable);
    EXPECT_TRUE(server.requests("GET", "/monitor/F/").empty()) << "the walk went on after the cancel";
}

TEST_F(VersionLibraryTest, ListingLargerThanItsBoundIsRefusedUnread)
{
    // Real listings, packages and all: A's of 30 MB announces its length (and then comes slowly),
    // C's of 3 MB comes without one; B's is an ordinary one.
    const auto listingOf = [](size_t bytes) {
        std::vector<std::string> names;
        for (int i = 0; names.size() * 110 < bytes; ++i)
            names.push_back("V1-3.1." + std::to_string(i) + ".tar.gz");
        return names;
    };
    serveListing("/monitor/", {"A/", "B/", "C/"});
    server.setReply("GET", "/monitor/A/",
                    {200, listingPage("/monitor/A/", listingOf(30u << 20)), LoopbackHttpServer::Mode::Trickle, "text/html"});
    server.setReply("GET", "/monitor/C/",
                    {200, listingPage("/monitor/C/", listingOf(3u << 20)), LoopbackHttpServer::Mode::ToClose, "text/html"});
    serveListing("/monitor/B/", {"V1-3.2.0.tar.gz"});
    // What refuses a listing is its size, announced or counted: a slow machine must not turn a
    // refusal into a timeout.
    VersionDownloadDialog::listingTimeoutMs = kPatientWaitMs;
    LogCapture log;
    VersionDownloadDialog dialog;
    const std::vector<std::string> lines = log.lines();
    for (const char* category : {"A", "C"}) {
        const std::string refusal =
            "listing http://" + server.address() + "/monitor/" + category + "/ refused: larger than 1048576 bytes";
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                                [&](const std::string& line) { return line.find(refusal) != std::string::npos; }))
            << refusal;
    }
    EXPECT_TRUE(dialog.reachable);
    EXPECT_EQ(dialog.columnTitles(), (QStringList{"A", "B", "C"}));
    EXPECT_EQ(packageCount(dialog), 1);
    ASSERT_EQ(dialog.columns().size(), 3);
    EXPECT_EQ(dialog.columns()[1].first, QStringList{"V1-3.2.0.tar.gz"});
}

TEST_F(VersionLibraryTest, CancelDuringASlowWalkReturnsWhileTheBoardIsPolled)
{
    // The top listing trickles in, then six categories never answer: seconds of walking.
    server.setReply("GET", "/monitor/",
                    {200, listingPage("/monitor/", {"A/", "B/", "C/", "D/", "E/", "F/"}),
                     LoopbackHttpServer::Mode::Trickle, "text/html"});
    for (const char* path : {"/monitor/A/", "/monitor/B/", "/monitor/C/", "/monitor/D/", "/monitor/E/", "/monitor/F/"})
        server.setReply("GET", path, {200, "", LoopbackHttpServer::Mode::Silent, "text/html"});
    PtyPair pty;
    ASSERT_TRUE(pty.start());
    IOBoardSimulator board;
    std::string error;
    ASSERT_TRUE(board.open(pty.deviceEnd().toStdString(), &error)) << error;
    if (!ioMutex)
        ioMutex = new QMutex;
    IOSerialLine line;
    ASSERT_TRUE(line.open(pty.hostEnd()));
    IOThread io(&line);
    io.start();
    ASSERT_TRUE(board.waitForHostFrames(2, 5, kPatientWaitMs)) << "no polls from the IO thread";

    // The detection cycle's tick with its heartbeat; the operator cancels once the box has been
    // up for a number of polls and ticks.
    constexpr size_t kEventsWhileBoxShown = 10;
    size_t ticks = 0;
    size_t ticksAtBox = 0;
    size_t pollsAtBox = 0;
    bool cancelPressed = false;
    QTimer cycle;
    QObject::connect(&cycle, &QTimer::timeout, [&]() {
        ++ticks;
        io.heartbeat();
        auto box = qobject_cast<v_SelectBox*>(QApplication::activeModalWidget());
        if (!box || cancelPressed)
            return;
        if (pollsAtBox == 0) {
            pollsAtBox = board.hostFrameCount(2);
            ticksAtBox = ticks;
            return;
        }
        if (board.hostFrameCount(2) >= pollsAtBox + kEventsWhileBoxShown && ticks >= ticksAtBox + kEventsWhileBoxShown) {
            cancelPressed = true;
            box->findChildren<QPushButton*>().value(0)->click();
        }
    });
    cycle.start(20);
    auto dialog = std::make_unique<VersionDownloadDialog>();
    const size_t ticksAtReturn = ticks;
    cycle.stop();
    io.requestInterruption();
    io.wait();
    EXPECT_TRUE(cancelPressed) << "the walk ended before the operator could cancel it";
    EXPECT_TRUE(dialog->cancelled);
    EXPECT_FALSE(dialog->reachable);
    EXPECT_GE(ticksAtReturn, ticksAtBox + kEventsWhileBoxShown);
    EXPECT_TRUE(server.requests("GET", "/monitor/F/").empty()) << "the walk went on after the cancel";
}

// A scratch install folder and backup folder holding an earlier backup and an earlier package.
class DownloadTest : public VersionLibraryTest {
protected:
    void SetUp() override
    {
        VersionLibraryTest::SetUp();
        for (const char* name : {"MONITOR_INSTALL_DIR", "MONITOR_BACKUP_DIR"})
            m_saved << qgetenv(name);
        QDir().mkpath(QStringLiteral("backup"));
        QDir().mkpath(QStringLiteral("bin-VAV"));
        qputenv("MONITOR_INSTALL_DIR", QDir().absoluteFilePath(QStringLiteral("bin-VAV")).toUtf8());
        qputenv("MONITOR_BACKUP_DIR", QDir().absoluteFilePath(QStringLiteral("backup")).toUtf8());
        writeFile(QStringLiteral("backup/") + kOldBackup, "old backup");
        writeFile(QStringLiteral("backup/keep-me.txt"), "x");
        writeFile(QStringLiteral("bin-VAV/newupdate.rar"), "older package");
        serveListing("/monitor/", {"A/"});
        serveListing("/monitor/A/", {"V1/"});
        serveListing("/monitor/A/V1/", {"V1-tarball.tar.gz", "V1-b.rar", "V1-missing.tar.gz"});
        server.setReply("GET", "/monitor/A/V1/V1-tarball.tar.gz", {200, m_package, LoopbackHttpServer::Mode::Answer, "application/octet-stream"});
        server.setReply("GET", "/monitor/A/V1/V1-b.rar", {200, kRarPackage, LoopbackHttpServer::Mode::Answer, "application/octet-stream"});
        // tar's stand-in writes its archive and ends well, unless a test says otherwise.
        ShellRunner::setDryRunResponder([](const QString& command) {
            const QStringList args = command.split(QLatin1Char(' '));
            if (args.value(0) == QLatin1String("tar")) {
                QFile archive(args.value(2));
                if (archive.open(QIODevice::WriteOnly))
                    archive.write("tar output");
            }
            return ShellResult{true, true, 0, {}};
        });
    }
    void TearDown() override
    {
        ShellRunner::setDryRunResponder(nullptr);
        qputenv("MONITOR_INSTALL_DIR", m_saved[0]);
        qputenv("MONITOR_BACKUP_DIR", m_saved[1]);
        VersionLibraryTest::TearDown();
    }
    static void writeFile(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    static QByteArray readFile(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static QStringList entries(const QString& folder)
    {
        return QDir(folder).entryList(QDir::Files, QDir::Name);
    }
    // Clicks a version button and answers each box the click brings: YES to the question, OK to
    // the outcome. The texts of the boxes answered, in order.
    static QStringList clickAndAnswer(QAbstractButton* version)
    {
        QStringList boxes;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&]() {
            auto box = qobject_cast<v_SelectBox*>(QApplication::activeModalWidget());
            if (!box || boxes.contains(box->text))
                return;
            boxes << box->text;
            saveShot(box, QStringLiteral("version-box-%1.png").arg(boxes.size()));
            box->findChildren<QPushButton*>().value(0)->click();
        });
        answer.start(10);
        version->click();
        return boxes;
    }

    static constexpr const char* kOldBackup = "bin-VAV-2020-01-01-00:00:00.tar.gz";
    static inline const std::string kRarPackage = PackageArchives::make(PackageArchives::Kind::Rar5, PackageArchives::programFiles(5000));
    // A program folder, part of it incompressible.
    const std::string m_package = PackageArchives::make(PackageArchives::Kind::TarGz, PackageArchives::programFiles(140000));
    QList<QByteArray> m_saved;
};

TEST_F(DownloadTest, ConfirmedPackageBecomesThePendingPackageAfterABackup)
{
    // tar writes its archive; the earlier backup must still be there while it does.
    QStringList presentDuringTar;
    ShellRunner::setDryRunResponder([&](const QString& command) {
        const QStringList args = command.split(QLatin1Char(' '));
        if (args.value(0) == QLatin1String("tar")) {
            presentDuringTar = entries(QStringLiteral("backup"));
            QFile archive(args.value(2));
            archive.open(QIODevice::WriteOnly);
        }
        return ShellResult{true, true, 0, {}};
    });
    VersionDownloadDialog dialog;
    ASSERT_EQ(dialog.columns().size(), 1);
    // The question is answered YES and the outcome box OK, each its first button.
    const QStringList boxes = clickAndAnswer(dialog.versionGroup(0)->button(0));
    EXPECT_EQ(boxes, (QStringList{"是否开始下载该版本?", "下载成功\n重启后自动更新"}));

    EXPECT_EQ(readFile(QStringLiteral("bin-VAV/newupdate.tar.gz")), QByteArray::fromStdString(m_package));
    EXPECT_FALSE(QFile::exists(QStringLiteral("bin-VAV/newupdate.rar")));
    EXPECT_TRUE(presentDuringTar.contains(QLatin1String(kOldBackup)));
    const QStringList after = entries(QStringLiteral("backup"));
    ASSERT_EQ(after.size(), 2) << after.join(QLatin1Char(',')).toStdString();
    EXPECT_TRUE(after.contains(QStringLiteral("keep-me.txt")));
    EXPECT_FALSE(after.contains(QLatin1String(kOldBackup)));

    const QStringList commands = DryRunLog::recordedCommands();
    ASSERT_EQ(commands.size(), 1);
    const QStringList tar = commands[0].split(QLatin1Char(' '));
    EXPECT_TRUE(QDir::isAbsolutePath(tar.value(2))) << commands[0].toStdString();
    EXPECT_EQ(tar.mid(3), (QStringList{"-C", QDir().absolutePath(), "bin-VAV"}));
    EXPECT_TRUE(dialog.exitButton()->isEnabled());
}

TEST_F(DownloadTest, FailedTransferOrBackupKeepsWhatWasThere)
{
    VersionDownloadDialog dialog;
    // The listed file is missing on the server: nothing is touched.
    EXPECT_FALSE(dialog.downloadPackage(QStringLiteral("V1-missing.tar.gz")));
    EXPECT_TRUE(DryRunLog::recordedCommands().isEmpty());
    EXPECT_EQ(readFile(QStringLiteral("bin-VAV/newupdate.rar")), "older package");
    EXPECT_TRUE(entries(QStringLiteral("backup")).contains(QLatin1String(kOldBackup)));

    // tar fails after writing half an archive: no update without its backup. Nothing is placed,
    // the earlier backup and package stay, and the box says why.
    QString partialBackup;
    ShellRunner::setDryRunResponder([&](const QString& command) {
        const QStringList args = command.split(QLatin1Char(' '));
        partialBackup = args.value(2);
        QFile archive(partialBackup);
        archive.open(QIODevice::WriteOnly);
        archive.write("half an archive");
        return ShellResult{true, true, 2, {}};
    });
    server.setReply("GET", "/monitor/A/V1/V1-b.rar", {200, kRarPackage, LoopbackHttpServer::Mode::Answer, "application/octet-stream"});
    const QStringList boxes = clickAndAnswer(dialog.versionGroup(0)->button(1));
    EXPECT_EQ(boxes, (QStringList{"是否开始下载该版本?", "下载失败\n备份安装目录失败"}));
    EXPECT_EQ(DryRunLog::recordedCommands().size(), 1);
    EXPECT_FALSE(partialBackup.isEmpty());
    EXPECT_EQ(readFile(QStringLiteral("bin-VAV/newupdate.rar")), "older package");
    EXPECT_EQ(entries(QStringLiteral("bin-VAV")), QStringList{"newupdate.rar"});
    EXPECT_EQ(entries(QStringLiteral("backup")), (QStringList{kOldBackup, "keep-me.txt"}));
    EXPECT_EQ(readFile(QStringLiteral("backup/") + kOldBackup), "old backup");
}

TEST_F(DownloadTest, BadAnswersKeepTheEarlierPackageAndSayWhy)
{
    using Mode = LoopbackHttpServer::Mode;
    const std::string html = "<html><body>moved</body></html>";
    struct Case {
        const char* name;
        LoopbackHttpServer::Reply reply;
        qint64 cap;  // 0: the dialog's own
    };
    const Case cases[] = {
        {"301 redirect page", {301, html, Mode::Redirect, "text/html"}, 0},
        {"302 redirect page", {302, html, Mode::Redirect, "text/html"}, 0},
        {"empty 200", {200, "", Mode::Answer, "application/octet-stream"}, 0},
        {"204", {204, "", Mode::Answer, "application/octet-stream"}, 0},
        {"404", {404, html, Mode::Answer, "text/html"}, 0},
        {"body cut short by the close", {200, m_package, Mode::CutShort, "application/octet-stream"}, 0},
        {"error page with 200", {200, html, Mode::Answer, "text/html"}, 0},
        {"an xz file under a gz name", {200, "\xfd" "7zXZ" + std::string(100, 'x'), Mode::Answer, "application/octet-stream"}, 0},
        {"body cut short by the close, no length", {200, m_package, Mode::CutToClose, "application/octet-stream"}, 0},
        {"two bytes only", {200, "\x1f", Mode::Answer, "application/octet-stream"}, 0},
        {"over the cap, announced", {200, m_package, Mode::Answer, "application/octet-stream"}, 4096},
        {"over the cap, no length", {200, m_package, Mode::ToClose, "application/octet-stream"}, 4096},
        {"over the cap, chunked", {200, m_package, Mode::Chunked, "application/octet-stream"}, 4096},
        {"stalls halfway", {200, m_package, Mode::Stall, "application/octet-stream"}, 0},
        {"never answers", {200, m_package, Mode::Silent, "application/octet-stream"}, 0},
        {"closes without a word", {200, m_package, Mode::Close, "application/octet-stream"}, 0},
    };
    VersionDownloadDialog dialog;
    ASSERT_EQ(dialog.columns().size(), 1);
    dialog.stallTimeoutMs = 300;
    for (const Case& c : cases) {
        server.setReply("GET", "/monitor/A/V1/V1-tarball.tar.gz", c.reply);
        dialog.sizeCapBytes = c.cap > 0 ? c.cap : qint64(512) * 1024 * 1024;
        const QStringList boxes = clickAndAnswer(dialog.versionGroup(0)->button(0));
        ASSERT_EQ(boxes.size(), 2) << c.name;
        EXPECT_TRUE(boxes[1].startsWith(QStringLiteral("下载失败\n"))) << c.name << ": " << boxes[1].toStdString();
        EXPECT_GT(boxes[1].size(), QStringLiteral("下载失败\n").size()) << c.name << ": no reason";
        EXPECT_EQ(boxes[1].mid(5), dialog.failureReason()) << c.name;
        EXPECT_EQ(readFile(QStringLiteral("bin-VAV/newupdate.rar")), "older package") << c.name;
        EXPECT_EQ(entries(QStringLiteral("bin-VAV")), QStringList{"newupdate.rar"}) << c.name;
        EXPECT_TRUE(entries(QStringLiteral("backup")).contains(QLatin1String(kOldBackup))) << c.name;
        EXPECT_TRUE(DryRunLog::recordedCommands().isEmpty()) << c.name << ": backup taken for a bad package";
    }
}

TEST_F(DownloadTest, GoodPackagesLandWholeHoweverTheyArrive)
{
    using Mode = LoopbackHttpServer::Mode;
    using PackageArchives::Kind;
    // Large enough to arrive in many pieces; the cap is met exactly by the first case.
    const std::string big = PackageArchives::make(Kind::TarGz, PackageArchives::programFiles(6 * 1024 * 1024));
    const std::string xz = PackageArchives::make(Kind::TarXz, PackageArchives::programFiles());
    const std::string rar4 = PackageArchives::make(Kind::Rar4, PackageArchives::programFiles());
    const struct {
        const char* name;
        const char* file;
        LoopbackHttpServer::Reply reply;
        const char* target;
        qint64 cap;
    } cases[] = {
        {"with a length, at the cap", "V1-tarball.tar.gz", {200, big, Mode::Answer, "application/octet-stream"}, "newupdate.tar.gz",
         qint64(big.size())},
        {"chunked", "V1-tarball.tar.gz", {200, m_package, Mode::Chunked, "application/octet-stream"}, "newupdate.tar.gz", 0},
        {"ended by the close", "V1-tarball.tar.gz", {200, m_package, Mode::ToClose, "application/octet-stream"}, "newupdate.tar.gz",
         0},
        {"xz", "V1-c.tar.xz", {200, xz, Mode::Answer, "application/octet-stream"}, "newupdate.tar.xz", 0},
        {"RAR 5", "V1-b.rar", {200, kRarPackage, Mode::Answer, "application/octet-stream"}, "newupdate.rar", 0},
        {"RAR 4, chunked", "V1-d.rar", {200, rar4, Mode::Chunked, "application/octet-stream"}, "newupdate.rar", 0},
    };
    serveListing("/monitor/A/V1/", {"V1-tarball.tar.gz", "V1-b.rar", "V1-c.tar.xz", "V1-d.rar"});
    VersionDownloadDialog dialog;
    ASSERT_EQ(dialog.columns().size(), 1);
    for (const auto& c : cases) {
        server.setReply("GET", std::string("/monitor/A/V1/") + c.file, c.reply);
        dialog.sizeCapBytes = c.cap > 0 ? c.cap : qint64(512) * 1024 * 1024;
        EXPECT_TRUE(dialog.downloadPackage(QString::fromLatin1(c.file), 0)) << c.name << ": " << dialog.failureReason().toStdString();
        EXPECT_TRUE(dialog.failureReason().isEmpty()) << c.name;
        EXPECT_EQ(readFile(QStringLiteral("bin-VAV/") + c.target), QByteArray::fromStdString(c.reply.body)) << c.name;
        EXPECT_EQ(entries(QStringLiteral("bin-VAV")), QStringList{c.target}) << c.name;
    }
}

// The start script unpacks the package over the install folder: whatever its leading bytes, a
// package that does not read through whole as an archive of its type is never placed.
TEST_F(DownloadTest, DamagedPackagesOfEveryTypeAreRefusedBeforeTheBackup)
{
    using Mode = LoopbackHttpServer::Mode;
    using PackageArchives::Kind;
    std::mt19937 random(3);
    const auto noise = [&](size_t n) {
        std::string bytes(n, '\0');
        for (char& c : bytes)
            c = char(random());
        return bytes;
    };
    struct Damage {
        const char* name;
        std::function<std::string(const std::string&)> apply;
        Mode mode;
        const char* reason;
    };
    const Damage damages[] = {
        {"the leading bytes over noise", [&](const std::string& p) { return p.substr(0, 16) + noise(p.size() - 16); },
         Mode::Answer, "安装包已损坏"},
        {"one byte changed in the middle",
         [](std::string p) {
             p[p.size() / 3] = char(p[p.size() / 3] ^ 0x55);
             return p;
         },
         Mode::Answer, "安装包已损坏"},
        {"the last third missing, with a length", [](const std::string& p) { return p.substr(0, p.size() * 2 / 3); },
         Mode::Answer, "安装包已损坏"},
        {"cut short by the close, no length", [](const std::string& p) { return p; }, Mode::CutToClose, "安装包已损坏"},
    };
    const Kind kinds[] = {Kind::TarGz, Kind::TarXz, Kind::Rar4, Kind::Rar5};
    serveListing("/monitor/A/V1/", {"V1-p.tar.gz", "V1-p.tar.xz", "V1-p.rar"});
    VersionDownloadDialog dialog;
    ASSERT_EQ(dialog.columns().size(), 1);
    const auto refused = [&](const std::string& label, const char* file, const LoopbackHttpServer::Reply& reply,
                             const QString& reason) {
        server.setReply("GET", std::string("/monitor/A/V1/") + file, reply);
        EXPECT_FALSE(dialog.downloadPackage(QString::fromLatin1(file), 0)) << label;
        EXPECT_EQ(dialog.failureReason(), reason) << label;
        EXPECT_EQ(entries(QStringLiteral("bin-VAV")), QStringList{"newupdate.rar"}) << label;
        EXPECT_EQ(readFile(QStringLiteral("bin-VAV/newupdate.rar")), "older package") << label;
        EXPECT_TRUE(DryRunLog::recordedCommands().isEmpty()) << label << ": a backup was taken for it";
    };
    for (Kind kind : kinds) {
        const std::string package = PackageArchives::make(kind, PackageArchives::programFiles());
        const std::string file = std::string("V1-p") + PackageArchives::extension(kind);
        for (const Damage& damage : damages) {
            refused(std::string(PackageArchives::name(kind)) + ", " + damage.name, file.c_str(),
                    {200, damage.apply(package), damage.mode, "application/octet-stream"}, QString::fromUtf8(damage.reason));
        }
        // An archive that holds nothing.
        if (kind == Kind::TarGz || kind == Kind::TarXz)
            refused(std::string(PackageArchives::name(kind)) + ", empty", file.c_str(),
                    {200, PackageArchives::make(kind, {}), Mode::Answer, "application/octet-stream"}, QStringLiteral("安装包为空"));
    }
    // The leading bytes of a tar.gz over another archive format, and a gzip stream that holds no
    // archive at all.
    QByteArray text(5000, 'a');
    refused("cpio under a tar.gz name", "V1-p.tar.gz",
            {200, PackageArchives::make(Kind::CpioGz, PackageArchives::programFiles()), Mode::Answer, "application/octet-stream"},
            QStringLiteral("文件类型不符"));
    const QByteArray gzipped = [&] {
        QProcess gzip;
        gzip.start(QStringLiteral("gzip"), {QStringLiteral("-c")});
        gzip.write(text);
        gzip.closeWriteChannel();
        gzip.waitForFinished(10000);
        return gzip.readAllStandardOutput();
    }();
    refused("plain gzip under a tar.gz name", "V1-p.tar.gz", {200, gzipped.toStdString(), Mode::Answer, "application/octet-stream"},
            QStringLiteral("安装包已损坏"));
}

// A server that sends a byte now and then never trips the stall timer; the overall limit ends the
// download, and with it the notice.
TEST_F(DownloadTest, AByteTrickleIsStoppedByTheOverallLimit)
{
    // 50 ms a byte: 100 s without the limit.
    server.setReply("GET", "/monitor/A/V1/V1-tarball.tar.gz",
                    {200, m_package.substr(0, 2000), LoopbackHttpServer::Mode::Trickle, "application/octet-stream"});
    VersionDownloadDialog dialog;
    ASSERT_EQ(dialog.columns().size(), 1);
    dialog.stallTimeoutMs = 5000;
    dialog.overallTimeoutMs = 600;
    const QStringList boxes = clickAndAnswer(dialog.versionGroup(0)->button(0));
    EXPECT_EQ(boxes, (QStringList{"是否开始下载该版本?", "下载失败\n下载超时"}));
    EXPECT_EQ(entries(QStringLiteral("bin-VAV")), QStringList{"newupdate.rar"});
    EXPECT_EQ(readFile(QStringLiteral("bin-VAV/newupdate.rar")), "older package");
    EXPECT_TRUE(DryRunLog::recordedCommands().isEmpty());
}

TEST_F(DownloadTest, CancelOnTheNoticeStopsTheTransferAndRemovesThePartialFile)
{
    server.setReply("GET", "/monitor/A/V1/V1-tarball.tar.gz",
                    {200, m_package.substr(0, 2000), LoopbackHttpServer::Mode::Trickle, "application/octet-stream"});
    VersionDownloadDialog dialog;
    ASSERT_EQ(dialog.columns().size(), 1);
    // Once some bytes are in the partial file, the operator presses the notice's button.
    QString noticeText;
    QString buttonText;
    qint64 partialSize = 0;
    QTimer operatorHand;
    QObject::connect(&operatorHand, &QTimer::timeout, [&]() {
        if (!noticeText.isEmpty())
            return;
        const qint64 size = QFileInfo(QStringLiteral("bin-VAV/pending-download.part")).size();
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto box = qobject_cast<v_SelectBox*>(w);
            if (!box || !box->isVisible() || box == QApplication::activeModalWidget() || size < 20)
                continue;
            QPushButton* button = box->findChild<QPushButton*>();
            ASSERT_NE(button, nullptr) << "the notice has no button";
            noticeText = box->text;
            buttonText = button->text();
            partialSize = size;
            saveShot(box, QStringLiteral("version-download-notice.png"));
            button->click();
        }
    });
    operatorHand.start(20);
    const QStringList boxes = clickAndAnswer(dialog.versionGroup(0)->button(0));
    operatorHand.stop();
    EXPECT_EQ(noticeText, QStringLiteral("下载中..."));
    EXPECT_EQ(buttonText, QStringLiteral("取消"));
    EXPECT_GE(partialSize, 20);
    EXPECT_EQ(boxes, (QStringList{"是否开始下载该版本?", "下载已取消\n原安装包保留"}));
    EXPECT_TRUE(dialog.downloadCancelled());
    EXPECT_FALSE(QFile::exists(QStringLiteral("bin-VAV/pending-download.part")));
    EXPECT_EQ(entries(QStringLiteral("bin-VAV")), QStringList{"newupdate.rar"});
    EXPECT_EQ(readFile(QStringLiteral("bin-VAV/newupdate.rar")), "older package");
    EXPECT_TRUE(DryRunLog::recordedCommands().isEmpty());
    EXPECT_TRUE(dialog.exitButton()->isEnabled());
}

TEST_F(DownloadTest, CancelOnTheNoticeStopsTheCheckOfTheArrivedPackage)
{
    VersionDownloadDialog dialog;
    ASSERT_EQ(dialog.columns().size(), 1);
    // The check waits in its first block until the operator has pressed the notice's button
    // (a minute at most, so that a lost press cannot hang the test).
    std::atomic<bool> pressed{false};
    PendingPackage::setCheckHook([&] {
        for (int i = 0; i < 6000 && !pressed; ++i)
            QThread::msleep(10);
    });
    QString noticeText;
    bool buttonShown = false;
    QTimer operatorHand;
    QObject::connect(&operatorHand, &QTimer::timeout, [&]() {
        if (pressed)
            return;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto box = qobject_cast<v_SelectBox*>(w);
            if (!box || !box->isVisible() || box == QApplication::activeModalWidget()
                || box->text != QStringLiteral("正在检查安装包..."))
                continue;
            QPushButton* button = box->findChild<QPushButton*>();
            ASSERT_NE(button, nullptr) << "the notice has no button";
            noticeText = box->text;
            buttonShown = button->isVisible();
            saveShot(box, QStringLiteral("version-check-notice.png"));
            button->click();
            pressed = true;
        }
    });
    operatorHand.start(20);
    const QStringList boxes = clickAndAnswer(dialog.versionGroup(0)->button(0));
    operatorHand.stop();
    PendingPackage::setCheckHook(nullptr);
    EXPECT_EQ(noticeText, QStringLiteral("正在检查安装包..."));
    EXPECT_TRUE(buttonShown);
    EXPECT_EQ(boxes, (QStringList{"是否开始下载该版本?", "下载已取消\n原安装包保留"}));
    EXPECT_TRUE(dialog.downloadCancelled());
    EXPECT_FALSE(QFile::exists(QStringLiteral("bin-VAV/pending-download.part")));
    EXPECT_EQ(entries(QStringLiteral("bin-VAV")), QStringList{"newupdate.rar"});
    EXPECT_EQ(readFile(QStringLiteral("bin-VAV/newupdate.rar")), "older package");
    // No backup was taken for it.
    EXPECT_TRUE(DryRunLog::recordedCommands().isEmpty());
}

TEST_F(DownloadTest, APackageNamedInTwoCategoriesComesFromTheOneClicked)
{
    serveListing("/monitor/", {"A/", "B/"});
    serveListing("/monitor/A/", {"V1/"});
    serveListing("/monitor/B/", {"V1/"});
    serveListing("/monitor/A/V1/", {"V1-same.tar.gz"});
    serveListing("/monitor/B/V1/", {"V1-same.tar.gz"});
    const std::string fromB = PackageArchives::make(PackageArchives::Kind::TarGz, {{"from", "B"}});
    server.setReply("GET", "/monitor/A/V1/V1-same.tar.gz", {200, m_package, LoopbackHttpServer::Mode::Answer, "application/octet-stream"});
    server.setReply("GET", "/monitor/B/V1/V1-same.tar.gz", {200, fromB, LoopbackHttpServer::Mode::Answer, "application/octet-stream"});
    VersionDownloadDialog dialog;
    ASSERT_EQ(dialog.columns().size(), 2);
    ASSERT_EQ(dialog.columns()[0].first, QStringList{"V1-same.tar.gz"});
    const QStringList boxes = clickAndAnswer(dialog.versionGroup(1)->button(0));
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_EQ(boxes[1], QStringLiteral("下载成功\n重启后自动更新"));
    EXPECT_EQ(readFile(QStringLiteral("bin-VAV/newupdate.tar.gz")), QByteArray::fromStdString(fromB));
    EXPECT_TRUE(server.requests("GET", "/monitor/A/V1/V1-same.tar.gz").empty());
}

TEST_F(DownloadTest, BackupOutcomesOfTar)
{
    // What tar leaves and answers; the download itself is good in every case.
    const struct {
        const char* name;
        bool writesArchive;
        ShellResult result;
        bool kept;  // the new backup stays and the earlier one goes
    } cases[] = {
        {"exit 0", true, {true, true, 0, {}}, true},
        {"exit 1: a file changed while read", true, {true, true, 1, "tar: bin-VAV/log: file changed as we read it"}, true},
        {"exit 2: a fatal error", true, {true, true, 2, {}}, false},
        {"killed at the time limit", true, {true, false, -1, {}}, false},
        {"no tar to start", false, {false, false, -1, {}}, false},
        {"exit 0 without an archive", false, {true, true, 0, {}}, false},
    };
    for (const auto& c : cases) {
        writeFile(QStringLiteral("backup/") + kOldBackup, "old backup");
        for (const QString& name : entries(QStringLiteral("backup")))
            if (name.startsWith(QLatin1String("bin-VAV-2")) && name != QLatin1String(kOldBackup))
                QFile::remove(QStringLiteral("backup/") + name);
        QString archive;
        ShellRunner::setDryRunResponder([&](const QString& command) {
            const QStringList args = command.split(QLatin1Char(' '));
            if (args.value(0) == QLatin1String("tar")) {
                archive = args.value(2);
                if (c.writesArchive) {
                    QFile file(archive);
                    file.open(QIODevice::WriteOnly);
                    file.write("partial or whole");
                }
            }
            return c.result;
        });
        QFile::remove(QStringLiteral("bin-VAV/newupdate.tar.gz"));
        writeFile(QStringLiteral("bin-VAV/newupdate.rar"), "older package");
        VersionDownloadDialog dialog;
        // The package is placed only with its backup.
        EXPECT_EQ(dialog.downloadPackage(QStringLiteral("V1-tarball.tar.gz")), c.kept) << c.name;
        if (c.kept) {
            EXPECT_EQ(entries(QStringLiteral("bin-VAV")), QStringList{"newupdate.tar.gz"}) << c.name;
            EXPECT_EQ(readFile(QStringLiteral("bin-VAV/newupdate.tar.gz")), QByteArray::fromStdString(m_package)) << c.name;
        } else {
            EXPECT_EQ(dialog.failureReason(), QStringLiteral("备份安装目录失败")) << c.name;
            EXPECT_EQ(entries(QStringLiteral("bin-VAV")), QStringList{"newupdate.rar"}) << c.name;
            EXPECT_EQ(readFile(QStringLiteral("bin-VAV/newupdate.rar")), "older package") << c.name;
        }
        // tar writes a partial file, which becomes the backup only when tar has ended well.
        ASSERT_TRUE(archive.endsWith(QLatin1String(".tar.gz.part"))) << c.name << ": " << archive.toStdString();
        const QString whole = archive.chopped(5);
        EXPECT_FALSE(QFile::exists(archive)) << c.name;
        EXPECT_EQ(QFile::exists(whole), c.kept) << c.name;
        if (c.kept) {
            EXPECT_EQ(readFile(whole), "partial or whole") << c.name;
        }
        EXPECT_EQ(QFile::exists(QStringLiteral("backup/") + kOldBackup), !c.kept) << c.name;
        EXPECT_TRUE(QFile::exists(QStringLiteral("backup/keep-me.txt"))) << c.name;
    }
}

TEST_F(DownloadTest, BackupFolderInsideTheInstallFolderKeepsItsBackupsOutOfTheArchive)
{
    // As in the demo: one folder is both.
    qputenv("MONITOR_BACKUP_DIR", QDir().absoluteFilePath(QStringLiteral("bin-VAV")).toUtf8());
    VersionDownloadDialog dialog;
    EXPECT_TRUE(dialog.downloadPackage(QStringLiteral("V1-tarball.tar.gz")));
    const QStringList commands = DryRunLog::recordedCommands();
    ASSERT_EQ(commands.size(), 1);
    const QStringList args = commands[0].split(QLatin1Char(' '));
    EXPECT_TRUE(args.contains(QStringLiteral("--exclude=bin-VAV/bin-VAV-*.tar.gz"))) << commands[0].toStdString();
    EXPECT_TRUE(args.contains(QStringLiteral("--exclude=bin-VAV/bin-VAV-*.tar.gz.part"))) << commands[0].toStdString();
}

// The backup with a real tar while the IO thread talks to the board simulator on a
// pseudo-terminal and the GUI thread ticks as the detection cycle would. tar's stand-in does not
// return before the board has seen further polls and the GUI further ticks: a backup that held
// either thread would never see them. No figure of the machine's speed enters the verdict.
TEST_F(DownloadTest, BackupLeavesTheBoardPolledAndTheScreenAlive)
{
    {
        // 8 MB that gzip cannot shrink: the archive is real work, however fast.
        QFile data(QStringLiteral("bin-VAV/images.bin"));
        ASSERT_TRUE(data.open(QIODevice::WriteOnly));
        std::mt19937_64 random(41);
        std::vector<quint64> block(1 << 17);
        for (int i = 0; i < 8; ++i) {
            for (quint64& word : block)
                word = random();
            ASSERT_EQ(data.write(reinterpret_cast<const char*>(block.data()), qint64(block.size() * 8)), qint64(block.size() * 8));
        }
    }
    // Polls and ticks the backup must let through while it runs.
    constexpr size_t kEventsDuringBackup = 10;
    using Clock = std::chrono::steady_clock;
    Clock::time_point tarStart;
    Clock::time_point tarEnd;
    std::atomic<bool> tarBegun{false};
    std::atomic<size_t> tickCount{0};
    bool eventsSeen = false;
    size_t pollsBefore = 0;
    size_t pollsAfter = 0;
    PtyPair pty;
    ASSERT_TRUE(pty.start());
    IOBoardSimulator board;
    std::string error;
    ASSERT_TRUE(board.open(pty.deviceEnd().toStdString(), &error)) << error;
    ShellRunner::setDryRunResponder([&](const QString& command) {
        QStringList args = command.split(QLatin1Char(' '));
        ShellResult result{true, true, 0, {}};
        if (args.value(0) != QLatin1String("tar"))
            return result;
        args.removeFirst();
        pollsBefore = board.hostFrameCount(2);
        const size_t ticksBefore = tickCount;
        tarStart = Clock::now();
        tarBegun = true;
        QProcess tar;
        tar.start(QStringLiteral("tar"), args);
        const auto deadline = Clock::now() + std::chrono::milliseconds(kPatientWaitMs);
        while (!eventsSeen && Clock::now() < deadline) {
            eventsSeen = board.hostFrameCount(2) >= pollsBefore + kEventsDuringBackup
                         && tickCount >= ticksBefore + kEventsDuringBackup;
            QThread::msleep(5);
        }
        result.finished = tar.waitForFinished(120000);
        result.exitCode = tar.exitCode();
        tarEnd = Clock::now();
        pollsAfter = board.hostFrameCount(2);
        return result;
    });

    if (!ioMutex)
        ioMutex = new QMutex;
    IOSerialLine line;
    ASSERT_TRUE(line.open(pty.hostEnd()));
    IOThread io(&line);
    io.start();
    ASSERT_TRUE(board.waitForHostFrames(2, 5, kPatientWaitMs)) << "no polls from the IO thread";
    // The detection cycle's tick: every 20 ms, with the heartbeat.
    std::vector<Clock::time_point> ticks;
    QTimer cycle;
    bool shot = false;
    QObject::connect(&cycle, &QTimer::timeout, [&]() {
        ticks.push_back(Clock::now());
        ++tickCount;
        io.heartbeat();
        if (!shot && tarBegun)
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto box = qobject_cast<v_SelectBox*>(w); box && box->isVisible() && box->text.startsWith(QStringLiteral("正在备份"))) {
                    saveShot(box, QStringLiteral("version-backup-box.png"));
                    shot = true;
                }
    });
    cycle.start(20);

    VersionDownloadDialog dialog;
    ASSERT_EQ(dialog.columns().size(), 1);
    const QStringList boxes = clickAndAnswer(dialog.versionGroup(0)->button(0));
    cycle.stop();
    io.requestInterruption();
    io.wait();
    EXPECT_EQ(boxes, (QStringList{"是否开始下载该版本?", "下载成功\n重启后自动更新"}));
    EXPECT_TRUE(eventsSeen) << "the board's polls or the GUI's ticks stopped while the backup ran";

    // Figures for the record, not for the verdict.
    const double seconds = std::chrono::duration<double>(tarEnd - tarStart).count();
    std::vector<Frame> polls;
    for (const Frame& frame : board.hostFrames())
        if (frame.command() == 2)
            polls.push_back(frame);
    int64_t pollGapMicros = 0;
    for (size_t i = std::max<size_t>(pollsBefore, 1); i < std::min(pollsAfter, polls.size()); ++i)
        pollGapMicros = std::max(pollGapMicros, polls[i].micros - polls[i - 1].micros);
    double tickGapMs = 0;
    Clock::time_point previous = tarStart;
    for (const Clock::time_point& tick : ticks) {
        if (tick < tarStart || tick > tarEnd)
            continue;
        tickGapMs = std::max(tickGapMs, std::chrono::duration<double, std::milli>(tick - previous).count());
        previous = tick;
    }
    std::cout << "[ measured ] backup ran " << seconds << " s; " << (pollsAfter - pollsBefore) << " polls meanwhile, longest gap "
              << pollGapMicros / 1000.0 << " ms; longest gap between GUI ticks " << tickGapMs << " ms\n";
    RecordProperty("backup_seconds", std::to_string(seconds));
    RecordProperty("longest_poll_gap_ms", std::to_string(pollGapMicros / 1000.0));
    RecordProperty("longest_tick_gap_ms", std::to_string(tickGapMs));

    // The archive is whole and the earlier backup gone.
    QStringList backups = entries(QStringLiteral("backup"));
    backups.removeAll(QStringLiteral("keep-me.txt"));
    ASSERT_EQ(backups.size(), 1);
    EXPECT_NE(backups[0], QLatin1String(kOldBackup));
    EXPECT_TRUE(backups[0].endsWith(QLatin1String(".tar.gz"))) << backups[0].toStdString();
    QProcess list;
    list.start(QStringLiteral("tar"), {QStringLiteral("-tzf"), QStringLiteral("backup/") + backups[0]});
    ASSERT_TRUE(list.waitForFinished(60000));
    EXPECT_EQ(list.exitCode(), 0);
    EXPECT_TRUE(list.readAllStandardOutput().contains("bin-VAV/images.bin"));
}

}  // namespace
