// The replay viewer's trackside cameras on a whole kept race, driven again
// with no window: every tick's camera shows the car, from a sane distance,
// with no hill in between, and never cuts back and forth. Hostile centre
// lines, the line of sight and the orbit shot on their own.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "physics/physics.h"
#include "platform/platform.h"
#include "race/race.h"
#include "shell/game.h"
#include "shell/trackside.h"

namespace {

namespace fs = std::filesystem;

constexpr float kCarRadius = 70;  // holds the 124 x 56 x 35 body
const float kAspects[] = {4.0f / 3.0f, 1024.0f / 786.0f};

double millisecondsSince(std::chrono::steady_clock::time_point began) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - began).count();
}

std::vector<NxVec3>* gCollected = nullptr;

// The kept race's car, tick by tick, and the cameras of the generated track.
class TracksideRace : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    const char* build = std::getenv("FIVELAPS_BINARY_DIR");
    const char* source = std::getenv("FIVELAPS_SOURCE_DIR");
    if (!build || !source || !fs::exists(fs::path(build) / "game/Data/Models/Track01_Collide.wrl")) return;
    dataFound_ = true;
    home_ = fs::current_path();
    folder_ = fs::temp_directory_path() / ("fivelaps-trackside-" + std::to_string(getpid()));
    fs::create_directories(folder_);
    fs::create_directory_symlink(fs::path(build) / "game/Data", folder_ / "Data");
    fs::current_path(folder_);
    useStandardFloatingPoint();
    RaceRecording race;
    if (!loadRecordingFile((std::string(source) + "/tests/shell/race.rec").c_str(), race, why_)) return;
    gCollected = &cars_;
    gAfterRaceTick = [] { gCollected->push_back(gCarPose.t); };
    why_ = driveRecording(race).why;
    gAfterRaceTick = nullptr;
    const auto began = std::chrono::steady_clock::now();
    sight_.addShapes(gWorld.trackCollide.shapes);
    sight_.build();
    std::printf("The collision ground's grid built in %.2f ms\n", millisecondsSince(began));
  }
  static void TearDownTestSuite() {
    if (folder_.empty()) return;
    fs::current_path(home_);
    fs::remove_all(folder_);
  }
  void SetUp() override {
    if (!dataFound_) GTEST_SKIP() << "needs the generated game data in $FIVELAPS_BINARY_DIR/game";
    ASSERT_TRUE(why_.empty()) << "the kept race was not driven: " << why_;
  }
  static inline fs::path home_, folder_;
  static inline std::vector<NxVec3> cars_;
  static inline bool dataFound_ = false;
  static inline std::string why_ = "not read";
  static inline TerrainSight sight_;
};

TEST_F(TracksideRace, EveryTickShowsTheCarWithoutFlicker) {
  auto began = std::chrono::steady_clock::now();
  TracksideCameras cameras;
  ASSERT_TRUE(loadTracksideCameras("Data/Models/Track01_Centre.txt", cameras));
  const double placing = millisecondsSince(began);
  began = std::chrono::steady_clock::now();
  const std::vector<int> plain = followCar(cameras, cars_);  // timed: the choice without the terrain
  const double following = millisecondsSince(began);
  began = std::chrono::steady_clock::now();
  const std::vector<int> chosen = followCar(cameras, cars_, &sight_);
  const double seeing = millisecondsSince(began);
  std::printf("%zu cameras placed in %.2f ms; %zu ticks followed in %.2f ms, %.2f ms with the line of sight\n",
              cameras.eyes.size(), placing, cars_.size(), following, seeing);
  ASSERT_GT(cars_.size(), 10000u);
  ASSERT_EQ(chosen.size(), cars_.size());
  EXPECT_LT(placing + following, 1000) << "far beyond the 100 ms a race may take";
  EXPECT_LT(seeing, 3000) << "far beyond the 300 ms a race may take with the line of sight";
  EXPECT_EQ(followCar(cameras, cars_, &sight_), chosen) << "the same race must give the same cameras";

  std::vector<int> used(cameras.eyes.size(), 0);
  std::vector<std::size_t> cutTicks;
  int unseen = 0, badDistance = 0, hidden = 0;
  std::size_t firstBad = cars_.size();
  for (std::size_t t = 0; t < cars_.size(); ++t) {
    ASSERT_GE(chosen[t], 0);
    ASSERT_LT(chosen[t], static_cast<int>(cameras.eyes.size()));
    ++used[chosen[t]];
    if (t == 0 || chosen[t] != chosen[t - 1]) cutTicks.push_back(t);
    const CameraShot shot = tracksideShot(cameras, chosen[t], cars_[t]);
    const float distance = shot.eye.distance(cars_[t]);
    const bool seen = shotSees(shot, kAspects[0], cars_[t], kCarRadius) && shotSees(shot, kAspects[1], cars_[t], kCarRadius);
    const bool sane = distance > 150 && distance < 3000;
    const bool clear = sight_.clear(shot.eye, cars_[t]);
    unseen += !seen, badDistance += !sane, hidden += !clear;
    if ((!seen || !sane || !clear) && firstBad == cars_.size()) firstBad = t;
  }
  EXPECT_EQ(unseen, 0) << "ticks whose car is not wholly in view, the first " << firstBad;
  EXPECT_EQ(badDistance, 0) << "ticks seen from too near or too far, the first " << firstBad;
  EXPECT_EQ(hidden, 0) << "ticks whose car is behind the ground, the first " << firstBad;
  // Five laps: a camera the car passes each lap shows it for seconds in all.
  for (std::size_t c = 0; c < used.size(); ++c) EXPECT_GE(used[c], 120) << "camera " << c << " is hardly ever used";
  for (std::size_t i = 2; i < cutTicks.size(); ++i) {
    if (chosen[cutTicks[i]] != chosen[cutTicks[i - 2]]) continue;
    EXPECT_GE(cutTicks[i] - cutTicks[i - 1], 60u) << "camera " << chosen[cutTicks[i]] << " back within a second at tick " << cutTicks[i];
  }
  std::printf("%zu cuts over %zu ticks\n", cutTicks.size() - 1, cars_.size());
}

TEST(TracksideCentreLine, HostileFilesGiveNoCamerasOrSaneOnes) {
  const auto camerasOf = [](const std::string& text) {
    std::istringstream in(text);
    return placeTracksideCameras(readCentreLine(in));
  };
  EXPECT_TRUE(camerasOf("").eyes.empty());
  EXPECT_TRUE(camerasOf("abc\n1 2\nnan 0 0\n1 inf 2\n1e30 0 0\n-nan 1 1\n\n\n").eyes.empty());
  EXPECT_TRUE(camerasOf("0 0 0\n100 0 0\n100 0 100\n0 0 100\n").eyes.empty()) << "too few points";
  std::string same;
  for (int i = 0; i < 1000; ++i) same += "5 5 5\n";
  EXPECT_TRUE(camerasOf(same).eyes.empty()) << "one point repeated";
  std::string tiny;
  for (int i = 0; i < 100; ++i) tiny += std::to_string(std::cos(i * 0.0628f) * 20) + " 0 " + std::to_string(std::sin(i * 0.0628f) * 20) + "\n";
  EXPECT_TRUE(camerasOf(tiny).eyes.empty()) << "a loop too short to be a lap";

  // A circle of radius 2000 among bad lines: cameras round it, off the road.
  std::string circle;
  for (int i = 0; i < 400; ++i) {
    const float a = i * 6.2831853f / 400;
    circle += std::to_string(2000 * std::cos(a)) + " " + std::to_string(100 * std::sin(3 * a)) + " " +
              std::to_string(2000 * std::sin(a)) + "\n";
    if (i % 7 == 0) circle += "nan nan nan\n" + std::string(5000, '9') + "\n1 2 x\n";
  }
  const TracksideCameras round = camerasOf(circle);
  EXPECT_GE(round.eyes.size(), 5u);
  for (const NxVec3& eye : round.eyes) {
    const float fromCentre = std::hypot(eye.x, eye.z);
    EXPECT_TRUE(std::fabs(fromCentre - 2000) > 250 && std::fabs(fromCentre - 2000) < 500) << fromCentre;
    EXPECT_GT(eye.y, 150);
  }

  // Huge: many valid lines, and one endless line; both are read only so far.
  std::string many;
  for (int i = 0; i < 300000; ++i) many += std::to_string(i % 9000) + " 0 " + std::to_string((i * 7) % 5000) + "\n";
  std::istringstream manyIn(many);
  EXPECT_LE(readCentreLine(manyIn).size(), 20000u);
  std::istringstream endless(std::string(std::size_t{20} << 20, '7'));
  const auto began = std::chrono::steady_clock::now();
  EXPECT_TRUE(readCentreLine(endless).empty());
  EXPECT_LT(millisecondsSince(began), 2000);
  for (const NxVec3& eye : camerasOf(many).eyes) EXPECT_TRUE(std::isfinite(eye.x) && std::isfinite(eye.y) && std::isfinite(eye.z));

  TracksideCameras none;
  none.eyes.push_back(NxVec3(1, 2, 3));
  EXPECT_FALSE(loadTracksideCameras("no/such/centre.txt", none));
  EXPECT_TRUE(none.eyes.empty());
  EXPECT_EQ(followCar(none, {NxVec3(), NxVec3()}), std::vector<int>({-1, -1}));
}

// A wall of two triangles between eye and car; an index naming no coordinate,
// and a coordinate out of all proportion, are left out.
TEST(TracksideSight, AWallHidesTheCarAndBadTrianglesAreLeftOut) {
  TerrainSight sight;
  sight.addTriangles({{-500, 0, 0}, {500, 0, 0}, {500, 300, 0}, {-500, 300, 0}}, {0, 1, 2, 0, 2, 3, 0, 1, 99, -1, 2, 3});
  sight.build();
  EXPECT_FALSE(sight.clear(NxVec3(0, 100, -1000), NxVec3(0, 100, 1000)));
  EXPECT_FALSE(sight.clear(NxVec3(400, 20, 1000), NxVec3(-300, 250, -700)));
  EXPECT_TRUE(sight.clear(NxVec3(0, 400, -1000), NxVec3(0, 350, 1000))) << "over the wall";
  EXPECT_TRUE(sight.clear(NxVec3(700, 100, -1000), NxVec3(700, 100, 1000))) << "beside it";
  EXPECT_TRUE(sight.clear(NxVec3(0, 100, -1000), NxVec3(0, 100, -10))) << "short of it";

  // Ground wider than the grid takes, beside a coordinate no track has.
  TerrainSight ground;
  ground.addTriangles({{-20000, 0, -20000}, {20000, 0, -20000}, {0, 0, 20000}, {1e30f, 0, 0}}, {0, 1, 2, 0, 1, 3});
  ground.build();
  EXPECT_FALSE(ground.clear(NxVec3(0, 100, 0), NxVec3(300, -100, 0)));
  EXPECT_TRUE(ground.clear(NxVec3(0, 100, 0), NxVec3(300, 80, 0)));
}

TEST(TracksideOrbit, PitchStaysAboveTheCarAndShortOfOverheadAndTheCarIsInView) {
  const NxVec3 car(-4210, 35, 2035);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  for (float pitch : {-90.0f, -10.0f, 0.0f, 30.0f, 89.0f, 90.0f, 400.0f, nan})
    for (float yaw : {0.0f, 90.0f, -135.0f, 1e6f, nan})
      for (float distance : {0.0f, 60.0f, 400.0f, 1e9f, nan}) {
        const CameraShot shot = orbitShot(car, yaw, pitch, distance);
        const NxVec3 offset = shot.eye - car;
        EXPECT_GT(offset.y, 0) << "pitch " << pitch << " under the car";
        EXPECT_GT(std::hypot(offset.x, offset.z), 0.1f * offset.magnitude()) << "pitch " << pitch << " overhead";
        for (float aspect : kAspects)
          EXPECT_TRUE(shotSees(shot, aspect, car, kCarRadius)) << "pitch " << pitch << " yaw " << yaw << " distance " << distance;
      }
  const CameraShot side = orbitShot(car, 90, 10, 500);
  EXPECT_LT(side.eye.x, car.x) << "yaw 90 looks along +x";
  EXPECT_FALSE(shotSees(side, 4.0f / 3, car + NxVec3(2000, 0, 0) + NxVec3(0, 0, 2000), kCarRadius));
}

}  // namespace
