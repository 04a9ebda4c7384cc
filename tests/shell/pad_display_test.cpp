// A pad alone walks the game from the title into a race and back, and the
// title's keys stay the title's: drawn under the test display on the driven clock.
#include <gtest/gtest.h>

#include <vector>

#include "driven_game.h"
#include "platform/pads.h"
#include "shell/game.h"
#include "tools/autopilot/driven.h"
#include "ui/ui.h"

namespace {

using namespace platform;

class PadOnScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!drivengame::start()) GTEST_SKIP() << "needs DISPLAY and the generated game data in $FIVELAPS_BINARY_DIR/game";
  }
};

void frames(int n) {
  for (int i = 0; i < n; ++i) autopilot::runDrivenFrame(60);
}

bool racing() { return !gTitle.active && !gHighScoreScreen.active; }

TEST_F(PadOnScreen, APadWalksTheTitleIntoARaceAndBack) {
  const int pad = attachVirtualPad();
  ASSERT_GE(pad, 0);
  auto press = [pad](PadButton b) {
    setVirtualPadButton(pad, b, true);
    frames(1);
    setVirtualPadButton(pad, b, false);
    frames(1);
  };
  gCurrentResult = HighScoreEntry();
  returnToTitle();
  gTitleEntry = 0;
  frames(125);  // the title fades in for two seconds, deaf to keys and pads
  press(kPadDown);
  EXPECT_EQ(gTitleEntry, 1);
  moveVirtualPadAxis(pad, kPadLeftY, -1);  // the stick up, held: one step
  frames(3);
  moveVirtualPadAxis(pad, kPadLeftY, 0);
  frames(1);
  EXPECT_EQ(gTitleEntry, 0);
  press(kPadSouth);  // the loading picture, and the race is built the frame after
  frames(3);
  ASSERT_TRUE(racing());
  press(kPadBack);  // gives the race up as Escape does
  EXPECT_TRUE(gHighScoreScreen.active);
  press(kPadEast);
  EXPECT_TRUE(gTitle.active);
  EXPECT_FALSE(gHighScoreScreen.active);
  detachVirtualPad(pad);
}

// The Enter that starts a race is the title's: bound to the camera, it must
// not switch it on the race's first tick; the next press does.
TEST_F(PadOnScreen, TheEnterThatStartsTheRaceSwitchesNoCamera) {
  const Controls before = gControls;
  gControls.keys[kCamera][0] = keyByName("Enter");
  gCurrentResult = HighScoreEntry();
  returnToTitle();
  gTitleEntry = 0;
  frames(125);
  onKeyDown(13, 0, 0);  // held through the loading picture and into the race
  frames(4);
  ASSERT_TRUE(racing());
  onKeyUp(13, 0, 0);
  frames(2);
  onKeyDown(13, 0, 0);
  frames(1);
  onKeyUp(13, 0, 0);
  frames(1);
  std::vector<std::size_t> switches;
  for (std::size_t i = 0; i < gRaceRecording.ticks.size(); ++i)
    if (gRaceRecording.ticks[i].keys & driveBit(kCamera)) switches.push_back(i);
  EXPECT_EQ(switches, std::vector<std::size_t>{gRaceRecording.ticks.size() - 2});
  onKeyDown(27, 0, 0);
  onKeyUp(27, 0, 0);
  frames(1);
  onKeyDown(27, 0, 0);
  onKeyUp(27, 0, 0);
  EXPECT_TRUE(gTitle.active);
  gControls = before;
}

}  // namespace
