// The order stored files are pruned and replaced in: the program's own order of writing over the
// files' dates, and the dates, read around a set-back of the clock, for files it carries no order of.
#include "core/writtenorder.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

const QDateTime kNow(QDate(2026, 12, 11), QTime(12, 0));

// Makes the files in `folder`, each dated its seconds from kNow.
QFileInfoList datedFiles(const QString& folder, const std::vector<std::pair<const char*, qint64>>& files)
{
    QDir().mkpath(folder);
    QFileInfoList infos;
    for (const auto& [name, secondsFromNow] : files) {
        QFile file(folder + QLatin1Char('/') + QLatin1String(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        EXPECT_TRUE(file.setFileTime(kNow.addSecs(secondsFromNow), QFileDevice::FileModificationTime));
        infos << QFileInfo(file.fileName());
    }
    return infos;
}

QStringList namesOf(const QFileInfoList& files)
{
    QStringList names;
    for (const QFileInfo& file : files)
        names << file.fileName();
    return names;
}

}  // namespace

TEST(WrittenOrder, WrittenFilesComeLastInTheirOrderAndTheRestByDate)
{
    struct Case {
        const char* name;
        std::vector<std::pair<const char*, qint64>> files;  // name, modification time from kNow
        QStringList written;
        QStringList expected;  // oldest written first
    };
    const Case cases[] = {
        {"no order: by date", {{"b", -10}, {"a", -30}, {"c", -20}}, {}, {"a", "c", "b"}},
        {"no order: files dated ahead were written before a set-back and go first",
         {{"new", -60}, {"ahead2", 7200}, {"ahead1", 3600}, {"old", -3600}}, {}, {"ahead1", "ahead2", "old", "new"}},
        {"written after a set-back, then the clock passed the earlier files' dates again",
         {{"before1", -300}, {"before2", -200}, {"after1", -400}, {"after2", -350}}, {"after1", "after2"},
         {"before1", "before2", "after1", "after2"}},
        {"written on a trip ahead and back: the order, not the dates",
         {{"trip", 40 * 86400}, {"home", -10}}, {"trip", "home"}, {"trip", "home"}},
        {"earlier files dated ahead still go before the written ones",
         {{"mine", -10}, {"ahead", 86400}, {"old", -86400}}, {"mine"}, {"ahead", "old", "mine"}},
        {"a name written twice counts where it was written last, a name without a file is passed over",
         {{"x", -30}, {"y", -20}, {"z", -10}}, {"x", "gone", "y", "z", "x"}, {"y", "z", "x"}},
    };
    int folder = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QFileInfoList files = datedFiles(QStringLiteral("case%1").arg(++folder), c.files);
        EXPECT_EQ(namesOf(oldestWrittenFirst(files, kNow, c.written)), c.expected);
    }
}

TEST(WrittenOrder, NoteWrittenMovesTheNameToTheEndAndForgetsFilesThatAreGone)
{
    for (const char* name : {"a", "b", "c"}) {
        QFile file(QString::fromLatin1(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const QDir here(QStringLiteral("."));
    EXPECT_EQ(noteWritten({"a", "gone", "b"}, QStringLiteral("a"), here), (QStringList{"b", "a"}));
    EXPECT_EQ(noteWritten({"a", "b"}, QStringLiteral("c"), here), (QStringList{"a", "b", "c"}));
    // A name whose write did not leave a file is not kept either.
    EXPECT_EQ(noteWritten({"a"}, QStringLiteral("missing"), here), QStringList{"a"});
}
