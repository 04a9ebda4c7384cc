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

// Engine pitch and volume from the displayed speed of the previous frame.
int engineFrequencyFor(float speedDisplay);
int engineVolumeFor(float speedDisplay);
void updateEngineSound(float speedDisplay);
// Stops and frees the current music, loads `file` looping and plays it on channel 0.
void playTitleMusic();
void playRaceMusic(int pick);
void playTypeClick();
