// The sound library: every misuse the shell can make fails with its error
// code, output devices that cannot open, and sample-exact playback through
// SDL's disk writer checked against libmpg123.
#include <gtest/gtest.h>
#include <mpg123.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/sound.h"
#include "support/mp3.h"
#include "support/paths.h"
#include "support/scoped_env.h"

namespace sound = platform::sound;

namespace {

using testsupport::encodeMp3;
using testsupport::ScopedEnv;

constexpr unsigned demoMode = sound::mode16Bits | sound::modeSigned | sound::modeMono |
                              sound::modeLoadMemory | sound::modeMpegAccurate;

// The independent decoder: libmpg123 fed from memory, 44.1 kHz 16-bit stereo.
std::vector<std::int16_t> referenceDecode(const std::vector<std::uint8_t>& image) {
    mpg123_handle* h = mpg123_new(nullptr, nullptr);
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    mpg123_format_none(h);
    mpg123_format(h, 44100, MPG123_STEREO, MPG123_ENC_SIGNED_16);
    mpg123_open_feed(h);
    mpg123_feed(h, image.data(), image.size());
    std::vector<std::int16_t> pcm, block(8192);
    int rc = MPG123_OK;
    while (rc == MPG123_OK || rc == MPG123_NEW_FORMAT) {
        std::size_t bytes = 0;
        rc = mpg123_read(h, block.data(), block.size() * 2, &bytes);
        pcm.insert(pcm.end(), block.begin(), block.begin() + bytes / 2);
    }
    mpg123_delete(h);
    return pcm;
}

// What the callbacks saw, in order; they run on the audio thread.
struct CallbackLog {
    std::mutex mutex;
    std::vector<std::string> events;
    std::atomic<int> ends{0};
};

signed char recordCallback(sound::Stream*, void* buffer, int length, void* userData) {
    auto* log = static_cast<CallbackLog*>(userData);
    std::lock_guard<std::mutex> lock(log->mutex);
    log->events.push_back(buffer ? std::string(static_cast<const char*>(buffer)) + "/" + std::to_string(length)
                                 : "end");
    if (!buffer) log->ends.fetch_add(1);
    return 1;
}

bool waitFor(const std::function<bool()>& done, int timeoutMs = 10000) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

sound::Stream* openStream(const std::vector<std::uint8_t>& image, unsigned mode = demoMode) {
    return sound::streamOpen(reinterpret_cast<const char*>(image.data()), mode, 0, int(image.size()));
}

class SoundLibrary : public ::testing::Test {
protected:
    void TearDown() override { sound::close(); }
};

// Each call in order on one library: its result, and the error it leaves
// (-1: a success, not checked).
TEST_F(SoundLibrary, EveryMisuseFailsWithItsErrorCode) {
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    std::vector<std::uint8_t> image = encodeMp3(44100), noise(65536);
    std::uint32_t seed = 12345;
    for (auto& b : noise) b = static_cast<std::uint8_t>((seed = seed * 1664525u + 1013904223u) >> 24);
    sound::Stream *first = nullptr, *second = nullptr;
    CallbackLog log;
    struct Call {
        const char* what;
        std::function<long()> call;
        long result;
        int error;
    };
    const Call calls[] = {
        {"open before init", [&] { return long(openStream(image) != nullptr); }, 0, sound::errUninitialized},
        {"play before init", [&] { return long(sound::streamPlayEx(-1, nullptr, nullptr, true)); }, -1, sound::errUninitialized},
        {"output 7", [&] { return long(sound::setOutput(7)); }, 0, sound::errInvalidParam},
        {"second driver", [&] { return long(sound::setDriver(1)); }, 0, sound::errInvalidParam},
        {"no channels", [&] { return long(sound::init(44100, 0, 0)); }, 0, sound::errInvalidParam},
        {"65 channels", [&] { return long(sound::init(44100, 65, 0)); }, 0, sound::errInvalidParam},
        {"buffer 10001 ms", [&] { return long(sound::streamSetBufferSize(10001)); }, 0, sound::errInvalidParam},
        {"one channel", [&] { return long(sound::init(44100, 1, 0)); }, 1, -1},
        {"init twice", [&] { return long(sound::init(44100, 32, 0)); }, 0, sound::errBusy},
        {"output after init", [&] { return long(sound::setOutput(sound::outputAlsa)); }, 0, sound::errBusy},
        {"empty image", [&] { return long(sound::streamOpen("", demoMode, 0, 0) != nullptr); }, 0, sound::errFileFormat},
        {"noise", [&] { return long(openStream(noise) != nullptr); }, 0, sound::errFileFormat},
        {"null data", [&] { return long(sound::streamOpen(nullptr, demoMode, 0, 100) != nullptr); }, 0, sound::errInvalidParam},
        {"not from memory", [&] { return long(openStream(image, demoMode & ~sound::modeLoadMemory) != nullptr); }, 0, sound::errInvalidParam},
        {"null stream callback", [&] { return long(sound::streamSetEndCallback(nullptr, recordCallback, &log)); }, 0, sound::errInvalidParam},
        {"open", [&] { return long((first = openStream(image)) != nullptr); }, 1, -1},
        {"open again", [&] { return long((second = openStream(image)) != nullptr); }, 1, -1},
        {"end callback", [&] { return long(sound::streamSetEndCallback(second, recordCallback, &log)); }, 1, -1},
        {"play", [&] { return long(sound::streamPlayEx(-1, first, nullptr, true)); }, 0, -1},
        {"no free channel", [&] { return long(sound::streamPlayEx(-1, second, nullptr, true)); }, -1, sound::errChannelAlloc},
        {"no channel 1", [&] { return long(sound::streamPlayEx(1, second, nullptr, true)); }, -1, sound::errInvalidParam},
        {"naming the busy channel takes it over", [&] { return long(sound::streamPlayEx(0, second, nullptr, false)); }, 0, -1},
        {"sync point on the idle stream", [&] { return long(sound::streamAddSyncPoint(first, 5, "a")); }, 1, -1},
        {"sync point while playing", [&] { return long(sound::streamAddSyncPoint(second, 5, "b")); }, 0, sound::errBusy},
        {"close", [&] { return long(sound::streamClose(first)); }, 1, -1},
        {"close twice", [&] { return long(sound::streamClose(first)); }, 0, sound::errInvalidParam},
        {"close the library", [&] { return sound::close(), 1L; }, 1, -1},
        {"stream closed with the library", [&] { return long(sound::streamClose(second)); }, 0, sound::errInvalidParam},
        {"pause after close", [&] { return long(sound::setPaused(0, false)); }, 0, sound::errUninitialized},
    };
    for (const Call& c : calls) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.call(), c.result);
        if (c.error >= 0) { EXPECT_EQ(sound::getError(), c.error); }
    }
    EXPECT_EQ(log.ends.load(), 0);   // stopped by the close, not played out
}

// The report names the output; a device that cannot open fails init, and
// the shell's loop, which keeps trying to play, fails cleanly every pass.
TEST_F(SoundLibrary, OutputsAreNamedAndDevicesThatCannotOpenFailInit) {
    std::string dir = testsupport::makeTempDir();
    struct Case {
        const char* driver;
        int output;
        const char* name;
        bool opens;
    };
    for (Case c : {Case{"dummy", sound::outputOther, "dummy", true}, Case{"disk", sound::outputOther, "disk", true},
                   Case{"alsa", sound::outputAlsa, "alsa", false},
                   Case{"gravlet-no-such-driver", sound::outputNoSound, "", false}}) {
        SCOPED_TRACE(c.driver);
        ScopedEnv driver("SDL_AUDIODRIVER", c.driver), file("SDL_DISKAUDIOFILE", dir + "/out.raw");
        ScopedEnv device("AUDIODEV", "gravlet_no_such_device");
        EXPECT_EQ(sound::getOutput(), c.output);
        EXPECT_STREQ(sound::getOutputDriverName(), c.name);
        EXPECT_TRUE(sound::setDriver(0));
        EXPECT_EQ(sound::init(44100, 32, 0), c.opens);
        if (!c.opens) { EXPECT_EQ(sound::getError(), sound::errInit); }
        for (int pass = 0; pass < 2 && !c.opens; ++pass) {
            EXPECT_EQ(sound::streamPlayEx(sound::freeChannel, nullptr, nullptr, true), -1);
            EXPECT_FALSE(sound::setPaused(-1, false));
        }
        sound::close();
    }
    std::filesystem::remove_all(dir);
    // Output 0 opens no device: init succeeds, nothing plays.
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    ASSERT_TRUE(sound::setOutput(sound::outputNoSound));
    EXPECT_EQ(sound::getNumDrivers(), 0);
    ASSERT_TRUE(sound::init(44100, 32, 0));
    std::vector<std::uint8_t> image = encodeMp3(4410);   // the stream plays from it: kept until the end
    sound::Stream* stream = openStream(image);
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(sound::streamPlayEx(sound::freeChannel, stream, nullptr, false), -1);
    EXPECT_EQ(sound::getError(), sound::errPlay);
}

// SDL's disk driver writes every sample the device plays. A stream longer
// than its decode-ahead ring, started paused, then played again: two exact
// copies of the reference decode, each from the moment it was let go, with
// its sync points in order and one end each.
TEST_F(SoundLibrary, DiskPlaybackIsSampleExactFromUnpauseAndAgainOnReplay) {
    std::string dir = testsupport::makeTempDir(), out = dir + "/out.raw";
    ScopedEnv driver("SDL_AUDIODRIVER", "disk"), file("SDL_DISKAUDIOFILE", out);
    ScopedEnv delay("SDL_DISKAUDIODELAY", "8");   // ~3x real time: the decoder keeps ahead on a loaded machine
    const int frames = 110250;   // 2.5 s
    std::vector<std::uint8_t> image = encodeMp3(frames);
    std::vector<std::int16_t> reference = referenceDecode(image);
    ASSERT_EQ(reference.size(), 2u * frames);
    ASSERT_NE(reference[0], 0);
    std::vector<std::int16_t> helper;   // the tools' decode helper gives the same samples
    ASSERT_TRUE(sound::decodeAll(image.data(), image.size(), 44100, &helper));
    EXPECT_EQ(helper, reference);

    ASSERT_TRUE(sound::init(44100, 32, 0));
    ASSERT_TRUE(sound::streamSetBufferSize(1000));   // the shell's: a 2 s ring, refilled by the decoder thread
    sound::Stream* stream = openStream(image);
    ASSERT_NE(stream, nullptr);
    CallbackLog log;
    ASSERT_TRUE(sound::streamSetEndCallback(stream, recordCallback, &log));
    ASSERT_TRUE(sound::streamSetSyncCallback(stream, recordCallback, &log));
    for (auto [frame, name] : {std::pair<long, const char*>{15000, "drop"}, {0, "start"}, {frames, "last"},
                               {frames + 1, "beyond"}}) {
        ASSERT_TRUE(sound::streamAddSyncPoint(stream, frame, name));
    }
    EXPECT_FALSE(sound::streamAddSyncPoint(stream, -1, "x"));

    auto written = [&] { return std::filesystem::exists(out) ? std::filesystem::file_size(out) : 0; };
    std::uintmax_t atPlay = written();
    int channel = sound::streamPlayEx(sound::freeChannel, stream, nullptr, true);
    ASSERT_GE(channel, 0);
    ASSERT_TRUE(waitFor([&] { return written() > atPlay + 4 * 4096; }));   // the device runs on, paused
    EXPECT_TRUE(sound::isPlaying(channel));
    std::uintmax_t atUnpause = written();
    ASSERT_TRUE(sound::setPaused(channel, false));
    ASSERT_TRUE(waitFor([&] { return log.ends.load() == 1; }));
    EXPECT_FALSE(sound::isPlaying(channel));
    EXPECT_FALSE(sound::setPaused(channel, true));
    ASSERT_GE(sound::streamPlayEx(sound::freeChannel, stream, nullptr, false), 0);
    ASSERT_TRUE(waitFor([&] { return log.ends.load() == 2; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    sound::close();
    EXPECT_EQ(log.events, (std::vector<std::string>{"start/5", "drop/4", "last/4", "end", "start/5", "drop/4",
                                                    "last/4", "end"}));

    std::ifstream in(out, std::ios::binary);
    std::vector<char> raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::int16_t> played(raw.size() / 2);
    std::memcpy(played.data(), raw.data(), played.size() * 2);
    std::filesystem::remove_all(dir);
    std::size_t at = 0;
    for (int copy = 0; copy < 2; ++copy) {
        SCOPED_TRACE(copy);
        while (at < played.size() && played[at] == 0) ++at;
        if (copy == 0) { EXPECT_GE(at * 2, atUnpause) << "played while paused"; }
        ASSERT_EQ(at % 2, 0u);
        ASSERT_GE(played.size(), at + reference.size());
        std::size_t mismatches = 0;
        for (std::size_t i = 0; i < reference.size(); ++i) mismatches += played[at + i] != reference[i];
        EXPECT_EQ(mismatches, 0u);
        at += reference.size();
    }
    EXPECT_TRUE(std::all_of(played.begin() + at, played.end(), [](std::int16_t s) { return s == 0; }));
}

}  // namespace
