#pragma once
// MP3 encoding through libmp3lame: 44.1 kHz stereo, constant 192 kbit/s,
// joint stereo. The first frame is the Xing/LAME info frame, which carries
// the encoder delay and padding so that decoders give back exactly the
// frames that went in, from the first.

#include <functional>
#include <string>
#include <vector>

namespace synth {

// samples: interleaved left, right in [-1, 1]; an empty buffer or an odd
// count is an error. The
// file is written under a temporary name and renamed when complete, so a
// failure leaves no partial file at `path`. On failure returns false and
// sets *error (when error is not null).
bool encodeMp3(const std::vector<float>& samples, const std::string& path, std::string* error,
               const std::function<void(double)>& progress = {});

}  // namespace synth
