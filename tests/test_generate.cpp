// The data generator: its file writers read back by the engine's readers
// and by an independent chunk walk, mesh winding, texture rules, the
// content rules the scenes' cameras impose, and determinism.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <set>

#include "platform/sound.h"
#include "resources/load3ds.h"
#include "resources/model.h"
#include "resources/texture_library.h"
#include "support/paths.h"
#include "tools/generate/data_check.h"
#include "tools/generate/data_set.h"
#include "tools/generate/mesh.h"
#include "tools/generate/models.h"
#include "tools/generate/mp3_writer.h"
#include "tools/generate/textures.h"
#include "tools/generate/tga_writer.h"

namespace {

using namespace gen;

// ---------------------------------------------------------------- TGA

TEST(TgaWriter, HeaderIsUncompressedTrueColourWithoutIdOrColourMap) {
    const std::uint8_t rgb[2 * 3 * 3] = {};
    const std::vector<std::uint8_t> file = encodeTga(2, 3, rgb);
    ASSERT_EQ(file.size(), 18u + 2 * 3 * 3);
    EXPECT_EQ(file[0], 0);   // no image ID
    EXPECT_EQ(file[1], 0);   // no colour map
    EXPECT_EQ(file[2], 2);   // uncompressed true-colour
    EXPECT_EQ(file[12] | file[13] << 8, 2);
    EXPECT_EQ(file[14] | file[15] << 8, 3);
    EXPECT_EQ(file[16], 24);
    EXPECT_EQ(file[17] & 0x20, 0);  // origin at the bottom
}

TEST(TgaWriter, StoresBottomRowFirstAndTheEngineSwapsBackToRgb) {
    // Two rows: top row red then green, bottom row blue then white.
    const std::uint8_t rgb[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    const std::vector<std::uint8_t> file = encodeTga(2, 2, rgb);
    EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 18, file.begin() + 24),
              (std::vector<std::uint8_t>{255, 0, 0, 255, 255, 255}));  // BGR of blue, white
    Qu::Image image;
    ASSERT_EQ(Qu::decodeTga(file.data(), file.size(), image), Qu::TgaStatus::ok);
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.bpp, 24);
    // Texel (0, 0) is the first pixel of the file: the picture's bottom left.
    EXPECT_EQ(std::vector<std::uint8_t>(image.pixels, image.pixels + 12),
              (std::vector<std::uint8_t>{0, 0, 255, 255, 255, 255, 255, 0, 0, 0, 255, 0}));
    delete[] image.pixels;
}

TEST(TgaWriter, RefusesSizesTheHeaderCannotHold) {
    std::vector<std::uint8_t> rgb(3, 0);
    EXPECT_TRUE(encodeTga(0, 1, rgb.data()).empty());
    EXPECT_TRUE(encodeTga(1, 65536, rgb.data()).empty());
    EXPECT_TRUE(encodeTga(1, 1, nullptr).empty());
    std::string error;
    EXPECT_FALSE(writeTga(testsupport::makeTempDir() + "/x.tga", 0, 0, rgb.data(), &error));
    EXPECT_NE(error.find("bad image size"), std::string::npos);
}

// ---------------------------------------------------------------- 3DS

// An independent walk of the chunk tree: for each object, its name and the
// counts its chunks declare, checked against the counter rules the engine's
// reader relies on.
struct WalkedObject {
    std::string name;
    int vertices = -1, mappings = -1, faces = -1;
    std::vector<std::pair<std::string, std::vector<int>>> faceMaterials;  // name, face numbers
};

struct Walk {
    std::vector<std::string> materials, maps;
    std::vector<WalkedObject> objects;
    bool materialsBeforeObjects = true;
    bool sizesConsistent = true;
};

std::uint16_t u16(const std::vector<std::uint8_t>& b, std::size_t at) { return b[at] | b[at + 1] << 8; }
std::uint32_t u32(const std::vector<std::uint8_t>& b, std::size_t at) { return u16(b, at) | std::uint32_t(u16(b, at + 2)) << 16; }
std::string text(const std::vector<std::uint8_t>& b, std::size_t& at) {
    std::string s;
    while (at < b.size() && b[at]) s += static_cast<char>(b[at++]);
    ++at;
    return s;
}

void walkChunks(const std::vector<std::uint8_t>& b, std::size_t begin, std::size_t end, Walk& walk) {
    std::size_t at = begin;
    while (at + 6 <= end) {
        const std::uint16_t id = u16(b, at);
        const std::uint32_t length = u32(b, at + 2);
        if (length < 6 || at + length > end) {
            walk.sizesConsistent = false;
            return;
        }
        const std::size_t body = at + 6, stop = at + length;
        std::size_t p = body;
        switch (id) {
        case 0x4D4D: case 0x3D3D: case 0xAFFF: case 0x4100: case 0xA200: walkChunks(b, body, stop, walk); break;
        case 0xA000: walk.materials.push_back(text(b, p)); if (!walk.objects.empty()) walk.materialsBeforeObjects = false; break;
        case 0xA300: walk.maps.push_back(text(b, p)); break;
        case 0x4000: walk.objects.emplace_back(); walk.objects.back().name = text(b, p); walkChunks(b, p, stop, walk); break;
        case 0x4110: walk.objects.back().vertices = u16(b, body); if (body + 2 + 12 * u16(b, body) != stop) walk.sizesConsistent = false; break;
        case 0x4140: walk.objects.back().mappings = u16(b, body); if (body + 2 + 8 * u16(b, body) != stop) walk.sizesConsistent = false; break;
        case 0x4120: walk.objects.back().faces = u16(b, body); walkChunks(b, body + 2 + 8 * u16(b, body), stop, walk); break;
        case 0x4130: {
            std::string name = text(b, p);
            std::vector<int> numbers(u16(b, p));
            for (std::size_t i = 0; i < numbers.size(); ++i) numbers[i] = u16(b, p + 2 + 2 * i);
            walk.objects.back().faceMaterials.emplace_back(name, numbers);
            break;
        }
        default: break;
        }
        at = stop;
    }
}

Walk walk3ds(const std::vector<std::uint8_t>& bytes) {
    Walk walk;
    walkChunks(bytes, 0, bytes.size(), walk);
    return walk;
}

// Every object: one mapping per vertex, face-material chunks covering the
// faces exactly once in face order, every map name a base name with a dot.
void expectCounterRules(const Walk& walk) {
    EXPECT_TRUE(walk.sizesConsistent);
    EXPECT_TRUE(walk.materialsBeforeObjects);
    for (const std::string& map : walk.maps) {
        EXPECT_NE(map.find('.'), std::string::npos) << map;
        EXPECT_EQ(map.find('/'), std::string::npos) << map;
    }
    for (const WalkedObject& object : walk.objects) {
        EXPECT_EQ(object.mappings, object.vertices) << object.name;
        EXPECT_LE(object.vertices, 65535) << object.name;
        int next = 0;
        for (const auto& [material, numbers] : object.faceMaterials) {
            EXPECT_NE(std::find(walk.materials.begin(), walk.materials.end(), material), walk.materials.end()) << object.name;
            for (int number : numbers) EXPECT_EQ(number, next++) << object.name;
        }
        EXPECT_EQ(next, object.faces) << object.name;
    }
}

Model3ds twoObjectModel() {
    Model3ds model;
    model.materials = {{"alpha", "alpha.tga"}, {"beta", "BETA.PNG"}};
    MeshObject first;
    first.name = "first";
    first.vertices = {{1, 2, 3, 0.25f, 0.5f}, {4, 5, 6, 1, 0}, {7, 8, 9, 0, 1}};
    first.faces = {{0, 1, 2, 0}};
    MeshObject second;
    second.name = "second";
    second.vertices = {{0, 0, 0}, {1, 0, 0}, {1, -1, 0}, {0, -1, 0}};
    second.faces = {{0, 1, 2, 1}, {0, 2, 3, 1}, {0, 3, 1, 0}, {1, 2, 3, 1}};
    model.objects = {first, second};
    return model;
}

TEST(ModelWriter, EngineReaderGetsBackEngineCoordinatesNamesAndMaps) {
    std::string error;
    const std::vector<std::uint8_t> bytes = encode3ds(twoObjectModel(), &error);
    ASSERT_FALSE(bytes.empty()) << error;
    std::vector<std::string> loads;
    Qu::Load3dsOptions options;
    options.echo = nullptr;
    options.textureLoad = [&](const char* key, const char* path, const char* name) {
        loads.push_back(std::string(key) + " " + path + " " + name);
    };
    Qu::Model* model = Qu::load3dsFromMemory(bytes.data(), bytes.size(), nullptr, options);
    ASSERT_EQ(model->objects.count(), 2);
    EXPECT_STREQ(model->objects.at(0)->name(), "first");
    EXPECT_STREQ(model->objects.at(1)->name(), "second");
    ASSERT_EQ(model->vertices.count(), 7);
    ASSERT_EQ(model->faces.count(), 5);
    // Written in engine coordinates, read back the same (before centring the
    // reader keeps nothing else; compare with the object's centre added).
    const Qu::Object* first = static_cast<const Qu::Object*>(model->objects.at(0));
    const Qu::Vertex* v0 = model->vertices.at(0);
    EXPECT_NEAR(v0->position.x + first->position.x, 1, 1e-6);
    EXPECT_NEAR(v0->position.y + first->position.y, 2, 1e-6);
    EXPECT_NEAR(v0->position.z + first->position.z, 3, 1e-6);
    EXPECT_FLOAT_EQ(v0->u, -0.25f);  // stored negated, drawn negated again
    EXPECT_FLOAT_EQ(v0->v, -0.5f);
    // The second object's faces refer to its own vertices (base 3).
    EXPECT_EQ(model->faces.at(1)->vertexIndex[0], 3u);
    EXPECT_EQ(model->faces.at(1)->vertexIndex[2], 5u);
    EXPECT_EQ(loads, (std::vector<std::string>{"alpha data//alpha.tga alpha", "beta data//BETA.tga BETA"}));
    Qu::deleteModel(model);
}

TEST(ModelWriter, FaceMaterialRunsCoverEveryFaceInOrder) {
    std::string error;
    const Walk walk = walk3ds(encode3ds(twoObjectModel(), &error));
    ASSERT_EQ(walk.objects.size(), 2u);
    expectCounterRules(walk);
    // Materials beta, beta, alpha, beta become three runs.
    const auto& runs = walk.objects[1].faceMaterials;
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].first, "beta");
    EXPECT_EQ(runs[0].second, (std::vector<int>{0, 1}));
    EXPECT_EQ(runs[1].first, "alpha");
    EXPECT_EQ(runs[2].second, (std::vector<int>{3}));
}

TEST(ModelWriter, RefusesWhatTheReaderCannotTakeWithAReason) {
    const auto refused = [](Model3ds model, const char* reason) {
        std::string error;
        EXPECT_TRUE(encode3ds(model, &error).empty()) << reason;
        EXPECT_NE(error.find(reason), std::string::npos) << error;
    };
    Model3ds model = twoObjectModel();
    model.objects[0].faces[0].c = 3;
    refused(model, "face index out of range");
    model = twoObjectModel();
    model.objects[1].faces[0].material = 2;
    refused(model, "face material out of range");
    model = twoObjectModel();
    model.materials[0].mapFile = "maps/alpha.tga";
    refused(model, "no folders");
    model.materials[0].mapFile = "alpha";
    refused(model, "dot");
    model = twoObjectModel();
    model.objects[0].name.clear();
    refused(model, "empty or overlong name");
    model = twoObjectModel();
    model.objects[0].vertices.resize(65536);
    refused(model, "65535 vertices");
    model = twoObjectModel();
    model.objects[1].vertices.resize(65535);
    std::string error;
    EXPECT_FALSE(encode3ds(model, &error).empty()) << "65535 vertices fit the 16-bit count";
}

// ---------------------------------------------------------------- meshes

Vec3 at(const MeshVertex& v) { return {v.x, v.y, v.z}; }
Vec3 normalOf(const MeshObject& mesh, const MeshFace& f) {
    const Vec3 a = at(mesh.vertices[f.a]), b = at(mesh.vertices[f.b]), c = at(mesh.vertices[f.c]);
    return cross(b - a, c - a);
}
Vec3 centroid(const MeshObject& mesh, const MeshFace& f) {
    return (at(mesh.vertices[f.a]) + at(mesh.vertices[f.b]) + at(mesh.vertices[f.c])) * (1.0 / 3);
}

TEST(MeshPrimitives, ClosedShapesWindOutwards) {
    const Vec3 centre{5, -3, 2};
    MeshBuilder sphere("s"), box("b"), torus("t"), pine("p");
    addSphere(sphere, centre, 4, 12, 8);
    addBox(box, centre, Vec3{3, 1, 2}, 1);
    addTorus(torus, centre, 6, 1, 16, 8);
    addPine(pine, centre, 20, 5, 3, 0, 0, 0.3);
    for (MeshBuilder* mesh : {&sphere, &box}) {
        for (const MeshFace& f : mesh->mesh().faces) {
            const Vec3 n = normalOf(mesh->mesh(), f);
            if (length(n) < 1e-9) continue;  // pole triangles of the sphere grid
            EXPECT_GT(dot(n, centroid(mesh->mesh(), f) - centre), 0) << mesh->mesh().name;
        }
    }
    for (const MeshFace& f : torus.mesh().faces) {
        const Vec3 c = centroid(torus.mesh(), f);
        const Vec3 ring = Vec3{c.x - centre.x, 0, c.z - centre.z} * (6 / std::hypot(c.x - centre.x, c.z - centre.z));
        EXPECT_GT(dot(normalOf(torus.mesh(), f), c - (centre + ring)), 0);
    }
    // The needle cones face out and up (-y) from the trunk axis.
    int cones = 0;
    for (const MeshFace& f : pine.mesh().faces) {
        if (f.a == f.b) continue;
        const Vec3 c = centroid(pine.mesh(), f), n = normalOf(pine.mesh(), f);
        EXPECT_GT(n.x * (c.x - centre.x) + n.z * (c.z - centre.z), 0);
        if (n.y < 0) ++cones;
    }
    EXPECT_GT(cones, 0);
}

TEST(MeshPrimitives, PlateFacesItsViewerWithTextureRunningToTheScreenRight) {
    for (const Vec3 forward : {Vec3{0, 0, 1}, Vec3{0, 0, -1}, Vec3{1, 0, 0}, Vec3{-0.6, 0.3, 0.7}}) {
        MeshBuilder plate("p");
        const Vec3 right = screenRight(forward);
        addPlate(plate, Vec3{1, 2, 3}, right, Vec3{0, -1, 0}, 4, 2);
        for (const MeshFace& f : plate.mesh().faces) EXPECT_LT(dot(normalOf(plate.mesh(), f), forward), 0);
        const auto& v = plate.mesh().vertices;
        // u grows along `right` and v upwards (-y).
        EXPECT_GT(dot(at(v[2]) - at(v[1]), right), 0);
        EXPECT_FLOAT_EQ(v[2].u - v[1].u, 1.0f);
        EXPECT_LT(v[1].y, v[0].y);
        EXPECT_FLOAT_EQ(v[1].v - v[0].v, 1.0f);
    }
    // Looking along +z the screen's right is engine -x (+x shows on the left).
    EXPECT_DOUBLE_EQ(screenRight(Vec3{0, 0, 1}).x, -1);
}

TEST(MeshPrimitives, GridSharesVerticesRowByRowAndFacesAlongUTimesV) {
    MeshBuilder grid("g");
    addSurface(grid, 4, 3, [](double s, double t) { return Vec3{s * 8, 0, t * 6}; }, 1, 1);
    EXPECT_EQ(grid.vertexCount(), 5u * 4u);
    EXPECT_EQ(grid.faceCount(), 4u * 3u * 2u);
    // Vertices run along s first: the demo's waves step through them in order.
    EXPECT_FLOAT_EQ(grid.mesh().vertices[1].x, 2.0f);
    EXPECT_FLOAT_EQ(grid.mesh().vertices[5].z, 2.0f);
    // x then z: the ground faces up, towards -y.
    for (const MeshFace& f : grid.mesh().faces) EXPECT_LT(normalOf(grid.mesh(), f).y, 0);
}

// ---------------------------------------------------------------- textures

double luminance(const Picture& p, int x, int y) {
    const Color c = p.get(x, y);
    return (std::min(1.0f, c.r) + std::min(1.0f, c.g) + std::min(1.0f, c.b)) / 3.0;
}

const TextureJob& job(const char* file) {
    for (const auto* list : {&screenTextures(), &materialTextures()})
        for (const TextureJob& j : *list)
            if (std::strcmp(j.file, file) == 0) return j;
    throw std::runtime_error(file);
}

TEST(Textures, FadeTextureIsPureWhite) {
    const std::vector<std::uint8_t> bytes = job("wt.tga").paint().toRgb8();
    EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 255; }));
}

TEST(Textures, FogCloudsAreDarkAroundAQuarterAndTileSeamlessly) {
    for (const char* file : {"fogz1.tga", "fogz2.tga"}) {
        const Picture p = job(file).paint();
        double sum = 0, seam = 0, inner = 0;
        for (int y = 0; y < p.height(); ++y)
            for (int x = 0; x < p.width(); ++x) sum += luminance(p, x, y);
        EXPECT_NEAR(sum / (p.width() * p.height()), 0.25, 0.03) << file;
        // Across the wrap the step is no larger than between neighbours inside.
        for (int y = 0; y < p.height(); ++y) {
            seam += std::fabs(luminance(p, 0, y) - luminance(p, p.width() - 1, y));
            inner += std::fabs(luminance(p, p.width() / 2, y) - luminance(p, p.width() / 2 - 1, y));
        }
        for (int x = 0; x < p.width(); ++x) seam += std::fabs(luminance(p, x, 0) - luminance(p, x, p.height() - 1));
        EXPECT_LT(seam, 4 * inner + 1) << file;
    }
}

TEST(Textures, SpritesGlowFromTheCentreWithBlackCorners) {
    for (const char* file : {"sun2.tga", "sun3.tga", "sun4.tga", "fire1.tga", "fire2.tga", "fire3.tga"}) {
        const Picture p = job(file).paint();
        const int w = p.width() - 1, h = p.height() - 1;
        for (const auto& [x, y] : std::vector<std::pair<int, int>>{{0, 0}, {w, 0}, {0, h}, {w, h}})
            EXPECT_LT(luminance(p, x, y), 0.01) << file;
    }
    const Picture glow = job("sun2.tga").paint();
    EXPECT_GT(luminance(glow, glow.width() / 2, glow.height() / 2), 0.8);
    // Fire is stored turned 180 degrees: its bright base sits in the top half.
    const Picture fire = job("fire1.tga").paint();
    double top = 0, bottom = 0;
    for (int y = 0; y < fire.height(); ++y)
        for (int x = 0; x < fire.width(); ++x) (y < fire.height() / 2 ? top : bottom) += luminance(fire, x, y);
    EXPECT_GT(top, bottom);
}

TEST(Textures, LoadingPictureKeepsTheDotsBandDark) {
    // Dots at x 370..790, 310..340 pixels from the top of a 1024 x 768 screen.
    const Picture p = job("load.tga").paint();
    const double sx = p.width() / 1024.0, sy = p.height() / 768.0;
    double brightest = 0;
    for (int y = static_cast<int>(310 * sy); y < static_cast<int>(340 * sy); ++y)
        for (int x = static_cast<int>(370 * sx); x < static_cast<int>(790 * sx); ++x)
            brightest = std::max(brightest, luminance(p, x, y));
    EXPECT_LT(brightest, 0.12);
}

TEST(Textures, LongBandsKeepTheirLetteringInTheUsedPart) {
    // greets2 carries lettering across u 0..0.95, etext within u 0..0.9.
    for (const auto& [file, used] : std::vector<std::pair<const char*, double>>{{"greets2.tga", 0.95}, {"etext.tga", 0.9}}) {
        const Picture p = job(file).paint();
        EXPECT_GE(p.width(), 16 * p.height()) << file;
        double lit = 0, beyond = 0;
        for (int y = 0; y < p.height(); ++y)
            for (int x = 0; x < p.width(); ++x) (x < p.width() * used ? lit : beyond) += luminance(p, x, y);
        EXPECT_GT(lit, 100) << file << ": no lettering (is a font installed?)";
        EXPECT_LT(beyond, lit * 0.01) << file;
    }
}

TEST(Textures, EverySideIsAPowerOfTwoUpTo2048) {
    for (const auto* list : {&screenTextures(), &materialTextures()})
        for (const TextureJob& j : *list) {
            const Picture p = j.paint();
            for (int side : {p.width(), p.height()}) {
                EXPECT_EQ(side & (side - 1), 0) << j.file;
                EXPECT_LE(side, 2048) << j.file;
            }
        }
}

// ---------------------------------------------------------------- models

struct Bounds {
    Vec3 low{1e30, 1e30, 1e30}, high{-1e30, -1e30, -1e30};
    Vec3 centre() const { return (low + high) * 0.5; }
    Vec3 size() const { return high - low; }
};

class Models : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        built = new std::map<std::string, Model3ds>;
        for (const ModelJob& j : modelJobs()) (*built)[j.file] = j.build();
    }
    static void TearDownTestSuite() { delete built; }
    static const MeshObject* find(const std::string& file, const std::string& name) {
        for (const MeshObject& o : built->at(file).objects)
            if (o.name == name) return &o;
        return nullptr;
    }
    static Bounds bounds(const MeshObject& o) {
        Bounds b;
        for (const MeshVertex& v : o.vertices) {
            b.low = {std::min<double>(b.low.x, v.x), std::min<double>(b.low.y, v.y), std::min<double>(b.low.z, v.z)};
            b.high = {std::max<double>(b.high.x, v.x), std::max<double>(b.high.y, v.y), std::max<double>(b.high.z, v.z)};
        }
        return b;
    }
    // Nearest vertex of any object passing `filter` to point p.
    static double clearance(const std::string& file, Vec3 p, const std::function<bool(const std::string&)>& filter) {
        double nearest = 1e30;
        for (const MeshObject& o : built->at(file).objects)
            if (filter(o.name))
                for (const MeshVertex& v : o.vertices) nearest = std::min(nearest, length(at(v) - p));
        return nearest;
    }
    static std::map<std::string, Model3ds>* built;
};
std::map<std::string, Model3ds>* Models::built = nullptr;

TEST_F(Models, HoldEveryNameTheirScenesAnimateAndKeepTheCounterRules) {
    for (const ModelJob& j : modelJobs()) {
        const Model3ds& model = built->at(j.file);
        for (std::string wanted : expectedMeshNames(j.file)) {
            const bool prefix = wanted.back() == '*';
            if (prefix) wanted.pop_back();
            EXPECT_TRUE(std::any_of(model.objects.begin(), model.objects.end(), [&](const MeshObject& o) {
                return prefix ? o.name.compare(0, wanted.size(), wanted) == 0 : o.name == wanted;
            })) << j.file << " lacks " << wanted;
        }
        std::string error;
        const std::vector<std::uint8_t> bytes = encode3ds(model, &error);
        ASSERT_FALSE(bytes.empty()) << j.file << ": " << error;
        expectCounterRules(walk3ds(bytes));
    }
}

TEST_F(Models, MaterialKeysStayClearOfTheKeysTheProgramLoads) {
    const std::set<std::string> programKeys = {"load", "wt", "fogz1", "fogz2", "tx1", "tx2", "tx3", "tx4", "tx5",
        "scanner", "starslot", "keu1", "keu2", "keu3", "keu4", "keu5", "keu6", "light1", "light2", "light3", "light5",
        "lightg", "lightsoom", "fire1", "fire2", "fire3", "greets2", "greetings", "solar", "pilo", "pilo2", "etext"};
    std::set<std::string> written;
    for (const TextureJob& j : materialTextures()) written.insert(j.file);
    for (const TextureJob& j : screenTextures()) written.insert(j.file);
    for (const ModelJob& j : modelJobs())
        for (const Material3ds& m : built->at(j.file).materials) {
            EXPECT_EQ(programKeys.count(m.name), 0u) << j.file << ": " << m.name;
            EXPECT_EQ(written.count(m.mapFile), 1u) << j.file << ": map " << m.mapFile << " is not generated";
        }
}

TEST_F(Models, BuildUpMeshesHaveTheFaceCountsTheirScenesRunThrough) {
    // Fog: N rises to 3000; greetings: to 8000; space: the craft is seen only
    // through the build passes (20 t solid and 40 t wire over 43 s).
    for (const char* name : {"base1", "base2"}) {
        const MeshObject* o = find("asmtest2.3ds", name);
        ASSERT_NE(o, nullptr);
        EXPECT_NEAR(static_cast<double>(o->faces.size()), 3000, 500) << name;
    }
    for (const char* name : {"bay1", "bay2", "wirus"}) {
        const MeshObject* o = find("scenery.3ds", name);
        ASSERT_NE(o, nullptr);
        EXPECT_NEAR(static_cast<double>(o->faces.size()), 8000, 1000) << name;
    }
    const MeshObject* ufot = find("space.3ds", "ufot");
    ASSERT_NE(ufot, nullptr);
    EXPECT_GE(ufot->faces.size(), 600u);
    EXPECT_LE(ufot->faces.size(), 860u);
    const Vec3 size = bounds(*ufot).size();
    EXPECT_LE(std::max({size.x, size.y, size.z}), 4.0);  // half-extent at most 2
    const MeshObject* laser = find("fordrop.3ds", "laser");
    ASSERT_NE(laser, nullptr);
    EXPECT_LE(laser->faces.size(), 240u);
    const Vec3 l = bounds(*laser).size();
    EXPECT_GE(length(l), 10);
    EXPECT_LE(length(l), 25);
}

TEST_F(Models, TheOpeningWallLetsTheEyeCrossAboveIt) {
    // The eye crosses the wall's plane 4.6 above its centre (-y is up).
    const MeshObject* wall = find("forresta.3ds", "wall");
    ASSERT_NE(wall, nullptr);
    const Bounds b = bounds(*wall);
    EXPECT_LT(b.centre().y - b.low.y, 4.6 - 1.0);
    // The eye path from W + (-7, -5.5, 50) to W + (-12, -5.4, -31) stays
    // within 8 of the ground and clear of every mesh but the sky.
    const Vec3 w = b.centre();
    for (double t = 0; t <= 40.5; t += 0.5) {
        const Vec3 eye = w + Vec3{5.5 * std::sin(t / 3.6) - 7, std::sin(t / 3) * std::cos(t / 2) - 5.5, 50 - 2 * t};
        EXPECT_GT(clearance("forresta.3ds", eye, [](const std::string& n) { return n.rfind("pines", 0) == 0; }), 4) << t;
        if (eye.z > -20) {  // over land, not water
            EXPECT_LT(clearance("forresta.3ds", eye, [](const std::string& n) { return n == "ground"; }), 12) << t;
        }
    }
}

TEST_F(Models, ForestAnimationFigureAndEyePathFitTogether) {
    const MeshObject* ukko = find("forrest6.3ds", "ukko");
    ASSERT_NE(ukko, nullptr);
    const Bounds b = bounds(*ukko);
    EXPECT_GE(b.size().y, 150);
    EXPECT_LE(b.size().y, 250);
    EXPECT_LE(std::max(b.size().x, b.size().z), 60);
    // The eye follows from 800 behind and passes 37 to the side at t = 20.
    const Vec3 u = b.centre();
    const auto solid = [](const std::string& n) { return n.rfind("tr", 0) != 0 && n != "stc" && n != "sky1"; };
    for (double t = 0; t < 22.5; t += 0.25) {
        Vec3 eye;
        if (t < 7.5)
            eye = u + Vec3{20 * std::sin(t / 3), -35 + 15 * std::sin(t / 3), -800 + 40 * t};
        else if (t < 15.5)
            eye = u + Vec3{40 * std::sin(t / 3), -45 + 15 * std::sin(t / 3), -770 + 40 * t};
        else
            eye = u + Vec3{100 * std::sin(t / 3), -25 + 25 * std::sin(t / 3), -800 + 40 * t};
        EXPECT_GT(clearance("forrest6.3ds", eye, solid), 5) << t;
    }
}

TEST_F(Models, ValleyEyePathsMissTreesWallAndFigure) {
    const auto solid = [](const std::string& n) {
        return n.rfind("tr", 0) != 0 && n != "stc" && n != "sky1" && n != "kupu" && n.rfind("water", 0) != 0;
    };
    for (double t = 0; t < 30; t += 0.25) {
        const Vec3 eye = t < 24 ? Vec3{0, 0, 50 * t + 600}
                                : Vec3{220 * std::cos(t / 4), 50 * std::sin(t / 3) - 150, 300 * std::sin(t / 2.4) + 1300};
        EXPECT_GT(clearance("foreye.3ds", eye, solid), 8) << "foreye " << t;
    }
    for (double t = 0; t < 65; t += 0.25) {
        Vec3 eye;
        if (t < 24)
            eye = {15 * std::cos(t / 5), 20 * std::sin(t / 4) * std::cos(t / 3) - 50, 50 * t + 600};
        else if (t < 41)
            eye = {220 * std::cos(t / 2), 50 * std::sin(t / 3) - 150, 300 * std::sin(t / 2.4) + 1300};
        else
            eye = {400 * std::cos(t / 3), 60 * std::sin(t / 3.5) - 90, 500 * std::sin(t / 5) + 1500};
        EXPECT_GT(clearance("forende.3ds", eye, solid), 8) << "forende " << t;
    }
}

// ---------------------------------------------------------------- music, data set

TEST(Mp3Writer, DecodersGetBackExactlyTheSamplesThatWentIn) {
    const std::string dir = testsupport::makeTempDir();
    std::vector<std::int16_t> pcm(2 * 30000);
    for (std::size_t i = 0; i < pcm.size(); ++i) pcm[i] = static_cast<std::int16_t>(3000 * std::sin(i * 0.01));
    std::string error;
    ASSERT_TRUE(writeMp3(dir + "/a.mp3", pcm.data(), 30000, Mp3Settings(), &error)) << error;
    std::ifstream in(dir + "/a.mp3", std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    long samples = 0;
    int rate = 0;
    ASSERT_TRUE(platform::sound::decodedLength(bytes.data(), bytes.size(), &samples, &rate));
    EXPECT_EQ(rate, 44100);
    EXPECT_EQ(samples, 30000);
    Mp3Settings bad;
    bad.channels = 3;
    EXPECT_FALSE(writeMp3(dir + "/b.mp3", pcm.data(), 10, bad, &error));
    EXPECT_FALSE(std::ifstream(dir + "/b.mp3").good()) << "a failed encode leaves no file";
}

std::vector<std::uint8_t> slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(DataSet, GeneratingTwiceWritesByteIdenticalFiles) {
    const std::string a = testsupport::makeTempDir(), b = testsupport::makeTempDir();
    GenerateOptions options;
    options.placeholderMusic = true;
    int announced = 0;
    options.progress = [&](const std::string&, int index, int total) {
        EXPECT_EQ(index, announced++);
        EXPECT_EQ(total, static_cast<int>(dataSetFiles().size()));
    };
    std::string error;
    ASSERT_TRUE(generateDataSet(a, options, &error)) << error;
    options.progress = nullptr;
    ASSERT_TRUE(generateDataSet(b, options, &error)) << error;
    EXPECT_EQ(announced, static_cast<int>(dataSetFiles().size()));
    for (const std::string& file : dataSetFiles()) {
        const std::vector<std::uint8_t> first = slurp(a + "/" + file);
        EXPECT_FALSE(first.empty()) << file;
        EXPECT_TRUE(first == slurp(b + "/" + file)) << file << " differs between runs";
    }
}

}  // namespace
