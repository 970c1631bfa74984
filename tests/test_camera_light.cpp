// Cameras and lights: the camera basis (including degenerate views) and the
// light's eye position.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "resources/camera.h"
#include "resources/light.h"

namespace {

using Qu::Camera;
using Qu::Light;
using Qu::Vector;

void expectVector(const Vector& v, double x, double y, double z, double tolerance = 1e-6) {
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

double dot(const Vector& a, const Vector& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

Camera cameraAt(Vector eye, Vector lookAt) {
    Camera camera;
    camera.reset();
    camera.setEye(eye);
    camera.setLookAt(lookAt);
    camera.update();
    return camera;
}

TEST(CameraBasis, AxesOfPlainDegenerateAndObliqueViews) {
    Camera reset;
    reset.matrix.rotation(0.3f, 0.2f, 0.1f);
    reset.reset();
    expectVector(reset.eye, 0, 0, 1);
    expectVector(reset.lookAt, 0, 0, 1000);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(reset.matrix.m[i], i % 4 == 0 ? 1.0f : 0.0f);

    // Looking straight up or down, or from the look-at point itself, leaves
    // zero axes instead of NaN.
    const struct {
        Vector lookAt;
        double forward[3], up[3], side[3];
    } views[] = {{Vector(0, 0, 10), {0, 0, 1}, {0, 1, 0}, {1, 0, 0}},
                 {Vector(10, 0, 0), {1, 0, 0}, {0, 1, 0}, {0, 0, -1}},
                 {Vector(0, 20, 0), {0, 1, 0}, {0, 0, 0}, {0, 0, 0}},
                 {Vector(0, -20, 0), {0, -1, 0}, {0, 0, 0}, {0, 0, 0}},
                 {Vector(0, 0, 0), {0, 0, 0}, {0, 1, 0}, {0, 0, 0}}};
    for (const auto& view : views) {
        const Camera c = cameraAt(Vector(0, 0, 0), view.lookAt);
        expectVector(c.forward, view.forward[0], view.forward[1], view.forward[2]);
        expectVector(c.up, view.up[0], view.up[1], view.up[2]);
        expectVector(c.side, view.side[0], view.side[1], view.side[2]);
    }

    std::mt19937 random(77);
    std::uniform_real_distribution<double> coordinate(-500, 500);
    for (int round = 0; round < 100; ++round) {
        const Vector eye(coordinate(random), coordinate(random), coordinate(random));
        const Vector lookAt(coordinate(random), coordinate(random), coordinate(random));
        const Camera c = cameraAt(eye, lookAt);
        for (const Vector* axis : {&c.forward, &c.up, &c.side}) {
            EXPECT_NEAR(dot(*axis, *axis), 1.0, 1e-6);
            EXPECT_EQ(axis->y, double(float(axis->y)));   // normalised in single precision
        }
        EXPECT_NEAR(dot(c.forward, c.up), 0.0, 1e-5);
        EXPECT_GT(c.up.y, 0.0);   // world up keeps its sense
        EXPECT_NEAR(dot(c.up.cross(c.forward), c.side), 1.0, 1e-5);   // side = up x forward
        // The matrix takes the look-at point straight ahead, at its distance.
        const Vector d(lookAt.x - eye.x, lookAt.y - eye.y, lookAt.z - eye.z);
        Vector ahead(0, 0, 0);
        ahead.transform(d.x, d.y, d.z, c.matrix);
        expectVector(ahead, 0, 0, std::sqrt(dot(d, d)), 1e-3);
    }
}

TEST(LightTransform, PositionFollowsTheCameraAndTheOffsetTurnsWithTheLight) {
    Light light;
    light.setColors(1.0f, 0.9f, 0.8f, 0.3f, 0.2f, 0.1f);
    EXPECT_FLOAT_EQ(light.diffuse[1], 0.9f);
    EXPECT_FLOAT_EQ(light.ambient[1], 0.2f);

    Camera ahead = cameraAt(Vector(0, 0, 0), Vector(0, 0, 10));
    light.position = Vector(0, 0, 50);
    light.offset = Vector(30, 30, 30);
    light.transform(&ahead);
    light.transform(&ahead);   // the position is never changed: repeating is stable
    expectVector(light.eyePosition, 30, 30, 80);
    expectVector(light.position, 0, 0, 50, 0);

    Camera moved = cameraAt(Vector(0, 4, -100), Vector(100, 4, -100));
    light.offset = Vector(0, 0, 0);
    light.position = Vector(10, -3, 7);
    light.transform(&moved);
    expectVector(light.eyePosition, -107, -7, 10);

    light.matrix.rotation(0.0f, 0.0f, float(M_PI / 2));   // x axis onto y
    light.position = Vector(5, 0, 0);
    light.offset = Vector(1, 0, 0);
    light.transform(&ahead);
    expectVector(light.eyePosition, 5, 1, 0);
}

}  // namespace
