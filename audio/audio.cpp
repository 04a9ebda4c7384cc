#include "audio/audio.h"

#include <cmath>
#include <limits>

FSOUND_SAMPLE* gTypeSample = nullptr;
FSOUND_SAMPLE* gEngineSample = nullptr;
FSOUND_SAMPLE* gMusicSample = nullptr;

const char* const kTitleMusicFile = "Data/Sound/Title.mp3";
const char* const kRaceMusicFiles[4] = {"Data/Sound/Race1.mp3", "Data/Sound/Race2.mp3",
                                        "Data/Sound/Race3.mp3", "Data/Sound/Race4.mp3"};

namespace {

constexpr int kMusicSlot = 0;

// A broken physics step can hand us an infinite or NaN speed; converting that to int
// would be undefined, so it saturates (NaN as 0) and the library clamps the rest.
int truncToInt(float x) {
  if (std::isnan(x)) return 0;
  if (x >= static_cast<float>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
  if (x <= static_cast<float>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
  return static_cast<int>(x);
}

void replaceMusic(const char* file, unsigned int mode) {
  FSOUND_StopSound(kMusicChannel);
  FSOUND_Sample_Free(gMusicSample);
  gMusicSample = FSOUND_Sample_Load(kMusicSlot, file, mode, 0, 0);
}

}  // namespace

// In float, like the speed itself: in double a few speeds would truncate to the neighbouring
// integer.
int engineFrequencyFor(float speedDisplay) { return truncToInt((speedDisplay + 100.0f) * 80.0f); }

int engineVolumeFor(float speedDisplay) { return truncToInt(200.0f - 2.0f * speedDisplay / 3.0f); }

void updateEngineSound(float speedDisplay) {
  FSOUND_SetFrequency(kEngineChannel, engineFrequencyFor(speedDisplay));
  FSOUND_SetVolume(kEngineChannel, scaledVolume(engineVolumeFor(speedDisplay), gEffectsVolume));
}

// Playing a sample sets its channel to full volume: the player's goes on after.
void setMusicVolume(int full) { FSOUND_SetVolume(kMusicChannel, scaledVolume(full, gMusicVolume)); }

void startEngineSound() {
  FSOUND_PlaySound(kEngineChannel, gEngineSample);
  FSOUND_SetVolume(kEngineChannel, scaledVolume(FSOUND_MAX_VOLUME, gEffectsVolume));
}

void playTitleMusic() {
  replaceMusic(kTitleMusicFile, FSOUND_LOOP_NORMAL);
  FSOUND_PlaySound(kMusicChannel, gMusicSample);
  setMusicVolume(FSOUND_MAX_VOLUME);
}

void playRaceMusic(int pick) {
  const int piece = ((pick % 4) + 4) % 4;
  replaceMusic(kRaceMusicFiles[piece], 0);
  FSOUND_Sample_SetMode(gMusicSample, FSOUND_LOOP_NORMAL);
  FSOUND_PlaySound(kMusicChannel, gMusicSample);
  setMusicVolume(FSOUND_MAX_VOLUME);
}

void playTypeClick() {
  FSOUND_PlaySound(kTypeChannel, gTypeSample);
  FSOUND_SetVolume(kTypeChannel, scaledVolume(FSOUND_MAX_VOLUME, gEffectsVolume));
}
