// The serial line to the IO board: 115200 baud, 8N1, no flow control, polled without an event
// loop. Opened once in the GUI thread before the IO thread starts; from then on only the IO thread
// reads and writes it.
#pragma once

#include <QString>

class IOSerialLine {
public:
    IOSerialLine() = default;
    ~IOSerialLine();
    IOSerialLine(const IOSerialLine&) = delete;
    IOSerialLine& operator=(const IOSerialLine&) = delete;

    // Opens `device` for reading and writing in raw mode at 115200 8N1 without flow control.
    // Closes a line already open first. False (and logged) when the device cannot be opened or set.
    bool open(const QString& device);
    void close();
    bool isOpen() const { return m_fd >= 0; }
    QString device() const { return m_device; }

    // Bytes waiting in the driver's receive queue; 0 when closed or on error.
    int bytesWaiting() const;
    // Reads at most `max` waiting bytes without blocking; the number read, 0 when none or on error.
    int read(quint8* buffer, int max);
    // Writes `n` bytes, waiting at most 1 ms for room in the driver's queue; false when not all of
    // them went out.
    bool write(const quint8* bytes, int n);
    // Sends one host frame (command, 16-bit value) in one write; the result is not needed by the
    // protocol, which recovers through the output echo.
    bool writeIOFrame(int command, quint32 value);

private:
    int m_fd = -1;
    QString m_device;
};

// Device of port "COM<comIndex + 1>": /dev/ttyS<comIndex>, or the device named by the environment
// variable MONITOR_SERIAL_PORT when it is set.
QString ioSerialDeviceName(int comIndex);

// Opens the process-wide `ioSerialPort` (created on first use) on the port of `ioComIndex`.
// Called by the IO port's constructor in the GUI thread. False when the line is not open.
bool openIOSerialPort();
