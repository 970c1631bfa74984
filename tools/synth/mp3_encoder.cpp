#include "tools/synth/mp3_encoder.h"

#include "tools/synth/oscillator.h"

#include <lame/lame.h>

#include <cstdio>
#include <memory>

namespace synth {

namespace {

constexpr int kBitrate = 192;  // kbit/s
constexpr int kQuality = 5;    // LAME's 0 (slowest) .. 9; 5 is its usual default
constexpr int kChunkFrames = 8192;

struct LameDeleter {
    void operator()(lame_global_flags* flags) const { lame_close(flags); }
};

bool fail(std::string* error, const std::string& text) {
    if (error) *error = text;
    return false;
}

}  // namespace

bool encodeMp3(const std::vector<float>& samples, const std::string& path, std::string* error,
               const std::function<void(double)>& progress) {
    if (samples.size() % 2 != 0) return fail(error, "odd number of stereo samples");
    // LAME would write a file of padding only, which decoders refuse.
    if (samples.empty()) return fail(error, "no samples to encode");
    std::unique_ptr<lame_global_flags, LameDeleter> lame(lame_init());
    if (!lame) return fail(error, "cannot start the MP3 encoder");
    lame_global_flags* gf = lame.get();
    lame_set_in_samplerate(gf, kSampleRate);
    lame_set_out_samplerate(gf, kSampleRate);
    lame_set_num_channels(gf, 2);
    lame_set_mode(gf, JOINT_STEREO);
    lame_set_VBR(gf, vbr_off);
    lame_set_brate(gf, kBitrate);
    lame_set_quality(gf, kQuality);
    lame_set_bWriteVbrTag(gf, 1);
    lame_set_write_id3tag_automatic(gf, 0);
    if (lame_init_params(gf) < 0) return fail(error, "the MP3 encoder refused its settings");

    const size_t frames = samples.size() / 2;
    std::vector<unsigned char> mp3;
    mp3.reserve(frames / kSampleRate * (kBitrate * 1000 / 8) + 65536);
    std::vector<unsigned char> chunk(static_cast<size_t>(1.25 * kChunkFrames) + 7200);
    int reported = -1;
    for (size_t done = 0; done < frames;) {
        const int n = static_cast<int>(std::min<size_t>(kChunkFrames, frames - done));
        const int bytes = lame_encode_buffer_interleaved_ieee_float(
            gf, samples.data() + 2 * done, n, chunk.data(), static_cast<int>(chunk.size()));
        if (bytes < 0) return fail(error, "MP3 encoding failed (" + std::to_string(bytes) + ")");
        mp3.insert(mp3.end(), chunk.begin(), chunk.begin() + bytes);
        done += static_cast<size_t>(n);
        const int percent = static_cast<int>(100.0 * done / frames);
        if (progress && percent != reported) {
            reported = percent;
            progress(percent / 100.0);
        }
    }
    const int tail = lame_encode_flush(gf, chunk.data(), static_cast<int>(chunk.size()));
    if (tail < 0) return fail(error, "MP3 encoding failed at the end (" + std::to_string(tail) + ")");
    mp3.insert(mp3.end(), chunk.begin(), chunk.begin() + tail);

    // The encoder left room for the info frame at the start; it can only be
    // filled in now that the length is known.
    unsigned char tag[8192];
    const size_t tagBytes = lame_get_lametag_frame(gf, tag, sizeof tag);
    if (tagBytes == 0 || tagBytes > sizeof tag || tagBytes > mp3.size())
        return fail(error, "the MP3 encoder gave no info frame");
    std::copy(tag, tag + tagBytes, mp3.begin());
    if (progress && reported != 100) progress(1.0);

    const std::string temporary = path + ".part";
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) return fail(error, "cannot write " + temporary);
    const bool written = std::fwrite(mp3.data(), 1, mp3.size(), file) == mp3.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::remove(temporary.c_str());
        return fail(error, "cannot write " + temporary);
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return fail(error, "cannot rename " + temporary + " to " + path);
    }
    return true;
}

}  // namespace synth
