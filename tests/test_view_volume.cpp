// Faces the world passes leave out because they cannot reach the screen:
// every face called outside must light no pixel when GL draws it, the test
// must still catch the faces that are plainly off-screen, and a pass must
// leave GL as drawing every face would have.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
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

int litPixels(const testsupport::GlContext& gl) { return rendertest::litPixels(gl, 1).count; }

class ViewVolume : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(gl.ok());
        rendertest::windowState(width, height);
        render::loadViewFlip();
    }
    // Whether the volume leaves out the face with these eye-space corners.
    bool outside(const Qu::Vector& p, const Qu::Vector& q, const Qu::Vector& r) {
        const Qu::Vertex a(p), b(q), c(r);
        const Qu::Vertex* corners[3] = {&a, &b, &c};
        const std::uint32_t index[3] = {0, 1, 2};
        volume.capture(3);
        return volume.outside(index, corners);
    }
    testsupport::GlContext gl{width, height};
    render::ViewVolume volume;
};

// Triangles of every size scattered around and beyond the view volume:
// behind the eye, beyond the far plane, up to three times wider than the
// view, some straddling its edges. GL draws each; none left out may light a
// pixel, and both kinds must occur often.
TEST_F(ViewVolume, NoFaceItLeavesOutWouldLightAPixel) {
    glDisable(GL_CULL_FACE);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    std::mt19937 random(7);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    int leftOut = 0, drawnAndSeen = 0;
    for (int n = 0; n < 400; ++n) {
        const double z = std::uniform_int_distribution<int>(0, 3)(random) == 0
                             ? unit(random) * 20.0
                             : std::uniform_real_distribution<double>(-30.0, 4600.0)(random);
        const double reach = std::max(z + 1.0, 1.0) * 1.5;   // wider than the 85-degree view
        const Qu::Vector centre(unit(random) * reach * 2.0, unit(random) * reach, z);
        const double size = std::pow(10.0, std::uniform_real_distribution<double>(-1.0, 3.0)(random));
        Qu::Vector corners[3];
        glClear(GL_COLOR_BUFFER_BIT);
        glBegin(GL_TRIANGLES);
        for (Qu::Vector& c : corners) {
            c = Qu::Vector(centre.x + unit(random) * size, centre.y + unit(random) * size,
                           centre.z + unit(random) * size);
            render::vertexOf(c);
        }
        glEnd();
        const int lit = litPixels(gl);
        if (outside(corners[0], corners[1], corners[2])) {
            ++leftOut;
            EXPECT_EQ(lit, 0) << "triangle " << n << " was left out but lights " << lit << " pixels";
        } else if (lit > 0) {
            ++drawnAndSeen;
        }
    }
    EXPECT_GT(leftOut, 80);
    EXPECT_GT(drawnAndSeen, 80);
}

TEST_F(ViewVolume, LeavesOutWhatIsBehindTheEyeOrBeyondTheFarPlaneAndKeepsWhatIsAhead) {
    auto small = [&](double x, double y, double z, double size) {
        return outside(Qu::Vector(x - size, y, z), Qu::Vector(x + size, y, z), Qu::Vector(x, y + size, z));
    };
    EXPECT_TRUE(small(0, 0, -50, 10));      // behind the eye
    EXPECT_TRUE(small(0, 0, -0.5, 0.1));    // between the GL eye and the near plane only
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
// would have left, and after a pass whose last face is drawn, that face's:
// the next thing drawn may rely on them.
TEST_F(ViewVolume, APassLeavesTheStateOfItsLastFaceWhetherDrawnOrLeftOut) {
    for (const std::int32_t kind : {Qu::kindMesh, Qu::kindDoubleSided, Qu::kindTransparent}) {
        for (const bool hiddenLast : {true, false}) {
            if (kind == Qu::kindTransparent && !hiddenLast) continue;   // the nearest is drawn last
            SCOPED_TRACE(::testing::Message() << "kind " << kind << (hiddenLast ? ", hidden last" : ""));
            rendertest::windowState(width, height);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            TestTexture seen(1, 1, TestTexture::solid(1, 200, 0, 0));
            TestTexture hidden(1, 1, TestTexture::solid(1, 0, 200, 0));
            TestWorld world;
            Qu::Object* object = world.object(kind);
            // Behind the eye, in the plane x = 5.
            auto hiddenFace = [&] {
                world.triangle(Corner{5, 0, -30, 0.1f, 0.2f}, Corner{5, 1, -30, 0.3f, 0.4f},
                               Corner{5, 0, -31, 0.625f, 0.75f}, &hidden.key);
            };
            if (!hiddenLast) hiddenFace();
            world.square(0, 0, 20, 4, true, &seen.key, 0.25f, 0.5f);
            if (hiddenLast) hiddenFace();
            world.finish();
            object->setColorBlend(1, 1, 1, 1, 2);
            Renderer renderer;
            renderer.drawWorld(&world.model);
            EXPECT_GT(litPixels(gl), 0);   // the square ahead was drawn

            GLint bound = 0;
            glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
            EXPECT_EQ(GLuint(bound), (hiddenLast ? hidden : seen).image.glMipmap);
            float texture[4] = {}, normal[4] = {};
            glGetFloatv(GL_CURRENT_TEXTURE_COORDS, texture);
            EXPECT_FLOAT_EQ(texture[0], hiddenLast ? -0.625f : -0.25f);
            EXPECT_FLOAT_EQ(texture[1], hiddenLast ? -0.75f : -0.5f);
            // Only the hidden face leaves a normal along x.
            glGetFloatv(GL_CURRENT_NORMAL, normal);
            if (kind != Qu::kindTransparent) {
                EXPECT_NEAR(std::fabs(normal[0]), hiddenLast ? 1.0f : 0.0f, 1e-5f);
            }
        }
    }
}

}  // namespace
