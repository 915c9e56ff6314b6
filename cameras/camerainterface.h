// The abstract camera that every driver implements: its operations in their fixed order and the
// device record the instance is bound to. Frames are polled, never pushed: a driver's SDK
// callback copies the newest frame into the driver's buffer under the driver's frame mutex, and
// the GUI thread takes it with grabFrame.
#pragma once

#include "cameras/camerainfo.h"

#include <QJsonObject>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QVariant>

class QWidget;

// The kind of a camera, as cameraType reports it.
enum CAMERA_TYPE : qint32 {
    CAMERA_SIMULATED = 0,
    CAMERA_VISIBLE = 1,  // an ordinary image camera
    CAMERA_THERMAL = 2,
};
Q_DECLARE_METATYPE(CAMERA_TYPE)

// Registers CAMERA_TYPE with the meta-type system under the name "CAMERA_TYPE" (once; every
// camera's constructor calls it) and returns its id.
int registerCameraTypeMetaType();

// Frame format: width x height pixels, rows top to bottom without padding. Grey mode: one byte
// per pixel. Colour mode: four bytes per pixel, blue, green, red, 0. The mode is chosen with
// setColorMode before open.
//
// Instances are never deleted while the program runs. A prototype (the default constructor) is
// used only for enumerate, iid and create; create makes a bound instance with its own frame
// mutex. Every operation is called from the GUI thread. A driver with nothing to do for an
// operation does nothing and returns false, 0 or an empty object.
class CameraInterface : public QObject {
    Q_OBJECT

public:
    explicit CameraInterface(QObject* parent = nullptr);

    // Connects to the bound device, reads the image size, sets the SDK output format for the
    // colour mode, registers the callbacks and allocates the buffers; false when it cannot.
    virtual bool open() = 0;
    virtual void close() = 0;
    // Starts acquisition; false when the device is not usable.
    virtual bool startGrab() = 0;
    virtual void stopGrab() = 0;
    // stopGrab, then close: used when the camera is found lost.
    virtual void release() = 0;
    // Finds the device again, opens it and starts grabbing; the result is also the connected flag.
    virtual bool reconnect() = 0;
    // Starts (on) or ends (off) an automatic adjustment; on ending reports
    // {"ExposureTime": microseconds, "Gain": SDK gain}; empty where the driver has none.
    virtual QJsonObject autoAdjust(bool on) = 0;
    virtual void setExposureTime(int milliseconds) = 0;
    virtual void setGain(int level) = 0;       // 0..64
    virtual void setSharpness(int level) = 0;  // 0..100
    virtual void setContrast(int level) = 0;   // 0..200
    virtual void setGamma(int level) = 0;      // 0..250
    virtual void setWdr(bool on) = 0;
    virtual void whiteBalanceOnce() = 0;
    virtual void setAutoExposure(bool on) = 0;
    // Colour (32-bit) or grey (8-bit) frames; must precede open, never while grabbing.
    virtual void setColorMode(bool colour) = 0;
    virtual void setViewWidget(QWidget* widget) = 0;
    virtual void setMirror(bool horizontal, bool vertical) = 0;
    // 0 = full rate; what a higher level means is the driver's.
    virtual void setFrameRateLevel(int level) = 0;
    // `config` holds a pointer to the active region set; thermal drivers build their
    // measurements from it, the others discard it.
    virtual void setDetectConfig(QVariant config, int flag) = 0;
    // `request` is {"detect": d, "funcNO": region}; thermal drivers store the region's
    // temperature into `result`, the others leave it untouched.
    virtual void readValue(QVariant request, QVariant* result, int flag) = 0;
    // Frames received since the previous call into *frames; true when that is not 0.
    virtual bool frameDelta(int* frames) = 0;
    virtual void setTrigger(bool on) = 0;
    // Software capture (only the simulated camera acts).
    virtual void softTrigger() = 0;
    virtual bool colorMode() const = 0;
    virtual void size(int* width, int* height) const = 0;
    // The driver family's identifier.
    virtual QString iid() const = 0;
    // The bound serial text (network cameras: the address).
    virtual QString serial() const = 0;
    // Copies the newest frame, once, into `destination` (which holds at least one frame) and
    // returns true; without a new frame leaves it untouched and returns false.
    virtual bool grabFrame(unsigned char* destination) = 0;
    // Reloads the camera's factory parameters and writes the resulting levels into the
    // exposure, gain, sharpness, contrast and gamma fields of camera slot `camera` of the
    // parameter record `params` (fields a driver lacks stay unchanged).
    virtual void loadDefaults(int* params, int camera) = 0;
    // The devices of this family the SDK finds now; each record a separate heap copy that the
    // receiver owns.
    virtual QList<CameraInfo*> enumerate() = 0;
    virtual int deviceCount() = 0;
    // A new instance of the same driver bound to `info`, or null; the receiver owns it.
    virtual CameraInterface* create(CameraInfo info) = 0;
    // A CAMERA_TYPE value.
    virtual int cameraType() const = 0;
    virtual bool isConnected() = 0;
    // Copy of the bound record.
    virtual CameraInfo info() const;

signals:
    // Declared for every driver; none emits it.
    void sigCaptureCompleted(unsigned char* frame);

protected:
    // The device this instance is bound to; a prototype's has index and deviceNo -1 and empty
    // iid and kind.
    CameraInfo m_info;
};
