// The restart benchmark: how long the restart key takes, from the key to the
// new race's first countdown frame on the screen.
#pragma once

namespace autopilot {

// Runs in the current directory (game data, Config.txt) in the configured
// display mode; prints game.restart_ms. Exit status 0 when every restart
// started a new race.
int runRestartBench(int argc, char** argv);

}  // namespace autopilot
