// The build-up effect: a mesh appears face by face. Within each object the
// faces are counted from 1 in face-list order and face k is drawn while
// k - 1 < n; the head face is trunc(n). A bright wireframe runs ahead, three
// additive sprites of size K × (trunc(n) - n) mark the head face's corners,
// and the lit surface follows.
#include <GL/gl.h>

#include <cmath>

#include "render/renderer.h"
#include "render/world_access.h"
#include "resources/texture_library.h"

namespace {

void lineState() {
    glDisable(GL_BLEND);
    glBlendFunc(GL_SRC_COLOR, GL_ONE);
    glColor4f(0.6f, 0.6f, 0.8f, 0.8f);
    glDisable(GL_LIGHTING);
    glCullFace(GL_BACK);
    glDisable(GL_TEXTURE_2D);
}

void endState() {
    glDisable(GL_BLEND);
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
}

}  // namespace

void Renderer::drawWireBuild(Qu::Model* model, Qu::TextureLibrary* textureLibrary, float n) {
    drawWireBuildPass(model, textureLibrary, n, 1.0f, 0.01f, 100.0f, false, true);
}

void Renderer::drawWireBuildLarge(Qu::Model* model, Qu::TextureLibrary* textureLibrary, float n) {
    drawWireBuildPass(model, textureLibrary, n, 1.0f, 0.01f, 580.0f, true, false);
}

void Renderer::drawWireBuildFine(Qu::Model* model, Qu::TextureLibrary* textureLibrary, float n) {
    drawWireBuildPass(model, textureLibrary, n, 0.01f, 0.001f, 10.0f, false, true);
}

// lift: how much farther than its face a line lies; liftStep: the extra
// lift of corner a per repetition; spriteScale: K.
void Renderer::drawWireBuildPass(Qu::Model* model, Qu::TextureLibrary* textureLibrary, float n,
                                 float lift, float liftStep, float spriteScale,
                                 bool clearPerSprite, bool includeSolidKind) {
    Qu::Camera* camera = render::firstCamera(model);
    if (!camera) return;
    camera->update();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClear(GL_DEPTH_BUFFER_BIT);
    glDisable(GL_TEXTURE_2D);
    render::loadViewFlip();
    lineState();

    // Kept as doubles: n may exceed any integer's range.
    const double head = std::trunc(static_cast<double>(n));
    const float s = spriteScale * static_cast<float>(head - n);

    Qu::List<Qu::Item>& items = model->objects;
    items.first();
    while (items.hasMore()) {
        Qu::Item* item = items.next();
        if (!item) continue;
        const std::int32_t kind = item->kind();
        if (kind != Qu::kindWireBuild && !(includeSolidKind && kind == Qu::kindSolidBuild))
            continue;
        Qu::Object* object = render::asObject(item);
        if (!object) continue;
        glDisable(GL_TEXTURE_2D);
        object->toEyeSpace(camera);

        double k = 0;
        Qu::List<Qu::Face>& faces = object->faces;
        faces.first();
        while (faces.hasMore() && static_cast<float>(k) < n) {
            Qu::Face* face = faces.next();
            k += 1;
            Qu::Vertex* corners[3];
            if (!face || !render::faceCorners(model, face, corners)) continue;
            lineState();
            float p[3][3];
            for (int c = 0; c < 3; ++c) {
                p[c][0] = static_cast<float>(corners[c]->eyePosition.x);
                p[c][1] = static_cast<float>(corners[c]->eyePosition.y);
                p[c][2] = static_cast<float>(corners[c]->eyePosition.z) + lift;
            }
            // Nine vertices: segments a-b, c-a', b-c, a''-b; a rises each time.
            glBegin(GL_LINES);
            for (int repeat = 0; repeat < 3; ++repeat) {
                glVertex3fv(p[0]);
                glVertex3fv(p[1]);
                glVertex3fv(p[2]);
                p[0][2] += liftStep;
            }
            glEnd();

            if (k != head) continue;
            if (clearPerSprite) glClear(GL_DEPTH_BUFFER_BIT);
            glEnable(GL_TEXTURE_2D);
            Qu::TextureKey* glow = textureLibrary ? textureLibrary->find("light3") : nullptr;
            const GLuint name = Qu::glLinearOf(glow);
            if (!glow || name == 0) continue;
            for (int c = 0; c < 3; ++c) {
                if (clearPerSprite && c > 0) glClear(GL_DEPTH_BUFFER_BIT);
                glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
                glBlendFunc(GL_SRC_COLOR, GL_ONE);
                glEnable(GL_BLEND);
                glDisable(GL_LIGHTING);
                glBindTexture(GL_TEXTURE_2D, name);
                render::drawSprite(p[c][0], p[c][1], p[c][2], s);
            }
        }
    }
    endState();
}

void Renderer::drawSolidBuild(Qu::Model* model, Qu::TextureLibrary* textureLibrary, float n) {
    (void)textureLibrary;
    Qu::Camera* camera = render::firstCamera(model);
    if (!camera) return;
    camera->update();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClear(GL_DEPTH_BUFFER_BIT);
    glEnable(GL_TEXTURE_2D);
    render::loadViewFlip();
    glDisable(GL_BLEND);
    glBlendFunc(GL_SRC_COLOR, GL_ONE);
    glDisable(GL_LIGHTING);

    Qu::List<Qu::Item>& items = model->objects;
    items.first();
    while (items.hasMore()) {
        Qu::Item* item = items.next();
        if (!item || item->kind() != Qu::kindSolidBuild) continue;
        Qu::Object* object = render::asObject(item);
        if (!object) continue;
        object->toEyeSpace(camera);
        double k = 0;
        Qu::List<Qu::Face>& faces = object->faces;
        faces.first();
        while (faces.hasMore() && static_cast<float>(k) < n) {
            Qu::Face* face = faces.next();
            k += 1;
            Qu::Vertex* corners[3];
            if (!face || !render::faceCorners(model, face, corners)) continue;
            glDisable(GL_BLEND);
            glEnable(GL_LIGHTING);
            glBindTexture(GL_TEXTURE_2D, Qu::glLinearOf(face->texture));
            glBegin(GL_TRIANGLES);
            for (int c = 0; c < 3; ++c) {
                const Qu::Vector& normal = corners[c]->eyeNormal;
                glNormal3f(static_cast<float>(-normal.x), static_cast<float>(-normal.y),
                           static_cast<float>(-normal.z));
                glTexCoord2f(-face->cornerU[c], -face->cornerV[c]);
                const float at[3] = {static_cast<float>(corners[c]->eyePosition.x),
                                     static_cast<float>(corners[c]->eyePosition.y),
                                     static_cast<float>(corners[c]->eyePosition.z)};
                glVertex3fv(at);
            }
            glEnd();
        }
    }
    endState();
}
