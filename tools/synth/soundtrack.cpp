#include "tools/synth/soundtrack.h"

#include "tools/synth/effects.h"
#include "tools/synth/mixer.h"
#include "tools/synth/mp3_encoder.h"
#include "tools/synth/score.h"

namespace synth {

std::vector<float> renderSoundtrack(const std::function<void(double)>& progress) {
    std::vector<float> samples = mixScore(composeScore(), kTrackSeconds, progress);
    // Holding the rare peaks (hits, crashes over the beat) 6 dB down lets the
    // body of the music sit louder after normalising.
    normalise(samples, 1.0f);
    limitPeaks(samples, 0.5f);
    normalise(samples, kPeakLevel);
    return samples;
}

}  // namespace synth

bool writeSoundtrack(const std::string& mp3Path, std::string* error,
                     std::function<void(double fraction)> progress) {
    // Rendering takes about two thirds of the time, encoding the rest.
    constexpr double kRenderShare = 0.6;
    std::function<void(double)> renderProgress, encodeProgress;
    if (progress) {
        renderProgress = [&](double f) { progress(f * kRenderShare); };
        encodeProgress = [&](double f) { progress(kRenderShare + f * (1.0 - kRenderShare)); };
    }
    const std::vector<float> samples = synth::renderSoundtrack(renderProgress);
    return synth::encodeMp3(samples, mp3Path, error, encodeProgress);
}
