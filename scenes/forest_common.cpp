#include "scenes/forest_common.h"

#include <algorithm>
#include <cmath>

#include "render/renderer.h"
#include "resources/light.h"
#include "resources/model.h"

void demoMarkForestBackdrop(demoSceneCommon& scene) {
    scene.markObject("stc", Qu::kindTransparent, 0.5, 0.5, 0.5, 0.5);
    scene.markObject("bg1", Qu::kindDoubleSided, 0.5, 0.5, 0.5, 0.5);
    scene.markObject("fars", Qu::kindDoubleSided, 0.5, 0.5, 0.5, 0.5);
    scene.markObject("sky1", Qu::kindTransparent, 0.5, 0.5, 0.5, 0.5);
}

demoLightSpec demoFlameLight(const char* name, int fire, std::int32_t number, float size) {
    static const char* keys[3] = {"fire1", "fire2", "fire3"};
    static const char* files[3] = {"data//fire1.tga", "data//fire2.tga", "data//fire3.tga"};
    const int i = std::clamp(fire, 1, 3) - 1;
    return {name, keys[i], files[i], keys[i], Qu::Vector(30, 30, 30), number, size, 1,
            Qu::Vector(30, 30, 30)};
}

void demoAddFlameLights(demoSceneCommon& scene, float size) {
    static const char* names[6] = {"light12", "light13", "light14", "light15", "light16", "light17"};
    for (int i = 0; i < 6; ++i) scene.addLight(demoFlameLight(names[i], i % 3 + 1, 123 + i, size));
}

void demoMoveLight(demoSceneCommon& scene, const char* name, float x, float y, float z) {
    if (Qu::Light* light = scene.findLight(name)) light->position = Qu::Vector(x, y, z);
}

void demoSizeLight(demoSceneCommon& scene, const char* name, float size) {
    if (Qu::Light* light = scene.findLight(name)) light->setSize(size);
}

void demoPlaceLight(demoSceneCommon& scene, const char* name, float x, float y, float z,
                    float size) {
    if (Qu::Light* light = scene.findLight(name)) {
        light->position = Qu::Vector(x, y, z);
        light->setSize(size);
    }
}

void demoRippleMesh(Qu::Object* object, float t, float height, float speed) {
    float a = 0.0f;
    float b = 1.0f;
    for (std::int32_t i = 0; i < object->vertices.count(); ++i) {
        Qu::Vertex* vertex = object->vertices.at(i);
        vertex->position.y = height * std::sin(double(speed * t + a)) *
                                 std::cos(vertex->eyePosition.z / 20.0 + b) +
                             vertex->restPosition.y;
        a += 0.4f;
        b += 0.45f;
    }
}

void demoAnimateForest(demoSceneCommon& scene, float t, const demoForestWaves& waves) {
    const double time = t;
    if (Qu::Object* star = scene.findObject("star"))
        star->place(2 * std::sin(time), 2 * std::cos(time), 0, 0, 0, 0);
    if (Qu::Object* texts = scene.findObject("texts"))
        texts->place(std::sin(time / 2) / 4, std::cos(time / 2) / 4, std::sin(time / 3) / 5, 0, 0,
                     0);
    scene.frameDelta = t - scene.lastTime;
    const float delta = scene.frameDelta;
    if (Qu::Object* face = scene.findObject("face")) face->place(time, time, 0, 0, 0, 0);
    if (Qu::Object* sky = scene.findObject("sky1")) demoScrollFaces(sky, delta / 20, delta / 20);
    if (Qu::Object* logo = scene.findObject("logo1"))
        logo->position.y = 3 * std::sin(2 * time) + logo->homePosition.y - 7;
    if (Qu::Object* logo = scene.findObject("logo2"))
        logo->position.y = logo->homePosition.y - 3 * std::sin(2 * time) + 11;

    const float sway = float(std::sin(time / 3));
    if (Qu::Object* water = scene.findObject("water")) {
        float drift = delta / waves.waterScroll * sway;
        demoScrollFaces(water, drift, drift);
        demoRippleMesh(water, t, waves.waterHeight, waves.waterSpeed);
    }
    if (Qu::Object* water = scene.findObject("water01")) {
        float drift = delta / 9 * sway;
        demoScrollFaces(water, drift, drift);
        demoRippleMesh(water, t, 5.0f, 3.0f);
    }
    if (Qu::Object* logo = scene.findObject("logo2")) {
        // Same phase for every vertex; the wobble follows the eye position.
        const double s = std::sin(2 * time);
        for (std::int32_t i = 0; i < logo->vertices.count(); ++i) {
            Qu::Vertex* v = logo->vertices.at(i);
            v->position.x = 3 * s * std::cos(v->eyePosition.x / 10 + 1) + v->restPosition.x;
            v->position.y = 3 * s * std::cos(v->eyePosition.y / 10 + 1) + v->restPosition.y;
            v->position.z = 3 * s * std::cos(v->eyePosition.z / 10 + 1) + v->restPosition.z;
        }
    }
}

void demoQuadScaled(demoSceneCommon& scene, const char* key, const float rect[4], float k,
                    float alpha) {
    scene.renderer->drawQuad(scene.texture(key), rect[0] * k, rect[1] * k, rect[2] * k,
                             rect[3] * k, alpha);
}

void demoStarSlot(demoSceneCommon& scene, float t) {
    demoQuadScaled(scene, "starslot", fullScreenRect, t / 15 + 1, 0.2f);
    demoQuadScaled(scene, "starslot", fullScreenRect, t / 10 + 1, 0.2f);
}

void demoZoomQuads(demoSceneCommon& scene, const char* key, const float factors[4],
                   const float alphas[4]) {
    float rects[4][4];
    demoZoomRects(factors, rects);
    for (int i = 0; i < 4; ++i) demoQuadScaled(scene, key, rects[i], 1.0f, alphas[i]);
}

void demoZoomBurst(demoSceneCommon& scene, const char* key, float f, float full, float a1,
                   float a2) {
    // Scaling by 1 is exact: the first rectangle is the full screen itself.
    const float factors[4] = {1.0f, f, 1.01f * f, 1.02f * f};
    const float alphas[4] = {full, a1, a2, a2};
    demoZoomQuads(scene, key, factors, alphas);
}

void demoFade(demoSceneCommon& scene, float alpha, std::int32_t mode) {
    scene.renderer->drawBlendQuad(scene.texture("wt"), fadeRect[0], fadeRect[1], fadeRect[2],
                                  fadeRect[3], alpha, mode);
}
