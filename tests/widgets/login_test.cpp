// The password boxes and the login levels: the service password with its hourly suffix, the
// user password from the parameter record, and what a wrong entry or Cancel leaves behind.
#include "core/globals.h"
#include "core/systemparam.h"
#include "core/texttable.h"
#include "mainwindow/mojuwizard.h"
#include "tests/support/modalanswer.h"
#include "widgets/cancelbtn.h"
#include "widgets/edit.h"
#include "widgets/inputbox.h"
#include "widgets/logincheck.h"
#include "widgets/numberkeypad.h"
#include "widgets/okbtn.h"
#include "widgets/passwordbox.h"
#include "tests/widgets/kitfixture.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

// 7 March, 14:25 local time: the hourly suffix is "030714".
QDateTime fixedNow()
{
    return QDateTime(QDate(2026, 3, 7), QTime(14, 25, 0));
}

class Login : public KitTest {
protected:
    void SetUp() override
    {
        fillTextTable();
        currentLanguage = 0;
        KitTest::SetUp();
        setLoginClock(&fixedNow);
        activeParams = &m_params;
        // No camera here: the window asks whether to clear the stored serial numbers.
        ModalAnswer::pressWhenShown(QStringLiteral("取消"));
        m_window = std::make_unique<MoJuWizard>();
    }
    void TearDown() override
    {
        setLoginClock(nullptr);
        activeParams = nullptr;
        mainWindow = nullptr;
        m_window.reset();
        KitTest::TearDown();
        currentLanguage = 0;
    }

    SystemParam m_params;
    std::unique_ptr<MoJuWizard> m_window;
};

}  // namespace

TEST_F(Login, LevelsForATableOfEntries)
{
    const struct {
        const char* name;
        int passwordEnabled;
        const char* userPassword;
        const char* entry;
        int level;
    } cases[] = {
        {"switch off: the four digits are the service password", 0, "1234", "5937", 2},
        {"switch off: a time suffix makes them wrong", 0, "1234", "5937030714", 0},
        {"switch on: the four digits alone are wrong", 1, "1234", "5937", 0},
        {"switch on: digits and this hour", 1, "1234", "5937030714", 2},
        {"switch on: digits and the previous hour", 1, "1234", "5937030713", 0},
        {"switch on: digits and the next day", 1, "1234", "5937030814", 0},
        {"switch on: a user password of the bare digits", 1, "5937", "5937", 1},
        {"service password is tested first", 0, "5937", "5937", 2},
        {"user password", 0, "1234", "1234", 1},
        {"user password with the switch on", 1, "1234", "1234", 1},
        {"user password is exact in length", 0, "1234", "12345", 0},
        {"user password is exact in case", 0, "abc", "ABC", 0},
        {"empty user password and empty entry", 0, "", "", 1},
        {"empty entry against a set user password", 0, "1234", "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_params.passwordEnabled = c.passwordEnabled;
        ASSERT_TRUE(m_params.setPassword(QString::fromLatin1(c.userPassword)));
        m_window->loginLevel = 2;  // a wrong entry logs out even a service engineer
        inputbox box(1, nullptr);
        box.show();
        box.entry()->setText(QString::fromLatin1(c.entry));
        QTest::mouseClick(box.findChild<okbtn*>(), Qt::LeftButton);
        EXPECT_EQ(m_window->loginLevel, c.level);
        EXPECT_EQ(box.isVisible(), c.level == 0);  // only a login closes the box
        EXPECT_EQ(box.result(), c.level == 0 ? QDialog::Rejected : QDialog::Accepted);
        if (c.level == 0) {
            EXPECT_TRUE(box.entry()->text().isEmpty());
            EXPECT_EQ(box.entry()->placeholderText(), QStringLiteral("密码错误，请重新输入！"));
        } else {
            EXPECT_EQ(box.entry()->placeholderText(), QStringLiteral("请输入密码！"));
        }
    }
}

TEST_F(Login, UserPasswordFillingAllHundredBytesIsReadNoFurther)
{
    // No NUL inside the password's bytes; the field after them is not part of the password.
    std::memset(m_params.password, '7', SystemParam::kPasswordBytes);
    m_params.setField(SystemParam::kPasswordIndex + SystemParam::kPasswordBytes / 4, 0x38383838);
    const QString hundredSevens(SystemParam::kPasswordBytes, QLatin1Char('7'));
    EXPECT_EQ(loginLevelFor(hundredSevens, m_params, fixedNow()), 1);
    EXPECT_EQ(loginLevelFor(hundredSevens + QStringLiteral("8888"), m_params, fixedNow()), 0);
}

TEST_F(Login, ServicePasswordFollowsTheClockOnA24HourDial)
{
    EXPECT_EQ(servicePassword(true, QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59))), QStringLiteral("5937123123"));
    EXPECT_EQ(servicePassword(true, QDateTime(QDate(2026, 1, 2), QTime(0, 0, 0))), QStringLiteral("5937010200"));
    EXPECT_EQ(servicePassword(false, fixedNow()), QStringLiteral("5937"));
}

TEST_F(Login, ExecReturnsOneAfterALoginAndZeroAfterCancel)
{
    m_params.setPassword(QStringLiteral("2468"));
    inputbox box(1, nullptr);
    QTimer::singleShot(0, [&box]() {
        // A wrong try first: the box stays open.
        box.entry()->setText(QStringLiteral("1111"));
        QTest::mouseClick(box.findChild<okbtn*>(), Qt::LeftButton);
        box.entry()->setText(QStringLiteral("2468"));
        QTest::mouseClick(box.findChild<okbtn*>(), Qt::LeftButton);
    });
    EXPECT_EQ(box.exec(), 1);
    EXPECT_EQ(m_window->loginLevel, 1);

    // Cancel keeps whatever level there is, also the 0 a wrong try left.
    inputbox again(1, nullptr);
    QTimer::singleShot(0, [&again]() {
        again.entry()->setText(QStringLiteral("1111"));
        QTest::mouseClick(again.findChild<okbtn*>(), Qt::LeftButton);
        again.entry()->setText(QStringLiteral("24"));
        QTest::mouseClick(again.findChild<cancelbtn*>(), Qt::LeftButton);
    });
    EXPECT_EQ(again.exec(), 0);
    EXPECT_EQ(m_window->loginLevel, 0);
    EXPECT_TRUE(again.entry()->text().isEmpty());
}

TEST_F(Login, PasswordIsTypedOnTheNumericPad)
{
    m_params.passwordEnabled = 1;
    inputbox box(1, nullptr);
    showActive(box);
    // Tapping the entry empties it and opens its numeric pad.
    box.entry()->setText(QStringLiteral("99"));
    QTest::mouseClick(box.entry(), Qt::LeftButton);
    ASSERT_TRUE(gpNumKeyPad);
    EXPECT_TRUE(box.entry()->text().isEmpty());
    for (QChar digit : QStringLiteral("5937030714"))
        gpNumKeyPad->buttonGroup()->button(digit.digitValue())->click();
    EXPECT_EQ(box.entry()->text(), QStringLiteral("5937030714"));
    QTest::mouseClick(box.findChild<okbtn*>(), Qt::LeftButton);
    EXPECT_EQ(m_window->loginLevel, 2);
    EXPECT_EQ(box.result(), QDialog::Accepted);
}

TEST_F(Login, BoxLayoutAndPlaceholdersInTwoLanguages)
{
    const struct {
        int language;
        const char* wrong;
        const char* again;
    } languages[] = {{0, "密码错误，请重新输入！", "请输入密码！"}, {1, "The password is wrong", "Password:"}};
    for (const auto& l : languages) {
        SCOPED_TRACE(l.language);
        currentLanguage = l.language;
        screenWidth = 1920;
        screenHeight = 1080;
        inputbox box(1, nullptr);
        EXPECT_EQ(box.geometry(), QRect(585, 265, 750, 550));
        EXPECT_EQ(box.objectName(), QStringLiteral("inputbox"));
        EXPECT_EQ(box.findChild<cancelbtn*>()->geometry(), QRect(225, 395, 135, 60));
        EXPECT_EQ(box.findChild<okbtn*>()->geometry(), QRect(390, 395, 135, 60));
        EXPECT_EQ(box.entry()->geometry(), QRect(100, 230, 550, 60));
        EXPECT_EQ(box.entry()->echoMode(), QLineEdit::Password);
        EXPECT_EQ(box.entry()->flags(), 1 | 4);
        EXPECT_EQ(box.entry()->placeholderText(), QStringLiteral("请输入密码"));
        EXPECT_EQ(box.windowFlags() & ~Qt::WindowType_Mask, Qt::CustomizeWindowHint | Qt::FramelessWindowHint);

        m_params.setPassword(QStringLiteral("1234"));
        box.show();
        box.entry()->setText(QStringLiteral("4321"));
        QTest::mouseClick(box.findChild<okbtn*>(), Qt::LeftButton);
        EXPECT_EQ(box.entry()->placeholderText(), QString::fromUtf8(l.wrong));
        box.entry()->setText(QStringLiteral("1234"));
        QTest::mouseClick(box.findChild<okbtn*>(), Qt::LeftButton);
        EXPECT_EQ(box.entry()->placeholderText(), QString::fromUtf8(l.again));
    }
}

TEST_F(Login, PasswordBoxPlaceholderFollowsTheEntry)
{
    for (int language : {0, 1}) {
        SCOPED_TRACE(language);
        currentLanguage = language;
        m_params.setPassword(QStringLiteral("abc"));
        PasswordBox box;
        box.show();
        EXPECT_EQ(box.entry()->placeholderText(), tableText(125));
        box.entry()->setText(QStringLiteral("x"));
        EXPECT_EQ(box.entry()->placeholderText(), QString());
        box.entry()->clear();
        EXPECT_EQ(box.entry()->placeholderText(), tableText(125));

        // A failed check: the emptied entry says the password was wrong, once.
        box.entry()->setText(QStringLiteral("abd"));
        QTest::mouseClick(box.findChild<okbtn*>(), Qt::LeftButton);
        EXPECT_TRUE(box.isVisible());
        EXPECT_EQ(box.entry()->placeholderText(), tableText(357));
        EXPECT_EQ(box.resultState(), 0);
        EXPECT_EQ(m_window->loginLevel, 0);
        box.SlotTextChanged(QString());
        EXPECT_EQ(box.entry()->placeholderText(), tableText(125));

        box.entry()->setText(QStringLiteral("abc"));
        QTest::mouseClick(box.findChild<okbtn*>(), Qt::LeftButton);
        EXPECT_EQ(m_window->loginLevel, 1);
        EXPECT_EQ(box.result(), QDialog::Accepted);
    }
}
