// The data generator: its TGA, 3DS and MP3 writers read back by the
// engine's readers and by independent ones (assimp for 3DS, an own chunk
// walk), the rules the scenes' build-ups and cameras impose on the models,
// and determinism.
#include <gtest/gtest.h>

#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <tuple>

#include "platform/sound.h"
#include "resources/load3ds.h"
#include "resources/model.h"
#include "resources/texture_library.h"
#include "support/paths.h"
#include "support/tool_files.h"
#include "tools/generate/data_set.h"
#include "tools/generate/mesh.h"
#include "tools/generate/models.h"
#include "tools/generate/mp3_writer.h"
#include "tools/generate/textures.h"
#include "tools/generate/tga_writer.h"

namespace {

using namespace gen;
using testsupport::Bytes;

// ---------------------------------------------------------------- TGA

TEST(TgaWriter, UncompressedBottomRowFirstAndTheEngineSwapsBackToRgb) {
    // Two rows: top row red then green, bottom row blue then white.
    const std::uint8_t rgb[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    const Bytes file = encodeTga(2, 2, rgb);
    ASSERT_EQ(file.size(), 18u + 12);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 3), (Bytes{0, 0, 2}));   // no ID, no colour map, true-colour
    EXPECT_EQ(file[16], 24);
    EXPECT_EQ(file[17] & 0x20, 0);   // origin at the bottom
    Qu::Image image;
    ASSERT_EQ(Qu::decodeTga(file.data(), file.size(), image), Qu::TgaStatus::ok);
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.height, 2);
    // Texel (0, 0) is the first pixel of the file: the picture's bottom left.
    EXPECT_EQ(Bytes(image.pixels, image.pixels + 12), (Bytes{0, 0, 255, 255, 255, 255, 255, 0, 0, 0, 255, 0}));
    delete[] image.pixels;

    const Bytes tall = encodeTga(1, 300, Bytes(900, 7).data());
    ASSERT_EQ(Qu::decodeTga(tall.data(), tall.size(), image), Qu::TgaStatus::ok);
    EXPECT_EQ(image.height, 300);
    delete[] image.pixels;
    // Sizes the header cannot hold are refused.
    EXPECT_TRUE(encodeTga(0, 1, rgb).empty());
    EXPECT_TRUE(encodeTga(1, 65536, tall.data()).empty());
    EXPECT_TRUE(encodeTga(1, 1, nullptr).empty());
}

// ---------------------------------------------------------------- 3DS

// An independent walk of the chunk tree: per object its name, the counts
// its chunks declare and its face-material runs.
struct WalkedObject {
    std::string name;
    int vertices = -1, mappings = -1, faces = -1;
    std::vector<std::pair<std::string, std::vector<int>>> faceMaterials;   // name, face numbers
};

struct Walk {
    std::vector<std::string> materials, maps;
    std::vector<WalkedObject> objects;
    bool sizesConsistent = true;
};

std::uint16_t u16(const Bytes& b, std::size_t at) { return std::uint16_t(b[at] | b[at + 1] << 8); }
std::uint32_t u32(const Bytes& b, std::size_t at) { return u16(b, at) | std::uint32_t(u16(b, at + 2)) << 16; }
std::string text(const Bytes& b, std::size_t& at) {
    std::string s;
    while (at < b.size() && b[at]) s += static_cast<char>(b[at++]);
    ++at;
    return s;
}

void walkChunks(const Bytes& b, std::size_t begin, std::size_t end, Walk& walk) {
    for (std::size_t at = begin; at + 6 <= end;) {
        const std::uint16_t id = u16(b, at);
        const std::uint32_t length = u32(b, at + 2);
        if (length < 6 || at + length > end) {
            walk.sizesConsistent = false;
            return;
        }
        const std::size_t body = at + 6, stop = at + length;
        std::size_t p = body;
        WalkedObject* object = walk.objects.empty() ? nullptr : &walk.objects.back();
        switch (id) {
        case 0x4D4D: case 0x3D3D: case 0xAFFF: case 0x4100: case 0xA200: walkChunks(b, body, stop, walk); break;
        case 0xA000: walk.materials.push_back(text(b, p)); break;
        case 0xA300: walk.maps.push_back(text(b, p)); break;
        case 0x4000: walk.objects.emplace_back(); walk.objects.back().name = text(b, p); walkChunks(b, p, stop, walk); break;
        case 0x4110: object->vertices = u16(b, body); walk.sizesConsistent &= body + 2 + 12 * u16(b, body) == stop; break;
        case 0x4140: object->mappings = u16(b, body); walk.sizesConsistent &= body + 2 + 8 * u16(b, body) == stop; break;
        case 0x4120: object->faces = u16(b, body); walkChunks(b, body + 2 + 8 * u16(b, body), stop, walk); break;
        case 0x4130: {
            const std::string name = text(b, p);
            std::vector<int> numbers(u16(b, p));
            for (std::size_t i = 0; i < numbers.size(); ++i) numbers[i] = u16(b, p + 2 + 2 * i);
            object->faceMaterials.emplace_back(name, numbers);
            break;
        }
        default: break;
        }
        at = stop;
    }
}

// The rules the engine's reader counts on: one mapping per vertex, every
// face in exactly one material run, in face order, map names with a dot.
Walk walkAndCheck(const Bytes& bytes) {
    Walk walk;
    walkChunks(bytes, 0, bytes.size(), walk);
    EXPECT_TRUE(walk.sizesConsistent);
    for (const std::string& map : walk.maps) EXPECT_TRUE(map.find('.') != std::string::npos && map.find('/') == std::string::npos) << map;
    for (const WalkedObject& object : walk.objects) {
        EXPECT_EQ(object.mappings, object.vertices) << object.name;
        int next = 0;
        for (const auto& [material, numbers] : object.faceMaterials) {
            EXPECT_EQ(std::count(walk.materials.begin(), walk.materials.end(), material), 1) << object.name;
            for (int number : numbers) EXPECT_EQ(number, next++) << object.name;
        }
        EXPECT_EQ(next, object.faces) << object.name;
    }
    return walk;
}

// One object as a reader sees it: name, faces and the file-coordinate box
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

// Nodes that hold meshes, depth first; assimp splits an object's mesh per
// material. The file's vertices are world positions, so every node must
// keep the identity transform.
void collect(const aiScene* scene, const aiNode* node, std::vector<SeenObject>& out) {
    if (node->mNumMeshes > 0) {
        EXPECT_TRUE(node->mTransformation.IsIdentity()) << node->mName.C_Str() << " is moved";
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
    if (!scene) ADD_FAILURE() << importer.GetErrorString();
    else collect(scene, scene->mRootNode, objects);
    return objects;
}

Qu::Model* readWithEngine(const Bytes& bytes, std::vector<std::string>* loads = nullptr) {
    Qu::Load3dsOptions options;
    options.echo = nullptr;
    options.textureLoad = [loads](const char* key, const char* path, const char* name) {
        if (loads) loads->push_back(std::string(key) + " " + path + " " + name);
    };
    return Qu::load3dsFromMemory(bytes.data(), bytes.size(), nullptr, options);
}

// Object names and face counts, plus the vertex box when `built` is given
// (engine (X, Y, Z) is file (X, Z, -Y)).
std::vector<SeenObject> seenBy(Qu::Model* model) {
    std::vector<SeenObject> objects;
    for (int i = 0; i < model->objects.count(); ++i) {
        const auto* object = static_cast<Qu::Object*>(model->objects.at(i));
        objects.push_back({object->name(), object->faces.count()});
    }
    Qu::deleteModel(model);
    return objects;
}

SeenObject writtenBox(const MeshObject& object) {
    SeenObject seen{object.name, int(object.faces.size())};
    for (const MeshVertex& v : object.vertices) seen.include(aiVector3D(v.x, v.z, -v.y));
    return seen;
}

// The file without its trailing node block (the main chunk's length
// patched); empty when the last top-level chunk is another.
Bytes withoutNodeBlock(const Bytes& bytes) {
    std::size_t pos = 6, last = 0;
    while (pos + 6 <= bytes.size()) pos += u32(bytes, (last = pos) + 2);
    if (last == 0 || pos != bytes.size() || u16(bytes, last) != 0xB000) return {};
    Bytes cut(bytes.begin(), bytes.begin() + std::ptrdiff_t(last));
    for (int i = 0; i < 4; ++i) cut[2 + std::size_t(i)] = std::uint8_t(cut.size() >> (8 * i));
    return cut;
}

// Assimp and the engine see the written objects, names, face counts and
// positions, and the engine reads the same without the node block that
// makes assimp keep the names.
void expectReadersAgree(const Model3ds& model, const Bytes& bytes) {
    const std::vector<SeenObject> engine = seenBy(readWithEngine(bytes)), assimp = readWithAssimp(bytes);
    ASSERT_EQ(engine.size(), model.objects.size());
    ASSERT_EQ(assimp.size(), model.objects.size());
    for (std::size_t i = 0; i < engine.size(); ++i) {
        const SeenObject written = writtenBox(model.objects[i]);
        EXPECT_EQ(engine[i].name, written.name);
        EXPECT_EQ(assimp[i].name, written.name);
        EXPECT_EQ(engine[i].faces, written.faces) << written.name;
        EXPECT_EQ(assimp[i].faces, written.faces) << written.name;
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(assimp[i].low[c], written.low[c], 1e-3f) << written.name;
            EXPECT_NEAR(assimp[i].high[c], written.high[c], 1e-3f) << written.name;
        }
    }
    const Bytes cut = withoutNodeBlock(bytes);
    ASSERT_FALSE(cut.empty()) << "no node block at the end of the main chunk";
    const std::vector<SeenObject> bare = seenBy(readWithEngine(cut));
    ASSERT_EQ(bare.size(), engine.size());
    for (std::size_t i = 0; i < bare.size(); ++i) EXPECT_TRUE(bare[i].name == engine[i].name && bare[i].faces == engine[i].faces);
}

Model3ds twoObjectModel() {
    Model3ds model;
    model.materials = {{"alpha", "alpha.tga"}, {"beta", "BETA.PNG"}};
    model.objects = {{"first", {{1, 2, 3, 0.25f, 0.5f}, {4, 5, 6, 1, 0}, {7, 8, 9, 0, 1}}, {{0, 1, 2, 0}}},
                     {"Logo2", {{0, 0, 0}, {1, 0, 0}, {1, -1, 0}, {0, -1, 0}},
                      {{0, 1, 2, 1}, {0, 2, 3, 1}, {0, 3, 1, 0}, {1, 2, 3, 1}}}};
    return model;
}

TEST(ModelWriter, EngineAndAssimpReadBackCoordinatesNamesRunsAndMaps) {
    const Model3ds model = twoObjectModel();
    std::string error;
    const Bytes bytes = encode3ds(model, &error);
    ASSERT_FALSE(bytes.empty()) << error;
    std::vector<std::string> loads;
    Qu::Model* read = readWithEngine(bytes, &loads);
    ASSERT_EQ(read->vertices.count(), 7);
    // Written in engine coordinates, read back the same (the reader centres
    // each object: add the centre back).
    const Qu::Object* first = static_cast<const Qu::Object*>(read->objects.at(0));
    const Qu::Vertex* v0 = read->vertices.at(0);
    EXPECT_NEAR(v0->position.x + first->position.x, 1, 1e-6);
    EXPECT_NEAR(v0->position.y + first->position.y, 2, 1e-6);
    EXPECT_NEAR(v0->position.z + first->position.z, 3, 1e-6);
    EXPECT_FLOAT_EQ(v0->u, -0.25f);   // stored negated, drawn negated again
    EXPECT_FLOAT_EQ(v0->v, -0.5f);
    EXPECT_EQ(read->faces.at(1)->vertexIndex[2], 5u);   // the second object's faces use its own vertices
    EXPECT_EQ(loads, (std::vector<std::string>{"alpha data//alpha.tga alpha", "beta data//BETA.tga BETA"}));
    Qu::deleteModel(read);
    expectReadersAgree(model, bytes);
    // Materials beta, beta, alpha, beta become three runs.
    const Walk walk = walkAndCheck(bytes);
    const auto& runs = walk.objects.at(1).faceMaterials;
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0], (std::pair<std::string, std::vector<int>>{"beta", {0, 1}}));
    EXPECT_EQ(runs[1].first, "alpha");
    EXPECT_EQ(runs[2].second, (std::vector<int>{3}));
}

TEST(ModelWriter, RefusesWhatTheReaderCannotTakeWithAReason) {
    const std::vector<std::pair<std::function<void(Model3ds&)>, const char*>> cases = {
        {[](Model3ds& m) { m.objects[0].faces[0].c = 3; }, "face index out of range"},
        {[](Model3ds& m) { m.objects[1].faces[0].material = 2; }, "face material out of range"},
        {[](Model3ds& m) { m.materials[0].mapFile = "maps/alpha.tga"; }, "no folders"},
        {[](Model3ds& m) { m.materials[0].mapFile = "alpha"; }, "dot"},
        {[](Model3ds& m) { m.objects[0].name.clear(); }, "empty or overlong name"},
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

// Every generated model read the same by both readers and keeping the
// counter rules (gravlet-data check covers its names, keys and maps).
TEST(GeneratedModelsInAssimp, EveryModelReadsTheSameInBothReaders) {
    ASSERT_EQ(modelJobs().size(), 9u);
    for (const ModelJob& job : modelJobs()) {
        SCOPED_TRACE(job.file);
        const Model3ds model = job.build();
        std::string error;
        const Bytes bytes = encode3ds(model, &error);
        ASSERT_FALSE(bytes.empty()) << error;
        walkAndCheck(bytes);
        expectReadersAgree(model, bytes);
    }
}

// ---------------------------------------------------------------- content the scenes rely on

double luminance(const Picture& p, int x, int y) {
    const Color c = p.get(x, y);
    return (std::min(1.0f, c.r) + std::min(1.0f, c.g) + std::min(1.0f, c.b)) / 3.0;
}

const TextureJob& textureJob(const std::string& file) {
    for (const auto* list : {&screenTextures(), &materialTextures()})
        for (const TextureJob& j : *list)
            if (file == j.file) return j;
    throw std::runtime_error(file);
}

// Fog layers scroll and wrap: dark clouds (the layers add up) with no step
// across either wrap larger than between neighbours inside.
TEST(Textures, FogCloudsAreDarkAndTileSeamlessly) {
    for (const char* file : {"fogz1.tga", "fogz2.tga"}) {
        const Picture p = textureJob(file).paint();
        double sum = 0, seam = 0, inner = 0;
        for (int y = 0; y < p.height(); ++y) {
            for (int x = 0; x < p.width(); ++x) sum += luminance(p, x, y);
            seam += std::fabs(luminance(p, 0, y) - luminance(p, p.width() - 1, y));
            inner += std::fabs(luminance(p, p.width() / 2, y) - luminance(p, p.width() / 2 - 1, y));
        }
        for (int x = 0; x < p.width(); ++x) seam += std::fabs(luminance(p, x, 0) - luminance(p, x, p.height() - 1));
        EXPECT_NEAR(sum / (p.width() * p.height()), 0.25, 0.03) << file;
        EXPECT_LT(seam, 4 * inner + 1) << file;
    }
}

Vec3 at(const MeshVertex& v) { return {v.x, v.y, v.z}; }

class Models : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        built = new std::map<std::string, Model3ds>;
        for (const ModelJob& j : modelJobs()) (*built)[j.file] = j.build();
    }
    static void TearDownTestSuite() { delete built; }
    static const MeshObject& find(const std::string& file, const std::string& name) {
        for (const MeshObject& o : built->at(file).objects)
            if (o.name == name) return o;
        throw std::runtime_error(file + " lacks " + name);
    }
    static std::pair<Vec3, Vec3> bounds(const MeshObject& o) {
        Vec3 low{1e30, 1e30, 1e30}, high{-1e30, -1e30, -1e30};
        for (const MeshVertex& v : o.vertices) {
            low = {std::min<double>(low.x, v.x), std::min<double>(low.y, v.y), std::min<double>(low.z, v.z)};
            high = {std::max<double>(high.x, v.x), std::max<double>(high.y, v.y), std::max<double>(high.z, v.z)};
        }
        return {low, high};
    }
    static Vec3 centre(const MeshObject& o) { return (bounds(o).first + bounds(o).second) * 0.5; }
    // Nearest vertex of any object passing `filter` to point p.
    static double clearance(const std::string& file, Vec3 p, const std::function<bool(const std::string&)>& filter) {
        double nearest = 1e30;
        for (const MeshObject& o : built->at(file).objects)
            if (filter(o.name))
                for (const MeshVertex& v : o.vertices) nearest = std::min(nearest, length(at(v) - p));
        return nearest;
    }
    static inline std::map<std::string, Model3ds>* built = nullptr;
};

TEST_F(Models, BuildUpMeshesHaveTheFaceCountsTheirScenesRunThrough) {
    // Fog: N rises to 3000; greetings: to 8000; space: the craft is seen
    // only through the build passes; the laser is a thin beam.
    for (const auto& [file, name, low, high] : std::vector<std::tuple<const char*, const char*, std::size_t, std::size_t>>{
             {"asmtest2.3ds", "base1", 2500, 3500}, {"asmtest2.3ds", "base2", 2500, 3500}, {"scenery.3ds", "bay1", 7000, 9000},
             {"scenery.3ds", "bay2", 7000, 9000}, {"scenery.3ds", "wirus", 7000, 9000}, {"space.3ds", "ufot", 600, 860},
             {"fordrop.3ds", "laser", 1, 240}}) {
        EXPECT_GE(find(file, name).faces.size(), low) << name;
        EXPECT_LE(find(file, name).faces.size(), high) << name;
    }
    const auto [ufoLow, ufoHigh] = bounds(find("space.3ds", "ufot"));
    EXPECT_LE(std::max({ufoHigh.x - ufoLow.x, ufoHigh.y - ufoLow.y, ufoHigh.z - ufoLow.z}), 4.0);   // half-extent 2
    const auto [laserLow, laserHigh] = bounds(find("fordrop.3ds", "laser"));
    EXPECT_GE(length(laserHigh - laserLow), 10);
    EXPECT_LE(length(laserHigh - laserLow), 25);
    const auto [ukkoLow, ukkoHigh] = bounds(find("forrest6.3ds", "ukko"));
    EXPECT_GE(ukkoHigh.y - ukkoLow.y, 150);
    EXPECT_LE(ukkoHigh.y - ukkoLow.y, 250);
    EXPECT_LE(std::max(ukkoHigh.x - ukkoLow.x, ukkoHigh.z - ukkoLow.z), 60);
    // The opening's eye crosses the wall's plane 4.6 above its centre (-y is up).
    EXPECT_LT(centre(find("forresta.3ds", "wall")).y - bounds(find("forresta.3ds", "wall")).first.y, 3.6);
}

// Each scene's eye path, as its formulas move the eye, stays clear of the
// solid meshes by `margin`.
TEST_F(Models, EyePathsMissTreesWallsAndFigures) {
    const auto notTrees = [](const std::string& n) { return n.rfind("tr", 0) != 0 && n != "stc" && n != "sky1"; };
    const auto valley = [&](const std::string& n) { return notTrees(n) && n != "kupu" && n.rfind("water", 0) != 0; };
    const Vec3 wall = centre(find("forresta.3ds", "wall")), ukko = centre(find("forrest6.3ds", "ukko"));
    struct Path {
        const char* file;
        double end, step, margin;
        std::function<bool(const std::string&)> solid;
        std::function<Vec3(double)> eye;
    };
    const std::vector<Path> paths = {
        {"forresta.3ds", 40.75, 0.5, 4, [](const std::string& n) { return n.rfind("pines", 0) == 0; },
         [&](double t) { return wall + Vec3{5.5 * std::sin(t / 3.6) - 7, std::sin(t / 3) * std::cos(t / 2) - 5.5, 50 - 2 * t}; }},
        {"forrest6.3ds", 22.5, 0.25, 5, notTrees, [&](double t) {
             const double side = t < 7.5 ? 20 : t < 15.5 ? 40 : 100, height = t < 7.5 ? -35 : t < 15.5 ? -45 : -25;
             return ukko + Vec3{side * std::sin(t / 3), height + (t < 15.5 ? 15 : 25) * std::sin(t / 3),
                                (t >= 7.5 && t < 15.5 ? -770 : -800) + 40 * t};
         }},
        {"foreye.3ds", 30, 0.25, 8, valley, [](double t) {
             return t < 24 ? Vec3{0, 0, 50 * t + 600} : Vec3{220 * std::cos(t / 4), 50 * std::sin(t / 3) - 150, 300 * std::sin(t / 2.4) + 1300};
         }},
        {"forende.3ds", 65, 0.25, 8, valley, [](double t) {
             if (t < 24) return Vec3{15 * std::cos(t / 5), 20 * std::sin(t / 4) * std::cos(t / 3) - 50, 50 * t + 600};
             if (t < 41) return Vec3{220 * std::cos(t / 2), 50 * std::sin(t / 3) - 150, 300 * std::sin(t / 2.4) + 1300};
             return Vec3{400 * std::cos(t / 3), 60 * std::sin(t / 3.5) - 90, 500 * std::sin(t / 5) + 1500};
         }},
    };
    for (const Path& path : paths)
        for (double t = 0; t < path.end; t += path.step)
            EXPECT_GT(clearance(path.file, path.eye(t), path.solid), path.margin) << path.file << " at " << t;
    // Over land (not water) the opening's eye stays within 12 of the ground.
    for (double t = 0; t <= 40.5; t += 0.5) {
        if (paths[0].eye(t).z <= -20) continue;
        EXPECT_LT(clearance("forresta.3ds", paths[0].eye(t), [](const std::string& n) { return n == "ground"; }), 12) << t;
    }
}

// ---------------------------------------------------------------- music, data set

TEST(Mp3Writer, DecodersGetBackTheSamplesThatWentInAndNoFileOnFailure) {
    const std::string dir = testsupport::makeTempDir();
    // A rising tone, several encoder chunks long: any sample out of place shows.
    const int frames = 30000;
    std::vector<std::int16_t> pcm(2 * frames);
    for (int f = 0; f < frames; ++f) pcm[2 * f] = pcm[2 * f + 1] = std::int16_t(8000 * std::sin(2e-5 * f * f));
    std::string error;
    ASSERT_TRUE(writeMp3(dir + "/a.mp3", pcm.data(), frames, Mp3Settings(), &error)) << error;
    const Bytes bytes = testsupport::readBytes(dir + "/a.mp3");
    long samples = 0;
    int rate = 0;
    ASSERT_TRUE(platform::sound::decodedLength(bytes.data(), bytes.size(), &samples, &rate));
    EXPECT_EQ(rate, 44100);
    EXPECT_EQ(samples, frames);
    std::vector<std::int16_t> decoded;
    ASSERT_TRUE(platform::sound::decodeAll(bytes.data(), bytes.size(), 44100, &decoded));
    ASSERT_EQ(decoded.size(), pcm.size());
    double error2 = 0, signal2 = 0;
    for (std::size_t i = 0; i < pcm.size(); ++i) {
        error2 += std::pow(double(decoded[i]) - pcm[i], 2);
        signal2 += std::pow(double(pcm[i]), 2);
    }
    EXPECT_LT(error2, 0.05 * signal2) << "decoded samples differ from the input";
    Mp3Settings bad;
    bad.channels = 3;
    EXPECT_FALSE(writeMp3(dir + "/b.mp3", pcm.data(), 10, bad, &error));
    EXPECT_FALSE(std::filesystem::exists(dir + "/b.mp3")) << "a failed encode leaves no file";
    std::filesystem::remove_all(dir);
}

TEST(DataSet, GeneratingTwiceWritesByteIdenticalFiles) {
    const std::string a = testsupport::makeTempDir(), b = testsupport::makeTempDir();
    GenerateOptions options;
    options.placeholderMusic = true;
    const int total = static_cast<int>(dataSetFiles().size());
    int announced = 0;
    options.progress = [&](const std::string&, int index, int count) {
        EXPECT_EQ(index, announced++);
        EXPECT_EQ(count, total);
    };
    std::string error;
    ASSERT_TRUE(generateDataSet(a, options, &error)) << error;
    EXPECT_EQ(announced, total);
    options.progress = nullptr;
    ASSERT_TRUE(generateDataSet(b, options, &error)) << error;
    for (const std::string& file : dataSetFiles()) {
        const Bytes first = testsupport::readBytes(a + "/" + file);
        EXPECT_FALSE(first.empty()) << file;
        EXPECT_TRUE(first == testsupport::readBytes(b + "/" + file)) << file << " differs between runs";
    }
    std::filesystem::remove_all(a);
    std::filesystem::remove_all(b);
}

}  // namespace
