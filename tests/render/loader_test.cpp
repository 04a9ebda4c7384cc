// The model scanner from in-memory text: the keyword rules, the folding of
// normals and texture coordinates, and hostile files.
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>

#include "model_text.h"
#include "render/model.h"

using modeltext::ShapeText;
using modeltext::shapeText;

namespace {

struct Scanned {
  Model model;
  int ignored = 0;
};

Scanned scanText(const std::string& text) {
  Scanned s;
  std::istringstream in(text);
  s.ignored = s.model.scan(in);
  return s;
}

// What drawing and cooking rely on, whatever the file held.
void expectConsistent(const Model& m) {
  ASSERT_EQ(m.shapeCount, static_cast<int>(m.shapes.size()));
  for (const Shape& shape : m.shapes) {
    ASSERT_EQ(shape.vertices.size(), static_cast<size_t>(shape.vertexCount));
    ASSERT_EQ(shape.indices.size(), static_cast<size_t>(shape.triangleCount) * 3);
    ASSERT_EQ(shape.textures.size(), 1u);
    for (int index : shape.indices) {
      ASSERT_GE(index, 0);
      ASSERT_LT(index, shape.vertexCount);
    }
  }
}

TEST(ModelScan, WellFormedShapeFillsMaterialGeometryAndArrays) {
  ShapeText t;
  t.texture = "Data/Textures/Road.tga";
  Scanned s = scanText(shapeText(t));
  ASSERT_EQ(s.model.shapeCount, 1);
  EXPECT_EQ(s.ignored, 0);
  const Shape& shape = s.model.shapes[0];
  EXPECT_FLOAT_EQ(shape.ambientIntensity, 0.2f);
  EXPECT_FLOAT_EQ(shape.diffuseColor[0], 0.8f);
  EXPECT_FLOAT_EQ(shape.diffuseColor[2], 0.1f);
  EXPECT_FLOAT_EQ(shape.specularColor[1], 0.4f);
  EXPECT_FLOAT_EQ(shape.shininess, 0.3f);
  EXPECT_FLOAT_EQ(shape.transparency, 0.25f);
  ASSERT_TRUE(shape.textures[0].textured);
  EXPECT_EQ(shape.textures[0].fileName, "Data/Textures/Road.tga");
  EXPECT_EQ(shape.vertexCount, 4);
  EXPECT_EQ(shape.normals.size(), 2u);
  EXPECT_EQ(shape.textureCoordinates.size(), 4u);
  EXPECT_EQ(shape.triangleCount, 2);
  EXPECT_EQ(shape.indices, (std::vector<int>{0, 1, 2, 0, 2, 3}));
  const ModelVertex& v2 = shape.vertices[2];
  EXPECT_FLOAT_EQ(v2.x, 1.0f);
  EXPECT_FLOAT_EQ(v2.y, 1.0f);
  EXPECT_FLOAT_EQ(v2.nz, 1.0f);
  EXPECT_FLOAT_EQ(v2.s, 1.0f);
  EXPECT_FLOAT_EQ(v2.t, 1.0f);
  expectConsistent(s.model);
}

TEST(ModelScan, DefOpensShapesAndSkipsTheTwoLinesAfterIt) {
  Scanned one = scanText(shapeText(ShapeText{}));
  EXPECT_EQ(one.model.shapeCount, 1);

  // DEF on the geometry line opens a second shape; the Coordinate keyword and
  // the point line after it are skipped, so the points are never read.
  std::string text = shapeText(ShapeText{});
  const std::string geometry = "  geometry IndexedFaceSet {\n";
  text.replace(text.find(geometry), geometry.size(), "  geometry DEF Faces IndexedFaceSet {\n");
  Scanned two = scanText(text);
  ASSERT_EQ(two.model.shapeCount, 2);
  EXPECT_FLOAT_EQ(two.model.shapes[0].diffuseColor[0], 0.8f);
  EXPECT_EQ(two.model.shapes[0].vertexCount, 0);
  EXPECT_EQ(two.model.shapes[1].vertexCount, 0);
  EXPECT_FLOAT_EQ(two.model.shapes[1].diffuseColor[0], 0.0f);
  expectConsistent(two.model);
}

TEST(ModelScan, MaterialLinesAreRecognisedOnlyInTableOrder) {
  ShapeText t;
  t.material = "      specularColor 0.5 0.5 0.5\n      diffuseColor 0.9 0.9 0.9\n    }\n";
  EXPECT_FLOAT_EQ(scanText(shapeText(t)).model.shapes[0].diffuseColor[0], 0.0f);

  t.material = "      specularColor 0.5 0.5 0.5\n      # unrelated\n      diffuseColor 0.9 0.9 0.9\n    }\n";
  EXPECT_FLOAT_EQ(scanText(shapeText(t)).model.shapes[0].diffuseColor[0], 0.9f);

  // The line after transparency is never examined: a texture node there is lost.
  t.material = "      transparency 0.5\n";
  t.texture = "Data/Textures/Road.tga";
  Scanned s = scanText(shapeText(t));
  EXPECT_FLOAT_EQ(s.model.shapes[0].transparency, 0.5f);
  EXPECT_FALSE(s.model.shapes[0].textures[0].textured);
}

TEST(ModelScan, ShapeWithoutMaterialIsBlackOpaqueAndUntextured) {
  ShapeText t;
  t.material = "    }\n";
  const Scanned s = scanText(shapeText(t));
  const Shape& shape = s.model.shapes[0];
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(shape.diffuseColor[i], 0.0f);
    EXPECT_EQ(shape.specularColor[i], 0.0f);
  }
  EXPECT_EQ(shape.shininess, 0.0f);
  EXPECT_EQ(shape.transparency, 0.0f);
  EXPECT_FALSE(shape.textures[0].textured);
  EXPECT_EQ(shape.textures[0].fileName, " ");
}

TEST(ModelScan, IndexLinesKeepTheFirstThreeIntegersInCSyntax) {
  ShapeText t;
  t.points = "0 0 0,\n1 0 0,\n2 0 0,\n3 0 0,\n4 0 0,\n5 0 0,\n6 0 0,\n7 0 0,\n8 0 0,\n";
  t.coordIndex = "0, 1, 2, -1,\n4, 5, 6, 7, -1,\n010, 0x3, 1,\n";
  t.normalIndex = "0, 0, 0,\n0, 0, 0,\n0, 0, 0,\n";
  t.texCoordIndex = "";
  const Scanned s = scanText(shapeText(t));
  const Shape& shape = s.model.shapes[0];
  EXPECT_EQ(shape.indices, (std::vector<int>{0, 1, 2, 4, 5, 6, 8, 3, 1}));
}

TEST(ModelScan, OnlyTgaTexturesBeforeTheCoordinatesAreTaken) {
  ShapeText t;
  t.texture = "Data/Textures/Grass.jpg";
  EXPECT_FALSE(scanText(shapeText(t)).model.shapes[0].textures[0].textured);

  t.texture = std::string(100, 'a') + ".tga";
  Scanned longName = scanText(shapeText(t));
  ASSERT_TRUE(longName.model.shapes[0].textures[0].textured);
  EXPECT_EQ(longName.model.shapes[0].textures[0].fileName, std::string(80, 'a'));

  // Blanks between the opening quote and the name are skipped, as by "%s".
  t.texture = " \tData/x.tga";
  Scanned apart = scanText(shapeText(t));
  ASSERT_TRUE(apart.model.shapes[0].textures[0].textured);
  EXPECT_EQ(apart.model.shapes[0].textures[0].fileName, "Data/x.tga");

  // A .tga line once the coordinates have begun is geometry, not a texture.
  t.texture = "";
  std::string text = shapeText(t);
  text.insert(text.find("      point ["), "    texture ImageTexture {\n      url \"Late.tga\"\n");
  EXPECT_FALSE(scanText(text).model.shapes[0].textures[0].textured);
}

TEST(ModelScan, LastTriangleNamingAPositionGivesItsNormal) {
  ShapeText t;
  t.normals = "1 0 0,\n0 1 0,\n0 0 1,\n";
  t.coordIndex = "0, 1, 3, -1,\n1, 2, 3, -1,\n";
  t.normalIndex = "0, 0, 1, -1,\n0, 0, 2, -1,\n";
  const Scanned s = scanText(shapeText(t));
  const Shape& shape = s.model.shapes[0];
  EXPECT_FLOAT_EQ(shape.vertices[3].nz, 1.0f);
  EXPECT_FLOAT_EQ(shape.vertices[3].ny, 0.0f);
}

TEST(ModelScan, EmptyOrEofFileGivesNoShapesAndEofStopsTheScan) {
  EXPECT_EQ(scanText("").model.shapeCount, 0);
  EXPECT_EQ(scanText("EOF\n" + shapeText(ShapeText{})).model.shapeCount, 0);
  Scanned s = scanText(shapeText(ShapeText{}) + "EOF\n" + shapeText(ShapeText{}));
  EXPECT_EQ(s.model.shapeCount, 1);
}

TEST(ModelScan, ParseBuffersCarryValuesButNotFromBeforeTheFirstDef) {
  ShapeText t;
  t.points = "1 2 3,\nx y z,\n4 5 6,\n";
  t.coordIndex = "0, 1, 2,\n";
  t.normalIndex = "0, 0, 0,\n";
  ShapeText u;
  u.name = "Second";
  u.points = "bad,\n";
  u.coordIndex = "";
  Scanned s = scanText("9 9 9,\n" + shapeText(t) + shapeText(u));
  ASSERT_EQ(s.model.shapeCount, 2);
  const Shape& first = s.model.shapes[0];
  ASSERT_EQ(first.vertexCount, 3);
  EXPECT_FLOAT_EQ(first.vertices[1].x, 1.0f);  // unparsable: repeats the last point
  EXPECT_FLOAT_EQ(first.vertices[1].z, 3.0f);
  EXPECT_FLOAT_EQ(s.model.shapes[1].coordinates[0][0], 4.0f);  // carried across shapes

  Scanned lone = scanText("9 9 9,\n" + shapeText(u));
  EXPECT_FLOAT_EQ(lone.model.shapes[0].coordinates[0][0], 0.0f);  // nothing before DEF counts
}

TEST(ModelScan, LongLinesArriveInPiecesOf254Characters) {
  // A DEF past the 254th character stands in a piece of its own.
  std::string text = std::string(260, ' ') + "DEF Late\n";
  EXPECT_EQ(scanText(text).model.shapeCount, 1);
  // A keyword cut by the piece boundary is found in neither piece.
  text = std::string(252, ' ') + "DEF\n";
  EXPECT_EQ(scanText(text).model.shapeCount, 0);
}

TEST(ModelScanGuards, IndicesNamingNothingAreIgnoredAndCounted) {
  ShapeText t;
  t.coordIndex = "0, 1, 2,\n0, 2, 99,\n-5, 1, 2,\n0, 2, 3,\n";
  t.normalIndex = "0, 7, 1,\n";  // shorter than coordIndex, one normal missing
  t.texCoordIndex = "0, 1, 2,\n0, 2, 3,\n";
  t.texture = "Data/Textures/Road.tga";
  Scanned s = scanText(shapeText(t));
  const Shape& shape = s.model.shapes[0];
  EXPECT_EQ(shape.triangleCount, 2);  // the two on missing positions are dropped
  EXPECT_EQ(shape.indices, (std::vector<int>{0, 1, 2, 0, 2, 3}));
  EXPECT_FLOAT_EQ(shape.vertices[1].nx, 0.0f);  // normal 7 does not exist
  EXPECT_FLOAT_EQ(shape.vertices[2].ny, 1.0f);
  EXPECT_FLOAT_EQ(shape.vertices[3].nx, 0.0f);  // no normal triple for the last triangle
  EXPECT_FLOAT_EQ(shape.vertices[3].s, 0.0f);   // nor a texture triple
  EXPECT_FLOAT_EQ(shape.vertices[2].s, 1.0f);
  EXPECT_EQ(shape.coordIndex.size(), 4u);       // the lists stay as read
  // Two dropped triangles, normal 7, and three corners each without a normal
  // and without a texture coordinate.
  EXPECT_EQ(s.ignored, 2 + 1 + 3 + 3);
  expectConsistent(s.model);
}

TEST(ModelScanGuards, RandomGarbageAndTruncatedFilesStayConsistent) {
  std::mt19937 rng(4711);
  const char* words[] = {"DEF ", "Coordinate ", "Normal ", "TextureCoordinate ", "coordIndex ",
                         "normalIndex ", "texCoordIndex ", "ImageTexture ", "\"a.tga\" ", ", ",
                         "-1", "0x7fffffff", "99999999999", "1e39 ", "nan ", "\n", "\0", "07, "};
  for (int file = 0; file < 200; ++file) {
    std::string text;
    const int pieces = std::uniform_int_distribution<int>(0, 3000)(rng);
    for (int i = 0; i < pieces; ++i) {
      if (rng() % 3 == 0) {
        text += static_cast<char>(rng() % 256);
      } else {
        const std::string w = words[rng() % (sizeof(words) / sizeof(words[0]))];
        text += w.empty() ? std::string(1, '\0') : w;
      }
    }
    Scanned s = scanText(text);
    expectConsistent(s.model);
  }
  ShapeText t;
  t.texture = "Data/Textures/Road.tga";
  const std::string whole = shapeText(t) + shapeText(t);
  for (size_t length = 0; length <= whole.size(); ++length) {
    Scanned s = scanText(whole.substr(0, length));
    expectConsistent(s.model);
  }
}

}  // namespace
