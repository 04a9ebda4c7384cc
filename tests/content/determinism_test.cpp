// A second run of the generator writes exactly the bytes the build wrote.
#include "content_support.h"
#include "contentgen.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace content_test;
namespace fs = std::filesystem;

namespace {
std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}
}  // namespace

TEST(Generator, RunsTwiceToTheSameBytes) {
  std::string built = gameDir();
  if (built.empty()) GTEST_SKIP() << "FIVELAPS_BINARY_DIR is not set";
  fs::path again = fs::temp_directory_path() / ("fivelaps-content-" + std::to_string(::getpid()));
  content::GenerateStats stats;
  ASSERT_TRUE(content::generateAll(again.string(), &stats));
  size_t compared = 0;
  for (const auto& e : fs::recursive_directory_iterator(again)) {
    if (!e.is_regular_file()) continue;
    fs::path rel = fs::relative(e.path(), again);
    EXPECT_EQ(slurp(e.path()), slurp(fs::path(built) / rel)) << rel;
    ++compared;
  }
  EXPECT_GE(compared, 45u);
  fs::remove_all(again);
}
