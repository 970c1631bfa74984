#pragma once
// platform::sound: the demo's small sound library. It plays an MP3 image held
// in memory as a stream on a software channel of the platform's audio device,
// and answers the calls the shell makes with the values, results and error
// codes the shell relies on.
//
// Threads: every call comes from one thread (the main thread). The library
// decodes ahead on a thread of its own per playing stream and mixes on the
// audio device's thread; end and sync callbacks run on the audio thread.
//
// Ownership: a stream plays from the caller's memory image, which must stay
// allocated until the stream is closed. close() closes every stream still
// open; a closed stream's pointer is refused afterwards, never dereferenced.
//
// Output: 16-bit signed stereo at the mixing rate given to init(); streams
// of any rate and channel count are converted to it while decoding.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform::sound {

// Output types. getOutput() maps the audio driver really in effect onto
// these; a driver with none of these names gives outputOther.
enum : int {
    outputNoSound = 0,      // no audio driver could start, or output 0 was chosen
    outputWinmm = 1,
    outputDirectSound = 2,
    outputA3d = 3,
    outputOss = 4,
    outputEsd = 5,
    outputAlsa = 6,
    outputOther = 100,      // PulseAudio, PipeWire, disk writer, dummy, ...: see getOutputDriverName
};

// Error codes, as getError() reports them.
enum : int {
    errNone = 0,
    errBusy = 1,              // not allowed after init()
    errUninitialized = 2,     // init() was not called
    errInit = 3,              // no audio device could be opened
    errAllocated = 4,
    errPlay = 5,
    errOutputFormat = 6,
    errCooperativeLevel = 7,
    errCreateBuffer = 8,
    errFileNotFound = 9,
    errFileFormat = 10,       // not decodable as MPEG audio
    errFileBad = 11,
    errMemory = 12,
    errVersion = 13,
    errInvalidParam = 14,
    errNoEax = 15,
    errChannelAlloc = 16,     // no free channel
    errRecord = 17,
    errMediaPlayer = 18,
};

// Stream mode bits. The sample-format bits describe raw PCM input and do not
// apply to MP3 images, whose format comes from the file.
constexpr unsigned mode16Bits = 0x10;
constexpr unsigned modeMono = 0x20;
constexpr unsigned modeSigned = 0x100;
constexpr unsigned modeLoadMemory = 0x8000;     // required: data pointer + byte length
constexpr unsigned modeMpegAccurate = 0x20000;  // exact length; always the case here

constexpr int freeChannel = -1;   // streamPlayEx: take any free channel

struct Stream;

// End callback: buffer is null. Sync callback: buffer is the sync point's
// name (NUL-terminated), length its byte length. The result is ignored.
using StreamCallback = signed char (*)(Stream* stream, void* buffer, int length, void* userData);

// Library version; at least 3.74.
float getVersion();

// Output and driver choice, before init() only (errBusy after).
// setOutput accepts 0..6; outputNoSound makes init() open no device, so
// that nothing can play.
bool setOutput(int output);
int getOutput();
// The audio driver's own name ("pulseaudio", "dummy", ...), "" for outputNoSound.
const char* getOutputDriverName();
int getNumDrivers();                 // the audio devices the driver lists
const char* getDriverName(int index);  // null when out of range
bool setDriver(int index);

// Opens the audio device at mixRate Hz (8000..192000), stereo, 16-bit, with
// maxChannels (1..64) channels. False with errInit when no device opens.
bool init(int mixRate, int maxChannels, unsigned flags);
// Stops playback, closes every open stream and the device. Safe in any state.
void close();
// The error of the last call that failed.
int getError();

// Decode-ahead buffer of streams opened afterwards, in milliseconds (1..10000).
bool streamSetBufferSize(int ms);
// Opens `length` bytes at `data` + `offset` as an MP3 stream. Needs init()
// and modeLoadMemory. Null (errFileFormat) when no MPEG audio is found.
Stream* streamOpen(const char* data, unsigned mode, int offset, int length);
bool streamSetEndCallback(Stream* stream, StreamCallback callback, void* userData);
bool streamSetSyncCallback(Stream* stream, StreamCallback callback, void* userData);
// A named point `frame` samples per channel (at the mixing rate) into the
// stream; the sync callback fires when playback passes it. Not while playing.
bool streamAddSyncPoint(Stream* stream, long frame, const char* name);
// Plays the stream from its beginning on `channel` (freeChannel: any free
// one), restarting it if it already plays. Returns the channel, or -1 when
// nothing can play (no init, no device, null stream, no free channel).
// dspUnit is accepted and ignored.
int streamPlayEx(int channel, Stream* stream, void* dspUnit, bool startPaused);
bool setPaused(int channel, bool paused);
// True while a stream is assigned to the channel (until it has played out).
bool isPlaying(int channel);
// Stops the stream and frees it. False (and harmless) for null or unknown.
bool streamClose(Stream* stream);

// Helpers for tools, which may not use the decoder directly.
// Decoded length of an MP3 image in samples per channel (encoder delay and
// padding trimmed when the file says so) and its sampling rate.
bool decodedLength(const std::uint8_t* data, std::size_t size, long* samplesPerChannel, int* rate);
// The whole image decoded to interleaved 16-bit stereo at `rate` Hz, as the
// library plays it.
bool decodeAll(const std::uint8_t* data, std::size_t size, int rate, std::vector<std::int16_t>* stereo);

// Tests only: the version getVersion() reports (0 restores the real one).
void setVersionForTesting(float version);

}  // namespace platform::sound
