#include "platform/sound.h"

#include <SDL.h>
#include <mpg123.h>
#include <sys/types.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

namespace platform::sound {

namespace {

constexpr float libraryVersion = 3.74f;
constexpr int maxChannels = 64;
constexpr int deviceFrames = 1024;      // frames per audio callback, ~23 ms at 44.1 kHz
constexpr std::size_t stageFrames = 4096;
constexpr int minimumRingFrames = 8 * deviceFrames;

// The memory image as the decoder sees it: a seekable read-only file.
struct MemoryReader {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t position = 0;
};

ssize_t readMemory(void* handle, void* buffer, size_t count) {
    auto* reader = static_cast<MemoryReader*>(handle);
    std::size_t n = std::min(count, reader->size - reader->position);
    std::memcpy(buffer, reader->data + reader->position, n);
    reader->position += n;
    return static_cast<ssize_t>(n);
}

off_t seekMemory(void* handle, off_t offset, int whence) {
    auto* reader = static_cast<MemoryReader*>(handle);
    off_t base = 0;
    if (whence == SEEK_CUR) base = static_cast<off_t>(reader->position);
    else if (whence == SEEK_END) base = static_cast<off_t>(reader->size);
    else if (whence != SEEK_SET) return -1;
    if (offset < -base || offset > static_cast<off_t>(reader->size) - base) return -1;
    reader->position = static_cast<std::size_t>(base + offset);
    return static_cast<off_t>(reader->position);
}

bool openWithFormat(mpg123_handle* decoder, MemoryReader* reader, int rate, bool ignoreInfoFrame) {
    mpg123_close(decoder);
    reader->position = 0;
    if (mpg123_param(decoder, MPG123_ADD_FLAGS, MPG123_QUIET, 0) != MPG123_OK) return false;
    if (mpg123_param(decoder, ignoreInfoFrame ? MPG123_ADD_FLAGS : MPG123_REMOVE_FLAGS,
                     MPG123_IGNORE_INFOFRAME, 0) != MPG123_OK)
        return false;
    if (rate > 0) {
        if (mpg123_format_none(decoder) != MPG123_OK) return false;
        if (mpg123_format(decoder, rate, MPG123_STEREO, MPG123_ENC_SIGNED_16) != MPG123_OK) return false;
    } else if (mpg123_format_all(decoder) != MPG123_OK) {
        return false;
    }
    if (mpg123_replace_reader_handle(decoder, readMemory, seekMemory, nullptr) != MPG123_OK) return false;
    if (mpg123_open_handle(decoder, reader) != MPG123_OK) return false;
    long fileRate = 0;
    int channels = 0, encoding = 0;
    return mpg123_getformat(decoder, &fileRate, &channels, &encoding) == MPG123_OK;
}

// (Re)opens the image from its start on `decoder` and reads up to the first
// audio frame. rate 0 keeps the file's own format; otherwise the output is
// forced to 16-bit stereo at that rate (mpg123 converts rate and channels).
//
// A lying info frame can claim billions of frames; with a rate conversion
// mpg123 walks every claimed frame while it opens, which takes minutes. So
// the image is first opened in its own format, and an info frame that
// claims more frames than the bytes can hold (every frame has a 4-byte
// header) is ignored: the stream then plays what is really there.
bool openImage(mpg123_handle* decoder, MemoryReader* reader, int rate) {
    bool ignoreInfoFrame = false;
    if (rate > 0) {
        if (!openWithFormat(decoder, reader, 0, false)) return false;
        const off_t claimed = mpg123_framelength(decoder);
        ignoreInfoFrame = claimed > static_cast<off_t>(reader->size / 4) + 1;
    }
    return openWithFormat(decoder, reader, rate, ignoreInfoFrame);
}

// A decoder on its own image, deleted with it.
struct Decoder {
    mpg123_handle* handle = nullptr;
    MemoryReader reader;

    Decoder(const std::uint8_t* data, std::size_t size) {
        reader.data = data;
        reader.size = size;
        handle = mpg123_new(nullptr, nullptr);
    }
    ~Decoder() {
        if (handle) mpg123_delete(handle);
    }
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    // Opens and scans the whole image: true when it holds MPEG audio.
    bool open(int rate) {
        if (!handle || !reader.data || reader.size == 0) return false;
        if (!openImage(handle, &reader, rate) || mpg123_scan(handle) != MPG123_OK) return false;
        return mpg123_length(handle) > 0;
    }
};

struct SyncPoint {
    long frame;
    std::string name;
};

}  // namespace

// A stream: the decoder, the decode-ahead ring it fills and the playback
// state. The ring is single-producer (decoder thread, or the main thread
// before the stream is published to a channel), single-consumer (audio
// thread); `written` and `consumed` count frames since playback began.
struct Stream {
    Decoder decoder;
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

    // Set on the main thread while not playing; read by the audio thread.
    StreamCallback endCallback = nullptr;
    void* endUserData = nullptr;
    StreamCallback syncCallback = nullptr;
    void* syncUserData = nullptr;
    std::vector<SyncPoint> syncPoints;   // ascending frames

    // Audio thread while playing.
    std::uint64_t playedFrames = 0;
    std::size_t nextSync = 0;

    Stream(const std::uint8_t* data, std::size_t size) : decoder(data, size) {}
};

namespace {

// One software channel. Changed by the main thread only while it holds the
// device lock, and by the audio callback (which runs under that lock).
struct Channel {
    Stream* stream = nullptr;
    bool paused = false;
};

struct Library {
    bool subsystemHeld = false;   // our reference on SDL's audio subsystem
    bool initialised = false;
    SDL_AudioDeviceID device = 0;
    int requestedOutput = -1;     // -1: none requested
    int driver = 0;
    int mixRate = 44100;
    int channelCount = 0;
    int bufferMs = 200;
    int lastError = errNone;
    std::vector<Stream*> streams;
    Channel channels[maxChannels];
    std::vector<std::int32_t> mix;   // audio thread only, sized at init
    std::string driverName;

    // A program that exits without close() would otherwise leave the audio
    // thread mixing into `mix` after it is freed.
    ~Library() {
        if (device) SDL_CloseAudioDevice(device);
    }
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

bool holdSubsystem() {
    if (!lib.subsystemHeld && SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) lib.subsystemHeld = true;
    return lib.subsystemHeld;
}

bool isOpen(const Stream* stream) {
    return stream && std::find(lib.streams.begin(), lib.streams.end(), stream) != lib.streams.end();
}

void lockDevice() {
    if (lib.device) SDL_LockAudioDevice(lib.device);
}
void unlockDevice() {
    if (lib.device) SDL_UnlockAudioDevice(lib.device);
}

// ---- decoding (decoder thread, or main thread while unpublished) ----

enum class Step { progress, ringFull, finished };

Step decodeStep(Stream* s) {
    if (s->stageUsed == s->stageFill) {
        if (s->sourceEnded) {
            s->decodeDone.store(true, std::memory_order_release);
            return Step::finished;
        }
        std::size_t bytes = 0;
        int rc = mpg123_read(s->decoder.handle, s->stage.data(), s->stage.size() * sizeof(std::int16_t), &bytes);
        s->stageFill = bytes / (2 * sizeof(std::int16_t));
        s->stageUsed = 0;
        // Anything but more data (or a format note) ends the stream: done,
        // or an error the decoder cannot get past.
        if (rc != MPG123_OK && rc != MPG123_NEW_FORMAT) s->sourceEnded = true;
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
        // The ring holds at least twice the device buffer: a short nap
        // cannot starve the audio thread.
        if (step == Step::ringFull) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

// Takes the stream off every channel and stops its decoder thread.
void stopPlayback(Stream* s) {
    lockDevice();
    for (Channel& c : lib.channels) {
        if (c.stream == s) c = Channel{};
    }
    unlockDevice();
    s->stopDecoding.store(true, std::memory_order_release);
    if (s->decodeThread.joinable()) s->decodeThread.join();
}

void destroyStream(Stream* s) {
    stopPlayback(s);
    lib.streams.erase(std::find(lib.streams.begin(), lib.streams.end(), s));
    delete s;
}

// ---- mixing (audio thread) ----

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

void audioCallback(void*, Uint8* out, int bytes) {
    auto* dst = reinterpret_cast<std::int16_t*>(out);
    std::size_t total = static_cast<std::size_t>(bytes) / (2 * sizeof(std::int16_t));
    std::size_t chunk = lib.mix.size() / 2;
    while (total > 0) {
        std::size_t n = std::min(total, chunk);
        std::fill(lib.mix.begin(), lib.mix.begin() + 2 * n, 0);
        for (int i = 0; i < lib.channelCount; ++i) {
            Channel& c = lib.channels[i];
            if (c.stream && !c.paused) mixStream(c, lib.mix.data(), n);
        }
        for (std::size_t i = 0; i < 2 * n; ++i) {
            dst[i] = static_cast<std::int16_t>(std::clamp<std::int32_t>(lib.mix[i], -32768, 32767));
        }
        dst += 2 * n;
        total -= n;
    }
}

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

int getOutput() {
    if (lib.requestedOutput == outputNoSound || !holdSubsystem()) return outputNoSound;
    const char* name = SDL_GetCurrentAudioDriver();
    if (!name) return outputNoSound;
    if (std::strcmp(name, "alsa") == 0) return outputAlsa;
    if (std::strcmp(name, "dsp") == 0) return outputOss;
    if (std::strcmp(name, "esd") == 0) return outputEsd;
    return outputOther;
}

const char* getOutputDriverName() {
    if (getOutput() == outputNoSound) return "";
    const char* name = SDL_GetCurrentAudioDriver();
    return name ? name : "";
}

int getNumDrivers() {
    if (lib.requestedOutput == outputNoSound || !holdSubsystem()) return 0;
    return std::max(0, SDL_GetNumAudioDevices(0));
}

const char* getDriverName(int index) {
    if (index < 0 || index >= getNumDrivers()) {
        fail(errInvalidParam);
        return nullptr;
    }
    const char* name = SDL_GetAudioDeviceName(index, 0);
    lib.driverName = name ? name : "";
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
    if (!holdSubsystem()) return fail(errInit);

    // Driver 0 is the system's default device.
    std::string name;
    if (lib.driver > 0 && lib.driver < getNumDrivers()) {
        const char* listed = SDL_GetAudioDeviceName(lib.driver, 0);
        if (listed) name = listed;
    }
    SDL_AudioSpec want{};
    SDL_AudioSpec have{};
    want.freq = mixRate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = deviceFrames;
    want.callback = audioCallback;
    lib.device = SDL_OpenAudioDevice(name.empty() ? nullptr : name.c_str(), 0, &want, &have, 0);
    if (lib.device == 0) return fail(errInit);
    lib.mix.assign(2 * std::max<std::size_t>(have.samples, deviceFrames), 0);
    for (Channel& c : lib.channels) c = Channel{};
    lib.initialised = true;
    SDL_PauseAudioDevice(lib.device, 0);   // silence until a channel plays
    return true;
}

void close() {
    // Closing the device ends the audio thread; no callback runs after it.
    if (lib.device) SDL_CloseAudioDevice(lib.device);
    lib.device = 0;
    while (!lib.streams.empty()) destroyStream(lib.streams.back());
    if (lib.subsystemHeld) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    lib.subsystemHeld = false;
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
    if (!s->decoder.open(lib.mixRate)) {
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
    lockDevice();
    stream->endCallback = callback;
    stream->endUserData = userData;
    unlockDevice();
    return true;
}

bool streamSetSyncCallback(Stream* stream, StreamCallback callback, void* userData) {
    if (!isOpen(stream)) return fail(errInvalidParam);
    lockDevice();
    stream->syncCallback = callback;
    stream->syncUserData = userData;
    unlockDevice();
    return true;
}

bool streamAddSyncPoint(Stream* stream, long frame, const char* name) {
    if (!isOpen(stream) || frame < 0 || !name) return fail(errInvalidParam);
    lockDevice();
    bool playing = false;
    for (const Channel& c : lib.channels) playing = playing || c.stream == stream;
    unlockDevice();
    if (playing) return fail(errBusy);
    auto at = std::upper_bound(stream->syncPoints.begin(), stream->syncPoints.end(), frame,
                               [](long f, const SyncPoint& p) { return f < p.frame; });
    stream->syncPoints.insert(at, SyncPoint{frame, name});
    return true;
}

int streamPlayEx(int channel, Stream* stream, void*, bool startPaused) {
    if (!lib.initialised) return failChannel(errUninitialized);
    if (!isOpen(stream) || channel < freeChannel || channel >= lib.channelCount) return failChannel(errInvalidParam);
    if (!lib.device) return failChannel(errPlay);

    stopPlayback(stream);
    if (channel == freeChannel) {
        lockDevice();
        for (int i = 0; i < lib.channelCount && channel < 0; ++i) {
            if (!lib.channels[i].stream) channel = i;
        }
        unlockDevice();
        if (channel < 0) return failChannel(errChannelAlloc);
    } else {
        lockDevice();
        Stream* previous = lib.channels[channel].stream;
        unlockDevice();
        if (previous) stopPlayback(previous);
    }

    // From the beginning, with the ring filled before the audio thread sees it.
    if (!openImage(stream->decoder.handle, &stream->decoder.reader, lib.mixRate)) return failChannel(errPlay);
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

    lockDevice();
    lib.channels[channel].stream = stream;
    lib.channels[channel].paused = startPaused;
    unlockDevice();
    if (!stream->decodeDone.load()) stream->decodeThread = std::thread(decodeLoop, stream);
    return channel;
}

bool setPaused(int channel, bool paused) {
    if (!lib.initialised) return fail(errUninitialized);
    if (channel < 0 || channel >= lib.channelCount) return fail(errInvalidParam);
    lockDevice();
    bool playing = lib.channels[channel].stream != nullptr;
    if (playing) lib.channels[channel].paused = paused;
    unlockDevice();
    return playing ? true : fail(errInvalidParam);
}

bool isPlaying(int channel) {
    if (!lib.initialised || channel < 0 || channel >= lib.channelCount) return false;
    lockDevice();
    bool playing = lib.channels[channel].stream != nullptr;
    unlockDevice();
    return playing;
}

bool streamClose(Stream* stream) {
    if (!isOpen(stream)) return fail(errInvalidParam);
    destroyStream(stream);
    return true;
}

// ---- helpers for tools ----

bool decodedLength(const std::uint8_t* data, std::size_t size, long* samplesPerChannel, int* rate) {
    Decoder decoder(data, size);
    if (!decoder.open(0)) return false;
    long fileRate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_getformat(decoder.handle, &fileRate, &channels, &encoding) != MPG123_OK) return false;
    if (samplesPerChannel) *samplesPerChannel = static_cast<long>(mpg123_length(decoder.handle));
    if (rate) *rate = static_cast<int>(fileRate);
    return true;
}

bool decodeAll(const std::uint8_t* data, std::size_t size, int rate, std::vector<std::int16_t>* stereo) {
    if (!stereo || rate < 8000 || rate > 192000) return false;
    stereo->clear();
    Decoder decoder(data, size);
    if (!decoder.open(rate) || !openImage(decoder.handle, &decoder.reader, rate)) return false;
    std::vector<std::int16_t> block(2 * stageFrames);
    while (true) {
        std::size_t bytes = 0;
        int rc = mpg123_read(decoder.handle, block.data(), block.size() * sizeof(std::int16_t), &bytes);
        stereo->insert(stereo->end(), block.begin(), block.begin() + bytes / sizeof(std::int16_t));
        if (rc != MPG123_OK && rc != MPG123_NEW_FORMAT) break;
    }
    return true;
}

}  // namespace platform::sound
