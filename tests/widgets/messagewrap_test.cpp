// Message lines of the text boxes: broken between words and between Chinese phrases, never
// inside a word, and as full as the room allows.
#include "tests/support/inklines.h"
#include "widgets/kitfont.h"
#include "widgets/textfit.h"
#include "widgets/tipbox.h"
#include "widgets/warnbox.h"

#include <QCoreApplication>
#include <QFont>
#include <QFontMetrics>
#include <QStringList>
#include <QTranslator>

#include <gtest/gtest.h>

namespace {

// Words of the messages below that a line must not split.
const char* const kWords[] = {"参数组", "改变", "删除", "恢复", "完成", "操作", "没有", "当前", "复制", "失败", "磁盘"};

// The line ends inside one of kWords: line ends with its first part and next starts with the rest.
bool splitsAWord(const QString& line, const QString& next)
{
    for (const char* w : kWords) {
        const QString word = QString::fromUtf8(w);
        for (int k = 1; k < word.size(); ++k)
            if (line.endsWith(word.left(k)) && next.startsWith(word.mid(k)))
                return true;
    }
    return false;
}

}  // namespace

TEST(MessageWrap, LinesBreakBetweenWordsAndPhrasesAsFullAsTheyFit)
{
    const QFont font(QLatin1String(kKitFontFamily), 15);
    const QFontMetrics metrics(font);
    const struct {
        const char* text;
        int width;
        QStringList lines;  // empty: any lines that keep the rules
    } cases[] = {
        // Qt's own wrapping breaks this one between 改 and 变 at any width from 330 to 380.
        {"参数组“g2”无法删除，参数组没有改变！", 560, {"参数组“g2”无法删除，参数组没有改变！"}},
        {"参数组“g2”无法删除，参数组没有改变！", 340, {"参数组“g2”无法删除，", "参数组没有改变！"}},
        {"上一次参数组操作未能完成恢复，参数组“g2”没有删除！", 400, {"上一次参数组操作未能完成恢复，", "参数组“g2”没有删除！"}},
        {"参数组“g2”复制失败（磁盘空间不足？），当前参数组没有改变！", 560,
         {"参数组“g2”复制失败（磁盘空间不足？），", "当前参数组没有改变！"}},
        // Phrases already apart: the text's own line break stays, each paragraph wraps alone.
        {"数据导出失败\n无法写入所选文件夹", 560, {"数据导出失败", "无法写入所选文件夹"}},
        // A phrase longer than the room breaks between characters, but never before a 、or ！.
        {"测试测试测试测试测试、测试测试！", 130, {}},
        {"Parameter group \"g2\" cannot be deleted; the parameter groups have not changed!", 300, {}},
        {"", 300, {""}},
    };
    for (const auto& c : cases) {
        const QString text = QString::fromUtf8(c.text);
        SCOPED_TRACE(QStringLiteral("%1 in %2 px").arg(text).arg(c.width).toStdString());
        const QStringList lines = wrappedAtPhrases(font, text, c.width).split(QLatin1Char('\n'));
        if (!c.lines.isEmpty()) {
            EXPECT_EQ(lines, c.lines);
        }
        for (int i = 0; i < lines.size(); ++i) {
            const QString& line = lines.at(i);
            EXPECT_LE(metrics.horizontalAdvance(line), c.width) << line.toStdString();
            EXPECT_EQ(line, line.trimmed());
            if (!line.isEmpty()) {
                EXPECT_FALSE(QStringLiteral("、，。！？；：）”").contains(line.at(0))) << line.toStdString();
            }
            if (i + 1 < lines.size()) {
                EXPECT_FALSE(splitsAWord(line, lines.at(i + 1))) << line.toStdString();
            }
        }
        // Nothing lost or reordered: only breaks take the place of spaces.
        QString joined = lines.join(QString());
        QString original = text;
        original.remove(QLatin1Char('\n'));
        EXPECT_EQ(joined.remove(QLatin1Char(' ')), original.remove(QLatin1Char(' ')));
    }
    // English words stay whole, each line as full as the next word allows.
    const QStringList english = wrappedAtPhrases(
        font, QStringLiteral("Parameter group \"g2\" cannot be deleted; the parameter groups have not changed!"), 300)
                                    .split(QLatin1Char('\n'));
    for (int i = 0; i + 1 < english.size(); ++i) {
        const QString longer = english.at(i) + QLatin1Char(' ') + english.at(i + 1).section(QLatin1Char(' '), 0, 0);
        EXPECT_GT(metrics.horizontalAdvance(longer), 300) << english.at(i).toStdString();
    }
}

namespace {

void shoot(const QImage& picture, const QString& name)
{
    const QByteArray dir = qgetenv("MONITOR_SHOTS");
    if (!dir.isEmpty())
        picture.save(QString::fromUtf8(dir) + QLatin1Char('/') + name + QStringLiteral(".png"));
}

}  // namespace

TEST(MessageWrap, BoxesWriteTheirMessageAcrossTheirWidthBetweenWords)
{
    // The group messages as the boxes showed them, cut inside 改变 and 参数组 at 360 px.
    QTranslator english;
    ASSERT_TRUE(english.load(QStringLiteral(MONITOR_BINARY_DIR "/Translator/tr_en.qm")));
    const QFont font(QLatin1String(kKitFontFamily), 15);
    const QFontMetrics metrics(font);
    const struct {
        const char* shot;
        const char* source;  // the text in the "ParaGroups" context, %1 the group
        bool english;
        bool tip;  // a tipbox with its OK button, else a Warnbox
        QStringList lines;
    } cases[] = {
        {"warnbox_delete_refused_zh", "参数组“%1”无法删除，参数组没有改变！", false, false,
         {"参数组“g2”无法删除，参数组没有改变！"}},
        {"warnbox_recovery_failed_zh", "上一次参数组操作未能完成恢复，参数组“%1”没有删除！", false, false,
         {"上一次参数组操作未能完成恢复，参数组“g2”没有删除！"}},
        {"warnbox_copy_failed_zh", "参数组“%1”复制失败（磁盘空间不足？），当前参数组没有改变！", false, false,
         {"参数组“g2”复制失败（磁盘空间不足？），", "当前参数组没有改变！"}},
        {"tipbox_copy_failed_zh", "参数组“%1”复制失败（磁盘空间不足？），当前参数组没有改变！", false, true,
         {"参数组“g2”复制失败（磁盘空间不足？），", "当前参数组没有改变！"}},
        {"warnbox_delete_refused_en", "参数组“%1”无法删除，参数组没有改变！", true, false,
         {"Parameter group \"g2\" could not be deleted; the groups are", "unchanged!"}},
        {"warnbox_recovery_failed_en", "上一次参数组操作未能完成恢复，参数组“%1”没有删除！", true, false,
         {"The last parameter group operation could not be", "recovered; group \"g2\" was not deleted!"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shot);
        if (c.english)
            QCoreApplication::installTranslator(&english);
        const QString text = QCoreApplication::translate("ParaGroups", c.source).arg(QStringLiteral("g2"));
        QCoreApplication::removeTranslator(&english);
        QImage picture;
        QRect message;
        if (c.tip) {
            tipbox box(1, nullptr, 600, 420);
            box.setText(text);
            picture = box.grab().toImage();
            // Above the OK button.
            message = QRect(0, 61, 600, 330 - 61);
        } else {
            Warnbox box;
            box.setText(text);
            picture = box.grab().toImage();
            // Below the warning icon.
            message = QRect(0, 198, 600, 340 - 198);
        }
        shoot(picture, QString::fromLatin1(c.shot));
        const QList<InkLine> lines = inkLines(picture, message);
        ASSERT_EQ(lines.size(), c.lines.size());
        for (int i = 0; i < lines.size(); ++i) {
            SCOPED_TRACE(c.lines.at(i).toStdString());
            // The line as the case has it, whole and centred.
            const InkLine expected = centredInk(font, c.lines.at(i), 600);
            EXPECT_NEAR(lines.at(i).left, expected.left, 2);
            EXPECT_NEAR(lines.at(i).right, expected.right, 2);
        }
    }
}
