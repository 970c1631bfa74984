// The forest opening, fog, greetings and space scenes, driven through their
// real init (model files written into a temporary data folder) and render:
// marks and lights, camera paths with and without the optional meshes,
// scrolls and waves across frames, prefix passes, build counts, overlay
// windows and their strict edges, and a few pixels a formula decides.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <array>
#include <cmath>
#include <cstdint>
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
#include "scenes/fog.h"
#include "scenes/forest_opening.h"
#include "scenes/greetings.h"
#include "scenes/space.h"
#include "support/gl_context.h"
#include "support/paths.h"

namespace {

using scenetest::Bytes;
using scenetest::brightestChannel;
using scenetest::expectVector;

// ---- data written for the scenes ------------------------------------------

void put16(Bytes& out, unsigned value) {
    out.push_back(std::uint8_t(value));
    out.push_back(std::uint8_t(value >> 8));
}
void put32(Bytes& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(value >> (8 * i)));
}
void putFloat(Bytes& out, float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    put32(out, bits);
}
Bytes chunk(unsigned id, const Bytes& body) {
    Bytes out;
    put16(out, id);
    put32(out, std::uint32_t(6 + body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// A mesh in engine coordinates (the file stores (x, z, -y)).
struct Mesh {
    std::string name;
    std::vector<std::array<float, 3>> points;
    std::vector<std::array<unsigned, 3>> faces;
};

// A square of edge 2e centred on (x, y, z), facing -z: two faces.
Mesh square(const std::string& name, float x, float y, float z, float e = 1.0f) {
    return {name,
            {{x - e, y - e, z}, {x + e, y - e, z}, {x + e, y + e, z}, {x - e, y + e, z}},
            {{0, 3, 2}, {0, 2, 1}}};
}

Bytes encode3ds(const std::vector<Mesh>& meshes) {
    Bytes editor;
    for (const Mesh& mesh : meshes) {
        Bytes points, mapping, faces;
        put16(points, unsigned(mesh.points.size()));
        put16(mapping, unsigned(mesh.points.size()));
        for (const auto& p : mesh.points) {
            putFloat(points, p[0]);
            putFloat(points, p[2]);
            putFloat(points, -p[1]);
            putFloat(mapping, 0.0f);
            putFloat(mapping, 0.0f);
        }
        put16(faces, unsigned(mesh.faces.size()));
        for (const auto& f : mesh.faces) {
            put16(faces, f[0]);
            put16(faces, f[1]);
            put16(faces, f[2]);
            put16(faces, 0);
        }
        Bytes mesh3d = chunk(0x4110, points);
        Bytes more = chunk(0x4140, mapping);
        mesh3d.insert(mesh3d.end(), more.begin(), more.end());
        more = chunk(0x4120, faces);
        mesh3d.insert(mesh3d.end(), more.begin(), more.end());
        Bytes object(mesh.name.begin(), mesh.name.end());
        object.push_back(0);
        more = chunk(0x4100, mesh3d);
        object.insert(object.end(), more.begin(), more.end());
        more = chunk(0x4000, object);
        editor.insert(editor.end(), more.begin(), more.end());
    }
    return chunk(0x4D4D, chunk(0x3D3D, editor));
}

// The shared textures the start-up loads (keys and file names stay alive).
struct Shared {
    const char* key;
    const char* file;
};
const Shared sharedTextures[] = {
    {"wt", "data//wt.tga"},     {"fogz1", "data//fogz1.tga"}, {"fogz2", "data//fogz2.tga"},
    {"tx1", "data//tx1.tga"},   {"tx2", "data//tx2.tga"},     {"tx3", "data//tx3.tga"},
    {"tx4", "data//tx4.tga"},   {"tx5", "data//tx5.tga"},     {"keu4", "data//keu4.tga"},
    {"keu5", "data//keu5.tga"}, {"keu6", "data//keu6.tga"},
};

// ---- fixture ------------------------------------------------------------

class ScenesOne : public testsupport::GlTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(gl.ok());
        rendertest::windowState();
        platform::recordMessageBoxes(true);
        // White pictures except the fog and the sprites, which add black
        // so that they leave the pixels the tests read alone.
        for (const char* name : {"wt", "tx1", "tx2", "tx3", "tx4", "tx5", "keu4", "keu5", "keu6",
                                 "greets2", "greettxt"})
            data.write(std::string(name) + ".tga", scenetest::solidTga(255, 255, 255, 2));
        for (const char* name : {"fogz1", "fogz2", "sun2", "sun3", "sun4"})
            data.write(std::string(name) + ".tga", scenetest::solidTga(0, 0, 0, 2));
        ASSERT_TRUE(data.entered());
        for (const Shared& texture : sharedTextures)
            library.load(texture.key, texture.file, texture.key, 0);
    }
    void TearDown() override { platform::recordMessageBoxes(false); }

    void model(const char* file, const std::vector<Mesh>& meshes) {
        data.write(file, encode3ds(meshes));
    }
    // Renders at scene time t; the first call must be at t = 0, which
    // starts the scene clock at demo time 0.
    template <class Scene>
    void frame(Scene& scene, float t) {
        ASSERT_TRUE(scene.render(1000.0f * t));
    }

    scenetest::DataFolder data;
    Qu::TextureLibrary library;
    Renderer renderer;
};

Qu::Object* mesh(demoSceneCommon& scene, const char* name) { return scene.findObject(name); }

// Overlays of one key, in drawing order.
template <class Overlay>
std::vector<Overlay> withKey(const std::vector<Overlay>& list, const char* key) {
    std::vector<Overlay> found;
    for (const Overlay& overlay : list)
        if (overlay.key && std::strcmp(overlay.key, key) == 0) found.push_back(overlay);
    return found;
}

// ---- forest opening -------------------------------------------------------

TEST_F(ScenesOne, OpeningInitMarksMeshesAndAddsItsThreeLights) {
    model("forresta.3ds", {square("stc", 0, 0, 0), square("water", 0, 5, 0), square("win1", 3, 0, 0),
                           square("bg1", 6, 0, 0)});
    demoForrest scene;
    ASSERT_TRUE(scene.init(&library, &renderer));

    EXPECT_EQ(mesh(scene, "stc")->kind(), Qu::kindTransparent);
    EXPECT_EQ(mesh(scene, "bg1")->kind(), Qu::kindDoubleSided);
    const Qu::Face* window = mesh(scene, "win1")->faces.at(0);
    EXPECT_FLOAT_EQ(window->color[0], 0.7f);
    EXPECT_EQ(window->blend, 0);

    // Lights follow the meshes in table order; the third one loads the
    // build-up sprite "light3" but shows the sprite of "light5".
    ASSERT_EQ(scene.model->objects.count(), 7);
    EXPECT_STREQ(scene.model->objects.at(4)->name(), "light0");
    Qu::Light* third = dynamic_cast<Qu::Light*>(scene.model->objects.at(6));
    ASSERT_NE(third, nullptr);
    EXPECT_STREQ(third->name(), "light2");
    EXPECT_NE(library.find("light3"), nullptr);
    EXPECT_EQ(third->texture, library.find("light5"));
    EXPECT_EQ(third->glLight, 124);
    EXPECT_FLOAT_EQ(third->size, 20.0f);
    EXPECT_EQ(scene.findLight("light0")->glLight, GL_LIGHT0);
    EXPECT_EQ(scene.findLight("light0")->spriteOnly, 0);

    const Qu::Vertex* water = mesh(scene, "water")->vertices.at(2);
    expectVector(water->restPosition, water->position.x, water->position.y, water->position.z, 0.0);
}

TEST_F(ScenesOne, InitFailsWithoutTheModelFile) {
    demoForrest opening;
    demoFog fog;
    demoGreet greet;
    demoSpace space;
    EXPECT_FALSE(opening.init(&library, &renderer));
    EXPECT_FALSE(fog.init(&library, &renderer));
    EXPECT_FALSE(greet.init(&library, &renderer));
    EXPECT_FALSE(space.init(&library, &renderer));
}

TEST_F(ScenesOne, OpeningWithoutWallGlidesOnTheFixedPath) {
    model("forresta.3ds", {square("sky1", 0, -40, 0, 50)});
    demoForrest scene;
    ASSERT_TRUE(scene.init(&library, &renderer));
    frame(scene, 0.0f);
    const double x0 = 45.0 * std::sin(-4.14) + 6.0;
    expectVector(scene.camera()->eye, x0, -8.0, -230.0);
    expectVector(scene.camera()->lookAt, x0, -8.0, -180.0);

    frame(scene, 10.0f);
    const double x = 45.0 * std::sin(10.0 / 25.0 - 4.14) + 1.0 + 5.0 * std::sin(10.0 / 3.3) - 15.0 + 5.0;
    const double y = 3.0 * std::sin(10.0 / 3.0) * std::cos(-10.0 / 4.0) - 8.0;
    expectVector(scene.camera()->eye, x, y, -180.0);
    expectVector(scene.camera()->lookAt, x, y, -130.0);
    expectVector(scene.findLight("light0")->position, 300, -250, -200);
    expectVector(scene.findLight("light1")->position, 30, 30, 30);
    expectVector(scene.findLight("light2")->position, 30, 30, 30);
}

TEST_F(ScenesOne, OpeningWithWallCirclesItAndMovesTheSpriteLights) {
    model("forresta.3ds", {square("wall", 10, -20, 300, 4)});
    demoForrest scene;
    ASSERT_TRUE(scene.init(&library, &renderer));
    frame(scene, 0.0f);
    frame(scene, 8.0f);
    const double t = 8.0;
    const double ex = 10 + 5.5 * std::sin(t / 3.6) - 7.0;
    const double ey = -20 + std::sin(t / 3) * std::cos(t / 2) - 5.5;
    const double ez = 300 + 50 - 2 * t;
    expectVector(scene.camera()->eye, ex, ey, ez);
    expectVector(scene.camera()->lookAt, 10 + 15 * std::sin(t / 4) * std::cos(t / 3), -20,
                 300 + 16 * std::cos(t / 5.2));
    expectVector(scene.findLight("light1")->position, 12, -120, 150);
    expectVector(scene.findLight("light2")->position, ex + 2 * std::sin(t), ey, ez - 2);
}

TEST_F(ScenesOne, OpeningScrollsAccumulateButWaterHeightsComeFromRest) {
    model("forresta.3ds", {square("sky1", 0, -40, 0, 50), square("water", 0, 10, -150, 30),
                           square("win1", 20, 0, -150)});
    demoForrest scene;
    ASSERT_TRUE(scene.init(&library, &renderer));
    const Qu::Object* sky = mesh(scene, "sky1");
    const Qu::Object* water = mesh(scene, "water");
    const float u0 = sky->faces.at(0)->cornerU[1];

    frame(scene, 0.0f);
    frame(scene, 1.0f);
    frame(scene, 3.0f);
    // Each frame adds its own frameDelta: 0 + 1/20 + 2/20 for the sky.
    EXPECT_NEAR(sky->faces.at(0)->cornerU[1] - u0, 3.0 / 20.0, 1e-5);
    EXPECT_NEAR(sky->faces.at(1)->cornerV[2] - u0, 3.0 / 20.0, 1e-5);
    const double sway = std::sin(1.0 / 3.0) / 10.0 + std::sin(1.0) * 2.0 / 10.0;
    EXPECT_NEAR(mesh(scene, "win1")->faces.at(1)->cornerU[0], sway, 1e-5);
    EXPECT_NEAR(water->faces.at(0)->cornerV[0], sway, 1e-5);

    // The wave reads the eye depths of the last drawn frame and adds to the
    // rest height, never to the height of the previous frame.
    std::vector<double> depths;
    for (std::int32_t i = 0; i < water->vertices.count(); ++i)
        depths.push_back(water->vertices.at(i)->eyePosition.z);
    frame(scene, 4.5f);
    float a = 0.0f, b = 1.0f;
    for (std::int32_t i = 0; i < water->vertices.count(); ++i) {
        const Qu::Vertex* vertex = water->vertices.at(i);
        const double expected =
            2.0 * std::sin(4.5f + a) * std::cos(depths[std::size_t(i)] / 20.0 + b) + vertex->restPosition.y;
        EXPECT_NEAR(vertex->position.y, expected, 1e-4) << "vertex " << i;
        a += 0.4f;
        b += 0.45f;
    }
}

TEST_F(ScenesOne, OpeningOverlayWindowsKeepTheirStrictEdges) {
    using Overlay = demoForrest::Overlay;
    auto fades = [](float t) { return withKey(demoForrest::overlays(t), "wt"); };
    EXPECT_EQ(fades(5.99f).size(), 1u);
    EXPECT_TRUE(fades(6.0f).empty());
    EXPECT_TRUE(fades(36.0f).empty());
    ASSERT_EQ(fades(37.5f).size(), 1u);
    EXPECT_NEAR(fades(37.5f)[0].alpha, 0.5f, 1e-5);
    EXPECT_EQ(fades(37.5f)[0].mode, 0);

    // At 37 the falling window applies: main alpha 1, echo 0.4, both
    // widened by k = 40 (the echo by 1.5 k).
    std::vector<Overlay> bands = withKey(demoForrest::overlays(37.0f), "tx5");
    ASSERT_EQ(bands.size(), 2u);
    EXPECT_FLOAT_EQ(bands[0].alpha, 1.0f);
    EXPECT_FLOAT_EQ(bands[1].alpha, 0.4f);
    EXPECT_FLOAT_EQ(bands[0].x1, -1040.0f);
    EXPECT_FLOAT_EQ(bands[1].x2, 1060.0f);
    EXPECT_NEAR(withKey(demoForrest::overlays(36.9f), "tx5")[1].alpha, 0.4f * 3.9f / 3.0f, 1e-5);
    EXPECT_TRUE(withKey(demoForrest::overlays(32.99f), "tx5").empty());
    EXPECT_TRUE(withKey(demoForrest::overlays(40.0f), "tx5").empty());

    // The "keu4" flash: caps at full weight (t = 2), growing rectangles.
    std::vector<Overlay> flash = withKey(demoForrest::overlays(2.0f), "keu4");
    ASSERT_EQ(flash.size(), 4u);
    const float caps[4] = {0.5f, 0.35f, 0.25f, 0.25f};
    for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(flash[std::size_t(i)].alpha, caps[i]);
    const double s = 2.0 / 3.0 + 1.0;
    EXPECT_NEAR(flash[0].x2, 1165.0 * s, 0.01);
    EXPECT_NEAR(flash[3].y1, -880.0 * s * 1.01 * s * 1.02 * s * 1.03 * s, 0.1);
    EXPECT_NEAR(withKey(demoForrest::overlays(5.0f), "keu4")[0].alpha, -0.5f, 1e-6);
    EXPECT_TRUE(withKey(demoForrest::overlays(8.0f), "keu4").empty());
    // Drawing order: bands, fade-in, fade-out, flash.
    std::vector<Overlay> start = demoForrest::overlays(1.0f);
    ASSERT_EQ(start.size(), 5u);
    EXPECT_STREQ(start[0].key, "wt");
}

TEST_F(ScenesOne, OpeningFadeOutAtZeroKeepsThePictureBlack) {
    model("forresta.3ds", {square("fars", 0, 0, -2000)});   // behind the eye
    demoForrest scene;
    ASSERT_TRUE(scene.init(&library, &renderer));
    frame(scene, 0.0f);
    // At 37.5 the white band (alpha a = 5/6, source times itself over
    // black) and its echo (alpha e = 0.4 a) are darkened by a fade of 1/2.
    frame(scene, 37.5f);
    const double a = 1.0 - 0.5 / 3.0, e = 0.4 * a;
    const double band = a * a;
    const double expected = 0.5 * (e * e + band * (1.0 - e));
    EXPECT_NEAR(gl.pixelFromTop(512, 500).r, 255.0 * expected, 3.0);
    // From 39 the fade's alpha is 0 or below: black however bright the band.
    frame(scene, 39.0f);
    EXPECT_EQ(brightestChannel(gl), 0);
}

// ---- fog ----------------------------------------------------------------

std::vector<Mesh> fogModel() {
    return {square("water", 0, 0, 0, 20), square("to1", 0, 0, 0), square("t", 5, 5, 5),
            square("ba", 1, 1, 1),        square("ball", 0, 0, 0), square("Ball", 2, 0, 0),
            square("b", 3, 0, 0),         square("toA", 0, 0, 0),  square("logo2", 0, 0, 30),
            square("logo1", 4, 0, 30)};
}

TEST_F(ScenesOne, FogPrefixPassesMatchTwoCharactersExactly) {
    model("asmtest2.3ds", fogModel());
    demoFog scene;
    ASSERT_TRUE(scene.init(&library, &renderer));
    EXPECT_EQ(mesh(scene, "ba")->kind(), Qu::kindWireBuild);
    EXPECT_EQ(mesh(scene, "ball")->kind(), Qu::kindWireBuild);
    EXPECT_EQ(mesh(scene, "Ball")->kind(), Qu::kindMesh);
    EXPECT_EQ(mesh(scene, "b")->kind(), Qu::kindMesh);
    EXPECT_FLOAT_EQ(mesh(scene, "water")->faces.at(0)->color[2], 0.6f);   // green
    EXPECT_EQ(scene.overlaySwitch, 1);
    EXPECT_EQ(scene.worldVisible, 1);
    EXPECT_FLOAT_EQ(scene.findLight("light1")->size, 950.0f);

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
        expectVector(mesh(scene, name)->position, 70 * std::sin(t + p) + fx,
                     30 * (std::cos(t) + std::sin(t + p)) + fy, 100 * std::sin(t + p) + fz + 160);
    }
    Qu::Matrix turn;
    turn.rotation(float(3 * std::sin(t)), float(6 * std::cos(t + 0.5)), float(2 * std::sin(t + 0.5)));
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(mesh(scene, "toA")->matrix.m[i], turn.m[i], 1e-6);
    expectVector(mesh(scene, "t")->position, 5, 5, 5);
}

TEST_F(ScenesOne, FogBallSwingsFromItsPathWithoutAccumulating) {
    model("asmtest2.3ds", fogModel());
    demoFog scene;
    ASSERT_TRUE(scene.init(&library, &renderer));
    frame(scene, 0.0f);
    frame(scene, 15.0f);
    auto path = [](double t) {
        return Qu::Vector(230 * std::sin(t / 3), 240 * std::sin(t / 3.4), 240 * std::cos(t / 5));
    };
    const Qu::Vector at15 = path(15.0);
    expectVector(mesh(scene, "ball")->position, at15.x, at15.y, at15.z);
    for (int repeat = 0; repeat < 2; ++repeat) {
        frame(scene, 16.0f);
        const Qu::Vector at16 = path(16.0);
        expectVector(mesh(scene, "ball")->position, at16.x + 30 * std::sin(16.0),
                     at16.y + 40 * std::cos(16.0 / 3), at16.z + 10 * std::sin(16.0));
    }
    // The logos bob about their load positions; logo2 wobbles from rest.
    const Qu::Object* logo1 = mesh(scene, "logo1");
    EXPECT_NEAR(logo1->position.y, logo1->homePosition.y + 3 * std::sin(32.0) - 7, 1e-4);
    const Qu::Object* logo2 = mesh(scene, "logo2");
    EXPECT_NEAR(logo2->position.y, logo2->homePosition.y - 3 * std::sin(32.0) + 11, 1e-4);
}

TEST_F(ScenesOne, FogBuildCountTurnsAtFifteenAndEmptiesAtThirty) {
    EXPECT_FLOAT_EQ(demoFog::buildCount(15.0f), 3000.0f);
    EXPECT_NEAR(demoFog::buildCount(14.999f), 3000.0f, 0.5f);
    EXPECT_NEAR(demoFog::buildCount(15.001f), 3000.0f, 0.5f);
    EXPECT_FLOAT_EQ(demoFog::buildCount(30.0f), 0.0f);
    EXPECT_LT(demoFog::buildCount(31.0f), 0.0f);
    EXPECT_FLOAT_EQ(demoFog::buildCount(5.0f), 1000.0f);
}

TEST_F(ScenesOne, FogOverlayWindows) {
    using Overlay = demoFog::Overlay;
    // tx1 at 7: the falling window at alpha 1 replaces the rising one.
    std::vector<Overlay> band = withKey(demoFog::overlays(7.0f), "tx1");
    ASSERT_EQ(band.size(), 2u);
    EXPECT_FLOAT_EQ(band[0].alpha, 1.0f);
    EXPECT_FLOAT_EQ(band[1].alpha, 0.3f);
    EXPECT_FLOAT_EQ(band[1].x2, 1000.0f + 0.0f + 30.0f);   // X = 0, k = 30
    EXPECT_GT(withKey(demoFog::overlays(6.99f), "tx1")[0].alpha, 2.9f);
    EXPECT_TRUE(withKey(demoFog::overlays(4.0f), "tx1").empty());

    // tx3's echo is widened by j only while rising.
    EXPECT_FLOAT_EQ(withKey(demoFog::overlays(20.0f), "tx3")[1].x1, -1000.0f + (600.0f - 900.0f) - 100.0f);
    EXPECT_FLOAT_EQ(withKey(demoFog::overlays(21.0f), "tx3")[1].x1, -1000.0f + (600.0f - 1000.0f));

    // keu6 flash: none at 20, its first quad is the unscaled full screen.
    EXPECT_TRUE(withKey(demoFog::overlays(20.0f), "keu6").empty());
    std::vector<Overlay> flash = withKey(demoFog::overlays(22.0f), "keu6");
    ASSERT_EQ(flash.size(), 4u);
    EXPECT_FLOAT_EQ(flash[0].x1, -1165.0f);
    EXPECT_FLOAT_EQ(flash[0].alpha, 1.0f);
    EXPECT_FLOAT_EQ(flash[1].alpha, 0.5f);
    EXPECT_EQ(withKey(demoFog::overlays(27.0f), "keu6").size(), 4u);
    EXPECT_TRUE(withKey(demoFog::overlays(27.01f), "keu6").empty());

    // Flashes (mode 1) at 25, 28, 31 and the fade-out (mode 0) from 34.
    auto fades = [](float t) { return withKey(demoFog::overlays(t), "wt"); };
    ASSERT_EQ(fades(28.0f).size(), 1u);
    EXPECT_FLOAT_EQ(fades(28.0f)[0].alpha, 0.5f);
    EXPECT_EQ(fades(28.0f)[0].mode, 1);
    EXPECT_TRUE(fades(30.0f).empty());
    EXPECT_TRUE(fades(33.99f).empty());
    ASSERT_EQ(fades(34.0f).size(), 1u);
    EXPECT_EQ(fades(34.0f)[0].mode, 0);
    EXPECT_FLOAT_EQ(fades(34.0f)[0].alpha, 1.0f);
    EXPECT_FLOAT_EQ(fades(1.0f)[0].alpha, 0.5f);
}

TEST_F(ScenesOne, FogWithoutWorldStillDrawsBuildFogAndOverlays) {
    // At t = 5 the camera looks from F at L = (50 sin(5/7), 90 cos(5/4), 0):
    // a wire triangle's edge runs through L, a lit background lies beyond
    // it, and the "tx1" band covers the upper part of the screen.
    const double t = 5.0;
    const float lx = float(50 * std::sin(t / 7)), ly = float(90 * std::cos(t / 4));
    const float fx = float(80 * std::sin(t / 2.3)), fy = float(35 * std::sin(t / 3) * std::cos(-t / 4) - 200);
    const float fz = float(170 * std::cos(t / 4) + 200);
    Mesh wire{"bar", {{lx - 40, ly, 0}, {lx + 40, ly, 0}, {lx, ly + 40, 0}}, {{0, 1, 2}}};
    Mesh beyond = square("bg1", lx + 2 * (lx - fx), ly + 2 * (ly - fy), 2 * -fz, 2000);
    model("asmtest2.3ds", {wire, beyond});
    demoFog scene;
    ASSERT_TRUE(scene.init(&library, &renderer));
    frame(scene, 0.0f);
    const float driftBefore = scene.fogLayers->layers.at(1)->u;

    scene.worldVisible = 0;
    frame(scene, 5.0f);
    // The fog layers took their 5 s step (layer 1 drifts 0.02 a second).
    EXPECT_NEAR(scene.fogLayers->layers.at(1)->u - driftBefore, 0.1f, 1e-5);
    // The band (y 300..700 of the quad plane) is white.
    EXPECT_GT(gl.pixelFromTop(512, 150).r, 200);
    // The wire passes the centre of the picture in its colour (0.6, 0.6, 0.8).
    bool wireSeen = false;
    for (int dy = -2; dy <= 2; ++dy) {
        testsupport::Rgba p = gl.pixelFromTop(512, 384 + dy);
        if (p.b > 150 && p.r > 100 && p.r < p.b) wireSeen = true;
    }
    EXPECT_TRUE(wireSeen);
    // No world: the background is not drawn.
    EXPECT_EQ(testsupport::channelDistance(gl.pixelFromTop(900, 700), testsupport::Rgba()), 0);

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
    EXPECT_EQ(mesh(scene, "wirus")->kind(), Qu::kindWireBuild);
    EXPECT_FLOAT_EQ(mesh(scene, "wirus")->faces.at(0)->color[0], 0.0f);   // not coloured
    EXPECT_EQ(mesh(scene, "bank")->kind(), Qu::kindWireBuild);
    EXPECT_EQ(mesh(scene, "water")->faces.at(0)->blend, 1);
    const char* lights[] = {"light0", "light1", "light11", "light12"};
    for (int i = 0; i < 4; ++i) EXPECT_STREQ(scene.model->objects.at(5 + i)->name(), lights[i]);
    EXPECT_EQ(scene.findLight("light11")->texture, library.find("lightg"));
    EXPECT_NE(library.find("greets2"), nullptr);
    EXPECT_NE(library.find("greetings"), nullptr);

    const Qu::Object* water = mesh(scene, "water");
    const Qu::Object* background = mesh(scene, "bg1");
    frame(scene, 0.0f);
    expectVector(scene.camera()->eye, 0, 0, -70);
    expectVector(scene.camera()->lookAt, 0, 0, 0);
    std::vector<double> depths;
    for (std::int32_t i = 0; i < background->vertices.count(); ++i)
        depths.push_back(background->vertices.at(i)->eyePosition.z);
    frame(scene, 2.0f);
    expectVector(scene.camera()->eye, 0, 0, -66);
    expectVector(mesh(scene, "to1")->position, 70 * std::sin(2.5), 30 * (std::cos(2.0) + std::sin(2.5)),
                 100 * std::sin(2.5) + 4 - 70 + 160);
    // Water sways along u only.
    EXPECT_NEAR(water->faces.at(0)->cornerU[0], std::sin(2.0 / 3.0) * 2.0 / 20.0, 1e-5);
    EXPECT_FLOAT_EQ(water->faces.at(0)->cornerV[0], 0.0f);
    // bg1 ripples sideways from rest with the previous frame's depths.
    float a = 0.0f, b = 1.0f;
    for (std::int32_t i = 0; i < background->vertices.count(); ++i) {
        const Qu::Vertex* vertex = background->vertices.at(i);
        EXPECT_NEAR(vertex->position.x,
                    5.0 * std::sin(4.0f + a) * std::cos(depths[std::size_t(i)] / 20.0 + b) +
                        vertex->restPosition.x,
                    1e-4);
        a += 0.2f;
        b += 0.25f;
    }
}

TEST_F(ScenesOne, GreetingsBuildBandAndFades) {
    EXPECT_FLOAT_EQ(demoGreet::buildCount(20.0f), 8000.0f);
    EXPECT_NEAR(demoGreet::buildCount(19.999f), 8000.0f, 0.5f);
    EXPECT_FLOAT_EQ(demoGreet::buildCount(30.0f), 2000.0f);

    EXPECT_TRUE(withKey(demoGreet::underFogOverlays(10.0f), "greets2").empty());
    const float reach = 10.0f + 1300.0f / 700.0f;
    std::vector<demoGreet::Overlay> band = withKey(demoGreet::underFogOverlays(reach), "greets2");
    ASSERT_EQ(band.size(), 2u);
    EXPECT_NEAR(band[0].x1, 0.0f, 0.01f);
    EXPECT_GE(band[1].x2 - band[1].x1, 12000.0f);
    EXPECT_TRUE(withKey(demoGreet::overFogOverlays(5.0f), "greetings").empty());
    EXPECT_FLOAT_EQ(withKey(demoGreet::overFogOverlays(5.5f), "greetings")[0].alpha, std::sin(5.5f) + 1.0f);

    // Opening fade twice (wide, then the middle band), fade-out from 32.
    std::vector<demoGreet::Overlay> fades = withKey(demoGreet::overFogOverlays(1.5f), "wt");
    ASSERT_EQ(fades.size(), 2u);
    EXPECT_FLOAT_EQ(fades[0].y1, -1300.0f);
    EXPECT_FLOAT_EQ(fades[1].y1, -1000.0f);
    EXPECT_FLOAT_EQ(fades[1].alpha, 0.5f);
    EXPECT_TRUE(withKey(demoGreet::overFogOverlays(32.0f), "wt").empty());
    EXPECT_FLOAT_EQ(withKey(demoGreet::overFogOverlays(33.5f), "wt")[0].alpha, 0.5f);
}

TEST_F(ScenesOne, GreetingsEyeOnTheLookAtPointDrawsBlackWithoutFault) {
    model("scenery.3ds", {square("bg1", 0, 0, 50, 80), square("ball", 0, 0, 10)});
    demoGreet scene;
    ASSERT_TRUE(scene.init(&library, &renderer));
    frame(scene, 0.0f);
    frame(scene, 35.0f);
    expectVector(scene.camera()->eye, 0, 0, 0, 0.0);
    EXPECT_EQ(brightestChannel(gl), 0);
    frame(scene, 36.0f);   // looking back along -z, still under the black fade
    EXPECT_EQ(brightestChannel(gl), 0);
}

// ---- space ----------------------------------------------------------------

TEST_F(ScenesOne, SpacePassesLeaveTheKindsInTheirOrder) {
    model("space.3ds", {square("water01", 0, 0, 0), square("ufo", 0, 0, 0), square("ufot", 1, 2, 3),
                        square("To1", 0, 0, 0), square("to1", 0, 0, 0), square("tr1", 0, 0, 0),
                        square("u", 0, 0, 0), square("wall", 0, 0, 0)});
    demoSpace scene;
    ASSERT_TRUE(scene.init(&library, &renderer));
    EXPECT_EQ(mesh(scene, "water01")->kind(), Qu::kindDoubleSided);
    EXPECT_EQ(mesh(scene, "ufo")->kind(), Qu::kindSolidBuild);
    EXPECT_EQ(mesh(scene, "ufot")->kind(), Qu::kindSolidBuild);
    EXPECT_EQ(mesh(scene, "To1")->kind(), Qu::kindWireBuild);
    EXPECT_EQ(mesh(scene, "to1")->kind(), Qu::kindMesh);
    EXPECT_EQ(mesh(scene, "u")->kind(), Qu::kindMesh);
    EXPECT_EQ(mesh(scene, "tr1")->kind(), Qu::kindTransparent);
    EXPECT_EQ(mesh(scene, "tr1")->faces.at(1)->blend, 2);
    const char* lights[] = {"light0", "light3", "light4"};
    for (int i = 0; i < 3; ++i) EXPECT_STREQ(scene.model->objects.at(8 + i)->name(), lights[i]);
    EXPECT_EQ(scene.findLight("light4")->texture, library.find("lightsoom"));
}

TEST_F(ScenesOne, SpaceRidesWithUfotAndSwitchesPathAtSeventeen) {
    model("space.3ds", {square("ufot", 10, -20, 40), square("sky1", 0, 0, 80, 100)});
    demoSpace scene;
    ASSERT_TRUE(scene.init(&library, &renderer));
    const Qu::Object* sky = mesh(scene, "sky1");
    frame(scene, 0.0f);
    frame(scene, 16.5f);
    double t = 16.5;
    expectVector(scene.camera()->eye, 10 + 3 * (std::sin(t / 5) + std::cos(t / 3)),
                 -20 + 2 * std::sin(t / 2.5) - 1, 40 - 4 + 6 * std::sin(t / 4) * std::cos(t / 3));
    frame(scene, 17.0f);
    t = 17.0;
    expectVector(scene.camera()->eye, 10 + 3 * (std::sin(t / 6) + std::cos(t / 2.5)), -20 + 2 * std::sin(t / 3),
                 40 - 3 + 2 * std::sin(t / 4) * std::cos(t / 3));
    expectVector(scene.camera()->lookAt, 10 + 2 * std::cos(t / 4), -20 + 3 * std::sin(t / 5), 40);
    expectVector(scene.findLight("light3")->position, 10, -20, 40);
    EXPECT_NEAR(scene.findLight("light3")->size, 100 * std::sin(t) + 250, 1e-3);
    // The sky streams along v by frameDelta / 3, u untouched.
    EXPECT_NEAR(sky->faces.at(0)->cornerV[1], 17.0 / 3.0, 1e-4);
    EXPECT_FLOAT_EQ(sky->faces.at(0)->cornerU[1], 0.0f);
    // The flash at 17 is full white in mode 1.
    EXPECT_EQ(gl.pixelFromTop(512, 384), (testsupport::Rgba{255, 255, 255, gl.pixelFromTop(512, 384).a}));
}

TEST_F(ScenesOne, SpaceWithoutUfotKeepsTheResetCamera) {
    model("space.3ds", {square("wall", 5, 6, 7), square("sky1", 0, 0, 80)});
    demoSpace scene;
    ASSERT_TRUE(scene.init(&library, &renderer));
    frame(scene, 0.0f);
    frame(scene, 20.0f);
    expectVector(scene.camera()->eye, 0, 0, 1, 0.0);
    expectVector(scene.camera()->lookAt, 0, 0, 1000, 0.0);
    expectVector(scene.findLight("light3")->position, 30, 30, 30, 0.0);
    EXPECT_FLOAT_EQ(scene.findLight("light3")->size, 0.0f);
    // "wall" without an item "light1" moves nothing.
    expectVector(mesh(scene, "wall")->position, 5, 6, 7, 1e-6);
}

TEST_F(ScenesOne, SpaceMovesAModelItemNamedLight1AboveTheWall) {
    model("space.3ds", {square("wall", 5, 6, 7), square("light1", 0, 0, 0)});
    demoSpace scene;
    ASSERT_TRUE(scene.init(&library, &renderer));
    frame(scene, 0.0f);
    expectVector(mesh(scene, "light1")->position, 5, -44, 7, 1e-6);
}

TEST_F(ScenesOne, SpaceOverlayWindows) {
    auto fades = [](float t) { return withKey(demoSpace::overlays(t), "wt"); };
    EXPECT_TRUE(fades(16.99f).empty());
    ASSERT_EQ(fades(17.0f).size(), 1u);
    EXPECT_FLOAT_EQ(fades(17.0f)[0].alpha, 1.0f);
    EXPECT_EQ(fades(17.0f)[0].mode, 1);
    EXPECT_TRUE(fades(18.0f).empty());
    EXPECT_TRUE(fades(41.0f).empty());
    EXPECT_FLOAT_EQ(fades(42.0f)[0].alpha, 0.5f);

    EXPECT_TRUE(withKey(demoSpace::overlays(25.0f), "keu5").empty());
    // At 30 both weight formulas meet at 5/3: no jump across it.
    std::vector<demoSpace::Overlay> at30 = withKey(demoSpace::overlays(30.0f), "keu5");
    ASSERT_EQ(at30.size(), 4u);
    EXPECT_NEAR(at30[0].alpha, 0.5 + std::sin(30.0) / 2, 1e-5);
    EXPECT_NEAR(withKey(demoSpace::overlays(30.001f), "keu5")[0].alpha, at30[0].alpha, 1e-3);
    EXPECT_NEAR(at30[0].x2, 1165.0f * 2.0f, 0.01f);
    EXPECT_NEAR(at30[1].x2, 1165.0f * 2.0f * 2.02f, 0.01f);
    // Beyond 38 every alpha is negative, though the flash is still drawn.
    for (const auto& quad : withKey(demoSpace::overlays(38.5f), "keu5")) EXPECT_LT(quad.alpha, 0.0f);
    EXPECT_EQ(withKey(demoSpace::overlays(43.0f), "keu5").size(), 4u);
}

}  // namespace
