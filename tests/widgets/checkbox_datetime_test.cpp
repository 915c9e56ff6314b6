#include "core/shellrunner.h"
#include "tests/support/dryrunlog.h"
#include "widgets/checkbox.h"
#include "widgets/editdatetime.h"

#include <QDateEdit>
#include <QFile>
#include <QTimeEdit>

#include <gtest/gtest.h>

namespace {

TEST(CheckBox, CheckedStateAndLook)
{
    CheckBox box(nullptr, QStringLiteral("启用"));
    EXPECT_EQ(box.text(), QStringLiteral("启用"));
    EXPECT_EQ(box.font().pointSize(), 28);
    EXPECT_EQ(box.palette().color(QPalette::Disabled, QPalette::WindowText), QColor(Qt::yellow));
    EXPECT_FALSE(box.isCheckedState());
    box.setCheckedState(true);
    EXPECT_EQ(box.checkState(), Qt::Checked);
    EXPECT_TRUE(box.isCheckedState());
    box.setCheckState(Qt::PartiallyChecked);
    EXPECT_FALSE(box.isCheckedState());
    box.setCheckedState(false);
    EXPECT_EQ(box.checkState(), Qt::Unchecked);
}

TEST(EditDateTime, FieldsAndNow)
{
    EditDateTime entry(QStringLiteral("日期"));
    EXPECT_EQ(entry.height(), 80);
    EXPECT_EQ(entry.dateField()->displayFormat(), QStringLiteral("yyyy-MM-dd"));
    EXPECT_EQ(entry.timeField()->displayFormat(), QStringLiteral("HH:mm:ss"));
    EXPECT_EQ(entry.dateField()->size(), QSize(330, 60));
    EXPECT_TRUE(entry.timeField()->styleSheet().startsWith(QLatin1String(
        "QTimeEdit::up-button{subcontrol-origin:border;subcontrol-position:right;image: url(./images/right.png);width: 60px;")));
    entry.setNow();
    EXPECT_EQ(entry.dateField()->date(), QDate::currentDate());
    EXPECT_LE(qAbs(entry.timeField()->time().secsTo(QTime::currentTime())), 2);
}

TEST(EditDateTime, ApplyingSetsTheSystemThenTheHardwareClock)
{
    EditDateTime entry(QStringLiteral("日期"));
    entry.dateField()->setDate(QDate(2024, 2, 29));
    entry.timeField()->setTime(QTime(23, 59, 58));
    QStringList seen;
    ShellRunner::setDryRunResponder([&seen](const QString& line) {
        seen << line;
        ShellResult r;
        r.started = r.finished = true;
        r.exitCode = 0;
        return r;
    });
    EXPECT_TRUE(entry.applyToSystem());
    ShellRunner::setDryRunResponder(nullptr);
    const QStringList expected{QStringLiteral("date -s 2024-02-29 23:59:58"), QStringLiteral("hwclock --systohc")};
    EXPECT_EQ(DryRunLog::recordedCommands(), expected);
    EXPECT_EQ(seen, expected);
}

TEST(EditDateTime, FailedClockCommandIsReported)
{
    const struct {
        const char* failing;
        int exitCode;
        bool started;
        QStringList recorded;
    } cases[] = {
        {"date", 1, true, {QStringLiteral("date -s 2025-01-02 03:04:05")}},
        {"date", 0, false, {QStringLiteral("date -s 2025-01-02 03:04:05")}},
        {"hwclock", 1, true, {QStringLiteral("date -s 2025-01-02 03:04:05"), QStringLiteral("hwclock --systohc")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failing);
        QFile::remove(QString::fromLatin1(ShellRunner::kDryRunLog));
        EditDateTime entry(QStringLiteral("日期"));
        entry.dateField()->setDate(QDate(2025, 1, 2));
        entry.timeField()->setTime(QTime(3, 4, 5));
        const QString failing = QLatin1String(c.failing);
        const int exitCode = c.exitCode;
        const bool started = c.started;
        ShellRunner::setDryRunResponder([failing, exitCode, started](const QString& line) {
            ShellResult r;
            r.started = r.finished = true;
            r.exitCode = 0;
            if (line.startsWith(failing)) {
                r.exitCode = exitCode;
                r.started = started;
                r.output = "permission denied";
            }
            return r;
        });
        EXPECT_FALSE(entry.applyToSystem());
        ShellRunner::setDryRunResponder(nullptr);
        EXPECT_EQ(DryRunLog::recordedCommands(), c.recorded);
    }
}

}  // namespace
