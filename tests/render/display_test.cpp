// Model drawing, textures and the reflection framebuffer on a real GL context.
#include <gtest/gtest.h>

#include <GL/glew.h>

#include <cstdio>
#include <string>
#include <vector>

#include "gl_test_window.h"
#include "model_text.h"
#include "race/race.h"
#include "render/model.h"
#include "render/render.h"
#include "shell/game.h"

using gltest::Rgb;
using modeltext::ShapeText;
using modeltext::shapeText;

namespace {

const int kSize = 128;

class RenderDisplay : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!gltest::openWindow(kSize, kSize)) FAIL() << "no GL window";
    gltest::enterScratchDirectory();
    glViewport(0, 0, kSize, kSize);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1, 1, -1, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1, 1, 1, 1);
  }

  void clear() {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  }
};

// A square of (x0, y0)-(x1, y1) in the z = 0 plane facing the viewer.
ShapeText square(float x0, float y0, float x1, float y1) {
  ShapeText t;
  char points[256];
  std::snprintf(points, sizeof points, "%g %g 0,\n%g %g 0,\n%g %g 0,\n%g %g 0,\n", x0, y0, x1, y0, x1,
                y1, x0, y1);
  t.points = points;
  t.normals = "0 0 1,\n";
  return t;
}

std::vector<uint32_t> markedImage(int side, uint32_t mark, uint32_t rest) {
  std::vector<uint32_t> pixels(side * side, rest);
  pixels[0] = mark;  // top-left
  return pixels;
}

bool near(Rgb a, Rgb b, int tolerance = 8) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance;
}

TEST_F(RenderDisplay, EveryRenderPathDrawsTheSameImage) {
  // Checker with holes of alpha 0 that the alpha test must cut out.
  std::vector<uint32_t> checker(8 * 8);
  for (int i = 0; i < 64; ++i) checker[i] = ((i / 8 + i % 8) % 2) ? 0xffd06080u : 0x20ff4000u;
  gltest::writeTga("Data/Textures/Check.tga", 8, 8, checker, 32, false);
  ShapeText red = square(-0.9f, -0.9f, -0.1f, -0.1f);
  red.material = "      diffuseColor 1 0 0\n    }\n";
  ShapeText glass = square(0.1f, -0.9f, 0.9f, -0.1f);
  glass.name = "Glass";
  glass.material = "      diffuseColor 0 1 0\n      # spacer\n      transparency 0.5\n    }\n";
  ShapeText skin = square(-0.9f, 0.1f, 0.9f, 0.9f);
  skin.name = "Skin";
  skin.material = "      diffuseColor 1 1 1\n    }\n";
  skin.texture = "Data/Textures/Check.tga";
  gltest::writeFile("Paths.wrl", shapeText(red) + shapeText(glass) + shapeText(skin));

  Model model;
  model.load("Paths.wrl");
  ASSERT_EQ(model.shapeCount, 3);
  EXPECT_FALSE(model.shapes[2].opaqueTexels);
  model.linearFiltering = 0;
  model.mipmapping = 0;
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  struct Path { int renderMode, useDisplayLists; };
  const Path paths[] = {{0, 0}, {1, 0}, {2, 0}, {2, 1}, {3, 0}};
  std::vector<uint8_t> reference;
  for (const Path& path : paths) {
    model.renderMode = path.renderMode;
    model.useDisplayLists = path.useDisplayLists;
    clear();
    model.draw(true, -1, 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "path " << path.renderMode;
    std::vector<uint8_t> image = gltest::readBack(kSize, kSize);
    if (reference.empty()) {
      reference = image;
      continue;
    }
    int differing = 0;
    for (size_t i = 0; i < image.size(); ++i) differing += std::abs(image[i] - reference[i]) > 2;
    EXPECT_EQ(differing, 0) << "path " << path.renderMode << " lists " << path.useDisplayLists;
  }
  glDisable(GL_LIGHTING);
  // The reference itself shows every pass: lit red, half-transparent green,
  // the checker with its transparent texels cut out.
  Rgb redPixel = gltest::pixelAt(reference, kSize, kSize / 4, kSize / 4);
  Rgb glassPixel = gltest::pixelAt(reference, kSize, kSize * 3 / 4, kSize / 4);
  EXPECT_GT(redPixel.r, 100);
  EXPECT_LT(redPixel.g, 20);
  EXPECT_GT(glassPixel.g, 30);
  EXPECT_LT(glassPixel.g, redPixel.r);
  int holes = 0, texels = 0;
  for (int x = kSize / 20; x < kSize * 19 / 20; ++x) {
    Rgb p = gltest::pixelAt(reference, kSize, x, kSize * 3 / 4);
    holes += p.r == 0 && p.g == 0 && p.b == 0;
    texels += p.r > 60 && p.b > 20;
  }
  EXPECT_GT(holes, 20);
  EXPECT_GT(texels, 20);
}

TEST_F(RenderDisplay, TexturesAreUprightInEveryStoredLayout) {
  const uint32_t kRed = 0xff0000ffu, kBlue = 0x0000ffffu;
  struct Layout { int bits; bool topDown; const char* file; };
  const Layout layouts[] = {{32, false, "Data/Textures/Up32.tga"},
                            {32, true, "Data/Textures/Down32.tga"},
                            {24, false, "Data/Textures/Up24.tga"}};
  for (const Layout& layout : layouts) {
    gltest::writeTga(layout.file, 4, 4, markedImage(4, kRed, kBlue), layout.bits, layout.topDown);
    ShapeText quad = square(-1, -1, 1, 1);
    quad.texture = layout.file;
    gltest::writeFile("Quad.wrl", shapeText(quad));
    Model model;
    model.load("Quad.wrl");
    ASSERT_EQ(model.shapeCount, 1);
    model.renderMode = 1;
    clear();
    model.draw(false, -1, 0);
    std::vector<uint8_t> image = gltest::readBack(kSize, kSize);
    EXPECT_TRUE(near(gltest::pixelAt(image, kSize, 4, kSize - 5), {255, 0, 0})) << layout.file;
    EXPECT_TRUE(near(gltest::pixelAt(image, kSize, 4, 4), {0, 0, 255})) << layout.file;
    EXPECT_TRUE(near(gltest::pixelAt(image, kSize, kSize - 5, kSize - 5), {0, 0, 255})) << layout.file;
  }
}

TEST_F(RenderDisplay, TexturesAreSharedOnlyWithTheDirectPredecessor) {
  gltest::writeTga("Data/Textures/Same.tga", 2, 2, markedImage(2, 0xff0000ffu, 0x00ff00ffu), 32, false);
  ShapeText a = square(-1, -1, 0, 0);
  a.texture = "Data/Textures/Same.tga";
  ShapeText plain = square(0, 0, 1, 1);
  ShapeText missing = a;
  missing.texture = "Data/Textures/Gone.tga";
  gltest::writeFile("Shared.wrl", shapeText(a) + shapeText(a) + shapeText(plain) + shapeText(a) +
                                       shapeText(missing));
  Model model;
  testing::internal::CaptureStdout();
  model.load("Shared.wrl");
  std::fflush(stdout);
  const std::string out = testing::internal::GetCapturedStdout();
  ASSERT_EQ(model.shapeCount, 5);
  const auto& s = model.shapes;
  EXPECT_EQ(s[1].texture, s[0].texture);
  EXPECT_EQ(s[1].mipmappedTexture, s[0].mipmappedTexture);
  EXPECT_TRUE(s[0].opaqueTexels && s[1].opaqueTexels);  // no alpha test needed on either
  EXPECT_NE(s[0].texture, s[0].mipmappedTexture);
  EXPECT_EQ(s[2].texture, 0u);
  EXPECT_NE(s[3].texture, s[0].texture);  // the untextured shape between breaks the sharing
  EXPECT_TRUE(glIsTexture(s[3].mipmappedTexture));
  EXPECT_EQ(out, "File Data/Textures/Gone.tga not found\nFile Data/Textures/Gone.tga not found\n");
}

TEST_F(RenderDisplay, ReflectionFramebufferTakesEveryCubeFace) {
  testing::internal::CaptureStdout();
  loadReflectionCubeMap();  // no Dark.jpg here: the faces still get their size
  loadExtensionEntryPoints();
  std::fflush(stdout);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "File Data\\Textures\\Dark.jpg not found\n");
  ASSERT_NE(gEnvFramebuffer, 0u);
  const GLenum faces[6] = {GL_TEXTURE_CUBE_MAP_NEGATIVE_Z, GL_TEXTURE_CUBE_MAP_NEGATIVE_Y,
                           GL_TEXTURE_CUBE_MAP_NEGATIVE_X, GL_TEXTURE_CUBE_MAP_POSITIVE_Z,
                           GL_TEXTURE_CUBE_MAP_POSITIVE_Y, GL_TEXTURE_CUBE_MAP_POSITIVE_X};
  glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, gEnvFramebuffer);
  for (int i = 0; i < 6; ++i) {
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, faces[i], gEnvCubeTexture, 0);
    glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT,
                                 gEnvDepthBuffer);
    ASSERT_EQ(glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE_EXT))
        << "face " << i;
    glViewport(0, 0, 256, 256);
    glClearColor(0.0f, 0.2f * i, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  }
  glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  glBindTexture(GL_TEXTURE_CUBE_MAP, gEnvCubeTexture);
  std::vector<uint8_t> face(256 * 256 * 3);
  for (int i = 0; i < 6; ++i) {
    GLint width = 0;
    glGetTexLevelParameteriv(faces[i], 0, GL_TEXTURE_WIDTH, &width);
    EXPECT_EQ(width, 256);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(faces[i], 0, GL_RGB, GL_UNSIGNED_BYTE, face.data());
    Rgb corner = gltest::pixelAt(face, 256, 255, 255);
    EXPECT_TRUE(near(corner, {0, static_cast<int>(0.2f * i * 255.0f + 0.5f), 255}, 2)) << "face " << i;
  }
}

TEST_F(RenderDisplay, ZeroScalePlacementSpoilsNothingAfterIt) {
  gltest::writeFile("Bush.wrl", shapeText(square(-0.1f, -0.1f, 0.1f, 0.1f)));
  gWorld.bush.load("Bush.wrl");
  gWorld.bush.shapes[0].diffuseColor[0] = 1.0f;
  Placement broken;
  broken.scaleX = 0;
  broken.scaleY = 1;
  broken.scaleZ = 1;
  Placement fine;
  fine.x = 0.5f;
  fine.y = 0.5f;
  fine.scaleX = fine.scaleY = fine.scaleZ = 1;
  gBushPlacements = {broken, fine};
  gFrustumCulling = 0;
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  clear();
  float before[16], after[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, before);
  gWorld.draw(true);
  glGetFloatv(GL_MODELVIEW_MATRIX, after);
  glDisable(GL_LIGHTING);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(after[i], before[i]);
  std::vector<uint8_t> image = gltest::readBack(kSize, kSize);
  EXPECT_GT(gltest::pixelAt(image, kSize, kSize * 3 / 4, kSize * 3 / 4).r, 100);
  gBushPlacements.clear();
  gWorld.bush = Model();
}

}  // namespace
