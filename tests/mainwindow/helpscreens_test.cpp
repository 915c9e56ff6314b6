// The picture help and the hardware-information page, built as the main window builds them but
// on their own: pages turned over folders of 0, 1, 3 and 60 pictures, the alarm page, the
// English folder, and conf.txt's table with the camera count.
#include "core/globals.h"
#include "core/texttable.h"
#include "mainwindow/hardwareconfigurationwidget.h"
#include "mainwindow/helpwidget.h"
#include "tests/view/viewshot.h"
#include "widgets/colorbutton.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>

#include <gtest/gtest.h>

namespace {

// Writes `count` pictures page00.png, page01.png, ... into `folder`, page i filled with grey i.
void makePages(const QString& folder, int count)
{
    QDir().mkpath(folder);
    for (int i = 0; i < count; ++i) {
        QImage page(320, 200, QImage::Format_RGB32);
        page.fill(QColor(i, i, i));
        ASSERT_TRUE(page.save(QStringLiteral("%1/page%2.png").arg(folder).arg(i, 2, 10, QLatin1Char('0'))));
    }
}

// The grey level of the page drawn (below the button strip).
int shownPage(HelpWidget& help)
{
    return help.grab().toImage().pixelColor(100, 150).red();
}

class HelpScreens : public ::testing::Test {
protected:
    void SetUp() override
    {
        fillTextTable();
        currentLanguage = 0;
        helpPage = 0;
        screenWidth = 1920;
        screenHeight = 1080;
    }
    void TearDown() override
    {
        currentLanguage = 0;
        helpPage = 0;
    }
};

TEST_F(HelpScreens, PagesTurnOverFoldersOfAnySize)
{
    struct Case {
        int files;
        int pages;
        // Pages shown after Next, Next, Last, Alarm.
        std::vector<int> shown;
    };
    const Case cases[] = {
        {0, 0, {0, 0, 0, 0}},
        {1, 1, {0, 0, 0, 0}},
        {3, 3, {1, 2, 1, 1}},  // no seventh page: the alarm button keeps the page
        {60, 50, {1, 2, 1, 6}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.files);
        QDir(QStringLiteral("help")).removeRecursively();
        makePages(QStringLiteral("help"), c.files);
        helpPage = 0;
        HelpWidget help;
        EXPECT_EQ(help.pageCount(), c.pages);
        std::vector<int> shown;
        help.nextButton()->click();
        shown.push_back(helpPage);
        help.nextButton()->click();
        shown.push_back(helpPage);
        help.lastButton()->click();
        shown.push_back(helpPage);
        help.alarmButton()->click();
        shown.push_back(helpPage);
        EXPECT_EQ(shown, c.shown);
        if (c.pages > 0) {
            EXPECT_EQ(shownPage(help), helpPage);
        }
    }
}

TEST_F(HelpScreens, TurningWrapsAtBothEndsAndStopsAtTheLoadedPages)
{
    makePages(QStringLiteral("help"), 60);
    HelpWidget help;
    help.lastButton()->click();
    EXPECT_EQ(helpPage, 49) << "from the first page back to the last loaded one";
    help.nextButton()->click();
    EXPECT_EQ(helpPage, 0);
    EXPECT_EQ(shownPage(help), 0);
    // Left beyond this help's pages by another user of the shared page number.
    helpPage = 55;
    help.lastButton()->click();
    EXPECT_EQ(helpPage, 49);
    help.show();
    help.returnButton()->click();
    EXPECT_FALSE(help.isVisible());
}

TEST_F(HelpScreens, OtherLanguagesReadTheEnglishFolder)
{
    makePages(QStringLiteral("help"), 1);
    makePages(QStringLiteral("help-en"), 2);
    for (int language : {1, 2, 3}) {
        currentLanguage = language;
        HelpWidget help;
        EXPECT_EQ(help.folder(), QStringLiteral("./help-en/"));
        EXPECT_EQ(help.pageCount(), 2);
    }
}

TEST_F(HelpScreens, HelpOnThePanelInChineseAndEnglish)
{
    makePages(QStringLiteral("help"), 7);
    makePages(QStringLiteral("help-en"), 7);
    for (int language : {0, 1}) {
        currentLanguage = language;
        HelpWidget help;
        ASSERT_EQ(help.size(), QSize(1920, 1080));
        help.alarmButton()->click();
        const QImage shot = viewShot(help, QStringLiteral("help-%1").arg(language));
        EXPECT_EQ(shot.pixelColor(100, 150).red(), HelpWidget::kAlarmPage);
        EXPECT_EQ(shot.pixelColor(620, 66), QColor(Qt::gray)) << "the strip behind the buttons";
        for (ColorButton* button : help.findChildren<ColorButton*>())
            EXPECT_LE(button->sizeHint().width(), button->width()) << qPrintable(button->text());
    }
}

TEST_F(HelpScreens, HardwarePageReadsConfTxt)
{
    QFile conf(QStringLiteral("conf.txt"));
    ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
    conf.write("Hardware\n\nCpu_Type\tX_1\tignored\nCount\t5\nMemory\t\n");
    conf.close();
    cameraCount = 3;

    HardwareConfigurationWidget page;
    EXPECT_EQ(page.geometry(), QRect(210, 140, 1500, 800));
    ASSERT_EQ(page.rowCount(), 4);
    struct Row {
        const char* name;
        const char* value;
        Qt::GlobalColor colour;
    };
    const Row rows[] = {
        {"Hardware", "", Qt::cyan},
        {"Cpu Type", "X 1", Qt::yellow},
        {"Count", "", Qt::yellow},
        {"Memory", "", Qt::cyan},
    };
    for (int r = 0; r < 4; ++r) {
        SCOPED_TRACE(r);
        EXPECT_EQ(page.nameLabel(r)->text(), QString::fromLatin1(rows[r].name));
        EXPECT_EQ(page.valueLabel(r)->text(), QString::fromLatin1(rows[r].value));
        EXPECT_EQ(page.nameLabel(r)->palette().color(QPalette::WindowText), QColor(rows[r].colour));
    }
    ASSERT_EQ(page.countLabel(), page.valueLabel(2));
    page.show();
    // No main window: no simulated camera to report.
    EXPECT_EQ(page.countLabel()->text(), QStringLiteral("3"));
    viewShot(page, QStringLiteral("hardware"));
}

TEST_F(HelpScreens, HardwarePageWithoutConfTxtHasOnlyItsConfirm)
{
    HardwareConfigurationWidget page;
    EXPECT_EQ(page.rowCount(), 0);
    EXPECT_EQ(page.countLabel(), nullptr);
    EXPECT_NE(page.confirmButton(), nullptr);
}

}  // namespace
