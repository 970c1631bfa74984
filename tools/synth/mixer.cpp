#include "tools/synth/mixer.h"

#include "tools/synth/drums.h"
#include "tools/synth/effects.h"
#include "tools/synth/voice.h"

#include <algorithm>
#include <cmath>

namespace synth {

namespace {

constexpr size_t kBlock = 512;  // frames rendered per step

// How one track sits in the mix.
struct Channel {
    Patch patch;
    float gain;
    float pan;          // -1 left .. 1 right
    float reverbSend;
    float delaySend;
    float duck;         // 0 .. 1, how far each kick pushes the track down
};

EnvelopeShape shape(double attack, double decay, double sustain, double release) {
    EnvelopeShape s;
    s.attack = attack;
    s.decay = decay;
    s.sustain = sustain;
    s.release = release;
    return s;
}

Channel channelFor(Track track) {
    Channel c{};
    Patch& p = c.patch;
    c.pan = 0.0f;
    switch (track) {
    case Pad:
        p.waveform = Waveform::Saw;
        p.unison = 3;
        p.detuneCents = 14.0;
        p.stereoWidth = 0.9;
        p.amp = shape(1.2, 1.0, 0.8, 1.8);
        p.filterEnvelope = shape(1.5, 2.0, 0.6, 1.5);
        p.cutoffHz = 700.0;
        p.envelopeOctaves = 1.0;
        p.resonance = 0.15;
        c.gain = 0.3f;
        c.reverbSend = 0.5f;
        c.delaySend = 0.0f;
        c.duck = 0.45f;
        break;
    case Bass:
        p.waveform = Waveform::Saw;
        p.unison = 2;
        p.detuneCents = 6.0;
        p.stereoWidth = 0.1;
        p.subLevel = 0.7f;
        p.amp = shape(0.003, 0.25, 0.7, 0.06);
        p.filterEnvelope = shape(0.002, 0.18, 0.0, 0.1);
        p.cutoffHz = 220.0;
        p.envelopeOctaves = 2.5;
        p.resonance = 0.3;
        c.gain = 0.5f;
        c.reverbSend = 0.04f;
        c.delaySend = 0.0f;
        c.duck = 0.4f;
        break;
    case Arp:
        p.waveform = Waveform::Saw;
        p.unison = 2;
        p.detuneCents = 8.0;
        p.stereoWidth = 0.6;
        p.amp = shape(0.002, 0.2, 0.0, 0.08);
        p.filterEnvelope = shape(0.001, 0.15, 0.0, 0.08);
        p.cutoffHz = 650.0;
        p.envelopeOctaves = 3.0;
        p.keyTracking = 0.5;
        p.resonance = 0.35;
        c.gain = 0.3f;
        c.reverbSend = 0.3f;
        c.delaySend = 0.35f;
        c.duck = 0.3f;
        break;
    case Lead:
        p.waveform = Waveform::Square;
        p.unison = 2;
        p.detuneCents = 7.0;
        p.stereoWidth = 0.3;
        p.amp = shape(0.01, 0.3, 0.7, 0.25);
        p.filterEnvelope = shape(0.01, 0.4, 0.3, 0.25);
        p.cutoffHz = 1500.0;
        p.envelopeOctaves = 1.2;
        p.keyTracking = 0.5;
        p.vibratoHz = 5.5;
        p.vibratoCents = 12.0;
        p.vibratoDelay = 0.25;
        c.gain = 0.3f;
        c.reverbSend = 0.3f;
        c.delaySend = 0.3f;
        c.duck = 0.0f;
        break;
    case Bell:
        p.waveform = Waveform::Triangle;
        p.amp = shape(0.002, 1.2, 0.0, 0.8);
        p.cutoffHz = 6000.0;
        c.gain = 0.4f;
        c.reverbSend = 0.5f;
        c.delaySend = 0.45f;
        c.duck = 0.0f;
        break;
    case Riser:
        p.waveform = Waveform::Noise;
        p.unison = 2;
        p.stereoWidth = 1.0;
        p.amp = shape(3.5, 0.1, 1.0, 0.3);
        p.filterEnvelope = shape(3.5, 0.1, 1.0, 0.3);
        p.cutoffHz = 250.0;
        p.envelopeOctaves = 5.0;
        p.resonance = 0.5;
        c.gain = 0.2f;
        c.reverbSend = 0.4f;
        c.delaySend = 0.0f;
        c.duck = 0.0f;
        break;
    case Stab:
        p.waveform = Waveform::Saw;
        p.unison = 3;
        p.detuneCents = 12.0;
        p.stereoWidth = 0.8;
        p.amp = shape(0.003, 0.5, 0.0, 0.3);
        p.filterEnvelope = shape(0.002, 0.3, 0.0, 0.3);
        p.cutoffHz = 1200.0;
        p.envelopeOctaves = 2.0;
        c.gain = 0.35f;
        c.reverbSend = 0.6f;
        c.delaySend = 0.2f;
        c.duck = 0.0f;
        break;
    case kTrackCount:
        break;
    }
    return c;
}

struct DrumMix {
    float gain, pan, reverbSend;
};

DrumMix drumMix(Drum drum) {
    switch (drum) {
    case Drum::Kick: return {0.9f, 0.0f, 0.03f};
    case Drum::Snare: return {0.5f, 0.05f, 0.25f};
    case Drum::ClosedHat: return {0.3f, 0.25f, 0.05f};
    case Drum::OpenHat: return {0.22f, -0.25f, 0.1f};
    case Drum::Crash: return {0.35f, -0.1f, 0.3f};
    }
    return {0.0f, 0.0f, 0.0f};
}

void panGains(float pan, float& left, float& right) {
    const double angle = (std::clamp(pan, -1.0f, 1.0f) + 1.0) * 0.25 * 3.141592653589793;
    left = static_cast<float>(std::cos(angle) * 1.41421356);
    right = static_cast<float>(std::sin(angle) * 1.41421356);
}

long toFrame(double seconds) { return std::lround(seconds * kSampleRate); }

template <class Voice>
struct Active {
    Voice voice;
    long start;  // frame
};

}  // namespace

std::vector<float> mixScore(const Score& score, double seconds,
                            const std::function<void(double)>& progress) {
    seconds = std::clamp(seconds, 0.0, kTrackSeconds);
    const size_t frames = static_cast<size_t>(toFrame(seconds));
    std::vector<float> out(frames * 2, 0.0f);

    Channel channels[kTrackCount];
    for (int t = 0; t < kTrackCount; ++t) channels[t] = channelFor(static_cast<Track>(t));
    std::vector<Active<SynthVoice>> voices[kTrackCount];
    size_t nextNote[kTrackCount] = {};
    std::vector<Active<DrumVoice>> drums;
    size_t nextDrum = 0;
    uint32_t seed = 12345u;

    Reverb reverb(0.86, 5500.0);
    StereoDelay delay(3.0 * kBeatSeconds / 4.0, 0.35, 4500.0);  // a dotted eighth

    // Sidechain: each kick pushes the ducked tracks down, recovering in ~0.3 s.
    std::vector<float> duckCurve(static_cast<size_t>(0.6 * kSampleRate));
    for (size_t i = 0; i < duckCurve.size(); ++i)
        duckCurve[i] = static_cast<float>(std::exp(-static_cast<double>(i) / (0.09 * kSampleRate)));
    std::vector<long> kicks;
    for (const DrumEvent& e : score.drums)
        if (e.drum == Drum::Kick) kicks.push_back(toFrame(e.time));
    size_t nextKick = 0;
    long lastKick = -1000000;

    std::vector<float> trackLeft(kBlock), trackRight(kBlock);
    std::vector<float> duckedLeft(kBlock), duckedRight(kBlock);
    std::vector<float> dryLeft(kBlock), dryRight(kBlock);
    std::vector<float> reverbLeft(kBlock), reverbRight(kBlock);
    std::vector<float> delayLeft(kBlock), delayRight(kBlock);
    std::vector<float> duck(kBlock);

    int reported = -1;
    for (size_t blockStart = 0; blockStart < frames; blockStart += kBlock) {
        const size_t count = std::min(kBlock, frames - blockStart);
        const long blockEnd = static_cast<long>(blockStart + count);
        std::fill(dryLeft.begin(), dryLeft.end(), 0.0f);
        std::fill(dryRight.begin(), dryRight.end(), 0.0f);
        std::fill(reverbLeft.begin(), reverbLeft.end(), 0.0f);
        std::fill(reverbRight.begin(), reverbRight.end(), 0.0f);
        std::fill(delayLeft.begin(), delayLeft.end(), 0.0f);
        std::fill(delayRight.begin(), delayRight.end(), 0.0f);

        // Drums first: their kicks drive the ducking of this block.
        while (nextDrum < score.drums.size() && toFrame(score.drums[nextDrum].time) < blockEnd) {
            const DrumEvent& e = score.drums[nextDrum++];
            drums.push_back({DrumVoice(e.drum, e.velocity, seed++), toFrame(e.time)});
        }
        for (size_t k = 0; k < drums.size(); ++k) {
            Active<DrumVoice>& d = drums[k];
            const DrumMix mix = drumMix(d.voice.drum());
            float gl, gr;
            panGains(mix.pan, gl, gr);
            const size_t from = d.start > static_cast<long>(blockStart)
                                    ? static_cast<size_t>(d.start - static_cast<long>(blockStart))
                                    : 0;
            for (size_t i = from; i < count && !d.voice.done(); ++i) {
                const float s = d.voice.next() * mix.gain;
                dryLeft[i] += s * gl;
                dryRight[i] += s * gr;
                reverbLeft[i] += s * gl * mix.reverbSend;
                reverbRight[i] += s * gr * mix.reverbSend;
            }
        }
        drums.erase(std::remove_if(drums.begin(), drums.end(),
                                   [](const Active<DrumVoice>& d) { return d.voice.done(); }),
                    drums.end());

        // Ducking depth 0 .. 1 per frame from the latest kick at or before it.
        for (size_t i = 0; i < count; ++i) {
            const long frame = static_cast<long>(blockStart + i);
            while (nextKick < kicks.size() && kicks[nextKick] <= frame) lastKick = kicks[nextKick++];
            const long since = frame - lastKick;
            duck[i] = static_cast<size_t>(since) < duckCurve.size()
                          ? duckCurve[static_cast<size_t>(since)]
                          : 0.0f;
        }

        for (int t = 0; t < kTrackCount; ++t) {
            const Channel& ch = channels[t];
            const std::vector<NoteEvent>& notes = score.notes[t];
            while (nextNote[t] < notes.size() && toFrame(notes[nextNote[t]].time) < blockEnd) {
                const NoteEvent& n = notes[nextNote[t]++];
                voices[t].push_back({SynthVoice(ch.patch, n.pitch, n.velocity, n.duration,
                                                n.brightness, seed++),
                                     toFrame(n.time)});
            }
            if (voices[t].empty()) continue;
            std::fill(trackLeft.begin(), trackLeft.end(), 0.0f);
            std::fill(trackRight.begin(), trackRight.end(), 0.0f);
            for (auto& v : voices[t]) {
                const size_t from = v.start > static_cast<long>(blockStart)
                                        ? static_cast<size_t>(v.start - static_cast<long>(blockStart))
                                        : 0;
                for (size_t i = from; i < count && !v.voice.done(); ++i) {
                    const StereoSample s = v.voice.next();
                    trackLeft[i] += s.left;
                    trackRight[i] += s.right;
                }
            }
            voices[t].erase(std::remove_if(voices[t].begin(), voices[t].end(),
                                           [](const Active<SynthVoice>& v) { return v.voice.done(); }),
                            voices[t].end());
            float gl, gr;
            panGains(ch.pan, gl, gr);
            for (size_t i = 0; i < count; ++i) {
                const float g = ch.gain * (1.0f - ch.duck * duck[i]);
                const float l = trackLeft[i] * g * gl;
                const float r = trackRight[i] * g * gr;
                dryLeft[i] += l;
                dryRight[i] += r;
                reverbLeft[i] += l * ch.reverbSend;
                reverbRight[i] += r * ch.reverbSend;
                delayLeft[i] += l * ch.delaySend;
                delayRight[i] += r * ch.delaySend;
            }
        }

        for (size_t i = 0; i < count; ++i) {
            const StereoSample echo = delay.process({delayLeft[i], delayRight[i]});
            const StereoSample wet = reverb.process(
                {reverbLeft[i] + echo.left * 0.3f, reverbRight[i] + echo.right * 0.3f});
            const double time = static_cast<double>(blockStart + i) / kSampleRate;
            const float master = static_cast<float>(gainAt(score.masterGain, time));
            out[2 * (blockStart + i)] = (dryLeft[i] + echo.left + wet.left) * master;
            out[2 * (blockStart + i) + 1] = (dryRight[i] + echo.right + wet.right) * master;
        }

        if (progress) {
            const int percent = static_cast<int>(100.0 * (blockStart + count) / frames);
            if (percent != reported) {
                reported = percent;
                progress(percent / 100.0);
            }
        }
    }
    return out;
}

float normalise(std::vector<float>& samples, float peak) {
    float largest = 0.0f;
    for (float s : samples) largest = std::max(largest, std::fabs(s));
    if (largest <= 0.0f) return 1.0f;
    const float scale = peak / largest;
    for (float& s : samples) s *= scale;
    return scale;
}

}  // namespace synth
