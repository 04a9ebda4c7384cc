// The pictures load the way the game loads them, and every glyph, label and
// message sits inside the rectangle the game cuts out of its picture.
#include "content_support.h"
#include "layout.h"

#include <IL/il.h>
#include <gtest/gtest.h>

#include <vector>

using namespace content_test;

namespace {

class Pictures : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = gameDir();
    if (dir_.empty()) GTEST_SKIP() << "FIVELAPS_BINARY_DIR is not set";
  }
  Picture load(const std::string& name) {
    Picture p;
    EXPECT_TRUE(loadPicture(dir_ + "/Data/Textures/" + name, p)) << name;
    return p;
  }
  std::string dir_;
};

// Ink: a texel that is not fully transparent.
int inkIn(const Picture& p, const layout::Rect& r) {
  int n = 0;
  for (int row = r.r0; row <= r.r1; ++row)
    for (int x = r.c0; x <= r.c1; ++x) n += p.alpha(x, row) > 0;
  return n;
}

// Ink outside every rectangle, and the first stray texel found.
int strayInk(const Picture& p, const std::vector<layout::Rect>& rects, std::string* where) {
  int n = 0;
  for (int row = 0; row < p.height; ++row)
    for (int x = 0; x < p.width; ++x) {
      if (p.alpha(x, row) == 0) continue;
      bool inside = false;
      for (const auto& r : rects) inside = inside || (x >= r.c0 && x <= r.c1 && row >= r.r0 && row <= r.r1);
      if (!inside && n++ == 0) *where = "column " + std::to_string(x) + " row " + std::to_string(row);
    }
  return n;
}

void expectLayout(const Picture& p, const std::vector<layout::Rect>& rects, int minInk, const char* what) {
  for (size_t i = 0; i < rects.size(); ++i) {
    int area = (rects[i].c1 - rects[i].c0 + 1) * (rects[i].r1 - rects[i].r0 + 1);
    int ink = inkIn(p, rects[i]);
    EXPECT_GE(ink, minInk) << what << " item " << i;
    EXPECT_LT(ink, area) << what << " item " << i << " is a filled block";
  }
  std::string where;
  EXPECT_EQ(strayInk(p, rects, &where), 0) << what << ": ink outside the rectangles at " << where;
}

}  // namespace

TEST_F(Pictures, TgaFilesLoadAsBgraFromTheBottomRow) {
  const char* names[] = {"Numbers.tga", "Info.tga", "Laps.tga", "Speedindicator.tga", "Nadel.tga",
                         "Go.tga", "Help.tga", "Menue01.tga", "Menue02.tga", "Menue03.tga", "Menue04.tga",
                         "Loading.tga", "HighScoreBackground.tga", "HighScorePrompts.tga", "Characters.tga", "Pause.tga",
                         "Road.tga", "Grass.tga", "Frond.tga", "Sky.tga"};
  for (const char* n : names) {
    Picture p = load(n);
    EXPECT_EQ(p.format, IL_BGRA) << n;
    EXPECT_EQ(p.bytesPerPixel, 4) << n;
  }
}

TEST_F(Pictures, LaidOutPicturesHaveTheirGridSizes) {
  Picture n = load("Numbers.tga"), i = load("Info.tga"), l = load("Laps.tga"), c = load("Characters.tga");
  EXPECT_EQ(n.width, 482);
  EXPECT_EQ(n.height, 38);
  EXPECT_EQ(i.width, 800);
  EXPECT_EQ(i.height, 600);
  EXPECT_EQ(l.width, 256);
  EXPECT_EQ(l.height, 256);
  EXPECT_EQ(c.width, 460);
  EXPECT_EQ(c.height, 106);
}

TEST_F(Pictures, DigitsStayInTheirColumns) {
  Picture p = load("Numbers.tga");
  ASSERT_EQ(p.width, layout::kNumbersW);
  expectLayout(p, std::vector<layout::Rect>(std::begin(layout::kDigits), std::end(layout::kDigits)), 60,
               "digit strip");
}

TEST_F(Pictures, OptionMessagesStayInTheirRectangles) {
  Picture p = load("Info.tga");
  ASSERT_EQ(p.width, layout::kInfoW);
  expectLayout(p, std::vector<layout::Rect>(std::begin(layout::kInfo), std::end(layout::kInfo)), 300,
               "messages");
}

TEST_F(Pictures, LapLabelsAndArrowsStayInTheirRectangles) {
  Picture p = load("Laps.tga");
  std::vector<layout::Rect> rects(std::begin(layout::kLapLabels), std::end(layout::kLapLabels));
  rects.insert(rects.end(), std::begin(layout::kSplitArrows), std::end(layout::kSplitArrows));
  expectLayout(p, rects, 80, "laps");
  // The two arrows differ: one points up, the other down.
  auto topInk = [&](const layout::Rect& r) { return inkIn(p, {r.c0, r.c1, r.r0 + 12, r.r1}); };
  auto bottomInk = [&](const layout::Rect& r) { return inkIn(p, {r.c0, r.c1, r.r0, r.r0 + 11}); };
  EXPECT_GT(bottomInk(layout::kSplitArrows[0]), topInk(layout::kSplitArrows[0]));
  EXPECT_LT(bottomInk(layout::kSplitArrows[1]), topInk(layout::kSplitArrows[1]));
}

TEST_F(Pictures, LettersStayInTheirRectangles) {
  Picture p = load("Characters.tga");
  ASSERT_EQ(p.width, layout::kCharsW);
  expectLayout(p, std::vector<layout::Rect>(std::begin(layout::kLetters), std::end(layout::kLetters)), 80,
               "font");
}

TEST_F(Pictures, HighScorePromptsStayInTheirRectangles) {
  Picture p = load("HighScorePrompts.tga");
  ASSERT_EQ(p.width, layout::kPromptsW);
  expectLayout(p, std::vector<layout::Rect>(std::begin(layout::kPrompts), std::end(layout::kPrompts)), 300,
               "prompts");
}

TEST_F(Pictures, DarkJpegIsA256SquareColourImage) {
  Picture p;
  ASSERT_TRUE(loadPicture(dir_ + "/Data/Textures/Dark.jpg", p));
  EXPECT_EQ(p.width, 256);
  EXPECT_EQ(p.height, 256);
  EXPECT_EQ(p.format, IL_RGB);
  EXPECT_EQ(p.bytesPerPixel, 3);
}

// Leaves are cut out by the alpha test at 0.4: they need both clear and solid texels.
TEST_F(Pictures, LeafTexturesHaveRealAlpha) {
  for (const char* n : {"Frond.tga", "Bush.tga"}) {
    Picture p = load(n);
    int clear = 0, solid = 0;
    for (int row = 0; row < p.height; ++row)
      for (int x = 0; x < p.width; ++x) {
        clear += p.alpha(x, row) < 102;
        solid += p.alpha(x, row) > 102;
      }
    int total = p.width * p.height;
    EXPECT_GT(clear, total / 10) << n;
    EXPECT_GT(solid, total / 10) << n;
  }
}

// The title's pictures differ only where the highlight moves.
TEST_F(Pictures, EachMenuPictureHighlightsAnotherEntry) {
  Picture a = load("Menue01.tga"), b = load("Menue02.tga"), c = load("Menue03.tga"), d = load("Menue04.tga");
  ASSERT_EQ(a.data.size(), b.data.size());
  ASSERT_EQ(a.data.size(), c.data.size());
  ASSERT_EQ(a.data.size(), d.data.size());
  EXPECT_NE(a.data, b.data);
  EXPECT_NE(b.data, c.data);
  EXPECT_NE(a.data, c.data);
  EXPECT_NE(c.data, d.data);
}
