// Checks a recording of the game's sound (OpenAL Soft's wave-file device)
// against the autopilot's timeline ("seconds state speed" per frame):
//   soundcheck music  <wav> <timeline>   the title and the race are both audible
//   soundcheck engine <wav> <timeline>   the title is silent and the pitch of the
//                                        race sound rises with the displayed speed
// The recording starts when the device opens, a moment before the title's first
// frame; the two are aligned on the first audible sound: the title music (music
// run) or the engine starting with the race (engine run, no music files).
#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Wave {
  int rate = 0;
  std::vector<float> mono;
};

template <typename T>
T readLe(const unsigned char* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// PCM 16/32-bit or IEEE float, plain or extensible headers.
bool readWave(const char* path, Wave& w) {
  std::ifstream in(path, std::ios::binary);
  std::vector<unsigned char> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (b.size() < 44 || std::memcmp(b.data(), "RIFF", 4) != 0 || std::memcmp(b.data() + 8, "WAVE", 4) != 0) return false;
  int channels = 0, bits = 0, format = 0;
  std::size_t pos = 12;
  while (pos + 8 <= b.size()) {
    const std::uint32_t size = readLe<std::uint32_t>(&b[pos + 4]);
    const std::size_t body = pos + 8;
    if (std::memcmp(&b[pos], "fmt ", 4) == 0 && size >= 16 && body + 16 <= b.size()) {
      format = readLe<std::uint16_t>(&b[body]);
      channels = readLe<std::uint16_t>(&b[body + 2]);
      w.rate = static_cast<int>(readLe<std::uint32_t>(&b[body + 4]));
      bits = readLe<std::uint16_t>(&b[body + 14]);
      if (format == 0xFFFE && size >= 26) format = readLe<std::uint16_t>(&b[body + 24]);
    } else if (std::memcmp(&b[pos], "data", 4) == 0 && channels > 0) {
      // A recording cut off by a killed process keeps its placeholder size.
      const std::size_t end = std::min(b.size(), size == 0 || size == 0xFFFFFFFFu ? b.size() : body + size);
      const std::size_t frameBytes = static_cast<std::size_t>(channels) * bits / 8;
      if (frameBytes == 0) return false;
      for (std::size_t f = body; f + frameBytes <= end; f += frameBytes) {
        float sum = 0;
        for (int c = 0; c < channels; ++c) {
          const unsigned char* s = &b[f + static_cast<std::size_t>(c) * bits / 8];
          if (format == 3 && bits == 32) sum += readLe<float>(s);
          else if (bits == 16) sum += readLe<std::int16_t>(s) / 32768.0f;
          else if (bits == 32) sum += readLe<std::int32_t>(s) / 2147483648.0f;
          else if (bits == 8) sum += (s[0] - 128) / 128.0f;
        }
        w.mono.push_back(sum / channels);
      }
      return w.rate > 0;
    }
    pos = body + size + (size & 1);
  }
  return false;
}

void fft(std::vector<std::complex<double>>& a) {
  const std::size_t n = a.size();
  for (std::size_t i = 1, j = 0; i < n; ++i) {
    std::size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  for (std::size_t len = 2; len <= n; len <<= 1) {
    const double ang = -2 * M_PI / static_cast<double>(len);
    const std::complex<double> step(std::cos(ang), std::sin(ang));
    for (std::size_t i = 0; i < n; i += len) {
      std::complex<double> w(1);
      for (std::size_t k = 0; k < len / 2; ++k) {
        const std::complex<double> u = a[i + k], v = a[i + k + len / 2] * w;
        a[i + k] = u + v;
        a[i + k + len / 2] = u - v;
        w *= step;
      }
    }
  }
}

struct Window {
  double rms = 0;
  double centroid = 0;  // Hz
};

// Loudness and spectral centroid of 4096 samples starting at `t` seconds.
Window measure(const Wave& w, double t) {
  const std::size_t n = 4096;
  const std::size_t first = static_cast<std::size_t>(std::max(0.0, t) * w.rate);
  Window out;
  if (first + n > w.mono.size()) return out;
  std::vector<std::complex<double>> a(n);
  double energy = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double s = w.mono[first + i];
    energy += s * s;
    a[i] = s * (0.5 - 0.5 * std::cos(2 * M_PI * i / (n - 1)));  // Hann window
  }
  out.rms = std::sqrt(energy / n);
  fft(a);
  double weighted = 0, total = 0;
  for (std::size_t k = 1; k < n / 2; ++k) {
    const double mag = std::abs(a[k]);
    weighted += mag * k * w.rate / static_cast<double>(n);
    total += mag;
  }
  out.centroid = total > 0 ? weighted / total : 0;
  return out;
}

struct Frame {
  double t;
  std::string state;
  double speed;
};

std::vector<Frame> readTimeline(const char* path) {
  std::vector<Frame> frames;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream s(line);
    Frame f;
    if (s >> f.t >> f.state >> f.speed) frames.push_back(f);
  }
  return frames;
}

// The time span of one state (first to last frame in it, first visit only).
bool span(const std::vector<Frame>& frames, const std::string& state, double& from, double& to) {
  bool seen = false;
  for (const Frame& f : frames) {
    if (f.state == state) {
      if (!seen) from = f.t;
      seen = true;
      to = f.t;
    } else if (seen) {
      break;
    }
  }
  return seen && to > from;
}

int gFailed = 0;
void check(bool ok, const std::string& what) {
  std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
  if (!ok) ++gFailed;
}

constexpr double kAudible = 0.005;  // RMS; the wave device writes digital silence otherwise

// Share of 0.25 s windows in [from, to] that are audible.
double audibleShare(const Wave& w, double offset, double from, double to) {
  int audible = 0, total = 0;
  for (double t = from; t + 0.25 <= to; t += 0.25, ++total)
    if (measure(w, t + offset).rms > kAudible) ++audible;
  return total ? static_cast<double>(audible) / total : 0;
}

double firstAudible(const Wave& w) {
  for (double t = 0; t < w.mono.size() / static_cast<double>(w.rate); t += 0.01)
    if (measure(w, t).rms > kAudible) return t;
  return -1;
}

double speedAround(const std::vector<Frame>& frames, double from, double to) {
  double sum = 0;
  int n = 0;
  for (const Frame& f : frames)
    if (f.t >= from && f.t < to) sum += f.speed, ++n;
  return n ? sum / n : -1;
}

double correlation(const std::vector<double>& x, const std::vector<double>& y) {
  const double n = static_cast<double>(x.size());
  double mx = 0, my = 0;
  for (std::size_t i = 0; i < x.size(); ++i) mx += x[i] / n, my += y[i] / n;
  double sxy = 0, sxx = 0, syy = 0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    sxy += (x[i] - mx) * (y[i] - my);
    sxx += (x[i] - mx) * (x[i] - mx);
    syy += (y[i] - my) * (y[i] - my);
  }
  return sxx > 0 && syy > 0 ? sxy / std::sqrt(sxx * syy) : 0;
}

void checkMusic(const Wave& w, const std::vector<Frame>& frames) {
  double titleFrom = 0, titleTo = 0, raceFrom = 0, raceTo = 0, scoresFrom = 0, scoresTo = 0;
  check(span(frames, "title", titleFrom, titleTo), "the timeline has a title");
  check(span(frames, "racing", raceFrom, raceTo), "the timeline has a race");
  check(span(frames, "highscores", scoresFrom, scoresTo), "the timeline has the high-score screen");
  const double onset = firstAudible(w);
  check(onset >= 0, "something is audible");
  // The title music starts as the title's first frame is drawn.
  const double offset = onset - frames.front().t;
  char text[160];
  const double title = audibleShare(w, offset, titleFrom + 0.5, titleTo);
  std::snprintf(text, sizeof text, "title music plays (%.0f%% of the title audible)", title * 100);
  check(title > 0.9, text);
  const double race = audibleShare(w, offset, raceFrom + 0.5, raceTo - 0.5);
  std::snprintf(text, sizeof text, "race music plays (%.0f%% of the race audible, no engine sample)", race * 100);
  check(race > 0.9, text);
  const double scores = audibleShare(w, offset, scoresFrom + 0.5, scoresTo);
  std::snprintf(text, sizeof text, "menu music plays again on the high-score screen (%.0f%%)", scores * 100);
  check(scores > 0.9, text);
}

void checkEngine(const Wave& w, const std::vector<Frame>& frames) {
  double titleFrom = 0, titleTo = 0, raceFrom = 0, raceTo = 0, countFrom = 0, countTo = 0;
  check(span(frames, "title", titleFrom, titleTo), "the timeline has a title");
  check(span(frames, "countdown", countFrom, countTo), "the timeline has a countdown");
  check(span(frames, "racing", raceFrom, raceTo), "the timeline has a race");
  double loading = -1;
  for (const Frame& f : frames)
    if (f.state == "loading") loading = f.t;
  check(loading >= 0, "the timeline has the loading frame");
  // No music files: the recording (which starts before the title) stays silent
  // for at least the title's time; the engine then starts as the race is built.
  const double onset = firstAudible(w);
  const double title = titleTo - titleFrom;
  char text[200];
  std::snprintf(text, sizeof text, "silent before the race (first sound after %.2f s, title shown %.2f s)", onset,
                title);
  check(onset >= title - 0.5, text);
  const double offset = onset - loading;
  std::vector<double> speeds, centroids;
  double restCentroid = 0;
  int rest = 0;
  for (double t = countFrom; t + 0.25 <= raceTo; t += 0.25) {
    const double speed = speedAround(frames, t, t + 0.25);
    const Window m = measure(w, t + offset);
    if (speed < 0 || m.rms <= kAudible) continue;
    speeds.push_back(speed);
    centroids.push_back(m.centroid);
    if (t + 0.25 < countTo) restCentroid += m.centroid, ++rest;
  }
  check(speeds.size() >= 8, "enough of the race is audible to measure the engine");
  if (speeds.size() < 8 || rest == 0) return;
  restCentroid /= rest;
  const double r = correlation(speeds, centroids);
  std::snprintf(text, sizeof text, "engine pitch follows the displayed speed (correlation %.2f)", r);
  check(r > 0.6, text);
  double fastest = 0, fastCentroid = 0;
  for (std::size_t i = 0; i < speeds.size(); ++i)
    if (speeds[i] > fastest) fastest = speeds[i], fastCentroid = centroids[i];
  std::snprintf(text, sizeof text, "engine pitch rises with speed (%.0f Hz at rest, %.0f Hz at displayed speed %.0f)",
                restCentroid, fastCentroid, fastest);
  check(fastest > 50 && fastCentroid > 1.3 * restCentroid, text);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 || (std::strcmp(argv[1], "music") != 0 && std::strcmp(argv[1], "engine") != 0)) {
    std::fprintf(stderr, "usage: soundcheck music|engine <wav> <timeline>\n");
    return 2;
  }
  Wave w;
  if (!readWave(argv[2], w) || w.mono.empty()) {
    std::printf("FAILED: %s is not a readable WAV recording\n", argv[2]);
    return 1;
  }
  const std::vector<Frame> frames = readTimeline(argv[3]);
  if (frames.empty()) {
    std::printf("FAILED: empty timeline %s\n", argv[3]);
    return 1;
  }
  std::printf("recording: %.1f s at %d Hz\n", w.mono.size() / static_cast<double>(w.rate), w.rate);
  if (std::strcmp(argv[1], "music") == 0) checkMusic(w, frames);
  else checkEngine(w, frames);
  return gFailed ? 1 : 0;
}
