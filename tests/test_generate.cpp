// The data generator: its 3DS and MP3 writers read back by assimp and the
// demo's decoder (TGA files: test_show), and the whole data set: written the
// same twice, passed by the data check, a damaged copy reported exactly (also
// by the gravlet-data binary).
#include <gtest/gtest.h>

#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <map>

#include "platform/sound.h"
#include "support/paths.h"
#include "support/tool_files.h"
#include "tools/generate/data_check.h"
#include "tools/generate/data_set.h"
#include "tools/generate/models.h"
#include "tools/generate/mp3_writer.h"
#include "tools/generate/tga_writer.h"

namespace {

namespace fs = std::filesystem;
using namespace gen;
using testsupport::Bytes;
using Lines = std::vector<std::string>;

// One object as a reader sees it: name, faces per material and the
// file-coordinate box around its vertices.
struct SeenObject {
    std::string name;
    std::map<std::string, int> faces;
    aiVector3D low{1e30f, 1e30f, 1e30f}, high{-1e30f, -1e30f, -1e30f};
    void include(const aiVector3D& p) {
        low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
        high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
    }
};

// Nodes that hold meshes, depth first; assimp splits an object's mesh per
// material. The file's vertices are world positions, so every node must
// keep the identity transform.
void collect(const aiScene* scene, const aiNode* node, std::vector<SeenObject>& out) {
    if (node->mNumMeshes > 0) {
        EXPECT_TRUE(node->mTransformation.IsIdentity()) << node->mName.C_Str() << " is moved";
        SeenObject object{node->mName.C_Str(), {}};
        for (unsigned m = 0; m < node->mNumMeshes; ++m) {
            const aiMesh* mesh = scene->mMeshes[node->mMeshes[m]];
            object.faces[scene->mMaterials[mesh->mMaterialIndex]->GetName().C_Str()] += int(mesh->mNumFaces);
            for (unsigned v = 0; v < mesh->mNumVertices; ++v) object.include(mesh->mVertices[v]);
        }
        out.push_back(object);
    }
    for (unsigned i = 0; i < node->mNumChildren; ++i) collect(scene, node->mChildren[i], out);
}

void expectAssimpAgrees(const Model3ds& model) {
    std::string error;
    const Bytes bytes = encode3ds(model, &error);
    ASSERT_FALSE(bytes.empty()) << error;
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFileFromMemory(bytes.data(), bytes.size(), 0, "3ds");
    ASSERT_NE(scene, nullptr) << importer.GetErrorString();
    std::vector<SeenObject> assimp;
    collect(scene, scene->mRootNode, assimp);
    ASSERT_EQ(assimp.size(), model.objects.size());
    for (std::size_t i = 0; i < assimp.size(); ++i) {
        const MeshObject& object = model.objects[i];
        SeenObject written{object.name, {}};
        for (const MeshFace& face : object.faces) ++written.faces[model.materials[face.material].name];
        for (const MeshVertex& v : object.vertices) written.include(aiVector3D(v.x, v.z, -v.y));
        EXPECT_EQ(assimp[i].name, object.name);
        EXPECT_EQ(assimp[i].faces, written.faces) << object.name;
        EXPECT_TRUE(assimp[i].low.Equal(written.low, 1e-3f) && assimp[i].high.Equal(written.high, 1e-3f))
            << object.name << " lies elsewhere";
    }
}

// Materials beta, beta, alpha, beta: three runs in the second object.
Model3ds twoObjectModel() {
    Model3ds model;
    model.materials = {{"alpha", "alpha.tga"}, {"beta", "BETA.PNG"}};
    model.objects = {{"first", {{1, 2, 3, 0.25f, 0.5f}, {4, 5, 6, 1, 0}, {7, 8, 9, 0, 1}}, {{0, 1, 2, 0}}},
                     {"Logo2", {{0, 0, 0}, {1, 0, 0}, {1, -1, 0}, {0, -1, 0}},
                      {{0, 1, 2, 1}, {0, 2, 3, 1}, {0, 3, 1, 0}, {1, 2, 3, 1}}}};
    return model;
}

// (gravlet-data check reads the generated ones with the engine's reader.)
TEST(ModelWriter, HandMadeAndGeneratedModelsReadTheSameInAssimp) {
    expectAssimpAgrees(twoObjectModel());
    ASSERT_EQ(modelJobs().size(), 9u);
    for (const ModelJob& job : modelJobs()) {
        SCOPED_TRACE(job.file);
        expectAssimpAgrees(job.build());
    }
}

TEST(ModelWriter, RefusesWhatTheReaderCannotTakeWithAReason) {
    const std::vector<std::pair<std::function<void(Model3ds&)>, const char*>> cases = {
        {[](Model3ds& m) { m.objects[0].faces[0].c = 3; }, "face index out of range"},
        {[](Model3ds& m) { m.materials[0].mapFile = "maps/alpha.tga"; }, "no folders"},
        {[](Model3ds& m) { m.objects[0].vertices.resize(65536); }, "65535 vertices"},
        {[](Model3ds& m) { m.objects[1].vertices.resize(65535); }, nullptr},   // fits the 16-bit count
    };
    for (const auto& [damage, reason] : cases) {
        Model3ds model = twoObjectModel();
        damage(model);
        std::string error;
        EXPECT_EQ(encode3ds(model, &error).empty(), reason != nullptr) << error;
        if (reason) { EXPECT_NE(error.find(reason), std::string::npos) << error; }
    }
}

TEST(Mp3Writer, DecodersGetBackTheSamplesThatWentIn) {
    const std::string dir = testsupport::makeTempDir();
    // A rising tone, several encoder chunks long: any sample out of place shows.
    const int frames = 30000;
    std::vector<std::int16_t> pcm(2 * frames);
    for (int f = 0; f < frames; ++f) pcm[2 * f] = pcm[2 * f + 1] = std::int16_t(8000 * std::sin(2e-5 * f * f));
    std::string error;
    ASSERT_TRUE(writeMp3(dir + "/a.mp3", pcm.data(), frames, Mp3Settings(), &error)) << error;
    const Bytes bytes = testsupport::readBytes(dir + "/a.mp3");
    std::vector<std::int16_t> decoded;
    ASSERT_TRUE(platform::sound::decodeAll(bytes.data(), bytes.size(), 44100, &decoded));
    ASSERT_EQ(decoded.size(), pcm.size());
    double error2 = 0, signal2 = 0;
    for (std::size_t i = 0; i < pcm.size(); ++i) {
        error2 += std::pow(double(decoded[i]) - pcm[i], 2);
        signal2 += std::pow(double(pcm[i]), 2);
    }
    EXPECT_LT(error2, 0.05 * signal2) << "decoded samples differ from the input";
    fs::remove_all(dir);
}

Lines sorted(Lines lines) {
    std::sort(lines.begin(), lines.end());
    return lines;
}

// One test, so the data set is generated only twice: once to check, once
// to compare with and then to damage.
TEST(DataSet, WrittenTheSameTwicePassesTheCheckAndADamagedCopyIsReportedExactly) {
    const std::string a = testsupport::makeTempDir(), b = testsupport::makeTempDir(), data = b + "/data/";
    GenerateOptions options;
    options.placeholderMusic = true;
    int announced = 0;
    options.progress = [&](const std::string&, int index, int) { EXPECT_EQ(index, announced++); };
    std::string error;
    ASSERT_TRUE(generateDataSet(a, options, &error)) << error;
    EXPECT_EQ(announced, int(dataSetFiles().size()));
    options.progress = nullptr;
    ASSERT_TRUE(generateDataSet(b, options, &error)) << error;
    for (const std::string& file : dataSetFiles()) {
        const Bytes first = testsupport::readBytes(a + "/" + file);
        EXPECT_TRUE(!first.empty() && first == testsupport::readBytes(b + "/" + file)) << file;
    }

    const CheckReport report = checkDataSet(a);
    EXPECT_EQ(report.problems, Lines());
    // The placeholder music is a few seconds long; nothing else is amiss.
    EXPECT_EQ(report.warnings,
              Lines{"soundtrack data/music/vopa.mp3 lasts 4.0 s, shorter than the 340 s timeline"});

    for (const char* file : {"fogz1.tga", "needles.tga"}) fs::remove(data + file);
    fs::resize_file(data + "sun2.tga", 1000);
    // Sides not a power of two, or longer than 2048.
    ASSERT_TRUE(writeTga(data + "starmap.tga", 256, 200, Bytes(256 * 200 * 3).data(), &error));
    ASSERT_TRUE(writeTga(data + "pilo.tga", 4096, 1, Bytes(4096 * 3).data(), &error));
    // A model without the names its scene animates, with a key the program loads itself.
    Model3ds rock;
    rock.materials = {{"rockface", "wt.tga"}, {"wt", "wt.tga"}};
    rock.objects = {{"rock", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2, 0}, {0, 2, 1, 1}}}};
    ASSERT_TRUE(write3ds(data + "asmtest2.3ds", rock, &error)) << error;
    const CheckReport damaged = checkDataSet(b);
    EXPECT_EQ(sorted(damaged.problems), sorted({"missing: data/fogz1.tga",
                                                "missing: data/needles.tga (map of data/forresta.3ds)",
                                                "unreadable TGA: data/sun2.tga (pixel data cut short)"}));
    Lines warnings = report.warnings;   // the short music, then the damage
    warnings.insert(warnings.end(), {"not power-of-two (at most 2048): data/starmap.tga is 256x200",
                      "not power-of-two (at most 2048): data/pilo.tga is 4096x1",
                      "data/asmtest2.3ds: material \"wt\" shares a key the program loads itself"});
    for (const std::string& name : expectedMeshNames("asmtest2.3ds"))
        warnings.push_back("data/asmtest2.3ds lacks " + (name.back() == '*' ? "meshes named " +
                           name.substr(0, name.size() - 1) + "..." : "mesh \"" + name + "\""));
    EXPECT_EQ(sorted(damaged.warnings), sorted(warnings));
    const testsupport::CommandRun failed =
        testsupport::runCommand(std::string(GRAVLET_DATA_TOOL) + " check " + b);
    EXPECT_EQ(failed.status, 1);
    EXPECT_NE(failed.out.find("error: missing: data/fogz1.tga\n"), std::string::npos) << failed.out;
    fs::remove_all(a);
    fs::remove_all(b);
}

}  // namespace
