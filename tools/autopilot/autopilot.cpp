#include "tools/autopilot/autopilot.h"

#include <GL/glew.h>
#include <GL/freeglut.h>
#include <malloc.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "physics/physics.h"
#include "platform/platform.h"
#include "shell/game.h"
#include "tools/autopilot/bench.h"
#include "tools/autopilot/driver.h"
#include "tools/autopilot/keyboard.h"
#include "tools/autopilot/records.h"
#include "ui/ui.h"

namespace autopilot {

namespace {

constexpr unsigned char kEnter = 13;
constexpr unsigned char kEscape = 27;

double wallSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double cpuMilliseconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

enum class Stage { Title, Loading, Race, HighScores };

Stage currentStage() {
  if (gTitle.active) return gTitle.loadPending ? Stage::Loading : Stage::Title;
  if (gHighScoreScreen.active) return Stage::HighScores;
  return Stage::Race;
}

const char* stageName(Stage s) {
  switch (s) {
    case Stage::Title: return "title";
    case Stage::Loading: return "loading";
    case Stage::Race: return gRaceFinished ? "finished" : (gRaceClock <= 0 ? "countdown" : "racing");
    case Stage::HighScores: return "highscores";
  }
  return "?";
}

// ---- Screenshots ----------------------------------------------------------------

void readPixels(GLenum buffer, int w, int h, std::vector<unsigned char>& pixels) {
  GLint previous = GL_BACK;
  glGetIntegerv(GL_READ_BUFFER, &previous);
  glReadBuffer(buffer);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  glReadBuffer(static_cast<GLenum>(previous));
}

// The frame just swapped, as a binary PPM. Some software renderers give a black
// front buffer but leave the swapped picture in the back buffer: try both.
bool saveScreenshot(const std::string& dir, const char* name) {
  if (dir.empty()) return true;
  const int w = glutGet(GLUT_WINDOW_WIDTH), h = glutGet(GLUT_WINDOW_HEIGHT);
  if (w <= 0 || h <= 0) return false;
  std::vector<unsigned char> pixels(static_cast<std::size_t>(w) * h * 3);
  readPixels(GL_FRONT, w, h, pixels);
  if (std::all_of(pixels.begin(), pixels.end(), [](unsigned char c) { return c == 0; }))
    readPixels(GL_BACK, w, h, pixels);
  const std::string path = dir + "/" + name + ".ppm";
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  std::fprintf(f, "P6\n%d %d\n255\n", w, h);
  for (int y = h - 1; y >= 0; --y) std::fwrite(&pixels[static_cast<std::size_t>(y) * w * 3], 1, w * 3, f);
  const bool ok = std::fclose(f) == 0;
  std::printf("screenshot %s\n", path.c_str());
  return ok;
}

// ---- The run ----------------------------------------------------------------------

ScoreLine currentResult() {
  ScoreLine r;
  r.name = gCurrentResult.name;
  r.totalTime = gCurrentResult.totalTime;
  for (int lap = 0; lap < 5; ++lap)
    for (int c = 0; c < 3; ++c) r.splits[lap * 3 + c] = gCurrentResult.splits[lap][c];
  return r;
}

class Run {
 public:
  explicit Run(const Options& o) : options_(o), driver_(line_) {}

  bool loadLine() { return line_.load(options_.centrePath.c_str()); }
  void start();
  void reportMemory(const std::string& when) const;
  void initDone();
  void frame();
  void tick();
  bool quitSent() const { return quitSent_; }
  bool failed() const { return failed_; }

 private:
  void beforeFrame(Stage stage);
  void afterFrame(Stage stage, double frameMs, double cpuMs);
  void onTitle();
  void onRaceTick();
  void onHighScores();
  void raceBegins();
  void placeDriver();
  void report(const DriveKeys& k);
  void noteLaps();
  void finishRun();
  void check(const std::string& name, bool passed, const std::string& detail = "");
  void nameChecks(std::size_t from);
  void fail(const char* why);
  double smoothedFrameSeconds() const;
  void writeTimeline(Stage stage);

  Options options_;
  CentreLine line_;
  Driver driver_;
  Keyboard keys_;
  Bench bench_;
  std::vector<Check> checks_;
  std::vector<ScoreLine> tableBefore_;
  std::FILE* timeline_ = nullptr;
  double startWall_ = 0;
  double initDoneWall_ = 0;
  double lastFrameWall_ = 0;
  std::vector<double> recentFrames_;
  Stage previous_ = Stage::Title;
  int racesStarted_ = 0;
  int lapsSeen_ = 0;
  float lapStart_ = 0;
  bool fullRace_ = false;
  double raceLimit_ = 0;
  bool resultChecked_ = false;
  bool shotTitle_ = false, shotCountdown_ = false, shotRace_ = false, shotHighScores_ = false;
  bool wantShot_ = false;
  const char* shotName_ = "";
  std::size_t typed_ = 0;
  double titleReadySince_ = -1;
  bool building_ = false;
  bool escapeSent_ = false;
  bool referenceFrames_ = false;
  bool rssTaken_ = false;
  bool needReset_ = false;
  bool quitSent_ = false;
  bool failed_ = false;
  double lastReport_ = 0;
  int finalRank_ = 11;
  ScoreLine finalResult_;
};

Run* gRun = nullptr;

void Run::start() {
  startWall_ = wallSeconds();
  initDoneWall_ = startWall_;
  lastFrameWall_ = startWall_;
}

void Run::initDone() {
  initDoneWall_ = wallSeconds();
  lastFrameWall_ = initDoneWall_;
  if (!options_.timelinePath.empty()) timeline_ = std::fopen(options_.timelinePath.c_str(), "w");
  if (!readScoreFile(kHighScoreFile, tableBefore_)) tableBefore_.assign(10, ScoreLine());
}

void Run::check(const std::string& name, bool passed, const std::string& detail) {
  checks_.push_back(Check{name, passed, passed ? "" : detail});
}

// Checks of the second race on carry its number, so a long run's report says
// which race went wrong.
void Run::nameChecks(std::size_t from) {
  if (racesStarted_ < 2) return;
  for (std::size_t i = from; i < checks_.size(); ++i)
    checks_[i].name = "race " + std::to_string(racesStarted_) + ": " + checks_[i].name;
}

// Ends the main loop the way the game's own quit does (leaving the process from
// inside a frame would tear the window down under the driver).
void Run::fail(const char* why) {
  std::printf("autopilot: FAILED: %s\n", why);
  std::fflush(stdout);
  failed_ = true;
  glutLeaveMainLoop();
}

double Run::smoothedFrameSeconds() const {
  if (recentFrames_.empty()) return 1.0 / 30;
  std::vector<double> v(recentFrames_);
  std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
  return v[v.size() / 2];
}

void Run::writeTimeline(Stage stage) {
  if (!timeline_) return;
  std::fprintf(timeline_, "%.3f %s %.2f\n", wallSeconds() - initDoneWall_, stageName(stage), gSpeedDisplay);
  std::fflush(timeline_);
}

void Run::frame() {
  if (failed_) return;
  const double begin = wallSeconds();
  if (begin - startWall_ > options_.timeLimit) return fail("time limit passed");
  const double frameMs = (begin - lastFrameWall_) * 1000.0;
  lastFrameWall_ = begin;
  recentFrames_.push_back(frameMs / 1000.0);
  if (recentFrames_.size() > 15) recentFrames_.erase(recentFrames_.begin());

  // Escape on the title ends the main loop after the frame it came in.
  if (quitSent_) return fail("Escape on the title did not end the game");
  keys_.releaseTaps();
  if (referenceFrames_) {
    if (bench_.referenceFrame()) {
      referenceFrames_ = false;
      finishRun();
    }
    return;
  }
  const Stage stage = currentStage();
  building_ = stage == Stage::Loading;
  beforeFrame(stage);
  const double cpuBefore = cpuMilliseconds();
  const double drawStart = wallSeconds();
  onDisplay();
  if (building_ && currentStage() == Stage::Race) {
    const double ms = (wallSeconds() - drawStart) * 1000.0;
    bench_.raceBuilt(ms);
    std::printf("race %d built in %.0f ms\n", racesStarted_ + 1, ms);
  }
  afterFrame(stage, frameMs, cpuMilliseconds() - cpuBefore);
}

// Races are driven tick by tick (Run::tick); the frame only follows the menus.
void Run::beforeFrame(Stage stage) {
  if (stage != previous_ && stage == Stage::Race) raceBegins();
  switch (stage) {
    case Stage::Title: onTitle(); break;
    case Stage::Loading: break;
    case Stage::Race: break;
    case Stage::HighScores: onHighScores(); break;
  }
  previous_ = stage;
}

void Run::tick() {
  if (!failed_ && currentStage() == Stage::Race) onRaceTick();
}

void Run::afterFrame(Stage stage, double frameMs, double cpuMs) {
  writeTimeline(stage);
  if (stage == Stage::Title) bench_.titleShown();
  if (stage == Stage::Race && racesStarted_ == 1 && gRaceClock > 0 && !gRaceFinished && currentStage() == Stage::Race)
    bench_.raceFrame(frameMs, cpuMs, gFrameTicks);
  if (stage == Stage::Race && racesStarted_ > 1 && options_.bench) bench_.phaseFrame();
  if (stage == Stage::Race && !rssTaken_ && gRaceClock > -2) {
    rssTaken_ = true;
    bench_.raceStarted(racesStarted_);
    reportMemory("");
  }
  if (wantShot_) {
    wantShot_ = false;
    if (!saveScreenshot(options_.shotsDir, shotName_)) fail("cannot write a screenshot");
  }
}

void Run::onTitle() {
  keys_.releaseDriving();
  if (!gTitle.inputReady) {
    titleReadySince_ = -1;
    return;
  }
  const double now = wallSeconds();
  if (titleReadySince_ < 0) titleReadySince_ = now;
  // A moment after the fade-in, so the picture is at full brightness.
  if (now - titleReadySince_ < 0.3) return;
  if (!shotTitle_) {
    shotTitle_ = wantShot_ = true;
    shotName_ = "title";
    return;
  }
  if (gTitleEntry == 1) {
    keys_.tapSpecial(GLUT_KEY_UP);
    return;
  }
  if (gTitleEntry >= 2) {  // options or exit: on down round to the start
    keys_.tapSpecial(GLUT_KEY_DOWN);
    return;
  }
  if (racesStarted_ < options_.races) {
    // F10 acts on every screen: switched off here, the race's first frame is quick too.
    if (options_.noAnisotropic && gAnisotropic == 1) keys_.tapSpecial(GLUT_KEY_F10);
    else keys_.tap(kEnter);
    return;
  }
  if (options_.bench && !escapeSent_) {
    referenceFrames_ = true;
    escapeSent_ = true;
    return;
  }
  finishRun();
}

void Run::raceBegins() {
  ++racesStarted_;
  raceLimit_ = racesStarted_ == 1 && !options_.shortFirst ? options_.firstRaceSeconds : options_.abortAfter;
  fullRace_ = raceLimit_ <= 0;
  lapsSeen_ = 0;
  lapStart_ = 0;
  typed_ = 0;
  resultChecked_ = false;
  finalResult_ = ScoreLine();
  finalRank_ = 11;
  rssTaken_ = false;
  recentFrames_.clear();
  needReset_ = true;
  // A player on a software renderer turns off anisotropic filtering with F10.
  if (options_.noAnisotropic && gAnisotropic == 1) keys_.tapSpecial(GLUT_KEY_F10);
  if (options_.bench) bench_.measurePhases(racesStarted_ > 1);
  if (!readScoreFile(kHighScoreFile, tableBefore_)) tableBefore_.assign(10, ScoreLine());
}

// The car's pose is first read back inside the race's first tick.
void Run::placeDriver() {
  needReset_ = false;
  driver_.reset(gCarPose.t.x, gCarPose.t.z);
  std::printf("race %d: start (%.0f, %.0f) at line point %zu, %s\n", racesStarted_, gCarPose.t.x, gCarPose.t.z,
              driver_.index(), fullRace_ ? "five laps" : "left early");
}

// Resident memory next to what the C heap holds and hands out: growth in
// "held" with "in use" flat is fragmentation, growth in "in use" is a leak.
// Printed as each race starts and after each lap, so growth can be placed.
void Run::reportMemory(const std::string& when) const {
  const struct mallinfo2 heap = mallinfo2();
  const double mb = 1.0 / (1024.0 * 1024.0);
  std::printf("race %d: memory%s rss %.1f MB, heap in use %.1f MB, heap held %.1f MB (%.1f MB mapped)\n",
              racesStarted_, when.c_str(), residentMegabytes(), heap.uordblks * mb,
              (heap.arena + heap.hblkhd) * mb, heap.hblkhd * mb);
  std::fflush(stdout);
}

void Run::report(const DriveKeys& k) {
  const double now = wallSeconds();
  if (!options_.verbose || now - lastReport_ < 1.0) return;
  lastReport_ = now;
  std::printf("  clock %6.1f lap %d pos (%6.0f %5.0f %6.0f) line %4zu off %5.0f speed %6.0f target %6.0f fps %4.1f "
              "steer %+.3f keys %c%c%c%c%c\n",
              gRaceClock, gCurrentLap, gCarPose.t.x, gCarPose.t.y, gCarPose.t.z, driver_.index(),
              driver_.lateralError(), gCarSpeed / kTickSeconds, driver_.targetSpeed(),
              1.0 / smoothedFrameSeconds(), gSteerAngle, k.accelerate ? 'U' : '-', k.reverse ? 'D' : '-',
              k.left ? 'L' : '-', k.right ? 'R' : '-', k.brake ? 'B' : '-');
}

void Run::noteLaps() {
  while (lapsSeen_ < gCurrentLap - 1 && lapsSeen_ < 5) {
    const float finish = gCurrentResult.splits[lapsSeen_][2];
    std::printf("lap %d: %.3f s (checkpoints %.3f %.3f, finish %.3f)\n", lapsSeen_ + 1, finish - lapStart_,
                gCurrentResult.splits[lapsSeen_][0], gCurrentResult.splits[lapsSeen_][1], finish);
    if (racesStarted_ == 1) bench_.lapDriven(finish - lapStart_);
    std::fflush(stdout);
    lapStart_ = finish;
    ++lapsSeen_;
    reportMemory(" after lap " + std::to_string(lapsSeen_));
  }
}

void Run::onRaceTick() {
  // The first tick reads the car's pose back only after this hook.
  if (needReset_) {
    if (gRaceTicks == 0) return;
    placeDriver();
  }
  noteLaps();
  if (racesStarted_ == 1 && !shotCountdown_ && gRaceClock > -1.8f && gRaceClock < -0.5f) {
    shotCountdown_ = wantShot_ = true;
    shotName_ = "countdown";
  }
  if (racesStarted_ == 1 && !shotRace_ && gSplitVisible && gRaceClock > gSplitClock + 0.5f) {
    shotRace_ = wantShot_ = true;
    shotName_ = "race";
  }
  if (replayDriving()) return;  // the recording drives this race
  if (!fullRace_ && gRaceClock > raceLimit_ && !gRaceFinished) {
    keys_.releaseDriving();
    keys_.tap(kEscape);
    return;
  }
  const CarView car = carThisTick();
  // The frame that leaves a finished race still draws it after the render options
  // are set back (anisotropic filtering on again), and on a software renderer
  // that one frame takes minutes. Escape while rolling out leaves before the
  // next tick and keeps the result, as a player in a hurry would.
  if (gRaceFinished && options_.noAnisotropic) {
    keys_.releaseDriving();
    keys_.tap(kEscape);
    return;
  }
  DriveKeys k = driver_.decide(car, gRaceClock);
  // Rolling out after the finish: keep on the road, let the brakes work.
  if (gRaceFinished) k.accelerate = k.reverse = k.brake = false;
  keys_.drive(k);
  report(k);
}

void Run::onHighScores() {
  keys_.releaseDriving();
  // Every five-lap race is checked; the later ones of a long run name their race.
  if (fullRace_ && !resultChecked_) {
    resultChecked_ = true;
    const std::size_t firstCheck = checks_.size();
    noteLaps();
    finalResult_ = currentResult();
    check("race finished", gRaceFinished, "the race was left unfinished");
    if (gRaceFinished) {
      checkRaceResult(finalResult_, lapsSeen_, checks_);
      finalRank_ = expectedRank(tableBefore_, finalResult_.totalTime);
      check("rank " + std::to_string(finalRank_) + " given", gHighScoreRank == finalRank_,
            "the game ranked it " + std::to_string(gHighScoreRank));
    }
    nameChecks(firstCheck);
    std::printf("total: %.3f s, rank %d\n", finalResult_.totalTime, finalRank_);
    if (racesStarted_ == 1) bench_.raceDriven(finalResult_.totalTime);
    std::fflush(stdout);
  }
  if (nameOwed() && typed_ < options_.name.size()) {
    keys_.tap(static_cast<unsigned char>(options_.name[typed_++]));
    return;
  }
  if (gHighScoreScreen.elapsed < 2.3) return;
  if (racesStarted_ == 1 && !shotHighScores_) {
    shotHighScores_ = wantShot_ = true;
    shotName_ = "highscores";
    return;
  }
  keys_.tap(kEnter);
  if (fullRace_ && finalResult_.totalTime > 0 && currentStage() == Stage::Title) {
    const std::size_t firstCheck = checks_.size();
    std::vector<ScoreLine> after;
    check("high-score file readable after saving", readScoreFile(kHighScoreFile, after), "cannot read it");
    finalResult_.name = options_.name;
    checkSavedTable(tableBefore_, after, finalResult_, finalRank_, checks_);
    nameChecks(firstCheck);
    finalResult_ = ScoreLine();
  }
}

void Run::finishRun() {
  if (options_.bench) bench_.print();
  int failed = 0;
  for (const Check& c : checks_) {
    std::printf("check %s: %s%s%s\n", c.name.c_str(), c.passed ? "ok" : "FAILED", c.passed ? "" : ": ",
                c.detail.c_str());
    if (!c.passed) ++failed;
  }
  if (racesStarted_ < options_.races) return fail("fewer races than asked for");
  if (failed) return fail("checks failed");
  if (timeline_) std::fclose(timeline_);
  timeline_ = nullptr;
  std::printf("autopilot: all %zu checks passed; Escape on the title\n", checks_.size());
  std::fflush(stdout);
  quitSent_ = true;
  keys_.tap(kEscape);
}

// The game's counter, running `gTimeScale` times as fast as the wall clock.
double gTimeScale = 1;
int64_t scaledCounter() {
  static const auto start = std::chrono::steady_clock::now();
  const auto real = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
  return static_cast<int64_t>(real * gTimeScale);
}

void autopilotFrame() { gRun->frame(); }
void autopilotTick() { gRun->tick(); }

void onAlarm(int) {
  const char message[] = "autopilot: FAILED: the game stopped answering\n";
  ssize_t ignored = write(1, message, sizeof message - 1);
  (void)ignored;
  _exit(3);
}

}  // namespace

void printUsage(const char* program) {
  std::fprintf(stderr,
               "usage: %s [--shots DIR] [--races N] [--abort-after S] [--name LETTERS]\n"
               "          [--centre FILE] [--timeline FILE] [--time-limit S] [--verbose]\n"
               "          [--short] [--first-race S] [--no-anisotropic | --anisotropic]\n"
               "          [--record FILE] [--replay FILE] [--fast N]\n"
               "--abort-after applies to the races after the first, --short to every race;\n"
               "--first-race leaves the first race after S seconds of racing (0: five laps).\n"
               "--no-anisotropic presses F10 before each race and Escape once it is finished.\n"
               "--record saves each race's recording to FILE; --replay drives the races from one.\n"
               "--fast N runs the game's clock N times as fast as the wall clock.\n"
               "Runs the game in the current directory and plays it.\n",
               program);
}

bool parseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool hasValue = i + 1 < argc;
    if (a == "--bench") {
      o.bench = true;
      continue;
    }
    if (a == "--verbose") {
      o.verbose = true;
      continue;
    }
    if (a == "--short") {
      o.shortFirst = true;
      continue;
    }
    if (a == "--no-anisotropic") {
      o.noAnisotropic = true;
      continue;
    }
    if (a == "--anisotropic") {
      o.noAnisotropic = false;
      continue;
    }
    // GLUT's own options are left for glutInit, as the game's entry leaves them.
    if (a == "-display" || a == "-geometry") {
      ++i;
      continue;
    }
    if (a == "-iconic" || a == "-indirect" || a == "-direct" || a == "-gldebug" || a == "-sync") continue;
    if (!hasValue) {
      std::fprintf(stderr, "autopilot: %s needs a value\n", a.c_str());
      return false;
    }
    const char* v = argv[++i];
    if (a == "--shots") o.shotsDir = v;
    else if (a == "--races") o.races = std::atoi(v);
    else if (a == "--abort-after") o.abortAfter = std::atof(v);
    else if (a == "--first-race") o.firstRaceSeconds = std::atof(v);
    else if (a == "--name") o.name = v;
    else if (a == "--centre") o.centrePath = v;
    else if (a == "--timeline") o.timelinePath = v;
    else if (a == "--time-limit") o.timeLimit = std::atof(v);
    else if (a == "--record") o.recordPath = v;
    else if (a == "--fast") o.fast = std::atof(v);
    else if (a == "--replay") o.replayPath = v;
    else {
      std::fprintf(stderr, "autopilot: unknown option %s\n", a.c_str());
      return false;
    }
  }
  const bool letters = !o.name.empty() && o.name.size() <= kMaxNameLength &&
                       std::all_of(o.name.begin(), o.name.end(), [](char c) { return c >= 'a' && c <= 'z'; });
  if (!letters) {
    std::fprintf(stderr, "autopilot: --name takes 1 to %zu lower-case letters\n", kMaxNameLength);
    return false;
  }
  if (o.shortFirst && o.abortAfter <= 0) o.abortAfter = 20;
  if (o.races < 1 || !(o.timeLimit > 0) || o.abortAfter < 0 || o.firstRaceSeconds < 0 || !(o.fast >= 1)) {
    std::fprintf(stderr, "autopilot: --races, --time-limit, --abort-after and --fast take positive numbers\n");
    return false;
  }
  return true;
}

int runGame(int argc, char** argv, const Options& options) {
  setvbuf(stdout, nullptr, _IOLBF, 0);
  static Run run(options);
  gRun = &run;
  run.start();
  // A frame that never returns (a hang in the game) still ends the run.
  signal(SIGALRM, onAlarm);
  alarm(static_cast<unsigned>(options.timeLimit) + 60);

  setUpProcessMemory();
  if (options.fast > 1) {
    gTimeScale = options.fast;
    platform::setCounterSource(scaledCounter);
  }
  glutInit(&argc, argv);
  glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
  // Checked before the display changes mode: without it there is nothing to drive by.
  if (!run.loadLine()) {
    std::printf("autopilot: FAILED: no usable centre line in %s\n", options.centrePath.c_str());
    return 2;
  }
  startGame();
  if (!options.recordPath.empty()) gRecordPath = options.recordPath;
  if (!options.replayPath.empty() && !loadReplay(options.replayPath.c_str())) {
    std::printf("autopilot: FAILED: the replay cannot be used\n");
    return 2;
  }
  run.initDone();
  glutDisplayFunc(autopilotFrame);
  glutIdleFunc(autopilotFrame);
  gBeforeRaceTick = autopilotTick;
  glutMainLoop();
  ShowCursor(true);
  FSOUND_Close();
  if (run.failed()) return 1;
  if (!run.quitSent() || !gQuitRequested) {
    std::printf("autopilot: FAILED: the main loop returned without a quit from the title\n");
    return 1;
  }
  return 0;
}

}  // namespace autopilot
