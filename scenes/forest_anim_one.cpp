#include "scenes/forest_anim_one.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "render/renderer.h"
#include "resources/camera.h"
#include "resources/light.h"
#include "resources/model.h"
#include "resources/texture_library.h"

namespace {

bool hasPrefix(const Qu::Item* item, const char* prefix) {
    return item->name() && std::strncmp(item->name(), prefix, std::strlen(prefix)) == 0;
}

void setLightPosition(demoSceneCommon& scene, const char* name, float x, float y, float z) {
    if (Qu::Light* light = scene.findLight(name)) light->position = Qu::Vector(x, y, z);
}

void setLightSize(demoSceneCommon& scene, const char* name, float size) {
    if (Qu::Light* light = scene.findLight(name)) light->setSize(size);
}

}  // namespace

void demoKindByPrefix(Qu::Model* model, const char* prefix, std::int32_t kind) {
    for (std::int32_t i = 0; i < model->objects.count(); ++i) {
        Qu::Item* item = model->objects.at(i);
        if (hasPrefix(item, prefix)) item->setKind(kind);
    }
}

void demoKindByPrefix(Qu::Model* model, const char* prefix, std::int32_t kind, double r,
                      double g, double b, double a, std::int32_t blend) {
    for (std::int32_t i = 0; i < model->objects.count(); ++i) {
        Qu::Item* item = model->objects.at(i);
        if (!hasPrefix(item, prefix)) continue;
        item->setKind(kind);
        if (auto* object = dynamic_cast<Qu::Object*>(item)) object->setColorBlend(r, g, b, a, blend);
    }
}

demoLightSpec demoFlameLight(const char* name, int fire, std::int32_t number, float size) {
    static const char* keys[3] = {"fire1", "fire2", "fire3"};
    static const char* files[3] = {"data//fire1.tga", "data//fire2.tga", "data//fire3.tga"};
    const int i = std::clamp(fire, 1, 3) - 1;
    return {name, keys[i], files[i], keys[i], Qu::Vector(30, 30, 30), number, size, 1,
            Qu::Vector(30, 30, 30)};
}

void demoScrollFaces(Qu::Object* object, float du, float dv) {
    for (std::int32_t i = 0; i < object->faces.count(); ++i) {
        Qu::Face* face = object->faces.at(i);
        for (int corner = 0; corner < 3; ++corner) {
            face->cornerU[corner] += du;
            face->cornerV[corner] += dv;
        }
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

void demoZoomBurst(demoSceneCommon& scene, const char* key, float f, float full, float a1,
                   float a2) {
    float rect[4] = {fullScreenRect[0], fullScreenRect[1], fullScreenRect[2], fullScreenRect[3]};
    demoQuadScaled(scene, key, rect, 1.0f, full);
    const float factors[3] = {f, 1.01f * f, 1.02f * f};
    const float alphas[3] = {a1, a2, a2};
    for (int i = 0; i < 3; ++i) {
        for (float& coordinate : rect) coordinate *= factors[i];
        demoQuadScaled(scene, key, rect, 1.0f, alphas[i]);
    }
}

void demoFade(demoSceneCommon& scene, float alpha, std::int32_t mode) {
    scene.renderer->drawBlendQuad(scene.texture("wt"), fadeRect[0], fadeRect[1], fadeRect[2],
                                  fadeRect[3], alpha, mode);
}

bool demoForan::init(Qu::TextureLibrary* library, Renderer* sceneRenderer) {
    if (!beginInit(library, sceneRenderer, "data//forrest6.3ds")) return false;
    markObject("stc", Qu::kindTransparent, 0.5, 0.5, 0.5, 0.5);
    markObject("bg1", Qu::kindDoubleSided, 0.5, 0.5, 0.5, 0.5);
    markObject("fars", Qu::kindDoubleSided, 0.5, 0.5, 0.5, 0.5);
    markObject("sky1", Qu::kindTransparent, 0.5, 0.5, 0.5, 0.5);
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
    addLight(demoFlameLight("light12", 1, 123, 250.0f));
    addLight(demoFlameLight("light13", 2, 124, 250.0f));
    addLight(demoFlameLight("light14", 3, 125, 250.0f));
    addLight(demoFlameLight("light15", 1, 126, 250.0f));
    addLight(demoFlameLight("light16", 2, 127, 250.0f));
    addLight(demoFlameLight("light17", 3, 128, 250.0f));
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

    setLightPosition(*this, "light0", 50, -600, 20);

    if (Qu::Object* wall = findObject("wall")) {
        const Qu::Vector& w = wall->position;
        const float z0 = 35 * t - 440 + float(w.z);
        const float x0 = 40 * std::sin(t) + (float(w.x) - 40);
        const float y0 = float(w.y) - 100;
        setLightPosition(*this, "light12", x0, y0, z0);
        setLightPosition(*this, "light13", x0 + 33 * std::sin(2 * t), y0, z0 + 40);
        setLightSize(*this, "light13", 200 * std::cos(3.1f * t) + 200);
        const float x1 = x0 + 30 * std::sin(-t / 3);
        const float y1 = y0 + 45 * std::sin(t / 2.3f);
        setLightPosition(*this, "light14", x1 + 13 * std::sin(t), y1, z0 + 60);
        setLightSize(*this, "light14", 200 * std::cos(2.1f * t) + 200);
        setLightPosition(*this, "light15", x1 + 43 * std::sin(3 * t), y1 + 12 * std::cos(2 * t),
                         z0 + 80);
        setLightPosition(*this, "light16", x1, y1 + 30 * std::cos(t), z0 + 100);
        setLightPosition(*this, "light17", x1 + 30 * std::sin(2 * t), y1, z0 + 120);
        setLightSize(*this, "light17", 200 * std::sin(2 * t) + 300);
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
