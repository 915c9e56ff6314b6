#include "widgets/touchdialogs.h"

#include "core/globals.h"
#include "widgets/combobox.h"
#include "widgets/kitcolours.h"
#include "widgets/kitfont.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

namespace {

// Height of a row of the lists and of the buttons: a fingertip is about 10 mm, 50 to 60 pixels
// on the monitor's panels.
constexpr int kRowHeight = 56;
constexpr int kButtonHeight = 64;
constexpr int kButtonWidth = 180;
constexpr int kToolIconSize = 36;

const char* const kTouchRules[] = {
    // Dark like the kit's boxes, white text everywhere; the dialog's own rules win over those it
    // inherits from the screen that opened it.
    "QDialog{background-color:#262E34;}",
    "QWidget{color:white;background-color:#262E34;border:none;font-size:%5px;}",
    "QLabel{color:white;background-color:transparent;}",
    // The lists of folders and files, the side bar and the list of the places.
    "QAbstractItemView{color:white;background-color:#353D45;alternate-background-color:#3E474F;"
    "selection-background-color:%1;selection-color:white;border:1px solid #707070;}",
    "QAbstractItemView::item{min-height:%2px;padding-left:6px;padding-right:6px;}",
    "QAbstractItemView::item:selected{background-color:%1;color:white;}",
    "QHeaderView::section{color:white;background-color:#4F5963;min-height:%2px;padding-left:8px;"
    "border:none;border-right:1px solid #707070;}",
    // Name field and the folder and filter combo boxes: black on white while editing.
    "QLineEdit{color:black;background-color:white;min-height:%2px;padding:0px 8px;border:1px solid #959595;}",
    "QComboBox{color:white;background-color:#4F5963;min-height:%2px;padding-left:8px;border:1px solid #707070;}",
    "QComboBox QAbstractItemView{color:white;background-color:#353D45;}",
    "QComboBox::drop-down{width:%2px;border:none;}",
    // Buttons of the kit: blue with white text, amber while pressed, grey when not available.
    "QPushButton{color:white;background-color:%1;min-width:%3px;min-height:%4px;padding:0px 16px;"
    "border:none;border-radius:4px;}",
    "QPushButton:pressed{color:%1;background-color:#FFC107;}",
    "QPushButton:disabled{color:#A0A0A0;background-color:#4F5963;}",
    // The dialog's navigation buttons keep their dark pictures readable on a light face.
    "QToolButton{background-color:#D0D0D0;min-width:%2px;min-height:%2px;border:none;border-radius:4px;}",
    "QToolButton:pressed{background-color:#FFC107;}",
    "QToolButton:disabled{background-color:#707070;}",
    // Scroll bars as wide as a fingertip.
    "QScrollBar:vertical{width:40px;background-color:#353D45;}",
    "QScrollBar:horizontal{height:40px;background-color:#353D45;}",
    "QScrollBar::handle{background-color:#B7B7B7;border-radius:6px;min-height:60px;min-width:60px;}",
    "QScrollBar::add-line,QScrollBar::sub-line{width:0px;height:0px;}",
    "QScrollBar::add-page,QScrollBar::sub-page{background:none;}",
};

}  // namespace

QString touchDialogStyleSheet(int pixelSize)
{
    QString sheet;
    for (const char* rule : kTouchRules)
        sheet += QLatin1String(rule);
    return sheet.arg(QLatin1String(kKitBlue))
        .arg(kRowHeight)
        .arg(kButtonWidth)
        .arg(kButtonHeight)
        .arg(pixelSize);
}

void applyTouchFileDialog(QFileDialog* dialog, int pixelSize)
{
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setViewMode(QFileDialog::List);
    QFont font(QString::fromLatin1(kKitFontFamily));
    font.setPixelSize(pixelSize);
    dialog->setFont(font);
    dialog->setStyleSheet(touchDialogStyleSheet(pixelSize));
    for (QToolButton* button : dialog->findChildren<QToolButton*>())
        button->setIconSize(QSize(kToolIconSize, kToolIconSize));
    for (QComboBox* box : dialog->findChildren<QComboBox*>())
        setListRowHeight(box, kRowHeight);
    for (QAbstractItemView* view : dialog->findChildren<QAbstractItemView*>()) {
        view->setIconSize(QSize(kRowHeight - 16, kRowHeight - 16));
        // One tap picks a row; scrolling follows the finger by pixels, not by rows.
        view->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
        view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    }
    // "Choose", "Open" and "Cancel" act on the press, like the kit's confirm buttons: a finger
    // that slides off the button while lifting (Qt then drops the click) still chooses, so the
    // first tap is never lost. The button is let up before the release arrives, which then
    // clicks nothing a second time.
    if (auto* box = dialog->findChild<QDialogButtonBox*>()) {
        for (QAbstractButton* button : box->buttons()) {
            const QDialogButtonBox::ButtonRole role = box->buttonRole(button);
            if (role != QDialogButtonBox::AcceptRole && role != QDialogButtonBox::RejectRole)
                continue;
            QObject::connect(button, &QAbstractButton::pressed, dialog, [dialog, button, role]() {
                button->setDown(false);
                // Through QDialog, whose accept is public; the file dialog's own checks the choice.
                QDialog* asDialog = dialog;
                if (role == QDialogButtonBox::AcceptRole)
                    asDialog->accept();
                else
                    asDialog->reject();
            });
        }
    }
    // The captions beside the fields keep the room their text takes in the dialog's font: Qt sizes
    // their column for a smaller text, and the Chinese "文件名称(&N)：" would touch its field. Once
    // the dialog runs, when its captions are final.
    QTimer::singleShot(0, dialog, [dialog]() {
        for (QLabel* label : dialog->findChildren<QLabel*>()) {
            QString caption = label->text();
            caption.remove(QLatin1Char('&'));
            if (!caption.isEmpty())
                label->setMinimumWidth(QFontMetrics(label->font()).horizontalAdvance(caption) + 8);
        }
    });
    // Nearly the whole screen, as recorded at start-up like every box of the kit.
    dialog->setGeometry(QRect(0, 0, screenWidth, screenHeight).adjusted(25, 50, -25, -50));
}

QString chooseTouchDirectory(QWidget* parent, const QString& title)
{
    QFileDialog dialog(parent, title);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setOption(QFileDialog::DontResolveSymlinks);
    applyTouchFileDialog(&dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}
