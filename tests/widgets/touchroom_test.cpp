// Room for the texts and the touch behaviour of Qt's own dialogs: captions that keep their
// button's size fit it, the range picker's error box opens over the picker, and the folder
// chooser chooses on the first tap even when the finger slides off while lifting.
#include "tests/support/modalanswer.h"
#include "widgets/datetimewidget.h"
#include "widgets/multiplebtngroup.h"
#include "widgets/textfit.h"
#include "widgets/tipbox.h"
#include "widgets/touchdialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFontMetrics>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTranslator>

#include <gtest/gtest.h>

#include <functional>

namespace {

const char* const kBuiltTranslation = MONITOR_BINARY_DIR "/Translator/tr_en.qm";

// The caption's width in the font the button shows it in.
int captionWidth(QPushButton* button)
{
    button->ensurePolished();
    return QFontMetrics(button->font()).horizontalAdvance(button->text());
}

// Runs `step` on the first visible modal dialog, polling until one shows.
void onModal(std::function<void(QWidget*)> step)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, step]() {
        if (QWidget* modal = QApplication::activeModalWidget(); modal && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            step(modal);
        }
    });
    timer->start();
}

}  // namespace

TEST(TextRoom, FittingSizesShrinkOnlyWhatDoesNotFit)
{
    QFont font(QStringLiteral("WenQuanYi Micro Hei"));
    const struct {
        const char* text;
        int width;
        bool shrinks;
    } cases[] = {
        {"所有相机", 80, false},
        {"All Camera", 60, true},
        {"Number of qualified", 100, true},
        {"Temp. chart\nCavity shot", 70, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const QString text = QString::fromUtf8(c.text);
        const int size = fittingPixelSize(font, text, c.width, 16, 8);
        EXPECT_EQ(size < 16, c.shrinks);
        font.setPixelSize(size);
        for (const QString& line : text.split(QLatin1Char('\n')))
            EXPECT_LE(QFontMetrics(font).horizontalAdvance(line), c.width);
    }
    // Wrapped into a box: both lines inside its height and width.
    const QRect box(0, 0, 100, 30);
    const QFont fitted = fittingFont(QFont(QStringLiteral("WenQuanYi Micro Hei"), 15), box,
                                     Qt::AlignCenter | Qt::TextWordWrap, QStringLiteral("Number of anomaly"), 8);
    const QRect used = QFontMetrics(fitted).boundingRect(box, Qt::AlignCenter | Qt::TextWordWrap,
                                                         QStringLiteral("Number of anomaly"));
    EXPECT_LE(used.width(), box.width());
    EXPECT_LE(used.height(), box.height());
}

TEST(TextRoom, CameraTabsKeepTheirSizeAndFitTheirCaptionsInEnglish)
{
    QTranslator english;
    ASSERT_TRUE(english.load(QString::fromUtf8(kBuiltTranslation)));
    QCoreApplication::installTranslator(&english);
    QWidget screen;
    screen.setStyleSheet(QStringLiteral("QPushButton{font-size:15px;padding-left:5px;}"));
    auto* group = new MultipleBtnGroup(2, &screen);
    for (QPushButton* tab : group->findChildren<QPushButton*>()) {
        SCOPED_TRACE(tab->text().toStdString());
        EXPECT_EQ(tab->size(), QSize(80, 40));
        EXPECT_LE(captionWidth(tab) + 5, tab->width()) << "cut";
    }
    QCoreApplication::removeTranslator(&english);
}

TEST(TextRoom, ARefitStartsFromTheStyleSheetsSize)
{
    QWidget screen;
    screen.setStyleSheet(QStringLiteral("QPushButton{font-size:22px;}"));
    auto* button = new QPushButton(QStringLiteral("A rather long caption"), &screen);
    button->setFixedSize(120, 40);
    fitButtonCaption(button, 110, 8);
    EXPECT_LE(captionWidth(button), 110);
    button->setText(QStringLiteral("Stop"));
    fitButtonCaption(button, 110, 8);
    EXPECT_EQ(QFontInfo(button->font()).pixelSize(), 22);
}

TEST(TouchDialogs, RangeErrorBoxOpensOverThePicker)
{
    const QDateTime same(QDate(2024, 3, 1), QTime(8, 0, 0));
    DateTimeWidget picker;
    picker.presetFrom(same);
    picker.presetTo(same);
    picker.show();
    QWidget* boxParent = nullptr;
    bool boxIsWindow = false;
    onModal([&](QWidget* box) {
        boxParent = box->parentWidget();
        boxIsWindow = box->isWindow();
        if (auto* question = qobject_cast<tipbox*>(box))
            question->reject();
    });
    QPushButton* confirm = nullptr;
    for (QPushButton* b : picker.findChildren<QPushButton*>())
        if (b->text() == QStringLiteral("确定"))
            confirm = b;
    ASSERT_NE(confirm, nullptr);
    QTest::mouseClick(confirm, Qt::LeftButton);
    // A window of its own whose parent is the picker: stacked above it by the window system.
    EXPECT_EQ(boxParent, &picker);
    EXPECT_TRUE(boxIsWindow);
}

TEST(TouchDialogs, FolderChooserChoosesOnTheFirstTapEvenWhenTheFingerSlidesOff)
{
    QTemporaryDir root;
    ASSERT_TRUE(QDir(root.path()).mkdir(QStringLiteral("export")));
    const QString folder = QDir(root.path()).filePath(QStringLiteral("export"));
    QString shownStyle;
    QSize chooseSize;
    onModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        shownStyle = dialog->styleSheet();
        dialog->setDirectory(folder);
        auto* box = dialog->findChild<QDialogButtonBox*>();
        ASSERT_NE(box, nullptr);
        QAbstractButton* choose = box->buttons().first();
        chooseSize = choose->size();
        // Pressed on the button, lifted below it: Qt's own button drops such a click.
        QTest::mousePress(choose, Qt::LeftButton, {}, choose->rect().center());
        QTest::mouseRelease(choose, Qt::LeftButton, {}, choose->rect().center() + QPoint(0, choose->height()));
        QTimer::singleShot(500, dialog, [dialog]() {
            if (dialog->isVisible())
                dialog->reject();  // the tap was lost
        });
    });
    const QString chosen = chooseTouchDirectory(nullptr, QStringLiteral("choose directory"));
    EXPECT_EQ(QDir(chosen).canonicalPath(), QDir(folder).canonicalPath());
    // Readable and sized for a finger: white text on dark, buttons at least 56 pixels high.
    EXPECT_TRUE(shownStyle.contains(QStringLiteral("color:white")));
    EXPECT_GE(chooseSize.height(), 56);
}
