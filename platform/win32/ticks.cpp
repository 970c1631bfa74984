// Windows: the demo runs on the system's millisecond tick counter.
#include "platform/ticks.h"

#include <windows.h>

namespace platform {

// Milliseconds since the system started, wrapping after 49.7 days; the
// timer's unsigned differences stay right across the wrap.
std::uint32_t platformTicks() { return GetTickCount(); }

}  // namespace platform
