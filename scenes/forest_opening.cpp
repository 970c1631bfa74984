#include "scenes/forest_opening.h"

#include <GL/gl.h>

#include <cmath>

#include "render/renderer.h"
#include "resources/camera.h"
#include "resources/light.h"

bool demoForrest::init(Qu::TextureLibrary* library, Renderer* sceneRenderer) {
    if (!beginInit(library, sceneRenderer, "data//forresta.3ds")) return false;
    addLight({"light0", "light2", "data//sun2.tga", "light2", Qu::Vector(0, 0, 50), 0x4000, 350.0f,
              0, Qu::Vector(0, 0, 0)});
    addCamera();
    finishInit();
    return true;
}

bool demoForrest::render(float timeMs) {
    float t = beginRender(timeMs);
    // A slow glide along +z, looking ahead.
    Qu::Vector eye(45.0 * std::sin(t / 25.0 - 4.14) + 6.0 - 1.5 * t, -8.0, 5.0 * t - 230.0);
    camera()->setLookAt(Qu::Vector(eye.x, eye.y, eye.z + 50.0));
    if (Qu::Light* light = findLight("light0")) light->position = Qu::Vector(300, -250, -200);
    camera()->setEye(eye);
    renderer->drawWorld(model);
    glClear(GL_DEPTH_BUFFER_BIT);
    drawFogLayers(t, 1.0f);
    return endRender(t);
}
