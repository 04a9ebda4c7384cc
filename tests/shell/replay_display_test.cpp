// The same race at any drawing rate: one recorded race replayed while the
// game draws real frames at 10, 60 and 240 frames a second on a driven clock
// gives the same car and wheel poses at every tick.
#include <gtest/gtest.h>

#include <GL/freeglut.h>

#include <cmath>
#include <utility>

#include "driven_game.h"
#include "physics/physics.h"
#include "shell/game.h"
#include "tools/autopilot/driven.h"
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
  const RaceRecording recorded = autopilot::runDrivenRace(60, nullptr, 10).recording;
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
    const autopilot::DrivenRace race = autopilot::runDrivenRace(60, scriptedKeys, 30);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find(line), std::string::npos) << out;
    EXPECT_EQ(race.poses.size(), 30u);
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
  const autopilot::DrivenRace race = autopilot::runDrivenRace(60, scriptedKeys, 90);
  ASSERT_EQ(race.recording.ticks.size(), 90u);
  ASSERT_NE(race.recording.ticks[70].keys & driveBit(kAccelerate), 0u) << "the recording holds Up at tick 70";
  onSpecialUp(GLUT_KEY_UP, 0, 0);  // the script still held it when the race was left
  for (RaceTickHook ending : {RaceTickHook(nullptr), RaceTickHook(finishAtTick60)}) {
    setReplay(race.recording);
    autopilot::runDrivenRace(60, ending, 70);  // left at tick 70 (Escape) or 60 (finish)
    for (int key : {100, 101, 102, 103, 32, 114, 82, 99, 67})
      EXPECT_EQ(gKeys[key], 0) << "key " << key << (ending ? " after the finish" : " after Escape");
  }
  clearReplay();
}

}  // namespace
