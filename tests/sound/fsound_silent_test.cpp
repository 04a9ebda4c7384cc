// The sound library on a machine without a sound card.
#include "sound/fmod.h"

#include "sound_fixture.h"

#include <gtest/gtest.h>

using namespace soundtest;

namespace {

const std::string& workDir() {
  static const std::string dir = makeTempDir();
  return dir;
}

// OpenAL Soft reads its configuration once per process, before any device opens.
const bool kNoDeviceConfigured = (useNoDevice(workDir()), true);

TEST(NoSoundDevice, EveryCallIsASilentNoOpAfterOneLine) {
  ASSERT_TRUE(kNoDeviceConfigured);
  const std::string tone = workDir() + "/tone.wav";
  ASSERT_TRUE(writeTone(tone, FileType::Wav, 44100, 1, 440, 0.1, 0.3));
  StdoutCapture out;
  EXPECT_FALSE(FSOUND_Init(44100, 32, 0));
  FSOUND_SAMPLE* sample = FSOUND_Sample_Load(1, tone.c_str(), FSOUND_LOOP_OFF, 0, 0);
  EXPECT_EQ(sample, nullptr);
  FSOUND_Sample_Load(0, (workDir() + "/missing.mp3").c_str(), FSOUND_LOOP_NORMAL, 0, 0);
  EXPECT_FALSE(FSOUND_Sample_SetMode(sample, FSOUND_LOOP_NORMAL));
  EXPECT_EQ(FSOUND_PlaySound(2, sample), -1);
  EXPECT_FALSE(FSOUND_SetFrequency(2, 8000));
  EXPECT_FALSE(FSOUND_SetVolume(2, 200));
  EXPECT_EQ(FSOUND_GetFrequency(2), 0);
  EXPECT_FALSE(FSOUND_IsPlaying(2));
  FSOUND_StopSound(0);
  FSOUND_Sample_Free(sample);
  FSOUND_Close();
  FSOUND_Close();
  const std::string printed = out.finish();
  EXPECT_EQ(printed, "Sound: no audio device, the game runs without sound\n");
}

}  // namespace
