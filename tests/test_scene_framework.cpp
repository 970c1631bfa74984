// The scene framework: fog layer motion and opacity, and the init and
// render recipes on a model written into a data folder.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <vector>

#include "resources/camera.h"
#include "resources/light.h"
#include "scene_test_support.h"
#include "scenes/fog_layers.h"
#include "scenes/screen_overlay.h"

namespace {

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
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(fog.layers.at(i)->u, (i - 2) / 3.21f);
        EXPECT_FLOAT_EQ(fog.layers.at(i)->v, (i - 2) / 5.32f);
        EXPECT_FLOAT_EQ(fog.layers.at(i)->du, drift[i]);
        EXPECT_FLOAT_EQ(fog.layers.at(i)->dv, drift[i]);
    }
    fog.draw(123.5f, nullptr, nullptr, 1.0f);   // whatever the time: no step
    EXPECT_EQ(depths(fog), (std::vector<float>{2, 4, 6, 8}));
    fog.draw(124.0f, nullptr, nullptr, 1.0f);
    EXPECT_EQ(depths(fog), (std::vector<float>{1, 3, 5, 7}));   // landing on 1 is not below it
    EXPECT_FLOAT_EQ(fog.layers.at(1)->u, -1 / 3.21f + 0.5f * 0.02f);
    fog.draw(124.1f, nullptr, nullptr, 1.0f);   // 1 - 0.2 wraps to 9, not 8.8
    EXPECT_EQ(depths(fog)[0], 9.0f);
    EXPECT_NEAR(depths(fog)[1], 2.8f, 1e-5);

    // A reset skips one step; the next is measured from the reset frame.
    fog.reset = 1;
    fog.draw(126.0f, nullptr, nullptr, 1.0f);
    EXPECT_EQ(fog.reset, 0);
    EXPECT_NEAR(depths(fog)[1], 2.8f, 1e-5);
    fog.draw(126.25f, nullptr, nullptr, 1.0f);
    EXPECT_NEAR(depths(fog)[1], 2.3f, 1e-5);

    const float opacities[][3] = {{5, 1, 1}, {1, 1, 0}, {9, 1, 0}, {3, 1, 0.5f}, {6, 1, 0.75f}, {7, 0.5f, 0.25f}};
    for (const auto& o : opacities) EXPECT_FLOAT_EQ(FogLayers::opacity(o[0], o[1]), o[2]) << o[0];
}

// The smallest scene that follows the recipes: model, fog layers, camera,
// world pass, fog layers over it.
class recipeScene : public demoSceneCommon {
public:
    bool init(Qu::TextureLibrary* library, Renderer* sceneRenderer) {
        if (!beginInit(library, sceneRenderer, "data//recipe.3ds")) return false;
        addCamera();
        finishInit();
        return true;
    }
    bool render(float timeMs) {
        float t = beginRender(timeMs);
        camera()->setLookAt(Qu::Vector(0, 0, 50));
        renderer->drawWorld(model);
        drawFogLayers(t, 1.0f);
        return endRender(t);
    }
};

class SceneRecipes : public scenetest::SceneTest {};

TEST_F(SceneRecipes, InitLoadsTheModelFogLayersAndOneResetCamera) {
    recipeScene missing;
    EXPECT_FALSE(missing.init(&library, &renderer));

    model("recipe.3ds", {scenetest::square("ground", 0, 0, 10)});
    recipeScene scene;
    ASSERT_TRUE(scene.init(&library, &renderer));
    ASSERT_NE(scene.fogLayers, nullptr);
    ASSERT_EQ(scene.model->cameras.count(), 1);
    EXPECT_EQ(scene.camera()->lookAt.z, 1000.0);

    // Lights: the sprite loaded under its key, the light showing its own.
    Qu::Light* light = scene.addLight({"light2", "light3", "data//sun3.tga", "light5", Qu::Vector(1, 2, 3), 124, 20.0f,
                                       1, Qu::Vector(4, 5, 6)});
    EXPECT_EQ(scene.findLight("light2"), light);
    EXPECT_EQ(scene.findObject("light2"), nullptr);   // a light is not a mesh
    EXPECT_FLOAT_EQ(light->diffuse[2], 0.8f);
    EXPECT_FLOAT_EQ(light->ambient[2], 0.7f);
    EXPECT_EQ(scene.model->objects.last(), light);
}

TEST_F(SceneRecipes, RenderRunsTheClockTheFogStepAndTheEpilogue) {
    texture("fogz1");
    model("recipe.3ds", {scenetest::square("ground", 0, 0, 10)});
    recipeScene scene;
    ASSERT_TRUE(scene.init(&library, &renderer));
    glEnable(GL_LIGHT1);
    ASSERT_TRUE(scene.render(50000.0f));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT1));   // only the scene that wants it turns it on
    EXPECT_FLOAT_EQ(scene.lastTime, 0.0f);
    EXPECT_FLOAT_EQ(scene.fogLayers->step, 0.0f);
    ASSERT_TRUE(scene.render(50500.0f));
    EXPECT_FLOAT_EQ(scene.lastTime, 0.5f);
    EXPECT_FLOAT_EQ(scene.frameDelta, 0.5f);
    EXPECT_FLOAT_EQ(scene.fogLayers->step, 0.5f);
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_FLOAT_EQ(clear[3], 0.5f);   // the epilogue's clear colour
}

// An overlay without a key clears the depth buffer (the greetings put one
// after each group of quads).
TEST_F(SceneRecipes, AnOverlayWithoutKeyClearsTheDepthBuffer) {
    texture("wt");
    model("recipe.3ds", {scenetest::square("ground", 0, 0, 10)});
    recipeScene scene;
    ASSERT_TRUE(scene.init(&library, &renderer));
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

}  // namespace
