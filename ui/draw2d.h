// Small helpers shared by the HUD and the menu screens: textured screen quads,
// the pixel space over the screen and the fill bracket of wireframe mode.
#pragma once

#include <GL/glew.h>
#include <GL/glu.h>

namespace ui2d {

// A texture rectangle, in texture coordinates.
struct TexRect {
  float s0, t0, s1, t1;
};

// One GL_QUADS primitive at z = 0, corners counter-clockwise from lower left.
inline void quad(float x0, float y0, float x1, float y1, const TexRect& r) {
  glBegin(GL_QUADS);
  glTexCoord2f(r.s0, r.t0);
  glVertex3f(x0, y0, 0);
  glTexCoord2f(r.s1, r.t0);
  glVertex3f(x1, y0, 0);
  glTexCoord2f(r.s1, r.t1);
  glVertex3f(x1, y1, 0);
  glTexCoord2f(r.s0, r.t1);
  glVertex3f(x0, y1, 0);
  glEnd();
}

inline void wholeQuad(float x0, float y0, float x1, float y1) { quad(x0, y0, x1, y1, {0, 0, 1, 1}); }

// A flat rectangle of one colour; the texturing the text and digits need stays on.
inline void filledQuad(float x0, float y0, float x1, float y1, float r, float g, float b, float a) {
  glDisable(GL_TEXTURE_2D);
  glColor4f(r, g, b, a);
  wholeQuad(x0, y0, x1, y1);
  glEnable(GL_TEXTURE_2D);
}

// Opens a pixel space over the whole screen (origin bottom left) with both
// matrices pushed; popScreenSpace closes it.
inline void pushScreenSpace(int width, int height) {
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  gluOrtho2D(0, width, 0, height);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
}

inline void popScreenSpace() {
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
}

// HUD quads stay filled while the scene is drawn as outlines; the outline
// mode is put back afterwards.
class FillInWireframe {
 public:
  explicit FillInWireframe(bool wireframe) : wireframe_(wireframe) {
    if (wireframe_) glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  }
  ~FillInWireframe() {
    if (wireframe_) glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
  }
  FillInWireframe(const FillInWireframe&) = delete;
  FillInWireframe& operator=(const FillInWireframe&) = delete;

 private:
  bool wireframe_;
};

}  // namespace ui2d
