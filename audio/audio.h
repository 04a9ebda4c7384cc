// The game's sounds: samples and the fixed channels they play on.
#pragma once

#include "sound/fmod.h"

enum SoundChannel { kMusicChannel = 0, kTypeChannel = 1, kEngineChannel = 2 };

// ---- Per process: the player's volumes, from Config.txt and the options screen
// 0 is silence, 10 the samples as they are: music on the music channel,
// effects on the engine and the typing click.
constexpr int kVolumeSteps = 10;
extern int gMusicVolume;
extern int gEffectsVolume;
// A channel volume at `level` of `full`: by the square of the level, since the
// ear hears loudness as a ratio and straight steps would crowd the top half.
int scaledVolume(int full, int level);
// The music channel at `full` (FSOUND_MAX_VOLUME, or the pause menu's quieter
// level) scaled by the music volume.
void setMusicVolume(int full);
// The engine sample started on its channel at the effects volume.
void startEngineSound();

// ---- Per process: samples -----------------------------------------------------
extern FSOUND_SAMPLE* gTypeSample;
extern FSOUND_SAMPLE* gEngineSample;
extern FSOUND_SAMPLE* gMusicSample;

// Music: the title and high-score piece, and the four race pieces.
extern const char* const kTitleMusicFile;
extern const char* const kRaceMusicFiles[4];

// Engine pitch (Hz) and volume (0..255 scale) from the displayed speed of the previous
// frame, truncated toward zero. Out-of-range results are left to the sound library to clamp:
// the volume reaches 0 at a displayed speed of 300, the frequency 0 at -100.
int engineFrequencyFor(float speedDisplay);
int engineVolumeFor(float speedDisplay);
// Frequency, then volume, of the engine channel.
void updateEngineSound(float speedDisplay);
// Both stop and free the current music, load the piece into sample slot 0 as the new
// gMusicSample and play it looping on the music channel. `pick` is 0..3.
void playTitleMusic();
void playRaceMusic(int pick);
void playTypeClick();
