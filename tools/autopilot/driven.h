// Races on a clock the caller drives: every frame moves the game's counter on
// by exactly 1/fps s, so a race is drawn at any rate whatever the machine
// manages. The determinism benchmark and its test replay one recording so.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "race/recording.h"
#include "shell/game.h"

namespace autopilot {

// Switches the game's counter to the driven clock.
void useDrivenClock();

struct DrivenRace {
  bool built = false;
  std::vector<uint64_t> poses;  // the pose hash after every tick
  RaceRecording recording;      // what the race recorded
  float totalTime = 0;
  long frames = 0;
};

// One whole frame at `fps` on the driven clock: the clock moves on 1/fps s,
// the window's events are handled, the game draws its current state.
void runDrivenFrame(double fps);
// The same without drawing a race frame (other screens are still drawn).
void stepDrivenFrame(double fps);

struct DrivenFrames {
  bool draw = true;                   // false: race frames only step (no GL work)
  void (*afterFrame)() = nullptr;     // after every race frame
};

// Builds a race (the game initialised, the title showing) and runs whole
// frames, drawn and swapped, at `fps` until the race is left; after `maxTicks`
// ticks it is left as with Escape. `drive` runs before every tick (nullptr
// when a replay drives or nothing should). Back on the title afterwards.
DrivenRace runDrivenRace(double fps, RaceTickHook drive, std::size_t maxTicks,
                         const DrivenFrames& frames = DrivenFrames());

// Ticks whose poses differ, counting those only one run has.
std::size_t mismatchedTicks(const std::vector<uint64_t>& a, const std::vector<uint64_t>& b);

}  // namespace autopilot
