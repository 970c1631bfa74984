// libFuzzer target: the 3DS reader on an arbitrary file image.
//
// The reader must finish on any input with a model whose faces only name
// vertices the model holds; the model is then walked and deleted with
// every record.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "resources/load3ds.h"
#include "resources/model.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Qu::Load3dsOptions options;
    options.echo = nullptr;
    std::size_t maps = 0;
    options.textureLoad = [&maps](const char* key, const char* path, const char* name) {
        // The texts must be terminated and within their buffers.
        const std::string k(key), p(path), n(name);
        if (k.size() > 255 || p.size() > 255 || n.size() > 255 || p.compare(0, 6, "data//") != 0) std::abort();
        ++maps;
    };
    Qu::Model* model = Qu::load3dsFromMemory(data, size, nullptr, options);
    if (!model) std::abort();

    const std::int32_t vertexCount = model->vertices.count();
    model->faces.first();
    while (model->faces.hasMore()) {
        const Qu::Face* face = model->faces.next();
        for (int c = 0; c < 3; ++c)
            if (face->vertexIndex[c] >= std::uint32_t(vertexCount)) std::abort();
    }
    model->objects.first();
    while (model->objects.hasMore()) {
        // The reader makes mesh objects only.
        Qu::Item* item = model->objects.next();
        if (!item->name() || item->kind() != Qu::kindMesh) std::abort();
        Qu::Object* object = static_cast<Qu::Object*>(item);
        object->vertices.first();
        while (object->vertices.hasMore()) (void)object->vertices.next()->position;
    }
    Qu::deleteModel(model);
    return 0;
}
