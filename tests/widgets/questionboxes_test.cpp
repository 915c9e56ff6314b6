// The notice and question boxes on the background picture: WarnBox, ChooseBox and its two
// variants. Their captions come from the text table in the current language.
#include "core/globals.h"
#include "core/shellrunner.h"
#include "core/systemparam.h"
#include "core/texttable.h"
#include "mainwindow/mojuwizard.h"
#include "tests/support/modalanswer.h"
#include "widgets/choosebox.h"
#include "widgets/choosecalinum.h"
#include "widgets/choosemodifytime.h"
#include "widgets/colorbutton.h"
#include "widgets/combobox.h"
#include "widgets/editdatetime.h"
#include "widgets/warnboxconfirm.h"

#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

class QuestionBoxes : public ::testing::Test {
protected:
    void SetUp() override
    {
        fillTextTable();
        currentLanguage = 0;
        screenWidth = 1920;
        screenHeight = 1080;
    }
    void TearDown() override
    {
        currentLanguage = 0;
        backgroundPixmap = nullptr;
        activeParams = nullptr;
        mainWindow = nullptr;
    }
};

QStringList recordedCommands()
{
    QFile log(QString::fromLatin1(ShellRunner::kDryRunLog));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

Qt::WindowFlags hints(const QWidget& w)
{
    return w.windowFlags() & ~Qt::WindowType_Mask;
}

}  // namespace

TEST_F(QuestionBoxes, WarnBoxConfirmsInEnglishInEveryLanguage)
{
    for (int language : {0, 1, 3}) {
        SCOPED_TRACE(language);
        currentLanguage = language;
        WarnBox box;
        EXPECT_EQ(box.confirmButton()->text(), QStringLiteral("Confirm"));
        EXPECT_EQ(box.confirmButton()->size(), QSize(220, 100));
        EXPECT_EQ(box.geometry(), QRect(585, 355, 750, 370));
        EXPECT_EQ(hints(box), Qt::CustomizeWindowHint);
        box.setText(QStringLiteral("请点击屏幕进行校准"));
        ModalAnswer::pressWhenShown(QStringLiteral("Confirm"));
        EXPECT_EQ(box.exec(), 1);
        // The button sits centred in the lower part of the box.
        const QRect button = box.confirmButton()->geometry();
        EXPECT_EQ(button.center().x(), 375 - 1);
        EXPECT_GT(button.top(), 370 / 2);
    }
}

TEST_F(QuestionBoxes, ShowingAWarnBoxWakesADarkScreen)
{
    const struct {
        const char* name;
        int backlightOff;
        int screenOffSeconds;
        bool switchedOn;
        bool timerRestarted;
    } cases[] = {
        {"dark screen with screen saver", 1, 120, true, true},
        {"dark screen without screen saver", 1, 0, true, false},
        {"lit screen", 0, 120, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(QString::fromLatin1(ShellRunner::kDryRunLog));
        SystemParam params;
        params.screenOffSeconds = c.screenOffSeconds;
        activeParams = &params;
        // No camera here: the window asks whether to clear the stored serial numbers.
        ModalAnswer::pressWhenShown(QStringLiteral("取消"));
        MoJuWizard window;
        // The window starts its screen saver itself; only the box may restart it here.
        window.screenOffTimer->stop();
        window.backlightOff = c.backlightOff;
        WarnBox box;
        box.show();
        EXPECT_EQ(window.backlightOff, 0);
        EXPECT_EQ(recordedCommands().size(), c.switchedOn ? 1 : 0);
        if (c.switchedOn) {
            EXPECT_EQ(recordedCommands().value(0),
                      QStringLiteral("bash -c echo 0 > /sys/class/backlight/intel_backlight/bl_power"));
        }
        EXPECT_EQ(window.screenOffTimer->isActive(), c.timerRestarted);
        if (c.timerRestarted) {
            EXPECT_EQ(window.screenOffTimer->interval(), 120000);
        }
        mainWindow = nullptr;
    }
}

TEST_F(QuestionBoxes, ChooseBoxAsksYesOrNoInTheCurrentLanguage)
{
    const struct {
        int language;
        const char* yes;
        const char* no;
    } languages[] = {{0, "是", "否"}, {1, "YES", "NO"}};
    for (const auto& l : languages) {
        currentLanguage = l.language;
        for (int answer : {1, 0}) {
            SCOPED_TRACE(answer == 1 ? l.yes : l.no);
            ChooseBox box(nullptr, 750, 370);
            EXPECT_FALSE(box.isVisible());
            EXPECT_EQ(box.yesButton()->text(), QString::fromUtf8(l.yes));
            EXPECT_EQ(box.noButton()->text(), QString::fromUtf8(l.no));
            EXPECT_EQ(box.yesButton()->geometry(), QRect(105, 235, 220, 100));
            EXPECT_EQ(box.noButton()->geometry(), QRect(425, 235, 220, 100));
            EXPECT_EQ(box.geometry(), QRect(585, 355, 750, 370));
            ModalAnswer::pressWhenShown(QString::fromUtf8(answer == 1 ? l.yes : l.no));
            EXPECT_EQ(box.exec(), answer);
        }
    }
}

TEST_F(QuestionBoxes, PictureBoxesDrawTheBackgroundAndAWhiteFrame)
{
    QPixmap background(10, 10);
    background.fill(QColor(0, 80, 0));
    backgroundPixmap = &background;
    const QColor green(0, 80, 0);

    ChooseBox choose(nullptr, 750, 370);
    choose.setText(QStringLiteral("是否保存?"));
    QImage image = choose.grab().toImage();
    EXPECT_EQ(image.pixelColor(1, 1), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(748, 368), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(20, 360), green);   // scaled over the whole box
    EXPECT_EQ(image.pixelColor(375, 20), green);   // the question sits low, above the buttons

    ModifyTimeWidget modify;
    image = modify.grab().toImage();
    EXPECT_EQ(image.pixelColor(1, 1), green);  // background only, no frame
}

TEST_F(QuestionBoxes, ModifyTimeAsksWithConfirmAndCancel)
{
    const struct {
        int language;
        const char* yes;
        const char* no;
    } languages[] = {{0, "确定", "取消"}, {1, "Confirm", "Cancel"}};
    for (const auto& l : languages) {
        SCOPED_TRACE(l.yes);
        currentLanguage = l.language;
        ModifyTimeWidget box;
        EXPECT_EQ(box.yesButton()->text(), QString::fromUtf8(l.yes));
        EXPECT_EQ(box.noButton()->text(), QString::fromUtf8(l.no));
        ASSERT_NE(box.dateTimeEdit(), nullptr);
        EXPECT_EQ(box.dateTimeEdit()->pos(), QPoint(0, 50));
        EXPECT_EQ(box.size(), QSize(750, 370));
        ModalAnswer::pressWhenShown(QString::fromUtf8(l.yes));
        EXPECT_EQ(box.exec(), 1);
    }
}

TEST_F(QuestionBoxes, CalibrationChoiceOffersFourNineOrTwentyFivePoints)
{
    ChooseCaliNumWidget box;
    ComboBox* points = box.pointCount();
    ASSERT_EQ(points->count(), 3);
    EXPECT_EQ(points->itemText(0), QStringLiteral(" 4 "));
    EXPECT_EQ(points->itemText(1), QStringLiteral(" 9 "));
    EXPECT_EQ(points->itemText(2), QStringLiteral(" 25 "));
    EXPECT_EQ(points->geometry(), QRect(275, 122, 200, 50));
    EXPECT_EQ(points->font().pointSize(), 33);
    EXPECT_TRUE(points->styleSheet().contains(QStringLiteral("height:50px")));
    points->setCurrentIndex(2);
    ModalAnswer::pressWhenShown(QStringLiteral("是"));
    EXPECT_EQ(box.exec(), 1);
    EXPECT_EQ(points->currentText().trimmed(), QStringLiteral("25"));
}
