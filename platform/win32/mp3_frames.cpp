#include "platform/win32/mp3_frames.h"

#include <cstring>

namespace platform::mp3 {

namespace {

// kbit/s by bitrate index, for MPEG-1 and for MPEG-2/2.5 layer III.
const int bitrates[2][16] = {
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
};
const int rates[3] = {44100, 48000, 32000};

// Same stream: a frame of another version, rate or channel count is junk.
bool sameStream(const FrameHeader& a, const FrameHeader& b) {
    return a.version == b.version && a.rate == b.rate && a.channels == b.channels;
}

bool fits(const FrameHeader& header, std::size_t at, std::size_t size) {
    return header.length <= size - at;
}

// A header whose frame fits and is followed by the end of the image or by
// another header of the same stream: a chance sync pattern rarely is.
bool startsStream(const std::uint8_t* data, std::size_t size, std::size_t at, FrameHeader& header) {
    if (!parseHeader(data + at, size - at, header) || !fits(header, at, size)) return false;
    std::size_t next = at + header.length;
    if (next == size) return true;
    FrameHeader following;
    return parseHeader(data + next, size - next, following) && sameStream(header, following);
}

std::size_t id3v2Length(const std::uint8_t* data, std::size_t size) {
    if (size < 10 || std::memcmp(data, "ID3", 3) != 0) return 0;
    for (int i = 6; i < 10; ++i)
        if (data[i] & 0x80) return 0;
    std::size_t length = 10 + (std::size_t(data[6]) << 21 | std::size_t(data[7]) << 14 |
                               std::size_t(data[8]) << 7 | std::size_t(data[9]));
    if (data[5] & 0x10) length += 10;   // footer
    return length <= size ? length : 0;
}

std::uint32_t bigEndian32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

// An info frame ("Xing" or "Info") in the first frame; reads the LAME
// extension's delay and padding when there is one.
bool readInfoFrame(const std::uint8_t* frame, const FrameHeader& header, Layout& layout) {
    const std::size_t sideInfo = header.version == 10 ? (header.channels == 1 ? 17 : 32)
                                                      : (header.channels == 1 ? 9 : 17);
    std::size_t at = 4 + (header.crc ? 2 : 0) + sideInfo;
    if (at + 8 > header.length) return false;
    if (std::memcmp(frame + at, "Xing", 4) != 0 && std::memcmp(frame + at, "Info", 4) != 0) return false;
    const std::uint32_t flags = bigEndian32(frame + at + 4);
    std::size_t extension = at + 8;
    if (flags & 1) extension += 4;     // frame count
    if (flags & 2) extension += 4;     // byte count
    if (flags & 4) extension += 100;   // seek table
    if (flags & 8) extension += 4;     // quality
    if (extension + 24 <= header.length) {
        const std::uint8_t* lame = frame + extension;
        bool named = true;
        for (int i = 0; i < 4; ++i) named = named && ((lame[i] >= 'A' && lame[i] <= 'Z') || (lame[i] >= 'a' && lame[i] <= 'z'));
        if (named) {
            layout.gapless = true;
            layout.encoderDelay = long(lame[21]) << 4 | long(lame[22] >> 4);
            layout.encoderPadding = long(lame[22] & 0x0F) << 8 | long(lame[23]);
        }
    }
    return true;
}

}  // namespace

bool parseHeader(const std::uint8_t* p, std::size_t available, FrameHeader& header) {
    if (available < 4 || p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return false;
    const int versionBits = (p[1] >> 3) & 3, layerBits = (p[1] >> 1) & 3;
    const int bitrateIndex = p[2] >> 4, rateIndex = (p[2] >> 2) & 3;
    if (versionBits == 1 || layerBits != 1 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) return false;
    header.version = versionBits == 3 ? 10 : versionBits == 2 ? 20 : 25;
    const bool mpeg1 = header.version == 10;
    header.rate = rates[rateIndex] / (mpeg1 ? 1 : header.version == 20 ? 2 : 4);
    header.channels = (p[3] >> 6) == 3 ? 1 : 2;
    header.bitrate = bitrates[mpeg1 ? 0 : 1][bitrateIndex] * 1000;
    header.crc = (p[1] & 1) == 0;
    header.samples = mpeg1 ? 1152 : 576;
    header.length = std::size_t((mpeg1 ? 144 : 72) * header.bitrate / header.rate + ((p[2] >> 1) & 1));
    return true;
}

long Layout::length() const {
    long samples = decodedSamples();
    if (gapless) samples -= encoderDelay + encoderPadding;
    return samples > 0 ? samples : 0;
}

bool readLayout(const std::uint8_t* data, std::size_t size, Layout& layout) {
    layout = Layout();
    if (!data) return false;
    std::size_t at = id3v2Length(data, size);
    FrameHeader header;
    while (at < size && !startsStream(data, size, at, header)) ++at;
    if (at >= size) return false;

    // An info frame belongs to the stream but holds no sound.
    if (readInfoFrame(data + at, header, layout)) at += header.length;
    while (at < size) {
        FrameHeader next;
        if (parseHeader(data + at, size - at, next) && fits(next, at, size) && sameStream(header, next)) {
            layout.frames.push_back(Frame{at, next.length});
            at += next.length;
        } else {
            ++at;   // junk: resync on the next header of this stream
        }
    }
    if (layout.frames.empty()) return false;
    layout.first = header;
    return true;
}

}  // namespace platform::mp3
