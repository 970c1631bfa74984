#pragma once
// platform::Mp3Decoder: an MP3 image in memory decoded by the system's own
// MP3 codec through the Audio Compression Manager (layer III to 16-bit PCM),
// trimmed by the file's encoder delay and padding and converted to 16-bit
// stereo at the rate asked for (linear interpolation when the rates differ).
//
// One thread at a time; the image must stay allocated while it is decoded.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/win32/mp3_frames.h"

namespace platform {

class Mp3Decoder {
public:
    Mp3Decoder(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}
    ~Mp3Decoder();
    Mp3Decoder(const Mp3Decoder&) = delete;
    Mp3Decoder& operator=(const Mp3Decoder&) = delete;

    // Finds the frames and (re)starts decoding from the image's beginning,
    // output at `rate` Hz (8000..192000). False when the image holds no
    // layer III audio or the system has no decoder for it.
    bool open(int rate);
    // Up to `frames` stereo frames into `out`; fewer only at the end.
    std::size_t read(std::int16_t* out, std::size_t frames);

    const mp3::Layout& layout() const { return frameLayout; }

private:
    void closeCodec();
    bool decodeMore();   // feeds the next frame; false when nothing more comes
    void take(const std::int16_t* pcm, std::size_t samples);

    const std::uint8_t* data;
    std::size_t size;
    mp3::Layout frameLayout;
    int outputRate = 0;

    void* codec = nullptr;               // HACMSTREAM
    void* header = nullptr;              // ACMSTREAMHEADER, prepared on the buffers below
    std::vector<std::uint8_t> source;
    std::vector<std::uint8_t> decoded;
    std::size_t sourceFill = 0;
    std::size_t nextFrame = 0;
    bool started = false;
    bool finished = false;               // no more input will come

    long skip = 0;                        // leading samples per channel still to drop
    long remaining = 0;                   // samples per channel still to keep
    std::vector<std::int16_t> input;      // kept sound at the file's rate, stereo
    std::uint64_t position = 0;           // read position in input frames, 32.32 fixed point
    std::uint64_t step = 0;               // file rate / output rate, 32.32
};

}  // namespace platform
