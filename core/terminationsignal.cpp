#include "core/terminationsignal.h"

#include <QSocketNotifier>
#include <QtGlobal>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// [0] is written by the signal handler, [1] read by the GUI thread.
int g_sockets[2] = {-1, -1};

std::function<void()>& closer()
{
    static std::function<void()> close;
    return close;
}

void onSigterm(int)
{
    const int saved = errno;
    const char byte = 1;
    // Nothing more is safe in a signal handler; a full socket means one is pending already.
    [[maybe_unused]] const ssize_t written = ::write(g_sockets[0], &byte, 1);
    errno = saved;
}

void endInOrder()
{
    static bool ending = false;
    if (ending)
        return;  // a second SIGTERM while the stores close
    ending = true;
    qInfo("SIGTERM received: the monitor ends");
    if (closer())
        closer()();
    std::exit(0);
}

}  // namespace

namespace TerminationSignal {

void install()
{
    if (g_sockets[0] < 0) {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, g_sockets) != 0) {
            qWarning("no orderly end on SIGTERM: socketpair failed");
            return;
        }
        auto notifier = new QSocketNotifier(g_sockets[1], QSocketNotifier::Read);
        QObject::connect(notifier, &QSocketNotifier::activated, [] {
            char byte = 0;
            while (::read(g_sockets[1], &byte, 1) > 0) {
            }
            endInOrder();
        });
    }
    struct sigaction action {};
    action.sa_handler = onSigterm;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
}

void setCloser(std::function<void()> closeStores)
{
    closer() = std::move(closeStores);
}

}  // namespace TerminationSignal
