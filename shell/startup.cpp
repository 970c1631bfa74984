#include "shell/startup.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>

#include "render/renderer.h"
#include "resources/texture_library.h"
#include "shell/gl_window.h"

Renderer* renderer = nullptr;
Qu::TextureLibrary* textureLibrary = nullptr;
demoTimer* demoClock = nullptr;
demoForrest* forestOpening = nullptr;
demoFog* fogScene = nullptr;
demoGreet* greetScene = nullptr;
demoSpace* spaceScene = nullptr;
demoEarth* earthScene = nullptr;
demoForan* forestAnimOne = nullptr;
demoForanTwo* forestAnimTwo = nullptr;
demoForanThree* forestAnimThree = nullptr;
demoForrestFinale* forestFinale = nullptr;

namespace {

template <class T>
void deleteGlobal(T*& pointer) {
    delete pointer;
    pointer = nullptr;
}

Qu::Texture* loadingTexture() {
    Qu::TextureKey* entry = textureLibrary ? textureLibrary->find("load") : nullptr;
    return entry ? entry->texture() : nullptr;
}

void drawLoadingPicture() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
    Qu::Texture* picture = loadingTexture();
    for (int copy = 0; copy < 2; ++copy) {
        renderer->drawQuad(picture, -1165.0f, -880.0f, 1165.0f, 880.0f, 1.0f);
    }
}

// Shared textures in loading order; keu1's file has no digit.
struct SharedTexture {
    const char* key;
    const char* file;
};
constexpr SharedTexture sharedTextures[] = {
    {"wt", "data//wt.tga"},           {"fogz1", "data//fogz1.tga"},
    {"fogz2", "data//fogz2.tga"},     {"tx1", "data//tx1.tga"},
    {"tx2", "data//tx2.tga"},         {"tx3", "data//tx3.tga"},
    {"tx4", "data//tx4.tga"},         {"tx5", "data//tx5.tga"},
    {"scanner", "data//scanner.tga"}, {"starslot", "data//starslot.tga"},
    {"keu1", "data//keu.tga"},        {"keu2", "data//keu2.tga"},
    {"keu3", "data//keu3.tga"},       {"keu4", "data//keu4.tga"},
    {"keu5", "data//keu5.tga"},       {"keu6", "data//keu6.tga"},
};

template <class Scene>
bool initScene(Scene* scene) {
    return scene->init(textureLibrary, renderer);
}

// Initialisation order, bar value before each, and the failure text.
struct SceneInit {
    int bar;
    bool (*init)();
    const char* message;
};
const SceneInit sceneInits[] = {
    {7, [] { return initScene(forestOpening); }, "Error initializing [demoForrest class]!"},
    {15, [] { return initScene(forestAnimOne); }, "Error initializing [demoForan class]!"},
    {34, [] { return initScene(forestAnimTwo); }, "Error initializing [demoForan class]!"},
    {56, [] { return initScene(forestAnimThree); }, "Error initializing [demoForan class]!"},
    {68, [] { return initScene(fogScene); }, "Error initializing [demoFog class]!"},
    {80, [] { return initScene(greetScene); }, "Error initializing [demoGreet class]!"},
    {87, [] { return initScene(spaceScene); }, "Error initializing [demoSpace class]!"},
    {91, [] { return initScene(earthScene); }, "Error initializing [demoEarth class]!"},
    {95, [] { return initScene(forestFinale); }, "Error initializing [demoForrest class]!"},
};

}  // namespace

int loadingDotCount(int percent) { return percent > 0 ? percent / 2 + 1 : 0; }

void drawLoadingFrame() {
    drawLoadingPicture();
    swapWindowBuffers();
}

void drawLoadingBar(int percent, float brightness) {
    drawLoadingPicture();
    glClear(GL_DEPTH_BUFFER_BIT);
    float grey = brightness * 0.7f;
    int dots = loadingDotCount(percent);
    for (int i = 0; i < dots; ++i) {
        renderer->printColored(nullptr, 380 + 8 * i, 142, grey, grey, grey, ".");
    }
    swapWindowBuffers();
}

void failInit(const char* message) {
    // Over whatever the back buffer holds, in the colour last set.
    renderer->print(nullptr, 10, 220, "%s", message);
    swapWindowBuffers();
    std::fprintf(stderr, "gravlet: %s\n", message);
    std::uint32_t start = demoClock->elapsedMs();
    while (windowHandle && demoClock->elapsedMs() - start < 2000u) windowHandle->pause(10);
    swapWindowBuffers();
    demoShutdown();
    std::exit(1);
}

void drawIntroFade(float t) {
    if (t >= 3.0f) return;
    glClear(GL_DEPTH_BUFFER_BIT);
    Qu::Texture* picture = loadingTexture();
    renderer->drawQuad(picture, -1165.0f - 50.0f * t, -880.0f - 50.0f * t, 1165.0f + 50.0f * t,
                       880.0f + 50.0f * t, 1.0f - t / 3.0f);
    renderer->drawQuad(picture, -1165.0f - 100.0f * t, -880.0f - 50.0f * t, 1165.0f + 100.0f * t,
                       880.0f + 50.0f * t, 1.0f - t / 2.0f);
}

void demoStartup() {
    renderer = new Renderer;
    renderer->initFonts(deviceContext);

    textureLibrary = new Qu::TextureLibrary;
    textureLibrary->load("load", "data//load.tga", "load", 0);
    drawLoadingBar(2, 1.0f);

    for (const SharedTexture& shared : sharedTextures) {
        textureLibrary->load(shared.key, shared.file, shared.key, 0);
    }
    drawLoadingFrame();

    demoClock = new demoTimer;
    demoClock->start(0);

    forestOpening = new demoForrest;
    forestFinale = new demoForrestFinale;
    forestAnimOne = new demoForan;
    forestAnimTwo = new demoForanTwo;
    forestAnimThree = new demoForanThree;
    fogScene = new demoFog;
    greetScene = new demoGreet;
    spaceScene = new demoSpace;
    earthScene = new demoEarth;

    demoClock->reset();
    for (const SceneInit& scene : sceneInits) {
        drawLoadingBar(scene.bar, 1.0f);
        if (!scene.init()) failInit(scene.message);
    }
    drawLoadingBar(100, 1.0f);

    demoClock->reset();
    float start = static_cast<float>(demoClock->elapsedMs()) / 1000.0f;
    while (static_cast<float>(demoClock->elapsedMs()) / 1000.0f - start < 2.0f) drawLoadingFrame();
}

void demoShutdown() {
    deleteGlobal(demoClock);
    deleteGlobal(forestOpening);
    deleteGlobal(forestFinale);
    deleteGlobal(forestAnimOne);
    deleteGlobal(forestAnimTwo);
    deleteGlobal(forestAnimThree);
    deleteGlobal(fogScene);
    deleteGlobal(greetScene);
    deleteGlobal(spaceScene);
    deleteGlobal(earthScene);
    deleteGlobal(textureLibrary);
    closeGlWindow();
}
