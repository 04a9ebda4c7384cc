// Content generator for Five Laps: builds every data file the game reads.
// Everything is derived from fixed seeds, so two runs write identical bytes.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace content {

// ---- Small maths -------------------------------------------------------------
struct Vec3 {
  float x = 0, y = 0, z = 0;
};
inline Vec3 v3(float x, float y, float z) { return Vec3{x, y, z}; }
inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float length(Vec3 a) { return std::sqrt(dot(a, a)); }
inline Vec3 normalised(Vec3 a) {
  float l = length(a);
  return l > 1e-12f ? a * (1.0f / l) : Vec3{0, 1, 0};
}
inline float clamp01(float x) { return x < 0 ? 0 : (x > 1 ? 1 : x); }
inline float smoothstep(float a, float b, float x) {
  float t = clamp01((x - a) / (b - a));
  return t * t * (3 - 2 * t);
}
constexpr float kPi = 3.14159265358979f;

// Deterministic pseudo-random numbers: the same sequence on every machine,
// unlike the distributions of <random>.
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
  uint32_t next();
  float uniform() { return (next() >> 8) * (1.0f / 16777216.0f); }
  float range(float a, float b) { return a + (b - a) * uniform(); }
 private:
  uint64_t state_;
};

// Smooth value noise in [-1, 1], tileable with the given period (in lattice cells).
float noise2(float x, float y, uint32_t seed, int period = 0);
float fbm2(float x, float y, uint32_t seed, int octaves, int period = 0);

// ---- Pictures --------------------------------------------------------------------
struct Rgba {
  float r = 0, g = 0, b = 0, a = 0;
};

// Pixels stored top row first, the natural order for drawing; the writers
// turn them round so that the file's first row is the bottom one (t = 0).
struct Image {
  int width = 0, height = 0;
  std::vector<Rgba> px;
  Image() = default;
  Image(int w, int h, Rgba fill = {}) : width(w), height(h), px(size_t(w) * h, fill) {}
  Rgba& at(int x, int y) { return px[size_t(y) * width + x]; }
  const Rgba& at(int x, int y) const { return px[size_t(y) * width + x]; }
  // Row counted from the bottom, as texture coordinates count.
  int rowFromBottom(int r) const { return height - 1 - r; }
  void blend(int x, int y, Rgba c, float coverage);
  void fillRect(int x0, int y0, int x1, int y1, Rgba c);  // inclusive, top-down rows
  Rgba sampleWrap(float u, float v) const;                 // bilinear, repeating
};

bool writeTga(const std::string& path, const Image& img);
bool writeJpeg(const std::string& path, const Image& img);

// Lettering through FreeType with a DejaVu face.
enum class Face { Sans, SansBold, SerifBold, Condensed };
struct TextStyle {
  Face face = Face::SansBold;
  float pixelSize = 24;
  float stretchX = 1;      // horizontal stretch applied after rasterising
  Rgba colour{1, 1, 1, 1};
  float outline = 0;       // radius in pixels of a dark rim behind the glyphs
  Rgba outlineColour{0, 0, 0, 0.8f};
};
struct TextBox {
  int x0, y0, x1, y1;  // inclusive, top-down rows
};
// A coverage mask of a string, tightly cropped to its ink.
struct Mask {
  int width = 0, height = 0;
  int baseline = 0;  // rows from the top of the mask to the baseline
  std::vector<float> a;
};
Mask rasterise(const std::string& text, Face face, float pixelSize);
Mask scaleMask(const Mask& m, int w, int h);
// Draws a mask into the box: scaled to the box height, stretched by
// style.stretchX, squeezed to fit the width; align -1 left, 0 centre, 1 right.
void drawMaskInBox(Image& img, const Mask& m, TextBox box, const TextStyle& style, int align);
void drawTextInBox(Image& img, const std::string& text, TextBox box, const TextStyle& style,
                   int align);
// Draws text with its baseline at (x, y) at the style's pixel size.
int drawText(Image& img, const std::string& text, int x, int y, const TextStyle& style);
bool fontsAvailable();

// ---- Models -----------------------------------------------------------------------
struct Material {
  float ambient = 0.3f;
  Vec3 diffuse{1, 1, 1};
  Vec3 specular{0, 0, 0};
  float shininess = 0.1f;
  float transparency = 0;
};

// One shape: every vertex carries its own normal and texture coordinate, so the
// three index lists of the file are identical and nothing is folded on load.
struct Mesh {
  std::string name;
  Material mat;
  std::string texture;  // empty: untextured
  std::vector<Vec3> pos, nrm;
  std::vector<float> u, v;
  std::vector<int> tri;
  int add(Vec3 p, Vec3 n, float s = 0, float t = 0);
  void triangle(int a, int b, int c) { tri.insert(tri.end(), {a, b, c}); }
  // A flat-shaded triangle or quad turned so that its normal points along `out`.
  void flatTri(Vec3 a, Vec3 b, Vec3 c, Vec3 out);
  void flatQuad(Vec3 a, Vec3 b, Vec3 c, Vec3 d, Vec3 out);
  size_t triangleCount() const { return tri.size() / 3; }
};

// The mesh cut into squares on the ground plane, each triangle in the square
// that holds its centroid: a square is quartered while it holds more than
// `maxTriangles` and is wider than `minSize`, so sparse ground stays in a few
// large pieces. Empty squares are left out; the pieces are named after the
// mesh and numbered.
std::vector<Mesh> splitIntoTiles(const Mesh& m, size_t maxTriangles, float minSize);

struct ModelFile {
  std::vector<Mesh> shapes;
  size_t triangleCount() const;
};
bool writeModel(const std::string& path, const ModelFile& model);

// ---- The world --------------------------------------------------------------------
struct Placement {
  float x, y, z, yaw, sx, sy, sz;
};
struct World {
  std::vector<Vec3> centre;  // centre line every ~50 units, driving order from the start
  ModelFile track, collide;
  std::vector<Placement> palms, palms2, bushes, houses;
};
// Road geometry shared by the generator and its checks.
constexpr float kRoadHalf = 140;   // asphalt
constexpr float kKerb = 14;        // kerb strip outside the asphalt
constexpr float kShoulder = 150;   // grass verge from the kerb down to the terrain

World buildWorld();
bool writeWorld(const std::string& dir, const World& w);

// The autopilot's five-lap race (tools/autopilot; the race runs in ticks of
// 1/60 s, so it is the same race at any frame rate): race-clock readings at
// checkpoint 1, checkpoint 2 and the line for each lap. The shipped high-score
// table is built from it.
constexpr float kReferenceRace[15] = {14.633f,  22.700f,  36.917f,  50.017f,  58.083f,
                                      72.283f,  85.383f,  93.417f,  107.650f, 120.733f,
                                      128.800f, 143.033f, 156.133f, 164.200f, 178.383f};
// The best shipped entry is this much slower than the reference race; each
// place after it this much more, down to a beginner's time in tenth place.
constexpr float kBestEntryPace = 1.025f;
constexpr float kPacePerPlace = 0.09f;

ModelFile buildCar();
ModelFile buildWheel();
ModelFile buildPalm();
ModelFile buildPalm2();
// The palms as they are drawn where they cover a few pixels: same shapes,
// pictures and outline, a third of the triangles.
ModelFile buildPalmFar();
ModelFile buildPalm2Far();
ModelFile buildBush();
ModelFile buildHouse();
ModelFile buildSky();

// ---- Writers of each file group ---------------------------------------------------
bool writeModelTextures(const std::string& dir);
bool writePictures(const std::string& dir);
bool writeSounds(const std::string& dir);
bool writeDefaults(const std::string& dir);

struct GenerateStats {
  double seconds = 0;
  size_t trackTris = 0, collideTris = 0;
};
// Writes the whole game directory; false when any file could not be written.
bool generateAll(const std::string& gameDir, GenerateStats* stats);

bool makeDirs(const std::string& path);

}  // namespace content
