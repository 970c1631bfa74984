// Windows: the demo runs on the system's millisecond tick counter.
#include "platform/ticks.h"

#include <windows.h>

#include "engine/timer.h"

namespace platform {

namespace {
std::uint32_t virtualTicks = 0;
std::uint32_t readVirtual() { return virtualTicks; }
}  // namespace

// Milliseconds since the system started, wrapping after 49.7 days; the
// timer's unsigned differences stay right across the wrap.
std::uint32_t platformTicks() { return GetTickCount(); }

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
