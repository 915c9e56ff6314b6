// The message box tipbox and its OK and Cancel buttons: placement, results and frame.
#include "core/globals.h"
#include "tests/support/modalanswer.h"
#include "widgets/cancelbtn.h"
#include "widgets/okbtn.h"
#include "widgets/tipbox.h"
#include "widgets/warnbox.h"

#include <QImage>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

TEST(BoxButtons, OkIsBlueAndCancelGreyWithRedText)
{
    okbtn ok;
    cancelbtn cancel;
    EXPECT_EQ(ok.text(), QStringLiteral("确定"));
    EXPECT_EQ(cancel.text(), QStringLiteral("取消"));
    EXPECT_EQ(ok.size(), QSize(135, 60));
    EXPECT_EQ(cancel.size(), QSize(135, 60));
    EXPECT_TRUE(ok.styleSheet().contains(QStringLiteral("background-color: #2687F2;color: #FFFFFF;")));
    EXPECT_TRUE(cancel.styleSheet().contains(QStringLiteral("background-color: #CCCCCC;color: #F24C3F;")));
}

TEST(Tipbox, ButtonsArePlacedByTheirCount)
{
    struct Case {
        int buttons;
        QPoint ok;      // (-1, -1): no OK button
        QPoint cancel;  // (-1, -1): no Cancel button
    };
    const Case cases[] = {
        {0, {-1, -1}, {-1, -1}},   // no button: only the owner closes the box
        {1, {233, 330}, {-1, -1}},
        {2, {315, 330}, {150, 330}},
        {3, {233, 330}, {-1, -1}},  // any other count behaves as one
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.buttons);
        tipbox box(c.buttons, nullptr, 600, 420);
        okbtn* ok = box.findChild<okbtn*>();
        cancelbtn* cancel = box.findChild<cancelbtn*>();
        ASSERT_EQ(ok != nullptr, c.ok.x() >= 0);
        ASSERT_EQ(cancel != nullptr, c.cancel.x() >= 0);
        if (ok) {
            EXPECT_EQ(ok->geometry(), QRect(c.ok, QSize(135, 60)));
        }
        if (cancel) {
            EXPECT_EQ(cancel->geometry(), QRect(c.cancel, QSize(135, 60)));
        }
        EXPECT_EQ(box.findChildren<QPushButton*>().size(), (ok ? 1 : 0) + (cancel ? 1 : 0));
    }
}

TEST(Tipbox, IsCentredFramelessAndOnTop)
{
    screenWidth = 1920;
    screenHeight = 1080;
    tipbox box(2, nullptr, 600, 420);
    EXPECT_EQ(box.geometry(), QRect(660, 330, 600, 420));
    // Qt makes every parentless box a window of its own; the hints are the box's.
    EXPECT_EQ(box.windowFlags() & ~Qt::WindowType_Mask,
              Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint);

    tipbox full(1, nullptr, 1920, 1080);
    EXPECT_EQ(full.geometry(), QRect(0, 0, 1920, 1080));
}

TEST(Tipbox, OkReturnsOneAndCancelZero)
{
    const struct {
        const char* press;
        int result;
    } cases[] = {{"确定", 1}, {"取消", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.press);
        tipbox box(2, nullptr, 600, 420);
        box.setText(QStringLiteral("确定要停止检测吗？"));
        ModalAnswer::pressWhenShown(QString::fromUtf8(c.press));
        EXPECT_EQ(box.exec(), c.result);
        EXPECT_EQ(box.text(), QStringLiteral("确定要停止检测吗？"));
    }
}

TEST(Tipbox, PaintsTheDarkTitleBarAndBody)
{
    tipbox box(1, nullptr, 600, 420);
    box.setText(QStringLiteral("x"));
    const QImage image = box.grab().toImage();
    EXPECT_EQ(QColor(image.pixel(300, 5)), QColor(QStringLiteral("#353D45")));
    EXPECT_EQ(QColor(image.pixel(300, 59)), QColor(QStringLiteral("#353D45")));
    EXPECT_EQ(QColor(image.pixel(300, 60)), QColor(QStringLiteral("#262E34")));
    EXPECT_EQ(QColor(image.pixel(5, 415)), QColor(QStringLiteral("#262E34")));
}

// A settings screen passes itself as the parent of its question and warning boxes: the box must
// still open as a window of its own over the screen, not as a child drawn inside the screen,
// and its exec() must show it where a modal-box answer finds it.
TEST(MessageBoxes, AParentedBoxIsAWindowOfItsOwn)
{
    QWidget screen;
    screen.resize(1800, 950);
    screen.show();
    tipbox question(2, &screen, 600, 420);
    Warnbox warning(&screen);
    for (QDialog* box : {static_cast<QDialog*>(&question), static_cast<QDialog*>(&warning)}) {
        SCOPED_TRACE(box->metaObject()->className());
        ASSERT_TRUE(box->isWindow());
        const int answered = ModalAnswer::answeredCount();
        ModalAnswer::finishWhenShown(1);
        EXPECT_EQ(box->exec(), 1);
        EXPECT_EQ(ModalAnswer::answeredCount(), answered + 1);
    }
}
