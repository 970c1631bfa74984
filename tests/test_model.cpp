// Model records: construction, centring, normals, placement and lookup.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <random>
#include <tuple>
#include <vector>

#include "resources/model.h"

namespace {

using Qu::Face;
using Qu::Model;
using Qu::Object;
using Qu::Vector;
using Qu::Vertex;

std::vector<double> xyz(const Vector& v) { return {v.x, v.y, v.z}; }

struct ModelTest : ::testing::Test {
    Model* model = new Model;
    ~ModelTest() override { Qu::deleteModel(model); }

    // An object of `model` holding the given points and faces (indices
    // local to the object), laid out as the 3DS reader lays it out.
    Object* mesh(const char* name, const std::vector<Vector>& points,
                 const std::vector<std::array<std::uint32_t, 3>>& faces) {
        Object* object = new Object;
        object->setKind(Qu::kindMesh);
        object->setName(std::strcpy(new char[std::strlen(name) + 1], name));
        object->vertexBase = model->vertices.count();
        model->objects.add(object);
        for (const Vector& p : points) {
            object->vertices.add(new Vertex(p));
            model->vertices.add(object->vertices.last());
        }
        const std::uint32_t base = std::uint32_t(object->vertexBase);
        for (const auto& f : faces) {
            object->faces.add(new Face(0, 0, 0, 0, 0, 0, f[0] + base, f[1] + base, f[2] + base));
            model->faces.add(object->faces.last());
        }
        return object;
    }
};

TEST_F(ModelTest, CentreMovesGeometryOntoTheBoundingBoxCentre) {
    Object* object = mesh("box", {{-2, 1, 5}, {6, 3, 5}, {0, 2, 9}}, {});
    object->matrix.rotation(1.0f, 2.0f, 3.0f);
    object->centre();
    EXPECT_EQ(xyz(object->size), (std::vector<double>{8, 2, 4}));
    EXPECT_EQ(xyz(object->position), (std::vector<double>{2, 2, 7}));
    EXPECT_EQ(xyz(object->homePosition), (std::vector<double>{2, 2, 7}));
    EXPECT_EQ(xyz(object->vertices.at(1)->position), (std::vector<double>{4, 1, -2}));
    for (int i = 0; i < 9; ++i) EXPECT_EQ(object->matrix.m[i], i % 4 == 0 ? 1.0f : 0.0f);
    // eyePosition keeps the loaded point until the renderer writes it.
    EXPECT_EQ(xyz(object->vertices.at(1)->eyePosition), (std::vector<double>{6, 3, 5}));
    Object* empty = mesh("lamp", {}, {});
    empty->centre();
    EXPECT_EQ(xyz(empty->position), (std::vector<double>{0, 0, 0}));
    empty->computeNormals();   // nothing to do, must not fail
}

// The normal of vertex i by a scan over all faces, as the normals are defined:
// the mean of the normals of the faces that use it, normalised.
Vector referenceVertexNormal(Object& object, std::int32_t i) {
    const std::uint32_t index = std::uint32_t(object.vertexBase + i);
    Vector sum(0, 0, 0);
    int count = 0;
    for (std::int32_t f = 0; f < object.faces.count(); ++f) {
        const Face* face = object.faces.at(f);
        const std::uint32_t* c = face->vertexIndex;
        if (c[0] != index && c[1] != index && c[2] != index) continue;
        sum = Vector(sum.x + face->normal.x, sum.y + face->normal.y, sum.z + face->normal.z);
        ++count;
    }
    const double n = std::max(count, 1);
    Vector mean(sum.x / n, sum.y / n, sum.z / n);
    mean.normalise();
    return mean;
}

TEST_F(ModelTest, NormalsEqualThePerVertexScanOnRandomMeshes) {
    std::mt19937 random(1234);
    for (int round = 0; round < 20; ++round) {
        const int vertexCount = 1 + int(random() % 60);
        const int faceCount = int(random() % 120);
        std::vector<Vector> points;
        std::uniform_real_distribution<double> coordinate(-10, 10);
        for (int i = 0; i < vertexCount; ++i)
            points.emplace_back(coordinate(random), coordinate(random), coordinate(random));
        // Small index range per face so that repeats and unused vertices occur.
        std::vector<std::array<std::uint32_t, 3>> faces;
        for (int f = 0; f < faceCount; ++f)
            faces.push_back({std::uint32_t(random() % vertexCount), std::uint32_t(random() % vertexCount),
                             std::uint32_t(random() % vertexCount)});
        // A leading object gives a non-zero vertex base.
        mesh("lead", {{0, 0, 0}}, {});
        Object* object = mesh("random", points, faces);
        object->computeNormals();
        for (int i = 0; i < vertexCount; ++i) {
            const Vector& ours = object->vertices.at(i)->normal;
            const Vector scan = referenceVertexNormal(*object, i);
            ASSERT_EQ(std::tie(ours.x, ours.y, ours.z), std::tie(scan.x, scan.y, scan.z)) << "vertex " << i;
        }
    }
}

TEST_F(ModelTest, PlaceReplacesOrientationAndFindObjectTakesTheFirstExactMatch) {
    Object* first = mesh("tree", {{0, 0, 0}}, {});
    first->place(0.5, 0.0, 0.0, 1, 2, 3);
    first->place(0.0, 0.25, 0.0, 10, 20, 30);
    Qu::Matrix expected;
    expected.rotation(0.0f, 0.25f, 0.0f);
    for (int i = 0; i < 9; ++i) EXPECT_FLOAT_EQ(first->matrix.m[i], expected.m[i]);
    EXPECT_EQ(xyz(first->position), (std::vector<double>{11, 22, 33}));

    mesh("tree", {}, {});
    Object* lamp = mesh("lamp", {}, {});
    EXPECT_EQ(model->findObject("lamp"), lamp);
    for (const char* other : {"Tree", "tre", "trees"}) EXPECT_EQ(model->findObject(other), nullptr);
    // Scenes look names up while walking the list with its cursor.
    std::vector<Qu::Item*> seen;
    model->objects.first();
    while (model->objects.hasMore()) {
        seen.push_back(model->objects.next());
        EXPECT_EQ(model->findObject("tree"), first);
    }
    EXPECT_EQ(seen.size(), 3u);
}

}  // namespace
