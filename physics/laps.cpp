// Checkpoint triggers and lap counting: the engine reports which gate the car
// is in, and once per race frame that becomes split times and laps.
#include "physics/laps.h"

#include <cstdint>

#include "physics/physics.h"
#include "ui/ui.h"

// ---- Per process: trigger contact (deliberately not reset between races) ----
int gLastTrigger = 0;
int gNbTouchedBodies = 0;
CheckpointTriggerReport gTriggerReport;

// ---- Per race: lap state ----------------------------------------------------
int gCurrentLap = 1;
bool gCheckpoint1Passed = false;
bool gCheckpoint2Passed = false;
bool gLapClosed = false;
bool gRaceFinished = false;

void noteTriggerEvent(int triggerId, unsigned status, int& lastTrigger, int& touched) {
  if (status & kTriggerEnter) {
    ++touched;
    lastTrigger = triggerId;
  }
  if (status & kTriggerLeave) {
    // The engine may report a leave whose enter belonged to an earlier world
    // (the count is carried across races); an unmatched leave is no reason to
    // stop the game, so the count simply stays at zero.
    if (touched > 0) --touched;
    lastTrigger = 0;
  }
}

void CheckpointTriggerReport::onTrigger(NxShape& triggerShape, NxShape&, NxTriggerFlag status) {
  const auto id = static_cast<int>(reinterpret_cast<intptr_t>(triggerShape.getActor().userData));
  noteTriggerEvent(id, static_cast<unsigned>(status), gLastTrigger, gNbTouchedBodies);
}

int applyLapRules(LapProgress& p, int lastTrigger) {
  if (p.raceFinished) return -1;
  if (lastTrigger == kCheckpoint1 && !p.checkpoint1Passed) {
    p.checkpoint1Passed = true;
    p.lapClosed = false;
    return 0;
  }
  if (lastTrigger == kCheckpoint2 && p.checkpoint1Passed && !p.checkpoint2Passed) {
    p.checkpoint2Passed = true;
    return 1;
  }
  if (lastTrigger == kFinishLine && p.checkpoint1Passed && p.checkpoint2Passed && !p.lapClosed) {
    if (p.currentLap == kRaceLaps) p.raceFinished = true;
    p.currentLap += 1;
    p.lapClosed = true;
    p.checkpoint1Passed = false;
    p.checkpoint2Passed = false;
    return 2;
  }
  return -1;
}

namespace {

void showSplit(float clock, float record) {
  gSplitClock = clock;
  gSplitRecord = record;
  gSplitVisible = true;
  gSplitShownUntil = clock + 5;
}

}  // namespace

void updateLapProgress() {
  LapProgress p{gCurrentLap, gCheckpoint1Passed, gCheckpoint2Passed, gLapClosed, gRaceFinished};
  const int lap = p.currentLap;
  const int crossing = applyLapRules(p, gLastTrigger);
  gCurrentLap = p.currentLap;
  gCheckpoint1Passed = p.checkpoint1Passed;
  gCheckpoint2Passed = p.checkpoint2Passed;
  gLapClosed = p.lapClosed;
  gRaceFinished = p.raceFinished;
  if (crossing < 0) return;

  const float t = gRaceClock;
  const bool lapInTable = lap >= 1 && lap <= kRaceLaps;
  if (lapInTable) gCurrentResult.splits[lap - 1][crossing] = t;
  if (crossing == 2 && p.raceFinished) {
    gCurrentResult.totalTime = t;
    gClockFrozen = true;
  }
  showSplit(t, lapInTable ? gHighScores[0].splits[lap - 1][crossing] : 0.0f);
  if (crossing == 2) gHudLap = gCurrentLap;
}

void resetLapState() {
  gCheckpoint1Passed = false;
  gCheckpoint2Passed = false;
  gLapClosed = false;
  gCurrentLap = 1;
  gHudLap = 1;
  gRaceFinished = false;
  gSplitVisible = false;
}
