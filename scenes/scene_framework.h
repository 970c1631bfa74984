#pragma once
// What every scene shares: its common state, the scene clock, and the
// pieces of the init and render recipes.
//
// Scene contract (called directly on each scene object by the shell):
//   bool init(Qu::TextureLibrary*, Renderer*)  once while loading; false:
//        the scene could not be built (its model file is missing)
//   bool render(float timeMs)  once per frame while its segment plays;
//        timeMs is demo time in milliseconds; false ends the demo
//
// Scene time is float seconds, 0 at the scene's first rendered frame
// whatever the demo time is then. A scene owns its model and fog layers;
// the texture library and renderer are borrowed.
#include <cstdint>

#include "engine/vector.h"
#include "scenes/fog_layers.h"

namespace Qu {
class Camera;
class Item;
class Light;
class Model;
class Object;
class Texture;
class TextureLibrary;
}  // namespace Qu
class Renderer;

// The full-screen rectangle of the screen-quad plane and the wider one fades use.
constexpr float fullScreenRect[4] = {-1165.0f, -880.0f, 1165.0f, 880.0f};
constexpr float fadeRect[4] = {-1400.0f, -1300.0f, 1400.0f, 1300.0f};

// One scene light: sprite texture loaded under spriteKey from spriteFile,
// the light's own texture looked up by textureKey (the two may differ).
struct demoLightSpec {
    const char* name;
    const char* spriteKey;
    const char* spriteFile;
    const char* textureKey;
    Qu::Vector position;
    std::int32_t glLight;   // 0x4000 (GL_LIGHT0) lights the scene; 123.. are sprite-only
    float size;
    std::int32_t spriteOnly;
    Qu::Vector offset;
};

class demoSceneCommon {
public:
    demoSceneCommon() = default;
    ~demoSceneCommon();   // deletes the model's lists and the fog layers
    demoSceneCommon(const demoSceneCommon&) = delete;
    demoSceneCommon& operator=(const demoSceneCommon&) = delete;

    // Init recipe, steps 1 to 4: keep the library and renderer, load the
    // model "data//..." file, create the fog layers, restart = 1. False
    // when the model file cannot be read.
    bool beginInit(Qu::TextureLibrary* library, Renderer* sceneRenderer, const char* modelFile);
    // Marks a named mesh (skipped silently when absent).
    void markObject(const char* name, std::int32_t kind, double r, double g, double b, double a);
    void markObjectBlend(const char* name, std::int32_t kind, double r, double g, double b,
                         double a, std::int32_t blend);
    // Light recipe; the light is appended to the model's objects.
    Qu::Light* addLight(const demoLightSpec& wanted);
    // restPosition := position for every vertex of the named mesh.
    void freezeWaveMesh(const char* name);
    // One camera, reset, appended to the model's cameras.
    void addCamera();
    // frameDelta = 0, lastTime = 0.
    void finishInit();

    // Render prologue (GL state, clear) and the scene clock; returns scene
    // time t in seconds and sets frameDelta.
    float beginRender(float timeMs);
    // The scene clock alone: re-bases on the first call after init.
    float advanceSceneClock(float timeMs);
    Qu::Camera* camera() const;
    Qu::Object* findObject(const char* name) const;   // mesh by name, or null
    Qu::Light* findLight(const char* name) const;     // light by name, or null
    // fogLayers->draw, then a depth clear.
    void drawFogLayers(float t, float alpha);
    // lastTime = t; clear colour back to (0, 0, 0, 0.5). Returns true.
    bool endRender(float t);
    // Texture of a key, looked up now; null when the key is missing.
    Qu::Texture* texture(const char* key) const;

    Qu::TextureLibrary* textureLibrary = nullptr;
    Renderer* renderer = nullptr;
    Qu::Model* model = nullptr;
    FogLayers* fogLayers = nullptr;
    double restart = 0.0;     // 1.0 after init: the next render re-bases the clock
    double baseTime = 0.0;    // demo seconds at the first rendered frame
    float frameDelta = 0.0f;  // scene seconds since the previous rendered frame
    float lastTime = 0.0f;    // scene seconds of the previous rendered frame
};

// True when the item's name starts with `prefix` (case-sensitive, the
// whole prefix); an unnamed item never matches.
bool demoHasPrefix(const Qu::Item* item, const char* prefix);
// Every item whose name begins with `prefix` gets `kind`, in list order.
void demoKindByPrefix(Qu::Model* model, const char* prefix, std::int32_t kind);
// The same, and mesh objects among them setColorBlend(r, g, b, a, blend).
void demoKindByPrefix(Qu::Model* model, const char* prefix, std::int32_t kind, double r,
                      double g, double b, double a, std::int32_t blend);
// Adds (du, dv) to the texture coordinates of all three corners of every face.
void demoScrollFaces(Qu::Object* object, float du, float dv);

// The four rectangles of a zoom: rectangle i is rectangle i-1 scaled by
// factors[i], rectangle -1 the full screen. Each scaling starts from the
// previous product, so the rounding is that of the running product.
void demoZoomRects(const float factors[4], float rects[4][4]);
