#include "scenes/earth.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "render/renderer.h"
#include "resources/camera.h"
#include "resources/light.h"
#include "resources/model.h"
#include "resources/texture_library.h"
#include "scenes/forest_common.h"

namespace {

// drawQuad of `key` on the full-screen rectangle grown by (dx, dy) on every side.
void cardQuad(demoSceneCommon& scene, const char* key, float dx, float dy, float alpha) {
    scene.renderer->drawQuad(scene.texture(key), fullScreenRect[0] - dx, fullScreenRect[1] - dy,
                             fullScreenRect[2] + dx, fullScreenRect[3] + dy, alpha);
}

}  // namespace

bool demoEarth::init(Qu::TextureLibrary* library, Renderer* sceneRenderer) {
    if (!beginInit(library, sceneRenderer, "data//earth.3ds")) return false;
    demoMarkForestBackdrop(*this);
    if (Qu::Object* ufo = findObject("ufo")) ufo->setKind(Qu::kindWireBuild);
    markObject("water01", Qu::kindTransparent, 0.5, 0.5, 0.6, 0.5);
    demoKindByPrefix(model, "To", Qu::kindWireBuild);
    // After the table, so "water01" ends double-sided.
    demoKindByPrefix(model, "wa", Qu::kindDoubleSided);
    textureLibrary->load("wt", "data//wt.tga", "wt", 0);
    addLight({"light0", "light2", "data//sun2.tga", "light2", Qu::Vector(0, 0, 50), GL_LIGHT0,
              350.0f, 0, Qu::Vector(0, 0, 0)});
    demoKindByPrefix(model, "tr", Qu::kindTransparent, 0.5, 0.5, 0.5, 0.5, 2);
    textureLibrary->load("solar", "data//starmap.tga", "solar", 0);
    textureLibrary->load("pilo", "data//pilo.tga", "pilo", 0);
    textureLibrary->load("pilo2", "data//pilo2.tga", "pilo2", 0);
    addLight({"light3", "light3", "data//sun3.tga", "light3", Qu::Vector(30, 30, 30), 123, 0.0f,
              1, Qu::Vector(30, 30, 30)});
    addLight({"light4", "lightsoom", "data//sun2.tga", "lightsoom", Qu::Vector(30, 30, 30), 123,
              300.0f, 1, Qu::Vector(30, 30, 30)});
    finishInit();
    addCamera();
    return true;
}

bool demoEarth::render(float timeMs) {
    const float t = beginRender(timeMs);
    const double time = t;
    Qu::Camera* view = camera();

    if (Qu::Object* star = findObject("star"))
        star->place(2 * std::sin(time), 2 * std::cos(time), 0, 0, 0, 0);
    if (Qu::Object* texts = findObject("texts"))
        texts->place(std::sin(time / 2) / 4, std::cos(time / 2) / 4, std::sin(time / 3) / 5, 0, 0,
                     0);
    frameDelta = t - lastTime;
    if (Qu::Object* face = findObject("face")) face->place(time, time, 0, 0, 0, 0);
    if (Qu::Object* sky = findObject("sky1")) demoScrollFaces(sky, 0.0f, frameDelta / 10);
    for (std::int32_t i = 0; i < model->objects.count(); ++i) {
        Qu::Item* item = model->objects.at(i);
        if (!demoHasPrefix(item, "as")) continue;
        if (auto* tumbler = dynamic_cast<Qu::Object*>(item)) tumbler->place(time, time, 0, 0, 0, 0);
    }
    if (Qu::Object* logo = findObject("logo1"))
        logo->position.y = logo->homePosition.y + 3 * std::sin(2 * time) - 7;
    if (Qu::Object* logo = findObject("logo2"))
        logo->position.y = logo->homePosition.y - 3 * std::sin(2 * time) + 11;

    if (Qu::Light* light = findLight("light0")) light->position = Qu::Vector(50, -600, 20);
    if (Qu::Light* light = findLight("light4")) light->position = Qu::Vector(-20, -120, -20);
    // The eye swings around "ufot", or around the origin without it.
    float ux = 0.0f, uy = 0.0f, uz = 0.0f;
    if (Qu::Object* ufot = findObject("ufot")) {
        if (Qu::Light* light = findLight("light3")) {
            light->position = ufot->position;
            light->setSize(100 * std::sin(t) + 250);
        }
        ux = float(ufot->position.x);
        uy = float(ufot->position.y);
        uz = float(ufot->position.z);
    }
    if (Qu::Object* earth = findObject("earth")) view->setLookAt(earth->position);
    view->setEye(Qu::Vector(ux + 515 * std::sin(time / 3.2) * std::cos(time / 4),
                            uy - 25 + 15 * std::sin(-time / 6.2) * std::cos(time / 4),
                            uz + 150 * std::sin(time / 2)));

    renderer->drawWorldAdditive(model);
    glClear(GL_DEPTH_BUFFER_BIT);
    renderer->drawWireBuild(model, textureLibrary, 40 * t);
    renderer->drawSolidBuild(model, textureLibrary, 20 * t);
    glClear(GL_DEPTH_BUFFER_BIT);
    glClear(GL_DEPTH_BUFFER_BIT);
    fogLayers->draw(t, textureLibrary, renderer, 1.0f);
    renderer->drawLightFlares(model);
    glClear(GL_DEPTH_BUFFER_BIT);
    glClear(GL_DEPTH_BUFFER_BIT);

    // Star field: the first layer stays, the outer ones grow without bound.
    const float factors[4] = {1.0f, t / 7 + 1, t / 5 + 1, t / 5 + 1.01f};
    const float alphas[4] = {0.9f, 0.7f, 0.5f, 0.3f};
    demoZoomQuads(*this, "solar", factors, alphas);
    drawCards(t);
    if (t < 6) demoFade(*this, t / 6, 0);
    if (t > 24) demoFade(*this, 1 - (t - 24) / 3, 0);
    if (t < 3)
        renderer->drawBlendQuad(texture("wt"), -1400.0f, -1000.0f, 1400.0f, 1000.0f, t / 3, 0);
    return endRender(t);
}

// "pilo" opens from a band to full height at 12 s and beyond, fades from
// 17 s; "pilo2" is full screen at 18 s, grows on and fades from 22 s.
void demoEarth::drawCards(float t) {
    const float h1 = 200 * (t - 12);
    const float h2 = 220 * (t - 12);
    if (t > 10 && t < 17) {
        cardQuad(*this, "pilo", 0, h1, (t - 10) / 3);
        cardQuad(*this, "pilo", 0, h2, std::min((t - 10) / 6, 0.5f));
    }
    if (t >= 17 && t < 23) {
        cardQuad(*this, "pilo", 0, h1, 1 - (t - 17) / 3);
        cardQuad(*this, "pilo", 0, h2, std::min(1 - (t - 17) / 6, 0.5f));
    }
    const float g1 = 10 * (t - 18);
    const float g2 = 12 * (t - 18);
    if (t > 17 && t < 22) {
        cardQuad(*this, "pilo2", g1, g1, (t - 17) / 3);
        cardQuad(*this, "pilo2", g2, g2, std::min((t - 17) / 6, 0.5f));
    }
    if (t >= 22 && t < 500) {
        cardQuad(*this, "pilo2", g1, g1, 1 - (t - 22) / 3);
        cardQuad(*this, "pilo2", g2, g2, std::min(1 - (t - 22) / 6, 0.5f));
    }
}
