// Test main shared by every test binary: one QApplication for the process and a fresh temporary
// working directory for every test, so tests never see each other's files.
#include "tests/support/modalanswer.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <glog/logging.h>

#include <memory>

#ifdef MONITOR_TEST_WITH_APPLICATION_OBJECT
#include "core/globals.h"
#include "core/mapplication.h"
#endif

namespace {

class FreshWorkingDirectory : public ::testing::EmptyTestEventListener {
public:
    void OnTestStart(const ::testing::TestInfo&) override
    {
        m_previous = QDir::currentPath();
        m_dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/monitor-test-XXXXXX"));
        if (m_dir->isValid())
            QDir::setCurrent(m_dir->path());
    }
    void OnTestEnd(const ::testing::TestInfo& info) override
    {
        // Still inside the test: a failure added here is the test's.
        for (const QString& box : ModalAnswer::endOfTest())
            ADD_FAILURE() << "never came: " << box.toStdString();
        QDir::setCurrent(m_previous);
        // A failed test keeps its directory for a look afterwards.
        if (info.result() && info.result()->Failed() && m_dir)
            m_dir->setAutoRemove(false);
        m_dir.reset();
    }

private:
    QString m_previous;
    std::unique_ptr<QTemporaryDir> m_dir;
};

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    qputenv("MONITOR_DRY_RUN", "1");
    // Whatever builds the IO board port (the main window does) must never reach a real serial
    // port; the IO tests point this at their own pseudo-terminal.
    if (qgetenv("MONITOR_SERIAL_PORT").isEmpty())
        qputenv("MONITOR_SERIAL_PORT", "/nonexistent/io-board");
    // Camera discovery (the main window runs it) looks for REST thermal cameras on the plant's
    // network; tests keep every probe on this machine, at a port where nothing listens.
    if (qgetenv("MONITOR_FOTRIC_ADDRESSES").isEmpty())
        qputenv("MONITOR_FOTRIC_ADDRESSES", "127.0.0.1:1");
    // No test run as root may write into the panel PC's install folder or onto a mounted disk:
    // tests that need them set scratch folders of their own.
    if (qgetenv("MONITOR_INSTALL_DIR").isEmpty())
        qputenv("MONITOR_INSTALL_DIR", "/nonexistent/install-folder");
    if (qgetenv("MONITOR_USB_MOUNT").isEmpty())
        qputenv("MONITOR_USB_MOUNT", "/nonexistent/usb-mount");
    // The version library reads the update server's listings: a closed local port unless a test
    // starts its own server; and backups of the install folder go nowhere that exists.
    if (qgetenv("MONITOR_UPDATE_SERVER").isEmpty())
        qputenv("MONITOR_UPDATE_SERVER", "127.0.0.1:1");
    if (qgetenv("MONITOR_BACKUP_DIR").isEmpty())
        qputenv("MONITOR_BACKUP_DIR", "/nonexistent/backup");
    google::InitGoogleLogging(argv[0]);
    FLAGS_logtostderr = false;
    FLAGS_minloglevel = 2;
#ifdef MONITOR_TEST_WITH_APPLICATION_OBJECT
    // A binary built with its own copy of this main runs under the monitor's application object,
    // so every event of its tests passes the monitor's notify.
    MApplication app(argc, argv);
    appInstance = &app;
#else
    QApplication app(argc, argv);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshWorkingDirectory);
    return RUN_ALL_TESTS();
}
