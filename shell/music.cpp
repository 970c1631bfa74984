#include "shell/music.h"

#include <climits>
#include <cstddef>
#include <cstdio>
#include <vector>

#include "platform/data_file.h"

namespace sound = platform::sound;

platform::sound::Stream* musicStream = nullptr;
std::int32_t musicChannel = -1;

namespace {

constexpr float requiredVersion = 3.74f;
constexpr const char* dashLine = "---------------------------------------------------------\n";

// The file image the stream plays from. Held by a raw pointer so that no
// exit-time destructor frees it under a still-running decoder thread.
std::vector<std::uint8_t>* musicImage = nullptr;

const char* outputName(int output) {
    switch (output) {
    case sound::outputNoSound: return "NoSound";
    case sound::outputWinmm: return "Windows Multimedia Waveout";
    case sound::outputDirectSound: return "Direct Sound";
    case sound::outputA3d: return "A3D";
    case sound::outputOss: return "Open Sound System";
    case sound::outputEsd: return "Enlightenment Sound Daemon";
    case sound::outputAlsa: return "ALSA";
    default: return sound::getOutputDriverName();   // PulseAudio, PipeWire, ...: the driver's own name
    }
}

}  // namespace

void startMusic(const char* path) {
    if (sound::getVersion() < requiredVersion) {
        std::printf("Error : You are using the wrong DLL version!  You should be using FMOD %.02f\n",
                    static_cast<double>(requiredVersion));
        return;
    }
    sound::setOutput(sound::outputWinmm);

    std::printf("%s", dashLine);
    std::printf("%s", outputName(sound::getOutput()));
    std::printf(" Driver list\n");
    std::printf("%s", dashLine);
    for (int i = 0; i < sound::getNumDrivers(); ++i) {
        const char* name = sound::getDriverName(i);
        std::printf("%d - %s\n", i + 1, name ? name : "");
    }
    std::printf("%s", dashLine);
    std::printf("Press a corresponding number or ESC to quit\n");

    sound::setDriver(0);
    if (!sound::init(44100, 32, 0)) {
        std::printf("Error!\n");
        std::printf("%s\n", fmodErrorText(sound::getError()));
        sound::close();
        return;
    }
    sound::streamSetBufferSize(1000);

    // The stream plays from this block: it is released only by closeMusic.
    auto* image = new std::vector<std::uint8_t>();
    if (!path || !platform::readWholeFile(path, *image)) {
        delete image;
        std::printf("Error!\n");
        std::printf("File Not Found\n");
        sound::close();
        return;
    }
    delete musicImage;   // only left over from an earlier run that was not closed
    musicImage = image;

    const unsigned mode = sound::mode16Bits | sound::modeSigned | sound::modeMono | sound::modeLoadMemory |
                          sound::modeMpegAccurate;
    // An empty vector may have no data pointer; the library wants one. An
    // image too long for the library's length argument is not opened.
    static const char empty = 0;
    const char* data = image->empty() ? &empty : reinterpret_cast<const char*>(image->data());
    if (image->size() <= static_cast<std::size_t>(INT_MAX)) {
        musicStream = sound::streamOpen(data, mode, 0, static_cast<int>(image->size()));
    }
    sound::streamSetEndCallback(musicStream, musicStreamCallback, nullptr);
    sound::streamSetSyncCallback(musicStream, musicStreamCallback, nullptr);
}

signed char musicStreamCallback(platform::sound::Stream*, void* buffer, int, void*) {
    if (buffer) std::printf("\nSYNCHPOINT : \"%s\"\n", static_cast<const char*>(buffer));
    else std::printf("\nSTREAM ENDED!!\n");
    return 1;
}

const char* fmodErrorText(int code) {
    switch (code) {
    case 0: return "No errors";
    case 1: return "Cannot call this command after FSOUND_Init.  Call FSOUND_Close first.";
    case 2: return "This command failed because FSOUND_Init was not called";
    case 3: return "Error initializing output device.";
    case 4: return "The output device is already in use and cannot be reused.";
    case 5: return "Playing the sound failed.";
    case 6: return "Soundcard does not support the features needed for this soundsystem (16bit stereo output)";
    case 7: return "Error setting cooperative level for hardware.";
    case 8: return "Error creating hardware sound buffer.";
    case 9: return "File not found";
    case 10: return "Unknown file format";
    case 11: return "Error loading file";
    case 12: return "Not enough memory ";
    case 13: return "The version number of this file format is not supported";
    case 14: return "An invalid parameter was passed to this function";
    case 15: return "Tried to use an EAX command on a non EAX enabled channel or output.";
    case 16: return "Failed to allocate a new channel";
    case 17: return "Recording not supported on this device";
    case 18: return "Required Mediaplayer codec is not installed";
    default: return "Unknown error";
    }
}

void playMusicAttempt() {
    if (musicChannel >= 0) return;
    musicChannel = sound::streamPlayEx(sound::freeChannel, musicStream, nullptr, true);
    sound::setPaused(musicChannel, false);
}

void closeMusic() {
    sound::streamClose(musicStream);
    sound::close();
    musicStream = nullptr;
    musicChannel = -1;
    delete musicImage;
    musicImage = nullptr;
}
