#include "scenes/fog_layers.h"

#include <GL/gl.h>

#include <cmath>

#include "render/renderer.h"
#include "resources/texture_library.h"

FogLayers::~FogLayers() {
    for (int i = 0; i < layers.count(); ++i) delete layers.at(i);
}

bool FogLayers::init() {
    count = 4;
    for (int i = 0; i < count; ++i) {
        FogLayer* layer = new FogLayer;
        layer->depth = float(2 * i + 2);
        layer->u = float(i - 2) / 3.21f;
        layer->v = float(i - 2) / 5.32f;
        float drift = i < 2 ? float(i) / 50.0f : float(i - 4) / 50.0f;
        layer->du = drift;
        layer->dv = drift;
        layers.add(layer);
    }
    started = 1;
    reset = 0;
    return true;
}

float FogLayers::opacity(float depth, float alpha) {
    return (1.0f - std::fabs((depth - 1.0f) - 4.0f) / 4.0f) * alpha;
}

void FogLayers::draw(float time, Qu::TextureLibrary* textureLibrary, Renderer* renderer,
                     float alpha) {
    if (started == 1) {
        started = 0;
        startTime = time;
        lastElapsed = 0.0f;
        step = 0.0f;
    }
    float elapsed = time - startTime;
    if (reset == 1) {
        reset = 0;
        step = 0.0f;
    } else {
        step = elapsed - lastElapsed;
    }

    for (int i = 0; i < layers.count(); ++i) {
        FogLayer* layer = layers.at(i);
        const char* key = (i % 2 == 1) ? "fogz2" : "fogz1";
        float s = 4.0f / layer->depth;
        float w = (s + 1.0f) * 80.0f * 10.0f * 3.0f;
        float h = (s + 1.0f) * 60.0f * 10.0f * 3.0f;
        float a = opacity(layer->depth, alpha);
        layer->u += step * layer->du;
        layer->v += step * layer->dv;
        Qu::TextureKey* entry = textureLibrary ? textureLibrary->find(key) : nullptr;
        if (renderer && entry && entry->texture()) {
            renderer->drawScrollQuad(entry->texture(), -340.0f - w, -270.0f - h, 340.0f + w,
                                     270.0f + h, layer->u, layer->v, a);
        }
        layer->depth -= 2.0f * step;
        // Wraps to exactly 9, not 9 minus the overshoot.
        if (layer->depth < 1.0f) layer->depth = 9.0f;
        glClear(GL_DEPTH_BUFFER_BIT);
    }
    lastElapsed = elapsed;
}
