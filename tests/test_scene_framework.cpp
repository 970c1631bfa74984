// The scene framework and every scene, driven through their real init (on
// model files written into a temporary data folder) and render: cameras,
// lights, waves, build-ups, every overlay (from the lists and from the
// screen quads GL feedback gives back) and the fades in the picture.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "resources/camera.h"
#include "resources/light.h"
#include "scene_test_support.h"
#include "scenes/earth.h"
#include "scenes/fog.h"
#include "scenes/fog_layers.h"
#include "scenes/forest_anim_one.h"
#include "scenes/forest_anim_three.h"
#include "scenes/forest_anim_two.h"
#include "scenes/forest_finale.h"
#include "scenes/forest_opening.h"
#include "scenes/greetings.h"
#include "scenes/screen_overlay.h"
#include "scenes/space.h"

namespace {

using namespace scenetest;

std::vector<float> depths(FogLayers& fog) {
    std::vector<float> result;
    for (int i = 0; i < fog.layers.count(); ++i) result.push_back(fog.layers.at(i)->depth);
    return result;
}

// Drawn without a library or renderer: the motion is the same, no quads.
TEST(FogLayers, StartTwoUnitsApartTakeNoFirstStepAndWrapToExactlyNine) {
    FogLayers fog;
    ASSERT_TRUE(fog.init());
    EXPECT_EQ(depths(fog), (std::vector<float>{2, 4, 6, 8}));
    const float drift[4] = {0.0f, 0.02f, -0.04f, -0.02f};
    for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(fog.layers.at(i)->du, drift[i]);
    fog.draw(123.5f, nullptr, nullptr, 1.0f);   // whatever the time: no step
    EXPECT_EQ(depths(fog), (std::vector<float>{2, 4, 6, 8}));
    fog.draw(124.0f, nullptr, nullptr, 1.0f);
    EXPECT_EQ(depths(fog), (std::vector<float>{1, 3, 5, 7}));   // landing on 1 is not below it
    fog.draw(124.1f, nullptr, nullptr, 1.0f);   // 1 - 0.2 wraps to 9, not 8.8
    EXPECT_EQ(depths(fog)[0], 9.0f);

    const float opacities[][3] = {{5, 1, 1}, {1, 1, 0}, {9, 1, 0}, {3, 1, 0.5f}, {6, 1, 0.75f}, {7, 0.5f, 0.25f}};
    for (const auto& o : opacities) EXPECT_FLOAT_EQ(FogLayers::opacity(o[0], o[1]), o[2]) << o[0];
}

// ---- the scenes -----------------------------------------------------------

const char* modelFile(const demoForrest*) { return "forresta.3ds"; }
const char* modelFile(const demoFog*) { return "asmtest2.3ds"; }
const char* modelFile(const demoGreet*) { return "scenery.3ds"; }
const char* modelFile(const demoSpace*) { return "space.3ds"; }
const char* modelFile(const demoEarth*) { return "earth.3ds"; }
const char* modelFile(const demoForan*) { return "forrest6.3ds"; }
const char* modelFile(const demoForanTwo*) { return "fordrop.3ds"; }
const char* modelFile(const demoForanThree*) { return "foreye.3ds"; }
const char* modelFile(const demoForrestFinale*) { return "forende.3ds"; }
// Demo milliseconds per scene second: the first forest animation runs at half speed.
double msPerSecond(const demoForan*) { return 2000; }
double msPerSecond(const void*) { return 1000; }

Qu::Object* mesh(demoSceneCommon& scene, const char* name) { return scene.findObject(name); }

// Every light of the name, in list order.
std::vector<Qu::Light*> lightsNamed(demoSceneCommon& scene, const char* name) {
    std::vector<Qu::Light*> lights;
    for (std::int32_t i = 0; i < scene.model->objects.count(); ++i) {
        auto* light = dynamic_cast<Qu::Light*>(scene.model->objects.at(i));
        if (light && light->name() && std::strcmp(light->name(), name) == 0) lights.push_back(light);
    }
    return lights;
}

std::vector<double> eyeDepths(demoSceneCommon& scene, const char* name) {
    std::vector<double> depths;
    const Qu::Object* o = scene.findObject(name);
    for (std::int32_t i = 0; i < o->vertices.count(); ++i) depths.push_back(o->vertices.at(i)->eyePosition.z);
    return depths;
}

// Wave heights start from the rest heights with the eye depths of the last
// drawn frame, phased along the vertex list (a and b step per vertex); the
// water scrolls by frameDelta / scroll x sin(t / 3).
struct Wave {
    const char* name;
    double height, speed, stepA, stepB, scroll = 0;
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

Quad full(double s, double alpha, int mode = -1) {
    return {float(-1165 * s), float(-880 * s), float(1165 * s), float(880 * s), float(alpha), mode};
}
Quad fade(double alpha, int mode = -1) { return {-1400, -1300, 1400, 1300, float(alpha), mode}; }
// Four zoom rectangles, each the one before scaled by its factor.
std::vector<Quad> zoom(const std::vector<double>& factors, const std::vector<double>& alphas) {
    std::vector<Quad> quads;
    double s = 1;
    for (std::size_t i = 0; i < 4; ++i) quads.push_back(full(s *= factors[i], alphas[i]));
    return quads;
}
// The finale's "etext" band at t and its shadow 70 units down and left.
std::vector<Quad> etext(double t) {
    const double x = 1300 - 700 * (t - 35), c = 100 * std::cos(t / 2);
    const double w = 10 * std::sin(t / 2) * std::cos(3 * t), glow = std::sin(3 * t) / 2.5;
    const Quad band{float(x), float(-600 + w + c), float(x + 12000), float(-400 - w + c), float(glow + 1)};
    return {band, {band.x1 - 70, band.y1 - 70, band.x2 - 70, band.y2 - 70, float(glow + 0.4)}};
}

// Scenes whose overlay list is read (in the order of expectRows' lists),
// then scenes whose drawn quads are.
enum Scene { opening, fog, greetUnder, greetOver, space, earth, one, two, three, finale };
struct Row {
    Scene scene;
    double t;
    const char* key;
    std::vector<Quad> quads;
};

std::vector<Row> overlayRows() {
    const double s3 = 3.35 / 3 + 1, f22 = 2.0 / 13 + 1, f232 = 3.2 / 13 + 1;
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
    const double f20 = 5.0 / 13 + 1, f38 = 3.0 / 21 + 1, f265 = 24.5 / 13, f455 = 10.5 / 13 + 1;
    return {
        // Opening: the fade in over at 6, bands 33 to 40 (the echo 1.5 times
        // wider), fade out from 36, the "keu4" flash falling to 4.
        {opening, 6, "wt", {}},
        {opening, 36.5f, "wt", {fade(2.5 / 3, 0)}},
        {opening, 37, "tx5", {{-1040, -900, 1040, 100, 1, -1}, {-1060, -900, 1060, 100, 0.4f, -1}}},
        {opening, 3.35, "keu4", zoom({s3, 1.01 * s3, 1.02 * s3, 1.03 * s3}, {0.325, 0.325, 0.25, 0.25})},
        // Fog: title bands rising and falling, the "keu6" flash falling from
        // 22, the white flashes (mode 1).
        {fog, 7, "tx1", {{-1000, 300, 1000, 700, 1, -1}, {-1000, 300, 1030, 700, 0.3f, -1}}},
        {fog, 12, "tx2", {{-600, float(-600 + tx2), 1400, float(-tx2), 1, -1},
                          {float(-600 + sway), float(-600 + tx2), float(1480 + sway), float(-tx2), 0.1f, -1}}},
        {fog, 26, "tx4", {{-850, float(-700 + tx4), 1150, float(-tx4), 1, -1},
                          {-1070, float(-700 + tx4), 1370, float(-tx4), float(0.2 / 3), -1}}},
        {fog, 23.2, "keu6", zoom({1, f232, 1.01 * f232, 1.02 * f232}, {0.9, 0.5, 0.5, 0.5})},
        {fog, 29.5f, "wt", {fade(0.125, 1)}},
        {fog, 31.5f, "wt", {fade(0.375, 1)}},
        // Greetings: the band under the fog from 10, the text over it from
        // 5, the fade out from 32.
        {greetUnder, 12, "greets2", {{-100, float(-b12 - 504), float(-100 + len), float(b12 - 604), float(std::sin(36.0) / 5 + 0.25), -1},
                                     {-100, float(-100 + 2 * b12 + c12 - 8), float(-100 + len), float(100 - 2 * b12 + c12 + 8),
                                      float(std::sin(36.0) / 2.5 + 1), -1}}},
        {greetOver, 5.5f, "greetings", {{float(-400 - p55), float(-200 - q55), float(400 + p55), float(200 + q55), float(std::sin(5.5) + 1), -1}}},
        {greetOver, 32.5f, "wt", {{-1400, -1000, 1400, 1000, float(1 - 0.5 / 3), 0}}},
        // Space: the white flash at 17, the "keu5" flash from 25 (its
        // weights turn at 30 and go negative at 38, still drawn), the fade out.
        {space, 17.75f, "wt", {fade(0.25, 1)}},
        {space, 42, "wt", {fade(0.5, 0)}},
        {space, 26, "keu5", spaceFlash(26)},
        {space, 30.5f, "keu5", spaceFlash(30.5)},
        {space, 43, "keu5", spaceFlash(43)},
        // Earth: the white-in laid twice, the fade out from 24, the star field,
        // "pilo" at its full height, "pilo2" falling from 22.
        {earth, 2, "wt", {fade(2.0 / 6), {-1400, -1000, 1400, 1000, float(2.0 / 3)}}},
        {earth, 25, "wt", {fade(2.0 / 3)}},
        {earth, 10, "solar", zoom({1, 17.0 / 7, 3, 3.01}, {0.9, 0.7, 0.5, 0.3})},
        {earth, 16, "pilo", {{-1165, -1680, 1165, 1680, 1}, {-1165, -1760, 1165, 1760, 0.5f}}},
        {earth, 22.5, "pilo2", {{-1210, -925, 1210, 925, float(1 - 0.5 / 3)}, {-1219, -934, 1219, 934, 0.5f}}},
        // Forest I: the star slot, the scanner burst, the white flash around
        // the "wall" phase, the white-out from 21, the fade out.
        {one, 6, "starslot", {full(1.4, 0.2), full(1.6, 0.2)}},
        {one, 20, "scanner", zoom({1, f20, 1.01 * f20, 1.02 * f20}, {1, 0.5, 0.5, 0.5})},
        {one, 7.25, "wt", {fade(0.5)}},
        {one, 21.5, "wt", {fade(0.5)}},
        {one, 38.5, "wt", {fade(1), fade(2.5 / 3)}},
        // Forest II: the dips past 23.
        {two, 23.75, "wt", {fade(0.25)}},
        // Forest III: the burst fading from 25, the flash at 25.
        {three, 26.5, "scanner", zoom({1, f265, 1.01 * f265, 1.02 * f265}, {0.5, 0.5, 0.5, 0.5})},
        {three, 27, "wt", {fade(0.5)}},
        // Finale: "keu5" at its caps, "keu6" without a full-screen quad, the
        // band and its shadow, the flash at 41, the scanner from 45.
        {finale, 27, "keu5", zoom({1, f22, 1.01 * f22, 1.02 * f22}, {0.6, 0.3, 0.3, 0.3})},
        {finale, 38, "keu6", zoom({1.01 * f38, 1.02 * f38, 1.03 * f38, 1.04 * f38}, {1, 0.5, 0.3, 0.3})},
        {finale, 37, "etext", etext(37)},
        {finale, 43.5, "wt", {fade(1 - 2.5 / 3)}},
        {finale, 45.5, "scanner", zoom({1, f455, 1.01 * f455, 1.02 * f455}, {1.0 / 6, 0.125, 0.1, 0.1})},
    };
}

// Each quad's rectangle, alpha and mode; GL clamps
// the alpha of drawn ones and gives their rectangles back less exactly.
void expectQuads(const std::vector<Quad>& got, const std::vector<Quad>& want, bool drawn) {
    EXPECT_EQ(got.size(), want.size()) << testing::PrintToString(got);
    for (std::size_t i = 0; i < std::min(got.size(), want.size()); ++i) {
        const float tolerance = drawn ? 0.5f + 2e-4f * std::fabs(want[i].x2) : 0.01f + 1e-5f * std::fabs(want[i].x2);
        EXPECT_NEAR(got[i].x1, want[i].x1, tolerance) << i;
        EXPECT_NEAR(got[i].y1, want[i].y1, tolerance) << i;
        EXPECT_NEAR(got[i].x2, want[i].x2, tolerance) << i;
        EXPECT_NEAR(got[i].y2, want[i].y2, tolerance) << i;
        EXPECT_NEAR(got[i].alpha, drawn ? std::clamp(want[i].alpha, 0.0f, 1.0f) : want[i].alpha, drawn ? 1e-3 : 1e-5) << i;
        EXPECT_EQ(got[i].mode, want[i].mode) << i;   // drawn ones: -1 both
    }
}

class Scenes : public scenetest::SceneTest {
protected:
    // White pictures except the fog and the sprites, which add black so
    // that they leave the pixels the tests read alone.
    void pictures() {
        for (const char* name : {"wt", "tx1", "tx2", "tx3", "tx4", "tx5", "keu4", "keu5", "keu6", "greets2", "greettxt"})
            texture(name);
        for (const char* name : {"fogz1", "fogz2", "sun2", "sun3", "sun4"}) texture(name, 0);
    }
    template <class S>
    void start(S& scene, const std::vector<Mesh>& meshes) {
        model(modelFile(&scene), meshes);
        ASSERT_TRUE(scene.init(&library, &renderer));
        scene.render(0.0f);
    }
    // Renders at scene time t (after a first frame at 0, which starts the clock).
    template <class S>
    void at(S& scene, double t) {
        EXPECT_TRUE(scene.render(float(t * msPerSecond(&scene))));
        EXPECT_FLOAT_EQ(scene.lastTime, float(t));
    }
    // The screen quads of S's frame at scene time t (after one at 0) with
    // only data/<key>.tga present and loaded: only that texture's quads.
    template <class S>
    std::vector<Quad> drawn(const char* key, double t, const std::vector<Mesh>& meshes = {},
                            Counts* counts = nullptr) {
        const std::string name = std::string(key) + ".tga";
        write(name, solidTga(255));
        model(modelFile((S*)nullptr), meshes.empty() ? std::vector<Mesh>{crossed("stc", 0, 0, 5000)}
                                                     : meshes);
        Qu::TextureLibrary only;
        only.load(key, ("data//" + name).c_str(), key, 0);
        S scene;
        std::filesystem::remove(folder + "/data/" + name);
        if (!scene.init(&only, &renderer)) return {};
        scene.render(0.0f);
        return drawnQuads([&] { scene.render(float(t * msPerSecond(&scene))); }, counts);
    }
    // The quads of each of the scenes' rows: from their overlay lists, or as S draws them.
    template <class S = void>
    void expectRows(Scene scene, Scene other = Scene(-1)) {
        using List = std::vector<demoOverlay> (*)(float);
        const List lists[] = {demoForrest::overlays, demoFog::overlays, demoGreet::underFogOverlays,
                              demoGreet::overFogOverlays, demoSpace::overlays};
        for (const Row& row : overlayRows()) {
            if (row.scene != scene && row.scene != other) continue;
            SCOPED_TRACE(std::string(row.key) + " at " + std::to_string(row.t));
            std::vector<Quad> got;
            if constexpr (std::is_void_v<S>) {
                for (const demoOverlay& o : lists[row.scene](float(row.t)))
                    if (o.key && std::strcmp(o.key, row.key) == 0)
                        got.push_back({o.x1, o.y1, o.x2, o.y2, o.alpha, o.mode});
            } else {
                got = drawn<S>(row.key, row.t);
            }
            expectQuads(got, row.quads, !std::is_void_v<S>);
        }
    }
    // Two frames of the forest animations' water (and logo) after 1 and 2.5 s.
    template <class S>
    void expectWaves(S& scene, const std::vector<Wave>& waves) {
        start(scene, {crossed("water", 0, 20, 300, 200), crossed("water01", 0, 20, 250, 200), crossed("logo1", 0, 5, 0)});
        std::vector<float> u0;
        std::vector<std::vector<double>> depths;
        for (const Wave& wave : waves) u0.push_back(mesh(scene, wave.name)->faces.at(0)->cornerU[0]);
        at(scene, 1);
        for (const Wave& wave : waves) depths.push_back(eyeDepths(scene, wave.name));
        at(scene, 2.5);
        for (std::size_t w = 0; w < waves.size(); ++w) {
            const Wave& wave = waves[w];
            EXPECT_NEAR(mesh(scene, wave.name)->faces.at(0)->cornerU[0] - u0[w],
                        1.0 / wave.scroll * std::sin(1.0 / 3) + 1.5 / wave.scroll * std::sin(2.5 / 3), 1e-5);
            expectWave(scene, wave, depths[w], 2.5);
        }
        EXPECT_NEAR(mesh(scene, "logo1")->position.y, 5 + 3 * std::sin(5.0) - 7, 1e-4);
    }
};

// Every frame turns light 1 off (only the scene that wants it turns it on)
// and ends with the epilogue's clear colour. An overlay without a key
// clears the depth buffer (the greetings put one after each group of quads).
TEST_F(Scenes, FramesTurnLight1OffAndEndWithTheEpilogueAndKeylessOverlaysClearDepth) {
    texture("wt");
    demoSpace scene;
    start(scene, {crossed("ufo", 0, 0, 300)});
    glEnable(GL_LIGHT1);
    at(scene, 1);
    EXPECT_FALSE(glIsEnabled(GL_LIGHT1));
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_FLOAT_EQ(clear[3], 0.5f);
    auto centreDepth = [] {
        GLfloat depth = 0;
        glReadPixels(512, 384, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
        return depth;
    };
    const demoOverlay quad = {"wt", -1400, -1300, 1400, 1300, 1, -1};
    glClear(GL_DEPTH_BUFFER_BIT);
    drawOverlays(scene, {quad});
    EXPECT_LT(centreDepth(), 1.0f);
    drawOverlays(scene, {quad, {nullptr, 0, 0, 0, 0, 0, -1}});
    EXPECT_EQ(centreDepth(), 1.0f);
}

// ---- forest opening -------------------------------------------------------

TEST_F(Scenes, OpeningPlacesItsLightsByTheWall) {
    demoForrest scene;
    start(scene, {square("wall", 10, -20, 300, 4)});
    EXPECT_FLOAT_EQ(scene.findLight("light1")->size, 200.0f);
    EXPECT_FLOAT_EQ(scene.findLight("light1")->ambient[2], 0.7f);   // added lights take the scene colours
    at(scene, 8);
    expectVector(scene.findLight("light1")->position, 12, -120, 150);
}

// Without a wall the eye glides along +z. Scrolls add each frame's
// frameDelta; the water's heights come from rest.
TEST_F(Scenes, OpeningGlidesWithoutWallScrollsAddUpAndWaterHeightsComeFromRest) {
    demoForrest scene;
    start(scene, {square("sky1", 0, -40, 0, 50), square("water", 0, 10, -150, 30)});
    const Qu::Object* sky = mesh(scene, "sky1");
    const float u0 = sky->faces.at(0)->cornerU[1];
    at(scene, 1);
    at(scene, 3);
    EXPECT_NEAR(sky->faces.at(0)->cornerU[1] - u0, 3.0 / 20.0, 1e-5);
    EXPECT_NEAR(sky->faces.at(1)->cornerV[2] - u0, 3.0 / 20.0, 1e-5);
    const std::vector<double> depths = eyeDepths(scene, "water");
    at(scene, 4.5);
    EXPECT_NEAR(scene.camera()->eye.z, 5 * 4.5 - 230, 1e-3);
    expectWave(scene, {"water", 2, 1, 0.4, 0.45}, depths, 4.5);
}

TEST_F(Scenes, OpeningOverlayWindows) { expectRows(opening); }
TEST_F(Scenes, FogOverlayWindows) { expectRows(fog); }
TEST_F(Scenes, GreetingsOverlayWindows) { expectRows(greetUnder, greetOver); }
TEST_F(Scenes, SpaceOverlayWindowsAndBuildCounts) {
    expectRows(space);
    // The fine wireframe builds 40 t faces (four lines a face), the solid
    // build-up 20 t: one face at 0.02, two at 0.07 (without "sun3" the
    // wireframe's head draws no sprites, which would add polygons).
    Counts early, counts;
    drawn<demoSpace>("wt", 0.02, {crossed("ufo", 0, 0, 300)}, &early);
    drawn<demoSpace>("wt", 0.07, {crossed("ufo", 0, 0, 300)}, &counts);
    EXPECT_EQ(counts.lines, 4 * 3);
    EXPECT_EQ(counts.polygons - early.polygons, 1);
}

// The fog layers' alpha: each layer draws at opacity(depth) times the
// scene's alpha; the layers of "fogz1" sit at depths 2 and 6 (opacities
// 1/4 and 3/4), and nearer layers are larger.
TEST_F(Scenes, FogLayersAlphaOfEachScene) {
    const std::vector<std::pair<std::vector<Quad>, double>> cases = {
        {drawn<demoForrest>("fogz1", 5), 1.0},
        {drawn<demoFog>("fogz1", 5), (std::sin(2.5) * std::cos(5.0 / 3) + 2) / 4},
        {drawn<demoGreet>("fogz1", 5), 0.5 * std::sin(2.5) + 0.6},
        {drawn<demoSpace>("fogz1", 10), 0.4},   // thickening from 19
        {drawn<demoSpace>("fogz1", 23), 0.4 + 4.0 / 8}};
    for (const auto& [quads, alpha] : cases) {
        SCOPED_TRACE(alpha);
        ASSERT_EQ(quads.size(), 2u);
        EXPECT_NEAR(quads[0].alpha, std::min(1.0, 0.25 * alpha), 1e-4);
        EXPECT_NEAR(quads[1].alpha, std::min(1.0, 0.75 * alpha), 1e-4);
        EXPECT_NEAR(quads[0].x2 - quads[0].x1, 680 + 4800 * 3, 4);
        EXPECT_NEAR(quads[1].y2 - quads[1].y1, 540 + 3600 * (1 + 4 / 6.0), 4);
    }
}

// ---- fog ----------------------------------------------------------------

std::vector<Mesh> fogModel() {
    return {square("water", 0, 0, 0, 20), square("to1", 0, 0, 0), square("t", 5, 5, 5), square("ba", 1, 1, 1),
            square("ball", 0, 0, 0),      square("Ball", 2, 0, 0), square("b", 3, 0, 0), square("toA", 0, 0, 0),
            square("logo2", 0, 0, 30),    square("logo1", 4, 0, 30)};
}

TEST_F(Scenes, FogOrbitersFollowTheEyeAndLight1StaysPut) {
    demoFog scene;
    start(scene, fogModel());
    // Orbiters: p steps by 0.5 per "to" item in list order; "t" stays put.
    const double t = 3.0;
    at(scene, t);
    const double fx = 80 * std::sin(t / 2.3), fy = 35 * std::sin(t / 3) * std::cos(-t / 4) - 200;
    const double fz = 170 * std::cos(t / 4) + 200;
    for (auto [name, p] : {std::pair<const char*, double>{"to1", 0.5}, {"toA", 1.0}}) {
        SCOPED_TRACE(name);
        expectVector(mesh(scene, name)->position, 70 * std::sin(t + p) + fx, 30 * (std::cos(t) + std::sin(t + p)) + fy,
                     100 * std::sin(t + p) + fz + 160);
    }
    expectVector(mesh(scene, "t")->position, 5, 5, 5);
    expectVector(scene.findLight("light1")->position, 80, -250, -100);
}

TEST_F(Scenes, FogBallSwingsWaterWavesAndLogosMoveFromRest) {
    demoFog scene;
    start(scene, fogModel());
    const Qu::Object* water = mesh(scene, "water");
    const float u0 = water->faces.at(0)->cornerU[0];
    at(scene, 15);
    auto path = [](double t) { return Qu::Vector(230 * std::sin(t / 3), 240 * std::sin(t / 3.4), 240 * std::cos(t / 5)); };
    const Qu::Vector at15 = path(15.0);
    expectVector(mesh(scene, "ball")->position, at15.x, at15.y, at15.z);
    std::vector<double> depths;
    std::vector<Qu::Vector> logoEye;
    for (int repeat = 0; repeat < 2; ++repeat) {
        depths = eyeDepths(scene, "water");
        logoEye.clear();
        for (std::int32_t i = 0; i < 4; ++i) logoEye.push_back(mesh(scene, "logo2")->vertices.at(i)->eyePosition);
        scene.render(16000.0f);
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

TEST_F(Scenes, FogBuildCountEmptiesAtThirty) { EXPECT_FLOAT_EQ(demoFog::buildCount(30.0f), 0.0f); }
TEST_F(Scenes, GreetingsBuildCountFallsBackFromTwenty) { EXPECT_FLOAT_EQ(demoGreet::buildCount(30.0f), 2000.0f); }

TEST_F(Scenes, FogWithoutWorldDrawsNoWorld) {
    // At t = 5 the camera looks from F at L = (50 sin(5/7), 90 cos(5/4), 0):
    // a lit background lies beyond L.
    pictures();
    const double t = 5.0;
    const float lx = float(50 * std::sin(t / 7)), ly = float(90 * std::cos(t / 4));
    const float fx = float(80 * std::sin(t / 2.3)), fy = float(35 * std::sin(t / 3) * std::cos(-t / 4) - 200);
    const float fz = float(170 * std::cos(t / 4) + 200);
    demoFog scene;
    start(scene, {square("bg1", lx + 2 * (lx - fx), ly + 2 * (ly - fy), 2 * -fz, 2000)});
    scene.worldVisible = 0;
    at(scene, t);
    EXPECT_EQ(testsupport::channelDistance(gl.pixelFromTop(900, 700), testsupport::Rgba()), 0);   // no world
    scene.worldVisible = 1;
    at(scene, t);
    EXPECT_GT(gl.pixelFromTop(900, 700).r, 10);
}

// ---- greetings ------------------------------------------------------------

TEST_F(Scenes, GreetingsLight11WaterSwayAndRipples) {
    demoGreet scene;
    start(scene, {square("wirus", 0, 0, 0), square("water", 0, 5, 0, 10), square("bg1", 0, 0, 100, 50),
                  square("bank", 9, 0, 0), square("to1", 0, 0, 0)});
    const Qu::Object* water = mesh(scene, "water");
    const std::vector<double> depths = eyeDepths(scene, "bg1");
    at(scene, 2);
    expectVector(scene.findLight("light11")->position, 15 * std::sin(2.0 / 3) * std::cos(1.0) - 25,
                 5 * std::sin(2.0 / 5) * std::cos(2.0 / 3) - 30, -40);
    // Water sways along u only; bg1 ripples sideways from rest.
    EXPECT_NEAR(water->faces.at(0)->cornerU[0], std::sin(2.0 / 3.0) * 2.0 / 20.0, 1e-5);
    expectWave(scene, {"bg1", 5, 2, 0.2, 0.25}, depths, 2.0);
}

// With no view direction the world is not drawn: its eye positions (which
// the next frame's ripple reads) stay those of the frame before.
TEST_F(Scenes, GreetingsEyeOnTheLookAtPointDrawsBlackWithoutFault) {
    pictures();
    demoGreet scene;
    start(scene, {square("bg1", 0, 0, 50, 80), square("ball", 0, 0, 10)});
    const std::vector<double> depths = eyeDepths(scene, "bg1");
    at(scene, 35);
    expectVector(scene.camera()->eye, 0, 0, 0, 0.0);
    EXPECT_EQ(eyeDepths(scene, "bg1"), depths);
    EXPECT_EQ(pixelsAbove(gl, 0), 0);
    at(scene, 36);   // looking back along -z, still under the black fade
    EXPECT_EQ(pixelsAbove(gl, 0), 0);
}

// ---- space ----------------------------------------------------------------

// An item named "light1" (not a light) is lifted above the wall.
TEST_F(Scenes, SpaceRidesWithUfotSwitchesPathAtSeventeenAndLiftsAnItemNamedLight1) {
    demoSpace scene;
    start(scene, {square("ufot", 10, -20, 40), square("sky1", 0, 0, 80, 100), square("wall", 5, 6, 7),
                  square("light1", 0, 0, 0)});
    expectVector(mesh(scene, "light1")->position, 5, -44, 7, 1e-6);
    const Qu::Object* sky = mesh(scene, "sky1");
    double t = 16.5;
    at(scene, t);
    expectVector(scene.camera()->eye, 10 + 3 * (std::sin(t / 5) + std::cos(t / 3)), -20 + 2 * std::sin(t / 2.5) - 1,
                 40 - 4 + 6 * std::sin(t / 4) * std::cos(t / 3));
    t = 17.0;
    at(scene, t);
    EXPECT_NEAR(scene.findLight("light3")->size, 100 * std::sin(t) + 250, 1e-3);
    expectVector(scene.findLight("light4")->position, -20, -120, -20);
    // The sky streams along v by frameDelta / 3.
    EXPECT_NEAR(sky->faces.at(0)->cornerV[1], 17.0 / 3.0, 1e-4);
}

// ---- earth and the forest animations ---------------------------------------

// The wireframe builds four lines per face: the count of faces at t.
TEST_F(Scenes, BuildLineCounts) {
    Counts earth, one, two;
    drawn<demoEarth>("wt", 0.1, {crossed("ufo"), crossed("earth")}, &earth);
    drawn<demoForan>("wt", 0.1, {crossed("Tower", 0, 0, 300)}, &one);
    drawn<demoForanTwo>("wt", 5.1, {crossed("laser", 0, 0, 300)}, &two);
    EXPECT_EQ(earth.lines, 4 * 4);
    EXPECT_EQ(one.lines, 4 * 3);
    EXPECT_EQ(two.lines, 4 * 4);
}

// The third forest animation marks by its table, then by prefix ("uf"
// only outside the finale), and adds its second, larger main light.
TEST_F(Scenes, ForestThreeAndTheOtherScenesMarkMeshesAndAddLights) {
    struct Mark {
        const char* name;
        std::int32_t kind;
        int blend;
    };
    auto check = [&](auto& scene, const std::vector<Mark>& marks) {
        std::vector<Mesh> meshes;
        for (const Mark& m : marks) meshes.push_back(crossed(m.name));
        model(modelFile(&scene), meshes);
        ASSERT_TRUE(scene.init(&library, &renderer));
        for (const Mark& m : marks) {
            SCOPED_TRACE(m.name);
            EXPECT_EQ(mesh(scene, m.name)->kind(), m.kind);
            EXPECT_TRUE(m.blend < 0 || mesh(scene, m.name)->faces.at(1)->blend == m.blend);
        }
    };
    demoForanThree three;
    check(three, {{"ufo1", Qu::kindSolidBuild, -1}, {"Toad", Qu::kindWireBuild, -1},
                  {"tri", Qu::kindTransparent, 2}, {"water", Qu::kindTransparent, 1}});
    const std::vector<Qu::Light*> threeMains = lightsNamed(three, "light0");
    ASSERT_EQ(threeMains.size(), 2u);
    EXPECT_FLOAT_EQ(threeMains[1]->size, 550.0f);
    demoForrestFinale finale;
    check(finale, {{"ufo", Qu::kindMesh, -1}, {"Tower", Qu::kindWireBuild, -1}});
}

TEST_F(Scenes, EarthQuads) { expectRows<demoEarth>(earth); }
TEST_F(Scenes, ForestOneQuads) { expectRows<demoForan>(one); }
TEST_F(Scenes, ForestTwoQuads) { expectRows<demoForanTwo>(two); }
TEST_F(Scenes, ForestThreeQuads) { expectRows<demoForanThree>(three); }
TEST_F(Scenes, FinaleQuads) { expectRows<demoForrestFinale>(finale); }

// The shell hands this scene raw clock milliseconds: any first value is
// t = 0. The sky's drift adds up frame by frame: 2.5 s / 10 in v.
TEST_F(Scenes, EarthEyeSwingsAroundUfotOnRawClockTimeAndTheSkyDriftsVertically) {
    model("earth.3ds", {crossed("ufot", 100, -50, 300), crossed("earth", 0, 0, 400), crossed("sky1")});
    demoEarth earth;
    ASSERT_TRUE(earth.init(&library, &renderer));
    Qu::Face* sky = mesh(earth, "sky1")->faces.at(0);
    const float v0 = sky->cornerV[1];
    for (double ms : {0, 1000, 2500}) earth.render(float(123456 + ms));
    const double t = earth.lastTime;
    expectVector(earth.camera()->eye, 100 + 515 * std::sin(t / 3.2) * std::cos(t / 4),
                 -50 - 25 + 15 * std::sin(-t / 6.2) * std::cos(t / 4), 300 + 150 * std::sin(t / 2));
    EXPECT_NEAR(sky->cornerV[1], v0 + 0.25f, 1e-5);
}

TEST_F(Scenes, ForestOneFlamesStreamPastTheWallAndTheCameraCirclesItFromSevenAndAHalf) {
    const double ux = 10, uy = -20, uz = 300, wx = -40, wy = 30, wz = 900;
    demoForan one;
    start(one, {crossed("ukko", ux, uy, uz), crossed("wall", wx, wy, wz)});
    at(one, 4);
    const float t = 4.0f;
    expectVector(one.findLight("light12")->position, 40 * std::sin(t) + wx - 40, wy - 100, 35 * t - 440 + wz);
    EXPECT_NEAR(one.findLight("light13")->size, 200 * std::cos(3.1f * t) + 200, 1e-3);
    at(one, 7.5);
    expectVector(one.camera()->lookAt, wx + 40 * std::sin(2.5), wy - 40 + 70 * std::sin(3.75), wz);
    expectVector(one.camera()->eye, ux + 40 * std::sin(2.5), uy - 45 + 15 * std::sin(2.5), uz - 770 + 300);
}

TEST_F(Scenes, ForestTwoFollowsTheLaserAndNeverMovesTheSecondLight0) {
    const double lx = 20, ly = -30, lz = 400;
    demoForanTwo two;
    start(two, {crossed("laser", lx, ly, lz), crossed("wall", 0, 0, 800)});
    at(two, 4);
    const double t = 4;
    expectVector(two.camera()->eye, lx + 60 - 4 * t, ly - 40 + 2 * t, lz - 20 + 10 * std::sin(t / 5));
    const std::vector<Qu::Light*> mains = lightsNamed(two, "light0");
    expectVector(mains[0]->position, lx + 10, ly - 20, lz - 5);
    expectVector(mains[1]->position, 0, 0, 50);
    const float x0 = 40 * std::sin(4.0f), z0 = 15 * 4.0f + 800 - 140;
    expectVector(two.findLight("light13")->position, x0 + 53 * std::sin(8.0f), -100, z0 - 40);
}

TEST_F(Scenes, ForestOneWaterDriftsAndRipplesFromRestAndLogosBob) {
    demoForan one;
    expectWaves(one, {{"water", 15, 1, 0.4, 0.45, 20}, {"water01", 5, 3, 0.4, 0.45, 9}});
}

TEST_F(Scenes, ForestTwoWaterDriftsAndRipplesFromRest) {
    demoForanTwo two;
    expectWaves(two, {{"water", 3, 2, 0.4, 0.45, 10}});
}

// The white opening fade is drawn in mode 1 (over the picture).
TEST_F(Scenes, ForestTwoOpensWhiteAndBuildsTheLaserOnlyAfterFive) {
    texture("wt");
    demoForanTwo two;
    start(two, {crossed("laser", 0, 0, 300, 40)});
    EXPECT_GE(gl.pixelFromTop(512, 384).r, 250);
    at(two, 1.5);
    const int half = gl.pixelFromTop(512, 384).r;
    EXPECT_GT(half, 30);
    EXPECT_LT(half, 250);
}

TEST_F(Scenes, ForestThreeFiresShrinkToTheirFloorAndTheMainLightSinksFromFifteen) {
    demoForanThree three;
    start(three, {crossed("wall", 0, 0, 900)});
    at(three, 12);
    EXPECT_FLOAT_EQ(three.findLight("light17")->size, 0.01f);
    EXPECT_NEAR(three.findLight("light16")->size, 4 * 0.01f * (std::sin(12 / 2.7f) + 1), 1e-6);
    at(three, 15);
    expectVector(three.findLight("light0")->position, 350, -550, 1300);
    at(three, 17);
    expectVector(three.findLight("light0")->position, 350, -560, 1300);

    // The eye runs straight ahead, then turns to its orbit at 24.
    at(three, 23.75);
    expectVector(three.camera()->eye, 0, 0, 50 * 23.75 + 600);
    at(three, 24);
    expectVector(three.camera()->eye, 220 * std::cos(6.0), 50 * std::sin(8.0) - 150,
                 300 * std::sin(10.0) + 1300);
}

// Without "wall" the camera looks at (0, 0, 1000): the build-up mesh sits there.
TEST_F(Scenes, ForestThreeBuildWindowsAreStrict) {
    demoForanThree three;
    start(three, {crossed("ufo", 0, 0, 1000, 200)});
    auto grey = [](int r, int, int b) { return r > 20 && std::abs(b - r) < 20; };   // the surface build
    struct Step {
        double t;
        bool wire, solid;
    };
    for (const Step& s : {Step{15, false, false}, {15.5, true, false}, {25.5, true, true}, {34.9, true, true}, {35, false, true}}) {
        at(three, s.t);
        EXPECT_EQ(countPixels(gl, scenetest::wire) > 20, s.wire) << s.t;
        EXPECT_EQ(countPixels(gl, grey) > 100, s.solid) << s.t;
    }
}

// ---- finale ----------------------------------------------------------------

// The finale's wireframe ends at 35 for good: the count is negative.
TEST_F(Scenes, FinaleWireframeEndsAtThirtyFiveForGood) {
    demoForrestFinale finale;
    start(finale, {crossed("Tower", 0, 0, 1000, 200)});
    for (auto [t, wire] : {std::pair<double, bool>{15, false}, {20, true}, {34.9, true}, {35, false}, {50, false}}) {
        at(finale, t);
        EXPECT_EQ(countPixels(gl, scenetest::wire) > 20, wire) << t;
    }
}

TEST_F(Scenes, FinaleFiresShrinkInTwoStagesAndTheEyeTakesItsLastPathAtFortyOne) {
    demoForrestFinale finale;
    start(finale, {crossed("wall", 0, 0, 900)});
    for (auto [t, size] : {std::pair<double, double>{14, 80}, {15, 67}, {20, 2}, {20.25, 0.01}}) {
        at(finale, t);
        EXPECT_NEAR(finale.findLight("light17")->size, size, 1e-3) << t;
    }

    const double t = 41;
    at(finale, t);
    expectVector(finale.camera()->eye, 400 * std::cos(t / 3), 60 * std::sin(t / 3.5) - 90, 500 * std::sin(t / 5) + 1500);
}

TEST_F(Scenes, FinaleDarkensFromFiftyTwoAndStaysBlackToTheEndOfTheDemo) {
    for (const char* key : {"wt", "starslot", "scanner", "keu4", "keu5", "keu6", "etext", "fogz1", "fogz2"}) texture(key);
    demoForrestFinale finale;
    start(finale, {crossed("wall", 0, 0, 900), crossed("Tower", 0, 0, 1000, 200)});
    at(finale, 54);
    EXPECT_GT(pixelsAbove(gl, 20), 0);
    for (double t : {56.5, 65.1}) {
        at(finale, t);
        EXPECT_EQ(pixelsAbove(gl, 1), 0) << t;
    }
}

}  // namespace
