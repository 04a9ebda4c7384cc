// Controls.txt over arbitrary bytes: reading never crashes, each complaint is
// one line of plain text, every key read is an entry of the key table, and
// what was read writes out and reads back the same, without a complaint.
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "shell/controls.h"

namespace {

bool sameKeys(const Controls& a, const Controls& b) {
  for (int action = 0; action < kControlActionCount; ++action)
    for (int k = 0; k < kKeysPerAction; ++k)
      if (!(a.keys[action][k] == b.keys[action][k])) return false;
  return a.pad.deadZonePercent == b.pad.deadZonePercent && a.pad.curve == b.pad.curve;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Controls controls;
  std::vector<std::string> complaints;
  {
    fuzz::ByteFile file(data, size);
    readControlsStream(file.get(), controls, complaints);
  }
  for (const std::string& line : complaints) {
    fuzz::require(line.size() < 300, "a complaint is one short line");
    for (char c : line) fuzz::require(std::isprint(static_cast<unsigned char>(c)) != 0, "a complaint is plain text");
  }
  unsigned char everyKey[kKeyTableSize];
  for (unsigned char& k : everyKey) k = 1;
  for (int action = 0; action < kControlActionCount; ++action) {
    const BoundKey(&keys)[kKeysPerAction] = controls.keys[action];
    // Restart and pause give way to a driving action's key.
    const int lowest = action < kDriveActionCount ? 0 : kNoKey;
    fuzz::require(keys[0].entry >= lowest && keys[0].entry < kKeyTableSize, "each driving action keeps a key of the table");
    fuzz::require(keys[1].entry >= kNoKey && keys[1].entry < kKeyTableSize, "a second key is one of the table");
  }
  fuzz::require(heldActions(everyKey, controls) == (1u << kDriveActionCount) - 1, "every action has a key");
  fuzz::require(controls.pad.deadZonePercent >= 0 && controls.pad.deadZonePercent <= 50, "the dead zone stays in its range");
  fuzz::require(controls.pad.curve >= 1 && controls.pad.curve <= 3, "the curve stays in its range");

  std::FILE* f = std::tmpfile();
  fuzz::require(f && writeControlsStream(f, controls), "what was read can be written");
  std::rewind(f);
  Controls back;
  back.keys[kLift][0] = {'x'};
  std::vector<std::string> again;
  readControlsStream(f, back, again);
  std::fclose(f);
  fuzz::require(again.empty() && sameKeys(back, controls), "it reads back the same");
  return 0;
}
