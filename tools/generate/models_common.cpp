// Pieces several scene models share: sky, hills, forest, water, ground,
// the wall, the tall figure, the laser and the small named props.
#include <algorithm>
#include <cstring>

#include "tools/generate/models.h"
#include "tools/generate/noise.h"

namespace gen {

std::uint32_t ModelKit::material(const char* key, const char* mapFile) {
    for (std::size_t i = 0; i < model.materials.size(); ++i)
        if (model.materials[i].name == key) return static_cast<std::uint32_t>(i);
    Material3ds material;
    material.name = key;
    material.mapFile = mapFile ? mapFile : std::string(key) + ".tga";
    model.materials.push_back(material);
    return static_cast<std::uint32_t>(model.materials.size() - 1);
}

void addStarDome(ModelKit& kit, Vec3 centre, double radius) {
    MeshBuilder mesh("stc");
    mesh.useMaterial(kit.material("nightsky"));
    addSphere(mesh, centre, radius, 32, 16, 2, 1, true);
    kit.add(mesh);
}

void addCloudDeck(ModelKit& kit, Vec3 centre, double halfSize, int repeats) {
    MeshBuilder mesh("sky1");
    mesh.useMaterial(kit.material("clouds"));
    // s along +x, t along -z: faces down towards the viewer below.
    addSurface(
        mesh, 16, 16, [&](double s, double t) { return centre + Vec3{(2 * s - 1) * halfSize, 0, (1 - 2 * t) * halfSize}; },
        repeats, repeats);
    kit.add(mesh);
}

void addHillRing(ModelKit& kit, const char* name, Vec3 centre, double radius, double height, std::uint32_t seed,
                 const char* material) {
    MeshBuilder mesh(name);
    mesh.useMaterial(kit.material(material));
    addSurface(
        mesh, 128, 3,
        [&](double s, double t) {
            const double crest = height * (0.35 + 0.65 * tileFbm(s, 0.5, 6, 4, 0.55, seed));
            const double wobble = radius * (1 + 0.06 * (tileFbm(s, 0.2, 4, 2, 0.5, seed + 1) - 0.5));
            const double phi = 2 * pi * s;
            return centre + Vec3{wobble * std::cos(phi), -crest * t, wobble * std::sin(phi)};
        },
        12, 1);
    kit.add(mesh);
}

void addForest(ModelKit& kit, const char* prefix, double x0, double z0, double x1, double z1, double groundY,
               int count, double minHeight, double maxHeight, std::uint32_t seed, bool (*keepOut)(double, double)) {
    Rng rng(seed);
    const std::uint32_t bark = kit.material("bark"), needles = kit.material("needles");
    int part = 0, inPart = 0, placed = 0, attempts = 0;
    MeshBuilder mesh(std::string(prefix) + "1");
    while (placed < count && attempts < count * 20) {
        ++attempts;
        const double x = rng.range(x0, x1), z = rng.range(z0, z1);
        const double height = rng.range(minHeight, maxHeight), twist = rng.range(0, 2 * pi);
        if (keepOut && keepOut(x, z)) continue;
        addPine(mesh, Vec3{x, groundY, z}, height, height * rng.range(0.22, 0.3), 3 + rng.below(2), bark, needles, twist);
        ++placed;
        if (++inPart == 60) {
            mesh.groupFacesByMaterial();
            kit.add(mesh);
            mesh = MeshBuilder(std::string(prefix) + std::to_string(++part + 1));
            inPart = 0;
        }
    }
    if (inPart > 0) {
        mesh.groupFacesByMaterial();
        kit.add(mesh);
    }
}

void addWaterGrid(ModelKit& kit, const char* name, const char* material, double x0, double z0, double x1, double z1,
                  double y, int columns, int rows, double repeats, double pathX) {
    MeshBuilder mesh(name);
    mesh.useMaterial(kit.material(material));
    addSurface(
        mesh, columns, rows, [&](double s, double t) { return Vec3{x0 + (x1 - x0) * s, y, z0 + (z1 - z0) * t}; }, 1, 1);
    const double alongZ = repeats / (z1 - z0), acrossX = 1 / (2 * (x1 - x0));
    for (MeshVertex& v : mesh.mesh().vertices) {
        const double along = (v.z - z0) * alongZ, across = (v.x - pathX) * acrossX;
        // The picture's stripe u + (1 - v) = 0.5 (mod 1) lies on x = pathX.
        v.u = static_cast<float>(along + across + 0.25);
        v.v = static_cast<float>(along - across - 0.25);
    }
    kit.add(mesh);
}

void addGround(ModelKit& kit, const char* name, double x0, double z0, double x1, double z1, double y, double bumps,
               int cells, std::uint32_t seed, const char* material, bool (*sunk)(double, double), double sunkY) {
    MeshBuilder mesh(name);
    mesh.useMaterial(kit.material(material));
    addSurface(
        mesh, cells, cells,
        [&](double s, double t) {
            const double x = x0 + (x1 - x0) * s, z = z0 + (z1 - z0) * t;
            if (sunk && sunk(x, z)) return Vec3{x, sunkY, z};
            return Vec3{x, y + bumps * (tileFbm(s, t, 4, 3, 0.5, seed) - 0.5), z};
        },
        (x1 - x0) / 120, (z1 - z0) / 120);
    kit.add(mesh);
}

void addStoneWall(ModelKit& kit, Vec3 centre, Vec3 half) {
    MeshBuilder mesh("wall");
    mesh.useMaterial(kit.material("stone"));
    addBox(mesh, centre, half, 1.0 / std::max(20.0, std::min({half.x, half.y, half.z}) * 4));
    kit.add(mesh);
}

void addUkko(ModelKit& kit, Vec3 foot, double height) {
    const double k = height / 200;  // proportions of a 200-unit figure, 54 wide
    MeshBuilder mesh("ukko");
    mesh.useMaterial(kit.material("runes"));
    addCylinder(mesh, foot + Vec3{-9 * k, 0, 0}, 7 * k, 8 * k, 85 * k, 8, 4, 1, 2);      // legs
    addCylinder(mesh, foot + Vec3{9 * k, 0, 0}, 7 * k, 8 * k, 85 * k, 8, 4, 1, 2);
    addCylinder(mesh, foot + Vec3{0, -80 * k, 0}, 20 * k, 24 * k, 80 * k, 12, 6, 2, 3);  // robe and chest
    addCylinder(mesh, foot + Vec3{-22 * k, -85 * k, 0}, 4 * k, 5 * k, 72 * k, 8, 4, 1, 2); // arms
    addCylinder(mesh, foot + Vec3{22 * k, -85 * k, 0}, 4 * k, 5 * k, 72 * k, 8, 4, 1, 2);
    addSphere(mesh, foot + Vec3{0, -174 * k, 0}, 12 * k, 12, 8, 1, 1);                    // head
    addCylinder(mesh, foot + Vec3{0, -170 * k, 0}, 16 * k, 1 * k, 30 * k, 12, 2, 1, 1);  // hood
    kit.add(mesh);
}

void addLaser(ModelKit& kit, Vec3 centre, Vec3 axis, double len, int sides, int segments) {
    MeshBuilder mesh("laser");
    mesh.useMaterial(kit.material("crystal"));
    Vec3 helper = std::fabs(axis.y) < 0.9 ? Vec3{0, 1, 0} : Vec3{1, 0, 0};
    Vec3 a = cross(axis, helper);
    a = a * (1 / length(a));
    const Vec3 b = cross(axis, a);  // a x b = axis: ds x dt points outwards
    const double radius = len * 0.05;
    addSurface(
        mesh, sides, segments,
        [&](double s, double t) {
            const double r = radius * std::max(0.08, std::sqrt(std::sin(pi * t)));
            const double phi = 2 * pi * s;
            return centre + axis * ((t - 0.5) * len) + (a * std::cos(phi) + b * std::sin(phi)) * r;
        },
        1, 4);
    kit.add(mesh);
}

namespace {

// Front and back of a plate, each reading correctly from its own side.
void addTwoSidedPlate(MeshBuilder& mesh, Vec3 centre, Vec3 right, Vec3 up, double hw, double hh, double v0, double v1) {
    addPlate(mesh, centre, right, up, hw, hh, 0, v0, 1, v1);
    addPlate(mesh, centre, right * -1, up, hw, hh, 0, v0, 1, v1);
}

}  // namespace

void addProps(ModelKit& kit, Vec3 starAt, Vec3 textsAt, Vec3 faceAt, Vec3 logo1At, Vec3 logo2At, double scale,
              Vec3 view, int logo2Columns) {
    const Vec3 right = screenRight(view), up{0, -1, 0};
    {
        // A five-pointed star, both faces and its rim.
        MeshBuilder mesh("star");
        mesh.useMaterial(kit.material("gold"));
        const double outer = 10 * scale, inner = 4 * scale, depth = 2 * scale;
        std::uint32_t front[10], back[10];
        for (int i = 0; i < 10; ++i) {
            const double r = i % 2 ? inner : outer, a = pi * i / 5 - pi / 2;
            front[i] = mesh.vertex(starAt + Vec3{r * std::cos(a), r * std::sin(a), -depth}, 0.5 + 0.5 * std::cos(a), 0.5 + 0.5 * std::sin(a));
            back[i] = mesh.vertex(starAt + Vec3{r * std::cos(a), r * std::sin(a), depth}, 0.5 + 0.5 * std::cos(a), 0.5 + 0.5 * std::sin(a));
        }
        const std::uint32_t cf = mesh.vertex(starAt + Vec3{0, 0, -depth * 2.5}, 0.5, 0.5);
        const std::uint32_t cb = mesh.vertex(starAt + Vec3{0, 0, depth * 2.5}, 0.5, 0.5);
        for (int i = 0; i < 10; ++i) {
            const int j = (i + 1) % 10;
            mesh.face(cf, front[i], front[j]);
            mesh.face(cb, back[j], back[i]);
            mesh.quad(front[j], front[i], back[i], back[j]);
        }
        kit.add(mesh);
    }
    {
        MeshBuilder mesh("texts");
        mesh.useMaterial(kit.material("plates"));
        addTwoSidedPlate(mesh, textsAt, right, up, 48 * scale, 12 * scale, 0.5, 0.75);
        kit.add(mesh);
    }
    {
        MeshBuilder mesh("face");
        mesh.useMaterial(kit.material("crystal"));
        addSphere(mesh, faceAt, 8 * scale, 6, 4, 2, 1);  // a faceted gem
        kit.add(mesh);
    }
    {
        MeshBuilder mesh("logo1");
        mesh.useMaterial(kit.material("logo"));
        addTwoSidedPlate(mesh, logo1At, right, up, 40 * scale, 10 * scale, 0, 1);
        kit.add(mesh);
    }
    {
        MeshBuilder mesh("logo2");
        mesh.useMaterial(kit.material("logo"));
        addSphere(mesh, logo2At, 12 * scale, logo2Columns, logo2Columns / 2, 3, 1);
        kit.add(mesh);
    }
}

}  // namespace gen
