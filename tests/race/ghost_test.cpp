// The ghost file: poses read back to well below a pixel, bad files are
// refused with a reason, a ghost belongs only to the table of its own time.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "written_bytes.h"
#include "race/ghost.h"

namespace {

Ghost sample(std::size_t ticks) {
  Ghost g;
  g.totalTime = 178.38333f;
  for (std::size_t i = 0; i < ticks; ++i) {
    GhostPose p;
    const float a = 0.01f * static_cast<float>(i);
    const NxVec3 axis = NxVec3(0.1f, 1, 0) * (1 / std::sqrt(1.01f));
    p.car.M.fromQuat(NxQuat(axis * std::sin(a), std::cos(a)));  // a turn about a tilted axis
    p.car.t = NxVec3(-4210.25f + i, 35.5f, 2035.125f - 2 * i);
    for (int w = 0; w < 4; ++w) {
      p.wheels[w] = p.car.t + p.car.M * NxVec3(w % 2 ? -21.8f : 21.8f, -13.0f + 0.01f * w, w < 2 ? 36.6f : -37.9f);
      p.spin[w] = 1234.5f * static_cast<float>(i + w);  // spin sums grow without end
    }
    p.steer = 0.3f * std::sin(a);
    g.poses.push_back(p);
  }
  return g;
}

std::string bytes(const Ghost& g) {
  return writtenBytes([&](std::FILE* f) { return writeGhost(f, g); });
}

std::string refusal(const std::string& s, Ghost* into = nullptr) {
  std::FILE* f = std::tmpfile();
  std::fwrite(s.data(), 1, s.size(), f);
  std::rewind(f);
  Ghost g;
  std::string why;
  const bool ok = readGhost(f, g, why);
  std::fclose(f);
  if (into) *into = g;
  return ok ? "" : why;
}

TEST(GhostFile, PosesReadBackToWellBelowAPixel) {
  const Ghost written = sample(300);
  const std::string file = bytes(written);
  EXPECT_LT(file.size(), 64 + 300 * kGhostPoseBytes) << "a five-lap race must stay well under 2 MB";
  Ghost back;
  ASSERT_EQ(refusal(file, &back), "");
  ASSERT_EQ(back.poses.size(), 300u);
  EXPECT_EQ(back.totalTime, written.totalTime);
  for (std::size_t i = 0; i < 300; ++i) {
    const GhostPose &a = written.poses[i], &b = back.poses[i];
    EXPECT_EQ(b.car.t, a.car.t) << i;
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 3; ++c) EXPECT_NEAR(b.car.M.m[r][c], a.car.M.m[r][c], 2e-4f) << i;
    for (int w = 0; w < 4; ++w) {
      EXPECT_NEAR(b.wheels[w].distance(a.wheels[w]), 0, 0.01f) << i;
      EXPECT_NEAR(std::remainder(b.spin[w] - a.spin[w], 360.0f), 0, 0.02f) << i;
    }
    EXPECT_NEAR(b.steer, a.steer, 1e-4f);
  }
}

TEST(GhostFile, BadFilesAreRefusedWithAReason) {
  const std::string whole = bytes(sample(20));
  EXPECT_EQ(refusal(""), "empty");
  EXPECT_EQ(refusal("FiveLaps ghost 2\n" + whole.substr(whole.find('\n') + 1)), "from another version of the game");
  EXPECT_EQ(refusal("GIF89a" + whole), "not a ghost");
  EXPECT_EQ(refusal(whole.substr(0, whole.size() - 1)), "cut short");
  EXPECT_EQ(refusal(whole.substr(0, whole.find('\n') + 5)), "garbled (no total line)");
  EXPECT_EQ(refusal(whole + "x"), "garbled (more than its poses)");
  std::string huge = whole;
  huge.replace(huge.find("ticks 20"), 8, "ticks 999999999");
  EXPECT_EQ(refusal(huge), "too large (over an hour of poses)");
  std::string noRotation = whole;
  const std::size_t firstPose = whole.find('\n', whole.find('\n') + 1) + 1;
  noRotation.replace(firstPose + 12, 8, std::string(8, '\0'));
  EXPECT_EQ(refusal(noRotation), "garbled (a pose that is none)");
  std::string nan = whole;
  nan.replace(firstPose, 4, std::string("\x00\x00\xc0\x7f", 4));
  EXPECT_EQ(refusal(nan), "garbled (a pose that is none)");
}

TEST(GhostFile, BelongsOnlyToATableWithItsTimeAndHoldsItsEnds) {
  Ghost g = sample(3);
  EXPECT_TRUE(ghostBelongsTo(g, 178.383331f)) << "the time as the table file gives it back";
  EXPECT_FALSE(ghostBelongsTo(g, 178.384f));
  EXPECT_FALSE(ghostBelongsTo(g, 0));
  g.totalTime = 0;
  EXPECT_FALSE(ghostBelongsTo(g, 0)) << "an empty table has no ghost";

  g = sample(3);
  EXPECT_EQ(ghostPoseAt(g, -100), &g.poses[0]) << "waits at the start during the countdown";
  EXPECT_EQ(ghostPoseAt(g, 1), &g.poses[1]);
  EXPECT_EQ(ghostPoseAt(g, 99), &g.poses[2]) << "stays where it finished";
  EXPECT_EQ(ghostPoseAt(Ghost(), 0), nullptr);
}

// ---- The gap to the ghost ------------------------------------------------------

// A five-lap race round a hilly circle, tick by tick, speeding up and slowing
// down through each lap; lap k keeps `spread` x k units outside the circle.
// Gates at a third, two thirds and the end of each lap; `stretchAt` is the
// stretch the car's lap progress gives after each tick.
struct CircleRace {
  Ghost ghost;
  float splits[5][3] = {};
  std::vector<int> stretchAt;
};

NxVec3 onCircle(double angle, float outward) {
  const float r = 3000 + outward;
  return NxVec3(r * static_cast<float>(std::cos(angle)), 40 * static_cast<float>(std::sin(3 * angle)),
                r * static_cast<float>(std::sin(angle)));
}

CircleRace circleRace(float spread) {
  CircleRace race;
  const double lapAngle = 2 * 3.14159265358979;
  double angle = 0;
  int crossings = 0;
  for (long tick = 0; crossings < kRaceStretches; ++tick) {
    const int lap = crossings / 3;
    GhostPose pose;
    pose.car.t = onCircle(angle, spread * static_cast<float>(lap));
    race.ghost.poses.push_back(pose);
    if (angle >= lapAngle * (crossings + 1) / 3) {
      race.splits[crossings / 3][crossings % 3] = static_cast<float>(tick - 1) / 60.0f;  // the clock that tick read
      ++crossings;
    }
    race.stretchAt.push_back(crossings);
    angle += (0.004 + 0.003 * std::sin(3 * angle)) * (tick < 120 ? tick / 120.0 : 1.0);
  }
  race.ghost.totalTime = race.splits[4][2];
  return race;
}

// Seconds the car is ahead of the ghost at `tick`, at `position`.
float gapAt(const CircleRace& ghostRace, const GhostStretches& s, int stretch, const NxVec3& position, long tick) {
  const double there = ghostIndexNear(ghostRace.ghost, s, std::min(stretch, kRaceStretches - 1), position, tick);
  return static_cast<float>((there - static_cast<double>(tick)) / 60.0);
}

TEST(GhostGap, ZeroAgainstTheSameRaceAndHalfASecondAheadOfOneStarted30TicksLater) {
  const CircleRace race = circleRace(2);
  const GhostStretches own = ghostStretches(race.ghost, race.splits);
  ASSERT_TRUE(own.known);
  CircleRace later = race;
  later.ghost.poses.insert(later.ghost.poses.begin(), 30, race.ghost.poses.front());
  for (auto& lap : later.splits)
    for (float& split : lap) split += 0.5f;
  const GhostStretches laterStretches = ghostStretches(later.ghost, later.splits);
  ASSERT_TRUE(laterStretches.known);

  float worstOwn = 0, worstLater = 0;
  for (long tick = 2; tick < static_cast<long>(race.ghost.poses.size()); ++tick) {  // once both run
    const NxVec3& at = race.ghost.poses[static_cast<std::size_t>(tick)].car.t;
    const int stretch = race.stretchAt[static_cast<std::size_t>(tick)];
    worstOwn = std::max(worstOwn, std::fabs(gapAt(race, own, stretch, at, tick)));
    worstLater = std::max(worstLater, std::fabs(gapAt(later, laterStretches, stretch, at, tick) - 0.5f));
  }
  EXPECT_EQ(worstOwn, 0) << "against its own race the gap is 0.00 at every tick";
  EXPECT_LE(worstLater, 1 / 60.0f) << "against the later ghost it is +0.50 within a tick";
}

// The driving line differs from lap to lap: the car on lap 2 drives the line
// the ghost took on lap 5. The nearest of all the ghost's poses lies three
// laps on; the gap must stay with lap 2.
TEST(GhostGap, AnotherLapsLineNearerThanThisLapsNeverJumpsTheGap) {
  const CircleRace race = circleRace(3);
  const GhostStretches stretches = ghostStretches(race.ghost, race.splits);
  float worst = 0;
  for (long tick = 1; tick < static_cast<long>(race.ghost.poses.size()); ++tick) {
    const int stretch = race.stretchAt[static_cast<std::size_t>(tick)];
    if (stretch < 3 || stretch >= 6) continue;  // lap 2
    const NxVec3& own = race.ghost.poses[static_cast<std::size_t>(tick)].car.t;
    const double angle = std::atan2(own.z, own.x);
    worst = std::max(worst, std::fabs(gapAt(race, stretches, stretch, onCircle(angle, 3 * 4), tick)));
  }
  EXPECT_LT(worst, 2 / 60.0f);

  // Splits that do not fit the ghost's poses leave one stretch, never a wrong cut.
  float edited[5][3];
  std::copy(&race.splits[0][0], &race.splits[0][0] + 15, &edited[0][0]);
  std::swap(edited[2][0], edited[2][1]);
  EXPECT_FALSE(ghostStretches(race.ghost, edited).known);
  edited[2][0] = race.splits[2][0];
  edited[2][1] = race.splits[2][1];
  edited[4][2] += 1;  // past the ghost's last pose
  EXPECT_FALSE(ghostStretches(race.ghost, edited).known);
}

TEST(GhostDrawing, NothingNearTheCarOrTheCamerasSightOfItAllBeyondThreeLengths) {
  const float length = 124;
  const NxVec3 car(100, 20, 300), eye(100, 70, 50), ahead(0, 0, 1), side(1, 0, 0);
  EXPECT_EQ(ghostVisibility(car, car, eye, length), 0);
  EXPECT_EQ(ghostVisibility(car + ahead * (1.49f * length), car, eye, length), 0);
  EXPECT_EQ(ghostVisibility(eye, car, eye, length), 0) << "passing through the camera";
  EXPECT_EQ(ghostVisibility((car + eye) * 0.5f + side * (1.4f * length), car, eye, length), 0)
      << "between the camera and the car";
  EXPECT_EQ(ghostVisibility(car + ahead * (3.01f * length), car, eye, length), 1);
  EXPECT_EQ(ghostVisibility(car + side * (3.01f * length), car, eye, length), 1);
  float before = 0;
  for (float lengths = 1.6f; lengths < 3; lengths += 0.1f) {
    const float v = ghostVisibility(car + ahead * (lengths * length), car, eye, length);
    EXPECT_GT(v, before) << lengths;
    EXPECT_LT(v - before, 0.2f) << "a step at " << lengths << " car lengths";
    before = v;
  }
}

}  // namespace
