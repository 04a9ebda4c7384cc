// The whole game directory in one call, and the two small default files.
#include "contentgen.h"

#include <chrono>
#include <cstdio>
#include <filesystem>

namespace content {

bool makeDirs(const std::string& path) {
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
  return !ec;
}

namespace {

bool writeConfig(const std::string& dir) {
  FILE* f = std::fopen((dir + "/Config.txt").c_str(), "w");
  if (!f) return false;
  std::fputs("[DisplayMode]\n1024x786:32@60\n[AntiAliasing]\n1\nEOF\n", f);
  return std::fclose(f) == 0;
}

// Where along the lap (0..1 from the finish line) a point of the centre line lies.
float lapFraction(const std::vector<Vec3>& centre, float x, float z, float finishS) {
  float s = 0, best = 1e30f, bestS = 0, total = 0;
  for (size_t i = 0; i < centre.size(); ++i) total += length(centre[(i + 1) % centre.size()] - centre[i]);
  for (size_t i = 0; i < centre.size(); ++i) {
    float d = std::hypot(centre[i].x - x, centre[i].z - z);
    if (d < best) best = d, bestS = s;
    s += length(centre[(i + 1) % centre.size()] - centre[i]);
  }
  float f = (bestS - finishS) / total;
  return f - std::floor(f);
}

// Ten results from a quick driver down to a cautious one. Split times are
// race-clock readings: checkpoint 1, checkpoint 2 and the line, lap after lap.
bool writeHighScores(const std::string& dir, const World& w) {
  float finishS = 0;
  {
    float s = 0, best = 1e30f;
    for (size_t i = 0; i < w.centre.size(); ++i) {
      float d = std::hypot(w.centre[i].x + 4065, w.centre[i].z - 1850);
      if (d < best) best = d, finishS = s;
      s += length(w.centre[(i + 1) % w.centre.size()] - w.centre[i]);
    }
  }
  float f1 = lapFraction(w.centre, -3460, -4835, finishS);
  float f2 = lapFraction(w.centre, 2065, -40, finishS);
  const char* names[10] = {"ace", "blitz", "turbo", "nina", "Max", "speedy", "lena", "otto", "rookie", "snail"};
  FILE* f = std::fopen((dir + "/HighScore5.hs").c_str(), "w");
  if (!f) return false;
  Rng rng(555);
  for (int e = 0; e < 10; ++e) {
    float lap = 34.0f + 3.2f * e;
    float clock = 0, splits[15];
    for (int l = 0; l < 5; ++l) {
      float thisLap = lap * (1 + rng.range(-0.02f, 0.03f)) + (l == 0 ? 3.0f : 0.0f);
      splits[l * 3 + 0] = clock + thisLap * f1;
      splits[l * 3 + 1] = clock + thisLap * f2;
      clock += thisLap;
      splits[l * 3 + 2] = clock;
    }
    std::fprintf(f, "%s %f", names[e], double(splits[14]));
    for (float s : splits) std::fprintf(f, " %f", double(s));
    std::fprintf(f, "\n");
  }
  return std::fclose(f) == 0;
}

}  // namespace

bool generateAll(const std::string& gameDir, GenerateStats* stats) {
  auto t0 = std::chrono::steady_clock::now();
  bool ok = makeDirs(gameDir + "/Data/Models") && makeDirs(gameDir + "/Data/Textures") &&
            makeDirs(gameDir + "/Data/Sound");
  if (!ok) return false;
  if (!fontsAvailable()) std::fprintf(stderr, "contentgen: DejaVu fonts missing, pictures will have no lettering\n");
  World world = buildWorld();
  std::string models = gameDir + "/Data/Models/";
  ok = writeWorld(gameDir, world) && ok;
  ok = writeModel(models + "Car.wrl", buildCar()) && ok;
  ok = writeModel(models + "Wheel.wrl", buildWheel()) && ok;
  ok = writeModel(models + "Palme.wrl", buildPalm()) && ok;
  ok = writeModel(models + "Palme2.wrl", buildPalm2()) && ok;
  ok = writeModel(models + "Strauch.wrl", buildBush()) && ok;
  ok = writeModel(models + "Haus.wrl", buildHouse()) && ok;
  ok = writeModel(models + "Sky.wrl", buildSky()) && ok;
  ok = writeModelTextures(gameDir) && ok;
  ok = writePictures(gameDir) && ok;
  ok = writeSounds(gameDir) && ok;
  ok = writeConfig(gameDir) && ok;
  ok = writeHighScores(gameDir, world) && ok;
  if (stats) {
    stats->seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    stats->trackTris = world.track.triangleCount();
    stats->collideTris = world.collide.triangleCount();
  }
  return ok;
}

}  // namespace content
