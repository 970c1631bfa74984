#include "tools/generate/model_writer.h"

#include <cstring>
#include <initializer_list>

#include "tools/generate/file_output.h"

namespace gen {
namespace {

// Chunk identifiers written here.
constexpr std::uint16_t chunkMain = 0x4D4D;
constexpr std::uint16_t chunkVersion = 0x0002;
constexpr std::uint16_t chunkEditor = 0x3D3D;
constexpr std::uint16_t chunkMeshVersion = 0x3D3E;
constexpr std::uint16_t chunkMaterial = 0xAFFF;
constexpr std::uint16_t chunkMaterialName = 0xA000;
constexpr std::uint16_t chunkTextureMap = 0xA200;
constexpr std::uint16_t chunkMapFileName = 0xA300;
constexpr std::uint16_t chunkObject = 0x4000;
constexpr std::uint16_t chunkTriMesh = 0x4100;
constexpr std::uint16_t chunkVertices = 0x4110;
constexpr std::uint16_t chunkFaces = 0x4120;
constexpr std::uint16_t chunkFaceMaterial = 0x4130;
constexpr std::uint16_t chunkMappings = 0x4140;
constexpr std::uint16_t chunkSmoothing = 0x4150;
constexpr std::uint16_t chunkKeyframer = 0xB000;
constexpr std::uint16_t chunkKeyframerHeader = 0xB00A;
constexpr std::uint16_t chunkKeyframerFrames = 0xB008;
constexpr std::uint16_t chunkMeshNode = 0xB002;
constexpr std::uint16_t chunkNodeHeader = 0xB010;
constexpr std::uint16_t chunkPivot = 0xB013;
constexpr std::uint16_t chunkPositionTrack = 0xB020;
constexpr std::uint16_t chunkRotationTrack = 0xB021;
constexpr std::uint16_t chunkScaleTrack = 0xB022;
constexpr std::uint16_t chunkNodeId = 0xB030;

constexpr std::size_t maxCount = 65535;
constexpr std::size_t maxNameLength = 255;   // the reader's name buffers hold 256 bytes
constexpr std::size_t maxMapNameLength = 246;

class ChunkBuffer {
public:
    void u8(std::uint8_t value) { bytes.push_back(value); }
    void u16(std::uint16_t value) {
        u8(static_cast<std::uint8_t>(value & 0xFF));
        u8(static_cast<std::uint8_t>(value >> 8));
    }
    void u32(std::uint32_t value) {
        u16(static_cast<std::uint16_t>(value & 0xFFFF));
        u16(static_cast<std::uint16_t>(value >> 16));
    }
    void f32(float value) {
        std::uint32_t bits;
        std::memcpy(&bits, &value, 4);
        u32(bits);
    }
    void text(const std::string& value) {
        bytes.insert(bytes.end(), value.begin(), value.end());
        u8(0);
    }
    // begin() returns the header position that end() patches with the length.
    std::size_t begin(std::uint16_t id) {
        std::size_t start = bytes.size();
        u16(id);
        u32(0);
        return start;
    }
    void end(std::size_t start) {
        std::uint32_t length = static_cast<std::uint32_t>(bytes.size() - start);
        for (int i = 0; i < 4; ++i) bytes[start + 2 + i] = static_cast<std::uint8_t>(length >> (8 * i));
    }
    std::vector<std::uint8_t> bytes;
};

bool fail(std::string* error, const std::string& reason) {
    if (error) *error = reason;
    return false;
}

bool validName(const std::string& name) {
    return !name.empty() && name.size() <= maxNameLength && name.find('\0') == std::string::npos;
}

bool validate(const Model3ds& model, std::string* error) {
    for (const Material3ds& material : model.materials) {
        if (!validName(material.name)) return fail(error, "material with an empty or overlong name");
        const std::string& map = material.mapFile;
        if (map.size() > maxMapNameLength || map.find('.') == std::string::npos || map[0] == '.' ||
            map.find('/') != std::string::npos || map.find('\\') != std::string::npos ||
            map.find('\0') != std::string::npos)
            return fail(error, "material " + material.name + ": map file name '" + map +
                                   "' needs a base name and a dot, and no folders");
    }
    for (const MeshObject& object : model.objects) {
        if (!validName(object.name)) return fail(error, "object with an empty or overlong name");
        if (object.vertices.empty() || object.vertices.size() > maxCount)
            return fail(error, object.name + ": needs 1 to 65535 vertices, has " +
                                   std::to_string(object.vertices.size()));
        if (object.faces.empty() || object.faces.size() > maxCount)
            return fail(error, object.name + ": needs 1 to 65535 faces, has " +
                                   std::to_string(object.faces.size()));
        for (const MeshFace& face : object.faces) {
            const std::size_t n = object.vertices.size();
            if (face.a >= n || face.b >= n || face.c >= n)
                return fail(error, object.name + ": face index out of range");
            if (face.material >= model.materials.size())
                return fail(error, object.name + ": face material out of range");
        }
    }
    return true;
}

void writeObject(ChunkBuffer& out, const Model3ds& model, const MeshObject& object) {
    std::size_t block = out.begin(chunkObject);
    out.text(object.name);
    std::size_t mesh = out.begin(chunkTriMesh);

    std::size_t chunk = out.begin(chunkVertices);
    out.u16(static_cast<std::uint16_t>(object.vertices.size()));
    for (const MeshVertex& vertex : object.vertices) {
        // engine (X, Y, Z) is file (X, Z, -Y)
        out.f32(vertex.x);
        out.f32(vertex.z);
        out.f32(-vertex.y);
    }
    out.end(chunk);

    chunk = out.begin(chunkMappings);
    out.u16(static_cast<std::uint16_t>(object.vertices.size()));
    for (const MeshVertex& vertex : object.vertices) {
        out.f32(vertex.u);
        out.f32(vertex.v);
    }
    out.end(chunk);

    std::size_t faces = out.begin(chunkFaces);
    out.u16(static_cast<std::uint16_t>(object.faces.size()));
    for (const MeshFace& face : object.faces) {
        out.u16(static_cast<std::uint16_t>(face.a));
        out.u16(static_cast<std::uint16_t>(face.b));
        out.u16(static_cast<std::uint16_t>(face.c));
        out.u16(0x0007);  // all three edges visible
    }
    // One chunk per run of equal material, so file order equals face order.
    std::size_t first = 0;
    while (first < object.faces.size()) {
        std::size_t last = first;
        const std::uint32_t material = object.faces[first].material;
        while (last + 1 < object.faces.size() && object.faces[last + 1].material == material) ++last;
        chunk = out.begin(chunkFaceMaterial);
        out.text(model.materials[material].name);
        out.u16(static_cast<std::uint16_t>(last - first + 1));
        for (std::size_t i = first; i <= last; ++i) out.u16(static_cast<std::uint16_t>(i));
        out.end(chunk);
        first = last + 1;
    }
    // Every face in smoothing group 1, so other readers share normals the
    // way the engine does.
    chunk = out.begin(chunkSmoothing);
    for (std::size_t i = 0; i < object.faces.size(); ++i) out.u32(1);
    out.end(chunk);
    out.end(faces);

    out.end(mesh);
    out.end(block);
}

// A track holding one key at frame 0 with no spline parameters; `values`
// floats follow the key header.
void writeSingleKeyTrack(ChunkBuffer& out, std::uint16_t id, std::initializer_list<float> values) {
    std::size_t chunk = out.begin(id);
    out.u16(0);   // track flags: no loop, no repeat
    out.u32(0);   // two unused words
    out.u32(0);
    out.u32(1);   // one key
    out.u32(0);   // at frame 0
    out.u16(0);   // no tension, continuity, bias or ease values
    for (float value : values) out.f32(value);
    out.end(chunk);
}

// One mesh node per object, all at the top of the hierarchy, with an
// identity transform: the pivot at the origin, no move, no turn, unit scale.
// Without nodes other readers name the meshes themselves; with them they
// keep the object names, and the identity keeps the vertices where they are.
void writeKeyframer(ChunkBuffer& out, const Model3ds& model) {
    std::size_t keyframer = out.begin(chunkKeyframer);
    std::size_t chunk = out.begin(chunkKeyframerHeader);
    out.u16(5);   // keyframer revision
    out.text("MAXSCENE");
    out.u32(0);   // animation length in frames
    out.end(chunk);
    chunk = out.begin(chunkKeyframerFrames);
    out.u32(0);   // first and last frame
    out.u32(0);
    out.end(chunk);
    for (std::size_t i = 0; i < model.objects.size(); ++i) {
        std::size_t node = out.begin(chunkMeshNode);
        chunk = out.begin(chunkNodeId);
        out.u16(static_cast<std::uint16_t>(i));
        out.end(chunk);
        chunk = out.begin(chunkNodeHeader);
        out.text(model.objects[i].name);
        out.u16(0);        // flags
        out.u16(0);
        out.u16(0xFFFF);   // no parent
        out.end(chunk);
        chunk = out.begin(chunkPivot);
        out.f32(0);
        out.f32(0);
        out.f32(0);
        out.end(chunk);
        writeSingleKeyTrack(out, chunkPositionTrack, {0, 0, 0});
        writeSingleKeyTrack(out, chunkRotationTrack, {0, 0, 0, 1});   // angle 0 about the file's z axis
        writeSingleKeyTrack(out, chunkScaleTrack, {1, 1, 1});
        out.end(node);
    }
    out.end(keyframer);
}

}  // namespace

std::vector<std::uint8_t> encode3ds(const Model3ds& model, std::string* error) {
    if (!validate(model, error)) return {};
    ChunkBuffer out;
    std::size_t main = out.begin(chunkMain);
    std::size_t chunk = out.begin(chunkVersion);
    out.u32(3);
    out.end(chunk);
    std::size_t editor = out.begin(chunkEditor);
    chunk = out.begin(chunkMeshVersion);
    out.u32(3);
    out.end(chunk);
    for (const Material3ds& material : model.materials) {
        std::size_t block = out.begin(chunkMaterial);
        chunk = out.begin(chunkMaterialName);
        out.text(material.name);
        out.end(chunk);
        std::size_t map = out.begin(chunkTextureMap);
        chunk = out.begin(chunkMapFileName);
        out.text(material.mapFile);
        out.end(chunk);
        out.end(map);
        out.end(block);
    }
    for (const MeshObject& object : model.objects) writeObject(out, model, object);
    out.end(editor);
    writeKeyframer(out, model);
    out.end(main);
    return std::move(out.bytes);
}

bool write3ds(const std::string& path, const Model3ds& model, std::string* error) {
    std::string reason;
    std::vector<std::uint8_t> bytes = encode3ds(model, &reason);
    if (bytes.empty()) {
        if (error) *error = path + ": " + reason;
        return false;
    }
    return writeFile(path, bytes, error);
}

}  // namespace gen
