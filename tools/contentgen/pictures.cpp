// HUD, menu, loading and high-score pictures and the two fonts. The glyph
// rectangles are fixed by the game's drawing code; rows count from the bottom.
#include "contentgen.h"

#include "layout.h"

#include <algorithm>

namespace content {
namespace {

Rgba rgb(float r, float g, float b, float a = 1) { return Rgba{r, g, b, a}; }
Rgba mix(Rgba a, Rgba b, float t) {
  return rgb(a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t);
}

// A layout rectangle (columns, rows from the bottom, inclusive) as a drawing
// box, shrunk by `margin` so that filtering never pulls a neighbour's ink in.
TextBox boxOf(const Image& img, const layout::Rect& r, int margin) {
  return TextBox{r.c0 + margin, img.rowFromBottom(r.r1) + margin, r.c1 - margin,
                 img.rowFromBottom(r.r0) - margin};
}

// Natural on-screen width of a glyph, times how much the game squeezes it:
// `squeeze` = rectangle width / quad width on a 1024 x 786 screen.
void glyphInRect(Image& img, const std::string& ch, const layout::Rect& r, float squeeze,
                 const TextStyle& base) {
  TextStyle s = base;
  Mask m = rasterise(ch, s.face, 96);
  TextBox box = boxOf(img, r, 1);
  float quadAspect = 32.75f / (r.r1 - r.r0 + 1);  // screen pixels per texel row
  // Keep the glyph's natural proportions on screen.
  s.stretchX = squeeze * quadAspect;
  drawMaskInBox(img, m, box, s, 0);
}

Image numbers() {
  Image img(layout::kNumbersW, layout::kNumbersH);
  TextStyle s;
  s.face = Face::SansBold;
  s.outline = 1.5f;
  s.outlineColour = rgb(0, 0, 0, 0.75f);
  const int quadW[11] = {32, 32, 32, 32, 32, 32, 24, 24, 28, 15, 15};  // at 1024 wide
  for (int i = 0; i < 11; ++i) {
    const layout::Rect& r = layout::kDigits[i];
    float squeeze = float(r.c1 - r.c0 + 1) / quadW[i];
    glyphInRect(img, std::string(1, layout::kDigitOrder[i]), r, squeeze, s);
  }
  return img;
}

Image info() {
  Image img(layout::kInfoW, layout::kInfoH);
  TextStyle s;
  s.face = Face::SansBold;
  s.outline = 1.5f;
  s.outlineColour = rgb(0, 0, 0, 0.7f);
  s.colour = rgb(1, 0.95f, 0.6f);
  // The quad is N/1024 of the screen wide but h/24 high for ~24 rows: widen to match.
  s.stretchX = 1.36f;
  for (int i = 0; i < layout::kInfoCount; ++i)
    drawTextInBox(img, layout::kInfoText[i], boxOf(img, layout::kInfo[i], 1), s, -1);
  return img;
}

Image laps() {
  Image img(256, 256);
  TextStyle s;
  s.face = Face::SansBold;
  s.outline = 1.5f;
  s.stretchX = 1.45f;  // 210 texels become ~200 pixels, 23 rows become ~33
  for (int i = 0; i < 5; ++i) {
    std::string label = "LAP " + std::to_string(i + 1) + "/5";
    drawTextInBox(img, label, boxOf(img, layout::kLapLabels[i], 1), s, 0);
  }
  // Split arrows, white so that the game's colour tints them: up for a
  // faster split, down for a slower one.
  for (int k = 0; k < 2; ++k) {
    TextBox b = boxOf(img, layout::kSplitArrows[k], 2);
    float cx = 0.5f * (b.x0 + b.x1), w = float(b.x1 - b.x0) * 0.5f;
    for (int y = b.y0; y <= b.y1; ++y) {
      float t = float(y - b.y0) / float(b.y1 - b.y0);  // 0 top .. 1 bottom
      float half = (k == 0 ? t : 1 - t) * w;
      for (int x = b.x0; x <= b.x1; ++x) {
        float d = half - std::fabs(x + 0.5f - cx);
        if (d > -0.5f) img.blend(x, y, rgb(1, 1, 1), clamp01(d + 0.5f));
      }
    }
  }
  return img;
}

// The dial: the needle pivots at (0.657, 0.342) of this picture, turned 118
// degrees anticlockwise from straight up at rest and 131 degrees clockwise
// per 250 units of speed.
Image speedIndicator() {
  const int W = 256, H = 256;
  Image img(W, H);
  const float px = 0.657f * W, py = (1 - 0.342f) * H;
  const float rOut = 128, rIn = 104;
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      float dx = x + 0.5f - px, dy = y + 0.5f - py, d = std::sqrt(dx * dx + dy * dy);
      if (d < rOut + 6) {
        float a = clamp01(rOut + 6 - d);
        img.blend(x, y, rgb(0.05f, 0.06f, 0.1f, 0.65f), a);
        if (d > rOut + 2) img.blend(x, y, rgb(0.8f, 0.8f, 0.85f, 0.9f), clamp01(d - rOut - 2) * a);
      }
    }
  auto angleFor = [](float speed) { return (118 - speed * 131 / 250) * kPi / 180; };
  for (int v = 0; v <= 300; v += 10) {
    float a = angleFor(float(v));
    float sx = -std::sin(a), sy = -std::cos(a);  // screen up is -y in this buffer
    float len = (v % 50 == 0) ? 20.0f : 10.0f;
    Rgba col = v >= 250 ? rgb(1, 0.25f, 0.2f) : rgb(1, 1, 1);
    for (float t = rIn + 18 - len; t <= rIn + 18; t += 0.25f)
      for (float w = -1.6f; w <= 1.6f; w += 0.4f) {
        int x = int(px + sx * t + w * std::cos(a));
        int y = int(py + sy * t - w * std::sin(a));
        img.blend(x, y, col, 0.35f);
      }
    if (v % 50 == 0) {
      TextStyle s;
      s.face = Face::SansBold;
      s.pixelSize = 15;
      s.colour = col;
      std::string label = std::to_string(v);
      Mask m = rasterise(label, s.face, s.pixelSize);
      float lr = rIn - 24;
      int cx = int(px + sx * lr), cy = int(py + sy * lr);
      TextBox b{cx - m.width / 2 - 1, cy - m.height / 2 - 1, cx + m.width / 2 + 1, cy + m.height / 2 + 1};
      drawMaskInBox(img, m, b, s, 0);
    }
  }
  TextStyle s;
  s.face = Face::Sans;
  s.colour = rgb(0.8f, 0.85f, 1.0f);
  drawTextInBox(img, "km/h", TextBox{int(px) - 22, int(py) + 22, int(px) + 22, int(py) + 36}, s, 0);
  return img;
}

// The needle points up from its pivot, which sits 7 % above the bottom.
Image needle() {
  const int W = 32, H = 256;
  Image img(W, H);
  const float pivotY = H * (1 - 0.0698f), cx = W * 0.5f;
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      float fy = y + 0.5f, fx = x + 0.5f - cx;
      float along = (pivotY - fy) / (pivotY - 4);  // 0 pivot .. 1 tip
      float half = along >= 0 ? 4.0f * (1 - along) + 0.6f : 0;
      if (along >= -0.05f && along <= 1) img.blend(x, y, rgb(1, 0.15f, 0.05f), clamp01(half - std::fabs(fx) + 0.5f));
      float d = std::sqrt(fx * fx + (fy - pivotY) * (fy - pivotY));
      if (d < 9) img.blend(x, y, rgb(0.2f, 0.2f, 0.22f), clamp01(9 - d));
      if (d < 4) img.blend(x, y, rgb(0.7f, 0.7f, 0.75f), clamp01(4 - d));
    }
  return img;
}

Image go() {
  Image img(256, 64);
  TextStyle s;
  s.face = Face::SansBold;
  s.colour = rgb(0.35f, 1.0f, 0.35f);
  s.outline = 3;
  s.outlineColour = rgb(0, 0.15f, 0, 0.85f);
  s.stretchX = 1.5f;
  drawTextInBox(img, "GO!", TextBox{8, 4, 247, 59}, s, 0);
  return img;
}

// ---- Full-screen pictures -------------------------------------------------------------------
// A sunset scene with a road running to the horizon, shared by the menus,
// the loading picture and the high-score background.
Image scene(int W, int H, uint32_t seed) {
  Image img(W, H);
  const float horizon = H * 0.58f;
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      float u = float(x) / W, v = float(y) / H;
      Rgba c;
      if (y < horizon) {
        float t = float(y) / horizon;
        c = mix(rgb(0.1f, 0.12f, 0.35f), rgb(1.0f, 0.55f, 0.3f), std::pow(t, 1.6f));
        float cloud = fbm2(u * 6, v * 14, seed, 4);
        c = mix(c, rgb(1.0f, 0.7f, 0.55f), smoothstep(0.15f, 0.5f, cloud) * 0.35f * t);
      } else {
        float t = (y - horizon) / (H - horizon);
        c = mix(rgb(0.35f, 0.3f, 0.25f), rgb(0.12f, 0.16f, 0.08f), t);
        c = mix(c, rgb(0.2f, 0.25f, 0.12f), 0.3f * (0.5f + 0.5f * fbm2(u * 30, t * 8, seed + 1, 3)));
      }
      img.at(x, y) = c;
    }
  // The sun, half set.
  float sx = W * 0.5f, sy = horizon - H * 0.02f, sr = H * 0.11f;
  for (int y = 0; y < int(horizon); ++y)
    for (int x = 0; x < W; ++x) {
      float d = std::hypot(x - sx, y - sy);
      img.blend(x, y, rgb(1, 0.85f, 0.45f), clamp01(sr - d) * 0.9f);
      img.blend(x, y, rgb(1, 0.7f, 0.4f), clamp01(1 - d / (sr * 3)) * 0.25f);
    }
  // Hills along the horizon.
  for (int x = 0; x < W; ++x) {
    float hgt = H * (0.04f + 0.05f * (0.5f + 0.5f * fbm2(x / float(W) * 4, 0.5f, seed + 2, 4)));
    for (int y = int(horizon - hgt); y < int(horizon); ++y) img.blend(x, y, rgb(0.22f, 0.15f, 0.2f), 1);
  }
  // The road, in perspective, with a dashed centre line and kerbs.
  for (int y = int(horizon); y < H; ++y) {
    float t = (y - horizon) / (H - horizon);
    float half = W * (0.01f + 0.42f * t), cx = W * 0.5f;
    float depth = 1.0f / (t + 0.02f);
    for (int x = 0; x < W; ++x) {
      float d = std::fabs(x - cx);
      if (d < half) {
        Rgba c = mix(rgb(0.25f, 0.22f, 0.25f), rgb(0.3f, 0.28f, 0.3f), t);
        if (d < half * 0.02f && std::fmod(depth, 2.0f) < 1.0f) c = rgb(0.9f, 0.85f, 0.7f);
        img.at(x, y) = c;
      } else if (d < half * 1.08f) {
        img.at(x, y) = std::fmod(depth * 2, 2.0f) < 1.0f ? rgb(0.8f, 0.15f, 0.1f) : rgb(0.9f, 0.9f, 0.9f);
      }
    }
  }
  // Palm silhouettes on both sides.
  for (int side = -1; side <= 1; side += 2) {
    for (int k = 0; k < 3; ++k) {
      float bx = W * 0.5f + side * W * (0.28f + 0.12f * k), by = horizon + H * (0.04f + 0.12f * k);
      float hgt = H * (0.18f + 0.12f * k);
      Rgba dark = rgb(0.05f, 0.04f, 0.08f);
      for (float t = 0; t <= 1; t += 0.002f) {
        float x = bx + side * hgt * 0.15f * t * t, y = by - hgt * t;
        float w = H * 0.008f * (1.6f - t) * (1 + 0.4f * k);
        for (int dx = int(-w); dx <= int(w); ++dx) img.blend(int(x) + dx, int(y), dark, 1);
      }
      float tx = bx + side * hgt * 0.15f, ty = by - hgt;
      for (int f = 0; f < 8; ++f) {
        float a = f * kPi / 4 + 0.3f;
        for (float t = 0; t <= 1; t += 0.004f) {
          float len = hgt * 0.35f;
          float x = tx + std::cos(a) * len * t, y = ty - std::sin(a) * len * t * 0.5f + len * 0.4f * t * t;
          float w = H * 0.006f * (1 - t) * (1 + 0.4f * k) + 0.5f;
          for (int dy = int(-w); dy <= int(w); ++dy) img.blend(int(x), int(y) + dy, dark, 1);
        }
      }
    }
  }
  return img;
}

void title(Image& img) {
  TextStyle s;
  s.face = Face::SansBold;
  s.colour = rgb(1, 0.92f, 0.3f);
  s.outline = 4;
  s.outlineColour = rgb(0.25f, 0.05f, 0.0f, 0.9f);
  s.stretchX = 1.1f;
  int W = img.width, H = img.height;
  drawTextInBox(img, "Five Laps", TextBox{W / 8, H / 14, W - W / 8, H / 14 + H / 6}, s, 0);
}

Image menu(int highlighted) {
  Image img = scene(1024, 768, 5);
  title(img);
  for (int i = 0; i < layout::kMenuEntries; ++i) {
    int y0 = 400 + i * 88;
    TextBox box{312, y0, 712, y0 + 60};
    if (i == highlighted) {
      img.fillRect(box.x0 - 10, box.y0 - 8, box.x1 + 10, box.y1 + 8, rgb(0, 0, 0, 0.55f));
      img.fillRect(box.x0 - 10, box.y0 - 8, box.x1 + 10, box.y0 - 5, rgb(1, 0.8f, 0.2f, 0.9f));
      img.fillRect(box.x0 - 10, box.y1 + 5, box.x1 + 10, box.y1 + 8, rgb(1, 0.8f, 0.2f, 0.9f));
    }
    TextStyle s;
    s.face = Face::SansBold;
    s.outline = 3;
    s.colour = i == highlighted ? rgb(1, 0.85f, 0.25f) : rgb(0.92f, 0.92f, 0.95f);
    s.outlineColour = rgb(0, 0, 0, 0.8f);
    drawTextInBox(img, layout::kMenuText[i], box, s, 0);
  }
  return img;
}

// The options screen's ground: the title's scene, darkened as the table's is,
// with its heading; the game writes the rows over it in Schrift.tga.
Image optionsBackground() {
  const int W = 1024, H = 768;
  Image img = scene(W, H, 5);
  img.fillRect(0, 0, W - 1, H - 1, rgb(0.02f, 0.02f, 0.08f, 0.6f));
  TextStyle s;
  s.face = Face::SansBold;
  s.colour = rgb(1, 0.85f, 0.3f);
  s.outline = 3;
  s.outlineColour = rgb(0, 0, 0, 0.8f);
  drawTextInBox(img, "Options", TextBox{W / 4, H / 40, W * 3 / 4, H / 40 + H / 12}, s, 0);
  return img;
}

// Every printable character in the menus' face and outline, one to a cell,
// on one baseline; the game finds each glyph's width from its ink.
Image menuFont() {
  Image img(layout::kFontW, layout::kFontH);
  TextStyle s;
  s.face = Face::SansBold;
  s.outline = 1.5f;
  s.outlineColour = rgb(0, 0, 0, 0.8f);
  for (int c = layout::kFontFirst; c <= layout::kFontLast; ++c) {
    const int i = c - layout::kFontFirst;
    const int x0 = (i % layout::kFontColumns) * layout::kFontCellW, y0 = (i / layout::kFontColumns) * layout::kFontCellH;
    drawTextInBox(img, std::string(1, char(c)), TextBox{x0, y0, x0 + layout::kFontCellW - 1, y0 + layout::kFontCellH - 1},
                  s, -1);
  }
  return img;
}

Image loading() {
  Image img = scene(1024, 768, 5);
  img.fillRect(0, 0, 1023, 767, rgb(0, 0, 0, 0.35f));
  title(img);
  TextStyle s;
  s.face = Face::SansBold;
  s.outline = 3;
  s.colour = rgb(1, 1, 1);
  drawTextInBox(img, "Loading ...", TextBox{312, 500, 712, 570}, s, 0);
  s.face = Face::Sans;
  s.outline = 2;
  s.colour = rgb(0.9f, 0.9f, 0.8f);
  drawTextInBox(img, "Five laps. Two checkpoints a lap. Beat the best time.", TextBox{162, 640, 862, 672}, s, 0);
  return img;
}

// Rows of the table sit at 3/4 - 1/20 - i/18 of the screen height, h/24 high;
// names start at 1/10 of the width, times at 7/10.
Image highScoreBackground() {
  const int W = 1024, H = 768;
  Image img = scene(W, H, 9);
  img.fillRect(0, 0, W - 1, H - 1, rgb(0.02f, 0.02f, 0.08f, 0.55f));
  TextStyle s;
  s.face = Face::SansBold;
  s.colour = rgb(1, 0.85f, 0.3f);
  s.outline = 3;
  s.outlineColour = rgb(0, 0, 0, 0.8f);
  drawTextInBox(img, "High Scores", TextBox{W / 4, H / 30, W * 3 / 4, H / 30 + H / 10}, s, 0);
  for (int i = 0; i < 10; ++i) {
    float bottom = 0.75f - 0.05f - i / 18.0f;  // fraction of the height from the bottom
    int yTop = int((1 - (bottom + 1 / 24.0f)) * H) - 6, yBottom = int((1 - bottom) * H) + 6;
    img.fillRect(W / 10 - 60, yTop, W * 9 / 10 + 20, yBottom, rgb(0, 0, 0, i % 2 ? 0.35f : 0.5f));
    TextStyle r;
    r.face = Face::SansBold;
    r.colour = rgb(1, 0.85f, 0.3f);
    r.outline = 1;
    drawTextInBox(img, std::to_string(i + 1) + ".", TextBox{W / 10 - 56, yTop + 8, W / 10 - 8, yBottom - 8}, r, 1);
  }
  return img;
}

// Kept apart from the background, which shows whether or not a name can be
// typed; lettered in the face of the name font.
Image highScorePrompts() {
  Image img(layout::kPromptsW, layout::kPromptsH);
  TextStyle s;
  s.face = Face::SansBold;
  s.colour = rgb(0.9f, 0.9f, 0.95f);
  s.outline = 1.5f;
  s.outlineColour = rgb(0, 0, 0, 0.7f);
  for (int i = 0; i < 2; ++i) drawTextInBox(img, layout::kPromptText[i], boxOf(img, layout::kPrompts[i], 1), s, 0);
  return img;
}

// The gold frame of the help and pause pictures, three pixels wide.
void goldFrame(Image& img) {
  const Rgba gold = rgb(1, 0.8f, 0.2f, 0.9f);
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x)
      if (x < 3 || y < 3 || x >= img.width - 3 || y >= img.height - 3) img.at(x, y) = gold;
}

Image help() {
  Image img(512, 512, rgb(0.02f, 0.03f, 0.08f, 0.72f));
  goldFrame(img);
  TextStyle head;
  head.face = Face::SansBold;
  head.colour = rgb(1, 0.85f, 0.3f);
  drawTextInBox(img, "Keys", TextBox{16, 10, 496, 40}, head, 0);
  const std::pair<const char*, const char*> keys[] = {
      {"Up / Down", "accelerate / brake, reverse"},
      {"Left / Right", "steer"},
      {"Space", "handbrake"},
      {"R", "lift the car back up"},
      {"C", "near / far camera"},
      {"Backspace", "restart the race"},
      {"P", "pause"},
      {"F1", "this help"},
      {"F2", "frame rate"},
      {"F3", "wireframe"},
      {"F4", "texture filtering"},
      {"F5", "mipmapping"},
      {"F6", "render path"},
      {"F7", "display lists"},
      {"F8", "frustum culling"},
      {"F9", "blending"},
      {"F10", "anisotropic filtering"},
      {"F11", "ghost of the best race"},
      {"Esc", "leave the race / menu"},
      {"Enter", "choose / confirm name"},
  };
  TextStyle k;
  k.face = Face::SansBold;
  k.colour = rgb(1, 1, 1);
  TextStyle d;
  d.face = Face::Sans;
  d.colour = rgb(0.85f, 0.9f, 1.0f);
  int y = 48;
  for (const auto& kv : keys) {
    drawTextInBox(img, kv.first, TextBox{16, y, 160, y + 20}, k, -1);
    drawTextInBox(img, kv.second, TextBox{170, y, 500, y + 20}, d, -1);
    y += 22;
  }
  return img;
}

// The pause menu's words on a clear ground with the help picture's border:
// the game lays the dark pane and the highlight under it. The rows are the
// game's (ui/pause.cpp): Resume 92-139, Restart 146-193, Give up 200-247.
Image pauseMenu() {
  Image img(512, 256, rgb(0, 0, 0, 0));
  goldFrame(img);
  TextStyle head;
  head.face = Face::SansBold;
  head.colour = rgb(1, 0.85f, 0.3f);
  drawTextInBox(img, "Paused", TextBox{16, 18, 496, 76}, head, 0);
  TextStyle entry;
  entry.face = Face::SansBold;
  entry.colour = rgb(1, 1, 1);
  entry.outline = 1.2f;
  entry.outlineColour = rgb(0, 0, 0, 0.7f);
  const char* const entries[] = {"Resume", "Restart", "Give up"};
  const int rows[] = {92, 146, 200};
  for (int i = 0; i < 3; ++i) drawTextInBox(img, entries[i], TextBox{16, rows[i] + 6, 496, rows[i] + 42}, entry, 0);
  return img;
}

// Upper-case letters: names sit on one line, and only Q's tail hangs below it.
Image characters() {
  Image img(layout::kCharsW, layout::kCharsH);
  TextStyle s;
  s.face = Face::SansBold;
  s.outline = 1.2f;
  s.outlineColour = rgb(0, 0, 0, 0.7f);
  for (int i = 0; i < 26; ++i) {
    const layout::Rect& r = layout::kLetters[i];
    std::string ch(1, char('A' + i));
    float quadW = 1024.0f * layout::kLetterK[i] / 1760.0f;
    float squeeze = float(r.c1 - r.c0 + 1) / quadW;
    if (i == 'q' - 'a') {
      // Q: the quad reaches below the line by 5/840 of the height: draw the
      // letter on the line and let only its tail go down.
      Mask m = rasterise("Q", s.face, 96);
      TextBox box = boxOf(img, r, 1);
      TextStyle q = s;
      q.stretchX = squeeze * (37.4f / 41.0f);
      drawMaskInBox(img, m, box, q, 0);
      continue;
    }
    glyphInRect(img, ch, r, squeeze, s);
  }
  return img;
}

}  // namespace

bool writePictures(const std::string& dir) {
  std::string t = dir + "/Data/Textures/";
  bool ok = writeTga(t + "Numbers.tga", numbers());
  ok = writeTga(t + "Info.tga", info()) && ok;
  ok = writeTga(t + "Laps.tga", laps()) && ok;
  ok = writeTga(t + "Speedindicator.tga", speedIndicator()) && ok;
  ok = writeTga(t + "Nadel.tga", needle()) && ok;
  ok = writeTga(t + "Go.tga", go()) && ok;
  ok = writeTga(t + "Help.tga", help()) && ok;
  ok = writeTga(t + "Pause.tga", pauseMenu()) && ok;
  for (int i = 0; i < layout::kMenuEntries; ++i)
    ok = writeTga(t + "Menue0" + std::to_string(i + 1) + ".tga", menu(i)) && ok;
  ok = writeTga(t + "Optionen.tga", optionsBackground()) && ok;
  ok = writeTga(t + "Schrift.tga", menuFont()) && ok;
  ok = writeTga(t + "Loading.tga", loading()) && ok;
  ok = writeTga(t + "HighScoreBackground.tga", highScoreBackground()) && ok;
  ok = writeTga(t + "HighScorePrompts.tga", highScorePrompts()) && ok;
  ok = writeTga(t + "Characters.tga", characters()) && ok;
  return ok;
}

}  // namespace content
