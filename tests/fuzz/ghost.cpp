// Ghost files over arbitrary bytes: reading never crashes and never takes
// more than the file holds; a ghost it accepts writes back to the same bytes.
#include <string>

#include "fuzz_input.h"
#include "race/ghost.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Ghost ghost;
  std::string why;
  bool accepted = false;
  {
    fuzz::ByteFile file(data, size);
    accepted = readGhost(file.get(), ghost, why);
  }
  fuzz::require(accepted == why.empty(), "a refusal gives its reason, an acceptance none");
  if (!accepted) return 0;
  fuzz::require(ghost.poses.size() * kGhostPoseBytes <= size, "no pose the file does not hold");
  std::FILE* f = std::tmpfile();
  fuzz::require(f && writeGhost(f, ghost), "an accepted ghost can be written");
  std::rewind(f);
  Ghost back;
  fuzz::require(readGhost(f, back, why), "a written ghost reads back");
  std::fclose(f);
  fuzz::require(back.poses.size() == ghost.poses.size(), "with all its poses");
  for (std::size_t i = 0; i < back.poses.size(); ++i)
    fuzz::require(back.poses[i].car.t == ghost.poses[i].car.t, "positions survive exactly");
  return 0;
}
