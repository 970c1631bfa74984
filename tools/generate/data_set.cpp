#include "tools/generate/data_set.h"

#include <cmath>
#include <cstdint>

#include "tools/generate/file_output.h"
#include "tools/generate/models.h"
#include "tools/generate/mp3_writer.h"
#include "tools/generate/textures.h"

#if __has_include("tools/synth/soundtrack.h")
#include "tools/synth/soundtrack.h"
#define GRAVLET_HAS_SYNTH 1
#endif

namespace gen {

namespace {
const char* const musicFile = "data/music/vopa.mp3";
}

bool writePlaceholderMusic(const std::string& path, double seconds, std::string* error) {
    const int rate = 44100;
    const std::size_t frames = static_cast<std::size_t>(seconds * rate);
    std::vector<std::int16_t> pcm(frames * 2);
    // A minor chord that swells and fades, slightly detuned between channels.
    const double notes[3] = {220.0, 261.63, 329.63};
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double envelope = std::sin(3.14159265358979 * t / seconds);
        double left = 0, right = 0;
        for (double f : notes) {
            left += std::sin(2 * 3.14159265358979 * f * t);
            right += std::sin(2 * 3.14159265358979 * f * 1.003 * t);
        }
        pcm[2 * i] = static_cast<std::int16_t>(std::lround(left / 3 * envelope * 9000));
        pcm[2 * i + 1] = static_cast<std::int16_t>(std::lround(right / 3 * envelope * 9000));
    }
    return writeMp3(path, pcm.data(), frames, Mp3Settings(), error);
}

std::vector<std::string> dataSetFiles() {
    std::vector<std::string> files;
    for (const TextureJob& job : screenTextures()) files.push_back(std::string("data/") + job.file);
    for (const TextureJob& job : materialTextures()) files.push_back(std::string("data/") + job.file);
    for (const ModelJob& job : modelJobs()) files.push_back(std::string("data/") + job.file);
    files.push_back(musicFile);
    return files;
}

bool generateDataSet(const std::string& root, const GenerateOptions& options, std::string* error) {
    const std::string base = root.empty() ? std::string(".") : root;
    if (!makeDirectories(base + "/data/music", error)) return false;
    const int total = static_cast<int>(dataSetFiles().size());
    int index = 0;
    auto announce = [&](const std::string& file) {
        if (options.progress) options.progress(file, index, total);
        ++index;
    };
    for (const auto* jobs : {&screenTextures(), &materialTextures()})
        for (const TextureJob& job : *jobs) {
            const std::string file = std::string("data/") + job.file;
            announce(file);
            if (!savePicture(job.paint(), base + "/" + file, error)) return false;
        }
    for (const ModelJob& job : modelJobs()) {
        const std::string file = std::string("data/") + job.file;
        announce(file);
        if (!write3ds(base + "/" + file, job.build(), error)) return false;
    }
    announce(musicFile);
    const std::string music = base + "/" + musicFile;
#ifdef GRAVLET_HAS_SYNTH
    if (!options.placeholderMusic) return writeSoundtrack(music, error);
#endif
    return writePlaceholderMusic(music, 4.0, error);
}

}  // namespace gen
