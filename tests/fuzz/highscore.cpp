// HighScore5.hs over arbitrary bytes, then written back the way the game
// saves it: whatever the file held, the saved table reads back the same names.
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "fuzz_input.h"
#include "ui/ui.h"

namespace {

std::string scratchPath() {
  // Every run saves with fsync: a memory file system keeps that cheap.
  const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  return std::string(dir) + "/fuzz-highscore-" + std::to_string(getpid()) + ".hs";
}

// Times go through "%f", so only the value printed survives; compare that.
bool sameTime(float written, float read) {
  if (std::isnan(written)) return std::isnan(read);
  char text[64];
  std::snprintf(text, sizeof text, "%f", written);
  return std::strtof(text, nullptr) == read;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  HighScoreEntry table[10];
  {
    fuzz::ByteFile file(data, size);
    readHighScoreStream(file.get(), table);
  }
  for (const HighScoreEntry& e : table) fuzz::require(e.name.size() <= kStoredNameLength, "names fit their field");

  static const std::string path = scratchPath();
  fuzz::require(static_cast<bool>(writeHighScoreFile(path.c_str(), table)), "the table can be saved");
  HighScoreEntry back[10];
  std::FILE* file = std::fopen(path.c_str(), "r");
  fuzz::require(file != nullptr, "the saved table can be opened");
  readHighScoreStream(file, back);
  std::fclose(file);
  std::remove(path.c_str());
  for (int i = 0; i < 10; ++i) {
    fuzz::require(back[i].name == table[i].name, "names survive a save");
    fuzz::require(sameTime(table[i].totalTime, back[i].totalTime), "times survive a save");
  }
  return 0;
}
