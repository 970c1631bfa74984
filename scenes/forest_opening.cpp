#include "scenes/forest_opening.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "render/renderer.h"
#include "resources/camera.h"
#include "resources/light.h"
#include "resources/model.h"

namespace {

using Overlay = demoForrest::Overlay;

// Zoom flash of "keu4": four quads, each rectangle the previous one scaled,
// starting from the full screen scaled by s.
void addZoomFlash(std::vector<Overlay>& list, float t) {
    const float s = t / 3.0f + 1.0f;
    const float weight = t <= 2.0f ? t / 2.0f : (4.0f - t) / 2.0f;
    const float factors[4] = {s, 1.01f * s, 1.02f * s, 1.03f * s};
    const float alphas[4] = {std::min(weight, 0.5f), std::min(weight, 0.35f),
                             std::min(weight, 0.25f), std::min(weight, 0.25f)};
    addZoomOverlays(list, "keu4", factors, alphas);
}

// The two "tx5" bands; k widens them by 10 units a second from t = 33.
void addBands(std::vector<Overlay>& list, float t, float alpha) {
    const float k = 10.0f * (t - 33.0f);
    addOverlayQuad(list, "tx5", -1000.0f - k, -900.0f, 1000.0f + k, 100.0f, alpha);
    addOverlayQuad(list, "tx5", -1000.0f - 1.5f * k, -900.0f, 1000.0f + 1.5f * k, 100.0f, 0.4f * alpha);
}

}  // namespace

bool demoForrest::init(Qu::TextureLibrary* library, Renderer* sceneRenderer) {
    if (!beginInit(library, sceneRenderer, "data//forresta.3ds")) return false;

    markObject("stc", Qu::kindTransparent, 0.5, 0.5, 0.5, 0.5);
    markObject("bg1", Qu::kindDoubleSided, 0.5, 0.5, 0.5, 0.5);
    markObject("fars", Qu::kindDoubleSided, 0.5, 0.5, 0.5, 0.5);
    markObject("sky1", Qu::kindTransparent, 0.5, 0.5, 0.5, 0.5);
    markObjectBlend("water", Qu::kindTransparent, 0.5, 0.5, 0.5, 0.5, 0);
    markObjectBlend("win1", Qu::kindTransparent, 0.7, 0.7, 0.7, 0.7, 0);

    const Qu::Vector none(0.0, 0.0, 0.0);
    const Qu::Vector aside(30.0, 30.0, 30.0);
    addLight({"light0", "light2", "data//sun2.tga", "light2", Qu::Vector(0.0, 0.0, 50.0),
              GL_LIGHT0, 350.0f, 0, none});
    addLight({"light1", "light5", "data//sun2.tga", "light5", aside, 123, 200.0f, 1, aside});
    // Loads the build-up sprite "light3" but shows the sprite of "light5".
    addLight({"light2", "light3", "data//sun3.tga", "light5", aside, 124, 20.0f, 1, aside});

    freezeWaveMesh("water");
    addCamera();
    finishInit();
    return true;
}

bool demoForrest::render(float timeMs) {
    const float t = beginRender(timeMs);
    Qu::Camera* eyeCamera = camera();
    if (!eyeCamera) return endRender(t);

    // The eye, in single precision: around "wall" when there is one,
    // otherwise a fixed glide along +z.
    float ex, ey, ez;
    if (Qu::Object* wall = findObject("wall")) {
        const Qu::Vector& w = wall->position;
        ex = float(w.x) + 5.5f * std::sin(t / 3.6f) - 7.0f;
        ey = float(w.y) + std::sin(t / 3.0f) * std::cos(t / 2.0f) - 5.5f;
        ez = float(w.z) + 50.0f - 2.0f * t;
    } else {
        ex = 45.0f * std::sin(t / 25.0f - 4.14f) + 1.0f + 5.0f * std::sin(t / 3.3f) - 1.5f * t + 5.0f;
        ey = 3.0f * std::sin(t / 3.0f) * std::cos(-t / 4.0f) - 8.0f;
        ez = 5.0f * t - 230.0f;
    }

    if (Qu::Object* sky = findObject("sky1")) demoScrollFaces(sky, frameDelta / 20.0f, frameDelta / 20.0f);

    const float sway = std::sin(t / 3.0f) * frameDelta / 10.0f;
    if (Qu::Object* water = findObject("water")) {
        demoScrollFaces(water, sway, sway);
        // Heights from the rest positions, so nothing accumulates; the
        // phase runs along the vertex list and with the eye-space depth of
        // the last drawn frame.
        float a = 0.0f;
        float b = 1.0f;
        for (std::int32_t i = 0; i < water->vertices.count(); ++i) {
            Qu::Vertex* vertex = water->vertices.at(i);
            vertex->position.y = 2.0 * std::sin(t + a) * std::cos(vertex->eyePosition.z / 20.0 + b) +
                                 vertex->restPosition.y;
            a += 0.4f;
            b += 0.45f;
        }
    }
    if (Qu::Object* window = findObject("win1")) demoScrollFaces(window, sway, sway);

    if (Qu::Object* wall = findObject("wall")) {
        const Qu::Vector& w = wall->position;
        eyeCamera->setLookAt(Qu::Vector(w.x + 15.0 * std::sin(t / 4.0) * std::cos(t / 3.0), w.y,
                                        w.z + 16.0 * std::cos(t / 5.2)));
    } else {
        eyeCamera->setLookAt(Qu::Vector(ex, ey, ez + 50.0f));
    }

    if (Qu::Light* light = findLight("light0")) light->position = Qu::Vector(300.0, -250.0, -200.0);
    if (Qu::Object* wall = findObject("wall")) {
        const Qu::Vector& w = wall->position;
        if (Qu::Light* light = findLight("light1"))
            light->position = Qu::Vector(w.x + 2.0, w.y - 100.0, w.z - 150.0);
        if (Qu::Light* light = findLight("light2"))
            light->position = Qu::Vector(ex + 2.0f * std::sin(t), ey, ez - 2.0f);
    }
    eyeCamera->setEye(Qu::Vector(ex, ey, ez));

    renderer->drawWorld(model);
    glClear(GL_DEPTH_BUFFER_BIT);
    drawFogLayers(t, 1.0f);

    drawOverlays(*this, overlays(t));
    return endRender(t);
}

std::vector<demoForrest::Overlay> demoForrest::overlays(float t) {
    std::vector<Overlay> list;
    if (t >= 33.0f && t < 37.0f) addBands(list, t, (t - 33.0f) / 3.0f);
    if (t >= 37.0f && t < 40.0f) addBands(list, t, 1.0f - (t - 37.0f) / 3.0f);
    if (t < 6.0f) addFadeOverlay(list, t / 6.0f, 0);
    if (t > 36.0f) addFadeOverlay(list, (3.0f - (t - 36.0f)) / 3.0f, 0);
    if (t < 8.0f) addZoomFlash(list, t);
    return list;
}
