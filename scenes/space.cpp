#include "scenes/space.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "render/renderer.h"
#include "resources/camera.h"
#include "resources/light.h"
#include "resources/model.h"
#include "resources/texture_library.h"

namespace {

using Overlay = demoSpace::Overlay;

// Zoom flash of "keu5": the full screen scaled by s, then three rectangles
// each scaled from the previous one. The weights rise to 30 s and fall
// after; the sine wobble adds up to 0.5, so from 38 s every alpha is
// negative and the quads leave the picture unchanged.
void addZoomFlash(std::vector<Overlay>& list, float t) {
    const float s = (t - 25.0f) / 5.0f + 1.0f;
    const float w1 = t <= 30.0f ? (t - 25.0f) / 3.0f : (35.0f - t) / 3.0f;
    const float w2 = t <= 30.0f ? (t - 25.0f) / 6.0f : (35.0f - t) / 6.0f;
    const float a1 = std::min(w1, 0.5f) + std::sin(t) / 2.0f;
    const float a2 = std::min(w2, 0.35f) + std::sin(t / 2.0f) / 2.0f;
    const float a3 = std::min(w2, 0.25f) + std::sin(t / 1.3f) / 2.0f;
    const float factors[4] = {s, 1.01f * s, 1.02f * s, 1.03f * s};
    const float alphas[4] = {a1, a2, a3, a3};
    addZoomOverlays(list, "keu5", factors, alphas);
}

}  // namespace

bool demoSpace::init(Qu::TextureLibrary* library, Renderer* sceneRenderer) {
    if (!beginInit(library, sceneRenderer, "data//space.3ds")) return false;

    markObject("stc", Qu::kindTransparent, 0.5, 0.5, 0.5, 0.5);
    markObject("bg1", Qu::kindDoubleSided, 0.5, 0.5, 0.5, 0.5);
    markObject("fars", Qu::kindDoubleSided, 0.5, 0.5, 0.5, 0.5);
    markObject("sky1", Qu::kindTransparent, 1.0, 1.0, 1.0, 1.0);
    if (Qu::Object* ufo = findObject("ufo")) ufo->setKind(Qu::kindWireBuild);
    markObject("water01", Qu::kindTransparent, 0.5, 0.5, 0.6, 0.5);

    // The prefix passes run after the marks above, so "water01" ends as
    // kind 2 and "ufo" as kind 16.
    // No name starts with both "wa" and "uf", so their order is free.
    demoKindByPrefix(model, "To", Qu::kindWireBuild);
    demoKindByPrefix(model, "wa", Qu::kindDoubleSided);
    demoKindByPrefix(model, "uf", Qu::kindSolidBuild);

    textureLibrary->load("wt", "data//wt.tga", "wt", 0);
    const Qu::Vector aside(30.0, 30.0, 30.0);
    addLight({"light0", "light2", "data//sun2.tga", "light2", Qu::Vector(0.0, 0.0, 50.0),
              GL_LIGHT0, 350.0f, 0, Qu::Vector(0.0, 0.0, 0.0)});

    demoKindByPrefix(model, "tr", Qu::kindTransparent, 0.5, 0.5, 0.5, 0.5, 2);

    addLight({"light3", "light3", "data//sun3.tga", "light3", aside, 123, 0.0f, 1, aside});
    addLight({"light4", "lightsoom", "data//sun2.tga", "lightsoom", aside, 123, 300.0f, 1, aside});
    addCamera();
    finishInit();
    return true;
}

bool demoSpace::render(float timeMs) {
    const float t = beginRender(timeMs);
    Qu::Camera* eyeCamera = camera();
    if (!eyeCamera) return endRender(t);

    if (Qu::Object* star = findObject("star")) star->place(2.0 * std::sin(t), 2.0 * std::cos(t), 0, 0, 0, 0);
    if (Qu::Object* texts = findObject("texts"))
        texts->place(std::sin(t / 2.0) / 4.0, std::cos(t / 2.0) / 4.0, std::sin(t / 3.0) / 5.0, 0, 0, 0);
    if (Qu::Object* face = findObject("face")) face->place(t, t, 0, 0, 0, 0);

    // The sky streams along v only.
    if (Qu::Object* sky = findObject("sky1")) demoScrollFaces(sky, 0.0f, frameDelta / 3.0f);
    if (Qu::Object* logo = findObject("logo1"))
        logo->position.y = logo->homePosition.y + 3.0 * std::sin(2.0 * t) - 7.0;
    if (Qu::Object* logo = findObject("logo2"))
        logo->position.y = logo->homePosition.y - 3.0 * std::sin(2.0 * t) + 11.0;

    if (Qu::Light* light = findLight("light0")) light->position = Qu::Vector(50.0, -600.0, 20.0);
    if (Qu::Light* light = findLight("light4")) light->position = Qu::Vector(-20.0, -120.0, -20.0);
    if (Qu::Object* ufo = findObject("ufot")) {
        if (Qu::Light* glow = findLight("light3")) {
            glow->position = ufo->position;
            glow->setSize(100.0f * std::sin(t) + 250.0f);
        }
    }
    // This scene makes no "light1"; a model may bring an item of that name.
    if (Qu::Object* wall = findObject("wall")) {
        const Qu::Vector& w = wall->position;
        const Qu::Vector above(w.x, w.y - 50.0, w.z);
        if (Qu::Light* light = findLight("light1")) {
            light->position = above;
        } else if (Qu::Object* object = findObject("light1")) {
            object->position = above;
        }
    }

    // The camera rides with "ufot"; without it the camera keeps its reset.
    if (Qu::Object* ufo = findObject("ufot")) {
        const Qu::Vector& u = ufo->position;
        eyeCamera->setLookAt(Qu::Vector(u.x + 2.0 * std::cos(t / 4.0), u.y + 3.0 * std::sin(t / 5.0), u.z));
        const float ux = float(u.x), uy = float(u.y), uz = float(u.z);
        if (t < 17.0f) {
            eyeCamera->setEye(Qu::Vector(
                ux + 3.0f * (std::sin(t / 5.0f) + std::cos(t / 3.0f)),
                uy + 2.0f * std::sin(t / 2.5f) - 1.0f,
                uz - 4.0f + 6.0f * std::sin(t / 4.0f) * std::cos(t / 3.0f)));
        } else {
            eyeCamera->setEye(Qu::Vector(
                ux + 3.0f * (std::sin(t / 6.0f) + std::cos(t / 2.5f)),
                uy + 2.0f * std::sin(t / 3.0f),
                uz - 3.0f + 2.0f * std::sin(t / 4.0f) * std::cos(t / 3.0f)));
        }
    }

    renderer->drawWorldAdditive(model);
    glClear(GL_DEPTH_BUFFER_BIT);
    renderer->drawWireBuildFine(model, textureLibrary, 40.0f * t);
    renderer->drawSolidBuild(model, textureLibrary, 20.0f * t);
    glClear(GL_DEPTH_BUFFER_BIT);
    drawFogLayers(t, t < 19.0f ? 0.4f : 0.4f + (t - 19.0f) / 8.0f);
    renderer->drawLightFlares(model);
    glClear(GL_DEPTH_BUFFER_BIT);
    glClear(GL_DEPTH_BUFFER_BIT);

    drawOverlays(*this, overlays(t));
    return endRender(t);
}

std::vector<demoSpace::Overlay> demoSpace::overlays(float t) {
    std::vector<Overlay> list;
    if (t > 25.0f && t < 90.0f) addZoomFlash(list, t);
    if (t < 6.0f) addFadeOverlay(list, t / 6.0f, 0);
    if (t >= 17.0f && t < 18.0f) addFadeOverlay(list, 1.0f - (t - 17.0f), 1);
    if (t > 41.0f) addFadeOverlay(list, 1.0f - (t - 41.0f) / 2.0f, 0);
    return list;
}
