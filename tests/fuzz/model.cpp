// The model scanner over arbitrary text: whatever a model file holds, the
// arrays it builds must be safe for every draw path and for cooking.
#include <sstream>
#include <string>

#include "fuzz_input.h"
#include "render/model.h"

namespace {

void checkShape(const Shape& shape) {
  fuzz::require(shape.indices.size() % 3 == 0, "indices come in triples");
  fuzz::require(static_cast<size_t>(shape.triangleCount) * 3 == shape.indices.size(),
                "triangleCount matches indices");
  fuzz::require(shape.vertices.size() == shape.coordinates.size(), "one vertex per position");
  for (int index : shape.indices) {
    fuzz::require(index >= 0 && static_cast<size_t>(index) < shape.vertices.size(), "index names a vertex");
  }
  fuzz::require(!shape.textures.empty(), "every shape has its texture slot");
  fuzz::require(shape.textures.front().fileName.size() <= 80, "texture names are bounded");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  Model model;
  const int ignored = model.scan(in);
  fuzz::require(ignored >= 0, "ignored count is a count");
  fuzz::require(model.shapeCount == static_cast<int>(model.shapes.size()), "shapeCount matches shapes");
  for (const Shape& shape : model.shapes) checkShape(shape);
  // A second fold of the same lists must give the same arrays.
  const size_t shapes = model.shapes.size();
  std::vector<size_t> indexCounts;
  for (const Shape& shape : model.shapes) indexCounts.push_back(shape.indices.size());
  fuzz::require(model.buildArrays() == ignored, "folding again ignores the same indices");
  fuzz::require(model.shapes.size() == shapes, "folding keeps the shapes");
  for (size_t i = 0; i < shapes; ++i) {
    fuzz::require(model.shapes[i].indices.size() == indexCounts[i], "folding again keeps the triangles");
    checkShape(model.shapes[i]);
  }
  return 0;
}
