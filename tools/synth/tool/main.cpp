// gravlet-synth OUT.mp3: renders the soundtrack to a file and prints how
// long synthesis and encoding took.
#include "tools/synth/mp3_encoder.h"
#include "tools/synth/soundtrack.h"

#include <chrono>
#include <ctime>
#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: gravlet-synth OUT.mp3\n");
        return 2;
    }
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const std::clock_t cpuStart = std::clock();
    const std::vector<float> samples = synth::renderSoundtrack();
    const auto rendered = Clock::now();
    const std::clock_t cpuRendered = std::clock();
    std::string error;
    if (!synth::encodeMp3(samples, argv[1], &error)) {
        std::fprintf(stderr, "gravlet-synth: %s\n", error.c_str());
        return 1;
    }
    const auto encoded = Clock::now();
    const std::clock_t cpuEncoded = std::clock();
    const auto seconds = [](Clock::duration d) { return std::chrono::duration<double>(d).count(); };
    const auto cpu = [](std::clock_t d) { return static_cast<double>(d) / CLOCKS_PER_SEC; };
    // Wall time is what a user waits; processor time (both threads) shows
    // the cost when the machine is busy with other work.
    std::printf("%s: %.1f s of audio\n", argv[1], samples.size() / 2.0 / 44100.0);
    std::printf("synthesis %.2f s (processor %.2f s), encoding %.2f s (processor %.2f s)\n",
                seconds(rendered - start), cpu(cpuRendered - cpuStart), seconds(encoded - rendered),
                cpu(cpuEncoded - cpuRendered));
    return 0;
}
