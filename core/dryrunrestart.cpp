#include "core/dryrunrestart.h"

#include "core/shellrunner.h"

#include <QCoreApplication>
#include <QFile>

#include <glog/logging.h>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::string>& savedArguments()
{
    static std::vector<std::string> arguments;
    return arguments;
}

std::string& savedDirectory()
{
    static std::string directory;
    return directory;
}

// Every descriptor above standard error closes with the exec: the new process opens the serial
// port, the Modbus port and the display connection again, as after a reboot.
void closeDescriptorsOnExec()
{
    DIR* dir = opendir("/proc/self/fd");
    if (!dir)
        return;
    const int own = dirfd(dir);
    while (dirent* entry = readdir(dir)) {
        char* end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0' || fd <= 2 || fd == own)
            continue;
        const int flags = fcntl(int(fd), F_GETFD);
        if (flags >= 0)
            fcntl(int(fd), F_SETFD, flags | FD_CLOEXEC);
    }
    closedir(dir);
}

void restartInPlace()
{
    const QString program = QCoreApplication::instance() ? QCoreApplication::applicationFilePath() : QString();
    const std::string path = program.isEmpty() ? std::string("/proc/self/exe") : std::string(QFile::encodeName(program));
    qInfo("dry run: the program restarts in place (%s)", path.c_str());
    google::FlushLogFiles(google::GLOG_INFO);
    std::fflush(nullptr);

    const std::string& directory = savedDirectory();
    if (!directory.empty() && chdir(directory.c_str()) != 0)
        qWarning("dry run: cannot return to %s: %s", directory.c_str(), std::strerror(errno));
    std::vector<char*> argv;
    for (std::string& argument : savedArguments())
        argv.push_back(&argument[0]);
    if (argv.empty())
        argv.push_back(const_cast<char*>(path.c_str()));
    argv.push_back(nullptr);
    closeDescriptorsOnExec();
    execv(path.c_str(), argv.data());
    // Only reached when the exec failed. The program has let go of its cameras, ports and
    // PARAM.db for the restart: it ends, as the real restart would have ended it.
    const int error = errno;
    qCritical("dry run: the restart in place failed (%s); the program ends", std::strerror(error));
    google::FlushLogFiles(google::GLOG_INFO);
    std::fflush(nullptr);
    ::_exit(EXIT_FAILURE);
}

}  // namespace

namespace DryRunRestart {

void install(int argc, char** argv)
{
    savedArguments().assign(argv, argv + argc);
    char* directory = getcwd(nullptr, 0);
    if (directory) {
        savedDirectory() = directory;
        std::free(directory);
    }
    if (!ShellRunner::isDryRun())
        return;
    ShellRunner::setDryRunEndHandler([](ShellRunner::ProcessEnd end) {
        if (end == ShellRunner::ProcessEnd::Restart)
            restartInPlace();
    });
}

}  // namespace DryRunRestart
