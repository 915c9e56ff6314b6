// A camera driver of the tests' own for discovery: each family (identifier) has a list of
// devices by serial number; a bound instance opens unless its serial is marked as failing, and
// records the calls discovery makes on it.
#pragma once

#include "cameras/camerainterface.h"

#include <QByteArray>
#include <QMap>
#include <QSet>
#include <QStringList>

class TestCamera : public CameraInterface {
public:
    // Devices each family finds, by family identifier, in enumeration order.
    static QMap<QString, QList<QByteArray>>& devices()
    {
        static QMap<QString, QList<QByteArray>> map;
        return map;
    }
    // Serials whose open fails.
    static QSet<QByteArray>& failing()
    {
        static QSet<QByteArray> set;
        return set;
    }
    // Every create and open, as "create <sn>" / "open <sn> colour|grey".
    static QStringList& calls()
    {
        static QStringList list;
        return list;
    }
    static void reset()
    {
        devices().clear();
        failing().clear();
        calls().clear();
    }

    explicit TestCamera(const QString& family)
        : m_family(family)
    {
    }

    bool open() override
    {
        const QByteArray sn = infoText(m_info.sn);
        calls() << QStringLiteral("open %1 %2").arg(QString::fromLatin1(sn), m_colour ? "colour" : "grey");
        return !failing().contains(sn);
    }
    void close() override {}
    bool startGrab() override { return true; }
    void stopGrab() override {}
    void release() override {}
    bool reconnect() override { return false; }
    QJsonObject autoAdjust(bool) override { return {}; }
    void setExposureTime(int) override {}
    void setGain(int) override {}
    void setSharpness(int) override {}
    void setContrast(int) override {}
    void setGamma(int) override {}
    void setWdr(bool) override {}
    void whiteBalanceOnce() override {}
    void setAutoExposure(bool) override {}
    void setColorMode(bool colour) override { m_colour = colour; }
    void setViewWidget(QWidget*) override {}
    void setMirror(bool, bool) override {}
    void setFrameRateLevel(int) override {}
    void setDetectConfig(QVariant, int) override {}
    void readValue(QVariant, QVariant*, int) override {}
    bool frameDelta(int* frames) override
    {
        *frames = 0;
        return false;
    }
    void setTrigger(bool) override {}
    void softTrigger() override {}
    bool colorMode() const override { return m_colour; }
    void size(int* width, int* height) const override
    {
        *width = 1920;
        *height = 1080;
    }
    QString iid() const override { return m_family; }
    QString serial() const override { return QString::fromLatin1(infoText(m_info.sn)); }
    bool grabFrame(unsigned char*) override { return false; }
    void loadDefaults(int*, int) override {}
    QList<CameraInfo*> enumerate() override
    {
        QList<CameraInfo*> out;
        const QList<QByteArray> found = devices().value(m_family);
        for (int i = 0; i < found.size(); ++i) {
            auto* record = new CameraInfo;
            record->index = i;
            record->iid = m_family;
            setInfoText(record->sn, found[i]);
            out << record;
        }
        return out;
    }
    int deviceCount() override { return devices().value(m_family).size(); }
    CameraInterface* create(CameraInfo info) override
    {
        calls() << QStringLiteral("create %1").arg(QString::fromLatin1(infoText(info.sn)));
        auto* camera = new TestCamera(m_family);
        camera->m_info = info;
        return camera;
    }
    int cameraType() const override { return CAMERA_VISIBLE; }
    bool isConnected() override { return true; }

private:
    QString m_family;
    bool m_colour = false;
};
