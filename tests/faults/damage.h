// Damaged copies of the game's data for the fault tests.
#pragma once

#include <string>
#include <vector>

namespace faults {

enum class Damage { Empty, Truncated, Random };
const char* damageName(Damage d);
std::vector<Damage> allDamages();

// The shipped data directory (FIVELAPS_BINARY_DIR/game/Data), or "" when unset.
std::string shippedData();
// Paths below Data/ ("Data/Models/Car.wrl", ...) of every shipped file.
std::vector<std::string> shippedFiles();
// Writes `relative` (a path below the game directory) into `gameDir`, damaged.
// Random bytes keep the file's size up to 512 KB; the seed follows the name.
void writeDamaged(const std::string& gameDir, const std::string& relative, Damage d);

}  // namespace faults
