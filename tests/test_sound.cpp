// The sound library: device set-up and its failures, streams from memory
// images, sample-exact playback through SDL's disk writer, real-time
// playback through the dummy driver, pause, sync points, the end callback,
// and the decode helpers for tools.
#include <gtest/gtest.h>
#include <lame/lame.h>
#include <mpg123.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/scoped_env.h"
#include "platform/sound.h"
#include "support/paths.h"

namespace sound = platform::sound;

namespace {

using Clock = std::chrono::steady_clock;

// A tone per channel (cosine, so the first sample is loud), 16-bit.
std::vector<std::int16_t> tones(int frames, int rate, int channels) {
    std::vector<std::int16_t> pcm(static_cast<std::size_t>(frames) * channels);
    for (int i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            double hz = c == 0 ? 440.0 : 660.0;
            pcm[i * channels + c] = static_cast<std::int16_t>(12000.0 * std::cos(2.0 * M_PI * hz * i / rate));
        }
    }
    return pcm;
}

// Encodes with LAME and writes its tag frame over the first frame, so that
// decoders trim the encoder delay and padding.
std::vector<std::uint8_t> encodeMp3(const std::vector<std::int16_t>& pcm, int rate, int channels) {
    lame_global_flags* lame = lame_init();
    lame_set_in_samplerate(lame, rate);
    lame_set_out_samplerate(lame, rate);
    lame_set_num_channels(lame, channels);
    lame_set_mode(lame, channels == 1 ? MONO : JOINT_STEREO);
    lame_set_brate(lame, 128);
    lame_set_quality(lame, 7);
    lame_set_bWriteVbrTag(lame, 1);
    EXPECT_GE(lame_init_params(lame), 0);
    int frames = static_cast<int>(pcm.size()) / channels;
    std::vector<std::uint8_t> out(static_cast<std::size_t>(frames) * 5 / 4 + 7200 + 8192);
    std::vector<std::int16_t> left(frames), right(frames);
    for (int i = 0; i < frames; ++i) {
        left[i] = pcm[i * channels];
        right[i] = pcm[i * channels + channels - 1];
    }
    int n = lame_encode_buffer(lame, left.data(), right.data(), frames, out.data(), static_cast<int>(out.size()));
    EXPECT_GE(n, 0);
    int m = lame_encode_flush(lame, out.data() + n, static_cast<int>(out.size()) - n);
    EXPECT_GE(m, 0);
    out.resize(static_cast<std::size_t>(n + m));
    unsigned char tag[2880];
    std::size_t tagSize = lame_get_lametag_frame(lame, tag, sizeof tag);
    EXPECT_GT(tagSize, 0u);
    EXPECT_LE(tagSize, out.size());
    std::memcpy(out.data(), tag, tagSize);
    lame_close(lame);
    return out;
}

// The reference: the image decoded by libmpg123 fed from memory, at 44.1 kHz
// 16-bit stereo.
std::vector<std::int16_t> referenceDecode(const std::vector<std::uint8_t>& image) {
    mpg123_handle* h = mpg123_new(nullptr, nullptr);
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    mpg123_format_none(h);
    mpg123_format(h, 44100, MPG123_STEREO, MPG123_ENC_SIGNED_16);
    mpg123_open_feed(h);
    mpg123_feed(h, image.data(), image.size());
    std::vector<std::int16_t> pcm;
    std::vector<std::int16_t> block(8192);
    while (true) {
        std::size_t bytes = 0;
        int rc = mpg123_read(h, block.data(), block.size() * 2, &bytes);
        pcm.insert(pcm.end(), block.begin(), block.begin() + bytes / 2);
        if (rc != MPG123_OK && rc != MPG123_NEW_FORMAT) break;
    }
    mpg123_delete(h);
    return pcm;
}

using testsupport::ScopedEnv;

// What the callbacks saw, in order; they run on the audio thread.
struct CallbackLog {
    std::mutex mutex;
    std::vector<std::string> events;
    std::atomic<int> ends{0};
    Clock::time_point endedAt;

    std::vector<std::string> snapshot() {
        std::lock_guard<std::mutex> lock(mutex);
        return events;
    }
};

signed char recordCallback(sound::Stream*, void* buffer, int length, void* userData) {
    auto* log = static_cast<CallbackLog*>(userData);
    std::lock_guard<std::mutex> lock(log->mutex);
    if (buffer) {
        log->events.push_back(std::string(static_cast<const char*>(buffer)) + "/" + std::to_string(length));
    } else {
        log->events.push_back("end");
        log->endedAt = Clock::now();
        log->ends.fetch_add(1);
    }
    return 1;
}

bool waitFor(const std::function<bool()>& done, int timeoutMs) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

const char* bytes(const std::vector<std::uint8_t>& image) { return reinterpret_cast<const char*>(image.data()); }
int size(const std::vector<std::uint8_t>& image) { return static_cast<int>(image.size()); }

constexpr unsigned demoMode = sound::mode16Bits | sound::modeSigned | sound::modeMono |
                              sound::modeLoadMemory | sound::modeMpegAccurate;

class SoundLibrary : public ::testing::Test {
protected:
    void TearDown() override { sound::close(); }
};

// ---- set-up, queries and misuse ----

TEST_F(SoundLibrary, VersionOutputsAndDriversOfTheDummyDriver) {
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    EXPECT_EQ(demoMode, 0x28130u);
    EXPECT_GE(sound::getVersion(), 3.74f);
    EXPECT_TRUE(sound::setOutput(sound::outputWinmm));
    EXPECT_FALSE(sound::setOutput(7));
    EXPECT_EQ(sound::getError(), sound::errInvalidParam);
    ASSERT_EQ(sound::getNumDrivers(), 1);
    ASSERT_NE(sound::getDriverName(0), nullptr);
    EXPECT_STRNE(sound::getDriverName(0), "");
    EXPECT_EQ(sound::getDriverName(1), nullptr);
    EXPECT_EQ(sound::getDriverName(-1), nullptr);
    EXPECT_TRUE(sound::setDriver(0));
    EXPECT_FALSE(sound::setDriver(1));

    EXPECT_FALSE(sound::init(44100, 0, 0));
    EXPECT_FALSE(sound::init(44100, 65, 0));
    EXPECT_FALSE(sound::init(0, 32, 0));
    EXPECT_EQ(sound::getError(), sound::errInvalidParam);
    ASSERT_TRUE(sound::init(44100, 32, 0));
    // Choices are fixed once the device is open.
    EXPECT_FALSE(sound::init(44100, 32, 0));
    EXPECT_EQ(sound::getError(), sound::errBusy);
    EXPECT_FALSE(sound::setOutput(sound::outputAlsa));
    EXPECT_FALSE(sound::setDriver(0));
    EXPECT_EQ(sound::getError(), sound::errBusy);
}

TEST_F(SoundLibrary, DriversWithoutAnOutputNumberGoByTheirOwnName) {
    std::string dir = testsupport::makeTempDir();
    ScopedEnv driver("SDL_AUDIODRIVER", "disk");
    ScopedEnv file("SDL_DISKAUDIOFILE", dir + "/out.raw");
    EXPECT_EQ(sound::getOutput(), sound::outputOther);
    EXPECT_STREQ(sound::getOutputDriverName(), "disk");
    std::filesystem::remove_all(dir);
    // After close the driver is chosen afresh. The dummy driver opens a
    // device that plays nowhere: an output, not NoSound.
    sound::close();
    ScopedEnv dummy("SDL_AUDIODRIVER", "dummy");
    EXPECT_EQ(sound::getOutput(), sound::outputOther);
    EXPECT_STREQ(sound::getOutputDriverName(), "dummy");
}

TEST_F(SoundLibrary, CallsBeforeInitFailHarmlessly) {
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    std::vector<std::uint8_t> image = encodeMp3(tones(4410, 44100, 2), 44100, 2);
    EXPECT_EQ(sound::streamOpen(bytes(image), demoMode, 0, size(image)), nullptr);
    EXPECT_EQ(sound::getError(), sound::errUninitialized);
    EXPECT_EQ(sound::streamPlayEx(sound::freeChannel, nullptr, nullptr, true), -1);
    EXPECT_FALSE(sound::setPaused(0, false));
    EXPECT_FALSE(sound::isPlaying(0));
    EXPECT_FALSE(sound::streamClose(nullptr));
    sound::close();
    sound::close();
}

TEST_F(SoundLibrary, NoUsableDeviceFailsInitWithTheOutputDeviceError) {
    struct Case {
        const char* driver;
        int output;
    };
    // ALSA told to use a device that cannot exist; a driver SDL lacks.
    for (Case c : {Case{"alsa", sound::outputAlsa}, Case{"gravlet-no-such-driver", sound::outputNoSound}}) {
        SCOPED_TRACE(c.driver);
        ScopedEnv driver("SDL_AUDIODRIVER", c.driver);
        ScopedEnv device("AUDIODEV", "gravlet_no_such_device");
        EXPECT_EQ(sound::getOutput(), c.output);
        EXPECT_TRUE(sound::setDriver(0));
        EXPECT_FALSE(sound::init(44100, 32, 0));
        EXPECT_EQ(sound::getError(), sound::errInit);
        // The shell's loop keeps trying; every attempt must fail cleanly.
        for (int pass = 0; pass < 3; ++pass) {
            int channel = sound::streamPlayEx(sound::freeChannel, nullptr, nullptr, true);
            EXPECT_EQ(channel, -1);
            EXPECT_FALSE(sound::setPaused(channel, false));
        }
        sound::close();
    }
}

TEST_F(SoundLibrary, NoSoundOutputInitsButNothingPlays) {
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    ASSERT_TRUE(sound::setOutput(sound::outputNoSound));
    EXPECT_EQ(sound::getOutput(), sound::outputNoSound);
    EXPECT_EQ(sound::getNumDrivers(), 0);
    ASSERT_TRUE(sound::init(44100, 32, 0));
    std::vector<std::uint8_t> image = encodeMp3(tones(4410, 44100, 2), 44100, 2);
    sound::Stream* stream = sound::streamOpen(bytes(image), demoMode, 0, size(image));
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(sound::streamPlayEx(sound::freeChannel, stream, nullptr, false), -1);
    EXPECT_EQ(sound::getError(), sound::errPlay);
}

// ---- stream images ----

TEST_F(SoundLibrary, ImagesWithoutMpegAudioGiveNoStream) {
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    ASSERT_TRUE(sound::init(44100, 32, 0));

    std::vector<std::uint8_t> empty;
    const char* emptyData = "";
    EXPECT_EQ(sound::streamOpen(emptyData, demoMode, 0, 0), nullptr);
    EXPECT_EQ(sound::getError(), sound::errFileFormat);

    std::string text = "This is a text file, not a song.\n";
    EXPECT_EQ(sound::streamOpen(text.data(), demoMode, 0, static_cast<int>(text.size())), nullptr);
    EXPECT_EQ(sound::getError(), sound::errFileFormat);

    std::vector<std::uint8_t> noise(65536);
    std::uint32_t seed = 12345;
    for (auto& b : noise) {
        seed = seed * 1664525u + 1013904223u;
        b = static_cast<std::uint8_t>(seed >> 24);
    }
    EXPECT_EQ(sound::streamOpen(bytes(noise), demoMode, 0, size(noise)), nullptr);
    EXPECT_EQ(sound::getError(), sound::errFileFormat);

    std::vector<std::uint8_t> zeros(4096, 0);
    EXPECT_EQ(sound::streamOpen(bytes(zeros), demoMode, 0, size(zeros)), nullptr);

    std::vector<std::uint8_t> image = encodeMp3(tones(4410, 44100, 2), 44100, 2);
    EXPECT_EQ(sound::streamOpen(nullptr, demoMode, 0, 100), nullptr);
    EXPECT_EQ(sound::getError(), sound::errInvalidParam);
    EXPECT_EQ(sound::streamOpen(bytes(image), demoMode & ~sound::modeLoadMemory, 0, size(image)), nullptr);
    EXPECT_EQ(sound::streamOpen(bytes(image), demoMode, size(image) + 1, size(image)), nullptr);
    EXPECT_EQ(sound::streamOpen(bytes(image), demoMode, -1, size(image)), nullptr);
    EXPECT_EQ(sound::streamOpen(bytes(image), demoMode, 0, -5), nullptr);

    // A null stream is refused everywhere, as the shell passes it on.
    EXPECT_FALSE(sound::streamSetEndCallback(nullptr, recordCallback, nullptr));
    EXPECT_FALSE(sound::streamSetSyncCallback(nullptr, recordCallback, nullptr));
    EXPECT_EQ(sound::streamPlayEx(sound::freeChannel, nullptr, nullptr, true), -1);
    EXPECT_FALSE(sound::setPaused(-1, false));
    EXPECT_FALSE(sound::streamClose(nullptr));

    // The same calls on a good image succeed.
    sound::Stream* stream = sound::streamOpen(bytes(image), demoMode, 0, size(image));
    ASSERT_NE(stream, nullptr);
    EXPECT_TRUE(sound::streamSetEndCallback(stream, recordCallback, nullptr));
    EXPECT_TRUE(sound::streamClose(stream));
}

TEST_F(SoundLibrary, DecodeHelpersGiveTheEncodedLength) {
    const int frames = 30000;   // not a multiple of the 1152-sample frame
    std::vector<std::uint8_t> stereo = encodeMp3(tones(frames, 44100, 2), 44100, 2);
    long length = 0;
    int rate = 0;
    ASSERT_TRUE(sound::decodedLength(stereo.data(), stereo.size(), &length, &rate));
    EXPECT_EQ(length, frames);
    EXPECT_EQ(rate, 44100);

    std::vector<std::int16_t> pcm;
    ASSERT_TRUE(sound::decodeAll(stereo.data(), stereo.size(), 44100, &pcm));
    EXPECT_EQ(pcm, referenceDecode(stereo));
    EXPECT_EQ(pcm.size(), 2u * frames);

    // Mono at half rate comes out as stereo at the mixing rate.
    std::vector<std::uint8_t> mono = encodeMp3(tones(frames / 2, 22050, 1), 22050, 1);
    ASSERT_TRUE(sound::decodedLength(mono.data(), mono.size(), &length, &rate));
    EXPECT_EQ(length, frames / 2);
    EXPECT_EQ(rate, 22050);
    ASSERT_TRUE(sound::decodeAll(mono.data(), mono.size(), 44100, &pcm));
    EXPECT_NEAR(static_cast<double>(pcm.size()) / 2, frames, 2.0);
    bool sameSides = true;
    for (std::size_t i = 0; i + 1 < pcm.size(); i += 2) sameSides = sameSides && pcm[i] == pcm[i + 1];
    EXPECT_TRUE(sameSides);

    std::vector<std::uint8_t> garbage(5000, 0x55);
    EXPECT_FALSE(sound::decodedLength(garbage.data(), garbage.size(), &length, &rate));
    EXPECT_FALSE(sound::decodedLength(nullptr, 0, &length, &rate));
    EXPECT_FALSE(sound::decodeAll(garbage.data(), garbage.size(), 44100, &pcm));
    EXPECT_FALSE(sound::decodeAll(stereo.data(), stereo.size(), 0, &pcm));
}

// ---- playback ----

// SDL's disk driver writes every sample the device plays: silence until the
// channel is unpaused, then the stream.
class DiskPlayback : public SoundLibrary {
protected:
    void SetUp() override { dir = testsupport::makeTempDir(); }
    void TearDown() override {
        SoundLibrary::TearDown();
        std::filesystem::remove_all(dir);
    }

    std::vector<std::int16_t> playedSamples() {
        std::ifstream in(dir + "/out.raw", std::ios::binary);
        std::vector<char> raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::vector<std::int16_t> samples(raw.size() / 2);
        std::memcpy(samples.data(), raw.data(), samples.size() * 2);
        return samples;
    }

    std::string dir;
};

TEST_F(DiskPlayback, PlaysTheDecodedSamplesExactlyFromTheFirstAndEndsOnce) {
    ScopedEnv driver("SDL_AUDIODRIVER", "disk");
    ScopedEnv file("SDL_DISKAUDIOFILE", dir + "/out.raw");
    ScopedEnv delay("SDL_DISKAUDIODELAY", "8");   // ~3x real time

    // Longer than the decode-ahead ring, so the decoder thread refills it.
    const int frames = 4 * 44100;
    std::vector<std::uint8_t> image = encodeMp3(tones(frames, 44100, 2), 44100, 2);
    std::vector<std::int16_t> reference = referenceDecode(image);
    ASSERT_EQ(reference.size(), 2u * frames);
    ASSERT_NE(reference[0], 0);

    ASSERT_TRUE(sound::init(44100, 32, 0));
    ASSERT_TRUE(sound::streamSetBufferSize(1000));
    sound::Stream* stream = sound::streamOpen(bytes(image), demoMode, 0, size(image));
    ASSERT_NE(stream, nullptr);
    CallbackLog log;
    ASSERT_TRUE(sound::streamSetEndCallback(stream, recordCallback, &log));
    ASSERT_TRUE(sound::streamSetSyncCallback(stream, recordCallback, &log));
    int channel = sound::streamPlayEx(sound::freeChannel, stream, nullptr, true);
    ASSERT_GE(channel, 0);
    EXPECT_TRUE(sound::isPlaying(channel));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));   // paused: silence goes out
    ASSERT_TRUE(sound::setPaused(channel, false));
    ASSERT_TRUE(waitFor([&] { return log.ends.load() > 0; }, 10000));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(log.ends.load(), 1);
    EXPECT_EQ(log.snapshot(), std::vector<std::string>{"end"});
    EXPECT_FALSE(sound::isPlaying(channel));
    EXPECT_FALSE(sound::setPaused(channel, true));
    EXPECT_TRUE(sound::streamClose(stream));
    sound::close();

    std::vector<std::int16_t> played = playedSamples();
    std::size_t start = 0;
    while (start < played.size() && played[start] == 0) ++start;
    ASSERT_GT(start, 0u) << "the paused channel sent no silence";
    ASSERT_EQ(start % 2, 0u);
    ASSERT_GE(played.size(), start + reference.size());
    std::size_t mismatches = 0, firstMismatch = 0;
    for (std::size_t i = 0; i < reference.size(); ++i) {
        if (played[start + i] != reference[i] && mismatches++ == 0) firstMismatch = i;
    }
    EXPECT_EQ(mismatches, 0u) << "first at sample " << firstMismatch;
    bool silentAfter = true;
    for (std::size_t i = start + reference.size(); i < played.size(); ++i) silentAfter = silentAfter && played[i] == 0;
    EXPECT_TRUE(silentAfter);
}

TEST_F(DiskPlayback, SyncPointsFireInOrderBeforeTheEnd) {
    ScopedEnv driver("SDL_AUDIODRIVER", "disk");
    ScopedEnv file("SDL_DISKAUDIOFILE", dir + "/out.raw");
    ScopedEnv delay("SDL_DISKAUDIODELAY", "2");

    const int frames = 22050;
    std::vector<std::uint8_t> image = encodeMp3(tones(frames, 44100, 2), 44100, 2);
    ASSERT_TRUE(sound::init(44100, 32, 0));
    sound::Stream* stream = sound::streamOpen(bytes(image), demoMode, 0, size(image));
    ASSERT_NE(stream, nullptr);
    CallbackLog log;
    ASSERT_TRUE(sound::streamSetEndCallback(stream, recordCallback, &log));
    ASSERT_TRUE(sound::streamSetSyncCallback(stream, recordCallback, &log));
    ASSERT_TRUE(sound::streamAddSyncPoint(stream, 15000, "drop"));
    ASSERT_TRUE(sound::streamAddSyncPoint(stream, 0, "start"));
    ASSERT_TRUE(sound::streamAddSyncPoint(stream, frames, "last"));
    ASSERT_TRUE(sound::streamAddSyncPoint(stream, frames + 1, "beyond"));   // never reached
    EXPECT_FALSE(sound::streamAddSyncPoint(stream, -1, "x"));
    int channel = sound::streamPlayEx(sound::freeChannel, stream, nullptr, false);
    ASSERT_GE(channel, 0);
    EXPECT_FALSE(sound::streamAddSyncPoint(stream, 10, "late"));
    EXPECT_EQ(sound::getError(), sound::errBusy);
    ASSERT_TRUE(waitFor([&] { return log.ends.load() > 0; }, 10000));
    EXPECT_EQ(log.snapshot(), (std::vector<std::string>{"start/5", "drop/4", "last/4", "end"}));
}

TEST_F(DiskPlayback, PlayingAgainRestartsFromTheBeginning) {
    ScopedEnv driver("SDL_AUDIODRIVER", "disk");
    ScopedEnv file("SDL_DISKAUDIOFILE", dir + "/out.raw");
    ScopedEnv delay("SDL_DISKAUDIODELAY", "8");   // ~3x real time: the decoder keeps ahead even on a loaded machine

    const int frames = 44100;
    std::vector<std::uint8_t> image = encodeMp3(tones(frames, 44100, 2), 44100, 2);
    std::vector<std::int16_t> reference = referenceDecode(image);
    ASSERT_TRUE(sound::init(44100, 32, 0));
    sound::Stream* stream = sound::streamOpen(bytes(image), demoMode, 0, size(image));
    ASSERT_NE(stream, nullptr);
    CallbackLog log;
    ASSERT_TRUE(sound::streamSetEndCallback(stream, recordCallback, &log));
    ASSERT_GE(sound::streamPlayEx(sound::freeChannel, stream, nullptr, false), 0);
    ASSERT_TRUE(waitFor([&] { return log.ends.load() == 1; }, 10000));
    ASSERT_GE(sound::streamPlayEx(sound::freeChannel, stream, nullptr, false), 0);
    ASSERT_TRUE(waitFor([&] { return log.ends.load() == 2; }, 10000));
    sound::close();

    // Two whole copies of the stream went out, separated by silence only.
    std::vector<std::int16_t> played = playedSamples();
    std::size_t at = 0;
    for (int copy = 0; copy < 2; ++copy) {
        SCOPED_TRACE(copy);
        while (at < played.size() && played[at] == 0) ++at;
        ASSERT_GE(played.size(), at + reference.size());
        EXPECT_TRUE(std::equal(reference.begin(), reference.end(), played.begin() + at));
        at += reference.size();
    }
}

TEST_F(SoundLibrary, DummyDriverPlaysInRealTimeAndPauseHolds) {
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    const int frames = 22050;   // 0.5 s
    std::vector<std::uint8_t> image = encodeMp3(tones(frames, 44100, 2), 44100, 2);
    ASSERT_TRUE(sound::init(44100, 32, 0));
    sound::Stream* stream = sound::streamOpen(bytes(image), demoMode, 0, size(image));
    ASSERT_NE(stream, nullptr);
    CallbackLog log;
    ASSERT_TRUE(sound::streamSetEndCallback(stream, recordCallback, &log));
    int channel = sound::streamPlayEx(sound::freeChannel, stream, nullptr, true);
    ASSERT_GE(channel, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    EXPECT_EQ(log.ends.load(), 0) << "a paused channel played";
    EXPECT_TRUE(sound::isPlaying(channel));

    Clock::time_point start = Clock::now();
    ASSERT_TRUE(sound::setPaused(channel, false));
    ASSERT_TRUE(waitFor([&] { return log.ends.load() > 0; }, 5000));
    double seconds = std::chrono::duration<double>(log.endedAt - start).count();
    EXPECT_GT(seconds, 0.4);
    EXPECT_LT(seconds, 1.5);
    EXPECT_FALSE(sound::isPlaying(channel));
}

TEST_F(SoundLibrary, ChannelsAreAllocatedAndReplaced) {
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    std::vector<std::uint8_t> image = encodeMp3(tones(44100, 44100, 2), 44100, 2);
    ASSERT_TRUE(sound::init(44100, 1, 0));
    sound::Stream* first = sound::streamOpen(bytes(image), demoMode, 0, size(image));
    sound::Stream* second = sound::streamOpen(bytes(image), demoMode, 0, size(image));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(sound::streamPlayEx(sound::freeChannel, first, nullptr, true), 0);
    EXPECT_EQ(sound::streamPlayEx(sound::freeChannel, second, nullptr, true), -1);
    EXPECT_EQ(sound::getError(), sound::errChannelAlloc);
    EXPECT_EQ(sound::streamPlayEx(1, second, nullptr, true), -1);
    EXPECT_EQ(sound::getError(), sound::errInvalidParam);
    // Naming the busy channel takes it over.
    EXPECT_EQ(sound::streamPlayEx(0, second, nullptr, true), 0);
    EXPECT_TRUE(sound::streamAddSyncPoint(first, 5, "idle again"));
    EXPECT_FALSE(sound::streamAddSyncPoint(second, 5, "busy"));
}

TEST_F(SoundLibrary, ClosingWhilePlayingStopsWithoutCallbacks) {
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    std::vector<std::uint8_t> image = encodeMp3(tones(44100, 44100, 2), 44100, 2);
    ASSERT_TRUE(sound::init(44100, 32, 0));
    CallbackLog log;
    sound::Stream* closed = sound::streamOpen(bytes(image), demoMode, 0, size(image));
    sound::Stream* left = sound::streamOpen(bytes(image), demoMode, 0, size(image));
    ASSERT_NE(closed, nullptr);
    ASSERT_NE(left, nullptr);
    ASSERT_TRUE(sound::streamSetEndCallback(closed, recordCallback, &log));
    ASSERT_TRUE(sound::streamSetEndCallback(left, recordCallback, &log));
    int channel = sound::streamPlayEx(sound::freeChannel, closed, nullptr, false);
    ASSERT_GE(channel, 0);
    ASSERT_GE(sound::streamPlayEx(sound::freeChannel, left, nullptr, false), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(sound::streamClose(closed));
    EXPECT_FALSE(sound::isPlaying(channel));
    EXPECT_FALSE(sound::streamClose(closed));   // already gone: refused
    // The library closes the stream still open; its pointer is refused after.
    sound::close();
    EXPECT_FALSE(sound::streamClose(left));
    EXPECT_EQ(log.ends.load(), 0);
}

}  // namespace
