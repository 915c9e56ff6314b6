// The settings wizard as a person sees it on the panel's 1920 x 1080 screen, in Chinese and in
// English: every page drawn, its texts fitting their widgets, no Chinese text left under English.
// The pictures go to MONITOR_SHOT_DIR when it is set.
#include "tests/settings/wizardfixture.h"

#include <QAbstractButton>
#include <QLabel>
#include <QTranslator>

namespace {

bool hasChinese(const QString& text)
{
    for (const QChar ch : text)
        if (ch.unicode() >= 0x3000 && ch.unicode() <= 0x9FFF)
            return true;
    return false;
}

// Texts of the visible buttons and check boxes of `wizard` whose widget is narrower than the text.
QStringList cutTexts(QWidget* wizard, QStringList* shown)
{
    QStringList cut;
    for (QAbstractButton* button : wizard->findChildren<QAbstractButton*>()) {
        if (!button->isVisibleTo(wizard) || button->text().trimmed().isEmpty())
            continue;
        shown->append(button->text());
        if (button->sizeHint().width() > button->width())
            cut << QStringLiteral("%1 (%2 < %3)").arg(button->text()).arg(button->width()).arg(button->sizeHint().width());
    }
    for (QLabel* label : wizard->findChildren<QLabel*>()) {
        if (!label->isVisibleTo(wizard) || label->text().trimmed().isEmpty())
            continue;
        shown->append(label->text());
        const bool cutOff = label->wordWrap() ? label->heightForWidth(label->width()) > label->height()
                                              : label->sizeHint().width() > label->width();
        if (cutOff)
            cut << QStringLiteral("%1 (%2 < %3)").arg(label->text()).arg(label->width()).arg(label->sizeHint().width());
    }
    return cut;
}

class WizardScreens : public WizardFixture {
protected:
    void TearDown() override
    {
        QCoreApplication::removeTranslator(&translator);
        screenWidth = savedWidth;
        screenHeight = savedHeight;
        WizardFixture::TearDown();
    }
    QTranslator translator;
    int savedWidth = screenWidth;
    int savedHeight = screenHeight;
};

TEST_F(WizardScreens, EveryPageFitsItsTextsInBothLanguages)
{
    loadPictures();
    const QString shotDir = QString::fromLocal8Bit(qgetenv("MONITOR_SHOT_DIR"));
    screenWidth = 1920;
    screenHeight = 1080;
    activeParams->showFactoryParams = 1;
    activeParams->machineTypeEdited = 1;
    for (int language : {0, 1}) {
        SCOPED_TRACE(language);
        currentLanguage = language;
        if (language == 1) {
            ASSERT_TRUE(translator.load(QStringLiteral(MONITOR_BINARY_DIR "/Translator/tr_en.qm")));
            QCoreApplication::installTranslator(&translator);
        }
        // Texts are taken when the wizard is built, as at start-up.
        window->setFixedSize(screenWidth, screenHeight);
        WizardParaWidget wizardOnPanel(window);
        EXPECT_EQ(wizardOnPanel.geometry(), QRect(60, 65, 1800, 950));
        *editParams = *activeParams;
        wizardOnPanel.show();
        for (int page : {0, 1, 3, 4}) {
            SCOPED_TRACE(page);
            wizard = &wizardOnPanel;
            goToPage(page);
            const QImage picture = wizardOnPanel.grab().toImage();
            if (!shotDir.isEmpty())
                picture.save(QDir(shotDir).filePath(QStringLiteral("wizard-page%1-%2.png").arg(page).arg(language)));
            QStringList shown;
            EXPECT_EQ(cutTexts(&wizardOnPanel, &shown).join(QLatin1Char('\n')).toStdString(), "");
            if (language == 1) {
                for (const QString& text : shown)
                    EXPECT_FALSE(hasChinese(text)) << qPrintable(text);
            }
        }
        wizard = window->wizardWidget;
    }
}

}  // namespace
