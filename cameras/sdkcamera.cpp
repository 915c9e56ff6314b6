#include "cameras/sdkcamera.h"

SdkCamera::SdkCamera(QObject* parent)
    : CameraInterface(parent)
{
}

SdkCamera::~SdkCamera() = default;

void SdkCamera::bind(const CameraInfo& info)
{
    m_info = info;
    m_serial = QString::fromLatin1(infoText(info.sn));
    m_deviceIndex = info.index;
    m_frames = std::make_unique<FrameSlot>();
}

void SdkCamera::allocateFrames(int width, int height)
{
    m_width = width;
    m_height = height;
    m_pixelCount = width * height;
    m_frameLength = m_colour ? 4 * m_pixelCount : m_pixelCount;
    if (m_frames)
        m_frames->allocate(static_cast<std::size_t>(m_frameLength));
}

bool SdkCamera::openAndStart()
{
    m_connected = false;
    const bool opened = open();
    const bool started = opened && startGrab();
    if (!started) {
        // An open device that does not stream would stay held (exclusive open) and every later
        // open would fail: give it back.
        release();
    }
    m_connected = started;
    return started;
}

bool SdkCamera::frameDelta(int* frames)
{
    if (!m_frames) {
        *frames = 0;
        return false;
    }
    return m_frames->frameDelta(frames);
}

void SdkCamera::size(int* width, int* height) const
{
    *width = m_width;
    *height = m_height;
}

bool SdkCamera::grabFrame(unsigned char* destination)
{
    return m_frames && m_frames->take(destination);
}
