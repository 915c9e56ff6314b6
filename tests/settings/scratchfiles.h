// Files of the settings tests' scratch folders: reading and writing them, listing a tree with its
// contents, and a USB disk faked on a scratch mount point (blkid's answer through the dry-run
// responder and a mount table of our own).
#pragma once

#include "core/platformutils.h"
#include "core/shellrunner.h"

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

inline QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// Every file below `folder`, relative to it, with its content.
inline QStringList tree(const QString& folder)
{
    QStringList entries;
    const QDir root(QFileInfo(folder).absoluteFilePath());
    std::function<void(const QString&)> walk = [&](const QString& path) {
        for (const QFileInfo& info : QDir(path).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
            if (info.isDir())
                walk(info.absoluteFilePath());
            else
                entries << root.relativeFilePath(info.absoluteFilePath()) + QLatin1Char('=')
                        + QString::fromLatin1(fileBytes(info.absoluteFilePath()));
        }
    };
    walk(root.path());
    return entries;
}

// blkid finds a USB partition and the mount table (./mounts) shows it on `mountPoint`. The test
// resets the responder and the mount table when it ends.
inline void plugUsbDisk(const QString& mountPoint)
{
    writeFile(QStringLiteral("mounts"), "/dev/sdb1 " + mountPoint.toLocal8Bit() + " vfat rw 0 0\n");
    setMountsTable(QDir::current().filePath(QStringLiteral("mounts")));
    ShellRunner::setDryRunResponder([](const QString& line) {
        ShellResult r;
        r.started = r.finished = true;
        r.exitCode = 0;
        if (line.endsWith(QLatin1String("blkid")))
            r.output = "/dev/sda1: TYPE=\"ext4\"\n/dev/sdb1: TYPE=\"vfat\"\n";
        return r;
    });
}

// The working directory's entries but sysadd.txt (where a backup keeps the group index).
inline QStringList workingDirListing()
{
    QStringList entries = QDir::current().entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    entries.removeAll(QStringLiteral("sysadd.txt"));
    return entries;
}

// Group names typed by an operator: those that cannot name a direct child of the group store are
// refused; names special only to a shell become literal folder names.
struct HostileGroupName {
    const char* name;
    bool refused;
};
inline constexpr HostileGroupName kHostileGroupNames[] = {
    {"", true},    {".", true},    {"..", true},         {"../x", true},
    {"a/b", true}, {"a\tb", true}, {"a;touch P", false}, {"$(id)", false},
};

// While it lives, chooses `path` in every file dialog that opens: typed into the name field as an
// operator would (selectFile leaves a focused field alone), then the dialog's own accept checks it.
class FilePicker {
public:
    explicit FilePicker(const QString& path)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [path]() {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto files = qobject_cast<QFileDialog*>(w); files && files->isVisible()) {
                    if (auto name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                        name->setText(path);
                    QMetaObject::invokeMethod(files, "accept");
                }
        });
        m_timer.start(10);
    }

private:
    QTimer m_timer;
};
