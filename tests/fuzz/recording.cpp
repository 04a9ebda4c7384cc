// Race recordings over arbitrary bytes: whatever a file holds, reading it
// never crashes, and a recording it accepts writes back and reads again the same.
#include <cstring>
#include <string>

#include "fuzz_input.h"
#include "race/recording.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  RaceRecording recording;
  std::string why;
  bool accepted = false;
  {
    fuzz::ByteFile file(data, size);
    accepted = readRecording(file.get(), recording, why);
  }
  fuzz::require(accepted == why.empty(), "a refusal gives its reason, an acceptance none");
  if (!accepted) return 0;
  fuzz::require(recording.keys.size() <= kMaxRecordedTicks, "no more ticks than an hour");
  std::FILE* f = std::tmpfile();
  fuzz::require(f && writeRecording(f, recording), "an accepted recording can be written");
  std::rewind(f);
  RaceRecording back;
  fuzz::require(readRecording(f, back, why), "a written recording reads back");
  std::fclose(f);
  fuzz::require(back.keys == recording.keys && back.finalPoseHash == recording.finalPoseHash &&
                    std::memcmp(&back.start, &recording.start, sizeof back.start) == 0,
                "it reads back the same");
  return 0;
}
