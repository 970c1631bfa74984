#include "scenes/forest_anim_one.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "render/renderer.h"
#include "resources/camera.h"
#include "resources/light.h"
#include "resources/model.h"
#include "resources/texture_library.h"
#include "scenes/forest_common.h"

bool demoForan::init(Qu::TextureLibrary* library, Renderer* sceneRenderer) {
    if (!beginInit(library, sceneRenderer, "data//forrest6.3ds")) return false;
    demoMarkForestBackdrop(*this);
    if (Qu::Object* laser = findObject("laser")) laser->setKind(Qu::kindWireBuild);
    markObjectBlend("water", Qu::kindTransparent, 0.5, 0.5, 0.5, 0.5, 1);
    markObject("water01", Qu::kindTransparent, 0.5, 0.5, 0.6, 0.5);
    demoKindByPrefix(model, "To", Qu::kindWireBuild);
    textureLibrary->load("wt", "data//wt.tga", "wt", 0);
    addLight({"light0", "light2", "data//sun2.tga", "light2", Qu::Vector(0, 0, 50), GL_LIGHT0,
              350.0f, 0, Qu::Vector(0, 0, 0)});
    freezeWaveMesh("water");
    freezeWaveMesh("water01");
    freezeWaveMesh("logo2");
    demoKindByPrefix(model, "tr", Qu::kindTransparent, 0.5, 0.5, 0.5, 0.5, 2);
    demoAddFlameLights(*this, 250.0f);
    addCamera();
    finishInit();
    return true;
}

bool demoForan::render(float timeMs) {
    // Half speed: halving the milliseconds first gives the same float as
    // halving the seconds (scaling by 2 is exact).
    const float t = beginRender(timeMs / 2.0f);
    const double time = t;
    Qu::Camera* view = camera();
    demoAnimateForest(*this, t, {20.0f, 15.0f, 1.0f});

    if (t < wallPhase) {
        if (Qu::Object* ukko = findObject("ukko")) {
            const Qu::Vector& u = ukko->position;
            view->setLookAt(Qu::Vector(u.x + 10 * std::sin(time / 3), u.y, u.z));
        }
    } else if (t < lastPhase) {
        if (Qu::Object* wall = findObject("wall")) {
            const Qu::Vector& w = wall->position;
            view->setLookAt(Qu::Vector(w.x + 40 * std::sin(time / 3),
                                       w.y - 40 + 70 * std::sin(time / 2), w.z));
        }
    } else if (Qu::Object* ukko = findObject("ukko")) {
        const Qu::Vector& u = ukko->position;
        view->setLookAt(Qu::Vector(u.x + 40 * std::sin(time / 2), u.y, u.z));
    }

    demoMoveLight(*this, "light0", 50, -600, 20);

    if (Qu::Object* wall = findObject("wall")) {
        const Qu::Vector& w = wall->position;
        const float z0 = 35 * t - 440 + float(w.z);
        const float x0 = 40 * std::sin(t) + (float(w.x) - 40);
        const float y0 = float(w.y) - 100;
        demoMoveLight(*this, "light12", x0, y0, z0);
        demoMoveLight(*this, "light13", x0 + 33 * std::sin(2 * t), y0, z0 + 40);
        demoSizeLight(*this, "light13", 200 * std::cos(3.1f * t) + 200);
        const float x1 = x0 + 30 * std::sin(-t / 3);
        const float y1 = y0 + 45 * std::sin(t / 2.3f);
        demoMoveLight(*this, "light14", x1 + 13 * std::sin(t), y1, z0 + 60);
        demoSizeLight(*this, "light14", 200 * std::cos(2.1f * t) + 200);
        demoMoveLight(*this, "light15", x1 + 43 * std::sin(3 * t), y1 + 12 * std::cos(2 * t),
                      z0 + 80);
        demoMoveLight(*this, "light16", x1, y1 + 30 * std::cos(t), z0 + 100);
        demoMoveLight(*this, "light17", x1 + 30 * std::sin(2 * t), y1, z0 + 120);
        demoSizeLight(*this, "light17", 200 * std::sin(2 * t) + 300);
    }

    if (Qu::Object* ukko = findObject("ukko")) {
        const Qu::Vector& u = ukko->position;
        const double sway = std::sin(time / 3);
        if (t < wallPhase) {
            view->setEye(Qu::Vector(u.x + 20 * sway, u.y - 35 + 15 * sway, u.z - 800 + 40 * time));
        } else if (t < lastPhase) {
            view->setEye(Qu::Vector(u.x + 40 * sway, u.y - 45 + 15 * sway, u.z - 770 + 40 * time));
        } else {
            view->setEye(Qu::Vector(u.x + 100 * sway, u.y - 25 + 25 * sway, u.z - 800 + 40 * time));
        }
    }

    renderer->drawWorldAdditive(model);
    glClear(GL_DEPTH_BUFFER_BIT);
    fogLayers->draw(t, textureLibrary, renderer, 1.0f);
    renderer->drawLightFlares(model);
    renderer->drawWireBuild(model, textureLibrary, 25 * t);
    glClear(GL_DEPTH_BUFFER_BIT);
    glClear(GL_DEPTH_BUFFER_BIT);

    if (t < 1000) demoStarSlot(*this, t);
    if (t > 15 && t <= 40) {
        const float since = t - 15;
        demoZoomBurst(*this, "scanner", since / 13 + 1, since / 3, std::min(since / 4, 0.5f),
                      std::min(since / 5, 0.5f));
    }
    glClear(GL_DEPTH_BUFFER_BIT);
    // The white flash around the switch to the "wall" phase, the white-out
    // from 21 s, the fade from black over the first 3 s.
    if (t > 7 && t < wallPhase) demoFade(*this, 2 * (t - 7), 1);
    if (t >= wallPhase && t < 8) demoFade(*this, 1 - 2 * (t - wallPhase), 1);
    if (t >= 21) demoFade(*this, t - 21, 1);
    if (t < 3) demoFade(*this, t / 3, 0);
    if (t > 38) demoFade(*this, (3 - (t - 38)) / 3, 0);
    return endRender(t);
}
