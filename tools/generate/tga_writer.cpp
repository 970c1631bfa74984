#include "tools/generate/tga_writer.h"

#include "tools/generate/file_output.h"

namespace gen {

std::vector<std::uint8_t> encodeTga(int width, int height, const std::uint8_t* rgb) {
    std::vector<std::uint8_t> file;
    if (width < 1 || height < 1 || width > 65535 || height > 65535 || rgb == nullptr) return file;
    const std::size_t w = static_cast<std::size_t>(width);
    const std::size_t h = static_cast<std::size_t>(height);
    file.resize(18 + w * h * 3);
    std::uint8_t* header = file.data();
    header[2] = 2;  // uncompressed true-colour
    header[12] = static_cast<std::uint8_t>(width & 0xFF);
    header[13] = static_cast<std::uint8_t>(width >> 8);
    header[14] = static_cast<std::uint8_t>(height & 0xFF);
    header[15] = static_cast<std::uint8_t>(height >> 8);
    header[16] = 24;
    header[17] = 0;  // origin bottom-left, no alpha bits
    std::uint8_t* out = file.data() + 18;
    for (std::size_t fileRow = 0; fileRow < h; ++fileRow) {
        const std::uint8_t* in = rgb + (h - 1 - fileRow) * w * 3;
        for (std::size_t x = 0; x < w; ++x, in += 3, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
    }
    return file;
}

bool writeTga(const std::string& path, int width, int height, const std::uint8_t* rgb,
              std::string* error) {
    std::vector<std::uint8_t> file = encodeTga(width, height, rgb);
    if (file.empty()) {
        if (error) *error = path + ": bad image size " + std::to_string(width) + "x" + std::to_string(height);
        return false;
    }
    return writeFile(path, file, error);
}

}  // namespace gen
