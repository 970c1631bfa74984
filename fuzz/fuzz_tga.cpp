// libFuzzer target: the TGA decoder on arbitrary bytes.
//
// Besides "no crash, no read outside the buffer", checks the decoder's
// contract: a success gives a pixel block of width x height x depth/8 bytes
// whose first pixel is the file's first pixel with blue and red swapped (for
// an uncompressed image), and a failure leaves no pixels behind.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "resources/texture_library.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Qu::Image image;
    const Qu::TgaStatus status = Qu::decodeTga(data, size, image);
    if (status != Qu::TgaStatus::ok) {
        if (image.pixels) std::abort();
        return 0;
    }
    if (!image.pixels || image.width < 1 || image.height < 1 || (image.bpp != 24 && image.bpp != 32))
        std::abort();
    const std::size_t bytesPerPixel = std::size_t(image.bpp) / 8;
    const std::size_t imageSize = std::size_t(image.width) * std::size_t(image.height) * bytesPerPixel;
    // Touch the last byte: ASan reports a block shorter than the image.
    volatile std::uint8_t last = image.pixels[imageSize - 1];
    (void)last;
    if (data[2] == 2) {
        std::size_t offset = 18 + data[0];
        if (data[1] == 1) offset += std::size_t(data[5] | data[6] << 8) * ((data[7] + 7u) / 8u);
        if (image.pixels[0] != data[offset + 2] || image.pixels[2] != data[offset]) std::abort();
    }
    delete[] image.pixels;
    return 0;
}
