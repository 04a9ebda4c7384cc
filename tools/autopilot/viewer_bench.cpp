#include "tools/autopilot/viewer_bench.h"

#include <GL/glew.h>
#include <GL/freeglut.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "race/race.h"
#include "shell/game.h"
#include "tools/autopilot/bench.h"
#include "ui/ui.h"

namespace autopilot {

namespace {

constexpr int kOpenings = 5;
// The later rounds and the end open the race again: the last of the openings.
constexpr int kRounds = 2;
constexpr int kSeeks = 4000;
constexpr int kDrawnSeeks = 24;
// Seconds of race each frame-rate figure covers in a round: with the rounds
// taken in turn, a machine busy for a while slows all three figures alike.
constexpr double kStretchSeconds = 5;

double nowMs() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool inRace() { return !gTitle.active && !gHighScoreScreen.active; }

// Anisotropic filtering makes a software renderer's frames seconds long, and
// leaving a race switches it back on.
void plainFiltering() {
  if (gAnisotropic == 1) onSpecialDown(GLUT_KEY_F10, 0, 0);
}

// A frame as the main loop runs it, finished on the screen.
void frame() {
  glutMainLoopEvent();
  onDisplay();
  glFinish();
}

struct Stretch {
  double first = 0, last = 0;  // in ticks of the race
};

// The frames' intervals while `tick()` runs through the stretch, from the
// frame that reached its first tick to the frame that reached its last;
// false when the frames stopped before it (`going()` false).
template <typename Tick, typename Going>
bool frameTimesOver(const Stretch& stretch, Tick tick, Going going, std::vector<double>& ms) {
  while (going() && tick() < stretch.first) frame();
  double last = nowMs();
  while (going() && tick() < stretch.last) {
    frame();
    const double now = nowMs();
    ms.push_back(now - last);
    last = now;
  }
  return going();
}

bool viewerFrameTimes(const Stretch& stretch, int camera, std::vector<double>& ms) {
  gViewer.camera = camera;
  gViewer.speed = kViewerNormalSpeed;
  gViewer.paused = false;
  gViewer.position = stretch.first;
  frame();  // the frame timer starts from a frame, not from what came before it
  gViewer.position = stretch.first;
  return frameTimesOver(
      stretch, [] { return gViewer.position; }, [] { return gViewer.active && !gViewer.paused; }, ms);
}

// The replay's outcome line is for a whole replayed race: a stretch left
// midway has none, and stdout holds only the figures.
void leaveRaceQuietly() {
  if (!inRace()) return;
  std::fflush(stdout);
  const int kept = dup(STDOUT_FILENO);
  const int null = ::open("/dev/null", O_WRONLY);
  if (null >= 0) {
    dup2(null, STDOUT_FILENO);
    close(null);
  }
  enterHighScores(false);
  std::fflush(stdout);
  if (kept >= 0) {
    dup2(kept, STDOUT_FILENO);
    close(kept);
  }
}

// The race replayed as a race, started as the title's start entry does, and
// left as the Escape key leaves it.
bool raceFrameTimes(const RaceRecording& recording, const Stretch& stretch, std::vector<double>& ms) {
  setReplay(recording);
  gTitle.loadPending = true;  // the frame after Enter on the start entry
  gTitleEntry = 0;
  frame();
  plainFiltering();
  const bool played = frameTimesOver(
      stretch, [] { return static_cast<double>(gRaceTicks); }, [] { return inRace(); }, ms);
  leaveRaceQuietly();
  returnToTitle();
  clearReplay();
  plainFiltering();
  return played;
}

bool openRace(const RaceRecording& recording, std::vector<double>& openMs) {
  closeViewer();
  std::string why;
  if (!openViewer(recording, "Bench race", why)) {
    std::fprintf(stderr, "bench-viewer: the race did not open: %s\n", why.c_str());
    return false;
  }
  openMs.push_back(gViewer.openSeconds * 1000);
  return true;
}

double fpsOf(const std::vector<double>& ms) {
  const double median = percentile(ms, 50);
  return median > 0 ? 1000 / median : 0;
}

}  // namespace

int runViewerBench(int argc, char** argv, const char* recordingPath) {
  glutInit(&argc, argv);
  RaceRecording recording;
  std::string why;
  if (!loadRecordingFile(recordingPath, recording, why)) {
    std::fprintf(stderr, "bench-viewer: %s cannot be read: %s\n", recordingPath, why.c_str());
    return 1;
  }
  startGame();
  glutDisplayFunc([] {});
  glutIdleFunc(nullptr);
  plainFiltering();
  frame();

  // The first opening also loads the race's models and the trackside cameras,
  // as it does when the table is reached without a race: the worst figure.
  std::vector<double> openMs;
  for (int i = 0; i < kOpenings - kRounds; ++i)
    if (!openRace(recording, openMs)) return 1;
  const std::size_t ticks = gViewer.ticks.size();

  // Seeks to anywhere but the last tick, where the playing stops.
  std::mt19937 random(31);
  std::uniform_real_distribution<double> anywhere(0, static_cast<double>(ticks - 2));
  std::vector<double> seekMs;
  seekMs.reserve(kSeeks);
  for (int i = 0; i < kSeeks; ++i) {
    const double target = anywhere(random);
    const auto began = std::chrono::steady_clock::now();
    gViewer.position = viewerSeek(gViewer.position, (target - gViewer.position) * kTickSeconds, ticks);
    advanceViewer();
    seekMs.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - began).count());
  }
  std::vector<double> seekFrameMs;
  for (int i = 0; i < kDrawnSeeks; ++i) {
    const double target = anywhere(random);
    const double began = nowMs();
    gViewer.position = viewerSeek(gViewer.position, (target - gViewer.position) * kTickSeconds, ticks);
    frame();
    seekFrameMs.push_back(nowMs() - began);
  }

  // One stretch of the first lap for every frame rate, from the start signal on.
  Stretch stretch;
  stretch.first = std::round(gCountdownLength / kTickSeconds);
  stretch.last = stretch.first + std::round(kStretchSeconds / kTickSeconds);
  if (stretch.last >= static_cast<double>(ticks)) {
    std::fprintf(stderr, "bench-viewer: the race is shorter than the measured stretch\n");
    return 1;
  }
  std::vector<double> chaseMs, tracksideMs, raceMs;
  for (int round = 0; round < kRounds; ++round) {
    if (round > 0 && !openRace(recording, openMs)) return 1;
    const bool watched = viewerFrameTimes(stretch, kViewerChase, chaseMs) &&
                         viewerFrameTimes(stretch, kViewerTrackside, tracksideMs);
    closeViewer();
    if (!watched || !raceFrameTimes(recording, stretch, raceMs)) {
      std::fprintf(stderr, "bench-viewer: the stretch was not played to its end\n");
      return 1;
    }
  }
  if (!openRace(recording, openMs)) return 1;
  closeViewer();

  std::printf("viewer.open_ms: %.0f ms\n", percentile(openMs, 50));
  std::printf("viewer.open_ms_max: %.0f ms\n", percentile(openMs, 100));
  std::printf("viewer.open_ticks: %zu ticks\n", ticks);
  std::printf("viewer.seek_ms: %.4f ms\n", percentile(seekMs, 50));
  std::printf("viewer.seek_ms_p99: %.4f ms\n", percentile(seekMs, 99));
  std::printf("viewer.seek_frame_ms: %.1f ms\n", percentile(seekFrameMs, 50));
  // Frames a second from the median frame: the rounds' frames together.
  std::printf("viewer.fps: %.1f fps\n", fpsOf(chaseMs));
  std::printf("viewer.race_fps: %.1f fps\n", fpsOf(raceMs));
  std::printf("viewer.trackside_fps: %.1f fps\n", fpsOf(tracksideMs));
  std::fflush(stdout);
  FSOUND_Close();
  return 0;
}

}  // namespace autopilot
