#include "scenes/forest_anim_two.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "render/renderer.h"
#include "resources/camera.h"
#include "resources/light.h"
#include "resources/model.h"
#include "resources/texture_library.h"
#include "scenes/forest_common.h"

bool demoForanTwo::init(Qu::TextureLibrary* library, Renderer* sceneRenderer) {
    if (!beginInit(library, sceneRenderer, "data//fordrop.3ds")) return false;
    demoMarkForestBackdrop(*this);
    if (Qu::Object* laser = findObject("laser")) laser->setKind(Qu::kindWireBuild);
    markObjectBlend("water", Qu::kindTransparent, 0.8, 0.8, 0.8, 1.0, 0);
    textureLibrary->load("wt", "data//wt.tga", "wt", 0);
    addLight({"light0", "light2", "data//sun2.tga", "light2", Qu::Vector(0, 0, 50), GL_LIGHT0,
              350.0f, 0, Qu::Vector(0, 0, 0)});
    freezeWaveMesh("water");
    freezeWaveMesh("water01");
    freezeWaveMesh("logo2");
    // A large sprite under the same name: findObject only ever returns the first.
    addLight({"light0", "light2", "data//sun2.tga", "light2", Qu::Vector(0, 0, 50), GL_LIGHT1,
              650.0f, 1, Qu::Vector(0, 0, 0)});
    demoAddFlameLights(*this, 50.0f);
    addCamera();
    finishInit();
    return true;
}

bool demoForanTwo::render(float timeMs) {
    const float t = beginRender(timeMs);
    glEnable(GL_LIGHT1);
    const double time = t;
    Qu::Camera* view = camera();
    demoAnimateForest(*this, t, {10.0f, 3.0f, 2.0f});

    if (Qu::Object* wall = findObject("wall")) {
        const Qu::Vector& w = wall->position;
        view->setLookAt(Qu::Vector(w.x + 140 * std::sin(time / 3),
                                   w.y - 40 + 70 * std::sin(time / 2), w.z));
        const float z0 = 15 * t + float(w.z) - 140;
        const float x0 = 40 * std::sin(t) + float(w.x);
        const float y0 = float(w.y) - 100;
        demoMoveLight(*this, "light12", x0, y0, z0);
        demoMoveLight(*this, "light13", x0 + 53 * std::sin(2 * t), y0, z0 - 40);
        const float x1 = x0 + 30 * std::sin(-t / 3);
        const float y1 = y0 + 45 * std::sin(t / 2.3f);
        demoMoveLight(*this, "light14", x1 + 43 * std::sin(t), y1 + 22 * std::cos(2.4f * t),
                      z0 - 120);
        demoMoveLight(*this, "light15", x1 + 43 * std::sin(3 * t), y1 + 12 * std::cos(2 * t),
                      z0 - 180);
        demoMoveLight(*this, "light16", x1, y1 + 30 * std::cos(t), z0 - 240);
    }

    if (Qu::Object* laser = findObject("laser")) {
        const float lx = float(laser->position.x);
        const float ly = float(laser->position.y);
        const float lz = float(laser->position.z);
        view->setEye(Qu::Vector(lx + 60 - 4 * t, ly - 40 + 2 * t, lz - 20 + 10 * std::sin(t / 5)));
        view->setLookAt(Qu::Vector(lx, ly, lz));
        demoMoveLight(*this, "light0", lx + 10, ly - 20, lz - 5);
    }

    renderer->drawWorld(model);
    glClear(GL_DEPTH_BUFFER_BIT);
    fogLayers->draw(t, textureLibrary, renderer, 1.0f);
    glClear(GL_DEPTH_BUFFER_BIT);
    glClear(GL_DEPTH_BUFFER_BIT);
    if (t > buildStart) renderer->drawWireBuild(model, textureLibrary, 40 * (t - buildStart));
    glClear(GL_DEPTH_BUFFER_BIT);

    if (t < 1000) demoStarSlot(*this, t);
    if (t > 15 && t <= 25) {
        const float since = t - 15;
        demoZoomBurst(*this, "scanner", since / 13 + 1, since / 3, std::min(since / 4, 0.5f),
                      std::min(since / 5, 0.5f));
    }
    // Out of the previous scene's white-out; the later dips are past the
    // segment's end.
    if (t < 3) demoFade(*this, 1 - t / 3, 1);
    if (t > 23 && t < 24) demoFade(*this, 1 - (t - 23), 0);
    if (t >= 24 && t < 25) demoFade(*this, t - 24, 0);
    if (t > 38) demoFade(*this, (3 - (t - 38)) / 3, 0);
    return endRender(t);
}
