// Every sound decodes; the loops join without a click; the engine idles.
#include "content_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace content_test;

namespace {

class Sounds : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = gameDir();
    if (dir_.empty()) GTEST_SKIP() << "FIVELAPS_BINARY_DIR is not set";
  }
  std::string dir_;
};

float percentile(std::vector<float> v, float p) {
  std::sort(v.begin(), v.end());
  return v[size_t(p * float(v.size() - 1))];
}

// The jump from the last sample back to the first, and the bend there, are no
// larger than the signal's ordinary steps and bends around the seam.
void expectSeamless(const std::vector<float>& x, const char* what) {
  ASSERT_GT(x.size(), 5000u);
  const size_t n = x.size(), w = 2000;
  std::vector<float> steps, bends;
  for (size_t k = 0; k < w; ++k) {
    size_t i = n - w + k, j = k + 1;
    steps.push_back(std::fabs(x[i] - x[i - 1]));
    steps.push_back(std::fabs(x[j] - x[j - 1]));
    bends.push_back(std::fabs(x[i] - 2 * x[i - 1] + x[i - 2]));
    bends.push_back(std::fabs(x[j + 1] - 2 * x[j] + x[j - 1]));
  }
  float seamStep = std::fabs(x[0] - x[n - 1]);
  float seamBend = std::fabs(x[0] - 2 * x[n - 1] + x[n - 2]);
  EXPECT_LE(seamStep, 1.2f * percentile(steps, 0.99f) + 1e-3f) << what;
  EXPECT_LE(seamBend, 1.2f * percentile(bends, 0.99f) + 1e-3f) << what;
}

}  // namespace

TEST_F(Sounds, TypingClickIsShortAndStartsFromSilence) {
  std::vector<float> x;
  int rate = 0;
  ASSERT_TRUE(loadSound(dir_ + "/Data/Sound/Type.wav", x, rate));
  float seconds = float(x.size()) / rate;
  EXPECT_GT(seconds, 0.01f);
  EXPECT_LT(seconds, 0.2f);
  EXPECT_LT(std::fabs(x.front()), 0.05f);
  EXPECT_LT(std::fabs(x.back()), 0.05f);
  EXPECT_GT(*std::max_element(x.begin(), x.end()), 0.3f);
}

// Played at 8000 Hz it idles; the game raises the rate with the speed.
TEST_F(Sounds, EngineLoopIdlesAtEightKilohertz) {
  std::vector<float> x;
  int rate = 0;
  ASSERT_TRUE(loadSound(dir_ + "/Data/Sound/Carsound.ogg", x, rate));
  EXPECT_EQ(rate, 8000);
  expectSeamless(x, "engine");
  // A firing rhythm between 25 and 60 Hz at that rate: the strongest
  // autocorrelation among those periods stands well above noise.
  double energy = 0;
  for (float v : x) energy += double(v) * v;
  double best = 0;
  int bestLag = 0;
  for (int lag = 8000 / 60; lag <= 8000 / 25; ++lag) {
    double c = 0;
    for (size_t i = 0; i < x.size(); ++i) c += double(x[i]) * x[(i + size_t(lag)) % x.size()];
    if (c > best) best = c, bestLag = lag;
  }
  EXPECT_GT(best, 0.5 * energy) << "lag " << bestLag;
}

TEST_F(Sounds, MusicPiecesLastAMinuteAndLoopSeamlessly) {
  for (const char* name : {"Title", "Race1", "Race2", "Race3", "Race4"}) {
    std::vector<float> x;
    int rate = 0;
    ASSERT_TRUE(loadSound(dir_ + "/Data/Sound/" + name + ".mp3", x, rate)) << name;
    EXPECT_GE(float(x.size()) / rate, 60.0f) << name;
    expectSeamless(x, name);
    float peak = 0;
    for (float v : x) peak = std::max(peak, std::fabs(v));
    EXPECT_GT(peak, 0.3f) << name;
    EXPECT_LE(peak, 1.0f) << name;
  }
}
