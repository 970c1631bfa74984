#include "resources/texture_library.h"

#include <GL/gl.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

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

// Copies `count` pixels from the file's blue-green-red(-alpha) order to
// red-green-blue(-alpha). `from` may equal `to`.
void copySwapped(const std::uint8_t* from, std::uint8_t* to, std::size_t count, std::size_t bytesPerPixel) {
    if (bytesPerPixel == 3) {
        for (std::size_t i = 0; i < count; ++i, from += 3, to += 3) {
            const std::uint8_t blue = from[0], green = from[1], red = from[2];
            to[0] = red;
            to[1] = green;
            to[2] = blue;
        }
    } else {
        for (std::size_t i = 0; i < count; ++i, from += 4, to += 4) {
            const std::uint8_t blue = from[0], green = from[1], red = from[2], alpha = from[3];
            to[0] = red;
            to[1] = green;
            to[2] = blue;
            to[3] = alpha;
        }
    }
}

// Decodes `pixelCount` pixels of `bytesPerPixel` from an RLE stream into
// `out`, swapped to RGB(A). False when a packet reaches past the image or
// past the stream.
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
            std::uint8_t pixel[4];
            copySwapped(in + at, pixel, 1, bytesPerPixel);
            for (std::size_t i = 0; i < count; ++i, target += bytesPerPixel)
                for (std::size_t b = 0; b < bytesPerPixel; ++b) target[b] = pixel[b];
            at += bytesPerPixel;
        } else {
            const std::size_t bytes = count * bytesPerPixel;
            if (inSize - at < bytes) return false;
            copySwapped(in + at, target, count, bytesPerPixel);
            at += bytes;
        }
        done += count;
    }
    return true;
}

// What the fixed header says about the pixel data.
struct TgaLayout {
    bool rle = false;
    std::size_t width = 0;
    std::size_t height = 0;
    unsigned depth = 0;
    std::size_t offset = 0;          // first byte after the ID field and colour map
    std::size_t bytesPerPixel = 0;
    std::size_t pixelCount = 0;
    std::size_t imageSize = 0;       // decoded bytes
    std::size_t streamSize = 0;      // file bytes from `offset` on
};

// Reads the layout from the first min(fileSize, 18) bytes of a file of
// `fileSize` bytes, and checks that the rest of the file can hold the image
// before anything is allocated for it: a plain image needs every byte, an
// RLE one at least one full-length run packet per 128 pixels.
TgaStatus readLayout(const std::uint8_t* header, std::size_t fileSize, TgaLayout& layout) {
    if (!header || fileSize < typeFieldSize) return TgaStatus::shortHeader;
    const std::uint8_t type = header[2];
    if (type != typeTrueColour && type != typeTrueColourRle) return TgaStatus::badType;
    if (fileSize < headerSize) return TgaStatus::truncated;

    layout.rle = type == typeTrueColourRle;
    layout.width = read16(header + 12);
    layout.height = read16(header + 14);
    layout.depth = header[16];
    if (layout.width < 1 || layout.height < 1 || (layout.depth != 24 && layout.depth != 32))
        return TgaStatus::badSize;

    // Pixels follow the image-ID field and any colour map (a true-colour
    // image may still carry one, which it does not use).
    layout.offset = headerSize + header[0];
    if (header[1] == 1) {
        const std::size_t entries = read16(header + 5);
        const std::size_t entryBytes = (std::size_t(header[7]) + 7) / 8;
        layout.offset += entries * entryBytes;
    }
    if (layout.offset > fileSize) return TgaStatus::truncated;
    layout.streamSize = fileSize - layout.offset;

    layout.bytesPerPixel = layout.depth / 8;
    layout.pixelCount = layout.width * layout.height;   // <= 65535^2, no overflow in 64 bits
    if (layout.pixelCount > std::numeric_limits<std::size_t>::max() / layout.bytesPerPixel)
        return TgaStatus::outOfMemory;
    layout.imageSize = layout.pixelCount * layout.bytesPerPixel;

    const std::size_t needed = layout.rle
        ? (layout.pixelCount + rlePacketPixels - 1) / rlePacketPixels * (1 + layout.bytesPerPixel)
        : layout.imageSize;
    return layout.streamSize < needed ? TgaStatus::truncated : TgaStatus::ok;
}

void describe(const TgaLayout& layout, std::uint8_t* pixels, Image& image) {
    image.pixels = pixels;
    image.bpp = std::int32_t(layout.depth);
    image.width = std::int32_t(layout.width);
    image.height = std::int32_t(layout.height);
    image.glFormat = layout.depth == 32 ? GL_RGBA : GL_RGB;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// A short read is a file cut short (silent); a read error is reported like
// a file that cannot be opened.
TgaStatus readFailure(std::FILE* file) { return std::ferror(file) ? TgaStatus::cannotOpen : TgaStatus::truncated; }

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
    TgaLayout layout;
    const TgaStatus status = readLayout(data, size, layout);
    if (status != TgaStatus::ok) return status;

    std::uint8_t* pixels = new (std::nothrow) std::uint8_t[layout.imageSize];
    if (!pixels) return TgaStatus::outOfMemory;
    const std::uint8_t* stream = data + layout.offset;
    if (!layout.rle) {
        copySwapped(stream, pixels, layout.pixelCount, layout.bytesPerPixel);
    } else if (!decodeRle(stream, layout.streamSize, pixels, layout.pixelCount, layout.bytesPerPixel)) {
        delete[] pixels;
        return TgaStatus::truncated;
    }
    describe(layout, pixels, image);
    return TgaStatus::ok;
}

TgaStatus readTgaFile(const char* fileName, Image& image) {
    image.pixels = nullptr;
    std::unique_ptr<std::FILE, FileCloser> file(fileName ? platform::openDataFile(fileName) : nullptr);
    struct stat info;
    if (!file || fstat(fileno(file.get()), &info) != 0 || info.st_size < 0) return TgaStatus::cannotOpen;
    return readTgaStream(file.get(), std::size_t(info.st_size), image);
}

TgaStatus readTgaStream(std::FILE* file, std::size_t fileSize, Image& image) {
    image.pixels = nullptr;
    std::uint8_t header[headerSize];
    const std::size_t headerBytes = std::min(fileSize, headerSize);
    const std::size_t headerRead = std::fread(header, 1, headerBytes, file);
    // Fewer than the type field's bytes is a bad header, cut short or unreadable alike.
    if (headerRead < typeFieldSize) return TgaStatus::shortHeader;
    if (headerRead != headerBytes) return readFailure(file);
    TgaLayout layout;
    const TgaStatus status = readLayout(header, fileSize, layout);
    if (status != TgaStatus::ok) return status;
    if (layout.offset != headerBytes && std::fseek(file, long(layout.offset), SEEK_SET) != 0)
        return TgaStatus::truncated;

    std::unique_ptr<std::uint8_t[]> pixels(new (std::nothrow) std::uint8_t[layout.imageSize]);
    if (!pixels) return TgaStatus::outOfMemory;
    if (!layout.rle) {
        // Straight into the image, then swapped where it lies.
        if (std::fread(pixels.get(), 1, layout.imageSize, file) != layout.imageSize)
            return readFailure(file);
        copySwapped(pixels.get(), pixels.get(), layout.pixelCount, layout.bytesPerPixel);
    } else {
        std::unique_ptr<std::uint8_t[]> stream(new (std::nothrow) std::uint8_t[layout.streamSize]);
        if (!stream) return TgaStatus::outOfMemory;
        if (std::fread(stream.get(), 1, layout.streamSize, file) != layout.streamSize)
            return readFailure(file);
        if (!decodeRle(stream.get(), layout.streamSize, pixels.get(), layout.pixelCount, layout.bytesPerPixel))
            return TgaStatus::truncated;
    }
    describe(layout, pixels.release(), image);
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

    Image* image = new Image;
    const TgaStatus status = readTgaFile(fileName, *image);
    if (status != TgaStatus::ok) {
        report(status, fileName ? fileName : "");
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
