#include "resources/texture_library.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "platform/data_file.h"
#include "platform/message_box.h"
#include "resources/mipmaps.h"

namespace Qu {

namespace {

constexpr std::size_t headerSize = 18;
constexpr std::size_t typeFieldSize = 12;   // bytes that must be there before the type is read
constexpr std::uint8_t typeTrueColour = 2;
constexpr std::uint8_t typeTrueColourRle = 10;
constexpr std::size_t rlePacketPixels = 128;

unsigned read16(const std::uint8_t* bytes) { return unsigned(bytes[0]) | unsigned(bytes[1]) << 8; }

// Decodes `pixelCount` pixels of `bytesPerPixel` from an RLE stream into
// `out`. False when a packet reaches past the image or past the stream.
bool decodeRle(const std::uint8_t* in, std::size_t inSize, std::uint8_t* out, std::size_t pixelCount,
               std::size_t bytesPerPixel) {
    std::size_t done = 0;
    std::size_t at = 0;
    while (done < pixelCount) {
        if (at >= inSize) return false;
        const std::uint8_t header = in[at++];
        const std::size_t count = std::size_t(header & 0x7f) + 1;
        if (count > pixelCount - done) return false;
        std::uint8_t* target = out + done * bytesPerPixel;
        if (header & 0x80) {
            if (inSize - at < bytesPerPixel) return false;
            for (std::size_t i = 0; i < count; ++i)
                std::memcpy(target + i * bytesPerPixel, in + at, bytesPerPixel);
            at += bytesPerPixel;
        } else {
            const std::size_t bytes = count * bytesPerPixel;
            if (inSize - at < bytes) return false;
            std::memcpy(target, in + at, bytes);
            at += bytes;
        }
        done += count;
    }
    return true;
}

void report(TgaStatus status, const char* fileName) {
    char text[256];
    switch (status) {
    case TgaStatus::cannotOpen:
        std::snprintf(text, sizeof text, "Could not load TGA file '%s'", fileName);
        break;
    case TgaStatus::shortHeader:
        std::snprintf(text, sizeof text, "Incorrect TGA header in '%s'", fileName);
        break;
    case TgaStatus::badType:
        std::snprintf(text, sizeof text, "Incorrect TGA type");
        break;
    default:
        return;   // the other failures are silent
    }
    platform::showMessageBox(text, "ERROR");
}

// Uploads one level-0 texture with both filters set to `filter`.
void uploadPlain(GLuint name, GLint filter, const Image& image, GLint internalFormat) {
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, image.width, image.height, 0, image.glFormat,
                 GL_UNSIGNED_BYTE, image.pixels);
}

void upload(Image& image) {
    // A 32-bit file keeps its alpha in memory but the textures get three
    // components: the upload drops the alpha channel.
    const GLint internalFormat = image.bpp == 32 ? 3 : GLint(image.glFormat);
    GLuint names[3] = {0, 0, 0};
    glGenTextures(3, names);
    image.glNearest = names[0];
    image.glLinear = names[1];
    image.glMipmap = names[2];

    // Rows are tightly packed (3 * width bytes need not be a multiple of 4);
    // the caller's alignment is put back for glBitmap users.
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);

    uploadPlain(image.glNearest, GL_NEAREST, image, internalFormat);
    uploadPlain(image.glLinear, GL_LINEAR, image, internalFormat);
    glBindTexture(GL_TEXTURE_2D, image.glMipmap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
    buildMipmaps(internalFormat, image.width, image.height, image.glFormat, image.pixels);

    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
}

}  // namespace

std::uint32_t glLinearOf(const TextureKey* key) {
    const Texture* texture = key ? key->texture() : nullptr;
    const Image* image = texture ? texture->image() : nullptr;
    return image ? image->glLinear : 0;
}

std::uint32_t glMipmapOf(const TextureKey* key) {
    const Texture* texture = key ? key->texture() : nullptr;
    const Image* image = texture ? texture->image() : nullptr;
    return image ? image->glMipmap : 0;
}

TgaStatus decodeTga(const std::uint8_t* data, std::size_t size, Image& image) {
    image.pixels = nullptr;
    if (!data || size < typeFieldSize) return TgaStatus::shortHeader;
    const std::uint8_t type = data[2];
    if (type != typeTrueColour && type != typeTrueColourRle) return TgaStatus::badType;
    if (size < headerSize) return TgaStatus::truncated;

    const std::size_t width = read16(data + 12);
    const std::size_t height = read16(data + 14);
    const unsigned depth = data[16];
    if (width < 1 || height < 1 || (depth != 24 && depth != 32)) return TgaStatus::badSize;

    // Pixels follow the image-ID field and any colour map (a true-colour
    // image may still carry one, which it does not use).
    std::size_t offset = headerSize + data[0];
    if (data[1] == 1) {
        const std::size_t entries = read16(data + 5);
        const std::size_t entryBytes = (std::size_t(data[7]) + 7) / 8;
        offset += entries * entryBytes;
    }
    if (offset > size) return TgaStatus::truncated;
    const std::uint8_t* stream = data + offset;
    const std::size_t streamSize = size - offset;

    const std::size_t bytesPerPixel = depth / 8;
    const std::size_t pixelCount = width * height;   // <= 65535^2, no overflow in 64 bits
    if (pixelCount > std::numeric_limits<std::size_t>::max() / bytesPerPixel) return TgaStatus::outOfMemory;
    const std::size_t imageSize = pixelCount * bytesPerPixel;

    // Check the stream can hold the image before allocating for it: a
    // plain image needs every byte, an RLE one at least one full-length
    // run packet per 128 pixels.
    const std::size_t needed = type == typeTrueColour
        ? imageSize
        : (pixelCount + rlePacketPixels - 1) / rlePacketPixels * (1 + bytesPerPixel);
    if (streamSize < needed) return TgaStatus::truncated;

    std::uint8_t* pixels = new (std::nothrow) std::uint8_t[imageSize];
    if (!pixels) return TgaStatus::outOfMemory;
    if (type == typeTrueColour) {
        std::memcpy(pixels, stream, imageSize);
    } else if (!decodeRle(stream, streamSize, pixels, pixelCount, bytesPerPixel)) {
        delete[] pixels;
        return TgaStatus::truncated;
    }

    // The file stores blue, green, red (, alpha).
    for (std::size_t at = 0; at < imageSize; at += bytesPerPixel) {
        const std::uint8_t blue = pixels[at];
        pixels[at] = pixels[at + 2];
        pixels[at + 2] = blue;
    }

    image.pixels = pixels;
    image.bpp = std::int32_t(depth);
    image.width = std::int32_t(width);
    image.height = std::int32_t(height);
    image.glFormat = depth == 32 ? GL_RGBA : GL_RGB;
    return TgaStatus::ok;
}

TextureLibrary::TextureLibrary() = default;

// GL names are left to the context: it may already be gone, or another
// context may be current, at this point.
TextureLibrary::~TextureLibrary() {
    textures.first();
    while (textures.hasMore()) {
        Texture* texture = textures.next();
        delete texture->imageData;
        delete texture;
    }
    keys.first();
    while (keys.hasMore()) delete keys.next();
}

void TextureLibrary::load(const char* key, const char* fileName, const char* name, std::int32_t flags) {
    if (!key || find(key)) return;

    std::vector<std::uint8_t> bytes;
    if (!fileName || !platform::readWholeFile(fileName, bytes)) {
        report(TgaStatus::cannotOpen, fileName ? fileName : "");
        return;
    }
    Image* image = new Image;
    const TgaStatus status = decodeTga(bytes.data(), bytes.size(), *image);
    if (status != TgaStatus::ok) {
        report(status, fileName);
        delete image;
        return;
    }
    upload(*image);
    delete[] image->pixels;
    image->pixels = nullptr;

    Texture* texture = new Texture;
    texture->fileName = fileName;
    texture->name = name;
    texture->flags = flags;
    texture->imageData = image;
    TextureKey* entry = new TextureKey;
    entry->key = key;
    entry->textureData = texture;
    keys.add(entry);
    textures.add(texture);
}

TextureKey* TextureLibrary::find(const char* key) {
    if (!key || keys.count() == 0) return nullptr;
    keys.first();
    while (keys.hasMore()) {
        TextureKey* entry = keys.next();
        if (std::strcmp(entry->key, key) == 0) return entry;
    }
    return nullptr;
}

void TextureLibrary::addModel(Model* model) { models.add(model); }

}  // namespace Qu
