#include "scenes/fog.h"

#include <GL/gl.h>

#include <cmath>

#include "render/renderer.h"
#include "resources/camera.h"

bool demoFog::init(Qu::TextureLibrary* library, Renderer* sceneRenderer) {
    if (!beginInit(library, sceneRenderer, "data//asmtest2.3ds")) return false;
    addCamera();
    finishInit();
    overlaySwitch = 1;
    worldVisible = 1;
    return true;
}

bool demoFog::render(float timeMs) {
    float t = beginRender(timeMs);
    // A slow glide along +z, looking ahead.
    Qu::Vector eye(45.0 * std::sin(t / 25.0 - 4.14) + 6.0 - 1.5 * t, -8.0, 5.0 * t - 230.0);
    camera()->setLookAt(Qu::Vector(eye.x, eye.y, eye.z + 50.0));
    camera()->setEye(eye);
    if (worldVisible > 0) renderer->drawWorld(model);
    glClear(GL_DEPTH_BUFFER_BIT);
    drawFogLayers(t, 1.0f);
    return endRender(t);
}
