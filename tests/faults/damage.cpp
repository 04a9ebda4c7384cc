#include "damage.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <random>

#include "fault_support.h"

namespace faults {

const char* damageName(Damage d) {
  switch (d) {
    case Damage::Empty: return "empty";
    case Damage::Truncated: return "truncated";
    case Damage::Random: return "random";
  }
  return "?";
}

std::vector<Damage> allDamages() { return {Damage::Empty, Damage::Truncated, Damage::Random}; }

std::string shippedData() {
  const char* build = std::getenv("FIVELAPS_BINARY_DIR");
  return build && *build ? std::string(build) + "/game/Data" : "";
}

std::vector<std::string> shippedFiles() {
  std::vector<std::string> files;
  for (const char* folder : {"Models", "Textures", "Sound"}) {
    std::vector<std::string> names = listDir(shippedData() + "/" + folder);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) files.push_back(std::string("Data/") + folder + "/" + name);
  }
  return files;
}

void writeDamaged(const std::string& gameDir, const std::string& relative, Damage d) {
  for (const char* folder : {"/Data", "/Data/Models", "/Data/Textures", "/Data/Sound"}) {
    mkdir((gameDir + folder).c_str(), 0755);
  }
  std::string bytes = readWhole(shippedData() + "/" + relative.substr(5));
  if (d == Damage::Empty) bytes.clear();
  if (d == Damage::Truncated) bytes.resize(bytes.size() / 2);
  if (d == Damage::Random) {
    std::mt19937 random(static_cast<unsigned>(std::hash<std::string>()(relative)));
    bytes.resize(std::min<size_t>(bytes.size(), 512 * 1024));
    for (char& c : bytes) c = static_cast<char>(random());
  }
  writeWhole(gameDir + "/" + relative, bytes);
}

}  // namespace faults
