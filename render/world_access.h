#pragma once
// Small helpers the world and build-up passes share (render layer only).
#include <GL/gl.h>

#include "resources/camera.h"
#include "resources/light.h"
#include "resources/model.h"

namespace render {

// The model's first camera, or null (then nothing is drawn).
inline Qu::Camera* firstCamera(Qu::Model* model) {
    if (!model || model->cameras.count() < 1) return nullptr;
    return model->cameras.at(0);
}

// The three corner vertices of a face from the model's vertex list; false
// when an index lies outside it (the face is then skipped).
inline bool faceCorners(Qu::Model* model, const Qu::Face* face, Qu::Vertex* corners[3]) {
    const std::int32_t count = model->vertices.count();
    for (int i = 0; i < 3; ++i) {
        if (face->vertexIndex[i] >= static_cast<std::uint32_t>(count)) return false;
        corners[i] = model->vertices.at(static_cast<std::int32_t>(face->vertexIndex[i]));
        if (!corners[i]) return false;
    }
    return true;
}

// Mesh objects and lights by kind; an item re-kinded to a kind its class
// cannot draw is skipped.
inline Qu::Object* asObject(Qu::Item* item) { return dynamic_cast<Qu::Object*>(item); }
inline Qu::Light* asLight(Qu::Item* item) { return dynamic_cast<Qu::Light*>(item); }

inline void vertexOf(const Qu::Vector& v) {
    const double p[3] = {v.x, v.y, v.z};
    glVertex3dv(p);
}

// A view-aligned square of edge `s` centred on (x, y, z), texture (0,0) at
// the (-s/2, -s/2) corner. A negative s swaps the corners. Flares and the
// build-up glows are drawn with it.
inline void drawSprite(float x, float y, float z, float s) {
    const float h = s / 2.0f;
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(x - h, y - h, z);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(x + h, y - h, z);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(x + h, y + h, z);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(x - h, y + h, z);
    glEnd();
}

}  // namespace render
