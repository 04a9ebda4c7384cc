// What the autopilot checks about a finished race and the high-score file,
// read with its own parser so that a fault in the game's reader cannot hide
// the same fault in the file.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace autopilot {

struct ScoreLine {
  std::string name;
  float totalTime = 0;
  float splits[15] = {};  // lap 1 checkpoint 1, checkpoint 2, finish; then lap 2 ...
};

// Ten lines "name total s1 .. s15" (a line starting with a blank has no name);
// missing or short lines give empty entries.
std::vector<ScoreLine> readScoreTable(std::istream& in);
bool readScoreFile(const char* path, std::vector<ScoreLine>& table);

// One named check with its verdict and, when it failed, why.
struct Check {
  std::string name;
  bool passed = false;
  std::string detail;
};

// The race's own bookkeeping: five laps, every crossing later than the one
// before, the total equal to the last finish crossing.
void checkRaceResult(const ScoreLine& result, int lapsCounted, std::vector<Check>& checks);
// Where a result belongs in a table: the game's own rule (ui/ranking.h).
int expectedRank(const std::vector<ScoreLine>& before, float totalTime);
// The file after the name was saved: the result with its name at `rank`, the
// entries above untouched, those below moved down one; an unplaced result
// leaves the table as it was.
void checkSavedTable(const std::vector<ScoreLine>& before, const std::vector<ScoreLine>& after,
                     const ScoreLine& result, int rank, std::vector<Check>& checks);

}  // namespace autopilot
