// Keys of your own (Controls.txt) and a pad's travel as the car uses it: the
// rules alone, free of files on disk, windows and devices.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "race/recording.h"

// ---- The held-key table -----------------------------------------------------
// 256 entries shared by ordinary keys (by character) and special keys (by
// GLUT code), then one each for freeglut's extra special keys, Num Lock to
// the right Super key: their codes are those of m to w, and Shift or Ctrl
// must not type a letter into the table.
constexpr int kFirstExtraSpecialKey = 0x6D;  // GLUT_KEY_NUM_LOCK
constexpr int kExtraSpecialKeyCount = 11;    // to GLUT_KEY_SUPER_R
constexpr int kKeyTableSize = 256 + kExtraSpecialKeyCount;
// The entry a special key's code holds in the table; -1 for no entry.
int specialKeyEntry(int code);

// ---- Keys of your own ---------------------------------------------------------
constexpr int kKeysPerAction = 2;
constexpr int kNoKey = -1;

// As Controls.txt gives them: written back, they read as the same numbers.
struct PadTuning {
  double deadZonePercent = 12;  // the travel ignored around rest
  double curve = 1;             // the response's exponent: 1 straight, more is finer near rest
};

// A key an action is bound to: its table entry, and for a key named as a
// letter its other case too (the key with or without Shift).
struct BoundKey {
  int entry = kNoKey;
  bool bothCases = false;
  bool operator==(const BoundKey& o) const { return entry == o.entry && bothCases == o.bothCases; }
};

// Actions that act at once, between ticks, after the driving ones: they never
// reach a tick's input or a recording.
enum ImmediateAction { kRestart = kDriveActionCount, kPause, kControlActionCount };

struct Controls {
  // The game's own: the arrows (which d to g share), Space, r and c; then
  // Backspace restarts and p pauses.
  BoundKey keys[kControlActionCount][kKeysPerAction] = {
      {{100}}, {{101}}, {{102}}, {{103}}, {{' '}}, {{'r', true}}, {{'c', true}}, {{8}}, {{'p', true}}};
  PadTuning pad;
};

// True when the key of table entry `entry` is one of the action's keys.
bool isKeyOf(const Controls& controls, int action, int entry);

// The key a name in Controls.txt stands for; entry kNoKey for a name that is
// none, or a key that acts at once (Escape, F1 to F11).
BoundKey keyByName(const std::string& name);
// The name Controls.txt gives a key.
std::string keyName(const BoundKey& key);
// Reads Controls.txt's text over `controls`: each good line sets its
// action's keys or a pad value; a bad line changes nothing and adds one
// complaint that names it and what is kept.
void readControlsStream(std::FILE* file, Controls& controls, std::vector<std::string>& complaints);
// The commented file the game writes when the player has none.
bool writeControlsStream(std::FILE* file, const Controls& controls);
// The same, for a file the player had (`before`, null for none): the comment
// lines of theirs that are not the game's own are kept, after the game's.
bool writeControlsKeepingNotes(std::FILE* file, const Controls& controls, std::FILE* before);

// ---- Keys chosen on the options screen ------------------------------------------
// The name of an action as Controls.txt writes it.
const char* actionName(int action);
// The key a press stands for when it is to be bound: an ordinary key by its
// character (a letter for both cases), a special key by its GLUT code
// (`special` true). A key that cannot be bound comes back as kNoKey, with the
// rule that keeps it in `why`: Escape and F1 to F11 keep their jobs, Ctrl with
// a letter types another character, and a key Controls.txt has no name for.
BoundKey pressedKey(int code, bool special, std::string& why);
// Whether two bound keys share a table entry (the arrows are d to g too).
bool sameKey(const BoundKey& a, const BoundKey& b);
// The action and slot that already hold `key`, other than (action, slot);
// false when none does.
bool keyHolder(const Controls& controls, const BoundKey& key, int action, int slot, int& holder, int& holderSlot);
// Gives (action, slot) the key and (other, otherSlot) the key it had: a key
// offered to be swapped.
void swapKeys(Controls& controls, int action, int slot, int other, int otherSlot);

// The actions whose keys are held in a table of kKeyTableSize entries.
uint16_t heldActions(const unsigned char* keys, const Controls& controls);

// ---- A pad's travel -------------------------------------------------------------
// A stick or trigger reading (-1 to 1) as the share of its travel that the
// tick uses, in steps of 1/kAnalogSteps: nothing inside the dead zone, the
// rest stretched to the whole range and bent by the curve. The last few per
// cent count as all the way, so a worn stick still gives what the key gives.
int analogShare(float reading, const PadTuning& tuning);
