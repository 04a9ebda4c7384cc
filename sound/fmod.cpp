// FSOUND over OpenAL Soft: one AL buffer per sample, one AL source per channel.
#include "sound/fmod.h"

#include "sound/decode.h"

#include <AL/al.h>
#include <AL/alc.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <vector>

namespace {

constexpr int kMaxChannels = 256;
constexpr int kMinMixRate = 8000;
constexpr int kMaxMixRate = 192000;
// OpenAL Soft's mixer will not step through a buffer faster than this.
constexpr float kMaxPitch = 255.0f;

// A handle is a sample number dressed as a pointer and never dereferenced. Numbers are not
// reused, so a handle kept after its sample was freed (or after a Close) finds nothing
// instead of finding a newer sample that happens to live at the same address.
using SampleId = std::uintptr_t;

struct Sample {
  ALuint buffer = 0;
  int rate = 0;
  unsigned int mode = FSOUND_LOOP_OFF;
  int slot = FSOUND_FREE;
};

struct Channel {
  ALuint source = 0;  // made on the channel's first play
  SampleId sample = 0;
  int frequency = 0;
  int volume = FSOUND_MAX_VOLUME;
};

struct SoundDevice {
  ALCdevice* device = nullptr;
  ALCcontext* context = nullptr;
  std::vector<Channel> channels;
  std::map<SampleId, Sample> samples;
  std::map<int, SampleId> slots;
};

// Per process: the one device. Empty (no context) while closed or silent.
SoundDevice gSound;
// Per process, surviving Close: the last sample number handed out.
SampleId gLastSampleId = 0;

bool isOpen() { return gSound.context != nullptr; }

SampleId idOf(FSOUND_SAMPLE* handle) { return reinterpret_cast<SampleId>(handle); }
FSOUND_SAMPLE* handleOf(SampleId id) { return reinterpret_cast<FSOUND_SAMPLE*>(id); }

Sample* findSample(FSOUND_SAMPLE* handle) {
  auto found = gSound.samples.find(idOf(handle));
  return found != gSound.samples.end() ? &found->second : nullptr;
}

Channel* channelAt(int channel) {
  if (channel < 0 || channel >= static_cast<int>(gSound.channels.size())) return nullptr;
  return &gSound.channels[static_cast<size_t>(channel)];
}

bool loops(unsigned int mode) {
  return (mode & FSOUND_LOOP_NORMAL) != 0 && (mode & FSOUND_LOOP_OFF) == 0;
}

// AL refuses to delete a buffer still queued on a source, so channels let go first.
void detach(Channel& channel) {
  if (channel.source != 0) {
    alSourceStop(channel.source);
    alSourcei(channel.source, AL_BUFFER, 0);
  }
  channel.sample = 0;
  channel.frequency = 0;
}

void freeSample(SampleId id) {
  auto found = gSound.samples.find(id);
  if (found == gSound.samples.end()) return;
  for (Channel& channel : gSound.channels)
    if (channel.sample == id) detach(channel);
  alDeleteBuffers(1, &found->second.buffer);
  auto slot = gSound.slots.find(found->second.slot);
  if (slot != gSound.slots.end() && slot->second == id) gSound.slots.erase(slot);
  gSound.samples.erase(found);
}

bool makeSource(Channel& channel) {
  alGetError();
  alGenSources(1, &channel.source);
  if (alGetError() != AL_NO_ERROR) {
    channel.source = 0;
    return false;
  }
  // Game sounds are not placed in space: no panning, no distance attenuation.
  alSourcei(channel.source, AL_SOURCE_RELATIVE, AL_TRUE);
  alSource3f(channel.source, AL_POSITION, 0.0f, 0.0f, 0.0f);
  alSourcef(channel.source, AL_ROLLOFF_FACTOR, 0.0f);
  return true;
}

void applyFrequency(Channel& channel, int hz) {
  const int rate = gSound.samples.at(channel.sample).rate;
  float pitch = static_cast<float>(std::clamp(hz, FSOUND_MIN_FREQUENCY, FSOUND_MAX_FREQUENCY)) /
                static_cast<float>(rate);
  pitch = std::min(pitch, kMaxPitch);
  channel.frequency = static_cast<int>(std::lround(pitch * static_cast<float>(rate)));
  alSourcef(channel.source, AL_PITCH, pitch);
}

ALuint uploadBuffer(const DecodedSound& sound) {
  alGetError();
  ALuint buffer = 0;
  alGenBuffers(1, &buffer);
  if (alGetError() != AL_NO_ERROR) return 0;
  const ALenum format = sound.channels == 2 ? AL_FORMAT_STEREO16 : AL_FORMAT_MONO16;
  const auto bytes = static_cast<ALsizei>(sound.pcm.size() * sizeof(int16_t));
  alBufferData(buffer, format, sound.pcm.data(), bytes, sound.rate);
  if (alGetError() != AL_NO_ERROR) {
    alDeleteBuffers(1, &buffer);
    return 0;
  }
  return buffer;
}

void goSilent() {
  std::printf("Sound: no audio device, the game runs without sound\n");
  std::fflush(stdout);
}

}  // namespace

bool FSOUND_Init(int mixrate, int maxsoftwarechannels, unsigned int /*flags*/) {
  if (isOpen()) return true;
  gSound.device = alcOpenDevice(nullptr);
  if (gSound.device == nullptr) {
    goSilent();
    return false;
  }
  const ALCint attributes[] = {ALC_FREQUENCY, mixrate, 0};
  const bool rateUsable = mixrate >= kMinMixRate && mixrate <= kMaxMixRate;
  gSound.context = alcCreateContext(gSound.device, rateUsable ? attributes : nullptr);
  if (gSound.context == nullptr || !alcMakeContextCurrent(gSound.context)) {
    if (gSound.context != nullptr) alcDestroyContext(gSound.context);
    alcCloseDevice(gSound.device);
    gSound = SoundDevice{};
    goSilent();
    return false;
  }
  gSound.channels.resize(static_cast<size_t>(std::clamp(maxsoftwarechannels, 1, kMaxChannels)));
  return true;
}

void FSOUND_Close() {
  if (!isOpen()) return;
  while (!gSound.samples.empty()) freeSample(gSound.samples.begin()->first);
  for (Channel& channel : gSound.channels)
    if (channel.source != 0) alDeleteSources(1, &channel.source);
  alcMakeContextCurrent(nullptr);
  alcDestroyContext(gSound.context);
  alcCloseDevice(gSound.device);
  gSound = SoundDevice{};
}

FSOUND_SAMPLE* FSOUND_Sample_Load(int index, const char* name, unsigned int mode, int /*offset*/,
                                  int /*length*/) {
  // Silent: do not spend the time decoding music nobody will hear.
  if (!isOpen() || name == nullptr) return nullptr;
  if (index >= 0) {
    auto slot = gSound.slots.find(index);
    if (slot != gSound.slots.end()) freeSample(slot->second);
  }
  DecodedSound sound;
  const DecodeResult result = decodeSoundFile(name, sound);
  if (result == DecodeResult::NotFound) std::printf("File %s not found\n", name);
  if (result == DecodeResult::NotSound) std::printf("File %s is not a sound file\n", name);
  if (result != DecodeResult::Ok) return nullptr;
  const ALuint buffer = uploadBuffer(sound);
  if (buffer == 0) return nullptr;

  const SampleId id = ++gLastSampleId;
  gSound.samples[id] = Sample{buffer, sound.rate, mode, index >= 0 ? index : FSOUND_FREE};
  if (index >= 0) gSound.slots[index] = id;
  return handleOf(id);
}

bool FSOUND_Sample_SetMode(FSOUND_SAMPLE* handle, unsigned int mode) {
  Sample* sample = findSample(handle);
  if (sample == nullptr) return false;
  sample->mode = mode;
  for (Channel& channel : gSound.channels)
    if (channel.sample == idOf(handle))
      alSourcei(channel.source, AL_LOOPING, loops(mode) ? AL_TRUE : AL_FALSE);
  return true;
}

void FSOUND_Sample_Free(FSOUND_SAMPLE* handle) { freeSample(idOf(handle)); }

int FSOUND_PlaySound(int channel, FSOUND_SAMPLE* handle) {
  Channel* target = channelAt(channel);
  const Sample* sample = findSample(handle);
  if (target == nullptr || sample == nullptr) return -1;
  if (target->source == 0 && !makeSource(*target)) return -1;
  detach(*target);
  target->sample = idOf(handle);
  target->volume = FSOUND_MAX_VOLUME;
  alSourcei(target->source, AL_BUFFER, static_cast<ALint>(sample->buffer));
  alSourcei(target->source, AL_LOOPING, loops(sample->mode) ? AL_TRUE : AL_FALSE);
  alSourcef(target->source, AL_GAIN, 1.0f);
  applyFrequency(*target, sample->rate);
  alSourcePlay(target->source);
  return channel;
}

bool FSOUND_StopSound(int channel) {
  Channel* target = channelAt(channel);
  if (target == nullptr) return false;
  detach(*target);
  return true;
}

bool FSOUND_IsPlaying(int channel) {
  Channel* target = channelAt(channel);
  if (target == nullptr || target->source == 0 || target->sample == 0) return false;
  ALint state = AL_STOPPED;
  alGetSourcei(target->source, AL_SOURCE_STATE, &state);
  return state == AL_PLAYING;
}

bool FSOUND_SetFrequency(int channel, int freq) {
  Channel* target = channelAt(channel);
  if (target == nullptr || target->sample == 0) return false;
  applyFrequency(*target, freq);
  return true;
}

bool FSOUND_SetVolume(int channel, int vol) {
  Channel* target = channelAt(channel);
  if (target == nullptr) return false;
  target->volume = std::clamp(vol, 0, FSOUND_MAX_VOLUME);
  if (target->source != 0)
    alSourcef(target->source, AL_GAIN,
              static_cast<float>(target->volume) / static_cast<float>(FSOUND_MAX_VOLUME));
  return true;
}

int FSOUND_GetFrequency(int channel) {
  Channel* target = channelAt(channel);
  return target != nullptr && target->sample != 0 ? target->frequency : 0;
}

int FSOUND_GetVolume(int channel) {
  Channel* target = channelAt(channel);
  return target != nullptr ? target->volume : 0;
}
