// Figures the game benchmark collects while the autopilot drives, printed as
// "name: value unit" lines.
#pragma once

#include <vector>

namespace autopilot {

// Percentile of a sample (0..100), by nearest rank; 0 for an empty sample.
double percentile(std::vector<double> values, double percent);
// Frames per second of each whole second covered by the frame intervals (ms),
// in order; a trailing part-second is dropped.
std::vector<double> framesPerSecond(const std::vector<double>& frameMs);
// Resident set size of this process in MB (0 when /proc cannot tell).
double residentMegabytes();
// Milliseconds since this process was started by the kernel.
double millisecondsSinceProcessStart();

class Bench {
 public:
  void titleShown();
  void raceBuilt(double ms);
  // One frame of the race being measured for frame rate (racing, not finished),
  // with the ticks it ran.
  void raceFrame(double frameMs, double cpuMs, int ticks);
  // The measured race's laps and result, in race-clock seconds.
  void lapDriven(double seconds) { lapSeconds_.push_back(seconds); }
  void raceDriven(double seconds) { raceSeconds_ = seconds; }
  void raceStarted(int raceNumber);
  // Phase timings synchronise with the renderer at every phase edge, which
  // slows the frame: they are taken in the short races, never in the first.
  void measurePhases(bool on);
  // A race frame drawn while phases were measured (phases may run twice a frame).
  void phaseFrame() { ++phaseFrames_; }
  // Draws one reference frame, true once done: three seconds of baseline
  // frames (clear, full-screen quad, swap), then three seconds of floor frames.
  bool referenceFrame();
  void print() const;

 private:
  double startupMs_ = -1;
  std::vector<double> buildMs_;
  std::vector<double> frameMs_;
  std::vector<double> frameTicks_;
  std::vector<double> lapSeconds_;
  double raceSeconds_ = 0;
  std::vector<double> triangles_;
  double cpuMs_ = 0;
  double rssFirst_ = 0, rssLast_ = 0;
  int rssLastRace_ = 0;
  long phaseFrames_ = 0;
  struct Reference {
    int frames = 0;
    double startMs = -1, seconds = 0;
    bool count();  // true once it has run for long enough
  };
  Reference baseline_, floor_;
  unsigned floorTexture_ = 0;
  void drawBaseline();
  void drawFloor();
};

}  // namespace autopilot
