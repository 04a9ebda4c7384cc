// A pad drives through the race tick: SDL's virtual pads (no device needed)
// on a flat ground, raced frame by frame on a clock the test drives.
#include <GL/freeglut.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "physics/car_harness.h"
#include "platform/pads.h"
#include "platform/platform.h"
#include "race/ghost.h"
#include "shell/game.h"
#include "tools/autopilot/driven.h"

namespace fs = std::filesystem;
using namespace platform;

namespace {

int64_t gNow = int64_t{1} << 40;
std::vector<uint64_t>* gPoses = nullptr;

// The reading a pad gives for a share of the travel the game uses.
float travelFor(float share) { return 0.12f + share * (0.97f - 0.12f); }

class PadRace : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    home_ = fs::current_path();
    dir_ = fs::temp_directory_path() / ("fivelaps-pad-" + std::to_string(getpid()));
    fs::create_directories(dir_);
    fs::current_path(dir_);
    startControls();  // the game's own Controls.txt, and the pads
    harness::makeFlat(gWorld.trackCollide);
    gCountdownLength = 0;
    QueryPerformanceFrequency(&gPerfFrequency);
    setCounterSource([] { return gNow; });
  }
  static void TearDownTestSuite() {
    setCounterSource(nullptr);
    fs::current_path(home_);
    fs::remove_all(dir_);
  }
  void SetUp() override {
    pad_ = attachVirtualPad();
    ASSERT_GE(pad_, 0);
  }
  void TearDown() override {
    detachVirtualPad(pad_);
    gBeforeRaceTick = nullptr;
    clearReplay();
  }
  // A race as buildRace starts one: recorded, and replayed when a replay is set.
  static void startRace() {
    gTitle.active = gHighScoreScreen.active = false;
    gCurrentResult = HighScoreEntry();
    ASSERT_TRUE(harness::buildWorld());
    resetRaceTicks();
    loadGhostForRace();
    beginRaceRecording();
  }
  // Whole frames at `fps` until the race has run `ticks` more ticks; the pose after each.
  static std::vector<uint64_t> race(double fps, int64_t ticks) {
    std::vector<uint64_t> poses;
    gPoses = &poses;
    gAfterRaceTick = [] { gPoses->push_back(poseHash()); };
    const int64_t end = gRaceTicks + ticks;
    while (gRaceTicks < end) {
      gNow += static_cast<int64_t>(1e9 / fps + 0.5);
      if (!advanceRace()) break;
    }
    gAfterRaceTick = nullptr;
    poses.resize(static_cast<std::size_t>(ticks));  // a slow frame runs on past the end
    return poses;
  }
  static fs::path home_, dir_;
  int pad_ = -1;
};
fs::path PadRace::home_, PadRace::dir_;

float meanAxleSpeed() {
  float sum = 0;
  for (NxWheelShape* w : gWheels) sum += w->getAxleSpeed();
  return sum / 4;
}

TEST_F(PadRace, HalfTheTravelSettlesAtHalfTheKeysLimits) {
  startRace();
  moveVirtualPadAxis(pad_, kPadRightTrigger, travelFor(0.5f));
  moveVirtualPadAxis(pad_, kPadLeftX, -travelFor(0.5f));  // to the left
  race(60, 240);
  EXPECT_NEAR(gTickInput.throttle, 500, 2);
  ASSERT_NEAR(gTickInput.steer, 500, 2);
  float axle = 0;
  for (int tick = 0; tick < 60; ++tick) {
    race(60, 1);
    axle += meanAxleSpeed() / 60;
    EXPECT_FLOAT_EQ(gSteerAngle, gMaxSteerAngle * gTickInput.steer / kAnalogSteps) << tick;
  }
  EXPECT_NEAR(axle, 60, 6) << "half the axle speed at which the key's torque stops rising";
  EXPECT_GT(gCarSpeed, 5);
}

// Pulled out mid-race, a pad lets go of its trigger and buttons at once. A
// pad lying by drives only once it is used; the one used last drives.
TEST_F(PadRace, PullingThePadOutLetsGoOfEverythingItHeld) {
  startRace();
  moveVirtualPadAxis(pad_, kPadRightTrigger, 1);
  setVirtualPadButton(pad_, kPadNorth, true);
  race(60, 60);
  ASSERT_EQ(gTickInput.keys, driveBit(kLift));
  ASSERT_GT(gMotorTorque, 0);
  detachVirtualPad(pad_);
  race(60, 1);
  EXPECT_EQ(gTickInput, TickInput());
  EXPECT_EQ(gMotorTorque, 0);
  EXPECT_EQ(gBrakeTorque, 5000) << "coasting, as with no key held";

  pad_ = attachVirtualPad();  // plugged in while none drives: it drives
  const int second = attachVirtualPad();
  moveVirtualPadAxis(pad_, kPadRightTrigger, 1);
  moveVirtualPadAxis(second, kPadRightTrigger, 0.2f);  // a touch: not yet using it
  race(60, 2);  // a pad's first reading is its first tick's news
  EXPECT_EQ(gTickInput.throttle, kAnalogSteps);
  setVirtualPadButton(second, kPadWest, true);
  race(60, 1);
  EXPECT_EQ(gTickInput.keys, driveBit(kHandbrake));
  EXPECT_EQ(gTickInput.throttle, 94) << "the second pad's own trigger";
  moveVirtualPadAxis(pad_, kPadLeftX, 0.5f);
  race(60, 1);
  EXPECT_EQ(gTickInput.throttle, kAnalogSteps) << "the first pad, used again, drives again";
  detachVirtualPad(second);
}

// The pad's values are recorded as each tick used them: the race replays
// tick for tick at any drawing rate, from its file.
void padScript() {
  static int pad = -1;
  const int64_t t = gRaceTicks;
  if (t == 0) pad = attachVirtualPad();
  moveVirtualPadAxis(pad, kPadLeftX, static_cast<float>(std::sin(t / 17.0)));
  moveVirtualPadAxis(pad, kPadRightTrigger, t < 150 ? static_cast<float>(t) / 150 : 0.6f);
  moveVirtualPadAxis(pad, kPadLeftTrigger, t >= 200 ? 0.8f : 0);
  setVirtualPadButton(pad, kPadRightShoulder, t == 50);
  setVirtualPadButton(pad, kPadWest, t >= 170 && t < 180);
  if (t == 239) detachVirtualPad(pad);
}

TEST_F(PadRace, APadRaceReplaysTickForTickAtAnyDrawingRate) {
  startRace();
  gBeforeRaceTick = padScript;
  const std::vector<uint64_t> poses = race(60, 240);
  gBeforeRaceTick = nullptr;
  endRaceRecording(RecordingEnd::Escape);
  const std::string file = (dir_ / "pad.rec").string();
  ASSERT_TRUE(saveRecordingFile(file.c_str(), gRaceRecording));
  const std::vector<TickInput>& ticks = gRaceRecording.ticks;
  EXPECT_EQ(ticks[120].throttle, 800);
  EXPECT_TRUE(ticks[100].steer != 0 && std::abs(ticks[100].steer) < kAnalogSteps);
  EXPECT_EQ(ticks[50].keys, driveBit(kCamera));
  EXPECT_GT(ticks[210].brake, 0);

  for (double fps : {10.0, 60.0, 240.0}) {
    ASSERT_TRUE(loadReplay(file.c_str()));
    startRace();
    testing::internal::CaptureStdout();
    EXPECT_EQ(autopilot::mismatchedTicks(race(fps, 240), poses), 0u) << fps << " frames a second";
    endRaceRecording(RecordingEnd::Escape);  // unless the last frame ran on to the recording's Escape
    EXPECT_NE(testing::internal::GetCapturedStdout().find("the recorded race again (240 ticks"), std::string::npos);
  }
  // A trigger pulled twice as far as it goes is no race: refused in one line.
  std::string text;
  std::getline(std::ifstream(file), text, '\0');
  std::ofstream(file) << text.replace(text.find("\npad "), 1, "\npad 1 0 2000 0\n");
  testing::internal::CaptureStdout();
  EXPECT_FALSE(loadReplay(file.c_str()));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Replay " + file + " refused: garbled (pad line out of range)\n");
}

// The pad alone names a new record: up and down turn the last letter, right
// adds one, left takes one away, the south button saves.
TEST_F(PadRace, ANameWithThePadAlone) {
  gTitle.active = false;
  gHighScoreScreen.active = true;
  gHighScoreRank = 1;
  gCurrentResult = HighScoreEntry();
  gCurrentResult.totalTime = 95.5f;
  readPadForMenu();  // the pad plugged in is found
  auto press = [this](PadButton b) {
    setVirtualPadButton(pad_, b, true);
    readPadForMenu();
    setVirtualPadButton(pad_, b, false);
    readPadForMenu();
  };
  for (PadButton b : {kPadUp, kPadUp, kPadRight, kPadDown, kPadRight, kPadRight, kPadLeft}) press(b);
  moveVirtualPadAxis(pad_, kPadLeftY, -1);  // the stick pushed up: once, however long it is held
  readPadForMenu();
  readPadForMenu();
  EXPECT_EQ(gCurrentResult.name, "bzb");
  moveVirtualPadAxis(pad_, kPadLeftY, 0);
  testing::internal::CaptureStdout();  // the saved table is printed
  press(kPadSouth);
  testing::internal::GetCapturedStdout();
  EXPECT_TRUE(gTitle.active);
  EXPECT_FALSE(gHighScoreScreen.active);
  EXPECT_EQ(gCurrentResult.name, "bzb");
}

// Keys of your own drive the car; left Ctrl, which freeglut gives the code
// of r, lifts nothing (a race held it for 3 s: 183 ticks of the lift key).
TEST_F(PadRace, AControlsTxtBindingDrivesAndLeftCtrlLiftsNothing) {
  std::ofstream(kControlsFile) << "accelerate w\n";
  loadControls();
  startRace();
  gBeforeRaceTick = [] {
    if (gRaceTicks == 1) onKeyDown('w', 0, 0);
    if (gRaceTicks == 1) onSpecialDown(GLUT_KEY_CTRL_L, 0, 0);
    if (gRaceTicks == 181) onKeyUp('w', 0, 0);
    if (gRaceTicks == 184) onSpecialUp(GLUT_KEY_CTRL_L, 0, 0);
    if (gRaceTicks == 190) onSpecialDown(GLUT_KEY_UP, 0, 0);
  };
  race(60, 220);
  int accelerating = 0, lifting = 0;
  for (const TickInput& t : gRaceRecording.ticks) {
    accelerating += (t.keys & driveBit(kAccelerate)) != 0;
    lifting += (t.keys & driveBit(kLift)) != 0;
  }
  EXPECT_EQ(accelerating, 180) << "w from tick 1 to 180, and Up not at all";
  EXPECT_EQ(lifting, 0);
  EXPECT_GT(gCarSpeed, 5);
  onSpecialUp(GLUT_KEY_UP, 0, 0);
  fs::remove(kControlsFile);
  loadControls();
}

// Full throttle, then the left trigger part way while the car still rolls
// forward. The recording beside this file was made by this script when the
// trigger braked in full whatever its travel.
int gScriptPad = -1;
void brakeScript() {
  const int64_t t = gRaceTicks;
  if (t == 0) gScriptPad = attachVirtualPad();
  moveVirtualPadAxis(gScriptPad, kPadRightTrigger, t < 150 ? 1.0f : 0.0f);
  moveVirtualPadAxis(gScriptPad, kPadLeftTrigger, t >= 150 ? travelFor(0.3f) : 0.0f);
  moveVirtualPadAxis(gScriptPad, kPadLeftX, t >= 100 && t < 130 ? -0.5f : 0.0f);
  if (t == 299) detachVirtualPad(gScriptPad);
}

TEST_F(PadRace, ATriggerBrakesByItsTravelAndOlderRecordingsKeepTheirRule) {
  startRace();
  gBeforeRaceTick = brakeScript;
  race(60, 151);
  ASSERT_GT(meanAxleSpeed(), 0);
  EXPECT_EQ(gTickInput.brake, 300);
  EXPECT_FLOAT_EQ(gBrakeTorque, 25000 * 0.3f) << "30 % of the travel, 30 % of the brake";
  gBeforeRaceTick = nullptr;
  detachVirtualPad(gScriptPad);
  moveVirtualPadAxis(pad_, kPadLeftTrigger, 1);
  race(60, 2);
  EXPECT_EQ(gBrakeTorque, 25000) << "all the way is the key";
  endRaceRecording(RecordingEnd::Escape);

  const std::string old = std::string(std::getenv("FIVELAPS_SOURCE_DIR")) + "/tests/shell/pad-brake-v2.rec";
  RaceRecording before;
  std::string why;
  ASSERT_TRUE(loadRecordingFile(old.c_str(), before, why)) << why;
  ASSERT_TRUE(loadReplay(old.c_str()));
  startRace();
  testing::internal::CaptureStdout();
  race(60, 300);
  endRaceRecording(RecordingEnd::Escape);
  const std::string said = testing::internal::GetCapturedStdout();
  EXPECT_NE(said.find("the recorded race again"), std::string::npos) << said;
  EXPECT_EQ(poseHash(), before.finalPoseHash) << "a second-version race brakes in full, as it was driven";
}

}  // namespace
