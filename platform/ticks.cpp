#include "platform/ticks.h"

#include <time.h>

#include "engine/timer.h"

namespace platform {

namespace {
std::uint32_t virtualTicks = 0;
std::uint32_t readVirtual() { return virtualTicks; }
}  // namespace

std::uint32_t platformTicks() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    std::uint64_t ms = std::uint64_t(ts.tv_sec) * 1000u + std::uint64_t(ts.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);
}

void useRealClock() { Qu::setTickSource(platformTicks); }

VirtualClock::VirtualClock(std::uint32_t start) {
    virtualTicks = start;
    Qu::setTickSource(readVirtual);
}

VirtualClock::~VirtualClock() { useRealClock(); }

void VirtualClock::set(std::uint32_t ticks) { virtualTicks = ticks; }
void VirtualClock::advance(std::uint32_t ms) { virtualTicks += ms; }
std::uint32_t VirtualClock::now() const { return virtualTicks; }

}  // namespace platform
