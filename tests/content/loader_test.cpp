// The game's own loader reads every generated model as the content tests do.
#include "content_support.h"
#include "render/model.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace content_test;

TEST(GameLoader, ReadsEveryGeneratedModel) {
  std::string dir = gameDir();
  if (dir.empty()) GTEST_SKIP() << "FIVELAPS_BINARY_DIR is not set";
  for (const char* m : {"Sky", "Car", "Wheel", "Palme", "Palme2", "Palme_Far", "Palme2_Far", "Strauch", "Haus", "Track01", "Track01_Collide"}) {
    std::string path = dir + "/Data/Models/" + m + ".wrl";
    std::ifstream in(path);
    ASSERT_TRUE(in) << path;
    Model model;
    EXPECT_EQ(model.scan(in), 0) << m << ": indices out of range";
    auto expected = scanModel(path);
    ASSERT_EQ(model.shapeCount, int(expected.size())) << m;
    for (size_t i = 0; i < expected.size(); ++i) {
      const Shape& s = model.shapes[i];
      EXPECT_EQ(s.vertexCount, int(expected[i].coords.size())) << m << " shape " << i;
      EXPECT_EQ(s.triangleCount, int(expected[i].coordIndex.size())) << m << " shape " << i;
      EXPECT_EQ(s.textures.at(0).textured, expected[i].textured) << m << " shape " << i;
      EXPECT_EQ(s.textures.at(0).fileName, expected[i].texture) << m << " shape " << i;
      EXPECT_FLOAT_EQ(s.transparency, expected[i].transparency) << m << " shape " << i;
      ASSERT_EQ(s.vertices.size(), size_t(s.vertexCount));
      // Nothing is folded: each vertex keeps its own normal.
      for (size_t v = 0; v < s.vertices.size(); v += 97) {
        EXPECT_FLOAT_EQ(s.vertices[v].nx, expected[i].normals[v][0]) << m << " shape " << i << " vertex " << v;
        EXPECT_FLOAT_EQ(s.vertices[v].ny, expected[i].normals[v][1]) << m;
      }
    }
  }
}
