// Measures the model scanner and the four render paths on a generated scene:
// a textured, alpha-tested ground grid and a few hundred placed objects.
// Prints "name: value unit" lines.
#include <GL/glew.h>
#include <GL/glu.h>
#include <GL/glut.h>
#include <IL/il.h>
#include <IL/ilu.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "race/race.h"
#include "render/model.h"
#include "render/render.h"
#include "shell/game.h"

namespace {

const int kWidth = 1024;
const int kHeight = 786;

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// One textured shape: a grid of cols x rows quads, two triangles each, laid
// out over `size` units in x and z, rising `lift` towards the back.
std::string gridModel(int cols, int rows, float size, float lift, const char* texture) {
  std::ostringstream out;
  out << "DEF Grid Shape {\n appearance Appearance {\n  material Material {\n"
      << "   diffuseColor 0.8 0.8 0.8\n  }\n  texture ImageTexture {\n   url \"" << texture
      << "\"\n  }\n }\n geometry IndexedFaceSet {\n  coord Coordinate {\n   point [\n";
  for (int r = 0; r <= rows; ++r) {
    for (int c = 0; c <= cols; ++c) {
      out << (c * size / cols - size / 2) << ' ' << (r * lift / rows) << ' ' << (-r * size / rows)
          << ",\n";
    }
  }
  out << "   ]\n  }\n  normal Normal {\n   vector [\n0 1 0,\n   ]\n  }\n"
      << "  texCoord TextureCoordinate {\n   point [\n";
  for (int r = 0; r <= rows; ++r) {
    for (int c = 0; c <= cols; ++c) out << (c * 4.0f / cols) << ' ' << (r * 4.0f / rows) << ",\n";
  }
  out << "   ]\n  }\n  coordIndex [\n";
  std::ostringstream normals, texCoords;
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < cols; ++c) {
      const int a = r * (cols + 1) + c, b = a + 1, d = a + cols + 1, e = d + 1;
      out << a << ", " << b << ", " << e << ", -1,\n" << a << ", " << e << ", " << d << ", -1,\n";
      normals << "0, 0, 0, -1,\n0, 0, 0, -1,\n";
      texCoords << a << ", " << b << ", " << e << ", -1,\n" << a << ", " << e << ", " << d << ", -1,\n";
    }
  }
  out << "  ]\n  normalIndex [\n" << normals.str() << "  ]\n  texCoordIndex [\n" << texCoords.str()
      << "  ]\n }\n}\n";
  return out.str();
}

void writeFile(const std::string& path, const std::string& text) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

// 64 x 64 leaves: stripes of opaque green with fully transparent gaps.
void writeLeafTexture(const std::string& path) {
  const int side = 64;
  std::string tga(18, '\0');
  tga[2] = 2;
  tga[12] = side;
  tga[14] = side;
  tga[16] = 32;
  tga[17] = 8;
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      const bool leaf = ((x / 4 + y / 8) % 3) != 0;
      tga += std::string{static_cast<char>(40), static_cast<char>(160 + x), static_cast<char>(60 + y),
                         static_cast<char>(leaf ? 255 : 0)};
    }
  }
  writeFile(path, tga);
}

double parseMsPer100kTriangles() {
  const std::string text = gridModel(250, 200, 1000.0f, 0.0f, "Data/Textures/Leaves.tga");
  double best = 1e9;
  int triangles = 0;
  for (int run = 0; run < 3; ++run) {
    Model model;
    std::istringstream in(text);
    const Clock::time_point start = Clock::now();
    model.scan(in);
    best = std::min(best, secondsSince(start));
    triangles = model.shapes.empty() ? 0 : model.shapes[0].triangleCount;
  }
  return triangles > 0 ? best * 1000.0 * 100000.0 / triangles : 0.0;
}

void buildScene() {
  writeLeafTexture("Data/Textures/Leaves.tga");
  writeFile("Data/Models/Ground.wrl", gridModel(120, 60, 20000.0f, 400.0f, "Data/Textures/Leaves.tga"));
  writeFile("Data/Models/Bush.wrl", gridModel(6, 6, 120.0f, 120.0f, "Data/Textures/Leaves.tga"));
  gWorld.track.load("Data/Models/Ground.wrl");
  gWorld.palm.load("Data/Models/Bush.wrl");
  gWorld.bush.load("Data/Models/Bush.wrl");
  gWorld.house.load("Data/Models/Bush.wrl");
  std::srand(5);
  auto scatter = [](std::vector<Placement>& list, int count, float scale) {
    for (int i = 0; i < count; ++i) {
      Placement p;
      p.x = static_cast<float>(std::rand() % 16000 - 8000);
      p.z = -static_cast<float>(std::rand() % 18000);
      p.y = -p.z * 400.0f / 20000.0f;
      p.yaw = static_cast<float>(std::rand() % 360);
      p.scaleX = p.scaleY = p.scaleZ = scale;
      list.push_back(p);
    }
  };
  scatter(gPalmPlacements, 200, 1.5f);
  scatter(gBushPlacements, 150, 1.0f);
  scatter(gHousePlacements, 50, 2.0f);
}

void setView() {
  glViewport(0, 0, kWidth, kHeight);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(50.0, static_cast<double>(kWidth) / kHeight, 5.0, 40000.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  gluLookAt(0, 300, 600, 0, 0, -6000, 0, 1, 0);
  viewFrustum.extract();
}

double framesPerSecond(int path) {
  applyRenderPathToModels(path);
  applyDisplayListsToModels(0);
  const int warmUp = 5;
  int frames = 0;
  Clock::time_point start;
  for (int i = 0;; ++i) {
    if (i == warmUp) start = Clock::now();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    setView();
    gWorld.draw(false);
    glutSwapBuffers();
    glFinish();
    if (i >= warmUp) ++frames;
    if (i > warmUp && (secondsSince(start) > 3.0 || frames >= 300)) break;
  }
  return frames / secondsSince(start);
}

void setAnisotropyMode(int mode) {
  for (Model* m : {&gWorld.track, &gWorld.palm, &gWorld.bush, &gWorld.house}) m->anisotropyMode = mode;
}

void setUpGl() {
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glClearColor(0.6f, 0.8f, 1.0f, 1.0f);
  // As in the game: mipmaps, linear filtering and the driver's maximum anisotropy.
  GLfloat maxAnisotropy = 1.0f;
  glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &maxAnisotropy);
  for (Model* m : {&gWorld.track, &gWorld.palm, &gWorld.bush, &gWorld.house}) {
    m->linearFiltering = 1;
    m->mipmapping = 1;
    m->maxAnisotropy = maxAnisotropy;
  }
  setAnisotropyMode(1);
  gFrustumCulling = 1;
  gBlendOverride = 0;
}

}  // namespace

int main(int argc, char** argv) {
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0') {
    std::fprintf(stderr, "bench-render: DISPLAY is not set (start scripts/xorg-dummy first)\n");
    return 1;
  }
  std::printf("loader.parse_ms_per_100k_tris: %.1f ms\n", parseMsPer100kTriangles());
  std::fflush(stdout);

  glutInit(&argc, argv);
  glutInitDisplayMode(GLUT_RGBA | GLUT_DEPTH | GLUT_DOUBLE);
  glutInitWindowSize(kWidth, kHeight);
  glutCreateWindow("bench-render");
  if (!initGlEntryPoints()) return 1;
  ilInit();
  iluInit();
  char pattern[] = "/tmp/fivelaps-bench-render-XXXXXX";
  if (mkdtemp(pattern) == nullptr || chdir(pattern) != 0) return 1;
  buildScene();
  setUpGl();
  // Path 3 stands for the display lists (any path beyond immediate mode).
  for (int path = 0; path < 4; ++path) {
    std::printf("render.path%d_fps: %.1f fps\n", path, framesPerSecond(path));
    std::fflush(stdout);
  }
  // What the anisotropy switch is worth on this driver.
  setAnisotropyMode(0);
  std::printf("render.path0_aniso_off_fps: %.1f fps\n", framesPerSecond(0));
  std::filesystem::remove_all(pattern);
  return 0;
}
