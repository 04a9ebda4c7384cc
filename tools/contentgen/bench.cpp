// bench-content [dir]: times a full generation into a scratch directory.
#include "contentgen.h"

#include <cstdio>
#include <filesystem>

int main(int argc, char** argv) {
  std::string dir = argc > 1 ? argv[1]
                             : (std::filesystem::temp_directory_path() / "fivelaps-bench-content").string();
  content::GenerateStats stats;
  bool ok = content::generateAll(dir, &stats);
  std::printf("content.generate_s: %.2f s\n", stats.seconds);
  std::printf("content.track_tris: %zu tris\n", stats.trackTris);
  std::printf("content.collide_tris: %zu tris\n", stats.collideTris);
  if (argc <= 1) {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  return ok ? 0 : 1;
}
