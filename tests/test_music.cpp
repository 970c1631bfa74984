// The music stream: the set-up report on standard output, printed exactly,
// every way set-up can stop, and the frame loop's play attempts.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/sound.h"
#include "shell/music.h"
#include "support/mp3.h"
#include "support/paths.h"
#include "support/scoped_env.h"

namespace sound = platform::sound;

namespace {

using testsupport::ScopedEnv;

// The report up to the device set-up, for an output name and driver lines.
std::string report(const std::string& output, const std::string& drivers) {
    const std::string dashes(57, '-');
    return dashes + "\n" + output + " Driver list\n" + dashes + "\n" + drivers + dashes +
           "\nPress a corresponding number or ESC to quit\n";
}
const std::string dummyReport = report("dummy", "1 - System audio output device\n");

class Music : public ::testing::Test {
protected:
    void SetUp() override { dir = testsupport::makeTempDir(); }
    void TearDown() override {
        closeMusic();
        sound::setVersionForTesting(0.0f);
        std::filesystem::remove_all(dir);
    }

    std::string writeFile(const std::vector<std::uint8_t>& bytes) {
        std::ofstream(dir + "/vopa.mp3", std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return dir + "/vopa.mp3";
    }

    // The library is closed when a fresh init succeeds.
    static bool libraryWasClosed() {
        bool fresh = sound::init(44100, 32, 0);
        sound::close();
        return fresh;
    }

    std::string dir;
};

// Set-up stops at the version, the device or the file, printing why; an
// image without MPEG audio goes all the way and only the stream is refused.
// No way gives the loop anything to play.
TEST_F(Music, EveryWaySetUpStopsIsReportedAndNothingPlays) {
    std::vector<std::uint8_t> mp3 = testsupport::encodeMp3(4410), empty, garbage(3000);
    for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<std::uint8_t>(i * 7 + 3);
    struct Case {
        const char* what;
        const char* driver;
        float version;
        const std::vector<std::uint8_t>* file;   // null: the file is missing
        std::string printed;
        bool closed;
    };
    const Case cases[] = {
        {"old library", "dummy", 3.73f, &mp3,
         "Error : You are using the wrong DLL version!  You should be using FMOD 3.74\n", true},
        {"no device", "gravlet-no-such-driver", 0.0f, &mp3,
         report("NoSound", "") + "Error!\nError initializing output device.\n", false},
        {"missing file", "dummy", 0.0f, nullptr, dummyReport + "Error!\nFile Not Found\n", true},
        {"empty file", "dummy", 0.0f, &empty, dummyReport, false},
        {"garbage", "dummy", 0.0f, &garbage, dummyReport, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedEnv driver("SDL_AUDIODRIVER", c.driver);
        sound::setVersionForTesting(c.version);
        std::string path = c.file ? writeFile(*c.file) : dir + "/music/vopa.mp3";
        testing::internal::CaptureStdout();
        startMusic(path.c_str());
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.printed);
        EXPECT_EQ(musicStream, nullptr);
        musicChannel = -1;
        for (int pass = 0; pass < 2; ++pass) {
            playMusicAttempt();
            EXPECT_EQ(musicChannel, -1);
        }
        if (c.closed) { EXPECT_TRUE(libraryWasClosed()); }
        closeMusic();
    }
}

TEST_F(Music, PlaysOnceToTheEndAndTheLoopLeavesItAlone) {
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    sound::setVersionForTesting(3.74f);   // the required version itself
    std::string path = writeFile(testsupport::encodeMp3(8820));   // 0.2 s
    testing::internal::CaptureStdout();
    startMusic(path.c_str());
    ASSERT_NE(musicStream, nullptr);
    EXPECT_EQ(musicChannel, -1);
    playMusicAttempt();
    int channel = musicChannel;
    ASSERT_GE(channel, 0);
    playMusicAttempt();
    EXPECT_EQ(musicChannel, channel);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (sound::isPlaying(channel) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_FALSE(sound::isPlaying(channel));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    playMusicAttempt();   // the end of the music changes nothing for the loop
    EXPECT_EQ(musicChannel, channel);
    char name[] = "chorus";   // the sync callback's line
    EXPECT_EQ(musicStreamCallback(nullptr, name, 6, nullptr), 1);
    closeMusic();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), dummyReport + "\nSTREAM ENDED!!\n\nSYNCHPOINT : \"chorus\"\n");
    EXPECT_EQ(musicStream, nullptr);
    EXPECT_EQ(musicChannel, -1);
    EXPECT_TRUE(libraryWasClosed());
}

}  // namespace
