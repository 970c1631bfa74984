#include "tools/capture/video_output.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/data_file.h"
#include "platform/sound.h"

namespace capture {

namespace {

// The soundtrack the demo plays, by the name it asks for.
constexpr const char* soundtrackPath = "data//music//vopa.mp3";
constexpr int soundtrackRate = 44100;

// What an interrupted run leaves behind: the temporary soundtrack and the
// encoder, which would otherwise go on encoding the whole soundtrack.
char interruptedFile[512] = "";
volatile pid_t interruptedChild = -1;

void onInterrupt(int signalNumber) {
    if (interruptedFile[0]) unlink(interruptedFile);
    if (interruptedChild > 0) kill(interruptedChild, SIGTERM);
    signal(signalNumber, SIG_DFL);
    raise(signalNumber);
}

void cleanUpOnInterrupt(const std::string& file, pid_t child) {
    if (file.size() < sizeof interruptedFile) std::snprintf(interruptedFile, sizeof interruptedFile, "%s", file.c_str());
    interruptedChild = child;
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP}) signal(signalNumber, onInterrupt);
}

void forgetInterruptCleanUp() {
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP}) signal(signalNumber, SIG_DFL);
    interruptedFile[0] = '\0';
    interruptedChild = -1;
}

}  // namespace

std::string findProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    if (!path) return "";
    std::string folders = path;
    std::size_t start = 0;
    while (start <= folders.size()) {
        std::size_t colon = folders.find(':', start);
        std::string folder = folders.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (folder.empty()) folder = ".";
        std::string candidate = folder + "/" + name;
        struct stat info;
        if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(candidate.c_str(), X_OK) == 0)
            return candidate;
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    return "";
}

std::vector<std::string> ffmpegArguments(const VideoSettings& settings) {
    std::vector<std::string> args = {
        "ffmpeg", "-hide_banner", "-loglevel", "error", "-y",
        "-f", "rawvideo", "-pix_fmt", "rgba",
        "-video_size", std::to_string(settings.width) + "x" + std::to_string(settings.height),
        "-framerate", std::to_string(settings.fps), "-i", "pipe:0",
    };
    if (!settings.audioFile.empty()) {
        args.insert(args.end(), {"-f", "s16le", "-ar", std::to_string(settings.audioRate), "-ac", "2",
                                 "-i", settings.audioFile});
    }
    // GL rows come bottom row first.
    args.insert(args.end(), {"-vf", "vflip", "-c:v", "libx264", "-preset", "veryfast", "-crf", "18",
                             "-pix_fmt", "yuv420p"});
    if (!settings.audioFile.empty()) args.insert(args.end(), {"-c:a", "aac", "-b:a", "192k"});
    args.insert(args.end(), {"-movflags", "+faststart", settings.output});
    return args;
}

std::vector<std::int16_t> soundtrackSpan(const std::vector<std::int16_t>& stereo, int rate, int fps,
                                         std::uint64_t firstFrame, std::uint64_t frames) {
    const std::uint64_t available = stereo.size() / 2;
    const std::uint64_t begin = firstFrame * std::uint64_t(rate) / std::uint64_t(fps);
    const std::uint64_t end = (firstFrame + frames) * std::uint64_t(rate) / std::uint64_t(fps);
    if (begin >= available) return {};
    const std::uint64_t last = std::min(end, available);
    return std::vector<std::int16_t>(stereo.begin() + std::ptrdiff_t(begin * 2), stereo.begin() + std::ptrdiff_t(last * 2));
}

PipedProcess::~PipedProcess() {
    if (running()) finish();
}

bool PipedProcess::start(const std::vector<std::string>& arguments) {
    if (arguments.empty() || running()) return false;
    int fds[2];
    if (pipe(fds) != 0) return false;
    // A child that stops reading must give a write error, not kill us.
    signal(SIGPIPE, SIG_IGN);
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    if (pid == 0) {
        dup2(fds[0], 0);
        close(fds[0]);
        close(fds[1]);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(fds[0]);
    fcntl(fds[1], F_SETFD, FD_CLOEXEC);
    child = pid;
    input = fds[1];
    return true;
}

bool PipedProcess::write(const std::uint8_t* data, std::size_t size) {
    while (size > 0 && input >= 0) {
        ssize_t done = ::write(input, data, size);
        if (done < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += done;
        size -= std::size_t(done);
    }
    return size == 0;
}

int PipedProcess::finish() {
    if (input >= 0) close(input);
    input = -1;
    if (child <= 0) return -1;
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    child = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

VideoCapture::VideoCapture(int framesPerSecond, std::uint32_t from, std::uint32_t to, std::string path)
    : fps(framesPerSecond), fromMs(from), toMs(to), file(std::move(path)), schedule(framesPerSecond) {}

VideoCapture::~VideoCapture() {
    forgetInterruptCleanUp();
    encoder.finish();
    if (!audioFile.empty()) std::remove(audioFile.c_str());
}

bool VideoCapture::writeSoundtrack(std::uint64_t firstFrame, std::uint64_t frames) {
    std::vector<std::uint8_t> image;
    std::vector<std::int16_t> stereo;
    if (!platform::readWholeFile(soundtrackPath, image) ||
        !platform::sound::decodeAll(image.data(), image.size(), soundtrackRate, &stereo)) {
        std::fprintf(stderr, "gravlet-capture: the soundtrack %s is missing or unreadable; the video is silent\n",
                     soundtrackPath);
        return true;
    }
    std::vector<std::int16_t> span = soundtrackSpan(stereo, soundtrackRate, fps, firstFrame, frames);
    if (span.empty()) {
        std::fprintf(stderr, "gravlet-capture: the soundtrack ends before the span; the video is silent\n");
        return true;
    }
    const char* folder = std::getenv("TMPDIR");
    std::string pattern = std::string(folder && *folder ? folder : "/tmp") + "/gravlet-capture-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());
    if (fd < 0) {
        std::fprintf(stderr, "gravlet-capture: cannot make a temporary file for the soundtrack\n");
        return false;
    }
    audioFile = name.data();
    // Raw s16le: the machine's order is little-endian on every target here.
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(span.data());
    std::size_t size = span.size() * sizeof(std::int16_t);
    while (size > 0) {
        ssize_t done = ::write(fd, bytes, size);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) {
            close(fd);
            std::fprintf(stderr, "gravlet-capture: cannot write the soundtrack to %s\n", audioFile.c_str());
            return false;
        }
        bytes += done;
        size -= std::size_t(done);
    }
    close(fd);
    return true;
}

bool VideoCapture::begin() {
    std::string ffmpeg = findProgram("ffmpeg");
    if (ffmpeg.empty()) {
        std::fprintf(stderr, "gravlet-capture: ffmpeg is not on PATH; --video needs it (Debian package ffmpeg)\n");
        return false;
    }
    std::uint64_t firstFrame = schedule.firstGridIndexAtOrAfter(fromMs);
    std::uint64_t total = countTimelineFrames(schedule, toMs);
    std::uint64_t frames = total > firstFrame ? total - firstFrame : 0;
    if (!writeSoundtrack(firstFrame, frames)) return false;

    VideoSettings settings;
    settings.output = file;
    settings.fps = fps;
    settings.audioFile = audioFile;
    settings.audioRate = soundtrackRate;
    std::vector<std::string> arguments = ffmpegArguments(settings);
    arguments[0] = ffmpeg;
    if (!encoder.start(arguments)) {
        std::fprintf(stderr, "gravlet-capture: cannot start %s\n", ffmpeg.c_str());
        return false;
    }
    cleanUpOnInterrupt(audioFile, encoder.processId());
    return true;
}

bool VideoCapture::frame(const FrameInfo&, const std::vector<std::uint8_t>* bottomUpRgba) {
    if (!bottomUpRgba) return true;
    if (!encoder.write(bottomUpRgba->data(), bottomUpRgba->size())) {
        int status = encoder.finish();
        std::fprintf(stderr, "gravlet-capture: ffmpeg stopped reading frames (exit status %d)\n", status);
        return false;
    }
    ++written;
    return true;
}

bool VideoCapture::end(bool complete) {
    if (!encoder.running()) return false;
    int status = encoder.finish();
    if (status != 0) {
        std::fprintf(stderr, "gravlet-capture: ffmpeg failed (exit status %d); %s is not complete\n", status,
                     file.c_str());
        return false;
    }
    if (written == 0) {
        std::fprintf(stderr, "gravlet-capture: no frame in the span\n");
        return false;
    }
    return complete;
}

}  // namespace capture
