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

// Ten results from a little slower than the autopilot's race down to a
// beginner. Each lap keeps the shape of the reference race's lap (where
// its checkpoints fell, the slower standing start); split times are race-clock
// readings: checkpoint 1, checkpoint 2 and the line, lap after lap.
bool writeHighScores(const std::string& dir) {
  const char* names[10] = {"ace", "blitz", "turbo", "nina", "Max", "speedy", "lena", "otto", "rookie", "snail"};
  FILE* f = std::fopen((dir + "/HighScore5.hs").c_str(), "w");
  if (!f) return false;
  Rng rng(555);
  for (int e = 0; e < 10; ++e) {
    const float pace = kBestEntryPace + kPacePerPlace * e;
    float clock = 0, splits[15];
    float refStart = 0;  // the reference race's clock as this lap began
    for (int l = 0; l < 5; ++l) {
      const float* ref = kReferenceRace + l * 3;
      // The best entry's laps keep their pace exactly, so it stays slower than the autopilot.
      const float wobble = e == 0 ? 1.0f : 1.0f + rng.range(-0.015f, 0.02f);
      const float scale = pace * wobble;
      splits[l * 3 + 0] = clock + (ref[0] - refStart) * scale;
      splits[l * 3 + 1] = clock + (ref[1] - refStart) * scale;
      clock += (ref[2] - refStart) * scale;
      splits[l * 3 + 2] = clock;
      refStart = ref[2];
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
  ok = writeModel(models + "Palme_Far.wrl", buildPalmFar()) && ok;
  ok = writeModel(models + "Palme2_Far.wrl", buildPalm2Far()) && ok;
  ok = writeModel(models + "Strauch.wrl", buildBush()) && ok;
  ok = writeModel(models + "Haus.wrl", buildHouse()) && ok;
  ok = writeModel(models + "Sky.wrl", buildSky()) && ok;
  ok = writeModelTextures(gameDir) && ok;
  ok = writePictures(gameDir) && ok;
  ok = writeSounds(gameDir) && ok;
  ok = writeConfig(gameDir) && ok;
  ok = writeHighScores(gameDir) && ok;
  if (stats) {
    stats->seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    stats->trackTris = world.track.triangleCount();
    stats->collideTris = world.collide.triangleCount();
  }
  return ok;
}

}  // namespace content
