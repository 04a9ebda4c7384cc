// The lap rules on plain values, apart from the engine, so that they can be
// exercised frame by frame without a physics world.
#pragma once

// Trigger status bits as the engine reports them.
enum TriggerStatus : unsigned { kTriggerEnter = 1, kTriggerLeave = 2, kTriggerStay = 4 };

// Ids stored in the trigger actors' userData.
enum CheckpointId { kCheckpoint1 = -1, kCheckpoint2 = -2, kFinishLine = -3 };

// What onTrigger makes of one report: which trigger the car is in and how many
// entries are still open. `touched` never drops below 0.
void noteTriggerEvent(int triggerId, unsigned status, int& lastTrigger, int& touched);

struct LapProgress {
  int currentLap = 1;
  bool checkpoint1Passed = false;
  bool checkpoint2Passed = false;
  bool lapClosed = false;
  bool raceFinished = false;
};

// One frame of the lap rules with the car in `lastTrigger` (0: in none).
// Returns the crossing counted this frame (0 checkpoint 1, 1 checkpoint 2,
// 2 finish line) or -1. A finish crossing advances the lap; the fifth one
// finishes the race.
int applyLapRules(LapProgress& progress, int lastTrigger);

constexpr int kRaceLaps = 5;
