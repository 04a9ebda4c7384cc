// The model-file scanner: a keyword scan of the game's line-oriented VRML
// subset into the lists of each Shape, and the folding of those lists into the
// arrays GL draws from. Nothing here touches GL, so it runs from any stream.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <istream>
#include <string>

#include "render/model.h"

namespace {

// A line arrives in pieces of at most 254 characters, the newline included,
// exactly as the game's model files have always been read: a longer line is
// several lines to the scanner. False when nothing could be read.
bool readPiece(std::istream& in, std::string& line) {
  line.clear();
  std::streambuf* buf = in.rdbuf();
  if (!in || buf == nullptr) return false;
  while (line.size() < 254) {
    int c = buf->sbumpc();
    if (c == std::char_traits<char>::eof()) {
      in.setstate(std::ios::eofbit);
      break;
    }
    line.push_back(static_cast<char>(c));
    if (c == '\n') break;
  }
  if (line.empty()) return false;
  // Text after a NUL byte is invisible to every test and parse, as in a C string.
  std::size_t nul = line.find('\0');
  if (nul != std::string::npos) line.resize(nul);
  return true;
}

bool contains(const std::string& line, const char* word) {
  return line.find(word) != std::string::npos;
}

const char* skipBlanks(const char* p) {
  while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\v' || *p == '\f') ++p;
  return p;
}

// Reads up to `count` floats separated by blanks ("%f %f %f"); stops at the
// first that does not parse. Values already in `out` stay where parsing stops.
void parseFloats(const char* p, float* out, int count) {
  for (int i = 0; i < count; ++i) {
    p = skipBlanks(p);
    char* end = nullptr;
    float value = std::strtof(p, &end);
    if (end == p) return;
    out[i] = value;
    p = end;
  }
}

// "%s %f %f %f": the numbers after the first word of the line.
void parseAfterWord(const char* p, float* out, int count) {
  p = skipBlanks(p);
  if (*p == '\0') return;
  while (*p != '\0' && skipBlanks(p) == p) ++p;
  parseFloats(p, out, count);
}

// "%i, %i, %i,": C integer syntax (leading 0 octal, 0x hexadecimal), each
// number followed directly by a comma. Out-of-range numbers saturate, which
// makes them out-of-range indices that the array builder ignores.
void parseIndexTriple(const char* p, int* out) {
  for (int i = 0; i < 3; ++i) {
    p = skipBlanks(p);
    char* end = nullptr;
    long value = std::strtol(p, &end, 0);
    if (end == p) return;
    if (value > 2147483647L) value = 2147483647L;
    if (value < -2147483647L - 1) value = -2147483647L - 1;
    out[i] = static_cast<int>(value);
    if (*end != ',') return;
    p = end + 1;
  }
}

// `url "Data/Textures/Road.tga"` read as "%s \"%s": the first word, the
// opening quote, then the next word, which may stand apart from the quote
// (`url " Data/x.tga"` names Data/x.tga); at most 80 characters of it are
// used, closing quote dropped.
bool parseTextureName(const char* p, std::string& name) {
  p = skipBlanks(p);
  if (*p == '\0') return false;
  while (*p != '\0' && skipBlanks(p) == p) ++p;
  p = skipBlanks(p);
  if (*p != '"') return false;
  p = skipBlanks(p + 1);
  const char* end = p;
  while (*end != '\0' && skipBlanks(end) == end) ++end;
  if (end == p) return false;
  name.assign(p, end);
  if (name.size() > 80) name.resize(80);
  std::size_t quote = name.find('"');
  if (quote != std::string::npos) name.resize(quote);
  return true;
}

// The scanner's state: the open shape, its section flags and the parse buffers
// that carry values from one data line to the next for the whole file.
struct Scanner {
  Model& model;
  std::istream& in;
  std::string line;
  bool exhausted = false;
  Shape* shape = nullptr;
  bool seenCoordinate = false, seenNormal = false, seenTexCoord = false;
  bool seenCoordIndex = false, seenNormalIndex = false, seenTexCoordIndex = false;
  bool seenImageTexture = false;
  float position[3] = {0, 0, 0};
  float normal[3] = {0, 0, 0};
  float texCoord[2] = {0, 0};
  int coordTriple[3] = {0, 0, 0};
  int normalTriple[3] = {0, 0, 0};
  int texCoordTriple[3] = {0, 0, 0};
  int entries = 0;

  Scanner(Model& m, std::istream& s) : model(m), in(s) {}

  // Moves on to the next line; past the end the line under test is empty.
  void advance() {
    if (exhausted || !readPiece(in, line)) {
      exhausted = true;
      line.clear();
    }
  }

  void openShape() {
    model.shapes.emplace_back();
    ++entries;
    shape = &model.shapes.back();
    shape->textures.emplace_back();
    seenCoordinate = seenNormal = seenTexCoord = false;
    seenCoordIndex = seenNormalIndex = seenTexCoordIndex = false;
    seenImageTexture = false;
  }

  void materialTests();
  void geometryTests();
  void indexTests();
  // True when the line asks the scan to stop.
  bool runTests();
};

// Every test runs in turn; a test that consumes lines hands the next line to
// the tests below it, never back to those above.
void Scanner::materialTests() {
  if (contains(line, "DEF")) {
    openShape();
    // The two lines after a DEF line hold only the Shape and Appearance braces.
    advance();
    advance();
    advance();
  }
  if (shape == nullptr) return;
  if (contains(line, "ambientIntensity")) {
    parseAfterWord(line.c_str(), &shape->ambientIntensity, 1);
    advance();
  }
  if (contains(line, "diffuseColor")) {
    parseAfterWord(line.c_str(), shape->diffuseColor, 3);
    advance();
  }
  if (contains(line, "specularColor")) {
    parseAfterWord(line.c_str(), shape->specularColor, 3);
    advance();
  }
  if (contains(line, "shininess")) {
    parseAfterWord(line.c_str(), &shape->shininess, 1);
    advance();
  }
  if (contains(line, "transparency")) {
    parseAfterWord(line.c_str(), &shape->transparency, 1);
    // The line after transparency closes the Material node.
    advance();
    advance();
  }
  if (contains(line, "ImageTexture")) {
    seenImageTexture = true;
    advance();
  }
  std::string name;
  if (seenImageTexture && !seenCoordinate && contains(line, ".tga") &&
      parseTextureName(line.c_str(), name)) {
    shape->textures.front().textured = true;
    shape->textures.front().fileName = name;
  }
}

void Scanner::geometryTests() {
  if (contains(line, "Coordinate")) seenCoordinate = true;
  if (seenCoordinate && !seenNormal && !seenTexCoord && contains(line, ",")) {
    parseFloats(line.c_str(), position, 3);
    shape->coordinates.push_back({position[0], position[1], position[2]});
    ++entries;
    shape->vertexCount += 1;
  }
  if (contains(line, "Normal")) seenNormal = true;
  if (seenNormal && !seenCoordIndex && !seenTexCoord && contains(line, ",")) {
    parseFloats(line.c_str(), normal, 3);
    shape->normals.push_back({normal[0], normal[1], normal[2]});
    ++entries;
  }
  if (contains(line, "TextureCoordinate")) seenTexCoord = true;
  if (seenTexCoord && !seenCoordIndex && contains(line, ",")) {
    parseFloats(line.c_str(), texCoord, 2);
    shape->textureCoordinates.push_back({texCoord[0], texCoord[1]});
    ++entries;
  }
}

void Scanner::indexTests() {
  if (contains(line, "coordIndex")) seenCoordIndex = true;
  if (seenCoordIndex && !seenNormalIndex && !seenTexCoordIndex && contains(line, ",")) {
    parseIndexTriple(line.c_str(), coordTriple);
    shape->coordIndex.push_back({coordTriple[0], coordTriple[1], coordTriple[2]});
    ++entries;
    shape->triangleCount += 1;
  }
  if (contains(line, "normalIndex")) seenNormalIndex = true;
  if (seenNormalIndex && !seenTexCoordIndex && contains(line, ",")) {
    parseIndexTriple(line.c_str(), normalTriple);
    shape->normalIndex.push_back({normalTriple[0], normalTriple[1], normalTriple[2]});
    ++entries;
  }
  if (contains(line, "texCoordIndex")) seenTexCoordIndex = true;
  if (seenTexCoordIndex && contains(line, ",")) {
    parseIndexTriple(line.c_str(), texCoordTriple);
    shape->texCoordIndex.push_back({texCoordTriple[0], texCoordTriple[1], texCoordTriple[2]});
    ++entries;
  }
}

bool Scanner::runTests() {
  materialTests();
  if (shape != nullptr) {
    geometryTests();
    indexTests();
  }
  if (entries >= kMaxModelEntries) {
    model.truncated = true;
    return true;
  }
  return contains(line, "EOF");
}

template <typename List>
bool inRange(const List& list, int index) {
  return index >= 0 && static_cast<std::size_t>(index) < list.size();
}

// Folds normals and texture coordinates onto the vertices of the positions
// they share; the last triangle naming a position wins. Returns the number of
// indices that named nothing: triangles on missing positions are dropped,
// missing normals or texture coordinates leave the vertex as it was.
int foldShape(Shape& shape) {
  int ignored = 0;
  shape.vertices.assign(shape.coordinates.size(), ModelVertex{});
  for (std::size_t k = 0; k < shape.coordinates.size(); ++k) {
    shape.vertices[k].x = shape.coordinates[k][0];
    shape.vertices[k].y = shape.coordinates[k][1];
    shape.vertices[k].z = shape.coordinates[k][2];
  }
  const bool textured = !shape.textures.empty() && shape.textures.front().textured;
  shape.indices.clear();
  shape.indices.reserve(shape.coordIndex.size() * 3);
  for (std::size_t t = 0; t < shape.coordIndex.size(); ++t) {
    const auto& corners = shape.coordIndex[t];
    if (!inRange(shape.vertices, corners[0]) || !inRange(shape.vertices, corners[1]) ||
        !inRange(shape.vertices, corners[2])) {
      ++ignored;
      continue;
    }
    for (int c = 0; c < 3; ++c) {
      ModelVertex& v = shape.vertices[corners[c]];
      if (t < shape.normalIndex.size() && inRange(shape.normals, shape.normalIndex[t][c])) {
        const auto& n = shape.normals[shape.normalIndex[t][c]];
        v.nx = n[0];
        v.ny = n[1];
        v.nz = n[2];
      } else {
        ++ignored;
      }
      if (!textured) continue;
      if (t < shape.texCoordIndex.size() &&
          inRange(shape.textureCoordinates, shape.texCoordIndex[t][c])) {
        const auto& st = shape.textureCoordinates[shape.texCoordIndex[t][c]];
        v.s = st[0];
        v.t = st[1];
      } else {
        ++ignored;
      }
    }
    shape.indices.insert(shape.indices.end(), corners.begin(), corners.end());
  }
  // Everything that draws or cooks reads triangleCount triples from indices.
  shape.triangleCount = static_cast<int>(shape.indices.size() / 3);
  return ignored;
}

}  // namespace

int Model::scan(std::istream& in) {
  shapes.clear();
  shapeCount = 0;
  truncated = false;
  Scanner scanner(*this, in);
  scanner.advance();
  while (!scanner.exhausted) {
    if (scanner.runTests()) break;
    scanner.advance();
  }
  shapeCount = static_cast<int>(shapes.size());
  return buildArrays();
}

namespace {

// A sphere round the box of the shape's vertices: what the track's culling tests.
void boundShape(Shape& shape) {
  if (shape.vertices.empty()) return;
  float lo[3] = {shape.vertices[0].x, shape.vertices[0].y, shape.vertices[0].z};
  float hi[3] = {lo[0], lo[1], lo[2]};
  for (const ModelVertex& v : shape.vertices) {
    const float p[3] = {v.x, v.y, v.z};
    for (int k = 0; k < 3; ++k) {
      lo[k] = std::min(lo[k], p[k]);
      hi[k] = std::max(hi[k], p[k]);
    }
  }
  float radiusSquared = 0;
  for (int k = 0; k < 3; ++k) shape.boundsCentre[k] = 0.5f * (lo[k] + hi[k]);
  for (const ModelVertex& v : shape.vertices) {
    const float dx = v.x - shape.boundsCentre[0], dy = v.y - shape.boundsCentre[1],
                dz = v.z - shape.boundsCentre[2];
    radiusSquared = std::max(radiusSquared, dx * dx + dy * dy + dz * dz);
  }
  shape.boundsRadius = std::sqrt(radiusSquared);
}

}  // namespace

int Model::buildArrays() {
  int ignored = 0;
  for (Shape& shape : shapes) {
    ignored += foldShape(shape);
    boundShape(shape);
  }
  return ignored;
}
