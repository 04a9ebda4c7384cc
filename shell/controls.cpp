// Controls.txt: which keys drive, and how a pad's sticks and triggers feel.
#include "shell/controls.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

const char* const kActionNames[kControlActionCount] = {"steer-left", "accelerate", "steer-right", "reverse", "handbrake",
                                                       "lift",       "camera",     "restart",     "pause"};

struct NamedKey {
  const char* name;
  int entry;
};

// The keys that have names rather than a character. The arrows come first:
// their entries are also d to g, and a message should say "Up", not "e".
// Delete comes from freeglut as the character 127, not as its special key.
const NamedKey kNamedKeys[] = {
    {"Left", 100},       {"Up", 101},          {"Right", 102},     {"Down", 103},       {"PageUp", 104},
    {"PageDown", 105},   {"Home", 106},        {"End", 107},       {"Insert", 108},     {"Space", ' '},
    {"Enter", 13},       {"Backspace", 8},     {"Tab", 9},         {"F12", 12},         {"NumLock", 256},
    {"Begin", 257},      {"Delete", 127},      {"LeftShift", 259}, {"RightShift", 260}, {"LeftCtrl", 261},
    {"RightCtrl", 262},  {"LeftAlt", 263},     {"RightAlt", 264},  {"LeftSuper", 265},  {"RightSuper", 266},
};

constexpr std::size_t kMaxLineLength = 254;
constexpr double kFullTravel = 0.97;
constexpr double kMaxDeadZonePercent = 50, kMinCurve = 1, kMaxCurve = 3;


bool sameText(const std::string& a, const char* b) {
  if (a.size() != std::strlen(b)) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

// A word of the player's file, fit to be printed: plain characters only, and short.
std::string shown(const std::string& word) {
  std::string out;
  for (char c : word.substr(0, 24)) out += std::isprint(static_cast<unsigned char>(c)) ? c : '?';
  return word.size() > 24 ? out + "..." : out;
}

std::string keysText(const BoundKey (&keys)[kKeysPerAction]) {
  std::string text;
  for (const BoundKey& k : keys) {
    if (k.entry == kNoKey) continue;
    text += (text.empty() ? "" : " ") + keyName(k);
  }
  return text.empty() ? "no key" : text;
}

// One line of the file without its newline, read whole; the rest of a longer
// line is skipped. A NUL byte is a character like any other, so that it never
// hides the newline after it and the line numbers stay the file's.
bool readLine(std::FILE* file, std::string& line, bool& tooLong) {
  line.clear();
  tooLong = false;
  int c = std::getc(file);
  if (c == EOF) return false;
  for (; c != EOF && c != '\n'; c = std::getc(file)) {
    if (line.size() < kMaxLineLength)
      line += static_cast<char>(c);
    else
      tooLong = true;
  }
  return true;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::vector<std::string> words(const std::string& line) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < line.size();) {
    while (i < line.size() && isBlank(line[i])) ++i;
    const std::size_t start = i;
    while (i < line.size() && !isBlank(line[i])) ++i;
    if (i > start) out.push_back(line.substr(start, i - start));
  }
  return out;
}

class ControlsReader {
 public:
  ControlsReader(Controls& controls, std::vector<std::string>& complaints)
      : controls_(controls), complaints_(complaints) {}

  void line(int number, const std::vector<std::string>& w) {
    number_ = number;
    if (w.empty() || w[0][0] == '#') return;  // a blank line or a comment
    if (sameText(w[0], "pad-dead-zone")) return padValue(w, controls_.pad.deadZonePercent, 0, kMaxDeadZonePercent);
    if (sameText(w[0], "pad-curve")) return padValue(w, controls_.pad.curve, kMinCurve, kMaxCurve);
    for (int a = 0; a < kControlActionCount; ++a)
      if (sameText(w[0], kActionNames[a])) return actionKeys(a, w);
    complain("\"" + shown(w[0]) + "\" is no action", "the line is ignored");
  }
  // Restart and pause came later than many a player's file: a key the file
  // gives a driving action keeps that job alone, unless the file names it for
  // them too. A file from before them plays as it always did.
  void giveWayToDriving() {
    for (int a = kDriveActionCount; a < kControlActionCount; ++a) {
      if (seen_[a]) continue;
      for (BoundKey& k : controls_.keys[a])
        if (k.entry != kNoKey && drivesAnAction(k)) k = BoundKey();
    }
  }
  void tooLong(int number) {
    number_ = number;
    complain("too long", "the line is ignored");
  }

 private:
  bool drivesAnAction(const BoundKey& key) const {
    for (int a = 0; a < kDriveActionCount; ++a)
      if (isKeyOf(controls_, a, key.entry) || (key.bothCases && isKeyOf(controls_, a, key.entry ^ 0x20))) return true;
    return false;
  }

  void complain(const std::string& what, const std::string& kept) {
    complaints_.push_back("Controls.txt line " + std::to_string(number_) + " not understood: " + what + "; " + kept);
  }

  void actionKeys(int action, const std::vector<std::string>& w) {
    BoundKey(&keys)[kKeysPerAction] = controls_.keys[action];
    const std::string kept = std::string(kActionNames[action]) + " keeps " + keysText(keys);
    if (seen_[action]) return complain(std::string(kActionNames[action]) + " has a line already", kept);
    if (w.size() < 2 || w.size() > 1 + kKeysPerAction)
      return complain(std::string(kActionNames[action]) + " takes one or two keys", kept);
    BoundKey chosen[kKeysPerAction];
    for (std::size_t i = 1; i < w.size(); ++i) {
      chosen[i - 1] = keyByName(w[i]);
      if (chosen[i - 1].entry == kNoKey) return complain("\"" + shown(w[i]) + "\" is no key to drive with", kept);
    }
    seen_[action] = true;
    for (int i = 0; i < kKeysPerAction; ++i) keys[i] = chosen[i];
  }

  void padValue(const std::vector<std::string>& w, double& value, double low, double high) {
    char range[96];
    std::snprintf(range, sizeof range, "%s takes a number from %g to %g", w[0].c_str(), low, high);
    char kept[48];
    std::snprintf(kept, sizeof kept, "it stays %g", value);
    if (w.size() != 2) return complain(range, kept);
    char* end = nullptr;
    const double v = std::strtod(w[1].c_str(), &end);
    if (*end != '\0' || !(v >= low && v <= high)) return complain(range, kept);
    value = v;
  }

  Controls& controls_;
  std::vector<std::string>& complaints_;
  int number_ = 0;
  bool seen_[kControlActionCount] = {};
};

}  // namespace

int specialKeyEntry(int code) {
  if (code >= kFirstExtraSpecialKey && code < kFirstExtraSpecialKey + kExtraSpecialKeyCount)
    return 256 + code - kFirstExtraSpecialKey;
  return code >= 0 && code < 256 ? code : -1;
}

BoundKey keyByName(const std::string& name) {
  if (name.size() == 1 && name[0] > ' ' && name[0] < 127) return {name[0], std::isalpha(name[0]) != 0};
  for (const NamedKey& k : kNamedKeys)
    if (sameText(name, k.name)) return {k.entry};
  return {};
}

std::string keyName(const BoundKey& key) {
  if (key.bothCases) return std::string(1, static_cast<char>(key.entry));
  for (const NamedKey& k : kNamedKeys)
    if (k.entry == key.entry) return k.name;
  if (key.entry > ' ' && key.entry < 127) return std::string(1, static_cast<char>(key.entry));
  return "key " + std::to_string(key.entry);
}

void readControlsStream(std::FILE* file, Controls& controls, std::vector<std::string>& complaints) {
  ControlsReader reader(controls, complaints);
  std::string line;
  bool tooLong = false;
  for (int number = 1; readLine(file, line, tooLong); ++number) {
    if (tooLong)
      reader.tooLong(number);
    else
      reader.line(number, words(line));
  }
  reader.giveWayToDriving();
}

bool writeControlsStream(std::FILE* f, const Controls& controls) {
  std::fputs(
      "# Five Laps controls: the keys that drive the car, and how a gamepad's sticks\n"
      "# and triggers feel. One action a line: its name and one or two keys. A line\n"
      "# the game does not understand is named on standard output when it starts, and\n"
      "# its action keeps the keys written here. The game writes this file when\n"
      "# there is none and when you change the keys on its Options screen, and at\n"
      "# no other time.\n"
      "#\n"
      "# A key is a character as typed (a letter stands for its key with and without\n"
      "# Shift), or one of Space Enter Backspace Tab Up Down Left Right PageUp\n"
      "# PageDown Home End Insert Delete F12 NumLock Begin LeftShift RightShift\n"
      "# LeftCtrl RightCtrl LeftAlt RightAlt LeftSuper RightSuper. To the game the\n"
      "# arrows are also d e f g (Left d, Up e, Right f, Down g) and PageUp to Insert\n"
      "# are h to l. With Ctrl held, letters type other characters. Escape and F1 to\n"
      "# F11 keep their own jobs; the menus keep Up, Down, Enter and Escape.\n"
      "# restart drops the race and starts it again at once, and races again from\n"
      "# the table; pause stops the race where it is until pressed again.\n",
      f);
  for (int a = 0; a < kControlActionCount; ++a) {
    const bool none = controls.keys[a][0].entry == kNoKey && controls.keys[a][1].entry == kNoKey;
    std::fprintf(f, none ? "# %s has no key\n" : "%s %s\n", kActionNames[a], keysText(controls.keys[a]).c_str());
  }
  std::fprintf(f,
               "#\n"
               "# A gamepad: the share of a stick's or trigger's travel that is ignored\n"
               "# around rest, in per cent (0 to 50), and the response curve (1 is\n"
               "# straight; up to 3 gives finer steering and throttle near rest).\n"
               "pad-dead-zone %.17g\n"
               "pad-curve %.17g\n",
               controls.pad.deadZonePercent, controls.pad.curve);
  return !std::ferror(f);
}

bool isKeyOf(const Controls& controls, int action, int entry) {
  if (action < 0 || action >= kControlActionCount || entry < 0) return false;
  for (const BoundKey& k : controls.keys[action])
    if (k.entry != kNoKey && (k.entry == entry || (k.bothCases && (k.entry ^ 0x20) == entry))) return true;
  return false;
}

namespace {

const char* const kNotesLine = "# Your own notes, kept from the file before:";

// The comment lines a stream holds, each without its line end.
std::vector<std::string> commentLines(std::FILE* file) {
  std::vector<std::string> lines;
  std::string line;
  for (int c = 0; c != EOF;) {
    c = std::fgetc(file);
    if (c != EOF && c != '\n') {
      if (line.size() < 4096) line += static_cast<char>(c);
      continue;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] == '#') lines.push_back(line);
    line.clear();
  }
  return lines;
}

}  // namespace

bool writeControlsKeepingNotes(std::FILE* out, const Controls& controls, std::FILE* before) {
  if (!writeControlsStream(out, controls)) return false;
  if (!before) return true;
  // The game's own comments are written afresh; every other comment is the player's.
  std::vector<std::string> ours;
  if (std::FILE* written = std::tmpfile()) {
    writeControlsStream(written, controls);
    std::rewind(written);
    ours = commentLines(written);
    std::fclose(written);
  }
  ours.push_back(kNotesLine);
  std::vector<std::string> notes;
  for (const std::string& line : commentLines(before)) {
    const bool game = std::find(ours.begin(), ours.end(), line) != ours.end() ||
                      (line.size() > 11 && line.compare(line.size() - 11, 11, " has no key") == 0);
    if (!game) notes.push_back(line);
  }
  if (!notes.empty()) std::fprintf(out, "%s\n", kNotesLine);
  for (const std::string& line : notes) std::fprintf(out, "%s\n", line.c_str());
  return !std::ferror(out);
}

uint16_t heldActions(const unsigned char* keys, const Controls& controls) {
  unsigned actions = 0;
  for (int a = 0; a < kDriveActionCount; ++a)
    for (const BoundKey& k : controls.keys[a]) {
      if (k.entry < 0 || k.entry >= kKeyTableSize) continue;
      if (keys[k.entry] || (k.bothCases && keys[k.entry ^ 0x20])) actions |= 1u << a;  // 0x20: the other case
    }
  return static_cast<uint16_t>(actions);
}

int analogShare(float reading, const PadTuning& tuning) {
  const double travel = std::fabs(reading), deadZone = tuning.deadZonePercent / 100;
  if (!(travel > deadZone)) return 0;
  double share = std::fmin(1.0, (travel - deadZone) / (kFullTravel - deadZone));
  if (tuning.curve != 1) share = std::pow(share, tuning.curve);
  const int steps = static_cast<int>(std::lround(share * kAnalogSteps));
  return reading < 0 ? -steps : steps;
}

const char* actionName(int action) {
  return action >= 0 && action < kControlActionCount ? kActionNames[action] : "";
}

BoundKey pressedKey(int code, bool special, std::string& why) {
  why.clear();
  BoundKey key;
  if (special) {
    if (code >= 1 && code <= 11) {  // GLUT_KEY_F1 to GLUT_KEY_F11
      why = "F1 to F11 keep their jobs";
      return {};
    }
    key = {specialKeyEntry(code)};
  } else if (code == 27) {
    why = "Escape keeps its job";
    return {};
  } else if (code >= 1 && code <= 26 && code != 8 && code != 9 && code != 13) {
    why = "With Ctrl held a letter types another character: bind Ctrl with keys that are not letters";
    return {};
  } else {
    key = {code, std::isalpha(code) != 0 && code < 128};
    if (key.bothCases) key.entry = std::tolower(code);
  }
  // Only a key Controls.txt can name is bound: the file must read back as the screen left it.
  if (key.entry == kNoKey || !(keyByName(keyName(key)) == key)) {
    why = "That key has no name in Controls.txt";
    return {};
  }
  return key;
}

bool sameKey(const BoundKey& a, const BoundKey& b) {
  if (a.entry == kNoKey || b.entry == kNoKey) return false;
  if (a.entry == b.entry) return true;
  return (a.bothCases && (a.entry ^ 0x20) == b.entry) || (b.bothCases && (b.entry ^ 0x20) == a.entry);
}

bool keyHolder(const Controls& controls, const BoundKey& key, int action, int slot, int& holder, int& holderSlot) {
  for (int a = 0; a < kControlActionCount; ++a)
    for (int s = 0; s < kKeysPerAction; ++s) {
      if (a == action && s == slot) continue;
      if (!sameKey(controls.keys[a][s], key)) continue;
      holder = a;
      holderSlot = s;
      return true;
    }
  return false;
}

void swapKeys(Controls& controls, int action, int slot, int other, int otherSlot) {
  std::swap(controls.keys[action][slot], controls.keys[other][otherSlot]);
}
