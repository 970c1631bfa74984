// decode_mp3 IN.mp3 OUT.raw: the sound library's whole decode of an MP3 at
// 44100 Hz as 16-bit stereo, and its length report on standard output.
#include <cstdio>
#include <vector>

#include "platform/data_file.h"
#include "platform/sound.h"

int main(int argc, char** argv) {
    std::vector<std::uint8_t> bytes;
    if (argc != 3 || !platform::readWholeFile(argv[1], bytes)) return 2;
    long samples = 0;
    int rate = 0;
    std::vector<std::int16_t> pcm;
    if (!platform::sound::decodedLength(bytes.data(), bytes.size(), &samples, &rate) ||
        !platform::sound::decodeAll(bytes.data(), bytes.size(), 44100, &pcm))
        return 1;
    std::printf("%ld %d\n", samples, rate);
    std::FILE* out = std::fopen(argv[2], "wb");
    if (!out || std::fwrite(pcm.data(), 2, pcm.size(), out) != pcm.size()) return 1;
    return std::fclose(out) == 0 ? 0 : 1;
}
