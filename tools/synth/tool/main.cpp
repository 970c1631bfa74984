// gravlet-synth OUT.mp3: renders the soundtrack to a file and prints how
// long synthesis and encoding took.
#include "tools/synth/mp3_encoder.h"
#include "tools/synth/soundtrack.h"

#include <chrono>
#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: gravlet-synth OUT.mp3\n");
        return 2;
    }
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const std::vector<float> samples = synth::renderSoundtrack();
    const auto rendered = Clock::now();
    std::string error;
    if (!synth::encodeMp3(samples, argv[1], &error)) {
        std::fprintf(stderr, "gravlet-synth: %s\n", error.c_str());
        return 1;
    }
    const auto encoded = Clock::now();
    const auto seconds = [](Clock::duration d) { return std::chrono::duration<double>(d).count(); };
    std::printf("%s: %.1f s of audio, synthesis %.2f s, encoding %.2f s\n", argv[1],
                samples.size() / 2.0 / 44100.0, seconds(rendered - start), seconds(encoded - rendered));
    return 0;
}
