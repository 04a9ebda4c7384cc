// Sounds: the typing click, the engine loop and five music pieces.
// Every loop is rendered circularly (a note ringing past the end comes back
// in at the start), so the last sample leads straight into the first.
#include "contentgen.h"

#include <sndfile.h>

#include <algorithm>
#include <cstdio>

namespace content {
namespace {

bool writeSound(const std::string& path, const std::vector<float>& samples, int rate, int format,
                double quality) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = 1;
  info.format = format;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!f) {
    std::fprintf(stderr, "contentgen: %s: %s\n", path.c_str(), sf_strerror(nullptr));
    return false;
  }
  if (quality >= 0) sf_command(f, SFC_SET_COMPRESSION_LEVEL, &quality, sizeof quality);
  sf_count_t n = sf_writef_float(f, samples.data(), sf_count_t(samples.size()));
  return sf_close(f) == 0 && n == sf_count_t(samples.size());
}

// The Ogg writer draws a random stream serial number; give every page one
// fixed serial (and its checksum again) so that each run writes the same bytes.
uint32_t oggCrc(const uint8_t* data, size_t n) {
  static uint32_t table[256];
  static bool ready = false;
  if (!ready) {
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t r = i << 24;
      for (int k = 0; k < 8; ++k) r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : (r << 1);
      table[i] = r;
    }
    ready = true;
  }
  uint32_t crc = 0;
  for (size_t i = 0; i < n; ++i) crc = (crc << 8) ^ table[((crc >> 24) ^ data[i]) & 0xFF];
  return crc;
}

bool fixOggSerial(const std::string& path, uint32_t serial) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  std::vector<uint8_t> b;
  uint8_t chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) b.insert(b.end(), chunk, chunk + got);
  std::fclose(f);
  size_t pos = 0;
  while (pos + 27 <= b.size()) {
    if (b[pos] != 'O' || b[pos + 1] != 'g' || b[pos + 2] != 'g' || b[pos + 3] != 'S') return false;
    size_t segs = b[pos + 26], body = 0;
    if (pos + 27 + segs > b.size()) return false;
    for (size_t i = 0; i < segs; ++i) body += b[pos + 27 + i];
    size_t len = 27 + segs + body;
    if (pos + len > b.size()) return false;
    for (int i = 0; i < 4; ++i) b[pos + 14 + i] = uint8_t(serial >> (8 * i));
    for (int i = 0; i < 4; ++i) b[pos + 22 + i] = 0;
    uint32_t crc = oggCrc(&b[pos], len);
    for (int i = 0; i < 4; ++i) b[pos + 22 + i] = uint8_t(crc >> (8 * i));
    pos += len;
  }
  f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
  return std::fclose(f) == 0 && ok && pos == b.size();
}

float white(uint32_t i, uint32_t seed) {
  uint32_t h = i * 2654435761u ^ seed * 40503u;
  h ^= h >> 15;
  h *= 2246822519u;
  h ^= h >> 13;
  h *= 3266489917u;
  h ^= h >> 16;
  return (h & 0xFFFFFF) / float(0x7FFFFF) - 1.0f;
}

void normalise(std::vector<float>& x, float peak) {
  float m = 0;
  for (float v : x) m = std::max(m, std::fabs(v));
  if (m > 0)
    for (float& v : x) v *= peak / m;
}

std::vector<float> typeClick() {
  const int rate = 22050, n = rate * 35 / 1000;
  std::vector<float> x(static_cast<size_t>(n), 0.0f);
  for (int i = 0; i < n; ++i) {
    float t = float(i) / rate;
    float env = std::exp(-t * 180.0f) * smoothstep(0, 0.0008f, t);
    float body = std::sin(2 * kPi * 2300 * t) * std::exp(-t * 260.0f);
    x[size_t(i)] = env * (0.6f * white(uint32_t(i), 7) + 0.8f * body) * (1 - smoothstep(0.03f, 0.035f, t));
  }
  normalise(x, 0.8f);
  return x;
}

// The engine at idle when played at 8000 Hz: a 40 Hz firing note with its
// harmonics, a half-order rumble and a breath of intake noise. Every partial
// is a whole number of cycles in the one-second loop.
std::vector<float> engineLoop() {
  const int rate = 8000, n = rate;
  std::vector<float> x(size_t(n), 0.0f);
  Rng rng(99);
  auto partial = [&](float freq, float amp) {
    float phase = rng.range(0, 2 * kPi);
    for (int i = 0; i < n; ++i) x[size_t(i)] += amp * std::sin(2 * kPi * freq * i / rate + phase);
  };
  const float f0 = 40;
  for (int k = 1; k * f0 < 3000; ++k) {
    float f = k * f0;
    float formant = 1.0f + 1.5f * std::exp(-std::pow((f - 420) / 180, 2.0f)) + 0.8f * std::exp(-std::pow((f - 1100) / 300, 2.0f));
    partial(f, formant / std::pow(float(k), 0.9f));
  }
  for (int k = 1; k * f0 < 1200; ++k) partial(k * f0 - f0 / 2, 0.25f / float(k));
  for (int f = 120; f < 2400; f += 1) partial(float(f), 0.012f * std::exp(-f / 900.0f));
  normalise(x, 0.75f);
  return x;
}

// ---- Music ----------------------------------------------------------------------------------
struct Song {
  float bpm;
  int root;                 // MIDI note of the key
  std::vector<int> scale;   // semitone steps of the mode
  std::vector<int> chords;  // scale degree of each bar's chord, repeating
  uint32_t seed;
  bool drums;
  float leadBright;
};

float midiHz(float m) { return 440.0f * std::pow(2.0f, (m - 69) / 12); }

class Track {
 public:
  Track(int rate, size_t length) : rate_(rate), buf_(length, 0.0f) {}
  std::vector<float>& data() { return buf_; }
  int rate() const { return rate_; }
  // Adds a generated voice starting at `start`, wrapping past the end.
  template <class F>
  void add(double start, double seconds, F f) {
    size_t first = size_t(start * rate_), count = size_t(seconds * rate_);
    for (size_t i = 0; i < count; ++i) buf_[(first + i) % buf_.size()] += f(float(i) / rate_, i);
  }

 private:
  int rate_;
  std::vector<float> buf_;
};

float saw(float phase) { return 2 * (phase - std::floor(phase)) - 1; }

// Band-limited enough for a chiptune-flavoured lead: a soft-clipped mix of
// sine partials rather than a raw square.
float softSquare(float phase, int harmonics) {
  float s = 0;
  for (int k = 1; k <= harmonics; k += 2) s += std::sin(2 * kPi * phase * k) / k;
  return s;
}

void renderSong(const Song& song, int rate, std::vector<float>& out) {
  const float beat = 60.0f / song.bpm, bar = 4 * beat;
  int bars = 4 * int(std::ceil(60.5f / bar / 4));
  size_t length = size_t(std::lround(bars * bar * rate));
  Track tr(rate, length);
  Rng rng(song.seed);
  auto noteOf = [&](int degree, int octave) {
    int n = int(song.scale.size());
    int o = octave + (degree >= 0 ? degree / n : -((-degree + n - 1) / n));
    int d = ((degree % n) + n) % n;
    int semis = 0;
    for (int i = 0; i < d; ++i) semis += song.scale[size_t(i)];
    return float(song.root + 12 * o + semis);
  };
  // A two-bar motif: rhythm in eighths and chord-relative degrees.
  struct Note {
    int step, len, degree;
  };
  std::vector<Note> motifA, motifB;
  for (auto* motif : {&motifA, &motifB}) {
    int step = 0;
    while (step < 16) {
      int len = rng.uniform() < 0.6f ? 1 : (rng.uniform() < 0.7f ? 2 : 3);
      if (rng.uniform() < 0.18f) {
        step += len;
        continue;
      }
      int deg = int(rng.range(-1, 6));
      if (step % 4 == 0) deg = (deg / 2) * 2;  // chord tones on the beat
      motif->push_back({step, std::min(len, 16 - step), deg});
      step += len;
    }
  }
  for (int b = 0; b < bars; ++b) {
    double t0 = b * double(bar);
    int chord = song.chords[size_t(b) % song.chords.size()];
    int section = (b / 8) % 4;  // A, B, A, C
    // Pad: the chord's triad, soft detuned saws.
    for (int k = 0; k < 3; ++k) {
      float f = midiHz(noteOf(chord + 2 * k, 4));
      tr.add(t0, bar + 0.3, [=](float t, size_t) {
        float env = smoothstep(0, 0.25f, t) * (1 - smoothstep(bar - 0.1f, bar + 0.3f, t));
        float v = 0.5f * (saw(f * t) + saw(f * 1.004f * t + 0.3f));
        return 0.035f * env * v * (section == 1 ? 1.3f : 1.0f);
      });
    }
    // Bass: eighths on the chord root, octave jumps on the off-beats.
    for (int e = 0; e < 8; ++e) {
      float f = midiHz(noteOf(chord, 2) + ((e % 2 && section != 3) ? 12 : 0));
      tr.add(t0 + e * beat / 2, beat / 2, [=](float t, size_t) {
        float env = std::exp(-t * 6.0f) * (1 - smoothstep(beat / 2 - 0.02f, beat / 2, t));
        return 0.16f * env * (0.7f * std::sin(2 * kPi * f * t) + 0.3f * softSquare(f * t, 5));
      });
    }
    // Lead: the motif over the chord, left out in section C for a breather.
    if (section != 3 || (b % 2 == 1)) {
      const std::vector<Note>& motif = (section == 1) ? motifB : motifA;
      int half = b % 2;
      for (const Note& n : motif) {
        if ((n.step >= 8) != (half == 1)) continue;
        float f = midiHz(noteOf(chord + n.degree, 5));
        float dur = n.len * beat / 2;
        float bright = song.leadBright;
        tr.add(t0 + (n.step - 8 * half) * beat / 2, dur + 0.12f, [=](float t, size_t) {
          float env = smoothstep(0, 0.01f, t) * std::exp(-t * 1.5f) * (1 - smoothstep(dur, dur + 0.12f, t));
          float vib = 1 + 0.004f * std::sin(2 * kPi * 5.5f * t) * smoothstep(0.15f, 0.3f, t);
          return 0.11f * env * (bright * softSquare(f * vib * t, 7) + (1 - bright) * std::sin(2 * kPi * f * vib * t));
        });
      }
    }
    // Arpeggio sparkle for the title piece and the B sections.
    if (!song.drums || section == 1) {
      for (int s = 0; s < 16; ++s) {
        float f = midiHz(noteOf(chord + 2 * (s % 4 == 3 ? 1 : s % 4), 6));
        tr.add(t0 + s * beat / 4, beat / 2, [=](float t, size_t) {
          return 0.03f * std::exp(-t * 10.0f) * std::sin(2 * kPi * f * t);
        });
      }
    }
    if (!song.drums) continue;
    // Drums: four on the floor, snare on 2 and 4, eighth hats.
    for (int q = 0; q < 4; ++q) {
      tr.add(t0 + q * beat, 0.35, [](float t, size_t) {
        float ph = 45 * t + 90 * (1 - std::exp(-t * 30.0f)) / 30.0f;
        return 0.5f * std::exp(-t * 9.0f) * std::sin(2 * kPi * ph);
      });
      if (q % 2 == 1 && section != 3)
        tr.add(t0 + q * beat, 0.22, [b, q](float t, size_t i) {
          float noise = white(uint32_t(i), uint32_t(b * 4 + q));
          return std::exp(-t * 18.0f) * (0.22f * noise + 0.12f * std::sin(2 * kPi * 190 * t));
        });
    }
    for (int e = 0; e < 8; ++e) {
      float level = (e % 2) ? 0.09f : 0.05f;
      tr.add(t0 + e * beat / 2, 0.06, [=](float t, size_t i) {
        float a = white(uint32_t(i), uint32_t(e + 11)), c = white(uint32_t(i + 1), uint32_t(e + 11));
        return level * std::exp(-t * 70.0f) * (a - c) * 0.5f;
      });
    }
  }
  out = tr.data();
  for (float& v : out) v = std::tanh(v * 1.4f);
  normalise(out, 0.9f);
}

const Song kSongs[5] = {
    // Title and high scores: unhurried, major, no drums.
    {96, 55, {2, 2, 1, 2, 2, 2, 1}, {0, 5, 3, 4}, 101, false, 0.3f},
    {124, 57, {2, 1, 2, 2, 1, 2, 2}, {0, 5, 2, 6}, 202, true, 0.7f},
    {132, 52, {2, 1, 2, 2, 2, 1, 2}, {0, 3, 6, 4}, 303, true, 0.6f},
    {140, 50, {2, 2, 1, 2, 2, 1, 2}, {0, 6, 3, 4}, 404, true, 0.8f},
    {118, 53, {2, 2, 1, 2, 2, 2, 1}, {5, 3, 0, 4}, 505, true, 0.5f},
};
const char* kSongFiles[5] = {"Title.mp3", "Race1.mp3", "Race2.mp3", "Race3.mp3", "Race4.mp3"};

}  // namespace

bool writeSounds(const std::string& dir) {
  std::string s = dir + "/Data/Sound/";
  bool ok = writeSound(s + "Type.wav", typeClick(), 22050, SF_FORMAT_WAV | SF_FORMAT_PCM_16, -1);
  ok = writeSound(s + "Carsound.ogg", engineLoop(), 8000, SF_FORMAT_OGG | SF_FORMAT_VORBIS, 0.3) &&
       fixOggSerial(s + "Carsound.ogg", 0x5041u) && ok;
  for (int i = 0; i < 5; ++i) {
    std::vector<float> music;
    renderSong(kSongs[i], 32000, music);
    ok = writeSound(s + kSongFiles[i], music, 32000, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 0.5) && ok;
  }
  return ok;
}

}  // namespace content
