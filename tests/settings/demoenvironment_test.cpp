// The demo runs on a workstation: what it sets for the folders that an update writes into.
#include <QDir>
#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

TEST(DemoEnvironment, InstallAndBackupFoldersLieInTheDemoFolder)
{
    // The script's exports of the two folders, evaluated for a demo folder of its own choice.
    const QString script = QStringLiteral(MONITOR_SOURCE_DIR "/scripts/run-demo.sh");
    QProcess bash;
    bash.start(QStringLiteral("bash"),
               {QStringLiteral("-c"),
                QStringLiteral("set -eu; demo=/tmp/some-demo; eval \"$(grep -E '^ *export MONITOR_(INSTALL|BACKUP)_DIR=' \"$1\")\"; "
                               "echo \"$MONITOR_INSTALL_DIR\"; echo \"$MONITOR_BACKUP_DIR\""),
                QStringLiteral("bash"), script});
    ASSERT_TRUE(bash.waitForFinished(10000));
    ASSERT_EQ(bash.exitCode(), 0) << bash.readAllStandardError().toStdString();
    const QStringList folders = QString::fromUtf8(bash.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(folders.size(), 2);
    for (const QString& folder : folders) {
        const QString clean = QDir::cleanPath(folder);
        EXPECT_TRUE(clean == QLatin1String("/tmp/some-demo") || clean.startsWith(QLatin1String("/tmp/some-demo/")))
            << folder.toStdString();
    }
}

}  // namespace
