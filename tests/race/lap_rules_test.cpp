// Lap counting frame by frame: the gates, their order and the end of the race.
#include <gtest/gtest.h>

#include "physics/laps.h"
#include "physics/physics.h"
#include "ui/ui.h"

namespace {

class LapRules : public ::testing::Test {
 protected:
  void SetUp() override {
    resetLapState();
    gClockFrozen = false;
    gCurrentResult = HighScoreEntry();
    for (HighScoreEntry& e : gHighScores) e = HighScoreEntry();
    gLastTrigger = 0;
  }
  // One race frame with the car inside `trigger` (0: in none) at race time t.
  void frame(int trigger, float t) {
    gLastTrigger = trigger;
    gRaceClock = t;
    updateLapProgress();
  }
  // Drives one full lap through the three gates, starting at time t.
  void lap(float t) {
    frame(kCheckpoint1, t);
    frame(0, t + 1);
    frame(kCheckpoint2, t + 2);
    frame(0, t + 3);
    frame(kFinishLine, t + 4);
    frame(0, t + 5);
  }
};

TEST_F(LapRules, FinishCrossedBeforeTheCheckpointsCountsNothing) {
  frame(kFinishLine, 0.5f);
  frame(0, 0.6f);
  EXPECT_EQ(gCurrentLap, 1);
  EXPECT_FALSE(gSplitVisible);
  EXPECT_EQ(gCurrentResult.splits[0][2], 0.0f);
  lap(10);
  EXPECT_EQ(gCurrentLap, 2);
  EXPECT_EQ(gHudLap, 2);
  EXPECT_FLOAT_EQ(gCurrentResult.splits[0][0], 10);
  EXPECT_FLOAT_EQ(gCurrentResult.splits[0][1], 12);
  EXPECT_FLOAT_EQ(gCurrentResult.splits[0][2], 14);
}

TEST_F(LapRules, GatesInTheWrongOrderWaitForCheckpointOne) {
  frame(kFinishLine, 1);
  frame(kCheckpoint2, 2);
  EXPECT_FALSE(gCheckpoint2Passed);
  frame(kCheckpoint1, 3);
  EXPECT_TRUE(gCheckpoint1Passed);
  frame(kFinishLine, 4);  // checkpoint 2 still missing
  EXPECT_EQ(gCurrentLap, 1);
  frame(kCheckpoint2, 5);
  frame(kFinishLine, 6);
  EXPECT_EQ(gCurrentLap, 2);
  EXPECT_FLOAT_EQ(gCurrentResult.splits[0][0], 3);
  EXPECT_FLOAT_EQ(gCurrentResult.splits[0][1], 5);
  EXPECT_FLOAT_EQ(gCurrentResult.splits[0][2], 6);
}

TEST_F(LapRules, StayingInsideAGateStoresItsSplitOnce) {
  gHighScores[0].splits[0][0] = 7.5f;
  for (int i = 0; i < 50; ++i) frame(kCheckpoint1, 20 + i * 0.01f);
  EXPECT_FLOAT_EQ(gCurrentResult.splits[0][0], 20);
  EXPECT_FLOAT_EQ(gSplitClock, 20);
  EXPECT_FLOAT_EQ(gSplitRecord, 7.5f);  // compared with the best entry
  EXPECT_FLOAT_EQ(gSplitShownUntil, 25);
  EXPECT_TRUE(gSplitVisible);
}

TEST_F(LapRules, BackingOutAndRecrossingTheFinishAddsNothing) {
  lap(10);
  ASSERT_EQ(gCurrentLap, 2);
  frame(kFinishLine, 16);
  frame(0, 17);
  frame(kFinishLine, 18);
  EXPECT_EQ(gCurrentLap, 2);
  EXPECT_FLOAT_EQ(gCurrentResult.splits[0][2], 14);
  EXPECT_EQ(gCurrentResult.splits[1][2], 0.0f);
}

TEST_F(LapRules, TheFifthFinishEndsTheRaceAndFreezesTheClock) {
  for (int i = 0; i < 5; ++i) {
    EXPECT_FALSE(gRaceFinished);
    lap(10.0f * (i + 1));
  }
  EXPECT_TRUE(gRaceFinished);
  EXPECT_TRUE(gClockFrozen);
  EXPECT_EQ(gCurrentLap, 6);
  EXPECT_EQ(gHudLap, 6);
  EXPECT_FLOAT_EQ(gCurrentResult.totalTime, 54);
  EXPECT_FLOAT_EQ(gCurrentResult.totalTime, gCurrentResult.splits[4][2]);
  // Nothing counts any more.
  lap(100);
  EXPECT_EQ(gCurrentLap, 6);
  EXPECT_FLOAT_EQ(gCurrentResult.totalTime, 54);
}

TEST_F(LapRules, ResetStartsAFreshRace) {
  lap(1);
  frame(kCheckpoint1, 8);
  resetLapState();
  EXPECT_EQ(gCurrentLap, 1);
  EXPECT_EQ(gHudLap, 1);
  EXPECT_FALSE(gCheckpoint1Passed || gCheckpoint2Passed || gLapClosed || gRaceFinished || gSplitVisible);
}

TEST(TriggerEvents, EnterAndLeaveTrackTheGate) {
  int last = 0, touched = 0;
  noteTriggerEvent(kCheckpoint2, kTriggerEnter, last, touched);
  EXPECT_EQ(last, kCheckpoint2);
  EXPECT_EQ(touched, 1);
  noteTriggerEvent(kCheckpoint2, kTriggerStay, last, touched);
  EXPECT_EQ(last, kCheckpoint2);
  EXPECT_EQ(touched, 1);
  noteTriggerEvent(kCheckpoint2, kTriggerLeave, last, touched);
  EXPECT_EQ(last, 0);
  EXPECT_EQ(touched, 0);
}

TEST(TriggerEvents, ALeaveWithoutAnEnterKeepsTheCountAtZero) {
  int last = kFinishLine, touched = 0;
  noteTriggerEvent(kFinishLine, kTriggerLeave, last, touched);
  EXPECT_EQ(touched, 0);
  EXPECT_EQ(last, 0);
  noteTriggerEvent(kCheckpoint1, kTriggerEnter, last, touched);
  EXPECT_EQ(touched, 1);  // the next enter is counted from zero, not from -1
}

TEST(LapRulesPure, OnlyTheFinishAdvancesTheLap) {
  LapProgress p;
  EXPECT_EQ(applyLapRules(p, kCheckpoint1), 0);
  EXPECT_EQ(applyLapRules(p, kCheckpoint1), -1);
  EXPECT_EQ(applyLapRules(p, 0), -1);
  EXPECT_EQ(applyLapRules(p, kCheckpoint2), 1);
  EXPECT_EQ(p.currentLap, 1);
  EXPECT_EQ(applyLapRules(p, kFinishLine), 2);
  EXPECT_EQ(p.currentLap, 2);
  EXPECT_TRUE(p.lapClosed);
  EXPECT_EQ(applyLapRules(p, kFinishLine), -1);
}

}  // namespace
