// Config.txt: display mode and anti-aliasing, and the settings the options
// screen adds (how the screen is taken, the frame-rate counter, the volumes).
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "platform/platform.h"
#include "shell/game.h"

int gScreenWidth = 0;
int gScreenHeight = 0;
int gColorBits = 0;
int gRefreshRate = 0;
int gSamples = 0;
ScreenTaking gScreenTaking = ScreenTaking::Exclusive;
bool gFrameRateAlwaysOn = false;
DisplaySettings gStartSettings;
DisplaySettings gConfigSettings;

namespace {

constexpr int kLineBuffer = 255;  // at most 254 characters of a line are seen at once
// The file is five short lines; a player's notes in it stay far below this.
constexpr std::size_t kConfigFileLimit = 64 * 1024;

// One "%i" conversion: optional blanks and sign, then decimal, 0-octal or
// 0x-hex digits. Out-of-range values saturate instead of overflowing.
bool scanInt(const char*& p, int& out) {
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(p, &end, 0);
  if (end == p) return false;
  if (v > INT_MAX) v = INT_MAX;
  if (v < INT_MIN) v = INT_MIN;
  out = static_cast<int>(v);
  p = end;
  return true;
}

bool expect(const char*& p, char c) {
  if (*p != c) return false;
  ++p;
  return true;
}

// "%ix%i:%i@%i": each field that parses is stored; the first that does not
// stops the scan and it and every later field keep their values.
void parseDisplayMode(const char* line, DisplaySettings& s) {
  const char* p = line;
  if (!scanInt(p, s.width) || !expect(p, 'x')) return;
  if (!scanInt(p, s.height) || !expect(p, ':')) return;
  if (!scanInt(p, s.colorBits) || !expect(p, '@')) return;
  scanInt(p, s.refreshRate);
}

void parseSamples(const char* line, DisplaySettings& s) {
  const char* p = line;
  scanInt(p, s.samples);
}

// The added sections' values are words and small numbers: a value either is
// one of them whole or is refused, and the old value stays.
const char* const kScreenWords[] = {"exclusive", "desktop", "window"};

std::string firstWord(const char* line) {
  std::string w;
  for (const char* p = line; *p && w.size() < 24; ++p) {
    if (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n') {
      if (w.empty()) continue;
      break;
    }
    w += std::isprint(static_cast<unsigned char>(*p)) ? static_cast<char>(std::tolower(static_cast<unsigned char>(*p))) : '?';
  }
  return w;
}

class AddedSections {
 public:
  AddedSections(DisplaySettings& s, std::vector<std::string>* complaints) : s_(s), complaints_(complaints) {}

  // True when `section` names one of them; `value` is its value line.
  bool read(const char* section, const char* value, int number) {
    const std::string w = firstWord(value);
    number_ = number;
    if (std::strstr(section, "[Screen]")) return screen(w);
    if (std::strstr(section, "[FrameRate]")) return frameRate(w);
    if (std::strstr(section, "[MusicVolume]")) return volume(w, "[MusicVolume]", s_.musicVolume);
    if (std::strstr(section, "[EffectsVolume]")) return volume(w, "[EffectsVolume]", s_.effectsVolume);
    return false;
  }

 private:
  bool screen(const std::string& w) {
    for (int i = 0; i < 3; ++i)
      if (w == kScreenWords[i]) {
        s_.screen = static_cast<ScreenTaking>(i);
        return true;
      }
    return complain(w, "[Screen] takes exclusive, desktop or window", kScreenWords[static_cast<int>(s_.screen)]);
  }
  bool frameRate(const std::string& w) {
    if (w == "on" || w == "off") {
      s_.frameRate = w == "on";
      return true;
    }
    return complain(w, "[FrameRate] takes on or off", s_.frameRate ? "on" : "off");
  }
  bool volume(const std::string& w, const char* name, int& value) {
    char* end = nullptr;
    const long v = std::strtol(w.c_str(), &end, 10);
    if (!w.empty() && *end == '\0' && v >= 0 && v <= 10) {
      value = static_cast<int>(v);
      return true;
    }
    return complain(w, std::string(name) + " takes 0 to 10", std::to_string(value));
  }
  bool complain(const std::string& w, const std::string& rule, const std::string& kept) {
    if (complaints_)
      complaints_->push_back("Config.txt line " + std::to_string(number_) + " not understood: \"" + w + "\"; " +
                             rule + ", it stays " + kept);
    return true;
  }

  DisplaySettings& s_;
  std::vector<std::string>* complaints_;
  int number_ = 0;
};

// fgets into the line buffer, counting the file's lines: a piece of a long
// line is not a line of its own.
bool nextLine(std::FILE* file, char (&line)[kLineBuffer], int& number, bool& lineEnded) {
  if (!std::fgets(line, kLineBuffer, file)) return false;
  if (lineEnded) ++number;
  lineEnded = std::strchr(line, '\n') != nullptr;
  return true;
}

}  // namespace

void readConfigStream(std::FILE* file, DisplaySettings& s, std::vector<std::string>* complaints) {
  char line[kLineBuffer];
  char section[kLineBuffer];
  int number = 0;
  bool lineEnded = true;
  AddedSections added(s, complaints);
  while (nextLine(file, line, number, lineEnded)) {
    // The tests run one after the other on whatever line is in the buffer, so a
    // value line read by the first test is seen by the two after it.
    if (std::strstr(line, "[DisplayMode]")) {
      if (!nextLine(file, line, number, lineEnded)) {
        s.width = 1024;
        s.height = 786;
        s.colorBits = 32;
        s.refreshRate = 60;
        return;
      }
      parseDisplayMode(line, s);
    }
    if (std::strstr(line, "[AntiAliasing]")) {
      if (!nextLine(file, line, number, lineEnded)) {
        s.samples = 1;
        return;
      }
      parseSamples(line, s);
    }
    // The added sections come after the first two and keep their rule: the
    // value line is tested like any other, and a section on the last line
    // leaves its value alone.
    if (std::strstr(line, "[Screen]") || std::strstr(line, "[FrameRate]") || std::strstr(line, "Volume]")) {
      std::memcpy(section, line, sizeof section);
      if (!nextLine(file, line, number, lineEnded)) return;
      added.read(section, line, number);
    }
    if (std::strstr(line, "EOF")) return;
  }
}

bool writeConfigStream(std::FILE* f, const DisplaySettings& s) {
  const DisplaySettings own;
  std::fprintf(f, "[DisplayMode]\n%ix%i:%i@%i\n[AntiAliasing]\n%i\n", s.width, s.height, s.colorBits,
               s.refreshRate, s.samples);
  if (s.screen != own.screen) std::fprintf(f, "[Screen]\n%s\n", kScreenWords[static_cast<int>(s.screen)]);
  if (s.frameRate != own.frameRate) std::fprintf(f, "[FrameRate]\n%s\n", s.frameRate ? "on" : "off");
  if (s.musicVolume != own.musicVolume) std::fprintf(f, "[MusicVolume]\n%i\n", s.musicVolume);
  if (s.effectsVolume != own.effectsVolume) std::fprintf(f, "[EffectsVolume]\n%i\n", s.effectsVolume);
  std::fputs("EOF\n", f);
  return !std::ferror(f);
}

void readConfig() {
  DisplaySettings s = currentSettings();
  const platform::PlayerFile file = platform::readPlayerFile("Config.txt", kConfigFileLimit);
  if (file.outcome == platform::PlayerFile::Read) {
    std::vector<std::string> complaints;
    readConfigStream(file.stream, s, &complaints);
    std::fclose(file.stream);
    // A file of nothing but bad lines is named in a screenful, not in thousands.
    for (std::size_t i = 0; i < complaints.size() && i < 10; ++i) std::printf("%s\n", complaints[i].c_str());
    std::fflush(stdout);
  } else {
    s = DisplaySettings{1024, 786, 32, 60, 1};
    if (file.outcome == platform::PlayerFile::NotAFile)
      std::printf("Config.txt is not a plain file; the display settings are the game's own\n");
    if (file.outcome == platform::PlayerFile::Unreadable)
      std::printf("Config.txt cannot be read; the display settings are the game's own\n");
    std::fflush(stdout);
  }
  gScreenWidth = s.width;
  gScreenHeight = s.height;
  gColorBits = s.colorBits;
  gRefreshRate = s.refreshRate;
  gSamples = s.samples;
  gScreenTaking = s.screen;
  gFrameRateAlwaysOn = s.frameRate;
  gMusicVolume = s.musicVolume;
  gEffectsVolume = s.effectsVolume;
  gStartSettings = gConfigSettings = s;
}

DisplaySettings currentSettings() {
  // The desktop's full screen draws at the desktop's size: the mode it keeps is the file's.
  DisplaySettings s{gScreenWidth, gScreenHeight, gColorBits, gRefreshRate, gSamples};
  if (gScreenTaking == ScreenTaking::Desktop) {
    s.width = gStartSettings.width;
    s.height = gStartSettings.height;
  }
  s.screen = gScreenTaking;
  s.frameRate = gFrameRateAlwaysOn;
  s.musicVolume = gMusicVolume;
  s.effectsVolume = gEffectsVolume;
  return s;
}

std::string saveRefusal(const char* file, int outcome) {
  switch (outcome) {
    case platform::SaveResult::Saved: return "";
    case platform::SaveResult::ReadOnly: return std::string(file) + " is read-only: not saved, it is kept as it is";
    case platform::SaveResult::Unreadable: return std::string(file) + " cannot be read: not saved, it is kept as it is";
    case platform::SaveResult::OtherOwner: return std::string(file) + " belongs to another user: not saved";
    default: return std::string(file) + " could not be saved";
  }
}

std::string saveConfig(const DisplaySettings& s) {
  const platform::SaveResult saved =
      platform::replaceFile("Config.txt", [&](std::FILE* f) { return writeConfigStream(f, s); });
  const std::string why = saveRefusal("Config.txt", saved.outcome);
  if (!why.empty()) {
    std::printf("%s\n", why.c_str());
    std::fflush(stdout);
  }
  gConfigSettings = s;  // kept for this run either way: the next save tries again with it
  return why;
}
