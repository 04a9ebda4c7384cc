// Config.txt over arbitrary bytes: the reader must return, and the game then
// formats whatever it read into its mode strings.
#include <cstring>

#include "fuzz_input.h"
#include "shell/game.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ByteFile file(data, size);
  DisplaySettings s;
  readConfigStream(file.get(), s);
  char gameMode[80];
  const int n = std::snprintf(gameMode, sizeof gameMode, "%ix%i:%i@%i", s.width, s.height, s.colorBits,
                              s.refreshRate);
  fuzz::require(n > 0 && n < static_cast<int>(sizeof gameMode), "the mode string fits its buffer");
  // A file that never names a section leaves the settings as they were.
  if (!memmem(data, size, "[DisplayMode]", 13)) {
    fuzz::require(s.width == 0 && s.height == 0 && s.colorBits == 0 && s.refreshRate == 0,
                  "no section, no display mode");
  }
  if (!memmem(data, size, "[AntiAliasing]", 14)) fuzz::require(s.samples == 0, "no section, no samples");
  return 0;
}
