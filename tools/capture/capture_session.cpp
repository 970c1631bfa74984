#include "tools/capture/capture_session.h"

#include <GL/gl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/message_box.h"
#include "shell/demo.h"
#include "shell/gl_window.h"
#include "shell/startup.h"
#include "tools/capture/capture_window.h"
#include "tools/capture/progress.h"

namespace capture {

const char* segmentName(demoSegment segment) {
    switch (segment) {
    case demoSegment::forestOpening: return "forest opening";
    case demoSegment::fog: return "fog";
    case demoSegment::greetings: return "greetings";
    case demoSegment::space: return "space";
    case demoSegment::earth: return "earth";
    case demoSegment::forestAnimOne: return "forest animation I";
    case demoSegment::forestAnimTwo: return "forest animation II";
    case demoSegment::forestAnimThree: return "forest animation III";
    case demoSegment::forestFinale: return "forest finale";
    }
    return "?";
}

namespace {

using WallClock = std::chrono::steady_clock;

double secondsSince(WallClock::time_point start) {
    return std::chrono::duration<double>(WallClock::now() - start).count();
}

bool errorsReported() {
    for (const platform::RecordedMessageBox& box : platform::recordedMessageBoxes())
        if (box.caption == "ERROR") return true;
    return false;
}

}  // namespace

int runCapture(CaptureMode& mode, int fps) {
    // Nothing may play or wait for a click.
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("GRAVLET_NONINTERACTIVE", "1", 1);
    // Boxes still go to standard error; recording lets the exit code tell.
    platform::recordMessageBoxes(true);

    const WallClock::time_point runStart = WallClock::now();
    FrameClock clock;
    FrameSchedule startupSchedule(fps);
    const std::uint32_t startupStep = mode.startupStepMs();
    std::uint64_t startupSwaps = 0;
    std::vector<double> startupSwapTimes;

    bool timeline = false;
    bool stop = false;
    bool failed = false;
    FramePoint current;
    std::uint64_t drawn = 0;
    Progress progress;

    auto window = std::make_unique<CaptureWindow>();
    CaptureWindow* capture = window.get();
    // The shell keeps the window after closing it; once this run returns,
    // nothing of it may be reached through the window any more.
    struct Detach {
        CaptureWindow* window;
        ~Detach() {
            window->onSwap = nullptr;
            window->onPause = nullptr;
        }
    } detach{capture};
    capture->onPause = [&clock](unsigned ms) { clock.pause(ms); };
    capture->onSwap = [&]() {
        if (!timeline) {
            ++startupSwaps;
            startupSwapTimes.push_back(secondsSince(runStart));
            clock.setTo(startupStep ? std::uint32_t(startupSwaps * startupStep)
                                    : startupSchedule.gridMs(startupSwaps));
            return;
        }
        FrameInfo info;
        info.number = drawn;
        info.point = current;
        info.t = demoTimeSeconds(demoClock->elapsedMs(), demoLoop.origin);
        info.segment = demoLoop.segment;
        std::vector<std::uint8_t> pixels;
        bool wanted = mode.wantsPixels(info);
        if (wanted) pixels = capture->frame().readPixels();
        if (!mode.frame(info, wanted ? &pixels : nullptr)) {
            failed = true;
            stop = true;
        }
        progress.update(++drawn);
        FramePoint next = mode.next(current);
        if (mode.pastEnd(next)) {
            stop = true;
        } else {
            current = next;
            clock.setTo(current.ms);
        }
    };
    useGlWindow(std::move(window));

    // No display mode to ask for: the frame is always the window size.
    if (!openGlWindow("gravlet", frameWidth, frameHeight, 32, false)) return 1;
    // The demo's window has no alpha bits, so destination alpha reads 1
    // there: keep the offscreen frame's alpha at 1 and never write it.
    GLfloat clearColour[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
    glClearColor(clearColour[0], clearColour[1], clearColour[2], clearColour[3]);
    demoStartup();
    mode.startupTimes(startupSwapTimes, secondsSince(runStart));

    if (!mode.begin()) {
        demoShutdown();
        return 1;
    }
    demoBeginTimeline();
    clock.restart();
    timeline = true;
    progress.start(mode.label(), mode.frameCount());
    while (!stop && demoLoopPass()) {
    }
    progress.finish();
    demoFinish();

    bool ended = mode.end(!failed);
    return failed || !ended || errorsReported() ? 1 : 0;
}

}  // namespace capture
