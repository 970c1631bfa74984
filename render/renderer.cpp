#include "render/renderer.h"

#include <GL/gl.h>

#include <cstdlib>
#include <unordered_map>
#include <utility>

#include "render/text.h"
#include "render/view_volume.h"
#include "render/world_access.h"
#include "resources/texture_library.h"

namespace render {

void loadViewFlip() {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -1.0f);
    // The point reflection (a 180-degree turn about no axis); GL leaves a
    // zero-axis rotation undefined, so it is a scale.
    glScalef(-1.0f, -1.0f, -1.0f);
}

}  // namespace render

namespace {

using render::faceCorners;
using render::vertexOf;

// The three light parameters: colours with the given alpha, and a position.
void setLight(const Qu::Light* light, float alpha, const Qu::Vector& at) {
    const GLenum number = static_cast<GLenum>(light->glLight);   // may be invalid: GL ignores it
    const float ambient[4] = {light->ambient[0], light->ambient[1], light->ambient[2], alpha};
    const float diffuse[4] = {light->diffuse[0], light->diffuse[1], light->diffuse[2], alpha};
    const float position[4] = {static_cast<float>(at.x), static_cast<float>(at.y),
                               static_cast<float>(at.z), 1.0f};
    glLightfv(number, GL_AMBIENT, ambient);
    glLightfv(number, GL_DIFFUSE, diffuse);
    glLightfv(number, GL_POSITION, position);
}

void enableLight(const Qu::Light* light) { glEnable(static_cast<GLenum>(light->glLight)); }

// Lit faces of an opaque object: one bind and one triangle per face, faces
// outside the view left out. normalSign -1 reverses the normals
// (double-sided objects).
void drawLitFaces(Qu::Model* model, Qu::Object* object, render::ViewVolume& volume, bool mipmapped,
                  double normalSign) {
    volume.forget();   // the object has just been moved to eye space
    render::SkippedFace skipped;
    Qu::List<Qu::Face>& faces = object->faces;
    faces.first();
    while (faces.hasMore()) {
        Qu::Face* face = faces.next();
        Qu::Vertex* corners[3];
        if (!face || !faceCorners(model, face, corners)) continue;
        const GLuint texture = mipmapped ? Qu::glMipmapOf(face->texture) : Qu::glLinearOf(face->texture);
        if (volume.outside(face->vertexIndex, corners)) {
            skipped.remember(face, corners[2], texture, normalSign);
            continue;
        }
        skipped.forget();
        glBindTexture(GL_TEXTURE_2D, texture);
        glBegin(GL_TRIANGLES);
        for (int i = 0; i < 3; ++i) {
            const Qu::Vector& n = corners[i]->eyeNormal;
            glNormal3f(static_cast<float>(normalSign * n.x), static_cast<float>(normalSign * n.y),
                       static_cast<float>(normalSign * n.z));
            glTexCoord2f(-face->cornerU[i], -face->cornerV[i]);
            vertexOf(corners[i]->eyePosition);
        }
        glEnd();
    }
    skipped.leaveState();
}

double faceDepth(void* face) { return static_cast<Qu::Face*>(face)->depth; }

// The pivot draw of a range: rand() right after srand(lo * hi). That value
// is a function of the seed alone, and srand costs thousands of
// instructions (it runs the generator hundreds of steps); the sort meets
// the same ranges frame after frame, so draws are remembered. The C
// library generator is left as the last draw of a sort leaves it.
class PivotDraws {
public:
    int draw(unsigned seed) {
        lastSeed = seed;
        const auto known = draws.find(seed);
        if (known != draws.end()) {
            generatorCurrent = false;
            return known->second;
        }
        if (draws.size() >= maxDraws) draws.clear();
        std::srand(seed);
        const int value = std::rand();
        generatorCurrent = true;
        draws.emplace(seed, value);
        return value;
    }
    // After a sort: the generator as srand(last seed) and one rand() leave it.
    void settle() {
        if (generatorCurrent) return;
        std::srand(lastSeed);
        std::rand();
        generatorCurrent = true;
    }

private:
    static constexpr std::size_t maxDraws = 1 << 16;
    std::unordered_map<unsigned, int> draws;
    unsigned lastSeed = 0;
    bool generatorCurrent = true;
};

PivotDraws pivotDraws;

// Far-to-near quicksort with a seeded random pivot and Hoare partition.
// Recurses into the smaller part so the stack stays O(log n).
void sortRange(void** faces, std::int32_t lo, std::int32_t hi) {
    while (lo < hi) {
        const int draw = pivotDraws.draw(static_cast<unsigned>(lo) * static_cast<unsigned>(hi));
        const std::int32_t pick = lo + draw % (hi - lo + 1);
        std::swap(faces[lo], faces[pick]);
        const double pivot = faceDepth(faces[lo]);
        std::int32_t i = lo - 1;
        std::int32_t j = hi + 1;
        for (;;) {
            do --j; while (faceDepth(faces[j]) < pivot);
            do ++i; while (faceDepth(faces[i]) > pivot);
            if (i >= j) break;
            std::swap(faces[i], faces[j]);
        }
        if (j - lo < hi - j) {
            sortRange(faces, lo, j);
            lo = j + 1;
        } else {
            sortRange(faces, j + 1, hi);
            hi = j;
        }
    }
}

}  // namespace

Renderer::Renderer() = default;

Renderer::~Renderer() { delete fontSet; }

void Renderer::drawWorld(Qu::Model* model) { drawWorldPasses(model, false); }

void Renderer::drawWorldAdditive(Qu::Model* model) { drawWorldPasses(model, true); }

void Renderer::drawWorldPasses(Qu::Model* model, bool additive) {
    Qu::Camera* camera = render::firstCamera(model);
    if (!camera) return;
    camera->update();
    render::loadViewFlip();
    render::ViewVolume volume;
    volume.capture(model->vertices.count());
    glDisable(GL_BLEND);
    glCullFace(GL_FRONT);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glEnable(GL_LIGHTING);

    // Opaque pass. Lights come after the meshes in the item list, so the
    // meshes are lit by the light state the previous frame left.
    Qu::List<Qu::Item>& items = model->objects;
    items.first();
    while (items.hasMore()) {
        Qu::Item* item = items.next();
        if (!item) continue;
        switch (item->kind()) {
        case Qu::kindMesh:
        case Qu::kindDoubleSided: {
            Qu::Object* object = render::asObject(item);
            if (!object) break;
            const bool culled = item->kind() == Qu::kindMesh;
            glEnable(GL_LIGHTING);
            if (culled)
                glEnable(GL_CULL_FACE);
            else
                glDisable(GL_CULL_FACE);
            object->toEyeSpace(camera);
            drawLitFaces(model, object, volume, culled, culled ? 1.0 : -1.0);
            break;
        }
        case Qu::kindLight: {
            Qu::Light* light = render::asLight(item);
            if (!light) break;
            glDisable(GL_CULL_FACE);
            light->transform(camera);
            if (light->spriteOnly != 1) {
                glDisable(GL_BLEND);
                // The world position, given under the view flip, as the
                // original does; the light pass below corrects it.
                setLight(light, 1.0f, light->position);
                enableLight(light);
            }
            break;
        }
        default:
            break;
        }
    }

    if (additive) {
        items.first();
        while (items.hasMore()) {
            Qu::Light* light = render::asLight(items.next());
            if (!light || light->kind() != Qu::kindLight) continue;
            light->transform(camera);
            glBlendFunc(GL_SRC_COLOR, GL_ONE);
            glEnable(GL_BLEND);
            setLight(light, 1.0f, light->eyePosition);
            enableLight(light);
            glEnable(GL_LIGHTING);
            glDisable(GL_BLEND);
        }
    }

    // Transparent pass: far to near, depth test and depth writes on.
    glEnable(GL_LIGHTING);
    sortTransparentFaces(model);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    // Blend factors and textures of faces left out are set only when a
    // drawn face needs them: setting them between two drawn faces would
    // split GL's batch for nothing.
    volume.forget();   // the sort has moved the transparent objects
    render::SkippedFace skipped;
    GLenum blendSource = 0, blendTarget = 0;   // 0: as the face before left them
    for (std::int32_t f = 0; f < transparentFaces.size(); ++f) {
        Qu::Face* face = static_cast<Qu::Face*>(transparentFaces.at(f));
        Qu::Vertex* corners[3];
        if (!faceCorners(model, face, corners)) continue;
        glEnable(GL_BLEND);
        switch (face->blend) {
        case 0: blendSource = GL_SRC_COLOR, blendTarget = GL_ONE_MINUS_SRC_COLOR; break;
        case 1:
            if (additive)
                blendSource = GL_ONE, blendTarget = GL_ONE;
            else
                blendSource = GL_SRC_COLOR, blendTarget = GL_ONE;
            break;
        case 2: blendSource = GL_SRC_ALPHA, blendTarget = GL_ONE_MINUS_SRC_ALPHA; break;
        default: break;   // keeps the factors of the face before
        }
        glColor4f(face->color[1], face->color[2], face->color[3], face->color[0]);
        const GLuint texture = Qu::glMipmapOf(face->texture);
        if (volume.outside(face->vertexIndex, corners)) {
            skipped.remember(face, corners[2], texture, 0.0);
            continue;
        }
        skipped.forget();
        if (blendSource) glBlendFunc(blendSource, blendTarget);
        glBindTexture(GL_TEXTURE_2D, texture);
        glBegin(GL_TRIANGLES);
        for (int i = 0; i < 3; ++i) {
            glTexCoord2f(-face->cornerU[i], -face->cornerV[i]);
            vertexOf(corners[i]->eyePosition);
        }
        glEnd();
    }
    if (blendSource) glBlendFunc(blendSource, blendTarget);
    skipped.leaveState();

    drawLightPass(model, !additive);
}

void Renderer::drawLightFlares(Qu::Model* model) {
    Qu::Camera* camera = render::firstCamera(model);
    if (!camera) return;
    camera->update();
    render::loadViewFlip();
    glDisable(GL_BLEND);
    glCullFace(GL_FRONT);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glEnable(GL_LIGHTING);
    drawLightPass(model, true);
}

// Sets every light from its eye position (the state the next frame's
// meshes are lit by) and draws the flares of sprite-only lights.
void Renderer::drawLightPass(Qu::Model* model, bool sprites) {
    Qu::Camera* camera = render::firstCamera(model);
    if (!camera) return;
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    Qu::List<Qu::Item>& items = model->objects;
    items.first();
    while (items.hasMore()) {
        Qu::Light* light = render::asLight(items.next());
        if (!light || light->kind() != Qu::kindLight) continue;
        glDisable(GL_CULL_FACE);
        light->transform(camera);
        glDisable(GL_BLEND);
        setLight(light, 0.5f, light->eyePosition);
        enableLight(light);
        glEnable(GL_LIGHTING);
        if (light->spriteOnly != 1) continue;

        glColor4f(0.3f, 0.3f, 0.3f, 0.5f);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_COLOR, GL_ONE);
        setLight(light, 1.0f, light->eyePosition);
        enableLight(light);
        if (light->texture) {
            if (sprites) {
                glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
                glBlendFunc(GL_SRC_COLOR, GL_ONE);
                glEnable(GL_BLEND);
            }
            setLight(light, 1.0f, light->eyePosition);
            enableLight(light);
            glDisable(GL_LIGHTING);
            const GLuint name = Qu::glLinearOf(light->texture);
            if (sprites && name != 0) {
                glBindTexture(GL_TEXTURE_2D, name);
                const Qu::Vector& at = light->eyePosition;
                render::drawSprite(static_cast<float>(at.x), static_cast<float>(at.y),
                           static_cast<float>(at.z), light->size);
            }
        }
        glDisable(GL_BLEND);
    }
}

void Renderer::sortTransparentFaces(Qu::Model* model) {
    transparentFaces.clear();
    Qu::Camera* camera = render::firstCamera(model);
    if (!camera) return;
    Qu::List<Qu::Item>& items = model->objects;
    items.first();
    while (items.hasMore()) {
        Qu::Item* item = items.next();
        if (!item || item->kind() != Qu::kindTransparent) continue;
        Qu::Object* object = render::asObject(item);
        if (!object) continue;
        object->toEyeSpace(camera);
        Qu::List<Qu::Face>& faces = object->faces;
        faces.first();
        while (faces.hasMore()) {
            Qu::Face* face = faces.next();
            Qu::Vertex* corners[3];
            if (!face || !faceCorners(model, face, corners)) continue;
            face->depth = (corners[0]->eyePosition.z + corners[1]->eyePosition.z +
                           corners[2]->eyePosition.z) / 3.0;
            transparentFaces.push(face);
        }
    }
    if (transparentFaces.size() >= 2) {
        sortRange(transparentFaces.slot(0), 0, transparentFaces.size() - 1);
        pivotDraws.settle();
    }
}
