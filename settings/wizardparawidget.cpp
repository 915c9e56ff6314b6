#include "settings/wizardparawidget.h"

#include "cameras/camerainterface.h"
#include "core/globals.h"
#include "core/mapplication.h"
#include "core/systemparam.h"
#include "core/version.h"
#include "io/customionamewidget.h"
#include "io/iowidget.h"
#include "mainwindow/mojuwizard.h"
#include "settings/paramfield.h"
#include "settings/wizardparatables.h"
#include "view/cammerwidget.h"
#include "widgets/checkbox.h"
#include "widgets/choosemodifytime.h"
#include "widgets/colorbutton.h"
#include "widgets/combobox.h"
#include "widgets/edit.h"
#include "widgets/editbox.h"
#include "widgets/kitfont.h"
#include "widgets/numcharinput.h"
#include "widgets/textfit.h"
#include "widgets/tipbox.h"

#include <QCoreApplication>
#include <QFile>
#include <QFontInfo>
#include <QHeaderView>
#include <QJsonObject>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSqlTableModel>
#include <QTableView>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <iterator>

namespace {

using namespace WizardTables;

// A stored value without an item of its own shows no item; an untouched box then leaves the
// field as it is, so that opening and confirming never changes a setting by itself.
void showStored(ComboBox* box, int value)
{
    box->setCurrentIndex(value >= 0 && value < box->count() ? value : -1);
}

// Caption of a value box: the box then ends at x 930, where the right column begins.
constexpr int kCaptionWidth = 140;
constexpr int kCaptionPoints = 22;
constexpr int kSmallestPoints = 12;
constexpr int kSmallestPixels = 14;
// The painted captions of the input/output page's combo boxes stand beside them.
constexpr int kIOLabelToCombo = 60;

// A value box caption takes a smaller text size, on up to two lines, until it fits its place.
void fitCaption(QLabel* label)
{
    label->setWordWrap(true);
    QFont font = label->font();
    for (; font.pointSize() > kSmallestPoints; font.setPointSize(font.pointSize() - 1)) {
        const QFontMetrics metrics(font);
        const QRect needed = metrics.boundingRect(QRect(0, 0, label->width(), 1000), Qt::TextWordWrap, label->text());
        bool wordsFit = true;
        for (const QString& word : label->text().split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts))
            wordsFit = wordsFit && metrics.horizontalAdvance(word) <= label->width();
        if (wordsFit && needed.height() <= label->height())
            break;
    }
    label->setFont(font);
}

// A check box whose text is wider than its place takes a smaller text size.
void fitCheckBox(CheckBox* box)
{
    QFont font = box->font();
    while (font.pointSize() > kSmallestPoints && box->sizeHint().width() > box->width()) {
        font.setPointSize(font.pointSize() - 1);
        box->setFont(font);
    }
}

void styleCombo(ComboBox* box, int itemHeight, int points = 25)
{
    setComboFont(box, QFont(QLatin1String(kKitFontFamily), points));
    setComboStyle(box, itemHeight);
}

// The narrow combo boxes at the right edge take a smaller text size than the others.
constexpr int kNarrowComboPoints = 17;

}  // namespace

WizardParaWidget::WizardParaWidget(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("wizardWidget"));
    setGeometry(screenWidth / 2 - kWidth / 2, screenHeight / 2 - kHeight / 2, kWidth, kHeight);

    buildPageBar();
    buildValueBoxes();
    buildCheckBoxes();
    buildComboBoxes();
    buildButtons();
    buildAdvancedEdits();
    buildRecordPage();

    autoExposeTimer = new QTimer(this);
    connect(autoExposeTimer, &QTimer::timeout, this, &WizardParaWidget::SlotAutoExposeTimeTimeout);

    // The settings dialog's record page shares the connection.
    const QString connection = QString::fromLatin1(kRecordConnection);
    recordDb = QSqlDatabase::contains(connection) ? QSqlDatabase::database(connection, false)
                                                   : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);

    // The IO dialog centres itself on the wizard, which therefore has its size already.
    ioDialog = new IOWidget(this);
    modifyTimeDialog = new ModifyTimeWidget(nullptr);

    QFile serial(QString::fromLatin1(kSerialFile));
    if (serial.open(QIODevice::ReadOnly)) {
        QTextStream in(&serial);
        in >> serialText;
    }

    paraGroupStore = QDir(QStringLiteral("./paraGroup"));
    if (!paraGroupStore.exists())
        paraGroupStore.mkpath(QStringLiteral("."));
    ParaGroupUpdateList();
    DoChangePage();
}

WizardParaWidget::~WizardParaWidget()
{
    delete modifyTimeDialog;
}

void WizardParaWidget::buildPageBar()
{
    const struct {
        int textId;
        void (WizardParaWidget::*slot)();
    } rows[] = {
        {215, &WizardParaWidget::SlotToCommon}, {128, &WizardParaWidget::SlotToCamera},
        {262, &WizardParaWidget::SlotToNetwork}, {266, &WizardParaWidget::SlotToIO},
        {205, &WizardParaWidget::SlotToAdvance}, {121, &WizardParaWidget::accept},
    };
    for (int i = 0; i < 6; ++i) {
        auto* button = new ColorButton(tableText(rows[i].textId), this, 0);
        button->setGeometry(45 + 300 * i, 845, 210, 90);
        connect(button, &QPushButton::clicked, this, rows[i].slot);
        pageButtons[i] = button;
    }
}

void WizardParaWidget::buildValueBoxes()
{
    // The live slots of the camera values, by their field.
    const struct {
        int field;
        void (WizardParaWidget::*slot)(int);
    } live[] = {
        {PARAM_FIELD(exposure), &WizardParaWidget::SetExposeTime},
        {PARAM_FIELD(gain), &WizardParaWidget::SetAdjust},
        {PARAM_FIELD(sharpness), &WizardParaWidget::SetSharp},
        {PARAM_FIELD(contrast), &WizardParaWidget::SetContrast},
        {PARAM_FIELD(gamma), &WizardParaWidget::SetGamma},
        {PARAM_FIELD(distance), &WizardParaWidget::SetDistance},
        {PARAM_FIELD(temperatureRange), &WizardParaWidget::SetTemperature},
    };
    for (const ValueBoxRow& row : kValueBoxRows) {
        const QString unit = row.unitId >= 0 ? tableText(row.unitId) : QString();
        auto* box = new EditBox(row.minimum, row.maximum, this, tableText(row.textId), unit, row.mode, row.divisor);
        // The caption column of the wizard's 900-pixel rows.
        box->label()->setFixedWidth(kCaptionWidth);
        box->label()->setFont(QFont(QLatin1String(kKitFontFamily), kCaptionPoints));
        fitCaption(box->label());
        box->move(row.x, row.y);
        if (row.field == PARAM_FIELD(screenOffSeconds))
            box->setZeroAllowed(true);
        for (const auto& l : live)
            if (l.field == row.field)
                connect(box, &EditBox::valueChanged, this, l.slot);
        m_valueBoxes.append(box);
        addControl(box, row.page, row.shown);
    }
}

void WizardParaWidget::buildCheckBoxes()
{
    for (const CheckBoxRow& row : kCheckBoxRows) {
        const QString text = row.textId >= 0 ? tableText(row.textId)
                                             : QCoreApplication::translate("WizardParaWidget", row.trText);
        auto* box = new CheckBox(this, text);
        box->setGeometry(row.x, row.y, row.width, 50);
        fitCheckBox(box);
        m_checkBoxes.append(box);
        addControl(box, row.page, row.shown);
        if (row.kind == Switch::SaveAll)
            saveAllBox = box;
        else if (row.kind == Switch::Details)
            m_detailsBox = box;
        else if (row.kind == Switch::ShowOnly)
            m_colourBox = box;
        if (row.field == PARAM_FIELD(showFactoryParams))
            m_factoryBox = box;
        else if (row.field == PARAM_FIELD(autoWdr))
            connect(box, &QCheckBox::stateChanged, this, &WizardParaWidget::SetAutoWDR);
        else if (row.field == PARAM_FIELD(temperatureAlarm))
            connect(box, &QCheckBox::toggled, this, &WizardParaWidget::on_checkBox_high_warm_clicked);
        else if (row.field == PARAM_FIELD(cavityFollowsProduct) && activeParams
                 && (activeParams->machineType == 1 || activeParams->machineType == 2))
        {
            box->setText(tableText(514));
            fitCheckBox(box);
        }
    }
}

void WizardParaWidget::buildComboBoxes()
{
    for (const ComboRow& row : kComboRows) {
        auto* box = new ComboBox(this);
        box->setGeometry(row.x, row.y, row.width, 50);
        for (int id : row.items)
            if (id >= 0)
                box->addItem(tableText(id), box->count());
        styleCombo(box, 50, row.width < 150 ? 25 : kNarrowComboPoints);
        fitComboEntries(box, kSmallestPixels);
        m_comboBoxes.append(box);
        addControl(box, 3, row.shown);
        if (row.field == PARAM_FIELD(machineTypeEdited)) {
            m_machineTypeCombo = box;
            connect(box, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
                    &WizardParaWidget::SlotChangeSysFun);
        } else if (row.field == PARAM_FIELD(mouldSide)) {
            m_mouldSideCombo = box;
        }
    }
    // The column of state boxes on the input/output page shares one text size, the smallest
    // that every box's entries fit.
    int columnPixels = 0;
    for (int i = 0; i < int(std::size(kComboRows)); ++i)
        if (kComboRows[i].width < 150) {
            const int size = QFontInfo(m_comboBoxes[i]->font()).pixelSize();
            columnPixels = columnPixels ? std::min(columnPixels, size) : size;
        }
    for (int i = 0; i < int(std::size(kComboRows)); ++i)
        if (kComboRows[i].width < 150) {
            QFont font = m_comboBoxes[i]->font();
            font.setPixelSize(columnPixels);
            setComboFont(m_comboBoxes[i], font);
        }
    auto* com = new ComboBox(this);
    com->setGeometry(1630, 60, 160, 50);
    for (int i = 1; i <= kComPorts; ++i)
        com->addItem(QStringLiteral("  COM%1").arg(i), i - 1);
    styleCombo(com, 50, kNarrowComboPoints);
    fitComboEntries(com, kSmallestPixels);
    m_comboBoxes.append(com);
    addControl(com, 3, Shown::Factory);

    languageCombo = new ComboBox(this);
    languageCombo->setGeometry(1640, 175, 150, 55);
    for (int i = 0; i < 4; ++i)
        languageCombo->addItem(QCoreApplication::translate("LanguageList", kLanguageNames[i]), i);
    styleCombo(languageCombo, 50, kNarrowComboPoints);
    fitComboEntries(languageCombo, kSmallestPixels);
    addControl(languageCombo, 0, Shown::Always);
    connect(languageCombo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &WizardParaWidget::SlotChangeLan);
}

void WizardParaWidget::buildButtons()
{
    // Page, place, size, text id, slot, when shown.
    const struct {
        int page;
        int x;
        int y;
        int width;
        int height;
        int textId;
        void (WizardParaWidget::*slot)();
        Shown shown;
    } rows[] = {
        {0, 1640, 110, 150, 55, 172, &WizardParaWidget::ResetTotal, Shown::Always},
        {0, 1640, 240, 150, 55, 209, &WizardParaWidget::SlotShutDown, Shown::Always},
        {1, 220, 60, 120, 60, 526, &WizardParaWidget::SlotRestoreDefaultSettings, Shown::Always},
        {1, 350, 60, 120, 60, 500, &WizardParaWidget::SlotAutoExposeTime, Shown::Always},
        {1, 650, 60, 120, 60, kTextSimpleDisplay, &WizardParaWidget::SlotChangeShowMode, Shown::Always},
        {1, 780, 60, 120, 60, 163, &WizardParaWidget::SlotChangeCamera, Shown::Always},
        {1, 1550, 60, 200, 55, 396, &WizardParaWidget::SlotTuneCamera, Shown::Full},
        {4, 297, 115, 150, 60, 182, &WizardParaWidget::SlotParaGroupBackup, Shown::Always},
        {4, 297, 180, 150, 60, 183, &WizardParaWidget::SlotParaGroupRestore, Shown::Always},
        {4, 297, 245, 150, 60, 184, &WizardParaWidget::SlotParaGroupDelete, Shown::Always},
        {4, 560, 115, 150, 60, 326, &WizardParaWidget::SlotExportData, Shown::Always},
        {4, 560, 180, 150, 60, 325, &WizardParaWidget::SlotUpdateApp, Shown::Always},
        {4, 560, 245, 150, 60, 401, &WizardParaWidget::SlotModifyTime, Shown::Always},
        {4, 720, 115, 150, 60, 206, &WizardParaWidget::SlotToRecord, Shown::Always},
        {4, 720, 180, 150, 60, 210, &WizardParaWidget::SlotExit, Shown::Always},
        {4, 720, 245, 150, 60, 458, &WizardParaWidget::SlotCalibration, Shown::Always},
        {4, 1630, 115, 150, 50, 171, &WizardParaWidget::ChangePwd, Shown::Always},
        {4, 1630, 225, 150, 50, 551, &WizardParaWidget::SlotRestoreFactorySet, Shown::Always},
        {4, 1630, 280, 150, 50, 615, &WizardParaWidget::SlotToVerion, Shown::Always},
    };
    for (const auto& row : rows) {
        auto* button = new ColorButton(tableText(row.textId), this, 0);
        button->setGeometry(row.x, row.y, row.width, row.height);
        connect(button, &QPushButton::clicked, this, row.slot);
        m_buttons.append(button);
        m_buttonTextIds.append(row.textId);
        addControl(button, row.page, row.shown);
    }
    showModeButton = button(kTextSimpleDisplay);
    versionButton = button(615);
}

void WizardParaWidget::buildAdvancedEdits()
{
    const QFont font(QLatin1String(kKitFontFamily), 25);
    groupNameEdit = new Edit(6, this, 1);
    groupNameEdit->setGeometry(30, 115, 250, 60);
    groupNameEdit->setFont(font);
    addControl(groupNameEdit, 4, Shown::Always);

    groupCombo = new ComboBox(this);
    groupCombo->setGeometry(30, 180, 250, 60);
    setComboFont(groupCombo, font);
    setComboStyle(groupCombo, 60);
    addControl(groupCombo, 4, Shown::Always);
    connect(groupCombo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &WizardParaWidget::SlotParaGroupChange);

    const bool japanese = currentLanguage == kJapanese;
    int x = japanese ? 1130 : 1020;
    for (Edit** edit : {&newPasswordEdit, &confirmPasswordEdit}) {
        *edit = new Edit(5, this, 1);
        (*edit)->setGeometry(x, 115, japanese ? 195 : 250, 50);
        (*edit)->setEchoMode(QLineEdit::Password);
        (*edit)->setFont(font);
        addControl(*edit, 4, Shown::Always);
        x = japanese ? 1425 : 1370;
    }
}

void WizardParaWidget::buildRecordPage()
{
    const QFont font(QLatin1String(kKitFontFamily), 25);
    dayList = new QListWidget(this);
    dayList->setGeometry(5, 50, 200, 795);
    dayList->setFont(font);
    connect(dayList, &QListWidget::itemClicked, this, &WizardParaWidget::UpdateRecord);
    addControl(dayList, 5, Shown::Always);

    recordTable = new QTableView(this);
    recordTable->setGeometry(205, 50, 1600, 795);
    recordTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    recordTable->setFont(font);
    recordTable->verticalScrollBar()->setStyleSheet(QStringLiteral(
        "QScrollBar:vertical{width:30px;background:transparent;background-color:rgb(246, 248, 248);"
        "margin:2px,2px,2px,2px;padding-top:30px;padding-bottom:30px;}"
        "QScrollBar::handle{background:lightgray; border:2px solid transparent; border-radius:5px;}"));
    addControl(recordTable, 5, Shown::Always);
}

void WizardParaWidget::addControl(QWidget* widget, int page, Shown shown)
{
    m_controls.append({widget, page, shown});
}

EditBox* WizardParaWidget::valueBox(int field) const
{
    for (int i = 0; i < m_valueBoxes.size(); ++i)
        if (kValueBoxRows[i].field == field)
            return m_valueBoxes[i];
    return nullptr;
}

CheckBox* WizardParaWidget::checkBox(int field) const
{
    for (int i = 0; i < m_checkBoxes.size(); ++i)
        if (kCheckBoxRows[i].field == field && field >= 0)
            return m_checkBoxes[i];
    return nullptr;
}

ComboBox* WizardParaWidget::comboBox(int field) const
{
    if (field == kComPortField)
        return m_comboBoxes.value(int(std::size(kComboRows)));
    for (int i = 0; i < int(std::size(kComboRows)); ++i)
        if (kComboRows[i].field == field)
            return m_comboBoxes[i];
    return nullptr;
}

ColorButton* WizardParaWidget::button(int textId) const
{
    const int i = m_buttonTextIds.indexOf(textId);
    return i >= 0 ? m_buttons[i] : nullptr;
}

void WizardParaWidget::setReCheckLabel(const QString& text)
{
    m_valueBoxes[kRecheckRow]->setText(text);
}

// ---- Showing, pages and painting ----

bool WizardParaWidget::isShown(const Control& control) const
{
    if (control.page != currentPage)
        return false;
    const bool factory = m_factoryBox->isCheckedState();
    switch (control.shown) {
    case Shown::Always:
        return true;
    case Shown::WithoutDetails:
        return !m_detailsBox->isCheckedState();
    case Shown::Factory:
        return factory;
    case Shown::FactoryFull:
        return factory && !simpleDisplay;
    case Shown::Full:
        return !simpleDisplay;
    case Shown::BothMoulds:
        return m_machineTypeCombo->currentIndex() == 1 || m_machineTypeCombo->currentIndex() == 2;
    case Shown::Never:
        return false;
    }
    return false;
}

void WizardParaWidget::DoChangePage()
{
    if (gpNumCharInput)
        gpNumCharInput->HideUpdate();
    for (const Control& control : m_controls)
        control.widget->hide();
    for (const Control& control : m_controls)
        if (isShown(control))
            control.widget->show();
    for (ColorButton* button : pageButtons)
        button->setVisible(!simpleDisplay);
    update();
}

void WizardParaWidget::showEvent(QShowEvent* event)
{
    loadFromParams();
    QWidget::showEvent(event);
}

void WizardParaWidget::hideEvent(QHideEvent* event)
{
    if (gpNumCharInput)
        gpNumCharInput->HideUpdate();
    currentPage = SystemPage;
    DoChangePage();
    QWidget::hideEvent(event);
}

void WizardParaWidget::loadFromParams()
{
    if (!editParams)
        return;
    const SystemParam& p = *editParams;
    currentCamera = 0;
    simpleDisplay = 0;
    showModeButton->setText(tableText(kTextSimpleDisplay));

    for (int i = 0; i < m_valueBoxes.size(); ++i)
        m_valueBoxes[i]->setValue(p.field(kValueBoxRows[i].field));
    for (int i = 0; i < m_checkBoxes.size(); ++i) {
        const CheckBoxRow& row = kCheckBoxRows[i];
        if (row.kind == Switch::SaveAll)
            m_checkBoxes[i]->setCheckedState(mainWindow && mainWindow->saveAllFlag);
        else if (row.kind == Switch::Motion)
            m_checkBoxes[i]->setCheckedState(p.field(row.field) + 1 != 0);
        else
            m_checkBoxes[i]->setCheckedState(p.field(row.field) != 0);
    }
    for (int i = 0; i < int(std::size(kComboRows)); ++i) {
        const int value = p.field(kComboRows[i].field);
        // Sides 2 and 3 both mean both moulds.
        showStored(m_comboBoxes[i], kComboRows[i].field == PARAM_FIELD(mouldSide) ? qMin(value, kBothSides) : value);
    }
    showStored(comboBox(kComPortField), p.comPort);
    languageCombo->setCurrentIndex(currentLanguage);

    groupNameEdit->clear();
    groupCombo->setCurrentIndex(0);
    newPasswordEdit->clear();
    confirmPasswordEdit->clear();
    groupNameEdit->clear();
    if (activeParams)
        groupCombo->setCurrentIndex(activeParams->paraGroupIndex);
    DoChangePage();
}

void WizardParaWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!simpleDisplay && backgroundPixmap && !backgroundPixmap->isNull())
        painter.drawPixmap(rect(), *backgroundPixmap);
    paintPage(painter);
}

void WizardParaWidget::paintPage(QPainter& painter)
{
    const int w = width();
    const QFont headingFont(QLatin1String(kKitFontFamily), 30);
    const QColor cyan(0, 255, 255);
    // Text in `box`, in a smaller size when it would not fit.
    auto text = [&](const QRect& box, int points, const QColor& colour, const QString& t) {
        QFont font(QLatin1String(kKitFontFamily), points);
        while (font.pointSize() > kSmallestPoints && QFontMetrics(font).horizontalAdvance(t) > box.width())
            font.setPointSize(font.pointSize() - 1);
        painter.setFont(font);
        painter.setPen(colour);
        painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, t);
    };
    auto heading = [&](int textId, int x, int y, int boxWidth) {
        text(QRect(x, y, boxWidth, 50), 30, cyan, tableText(textId));
    };
    auto line = [&](int x, int y) {
        if (linePixmap && !linePixmap->isNull())
            painter.drawPixmap(QRect(x, y, w / 2 - 30, 5), *linePixmap);
    };
    auto label = [&](const QString& t, int x, int y, int boxWidth, int size, const QColor& colour) {
        text(QRect(x, y, boxWidth, 50), size, colour, t);
    };

    int title = -1;
    const int page = simpleDisplay && currentPage != SystemPage ? CameraPage : currentPage;
    switch (page) {
    case SystemPage:
        heading(219, 30, 60, 300);
        line(30, 110);
        heading(222, 30, 235, 600);
        line(30, 285);
        if (!m_detailsBox->isCheckedState()) {
            heading(333, 30, 350, w / 2 - 30);
            line(30, 400);
        }
        heading(228, w / 2 + 30, 60, 300);
        line(w / 2 + 30, 110);
        title = 267;
        break;
    case CameraPage:
        // Smaller than the other headings: the row carries the camera buttons at x 220 and 650.
        text(QRect(30, 60, 185, 60), 22, cyan, tableText(221).arg(currentCamera + 1));
        text(QRect(478, 60, 170, 60), 17, Qt::green, tableText(214));
        line(30, 123);
        title = 260;
        break;
    case IOPage:
        // Each caption level with its combo box.
        for (const auto& l : kIOLabels)
            if (l.shown == Shown::Always || m_factoryBox->isCheckedState())
                label(tableText(l.textId), 30, l.y + kIOLabelToCombo, 720, 28, Qt::yellow);
        title = 259;
        break;
    case AdvancedPage: {
        heading(261, 30, 60, 600);
        line(30, 110);
        line(30, 310);
        heading(225, w / 2 + 30, 60, 600);
        line(w / 2 + 30, 110);
        // Each caption ends where its edit begins.
        const int shift = currentLanguage == kJapanese ? 420 : 350;
        const int captionWidth = (currentLanguage == kJapanese ? 1130 : 1020) - (w / 2 + 30);
        label(tableText(226), w / 2 + 30, 117, captionWidth, 25, Qt::yellow);
        label(tableText(227), w / 2 + 30 + shift, 117, captionWidth, 25, Qt::yellow);
        line(w / 2 + 30, 170);
        title = 229;
        break;
    }
    case RecordPage:
        title = 206;
        break;
    default:
        break;
    }
    if (simpleDisplay)
        return;

    // Title bar: serial number, page title, version.
    if (titlePixmap && !titlePixmap->isNull())
        painter.drawPixmap(QRect(0, 0, w, kTitleHeight), *titlePixmap);
    painter.setPen(Qt::yellow);
    QFont serialFont{QLatin1String(kKitFontFamily)};
    serialFont.setPixelSize(14);
    painter.setFont(serialFont);
    painter.drawText(QRect(5, 0, w, kTitleHeight), Qt::AlignLeft | Qt::AlignVCenter, serialText);
    if (title >= 0) {
        painter.setFont(headingFont);
        painter.setPen(cyan);
        painter.drawText(QRect(0, 0, w, kTitleHeight), Qt::AlignCenter, tableText(title));
    }
    // The letter tells whether the lens optimisation was on at start-up.
    const QString version = QStringLiteral("%1%2").arg(lensOptimisationOn ? QLatin1Char('L') : QLatin1Char('S'))
                                .arg(QLatin1String(programVersion()));
    text(QRect(w - 235, 0, 235, kTitleHeight), 32, Qt::yellow, version);
}

// ---- Page slots ----

void WizardParaWidget::SlotToCommon()
{
    if (currentPage == SystemPage)
        return;
    currentPage = SystemPage;
    DoChangePage();
}

void WizardParaWidget::SlotToCamera()
{
    if (currentPage == CameraPage)
        return;
    currentPage = CameraPage;
    DoChangePage();
}

void WizardParaWidget::SlotToNetwork()
{
    if (appInstance && appInstance->longPressTimer)
        appInstance->longPressTimer->stop();
}

void WizardParaWidget::SlotToIO()
{
    if (currentPage == IOPage || !mainWindow || !mainWindow->checkAdvancedUser())
        return;
    currentPage = IOPage;
    DoChangePage();
}

void WizardParaWidget::SlotToAdvance()
{
    if (currentPage == AdvancedPage || !mainWindow || !mainWindow->checkAdvancedUser())
        return;
    currentPage = AdvancedPage;
    DoChangePage();
}

void WizardParaWidget::SlotChangeSysFun(int index)
{
    m_mouldSideCombo->hide();
    if ((index == 1 || index == 2) && currentPage == IOPage)
        m_mouldSideCombo->show();
}

void WizardParaWidget::SlotTuneCamera()
{
    hide();
}

void WizardParaWidget::SlotShowCustomIONameWidget()
{
    hide();
    if (mainWindow && mainWindow->ioNameDialog)
        mainWindow->ioNameDialog->show();
}

void WizardParaWidget::SlotShowIOWidget()
{
    ioDialog->show();
}

int WizardParaWidget::GetoutSet()
{
    return currentCamera;
}

void WizardParaWidget::color_mode_actived(int)
{
}

void WizardParaWidget::on_checkBox_high_warm_clicked(bool)
{
}

// ---- Camera page ----

CammerWidget* WizardParaWidget::currentView() const
{
    if (!mainWindow || currentCamera < 0 || currentCamera >= MoJuWizard::kCameras)
        return nullptr;
    return mainWindow->cameraViews[currentCamera];
}

void WizardParaWidget::setCameraValue(int firstField, int value, void (CammerWidget::*apply)(bool))
{
    if (!editParams)
        return;
    editParams->setField(firstField + currentCamera, value);
    if (CammerWidget* view = currentView(); view && apply)
        (view->*apply)(true);
}

void WizardParaWidget::SetExposeTime(int v)
{
    setCameraValue(PARAM_FIELD(exposure), v, &CammerWidget::applyExposure);
}

void WizardParaWidget::SetAdjust(int v)
{
    setCameraValue(PARAM_FIELD(gain), v, &CammerWidget::applyGain);
}

void WizardParaWidget::SetSharp(int v)
{
    setCameraValue(PARAM_FIELD(sharpness), v, &CammerWidget::applySharpness);
}

void WizardParaWidget::SetContrast(int v)
{
    setCameraValue(PARAM_FIELD(contrast), v, &CammerWidget::applyContrast);
}

void WizardParaWidget::SetGamma(int v)
{
    setCameraValue(PARAM_FIELD(gamma), v, &CammerWidget::applyGamma);
}

void WizardParaWidget::SetDistance(int v)
{
    setCameraValue(PARAM_FIELD(distance), v, nullptr);
}

void WizardParaWidget::SetTemperature(int v)
{
    setCameraValue(PARAM_FIELD(temperatureRange), v, nullptr);
}

void WizardParaWidget::SetAutoWDR(int state)
{
    if (!editParams)
        return;
    // 0 unchecked, 2 checked; the apply stores 0 or 1.
    editParams->autoWdr = state;
    for (int c = 0; mainWindow && c < cameraCount && c < MoJuWizard::kCameras; ++c)
        if (CammerWidget* view = mainWindow->cameraViews[c])
            view->applyExposure(true);
}

void WizardParaWidget::SetAutoExp(int v)
{
    if (!editParams)
        return;
    editParams->autoExposure = v;
    for (int c = 0; mainWindow && c < cameraCount && c < MoJuWizard::kCameras; ++c)
        if (CammerWidget* view = mainWindow->cameraViews[c])
            view->applyExposure(true);
}

void WizardParaWidget::loadCameraBoxes()
{
    for (int i = 0; i < m_valueBoxes.size(); ++i)
        if (kValueBoxRows[i].perCamera)
            m_valueBoxes[i]->setValue(editParams->field(kValueBoxRows[i].field + currentCamera));
}

void WizardParaWidget::SlotChangeCamera()
{
    if (cameraCount <= 1 || !editParams)
        return;
    currentCamera = currentCamera + 1 >= cameraCount ? 0 : currentCamera + 1;
    if (mainWindow) {
        mainWindow->shownCamera = currentCamera;
        mainWindow->ChangeCammer();
    }
    loadCameraBoxes();
    update();
}

void WizardParaWidget::SlotChangeShowMode()
{
    const bool entering = simpleDisplay == 0;
    simpleDisplay = entering ? 1 : 0;
    showModeButton->setText(tableText(entering ? kTextCompleteDisplay : kTextSimpleDisplay));
    if (entering && mainWindow) {
        mainWindow->shownCamera = currentCamera;
        mainWindow->ChangeCammer();
    }
    DoChangePage();
    if (mainWindow)
        mainWindow->update();
}

void WizardParaWidget::SlotAutoExposeTime()
{
    autoExposeTimer->start(2000);
    if (CammerWidget* view = currentView(); view && view->camera)
        view->camera->autoAdjust(true);
}

void WizardParaWidget::SlotAutoExposeTimeTimeout()
{
    autoExposeTimer->stop();
    CammerWidget* view = currentView();
    if (!view || !view->camera || !editParams)
        return;
    const QJsonObject answer = view->camera->autoAdjust(false);
    const int c = currentCamera;
    // The camera reports microseconds; the record keeps milliseconds.
    if (answer.contains(QStringLiteral("ExposureTime")))
        editParams->exposure[c] = int(answer.value(QStringLiteral("ExposureTime")).toDouble() / 1000.0);
    if (answer.contains(QStringLiteral("Gain")))
        editParams->gain[c] = answer.value(QStringLiteral("Gain")).toInt();
    valueBox(PARAM_FIELD(exposure))->setValue(editParams->exposure[c]);
    valueBox(PARAM_FIELD(gain))->setValue(editParams->gain[c]);
    update();
}

void WizardParaWidget::SlotRestoreDefaultSettings()
{
    tipbox question(2, this, 600, 420);
    question.setText(tableText(kTextRestoreQuestion));
    if (question.exec() != 1)
        return;
    if (CammerWidget* view = currentView())
        view->loadCameraDefaults();
    loadCameraBoxes();
    valueBox(PARAM_FIELD(acquisitionSpeed))->setValue(editParams->acquisitionSpeed);
}
