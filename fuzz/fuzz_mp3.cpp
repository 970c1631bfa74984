// libFuzzer target: the sound library's MP3 stream path on an arbitrary
// memory image, as the shell uses it: open the stream, play it (which
// decodes ahead into the ring before the first sample is heard), close it;
// then the tools' helpers, which decode the whole image.
//
// The library is set up once on SDL's dummy audio driver, so the real
// device, mixer and decoder threads run. mpg123 itself is not
// instrumented: coverage comes from our side of the decoder interface.
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <thread>
#include <vector>

#include "platform/sound.h"

namespace sound = platform::sound;

// The target never closes the library, as a program that just exits would
// not. Registered before any static object is built, this pause runs after
// every static destructor: a sound thread still running then is caught
// touching freed memory.
__attribute__((constructor(101))) static void lingerAfterStaticDestructors() {
    std::atexit([] { std::this_thread::sleep_for(std::chrono::milliseconds(100)); });
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (!sound::init(44100, 32, 0)) std::abort();
    sound::streamSetBufferSize(1000);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The stream reads the caller's block for as long as it is open; an
    // exact-size heap copy lets ASan see any read past its end.
    std::vector<char> image(data, data + size);
    static const char empty = 0;
    const char* block = image.empty() ? &empty : image.data();
    const unsigned mode = sound::mode16Bits | sound::modeSigned | sound::modeMono | sound::modeLoadMemory |
                          sound::modeMpegAccurate;
    sound::Stream* stream = sound::streamOpen(block, mode, 0, int(size));
    if (stream) {
        const int channel = sound::streamPlayEx(sound::freeChannel, stream, nullptr, false);
        if (channel < 0) std::abort();
        if (!sound::streamClose(stream)) std::abort();
    } else if (sound::getError() != sound::errFileFormat) {
        std::abort();
    }

    long samples = 0;
    int rate = 0;
    const bool known = sound::decodedLength(data, size, &samples, &rate);
    if (known && (samples <= 0 || rate <= 0)) std::abort();
    std::vector<std::int16_t> stereo;
    if (sound::decodeAll(data, size, 22050, &stereo) && stereo.size() % 2 != 0) std::abort();
    return 0;
}
