#pragma once
// --video: every frame of the span piped as raw RGBA into ffmpeg (H.264,
// yuv420p, flipped upright there), with the decoded soundtrack cut to the
// same span so that its sample 0 lies at the timeline's time zero, as when
// the demo starts the music on its first frame.
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tools/capture/capture_session.h"

namespace capture {

// The first executable `name` in the folders of PATH; "" when there is none.
std::string findProgram(const std::string& name);

struct VideoSettings {
    std::string output;        // .mp4 file
    int fps = 30;
    int width = frameWidth;
    int height = frameHeight;
    std::string audioFile;     // raw s16le stereo at audioRate; "" for none
    int audioRate = 44100;
};

// ffmpeg's argument list (argv[0] included) for those settings: raw RGBA
// frames, bottom row first, on standard input.
std::vector<std::string> ffmpegArguments(const VideoSettings& settings);

// The part of interleaved stereo samples that plays from grid frame
// `firstFrame` for `frames` frames at `fps`; shorter (or empty) when the
// sound ends earlier.
std::vector<std::int16_t> soundtrackSpan(const std::vector<std::int16_t>& stereo, int rate, int fps,
                                         std::uint64_t firstFrame, std::uint64_t frames);

// A child process reading what we write to its standard input.
class PipedProcess {
public:
    PipedProcess() = default;
    ~PipedProcess();
    PipedProcess(const PipedProcess&) = delete;
    PipedProcess& operator=(const PipedProcess&) = delete;

    bool start(const std::vector<std::string>& arguments);
    // False once the child has stopped reading.
    bool write(const std::uint8_t* data, std::size_t size);
    // Closes its input and waits; the exit status, or -1 when it did not
    // exit normally.
    int finish();
    bool running() const { return child > 0; }
    pid_t processId() const { return child; }

private:
    pid_t child = -1;
    int input = -1;
};

class VideoCapture : public CaptureMode {
public:
    VideoCapture(int fps, std::uint32_t fromMs, std::uint32_t toMs, std::string file);
    ~VideoCapture() override;

    std::string label() const override { return "video"; }
    bool begin() override;
    FramePoint next(const FramePoint& drawn) const override { return schedule.next(drawn); }
    bool pastEnd(const FramePoint& point) const override { return point.ms > toMs; }
    std::uint64_t frameCount() const override { return countTimelineFrames(schedule, toMs); }
    bool wantsPixels(const FrameInfo& frame) const override { return frame.point.ms >= fromMs; }
    bool frame(const FrameInfo& frame, const std::vector<std::uint8_t>* bottomUpRgba) override;
    bool end(bool complete) override;

    std::uint64_t framesWritten() const { return written; }

private:
    int fps;
    std::uint32_t fromMs;
    std::uint32_t toMs;
    std::string file;
    FrameSchedule schedule;
    std::string audioFile;
    PipedProcess encoder;
    std::uint64_t written = 0;

    bool writeSoundtrack(std::uint64_t firstFrame, std::uint64_t frames);
};

}  // namespace capture
