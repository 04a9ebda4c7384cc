// Where a new result belongs in the high-score table, as a rule on values
// alone: the game places results by it, and the autopilot checks the game
// against it, so the two can never follow different rules.
#pragma once

#include <algorithm>
#include <cmath>

// 1 + the entries whose time is strictly smaller; 11 in a full table means not
// placed. An entry without a time (0) is an empty place, not a time better than
// every result: a new result goes ahead of it. A tie goes ahead of the older
// result. Entries are anything with a `totalTime`.
template <class Iterator>
int rankAmong(Iterator first, Iterator last, float totalTime) {
  int rank = 1;
  for (; first != last; ++first) {
    if (first->totalTime != 0 && first->totalTime < totalTime) ++rank;
  }
  return rank;
}

// The order a table is kept in, whatever order its file gave: the results by
// time, best first, then entries whose time is no number, then the empty
// places; each keeps its file order among equals. A new result ranked by
// rankAmong then lands among the results and pushes out the last entry,
// which is an empty place while there is one and never a better result.
template <class Iterator>
void putInTableOrder(Iterator first, Iterator last) {
  auto group = [](float t) { return t == 0 ? 2 : std::isnan(t) ? 1 : 0; };
  std::stable_sort(first, last, [&](const auto& a, const auto& b) {
    const int ga = group(a.totalTime), gb = group(b.totalTime);
    if (ga != gb) return ga < gb;
    return ga == 0 && a.totalTime < b.totalTime;
  });
}
