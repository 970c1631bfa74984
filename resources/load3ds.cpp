#include "resources/load3ds.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/data_file.h"
#include "resources/model.h"
#include "resources/texture_library.h"

namespace Qu {

namespace {

constexpr std::size_t nameBufferSize = 256;   // object, material and map names
constexpr std::size_t headerSize = 6;         // u16 id + u32 length
// Real files nest about seven levels; a deeper tree is hostile input and
// would otherwise recurse once per six bytes of file.
constexpr int maxDepth = 64;

const char dataFolder[] = "data//";
const char mapExtension[] = "tga";

// Texts handed to the texture library, which keeps pointers to them rather
// than copies; they live until the process ends, like the library's keys.
char* keepText(const char* text) {
    static std::vector<std::unique_ptr<char[]>> kept;
    const std::size_t length = std::strlen(text) + 1;
    kept.emplace_back(new char[length]);
    std::memcpy(kept.back().get(), text, length);
    return kept.back().get();
}

class Reader;
using Handler = void (Reader::*)(std::size_t body, std::size_t end, int depth);

struct ChunkRow {
    std::uint16_t id;
    const char* name;   // never shown
    Handler handler;    // null: descend into the sub-chunks
};

class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size, Model* model, TextureLibrary* library,
           const Load3dsOptions& options)
        : data(data), size(size), model(model), library(library), options(options) {}

    void run();

    // Handlers get the body start and the chunk end (already within the
    // parent and the file); the walk moves on to the chunk end afterwards.
    void ignore(std::size_t, std::size_t, int) {}
    void light(std::size_t body, std::size_t end, int depth);
    void objectBlock(std::size_t body, std::size_t end, int depth);
    void vertexList(std::size_t body, std::size_t end, int depth);
    void faceList(std::size_t body, std::size_t end, int depth);
    void faceMaterial(std::size_t body, std::size_t end, int depth);
    void mappingList(std::size_t body, std::size_t end, int depth);
    void materialName(std::size_t body, std::size_t end, int depth);
    void mapFileName(std::size_t body, std::size_t end, int depth);

private:
    // Faces join their lists once their object has ended: a face list may
    // come before the vertex list it indexes.
    void settleFaces();
    void readChunks(std::size_t pos, std::size_t end, int depth);
    std::uint16_t u16(std::size_t pos) const { return std::uint16_t(data[pos] | data[pos + 1] << 8); }
    std::uint32_t u32(std::size_t pos) const {
        return std::uint32_t(data[pos]) | std::uint32_t(data[pos + 1]) << 8 |
               std::uint32_t(data[pos + 2]) << 16 | std::uint32_t(data[pos + 3]) << 24;
    }
    float f32(std::size_t pos) const {
        std::uint32_t bits = u32(pos);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    // Reads a zero-terminated name starting at pos, bounded by end; keeps
    // at most capacity - 1 bytes in `out`. Returns the position after the
    // terminator (or end when there is none).
    std::size_t readName(std::size_t pos, std::size_t end, char* out, std::size_t capacity,
                         bool echo);

    const std::uint8_t* data;
    std::size_t size;
    Model* model;
    TextureLibrary* library;
    const Load3dsOptions& options;

    Object* lastObject = nullptr;
    std::vector<Object*> objects;
    char currentMaterial[nameBufferSize] = {};
    // Every face record of the file in file order, null where the face was
    // dropped, so that material entries keep following the file.
    std::vector<Face*> fileFaces;
    struct PendingFace {
        Face* face;
        Object* object;
        std::size_t fileIndex;
    };
    std::vector<PendingFace> pendingFaces;
    std::size_t faceMaterialCounter = 0;
    std::size_t mappingCounter = 0;
};

const ChunkRow chunkTable[] = {
    {0x0010, "RGB float", &Reader::ignore},
    {0x0011, "RGB byte", &Reader::ignore},
    {0x4D4D, "Main", nullptr},
    {0x3D3D, "Object Mesh", nullptr},
    {0x1200, "Background color", nullptr},
    {0x2100, "Ambient color", nullptr},
    {0x4000, "Object Block", &Reader::objectBlock},
    {0x4100, "Tri-Mesh", nullptr},
    {0x4110, "Vertex list", &Reader::vertexList},
    {0x4120, "Face list", &Reader::faceList},
    {0x4130, "Face material", &Reader::faceMaterial},
    {0x4140, "Mappings list", &Reader::mappingList},
    {0x4150, "Smoothings", &Reader::ignore},
    {0x4160, "Matrix", &Reader::ignore},
    {0x4600, "Light", &Reader::light},
    {0x4610, "Spotlight", &Reader::ignore},
    {0x4700, "Camera", &Reader::ignore},
    {0xAFFF, "Material", nullptr},
    {0xA000, "Material name", &Reader::materialName},
    {0xA010, "Ambient color", nullptr},
    {0xA020, "Diffuse color", nullptr},
    {0xA030, "Specular color", nullptr},
    {0xA200, "Texture map", nullptr},
    {0xA230, "Bump map", nullptr},
    {0xA300, "Map filename", &Reader::mapFileName},
    {0xB000, "Keyframer data", nullptr},
    {0xB008, "Frames", &Reader::ignore},
};

const ChunkRow* findRow(std::uint16_t id) {
    for (const ChunkRow& row : chunkTable)
        if (row.id == id) return &row;
    return nullptr;
}

void Reader::run() {
    readChunks(0, size, 0);
    settleFaces();

    // Faces take the texture coordinates of their corners' vertices.
    for (Object* object : objects) {
        object->faces.first();
        while (object->faces.hasMore()) {
            Face* face = object->faces.next();
            for (int c = 0; c < 3; ++c) {
                const Vertex* vertex = model->vertices.at(std::int32_t(face->vertexIndex[c]));
                face->cornerU[c] = vertex->u;
                face->cornerV[c] = vertex->v;
            }
        }
    }
    for (Object* object : objects) {
        object->centre();
        object->computeNormals();
    }
}

void Reader::readChunks(std::size_t pos, std::size_t end, int depth) {
    if (depth > maxDepth) return;
    while (pos < end) {
        if (end - pos < headerSize) return;
        const std::uint16_t id = u16(pos);
        const std::uint32_t length = u32(pos + 2);
        if (length < headerSize || length > end - pos) return;
        const std::size_t chunkEnd = pos + length;
        if (const ChunkRow* row = findRow(id)) {
            if (row->handler)
                (this->*row->handler)(pos + headerSize, chunkEnd, depth + 1);
            else
                readChunks(pos + headerSize, chunkEnd, depth + 1);
        }
        pos = chunkEnd;
    }
}

std::size_t Reader::readName(std::size_t pos, std::size_t end, char* out, std::size_t capacity,
                             bool echo) {
    const std::size_t start = pos;
    std::size_t kept = 0;
    while (pos < end && data[pos] != 0) {
        if (kept + 1 < capacity) out[kept++] = char(data[pos]);
        ++pos;
    }
    out[kept] = '\0';
    if (echo && options.echo && pos > start) std::fwrite(data + start, 1, pos - start, options.echo);
    return pos < end ? pos + 1 : end;
}

void Reader::light(std::size_t body, std::size_t end, int depth) {
    const std::size_t positionBytes = 12;
    if (end - body < positionBytes) return;
    readChunks(body + positionBytes, end, depth);
}

void Reader::objectBlock(std::size_t body, std::size_t end, int depth) {
    char name[nameBufferSize];
    const std::size_t pos = readName(body, end, name, sizeof name, true);
    Object* object = new Object;
    object->setKind(kindMesh);
    char* owned = new char[std::strlen(name) + 1];
    std::strcpy(owned, name);
    object->setName(owned);
    object->vertexBase = model->vertices.count();
    model->objects.add(object);
    objects.push_back(object);
    lastObject = object;
    readChunks(pos, end, depth);
    settleFaces();
}

void Reader::settleFaces() {
    const std::uint32_t vertexCount = std::uint32_t(model->vertices.count());
    for (const PendingFace& pending : pendingFaces) {
        Face* face = pending.face;
        if (face->vertexIndex[0] < vertexCount && face->vertexIndex[1] < vertexCount &&
            face->vertexIndex[2] < vertexCount) {
            model->faces.add(face);
            pending.object->faces.add(face);
        } else {
            fileFaces[pending.fileIndex] = nullptr;   // later material entries skip it too
            delete face;
        }
    }
    pendingFaces.clear();
}

void Reader::vertexList(std::size_t body, std::size_t end, int) {
    if (end - body < 2) return;
    const std::size_t count = u16(body);
    std::size_t pos = body + 2;
    // Vertices belong to the last object; without one they have no owner.
    if (!lastObject) return;
    const std::size_t recordSize = 12;
    const std::int32_t present = std::int32_t(std::min(count, (end - pos) / recordSize));
    model->vertices.reserveMore(present);
    lastObject->vertices.reserveMore(present);
    for (std::size_t i = 0; i < count && end - pos >= recordSize; ++i, pos += recordSize) {
        const float x = f32(pos), y = f32(pos + 4), z = f32(pos + 8);
        Vertex* vertex = new Vertex(Vector(double(x), -double(z), double(y)));
        model->vertices.add(vertex);
        lastObject->vertices.add(vertex);
    }
}

void Reader::faceList(std::size_t body, std::size_t end, int depth) {
    if (end - body < 2) return;
    const std::size_t count = u16(body);
    std::size_t pos = body + 2;
    const std::size_t recordSize = 8;   // three indices and an unused flags word
    const std::uint32_t base = lastObject ? std::uint32_t(lastObject->vertexBase) : 0;
    const std::size_t present = std::min(count, (end - pos) / recordSize);
    model->faces.reserveMore(std::int32_t(present));
    if (lastObject) lastObject->faces.reserveMore(std::int32_t(present));
    if (fileFaces.capacity() - fileFaces.size() < present)   // twofold at least: many small lists stay linear
        fileFaces.reserve(std::max(fileFaces.size() + present, 2 * fileFaces.capacity()));
    for (std::size_t i = 0; i < count; ++i, pos += recordSize) {
        if (end - pos < recordSize) return;   // short: no sub-chunks either
        if (!lastObject) {
            fileFaces.push_back(nullptr);
            continue;
        }
        Face* face = new Face(0, 0, 0, 0, 0, 0, base + u16(pos), base + u16(pos + 2),
                              base + u16(pos + 4));
        pendingFaces.push_back({face, lastObject, fileFaces.size()});
        fileFaces.push_back(face);
    }
    readChunks(pos, end, depth);
}

void Reader::faceMaterial(std::size_t body, std::size_t end, int) {
    char name[nameBufferSize];
    std::size_t pos = readName(body, end, name, sizeof name, false);
    if (end - pos < 2) return;
    const std::size_t count = u16(pos);
    pos += 2;
    TextureKey* key = library ? library->find(name) : nullptr;
    // The n-th entry of any face material chunk of the file is the file's
    // n-th face, whatever face number the entry lists.
    for (std::size_t i = 0; i < count && end - pos >= 2; ++i, pos += 2) {
        if (faceMaterialCounter < fileFaces.size() && fileFaces[faceMaterialCounter])
            fileFaces[faceMaterialCounter]->texture = key;
        ++faceMaterialCounter;
    }
}

void Reader::mappingList(std::size_t body, std::size_t end, int) {
    if (end - body < 2) return;
    const std::size_t count = u16(body);
    std::size_t pos = body + 2;
    const std::size_t recordSize = 8;
    const std::size_t vertexCount = std::size_t(model->vertices.count());
    for (std::size_t i = 0; i < count && end - pos >= recordSize; ++i, pos += recordSize) {
        if (mappingCounter < vertexCount) {
            Vertex* vertex = model->vertices.at(std::int32_t(mappingCounter));
            vertex->u = 0.0f - f32(pos);
            vertex->v = 0.0f - f32(pos + 4);
        }
        ++mappingCounter;
    }
}

void Reader::materialName(std::size_t body, std::size_t end, int) {
    readName(body, end, currentMaterial, sizeof currentMaterial, true);
}

void Reader::mapFileName(std::size_t body, std::size_t end, int) {
    char fileName[nameBufferSize];
    readName(body, end, fileName, sizeof fileName, false);

    // Whatever format the map names, the TGA of the same base name is
    // loaded from the data folder: TREE.JPG -> data//TREE.tga, name TREE.
    // The base name is cut so that the path fits its 256-byte buffer.
    const std::size_t maxBase = nameBufferSize - sizeof dataFolder - sizeof mapExtension;
    char base[maxBase + 1];
    std::size_t baseLength = 0;
    while (fileName[baseLength] != '\0' && fileName[baseLength] != '.' && baseLength < maxBase) {
        base[baseLength] = fileName[baseLength];
        ++baseLength;
    }
    base[baseLength] = '\0';
    char path[nameBufferSize];
    std::snprintf(path, sizeof path, "%s%s.%s", dataFolder, base, mapExtension);

    if (options.textureLoad) {
        options.textureLoad(currentMaterial, path, base);
        return;
    }
    if (!library) return;
    // A known key would make load() do nothing; the first map of a
    // material wins.
    if (library->find(currentMaterial)) return;
    library->load(keepText(currentMaterial), keepText(path), keepText(base), 0);
}

}  // namespace

Model* load3dsFromMemory(const std::uint8_t* data, std::size_t size, TextureLibrary* library,
                         const Load3dsOptions& options) {
    Model* model = new Model;
    if (library) library->addModel(model);
    Reader reader(data, size, model, library, options);
    reader.run();
    return model;
}

Model* load3ds(const char* fileName, TextureLibrary* library, const Load3dsOptions& options) {
    std::vector<std::uint8_t> bytes;
    if (!fileName || !platform::readWholeFile(fileName, bytes)) return nullptr;
    return load3dsFromMemory(bytes.data(), bytes.size(), library, options);
}

}  // namespace Qu
