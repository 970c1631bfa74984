#include "scenes/fog.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "render/renderer.h"
#include "resources/camera.h"
#include "resources/light.h"
#include "resources/model.h"

namespace {

using Overlay = demoFog::Overlay;

// Zoom flash of "keu6": the full screen, then three rectangles each scaled
// from the previous one, alphas capped by the weight w.
void addZoomFlash(std::vector<Overlay>& list, float t, float w) {
    const float s = (t - 20.0f) / 13.0f + 1.0f;
    const float factors[4] = {1.0f, s, 1.01f * s, 1.02f * s};
    const float alphas[4] = {std::min(w, 1.0f), std::min(w, 0.5f), std::min(w, 0.5f),
                             std::min(w, 0.5f)};
    addZoomOverlays(list, "keu6", factors, alphas);
}

// Title band "tx1", rising from t = 4 and falling from 7.
void addBandOne(std::vector<Overlay>& list, float t, float alpha, float echoAlpha) {
    const float x = 100.0f * (t - 4.0f) - 300.0f;
    const float k = 10.0f * (t - 4.0f);
    addOverlayQuad(list, "tx1", -1000.0f + x, 300.0f, 1000.0f + x, 700.0f, alpha);
    addOverlayQuad(list, "tx1", -1000.0f + x, 300.0f, 1000.0f + x + k, 700.0f, echoAlpha);
}

// Title band "tx2", its echo swaying sideways.
void addBandTwo(std::vector<Overlay>& list, float t, float alpha, float echoAlpha) {
    const float x = 500.0f - 100.0f * (t - 11.0f);
    const float k = 10.0f * (t - 4.0f);
    const float s = 100.0f * std::sin(t / 2.0f);
    const float sway = 20.0f * std::sin(t);
    addOverlayQuad(list, "tx2", -1000.0f + x, -600.0f + s, 1000.0f + x, -s, alpha);
    addOverlayQuad(list, "tx2", -1000.0f + x + sway, -600.0f + s, 1000.0f + x + k + sway, -s, echoAlpha);
}

// Title band "tx3"; its echo is widened by j only while it rises.
void addBandThree(std::vector<Overlay>& list, float t, float alpha, float echoAlpha, float j) {
    const float x = 600.0f - 100.0f * (t - 11.0f);
    const float k = 10.0f * (t - 4.0f);
    addOverlayQuad(list, "tx3", -1000.0f + x, -800.0f, 1000.0f + x, 0.0f, alpha);
    addOverlayQuad(list, "tx3", -1000.0f + x - j, -800.0f, 1000.0f + x + k + j, 0.0f, echoAlpha);
}

// Title band "tx4", slower, its echo widened on both sides.
void addBandFour(std::vector<Overlay>& list, float t, float alpha, float echoAlpha) {
    const float x = 900.0f - 50.0f * (t - 11.0f);
    const float k = 10.0f * (t - 4.0f);
    const float s = 100.0f * std::sin(t / 2.0f);
    addOverlayQuad(list, "tx4", -1000.0f + x, -700.0f + s, 1000.0f + x, -s, alpha);
    addOverlayQuad(list, "tx4", -1000.0f + x - k, -700.0f + s, 1000.0f + x + k, -s, echoAlpha);
}

}  // namespace

bool demoFog::init(Qu::TextureLibrary* library, Renderer* sceneRenderer) {
    if (!beginInit(library, sceneRenderer, "data//asmtest2.3ds")) return false;

    markObject("stc", Qu::kindTransparent, 0.5, 0.5, 0.5, 0.5);
    markObject("bg1", Qu::kindDoubleSided, 0.5, 0.5, 0.5, 0.5);
    markObject("sky1", Qu::kindTransparent, 1.0, 1.0, 1.0, 1.0);
    markObject("water", Qu::kindTransparent, 1.0, 0.6, 0.8, 0.7);
    demoKindByPrefix(model, "ba", Qu::kindWireBuild);

    const Qu::Vector aside(30.0, 30.0, 30.0);
    addLight({"light0", "light2", "data//sun2.tga", "light2", Qu::Vector(0.0, 0.0, 50.0),
              GL_LIGHT0, 350.0f, 0, Qu::Vector(0.0, 0.0, 0.0)});
    addLight({"light1", "light1", "data//sun2.tga", "light1", aside, 123, 950.0f, 1, aside});

    freezeWaveMesh("water");
    freezeWaveMesh("logo2");
    addCamera();
    finishInit();
    overlaySwitch = 1;
    worldVisible = 1;
    return true;
}

bool demoFog::render(float timeMs) {
    const float t = beginRender(timeMs);
    Qu::Camera* eyeCamera = camera();
    if (!eyeCamera) return endRender(t);

    if (Qu::Object* star = findObject("star")) star->place(2.0 * std::sin(t), 2.0 * std::cos(t), 0, 0, 0, 0);

    // The eye, in single precision.
    const float fx = 80.0f * std::sin(t / 2.3f);
    const float fy = 35.0f * std::sin(t / 3.0f) * std::cos(-t / 4.0f) - 200.0f;
    const float fz = 170.0f * std::cos(t / 4.0f) + 200.0f;

    // Orbiters circle a point 160 units ahead of the eye; each one half a
    // radian further round than the one before it.
    float p = 0.0f;
    for (std::int32_t i = 0; i < model->objects.count(); ++i) {
        Qu::Item* item = model->objects.at(i);
        if (!demoHasPrefix(item, "to")) continue;
        auto* orbiter = dynamic_cast<Qu::Object*>(item);
        if (!orbiter) continue;
        orbiter->place(3.0 * std::sin(t), 6.0 * std::cos(t + p), 2.0 * std::sin(t + p), 0, 0, 0);
        p += 0.5f;
        orbiter->position = Qu::Vector(70.0 * std::sin(t + p) + fx,
                                       30.0 * (std::cos(t) + std::sin(t + p)) + fy,
                                       100.0 * std::sin(t + p) + fz + 160.0);
    }

    if (Qu::Object* texts = findObject("texts"))
        texts->place(std::sin(t / 2.0) / 4.0, std::cos(t / 2.0) / 4.0, std::sin(t / 3.0) / 5.0, 0, 0, 0);
    if (Qu::Object* face = findObject("face")) face->place(t, t, 0, 0, 0, 0);
    if (Qu::Object* sky = findObject("sky1")) demoScrollFaces(sky, frameDelta / 30.0f, frameDelta / 30.0f);
    if (Qu::Object* logo = findObject("logo1"))
        logo->position.y = logo->homePosition.y + 3.0 * std::sin(2.0 * t) - 7.0;
    if (Qu::Object* logo = findObject("logo2"))
        logo->position.y = logo->homePosition.y - 3.0 * std::sin(2.0 * t) + 11.0;
    if (Qu::Object* ball = findObject("ball")) {
        ball->place(t, t, t, 0, 0, 0);
        ball->position = Qu::Vector(230.0 * std::sin(t / 3.0), 240.0 * std::sin(t / 3.4),
                                    240.0 * std::cos(t / 5.0));
    }

    if (Qu::Object* water = findObject("water")) {
        const float drift = std::sin(t / 2.0f) * frameDelta / 8.0f;
        demoScrollFaces(water, drift, drift);
        // Heights from the rest positions, phased along the vertex list and
        // by the eye-space depth of the last drawn frame.
        float a = 0.0f;
        float b = 1.0f;
        for (std::int32_t i = 0; i < water->vertices.count(); ++i) {
            Qu::Vertex* vertex = water->vertices.at(i);
            vertex->position.y = 15.0 * std::sin(2.0f * t + a) *
                                     std::cos(vertex->eyePosition.z / 20.0 + b) +
                                 vertex->restPosition.y;
            a += 0.2f;
            b += 0.25f;
        }
    }

    // After 15 s the ball swings around the point set above (no accumulation).
    if (t > 15.0f) {
        if (Qu::Object* ball = findObject("ball"))
            ball->place(t, t, t, 30.0 * std::sin(t), 40.0 * std::cos(t / 3.0), 10.0 * std::sin(t));
    }
    if (Qu::Object* ball = findObject("ball2")) ball->place(0, 0, t, 0, 0, 0);
    if (Qu::Object* logo = findObject("logo1")) logo->place(t, 0, 0, 0, 0, 0);
    if (Qu::Object* logo = findObject("logo2")) logo->place(-t, 0, 0, 0, 0, 0);

    if (Qu::Object* logo = findObject("logo2")) {
        const double w = 7.0 * std::sin(2.0 * t);
        for (std::int32_t i = 0; i < logo->vertices.count(); ++i) {
            Qu::Vertex* vertex = logo->vertices.at(i);
            const Qu::Vector& e = vertex->eyePosition;
            vertex->position = Qu::Vector(vertex->restPosition.x + w * std::cos(e.x / 10.0 + 1.0),
                                          vertex->restPosition.y + w * std::cos(e.y / 10.0 + 1.0),
                                          vertex->restPosition.z + w * std::cos(e.z / 10.0 + 1.0));
        }
    }

    eyeCamera->setLookAt(Qu::Vector(50.0 * std::sin(t / 7.0), 90.0 * std::cos(t / 4.0), 0.0));
    if (Qu::Light* light = findLight("light0")) light->position = Qu::Vector(50.0, -150.0, 120.0);
    if (Qu::Light* light = findLight("light1")) light->position = Qu::Vector(80.0, -250.0, -100.0);
    eyeCamera->setEye(Qu::Vector(fx, fy, fz));

    if (worldVisible > 0) renderer->drawWorld(model);
    glClear(GL_DEPTH_BUFFER_BIT);
    renderer->drawWireBuildLarge(model, textureLibrary, buildCount(t));
    glClear(GL_DEPTH_BUFFER_BIT);
    drawFogLayers(t, (std::sin(t / 2.0f) * std::cos(t / 3.0f) + 2.0f) / 4.0f);

    drawOverlays(*this, overlays(t));
    return endRender(t);
}

float demoFog::buildCount(float t) {
    return t < 15.0f ? 200.0f * t : 200.0f * (15.0f - (t - 15.0f));
}

std::vector<demoFog::Overlay> demoFog::overlays(float t) {
    std::vector<Overlay> list;
    if (t > 20.0f && t <= 22.0f) addZoomFlash(list, t, (t - 20.0f) / 2.0f);
    if (t > 22.0f && t <= 27.0f) addZoomFlash(list, t, (25.0f - t) / 2.0f);
    if (t < 2.0f) addFadeOverlay(list, t / 2.0f, 0);

    // Each band: a main quad, then a fainter, wider echo; alphas over 1
    // while rising are clamped by GL.
    if (t > 4.0f && t < 7.0f) addBandOne(list, t, t - 4.0f, 0.3f * (t - 4.0f) / 3.0f);
    if (t >= 7.0f && t < 10.0f) {
        const float fall = 1.0f - (t - 7.0f) / 3.0f;
        addBandOne(list, t, fall, 0.3f * fall);
    }
    if (t >= 11.0f && t < 14.0f) addBandTwo(list, t, t - 11.0f, 0.3f * (t - 11.0f) / 3.0f);
    if (t >= 14.0f && t < 17.0f) {
        const float fall = 1.0f - (t - 14.0f) / 3.0f;
        addBandTwo(list, t, fall, 0.3f * fall);
    }
    if (t >= 18.0f && t < 21.0f)
        addBandThree(list, t, t - 18.0f, 0.3f * (t - 18.0f) / 3.0f, 50.0f * (t - 18.0f));
    if (t >= 21.0f && t < 24.0f) {
        const float fall = 1.0f - (t - 21.0f) / 3.0f;
        addBandThree(list, t, fall, 0.3f * fall, 0.0f);
    }
    if (t >= 25.0f && t < 28.0f) addBandFour(list, t, t - 25.0f, 0.2f * (t - 25.0f) / 3.0f);
    if (t >= 28.0f && t < 31.0f) {
        const float fall = 1.0f - (t - 28.0f) / 3.0f;
        addBandFour(list, t, fall, 0.2f * fall);
    }

    if (t >= 25.0f && t < 27.0f) addFadeOverlay(list, (1.0f - (t - 25.0f) / 2.0f) / 2.0f, 1);
    if (t >= 28.0f && t < 30.0f) addFadeOverlay(list, (1.0f - (t - 28.0f) / 2.0f) / 2.0f, 1);
    if (t >= 31.0f && t < 33.0f) addFadeOverlay(list, (1.0f - (t - 31.0f) / 2.0f) / 2.0f, 1);
    if (t >= 34.0f) addFadeOverlay(list, 1.0f - (t - 34.0f) / 3.0f, 0);
    return list;
}
