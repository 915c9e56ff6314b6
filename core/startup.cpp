#include "core/startup.h"

#include "core/globals.h"

#include <QCoreApplication>
#include <QFile>
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
