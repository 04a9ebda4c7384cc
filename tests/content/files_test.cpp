// Every file the game opens is there, in the form the game reads.
#include "content_support.h"
#include "contentgen.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <vector>

using namespace content_test;

namespace {

const char* kNamedFiles[] = {
    "Config.txt", "HighScore5.hs",
    "Data/Models/Sky.wrl", "Data/Models/Car.wrl", "Data/Models/Wheel.wrl", "Data/Models/Palme.wrl",
    "Data/Models/Palme2.wrl", "Data/Models/Palme_Far.wrl", "Data/Models/Palme2_Far.wrl",
    "Data/Models/Strauch.wrl", "Data/Models/Haus.wrl",
    "Data/Models/Track01_Collide.wrl", "Data/Models/Track01.wrl", "Data/Models/Haus01.txt",
    "Data/Models/Busch01.txt", "Data/Models/Palme01.txt", "Data/Models/Palme201.txt",
    "Data/Models/Track01_Centre.txt",
    "Data/Textures/Numbers.tga", "Data/Textures/Info.tga", "Data/Textures/Speedindicator.tga",
    "Data/Textures/Laps.tga", "Data/Textures/Nadel.tga", "Data/Textures/Go.tga",
    "Data/Textures/Help.tga", "Data/Textures/Menue01.tga", "Data/Textures/Menue02.tga",
    "Data/Textures/Menue03.tga", "Data/Textures/Menue04.tga", "Data/Textures/Optionen.tga",
    "Data/Textures/Schrift.tga", "Data/Textures/Loading.tga",
    "Data/Textures/HighScoreBackground.tga", "Data/Textures/HighScorePrompts.tga",
    "Data/Textures/Characters.tga", "Data/Textures/Pause.tga", "Data/Textures/Dark.jpg",
    "Data/Sound/Type.wav", "Data/Sound/Carsound.ogg", "Data/Sound/Title.mp3",
    "Data/Sound/Race1.mp3", "Data/Sound/Race2.mp3", "Data/Sound/Race3.mp3", "Data/Sound/Race4.mp3",
};

const char* kModels[] = {"Sky", "Car", "Wheel", "Palme", "Palme2", "Palme_Far", "Palme2_Far",
                         "Strauch", "Haus", "Track01_Collide", "Track01"};

class Files : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = gameDir();
    if (dir_.empty()) GTEST_SKIP() << "FIVELAPS_BINARY_DIR is not set";
  }
  std::string dir_;
};

}  // namespace

TEST_F(Files, EveryNamedFileExists) {
  for (const char* name : kNamedFiles) EXPECT_TRUE(fileExists(dir_ + "/" + name)) << name;
}

TEST_F(Files, ModelTexturesExistWithShortRelativeNames) {
  std::set<std::string> seen;
  for (const char* m : kModels) {
    auto shapes = scanModel(dir_ + "/Data/Models/" + m + ".wrl");
    ASSERT_FALSE(shapes.empty()) << m;
    for (const auto& s : shapes) {
      if (!s.textured) continue;
      EXPECT_LE(s.texture.size(), 80u) << s.texture;
      EXPECT_EQ(s.texture.rfind("Data/Textures/", 0), 0u) << s.texture;
      EXPECT_TRUE(fileExists(dir_ + "/" + s.texture)) << m << ": " << s.texture;
      seen.insert(s.texture);
    }
  }
  EXPECT_GE(seen.size(), 9u) << "road, kerb, grass, bark, leaves, bush, walls, roof, sky";
}

TEST_F(Files, ConfigHasTheDefaultFiveLines) {
  std::ifstream in(dir_ + "/Config.txt");
  std::stringstream ss;
  ss << in.rdbuf();
  EXPECT_EQ(ss.str(), "[DisplayMode]\n1024x786:32@60\n[AntiAliasing]\n1\nEOF\n");
}

// Ten results, best first; names of letters only; sixteen times with splits
// that grow through the race and a last split equal to the total.
TEST_F(Files, HighScoresAreTenConsistentResults) {
  std::ifstream in(dir_ + "/HighScore5.hs");
  std::string line;
  int count = 0;
  float previousTotal = 0;
  while (std::getline(in, line)) {
    ++count;
    ASSERT_LT(line.size(), 255u);
    std::istringstream ls(line);
    std::string name;
    ls >> name;
    ASSERT_FALSE(name.empty());
    EXPECT_LE(name.size(), 17u);
    for (char c : name) EXPECT_TRUE(std::isalpha(static_cast<unsigned char>(c))) << name;
    float v[16];
    for (float& x : v) ASSERT_TRUE(static_cast<bool>(ls >> x)) << line;
    std::string rest;
    EXPECT_FALSE(static_cast<bool>(ls >> rest)) << "extra text: " << line;
    for (int i = 2; i < 16; ++i) EXPECT_GT(v[i], v[i - 1]) << line;
    EXPECT_GT(v[1], 5.0f);
    EXPECT_FLOAT_EQ(v[15], v[0]) << line;
    EXPECT_GT(v[0], previousTotal) << "best first";
    previousTotal = v[0];
    // Exactly the write format: one blank between fields, six decimals.
    char expect[255];
    std::snprintf(expect, sizeof expect, "%s %f %f %f %f %f %f %f %f %f %f %f %f %f %f %f %f",
                  name.c_str(), v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10],
                  v[11], v[12], v[13], v[14], v[15]);
    EXPECT_EQ(line, expect);
  }
  EXPECT_EQ(count, 10);
}

// The shipped table is beatable but not by much: its best entry is a little
// slower than the autopilot's best race, the field spreads out behind it, and
// every lap puts its checkpoints where a real lap of the track puts them.
TEST_F(Files, HighScoresAreCalibratedOnARealRace) {
  std::ifstream in(dir_ + "/HighScore5.hs");
  std::vector<std::vector<float>> table;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream ls(line);
    std::string name;
    std::vector<float> v(16);
    ls >> name;
    for (float& x : v) ls >> x;
    table.push_back(v);
  }
  ASSERT_EQ(table.size(), 10u);
  const float reference = content::kReferenceRace[14];
  EXPECT_GT(table[0][0], reference);
  EXPECT_LT(table[0][0], reference * 1.05f);
  EXPECT_GT(table[9][0], table[0][0] * 1.25f) << "the last place should be a cautious drive";
  for (const std::vector<float>& entry : table) {
    float start = 0, refStart = 0;
    for (int lap = 0; lap < 5; ++lap) {
      const float* ref = content::kReferenceRace + lap * 3;
      const float* split = entry.data() + 1 + lap * 3;
      const float length = split[2] - start, refLength = ref[2] - refStart;
      for (int c = 0; c < 2; ++c)
        EXPECT_NEAR((split[c] - start) / length, (ref[c] - refStart) / refLength, 0.01f) << "lap " << lap + 1;
      start = split[2];
      refStart = ref[2];
    }
  }
}

// Placement tables: nine numbers a line, then a line with EOF and nothing after.
TEST_F(Files, PlacementTablesEndWithEof) {
  for (const char* t : {"Palme01", "Palme201", "Busch01", "Haus01"}) {
    std::ifstream in(dir_ + "/Data/Models/" + t + ".txt");
    std::string line;
    std::vector<std::string> lines;
    while (std::getline(in, line)) lines.push_back(line);
    ASSERT_GE(lines.size(), 2u) << t;
    EXPECT_EQ(lines.back(), "EOF") << t;
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
      float v[9];
      int n = std::sscanf(lines[i].c_str(), "%f %f %f %f %f %f %f %f %f", &v[0], &v[1], &v[2], &v[3],
                          &v[4], &v[5], &v[6], &v[7], &v[8]);
      EXPECT_EQ(n, 9) << t << ": " << lines[i];
      EXPECT_EQ(lines[i].find("EOF"), std::string::npos);
      EXPECT_LT(lines[i].size(), 254u);
    }
  }
}
