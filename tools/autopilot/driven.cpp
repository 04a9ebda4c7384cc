#include "tools/autopilot/driven.h"

#include <GL/freeglut.h>

#include "platform/platform.h"
#include "ui/ui.h"

namespace autopilot {

namespace {

int64_t gDrivenNow = int64_t{1} << 40;
int64_t drivenCounter() { return gDrivenNow; }

std::vector<uint64_t>* gPoses = nullptr;
void notePose() { gPoses->push_back(poseHash()); }

bool inRace() { return !gTitle.active && !gHighScoreScreen.active; }

// One whole frame: the clock moves on, the window's events are handled, the
// game draws the frame of its current state (or, undrawn, only steps a race).
void drivenFrame(int64_t step, bool draw = true) {
  gDrivenNow += step;
  glutMainLoopEvent();
  if (draw || !inRace())
    onDisplay();
  else
    stepRaceFrame();
}

}  // namespace

void useDrivenClock() { platform::setCounterSource(drivenCounter); }

void runDrivenFrame(double fps) { drivenFrame(static_cast<int64_t>(1e9 / fps + 0.5)); }

void stepDrivenFrame(double fps) { drivenFrame(static_cast<int64_t>(1e9 / fps + 0.5), false); }

DrivenRace runDrivenRace(double fps, RaceTickHook drive, std::size_t maxTicks, const DrivenFrames& frames) {
  DrivenRace race;
  const int64_t step = static_cast<int64_t>(1e9 / fps + 0.5);
  gTitle.active = true;
  gTitle.loadPending = true;  // the frame after Enter on the start entry
  gTitleEntry = 0;
  gHighScoreScreen.active = false;
  drivenFrame(step);
  race.built = inRace();
  if (!race.built) return race;
  gPoses = &race.poses;
  gBeforeRaceTick = drive;
  gAfterRaceTick = notePose;
  while (inRace() && race.poses.size() < maxTicks) {
    drivenFrame(step, frames.draw);
    ++race.frames;
    if (frames.afterFrame && inRace()) frames.afterFrame();
  }
  if (inRace()) enterHighScores(false);
  gBeforeRaceTick = nullptr;
  gAfterRaceTick = nullptr;
  gPoses = nullptr;
  race.recording = gRaceRecording;
  race.totalTime = gCurrentResult.totalTime;
  returnToTitle();
  return race;
}

std::size_t mismatchedTicks(const std::vector<uint64_t>& a, const std::vector<uint64_t>& b) {
  const std::size_t common = a.size() < b.size() ? a.size() : b.size();
  std::size_t n = (a.size() > b.size() ? a.size() : b.size()) - common;
  for (std::size_t i = 0; i < common; ++i) n += a[i] != b[i];
  return n;
}

}  // namespace autopilot
