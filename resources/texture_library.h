#pragma once
// Qu::TextureLibrary: TGA files turned into OpenGL textures, handed out by a
// short case-sensitive key. One instance (the shell's `textureLibrary`) owns
// every texture, key and image for the life of the program, and keeps the
// list of every model the 3DS reader loaded.
//
// Key, file-name and name texts are not copied: callers keep them alive.
// A key whose file failed to load gets no entry: find() returns null, and
// glLinearOf()/glMipmapOf() give 0 so renderers can skip it.
//
// Pixel rows stay in file order (TGA: bottom row first); texel (0,0) is the
// first pixel of the file.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "engine/list.h"

namespace Qu {

class Model;

struct Image {
    std::uint8_t* pixels = nullptr;   // RGB or RGBA, file row order; freed after upload
    std::int32_t bpp = 0;             // 24 or 32
    std::int32_t width = 0;           // pixels, >= 1
    std::int32_t height = 0;          // pixels, >= 1
    std::uint32_t glNearest = 0;
    std::uint32_t glLinear = 0;
    std::uint32_t glMipmap = 0;
    std::uint32_t glFormat = 0;       // GL_RGB or GL_RGBA
};

class Texture {
public:
    const char* fileName = nullptr;   // not owned
    const char* name = nullptr;       // not owned
    std::int32_t flags = 128;
    Image* imageData = nullptr;

    Image* image() const { return imageData; }
};

class TextureKey {
public:
    const char* key = nullptr;        // not owned
    Texture* textureData = nullptr;

    Texture* texture() const { return textureData; }
};

// GL names of a key's texture; 0 for a null key (a texture that failed to load).
std::uint32_t glLinearOf(const TextureKey* key);
std::uint32_t glMipmapOf(const TextureKey* key);

// Why a TGA decode failed; only some failures show a message (see load()).
enum class TgaStatus {
    ok,
    cannotOpen,       // "Could not load TGA file '%s'"
    shortHeader,      // "Incorrect TGA header in '%s'"
    badType,          // "Incorrect TGA type"
    badSize,          // zero width/height or depth not 24/32: silent
    truncated,        // short pixel data or RLE stream: silent
    outOfMemory,      // silent
};

// Decodes a TGA image held in memory (types 2 and 10, 24 or 32 bits) into
// `image` (pixels allocated with new[], BGR swapped to RGB, rows in file
// order whatever the descriptor says). Pixel data starts after the image-ID
// field and any colour map. RLE runs may cross rows but not the end of the
// image. Checks the bytes left before allocating, and never reads outside
// [data, data + size). On failure image.pixels is null. No GL, no messages.
TgaStatus decodeTga(const std::uint8_t* data, std::size_t size, Image& image);

// Reads and decodes a TGA file (found as platform::openDataFile finds it)
// with the same rules and results as decodeTga on the file's bytes; plain
// pixel data is read straight into the image, with no copy of the file.
// A read error in the header's first 12 bytes is a shortHeader, as a file
// cut short there is; a later read error is cannotOpen.
TgaStatus readTgaFile(const char* fileName, Image& image);
// The same from an open file of `fileSize` bytes, read from its start.
TgaStatus readTgaStream(std::FILE* file, std::size_t fileSize, Image& image);

class TextureLibrary {
public:
    TextureLibrary();
    ~TextureLibrary();
    TextureLibrary(const TextureLibrary&) = delete;
    TextureLibrary& operator=(const TextureLibrary&) = delete;

    // Loads the file under `key` unless the key is known: three GL
    // textures (nearest, linear, mipmapped; a 32-bit image uploads three
    // components), pixels freed after upload. Needs a current GL context.
    // Failures show their message box (caption "ERROR") and leave the key
    // without entry. The file is found as platform::readWholeFile finds it
    // (exact name first, then ignoring letter case).
    //
    // The destructor frees keys, textures and images but not GL names, nor
    // the models (their owners delete them).
    void load(const char* key, const char* fileName, const char* name, std::int32_t flags);
    TextureKey* find(const char* key);
    void addModel(Model* model);

    List<Model> models;
    List<Texture> textures;
    List<TextureKey> keys;
};

}  // namespace Qu
