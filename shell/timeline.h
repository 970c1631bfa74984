#pragma once
// The demo's timeline: nine segments chosen by demo time t (float seconds
// since the time origin). Segments only move forward, and each bound is
// "t greater than": at exactly a bound the earlier segment still plays.
#include <cstdint>

enum class demoSegment : int {
    forestOpening,     // up to 40.5 s
    fog,               // over 40.5 up to 80
    greetings,         // over 80 up to 117
    space,             // over 117 up to 160
    earth,             // over 160 up to 190
    forestAnimOne,     // over 190 up to 234
    forestAnimTwo,     // over 234 up to 245
    forestAnimThree,   // over 245 up to 275
    forestFinale,      // over 275
};

constexpr int demoSegmentCount = 9;
constexpr float demoTimelineEnd = 340.0f;   // seconds; the last frame is the first past it

// Upper bound of a segment in seconds; the finale's is the timeline's end.
float segmentEnd(demoSegment segment);

// The segment for time t, starting from `current` and never going back.
demoSegment advanceSegment(demoSegment current, float t);

// True once t is past the end: that frame is still drawn, then the loop ends.
bool timelineOver(float t);

// What the segment's scene is given as timeMs: t x 1000, except the earth
// segment, which is given the clock's raw elapsed milliseconds.
float segmentTimeMs(demoSegment segment, float t, std::uint32_t clockElapsedMs);
