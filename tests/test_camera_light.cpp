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

Vector eyeCoordinates(const Camera& camera, const Vector& p) {
    Vector result(0, 0, 0);
    result.transform(p.x - camera.eye.x, p.y - camera.eye.y, p.z - camera.eye.z, camera.matrix);
    return result;
}

TEST(CameraBasis, LookingAlongZIsTheIdentity) {
    Camera camera = cameraAt(Vector(0, 0, 0), Vector(0, 0, 10));
    expectVector(camera.forward, 0, 0, 1);
    expectVector(camera.up, 0, 1, 0);
    expectVector(camera.side, 1, 0, 0);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(camera.matrix.m[i], i % 4 == 0 ? 1.0f : 0.0f);
}

TEST(CameraBasis, ResetLooksFromZOneAlongZ) {
    Camera camera;
    camera.matrix.rotation(0.3f, 0.2f, 0.1f);
    camera.reset();
    for (int i = 0; i < 9; ++i) EXPECT_EQ(camera.matrix.m[i], i % 4 == 0 ? 1.0f : 0.0f);
    expectVector(camera.eye, 0, 0, 1);
    expectVector(camera.lookAt, 0, 0, 1000);
    camera.update();
    expectVector(camera.forward, 0, 0, 1);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(camera.matrix.m[i], i % 4 == 0 ? 1.0f : 0.0f);
}

TEST(CameraBasis, LookingAlongXPutsSideOnMinusZ) {
    Camera camera = cameraAt(Vector(0, 0, 0), Vector(10, 0, 0));
    expectVector(camera.forward, 1, 0, 0);
    expectVector(camera.up, 0, 1, 0);
    expectVector(camera.side, 0, 0, -1);
    expectVector(eyeCoordinates(camera, Vector(10, 0, 0)), 0, 0, 10);
    // Matrix columns are side, up, forward.
    EXPECT_FLOAT_EQ(camera.matrix.m[6], -1.0f);
    EXPECT_FLOAT_EQ(camera.matrix.m[4], 1.0f);
    EXPECT_FLOAT_EQ(camera.matrix.m[2], 1.0f);
}

TEST(CameraBasis, ObliqueViewsGiveAnOrthonormalBasisInSinglePrecision) {
    std::mt19937 random(77);
    std::uniform_real_distribution<double> coordinate(-500, 500);
    for (int round = 0; round < 200; ++round) {
        Vector eye(coordinate(random), coordinate(random), coordinate(random));
        Vector lookAt(coordinate(random), coordinate(random), coordinate(random));
        Camera camera = cameraAt(eye, lookAt);
        for (const Vector* axis : {&camera.forward, &camera.up, &camera.side}) {
            EXPECT_NEAR(dot(*axis, *axis), 1.0, 1e-6);
            // Normalisation works in floats: every component is a float value.
            EXPECT_EQ(axis->x, double(float(axis->x)));
            EXPECT_EQ(axis->y, double(float(axis->y)));
            EXPECT_EQ(axis->z, double(float(axis->z)));
        }
        EXPECT_NEAR(dot(camera.forward, camera.up), 0.0, 1e-5);
        EXPECT_NEAR(dot(camera.forward, camera.side), 0.0, 1e-5);
        EXPECT_NEAR(dot(camera.up, camera.side), 0.0, 1e-5);
        EXPECT_GT(camera.up.y, 0.0);   // world up keeps its sense
        // The look-at point lies straight ahead at its distance.
        const double distance = std::sqrt(dot(Vector(lookAt.x - eye.x, lookAt.y - eye.y, lookAt.z - eye.z),
                                              Vector(lookAt.x - eye.x, lookAt.y - eye.y, lookAt.z - eye.z)));
        const Vector ahead = eyeCoordinates(camera, lookAt);
        EXPECT_NEAR(ahead.x, 0.0, 1e-3);
        EXPECT_NEAR(ahead.y, 0.0, 1e-3);
        EXPECT_NEAR(ahead.z, distance, distance * 1e-6);
        // Handedness as in the look-along-x case: side = up x forward.
        const Vector expectedSide = camera.up.cross(camera.forward);
        EXPECT_NEAR(dot(expectedSide, camera.side), 1.0, 1e-5);
    }
}

TEST(CameraBasis, DegenerateViewsStayZeroInsteadOfNan) {
    for (double sense : {1.0, -1.0}) {
        Camera camera = cameraAt(Vector(0, 0, 0), Vector(0, 20 * sense, 0));
        expectVector(camera.forward, 0, sense, 0);
        expectVector(camera.up, 0, 0, 0);
        expectVector(camera.side, 0, 0, 0);
        for (float m : camera.matrix.m) EXPECT_TRUE(std::isfinite(m));
    }
    Camera still = cameraAt(Vector(3, 4, 5), Vector(3, 4, 5));
    expectVector(still.forward, 0, 0, 0);
    expectVector(still.up, 0, 1, 0);
    expectVector(still.side, 0, 0, 0);
    for (float m : still.matrix.m) EXPECT_TRUE(std::isfinite(m));
}

TEST(LightRecord, StartsUnclassifiedAndSetsColoursDiffuseFirst) {
    Light light;
    EXPECT_EQ(light.kind(), Qu::kindNew);
    EXPECT_EQ(light.name(), nullptr);
    EXPECT_EQ(light.texture, nullptr);
    EXPECT_EQ(light.spriteOnly, 0);
    EXPECT_EQ(light.glLight, 0);
    EXPECT_EQ(light.size, 0.0f);
    expectVector(light.position, 0, 0, 0, 0);
    expectVector(light.offset, 0, 0, 0, 0);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(light.matrix.m[i], i % 4 == 0 ? 1.0f : 0.0f);

    light.setColors(1.0f, 0.9f, 0.8f, 0.3f, 0.2f, 0.1f);
    light.setSize(350.0f);
    EXPECT_FLOAT_EQ(light.diffuse[0], 1.0f);
    EXPECT_FLOAT_EQ(light.diffuse[2], 0.8f);
    EXPECT_FLOAT_EQ(light.ambient[0], 0.3f);
    EXPECT_FLOAT_EQ(light.ambient[2], 0.1f);
    EXPECT_FLOAT_EQ(light.size, 350.0f);
}

TEST(LightTransform, OffsetAddsToPositionInEyeCoordinates) {
    Camera camera = cameraAt(Vector(0, 0, 0), Vector(0, 0, 10));
    Light light;
    light.position = Vector(0, 0, 50);
    light.offset = Vector(30, 30, 30);
    light.transform(&camera);
    expectVector(light.eyePosition, 30, 30, 80);
    // The position is never changed, so repeating the transform is stable.
    light.transform(&camera);
    expectVector(light.eyePosition, 30, 30, 80);
    expectVector(light.position, 0, 0, 50, 0);
    expectVector(light.workPosition, 0, 0, 50, 0);

    light.position = Vector(-10, 5, 20);   // moved within the same frame
    light.transform(&camera);
    expectVector(light.eyePosition, 20, 35, 50);
}

TEST(LightTransform, FollowsTheCameraBasisAndEye) {
    Camera camera = cameraAt(Vector(0, 0, 0), Vector(10, 0, 0));
    Light light;
    light.position = Vector(10, 0, 0);
    light.transform(&camera);
    expectVector(light.eyePosition, 0, 0, 10);

    Camera moved = cameraAt(Vector(0, 0, -100), Vector(0, 0, 0));
    light.position = Vector(7, -3, 0);
    light.transform(&moved);
    expectVector(light.eyePosition, 7, -3, 100);
}

TEST(LightTransform, LightMatrixTurnsOnlyTheOffset) {
    Camera camera = cameraAt(Vector(0, 0, 0), Vector(0, 0, 10));
    Light light;
    light.matrix.rotation(0.0f, 0.0f, float(M_PI / 2));   // x axis onto y
    light.position = Vector(5, 0, 0);
    light.offset = Vector(1, 0, 0);
    light.transform(&camera);
    expectVector(light.eyePosition, 5, 1, 0);
}

}  // namespace
