// The one-time initialisation with no data at all: it must finish, name every
// missing picture and leave the fixed GL state and option defaults in place.
#include <gtest/gtest.h>

#include <GL/glew.h>

#include <cstdio>
#include <string>

#include "gl_test_window.h"
#include "race/race.h"
#include "render/model.h"
#include "render/render.h"
#include "shell/game.h"
#include "ui/ui.h"

namespace {

TEST(InitGame, CompletesWithEveryDataFileMissing) {
  ASSERT_TRUE(gltest::openWindow(256, 256));
  gltest::enterScratchDirectory();
  testing::internal::CaptureStdout();
  initGame();
  std::fflush(stdout);
  const std::string out = testing::internal::GetCapturedStdout();

  for (const char* picture :
       {"HighScoreBackground", "Characters", "HighScorePrompts", "Loading", "Menue01", "Menue02", "Menue03", "Numbers",
        "Info", "Speedindicator", "Laps", "Nadel", "Go", "Help"}) {
    const std::string line = std::string("File Data/Textures/") + picture + ".tga not found\n";
    EXPECT_NE(out.find(line), std::string::npos) << line;
  }
  EXPECT_NE(out.find("File Data\\Textures\\Dark.jpg not found\n"), std::string::npos);
  // High-score pictures first, then the title's, then the HUD's.
  EXPECT_LT(out.find("HighScoreBackground"), out.find("Loading.tga"));
  EXPECT_LT(out.find("Menue03"), out.find("Numbers.tga"));

  EXPECT_TRUE(gTitle.active);
  EXPECT_NE(gTitle.texMenuExit, 0u);
  EXPECT_NE(gTitle.texMenuExit, gTitle.texMenuStart);
  EXPECT_EQ(gSkyModel.shapeCount, 0);
  EXPECT_NE(gEnvFramebuffer, 0u);
  EXPECT_EQ(gRenderPath, 0);
  EXPECT_EQ(gTexFiltering, 1);
  EXPECT_EQ(gWorld.track.mipmapping, 1);
  EXPECT_EQ(gWheelModel.anisotropyMode, 1);
  EXPECT_GE(gWorld.palm.maxAnisotropy, 1.0f);  // every model, not only track and sky
  EXPECT_EQ(gWorld.palm.maxAnisotropy, gWorld.track.maxAnisotropy);
  EXPECT_EQ(gCarModel.maxAnisotropy, gSkyModel.maxAnisotropy);
  // The test display renders in software, where the maximum level would make
  // each race frame last tens of seconds: plain filtering there.
  const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  if (renderer && std::string(renderer).find("llvmpipe") != std::string::npos) {
    EXPECT_EQ(gWorld.track.maxAnisotropy, 1.0f);
  }
  EXPECT_EQ(gCameraDistance, 250.0f);

  EXPECT_TRUE(glIsEnabled(GL_FOG));
  GLfloat fogEnd = 0, light[4] = {};
  glGetFloatv(GL_FOG_END, &fogEnd);
  EXPECT_EQ(fogEnd, 30000.0f);
  glGetLightfv(GL_LIGHT1, GL_POSITION, light);
  EXPECT_EQ(light[0], -10000.0f);
  EXPECT_TRUE(glIsEnabled(GL_LIGHT1));
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
  GLint depthFunc = 0, blendSource = 0;
  glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
  glGetIntegerv(GL_BLEND_SRC, &blendSource);
  EXPECT_EQ(depthFunc, GL_LEQUAL);
  EXPECT_EQ(blendSource, GL_SRC_ALPHA);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
