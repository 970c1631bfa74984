// Screen quads: textured rectangles on the plane 951 units in front of the
// GL eye, drawn unlit in the colour (a, a, a, a) modulating the texture.
#include <GL/gl.h>

#include "render/renderer.h"
#include "resources/texture_library.h"

namespace {

// Eye z of the quad plane (the view flip adds the last unit).
const float quadPlane = 950.0f;

void beginQuad() {
    render::loadViewFlip();
    glEnable(GL_BLEND);
    glDisable(GL_CULL_FACE);
}

GLuint mipmapName(const Qu::Texture* texture) {
    if (!texture || !texture->image()) return 0;
    return texture->image()->glMipmap;
}

// Two triangles, (x1, y1) textured at (u, v) and (x2, y2) at (u + 1, v + 1).
// Eye coordinates are (-x, -y, 950): the flip shows them at (x, y).
void drawCorners(GLuint name, float x1, float y1, float x2, float y2, float u, float v) {
    glBindTexture(GL_TEXTURE_2D, name);
    const float p11[3] = {-x1, -y1, quadPlane};
    const float p21[3] = {-x2, -y1, quadPlane};
    const float p22[3] = {-x2, -y2, quadPlane};
    const float p12[3] = {-x1, -y2, quadPlane};
    glBegin(GL_TRIANGLES);
    glTexCoord2f(u, v);
    glVertex3fv(p11);
    glTexCoord2f(u + 1.0f, v);
    glVertex3fv(p21);
    glTexCoord2f(u + 1.0f, v + 1.0f);
    glVertex3fv(p22);
    glEnd();
    glBegin(GL_TRIANGLES);
    glTexCoord2f(u, v);
    glVertex3fv(p11);
    glTexCoord2f(u, v + 1.0f);
    glVertex3fv(p12);
    glTexCoord2f(u + 1.0f, v + 1.0f);
    glVertex3fv(p22);
    glEnd();
}

void setColorAndUnlit(float alpha) {
    glColor4f(alpha, alpha, alpha, alpha);
    glDisable(GL_LIGHTING);
}

}  // namespace

void Renderer::drawQuad(Qu::Texture* texture, float x1, float y1, float x2, float y2,
                        float alpha) {
    beginQuad();
    setColorAndUnlit(alpha);
    glBlendFunc(GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR);
    const GLuint name = mipmapName(texture);
    if (name != 0) drawCorners(name, x1, y1, x2, y2, 0.0f, 0.0f);
}

void Renderer::drawScrollQuad(Qu::Texture* texture, float x1, float y1, float x2, float y2,
                              float u, float v, float alpha) {
    beginQuad();
    glBlendFunc(GL_SRC_COLOR, GL_ONE);
    setColorAndUnlit(alpha);
    const GLuint name = mipmapName(texture);
    if (name != 0) drawCorners(name, x1, y1, x2, y2, u, v);
}

void Renderer::drawBlendQuad(Qu::Texture* texture, float x1, float y1, float x2, float y2,
                             float alpha, std::int32_t mode) {
    beginQuad();
    setColorAndUnlit(alpha);
    if (mode == 0) {
        // The screen times the quad. The window has no alpha bits, so its
        // destination alpha reads as 1 and (1 - destination alpha) is 0; a
        // frame that does store alpha must not change that result.
        GLint alphaBits = 0;
        glGetIntegerv(GL_ALPHA_BITS, &alphaBits);
        glBlendFunc(GL_DST_COLOR, alphaBits > 0 ? GL_ZERO : GL_ONE_MINUS_DST_ALPHA);
    } else if (mode == 1) {
        glBlendFunc(GL_SRC_COLOR, GL_ONE_MINUS_SRC_ALPHA);
    }
    const GLuint name = mipmapName(texture);
    if (name != 0) drawCorners(name, x1, y1, x2, y2, 0.0f, 0.0f);
}
