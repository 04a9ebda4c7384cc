#include "tools/autopilot/restart.h"

#include <GL/glew.h>
#include <GL/freeglut.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "audio/audio.h"
#include "shell/game.h"
#include "tools/autopilot/bench.h"
#include "ui/ui.h"

namespace autopilot {

namespace {

constexpr unsigned char kBackspace = 8;
constexpr int kRestarts = 12;

double nowMs() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool inRace() { return !gTitle.active && !gHighScoreScreen.active; }

// A frame as the main loop runs it, finished on the screen.
void frame() {
  glutMainLoopEvent();
  onDisplay();
  glFinish();
}

}  // namespace

int runRestartBench(int argc, char** argv) {
  glutInit(&argc, argv);
  startGame();
  glutDisplayFunc([] {});
  glutIdleFunc(nullptr);
  // Anisotropic filtering off, as a player on a software renderer has it.
  if (gAnisotropic == 1) onSpecialDown(GLUT_KEY_F10, 0, 0);
  gTitle.loadPending = true;  // the frame after Enter on the start entry
  gTitleEntry = 0;
  frame();
  if (!inRace()) {
    std::fprintf(stderr, "bench-restart: the race was not built\n");
    return 1;
  }
  std::vector<double> ms;
  for (int i = 0; i < kRestarts; ++i) {
    for (int f = 0; f < 20; ++f) frame();  // into the countdown, the views warm
    const double keyAt = nowMs();
    onKeyDown(kBackspace, 0, 0);
    onKeyUp(kBackspace, 0, 0);
    frame();
    const double shownAt = nowMs();
    if (!inRace() || gRaceTicks != 1) {
      std::fprintf(stderr, "bench-restart: the restart key did not start a new race\n");
      return 1;
    }
    ms.push_back(shownAt - keyAt);
  }
  std::printf("game.restart_ms: %.0f ms\n", percentile(ms, 50));
  std::printf("game.restart_ms_max: %.0f ms\n", percentile(ms, 100));
  std::fflush(stdout);
  FSOUND_Close();
  return 0;
}

}  // namespace autopilot
