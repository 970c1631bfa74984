// The 3DS reader: chunk walk, handlers and counters, texture maps, bad
// files; checked against assimp's reading of real files made by 3D Studio.
#include <gtest/gtest.h>

#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/data_file.h"
#include "resources/load3ds.h"
#include "resources/model.h"
#include "resources/texture_library.h"
#include "support/paths.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Qu::Face;
using Qu::Model;
using Qu::Object;
using Points = std::vector<std::array<float, 3>>;
using Triangles = std::vector<std::array<std::uint16_t, 3>>;

// Builds chunk trees, little-endian; lengths are filled in when a chunk is
// closed. file() opens the Main and Object Mesh chunks, close() ends all.
struct Chunks {
    Bytes bytes;
    std::vector<std::size_t> open;

    static Chunks file() {
        Chunks c;
        c.begin(0x4D4D).begin(0x3D3D);
        return c;
    }
    Chunks& le(std::uint32_t v, int size) {
        for (int i = 0; i < size; ++i) bytes.push_back(std::uint8_t(v >> (8 * i)));
        return *this;
    }
    Chunks& u16(std::uint16_t v) { return le(v, 2); }
    Chunks& f32(float f) {
        std::uint32_t bits;
        std::memcpy(&bits, &f, sizeof bits);
        return le(bits, 4);
    }
    Chunks& chars(const std::string& s) {
        bytes.insert(bytes.end(), s.begin(), s.end());
        return *this;
    }
    Chunks& text(const std::string& s) { return chars(s).le(0, 1); }
    // A bare header with any length; not closed.
    Chunks& raw(std::uint16_t id, std::uint32_t length) { return u16(id).le(length, 4); }
    Chunks& begin(std::uint16_t id) {
        open.push_back(bytes.size());
        return raw(id, 0);
    }
    Chunks& end() {
        const std::size_t start = open.back();
        open.pop_back();
        const std::uint32_t length = std::uint32_t(bytes.size() - start);
        for (std::size_t i = 0; i < 4; ++i) bytes[start + 2 + i] = std::uint8_t(length >> (8 * i));
        return *this;
    }
    Bytes close() {
        while (!open.empty()) end();
        return bytes;
    }
    // An object block with its tri-mesh open.
    Chunks& object(const std::string& name) { return begin(0x4000).text(name).begin(0x4100); }
    Chunks& vertices(const Points& points, int count = -1) {
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
    Chunks& faces(const Triangles& faces) {
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
    Chunks& mesh(const std::string& name, const Points& points, const Triangles& triangles) {
        return object(name).vertices(points).faces(triangles).end().end().end();
    }
};

const Points triangle = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};

// Key, path and name of one map load.
using TextureLoad = std::array<std::string, 3>;

class Load3ds : public ::testing::Test {
protected:
    ~Load3ds() override {
        for (Model* model : loaded) Qu::deleteModel(model);
    }

    // Loads from memory; map loads are recorded, not performed, unless a
    // library is given.
    Model* load(const Bytes& bytes, Qu::TextureLibrary* lib = nullptr, std::FILE* echo = nullptr) {
        Qu::Load3dsOptions options;
        options.echo = echo;
        if (!lib)
            options.textureLoad = [this](const char* key, const char* path, const char* name) {
                textureLoads.push_back({key, path, name});
            };
        Model* model = Qu::load3dsFromMemory(bytes.data(), bytes.size(), lib, options);
        loaded.push_back(model);
        return model;
    }

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

std::vector<double> xyz(const Qu::Vector& v) { return {v.x, v.y, v.z}; }

// --- The walk and the handlers -------------------------------------------

TEST_F(Load3ds, ObjectsBecomeRecordsOnEngineAxesWithAbsoluteIndices) {
    Chunks c = Chunks::file();
    c.object("p").vertices({{1, 2, 3}, {3, 2, 3}, {1, 6, 3}});
    c.mappings({{0.25f, 0.5f}, {1.0f, -0.75f}, {0.0f, 2.0f}});
    c.faces({{2, 0, 1}}).end().end().end();
    c.mesh("second", {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}, {0, 0, 2}}, {{0, 1, 2}, {1, 3, 2}});
    Model* model = load(c.close(), &library);

    ASSERT_EQ(library.models.count(), 1);
    ASSERT_EQ(model->objects.count(), 2);
    EXPECT_EQ(model->vertices.count(), 7);
    Object *p = object(model, 0), *second = object(model, 1);
    // Indices are absolute; objects hold the model's own records.
    const Face* face = second->faces.at(0);
    EXPECT_EQ(std::vector<std::uint32_t>(face->vertexIndex, face->vertexIndex + 3),
              (std::vector<std::uint32_t>{3, 4, 5}));
    EXPECT_EQ(second->faces.at(1), model->faces.at(2));
    EXPECT_EQ(second->vertices.at(0), model->vertices.at(3));

    // (x, y, z) -> (x, -z, y); every object is centred, then gets normals.
    EXPECT_EQ(xyz(p->vertices.at(2)->eyePosition), (std::vector<double>{1, -3, 6}));
    EXPECT_EQ(xyz(p->position), (std::vector<double>{2, -3, 4}));
    EXPECT_EQ(xyz(p->vertices.at(0)->position), (std::vector<double>{-1, 0, -2}));
    EXPECT_EQ(xyz(p->vertices.at(1)->normal), (std::vector<double>{0, -1, 0}));
    // Mappings are negated; corners take their vertex's.
    const Face* f = p->faces.at(0);
    EXPECT_EQ(std::vector<float>(f->cornerU, f->cornerU + 3), (std::vector<float>{0.0f, -0.25f, -1.0f}));
    EXPECT_EQ(std::vector<float>(f->cornerV, f->cornerV + 3), (std::vector<float>{-2.0f, -0.5f, 0.75f}));
}

// The n-th entry of any face material chunk is the file's n-th face record
// (dropped ones included), and the n-th mapping the model's n-th vertex,
// whatever numbers the entries give and whichever object they sit in.
TEST_F(Load3ds, MaterialAndMappingEntriesCountOverTheWholeFile) {
    Qu::TextureKey* bark = addKey("bark");
    Qu::TextureKey* leaf = addKey("leaf");
    Chunks c = Chunks::file();
    // File face a1 names vertex 3 of a 3-vertex object and is dropped.
    c.object("a").vertices(triangle).mappings({{0.1f, 0.1f}, {0.2f, 0.2f}});
    c.faces({{0, 1, 2}, {0, 1, 3}, {1, 2, 0}}).faceMaterial("bark", {9, 4}).faceMaterial("leaf", {0});
    c.end().end().end();
    // Object b lists its faces before its vertices: indices are resolved
    // when the object ends, so b0 and b2 stay; "plain" has no key. Its
    // mappings go on at model vertex 2, one entry past the last vertex.
    c.object("b").faces({{0, 1, 2}, {2, 1, 3}, {2, 1, 0}}).faceMaterial("bark", {0, 1});
    c.faceMaterial("plain", {2}).end().vertices(triangle);
    c.mappings({{0.3f, 0.3f}, {0.4f, 0.4f}, {0.5f, 0.5f}, {0.6f, 0.6f}, {0.7f, 0.7f}});
    Model* model = load(c.close(), &library);

    ASSERT_EQ(model->objects.count(), 2);
    EXPECT_EQ(object(model, 0)->faces.count(), 2);
    ASSERT_EQ(model->faces.count(), 4);
    const Qu::TextureKey* expected[4] = {bark, leaf, bark, nullptr};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(model->faces.at(i)->texture, expected[i]) << "face " << i;
    EXPECT_EQ(model->faces.at(1)->vertexIndex[0], 1u);   // file face a2
    EXPECT_EQ(model->faces.at(3)->vertexIndex[2], 3u);   // base 3 + file index 0
    const float expectedU[6] = {-0.1f, -0.2f, -0.3f, -0.4f, -0.5f, -0.6f};
    for (int i = 0; i < 6; ++i) EXPECT_FLOAT_EQ(model->vertices.at(i)->u, expectedU[i]) << "vertex " << i;
}

// Maps: the TGA of the base name under the material's key, the texture map
// and the bump map alike. Object and material names are echoed as read,
// without separators and uncut; the kept names are cut to 255 bytes.
TEST_F(Load3ds, MapFileNamesBecomeTgaPathsAndNamesAreEchoedAndCutToTheirBuffers) {
    Chunks c = Chunks::file();
    c.material("grass01", {"GRASS.BMP"});
    c.material("bark", {"tree.bark.jpg", "BUMP.TGA"});
    c.material("dotless", {"PINE"});
    c.material(std::string(300, 'k'), {std::string(400, 'M') + ".JPG"});
    c.object(std::string(1000, 'n')).vertices(triangle).faces({{0, 1, 2}}).faceMaterial("bark", {0});
    std::FILE* echo = std::tmpfile();
    ASSERT_NE(echo, nullptr);
    Model* model = load(c.close(), nullptr, echo);

    std::rewind(echo);
    std::string echoed(2000, '\0');
    echoed.resize(std::fread(&echoed[0], 1, echoed.size(), echo));
    std::fclose(echo);
    EXPECT_EQ(echoed, "grass01barkdotless" + std::string(300, 'k') + std::string(1000, 'n'));
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
    EXPECT_EQ(model->faces.count(), 1);   // the walk goes on after the name
}

// --- Bad files -------------------------------------------------------------

// Chunks that are unlisted, ignored, too short, too long or too deep, and
// counts and names that reach past their chunk: each ends at most its own
// level, and only what is there is read.
TEST_F(Load3ds, OddAndBrokenChunksEndOnlyTheirLevel) {
    struct Case {
        std::string what;
        Bytes file;
        std::vector<std::string> names;
        int vertices, faces;
    };
    std::vector<Case> cases;
    for (std::uint32_t length : {0u, 1u, 5u}) {   // shorter than a header
        Chunks c = Chunks::file();
        c.mesh("before", triangle, {{0, 1, 2}}).raw(0x4000, length).text("x");
        c.mesh("after", triangle, {});
        cases.push_back({"length " + std::to_string(length), c.close(), {"before"}, 3, 1});
    }
    {   // past its parent: the parent's siblings are still read
        Chunks c = Chunks::file();
        c.object("broken").raw(0x4110, 5000).u16(3).end().end();
        c.mesh("sound", triangle, {{0, 1, 2}});
        cases.push_back({"past the parent", c.close(), {"broken", "sound"}, 3, 1});
    }
    {
        Chunks hidden;   // an object block inside an unlisted chunk
        hidden.mesh("hidden", triangle, {{0, 1, 2}});
        Chunks c = Chunks::file();
        // Geometry before any object block has no owner.
        c.begin(0x4100).vertices(triangle).faces({{0, 1, 2}}).end().end();
        c.begin(0x7777).chars(std::string(hidden.bytes.begin(), hidden.bytes.end()));
        c.end().object("seen").vertices(triangle).begin(0x4160);   // local matrix
        for (int i = 0; i < 12; ++i) c.f32(1.0f);
        c.end().faces({{0, 1, 2}}).begin(0x4150).le(1, 4).end().end();   // smoothing groups
        // A light reads a 12-byte position, then its sub-chunks: a vertex
        // list there still lands in the last object.
        c.end().begin(0x4600).f32(0).f32(0).f32(0).vertices({{8, 0, 0}}).end().end();
        c.begin(0xB000).begin(0xB008).le(0, 4).le(100, 4).end().end();
        cases.push_back({"unlisted and ignored", c.close(), {"seen"}, 4, 1});
    }
    {
        Chunks c = Chunks::file();
        c.object("a").vertices(triangle, 65535);
        c.begin(0x4140).u16(65535).f32(0.5f).f32(0.5f).end();
        // A short face list ends before its sub-chunks would be read: the
        // first 8 bytes of the material chunk make one more face record
        // (index 0x4130, out of range), then the list is short.
        c.begin(0x4120).u16(65535).u16(0).u16(1).u16(2).u16(0).faceMaterial("x", {0}).end().end().end();
        c.begin(0x4000).chars("abc").end();   // a name without its terminator
        // Seven bytes left in a face list are no record, nor chunks to walk.
        c.object("b").begin(0x4120).u16(2).le(0, 8).raw(0x4000, 7).le(0, 1);
        cases.push_back({"counts and names beyond", c.close(), {"a", "abc", "b"}, 3, 1});
    }
    Bytes nested;
    for (std::uint32_t length = 200000 * 6; length > 0; length -= 6)
        nested.insert(nested.end(), {0x4D, 0x4D, std::uint8_t(length), std::uint8_t(length >> 8),
                                     std::uint8_t(length >> 16), std::uint8_t(length >> 24)});
    cases.push_back({"200000 levels deep", nested, {}, 0, 0});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Model* model = load(c.file);
        std::vector<std::string> names;
        for (int i = 0; i < model->objects.count(); ++i) names.push_back(model->objects.at(i)->name());
        EXPECT_EQ(names, c.names);
        EXPECT_EQ(model->vertices.count(), c.vertices);
        EXPECT_EQ(model->faces.count(), c.faces);
    }
}

// Random damage to a file with every handler: whatever is read must be
// consistent, each face indexing its own object's vertices. ASan checks the reads.
TEST_F(Load3ds, RandomlyDamagedFilesLoadCleanly) {
    Chunks c = Chunks::file();
    c.material("grass01", {"GRASS.BMP", "MISSING.TGA"});   // the bump map is never loaded
    for (int o = 0; o < 3; ++o) {
        c.object("object" + std::to_string(o)).vertices({{0, 0, float(o)}, {1, 0, 0}, {0, 1, 0}, {1, 1, 1}});
        c.mappings({{0.1f, 0.2f}, {0.3f, 0.4f}, {0.5f, 0.6f}, {0.7f, 0.8f}});
        c.faces({{0, 1, 2}, {1, 3, 2}}).faceMaterial("grass01", {0, 1}).end().end().end();
    }
    const Bytes whole = c.close();
    ASSERT_EQ(load(whole)->faces.count(), 6);
    std::mt19937 random(99);
    for (int round = 0; round < 3000; ++round) {
        Bytes damaged = whole;
        for (int hits = 1 + int(random() % 4); hits > 0; --hits)
            damaged[random() % damaged.size()] = std::uint8_t(random());
        Model* model = load(damaged);
        for (std::int32_t o = 0; o < model->objects.count(); ++o) {
            const Object* obj = object(model, o);
            for (std::int32_t f = 0; f < obj->faces.count(); ++f)
                for (std::uint32_t index : obj->faces.at(f)->vertexIndex)
                    ASSERT_TRUE(index - std::uint32_t(obj->vertexBase) < std::uint32_t(obj->vertices.count()))
                        << "round " << round << ": index " << index << ", base " << obj->vertexBase;
        }
    }
}

// --- Independent evidence --------------------------------------------------

// Object names with face counts as assimp's importer sees them: one node
// with meshes per object block (meshes split by material), depth first.
void collectNodes(const aiScene* scene, const aiNode* node, std::vector<std::pair<std::string, int>>& out) {
    if (node->mNumMeshes > 0) {
        int faces = 0;
        for (unsigned m = 0; m < node->mNumMeshes; ++m) faces += int(scene->mMeshes[node->mMeshes[m]]->mNumFaces);
        out.emplace_back(node->mName.C_Str(), faces);
    }
    for (unsigned i = 0; i < node->mNumChildren; ++i) collectNodes(scene, node->mChildren[i], out);
}

// Two real files: the objects, their face counts and their maps must be the
// ones assimp's importer finds.
TEST_F(Load3ds, RealFilesAgreeWithAssimp) {
    for (const char* name : {"test1.3ds", "cube_with_diffuse_texture.3DS"}) {
        SCOPED_TRACE(name);
        Bytes bytes;
        ASSERT_TRUE(platform::readWholeFile(testsupport::sharedTestData() + "/3ds/" + name, bytes));
        textureLoads.clear();
        Model* model = load(bytes);
        Assimp::Importer importer;
        const aiScene* scene = importer.ReadFileFromMemory(bytes.data(), bytes.size(), 0, "3ds");
        ASSERT_NE(scene, nullptr) << importer.GetErrorString();
        std::vector<std::pair<std::string, int>> theirs, ours;
        collectNodes(scene, scene->mRootNode, theirs);
        for (int o = 0; o < model->objects.count(); ++o)
            ours.emplace_back(object(model, o)->name(), object(model, o)->faces.count());
        std::sort(ours.begin(), ours.end());
        std::sort(theirs.begin(), theirs.end());
        EXPECT_EQ(ours, theirs);
        // Every material map assimp reports is asked for under its material
        // name, as a TGA of the same base name.
        for (unsigned m = 0; m < scene->mNumMaterials; ++m) {
            aiString material, map;
            if (scene->mMaterials[m]->GetTexture(aiTextureType_DIFFUSE, 0, &map) != AI_SUCCESS) continue;
            scene->mMaterials[m]->Get(AI_MATKEY_NAME, material);
            const std::string base = std::string(map.C_Str()).substr(0, std::string(map.C_Str()).find('.'));
            const TextureLoad expected{material.C_Str(), "data//" + base + ".tga", base};
            EXPECT_NE(std::find(textureLoads.begin(), textureLoads.end(), expected), textureLoads.end())
                << "no load for " << expected[0];
        }
    }
}

}  // namespace
