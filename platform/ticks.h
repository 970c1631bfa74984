#pragma once
// The platform's millisecond tick counter, and a virtual one.
//
// platformTicks() is the monotonic counter the demo runs on (low 32 bits of
// CLOCK_MONOTONIC in milliseconds). VirtualClock replaces it, for tests and
// the capture tool, with a counter that only moves when told to.
#include <cstdint>

namespace platform {

std::uint32_t platformTicks();

// Installs platformTicks() as the engine's tick source.
void useRealClock();

class VirtualClock {
public:
    // Installs this clock as the engine's tick source, starting at `start`.
    explicit VirtualClock(std::uint32_t start = 0);
    // Restores the real clock.
    ~VirtualClock();
    VirtualClock(const VirtualClock&) = delete;
    VirtualClock& operator=(const VirtualClock&) = delete;

    void set(std::uint32_t ticks);
    void advance(std::uint32_t ms);   // wraps in 32 bits like the real counter
    std::uint32_t now() const;
};

}  // namespace platform
