// Keys of your own: Controls.txt read and written, the keys it names driving,
// modifier keys kept out of the letters, and a pad's travel as the car uses it.
#include <GL/freeglut.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "shell/game.h"

namespace fs = std::filesystem;

namespace {

Controls readText(const std::string& text, std::vector<std::string>& complaints) {
  Controls c;
  std::FILE* f = std::tmpfile();
  std::fwrite(text.data(), 1, text.size(), f);
  std::rewind(f);
  readControlsStream(f, c, complaints);
  std::fclose(f);
  return c;
}

std::string wholeFile(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

uint16_t held(std::initializer_list<int> entries, const Controls& c = Controls()) {
  unsigned char keys[kKeyTableSize] = {};
  for (int e : entries) keys[e] = 1;
  return heldActions(keys, c);
}

TEST(ControlsFile, TheDefaultFileIsTheGamesOwnKeys) {
  const Controls defaults;
  std::FILE* f = std::tmpfile();
  ASSERT_TRUE(writeControlsStream(f, defaults));
  std::rewind(f);
  Controls back;
  back.keys[kLift][0] = {'x'};
  std::vector<std::string> complaints;
  readControlsStream(f, back, complaints);
  std::fclose(f);
  EXPECT_TRUE(complaints.empty()) << complaints.front();
  for (int a = 0; a < kDriveActionCount; ++a)
    for (int k = 0; k < kKeysPerAction; ++k) EXPECT_EQ(back.keys[a][k], defaults.keys[a][k]) << a;
  EXPECT_EQ(back.pad.deadZonePercent, 12);
  // Today's keys: the arrows (and d to g, which share their entries), Space, r and R, c and C.
  EXPECT_EQ(held({GLUT_KEY_UP, ' ', 'R', 'C'}), driveBit(kAccelerate) | driveBit(kHandbrake) | driveBit(kLift) | driveBit(kCamera));
  EXPECT_EQ(held({'d', 'g'}), driveBit(kSteerLeft) | driveBit(kReverse));
  EXPECT_EQ(held({'E', 'p', 'w', 13}), 0);
}

TEST(ControlsFile, ABadLineIsNamedAndItsActionKeepsItsKeys) {
  std::vector<std::string> complaints;
  const Controls c = readText(
      "# mine\n"
      "accelerate w Up\n"               // 2: two keys
      "handbrake LeftShift\r\n"         // 3: a modifier of its own, a line from Windows
      "accelerat Up\n"                  // 4: no such action
      "lift Ctrl\n"                     // 5: no such key
      "reverse s S Down\n"              // 6: three keys
      "camera Escape\n"                 // 7: acts at once, drives nothing
      "accelerate x\n"                  // 8: a second line
      "pad-curve 2.5\n"                 // 9
      "pad-dead-zone 80\n"              // 10: beyond half the travel
      "steer-left \x01\xff\n" +         // 11: bytes of no key
          std::string(300, 'q') + "\n"  // 12: too long
      "\n   \t\n"
      "steer-right l\n",                // 15
      complaints);
  EXPECT_EQ(held({'w'}, c), driveBit(kAccelerate));
  EXPECT_EQ(held({'W'}, c), driveBit(kAccelerate)) << "a letter is its key with Shift too";
  EXPECT_EQ(held({GLUT_KEY_UP}, c), driveBit(kAccelerate));
  EXPECT_EQ(held({specialKeyEntry(GLUT_KEY_SHIFT_L)}, c), driveBit(kHandbrake));
  EXPECT_EQ(held({' '}, c), 0) << "Space no longer brakes";
  EXPECT_EQ(held({'l'}, c), driveBit(kSteerRight));
  EXPECT_EQ(held({'r', 'c', GLUT_KEY_DOWN, GLUT_KEY_LEFT}, c),
            driveBit(kLift) | driveBit(kCamera) | driveBit(kReverse) | driveBit(kSteerLeft));
  EXPECT_EQ(c.pad.curve, 2.5);
  EXPECT_EQ(c.pad.deadZonePercent, 12);
  const std::vector<std::string> expected = {
      "Controls.txt line 4 not understood: \"accelerat\" is no action; the line is ignored",
      "Controls.txt line 5 not understood: \"Ctrl\" is no key to drive with; lift keeps r",
      "Controls.txt line 6 not understood: reverse takes one or two keys; reverse keeps Down",
      "Controls.txt line 7 not understood: \"Escape\" is no key to drive with; camera keeps c",
      "Controls.txt line 8 not understood: accelerate has a line already; accelerate keeps w Up",
      "Controls.txt line 10 not understood: pad-dead-zone takes a number from 0 to 50; it stays 12",
      "Controls.txt line 11 not understood: \"??\" is no key to drive with; steer-left keeps Left",
      "Controls.txt line 12 not understood: too long; the line is ignored",
  };
  EXPECT_EQ(complaints, expected);
}

// Restart and pause came after many a player's file: a key that file gives a
// driving action keeps that job alone, unless the file names it for them too.
TEST(ControlsFile, RestartAndPauseGiveWayToAPlayersDrivingKeys) {
  std::vector<std::string> complaints;
  const Controls old = readText("accelerate p\nlift Backspace\n", complaints);
  EXPECT_TRUE(complaints.empty());
  EXPECT_EQ(held({'p'}, old), driveBit(kAccelerate));
  EXPECT_FALSE(isKeyOf(old, kPause, 'p'));
  EXPECT_FALSE(isKeyOf(old, kRestart, 8));
  const Controls both = readText("accelerate p\npause p F12\nrestart Tab\n", complaints);
  EXPECT_TRUE(isKeyOf(both, kPause, 'P') && isKeyOf(both, kPause, 12));
  EXPECT_TRUE(isKeyOf(both, kRestart, 9) && !isKeyOf(both, kRestart, 8));
  EXPECT_EQ(held({'p'}, both), driveBit(kAccelerate));
  EXPECT_TRUE(isKeyOf(Controls(), kRestart, 8) && isKeyOf(Controls(), kPause, 'p'));
}

// The options screen rewrites Controls.txt: the player's own comments stay,
// once, however often it saves, and the game's own are never doubled.
TEST(ControlsFile, ASaveKeepsThePlayersOwnComments) {
  const std::string mine = "# my pad is old\naccelerate w\n# w is easier\r\n";
  std::FILE* before = std::tmpfile();
  std::fputs(mine.c_str(), before);
  std::rewind(before);
  Controls c;
  c.keys[kAccelerate][0] = keyByName("w");
  std::FILE* once = std::tmpfile();
  ASSERT_TRUE(writeControlsKeepingNotes(once, c, before));
  std::rewind(once);
  std::FILE* twice = std::tmpfile();
  ASSERT_TRUE(writeControlsKeepingNotes(twice, c, once));
  std::rewind(twice);
  std::string text;
  for (int ch; (ch = std::fgetc(twice)) != EOF;) text += static_cast<char>(ch);
  auto count = [&text](const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count("# my pad is old\n"), 1u);
  EXPECT_EQ(count("# w is easier\n"), 1u);
  EXPECT_EQ(count("# Five Laps controls"), 1u);
  EXPECT_EQ(count("# Your own notes"), 1u);
  std::vector<std::string> complaints;
  const Controls back = readText(text, complaints);
  EXPECT_TRUE(complaints.empty());
  EXPECT_EQ(held({'w'}, back), driveBit(kAccelerate));
  for (std::FILE* f : {before, once, twice}) std::fclose(f);
}

// The game writes Controls.txt only where there is none; the player's own,
// good or bad, is never written over.
TEST(ControlsFile, WrittenOnlyWhenThereIsNone) {
  const fs::path home = fs::current_path();
  const fs::path dir = fs::temp_directory_path() / ("fivelaps-controls-" + std::to_string(getpid()));
  fs::create_directories(dir / "mine");
  fs::current_path(dir);
  // Through a link to a file not yet there: the link stays and names the new file.
  fs::create_symlink("mine/controls", "Controls.txt");
  testing::internal::CaptureStdout();
  loadControls();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_TRUE(fs::is_symlink("Controls.txt"));
  const std::string written = wholeFile("mine/controls");
  EXPECT_NE(written.find("\naccelerate Up\n"), std::string::npos) << written;

  const std::string mine = "accelerate w\nlift nothing\n";
  std::ofstream("mine/controls") << mine;
  chmod("mine/controls", 0400);
  testing::internal::CaptureStdout();
  loadControls();
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Controls.txt line 2 not understood: \"nothing\" is no key to drive with; lift keeps r\n");
  EXPECT_EQ(wholeFile("mine/controls"), mine);
  EXPECT_EQ(fs::status("mine/controls").permissions(), fs::perms::owner_read);
  EXPECT_EQ(gControls.keys[kAccelerate][0].entry, 'w');

  fs::remove("Controls.txt");
  fs::create_directory("Controls.txt");  // no file to read: the game's own keys, and nothing written
  testing::internal::CaptureStdout();
  loadControls();
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Controls.txt is no file the game can read; the keys are the game's own\n");
  EXPECT_EQ(gControls.keys[kAccelerate][0].entry, GLUT_KEY_UP);
  fs::current_path(home);
  fs::remove_all(dir);
}

// A NUL byte is a character of its line: that line is named as not
// understood, and the next one is read and numbered as the file has it.
TEST(ControlsFile, ANulByteKeepsTheNextLineAndTheLineNumbers) {
  const fs::path home = fs::current_path();
  const fs::path dir = fs::temp_directory_path() / ("fivelaps-controls-nul-" + std::to_string(getpid()));
  fs::create_directories(dir);
  fs::current_path(dir);
  std::ofstream("Controls.txt") << std::string("accelerate w\0x\nlift t\nbogus\n", 28);
  testing::internal::CaptureStdout();
  loadControls();
  const std::string said = testing::internal::GetCapturedStdout();
  fs::current_path(home);
  fs::remove_all(dir);
  EXPECT_EQ(said,
            "Controls.txt line 1 not understood: \"w?x\" is no key to drive with; accelerate keeps Up\n"
            "Controls.txt line 3 not understood: \"bogus\" is no action; the line is ignored\n");
  EXPECT_EQ(gControls.keys[kLift][0].entry, 't');
}

// freeglut gives Shift, Ctrl and Alt the codes of p to u: left Ctrl lifted
// the car. They have entries of their own now; the arrows still share d to g.
// The options screen binds a key only as Controls.txt can write it, keeps
// the keys that have jobs of their own, and finds a key another action holds
// even through the arrows' shared entries; a swap writes and reads back.
TEST(ControlsFile, KeysBoundOnTheScreenFollowTheFilesRules) {
  std::string why;
  for (int code : {27, 1, 18}) {  // Escape, Ctrl+A, Ctrl+R
    EXPECT_EQ(pressedKey(code, false, why).entry, kNoKey) << code;
    EXPECT_FALSE(why.empty()) << code;
  }
  EXPECT_EQ(pressedKey(GLUT_KEY_F5, true, why).entry, kNoKey);
  EXPECT_EQ(why, "F1 to F11 keep their jobs");
  EXPECT_EQ(pressedKey(200, false, why).entry, kNoKey);  // a Latin-1 character: no name to write
  EXPECT_EQ(pressedKey('W', false, why), (BoundKey{'w', true}));
  EXPECT_EQ(pressedKey(GLUT_KEY_F12, true, why), (BoundKey{12}));
  EXPECT_EQ(pressedKey(GLUT_KEY_SHIFT_L, true, why), keyByName("LeftShift"));

  Controls c;
  int holder = -1, slot = -1;
  ASSERT_TRUE(keyHolder(c, pressedKey('E', false, why), kLift, 1, holder, slot));  // e is Up's entry
  EXPECT_EQ(holder, kAccelerate);
  EXPECT_FALSE(keyHolder(c, pressedKey('q', false, why), kLift, 1, holder, slot));
  ASSERT_TRUE(keyHolder(c, pressedKey('r', false, why), kCamera, 0, holder, slot));
  swapKeys(c, kCamera, 0, holder, slot);
  EXPECT_EQ(keyName(c.keys[kCamera][0]), "r");
  EXPECT_EQ(keyName(c.keys[kLift][0]), "c");

  std::FILE* f = std::tmpfile();
  ASSERT_TRUE(writeControlsStream(f, c));
  std::rewind(f);
  Controls back;
  std::vector<std::string> complaints;
  readControlsStream(f, back, complaints);
  std::fclose(f);
  EXPECT_TRUE(complaints.empty());
  for (int a = 0; a < kControlActionCount; ++a)
    for (int k = 0; k < kKeysPerAction; ++k) EXPECT_EQ(back.keys[a][k], c.keys[a][k]) << actionName(a);
}

TEST(KeyTable, ModifierKeysNeverActAsLetters) {
  for (int code = GLUT_KEY_NUM_LOCK; code <= GLUT_KEY_SUPER_R; ++code) {
    keysSeen();
    onSpecialDown(code, 0, 0);
    EXPECT_EQ(gKeys[code], 0) << code;
    EXPECT_EQ(gKeys[specialKeyEntry(code)], 1) << code;
    EXPECT_EQ(heldActions(gKeys, Controls()), 0) << code;
    keysSeen();
    onSpecialUp(code, 0, 0);
    EXPECT_EQ(gKeys[specialKeyEntry(code)], 0) << code;
  }
  EXPECT_EQ(specialKeyEntry(GLUT_KEY_LEFT), 'd');
}

// Shift let go before the letter: the letter comes up in the other case,
// and must still let go of the one that went down.
TEST(KeyTable, LettingGoOfALetterLetsGoOfBothCases) {
  keysSeen();
  onKeyDown('R', 0, 0);
  keysSeen();
  onKeyUp('r', 0, 0);
  EXPECT_EQ(gKeys['R'], 0);
  EXPECT_EQ(heldActions(gKeys, Controls()), 0);
}

TEST(PadTravel, TheDeadZoneIsLeftOutAndTheRestStretched) {
  const PadTuning straight;
  EXPECT_EQ(analogShare(0.0f, straight), 0);
  EXPECT_EQ(analogShare(0.12f, straight), 0);
  EXPECT_EQ(analogShare(-0.11f, straight), 0);
  EXPECT_EQ(analogShare(0.545f, straight), 500);
  EXPECT_EQ(analogShare(-0.545f, straight), -500);
  EXPECT_EQ(analogShare(0.97f, straight), kAnalogSteps) << "a worn stick reaches all the way";
  EXPECT_EQ(analogShare(1.0f, straight), kAnalogSteps);
  EXPECT_EQ(analogShare(-1.0f, straight), -kAnalogSteps);
  EXPECT_EQ(analogShare(0.0f / 0.0f, straight), 0);
  PadTuning curved;
  curved.curve = 2;
  EXPECT_EQ(analogShare(0.545f, curved), 250);
  EXPECT_EQ(analogShare(1.0f, curved), kAnalogSteps);
}

}  // namespace
