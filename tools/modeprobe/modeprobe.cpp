// Asks GLUT which full-screen game modes this display can enter, so that the
// launcher can write a Config.txt the game will accept on its first start.
//   modeprobe MODE        prints MODE and exits 0 when it is possible, else exits 1
//   modeprobe --desktop   prints a possible mode for the screen's size (or the largest
//                         common one inside it), exits 1 when none is possible
//   modeprobe --screen    prints the screen size as WIDTHxHEIGHT
#include <GL/freeglut.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool possible(const std::string& mode) {
  glutGameModeString(mode.c_str());
  return glutGameModeGet(GLUT_GAME_MODE_POSSIBLE) != 0;
}

std::string modeString(int w, int h, int bits, int hz) {
  char text[64];
  std::snprintf(text, sizeof text, "%ix%i:%i@%i", w, h, bits, hz);
  return text;
}

// The game's Config.txt always names depth and refresh rate, so each size is
// tried with the usual pairs until GLUT accepts one.
bool firstPossible(int w, int h, std::string& found) {
  static const int depths[] = {32, 24, 16};
  static const int rates[] = {60, 59, 75, 50, 70, 72, 85, 100, 120, 144, 30};
  for (int bits : depths)
    for (int hz : rates)
      if (possible(modeString(w, h, bits, hz))) {
        found = modeString(w, h, bits, hz);
        return true;
      }
  return false;
}

int desktop() {
  const int w = glutGet(GLUT_SCREEN_WIDTH), h = glutGet(GLUT_SCREEN_HEIGHT);
  std::string found;
  if (firstPossible(w, h, found)) {
    std::printf("%s\n", found.c_str());
    return 0;
  }
  // A virtual screen larger than its mode: fall back to common sizes that fit.
  static const int sizes[][2] = {{1920, 1080}, {1680, 1050}, {1600, 900}, {1280, 1024}, {1280, 800},
                                 {1280, 720},  {1024, 786},  {1024, 768}, {800, 600},   {640, 480}};
  for (const auto& s : sizes) {
    if (s[0] > w || s[1] > h) continue;
    if (firstPossible(s[0], s[1], found)) {
      std::printf("%s\n", found.c_str());
      return 0;
    }
  }
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  glutInit(&argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: modeprobe MODE | --desktop | --screen\n");
    return 2;
  }
  if (std::strcmp(argv[1], "--screen") == 0) {
    std::printf("%ix%i\n", glutGet(GLUT_SCREEN_WIDTH), glutGet(GLUT_SCREEN_HEIGHT));
    return 0;
  }
  if (std::strcmp(argv[1], "--desktop") == 0) return desktop();
  if (!possible(argv[1])) return 1;
  std::printf("%s\n", argv[1]);
  return 0;
}
