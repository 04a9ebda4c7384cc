// The replay viewer in the whole game under the test display: a kept race of
// the table opened by its key, played at every speed against the same race
// replayed tick by tick, paused, stepped, sought; and the table's keys and a
// pad that choose a race to watch or to race against.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "driven_game.h"
#include "platform/pads.h"
#include "race/ghost.h"
#include "race/race.h"
#include "shell/game.h"
#include "tools/autopilot/driven.h"
#include "ui/ui.h"

namespace {

namespace fs = std::filesystem;

constexpr unsigned char kEscape = 27;

// A clock of the test's own, stepped between frames that are advanced but not drawn.
int64_t gNow = int64_t{1} << 41;
int64_t testCounter() { return gNow; }
void step(double seconds) {
  gNow += static_cast<int64_t>(seconds * 1e9 + 0.5);
  advanceViewer();
}

uint64_t drawnHash(const DrawnPose& p) {
  uint64_t hash = hashBytes(&p.car, sizeof p.car);
  return hashBytes(p.wheels, sizeof p.wheels, hash);
}

class Viewer : public ::testing::Test {
 protected:
  // The kept race, the table that holds it, and the race replayed in a
  // window at 60 frames a second: its pose after every tick.
  static RaceRecording race_;
  static std::vector<uint64_t> replayed_;
  static HighScoreEntry entry_;

  static void SetUpTestSuite() {
    if (!drivengame::start()) return;
    std::string why;
    const std::string path = std::string(std::getenv("FIVELAPS_SOURCE_DIR")) + "/tests/shell/race.rec";
    ASSERT_TRUE(loadRecordingFile(path.c_str(), race_, why)) << why;
    const DrivenRecording driven = driveRecording(race_);
    ASSERT_TRUE(driven.why.empty()) << driven.why;
    entry_.name = "auto";
    entry_.totalTime = driven.totalTime;
    for (int lap = 0; lap < 5; ++lap)
      for (int c = 0; c < 3; ++c) entry_.splits[lap][c] = driven.splits[lap][c];
    // Watched once first: the race replayed afterwards must be the recorded one.
    keepTheRace();
    openTable();
    watchWithTheKeys();
    closeViewer();
    returnToTitle();
    autopilot::useDrivenClock();
    const float countdown = gCountdownLength;
    gCountdownLength = kGameCountdown;
    setReplay(race_);
    autopilot::DrivenFrames undrawn;
    undrawn.draw = false;
    replayed_ = autopilot::runDrivenRace(60, nullptr, race_.ticks.size() + 10, undrawn).poses;
    clearReplay();
    gCountdownLength = countdown;
  }

  // The table of one entry, with its race kept beside it.
  static void keepTheRace() {
    std::remove(kHighScoreFile);
    std::remove(kGhostFile);
    fs::remove_all(kKeptRacesFolder);
    for (HighScoreEntry& e : gHighScores) e = HighScoreEntry();
    gHighScores[0] = entry_;
    ASSERT_EQ(writeHighScoreFile(kHighScoreFile, gHighScores).outcome, platform::SaveResult::Saved);
    ASSERT_TRUE(platform::makeFolder(kKeptRacesFolder));
    ASSERT_EQ(saveRecordingFile(keptRacePath(entry_).c_str(), race_).outcome, platform::SaveResult::Saved);
    gCurrentResult = HighScoreEntry();
  }

  void SetUp() override {
    if (!drivengame::start()) GTEST_SKIP() << "needs DISPLAY and the generated game data in $FIVELAPS_BINARY_DIR/game";
    ASSERT_FALSE(race_.ticks.empty());
    ASSERT_EQ(replayed_.size(), race_.ticks.size()) << "the replay is not the recorded race";
    keepTheRace();
    openTable();
  }
  void TearDown() override {
    closeViewer();
    autopilot::useDrivenClock();
    raceAgainst(Ghost(), gHighScores[0].splits);
    if (gHighScoreScreen.active) returnToTitle();
    std::remove(kHighScoreFile);
    std::remove(kGhostFile);
    fs::remove_all(kKeptRacesFolder);
  }

  static void openTable() {
    returnToTitle();
    gTitleEntry = kTitleHighScores;
    autopilot::runDrivenFrame(60);
    gKeys[13] = 1;  // Enter, once the title has faded in
    gTitle.inputReady = true;
    autopilot::runDrivenFrame(60);
    gKeys[13] = 0;
    ASSERT_TRUE(gHighScoreScreen.active);
  }

  static void watchWithTheKeys() {
    onSpecialDown(GLUT_KEY_DOWN, 0, 0);
    onSpecialUp(GLUT_KEY_DOWN, 0, 0);
    ASSERT_EQ(gHighScoreScreen.highlighted, 0);
    onKeyDown(' ', 0, 0);
    onKeyUp(' ', 0, 0);
    ASSERT_TRUE(gViewer.active) << gTableLine;
    platform::setCounterSource(testCounter);
    updateFrameTimer();
  }
};
RaceRecording Viewer::race_;
std::vector<uint64_t> Viewer::replayed_;
HighScoreEntry Viewer::entry_;

// The race watched a stretch at a time at each of the six speeds: wherever a
// frame lands on a whole tick it draws the car the replay had after that tick.
TEST_F(Viewer, EverySpeedShowsTheReplaysCarTickForTick) {
  watchWithTheKeys();
  ASSERT_EQ(gViewer.ticks.size(), race_.ticks.size());
  const std::vector<uint64_t>& poses = replayed_;
  for (int speed = 0; speed < kViewerSpeedCount; ++speed) {
    gViewer.speed = speed;
    gViewer.position = 500.0 + speed * 1700;
    gViewer.paused = false;
    int compared = 0;
    for (int frame = 0; frame < 240; ++frame) {
      step(1.0 / 60);
      const double whole = std::round(gViewer.position);
      if (std::fabs(gViewer.position - whole) > 1e-4) continue;
      ASSERT_EQ(drawnHash(gDrawn), poses[static_cast<std::size_t>(whole)])
          << "at speed " << kViewerSpeeds[speed] << ", tick " << whole;
      ++compared;
    }
    EXPECT_GE(compared, 50) << "at speed " << kViewerSpeeds[speed];
  }
}

TEST_F(Viewer, PausedFramesStandAndSeeksAndStepsComeBack) {
  watchWithTheKeys();
  onKeyDown(' ', 0, 0);  // pause
  ASSERT_TRUE(gViewer.paused);
  gViewer.position = 3000;
  onKeyDown('.', 0, 0);
  EXPECT_EQ(gViewer.position, 3001);
  onKeyDown(',', 0, 0);
  onKeyDown(',', 0, 0);
  EXPECT_EQ(gViewer.position, 2999);
  step(0);
  const uint64_t before = drawnHash(gDrawn);
  onSpecialDown(GLUT_KEY_RIGHT, 0, 0);
  step(0);
  EXPECT_EQ(gViewer.position, 2999 + 300);
  EXPECT_NE(drawnHash(gDrawn), before);
  onSpecialDown(GLUT_KEY_LEFT, 0, 0);
  step(0);
  EXPECT_EQ(drawnHash(gDrawn), before) << "a seek forth and back is not where it began";
  // Seeks stop at both ends.
  for (int i = 0; i < 60; ++i) onSpecialDown(GLUT_KEY_RIGHT, 0, 0);
  EXPECT_EQ(gViewer.position, static_cast<double>(gViewer.ticks.size() - 1));
  for (int i = 0; i < 60; ++i) onSpecialDown(GLUT_KEY_LEFT, 0, 0);
  EXPECT_EQ(gViewer.position, 0);

  // Two drawn frames with time passing between them, from each camera, are the same picture.
  gViewer.position = 4321.5;
  autopilot::useDrivenClock();
  for (int camera = 0; camera < kViewerCameraCount; ++camera) {
    std::vector<unsigned char> first(160 * 120 * 4), second(first.size());
    autopilot::runDrivenFrame(60);
    glReadPixels(0, 0, 160, 120, GL_RGBA, GL_UNSIGNED_BYTE, first.data());
    for (int i = 0; i < 30; ++i) autopilot::runDrivenFrame(60);
    glReadPixels(0, 0, 160, 120, GL_RGBA, GL_UNSIGNED_BYTE, second.data());
    EXPECT_EQ(first, second) << "a paused frame moved, camera " << camera;
    EXPECT_EQ(gViewer.position, 4321.5);
    onKeyDown('c', 0, 0);
  }
  EXPECT_EQ(gViewer.camera, kViewerChase) << "the camera key cycles the three cameras";
  onKeyDown(kEscape, 0, 0);
  EXPECT_FALSE(gViewer.active);
  EXPECT_TRUE(gHighScoreScreen.active) << "Escape leaves the viewer for the table";
}

// Four times as fast plays the race in a quarter of its ticks' time, and the end stands.
TEST_F(Viewer, FourTimesAsFastEndsInAQuarterOfTheTime) {
  watchWithTheKeys();
  onSpecialDown(GLUT_KEY_UP, 0, 0);
  onSpecialDown(GLUT_KEY_UP, 0, 0);
  ASSERT_EQ(kViewerSpeeds[gViewer.speed], 4);
  long frames = 0;
  while (!gViewer.paused && frames < 100000) {
    step(1.0 / 60);
    ++frames;
  }
  const long quarter = static_cast<long>(gViewer.ticks.size() - 1) / 4;
  EXPECT_NEAR(frames, quarter, 1);
  EXPECT_EQ(gViewer.position, static_cast<double>(gViewer.ticks.size() - 1));
  EXPECT_TRUE(gClockFrozen) << "the end shows the finished race";
  EXPECT_EQ(gViewer.marks.size(), 16u) << "the start signal and fifteen crossings on the bar";
  EXPECT_EQ(tableTime(gRaceClock), tableTime(entry_.totalTime));
}

// A pad alone: the table's West watches the highlighted race, East goes back;
// North races against it, with its ghost instead of the first entry's.
TEST_F(Viewer, APadWatchesAndRacesAgainstAnEntry) {
  using namespace platform;
  const int pad = attachVirtualPad();
  ASSERT_GE(pad, 0);
  auto press = [pad](PadButton b) {
    setVirtualPadButton(pad, b, true);
    autopilot::runDrivenFrame(60);
    setVirtualPadButton(pad, b, false);
    autopilot::runDrivenFrame(60);
  };
  for (int i = 0; i < 3; ++i) autopilot::runDrivenFrame(60);  // the pad is found
  press(kPadWest);
  EXPECT_TRUE(gViewer.active) << gTableLine;
  press(kPadEast);
  EXPECT_FALSE(gViewer.active);
  ASSERT_TRUE(gHighScoreScreen.active);
  std::remove(kGhostFile);  // the first entry's ghost is not what the race must run against
  press(kPadNorth);
  EXPECT_FALSE(gTitle.active);
  EXPECT_FALSE(gHighScoreScreen.active) << "the race against it did not start: " << gTableLine;
  EXPECT_FALSE(gGhost.poses.empty());
  EXPECT_EQ(tableTime(gGhost.totalTime), tableTime(entry_.totalTime));
  onKeyDown(kEscape, 0, 0);
  detachVirtualPad(pad);
}

// An entry with no race kept, or one whose race is damaged, says so and opens nothing.
TEST_F(Viewer, AnEntryWithoutItsRaceSaysSo) {
  fs::remove_all(kKeptRacesFolder);
  onKeyDown(' ', 0, 0);
  EXPECT_FALSE(gViewer.active);
  EXPECT_NE(gTableLine.find("No race is kept"), std::string::npos) << gTableLine;
  ASSERT_TRUE(platform::makeFolder(kKeptRacesFolder));
  RaceRecording other = race_;
  other.start.trackChecksum ^= 1;
  ASSERT_EQ(saveRecordingFile(keptRacePath(entry_).c_str(), other).outcome, platform::SaveResult::Saved);
  onKeyDown(' ', 0, 0);
  EXPECT_FALSE(gViewer.active);
  EXPECT_NE(gTableLine.find("another track"), std::string::npos) << gTableLine;
  EXPECT_TRUE(gHighScoreScreen.active);
}

}  // namespace
