// The game's sounds: samples and the fixed channels they play on.
#pragma once

#include "sound/fmod.h"

enum SoundChannel { kMusicChannel = 0, kTypeChannel = 1, kEngineChannel = 2 };

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
