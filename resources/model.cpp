#include "resources/model.h"

#include <cstddef>
#include <cstring>
#include <new>
#include <vector>

#include "resources/camera.h"

namespace Qu {

namespace {

Vector zeroVector() { return Vector(0.0, 0.0, 0.0); }

// Records of one size from blocks of 1024 that are never returned; freed
// records are chained through their first bytes and handed out first.
template <std::size_t recordSize>
class RecordPool {
public:
    void* take() {
        if (freed) {
            Free* record = freed;
            freed = record->next;
            return record;
        }
        if (blocks.empty() || used == perBlock) {
            blocks.push_back(static_cast<unsigned char*>(::operator new(recordSize * perBlock)));
            used = 0;
        }
        return blocks.back() + recordSize * used++;
    }
    void give(void* record) {
        if (!record) return;
        Free* entry = static_cast<Free*>(record);
        entry->next = freed;
        freed = entry;
    }

private:
    struct Free {
        Free* next;
    };
    static_assert(recordSize >= sizeof(Free), "a freed record holds the chain");
    static constexpr std::size_t perBlock = 1024;
    std::vector<unsigned char*> blocks;   // kept for the life of the process
    std::size_t used = 0;
    Free* freed = nullptr;
};

// Sizes rounded up to the strictest alignment the records need.
constexpr std::size_t rounded(std::size_t size) {
    return (size + alignof(std::max_align_t) - 1) / alignof(std::max_align_t) * alignof(std::max_align_t);
}

RecordPool<rounded(sizeof(Vertex))>& vertexPool() {
    static RecordPool<rounded(sizeof(Vertex))> pool;
    return pool;
}

RecordPool<rounded(sizeof(Face))>& facePool() {
    static RecordPool<rounded(sizeof(Face))> pool;
    return pool;
}

}  // namespace

void* Vertex::operator new(std::size_t) { return vertexPool().take(); }

void Vertex::operator delete(void* record) noexcept { vertexPool().give(record); }

void* Face::operator new(std::size_t) { return facePool().take(); }

void Face::operator delete(void* record) noexcept { facePool().give(record); }

Item::~Item() { delete[] itemName; }

void Item::setName(char* text) {
    if (text == itemName) return;
    delete[] itemName;
    itemName = text;
}

Vertex::Vertex(const Vector& filePosition)
    : eyePosition(filePosition),
      position(filePosition),
      restPosition(zeroVector()),
      eyeNormal(zeroVector()),
      normal(zeroVector()) {}

Face::Face(float u1, float v1, float u2, float v2, float u3, float v3,
           std::uint32_t i1, std::uint32_t i2, std::uint32_t i3)
    : vertexIndex{i1, i2, i3},
      cornerU{u1, u2, u3},
      cornerV{v1, v2, v3},
      eyeNormal(zeroVector()),
      normal(zeroVector()) {}

Object::Object()
    : workPosition(zeroVector()),
      position(zeroVector()),
      homePosition(zeroVector()),
      size(zeroVector()) {
    matrix.identity();
}

void Object::place(double ax, double ay, double az, double dx, double dy, double dz) {
    Matrix turn;
    turn.rotation(float(ax), float(ay), float(az));
    matrix.identity();
    matrix.multiply(turn);
    position.x += dx;
    position.y += dy;
    position.z += dz;
}

void Object::centre() {
    Vector centrePoint = zeroVector();
    size.zero();
    if (vertices.count() > 0) {
        Vector low = vertices.at(0)->position;
        Vector high = low;
        vertices.first();
        while (vertices.hasMore()) {
            const Vector& p = vertices.next()->position;
            if (p.x < low.x) low.x = p.x;
            if (p.y < low.y) low.y = p.y;
            if (p.z < low.z) low.z = p.z;
            if (p.x > high.x) high.x = p.x;
            if (p.y > high.y) high.y = p.y;
            if (p.z > high.z) high.z = p.z;
        }
        size = Vector(high.x - low.x, high.y - low.y, high.z - low.z);
        centrePoint = Vector(low.x + size.x / 2, low.y + size.y / 2, low.z + size.z / 2);
        vertices.first();
        while (vertices.hasMore()) vertices.next()->position -= centrePoint;
    }
    place(0.0, 0.0, 0.0, centrePoint.x, centrePoint.y, centrePoint.z);
    homePosition = position;
}

void Object::computeNormals() {
    const std::int32_t vertexCount = vertices.count();
    // Sums are built face by face in face order, so each vertex adds the same
    // normals in the same order as a scan of all faces per vertex would.
    std::vector<Vector> sums(std::size_t(vertexCount), zeroVector());
    std::vector<std::int32_t> uses(std::size_t(vertexCount), 0);

    faces.first();
    while (faces.hasMore()) {
        Face* face = faces.next();
        std::int64_t local[3];
        bool inside = true;
        for (int c = 0; c < 3; ++c) {
            local[c] = std::int64_t(face->vertexIndex[c]) - vertexBase;
            if (local[c] < 0 || local[c] >= vertexCount) inside = false;
        }
        if (!inside) {
            face->normal.zero();
            continue;
        }
        const Vector& p1 = vertices.at(std::int32_t(local[0]))->position;
        const Vector& p2 = vertices.at(std::int32_t(local[1]))->position;
        const Vector& p3 = vertices.at(std::int32_t(local[2]))->position;
        Vector a(p2.x - p1.x, p2.y - p1.y, p2.z - p1.z);
        Vector b(p3.x - p1.x, p3.y - p1.y, p3.z - p1.z);
        face->normal = a.cross(b);
        face->normal.normalise();

        for (int c = 0; c < 3; ++c) {
            bool repeated = false;
            for (int earlier = 0; earlier < c; ++earlier)
                if (local[earlier] == local[c]) repeated = true;
            if (repeated) continue;
            Vector& sum = sums[std::size_t(local[c])];
            sum.x += face->normal.x;
            sum.y += face->normal.y;
            sum.z += face->normal.z;
            ++uses[std::size_t(local[c])];
        }
    }

    for (std::int32_t i = 0; i < vertexCount; ++i) {
        Vector n = sums[std::size_t(i)];
        const std::int32_t count = uses[std::size_t(i)];
        if (count != 0) {
            n.x /= count;
            n.y /= count;
            n.z /= count;
        }
        n.normalise();
        vertices.at(i)->normal = n;
    }
}

Item* Model::findObject(const char* name) {
    if (objects.count() == 0 || name == nullptr) return nullptr;
    // Walk by index: scenes may be iterating `objects` with its cursor.
    for (std::int32_t i = 0; i < objects.count(); ++i) {
        Item* item = objects.at(i);
        if (item->name() && std::strcmp(item->name(), name) == 0) return item;
    }
    return nullptr;
}

void deleteModel(Model* model) {
    if (!model) return;
    for (std::int32_t i = 0; i < model->objects.count(); ++i) delete model->objects.at(i);
    for (std::int32_t i = 0; i < model->faces.count(); ++i) delete model->faces.at(i);
    for (std::int32_t i = 0; i < model->vertices.count(); ++i) delete model->vertices.at(i);
    for (std::int32_t i = 0; i < model->cameras.count(); ++i) delete model->cameras.at(i);
    delete model;
}

}  // namespace Qu
