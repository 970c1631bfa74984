#include "tools/generate/mp3_writer.h"

#include <lame/lame.h>

#include <algorithm>

namespace gen {
namespace {

lame_global_flags* flags(void* handle) { return static_cast<lame_global_flags*>(handle); }

constexpr std::size_t chunkFrames = 8192;

}  // namespace

Mp3Writer::~Mp3Writer() {
    if (file) {
        std::fclose(file);
        std::remove(path.c_str());
    }
    if (lame) lame_close(flags(lame));
}

bool Mp3Writer::failWith(const std::string& reason) {
    message = path + ": " + reason;
    if (file) {
        std::fclose(file);
        file = nullptr;
        std::remove(path.c_str());
    }
    if (lame) {
        lame_close(flags(lame));
        lame = nullptr;
    }
    return false;
}

bool Mp3Writer::open(const std::string& target, const Mp3Settings& wanted) {
    path = target;
    settings = wanted;
    if (settings.channels != 1 && settings.channels != 2) return failWith("channels must be 1 or 2");
    lame = lame_init();
    if (!lame) return failWith("lame_init failed");
    lame_set_in_samplerate(flags(lame), settings.sampleRate);
    lame_set_out_samplerate(flags(lame), settings.sampleRate);
    lame_set_num_channels(flags(lame), settings.channels);
    lame_set_mode(flags(lame), settings.channels == 1 ? MONO : JOINT_STEREO);
    lame_set_brate(flags(lame), settings.bitrate);
    lame_set_VBR(flags(lame), vbr_off);
    lame_set_quality(flags(lame), settings.quality);
    lame_set_bWriteVbrTag(flags(lame), 1);
    if (lame_init_params(flags(lame)) < 0) return failWith("unsupported MP3 settings");
    file = std::fopen(path.c_str(), "wb");
    if (!file) return failWith("cannot create file");
    return true;
}

bool Mp3Writer::flushBuffer(int bytes) {
    if (bytes < 0) return failWith("encoder error " + std::to_string(bytes));
    if (bytes > 0 && std::fwrite(buffer.data(), 1, static_cast<std::size_t>(bytes), file) !=
                         static_cast<std::size_t>(bytes))
        return failWith("write failed");
    return true;
}

bool Mp3Writer::write(const std::int16_t* samples, std::size_t frames) {
    if (!lame || !file) return failWith("not open");
    while (frames > 0) {
        const std::size_t count = std::min(frames, chunkFrames);
        // LAME's worst case: 1.25 * samples + 7200 bytes.
        buffer.resize(count * 5 / 4 + 7200);
        int bytes;
        if (settings.channels == 2) {
            bytes = lame_encode_buffer_interleaved(flags(lame), const_cast<short*>(samples),
                                                   static_cast<int>(count), buffer.data(),
                                                   static_cast<int>(buffer.size()));
        } else {
            bytes = lame_encode_buffer(flags(lame), samples, samples, static_cast<int>(count),
                                       buffer.data(), static_cast<int>(buffer.size()));
        }
        if (!flushBuffer(bytes)) return false;
        samples += count * static_cast<std::size_t>(settings.channels);
        frames -= count;
    }
    return true;
}

bool Mp3Writer::finish() {
    if (!lame || !file) return failWith("not open");
    buffer.resize(7200);
    if (!flushBuffer(lame_encode_flush(flags(lame), buffer.data(), static_cast<int>(buffer.size()))))
        return false;
    // The tag frame goes over the empty frame LAME reserved at the start.
    buffer.resize(2880);
    std::size_t tagBytes = lame_get_lametag_frame(flags(lame), buffer.data(), buffer.size());
    if (tagBytes == 0 || tagBytes > buffer.size()) return failWith("no LAME tag frame");
    if (std::fseek(file, 0, SEEK_SET) != 0 || std::fwrite(buffer.data(), 1, tagBytes, file) != tagBytes)
        return failWith("write failed");
    const bool closed = std::fclose(file) == 0;
    file = nullptr;
    lame_close(flags(lame));
    lame = nullptr;
    if (!closed) {
        std::remove(path.c_str());
        message = path + ": write failed";
        return false;
    }
    return true;
}

bool writeMp3(const std::string& path, const std::int16_t* samples, std::size_t frames,
              const Mp3Settings& settings, std::string* error) {
    Mp3Writer writer;
    if (writer.open(path, settings) && writer.write(samples, frames) && writer.finish()) return true;
    if (error) *error = writer.error();
    return false;
}

}  // namespace gen
