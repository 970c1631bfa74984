#include "scenes/greetings.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdint>

#include "render/renderer.h"
#include "resources/camera.h"
#include "resources/light.h"
#include "resources/model.h"
#include "resources/texture_library.h"

namespace {

using Overlay = demoGreet::Overlay;

const Overlay depthClear = {nullptr, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, -1};

}  // namespace

bool demoGreet::init(Qu::TextureLibrary* library, Renderer* sceneRenderer) {
    if (!beginInit(library, sceneRenderer, "data//scenery.3ds")) return false;

    markObject("stc", Qu::kindTransparent, 0.5, 0.5, 0.5, 0.5);
    markObject("bg1", Qu::kindDoubleSided, 0.5, 0.5, 0.5, 0.5);
    if (Qu::Object* virus = findObject("wirus")) virus->setKind(Qu::kindWireBuild);
    markObject("sky1", Qu::kindTransparent, 1.0, 1.0, 1.0, 1.0);
    markObjectBlend("water", Qu::kindTransparent, 1.0, 1.0, 1.0, 0.5, 1);
    markObject("greets", Qu::kindTransparent, 0.8, 0.8, 0.9, 0.8);
    demoKindByPrefix(model, "ba", Qu::kindWireBuild);

    textureLibrary->load("greets2", "data//greets2.tga", "greets2", 0);

    const Qu::Vector aside(30.0, 30.0, 30.0);
    addLight({"light0", "light2", "data//sun2.tga", "light2", Qu::Vector(0.0, 0.0, 50.0),
              GL_LIGHT0, 350.0f, 0, Qu::Vector(0.0, 0.0, 0.0)});
    freezeWaveMesh("bg1");
    freezeWaveMesh("logo2");
    addLight({"light1", "light1", "data//sun2.tga", "light1", aside, 123, 150.0f, 1, aside});
    addLight({"light11", "lightg", "data//sun4.tga", "lightg", aside, 123, 50.0f, 1, aside});
    addLight({"light12", "lightg", "data//sun4.tga", "lightg", aside, 123, 50.0f, 1, aside});

    textureLibrary->load("greetings", "data//greettxt.tga", "greetings", 0);
    addCamera();
    finishInit();
    return true;
}

bool demoGreet::render(float timeMs) {
    const float t = beginRender(timeMs);
    Qu::Camera* eyeCamera = camera();
    if (!eyeCamera) return endRender(t);

    if (Qu::Object* star = findObject("star")) star->place(2.0 * std::sin(t), 2.0 * std::cos(t), 0, 0, 0, 0);

    // The eye travels along z and passes the origin it looks at at t = 35.
    const float fz = 2.0f * t - 70.0f;

    float p = 0.0f;
    for (std::int32_t i = 0; i < model->objects.count(); ++i) {
        Qu::Item* item = model->objects.at(i);
        if (!demoHasPrefix(item, "to")) continue;
        auto* orbiter = dynamic_cast<Qu::Object*>(item);
        if (!orbiter) continue;
        orbiter->place(3.0 * std::sin(t), 6.0 * std::cos(t + p), 2.0 * std::sin(t + p), 0, 0, 0);
        p += 0.5f;
        orbiter->position = Qu::Vector(70.0 * std::sin(t + p), 30.0 * (std::cos(t) + std::sin(t + p)),
                                       100.0 * std::sin(t + p) + fz + 160.0);
    }

    if (Qu::Object* texts = findObject("texts"))
        texts->place(std::sin(t / 2.0) / 4.0, std::cos(t / 2.0) / 4.0, std::sin(t / 3.0) / 5.0, 0, 0, 0);
    // Only the u coordinates of the water sway.
    if (Qu::Object* water = findObject("water"))
        demoScrollFaces(water, std::sin(t / 3.0f) * frameDelta / 20.0f, 0.0f);
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

    // "bg1" ripples sideways from its rest positions.
    if (Qu::Object* background = findObject("bg1")) {
        float a = 0.0f;
        float b = 1.0f;
        for (std::int32_t i = 0; i < background->vertices.count(); ++i) {
            Qu::Vertex* vertex = background->vertices.at(i);
            vertex->position.x = 5.0 * std::sin(2.0f * t + a) *
                                     std::cos(vertex->eyePosition.z / 20.0 + b) +
                                 vertex->restPosition.x;
            a += 0.2f;
            b += 0.25f;
        }
    }

    if (t > 15.0f) {
        if (Qu::Object* ball = findObject("ball"))
            ball->place(t, t, t, 30.0 * std::sin(t), 40.0 * std::cos(t / 3.0), 10.0 * std::sin(t));
    }
    if (Qu::Object* ball = findObject("ball2")) ball->place(0, 0, t, 0, 0, 0);
    if (Qu::Object* logo = findObject("logo1")) logo->place(t, 0, 0, 0, 0, 0);
    if (Qu::Object* logo = findObject("logo2")) logo->place(t, 0, 0, 0, 0, 0);

    if (Qu::Object* logo = findObject("logo2")) {
        const double w = 3.0 * std::sin(2.0 * t);
        for (std::int32_t i = 0; i < logo->vertices.count(); ++i) {
            Qu::Vertex* vertex = logo->vertices.at(i);
            const Qu::Vector& e = vertex->eyePosition;
            vertex->position = Qu::Vector(vertex->restPosition.x + w * std::cos(e.x / 10.0 + 1.0),
                                          vertex->restPosition.y + w * std::cos(e.y / 10.0 + 1.0),
                                          vertex->restPosition.z + w * std::cos(e.z / 10.0 + 1.0));
        }
    }

    const Qu::Vector lookAt(0.0, 0.0, 0.0);
    const Qu::Vector eye(0.0, 0.0, fz);
    eyeCamera->setLookAt(lookAt);
    if (Qu::Light* light = findLight("light0")) light->position = Qu::Vector(50.0, -150.0, 100.0);
    if (Qu::Light* light = findLight("light1")) light->position = Qu::Vector(0.0, -60.0, -20.0);
    if (Qu::Light* light = findLight("light11"))
        light->position = Qu::Vector(15.0 * std::sin(t / 3.0) * std::cos(t / 2.0) - 25.0,
                                     5.0 * std::sin(t / 5.0) * std::cos(t / 3.0) - 30.0, -40.0);
    if (Qu::Light* light = findLight("light12"))
        light->position = Qu::Vector(27.0 * std::sin(t / 6.0) * std::cos(t / 2.0) - 25.0,
                                     5.0 * std::sin(t / 9.0) * std::cos(t / 7.0) - 30.0, -45.0);
    eyeCamera->setEye(eye);

    // With the eye on the look-at point (t = 35) the camera has no
    // direction; that frame shows no world (the fade has made it black).
    const bool blind = fz == 0.0f;
    if (!blind) renderer->drawWorld(model);
    glClear(GL_DEPTH_BUFFER_BIT);
    if (!blind) renderer->drawWireBuild(model, textureLibrary, buildCount(t));
    glClear(GL_DEPTH_BUFFER_BIT);

    drawOverlays(*this, underFogOverlays(t));
    drawFogLayers(t, 0.5f * std::sin(t / 2.0f) + 0.6f);
    drawOverlays(*this, overFogOverlays(t));
    return endRender(t);
}

float demoGreet::buildCount(float t) {
    return t < 20.0f ? 400.0f * t : 8000.0f - 600.0f * (t - 20.0f);
}

std::vector<demoGreet::Overlay> demoGreet::underFogOverlays(float t) {
    std::vector<Overlay> list;
    if (t > 10.0f) {
        // x runs left at 700 units a second from just right of the screen;
        // the band is 12000 to 22000 units long.
        const float x = 1300.0f - 700.0f * (t - 10.0f);
        const float length = 12000.0f + 5000.0f * (std::sin(t / 4.0f) * std::cos(t / 3.0f) + 1.0f);
        const float b = 50.0f * std::sin(t / 2.0f) * std::cos(3.0f * t);
        const float a = 2.0f * b;
        const float d = 2.0f * (t - 10.0f);
        const float e = 4.0f * (t - 10.0f);
        const float c = 400.0f * std::cos(t / 2.0f);
        list.push_back({"greets2", x, -b - d - 500.0f, x + length, b - d - 600.0f,
                        std::sin(3.0f * t) / 5.0f + 0.25f, -1});
        list.push_back({"greets2", x, -100.0f + a + c - e, x + length, 100.0f - a + c + e,
                        std::sin(3.0f * t) / 2.5f + 1.0f, -1});
    }
    list.push_back(depthClear);
    return list;
}

std::vector<demoGreet::Overlay> demoGreet::overFogOverlays(float t) {
    std::vector<Overlay> list;
    if (t > 5.0f) {
        const float p = 150.0f * (std::sin(t / 3.0f) * std::cos(t / 4.0f) + 2.0f);
        const float q = 50.0f * (std::sin(-t / 2.0f) * std::cos(t / 3.0f) + 2.0f);
        list.push_back({"greetings", -400.0f - p, -200.0f - q, 400.0f + p, 200.0f + q,
                        std::sin(t) + 1.0f, -1});
    }
    list.push_back(depthClear);
    // The opening fade is laid twice: wide, then over the middle band.
    if (t < 3.0f) addFadeOverlay(list, t / 3.0f, 0);
    list.push_back(depthClear);
    if (t > 32.0f)
        list.push_back({"wt", -1400.0f, -1000.0f, 1400.0f, 1000.0f, 1.0f - (t - 32.0f) / 3.0f, 0});
    if (t < 3.0f) list.push_back({"wt", -1400.0f, -1000.0f, 1400.0f, 1000.0f, t / 3.0f, 0});
    return list;
}
