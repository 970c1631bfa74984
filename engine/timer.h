#pragma once
// Qu::Timer: whole milliseconds since the last reset.
//
// The tick counter is a replaceable function so that tests and the capture
// tool can run the demo on a virtual clock. It is kept as unsigned 32 bits
// and wraps (about every 49.7 days); elapsedMs subtracts in unsigned
// arithmetic so the difference stays right across the wrap.
#include <cstdint>

namespace Qu {

using TickSource = std::uint32_t (*)();

// The counter every timer reads. Null restores the default monotonic one.
void setTickSource(TickSource source);
std::uint32_t tickCount();

class Timer {
public:
    Timer() = default;   // origin undefined until the first reset
    bool reset();
    std::uint32_t elapsedMs() const;

private:
    std::uint32_t startTicks;
};

}  // namespace Qu
