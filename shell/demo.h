#pragma once
// The demo's life: window, start-up, the frame loop over the nine-segment
// timeline, and the shutdown. One thread; the globals below are created by
// the start-up sequence and deleted by demoShutdown in a fixed order.
//
// The frame loop is split into callable steps so that another front end
// (the capture tool, tests) runs the very same code on its own GlWindow
// and clock:
//   openGlWindow(...) ; demoStartup() ; demoBeginTimeline() ;
//   while (demoLoopPass()) {} ; return demoFinish();
#include <cstdint>

#include "shell/startup.h"
#include "shell/timeline.h"

// Loop state: done, the current segment, the demo time origin (float
// seconds of the clock) and the key latch of the fog switches.
struct demoLoopState {
    bool done = false;
    demoSegment segment = demoSegment::forestOpening;
    float origin = 0.0f;
    bool keyLatch = false;
    int exitCode = 0;   // the quit message's code; 0 for every other end
};
extern demoLoopState demoLoop;

// The whole program; returns the exit code (0 normal end, 1 when the window
// could not be opened; a failed scene exits with 1 from inside start-up).
int demoMain();
// Starts the music, resets the clock to the demo's time zero and the loop state.
void demoBeginTimeline();
// One pass of the message loop: a play attempt of the music, then either
// one window message or one frame. False once the loop is done.
bool demoLoopPass();
// Draws the frame for the clock's current time (segment choice, scene,
// intro fade, swap); sets done past the end or when a scene declines.
void demoRenderFrame();
// Demo time in seconds for a clock reading in milliseconds.
float demoTimeSeconds(std::uint32_t elapsedMs, float origin);
// After the loop: music closed, shutdown; returns the exit code carried by
// the loop.
int demoFinish();
