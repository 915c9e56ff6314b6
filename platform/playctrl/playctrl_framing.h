// The stand-in preview stream: the framing the stand-in camera sends and the stand-in player
// decodes. Not a real video format: a stream header record, then one picture record per picture,
// each picture carried as plain YV12 bytes. All integers little-endian 32-bit.
//   header record:  "SIMH", version (1), width, height                      (16 bytes)
//   picture record: "SIMP", width, height, payload bytes (w*h*3/2), payload (16 + payload bytes)
// A picture record may arrive split over several input blocks.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace playctrl_framing {

constexpr unsigned kHeaderBytes = 16;
constexpr unsigned kRecordHeadBytes = 16;
constexpr char kHeaderMagic[4] = {'S', 'I', 'M', 'H'};
constexpr char kPictureMagic[4] = {'S', 'I', 'M', 'P'};

inline void putU32(unsigned char* at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<unsigned char>(value >> (8 * i));
}

inline uint32_t getU32(const unsigned char* at)
{
    return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}

// Bytes of a YV12 picture of w x h.
inline std::size_t yv12Bytes(int w, int h)
{
    return static_cast<std::size_t>(w) * h + 2 * (static_cast<std::size_t>(w / 2) * (h / 2));
}

inline std::vector<unsigned char> streamHeader(int width, int height)
{
    std::vector<unsigned char> out(kHeaderBytes);
    std::memcpy(out.data(), kHeaderMagic, 4);
    putU32(out.data() + 4, 1);
    putU32(out.data() + 8, static_cast<uint32_t>(width));
    putU32(out.data() + 12, static_cast<uint32_t>(height));
    return out;
}

inline std::vector<unsigned char> pictureRecord(int width, int height, const unsigned char* yv12)
{
    const std::size_t payload = yv12Bytes(width, height);
    std::vector<unsigned char> out(kRecordHeadBytes + payload);
    std::memcpy(out.data(), kPictureMagic, 4);
    putU32(out.data() + 4, static_cast<uint32_t>(width));
    putU32(out.data() + 8, static_cast<uint32_t>(height));
    putU32(out.data() + 12, static_cast<uint32_t>(payload));
    std::memcpy(out.data() + kRecordHeadBytes, yv12, payload);
    return out;
}

}  // namespace playctrl_framing
