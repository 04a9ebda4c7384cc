// FSOUND: the small sample-and-channel sound interface the game is written against.
//
// Samples are decoded whole into memory when loaded (WAV, Ogg Vorbis, MP3) and played on
// numbered channels; a channel holds one sample at a time. Nothing here ever fails loudly:
// a sample that could not be loaded comes back as a null handle, and every call accepts a
// null, freed or otherwise unknown handle and an out-of-range channel as a no-op. Without
// a sound device the whole layer runs silent.
#pragma once

// Opaque sample handle; only ever handed back to the calls below.
struct FSOUND_SAMPLE;

// Sample modes. Mode 0 behaves as FSOUND_LOOP_OFF.
constexpr unsigned int FSOUND_LOOP_OFF = 1;
constexpr unsigned int FSOUND_LOOP_NORMAL = 2;

// Sample slot index meaning "no fixed slot".
constexpr int FSOUND_FREE = -1;

// Ranges that SetFrequency and SetVolume clamp to.
constexpr int FSOUND_MIN_FREQUENCY = 100;
constexpr int FSOUND_MAX_FREQUENCY = 705600;
constexpr int FSOUND_MAX_VOLUME = 255;

// Opens the default sound device mixing at `mixrate` Hz with channels 0..maxsoftwarechannels-1.
// Returns false (and prints one line) when there is no device; every later call is then silent.
// `flags` is accepted for compatibility and ignored.
bool FSOUND_Init(int mixrate, int maxsoftwarechannels, unsigned int flags);
// Stops every channel, releases every sample and closes the device. Handles die with it.
void FSOUND_Close();

// Decodes `name` into sample slot `index` (FSOUND_FREE: no slot). A sample already in that
// slot is freed first. `offset` and `length` are accepted for compatibility and ignored: files
// are always read whole. Returns null when the file is missing or cannot be decoded.
FSOUND_SAMPLE* FSOUND_Sample_Load(int index, const char* name, unsigned int mode, int offset, int length);
// Loop mode for later plays and for channels already playing the sample.
bool FSOUND_Sample_SetMode(FSOUND_SAMPLE* sample, unsigned int mode);
// Stops every channel playing the sample, then releases it.
void FSOUND_Sample_Free(FSOUND_SAMPLE* sample);

// Replaces whatever `channel` plays with `sample`, from its start, at the sample's own rate
// and full volume. Returns the channel, or -1 when nothing was started.
int FSOUND_PlaySound(int channel, FSOUND_SAMPLE* sample);
bool FSOUND_StopSound(int channel);
bool FSOUND_IsPlaying(int channel);

// Playback rate in Hz, clamped to [FSOUND_MIN_FREQUENCY, FSOUND_MAX_FREQUENCY].
// Needs a sample on the channel: the rate is relative to the sample's own rate.
bool FSOUND_SetFrequency(int channel, int freq);
// Volume 0..FSOUND_MAX_VOLUME (clamped), linear in amplitude.
bool FSOUND_SetVolume(int channel, int vol);
// What the channel was last set to after clamping (the frequency as actually played); 0 for a
// channel that does not exist and, for the frequency, for one that holds no sample.
int FSOUND_GetFrequency(int channel);
int FSOUND_GetVolume(int channel);
