// gravlet-data show FILE: what the engine's own readers see in one TGA or
// 3DS file. Needs no window and no GL: the 3DS reader's texture loads are
// listed instead of performed, and its echo of names is off.
#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/data_file.h"
#include "resources/load3ds.h"
#include "resources/model.h"
#include "resources/texture_library.h"
#include "tools/data/commands.h"

namespace {

// CRC-32 as in zlib and PNG (reflected polynomial 0xEDB88320).
std::uint32_t crc32(const std::uint8_t* data, std::size_t size) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

// One decimal, and never "-0.0".
std::string number(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.1f", value);
    if (std::strcmp(text, "-0.0") == 0) return "0.0";
    return text;
}

std::string vector(const Qu::Vector& v) {
    return "(" + number(v.x) + ", " + number(v.y) + ", " + number(v.z) + ")";
}

// Names are file bytes: quotes, backslashes and control bytes are escaped
// so that every record stays on its line.
std::string quoted(const char* text) {
    std::string out = "\"";
    for (const char* p = text ? text : ""; *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20 || c == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", c);
            out += escape;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

bool endsWithIgnoringCase(const std::string& text, const char* suffix) {
    const std::size_t n = std::strlen(suffix);
    if (text.size() < n) return false;
    for (std::size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(text[text.size() - n + i])) != suffix[i]) return false;
    return true;
}

int fail(const std::string& file, const std::string& reason) {
    std::fprintf(stderr, "gravlet-data show: %s: %s\n", file.c_str(), reason.c_str());
    return 1;
}

struct TextureLoad {
    std::string key, path;
};

int show3ds(const std::string& file, const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() < 6 || bytes[0] != 0x4D || bytes[1] != 0x4D)
        return fail(file, "not a 3DS file (no main chunk at the start)");

    std::vector<TextureLoad> loads;
    Qu::Load3dsOptions options;
    options.echo = nullptr;
    options.textureLoad = [&loads](const char* key, const char* path, const char*) {
        loads.push_back({key, path});
    };
    Qu::Model* model = Qu::load3dsFromMemory(bytes.data(), bytes.size(), nullptr, options);

    std::printf("model %s: %d objects, %d vertices, %d faces\n", file.c_str(), model->objects.count(),
                model->vertices.count(), model->faces.count());
    for (std::int32_t i = 0; i < model->objects.count(); ++i) {
        // The reader puts only mesh objects into a fresh model.
        const Qu::Object* object = static_cast<const Qu::Object*>(model->objects.at(i));
        std::printf("  object %s vertices %d faces %d base %d size %s centre %s\n",
                    quoted(object->name()).c_str(), object->vertices.count(), object->faces.count(),
                    object->vertexBase, vector(object->size).c_str(), vector(object->position).c_str());
    }
    for (const TextureLoad& load : loads)
        std::printf("  texture %s %s\n", quoted(load.key.c_str()).c_str(), load.path.c_str());
    Qu::deleteModel(model);
    return 0;
}

const char* tgaReason(Qu::TgaStatus status) {
    switch (status) {
    case Qu::TgaStatus::shortHeader: return "Incorrect TGA header (fewer than 12 bytes)";
    case Qu::TgaStatus::badType: return "Incorrect TGA type (not true-colour)";
    case Qu::TgaStatus::badSize: return "zero width or height, or depth not 24 or 32 bits";
    case Qu::TgaStatus::truncated: return "pixel data ends early";
    case Qu::TgaStatus::outOfMemory: return "image too large";
    default: return "cannot be read";
    }
}

int showTga(const std::string& file, const std::vector<std::uint8_t>& bytes) {
    Qu::Image image;
    const Qu::TgaStatus status = Qu::decodeTga(bytes.data(), bytes.size(), image);
    if (status != Qu::TgaStatus::ok) return fail(file, tgaReason(status));
    const std::size_t size = std::size_t(image.width) * std::size_t(image.height) * std::size_t(image.bpp / 8);
    std::printf("image %s: %d x %d, %d bits, crc32 %08X\n", file.c_str(), image.width, image.height, image.bpp,
                crc32(image.pixels, size));
    delete[] image.pixels;
    return 0;
}

}  // namespace

int showCommand(int argc, char** argv) {
    if (argc != 1) {
        std::fprintf(stderr, "usage: gravlet-data show FILE\n");
        return 2;
    }
    const std::string file = argv[0];
    std::vector<std::uint8_t> bytes;
    if (!platform::readWholeFile(file, bytes)) return fail(file, "cannot be read");

    int result;
    if (endsWithIgnoringCase(file, ".3ds"))
        result = show3ds(file, bytes);
    else if (endsWithIgnoringCase(file, ".tga"))
        result = showTga(file, bytes);
    else if (bytes.size() >= 2 && bytes[0] == 0x4D && bytes[1] == 0x4D)   // no telling name: by content
        result = show3ds(file, bytes);
    else
        result = showTga(file, bytes);
    std::fflush(stdout);
    return result;
}
