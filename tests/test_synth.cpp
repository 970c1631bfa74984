// The soundtrack synthesizer: its building blocks measured on their output,
// the score's notation and form, and the finished MP3 decoded the way the
// demo decodes it (length, start, level per scene, no clipping, same bytes
// every run).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/sound.h"
#include "support/paths.h"
#include "tools/synth/drums.h"
#include "tools/synth/effects.h"
#include "tools/synth/envelope.h"
#include "tools/synth/filter.h"
#include "tools/synth/mixer.h"
#include "tools/synth/mp3_encoder.h"
#include "tools/synth/oscillator.h"
#include "tools/synth/score.h"
#include "tools/synth/soundtrack.h"

using namespace synth;

namespace {

std::vector<float> run(Oscillator osc, size_t count) {
    std::vector<float> out(count);
    for (float& s : out) s = osc.next();
    return out;
}

// Upward crossings of zero per second.
double risingCrossingsPerSecond(const std::vector<float>& x) {
    int crossings = 0;
    for (size_t i = 1; i < x.size(); ++i)
        if (x[i - 1] < 0.0f && x[i] >= 0.0f) ++crossings;
    return crossings * static_cast<double>(kSampleRate) / static_cast<double>(x.size());
}

// Power of the component at `hz` (a whole number of cycles in x), by Goertzel.
double componentPower(const std::vector<float>& x, double hz) {
    const double w = 2.0 * kPi * hz / kSampleRate;
    const double c = 2.0 * std::cos(w);
    double s1 = 0.0, s2 = 0.0;
    for (float v : x) {
        const double s0 = v + c * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    const double magnitude2 = s1 * s1 + s2 * s2 - c * s1 * s2;
    const double n = static_cast<double>(x.size());
    return 2.0 * magnitude2 / (n * n);
}

double meanPower(const std::vector<float>& x) {
    double sum = 0.0;
    for (float v : x) sum += static_cast<double>(v) * v;
    return sum / static_cast<double>(x.size());
}

// Gain of a filter for a sine at `hz`, measured after it has settled.
double filterGain(Filter filter, double hz) {
    Oscillator osc(Waveform::Sine);
    osc.setFrequency(hz);
    std::vector<float> out;
    for (int i = 0; i < kSampleRate / 2; ++i) {
        const float y = filter.process(osc.next());
        if (i >= kSampleRate / 4) out.push_back(y);
    }
    return std::sqrt(meanPower(out) * 2.0);
}

double decibels(double power) { return 10.0 * std::log10(std::max(power, 1e-20)); }

}  // namespace

// ---- building blocks ----

TEST(Oscillator, PeriodicWaveformsRunAtTheirFrequency) {
    for (Waveform w : {Waveform::Sine, Waveform::Saw, Waveform::Square, Waveform::Triangle}) {
        for (double hz : {55.0, 440.0, 1234.5, 5000.0}) {
            Oscillator osc(w, 0.25);
            osc.setFrequency(hz);
            EXPECT_NEAR(osc.frequency(), hz, 1e-9);
            const std::vector<float> x = run(osc, kSampleRate * 2);
            EXPECT_NEAR(risingCrossingsPerSecond(x), hz, 1.0)
                << "waveform " << static_cast<int>(w) << " at " << hz << " Hz";
        }
    }
}

TEST(Oscillator, StaysNearFullScaleWithoutExceedingIt) {
    for (Waveform w : {Waveform::Sine, Waveform::Saw, Waveform::Square, Waveform::Triangle,
                       Waveform::Noise}) {
        for (double hz : {30.0, 440.0, 7000.0}) {
            Oscillator osc(w);
            osc.setFrequency(hz);
            const std::vector<float> x = run(osc, kSampleRate);
            const auto [low, high] = std::minmax_element(x.begin(), x.end());
            EXPECT_LE(*high, 1.1f) << static_cast<int>(w) << " at " << hz;
            EXPECT_GE(*low, -1.1f) << static_cast<int>(w) << " at " << hz;
            EXPECT_GT(*high, 0.6f) << static_cast<int>(w) << " at " << hz;
            EXPECT_LT(*low, -0.6f) << static_cast<int>(w) << " at " << hz;
        }
    }
}

TEST(Oscillator, HighSawAndSquareFoldLittleEnergyBackBelowNyquist) {
    // 3100 Hz has no whole multiple at 44.1 kHz, so anything folded back
    // lands between the harmonics. One second gives exact 1 Hz bins.
    const double f0 = 3100.0;
    for (Waveform w : {Waveform::Saw, Waveform::Square}) {
        Oscillator osc(w);
        osc.setFrequency(f0);
        const std::vector<float> x = run(osc, kSampleRate);
        double harmonic = 0.0;
        for (double hz = f0; hz < kSampleRate / 2.0; hz += f0) harmonic += componentPower(x, hz);
        const double folded = meanPower(x) - harmonic;
        // Plain (aliasing) waveforms fold back -11 dB (saw) and -13 dB
        // (square) of their power here.
        EXPECT_LT(decibels(folded / meanPower(x)), -25.0) << static_cast<int>(w);
    }
}

TEST(Oscillator, NoiseIsRepeatableAndCentred) {
    Noise a(7), b(7), c(8);
    double sum = 0.0, sumSquares = 0.0;
    bool differs = false;
    for (int i = 0; i < 100000; ++i) {
        const float va = a.next();
        ASSERT_EQ(va, b.next());
        differs |= va != c.next();
        ASSERT_GE(va, -1.0f);
        ASSERT_LT(va, 1.0f);
        sum += va;
        sumSquares += static_cast<double>(va) * va;
    }
    EXPECT_TRUE(differs);
    EXPECT_NEAR(sum / 100000.0, 0.0, 0.01);
    EXPECT_NEAR(sumSquares / 100000.0, 1.0 / 3.0, 0.01);  // uniform on [-1, 1)
}

TEST(Envelope, FollowsAttackDecaySustainRelease) {
    EnvelopeShape shape;
    shape.attack = 0.01;
    shape.decay = 0.1;
    shape.sustain = 0.5;
    shape.release = 0.2;
    Envelope env(shape);
    const int attack = 441, decay = 4410, release = 8820;
    std::vector<float> v;
    for (int i = 0; i < attack + decay + 1000; ++i) v.push_back(env.next());
    EXPECT_NEAR(v[attack / 2 - 1], 0.5f, 0.01f);  // linear rise
    EXPECT_NEAR(v[attack - 1], 1.0f, 0.003f);
    for (int i = 1; i < attack; ++i) ASSERT_GT(v[i], v[i - 1]);
    for (int i = attack + 1; i < attack + decay; ++i) ASSERT_LE(v[i], v[i - 1]);
    EXPECT_NEAR(v[attack + decay - 1], 0.5f, 0.5f * 0.011f);  // within 1% of the way
    for (int i = 0; i < 4 * decay; ++i) env.next();
    EXPECT_FLOAT_EQ(env.next(), 0.5f);  // then holds the sustain
    EXPECT_FALSE(env.done());

    env.noteOff();
    float last = env.next();
    EXPECT_LT(last, 0.5f);
    int samples = 1;
    while (!env.done() && samples < 2 * release) {
        const float now = env.next();
        ASSERT_LE(now, last);
        last = now;
        ++samples;
    }
    EXPECT_NEAR(samples, release, 2);
    EXPECT_EQ(last, 0.0f);
    EXPECT_EQ(env.next(), 0.0f);
}

TEST(Envelope, ReleaseDuringAttackFallsFromWhereItWas) {
    EnvelopeShape shape;
    shape.attack = 0.1;
    shape.release = 0.05;
    Envelope env(shape);
    float value = 0.0f;
    for (int i = 0; i < 441; ++i) value = env.next();  // a tenth of the attack
    EXPECT_NEAR(value, 0.1f, 0.005f);
    env.noteOff();
    float peak = 0.0f;
    while (!env.done()) peak = std::max(peak, env.next());
    EXPECT_LE(peak, value);
}

TEST(Filter, PassesAndStopsTheRightBands) {
    const Filter low(FilterMode::LowPass, 1000.0);
    EXPECT_GT(filterGain(low, 100.0), 0.97);
    EXPECT_LT(filterGain(low, 8000.0), 0.03);  // two poles: about -36 dB three octaves up

    const Filter high(FilterMode::HighPass, 1000.0);
    EXPECT_LT(filterGain(high, 125.0), 0.03);
    EXPECT_GT(filterGain(high, 10000.0), 0.97);

    const Filter band(FilterMode::BandPass, 1000.0, 0.5);
    const double centre = filterGain(band, 1000.0);
    EXPECT_GT(centre, 4.0 * filterGain(band, 150.0));
    EXPECT_GT(centre, 4.0 * filterGain(band, 7000.0));

    // Resonance raises the gain at the cutoff.
    EXPECT_GT(filterGain(Filter(FilterMode::LowPass, 1000.0, 0.9), 1000.0),
              3.0 * filterGain(low, 1000.0));
}

TEST(Filter, StaysBoundedWhileTheCutoffSweeps) {
    Filter f(FilterMode::LowPass, 100.0, 1.0);
    Oscillator saw(Waveform::Saw);
    saw.setFrequency(110.0);
    float peak = 0.0f;
    for (int i = 0; i < kSampleRate * 2; ++i) {
        if (i % 32 == 0) f.setCutoff(100.0 * std::pow(2.0, 7.0 * std::fabs(std::sin(i * 1e-4))));
        const float y = f.process(saw.next());
        ASSERT_TRUE(std::isfinite(y));
        peak = std::max(peak, std::fabs(y));
    }
    EXPECT_LT(peak, 50.0f);
}

TEST(Effects, DelayEchoesOnAlternateSides) {
    const double seconds = 0.01;
    const int d = 441;
    StereoDelay delay(seconds, 0.5, 20000.0);
    std::vector<StereoSample> out;
    for (int i = 0; i < 4 * d; ++i) out.push_back(delay.process(i == 0 ? StereoSample{1.0f, 0.0f} : StereoSample{}));
    EXPECT_FLOAT_EQ(out[d].left, 1.0f);
    EXPECT_FLOAT_EQ(out[d].right, 0.0f);
    // The second repeat comes back on the right, about half as loud; the
    // damping spreads it over a few samples.
    float right = 0.0f, left = 0.0f;
    for (int i = 2 * d - 2; i < 2 * d + 40; ++i) {
        right += out[i].right;
        left += std::fabs(out[i].left);
    }
    EXPECT_NEAR(right, 0.5f, 0.05f);
    EXPECT_LT(left, 1e-6f);
    for (int i = 1; i < d; ++i) ASSERT_EQ(out[i].left, 0.0f);
}

TEST(Effects, ReverbTailIsWideAndDiesAway) {
    Reverb reverb(0.84, 6000.0);
    std::vector<float> left, right;
    for (int i = 0; i < kSampleRate * 3; ++i) {
        const StereoSample s = reverb.process(i == 0 ? StereoSample{1.0f, 1.0f} : StereoSample{});
        ASSERT_TRUE(std::isfinite(s.left) && std::isfinite(s.right));
        left.push_back(s.left);
        right.push_back(s.right);
    }
    auto power = [&](const std::vector<float>& x, double from, double to) {
        return meanPower(std::vector<float>(x.begin() + static_cast<long>(from * kSampleRate),
                                            x.begin() + static_cast<long>(to * kSampleRate)));
    };
    const double early = power(left, 0.0, 0.3);
    EXPECT_GT(early, 0.0);
    EXPECT_GT(power(left, 0.3, 0.6), 0.0);  // a tail, not one echo
    EXPECT_LT(decibels(power(left, 2.5, 3.0) / early), -40.0);
    // The channels differ: correlation of the first half second well below 1.
    double lr = 0.0, ll = 0.0, rr = 0.0;
    for (int i = 0; i < kSampleRate / 2; ++i) {
        lr += static_cast<double>(left[i]) * right[i];
        ll += static_cast<double>(left[i]) * left[i];
        rr += static_cast<double>(right[i]) * right[i];
    }
    EXPECT_LT(std::fabs(lr / std::sqrt(ll * rr)), 0.5);
}

TEST(Effects, LimiterHoldsPeaksAndLeavesTheRestAlone) {
    // A quiet 200 Hz tone with a loud burst in the middle second.
    std::vector<float> x(2 * 3 * kSampleRate);
    for (size_t i = 0; i < x.size() / 2; ++i) {
        const bool burst = i >= static_cast<size_t>(kSampleRate) && i < 2u * kSampleRate;
        const float v = static_cast<float>((burst ? 0.9 : 0.2) * std::sin(2.0 * kPi * 200.0 * i / kSampleRate));
        x[2 * i] = v;
        x[2 * i + 1] = -v;
    }
    const std::vector<float> before = x;
    limitPeaks(x, 0.5f, 0.005, 0.1);
    float burstPeak = 0.0f;
    for (size_t i = kSampleRate; i < 2u * kSampleRate; ++i) burstPeak = std::max(burstPeak, std::fabs(x[2 * i]));
    EXPECT_LE(burstPeak, 0.53f);
    EXPECT_GT(burstPeak, 0.45f);
    // Untouched well before the burst and long after the release.
    for (size_t i = 0; i < kSampleRate - 500u; ++i) ASSERT_EQ(x[2 * i], before[2 * i]) << i;
    for (size_t i = 2u * kSampleRate + kSampleRate; i < x.size() / 2; ++i)
        ASSERT_NEAR(x[2 * i], before[2 * i], 0.002f) << i;
    // The gain is already down when the burst arrives.
    size_t onset = kSampleRate;
    while (std::fabs(before[2 * onset]) < 0.5f) ++onset;
    EXPECT_LE(std::fabs(x[2 * onset]), 0.53f);
}

TEST(Effects, NormaliseScalesToThePeak) {
    std::vector<float> x = {0.1f, -0.4f, 0.2f, 0.0f};
    EXPECT_FLOAT_EQ(normalise(x, 0.8f), 2.0f);
    EXPECT_FLOAT_EQ(x[1], -0.8f);
    EXPECT_FLOAT_EQ(x[0], 0.2f);
    std::vector<float> silent(8, 0.0f);
    normalise(silent, 0.8f);
    for (float v : silent) EXPECT_EQ(v, 0.0f);
}

TEST(Drums, EachHitEndsAndSitsInItsRegister) {
    struct Expect {
        Drum drum;
        double lowHz, highHz;  // upward zero crossings per second
    } cases[] = {{Drum::Kick, 30.0, 200.0},
                 {Drum::Snare, 1000.0, 8000.0},
                 {Drum::ClosedHat, 10000.0, 20000.0},
                 {Drum::OpenHat, 10000.0, 20000.0},
                 {Drum::Crash, 5000.0, 20000.0}};
    for (const Expect& e : cases) {
        DrumVoice voice(e.drum, 1.0f, 99);
        std::vector<float> x;
        while (!voice.done() && x.size() < 10u * kSampleRate) x.push_back(voice.next());
        ASSERT_TRUE(voice.done()) << static_cast<int>(e.drum);
        EXPECT_NEAR(x.size() / static_cast<double>(kSampleRate), DrumVoice::lengthSeconds(e.drum), 0.001);
        EXPECT_EQ(voice.next(), 0.0f);
        // The loud part: the first tenth of the hit, or 30 ms at least.
        const size_t head = std::max<size_t>(x.size() / 10, kSampleRate * 3 / 100);
        const std::vector<float> start(x.begin(), x.begin() + static_cast<long>(std::min(head, x.size())));
        const double rate = risingCrossingsPerSecond(start);
        EXPECT_GT(rate, e.lowHz) << static_cast<int>(e.drum);
        EXPECT_LT(rate, e.highHz) << static_cast<int>(e.drum);
        float peak = 0.0f;
        for (float v : x) peak = std::max(peak, std::fabs(v));
        EXPECT_GT(peak, 0.2f) << static_cast<int>(e.drum);
        EXPECT_LT(peak, 2.0f) << static_cast<int>(e.drum);
        EXPECT_LT(std::fabs(x.back()), 0.01f * peak) << static_cast<int>(e.drum);
    }
}

// ---- score ----

TEST(Score, ReadsChordNames) {
    EXPECT_EQ(chordPitchClasses("Am"), (std::vector<int>{9, 0, 4}));
    EXPECT_EQ(chordPitchClasses("F"), (std::vector<int>{5, 9, 0}));
    EXPECT_EQ(chordPitchClasses("Bb"), (std::vector<int>{10, 2, 5}));
    EXPECT_EQ(chordPitchClasses("C#m"), (std::vector<int>{1, 4, 8}));
    EXPECT_EQ(chordPitchClasses("G7"), (std::vector<int>{7, 11, 2, 5}));
    EXPECT_EQ(chordPitchClasses("Cb"), (std::vector<int>{11, 3, 6}));
    for (const char* bad : {"", "H", "am", "Amx", "A#b", "m"}) EXPECT_TRUE(chordPitchClasses(bad).empty()) << bad;
}

TEST(Score, ReadsMelodiesUpToTheFirstBadToken) {
    const std::vector<MelodyNote> m = parseMelody("E5/4 r/2 C#4/2 Bb3/16");
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[0].step, 0);
    EXPECT_EQ(m[0].length, 4);
    EXPECT_EQ(m[0].pitch, 76);
    EXPECT_EQ(m[1].step, 6);
    EXPECT_EQ(m[1].pitch, 61);
    EXPECT_EQ(m[2].step, 8);
    EXPECT_EQ(m[2].length, 16);
    EXPECT_EQ(m[2].pitch, 58);
    for (const char* bad : {"A4/0", "A4/", "/4", "H4/2", "A/2", "A44/2", "A4/x", "A4-2", "A4/99999"})
        EXPECT_TRUE(parseMelody(std::string("C4/1 ") + bad + " D4/1").size() == 1u) << bad;
}

TEST(Score, FollowsTheDemoTimeline) {
    const Score score = composeScore();
    ASSERT_FALSE(score.sections.empty());
    EXPECT_DOUBLE_EQ(score.sections.front().start, 0.0);
    EXPECT_GE(score.sections.back().end, 340.0);
    for (size_t i = 1; i < score.sections.size(); ++i)
        EXPECT_DOUBLE_EQ(score.sections[i].start, score.sections[i - 1].end) << i;
    // Every scene change of the demo starts a section within one beat.
    for (double change : {40.5, 80.0, 117.0, 160.0, 190.0, 234.0, 245.0, 275.0}) {
        const bool found = std::any_of(score.sections.begin(), score.sections.end(), [&](const Section& s) {
            return std::fabs(s.start - change) <= kBeatSeconds && std::string(s.name) != score.sections.front().name;
        });
        EXPECT_TRUE(found) << change;
    }
    // Nothing sounds once the picture has gone black.
    for (int t = 0; t < kTrackCount; ++t)
        for (const NoteEvent& n : score.notes[t]) {
            EXPECT_GE(n.time, 0.0);
            EXPECT_LE(n.time + n.duration, 331.0) << "track " << t;
        }
    for (const DrumEvent& d : score.drums) EXPECT_LE(d.time + DrumVoice::lengthSeconds(d.drum), 331.0);
    EXPECT_EQ(gainAt(score.masterGain, 331.0), 0.0);
    EXPECT_EQ(gainAt(score.masterGain, 0.0), 0.0);
    EXPECT_EQ(gainAt(score.masterGain, 200.0), 1.0);
}

TEST(Score, IsMusicNotADrone) {
    const Score score = composeScore();
    // Many distinct pitches and a steady beat through the middle.
    std::vector<int> pitches;
    for (int t = 0; t < kTrackCount; ++t)
        for (const NoteEvent& n : score.notes[t]) pitches.push_back(static_cast<int>(std::lround(n.pitch)));
    std::sort(pitches.begin(), pitches.end());
    pitches.erase(std::unique(pitches.begin(), pitches.end()), pitches.end());
    EXPECT_GE(pitches.size(), 20u);
    const long kicks = std::count_if(score.drums.begin(), score.drums.end(), [](const DrumEvent& d) {
        return d.drum == Drum::Kick && d.time >= 80.0 && d.time < 117.0;
    });
    EXPECT_GE(kicks, 60);
    EXPECT_FALSE(score.notes[Lead].empty());
}

// ---- the finished track ----

class SoundtrackFile : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        directory = new std::string(testsupport::makeTempDir());
        path = new std::string(*directory + "/vopa.mp3");
        progress = new std::vector<double>;
        std::string error;
        ok = writeSoundtrack(*path, &error, [](double f) { progress->push_back(f); });
        message = new std::string(error);
        decoded = new std::vector<std::int16_t>;
        if (ok) {
            std::ifstream in(*path, std::ios::binary);
            bytes = new std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), {});
            decodedOk = platform::sound::decodeAll(bytes->data(), bytes->size(), kSampleRate, decoded);
        }
    }
    static void TearDownTestSuite() {
        std::filesystem::remove_all(*directory);
        delete directory;
        delete path;
        delete progress;
        delete message;
        delete decoded;
        delete bytes;
    }
    void SetUp() override {
        ASSERT_TRUE(ok) << *message;
        ASSERT_TRUE(decodedOk);
    }

    // RMS level in dB full scale between two times, both channels.
    static double level(double from, double to) {
        const size_t a = static_cast<size_t>(from * kSampleRate) * 2;
        const size_t b = std::min(decoded->size(), static_cast<size_t>(to * kSampleRate) * 2);
        double sum = 0.0;
        for (size_t i = a; i < b; ++i) sum += static_cast<double>((*decoded)[i]) * (*decoded)[i];
        return decibels(sum / static_cast<double>(b - a) / (32768.0 * 32768.0));
    }

    static void checkLengthAndStart();
    static void checkOtherDecoder();
    static void checkNoClipping();
    static void checkLevels();
    static void checkProgress();

    static inline std::string* directory = nullptr;
    static inline std::string* path = nullptr;
    static inline std::string* message = nullptr;
    static inline std::vector<double>* progress = nullptr;
    static inline std::vector<std::int16_t>* decoded = nullptr;
    static inline std::vector<std::uint8_t>* bytes = nullptr;
    static inline bool ok = false;
    static inline bool decodedOk = false;
};

void SoundtrackFile::checkLengthAndStart() {
    const size_t frames = decoded->size() / 2;
    EXPECT_EQ(frames, static_cast<size_t>(std::lround(kTrackSeconds * kSampleRate)));
    EXPECT_GE(frames, 340u * kSampleRate);
    long length = 0;
    int rate = 0;
    EXPECT_TRUE(platform::sound::decodedLength(bytes->data(), bytes->size(), &length, &rate));
    EXPECT_EQ(static_cast<size_t>(length), frames);
    EXPECT_EQ(rate, kSampleRate);

    // Line the decoded opening up against a fresh render of it: the best
    // match must be at offset 0, not after an encoder-delay gap.
    const std::vector<float> mix = mixScore(composeScore(), 14.0);
    const size_t from = 12 * kSampleRate, window = kSampleRate / 2;
    const int maxLag = 3000;
    int bestLag = maxLag + 1;
    double best = -1.0;
    for (int lag = -maxLag; lag <= maxLag; ++lag) {
        double dot = 0.0;
        for (size_t i = from; i < from + window; ++i)
            dot += static_cast<double>(mix[2 * i]) * (*decoded)[2 * (i + lag)];
        if (dot > best) {
            best = dot;
            bestLag = lag;
        }
    }
    EXPECT_EQ(bestLag, 0);
}

void SoundtrackFile::checkOtherDecoder() {
    if (std::system("ffmpeg -version >/dev/null 2>&1") != 0) {
        std::printf("ffmpeg not installed: second decoder not checked\n");
        return;
    }
    const std::string command = "ffmpeg -v error -i '" + *path + "' -f s16le -acodec pcm_s16le - | wc -c";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    long long count = -1;
    EXPECT_EQ(std::fscanf(pipe, "%lld", &count), 1);
    pclose(pipe);
    EXPECT_EQ(count, static_cast<long long>(decoded->size()) * 2);
}

void SoundtrackFile::checkNoClipping() {
    int peak = 0;
    size_t atFullScale = 0;
    for (std::int16_t s : *decoded) {
        peak = std::max(peak, std::abs(static_cast<int>(s)));
        if (s >= 32767 || s <= -32767) ++atFullScale;
    }
    EXPECT_EQ(atFullScale, 0u);
    EXPECT_LT(peak, 32700);
    EXPECT_GT(peak, 32768 * 0.7);
}

void SoundtrackFile::checkLevels() {
    const double opening = level(0.0, 40.5), fog = level(40.5, 80.0), greetings = level(80.0, 117.0),
                 space = level(117.0, 160.0), earth = level(160.0, 190.0), forest1 = level(190.0, 234.0),
                 forest3 = level(245.0, 275.0), finale = level(275.0, 315.0);
    const double loudest = std::max({fog, greetings, space, forest1, forest3, finale});
    // A quiet intro that grows, a louder middle with the beat.
    EXPECT_LT(opening, loudest - 8.0);
    EXPECT_LT(level(0.0, 10.0), level(30.0, 40.5) - 6.0);
    EXPECT_GT(level(40.5, 44.5), level(36.5, 40.5) + 3.0);
    EXPECT_GT(greetings, loudest - 3.0);
    EXPECT_GT(forest3, loudest - 3.0);
    EXPECT_GT(finale, loudest - 3.0);
    // The lift at 134 s and the breakdown.
    EXPECT_GT(level(134.0, 138.0), level(130.0, 134.0) + 4.0);
    EXPECT_LT(earth, space - 4.0);
    EXPECT_LT(earth, forest3 - 4.0);
    // The hit at 270 s after a short break.
    EXPECT_GT(level(270.0, 270.5), level(269.25, 269.75) + 6.0);
    // Fading out, then silence while the picture is black.
    EXPECT_LT(level(323.0, 331.0), finale - 12.0);
    EXPECT_LT(level(331.0, 340.0), -70.0);
}

void SoundtrackFile::checkProgress() {
    EXPECT_GE(progress->size(), 10u);
    EXPECT_TRUE(std::is_sorted(progress->begin(), progress->end()));
    EXPECT_GE(progress->front(), 0.0);
    EXPECT_DOUBLE_EQ(progress->back(), 1.0);
}

// Each test process renders the track once in the suite set-up, so the
// read-only checks share one test.
TEST_F(SoundtrackFile, DecodesExactlyWithoutClippingAndFollowsTheScenes) {
    {
        SCOPED_TRACE("length and start");
        checkLengthAndStart();
    }
    {
        SCOPED_TRACE("second decoder");
        checkOtherDecoder();
    }
    {
        SCOPED_TRACE("clipping");
        checkNoClipping();
    }
    {
        SCOPED_TRACE("levels");
        checkLevels();
    }
    {
        SCOPED_TRACE("progress");
        checkProgress();
    }
}

TEST_F(SoundtrackFile, IsTheSameBytesEveryRun) {
    const std::string again = *directory + "/again.mp3";
    std::string error;
    ASSERT_TRUE(writeSoundtrack(again, &error)) << error;
    std::ifstream in(again, std::ios::binary);
    const std::vector<std::uint8_t> second((std::istreambuf_iterator<char>(in)), {});
    EXPECT_TRUE(second == *bytes);
}

TEST(SoundtrackErrors, FailsCleanlyWhereItCannotWrite) {
    const std::string directory = testsupport::makeTempDir();
    const std::string path = directory + "/missing/vopa.mp3";
    std::string error;
    const std::vector<float> samples(2 * 4410, 0.1f);
    EXPECT_FALSE(encodeMp3(samples, path, &error));
    EXPECT_NE(error.find("missing"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(std::filesystem::exists(path + ".part"));

    error.clear();
    EXPECT_FALSE(encodeMp3(std::vector<float>(3, 0.0f), directory + "/odd.mp3", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(std::filesystem::exists(directory + "/odd.mp3"));

    // Nothing to encode is refused: decoders reject a file without audio.
    error.clear();
    EXPECT_FALSE(encodeMp3({}, directory + "/empty.mp3", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(std::filesystem::exists(directory + "/empty.mp3"));

    // A short, valid encode in the same folder works and decodes to its length.
    ASSERT_TRUE(encodeMp3(samples, directory + "/short.mp3", &error)) << error;
    std::ifstream in(directory + "/short.mp3", std::ios::binary);
    const std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(in)), {});
    long length = 0;
    int rate = 0;
    ASSERT_TRUE(platform::sound::decodedLength(data.data(), data.size(), &length, &rate));
    EXPECT_EQ(length, 4410);
    std::filesystem::remove_all(directory);
}
