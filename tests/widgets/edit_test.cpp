#include "tests/widgets/kitfixture.h"

#include "widgets/colorbutton.h"
#include "widgets/edit.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QPointer>
#include <QSignalSpy>

#include <memory>

namespace {

using EditTest = KitTest;

QAbstractButton* digitKey(NumberKeyPad* pad, int digit)
{
    return pad->buttonGroup()->button(digit);
}

void typeDigits(NumberKeyPad* pad, const char* digits)
{
    for (const char* d = digits; *d; ++d)
        QTest::mouseClick(digitKey(pad, *d - '0'), Qt::LeftButton);
}

// Collects the messages logged while it lives.
class LogCapture {
public:
    LogCapture()
    {
        s_lines.clear();
        m_previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& msg) {
            s_lines << msg;
        });
    }
    ~LogCapture() { qInstallMessageHandler(m_previous); }
    int count(const QString& line) const { return s_lines.count(line); }

private:
    static QStringList s_lines;
    QtMessageHandler m_previous;
};
QStringList LogCapture::s_lines;

// An edit at (100, 100, 200, 50) in a 1000 x 800 host.
struct HostedEdit {
    explicit HostedEdit(int flags) : edit(flags, &host, 1)
    {
        host.resize(1000, 800);
        edit.setGeometry(100, 100, 200, 50);
    }
    QWidget host;
    Edit edit;
};

TEST_F(EditTest, TappingANumericEditEmptiesItAndTheFirstKeyReplaces)
{
    HostedEdit hosted(0);
    QWidget& host = hosted.host;
    Edit& edit = hosted.edit;
    edit.setText(QStringLiteral("25"));
    showActive(host);

    QTest::mouseClick(&edit, Qt::LeftButton);
    EXPECT_EQ(currentEditWidget(), &edit);
    ASSERT_TRUE(gpNumKeyPad);
    NumberKeyPad* pad = gpNumKeyPad;
    EXPECT_EQ(edit.pad(), pad);
    EXPECT_TRUE(edit.isPadOpen());
    EXPECT_TRUE(pad->isVisible());
    EXPECT_EQ(pad->parentWidget(), &host);
    EXPECT_EQ(edit.text(), QString());

    typeDigits(pad, "7");
    EXPECT_EQ(edit.text(), QStringLiteral("7"));
    typeDigits(pad, "30");
    EXPECT_EQ(edit.text(), QStringLiteral("730"));

    // Tapping again empties the field but keeps the pad, whose first key flag stays cleared.
    QTest::mouseClick(&edit, Qt::LeftButton);
    EXPECT_EQ(gpNumKeyPad.data(), pad);
    EXPECT_EQ(edit.text(), QString());
    typeDigits(pad, "4");
    EXPECT_EQ(edit.text(), QStringLiteral("4"));
    EXPECT_FALSE(pad->isFirstKey());
}

TEST_F(EditTest, PadBackspaceOnEmptyTextKeepsItEmptyAndMakesTheNextKeyReplace)
{
    HostedEdit hosted(0);
    QWidget& host = hosted.host;
    Edit& edit = hosted.edit;
    showActive(host);
    QTest::mouseClick(&edit, Qt::LeftButton);
    NumberKeyPad* pad = gpNumKeyPad;
    ASSERT_TRUE(pad);

    typeDigits(pad, "12");
    QTest::mouseClick(pad->backspaceKey(), Qt::LeftButton);
    EXPECT_EQ(edit.text(), QStringLiteral("1"));
    EXPECT_FALSE(pad->isFirstKey());
    QTest::mouseClick(pad->backspaceKey(), Qt::LeftButton);
    QTest::mouseClick(pad->backspaceKey(), Qt::LeftButton);
    EXPECT_EQ(edit.text(), QString());
    EXPECT_TRUE(pad->isFirstKey());
    typeDigits(pad, "5");
    EXPECT_EQ(edit.text(), QStringLiteral("5"));
}

TEST_F(EditTest, RangeClampSwapsReversedBoundsAndLeavesTextThatIsNoNumber)
{
    QWidget host;
    host.resize(1000, 800);
    Edit numeric(0, &host, 1);
    numeric.setGeometry(100, 100, 200, 50);
    numeric.setRange(10, 5);
    Edit text(Edit::FullKeyboard, &host, 1);
    text.setGeometry(100, 300, 200, 50);
    text.setRange(10, 5);
    showActive(host);

    QTest::mouseClick(&numeric, Qt::LeftButton);
    typeDigits(gpNumKeyPad, "9");
    EXPECT_EQ(numeric.text(), QStringLiteral("9"));
    typeDigits(gpNumKeyPad, "9");
    EXPECT_EQ(numeric.text(), QStringLiteral("10"));
    EXPECT_EQ(numeric.minimum(), 5);
    EXPECT_EQ(numeric.maximum(), 10);
    typeDigits(gpNumKeyPad, "0");  // "100" is clamped again
    EXPECT_EQ(numeric.text(), QStringLiteral("10"));

    QTest::mouseClick(&text, Qt::LeftButton);
    ASSERT_TRUE(gpNumCharInput && gpNumCharInput->isVisible());
    for (int id : {21, 34, 32})  // a, b, c on the lower-case page
        QTest::mouseClick(gpNumCharInput->buttonGroup()->button(id), Qt::LeftButton);
    EXPECT_EQ(text.text(), QStringLiteral("abc"));
    for (int id : {0, 1, 2})  // 1, 2, 3: clamped as soon as the text is a number again
        QTest::mouseClick(gpNumCharInput->buttonGroup()->button(id), Qt::LeftButton);
    EXPECT_EQ(text.text(), QStringLiteral("abc123"));
}

TEST_F(EditTest, PadIsPlacedBesideTheEditInsideItsHost)
{
    struct Case {
        const char* name;
        int screenHeight;
        QSize host;
        QRect edit;
        int flags;
        QPoint expected;
    };
    const Case cases[] = {
        {"below the edit", 1080, {1000, 800}, {100, 100, 200, 50}, 0, {100, 155}},
        {"pushed left at the right edge", 1080, {1000, 800}, {800, 100, 200, 50}, 0, {573, 155}},
        {"above the screen's bottom band", 1080, {1920, 1080}, {100, 900, 200, 60}, 0, {100, 690}},
        {"above the edit at the host's bottom", 1080, {1000, 800}, {100, 700, 200, 50}, 0, {100, 465}},
        {"lifted by the screen test", 900, {1000, 1000}, {100, 600, 200, 50}, 0, {100, 380}},
        {"in the grandparent", 1080, {1000, 800}, {10, 20, 100, 40}, Edit::PadInGrandparent, {60, 125}},
        {"in the grandparent's parent", 1080, {1000, 800}, {10, 20, 100, 40}, Edit::PadAboveGrandparent, {45, 111}},
        {"grandparent wins over its parent", 1080, {1000, 800}, {10, 20, 100, 40},
         Edit::PadInGrandparent | Edit::PadAboveGrandparent, {60, 125}},
        {"keyboard below the edit", 1080, {1000, 800}, {100, 100, 200, 50}, Edit::FullKeyboard, {100, 155}},
        {"keyboard pushed left", 1080, {1000, 800}, {500, 100, 200, 50}, Edit::FullKeyboard, {215, 155}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        screenHeight = c.screenHeight;
        QWidget host;
        host.resize(c.host);
        // host > middle (30, 40) > panel (50, 60) > edit; with bit 8 the panel's parent hosts
        // the pad, with bit 16 the middle's parent.
        QWidget* editParent = &host;
        QWidget* middle = nullptr;
        QWidget* panel = nullptr;
        QWidget* expectedHost = &host;
        if (c.flags & (Edit::PadInGrandparent | Edit::PadAboveGrandparent)) {
            const bool deep = !(c.flags & Edit::PadInGrandparent);
            middle = new QWidget(&host);
            middle->setGeometry(deep ? QRect(30, 40, 900, 700) : QRect(0, 0, 1000, 800));
            panel = new QWidget(deep ? middle : &host);
            panel->setGeometry(deep ? QRect(5, 6, 800, 600) : QRect(50, 60, 800, 600));
            editParent = panel;
            expectedHost = &host;
        }
        auto edit = new Edit(c.flags, editParent, 1);
        edit->setGeometry(c.edit);
        showActive(host);
        QTest::mouseClick(edit, Qt::LeftButton);
        QWidget* pad = edit->pad();
        ASSERT_TRUE(pad);
        EXPECT_TRUE(pad->isVisible());
        EXPECT_EQ(pad->parentWidget(), expectedHost);
        EXPECT_EQ(pad->pos(), c.expected);
        host.hide();
        flushDeletes();
    }
}

TEST_F(EditTest, FocusLossClosesThePadsLogsOnceAndForgetsThePad)
{
    QWidget host;
    host.resize(1000, 800);
    Edit first(0, &host, 1);
    first.setGeometry(100, 100, 200, 50);
    Edit second(0, &host, 1);
    second.setGeometry(100, 500, 200, 50);
    showActive(host);

    QTest::mouseClick(&first, Qt::LeftButton);
    QPointer<NumberKeyPad> firstPad = gpNumKeyPad.data();
    ASSERT_TRUE(firstPad);
    QSignalSpy focusOut(&first, &Edit::focusOut);
    {
        LogCapture log;
        second.setFocus();
        EXPECT_EQ(log.count(QStringLiteral("gpNumKeyPad is closed")), 1);
    }
    EXPECT_EQ(focusOut.count(), 1);
    EXPECT_FALSE(first.isPadOpen());
    EXPECT_EQ(currentEditWidget(), &second);
    EXPECT_FALSE(gpNumKeyPad);
    ASSERT_TRUE(firstPad);
    EXPECT_FALSE(firstPad->isVisible());
    flushDeletes();
    EXPECT_FALSE(firstPad) << "a forgotten pad is deleted";

    // Opening another edit's pad forgets the open one as well.
    QTest::mouseClick(&second, Qt::LeftButton);
    QPointer<NumberKeyPad> secondPad = gpNumKeyPad.data();
    ASSERT_TRUE(secondPad);
    EXPECT_NE(secondPad.data(), firstPad.data());
    EXPECT_EQ(secondPad->boundEdit(), &second);
}

TEST_F(EditTest, OkKeyEndsTypingAndThePadIsNotShownAgain)
{
    HostedEdit hosted(0);
    QWidget& host = hosted.host;
    Edit& edit = hosted.edit;
    showActive(host);
    QTest::mouseClick(&edit, Qt::LeftButton);
    QPointer<NumberKeyPad> pad = gpNumKeyPad.data();
    typeDigits(pad, "42");
    QTest::mouseClick(pad->okKey(), Qt::LeftButton);
    EXPECT_FALSE(edit.hasFocus());
    EXPECT_EQ(currentEditWidget(), nullptr);
    EXPECT_EQ(edit.text(), QStringLiteral("42"));
    flushDeletes();
    EXPECT_FALSE(pad);
    EXPECT_FALSE(gpNumKeyPad);
}

TEST_F(EditTest, PadOfAnEditWithoutFocusIsClosedByOkAndShownAgainByTheNextTap)
{
    // A field driven without the focus, as the slider drives its value field.
    QWidget host;
    host.resize(1000, 800);
    QWidget panel(&host);
    panel.setGeometry(0, 0, 1000, 800);
    Edit field(Edit::IntegerValidator | Edit::PadInGrandparent, &panel, 1);
    field.setGeometry(0, 0, 0, 60);
    QLineEdit focusHolder(&panel);
    focusHolder.setGeometry(0, 700, 200, 50);
    showActive(host);
    focusHolder.setFocus();

    auto tap = [&field]() {
        QFocusEvent focusIn(QEvent::FocusIn, Qt::MouseFocusReason);
        QCoreApplication::sendEvent(&field, &focusIn);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(0, 0), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&field, &release);
    };
    tap();
    QPointer<NumberKeyPad> pad = gpNumKeyPad.data();
    ASSERT_TRUE(pad && pad->isVisible());
    QTest::mouseClick(pad->okKey(), Qt::LeftButton);
    flushDeletes();
    ASSERT_TRUE(pad) << "closed by OK, not forgotten";
    EXPECT_FALSE(pad->isVisible());
    EXPECT_EQ(gpNumKeyPad.data(), pad.data());
    tap();
    EXPECT_EQ(gpNumKeyPad.data(), pad.data());
    EXPECT_TRUE(pad->isVisible());
}

void checkKeyboardPages()
{
    HostedEdit hosted(Edit::FullKeyboard);
    QWidget& host = hosted.host;
    Edit& edit = hosted.edit;
    edit.setText(QStringLiteral("kept"));
    KitTest::showActive(host);
    QTest::mouseClick(&edit, Qt::LeftButton);
    NumCharInput* keyboard = gpNumCharInput;
    ASSERT_TRUE(keyboard && keyboard->isVisible());
    EXPECT_EQ(keyboard->okKey()->text(), tableText(121));
    EXPECT_EQ(keyboard->backspaceKey()->text(), tableText(157));
    EXPECT_EQ(edit.text(), QStringLiteral("kept"));

    auto keys = [keyboard](int first, int count) {
        QString s;
        for (int id = first; id < first + count; ++id)
            s += keyboard->buttonGroup()->button(id)->text();
        return s;
    };
    struct Step {
        const char* press;  // "caps", "page" or "" for the state on showing
        NumCharInput::Page page;
        const char* row2;
        int pageText;
        int capsText;
    };
    const Step steps[] = {
        {"", NumCharInput::Page::Lower, "qwertyuiop", 441, 158},
        {"caps", NumCharInput::Page::Upper, "QWERTYUIOP", 441, 159},
        {"page", NumCharInput::Page::Punctuation, "-=[]\\;',./", 442, 158},
        {"page", NumCharInput::Page::Lower, "qwertyuiop", 441, 158},
        {"page", NumCharInput::Page::Punctuation, "-=[]\\;',./", 442, 158},
        {"caps", NumCharInput::Page::Upper, "QWERTYUIOP", 441, 159},
        {"caps", NumCharInput::Page::Lower, "qwertyuiop", 441, 158},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.press);
        if (QLatin1String(s.press) == QLatin1String("caps"))
            QTest::mouseClick(keyboard->capsKey(), Qt::LeftButton);
        else if (QLatin1String(s.press) == QLatin1String("page"))
            QTest::mouseClick(keyboard->pageKey(), Qt::LeftButton);
        EXPECT_EQ(keyboard->page(), s.page);
        EXPECT_EQ(keys(11, 10), QLatin1String(s.row2));
        EXPECT_EQ(keys(0, 11), QStringLiteral("1234567890_"));
        EXPECT_EQ(keyboard->pageKey()->text(), tableText(s.pageText));
        EXPECT_EQ(keyboard->capsKey()->text(), tableText(s.capsText));
    }
    QTest::mouseClick(keyboard->pageKey(), Qt::LeftButton);
    EXPECT_EQ(keys(21, 9), QStringLiteral("@#$%^?*()"));
    EXPECT_EQ(keys(30, 7), QStringLiteral("`~!{}:\""));

    // Showing it again starts on the lower-case page.
    keyboard->hide();
    keyboard->show();
    EXPECT_EQ(keyboard->page(), NumCharInput::Page::Lower);
}

TEST_F(EditTest, KeyboardPagesFollowTheCapsAndPageKeysInEveryLanguage)
{
    for (int language = 0; language < 4; ++language) {
        SCOPED_TRACE(language);
        currentLanguage = language;
        checkKeyboardPages();
        KitTest::resetKit();
    }
}

TEST_F(EditTest, KeyboardTypesAppendsAndBackspaceStopsAtEmpty)
{
    HostedEdit hosted(Edit::FullKeyboard);
    QWidget& host = hosted.host;
    Edit& edit = hosted.edit;
    edit.setText(QStringLiteral("ab"));
    showActive(host);
    QTest::mouseClick(&edit, Qt::LeftButton);
    NumCharInput* keyboard = gpNumCharInput;
    QTest::mouseClick(keyboard->buttonGroup()->button(10), Qt::LeftButton);  // "_"
    EXPECT_EQ(edit.text(), QStringLiteral("ab_"));
    EXPECT_EQ(edit.cursorPosition(), 3);
    QTest::mouseClick(keyboard->backspaceKey(), Qt::LeftButton);
    EXPECT_EQ(edit.text(), QStringLiteral("ab"));
    EXPECT_EQ(edit.cursorPosition(), 1) << "before the last remaining character";
    for (int i = 0; i < 4; ++i)
        QTest::mouseClick(keyboard->backspaceKey(), Qt::LeftButton);
    EXPECT_EQ(edit.text(), QString());
    EXPECT_EQ(edit.cursorPosition(), 0);

    QTest::mouseClick(keyboard->okKey(), Qt::LeftButton);
    EXPECT_FALSE(keyboard->isVisible());
    EXPECT_TRUE(edit.hasFocus()) << "the keyboard's OK only hides it";
}

TEST_F(EditTest, PasswordEditIsEmptiedOnFocusAndStaysTheTargetWithoutFocus)
{
    HostedEdit hosted(0);
    QWidget& host = hosted.host;
    Edit& edit = hosted.edit;
    edit.setEchoMode(QLineEdit::Password);
    edit.setText(QStringLiteral("secret"));
    showActive(host);
    for (int i = 0; i < 2; ++i) {
        edit.setFocus();
        EXPECT_EQ(edit.text(), QString());
        EXPECT_EQ(edit.placeholderText(), tableText(125));
        EXPECT_FALSE(edit.hasFocus());
        EXPECT_EQ(currentEditWidget(), &edit);
        edit.setText(QStringLiteral("typed"));
    }
}

TEST_F(EditTest, PhysicalKeysReportDigitsOrTypeThemWhenSwitchedOn)
{
    HostedEdit hosted(0);
    QWidget& host = hosted.host;
    Edit& edit = hosted.edit;
    edit.setText(QStringLiteral("12"));
    showActive(host);
    edit.setFocus();
    QSignalSpy keys(&edit, &Edit::sig_keyPress);
    QSignalSpy dots(&edit, &Edit::sig_Dot);

    QTest::keyClick(&edit, Qt::Key_7);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QTest::keyClick(&edit, Qt::Key_Period);
    ASSERT_EQ(keys.count(), 2);
    EXPECT_EQ(keys.at(0).at(0).toInt(), 7);
    EXPECT_EQ(keys.at(1).at(0).toInt(), -1);
    EXPECT_EQ(dots.count(), 1);
    EXPECT_EQ(edit.text(), QStringLiteral("12.")) << "digits are reported, not typed";

    // Return opens the pad (which empties the field).
    QTest::keyClick(&edit, Qt::Key_Return);
    ASSERT_TRUE(gpNumKeyPad);
    EXPECT_TRUE(gpNumKeyPad->isVisible());
    EXPECT_TRUE(gpNumKeyPad->isFirstKey());

    edit.setPhysicalKeyTyping(true);
    QTest::keyClick(&edit, Qt::Key_3);
    QTest::keyClick(&edit, Qt::Key_4);
    EXPECT_EQ(edit.text(), QStringLiteral("34"));
    EXPECT_FALSE(gpNumKeyPad->isFirstKey());
    EXPECT_EQ(keys.count(), 2);
}

TEST_F(EditTest, ReturnHidesTheVisibleKeyboard)
{
    HostedEdit hosted(Edit::FullKeyboard);
    QWidget& host = hosted.host;
    Edit& edit = hosted.edit;
    showActive(host);
    QTest::mouseClick(&edit, Qt::LeftButton);
    ASSERT_TRUE(gpNumCharInput->isVisible());
    QTest::keyClick(&edit, Qt::Key_Return);
    EXPECT_FALSE(gpNumCharInput->isVisible());
    QTest::keyClick(&edit, Qt::Key_Return);
    EXPECT_TRUE(gpNumCharInput->isVisible());
}

TEST_F(EditTest, ReferencesResetWhenTheirWidgetsAreDestroyed)
{
    auto host = std::make_unique<QWidget>();
    host->resize(1000, 800);
    auto edit = new Edit(0, host.get(), 1);
    edit->setGeometry(100, 100, 200, 50);
    auto textEdit = new Edit(Edit::FullKeyboard, host.get(), 1);
    textEdit->setGeometry(100, 300, 200, 50);
    showActive(*host);

    QTest::mouseClick(edit, Qt::LeftButton);
    ASSERT_TRUE(gpNumKeyPad);
    ASSERT_EQ(currentEditWidget(), edit);
    delete edit;
    flushDeletes();
    EXPECT_EQ(currentEditWidget(), nullptr);
    EXPECT_FALSE(gpNumKeyPad);

    // The keyboard lives in the host it was opened in and goes with it; the next edit event
    // makes a new one.
    QTest::mouseClick(textEdit, Qt::LeftButton);
    ASSERT_EQ(gpNumCharInput->parentWidget(), host.get());
    host.reset();
    EXPECT_FALSE(gpNumCharInput);
    EXPECT_EQ(currentEditWidget(), nullptr);
    QWidget other;
    Edit next(0, &other, 1);
    EXPECT_TRUE(gpNumCharInput);
    EXPECT_TRUE(gpNumberInput);
}

TEST_F(EditTest, NumericPadLayout)
{
    NumberKeyPad pad(nullptr);
    EXPECT_EQ(pad.geometry(), QRect(0, 0, 427, 230));
    EXPECT_EQ(pad.boundEdit(), nullptr);
    EXPECT_EQ(pad.focusPolicy(), Qt::NoFocus);
    const QPoint digitPositions[] = {{111, 157}, {5, 5}, {111, 5}, {217, 5}, {323, 5}, {5, 81}, {111, 81}, {217, 81}, {323, 81}, {5, 157}};
    for (int digit = 0; digit < 10; ++digit) {
        QAbstractButton* key = pad.buttonGroup()->button(digit);
        EXPECT_EQ(key->text(), QString::number(digit));
        EXPECT_EQ(key->geometry(), QRect(digitPositions[digit], QSize(100, 70)));
        EXPECT_EQ(key->focusPolicy(), Qt::NoFocus);
    }
    EXPECT_EQ(pad.backspaceKey()->geometry(), QRect(217, 157, 100, 70));
    EXPECT_EQ(pad.okKey()->geometry(), QRect(323, 157, 100, 70));

    NumberInput shared;
    EXPECT_FALSE(shared.isVisible());
    EXPECT_EQ(shared.buttonGroup()->button(0)->text(), QStringLiteral("1"));
    EXPECT_EQ(shared.buttonGroup()->button(9)->text(), QStringLiteral("0"));
    EXPECT_EQ(shared.buttonGroup()->button(9)->geometry(), QRect(110, 155, 100, 70));

    NumCharInput keyboard;
    EXPECT_EQ(keyboard.geometry(), QRect(0, 0, 785, 295));
    EXPECT_EQ(keyboard.buttonGroup()->button(36)->geometry(), QRect(526, 220, 65, 65));
    EXPECT_EQ(keyboard.pageKey()->geometry(), QRect(695, 150, 80, 65));
    EXPECT_EQ(keyboard.capsKey()->geometry(), QRect(10, 220, 80, 65));
    EXPECT_EQ(keyboard.backspaceKey()->geometry(), QRect(605, 220, 80, 65));
    EXPECT_EQ(keyboard.okKey()->geometry(), QRect(695, 220, 80, 65));
}

}  // namespace
