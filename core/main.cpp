// Process entry: brings the monitor up in its fixed start-up order and runs the event loop.
// Everything created here lives until the process ends; the one orderly end is on SIGTERM.
#include "core/dryrunrestart.h"
#include "core/globals.h"
#include "core/gpiosetup.h"
#include "core/logmanager.h"
#include "core/mapplication.h"
#include "core/parametermanager.h"
#include "core/startup.h"
#include "core/systemparam.h"
#include "core/terminationsignal.h"
#include "core/texttable.h"
#include "core/version.h"
#include "io/controlport.h"
#include "mainwindow/mojuwizard.h"
#include "mainwindow/taskmanager.h"
#include "records/temperaturechartdata.h"

#include <QList>
#include <QLoggingCategory>
#include <QMetaType>
#include <QMutex>
#include <QTextCodec>

int main(int argc, char** argv)
{
    // Before the application object takes its options out of argv.
    DryRunRestart::install(argc, argv);

    QLoggingCategory* category = QLoggingCategory::defaultCategory();
    category->setEnabled(QtDebugMsg, true);
    category->setEnabled(QtInfoMsg, true);

    appInstance = new MApplication(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("mould-monitor"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(programVersion()));
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
    // ModbusServer::sigWriteChange(QList<int>) may be connected queued.
    qRegisterMetaType<QList<int>>("QList<int>");

    // From here on Qt messages reach the log files. glog's failure handler counts SIGTERM as a
    // crash: the system's shutdown ends the program in order instead.
    new LogManager;
    TerminationSignal::install();
    TaskManager* task = TaskManager::instance(nullptr);
    qInfo("%s %s release", "mould-monitor", programVersion());

    setupGpio();

    ioMutex = new QMutex;
    saveImageMutex = new QMutex;

    // Before the parameters: loading takes the default IO captions from the table.
    fillTextTable();

    ParameterManager* params = ParameterManager::instance();
    params->loadParams();
    activeParams = params->active;
    editParams = params->edit;

    installTranslator(appInstance);
    installQtTranslator(appInstance);
    loadSharedPixmaps();

    TemperatureChartData* results = TemperatureChartData::instance();
    results->init();

    mainWindow = new MoJuWizard;
    TerminationSignal::setCloser([] {
        mainWindow->closeCameras();
        mainWindow->FLushAll();
    });
    results->setRecordInterval(activeParams->temperatureRecordMinutes);

    // The main window made the IO port and has the board polled since; from here on the IO thread
    // also sends the outputs and hands input changes to the cycle.
    if (controlPort)
        controlPort->startIOThread();

    mainWindow->showFullScreen();
    task->start();
    return appInstance->exec();
}
