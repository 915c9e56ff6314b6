// The record of one enumerated camera device, as a driver's enumeration reports it and as a
// driver instance is bound to it.
#pragma once

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstring>

struct CameraInfo {
    // Position of the device in its driver family's device list; -1 for the network thermal camera.
    int index = -1;
    // Running device number of the network thermal camera; -1 for every other driver.
    int deviceNo = -1;
    // Identifier of the driver family that found the device ("hikcamera_IID", ...).
    QString iid;
    // Serial number, NUL-terminated; network cameras put their address here. Camera ordering
    // compares this text.
    char sn[64] = {};
    // Network address of a network camera, NUL-terminated; empty for the others.
    char address[129] = {};
    // Channel kind of the network thermal camera ("IRCamera" or "RGBCamera"); empty otherwise.
    QString kind;
};

// Copies `text` into a fixed text field of a record: at most N - 1 bytes, the rest NUL.
template <std::size_t N>
void setInfoText(char (&field)[N], const QByteArray& text)
{
    const std::size_t length = std::min<std::size_t>(static_cast<std::size_t>(text.size()), N - 1);
    std::memset(field, 0, N);
    std::memcpy(field, text.constData(), length);
}

// The text of a fixed field up to its NUL (or its whole size when it holds none).
template <std::size_t N>
QByteArray infoText(const char (&field)[N])
{
    std::size_t length = 0;
    while (length < N && field[length] != '\0')
        ++length;
    return QByteArray(field, static_cast<int>(length));
}
