// The same race at any drawing rate: one recorded race replayed while the
// game draws real frames at 10, 60 and 240 frames a second on a driven clock
// gives the same car and wheel poses at every tick.
#include <gtest/gtest.h>

#include <GL/freeglut.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "driven_game.h"
#include "physics/physics.h"
#include "race/ghost.h"
#include "shell/game.h"
#include "tools/autopilot/driven.h"
#include "tools/autopilot/smoothness.h"
#include "ui/ui.h"

namespace {

// A short race: half a second of countdown, then a second of throttle, both
// ways of steering, the handbrake and the camera key.
constexpr std::size_t kTicks = 100;
void scriptedKeys() {
  const int64_t t = gRaceTicks;
  auto hold = [](int key, bool down) { down ? onSpecialDown(key, 0, 0) : onSpecialUp(key, 0, 0); };
  hold(GLUT_KEY_UP, t >= 20 && t < 95);
  hold(GLUT_KEY_LEFT, t >= 45 && t < 60);
  hold(GLUT_KEY_RIGHT, t >= 65 && t < 75);
  if (t == 50) onKeyDown('c', 0, 0);
  if (t == 51) onKeyUp('c', 0, 0);
  if (t == 85) onKeyDown(' ', 0, 0);
  if (t == 89) onKeyUp(' ', 0, 0);
}

class Replay : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!drivengame::start()) GTEST_SKIP() << "needs DISPLAY and the generated game data in $FIVELAPS_BINARY_DIR/game";
  }
};

TEST_F(Replay, DrawingRateChangesNoTickOfTheRace) {
  const autopilot::DrivenRace race = autopilot::runDrivenRace(60, scriptedKeys, kTicks);
  ASSERT_TRUE(race.built);
  ASSERT_EQ(race.poses.size(), kTicks);
  EXPECT_EQ(race.frames, long(kTicks)) << "at 60 frames a second every frame runs one tick";
  EXPECT_EQ(race.recording.end, RecordingEnd::Escape);
  EXPECT_GT(gCarSpeed, 0) << "the script moved the car";

  for (double fps : {10.0, 60.0, 240.0}) {
    setReplay(race.recording);
    const autopilot::DrivenRace replay = autopilot::runDrivenRace(fps, nullptr, 1000);
    EXPECT_EQ(autopilot::mismatchedTicks(race.poses, replay.poses), 0u) << fps << " frames a second";
    EXPECT_EQ(replay.recording.ticks, race.recording.ticks) << fps << " frames a second";
    EXPECT_NEAR(replay.frames, kTicks * fps / 60, 2) << fps << " frames a second";
  }
  clearReplay();
}

// A recording of another track, and one whose start no race leaves (the
// motor torque and gate counter of a file that drove the car at 332 units a
// tick), are refused with one line and the keyboard drives.
TEST_F(Replay, AReplayThatDoesNotFitThisRaceIsRefusedAndTheKeyboardDrives) {
  const RaceRecording recorded = autopilot::runDrivenRace(10, nullptr, 10).recording;
  RaceRecording otherTrack = recorded, impossible = recorded;
  otherTrack.start.trackChecksum ^= 1;
  impossible.start.motorTorque = 0x1p+127f;
  impossible.start.touchedBodies = 2147483647;
  const std::pair<const RaceRecording*, const char*> cases[] = {
      {&otherTrack, "refused: recorded on another track\n"},
      {&impossible, "refused: a start no race leaves (motor torque 1.70141e+38, not in -75900 to 75900)\n"}};
  for (const auto& [recording, line] : cases) {
    setReplay(*recording);
    testing::internal::CaptureStdout();
    const autopilot::DrivenRace race = autopilot::runDrivenRace(10, scriptedKeys, 30);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find(line), std::string::npos) << out;
    EXPECT_GE(race.poses.size(), 30u);
    EXPECT_FALSE(replayDriving());
    EXPECT_LT(std::fabs(gMotorTorque), 1e4f) << "the refused start was taken";
  }
}

// However a replay ends before its ticks are used up, by Escape or by the
// finish, the keys it held are let go: the title and the next keyboard race
// find none of them held.
void finishAtTick60() {
  if (gRaceTicks == 60) enterHighScores(true);  // as a finished car that has stopped
}

TEST_F(Replay, AReplayLeftWhileItHoldsKeysLetsThemGo) {
  const autopilot::DrivenRace race = autopilot::runDrivenRace(10, scriptedKeys, 90);
  ASSERT_GE(race.recording.ticks.size(), 90u);
  ASSERT_NE(race.recording.ticks[70].keys & driveBit(kAccelerate), 0u) << "the recording holds Up at tick 70";
  onSpecialUp(GLUT_KEY_UP, 0, 0);  // the script still held it when the race was left
  for (RaceTickHook ending : {RaceTickHook(nullptr), RaceTickHook(finishAtTick60)}) {
    setReplay(race.recording);
    autopilot::runDrivenRace(10, ending, 70);  // left after some 70 ticks (Escape) or at 60 (finish)
    for (int key : {100, 101, 102, 103, 32, 114, 82, 99, 67})
      EXPECT_EQ(gKeys[key], 0) << "key " << key << (ending ? " after the finish" : " after Escape");
  }
  clearReplay();
}

// ---- The gap to the ghost, tick by tick in a real race ----------------------------

float gWorstGap = 0;  // the largest distance of the gap from the one expected
float gExpectedGap = 0;
NxVec3 gGhostStart;
void checkGapOfLastTick() {
  if (gGhostGapKnown && gCarPose.t != gGhostStart)  // once both run
    gWorstGap = std::max(gWorstGap, std::fabs(gGhostGap - gExpectedGap));
}

// A race replayed against a ghost of its own poses reads a gap of 0.00 at
// every tick; against the same poses started 30 ticks later, +0.50.
TEST_F(Replay, TheGapToAGhostOfTheSameRaceIsZeroAndHalfASecondWhenItStartedLater) {
  const autopilot::DrivenRace race = autopilot::runDrivenRace(10, scriptedKeys, kTicks);
  Ghost own = gRaceGhost;
  ASSERT_GT(own.poses.size(), 60u);
  own.totalTime = 95.5f;
  gHighScores[0].totalTime = own.totalTime;  // the table the ghost belongs to
  Ghost later = own;
  later.poses.insert(later.poses.begin(), 30, own.poses.front());
  gGhostStart = own.poses.front().car.t;
  for (const auto& [ghost, expected] : {std::make_pair(&own, 0.0f), std::make_pair(&later, 0.5f)}) {
    std::FILE* file = std::fopen(kGhostFile, "wb");
    ASSERT_TRUE(file && writeGhost(file, *ghost));
    std::fclose(file);
    setReplay(race.recording);
    gWorstGap = 0;
    gExpectedGap = expected;
    const autopilot::DrivenRace replay = autopilot::runDrivenRace(10, checkGapOfLastTick, kTicks);
    EXPECT_EQ(autopilot::mismatchedTicks(race.poses, replay.poses), 0u);
    EXPECT_TRUE(gGhostGapKnown);
    EXPECT_LE(gWorstGap, expected == 0 ? 0.0f : 1 / 60.0f) << "against the ghost " << expected << " s later";
  }
  clearReplay();
  std::remove(kGhostFile);
  gHighScores[0].totalTime = 0;
}

// ---- Drawn between the ticks ------------------------------------------------------

// On a stretch at steady speed the drawn car and camera move evenly at 36
// and 144 frames a second when drawn between the ticks; drawn as each tick
// left them, a 36-frame display moves them one tick or two a frame.
TEST_F(Replay, DrawnMotionIsEvenAt36And144FramesASecond) {
  autopilot::SteadyStretch stretch;
  ASSERT_TRUE(autopilot::recordSteadyStretch("Data/Models/Track01_Centre.txt", 12, 90, stretch));
  for (double fps : {36.0, 144.0}) {
    const autopilot::Smoothness s = autopilot::measureSmoothness(stretch, fps, true, false);
    EXPECT_GT(s.frames, 50) << fps;
    EXPECT_LT(s.carSpreadPct, 5) << fps << " frames a second, the car";
    EXPECT_LT(s.cameraSpreadPct, 5) << fps << " frames a second, the camera";
  }
  EXPECT_GT(autopilot::measureSmoothness(stretch, 36, false, false).carSpreadPct, 15) << "the measure sees no stutter";
}

}  // namespace
