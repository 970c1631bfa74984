#include "scenes/forest_finale.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "render/renderer.h"
#include "resources/camera.h"
#include "scenes/forest_anim_three.h"
#include "scenes/forest_common.h"

float demoForrestFinale::spriteBase(float t) {
    float s = 150 - 5 * t;
    if (t > 14) s -= 8 * (t - 14);
    return std::max(s, 0.01f);
}

Qu::Vector demoForrestFinale::eyeAt(float t) {
    const double time = t;
    if (t < firstOrbit)
        return Qu::Vector(15 * std::cos(time / 5), 20 * std::sin(time / 4) * std::cos(time / 3) - 50,
                          50 * time + 600);
    if (t < secondOrbit)
        return Qu::Vector(220 * std::cos(time / 2), 50 * std::sin(time / 3) - 150,
                          300 * std::sin(time / 2.4) + 1300);
    return Qu::Vector(400 * std::cos(time / 3), 60 * std::sin(time / 3.5) - 90,
                      500 * std::sin(time / 5) + 1500);
}

void demoForrestFinale::etextBand(float t, float rect[4]) {
    const float x = 1300 - 700 * (t - 35);
    const float c = 100 * std::cos(t / 2);
    const float w = 10 * std::sin(t / 2) * std::cos(3 * t);
    rect[0] = x;
    rect[1] = -600 + w + c;
    rect[2] = x + 12000;
    rect[3] = -400 - w + c;
}

bool demoForrestFinale::init(Qu::TextureLibrary* library, Renderer* sceneRenderer) {
    if (!beginInit(library, sceneRenderer, "data//forende.3ds")) return false;
    demoInitForestThree(*this, demoForestPlan::finale);
    return true;
}

bool demoForrestFinale::render(float timeMs) {
    const float t = beginRender(timeMs);
    demoAnimateForestThree(*this, t, spriteBase(t));
    camera()->setEye(eyeAt(t));

    renderer->drawWorldAdditive(model);
    glClear(GL_DEPTH_BUFFER_BIT);
    fogLayers->draw(t, textureLibrary, renderer, 1.0f);
    renderer->drawLightFlares(model);
    if (t > 15 && t < 35) renderer->drawWireBuild(model, textureLibrary, 20 * (t - 15));
    // Negative from 35 s on: the wireframe is gone for good.
    if (t >= 35) renderer->drawWireBuild(model, textureLibrary, (t - 300) - 60 * (t - 35));
    if (t > 25) renderer->drawSolidBuild(model, textureLibrary, 30 * (t - 25));
    glClear(GL_DEPTH_BUFFER_BIT);
    glClear(GL_DEPTH_BUFFER_BIT);

    demoStarSlot(*this, t);
    // "keu5" keeps the alphas of "keu4", measured from 15 s: at their caps.
    const float since15 = t - 15;
    if (t > 15 && t <= 25)
        demoZoomBurst(*this, "keu4", since15 / 13 + 1, std::min(since15 / 3, 0.6f),
                      std::min(since15 / 4, 0.3f), std::min(since15 / 5, 0.3f));
    if (t > 25 && t < 35)
        demoZoomBurst(*this, "keu5", (t - 25) / 13 + 1, std::min(since15 / 3, 0.6f),
                      std::min(since15 / 4, 0.3f), std::min(since15 / 5, 0.3f));
    if (t > 35) {
        // No full-screen quad; the first rectangle pulses with sin(t / 2).
        const float since = t - 35;
        const float f = since / 21 + 1;
        const float pulse = std::min(since / 3, 1.0f) * (std::sin(t / 2) + 1);
        const float alphas[4] = {pulse, std::min(since / 4, 0.5f), std::min(since / 5, 0.3f),
                                 std::min(since / 5, 0.3f)};
        const float factors[4] = {1.01f * f, 1.02f * f, 1.03f * f, 1.04f * f};
        demoZoomQuads(*this, "keu6", factors, alphas);
    }
    if (t > 45 && t <= 65) {
        const float since = t - 45;
        demoZoomBurst(*this, "scanner", (t - 35) / 13 + 1, since / 3, std::min(since / 4, 0.5f),
                      std::min(since / 5, 0.5f));
    }
    if (t > 35) {
        float band[4];
        etextBand(t, band);
        const float glow = std::sin(3 * t) / 2.5f;
        demoQuadScaled(*this, "etext", band, 1.0f, glow + 1);
        // Its shadow, 70 units down and left.
        for (float& coordinate : band) coordinate -= 70;
        demoQuadScaled(*this, "etext", band, 1.0f, glow + 0.4f);
    }
    if (t < 3) demoFade(*this, 1 - t / 3, 1);
    if (t >= 25 && t < 29) demoFade(*this, 1 - (t - 25) / 4, 1);
    if (t >= 41 && t < 44) demoFade(*this, 1 - (t - 41) / 3, 1);
    // Darkening to the end: the alpha goes below 0 at 56 s, which is black.
    if (t > 52) demoFade(*this, 1 - (t - 52) / 4, 0);
    return endRender(t);
}
