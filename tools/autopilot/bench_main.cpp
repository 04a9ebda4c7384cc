// The game benchmark: a five-lap autopilot race at the default display mode
// for the frame and lap figures, then short races for the phase timings and the memory
// figures, then the baseline (clear, one full-screen quad, swap) and the floor
// (the least fill any race frame needs). --restart, --viewer, --determinism and
// --smoothness are the other figures, one mode a run.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "tools/autopilot/autopilot.h"
#include "tools/autopilot/determinism.h"
#include "tools/autopilot/restart.h"
#include "tools/autopilot/smoothness.h"
#include "tools/autopilot/viewer_bench.h"

namespace fs = std::filesystem;

namespace {

fs::path gWorkDir;

void removeWorkDir() {
  std::error_code ignored;
  if (!gWorkDir.empty()) fs::remove_all(gWorkDir, ignored);
}

// The race rewrites the high-score table: run in a scratch directory that
// reaches the built data, so the build's own table stays as generated.
bool prepareWorkDir(const fs::path& game, const char* mode) {
  if (!fs::is_directory(game / "Data")) {
    std::fprintf(stderr, "bench-game: no game data in %s (build the content first)\n", game.c_str());
    return false;
  }
  char pattern[] = "/tmp/fivelaps-bench-XXXXXX";
  if (!mkdtemp(pattern)) return false;
  gWorkDir = pattern;
  std::atexit(removeWorkDir);
  std::error_code error;
  fs::create_directory_symlink(fs::absolute(game / "Data"), gWorkDir / "Data", error);
  if (!error && fs::exists(game / "HighScore5.hs"))
    fs::copy_file(game / "HighScore5.hs", gWorkDir / "HighScore5.hs", error);
  if (error) return false;
  std::ofstream config(gWorkDir / "Config.txt");
  config << "[DisplayMode]\n" << mode << "\n[AntiAliasing]\n1\nEOF\n";
  return config.good() && chdir(gWorkDir.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const char* binary = std::getenv("FIVELAPS_BINARY_DIR");
  const fs::path game = binary ? fs::path(binary) / "game" : fs::path(FIVELAPS_GAME_DIR);
  // --determinism: one race replayed at three drawing rates. The rates are
  // driven, so the smallest mode only makes the run shorter.
  if (argc > 1 && std::string(argv[1]) == "--determinism") {
    if (!prepareWorkDir(game, "320x240:32@60")) return 2;
    return autopilot::runDeterminism(argc - 1, argv + 1, "Data/Models/Track01_Centre.txt");
  }
  // --smoothness: one stretch of a race replayed at six drawing rates, with and
  // without drawing between the ticks. The rates are driven, as above.
  if (argc > 1 && std::string(argv[1]) == "--smoothness") {
    if (!prepareWorkDir(game, "320x240:32@60")) return 2;
    return autopilot::runSmoothness(argc - 1, argv + 1, "Data/Models/Track01_Centre.txt");
  }
  // --restart: the restart key, from the key to the new race's first frame, at
  // the default mode on the real clock.
  if (argc > 1 && std::string(argv[1]) == "--restart") {
    if (!prepareWorkDir(game, "1024x786:32@60")) return 2;
    return autopilot::runRestartBench(argc - 1, argv + 1);
  }
  // --viewer [FILE]: the replay viewer opening, seeking and playing a whole kept
  // race (by default the tests' one) against the same race replayed as a race.
  if (argc > 1 && std::string(argv[1]) == "--viewer") {
    const char* source = std::getenv("FIVELAPS_SOURCE_DIR");
    fs::path race = source ? fs::path(source) / "tests/shell/race.rec" : fs::path(FIVELAPS_KEPT_RACE);
    if (argc > 2 && argv[2][0] != '-') race = argv[2];
    race = fs::absolute(race);  // read after the move into the scratch directory
    if (!prepareWorkDir(game, "1024x786:32@60")) return 2;
    return autopilot::runViewerBench(argc - 1, argv + 1, race.c_str());
  }
  autopilot::Options options;
  options.bench = true;
  options.races = 20;
  // Frame and lap figures from a five-lap race; the later races only need to start.
  options.firstRaceSeconds = 0;
  options.abortAfter = 6;
  options.timeLimit = 3600;
  // Anisotropic filtering makes a software renderer's frames many seconds long;
  // the figures are for the game as a player there runs it (--anisotropic keeps it).
  options.noAnisotropic = true;
  if (!autopilot::parseOptions(argc, argv, options)) {
    autopilot::printUsage(argv[0]);
    return 2;
  }
  if (!prepareWorkDir(game, "1024x786:32@60")) {
    std::fprintf(stderr, "bench-game: cannot prepare a working directory\n");
    return 2;
  }
  return autopilot::runGame(argc, argv, options);
}
