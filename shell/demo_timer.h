#pragma once
// demoTimer: the demo's clock. Whole milliseconds since the last reset,
// read through the engine's replaceable tick source.
#include "engine/timer.h"

class demoTimer : public Qu::Timer {
public:
    // Resets the clock; the tag has no effect. Always true.
    bool start(int tag);
};
