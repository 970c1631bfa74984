#include "tools/capture/progress.h"

#include <unistd.h>

#include <cmath>

namespace capture {

namespace {

// Between lines when the output is not a terminal.
constexpr double logInterval = 5.0;
// Between rewrites on a terminal.
constexpr double terminalInterval = 0.25;

}  // namespace

std::string minutesSeconds(double seconds) {
    long whole = seconds > 0.0 ? static_cast<long>(std::lround(seconds)) : 0;
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

double secondsLeft(std::uint64_t done, std::uint64_t total, double elapsedSeconds) {
    if (done == 0) return -1.0;
    if (done >= total) return 0.0;
    return elapsedSeconds / double(done) * double(total - done);
}

Progress::Progress(std::FILE* stream) : out(stream), terminal(isatty(fileno(stream)) == 1) {}

void Progress::start(const std::string& what, std::uint64_t frames) {
    label = what;
    total = frames;
    done = 0;
    started = Clock::now();
    lastShown = started;
    show("");
}

void Progress::update(std::uint64_t frames) {
    done = frames;
    Clock::time_point now = Clock::now();
    double since = std::chrono::duration<double>(now - lastShown).count();
    if (since < (terminal ? terminalInterval : logInterval)) return;
    lastShown = now;
    double elapsed = std::chrono::duration<double>(now - started).count();
    double left = secondsLeft(done, total, elapsed);
    show(left < 0.0 ? ", time left unknown" : ", " + minutesSeconds(left) + " left");
}

void Progress::finish() {
    double elapsed = std::chrono::duration<double>(Clock::now() - started).count();
    show(", done in " + minutesSeconds(elapsed));
    if (terminal) std::fputc('\n', out);
    std::fflush(out);
}

void Progress::show(const std::string& tail) {
    std::fprintf(out, "%sgravlet-capture: %s %llu/%llu frames%s%s", terminal ? "\r" : "", label.c_str(),
                 static_cast<unsigned long long>(done), static_cast<unsigned long long>(total),
                 tail.c_str(), terminal ? "\033[K" : "\n");
    std::fflush(out);
}

}  // namespace capture
