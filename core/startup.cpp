#include "core/startup.h"

#include "core/globals.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QPixmap>
#include <QTranslator>

namespace {

struct SharedPicture {
    const char* path;
    QPixmap** pixmap;
};

const SharedPicture kSharedPictures[] = {
    {"./images/background.png", &backgroundPixmap},
    {"./images/title.png", &titlePixmap},
    {"./images/line.png", &linePixmap},
    {"./images/edit.png", &editPixmap},
    {":/sliderd.png", &sliderTrackPixmap},
    {":/slideru.png", &sliderFillPixmap},
    {":/slidert.png", &sliderHandlePixmap},
    {"./images/Origin.png", &originPixmap},
    {"./images/MoveUp.png", &moveUpPixmap},
    {"./images/MoveDown.png", &moveDownPixmap},
    {"./images/MoveLeft.png", &moveLeftPixmap},
    {"./images/MoveRight.png", &moveRightPixmap},
    {"./images/EnlargeScale.png", &enlargeScalePixmap},
    {"./images/ReductionScale.png", &reductionScalePixmap},
};

const char* const kEnglishTranslation = "./Translator/tr_en.qm";
constexpr int kEnglish = 1;

// Qt's name of each language of the program, in the program's order.
const char* const kQtLanguageNames[] = {"zh_CN", "en_US", "zh_TW", "ja_JP"};
// Qt's translation files of each language, tried in turn: the catalogue of all Qt modules, then
// that of qtbase alone. English needs none.
const char* const kQtCatalogues[][2] = {{"qt_zh_CN", "qtbase_zh_CN"}, {nullptr, nullptr}, {"qt_zh_TW", "qtbase_zh_TW"},
                                        {"qt_ja", "qtbase_ja"}};

}  // namespace

void loadSharedPixmaps()
{
    for (const SharedPicture& picture : kSharedPictures) {
        delete *picture.pixmap;
        *picture.pixmap = new QPixmap(QString::fromLatin1(picture.path));
    }
}

QTranslator* installTranslator(QCoreApplication* app)
{
    const QString file = QString::fromLatin1(kEnglishTranslation);
    if (currentLanguage != kEnglish || !QFile::exists(file))
        return nullptr;
    auto* translator = new QTranslator(app);
    translator->load(file);
    app->installTranslator(translator);
    return translator;
}

QTranslator* installQtTranslator(QCoreApplication* app)
{
    constexpr int languages = int(sizeof(kQtLanguageNames) / sizeof(kQtLanguageNames[0]));
    if (currentLanguage < 0 || currentLanguage >= languages)
        return nullptr;
    QLocale::setDefault(QLocale(QString::fromLatin1(kQtLanguageNames[currentLanguage])));
    const QString folder = QLibraryInfo::location(QLibraryInfo::TranslationsPath);
    for (const char* catalogue : kQtCatalogues[currentLanguage]) {
        if (!catalogue)
            continue;
        auto* translator = new QTranslator(app);
        if (translator->load(QString::fromLatin1(catalogue), folder)) {
            app->installTranslator(translator);
            return translator;
        }
        delete translator;
    }
    return nullptr;
}
