// The generator's 3DS files as assimp, an independent reader, sees them:
// the same objects under the same names with the same faces as the
// engine's reader, at the positions written; and the node block that makes
// assimp keep the names changes nothing the engine reads.
#include <gtest/gtest.h>

#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "resources/load3ds.h"
#include "resources/model.h"
#include "support/paths.h"
#include "tools/generate/model_writer.h"
#include "tools/generate/models.h"

namespace {

using namespace gen;
using Bytes = std::vector<std::uint8_t>;

// One object as a reader sees it: name, faces, and the file-coordinate box
// around its vertices.
struct SeenObject {
    std::string name;
    int faces = 0;
    aiVector3D low{1e30f, 1e30f, 1e30f}, high{-1e30f, -1e30f, -1e30f};
    void include(const aiVector3D& p) {
        low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
        high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
    }
};

bool isIdentity(const aiMatrix4x4& m) {
    const aiMatrix4x4 identity;
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
            if (m[row][column] != identity[row][column]) return false;
    return true;
}

// Nodes that hold meshes, depth first; assimp splits an object's mesh per
// material, so an object's faces are the sum over its node's meshes. A node
// whose transform is not the identity is reported: the file's vertices are
// world positions, and the box is taken from the mesh data alone.
void collect(const aiScene* scene, const aiNode* node, std::vector<SeenObject>& out) {
    if (node->mNumMeshes > 0) {
        EXPECT_TRUE(isIdentity(node->mTransformation)) << node->mName.C_Str() << " is moved";
        SeenObject object;
        object.name = node->mName.C_Str();
        for (unsigned m = 0; m < node->mNumMeshes; ++m) {
            const aiMesh* mesh = scene->mMeshes[node->mMeshes[m]];
            object.faces += int(mesh->mNumFaces);
            for (unsigned v = 0; v < mesh->mNumVertices; ++v) object.include(mesh->mVertices[v]);
        }
        out.push_back(object);
    }
    for (unsigned i = 0; i < node->mNumChildren; ++i) collect(scene, node->mChildren[i], out);
}

std::vector<SeenObject> readWithAssimp(const Bytes& bytes) {
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFileFromMemory(bytes.data(), bytes.size(), 0, "3ds");
    std::vector<SeenObject> objects;
    if (!scene) {
        ADD_FAILURE() << importer.GetErrorString();
        return objects;
    }
    collect(scene, scene->mRootNode, objects);
    return objects;
}

Qu::Load3dsOptions quietOptions() {
    Qu::Load3dsOptions options;
    options.echo = nullptr;
    options.textureLoad = [](const char*, const char*, const char*) {};
    return options;
}

// Name and face count of every object the engine's reader makes.
std::vector<SeenObject> summarise(Qu::Model* model) {
    std::vector<SeenObject> objects;
    for (int i = 0; i < model->objects.count(); ++i) {
        const auto* object = static_cast<Qu::Object*>(model->objects.at(i));
        SeenObject seen;
        seen.name = object->name();
        seen.faces = object->faces.count();
        objects.push_back(seen);
    }
    return objects;
}

std::vector<SeenObject> readWithEngine(const std::string& path) {
    Qu::Model* model = Qu::load3ds(path.c_str(), nullptr, quietOptions());
    if (!model) {
        ADD_FAILURE() << "engine reader cannot open " << path;
        return {};
    }
    std::vector<SeenObject> objects = summarise(model);
    Qu::deleteModel(model);
    return objects;
}

std::vector<SeenObject> readWithEngine(const Bytes& bytes) {
    Qu::Model* model = Qu::load3dsFromMemory(bytes.data(), bytes.size(), nullptr, quietOptions());
    std::vector<SeenObject> objects = summarise(model);
    Qu::deleteModel(model);
    return objects;
}

Bytes readBytes(const std::string& path) {
    Bytes bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return bytes;
    std::uint8_t buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(file);
    return bytes;
}

// The written box of an object in file coordinates: engine (X, Y, Z) is
// file (X, Z, -Y).
SeenObject writtenBox(const MeshObject& object) {
    SeenObject seen;
    seen.name = object.name;
    seen.faces = int(object.faces.size());
    for (const MeshVertex& v : object.vertices) seen.include(aiVector3D(v.x, v.z, -v.y));
    return seen;
}

void expectSameBox(const SeenObject& read, const SeenObject& written) {
    const float tolerance = 1e-3f;
    EXPECT_NEAR(read.low.x, written.low.x, tolerance) << written.name;
    EXPECT_NEAR(read.low.y, written.low.y, tolerance) << written.name;
    EXPECT_NEAR(read.low.z, written.low.z, tolerance) << written.name;
    EXPECT_NEAR(read.high.x, written.high.x, tolerance) << written.name;
    EXPECT_NEAR(read.high.y, written.high.y, tolerance) << written.name;
    EXPECT_NEAR(read.high.z, written.high.z, tolerance) << written.name;
}

std::uint32_t u32At(const Bytes& b, std::size_t at) {
    return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
           std::uint32_t(b[at + 3]) << 24;
}

// The file without its trailing top-level chunk with identifier `id`
// (the main chunk's length patched); empty when the last one is another.
Bytes withoutLastTopChunk(const Bytes& bytes, std::uint16_t id) {
    std::size_t pos = 6, last = 0;
    while (pos + 6 <= bytes.size()) {
        last = pos;
        pos += u32At(bytes, pos + 2);
    }
    if (last == 0 || pos != bytes.size() || (bytes[last] | bytes[last + 1] << 8) != id) return {};
    Bytes cut(bytes.begin(), bytes.begin() + std::ptrdiff_t(last));
    for (int i = 0; i < 4; ++i) cut[2 + std::size_t(i)] = std::uint8_t(cut.size() >> (8 * i));
    return cut;
}

// ------------------------------------------------------------ small model

// Two objects whose faces alternate between two materials, so assimp
// splits each into several meshes.
Model3ds twoObjects() {
    Model3ds model;
    model.materials = {{"stone", "stone.tga"}, {"moss", "moss.tga"}};
    for (int o = 0; o < 2; ++o) {
        MeshObject object;
        object.name = o == 0 ? "wall" : "Logo2";
        for (int i = 0; i < 5; ++i)
            object.vertices.push_back({float(100 * o + i), float(-3 * i), float(7 - i), 0.25f * float(i), 0.5f});
        object.faces = {{0, 1, 2, 0}, {1, 2, 3, 1}, {2, 3, 4, 0}, {0, 3, 4, 1}};
        if (o == 1) object.faces.pop_back();
        model.objects.push_back(object);
    }
    return model;
}

TEST(WrittenModelInAssimp, KeepsObjectNamesFaceCountsAndWorldPositions) {
    const Model3ds model = twoObjects();
    std::string error;
    const Bytes bytes = encode3ds(model, &error);
    ASSERT_FALSE(bytes.empty()) << error;
    const std::vector<SeenObject> seen = readWithAssimp(bytes);
    ASSERT_EQ(seen.size(), 2u);
    for (std::size_t i = 0; i < seen.size(); ++i) {
        const SeenObject written = writtenBox(model.objects[i]);
        EXPECT_EQ(seen[i].name, written.name);
        EXPECT_EQ(seen[i].faces, written.faces);
        expectSameBox(seen[i], written);
    }
}

TEST(WrittenModelInAssimp, NodeBlockIsLastAndTheEngineReadsTheSameWithoutIt) {
    const Model3ds model = twoObjects();
    std::string error;
    const Bytes bytes = encode3ds(model, &error);
    ASSERT_FALSE(bytes.empty()) << error;
    const Bytes cut = withoutLastTopChunk(bytes, 0xB000);
    ASSERT_FALSE(cut.empty()) << "no node block at the end of the main chunk";
    ASSERT_LT(cut.size(), bytes.size());

    Qu::Model* full = Qu::load3dsFromMemory(bytes.data(), bytes.size(), nullptr, quietOptions());
    Qu::Model* bare = Qu::load3dsFromMemory(cut.data(), cut.size(), nullptr, quietOptions());
    ASSERT_EQ(full->objects.count(), 2);
    ASSERT_EQ(bare->objects.count(), full->objects.count());
    ASSERT_EQ(bare->vertices.count(), full->vertices.count());
    ASSERT_EQ(bare->faces.count(), full->faces.count());
    for (int i = 0; i < full->objects.count(); ++i) {
        auto* a = static_cast<Qu::Object*>(full->objects.at(i));
        auto* b = static_cast<Qu::Object*>(bare->objects.at(i));
        EXPECT_STREQ(a->name(), b->name());
        EXPECT_EQ(a->faces.count(), b->faces.count());
        EXPECT_EQ(a->vertices.count(), b->vertices.count());
        EXPECT_EQ(a->position.x, b->position.x);
        EXPECT_EQ(a->position.y, b->position.y);
        EXPECT_EQ(a->position.z, b->position.z);
    }
    Qu::deleteModel(full);
    Qu::deleteModel(bare);
}

// ------------------------------------------------------------ the nine models

class GeneratedModelsInAssimp : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder = new std::string(testsupport::makeTempDir());
        built = new std::vector<Model3ds>;
        for (const ModelJob& job : modelJobs()) built->push_back(job.build());
    }
    static void TearDownTestSuite() {
        delete built;
        delete folder;
    }
    static std::string* folder;
    static std::vector<Model3ds>* built;
};
std::string* GeneratedModelsInAssimp::folder = nullptr;
std::vector<Model3ds>* GeneratedModelsInAssimp::built = nullptr;

TEST_F(GeneratedModelsInAssimp, EveryModelHasTheEngineReadersObjectNamesAndFaceCounts) {
    ASSERT_EQ(built->size(), modelJobs().size());
    ASSERT_FALSE(built->empty());
    for (std::size_t m = 0; m < built->size(); ++m) {
        const std::string path = *folder + "/" + modelJobs()[m].file;
        SCOPED_TRACE(path);
        std::string error;
        ASSERT_TRUE(write3ds(path, (*built)[m], &error)) << error;
        const std::vector<SeenObject> engine = readWithEngine(path);
        const std::vector<SeenObject> assimp = readWithAssimp(readBytes(path));
        ASSERT_EQ(engine.size(), (*built)[m].objects.size());
        ASSERT_EQ(assimp.size(), engine.size());
        for (std::size_t i = 0; i < engine.size(); ++i) {
            EXPECT_EQ(assimp[i].name, engine[i].name);
            EXPECT_EQ(assimp[i].faces, engine[i].faces) << engine[i].name;
            EXPECT_EQ(engine[i].name, (*built)[m].objects[i].name);
        }
    }
}

TEST_F(GeneratedModelsInAssimp, EveryObjectStaysWhereItWasWritten) {
    for (const Model3ds& model : *built) {
        std::string error;
        const Bytes bytes = encode3ds(model, &error);
        ASSERT_FALSE(bytes.empty()) << error;
        const std::vector<SeenObject> assimp = readWithAssimp(bytes);
        ASSERT_EQ(assimp.size(), model.objects.size());
        for (std::size_t i = 0; i < assimp.size(); ++i) expectSameBox(assimp[i], writtenBox(model.objects[i]));
    }
}

TEST_F(GeneratedModelsInAssimp, TheEngineReadsTheSameWithoutTheNodeBlock) {
    for (const Model3ds& model : *built) {
        std::string error;
        const Bytes bytes = encode3ds(model, &error);
        ASSERT_FALSE(bytes.empty()) << error;
        const Bytes cut = withoutLastTopChunk(bytes, 0xB000);
        ASSERT_FALSE(cut.empty());
        const std::vector<SeenObject> full = readWithEngine(bytes), bare = readWithEngine(cut);
        ASSERT_EQ(full.size(), bare.size());
        for (std::size_t i = 0; i < full.size(); ++i) {
            EXPECT_EQ(full[i].name, bare[i].name);
            EXPECT_EQ(full[i].faces, bare[i].faces);
        }
    }
}

}  // namespace
