// The player's controls in the game: Controls.txt in the player's directory,
// each tick's input from the keys and the driving pad, and the pad on the
// menus. The rules themselves are in shell/controls.h.
#include <GL/freeglut.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/pads.h"
#include "platform/platform.h"
#include "shell/game.h"
#include "ui/ui.h"

// ---- Per process: keys of your own ---------------------------------------------
Controls gControls;
const char* const kControlsFile = "Controls.txt";
// ---- Per race tick ----------------------------------------------------------------
TickInput gTickInput;

namespace {

using platform::PadReading;

constexpr unsigned char kEscape = 27;
constexpr unsigned char kEnter = 13;
// A file of nothing but bad lines is named in a screenful, not in thousands.
constexpr std::size_t kComplaintsSaid = 10;
// The game's own file is under 2 kB; a player's comments take it nowhere near this.
constexpr std::size_t kControlsFileLimit = 1024 * 1024;

// A stick pushed past half way presses its direction once; it must come back
// within a quarter of its travel before it presses again.
constexpr float kStickPress = 0.5f, kStickRest = 0.25f;
int gStickX = 0, gStickY = 0;  // the direction each axis of the left stick holds: -1, 0 or 1

void say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

void writeDefaultControls() {
  const Controls defaults;
  if (!platform::replaceFile(kControlsFile, [&](std::FILE* f) { return writeControlsStream(f, defaults); }))
    say("Controls.txt could not be written; the keys are the game's own");
}

// -1 or 1 on the read where the stick first passes half way, else 0.
int stickPress(float reading, int& held) {
  if (held != 0) {
    if (std::fabs(reading) < kStickRest) held = 0;
    return 0;
  }
  if (reading > kStickPress) held = 1;
  if (reading < -kStickPress) held = -1;
  return held;
}

struct MenuMoves {
  bool up = false, down = false, left = false, right = false, confirm = false, back = false;
};

MenuMoves menuMoves(const PadReading& pad) {
  MenuMoves m;
  const int x = stickPress(pad.axes[platform::kPadLeftX], gStickX);
  const int y = stickPress(pad.axes[platform::kPadLeftY], gStickY);
  m.up = pad.pressed[platform::kPadUp] || y < 0;
  m.down = pad.pressed[platform::kPadDown] || y > 0;
  m.left = pad.pressed[platform::kPadLeft] || x < 0;
  m.right = pad.pressed[platform::kPadRight] || x > 0;
  m.confirm = pad.pressed[platform::kPadSouth] || pad.pressed[platform::kPadStart];
  m.back = pad.pressed[platform::kPadEast] || pad.pressed[platform::kPadBack];
  return m;
}

// The pad works the menus through the key callbacks, a tap at a time, so it
// does exactly what the keys do.
void tapKey(unsigned char key) {
  onKeyDown(key, 0, 0);
  onKeyUp(key, 0, 0);
}

void tapSpecial(int key) {
  onSpecialDown(key, 0, 0);
  onSpecialUp(key, 0, 0);
}

// A name with a pad: up and down turn the last letter, right adds one, left takes one away.
void pickName(const MenuMoves& m) {
  if (m.up) turnNameLetter(1);
  if (m.down) turnNameLetter(-1);
  if (m.right) typeNameLetter('a');
  if (m.left) eraseNameLetter();
}

// The driving pad's part of a tick: the left stick steers, the right trigger
// drives, the left trigger brakes and reverses.
TickInput padTickInput(const PadReading& pad, const PadTuning& tuning) {
  TickInput in;
  if (!pad.present) return in;
  using namespace platform;
  in.steer = static_cast<int16_t>(-analogShare(pad.axes[kPadLeftX], tuning));  // the stick's left is the car's
  in.throttle = static_cast<int16_t>(std::max(0, analogShare(pad.axes[kPadRightTrigger], tuning)));
  in.brake = static_cast<int16_t>(std::max(0, analogShare(pad.axes[kPadLeftTrigger], tuning)));
  unsigned keys = 0;
  if (pad.held[kPadWest] || pad.held[kPadSouth]) keys |= driveBit(kHandbrake);
  if (pad.held[kPadNorth]) keys |= driveBit(kLift);
  if (pad.pressed[kPadLeftShoulder] || pad.pressed[kPadRightShoulder]) keys |= driveBit(kCamera);
  in.keys = static_cast<uint16_t>(keys);
  return in;
}

// The camera acts on a press: the keys that made this one are let go, so a
// held key switches once (and again with each repeat of the keyboard's).
void letGoOfCameraKeys() {
  for (const BoundKey& k : gControls.keys[kCamera]) {
    if (k.entry < 0 || k.entry >= kKeyTableSize) continue;
    gKeys[k.entry] = 0;
    if (k.bothCases) gKeys[k.entry ^ 0x20] = 0;
  }
}

}  // namespace

void loadControls() {
  gControls = Controls();
  const platform::PlayerFile file = platform::readPlayerFile(kControlsFile, kControlsFileLimit);
  switch (file.outcome) {
    case platform::PlayerFile::Read: break;
    case platform::PlayerFile::Missing: writeDefaultControls(); return;
    case platform::PlayerFile::NotAFile:
      say("Controls.txt is no file the game can read; the keys are the game's own");
      return;
    case platform::PlayerFile::Unreadable: say("Controls.txt cannot be read; the keys are the game's own"); return;
  }
  std::vector<std::string> complaints;
  readControlsStream(file.stream, gControls, complaints);
  std::fclose(file.stream);
  for (std::size_t i = 0; i < complaints.size() && i < kComplaintsSaid; ++i) say(complaints[i]);
  if (complaints.size() > kComplaintsSaid)
    say("Controls.txt: " + std::to_string(complaints.size() - kComplaintsSaid) + " more lines not understood");
}

std::string saveControls() {
  // The player's own comments stay in the file the screen rewrites.
  const platform::PlayerFile before = platform::readPlayerFile(kControlsFile, kControlsFileLimit);
  const platform::SaveResult saved = platform::replaceFile(
      kControlsFile, [&before](std::FILE* f) { return writeControlsKeepingNotes(f, gControls, before.stream); });
  if (before.stream) std::fclose(before.stream);
  const std::string why = saveRefusal(kControlsFile, saved.outcome);
  if (!why.empty()) say(why);
  return why;
}

void startControls() {
  loadControls();
  platform::openPads();
}

TickInput takePlayerInput() {
  const PadReading pad = platform::readPads();
  // Kept up to date in the race, so that a stick still held when the race
  // ends presses nothing on the table.
  stickPress(pad.axes[platform::kPadLeftX], gStickX);
  stickPress(pad.axes[platform::kPadLeftY], gStickY);
  if (pad.pressed[platform::kPadBack]) tapKey(kEscape);
  if (pad.pressed[platform::kPadStart]) pauseRace();
  if (pad.pressed[platform::kPadRightStick]) requestRestart();
  TickInput in = padTickInput(pad, gControls.pad);
  const uint16_t keys = heldActions(gKeys, gControls);
  if (keys & driveBit(kCamera)) letGoOfCameraKeys();
  in.keys = static_cast<uint16_t>(in.keys | keys);
  return in;
}

namespace {

// The pause menu: Start resumes as it paused, the south button takes the
// entry, east and Back resume as Escape does.
void pauseMenuPad(const PadReading& pad, const MenuMoves& m) {
  if (m.up) tapSpecial(GLUT_KEY_UP);
  if (m.down) tapSpecial(GLUT_KEY_DOWN);
  if (pad.pressed[platform::kPadRightStick])
    requestRestart();
  else if (pad.pressed[platform::kPadStart])
    resumeRace();
  else if (pad.pressed[platform::kPadSouth])
    tapKey(kEnter);
  else if (m.back)
    tapKey(kEscape);
}

}  // namespace

namespace {

// The options screen: the d-pad or stick moves and changes, south chooses,
// east or Back go back. A pad has no keys to bind: while an action waits for
// one, the pad can only cancel.
void optionsPad(const MenuMoves& m) {
  if (gOptions.waitingForKey) {
    if (m.back) tapKey(kEscape);
    return;
  }
  if (m.up) tapSpecial(GLUT_KEY_UP);
  if (m.down) tapSpecial(GLUT_KEY_DOWN);
  if (m.left) tapSpecial(GLUT_KEY_LEFT);
  if (m.right) tapSpecial(GLUT_KEY_RIGHT);
  if (m.confirm)
    tapKey(kEnter);
  else if (m.back)
    tapKey(kEscape);
}

}  // namespace

void readPadForMenu() {
  if (gViewer.active) return viewerPad();
  const PadReading pad = platform::readPads();
  const MenuMoves m = menuMoves(pad);
  if (racePaused()) return pauseMenuPad(pad, m);
  if (gOptions.active) return optionsPad(m);
  // The right stick pressed: the next race at once, with a name owed saving it first.
  if (pad.pressed[platform::kPadRightStick] && (saveNameAndRaceAgain() || requestRestart())) return;
  if (nameOwed()) {
    pickName(m);
  } else {
    if (m.up) tapSpecial(GLUT_KEY_UP);
    if (m.down) tapSpecial(GLUT_KEY_DOWN);
    // The table's races: West watches the highlighted one, North races against it.
    if (gHighScoreScreen.active && pad.pressed[platform::kPadWest] && tableKeyDown(' ')) return;
    if (gHighScoreScreen.active && pad.pressed[platform::kPadNorth] && tableKeyDown('g')) return;
  }
  // Both at once is no choice a player makes: confirming wins.
  if (m.confirm)
    tapKey(kEnter);
  else if (m.back)
    tapKey(kEscape);
}
