// Timing hooks around the phases of a race frame, for the benchmark tools.
// Nothing is installed in play: each hook is then one load and a branch not taken.
#pragma once

// Ghost lies inside MainView (the ghost) and Hud (its gap): its share of the
// main view is its cost.
enum class FramePhase : int { Physics = 0, CubeMap, MainView, Hud, Ghost, Count };

// Called with `entering` true at the start of a phase and false at its end.
using FrameProbeHook = void (*)(FramePhase phase, bool entering);
inline FrameProbeHook gFrameProbe = nullptr;

inline void frameProbeBegin(FramePhase phase) {
  if (gFrameProbe) gFrameProbe(phase, true);
}
inline void frameProbeEnd(FramePhase phase) {
  if (gFrameProbe) gFrameProbe(phase, false);
}
