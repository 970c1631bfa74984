#pragma once
// MP3 images for the sound tests: 440 Hz left, 660 Hz right (cosine, so the
// first sample is loud) encoded by LAME, with its tag frame written over the
// first frame so that decoders trim the encoder delay and padding: the
// decoded length is the encoded one.
#include <lame/lame.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace testsupport {

inline std::vector<std::uint8_t> encodeMp3(int frames, int rate = 44100, int channels = 2) {
    std::vector<std::int16_t> left(frames), right(frames);
    for (int i = 0; i < frames; ++i) {
        left[i] = static_cast<std::int16_t>(12000.0 * std::cos(2.0 * M_PI * 440.0 * i / rate));
        right[i] = channels == 1 ? left[i] : static_cast<std::int16_t>(12000.0 * std::cos(2.0 * M_PI * 660.0 * i / rate));
    }
    lame_global_flags* lame = lame_init();
    lame_set_in_samplerate(lame, rate);
    lame_set_out_samplerate(lame, rate);
    lame_set_num_channels(lame, channels);
    lame_set_mode(lame, channels == 1 ? MONO : JOINT_STEREO);
    lame_set_brate(lame, 128);
    lame_set_quality(lame, 7);
    lame_set_bWriteVbrTag(lame, 1);
    lame_init_params(lame);
    std::vector<std::uint8_t> out(static_cast<std::size_t>(frames) * 5 / 4 + 16384);
    int n = lame_encode_buffer(lame, left.data(), right.data(), frames, out.data(), static_cast<int>(out.size()));
    int m = lame_encode_flush(lame, out.data() + n, static_cast<int>(out.size()) - n);
    out.resize(static_cast<std::size_t>(n + m));
    unsigned char tag[2880];
    std::size_t tagSize = lame_get_lametag_frame(lame, tag, sizeof tag);
    std::memcpy(out.data(), tag, std::min(tagSize, out.size()));
    lame_close(lame);
    return out;
}

}  // namespace testsupport
