// The gate that keeps a repeated message from flooding a log: first of a kind at once, repeats
// counted and summarised when the window ends, kinds independent of each other.
#include "core/repeatgate.h"
#include "tests/support/eventwait.h"

#include <QStringList>

#include <gtest/gtest.h>

TEST(RepeatGate, FirstOfAKindIsWrittenAndItsRepeatsAreSummarisedOnce)
{
    // The running program's minute: every post below falls into one window.
    RepeatGate gate;
    QStringList written;
    const auto write = [&](const QString& text) { written << text; };
    EXPECT_TRUE(gate.post(QStringLiteral("a"), QStringLiteral("group 7 missing"), write));
    EXPECT_TRUE(gate.post(QStringLiteral("b"), QStringLiteral("group 8 missing"), write));
    for (int i = 0; i < 500; ++i)
        EXPECT_FALSE(gate.post(QStringLiteral("a"), QStringLiteral("group 7 missing, again %1").arg(i), write));
    EXPECT_EQ(written, (QStringList{"group 7 missing", "group 8 missing"}));
    EXPECT_EQ(gate.pendingKinds(), 2);

    // Ending the windows writes the repeats once, with the last text; a kind without repeats
    // writes nothing more.
    gate.flush();
    EXPECT_EQ(written, (QStringList{"group 7 missing", "group 8 missing", "group 7 missing, again 499 ×500"}));
    EXPECT_EQ(gate.pendingKinds(), 0);

    // A new window starts with the next message of the kind.
    EXPECT_TRUE(gate.post(QStringLiteral("a"), QStringLiteral("group 7 missing"), write));
    EXPECT_FALSE(gate.post(QStringLiteral("a"), QStringLiteral("group 7 missing"), write));
    gate.flush();
    EXPECT_EQ(written.mid(3), (QStringList{"group 7 missing", "group 7 missing ×1"}));
}

TEST(RepeatGate, WindowEndsOnItsOwnAndWritesItsRepeats)
{
    RepeatGate gate(500);
    QStringList written;
    const auto write = [&](const QString& text) { written << text; };
    // A repeat the gate counted, as it answers: a machine that stalls between the two posts for
    // longer than the window gets a fresh pair.
    bool counted = false;
    for (int attempt = 0; attempt < 20 && !counted; ++attempt) {
        gate.flush();
        written.clear();
        EXPECT_TRUE(gate.post(QStringLiteral("a"), QStringLiteral("first"), write));
        counted = !gate.post(QStringLiteral("a"), QStringLiteral("repeat"), write);
    }
    ASSERT_TRUE(counted);
    EXPECT_EQ(written, (QStringList{"first"}));
    // The window's timer ends it from the event loop.
    ASSERT_TRUE(waitUntil([&] { return gate.pendingKinds() == 0; }, kPatientWaitMs));
    EXPECT_EQ(written, (QStringList{"first", "repeat ×1"}));
}
