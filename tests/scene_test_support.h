#pragma once
// Helpers for the scene tests: model and texture files the scenes load
// (written into a data folder the test enters), a fixture that owns the GL
// context, library and renderer, and the screen quads a frame draws, read
// back through GL feedback. Header-only.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/vector.h"
#include "platform/message_box.h"
#include "render/renderer.h"
#include "render_support.h"
#include "resources/model.h"
#include "resources/texture_library.h"
#include "scenes/scene_framework.h"
#include "support/gl_context.h"
#include "support/paths.h"

namespace scenetest {

using Bytes = std::vector<std::uint8_t>;

// A mesh in engine coordinates (the file stores (x, z, -y)).
struct Mesh {
    std::string name;
    std::vector<std::array<float, 3>> points;
    std::vector<std::array<unsigned, 3>> faces;
};

// A square of edge 2e centred on (x, y, z), facing -z: two faces.
inline Mesh square(const std::string& name, float x, float y, float z, float e = 1.0f) {
    return {name,
            {{x - e, y - e, z}, {x + e, y - e, z}, {x + e, y + e, z}, {x - e, y + e, z}},
            {{0, 3, 2}, {0, 2, 1}}};
}

// Two crossed squares of edge `edge` (one across z, one across x): seen from
// any side, centred on (x, y, z), which becomes the loaded position.
inline Mesh crossed(const std::string& name, float x = 0, float y = 0, float z = 0,
                    float edge = 20) {
    const float h = edge / 2;
    return {name,
            {{x - h, y - h, z}, {x + h, y - h, z}, {x + h, y + h, z}, {x - h, y + h, z},
             {x, y - h, z - h}, {x, y - h, z + h}, {x, y + h, z + h}, {x, y + h, z - h}},
            {{0, 1, 2}, {0, 2, 3}, {4, 5, 6}, {4, 6, 7}}};
}

inline void put16(Bytes& out, unsigned value) {
    out.push_back(std::uint8_t(value));
    out.push_back(std::uint8_t(value >> 8));
}
inline void put32(Bytes& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(value >> (8 * i)));
}
inline Bytes chunk(unsigned id, const Bytes& body) {
    Bytes out;
    put16(out, id);
    put32(out, std::uint32_t(6 + body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}
inline void append(Bytes& to, const Bytes& more) { to.insert(to.end(), more.begin(), more.end()); }

inline Bytes encode3ds(const std::vector<Mesh>& meshes) {
    Bytes editor;
    for (const Mesh& mesh : meshes) {
        Bytes points, mapping, faces;
        put16(points, unsigned(mesh.points.size()));
        put16(mapping, unsigned(mesh.points.size()));
        for (const auto& p : mesh.points) {
            for (float f : {p[0], p[2], -p[1]}) {
                std::uint32_t bits;
                std::memcpy(&bits, &f, 4);
                put32(points, bits);
            }
            put32(mapping, 0);
            put32(mapping, 0);
        }
        put16(faces, unsigned(mesh.faces.size()));
        for (const auto& f : mesh.faces)
            for (unsigned index : {f[0], f[1], f[2], 0u}) put16(faces, index);
        Bytes mesh3d = chunk(0x4110, points);
        append(mesh3d, chunk(0x4140, mapping));
        append(mesh3d, chunk(0x4120, faces));
        Bytes object(mesh.name.begin(), mesh.name.end());
        object.push_back(0);
        append(object, chunk(0x4100, mesh3d));
        append(editor, chunk(0x4000, object));
    }
    return chunk(0x4D4D, chunk(0x3D3D, editor));
}

// A 2 x 2 uncompressed 24-bit TGA of one grey.
inline Bytes solidTga(std::uint8_t grey) {
    Bytes tga(18, 0);
    tga[2] = 2;
    tga[12] = tga[14] = 2;
    tga[16] = 24;
    tga.resize(18 + 2 * 2 * 3, grey);
    return tga;
}

inline void expectVector(const Qu::Vector& v, double x, double y, double z, double tolerance = 1e-3) {
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

// The pixels of the frame whose red, green and blue pass `keep`.
template <class Keep>
int countPixels(const testsupport::GlContext& gl, Keep keep) {
    const std::vector<std::uint8_t> frame = gl.frame();
    int count = 0;
    for (std::size_t i = 0; i + 3 < frame.size(); i += 4) count += keep(int(frame[i]), int(frame[i + 1]), int(frame[i + 2]));
    return count;
}
// The colour of the build-up wireframe (0.6, 0.6, 0.8): bluish.
inline bool wire(int r, int, int b) { return b >= 150 && b - r >= 30; }
// Pixels with a channel above `level`.
inline int pixelsAbove(const testsupport::GlContext& gl, int level) {
    return countPixels(gl, [level](int r, int g, int b) { return std::max({r, g, b}) > level; });
}

// A screen quad: its rectangle on the quad plane, its alpha and (in an
// overlay list, not read back from GL) its mode.
struct Quad {
    float x1, y1, x2, y2, alpha;
    int mode = -1;
};
inline void PrintTo(const Quad& q, std::ostream* out) {
    *out << "[" << q.x1 << ", " << q.y1 << " .. " << q.x2 << ", " << q.y2 << " a " << q.alpha << "]";
}

// Lines a frame drew (the build-up wireframe draws four per face) and
// polygons off the quad plane (world faces, solid build-up, sprites).
struct Counts {
    int lines = 0, polygons = 0;
};

// The screen quads `draw` sends to GL, in drawing order, recovered from
// feedback: the texture coordinates that survive clipping give the whole
// rectangle even when it reaches past the screen, and the colour (a, a, a, a)
// gives the alpha (clamped to 0..1 as GL clamps it). Polygons off the quad
// plane (world faces, sprites) are left out.
template <class Draw>
std::vector<Quad> drawnQuads(Draw draw, Counts* counts = nullptr) {
    Counts ignored;
    if (!counts) counts = &ignored;
    double projection[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    GLint view[4];
    glGetIntegerv(GL_VIEWPORT, view);
    // The plane lies 951 units ahead of the GL eye; its window depth:
    const double planeDepth = 0.5 + 0.5 * (projection[10] * -951.0 + projection[14]) / 951.0;
    const double unitsPerPixelX = 951.0 / projection[0] / (view[2] / 2.0);
    const double unitsPerPixelY = 951.0 / projection[5] / (view[3] / 2.0);
    std::vector<GLfloat> buffer(1 << 20);
    glFeedbackBuffer(GLsizei(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);   // -1 on overflow: no quads
    std::vector<Quad> quads;
    const int stride = 11;   // x y z, r g b a, s t r q
    for (GLint i = 0; i < used;) {
        const int token = int(buffer[std::size_t(i++)]);
        int count = 0;
        if (token == GL_POLYGON_TOKEN) count = int(buffer[std::size_t(i++)]);
        else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) count = 2;
        else if (token == GL_PASS_THROUGH_TOKEN) { ++i; continue; }
        else count = 1;   // points, bitmaps, pixel rectangles
        const GLfloat* v = &buffer[std::size_t(i)];
        i += count * stride;
        if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) ++counts->lines;
        if (token != GL_POLYGON_TOKEN) continue;
        if (std::fabs(v[2] - planeDepth) > 1e-5) {
            ++counts->polygons;
            continue;
        }
        // The two corners farthest apart in s (and in t) fix the rectangle.
        int sa = 0, sb = 0, ta = 0, tb = 0;
        for (int k = 0; k < count; ++k) {
            const GLfloat* p = v + k * stride;
            if (p[7] < v[sa * stride + 7]) sa = k;
            if (p[7] > v[sb * stride + 7]) sb = k;
            if (p[8] < v[ta * stride + 8]) ta = k;
            if (p[8] > v[tb * stride + 8]) tb = k;
        }
        const GLfloat *a = v + sa * stride, *b = v + sb * stride, *c = v + ta * stride, *d = v + tb * stride;
        if (b[7] - a[7] < 1e-6f || d[8] - c[8] < 1e-6f) continue;
        const double width = (b[0] - a[0]) / (b[7] - a[7]), height = (d[1] - c[1]) / (d[8] - c[8]);
        const double left = a[0] - a[7] * width, bottom = c[1] - c[8] * height;
        auto planeX = [&](double x) { return float((x - view[2] / 2.0) * unitsPerPixelX); };
        auto planeY = [&](double y) { return float((y - view[3] / 2.0) * unitsPerPixelY); };
        const Quad quad{planeX(left), planeY(bottom), planeX(left + width), planeY(bottom + height), v[6], -1};
        // The second triangle of a quad gives the same rectangle again.
        // (Far past the screen the few texels left make it less exact.)
        const float near = 0.5f + 2e-4f * std::fabs(quad.x2);
        const bool same = !quads.empty() && std::fabs(quads.back().x1 - quad.x1) < near &&
                          std::fabs(quads.back().x2 - quad.x2) < near &&
                          std::fabs(quads.back().y1 - quad.y1) < near &&
                          std::fabs(quads.back().y2 - quad.y2) < near &&
                          std::fabs(quads.back().alpha - quad.alpha) < 1e-4f;
        if (!same) quads.push_back(quad);
    }
    return quads;
}

// A scene test: the demo window's GL state, a fresh temporary folder with an
// empty data/ in it made the current folder (for the scenes' "data//..."
// paths, removed at the end), a texture library and a renderer; message
// boxes are recorded, not shown.
class SceneTest : public ::testing::Test {
protected:
    SceneTest() : folder(testsupport::makeTempDir()), previous(std::filesystem::current_path()) {
        std::filesystem::create_directory(folder + "/data");
        std::filesystem::current_path(folder);
        platform::recordMessageBoxes(true);
        rendertest::windowState();
        // The demo's window has no alpha bits, which the darkening fade
        // relies on: keep the offscreen frame's alpha at 1 like it.
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
    }
    ~SceneTest() override {
        platform::recordMessageBoxes(false);
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(folder);
    }

    // Writes data/<name> (a path relative to the data folder).
    void write(const std::string& name, const Bytes& bytes) const {
        std::ofstream out(folder + "/data/" + name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    void model(const char* file, const std::vector<Mesh>& meshes) { write(file, encode3ds(meshes)); }
    // Writes data/<key>.tga in one colour and loads it under its key, as the
    // shell loads the shared textures before any scene.
    void texture(const char* key, std::uint8_t grey = 255) {
        write(std::string(key) + ".tga", solidTga(grey));
        library.load(key, (std::string("data//") + key + ".tga").c_str(), key, 0);
    }

    testsupport::GlContext gl;
    const std::string folder;
    const std::filesystem::path previous;
    Qu::TextureLibrary library;
    Renderer renderer;
};

}  // namespace scenetest
