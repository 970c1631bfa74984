// Texture library and TGA reader: decoding (plain and RLE, malformed files,
// real files against an independent decoder), the library's keys, its
// messages, and what reaches the GL textures.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cstdint>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "platform/data_file.h"
#include "platform/message_box.h"
#include "resources/texture_library.h"
#include "support/gl_context.h"
#include "support/paths.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_TGA
#include <stb/stb_image.h>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Qu::TgaStatus;

// An 18-byte header of the given type (2 plain, 10 RLE), then `payload`.
Bytes tga(std::uint16_t width, std::uint16_t height, std::uint8_t depth, const Bytes& payload,
          std::uint8_t type = 2) {
    Bytes file = {0, 0, type, 0, 0, 0, 0, 0, 0, 0, 0, 0, std::uint8_t(width), std::uint8_t(width >> 8),
                  std::uint8_t(height), std::uint8_t(height >> 8), depth, 0};
    file.reserve(file.size() + payload.size());   // without it GCC 12 warns falsely (-Warray-bounds)
    file.insert(file.end(), payload.begin(), payload.end());
    return file;
}

Bytes rle(std::uint16_t width, std::uint16_t height, std::uint8_t depth, const Bytes& stream) {
    return tga(width, height, depth, stream, 10);
}

// `file` with an ID field of `idLength` bytes and a colour map of `entries`
// entries of `bits` bits (bytes 0xEE) put between header and pixels.
Bytes withIdAndMap(Bytes file, std::uint8_t idLength, std::uint8_t entries, std::uint8_t bits) {
    file[0] = idLength;
    file[1] = entries ? 1 : 0;
    file[5] = entries;
    file[7] = bits;
    file.insert(file.begin() + 18, idLength + std::size_t(entries) * ((bits + 7) / 8), 0xEE);
    return file;
}

Bytes pixelsOf(const Qu::Image& image) {
    if (!image.pixels) return {};
    return Bytes(image.pixels, image.pixels + std::size_t(image.width) * image.height * (image.bpp / 8));
}

// Decodes `file` from memory, and from disk with readTgaFile, which must
// give the same status, size and pixels.
struct Decoded {
    Qu::Image image;
    TgaStatus status;
    explicit Decoded(const Bytes& file) {
        image.pixels = reinterpret_cast<std::uint8_t*>(&image);   // must be reset, not freed
        status = Qu::decodeTga(file.data(), file.size(), image);
        static const std::string path = testsupport::makeTempDir() + "/same.tga";
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
        Qu::Image fromDisk;
        EXPECT_EQ(Qu::readTgaFile(path.c_str(), fromDisk), status) << "read from disk";
        EXPECT_EQ(pixelsOf(fromDisk), pixels()) << "read from disk";
        EXPECT_EQ(std::make_tuple(fromDisk.width, fromDisk.height, fromDisk.bpp, fromDisk.glFormat),
                  std::make_tuple(image.width, image.height, image.bpp, image.glFormat));
        delete[] fromDisk.pixels;
    }
    ~Decoded() { delete[] image.pixels; }
    Bytes pixels() const { return pixelsOf(image); }
};

// ---------------------------------------------------------------- decoding

// Pixels come out red-green-blue(-alpha), rows in file order whatever the
// origin bits say, after any ID field and colour map; bytes after the image
// are ignored. RLE: header bit 7 set is a run of (n & 127) + 1 copies of one
// pixel, clear (n + 1) raw pixels; runs may cross rows.
TEST(TgaDecode, GoodFilesDecodeToRgbInFileOrder) {
    struct Case {
        const char* what;
        Bytes file;
        int width, height, bpp;
        Bytes pixels;
    };
    Bytes footer = tga(1, 1, 24, {1, 2, 3});
    for (char ch : std::string("TRUEVISION-XFILE.")) footer.push_back(std::uint8_t(ch));
    Bytes longestRun;
    for (int i = 0; i < 128; ++i) longestRun.insert(longestRun.end(), {30, 20, 10, 40});
    std::vector<Case> cases = {
        {"24 bits", tga(2, 1, 24, {1, 2, 3, 4, 5, 6}), 2, 1, 24, {3, 2, 1, 6, 5, 4}},
        {"32 bits", tga(1, 2, 32, {1, 2, 3, 4, 5, 6, 7, 8}), 1, 2, 32, {3, 2, 1, 4, 7, 6, 5, 8}},
        {"ID field", withIdAndMap(tga(1, 1, 24, {1, 2, 3}), 7, 0, 0), 1, 1, 24, {3, 2, 1}},
        {"colour map of 15-bit entries", withIdAndMap(tga(1, 1, 24, {1, 2, 3}), 7, 3, 15), 1, 1, 24, {3, 2, 1}},
        {"footer", footer, 1, 1, 24, {3, 2, 1}},
        {"RLE run across the row end, raw packet", rle(3, 2, 24, {0x83, 1, 2, 3, 0x01, 4, 5, 6, 7, 8, 9}), 3, 2,
         24, {3, 2, 1, 3, 2, 1, 3, 2, 1, 3, 2, 1, 6, 5, 4, 9, 8, 7}},
        {"RLE longest run, 32 bits", rle(64, 2, 32, {0xFF, 10, 20, 30, 40}), 64, 2, 32, longestRun},
    };
    Bytes flipped = tga(1, 2, 24, {10, 20, 30, 40, 50, 60});
    flipped[17] = 0x30;   // top-right origin
    cases.push_back({"origin bits", flipped, 1, 2, 24, {30, 20, 10, 60, 50, 40}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Decoded d(c.file);
        ASSERT_EQ(d.status, TgaStatus::ok);
        EXPECT_EQ(std::make_tuple(d.image.width, d.image.height, d.image.bpp),
                  std::make_tuple(c.width, c.height, c.bpp));
        EXPECT_EQ(d.image.glFormat, std::uint32_t(c.bpp == 32 ? GL_RGBA : GL_RGB));
        EXPECT_EQ(d.pixels(), c.pixels);
    }
}

// One file per way the reader can turn a file down.
TEST(TgaDecode, MalformedFilesFailCleanly) {
    Bytes idCut = withIdAndMap(tga(1, 1, 24, {}), 200, 0, 0);
    idCut.resize(30);
    const Bytes good = tga(2, 1, 24, {1, 2, 3, 4, 5, 6});
    const struct {
        const char* what;
        Bytes file;
        TgaStatus expected;
    } cases[] = {
        {"11 header bytes", Bytes(good.begin(), good.begin() + 11), TgaStatus::shortHeader},
        {"grey type 3", tga(1, 1, 24, {1}, 3), TgaStatus::badType},
        {"12 bytes, no size fields", Bytes(good.begin(), good.begin() + 12), TgaStatus::truncated},
        {"zero height", tga(1, 0, 24, {1, 2, 3}), TgaStatus::badSize},
        {"16-bit depth", tga(1, 1, 16, {1, 2}), TgaStatus::badSize},
        {"one pixel byte short", Bytes(good.begin(), good.end() - 1), TgaStatus::truncated},
        {"ID field past the end", idCut, TgaStatus::truncated},
        {"RLE run past the image", rle(2, 2, 24, {0x84, 1, 2, 3, 0x84, 1, 2, 3}), TgaStatus::truncated},
        {"RLE stream ends between packets", rle(3, 1, 24, {0x81, 1, 2, 3}), TgaStatus::truncated},
        {"RLE run value cut short", rle(2, 1, 24, {0x80, 1, 2, 3, 0x80, 4, 5}), TgaStatus::truncated},
        {"RLE raw pixels cut short", rle(3, 1, 24, {0x02, 1, 2, 3, 4, 5, 6, 7, 8}), TgaStatus::truncated},
        {"RLE huge image, tiny stream", rle(65535, 65535, 24, {0xFF, 1, 2, 3}), TgaStatus::truncated},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Decoded d(c.file);
        EXPECT_EQ(d.status, c.expected);
        EXPECT_EQ(d.image.pixels, nullptr);
    }
    Qu::Image image;
    EXPECT_EQ(Qu::decodeTga(nullptr, 0, image), TgaStatus::shortHeader);
    EXPECT_EQ(Qu::readTgaFile(nullptr, image), TgaStatus::cannotOpen);
    EXPECT_EQ(Qu::readTgaFile("no/such/file.tga", image), TgaStatus::cannotOpen);
}

// A disk that fails mid-file: a stream whose reads stop with an error after
// `good` bytes. Fewer than 12 header bytes is a bad header however it came.
TEST(TgaDecode, ReadErrorsInTheHeaderAreABadHeaderLaterOnesAFailedLoad) {
    struct Source {
        Bytes bytes;
        std::size_t at = 0, good = 0;
    };
    static const cookie_io_functions_t failing = {
        [](void* cookie, char* out, std::size_t size) -> ssize_t {
            auto* source = static_cast<Source*>(cookie);
            if (source->at >= source->good) return -1;
            std::size_t n = std::min(size, source->good - source->at);
            std::memcpy(out, source->bytes.data() + source->at, n);
            source->at += n;
            return ssize_t(n);
        },
        nullptr, nullptr, nullptr};
    const Bytes file = tga(2, 1, 24, {1, 2, 3, 4, 5, 6});
    for (const auto& [good, expected] : {std::pair(11, TgaStatus::shortHeader), std::pair(12, TgaStatus::cannotOpen),
                                         std::pair(20, TgaStatus::cannotOpen)}) {
        Source source{file, 0, std::size_t(good)};
        std::FILE* stream = fopencookie(&source, "rb", failing);
        ASSERT_NE(stream, nullptr);
        std::setvbuf(stream, nullptr, _IONBF, 0);
        Qu::Image image;
        EXPECT_EQ(Qu::readTgaStream(stream, file.size(), image), expected) << good << " good bytes";
        EXPECT_EQ(image.pixels, nullptr);
        std::fclose(stream);
    }
}

// The real files come from another program; stb_image decodes them
// independently. stb puts the top row first; the engine keeps file order.
TEST(TgaDecode, RealFilesMatchAnIndependentDecoder) {
    for (const char* name : {"Concrete.tga", "holygrail.tga"}) {
        SCOPED_TRACE(name);
        Bytes file;
        ASSERT_TRUE(platform::readWholeFile(testsupport::sharedTestData() + "/tga/" + name, file));
        Decoded ours(file);
        ASSERT_EQ(ours.status, TgaStatus::ok);
        int width = 0, height = 0, channels = 0;
        unsigned char* theirs = stbi_load_from_memory(file.data(), int(file.size()), &width, &height, &channels, 0);
        ASSERT_NE(theirs, nullptr);
        ASSERT_EQ(std::make_tuple(ours.image.width, ours.image.height, ours.image.bpp),
                  std::make_tuple(width, height, channels * 8));
        const bool topFirst = (file[17] & 0x20) != 0;
        const std::size_t stride = std::size_t(width) * channels;
        std::size_t differing = 0;
        for (int row = 0; row < height; ++row) {
            const int theirRow = topFirst ? row : height - 1 - row;
            differing += std::memcmp(ours.image.pixels + row * stride, theirs + theirRow * stride, stride) != 0;
        }
        stbi_image_free(theirs);
        EXPECT_EQ(differing, 0u) << "rows differ";
    }
}

// ---------------------------------------------------------------- library

class TextureLibraryTest : public testsupport::GlTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(gl.ok());
        platform::recordMessageBoxes(true);
    }
    void TearDown() override {
        platform::recordMessageBoxes(false);
        std::filesystem::remove_all(dir);
    }

    // The path of `name` in the temp folder, kept alive in `paths` because
    // the library does not copy file names; writes `bytes` there if given.
    const char* file(const std::string& name, const Bytes& bytes = {}) {
        if (!bytes.empty())
            std::ofstream(dir + "/" + name, std::ios::binary)
                .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        paths.push_back(dir + "//" + name);
        return paths.back().c_str();
    }
    const std::vector<platform::RecordedMessageBox>& boxes() { return platform::recordedMessageBoxes(); }

    static Bytes textureImage(GLuint name, GLenum format, int width, int height) {
        Bytes out(std::size_t(width) * height * (format == GL_RGBA ? 4 : 3));
        glBindTexture(GL_TEXTURE_2D, name);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, out.data());
        return out;
    }

    std::string dir = testsupport::makeTempDir();
    std::deque<std::string> paths;
    Qu::TextureLibrary library;
};

TEST_F(TextureLibraryTest, LoadedKeysCarryTheCallersTextsAndThreeTexturesOfTheFilePixels) {
    // 2 x 2: red, green (first row of the file), blue, white; 6-byte rows,
    // which the default 4-byte unpack alignment would misread.
    const char* grass = file("grass.tga", tga(2, 2, 24, {0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255}));
    const char *key = "Grass", *name = "grassName";
    library.load(key, grass, name, 0);
    library.load("Grass", file("missing.tga"), "other", 0);   // known key: not even opened
    library.load("keu3", grass, "keu3", 0);                    // two keys may share a file
    ASSERT_EQ(library.keys.count(), 2);
    ASSERT_EQ(library.textures.count(), 2);
    EXPECT_TRUE(boxes().empty());
    const char copy[] = "Grass";   // compared by text, not by pointer
    Qu::TextureKey* entry = library.find(copy);
    ASSERT_EQ(entry, library.keys.at(0));
    EXPECT_EQ(library.find("keu3"), library.keys.at(1));
    for (const char* other : {"grass", "GRASS", "Gras", "Grass ", static_cast<const char*>(nullptr)})
        EXPECT_EQ(library.find(other), nullptr);
    EXPECT_EQ(entry->key, key);   // not copied
    Qu::Texture* texture = entry->texture();
    ASSERT_EQ(texture, library.textures.at(0));
    EXPECT_EQ(texture->fileName, grass);
    EXPECT_EQ(texture->name, name);
    Qu::Image* image = texture->image();
    EXPECT_EQ(image->pixels, nullptr);   // freed after upload
    EXPECT_NE(Qu::glLinearOf(library.keys.at(1)), image->glLinear);
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 4);   // the caller's setting survives the load
    struct Expect { GLuint name; GLint mag, min; };
    for (const Expect& e : {Expect{image->glNearest, GL_NEAREST, GL_NEAREST},
                            Expect{image->glLinear, GL_LINEAR, GL_LINEAR},
                            Expect{image->glMipmap, GL_LINEAR, GL_LINEAR_MIPMAP_NEAREST}}) {
        ASSERT_TRUE(glIsTexture(e.name));
        EXPECT_EQ(textureImage(e.name, GL_RGB, 2, 2), (Bytes{255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}));
        GLint mag = 0, min = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &mag);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min);
        EXPECT_EQ(mag, e.mag);
        EXPECT_EQ(min, e.min);
    }
    GLint levelOneWidth = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &levelOneWidth);
    EXPECT_EQ(levelOneWidth, 1);

    // A 32-bit file keeps its colour; the textures have no alpha: read back
    // as RGBA they are opaque.
    library.load("a", file("a.tga", tga(2, 1, 32, {1, 2, 3, 0x10, 4, 5, 6, 0x20})), "a", 0);
    image = library.find("a")->texture()->image();
    for (GLuint t : {image->glNearest, image->glLinear, image->glMipmap})
        EXPECT_EQ(textureImage(t, GL_RGBA, 2, 1), (Bytes{3, 2, 1, 255, 6, 5, 4, 255})) << t;
}

TEST_F(TextureLibraryTest, FailuresShowTheirMessageOrNoneAndLeaveNoEntry) {
    const char* missing = file("nothere.tga");
    const char* shortHeader = file("short.tga", Bytes(11, 0));
    library.load("missing", missing, "missing", 0);
    library.load("short", shortHeader, "short", 0);
    library.load("grey", file("grey.tga", tga(1, 1, 24, {1}, 3)), "grey", 0);
    library.load("deep16", file("d16.tga", tga(1, 1, 16, {1, 2})), "deep16", 0);
    library.load("rle", file("bad.tga", rle(4, 1, 24, {0x84, 1, 2, 3})), "rle", 0);
    // The message is cut to its 256-byte buffer.
    library.load("long", file(std::string(300, 'x') + ".tga"), "long", 0);

    ASSERT_EQ(boxes().size(), 4u);
    EXPECT_EQ(boxes()[0].text, std::string("Could not load TGA file '") + missing + "'");
    EXPECT_EQ(boxes()[1].text, std::string("Incorrect TGA header in '") + shortHeader + "'");
    EXPECT_EQ(boxes()[2].text, "Incorrect TGA type");
    EXPECT_EQ(boxes()[3].text, (std::string("Could not load TGA file '") + paths.back()).substr(0, 255));
    for (const auto& box : boxes()) {
        EXPECT_EQ(box.caption, "ERROR");
        EXPECT_FALSE(box.yesNo);
    }
    EXPECT_EQ(library.keys.count(), 0);
    EXPECT_EQ(library.textures.count(), 0);

    // No entry was made, so a later load of the key works; the file may be
    // named in another letter case (data made on a case-insensitive file
    // system), and an RLE file loads like a plain one.
    file("GOOD.TGA", rle(2, 2, 24, {0x81, 1, 2, 3, 0x01, 4, 5, 6, 7, 8, 9}));
    const char* asked = file("good.tga");
    library.load("missing", asked, "missing", 0);
    ASSERT_NE(library.find("missing"), nullptr);
    EXPECT_EQ(library.find("missing")->texture()->fileName, asked);
    EXPECT_EQ(textureImage(Qu::glLinearOf(library.find("missing")), GL_RGB, 2, 2),
              (Bytes{3, 2, 1, 3, 2, 1, 6, 5, 4, 9, 8, 7}));
    EXPECT_EQ(boxes().size(), 4u);
}

}  // namespace
