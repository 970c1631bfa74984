#include "shell/demo.h"

#include "platform/ticks.h"
#include "resources/texture_library.h"
#include "shell/gl_window.h"
#include "shell/key_switches.h"
#include "shell/music.h"

demoLoopState demoLoop;

namespace {

bool renderSegment(demoSegment segment, float timeMs) {
    switch (segment) {
    case demoSegment::forestOpening: return forestOpening->render(timeMs);
    case demoSegment::fog: return fogScene->render(timeMs);
    case demoSegment::greetings: return greetScene->render(timeMs);
    case demoSegment::space: return spaceScene->render(timeMs);
    case demoSegment::earth: return earthScene->render(timeMs);
    case demoSegment::forestAnimOne: return forestAnimOne->render(timeMs);
    case demoSegment::forestAnimTwo: return forestAnimTwo->render(timeMs);
    case demoSegment::forestAnimThree: return forestAnimThree->render(timeMs);
    case demoSegment::forestFinale: return forestFinale->render(timeMs);
    }
    return true;
}

}  // namespace

float demoTimeSeconds(std::uint32_t elapsedMs, float origin) {
    return static_cast<float>(elapsedMs) / 1000.0f - origin;
}

int demoMain() {
    platform::useRealClock();   // the platform's own tick counter
    // Fullscreen is asked for first; a refused mode offers a window.
    if (!openGlWindow("gravlet", 1024, 768, 32, true)) return 1;
    demoStartup();
    demoBeginTimeline();
    while (demoLoopPass()) {
    }
    return demoFinish();
}

void demoBeginTimeline() {
    startMusic("data//music//vopa.mp3");
    musicChannel = -1;
    demoClock->reset();
    demoLoop = demoLoopState();
    demoLoop.origin = demoTimeSeconds(demoClock->elapsedMs(), 0.0f);
}

bool demoLoopPass() {
    if (demoLoop.done) return false;
    playMusicAttempt();

    platform::WindowMessage message;
    if (peekWindowMessage(message)) {
        if (fogScene) {
            demoFogSwitches fog{&fogScene->overlaySwitch, &fogScene->worldVisible,
                                fogScene->fogLayers ? &fogScene->fogLayers->reset : nullptr};
            applyKeySwitches(keyDown, demoLoop.keyLatch, fog);
        }
        if (message.type == platform::WindowMessage::quit) {
            demoLoop.done = true;
            demoLoop.exitCode = message.code;
        } else if (keyDown[platform::vkEscape] == 1) {
            demoLoop.done = true;
        } else {
            glWindowProc(message);
        }
    } else {
        demoRenderFrame();
    }
    return !demoLoop.done;
}

void demoRenderFrame() {
    std::uint32_t elapsedMs = demoClock->elapsedMs();
    float t = demoTimeSeconds(elapsedMs, demoLoop.origin);
    demoLoop.segment = advanceSegment(demoLoop.segment, t);
    if (timelineOver(t)) demoLoop.done = true;
    if (windowActive == 1) {
        if (!renderSegment(demoLoop.segment, segmentTimeMs(demoLoop.segment, t, elapsedMs))) {
            demoLoop.done = true;
            return;
        }
    }
    if (demoLoop.segment == demoSegment::forestOpening) drawIntroFade(t);
    swapWindowBuffers();
}

int demoFinish() {
    closeMusic();
    demoShutdown();
    return demoLoop.exitCode;
}
