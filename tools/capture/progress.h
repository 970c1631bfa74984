#pragma once
// capture::Progress: one line on standard error with the frames done, the
// total and the time left, rewritten in place on a terminal and printed as
// a new line every few seconds otherwise (logs, tests).
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace capture {

class Progress {
public:
    explicit Progress(std::FILE* out = stderr);
    void start(const std::string& what, std::uint64_t total);
    void update(std::uint64_t done);
    // The final line, with the time taken.
    void finish();

private:
    using Clock = std::chrono::steady_clock;
    std::FILE* out;
    bool terminal;
    std::string label;
    std::uint64_t total = 0;
    std::uint64_t done = 0;
    Clock::time_point started;
    Clock::time_point lastShown;

    void show(const std::string& tail);
};

// "m:ss" for a number of seconds (negative counts as 0).
std::string minutesSeconds(double seconds);
// The time left when `done` of `total` took `elapsedSeconds`; negative when
// nothing is done yet.
double secondsLeft(std::uint64_t done, std::uint64_t total, double elapsedSeconds);

}  // namespace capture
