// A model file in memory: shapes with material, texture and an indexed
// triangle mesh, plus the GL objects built from them.
#pragma once

#include <array>
#include <iosfwd>
#include <string>
#include <vector>

// Interleaved vertex, the GL_T2F_N3F_V3F layout: handed to GL as it is.
struct ModelVertex {
  float s, t;
  float nx, ny, nz;
  float x, y, z;
};
static_assert(sizeof(ModelVertex) == 32, "ModelVertex must match GL_T2F_N3F_V3F");

struct TextureRef {
  bool textured = false;
  std::string fileName = " ";
};

struct Shape {
  unsigned int displayList = 0;
  unsigned int vertexBuffer = 0;
  unsigned int indexBuffer = 0;
  unsigned int texture = 0;
  unsigned int mipmappedTexture = 0;
  // Every texel of the picture fully opaque: an alpha test can cut nothing out.
  bool opaqueTexels = false;
  int vertexCount = 0;
  int triangleCount = 0;
  // A sphere holding every vertex (model space); radius 0 with no vertices.
  float boundsCentre[3] = {0, 0, 0};
  float boundsRadius = 0;
  float diffuseColor[3] = {0, 0, 0};
  float ambientIntensity = 0;
  float specularColor[3] = {0, 0, 0};
  float shininess = 0;
  float transparency = 0;
  std::vector<int> indices;                        // triangleCount * 3
  std::vector<std::array<int, 3>> coordIndex;
  std::vector<std::array<int, 3>> texCoordIndex;
  std::vector<std::array<int, 3>> normalIndex;
  std::vector<ModelVertex> vertices;               // vertexCount
  std::vector<std::array<float, 3>> coordinates;
  std::vector<std::array<float, 2>> textureCoordinates;
  std::vector<std::array<float, 3>> normals;
  std::vector<TextureRef> textures;
};

// Most positions, normals, texture coordinates and index triples one model
// file may give, all shapes together: twenty times the track. A file with
// more is read up to there, so that it costs a few hundred megabytes at most.
constexpr int kMaxModelEntries = 1 << 22;

struct Model {
  int useDisplayLists = 0;
  int renderMode = 0;
  int shapeCount = 0;
  std::string fileName;
  std::vector<Shape> shapes;
  unsigned int reflectionCubeMap = 0;
  int linearFiltering = 0;
  int mipmapping = 0;
  int anisotropyMode = 0;
  float maxAnisotropy = 0;
  bool truncated = false;  // the file gave more than kMaxModelEntries

  // Loads a model file: scan, arrays, textures, buffers, display lists.
  // Needs a current GL context; a file that cannot be opened gives no shapes.
  void load(const char* fileName);
  // The GL-free part of loading: scans lines from a stream into shapes and
  // builds `vertices` and `indices`. Returns how many out-of-range indices were
  // ignored (triangles on missing positions are dropped; missing normals or
  // texture coordinates leave the vertex as it was).
  int scan(std::istream& in);
  int buildArrays();
  void loadTextures();
  void buildVertexBuffers();
  void buildDisplayLists();
  void draw(bool alphaTest, int shapeIndex, int reserved) const;
  // The shape indices in the order draw() takes them: untextured opaque,
  // untextured transparent, textured, each in file order.
  void passOrder(std::vector<int>& order) const;
  // One shape drawn many times with its state set once: beginShape, then
  // sendShape for each copy under its own modelview, then endShape. draw()
  // is these three for each shape it takes.
  void beginShape(bool alphaTest, int shapeIndex) const;
  void sendShape(int shapeIndex) const;
  void endShape(bool alphaTest, int shapeIndex) const;
  // The whole model at `opacity`, without the reflection map (the ghost).
  void drawTranslucent(float opacity) const;
};

// ---- Per process: the models drawn outside the scenery ---------------------
extern Model gSkyModel;
extern Model gCarModel;
extern Model gWheelModel;
