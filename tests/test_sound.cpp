// The sound library and the shell's music on it, played through SDL's disk
// writer and checked against libmpg123; the data files the music is read from.
#include <gtest/gtest.h>
#include <lame/lame.h>
#include <mpg123.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/data_file.h"
#include "platform/sound.h"
#include "shell/music.h"
#include "support/paths.h"
#include "support/scoped_env.h"
#include "support/tool_files.h"

namespace sound = platform::sound;

namespace {

using testsupport::ScopedEnv;
using testsupport::Bytes;

// 440 Hz left, 660 Hz right (cosine, so the first sample is loud) encoded by
// LAME, its tag frame written over the first frame so that decoders trim the
// encoder delay and padding: the decoded length is the encoded one.
Bytes encodeMp3(int frames) {
    std::vector<std::int16_t> left(frames), right(frames);
    for (int i = 0; i < frames; ++i) {
        left[i] = static_cast<std::int16_t>(12000.0 * std::cos(2.0 * M_PI * 440.0 * i / 44100));
        right[i] = static_cast<std::int16_t>(12000.0 * std::cos(2.0 * M_PI * 660.0 * i / 44100));
    }
    lame_global_flags* lame = lame_init();
    lame_set_in_samplerate(lame, 44100);
    lame_set_brate(lame, 128);
    lame_set_quality(lame, 7);
    lame_set_bWriteVbrTag(lame, 1);
    lame_init_params(lame);
    Bytes out(static_cast<std::size_t>(frames) * 5 / 4 + 16384);
    int n = lame_encode_buffer(lame, left.data(), right.data(), frames, out.data(), static_cast<int>(out.size()));
    out.resize(n + lame_encode_flush(lame, out.data() + n, static_cast<int>(out.size()) - n));
    unsigned char tag[2880];
    std::size_t tagSize = lame_get_lametag_frame(lame, tag, sizeof tag);
    std::memcpy(out.data(), tag, std::min(tagSize, out.size()));
    lame_close(lame);
    return out;
}

// The independent decoder: libmpg123 fed from memory, 44.1 kHz 16-bit stereo.
std::vector<std::int16_t> referenceDecode(const Bytes& image) {
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

bool waitFor(const std::function<bool()>& done) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done();
}

sound::Stream* openStream(const Bytes& image) {   // as the demo opens its music
    const unsigned mode = sound::mode16Bits | sound::modeSigned | sound::modeMono | sound::modeLoadMemory |
                          sound::modeMpegAccurate;
    return sound::streamOpen(reinterpret_cast<const char*>(image.data()), mode, 0, int(image.size()));
}

// Each call in order on one library: its result, and the error it leaves
// (-1: a success, not checked), on the tests' dummy audio driver; then a
// device that cannot open, and output 0, which opens none: nothing plays.
TEST(SoundLibrary, EveryMisuseFailsWithItsErrorCode) {
    Bytes image = encodeMp3(44100), noise(65536, 0x5a);
    sound::Stream *first = nullptr, *second = nullptr;
    const std::tuple<const char*, std::function<long()>, long, int> calls[] = {
        {"open before init", [&] { return long(openStream(image) != nullptr); }, 0, sound::errUninitialized},
        {"output 7", [&] { return long(sound::setOutput(7)); }, 0, sound::errInvalidParam},
        {"65 channels", [&] { return long(sound::init(44100, 65, 0)); }, 0, sound::errInvalidParam},
        {"buffer 10001 ms", [&] { return long(sound::streamSetBufferSize(10001)); }, 0, sound::errInvalidParam},
        {"one channel", [&] { return long(sound::init(44100, 1, 0)); }, 1, -1},
        {"init twice", [&] { return long(sound::init(44100, 32, 0)); }, 0, sound::errBusy},
        {"noise", [&] { return long(openStream(noise) != nullptr); }, 0, sound::errFileFormat},
        {"open", [&] { return long((first = openStream(image)) != nullptr); }, 1, -1},
        {"open again", [&] { return long((second = openStream(image)) != nullptr); }, 1, -1},
        {"play", [&] { return long(sound::streamPlayEx(-1, first, nullptr, true)); }, 0, -1},
        {"no free channel", [&] { return long(sound::streamPlayEx(-1, second, nullptr, true)); }, -1,
         sound::errChannelAlloc},
        {"closed, then no such ALSA device", [&] {
             sound::close();
             ScopedEnv sdl("SDL_AUDIODRIVER", "alsa"), device("AUDIODEV", "gravlet_no_such_device");
             return long(sound::getOutput() == sound::outputAlsa && !sound::init(44100, 32, 0));
         }, 1, sound::errInit},
        {"output 0", [&] { return long(sound::setOutput(sound::outputNoSound) && sound::init(44100, 32, 0)); },
         1, -1},
        {"nothing plays", [&] { return sound::streamPlayEx(-1, openStream(image), nullptr, false); }, -1,
         sound::errPlay},
    };
    for (const auto& [what, call, result, error] : calls) {
        SCOPED_TRACE(what);
        EXPECT_EQ(call(), result);
        if (error >= 0) { EXPECT_EQ(sound::getError(), error); }
    }
    sound::close();
}

// What the shell's set-up prints for a library version and a file (null: missing).
std::string startMusicWith(float version, const Bytes* bytes) {
    std::string path = testsupport::makeTempDir() + "/vopa.mp3";
    if (bytes) testsupport::writeBytes(path, *bytes);
    sound::setVersionForTesting(version);
    testing::internal::CaptureStdout();
    startMusic(bytes ? path.c_str() : (path + ".absent").c_str());
    sound::setVersionForTesting(0.0f);   // the library's own again
    std::filesystem::remove_all(std::filesystem::path(path).parent_path());   // the stream keeps its own copy
    return testing::internal::GetCapturedStdout();
}

// Set-up stops at the version or the file and says why; an image without
// MPEG audio is refused as a stream: the loop then has nothing to play.
TEST(Music, EveryWaySetUpStopsIsReportedAndNothingPlays) {
    Bytes mp3 = encodeMp3(4410), garbage(3000, 0x5a);
    const std::tuple<float, const Bytes*, const char*> cases[] = {
        {3.73f, &mp3, "You should be using FMOD 3.74\n"}, {0.0f, nullptr, "File Not Found\n"},
        {0.0f, &garbage, "1 - System audio output device\n"}};
    for (const auto& [version, file, says] : cases) {
        SCOPED_TRACE(says);
        EXPECT_NE(startMusicWith(version, file).find(says), std::string::npos);
        EXPECT_EQ(musicStream, nullptr);
        playMusicAttempt();
        EXPECT_EQ(musicChannel, -1);
        closeMusic();
    }
}

// The shell's music through SDL's disk driver, which writes every sample played.
// A stream longer than its decode-ahead ring, started paused, then played again
// by the frame loop: two exact copies of the reference decode, each from its
// unpause, with sync points in order and one end each; then the loop leaves it.
TEST(Music, PlaysSampleExactFromUnpauseThenOnceMoreFromTheLoop) {
    std::string dir = testsupport::makeTempDir(), out = dir + "/out.raw";
    ScopedEnv driver("SDL_AUDIODRIVER", "disk"), file("SDL_DISKAUDIOFILE", out);
    ScopedEnv delay("SDL_DISKAUDIODELAY", "8");   // ~3x real time: the decoder keeps ahead on a loaded machine
    const int frames = 110250;   // 2.5 s, longer than the shell's 2 s ring
    Bytes image = encodeMp3(frames);
    std::vector<std::int16_t> reference = referenceDecode(image);
    ASSERT_EQ(reference.size(), 2u * frames);
    ASSERT_NE(reference[0], 0);
    startMusicWith(3.74f, &image);   // the required version itself
    ASSERT_NE(musicStream, nullptr);
    for (auto [frame, name] : {std::pair<long, const char*>{15000, "drop"}, {0, "start"}, {frames + 1, "beyond"}})
        ASSERT_TRUE(sound::streamAddSyncPoint(musicStream, frame, name));
    auto written = [&] { return std::filesystem::exists(out) ? std::filesystem::file_size(out) : 0; };
    std::uintmax_t atPlay = written();
    testing::internal::CaptureStdout();
    int channel = sound::streamPlayEx(sound::freeChannel, musicStream, nullptr, true);
    ASSERT_GE(channel, 0);
    ASSERT_TRUE(waitFor([&] { return written() > atPlay + 4 * 4096; }));   // the device runs on, paused
    std::uintmax_t atUnpause = written();
    ASSERT_TRUE(sound::setPaused(channel, false));
    for (int play = 0; play < 2; ++play) {
        ASSERT_TRUE(waitFor([&] { return !sound::isPlaying(channel); }));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));   // the end callback has run
        EXPECT_EQ(musicChannel, play == 0 ? -1 : channel);
        playMusicAttempt();
        channel = musicChannel;
        ASSERT_GE(channel, 0);
    }
    closeMusic();
    const std::string once = "\nSYNCHPOINT : \"start\"\n\nSYNCHPOINT : \"drop\"\n\nSTREAM ENDED!!\n";
    EXPECT_EQ(testing::internal::GetCapturedStdout(), once + once);

    Bytes raw = testsupport::readBytes(out);
    std::vector<std::int16_t> played(raw.size() / 2);
    std::memcpy(played.data(), raw.data(), played.size() * 2);
    std::filesystem::remove_all(dir);
    std::size_t at = 0;
    for (int copy = 0; copy < 2; ++copy) {
        SCOPED_TRACE(copy);
        while (at < played.size() && played[at] == 0) ++at;
        if (copy == 0) { EXPECT_GE(at * 2, atUnpause) << "played while paused"; }
        ASSERT_GE(played.size(), at + reference.size());
        EXPECT_TRUE(std::equal(reference.begin(), reference.end(), played.begin() + at));
        at += reference.size();
    }
}

TEST(DataFileTest, NamesResolveExactFirstThenInAnyLetterCaseWithinTheGivenFolder) {
    const std::string dir = testsupport::makeTempDir();
    for (const char* folder : {"/music", "/Sub"}) std::filesystem::create_directories(dir + folder);
    for (const char* name : {"Grass.tga", "grass.tga", "GRASS2.TGA", "TREE.tga", "Tree.tga", "music/VOPA.mp3"})
        testsupport::writeBytes(dir + "/" + name, Bytes(name, name + std::strlen(name)));
    // Asked-for name, the file read ("" when none): the folder is taken as given.
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"grass.tga", "grass.tga"}, {"Grass.tga", "Grass.tga"}, {"gRaSs2.TgA", "GRASS2.TGA"},
        {"grass2.tg", ""},                           // same letters, not the same name
        {"tree.TGA", "TREE.tga"},                    // "TREE" < "Tree" in byte order
        {"music//vopa.mp3", "music/VOPA.mp3"}, {"MUSIC//vopa.mp3", ""}, {"sub", ""}};   // a folder is no file
    for (const auto& [asked, found] : cases) {
        Bytes bytes = {1, 2, 3};
        EXPECT_EQ(platform::readWholeFile(dir + "//" + asked, bytes), *found != '\0') << asked;
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), found) << asked;
        EXPECT_EQ(platform::resolveDataPath(dir + "//" + asked).empty(), *found == '\0') << asked;
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
