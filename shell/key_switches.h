#pragma once
// F1 and F2: the two switches of the fog scene, tested before each message
// is dispatched, in every segment. keyLatch makes a held key act once; it
// is released only when F1 and F2 are both seen up.
#include <cstdint>

struct demoFogSwitches {
    int* overlaySwitch;   // F1: 0 -> 1; 1 -> 0 and the fog layers' reset set
    int* worldVisible;    // F2: 0 -> 1, anything else -> 0
    int* fogLayersReset;  // may be null (no fog layers)
};

// keyDown: 256 entries indexed by virtual-key code.
void applyKeySwitches(const std::uint8_t* keyDown, bool& keyLatch, const demoFogSwitches& fog);
