#include "scenes/forest_anim_three.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "render/renderer.h"
#include "resources/camera.h"
#include "resources/light.h"
#include "resources/model.h"
#include "resources/texture_library.h"
#include "scenes/forest_common.h"

void demoInitForestThree(demoSceneCommon& scene, demoForestPlan plan) {
    const bool finale = plan == demoForestPlan::finale;
    demoMarkForestBackdrop(scene);
    if (Qu::Object* laser = scene.findObject("laser")) laser->setKind(Qu::kindWireBuild);
    scene.markObjectBlend("water", Qu::kindTransparent, 0.3, 0.3, 0.3, 0.3, 1);
    scene.markObject("ukko", Qu::kindTransparent, 1.0, 1.0, 1.0, 1.0);
    scene.markObject("water01", Qu::kindTransparent, 0.5, 0.5, 0.6, 0.5);
    scene.markObject("build", Qu::kindTransparent, 0.5, 0.5, 0.6, 0.5);
    if (finale) {
        for (const char* name : {"plate1", "plate2", "plate3", "plate4", "kupu"})
            scene.markObject(name, Qu::kindTransparent, 0.5, 0.5, 0.6, 0.5);
    }
    demoKindByPrefix(scene.model, "To", Qu::kindWireBuild);
    scene.textureLibrary->load("wt", "data//wt.tga", "wt", 0);
    scene.addLight({"light0", "light2", "data//sun2.tga", "light2", Qu::Vector(0, 0, 50),
                    GL_LIGHT0, 350.0f, 0, Qu::Vector(0, 0, 0)});
    if (!finale) demoKindByPrefix(scene.model, "uf", Qu::kindSolidBuild);
    scene.freezeWaveMesh("water");
    scene.freezeWaveMesh("water01");
    scene.freezeWaveMesh("logo2");
    demoKindByPrefix(scene.model, "tr", Qu::kindTransparent, 0.5, 0.5, 0.5, 0.5, 2);
    if (finale) scene.textureLibrary->load("etext", "data//etext.tga", "etext", 0);
    // A large sprite under the first light's name: never found, never moved.
    scene.addLight({"light0", "light3", "data//sun3.tga", "light3", Qu::Vector(30, 30, 30),
                    GL_LIGHT1, 550.0f, 1, Qu::Vector(30, 30, 30)});
    demoAddFlameLights(scene, 50.0f);
    scene.finishInit();
    scene.addCamera();
}

void demoAnimateForestThree(demoSceneCommon& scene, float t, float spriteBase) {
    const double time = t;
    demoAnimateForest(scene, t, {20.0f, 15.0f, 1.0f});

    if (Qu::Object* wall = scene.findObject("wall")) {
        const Qu::Vector& w = wall->position;
        scene.camera()->setLookAt(Qu::Vector(w.x + 140 * std::sin(time / 3),
                                             w.y - 40 + 70 * std::sin(time / 2), w.z));
    }
    if (Qu::Light* light = scene.findLight("light0")) light->position = Qu::Vector(50, -600, 20);

    if (Qu::Object* wall = scene.findObject("wall")) {
        const float s = spriteBase;
        float bx = float(wall->position.x) + 40 * std::sin(t);
        float by = float(wall->position.y) - 100;
        const float bz = float(wall->position.z) + 15 * t - 140;
        demoPlaceLight(scene, "light12", bx, by, bz, 2 * s * (std::sin(t / 2.4f) + 1));
        demoPlaceLight(scene, "light13", bx + 53 * std::sin(2 * t), by, bz - 40,
                       3 * s * (std::sin(t / 2) + 1));
        bx += 30 * std::sin(-t / 3);
        by += 45 * std::sin(t / 2.3f);
        demoPlaceLight(scene, "light14", bx + 43 * std::sin(t), by + 22 * std::cos(2.4f * t),
                       bz - 120, 2 * s * (std::sin(t) + 1));
        demoPlaceLight(scene, "light15", bx + 43 * std::sin(3 * t), by + 12 * std::cos(2 * t),
                       bz - 180, s * (std::cos(2 * t) + 1));
        demoPlaceLight(scene, "light16", bx, by + 30 * std::cos(t), bz - 240,
                       4 * s * (std::sin(t / 2.7f) + 1));
        demoPlaceLight(scene, "light17", bx + 30 * std::sin(2 * t), by, bz - 300, s);
        // The main light sinks from 15 s.
        const float sink = t < 15 ? 0.0f : 5 * (t - 15);
        if (Qu::Light* light = scene.findLight("light0"))
            light->position = Qu::Vector(350, -550 - sink, 1300);
    }

    if (Qu::Object* build = scene.findObject("build")) build->place(0, time, 0, 0, 0, 0);
}

float demoForanThree::spriteBase(float t) {
    return std::max(150 - 15 * t, 0.01f);
}

Qu::Vector demoForanThree::eyeAt(float t) {
    const double time = t;
    if (t < orbitStart) return Qu::Vector(0, 0, 50 * time + 600);
    return Qu::Vector(220 * std::cos(time / 4), 50 * std::sin(time / 3) - 150,
                      300 * std::sin(time / 2.4) + 1300);
}

bool demoForanThree::init(Qu::TextureLibrary* library, Renderer* sceneRenderer) {
    if (!beginInit(library, sceneRenderer, "data//foreye.3ds")) return false;
    demoInitForestThree(*this, demoForestPlan::third);
    return true;
}

bool demoForanThree::render(float timeMs) {
    const float t = beginRender(timeMs);
    demoAnimateForestThree(*this, t, spriteBase(t));
    camera()->setEye(eyeAt(t));

    renderer->drawWorldAdditive(model);
    glClear(GL_DEPTH_BUFFER_BIT);
    fogLayers->draw(t, textureLibrary, renderer, 1.0f);
    renderer->drawLightFlares(model);
    if (t > 15 && t < 35) renderer->drawWireBuild(model, textureLibrary, 20 * (t - 15));
    if (t > 25) renderer->drawSolidBuild(model, textureLibrary, 30 * (t - 25));
    glClear(GL_DEPTH_BUFFER_BIT);
    glClear(GL_DEPTH_BUFFER_BIT);

    demoStarSlot(*this, t);
    const float f = (t - 15) / 13 + 1;
    if (t > 15 && t <= 25) {
        const float since = t - 15;
        demoZoomBurst(*this, "scanner", f, since / 3, std::min(since / 4, 0.5f),
                      std::min(since / 5, 0.5f));
    }
    if (t > 25 && t < 35) {
        const float since = t - 25;
        demoZoomBurst(*this, "scanner", f, 1 - since / 3, std::min(1 - since / 4, 0.5f),
                      std::min(1 - since / 5, 0.5f));
    }
    if (t < 3) demoFade(*this, 1 - t / 3, 1);
    if (t >= 25 && t < 29) demoFade(*this, 1 - (t - 25) / 4, 1);
    return endRender(t);
}
