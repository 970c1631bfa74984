#include "bench/support/bench_support.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "tools/generate/data_set.h"

extern char** environ;

namespace bench {

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double msSince(Clock::time_point start) { return secondsSince(start) * 1000.0; }

namespace {

bool isFile(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool dataComplete(const std::string& root) {
    for (const std::string& file : gen::dataSetFiles())
        if (!isFile(root + "/" + file)) return false;
    return true;
}

// The generator is linked into every benchmark: a data set made before this
// executable was built may come from an older generator, and timing
// yesterday's models says nothing about today's.
constexpr const char* stampName = "/generated";

bool madeSinceBuild(const std::string& root) {
    struct stat stamp, self;
    return stat((root + stampName).c_str(), &stamp) == 0 && stat("/proc/self/exe", &self) == 0 &&
           stamp.st_mtime >= self.st_mtime;
}

}  // namespace

std::string dataRoot() {
    if (const char* given = std::getenv("GRAVLET_BENCH_DATA")) {
        if (dataComplete(given)) return given;
        std::fprintf(stderr, "bench: GRAVLET_BENCH_DATA=%s holds no complete data/ folder\n", given);
        return std::string();
    }
    const std::string root = std::string(GRAVLET_BINARY_DIR) + "/bench-data";
    if (dataComplete(root) && madeSinceBuild(root)) return root;
    std::fprintf(stderr, "bench: generating the data set in %s\n", root.c_str());
    gen::GenerateOptions options;
    std::string error;
    if (!gen::generateDataSet(root, options, &error)) {
        std::fprintf(stderr, "bench: cannot generate the data set: %s\n", error.c_str());
        return std::string();
    }
    if (FILE* stamp = std::fopen((root + stampName).c_str(), "w")) std::fclose(stamp);
    return root;
}

double median(std::vector<double> values) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

double percentile95(std::vector<double> values) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t rank = (values.size() * 95 + 99) / 100;
    return values[std::max<std::size_t>(rank, 1) - 1];
}

double medianMs(int runs, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const Clock::time_point start = Clock::now();
        work();
        times.push_back(msSince(start));
    }
    return median(times);
}

namespace {

// VmHWM of a live process, kB; 0 when unreadable.
long ownPeakOf(pid_t pid) {
    std::FILE* status = std::fopen(("/proc/" + std::to_string(pid) + "/status").c_str(), "r");
    if (!status) return 0;
    char line[256];
    long kb = 0;
    while (std::fgets(line, sizeof line, status))
        if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1) break;
    std::fclose(status);
    return kb;
}

}  // namespace

ChildRun runChild(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
                  const std::function<void(pid_t, double)>& whileRunning) {
    ChildRun run;
    if (arguments.empty()) return run;
    int out[2];
    if (pipe(out) != 0) return run;
    std::vector<std::string> envText;
    for (char** e = environ; *e; ++e) envText.push_back(*e);
    for (const std::string& extra : environment) envText.push_back(extra);
    std::vector<char*> argv, envp;
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (const std::string& e : envText) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    const Clock::time_point start = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execvpe(argv[0], argv.data(), envp.data());
        std::fprintf(stderr, "bench: cannot run %s\n", argv[0]);
        _exit(127);
    }
    close(out[1]);
    if (child < 0) {
        close(out[0]);
        return run;
    }
    // Read its output while watching its peak; a child may keep the pipe
    // open in its own children, so the loop also ends when it has exited.
    std::atomic<bool> finished{false};
    std::thread watcher([&] {
        while (!finished.load()) {
            const long kb = ownPeakOf(child);
            if (kb > run.ownPeakKb) run.ownPeakKb = kb;
            if (whileRunning) whileRunning(child, secondsSince(start));
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
    char buffer[4096];
    ssize_t got;
    while ((got = read(out[0], buffer, sizeof buffer)) > 0) run.output.append(buffer, std::size_t(got));
    close(out[0]);
    int status = 0;
    struct rusage usage;
    std::memset(&usage, 0, sizeof usage);
    const long lastSeen = ownPeakOf(child);   // still readable until it is reaped
    if (wait4(child, &status, 0, &usage) == child) {
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.peakKb = usage.ru_maxrss;
    }
    finished = true;
    watcher.join();
    if (lastSeen > run.ownPeakKb) run.ownPeakKb = lastSeen;
    run.wallSeconds = secondsSince(start);
    return run;
}

std::string selfPath() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return std::string();
    path[length] = '\0';
    return path;
}

double valueOf(const std::string& text, const std::string& key, double fallback) {
    std::istringstream lines(text);
    std::string line;
    const std::string prefix = key + "=";
    while (std::getline(lines, line))
        if (line.compare(0, prefix.size(), prefix) == 0) return std::atof(line.c_str() + prefix.size());
    return fallback;
}

std::string findProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::string candidate = (folder.empty() ? "." : folder) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return std::string();
}

void printHeading(const std::string& title) {
    std::printf("\n== %s\n", title.c_str());
    std::fflush(stdout);
}

void printFigure(const std::string& name, double value, const std::string& unit, double target,
                 bool higherIsBetter) {
    const bool met = higherIsBetter ? value >= target : value <= target;
    std::printf("  %-46s %10.2f %-6s target %s %8.2f  %s\n", name.c_str(), value, unit.c_str(),
                higherIsBetter ? ">=" : "<=", target, met ? "met" : "MISSED");
    std::fflush(stdout);
}

void printNote(const std::string& text) {
    std::printf("  %s\n", text.c_str());
    std::fflush(stdout);
}

}  // namespace bench

#include <fcntl.h>

namespace bench {

QuietStdout::QuietStdout() {
    std::fflush(stdout);
    saved = dup(STDOUT_FILENO);
    const int sink = open("/dev/null", O_WRONLY);
    if (sink >= 0) {
        dup2(sink, STDOUT_FILENO);
        close(sink);
    }
}

QuietStdout::~QuietStdout() {
    std::fflush(stdout);
    if (saved >= 0) {
        dup2(saved, STDOUT_FILENO);
        close(saved);
    }
}

}  // namespace bench
