#pragma once
// MP3 encoding with libmp3lame. The file starts with the LAME/Xing tag
// frame (written after encoding, over the frame reserved for it), so
// decoders know the encoder delay and padding and return exactly the
// samples that went in.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace gen {

struct Mp3Settings {
    int sampleRate = 44100;   // Hz
    int channels = 2;         // 1 or 2
    int bitrate = 192;        // kbit/s, constant bit rate
    int quality = 2;          // LAME algorithm quality, 0 best .. 9 fastest
};

// Streams PCM into an MP3 file. Use: open, write any number of times,
// finish. A failed call leaves the reason in error(); the file is removed
// unless finish() succeeds.
class Mp3Writer {
public:
    Mp3Writer() = default;
    ~Mp3Writer();
    Mp3Writer(const Mp3Writer&) = delete;
    Mp3Writer& operator=(const Mp3Writer&) = delete;

    bool open(const std::string& path, const Mp3Settings& settings);
    // frames: sample frames; samples interleaved when stereo.
    bool write(const std::int16_t* samples, std::size_t frames);
    bool finish();
    const std::string& error() const { return message; }

private:
    bool failWith(const std::string& reason);
    bool flushBuffer(int bytes);

    void* lame = nullptr;   // lame_global_flags*
    std::FILE* file = nullptr;
    std::string path;
    Mp3Settings settings;
    std::vector<unsigned char> buffer;
    std::string message;
};

// One-call form: the whole interleaved PCM buffer to `path`.
bool writeMp3(const std::string& path, const std::int16_t* samples, std::size_t frames,
              const Mp3Settings& settings, std::string* error);

}  // namespace gen
