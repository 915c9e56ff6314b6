#include "io/ioserialline.h"

#include "core/globals.h"
#include "io/ioframe.h"

#include <glog/logging.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

IOSerialLine::~IOSerialLine()
{
    close();
}

bool IOSerialLine::open(const QString& device)
{
    close();
    const QByteArray path = device.toLocal8Bit();
    // Non-blocking: open must not wait for a carrier, and reads only ever take what is waiting.
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        LOG(ERROR) << "IO board: cannot open " << path.constData() << ": " << std::strerror(errno);
        return false;
    }
    termios tio {};
    if (tcgetattr(fd, &tio) != 0) {
        LOG(ERROR) << "IO board: " << path.constData() << " is not a serial line: " << std::strerror(errno);
        ::close(fd);
        return false;
    }
    cfmakeraw(&tio);
    tio.c_cflag &= ~(CSTOPB | PARENB | CRTSCTS | CSIZE);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, B115200);
    cfsetospeed(&tio, B115200);
    if (tcsetattr(fd, TCSANOW, &tio) != 0) {
        LOG(ERROR) << "IO board: cannot set up " << path.constData() << ": " << std::strerror(errno);
        ::close(fd);
        return false;
    }
    tcflush(fd, TCIOFLUSH);
    m_fd = fd;
    m_device = device;
    LOG(INFO) << "IO board: " << path.constData() << " open at 115200 8N1";
    return true;
}

void IOSerialLine::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

int IOSerialLine::bytesWaiting() const
{
    int n = 0;
    if (m_fd < 0 || ioctl(m_fd, FIONREAD, &n) != 0)
        return 0;
    return n;
}

int IOSerialLine::read(quint8* buffer, int max)
{
    if (m_fd < 0 || max <= 0)
        return 0;
    const ssize_t n = ::read(m_fd, buffer, size_t(max));
    return n > 0 ? int(n) : 0;
}

bool IOSerialLine::write(const quint8* bytes, int n)
{
    if (m_fd < 0)
        return false;
    int done = 0;
    bool waited = false;
    while (done < n) {
        const ssize_t w = ::write(m_fd, bytes + done, size_t(n - done));
        if (w > 0) {
            done += int(w);
            continue;
        }
        if (w < 0 && errno == EINTR)
            continue;
        if (w < 0 && errno != EAGAIN)
            return false;
        // Driver queue full: wait once, at most 1 ms, for room.
        if (waited)
            return false;
        waited = true;
        pollfd p { m_fd, POLLOUT, 0 };
        if (poll(&p, 1, 1) <= 0)
            return false;
    }
    return true;
}

bool IOSerialLine::writeIOFrame(int command, quint32 value)
{
    const HostFrame frame = makeHostFrame(command, value);
    return write(frame.data(), int(frame.size()));
}

QString ioSerialDeviceName(int comIndex)
{
    const QByteArray env = qgetenv("MONITOR_SERIAL_PORT");
    if (!env.isEmpty())
        return QString::fromLocal8Bit(env);
    return QStringLiteral("/dev/ttyS%1").arg(comIndex);
}

bool openIOSerialPort()
{
    if (!ioSerialPort)
        ioSerialPort = new IOSerialLine;
    const QString device = ioSerialDeviceName(ioComIndex);
    LOG(INFO) << "IO board on port COM" << ioComIndex + 1 << " (" << device.toStdString() << ")";
    return ioSerialPort->open(device);
}
