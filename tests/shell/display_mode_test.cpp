// The visual the game's display mode gets from the real X server: a sample
// count of 1 from Config.txt means no multisampling, 4 means four samples.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "shell/game.h"

namespace {

GLint samplesOfGameModeVisual(int configured) {
  gScreenWidth = 1024;
  gScreenHeight = 786;
  gColorBits = 32;
  gRefreshRate = 60;
  gSamples = configured;
  enterDisplayMode();
  GLint samples = -1;
  glGetIntegerv(GL_SAMPLES, &samples);
  glutLeaveGameMode();
  return samples;
}

TEST(DisplayMode, SampleCountFromConfigReachesTheVisual) {
  const char* display = std::getenv("DISPLAY");
  ASSERT_TRUE(display && *display) << "needs an X server (scripts/test starts one)";
  int argc = 1;
  char name[] = "display-mode-test";
  char* argv[] = {name, nullptr};
  glutInit(&argc, argv);
  EXPECT_EQ(samplesOfGameModeVisual(1), 0);
  EXPECT_EQ(samplesOfGameModeVisual(4), 4);
  EXPECT_EQ(samplesOfGameModeVisual(0), 0);
}

}  // namespace
