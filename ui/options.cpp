// The options screen: display, sound and controls, chosen from inside the
// game in the title's pictures and highlight. Each page is saved when it is
// left, and only when something on it changed: a player's file is never
// rewritten for a look at the screen. A new display needs a new GL context,
// so it applies when the game starts again, now (in place) or next time.
#include <GL/glew.h>
#include <GL/freeglut.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "platform/platform.h"
#include "render/render.h"
#include "shell/game.h"
#include "ui/draw2d.h"
#include "ui/ui.h"

// ---- Per process: the options screen ----------------------------------------------
OptionsScreen gOptions;

namespace {

constexpr unsigned char kEscape = 27, kEnter = 13;

// Schrift.tga's grid (tools/contentgen/layout.h): characters 32 to 126, rows of 16.
constexpr int kFontFirst = 32, kFontLast = 126, kFontColumns = 16, kFontCellW = 32, kFontCellH = 42;
constexpr int kFontW = 512, kFontH = 256;
constexpr float kSpaceWidth = 10;

// ---- The pages' rows ------------------------------------------------------------
enum PagesRow { kPagesDisplay, kPagesSound, kPagesControls, kPagesBack, kPagesRows };
enum DisplayRow { kDisplayMode, kDisplayScreen, kDisplaySamples, kDisplayFrameRate, kDisplayRestart, kDisplayBack,
                  kDisplayRows };
enum SoundRow { kSoundMusic, kSoundEffects, kSoundBack, kSoundRows };
enum ControlsRow { kControlsDeadZone = kControlActionCount, kControlsCurve, kControlsOwnKeys, kControlsBack,
                   kControlsRows };

const char* const kPageNames[] = {"Options", "Display", "Sound", "Controls"};
const char* const kScreenNames[] = {"its own mode (exclusive)", "full screen, desktop size", "a window"};
constexpr int kSampleChoices[] = {1, 2, 4, 8};

int rowsOf(int page) {
  switch (page) {
    case kOptionsDisplay: return kDisplayRows;
    case kOptionsSound: return kSoundRows;
    case kOptionsControls: return kControlsRows;
    default: return kPagesRows;
  }
}

int wrap(int v, int n) { return ((v % n) + n) % n; }

// ---- What the display page chooses from ---------------------------------------------
DisplaySettings gChosen;                    // the display page's values while it is open
std::vector<platform::OfferedMode> gModes;  // what the display offers, the chosen mode among them
int gModeIndex = 0;

bool sameMode(const platform::OfferedMode& m, const DisplaySettings& s) {
  return m.width == s.width && m.height == s.height && m.refreshRate == s.refreshRate;
}

// The offered modes the game mode can take at the configured colour depth,
// and the chosen one whether offered or not (a window may be any size).
void listModes() {
  gModes.clear();
  for (const platform::OfferedMode& m : platform::offeredModes()) {
    char mode[64];
    std::snprintf(mode, sizeof mode, "%ix%i:%i@%i", m.width, m.height, gChosen.colorBits, m.refreshRate);
    glutGameModeString(mode);
    if (glutGameModeGet(GLUT_GAME_MODE_POSSIBLE)) gModes.push_back(m);
  }
  auto chosen = std::find_if(gModes.begin(), gModes.end(), [](const platform::OfferedMode& m) { return sameMode(m, gChosen); });
  if (chosen == gModes.end()) chosen = gModes.insert(gModes.begin(), {gChosen.width, gChosen.height, gChosen.refreshRate});
  gModeIndex = static_cast<int>(chosen - gModes.begin());
}

bool displayNeedsRestart(const DisplaySettings& s) {
  const DisplaySettings& now = gStartSettings;
  return s.width != now.width || s.height != now.height || s.refreshRate != now.refreshRate ||
         s.samples != now.samples || s.screen != now.screen;
}

std::string modeText(const platform::OfferedMode& m) {
  const platform::OfferedMode shown = platform::currentMode();
  std::string text = std::to_string(m.width) + "x" + std::to_string(m.height) + " " + std::to_string(m.refreshRate) + " Hz";
  const bool running = m.width == gStartSettings.width && m.height == gStartSettings.height &&
                       m.refreshRate == gStartSettings.refreshRate;
  if (running) text += " (now)";
  else if (m == shown) text += " (desktop)";
  return text;
}

}  // namespace

// The pixels each frame shades against the game's own 1024x786 without
// anti-aliasing: on a software renderer the fill is paid per sample.
std::string softwareCostLine(int width, int height, int samples) {
  const double pixels = static_cast<double>(width) * height;
  const double work = pixels * std::max(1, samples) / (1024.0 * 786.0);
  char line[160];
  std::snprintf(line, sizeof line, "Software renderer: %.1f million pixels x %i sample%s = %.1fx the fill of 1024x786",
                pixels / 1e6, std::max(1, samples), samples > 1 ? "s" : "", work);
  return line;
}

namespace {

// ---- Text in Schrift.tga ---------------------------------------------------------------
// Each glyph's width is its ink's, read back from the texture once: the
// generator draws them on one baseline from each cell's left edge.
void measureGlyphs() {
  std::vector<unsigned char> rgba(static_cast<std::size_t>(kFontW) * kFontH * 4);
  glBindTexture(GL_TEXTURE_2D, gOptions.texFont);
  GLint w = 0, h = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
  const bool fits = w == kFontW && h == kFontH;
  if (fits) glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  for (int c = kFontFirst; c <= kFontLast; ++c) {
    const int i = c - kFontFirst, x0 = (i % kFontColumns) * kFontCellW, top = (i / kFontColumns) * kFontCellH;
    int last = -1;
    for (int y = top; fits && y < top + kFontCellH; ++y)
      for (int x = 0; x < kFontCellW; ++x)
        if (rgba[(static_cast<std::size_t>(kFontH - 1 - y) * kFontW + x0 + x) * 4 + 3] > 40) last = std::max(last, x);
    // A missing picture still spaces its text, so the screen stays usable.
    gOptions.glyphWidth[i] = c == ' ' ? kSpaceWidth : last < 0 ? kFontCellW * 0.6f : static_cast<float>(last + 1);
  }
}

}  // namespace

float menuTextWidth(const std::string& text, float height) {
  float w = 0;
  for (char c : text)
    if (c >= kFontFirst && c <= kFontLast) w += gOptions.glyphWidth[c - kFontFirst] * height / kFontCellH;
  return w;
}

// `text` with its top left at (x, top) in screen pixels, `height` pixels a
// cell; squeezed to `maxWidth` when longer. Leaves GL_TEXTURE_2D on.
void drawMenuText(const std::string& text, float x, float top, float height, float maxWidth) {
  const float natural = menuTextWidth(text, height);
  const float squeeze = maxWidth > 0 && natural > maxWidth ? maxWidth / natural : 1;
  const float scale = height / kFontCellH;
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, gOptions.texFont);
  for (char c : text) {
    if (c < kFontFirst || c > kFontLast) continue;
    const int i = c - kFontFirst, col = i % kFontColumns, row = i / kFontColumns;
    const ui2d::TexRect r{static_cast<float>(col * kFontCellW) / kFontW,
                          1 - static_cast<float>((row + 1) * kFontCellH) / kFontH,
                          static_cast<float>((col + 1) * kFontCellW) / kFontW,
                          1 - static_cast<float>(row * kFontCellH) / kFontH};
    ui2d::quad(x, top - height, x + kFontCellW * scale * squeeze, top, r);
    x += gOptions.glyphWidth[i] * scale * squeeze;
  }
}

namespace {

// ---- Layout: a 1024 x 768 design scaled to the screen, rows counted from the top -----
struct Layout {
  float sx, sy;
  int h;
  float x(float v) const { return v * sx; }
  float top(float v) const { return static_cast<float>(h) - v * sy; }  // design rows run down
};

Layout layoutNow() {
  return {static_cast<float>(gScreenWidth) / 1024.0f, static_cast<float>(gScreenHeight) / 768.0f, gScreenHeight};
}

struct RowPlace {
  float first, pitch, text;
};

RowPlace rowPlace(int page) {
  switch (page) {
    case kOptionsPages: return {200, 80, 44};
    case kOptionsControls: return {138, 38, 28};
    default: return {160, 62, 36};
  }
}

void fill(float x0, float y0, float x1, float y1, float r, float g, float b, float a) {
  glDisable(GL_TEXTURE_2D);
  glColor4f(r, g, b, a);
  ui2d::wholeQuad(x0, y0, x1, y1);
}

// The title's highlight: a dark box with an orange bar above and below.
void highlight(const Layout& l, float left, float right, float top, float bottom) {
  fill(l.x(left), l.top(bottom), l.x(right), l.top(top), 0, 0, 0, 0.55f);
  fill(l.x(left), l.top(top + 3), l.x(right), l.top(top), 1, 0.8f, 0.2f, 0.9f);
  fill(l.x(left), l.top(bottom), l.x(right), l.top(bottom - 3), 1, 0.8f, 0.2f, 0.9f);
}

void textColour(bool lit) {
  if (lit)
    glColor4f(1, 0.85f, 0.25f, 1);
  else
    glColor4f(0.92f, 0.92f, 0.95f, 1);
}

// ---- What each row shows ------------------------------------------------------------
std::string onOff(bool on) { return on ? "on" : "off"; }

std::string padValue(double v, const char* unit) {
  char text[32];
  std::snprintf(text, sizeof text, "%g%s", v, unit);
  return text;
}

struct RowText {
  std::string label, value;
  int slider = -1;  // 0..10: a volume drawn as a bar
};

RowText displayRow(int row) {
  switch (row) {
    case kDisplayMode: return {"Mode", modeText(gModes[static_cast<std::size_t>(gModeIndex)])};
    case kDisplayScreen: return {"Take the screen", kScreenNames[static_cast<int>(gChosen.screen)]};
    case kDisplaySamples: return {"Anti-aliasing", std::to_string(gChosen.samples) + (gChosen.samples > 1 ? " samples" : " (off)")};
    case kDisplayFrameRate: return {"Frame-rate counter", onOff(gChosen.frameRate)};
    case kDisplayRestart: return {"Restart the game with these now", ""};
    default: return {"Back", ""};
  }
}

RowText soundRow(int row) {
  switch (row) {
    case kSoundMusic: return {"Music", std::to_string(gMusicVolume), gMusicVolume};
    case kSoundEffects: return {"Effects (engine, typing)", std::to_string(gEffectsVolume), gEffectsVolume};
    default: return {"Back", ""};
  }
}

std::string keyText(const BoundKey& k) { return k.entry == kNoKey ? "-" : keyName(k); }

RowText controlsRow(int row) {
  if (row < kControlActionCount) return {actionName(row), ""};
  switch (row) {
    case kControlsDeadZone: return {"Pad dead zone", padValue(gControls.pad.deadZonePercent, " %")};
    case kControlsCurve: return {"Pad curve", padValue(gControls.pad.curve, "")};
    case kControlsOwnKeys: return {"The game's own keys", ""};
    default: return {"Back", ""};
  }
}

RowText rowText(int page, int row) {
  switch (page) {
    case kOptionsDisplay: return displayRow(row);
    case kOptionsSound: return soundRow(row);
    case kOptionsControls: return controlsRow(row);
    default: return {row == kPagesBack ? "Back" : kPageNames[row + 1], ""};
  }
}

void drawSlider(const Layout& l, float x, float top, float height, int level) {
  for (int i = 0; i < kVolumeSteps; ++i) {
    const float x0 = x + i * 24.0f, rowTop = top + height * 0.2f, rowBottom = top + height * 0.85f;
    if (i < level)
      fill(l.x(x0), l.top(rowBottom), l.x(x0 + 20), l.top(rowTop), 1, 0.8f, 0.2f, 0.95f);
    else
      fill(l.x(x0), l.top(rowBottom), l.x(x0 + 20), l.top(rowTop), 0.3f, 0.3f, 0.35f, 0.8f);
  }
}

// An action's two keys: the chosen one lit, "press a key" while it waits.
void drawKeyCells(const Layout& l, int row, float top, float height, bool lit) {
  for (int slot = 0; slot < kKeysPerAction; ++slot) {
    const float x = 520.0f + slot * 200.0f;
    const bool cell = lit && gOptions.column == slot;
    if (cell) fill(l.x(x - 8), l.top(top + height + 2), l.x(x + 184), l.top(top - 2), 1, 0.45f, 0.05f, 0.55f);
    const std::string text = cell && gOptions.waitingForKey ? "press a key" : keyText(gControls.keys[row][slot]);
    textColour(cell);
    drawMenuText(text, l.x(x), l.top(top), height * l.sy, l.x(176));
  }
}

void drawRow(const Layout& l, int page, int row) {
  const RowPlace place = rowPlace(page);
  const float top = place.first + row * place.pitch, height = place.text;
  const bool lit = row == gOptions.row;
  if (lit) highlight(l, 100, 924, top - 6, top + height + 6);
  const RowText t = rowText(page, row);
  textColour(lit);
  const bool centred = page == kOptionsPages || t.value.empty();
  const float labelX = centred && t.slider < 0 && !(page == kOptionsControls && row < kControlActionCount)
                           ? 512 - menuTextWidth(t.label, height) / 2
                           : 130;
  drawMenuText(t.label, l.x(labelX), l.top(top), height * l.sy, l.x(labelX == 130 ? 380 : 800));
  if (page == kOptionsControls && row < kControlActionCount) return drawKeyCells(l, row, top, height, lit);
  if (t.slider >= 0) {
    drawSlider(l, 520, top, height, t.slider);
    textColour(lit);
    drawMenuText(t.value, l.x(780), l.top(top), height * l.sy, 0);
  } else if (!t.value.empty()) {
    drawMenuText(lit ? "< " + t.value + " >" : t.value, l.x(lit ? 490 : 520), l.top(top), height * l.sy, l.x(410));
  }
}

// Under the rows: the rule or cost of the page, and what the screen last said.
std::string pageNote() {
  switch (gOptions.page) {
    case kOptionsDisplay: {
      const bool desktop = gChosen.screen == ScreenTaking::Desktop;
      return softwareCostLine(desktop ? glutGet(GLUT_SCREEN_WIDTH) : gChosen.width,
                              desktop ? glutGet(GLUT_SCREEN_HEIGHT) : gChosen.height, gChosen.samples);
    }
    case kOptionsSound: return "0 silences a channel; Left and Right change it";
    case kOptionsControls:
      return "Escape and F1-F11 keep their jobs; menus keep Up, Down, Enter, Escape; Ctrl only with non-letters";
    default: return "Up and Down choose, Enter opens, Escape goes back";
  }
}

// ---- Acting on the rows ----------------------------------------------------------------
void say(const std::string& line) { gOptions.line = line; }

void openPage(int page) {
  gOptions.page = page;
  gOptions.row = 0;
  gOptions.column = 0;
  gOptions.changed = false;
  say("");
  if (page == kOptionsDisplay) {
    gChosen = gConfigSettings;
    gChosen.frameRate = gFrameRateAlwaysOn;
    listModes();
  }
}

// What Config.txt is to hold: the display as last chosen (which this run may
// not show yet), the rest as it is now.
DisplaySettings nextStart() {
  DisplaySettings s = gConfigSettings;
  s.frameRate = gFrameRateAlwaysOn;
  s.musicVolume = gMusicVolume;
  s.effectsVolume = gEffectsVolume;
  return s;
}

// The display chosen on the page, with what the next start keeps of the rest.
DisplaySettings chosenForNextStart() {
  DisplaySettings s = nextStart();
  s.width = gChosen.width;
  s.height = gChosen.height;
  s.colorBits = gChosen.colorBits;
  s.refreshRate = gChosen.refreshRate;
  s.samples = gChosen.samples;
  s.screen = gChosen.screen;
  return s;
}

void saveDisplay() {
  const DisplaySettings s = chosenForNextStart();
  const std::string why = saveConfig(s);
  if (!why.empty()) return say(why);
  say(displayNeedsRestart(s) ? "Saved: the new display comes at the next start" : "Saved");
}

// Leaving a page saves what it changed, and says so on the page list.
void leavePage() {
  const int page = gOptions.page;
  const bool changed = gOptions.changed;
  gOptions.page = kOptionsPages;
  gOptions.row = page - 1;
  gOptions.changed = false;
  say("");
  if (!changed) return;
  if (page == kOptionsDisplay) return saveDisplay();
  if (page == kOptionsSound) {
    const std::string why = saveConfig(nextStart());
    return say(why.empty() ? "Saved" : why);
  }
  const std::string why = saveControls();
  say(why.empty() ? "Saved: the keys drive from the next race" : why + "; the keys hold until the game ends");
}

void closeOptions() {
  gOptions.active = false;
  gTitle.active = true;
  gTitle.loadPending = false;
  // The title's scene is the one the options screen stood on: no fade in again.
  QueryPerformanceCounter(&gTitle.shownSince);
  gTitle.shownSince -= 3 * gPerfFrequency;
  gTitle.inputReady = true;
}

void chooseMode(int step) {
  gModeIndex = wrap(gModeIndex + step, static_cast<int>(gModes.size()));
  const platform::OfferedMode& m = gModes[static_cast<std::size_t>(gModeIndex)];
  gChosen.width = m.width;
  gChosen.height = m.height;
  gChosen.refreshRate = m.refreshRate;
}

void chooseSamples(int step) {
  int i = 0;
  while (i < 3 && kSampleChoices[i] < gChosen.samples) ++i;
  gChosen.samples = kSampleChoices[wrap(i + step, 4)];
}

void changeDisplay(int step) {
  switch (gOptions.row) {
    case kDisplayMode: chooseMode(step); break;
    case kDisplayScreen: gChosen.screen = static_cast<ScreenTaking>(wrap(static_cast<int>(gChosen.screen) + step, 3)); break;
    case kDisplaySamples: chooseSamples(step); break;
    case kDisplayFrameRate:
      // The counter needs no new context: it is on or off at once.
      gChosen.frameRate = !gChosen.frameRate;
      gFrameRateAlwaysOn = gChosen.frameRate;
      gShowFrameRate = gChosen.frameRate ? 1 : 0;
      break;
    default: return;
  }
  gOptions.changed = true;
  say(displayNeedsRestart(gChosen) ? "Applies when the game starts again: restart now, or Back keeps it for next time"
                                   : "");
}

void changeVolume(int& level, int step) {
  const int next = std::clamp(level + step, 0, kVolumeSteps);
  if (next == level) return;
  level = next;
  gOptions.changed = true;
}

void changeSound(int step) {
  if (gOptions.row == kSoundMusic) {
    changeVolume(gMusicVolume, step);
    setMusicVolume(FSOUND_MAX_VOLUME);
  } else if (gOptions.row == kSoundEffects) {
    changeVolume(gEffectsVolume, step);
    playTypeClick();  // the effects' own sound, at the new volume
  }
}

void changePad(double& value, double step, double low, double high) {
  value = std::clamp(value + step, low, high);
  gOptions.changed = true;
}

void changeControls(int step) {
  if (gOptions.row < kControlActionCount) gOptions.column = wrap(gOptions.column + step, kKeysPerAction);
  if (gOptions.row == kControlsDeadZone) changePad(gControls.pad.deadZonePercent, step, 0, 50);
  if (gOptions.row == kControlsCurve) changePad(gControls.pad.curve, step * 0.25, 1, 3);
}

void restartWithDisplay() {
  const std::string why = saveConfig(chosenForNextStart());
  if (!why.empty()) return say(why + ": the game goes on as it is");
  restartGameInPlace();
}

void choose() {
  const int row = gOptions.row;
  switch (gOptions.page) {
    case kOptionsPages:
      if (row == kPagesBack) return closeOptions();
      return openPage(row + 1);
    case kOptionsDisplay:
      if (row == kDisplayBack) return leavePage();
      if (row == kDisplayRestart) return restartWithDisplay();
      return changeDisplay(1);
    case kOptionsSound:
      if (row == kSoundBack) return leavePage();
      return changeSound(1);
    default:
      if (row == kControlsBack) return leavePage();
      if (row == kControlsOwnKeys) {
        gControls = Controls();
        gOptions.changed = true;
        return say("The game's own keys and pad again");
      }
      if (row < kControlActionCount) {
        gOptions.waitingForKey = true;
        return say(std::string("Press a key for ") + actionName(row) + " (Escape cancels)");
      }
      return changeControls(1);
  }
}

void change(int step) {
  if (gOptions.page == kOptionsDisplay) changeDisplay(step);
  if (gOptions.page == kOptionsSound) changeSound(step);
  if (gOptions.page == kOptionsControls) changeControls(step);
}

bool swapOffered() { return gOptions.swapAction >= 0; }

// A press while an action waits for its key.
void takeKey(int code, bool special) {
  if (!special && code == kEscape) {
    gOptions.waitingForKey = false;
    return say("");
  }
  std::string why;
  const BoundKey key = pressedKey(code, special, why);
  if (key.entry == kNoKey) return say(why + " (Escape cancels)");
  const int action = gOptions.row, slot = gOptions.column;
  gOptions.waitingForKey = false;
  int holder = -1, holderSlot = -1;
  if (keyHolder(gControls, key, action, slot, holder, holderSlot)) {
    gOptions.swapAction = holder;
    gOptions.swapSlot = holderSlot;
    return say(keyName(key) + " is " + actionName(holder) + "'s key: Enter swaps the two, Escape keeps them");
  }
  gControls.keys[action][slot] = key;
  gOptions.changed = true;
  say("");
}

void answerSwap(bool swap) {
  if (swap) {
    swapKeys(gControls, gOptions.row, gOptions.column, gOptions.swapAction, gOptions.swapSlot);
    gOptions.changed = true;
  }
  gOptions.swapAction = gOptions.swapSlot = -1;
  say(swap ? "Swapped" : "");
}

}  // namespace

void loadOptionsTextures() {
  gOptions.texBackground = loadPicture("Data/Textures/Optionen.tga");
  gOptions.texFont = loadPicture("Data/Textures/Schrift.tga");
  measureGlyphs();
}

void openOptions() {
  gTitle.active = false;
  gOptions.active = true;
  gOptions.waitingForKey = false;
  gOptions.swapAction = gOptions.swapSlot = -1;
  openPage(kOptionsPages);
  QueryPerformanceCounter(&gOptions.shownSince);
}

bool optionsKeyDown(unsigned char key) {
  if (!gOptions.active) return false;
  if (gOptions.waitingForKey) {
    // The keyboard's repeat of the Enter that chose the action is no key for it.
    if (!(key == kEnter && gOptions.enterHeld)) takeKey(key, false);
  } else if (swapOffered()) {
    if (key == kEnter || key == kEscape) answerSwap(key == kEnter);
  } else if (key == kEscape) {
    if (gOptions.page == kOptionsPages)
      closeOptions();
    else
      leavePage();
  } else if (key == kEnter) {
    choose();
    gOptions.enterHeld = gOptions.waitingForKey;
  } else {
    return false;
  }
  return true;
}

bool optionsSpecialDown(int key) {
  if (!gOptions.active) return false;
  if (gOptions.waitingForKey) {
    takeKey(key, true);
    return true;
  }
  const bool arrow = key == GLUT_KEY_UP || key == GLUT_KEY_DOWN || key == GLUT_KEY_LEFT || key == GLUT_KEY_RIGHT;
  if (!arrow) return false;  // the function keys keep their jobs
  if (swapOffered()) return true;
  const int rows = rowsOf(gOptions.page);
  if (key == GLUT_KEY_UP) gOptions.row = wrap(gOptions.row - 1, rows);
  if (key == GLUT_KEY_DOWN) gOptions.row = wrap(gOptions.row + 1, rows);
  if (key == GLUT_KEY_LEFT) change(-1);
  if (key == GLUT_KEY_RIGHT) change(1);
  return true;
}

void drawOptionsScreen() {
  const int w = gScreenWidth, h = gScreenHeight;
  const Layout l = layoutNow();
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  glEnable(GL_BLEND);
  ui2d::pushScreenSpace(w, h);
  glEnable(GL_TEXTURE_2D);
  glColor4f(1, 1, 1, 1);
  glBindTexture(GL_TEXTURE_2D, gOptions.texBackground);
  ui2d::wholeQuad(0, 0, static_cast<float>(w), static_cast<float>(h));
  if (gOptions.page != kOptionsPages) {
    glColor4f(1, 0.85f, 0.3f, 1);
    const float height = 34, width = menuTextWidth(kPageNames[gOptions.page], height);
    drawMenuText(kPageNames[gOptions.page], l.x(512 - width / 2), l.top(92), height * l.sy, 0);
  }
  for (int row = 0; row < rowsOf(gOptions.page); ++row) drawRow(l, gOptions.page, row);
  glColor4f(0.85f, 0.88f, 0.95f, 1);
  const std::string note = pageNote();
  drawMenuText(note, l.x(512 - std::min(900.0f, menuTextWidth(note, 22)) / 2), l.top(676), 22 * l.sy, l.x(900));
  glColor4f(1, 0.85f, 0.3f, 1);
  drawMenuText(gOptions.line, l.x(512 - std::min(900.0f, menuTextWidth(gOptions.line, 24)) / 2), l.top(712), 24 * l.sy, l.x(900));
  // The title draws its picture in the colour it finds once its fade is over.
  glColor4f(1, 1, 1, 1);
  ui2d::popScreenSpace();
}
