#pragma once
// Renderer: the one drawing context of the demo. Fixed-function OpenGL 1.1,
// immediate mode; every operation sets the state it relies on and restores
// nothing (text excepted, see below).
//
// Conventions shared by every pass:
//
// * Eye coordinates. Geometry is transformed on the CPU into the eye
//   coordinates of the model's first camera: x along the camera's `side`,
//   y along `up`, z along `forward` (the distance toward the look-at point).
//   A point is in front of the viewer when its eye z is positive.
//
// * The view flip. Every pass starts from the modelview
//   T(0, 0, -1)·scale(-1, -1, -1): an eye point (x, y, z) reaches OpenGL as
//   (-x, -y, -z - 1). So `side` (+x) points to the LEFT of the screen and
//   `up` (+y) points DOWN; the GL eye sits 1 unit behind the camera's eye.
//   The reflection reverses every triangle's winding, which is why the
//   culling passes discard GL_FRONT faces.
//
// * Texture coordinates are stored negated and drawn negated again, (-u, -v).
//
// * Screen quads lie on the plane 951 units in front of the GL eye (eye
//   z 950). Their coordinates have x to the right and y up on the screen;
//   with the 85-degree, 4:3 projection the rectangle (-1165, -880, 1165, 880)
//   fills the view with a thin margin. Corner (x1, y1) gets texture (0, 0),
//   (x2, y2) gets (1, 1).
//
// * Text uses window pixels: x from the left edge, y downward from a line
//   600 pixels above the bottom edge; the text's baseline lies one font
//   height below that.
//
// Missing pieces never crash: a model without a camera is not drawn, a face
// without a texture is drawn untextured, a quad or sprite whose texture is
// missing is not drawn.
#include <cstdint>

#include "engine/ptr_array.h"

namespace Qu {
class Model;
class Texture;
class TextureLibrary;
class FontSet;
}  // namespace Qu

class Renderer {
public:
    Renderer();
    ~Renderer();
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    // World passes (model: its first camera is used).
    // Opaque meshes (kinds 1, 2), lights (kind 4), depth-sorted transparent
    // faces (kind 8), then the light pass with flare sprites.
    void drawWorld(Qu::Model* model);
    // As drawWorld with an extra light set-up, additive blend mode 1 and no
    // flare sprites; callers follow it with drawLightFlares.
    void drawWorldAdditive(Qu::Model* model);
    // Only the light pass with its flare sprites; transforms no mesh.
    void drawLightFlares(Qu::Model* model);
    // Refills transparentFaces with the faces of every kind-8 object, far
    // (largest eye z) to near.
    void sortTransparentFaces(Qu::Model* model);

    // Screen quads on the 951-unit plane; alpha 0..1 scales the colour.
    void drawQuad(Qu::Texture* texture, float x1, float y1, float x2, float y2, float alpha);
    // Additive; (u, v) is added to every texture coordinate.
    void drawScrollQuad(Qu::Texture* texture, float x1, float y1, float x2, float y2,
                        float u, float v, float alpha);
    // The fade: mode 0 multiplies the screen by the quad's colour, mode 1
    // blends by source alpha, any other mode keeps the current factors.
    void drawBlendQuad(Qu::Texture* texture, float x1, float y1, float x2, float y2,
                       float alpha, std::int32_t mode);

    // Text. `deviceContext` is whatever the platform's window gives (null in
    // tests); the glyphs come from the platform's font rasteriser.
    void initFonts(void* deviceContext);
    // printf-style into 256 bytes (longer output is cut at 255 characters).
    // A null format draws nothing; a null key means the first font.
    void print(const char* fontKey, int x, int y, const char* format, ...)
        __attribute__((format(printf, 5, 6)));
    void printColored(const char* fontKey, int x, int y, float r, float g, float b,
                      const char* format, ...) __attribute__((format(printf, 8, 9)));

    // Build-up effect: faces 1..ceil(n) of each object of the kind, counted
    // per object in face-list order. Each clears the depth buffer first.
    void drawWireBuild(Qu::Model* model, Qu::TextureLibrary* textureLibrary, float n);
    void drawWireBuildLarge(Qu::Model* model, Qu::TextureLibrary* textureLibrary, float n);
    void drawWireBuildFine(Qu::Model* model, Qu::TextureLibrary* textureLibrary, float n);
    void drawSolidBuild(Qu::Model* model, Qu::TextureLibrary* textureLibrary, float n);

    // Faces of the transparent objects last drawn (Qu::Face*), far to near;
    // not owned. Keeps its storage between frames.
    Qu::PtrArray transparentFaces;
    Qu::FontSet* fontSet = nullptr;   // owned; created by initFonts

private:
    void drawWorldPasses(Qu::Model* model, bool additive);
    void drawLightPass(Qu::Model* model, bool sprites);
    void drawWireBuildPass(Qu::Model* model, Qu::TextureLibrary* textureLibrary, float n,
                           float lift, float liftStep, float spriteScale, bool clearPerSprite,
                           bool includeSolidKind);
};

namespace render {

// Loads the view flip into the modelview matrix (and leaves modelview the
// current matrix mode).
void loadViewFlip();

}  // namespace render
