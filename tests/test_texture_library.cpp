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

struct TgaHeader {
    std::uint8_t idLength = 0;
    std::uint8_t colourMapType = 0;
    std::uint8_t type = 2;
    std::uint16_t colourMapLength = 0;
    std::uint8_t colourMapEntryBits = 0;
    std::uint16_t width = 1;
    std::uint16_t height = 1;
    std::uint8_t depth = 24;
    std::uint8_t descriptor = 0;
};

// Header, ID field and colour map (filled with 0xEE), then `payload`.
Bytes makeTga(const TgaHeader& h, const Bytes& payload) {
    Bytes file(18, 0);
    file[0] = h.idLength;
    file[1] = h.colourMapType;
    file[2] = h.type;
    file[5] = std::uint8_t(h.colourMapLength & 0xff);
    file[6] = std::uint8_t(h.colourMapLength >> 8);
    file[7] = h.colourMapEntryBits;
    file[12] = std::uint8_t(h.width & 0xff);
    file[13] = std::uint8_t(h.width >> 8);
    file[14] = std::uint8_t(h.height & 0xff);
    file[15] = std::uint8_t(h.height >> 8);
    file[16] = h.depth;
    file[17] = h.descriptor;
    std::size_t extra = h.idLength + std::size_t(h.colourMapLength) * ((h.colourMapEntryBits + 7) / 8);
    file.insert(file.end(), extra, 0xEE);
    file.insert(file.end(), payload.begin(), payload.end());
    return file;
}

Bytes plainTga(std::uint16_t width, std::uint16_t height, std::uint8_t depth, const Bytes& pixels) {
    TgaHeader h;
    h.width = width;
    h.height = height;
    h.depth = depth;
    return makeTga(h, pixels);
}

Bytes pixelsOf(const Qu::Image& image) {
    if (!image.pixels) return {};
    return Bytes(image.pixels, image.pixels + std::size_t(image.width) * image.height * (image.bpp / 8));
}

// The library reads files from disk with readTgaFile; it must give what
// decodeTga gives for the same bytes: status, size and pixels.
void expectFileReadAgrees(const Bytes& file, Qu::TgaStatus status, const Qu::Image& decoded) {
    struct Folder {
        std::string path = testsupport::makeTempDir();
        ~Folder() { std::filesystem::remove_all(path); }
    };
    static const Folder folder;
    const std::string path = folder.path + "/same.tga";
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    Qu::Image image;
    image.pixels = reinterpret_cast<std::uint8_t*>(&image);   // must be reset, not freed
    EXPECT_EQ(Qu::readTgaFile(path.c_str(), image), status) << "read from disk";
    if (status == Qu::TgaStatus::ok) {
        EXPECT_EQ(image.width, decoded.width);
        EXPECT_EQ(image.height, decoded.height);
        EXPECT_EQ(image.bpp, decoded.bpp);
        EXPECT_EQ(image.glFormat, decoded.glFormat);
        EXPECT_EQ(pixelsOf(image), pixelsOf(decoded)) << "read from disk";
    } else {
        EXPECT_EQ(image.pixels, nullptr) << "read from disk";
        image.pixels = nullptr;
    }
    delete[] image.pixels;
}

// Owns what decodeTga allocates; checks the read from disk on the way.
struct Decoded {
    Qu::Image image;
    Qu::TgaStatus status = Qu::TgaStatus::ok;
    explicit Decoded(const Bytes& file) {
        status = Qu::decodeTga(file.data(), file.size(), image);
        expectFileReadAgrees(file, status, image);
    }
    ~Decoded() { delete[] image.pixels; }
    Bytes pixels() const { return pixelsOf(image); }
};

// ---------------------------------------------------------------- decoding

// Pixels come out red-green-blue(-alpha), rows in file order whatever the
// origin bits say, after any ID field and colour map; bytes after the image
// are ignored.
TEST(TgaDecode, GoodFilesDecodeToRgbInFileOrder) {
    struct Case {
        const char* what;
        Bytes file;
        int width, height, bpp;
        Bytes pixels;
    };
    TgaHeader withId;
    withId.idLength = 7;
    TgaHeader withMap = withId;
    withMap.colourMapType = 1;
    withMap.colourMapLength = 3;
    withMap.colourMapEntryBits = 15;   // rounds up to 2 bytes an entry
    Bytes footer = plainTga(1, 1, 24, {1, 2, 3});
    for (char ch : std::string("TRUEVISION-XFILE.")) footer.push_back(std::uint8_t(ch));
    std::vector<Case> cases = {
        {"24 bits", plainTga(2, 1, 24, {1, 2, 3, 4, 5, 6}), 2, 1, 24, {3, 2, 1, 6, 5, 4}},
        {"32 bits", plainTga(1, 2, 32, {1, 2, 3, 4, 5, 6, 7, 8}), 1, 2, 32, {3, 2, 1, 4, 7, 6, 5, 8}},
        {"ID field", makeTga(withId, {1, 2, 3}), 1, 1, 24, {3, 2, 1}},
        {"colour map", makeTga(withMap, {1, 2, 3}), 1, 1, 24, {3, 2, 1}},
        {"footer", footer, 1, 1, 24, {3, 2, 1}},
    };
    for (std::uint8_t descriptor : {0x00, 0x20, 0x10, 0x30}) {
        TgaHeader h;
        h.height = 2;
        h.descriptor = descriptor;
        cases.push_back({"origin bits", makeTga(h, {10, 20, 30, 40, 50, 60}), 1, 2, 24, {30, 20, 10, 60, 50, 40}});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Decoded d(c.file);
        ASSERT_EQ(d.status, Qu::TgaStatus::ok);
        EXPECT_EQ(d.image.width, c.width);
        EXPECT_EQ(d.image.height, c.height);
        EXPECT_EQ(d.image.bpp, c.bpp);
        EXPECT_EQ(d.image.glFormat, std::uint32_t(c.bpp == 32 ? GL_RGBA : GL_RGB));
        EXPECT_EQ(d.pixels(), c.pixels);
    }
}

struct MalformedCase {
    const char* what;
    Bytes file;
    Qu::TgaStatus expected;
};

TEST(TgaDecode, MalformedFilesFailCleanly) {
    TgaHeader grey;
    grey.type = 3;
    TgaHeader colourMapped;
    colourMapped.type = 1;
    TgaHeader idPastEnd;
    idPastEnd.idLength = 200;
    Bytes idCut = makeTga(idPastEnd, {});
    idCut.resize(30);
    Bytes typeOnly = plainTga(1, 1, 24, {});
    typeOnly.resize(12);
    Bytes eleven = plainTga(1, 1, 24, {1, 2, 3});
    eleven.resize(11);

    const std::vector<MalformedCase> cases = {
        {"empty file", {}, Qu::TgaStatus::shortHeader},
        {"11 header bytes", eleven, Qu::TgaStatus::shortHeader},
        {"grey type 3", makeTga(grey, {1}), Qu::TgaStatus::badType},
        {"colour-mapped type 1", makeTga(colourMapped, {1}), Qu::TgaStatus::badType},
        {"12 bytes, no size fields", typeOnly, Qu::TgaStatus::truncated},
        {"zero width", plainTga(0, 1, 24, {1, 2, 3}), Qu::TgaStatus::badSize},
        {"zero height", plainTga(1, 0, 24, {1, 2, 3}), Qu::TgaStatus::badSize},
        {"16-bit depth", plainTga(1, 1, 16, {1, 2}), Qu::TgaStatus::badSize},
        {"8-bit depth", plainTga(1, 1, 8, {1}), Qu::TgaStatus::badSize},
        {"header only", plainTga(2, 2, 24, {}), Qu::TgaStatus::truncated},
        {"one pixel byte short", plainTga(2, 1, 24, {1, 2, 3, 4, 5}), Qu::TgaStatus::truncated},
        {"ID field past the end", idCut, Qu::TgaStatus::truncated},
        {"65535 x 65535 with one pixel", plainTga(65535, 65535, 32, {1, 2, 3, 4}), Qu::TgaStatus::truncated},
    };
    for (const MalformedCase& c : cases) {
        Qu::Image image;
        image.pixels = reinterpret_cast<std::uint8_t*>(&image);   // must be reset, not freed
        EXPECT_EQ(Qu::decodeTga(c.file.data(), c.file.size(), image), c.expected) << c.what;
        EXPECT_EQ(image.pixels, nullptr) << c.what;
        SCOPED_TRACE(c.what);
        expectFileReadAgrees(c.file, c.expected, image);
    }
    Qu::Image image;
    EXPECT_EQ(Qu::decodeTga(nullptr, 0, image), Qu::TgaStatus::shortHeader);
    EXPECT_EQ(Qu::readTgaFile(nullptr, image), Qu::TgaStatus::cannotOpen);
    EXPECT_EQ(Qu::readTgaFile("no/such/file.tga", image), Qu::TgaStatus::cannotOpen);
}

// RLE: header byte, bit 7 set = run of (n & 127) + 1 copies of one pixel,
// clear = (n + 1) raw pixels.
Bytes rleTga(std::uint16_t width, std::uint16_t height, std::uint8_t depth, const Bytes& stream) {
    TgaHeader h;
    h.type = 10;
    h.width = width;
    h.height = height;
    h.depth = depth;
    return makeTga(h, stream);
}

TEST(TgaDecode, RleRunsAndRawPacketsMatchThePlainImage) {
    // 3 x 2: a run of 4 crossing the row end, then two raw pixels.
    Bytes stream = {0x83, 1, 2, 3, 0x01, 4, 5, 6, 7, 8, 9};
    Bytes plain = {1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    Decoded rle(rleTga(3, 2, 24, stream));
    Decoded reference(plainTga(3, 2, 24, plain));
    ASSERT_EQ(rle.status, Qu::TgaStatus::ok);
    ASSERT_EQ(reference.status, Qu::TgaStatus::ok);
    EXPECT_EQ(rle.pixels(), reference.pixels());
    EXPECT_EQ(rle.pixels()[0], 3);   // swapped like plain pixels
}

TEST(TgaDecode, RleLongestPacketsAnd32Bits) {
    // 200 pixels: one 128-pixel run, one 72-pixel raw packet.
    Bytes stream = {0xFF, 10, 20, 30, 40, 71};
    Bytes expected;
    for (int i = 0; i < 128; ++i) expected.insert(expected.end(), {30, 20, 10, 40});
    for (int i = 0; i < 72; ++i) {
        std::uint8_t v = std::uint8_t(i);
        stream.insert(stream.end(), {v, std::uint8_t(v + 1), std::uint8_t(v + 2), 0xAB});
        expected.insert(expected.end(), {std::uint8_t(v + 2), std::uint8_t(v + 1), v, 0xAB});
    }
    Decoded d(rleTga(20, 10, 32, stream));
    ASSERT_EQ(d.status, Qu::TgaStatus::ok);
    EXPECT_EQ(d.pixels(), expected);
}

TEST(TgaDecode, RleStreamsThatOverrunOrStopShortFail) {
    const std::vector<MalformedCase> cases = {
        {"run past the image", rleTga(2, 2, 24, {0x84, 1, 2, 3, 0x84, 1, 2, 3}), Qu::TgaStatus::truncated},
        {"raw packet past the image", rleTga(2, 1, 24, {0x02, 1, 2, 3, 4, 5, 6, 7, 8, 9}),
         Qu::TgaStatus::truncated},
        {"stream ends between packets", rleTga(3, 1, 24, {0x81, 1, 2, 3}), Qu::TgaStatus::truncated},
        {"run value cut short", rleTga(2, 1, 24, {0x80, 1, 2, 3, 0x80, 4, 5}), Qu::TgaStatus::truncated},
        {"raw pixels cut short", rleTga(3, 1, 24, {0x02, 1, 2, 3, 4, 5, 6, 7, 8}), Qu::TgaStatus::truncated},
        {"huge image, tiny stream", rleTga(65535, 65535, 24, {0xFF, 1, 2, 3}), Qu::TgaStatus::truncated},
        {"RLE with 16-bit depth", rleTga(1, 1, 16, {0x80, 1, 2}), Qu::TgaStatus::badSize},
    };
    for (const MalformedCase& c : cases) {
        Qu::Image image;
        EXPECT_EQ(Qu::decodeTga(c.file.data(), c.file.size(), image), c.expected) << c.what;
        EXPECT_EQ(image.pixels, nullptr) << c.what;
        SCOPED_TRACE(c.what);
        expectFileReadAgrees(c.file, c.expected, image);
    }
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
    const Bytes file = plainTga(2, 1, 24, {1, 2, 3, 4, 5, 6});
    const std::pair<std::size_t, Qu::TgaStatus> cases[] = {
        {0, Qu::TgaStatus::shortHeader},
        {11, Qu::TgaStatus::shortHeader},
        {12, Qu::TgaStatus::cannotOpen},
        {20, Qu::TgaStatus::cannotOpen},
    };
    for (const auto& [good, expected] : cases) {
        Source source{file, 0, good};
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
    const std::string dir = testsupport::sharedTestData() + "/tga/";
    for (const char* name : {"Concrete.tga", "holygrail.tga"}) {
        SCOPED_TRACE(name);
        Bytes file;
        ASSERT_TRUE(platform::readWholeFile(dir + name, file));
        Decoded ours(file);
        ASSERT_EQ(ours.status, Qu::TgaStatus::ok);

        int width = 0, height = 0, channels = 0;
        unsigned char* theirs = stbi_load_from_memory(file.data(), int(file.size()), &width, &height, &channels, 0);
        ASSERT_NE(theirs, nullptr);
        ASSERT_EQ(ours.image.width, width);
        ASSERT_EQ(ours.image.height, height);
        ASSERT_EQ(ours.image.bpp, channels * 8);
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
        dir = testsupport::makeTempDir();
    }
    void TearDown() override {
        platform::recordMessageBoxes(false);
        std::filesystem::remove_all(dir);
    }

    // Writes `bytes` under the temp folder and returns its path, kept alive
    // in `paths` because the library does not copy file names.
    const char* write(const std::string& name, const Bytes& bytes) {
        std::string path = dir + "//" + name;
        std::ofstream(dir + "/" + name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        paths.push_back(path);
        return paths.back().c_str();
    }
    const char* pathOf(const std::string& name) {
        paths.push_back(dir + "//" + name);
        return paths.back().c_str();
    }
    const std::vector<platform::RecordedMessageBox>& boxes() { return platform::recordedMessageBoxes(); }

    static std::vector<std::uint8_t> textureImage(GLuint name, GLenum format, int width, int height) {
        std::vector<std::uint8_t> out(std::size_t(width) * height * (format == GL_RGBA ? 4 : 3));
        glBindTexture(GL_TEXTURE_2D, name);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, out.data());
        return out;
    }

    std::string dir;
    std::deque<std::string> paths;
    Qu::TextureLibrary library;
};

TEST_F(TextureLibraryTest, LoadedKeyCarriesTheCallersTextsAndThreeFilteredTextures) {
    const char* file = write("grass.tga", plainTga(4, 4, 24, Bytes(48, 7)));
    const char* key = "grass";
    const char* name = "grassName";
    library.load(key, file, name, 0);

    ASSERT_EQ(library.keys.count(), 1);
    ASSERT_EQ(library.textures.count(), 1);
    Qu::TextureKey* entry = library.find("grass");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->key, key);                 // not copied
    Qu::Texture* texture = entry->texture();
    ASSERT_EQ(texture, library.textures.at(0));
    EXPECT_EQ(texture->fileName, file);
    EXPECT_EQ(texture->name, name);
    Qu::Image* image = texture->image();
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->pixels, nullptr);          // freed after upload
    EXPECT_EQ(image->width, 4);
    EXPECT_EQ(Qu::glLinearOf(entry), image->glLinear);
    EXPECT_EQ(Qu::glMipmapOf(entry), image->glMipmap);
    struct Expect { GLuint name; GLint mag, min; };
    for (const Expect& e : {Expect{image->glNearest, GL_NEAREST, GL_NEAREST},
                            Expect{image->glLinear, GL_LINEAR, GL_LINEAR},
                            Expect{image->glMipmap, GL_LINEAR, GL_LINEAR_MIPMAP_NEAREST}}) {
        ASSERT_TRUE(glIsTexture(e.name));
        glBindTexture(GL_TEXTURE_2D, e.name);
        GLint mag = 0, min = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &mag);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min);
        EXPECT_EQ(mag, e.mag);
        EXPECT_EQ(min, e.min);
    }
    GLint levelTwoWidth = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 2, GL_TEXTURE_WIDTH, &levelTwoWidth);
    EXPECT_EQ(levelTwoWidth, 1);
    EXPECT_TRUE(boxes().empty());
}

TEST_F(TextureLibraryTest, KeysAreExactCaseSensitiveAndLoadedOnce) {
    EXPECT_EQ(library.find("Grass"), nullptr);   // empty library
    EXPECT_EQ(library.find(nullptr), nullptr);
    const char* first = write("a.tga", plainTga(1, 1, 24, {1, 2, 3}));
    library.load("Grass", first, "Grass", 0);
    library.load("Grass", pathOf("missing.tga"), "other", 0);   // known key: not even opened
    library.load("keu3", first, "keu3", 0);                    // two keys may share a file
    ASSERT_EQ(library.keys.count(), 2);
    EXPECT_EQ(library.textures.count(), 2);
    EXPECT_TRUE(boxes().empty());
    for (const char* other : {"grass", "GRASS", "Gras", "Grass "}) EXPECT_EQ(library.find(other), nullptr) << other;
    const char copy[] = "Grass";   // compared by text, not by pointer
    EXPECT_EQ(library.find(copy), library.keys.at(0));
    EXPECT_EQ(library.find("keu3"), library.keys.at(1));
    EXPECT_NE(Qu::glLinearOf(library.keys.at(0)), Qu::glLinearOf(library.keys.at(1)));
}

TEST_F(TextureLibraryTest, UploadsHaveTightRowsInFileOrderAndNoAlpha) {
    // 2 x 2 at 24 bits: 6-byte rows, which the default 4-byte unpack
    // alignment would misread.
    Bytes bgr = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    library.load("t", write("t.tga", plainTga(2, 2, 24, bgr)), "t", 0);
    Qu::Image* image = library.find("t")->texture()->image();
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 4);   // the caller's setting survives the load
    for (GLuint t : {image->glNearest, image->glLinear, image->glMipmap})
        EXPECT_EQ(textureImage(t, GL_RGB, 2, 2), (Bytes{3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10})) << t;

    // A 32-bit file keeps its colour; the textures have no alpha (opaque).
    library.load("a", write("a.tga", plainTga(2, 1, 32, {1, 2, 3, 0x10, 4, 5, 6, 0x20})), "a", 0);
    image = library.find("a")->texture()->image();
    for (GLuint t : {image->glNearest, image->glLinear, image->glMipmap}) {
        glBindTexture(GL_TEXTURE_2D, t);
        GLint alphaBits = -1;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_ALPHA_SIZE, &alphaBits);
        EXPECT_EQ(alphaBits, 0) << "texture " << t;
        EXPECT_EQ(textureImage(t, GL_RGBA, 2, 1), (Bytes{3, 2, 1, 255, 6, 5, 4, 255})) << t;
    }
}

TEST_F(TextureLibraryTest, DrawnTextureShowsTheFirstFilePixelAtTexelOrigin) {
    // 2 x 2: red, green (first row of the file), blue, white.
    Bytes bgr = {0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255};
    library.load("q", write("q.tga", plainTga(2, 2, 24, bgr)), "q", 0);
    glViewport(0, 0, gl.width(), gl.height());
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, library.find("q")->texture()->image()->glNearest);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0); glVertex2f(-1, -1);
    glTexCoord2f(1, 0); glVertex2f(1, -1);
    glTexCoord2f(1, 1); glVertex2f(1, 1);
    glTexCoord2f(0, 1); glVertex2f(-1, 1);
    glEnd();
    glDisable(GL_TEXTURE_2D);
    using testsupport::Rgba;
    EXPECT_EQ(gl.pixel(100, 100), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(gl.pixel(900, 100), (Rgba{0, 255, 0, 255}));
    EXPECT_EQ(gl.pixel(100, 700), (Rgba{0, 0, 255, 255}));
    EXPECT_EQ(gl.pixel(900, 700), (Rgba{255, 255, 255, 255}));
}

TEST_F(TextureLibraryTest, FailuresShowTheirMessageAndLeaveNoEntry) {
    TgaHeader grey;
    grey.type = 3;
    const char* missing = pathOf("nothere.tga");
    const char* shortHeader = write("short.tga", Bytes(11, 0));
    const char* greyFile = write("grey.tga", makeTga(grey, {1}));
    library.load("missing", missing, "missing", 0);
    library.load("short", shortHeader, "short", 0);
    library.load("grey", greyFile, "grey", 0);

    ASSERT_EQ(boxes().size(), 3u);
    EXPECT_EQ(boxes()[0].text, std::string("Could not load TGA file '") + missing + "'");
    EXPECT_EQ(boxes()[1].text, std::string("Incorrect TGA header in '") + shortHeader + "'");
    EXPECT_EQ(boxes()[2].text, "Incorrect TGA type");
    for (const auto& box : boxes()) {
        EXPECT_EQ(box.caption, "ERROR");
        EXPECT_FALSE(box.yesNo);
    }
    EXPECT_EQ(library.keys.count(), 0);
    EXPECT_EQ(library.textures.count(), 0);
    EXPECT_EQ(library.find("missing"), nullptr);
    EXPECT_EQ(Qu::glLinearOf(library.find("missing")), 0u);
    EXPECT_EQ(Qu::glMipmapOf(library.find("grey")), 0u);

    // No entry was made, so a later load of the key with a good file works.
    library.load("missing", write("good.tga", plainTga(1, 1, 24, {1, 2, 3})), "missing", 0);
    EXPECT_NE(Qu::glLinearOf(library.find("missing")), 0u);
}

TEST_F(TextureLibraryTest, SilentFailuresLongPathsAndLetterCase) {
    library.load("deep16", write("d16.tga", plainTga(1, 1, 16, {1, 2})), "deep16", 0);
    library.load("flat", write("flat.tga", plainTga(0, 4, 24, {})), "flat", 0);
    library.load("cut", write("cut.tga", plainTga(4, 4, 24, Bytes(47, 1))), "cut", 0);
    library.load("rle", write("bad.tga", rleTga(4, 1, 24, {0x84, 1, 2, 3})), "rle", 0);
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(library.keys.count(), 0);

    // The message is cut to its 256-byte buffer.
    library.load("long", pathOf(std::string(300, 'x') + ".tga"), "long", 0);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text.size(), 255u);
    EXPECT_EQ(boxes()[0].text.compare(0, 25, "Could not load TGA file '"), 0);

    // Data made on a case-insensitive file system; RLE loads like plain.
    write("GRASS.TGA", rleTga(2, 2, 24, {0x81, 1, 2, 3, 0x01, 4, 5, 6, 7, 8, 9}));
    const char* asked = pathOf("grass.tga");
    library.load("grass", asked, "grass", 0);
    ASSERT_NE(library.find("grass"), nullptr);
    EXPECT_EQ(library.find("grass")->texture()->fileName, asked);
    EXPECT_EQ(textureImage(library.find("grass")->texture()->image()->glNearest, GL_RGB, 2, 2),
              (Bytes{3, 2, 1, 3, 2, 1, 6, 5, 4, 9, 8, 7}));
    EXPECT_EQ(boxes().size(), 1u);
}

}  // namespace
