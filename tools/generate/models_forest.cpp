// The forest models: the opening (forresta), the three forest animations
// (forrest6, fordrop, foreye) and the finale (forende). Ground level is the
// plane y = 0 except in foreye/forende (y = +40); -y is up.
#include <algorithm>
#include <cmath>

#include "tools/generate/models.h"
#include "tools/generate/noise.h"

namespace gen {
namespace {

// Light shafts ("tr..." meshes turn translucent, blend by alpha).
void addShafts(ModelKit& kit, const Vec3* feet, int count, double height) {
    for (int i = 0; i < count; ++i) {
        MeshBuilder mesh("trshaft" + std::to_string(i + 1));
        mesh.useMaterial(kit.material("beam"));
        addCylinder(mesh, feet[i], 45, 12, height, 12, 1, 1, 1);
        kit.add(mesh);
    }
}

// A vertical curtain of aurora on an arc of `radius` around the origin,
// centred on the -z direction.
void addAuroraCurtain(ModelKit& kit, const char* name, Vec3 centre, double radius, double spread, double top, double bottom) {
    MeshBuilder mesh(name);
    mesh.useMaterial(kit.material("aurora"));
    addSurface(
        mesh, 48, 4,
        [&](double s, double t) {
            const double a = (s - 0.5) * spread;
            const double bend = 60 * std::sin(s * 9);
            return centre + Vec3{(radius + bend) * std::sin(a), bottom + (top - bottom) * t, -(radius + bend) * std::cos(a)};
        },
        3, 1);
    kit.add(mesh);
}

// The opening: a low glide over a forest floor, across a low stone wall at
// the lake shore, out over the water. Wall centre W = (0, -2, 0): the eye
// runs from W + (-7, -5.5, 50) to W + (-12, -5.4, -31), 7.5 above the ground
// and 2.6 above the wall top where it crosses it.
bool openingKeepOut(double x, double z) {
    if (z < -25) return true;                         // the lake
    if (std::fabs(x + 8) < 22 && z < 90) return true;  // the eye's corridor
    return std::fabs(x) < 50 && std::fabs(z) < 6;     // the wall
}

bool farShoreKeepOut(double, double) { return false; }

Model3ds forresta() {
    ModelKit kit;
    addStarDome(kit, Vec3{0, 0, 0}, 3500);   // wide enough to hold the far hills
    addCloudDeck(kit, Vec3{0, -450, -400}, 2600, 5);
    addHillRing(kit, "bg1", Vec3{0, 20, -300}, 2100, 320, 7);
    addHillRing(kit, "fars", Vec3{0, 30, -300}, 2800, 650, 8, "farhills");
    addWaterGrid(kit, "water", "lake", -1300, -1500, 1300, -20, 1.5, 48, 28, 6, 2);  // path under light1
    // Between the near and the far hills: the near ridge stands dark
    // against the curtains' bright hems, which glow over the paler far hills.
    addAuroraCurtain(kit, "win1", Vec3{0, 0, 0}, 2400, 1.3, -1000, -200);
    addStoneWall(kit, Vec3{0, -2, 0}, Vec3{40, 2, 1.2});
    addGround(kit, "ground", -160, -30, 160, 200, 0, 1.5, 40, 3);
    {
        // The land beyond the near patch: lake bed 25 below the water, a few
        // units below the near ground where they overlap.
        MeshBuilder mesh("shore");
        mesh.useMaterial(kit.material("moss"));
        addSurface(
            mesh, 48, 48,
            [](double s, double t) {
                const double x = -1500 + 3000 * s, z = -1600 + 3000 * t;
                const double lake = std::fabs(x) < 1300 && z > -1500 && z < -25 ? 26.0 : 0.0;
                const double near = std::fabs(x) < 170 && z > -40 && z < 210 ? 3.0 : 0.0;
                return Vec3{x, std::max(lake, near) + 10 * (tileFbm(s, t, 4, 3, 0.5, 4) - 0.5) * (lake > 0 || near > 0 ? 0 : 1), z};
            },
            25, 25);
        // Under the water the bed is dark, so the lake reads as water and
        // not as more ground.
        const std::uint32_t bed = kit.material("deepwater");
        for (MeshFace& f : mesh.mesh().faces) {
            const auto& v = mesh.mesh().vertices;
            if (v[f.a].y + v[f.b].y + v[f.c].y > 3 * 13.0) f.material = bed;
        }
        kit.add(mesh);
    }
    {
        // The moon's path under light1's glow, just below the lowest wave
        // (-y is up): narrow at the shore and widening with distance, so it
        // keeps about one width on screen as a path of glitter does.
        MeshBuilder mesh("moonpath");
        mesh.useMaterial(kit.material("glints"));
        addSurface(
            mesh, 8, 24,
            [](double s, double t) {
                const double z = -28 - 1470 * t, half = 12 + 0.13 * (-28 - z);
                return Vec3{2 + (2 * s - 1) * half, 4.5, z};
            },
            1, 1, true);   // z falls with t: flipped to face up
        // Glints grow with distance (v by the log of it), so they keep
        // about one size on screen out to the far shore.
        for (MeshVertex& v : mesh.mesh().vertices) v.v = static_cast<float>(1.7 * std::log((-v.z + 12) / 40));
        kit.add(mesh);
    }
    addForest(kit, "pines", -420, -25, 420, 650, 0, 320, 22, 70, 101, openingKeepOut);
    addForest(kit, "farpines", -1500, -2000, 1500, -1520, 8, 260, 50, 110, 102, farShoreKeepOut);
    return kit.take();
}

// Forest animation I: the figure U (feet at the origin, 200 tall, centre
// (0, -100, 0)) before the wall W = (0, -120, 100). The eye comes from
// z = -800 about 135 above the ground, skimming the tree tops.
bool animOneWater(double x, double z) {
    return (x > -900 && x < -250 && z > -900 && z < -200) || (x > 250 && x < 700 && z > -600 && z < -150);
}

bool animOneKeepOut(double x, double z) {
    if (std::fabs(x) < 150 && z > -1000 && z < 160) return true;   // the eye's path
    if (std::fabs(x) < 260 && z > 40 && z < 160) return true;      // the wall
    if (x > -950 && x < -200 && z > -950 && z < -150) return true; // lake
    return x > 200 && x < 750 && z > -650 && z < -100;             // pond
}

Model3ds forrest6() {
    ModelKit kit;
    addStarDome(kit, Vec3{0, 0, -300}, 3100);
    addCloudDeck(kit, Vec3{0, -700, -300}, 2800, 5);
    addHillRing(kit, "bg1", Vec3{0, 20, -300}, 2100, 340, 17);
    addHillRing(kit, "fars", Vec3{0, 30, -300}, 2700, 700, 18, "farhills");
    addUkko(kit, Vec3{0, 0, 0}, 200);
    // The staff stands on the figure's left (-x): the eye passes on its right.
    addLaser(kit, Vec3{-34, -95, -6}, Vec3{0, -1, 0}, 190, 12, 20);
    {
        MeshBuilder mesh("Torc");  // a halo above the figure, built as wireframe
        mesh.useMaterial(kit.material("gold"));
        addTorus(mesh, Vec3{0, -215, 0}, 22, 2.5, 24, 10);
        kit.add(mesh);
    }
    addStoneWall(kit, Vec3{0, -120, 100}, Vec3{200, 120, 10});
    addWaterGrid(kit, "water", "lake", -900, -900, -250, -200, 2, 36, 40, 4, -575);
    addWaterGrid(kit, "water01", "deepwater", 250, -600, 700, -150, 2, 24, 24, 3, 475);
    addGround(kit, "ground", -1500, -1800, 1500, 1200, 0, 8, 64, 21, "moss", animOneWater, 45);
    {
        // Lake and pond beds, well below the waves.
        MeshBuilder mesh("lakebed");
        mesh.useMaterial(kit.material("deepwater"));
        addSurface(mesh, 8, 8, [](double s, double t) { return Vec3{-950 + 750 * s, 40, -950 + 800 * t}; }, 2, 2);
        addSurface(mesh, 6, 6, [](double s, double t) { return Vec3{200 + 550 * s, 25, -650 + 550 * t}; }, 2, 2);
        kit.add(mesh);
    }
    addForest(kit, "pines", -1300, -1500, 1300, 1000, 0, 520, 60, 140, 201, animOneKeepOut);
    const Vec3 shafts[3] = {{-230, 0, -520}, {240, 0, -260}, {-190, 0, 30}};
    addShafts(kit, shafts, 3, 520);
    addProps(kit, Vec3{-70, -175, -420}, Vec3{75, -165, -320}, Vec3{-10, -185, -640}, Vec3{-95, -200, -160},
             Vec3{95, -215, -90}, 1.6, Vec3{0, 0.15, 1}, 24);
    return kit.take();
}

// Forest animation II: the laser L = (0, -100, 600) hangs over a lake; the
// eye at L + (60 - 4t, -40 + 2t, -20) looks down at it. Wall W = (-150, -20,
// 820) runs along z. water01 lies under the water (it is drawn opaque here).
bool dropWater(double x, double z) { return x > -400 && x < 400 && z > 300 && z < 900; }

bool dropKeepOut(double x, double z) {
    if (x > -450 && x < 450 && z > 250 && z < 950) return true;   // lake
    return x > -190 && x < -110 && z > 640 && z < 1000;           // wall
}

Model3ds fordrop() {
    ModelKit kit;
    addStarDome(kit, Vec3{0, 0, 600}, 3000);
    addCloudDeck(kit, Vec3{0, -650, 600}, 2800, 5);
    addHillRing(kit, "bg1", Vec3{0, 20, 600}, 2000, 330, 27);
    addHillRing(kit, "fars", Vec3{0, 30, 600}, 2700, 680, 28, "farhills");
    addLaser(kit, Vec3{0, -100, 600}, Vec3{0.6, 0, 0.8}, 20, 8, 14);
    addWaterGrid(kit, "water", "lake", -400, 300, 400, 900, 1, 32, 24, 4, 0);
    addWaterGrid(kit, "water01", "deepwater", -400, 300, 400, 900, 9, 24, 18, 3, 0);
    addStoneWall(kit, Vec3{-150, -20, 820}, Vec3{10, 20, 160});
    addGround(kit, "ground", -1500, -900, 1500, 2100, 0, 8, 64, 31, "moss", dropWater, 14);
    addForest(kit, "pines", -1200, -600, 1200, 1800, 0, 420, 50, 120, 301, dropKeepOut);
    addProps(kit, Vec3{-110, -120, 630}, Vec3{-70, -55, 600}, Vec3{-45, -75, 545}, Vec3{-60, -85, 690},
             Vec3{-190, -70, 500}, 1.2, Vec3{-0.8, 0.5, 0.3}, 24);
    return kit.take();
}

// Forest animations III and the finale share one valley: ground y = +40,
// the eye flies along z at y ~ 0 (x ~ 0) from z = 600, then circles around
// (0, -150, 1300); the wall W = (0, -60, wallZ) is 600 wide and 200 tall and
// the figure stands 120 in front of it.
bool valleyKeepOut(double x, double z) {
    if (std::fabs(x) < 160 && z < 1950) return true;                 // the straight flight
    if (std::fabs(x) < 460 && z > 850 && z < 2080) return true;      // circles of both scenes
    if (std::fabs(x) < 360 && z > 1950 && z < 2450) return true;     // figure and wall
    if (x > 100 && x < 950 && z > 650 && z < 1650) return true;      // lake
    return x < -100 && x > -950 && z > 850 && z < 1750;              // second lake
}

bool valleyWater(double x, double z) {
    return (x > 150 && x < 900 && z > 700 && z < 1600) || (x > -900 && x < -150 && z > 900 && z < 1700);
}

void addValley(ModelKit& kit, double wallZ, bool finale) {
    addStarDome(kit, Vec3{0, 0, 1500}, 3000);
    addCloudDeck(kit, Vec3{0, -700, 1500}, 2800, 5);
    addHillRing(kit, "bg1", Vec3{0, 60, 1500}, 1900, 330, 37);
    addHillRing(kit, "fars", Vec3{0, 70, 1500}, 2500, 650, 38, "farhills");
    addLaser(kit, Vec3{45, -55, wallZ - 120}, Vec3{0, -1, 0}, 180, 12, 12);
    addWaterGrid(kit, "water", "lake", 150, 700, 900, 1600, 38, 30, 36, 4, 525);
    addUkko(kit, Vec3{0, 40, wallZ - 120}, 200);
    addWaterGrid(kit, "water01", "deepwater", -900, 900, -150, 1700, 38, 30, 32, 4, -525);
    {
        // A lattice tower that the scene spins about the vertical.
        MeshBuilder mesh("build");
        mesh.useMaterial(kit.material("lattice"));
        addCylinder(mesh, Vec3{-260, 40, 1700}, 45, 30, 260, 16, 8, 4, 6);
        addTorus(mesh, Vec3{-260, -150, 1700}, 70, 3, 32, 6, 8, 1);
        addTorus(mesh, Vec3{-260, -60, 1700}, 60, 3, 32, 6, 8, 1);
        kit.add(mesh);
    }
    addStoneWall(kit, Vec3{0, -60, wallZ}, Vec3{300, 100, 10});
    {
        MeshBuilder mesh("Torc");
        mesh.useMaterial(kit.material("gold"));
        addTorus(mesh, Vec3{0, -175, wallZ - 120}, 20, 2.5, 20, 7);
        kit.add(mesh);
    }
    if (!finale) {
        // A monolith that appears through the solid build; kind 16 lights the
        // side opposite the file normal, so its faces wind inwards.
        MeshBuilder mesh("ufstone");
        mesh.useMaterial(kit.material("runes"));
        addSurface(
            mesh, 6, 12,
            [&](double s, double t) {
                const double r = 14 * (1 - 0.4 * t), phi = 2 * pi * s;
                return Vec3{r * std::cos(phi), 40 - 90 * t, wallZ - 260 + r * std::sin(phi)};
            },
            1, 2, true);
        kit.add(mesh);
    }
    {
        MeshBuilder mesh("lakebed");
        mesh.useMaterial(kit.material("deepwater"));
        addSurface(mesh, 8, 8, [](double s, double t) { return Vec3{100 + 850 * s, 75, 650 + 1000 * t}; }, 2, 2);
        addSurface(mesh, 8, 8, [](double s, double t) { return Vec3{-950 + 850 * s, 60, 850 + 900 * t}; }, 2, 2);
        kit.add(mesh);
    }
    addGround(kit, "ground", -1500, 0, 1500, 3000, 40, 8, 64, 41, "moss", valleyWater, 80);
    addForest(kit, "pines", -1400, 300, 1400, 2700, 40, 520, 60, 140, 401, valleyKeepOut);
    const Vec3 shafts[2] = {{-220, 40, wallZ - 200}, {230, 40, wallZ - 160}};
    addShafts(kit, shafts, 2, 600);
    addProps(kit, Vec3{-130, -110, 1450}, Vec3{150, -90, 1350}, Vec3{70, -100, 1150}, Vec3{-140, -70, 1200},
             Vec3{130, -150, 1850}, 1.8, Vec3{0, 0, 1}, 24);
}

Model3ds foreye() {
    ModelKit kit;
    addValley(kit, 2200, false);
    return kit.take();
}

Model3ds forende() {
    ModelKit kit;
    addValley(kit, 2250, true);
    const Vec3 right = screenRight(Vec3{0, 0, 1}), up{0, -1, 0};
    const Vec3 at[4] = {{-330, -130, 1900}, {330, -130, 1900}, {-220, -240, 2060}, {220, -240, 2060}};
    for (int k = 0; k < 4; ++k) {
        MeshBuilder mesh("plate" + std::to_string(k + 1));
        mesh.useMaterial(kit.material("plates"));
        addPlate(mesh, at[k], right, up, 120, 30, 0, 0.75 - 0.25 * k, 1, 1.0 - 0.25 * k);
        kit.add(mesh);
    }
    {
        // Glass domes beside the eye's paths.
        MeshBuilder mesh("kupu");
        mesh.useMaterial(kit.material("lattice"));
        const Vec3 domes[3] = {{-640, 40, 1750}, {660, 40, 1600}, {-580, 40, 2150}};
        const double radii[3] = {200, 160, 110};
        for (int i = 0; i < 3; ++i) {
            const Vec3 c = domes[i];
            const double r = radii[i];
            addSurface(
                mesh, 32, 8,
                [&](double s, double t) {
                    const double theta = pi / 2 * t, phi = 2 * pi * s;
                    return c + Vec3{r * std::cos(theta) * std::cos(phi), -r * std::sin(theta), r * std::cos(theta) * std::sin(phi)};
                },
                8, 2);
        }
        kit.add(mesh);
    }
    return kit.take();
}

}  // namespace

Model3ds buildForresta() { return forresta(); }
Model3ds buildForrest6() { return forrest6(); }
Model3ds buildFordrop() { return fordrop(); }
Model3ds buildForeye() { return foreye(); }
Model3ds buildForende() { return forende(); }

}  // namespace gen
