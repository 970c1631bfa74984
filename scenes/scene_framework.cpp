#include "scenes/scene_framework.h"

#include <GL/gl.h>

#include <cstring>

#include "render/renderer.h"
#include "resources/camera.h"
#include "resources/light.h"
#include "resources/load3ds.h"
#include "resources/model.h"
#include "resources/texture_library.h"

namespace {

char* copyName(const char* text) {
    std::size_t length = std::strlen(text);
    char* copy = new char[length + 1];
    std::memcpy(copy, text, length + 1);
    return copy;
}

void colourObject(Qu::Object* object, std::int32_t kind, double r, double g, double b, double a,
                  const std::int32_t* blend) {
    object->setKind(kind);
    if (blend) {
        object->setColorBlend(r, g, b, a, *blend);
    } else {
        object->setColor(r, g, b, a);
    }
}

}  // namespace

demoSceneCommon::~demoSceneCommon() {
    // The process ends right after the shutdown; freeing every record of
    // the model (with the scene's lights and camera) keeps leak checks quiet.
    Qu::deleteModel(model);
    delete fogLayers;
}

bool demoSceneCommon::beginInit(Qu::TextureLibrary* library, Renderer* sceneRenderer,
                                const char* modelFile) {
    textureLibrary = library;
    renderer = sceneRenderer;
    model = Qu::load3ds(modelFile, textureLibrary);
    if (!model) return false;
    fogLayers = new FogLayers;
    fogLayers->init();
    restart = 1.0;
    return true;
}

void demoSceneCommon::markObject(const char* name, std::int32_t kind, double r, double g,
                                 double b, double a) {
    if (Qu::Object* object = findObject(name)) colourObject(object, kind, r, g, b, a, nullptr);
}

void demoSceneCommon::markObjectBlend(const char* name, std::int32_t kind, double r, double g,
                                      double b, double a, std::int32_t blend) {
    if (Qu::Object* object = findObject(name)) colourObject(object, kind, r, g, b, a, &blend);
}

Qu::Light* demoSceneCommon::addLight(const demoLightSpec& wanted) {
    auto* light = new Qu::Light;
    textureLibrary->load(wanted.spriteKey, wanted.spriteFile, wanted.spriteKey, 0);
    textureLibrary->find(wanted.spriteKey);
    light->setColors(1.0f, 1.0f, 0.8f, 0.8f, 0.8f, 0.7f);
    light->position = wanted.position;
    light->glLight = wanted.glLight;
    light->texture = textureLibrary->find(wanted.textureKey);
    light->setSize(wanted.size);
    light->offset = wanted.offset;
    light->spriteOnly = wanted.spriteOnly;
    light->setName(copyName(wanted.name));
    light->setKind(Qu::kindLight);
    model->objects.add(light);
    return light;
}

void demoSceneCommon::freezeWaveMesh(const char* name) {
    Qu::Object* object = findObject(name);
    if (!object) return;
    for (std::int32_t i = 0; i < object->vertices.count(); ++i) {
        Qu::Vertex* vertex = object->vertices.at(i);
        vertex->restPosition = vertex->position;
    }
}

void demoSceneCommon::addCamera() {
    auto* camera = new Qu::Camera;
    camera->reset();
    model->cameras.add(camera);
}

void demoSceneCommon::finishInit() {
    frameDelta = 0.0f;
    lastTime = 0.0f;
}

float demoSceneCommon::advanceSceneClock(float timeMs) {
    float t = timeMs / 1000.0f;
    if (restart == 1.0) {
        baseTime = t;
        restart = 0.0;
    }
    t = static_cast<float>(t - baseTime);
    frameDelta = t - lastTime;
    return t;
}

float demoSceneCommon::beginRender(float timeMs) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_LIGHT0);
    glDisable(GL_LIGHT1);
    glEnable(GL_LIGHTING);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -1.0f);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    return advanceSceneClock(timeMs);
}

Qu::Camera* demoSceneCommon::camera() const {
    return model && model->cameras.count() > 0 ? model->cameras.at(0) : nullptr;
}

Qu::Object* demoSceneCommon::findObject(const char* name) const {
    if (!model) return nullptr;
    return dynamic_cast<Qu::Object*>(model->findObject(name));
}

Qu::Light* demoSceneCommon::findLight(const char* name) const {
    if (!model) return nullptr;
    return dynamic_cast<Qu::Light*>(model->findObject(name));
}

void demoSceneCommon::drawFogLayers(float t, float alpha) {
    if (fogLayers) fogLayers->draw(t, textureLibrary, renderer, alpha);
    glClear(GL_DEPTH_BUFFER_BIT);
}

bool demoSceneCommon::endRender(float t) {
    lastTime = t;
    glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
    return true;
}

Qu::Texture* demoSceneCommon::texture(const char* key) const {
    if (!textureLibrary) return nullptr;
    Qu::TextureKey* entry = textureLibrary->find(key);
    return entry ? entry->texture() : nullptr;
}

bool demoHasPrefix(const Qu::Item* item, const char* prefix) {
    return item->name() && std::strncmp(item->name(), prefix, std::strlen(prefix)) == 0;
}

void demoKindByPrefix(Qu::Model* model, const char* prefix, std::int32_t kind) {
    for (std::int32_t i = 0; i < model->objects.count(); ++i) {
        Qu::Item* item = model->objects.at(i);
        if (demoHasPrefix(item, prefix)) item->setKind(kind);
    }
}

void demoKindByPrefix(Qu::Model* model, const char* prefix, std::int32_t kind, double r,
                      double g, double b, double a, std::int32_t blend) {
    for (std::int32_t i = 0; i < model->objects.count(); ++i) {
        Qu::Item* item = model->objects.at(i);
        if (!demoHasPrefix(item, prefix)) continue;
        item->setKind(kind);
        if (auto* object = dynamic_cast<Qu::Object*>(item)) object->setColorBlend(r, g, b, a, blend);
    }
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

void demoZoomRects(const float factors[4], float rects[4][4]) {
    float rect[4] = {fullScreenRect[0], fullScreenRect[1], fullScreenRect[2], fullScreenRect[3]};
    for (int i = 0; i < 4; ++i) {
        for (int k = 0; k < 4; ++k) {
            rect[k] *= factors[i];
            rects[i][k] = rect[k];
        }
    }
}
