// Faces the world passes leave out because they cannot reach the screen:
// every face called outside must light no pixel when GL draws it, the test
// must still catch the faces that are plainly off-screen, and a pass whose
// last face is left out must leave GL as drawing it would have.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <algorithm>
#include <random>

#include "render/renderer.h"
#include "render/view_volume.h"
#include "render/world_access.h"
#include "render_support.h"
#include "support/gl_context.h"

namespace {

using rendertest::Corner;
using rendertest::TestTexture;
using rendertest::TestWorld;

constexpr int width = 256, height = 192;

int litPixels(const testsupport::GlContext& gl) {
    const std::vector<std::uint8_t> frame = gl.frame();
    int lit = 0;
    for (std::size_t i = 0; i < frame.size(); i += 4)
        if (frame[i] | frame[i + 1] | frame[i + 2]) ++lit;
    return lit;
}

// Triangles of every size scattered around and beyond the view volume:
// behind the eye, beyond the far plane, up to three times wider than the
// view, some straddling its edges.
struct Triangle {
    Qu::Vertex a, b, c;
};
Triangle randomTriangle(std::mt19937& random) {
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    const double z = std::uniform_int_distribution<int>(0, 3)(random) == 0
                         ? unit(random) * 20.0
                         : std::uniform_real_distribution<double>(-30.0, 4600.0)(random);
    const double reach = std::max(z + 1.0, 1.0) * 1.5;   // wider than the 85-degree view
    const Qu::Vector centre(unit(random) * reach * 2.0, unit(random) * reach, z);
    const double size = std::pow(10.0, std::uniform_real_distribution<double>(-1.0, 3.0)(random));
    auto corner = [&] {
        return Qu::Vertex(Qu::Vector(centre.x + unit(random) * size, centre.y + unit(random) * size,
                                     centre.z + unit(random) * size));
    };
    return Triangle{corner(), corner(), corner()};
}

TEST(ViewVolume, NoFaceItLeavesOutWouldLightAPixel) {
    testsupport::GlContext gl(width, height);
    ASSERT_TRUE(gl.ok());
    rendertest::windowState(width, height);
    glDisable(GL_CULL_FACE);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    render::loadViewFlip();
    render::ViewVolume volume;
    const std::uint32_t index[3] = {0, 1, 2};

    std::mt19937 random(7);
    int leftOut = 0, drawnAndSeen = 0;
    for (int n = 0; n < 400; ++n) {
        const Triangle t = randomTriangle(random);
        const Qu::Vertex* corners[3] = {&t.a, &t.b, &t.c};
        glClear(GL_COLOR_BUFFER_BIT);
        glColor3f(1.0f, 1.0f, 1.0f);
        glBegin(GL_TRIANGLES);
        for (const Qu::Vertex* v : corners) render::vertexOf(v->eyePosition);
        glEnd();
        const int lit = litPixels(gl);
        volume.capture(3);
        if (volume.outside(index, corners)) {
            ++leftOut;
            EXPECT_EQ(lit, 0) << "triangle " << n << " was left out but lights " << lit << " pixels";
        } else if (lit > 0) {
            ++drawnAndSeen;
        }
    }
    // Both kinds occur, so the test says something about each.
    EXPECT_GT(leftOut, 80);
    EXPECT_GT(drawnAndSeen, 80);
}

TEST(ViewVolume, LeavesOutWhatIsBehindTheEyeOrBeyondTheFarPlaneAndKeepsWhatIsAhead) {
    testsupport::GlContext gl(width, height);
    ASSERT_TRUE(gl.ok());
    rendertest::windowState(width, height);
    render::loadViewFlip();
    render::ViewVolume volume;
    auto outside = [&](const Qu::Vector& p, const Qu::Vector& q, const Qu::Vector& r) {
        const Qu::Vertex a(p), b(q), c(r);
        const Qu::Vertex* corners[3] = {&a, &b, &c};
        const std::uint32_t index[3] = {0, 1, 2};
        volume.capture(3);
        return volume.outside(index, corners);
    };
    auto small = [&](double x, double y, double z, double size) {
        return outside(Qu::Vector(x - size, y, z), Qu::Vector(x + size, y, z), Qu::Vector(x, y + size, z));
    };
    EXPECT_TRUE(small(0, 0, -50, 10));      // behind the eye
    EXPECT_TRUE(small(0, 0, 5000, 10));     // beyond the far plane (4200)
    EXPECT_TRUE(small(500, 0, 100, 10));    // far off to one side
    EXPECT_FALSE(small(0, 0, 100, 10));     // straight ahead
    EXPECT_FALSE(small(0, 0, 100, 5000));   // reaching across the whole view
    // From behind the eye into the view, and from beyond one side to beyond
    // the other: every corner is outside, but not outside the same plane.
    EXPECT_FALSE(outside(Qu::Vector(0, 0, -50), Qu::Vector(10, 0, 100), Qu::Vector(0, 10, 100)));
    EXPECT_FALSE(outside(Qu::Vector(-500, 0, 100), Qu::Vector(500, 0, 100), Qu::Vector(0, 5, 100)));
}

// After a pass whose last face is off-screen, the bound texture and the
// current normal and texture coordinates are those that drawing that face
// would have left; the next thing drawn may rely on them.
TEST(ViewVolume, APassEndingOnAFaceLeftOutLeavesThatFacesState) {
    testsupport::GlContext gl(width, height);
    ASSERT_TRUE(gl.ok());
    for (const std::int32_t kind : {Qu::kindMesh, Qu::kindDoubleSided, Qu::kindTransparent}) {
        SCOPED_TRACE(kind);
        rendertest::windowState(width, height);
        TestTexture seen(1, 1, TestTexture::solid(1, 200, 0, 0));
        TestTexture hidden(1, 1, TestTexture::solid(1, 0, 200, 0));
        TestWorld world;
        Qu::Object* object = world.object(kind);
        world.square(0, 0, 20, 4, true, &seen.key, 0.25f, 0.5f);
        // Behind the eye: last in the object's list and, being nearest,
        // last in the far-to-near transparent order.
        world.triangle(Corner{5, 0, -30, 0.1f, 0.2f}, Corner{5, 1, -30, 0.3f, 0.4f},
                       Corner{5, 0, -31, 0.625f, 0.75f}, &hidden.key);
        world.finish();
        object->setColorBlend(1, 1, 1, 1, 2);
        Renderer renderer;
        renderer.drawWorld(&world.model);

        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(GLuint(bound), hidden.image.glMipmap);
        float texture[4] = {};
        glGetFloatv(GL_CURRENT_TEXTURE_COORDS, texture);
        EXPECT_FLOAT_EQ(texture[0], -0.625f);
        EXPECT_FLOAT_EQ(texture[1], -0.75f);
        EXPECT_GT(litPixels(gl), 0);   // the square ahead was drawn
        if (kind != Qu::kindTransparent) {
            // The hidden triangle lies in the plane x = 5, the square ahead
            // faces the eye: only the hidden one leaves a normal along x.
            float normal[4] = {};
            glGetFloatv(GL_CURRENT_NORMAL, normal);
            EXPECT_NEAR(std::fabs(normal[0]), 1.0f, 1e-5f);
        }
    }
}

}  // namespace
