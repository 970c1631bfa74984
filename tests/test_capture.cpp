// gravlet-capture: frame times on the virtual clock, the command line, the
// contact sheet's pieces, and whole runs of the tool on the small data set.
#include <gtest/gtest.h>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

#include <algorithm>
#include <filesystem>
#include <regex>

#include "e2e/demo_data.h"
#include "engine/timer.h"
#include "support/paths.h"
#include "support/tool_files.h"
#include "tools/capture/capture_options.h"
#include "tools/capture/contact_sheet.h"
#include "tools/capture/frame_schedule.h"
#include "tools/capture/video_output.h"

namespace fs = std::filesystem;
using namespace capture;

namespace {

TEST(FrameClock, NFramesTakeExactlyNPeriodsOnTheDemoTimerAcrossTheTickWrap) {
    for (const auto& [fps, start] : std::vector<std::pair<int, std::uint32_t>>{{30, 5000}, {7, 0}, {30, 0xFFFFFF00u}}) {
        FrameClock clock(start);
        FrameSchedule schedule(fps);
        Qu::Timer timer;
        timer.reset();
        FramePoint point;
        for (int n = 1; n <= 10 * fps; ++n) {
            clock.setTo((point = schedule.next(point)).ms);
            ASSERT_EQ(timer.elapsedMs(), std::uint32_t(n * 1000 / fps)) << fps << " fps, frame " << n;
        }
        // A pause moves the whole grid later; a restart makes the reading the new zero.
        clock.pause(2000);
        clock.setTo(point.ms + 100);
        EXPECT_EQ(timer.elapsedMs(), 12100u) << fps << " fps";
        clock.restart();
        clock.setTo(0);
        EXPECT_EQ(timer.elapsedMs(), 12100u) << fps << " fps";
    }
}

TEST(FrameSchedule, WantedTimesBetweenStepsGetAFrameOfTheirOwn) {
    FrameSchedule schedule(10, {1234, 150, 200, 150});
    std::vector<std::uint32_t> times;
    for (FramePoint point; point.ms <= 1400; point = schedule.next(point)) times.push_back(point.ms);
    // 200 lies on the grid and is not drawn twice; the grid goes on after 1234.
    EXPECT_EQ(times, (std::vector<std::uint32_t>{0, 100, 150, 200, 300, 400, 500, 600, 700, 800, 900, 1000, 1100,
                                                 1200, 1234, 1300, 1400}));
    EXPECT_EQ(FrameSchedule(30).firstGridIndexAtOrAfter(1001), 31u);
}

std::string parse(std::vector<const char*> args, Options& options) {
    args.insert(args.begin(), "gravlet-capture");
    return parseArguments(int(args.size()), args.data(), options);
}

TEST(CaptureOptions, AcceptsEachModeWithItsOptionsAndRejectsUnusableOnes) {
    Options o;
    ASSERT_EQ(parse({"--at", "40.5,1,0.0004,1.0,1.001", "--out", "shots", "--fps", "60"}, o), "");
    EXPECT_EQ(o.mode, Mode::at);
    EXPECT_EQ(o.atMs, (std::vector<std::uint32_t>{0, 1000, 1001, 40500}));   // to the nearest ms, sorted, once
    ASSERT_EQ(parse({"--sheet", "s.png", "--from", "10", "--to", "10"}, o), "");   // one thumbnail
    EXPECT_EQ(o.mode, Mode::sheet);
    const std::vector<std::vector<const char*>> bad = {
        {}, {"--frobnicate"}, {"--at", "1"}, {"--at", "340.001", "--out", "x"}, {"--video", "v.mp4", "--out", "x"},
        {"--video", "v.mp4", "--fps", "241"}, {"--video", "v.mp4", "--from", "20", "--to", "10"},
    };
    for (const auto& args : bad) {
        Options options;
        EXPECT_NE(parse(args, options), "") << (args.empty() ? "(none)" : args.back());
    }
}

TEST(ContactSheet, ShrinksUprightRoundingTheBoxAveragesAndEndsAtTheEnd) {
    // 4 x 4 bottom-up frame: the top two rows white, one pixel of the bottom
    // right box at 2 (half a step after averaging), the rest black.
    std::vector<std::uint8_t> frame(4 * 4 * 4, 0);
    std::fill(frame.begin() + 2 * 4 * 4, frame.end(), 255);
    frame[(0 * 4 + 3) * 4 + 1] = 2;
    const Picture thumb = shrinkFrame(frame, 4, 4, 2);
    ASSERT_EQ(thumb.rgba.size(), 2u * 2 * 4);
    auto at = [&](int x, int y, int c) { return int(thumb.rgba[std::size_t((y * thumb.width + x) * 4 + c)]); };
    EXPECT_EQ(at(0, 0, 0), 255);   // top row first
    EXPECT_EQ(at(1, 1, 1), 1);     // 2 / 4 rounded
    EXPECT_EQ(sheetTimes(0, 340000, 5000).size(), 69u);   // the end included
}

struct Png {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgba;   // top row first
};

Png readPng(const std::string& path) {
    Png png;
    int channels = 0;
    stbi_uc* rgba = stbi_load(path.c_str(), &png.width, &png.height, &channels, 4);
    if (!rgba) ADD_FAILURE() << "cannot read " << path << ": " << stbi_failure_reason();
    else png.rgba.assign(rgba, rgba + std::size_t(png.width) * std::size_t(png.height) * 4);
    stbi_image_free(rgba);
    return png;
}

class CaptureTool : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        root = testsupport::makeTempDir();
        std::string error;
        ASSERT_TRUE(demodata::write(root, demodata::Options(), &error)) << error;
    }
    static void TearDownTestSuite() { fs::remove_all(root); }
    void TearDown() override { fs::remove_all(work); }

    // Runs the tool in `folder` (default: the data set's root); standard
    // output in the result, standard error in err.
    testsupport::CommandRun capture(const std::vector<std::string>& args, std::string folder = "") {
        std::string command = "cd " + testsupport::shellQuoted(folder.empty() ? root : folder) +
                              " && env SDL_AUDIODRIVER=dummy " +
                              testsupport::shellQuoted(GRAVLET_CAPTURE_TOOL);
        for (const std::string& arg : args) command += " " + testsupport::shellQuoted(arg);
        command += " 2>" + testsupport::shellQuoted(work + "/err.txt");
        testsupport::CommandRun run = testsupport::runCommand("(" + command + ")");
        err = testsupport::readText(work + "/err.txt");
        return run;
    }
    std::string makeData(demodata::Options options, const std::string& name) {
        std::string error;
        EXPECT_TRUE(demodata::write(work + "/" + name, options, &error)) << error;
        return work + "/" + name;
    }

    static inline std::string root;
    std::string work = testsupport::makeTempDir(), err;
};

// The virtual clock makes stills repeatable, whatever order the times come in.
TEST_F(CaptureTool, StillsAndSheetAreTheSameEveryRun) {
    ASSERT_EQ(capture({"--at", "1.05,2", "--out", work + "/a", "--fps", "5"}).status, 0) << err;
    ASSERT_EQ(capture({"--at", "2,1.05", "--out", work + "/b", "--fps", "5"}).status, 0) << err;
    EXPECT_EQ(std::distance(fs::directory_iterator(work + "/a"), fs::directory_iterator()), 2);
    for (const char* name : {"frame-001050.png", "frame-002000.png"}) {
        const std::string a = testsupport::readText(work + "/a/" + name);
        EXPECT_TRUE(!a.empty() && a == testsupport::readText(work + "/b/" + name)) << name << " differs";
        const Png png = readPng(work + "/a/" + name);
        EXPECT_EQ(std::make_pair(png.width, png.height), std::make_pair(1024, 768));
        for (std::size_t i = 3; i < png.rgba.size(); i += 4) ASSERT_EQ(png.rgba[i], 255) << "stills are opaque";
    }

    // Thumbnail 2 of the sheet is the still at 2 s, a quarter of its size
    // each way, upright.
    ASSERT_EQ(capture({"--sheet", work + "/sheet.png", "--fps", "5", "--every", "1", "--to", "3"}).status, 0) << err;
    const Png sheet = readPng(work + "/sheet.png"), frame = readPng(work + "/a/frame-002000.png");
    const SheetLayout layout;
    ASSERT_EQ(std::make_pair(sheet.width, sheet.height), std::make_pair(layout.width(), layout.height(4)));
    const int factor = frame.width / layout.thumbWidth;
    const auto sheetAt = [&](int x, int y, int c) { return int(sheet.rgba[std::size_t((y * sheet.width + x) * 4 + c)]); };
    double difference = 0;
    for (int y = 0; y < layout.thumbHeight; ++y)
        for (int x = 0; x < layout.thumbWidth; ++x)
            for (int c = 0; c < 3; ++c) {
                const int still = frame.rgba[std::size_t(((y * factor + 1) * frame.width + x * factor + 1) * 4 + c)];
                difference += std::abs(sheetAt(layout.cellX(2) + x, layout.cellY(2) + y, c) - still);
            }
    EXPECT_LT(difference / (layout.thumbWidth * layout.thumbHeight * 3), 12.0);
}

TEST_F(CaptureTool, VideoHasEveryFrameAndTheSoundtrack) {
    if (findProgram("ffprobe").empty()) GTEST_SKIP() << "ffprobe is not installed";
    demodata::Options options;
    options.musicSeconds = 3.0;   // long enough to reach into the span
    const std::string folder = makeData(options, "music");
    ASSERT_EQ(capture({"--video", work + "/clip.mp4", "--fps", "10", "--from", "1", "--to", "2.5"}, folder).status, 0)
        << err;
    const std::string info = testsupport::runCommand(
        "ffprobe -v error -count_frames -show_entries stream=codec_type,nb_read_frames,width,height,duration"
        " -show_entries format=duration -of default=noprint_wrappers=1 " + testsupport::shellQuoted(work + "/clip.mp4")).out;
    // 1.0, 1.1, ... 2.5 s: 16 frames at 10 fps; video, audio and file all last 1.6 s.
    for (const char* line : {"codec_type=video", "width=1024\nheight=768", "nb_read_frames=16\n", "codec_type=audio"})
        EXPECT_NE(info.find(line), std::string::npos) << info;
    std::vector<double> durations;
    const std::regex duration(R"(duration=([0-9.]+))");
    for (auto it = std::sregex_iterator(info.begin(), info.end(), duration); it != std::sregex_iterator(); ++it)
        durations.push_back(std::stod((*it)[1]));
    ASSERT_EQ(durations.size(), 3u) << info;
    for (double seconds : durations) EXPECT_NEAR(seconds, 1.6, 0.05) << info;
}

TEST_F(CaptureTool, BadArgumentsAndMissingDataFail) {
    EXPECT_EQ(capture({"--video", "v.mp4", "--fps", "x"}).status, 2);
    EXPECT_NE(err.find("usage: gravlet-capture"), std::string::npos) << err;
    // A missing texture does not stop the demo; the frames come, the exit code tells.
    demodata::Options options;
    options.omit = {"wt.tga"};
    EXPECT_EQ(capture({"--at", "0.2", "--out", work + "/some", "--fps", "5"}, makeData(options, "partial")).status, 1);
    EXPECT_NE(err.find("ERROR: Could not load TGA file 'data//wt.tga'"), std::string::npos) << err;
    EXPECT_TRUE(fs::exists(work + "/some/frame-000200.png"));
}

}  // namespace
