#include "scenes/screen_overlay.h"

#include <GL/gl.h>

#include "render/renderer.h"
#include "scenes/scene_framework.h"

void addOverlayQuad(std::vector<demoOverlay>& list, const char* key, float x1, float y1, float x2,
                    float y2, float alpha) {
    list.push_back({key, x1, y1, x2, y2, alpha, -1});
}

void addFadeOverlay(std::vector<demoOverlay>& list, float alpha, int mode) {
    list.push_back({"wt", fadeRect[0], fadeRect[1], fadeRect[2], fadeRect[3], alpha, mode});
}

void addZoomOverlays(std::vector<demoOverlay>& list, const char* key, const float factors[4],
                     const float alphas[4]) {
    float rects[4][4];
    demoZoomRects(factors, rects);
    for (int i = 0; i < 4; ++i)
        addOverlayQuad(list, key, rects[i][0], rects[i][1], rects[i][2], rects[i][3], alphas[i]);
}

void drawOverlays(demoSceneCommon& scene, const std::vector<demoOverlay>& list) {
    for (const demoOverlay& overlay : list) {
        if (!overlay.key) {
            glClear(GL_DEPTH_BUFFER_BIT);
            continue;
        }
        Qu::Texture* picture = scene.texture(overlay.key);
        if (overlay.mode < 0) {
            scene.renderer->drawQuad(picture, overlay.x1, overlay.y1, overlay.x2, overlay.y2,
                                     overlay.alpha);
        } else {
            scene.renderer->drawBlendQuad(picture, overlay.x1, overlay.y1, overlay.x2, overlay.y2,
                                          overlay.alpha, overlay.mode);
        }
    }
}
