// The version library against a loopback update server that publishes directory pages in the
// style of nginx's autoindex: what it lists, how it pages, and what an unreachable or odd server
// leaves of it.
#include "core/globals.h"
#include "core/texttable.h"
#include "settings/versiondownloaddialog.h"
#include "tests/support/loopbackhttpserver.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QPixmap>

#include <gtest/gtest.h>

namespace {

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
    void TearDown() override { qputenv("MONITOR_UPDATE_SERVER", m_previousServer); }

    void serveListing(const std::string& path, const std::vector<std::string>& entries)
    {
        server.setReply("GET", path, {200, listingPage(path, entries), LoopbackHttpServer::Mode::Answer, "text/html"});
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
};

TEST_F(VersionLibraryTest, ListsCategoriesAndTheWholePackageNamesOfTheirVersionFolders)
{
    const std::string base = "http://" + server.address();
    serveListing("/monitor/", {"A/", "B/", "C/", "V9/", "notes.txt"});
    serveListing("/monitor/A/", {"V1/", "V2/"});
    serveListing("/monitor/A/V1/", {"V1-a.tar.gz", "v1-b.rar", "V1-c.tar.xz", "V1-old.tar", "V1-x.zip", "X1-a.tar.gz"});
    serveListing("/monitor/B/", {"V1/"});
    serveListing("/monitor/B/V1/", {"V1-d.tar.gz", "V1-e.tar.gz"});
    // C holds no version folder of this product: a title with page buttons, but no column.
    serveListing("/monitor/C/", {"V2/"});

    VersionDownloadDialog dialog;
    EXPECT_TRUE(dialog.reachable);
    EXPECT_EQ(dialog.columnTitles(), (QStringList{"A", "B", "C"}));
    ASSERT_EQ(dialog.columns().size(), 2);
    EXPECT_EQ(dialog.columns()[0].first, (QStringList{"V1-a.tar.gz", "v1-b.rar", "V1-c.tar.xz"}));
    EXPECT_EQ(dialog.columns()[0].second.first(), QString::fromStdString(base + "/monitor/A/V1/V1-a.tar.gz"));
    EXPECT_EQ(dialog.columns()[1].first, (QStringList{"V1-d.tar.gz", "V1-e.tar.gz"}));
    EXPECT_EQ(dialog.columns()[1].second.last(), QString::fromStdString(base + "/monitor/B/V1/V1-e.tar.gz"));
    EXPECT_EQ(visibleVersions(dialog, 1), (QStringList{"V1-d.tar.gz", "V1-e.tar.gz"}));
    EXPECT_TRUE(server.requests("GET", "/monitor/A/V2/").empty());

    // The page buttons of C have no column behind them.
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
        EXPECT_TRUE(dialog.columns().isEmpty()) << c.name;
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
    EXPECT_TRUE(dialog.columns().isEmpty());
    std::map<std::string, int> fetched;
    for (const auto& request : server.requests())
        ++fetched[request.path];
    for (const auto& [path, count] : fetched)
        EXPECT_EQ(count, 1) << path;
    EXPECT_EQ(fetched.count("/monitor/C/V1/V1/V1/"), 0u);
}

}  // namespace
