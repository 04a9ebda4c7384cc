// Pictures: pixel buffer, TGA and JPEG writers, lettering and noise.
#include "contentgen.h"

#include <IL/il.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdio>
#include <map>

namespace content {

uint32_t Rng::next() {
  // PCG-style output of a 64-bit LCG.
  state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
  uint32_t xorshifted = uint32_t(((state_ >> 18u) ^ state_) >> 27u);
  uint32_t rot = uint32_t(state_ >> 59u);
  return (xorshifted >> rot) | (xorshifted << ((32 - rot) & 31));
}

static uint32_t hash3(int x, int y, uint32_t seed) {
  uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return h ^ (h >> 16);
}

float noise2(float x, float y, uint32_t seed, int period) {
  int xi = int(std::floor(x)), yi = int(std::floor(y));
  float fx = x - xi, fy = y - yi;
  auto lattice = [&](int a, int b) {
    if (period > 0) {
      a = ((a % period) + period) % period;
      b = ((b % period) + period) % period;
    }
    return (hash3(a, b, seed) & 0xFFFFFF) / float(0x7FFFFF) - 1.0f;
  };
  float sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
  float a = lattice(xi, yi), b = lattice(xi + 1, yi);
  float c = lattice(xi, yi + 1), d = lattice(xi + 1, yi + 1);
  return (a + (b - a) * sx) + ((c + (d - c) * sx) - (a + (b - a) * sx)) * sy;
}

float fbm2(float x, float y, uint32_t seed, int octaves, int period) {
  float sum = 0, amp = 0.5f, norm = 0;
  for (int o = 0; o < octaves; ++o) {
    sum += amp * noise2(x, y, seed + uint32_t(o) * 101u, period);
    norm += amp;
    x *= 2;
    y *= 2;
    period *= 2;
    amp *= 0.5f;
  }
  return sum / norm;
}

void Image::blend(int x, int y, Rgba c, float coverage) {
  if (x < 0 || y < 0 || x >= width || y >= height) return;
  float a = clamp01(c.a * coverage);
  if (a <= 0) return;
  Rgba& d = at(x, y);
  // "Over" compositing on straight alpha.
  float outA = a + d.a * (1 - a);
  if (outA <= 0) return;
  d.r = (c.r * a + d.r * d.a * (1 - a)) / outA;
  d.g = (c.g * a + d.g * d.a * (1 - a)) / outA;
  d.b = (c.b * a + d.b * d.a * (1 - a)) / outA;
  d.a = outA;
}

void Image::fillRect(int x0, int y0, int x1, int y1, Rgba c) {
  for (int y = std::max(0, y0); y <= std::min(height - 1, y1); ++y)
    for (int x = std::max(0, x0); x <= std::min(width - 1, x1); ++x) blend(x, y, c, 1);
}

Rgba Image::sampleWrap(float u, float v) const {
  float fx = u * width - 0.5f, fy = v * height - 0.5f;
  int x0 = int(std::floor(fx)), y0 = int(std::floor(fy));
  float tx = fx - x0, ty = fy - y0;
  auto get = [&](int x, int y) {
    x = ((x % width) + width) % width;
    y = ((y % height) + height) % height;
    return at(x, y);
  };
  Rgba a = get(x0, y0), b = get(x0 + 1, y0), c = get(x0, y0 + 1), d = get(x0 + 1, y0 + 1);
  auto mix = [](Rgba p, Rgba q, float t) {
    return Rgba{p.r + (q.r - p.r) * t, p.g + (q.g - p.g) * t, p.b + (q.b - p.b) * t,
                p.a + (q.a - p.a) * t};
  };
  return mix(mix(a, b, tx), mix(c, d, tx), ty);
}

static uint8_t toByte(float v) { return uint8_t(std::lround(clamp01(v) * 255.0f)); }

bool writeTga(const std::string& path, const Image& img) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  uint8_t header[18] = {};
  header[2] = 2;  // uncompressed true colour
  header[12] = uint8_t(img.width & 0xFF);
  header[13] = uint8_t(img.width >> 8);
  header[14] = uint8_t(img.height & 0xFF);
  header[15] = uint8_t(img.height >> 8);
  header[16] = 32;
  header[17] = 8;  // 8 alpha bits, origin lower left: the first stored row is t = 0
  std::fwrite(header, 1, sizeof header, f);
  std::vector<uint8_t> row(size_t(img.width) * 4);
  for (int y = img.height - 1; y >= 0; --y) {
    for (int x = 0; x < img.width; ++x) {
      const Rgba& p = img.at(x, y);
      uint8_t* o = &row[size_t(x) * 4];
      o[0] = toByte(p.b);
      o[1] = toByte(p.g);
      o[2] = toByte(p.r);
      o[3] = toByte(p.a);
    }
    std::fwrite(row.data(), 1, row.size(), f);
  }
  return std::fclose(f) == 0;
}

bool writeJpeg(const std::string& path, const Image& img) {
  static bool started = false;
  if (!started) {
    ilInit();
    started = true;
  }
  std::vector<uint8_t> rgb(size_t(img.width) * img.height * 3);
  // DevIL keeps images bottom row first.
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x) {
      const Rgba& p = img.at(x, img.height - 1 - y);
      uint8_t* o = &rgb[(size_t(y) * img.width + x) * 3];
      o[0] = toByte(p.r);
      o[1] = toByte(p.g);
      o[2] = toByte(p.b);
    }
  ILuint name = 0;
  ilGenImages(1, &name);
  ilBindImage(name);
  bool ok = ilTexImage(ILuint(img.width), ILuint(img.height), 1, 3, IL_RGB, IL_UNSIGNED_BYTE,
                       rgb.data()) == IL_TRUE;
  ilEnable(IL_FILE_OVERWRITE);
  ilSetInteger(IL_JPG_QUALITY, 92);
  std::remove(path.c_str());
  ok = ok && ilSaveImage(path.c_str()) == IL_TRUE;
  ilDeleteImages(1, &name);
  return ok;
}

// ---- Lettering ---------------------------------------------------------------------------
namespace {
const char* faceFile(Face f) {
  switch (f) {
    case Face::Sans: return "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    case Face::SansBold: return "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
    case Face::SerifBold: return "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf";
    case Face::Condensed: return "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf";
  }
  return "";
}

struct FontLib {
  FT_Library lib = nullptr;
  std::map<int, FT_Face> faces;
  FontLib() { FT_Init_FreeType(&lib); }
  ~FontLib() {
    for (auto& f : faces) FT_Done_Face(f.second);
    if (lib) FT_Done_FreeType(lib);
  }
  FT_Face face(Face which) {
    auto it = faces.find(int(which));
    if (it != faces.end()) return it->second;
    FT_Face f = nullptr;
    if (!lib || FT_New_Face(lib, faceFile(which), 0, &f) != 0) f = nullptr;
    faces[int(which)] = f;
    return f;
  }
};
FontLib& fonts() {
  static FontLib lib;
  return lib;
}
}  // namespace

bool fontsAvailable() { return fonts().face(Face::SansBold) != nullptr; }

Mask rasterise(const std::string& text, Face which, float pixelSize) {
  Mask m;
  FT_Face face = fonts().face(which);
  if (!face) return m;
  FT_Set_Pixel_Sizes(face, 0, FT_UInt(std::lround(pixelSize)));
  int ascent = int(face->size->metrics.ascender >> 6) + 2;
  int descent = int(-face->size->metrics.descender >> 6) + 2;
  int height = ascent + descent;
  // First pass: the pen run; second: the pixels.
  int pen = 2, width = 4;
  for (unsigned char ch : text) {
    if (FT_Load_Char(face, ch, FT_LOAD_DEFAULT) != 0) continue;
    pen += int(face->glyph->advance.x >> 6);
  }
  width += pen;
  std::vector<float> full(size_t(width) * height, 0.0f);
  pen = 2;
  for (unsigned char ch : text) {
    if (FT_Load_Char(face, ch, FT_LOAD_RENDER) != 0) continue;
    FT_GlyphSlot g = face->glyph;
    for (unsigned r = 0; r < g->bitmap.rows; ++r)
      for (unsigned c = 0; c < g->bitmap.width; ++c) {
        int x = pen + g->bitmap_left + int(c), y = ascent - g->bitmap_top + int(r);
        if (x < 0 || y < 0 || x >= width || y >= height) continue;
        float v = g->bitmap.buffer[r * unsigned(g->bitmap.pitch) + c] / 255.0f;
        full[size_t(y) * width + x] = std::max(full[size_t(y) * width + x], v);
      }
    pen += int(g->advance.x >> 6);
  }
  int minX = width, minY = height, maxX = -1, maxY = -1;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (full[size_t(y) * width + x] > 0) {
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
      }
  if (maxX < 0) return m;
  m.width = maxX - minX + 1;
  m.height = maxY - minY + 1;
  m.baseline = ascent - minY;
  m.a.resize(size_t(m.width) * m.height);
  for (int y = 0; y < m.height; ++y)
    for (int x = 0; x < m.width; ++x)
      m.a[size_t(y) * m.width + x] = full[size_t(y + minY) * width + x + minX];
  return m;
}

Mask scaleMask(const Mask& m, int w, int h) {
  Mask out;
  out.width = std::max(1, w);
  out.height = std::max(1, h);
  out.baseline = m.height ? m.baseline * out.height / m.height : 0;
  out.a.assign(size_t(out.width) * out.height, 0);
  if (m.width == 0) return out;
  // Box filter over the source footprint: good for both shrinking and stretching.
  float sx = float(m.width) / out.width, sy = float(m.height) / out.height;
  for (int y = 0; y < out.height; ++y)
    for (int x = 0; x < out.width; ++x) {
      float x0 = x * sx, x1 = (x + 1) * sx, y0 = y * sy, y1 = (y + 1) * sy;
      float sum = 0, area = 0;
      for (int yy = int(y0); yy < int(std::ceil(y1)) && yy < m.height; ++yy)
        for (int xx = int(x0); xx < int(std::ceil(x1)) && xx < m.width; ++xx) {
          float wx = std::min(x1, float(xx + 1)) - std::max(x0, float(xx));
          float wy = std::min(y1, float(yy + 1)) - std::max(y0, float(yy));
          if (wx <= 0 || wy <= 0) continue;
          sum += m.a[size_t(yy) * m.width + xx] * wx * wy;
          area += wx * wy;
        }
      out.a[size_t(y) * out.width + x] = area > 0 ? sum / area : 0;
    }
  return out;
}

static void stamp(Image& img, const Mask& m, int left, int top, const TextStyle& s,
                  const TextBox* clip) {
  auto inside = [&](int x, int y) {
    return !clip || (x >= clip->x0 && x <= clip->x1 && y >= clip->y0 && y <= clip->y1);
  };
  if (s.outline > 0) {
    int r = int(std::ceil(s.outline));
    for (int y = -r; y < m.height + r; ++y)
      for (int x = -r; x < m.width + r; ++x) {
        float best = 0;
        for (int dy = -r; dy <= r; ++dy)
          for (int dx = -r; dx <= r; ++dx) {
            int sx = x + dx, sy = y + dy;
            if (sx < 0 || sy < 0 || sx >= m.width || sy >= m.height) continue;
            if (dx * dx + dy * dy > s.outline * s.outline + 0.5f) continue;
            best = std::max(best, m.a[size_t(sy) * m.width + sx]);
          }
        if (best > 0 && inside(left + x, top + y)) img.blend(left + x, top + y, s.outlineColour, best);
      }
  }
  for (int y = 0; y < m.height; ++y)
    for (int x = 0; x < m.width; ++x) {
      float a = m.a[size_t(y) * m.width + x];
      if (a > 0 && inside(left + x, top + y)) img.blend(left + x, top + y, s.colour, a);
    }
}

void drawMaskInBox(Image& img, const Mask& m, TextBox box, const TextStyle& style, int align) {
  if (m.width == 0) return;
  int pad = int(std::ceil(style.outline));
  int bw = box.x1 - box.x0 + 1 - 2 * pad, bh = box.y1 - box.y0 + 1 - 2 * pad;
  if (bw < 1 || bh < 1) return;
  int h = bh;
  int w = int(std::lround(m.width * (float(h) / m.height) * style.stretchX));
  if (w > bw) w = bw;
  Mask sm = scaleMask(m, std::max(1, w), h);
  int left = box.x0 + pad;
  if (align == 0) left += (bw - w) / 2;
  if (align > 0) left += bw - w;
  stamp(img, sm, left, box.y0 + pad, style, &box);
}

void drawTextInBox(Image& img, const std::string& text, TextBox box, const TextStyle& style,
                   int align) {
  // Scale by the face's full ink height, not the string's, so that every
  // message drawn into boxes of one height gets letters of one size.
  Mask m = rasterise(text, style.face, 64);
  Mask ref = rasterise("Hgjy", style.face, 64);
  if (m.width == 0 || ref.height == 0) return;
  int pad = int(std::ceil(style.outline));
  int bw = box.x1 - box.x0 + 1 - 2 * pad, bh = box.y1 - box.y0 + 1 - 2 * pad;
  if (bw < 1 || bh < 1) return;
  float scale = float(bh) / ref.height;
  int w = std::min(bw, int(std::lround(m.width * scale * style.stretchX)));
  int h = std::max(1, int(std::lround(m.height * scale)));
  Mask sm = scaleMask(m, std::max(1, w), h);
  int baselineY = box.y0 + pad + int(std::lround(ref.baseline * scale));
  int top = std::max(box.y0 + pad, baselineY - int(std::lround(m.baseline * scale)));
  int left = box.x0 + pad;
  if (align == 0) left += (bw - w) / 2;
  if (align > 0) left += bw - w;
  stamp(img, sm, left, top, style, &box);
}

int drawText(Image& img, const std::string& text, int x, int y, const TextStyle& style) {
  Mask m = rasterise(text, style.face, style.pixelSize);
  if (m.width == 0) return 0;
  if (style.stretchX != 1) {
    int baseline = m.baseline;
    m = scaleMask(m, int(std::lround(m.width * style.stretchX)), m.height);
    m.baseline = baseline;
  }
  stamp(img, m, x, y - m.baseline, style, nullptr);
  return m.width;
}

}  // namespace content
