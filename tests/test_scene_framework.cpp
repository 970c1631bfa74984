// The scene framework: fog layers, the scene clock, the init recipe's
// pieces on a real model, the zoom flash, and one placeholder scene run
// through its recipes.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <unistd.h>

#include <string>

#include "e2e/demo_data.h"
#include "render/renderer.h"
#include "resources/camera.h"
#include "resources/light.h"
#include "resources/model.h"
#include "resources/texture_library.h"
#include "scenes/fog_layers.h"
#include "scenes/scene_framework.h"
#include "shell/gl_window.h"
#include "support/gl_context.h"
#include "support/paths.h"

namespace {

std::vector<float> depths(FogLayers& fog) {
    std::vector<float> result;
    for (int i = 0; i < fog.layers.count(); ++i) result.push_back(fog.layers.at(i)->depth);
    return result;
}

// ------------------------------------------------------------- fog layers
// Drawn without a library or renderer: the motion is the same, no quads.

class FogLayerMotion : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(gl.ok());
        ASSERT_TRUE(fog.init());
    }
    void draw(float time) { fog.draw(time, nullptr, nullptr, 1.0f); }

    testsupport::GlContext gl{16, 16};
    FogLayers fog;
};

TEST_F(FogLayerMotion, InitLaysOutFourLayersTwoUnitsApart) {
    EXPECT_EQ(fog.count, 4);
    EXPECT_EQ(fog.started, 1);
    EXPECT_EQ(fog.reset, 0);
    EXPECT_EQ(depths(fog), (std::vector<float>{2, 4, 6, 8}));
    const float drift[4] = {0.0f, 0.02f, -0.04f, -0.02f};
    for (int i = 0; i < 4; ++i) {
        FogLayer* layer = fog.layers.at(i);
        EXPECT_FLOAT_EQ(layer->u, (i - 2) / 3.21f);
        EXPECT_FLOAT_EQ(layer->v, (i - 2) / 5.32f);
        EXPECT_FLOAT_EQ(layer->du, drift[i]);
        EXPECT_FLOAT_EQ(layer->dv, drift[i]);
    }
}

TEST_F(FogLayerMotion, FirstDrawTakesNoStepWhateverTheTime) {
    draw(123.5f);
    EXPECT_EQ(fog.started, 0);
    EXPECT_FLOAT_EQ(fog.startTime, 123.5f);
    EXPECT_FLOAT_EQ(fog.step, 0.0f);
    EXPECT_EQ(depths(fog), (std::vector<float>{2, 4, 6, 8}));
    draw(124.0f);
    EXPECT_FLOAT_EQ(fog.step, 0.5f);
    EXPECT_EQ(depths(fog), (std::vector<float>{1, 3, 5, 7}));
    EXPECT_FLOAT_EQ(fog.layers.at(1)->u, -1 / 3.21f + 0.5f * 0.02f);
    EXPECT_FLOAT_EQ(fog.layers.at(2)->v, 0.0f - 0.5f * 0.04f);
}

TEST_F(FogLayerMotion, PassingDepthOneWrapsToExactlyNine) {
    draw(0.0f);
    draw(0.6f);   // 2 - 1.2 = 0.8 is below 1
    std::vector<float> after = depths(fog);
    EXPECT_EQ(after[0], 9.0f);
    EXPECT_FLOAT_EQ(after[1], 2.8f);
    EXPECT_FLOAT_EQ(after[3], 6.8f);
    draw(1.0f);   // 9 - 0.8; the others keep their spacing
    EXPECT_FLOAT_EQ(depths(fog)[0], 8.2f);
    // Landing exactly on 1 is not below it.
    FogLayers exact;
    exact.init();
    exact.draw(0.0f, nullptr, nullptr, 1.0f);
    exact.draw(0.5f, nullptr, nullptr, 1.0f);
    EXPECT_EQ(depths(exact)[0], 1.0f);
}

TEST_F(FogLayerMotion, ResetSkipsOneStepThenStepsFromThatFrame) {
    draw(10.0f);
    draw(10.25f);
    std::vector<float> before = depths(fog);
    float u = fog.layers.at(3)->u;
    fog.reset = 1;
    draw(12.0f);   // 1.75 s passed: no move, no drift
    EXPECT_EQ(fog.reset, 0);
    EXPECT_FLOAT_EQ(fog.step, 0.0f);
    EXPECT_EQ(depths(fog), before);
    EXPECT_FLOAT_EQ(fog.layers.at(3)->u, u);
    draw(12.25f);   // measured from the reset frame, not from 10.25
    EXPECT_FLOAT_EQ(fog.step, 0.25f);
    EXPECT_FLOAT_EQ(depths(fog)[1], before[1] - 0.5f);
}

TEST(FogLayerOpacity, PeaksAtFiveAndVanishesAtOneAndNine) {
    EXPECT_FLOAT_EQ(FogLayers::opacity(5.0f, 1.0f), 1.0f);
    EXPECT_FLOAT_EQ(FogLayers::opacity(1.0f, 1.0f), 0.0f);
    EXPECT_FLOAT_EQ(FogLayers::opacity(9.0f, 1.0f), 0.0f);
    EXPECT_FLOAT_EQ(FogLayers::opacity(3.0f, 1.0f), 0.5f);
    EXPECT_FLOAT_EQ(FogLayers::opacity(6.0f, 1.0f), 0.75f);
    EXPECT_FLOAT_EQ(FogLayers::opacity(7.0f, 0.5f), 0.25f);
}

// ------------------------------------------------------------ scene clock

TEST(SceneClock, FirstFrameIsSceneTimeZeroThenRunsFromThere) {
    demoSceneCommon scene;
    scene.restart = 1.0;
    EXPECT_FLOAT_EQ(scene.advanceSceneClock(50000.0f), 0.0f);
    EXPECT_DOUBLE_EQ(scene.baseTime, 50.0);
    EXPECT_EQ(scene.restart, 0.0);
    EXPECT_FLOAT_EQ(scene.frameDelta, 0.0f);
    scene.lastTime = 0.0f;
    EXPECT_FLOAT_EQ(scene.advanceSceneClock(50250.0f), 0.25f);
    EXPECT_FLOAT_EQ(scene.frameDelta, 0.25f);
    scene.lastTime = 0.25f;
    EXPECT_FLOAT_EQ(scene.advanceSceneClock(51000.0f), 1.0f);
    EXPECT_FLOAT_EQ(scene.frameDelta, 0.75f);
    EXPECT_DOUBLE_EQ(scene.baseTime, 50.0);   // re-based once only
}

// -------------------------------------------- recipes on a real data folder

// The smallest scene that follows the recipes: model, fog layers, camera,
// world pass, fog layers over it.
class recipeScene : public demoSceneCommon {
public:
    bool init(Qu::TextureLibrary* library, Renderer* sceneRenderer) {
        if (!beginInit(library, sceneRenderer, "data//asmtest2.3ds")) return false;
        addCamera();
        finishInit();
        return true;
    }
    bool render(float timeMs) {
        float t = beginRender(timeMs);
        camera()->setLookAt(Qu::Vector(0, 0, 50));
        camera()->setEye(Qu::Vector(0, -8, -100));
        renderer->drawWorld(model);
        glClear(GL_DEPTH_BUFFER_BIT);
        drawFogLayers(t, 1.0f);
        return endRender(t);
    }
};

class SceneRecipes : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(gl.ok());
        resizeGlView(gl.width(), gl.height());   // the window's projection and state
        initGlState();
        root = testsupport::makeTempDir();
        std::string error;
        ASSERT_TRUE(demodata::write(root, demodata::Options(), &error)) << error;
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        previousDir = cwd;
        ASSERT_EQ(chdir(root.c_str()), 0);
        library.load("fogz1", "data//fogz1.tga", "fogz1", 0);
        library.load("fogz2", "data//fogz2.tga", "fogz2", 0);
        library.load("wt", "data//wt.tga", "wt", 0);
    }
    void TearDown() override {
        if (!previousDir.empty()) {
            EXPECT_EQ(chdir(previousDir.c_str()), 0);
        }
    }

    testsupport::GlContext gl;
    std::string root;
    std::string previousDir;
    Qu::TextureLibrary library;
    Renderer renderer;
};

TEST_F(SceneRecipes, AMissingModelFailsTheInit) {
    demoSceneCommon scene;
    EXPECT_FALSE(scene.beginInit(&library, &renderer, "data//nothere.3ds"));
    EXPECT_EQ(scene.model, nullptr);
    EXPECT_EQ(scene.fogLayers, nullptr);
}

TEST_F(SceneRecipes, InitLoadsTheModelFogLayersAndOneResetCamera) {
    recipeScene scene;
    ASSERT_TRUE(scene.init(&library, &renderer));
    ASSERT_NE(scene.model, nullptr);
    EXPECT_NE(scene.findObject("ground"), nullptr);
    ASSERT_NE(scene.fogLayers, nullptr);
    EXPECT_EQ(scene.fogLayers->started, 1);
    EXPECT_EQ(scene.restart, 1.0);
    EXPECT_EQ(scene.frameDelta, 0.0f);
    EXPECT_EQ(scene.lastTime, 0.0f);
    ASSERT_EQ(scene.model->cameras.count(), 1);
    Qu::Camera* camera = scene.camera();
    EXPECT_EQ(camera->eye.z, 1.0);
    EXPECT_EQ(camera->lookAt.z, 1000.0);
    // The model's material texture went into the library under its name.
    EXPECT_NE(library.find("groundmat"), nullptr);
}

TEST_F(SceneRecipes, MarkingSetsKindAndColourAndSkipsMissingNames) {
    demoSceneCommon scene;
    ASSERT_TRUE(scene.beginInit(&library, &renderer, "data//forresta.3ds"));
    scene.markObject("nothing", 8, 1, 1, 1, 1);   // absent: skipped
    scene.markObjectBlend("ground", 8, 0.25, 0.5, 0.75, 0.125, 2);
    Qu::Object* ground = scene.findObject("ground");
    ASSERT_NE(ground, nullptr);
    EXPECT_EQ(ground->kind(), 8);
    Qu::Face* face = ground->faces.at(0);
    EXPECT_FLOAT_EQ(face->color[0], 0.125f);   // alpha first
    EXPECT_FLOAT_EQ(face->color[1], 0.25f);
    EXPECT_FLOAT_EQ(face->color[3], 0.75f);
    EXPECT_EQ(face->blend, 2);

    scene.markObjectsWithPrefix("Gr", 2, 0.5, 0.5, 0.5, 0.5);   // case-sensitive: no match
    EXPECT_EQ(ground->kind(), 8);
    scene.markObjectsWithPrefix("gr", 2, 0.5, 0.5, 0.5, 0.5);
    EXPECT_EQ(ground->kind(), 2);
}

TEST_F(SceneRecipes, LightsTakeTheirOwnTextureKeyAndTheRecipeColours) {
    demoSceneCommon scene;
    ASSERT_TRUE(scene.beginInit(&library, &renderer, "data//forresta.3ds"));
    scene.addLight({"light1", "light5", "data//sun2.tga", "light5", Qu::Vector(30, 30, 30), 123,
                    200.0f, 1, Qu::Vector(30, 30, 30)});
    // Loads "light3" but shows "light5", as the opening's third light does.
    Qu::Light* light = scene.addLight({"light2", "light3", "data//sun3.tga", "light5",
                                       Qu::Vector(1, 2, 3), 124, 20.0f, 1, Qu::Vector(4, 5, 6)});
    EXPECT_NE(library.find("light3"), nullptr);
    EXPECT_EQ(light->texture, library.find("light5"));
    EXPECT_EQ(scene.findLight("light2"), light);
    EXPECT_EQ(scene.findObject("light2"), nullptr);   // a light is not a mesh
    EXPECT_EQ(light->kind(), 4);
    EXPECT_EQ(light->glLight, 124);
    EXPECT_EQ(light->spriteOnly, 1);
    EXPECT_FLOAT_EQ(light->size, 20.0f);
    EXPECT_EQ(light->position.y, 2.0);
    EXPECT_EQ(light->offset.z, 6.0);
    EXPECT_FLOAT_EQ(light->diffuse[2], 0.8f);
    EXPECT_FLOAT_EQ(light->ambient[2], 0.7f);
    EXPECT_EQ(scene.model->objects.last(), light);
}

TEST_F(SceneRecipes, FreezingAWaveMeshKeepsEveryVertexPosition) {
    demoSceneCommon scene;
    ASSERT_TRUE(scene.beginInit(&library, &renderer, "data//forresta.3ds"));
    scene.freezeWaveMesh("ground");
    scene.freezeWaveMesh("absent");
    Qu::Object* ground = scene.findObject("ground");
    ASSERT_GT(ground->vertices.count(), 0);
    for (int i = 0; i < ground->vertices.count(); ++i) {
        Qu::Vertex* vertex = ground->vertices.at(i);
        EXPECT_EQ(vertex->restPosition.x, vertex->position.x);
        EXPECT_EQ(vertex->restPosition.y, vertex->position.y);
        EXPECT_EQ(vertex->restPosition.z, vertex->position.z);
    }
}

TEST_F(SceneRecipes, FirstRenderIsSceneTimeZeroWithNoFogStep) {
    recipeScene scene;
    ASSERT_TRUE(scene.init(&library, &renderer));
    ASSERT_TRUE(scene.render(50000.0f));
    EXPECT_FLOAT_EQ(scene.lastTime, 0.0f);
    EXPECT_FLOAT_EQ(scene.frameDelta, 0.0f);
    EXPECT_FLOAT_EQ(scene.fogLayers->step, 0.0f);
    ASSERT_TRUE(scene.render(50500.0f));
    EXPECT_FLOAT_EQ(scene.lastTime, 0.5f);
    EXPECT_FLOAT_EQ(scene.frameDelta, 0.5f);
    EXPECT_FLOAT_EQ(scene.fogLayers->step, 0.5f);
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_FLOAT_EQ(clear[3], 0.5f);   // the epilogue's clear colour
}

TEST_F(SceneRecipes, ZoomFlashScalesEachQuadFromThePreviousAndCapsItsAlpha) {
    Qu::Texture* white = library.find("wt")->texture();
    const float grey = 0.25f;
    auto clearGrey = [&] {
        glClearColor(grey, grey, grey, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    };
    int centreX = gl.width() / 2, centreY = gl.height() / 2;

    // A negative weight gives negative alphas: the picture stays as it was.
    clearGrey();
    const float grow[4] = {1.5f, 1.01f, 1.02f, 1.03f};
    const float caps[4] = {0.5f, 0.35f, 0.25f, 0.25f};
    drawZoomFlash(&renderer, white, -0.5f, grow, caps);
    EXPECT_EQ(gl.pixel(centreX, centreY).r, 64);
    EXPECT_EQ(gl.pixel(2, 2).r, 64);

    // Only the last quad shows (caps 0 elsewhere); it is the full screen
    // scaled by 0.5 x 1 x 1 x 1, so it covers the centre but not the corner.
    clearGrey();
    const float shrink[4] = {0.5f, 1.0f, 1.0f, 1.0f};
    const float onlyLast[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    drawZoomFlash(&renderer, white, 1.0f, shrink, onlyLast);
    EXPECT_EQ(gl.pixel(centreX, centreY).r, 255);
    EXPECT_EQ(gl.pixel(centreX + gl.width() / 4 + 8, centreY).r, 64);
    EXPECT_EQ(gl.pixel(2, 2).r, 64);
}

}  // namespace
