#include "tests/widgets/kitfixture.h"

#include "widgets/colorbutton.h"
#include "widgets/editbox.h"
#include "widgets/editparam.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QIntValidator>
#include <QLabel>
#include <QSignalSpy>

namespace {

using EditBoxTest = KitTest;

QList<int> emitted(const QSignalSpy& spy)
{
    QList<int> values;
    for (const auto& args : spy)
        values << args.at(0).toInt();
    return values;
}

TEST_F(EditBoxTest, StepButtonsHoldTheValueInRangeAndReportIt)
{
    struct Case {
        const char* name;
        int start;
        const char* button;
        int expected;
    };
    const Case cases[] = {
        {"+5 at the top stays at the top", 100, "+5", 100},
        {"-5 from 3 stops at the bottom", 3, "-5", 1},
        {"+1", 50, "+1", 51},
        {"-1", 50, "-1", 49},
        {"+5", 50, "+5", 55},
        {"-1 at the bottom", 1, "-1", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QWidget host;
        EditBox box(1, 100, &host, QStringLiteral("延时"), QString(), EditBox::Integer, 1);
        box.setInputValue(c.start);
        host.show();
        QSignalSpy changed(&box, &EditBox::valueChanged);
        const QString b = QLatin1String(c.button);
        ColorButton* button = b == QLatin1String("+5")   ? box.plusFiveButton()
                              : b == QLatin1String("-5") ? box.minusFiveButton()
                              : b == QLatin1String("+1") ? box.plusOneButton()
                                                         : box.minusOneButton();
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(box.value(), c.expected);
        EXPECT_EQ(emitted(changed), QList<int>{c.expected});
        EXPECT_EQ(box.field()->text(), QString::number(c.expected));
    }
}

TEST_F(EditBoxTest, LayoutAndStepTexts)
{
    const struct {
        int divisor;
        const char* texts[4];  // -5, -1, +1, +5
    } cases[] = {{1, {"- 5", "- 1", "+ 1", "+ 5"}}, {10, {"- 0.5", "- 0.1", "+ 0.1", "+ 0.5"}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.divisor);
        QWidget host;
        EditBox box(0, 1000, &host, QStringLiteral("曝光"), QString(), EditBox::Divided, c.divisor);
        host.show();
        ColorButton* buttons[] = {box.minusFiveButton(), box.minusOneButton(), box.plusOneButton(), box.plusFiveButton()};
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(buttons[i]->text(), QLatin1String(c.texts[i]));
            EXPECT_EQ(buttons[i]->size(), QSize(130, 50));
            EXPECT_TRUE(buttons[i]->autoRepeat());
        }
        EXPECT_EQ(box.label()->size(), QSize(120, 50));
        EXPECT_EQ(box.label()->text(), QStringLiteral("曝光"));
        EXPECT_EQ(box.label()->palette().color(QPalette::Inactive, QPalette::WindowText), QColor(Qt::yellow));
        EXPECT_EQ(box.field()->size(), QSize(150, 50));
        EXPECT_EQ(box.field()->flags(), 9);
        // Left to right: label, -5, -1, field, +1, +5, ten pixels apart after a 40 pixel margin.
        EXPECT_EQ(box.label()->x(), 40);
        QWidget* order[] = {box.label(), buttons[0], buttons[1], box.field(), buttons[2], buttons[3]};
        for (int i = 1; i < 6; ++i)
            EXPECT_EQ(order[i]->x(), order[i - 1]->geometry().right() + 1 + 10);
        EXPECT_TRUE(box.field()->text().isEmpty()) << "nothing shown before the first value";

        box.setSampleShow();
        for (ColorButton* b : buttons)
            EXPECT_FALSE(b->isVisible());
    }
}

TEST_F(EditBoxTest, DisplayModes)
{
    struct Case {
        const char* name;
        int minimum, maximum, mode, divisor;
        bool zeroAllowed;
        int set;
        int value;
        const char* shown;
    };
    const Case cases[] = {
        {"tenths with a fraction", 0, 1000, EditBox::Divided, 10, false, 15, 15, "1.5"},
        {"whole tenths", 0, 1000, EditBox::Divided, 10, false, 20, 20, "2"},
        {"whole tenths below the raw minimum are not clamped as text", 30, 1000, EditBox::Divided, 10, false, 40, 40, "4"},
        {"raised to the minimum", 30, 9999, EditBox::Integer, 1, false, 10, 30, "30"},
        {"zero allowed keeps 0", 30, 9999, EditBox::Integer, 1, true, 0, 0, "0"},
        {"zero allowed still raises 10", 30, 9999, EditBox::Integer, 1, true, 10, 30, "30"},
        {"zero not allowed", 30, 9999, EditBox::Integer, 1, false, 0, 30, "30"},
        {"lowered to the maximum", 30, 9999, EditBox::Integer, 1, false, 12345, 9999, "9999"},
        {"other modes leave the text alone", 0, 100, 1, 1, false, 50, 50, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QWidget host;
        EditBox box(c.minimum, c.maximum, &host, QStringLiteral("x"), QString(), c.mode, c.divisor);
        box.setZeroAllowed(c.zeroAllowed);
        QSignalSpy changed(&box, &EditBox::valueChanged);
        box.setValue(c.set);
        EXPECT_EQ(box.value(), c.value);
        EXPECT_EQ(box.field()->text(), QLatin1String(c.shown));
        EXPECT_EQ(emitted(changed), QList<int>{c.value});
        EXPECT_EQ(box.getType(), c.mode);
    }
}

TEST_F(EditBoxTest, QuietSettersAndRange)
{
    QWidget host;
    EditBox box(0, 100, &host, QStringLiteral("x"), QString(), EditBox::Integer, 1);
    QSignalSpy changed(&box, &EditBox::valueChanged);
    box.setInputValue(500);
    EXPECT_EQ(box.value(), 500);
    EXPECT_TRUE(box.field()->text().isEmpty());
    box.setValue();
    EXPECT_EQ(box.field()->text(), QStringLiteral("500")) << "shown without range check";
    EXPECT_EQ(changed.count(), 0);

    box.setRange(10, 20);
    EXPECT_EQ(box.value(), 500);
    EXPECT_EQ(box.field()->minimum(), 10);
    EXPECT_EQ(box.field()->maximum(), 20);
    EXPECT_EQ(box.field()->intValidator()->bottom(), 10);
    EXPECT_EQ(box.field()->intValidator()->top(), 20);
    box.CheckRange();
    EXPECT_EQ(box.value(), 20);

    box.setText(QStringLiteral("新"));
    EXPECT_EQ(box.label()->text(), QStringLiteral("新"));
    box.setLabelColor(Qt::red);
    EXPECT_EQ(box.label()->palette().color(QPalette::Active, QPalette::WindowText), QColor(Qt::red));
}

TEST_F(EditBoxTest, TypingOnThePadRaisesEachDigitIntoRangeAtOnce)
{
    QWidget host;
    host.resize(1200, 800);
    EditBox box(30, 1000, &host, QStringLiteral("x"), QString(), EditBox::Integer, 1);
    box.move(0, 100);
    box.setValue(500);
    showActive(host);

    QTest::mouseClick(box.field(), Qt::LeftButton);
    NumberKeyPad* pad = gpNumKeyPad;
    ASSERT_TRUE(pad && pad->isVisible());
    EXPECT_EQ(pad->parentWidget(), &host) << "placed in the box's parent";
    EXPECT_EQ(pad->pos(), QPoint(box.field()->x(), 100 + box.field()->geometry().bottom() + 1 + 5));
    EXPECT_TRUE(box.field()->text().isEmpty());
    EXPECT_EQ(box.value(), 500) << "the value stays while the field is empty";

    QList<int> values;
    for (int digit : {1, 0, 0}) {
        QTest::mouseClick(pad->buttonGroup()->button(digit), Qt::LeftButton);
        values << box.value();
    }
    EXPECT_EQ(values, (QList<int>{30, 300, 1000}));
    EXPECT_EQ(box.field()->text(), QStringLiteral("1000"));

    QTest::mouseClick(pad->backspaceKey(), Qt::LeftButton);
    EXPECT_EQ(box.value(), 100);

    // A second tap empties the field but the next key extends the stored value.
    QTest::mouseClick(box.field(), Qt::LeftButton);
    EXPECT_TRUE(box.field()->text().isEmpty());
    QTest::mouseClick(pad->buttonGroup()->button(5), Qt::LeftButton);
    EXPECT_EQ(box.value(), 1000);
}

TEST_F(EditBoxTest, ZeroAllowedThroughThePad)
{
    QWidget host;
    host.resize(1200, 800);
    EditBox box(30, 9999, &host, QStringLiteral("x"), QString(), EditBox::Integer, 1);
    box.setZeroAllowed(true);
    box.setValue(500);
    showActive(host);
    QTest::mouseClick(box.field(), Qt::LeftButton);
    QTest::mouseClick(gpNumKeyPad->buttonGroup()->button(0), Qt::LeftButton);
    EXPECT_EQ(box.value(), 0);
    EXPECT_EQ(box.field()->text(), QStringLiteral("0"));
    QTest::mouseClick(gpNumKeyPad->buttonGroup()->button(6), Qt::LeftButton);
    EXPECT_EQ(box.value(), 30);
}

TEST_F(EditBoxTest, PhysicalKeysAppendAndDropDigits)
{
    struct Case {
        const char* name;
        int start;
        Qt::Key key;
        int expected;
    };
    const Case cases[] = {
        {"0 appends", 12, Qt::Key_0, 120},
        {"backspace drops", 120, Qt::Key_Backspace, 12},
        {"backspace of a negative", -7, Qt::Key_Backspace, 0},
        {"digits beyond the maximum", 900, Qt::Key_9, 1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QWidget host;
        host.resize(1200, 800);
        EditBox box(-100, 1000, &host, QStringLiteral("x"), QString(), EditBox::Integer, 1);
        box.setValue(c.start);
        showActive(host);
        box.field()->setFocus();
        // No pad is open, or an open pad's first key has been used.
        if (gpNumKeyPad)
            gpNumKeyPad->setFirstKey(false);
        QTest::keyClick(box.field(), c.key);
        EXPECT_EQ(box.value(), c.expected);
        EXPECT_EQ(box.field()->text(), QString::number(c.expected));
    }
}

TEST_F(EditBoxTest, PhysicalKeyAfterThePadOpensReplacesTheValue)
{
    QWidget host;
    host.resize(1200, 800);
    EditBox box(0, 1000, &host, QStringLiteral("x"), QString(), EditBox::Integer, 1);
    box.setValue(12);
    showActive(host);
    QTest::mouseClick(box.field(), Qt::LeftButton);
    ASSERT_TRUE(gpNumKeyPad && gpNumKeyPad->isFirstKey());
    QTest::keyClick(box.field(), Qt::Key_4);
    EXPECT_EQ(box.value(), 4);
    EXPECT_FALSE(gpNumKeyPad->isFirstKey());
    QTest::keyClick(box.field(), Qt::Key_2);
    EXPECT_EQ(box.value(), 42);
}

TEST_F(EditBoxTest, FocusLossChecksTwice)
{
    QWidget host;
    host.resize(1200, 800);
    EditBox box(0, 100, &host, QStringLiteral("x"), QString(), EditBox::Integer, 1);
    QLineEdit other(&host);
    other.move(0, 300);
    box.setValue(42);
    showActive(host);
    box.field()->setFocus();
    QSignalSpy changed(&box, &EditBox::valueChanged);
    other.setFocus();
    EXPECT_EQ(emitted(changed), (QList<int>{42, 42}));
}

TEST_F(EditBoxTest, UnitLabelFollowsTheCentredNumber)
{
    QWidget host;
    EditBox box(0, 1000, &host, QStringLiteral("x"), QStringLiteral("ms"), EditBox::Integer, 1);
    QLabel* unit = box.field()->unitLabel();
    ASSERT_TRUE(unit);
    EXPECT_EQ(unit->text(), QStringLiteral("ms"));
    EXPECT_EQ(unit->size(), QSize(42, 35));
    EXPECT_EQ(box.field()->textMargins().right(), 42);
    box.setValue(100);  // 3 characters: ((40 + 150 - 42) / 2, (50 - 35) / 2)
    EXPECT_EQ(unit->pos(), QPoint(74, 7));
    box.setValue(5);  // 1 character: ((13 + 150 - 42) / 2, 7)
    EXPECT_EQ(unit->pos(), QPoint(60, 7));

    EditBox plain(0, 10, &host, QStringLiteral("x"), QString(), EditBox::Integer, 1);
    EXPECT_EQ(plain.field()->unitLabel(), nullptr);
}

}  // namespace
