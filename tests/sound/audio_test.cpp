// The game's samples and channels: engine formulas, music changes, the typing click.
#include "audio/audio.h"

#include "sound_fixture.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <filesystem>

using namespace soundtest;

namespace {

const std::string& workDir() {
  static const std::string dir = makeTempDir();
  return dir;
}
std::string mixFile() { return workDir() + "/mix.wav"; }

// OpenAL Soft reads its configuration once per process, before any device opens.
const bool kWaveDeviceConfigured = (useWaveDevice(mixFile()), true);

TEST(EngineSound, FollowsTheDisplayedSpeed) {
  const struct { float speed; int frequency, volume; } cases[] = {
      {0.0f, 8000, 200},      // at rest
      {0.5f, 8040, 199},      // 199.67 truncates down
      {240.0f, 27200, 40},    // near the end of the dial
      {400.0f, 40000, -66},   // -66.67 truncates toward zero; the library makes it silence
      {-50.0f, 4000, 233},
      {-200.0f, -8000, 333},  // the library clamps both
  };
  for (const auto& c : cases) {
    EXPECT_EQ(engineFrequencyFor(c.speed), c.frequency) << c.speed;
    EXPECT_EQ(engineVolumeFor(c.speed), c.volume) << c.speed;
  }
}

TEST(EngineSound, NonFiniteSpeedsSaturateInsteadOfOverflowing) {
  EXPECT_EQ(engineFrequencyFor(std::nanf("")), 0);
  EXPECT_EQ(engineVolumeFor(std::nanf("")), 0);
  EXPECT_EQ(engineFrequencyFor(INFINITY), INT_MAX);
  EXPECT_EQ(engineVolumeFor(INFINITY), INT_MIN);
  EXPECT_EQ(engineFrequencyFor(-1e30f), INT_MIN);
}

// A game directory of short tones under Data/Sound, each piece at a pitch of its own.
class GameAudio : public ::testing::Test {
 protected:
  static constexpr double kTitleHz = 500;
  static constexpr double kRaceHz[4] = {700, 900, 1100, 1300};

  void SetUp() override {
    ASSERT_TRUE(kWaveDeviceConfigured);
    game_ = makeTempDir();
    std::filesystem::create_directories(game_ + "/Data/Sound");
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(game_);
    ASSERT_TRUE(FSOUND_Init(44100, 32, 0));
  }
  void TearDown() override {
    FSOUND_Close();
    gMusicSample = gTypeSample = gEngineSample = nullptr;
    std::filesystem::current_path(previous_);
  }
  void writeMusic() {
    ASSERT_TRUE(writeTone(kTitleMusicFile, FileType::Mp3, 44100, 2, kTitleHz, 0.2, 0.3));
    for (int i = 0; i < 4; ++i)
      ASSERT_TRUE(writeTone(kRaceMusicFiles[i], FileType::Mp3, 44100, 2, kRaceHz[i], 0.15, 0.3));
  }

  std::string game_;
  std::filesystem::path previous_;
};

TEST_F(GameAudio, RaceMusicReplacesTheTitlePieceAndLoops) {
  writeMusic();
  playTitleMusic();
  FSOUND_SAMPLE* title = gMusicSample;
  ASSERT_NE(title, nullptr);
  EXPECT_TRUE(FSOUND_IsPlaying(kMusicChannel));
  playRaceMusic(2);
  ASSERT_NE(gMusicSample, nullptr);
  EXPECT_EQ(FSOUND_PlaySound(kTypeChannel, title), -1) << "the title piece was freed";
  // Three times the piece's length: only a looping sample is still going.
  letPlay(0.45);
  EXPECT_TRUE(FSOUND_IsPlaying(kMusicChannel));
  FSOUND_Close();
  Capture mix;
  ASSERT_TRUE(readCapture(mixFile(), mix));
  const auto tail = mix.tail(0.15);
  EXPECT_GT(toneLevel(tail, mix.rate, kRaceHz[2]), 0.02);
  EXPECT_LT(toneLevel(tail, mix.rate, kTitleHz), 0.003);
}

TEST_F(GameAudio, OutOfRangePicksStillChooseOneOfTheFourPieces) {
  writeMusic();
  for (int pick : {4, -1, INT_MIN}) {
    playRaceMusic(pick);
    EXPECT_NE(gMusicSample, nullptr) << pick;
    EXPECT_TRUE(FSOUND_IsPlaying(kMusicChannel)) << pick;
  }
}

TEST_F(GameAudio, MissingMusicLeavesTheMusicChannelSilent) {
  playTitleMusic();
  EXPECT_EQ(gMusicSample, nullptr);
  playRaceMusic(1);
  EXPECT_EQ(gMusicSample, nullptr);
  EXPECT_FALSE(FSOUND_IsPlaying(kMusicChannel));
}

TEST_F(GameAudio, EngineChannelTakesFrequencyAndVolumeFromTheSpeed) {
  ASSERT_TRUE(writeTone("Data/Sound/Carsound.ogg", FileType::Ogg, 22050, 1, 1000, 0.5, 0.3));
  gEngineSample = FSOUND_Sample_Load(kEngineChannel, "Data/Sound/Carsound.ogg", FSOUND_LOOP_NORMAL, 0, 0);
  ASSERT_EQ(FSOUND_PlaySound(kEngineChannel, gEngineSample), kEngineChannel);
  updateEngineSound(240.0f);
  EXPECT_EQ(FSOUND_GetFrequency(kEngineChannel), 27200);
  EXPECT_EQ(FSOUND_GetVolume(kEngineChannel), 40);
  updateEngineSound(400.0f);
  EXPECT_EQ(FSOUND_GetFrequency(kEngineChannel), 40000);
  EXPECT_EQ(FSOUND_GetVolume(kEngineChannel), 0);
  updateEngineSound(-200.0f);
  EXPECT_EQ(FSOUND_GetFrequency(kEngineChannel), FSOUND_MIN_FREQUENCY);
  EXPECT_EQ(FSOUND_GetVolume(kEngineChannel), 255);
  EXPECT_TRUE(FSOUND_IsPlaying(kEngineChannel));
}

TEST_F(GameAudio, TypeClickPlaysOnceOnItsChannel) {
  ASSERT_TRUE(writeTone("Data/Sound/Type.wav", FileType::Wav, 44100, 1, 2000, 0.03, 0.3));
  gTypeSample = FSOUND_Sample_Load(kTypeChannel, "Data/Sound/Type.wav", FSOUND_LOOP_OFF, 0, 0);
  playTypeClick();
  EXPECT_TRUE(FSOUND_IsPlaying(kTypeChannel));
  letPlay(0.12);
  EXPECT_FALSE(FSOUND_IsPlaying(kTypeChannel));
  playTypeClick();
  EXPECT_TRUE(FSOUND_IsPlaying(kTypeChannel)) << "each accepted key clicks again";
}

}  // namespace
