// Hands annotated result pictures from the camera views and the cycle to the image-save thread.
// A rendering goes into the buffer of its camera, detect and slot (0 NG, 1 OK picture); when the
// cycle records it, the picture leaves the buffer for the queue of its camera and detect, so a
// later rendering can never overwrite a picture that still waits to be written. Every function
// takes saveImageMutex itself; the GUI thread renders and records, the image-save thread takes.
#pragma once

#include <memory>

class QImage;

// Copies `picture` (converted to 32-bit RGB when it is not) into the buffer of (camera, detect,
// slot), whatever that buffer held; the buffer is made or resized to the picture's size.
void storeResultPicture(int camera, int detect, int slot, const QImage& picture);
// A copy of the picture in the buffer of (camera, detect, slot); a null image when none is there.
QImage copyResultPicture(int camera, int detect, int slot);
// The first NG region (1-based) of the NG pictures rendered since the last NG record: stored
// when none is noted yet.
void noteFirstNgRegion(int camera, int detect, int region);

// Records the rendered pictures of (camera, detect) for writing: the NG picture, the OK picture
// or both (a picture and the re-checked OK picture that cleared its alarm, written as a pair into
// the NG folder). An NG record takes the first-NG-region number with it and clears it. Records
// queue behind the ones still waiting; only a waiting OK picture of its own is replaced by a
// newer one. A slot without a rendered picture adds nothing. Raises saveImageFlags.
void flagResultPictures(int camera, int detect, bool ngPicture, bool okPicture);

// One record waiting to be written: its pictures (index 0 NG, 1 OK; null when not part of it),
// their size and the number that prefixes their file names (0 none).
struct PendingPictures {
    std::unique_ptr<unsigned char[]> pictures[2];
    int width = 0;
    int height = 0;
    int firstNgRegion = 0;
};

// Takes the oldest waiting record of (camera, detect); false when none waits. The pending flags
// then show what still waits.
bool takePendingPictures(int camera, int detect, PendingPictures* record);
// Records waiting for (camera, detect).
int pendingPictureCount(int camera, int detect);
// Drops every rendered and waiting picture and clears the flags and numbers.
void clearResultPictures();
