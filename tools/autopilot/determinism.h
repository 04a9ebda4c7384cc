// The determinism benchmark: the autopilot drives one five-lap race, which is
// then replayed while drawing at 10, 60 and 240 frames a second on a driven
// clock; every replay is compared with the race tick by tick.
#pragma once

namespace autopilot {

// Runs in the current directory (game data, Config.txt); prints the
// determinism.* figures. Exit status 0 when every replay was the race again.
int runDeterminism(int argc, char** argv, const char* centrePath);

}  // namespace autopilot
