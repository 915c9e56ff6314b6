// A pseudo-terminal pair made by socat for tests of serial protocols: bytes written to one end
// come out of the other. The pair lives until the object is destroyed.
#pragma once

#include <QString>

#include <memory>

class QProcess;
class QTemporaryDir;

class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    // Starts socat and waits (up to `timeoutMs`) until both ends exist.
    bool start(int timeoutMs = 10000);
    // The host's end (what the program opens) and the device's end (what the simulator opens).
    QString hostEnd() const { return m_hostEnd; }
    QString deviceEnd() const { return m_deviceEnd; }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QProcess> m_socat;
    QString m_hostEnd;
    QString m_deviceEnd;
};
