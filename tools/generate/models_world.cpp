// The models away from the forest: the fog island (asmtest2), the
// greetings hall (scenery), space and the earth.
#include <cmath>

#include "tools/generate/models.h"
#include "tools/generate/noise.h"

namespace gen {
namespace {

void addBall(ModelKit& kit, const char* name, Vec3 centre, double radius, int columns, int rows) {
    MeshBuilder mesh(name);
    mesh.useMaterial(kit.material("metal"));
    addSphere(mesh, centre, radius, columns, rows, 4, 2);
    kit.add(mesh);
}

void addRing(ModelKit& kit, const char* name, const char* material, Vec3 centre, double ring, double tube, int columns,
             int rows) {
    MeshBuilder mesh(name);
    mesh.useMaterial(kit.material(material));
    addTorus(mesh, centre, ring, tube, columns, rows, 8, 1);
    kit.add(mesh);
}

// The small craft: a saucer of `radius` about the vertical axis. Faces wind
// inwards when `inward` (kind 16 lights the side opposite the file normal).
void addSaucer(ModelKit& kit, const char* name, Vec3 centre, double radius, int columns, int rows, bool inward) {
    MeshBuilder mesh(name);
    mesh.useMaterial(kit.material("metal"));
    addSurface(
        mesh, columns, rows,
        [&](double s, double t) {
            // Profile from the bottom pole (t = 0) over the rim to the top pole.
            const double a = pi * t;
            const double r = radius * std::sin(a) * (0.55 + 0.45 * std::pow(std::sin(a), 6));
            const double h = -radius * 0.22 * std::cos(a) - (t > 0.5 ? radius * 0.25 * std::pow(std::sin(pi * (t - 0.5)), 2) : 0);
            const double phi = 2 * pi * s;
            return centre + Vec3{r * std::cos(phi), h, r * std::sin(phi)};
        },
        2, 1, inward);
    kit.add(mesh);
}

// A flat ring (annulus) about the vertical axis, grid of shared vertices.
void addAnnulus(ModelKit& kit, const char* name, const char* material, Vec3 centre, double inner, double outer) {
    MeshBuilder mesh(name);
    mesh.useMaterial(kit.material(material));
    addSurface(
        mesh, 64, 4,
        [&](double s, double t) {
            const double r = inner + (outer - inner) * t, phi = -2 * pi * s;
            return centre + Vec3{r * std::cos(phi), 0, r * std::sin(phi)};
        },
        8, 1);
    kit.add(mesh);
}

// A part of a sphere around `centre` facing it, for far backdrops: kind 2
// lights the side opposite the file normal, so normals point away.
void addBackdrop(ModelKit& kit, const char* name, const char* material, Vec3 centre, double radius, double yaw,
                 double width, double height) {
    MeshBuilder mesh(name);
    mesh.useMaterial(kit.material(material));
    addSurface(
        mesh, 24, 12,
        [&](double s, double t) {
            const double a = yaw + (s - 0.5) * width, e = (t - 0.5) * height;
            return centre + Vec3{radius * std::cos(e) * std::sin(a), -radius * std::sin(e), radius * std::cos(e) * std::cos(a)};
        },
        1, 1);
    kit.add(mesh);
}

void addRocks(ModelKit& kit, const char* prefix, int count, double x0, double x1, double y0, double y1, double z0,
              double z1, double minRadius, double maxRadius, std::uint32_t seed) {
    Rng rng(seed);
    for (int i = 0; i < count; ++i) {
        MeshBuilder mesh(std::string(prefix) + std::to_string(i + 1));
        mesh.useMaterial(kit.material("rock"));
        const Vec3 c{rng.range(x0, x1), rng.range(y0, y1), rng.range(z0, z1)};
        const double r = rng.range(minRadius, maxRadius);
        const std::uint32_t shape = seed * 31 + static_cast<std::uint32_t>(i);
        addSurface(
            mesh, 12, 8,
            [&](double s, double t) {
                const double theta = pi * t, phi = 2 * pi * s;
                const double k = r * (0.7 + 0.6 * tileFbm(s, t * 0.5, 3, 2, 0.5, shape));
                return c + Vec3{k * std::sin(theta) * std::cos(phi), k * std::cos(theta) * 0.8, k * std::sin(theta) * std::sin(phi)};
            },
            2, 1);
        kit.add(mesh);
    }
}

// Fog: an island at the origin in a lake at y = 0 (waves of 15: the island's
// shore is the only solid thing near the surface). The eye circles 170..220
// above at z 30..370 looking at the island.
Model3ds asmtest2() {
    ModelKit kit;
    addStarDome(kit, Vec3{0, 0, 0}, 3000);
    addHillRing(kit, "bg1", Vec3{0, 60, 0}, 1600, 420, 51);
    addCloudDeck(kit, Vec3{0, -750, 0}, 2600, 4);
    addWaterGrid(kit, "water", "lake", -1500, -1500, 1500, 1500, 0, 48, 48, 8, 0);
    {
        MeshBuilder mesh("isle");
        mesh.useMaterial(kit.material("rock"));
        addSurface(
            mesh, 40, 14,
            [](double s, double t) {
                const double theta = pi / 2 * t, phi = 2 * pi * s;
                const double r = 150 * (0.8 + 0.35 * tileFbm(s, t * 0.3, 4, 3, 0.5, 52));
                return Vec3{r * std::cos(theta) * std::cos(phi), 45 - 95 * std::sin(theta), r * std::cos(theta) * std::sin(phi)};
            },
            6, 2);
        kit.add(mesh);
    }
    addForest(kit, "islepines", -90, -90, 90, 90, -30, 24, 25, 55, 53,
              [](double x, double z) { return std::hypot(x, z) > 95; });
    addProps(kit, Vec3{-100, -150, -90}, Vec3{140, -80, 70}, Vec3{95, -130, -60}, Vec3{-150, -95, 60},
             Vec3{0, -115, 0}, 1.8, Vec3{0, 0.7, -1}, 48);
    addBall(kit, "ball", Vec3{0, 0, 0}, 14, 20, 12);
    addRing(kit, "ball2", "metal", Vec3{-170, -60, -130}, 20, 5, 20, 8);
    {
        // Wireframe builds of about 3000 faces: a dome over the island and a
        // ring around it.
        MeshBuilder dome("base1");
        dome.useMaterial(kit.material("lattice"));
        addSurface(
            dome, 60, 25,
            [](double s, double t) {
                const double theta = pi / 2 * t, phi = 2 * pi * s;
                return Vec3{175 * std::cos(theta) * std::cos(phi), 20 - 175 * std::sin(theta), 175 * std::cos(theta) * std::sin(phi)};
            },
            12, 3);
        kit.add(dome);
        addRing(kit, "base2", "lattice", Vec3{0, -25, 0}, 230, 9, 100, 15);
    }
    for (int i = 0; i < 4; ++i)  // orbiters near the eye: small
        addRing(kit, ("torus" + std::to_string(i + 1)).c_str(), "gold", Vec3{40.0 * i - 60, -200, 240}, 5, 1.5, 12, 6);
    return kit.take();
}

// Greetings: the eye moves along z from -70 towards the origin, where the
// wireframe "wirus" floats; props stand at z 20..400 on a floor at y = 60,
// the curtain "bg1" hangs at z = 1250.
Model3ds scenery() {
    ModelKit kit;
    addStarDome(kit, Vec3{0, 0, 0}, 3000);
    {
        MeshBuilder mesh("bg1");
        mesh.useMaterial(kit.material("curtain"));
        // Normals point away from the viewer (kind 2 lights the other side).
        addSurface(
            mesh, 60, 30, [](double s, double t) { return Vec3{-1600 + 3200 * s, 80 - 1400 * t, 1250}; }, 6, 3, true);
        kit.add(mesh);
    }
    {
        // About 8000 faces: a sphere with spikes.
        MeshBuilder mesh("wirus");
        mesh.useMaterial(kit.material("crystal"));
        addSurface(
            mesh, 100, 40,
            [](double s, double t) {
                const double theta = pi * t, phi = 2 * pi * s;
                const double spikes = std::pow(std::fabs(std::sin(phi * 6) * std::sin(theta * 6)), 8);
                const double r = 10 + 4.5 * spikes;
                return Vec3{r * std::sin(theta) * std::cos(phi), r * std::cos(theta), r * std::sin(theta) * std::sin(phi)};
            },
            4, 2);
        kit.add(mesh);
    }
    addCloudDeck(kit, Vec3{0, -900, 600}, 2600, 4);
    addWaterGrid(kit, "water", "lake", -160, 20, 160, 420, 45, 16, 20, 2, 0);
    {
        MeshBuilder mesh("greets");
        mesh.useMaterial(kit.material("greetplate", "greettxt.tga"));
        addPlate(mesh, Vec3{0, -70, 320}, screenRight(Vec3{0, 0, 1}), Vec3{0, -1, 0}, 160, 80);
        kit.add(mesh);
    }
    addProps(kit, Vec3{90, -30, 90}, Vec3{0, -150, 400}, Vec3{-90, 15, 120}, Vec3{150, -100, 250},
             Vec3{-150, -80, 350}, 2.0, Vec3{0, 0, 1}, 48);
    addBall(kit, "ball", Vec3{0, 0, 0}, 14, 20, 12);
    addRing(kit, "ball2", "metal", Vec3{120, -40, 150}, 18, 5, 20, 8);
    {
        // About 8000 faces each: an arch over the hall and a lattice sphere.
        MeshBuilder arch("bay1");
        arch.useMaterial(kit.material("lattice"));
        addSurface(
            arch, 80, 50,
            [](double s, double t) {
                const double a = pi * s;
                return Vec3{-170 * std::cos(a), 60 - 200 * std::sin(a), 20 + 480 * t};
            },
            8, 12, true);
        kit.add(arch);
        addBall(kit, "bay2", Vec3{0, -30, 260}, 60, 100, 40);
    }
    for (int i = 0; i < 6; ++i)
        addRing(kit, ("torus" + std::to_string(i + 1)).c_str(), i % 2 ? "gold" : "crystal", Vec3{0, 0, 100.0 + 40 * i}, 8, 2.5, 16, 8);
    {
        MeshBuilder mesh("columns");
        mesh.useMaterial(kit.material("stone"));
        for (int i = 0; i < 6; ++i)
            for (int side = -1; side <= 1; side += 2) addCylinder(mesh, Vec3{side * 115.0, 60, 40.0 + 80 * i}, 11, 9, 210, 12, 2, 2, 4);
        kit.add(mesh);
    }
    addGround(kit, "hallfloor", -600, -300, 600, 1300, 60, 0, 32, 54, "floor");
    return kit.take();
}

// Space: the craft "ufot" (radius 1.9) at the origin with the eye 3..9 units
// from it; the sky streams past as a tunnel along z.
Model3ds space() {
    ModelKit kit;
    addStarDome(kit, Vec3{0, 0, 0}, 2800);
    addBackdrop(kit, "bg1", "nebula", Vec3{0, 0, 0}, 2400, 0, 2.2, 1.4);
    {
        MeshBuilder mesh("fars");  // a far planet, lit from outside (kind 2)
        mesh.useMaterial(kit.material("planet"));
        addSphere(mesh, Vec3{-900, 300, -2000}, 400, 32, 16, 1, 1, true);
        kit.add(mesh);
    }
    {
        MeshBuilder mesh("sky1");  // a tunnel streaming in v
        mesh.useMaterial(kit.material("streaks"));
        addSurface(
            mesh, 24, 40,
            [](double s, double t) {
                const double phi = 2 * pi * s;
                return Vec3{70 * std::cos(phi), 70 * std::sin(phi), -1500 + 3000 * t};
            },
            3, 20);
        kit.add(mesh);
    }
    addSaucer(kit, "ufo", Vec3{45, -25, 170}, 30, 40, 14, true);
    addAnnulus(kit, "water01", "rock", Vec3{-900, 300, -2000}, 520, 800);
    addProps(kit, Vec3{-20, -8, 60}, Vec3{0, -16, 95}, Vec3{16, 7, 50}, Vec3{-30, 12, 125}, Vec3{26, -20, 140},
             0.6, Vec3{0, 0, 1}, 24);
    addSaucer(kit, "ufot", Vec3{0, 0, 0}, 1.9, 32, 12, true);
    addStoneWall(kit, Vec3{600, -200, 1500}, Vec3{80, 80, 5});
    addRing(kit, "Torus1", "gold", Vec3{0, 0, 45}, 25, 3, 56, 15);
    addRing(kit, "Torus2", "crystal", Vec3{-60, 30, 220}, 18, 4, 24, 8);
    addRing(kit, "warpgate", "metal", Vec3{0, 0, 900}, 120, 10, 48, 8);
    {
        MeshBuilder mesh("trail1");  // engine trails behind the craft
        mesh.useMaterial(kit.material("beam"));
        for (int side = -1; side <= 1; side += 2)
            addSurface(
                mesh, 1, 8, [side](double s, double t) { return Vec3{side * 1.0 + (s - 0.5) * 0.8, 0.1, -1.5 - 80 * t}; }, 1, 1);
        kit.add(mesh);
    }
    return kit.take();
}

// Earth: the craft "ufot" at the origin, the planet at (190, 0, 700); the
// eye swings up to 515 to the sides and 150 along z. Asteroids tumble at
// z 200..600 off to the sides.
Model3ds earth() {
    ModelKit kit;
    const Vec3 planet{190, 0, 700};
    addStarDome(kit, Vec3{0, 0, 0}, 3000);
    addBackdrop(kit, "bg1", "nebula", Vec3{0, 0, 0}, 2600, 0.2, 1.8, 1.2);
    {
        MeshBuilder mesh("fars");  // the moon
        mesh.useMaterial(kit.material("rock"));
        addSphere(mesh, Vec3{-700, -350, 1600}, 90, 24, 12, 2, 1, true);
        kit.add(mesh);
    }
    {
        MeshBuilder mesh("sky1");  // cloud shell of the planet, streaming in v
        mesh.useMaterial(kit.material("clouds"));
        addSphere(mesh, planet, 212, 32, 16, 2, 2);
        kit.add(mesh);
    }
    addSaucer(kit, "ufo", Vec3{-70, 30, 130}, 25, 40, 14, false);
    addAnnulus(kit, "water01", "rock", planet, 270, 340);
    addProps(kit, Vec3{60, -40, -80}, Vec3{-230, 70, 260}, Vec3{40, 20, 60}, Vec3{-120, 40, -60}, Vec3{100, -60, 100},
             1.5, Vec3{0.25, 0, 1}, 24);
    addSaucer(kit, "ufot", Vec3{0, 0, 0}, 7.5, 32, 12, false);
    {
        MeshBuilder mesh("earth");
        mesh.useMaterial(kit.material("planet"));
        addSphere(mesh, planet, 200, 48, 24, 1, 1);
        kit.add(mesh);
    }
    addRing(kit, "Torbit1", "gold", planet, 290, 1.5, 80, 6);
    addRing(kit, "Torbit2", "crystal", planet, 320, 1.5, 80, 6);
    addRing(kit, "waystation", "metal", Vec3{320, -120, 380}, 30, 4, 32, 8);
    {
        MeshBuilder mesh("trail1");
        mesh.useMaterial(kit.material("beam"));
        for (int side = -1; side <= 1; side += 2)
            addSurface(
                mesh, 1, 8, [side](double s, double t) { return Vec3{side * 4.0 + (s - 0.5) * 3, 0.5, -6 - 200 * t}; }, 1, 1);
        kit.add(mesh);
    }
    addRocks(kit, "aster", 5, -520, -180, -150, 150, 200, 600, 10, 28, 61);
    addRocks(kit, "asterb", 4, 480, 700, -150, 150, 200, 600, 10, 24, 62);
    return kit.take();
}

}  // namespace

Model3ds buildAsmtest2() { return asmtest2(); }
Model3ds buildScenery() { return scenery(); }
Model3ds buildSpace() { return space(); }
Model3ds buildEarth() { return earth(); }

}  // namespace gen
