// The whole game under the test display, started once per test binary: a
// scratch folder that links the generated data, a small window, the driven
// clock (tools/autopilot/driven.h) and a countdown of half a second.
#pragma once

#include <GL/freeglut.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "shell/game.h"
#include "tools/autopilot/driven.h"
#include "ui/ui.h"

namespace drivengame {

namespace fs = std::filesystem;

struct ScratchFolder {
  fs::path path;
  ~ScratchFolder() {
    std::error_code ignored;
    if (!path.empty()) fs::remove_all(path, ignored);
  }
};
inline ScratchFolder gFolder;

// False, and nothing started, without DISPLAY or the generated game data.
inline bool start() {
  static const bool ready = [] {
    const char* build = std::getenv("FIVELAPS_BINARY_DIR");
    if (!std::getenv("DISPLAY") || !build) return false;
    const fs::path game = fs::path(build) / "game";
    if (!fs::exists(game / "Data/Models/Track01_Collide.wrl")) return false;
    gFolder.path = fs::temp_directory_path() / ("fivelaps-driven-" + std::to_string(getpid()));
    fs::create_directories(gFolder.path);
    fs::create_directory_symlink(game / "Data", gFolder.path / "Data");
    fs::current_path(gFolder.path);
    int argc = 1;
    char name[] = "driven_game";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(160, 120);
    glutCreateWindow("Five Laps driven test");
    glutDisplayFunc([] {});  // the driven frames draw themselves
    gScreenWidth = gHudWidth = 160;
    gScreenHeight = gHudHeight = 120;
    autopilot::useDrivenClock();
    initGame();
    gCountdownLength = 0.5f;
    return true;
  }();
  return ready;
}

}  // namespace drivengame
