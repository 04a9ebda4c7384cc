// Trying again at once, through real key events and virtual pads on the
// driven clock: the restart key in the countdown, mid-race and on the tick
// before the finish; racing again from the table; a pause that stops every
// tick and resumes into the same race; a window that loses the focus.
#include <GL/freeglut.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "driven_game.h"
#include "physics/physics.h"
#include "race/ghost.h"
#include "race/race.h"
#include "platform/pads.h"
#include "shell/game.h"
#include "tools/autopilot/bench.h"
#include "tools/autopilot/driven.h"
#include "ui/ui.h"

// Last: Xlib's macros would rename what the headers above declare.
#include <GL/glx.h>
#include <X11/Xlib.h>

namespace {

constexpr unsigned char kBackspace = 8, kTab = 9, kEnter = 13, kEscape = 27;

void frames(int n) {
  for (int i = 0; i < n; ++i) autopilot::runDrivenFrame(60);
}

bool racing() { return !gTitle.active && !gHighScoreScreen.active; }

void tap(unsigned char key) {
  onKeyDown(key, 0, 0);
  onKeyUp(key, 0, 0);
}

void tapPad(int pad, platform::PadButton b) {
  platform::setVirtualPadButton(pad, b, true);
  frames(1);
  platform::setVirtualPadButton(pad, b, false);
}

// A race as the title's start entry builds it, in the frame after Enter.
void startRace() {
  gCurrentResult = HighScoreEntry();
  gTitle.active = gTitle.loadPending = true;
  gTitleEntry = 0;
  gHighScoreScreen.active = false;
  frames(1);
}

void leaveRace() {
  if (racePaused()) tap(kEscape);
  if (racing()) tap(kEscape);
  frames(1);
  if (gHighScoreScreen.active) tap(kEnter);
}

std::string fileText(const char* path) {
  std::ifstream in(path);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class Retry : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!drivengame::start()) GTEST_SKIP() << "needs DISPLAY and the generated game data in $FIVELAPS_BINARY_DIR/game";
    std::remove(kHighScoreFile);
    std::remove(kGhostFile);
    for (HighScoreEntry& e : gHighScores) e = HighScoreEntry();
  }
  void TearDown() override {
    gBeforeRaceTick = gAfterRaceTick = nullptr;
    gRecordPath.clear();
    clearReplay();
    gCountdownLength = 0.5f;
    if (!gTitle.active) leaveRace();
  }
};

// The race just built by a restart: its countdown from the start, its first
// tick run in the frame that built it, the race before recorded as given up.
void expectFreshRace(const char* when) {
  EXPECT_TRUE(racing()) << when;
  EXPECT_EQ(gRaceTicks, 1) << when;
  EXPECT_EQ(gRaceRecording.ticks.size(), 1u) << when;
  EXPECT_LT(gRaceClock, 0) << when;
  EXPECT_FALSE(gRaceFinished) << when;
  EXPECT_NE(fileText(gRecordPath.c_str()).find("\nend escape "), std::string::npos) << when;
  EXPECT_NE(access(kHighScoreFile, F_OK), 0) << when << ": the table was written";
}

TEST_F(Retry, TheRestartKeyDropsTheRaceAndStartsAnotherAtOnce) {
  gRecordPath = (drivengame::gFolder.path / "left.rec").string();
  startRace();
  frames(10);  // the countdown
  tap(kBackspace);
  frames(1);
  expectFreshRace("in the countdown");

  onSpecialDown(GLUT_KEY_UP, 0, 0);
  frames(90);
  onSpecialUp(GLUT_KEY_UP, 0, 0);
  ASSERT_GT(gCarSpeed, 1);
  tap(kBackspace);
  frames(1);
  expectFreshRace("mid-race");
  EXPECT_LT(std::hypot(gCarPose.t.x - gStartX, gCarPose.t.z - gStartZ), 1) << "the car is back at the start";

  const int pad = platform::attachVirtualPad();
  frames(40);
  tapPad(pad, platform::kPadRightStick);
  frames(1);
  expectFreshRace("by the pad's right stick");
  platform::detachVirtualPad(pad);
}

// A finished race, driven again from its recording, is dropped on the tick
// before its finish: no entry, no table; then, finished, its name is saved and
// the next race starts from the table at once.
TEST_F(Retry, OnTheTickBeforeTheFinishAndFromTheTable) {
  const std::string file = std::string(std::getenv("FIVELAPS_SOURCE_DIR")) + "/tests/shell/race.rec";
  RaceRecording race;
  std::string why;
  ASSERT_TRUE(loadRecordingFile(file.c_str(), race, why)) << why;
  ASSERT_EQ(race.end, RecordingEnd::Escape);
  ASSERT_GT(race.totalTime, 0);
  gCountdownLength = 3;  // as it was driven
  static int64_t finishTick = 0;
  finishTick = std::lround((race.totalTime + 3) * 60);
  gRecordPath = (drivengame::gFolder.path / "left.rec").string();
  setReplay(race);
  startRace();
  gAfterRaceTick = [] {
    if (gRaceTicks == finishTick - 1 && !gRaceFinished) tap(kBackspace);
  };
  while (racing() && !restartRequested() && gRaceTicks < finishTick + 60) autopilot::stepDrivenFrame(60);
  ASSERT_TRUE(restartRequested()) << "the race finished before tick " << finishTick;
  EXPECT_EQ(gRaceTicks, finishTick - 1) << "a tick ran after the restart key";
  gAfterRaceTick = nullptr;
  frames(1);
  expectFreshRace("on the tick before the finish");

  // The same race run to its end owes a name: Tab saves it and races again.
  while (racing()) autopilot::stepDrivenFrame(60);
  ASSERT_TRUE(nameOwed());
  clearReplay();
  tap('a');
  tap(kTab);
  frames(1);
  EXPECT_TRUE(racing()) << "Tab with a name typed starts the next race";
  EXPECT_NE(fileText(kHighScoreFile).find("a " + std::to_string(race.totalTime).substr(0, 6)), std::string::npos);
  // Given up, the table owes nothing: Backspace races again, Enter goes to the title.
  tap(kEscape);
  frames(1);
  ASSERT_TRUE(gHighScoreScreen.active);
  tap(kBackspace);
  frames(1);
  EXPECT_TRUE(racing()) << "Backspace on the table starts the next race";
  EXPECT_EQ(gRaceTicks, 1);
}

// A race driven by keys, then driven again from its recording with a pause of
// ten minutes by the p key and by the pad's Start: the same race, tick for
// tick, and the same recording; no tick runs while paused.
std::vector<uint64_t>* gPoses = nullptr;
int gPauseBy = 0;  // 0 none, 1 the p key, 2 the pad's Start
int gPad = -1;
void heldKeys() {
  const int64_t t = gRaceTicks;
  t >= 20 && t < 110 ? onSpecialDown(GLUT_KEY_UP, 0, 0) : onSpecialUp(GLUT_KEY_UP, 0, 0);
  t >= 50 && t < 70 ? onSpecialDown(GLUT_KEY_LEFT, 0, 0) : onSpecialUp(GLUT_KEY_LEFT, 0, 0);
}
void pauseButton() { platform::setVirtualPadButton(gPad, platform::kPadStart, gRaceTicks == 60); }
void afterTick() {
  gPoses->push_back(poseHash());
  if (gPauseBy == 1 && gRaceTicks == 60) tap('p');
}

std::vector<uint64_t> scriptedRace(int pauseBy, RaceRecording& recording) {
  std::vector<uint64_t> poses;
  gPoses = &poses;
  gPauseBy = pauseBy;
  startRace();
  gBeforeRaceTick = pauseBy == 0 ? heldKeys : pauseBy == 2 ? pauseButton : nullptr;
  gAfterRaceTick = afterTick;
  while (gRaceTicks < 130) {
    autopilot::stepDrivenFrame(60);  // the race's frames undrawn; the paused ones drawn
    if (!racePaused()) continue;
    EXPECT_EQ(gRaceTicks, 60) << "paused after the tick that asked for it";
    frames(3);
    autopilot::runDrivenFrame(1.0 / 600);  // ten minutes in one frame
    frames(3);
    EXPECT_EQ(gRaceTicks, 60) << "a tick ran while paused";
    EXPECT_EQ(poses.size(), 60u);
    if (pauseBy == 1) {
      tap(kEscape);  // the pause menu's Escape resumes, never gives up
    } else {
      platform::setVirtualPadButton(gPad, platform::kPadStart, false);  // held since it paused
      frames(1);
      tapPad(gPad, platform::kPadStart);
    }
    EXPECT_FALSE(racePaused());
    EXPECT_TRUE(racing());
  }
  gBeforeRaceTick = gAfterRaceTick = nullptr;
  onSpecialUp(GLUT_KEY_UP, 0, 0);
  onSpecialUp(GLUT_KEY_LEFT, 0, 0);
  recording = gRaceRecording;
  poses.resize(130);
  return poses;
}

TEST_F(Retry, APauseStopsEveryTickAndResumesIntoTheSameRace) {
  gPad = platform::attachVirtualPad();
  frames(1);
  RaceRecording plain, byKey, byPad;
  const std::vector<uint64_t> unpaused = scriptedRace(0, plain);
  leaveRace();
  setReplay(plain);
  const std::vector<uint64_t> keyPaused = scriptedRace(1, byKey);
  leaveRace();
  const std::vector<uint64_t> padPaused = scriptedRace(2, byPad);
  leaveRace();
  clearReplay();
  EXPECT_EQ(autopilot::mismatchedTicks(unpaused, keyPaused), 0u);
  EXPECT_EQ(autopilot::mismatchedTicks(unpaused, padPaused), 0u);
  byKey.ticks.resize(130);
  byPad.ticks.resize(130);
  plain.ticks.resize(130);
  EXPECT_EQ(byKey.ticks, plain.ticks) << "the paused race's recording differs";
  EXPECT_EQ(byPad.ticks, plain.ticks) << "the pad-paused race's recording differs";

  // Give up from the pause menu: the table, as Escape in the race gives it.
  startRace();
  frames(2);
  tap('p');
  ASSERT_TRUE(racePaused());
  onSpecialDown(GLUT_KEY_UP, 0, 0);  // round from Resume to Give up
  onSpecialUp(GLUT_KEY_UP, 0, 0);
  tap(kEnter);
  EXPECT_TRUE(gHighScoreScreen.active);
  EXPECT_FALSE(racePaused());
  platform::detachVirtualPad(gPad);
}

// Another window takes the focus: the race pauses itself.
TEST_F(Retry, ARaceWhoseWindowLosesTheFocusPausesItself) {
  Display* display = XOpenDisplay(nullptr);
  ASSERT_NE(display, nullptr);
  const Window game = glXGetCurrentDrawable();
  platform::watchWindowFocus();
  startRace();
  XSetInputFocus(display, game, RevertToParent, CurrentTime);
  XSync(display, False);
  frames(2);
  ASSERT_FALSE(racePaused());
  const Window other = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 16, 16, 0, 0, 0);
  XMapWindow(display, other);
  XSync(display, False);
  frames(2);
  XSetInputFocus(display, other, RevertToParent, CurrentTime);
  XSync(display, False);
  usleep(100000);
  frames(1);
  EXPECT_TRUE(racePaused());
  const int64_t ticks = gRaceTicks;
  frames(30);
  EXPECT_EQ(gRaceTicks, ticks);
  XDestroyWindow(display, other);
  XSetInputFocus(display, PointerRoot, RevertToPointerRoot, CurrentTime);  // as the server starts
  XCloseDisplay(display);
}

// Restart after restart: memory stays level, as the soak judges a run of races.
TEST_F(Retry, TwoHundredRestartsKeepMemoryLevel) {
  startRace();
  std::vector<double> readings;
  for (int i = 0; i < 200; ++i) {
    tap(kBackspace);
    frames(1);
    ASSERT_TRUE(racing());
    if (i % 10 == 9) readings.push_back(autopilot::residentMegabytes());
  }
  // A line fitted through the readings after the first: its rise over the run.
  const std::size_t n = readings.size() - 1;
  double sx = 0, sy = 0, sxx = 0, sxy = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double x = static_cast<double>(i), y = readings[i + 1];
    sx += x, sy += y, sxx += x * x, sxy += x * y;
  }
  const double slope = (n * sxy - sx * sy) / (n * sxx - sx * sx), mean = sy / n;
  EXPECT_LT(slope * (n - 1) / mean * 100, 5.0) << "memory rose from " << readings[1] << " MB to " << readings.back();
}

}  // namespace
