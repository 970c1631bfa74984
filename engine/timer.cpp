#include "engine/timer.h"

#include <chrono>

namespace Qu {

namespace {

std::uint32_t monotonicTicks() {
    using namespace std::chrono;
    auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<std::uint32_t>(ms);   // keeps the low 32 bits: wraps like the original
}

TickSource currentSource = monotonicTicks;

}  // namespace

void setTickSource(TickSource source) { currentSource = source ? source : monotonicTicks; }

std::uint32_t tickCount() { return currentSource(); }

bool Timer::reset() {
    startTicks = tickCount();
    return true;
}

std::uint32_t Timer::elapsedMs() const { return tickCount() - startTicks; }

}  // namespace Qu
