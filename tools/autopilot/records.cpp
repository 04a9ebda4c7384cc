#include "tools/autopilot/records.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>
#include <sstream>

#include "ui/ranking.h"

namespace autopilot {

namespace {

// The file holds six decimals; anything closer than that is the same time.
bool sameTime(float a, float b) { return std::fabs(a - b) <= 2e-6f * std::max(1.0f, std::fabs(a)) + 1e-6f; }

bool sameEntry(const ScoreLine& a, const ScoreLine& b) {
  if (a.name != b.name || !sameTime(a.totalTime, b.totalTime)) return false;
  for (int i = 0; i < 15; ++i)
    if (!sameTime(a.splits[i], b.splits[i])) return false;
  return true;
}

void add(std::vector<Check>& checks, const std::string& name, bool passed, const std::string& detail = "") {
  checks.push_back(Check{name, passed, passed ? std::string() : detail});
}

std::string describe(const ScoreLine& e) {
  std::ostringstream out;
  out << "'" << e.name << "' " << e.totalTime;
  return out.str();
}

}  // namespace

std::vector<ScoreLine> readScoreTable(std::istream& in) {
  std::vector<ScoreLine> table(10);
  std::string text;
  for (ScoreLine& entry : table) {
    if (!std::getline(in, text)) break;
    std::istringstream line(text);
    // A nameless entry's line starts with a blank: its first number is the time.
    if (!text.empty() && !std::isspace(static_cast<unsigned char>(text[0]))) line >> entry.name;
    line >> entry.totalTime;
    for (float& s : entry.splits) line >> s;
  }
  putInTableOrder(table.begin(), table.end());  // as the game orders what it reads
  return table;
}

bool readScoreFile(const char* path, std::vector<ScoreLine>& table) {
  std::ifstream in(path);
  if (!in) return false;
  table = readScoreTable(in);
  return true;
}

void checkRaceResult(const ScoreLine& result, int lapsCounted, std::vector<Check>& checks) {
  add(checks, "five laps counted", lapsCounted == 5, "counted " + std::to_string(lapsCounted));
  bool increasing = result.splits[0] > 0;
  int at = 0;
  for (int i = 1; i < 15 && increasing; ++i) {
    increasing = result.splits[i] > result.splits[i - 1];
    at = i;
  }
  add(checks, "splits strictly increasing", increasing, "crossing " + std::to_string(at + 1) + " is not later");
  add(checks, "total time is the fifth finish crossing",
      result.totalTime > 0 && result.totalTime == result.splits[14],
      std::to_string(result.totalTime) + " vs " + std::to_string(result.splits[14]));
}

int expectedRank(const std::vector<ScoreLine>& before, float totalTime) {
  return rankAmong(before.begin(), before.end(), totalTime);
}

void checkSavedTable(const std::vector<ScoreLine>& before, const std::vector<ScoreLine>& after,
                     const ScoreLine& result, int rank, std::vector<Check>& checks) {
  if (before.size() != 10 || after.size() != 10) {
    add(checks, "high-score table has ten entries", false, "bad table size");
    return;
  }
  if (rank > 10) {
    bool same = true;
    for (int i = 0; i < 10; ++i) same = same && sameEntry(before[i], after[i]);
    add(checks, "unplaced result leaves the table as it was", same, "the file changed");
    return;
  }
  const ScoreLine& saved = after[rank - 1];
  add(checks, "result saved at rank " + std::to_string(rank), sameEntry(saved, result),
      "found " + describe(saved) + ", expected " + describe(result));
  bool above = true, below = true;
  for (int i = 0; i < rank - 1; ++i) above = above && sameEntry(before[i], after[i]);
  for (int i = rank; i < 10; ++i) below = below && sameEntry(before[i - 1], after[i]);
  add(checks, "entries above the new result unchanged", above, "an entry above moved");
  add(checks, "entries below the new result moved down one", below, "an entry below is wrong");
}

}  // namespace autopilot
