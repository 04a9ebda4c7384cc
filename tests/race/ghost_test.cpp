// The ghost file: poses read back to well below a pixel, bad files are
// refused with a reason, a ghost belongs only to the table of its own time.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

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

}  // namespace
