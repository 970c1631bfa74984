// Hostile inputs kept under tests/regress/ (the shapes that crash loaders of
// these formats: sizes and counts far beyond the file, runs past the image,
// zero-length and overlong chunks, unterminated names, deep nesting), run
// through each reader in the normal and sanitizer builds; and whole files
// cut at every length or with flipped bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/sound.h"
#include "resources/load3ds.h"
#include "resources/model.h"
#include "resources/texture_library.h"
#include "support/paths.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<fs::path> regressInputs(const std::string& kind) {
    std::vector<fs::path> files;
    const fs::path dir = fs::path(testsupport::sourceDir()) / "tests" / "regress" / kind;
    if (fs::is_directory(dir))
        for (const auto& entry : fs::directory_iterator(dir)) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

Qu::Load3dsOptions quietOptions(std::vector<std::string>* maps = nullptr) {
    Qu::Load3dsOptions options;
    options.echo = nullptr;
    options.textureLoad = [maps](const char* key, const char* path, const char*) {
        if (maps) maps->push_back(std::string(key) + " " + path);
    };
    return options;
}

// What every model must satisfy, however bad its file: faces name existing
// vertices, names fit their buffers, objects own their vertices.
void expectSound(const Qu::Model* model, const std::string& what) {
    ASSERT_NE(model, nullptr) << what;
    const std::int32_t vertexCount = const_cast<Qu::Model*>(model)->vertices.count();
    auto& faces = const_cast<Qu::Model*>(model)->faces;
    for (std::int32_t i = 0; i < faces.count(); ++i)
        for (std::uint32_t index : faces.at(i)->vertexIndex)
            ASSERT_LT(index, std::uint32_t(vertexCount)) << what << ": face " << i;
    auto& objects = const_cast<Qu::Model*>(model)->objects;
    std::int32_t objectVertices = 0;
    for (std::int32_t i = 0; i < objects.count(); ++i) {
        ASSERT_NE(objects.at(i)->name(), nullptr) << what;
        EXPECT_LE(std::strlen(objects.at(i)->name()), 255u) << what;
        objectVertices += static_cast<Qu::Object*>(objects.at(i))->vertices.count();
    }
    EXPECT_EQ(objectVertices, vertexCount) << what;
}

struct Loaded {
    Qu::Model* model;
    explicit Loaded(const Bytes& bytes, std::vector<std::string>* maps = nullptr)
        : model(Qu::load3dsFromMemory(bytes.data(), bytes.size(), nullptr, quietOptions(maps))) {}
    ~Loaded() { Qu::deleteModel(model); }
    std::int32_t vertices() const { return model->vertices.count(); }
    std::int32_t faces() const { return model->faces.count(); }
    std::int32_t objects() const { return model->objects.count(); }
};

TEST(SavedHostileInputs, TgaFilesFailWithoutPixels) {
    const auto files = regressInputs("tga");
    ASSERT_GE(files.size(), 8u);
    for (const fs::path& file : files) {
        const Bytes bytes = readFile(file);
        Qu::Image image;
        const Qu::TgaStatus status = Qu::decodeTga(bytes.data(), bytes.size(), image);
        EXPECT_NE(status, Qu::TgaStatus::ok) << file.filename();
        EXPECT_EQ(image.pixels, nullptr) << file.filename();
        const std::string name = file.filename().string();
        if (name == "eleven_bytes.tga") {
            EXPECT_EQ(status, Qu::TgaStatus::shortHeader);
        }
        if (name == "sixteen_bits.tga") {
            EXPECT_EQ(status, Qu::TgaStatus::badSize);
        }
        if (name.rfind("huge_", 0) == 0) {
            EXPECT_EQ(status, Qu::TgaStatus::truncated) << name;
        }
    }
}

TEST(SavedHostileInputs, ModelsKeepOnlyWhatTheFileHolds) {
    const auto files = regressInputs("3ds");
    ASSERT_GE(files.size(), 10u);
    for (const fs::path& file : files) {
        const std::string name = file.filename().string();
        std::vector<std::string> maps;
        Loaded loaded(readFile(file), &maps);
        expectSound(loaded.model, name);
        if (name == "vertex_count_past_file.3ds") {
            EXPECT_EQ(loaded.vertices(), 1);
        }
        if (name == "face_index_out_of_range.3ds") {
            EXPECT_EQ(loaded.vertices(), 3);
            EXPECT_EQ(loaded.faces(), 1);
        }
        if (name == "face_count_past_file.3ds") {
            EXPECT_EQ(loaded.faces(), 1);
        }
        if (name == "entries_beyond_faces_and_vertices.3ds") {
            EXPECT_EQ(loaded.faces(), 1);
            EXPECT_FLOAT_EQ(loaded.model->vertices.at(2)->u, -0.5f);
        }
        if (name == "object_name_unterminated_at_eof.3ds") {
            ASSERT_EQ(loaded.objects(), 1);
            EXPECT_EQ(std::string(loaded.model->objects.at(0)->name()), std::string(255, 'x'));
        }
        if (name == "material_name_unterminated.3ds") {
            ASSERT_EQ(maps.size(), 1u);
            EXPECT_EQ(maps[0].substr(0, 256), std::string(255, 'm') + " ");
            EXPECT_LE(maps[0].size() - 256, 255u);
        }
        if (name.find("length") != std::string::npos || name == "nested_2000_levels.3ds" ||
            name == "geometry_before_any_object.3ds") {
            EXPECT_EQ(loaded.objects(), 0) << name;
            EXPECT_EQ(loaded.faces(), 0) << name;
        }
    }
}

TEST(SavedHostileInputs, Mp3ImagesDecodeToNothingOrBoundedSound) {
    const auto files = regressInputs("mp3");
    ASSERT_GE(files.size(), 4u);
    for (const fs::path& file : files) {
        const Bytes bytes = readFile(file);
        long samples = 0;
        int rate = 0;
        std::vector<std::int16_t> stereo;
        const bool known = platform::sound::decodedLength(bytes.data(), bytes.size(), &samples, &rate);
        const bool decoded = platform::sound::decodeAll(bytes.data(), bytes.size(), 44100, &stereo);
        // At most one 1152-sample frame per 24 bytes (the smallest MPEG
        // frame), resampled up from 8 kHz.
        const std::size_t bound = (bytes.size() / 24 + 1) * 1152 * 44100 / 8000 * 2;
        EXPECT_LE(stereo.size(), bound) << file.filename();
        if (known) {
            EXPECT_GT(rate, 0) << file.filename();
        }
        if (bytes.empty()) {
            EXPECT_FALSE(known);
            EXPECT_FALSE(decoded);
        }
    }
}

// Real files from other tools and from the generator, cut at every length
// (in steps) and with bytes flipped: never a crash, never a face naming a
// missing vertex, and the model only shrinks as the file is cut.
TEST(DamagedRealFiles, ModelsCutAtAnyLengthOrFlippedStaySound) {
    std::vector<fs::path> files;
    for (const char* name : {"3ds/test1.3ds", "3ds/cube_with_diffuse_texture.3DS"})
        files.push_back(fs::path(testsupport::sharedTestData()) / name);
    for (const fs::path& file : files) {
        const Bytes whole = readFile(file);
        ASSERT_GT(whole.size(), 100u) << file;
        Loaded full(whole);
        expectSound(full.model, file.string());
        const std::size_t step = std::max<std::size_t>(1, whole.size() / 300);
        for (std::size_t length = 0; length < whole.size(); length += step) {
            const Bytes cut(whole.begin(), whole.begin() + std::ptrdiff_t(length));
            Loaded part(cut);
            expectSound(part.model, file.filename().string() + " cut at " + std::to_string(length));
            EXPECT_LE(part.vertices(), full.vertices());
            EXPECT_LE(part.faces(), full.faces());
        }
        std::uint32_t state = 12345;
        for (int round = 0; round < 200; ++round) {
            Bytes flipped = whole;
            for (int k = 0; k < 4; ++k) {
                state = state * 1664525u + 1013904223u;
                flipped[(state >> 8) % flipped.size()] ^= std::uint8_t(1u << (state & 7));
            }
            Loaded damaged(flipped);
            expectSound(damaged.model, file.filename().string() + " flip round " + std::to_string(round));
        }
    }
}

TEST(DamagedRealFiles, TexturesCutShortNeverDecode) {
    for (const char* name : {"tga/Concrete.tga", "tga/holygrail.tga"}) {
        const Bytes whole = readFile(fs::path(testsupport::sharedTestData()) / name);
        ASSERT_GT(whole.size(), 18u) << name;
        Qu::Image image;
        ASSERT_EQ(Qu::decodeTga(whole.data(), whole.size(), image), Qu::TgaStatus::ok) << name;
        const std::size_t imageBytes = std::size_t(image.width) * std::size_t(image.height) * std::size_t(image.bpp / 8);
        delete[] image.pixels;
        // Every cut that loses pixel bytes fails; the header alone fails.
        for (std::size_t length : {std::size_t(0), std::size_t(11), std::size_t(17), std::size_t(18),
                                   whole.size() / 2, 18 + imageBytes - 1}) {
            Qu::Image part;
            EXPECT_NE(Qu::decodeTga(whole.data(), length, part), Qu::TgaStatus::ok) << name << " cut at " << length;
            EXPECT_EQ(part.pixels, nullptr);
        }
    }
}

}  // namespace
