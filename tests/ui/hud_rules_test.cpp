// The HUD's arithmetic: clock glyphs, speed readout, needle and grid coordinates.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "ui/ui.h"

namespace {

std::vector<int> glyphs(float t) {
  int g[8];
  hudTimeGlyphs(t, g);
  return std::vector<int>(g, g + 8);
}

constexpr int C = kHudColonGlyph;

TEST(HudTime, DigitsOfMinutesSecondsAndHundredths) {
  EXPECT_EQ(glyphs(0), (std::vector<int>{0, 0, C, 0, 0, C, 0, 0}));
  EXPECT_EQ(glyphs(83.45f), (std::vector<int>{0, 1, C, 2, 3, C, 4, 5}));
  EXPECT_EQ(glyphs(59.99f), (std::vector<int>{0, 0, C, 5, 9, C, 9, 9}));
  EXPECT_EQ(glyphs(5999.5f), (std::vector<int>{9, 9, C, 5, 9, C, 5, 0}));
}

TEST(HudTime, WorksInFloatLikeTheClock) {
  // 0.29f times 100 is exactly 29 in float but 28.99... in double.
  EXPECT_EQ(glyphs(0.29f), (std::vector<int>{0, 0, C, 0, 0, C, 2, 9}));
}

TEST(HudTime, AHundredMinutesHasNoTensOfMinutesGlyph) {
  auto g = glyphs(6000.0f);
  EXPECT_EQ(g[0], 10);  // outside 0..9: drawn as nothing
  EXPECT_EQ(g[1], 0);
  EXPECT_EQ(g[3], 0);
}

TEST(HudTime, NegativeClocksGiveNoDrawableSecondsAndHugeOnesNothing) {
  auto g = glyphs(-2.5f);
  EXPECT_EQ(g[0], 0);
  EXPECT_EQ(g[4], -2);
  EXPECT_EQ(g[6], -5);
  for (float t : {std::numeric_limits<float>::infinity(), std::nanf(""), 1e30f, -1e30f}) {
    auto h = glyphs(t);
    EXPECT_EQ(h[2], C);
    for (int i : {0, 1, 3, 4, 6, 7}) EXPECT_EQ(h[i], -1) << "glyph " << i << " of " << t;
  }
}

// The racer's time against the ghost's: behind is plus, as on a timing screen.
TEST(GhostGapText, SignedSecondsMinutesOnlyPastAMinute) {
  EXPECT_EQ(gapText(-1.73f), "+1.73");
  EXPECT_EQ(gapText(0.55f), "-0.55");
  EXPECT_EQ(gapText(-12.5f), "+12.50");
  EXPECT_EQ(gapText(-62.35f), "+1:02.35");
  EXPECT_EQ(gapText(599.99f), "-9:59.99");
  EXPECT_EQ(gapText(-0.29f), "+0.29") << "truncated in float, as the clock";
  EXPECT_EQ(gapText(-1.999f), "+1.99") << "truncated, not rounded up";
  // Near zero the sign still tells the side, as the colour does.
  EXPECT_EQ(gapText(0.004f), "-0.00");
  EXPECT_EQ(gapText(-0.004f), "+0.00");
  EXPECT_EQ(gapText(0), "+0.00");
  for (float g : {600.0f, -1e30f, std::numeric_limits<float>::infinity(), std::nanf("")})
    EXPECT_EQ(gapText(g), "") << g;
}

TEST(SpeedReadout, HundredsTensOnesOfTheAbsoluteSpeed) {
  int d[3];
  speedReadoutDigits(0, d);
  EXPECT_EQ((std::vector<int>(d, d + 3)), (std::vector<int>{0, 0, 0}));
  speedReadoutDigits(123.9f, d);
  EXPECT_EQ((std::vector<int>(d, d + 3)), (std::vector<int>{1, 2, 3}));
  speedReadoutDigits(-57.2f, d);
  EXPECT_EQ((std::vector<int>(d, d + 3)), (std::vector<int>{0, 5, 7}));
  speedReadoutDigits(1042, d);  // no hundreds glyph above 999, tens and ones stay
  EXPECT_EQ((std::vector<int>(d, d + 3)), (std::vector<int>{10, 4, 2}));
  speedReadoutDigits(std::numeric_limits<float>::infinity(), d);
  EXPECT_EQ((std::vector<int>(d, d + 3)), (std::vector<int>{-1, -1, -1}));
}

TEST(Needle, TurnsClockwiseWithSpeedWithoutLimit) {
  EXPECT_FLOAT_EQ(needleAngleFor(0), 118);
  EXPECT_FLOAT_EQ(needleAngleFor(250), -13);
  EXPECT_FLOAT_EQ(needleAngleFor(-250), -13);
  EXPECT_FLOAT_EQ(needleAngleFor(500), -144);
}

TEST(GridTexCoord, TruncatedAfterSixDecimals) {
  EXPECT_FLOAT_EQ(gridTexCoord(1, 38), 0.026315f);
  EXPECT_FLOAT_EQ(gridTexCoord(37, 38), 0.973684f);
  EXPECT_FLOAT_EQ(gridTexCoord(1, 482), 0.002074f);
  EXPECT_FLOAT_EQ(gridTexCoord(482, 482), 1.0f);
}

}  // namespace
