// The music stream: the set-up report on standard output, every way set-up
// can stop, the frame loop's play attempts, the callback lines and the
// error texts.
#include <gtest/gtest.h>
#include <lame/lame.h>

#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/scoped_env.h"
#include "platform/sound.h"
#include "shell/music.h"
#include "support/paths.h"

namespace sound = platform::sound;

namespace {

const std::string dashes = "---------------------------------------------------------\n";
const std::string prompt = "Press a corresponding number or ESC to quit\n";

// The report up to the device set-up, for an output name and driver lines.
std::string report(const std::string& output, const std::string& drivers) {
    return dashes + output + " Driver list\n" + dashes + drivers + dashes + prompt;
}

// A short stereo MP3 (LAME tag written over the first frame).
std::vector<std::uint8_t> shortMp3(int frames) {
    lame_global_flags* lame = lame_init();
    lame_set_in_samplerate(lame, 44100);
    lame_set_num_channels(lame, 2);
    lame_set_brate(lame, 128);
    lame_set_quality(lame, 7);
    lame_set_bWriteVbrTag(lame, 1);
    EXPECT_GE(lame_init_params(lame), 0);
    std::vector<std::int16_t> left(frames), right(frames);
    for (int i = 0; i < frames; ++i) {
        left[i] = static_cast<std::int16_t>(9000.0 * std::sin(i * 0.05));
        right[i] = static_cast<std::int16_t>(9000.0 * std::sin(i * 0.07));
    }
    std::vector<std::uint8_t> out(static_cast<std::size_t>(frames) * 5 / 4 + 16384);
    int n = lame_encode_buffer(lame, left.data(), right.data(), frames, out.data(), static_cast<int>(out.size()));
    int m = lame_encode_flush(lame, out.data() + n, static_cast<int>(out.size()) - n);
    out.resize(static_cast<std::size_t>(n + m));
    unsigned char tag[2880];
    std::size_t tagSize = lame_get_lametag_frame(lame, tag, sizeof tag);
    std::memcpy(out.data(), tag, std::min(tagSize, out.size()));
    lame_close(lame);
    return out;
}

using testsupport::ScopedEnv;

class Music : public ::testing::Test {
protected:
    void SetUp() override { dir = testsupport::makeTempDir(); }
    void TearDown() override {
        closeMusic();
        sound::setVersionForTesting(0.0f);
        std::filesystem::remove_all(dir);
    }

    std::string writeFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        std::string path = dir + "/" + name;
        std::FILE* f = std::fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr);
        if (f) {
            if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        return path;
    }

    // Runs startMusic and returns what it printed.
    std::string start(const std::string& path) {
        testing::internal::CaptureStdout();
        startMusic(path.c_str());
        return testing::internal::GetCapturedStdout();
    }

    // The library is closed when a fresh init succeeds.
    static bool libraryWasClosed() {
        bool fresh = sound::init(44100, 32, 0);
        sound::close();
        return fresh;
    }

    std::string dir;
};

TEST_F(Music, PlaysOnceToTheEndOnTheDummyDevice) {
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    std::string path = writeFile("vopa.mp3", shortMp3(8820));   // 0.2 s

    testing::internal::CaptureStdout();
    startMusic(path.c_str());
    ASSERT_NE(musicStream, nullptr);
    EXPECT_EQ(musicChannel, -1);
    playMusicAttempt();
    int channel = musicChannel;
    ASSERT_GE(channel, 0);
    // Once playing, further passes leave it alone.
    playMusicAttempt();
    playMusicAttempt();
    EXPECT_EQ(musicChannel, channel);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (sound::isPlaying(channel) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_FALSE(sound::isPlaying(channel));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    // The end of the music changes nothing for the loop.
    playMusicAttempt();
    EXPECT_EQ(musicChannel, channel);
    closeMusic();
    std::string printed = testing::internal::GetCapturedStdout();

    EXPECT_EQ(printed, report("dummy", "1 - System audio output device\n") + "\nSTREAM ENDED!!\n");
    EXPECT_EQ(musicStream, nullptr);
    EXPECT_EQ(musicChannel, -1);
    EXPECT_TRUE(libraryWasClosed());
}

TEST_F(Music, NoSoundDeviceReportsTheInitErrorAndNeverPlays) {
    ScopedEnv driver("SDL_AUDIODRIVER", "gravlet-no-such-driver");
    std::string path = writeFile("vopa.mp3", shortMp3(4410));
    EXPECT_EQ(start(path), report("NoSound", "") + "Error!\nError initializing output device.\n");
    EXPECT_EQ(musicStream, nullptr);
    musicChannel = -1;
    for (int pass = 0; pass < 3; ++pass) {
        playMusicAttempt();
        EXPECT_EQ(musicChannel, -1);
    }
}

TEST_F(Music, MissingFileStopsWithFileNotFoundAndClosesTheLibrary) {
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    EXPECT_EQ(start(dir + "/music/vopa.mp3"),
              report("dummy", "1 - System audio output device\n") + "Error!\nFile Not Found\n");
    EXPECT_EQ(musicStream, nullptr);
    EXPECT_TRUE(libraryWasClosed());
    playMusicAttempt();
    EXPECT_EQ(musicChannel, -1);
}

TEST_F(Music, EmptyOrGarbageFilesGiveNoStreamAndSilence) {
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    std::vector<std::uint8_t> garbage(3000);
    for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<std::uint8_t>(i * 7 + 3);
    for (const auto& file : {std::vector<std::uint8_t>{}, garbage}) {
        SCOPED_TRACE(file.size());
        std::string path = writeFile("song.mp3", file);
        // Set-up goes all the way; only the stream is refused.
        EXPECT_EQ(start(path), report("dummy", "1 - System audio output device\n"));
        EXPECT_EQ(musicStream, nullptr);
        playMusicAttempt();
        EXPECT_EQ(musicChannel, -1);
        EXPECT_FALSE(libraryWasClosed());
        closeMusic();
    }
}

TEST_F(Music, TooOldLibraryStopsBeforeAnythingElse) {
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    std::string path = writeFile("vopa.mp3", shortMp3(4410));
    sound::setVersionForTesting(3.73f);
    EXPECT_EQ(start(path), "Error : You are using the wrong DLL version!  You should be using FMOD 3.74\n");
    EXPECT_EQ(musicStream, nullptr);
    EXPECT_TRUE(libraryWasClosed());
    // 3.74 itself is accepted.
    sound::setVersionForTesting(3.74f);
    start(path);
    EXPECT_NE(musicStream, nullptr);
}

TEST(MusicCallback, PrintsTheSyncPointOrTheEndAndReturnsTrue) {
    char name[] = "chorus";
    testing::internal::CaptureStdout();
    EXPECT_EQ(musicStreamCallback(nullptr, name, 6, nullptr), 1);
    EXPECT_EQ(musicStreamCallback(nullptr, nullptr, 0, nullptr), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\nSYNCHPOINT : \"chorus\"\n\nSTREAM ENDED!!\n");
}

TEST(MusicErrorText, KnownCodesAndEverythingElse) {
    EXPECT_STREQ(fmodErrorText(0), "No errors");
    EXPECT_STREQ(fmodErrorText(1), "Cannot call this command after FSOUND_Init.  Call FSOUND_Close first.");
    EXPECT_STREQ(fmodErrorText(sound::errInit), "Error initializing output device.");
    EXPECT_STREQ(fmodErrorText(6),
                 "Soundcard does not support the features needed for this soundsystem (16bit stereo output)");
    EXPECT_STREQ(fmodErrorText(12), "Not enough memory ");
    EXPECT_STREQ(fmodErrorText(18), "Required Mediaplayer codec is not installed");
    for (int code : {19, -1, 100, INT_MIN, INT_MAX}) EXPECT_STREQ(fmodErrorText(code), "Unknown error") << code;
    // Every code the library reports has its own text.
    for (int code = sound::errNone; code <= sound::errMediaPlayer; ++code) {
        EXPECT_STRNE(fmodErrorText(code), "Unknown error") << code;
        for (int other = 0; other < code; ++other) EXPECT_STRNE(fmodErrorText(code), fmodErrorText(other));
    }
}

}  // namespace
