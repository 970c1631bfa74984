// The forest opening, fog, greetings and space scenes, driven through their
// real init (model files written into a temporary data folder) and render:
// marks and lights, camera paths with and without the optional meshes,
// scrolls and waves across frames, prefix passes, build counts, every
// overlay window with its rectangles, alphas and modes, the fog layers'
// alpha, and a few pixels a formula decides.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "resources/camera.h"
#include "resources/light.h"
#include "scene_test_support.h"
#include "scenes/fog.h"
#include "scenes/fog_layers.h"
#include "scenes/forest_opening.h"
#include "scenes/greetings.h"
#include "scenes/space.h"

namespace {

using scenetest::brightestChannel;
using scenetest::expectVector;
using scenetest::square;

class ScenesOne : public scenetest::SceneTest {
protected:
    void SetUp() override {
        // White pictures except the fog and the sprites, which add black so
        // that they leave the pixels the tests read alone.
        for (const char* name : {"wt", "tx1", "tx2", "tx3", "tx4", "tx5", "keu4", "keu5", "keu6", "greets2", "greettxt"})
            texture(name);
        for (const char* name : {"fogz1", "fogz2", "sun2", "sun3", "sun4"}) texture(name, 0);
    }
    // Renders at scene time t; the first call must be at t = 0, which
    // starts the scene clock at demo time 0.
    template <class Scene>
    void frame(Scene& scene, float t) {
        ASSERT_TRUE(scene.render(1000.0f * t));
    }
    template <class Scene>
    void start(Scene& scene, const char* file, const std::vector<scenetest::Mesh>& meshes) {
        model(file, meshes);
        ASSERT_TRUE(scene.init(&library, &renderer));
        frame(scene, 0.0f);
    }
};

Qu::Object* mesh(demoSceneCommon& scene, const char* name) { return scene.findObject(name); }

// ---- forest opening -------------------------------------------------------

TEST_F(ScenesOne, OpeningInitMarksMeshesAndAddsItsThreeLights) {
    model("forresta.3ds", {square("stc", 0, 0, 0), square("win1", 3, 0, 0)});
    demoForrest scene;
    ASSERT_TRUE(scene.init(&library, &renderer));
    EXPECT_EQ(mesh(scene, "stc")->kind(), Qu::kindTransparent);
    EXPECT_FLOAT_EQ(mesh(scene, "win1")->faces.at(0)->color[0], 0.7f);
    // The third light loads the build-up sprite "light3" but shows "light5".
    Qu::Light* third = scene.findLight("light2");
    EXPECT_NE(library.find("light3"), nullptr);
    EXPECT_EQ(third->texture, library.find("light5"));
    EXPECT_FLOAT_EQ(scene.findLight("light1")->size, 200.0f);
}

TEST_F(ScenesOne, OpeningWithoutWallGlidesOnTheFixedPath) {
    demoForrest scene;
    start(scene, "forresta.3ds", {square("sky1", 0, -40, 0, 50)});
    frame(scene, 10.0f);
    const double x = 45.0 * std::sin(10.0 / 25.0 - 4.14) + 1.0 + 5.0 * std::sin(10.0 / 3.3) - 15.0 + 5.0;
    const double y = 3.0 * std::sin(10.0 / 3.0) * std::cos(-10.0 / 4.0) - 8.0;
    expectVector(scene.camera()->eye, x, y, -180.0);
    expectVector(scene.camera()->lookAt, x, y, -130.0);
}

TEST_F(ScenesOne, OpeningWithWallCirclesItAndMovesTheSpriteLights) {
    demoForrest scene;
    start(scene, "forresta.3ds", {square("wall", 10, -20, 300, 4)});
    frame(scene, 8.0f);
    const double t = 8.0;
    const double ex = 10 + 5.5 * std::sin(t / 3.6) - 7.0;
    const double ey = -20 + std::sin(t / 3) * std::cos(t / 2) - 5.5;
    const double ez = 300 + 50 - 2 * t;
    expectVector(scene.camera()->eye, ex, ey, ez);
    expectVector(scene.camera()->lookAt, 10 + 15 * std::sin(t / 4) * std::cos(t / 3), -20, 300 + 16 * std::cos(t / 5.2));
    expectVector(scene.findLight("light1")->position, 12, -120, 150);
    expectVector(scene.findLight("light2")->position, ex + 2 * std::sin(t), ey, ez - 2);
}

// Scrolls add each frame's frameDelta; wave heights start from the rest
// heights with the eye depths of the last drawn frame, phased along the
// vertex list (a and b step per vertex).
struct Wave {
    const char* name;
    double height, speed, stepA, stepB;
};
void expectWave(demoSceneCommon& scene, const Wave& wave, const std::vector<double>& depths, double t) {
    SCOPED_TRACE(wave.name);
    const Qu::Object* water = scene.findObject(wave.name);
    double a = 0, b = 1;
    for (std::int32_t i = 0; i < water->vertices.count(); ++i) {
        const Qu::Vertex* v = water->vertices.at(i);
        const double expected = wave.height * std::sin(wave.speed * t + a) * std::cos(depths[std::size_t(i)] / 20 + b);
        const double offset = std::strcmp(wave.name, "bg1") == 0 ? v->position.x - v->restPosition.x
                                                                 : v->position.y - v->restPosition.y;
        EXPECT_NEAR(offset, expected, 1e-3) << "vertex " << i;
        a += wave.stepA;
        b += wave.stepB;
    }
}
std::vector<double> eyeDepths(demoSceneCommon& scene, const char* name) {
    std::vector<double> depths;
    const Qu::Object* o = scene.findObject(name);
    for (std::int32_t i = 0; i < o->vertices.count(); ++i) depths.push_back(o->vertices.at(i)->eyePosition.z);
    return depths;
}

TEST_F(ScenesOne, OpeningScrollsAccumulateButWaterHeightsComeFromRest) {
    demoForrest scene;
    start(scene, "forresta.3ds", {square("sky1", 0, -40, 0, 50), square("water", 0, 10, -150, 30), square("win1", 20, 0, -150)});
    const Qu::Object* sky = mesh(scene, "sky1");
    const float u0 = sky->faces.at(0)->cornerU[1];
    frame(scene, 1.0f);
    frame(scene, 3.0f);
    EXPECT_NEAR(sky->faces.at(0)->cornerU[1] - u0, 3.0 / 20.0, 1e-5);
    EXPECT_NEAR(sky->faces.at(1)->cornerV[2] - u0, 3.0 / 20.0, 1e-5);
    const double sway = std::sin(1.0 / 3.0) / 10.0 + std::sin(1.0) * 2.0 / 10.0;
    EXPECT_NEAR(mesh(scene, "win1")->faces.at(1)->cornerU[0], sway, 1e-5);
    EXPECT_NEAR(mesh(scene, "water")->faces.at(0)->cornerV[0], sway, 1e-5);
    const std::vector<double> depths = eyeDepths(scene, "water");
    frame(scene, 4.5f);
    expectWave(scene, {"water", 2, 1, 0.4, 0.45}, depths, 4.5);
}

// ---- every overlay window -----------------------------------------------

struct Expected {
    float x1, y1, x2, y2, alpha;
    int mode;
};
Expected full(double s, double alpha, int mode = -1) {
    return {float(-1165 * s), float(-880 * s), float(1165 * s), float(880 * s), float(alpha), mode};
}
Expected fade(double alpha, int mode) { return {-1400, -1300, 1400, 1300, float(alpha), mode}; }
// Four zoom rectangles, each the one before scaled by its factor.
std::vector<Expected> zoom(const std::vector<double>& factors, const std::vector<double>& alphas) {
    std::vector<Expected> quads;
    double s = 1;
    for (std::size_t i = 0; i < 4; ++i) quads.push_back(full(s *= factors[i], alphas[i]));
    return quads;
}

enum Scene { opening, fog, greetUnder, greetOver, space };
struct Row {
    Scene scene;
    float t;
    const char* key;
    std::vector<Expected> quads;
};

std::vector<Row> overlayRows() {
    const double s2 = 2.0 / 3 + 1, s5 = 5.0 / 3 + 1, f22 = 2.0 / 13 + 1, f245 = 4.5 / 13 + 1;
    const double tx2 = 100 * std::sin(6.0), sway = 20 * std::sin(12.0), tx4 = 100 * std::sin(13.0);
    // The greetings band at 12: x from 1300 at 700 a second, 12000 to 22000 long.
    const double len = 12000 + 5000 * (std::sin(3.0) * std::cos(4.0) + 1), b12 = 50 * std::sin(6.0) * std::cos(36.0);
    const double c12 = 400 * std::cos(6.0);
    const double p55 = 150 * (std::sin(5.5 / 3) * std::cos(5.5 / 4) + 2), q55 = 50 * (std::sin(-2.75) * std::cos(5.5 / 3) + 2);
    auto spaceFlash = [](double t) {
        const double w1 = t <= 30 ? (t - 25) / 3 : (35 - t) / 3, w2 = t <= 30 ? (t - 25) / 6 : (35 - t) / 6;
        const double a1 = std::min(w1, 0.5) + std::sin(t) / 2, a3 = std::min(w2, 0.25) + std::sin(t / 1.3) / 2;
        const double s = (t - 25) / 5 + 1;
        return zoom({s, 1.01 * s, 1.02 * s, 1.03 * s}, {a1, std::min(w2, 0.35) + std::sin(t / 2) / 2, a3, a3});
    };
    return {
        // Opening: fade in to 6, bands 33 to 40 (the echo 1.5 times wider),
        // fade out from 36, the "keu4" flash to 8.
        {opening, 5.99f, "wt", {fade(5.99 / 6, 0)}},
        {opening, 6, "wt", {}},
        {opening, 36, "wt", {}},
        {opening, 36.5f, "wt", {fade(2.5 / 3, 0)}},
        {opening, 36.9f, "tx5", {{-1039, -900, 1039, 100, 1.3f, -1}, {-1058.5f, -900, 1058.5f, 100, 0.52f, -1}}},
        {opening, 37, "tx5", {{-1040, -900, 1040, 100, 1, -1}, {-1060, -900, 1060, 100, 0.4f, -1}}},
        {opening, 32.99f, "tx5", {}},
        {opening, 40, "tx5", {}},
        {opening, 2, "keu4", zoom({s2, 1.01 * s2, 1.02 * s2, 1.03 * s2}, {0.5, 0.35, 0.25, 0.25})},
        {opening, 5, "keu4", zoom({s5, 1.01 * s5, 1.02 * s5, 1.03 * s5}, {-0.5, -0.5, -0.5, -0.5})},
        {opening, 8, "keu4", {}},
        // Fog: four title bands rising and falling, the "keu6" flash, the
        // white flashes (mode 1) and the fade out (mode 0).
        {fog, 4, "tx1", {}},
        {fog, 6.5f, "tx1", {{-1050, 300, 950, 700, 2.5f, -1}, {-1050, 300, 975, 700, 0.25f, -1}}},
        {fog, 7, "tx1", {{-1000, 300, 1000, 700, 1, -1}, {-1000, 300, 1030, 700, 0.3f, -1}}},
        {fog, 12, "tx2", {{-600, float(-600 + tx2), 1400, float(-tx2), 1, -1},
                          {float(-600 + sway), float(-600 + tx2), float(1480 + sway), float(-tx2), 0.1f, -1}}},
        {fog, 20, "tx3", {{-1300, -800, 700, 0, 2, -1}, {-1400, -800, 960, 0, 0.2f, -1}}},
        {fog, 21, "tx3", {{-1400, -800, 600, 0, 1, -1}, {-1400, -800, 770, 0, 0.3f, -1}}},
        {fog, 26, "tx4", {{-850, float(-700 + tx4), 1150, float(-tx4), 1, -1},
                          {-1070, float(-700 + tx4), 1370, float(-tx4), float(0.2 / 3), -1}}},
        {fog, 20, "keu6", {}},
        {fog, 22, "keu6", zoom({1, f22, 1.01 * f22, 1.02 * f22}, {1, 0.5, 0.5, 0.5})},
        {fog, 24.5f, "keu6", zoom({1, f245, 1.01 * f245, 1.02 * f245}, {0.25, 0.25, 0.25, 0.25})},
        {fog, 27.01f, "keu6", {}},
        {fog, 1, "wt", {fade(0.5, 0)}},
        {fog, 28, "wt", {fade(0.5, 1)}},
        {fog, 29.5f, "wt", {fade(0.125, 1)}},
        {fog, 30, "wt", {}},
        {fog, 31.5f, "wt", {fade(0.375, 1)}},
        {fog, 33.99f, "wt", {}},
        {fog, 34, "wt", {fade(1, 0)}},
        // Greetings: the band under the fog from 10, the text over it from
        // 5, the opening fade laid twice, the fade out from 32.
        {greetUnder, 10, "greets2", {}},
        {greetUnder, 12, "greets2", {{-100, float(-b12 - 504), float(-100 + len), float(b12 - 604), float(std::sin(36.0) / 5 + 0.25), -1},
                                     {-100, float(-100 + 2 * b12 + c12 - 8), float(-100 + len), float(100 - 2 * b12 + c12 + 8),
                                      float(std::sin(36.0) / 2.5 + 1), -1}}},
        {greetOver, 5, "greetings", {}},
        {greetOver, 5.5f, "greetings", {{float(-400 - p55), float(-200 - q55), float(400 + p55), float(200 + q55), float(std::sin(5.5) + 1), -1}}},
        {greetOver, 1.5f, "wt", {fade(0.5, 0), {-1400, -1000, 1400, 1000, 0.5f, 0}}},
        {greetOver, 32, "wt", {}},
        {greetOver, 32.5f, "wt", {{-1400, -1000, 1400, 1000, float(1 - 0.5 / 3), 0}}},
        // Space: the white flash at 17, the "keu5" flash from 25 (its
        // weights turn at 30 and go negative at 38, still drawn), the fade out.
        {space, 16.99f, "wt", {}},
        {space, 17, "wt", {fade(1, 1)}},
        {space, 17.75f, "wt", {fade(0.25, 1)}},
        {space, 18, "wt", {}},
        {space, 41, "wt", {}},
        {space, 42, "wt", {fade(0.5, 0)}},
        {space, 25, "keu5", {}},
        {space, 26, "keu5", spaceFlash(26)},
        {space, 29, "keu5", spaceFlash(29)},
        {space, 30.5f, "keu5", spaceFlash(30.5)},
        {space, 43, "keu5", spaceFlash(43)},
    };
}

// Each overlay of the scene's rows: count, rectangle, alpha and mode.
void expectOverlays(Scene scene, Scene other = Scene(-1)) {
    for (const Row& row : overlayRows()) {
        if (row.scene != scene && row.scene != other) continue;
        SCOPED_TRACE(std::string(row.key) + " at " + std::to_string(row.t));
        const std::vector<demoOverlay> all = row.scene == opening    ? demoForrest::overlays(row.t)
                                             : row.scene == fog      ? demoFog::overlays(row.t)
                                             : row.scene == space    ? demoSpace::overlays(row.t)
                                             : row.scene == greetOver ? demoGreet::overFogOverlays(row.t)
                                                                      : demoGreet::underFogOverlays(row.t);
        std::vector<demoOverlay> quads;
        for (const demoOverlay& o : all)
            if (o.key && std::strcmp(o.key, row.key) == 0) quads.push_back(o);
        EXPECT_EQ(quads.size(), row.quads.size());
        for (std::size_t i = 0; i < std::min(quads.size(), row.quads.size()); ++i) {
            const Expected& want = row.quads[i];
            const float tolerance = 0.01f + 1e-5f * std::fabs(want.x2);
            EXPECT_NEAR(quads[i].x1, want.x1, tolerance) << i;
            EXPECT_NEAR(quads[i].y1, want.y1, tolerance) << i;
            EXPECT_NEAR(quads[i].x2, want.x2, tolerance) << i;
            EXPECT_NEAR(quads[i].y2, want.y2, tolerance) << i;
            EXPECT_NEAR(quads[i].alpha, want.alpha, 1e-5) << i;
            EXPECT_EQ(quads[i].mode, want.mode) << i;
        }
    }
}

TEST_F(ScenesOne, OpeningOverlayWindows) { expectOverlays(opening); }

TEST_F(ScenesOne, FogOverlayWindows) { expectOverlays(fog); }
TEST_F(ScenesOne, GreetingsOverlayWindows) { expectOverlays(greetUnder, greetOver); }
TEST_F(ScenesOne, SpaceOverlayWindowsAndBuildCounts) {
    expectOverlays(space);
    // The fine wireframe builds 40 t faces (four lines a face), the solid
    // build-up 20 t: one face at 0.02, two at 0.07. Without "sun3" the
    // wireframe's head draws no sprites, which would add polygons.
    std::filesystem::remove(data.path + "/data/sun3.tga");
    scenetest::Counts early, counts;
    quadsOf<demoSpace>("space.3ds", "wt", 0.02, 1000, {scenetest::crossed("ufo", 0, 0, 300)}, &early);
    quadsOf<demoSpace>("space.3ds", "wt", 0.07, 1000, {scenetest::crossed("ufo", 0, 0, 300)}, &counts);
    EXPECT_EQ(counts.lines, 4 * 3);
    EXPECT_EQ(counts.polygons - early.polygons, 1);
}

// The fog layers' alpha: each layer draws at opacity(depth) times the
// scene's alpha; the layers of "fogz1" sit at depths 2 and 6 (opacities
// 1/4 and 3/4), and nearer layers are larger.
void expectFogAlpha(const std::vector<scenetest::Quad>& quads, double alpha) {
    ASSERT_EQ(quads.size(), 2u);
    EXPECT_NEAR(quads[0].alpha, std::min(1.0, 0.25 * alpha), 1e-4);
    EXPECT_NEAR(quads[1].alpha, std::min(1.0, 0.75 * alpha), 1e-4);
    EXPECT_NEAR(quads[0].x2 - quads[0].x1, 680 + 4800 * 3, 4);
    EXPECT_NEAR(quads[1].y2 - quads[1].y1, 540 + 3600 * (1 + 4 / 6.0), 4);
}

TEST_F(ScenesOne, OpeningFogLayersAtFullAlpha) {
    expectFogAlpha(quadsOf<demoForrest>("forresta.3ds", "fogz1", 5), 1.0);
}
TEST_F(ScenesOne, FogFogLayersAlpha) {
    expectFogAlpha(quadsOf<demoFog>("asmtest2.3ds", "fogz1", 5), (std::sin(2.5) * std::cos(5.0 / 3) + 2) / 4);
}
TEST_F(ScenesOne, GreetingsFogLayersAlpha) {
    expectFogAlpha(quadsOf<demoGreet>("scenery.3ds", "fogz1", 5), 0.5 * std::sin(2.5) + 0.6);
}
TEST_F(ScenesOne, SpaceFogLayersThickenFromNineteen) {
    expectFogAlpha(quadsOf<demoSpace>("space.3ds", "fogz1", 10), 0.4);
    expectFogAlpha(quadsOf<demoSpace>("space.3ds", "fogz1", 23), 0.4 + 4.0 / 8);
}

TEST_F(ScenesOne, OpeningFadeOutAtZeroKeepsThePictureBlack) {
    demoForrest scene;
    start(scene, "forresta.3ds", {square("fars", 0, 0, -2000)});   // behind the eye
    // At 37.5 the white band (alpha a = 5/6, source times itself over
    // black) and its echo (alpha e = 0.4 a) are darkened by a fade of 1/2.
    frame(scene, 37.5f);
    const double a = 1.0 - 0.5 / 3.0, e = 0.4 * a;
    const double expected = 0.5 * (e * e + a * a * (1.0 - e));
    EXPECT_NEAR(gl.pixelFromTop(512, 500).r, 255.0 * expected, 3.0);
    // From 39 the fade's alpha is 0 or below: black however bright the band.
    frame(scene, 39.0f);
    EXPECT_EQ(brightestChannel(gl), 0);
}

// ---- fog ----------------------------------------------------------------

std::vector<scenetest::Mesh> fogModel() {
    return {square("water", 0, 0, 0, 20), square("to1", 0, 0, 0), square("t", 5, 5, 5), square("ba", 1, 1, 1),
            square("ball", 0, 0, 0),      square("Ball", 2, 0, 0), square("b", 3, 0, 0), square("toA", 0, 0, 0),
            square("logo2", 0, 0, 30),    square("logo1", 4, 0, 30)};
}

TEST_F(ScenesOne, FogPrefixPassesMatchTwoCharactersExactly) {
    model("asmtest2.3ds", fogModel());
    demoFog scene;
    ASSERT_TRUE(scene.init(&library, &renderer));
    EXPECT_EQ(mesh(scene, "ball")->kind(), Qu::kindWireBuild);
    EXPECT_EQ(mesh(scene, "Ball")->kind(), Qu::kindMesh);
    EXPECT_EQ(mesh(scene, "b")->kind(), Qu::kindMesh);

    // Orbiters: p steps by 0.5 per "to" item in list order; "t" stays put.
    frame(scene, 0.0f);
    frame(scene, 3.0f);
    const double t = 3.0;
    const double fx = 80 * std::sin(t / 2.3), fy = 35 * std::sin(t / 3) * std::cos(-t / 4) - 200;
    const double fz = 170 * std::cos(t / 4) + 200;
    expectVector(scene.camera()->eye, fx, fy, fz);
    expectVector(scene.camera()->lookAt, 50 * std::sin(t / 7), 90 * std::cos(t / 4), 0);
    for (auto [name, p] : {std::pair<const char*, double>{"to1", 0.5}, {"toA", 1.0}}) {
        SCOPED_TRACE(name);
        expectVector(mesh(scene, name)->position, 70 * std::sin(t + p) + fx, 30 * (std::cos(t) + std::sin(t + p)) + fy,
                     100 * std::sin(t + p) + fz + 160);
    }
    expectVector(mesh(scene, "t")->position, 5, 5, 5);
    expectVector(scene.findLight("light1")->position, 80, -250, -100);
}

TEST_F(ScenesOne, FogBallSwingsWaterWavesAndLogosMoveFromRest) {
    demoFog scene;
    start(scene, "asmtest2.3ds", fogModel());
    const Qu::Object* water = mesh(scene, "water");
    const float u0 = water->faces.at(0)->cornerU[0];
    frame(scene, 15.0f);
    auto path = [](double t) { return Qu::Vector(230 * std::sin(t / 3), 240 * std::sin(t / 3.4), 240 * std::cos(t / 5)); };
    const Qu::Vector at15 = path(15.0);
    expectVector(mesh(scene, "ball")->position, at15.x, at15.y, at15.z);
    std::vector<double> depths;
    std::vector<Qu::Vector> logoEye;
    for (int repeat = 0; repeat < 2; ++repeat) {
        depths = eyeDepths(scene, "water");
        logoEye.clear();
        for (std::int32_t i = 0; i < 4; ++i) logoEye.push_back(mesh(scene, "logo2")->vertices.at(i)->eyePosition);
        frame(scene, 16.0f);
        const Qu::Vector at16 = path(16.0);
        expectVector(mesh(scene, "ball")->position, at16.x + 30 * std::sin(16.0), at16.y + 40 * std::cos(16.0 / 3),
                     at16.z + 10 * std::sin(16.0));
    }
    expectWave(scene, {"water", 15, 2, 0.2, 0.25}, depths, 16.0);
    // The water drifts by sin(t / 2) frameDelta / 8 (the last frame took no time).
    EXPECT_NEAR(water->faces.at(0)->cornerU[0] - u0, std::sin(7.5) * 15 / 8 + std::sin(8.0) / 8, 1e-4);
    // logo2 wobbles from rest with the eye position of the frame before.
    const Qu::Object* logo2 = mesh(scene, "logo2");
    const double w = 7 * std::sin(32.0);
    for (std::int32_t i = 0; i < 4; ++i) {
        const Qu::Vertex* v = logo2->vertices.at(i);
        EXPECT_NEAR(v->position.x - v->restPosition.x, w * std::cos(logoEye[std::size_t(i)].x / 10 + 1), 1e-3);
        EXPECT_NEAR(v->position.z - v->restPosition.z, w * std::cos(logoEye[std::size_t(i)].z / 10 + 1), 1e-3);
    }
    EXPECT_NEAR(mesh(scene, "logo1")->position.y, mesh(scene, "logo1")->homePosition.y + 3 * std::sin(32.0) - 7, 1e-4);
    EXPECT_NEAR(logo2->position.y, logo2->homePosition.y - 3 * std::sin(32.0) + 11, 1e-4);
}

TEST_F(ScenesOne, FogBuildCountTurnsAtFifteenAndEmptiesAtThirty) {
    EXPECT_FLOAT_EQ(demoFog::buildCount(5.0f), 1000.0f);
    EXPECT_FLOAT_EQ(demoFog::buildCount(15.0f), 3000.0f);
    EXPECT_NEAR(demoFog::buildCount(15.001f), 3000.0f, 0.5f);
    EXPECT_FLOAT_EQ(demoFog::buildCount(30.0f), 0.0f);
    EXPECT_LT(demoFog::buildCount(31.0f), 0.0f);
}

TEST_F(ScenesOne, GreetingsBuildCountTurnsAtTwenty) {
    EXPECT_FLOAT_EQ(demoGreet::buildCount(5.0f), 2000.0f);
    EXPECT_FLOAT_EQ(demoGreet::buildCount(20.0f), 8000.0f);
    EXPECT_FLOAT_EQ(demoGreet::buildCount(30.0f), 2000.0f);
}

TEST_F(ScenesOne, FogWithoutWorldStillDrawsBuildFogAndOverlays) {
    // At t = 5 the camera looks from F at L = (50 sin(5/7), 90 cos(5/4), 0):
    // a wire triangle's edge runs through L, a lit background lies beyond
    // it, and the "tx1" band covers the upper part of the screen.
    const double t = 5.0;
    const float lx = float(50 * std::sin(t / 7)), ly = float(90 * std::cos(t / 4));
    const float fx = float(80 * std::sin(t / 2.3)), fy = float(35 * std::sin(t / 3) * std::cos(-t / 4) - 200);
    const float fz = float(170 * std::cos(t / 4) + 200);
    scenetest::Mesh wire{"bar", {{lx - 40, ly, 0}, {lx + 40, ly, 0}, {lx, ly + 40, 0}}, {{0, 1, 2}}};
    demoFog scene;
    start(scene, "asmtest2.3ds", {wire, square("bg1", lx + 2 * (lx - fx), ly + 2 * (ly - fy), 2 * -fz, 2000)});
    scene.worldVisible = 0;
    frame(scene, 5.0f);
    EXPECT_GT(gl.pixelFromTop(512, 150).r, 200);   // the band
    // The wire passes the centre of the picture in its colour (0.6, 0.6, 0.8).
    bool wireSeen = false;
    for (int dy = -2; dy <= 2; ++dy) {
        testsupport::Rgba p = gl.pixelFromTop(512, 384 + dy);
        if (p.b > 150 && p.r > 100 && p.r < p.b) wireSeen = true;
    }
    EXPECT_TRUE(wireSeen);
    EXPECT_EQ(testsupport::channelDistance(gl.pixelFromTop(900, 700), testsupport::Rgba()), 0);   // no world
    scene.worldVisible = 1;
    frame(scene, 5.0f);
    EXPECT_GT(gl.pixelFromTop(900, 700).r, 10);
}

// ---- greetings ------------------------------------------------------------

TEST_F(ScenesOne, GreetingsInitAndTheEyeOnItsAxis) {
    model("scenery.3ds", {square("wirus", 0, 0, 0), square("water", 0, 5, 0, 10), square("bg1", 0, 0, 100, 50),
                          square("bank", 9, 0, 0), square("to1", 0, 0, 0)});
    demoGreet scene;
    ASSERT_TRUE(scene.init(&library, &renderer));
    EXPECT_EQ(mesh(scene, "bank")->kind(), Qu::kindWireBuild);
    EXPECT_EQ(scene.findLight("light11")->texture, library.find("lightg"));
    const Qu::Object* water = mesh(scene, "water");
    frame(scene, 0.0f);
    expectVector(scene.camera()->eye, 0, 0, -70);
    expectVector(scene.camera()->lookAt, 0, 0, 0);
    const std::vector<double> depths = eyeDepths(scene, "bg1");
    frame(scene, 2.0f);
    expectVector(scene.camera()->eye, 0, 0, -66);
    expectVector(mesh(scene, "to1")->position, 70 * std::sin(2.5), 30 * (std::cos(2.0) + std::sin(2.5)), 100 * std::sin(2.5) + 4 - 70 + 160);
    expectVector(scene.findLight("light11")->position, 15 * std::sin(2.0 / 3) * std::cos(1.0) - 25,
                 5 * std::sin(2.0 / 5) * std::cos(2.0 / 3) - 30, -40);
    // Water sways along u only; bg1 ripples sideways from rest.
    EXPECT_NEAR(water->faces.at(0)->cornerU[0], std::sin(2.0 / 3.0) * 2.0 / 20.0, 1e-5);
    EXPECT_FLOAT_EQ(water->faces.at(0)->cornerV[0], 0.0f);
    expectWave(scene, {"bg1", 5, 2, 0.2, 0.25}, depths, 2.0);
}

// With no view direction the world is not drawn: its eye positions (which
// the next frame's ripple reads) stay those of the frame before.
TEST_F(ScenesOne, GreetingsEyeOnTheLookAtPointDrawsBlackWithoutFault) {
    demoGreet scene;
    start(scene, "scenery.3ds", {square("bg1", 0, 0, 50, 80), square("ball", 0, 0, 10)});
    const std::vector<double> depths = eyeDepths(scene, "bg1");
    frame(scene, 35.0f);
    expectVector(scene.camera()->eye, 0, 0, 0, 0.0);
    EXPECT_EQ(eyeDepths(scene, "bg1"), depths);
    EXPECT_EQ(brightestChannel(gl), 0);
    frame(scene, 36.0f);   // looking back along -z, still under the black fade
    EXPECT_EQ(brightestChannel(gl), 0);
}

// ---- space ----------------------------------------------------------------

TEST_F(ScenesOne, SpaceRidesWithUfotAndSwitchesPathAtSeventeen) {
    demoSpace scene;
    start(scene, "space.3ds", {square("ufot", 10, -20, 40), square("sky1", 0, 0, 80, 100)});
    const Qu::Object* sky = mesh(scene, "sky1");
    frame(scene, 16.5f);
    double t = 16.5;
    expectVector(scene.camera()->eye, 10 + 3 * (std::sin(t / 5) + std::cos(t / 3)), -20 + 2 * std::sin(t / 2.5) - 1,
                 40 - 4 + 6 * std::sin(t / 4) * std::cos(t / 3));
    frame(scene, 17.0f);
    t = 17.0;
    expectVector(scene.camera()->eye, 10 + 3 * (std::sin(t / 6) + std::cos(t / 2.5)), -20 + 2 * std::sin(t / 3),
                 40 - 3 + 2 * std::sin(t / 4) * std::cos(t / 3));
    expectVector(scene.camera()->lookAt, 10 + 2 * std::cos(t / 4), -20 + 3 * std::sin(t / 5), 40);
    expectVector(scene.findLight("light3")->position, 10, -20, 40);
    EXPECT_NEAR(scene.findLight("light3")->size, 100 * std::sin(t) + 250, 1e-3);
    expectVector(scene.findLight("light4")->position, -20, -120, -20);
    // The sky streams along v by frameDelta / 3, u untouched.
    EXPECT_NEAR(sky->faces.at(0)->cornerV[1], 17.0 / 3.0, 1e-4);
    EXPECT_FLOAT_EQ(sky->faces.at(0)->cornerU[1], 0.0f);
}

TEST_F(ScenesOne, SpaceWithoutUfotKeepsTheResetCameraAndLiftsAnItemNamedLight1) {
    demoSpace scene;
    start(scene, "space.3ds", {square("wall", 5, 6, 7), square("light1", 0, 0, 0)});
    expectVector(mesh(scene, "light1")->position, 5, -44, 7, 1e-6);
    frame(scene, 20.0f);
    expectVector(scene.camera()->eye, 0, 0, 1, 0.0);
    expectVector(scene.findLight("light3")->position, 30, 30, 30, 0.0);
}

}  // namespace
