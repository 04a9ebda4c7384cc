// A scenery placement table over arbitrary bytes.
#include <vector>

#include "fuzz_input.h"
#include "race/race.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ByteFile file(data, size);
  std::vector<Placement> list;
  readPlacementStream(file.get(), list);
  size_t lines = 0;
  for (size_t i = 0; i < size; ++i) lines += data[i] == '\n';
  // Every record comes from a line of its own: a long line never splits in two.
  fuzz::require(list.size() <= lines + 1, "at most one placement per line");
  return 0;
}
