// The engine's tick source: the platform's counter, or a virtual one that
// moves only when told to. The same on every platform.
#include "engine/timer.h"
#include "platform/ticks.h"

namespace platform {

namespace {
std::uint32_t virtualTicks = 0;
std::uint32_t readVirtual() { return virtualTicks; }
}  // namespace

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
