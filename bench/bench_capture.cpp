// The capture tool and the demo's memory.
//
// Video: gravlet-capture --video at 30 fps; its wall time against the span
// of the timeline it covers (the demo's length for a full video). A full
// video takes minutes, so by default the span is the opening scene (the
// first 40.5 s); GRAVLET_BENCH_FULL=1 captures all 340 s.
//
// Memory: the peak resident set (VmHWM) of gravlet-capture during that
// video (ffmpeg not counted), and of gravlet itself, run under an Xvfb
// display of 1024x768x24 until a few seconds into the timeline and ended
// with Esc. Nothing is loaded after start-up, so that peak holds for the
// whole run.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/support/bench_support.h"

namespace {

constexpr double videoTarget = 1.5;       // capture time over demo time
constexpr double memoryTargetMb = 200.0;

// Starts Xvfb on a free display; its pid, or -1. `display` gets ":N".
pid_t startXvfb(std::string& display) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    // The whole line, newline included: Xvfb treats a failed write of any
    // part of it as fatal, so the pipe may not be closed before then.
    std::string text;
    char c = 0;
    while (pid > 0 && read(fds[0], &c, 1) == 1 && c != '\n') text += c;
    close(fds[0]);
    if (c != '\n' || text.empty()) {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
        return -1;
    }
    display = ":" + std::to_string(std::atoi(text.c_str()));
    return pid;
}

void demoMemory(const std::string& root) {
    const std::string gravlet = std::string(GRAVLET_BINARY_DIR) + "/shell/main/gravlet";
    if (access(gravlet.c_str(), X_OK) != 0 || bench::findProgram("Xvfb").empty() ||
        bench::findProgram("xdotool").empty()) {
        bench::printNote("gravlet, Xvfb or xdotool missing: no figure for the demo's memory");
        return;
    }
    std::string display;
    const pid_t xvfb = startXvfb(display);
    if (xvfb < 0) {
        bench::printNote("Xvfb did not start: no figure for the demo's memory");
        return;
    }
    // Esc once the timeline has run a few seconds (start-up, the 2 s hold).
    double lastKey = 0.0;
    const std::string key = "DISPLAY=" + display + " xdotool key Escape >/dev/null 2>&1";
    auto drive = [&](pid_t pid, double seconds) {
        if (seconds > 90.0) kill(pid, SIGTERM);
        if (seconds < 12.0 || seconds - lastKey < 2.0) return;
        lastKey = seconds;
        if (std::system(key.c_str()) != 0) return;
    };
    char* saved = getcwd(nullptr, 0);
    if (chdir(root.c_str()) != 0) return;
    bench::ChildRun run =
        bench::runChild({gravlet}, {"DISPLAY=" + display, "SDL_AUDIODRIVER=dummy", "GRAVLET_NONINTERACTIVE=1"}, drive);
    if (saved && chdir(saved) != 0) std::perror("chdir");
    std::free(saved);
    kill(xvfb, SIGTERM);
    waitpid(xvfb, nullptr, 0);
    std::printf("  gravlet under Xvfb ran %.1f s, exit %d\n", run.wallSeconds, run.status);
    // A run that never reached its timeline says nothing about its memory.
    if (run.status != 0 || run.wallSeconds < 12.0) {
        bench::printNote("gravlet did not play until Esc: no figure for the demo's memory");
        return;
    }
    bench::printFigure("peak memory of gravlet", double(run.ownPeakKb) / 1024.0, "MB", memoryTargetMb);
}

void videoCapture(const std::string& root) {
    const std::string tool = std::string(GRAVLET_BINARY_DIR) + "/tools/capture/gravlet-capture";
    if (access(tool.c_str(), X_OK) != 0 || bench::findProgram("ffmpeg").empty()) {
        bench::printNote("gravlet-capture or ffmpeg missing: no video figures");
        return;
    }
    const bool full = std::getenv("GRAVLET_BENCH_FULL") != nullptr;
    const double span = full ? 340.0 : 40.5;
    char folder[] = "/tmp/gravlet-bench-video-XXXXXX";
    if (!mkdtemp(folder)) return;
    const std::string video = std::string(folder) + "/demo.mp4";
    char to[32];
    std::snprintf(to, sizeof to, "%.1f", span);
    bench::ChildRun run = bench::runChild({tool, "--dir", root, "--video", video, "--to", to});
    std::remove(video.c_str());
    rmdir(folder);
    if (run.status != 0) {
        std::printf("  gravlet-capture --video failed (exit %d)\n", run.status);
        return;
    }
    std::printf("  30 fps video of %s (%.1f s of timeline): %.1f s, start-up included\n",
                full ? "the whole demo" : "the opening scene", span, run.wallSeconds);
    bench::printFigure(full ? "video time / demo length" : "video time / span (opening scene only)",
                       run.wallSeconds / span, "x", videoTarget);
    bench::printFigure("peak memory of gravlet-capture (ffmpeg apart)", double(run.ownPeakKb) / 1024.0, "MB",
                       memoryTargetMb);
}

}  // namespace

int main() {
    const std::string root = bench::dataRoot();
    if (root.empty()) return 1;
    bench::printHeading("capture: video time and peak memory");
    videoCapture(root);
    demoMemory(root);
    return 0;
}
