// The date and time pickers driven through their own controls: the rolling columns, the time
// roller and its fields, the calendar, the range picker with its display, and the clock picker.
#include "core/globals.h"
#include "tests/support/modalanswer.h"
#include "widgets/calendarwidget.h"
#include "widgets/datetimefield.h"
#include "widgets/datetimewidget.h"
#include "widgets/fromtimetotime.h"
#include "widgets/modifytimewidget.h"
#include "widgets/rollingboxy.h"
#include "widgets/rollingtime.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <functional>

namespace {

class Pickers : public ::testing::Test {
protected:
    void SetUp() override
    {
        openRangePicker = nullptr;
        openTimeRoller = nullptr;
        screenWidth = 1920;
        screenHeight = 1080;
    }
    void TearDown() override
    {
        closeOpenTimeRoller();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

void wheel(QWidget* w, int delta)
{
    QWheelEvent event(QPointF(25, 100), QPointF(25, 100), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &event);
}

void mouse(QWidget* w, QEvent::Type type, int y)
{
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(25, y), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

// A 50 x 200 hour column, as the time roller builds it, at `value`.
std::unique_ptr<RollingBoxY> hourColumn(int value)
{
    auto column = std::make_unique<RollingBoxY>(0, 0, 23);
    column->setFixedSize(50, 200);
    column->setValue(value);
    return column;
}

QPushButton* buttonWithText(QWidget* parent, const QString& text)
{
    const auto buttons = parent->findChildren<QPushButton*>();
    for (QPushButton* b : buttons)
        if (b->text() == text)
            return b;
    return nullptr;
}

// Clicks the cell of `date` in the calendar's month view, as an operator's finger would.
void clickDay(QCalendarWidget* calendar, const QDate& date)
{
    calendar->setCurrentPage(date.year(), date.month());
    auto view = calendar->findChild<QTableView*>(QStringLiteral("qt_calendar_calendarview"));
    ASSERT_NE(view, nullptr);
    QAbstractItemModel* model = view->model();
    // Cells run row by row; the first "1" is the first of the shown month (days of the month
    // before are never below 22).
    int counted = -1;
    for (int row = 0; row < model->rowCount(); ++row) {
        for (int col = 0; col < model->columnCount(); ++col) {
            const QModelIndex index = model->index(row, col);
            const QString text = model->data(index, Qt::DisplayRole).toString();
            if (counted < 0 && text == QLatin1String("1"))
                counted = 0;
            if (counted >= 0 && ++counted == date.day()) {
                ASSERT_EQ(text.toInt(), date.day());
                QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, view->visualRect(index).center());
                return;
            }
        }
    }
    FAIL() << "no cell for " << date.toString().toStdString();
}

// Runs `steps` once the modal range picker is up.
void whenPickerOpen(std::function<void(DateTimeWidget*)> steps)
{
    QTimer::singleShot(0, [steps]() {
        ASSERT_TRUE(openRangePicker);
        ASSERT_TRUE(openRangePicker->isVisible());
        steps(openRangePicker);
    });
}

}  // namespace

TEST_F(Pickers, WheelMovesAColumnByOneAndStopsAtItsEnds)
{
    const struct {
        const char* name;
        int start;
        int delta;  // wheel angle: positive shows the smaller neighbour
        int value;
        bool signalled;
    } cases[] = {
        {"down from 10", 10, -120, 11, true},
        {"up from 10", 10, 120, 9, true},
        {"down at 23 is refused", 23, -120, 23, false},
        {"up at 0 is refused", 0, 120, 0, false},
        {"down from not chosen", -1, -120, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto column = hourColumn(c.start);
        QSignalSpy changed(column.get(), &RollingBoxY::currentValueChanged);
        wheel(column.get(), c.delta);
        EXPECT_EQ(column->readValue(), c.value);
        ASSERT_EQ(changed.size(), c.signalled ? 1 : 0);
        if (c.signalled) {
            EXPECT_EQ(changed.at(0).at(0).toInt(), c.value);
        } else {
            EXPECT_EQ(column->deviation(), 0);
        }
    }
}

TEST_F(Pickers, DragSnapsToTheNearerNumber)
{
    // Column height 200: a whole step is 49 pixels, a drag beyond 25 pixels moves the value.
    const struct {
        const char* name;
        int start;
        int dy;
        int value;
    } cases[] = {
        {"short drag down keeps the value", 10, 20, 10},
        {"drag down past an eighth shows the smaller number", 10, 30, 9},
        {"drag up past an eighth shows the larger number", 10, -30, 11},
        {"a whole step down and a bit", 10, 49 + 30, 8},
        {"drag down at 0 is ignored", 0, 60, 0},
        {"drag up at 23 is ignored", 23, -60, 23},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto column = hourColumn(c.start);
        mouse(column.get(), QEvent::MouseButtonPress, 100);
        // Move in small steps as a finger does; the value steps whenever a whole step is reached.
        const int direction = c.dy > 0 ? 1 : -1;
        for (int moved = 0; moved != c.dy;) {
            moved += direction * std::min(10, std::abs(c.dy - moved));
            mouse(column.get(), QEvent::MouseMove, 100 + moved);
        }
        mouse(column.get(), QEvent::MouseButtonRelease, 100 + c.dy);
        EXPECT_EQ(column->readValue(), c.value);
    }
}

TEST_F(Pickers, DragReportsItsDeviationAndTheAnimationComesToRest)
{
    auto column = hourColumn(10);
    QSignalSpy deviation(column.get(), &RollingBoxY::deviationChange);
    mouse(column.get(), QEvent::MouseButtonPress, 100);
    mouse(column.get(), QEvent::MouseMove, 130);
    ASSERT_EQ(deviation.size(), 1);
    EXPECT_FLOAT_EQ(deviation.at(0).at(0).toFloat(), 30.0f / 39);
    mouse(column.get(), QEvent::MouseButtonRelease, 130);
    EXPECT_EQ(column->deviation(), 24 - 30);  // the snap starts from the remaining offset
    QTRY_COMPARE_WITH_TIMEOUT(column->deviation(), 0, 1000);
    EXPECT_EQ(column->readValue(), 9);
}

TEST_F(Pickers, AColumnWithoutAChosenValueShowsNoNumberInItsWindow)
{
    // The window between the two blue lines (y 72 to 120 for a 200-high column) holds the value.
    auto darkPixelsInWindow = [](RollingBoxY& column) {
        const QImage image = column.grab().toImage();
        int dark = 0;
        for (int y = 76; y < 118; ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) < 128)
                    ++dark;
        return dark;
    };
    auto chosen = hourColumn(5);
    EXPECT_GT(darkPixelsInWindow(*chosen), 0);
    auto unchosen = hourColumn(-1);
    EXPECT_EQ(darkPixelsInWindow(*unchosen), 0);  // no "-1时"
}

TEST_F(Pickers, ColumnsStartAtTheCurrentTime)
{
    const QTime before = QTime::currentTime();
    RollingBoxY hours(0, 0, 23), minutes(1, 0, 59);
    const QTime after = QTime::currentTime();
    EXPECT_TRUE(hours.readValue() == before.hour() || hours.readValue() == after.hour());
    EXPECT_TRUE(minutes.readValue() == before.minute() || minutes.readValue() == after.minute());
}

TEST_F(Pickers, TimeFieldOpensTheRollerBelowItAndTakesTheRolledTime)
{
    QWidget dialog;
    dialog.move(100, 200);
    QWidget bar(&dialog);
    bar.move(10, 20);
    _EditDateTime field(&bar, 1);
    field.setGeometry(30, 15, 150, 30);
    field.addTime(QTime(17, 30, 5));

    QTest::mouseClick(&field, Qt::LeftButton);
    ASSERT_TRUE(openTimeRoller);
    _RollingTime* roller = openTimeRoller;
    EXPECT_TRUE(roller->isVisible());
    EXPECT_EQ(roller->pos(), QPoint(100 + 10 + 30, 200 + 20 + 15 + 30 + 10));
    EXPECT_EQ(roller->windowModality(), Qt::WindowModal);
    EXPECT_EQ(roller->hourColumn()->readValue(), 17);
    EXPECT_EQ(roller->minuteColumn()->readValue(), 30);
    EXPECT_EQ(roller->secondColumn()->readValue(), 5);

    wheel(roller->hourColumn(), -120);
    wheel(roller->secondColumn(), 120);
    QTest::mouseClick(buttonWithText(roller, QStringLiteral("确定")), Qt::LeftButton);
    EXPECT_EQ(field.text(), QStringLiteral("18:30:04"));
    EXPECT_EQ(field.storedTime(), QTime(18, 30, 4));

    // The roller is made for one choice and goes away once closed.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(openTimeRoller);
}

TEST_F(Pickers, RollerCancelAndReopeningLeaveTheFieldAlone)
{
    _EditDateTime field(nullptr, 1);
    field.addTime(QTime(8, 0, 0));
    QTest::mouseClick(&field, Qt::LeftButton);
    QPointer<_RollingTime> first = openTimeRoller.data();
    QTest::mouseClick(&field, Qt::LeftButton);  // a second press replaces the open roller
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(first);
    ASSERT_TRUE(openTimeRoller);
    wheel(openTimeRoller->hourColumn(), -120);
    QTest::mouseClick(buttonWithText(openTimeRoller, QStringLiteral("取消")), Qt::LeftButton);
    EXPECT_EQ(field.text(), QStringLiteral("08:00:00"));
    EXPECT_EQ(field.storedTime(), QTime(8, 0, 0));
}

TEST_F(Pickers, TimeFieldWithoutATimeStaysEmptyWhenConfirmedUnrolled)
{
    _EditDateTime field(nullptr, 1);
    QTest::mouseClick(&field, Qt::LeftButton);
    ASSERT_TRUE(openTimeRoller);
    EXPECT_EQ(openTimeRoller->hourColumn()->readValue(), -1);
    EXPECT_EQ(openTimeRoller->minuteColumn()->readValue(), -1);
    EXPECT_EQ(openTimeRoller->secondColumn()->readValue(), -1);
    EXPECT_FALSE(openTimeRoller->grab().isNull());  // columns without a chosen value paint too
    QTest::mouseClick(buttonWithText(openTimeRoller, QStringLiteral("确定")), Qt::LeftButton);
    EXPECT_TRUE(field.text().isEmpty());
    EXPECT_FALSE(field.storedTime().isValid());
}

TEST_F(Pickers, DateAndDisplayFieldsOpenNoRoller)
{
    for (int kind : {0, 2}) {
        SCOPED_TRACE(kind);
        _EditDateTime field(nullptr, kind);
        EXPECT_EQ(field.isReadOnly(), kind == 0);
        QTest::mouseClick(&field, Qt::LeftButton);
        EXPECT_FALSE(openTimeRoller);
    }
}

TEST_F(Pickers, CalendarHeaderShowsTheDateAndMonthArrowsKeepTheDay)
{
    CalendarWidget calendar;
    calendar.resize(400, 400);
    calendar.show();
    EXPECT_EQ(calendar.dateLabel()->text(), QDate::currentDate().toString(QStringLiteral("yyyy年MM月dd日")));
    EXPECT_FALSE(calendar.isNavigationBarVisible());
    EXPECT_TRUE(calendar.previousMonthButton()->isVisible());
    EXPECT_EQ(calendar.previousMonthButton()->objectName(), QStringLiteral("prevBtn"));
    EXPECT_EQ(calendar.nextMonthButton()->parentWidget()->objectName(), QStringLiteral("CalendarTopWidget"));

    QSignalSpy clicked(&calendar, &QCalendarWidget::clicked);
    clickDay(&calendar, QDate(2024, 3, 31));
    EXPECT_EQ(calendar.dateLabel()->text(), QStringLiteral("2024年03月31日"));
    ASSERT_EQ(clicked.size(), 1);

    QTest::mouseClick(calendar.nextMonthButton(), Qt::LeftButton);
    EXPECT_EQ(calendar.selectedDate(), QDate(2024, 4, 30));
    EXPECT_EQ(calendar.storedDate(), QDate(2024, 4, 30));
    EXPECT_EQ(calendar.dateLabel()->text(), QStringLiteral("2024年04月30日"));
    QTest::mouseClick(calendar.nextMonthButton(), Qt::LeftButton);
    EXPECT_EQ(calendar.selectedDate(), QDate(2024, 5, 30));  // the clamped day is kept
    QTest::mouseClick(calendar.previousMonthButton(), Qt::LeftButton);
    QTest::mouseClick(calendar.previousMonthButton(), Qt::LeftButton);
    QTest::mouseClick(calendar.previousMonthButton(), Qt::LeftButton);
    EXPECT_EQ(calendar.selectedDate(), QDate(2024, 2, 29));
    EXPECT_EQ(clicked.size(), 1);  // a month change is no click
}

TEST_F(Pickers, RangeIsPickedThroughTheDisplayAndThePickersControls)
{
    QWidget screen;
    screen.move(0, 0);
    FromTimeToTime display(&screen);
    display.move(40, 300);
    display.setStartDateTime(QDateTime(QDate(2024, 3, 1), QTime(8, 0, 0)));
    display.setEndDateTime(QDateTime(QDate(2024, 3, 2), QTime(17, 30, 0)));

    QPoint pickerPos;
    dayTime sent;
    whenPickerOpen([&](DateTimeWidget* picker) {
        pickerPos = picker->pos();
        EXPECT_EQ(picker->fromDateField()->text(), QStringLiteral("2024-03-01"));
        EXPECT_EQ(picker->fromTimeField()->text(), QStringLiteral("08:00:00"));
        EXPECT_EQ(picker->toDateField()->text(), QStringLiteral("2024-03-02"));
        EXPECT_EQ(picker->toTimeField()->text(), QStringLiteral("17:30:00"));
        EXPECT_EQ(picker->toCalendar()->selectedDate(), QDate(2024, 3, 2));
        QObject::connect(picker, &DateTimeWidget::sendDateTime, [&](dayTime range) { sent = range; });

        clickDay(picker->toCalendar(), QDate(2024, 3, 5));
        EXPECT_EQ(picker->toDateField()->text(), QStringLiteral("2024-03-05"));
        QTest::mouseClick(picker->toTimeField(), Qt::LeftButton);
        ASSERT_TRUE(openTimeRoller);
        wheel(openTimeRoller->hourColumn(), -120);
        QTest::mouseClick(buttonWithText(openTimeRoller, QStringLiteral("确定")), Qt::LeftButton);
        EXPECT_EQ(picker->toTimeField()->text(), QStringLiteral("18:30:00"));
        QTest::mouseClick(buttonWithText(picker, QStringLiteral("确定")), Qt::LeftButton);
    });
    QTest::mousePress(&display, Qt::LeftButton);

    EXPECT_EQ(pickerPos, QPoint(40, 300 + 40));
    EXPECT_EQ(sent.from, QDateTime(QDate(2024, 3, 1), QTime(8, 0, 0)));
    EXPECT_EQ(sent.to, QDateTime(QDate(2024, 3, 5), QTime(18, 30, 0)));
    EXPECT_EQ(display.startDateTime(), sent.from);
    EXPECT_EQ(display.endDateTime(), sent.to);
    EXPECT_EQ(display.startField()->text(), QStringLiteral("2024-03-01 08:00:00"));
    EXPECT_EQ(display.endField()->text(), QStringLiteral("2024-03-05 18:30:00"));
    EXPECT_EQ(display.pressCount(), 1);
    EXPECT_FALSE(openRangePicker);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(qApp->findChildren<DateTimeWidget*>().isEmpty());
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_EQ(qobject_cast<DateTimeWidget*>(w), nullptr) << "the picker is deleted after use";
}

// The range picker opens below its display and the time roller below its field, moved only as
// far as needed to stay wholly on the screen: a display at the right of a wide bar (English
// captions) would otherwise put the picker and its close button past the edge.
TEST_F(Pickers, PickerAndRollerStayOnTheScreen)
{
    const int savedWidth = screenWidth;
    screenWidth = 1920;
    screenHeight = 1080;
    struct Case {
        QPoint display;  // in a screen widget at (0, 0)
        QPoint picker;   // where the picker opens (860 x 540)
    } const cases[] = {
        {{40, 300}, {40, 340}},        // room enough: right below the display
        {{1100, 100}, {1060, 140}},    // would reach 1960: moved left to end at the edge
        {{1500, 800}, {1060, 540}},    // past the right and the bottom edge
        {{-30, 100}, {0, 140}},        // left of the screen
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.display.x() << "," << c.display.y());
        QWidget screen;
        screen.move(0, 0);
        FromTimeToTime display(&screen);
        display.move(c.display);
        QRect picker;
        QRect roller;
        whenPickerOpen([&](DateTimeWidget* open) {
            picker = QRect(open->pos(), open->size());
            QTest::mouseClick(open->toTimeField(), Qt::LeftButton);
            if (openTimeRoller) {
                roller = QRect(openTimeRoller->pos(), openTimeRoller->size());
                openTimeRoller->close();
            }
            open->rejectDialog();
        });
        QTest::mousePress(&display, Qt::LeftButton);
        EXPECT_EQ(picker.topLeft(), c.picker);
        EXPECT_EQ(picker.size(), QSize(860, 540));
        const QRect panel(0, 0, 1920, 1080);
        EXPECT_TRUE(panel.contains(picker));
        ASSERT_FALSE(roller.isNull());
        EXPECT_TRUE(panel.contains(roller)) << roller.x() << "," << roller.y() << " " << roller.width() << " x "
                                            << roller.height();
    }
    screenWidth = savedWidth;
}

TEST_F(Pickers, EmptyDisplayGivesTheLastDayAndCloseKeepsTheRange)
{
    FromTimeToTime display;
    whenPickerOpen([](DateTimeWidget* picker) {
        for (QLineEdit* field : {picker->fromDateField(), picker->fromTimeField(), picker->toDateField(),
                                 picker->toTimeField()})
            EXPECT_TRUE(field->text().isEmpty());
        QTest::mouseClick(buttonWithText(picker, QStringLiteral("确定")), Qt::LeftButton);
    });
    QTest::mousePress(&display, Qt::LeftButton);
    const QDateTime now = QDateTime::currentDateTime();
    EXPECT_LE(std::abs(display.endDateTime().secsTo(now)), 2);
    EXPECT_EQ(display.startDateTime().secsTo(display.endDateTime()), 24 * 3600);

    const QDateTime start = display.startDateTime();
    whenPickerOpen([](DateTimeWidget* picker) {
        QTest::mouseClick(picker->fromTimeField(), Qt::LeftButton);
        ASSERT_TRUE(openTimeRoller);
        QTest::mouseClick(picker->findChild<QPushButton*>(QStringLiteral("cancelbtn")), Qt::LeftButton);
        EXPECT_FALSE(openTimeRoller);  // closing the picker takes its roller along
    });
    QTest::mousePress(&display, Qt::LeftButton);
    EXPECT_EQ(display.startDateTime(), start);
    EXPECT_EQ(display.pressCount(), 2);
    EXPECT_FALSE(openRangePicker);
}

TEST_F(Pickers, RangeErrorAsksAgainOrFallsBackToTheLastDay)
{
    const QDateTime same(QDate(2024, 3, 1), QTime(8, 0, 0));
    const struct {
        const char* answer;
        bool accepted;
    } cases[] = {{"确定", false}, {"取消", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        DateTimeWidget picker;
        openRangePicker = &picker;
        picker.presetFrom(same);
        picker.presetTo(same);  // from equal to to counts as an error
        picker.show();
        QSignalSpy sent(&picker, &DateTimeWidget::sendDateTime);
        ModalAnswer::pressWhenShown(QString::fromUtf8(c.answer));
        QTest::mouseClick(buttonWithText(&picker, QStringLiteral("确定")), Qt::LeftButton);
        if (!c.accepted) {
            EXPECT_TRUE(picker.isVisible());
            EXPECT_EQ(sent.size(), 0);
            EXPECT_EQ(openRangePicker, &picker);
            continue;
        }
        ASSERT_EQ(sent.size(), 1);
        const dayTime range = sent.at(0).at(0).value<dayTime>();
        EXPECT_LE(std::abs(range.to.secsTo(QDateTime::currentDateTime())), 2);
        EXPECT_EQ(range.from.secsTo(range.to), 24 * 3600);
        EXPECT_EQ(picker.result(), QDialog::Accepted);
        EXPECT_FALSE(openRangePicker);
    }
}

TEST_F(Pickers, ClearingTheFieldsKeepsTheStoredRange)
{
    DateTimeWidget picker;
    picker.show();
    clickDay(picker.fromCalendar(), QDate(2024, 1, 10));
    clickDay(picker.toCalendar(), QDate(2024, 1, 12));
    // Turning the month moves the calendar's selection, not the picker's date.
    QTest::mouseClick(picker.fromCalendar()->nextMonthButton(), Qt::LeftButton);
    EXPECT_EQ(picker.fromCalendar()->selectedDate(), QDate(2024, 2, 10));
    EXPECT_EQ(picker.fromDateField()->text(), QStringLiteral("2024-01-10"));
    QTest::mouseClick(buttonWithText(&picker, QStringLiteral("清空")), Qt::LeftButton);
    EXPECT_TRUE(picker.fromDateField()->text().isEmpty());
    EXPECT_TRUE(picker.toDateField()->text().isEmpty());
    QSignalSpy sent(&picker, &DateTimeWidget::sendDateTime);
    QTest::mouseClick(buttonWithText(&picker, QStringLiteral("确定")), Qt::LeftButton);
    ASSERT_EQ(sent.size(), 1);
    const dayTime range = sent.at(0).at(0).value<dayTime>();
    EXPECT_EQ(range.from, QDateTime(QDate(2024, 1, 10), QTime(0, 0)));  // a start day without a time: midnight
    EXPECT_EQ(range.to, QDateTime(QDate(2024, 1, 12), QTime(23, 59, 59, 999)));  // an end day: taken whole
}

TEST_F(Pickers, OneDayIsARange)
{
    // Start and end on the same day, as an operator taps them: no time chosen on either side.
    DateTimeWidget picker;
    picker.show();
    clickDay(picker.fromCalendar(), QDate(2024, 1, 10));
    clickDay(picker.toCalendar(), QDate(2024, 1, 10));
    QSignalSpy sent(&picker, &DateTimeWidget::sendDateTime);
    QTest::mouseClick(buttonWithText(&picker, QStringLiteral("确定")), Qt::LeftButton);
    ASSERT_EQ(sent.size(), 1) << "no range error box";
    const dayTime range = sent.at(0).at(0).value<dayTime>();
    EXPECT_EQ(range.from, QDateTime(QDate(2024, 1, 10), QTime(0, 0)));
    EXPECT_EQ(range.to, QDateTime(QDate(2024, 1, 10), QTime(23, 59, 59, 999)));
    EXPECT_EQ(picker.result(), QDialog::Accepted);
}

TEST_F(Pickers, PressInThePickerClosesTheOpenRoller)
{
    DateTimeWidget picker;
    picker.show();
    QTest::mouseClick(picker.fromTimeField(), Qt::LeftButton);
    ASSERT_TRUE(openTimeRoller);
    QTest::mousePress(&picker, Qt::LeftButton, Qt::NoModifier, QPoint(400, 520));
    EXPECT_FALSE(openTimeRoller);
}

TEST_F(Pickers, ClockPickerReportsTheChosenDateAndTime)
{
    modifyTimeWidget picker;
    picker.show();
    EXPECT_EQ(picker.dateField()->text(), QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
    EXPECT_EQ(picker.timeField()->text().size(), 8);
    // The time is shown but not stored: its roller starts unchosen.
    EXPECT_FALSE(picker.timeField()->storedTime().isValid());
    QTest::mouseClick(picker.timeField(), Qt::LeftButton);
    ASSERT_TRUE(openTimeRoller);
    EXPECT_EQ(openTimeRoller->hourColumn()->readValue(), -1);
    closeOpenTimeRoller();

    clickDay(picker.calendar(), QDate(2025, 6, 15));
    EXPECT_EQ(picker.dateField()->text(), QStringLiteral("2025-06-15"));
    picker.timeField()->setText(QStringLiteral("07:08:09"));
    QSignalSpy sent(&picker, &modifyTimeWidget::sendModifyTime);
    QTest::mouseClick(buttonWithText(&picker, QStringLiteral("确定")), Qt::LeftButton);
    ASSERT_EQ(sent.size(), 1);
    EXPECT_EQ(sent.at(0).at(0).toDateTime(), QDateTime(QDate(2025, 6, 15), QTime(7, 8, 9)));
    EXPECT_EQ(picker.result(), QDialog::Accepted);
}

TEST_F(Pickers, ClockPickerWithAClearedTimeGivesMidnight)
{
    modifyTimeWidget picker;
    picker.show();
    clickDay(picker.calendar(), QDate(2025, 6, 15));
    QTest::mouseClick(buttonWithText(&picker, QStringLiteral("清空")), Qt::LeftButton);
    EXPECT_TRUE(picker.dateField()->text().isEmpty());
    EXPECT_TRUE(picker.timeField()->text().isEmpty());
    QSignalSpy sent(&picker, &modifyTimeWidget::sendModifyTime);
    QTest::mouseClick(buttonWithText(&picker, QStringLiteral("确定")), Qt::LeftButton);
    ASSERT_EQ(sent.size(), 1);
    EXPECT_EQ(sent.at(0).at(0).toDateTime(), QDateTime(QDate(2025, 6, 15), QTime(0, 0)));
}
