#include "tools/synth/mixer.h"

#include "tools/synth/drums.h"
#include "tools/synth/effects.h"
#include "tools/synth/voice.h"

#include <algorithm>
#include <cmath>
#include <system_error>
#include <thread>

namespace synth {

namespace {

constexpr size_t kBlock = 8192;  // frames rendered per step, about 0.19 s

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
    const double angle = (std::clamp(pan, -1.0f, 1.0f) + 1.0) * 0.25 * kPi;
    left = static_cast<float>(std::cos(angle) * 1.41421356);
    right = static_cast<float>(std::sin(angle) * 1.41421356);
}

long toFrame(double seconds) { return std::lround(seconds * kSampleRate); }

template <class Voice>
struct Active {
    Voice voice;
    long start;  // frame
};

// What one group of tracks adds to a block: the dry mix and the two sends.
struct Bus {
    std::vector<float> dryLeft, dryRight, reverbLeft, reverbRight, delayLeft, delayRight;

    explicit Bus(size_t frames)
        : dryLeft(frames), dryRight(frames), reverbLeft(frames), reverbRight(frames),
          delayLeft(frames), delayRight(frames) {}
    void clear() {
        for (std::vector<float>* v : {&dryLeft, &dryRight, &reverbLeft, &reverbRight, &delayLeft, &delayRight})
            std::fill(v->begin(), v->end(), 0.0f);
    }
};

size_t offsetIn(long start, size_t blockStart) {
    return start > static_cast<long>(blockStart) ? static_cast<size_t>(start - static_cast<long>(blockStart)) : 0;
}

// Seeds of the noise and start phases, fixed per event so that the result
// does not depend on the order in which voices are made.
uint32_t eventSeed(int list, size_t index) {
    return static_cast<uint32_t>(list + 1) * 2246822519u + static_cast<uint32_t>(index) * 3266489917u + 1u;
}

class DrumPlayer {
public:
    explicit DrumPlayer(const std::vector<DrumEvent>& events) : events(events) {}

    void render(size_t blockStart, size_t count, Bus& bus) {
        const long blockEnd = static_cast<long>(blockStart + count);
        while (next < events.size() && toFrame(events[next].time) < blockEnd) {
            const DrumEvent& e = events[next];
            voices.push_back({DrumVoice(e.drum, e.velocity, eventSeed(kTrackCount, next)), toFrame(e.time)});
            ++next;
        }
        for (Active<DrumVoice>& d : voices) {
            const DrumMix mix = drumMix(d.voice.drum());
            float gl, gr;
            panGains(mix.pan, gl, gr);
            for (size_t i = offsetIn(d.start, blockStart); i < count && !d.voice.done(); ++i) {
                const float s = d.voice.next() * mix.gain;
                bus.dryLeft[i] += s * gl;
                bus.dryRight[i] += s * gr;
                bus.reverbLeft[i] += s * gl * mix.reverbSend;
                bus.reverbRight[i] += s * gr * mix.reverbSend;
            }
        }
        voices.erase(std::remove_if(voices.begin(), voices.end(),
                                    [](const Active<DrumVoice>& d) { return d.voice.done(); }),
                     voices.end());
    }

private:
    const std::vector<DrumEvent>& events;
    size_t next = 0;
    std::vector<Active<DrumVoice>> voices;
};

class TrackPlayer {
public:
    // The voices keep pointers into `channel`, which must outlive the player.
    TrackPlayer(Track track, const Channel& channel, const std::vector<NoteEvent>& notes)
        : track(track), channel(channel), notes(notes), left(kBlock), right(kBlock) {}

    // duck: 0 .. 1 per frame of the block, the sidechain depth.
    void render(size_t blockStart, size_t count, const std::vector<float>& duck, Bus& bus) {
        const long blockEnd = static_cast<long>(blockStart + count);
        while (next < notes.size() && toFrame(notes[next].time) < blockEnd) {
            const NoteEvent& n = notes[next];
            voices.push_back({SynthVoice(channel.patch, n.pitch, n.velocity, n.duration, n.brightness,
                                         eventSeed(track, next)),
                              toFrame(n.time)});
            ++next;
        }
        if (voices.empty()) return;
        std::fill(left.begin(), left.end(), 0.0f);
        std::fill(right.begin(), right.end(), 0.0f);
        for (Active<SynthVoice>& v : voices) {
            for (size_t i = offsetIn(v.start, blockStart); i < count && !v.voice.done(); ++i) {
                const StereoSample s = v.voice.next();
                left[i] += s.left;
                right[i] += s.right;
            }
        }
        voices.erase(std::remove_if(voices.begin(), voices.end(),
                                    [](const Active<SynthVoice>& v) { return v.voice.done(); }),
                     voices.end());
        float gl, gr;
        panGains(channel.pan, gl, gr);
        for (size_t i = 0; i < count; ++i) {
            const float g = channel.gain * (1.0f - channel.duck * duck[i]);
            const float l = left[i] * g * gl;
            const float r = right[i] * g * gr;
            bus.dryLeft[i] += l;
            bus.dryRight[i] += r;
            bus.reverbLeft[i] += l * channel.reverbSend;
            bus.reverbRight[i] += r * channel.reverbSend;
            bus.delayLeft[i] += l * channel.delaySend;
            bus.delayRight[i] += r * channel.delaySend;
        }
    }

private:
    Track track;
    const Channel& channel;
    const std::vector<NoteEvent>& notes;
    size_t next = 0;
    std::vector<Active<SynthVoice>> voices;
    std::vector<float> left, right;
};

}  // namespace

std::vector<float> mixScore(const Score& score, double seconds,
                            const std::function<void(double)>& progress) {
    seconds = std::clamp(seconds, 0.0, kTrackSeconds);
    const size_t frames = static_cast<size_t>(toFrame(seconds));
    std::vector<float> out(frames * 2, 0.0f);

    // Two groups of about equal cost, rendered side by side; each keeps its
    // own voices and bus, and the buses are summed in a fixed order, so the
    // result is the same with or without the second thread.
    Channel channels[kTrackCount];
    for (int t = 0; t < kTrackCount; ++t) channels[t] = channelFor(static_cast<Track>(t));
    DrumPlayer drums(score.drums);
    std::vector<TrackPlayer> groupA, groupB;
    for (Track t : {Pad, Riser, Stab}) groupA.emplace_back(t, channels[t], score.notes[t]);
    for (Track t : {Bass, Arp, Lead, Bell}) groupB.emplace_back(t, channels[t], score.notes[t]);
    Bus busA(kBlock), busB(kBlock);

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
    std::vector<float> duck(kBlock);

    int reported = -1;
    for (size_t blockStart = 0; blockStart < frames; blockStart += kBlock) {
        const size_t count = std::min(kBlock, frames - blockStart);

        // Ducking depth per frame from the latest kick at or before it.
        for (size_t i = 0; i < count; ++i) {
            const long frame = static_cast<long>(blockStart + i);
            while (nextKick < kicks.size() && kicks[nextKick] <= frame) lastKick = kicks[nextKick++];
            const long since = frame - lastKick;
            duck[i] = static_cast<size_t>(since) < duckCurve.size() ? duckCurve[static_cast<size_t>(since)] : 0.0f;
        }

        auto renderB = [&] {
            busB.clear();
            for (TrackPlayer& p : groupB) p.render(blockStart, count, duck, busB);
        };
        std::thread helper;
        try {
            helper = std::thread(renderB);
        } catch (const std::system_error&) {
            renderB();  // no thread to be had: same result, just slower
        }
        busA.clear();
        drums.render(blockStart, count, busA);
        for (TrackPlayer& p : groupA) p.render(blockStart, count, duck, busA);
        if (helper.joinable()) helper.join();

        for (size_t i = 0; i < count; ++i) {
            const StereoSample echo =
                delay.process({busA.delayLeft[i] + busB.delayLeft[i], busA.delayRight[i] + busB.delayRight[i]});
            const StereoSample wet =
                reverb.process({busA.reverbLeft[i] + busB.reverbLeft[i] + echo.left * 0.3f,
                                busA.reverbRight[i] + busB.reverbRight[i] + echo.right * 0.3f});
            const double time = static_cast<double>(blockStart + i) / kSampleRate;
            const float master = static_cast<float>(gainAt(score.masterGain, time));
            const float dryLeft = busA.dryLeft[i] + busB.dryLeft[i];
            const float dryRight = busA.dryRight[i] + busB.dryRight[i];
            out[2 * (blockStart + i)] = (dryLeft + echo.left + wet.left) * master;
            out[2 * (blockStart + i) + 1] = (dryRight + echo.right + wet.right) * master;
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
