#pragma once
// Qu::load3ds: reads a 3D Studio mesh file into a new Qu::Model.
//
// Only geometry, texture coordinates, material assignment and texture map
// names are taken; everything else is read past. A file point (x, y, z)
// becomes the engine point (x, -z, y); texture coordinates are stored
// negated. Every object is finished (centre, then computeNormals).
//
// Bad input never reads outside the file: a chunk whose length is below its
// 6-byte header or reaches past its parent (or the file) ends that level,
// names are cut to their 256-byte buffers, faces naming vertices that do not
// exist are dropped, and list entries beyond the faces or vertices read are
// read past.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>

namespace Qu {

class Model;
class TextureLibrary;

// Where the reader's side effects go. The defaults are the demo's own.
struct Load3dsOptions {
    // Object and material names are echoed here, byte by byte without
    // separators, as they are read; null keeps the reader silent.
    std::FILE* echo = stdout;
    // When set, every material map load is handed here instead of to the
    // texture library (tools without a GL context). key is the material
    // name, path "data//BASE.tga", name BASE; the texts are only valid
    // during the call.
    std::function<void(const char* key, const char* path, const char* name)> textureLoad;
};

// Reads `fileName` (case-insensitive fallback as for every data file).
// Null when the file cannot be read; no message. The new model is appended
// to the library's models; a null library is allowed (no textures, no
// registration) for tools and tests.
Model* load3ds(const char* fileName, TextureLibrary* library,
               const Load3dsOptions& options = Load3dsOptions());

// The same from a file image in memory; never null.
Model* load3dsFromMemory(const std::uint8_t* data, std::size_t size, TextureLibrary* library,
                         const Load3dsOptions& options = Load3dsOptions());

}  // namespace Qu
