// Keyboard: the shared key table, the function-key switches and their
// messages, name entry and the Escape/Enter transitions.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/pads.h"
#include "race/ghost.h"
#include "shell/game.h"
#include "ui/ui.h"

namespace {

class Keys : public ::testing::Test {
 protected:
  void SetUp() override {
    keysSeen();
    for (auto& k : gKeys) k = 0;
    gTitle = TitleScreen{};
    gHighScoreScreen = HighScoreScreen{};
    gCurrentResult = HighScoreEntry{};
    gHighScoreRank = 11;
    gInfoMessage = 0;
    gRaceClock = 10;
    gShowHelp = gShowFrameRate = gWireframe = gHudWireframe = 0;
    gTexFiltering = gMipmapping = gFrustumCulling = gAnisotropic = 1;
    gRenderPath = gDisplayLists = gBlendOverride = 0;
  }
  void press(unsigned char key) { onKeyDown(key, 0, 0); }
  void special(int key) { onSpecialDown(key, 0, 0); }
  void oweName() {
    gHighScoreScreen.active = true;
    gHighScoreRank = 3;
    gCurrentResult.totalTime = 123.5f;
  }
};

TEST_F(Keys, OrdinaryAndSpecialKeysShareOneTable) {
  special(GLUT_KEY_UP);
  EXPECT_EQ(gKeys[101], 1);
  keysSeen();
  onKeyUp('e', 0, 0);  // e is entry 101 too
  EXPECT_EQ(gKeys[101], 0);
  press('g');
  EXPECT_EQ(gKeys[GLUT_KEY_DOWN], 1);
  keysSeen();
  onSpecialUp(GLUT_KEY_DOWN, 0, 0);
  EXPECT_EQ(gKeys['g'], 0);
  press(' ');
  EXPECT_EQ(gKeys[32], 1);
  special(GLUT_KEY_F12);
  EXPECT_EQ(gKeys[12], 1);
  // Codes outside the table are ignored rather than written past its end.
  special(1000);
  onSpecialUp(-5, 0, 0);
}

TEST_F(Keys, APressReleasedBeforeAnyReadIsReadOnce) {
  special(GLUT_KEY_UP);
  onSpecialUp(GLUT_KEY_UP, 0, 0);
  EXPECT_EQ(gKeys[101], 1) << "a quick tap between two frames is lost";
  keysSeen();
  EXPECT_EQ(gKeys[101], 0);
  // A press that was read is released at once; the title's Enter latches too.
  press('c');
  keysSeen();
  EXPECT_EQ(gKeys['c'], 1);
  onKeyUp('c', 0, 0);
  EXPECT_EQ(gKeys['c'], 0);
  press(13);
  onKeyUp(13, 0, 0);
  EXPECT_EQ(gKeys[13], 1);
  keysSeen();
  EXPECT_EQ(gKeys[13], 0);
  // Released, then pressed again before the read: still held after it.
  press(' ');
  onKeyUp(' ', 0, 0);
  press(' ');
  keysSeen();
  EXPECT_EQ(gKeys[32], 1);
}

TEST_F(Keys, FunctionKeysFlipAndShowTheirMessages) {
  special(GLUT_KEY_F1);
  EXPECT_EQ(gShowHelp, 1);
  EXPECT_EQ(gInfoMessage, 1);
  EXPECT_FLOAT_EQ(gInfoMessageUntil, 12.0f);
  special(GLUT_KEY_F1);
  EXPECT_EQ(gShowHelp, 0);
  EXPECT_EQ(gInfoMessage, 2);

  special(GLUT_KEY_F2);
  EXPECT_EQ(gShowFrameRate, 1);
  EXPECT_EQ(gFrameRateFrames, 0);
  EXPECT_EQ(gInfoMessage, 3);

  // The ghost's switch is a function key: a letter would share the arrows' entries.
  ASSERT_EQ(gShowGhost, 1);
  special(GLUT_KEY_F11);
  EXPECT_EQ(gShowGhost, 0);
  EXPECT_EQ(gInfoMessage, 23);
  special(GLUT_KEY_F11);
  EXPECT_EQ(gShowGhost, 1);
  EXPECT_EQ(gInfoMessage, 22);
  EXPECT_EQ(gKeys[GLUT_KEY_F11], 0);

  special(GLUT_KEY_F3);
  EXPECT_EQ(gWireframe, 1);
  EXPECT_EQ(gHudWireframe, 1);
  EXPECT_EQ(gInfoMessage, 5);
  special(GLUT_KEY_F3);
  EXPECT_EQ(gHudWireframe, 0);
  EXPECT_EQ(gInfoMessage, 6);

  special(GLUT_KEY_F4);
  EXPECT_EQ(gTexFiltering, 0);
  EXPECT_EQ(gInfoMessage, 7);
  special(GLUT_KEY_F5);
  EXPECT_EQ(gMipmapping, 0);
  EXPECT_EQ(gInfoMessage, 9);
  special(GLUT_KEY_F8);
  EXPECT_EQ(gFrustumCulling, 0);
  EXPECT_EQ(gInfoMessage, 16);
  special(GLUT_KEY_F9);
  EXPECT_EQ(gBlendOverride, 1);
  EXPECT_EQ(gInfoMessage, 18);
  special(GLUT_KEY_F10);
  EXPECT_EQ(gAnisotropic, 0);
  EXPECT_EQ(gInfoMessage, 20);
  // Function keys never touch the held-key table.
  for (int k = GLUT_KEY_F1; k <= GLUT_KEY_F10; ++k) EXPECT_EQ(gKeys[k], 0) << k;
}

TEST_F(Keys, RenderPathCyclesBackToZeroAndListsToggle) {
  special(GLUT_KEY_F6);
  EXPECT_EQ(gRenderPath, 1);
  EXPECT_EQ(gInfoMessage, 11);
  special(GLUT_KEY_F6);
  EXPECT_EQ(gRenderPath, 2);
  EXPECT_EQ(gInfoMessage, 12);
  special(GLUT_KEY_F6);
  EXPECT_EQ(gRenderPath, 0);
  EXPECT_EQ(gInfoMessage, 13);
  gRenderPath = 7;  // any other value goes back to 0
  special(GLUT_KEY_F6);
  EXPECT_EQ(gRenderPath, 0);
  special(GLUT_KEY_F7);
  EXPECT_EQ(gDisplayLists, 1);
  EXPECT_EQ(gInfoMessage, 15);
  special(GLUT_KEY_F7);
  EXPECT_EQ(gDisplayLists, 0);
  EXPECT_EQ(gInfoMessage, 14);
}

TEST_F(Keys, TwoStateSwitchesIgnoreOtherValues) {
  gShowHelp = 5;
  special(GLUT_KEY_F1);
  EXPECT_EQ(gShowHelp, 5);
  EXPECT_EQ(gInfoMessage, 0);
}

TEST_F(Keys, NameEntryTakesLettersUpToSeventeen) {
  oweName();
  for (char c : std::string("AbcMm")) press(static_cast<unsigned char>(c));
  EXPECT_EQ(gCurrentResult.name, "abcMm");
  EXPECT_EQ(gKeys['A'], 0);
  press('1');  // not a letter: only the key table
  EXPECT_EQ(gKeys['1'], 1);
  EXPECT_EQ(gCurrentResult.name, "abcMm");
  for (int i = 0; i < 13; ++i) press('z');
  EXPECT_EQ(gCurrentResult.name.size(), 17u);
  press('q');  // the eighteenth letter only sets its key entry
  EXPECT_EQ(gCurrentResult.name.size(), 17u);
  EXPECT_EQ(gKeys['q'], 1);
  press(8);
  EXPECT_EQ(gCurrentResult.name.size(), 16u);
  EXPECT_EQ(gKeys[8], 0);
}

TEST_F(Keys, BackspaceOnAnEmptyNameChangesNothing) {
  oweName();
  press(8);
  EXPECT_EQ(gCurrentResult.name, "");
  EXPECT_EQ(gKeys[8], 0);
}

TEST_F(Keys, LettersWithoutAnOwedNameOnlySetKeys) {
  gHighScoreScreen.active = true;
  gHighScoreRank = 11;  // not placed
  gCurrentResult.totalTime = 200;
  press('a');
  EXPECT_EQ(gCurrentResult.name, "");
  EXPECT_EQ(gKeys['a'], 1);
  press(8);
  EXPECT_EQ(gKeys[8], 1);
}

TEST_F(Keys, EnterWithAnOwedEmptyNameOnlySetsItsKey) {
  oweName();
  press(13);
  EXPECT_TRUE(gHighScoreScreen.active);
  EXPECT_FALSE(gTitle.active);
  EXPECT_EQ(gKeys[13], 1);
}

TEST_F(Keys, EnterOnTheTableWithoutResultReturnsToTitleWithoutWriting) {
  char dir[] = "/tmp/fivelaps-keys-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  std::string old = std::string(getenv("PWD") ? getenv("PWD") : ".");
  ASSERT_EQ(chdir(dir), 0);
  gHighScoreScreen.active = true;
  gTitle.loadPending = true;
  press(13);
  EXPECT_TRUE(gTitle.active);
  EXPECT_FALSE(gTitle.loadPending);
  EXPECT_FALSE(gTitle.inputReady);
  EXPECT_FALSE(gHighScoreScreen.active);
  EXPECT_NE(access("HighScore5.hs", F_OK), 0) << "no result: the table is not written";
  ASSERT_EQ(chdir(old.c_str()), 0);
  rmdir(dir);
}

// freeglut gives a release as the character the modifiers make at that
// moment: 1 pressed, then Shift, comes up as '!'; r pressed, then Ctrl, as
// 18. The key that went down is let go all the same.
TEST_F(Keys, AReleaseLetsGoOfItsKeyWhateverTheModifiersDidMeanwhile) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs the display's keyboard map";
  const Controls before = gControls;
  gControls.keys[kAccelerate][0] = keyByName("1");
  gControls.keys[kReverse][0] = keyByName("Delete");
  auto held = [](DriveAction a) { return (heldActions(gKeys, gControls) & driveBit(a)) != 0; };
  const struct {
    unsigned char down;
    int modifier;
    unsigned char up;
    DriveAction action;
  } cases[] = {{'1', GLUT_KEY_SHIFT_L, '!', kAccelerate},
               {'r', GLUT_KEY_CTRL_L, 18, kLift},
               {'c', GLUT_KEY_CTRL_R, 3, kCamera}};
  for (const auto& c : cases) {
    press(c.down);
    special(c.modifier);
    keysSeen();
    ASSERT_TRUE(held(c.action)) << c.down;
    onKeyUp(c.up, 0, 0);
    onSpecialUp(c.modifier, 0, 0);
    EXPECT_FALSE(held(c.action)) << int{c.down} << " came up as " << int{c.up};
  }
  press(127);  // Delete, as freeglut delivers it
  EXPECT_TRUE(held(kReverse));
  onKeyUp(127, 0, 0);
  keysSeen();
  EXPECT_FALSE(held(kReverse));
  gControls = before;
}

// Going back with a name owed shows the table again: the result stands in it
// once, whatever the file held (nothing, a few results, ten), by keys and by
// the pad's east button and Back.
TEST_F(Keys, GoingBackWithANameOwedNeverEntersTheResultTwice) {
  char dir[] = "/tmp/fivelaps-keys-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string home = std::getenv("PWD") ? std::getenv("PWD") : ".";
  ASSERT_EQ(chdir(dir), 0);
  ASSERT_TRUE(platform::openPads());
  const int pad = platform::attachVirtualPad();
  ASSERT_GE(pad, 0);
  readPadForMenu();  // finds the pad
  auto padPress = [pad](platform::PadButton b) {
    platform::setVirtualPadButton(pad, b, true);
    readPadForMenu();
    platform::setVirtualPadButton(pad, b, false);
    readPadForMenu();
  };
  for (int results : {-1, 3, 10, -2}) {
    std::remove(kHighScoreFile);
    if (results >= 0) {
      std::FILE* f = std::fopen(kHighScoreFile, "w");
      for (int i = 0; i < results; ++i) std::fprintf(f, "old%c %d\n", 'a' + i, 100 + 10 * i);
      std::fclose(f);
    }
    for (HighScoreEntry& e : gHighScores) e = HighScoreEntry{};
    readHighScores();
    gCurrentResult = HighScoreEntry{};
    gCurrentResult.totalTime = 150.5f;
    gTitle.active = false;  // a race finished
    enterHighScores(true);
    drawHighScoreScreen();  // each frame puts the result in its place
    for (platform::PadButton back : {platform::kPadEast, platform::kPadBack}) {
      if (results == -2)
        padPress(back);
      else
        press(27);
      drawHighScoreScreen();
    }
    EXPECT_TRUE(gHighScoreScreen.active);
    press('a');
    testing::internal::CaptureStdout();
    press(13);
    testing::internal::GetCapturedStdout();
    std::FILE* f = std::fopen(kHighScoreFile, "r");
    ASSERT_NE(f, nullptr);
    int entries = 0;
    char line[512];
    while (std::fgets(line, sizeof line, f)) entries += std::strstr(line, " 150.5") != nullptr;
    std::fclose(f);
    EXPECT_EQ(entries, 1) << (results < 0 ? 0 : results) << " results in the file before, "
                          << (results == -2 ? "by the pad" : "by keys");
    EXPECT_TRUE(gTitle.active);
  }
  platform::detachVirtualPad(pad);
  std::remove(kHighScoreFile);
  ASSERT_EQ(chdir(home.c_str()), 0);
  rmdir(dir);
}

TEST_F(Keys, EscapeOnTheTitleEndsTheProgram) {
  gTitle.active = true;
  gQuitRequested = false;
  press(27);
  EXPECT_TRUE(gQuitRequested);
  EXPECT_FALSE(gHighScoreScreen.active);
  gQuitRequested = false;
  gTitle.loadPending = true;  // the loading screen too
  press(27);
  EXPECT_TRUE(gQuitRequested);
}

}  // namespace
