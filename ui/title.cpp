// The title screen with its four entries and the loading picture, and the
// letter font that the high-score screen writes names with.
#include <GL/glew.h>
#include <GL/glu.h>

#include <cstdlib>

#include "platform/platform.h"
#include "race/race.h"
#include "shell/game.h"
#include "ui/draw2d.h"
#include "ui/ui.h"

// ---- Per process: the title screen -------------------------------------------
TitleScreen gTitle;
int gTitleEntry = 0;  // kept between visits
const int gTitleEntryCount = kTitleEntryCount;

namespace {

constexpr unsigned char kUpKey = 101;    // shares its entry with 'e'
constexpr unsigned char kDownKey = 103;  // shares its entry with 'g'
constexpr unsigned char kEnterKey = 13;
constexpr double kFadeSeconds = 2.0;

float fw(int v) { return static_cast<float>(v); }

void fullScreenQuad(int w, int h) {
  ui2d::quad(0, 0, fw(w), fw(h), {0, 0, 1, 1});
}

unsigned int titlePicture() {
  switch (gTitleEntry) {
    case kTitleStart: return gTitle.texMenuStart;
    case kTitleHighScores: return gTitle.texMenuHighScores;
    case kTitleOptions: return gTitle.texMenuOptions;
    default: return gTitle.texMenuExit;
  }
}

// Keys are ignored while the picture fades in; an arrow still held when the
// fade ends moves the highlight once, since its entry is cleared on use.
void moveHighlight() {
  if (!gTitle.inputReady) return;
  if (gKeys[kUpKey]) {
    gTitleEntry = (gTitleEntry + gTitleEntryCount - 1) % gTitleEntryCount;
    gKeys[kUpKey] = 0;
  }
  if (gKeys[kDownKey]) {
    gTitleEntry = (gTitleEntry + 1) % gTitleEntryCount;
    gKeys[kDownKey] = 0;
  }
}

void openHighScoresFromTitle() {
  readHighScores();
  gHighScoreScreen.active = true;
  gHighScoreScreen.afterRace = false;
  gHighScoreScreen.inputReady = false;
  gHighScoreScreen.highlighted = -1;
  gTableLine.clear();
  QueryPerformanceCounter(&gHighScoreScreen.shownSince);
  gTitle.active = false;
}

// The Enter frame only shows the loading picture; the next frame shows it
// again and builds the race before the buffers are swapped, so the picture
// stays up for the whole build.
void showLoadingPicture(int w, int h) {
  glColor4f(1, 1, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  glBindTexture(GL_TEXTURE_2D, gTitle.texLoading);
  fullScreenQuad(w, h);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glLoadIdentity();
  gluPerspective(50, fw(w) / fw(h), 1.0, gViewDistance);
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glLoadIdentity();
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  glEnable(GL_LIGHTING);
  if (gTitle.loadPending) {
    // loadPending stays set through the race; a build that fails goes back
    // to the title, which clears it, so it must not be set again here.
    buildRace();
  } else {
    gTitle.loadPending = true;
    gKeys[kEnterKey] = 0;  // the press is the title's: bound to a driving action, it must not act at the start
  }
}

}  // namespace

void drawTitleScreen() {
  const int w = gScreenWidth, h = gScreenHeight;
  glEnable(GL_TEXTURE_2D);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  QueryPerformanceCounter(&gTitle.now);
  gTitle.elapsed = static_cast<double>(gTitle.now - gTitle.shownSince) / static_cast<double>(gPerfFrequency);
  ui2d::pushScreenSpace(w, h);
  if (gTitle.elapsed > kFadeSeconds) {
    gTitle.inputReady = true;
  } else {
    const float level = static_cast<float>(gTitle.elapsed / 2);
    glColor4f(level, level, level, 1);
  }
  moveHighlight();
  glBindTexture(GL_TEXTURE_2D, titlePicture());
  // No clear: the picture covers the screen.
  fullScreenQuad(w, h);
  // Enter is never cleared here: still held when the fade ends, it chooses.
  const bool enter = gKeys[kEnterKey] && gTitle.inputReady;
  if (enter && gTitleEntry == kTitleExit) quitGame();  // ends the process once this frame is done
  if (enter && (gTitleEntry == kTitleHighScores || gTitleEntry == kTitleOptions)) {
    if (gTitleEntry == kTitleOptions)
      openOptions();
    else
      openHighScoresFromTitle();
    gKeys[kEnterKey] = 0;  // the title's press: the next screen must not take it as its own
    ui2d::popScreenSpace();
    return;
  }
  if ((enter && gTitleEntry == kTitleStart) || gTitle.loadPending) {
    showLoadingPicture(w, h);
    return;
  }
  ui2d::popScreenSpace();
}

// ---- Font: Characters.tga, 460 x 106 ----------------------------------------

namespace {

struct FontGlyph {
  int firstColumn, lastColumn, firstRow, lastRow;
  int k;  // on-screen width in 1760ths of the screen width
};

const FontGlyph kFont[26] = {
    {0, 50, 30, 64, 50},     {306, 355, 36, 70, 49},  {356, 401, 36, 70, 45},  {402, 447, 36, 70, 45},
    {97, 142, 1, 35, 45},    {325, 380, 71, 105, 55}, {204, 254, 36, 70, 50},  {51, 101, 36, 70, 50},
    {437, 459, 71, 105, 22}, {102, 152, 36, 70, 55},  {45, 100, 71, 105, 55},  {274, 315, 1, 35, 41},
    {101, 156, 71, 105, 55}, {153, 203, 36, 70, 50},  {51, 96, 1, 35, 45},     {381, 436, 71, 105, 55},
    {0, 44, 65, 105, 44},    {255, 305, 36, 70, 50},  {157, 212, 71, 105, 55}, {188, 230, 1, 35, 42},
    {143, 187, 1, 35, 44},   {316, 352, 1, 35, 36},   {213, 268, 71, 105, 55}, {269, 324, 71, 105, 55},
    {231, 273, 1, 35, 42},   {353, 387, 1, 35, 34},
};

int letterIndex(char c) {
  if (c >= 'a' && c <= 'z') return c - 'a';
  if (c >= 'A' && c <= 'Z') return c - 'A';
  return -1;
}

}  // namespace

void HighScoreScreen::drawChar(char c) {
  const int i = letterIndex(c);
  if (i < 0) return;
  const int w = gScreenWidth, h = gScreenHeight;
  const FontGlyph& g = kFont[i];
  const ui2d::TexRect rect{gridTexCoord(g.firstColumn, 460), gridTexCoord(g.firstRow, 106),
                           gridTexCoord(g.lastColumn, 460), gridTexCoord(g.lastRow, 106)};
  if (i == 'q' - 'a') {
    // The tail of the q hangs below the line.
    ui2d::quad(0, fw(-h * 5 / 840), fw(w * 44 / 1760), fw(h / 24), rect);
  } else {
    ui2d::quad(0, 0, fw(w * g.k / 1760), fw(h / 24), rect);
  }
  const float advance = fw(w * g.k / 1760 + 2);  // letters stand 2 pixels apart
  glTranslatef(advance, 0, 0);
  textAdvance += advance;
}

void HighScoreScreen::drawString(std::string s) {
  for (char c : s) drawChar(c);
  glTranslatef(-textAdvance, 0, 0);
}
