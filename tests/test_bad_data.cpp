// Hostile inputs kept under tests/regress/ (sizes and counts far beyond the
// file, runs past the image, zero-length and overlong chunks, unterminated
// names, deep nesting) through each reader, in the normal and sanitizer
// builds. Random damage is the fuzz pass's.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <map>

#include "platform/sound.h"
#include "resources/load3ds.h"
#include "resources/model.h"
#include "resources/texture_library.h"
#include "support/paths.h"
#include "support/tool_files.h"

namespace {

namespace fs = std::filesystem;
using testsupport::Bytes;

std::map<std::string, Bytes> regressInputs(const std::string& kind) {
    std::map<std::string, Bytes> files;
    for (const auto& entry : fs::directory_iterator(fs::path(testsupport::sourceDir()) / "tests" / "regress" / kind))
        files[entry.path().filename().string()] = testsupport::readBytes(entry.path().string());
    return files;
}

// A model read from memory, with the texture loads it asked for; checked for
// what every model must satisfy however bad its file: faces name existing
// vertices, names fit their buffers, objects own all the vertices.
struct Loaded {
    std::vector<std::string> maps;
    Qu::Model* model;
    std::array<int, 3> counts;   // vertices, faces, objects
    Loaded(const Bytes& bytes, const std::string& what) {
        Qu::Load3dsOptions options;
        options.echo = nullptr;
        options.textureLoad = [this](const char* key, const char* path, const char*) { maps.push_back(std::string(key) + " " + path); };
        model = Qu::load3dsFromMemory(bytes.data(), bytes.size(), nullptr, options);
        counts = {model->vertices.count(), model->faces.count(), model->objects.count()};
        for (std::int32_t i = 0; i < counts[1]; ++i)
            for (std::uint32_t index : model->faces.at(i)->vertexIndex) EXPECT_LT(index, std::uint32_t(counts[0])) << what;
        std::int32_t owned = 0;
        for (std::int32_t i = 0; i < counts[2]; ++i) {
            const char* name = model->objects.at(i)->name();
            EXPECT_TRUE(name && std::strlen(name) <= 255u) << what;
            owned += static_cast<Qu::Object*>(model->objects.at(i))->vertices.count();
        }
        EXPECT_EQ(owned, counts[0]) << what;
    }
    ~Loaded() { Qu::deleteModel(model); }
};

TEST(SavedHostileInputs, TgaFilesFailWithoutPixels) {
    const std::map<std::string, Qu::TgaStatus> expected = {{"eleven_bytes.tga", Qu::TgaStatus::shortHeader},
                                                           {"sixteen_bits.tga", Qu::TgaStatus::badSize}};
    const auto files = regressInputs("tga");
    ASSERT_GE(files.size(), 8u);
    for (const auto& [name, bytes] : files) {
        Qu::Image image;
        const Qu::TgaStatus status = Qu::decodeTga(bytes.data(), bytes.size(), image);
        EXPECT_NE(status, Qu::TgaStatus::ok) << name;
        EXPECT_EQ(image.pixels, nullptr) << name;
        if (expected.count(name)) { EXPECT_EQ(status, expected.at(name)) << name; }
        if (name.rfind("huge_", 0) == 0) { EXPECT_EQ(status, Qu::TgaStatus::truncated) << name; }
    }
}

TEST(SavedHostileInputs, ModelsKeepOnlyWhatTheFileHolds) {
    // vertices, faces, objects the reader keeps (-1: any).
    const std::map<std::string, std::array<int, 3>> kept = {
        {"vertex_count_past_file.3ds", {1, -1, -1}}, {"face_index_out_of_range.3ds", {3, 1, -1}},
        {"face_count_past_file.3ds", {-1, 1, -1}}, {"entries_beyond_faces_and_vertices.3ds", {-1, 1, -1}},
        {"object_name_unterminated_at_eof.3ds", {-1, -1, 1}}, {"nested_2000_levels.3ds", {-1, 0, 0}},
        {"geometry_before_any_object.3ds", {-1, 0, 0}}};
    const auto files = regressInputs("3ds");
    ASSERT_GE(files.size(), 10u);
    for (const auto& [name, bytes] : files) {
        const Loaded loaded(bytes, name);
        std::array<int, 3> counts = kept.count(name) ? kept.at(name) : std::array<int, 3>{-1, -1, -1};
        if (name.find("length") != std::string::npos) counts = {-1, 0, 0};
        for (std::size_t i = 0; i < 3; ++i)
            if (counts[i] >= 0) { EXPECT_EQ(loaded.counts[i], counts[i]) << name << " count " << i; }
        if (name == "entries_beyond_faces_and_vertices.3ds") {
            EXPECT_FLOAT_EQ(loaded.model->vertices.at(2)->u, -0.5f);
        }
        if (name == "object_name_unterminated_at_eof.3ds") {
            EXPECT_EQ(loaded.model->objects.at(0)->name(), std::string(255, 'x'));
        }
        if (name == "material_name_unterminated.3ds") {
            ASSERT_EQ(loaded.maps.size(), 1u);
            EXPECT_EQ(loaded.maps[0].substr(0, 256), std::string(255, 'm') + " ");
            EXPECT_LE(loaded.maps[0].size(), 511u);
        }
    }
}

TEST(SavedHostileInputs, Mp3ImagesDecodeToNothingOrBoundedSound) {
    const auto files = regressInputs("mp3");
    ASSERT_GE(files.size(), 4u);
    for (const auto& [name, bytes] : files) {
        long samples = 0;
        int rate = 0;
        std::vector<std::int16_t> stereo;
        const bool known = platform::sound::decodedLength(bytes.data(), bytes.size(), &samples, &rate);
        const bool decoded = platform::sound::decodeAll(bytes.data(), bytes.size(), 44100, &stereo);
        // At most one 1152-sample frame per 24 bytes (the smallest MPEG
        // frame), resampled up from 8 kHz.
        EXPECT_LE(stereo.size(), (bytes.size() / 24 + 1) * 1152 * 44100 / 8000 * 2) << name;
        if (known) { EXPECT_GT(rate, 0) << name; }
        if (bytes.empty()) { EXPECT_FALSE(known || decoded); }
    }
}

}  // namespace
