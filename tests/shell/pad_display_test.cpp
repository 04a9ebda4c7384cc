// A pad alone walks the game: from the title into a race and back, drawn
// under the test display on the driven clock.
#include <gtest/gtest.h>

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

}  // namespace
