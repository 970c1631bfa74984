#pragma once
// Screen overlays: the quads a scene lays over its world after the 3D
// passes (title bands, zoom flashes, fades), listed per scene time so that
// tests can read them without drawing. Rectangles are screen-quad
// coordinates (x1, y1, x2, y2); the texture of a key is looked up when the
// overlay is drawn, and a quad whose key has no texture is not drawn.
#include <cstdint>
#include <vector>

class demoSceneCommon;

// One overlay: drawQuad when mode < 0, else drawBlendQuad with that mode;
// a null key stands for a depth-buffer clear between overlays.
struct demoOverlay {
    const char* key;
    float x1, y1, x2, y2;
    float alpha;
    int mode;
};

// drawQuad overlay of `key`.
void addOverlayQuad(std::vector<demoOverlay>& list, const char* key, float x1, float y1, float x2,
                    float y2, float alpha);
// "wt" on the fade rectangle, drawn with blend `mode`.
void addFadeOverlay(std::vector<demoOverlay>& list, float alpha, int mode);
// Four drawQuad overlays of `key` on the zoom rectangles of `factors`
// (see demoZoomRects), alpha alphas[i].
void addZoomOverlays(std::vector<demoOverlay>& list, const char* key, const float factors[4],
                     const float alphas[4]);

// Draws the list in order with the scene's renderer and textures.
void drawOverlays(demoSceneCommon& scene, const std::vector<demoOverlay>& list);
