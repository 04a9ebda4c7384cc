#include "sound_fixture.h"

#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace soundtest {

namespace {

std::vector<std::string>& tempDirs() {
  static std::vector<std::string> dirs;
  return dirs;
}

void removeTempDirs() {
  std::error_code ignored;
  for (const auto& dir : tempDirs()) std::filesystem::remove_all(dir, ignored);
}

int sndfileFormat(FileType type) {
  switch (type) {
    case FileType::Wav: return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    case FileType::Ogg: return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    case FileType::Mp3: return SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
  }
  return 0;
}

}  // namespace

std::string makeTempDir() {
  char pattern[] = "/tmp/fivelaps-sound-XXXXXX";
  const char* dir = mkdtemp(pattern);
  if (dir == nullptr) return "/tmp";
  if (tempDirs().empty()) std::atexit(removeTempDirs);
  tempDirs().push_back(dir);
  return dir;
}

void useWaveDevice(const std::string& wavPath) {
  const std::string conf = wavPath + ".conf";
  std::ofstream(conf) << "[general]\ndrivers=wave\n[wave]\nfile=" << wavPath << "\n";
  setenv("ALSOFT_CONF", conf.c_str(), 1);
  unsetenv("ALSOFT_DRIVERS");
}

void useNoDevice(const std::string& dir) {
  // An empty configuration so a user's own alsoft.conf cannot add a backend back, and a
  // driver list naming only a backend that does not exist.
  const std::string conf = dir + "/none.conf";
  std::ofstream(conf) << "[general]\n";
  setenv("ALSOFT_CONF", conf.c_str(), 1);
  setenv("ALSOFT_DRIVERS", "no-such-backend", 1);
}

bool writeTone(const std::string& path, FileType type, int rate, int channels, double hz,
               double seconds, double amplitude) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = channels;
  info.format = sndfileFormat(type);
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr) return false;
  const auto frames = static_cast<sf_count_t>(seconds * rate);
  std::vector<float> data(static_cast<size_t>(frames * channels));
  for (sf_count_t i = 0; i < frames; ++i) {
    const double value = amplitude * std::sin(2.0 * M_PI * hz * static_cast<double>(i) / rate);
    for (int c = 0; c < channels; ++c) data[static_cast<size_t>(i * channels + c)] = static_cast<float>(value);
  }
  // libvorbis overruns its stack on one long write, so the tone goes out in pieces.
  constexpr sf_count_t kPiece = 4096;
  bool ok = true;
  for (sf_count_t done = 0; ok && done < frames; done += kPiece) {
    const sf_count_t n = std::min(kPiece, frames - done);
    ok = sf_writef_float(file, data.data() + done * channels, n) == n;
  }
  return sf_close(file) == 0 && ok;
}

bool writeFloatWav(const std::string& path, const std::vector<float>& data, int rate) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr) return false;
  const auto frames = static_cast<sf_count_t>(data.size());
  const bool ok = sf_writef_float(file, data.data(), frames) == frames;
  return sf_close(file) == 0 && ok;
}

void writeBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<float> Capture::tail(double seconds, double skip) const {
  const auto end = mono.size() - std::min(mono.size(), static_cast<size_t>(skip * rate));
  const auto begin = end - std::min(end, static_cast<size_t>(seconds * rate));
  return std::vector<float>(mono.begin() + static_cast<long>(begin), mono.begin() + static_cast<long>(end));
}

bool readCapture(const std::string& wavPath, Capture& out) {
  SF_INFO info{};
  SNDFILE* file = sf_open(wavPath.c_str(), SFM_READ, &info);
  if (file == nullptr) return false;
  std::vector<float> frame(static_cast<size_t>(info.channels));
  out = Capture{};
  out.rate = info.samplerate;
  while (sf_readf_float(file, frame.data(), 1) == 1) {
    float sum = 0.0f;
    for (float v : frame) sum += v;
    out.mono.push_back(sum / static_cast<float>(info.channels));
  }
  sf_close(file);
  return !out.mono.empty();
}

void letPlay(double seconds) {
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

double rms(const std::vector<float>& x) {
  if (x.empty()) return 0.0;
  double sum = 0.0;
  for (float v : x) sum += static_cast<double>(v) * v;
  return std::sqrt(sum / static_cast<double>(x.size()));
}

double toneLevel(const std::vector<float>& x, int rate, double hz) {
  // Correlation with a Hann-windowed sine and cosine: other tones a few hundred Hz away
  // and the window's edges barely leak in.
  double re = 0.0, im = 0.0, weight = 0.0;
  const double n = static_cast<double>(x.size());
  for (size_t i = 0; i < x.size(); ++i) {
    const double w = 0.5 - 0.5 * std::cos(2.0 * M_PI * static_cast<double>(i) / n);
    const double phase = 2.0 * M_PI * hz * static_cast<double>(i) / rate;
    re += w * x[i] * std::cos(phase);
    im += w * x[i] * std::sin(phase);
    weight += w;
  }
  return weight > 0.0 ? 2.0 * std::hypot(re, im) / weight : 0.0;
}

double zeroCrossingFrequency(const std::vector<float>& x, int rate) {
  double first = -1.0, last = -1.0;
  int crossings = 0;
  for (size_t i = 1; i < x.size(); ++i) {
    if (x[i - 1] < 0.0f && x[i] >= 0.0f) {
      const double t = static_cast<double>(i - 1) + x[i - 1] / static_cast<double>(x[i - 1] - x[i]);
      if (first < 0.0) first = t;
      last = t;
      ++crossings;
    }
  }
  if (crossings < 3 || last <= first) return 0.0;
  return (crossings - 1) * rate / (last - first);
}

StdoutCapture::StdoutCapture() {
  std::fflush(stdout);
  path_ = makeTempDir() + "/stdout.txt";
  const int fd = open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  saved_ = dup(STDOUT_FILENO);
  dup2(fd, STDOUT_FILENO);
  close(fd);
}

StdoutCapture::~StdoutCapture() { finish(); }

std::string StdoutCapture::finish() {
  if (saved_ >= 0) {
    std::fflush(stdout);
    dup2(saved_, STDOUT_FILENO);
    close(saved_);
    saved_ = -1;
  }
  std::ifstream in(path_);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace soundtest
