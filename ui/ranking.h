// Where a new result belongs in the high-score table, as a rule on values
// alone: the game places results by it, and the autopilot checks the game
// against it, so the two can never follow different rules.
#pragma once

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
