#include "settings/systemparamdialog.h"

#include "core/globals.h"
#include "core/parametermanager.h"
#include "core/platformutils.h"
#include "core/shellrunner.h"
#include "core/systemparam.h"
#include "core/version.h"
#include "mainwindow/mojuwizard.h"
#include "settings/advanceparamwidget.h"
#include "settings/cameraparamwidget.h"
#include "settings/inputoutputparamwidget.h"
#include "settings/paramapply.h"
#include "settings/paramchangelog.h"
#include "settings/recordwidget.h"
#include "settings/systemparamwidget.h"
#include "widgets/datetimewidget.h"
#include "widgets/dialogstyle.h"
#include "widgets/edit.h"
#include "widgets/numberkeypad.h"
#include "widgets/textfit.h"
#include "widgets/tipbox.h"
#include "widgets/warnbox.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

namespace {

// Room for the confirm button's caption: its 120 pixels less a margin of 10 at each side.
constexpr int kConfirmRoom = 100;
constexpr int kSmallestConfirmPixels = 20;

constexpr int kDialogWidth = 1800;
constexpr int kDialogHeight = 950;

constexpr int kTextNoAlgorithm = 232;
constexpr int kTextSaveQuestion = 234;
constexpr int kTextParamFileError = 160;
constexpr int kTextPowerOffQuestion = 291;
constexpr int kTextPowerOffLog = 292;
constexpr int kTextRestartQuestion = 293;

}  // namespace

SystemParamDialog::SystemParamDialog(QWidget* parent) : CComp_DialogFrame(tr("参数设置"), parent)
{
    setObjectName(QStringLiteral("systemParamDialog"));
    setFixedSize(kDialogWidth, kDialogHeight);

    // Title bar: title, stretch, version, stretch, OK.
    m_versionLabel = new QLabel(QString::fromLatin1(programVersion()), titleBar());
    m_versionLabel->setObjectName(QStringLiteral("labVersion"));
    m_versionLabel->setFixedHeight(60);
    titleLayout()->removeWidget(okButton());
    titleLayout()->addWidget(m_versionLabel);
    titleLayout()->addStretch();
    titleLayout()->addWidget(okButton());

    m_tabWidget = new QTabWidget(contentWidget());
    m_tabWidget->setObjectName(QStringLiteral("tabWidget"));
    m_tabWidget->setMinimumWidth(kDialogWidth - 20);
    auto contentLayout = new QHBoxLayout(contentWidget());
    contentLayout->setContentsMargins(8, 0, 8, 0);
    contentLayout->addWidget(m_tabWidget);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::CustomizeWindowHint);
    connect(m_tabWidget, &QTabWidget::currentChanged, this, &SystemParamDialog::currentTabChanged);

    if (mainWindow)
        move(mainWindow->width() / 2 - width() / 2, mainWindow->height() / 2 - height() / 2);

    createTabs();
    applyDialogStyle(this, QString());
    applyDialogStyle(m_tabWidget, QString());
    // The confirm button keeps its 120 pixels; a caption wider than that ("Confirm" at 32 pixels)
    // takes a smaller font.
    fitButtonCaption(okButton(), kConfirmRoom, kSmallestConfirmPixels);
    // Only now: the camera page's own switch into the complete display during its construction
    // leaves the dialog as it is.
    connect(m_cameraPage, &CameraParamWidget::showModeChange, this, &SystemParamDialog::showModeChange);
}

SystemParamDialog::~SystemParamDialog()
{
    qInfo("Close System Param Setting Widget");
}

void SystemParamDialog::createTabs()
{
    struct Page {
        TabParamWidget* widget;
        QString title;
    };
    const Page pages[] = {
        {new SystemParamWidget(this), tr("系统参数")},
        {m_cameraPage = new CameraParamWidget(this), tr("相机参数")},
        {new InputOutputParamWidget(this), tr("输入输出")},
        {new AdvanceParamWidget(this), tr("高级参数")},
        {new RecordWidget(this), tr("操作记录")},
    };
    for (const Page& page : pages) {
        m_pages.append(page.widget);
        m_tabWidget->addTab(page.widget, page.title);
    }
    m_tabWidget->setUsesScrollButtons(false);
    m_tabWidget->setTabsClosable(false);
    m_tabWidget->setMovable(false);
    for (TabParamWidget* page : m_pages)
        page->loadParam();
}

void SystemParamDialog::saveAllTabs()
{
    for (TabParamWidget* page : m_pages)
        page->saveParam();
}

void SystemParamDialog::acceptDialog()
{
    saveAllTabs();
    applyParams();
    closeKeypad();
    if (mainWindow && mainWindow->currentEdit && mainWindow->currentEdit->hasFocus()) {
        mainWindow->currentEdit->clearFocus();
        mainWindow->currentEdit = nullptr;
    }
    QDialog::accept();
}

void SystemParamDialog::closeKeypad()
{
    if (gpNumKeyPad) {
        qInfo("gpNumKeyPad is close");
        gpNumKeyPad->close();
        gpNumKeyPad = nullptr;
    }
}

void SystemParamDialog::declineChanges()
{
    ParamApply::restoreLiveCameraValues(*activeParams, *editParams);
    *editParams = *activeParams;
}

void SystemParamDialog::applyParams()
{
    tipbox question(2, this, 600, 420);
    Warnbox warning(this);
    auto warn = [&warning](const QString& text) {
        warning.setText(text);
        warning.exec();
    };

    // Refused by a check: nothing is saved, and what the camera page tried live goes back.
    if (!ParamApply::algorithmsEnabled(*editParams)) {
        warn(tableText(kTextNoAlgorithm));
        declineChanges();
        return;
    }
    if (!ParamApply::anyCameraEnabled(*editParams, cameraCount)) {
        warn(tr("所有相机均未启用，请重新确认要启用的相机"));
        declineChanges();
        return;
    }

    if (*editParams != *activeParams) {
        question.setText(tableText(kTextSaveQuestion));
        if (question.exec() != 1) {
            declineChanges();
        } else {
            const QString logLine = ParamChangeLog::line(*activeParams, *editParams);
            ParamApply::deriveMachineType(*editParams);
            const SystemParam before = *activeParams;
            *activeParams = *editParams;
            // The change is logged and acted on only once it is stored: a record the database
            // refused would come back at the next start.
            if (!SystemParam::saveSysParams(*activeParams, ParameterManager::instance()->queryIn)) {
                qWarning("system parameters not saved; the previous record stays active");
                *activeParams = before;
                declineChanges();
                warn(tableText(kTextParamFileError));
            } else {
                if (mainWindow)
                    mainWindow->InsertRecord(logLine);
                ParamApply::reapply(before, *activeParams);
                ParamApply::showRestartNotices(before, *activeParams, warning);
            }
        }
    }
    ParamApply::repaintCameraViews();
}

void SystemParamDialog::powerOff()
{
    // The dialog closes in the middle: the box belongs to no window.
    tipbox question(2, nullptr, 600, 420);
    question.setText(tableText(kTextPowerOffQuestion));
    if (question.exec() != 1)
        return;
    acceptDialog();
    SystemParam::saveSysParams(*activeParams, ParameterManager::instance()->queryIn);
    if (mainWindow)
        mainWindow->InsertRecord(tableText(kTextPowerOffLog));
    stopAndWait();
    if (mainWindow)
        mainWindow->FLushAll();
    question.setText(tableText(kTextRestartQuestion));
    if (question.exec() == 1)
        ShellRunner::run(QStringLiteral("reboot"), {});
    else
        ShellRunner::run(QStringLiteral("init"), {QStringLiteral("0")});
}

void SystemParamDialog::showModeChange(int simple)
{
    if (simple) {
        setTransparentTabStyle(this, m_tabWidget);
    } else {
        setAttribute(Qt::WA_TranslucentBackground, false);
        applyDialogStyle(this, QString());
        applyDialogStyle(m_tabWidget, QString());
    }
}

void SystemParamDialog::currentTabChanged(int)
{
}

bool SystemParamDialog::event(QEvent* e)
{
    if (e->type() == QEvent::MouseButtonPress) {
        closeKeypad();
        if (mainWindow && mainWindow->currentEdit) {
            mainWindow->currentEdit->clearFocus();
            mainWindow->currentEdit = nullptr;
        }
        if (openRangePicker) {
            openRangePicker->close();
            openRangePicker = nullptr;
        }
    }
    return CComp_DialogFrame::event(e);
}
