// The soundtrack synthesizer: its envelope and effects measured
// on their output, the score against the demo's timeline, and the finished
// MP3 decoded the way the demo decodes it (length, start, level per scene,
// no clipping, a second decoder), plus the encoder's refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "platform/sound.h"
#include "support/paths.h"
#include "support/tool_files.h"
#include "tools/synth/drums.h"
#include "tools/synth/effects.h"
#include "tools/synth/envelope.h"
#include "tools/synth/mixer.h"
#include "tools/synth/mp3_encoder.h"
#include "tools/synth/score.h"
#include "tools/synth/soundtrack.h"

using namespace synth;

namespace {

double meanPower(const std::vector<float>& x, std::size_t from = 0, std::size_t to = SIZE_MAX) {
    double sum = 0.0;
    to = std::min(to, x.size());
    for (std::size_t i = from; i < to; ++i) sum += double(x[i]) * x[i];
    return sum / double(to - from);
}

double decibels(double power) { return 10.0 * std::log10(std::max(power, 1e-20)); }

TEST(Envelope, AttackDecaySustainReleaseAndReleaseFromWhereItWas) {
    EnvelopeShape shape;
    shape.attack = 0.01, shape.decay = 0.1, shape.sustain = 0.5, shape.release = 0.2;
    Envelope env(shape);
    const int attack = 441, decay = 4410, release = 8820;
    std::vector<float> v;
    for (int i = 0; i < attack + decay; ++i) v.push_back(env.next());
    EXPECT_NEAR(v[attack / 2 - 1], 0.5f, 0.01f);   // a straight rise
    EXPECT_NEAR(v[attack - 1], 1.0f, 0.003f);
    EXPECT_NEAR(v[attack + decay - 1], 0.5f, 0.5f * 0.011f);   // within 1% of the way
    for (int i = 0; i < 4 * decay; ++i) env.next();
    EXPECT_FLOAT_EQ(env.next(), 0.5f);   // then holds the sustain
    env.noteOff();
    float last = env.next();
    int samples = 1;
    for (; !env.done() && samples < 2 * release; ++samples) {
        const float now = env.next();
        ASSERT_LE(now, last);
        last = now;
    }
    EXPECT_NEAR(samples, release, 2);
    EXPECT_EQ(env.next(), 0.0f);

    shape.attack = 0.1, shape.release = 0.05;
    Envelope early(shape);
    float value = 0.0f;
    for (int i = 0; i < 441; ++i) value = early.next();   // a tenth of the attack
    EXPECT_NEAR(value, 0.1f, 0.005f);
    early.noteOff();
    for (float peak = 0.0f; !early.done();) ASSERT_LE(peak = std::max(peak, early.next()), value);
}

TEST(Effects, DelayLimiterAndNormaliseShapeTheMix) {
    // A click comes back after the delay on the left, then on the right
    // about half as loud (the damping spreads it over a few samples).
    const int d = 441;
    StereoDelay delay(0.01, 0.5, 20000.0);
    std::vector<StereoSample> out;
    for (int i = 0; i < 3 * d; ++i) out.push_back(delay.process(i == 0 ? StereoSample{1.0f, 0.0f} : StereoSample{}));
    EXPECT_FLOAT_EQ(out[d].left, 1.0f);
    EXPECT_FLOAT_EQ(out[d].right, 0.0f);
    float right = 0.0f;
    for (int i = 2 * d - 2; i < 2 * d + 40; ++i) right += out[std::size_t(i)].right;
    EXPECT_NEAR(right, 0.5f, 0.05f);

    // A quiet 200 Hz tone with a loud burst in the middle second: the burst
    // is held at the threshold, already when it arrives; the rest is left alone.
    std::vector<float> x(2 * 3 * kSampleRate);
    for (std::size_t i = 0; i < x.size() / 2; ++i) {
        const bool burst = i >= std::size_t(kSampleRate) && i < 2u * kSampleRate;
        x[2 * i] = x[2 * i + 1] = float((burst ? 0.9 : 0.2) * std::sin(2.0 * kPi * 200.0 * double(i) / kSampleRate));
    }
    const std::vector<float> before = x;
    limitPeaks(x, 0.5f, 0.005, 0.1);
    float burstPeak = 0.0f;
    for (std::size_t i = kSampleRate; i < 2u * kSampleRate; ++i) burstPeak = std::max(burstPeak, std::fabs(x[2 * i]));
    EXPECT_TRUE(burstPeak > 0.45f && burstPeak <= 0.53f) << burstPeak;
    for (std::size_t i = 0; i < kSampleRate - 500u; ++i) ASSERT_EQ(x[2 * i], before[2 * i]) << i;
    for (std::size_t i = 3u * kSampleRate - 100; i < x.size() / 2; ++i) ASSERT_NEAR(x[2 * i], before[2 * i], 0.002f) << i;

    std::vector<float> some = {0.1f, -0.4f, 0.2f}, silent(8, 0.0f);
    EXPECT_FLOAT_EQ(normalise(some, 0.8f), 2.0f);
    EXPECT_FLOAT_EQ(some[1], -0.8f);
    normalise(silent, 0.8f);
    EXPECT_EQ(silent, std::vector<float>(8, 0.0f));
}

TEST(Score, FollowsTheDemoTimelineAndFallsSilentWithThePicture) {
    const Score score = composeScore();
    ASSERT_FALSE(score.sections.empty());
    EXPECT_DOUBLE_EQ(score.sections.front().start, 0.0);
    EXPECT_GE(score.sections.back().end, 340.0);
    // Every scene change of the demo starts a section within one beat.
    for (double change : {40.5, 80.0, 117.0, 160.0, 190.0, 234.0, 245.0, 275.0})
        EXPECT_TRUE(std::any_of(score.sections.begin(), score.sections.end(), [&](const Section& s) {
            return std::fabs(s.start - change) <= kBeatSeconds;
        })) << change;
    for (int t = 0; t < kTrackCount; ++t)
        for (const NoteEvent& n : score.notes[t]) EXPECT_LE(n.time + n.duration, 331.0) << "track " << t;
    for (const DrumEvent& d : score.drums) EXPECT_LE(d.time + DrumVoice::lengthSeconds(d.drum), 331.0);
    EXPECT_EQ(gainAt(score.masterGain, 331.0), 0.0);
    EXPECT_EQ(gainAt(score.masterGain, 200.0), 1.0);
}

// The whole track, rendered once, decoded as the demo decodes it.
TEST(SoundtrackFile, DecodesExactlyWithoutClippingAndFollowsTheScenes) {
    const std::string dir = testsupport::makeTempDir(), path = dir + "/vopa.mp3";
    std::vector<double> progress;
    std::string error;
    ASSERT_TRUE(writeSoundtrack(path, &error, [&](double f) { progress.push_back(f); })) << error;
    EXPECT_GE(progress.size(), 10u);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_DOUBLE_EQ(progress.back(), 1.0);
    const testsupport::Bytes bytes = testsupport::readBytes(path);
    std::vector<std::int16_t> pcm;
    ASSERT_TRUE(platform::sound::decodeAll(bytes.data(), bytes.size(), kSampleRate, &pcm));
    const std::vector<float> decoded(pcm.begin(), pcm.end());
    long length = 0;
    int rate = 0;
    EXPECT_TRUE(platform::sound::decodedLength(bytes.data(), bytes.size(), &length, &rate));
    EXPECT_EQ(rate, kSampleRate);
    EXPECT_EQ(std::size_t(length), decoded.size() / 2);
    EXPECT_EQ(decoded.size() / 2, std::size_t(std::lround(kTrackSeconds * kSampleRate)));
    const testsupport::CommandRun other = testsupport::runCommand(
        "ffmpeg -v error -i " + testsupport::shellQuoted(path) + " -f s16le -acodec pcm_s16le - | wc -c");
    if (other.status == 0 && std::atoll(other.out.c_str()) > 0) {
        EXPECT_EQ(std::atoll(other.out.c_str()), (long long)pcm.size() * 2);
    }

    // The decoded opening lines up with a fresh render of it at offset 0,
    // not after an encoder-delay gap; the render is the same every time.
    const std::vector<float> mix = mixScore(composeScore(), 14.0);
    EXPECT_TRUE(mix == mixScore(composeScore(), 14.0)) << "the mix differs between renders";
    const std::size_t from = 12 * kSampleRate;
    int bestLag = 3001;
    double best = -1.0;
    for (int lag = -3000; lag <= 3000; ++lag) {
        double dot = 0.0;
        for (std::size_t i = from; i < from + kSampleRate / 2; ++i) dot += double(mix[2 * i]) * decoded[2 * (i + lag)];
        if (dot > best) best = dot, bestLag = lag;
    }
    EXPECT_EQ(bestLag, 0);

    const float peak = std::max(*std::max_element(decoded.begin(), decoded.end()), -*std::min_element(decoded.begin(), decoded.end()));
    EXPECT_TRUE(peak < 32700 && peak > 32768 * 0.7) << peak;
    // RMS level in dB full scale between two times, both channels.
    const auto level = [&](double a, double b) {
        return decibels(meanPower(decoded, std::size_t(a * kSampleRate) * 2, std::size_t(b * kSampleRate) * 2) / (32768.0 * 32768.0));
    };
    const double opening = level(0.0, 40.5), space = level(117.0, 160.0), earth = level(160.0, 190.0),
                 forest3 = level(245.0, 275.0), finale = level(275.0, 315.0);
    const double loudest = std::max({level(40.5, 80.0), level(80.0, 117.0), space, level(190.0, 234.0), forest3, finale});
    // A quiet intro that grows, a louder middle with the beat.
    EXPECT_LT(opening, loudest - 8.0);
    EXPECT_LT(level(0.0, 10.0), level(30.0, 40.5) - 6.0);
    EXPECT_GT(level(40.5, 44.5), level(36.5, 40.5) + 3.0);
    EXPECT_GT(level(80.0, 117.0), loudest - 3.0);
    EXPECT_GT(finale, loudest - 3.0);
    // The lift at 134 s, the breakdown, the hit at 270 s after a short break.
    EXPECT_GT(level(134.0, 138.0), level(130.0, 134.0) + 4.0);
    EXPECT_LT(earth, std::min(space, forest3) - 4.0);
    EXPECT_GT(level(270.0, 270.5), level(269.25, 269.75) + 6.0);
    // Fading out, then silence while the picture is black.
    EXPECT_LT(level(323.0, 331.0), finale - 12.0);
    EXPECT_LT(level(331.0, 340.0), -70.0);
    std::filesystem::remove_all(dir);
}

TEST(SoundtrackErrors, FailsCleanlyAndLeavesNoFile) {
    const std::string dir = testsupport::makeTempDir();
    const std::vector<float> samples(2 * 4410, 0.1f);
    const std::vector<std::pair<std::vector<float>, std::string>> refused = {
        {samples, dir + "/missing/vopa.mp3"},   // no such folder
        {std::vector<float>(3, 0.0f), dir + "/odd.mp3"},
        {{}, dir + "/empty.mp3"},   // decoders reject a file without audio
    };
    for (const auto& [input, path] : refused) {
        std::string error;
        EXPECT_FALSE(encodeMp3(input, path, &error)) << path;
        EXPECT_FALSE(error.empty()) << path;
        EXPECT_FALSE(std::filesystem::exists(path) || std::filesystem::exists(path + ".part")) << path;
    }
    // A short encode in the same folder works and decodes to its length.
    std::string error;
    ASSERT_TRUE(encodeMp3(samples, dir + "/short.mp3", &error)) << error;
    const testsupport::Bytes data = testsupport::readBytes(dir + "/short.mp3");
    long length = 0;
    int rate = 0;
    ASSERT_TRUE(platform::sound::decodedLength(data.data(), data.size(), &length, &rate));
    EXPECT_EQ(length, 4410);
    std::filesystem::remove_all(dir);
}

}  // namespace
