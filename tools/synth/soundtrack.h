#pragma once
// The demo's soundtrack, composed and rendered from code: a 341-second piece
// at 44.1 kHz stereo whose sections follow the demo's scenes. The same bytes
// come out on every run.

#include <functional>
#include <string>
#include <vector>

namespace synth {

// Largest sample magnitude after normalising; the headroom keeps the MP3
// decoder's overshoot below full scale.
constexpr float kPeakLevel = 0.85f;

// The whole track as interleaved left, right floats, normalised to
// kPeakLevel. progress gets rising fractions 0 .. 1.
std::vector<float> renderSoundtrack(const std::function<void(double)>& progress = {});

}  // namespace synth

// Renders the soundtrack and encodes it to an MP3 file at mp3Path (192
// kbit/s, with the info frame that makes its decoded length exact).
// progress gets rising fractions 0 .. 1 over both stages. The folder must
// exist already. On failure returns false with a message in *error and
// leaves no file behind. Takes several seconds and about 150 MB.
bool writeSoundtrack(const std::string& mp3Path, std::string* error,
                     std::function<void(double fraction)> progress = {});
