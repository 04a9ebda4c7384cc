#include "gl_test_window.h"

#include <GL/glew.h>
#include <GL/glut.h>
#include <IL/il.h>
#include <IL/ilu.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "render/render.h"

namespace gltest {

bool openWindow(int width, int height) {
  static bool open = false;
  if (open) return true;
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0') {
    ADD_FAILURE() << "DISPLAY is not set: these tests need an X server (scripts/test starts one)";
    return false;
  }
  int argc = 1;
  char name[] = "render-test";
  char* argv[] = {name, nullptr};
  glutInit(&argc, argv);
  glutInitDisplayMode(GLUT_RGBA | GLUT_DEPTH | GLUT_DOUBLE);
  glutInitWindowSize(width, height);
  glutCreateWindow("render test");
  ilInit();
  iluInit();
  open = initGlEntryPoints();
  EXPECT_TRUE(open) << "GLEW could not be initialised";
  return open;
}

namespace {

std::vector<std::string> gScratchDirectories;

void removeScratchDirectories() {
  std::error_code ignored;
  for (const std::string& dir : gScratchDirectories) std::filesystem::remove_all(dir, ignored);
}

}  // namespace

std::string enterScratchDirectory() {
  char pattern[] = "/tmp/fivelaps-render-XXXXXX";
  const char* dir = mkdtemp(pattern);
  EXPECT_NE(dir, nullptr);
  if (dir == nullptr) return "";
  if (gScratchDirectories.empty()) std::atexit(removeScratchDirectories);
  gScratchDirectories.push_back(dir);
  EXPECT_EQ(chdir(dir), 0);
  return dir;
}

void writeFile(const std::string& path, const std::string& text) {
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent);
  std::ofstream out(path, std::ios::binary);
  out << text;
}

void writeTga(const std::string& path, int width, int height, const std::vector<uint32_t>& rgbaTopFirst,
              int bitsPerPixel, bool topDown) {
  std::string data(18, '\0');
  data[2] = 2;  // uncompressed true colour
  data[12] = static_cast<char>(width & 0xff);
  data[13] = static_cast<char>(width >> 8);
  data[14] = static_cast<char>(height & 0xff);
  data[15] = static_cast<char>(height >> 8);
  data[16] = static_cast<char>(bitsPerPixel);
  data[17] = static_cast<char>((bitsPerPixel == 32 ? 8 : 0) | (topDown ? 0x20 : 0));
  for (int row = 0; row < height; ++row) {
    const int sourceRow = topDown ? row : height - 1 - row;
    for (int x = 0; x < width; ++x) {
      const uint32_t rgba = rgbaTopFirst[sourceRow * width + x];
      data.push_back(static_cast<char>((rgba >> 8) & 0xff));   // b
      data.push_back(static_cast<char>((rgba >> 16) & 0xff));  // g
      data.push_back(static_cast<char>((rgba >> 24) & 0xff));  // r
      if (bitsPerPixel == 32) data.push_back(static_cast<char>(rgba & 0xff));
    }
  }
  writeFile(path, data);
}

std::vector<uint8_t> readBack(int width, int height) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 3);
  glFinish();
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

Rgb pixelAt(const std::vector<uint8_t>& pixels, int width, int x, int y) {
  const size_t i = (static_cast<size_t>(y) * width + x) * 3;
  return {pixels[i], pixels[i + 1], pixels[i + 2]};
}

}  // namespace gltest
