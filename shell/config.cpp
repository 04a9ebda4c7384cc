// Config.txt: display mode and anti-aliasing.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "shell/game.h"

int gScreenWidth = 0;
int gScreenHeight = 0;
int gColorBits = 0;
int gRefreshRate = 0;
int gSamples = 0;

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

}  // namespace

void readConfigStream(std::FILE* file, DisplaySettings& s) {
  char line[kLineBuffer];
  while (std::fgets(line, kLineBuffer, file)) {
    // The tests run one after the other on whatever line is in the buffer, so a
    // value line read by the first test is seen by the two after it.
    if (std::strstr(line, "[DisplayMode]")) {
      if (!std::fgets(line, kLineBuffer, file)) {
        s.width = 1024;
        s.height = 786;
        s.colorBits = 32;
        s.refreshRate = 60;
        return;
      }
      parseDisplayMode(line, s);
    }
    if (std::strstr(line, "[AntiAliasing]")) {
      if (!std::fgets(line, kLineBuffer, file)) {
        s.samples = 1;
        return;
      }
      parseSamples(line, s);
    }
    if (std::strstr(line, "EOF")) return;
  }
}

void readConfig() {
  DisplaySettings s{gScreenWidth, gScreenHeight, gColorBits, gRefreshRate, gSamples};
  const platform::PlayerFile file = platform::readPlayerFile("Config.txt", kConfigFileLimit);
  if (file.outcome == platform::PlayerFile::Read) {
    readConfigStream(file.stream, s);
    std::fclose(file.stream);
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
}
