// The pause menu over the race it stopped: the view dimmed, a dark pane, the
// chosen entry lit in the table's pulsing orange, and Pause.tga's border and
// words (on a clear ground) over them.
#include <GL/glew.h>

#include <cmath>

#include "render/render.h"
#include "shell/game.h"
#include "ui/draw2d.h"
#include "ui/ui.h"

namespace {

float fw(int v) { return static_cast<float>(v); }

// ---- Pause.tga, 512 x 256: a heading, then one row per entry, top down ------
struct PictureRows {
  int first, last;
};
constexpr int kPictureHeight = 256;
constexpr PictureRows kEntryRows[kPauseEntryCount] = {{92, 139}, {146, 193}, {200, 247}};

}  // namespace

void loadPauseMenuTexture() { gPauseMenu.texture = loadPicture("Data/Textures/Pause.tga"); }

void drawPauseMenu() {
  const int w = gScreenWidth, h = gScreenHeight;
  const ui2d::FillInWireframe fill(gWireframe == 1);
  ui2d::pushScreenSpace(w, h);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  glDisable(GL_TEXTURE_2D);
  glEnable(GL_BLEND);
  glColor4f(0, 0, 0, 0.55f);
  ui2d::wholeQuad(0, 0, fw(w), fw(h));  // the race, dimmed
  // The pane keeps its picture's 2:1 at every mode, a little under half the width.
  const float paneW = fw(w * 7 / 16), paneH = paneW / 2;
  const float x0 = (fw(w) - paneW) / 2, y0 = (fw(h) - paneH) / 2;
  glColor4f(0.02f, 0.03f, 0.08f, 0.85f);
  ui2d::wholeQuad(x0, y0, x0 + paneW, y0 + paneH);  // dark enough that the race does not show through the words
  const PictureRows& row = kEntryRows[gPauseMenu.entry];
  const float top = y0 + paneH * (1 - fw(row.first) / kPictureHeight);
  const float bottom = y0 + paneH * (1 - fw(row.last + 1) / kPictureHeight);
  gHighlightPhase += 1;
  if (gHighlightPhase > 720) gHighlightPhase -= 720;
  const float pulse = (std::sin(gHighlightPhase / 2) + 1) / 2;
  glColor4f(1, 0.45f + 0.2f * pulse, 0.05f, 0.55f + 0.3f * pulse);
  ui2d::wholeQuad(x0 + paneW / 16, bottom, x0 + paneW * 15 / 16, top);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, gPauseMenu.texture);
  glColor4f(1, 1, 1, 1);
  ui2d::wholeQuad(x0, y0, x0 + paneW, y0 + paneH);
  ui2d::popScreenSpace();
  // As the HUD leaves them for the next frame's views.
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_LIGHTING);
}
