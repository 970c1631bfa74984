#pragma once
// A small 3D Studio (.3ds) mesh writer for the demo's models.
//
// Input is in ENGINE coordinates: the writer stores each point (X, Y, Z) as
// the file point (X, Z, -Y), which the engine's reader turns back into
// (X, Y, Z). Engine -y is up. A face (a, b, c) is seen from the side its
// normal (b - a) x (c - a) points to; the change of axes is a rotation, so
// windings keep their meaning in the file.
//
// Texture coordinates are written as given: v = 0 is the bottom row of the
// picture (the first row of a bottom-up TGA).
//
// Layout: main -> version, editor -> materials (name, texture map file
// name), then one object block per object with vertex list, mapping list
// (one entry per vertex), face list with its face-material chunks (runs of
// equal material, in face order, covering every face once) and a smoothing
// chunk. No local matrices: vertices are world positions. After the editor
// block a keyframer block holds one mesh node per object, named after it,
// at the top of the hierarchy, with an identity pivot and single-key
// position, rotation and scale tracks: readers that build a node tree from
// it keep the object names, and the positions stay world positions.
#include <cstdint>
#include <string>
#include <vector>

namespace gen {

struct MeshVertex {
    float x = 0, y = 0, z = 0;   // engine coordinates
    float u = 0, v = 0;          // texture coordinates, v = 0 at the picture's bottom
};

struct MeshFace {
    std::uint32_t a = 0, b = 0, c = 0;   // indices into the object's vertices
    std::uint32_t material = 0;          // index into Model3ds::materials
};

struct MeshObject {
    std::string name;
    std::vector<MeshVertex> vertices;   // at most 65535
    std::vector<MeshFace> faces;        // at most 65535
};

struct Material3ds {
    std::string name;      // the texture key the engine loads the map under
    std::string mapFile;   // base name + "." + anything, no folders (e.g. "pine.tga")
};

struct Model3ds {
    std::vector<Material3ds> materials;
    std::vector<MeshObject> objects;
};

// The whole .3ds file image; empty with a reason in *error when the model
// breaks a rule above (counts, indices, names, map file names).
std::vector<std::uint8_t> encode3ds(const Model3ds& model, std::string* error);

bool write3ds(const std::string& path, const Model3ds& model, std::string* error);

}  // namespace gen
