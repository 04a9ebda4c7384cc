// The player's volumes: kept apart from the channels, since Config.txt's
// reader owns their values and needs no sound library.
#include "audio/audio.h"

int gMusicVolume = kVolumeSteps;
int gEffectsVolume = kVolumeSteps;

int scaledVolume(int full, int level) {
  if (level >= kVolumeSteps) return full;  // the game's own volume, exactly
  if (level <= 0) return 0;
  return static_cast<int>(static_cast<long long>(full) * level * level / (kVolumeSteps * kVolumeSteps));
}
