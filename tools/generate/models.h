#pragma once
// The nine scene models, in engine coordinates (-y up). Each holds the mesh
// names its scene animates; where a scene's camera goes decides where the
// meshes sit (see the comments of each builder).
#include <cstdint>
#include <string>
#include <vector>

#include "tools/generate/mesh.h"
#include "tools/generate/model_writer.h"

namespace gen {

struct ModelJob {
    const char* file;   // under data/
    Model3ds (*build)();
};

// In the order the program loads them (the first model that loads a
// material key decides its texture).
const std::vector<ModelJob>& modelJobs();

// Collects materials (once per name) and meshes for one model file.
class ModelKit {
public:
    // Material index for a texture key; its map is "<key>.tga" unless given.
    std::uint32_t material(const char* key, const char* mapFile = nullptr);
    void add(MeshBuilder& mesh) { model.objects.push_back(std::move(mesh.mesh())); }
    Model3ds take() { return std::move(model); }

private:
    Model3ds model;
};

// Pieces several models share.
void addStarDome(ModelKit& kit, Vec3 centre, double radius);                     // "stc"
void addCloudDeck(ModelKit& kit, Vec3 centre, double halfSize, int repeats);     // "sky1"
// A ring of hills around `centre` (kind 2: file normals point away from the
// centre so the lit side faces in). Ground level y = centre.y.
void addHillRing(ModelKit& kit, const char* name, Vec3 centre, double radius, double height, std::uint32_t seed,
                 const char* material = "hills");
// Pines scattered over the rectangle (x0, z0)-(x1, z1) at ground level y,
// skipping points where keepOut says so; split into objects "<prefix>1", ...
// of at most 60 trees.
void addForest(ModelKit& kit, const char* prefix, double x0, double z0, double x1, double z1, double groundY,
               int count, double minHeight, double maxHeight, std::uint32_t seed,
               bool (*keepOut)(double x, double z));
// A flat wave grid at height y over (x0, z0)-(x1, z1), continuous, shared
// vertices; faces up. The texture repeats `repeats` times along z; across x
// it is laid diagonally (u and v both run along z, and in opposite senses
// along x, one repeat of u - v over twice the width), so that the scenes'
// sway, which moves u and v alike, slides the picture along z only and a
// stripe of constant u - v stays on the line x = pathX.
void addWaterGrid(ModelKit& kit, const char* name, const char* material, double x0, double z0, double x1,
                  double z1, double y, int columns, int rows, double repeats, double pathX);
// Grid points where `sunk` says so drop to sunkY: the ground would otherwise
// reach above the lakes' water (its bumps are higher than the water's depth).
void addGround(ModelKit& kit, const char* name, double x0, double z0, double x1, double z1, double y,
               double bumps, int cells, std::uint32_t seed, const char* material = "moss",
               bool (*sunk)(double x, double z) = nullptr, double sunkY = 0);
void addStoneWall(ModelKit& kit, Vec3 centre, Vec3 half);   // "wall"
// The tall figure "ukko": feet at `foot`, `height` tall.
void addUkko(ModelKit& kit, Vec3 foot, double height);
// The beam crystal "laser" along +z from `centre`, with about `faces` faces.
void addLaser(ModelKit& kit, Vec3 centre, Vec3 axis, double length, int sides, int segments);
// The props every scene names: star, texts, face, logo1, logo2 (seen by a
// viewer looking along `view`).
void addProps(ModelKit& kit, Vec3 star, Vec3 texts, Vec3 face, Vec3 logo1, Vec3 logo2, double scale, Vec3 view,
              int logo2Columns);

}  // namespace gen
