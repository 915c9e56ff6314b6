#include "cameras/simulatecamera.h"

#include <QDateTime>
#include <QFileInfo>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>

#include <algorithm>
#include <cstring>

namespace {
const char* const kIid = "simulatecamera_IID";
// Touched by the demo's operator once the part left in the mould is taken out.
const char* const kTakeOutFile = "take-part-out";
}

SimulateCamera::SimulateCamera(QObject* parent)
    : CameraInterface(parent)
{
}

bool SimulateCamera::open()
{
    m_pixelCount = kWidth * kHeight;
    m_frameLength = m_colour ? 4 * m_pixelCount : m_pixelCount;
    m_frame.assign(static_cast<size_t>(m_frameLength), 0);
    // Before the first capture the camera shows its first stored image (the empty mould of the
    // demo), or black without one. The capture counter is left alone.
    const QString first = storedImagePath(0);
    if (QFileInfo::exists(first))
        loadStoredImage(first);
    m_takeOutSeen = takeOutStamp();
    return true;
}

void SimulateCamera::setColorMode(bool colour)
{
    m_colour = colour;
    m_frameLength = colour ? 4 * m_pixelCount : m_pixelCount;
}

bool SimulateCamera::frameDelta(int* frames)
{
    if (frames)
        *frames = m_framesDelivered;
    m_framesDelivered = 0;
    return true;
}

QString SimulateCamera::storedImagePath(int counter) const
{
    return QStringLiteral("cammer%1/template%2.bmp").arg(m_deviceIndex * 10 + 15).arg(counter);
}

void SimulateCamera::softTrigger()
{
    const QString path = storedImagePath(m_imageCounter);
    m_imageCounter = m_imageCounter == 1 ? 0 : m_imageCounter + 1;

    if (!QFileInfo::exists(path)) {
        qWarning("simulated camera %d: %s is missing", m_deviceIndex, qPrintable(path));
        return;
    }
    loadStoredImage(path);
}

void SimulateCamera::loadStoredImage(const QString& path)
{
    // Decoded straight into the camera's pixel format, so a 24-bit or palette image gives the
    // same picture as an 8-bit grey one.
    const cv::Mat image = cv::imread(path.toLocal8Bit().toStdString(), m_colour ? cv::IMREAD_COLOR : cv::IMREAD_GRAYSCALE);
    if (image.empty()) {
        qWarning("simulated camera %d: cannot load %s", m_deviceIndex, qPrintable(path));
        return;
    }
    if (image.cols != kWidth || image.rows != kHeight) {
        qWarning("simulated camera %d: %s is %d x %d, not %d x %d", m_deviceIndex, qPrintable(path), image.cols,
                 image.rows, kWidth, kHeight);
        return;
    }
    if (m_frame.size() != static_cast<size_t>(m_frameLength))
        return;  // not opened in this mode
    if (m_colour) {
        // Blue, green, red as decoded, then a zero byte.
        cv::Mat frame(kHeight, kWidth, CV_8UC4, m_frame.data());
        const cv::Mat zero(kHeight, kWidth, CV_8UC1, cv::Scalar(0));
        const cv::Mat sources[] = {image, zero};
        const int fromTo[] = {0, 0, 1, 1, 2, 2, 3, 3};
        cv::mixChannels(sources, 2, &frame, 1, fromTo, 4);
    } else {
        cv::Mat frame(kHeight, kWidth, CV_8UC1, m_frame.data());
        image.copyTo(frame);
    }
}

void SimulateCamera::size(int* width, int* height) const
{
    *width = kWidth;
    *height = kHeight;
}

QString SimulateCamera::iid() const
{
    return QString::fromLatin1(kIid);
}

qint64 SimulateCamera::takeOutStamp()
{
    const QFileInfo file(QString::fromLatin1(kTakeOutFile));
    return file.exists() ? file.lastModified().toMSecsSinceEpoch() : -1;
}

bool SimulateCamera::grabFrame(unsigned char* destination)
{
    // The part was taken out: the mould shows its empty cavity until the next capture.
    const qint64 takenOut = takeOutStamp();
    if (takenOut != m_takeOutSeen) {
        m_takeOutSeen = takenOut;
        const QString empty = storedImagePath(0);
        if (takenOut >= 0 && QFileInfo::exists(empty))
            loadStoredImage(empty);
    }
    const size_t bytes = std::min(m_frame.size(), static_cast<size_t>(m_frameLength));
    if (bytes > 0) {
        std::memcpy(destination, m_frame.data(), bytes);
        ++m_framesDelivered;
    }
    return false;
}

QList<CameraInfo*> SimulateCamera::enumerate()
{
    QList<CameraInfo*> devices;
    for (int index = 0; index < 2; ++index) {
        auto* device = new CameraInfo;
        device->index = index;
        device->deviceNo = -1;
        device->iid = iid();
        devices.append(device);
    }
    return devices;
}

CameraInterface* SimulateCamera::create(CameraInfo info)
{
    auto* camera = new SimulateCamera;
    camera->m_info = info;
    camera->m_deviceIndex = info.index;
    camera->m_serial = QString::fromLatin1(infoText(info.sn));
    return camera;
}
