// The head-up display drawn over every race frame: race clock, countdown,
// speedometer, lap label, split comparison, frame rate, help and option
// messages. It also owns the race clock. Positions are integer fractions of
// the screen, truncated in the order written, as the artwork was laid out.
#include <GL/glew.h>
#include <GL/glu.h>

#include <cmath>
#include <string>

#include "physics/physics.h"
#include "platform/platform.h"
#include "race/ghost.h"
#include "render/render.h"
#include "shell/frame_probe.h"
#include "shell/game.h"
#include "ui/draw2d.h"
#include "ui/ui.h"

// ---- Per race: the HUD record ------------------------------------------------
float gRaceClock = 0;
bool gClockFrozen = false;
int gHudLap = 1;
float gSplitClock = 0;
float gSplitRecord = 0;
float gSplitShownUntil = 0;
bool gSplitVisible = false;
double gSinceRaceStart = 0;
int64_t gRaceCounterFrequency = 1;
float gCountdownLength = kGameCountdown;
int64_t gFrameRateStart = 0;
int gFrameRateFrames = 0;
int gFrameRate = 0;
double gFrameRateWindow = 0;
float gNeedleAngle = 0;
int gInfoMessage = 0;
float gInfoMessageUntil = 0;

// ---- Per process: screen copies and pictures ------------------------------
int gHudWidth = 0;
int gHudHeight = 0;
float gHudFarPlane = 40000.0f;
int gHudWireframe = 0;
unsigned int gTexNumbers = 0, gTexDial = 0, gTexNeedle = 0, gTexGo = 0, gTexHelp = 0, gTexLaps = 0,
             gTexInfo = 0;

// ---- Arithmetic -----------------------------------------------------------------

float gridTexCoord(int pixel, int grid) {
  return static_cast<float>(std::floor(pixel * 1000000.0 / grid) / 1000000.0);
}

namespace {
// Beyond this a time or speed has no digits worth showing (and would not fit
// the integer arithmetic below).
constexpr float kLargestShown = 1e9f;
}  // namespace

void hudTimeGlyphs(float t, int glyphs[8]) {
  glyphs[2] = glyphs[5] = kHudColonGlyph;
  if (!(std::fabs(t) < kLargestShown)) {
    glyphs[0] = glyphs[1] = glyphs[3] = glyphs[4] = glyphs[6] = glyphs[7] = -1;
    return;
  }
  // Everything in float and truncated toward zero, as the clock always was.
  const long long minutes = static_cast<long long>(t / 60);
  glyphs[0] = static_cast<int>(minutes / 10);
  glyphs[1] = static_cast<int>(minutes % 10);
  glyphs[3] = static_cast<int>(static_cast<long long>(t / 10) % 6);
  glyphs[4] = static_cast<int>(static_cast<long long>(t) % 10);
  glyphs[6] = static_cast<int>(static_cast<long long>(t * 10) % 10);
  glyphs[7] = static_cast<int>(static_cast<long long>(t * 100) % 10);
}

namespace {
// A gap of ten minutes says nothing a racer can use, and its text would no
// longer fit under the lap label.
constexpr float kLongestGap = 600;
}  // namespace

std::string gapText(float secondsAhead) {
  if (!(std::fabs(secondsAhead) < kLongestGap)) return "";
  int g[8];
  hudTimeGlyphs(std::fabs(secondsAhead), g);
  const auto digit = [](int d) { return static_cast<char>('0' + d); };
  // The sign the racer's time has against the ghost's: behind is slower, plus.
  std::string text(1, secondsAhead > 0 ? '-' : '+');
  if (g[1] != 0) {
    text += digit(g[1]);
    text += ':';
    text += digit(g[3]);
  } else if (g[3] != 0) {
    text += digit(g[3]);
  }
  text += digit(g[4]);
  text += '.';
  text += digit(g[6]);
  text += digit(g[7]);
  return text;
}

void speedReadoutDigits(float speedDisplay, int digits[3]) {
  const float v = std::fabs(speedDisplay);
  if (!(v < kLargestShown)) {
    digits[0] = digits[1] = digits[2] = -1;
    return;
  }
  const long long whole = static_cast<long long>(v);
  digits[0] = static_cast<int>(whole / 100);
  digits[1] = static_cast<int>(static_cast<long long>(v / 10) % 10);
  digits[2] = static_cast<int>(whole % 10);
}

float needleAngleFor(float speedDisplay) { return 118.0f - std::fabs(speedDisplay) * 131.0f / 250.0f; }

// ---- Pictures -------------------------------------------------------------------

void loadHudTextures() {
  gTexNumbers = loadPicture("Data/Textures/Numbers.tga");
  gTexInfo = loadPicture("Data/Textures/Info.tga");
  gTexDial = loadPicture("Data/Textures/Speedindicator.tga");
  gTexLaps = loadPicture("Data/Textures/Laps.tga");
  gTexNeedle = loadPicture("Data/Textures/Nadel.tga");
  gTexGo = loadPicture("Data/Textures/Go.tga");
  gTexHelp = loadPicture("Data/Textures/Help.tga");
  loadPauseMenuTexture();
}

void showInfoMessage(int code) {
  gInfoMessage = code;
  gInfoMessageUntil = gRaceClock + 2;
}

namespace {

using ui2d::TexRect;

int W() { return gHudWidth; }
int H() { return gHudHeight; }
bool wireframe() { return gHudWireframe == 1; }

TexRect gridRect(int col0, int col1, int row0, int row1, int gridW, int gridH) {
  return {gridTexCoord(col0, gridW), gridTexCoord(row0, gridH), gridTexCoord(col1, gridW),
          gridTexCoord(row1, gridH)};
}

// ---- Digit strip: 482 x 38, every glyph on rows 1 to 37 ---------------------
struct Fraction {
  int num, den;
  int of(int length) const { return length * num / den; }
};

struct StripGlyph {
  int firstColumn, lastColumn;
  Fraction width, cell;
};

constexpr Fraction kDigitCell{48, 1536};
constexpr Fraction kColonCell{23, 1536};

// Indexed by digit; the colon last. Every digit advances by its whole cell,
// so a time is always six cells and two colons wide, whatever the truncation
// (the table's rows step back by exactly that). Narrow glyphs stand centred
// in their cell: the 1 and the 2 once stood at its right edge, leaving a gap
// before them and none after ("0 1:").
const StripGlyph kStripGlyphs[11] = {
    {167, 215, kDigitCell, kDigitCell},   // 0
    {434, 457, {23, 1536}, kDigitCell},   // 1
    {397, 433, {42, 1536}, kDigitCell},   // 2
    {60, 113, kDigitCell, kDigitCell},    // 3
    {114, 166, kDigitCell, kDigitCell},   // 4
    {1, 59, kDigitCell, kDigitCell},      // 5
    {311, 353, {36, 1536}, kDigitCell},   // 6
    {265, 310, kDigitCell, kDigitCell},   // 7
    {216, 264, kDigitCell, kDigitCell},   // 8
    {354, 396, {36, 1536}, kDigitCell},   // 9
    {458, 481, kColonCell, kColonCell},   // colon
};

void drawStripGlyph(const StripGlyph& g) {
  ui2d::FillInWireframe fill(wireframe());
  const int cell = g.cell.of(W()), width = g.width.of(W()), before = (cell - width) / 2;
  glTranslatef(static_cast<float>(before), 0, 0);
  ui2d::quad(0, 0, static_cast<float>(width), static_cast<float>(H() / 24),
             gridRect(g.firstColumn, g.lastColumn, 1, 37, 482, 38));
  glTranslatef(static_cast<float>(cell - before), 0, 0);
}

}  // namespace

void drawHudDigit(int digit) {
  if (digit < 0 || digit > 9) return;
  drawStripGlyph(kStripGlyphs[digit]);
}

void drawHudColon() { drawStripGlyph(kStripGlyphs[kHudColonGlyph]); }

void drawHudTime(float seconds) {
  int glyphs[8];
  hudTimeGlyphs(seconds, glyphs);
  for (int g : glyphs) {
    if (g == kHudColonGlyph) {
      drawHudColon();
    } else {
      drawHudDigit(g);
    }
  }
}

namespace {

// ---- Laps picture: 256 x 256 -------------------------------------------------
struct Rows {
  int first, last;
};
const Rows kLapLabelRows[5] = {{209, 231}, {165, 188}, {122, 145}, {79, 102}, {36, 58}};

// ---- Option messages on the 800 x 600 info picture --------------------------
struct InfoMessage {
  int firstColumn, lastColumn, firstRow, lastRow, width;
};
// 22 and 23 belong to the ghost (F11), below the others in the picture.
const InfoMessage kInfoMessages[kInfoMessageCount] = {
    {22, 208, 547, 571, 186},  {246, 464, 547, 571, 218}, {22, 347, 504, 528, 325},
    {386, 742, 504, 528, 356}, {22, 327, 461, 485, 305},  {366, 703, 461, 485, 337},
    {22, 300, 418, 442, 278},  {334, 625, 418, 442, 291}, {22, 366, 375, 398, 344},
    {400, 713, 375, 398, 313}, {22, 369, 332, 354, 347},  {404, 745, 332, 354, 341},
    {22, 577, 289, 311, 555},  {22, 393, 246, 271, 371},  {427, 768, 246, 271, 341},
    {22, 609, 203, 226, 587},  {22, 578, 159, 182, 556},  {22, 453, 116, 139, 431},
    {22, 422, 73, 96, 400},    {22, 386, 30, 53, 364},    {420, 753, 30, 53, 333},
    {22, 320, 3, 26, 298},     {420, 738, 3, 26, 318},
};

float fw(int v) { return static_cast<float>(v); }

// The red digits fade out in half a second and leave half a second empty
// before the next; Go fades over the two seconds after the clock starts.
void drawCountdown() {
  const double t = gSinceRaceStart;
  if (wireframe()) glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glBindTexture(GL_TEXTURE_2D, gTexNumbers);
  glTranslatef(fw(W() / 2 - W() / 16), fw(H() * 7 / 9), 0);
  glScalef(3, 3, 1);
  if (t < 0.5) {
    glColor4f(1, 0, 0, static_cast<float>(1 - 2 * t));
    drawHudDigit(3);
  }
  if (t >= 1.0 && t < 1.5) {
    glColor4f(1, 0, 0, static_cast<float>(3 - 2 * t));
    drawHudDigit(2);
  }
  if (t >= 2.0 && t < 2.5) {
    glColor4f(1, 0, 0, static_cast<float>(5 - 2 * t));
    drawHudDigit(1);
  }
  if (t > 3.0 && t < 5.0) {
    glColor4f(1, 1, 1, static_cast<float>((5 - t) / 2));
    glBindTexture(GL_TEXTURE_2D, gTexGo);
    glTranslatef(fw(-W() / 32), 0, 0);
    ui2d::wholeQuad(0, 0, fw(W() / 8), fw(H() / 24));
  }
  glColor4f(1, 1, 1, 0.7f);
}

void drawRaceClock() {
  glBindTexture(GL_TEXTURE_2D, gTexNumbers);
  glLoadIdentity();
  glTranslatef(fw(W() / 2 - W() * 7 / 64), fw(H() * 22 / 24), 0);
  // The countdown shows a zero clock, not a negative one.
  drawHudTime(gRaceClock <= 0 ? 0.0f : gRaceClock);
}

// No fill bracket of its own: the dial takes the mode the last digit left.
void drawDial() {
  glLoadIdentity();
  glBindTexture(GL_TEXTURE_2D, gTexDial);
  ui2d::wholeQuad(0.75f * fw(W()), 0, fw(W()), 0.325f * fw(H()));
}

void drawSpeedReadout() {
  glBindTexture(GL_TEXTURE_2D, gTexNumbers);
  int digits[3];
  speedReadoutDigits(gSpeedDisplay, digits);
  glTranslatef(fw(W() * 8 / 9), fw(H() / 24), 0);
  for (int d : digits) drawHudDigit(d);
}

void drawNeedle() {
  ui2d::FillInWireframe fill(wireframe());
  glColor4f(1, 1, 1, 1);
  gNeedleAngle = needleAngleFor(gSpeedDisplay);
  glTranslatef(fw(W() * 32 / 35), fw(H() / 9), 0);
  glRotatef(gNeedleAngle, 0, 0, 1);
  ui2d::wholeQuad(fw(-W() / 80), fw(-H() / 60), fw(W() / 80), fw(H() * 2 / 9));
  glColor4f(1, 1, 1, 0.7f);
}

// Counts frames in windows of just over half a second and shows twice the
// count, whatever the window's real length.
void drawFrameRate() {
  ui2d::FillInWireframe fill(wireframe());
  glLoadIdentity();
  glBindTexture(GL_TEXTURE_2D, gTexNumbers);
  gFrameRateFrames += 1;
  QueryPerformanceCounter(&gNowCounter);
  gFrameRateWindow = static_cast<double>(gNowCounter - gFrameRateStart) /
                     static_cast<double>(gRaceCounterFrequency);
  if (gFrameRateWindow > 0.5) {
    gFrameRate = 2 * gFrameRateFrames;
    gFrameRateFrames = 0;
    QueryPerformanceCounter(&gFrameRateStart);
  }
  glTranslatef(0, fw(H() * 22 / 24), 0);
  drawHudDigit(gFrameRate / 100);
  drawHudDigit(gFrameRate % 100 / 10);
  drawHudDigit(gFrameRate % 10);
}

void drawHelpPicture() {
  ui2d::FillInWireframe fill(wireframe());
  glBindTexture(GL_TEXTURE_2D, gTexHelp);
  glLoadIdentity();
  ui2d::wholeQuad(0, 0, fw(W() / 3), fw(H() / 3));
}

// A time against the best, at half size: the arrow and green digits when
// faster, red when not.
void drawComparison(bool faster, float difference) {
  ui2d::FillInWireframe fill(wireframe());
  glScalef(0.5f, 0.5f, 0.5f);
  glBindTexture(GL_TEXTURE_2D, gTexLaps);
  if (faster) {
    glColor4f(0, 1, 0, 0.7f);
    ui2d::quad(0, 0, fw(W() / 64), fw(H() / 48), gridRect(0, 28, 0, 23, 256, 256));
  } else {
    glColor4f(1, 0, 0, 0.7f);
    ui2d::quad(0, 0, fw(W() / 64), fw(H() / 48), gridRect(62, 90, 0, 23, 256, 256));
  }
  glTranslatef(fw(W() / 32), 0, 0);
  glBindTexture(GL_TEXTURE_2D, gTexNumbers);
  drawHudTime(std::fabs(difference));
  glColor4f(1, 1, 1, 0.7f);
}

void drawSplit() { drawComparison(gSplitClock < gSplitRecord, gSplitClock - gSplitRecord); }

// ---- The gap to the ghost: a signed difference in seconds -----------------------
// Larger than the split display (H/30 against H/48): it is read at a glance
// mid-corner, where the split is read once on a straight.
constexpr float kGapScale = 0.8f;

// Sizes of the glyphs the strip lacks, in the strip's own glyph height: bars as
// thick as the digits' strokes, the dot standing on their baseline.
constexpr float kSignCell = 0.7f, kSignBar = 0.5f, kStroke = 0.18f;
constexpr float kDotCell = 0.36f, kDot = 0.22f, kInkBottom = 0.055f;

float gapGlyphAdvance(char c) {
  if (c >= '0' && c <= '9') return fw(kDigitCell.of(W()));
  if (c == ':') return fw(kColonCell.of(W()));
  return fw(H() / 24) * (c == '.' ? kDotCell : kSignCell);
}

float gapAdvance(const std::string& text) {
  float width = 0;
  for (char c : text) width += gapGlyphAdvance(c);
  return width;
}

// The plus, minus and dot as plain quads in the current colour; the caller
// has texturing off.
void drawGapMark(char c) {
  ui2d::FillInWireframe fill(wireframe());  // each strip glyph puts the outlines back
  const float u = fw(H() / 24), before = (kSignCell - kSignBar) * u / 2;
  const float middle = (kInkBottom + 1) * u / 2, half = kStroke * u / 2;
  if (c == '.') {
    const float x = (kDotCell - kDot) * u / 2;
    ui2d::wholeQuad(x, kInkBottom * u, x + kDot * u, (kInkBottom + kDot) * u);
  } else {
    ui2d::wholeQuad(before, middle - half, before + kSignBar * u, middle + half);
    if (c == '+') {
      const float centre = kSignCell * u / 2, reach = kSignBar * u / 2;
      ui2d::wholeQuad(centre - half, middle - reach, centre + half, middle + reach);
    }
  }
  glTranslatef(gapGlyphAdvance(c), 0, 0);
}

void drawGapText(const std::string& text) {
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      glEnable(GL_TEXTURE_2D);
      drawHudDigit(c - '0');
    } else if (c == ':') {
      glEnable(GL_TEXTURE_2D);
      drawHudColon();
    } else {
      glDisable(GL_TEXTURE_2D);
      drawGapMark(c);
    }
  }
  glEnable(GL_TEXTURE_2D);
}

// A nearly opaque pane: at the screen's edge the gap stands over palms, sky
// and grass, and digits that let them show through are hard to read.
void drawGapPane(float width, float height) {
  ui2d::FillInWireframe fill(wireframe());
  const float margin = fw(H() / 160 + 1) / kGapScale;
  glDisable(GL_TEXTURE_2D);
  glColor4f(0, 0, 0, 0.9f);
  ui2d::wholeQuad(-margin, -margin, width + margin, height + margin);
  glEnable(GL_TEXTURE_2D);
}

// The live gap to the ghost, under the lap label: clear of the clock and the
// split display above the middle, and of the speedometer below.
void drawGhostGap() {
  const std::string text = gapText(gGhostGap);
  if (text.empty()) return;
  frameProbeBegin(FramePhase::Ghost);
  glLoadIdentity();
  // A little below the split's line, so that the taller digits keep clear of the lap label.
  glTranslatef(fw(W() * 4 / 5), fw(H() * 21 / 24 - H() / 96), 0);
  glScalef(kGapScale, kGapScale, 1);
  drawGapPane(gapAdvance(text), fw(H() / 24));
  glBindTexture(GL_TEXTURE_2D, gTexNumbers);
  if (gGhostGap > 0) {
    glColor4f(0.25f, 1, 0.25f, 1);
  } else {
    glColor4f(1, 0.25f, 0.2f, 1);
  }
  drawGapText(text);
  glColor4f(1, 1, 1, 0.7f);
  frameProbeEnd(FramePhase::Ghost);
}

void drawInfoMessage() {
  if (gInfoMessage < 1 || gInfoMessage > kInfoMessageCount) return;
  ui2d::FillInWireframe fill(wireframe());
  const InfoMessage& m = kInfoMessages[gInfoMessage - 1];
  glBindTexture(GL_TEXTURE_2D, gTexInfo);
  glScalef(0.6f, 0.6f, 0.6f);
  ui2d::quad(0, 0, fw(W() * m.width / 1024), fw(H() / 24),
             gridRect(m.firstColumn, m.lastColumn, m.firstRow, m.lastRow, 800, 600));
}

// After the finish the lap counter reads 6: the last label stays.
void drawLapLabel() {
  int lap = gHudLap;
  if (lap < 1 || lap > 5) {
    if (!gClockFrozen) return;
    lap = 5;
  }
  ui2d::FillInWireframe fill(wireframe());
  glLoadIdentity();
  glBindTexture(GL_TEXTURE_2D, gTexLaps);
  glTranslatef(fw(W() * 4 / 5), 22.0f * fw(H()) / 24, 0);
  const Rows rows = kLapLabelRows[lap - 1];
  ui2d::quad(0, 0, fw(W() * 152 / 768), fw(H() / 24), gridRect(22, 231, rows.first, rows.last, 256, 256));
}

void leaveScreenSpace() {
  glLoadIdentity();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glLoadIdentity();
  gluPerspective(50, fw(W()) / fw(H()), 1.0, gHudFarPlane);
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glLoadIdentity();
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_LIGHTING);
}

}  // namespace

void advanceRaceClock(double sinceRaceStart) {
  gSinceRaceStart = sinceRaceStart;
  if (!gClockFrozen) gRaceClock = static_cast<float>(gSinceRaceStart - gCountdownLength);
}

void drawHud() {
  glColor4f(1, 1, 1, 0.7f);
  glEnable(GL_TEXTURE_2D);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  ui2d::pushScreenSpace(W(), H());
  if (gSinceRaceStart < 5.0) drawCountdown();
  drawRaceClock();
  drawDial();
  drawSpeedReadout();  // still in the dial's identity frame
  glLoadIdentity();
  glBindTexture(GL_TEXTURE_2D, gTexNeedle);
  drawNeedle();
  if (gShowFrameRate == 1) drawFrameRate();
  if (gShowHelp == 1) drawHelpPicture();
  if (gSplitVisible) {
    glLoadIdentity();
    glTranslatef(fw(W() / 2 - W() * 15 / 256), fw(H() * 21 / 24), 0);
    drawSplit();
    if (gSplitShownUntil <= gRaceClock) gSplitVisible = false;
  }
  if (gInfoMessage != 0) {
    glLoadIdentity();
    glTranslatef(0, fw(H() * 21 / 24), 0);
    drawInfoMessage();
    if (gInfoMessageUntil <= gRaceClock) gInfoMessage = 0;
  }
  drawLapLabel();
  if (ghostGapShown()) drawGhostGap();
  leaveScreenSpace();
}
