// How evenly the race moves on screen at a given frame rate: a stretch of an
// autopilot race at steady speed, replayed on a driven clock, and the spread
// of the drawn car's (and camera's) movement per frame over each frame's time.
#pragma once

#include <cstdint>

#include "race/recording.h"

namespace autopilot {

// A recorded race and, in its ticks, the window where it ran at its steadiest.
struct SteadyStretch {
  RaceRecording recording;
  long firstTick = 0, lastTick = 0;
  double meanTravel = 0;  // units a tick
};

// The autopilot drives `raceSeconds` past the start signal, undrawn; the
// stretch is the window of `windowTicks` whose per-tick travel varies least
// (among those faster than a third of top speed). False when the race could
// not be built. Needs the game initialised, with the title showing.
bool recordSteadyStretch(const char* centrePath, double raceSeconds, long windowTicks, SteadyStretch& stretch);

struct Smoothness {
  double carSpreadPct = 0;     // std / mean of drawn car movement per frame time
  double cameraSpreadPct = 0;  // the same for the chase camera's eye
  long frames = 0;             // frames measured inside the stretch
};

// Replays the stretch's recording at `fps` on the driven clock up to the end
// of the stretch, drawing the frames when `draw`, the drawn pose blended
// between ticks when `blend`; measures the frames inside the stretch.
Smoothness measureSmoothness(const SteadyStretch& stretch, double fps, bool blend, bool draw);

// The benchmark: prints the smooth.* figures. Exit status 0 when the blended
// figures are all within 3 %.
int runSmoothness(int argc, char** argv, const char* centrePath);

}  // namespace autopilot
