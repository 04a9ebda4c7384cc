// Model files far bigger than any the game ships: they load up to a limit,
// within bounded memory, and never crash.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <istream>
#include <streambuf>
#include <string>

#include "render/model.h"

namespace {

// Streams one shape of `points` positions and `triangles` triangles without
// ever holding the text: a file of hundreds of megabytes costs nothing here.
class GeneratedModel : public std::streambuf {
 public:
  GeneratedModel(long points, long triangles) : points_(points), triangles_(triangles) {}

 protected:
  int_type underflow() override {
    line_ = nextLine();
    if (line_.empty()) return traits_type::eof();
    setg(line_.data(), line_.data(), line_.data() + line_.size());
    return traits_type::to_int_type(line_[0]);
  }

 private:
  std::string nextLine() {
    const long n = emitted_++;
    if (n == 0) return "DEF Huge Shape {\n  appearance Appearance {\n    material Material {\n";
    if (n == 1) return "    coord Coordinate {\n      point [\n";
    long k = n - 2;
    if (k < points_) return std::to_string(k % 1000) + " " + std::to_string(k / 1000) + " 0,\n";
    k -= points_;
    if (k == 0) return "      ]\n    }\n    normal Normal {\n      vector [\n0 0 1,\n      ]\n    }\n    coordIndex [\n";
    if (k - 1 < triangles_) {
      const long a = (k - 1) % (points_ - 2);
      return std::to_string(a) + ", " + std::to_string(a + 1) + ", " + std::to_string(a + 2) + ", -1,\n";
    }
    if (k - 1 == triangles_) return "    ]\n  }\n}\n";
    return "";
  }

  long points_, triangles_, emitted_ = 0;
  std::string line_;
};

long peakRssMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024;
}

TEST(HugeModel, TwoMillionTrianglesLoadWhole) {
  GeneratedModel text(1000, 2000000);
  std::istream in(&text);
  Model model;
  EXPECT_EQ(model.scan(in), 2000000 * 3);  // no normals given: every corner counts as ignored
  EXPECT_FALSE(model.truncated);
  ASSERT_EQ(model.shapeCount, 1);
  EXPECT_EQ(model.shapes[0].triangleCount, 2000000);
}

TEST(HugeModel, TwentyMillionTrianglesStopAtTheLimitWithinMemory) {
  const long before = peakRssMb();
  GeneratedModel text(1000, 20000000);
  std::istream in(&text);
  Model model;
  model.scan(in);
  EXPECT_TRUE(model.truncated);
  ASSERT_EQ(model.shapeCount, 1);
  const Shape& shape = model.shapes[0];
  EXPECT_EQ(shape.vertexCount, 1000);
  EXPECT_LE(shape.triangleCount + 1000 + 2, kMaxModelEntries);
  EXPECT_GT(shape.triangleCount, kMaxModelEntries / 2);
  for (int i = 0; i < 3 * shape.triangleCount; i += 997) ASSERT_LT(shape.indices[i], 1000);
  // Index triples, their folded copy and a vector's spare capacity: well
  // under a gigabyte, where the whole file would have needed several.
  EXPECT_LT(peakRssMb() - before, 1024);
}

}  // namespace
