// Windows: the sound library on the system's own parts. MP3 images are
// decoded by the system's MP3 codec through the Audio Compression Manager
// (platform/win32/mp3_decoder.h), ahead of playback on a thread per playing
// stream, and mixed on a thread of the library's own into waveOut buffers.
#include "platform/sound.h"

#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "platform/win32/mp3_decoder.h"

namespace platform::sound {

namespace {

constexpr float libraryVersion = 3.74f;
constexpr int maxChannels = 64;
constexpr int deviceFrames = 1024;      // frames per waveOut buffer, ~23 ms at 44.1 kHz
constexpr int deviceBuffers = 4;        // queued at the device: ~93 ms
constexpr std::size_t stageFrames = 4096;
constexpr int minimumRingFrames = 8 * deviceFrames;

struct SyncPoint {
    long frame;
    std::string name;
};

}  // namespace

// A stream: the decoder, the decode-ahead ring it fills and the playback
// state. The ring is single-producer (decoder thread, or the main thread
// before the stream is put on a channel), single-consumer (mixing thread);
// `written` and `consumed` count frames since playback began.
struct Stream {
    Mp3Decoder decoder;
    std::vector<std::int16_t> ring;   // interleaved stereo
    std::size_t ringFrames = 0;
    std::atomic<std::uint64_t> written{0};
    std::atomic<std::uint64_t> consumed{0};
    std::atomic<bool> decodeDone{false};   // set after the last write
    std::atomic<bool> stopDecoding{false};
    std::thread decodeThread;

    // Decoder side.
    std::vector<std::int16_t> stage;
    std::size_t stageFill = 0;   // frames in stage
    std::size_t stageUsed = 0;   // frames of stage already in the ring
    bool sourceEnded = false;

    // Set on the main thread under the device lock; read by the mixing thread.
    StreamCallback endCallback = nullptr;
    void* endUserData = nullptr;
    StreamCallback syncCallback = nullptr;
    void* syncUserData = nullptr;
    std::vector<SyncPoint> syncPoints;   // ascending frames

    // Mixing thread while playing.
    std::uint64_t playedFrames = 0;
    std::size_t nextSync = 0;

    Stream(const std::uint8_t* data, std::size_t size) : decoder(data, size) {}
};

namespace {

// One software channel; changed under the device lock only.
struct Channel {
    Stream* stream = nullptr;
    bool paused = false;
};

// The waveOut device and the thread that keeps its buffers filled.
struct Device {
    HWAVEOUT out = nullptr;
    HANDLE bufferDone = nullptr;   // signalled by waveOut as each buffer finishes
    WAVEHDR headers[deviceBuffers] = {};
    std::vector<std::int16_t> blocks[deviceBuffers];
    std::thread thread;
    std::atomic<bool> stop{false};
};

struct Library {
    bool initialised = false;
    int requestedOutput = -1;     // -1: none requested
    int driver = 0;
    int mixRate = 44100;
    int channelCount = 0;
    int bufferMs = 200;
    int lastError = errNone;
    std::vector<Stream*> streams;
    Channel channels[maxChannels];
    std::vector<std::int32_t> mix;   // mixing thread only, sized at init
    std::string driverName;
    Device device;
    std::mutex lock;                 // the channels, and stream callbacks while playing

    // A program that exits without close() would otherwise destroy a
    // running mixing thread, which ends the process abnormally.
    ~Library();
};

Library lib;
float versionForTesting = 0.0f;

bool fail(int code) {
    lib.lastError = code;
    return false;
}

int failChannel(int code) {
    lib.lastError = code;
    return -1;
}

bool isOpen(const Stream* stream) {
    return stream && std::find(lib.streams.begin(), lib.streams.end(), stream) != lib.streams.end();
}

// ---- decoding (decoder thread, or main thread before playback) ----

enum class Step { progress, ringFull, finished };

Step decodeStep(Stream* s) {
    if (s->stageUsed == s->stageFill) {
        if (s->sourceEnded) {
            s->decodeDone.store(true, std::memory_order_release);
            return Step::finished;
        }
        s->stageFill = s->decoder.read(s->stage.data(), stageFrames);
        s->stageUsed = 0;
        if (s->stageFill < stageFrames) s->sourceEnded = true;
        return Step::progress;
    }
    std::uint64_t w = s->written.load(std::memory_order_relaxed);
    std::uint64_t r = s->consumed.load(std::memory_order_acquire);
    std::size_t room = s->ringFrames - static_cast<std::size_t>(w - r);
    std::size_t n = std::min(room, s->stageFill - s->stageUsed);
    if (n == 0) return Step::ringFull;
    std::size_t at = static_cast<std::size_t>(w % s->ringFrames);
    std::size_t first = std::min(n, s->ringFrames - at);
    const std::int16_t* from = s->stage.data() + 2 * s->stageUsed;
    std::memcpy(s->ring.data() + 2 * at, from, first * 2 * sizeof(std::int16_t));
    std::memcpy(s->ring.data(), from + 2 * first, (n - first) * 2 * sizeof(std::int16_t));
    s->stageUsed += n;
    s->written.store(w + n, std::memory_order_release);
    return Step::progress;
}

void decodeLoop(Stream* s) {
    while (!s->stopDecoding.load(std::memory_order_acquire)) {
        Step step = decodeStep(s);
        if (step == Step::finished) return;
        // The ring holds several device buffers: a short nap cannot starve the mixer.
        if (step == Step::ringFull) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

// Takes the stream off every channel and stops its decoder thread.
void stopPlayback(Stream* s) {
    {
        std::lock_guard<std::mutex> hold(lib.lock);
        for (Channel& c : lib.channels) {
            if (c.stream == s) c = Channel{};
        }
    }
    s->stopDecoding.store(true, std::memory_order_release);
    if (s->decodeThread.joinable()) s->decodeThread.join();
}

void destroyStream(Stream* s) {
    stopPlayback(s);
    lib.streams.erase(std::find(lib.streams.begin(), lib.streams.end(), s));
    delete s;
}

// ---- mixing (mixing thread, under the lock) ----

// Adds up to `frames` frames of the stream into `mix`. Fires sync points as
// playback passes them and the end callback once the ring has run dry after
// the last decoded frame; a dry ring before that is an underrun (silence).
void mixStream(Channel& channel, std::int32_t* mix, std::size_t frames) {
    Stream* s = channel.stream;
    std::size_t done = 0;
    while (true) {
        while (s->nextSync < s->syncPoints.size() &&
               static_cast<std::uint64_t>(s->syncPoints[s->nextSync].frame) <= s->playedFrames) {
            SyncPoint& point = s->syncPoints[s->nextSync++];
            if (s->syncCallback) {
                s->syncCallback(s, const_cast<char*>(point.name.c_str()), static_cast<int>(point.name.size()),
                                s->syncUserData);
            }
        }
        if (done == frames) return;
        bool finished = s->decodeDone.load(std::memory_order_acquire);
        std::uint64_t w = s->written.load(std::memory_order_acquire);
        std::uint64_t r = s->consumed.load(std::memory_order_relaxed);
        std::size_t available = static_cast<std::size_t>(w - r);
        if (available == 0) {
            if (finished) {
                channel = Channel{};
                if (s->endCallback) s->endCallback(s, nullptr, 0, s->endUserData);
            }
            return;
        }
        std::size_t n = std::min(available, frames - done);
        if (s->nextSync < s->syncPoints.size()) {
            std::uint64_t until = static_cast<std::uint64_t>(s->syncPoints[s->nextSync].frame) - s->playedFrames;
            n = static_cast<std::size_t>(std::min<std::uint64_t>(n, until));
        }
        std::size_t at = static_cast<std::size_t>(r % s->ringFrames);
        for (std::size_t i = 0; i < n; ++i) {
            const std::int16_t* frame = s->ring.data() + 2 * at;
            mix[2 * (done + i)] += frame[0];
            mix[2 * (done + i) + 1] += frame[1];
            if (++at == s->ringFrames) at = 0;
        }
        s->consumed.store(r + n, std::memory_order_release);
        s->playedFrames += n;
        done += n;
    }
}

void mixInto(std::int16_t* out, std::size_t frames) {
    std::lock_guard<std::mutex> hold(lib.lock);
    std::fill(lib.mix.begin(), lib.mix.begin() + std::ptrdiff_t(2 * frames), 0);
    for (int i = 0; i < lib.channelCount; ++i) {
        Channel& c = lib.channels[i];
        if (c.stream && !c.paused) mixStream(c, lib.mix.data(), frames);
    }
    for (std::size_t i = 0; i < 2 * frames; ++i) {
        out[i] = static_cast<std::int16_t>(std::clamp<std::int32_t>(lib.mix[i], -32768, 32767));
    }
}

// Refills every buffer the device has finished with, then waits for the next.
void deviceLoop() {
    Device& device = lib.device;
    while (!device.stop.load(std::memory_order_acquire)) {
        for (int i = 0; i < deviceBuffers; ++i) {
            WAVEHDR& header = device.headers[i];
            if (header.dwFlags & WHDR_INQUEUE) continue;
            mixInto(device.blocks[i].data(), deviceFrames);
            waveOutWrite(device.out, &header, sizeof header);
        }
        WaitForSingleObject(device.bufferDone, 100);
    }
}

bool openDevice(int mixRate) {
    Device& device = lib.device;
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = DWORD(mixRate);
    format.wBitsPerSample = 16;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    device.bufferDone = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!device.bufferDone) return false;
    // Driver 0 is the system's default device (the wave mapper).
    UINT id = lib.driver > 0 ? UINT(lib.driver) : WAVE_MAPPER;
    if (waveOutOpen(&device.out, id, &format, DWORD_PTR(device.bufferDone), 0, CALLBACK_EVENT) !=
        MMSYSERR_NOERROR) {
        device.out = nullptr;
        CloseHandle(device.bufferDone);
        device.bufferDone = nullptr;
        return false;
    }
    for (int i = 0; i < deviceBuffers; ++i) {
        device.blocks[i].assign(2 * deviceFrames, 0);
        WAVEHDR& header = device.headers[i];
        header = WAVEHDR{};
        header.lpData = reinterpret_cast<LPSTR>(device.blocks[i].data());
        header.dwBufferLength = DWORD(device.blocks[i].size() * sizeof(std::int16_t));
        waveOutPrepareHeader(device.out, &header, sizeof header);
    }
    device.stop.store(false);
    device.thread = std::thread(deviceLoop);
    return true;
}

// Ends the mixing thread first: no callback runs after this.
void closeDevice() {
    Device& device = lib.device;
    if (!device.out) return;
    device.stop.store(true, std::memory_order_release);
    SetEvent(device.bufferDone);
    if (device.thread.joinable()) device.thread.join();
    waveOutReset(device.out);
    for (WAVEHDR& header : device.headers) waveOutUnprepareHeader(device.out, &header, sizeof header);
    waveOutClose(device.out);
    device.out = nullptr;
    CloseHandle(device.bufferDone);
    device.bufferDone = nullptr;
}

Library::~Library() { closeDevice(); }

}  // namespace

// ---- library ----

float getVersion() { return versionForTesting > 0.0f ? versionForTesting : libraryVersion; }

void setVersionForTesting(float version) { versionForTesting = version; }

bool setOutput(int output) {
    if (lib.initialised) return fail(errBusy);
    if (output < outputNoSound || output > outputAlsa) return fail(errInvalidParam);
    lib.requestedOutput = output;
    return true;
}

// Whatever was asked for, output goes through waveOut, and only when the
// system has a device for it.
int getOutput() {
    if (lib.requestedOutput == outputNoSound || waveOutGetNumDevs() == 0) return outputNoSound;
    return outputWinmm;
}

const char* getOutputDriverName() { return getOutput() == outputNoSound ? "" : "waveout"; }

int getNumDrivers() {
    if (lib.requestedOutput == outputNoSound) return 0;
    return int(waveOutGetNumDevs());
}

const char* getDriverName(int index) {
    if (index < 0 || index >= getNumDrivers()) {
        fail(errInvalidParam);
        return nullptr;
    }
    WAVEOUTCAPSA caps{};
    if (waveOutGetDevCapsA(UINT(index), &caps, sizeof caps) != MMSYSERR_NOERROR) caps.szPname[0] = '\0';
    lib.driverName = caps.szPname;
    return lib.driverName.c_str();
}

bool setDriver(int index) {
    if (lib.initialised) return fail(errBusy);
    if (index < 0 || (index > 0 && index >= getNumDrivers())) return fail(errInvalidParam);
    lib.driver = index;
    return true;
}

bool init(int mixRate, int maxChannelCount, unsigned) {
    if (lib.initialised) return fail(errBusy);
    if (mixRate < 8000 || mixRate > 192000 || maxChannelCount < 1 || maxChannelCount > maxChannels) {
        return fail(errInvalidParam);
    }
    lib.mixRate = mixRate;
    lib.channelCount = maxChannelCount;
    if (lib.requestedOutput == outputNoSound) {
        lib.initialised = true;   // nothing will play
        return true;
    }
    lib.mix.assign(2 * deviceFrames, 0);
    for (Channel& c : lib.channels) c = Channel{};
    if (!openDevice(mixRate)) return fail(errInit);
    lib.initialised = true;
    return true;
}

void close() {
    closeDevice();
    while (!lib.streams.empty()) destroyStream(lib.streams.back());
    lib.initialised = false;
    lib.requestedOutput = -1;
    lib.driver = 0;
    lib.channelCount = 0;
    lib.mix.clear();
    lib.mix.shrink_to_fit();
}

int getError() { return lib.lastError; }

// ---- streams ----

bool streamSetBufferSize(int ms) {
    if (ms < 1 || ms > 10000) return fail(errInvalidParam);
    lib.bufferMs = ms;
    return true;
}

Stream* streamOpen(const char* data, unsigned mode, int offset, int length) {
    if (!lib.initialised) {
        fail(errUninitialized);
        return nullptr;
    }
    if (!(mode & modeLoadMemory) || !data || offset < 0 || length < 0 || offset > length) {
        fail(errInvalidParam);
        return nullptr;
    }
    auto* image = reinterpret_cast<const std::uint8_t*>(data) + offset;
    auto* s = new Stream(image, static_cast<std::size_t>(length - offset));
    if (!s->decoder.open(lib.mixRate) || s->decoder.layout().length() == 0) {
        delete s;
        fail(errFileFormat);
        return nullptr;
    }
    long ms = std::max(lib.bufferMs, 1);
    s->ringFrames = std::max<std::size_t>(minimumRingFrames, 2 * static_cast<std::size_t>(ms) * lib.mixRate / 1000);
    s->ring.assign(2 * s->ringFrames, 0);
    s->stage.assign(2 * stageFrames, 0);
    lib.streams.push_back(s);
    return s;
}

bool streamSetEndCallback(Stream* stream, StreamCallback callback, void* userData) {
    if (!isOpen(stream)) return fail(errInvalidParam);
    std::lock_guard<std::mutex> hold(lib.lock);
    stream->endCallback = callback;
    stream->endUserData = userData;
    return true;
}

bool streamSetSyncCallback(Stream* stream, StreamCallback callback, void* userData) {
    if (!isOpen(stream)) return fail(errInvalidParam);
    std::lock_guard<std::mutex> hold(lib.lock);
    stream->syncCallback = callback;
    stream->syncUserData = userData;
    return true;
}

bool streamAddSyncPoint(Stream* stream, long frame, const char* name) {
    if (!isOpen(stream) || frame < 0 || !name) return fail(errInvalidParam);
    bool playing = false;
    {
        std::lock_guard<std::mutex> hold(lib.lock);
        for (const Channel& c : lib.channels) playing = playing || c.stream == stream;
    }
    if (playing) return fail(errBusy);
    auto at = std::upper_bound(stream->syncPoints.begin(), stream->syncPoints.end(), frame,
                               [](long f, const SyncPoint& p) { return f < p.frame; });
    stream->syncPoints.insert(at, SyncPoint{frame, name});
    return true;
}

int streamPlayEx(int channel, Stream* stream, void*, bool startPaused) {
    if (!lib.initialised) return failChannel(errUninitialized);
    if (!isOpen(stream) || channel < freeChannel || channel >= lib.channelCount) return failChannel(errInvalidParam);
    if (!lib.device.out) return failChannel(errPlay);

    stopPlayback(stream);
    if (channel == freeChannel) {
        std::lock_guard<std::mutex> hold(lib.lock);
        for (int i = 0; i < lib.channelCount && channel < 0; ++i) {
            if (!lib.channels[i].stream) channel = i;
        }
        if (channel < 0) return failChannel(errChannelAlloc);
    } else {
        Stream* previous = nullptr;
        {
            std::lock_guard<std::mutex> hold(lib.lock);
            previous = lib.channels[channel].stream;
        }
        if (previous) stopPlayback(previous);
    }

    // From the beginning, with the ring filled before the mixer sees it.
    if (!stream->decoder.open(lib.mixRate)) return failChannel(errPlay);
    stream->written.store(0);
    stream->consumed.store(0);
    stream->decodeDone.store(false);
    stream->stopDecoding.store(false);
    stream->stageFill = stream->stageUsed = 0;
    stream->sourceEnded = false;
    stream->playedFrames = 0;
    stream->nextSync = 0;
    while (decodeStep(stream) == Step::progress) {
    }

    {
        std::lock_guard<std::mutex> hold(lib.lock);
        lib.channels[channel].stream = stream;
        lib.channels[channel].paused = startPaused;
    }
    if (!stream->decodeDone.load()) stream->decodeThread = std::thread(decodeLoop, stream);
    return channel;
}

bool setPaused(int channel, bool paused) {
    if (!lib.initialised) return fail(errUninitialized);
    if (channel < 0 || channel >= lib.channelCount) return fail(errInvalidParam);
    bool playing = false;
    {
        std::lock_guard<std::mutex> hold(lib.lock);
        playing = lib.channels[channel].stream != nullptr;
        if (playing) lib.channels[channel].paused = paused;
    }
    return playing ? true : fail(errInvalidParam);
}

bool isPlaying(int channel) {
    if (!lib.initialised || channel < 0 || channel >= lib.channelCount) return false;
    std::lock_guard<std::mutex> hold(lib.lock);
    return lib.channels[channel].stream != nullptr;
}

bool streamClose(Stream* stream) {
    if (!isOpen(stream)) return fail(errInvalidParam);
    destroyStream(stream);
    return true;
}

// ---- helpers for tools ----

bool decodedLength(const std::uint8_t* data, std::size_t size, long* samplesPerChannel, int* rate) {
    mp3::Layout layout;
    if (!mp3::readLayout(data, size, layout)) return false;
    if (samplesPerChannel) *samplesPerChannel = layout.length();
    if (rate) *rate = layout.first.rate;
    return true;
}

bool decodeAll(const std::uint8_t* data, std::size_t size, int rate, std::vector<std::int16_t>* stereo) {
    if (!stereo || rate < 8000 || rate > 192000) return false;
    stereo->clear();
    Mp3Decoder decoder(data, size);
    if (!decoder.open(rate)) return false;
    std::vector<std::int16_t> block(2 * stageFrames);
    while (std::size_t frames = decoder.read(block.data(), stageFrames)) {
        stereo->insert(stereo->end(), block.begin(), block.begin() + std::ptrdiff_t(2 * frames));
    }
    return true;
}

}  // namespace platform::sound
