// Whole-file decoding of sound files into 16-bit PCM, kept apart from the device code so
// the OpenAL side never sees a file format.
#pragma once

#include <cstdint>
#include <vector>

struct DecodedSound {
  std::vector<int16_t> pcm;  // interleaved frames
  int channels = 0;          // 1 or 2
  int rate = 0;              // frames per second
};

enum class DecodeResult { Ok, NotFound, NotSound };

// Longest sound we keep in memory: a music piece is a minute or two, ten minutes is plenty.
constexpr int kMaxDecodedSeconds = 600;

// Reads `path` whole. Files with more than two channels are mixed down to mono. A file that
// is empty, has an unusable rate or channel count, or is not a sound file gives NotSound;
// one longer than kMaxDecodedSeconds is cut there.
DecodeResult decodeSoundFile(const char* path, DecodedSound& out);
