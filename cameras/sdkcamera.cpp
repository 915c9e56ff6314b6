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

bool SdkCamera::allocateFrames(long long width, long long height)
{
    if (width < 1 || height < 1 || width > kMaxFrameSide || height > kMaxFrameSide ||
        width * height > kMaxFramePixels) {
        qWarning("camera %s refused: it reports an image of %lld x %lld pixels (usable: 1 to %lld a side, at most "
                 "%lld pixels)",
                 qPrintable(m_serial), width, height, kMaxFrameSide, kMaxFramePixels);
        return false;
    }
    m_width = static_cast<int>(width);
    m_height = static_cast<int>(height);
    m_pixelCount = m_width * m_height;
    m_frameLength = m_colour ? 4 * m_pixelCount : m_pixelCount;
    if (m_frames)
        m_frames->allocate(static_cast<std::size_t>(m_frameLength));
    return true;
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
