#pragma once
// The layer III frames of an MP3 image, found without decoding: where each
// audio frame lies, the stream's format, and the encoder delay and padding
// that a LAME (or compatible) info frame gives, so that the decoded sound can
// be trimmed to what was encoded.
//
// Every offset and length is checked against the bytes present: a frame that
// does not fit is not listed, and junk between frames is skipped as a
// decoder resyncs past it. Layers I and II are not MP3s and give no frames.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform::mp3 {

struct FrameHeader {
    int version = 0;           // 10 (MPEG-1), 20 (MPEG-2) or 25 (MPEG-2.5)
    int rate = 0;              // Hz
    int channels = 0;          // 1 or 2
    int bitrate = 0;           // bit/s
    bool crc = false;          // 16-bit CRC after the header
    std::size_t length = 0;    // whole frame in bytes, header included
    int samples = 0;           // per channel: 1152 (MPEG-1) or 576
};

// A layer III header at `p` (free-format bitrates are not accepted).
bool parseHeader(const std::uint8_t* p, std::size_t available, FrameHeader& header);

struct Frame {
    std::size_t offset;
    std::size_t length;
};

struct Layout {
    FrameHeader first;                // the first audio frame's header
    std::vector<Frame> frames;        // audio frames; an info frame is not one
    bool gapless = false;             // delay and padding come from the file
    long encoderDelay = 0;            // samples per channel
    long encoderPadding = 0;

    // Samples per channel the decoder gives for all frames.
    long decodedSamples() const { return long(frames.size()) * first.samples; }
    // Leading samples of the decoder's output to drop: the encoder's delay
    // plus the layer III synthesis delay of 529 samples.
    long leadingSamples() const { return gapless ? encoderDelay + 529 : 0; }
    // Samples per channel that remain after trimming.
    long length() const;
};

// False when the image holds no layer III frame.
bool readLayout(const std::uint8_t* data, std::size_t size, Layout& layout);

}  // namespace platform::mp3
