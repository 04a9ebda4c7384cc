// Helpers for sound tests: tone files written with libsndfile, OpenAL Soft's wave device as
// the sound card, and a little signal analysis of what it captured.
#pragma once

#include <string>
#include <vector>

namespace soundtest {

// A fresh directory under /tmp, removed with its files at exit.
std::string makeTempDir();

// Points OpenAL Soft at its wave writer, which writes the mix to `wavPath` in real time.
// Must run before the first device is opened: the library reads its configuration once.
void useWaveDevice(const std::string& wavPath);
// Makes every device open fail, as on a machine without a sound card.
void useNoDevice(const std::string& dir);

enum class FileType { Wav, Ogg, Mp3 };
// A sine tone of `hz` at `amplitude` (0..1); false if libsndfile could not write it.
bool writeTone(const std::string& path, FileType type, int rate, int channels, double hz,
               double seconds, double amplitude);
// Mono 32-bit float WAV of exactly these values, full-scale breaches and NaN included.
bool writeFloatWav(const std::string& path, const std::vector<float>& data, int rate);
void writeBytes(const std::string& path, const std::string& bytes);

struct Capture {
  std::vector<float> mono;  // the captured mix, channels averaged
  int rate = 0;
  // The last `seconds` of the capture, less `skip` seconds at the very end.
  std::vector<float> tail(double seconds, double skip = 0.02) const;
};
bool readCapture(const std::string& wavPath, Capture& out);

// Keeps a device open for `seconds` of real time: the wave writer mixes as a sound card would.
void letPlay(double seconds);

double rms(const std::vector<float>& x);
// Amplitude of the component at `hz` (a sine of amplitude A reads about A).
double toneLevel(const std::vector<float>& x, int rate, double hz);
// Frequency from upward zero crossings, interpolated between samples; 0 without a tone.
double zeroCrossingFrequency(const std::vector<float>& x, int rate);

// Standard output of the calls made while it lives, for checking printed lines.
class StdoutCapture {
 public:
  StdoutCapture();
  ~StdoutCapture();
  std::string finish();

 private:
  int saved_ = -1;
  std::string path_;
};

}  // namespace soundtest
