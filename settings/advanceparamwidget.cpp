#include "settings/advanceparamwidget.h"

#include "core/globals.h"
#include "core/parametermanager.h"
#include "core/platformutils.h"
#include "core/runaside.h"
#include "core/shellrunner.h"
#include "core/systemparam.h"
#include "mainwindow/mojuwizard.h"
#include "settings/paragroups.h"
#include "settings/paramfield.h"
#include "settings/pendingpackage.h"
#include "settings/settingsstyle.h"
#include "settings/systemparamdialog.h"
#include "settings/versiondownloaddialog.h"
#include "settings/vselectbox.h"
#include "widgets/checkbox.h"
#include "widgets/colorbutton.h"
#include "widgets/combobox.h"
#include "widgets/dialogstyle.h"
#include "widgets/edit.h"
#include "widgets/editbox.h"
#include "widgets/kitfont.h"
#include "widgets/textfit.h"
#include "widgets/modifytimewidget.h"
#include "widgets/numcharinput.h"
#include "widgets/tipbox.h"
#include "widgets/touchdialogs.h"
#include "widgets/warnbox.h"

#include <QDateTime>
#include <QFileDialog>
#include <QFontInfo>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHash>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QVBoxLayout>

#include <atomic>

namespace {

// A value box: caption text id, range, whether 0 also passes (meaning "never"), unit, field.
struct ValueBoxRow {
    int caption;
    int minimum;
    int maximum;
    bool zeroAllowed;
    bool seconds;
    int field;
};
const ValueBoxRow kValueBoxRows[AdvanceParamWidget::kValueBoxes] = {
    {213, 1, 8000, false, false, PARAM_FIELD(maxOffset)},
    {188, 0, 4, false, false, PARAM_FIELD(differenceMultiple)},
    {181, 1, 20, false, false, PARAM_FIELD(minSpot)},
    {403, 0, 180, false, false, PARAM_FIELD(rotationCorrection)},
    {243, 30, 9999, true, true, PARAM_FIELD(screenOffSeconds)},
    {189, 0, 1000, false, true, PARAM_FIELD(autoLogoutSeconds)},
    {185, 1, 100, false, false, PARAM_FIELD(maxTemplates)},
    {186, 0, 500, false, false, PARAM_FIELD(ngImagesKept)},
    {187, 0, 500, false, false, PARAM_FIELD(okImagesKept)},
};
constexpr int kTextSeconds = 540;

// A switch: caption text id and field; -1 is the main window's save-all flag.
struct SwitchRow {
    int caption;
    int field;
};
constexpr int kSaveAllSwitch = -1;
const SwitchRow kSwitchRows[AdvanceParamWidget::kSwitches] = {
    {254, PARAM_FIELD(showFactoryParams)},
    {272, PARAM_FIELD(showManualSnapshot)},
    {194, PARAM_FIELD(passwordForSkipMould)},
    {341, PARAM_FIELD(passwordForAddTemplate)},
    {556, PARAM_FIELD(passwordForStop)},
    {201, kSaveAllSwitch},
    {457, PARAM_FIELD(templateIsNgImage)},
    {470, PARAM_FIELD(realtimeRoiDisplay)},
    {554, PARAM_FIELD(statisticsEnabled)},
    {558, PARAM_FIELD(logEnabled)},
    {579, PARAM_FIELD(temperatureChartEnabled)},
};

// Texts of the buttons, questions and messages.
enum : int {
    kTextBackup = 182,
    kTextRestore = 183,
    kTextDelete = 184,
    kTextExport = 326,
    kTextUpdate = 325,
    kTextExit = 210,
    kTextModifyTime = 401,
    kTextCalibrate = 458,
    kTextReset = 551,
    kTextVersionLibrary = 615,
    kTextChangePassword = 171,
    kTextGroupNameEmpty = 282,
    kTextBackupQuestion = 283,
    kTextOverwriteQuestion = 284,
    kTextRestoreQuestion = 285,
    kTextDeleteQuestion = 287,
    kTextParamFileError = 160,
    kTextExportQuestion = 324,
    kTextNoUsbDisk = 320,
    kTextExported = 147,
    kTextUpdateQuestion = 323,
    kTextPasswordEmpty = 278,
    kTextPasswordChanged = 279,
    kTextPasswordsDiffer = 280,
    kTextExitQuestion = 294,
    kTextExitLog = 295,
    kTextExitNow = 296,
    kTextTimeQuestion = 402,
};

// The password field keeps at most this many bytes of what is typed.
constexpr int kPasswordBytes = 32;
constexpr int kButtonWidth = 150;
constexpr int kButtonHeight = 50;
// The part of an icon button that its icon takes, at the left.
constexpr int kIconWidth = 52;
const char* const kIconPadding = "padding-left: 20px;padding-right: 5px}";
const char* const kFactoryArchive = "paraGroup/default/20clearsh.tar.gz";
const char* const kTestImageFolder = "./originalimage";

// A text table caption on two lines at most, as a button or a value box shows it: no carriage returns, and no
// blanks around the line break.
QString buttonCaption(int textId)
{
    QString text = tableText(textId);
    QStringList lines = text.remove(QLatin1Char('\r')).split(QLatin1Char('\n'));
    for (QString& line : lines)
        line = line.trimmed();
    return lines.join(QLatin1Char('\n'));
}

ColorButton* serviceButton(int textId, const char* objectName, QWidget* parent)
{
    auto button = new ColorButton(buttonCaption(textId), parent, 0);
    button->setFixedSize(kButtonWidth, kButtonHeight);
    if (objectName) {
        button->setObjectName(QLatin1String(objectName));
        // The page's icon rules style it.
        button->setStyleSheet(QString());
    }
    return button;
}

// Pixel size of an icon button's caption: 17, or smaller where a line of it (some English
// captions) would not fit beside the icon.
int captionPixelSize(const QString& caption)
{
    constexpr int kCaptionWidth = kButtonWidth - kIconWidth - 4;
    int size = 17;
    for (; size > 12; --size) {
        QFont font{QString::fromLatin1(kKitFontFamily)};
        font.setPixelSize(size);
        const QFontMetrics metrics(font);
        bool fits = true;
        for (const QString& line : caption.split(QLatin1Char('\n')))
            fits = fits && metrics.horizontalAdvance(line) <= kCaptionWidth;
        if (fits)
            break;
    }
    return size;
}

Edit* passwordEdit(QWidget* parent)
{
    auto edit = new Edit(Edit::IntegerValidator | Edit::PadInGrandparent, parent, 1);
    edit->setFixedSize(160, 50);
    return edit;
}

QLabel* rowLabel(const QString& text, QWidget* parent)
{
    auto label = new QLabel(text, parent);
    label->setFixedHeight(40);
    return label;
}

// What folder `path` holds now, by name.
QStringList folderEntries(const QString& path)
{
    return QDir(path).entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// Removes `names` from folder `path`, which itself stays, as do entries written since.
bool removeEntries(const QString& path, const QStringList& names)
{
    bool ok = true;
    for (const QString& name : names) {
        const QFileInfo entry(path + QLatin1Char('/') + name);
        if (!entry.exists() && !entry.isSymLink())
            continue;
        ok = (entry.isDir() && !entry.isSymLink() ? QDir(entry.filePath()).removeRecursively()
                                                  : QFile::remove(entry.filePath()))
            && ok;
    }
    return ok;
}

}  // namespace

AdvanceParamWidget::AdvanceParamWidget(QWidget* parent)
    : TabParamWidget(parent), m_dialog(qobject_cast<SystemParamDialog*>(parent))
{
    const QFont comboFont(QLatin1String(kKitFontFamily), 17);

    groupNameEdit = new Edit(Edit::FullKeyboard, this, 1);
    groupNameEdit->setFont(QFont(QLatin1String(kKitFontFamily), 25));
    groupNameEdit->setFixedSize(kButtonWidth, kButtonHeight);

    groupBox = new ComboBox(this);
    setComboFont(groupBox, comboFont);
    setComboStyle(groupBox, 50);
    groupBox->setFixedSize(kButtonWidth, kButtonHeight);
    connect(groupBox, qOverload<int>(&ComboBox::currentIndexChanged), this, &AdvanceParamWidget::onParaGroupSelected);

    backupButton = serviceButton(kTextBackup, "pCButtonBackup", this);
    restoreButton = serviceButton(kTextRestore, "pCButtonRestore", this);
    deleteButton = serviceButton(kTextDelete, "pCButtonDelete", this);
    exportButton = serviceButton(kTextExport, "pCButtonExportData", this);
    updateButton = serviceButton(kTextUpdate, "pCButtonUpdateApp", this);
    exitButton = serviceButton(kTextExit, "pCButtonExit", this);
    modifyTimeButton = serviceButton(kTextModifyTime, "pBtnModifyTime", this);
    calibrateButton = serviceButton(kTextCalibrate, "pBtnCalibrateTouch", this);
    connect(backupButton, &QPushButton::clicked, this, &AdvanceParamWidget::SlotParaGroupBackup);
    connect(restoreButton, &QPushButton::clicked, this, &AdvanceParamWidget::SlotParaGroupRestore);
    connect(deleteButton, &QPushButton::clicked, this, &AdvanceParamWidget::SlotParaGroupDelete);
    connect(exportButton, &QPushButton::clicked, this, &AdvanceParamWidget::SlotExportData);
    connect(updateButton, &QPushButton::clicked, this, &AdvanceParamWidget::SlotUpdateApp);
    connect(exitButton, &QPushButton::clicked, this, &AdvanceParamWidget::SlotExit);
    connect(modifyTimeButton, &QPushButton::clicked, this, &AdvanceParamWidget::SlotModifyTime);
    connect(calibrateButton, &QPushButton::clicked, this, &AdvanceParamWidget::SlotCalibration);

    auto serviceRow = new QHBoxLayout;
    serviceRow->setSpacing(10);
    serviceRow->setContentsMargins(20, 0, 0, 0);
    for (ColorButton* button : {exportButton, updateButton, exitButton, modifyTimeButton, calibrateButton})
        serviceRow->addWidget(button);
    serviceRow->addStretch();

    auto groupRow = new QHBoxLayout;
    groupRow->setSpacing(10);
    groupRow->setContentsMargins(30, 0, 0, 0);
    groupRow->addWidget(groupNameEdit);
    groupRow->addWidget(groupBox);
    for (ColorButton* button : {backupButton, restoreButton, deleteButton})
        groupRow->addWidget(button);
    groupRow->addStretch();

    for (int i = 0; i < kValueBoxes; ++i) {
        const ValueBoxRow& row = kValueBoxRows[i];
        valueBoxes[i] = new EditBox(row.minimum, row.maximum, this, buttonCaption(row.caption),
                                    row.seconds ? tableText(kTextSeconds) : QString(), EditBox::Integer, 1);
        valueBoxes[i]->setZeroAllowed(row.zeroAllowed);
    }

    auto left = new QVBoxLayout;
    left->setSpacing(12);
    left->addWidget(SettingsStyle::sectionHeader(tr("参数组"), this));
    left->addLayout(groupRow);
    left->addWidget(SettingsStyle::sectionHeader(tr("参数编辑"), this));
    for (EditBox* box : valueBoxes)
        left->addWidget(box);
    left->addStretch(10);

    auto passwordPanel = new QWidget(this);
    passwordPanel->setObjectName(QStringLiteral("passwordManager"));
    passwordPanel->setFixedHeight(80);
    // Its captions a size smaller than the dialog's: the row is as wide as the switch column.
    passwordPanel->setStyleSheet(
        QStringLiteral("QWidget#passwordManager{border: 1px solid #707070} QLabel{font-size:20px;}"));
    newPasswordEdit = passwordEdit(passwordPanel);
    confirmPasswordEdit = passwordEdit(passwordPanel);
    changePasswordButton = serviceButton(kTextChangePassword, nullptr, passwordPanel);
    connect(changePasswordButton, &QPushButton::clicked, this, &AdvanceParamWidget::ChangePwd);
    auto passwordRow = new QHBoxLayout(passwordPanel);
    passwordRow->setSpacing(20);
    passwordRow->setContentsMargins(20, 0, 0, 0);
    passwordRow->addWidget(rowLabel(tr("新密码"), passwordPanel));
    passwordRow->addWidget(newPasswordEdit);
    passwordRow->addSpacing(20);
    passwordRow->addWidget(rowLabel(tr("确认密码"), passwordPanel));
    passwordRow->addWidget(confirmPasswordEdit);
    passwordRow->addSpacing(20);
    passwordRow->addWidget(changePasswordButton);
    passwordRow->addStretch();

    for (int i = 0; i < kSwitches; ++i)
        switches[i] = new CheckBox(this, tableText(kSwitchRows[i].caption));
    auto switchBlock = new QVBoxLayout;
    switchBlock->setSpacing(8);
    switchBlock->setContentsMargins(40, 0, 10, 0);
    for (CheckBox* box : switches)
        switchBlock->addWidget(box);
    switchBlock->addWidget(passwordPanel);

    resetButton = serviceButton(kTextReset, "pCButtonResoryFactorySet", this);
    versionLibraryButton = serviceButton(kTextVersionLibrary, "pCButtonVersionLibrary", this);
    connect(resetButton, &QPushButton::clicked, this, &AdvanceParamWidget::SlotRestoreFactorySet);
    connect(versionLibraryButton, &QPushButton::clicked, this, &AdvanceParamWidget::SlotToVerion);
    auto resetRow = new QHBoxLayout;
    resetRow->setSpacing(18);
    resetRow->addSpacing(29);
    resetRow->addWidget(resetButton);
    resetRow->addWidget(versionLibraryButton);
    resetRow->addStretch();

    auto right = new QVBoxLayout;
    right->setSpacing(16);
    right->addWidget(SettingsStyle::sectionHeader(tr("参数开关"), this));
    right->addLayout(switchBlock);
    right->addLayout(resetRow);
    right->addLayout(serviceRow);
    right->addStretch();

    auto columns = new QHBoxLayout(this);
    columns->setSpacing(26);
    columns->addLayout(left);
    columns->addLayout(right);

    ColorButton* const iconButtons[] = {backupButton,     restoreButton,   deleteButton,
                                              exportButton,     updateButton,    exitButton,
                                              modifyTimeButton, calibrateButton, resetButton,
                                              versionLibraryButton};
    const char* const icons[] = {":/Backup.png", ":/Restore.png",    ":/Delete.png",    ":/Export.png",
                                 ":/Update.png", ":/Shutoff.png",    ":/ModifyTime.png", ":/Calibrate.png",
                                 ":/Reset.png",  ":/Version.png"};
    // Eleven switches and the password panel beside nine value boxes: the switch captions are a
    // size smaller than the dialog's, so that the column fits the page's height.
    QString rules = QStringLiteral("QCheckBox{font-size:20px;padding-right:4px;}");
    QStringList names;
    QString sizes;
    for (size_t i = 0; i < std::size(icons); ++i) {
        rules += SettingsStyle::iconButtonRule(iconButtons[i]->objectName(), QLatin1String(icons[i]), kIconPadding);
        names << QLatin1Char('#') + iconButtons[i]->objectName();
        sizes += QStringLiteral("QPushButton#%1{font-size: %2px;}")
                     .arg(iconButtons[i]->objectName())
                     .arg(captionPixelSize(iconButtons[i]->text()));
    }
    // The built-in icons are 64 pixels square, larger than the 50-pixel buttons: each sits at the
    // button's left edge and the caption beside it, instead of both in the padded content.
    rules += QStringLiteral("QPushButton%1{background-origin: border;background-position: left center;"
                            "padding-left: %2px;padding-right: 0px;text-align: center;}")
                 .arg(names.join(QStringLiteral(",QPushButton")))
                 .arg(kIconWidth)
        + sizes;
    applyDialogStyle(this, rules);
    fitCombosOf(this, 14);
    // The caption sizes above are measured in the kit's font; the buttons draw in the font the
    // style sheets give them, which may run wider: a caption that still does not fit beside its
    // icon takes a smaller size.
    for (ColorButton* button : iconButtons)
        fitButtonCaption(button, kButtonWidth - kIconWidth - 4, 11);
    // A value box caption on two lines ("Temp / number") takes the size at which both lines fit
    // the box's 50 pixels.
    for (EditBox* box : valueBoxes) {
        QLabel* label = box->label();
        label->ensurePolished();
        const int shown = QFontInfo(label->font()).pixelSize();
        const QFont fitted = fittingFont(label->font(), label->contentsRect(), int(label->alignment()), label->text(), 12);
        if (fitted.pixelSize() < shown)
            label->setStyleSheet(QStringLiteral("QLabel{font-size:%1px;}").arg(fitted.pixelSize()));
    }
}

void AdvanceParamWidget::loadParam()
{
    for (int i = 0; i < kValueBoxes; ++i)
        valueBoxes[i]->setValue(editParams->field(kValueBoxRows[i].field));
    for (int i = 0; i < kSwitches; ++i) {
        const int field = kSwitchRows[i].field;
        const bool on = field == kSaveAllSwitch ? mainWindow && mainWindow->saveAllFlag : editParams->field(field) != 0;
        switches[i]->setCheckedState(on);
    }
    m_groupDir = QDir(QString::fromLatin1(ParaGroups::kStoreFolder));
    if (!m_groupDir.exists())
        QDir().mkpath(m_groupDir.path());
    ParaGroupUpdateList();
}

void AdvanceParamWidget::saveParam()
{
    for (int i = 0; i < kValueBoxes; ++i)
        editParams->setField(kValueBoxRows[i].field, valueBoxes[i]->value());
    for (int i = 0; i < kSwitches; ++i) {
        const int field = kSwitchRows[i].field;
        const bool on = switches[i]->isCheckedState();
        // The save-all switch acts at once, whatever the dialog's save question is answered.
        if (field == kSaveAllSwitch) {
            if (mainWindow)
                mainWindow->saveAllFlag = on;
        } else {
            editParams->setField(field, on ? 1 : 0);
        }
    }
}

bool AdvanceParamWidget::ask(const QString& text)
{
    tipbox box(2, this, 600, 420);
    box.setText(text);
    return box.exec() == 1;
}

void AdvanceParamWidget::inform(const QString& text)
{
    tipbox box(1, this, 600, 420);
    box.setText(text);
    box.exec();
}

int AdvanceParamWidget::warn(const QString& text)
{
    Warnbox box(this);
    box.setText(text);
    return box.exec();
}

// ---- Parameter groups ----

void AdvanceParamWidget::ParaGroupUpdateList()
{
    const bool blocked = groupBox->blockSignals(true);
    groupBox->clear();
    groupBox->addItems(ParaGroups::groupList());
    groupBox->blockSignals(blocked);
}

void AdvanceParamWidget::onParaGroupSelected(int)
{
    groupNameEdit->setText(groupBox->currentText());
}

ServiceBoxes AdvanceParamWidget::boxes()
{
    return {[this](const QString& text) { return ask(text); }, [this](const QString& text) { return warn(text); }};
}

void AdvanceParamWidget::SlotParaGroupBackup()
{
    if (gpNumCharInput)
        gpNumCharInput->hide();
    backupGroupFrom(
        groupBox, groupNameEdit->text(), boxes(),
        [this] {
            if (m_dialog) {
                m_dialog->saveAllTabs();
                m_dialog->applyParams();
            }
        },
        [this] { ParaGroupUpdateList(); });
}

void AdvanceParamWidget::backupGroupFrom(ComboBox* list, const QString& name, const ServiceBoxes& boxes,
                                         const std::function<void()>& apply, const std::function<void()>& refill)
{
    if (name.isEmpty()) {
        boxes.warn(tableText(kTextGroupNameEmpty));
        return;
    }
    // The name becomes a folder of the store and nothing else.
    if (!ParaGroups::isValidName(name)) {
        boxes.warn(tr("参数组名称不能是“.”或“..”，也不能含有“/”或控制字符！"));
        return;
    }
    // The default group holds SN.db and the factory archive as well: it is never overwritten.
    if (name == QLatin1String(ParaGroups::kDefaultGroup)) {
        boxes.warn(tr("默认参数组不能被覆盖或删除！"));
        return;
    }
    if (!boxes.ask(tableText(kTextBackupQuestion)))
        return;
    // The group holds the settings as they are after this apply (whatever its question is answered).
    apply();
    const bool exists = list->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive) >= 0;
    if (exists && !boxes.ask(tableText(kTextOverwriteQuestion)))
        return;
    QString why;
    if (!ParaGroups::backupGroup(name, cameraCount, detectsPerCamera, &why)) {
        if (why.isEmpty()) {
            boxes.warn(tr("参数组备份失败，原有的参数组没有改变！"));
            return;
        }
        if (mainWindow)
            mainWindow->InsertRecord(why);
        boxes.warn(why);
        return;
    }
    if (!exists)
        refill();
    const int index = list->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    list->setCurrentIndex(index);
    setCurrentGroupIndex(index);
}

void AdvanceParamWidget::setCurrentGroupIndex(int index)
{
    takeCurrentGroupIndex(index);
    activeParams->saveParaGroupIndex();
}

void AdvanceParamWidget::takeCurrentGroupIndex(int index)
{
    activeParams->paraGroupIndex = index;
    // The dialog's apply copies the edit record over the active one: both name the same group.
    if (editParams)
        editParams->paraGroupIndex = index;
    if (mainWindow)
        mainWindow->writeParaGroupToModbus();
}

void AdvanceParamWidget::SlotParaGroupRestore()
{
    // With no group listed there is nothing to restore (never the store itself).
    if (groupBox->count() == 0)
        return;
    if (!ask(tableText(kTextRestoreQuestion)))
        return;
    if (!mainWindow) {
        warn(tableText(kTextParamFileError));
        return;
    }
    QString failure;
    if (!mainWindow->restoreParaGroup(groupBox->currentIndex(), &failure))
        warn(failure);
}

void AdvanceParamWidget::SlotParaGroupDelete()
{
    deleteListedGroup(groupBox, boxes());
}

void AdvanceParamWidget::deleteListedGroup(ComboBox* list, const ServiceBoxes& boxes)
{
    if (list->count() == 0)
        return;
    const QString name = list->currentText();
    if (name == QLatin1String(ParaGroups::kDefaultGroup)) {
        boxes.warn(tr("默认参数组不能被覆盖或删除！"));
        return;
    }
    if (!boxes.ask(tableText(kTextDeleteQuestion)))
        return;
    // The index is a position in the sorted list: the delete itself moves it in sysadd.txt so
    // that it goes on naming the current group (-1 when that group was the one deleted).
    int index = activeParams->paraGroupIndex;
    QString why;
    if (!ParaGroups::removeGroup(name, &index, &why)) {
        qWarning("parameter group %s not removed; the list keeps it", qPrintable(name));
        if (mainWindow)
            mainWindow->InsertRecord(why);
        boxes.warn(why);
        return;
    }
    list->removeItem(list->currentIndex());
    if (index != activeParams->paraGroupIndex)
        takeCurrentGroupIndex(index);
}

// ---- USB disk ----

QString AdvanceParamWidget::mountUsbDisk(const ServiceBoxes& boxes)
{
    for (;;) {
        const QString mountPoint = mountUDisk();
        if (!mountPoint.isEmpty())
            return mountPoint;
        if (!boxes.ask(tableText(kTextNoUsbDisk)))
            return QString();
    }
}

void AdvanceParamWidget::SlotExportData()
{
    if (!ask(tableText(kTextExportQuestion)))
        return;
    const QString mountPoint = mountUsbDisk(boxes());
    if (mountPoint.isEmpty())
        return;
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_hh.mm.ss"));
    const QString source = installFolder();
    const QString target = mountPoint + QLatin1Char('/') + stamp + QLatin1Char('/') + QFileInfo(source).fileName();
    // The install folder with its pictures may take minutes to reach the disk, and its flush
    // at the unmount as long again: all of it runs beside the screen and the machine cycle,
    // under a notice.
    const QPoint corner = v_SelectBox::centredCorner();
    v_SelectBox notice(corner.x(), corner.y(), this, 0);
    notice.text = tr("正在导出数据...");
    notice.setWindowModality(Qt::ApplicationModal);
    notice.show();
    // The machine cycle goes on meanwhile and may save test pictures: only those there before
    // the copy are on the disk, and only they are removed after it.
    QHash<QString, QStringList> testPictures;
    for (int c = 1; c <= cameraCount; ++c)
        for (int d = 1; d <= detectsPerCamera; ++d) {
            const QString folder = QStringLiteral("%1/cammer%2%3").arg(QLatin1String(kTestImageFolder)).arg(c).arg(d);
            testPictures.insert(folder, folderEntries(folder));
        }
    bool copied = false;
    runAside([&]() {
        copied = ParaGroups::copyFolderContent(source, target);
        // The test pictures are removed only once they are safely on the disk.
        if (copied) {
            for (auto folder = testPictures.cbegin(); folder != testPictures.cend(); ++folder)
                removeEntries(folder.key(), folder.value());
        }
        unmountUDisk();
    });
    notice.close();
    if (copied)
        inform(tableText(kTextExported));
    else
        warn(tr("数据导出失败，测试图片已保留！"));
}

void AdvanceParamWidget::SlotUpdateApp()
{
    updateFromUsbDisk(this, 20, boxes());
}

void AdvanceParamWidget::updateFromUsbDisk(QWidget* parent, int fontSize, const ServiceBoxes& boxes)
{
    const QString mountPoint = mountUsbDisk(boxes);
    if (mountPoint.isEmpty())
        return;
    // The disk is flushed and unmounted once the package is copied, or when the operator stops,
    // as after an export: it may be pulled as soon as the update ends.
    QString why;
    const bool placed = copyPackageFromDisk(parent, fontSize, boxes, mountPoint, &why);
    unmountUDisk();
    if (!placed)
        boxes.warn(why.isEmpty() ? tr("更新文件复制失败，请检查U盘！") : tr("更新失败") + QLatin1Char('\n') + why);
}

bool AdvanceParamWidget::copyPackageFromDisk(QWidget* parent, int fontSize, const ServiceBoxes& boxes,
                                             const QString& mountPoint, QString* why)
{
    QFileDialog dialog(parent, tr("选择投影数据文件目录"), QStringLiteral("../../ProjectData/"));
    dialog.setFileMode(QFileDialog::AnyFile);
    // The touch theme of Qt's dialogs, in the caller's text size.
    applyTouchFileDialog(&dialog, QFontInfo(QFont(QLatin1String(kKitFontFamily), fontSize)).pixelSize());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        dialog.resize(screen->size().width() - 50, screen->size().height() - 100);
    dialog.setNameFilter(QStringLiteral("*.[r,t]ar*"));
    dialog.setDirectory(mountPoint);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return true;
    const QString path = dialog.selectedFiles().first();
    if (path.size() <= 2)
        return true;
    if (!boxes.ask(tableText(kTextUpdateQuestion)))
        return true;
    stopAndWait();
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    const QString target = PendingPackage::targetFor(parts.isEmpty() ? QString() : parts.last());
    if (target.isEmpty())
        return true;
    // The package applies at the next boot; the program keeps running with its databases open.
    // The operator who stopped the check needs no warning.
    bool cancelled = false;
    return placePackage(parent, path, target, why, &cancelled) || cancelled;
}

bool AdvanceParamWidget::placePackage(QWidget* parent, const QString& source, const QString& target, QString* why,
                                      bool* cancelled)
{
    // A notice while the package is copied and read through (in a thread of its own: the screen
    // and the machine cycle go on); its button stops the copy and the check.
    const QPoint corner = v_SelectBox::centredCorner();
    v_SelectBox notice(corner.x(), corner.y(), parent, 1);
    notice.text = tr("正在检查安装包...");
    if (auto stop = notice.findChild<QPushButton*>())
        stop->setText(tr("取消"));
    std::atomic<bool> stopCheck{false};
    connect(&notice, &QDialog::accepted, &notice, [&] {
        qInfo("check of the package %s cancelled by the operator", qPrintable(source));
        stopCheck = true;
    });
    notice.show();
    const bool placed = PendingPackage::write(source, target, why, &stopCheck);
    notice.close();
    *cancelled = stopCheck;
    return placed;
}

// ---- Service operations ----

void AdvanceParamWidget::ChangePwd()
{
    const QString typed = newPasswordEdit->text();
    const QString confirm = confirmPasswordEdit->text();
    if (typed.isEmpty() || confirm.isEmpty()) {
        warn(tableText(kTextPasswordEmpty));
        return;
    }
    if (typed != confirm) {
        warn(tableText(kTextPasswordsDiffer));
        return;
    }
    editParams->setPassword(QString::fromLatin1(typed.toLatin1().left(kPasswordBytes)));
    inform(tableText(kTextPasswordChanged));
    newPasswordEdit->clear();
    confirmPasswordEdit->clear();
}

void AdvanceParamWidget::SlotExit()
{
    if (!ask(tableText(kTextExitQuestion)))
        return;
    if (mainWindow)
        mainWindow->InsertRecord(tableText(kTextExitLog));
    if (m_dialog) {
        m_dialog->saveAllTabs();
        m_dialog->applyParams();
    }
    SystemParam::saveSysParams(*activeParams, ParameterManager::instance()->queryIn);
    inform(tableText(kTextExitNow));
    if (mainWindow)
        mainWindow->closeCameras();
    exitApplication(0);
}

void AdvanceParamWidget::SlotModifyTime()
{
    auto picker = new modifyTimeWidget(nullptr);
    picker->setAttribute(Qt::WA_DeleteOnClose);
    if (mainWindow)
        picker->move((mainWindow->width() - picker->width()) / 2, (mainWindow->height() - picker->height()) / 2);
    picker->setWindowModality(Qt::WindowModal);
    picker->show();
    connect(picker, &modifyTimeWidget::sendModifyTime, this, &AdvanceParamWidget::onModifyTimeConfirmed);
}

void AdvanceParamWidget::onModifyTimeConfirmed(const QDateTime& time)
{
    if (!ask(tableText(kTextTimeQuestion)))
        return;
    setSystemClock(time);
    SystemParam::saveSysParams(*activeParams, ParameterManager::instance()->queryIn);
    if (mainWindow)
        mainWindow->InsertRecord(tableText(kTextModifyTime));
    stopAndWait();
    if (mainWindow)
        mainWindow->FLushAll();
    QThread::msleep(1000);
    ShellRunner::run(QStringLiteral("reboot"), {});
}

void AdvanceParamWidget::SlotCalibration()
{
    // The operator touches the calibration marks: no time limit.
    ShellRunner::run(QStringLiteral("./tsc"), {}, -1);
    QThread::msleep(500);
    if (mainWindow)
        mainWindow->FLushAll();
    ShellRunner::run(QStringLiteral("reboot"), {});
}

void AdvanceParamWidget::SlotRestoreFactorySet()
{
    if (!ask(tableText(kTextReset) + QLatin1Char('?')))
        return;
    // Replaces a pending package: the factory archive is what the next boot applies.
    const QString archive = QString::fromLatin1(kFactoryArchive);
    QString why;
    bool cancelled = false;
    if (!placePackage(this, archive, PendingPackage::targetFor(archive), &why, &cancelled)) {
        qWarning("factory archive not staged: %s", qPrintable(why));
        if (!cancelled)
            warn(tr("重置失败") + QLatin1Char('\n') + why);
    }
}

void AdvanceParamWidget::SlotToVerion()
{
    openVersionLibrary(versionLibraryButton, this, boxes());
}

void AdvanceParamWidget::openVersionLibrary(QWidget* button, QWidget* parent, const ServiceBoxes& boxes)
{
    button->setEnabled(false);
    VersionDownloadDialog library(parent);
    // The operator who stopped the listing needs no warning.
    if (library.cancelled) {
        button->setEnabled(true);
        return;
    }
    const int result = library.reachable ? library.exec() : boxes.warn(tr("网络异常无法访问"));
    if (result == QDialog::Accepted)
        button->setEnabled(true);
}
