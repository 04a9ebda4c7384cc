// Real frames under the test display with the generated content: the HUD's
// elements at their places, the title's highlight, the reflection cube map
// during a race, and a scripted five-lap race through to a saved name.
#include <gtest/gtest.h>

#include <GL/glew.h>
#include <GL/freeglut.h>
#include <GL/glu.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "physics/laps.h"
#include "physics/physics.h"
#include "platform/platform.h"
#include "race/ghost.h"
#include "race/race.h"
#include "render/render.h"
#include "shell/game.h"
#include "ui/ui.h"

namespace fs = std::filesystem;

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 786;
constexpr int64_t kSecond = 1000000000;

int64_t gFakeNow = 1000 * kSecond;
int64_t fakeCounter() { return gFakeNow; }

using Image = std::vector<unsigned char>;

Image readBack() {
  Image pixels(size_t(kWidth) * kHeight * 4);
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

struct Box {
  int x0 = INT_MAX, y0 = INT_MAX, x1 = -1, y1 = -1;
  long count = 0;
};

// Where two frames differ by more than a little in any channel.
Box differences(const Image& a, const Image& b, int x0 = 0, int y0 = 0, int x1 = kWidth, int y1 = kHeight) {
  Box box;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      const size_t i = (size_t(y) * kWidth + x) * 4;
      bool differs = false;
      for (int c = 0; c < 3; ++c) differs = differs || std::abs(a[i + c] - b[i + c]) > 6;
      if (!differs) continue;
      ++box.count;
      box.x0 = std::min(box.x0, x);
      box.y0 = std::min(box.y0, y);
      box.x1 = std::max(box.x1, x);
      box.y1 = std::max(box.y1, y);
    }
  }
  return box;
}

// The game window and its data, made once for the whole run.
class GameWindow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const char* display = std::getenv("DISPLAY");
    const char* build = std::getenv("FIVELAPS_BINARY_DIR");
    if (!display || !*display || !build) return;
    const fs::path game = fs::path(build) / "game";
    if (!fs::exists(game / "Data/Textures/Numbers.tga")) return;
    // The game writes its table into the working directory: a scratch one
    // with the generated data beside it.
    workDir_ = fs::temp_directory_path() / ("fivelaps-screens-" + std::to_string(getpid()));
    fs::create_directories(workDir_);
    fs::create_directory_symlink(game / "Data", workDir_ / "Data");
    fs::current_path(workDir_);

    int argc = 1;
    char name[] = "screens_display_test";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(kWidth, kHeight);
    glutCreateWindow("Five Laps test");
    gScreenWidth = gHudWidth = kWidth;
    gScreenHeight = gHudHeight = kHeight;
    platform::setCounterSource(fakeCounter);
    initGame();
    ready_ = true;
  }
  static void TearDownTestSuite() {
    platform::setCounterSource(nullptr);
    if (!workDir_.empty()) fs::remove_all(workDir_);
  }
  void SetUp() override {
    if (!ready_) GTEST_SKIP() << "needs DISPLAY and the generated game data in $FIVELAPS_BINARY_DIR/game";
  }

  static bool ready_;
  static fs::path workDir_;
};

bool GameWindow::ready_ = false;
fs::path GameWindow::workDir_;

// ---- HUD ------------------------------------------------------------------------

// What stands behind the HUD: a plain scene of one grey, and whether the
// split display shows (a split a second slower than the record).
struct Scene {
  float grey = 0.5f;
  bool split = false;
};

// A HUD over a plain scene, long after the countdown, with the clock held.
Image hudFrame(float clock, int lap, float speed, Scene scene = {}) {
  gSinceRaceStart = 100;  // long past the countdown
  gClockFrozen = true;
  gRaceClock = clock;
  gHudLap = lap;
  gSpeedDisplay = speed;
  gSplitVisible = scene.split;
  gSplitClock = 21;
  gSplitRecord = 20;
  gSplitShownUntil = clock + 5;
  gInfoMessage = 0;
  gShowHelp = gShowFrameRate = 0;
  glClearColor(scene.grey, scene.grey, scene.grey, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  drawHud();
  return readBack();
}

// The screens drawn as at a smaller mode, in the window's lower left corner.
void screenMode(int w, int h) {
  gScreenWidth = gHudWidth = w;
  gScreenHeight = gHudHeight = h;
  glViewport(0, 0, w, h);
}

TEST_F(GameWindow, ClockDigitsChangeOnlyInTheirCells) {
  const Image zero = hudFrame(0, 1, 0);
  const Image later = hudFrame(83.45f, 1, 0);  // 01:23:45
  const Box box = differences(zero, later);
  const int left = kWidth / 2 - kWidth * 7 / 64;  // 400
  const int bottom = kHeight * 22 / 24;           // 720
  const int digit = kWidth / 32, colon = kWidth * 23 / 1536;
  ASSERT_GT(box.count, 0);
  EXPECT_GE(box.x0, left + digit);  // tens of minutes: 0 in both
  EXPECT_LE(box.x1, left + 6 * digit + 2 * colon);
  EXPECT_GE(box.y0, bottom);
  EXPECT_LE(box.y1, bottom + kHeight / 24);
  // Every changed digit shows in its own cell.
  for (int cell : {1, 3, 4, 6, 7}) {
    const int colonsBefore = (cell > 2) + (cell > 5);
    const int x = left + (cell - colonsBefore) * digit + colonsBefore * colon;
    EXPECT_GT(differences(zero, later, x, bottom, x + digit, bottom + kHeight / 24).count, 0) << cell;
  }
  // The countdown's negative clock reads as zero.
  EXPECT_EQ(differences(zero, hudFrame(-2.5f, 1, 0)).count, 0);
}

// The columns holding ink in a strip of the frame, one run a glyph (the two
// dots of a colon share theirs).
std::vector<std::pair<int, int>> inkRuns(const Image& frame, int x0, int x1, int y0, int y1) {
  std::vector<std::pair<int, int>> runs;
  bool inRun = false;
  for (int x = x0; x < x1; ++x) {
    bool ink = false;
    for (int y = y0; y < y1 && !ink; ++y) {
      const size_t i = (size_t(y) * kWidth + x) * 4;
      for (int c = 0; c < 3; ++c) ink = ink || std::abs(frame[i + c] - 128) > 40;
    }
    if (ink && !inRun) runs.push_back({x, x});
    if (ink) runs.back().second = x;
    inRun = ink;
  }
  return runs;
}

// Whatever the digits, each stands centred in its cell, so the gaps between
// them are equal (the 1 once stood at its cell's right edge: "00:0 1:72");
// and a time advances by exactly six cells and two colons at any width, as
// the table's rows step back by that much.
TEST_F(GameWindow, ClockDigitsStandCentredInTheirCells) {
  const int left = kWidth / 2 - kWidth * 7 / 64, bottom = kHeight * 22 / 24;
  const int digit = kWidth / 32, colon = kWidth * 23 / 1536;
  for (float t : {61.72f, 83.45f, 417.89f}) {  // 01:01:72, 01:23:45, 06:57:89
    const auto runs = inkRuns(hudFrame(t, 1, 0), left, left + 6 * digit + 2 * colon, bottom, bottom + kHeight / 24);
    ASSERT_EQ(runs.size(), 8u) << t;
    for (int k : {0, 1, 3, 4, 6, 7}) {
      const int colons = (k > 2) + (k > 5);
      const float cellCentre = left + (k - colons) * digit + colons * colon + digit / 2.0f;
      EXPECT_NEAR((runs[k].first + runs[k].second) / 2.0f, cellCentre, 1.5f) << "glyph " << k << " of " << t;
    }
  }
  glMatrixMode(GL_MODELVIEW);
  for (int width : {1024, 800, 640}) {
    gHudWidth = width;
    glLoadIdentity();
    drawHudTime(732.69f);  // 12:12:69: every narrow glyph
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_EQ(m[12], 6 * (width / 32) + 2 * (width * 23 / 1536)) << width;
  }
  gHudWidth = kWidth;
  glLoadIdentity();
}

TEST_F(GameWindow, LapLabelSitsInItsRectangle) {
  const Box box = differences(hudFrame(10, 1, 0), hudFrame(10, 3, 0));
  ASSERT_GT(box.count, 0);
  EXPECT_GE(box.x0, kWidth * 4 / 5);
  EXPECT_LE(box.x1, kWidth * 4 / 5 + kWidth * 152 / 768);
  EXPECT_GE(box.y0, static_cast<int>(22.0f * kHeight / 24));
  EXPECT_LE(box.y1, static_cast<int>(22.0f * kHeight / 24) + kHeight / 24 + 1);
}

TEST_F(GameWindow, DialFillsTheLowerRightCorner) {
  const Image withDial = hudFrame(10, 1, 0);
  const unsigned int dial = gTexDial;
  GLuint clear = 0;
  glGenTextures(1, &clear);
  glBindTexture(GL_TEXTURE_2D, clear);
  const unsigned char transparent[4] = {0, 0, 0, 0};
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, transparent);
  gTexDial = clear;
  const Image without = hudFrame(10, 1, 0);
  gTexDial = dial;
  glDeleteTextures(1, &clear);
  const Box box = differences(withDial, without);
  ASSERT_GT(box.count, 1000);
  EXPECT_GE(box.x0, kWidth * 3 / 4);
  EXPECT_LE(box.y1, static_cast<int>(0.325f * kHeight) + 1);
}

TEST_F(GameWindow, SpeedMovesNeedleAndReadoutInsideTheDial) {
  const Box box = differences(hudFrame(10, 1, 0), hudFrame(10, 1, 123));
  ASSERT_GT(box.count, 0);
  EXPECT_GE(box.x0, kWidth * 3 / 4 - kWidth / 80);
  EXPECT_LE(box.y1, static_cast<int>(0.325f * kHeight) + 1);
}

const unsigned char* pixel(const Image& frame, int x, int y) { return &frame[(size_t(y) * kWidth + x) * 4]; }
bool reddish(const unsigned char* p) { return p[0] > p[1] + 40; }
bool greenish(const unsigned char* p) { return p[1] > p[0] + 40; }

// Rows from the lowest to the highest holding red or green ink in a box.
int inkHeight(const Image& frame, const Box& box) {
  int low = INT_MAX, high = -1;
  for (int y = box.y0; y <= box.y1; ++y)
    for (int x = box.x0; x <= box.x1; ++x)
      if (reddish(pixel(frame, x, y)) || greenish(pixel(frame, x, y))) {
        low = std::min(low, y);
        high = std::max(high, y);
      }
  return high - low + 1;
}

// The gap to the ghost under the lap label, green ahead and red behind, clear
// of the clock, the split display, the lap label and the speedometer; its
// digits taller than the split's, on a pane the scene does not show through.
TEST_F(GameWindow, TheGhostGapSitsUnderTheLapLabelLargeOnADarkPaneGreenAheadRedBehind) {
  gGhost.poses.resize(1);  // a ghost runs
  gGhostGapKnown = true;
  for (const auto& [w, h] : {std::pair{640, 480}, std::pair{1024, 786}}) {
    screenMode(w, h);
    const Scene white{1.0f, false}, black{0.0f, false};
    gGhostGapKnown = false;
    const Image none = hudFrame(10, 1, 0, white);
    const Box split = differences(none, hudFrame(10, 1, 0, {1.0f, true}), 0, 0, w, h);
    const int splitInk = inkHeight(hudFrame(10, 1, 0, {1.0f, true}), split);
    gGhostGapKnown = true;
    for (float gap : {0.5f, -599.99f}) {  // "-0.50", and the longest: "+9:59.99"
      gGhostGap = gap;
      const Image shown = hudFrame(10, 1, 0, white), overBlack = hudFrame(10, 1, 0, black);
      const Box box = differences(none, shown, 0, 0, w, h);
      const std::string at = std::to_string(w) + "x" + std::to_string(h) + " gap " + std::to_string(gap);
      ASSERT_GT(box.count, 50) << at;
      EXPECT_GE(box.x0, w * 4 / 5 - h / 160 - 1) << at;
      EXPECT_LT(box.x1, w - 1) << at << ": off the screen's edge";
      EXPECT_LT(box.y1, static_cast<int>(22.0f * h / 24)) << at << ": under the lap label";
      EXPECT_GT(box.y0, static_cast<int>(0.325f * h) + 1) << at << ": over the speedometer";
      EXPECT_GT(inkHeight(shown, box), splitInk * 5 / 4) << at << ": not clearly taller than the split";
      long green = 0, red = 0, seeThrough = 0;
      for (int y = box.y0; y <= box.y1; ++y)
        for (int x = box.x0; x <= box.x1; ++x) {
          const unsigned char *p = pixel(shown, x, y), *q = pixel(overBlack, x, y);
          green += greenish(p);
          red += reddish(p);
          for (int c = 0; c < 3; ++c) seeThrough += std::abs(p[c] - q[c]) > 32;
        }
      EXPECT_GT(gap > 0 ? green : red, 20) << at;
      EXPECT_EQ(gap > 0 ? red : green, 0) << at;
      EXPECT_EQ(seeThrough, 0) << at << ": the scene shows through the pane";
      const unsigned char* margin = pixel(shown, box.x0 + 1, box.y0 + 1);  // round the digits
      EXPECT_LT(std::max({margin[0], margin[1], margin[2]}), 40) << at << ": no dark pane";
    }
  }
  screenMode(kWidth, kHeight);
  gGhostGapKnown = false;
  const Image none = hudFrame(10, 1, 0);
  gGhostGapKnown = true;
  gGhostGap = 0.5f;
  gShowGhost = 0;
  EXPECT_EQ(differences(none, hudFrame(10, 1, 0)).count, 0) << "F11 leaves the gap";
  gShowGhost = 1;
  gGhostGap = 1e30f;  // nothing a racer can read: nothing drawn, not even the pane
  EXPECT_EQ(differences(none, hudFrame(10, 1, 0)).count, 0);
  gGhostGapKnown = false;
  gGhost = Ghost();
}

// ---- Title screen -------------------------------------------------------------------

Image titleFrame() {
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  drawTitleScreen();
  return readBack();
}

TEST_F(GameWindow, UpAndDownMoveTheHighlightWithWrapAround) {
  gTitle.active = true;
  gTitle.loadPending = false;
  gTitle.inputReady = false;
  gTitle.shownSince = gFakeNow - kSecond;  // still fading in: keys wait
  gTitleEntry = 0;
  gKeys[13] = 0;
  gKeys[103] = 1;
  titleFrame();
  EXPECT_EQ(gTitleEntry, 0);
  EXPECT_EQ(gKeys[103], 1);

  gTitle.shownSince = gFakeNow - 3 * kSecond;
  gKeys[103] = 0;
  const Image start = titleFrame();
  gKeys[103] = 1;
  const Image scores = titleFrame();
  EXPECT_EQ(gTitleEntry, 1);
  EXPECT_EQ(gKeys[103], 0);  // one step per key press
  gKeys[103] = 1;
  const Image options = titleFrame();
  EXPECT_EQ(gTitleEntry, 2);
  gKeys[103] = 1;
  const Image leave = titleFrame();
  EXPECT_EQ(gTitleEntry, 3);
  EXPECT_GT(differences(start, scores).count, 100);
  EXPECT_GT(differences(scores, options).count, 100);
  EXPECT_GT(differences(options, leave).count, 100);
  EXPECT_GT(differences(start, leave).count, 100);
  gKeys[103] = 1;
  EXPECT_EQ(differences(titleFrame(), start).count, 0);  // past the last: the first
  EXPECT_EQ(gTitleEntry, 0);
  gKeys[101] = 1;
  EXPECT_EQ(differences(titleFrame(), leave).count, 0);  // before the first: the last
  EXPECT_EQ(gTitleEntry, 3);
  gTitleEntry = 0;
}

// ---- High-score screen -------------------------------------------------------------

// The table (empty, or `table`) over a black screen, after its fade: a new
// result of `resultTime` being named in the first place, or (0) the table
// opened from the title.
Image highScoreFrame(float resultTime, const HighScoreEntry* table = nullptr) {
  for (int i = 0; i < 10; ++i) gHighScores[i] = table ? table[i] : HighScoreEntry();
  gCurrentResult = HighScoreEntry();
  gCurrentResult.totalTime = resultTime;
  gHighScoreRank = resultTime != 0 ? 1 : 11;
  gHighScoreScreen.active = true;
  gHighScoreScreen.shownSince = gFakeNow - 3 * kSecond;
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  drawHighScoreScreen();
  gHighScoreScreen.active = false;
  return readBack();
}

GLuint solidTexture(std::vector<unsigned char> texels) {
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, GLsizei(texels.size() / 4), 0, GL_RGBA, GL_UNSIGNED_BYTE,
               texels.data());
  return name;
}

// Pixels of the prompt's place under the table that pass a test.
template <class Test>
long promptPixels(const Image& frame, Test test) {
  long n = 0;
  for (int y = kHeight / 26; y < kHeight / 13; ++y)
    for (int x = kWidth / 4; x < kWidth * 3 / 4; ++x) n += test(&frame[(size_t(y) * kWidth + x) * 4]);
  return n;
}

// The typing prompt shows only while a name is owed, the way back otherwise
// (opened from the title, or after a race left with Esc); the background
// itself carries no lettering there.
TEST_F(GameWindow, HighScorePromptSaysWhetherANameCanBeTyped) {
  const unsigned int prompts = gHighScoreScreen.texPrompts;
  // The prompts picture's lower half is the way back, its upper half the typing prompt.
  const GLuint probe = solidTexture({255, 0, 0, 255, 0, 255, 0, 255}), clear = solidTexture({0, 0, 0, 0});
  gHighScoreScreen.texPrompts = probe;
  const Image back = highScoreFrame(0), owed = highScoreFrame(61.5f);
  gHighScoreScreen.texPrompts = clear;
  const Image bare = highScoreFrame(0);
  gHighScoreScreen.texPrompts = prompts;
  glDeleteTextures(1, &probe);
  glDeleteTextures(1, &clear);

  const long area = long(kWidth * 3 / 4 - kWidth / 4) * (kHeight / 13 - kHeight / 26);
  auto red = [](const unsigned char* p) { return p[0] > 200 && p[1] < 50; };
  auto green = [](const unsigned char* p) { return p[1] > 200 && p[0] < 50; };
  EXPECT_EQ(promptPixels(back, red), area);
  EXPECT_EQ(promptPixels(owed, green), area);
  // Light lettering, as the words once baked into the background were.
  auto light = [](const unsigned char* p) { return p[0] > 170 && p[1] > 170 && p[2] > 170; };
  EXPECT_EQ(promptPixels(bare, light), 0);
  EXPECT_GT(promptPixels(highScoreFrame(0), light), 100) << "the way back is not shown";
}

// The ideal race's line stands between the tenth row (its baseline at 0.2H)
// and the key hints under it (0.08H to 0.105H), at the smallest mode too.
TEST_F(GameWindow, TheIdealRaceLineStaysInItsBandUnderTheTable) {
  HighScoreEntry table[10], damaged[10];
  for (int i = 0; i < 10; ++i) {
    table[i].name = std::string(1 + i, static_cast<char>('a' + i));
    float clock = 0;
    for (int s = 0; s < 15; ++s) {
      clock += 6.0f + 0.1f * static_cast<float>((s * 7 + i * 3) % 10);  // owners from all ten
      table[i].splits[s / 3][s % 3] = clock;
    }
    table[i].totalTime = clock;
    damaged[i] = table[i];
    damaged[i].splits[0][0] = -1;  // the same rows, no ideal
  }
  for (const auto& [w, h] : {std::pair{640, 480}, std::pair{1024, 786}}) {
    screenMode(w, h);
    const Box line = differences(highScoreFrame(0, damaged), highScoreFrame(0, table), 0, 0, w, h);
    ASSERT_GT(line.count, 200) << w << "x" << h;
    EXPECT_GE(line.y0, static_cast<int>(0.105f * h)) << w << "x" << h << ": over the key hints";
    EXPECT_LE(line.y1, static_cast<int>(0.155f * h)) << w << "x" << h << ": into the tenth row";
    EXPECT_LT(line.x1, w) << w << "x" << h;
  }
  screenMode(kWidth, kHeight);
  for (HighScoreEntry& e : gHighScores) e = HighScoreEntry();
}

// ---- A race --------------------------------------------------------------------------

Image cubeFace(GLenum face) {
  glBindTexture(GL_TEXTURE_CUBE_MAP, gEnvCubeTexture);
  GLint w = 0, h = 0;
  glGetTexLevelParameteriv(face, 0, GL_TEXTURE_WIDTH, &w);
  glGetTexLevelParameteriv(face, 0, GL_TEXTURE_HEIGHT, &h);
  Image pixels(size_t(w) * h * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(face, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
  return pixels;
}

long differingBytes(const Image& a, const Image& b) {
  if (a.size() != b.size()) return long(a.size());
  long n = 0;
  for (size_t i = 0; i < a.size(); ++i) n += std::abs(a[i] - b[i]) > 6;
  return n;
}

// One frame of the game at sixty frames a second.
void gameFrame() {
  gFakeNow += kSecond / 60;
  onDisplay();
}

// The physics step of the last frame is collected before the car is moved, so
// the move is not overwritten by results computed from the old place.
void placeCar(float x, float y, float z, float headingDegrees) {
  gPhysicsScene->fetchResults(NX_RIGID_BODY_FINISHED, true);
  gCarActor->setGlobalPosition(NxVec3(x, y, z));
  gCarActor->setGlobalOrientationQuat(rotationAboutAxis(NxVec3(0, 1, 0), headingDegrees));
  gCarActor->setLinearVelocity(NxVec3(0, 0, 0));
  gCarActor->setAngularVelocity(NxVec3(0, 0, 0));
}

void noAnisotropy() {
  for (Model* m : {&gSkyModel, &gCarModel, &gWheelModel, &gWorld.track, &gWorld.house, &gWorld.palm,
                   &gWorld.palm2, &gWorld.bush}) {
    m->maxAnisotropy = 1.0f;
  }
}

void holdCarAt(float x, float y, float z, float heading, int frames) {
  for (int i = 0; i < frames; ++i) {
    placeCar(x, y, z, heading);
    gameFrame();
  }
}

TEST_F(GameWindow, AScriptedRaceCountsFiveLapsAndSavesTheTypedName) {
  const GLenum faces[6] = {GL_TEXTURE_CUBE_MAP_NEGATIVE_Z, GL_TEXTURE_CUBE_MAP_NEGATIVE_Y,
                           GL_TEXTURE_CUBE_MAP_NEGATIVE_X, GL_TEXTURE_CUBE_MAP_POSITIVE_Z,
                           GL_TEXTURE_CUBE_MAP_POSITIVE_Y, GL_TEXTURE_CUBE_MAP_POSITIVE_X};
  std::vector<Image> dark;
  for (GLenum f : faces) dark.push_back(cubeFace(f));

  // The software rasteriser of the test display takes minutes a frame for
  // anisotropic filtering: the race runs as on hardware that has none. (The
  // switch itself cannot be used: leaving the race turns it back on within
  // the race's last frame.)
  noAnisotropy();
  // A small screen, as a Config.txt could ask for, keeps the frames cheap.
  gScreenWidth = gHudWidth = 400;
  gScreenHeight = gHudHeight = 300;
  gTitle.active = true;
  gTitle.loadPending = true;  // the frame after Enter: build the race
  gTitleEntry = 0;
  gameFrame();
  ASSERT_FALSE(gTitle.active) << "the race was not built";
  ASSERT_NE(gPhysicsScene, nullptr);
  ASSERT_NE(gCarActor, nullptr);
  noAnisotropy();  // the race models are loaded now
  for (int i = 0; i < 2; ++i) gameFrame();

  // The faces now hold the surroundings, not the dark picture they started with.
  for (int f = 0; f < 6; ++f) EXPECT_GT(differingBytes(cubeFace(faces[f]), dark[f]), 1000) << "face " << f;
  EXPECT_GT(differingBytes(cubeFace(faces[1]), cubeFace(faces[4])), 1000) << "ground and sky alike";

  // Past the countdown; then five laps through the three gates.
  gRaceTicks += 4 * 60;  // four seconds of race time
  gameFrame();
  ASSERT_GT(gRaceClock, 0);
  struct Gate {
    float x, y, z, heading;
  };
  const Gate checkpoint1{-3460, 825, -4835, 67}, checkpoint2{2065, 765, -40, 352},
      finish{-4065, 145, 1850, 146}, away{-4210, 60, 2035, 140};
  for (int lap = 1; lap <= 5; ++lap) {
    for (const Gate& g : {checkpoint1, away, checkpoint2, away, finish, away}) {
      holdCarAt(g.x, g.y, g.z, g.heading, 2);  // one step to touch, one to report
    }
    EXPECT_EQ(gCurrentLap, lap + 1);
  }
  EXPECT_TRUE(gRaceFinished);
  EXPECT_GT(gCurrentResult.totalTime, 0);
  EXPECT_EQ(gCurrentResult.totalTime, gCurrentResult.splits[4][2]);

  // Standing still, the finished race moves on to the high-score screen.
  for (int i = 0; i < 120 && !gHighScoreScreen.active; ++i) gameFrame();
  ASSERT_TRUE(gHighScoreScreen.active);
  gameFrame();
  ASSERT_TRUE(nameOwed());
  EXPECT_EQ(gHighScoreRank, 1);  // no table yet: the first place
  for (unsigned char c : {'R', 'o', 'M', 'y'}) onKeyDown(c, 0, 0);
  gameFrame();
  EXPECT_EQ(gHighScores[0].name, "roMy");
  onKeyDown(13, 0, 0);
  EXPECT_TRUE(gTitle.active);

  std::ifstream file("HighScore5.hs");
  std::string name;
  float total = 0;
  file >> name >> total;
  EXPECT_EQ(name, "roMy");
  EXPECT_NEAR(total, gCurrentResult.totalTime, 1e-5);

  // The next race runs against this one at once.
  const float best = gCurrentResult.totalTime;
  gTitle.active = true;
  gTitle.loadPending = true;
  gTitleEntry = 0;
  gameFrame();
  ASSERT_FALSE(gTitle.active) << "the next race was not built";
  EXPECT_TRUE(ghostBelongsTo(gGhost, best)) << "the next race shows no ghost of the new best";
  EXPECT_GT(gGhost.poses.size(), 5u);
  enterHighScores(false);
  returnToTitle();
  gScreenWidth = gHudWidth = kWidth;
  gScreenHeight = gHudHeight = kHeight;
}

// The ghost of a table's best race stands 400 units ahead of the car: the main
// view shows it there, translucent, and the reflection faces do not.
// A race entered from the title at 400 x 300 without a ghost file; true once
// it is built. The caller lets the car settle.
bool startSmallRace() {
  noAnisotropy();
  gScreenWidth = gHudWidth = 400;
  gScreenHeight = gHudHeight = 300;
  std::remove(kGhostFile);
  gTitle.active = true;
  gTitle.loadPending = true;
  gTitleEntry = 0;
  gameFrame();
  return !gTitle.active;
}

TEST_F(GameWindow, TheGhostShowsTranslucentWhereItsPosePutsItInTheMainViewOnly) {
  for (int i = 0; i < 10; ++i) gHighScores[i].totalTime = 95.5f + static_cast<float>(i);
  ASSERT_TRUE(startSmallRace()) << "the race was not built";
  EXPECT_EQ(ghostPoseNow(), nullptr) << "a ghost without a ghost file";
  for (int i = 0; i < 30; ++i) gameFrame();  // the car settles on the road
  gRaceTicks += 4 * 60;                      // past the start signal: the ghost runs

  Ghost ghost;
  ghost.totalTime = gHighScores[0].totalTime;
  GhostPose pose;
  const NxVec3 ahead = gCarPose.M.getColumn(2) * 400.0f;
  pose.car = NxMat34(gCarPose.M, gCarPose.t + ahead);
  for (int w = 0; w < 4; ++w) pose.wheels[w] = gWheelPoses[w].t + ahead;
  ghost.poses.assign(2, pose);
  ASSERT_TRUE(platform::replaceFile(kGhostFile, [&](std::FILE* f) { return writeGhost(f, ghost); }));
  loadGhostForRace();  // as the race set-up reads it
  ASSERT_NE(ghostPoseNow(), nullptr);
  gameFrame();  // a tick with the ghost: the frames draw it from there

  // The same state drawn three times: no time passes, no tick runs.
  auto frame = [](int shown, float opacity, Image* face) {
    gShowGhost = shown;
    gGhostOpacity = opacity;
    onDisplay();
    if (face) *face = cubeFace(GL_TEXTURE_CUBE_MAP_NEGATIVE_Z);  // the face looking ahead
    return readBack();
  };
  Image faceShown, faceHidden;
  const Image shown = frame(1, 0.4f, &faceShown);
  const Image hidden = frame(0, 0.4f, &faceHidden);
  const Image opaque = frame(1, 1.0f, nullptr);
  gGhostOpacity = 0.4f;
  gShowGhost = 1;

  // Under the gap to the ghost, which F11 hides with it.
  const Box box = differences(shown, hidden, 0, 0, 400, 300 * 20 / 24);
  ASSERT_GT(box.count, 300) << "no ghost in the main view";
  EXPECT_LT(box.count, 400 * 300 / 4) << "more changed than a car";
  EXPECT_EQ(differingBytes(faceShown, faceHidden), 0) << "the ghost is in the reflection";

  GLdouble projection[16], modelview[16], x, y, z;
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  gluPerspective(50, 400.0 / 300.0, 5, gViewDistance);
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  gluLookAt(gCameraPos[0], gCameraPos[1], gCameraPos[2], gCarPose.t.x, gCarPose.t.y, gCarPose.t.z, 0, 1, 0);
  glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
  glPopMatrix();
  const GLint viewport[4] = {0, 0, 400, 300};
  gluProject(pose.car.t.x, pose.car.t.y, pose.car.t.z, modelview, projection, viewport, &x, &y, &z);
  EXPECT_GE(x, box.x0);
  EXPECT_LE(x, box.x1);
  EXPECT_GE(y, box.y0);
  EXPECT_LE(y, box.y1);

  // Translucent: it changes the picture less than the same car drawn opaque.
  long translucentChange = 0, opaqueChange = 0;
  for (int py = box.y0; py <= box.y1; ++py)
    for (int px = box.x0; px <= box.x1; ++px)
      for (int c = 0; c < 3; ++c) {
        const size_t i = (size_t(py) * kWidth + px) * 4 + c;
        translucentChange += std::abs(shown[i] - hidden[i]);
        opaqueChange += std::abs(opaque[i] - hidden[i]);
      }
  EXPECT_GT(opaqueChange, translucentChange * 3 / 2);

  enterHighScores(false);
  returnToTitle();
  std::remove(kGhostFile);
  gScreenWidth = gHudWidth = kWidth;
  gScreenHeight = gHudHeight = kHeight;
}

// A ghost whose race starts where the car stands: during the countdown the
// frame is the frame without a ghost, pixel for pixel; after the start signal
// the ghost on the car is not drawn over it, and only the gap under the lap
// label tells that one runs. F11 hides the gap and stays off for the next race.
TEST_F(GameWindow, AGhostOnTheCarNeverCoversItAndF11StaysOffForTheNextRace) {
  gHighScores[0].totalTime = 95.5f;
  ASSERT_TRUE(startSmallRace()) << "the race was not built";
  for (int i = 0; i < 30; ++i) gameFrame();  // the car settles on the road
  Ghost ghost;
  ghost.totalTime = gHighScores[0].totalTime;
  GhostPose pose;
  pose.car = gCarPose;
  for (int w = 0; w < 4; ++w) pose.wheels[w] = gWheelPoses[w].t;
  ghost.poses.assign(2, pose);
  // The same tick drawn again, its drawn pose taken afresh with or without
  // the ghost: no time passes, the car does not move.
  auto frameWith = [&](const Ghost& shown) {
    gGhost = shown;
    noteDrawnTick();
    noteDrawnTick();
    onDisplay();
    return readBack();
  };
  auto frame = [&](bool withGhost) { return frameWith(withGhost ? ghost : Ghost()); };
  const Image none = frame(false);
  EXPECT_EQ(differences(frame(true), none).count, 0) << "the countdown shows the ghost";
  Ghost ahead = ghost;  // not even where it would not cover the car
  for (GhostPose& p : ahead.poses) p.car.t += gCarPose.M.getColumn(2) * 600.0f;
  EXPECT_EQ(differences(frameWith(ahead), none).count, 0) << "the countdown shows the ghost ahead";

  gRaceTicks += 4 * 60;  // past the start signal
  gameFrame();
  gGhost = ghost;
  gameFrame();  // a tick against the ghost: the gap is known
  ASSERT_TRUE(ghostGapShown());
  const Image with = frame(true);
  const Box racing = differences(with, frame(false));
  ASSERT_GT(racing.count, 0) << "no gap shown";
  EXPECT_GE(racing.x0, 400 * 4 / 5 - 300 / 160 - 1);
  EXPECT_GE(racing.y0, 300 * 20 / 24) << "the ghost covers the car";
  EXPECT_LT(racing.y1, 300 * 22 / 24) << "more than the gap changed";

  gGhost = ghost;
  onSpecialDown(GLUT_KEY_F11, 0, 0);
  EXPECT_FALSE(ghostGapShown());
  enterHighScores(false);
  returnToTitle();
  ASSERT_TRUE(startSmallRace());
  EXPECT_EQ(gShowGhost, 0) << "F11 went back on with the next race";
  onSpecialDown(GLUT_KEY_F11, 0, 0);
  EXPECT_EQ(gShowGhost, 1);
  enterHighScores(false);
  returnToTitle();
  gHighScores[0].totalTime = 0;
  gScreenWidth = gHudWidth = kWidth;
  gScreenHeight = gHudHeight = kHeight;
}

// The track's tiles are culled per view and drawn nearest first; the placed
// copies are drawn shape by shape. With culling switched off everything is
// drawn whole and in file order: the pictures must be the very same.
TEST_F(GameWindow, CullingAndDrawingOrderLeaveTheRaceViewsUnchanged) {
  ASSERT_TRUE(startSmallRace()) << "the race was not built";
  for (int i = 0; i < 30; ++i) gameFrame();

  auto frame = [](int culling, Image* ahead, Image* down) {
    gFrustumCulling = culling;
    onDisplay();
    *ahead = cubeFace(GL_TEXTURE_CUBE_MAP_NEGATIVE_Z);
    *down = cubeFace(GL_TEXTURE_CUBE_MAP_NEGATIVE_Y);
    return readBack();
  };
  Image aheadCulled, downCulled, aheadWhole, downWhole;
  gTrianglesSent = 0;
  const Image culled = frame(1, &aheadCulled, &downCulled);
  const long trianglesCulled = gTrianglesSent;
  gTrianglesSent = 0;
  const Image whole = frame(0, &aheadWhole, &downWhole);
  const long trianglesWhole = gTrianglesSent;
  gFrustumCulling = 1;
  EXPECT_EQ(differingBytes(culled, whole), 0) << "the main view";
  EXPECT_EQ(differingBytes(aheadCulled, aheadWhole), 0) << "the reflection face ahead";
  EXPECT_EQ(differingBytes(downCulled, downWhole), 0) << "the reflection face below";
  EXPECT_LT(trianglesCulled * 2, trianglesWhole) << "culling left most of the world in";

  enterHighScores(false);
  returnToTitle();
  gScreenWidth = gHudWidth = kWidth;
  gScreenHeight = gHudHeight = kHeight;
}

// Palms that cover a few pixels are drawn by their far versions: the views
// then differ from the full palms' by a few scattered pixels, for far fewer
// triangles. The small reflection faces take them much nearer than the main view.
TEST_F(GameWindow, FarPalmsChangeTheViewsByAFewPixelsOnly) {
  ASSERT_TRUE(startSmallRace()) << "the race was not built";
  for (int i = 0; i < 30; ++i) gameFrame();

  auto frame = [](Image* ahead, long* triangles) {
    gTrianglesSent = 0;
    onDisplay();
    *triangles = gTrianglesSent;
    *ahead = cubeFace(GL_TEXTURE_CUBE_MAP_NEGATIVE_Z);
    return readBack();
  };
  Image aheadFar, aheadFull;
  long trianglesFar = 0, trianglesFull = 0;
  const Image withFar = frame(&aheadFar, &trianglesFar);
  Model palmFar, palm2Far;  // empty: every palm in full
  std::swap(gWorld.palmFar, palmFar);
  std::swap(gWorld.palm2Far, palm2Far);
  const Image full = frame(&aheadFull, &trianglesFull);
  std::swap(gWorld.palmFar, palmFar);
  std::swap(gWorld.palm2Far, palm2Far);

  const long mainPixels = 400L * 300, facePixels = 256L * 256;
  EXPECT_LT(differences(withFar, full).count, mainPixels / 200) << "the main view";
  EXPECT_LT(differingBytes(aheadFar, aheadFull) / 3, facePixels / 50) << "the reflection face ahead";
  EXPECT_GT(differingBytes(aheadFar, aheadFull), 0) << "no far palm in the face ahead";
  EXPECT_LT(trianglesFar + 5000, trianglesFull);

  enterHighScores(false);
  returnToTitle();
  gScreenWidth = gHudWidth = kWidth;
  gScreenHeight = gHudHeight = kHeight;
}

}  // namespace
