// Config.txt reading: the line tests, the three default cases and the buffer rules.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "shell/game.h"

namespace {

DisplaySettings read(const std::string& text, DisplaySettings start = {},
                     std::vector<std::string>* complaints = nullptr) {
  std::FILE* f = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
  EXPECT_NE(f, nullptr);
  readConfigStream(f, start, complaints);
  std::fclose(f);
  return start;
}

void expectSettings(const DisplaySettings& s, int w, int h, int bits, int rate, int samples) {
  EXPECT_EQ(s.width, w);
  EXPECT_EQ(s.height, h);
  EXPECT_EQ(s.colorBits, bits);
  EXPECT_EQ(s.refreshRate, rate);
  EXPECT_EQ(s.samples, samples);
}

TEST(Config, TypicalFiveLineFile) {
  expectSettings(read("[DisplayMode]\n1280x1024:32@75\n[AntiAliasing]\n4\nEOF\n"), 1280, 1024, 32, 75, 4);
}

TEST(Config, SectionsInEitherOrderAndOtherLinesIgnored) {
  expectSettings(read("# my settings\n[AntiAliasing]\n2\nnoise\n[DisplayMode]\n800x600:16@85\nEOF\n"), 800,
                 600, 16, 85, 2);
}

TEST(Config, PartialModeLineKeepsTheFieldsItDoesNotReach) {
  expectSettings(read("[DisplayMode]\n800x600\nEOF\n"), 800, 600, 0, 0, 0);
  expectSettings(read("[DisplayMode]\n640x480:24\n", {1, 2, 3, 4, 5}), 640, 480, 24, 4, 5);
  // The first field that does not parse stops the scan: nothing after it is taken.
  expectSettings(read("[DisplayMode]\n1024xabc:32@60\n", {9, 9, 9, 9, 9}), 1024, 9, 9, 9, 9);
}

TEST(Config, IntegerSyntaxFollowsPercentI) {
  // A leading 0 is octal and 0x hexadecimal, as the %i conversion reads them.
  expectSettings(read("[DisplayMode]\n0x400x0x300:040@074\n"), 1024, 768, 32, 60, 0);
}

TEST(Config, DisplayModeAsLastLineTakesModeDefaultsKeepsSamples) {
  expectSettings(read("[AntiAliasing]\n4\n[DisplayMode]\n"), 1024, 786, 32, 60, 4);
  expectSettings(read("[DisplayMode]"), 1024, 786, 32, 60, 0);
}

TEST(Config, AntiAliasingAsLastLineSetsOneSampleKeepsMode) {
  // No display mode at all: the mode stays 0x0:0@0, which the mode check rejects.
  expectSettings(read("[AntiAliasing]\n"), 0, 0, 0, 0, 1);
  expectSettings(read("[DisplayMode]\n800x600:32@60\n[AntiAliasing]\n"), 800, 600, 32, 60, 1);
}

TEST(Config, NoSectionLeavesSettingsAlone) {
  expectSettings(read(""), 0, 0, 0, 0, 0);
  expectSettings(read("hello\nworld\n"), 0, 0, 0, 0, 0);
}

TEST(Config, EofStopsReadingEvenOnAValueLine) {
  // The value line itself contains EOF: it is parsed, then reading ends.
  expectSettings(read("[DisplayMode]\n640x480:32@60 EOF\n[AntiAliasing]\n8\n"), 640, 480, 32, 60, 0);
  expectSettings(read("EOF\n[DisplayMode]\n640x480:32@60\n"), 0, 0, 0, 0, 0);
}

TEST(Config, ValueLineIsSeenByTheLaterTests) {
  // A mode line that also names the other section opens it: its value is the next line.
  expectSettings(read("[DisplayMode]\n800x600:32@60 [AntiAliasing]\n4\nEOF\n"), 800, 600, 32, 60, 4);
}

TEST(Config, LongLinesArriveInPieces) {
  // 254 characters fit the buffer; the rest of the line is read as a line of its own.
  std::string filler(254, '-');
  expectSettings(read(filler + "[DisplayMode]\n1280x1024:32@75\n"), 1280, 1024, 32, 75, 0);
  // The section name split across the piece boundary is not recognised.
  std::string split(250, '-');
  expectSettings(read(split + "[DisplayMode]\n1280x1024:32@75\n"), 0, 0, 0, 0, 0);
}

TEST(Config, HostileValuesSaturateInsteadOfOverflowing) {
  expectSettings(read("[DisplayMode]\n99999999999999999999x-99999999999999999999:-5@0\n[AntiAliasing]\n"
                      "123456789012345\n"),
                 2147483647, -2147483647 - 1, -5, 0, 2147483647);
  std::string garbage("\x01\xff\x00\x7f[DisplayMode]\n\xfe\xfd", 18);
  expectSettings(read(garbage), 0, 0, 0, 0, 0);
}

// The options screen's sections: written before EOF only when they are not
// the game's own (so an untouched file keeps its five lines), read back as
// written, and a bad value refused on its own line with the old value kept.
TEST(Config, AddedSectionsGoBeforeEofAndABadValueIsRefusedLineByLine) {
  std::FILE* f = std::tmpfile();
  ASSERT_TRUE(writeConfigStream(f, DisplaySettings{1024, 786, 32, 60, 1}));
  std::rewind(f);
  char text[256] = {};
  text[std::fread(text, 1, sizeof text - 1, f)] = 0;
  EXPECT_STREQ(text, "[DisplayMode]\n1024x786:32@60\n[AntiAliasing]\n1\nEOF\n");
  DisplaySettings chosen{800, 600, 32, 60, 4};
  chosen.screen = ScreenTaking::Window;
  chosen.frameRate = true;
  chosen.musicVolume = 3;
  chosen.effectsVolume = 0;
  std::rewind(f);
  ASSERT_EQ(ftruncate(fileno(f), 0), 0);
  ASSERT_TRUE(writeConfigStream(f, chosen));
  std::rewind(f);
  DisplaySettings back;
  std::vector<std::string> complaints;
  readConfigStream(f, back, &complaints);
  std::fclose(f);
  EXPECT_TRUE(complaints.empty());
  expectSettings(back, 800, 600, 32, 60, 4);
  EXPECT_EQ(back.screen, ScreenTaking::Window);
  EXPECT_TRUE(back.frameRate);
  EXPECT_EQ(back.musicVolume, 3);
  EXPECT_EQ(back.effectsVolume, 0);

  const DisplaySettings hostile = read(
      "[DisplayMode]\n640x480:32@60\n[Screen]\nfullscreen\n[MusicVolume]\n11\n[EffectsVolume]\n-1\n"
      "[FrameRate]\n\x01\xff\n[MusicVolume]\n4 EOF\n[EffectsVolume]\n2\n",
      chosen, &complaints);
  expectSettings(hostile, 640, 480, 32, 60, 4);
  EXPECT_EQ(hostile.screen, ScreenTaking::Window);
  EXPECT_EQ(hostile.effectsVolume, 0);  // -1 refused; the 2 comes after EOF
  EXPECT_EQ(hostile.musicVolume, 4);    // the value line with EOF is read, then reading ends
  ASSERT_EQ(complaints.size(), 4u);
  EXPECT_EQ(complaints[0], "Config.txt line 4 not understood: \"fullscreen\"; [Screen] takes exclusive, desktop or "
                           "window, it stays window");
  EXPECT_NE(complaints[1].find("line 6 not understood: \"11\""), std::string::npos) << complaints[1];
  EXPECT_NE(complaints[3].find("line 10 not understood: \"??\""), std::string::npos) << complaints[3];
  // A section on the file's last line leaves its value alone.
  EXPECT_EQ(read("[MusicVolume]", chosen).musicVolume, 3);
}

}  // namespace
