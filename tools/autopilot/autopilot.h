// The autopilot runs the real game and plays it through the key callbacks a
// player's keyboard reaches: title, race, name entry, back to the title, quit.
#pragma once

#include <string>

namespace autopilot {

struct Options {
  std::string shotsDir;      // screenshots (PPM) go here when set
  std::string centrePath = "Data/Models/Track01_Centre.txt";
  std::string name = "autopilot";
  std::string timelinePath;  // per-frame "seconds state speed" lines when set
  std::string recordPath;    // each race's recording is saved here when set
  std::string replayPath;    // the races are driven from this recording when set
  int races = 1;
  // Races after the first leave with Escape after this many seconds of racing;
  // 0 drives them all to the finish.
  double abortAfter = 0;
  bool shortFirst = false;   // the first race is left early too (20 s unless said)
  double firstRaceSeconds = 0;  // the first race is left after this long; 0 drives five laps
  double timeLimit = 1800;   // seconds for the whole run, then exit status 3
  // The game's clock runs this many times the wall clock: a race plays tick for
  // tick as it would in real time, only sooner (as long as frames stay short).
  double fast = 1;
  bool bench = false;
  bool verbose = false;
  // Press F10 before each race when filtering is anisotropic, and leave a finished
  // race with Escape rather than waiting for the car to stop (see onRace).
  bool noAnisotropic = false;      // a line of driving state every second
};

// Reads the autopilot's own options (GLUT has taken its own by then). False,
// with a message, on anything it does not understand.
bool parseOptions(int argc, char** argv, Options& options);
void printUsage(const char* program);

// Starts the game as its entry point does and hands it to the autopilot. The
// exit status: 0 once every check passed and Escape on the title ended the
// game, non-zero otherwise (a failed check ends the process at once).
int runGame(int argc, char** argv, const Options& options);

}  // namespace autopilot
