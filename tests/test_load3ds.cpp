// The 3DS reader: chunk walk, handlers and counters, texture maps, bad
// files; checked against files written and read by assimp and against
// real files made by 3D Studio.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <assimp/Exporter.hpp>
#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/data_file.h"
#include "platform/message_box.h"
#include "resources/load3ds.h"
#include "resources/model.h"
#include "resources/texture_library.h"
#include "support/gl_context.h"
#include "support/paths.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Qu::Face;
using Qu::Model;
using Qu::Object;
using Qu::Vertex;

// Builds chunk trees; lengths are filled in when a chunk is closed.
class Chunks {
public:
    Chunks& begin(std::uint16_t id) {
        open.push_back(bytes.size());
        u16(id);
        u32(0);
        return *this;
    }
    Chunks& end() {
        const std::size_t start = open.back();
        open.pop_back();
        const std::uint32_t length = std::uint32_t(bytes.size() - start);
        for (int i = 0; i < 4; ++i) bytes[start + 2 + std::size_t(i)] = std::uint8_t(length >> (8 * i));
        return *this;
    }
    Chunks& u16(std::uint16_t v) {
        bytes.push_back(std::uint8_t(v));
        bytes.push_back(std::uint8_t(v >> 8));
        return *this;
    }
    Chunks& u32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(std::uint8_t(v >> (8 * i)));
        return *this;
    }
    Chunks& f32(float f) {
        std::uint32_t bits;
        std::memcpy(&bits, &f, sizeof bits);
        return u32(bits);
    }
    Chunks& text(const std::string& s) {
        bytes.insert(bytes.end(), s.begin(), s.end());
        bytes.push_back(0);
        return *this;
    }
    // A chunk with a raw header (any length) and the given body.
    Chunks& raw(std::uint16_t id, std::uint32_t length, const Bytes& body = {}) {
        u16(id);
        u32(length);
        bytes.insert(bytes.end(), body.begin(), body.end());
        return *this;
    }

    Chunks& vertices(const std::vector<std::array<float, 3>>& points, int count = -1) {
        begin(0x4110).u16(std::uint16_t(count < 0 ? int(points.size()) : count));
        for (const auto& p : points) f32(p[0]).f32(p[1]).f32(p[2]);
        return end();
    }
    Chunks& mappings(const std::vector<std::array<float, 2>>& uvs) {
        begin(0x4140).u16(std::uint16_t(uvs.size()));
        for (const auto& uv : uvs) f32(uv[0]).f32(uv[1]);
        return end();
    }
    // Opens a face list; the caller may add sub-chunks before end().
    Chunks& beginFaces(const std::vector<std::array<std::uint16_t, 3>>& faces) {
        begin(0x4120).u16(std::uint16_t(faces.size()));
        for (const auto& f : faces) u16(f[0]).u16(f[1]).u16(f[2]).u16(7);
        return *this;
    }
    Chunks& faceMaterial(const std::string& name, const std::vector<std::uint16_t>& faceNumbers) {
        begin(0x4130).text(name).u16(std::uint16_t(faceNumbers.size()));
        for (std::uint16_t n : faceNumbers) u16(n);
        return end();
    }
    Chunks& material(const std::string& name, const std::vector<std::string>& maps) {
        begin(0xAFFF).begin(0xA000).text(name).end();
        for (const std::string& map : maps) begin(0xA200).begin(0xA300).text(map).end().end();
        return end();
    }

    Bytes bytes;

private:
    std::vector<std::size_t> open;
};

// One object block with a tri-mesh of the given points and faces.
void meshObject(Chunks& c, const std::string& name, const std::vector<std::array<float, 3>>& points,
                const std::vector<std::array<std::uint16_t, 3>>& faces) {
    c.begin(0x4000).text(name).begin(0x4100).vertices(points).beginFaces(faces).end().end().end();
}

struct TextureLoad {
    std::string key, path, name;
    bool operator==(const TextureLoad& o) const { return key == o.key && path == o.path && name == o.name; }
};

void PrintTo(const TextureLoad& t, std::ostream* out) { *out << t.key << " -> " << t.path << " (" << t.name << ")"; }

class Load3ds : public ::testing::Test {
protected:
    ~Load3ds() override {
        for (Model* model : loaded) Qu::deleteModel(model);
    }

    // Loads from memory without echo; map loads are recorded, not performed.
    Model* load(const Bytes& bytes, Qu::TextureLibrary* lib = nullptr) {
        Qu::Load3dsOptions options;
        options.echo = nullptr;
        if (!lib)
            options.textureLoad = [this](const char* key, const char* path, const char* name) {
                textureLoads.push_back({key, path, name});
            };
        Model* model = Qu::load3dsFromMemory(bytes.data(), bytes.size(), lib, options);
        loaded.push_back(model);
        return model;
    }
    Model* load(const Chunks& c, Qu::TextureLibrary* lib = nullptr) { return load(c.bytes, lib); }

    Object* object(Model* model, int i) { return static_cast<Object*>(model->objects.at(i)); }

    // A key for `name` without a GL texture, so face materials find it.
    Qu::TextureKey* addKey(const char* name) {
        auto* key = new Qu::TextureKey;   // freed by the library
        key->key = name;
        library.keys.add(key);
        return key;
    }

    Qu::TextureLibrary library;
    std::vector<Model*> loaded;
    std::vector<TextureLoad> textureLoads;
};

void expectPoint(const Qu::Vector& v, double x, double y, double z) {
    EXPECT_DOUBLE_EQ(v.x, x);
    EXPECT_DOUBLE_EQ(v.y, y);
    EXPECT_DOUBLE_EQ(v.z, z);
}

// --- The walk and the handlers -------------------------------------------

TEST_F(Load3ds, ObjectsBecomeRecordsOnEngineAxesWithAbsoluteIndices) {
    Chunks c;
    c.begin(0x4D4D).raw(0x0002, 10, {3, 0, 0, 0}).begin(0x3D3D);
    c.begin(0x4000).text("p").begin(0x4100);
    c.vertices({{1, 2, 3}, {3, 2, 3}, {1, 6, 3}});
    c.mappings({{0.25f, 0.5f}, {1.0f, -0.75f}, {0.0f, 2.0f}});
    c.beginFaces({{2, 0, 1}}).end();
    c.end().end();
    meshObject(c, "second", {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}, {0, 0, 2}}, {{0, 1, 2}, {1, 3, 2}});
    c.end().end();
    Model* model = load(c, &library);

    ASSERT_EQ(library.models.count(), 1);
    EXPECT_EQ(library.models.at(0), model);
    ASSERT_EQ(model->objects.count(), 2);
    EXPECT_EQ(model->vertices.count(), 7);
    EXPECT_EQ(model->faces.count(), 3);
    Object* p = object(model, 0);
    Object* second = object(model, 1);
    EXPECT_STREQ(second->name(), "second");
    EXPECT_EQ(second->kind(), Qu::kindMesh);
    EXPECT_EQ(second->vertexBase, 3);
    // Indices are absolute; objects hold the model's own records.
    const Face* face = second->faces.at(0);
    EXPECT_EQ(std::vector<std::uint32_t>(face->vertexIndex, face->vertexIndex + 3), (std::vector<std::uint32_t>{3, 4, 5}));
    EXPECT_EQ(second->faces.at(1), model->faces.at(2));
    EXPECT_EQ(second->vertices.at(0), model->vertices.at(3));

    // (x, y, z) -> (x, -z, y); eyePosition keeps the loaded point, position
    // is centred on the bounding box.
    expectPoint(p->vertices.at(0)->eyePosition, 1, -3, 2);
    expectPoint(p->vertices.at(2)->eyePosition, 1, -3, 6);
    expectPoint(p->position, 2, -3, 4);
    expectPoint(p->homePosition, 2, -3, 4);
    expectPoint(p->size, 2, 0, 4);
    expectPoint(p->vertices.at(0)->position, -1, 0, -2);
    // Engine triangle (1,-3,2), (3,-3,2), (1,-3,6): (2,0,0) x (0,0,4) is -y.
    expectPoint(p->faces.at(0)->normal, 0, -1, 0);
    expectPoint(p->vertices.at(1)->normal, 0, -1, 0);
    // Mappings are negated; corners take their vertex's.
    EXPECT_FLOAT_EQ(p->vertices.at(0)->u, -0.25f);
    EXPECT_FLOAT_EQ(p->vertices.at(1)->v, 0.75f);
    const Face* corners = p->faces.at(0);
    const float expectedU[3] = {0.0f, -0.25f, -1.0f}, expectedV[3] = {-2.0f, -0.5f, 0.75f};
    for (int i = 0; i < 3; ++i) {
        EXPECT_FLOAT_EQ(corners->cornerU[i], expectedU[i]) << i;
        EXPECT_FLOAT_EQ(corners->cornerV[i], expectedV[i]) << i;
    }
}

TEST_F(Load3ds, MaterialAndMappingEntriesCountOverTheWholeFile) {
    Qu::TextureKey* bark = addKey("bark");
    Qu::TextureKey* leaf = addKey("leaf");
    Chunks c;
    c.begin(0x4D4D).begin(0x3D3D);
    // Object a: three faces; its face list carries two material chunks of
    // 2 and 1 entries whose face numbers are deliberately wrong.
    c.begin(0x4000).text("a").begin(0x4100);
    c.vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    c.mappings({{0.1f, 0.1f}, {0.2f, 0.2f}});   // two of three vertices
    c.beginFaces({{0, 1, 2}, {0, 2, 1}, {1, 2, 0}}).faceMaterial("bark", {9, 4}).faceMaterial("leaf", {0}).end();
    c.end().end();
    // Object b: its material chunks cover model faces 3 and 4 (one without a
    // key: untextured); its mappings continue at model vertex 2, one past the end.
    c.begin(0x4000).text("b").begin(0x4100);
    c.vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    c.mappings({{0.3f, 0.3f}, {0.4f, 0.4f}, {0.5f, 0.5f}, {0.6f, 0.6f}, {0.7f, 0.7f}});
    c.beginFaces({{0, 1, 2}, {2, 1, 0}}).faceMaterial("bark", {0}).faceMaterial("plain", {1}).end();
    c.end().end();
    c.end().end();
    Model* model = load(c, &library);

    ASSERT_EQ(model->faces.count(), 5);
    const Qu::TextureKey* expected[5] = {bark, bark, leaf, bark, nullptr};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(model->faces.at(i)->texture, expected[i]) << "face " << i;
    const float expectedU[6] = {-0.1f, -0.2f, -0.3f, -0.4f, -0.5f, -0.6f};
    for (int i = 0; i < 6; ++i) EXPECT_FLOAT_EQ(model->vertices.at(i)->u, expectedU[i]) << "vertex " << i;
}

TEST_F(Load3ds, FacesNamingMissingVerticesAreDroppedAndMaterialsFollowTheFile) {
    Qu::TextureKey* one = addKey("one");
    Qu::TextureKey* two = addKey("two");
    Chunks c;
    c.begin(0x4D4D).begin(0x3D3D);
    c.begin(0x4000).text("a").begin(0x4100).vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    // File face 1 names vertex 3 of a 3-vertex object.
    c.beginFaces({{0, 1, 2}, {0, 1, 3}, {2, 1, 0}}).faceMaterial("one", {0, 1}).faceMaterial("two", {2}).end();
    c.end().end();
    // Object b lists its faces before its vertices: indices are resolved
    // when the object ends, so its faces stay (its fourth vertex is missing).
    c.begin(0x4000).text("b").begin(0x4100);
    c.beginFaces({{0, 1, 2}, {2, 1, 3}}).end();
    c.vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    c.end().end();
    c.end().end();
    Model* model = load(c, &library);
    ASSERT_EQ(model->faces.count(), 3);
    EXPECT_EQ(object(model, 0)->faces.count(), 2);
    EXPECT_EQ(model->faces.at(0)->texture, one);
    EXPECT_EQ(model->faces.at(1)->vertexIndex[0], 2u);   // file face 2
    EXPECT_EQ(model->faces.at(1)->texture, two);
    ASSERT_EQ(object(model, 1)->faces.count(), 1);
    EXPECT_EQ(model->faces.at(2)->vertexIndex[2], 5u);   // base 3 + file index 2
}

TEST_F(Load3ds, MapFileNamesBecomeTgaPathsUnderTheMaterialKeyCutToTheirBuffers) {
    const std::string longMap = std::string(400, 'M') + ".JPG";
    Chunks c;
    c.begin(0x4D4D).begin(0x3D3D);
    c.material("grass01", {"GRASS.BMP"});
    c.material("bark", {"tree.bark.jpg", "BUMP.TGA"});   // texture map, then bump map
    c.material("dotless", {"PINE"});
    c.material(std::string(300, 'k'), {longMap});
    c.begin(0x4000).text(std::string(1000, 'n')).begin(0x4100).vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    c.end().end();
    c.end().end();
    Model* model = load(c);
    const std::vector<TextureLoad> expected = {
        {"grass01", "data//GRASS.tga", "GRASS"},
        {"bark", "data//tree.tga", "tree"},
        {"bark", "data//BUMP.tga", "BUMP"},
        {"dotless", "data//PINE.tga", "PINE"},
        {std::string(255, 'k'), "data//" + std::string(245, 'M') + ".tga", std::string(245, 'M')},
    };
    EXPECT_EQ(textureLoads, expected);
    ASSERT_EQ(model->objects.count(), 1);
    EXPECT_EQ(std::string(model->objects.at(0)->name()), std::string(255, 'n'));
    EXPECT_EQ(model->vertices.count(), 3);   // the walk goes on after the name
}

TEST_F(Load3ds, UnlistedAndIgnoredChunksAndStrayGeometryAreSkipped) {
    Chunks inner;   // an object block hidden inside an unlisted chunk
    meshObject(inner, "hidden", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    Chunks c;
    c.begin(0x4D4D).begin(0x3D3D);
    // Geometry before any object block has no owner.
    c.begin(0x4100).vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}).beginFaces({{0, 1, 2}}).end().end();
    c.begin(0x7777);
    c.bytes.insert(c.bytes.end(), inner.bytes.begin(), inner.bytes.end());
    c.end();
    c.begin(0x4000).text("seen").begin(0x4100);
    c.vertices({{0, 0, 0}, {4, 0, 0}, {0, 4, 0}});
    c.begin(0x4160);   // local matrix: 48 bytes that look like nothing known
    for (int i = 0; i < 12; ++i) c.f32(1.0f);
    c.end();
    c.beginFaces({{0, 1, 2}}).begin(0x4150).u32(1).end().end();   // smoothing groups
    c.end();
    // A light reads a 12-byte position, then its sub-chunks: a vertex list
    // there still lands in the last object.
    c.begin(0x4600).f32(0).f32(0).f32(0).vertices({{8, 0, 0}}).end();
    c.end();
    c.begin(0xB000).begin(0xB008).u32(0).u32(100).end().end();
    c.end().end();
    Model* model = load(c);
    ASSERT_EQ(model->objects.count(), 1);
    EXPECT_STREQ(model->objects.at(0)->name(), "seen");
    EXPECT_EQ(model->vertices.count(), 4);
    EXPECT_EQ(model->faces.count(), 1);
}

TEST_F(Load3ds, EchoesObjectAndMaterialNamesWithoutSeparators) {
    Chunks c;
    c.begin(0x4D4D).begin(0x3D3D);
    c.material("grass01", {"GRASS.BMP"});
    c.begin(0x4000).text("tree").begin(0x4100).vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    c.beginFaces({{0, 1, 2}}).faceMaterial("grass01", {0}).end().end().end();
    c.begin(0x4000).text("rock").end();
    c.end().end();

    std::FILE* sink = std::tmpfile();
    ASSERT_NE(sink, nullptr);
    Qu::Load3dsOptions options;
    options.echo = sink;
    options.textureLoad = [](const char*, const char*, const char*) {};
    loaded.push_back(Qu::load3dsFromMemory(c.bytes.data(), c.bytes.size(), nullptr, options));
    std::rewind(sink);
    char text[64] = {};
    const std::size_t n = std::fread(text, 1, sizeof text - 1, sink);
    std::fclose(sink);
    EXPECT_EQ(std::string(text, n), "grass01treerock");
}

// --- Bad files -------------------------------------------------------------

TEST_F(Load3ds, ChunkLengthsThatDoNotFitEndOnlyTheirLevel) {
    // Shorter than a header: the rest of the level is not read.
    for (std::uint32_t length : {0u, 1u, 5u}) {
        Chunks c;
        c.begin(0x4D4D).begin(0x3D3D);
        meshObject(c, "before", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
        c.raw(0x4000, length, {'x', 0});
        meshObject(c, "after", {{0, 0, 0}}, {});
        c.end().end();
        Model* model = load(c);
        ASSERT_EQ(model->objects.count(), 1) << "length " << length;
        EXPECT_STREQ(model->objects.at(0)->name(), "before");
    }
    // Past its parent: that level ends, the parent's siblings are read; the
    // object without vertices finishes at zero.
    Chunks c;
    c.begin(0x4D4D).begin(0x3D3D);
    c.begin(0x4000).text("broken").begin(0x4100).raw(0x4110, 5000, {3, 0}).end().end();
    meshObject(c, "sound", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    c.end().end();
    Model* model = load(c);
    ASSERT_EQ(model->objects.count(), 2);
    EXPECT_EQ(object(model, 0)->vertices.count(), 0);
    expectPoint(object(model, 0)->size, 0, 0, 0);
    expectPoint(object(model, 0)->position, 0, 0, 0);
    EXPECT_EQ(object(model, 1)->vertices.count(), 3);
    EXPECT_EQ(model->faces.count(), 1);
}

TEST_F(Load3ds, CountsAndNamesBeyondTheirChunkReadOnlyWhatIsThere) {
    Chunks c;
    c.begin(0x4D4D).begin(0x3D3D);
    c.begin(0x4000).text("a").begin(0x4100);
    c.vertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, 65535);
    c.begin(0x4140).u16(65535).f32(0.5f).f32(0.5f).end();
    // A short face list ends before its sub-chunks would be read.
    c.begin(0x4120).u16(65535).u16(0).u16(1).u16(2).u16(0);
    c.faceMaterial("x", {0});
    c.end();
    c.end().end();
    c.begin(0x4000);   // a name without its terminator stops at the chunk end
    c.bytes.insert(c.bytes.end(), {'a', 'b', 'c'});
    c.end();
    // Seven bytes left in a face list are no record, nor chunks to walk.
    c.begin(0x4000).text("b").begin(0x4100).begin(0x4120).u16(2).u16(0).u16(0).u16(0).u16(0);
    c.raw(0x4000, 7, {0}).end().end().end();
    c.end().end();
    Model* model = load(c);
    EXPECT_EQ(model->vertices.count(), 3);
    EXPECT_FLOAT_EQ(model->vertices.at(0)->u, -0.5f);
    EXPECT_EQ(model->vertices.at(1)->u, 0.0f);
    // Face one is whole; the first 8 bytes of the material chunk make one
    // more face record (index 0x4130, out of range), then the list is short.
    EXPECT_EQ(model->faces.count(), 1);
    ASSERT_EQ(model->objects.count(), 3);
    EXPECT_STREQ(model->objects.at(1)->name(), "abc");
}

TEST_F(Load3ds, DeeplyNestedChunksDoNotExhaustTheStack) {
    const int depth = 200000;
    Bytes bytes;
    for (int i = 0; i < depth; ++i) {
        const std::uint32_t length = std::uint32_t((depth - i) * 6);
        bytes.insert(bytes.end(), {0x4D, 0x4D, std::uint8_t(length), std::uint8_t(length >> 8),
                                   std::uint8_t(length >> 16), std::uint8_t(length >> 24)});
    }
    EXPECT_EQ(load(bytes)->objects.count(), 0);
}

// A well-formed file with every handler, for the damage tests.
Chunks richFile() {
    Chunks c;
    c.begin(0x4D4D).begin(0x3D3D);
    c.material("grass01", {"GRASS.BMP", "MISSING.TGA"});   // the bump map is never loaded
    for (int o = 0; o < 3; ++o) {
        c.begin(0x4000).text("object" + std::to_string(o)).begin(0x4100);
        c.vertices({{0, 0, float(o)}, {1, 0, 0}, {0, 1, 0}, {1, 1, 1}});
        c.mappings({{0.1f, 0.2f}, {0.3f, 0.4f}, {0.5f, 0.6f}, {0.7f, 0.8f}});
        c.beginFaces({{0, 1, 2}, {1, 3, 2}}).faceMaterial("grass01", {0, 1}).end();
        c.end().end();
    }
    c.end().end();
    return c;
}

TEST_F(Load3ds, TruncatedAndDamagedFilesLoadCleanly) {
    const Bytes whole = richFile().bytes;
    {
        Model* model = load(whole);
        ASSERT_EQ(model->objects.count(), 3);
        ASSERT_EQ(model->faces.count(), 6);
    }
    // Every truncation: the Main chunk then reaches past the file, which
    // ends the top level at once.
    for (std::size_t size = 0; size < whole.size(); ++size) {
        Bytes cut(whole.begin(), whole.begin() + std::ptrdiff_t(size));
        EXPECT_EQ(load(cut)->objects.count(), 0) << "size " << size;
    }
    // Random damage: whatever is read must be consistent (indices inside the
    // model, faces inside their objects). ASan checks the reads.
    std::mt19937 random(99);
    for (int round = 0; round < 3000; ++round) {
        Bytes damaged = whole;
        const int hits = 1 + int(random() % 4);
        for (int h = 0; h < hits; ++h) damaged[random() % damaged.size()] = std::uint8_t(random());
        Model* model = load(damaged);
        for (std::int32_t o = 0; o < model->objects.count(); ++o) {
            Object* obj = object(model, o);
            for (std::int32_t f = 0; f < obj->faces.count(); ++f)
                for (std::uint32_t index : obj->faces.at(f)->vertexIndex) {
                    ASSERT_GE(std::int64_t(index), obj->vertexBase) << "round " << round;
                    ASSERT_LT(std::int64_t(index), obj->vertexBase + obj->vertices.count()) << "round " << round;
                }
        }
    }
}

// --- Reading from files ----------------------------------------------------

TEST_F(Load3ds, FilesAndTheirMapsAreFoundIgnoringLetterCase) {
    testsupport::GlContext gl;
    ASSERT_TRUE(gl.ok());
    const std::string dir = testsupport::makeTempDir();
    ASSERT_EQ(mkdir((dir + "/data").c_str(), 0755), 0);
    auto writeFile = [](const std::string& path, const Bytes& bytes) {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    };
    Bytes tga(18, 0);   // 4x2, 24 bits, grey
    tga[2] = 2, tga[12] = 4, tga[14] = 2, tga[16] = 24;
    tga.resize(18 + 4 * 2 * 3, 0x80);
    writeFile(dir + "/data/grass.tga", tga);   // lower case on disk, GRASS in the file
    writeFile(dir + "/FOREST.3DS", richFile().bytes);
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(dir.c_str()), 0);
    platform::recordMessageBoxes(true);
    Qu::Load3dsOptions options;
    options.echo = nullptr;
    Model* model = Qu::load3ds("forest.3ds", &library, options);
    Model* again = Qu::load3ds("Forest.3ds", &library, options);
    Model* absent = Qu::load3ds("absent.3ds", &library, options);
    const std::size_t boxes = platform::recordedMessageBoxes().size();
    platform::recordMessageBoxes(false);
    ASSERT_EQ(chdir(previous), 0);
    std::filesystem::remove_all(dir);

    ASSERT_NE(model, nullptr);
    loaded.push_back(model);
    ASSERT_NE(again, nullptr);
    loaded.push_back(again);
    EXPECT_EQ(absent, nullptr);
    EXPECT_EQ(model->objects.count(), 3);
    EXPECT_EQ(library.models.count(), 2);
    // The first map wins; a second file with the same material reuses it.
    EXPECT_EQ(library.keys.count(), 1);
    Qu::TextureKey* key = library.find("grass01");
    ASSERT_NE(key, nullptr);
    ASSERT_NE(key->texture(), nullptr);
    EXPECT_STREQ(key->texture()->fileName, "data//GRASS.tga");
    EXPECT_STREQ(key->texture()->name, "GRASS");
    EXPECT_EQ(key->texture()->image()->width, 4);
    EXPECT_NE(Qu::glLinearOf(key), 0u);
    EXPECT_EQ(model->faces.at(0)->texture, key);
    EXPECT_EQ(again->faces.at(5)->texture, key);
    EXPECT_EQ(boxes, 0u);
}

// --- Independent evidence --------------------------------------------------

struct WalkedObject {
    std::string name;
    int faces = 0;
};

// Object names and face counts as assimp's importer sees them: one node
// with meshes per object block (meshes split by material), depth first.
void collectNodes(const aiScene* scene, const aiNode* node, std::vector<WalkedObject>& out) {
    if (node->mNumMeshes > 0) {
        WalkedObject object{node->mName.C_Str(), 0};
        for (unsigned m = 0; m < node->mNumMeshes; ++m)
            object.faces += int(scene->mMeshes[node->mMeshes[m]]->mNumFaces);
        out.push_back(object);
    }
    for (unsigned i = 0; i < node->mNumChildren; ++i) collectNodes(scene, node->mChildren[i], out);
}

std::vector<WalkedObject> assimpObjects(const Bytes& bytes) {
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFileFromMemory(bytes.data(), bytes.size(), 0, "3ds");
    std::vector<WalkedObject> result;
    if (!scene) {
        ADD_FAILURE() << importer.GetErrorString();
        return result;
    }
    collectNodes(scene, scene->mRootNode, result);
    return result;
}

TEST_F(Load3ds, RealFilesAgreeWithAssimp) {
    for (const char* file : {"test1.3ds", "cube_with_diffuse_texture.3DS"}) {
        SCOPED_TRACE(file);
        Bytes bytes;
        ASSERT_TRUE(platform::readWholeFile(testsupport::sharedTestData() + "/3ds/" + file, bytes));
        textureLoads.clear();
        Model* model = load(bytes);
        const std::vector<WalkedObject> fromAssimp = assimpObjects(bytes);
        ASSERT_EQ(model->objects.count(), int(fromAssimp.size()));
        int faceTotal = 0;
        for (std::size_t i = 0; i < fromAssimp.size(); ++i) {
            Object* obj = object(model, int(i));
            EXPECT_EQ(obj->name(), fromAssimp[i].name);
            EXPECT_EQ(obj->faces.count(), fromAssimp[i].faces);
            faceTotal += fromAssimp[i].faces;
        }
        EXPECT_EQ(model->faces.count(), faceTotal);

        // Every material map assimp reports is asked for under its material
        // name, as a TGA of the same base name.
        Assimp::Importer importer;
        const aiScene* scene = importer.ReadFileFromMemory(bytes.data(), bytes.size(), 0, "3ds");
        ASSERT_NE(scene, nullptr);
        for (unsigned m = 0; m < scene->mNumMaterials; ++m) {
            aiString name, map;
            if (scene->mMaterials[m]->GetTexture(aiTextureType_DIFFUSE, 0, &map) != AI_SUCCESS) continue;
            scene->mMaterials[m]->Get(AI_MATKEY_NAME, name);
            std::string base = map.C_Str();
            base = base.substr(0, base.find('.'));
            const TextureLoad expected{name.C_Str(), "data//" + base + ".tga", base};
            EXPECT_NE(std::find(textureLoads.begin(), textureLoads.end(), expected), textureLoads.end())
                << "no load for " << expected.key;
        }
    }
}

// A scene of random meshes for assimp's exporter.
struct SourceMesh {
    std::vector<aiVector3D> points;
    std::vector<aiVector3D> uvs;
    std::vector<std::array<unsigned, 3>> faces;
};

aiScene* makeScene(const std::vector<SourceMesh>& meshes) {
    aiScene* scene = new aiScene;
    scene->mRootNode = new aiNode("root");
    scene->mNumMaterials = 1;
    scene->mMaterials = new aiMaterial*[1];
    scene->mMaterials[0] = new aiMaterial;
    aiString materialName("stone");
    scene->mMaterials[0]->AddProperty(&materialName, AI_MATKEY_NAME);
    scene->mNumMeshes = unsigned(meshes.size());
    scene->mMeshes = new aiMesh*[meshes.size()];
    std::vector<aiNode*> nodes;
    for (std::size_t i = 0; i < meshes.size(); ++i) {
        const SourceMesh& source = meshes[i];
        aiMesh* mesh = new aiMesh;
        scene->mMeshes[i] = mesh;
        mesh->mName = aiString("mesh" + std::to_string(i));
        mesh->mMaterialIndex = 0;
        mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
        mesh->mNumVertices = unsigned(source.points.size());
        mesh->mVertices = new aiVector3D[source.points.size()];
        mesh->mTextureCoords[0] = new aiVector3D[source.points.size()];
        mesh->mNumUVComponents[0] = 2;
        for (std::size_t v = 0; v < source.points.size(); ++v) {
            mesh->mVertices[v] = source.points[v];
            mesh->mTextureCoords[0][v] = source.uvs[v];
        }
        mesh->mNumFaces = unsigned(source.faces.size());
        mesh->mFaces = new aiFace[source.faces.size()];
        for (std::size_t f = 0; f < source.faces.size(); ++f) {
            mesh->mFaces[f].mNumIndices = 3;
            mesh->mFaces[f].mIndices = new unsigned[3]{source.faces[f][0], source.faces[f][1], source.faces[f][2]};
        }
        aiNode* node = new aiNode("node" + std::to_string(i));
        node->mNumMeshes = 1;
        node->mMeshes = new unsigned[1]{unsigned(i)};
        nodes.push_back(node);
    }
    scene->mRootNode->addChildren(unsigned(nodes.size()), nodes.data());
    return scene;
}

TEST_F(Load3ds, FilesWrittenByAssimpReadBackExactly) {
    std::mt19937 random(2024);
    std::uniform_real_distribution<float> coordinate(-100.0f, 100.0f);
    std::uniform_real_distribution<float> texel(0.0f, 1.0f);
    std::vector<SourceMesh> meshes(3);
    for (std::size_t i = 0; i < meshes.size(); ++i) {
        const unsigned count = 5 + unsigned(i) * 7;
        for (unsigned v = 0; v < count; ++v) {
            meshes[i].points.emplace_back(coordinate(random), coordinate(random), coordinate(random));
            meshes[i].uvs.emplace_back(texel(random), texel(random), 0.0f);
        }
        for (unsigned f = 0; f < count; ++f)
            meshes[i].faces.push_back({f, (f + 1) % count, (f + 3) % count});
    }
    aiScene* scene = makeScene(meshes);
    Assimp::Exporter exporter;
    const aiExportDataBlob* blob = exporter.ExportToBlob(scene, "3ds");
    ASSERT_NE(blob, nullptr) << exporter.GetErrorString();
    const Bytes bytes(static_cast<const std::uint8_t*>(blob->data),
                      static_cast<const std::uint8_t*>(blob->data) + blob->size);
    delete scene;

    Model* model = load(bytes);
    const std::vector<WalkedObject> fromAssimp = assimpObjects(bytes);
    ASSERT_EQ(model->objects.count(), int(meshes.size()));
    ASSERT_EQ(fromAssimp.size(), meshes.size());
    // The exporter may write the meshes in any order (it depends on where
    // its nodes lie in memory); each object names its node, "node<i>_...".
    std::uint32_t base = 0;
    std::vector<bool> seen(meshes.size(), false);
    for (int o = 0; o < model->objects.count(); ++o) {
        Object* obj = object(model, o);
        SCOPED_TRACE(std::string("object ") + obj->name());
        const std::string name = obj->name();
        ASSERT_EQ(name.rfind("node", 0), 0u);
        const std::size_t i = std::size_t(std::atoi(name.c_str() + 4));
        ASSERT_LT(i, meshes.size());
        EXPECT_FALSE(seen[i]);
        seen[i] = true;
        EXPECT_TRUE(std::any_of(fromAssimp.begin(), fromAssimp.end(), [&](const WalkedObject& theirs) {
            return theirs.name == name && theirs.faces == obj->faces.count();
        }));
        ASSERT_EQ(obj->vertices.count(), int(meshes[i].points.size()));
        ASSERT_EQ(obj->faces.count(), int(meshes[i].faces.size()));
        for (std::size_t v = 0; v < meshes[i].points.size(); ++v) {
            const aiVector3D& p = meshes[i].points[v];
            const Vertex* vertex = obj->vertices.at(int(v));
            // Loaded point (x, -z, y); position is centred on the object.
            expectPoint(vertex->eyePosition, p.x, -double(p.z), p.y);
            EXPECT_NEAR(vertex->position.x + obj->position.x, p.x, 1e-9);
            EXPECT_FLOAT_EQ(vertex->u, -meshes[i].uvs[v].x);
            EXPECT_FLOAT_EQ(vertex->v, -meshes[i].uvs[v].y);
        }
        for (std::size_t f = 0; f < meshes[i].faces.size(); ++f)
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(obj->faces.at(int(f))->vertexIndex[c], meshes[i].faces[f][std::size_t(c)] + base);
        base += std::uint32_t(meshes[i].points.size());
    }
}

}  // namespace
