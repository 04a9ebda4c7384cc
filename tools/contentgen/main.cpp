// contentgen <game dir>: writes Data/, Config.txt and HighScore5.hs there.
#include "contentgen.h"

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: contentgen <game directory>\n");
    return 2;
  }
  content::GenerateStats stats;
  if (!content::generateAll(argv[1], &stats)) {
    std::fprintf(stderr, "contentgen: some files could not be written under %s\n", argv[1]);
    return 1;
  }
  std::printf("contentgen: %s written in %.1f s (track %zu, collision %zu triangles)\n", argv[1],
              stats.seconds, stats.trackTris, stats.collideTris);
  return 0;
}
