#pragma once
// Helpers the benchmark programs share: where the generated data set lives,
// statistics over repeated timings, child processes (fresh start-ups, tools,
// valgrind) and the figure lines with their targets.
//
// Every benchmark prints "figure  value  target  verdict" lines, so one
// `make bench` run shows each figure beside its target.
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start);
double msSince(Clock::time_point start);

// Folder holding data/: $GRAVLET_BENCH_DATA when set, else bench-data in the
// build tree, generated there once (about half a minute) when it is missing.
// Empty (with a message on stderr) when no data set can be had.
std::string dataRoot();

// Median (mean of the middle two for an even count), nearest-rank 95th
// percentile, both 0 for no values.
double median(std::vector<double> values);
double percentile95(std::vector<double> values);

// Median time in ms of `runs` calls of `work`.
double medianMs(int runs, const std::function<void()>& work);

// What a finished child process left.
struct ChildRun {
    int status = -1;             // exit code, or -1 when it did not exit normally
    double wallSeconds = 0.0;
    long peakKb = 0;             // its largest resident set (waited-for descendants included)
    long ownPeakKb = 0;          // its own largest resident set (VmHWM), without descendants
    std::string output;          // its standard output
};

// Runs `arguments` (argv[0] searched on PATH) with extra environment
// entries "NAME=value", standard output captured, standard error passed on.
// `whileRunning`, when given, is called every 100 ms with the child's pid
// until it ends (to drive it, for example send it keys).
ChildRun runChild(const std::vector<std::string>& arguments, const std::vector<std::string>& environment = {},
                  const std::function<void(pid_t, double seconds)>& whileRunning = nullptr);

// This program's own path (to start itself as a child).
std::string selfPath();

// The value after "key=" on a line of `text`; `fallback` when absent.
double valueOf(const std::string& text, const std::string& key, double fallback = -1.0);

// The first executable `name` on PATH; "" when there is none.
std::string findProgram(const std::string& name);

// Figure lines: `higherIsBetter` flips the comparison with the target.
void printHeading(const std::string& title);
void printFigure(const std::string& name, double value, const std::string& unit, double target,
                 bool higherIsBetter = false);
void printNote(const std::string& text);

}  // namespace bench

namespace bench {

// Sends standard output to /dev/null while it lives (the demo echoes the
// names it reads from model files there), so figures stay readable.
class QuietStdout {
public:
    QuietStdout();
    ~QuietStdout();
    QuietStdout(const QuietStdout&) = delete;
    QuietStdout& operator=(const QuietStdout&) = delete;

private:
    int saved = -1;
};

}  // namespace bench
