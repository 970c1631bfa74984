#include "tools/generate/mesh.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace gen {

std::uint32_t MeshBuilder::vertex(Vec3 p, double u, double v) {
    MeshVertex vertex;
    vertex.x = static_cast<float>(p.x);
    vertex.y = static_cast<float>(p.y);
    vertex.z = static_cast<float>(p.z);
    vertex.u = static_cast<float>(u);
    vertex.v = static_cast<float>(v);
    object.vertices.push_back(vertex);
    return static_cast<std::uint32_t>(object.vertices.size() - 1);
}

void MeshBuilder::face(std::uint32_t a, std::uint32_t b, std::uint32_t c) {
    MeshFace face;
    face.a = a;
    face.b = b;
    face.c = c;
    face.material = current;
    object.faces.push_back(face);
}

void MeshBuilder::quad(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
    face(a, b, c);
    face(a, c, d);
}

void MeshBuilder::groupFacesByMaterial() {
    std::vector<std::uint32_t> order;   // materials by first use
    for (const MeshFace& f : object.faces)
        if (std::find(order.begin(), order.end(), f.material) == order.end()) order.push_back(f.material);
    std::stable_sort(object.faces.begin(), object.faces.end(), [&](const MeshFace& x, const MeshFace& y) {
        return std::find(order.begin(), order.end(), x.material) < std::find(order.begin(), order.end(), y.material);
    });
}

void addSurface(MeshBuilder& mesh, int columns, int rows, const std::function<Vec3(double, double)>& f,
                double uScale, double vScale, bool flip) {
    const std::uint32_t first = static_cast<std::uint32_t>(mesh.vertexCount());
    for (int j = 0; j <= rows; ++j)
        for (int i = 0; i <= columns; ++i) {
            const double s = static_cast<double>(i) / columns, t = static_cast<double>(j) / rows;
            mesh.vertex(f(s, t), s * uScale, t * vScale);
        }
    const std::uint32_t stride = static_cast<std::uint32_t>(columns + 1);
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < columns; ++i) {
            const std::uint32_t a = first + j * stride + i, b = a + 1, c = a + stride + 1, d = a + stride;
            if (flip)
                mesh.quad(a, d, c, b);
            else
                mesh.quad(a, b, c, d);
        }
}

void addSphere(MeshBuilder& mesh, Vec3 centre, double radius, int columns, int rows, double uScale, double vScale,
               bool inward) {
    addSurface(
        mesh, columns, rows,
        [&](double s, double t) {
            const double theta = pi * t, phi = 2 * pi * s;  // t = 0 at the bottom (+y)
            return centre + Vec3{radius * std::sin(theta) * std::cos(phi), radius * std::cos(theta),
                                 radius * std::sin(theta) * std::sin(phi)};
        },
        uScale, vScale, inward);
}

void addCylinder(MeshBuilder& mesh, Vec3 base, double radiusBottom, double radiusTop, double height, int columns,
                 int rows, double uScale, double vScale) {
    addSurface(
        mesh, columns, rows,
        [&](double s, double t) {
            const double r = radiusBottom + (radiusTop - radiusBottom) * t, phi = 2 * pi * s;
            return base + Vec3{r * std::cos(phi), -height * t, r * std::sin(phi)};
        },
        uScale, vScale);
}

void addTorus(MeshBuilder& mesh, Vec3 centre, double ringRadius, double tubeRadius, int columns, int rows,
              double uScale, double vScale) {
    addSurface(
        mesh, columns, rows,
        [&](double s, double t) {
            const double phi = 2 * pi * s, psi = 2 * pi * t;
            const double r = ringRadius + tubeRadius * std::cos(psi);
            return centre + Vec3{r * std::cos(phi), -tubeRadius * std::sin(psi), r * std::sin(phi)};
        },
        uScale, vScale);
}

void addBox(MeshBuilder& mesh, Vec3 c, Vec3 h, double uvScale) {
    // Each side: a corner and two edges; the pair is ordered to wind outwards.
    const Vec3 sides[6][3] = {
        {{c.x + h.x, c.y - h.y, c.z - h.z}, {0, 0, 2 * h.z}, {0, 2 * h.y, 0}},    // +x
        {{c.x - h.x, c.y - h.y, c.z - h.z}, {0, 2 * h.y, 0}, {0, 0, 2 * h.z}},    // -x
        {{c.x - h.x, c.y + h.y, c.z - h.z}, {0, 0, 2 * h.z}, {2 * h.x, 0, 0}},    // +y
        {{c.x - h.x, c.y - h.y, c.z - h.z}, {2 * h.x, 0, 0}, {0, 0, 2 * h.z}},    // -y
        {{c.x - h.x, c.y - h.y, c.z + h.z}, {0, 2 * h.y, 0}, {2 * h.x, 0, 0}},    // +z
        {{c.x - h.x, c.y - h.y, c.z - h.z}, {2 * h.x, 0, 0}, {0, 2 * h.y, 0}},    // -z
    };
    for (const auto& side : sides) {
        Vec3 origin = side[0], e1 = side[1], e2 = side[2];
        if (dot(cross(e1, e2), origin + (e1 + e2) * 0.5 - c) < 0) std::swap(e1, e2);
        const double lu = length(e1) * uvScale, lv = length(e2) * uvScale;
        const std::uint32_t a = mesh.vertex(origin, 0, 0);
        const std::uint32_t b = mesh.vertex(origin + e1, lu, 0);
        const std::uint32_t d = mesh.vertex(origin + e1 + e2, lu, lv);
        const std::uint32_t e = mesh.vertex(origin + e2, 0, lv);
        mesh.quad(a, b, d, e);
    }
}

void addPlate(MeshBuilder& mesh, Vec3 c, Vec3 right, Vec3 up, double hw, double hh, double u0, double v0,
              double u1, double v1) {
    // Bottom-left, top-left, top-right, bottom-right: normal up x right faces
    // the viewer.
    const std::uint32_t bl = mesh.vertex(c - right * hw - up * hh, u0, v0);
    const std::uint32_t tl = mesh.vertex(c - right * hw + up * hh, u0, v1);
    const std::uint32_t tr = mesh.vertex(c + right * hw + up * hh, u1, v1);
    const std::uint32_t br = mesh.vertex(c + right * hw - up * hh, u1, v0);
    mesh.quad(bl, tl, tr, br);
}

void addPine(MeshBuilder& mesh, Vec3 foot, double height, double radius, int tiers, std::uint32_t bark,
             std::uint32_t needles, double twist) {
    mesh.useMaterial(bark);
    addCylinder(mesh, foot + Vec3{0, 2, 0}, radius * 0.09, radius * 0.05, height * 0.3, 5, 1, 1, 2);
    mesh.useMaterial(needles);
    const int sides = 7;
    for (int k = 0; k < tiers; ++k) {
        const double f = static_cast<double>(k) / tiers;
        const double bottom = height * (0.15 + 0.8 * f * 0.92);
        const double top = bottom + height * (0.85 - 0.55 * f) * 0.55 + height * 0.1;
        const double r = radius * (1 - 0.75 * f);
        const Vec3 apex = foot + Vec3{0, -std::min(top, height), 0};
        const std::uint32_t tip = mesh.vertex(apex, 0.5, 1.0);
        std::uint32_t ring[sides + 1];
        for (int i = 0; i <= sides; ++i) {
            const double phi = 2 * pi * i / sides + twist + k * 0.7;
            const double droop = (i % 2) ? 0.0 : height * 0.03;
            ring[i] = mesh.vertex(foot + Vec3{r * std::cos(phi), -bottom + droop, r * std::sin(phi)},
                                  static_cast<double>(i) / sides, 0.0);
        }
        // Cone side seen from outside: ring[i], tip, ring[i+1] winds outward.
        for (int i = 0; i < sides; ++i) mesh.face(ring[i + 1], tip, ring[i]);
    }
}

Vec3 screenRight(Vec3 forward) {
    Vec3 r = cross(forward, Vec3{0, 1, 0});
    const double l = length(r);
    return l > 0 ? r * (1 / l) : Vec3{1, 0, 0};
}

}  // namespace gen
