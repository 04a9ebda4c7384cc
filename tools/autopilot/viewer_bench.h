// The replay viewer's benchmark: how long a whole kept race takes to open, how
// long a seek takes, and the viewer's frame rate against the same race
// replayed through the race's own frames.
#pragma once

namespace autopilot {

// Runs in the current directory (game data, Config.txt) in the configured
// display mode on the real clock; prints the viewer.* figures. Exit status 0
// when the race opened every time and both the viewer and the replayed race
// played the measured stretch.
int runViewerBench(int argc, char** argv, const char* recordingPath);

}  // namespace autopilot
