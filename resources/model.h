#pragma once
// Model records: what a 3DS file becomes.
//
// Axes: engine coordinates (a file point (x, y, z) is stored as (x, -z, y)).
// Under the renderer's view flip, eye -y is up on the screen and eye +x is
// on the left. Texture coordinates are stored negated (as the 3DS reader
// reads them) and negated again when drawn.
//
// Ownership: a model's four lists hold the same records as its objects'
// lists; nothing is freed while the demo runs. Deleting a model frees its
// lists' nodes only; deleteModel() also frees every record (tests, tools).
// Items own their name text.
#include <cstddef>
#include <cstdint>

#include "engine/list.h"
#include "engine/vector.h"

namespace Qu {

class TextureKey;
class Camera;

// Item kinds (plain integers, as the scenes use them).
enum : std::int32_t {
    kindMesh = 1,          // opaque, lit, culled
    kindDoubleSided = 2,   // opaque, lit, both sides, normals reversed
    kindLight = 4,
    kindTransparent = 8,   // depth-sorted, coloured, blended
    kindSolidBuild = 16,
    kindWireBuild = 32,
    kindNew = 128,
};

class Item {
public:
    Item() = default;
    // Virtual so that objects and lights in a model's `objects` can be
    // deleted through Item* (deleteModel, scene shutdown).
    virtual ~Item();
    Item(const Item&) = delete;
    Item& operator=(const Item&) = delete;

    const char* name() const { return itemName; }
    void setName(char* text);   // takes ownership (allocated with new[])
    std::int32_t kind() const { return itemKind; }
    void setKind(std::int32_t k) { itemKind = k; }

private:
    char* itemName = nullptr;
    std::int32_t itemKind = kindNew;
};

// Vertices and faces come by the hundred thousand from model files and
// stay until the process ends: they are carved from large blocks rather
// than allocated one by one, and a deleted record's memory is kept for the
// next record of its type (one thread creates and deletes them).
struct Vertex final {
    explicit Vertex(const Vector& filePosition);
    static void* operator new(std::size_t);
    static void operator delete(void* record) noexcept;

    Vector eyePosition;   // file position, then eye coordinates each frame
    Vector position;      // model space, centred on its object
    Vector restPosition;  // zero; scenes keep wave rest positions here
    Vector eyeNormal;
    Vector normal;        // unit, or zero for a vertex no face uses
    float u = 0.0f, v = 0.0f;
};

struct Face final {
    Face(float u1, float v1, float u2, float v2, float u3, float v3,
         std::uint32_t i1, std::uint32_t i2, std::uint32_t i3);
    static void* operator new(std::size_t);
    static void operator delete(void* record) noexcept;

    std::uint32_t vertexIndex[3];   // absolute, into the model's vertices
    float cornerU[3];
    float cornerV[3];
    Vector eyeNormal;
    Vector normal;
    double depth = 0.0;             // sort key of the transparent pass
    TextureKey* texture = nullptr;  // null: drawn untextured
    float color[4] = {0, 0, 0, 0};  // alpha, red, green, blue
    std::int32_t blend = 0;         // 0, 1, 2
};

class Object : public Item {
public:
    Object();

    // matrix := rotation(ax, ay, az); position += (dx, dy, dz).
    void place(double ax, double ay, double az, double dx, double dy, double dz);
    // Post-load finishing: bounding box, centring, then normals. An object
    // without vertices keeps a zero size and position.
    void centre();
    // Face normals, then each vertex's normal as the normalised mean of the
    // normals of the faces that use it (a face counts once per vertex);
    // zero for an unused vertex. Linear in the object's size. A face whose
    // indices fall outside this object's vertices gets a zero normal and
    // touches no vertex.
    void computeNormals();

    // Drawing-side operations (implemented with the renderer).
    void toEyeSpace(Camera* camera);
    void setColor(double r, double g, double b, double alpha);
    void setColorBlend(double r, double g, double b, double alpha, std::int32_t blend);

    std::int32_t vertexBase = 0;
    Matrix matrix;
    List<Face> faces;
    List<Vertex> vertices;
    Vector workPosition;
    Vector position;
    Vector homePosition;
    Vector size;
};

class Model {
public:
    Model() = default;
    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;

    // First item whose name equals `name` exactly; null if none.
    Item* findObject(const char* name);

    List<Face> faces;
    List<Vertex> vertices;
    List<Item> objects;
    List<Camera> cameras;
};

// Deletes the model with every item, face, vertex and camera in its lists.
// The demo never calls it (nothing is freed while it runs); tests and tools
// do, so that sanitizer runs see no leaks. Null is ignored.
void deleteModel(Model* model);

}  // namespace Qu
