// The earth scene, the three forest animations and the finale, driven on
// small models written into a data folder: what init marks and adds, the
// scene clocks, camera phases at their bounds, flames, water and logos, the
// screen quads each frame draws (read back through GL feedback), build-up
// windows and the fades, read back from the models and from the picture.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "resources/camera.h"
#include "resources/light.h"
#include "scene_test_support.h"
#include "scenes/earth.h"
#include "scenes/forest_anim_one.h"
#include "scenes/forest_anim_three.h"
#include "scenes/forest_anim_two.h"
#include "scenes/forest_finale.h"

namespace {

using scenetest::brightestChannel;
using scenetest::crossed;
using scenetest::expectVector;
using scenetest::Quad;
using scenetest::wirePixels;

const char* modelFile(const demoEarth*) { return "earth.3ds"; }
const char* modelFile(const demoForan*) { return "forrest6.3ds"; }
const char* modelFile(const demoForanTwo*) { return "fordrop.3ds"; }
const char* modelFile(const demoForanThree*) { return "foreye.3ds"; }
const char* modelFile(const demoForrestFinale*) { return "forende.3ds"; }
// Demo milliseconds per scene second: the first forest animation runs at half speed.
float msPerSecond(const demoForan*) { return 2000.0f; }
float msPerSecond(const void*) { return 1000.0f; }

Qu::Object* object(demoSceneCommon& scene, const char* name) {
    Qu::Object* found = scene.findObject(name);
    EXPECT_NE(found, nullptr) << name;
    return found;
}

struct Wave {
    const char* name;
    double scroll, height, speed;
};

class ScenesTwo : public scenetest::SceneTest {
protected:
    ScenesTwo() {
        // The demo's window has no alpha bits, which the darkening fade
        // relies on: keep the offscreen frame's alpha at 1 like it.
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
    }
    template <class Scene>
    void start(Scene& scene, const std::vector<scenetest::Mesh>& meshes) {
        model(modelFile(&scene), meshes);
        ASSERT_TRUE(scene.init(&library, &renderer));
        scene.render(0.0f);
    }
    template <class Scene>
    void at(Scene& scene, double t) {
        scene.render(float(t * msPerSecond(&scene)));
        EXPECT_FLOAT_EQ(scene.lastTime, float(t));
    }
    void expectQuads(int scene);
    // Water scrolls by frameDelta / scroll x sin(t / 3) and ripples from its
    // rest heights with the eye depths of the frame before; logos bob.
    template <class Scene>
    void expectWaves(Scene& scene, const std::vector<Wave>& waves) {
        const std::vector<scenetest::Mesh> meshes = {crossed("water", 0, 20, 300, 200),
                                                     crossed("water01", 0, 20, 250, 200), crossed("logo1", 0, 5, 0)};
        start(scene, meshes);
        std::vector<float> u0;
        std::vector<std::vector<double>> depths(waves.size());
        for (const Wave& wave : waves) u0.push_back(object(scene, wave.name)->faces.at(0)->cornerU[0]);
        at(scene, 1);
        for (std::size_t w = 0; w < waves.size(); ++w) {
            const Qu::Object* water = object(scene, waves[w].name);
            for (std::int32_t i = 0; i < water->vertices.count(); ++i) depths[w].push_back(water->vertices.at(i)->eyePosition.z);
        }
        at(scene, 2.5);
        for (std::size_t w = 0; w < waves.size(); ++w) {
            const Wave& wave = waves[w];
            SCOPED_TRACE(wave.name);
            const Qu::Object* water = object(scene, wave.name);
            EXPECT_NEAR(water->faces.at(0)->cornerU[0] - u0[w],
                        1.0 / wave.scroll * std::sin(1.0 / 3) + 1.5 / wave.scroll * std::sin(2.5 / 3), 1e-5);
            double a = 0, b = 1;
            for (std::int32_t i = 0; i < water->vertices.count(); ++i) {
                const Qu::Vertex* v = water->vertices.at(i);
                EXPECT_NEAR(v->position.y, wave.height * std::sin(wave.speed * 2.5 + a) * std::cos(depths[w][std::size_t(i)] / 20 + b) + v->restPosition.y, 1e-3) << i;
                a += 0.4;
                b += 0.45;
            }
        }
        EXPECT_NEAR(object(scene, "logo1")->position.y, 5 + 3 * std::sin(5.0) - 7, 1e-4);
    }
};

// Every light of the name, in list order.
std::vector<Qu::Light*> lightsNamed(demoSceneCommon& scene, const char* name) {
    std::vector<Qu::Light*> lights;
    for (std::int32_t i = 0; i < scene.model->objects.count(); ++i) {
        auto* light = dynamic_cast<Qu::Light*>(scene.model->objects.at(i));
        if (light && light->name() && std::strcmp(light->name(), name) == 0) lights.push_back(light);
    }
    return lights;
}

// ------------------------------------------------------------ marks

// The third forest animation marks by its table, then by prefix ("uf"
// only outside the finale), and adds its second, larger main light.
TEST_F(ScenesTwo, ForestThreeAndTheOtherScenesMarkMeshesAndAddLights) {
    struct Mark {
        const char* name;
        std::int32_t kind;
        int blend;
    };
    auto check = [&](const char* file, auto& scene, const std::vector<Mark>& marks) {
        std::vector<scenetest::Mesh> meshes;
        for (const Mark& m : marks) meshes.push_back(crossed(m.name));
        model(file, meshes);
        ASSERT_TRUE(scene.init(&library, &renderer));
        for (const Mark& m : marks) {
            SCOPED_TRACE(m.name);
            const Qu::Object* o = object(scene, m.name);
            EXPECT_EQ(o->kind(), m.kind);
            if (m.blend >= 0) {
                EXPECT_EQ(o->faces.at(1)->blend, m.blend);
            }
        }
    };
    demoForanThree three;
    check("foreye.3ds", three, {{"ufo1", Qu::kindSolidBuild, -1}, {"Toad", Qu::kindWireBuild, -1},
                                {"tri", Qu::kindTransparent, 2}, {"water", Qu::kindTransparent, 1}});
    const std::vector<Qu::Light*> threeMains = lightsNamed(three, "light0");
    ASSERT_EQ(threeMains.size(), 2u);
    EXPECT_FLOAT_EQ(threeMains[1]->size, 550.0f);
    demoForrestFinale finale;
    check("forende.3ds", finale, {{"ufo", Qu::kindMesh, -1}, {"Tower", Qu::kindWireBuild, -1}});
}

// ------------------------------------------------------------ screen quads

Quad full(double scale, double alpha) {
    return {float(-1165 * scale), float(-880 * scale), float(1165 * scale), float(880 * scale), float(alpha)};
}
Quad fade(double alpha) { return {-1400, -1300, 1400, 1300, float(alpha)}; }
// A zoom burst of the first rectangle scaled by f (the others grow from it).
std::vector<Quad> burst(double f, double a0, double a1, double a2) {
    return {full(1, a0), full(f, a1), full(1.01 * f * f, a2), full(1.0302 * f * f * f, a2)};
}
// The "etext" band at t and its shadow 70 units down and left.
std::vector<Quad> etext(double t) {
    const double x = 1300 - 700 * (t - 35), c = 100 * std::cos(t / 2);
    const double w = 10 * std::sin(t / 2) * std::cos(3 * t), glow = std::sin(3 * t) / 2.5;
    const Quad band{float(x), float(-600 + w + c), float(x + 12000), float(-400 - w + c), float(glow + 1)};
    return {band,
            {band.x1 - 70, band.y1 - 70, band.x2 - 70, band.y2 - 70, float(glow + 0.4)}};
}

enum Scene { earth, one, two, three, finale };
struct Row {
    Scene scene;
    double t;
    const char* texture;
    std::vector<Quad> quads;
};

std::vector<Row> quadRows() {
    const double f20 = 5.0 / 13 + 1, f38 = 3.0 / 21 + 1;
    return {
        // Earth: the white-in laid twice, the fade out from 24, the star field,
        // "pilo" opening from a band, "pilo2" growing, then falling from 22.
        {earth, 2, "wt", {fade(2.0 / 6), {-1400, -1000, 1400, 1000, float(2.0 / 3)}}},
        {earth, 25, "wt", {fade(2.0 / 3)}},
        {earth, 10, "solar", {full(1, 0.9), full(17.0 / 7, 0.7), full(17.0 / 7 * 3, 0.5),
                              full(17.0 / 7 * 3 * 3.01, 0.3)}},
        {earth, 11, "pilo", {{-1165, -680, 1165, 680, float(1.0 / 3)}, {-1165, -660, 1165, 660, float(1.0 / 6)}}},
        {earth, 16, "pilo", {{-1165, -1680, 1165, 1680, 1}, {-1165, -1760, 1165, 1760, 0.5f}}},
        {earth, 20, "pilo2", {{-1185, -900, 1185, 900, 1}, {-1189, -904, 1189, 904, 0.5f}}},
        {earth, 22.5, "pilo2", {{-1210, -925, 1210, 925, float(1 - 0.5 / 3)}, {-1219, -934, 1219, 934, 0.5f}}},
        // Forest I: the star slot, the scanner burst, the white flash around
        // the "wall" phase, the white-out from 21, the fades in and out.
        {one, 6, "starslot", {full(1.4, 0.2), full(1.6, 0.2)}},
        {one, 20, "scanner", burst(f20, 1, 0.5, 0.5)},
        {one, 7.25, "wt", {fade(0.5)}},
        {one, 7.75, "wt", {fade(0.5)}},
        {one, 2, "wt", {fade(2.0 / 3)}},
        {one, 21.5, "wt", {fade(0.5)}},
        {one, 38.5, "wt", {fade(1), fade(2.5 / 3)}},
        // Forest II: the dips past 23.
        {two, 23.75, "wt", {fade(0.25)}},
        {two, 24.5, "wt", {fade(0.5)}},
        {two, 1.5, "wt", {fade(0.5)}},
        // Forest III: the burst fading from 25, the flash at 25.
        {three, 26.5, "scanner", burst(24.5 / 13, 0.5, 0.5, 0.5)},
        {three, 27, "wt", {fade(0.5)}},
        // Finale: "keu5" at its caps, "keu6" without a full-screen quad, the
        // band and its shadow, the flash at 41, the scanner from 45, the
        // darkening from 52.
        {finale, 27, "keu5", burst(2.0 / 13 + 1, 0.6, 0.3, 0.3)},
        {finale, 38, "keu6", {full(1.01 * f38, 1), full(1.01 * 1.02 * f38 * f38, 0.5),
                              full(1.01 * 1.02 * 1.03 * std::pow(f38, 3), 0.3),
                              full(1.01 * 1.02 * 1.03 * 1.04 * std::pow(f38, 4), 0.3)}},
        {finale, 37, "etext", etext(37)},
        {finale, 43.5, "wt", {fade(1 - 2.5 / 3)}},
        {finale, 54, "wt", {fade(0.5)}},
        {finale, 45.5, "scanner", burst(10.5 / 13 + 1, 1.0 / 6, 0.125, 0.1)},
    };
}

// The quads of each of the scene's rows: count, rectangle and alpha.
void ScenesTwo::expectQuads(int scene) {
    for (const Row& row : quadRows()) {
        if (row.scene != scene) continue;
        SCOPED_TRACE(std::string(row.texture) + " at " + std::to_string(row.t));
        const char* key = row.texture;
        const std::vector<Quad> quads =
            row.scene == earth ? quadsOf<demoEarth>("earth.3ds", key, row.t)
            : row.scene == one ? quadsOf<demoForan>("forrest6.3ds", key, row.t, 2000)
            : row.scene == two ? quadsOf<demoForanTwo>("fordrop.3ds", key, row.t)
            : row.scene == three ? quadsOf<demoForanThree>("foreye.3ds", key, row.t)
                                 : quadsOf<demoForrestFinale>("forende.3ds", key, row.t);
        EXPECT_EQ(quads.size(), row.quads.size()) << testing::PrintToString(quads);
        for (std::size_t i = 0; i < std::min(quads.size(), row.quads.size()); ++i) {
            const Quad& got = quads[i];
            const Quad& want = row.quads[i];
            const float tolerance = 0.5f + 2e-4f * std::fabs(want.x2);
            EXPECT_NEAR(got.x1, want.x1, tolerance) << i;
            EXPECT_NEAR(got.y1, want.y1, tolerance) << i;
            EXPECT_NEAR(got.x2, want.x2, tolerance) << i;
            EXPECT_NEAR(got.y2, want.y2, tolerance) << i;
            EXPECT_NEAR(got.alpha, std::clamp(want.alpha, 0.0f, 1.0f), 1e-3) << i;
        }
    }
}

// The wireframe builds four lines per face: the count of faces at t.
TEST_F(ScenesTwo, EarthQuadsAndBuildCount) {
    expectQuads(earth);
    scenetest::Counts counts;
    quadsOf<demoEarth>("earth.3ds", "wt", 0.1, 1000, {crossed("ufo"), crossed("earth")}, &counts);
    EXPECT_EQ(counts.lines, 4 * 4);
}
TEST_F(ScenesTwo, ForestOneQuadsAndBuildCount) {
    expectQuads(one);
    scenetest::Counts counts;
    quadsOf<demoForan>("forrest6.3ds", "wt", 0.1, 2000, {crossed("Tower", 0, 0, 300)}, &counts);
    EXPECT_EQ(counts.lines, 4 * 3);
}
TEST_F(ScenesTwo, ForestTwoQuadsAndBuildCount) {
    expectQuads(two);
    scenetest::Counts counts;
    quadsOf<demoForanTwo>("fordrop.3ds", "wt", 5.1, 1000, {crossed("laser", 0, 0, 300)}, &counts);
    EXPECT_EQ(counts.lines, 4 * 4);
}
TEST_F(ScenesTwo, ForestThreeQuads) { expectQuads(three); }
TEST_F(ScenesTwo, FinaleQuads) { expectQuads(finale); }

// ------------------------------------------------------------ earth

TEST_F(ScenesTwo, EarthEyeSwingsAroundUfotOrTheOriginOnRawClockTime) {
    model("earth.3ds", {crossed("ufot", 100, -50, 300), crossed("earth", 0, 0, 400)});
    demoEarth earth;
    ASSERT_TRUE(earth.init(&library, &renderer));
    // The shell hands this scene raw clock milliseconds: any first value is t = 0.
    earth.render(123456.0f);
    earth.render(123456.0f + 12000.0f);
    const double t = earth.lastTime;
    EXPECT_NEAR(t, 12.0, 1e-3);
    expectVector(earth.camera()->lookAt, 0, 0, 400);
    expectVector(earth.camera()->eye, 100 + 515 * std::sin(t / 3.2) * std::cos(t / 4),
                 -50 - 25 + 15 * std::sin(-t / 6.2) * std::cos(t / 4), 300 + 150 * std::sin(t / 2));
}

TEST_F(ScenesTwo, EarthTumblesAsMeshesAndDriftsTheSkyVertically) {
    demoEarth earth;
    start(earth, {crossed("asA", 10, 0, 0), crossed("sky1")});
    Qu::Face* sky = object(earth, "sky1")->faces.at(0);
    const float u0 = sky->cornerU[1], v0 = sky->cornerV[1];
    at(earth, 1);
    at(earth, 2.5);
    Qu::Matrix expected;
    expected.rotation(2.5f, 2.5f, 0.0f);
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(object(earth, "asA")->matrix.m[i], expected.m[i], 1e-5) << i;
    // The drift adds up frame by frame: 2.5 s / 10 in v, nothing in u.
    EXPECT_NEAR(sky->cornerV[1], v0 + 0.25f, 1e-5);
    EXPECT_FLOAT_EQ(sky->cornerU[1], u0);
}

// ------------------------------------------------------ forest animations

TEST_F(ScenesTwo, ForestOneCameraPhasesSwitchAtTheirExactBounds) {
    const double ux = 10, uy = -20, uz = 300, wx = -40, wy = 30, wz = 900;
    demoForan one;
    start(one, {crossed("ukko", ux, uy, uz), crossed("wall", wx, wy, wz)});
    Qu::Camera* view = one.camera();
    at(one, 7.25);
    expectVector(view->lookAt, ux + 10 * std::sin(7.25 / 3), uy, uz);
    at(one, 7.5);
    expectVector(view->lookAt, wx + 40 * std::sin(2.5), wy - 40 + 70 * std::sin(3.75), wz);
    expectVector(view->eye, ux + 40 * std::sin(2.5), uy - 45 + 15 * std::sin(2.5), uz - 770 + 300);
    at(one, 15.25);
    expectVector(view->lookAt, wx + 40 * std::sin(15.25 / 3), wy - 40 + 70 * std::sin(15.25 / 2), wz);
    at(one, 15.5);
    expectVector(view->lookAt, ux + 40 * std::sin(7.75), uy, uz);
}

TEST_F(ScenesTwo, ForestOneFlamesStreamPastTheWallAndStayPutWithoutIt) {
    demoForan one;
    start(one, {crossed("wall", 0, -10, 500)});
    at(one, 4);
    const float t = 4.0f;
    const float z0 = 35 * t - 440 + 500, x0 = 40 * std::sin(t) - 40, y0 = -110;
    expectVector(one.findLight("light12")->position, x0, y0, z0);
    expectVector(one.findLight("light16")->position, x0 + 30 * std::sin(-t / 3),
                 y0 + 45 * std::sin(t / 2.3f) + 30 * std::cos(t), z0 + 100);
    EXPECT_NEAR(one.findLight("light13")->size, 200 * std::cos(3.1f * t) + 200, 1e-3);
    // Without "ukko" the eye keeps its reset.
    expectVector(one.camera()->eye, 0, 0, 1);
}

TEST_F(ScenesTwo, ForestTwoFollowsTheLaserAndNeverMovesTheSecondLight0) {
    const double lx = 20, ly = -30, lz = 400;
    demoForanTwo two;
    start(two, {crossed("laser", lx, ly, lz), crossed("wall", 0, 0, 800)});
    at(two, 4);
    const double t = 4;
    expectVector(two.camera()->eye, lx + 60 - 4 * t, ly - 40 + 2 * t, lz - 20 + 10 * std::sin(t / 5));
    expectVector(two.camera()->lookAt, lx, ly, lz);   // replaces the "wall" point
    const std::vector<Qu::Light*> mains = lightsNamed(two, "light0");
    expectVector(mains[0]->position, lx + 10, ly - 20, lz - 5);
    expectVector(mains[1]->position, 0, 0, 50);
    const float x0 = 40 * std::sin(4.0f), z0 = 15 * 4.0f + 800 - 140;
    expectVector(two.findLight("light12")->position, x0, -100, z0);
    expectVector(two.findLight("light13")->position, x0 + 53 * std::sin(8.0f), -100, z0 - 40);
}

TEST_F(ScenesTwo, ForestOneWaterDriftsAndRipplesFromRestAndLogosBob) {
    demoForan one;
    expectWaves(one, {{"water", 20, 15, 1}, {"water01", 9, 5, 3}});
}

TEST_F(ScenesTwo, ForestTwoWaterDriftsAndRipplesFromRest) {
    demoForanTwo two;
    expectWaves(two, {{"water", 10, 3, 2}});
}

// The white opening fade is drawn in mode 1 (over the picture).
TEST_F(ScenesTwo, ForestTwoOpensWhiteAndBuildsTheLaserOnlyAfterFive) {
    texture("wt");
    demoForanTwo two;
    start(two, {crossed("laser", 0, 0, 300, 40)});
    EXPECT_GE(gl.pixelFromTop(512, 384).r, 250);
    at(two, 1.5);
    const int half = gl.pixelFromTop(512, 384).r;
    EXPECT_GT(half, 30);
    EXPECT_LT(half, 250);
}

TEST_F(ScenesTwo, ForestThreeFiresShrinkToTheirFloorAndTheMainLightSinksFromFifteen) {
    demoForanThree three;
    start(three, {crossed("wall", 0, 0, 900)});
    at(three, 5);
    EXPECT_NEAR(three.findLight("light17")->size, 75.0f, 1e-3);
    at(three, 12);
    EXPECT_FLOAT_EQ(three.findLight("light17")->size, 0.01f);
    EXPECT_NEAR(three.findLight("light16")->size, 4 * 0.01f * (std::sin(12 / 2.7f) + 1), 1e-6);
    at(three, 15);
    expectVector(three.findLight("light0")->position, 350, -550, 1300);
    at(three, 17);
    expectVector(three.findLight("light0")->position, 350, -560, 1300);

    // The eye runs straight ahead, then turns to its orbit at 24.
    demoForanThree bare;
    start(bare, {crossed("build")});
    at(bare, 23.75);
    expectVector(bare.camera()->eye, 0, 0, 50 * 23.75 + 600);
    at(bare, 24);
    expectVector(bare.camera()->eye, 220 * std::cos(6.0), 50 * std::sin(8.0) - 150, 300 * std::sin(10.0) + 1300);
}

// Without "wall" the camera looks at (0, 0, 1000): the build-up mesh sits there.
TEST_F(ScenesTwo, ForestThreeBuildWindowsAreStrict) {
    demoForanThree three;
    start(three, {crossed("ufo", 0, 0, 1000, 200)});
    auto surface = [&] {   // grey pixels of the surface build
        const std::vector<std::uint8_t> frame = gl.frame();
        int count = 0;
        for (std::size_t i = 0; i + 3 < frame.size(); i += 4) count += frame[i] > 20 && std::abs(frame[i + 2] - frame[i]) < 20;
        return count;
    };
    struct Step {
        double t;
        bool wire, solid;
    };
    for (const Step& s : {Step{15, false, false}, {15.5, true, false}, {25.5, true, true}, {34.9, true, true}, {35, false, true}}) {
        at(three, s.t);
        EXPECT_EQ(wirePixels(gl) > 20, s.wire) << s.t;
        EXPECT_EQ(surface() > 100, s.solid) << s.t;
    }
}

// The finale's wireframe ends at 35 for good: the count is negative.
TEST_F(ScenesTwo, FinaleWireframeEndsAtThirtyFiveForGood) {
    demoForrestFinale finale;
    start(finale, {crossed("Tower", 0, 0, 1000, 200)});
    for (auto [t, wire] : {std::pair<double, bool>{15, false}, {20, true}, {34.9, true}, {35, false}, {50, false}}) {
        at(finale, t);
        EXPECT_EQ(wirePixels(gl) > 20, wire) << t;
    }
}

// ---------------------------------------------------------------- finale

TEST_F(ScenesTwo, FinaleFiresShrinkInTwoStagesAndTheEyeChangesPathAtTwentyFourAndFortyOne) {
    demoForrestFinale finale;
    start(finale, {crossed("wall", 0, 0, 900)});
    for (auto [t, size] : {std::pair<double, double>{14, 80}, {15, 67}, {20, 2}, {20.25, 0.01}}) {
        at(finale, t);
        EXPECT_NEAR(finale.findLight("light17")->size, size, 1e-3) << t;
    }
    EXPECT_FLOAT_EQ(lightsNamed(finale, "light0")[1]->size, 550.0f);

    Qu::Camera* view = finale.camera();
    at(finale, 23.5);
    double t = 23.5;
    expectVector(view->eye, 15 * std::cos(t / 5), 20 * std::sin(t / 4) * std::cos(t / 3) - 50, 50 * t + 600);
    for (double s : {24.0, 40.5}) {
        at(finale, s);
        expectVector(view->eye, 220 * std::cos(s / 2), 50 * std::sin(s / 3) - 150, 300 * std::sin(s / 2.4) + 1300);
    }
    at(finale, 41);
    t = 41;
    expectVector(view->eye, 400 * std::cos(t / 3), 60 * std::sin(t / 3.5) - 90, 500 * std::sin(t / 5) + 1500);
}

TEST_F(ScenesTwo, FinaleDarkensFromFiftyTwoAndStaysBlackToTheEndOfTheDemo) {
    for (const char* key : {"wt", "starslot", "scanner", "keu4", "keu5", "keu6", "etext", "fogz1", "fogz2"}) texture(key);
    demoForrestFinale finale;
    start(finale, {crossed("wall", 0, 0, 900), crossed("Tower", 0, 0, 1000, 200)});
    at(finale, 52);
    EXPECT_GT(brightestChannel(gl), 100);
    at(finale, 54);
    EXPECT_GT(brightestChannel(gl), 20);
    for (double t : {56.5, 65.1}) {
        at(finale, t);
        EXPECT_LE(brightestChannel(gl), 1) << t;
    }
}

}  // namespace
