#include "sound/decode.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kMinRate = 1000;
constexpr int kMaxRate = 384000;
constexpr int kMaxFileChannels = 64;
constexpr sf_count_t kChunkFrames = 4096;

int16_t toPcm16(float x) {
  if (!std::isfinite(x)) return 0;  // float files may hold anything
  if (x > 1.0f) x = 1.0f;
  if (x < -1.0f) x = -1.0f;
  return static_cast<int16_t>(std::lrint(x * 32767.0f));
}

// Appends one chunk of `fileChannels`-wide frames as `outChannels`-wide PCM.
void appendFrames(const std::vector<float>& chunk, sf_count_t frames, int fileChannels,
                  int outChannels, std::vector<int16_t>& pcm) {
  for (sf_count_t f = 0; f < frames; ++f) {
    const float* frame = &chunk[static_cast<size_t>(f * fileChannels)];
    if (outChannels == fileChannels) {
      for (int c = 0; c < fileChannels; ++c) pcm.push_back(toPcm16(frame[c]));
    } else {
      float sum = 0.0f;
      for (int c = 0; c < fileChannels; ++c) sum += frame[c];
      pcm.push_back(toPcm16(sum / static_cast<float>(fileChannels)));
    }
  }
}

DecodeResult readAll(SNDFILE* file, const SF_INFO& info, DecodedSound& out) {
  if (info.channels < 1 || info.channels > kMaxFileChannels) return DecodeResult::NotSound;
  if (info.samplerate < kMinRate || info.samplerate > kMaxRate) return DecodeResult::NotSound;
  out.channels = info.channels <= 2 ? info.channels : 1;
  out.rate = info.samplerate;
  // The frame count in the header is only a hint (MP3 has none to trust): read to the end.
  const sf_count_t maxFrames = static_cast<sf_count_t>(kMaxDecodedSeconds) * info.samplerate;
  std::vector<float> chunk(static_cast<size_t>(kChunkFrames * info.channels));
  sf_count_t total = 0;
  while (total < maxFrames) {
    const sf_count_t want = std::min(kChunkFrames, maxFrames - total);
    const sf_count_t got = sf_readf_float(file, chunk.data(), want);
    if (got <= 0) break;
    appendFrames(chunk, got, info.channels, out.channels, out.pcm);
    total += got;
  }
  return total > 0 ? DecodeResult::Ok : DecodeResult::NotSound;
}

}  // namespace

DecodeResult decodeSoundFile(const char* path, DecodedSound& out) {
  out = DecodedSound{};
  if (path == nullptr) return DecodeResult::NotFound;
  if (FILE* probe = std::fopen(path, "rb")) {
    std::fclose(probe);
  } else {
    return DecodeResult::NotFound;
  }
  SF_INFO info{};
  SNDFILE* file = sf_open(path, SFM_READ, &info);
  if (file == nullptr) return DecodeResult::NotSound;
  const DecodeResult result = readAll(file, info, out);
  sf_close(file);
  if (result != DecodeResult::Ok) out = DecodedSound{};
  return result;
}
