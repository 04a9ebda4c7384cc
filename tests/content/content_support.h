// Helpers for the content tests: where the generated game lives, a reader
// that scans model files the way the game's loader does, and picture access.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace content_test {

// $FIVELAPS_BINARY_DIR/game, or "" when the variable is missing.
std::string gameDir();
bool fileExists(const std::string& path);

// One shape as the keyword scanner sees it.
struct ScannedShape {
  std::string name;  // after DEF
  float ambient = 0, diffuse[3] = {0, 0, 0}, specular[3] = {0, 0, 0}, shininess = 0,
        transparency = 0;
  bool textured = false;
  std::string texture = " ";
  std::vector<std::array<float, 3>> coords, normals;
  std::vector<std::array<float, 2>> texCoords;
  std::vector<std::array<int, 3>> coordIndex, normalIndex, texCoordIndex;
};
// Line by line, with the keyword tests, read-aheads and section flags of the
// game's loader.
std::vector<ScannedShape> scanModel(const std::string& path);
// The shapes whose name starts with `part` as one (a model's tiles of one part).
ScannedShape mergedPart(const std::vector<ScannedShape>& shapes, const std::string& part);

struct Picture {
  int width = 0, height = 0, bytesPerPixel = 0, format = 0;
  std::vector<uint8_t> data;  // as DevIL delivers it: row 0 is the bottom row
  uint8_t alpha(int x, int row) const { return data[(size_t(row) * width + x) * 4 + 3]; }
};
bool loadPicture(const std::string& path, Picture& out);

// Mono samples through libsndfile, and the file's rate.
bool loadSound(const std::string& path, std::vector<float>& samples, int& rate);

}  // namespace content_test
