// The settings dialog as a person sees it, in Chinese and in English: every caption fits its
// widget, and under English no page shows a Chinese text. With MONITOR_SHOT_DIR set, each page
// is also written there as a picture.
#include "settings/systemparamdialog.h"
#include "tests/settings/settingsfixture.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QTabWidget>
#include <QTranslator>

namespace {

class ScreensTest : public SettingsFixture {
protected:
    void TearDown() override
    {
        QCoreApplication::removeTranslator(&translator);
        SettingsFixture::TearDown();
    }
    QTranslator translator;
};

bool hasChinese(const QString& text)
{
    for (const QChar ch : text)
        if (ch.unicode() >= 0x3000 && ch.unicode() <= 0x9FFF)
            return true;
    return false;
}

// The visible texts of `page` whose widget is narrower than the text needs.
QStringList cutTexts(QWidget* page, QStringList* shown)
{
    QStringList cut;
    for (QWidget* w : page->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(page))
            continue;
        QString text;
        if (auto label = qobject_cast<QLabel*>(w))
            text = label->text();
        else if (auto button = qobject_cast<QAbstractButton*>(w))
            text = button->text();
        else if (auto combo = qobject_cast<QComboBox*>(w))
            text = combo->currentText();
        if (text.trimmed().isEmpty())
            continue;
        shown->append(text);
        if (!qobject_cast<QComboBox*>(w) && w->sizeHint().width() > w->width())
            cut << QStringLiteral("%1 (%2 < %3)").arg(text).arg(w->width()).arg(w->sizeHint().width());
    }
    return cut;
}

TEST_F(ScreensTest, EveryPageFitsItsTextsInBothLanguages)
{
    const QString shotDir = QString::fromLocal8Bit(qgetenv("MONITOR_SHOT_DIR"));
    for (int language : {0, 1}) {
        SCOPED_TRACE(language);
        currentLanguage = language;
        if (language == 1) {
            ASSERT_TRUE(translator.load(QStringLiteral(MONITOR_BINARY_DIR "/Translator/tr_en.qm")));
            QCoreApplication::installTranslator(&translator);
        }
        *editParams = *activeParams;
        SystemParamDialog dialog;
        dialog.show();
        for (int tab = 0; tab < dialog.tabWidget()->count(); ++tab) {
            SCOPED_TRACE(tab);
            dialog.tabWidget()->setCurrentIndex(tab);
            QWidget* page = dialog.tabWidget()->widget(tab);
            const QImage picture = dialog.grab().toImage();
            if (!shotDir.isEmpty())
                picture.save(QDir(shotDir).filePath(QStringLiteral("settings-tab%1-%2.png").arg(tab).arg(language)));
            QStringList shown;
            EXPECT_EQ(cutTexts(page, &shown).join(QLatin1Char('\n')).toStdString(), "");
            if (language == 1) {
                shown << dialog.tabWidget()->tabText(tab) << dialog.titleLabel()->text();
                for (const QString& text : shown)
                    EXPECT_FALSE(hasChinese(text)) << qPrintable(text);
            }
        }
    }
}

}  // namespace
