#include "tools/autopilot/determinism.h"

#include <GL/freeglut.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "audio/audio.h"
#include "physics/physics.h"
#include "race/ghost.h"
#include "shell/game.h"
#include "tools/autopilot/driven.h"
#include "tools/autopilot/driver.h"
#include "tools/autopilot/keyboard.h"
#include "ui/ui.h"

namespace autopilot {

namespace {

constexpr unsigned char kEscape = 27;
constexpr std::size_t kRaceTickLimit = 15 * 60 * 60;  // a quarter of an hour

CentreLine gLine;
Driver* gDriver = nullptr;
Keyboard* gKeyboard = nullptr;
bool gPlaced = false;

// Anisotropic filtering takes a software renderer seconds a frame; leaving a
// race switches it back on. F10 is no driving key: replays leave it to us.
void plainFiltering() {
  if (gAnisotropic == 1) onSpecialDown(GLUT_KEY_F10, 0, 0);
}

// The autopilot's race, decided tick by tick; once finished it leaves with
// Escape, as the whole-game runs do on a software renderer.
void driveTick() {
  plainFiltering();
  if (gRaceTicks == 0) return;  // the car's pose is read back in the first tick
  if (!gPlaced) {
    gDriver->reset(gCarPose.t.x, gCarPose.t.z);
    gPlaced = true;
  }
  gKeyboard->releaseTaps();
  if (gRaceFinished) {
    gKeyboard->releaseDriving();
    gKeyboard->tap(kEscape);
    return;
  }
  gKeyboard->drive(gDriver->decide(carThisTick(), gRaceClock));
}

// Replays run against the ghost the autopilot's race left as the table's
// best: the same race, so the gap must read 0.00 at every tick.
float gWorstGap = 0;
std::size_t gGapTicks = 0;
void replayTick() {
  plainFiltering();
  if (!gGhostGapKnown) return;
  ++gGapTicks;
  gWorstGap = std::max(gWorstGap, std::fabs(gGhostGap));
}

}  // namespace

int runDeterminism(int argc, char** argv, const char* centrePath) {
  glutInit(&argc, argv);
  if (!gLine.load(centrePath)) {
    std::fprintf(stderr, "bench-determinism: no usable centre line in %s\n", centrePath);
    return 2;
  }
  startGame();
  glutDisplayFunc([] {});  // frames are drawn by the driven race, never on expose
  glutIdleFunc(nullptr);
  useDrivenClock();

  Driver driver(gLine);
  Keyboard keyboard;
  gDriver = &driver;
  gKeyboard = &keyboard;
  const DrivenRace race = runDrivenRace(60, driveTick, kRaceTickLimit);
  keyboard.releaseDriving();
  keyboard.releaseTaps();
  if (!race.built || race.recording.end != RecordingEnd::Escape || race.totalTime <= 0) {
    std::fprintf(stderr, "bench-determinism: the autopilot's race did not finish\n");
    return 1;
  }
  std::printf("determinism.race_ticks: %zu ticks\n", race.poses.size());
  std::printf("determinism.race_s: %.3f s\n", race.totalTime);

  const double rates[] = {10, 60, 240};
  std::size_t mismatched = 0;
  float fastest = race.totalTime, slowest = race.totalTime;
  for (double fps : rates) {
    setReplay(race.recording);
    const DrivenRace replay = runDrivenRace(fps, replayTick, kRaceTickLimit);
    const std::size_t bad = mismatchedTicks(race.poses, replay.poses);
    std::printf("determinism.replay_%.0ffps: %zu mismatched ticks of %zu, total %.3f s, %ld frames\n", fps, bad,
                replay.poses.size(), replay.totalTime, replay.frames);
    mismatched += bad;
    fastest = std::min(fastest, replay.totalTime);
    slowest = std::max(slowest, replay.totalTime);
  }
  clearReplay();
  std::printf("determinism.rates: %zu\n", sizeof rates / sizeof rates[0]);
  std::printf("determinism.mismatched_ticks: %zu\n", mismatched);
  std::printf("determinism.total_time_spread_ms: %.1f ms\n", (slowest - fastest) * 1000.0);
  std::printf("determinism.ghost_gap_ticks: %zu ticks\n", gGapTicks);
  std::printf("determinism.ghost_gap_max_s: %.3f s\n", gWorstGap);
  std::fflush(stdout);
  FSOUND_Close();
  const bool gapsExact = gGapTicks > 0 && gWorstGap == 0;
  return mismatched == 0 && slowest == fastest && gapsExact ? 0 : 1;
}

}  // namespace autopilot
