#include "tools/autopilot/bench.h"

#include <GL/glew.h>
#include <GL/freeglut.h>
#include <GL/glu.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "render/render.h"
#include "shell/frame_probe.h"
#include "shell/game.h"

namespace autopilot {

namespace {

double nowMs() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

struct PhaseClock {
  double startMs[static_cast<int>(FramePhase::Count)] = {};
  double totalMs[static_cast<int>(FramePhase::Count)] = {};
  long count[static_cast<int>(FramePhase::Count)] = {};
};
PhaseClock gPhases;

// Work queued for the renderer would otherwise be paid for in a later phase.
void timePhase(FramePhase phase, bool entering) {
  const int i = static_cast<int>(phase);
  glFinish();
  if (entering) {
    gPhases.startMs[i] = nowMs();
  } else {
    gPhases.totalMs[i] += nowMs() - gPhases.startMs[i];
    ++gPhases.count[i];
  }
}

}  // namespace

double percentile(std::vector<double> values, double percent) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const double rank = std::ceil(percent / 100.0 * values.size());
  const std::size_t i = static_cast<std::size_t>(std::clamp(rank, 1.0, static_cast<double>(values.size())));
  return values[i - 1];
}

std::vector<double> framesPerSecond(const std::vector<double>& frameMs) {
  std::vector<double> fps;
  double elapsed = 0;
  int frames = 0;
  for (double ms : frameMs) {
    elapsed += ms;
    ++frames;
    if (elapsed >= 1000.0) {
      fps.push_back(frames * 1000.0 / elapsed);
      elapsed = 0;
      frames = 0;
    }
  }
  return fps;
}

double residentMegabytes() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("VmRSS:", 0) == 0) {
      std::istringstream fields(line.substr(6));
      double kb = 0;
      fields >> kb;
      return kb / 1024.0;
    }
  }
  return 0;
}

double millisecondsSinceProcessStart() {
  std::ifstream in("/proc/self/stat");
  std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // The command name may hold blanks: fields are counted after its closing bracket.
  const std::size_t close = stat.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream fields(stat.substr(close + 2));
  std::string field;
  for (int i = 3; i < 22 && fields >> field;) ++i;
  unsigned long long startTicks = 0;
  if (!(fields >> startTicks)) return -1;
  timespec boot{};
  clock_gettime(CLOCK_BOOTTIME, &boot);
  const double bootMs = boot.tv_sec * 1000.0 + boot.tv_nsec / 1e6;
  return bootMs - startTicks * 1000.0 / sysconf(_SC_CLK_TCK);
}

void Bench::titleShown() {
  if (startupMs_ < 0) startupMs_ = millisecondsSinceProcessStart();
}

void Bench::raceBuilt(double ms) { buildMs_.push_back(ms); }

void Bench::raceFrame(double frameMs, double cpuMs, int ticks) {
  frameMs_.push_back(frameMs);
  frameTicks_.push_back(ticks);
  cpuMs_ += cpuMs;
  // The first measured frame also carries the countdown's triangles: the median skips it.
  triangles_.push_back(static_cast<double>(gTrianglesSent));
  gTrianglesSent = 0;
}

void Bench::raceStarted(int raceNumber) {
  if (raceNumber == 1) rssFirst_ = residentMegabytes();
  rssLast_ = residentMegabytes();
  rssLastRace_ = raceNumber;
}

void Bench::measurePhases(bool on) { gFrameProbe = on ? timePhase : nullptr; }

bool Bench::Reference::count() {
  const double now = nowMs();
  if (startMs < 0) startMs = now;
  ++frames;
  seconds = (now - startMs) / 1000.0;
  return seconds >= 3.0;
}

bool Bench::referenceFrame() {
  if (baseline_.seconds < 3.0) {
    drawBaseline();
    baseline_.count();
    return false;
  }
  drawFloor();
  return floor_.count();
}

namespace {

// A quad over the whole viewport at depth z (-1 near, 1 far), texture repeated.
void viewportQuad(float z) {
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0);
  glVertex3f(-1, -1, z);
  glTexCoord2f(8, 0);
  glVertex3f(1, -1, z);
  glTexCoord2f(8, 8);
  glVertex3f(1, 1, z);
  glTexCoord2f(0, 8);
  glVertex3f(-1, 1, z);
  glEnd();
}

// Identity matrices for viewportQuad, restored by leaveQuadSpace.
void enterQuadSpace() {
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
}

void leaveQuadSpace() {
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
}

}  // namespace

void Bench::drawBaseline() {
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  enterQuadSpace();
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_FOG);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glColor4f(0.2f, 0.4f, 0.6f, 1);
  viewportQuad(0);
  leaveQuadSpace();
  glPopAttrib();
  glutSwapBuffers();
}

// The least any race frame must fill, with nothing else: each of the six
// reflection faces covered once and the main view twice (the sky, then the
// ground in front of it), textured, trilinear, fogged, blended and depth
// tested as the game draws. Its rate bounds what the game's frame can reach.
void Bench::drawFloor() {
  if (floorTexture_ == 0) {
    static unsigned char texels[64 * 64 * 4];
    for (unsigned i = 0; i < sizeof texels; ++i) texels[i] = static_cast<unsigned char>(i * 37);
    glGenTextures(1, &floorTexture_);
    glBindTexture(GL_TEXTURE_2D, floorTexture_);
    gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, 64, 64, GL_RGBA, GL_UNSIGNED_BYTE, texels);
  }
  const int w = glutGet(GLUT_WINDOW_WIDTH), h = glutGet(GLUT_WINDOW_HEIGHT);
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  enterQuadSpace();
  glDisable(GL_LIGHTING);
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_FOG);
  glEnable(GL_BLEND);
  glBindTexture(GL_TEXTURE_2D, floorTexture_);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glColor4f(1, 1, 1, 1);
  if (gEnvFramebuffer != 0) {
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, gEnvFramebuffer);
    glViewport(0, 0, 256, 256);
    for (int face = 0; face < 6; ++face) {
      glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT,
                                GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, gEnvCubeTexture, 0);
      glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT,
                                   gEnvDepthBuffer);
      glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
      viewportQuad(0);
    }
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  }
  glViewport(0, 0, w, h);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  viewportQuad(0.5f);
  viewportQuad(0);
  leaveQuadSpace();
  glPopAttrib();
  glutSwapBuffers();
}

void Bench::print() const {
  const std::vector<double> fps = framesPerSecond(frameMs_);
  std::printf("game.fps_median: %.1f fps\n", percentile(fps, 50));
  std::printf("game.frame_ms_p50: %.2f ms\n", percentile(frameMs_, 50));
  std::printf("game.frame_ms_p99: %.2f ms\n", percentile(frameMs_, 99));
  static const char* const names[] = {"game.physics_ms", "game.cubemap_ms", "game.mainview_ms", "game.hud_ms",
                                      "game.ghost_ms"};
  for (int i = 0; i < static_cast<int>(FramePhase::Count); ++i) {
    if (gPhases.count[i] == 0 || phaseFrames_ == 0) {
      std::fprintf(stderr, "bench-game: no timings for %s (the race frame has no probe calls)\n", names[i]);
      continue;
    }
    std::printf("%s: %.2f ms\n", names[i], gPhases.totalMs[i] / phaseFrames_);
  }
  const double mainView = gPhases.totalMs[static_cast<int>(FramePhase::MainView)];
  if (mainView > 0)
    std::printf("game.ghost_share_pct: %.1f %%\n", 100.0 * gPhases.totalMs[static_cast<int>(FramePhase::Ghost)] / mainView);
  std::printf("game.triangles_per_frame: %.0f triangles\n", percentile(triangles_, 50));
  if (!frameMs_.empty()) std::printf("game.cpu_ms_per_frame: %.2f ms\n", cpuMs_ / frameMs_.size());
  if (!frameTicks_.empty()) std::printf("game.ticks_per_frame_median: %.0f ticks\n", percentile(frameTicks_, 50));
  if (!lapSeconds_.empty()) std::printf("game.lap_s_median: %.2f s\n", percentile(lapSeconds_, 50));
  if (raceSeconds_ > 0) std::printf("game.race_s: %.2f s\n", raceSeconds_);
  std::printf("game.startup_ms: %.0f ms\n", startupMs_);
  if (!buildMs_.empty()) std::printf("game.build_race_ms_first: %.0f ms\n", buildMs_.front());
  if (buildMs_.size() > 1) {
    std::vector<double> later(buildMs_.begin() + 1, buildMs_.end());
    std::printf("game.build_race_ms_later: %.0f ms\n", percentile(later, 50));
  }
  std::printf("game.rss_mb_race1: %.1f MB\n", rssFirst_);
  std::printf("game.rss_mb_race%d: %.1f MB\n", rssLastRace_, rssLast_);
  if (baseline_.seconds > 0) std::printf("game.baseline_fps: %.1f fps\n", baseline_.frames / baseline_.seconds);
  if (floor_.seconds > 0) std::printf("game.floor_fps: %.1f fps\n", floor_.frames / floor_.seconds);
  std::fflush(stdout);
}

}  // namespace autopilot
