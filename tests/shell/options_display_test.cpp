// The options screen in the whole game on the driven clock, worked through
// the real key callbacks and a virtual pad: every page and setting reached
// and left, volumes on the sound library's channels, a key bound on the
// screen driving the next race, and the player's files written only when the
// player changed something, never when they cannot be.
#include <GL/freeglut.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "audio/audio.h"
#include "driven_game.h"
#include "physics/physics.h"
#include "platform/pads.h"
#include "shell/game.h"
#include "tools/autopilot/driven.h"
#include "ui/ui.h"

namespace {

constexpr unsigned char kEnter = 13, kEscape = 27;

void frames(int n) {
  for (int i = 0; i < n; ++i) autopilot::runDrivenFrame(60);
}

void tap(unsigned char key) {
  onKeyDown(key, 0, 0);
  onKeyUp(key, 0, 0);
  frames(1);
}

void tapSpecial(int key, int times = 1) {
  for (int i = 0; i < times; ++i) {
    onSpecialDown(key, 0, 0);
    onSpecialUp(key, 0, 0);
    frames(1);
  }
}

std::string fileText(const char* path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void writeFile(const char* path, const std::string& text) {
  chmod(path, 0644);
  std::ofstream(path) << text;
}

class Options : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The sound library's channels need a device: a wave file stands in for it.
    const std::string wav = (std::filesystem::temp_directory_path() / "fivelaps-options.wav").string();
    std::ofstream(wav + ".conf") << "[general]\ndrivers=wave\n[wave]\nfile=" << wav << "\n";
    setenv("ALSOFT_CONF", (wav + ".conf").c_str(), 1);
  }
  void SetUp() override {
    if (!drivengame::start()) GTEST_SKIP() << "needs DISPLAY and the generated game data in $FIVELAPS_BINARY_DIR/game";
    // From the title, as a player comes: Down to Options, Enter.
    gTitle.active = true;
    gTitle.loadPending = false;
    gTitleEntry = kTitleHighScores;
    frames(130);  // the title's fade-in
    tapSpecial(GLUT_KEY_DOWN);
    tap(kEnter);
    ASSERT_TRUE(gOptions.active);
  }
  void TearDown() override {
    while (gOptions.active) tap(kEscape);
    gTitleEntry = kTitleStart;
  }
  // Opens a page from the page list: 0 display, 1 sound, 2 controls.
  static void openPage(int index) {
    tapSpecial(GLUT_KEY_DOWN, index);
    tap(kEnter);
  }
};

// Every row of every page is reached and left with the keys, and again with
// a pad; looking changes nothing, so a hostile file the game refused line by
// line at its start is not rewritten behind the player's back.
TEST_F(Options, EveryPageAndRowIsReachedByKeysAndPadAndLooking_WritesNothing) {
  const std::string controls = "accelerate Up\nlift Ctrl\nsteer-left Left Left Left\n\x01\xff\n";
  const std::string config = "[DisplayMode]\n1024x786:32@60\n[Screen]\nhuge\n[MusicVolume]\n99\nEOF\n";
  writeFile(kControlsFile, controls);
  writeFile("Config.txt", config);
  testing::internal::CaptureStdout();
  loadControls();
  readConfig();
  const std::string said = testing::internal::GetCapturedStdout();
  EXPECT_NE(said.find("Controls.txt line 2 not understood"), std::string::npos) << said;
  EXPECT_NE(said.find("Controls.txt line 4 not understood"), std::string::npos) << said;
  EXPECT_NE(said.find("Config.txt line 4 not understood"), std::string::npos) << said;
  EXPECT_NE(said.find("Config.txt line 6 not understood"), std::string::npos) << said;

  const int rows[] = {6, 3, 13};
  for (int page = 0; page < 3; ++page) {
    openPage(page);
    EXPECT_EQ(gOptions.page, page + 1);
    for (int r = 1; r <= rows[page]; ++r) {
      tapSpecial(GLUT_KEY_DOWN);
      EXPECT_EQ(gOptions.row, r % rows[page]) << "page " << page;
    }
    tapSpecial(GLUT_KEY_UP);
    EXPECT_EQ(gOptions.row, rows[page] - 1) << "Up from the first row: Back";
    tap(kEscape);
    EXPECT_EQ(gOptions.page, kOptionsPages);
    EXPECT_EQ(gOptions.row, page);
    tapSpecial(GLUT_KEY_UP, page);
  }

  const int pad = platform::attachVirtualPad();
  frames(2);
  auto press = [&](platform::PadButton b) {
    platform::setVirtualPadButton(pad, b, true);
    frames(1);
    platform::setVirtualPadButton(pad, b, false);
    frames(1);
  };
  for (int page = 0; page < 3; ++page) {
    for (int i = 0; i < page; ++i) press(platform::kPadDown);
    press(platform::kPadSouth);
    EXPECT_EQ(gOptions.page, page + 1) << "the pad's south button opens";
    for (int r = 1; r < rows[page]; ++r) press(platform::kPadDown);
    EXPECT_EQ(gOptions.row, rows[page] - 1);
    press(platform::kPadSouth);  // Back
    EXPECT_EQ(gOptions.page, kOptionsPages);
    for (int i = 0; i < page; ++i) press(platform::kPadUp);
  }
  press(platform::kPadEast);
  EXPECT_FALSE(gOptions.active) << "east goes back to the title";
  EXPECT_TRUE(gTitle.active);
  platform::detachVirtualPad(pad);
  frames(2);

  EXPECT_EQ(fileText(kControlsFile), controls);
  EXPECT_EQ(fileText("Config.txt"), config);
  std::remove("Config.txt");
  readConfig();
  loadControls();
}

// The sliders reach the channels while they move: music at once, effects
// with a click at the new level; 0 silences; the pause menu's quieter music
// scales with it; leaving the page saves the volumes before EOF, beside a
// display chosen for the next start.
TEST_F(Options, VolumesReachTheChannelsAtOnceAndTheirFile) {
  openPage(0);
  tapSpecial(GLUT_KEY_RIGHT);  // another mode, for the next start
  tap(kEscape);
  EXPECT_EQ(gOptions.line, "Saved: the new display comes at the next start");
  const std::string mode = std::to_string(gConfigSettings.width) + "x" + std::to_string(gConfigSettings.height);
  EXPECT_NE(mode, std::to_string(gScreenWidth) + "x" + std::to_string(gScreenHeight));
  tapSpecial(GLUT_KEY_DOWN);
  tap(kEnter);
  tapSpecial(GLUT_KEY_LEFT, 4);
  EXPECT_EQ(gMusicVolume, 6);
  EXPECT_EQ(FSOUND_GetVolume(kMusicChannel), scaledVolume(FSOUND_MAX_VOLUME, 6));
  tapSpecial(GLUT_KEY_LEFT, 10);
  EXPECT_EQ(FSOUND_GetVolume(kMusicChannel), 0);
  tapSpecial(GLUT_KEY_RIGHT, 3);
  tapSpecial(GLUT_KEY_DOWN);
  tapSpecial(GLUT_KEY_LEFT, 5);
  EXPECT_EQ(FSOUND_GetVolume(kTypeChannel), scaledVolume(FSOUND_MAX_VOLUME, 5));
  tap(kEscape);
  EXPECT_EQ(gOptions.line, "Saved");
  const std::string config = fileText("Config.txt");
  EXPECT_NE(config.find("[MusicVolume]\n3\n[EffectsVolume]\n5\nEOF\n"), std::string::npos) << config;
  EXPECT_EQ(config.find("[DisplayMode]\n" + mode + ":"), 0u) << "the sound page kept the chosen display: " << config;

  tap(kEscape);
  gTitle.active = gTitle.loadPending = true;  // a race, as the start entry builds it
  gTitleEntry = kTitleStart;
  frames(2);
  ASSERT_TRUE(gPhysicsScene && gCarActor);
  EXPECT_EQ(FSOUND_GetVolume(kMusicChannel), scaledVolume(FSOUND_MAX_VOLUME, 3));
  frames(3);
  EXPECT_LE(FSOUND_GetVolume(kEngineChannel), scaledVolume(FSOUND_MAX_VOLUME, 5));
  pauseRace();
  EXPECT_EQ(FSOUND_GetVolume(kMusicChannel), scaledVolume(96, 3));
  resumeRace();
  EXPECT_EQ(FSOUND_GetVolume(kMusicChannel), scaledVolume(FSOUND_MAX_VOLUME, 3));
  tap(kEscape);
  tap(kEnter);
  ASSERT_TRUE(gTitle.active);
  std::remove("Config.txt");
  readConfig();
}

// A key chosen on the screen: the keys with jobs of their own are refused in
// a line, a key in use is offered to be swapped, and the one bound drives the
// car in the next race and is in Controls.txt; read-only, the file is left
// as it is and the screen says so.
TEST_F(Options, AKeyBoundOnTheScreenDrivesTheNextRaceAndIsSavedUnlessReadOnly) {
  openPage(2);
  tapSpecial(GLUT_KEY_DOWN);  // accelerate
  tapSpecial(GLUT_KEY_RIGHT);  // its second key
  tap(kEnter);
  ASSERT_TRUE(gOptions.waitingForKey);
  tapSpecial(GLUT_KEY_F3);
  EXPECT_NE(gOptions.line.find("F1 to F11 keep their jobs"), std::string::npos) << gOptions.line;
  EXPECT_EQ(gWireframe, 0) << "F3 was the screen's, not the switch's";
  tap(1);  // Ctrl+A
  EXPECT_NE(gOptions.line.find("Ctrl"), std::string::npos) << gOptions.line;
  tap('r');
  EXPECT_NE(gOptions.line.find("lift's key"), std::string::npos) << gOptions.line;
  tap(kEscape);  // keeps both
  EXPECT_TRUE(isKeyOf(gControls, kLift, 'r'));
  tap(kEnter);
  tap('w');
  EXPECT_TRUE(isKeyOf(gControls, kAccelerate, 'W'));
  tap(kEscape);
  EXPECT_NE(fileText(kControlsFile).find("\naccelerate Up w\n"), std::string::npos) << fileText(kControlsFile);

  tap(kEscape);
  gTitle.active = gTitle.loadPending = true;
  gTitleEntry = kTitleStart;
  frames(2);
  ASSERT_TRUE(gPhysicsScene && gCarActor);
  frames(40);  // the countdown
  onKeyDown('w', 0, 0);
  frames(90);
  onKeyUp('w', 0, 0);
  EXPECT_GT(gCarSpeed, 1) << "w drives";
  tap(kEscape);
  tap(kEnter);
  ASSERT_TRUE(gTitle.active);

  frames(130);
  gTitleEntry = kTitleOptions;
  tap(kEnter);
  ASSERT_TRUE(gOptions.active);
  const std::string before = fileText(kControlsFile);
  chmod(kControlsFile, 0444);
  openPage(2);
  tapSpecial(GLUT_KEY_UP, 2);  // the game's own keys
  tap(kEnter);
  EXPECT_FALSE(isKeyOf(gControls, kAccelerate, 'w'));
  tap(kEscape);
  EXPECT_NE(gOptions.line.find("Controls.txt is read-only"), std::string::npos) << gOptions.line;
  EXPECT_EQ(fileText(kControlsFile), before);
  chmod(kControlsFile, 0644);
}

}  // namespace
