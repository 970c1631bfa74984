#pragma once
// Helpers for the renderer tests: the window's GL state, where an eye point
// lands on screen, the lit pixels of the frame, textures made in the test and
// models built triangle by triangle (the test owns and frees their records).
#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "resources/camera.h"
#include "resources/light.h"
#include "resources/model.h"
#include "resources/texture_library.h"
#include "support/gl_context.h"

namespace rendertest {

// Viewport, projection and default state of the demo window: 85-degree
// vertical field of view, near 1, far 4200, front faces culled.
inline void windowState(int width = 1024, int height = 768) {
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(85.0, double(width) / double(height), 1.0, 4200.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_FRONT);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

// Window pixel of an eye point under the view flip and that projection,
// worked out here rather than read back from GL.
struct ScreenPoint {
    double x, y;
};
inline ScreenPoint project(double ex, double ey, double ez, int width = 1024, int height = 768) {
    const double f = 1.0 / std::tan(85.0 / 2.0 * 3.14159265358979323846 / 180.0);
    const double aspect = double(width) / double(height);
    // GL eye coordinates (-x, -y, -z - 1); the GL eye looks down -z.
    const double gx = -ex, gy = -ey, depth = ez + 1.0;
    return {(gx * f / aspect / depth + 1.0) * width / 2.0, (gy * f / depth + 1.0) * height / 2.0};
}

// Channel value of a 0..1 intensity, clamped as the frame stores it.
inline int channel(double v) { return int(std::lround(std::min(1.0, std::max(0.0, v)) * 255.0)); }

// Largest channel of a pixel.
inline int brightness(const testsupport::Rgba& p) { return std::max({int(p.r), int(p.g), int(p.b)}); }

// Pixels whose largest channel is at least `minimum`, in the columns
// [fromX, toX]: how many, their mean x and bounding box (y up).
struct Lit {
    int count = 0;
    double x = 0;
    int left = 1 << 30, right = -1, bottom = 1 << 30, top = -1;
};
inline Lit litPixels(const testsupport::GlContext& gl, int minimum = 40, int fromX = 0, int toX = -1) {
    if (toX < 0) toX = gl.width() - 1;
    const std::vector<std::uint8_t> frame = gl.frame();
    Lit lit;
    for (int row = 0; row < gl.height(); ++row)
        for (int x = fromX; x <= toX; ++x) {
            const std::uint8_t* p = &frame[(std::size_t(row) * gl.width() + x) * 4];
            if (std::max({p[0], p[1], p[2]}) < minimum) continue;
            const int y = gl.height() - 1 - row;
            ++lit.count;
            lit.x += x + 0.5;
            lit.left = std::min(lit.left, x);
            lit.right = std::max(lit.right, x);
            lit.bottom = std::min(lit.bottom, y);
            lit.top = std::max(lit.top, y);
        }
    lit.x /= std::max(lit.count, 1);
    return lit;
}

// An RGBA texture owned by the test, reachable through a key like a loaded
// one. Nearest filtering and repeat wrapping, so single texels can be hit.
// `linearPixels`, when given, becomes the glLinear name so tests can tell
// which of the two names a pass binds.
class TestTexture {
public:
    TestTexture(int width, int height, const std::vector<std::uint8_t>& rgba,
                const std::vector<std::uint8_t>& linearPixels = {}) {
        image.width = width;
        image.height = height;
        image.glMipmap = upload(width, height, rgba);
        image.glLinear = linearPixels.empty() ? image.glMipmap : upload(width, height, linearPixels);
        texture.name = "test";
        texture.imageData = &image;
        key.key = "test";
        key.textureData = &texture;
    }
    ~TestTexture() {
        glDeleteTextures(1, &image.glMipmap);
        if (image.glLinear != image.glMipmap) glDeleteTextures(1, &image.glLinear);
    }
    TestTexture(const TestTexture&) = delete;

    // One opaque texel.
    static std::vector<std::uint8_t> solid(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        return {r, g, b, 255};
    }

    Qu::Image image;
    Qu::Texture texture;
    Qu::TextureKey key;

private:
    static GLuint upload(int width, int height, const std::vector<std::uint8_t>& rgba) {
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        return name;
    }
};

struct Corner {
    double x, y, z;      // world position
    float u = 0, v = 0;  // texture coordinate as stored (negated when drawn)
};

// A model whose records the test owns, with a camera at the origin looking
// along +z (eye coordinates equal world ones). Objects are finished (centred
// and given normals) as the 3DS reader finishes them.
class TestWorld {
public:
    TestWorld() {
        camera = new Qu::Camera;
        camera->reset();
        camera->setEye(Qu::Vector(0, 0, 0));
        camera->setLookAt(Qu::Vector(0, 0, 10));
        model.cameras.add(camera);
    }
    ~TestWorld() {
        for (Qu::Face* f : faces) delete f;
        for (Qu::Vertex* v : vertices) delete v;
        for (Qu::Item* i : items) delete i;
        delete camera;
    }
    TestWorld(const TestWorld&) = delete;

    // Starts a mesh object of the given kind; triangles go into it.
    Qu::Object* object(std::int32_t kind) {
        Qu::Object* o = new Qu::Object;
        o->setKind(kind);
        o->vertexBase = model.vertices.count();
        items.push_back(o);
        model.objects.add(o);
        current = o;
        return o;
    }
    Qu::Face* triangle(const Corner& a, const Corner& b, const Corner& c, Qu::TextureKey* texture = nullptr) {
        const Corner* corners[3] = {&a, &b, &c};
        std::uint32_t index[3];
        for (int i = 0; i < 3; ++i) {
            vertices.push_back(new Qu::Vertex(Qu::Vector(corners[i]->x, corners[i]->y, corners[i]->z)));
            index[i] = std::uint32_t(model.vertices.count());
            model.vertices.add(vertices.back());
            current->vertices.add(vertices.back());
        }
        faces.push_back(new Qu::Face(a.u, a.v, b.u, b.v, c.u, c.v, index[0], index[1], index[2]));
        faces.back()->texture = texture;
        model.faces.add(faces.back());
        current->faces.add(faces.back());
        return faces.back();
    }
    // An axis-aligned square facing the camera (normal toward -z, the
    // viewer) or away from it, centred on (x, y, z) with edge `e`.
    void square(double x, double y, double z, double e, bool facingViewer, Qu::TextureKey* texture = nullptr,
                float u = 0, float v = 0) {
        const double h = e / 2;
        Corner p00{x - h, y - h, z, u, v}, p10{x + h, y - h, z, u, v};
        Corner p11{x + h, y + h, z, u, v}, p01{x - h, y + h, z, u, v};
        triangle(p00, facingViewer ? p01 : p10, p11, texture);
        triangle(p00, p11, facingViewer ? p10 : p01, texture);
    }
    void finish() {
        for (Qu::Item* i : items) {
            if (Qu::Object* o = dynamic_cast<Qu::Object*>(i)) {
                o->centre();
                o->computeNormals();
            }
        }
    }
    // A light (added after what is already in the item list) with diffuse
    // colour (d, d, d) and no ambient.
    Qu::Light* light(std::int32_t glLight, double x, double y, double z, float d = 1.0f) {
        Qu::Light* l = new Qu::Light;
        l->setKind(Qu::kindLight);
        l->glLight = glLight;
        l->position = Qu::Vector(x, y, z);
        l->setColors(d, d, d, 0, 0, 0);
        items.push_back(l);
        model.objects.add(l);
        return l;
    }

    Qu::Model model;
    Qu::Camera* camera;

private:
    Qu::Object* current = nullptr;
    std::vector<Qu::Item*> items;
    std::vector<Qu::Face*> faces;
    std::vector<Qu::Vertex*> vertices;
};

}  // namespace rendertest
