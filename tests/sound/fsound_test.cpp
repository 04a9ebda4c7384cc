// The sound library against OpenAL Soft's wave writer: what the channels play is measured in
// the captured mix.
#include "sound/fmod.h"

#include "sound_fixture.h"

#include <gtest/gtest.h>

#include <climits>

using namespace soundtest;

namespace {

const std::string& workDir() {
  static const std::string dir = makeTempDir();
  return dir;
}
std::string mixFile() { return workDir() + "/mix.wav"; }

// OpenAL Soft reads its configuration once per process, before any device opens.
const bool kWaveDeviceConfigured = (useWaveDevice(mixFile()), true);

constexpr double kPresent = 0.1;  // a mono tone of amplitude 0.3 mixes in at about 0.18
constexpr double kAbsent = 0.003;

class WaveDevice : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(FSOUND_Init(44100, 32, 0)); }
  void TearDown() override { FSOUND_Close(); }

  // A looping-or-not sine sample; each call writes a file of its own.
  FSOUND_SAMPLE* loadTone(double hz, unsigned int mode, double seconds = 0.5,
                          FileType type = FileType::Wav, int rate = 44100, int channels = 1,
                          int slot = FSOUND_FREE) {
    static int count = 0;
    const char* ext[] = {".wav", ".ogg", ".mp3"};
    const std::string path =
        workDir() + "/tone" + std::to_string(++count) + ext[static_cast<int>(type)];
    EXPECT_TRUE(writeTone(path, type, rate, channels, hz, seconds, 0.3)) << path;
    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(slot, path.c_str(), mode, 0, 0);
    EXPECT_NE(sample, nullptr) << path;
    return sample;
  }

  // Closes the device, which completes the wave file, and reads back the mix.
  Capture closeAndCapture() {
    FSOUND_Close();
    Capture capture;
    EXPECT_TRUE(readCapture(mixFile(), capture));
    return capture;
  }
};

TEST_F(WaveDevice, PlaysWavOggAndMp3Samples) {
  ASSERT_TRUE(kWaveDeviceConfigured);
  EXPECT_EQ(FSOUND_PlaySound(0, loadTone(300, FSOUND_LOOP_NORMAL, 0.5, FileType::Mp3)), 0);
  EXPECT_EQ(FSOUND_PlaySound(1, loadTone(700, FSOUND_LOOP_NORMAL, 0.5, FileType::Wav, 22050)), 1);
  EXPECT_EQ(FSOUND_PlaySound(2, loadTone(1500, FSOUND_LOOP_NORMAL, 0.5, FileType::Ogg, 44100, 2)), 2);
  letPlay(0.3);
  const Capture mix = closeAndCapture();
  const auto tail = mix.tail(0.15);
  EXPECT_GT(toneLevel(tail, mix.rate, 300), kPresent) << "MP3";
  EXPECT_GT(toneLevel(tail, mix.rate, 700), kPresent) << "WAV at 22050 Hz";
  EXPECT_GT(toneLevel(tail, mix.rate, 1500), kPresent) << "stereo Ogg";
  EXPECT_LT(toneLevel(tail, mix.rate, 1100), kAbsent) << "a tone nobody played";
}

TEST_F(WaveDevice, DoublingTheEngineFrequencyDoublesItsPitch) {
  // The engine sample as the game has it: a looping Ogg, here a 1000 Hz tone at 22050 Hz.
  auto measure = [this](int hz) {
    if (!FSOUND_Init(44100, 32, 0)) return 0.0;
    FSOUND_PlaySound(2, loadTone(1000, FSOUND_LOOP_NORMAL, 0.5, FileType::Ogg, 22050));
    EXPECT_TRUE(FSOUND_SetFrequency(2, hz));
    EXPECT_EQ(FSOUND_GetFrequency(2), hz);
    letPlay(0.25);
    const Capture mix = closeAndCapture();
    return zeroCrossingFrequency(mix.tail(0.1), mix.rate);
  };
  const double atRest = measure(8000);
  const double doubled = measure(16000);
  EXPECT_NEAR(atRest, 1000.0 * 8000 / 22050, 1000.0 * 8000 / 22050 * 0.02);
  EXPECT_NEAR(doubled / atRest, 2.0, 0.04);
}

TEST_F(WaveDevice, VolumeIsLinearInAmplitude) {
  FSOUND_PlaySound(0, loadTone(440, FSOUND_LOOP_NORMAL));
  FSOUND_PlaySound(1, loadTone(1000, FSOUND_LOOP_NORMAL));
  FSOUND_PlaySound(2, loadTone(1700, FSOUND_LOOP_NORMAL));
  EXPECT_TRUE(FSOUND_SetVolume(1, 200));
  EXPECT_TRUE(FSOUND_SetVolume(2, 100));
  letPlay(0.25);
  const Capture mix = closeAndCapture();
  const auto tail = mix.tail(0.12);
  const double full = toneLevel(tail, mix.rate, 440);
  const double at200 = toneLevel(tail, mix.rate, 1000);
  const double at100 = toneLevel(tail, mix.rate, 1700);
  ASSERT_GT(full, kPresent);
  EXPECT_NEAR(at200 / full, 200.0 / 255.0, 0.03);
  EXPECT_NEAR(at100 / at200, 0.5, 0.03);
}

TEST_F(WaveDevice, StoppingOrFreeingSilencesOnlyThatChannel) {
  FSOUND_PlaySound(0, loadTone(440, FSOUND_LOOP_NORMAL));
  FSOUND_SAMPLE* freed = loadTone(1000, FSOUND_LOOP_NORMAL, 0.5, FileType::Wav, 44100, 1, 5);
  FSOUND_PlaySound(1, freed);
  FSOUND_PlaySound(2, loadTone(1700, FSOUND_LOOP_NORMAL));
  letPlay(0.1);
  EXPECT_TRUE(FSOUND_StopSound(0));
  FSOUND_Sample_Free(freed);
  EXPECT_FALSE(FSOUND_IsPlaying(0));
  EXPECT_FALSE(FSOUND_IsPlaying(1));
  EXPECT_TRUE(FSOUND_IsPlaying(2));
  // The freed handle is dead even though its slot holds a new sample now.
  FSOUND_SAMPLE* reloaded = loadTone(2500, FSOUND_LOOP_NORMAL, 0.5, FileType::Wav, 44100, 1, 5);
  EXPECT_EQ(FSOUND_PlaySound(3, freed), -1);
  EXPECT_EQ(FSOUND_PlaySound(1, reloaded), 1);
  letPlay(0.2);
  const Capture mix = closeAndCapture();
  EXPECT_GT(toneLevel(mix.mono, mix.rate, 440), kAbsent) << "channel 0 played before the stop";
  const auto tail = mix.tail(0.1);
  EXPECT_LT(toneLevel(tail, mix.rate, 440), kAbsent);
  EXPECT_LT(toneLevel(tail, mix.rate, 1000), kAbsent);
  EXPECT_GT(toneLevel(tail, mix.rate, 1700), kPresent);
  EXPECT_GT(toneLevel(tail, mix.rate, 2500), kPresent);
}

TEST_F(WaveDevice, LoopModeDecidesWhetherASampleRepeats) {
  FSOUND_PlaySound(0, loadTone(440, FSOUND_LOOP_OFF, 0.05));
  FSOUND_SAMPLE* loopedLater = loadTone(1000, 0, 0.05);
  EXPECT_TRUE(FSOUND_Sample_SetMode(loopedLater, FSOUND_LOOP_NORMAL));
  FSOUND_PlaySound(1, loopedLater);
  FSOUND_SAMPLE* unloopedWhilePlaying = loadTone(1700, FSOUND_LOOP_NORMAL, 0.05);
  FSOUND_PlaySound(2, unloopedWhilePlaying);
  EXPECT_TRUE(FSOUND_Sample_SetMode(unloopedWhilePlaying, FSOUND_LOOP_OFF));
  letPlay(0.3);
  EXPECT_FALSE(FSOUND_IsPlaying(0));
  EXPECT_TRUE(FSOUND_IsPlaying(1));
  EXPECT_FALSE(FSOUND_IsPlaying(2));
  const Capture mix = closeAndCapture();
  const auto tail = mix.tail(0.1);
  EXPECT_LT(toneLevel(tail, mix.rate, 440), kAbsent);
  EXPECT_GT(toneLevel(tail, mix.rate, 1000), kPresent);
  EXPECT_LT(toneLevel(tail, mix.rate, 1700), kAbsent);
}

TEST_F(WaveDevice, PlayingReplacesTheChannelAndResetsRateAndVolume) {
  FSOUND_PlaySound(0, loadTone(440, FSOUND_LOOP_NORMAL));
  FSOUND_SetVolume(0, 0);
  FSOUND_SetFrequency(0, 8000);
  EXPECT_EQ(FSOUND_PlaySound(0, loadTone(1000, FSOUND_LOOP_NORMAL, 0.5, FileType::Wav, 22050)), 0);
  EXPECT_EQ(FSOUND_GetVolume(0), 255);
  EXPECT_EQ(FSOUND_GetFrequency(0), 22050);
  letPlay(0.2);
  const Capture mix = closeAndCapture();
  const auto tail = mix.tail(0.1);
  EXPECT_LT(toneLevel(tail, mix.rate, 440), kAbsent);
  EXPECT_GT(toneLevel(tail, mix.rate, 1000), kPresent);
}

TEST_F(WaveDevice, OutOfRangeValuesClampAndUnknownChannelsAreIgnored) {
  FSOUND_PlaySound(2, loadTone(1000, FSOUND_LOOP_NORMAL, 0.5, FileType::Wav, 22050));
  const struct { int asked, played; } frequencies[] = {
      {-8000, FSOUND_MIN_FREQUENCY}, {0, FSOUND_MIN_FREQUENCY}, {40000, 40000},
      {INT_MAX, FSOUND_MAX_FREQUENCY}};
  for (const auto& f : frequencies) {
    EXPECT_TRUE(FSOUND_SetFrequency(2, f.asked));
    EXPECT_EQ(FSOUND_GetFrequency(2), f.played) << f.asked;
  }
  const struct { int asked, set; } volumes[] = {{-66, 0}, {INT_MIN, 0}, {300, 255}, {128, 128}};
  for (const auto& v : volumes) {
    EXPECT_TRUE(FSOUND_SetVolume(2, v.asked));
    EXPECT_EQ(FSOUND_GetVolume(2), v.set) << v.asked;
  }
  EXPECT_FALSE(FSOUND_SetFrequency(1, 8000)) << "no sample on channel 1 to be relative to";
  EXPECT_EQ(FSOUND_GetFrequency(1), 0);
  FSOUND_SAMPLE* sample = loadTone(440, FSOUND_LOOP_NORMAL);
  for (int channel : {-1, 32, 1000, INT_MIN}) {
    EXPECT_EQ(FSOUND_PlaySound(channel, sample), -1) << channel;
    EXPECT_FALSE(FSOUND_SetVolume(channel, 100));
    EXPECT_FALSE(FSOUND_StopSound(channel));
    EXPECT_FALSE(FSOUND_IsPlaying(channel));
  }
  FSOUND_SetVolume(2, -66);
  letPlay(0.15);
  const Capture mix = closeAndCapture();
  EXPECT_LT(rms(mix.tail(0.05)), kAbsent) << "a negative volume is silence";
}

TEST_F(WaveDevice, BadFilesGiveHandlesThatEveryCallAccepts) {
  const std::string dir = workDir();
  // RIFF and data sizes of 2 GB, 16-bit mono at 44100 Hz, then four bytes of samples.
  const unsigned char header[] = {'R', 'I', 'F', 'F', 0xff, 0xff, 0xff, 0x7f, 'W', 'A', 'V', 'E',
                                  'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 1, 0, 0x44, 0xac, 0, 0,
                                  0x88, 0x58, 1, 0, 2, 0, 16, 0, 'd', 'a', 't', 'a',
                                  0xf0, 0xff, 0xff, 0x7f, 1, 2, 3, 4};
  const std::string wavHeaderLies(reinterpret_cast<const char*>(header), sizeof header);
  std::string noise;
  for (int i = 0; i < 4096; ++i) noise.push_back(static_cast<char>((i * 7919 + 13) % 251));
  writeBytes(dir + "/noise.ogg", noise);
  writeBytes(dir + "/text.mp3", "ID3 this is not music\n");
  writeBytes(dir + "/empty.wav", "");
  writeBytes(dir + "/lies.wav", wavHeaderLies);
  ASSERT_TRUE(writeTone(dir + "/silent.wav", FileType::Wav, 44100, 1, 440, 0.0, 0.3));
  StdoutCapture out;
  const std::string bad[] = {dir + "/missing.wav", dir + "/noise.ogg", dir + "/text.mp3",
                             dir + "/empty.wav", dir + "/silent.wav", dir};
  for (const auto& path : bad) EXPECT_EQ(FSOUND_Sample_Load(1, path.c_str(), 0, 0, 0), nullptr) << path;
  EXPECT_EQ(FSOUND_Sample_Load(1, nullptr, 0, 0, 0), nullptr);
  // A header claiming 2 GB over four bytes of data: whatever is there, if anything, plays.
  FSOUND_SAMPLE* lies = FSOUND_Sample_Load(2, (dir + "/lies.wav").c_str(), 0, 0, 0);
  FSOUND_PlaySound(2, lies);
  const std::string printed = out.finish();
  EXPECT_NE(printed.find("File " + dir + "/missing.wav not found\n"), std::string::npos) << printed;

  EXPECT_EQ(FSOUND_PlaySound(0, nullptr), -1);
  EXPECT_FALSE(FSOUND_Sample_SetMode(nullptr, FSOUND_LOOP_NORMAL));
  FSOUND_Sample_Free(nullptr);
  FSOUND_SAMPLE* good = loadTone(440, FSOUND_LOOP_NORMAL);
  FSOUND_Sample_Free(good);
  FSOUND_Sample_Free(good);
  EXPECT_EQ(FSOUND_PlaySound(0, good), -1);
  FSOUND_SAMPLE* survivor = loadTone(440, FSOUND_LOOP_NORMAL);
  EXPECT_EQ(FSOUND_PlaySound(0, survivor), 0);
  EXPECT_TRUE(FSOUND_IsPlaying(0));
  FSOUND_Close();
  EXPECT_EQ(FSOUND_PlaySound(0, survivor), -1) << "handles die with the device";
  FSOUND_Sample_Free(survivor);
}

TEST_F(WaveDevice, OutOfRangeSampleValuesAreClippedNotWrapped) {
  // A float WAV may hold values far past full scale, and NaN.
  const std::string path = workDir() + "/hot.wav";
  {
    std::vector<float> data(22050);
    for (size_t i = 0; i < data.size(); ++i) data[i] = (i / 50) % 2 ? 40.0f : -40.0f;
    data[100] = std::numeric_limits<float>::quiet_NaN();
    ASSERT_TRUE(writeFloatWav(path, data, 44100));
  }
  FSOUND_SAMPLE* hot = FSOUND_Sample_Load(0, path.c_str(), FSOUND_LOOP_NORMAL, 0, 0);
  ASSERT_NE(hot, nullptr);
  FSOUND_PlaySound(0, hot);
  FSOUND_SetVolume(0, 64);
  letPlay(0.15);
  const Capture mix = closeAndCapture();
  // A square wave of a quarter of full scale; wrapped 16-bit values would be noise near full scale.
  const double level = rms(mix.tail(0.05));
  EXPECT_GT(level, 0.05);
  EXPECT_LT(level, 0.3);
}

}  // namespace
