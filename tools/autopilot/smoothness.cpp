#include "tools/autopilot/smoothness.h"

#include <GL/freeglut.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "audio/audio.h"
#include "physics/physics.h"
#include "shell/game.h"
#include "tools/autopilot/driven.h"
#include "tools/autopilot/driver.h"
#include "tools/autopilot/keyboard.h"
#include "ui/ui.h"

namespace autopilot {

namespace {

// ---- Recording the race --------------------------------------------------------------

Driver* gDriver = nullptr;
Keyboard* gKeyboard = nullptr;
bool gPlaced = false;
std::vector<NxVec3>* gTickPlaces = nullptr;  // the car after each tick

void driveAndNote() {
  if (gRaceTicks == 0) return;  // the car's pose is read back in the first tick
  gTickPlaces->push_back(gCarPose.t);
  if (!gPlaced) {
    gDriver->reset(gCarPose.t.x, gCarPose.t.z);
    gPlaced = true;
  }
  gKeyboard->releaseTaps();
  gKeyboard->drive(gDriver->decide(carThisTick(), gRaceClock));
}

// The window whose per-tick travel has the least spread.
void findSteadiest(const std::vector<NxVec3>& places, long firstRacing, long window, SteadyStretch& s) {
  double best = 1e30;
  for (long first = firstRacing; first + window < static_cast<long>(places.size()); first += 5) {
    double sum = 0, squares = 0;
    for (long i = first + 1; i <= first + window; ++i) {
      const double travel = places[static_cast<std::size_t>(i)].distance(places[static_cast<std::size_t>(i - 1)]);
      sum += travel;
      squares += travel * travel;
    }
    const double mean = sum / window, spread = std::sqrt(std::fmax(0.0, squares / window - mean * mean)) / mean;
    if (mean < 6 || spread >= best) continue;
    best = spread;
    // Tick k's place is places[k - 1]: the window's ticks, first to last.
    s.firstTick = first + 1;
    s.lastTick = first + 1 + window;
    s.meanTravel = mean;
  }
}

// ---- Measuring -------------------------------------------------------------------------

struct FrameSample {
  NxVec3 car, eye;
};
std::vector<FrameSample>* gSamples = nullptr;
const SteadyStretch* gStretch = nullptr;

void sampleFrame() {
  const double raceTick = static_cast<double>(gRaceTicks) + gTickAccumulator / kTickSeconds;
  if (raceTick >= gStretch->firstTick && raceTick <= gStretch->lastTick)
    gSamples->push_back({gDrawn.car.t, gDrawn.eye});
}

// Spread (per cent) of the movement per frame; frames are of equal length.
double spreadPct(const std::vector<FrameSample>& samples, NxVec3 FrameSample::*place) {
  std::vector<double> steps;
  for (std::size_t i = 1; i < samples.size(); ++i) steps.push_back((samples[i].*place).distance(samples[i - 1].*place));
  if (steps.size() < 2) return -1;
  double sum = 0, squares = 0;
  for (double s : steps) {
    sum += s;
    squares += s * s;
  }
  const double mean = sum / steps.size();
  return 100 * std::sqrt(std::fmax(0.0, squares / steps.size() - mean * mean)) / mean;
}

}  // namespace

bool recordSteadyStretch(const char* centrePath, double raceSeconds, long windowTicks, SteadyStretch& stretch) {
  CentreLine line;
  if (!line.load(centrePath)) return false;
  Driver driver(line);
  Keyboard keyboard;
  std::vector<NxVec3> places;
  gDriver = &driver;
  gKeyboard = &keyboard;
  gTickPlaces = &places;
  gPlaced = false;
  const long countdown = std::lround(gCountdownLength / kTickSeconds);
  const auto ticks = static_cast<std::size_t>(countdown + std::lround(raceSeconds / kTickSeconds));
  DrivenFrames undrawn;
  undrawn.draw = false;
  const DrivenRace race = runDrivenRace(60, driveAndNote, ticks, undrawn);
  keyboard.releaseDriving();
  keyboard.releaseTaps();
  gDriver = nullptr;
  gKeyboard = nullptr;
  gTickPlaces = nullptr;
  if (!race.built) return false;
  stretch.recording = race.recording;
  findSteadiest(places, countdown + 60, windowTicks, stretch);
  return stretch.lastTick > stretch.firstTick;
}

Smoothness measureSmoothness(const SteadyStretch& stretch, double fps, bool blend, bool draw) {
  std::vector<FrameSample> samples;
  gSamples = &samples;
  gStretch = &stretch;
  gBlendTicks = blend;
  setReplay(stretch.recording);
  DrivenFrames frames;
  frames.draw = draw;
  frames.afterFrame = sampleFrame;
  runDrivenRace(fps, nullptr, static_cast<std::size_t>(stretch.lastTick + 1), frames);
  clearReplay();
  gBlendTicks = true;
  gSamples = nullptr;
  gStretch = nullptr;
  Smoothness s;
  s.carSpreadPct = spreadPct(samples, &FrameSample::car);
  s.cameraSpreadPct = spreadPct(samples, &FrameSample::eye);
  s.frames = static_cast<long>(samples.size());
  return s;
}

int runSmoothness(int argc, char** argv, const char* centrePath) {
  glutInit(&argc, argv);
  startGame();
  glutDisplayFunc([] {});  // frames are drawn by the driven race, never on expose
  glutIdleFunc(nullptr);
  useDrivenClock();
  if (gAnisotropic == 1) onSpecialDown(GLUT_KEY_F10, 0, 0);  // a software renderer's frames stay short
  SteadyStretch stretch;
  if (!recordSteadyStretch(centrePath, 40, 180, stretch)) {
    std::fprintf(stderr, "bench-smoothness: the autopilot's race did not run\n");
    return 1;
  }
  std::printf("smooth.stretch_ticks: %ld to %ld ticks\n", stretch.firstTick, stretch.lastTick);
  std::printf("smooth.stretch_speed: %.2f units a tick\n", stretch.meanTravel);
  bool within = true;
  for (double fps : {24.0, 36.0, 45.0, 75.0, 144.0, 60.0}) {
    // The drawn pose does not depend on the drawing: frames step the race and
    // blend without the GL work, so the fast rates take seconds, not minutes.
    const Smoothness blended = measureSmoothness(stretch, fps, true, false);
    const Smoothness plain = measureSmoothness(stretch, fps, false, false);
    std::printf("smooth.step_spread_pct_%.0f: %.2f %% (camera %.2f %%, %ld frames)\n", fps, blended.carSpreadPct,
                blended.cameraSpreadPct, blended.frames);
    std::printf("smooth.unblended_step_spread_pct_%.0f: %.2f %% (camera %.2f %%)\n", fps, plain.carSpreadPct,
                plain.cameraSpreadPct);
    std::fflush(stdout);
    within = within && blended.carSpreadPct <= 3 && blended.cameraSpreadPct <= 3;
  }
  FSOUND_Close();
  return within ? 0 : 1;
}

}  // namespace autopilot
