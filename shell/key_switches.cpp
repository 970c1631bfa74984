#include "shell/key_switches.h"

#include "platform/window.h"

void applyKeySwitches(const std::uint8_t* keyDown, bool& keyLatch, const demoFogSwitches& fog) {
    if (keyDown[platform::vkF1] == 1 && !keyLatch) {
        if (*fog.overlaySwitch == 0) {
            *fog.overlaySwitch = 1;
        } else {
            *fog.overlaySwitch = 0;
            // The layers' next draw takes no time step.
            if (fog.fogLayersReset) *fog.fogLayersReset = 1;
        }
        keyLatch = true;
    }
    if (keyDown[platform::vkF2] == 1 && !keyLatch) {
        *fog.worldVisible = *fog.worldVisible == 0 ? 1 : 0;
        keyLatch = true;
    }
    if (keyDown[platform::vkF1] == 0 && keyDown[platform::vkF2] == 0) keyLatch = false;
}
