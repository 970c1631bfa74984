// gravlet-capture: frame times on the virtual clock, the command line, the
// pieces of each mode, and whole runs of the tool on the small data set.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "e2e/demo_data.h"
#include "engine/timer.h"
#include "platform/offscreen_gl.h"
#include "support/paths.h"
#include "tools/capture/bench.h"
#include "tools/capture/capture_options.h"
#include "tools/capture/contact_sheet.h"
#include "tools/capture/frame_schedule.h"
#include "tools/capture/still_frames.h"
#include "tools/capture/video_output.h"

namespace fs = std::filesystem;
using namespace capture;

namespace {

// ---------------------------------------------------------------------------
// Frame times

// What the demo's own timer reads after each of `frames` swaps.
std::vector<std::uint32_t> timerReadings(int fps, int frames, std::uint32_t start) {
    FrameClock clock(start);
    FrameSchedule schedule(fps);
    Qu::Timer timer;
    timer.reset();
    std::vector<std::uint32_t> readings;
    FramePoint point;
    for (int i = 0; i < frames; ++i) {
        point = schedule.next(point);
        clock.setTo(point.ms);
        readings.push_back(timer.elapsedMs());
    }
    return readings;
}

TEST(FrameClock, NFramesTakeExactlyNPeriodsOnTheDemoTimer) {
    for (int fps : {30, 24, 60, 7, 1}) {
        std::vector<std::uint32_t> readings = timerReadings(fps, 10 * fps, 5000);
        for (int n = 1; n <= 10 * fps; ++n) {
            ASSERT_EQ(readings[std::size_t(n - 1)], std::uint32_t(std::uint64_t(n) * 1000 / fps))
                << fps << " fps, frame " << n;
        }
        EXPECT_EQ(readings[std::size_t(fps - 1)], 1000u) << fps << " fps";
        EXPECT_EQ(readings.back(), 10000u) << fps << " fps";
    }
    // Each step at 30 fps is a whole-millisecond period, 33 or 34, never 0.
    std::vector<std::uint32_t> readings = timerReadings(30, 90, 0);
    std::uint32_t previous = 0;
    for (std::uint32_t reading : readings) {
        EXPECT_TRUE(reading - previous == 33u || reading - previous == 34u) << reading;
        previous = reading;
    }
}

TEST(FrameClock, CountsAcrossTheWrapOfTheTickCounter) {
    std::vector<std::uint32_t> readings = timerReadings(30, 300, 0xFFFFFF00u);
    EXPECT_EQ(readings[29], 1000u);
    EXPECT_EQ(readings.back(), 10000u);
}

TEST(FrameClock, PauseMovesTheWholeGridLater) {
    FrameClock clock(100);
    Qu::Timer timer;
    timer.reset();
    clock.setTo(500);
    clock.pause(2000);
    EXPECT_EQ(timer.elapsedMs(), 2500u);
    clock.setTo(600);
    EXPECT_EQ(timer.elapsedMs(), 2600u);
    clock.restart();
    clock.setTo(0);
    EXPECT_EQ(timer.elapsedMs(), 2600u);
    EXPECT_EQ(clock.sinceAnchor(), 0u);
}

TEST(FrameSchedule, WantedTimesBetweenStepsGetAFrameOfTheirOwn) {
    FrameSchedule schedule(10, {1234, 150, 200, 150});
    std::vector<std::uint32_t> times;
    FramePoint point;
    while (point.ms <= 1400) {
        times.push_back(point.ms);
        point = schedule.next(point);
    }
    // 200 lies on the grid and is not drawn twice; the grid goes on after 1234.
    std::vector<std::uint32_t> expected = {0, 100, 150, 200, 300, 400, 500, 600, 700,
                                           800, 900, 1000, 1100, 1200, 1234, 1300, 1400};
    EXPECT_EQ(times, expected);
}

TEST(FrameSchedule, FrameCountsAndFirstFrames) {
    // Up to 340 s inclusive, plus the frame past the end that the demo still draws.
    EXPECT_EQ(countTimelineFrames(FrameSchedule(30), UINT32_MAX), 10202u);
    EXPECT_EQ(countTimelineFrames(FrameSchedule(10), 3000), 31u);
    EXPECT_EQ(countTimelineFrames(FrameSchedule(10, {1050}), 3000), 32u);
    EXPECT_EQ(countTimelineFrames(FrameSchedule(10), 0), 1u);

    FrameSchedule schedule(30);
    EXPECT_EQ(schedule.firstGridIndexAtOrAfter(0), 0u);
    EXPECT_EQ(schedule.firstGridIndexAtOrAfter(1000), 30u);
    EXPECT_EQ(schedule.firstGridIndexAtOrAfter(1001), 31u);
    EXPECT_EQ(schedule.firstGridIndexAtOrAfter(34), 2u);   // frame 1 is at 33 ms
    EXPECT_EQ(schedule.gridMs(10200), 340000u);
}

// ---------------------------------------------------------------------------
// Command line

std::string parse(std::vector<const char*> args, Options& options) {
    args.insert(args.begin(), "gravlet-capture");
    return parseArguments(int(args.size()), args.data(), options);
}

TEST(CaptureOptions, AcceptsEachModeWithItsOptions) {
    Options options;
    ASSERT_EQ(parse({"--at", "40.5,1,0.0004,1.0", "--out", "shots", "--fps", "60"}, options), "");
    EXPECT_EQ(options.mode, Mode::at);
    EXPECT_EQ(options.atMs, (std::vector<std::uint32_t>{0, 1000, 40500}));
    EXPECT_EQ(options.fps, 60);

    ASSERT_EQ(parse({"--dir", "demo", "--sheet", "s.png", "--every", "2.5", "--from", "10", "--to", "20"}, options), "");
    EXPECT_EQ(options.mode, Mode::sheet);
    EXPECT_EQ(options.dataFolder, "demo");
    EXPECT_EQ(options.everyMs, 2500u);
    EXPECT_EQ(options.fromMs, 10000u);
    EXPECT_EQ(options.toMs, 20000u);

    ASSERT_EQ(parse({"--video", "v.mp4"}, options), "");
    EXPECT_EQ(options.fps, 30);
    EXPECT_EQ(options.fromMs, 0u);
    EXPECT_EQ(options.toMs, 340000u);

    ASSERT_EQ(parse({"--bench", "--json", "b.json", "--stretch", "0.5"}, options), "");
    EXPECT_EQ(options.mode, Mode::bench);
    EXPECT_EQ(options.stretchMs, 500u);
}

TEST(CaptureOptions, RejectsUnusableArguments) {
    const std::vector<std::vector<const char*>> bad = {
        {},
        {"--frobnicate"},
        {"--at", "1"},                                    // no --out
        {"--out", "x"},                                   // no mode
        {"--at", "1", "--out", "x", "--video", "v.mp4"},  // two modes
        {"--at", "", "--out", "x"},
        {"--at", "1,,2", "--out", "x"},
        {"--at", "-1", "--out", "x"},
        {"--at", "340.001", "--out", "x"},
        {"--at", "1e2", "--out", "x"},
        {"--at", "1", "--out", "x", "--to", "5"},
        {"--video", "v.mp4", "--fps", "0"},
        {"--video", "v.mp4", "--fps", "241"},
        {"--video", "v.mp4", "--fps", "2.5"},
        {"--video", "v.mp4", "--from", "20", "--to", "10"},
        {"--video"},
        {"--sheet", "s.png", "--every", "0"},
        {"--video", "v.mp4", "--every", "5"},
        {"--sheet", "s.png", "--json", "b.json"},
        {"--bench", "--stretch", "0"},
    };
    for (const auto& args : bad) {
        Options options;
        std::string joined;
        for (const char* arg : args) joined += std::string(arg) + " ";
        EXPECT_NE(parse(args, options), "") << joined;
    }
}

// ---------------------------------------------------------------------------
// Pieces of the modes

TEST(BenchFigures, MedianAndNearestRankPercentile) {
    EXPECT_EQ(median({}), 0.0);
    EXPECT_EQ(median({7}), 7.0);
    EXPECT_EQ(median({9, 1, 5}), 5.0);
    EXPECT_EQ(median({4, 1, 3, 2}), 2.5);
    std::vector<double> twenty;
    for (int i = 20; i >= 1; --i) twenty.push_back(i);
    EXPECT_EQ(percentile95(twenty), 19.0);
    std::vector<double> hundredOne;
    for (int i = 1; i <= 101; ++i) hundredOne.push_back(i);
    EXPECT_EQ(percentile95(hundredOne), 96.0);
    EXPECT_EQ(percentile95({3}), 3.0);
}

TEST(BenchFigures, StretchesLieInsideTheirSegments) {
    std::vector<BenchStretch> all = benchStretches(30, 2000, 0, 340000);
    ASSERT_EQ(all.size(), std::size_t(demoSegmentCount));
    FrameSchedule grid(30);
    for (const BenchStretch& stretch : all) {
        const float t0 = float(stretch.startMs) / 1000.0f;
        const float t1 = float(stretch.startMs + grid.gridMs(stretch.frames - 1)) / 1000.0f;
        EXPECT_EQ(advanceSegment(demoSegment::forestOpening, t0), stretch.segment) << segmentName(stretch.segment);
        EXPECT_EQ(advanceSegment(demoSegment::forestOpening, t1), stretch.segment) << segmentName(stretch.segment);
        EXPECT_EQ(stretch.frames, 60u);
    }
    // Limited to a span: only the segments it touches, inside it; a stretch
    // longer than what is left of a segment is cut short.
    std::vector<BenchStretch> some = benchStretches(10, 2000, 39000, 41000);
    ASSERT_EQ(some.size(), 2u);
    EXPECT_EQ(some[0].segment, demoSegment::forestOpening);
    EXPECT_GE(some[0].startMs, 39000u);
    EXPECT_LE(some[0].startMs + FrameSchedule(10).gridMs(some[0].frames - 1), 40500u);
    EXPECT_EQ(some[1].segment, demoSegment::fog);
    EXPECT_GT(some[1].startMs, 40500u);
}

TEST(BenchFigures, EachSceneStartsAtItsSegmentThenRunsItsStretch) {
    Bench bench(30, 2000, 0, 340000, "");
    std::vector<std::uint32_t> times;
    FramePoint point;
    while (!bench.pastEnd(point)) {
        times.push_back(point.ms);
        FramePoint next = bench.next(point);
        ASSERT_GT(next.ms, point.ms);
        point = next;
    }
    EXPECT_EQ(times.size(), bench.frameCount());
    EXPECT_EQ(times.size(), 9u + 9u * 60u);
    // The first frame past each bound (at the bound the earlier scene still plays).
    for (std::uint32_t entry : {0u, 40501u, 80001u, 117001u, 160001u, 190001u, 234001u, 245001u, 275001u})
        EXPECT_TRUE(std::count(times.begin(), times.end(), entry) == 1) << entry;
}

TEST(ContactSheet, ShrinksUprightAndAveragesBoxes) {
    // 8 x 4 frame, bottom row first: bottom two rows black, top two white;
    // column 0 of the top row red.
    const int width = 8, height = 4;
    std::vector<std::uint8_t> frame(width * height * 4, 0);
    for (int row = 2; row < 4; ++row)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) frame[(row * width + x) * 4 + c] = 255;
    std::uint8_t* corner = &frame[(3 * width + 0) * 4];
    corner[1] = corner[2] = 0;
    Picture thumb = shrinkFrame(frame, width, height, 2);
    ASSERT_EQ(thumb.width, 4);
    ASSERT_EQ(thumb.height, 2);
    auto at = [&](int x, int y, int c) { return int(thumb.rgba[(y * thumb.width + x) * 4 + c]); };
    EXPECT_EQ(at(0, 0, 0), 255);            // top-left box: red + 3 white
    EXPECT_EQ(at(0, 0, 1), 191);            // (255 * 3 + 2) / 4 rounded
    EXPECT_EQ(at(3, 0, 1), 255);
    EXPECT_EQ(at(3, 1, 0), 0);              // bottom row of the thumbnail is black
    EXPECT_EQ(at(3, 1, 3), 255);            // opaque
    EXPECT_TRUE(shrinkFrame(frame, width, height + 1, 2).rgba.empty());   // size mismatch
}

TEST(ContactSheet, TimesLabelsAndLayout) {
    EXPECT_EQ(sheetTimes(0, 340000, 5000).size(), 69u);
    EXPECT_EQ(sheetTimes(1000, 2999, 1000), (std::vector<std::uint32_t>{1000, 2000}));
    EXPECT_EQ(clockTime(0), "0:00");
    EXPECT_EQ(clockTime(125000), "2:05");
    EXPECT_EQ(clockTime(40500), "0:40.5");
    EXPECT_EQ(clockTime(62250), "1:02.25");
    SheetLayout layout;
    EXPECT_EQ(layout.height(6), layout.height(1));
    EXPECT_GT(layout.height(7), layout.height(6));
    // Cells never overlap the next one across or down.
    EXPECT_EQ(layout.cellX(1) - layout.cellX(0), layout.thumbWidth + layout.gap);
    EXPECT_GE(layout.cellY(layout.columns), layout.cellY(0) + layout.thumbHeight + layout.labelHeight);
    EXPECT_LE(layout.cellX(layout.columns - 1) + layout.thumbWidth, layout.width());
}

TEST(ContactSheet, TextStaysInsideThePictureAndUsesItsColour) {
    platform::GlyphFont font;
    ASSERT_TRUE(platform::rasterizeFont("Arial", 16, 0, 700, font));
    Picture picture(120, 30, 0);
    const std::uint8_t colour[3] = {10, 200, 30};
    int end = drawText(picture, font, 2, 20, "0:40 fog", colour);
    EXPECT_GT(end, 40);
    int inked = 0;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const std::uint8_t* p = &picture.rgba[(y * picture.width + x) * 4];
            if (p[0] == 0 && p[1] == 0) continue;
            EXPECT_EQ(p[1], 200);
            EXPECT_LE(y, 22) << "below the baseline by more than a descender";
            EXPECT_LT(x, end + 2);
            ++inked;
        }
    }
    EXPECT_GT(inked, 40);
    // Clipped at every edge without touching memory outside.
    drawText(picture, font, -30, 5, "clipped text running off", colour);
    drawText(picture, font, 100, 40, "gone", colour);
}

TEST(VideoOutput, SoundtrackSpanFollowsTheFrames) {
    std::vector<std::int16_t> stereo(2 * 44100 * 3);   // three seconds
    for (std::size_t i = 0; i < stereo.size(); ++i) stereo[i] = std::int16_t(i / 2 % 30000);
    std::vector<std::int16_t> span = soundtrackSpan(stereo, 44100, 30, 30, 30);   // 1 s to 2 s
    ASSERT_EQ(span.size(), 2u * 44100);
    EXPECT_EQ(span[0], 44100 % 30000);
    EXPECT_EQ(soundtrackSpan(stereo, 44100, 30, 60, 60).size(), 2u * 44100);   // cut at the end
    EXPECT_TRUE(soundtrackSpan(stereo, 44100, 30, 90, 10).empty());
    EXPECT_EQ(soundtrackSpan(stereo, 44100, 7, 0, 7).size(), 2u * 44100);
}

TEST(VideoOutput, FfmpegReadsRawRgbaAndFlipsIt) {
    VideoSettings settings;
    settings.output = "/out/demo.mp4";
    settings.fps = 25;
    std::vector<std::string> silent = ffmpegArguments(settings);
    auto has = [](const std::vector<std::string>& args, const std::string& key, const std::string& value) {
        for (std::size_t i = 0; i + 1 < args.size(); ++i)
            if (args[i] == key && args[i + 1] == value) return true;
        return false;
    };
    EXPECT_TRUE(has(silent, "-pix_fmt", "rgba"));
    EXPECT_TRUE(has(silent, "-video_size", "1024x768"));
    EXPECT_TRUE(has(silent, "-framerate", "25"));
    EXPECT_TRUE(has(silent, "-i", "pipe:0"));
    EXPECT_TRUE(has(silent, "-vf", "vflip"));
    EXPECT_TRUE(has(silent, "-c:v", "libx264"));
    EXPECT_TRUE(has(silent, "-pix_fmt", "yuv420p"));
    EXPECT_FALSE(has(silent, "-c:a", "aac"));
    EXPECT_EQ(silent.back(), "/out/demo.mp4");

    settings.audioFile = "/tmp/sound.raw";
    std::vector<std::string> withSound = ffmpegArguments(settings);
    EXPECT_TRUE(has(withSound, "-i", "/tmp/sound.raw"));
    EXPECT_TRUE(has(withSound, "-f", "s16le"));
    EXPECT_TRUE(has(withSound, "-ar", "44100"));
    EXPECT_TRUE(has(withSound, "-c:a", "aac"));
    EXPECT_EQ(withSound.back(), "/out/demo.mp4");
}

TEST(VideoOutput, FindsProgramsOnlyWhenExecutable) {
    std::string folder = testsupport::makeTempDir();
    std::ofstream(folder + "/notrunnable") << "#!/bin/sh\n";
    std::ofstream(folder + "/runnable") << "#!/bin/sh\n";
    fs::permissions(folder + "/runnable", fs::perms::owner_all);
    const char* saved = std::getenv("PATH");
    std::string savedPath = saved ? saved : "";
    setenv("PATH", ("/nonexistent:" + folder).c_str(), 1);
    EXPECT_EQ(findProgram("runnable"), folder + "/runnable");
    EXPECT_EQ(findProgram("notrunnable"), "");
    EXPECT_EQ(findProgram("sh"), "");
    setenv("PATH", savedPath.c_str(), 1);
    fs::remove_all(folder);
}

// ---------------------------------------------------------------------------
// Whole runs of the tool

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string shellQuoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

struct Png {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;   // top row first
};

bool readPng(const std::string& path, Png& png) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGBA;
    png.width = int(image.width);
    png.height = int(image.height);
    png.rgba.assign(PNG_IMAGE_SIZE(image), 0);
    return png_image_finish_read(&image, nullptr, png.rgba.data(), 0, nullptr) != 0;
}

// Mean absolute difference per colour channel, 0..255.
double meanDifference(const Png& a, const Png& b) {
    if (a.rgba.size() != b.rgba.size() || a.rgba.empty()) return 255.0;
    double sum = 0.0;
    for (std::size_t i = 0; i < a.rgba.size(); ++i) {
        if (i % 4 == 3) continue;
        sum += std::abs(int(a.rgba[i]) - int(b.rgba[i]));
    }
    return sum / double(a.rgba.size() / 4 * 3);
}

class CaptureTool : public ::testing::Test {
protected:
    static std::string root;   // holds data/ of the small data set

    static void SetUpTestSuite() {
        root = testsupport::makeTempDir();
        std::string error;
        ASSERT_TRUE(demodata::write(root, demodata::Options(), &error)) << error;
    }
    static void TearDownTestSuite() { fs::remove_all(root); }

    void SetUp() override { work = testsupport::makeTempDir(); }
    void TearDown() override { fs::remove_all(work); }

    // Runs the tool in `folder` (default: the data set's root).
    ToolRun capture(const std::vector<std::string>& args, std::string folder = "", const std::string& env = "") {
        if (folder.empty()) folder = root;
        std::string command = "cd " + shellQuoted(folder) + " && env SDL_AUDIODRIVER=dummy " + env + " " +
                              shellQuoted(GRAVLET_CAPTURE_TOOL);
        for (const std::string& arg : args) command += " " + shellQuoted(arg);
        command += " >" + shellQuoted(work + "/out.txt") + " 2>" + shellQuoted(work + "/err.txt");
        ToolRun run;
        int status = std::system(command.c_str());
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.out = readText(work + "/out.txt");
        run.err = readText(work + "/err.txt");
        return run;
    }

    Png still(const std::string& folder, const char* name) {
        Png png;
        EXPECT_TRUE(readPng(folder + "/" + name, png)) << folder << "/" << name;
        return png;
    }

    std::string work;
};

std::string CaptureTool::root;

TEST_F(CaptureTool, StillsAreTheSameEveryRunAndShowProgress) {
    ToolRun first = capture({"--at", "0.5,1.2", "--out", work + "/a", "--fps", "10"});
    ASSERT_EQ(first.status, 0) << first.err;
    ToolRun second = capture({"--at", "1.2,0.5", "--out", work + "/b", "--fps", "10"});
    ASSERT_EQ(second.status, 0) << second.err;
    for (const char* name : {"frame-000500.png", "frame-001200.png"}) {
        std::string a = readText(work + "/a/" + name);
        ASSERT_FALSE(a.empty()) << name;
        EXPECT_TRUE(a == readText(work + "/b/" + name)) << name << " differs between runs";
        Png png = still(work + "/a", name);
        EXPECT_EQ(png.width, 1024);
        EXPECT_EQ(png.height, 768);
        EXPECT_EQ(png.rgba[3], 255) << "stills are opaque";
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(work + "/a"), fs::directory_iterator()), 2);
    // 0 to 1.2 s at 10 fps: 13 frames.
    EXPECT_TRUE(std::regex_search(first.err, std::regex(R"(stills \d+/13 frames)"))) << first.err;
    EXPECT_TRUE(std::regex_search(first.err, std::regex(R"(13/13 frames, done in \d+:\d\d)"))) << first.err;
}

// The same demo time reached at different steps: scenes that accumulate
// state from frame to frame may differ slightly, the picture does not. At
// 1.05 s the loading picture flies apart fast enough that 50 ms earlier or
// later is several times further off than a change of step.
TEST_F(CaptureTool, TheStepBarelyChangesThePictureAtATime) {
    ToolRun fine = capture({"--at", "1,1.05,1.1,2", "--out", work + "/fine", "--fps", "20"});
    ASSERT_EQ(fine.status, 0) << fine.err;
    ToolRun coarse = capture({"--at", "1.05,2", "--out", work + "/coarse", "--fps", "10"});
    ASSERT_EQ(coarse.status, 0) << coarse.err;

    double sameTime = meanDifference(still(work + "/fine", "frame-001050.png"), still(work + "/coarse", "frame-001050.png"));
    double earlier = meanDifference(still(work + "/fine", "frame-001000.png"), still(work + "/coarse", "frame-001050.png"));
    double later = meanDifference(still(work + "/fine", "frame-001100.png"), still(work + "/coarse", "frame-001050.png"));
    double onGrid = meanDifference(still(work + "/fine", "frame-002000.png"), still(work + "/coarse", "frame-002000.png"));
    EXPECT_LT(sameTime, 0.5);
    EXPECT_LT(onGrid, 0.5);
    EXPECT_GT(earlier, 3.0 * sameTime + 0.1);
    EXPECT_GT(later, 3.0 * sameTime + 0.1);
    std::printf("mean difference per channel: same time %.3f, on the grid %.3f, 50 ms apart %.3f / %.3f\n",
                sameTime, onGrid, earlier, later);
}

TEST_F(CaptureTool, SheetHoldsLabelledThumbnailsOfTheFrames) {
    ToolRun sheet = capture({"--sheet", work + "/sheet.png", "--fps", "5", "--every", "1", "--to", "3"});
    ASSERT_EQ(sheet.status, 0) << sheet.err;
    ToolRun stills = capture({"--at", "2", "--out", work + "/stills", "--fps", "5"});
    ASSERT_EQ(stills.status, 0) << stills.err;

    Png png = still(work, "sheet.png");
    SheetLayout layout;
    ASSERT_EQ(png.width, layout.width());
    ASSERT_EQ(png.height, layout.height(4));
    // Thumbnail 2 is the frame at 2 s, shrunk.
    Png frame = still(work + "/stills", "frame-002000.png");
    std::vector<std::uint8_t> bottomUp = platform::flipRows(frame.rgba, frame.width, frame.height);
    Picture expected = shrinkFrame(bottomUp, frame.width, frame.height, frame.width / layout.thumbWidth);
    int mismatches = 0;
    for (int y = 0; y < expected.height; ++y)
        for (int x = 0; x < expected.width; ++x)
            for (int c = 0; c < 3; ++c)
                mismatches += png.rgba[((layout.cellY(2) + y) * png.width + layout.cellX(2) + x) * 4 + c] !=
                              expected.rgba[(y * expected.width + x) * 4 + c];
    EXPECT_EQ(mismatches, 0);
    // Each label band carries light text.
    for (int index = 0; index < 4; ++index) {
        int light = 0;
        for (int y = layout.cellY(index) + layout.thumbHeight; y < layout.cellY(index) + layout.thumbHeight + layout.labelHeight; ++y)
            for (int x = layout.cellX(index); x < layout.cellX(index) + layout.thumbWidth; ++x)
                light += png.rgba[(y * png.width + x) * 4 + 1] > 200;
        EXPECT_GT(light, 50) << "label " << index;
    }
}

TEST_F(CaptureTool, VideoHasEveryFrameAndTheSoundtrack) {
    if (findProgram("ffprobe").empty()) GTEST_SKIP() << "ffprobe is not installed";
    // A soundtrack long enough to reach into the span.
    std::string folder = work + "/music";
    std::string error;
    demodata::Options options;
    options.musicSeconds = 3.0;
    ASSERT_TRUE(demodata::write(folder, options, &error)) << error;
    ToolRun run = capture({"--video", work + "/clip.mp4", "--fps", "10", "--from", "1", "--to", "2.5"}, folder);
    ASSERT_EQ(run.status, 0) << run.err;
    ToolRun probe;
    std::string command = "ffprobe -v error -count_frames -show_entries stream=codec_type,nb_read_frames,width,height,duration"
                          " -show_entries format=duration -of default=noprint_wrappers=1 " +
                          shellQuoted(work + "/clip.mp4") + " > " + shellQuoted(work + "/probe.txt");
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::string info = readText(work + "/probe.txt");
    // 1.0, 1.1, ... 2.5 s: 16 frames at 10 fps, 1.6 s.
    EXPECT_NE(info.find("codec_type=video"), std::string::npos) << info;
    EXPECT_NE(info.find("width=1024\nheight=768"), std::string::npos) << info;
    EXPECT_NE(info.find("nb_read_frames=16\n"), std::string::npos) << info;
    EXPECT_NE(info.find("codec_type=audio"), std::string::npos) << info;
    // Video, audio and file all last 1.6 s (audio to within an AAC frame).
    std::vector<double> durations;
    std::regex duration(R"(duration=([0-9.]+))");
    for (auto it = std::sregex_iterator(info.begin(), info.end(), duration); it != std::sregex_iterator(); ++it)
        durations.push_back(std::stod((*it)[1]));
    ASSERT_EQ(durations.size(), 3u) << info;
    for (double seconds : durations) EXPECT_NEAR(seconds, 1.6, 0.05) << info;
}

TEST_F(CaptureTool, VideoWithoutFfmpegSaysSoAtOnce) {
    ToolRun run = capture({"--video", work + "/clip.mp4"}, "", "PATH=" + work);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("ffmpeg is not on PATH"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(work + "/clip.mp4"));
}

TEST_F(CaptureTool, BadArgumentsGiveTheUsageAndExitTwo) {
    for (std::vector<std::string> args : {std::vector<std::string>{}, {"--at", "1"}, {"--video", "v.mp4", "--fps", "x"},
                                          {"--sheet", "s.png", "--bench"}, {"--unknown"}}) {
        ToolRun run = capture(args);
        EXPECT_EQ(run.status, 2) << (args.empty() ? "(none)" : args[0]);
        EXPECT_NE(run.err.find("usage: gravlet-capture"), std::string::npos) << run.err;
    }
    ToolRun help = capture({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--sheet FILE.png"), std::string::npos);
}

TEST_F(CaptureTool, MissingDataGivesTheDemosMessagesAndFails) {
    ToolRun empty = capture({"--at", "1", "--out", work + "/none"}, work);
    EXPECT_EQ(empty.status, 1);
    EXPECT_NE(empty.err.find("ERROR: Could not load TGA file 'data//load.tga'"), std::string::npos) << empty.err;
    EXPECT_NE(empty.err.find("Error initializing [demoForrest class]!"), std::string::npos) << empty.err;
    EXPECT_FALSE(fs::exists(work + "/none/frame-001000.png"));

    // A missing texture does not stop the demo; the frames come, the exit code tells.
    std::string partial = work + "/partial";
    std::string error;
    demodata::Options options;
    options.omit = {"wt.tga"};
    ASSERT_TRUE(demodata::write(partial, options, &error)) << error;
    ToolRun run = capture({"--at", "0.2", "--out", work + "/some", "--fps", "5"}, partial);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("ERROR: Could not load TGA file 'data//wt.tga'"), std::string::npos) << run.err;
    EXPECT_TRUE(fs::exists(work + "/some/frame-000200.png"));
}

TEST_F(CaptureTool, BenchReportsLoadAndFrameTimesPerScene) {
    ToolRun run = capture({"--bench", "--fps", "10", "--stretch", "0.3", "--to", "45", "--json", work + "/bench.json"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("forest opening"), std::string::npos) << run.out;
    std::string json = readText(work + "/bench.json");
    std::smatch load;
    ASSERT_TRUE(std::regex_search(json, load, std::regex(R"("load_ms": ([0-9.]+))"))) << json;
    EXPECT_GT(std::stod(load[1]), 0.0);
    // Opening and fog only, three frames each (0, 0.1, 0.2 s into the stretch).
    std::regex scene(R"re(\{"scene": "([a-z ]+)", "segment": \d, "from_s": [0-9.]+, "to_s": [0-9.]+, "frames": (\d+), "median_ms": ([0-9.]+), "p95_ms": ([0-9.]+)\})re");
    std::vector<std::string> names;
    for (auto it = std::sregex_iterator(json.begin(), json.end(), scene); it != std::sregex_iterator(); ++it) {
        names.push_back((*it)[1]);
        EXPECT_EQ((*it)[2], "3");
        EXPECT_GT(std::stod((*it)[3]), 0.0);
        EXPECT_GE(std::stod((*it)[4]), std::stod((*it)[3]));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"forest opening", "fog"})) << json;
}

}  // namespace
