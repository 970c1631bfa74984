#include "shell/timeline.h"

namespace {

constexpr float bounds[demoSegmentCount] = {40.5f, 80.0f, 117.0f, 160.0f, 190.0f,
                                            234.0f, 245.0f, 275.0f, demoTimelineEnd};

}  // namespace

float segmentEnd(demoSegment segment) { return bounds[static_cast<int>(segment)]; }

demoSegment advanceSegment(demoSegment current, float t) {
    int index = static_cast<int>(current);
    // The finale has no successor: past its end the loop stops instead.
    while (index < demoSegmentCount - 1 && t > bounds[index]) ++index;
    return static_cast<demoSegment>(index);
}

bool timelineOver(float t) { return t > demoTimelineEnd; }

float segmentTimeMs(demoSegment segment, float t, std::uint32_t clockElapsedMs) {
    if (segment == demoSegment::earth) return static_cast<float>(clockElapsedMs);
    return t * 1000.0f;
}
