// Keyboard: held keys for the frame loop, and the keys that act at once
// (Escape, Enter, name entry, the function-key switches).
#include <GL/glew.h>
#include <GL/freeglut.h>

#include <cctype>
#include <cstdlib>

#include "platform/platform.h"
#include "race/ghost.h"
#include "render/render.h"
#include "shell/game.h"
#include "ui/ui.h"

unsigned char gKeys[kKeyTableSize] = {};

namespace {
// A press no tick or menu frame has read yet, and a release that waits for it.
bool gKeyUnread[kKeyTableSize] = {};
bool gReleaseWaiting[kKeyTableSize] = {};

bool inTable(int index) { return index >= 0 && index < kKeyTableSize; }

// The keyboard keys that pressed each character's entry: its release may come
// as another character, the one the modifiers give at that moment.
struct TypedBy {
  int keys[platform::kMostKeysTyping] = {};
  int count = 0;
};
TypedBy gTypedBy[256];

bool shareAKey(const TypedBy& a, const TypedBy& b) {
  for (int i = 0; i < a.count; ++i)
    for (int j = 0; j < b.count; ++j)
      if (a.keys[i] == b.keys[j]) return true;
  return false;
}

TypedBy typedBy(unsigned char character) {
  TypedBy t;
  t.count = platform::keysTyping(character, t.keys);
  return t;
}
}  // namespace

void pressKey(int index) {
  if (!inTable(index)) return;
  gKeys[index] = 1;
  gKeyUnread[index] = true;
  gReleaseWaiting[index] = false;
}

void releaseKey(int index) {
  if (!inTable(index)) return;
  if (gKeyUnread[index])
    gReleaseWaiting[index] = true;
  else
    gKeys[index] = 0;
}

void keysSeen() {
  for (int i = 0; i < kKeyTableSize; ++i) {
    gKeyUnread[i] = false;
    if (gReleaseWaiting[i]) gKeys[i] = 0;
    gReleaseWaiting[i] = false;
  }
}

int gShowHelp = 0;
int gShowFrameRate = 0;
int gWireframe = 0;
int gTexFiltering = 1;
int gMipmapping = 1;
int gRenderPath = 0;
int gDisplayLists = 0;
int gFrustumCulling = 1;
int gBlendOverride = 0;
int gAnisotropic = 1;

namespace {

constexpr unsigned char kEscape = 27;
constexpr unsigned char kEnter = 13;
constexpr unsigned char kBackspace = 8;
constexpr unsigned char kTab = 9;

bool isLetter(unsigned char key) { return (key >= 'a' && key <= 'z') || (key >= 'A' && key <= 'Z'); }

// The high-score screen may be left once no name is owed or one has been typed.
bool mayLeaveHighScores() { return !nameOwed() || !gCurrentResult.name.empty(); }

void onEscape() {
  if (gTitle.active) {
    quitGame();
    return;
  }
  if (gHighScoreScreen.active && mayLeaveHighScores()) {
    returnToTitle();
  } else {
    enterHighScores(false);
  }
}

void onEnter() {
  if (gHighScoreScreen.active && mayLeaveHighScores()) {
    returnToTitle();
  } else {
    pressKey(kEnter);  // the title screen reads it
  }
}

// The pause menu takes Escape (back to the race), Enter (its entry), and the
// pause and restart keys; other keys go on to the key table.
bool onPauseMenuKey(int entry) {
  if (entry == kEscape || isKeyOf(gControls, kPause, entry)) {
    resumeRace();
  } else if (entry == kEnter) {
    choosePauseEntry();
  } else if (isKeyOf(gControls, kRestart, entry)) {
    requestRestart();
  } else {
    return false;
  }
  return true;
}

// The restart and pause keys act at once; the key still goes into the table,
// for a player who gave it a driving action too.
void actOnRetryKey(int entry) {
  if (isKeyOf(gControls, kPause, entry))
    pauseRace();
  else if (isKeyOf(gControls, kRestart, entry))
    requestRestart();
}

// A two-state switch flips only from 0 or 1; its message says which way.
void flip(int& value, int onMessage, int offMessage) {
  if (value == 0) {
    value = 1;
    showInfoMessage(onMessage);
  } else if (value == 1) {
    value = 0;
    showInfoMessage(offMessage);
  }
}

void toggleHelp() { flip(gShowHelp, 1, 2); }

void toggleFrameRate() {
  if (gShowFrameRate == 0) {
    gFrameRateFrames = 0;
    QueryPerformanceCounter(&gFrameRateStart);
  }
  flip(gShowFrameRate, 3, 4);
}

void toggleWireframe() {
  if (gWireframe == 0) {
    gWireframe = gHudWireframe = 1;
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    showInfoMessage(5);
  } else if (gWireframe == 1) {
    gWireframe = gHudWireframe = 0;
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    showInfoMessage(6);
  }
}

void toggleTexFiltering() {
  flip(gTexFiltering, 8, 7);
  applyTexFilteringToModels(gTexFiltering);
}

void toggleMipmapping() {
  flip(gMipmapping, 10, 9);
  applyMipmappingToModels(gMipmapping);
}

void cycleRenderPath() {
  gRenderPath = gRenderPath == 0 ? 1 : gRenderPath == 1 ? 2 : 0;
  showInfoMessage(gRenderPath == 1 ? 11 : gRenderPath == 2 ? 12 : 13);
  applyRenderPathToModels(gRenderPath);
}

void toggleDisplayLists() {
  gDisplayLists = gDisplayLists == 0 ? 1 : 0;
  showInfoMessage(gDisplayLists ? 15 : 14);
  applyDisplayListsToModels(gDisplayLists);
}

void toggleFrustumCulling() {
  gFrustumCulling = gFrustumCulling == 0 ? 1 : 0;
  showInfoMessage(gFrustumCulling ? 17 : 16);
}

void toggleBlendOverride() {
  if (gBlendOverride == 0) {
    gBlendOverride = 1;
    glBlendFunc(GL_ONE, GL_ZERO);
    showInfoMessage(18);
  } else if (gBlendOverride == 1) {
    gBlendOverride = 0;
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    showInfoMessage(19);
  }
}

void toggleGhost() { flip(gShowGhost, 22, 23); }

void toggleAnisotropy() {
  flip(gAnisotropic, 21, 20);
  applyAnisotropyToModels(gAnisotropic);
}

}  // namespace

void onKeyDown(unsigned char key, int, int) {
  if (optionsKeyDown(key) || viewerKeyDown(key) || tableKeyDown(key)) return;
  if (racePaused() && onPauseMenuKey(key)) return;
  if (key == kEscape) {
    onEscape();
  } else if (key == kEnter) {
    onEnter();
  } else if (key == kTab && saveNameAndRaceAgain()) {
    // the name is kept and the next race starts
  } else if (key == kBackspace && nameOwed()) {
    eraseNameLetter();
  } else if (isLetter(key) && nameOwed() && gCurrentResult.name.size() < kMaxNameLength) {
    typeNameLetter(key);
  } else {
    actOnRetryKey(key);
    pressKey(key);
    gTypedBy[key] = typedBy(key);
  }
}

void onKeyUp(unsigned char key, int, int) {
  if (key == kEnter) gOptions.enterHeld = false;
  releaseKey(key);
  // The case a letter comes up in is Shift's at that moment: Shift let go
  // before r must not leave R held (and the car lifted).
  if (isLetter(key)) releaseKey(key ^ 0x20);
  // 1 pressed, then Shift, comes up as '!'; r pressed, then Ctrl, as 18.
  const TypedBy released = typedBy(key);
  for (int entry = 0; entry < 256; ++entry)
    if (gKeys[entry] && shareAKey(gTypedBy[entry], released)) releaseKey(entry);
}

void onSpecialDown(int key, int, int) {
  if (optionsSpecialDown(key) || viewerSpecialDown(key) || tableSpecialDown(key)) return;
  switch (key) {
    case GLUT_KEY_F1: toggleHelp(); break;
    case GLUT_KEY_F2: toggleFrameRate(); break;
    case GLUT_KEY_F3: toggleWireframe(); break;
    case GLUT_KEY_F4: toggleTexFiltering(); break;
    case GLUT_KEY_F5: toggleMipmapping(); break;
    case GLUT_KEY_F6: cycleRenderPath(); break;
    case GLUT_KEY_F7: toggleDisplayLists(); break;
    case GLUT_KEY_F8: toggleFrustumCulling(); break;
    case GLUT_KEY_F9: toggleBlendOverride(); break;
    case GLUT_KEY_F10: toggleAnisotropy(); break;
    case GLUT_KEY_F11: toggleGhost(); break;
    default:
      if (racePaused() && (key == GLUT_KEY_UP || key == GLUT_KEY_DOWN)) {
        movePauseHighlight(key == GLUT_KEY_UP ? -1 : 1);
        break;
      }
      if (racePaused() && onPauseMenuKey(specialKeyEntry(key))) break;
      actOnRetryKey(specialKeyEntry(key));
      // Special codes share the table with ordinary keys (the arrows with d to
      // g), except Shift, Ctrl and freeglut's other extra keys, which have
      // entries of their own.
      pressKey(specialKeyEntry(key));
      // The arrows share d to g's entries: what a letter's key held there is gone.
      if (specialKeyEntry(key) >= 0 && specialKeyEntry(key) < 256) gTypedBy[specialKeyEntry(key)] = TypedBy{};
      break;
  }
}

void onSpecialUp(int key, int, int) { releaseKey(specialKeyEntry(key)); }
