#include "records/saveimagequeue.h"

#include "core/globals.h"
#include "records/saveimagelock.h"

#include <QImage>

#include <glog/logging.h>

#include <cstring>
#include <deque>

namespace {

constexpr int kCameras = 8;
constexpr int kDetects = 8;
constexpr int kSlots = 2;
// Records allowed to wait per camera and detect. The thread writes one every 200 ms to 1 s, a
// machine cycle takes seconds, so only a stalled disk fills this; each record is up to two
// full frames in 32-bit colour.
constexpr size_t kMaxWaiting = 8;

struct BufferSize {
    int width = 0;
    int height = 0;
};

// Size of the picture in saveImageBuffers, and the queues; guarded by saveImageMutex.
BufferSize bufferSizes[kCameras][kDetects][kSlots];
std::deque<PendingPictures> queues[kCameras][kDetects];

bool inRange(int camera, int detect)
{
    return camera >= 0 && camera < kCameras && detect >= 0 && detect < kDetects;
}

bool inRange(int camera, int detect, int slot)
{
    return inRange(camera, detect) && slot >= 0 && slot < kSlots;
}

// Under the lock: the flags show which slots some waiting record holds.
void updateFlags(int camera, int detect)
{
    for (int s = 0; s < kSlots; ++s) {
        bool waiting = false;
        for (const PendingPictures& record : queues[camera][detect])
            waiting = waiting || record.pictures[s] != nullptr;
        saveImageFlags[camera][detect][s] = waiting ? 1 : 0;
    }
}

// Under the lock: the slot buffer's picture leaves the buffer; null when there is none.
std::unique_ptr<unsigned char[]> takeBuffer(int camera, int detect, int slot, BufferSize* size)
{
    std::unique_ptr<unsigned char[]> picture(saveImageBuffers[camera][detect][slot]);
    saveImageBuffers[camera][detect][slot] = nullptr;
    *size = bufferSizes[camera][detect][slot];
    bufferSizes[camera][detect][slot] = BufferSize();
    if (size->width <= 0 || size->height <= 0)
        picture.reset();
    return picture;
}

}  // namespace

void storeResultPicture(int camera, int detect, int slot, const QImage& picture)
{
    if (!inRange(camera, detect, slot) || picture.isNull())
        return;
    const QImage rgb = picture.format() == QImage::Format_RGB32 ? picture : picture.convertToFormat(QImage::Format_RGB32);
    const int width = rgb.width();
    const int height = rgb.height();
    const size_t rowBytes = size_t(width) * 4;
    SaveImageLock lock;
    unsigned char*& buffer = saveImageBuffers[camera][detect][slot];
    BufferSize& size = bufferSizes[camera][detect][slot];
    if (buffer && (size.width != width || size.height != height)) {
        delete[] buffer;
        buffer = nullptr;
    }
    if (!buffer)
        buffer = new unsigned char[rowBytes * size_t(height)];
    size.width = width;
    size.height = height;
    // Row by row: an image's rows may carry padding, the buffer's rows are packed.
    for (int y = 0; y < height; ++y)
        std::memcpy(buffer + rowBytes * size_t(y), rgb.constScanLine(y), rowBytes);
}

QImage copyResultPicture(int camera, int detect, int slot)
{
    if (!inRange(camera, detect, slot))
        return QImage();
    SaveImageLock lock;
    const unsigned char* buffer = saveImageBuffers[camera][detect][slot];
    const BufferSize size = bufferSizes[camera][detect][slot];
    if (!buffer || size.width <= 0 || size.height <= 0)
        return QImage();
    return QImage(buffer, size.width, size.height, size.width * 4, QImage::Format_RGB32).copy();
}

void noteFirstNgRegion(int camera, int detect, int region)
{
    if (!inRange(camera, detect))
        return;
    SaveImageLock lock;
    if (firstNgRegion[camera][detect] == 0)
        firstNgRegion[camera][detect] = region;
}

void flagResultPictures(int camera, int detect, bool ngPicture, bool okPicture)
{
    if (!inRange(camera, detect) || (!ngPicture && !okPicture))
        return;
    SaveImageLock lock;
    std::deque<PendingPictures>& queue = queues[camera][detect];
    // A newer OK picture alone replaces an OK picture alone that still waits.
    if (!ngPicture && !queue.empty() && !queue.back().pictures[0] && saveImageBuffers[camera][detect][1]) {
        PendingPictures& waiting = queue.back();
        BufferSize size;
        waiting.pictures[1] = takeBuffer(camera, detect, 1, &size);
        waiting.width = size.width;
        waiting.height = size.height;
        updateFlags(camera, detect);
        return;
    }
    if (queue.size() >= kMaxWaiting) {
        LOG(WARNING) << "result pictures of camera " << camera + 1 << " detect " << detect + 1
                     << " not saved: " << queue.size() << " records still wait for the disk";
        return;
    }
    PendingPictures record;
    const bool wanted[kSlots] = {ngPicture, okPicture};
    for (int s = 0; s < kSlots; ++s) {
        if (!wanted[s])
            continue;
        BufferSize size;
        std::unique_ptr<unsigned char[]> picture = takeBuffer(camera, detect, s, &size);
        if (!picture)
            continue;
        // Both pictures of a pair were rendered from the same camera.
        record.width = size.width;
        record.height = size.height;
        record.pictures[s] = std::move(picture);
    }
    if (!record.pictures[0] && !record.pictures[1])
        return;
    if (ngPicture) {
        record.firstNgRegion = firstNgRegion[camera][detect];
        firstNgRegion[camera][detect] = 0;
    }
    queue.push_back(std::move(record));
    updateFlags(camera, detect);
}

bool takePendingPictures(int camera, int detect, PendingPictures* record)
{
    if (!inRange(camera, detect))
        return false;
    SaveImageLock lock;
    std::deque<PendingPictures>& queue = queues[camera][detect];
    if (queue.empty())
        return false;
    *record = std::move(queue.front());
    queue.pop_front();
    updateFlags(camera, detect);
    return true;
}

int pendingPictureCount(int camera, int detect)
{
    if (!inRange(camera, detect))
        return 0;
    SaveImageLock lock;
    return int(queues[camera][detect].size());
}

void clearResultPictures()
{
    SaveImageLock lock;
    for (int c = 0; c < kCameras; ++c) {
        for (int d = 0; d < kDetects; ++d) {
            queues[c][d].clear();
            firstNgRegion[c][d] = 0;
            for (int s = 0; s < kSlots; ++s) {
                delete[] saveImageBuffers[c][d][s];
                saveImageBuffers[c][d][s] = nullptr;
                bufferSizes[c][d][s] = BufferSize();
                saveImageFlags[c][d][s] = 0;
            }
        }
    }
}
