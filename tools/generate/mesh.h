#pragma once
// Mesh building in engine coordinates (-y is up). A face (a, b, c) is seen
// from the side its normal (b - a) x (c - a) points to; every primitive here
// winds its faces with that normal pointing outwards (for a grid: along
// axisU x axisV).
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>

#include "tools/generate/model_writer.h"

namespace gen {

struct Vec3 {
    double x = 0, y = 0, z = 0;
};
inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, double k) { return {a.x * k, a.y * k, a.z * k}; }
inline Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline double length(Vec3 a) { return std::sqrt(dot(a, a)); }

constexpr double pi = 3.14159265358979323846;

class MeshBuilder {
public:
    explicit MeshBuilder(std::string name) { object.name = std::move(name); }
    std::uint32_t vertex(Vec3 p, double u, double v);
    void face(std::uint32_t a, std::uint32_t b, std::uint32_t c);
    void quad(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d);  // a-b-c, a-c-d
    void useMaterial(std::uint32_t material) { current = material; }
    // Reorders the faces so that each material's come together, materials in
    // the order of their first face, faces of one material in the order they
    // were added. The demo binds a face's texture before drawing it, and a
    // texture change costs far more than a face; an object that alternates
    // materials (trees: trunk, crown, trunk...) pays it on every face.
    void groupFacesByMaterial();
    std::size_t faceCount() const { return object.faces.size(); }
    std::size_t vertexCount() const { return object.vertices.size(); }
    MeshObject& mesh() { return object; }

private:
    MeshObject object;
    std::uint32_t current = 0;
};

// A (columns + 1) x (rows + 1) grid of shared vertices, row by row: point
// f(s, t) with s, t in [0, 1], texture (uScale * s, vScale * t). Faces are
// wound with normal ds x dt (flip reverses). Vertices in list order run
// along s first, which the demo's per-vertex waves step through.
void addSurface(MeshBuilder& mesh, int columns, int rows, const std::function<Vec3(double, double)>& f,
                double uScale, double vScale, bool flip = false);

// Surfaces of revolution about the vertical axis through `base`, t running
// upwards (towards -y); outward normals.
void addSphere(MeshBuilder& mesh, Vec3 centre, double radius, int columns, int rows, double uScale = 1,
               double vScale = 1, bool inward = false);
void addCylinder(MeshBuilder& mesh, Vec3 base, double radiusBottom, double radiusTop, double height,
                 int columns, int rows, double uScale = 1, double vScale = 1);
void addTorus(MeshBuilder& mesh, Vec3 centre, double ringRadius, double tubeRadius, int columns, int rows,
              double uScale = 1, double vScale = 1);
// Axis-aligned box, outward faces, texture repeated `uvScale` times per unit.
void addBox(MeshBuilder& mesh, Vec3 centre, Vec3 half, double uvScale);
// A flat rectangle seen upright by a viewer whose screen-right is `right` and
// screen-up is `up` (unit vectors); texture rectangle (u0, v0)-(u1, v1)
// runs left to right and bottom to top as that viewer sees it.
void addPlate(MeshBuilder& mesh, Vec3 centre, Vec3 right, Vec3 up, double halfWidth, double halfHeight,
              double u0 = 0, double v0 = 0, double u1 = 1, double v1 = 1);
// A pine: trunk and `tiers` drooping cones, foot at `foot`.
void addPine(MeshBuilder& mesh, Vec3 foot, double height, double radius, int tiers, std::uint32_t barkMaterial,
             std::uint32_t needleMaterial, double twist);

// Screen-right of a viewer looking along `forward` with the engine's up.
Vec3 screenRight(Vec3 forward);

}  // namespace gen
