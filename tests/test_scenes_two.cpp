// The earth scene, the three forest animations and the finale, driven on
// small models and textures written by the test into a data folder: what
// init marks and adds, the scene clocks, camera phases at their bounds,
// flames with and without "wall", build-up windows, the "etext" band and
// the fades, read back from the models and from the picture.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/message_box.h"
#include "render/renderer.h"
#include "render_support.h"
#include "resources/camera.h"
#include "resources/light.h"
#include "resources/model.h"
#include "resources/texture_library.h"
#include "scene_test_support.h"
#include "scenes/earth.h"
#include "scenes/forest_anim_one.h"
#include "scenes/forest_anim_three.h"
#include "scenes/forest_anim_two.h"
#include "scenes/forest_finale.h"
#include "shell/timeline.h"
#include "support/gl_context.h"
#include "support/paths.h"

namespace {

using scenetest::Bytes;
using scenetest::brightestChannel;
using scenetest::expectVector;

// A mesh of the test model: two crossed squares of edge `edge` (one facing
// along z, one along x) centred on the engine point (x, y, z), so that it
// is seen from any side and its loaded position is exactly that point.
struct Mesh {
    std::string name;
    double x = 0, y = 0, z = 0;
    double edge = 20;
};

class Chunks {
public:
    void begin(std::uint16_t id) {
        open.push_back(bytes.size());
        u16(id);
        u32(0);
    }
    void end() {
        const std::size_t start = open.back();
        open.pop_back();
        const auto length = std::uint32_t(bytes.size() - start);
        for (int i = 0; i < 4; ++i) bytes[start + 2 + std::size_t(i)] = std::uint8_t(length >> (8 * i));
    }
    void u16(std::uint16_t v) {
        bytes.push_back(std::uint8_t(v));
        bytes.push_back(std::uint8_t(v >> 8));
    }
    void u32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(std::uint8_t(v >> (8 * i)));
    }
    void f32(float f) {
        std::uint32_t bits;
        std::memcpy(&bits, &f, sizeof bits);
        u32(bits);
    }
    void text(const std::string& s) {
        bytes.insert(bytes.end(), s.begin(), s.end());
        bytes.push_back(0);
    }
    Bytes bytes;

private:
    std::vector<std::size_t> open;
};

Bytes modelFile(const std::vector<Mesh>& meshes) {
    Chunks c;
    c.begin(0x4D4D);
    c.begin(0x3D3D);
    for (const Mesh& m : meshes) {
        const double h = m.edge / 2;
        // Engine points; the file stores engine (X, Y, Z) as (X, Z, -Y).
        const std::array<std::array<double, 3>, 8> points = {{
            {m.x - h, m.y - h, m.z}, {m.x + h, m.y - h, m.z}, {m.x + h, m.y + h, m.z},
            {m.x - h, m.y + h, m.z}, {m.x, m.y - h, m.z - h}, {m.x, m.y - h, m.z + h},
            {m.x, m.y + h, m.z + h}, {m.x, m.y + h, m.z - h},
        }};
        c.begin(0x4000);
        c.text(m.name);
        c.begin(0x4100);
        c.begin(0x4110);
        c.u16(std::uint16_t(points.size()));
        for (const auto& p : points) {
            c.f32(float(p[0]));
            c.f32(float(p[2]));
            c.f32(float(-p[1]));
        }
        c.end();
        c.begin(0x4120);
        const std::uint16_t faces[4][3] = {{0, 1, 2}, {0, 2, 3}, {4, 5, 6}, {4, 6, 7}};
        c.u16(4);
        for (const auto& f : faces) {
            c.u16(f[0]);
            c.u16(f[1]);
            c.u16(f[2]);
            c.u16(7);
        }
        c.end();
        c.end();
        c.end();
    }
    c.end();
    c.end();
    return c.bytes;
}

Qu::Object* object(demoSceneCommon& scene, const char* name) {
    Qu::Object* found = scene.findObject(name);
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// Every light of the name, in list order.
std::vector<Qu::Light*> lightsNamed(demoSceneCommon& scene, const char* name) {
    std::vector<Qu::Light*> lights;
    for (std::int32_t i = 0; i < scene.model->objects.count(); ++i) {
        auto* light = dynamic_cast<Qu::Light*>(scene.model->objects.at(i));
        if (light && light->name() && std::strcmp(light->name(), name) == 0) lights.push_back(light);
    }
    return lights;
}

// Pixels in the colour of the build-up wireframe (0.6, 0.6, 0.8): bluish.
int wirePixels(const testsupport::GlContext& gl) {
    const std::vector<std::uint8_t> frame = gl.frame();
    int count = 0;
    for (std::size_t i = 0; i + 3 < frame.size(); i += 4) {
        if (frame[i + 2] >= 150 && frame[i + 2] - frame[i] >= 30) ++count;
    }
    return count;
}

// Pixels that are neither black nor wireframe-blue.
int greyPixels(const testsupport::GlContext& gl) {
    const std::vector<std::uint8_t> frame = gl.frame();
    int count = 0;
    for (std::size_t i = 0; i + 3 < frame.size(); i += 4) {
        const int r = frame[i], b = frame[i + 2];
        if (r > 20 && std::abs(b - r) < 20) ++count;
    }
    return count;
}

// Window pixel of a screen-quad point: the plane reaches about 1161.9
// units left and right and 871.4 up and down.
int quadColumn(float x) { return int(512 + x * 512 / 1161.9f); }
int quadRow(float y) { return int(384 - y * 384 / 871.4f); }

class ScenesTwo : public ::testing::Test {
protected:
    ScenesTwo() {
        EXPECT_TRUE(data.entered());
        platform::recordMessageBoxes(true);
        rendertest::windowState();
        // The demo's window has no alpha bits, which the "darkening" fade
        // relies on: keep the offscreen frame's alpha at 1 like it.
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
    }
    ~ScenesTwo() override { platform::recordMessageBoxes(false); }

    void writeModel(const char* file, const std::vector<Mesh>& meshes) {
        data.write(file, modelFile(meshes));
    }
    // White textures for the given base names.
    void writeWhite(std::initializer_list<const char*> names) {
        for (const char* name : names)
            data.write(std::string(name) + ".tga", scenetest::solidTga(255, 255, 255, 4));
    }
    // The fog layers' textures, which the shell loads before any scene.
    void loadWhiteFog() {
        writeWhite({"fogz1", "fogz2"});
        library.load("fogz1", "data//fogz1.tga", "fogz1", 0);
        library.load("fogz2", "data//fogz2.tga", "fogz2", 0);
    }
    template <class Scene>
    void start(Scene& scene, float firstMs = 0.0f) {
        ASSERT_TRUE(scene.init(&library, &renderer));
        scene.render(firstMs);
    }

    testsupport::GlContext gl;
    scenetest::DataFolder data;
    Qu::TextureLibrary library;
    Renderer renderer;
};

// ---------------------------------------------------------------- all five

TEST_F(ScenesTwo, MissingModelFilesFailInit) {
    ASSERT_TRUE(gl.ok());
    demoEarth earth;
    demoForan one;
    demoForanTwo two;
    demoForanThree three;
    demoForrestFinale finale;
    EXPECT_FALSE(earth.init(&library, &renderer));
    EXPECT_FALSE(one.init(&library, &renderer));
    EXPECT_FALSE(two.init(&library, &renderer));
    EXPECT_FALSE(three.init(&library, &renderer));
    EXPECT_FALSE(finale.init(&library, &renderer));
    EXPECT_EQ(finale.model, nullptr);
}

// ------------------------------------------------------------------- earth

TEST_F(ScenesTwo, EarthMarksByTableThenPrefixPassesAndAddsItsLights) {
    writeModel("earth.3ds", {{"stc"}, {"bg1"}, {"sky1"}, {"ufo"}, {"water01"}, {"wave"},
                             {"Tower"}, {"tomb"}, {"tree"}, {"asteroid"}});
    writeWhite({"sun2"});
    demoEarth earth;
    ASSERT_TRUE(earth.init(&library, &renderer));
    EXPECT_EQ(object(earth, "stc")->kind(), Qu::kindTransparent);
    EXPECT_EQ(object(earth, "bg1")->kind(), Qu::kindDoubleSided);
    EXPECT_EQ(object(earth, "ufo")->kind(), Qu::kindWireBuild);
    // The "wa" pass runs after the table: "water01" ends double-sided.
    EXPECT_EQ(object(earth, "water01")->kind(), Qu::kindDoubleSided);
    EXPECT_EQ(object(earth, "wave")->kind(), Qu::kindDoubleSided);
    EXPECT_EQ(object(earth, "Tower")->kind(), Qu::kindWireBuild);
    EXPECT_EQ(object(earth, "tomb")->kind(), Qu::kindMesh);   // prefixes are case-sensitive
    Qu::Object* tree = object(earth, "tree");
    EXPECT_EQ(tree->kind(), Qu::kindTransparent);
    EXPECT_EQ(tree->faces.at(0)->blend, 2);
    EXPECT_FLOAT_EQ(tree->faces.at(0)->color[0], 0.5f);

    Qu::Light* main = earth.findLight("light0");
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->glLight, 0x4000);
    EXPECT_EQ(main->spriteOnly, 0);
    EXPECT_EQ(main->texture, library.find("light2"));
    Qu::Light* halo = earth.findLight("light3");
    ASSERT_NE(halo, nullptr);
    EXPECT_FLOAT_EQ(halo->size, 0.0f);
    EXPECT_EQ(halo->spriteOnly, 1);
    Qu::Light* zoom = earth.findLight("light4");
    ASSERT_NE(zoom, nullptr);
    ASSERT_NE(library.find("lightsoom"), nullptr);   // sun2 again, under its own key
    EXPECT_EQ(zoom->texture, library.find("lightsoom"));
    EXPECT_FLOAT_EQ(zoom->size, 300.0f);
    EXPECT_EQ(earth.model->cameras.count(), 1);
}

TEST_F(ScenesTwo, EarthEyeSwingsAroundUfotOrTheOriginOnRawClockTime) {
    writeModel("earth.3ds", {{"ufot", 100, -50, 300}, {"earth", 0, 0, 400}});
    demoEarth earth;
    // The shell hands this scene raw clock milliseconds: any first value is t = 0.
    start(earth, 123456.0f);
    earth.render(123456.0f + 12000.0f);
    const double t = earth.lastTime;
    EXPECT_NEAR(t, 12.0, 1e-3);
    Qu::Camera* view = earth.camera();
    expectVector(view->lookAt, 0, 0, 400);
    expectVector(view->eye, 100 + 515 * std::sin(t / 3.2) * std::cos(t / 4),
                 -50 - 25 + 15 * std::sin(-t / 6.2) * std::cos(t / 4), 300 + 150 * std::sin(t / 2));
    Qu::Light* halo = earth.findLight("light3");
    expectVector(halo->position, 100, -50, 300);
    EXPECT_NEAR(halo->size, 100 * std::sin(t) + 250, 1e-3);
    expectVector(earth.findLight("light4")->position, -20, -120, -20);
    expectVector(earth.findLight("light0")->position, 50, -600, 20);

    writeModel("earth.3ds", {{"earth", 0, 0, 400}});
    demoEarth lonely;
    start(lonely, 5000.0f);
    lonely.render(5000.0f + 12000.0f);
    const double u = lonely.lastTime;
    expectVector(lonely.camera()->eye, 515 * std::sin(u / 3.2) * std::cos(u / 4),
                 -25 + 15 * std::sin(-u / 6.2) * std::cos(u / 4), 150 * std::sin(u / 2));
    expectVector(lonely.findLight("light3")->position, 30, 30, 30);
    EXPECT_FLOAT_EQ(lonely.findLight("light3")->size, 0.0f);
}

TEST_F(ScenesTwo, EarthTumblesAsMeshesAndDriftsTheSkyVertically) {
    writeModel("earth.3ds", {{"asA", 10, 0, 0}, {"asB", -10, 0, 0}, {"sky1"}, {"logo1", 0, 5, 0}});
    demoEarth earth;
    ASSERT_TRUE(earth.init(&library, &renderer));
    Qu::Face* sky = object(earth, "sky1")->faces.at(0);
    const float u0 = sky->cornerU[1], v0 = sky->cornerV[1];
    earth.render(0.0f);
    earth.render(1000.0f);
    earth.render(2500.0f);
    const Qu::Matrix& a = object(earth, "asA")->matrix;
    const Qu::Matrix& b = object(earth, "asB")->matrix;
    Qu::Matrix expected;
    expected.rotation(2.5f, 2.5f, 0.0f);
    for (int i = 0; i < 9; ++i) {
        EXPECT_NEAR(a.m[i], expected.m[i], 1e-5) << i;
        EXPECT_NEAR(b.m[i], expected.m[i], 1e-5) << i;
    }
    // The drift adds up frame by frame: 2.5 s / 10 in v, nothing in u.
    EXPECT_NEAR(sky->cornerV[1], v0 + 0.25f, 1e-5);
    EXPECT_FLOAT_EQ(sky->cornerU[1], u0);
    EXPECT_NEAR(object(earth, "logo1")->position.y, 5 + 3 * std::sin(5.0) - 7, 1e-4);
}

TEST_F(ScenesTwo, EarthPiloCardOpensFromABandToFullHeightAtTwelve) {
    writeModel("earth.3ds", {{"earth", 0, 0, 400}});
    writeWhite({"pilo"});
    demoEarth earth;
    start(earth);
    earth.render(11000.0f);
    // At 11 s the card reaches 680 units up and down: the top rows stay
    // black. The quad's colour is its own blend factor: alpha 1/3 gives 1/9.
    EXPECT_GT(gl.pixelFromTop(512, 384).r, 20);
    EXPECT_LT(gl.pixelFromTop(512, 10).r, 5);
    earth.render(12500.0f);
    EXPECT_GT(gl.pixelFromTop(512, 10).r, 60);
    EXPECT_GT(gl.pixelFromTop(5, 760).r, 60);
}

TEST_F(ScenesTwo, EarthIsBlackFromTwentySevenSeconds) {
    writeModel("earth.3ds", {{"earth", 0, 0, 400}, {"ufot", 0, 0, 0}});
    writeWhite({"starmap", "pilo", "pilo2", "wt", "sun2", "sun3"});
    loadWhiteFog();
    demoEarth earth;
    start(earth);
    earth.render(20000.0f);
    EXPECT_GT(brightestChannel(gl), 100);
    for (float t : {27.5f, 29.0f, 30.5f}) {
        earth.render(t * 1000);
        EXPECT_LE(brightestChannel(gl), 1) << t;
    }
}

// ------------------------------------------------------ forest animation I

TEST_F(ScenesTwo, ForestOneClockRunsAtHalfSpeed) {
    writeModel("forrest6.3ds", {{"stc"}});
    demoForan one;
    start(one, 190000.0f);
    EXPECT_FLOAT_EQ(one.lastTime, 0.0f);
    one.render(191000.0f);
    EXPECT_FLOAT_EQ(one.lastTime, 0.5f);
    one.render(194000.0f);
    EXPECT_FLOAT_EQ(one.lastTime, 2.0f);
    EXPECT_FLOAT_EQ(one.frameDelta, 1.5f);
}

TEST_F(ScenesTwo, ForestOneCameraPhasesSwitchAtTheirExactBounds) {
    const double ux = 10, uy = -20, uz = 300, wx = -40, wy = 30, wz = 900;
    writeModel("forrest6.3ds", {{"ukko", ux, uy, uz}, {"wall", wx, wy, wz}});
    demoForan one;
    start(one);
    Qu::Camera* view = one.camera();
    auto at = [&](double t) {
        one.render(float(t * 2000));
        EXPECT_DOUBLE_EQ(one.lastTime, t);
    };
    at(7.25);
    expectVector(view->lookAt, ux + 10 * std::sin(7.25 / 3), uy, uz);
    expectVector(view->eye, ux + 20 * std::sin(7.25 / 3), uy - 35 + 15 * std::sin(7.25 / 3),
                 uz - 800 + 40 * 7.25);
    at(7.5);
    expectVector(view->lookAt, wx + 40 * std::sin(2.5), wy - 40 + 70 * std::sin(3.75), wz);
    expectVector(view->eye, ux + 40 * std::sin(2.5), uy - 45 + 15 * std::sin(2.5), uz - 770 + 300);
    at(15.25);
    expectVector(view->lookAt, wx + 40 * std::sin(15.25 / 3), wy - 40 + 70 * std::sin(15.25 / 2),
                 wz);
    at(15.5);
    expectVector(view->lookAt, ux + 40 * std::sin(7.75), uy, uz);
    expectVector(view->eye, ux + 100 * std::sin(15.5 / 3), uy - 25 + 25 * std::sin(15.5 / 3),
                 uz - 800 + 40 * 15.5);
}

TEST_F(ScenesTwo, ForestOneFlamesStreamPastTheWallAndStayPutWithoutIt) {
    writeModel("forrest6.3ds", {{"wall", 0, -10, 500}});
    demoForan one;
    start(one);
    one.render(8000.0f);   // t = 4
    const float t = 4.0f;
    const float z0 = 35 * t - 440 + 500, x0 = 40 * std::sin(t) - 40, y0 = -110;
    expectVector(one.findLight("light12")->position, x0, y0, z0);
    expectVector(one.findLight("light16")->position, x0 + 30 * std::sin(-t / 3),
                 y0 + 45 * std::sin(t / 2.3f) + 30 * std::cos(t), z0 + 100);
    EXPECT_NEAR(one.findLight("light13")->size, 200 * std::cos(3.1f * t) + 200, 1e-3);
    for (const char* keeps : {"light12", "light15", "light16"})
        EXPECT_FLOAT_EQ(one.findLight(keeps)->size, 250.0f) << keeps;

    writeModel("forrest6.3ds", {{"ukko", 0, 0, 200}});
    demoForan bare;
    start(bare);
    bare.render(14000.0f);   // t = 7, still following "ukko"
    const Qu::Vector before = bare.camera()->lookAt;
    bare.render(20000.0f);   // t = 10: the "wall" phase, without a wall
    expectVector(bare.camera()->lookAt, before.x, before.y, before.z);
    for (const char* name : {"light12", "light13", "light14", "light15", "light16", "light17"}) {
        expectVector(bare.findLight(name)->position, 30, 30, 30);
        EXPECT_FLOAT_EQ(bare.findLight(name)->size, 250.0f) << name;
    }
    expectVector(bare.findLight("light0")->position, 50, -600, 20);
}

TEST_F(ScenesTwo, ForestOneWithoutUkkoKeepsTheResetEye) {
    writeModel("forrest6.3ds", {{"wall", 0, 0, 500}});
    demoForan one;
    start(one);
    for (float ms : {4000.0f, 20000.0f, 36000.0f}) {
        one.render(ms);
        expectVector(one.camera()->eye, 0, 0, 1);
    }
    // Only the "wall" phase moves the look-at point.
    expectVector(one.camera()->lookAt, 40 * std::sin(10.0 / 3), -40 + 70 * std::sin(5.0), 500);
}

TEST_F(ScenesTwo, ForestOneMarksWaterLaserAndPrefixes) {
    writeModel("forrest6.3ds",
               {{"water"}, {"water01"}, {"laser"}, {"Tower1"}, {"Top"}, {"trunk"}, {"TX"}});
    demoForan one;
    ASSERT_TRUE(one.init(&library, &renderer));
    EXPECT_EQ(object(one, "water")->faces.at(0)->blend, 1);
    Qu::Face* still = object(one, "water01")->faces.at(0);
    EXPECT_FLOAT_EQ(still->color[3], 0.6f);   // alpha, red, green, blue
    EXPECT_EQ(object(one, "laser")->kind(), Qu::kindWireBuild);
    EXPECT_EQ(object(one, "Tower1")->kind(), Qu::kindWireBuild);
    EXPECT_EQ(object(one, "Top")->kind(), Qu::kindWireBuild);
    EXPECT_EQ(object(one, "TX")->kind(), Qu::kindMesh);
    EXPECT_EQ(object(one, "trunk")->kind(), Qu::kindTransparent);
    EXPECT_EQ(object(one, "trunk")->faces.at(1)->blend, 2);
    const int numbers[6] = {123, 124, 125, 126, 127, 128};
    const char* names[6] = {"light12", "light13", "light14", "light15", "light16", "light17"};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(one.findLight(names[i])->glLight, numbers[i]);
}

// ----------------------------------------------------- forest animation II

TEST_F(ScenesTwo, ForestTwoFollowsTheLaserAndNeverMovesTheSecondLight0) {
    const double lx = 20, ly = -30, lz = 400;
    writeModel("fordrop.3ds", {{"laser", lx, ly, lz}, {"wall", 0, 0, 800}});
    demoForanTwo two;
    start(two);
    two.render(4000.0f);
    const double t = 4;
    expectVector(two.camera()->eye, lx + 60 - 4 * t, ly - 40 + 2 * t, lz - 20 + 10 * std::sin(t / 5));
    expectVector(two.camera()->lookAt, lx, ly, lz);   // replaces the "wall" point
    const std::vector<Qu::Light*> mains = lightsNamed(two, "light0");
    ASSERT_EQ(mains.size(), 2u);
    expectVector(mains[0]->position, lx + 10, ly - 20, lz - 5);
    expectVector(mains[1]->position, 0, 0, 50);
    EXPECT_FLOAT_EQ(mains[1]->size, 650.0f);
    EXPECT_EQ(mains[1]->glLight, 0x4001);
    EXPECT_EQ(mains[1]->spriteOnly, 1);
    // Five flames climb; "light17" stays; none changes size.
    expectVector(two.findLight("light17")->position, 30, 30, 30);
    const float x0 = 40 * std::sin(4.0f), z0 = 15 * 4.0f + 800 - 140;
    expectVector(two.findLight("light12")->position, x0, -100, z0);
    for (const char* name : {"light12", "light13", "light14", "light15", "light16", "light17"})
        EXPECT_FLOAT_EQ(two.findLight(name)->size, 50.0f) << name;
}

TEST_F(ScenesTwo, ForestTwoWithoutLaserLooksAtTheWallFromTheResetEye) {
    writeModel("fordrop.3ds", {{"wall", 5, 6, 700}, {"water01"}});
    demoForanTwo two;
    start(two);
    two.render(6000.0f);
    expectVector(two.camera()->eye, 0, 0, 1);
    expectVector(two.camera()->lookAt, 5 + 140 * std::sin(2.0), 6 - 40 + 70 * std::sin(3.0), 700);
    expectVector(two.findLight("light0")->position, 0, 0, 50);
    // "water01" is not marked in this scene.
    EXPECT_EQ(object(two, "water01")->kind(), Qu::kindMesh);
}

TEST_F(ScenesTwo, ForestTwoOpensWhiteAndBuildsTheLaserOnlyAfterFive) {
    writeModel("fordrop.3ds", {{"laser", 0, 0, 300, 40}});
    writeWhite({"wt"});
    demoForanTwo two;
    start(two);
    EXPECT_GE(gl.pixelFromTop(512, 384).r, 250);
    EXPECT_GE(gl.pixelFromTop(0, 0).g, 250);
    two.render(1500.0f);
    const int half = gl.pixelFromTop(512, 384).r;
    EXPECT_GT(half, 30);
    EXPECT_LT(half, 250);
    two.render(5000.0f);
    EXPECT_EQ(wirePixels(gl), 0);
    EXPECT_LE(brightestChannel(gl), 1);
    two.render(5250.0f);
    EXPECT_GT(wirePixels(gl), 20);
}

// ---------------------------------------------------- forest animation III

TEST_F(ScenesTwo, ForestThreeFiresShrinkToTheirFloorByTenAndTheMainLightSinksFromFifteen) {
    writeModel("foreye.3ds", {{"wall", 0, 0, 900}});
    demoForanThree three;
    start(three);
    three.render(5000.0f);
    EXPECT_NEAR(three.findLight("light17")->size, 75.0f, 1e-3);
    three.render(10000.0f);
    EXPECT_FLOAT_EQ(three.findLight("light17")->size, 0.01f);
    three.render(12000.0f);
    EXPECT_FLOAT_EQ(three.findLight("light17")->size, 0.01f);
    EXPECT_NEAR(three.findLight("light16")->size, 4 * 0.01f * (std::sin(12 / 2.7f) + 1), 1e-6);
    expectVector(three.findLight("light0")->position, 350, -550, 1300);
    three.render(15000.0f);
    expectVector(three.findLight("light0")->position, 350, -550, 1300);
    three.render(17000.0f);
    expectVector(three.findLight("light0")->position, 350, -560, 1300);
    const std::vector<Qu::Light*> mains = lightsNamed(three, "light0");
    ASSERT_EQ(mains.size(), 2u);
    expectVector(mains[1]->position, 30, 30, 30);
    EXPECT_FLOAT_EQ(mains[1]->size, 550.0f);
    EXPECT_EQ(mains[1]->texture, library.find("light3"));
}

TEST_F(ScenesTwo, ForestThreeWithoutWallKeepsFiresAndLookAt) {
    writeModel("foreye.3ds", {{"build"}});
    demoForanThree three;
    start(three);
    three.render(12000.0f);
    expectVector(three.camera()->lookAt, 0, 0, 1000);
    expectVector(three.camera()->eye, 0, 0, 1200);
    expectVector(three.findLight("light0")->position, 50, -600, 20);
    for (const char* name : {"light12", "light13", "light14", "light15", "light16", "light17"}) {
        expectVector(three.findLight(name)->position, 30, 30, 30);
        EXPECT_FLOAT_EQ(three.findLight(name)->size, 50.0f) << name;
    }
    Qu::Matrix turned;
    turned.rotation(0.0f, 12.0f, 0.0f);
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(object(three, "build")->matrix.m[i], turned.m[i], 1e-5);
}

TEST_F(ScenesTwo, ForestThreeEyeTurnsToItsOrbitAtTwentyFour) {
    writeModel("foreye.3ds", {{"wall", 0, 0, 900}});
    demoForanThree three;
    start(three);
    three.render(23750.0f);
    expectVector(three.camera()->eye, 0, 0, 50 * 23.75 + 600);
    three.render(24000.0f);
    expectVector(three.camera()->eye, 220 * std::cos(6.0), 50 * std::sin(8.0) - 150,
                 300 * std::sin(10.0) + 1300);
}

TEST_F(ScenesTwo, ForestThreeMarksItsMeshesAndPrefixes) {
    writeModel("foreye.3ds", {{"ukko"}, {"build"}, {"ufo1"}, {"ufo2"}, {"Toad"}, {"tri"}});
    demoForanThree three;
    ASSERT_TRUE(three.init(&library, &renderer));
    EXPECT_EQ(object(three, "ukko")->kind(), Qu::kindTransparent);
    EXPECT_FLOAT_EQ(object(three, "ukko")->faces.at(0)->color[1], 1.0f);
    EXPECT_EQ(object(three, "ufo1")->kind(), Qu::kindSolidBuild);
    EXPECT_EQ(object(three, "ufo2")->kind(), Qu::kindSolidBuild);
    EXPECT_EQ(object(three, "Toad")->kind(), Qu::kindWireBuild);
    EXPECT_EQ(object(three, "tri")->faces.at(0)->blend, 2);
}

TEST_F(ScenesTwo, ForestThreeBuildWindowsAreStrict) {
    // Without "wall" the camera looks at (0, 0, 1000): the mesh sits there.
    writeModel("foreye.3ds", {{"ufo", 0, 0, 1000, 200}});
    demoForanThree three;
    start(three);
    three.render(15000.0f);
    EXPECT_EQ(wirePixels(gl), 0);
    three.render(15500.0f);
    EXPECT_GT(wirePixels(gl), 20);
    three.render(25000.0f);
    EXPECT_GT(wirePixels(gl), 20);
    three.render(34900.0f);
    EXPECT_GT(wirePixels(gl), 20);
    three.render(35000.0f);
    EXPECT_EQ(wirePixels(gl), 0);
    EXPECT_GT(greyPixels(gl), 100);   // the surface build stays
}

// ---------------------------------------------------------------- finale

TEST_F(ScenesTwo, FinaleFiresShrinkInTwoStagesToTheirFloor) {
    writeModel("forende.3ds", {{"wall", 0, 0, 900}});
    demoForrestFinale finale;
    start(finale);
    finale.render(14000.0f);
    EXPECT_NEAR(finale.findLight("light17")->size, 80.0f, 1e-3);
    finale.render(15000.0f);
    EXPECT_NEAR(finale.findLight("light17")->size, 67.0f, 1e-3);
    finale.render(20000.0f);
    EXPECT_NEAR(finale.findLight("light17")->size, 2.0f, 1e-3);
    finale.render(20250.0f);
    EXPECT_FLOAT_EQ(finale.findLight("light17")->size, 0.01f);
    EXPECT_FLOAT_EQ(lightsNamed(finale, "light0")[1]->size, 550.0f);
}

TEST_F(ScenesTwo, FinaleEyeChangesPathAtTwentyFourAndFortyOne) {
    writeModel("forende.3ds", {{"kupu"}});
    demoForrestFinale finale;
    start(finale);
    Qu::Camera* view = finale.camera();
    finale.render(23500.0f);
    double t = 23.5;
    expectVector(view->eye, 15 * std::cos(t / 5), 20 * std::sin(t / 4) * std::cos(t / 3) - 50,
                 50 * t + 600);
    finale.render(24000.0f);
    t = 24;
    expectVector(view->eye, 220 * std::cos(t / 2), 50 * std::sin(t / 3) - 150,
                 300 * std::sin(t / 2.4) + 1300);
    finale.render(40500.0f);
    t = 40.5;
    expectVector(view->eye, 220 * std::cos(t / 2), 50 * std::sin(t / 3) - 150,
                 300 * std::sin(t / 2.4) + 1300);
    finale.render(41000.0f);
    t = 41;
    expectVector(view->eye, 400 * std::cos(t / 3), 60 * std::sin(t / 3.5) - 90,
                 500 * std::sin(t / 5) + 1500);
}

TEST_F(ScenesTwo, FinaleMarksItsExtraMeshesLeavesUfAloneAndLoadsTheBand) {
    writeModel("forende.3ds", {{"plate1"}, {"plate4"}, {"kupu"}, {"ufo"}, {"Tower"}});
    writeWhite({"etext"});
    demoForrestFinale finale;
    ASSERT_TRUE(finale.init(&library, &renderer));
    for (const char* name : {"plate1", "plate4", "kupu"}) {
        EXPECT_EQ(object(finale, name)->kind(), Qu::kindTransparent) << name;
        EXPECT_FLOAT_EQ(object(finale, name)->faces.at(0)->color[3], 0.6f) << name;
    }
    EXPECT_EQ(object(finale, "ufo")->kind(), Qu::kindMesh);
    EXPECT_EQ(object(finale, "Tower")->kind(), Qu::kindWireBuild);
    EXPECT_NE(library.find("etext"), nullptr);
}

TEST_F(ScenesTwo, FinaleWireframeEndsAtThirtyFiveForGood) {
    writeModel("forende.3ds", {{"Tower", 0, 0, 1000, 200}});
    demoForrestFinale finale;
    start(finale);
    finale.render(15000.0f);
    EXPECT_EQ(wirePixels(gl), 0);
    finale.render(20000.0f);
    EXPECT_GT(wirePixels(gl), 20);
    finale.render(34900.0f);
    EXPECT_GT(wirePixels(gl), 20);
    // From 35 s the count is negative: nothing is built.
    for (float t : {35.0f, 38.0f, 50.0f}) {
        finale.render(t * 1000);
        EXPECT_EQ(wirePixels(gl), 0) << t;
    }
}

TEST_F(ScenesTwo, FinaleEtextBandEntersAtThirtyFiveAndSlidesLeft) {
    float band[4];
    demoForrestFinale::etextBand(35.0f, band);
    EXPECT_FLOAT_EQ(band[0], 1300.0f);
    EXPECT_FLOAT_EQ(band[2], 13300.0f);
    EXPECT_NEAR(band[3] - band[1], 200.0f - 2 * 10 * std::sin(17.5f) * std::cos(105.0f), 1e-3);

    writeModel("forende.3ds", {{"kupu"}});
    writeWhite({"etext"});
    demoForrestFinale finale;
    start(finale);
    finale.render(37000.0f);
    demoForrestFinale::etextBand(37.0f, band);
    EXPECT_FLOAT_EQ(band[0], -100.0f);
    const int row = quadRow((band[1] + band[3]) / 2);
    // Alpha sin(111) / 2.5 + 1 = 0.65, drawn as its square: about 0.43.
    EXPECT_GT(gl.pixelFromTop(quadColumn(band[0] + 200), row).r, 80);
    EXPECT_GT(gl.pixelFromTop(1000, row).r, 80);
    EXPECT_LT(gl.pixelFromTop(quadColumn(band[0] - 300), row).r, 5);
    // At 56 s its right end has left the screen.
    finale.render(56000.0f);
    EXPECT_LE(brightestChannel(gl), 1);
}

TEST_F(ScenesTwo, FinaleDarkensFromFiftyTwoAndStaysBlackToTheEndOfTheDemo) {
    writeModel("forende.3ds", {{"wall", 0, 0, 900}, {"Tower", 0, 0, 1000, 200}});
    writeWhite({"wt", "starslot", "scanner", "keu4", "keu5", "keu6", "etext", "sun2", "sun3",
                "fire1", "fire2", "fire3"});
    loadWhiteFog();
    library.load("starslot", "data//starslot.tga", "starslot", 0);
    library.load("scanner", "data//scanner.tga", "scanner", 0);
    for (const char* key : {"keu4", "keu5", "keu6"})
        library.load(key, (std::string("data//") + key + ".tga").c_str(), key, 0);
    demoForrestFinale finale;
    start(finale, 275000.0f);
    finale.render(275000.0f + 52000.0f);
    EXPECT_GT(brightestChannel(gl), 100);
    finale.render(275000.0f + 54000.0f);
    EXPECT_GT(brightestChannel(gl), 20);
    for (float t : {56.5f, 60.0f, 65.0f, 65.1f}) {
        finale.render(275000.0f + t * 1000);
        EXPECT_LE(brightestChannel(gl), 1) << t;
    }
    // The finale plays to the end: the demo stops after the first frame past 340 s.
    EXPECT_EQ(advanceSegment(demoSegment::forestAnimThree, 275.01f), demoSegment::forestFinale);
    EXPECT_FALSE(timelineOver(340.0f));
    EXPECT_TRUE(timelineOver(340.02f));
}

}  // namespace
