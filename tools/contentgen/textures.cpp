// Textures of the models: road, kerb, grass, finish line, bark, fronds,
// bushes, house walls and roof tiles, the sky, and the first reflection map.
#include "contentgen.h"

#include <algorithm>

namespace content {
namespace {

Rgba rgb(float r, float g, float b, float a = 1) { return Rgba{r, g, b, a}; }
Rgba mix(Rgba a, Rgba b, float t) {
  return rgb(a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t);
}
Rgba shade(Rgba c, float f) { return rgb(c.r * f, c.g * f, c.b * f, c.a); }

// u, v in [0, 1) at pixel centres; v = 0 is the bottom row (t = 0).
template <class F>
Image paint(int w, int h, F f) {
  Image img(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) img.at(x, y) = f((x + 0.5f) / w, 1.0f - (y + 0.5f) / h);
  return img;
}

// Tileable noise over the unit square with `cells` lattice cells.
float tile(float u, float v, int cells, uint32_t seed, int octaves = 4) {
  return fbm2(u * cells, v * cells, seed, octaves, cells);
}

Image road() {
  return paint(256, 256, [](float u, float v) {
    float n = tile(u, v, 32, 3, 4) * 0.5f + tile(u, v, 8, 4, 2) * 0.5f;
    Rgba asphalt = shade(rgb(0.52f, 0.52f, 0.54f), 1.0f + 0.22f * n);
    float speck = tile(u, v, 128, 5, 1);
    if (speck > 0.55f) asphalt = shade(asphalt, 1.15f);
    bool edge = (u > 0.025f && u < 0.055f) || (u > 0.945f && u < 0.975f);
    bool dash = std::fabs(u - 0.5f) < 0.012f && v < 0.5f;
    if (edge || dash) asphalt = mix(asphalt, rgb(0.95f, 0.95f, 0.92f), 0.9f + 0.1f * n);
    return asphalt;
  });
}

Image kerb() {
  return paint(64, 64, [](float u, float v) {
    float n = tile(u, v, 8, 7, 2);
    Rgba c = v < 0.5f ? rgb(0.85f, 0.1f, 0.08f) : rgb(0.95f, 0.95f, 0.95f);
    // A little darker at both long edges, like a rounded kerb.
    float edge = std::min(u, 1 - u);
    return shade(c, (0.8f + 0.2f * smoothstep(0, 0.25f, edge)) * (1 + 0.06f * n));
  });
}

Image grass() {
  return paint(256, 256, [](float u, float v) {
    float big = tile(u, v, 4, 11, 3), mid = tile(u, v, 16, 12, 3), fine = tile(u, v, 64, 13, 2);
    Rgba lush = rgb(0.36f, 0.62f, 0.22f), dry = rgb(0.62f, 0.62f, 0.3f);
    Rgba c = mix(lush, dry, clamp01(0.35f + 0.8f * big));
    return shade(c, 1.0f + 0.18f * mid + 0.12f * fine);
  });
}

Image startLine() {
  return paint(64, 64, [](float u, float v) {
    bool black = (u < 0.5f) != (v < 0.5f);
    return black ? rgb(0.08f, 0.08f, 0.08f) : rgb(0.95f, 0.95f, 0.95f);
  });
}

Image bark() {
  return paint(64, 128, [](float u, float v) {
    float rings = std::fabs(std::sin(v * kPi * 10));
    float n = tile(u, v, 8, 21, 3);
    Rgba c = mix(rgb(0.45f, 0.33f, 0.2f), rgb(0.62f, 0.5f, 0.34f), clamp01(rings * 0.8f + 0.3f * n));
    return shade(c, 0.9f + 0.2f * tile(u, v, 32, 22, 2));
  });
}

// A palm leaf: a rib along v with leaflets slanting out; see-through between.
Image frond() {
  return paint(128, 256, [](float u, float v) {
    float across = std::fabs(u - 0.5f) * 2;  // 0 at the rib, 1 at the edge
    float reach = 0.95f * std::sin(std::min(1.0f, v * 1.15f) * kPi * 0.92f + 0.1f);
    if (across < 0.05f) return rgb(0.42f, 0.5f, 0.2f);
    if (across > reach) return rgb(0.2f, 0.4f, 0.1f, 0);
    // Leaflets: stripes slanting towards the tip.
    float phase = v * 26 - across * 2.2f;
    float f = phase - std::floor(phase);
    if (f > 0.62f) return rgb(0.2f, 0.4f, 0.1f, 0);
    float n = tile(u, v, 8, 31, 2);
    Rgba c = mix(rgb(0.18f, 0.45f, 0.12f), rgb(0.35f, 0.62f, 0.2f), clamp01(0.5f + n + 0.5f * (f / 0.62f - 0.5f)));
    return c;
  });
}

Image bush() {
  return paint(128, 128, [](float u, float v) {
    float n = tile(u, v, 8, 41, 4);
    float shape = 1.0f - std::pow(std::fabs(u - 0.5f) * 2, 2.0f) - std::pow(std::max(0.0f, v - 0.05f) / 0.95f, 1.6f);
    float density = shape + 0.55f * n;
    float leaf = tile(u, v, 32, 42, 2);
    if (density < 0.25f || (density < 0.45f && leaf < 0)) return rgb(0.15f, 0.35f, 0.1f, 0);
    Rgba c = mix(rgb(0.12f, 0.32f, 0.08f), rgb(0.38f, 0.6f, 0.2f), clamp01(0.5f + leaf + 0.3f * v));
    if (tile(u, v, 16, 43, 1) > 0.78f) c = rgb(0.9f, 0.3f, 0.5f);  // a few blossoms
    return c;
  });
}

// One window bay of a whitewashed house: u across 100 units, v up the wall.
Image houseWall() {
  return paint(256, 256, [](float u, float v) {
    float n = tile(u, v, 16, 51, 3);
    Rgba plaster = shade(rgb(0.95f, 0.92f, 0.84f), 0.95f + 0.07f * n);
    bool frame = u > 0.28f && u < 0.72f && v > 0.42f && v < 0.84f;
    bool glass = u > 0.31f && u < 0.69f && v > 0.45f && v < 0.81f;
    bool shutterL = u > 0.14f && u < 0.27f && v > 0.43f && v < 0.83f;
    bool shutterR = u > 0.73f && u < 0.86f && v > 0.43f && v < 0.83f;
    if (shutterL || shutterR) {
      float slat = std::fabs(std::sin(v * kPi * 40));
      return shade(rgb(0.2f, 0.5f, 0.45f), 0.8f + 0.2f * slat);
    }
    if (glass) {
      bool bar = std::fabs(u - 0.5f) < 0.01f || std::fabs(v - 0.63f) < 0.01f;
      return bar ? rgb(0.9f, 0.9f, 0.88f) : mix(rgb(0.25f, 0.35f, 0.45f), rgb(0.55f, 0.7f, 0.8f), clamp01(v - 0.3f));
    }
    if (frame) return rgb(0.85f, 0.85f, 0.82f);
    if (v < 0.06f) return shade(rgb(0.7f, 0.62f, 0.52f), 0.9f + 0.1f * n);  // skirting
    return plaster;
  });
}

Image roofTiles() {
  return paint(128, 128, [](float u, float v) {
    float row = v * 4, f = row - std::floor(row);
    float offset = (int(std::floor(row)) % 2) ? 0.125f : 0.0f;
    float col = (u + offset) * 4, g = col - std::floor(col);
    float curve = std::sin(g * kPi);
    float n = tile(u, v, 8, 61, 2);
    Rgba c = shade(rgb(0.78f, 0.36f, 0.2f), 0.65f + 0.35f * curve + 0.08f * n);
    if (f < 0.08f) c = shade(c, 0.55f);  // shadow under the row above
    return c;
  });
}

// Sky: v runs from 25 degrees below the horizon (0) to the zenith (1).
Image sky() {
  const float horizonV = 25.0f / 115.0f;
  return paint(512, 256, [&](float u, float v) {
    Rgba haze = rgb(0.66f, 0.82f, 1.0f), zenith = rgb(0.24f, 0.45f, 0.86f);
    if (v <= horizonV) return haze;
    float e = (v - horizonV) / (1 - horizonV);  // 0 horizon .. 1 zenith
    Rgba c = mix(haze, zenith, std::pow(e, 0.6f));
    // Fair-weather clouds, thinning towards the horizon and the zenith.
    float cloud = tile(u, std::min(e, 0.999f), 8, 71, 5);
    float amount = smoothstep(0.1f, 0.45f, cloud) * smoothstep(0.02f, 0.2f, e) * (1 - smoothstep(0.6f, 0.95f, e));
    return mix(c, rgb(0.97f, 0.97f, 1.0f), amount * 0.85f);
  });
}

Image darkEnvironment() {
  return paint(256, 256, [](float u, float v) {
    float n = tile(u, v, 8, 81, 3);
    Rgba top = rgb(0.32f, 0.38f, 0.5f), bottom = rgb(0.1f, 0.1f, 0.12f);
    return shade(mix(bottom, top, v), 1 + 0.15f * n);
  });
}

}  // namespace

bool writeModelTextures(const std::string& dir) {
  std::string t = dir + "/Data/Textures/";
  bool ok = writeTga(t + "Road.tga", road());
  ok = writeTga(t + "Kerb.tga", kerb()) && ok;
  ok = writeTga(t + "Grass.tga", grass()) && ok;
  ok = writeTga(t + "StartLine.tga", startLine()) && ok;
  ok = writeTga(t + "Bark.tga", bark()) && ok;
  ok = writeTga(t + "Frond.tga", frond()) && ok;
  ok = writeTga(t + "Bush.tga", bush()) && ok;
  ok = writeTga(t + "HouseWall.tga", houseWall()) && ok;
  ok = writeTga(t + "RoofTiles.tga", roofTiles()) && ok;
  ok = writeTga(t + "Sky.tga", sky()) && ok;
  ok = writeJpeg(t + "Dark.jpg", darkEnvironment()) && ok;
  return ok;
}

}  // namespace content
