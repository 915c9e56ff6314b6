// Fixture of the network thermal camera tests: virtual devices of the SDK stand-in with the
// records the driver reads, cameras bound to them, and helpers to read back what was written.
#pragma once

#include "cameras/camerainfo.h"
#include "cameras/hikir/hikircamera.h"
#include "core/globals.h"
#include "core/systemparam.h"
#include "platform/hcnetsdk/hcnetsdk.h"
#include "platform/hcnetsdk/hcnetsdk_testcontrol.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QThread>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

using Bytes = std::vector<unsigned char>;

template <typename T>
T fieldOf(const Bytes& record, std::size_t at)
{
    T value{};
    std::memcpy(&value, record.data() + at, sizeof value);
    return value;
}

template <typename T>
void setFieldOf(Bytes& record, std::size_t at, T value)
{
    std::memcpy(record.data() + at, &value, sizeof value);
}

// A record of `size` bytes filled with a recognisable pattern (byte i = i * 7 + seed).
inline Bytes patterned(unsigned size, int seed)
{
    Bytes out(size);
    for (unsigned i = 0; i < size; ++i)
        out[i] = static_cast<unsigned char>(i * 7 + static_cast<unsigned>(seed));
    return out;
}

// A YV12 picture of w x h with a gradient in every plane.
inline Bytes gradientPicture(int w, int h, int seed)
{
    Bytes out(static_cast<std::size_t>(w) * h * 3 / 2);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<unsigned char>((i * 13 + static_cast<unsigned>(seed) * 31 + i / static_cast<unsigned>(w)) & 0xFF);
    return out;
}

class HikIRTest : public ::testing::Test {
protected:
    static constexpr int kResolution640x480 = 16;

    void SetUp() override
    {
        HCSim_Reset();
        m_initialised = false;
        m_savedParams = activeParams;
        activeParams = &m_params;
    }

    void TearDown() override
    {
        for (HikIRCamera* camera : m_cameras) {
            camera->close();
            delete camera;
        }
        m_cameras.clear();
        HCSim_Reset();
        activeParams = m_savedParams;
    }

    // A device at `address` answering the driver's credentials, with the records the driver
    // reads: channel information, image, stream configuration (resolution `code`), and on its
    // thermal channel the thermometry records.
    int addDevice(const char* address, const char* serial, int channels, unsigned code = kResolution640x480,
                  const char* password = "wqmz5817")
    {
        const int device = HCSim_AddDevice(address, serial, "admin", password, channels);
        Bytes info(132, 0);
        info[124] = static_cast<unsigned char>(channels);
        HCSim_SetRecord(device, 100, 1, info.data(), 132);
        for (int ch = 1; ch <= channels; ++ch) {
            const Bytes image = patterned(492, ch);
            HCSim_SetRecord(device, 3368, ch, image.data(), 492);
            Bytes stream(116, 0);
            stream[9] = static_cast<unsigned char>(code);
            HCSim_SetRecord(device, 3216, ch, stream.data(), 116);
        }
        const int thermal = channels;
        const Bytes basic = patterned(136, 3);
        HCSim_SetRecord(device, 3621, thermal, basic.data(), 136);
        const Bytes mode = patterned(76, 4);
        HCSim_SetRecord(device, 3305, thermal, mode.data(), 76);
        const Bytes alarm = patterned(7752, 5);
        HCSim_SetRecord(device, 1002, thermal, alarm.data(), 7752);
        Bytes rules = patterned(8168, 6);
        HCSim_SetRecord(device, 3624, thermal, rules.data(), 8168);
        return device;
    }

    static CameraInfo record(const char* address, const char* serial, const char* kind)
    {
        CameraInfo info;
        info.index = -1;
        info.deviceNo = 0;
        info.iid = QStringLiteral("hikircamera_IID");
        info.kind = QString::fromLatin1(kind);
        setInfoText(info.sn, serial);
        setInfoText(info.address, address);
        return info;
    }

    // A camera bound to the device at `address`, through a prototype's create, colour mode set;
    // closed and deleted by the fixture.
    HikIRCamera* camera(const char* address, const char* kind = "IRCamera", bool colour = false, int slot = 0)
    {
        if (!m_initialised) {
            NET_DVR_Init();
            m_initialised = true;
        }
        HikIRCamera prototype;
        auto* made = static_cast<HikIRCamera*>(prototype.create(record(address, "SN", kind)));
        made->setCameraSlot(slot);
        made->setColorMode(colour);
        m_cameras.push_back(made);
        return made;
    }

    static Bytes written(int device, unsigned command, int channel, unsigned size)
    {
        Bytes out(size, 0);
        const int n = HCSim_GetRecord(device, command, channel, out.data(), size);
        if (n < 0)
            return {};
        out.resize(static_cast<std::size_t>(n));
        return out;
    }

    static Bytes condition(int device, unsigned command, int channel, unsigned size)
    {
        Bytes out(size, 0);
        const int n = HCSim_GetCondition(device, command, channel, out.data(), size);
        if (n < 0)
            return {};
        out.resize(static_cast<std::size_t>(n));
        return out;
    }

    static QStringList calls()
    {
        const int n = HCSim_CallLog(nullptr, 0);
        std::vector<char> text(static_cast<std::size_t>(n) + 1);
        HCSim_CallLog(text.data(), n + 1);
        return QString::fromUtf8(text.data()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    static QStringList callsStartingWith(const QString& prefix)
    {
        return calls().filter(QRegularExpression(QStringLiteral("^") + QRegularExpression::escape(prefix)));
    }

    static int userOf(int device)
    {
        int users[4] = {-1, -1, -1, -1};
        return HCSim_UsersOf(device, users, 4) >= 1 ? users[0] : -1;
    }

    // Waits up to `ms` for `done`, letting the other threads run.
    static bool waitFor(const std::function<bool()>& done, int ms = 5000)
    {
        QElapsedTimer timer;
        timer.start();
        while (!done()) {
            if (timer.elapsed() > ms)
                return false;
            QThread::msleep(5);
        }
        return true;
    }

    SystemParam m_params;
    SystemParam* m_savedParams = nullptr;
    std::vector<HikIRCamera*> m_cameras;
    bool m_initialised = false;
};
