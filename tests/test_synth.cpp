// The soundtrack synthesizer: its envelope measured on its output, and the
// finished MP3 decoded the way the demo decodes it (length, levels, no
// clipping, a second decoder), plus the encoder's refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "platform/sound.h"
#include "support/paths.h"
#include "support/tool_files.h"
#include "tools/synth/envelope.h"
#include "tools/synth/mixer.h"
#include "tools/synth/mp3_encoder.h"
#include "tools/synth/soundtrack.h"

using namespace synth;

namespace {

TEST(Envelope, AttackDecaySustainAndRelease) {
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
    env.noteOff();   // falls from the sustain and ends on time
    int samples = 0;
    for (; !env.done() && samples < 2 * release; ++samples) ASSERT_LT(env.next(), 0.5f);
    EXPECT_NEAR(samples, release, 2);
}

TEST(Mixer, NormaliseScalesToThePeakAndLeavesSilenceAlone) {
    std::vector<float> some = {0.1f, -0.4f, 0.2f}, silent(8, 0.0f);
    EXPECT_FLOAT_EQ(normalise(some, 0.8f), 2.0f);
    EXPECT_FLOAT_EQ(some[1], -0.8f);
    normalise(silent, 0.8f);
    EXPECT_EQ(silent, std::vector<float>(8, 0.0f));
}

TEST(SoundtrackFile, DecodesExactlyWithoutClippingAndFollowsTheScenes) {
    const std::string dir = testsupport::makeTempDir(), path = dir + "/vopa.mp3";
    std::string error;
    ASSERT_TRUE(writeSoundtrack(path, &error, [](double) {})) << error;
    const testsupport::Bytes bytes = testsupport::readBytes(path);
    std::vector<std::int16_t> pcm;
    ASSERT_TRUE(platform::sound::decodeAll(bytes.data(), bytes.size(), kSampleRate, &pcm));
    long length = 0;
    int rate = 0;
    EXPECT_TRUE(platform::sound::decodedLength(bytes.data(), bytes.size(), &length, &rate));
    EXPECT_EQ(std::size_t(length), pcm.size() / 2);
    EXPECT_EQ(pcm.size() / 2, std::size_t(std::lround(kTrackSeconds * kSampleRate)));
    const testsupport::CommandRun other = testsupport::runCommand(
        "ffmpeg -v error -i " + testsupport::shellQuoted(path) + " -f s16le -acodec pcm_s16le - | wc -c");
    if (other.status == 0 && std::atoll(other.out.c_str()) > 0) {
        EXPECT_EQ(std::atoll(other.out.c_str()), (long long)pcm.size() * 2);
    }

    const auto [low, high] = std::minmax_element(pcm.begin(), pcm.end());
    const int peak = std::max(int(*high), -int(*low));
    EXPECT_TRUE(peak < 32700 && peak > 32768 * 0.7) << peak;
    // RMS level in dB full scale between two times, both channels.
    const auto level = [&](double a, double b) {
        double sum = 1e-20;
        for (std::size_t i = std::size_t(a * kSampleRate) * 2; i < std::size_t(b * kSampleRate) * 2; ++i)
            sum += double(pcm[i]) * pcm[i] / (32768.0 * 32768.0);
        return 10.0 * std::log10(sum / ((b - a) * kSampleRate * 2));
    };
    // A quiet intro, a louder middle, silence while the picture is black at the end.
    EXPECT_LT(level(0.0, 40.5), level(80.0, 117.0) - 8.0);
    EXPECT_LT(level(331.0, 340.0), -70.0);
    std::filesystem::remove_all(dir);
}

TEST(SoundtrackErrors, FailsCleanlyAndLeavesNoFile) {
    const std::string dir = testsupport::makeTempDir();
    const std::vector<std::pair<std::vector<float>, std::string>> refused = {
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
    ASSERT_TRUE(encodeMp3(std::vector<float>(2 * 4410, 0.1f), dir + "/short.mp3", &error)) << error;
    const testsupport::Bytes data = testsupport::readBytes(dir + "/short.mp3");
    long length = 0;
    int rate = 0;
    ASSERT_TRUE(platform::sound::decodedLength(data.data(), data.size(), &length, &rate));
    EXPECT_EQ(length, 4410);
    std::filesystem::remove_all(dir);
}

}  // namespace
