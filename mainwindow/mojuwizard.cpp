#include "mainwindow/mojuwizard.h"

#include "core/globals.h"
#include "core/platformutils.h"
#include "core/systemparam.h"
#include "io/controlport.h"
#include "widgets/inputbox.h"
#include "widgets/numberinput.h"
#include "widgets/numcharinput.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMutex>
#include <QScreen>
#include <QTimer>

MoJuWizard::MoJuWizard(QWidget* parent)
    : QWidget(parent)
{
    // Everything built below may reach the main window through the global.
    mainWindow = this;

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        screenWidth = screen->geometry().width();
        screenHeight = screen->geometry().height();
    }
    setFixedSize(screenWidth, screenHeight);

    if (initialStationSet)
        station = initialStation;
    curDet = activeParams->productCheckEnabled != 1 ? 1 : 0;

    // The IO board: every output at its rest level from the start, so the clamp stays
    // prohibited until the cycle releases it.
    // main creates the IO mutex before the window; a window built without main (tests) gets
    // it here, since the port publishes its first output word at once.
    if (!ioMutex)
        ioMutex = new QMutex;
    ioComIndex = activeParams->comPort;
    controlPort = new ControlPort(this);

    backlightOff = 0;
    logoutTimer = new QTimer(this);
    connect(logoutTimer, &QTimer::timeout, this, &MoJuWizard::TimerLogout);
    screenOffTimer = new QTimer(this);
    connect(screenOffTimer, &QTimer::timeout, this, &MoJuWizard::TimerLCD);
    if (activeParams->screenOffSeconds > 0)
        screenOffTimer->start(activeParams->screenOffSeconds * 1000);

    // All four panel LEDs dark until the cycle reports its state.
    setPanelLed(3, 1);
    setPanelLed(2, 1);
    setPanelLed(1, 1);
    setPanelLed(0, 1);

    setUpRecords();

    installEventFilter(this);
}

bool MoJuWizard::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        if (gpNumberInput && gpNumberInput->isVisible() && watched != gpNumberInput)
            gpNumberInput->hide();
        if (gpNumCharInput && gpNumCharInput->isVisible() && watched != gpNumCharInput)
            gpNumCharInput->hide();
    }
    return QWidget::eventFilter(watched, event);
}

int MoJuWizard::checkPassword()
{
    if (activeParams->passwordEnabled == 0)
        return 2;
    if (loginLevel != 0)
        return loginLevel;
    // The box writes the level it grants into loginLevel.
    inputbox box(1, nullptr);
    box.exec();
    return loginLevel;
}

bool MoJuWizard::checkAdvancedUser()
{
    if (loginLevel == 2)
        return true;
    inputbox box(1, nullptr);
    box.exec();
    return loginLevel == 2;
}

void MoJuWizard::appendModbusValue(int value)
{
    modbusValues.append(value);
}

void MoJuWizard::TimerLogout()
{
    logoutTimer->stop();
    loginLevel = 0;
}

void MoJuWizard::TimerLCD()
{
    screenOffTimer->stop();
    setScreenPower(false);
}
