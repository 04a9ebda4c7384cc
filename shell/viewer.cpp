// The replay viewer: any race of the table watched as it was driven, at six
// speeds, paused, tick by tick, from the chase camera, the trackside cameras
// or an orbit around the car. The race is driven once, with no window, when
// it is opened; every frame after that only looks up the ticks it keeps.
#include <GL/glew.h>
#include <GL/freeglut.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "audio/audio.h"
#include "physics/physics.h"
#include "platform/pads.h"
#include "platform/platform.h"
#include "race/ghost.h"
#include "race/race.h"
#include "render/render.h"
#include "shell/game.h"
#include "shell/trackside.h"
#include "ui/draw2d.h"
#include "ui/ui.h"

// ---- Per process: the viewer -------------------------------------------------------
ReplayViewer gViewer;
std::string gTableLine;

namespace {

constexpr unsigned char kEscape = 27;
constexpr double kMostFrameSeconds = 0.25;  // a stall does not jump the playhead
constexpr int kProgressEvery = 512;         // ticks driven between two pictures of the bar
constexpr float kOrbitStep = 5;             // degrees an arrow press turns the orbit
constexpr float kOrbitTurnRate = 120;       // degrees a second, the right stick all the way
constexpr float kOrbitDistance = 320;
constexpr int kPausedMusicVolume = 96;

// What the viewer takes over from the table and gives back when it closes.
struct TakenOver {
  ViewerHud hud;
  int infoMessage = 0;
  bool gapKnown = false;
  DrawnPose drawn;
};
TakenOver gTakenOver;
TracksideCameras gTrackside;
constexpr const char* kTracksideCentreLineFile = "Data/Models/Track01_Centre.txt";
std::size_t gExpectedTicks = 0;

ViewerHud hudNow() {
  ViewerHud h;
  h.sinceRaceStart = gSinceRaceStart;
  h.raceClock = gRaceClock;
  h.clockFrozen = gClockFrozen;
  h.lap = gHudLap;
  h.splitVisible = gSplitVisible;
  h.splitClock = gSplitClock;
  h.splitRecord = gSplitRecord;
  h.splitShownUntil = gSplitShownUntil;
  h.speedDisplay = gSpeedDisplay;
  return h;
}

void showHud(const ViewerHud& h) {
  gSinceRaceStart = h.sinceRaceStart;
  gRaceClock = h.raceClock;
  gClockFrozen = h.clockFrozen;
  gHudLap = h.lap;
  gSplitVisible = h.splitVisible;
  gSplitClock = h.splitClock;
  gSplitRecord = h.splitRecord;
  gSplitShownUntil = h.splitShownUntil;
  gSpeedDisplay = h.speedDisplay;
}

void giveBack() {
  showHud(gTakenOver.hud);
  gInfoMessage = gTakenOver.infoMessage;
  gGhostGapKnown = gTakenOver.gapKnown;
  gDrawn = gTakenOver.drawn;
}

float fw(int v) { return static_cast<float>(v); }

// The bar the opening fills while the race is driven.
void drawOpeningProgress(double share) {
  const int w = gScreenWidth, h = gScreenHeight;
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  ui2d::pushScreenSpace(w, h);
  const float x0 = fw(w / 5), x1 = fw(w * 4 / 5), y0 = fw(h / 2 - h / 60), y1 = fw(h / 2 + h / 60);
  ui2d::filledQuad(x0, y0, x1, y1, 0.25f, 0.25f, 0.25f, 1);
  ui2d::filledQuad(x0, y0, x0 + (x1 - x0) * static_cast<float>(std::clamp(share, 0.0, 1.0)), y1, 1, 0.75f, 0.1f, 1);
  glColor4f(1, 1, 1, 1);
  drawMenuText("Opening " + gViewer.title, x0, y1 + fw(h / 14), fw(h / 24), x1 - x0);
  ui2d::popScreenSpace();
  glEnable(GL_DEPTH_TEST);
  glutSwapBuffers();
}

// After every tick of the opening drive: what the frames will draw.
void keepTick() {
  ViewerTick t;
  t.pose = drawnLatest();
  t.pose.ghostShown = false;
  t.hud = hudNow();
  const DrawnPose& from = drawnPrevious();
  if (!gViewer.ticks.empty()) {
    const DrawnPose& before = gViewer.ticks.back().pose;
    t.jumped = std::memcmp(&from.car, &before.car, sizeof from.car) != 0;
    t.eyeJumped = !t.jumped && !(from.eye == before.eye);
    const ViewerHud& was = gViewer.ticks.back().hud;
    const bool crossed = t.hud.splitVisible && (!was.splitVisible || t.hud.splitClock != was.splitClock);
    if (crossed) {
      const int n = static_cast<int>(std::count_if(gViewer.marks.begin(), gViewer.marks.end(),
                                                   [](const ViewerMark& m) { return m.crossing >= 0; }));
      gViewer.marks.push_back({gViewer.ticks.size(), n % 3});
    }
    if (was.raceClock < 0 && t.hud.raceClock >= 0) gViewer.marks.push_back({gViewer.ticks.size(), -1});
  } else {
    t.jumped = true;
  }
  gViewer.ticks.push_back(t);
  if (glutGetWindow() != 0 && gViewer.ticks.size() % kProgressEvery == 0)
    drawOpeningProgress(static_cast<double>(gViewer.ticks.size()) / static_cast<double>(gExpectedTicks));
}

// The drive takes the whole race state over and gives it back; the HUD the
// viewer draws from is not part of it.
std::string driveAndKeep(const RaceRecording& recording) {
  const RaceTickHook before = gBeforeRaceTick, after = gAfterRaceTick;
  gBeforeRaceTick = nullptr;
  gAfterRaceTick = keepTick;
  gExpectedTicks = std::max<std::size_t>(recording.ticks.size(), 1);
  const DrivenRecording driven = driveRecording(recording);
  gBeforeRaceTick = before;
  gAfterRaceTick = after;
  return driven.why;
}

void followWithTracksideCameras() {
  std::vector<NxVec3> car;
  car.reserve(gViewer.ticks.size());
  for (const ViewerTick& t : gViewer.ticks) car.push_back(t.pose.car.t);
  // The ground between a camera and the car, from the collision track the drive used.
  static TerrainSight sight;
  if (sight.empty()) {
    sight.addShapes(gWorld.trackCollide.shapes);
    sight.build();
  }
  const std::vector<int> chosen = followCar(gTrackside, car, sight.empty() ? nullptr : &sight);
  for (std::size_t i = 0; i < gViewer.ticks.size() && i < chosen.size(); ++i) gViewer.ticks[i].trackside = chosen[i];
}

std::size_t lastTick() { return gViewer.ticks.empty() ? 0 : gViewer.ticks.size() - 1; }

void playEngine(bool on) {
  if (on)
    startEngineSound();
  else
    FSOUND_StopSound(kEngineChannel);
}

void togglePlaying() {
  if (gViewer.paused && gViewer.position >= static_cast<double>(lastTick())) gViewer.position = 0;  // again from the start
  gViewer.paused = !gViewer.paused;
  playEngine(!gViewer.paused);
  updateFrameTimer();
}

void pausePlaying() {
  if (gViewer.paused) return;
  gViewer.paused = true;
  playEngine(false);
}

void changeSpeed(int step) { gViewer.speed = std::clamp(gViewer.speed + step, 0, kViewerSpeedCount - 1); }

void stepTick(int step) {
  pausePlaying();
  gViewer.position = viewerStepTick(gViewer.position, step, gViewer.ticks.size());
}

void seek(double seconds) { gViewer.position = viewerSeek(gViewer.position, seconds, gViewer.ticks.size()); }

void cycleCamera() { gViewer.camera = (gViewer.camera + 1) % kViewerCameraCount; }

bool orbiting() { return gViewer.camera == kViewerOrbit && gViewer.paused; }

void turnOrbit(float yaw, float pitch) {
  gViewer.orbitYaw = std::remainder(gViewer.orbitYaw + yaw, 360.0f);
  gViewer.orbitPitch = std::clamp(gViewer.orbitPitch + pitch, -5.0f, 80.0f);
}

// The car's heading about the vertical, in degrees, from its pose.
float headingOf(const NxMat34& pose) {
  const NxVec3 forward = pose.M.getColumn(2);
  return std::atan2(forward.x, forward.z) * 57.29578f;
}

CameraShot shotFor(const DrawnPose& pose, int tick) {
  switch (gViewer.camera) {
    case kViewerTrackside:
      if (gViewer.ticks[tick].trackside >= 0 && !gTrackside.eyes.empty())
        return tracksideShot(gTrackside, gViewer.ticks[tick].trackside, pose.car.t);
      break;
    case kViewerOrbit:
      return orbitShot(pose.car.t, headingOf(pose.car) + gViewer.orbitYaw, gViewer.orbitPitch, kOrbitDistance);
    default: break;
  }
  CameraShot chase;
  chase.eye = pose.eye;
  chase.target = pose.car.t;
  chase.fieldOfView = 50;
  return chase;
}

// ---- The controls drawn over the race: the bar, its marks and what plays ------------
std::string speedName(int speed) {
  static const char* const names[kViewerSpeedCount] = {"1/4x", "1/2x", "1x", "2x", "4x", "8x"};
  return names[std::clamp(speed, 0, kViewerSpeedCount - 1)];
}

const char* cameraName(int camera) {
  static const char* const names[kViewerCameraCount] = {"Chase camera", "Trackside cameras", "Orbit"};
  return names[std::clamp(camera, 0, kViewerCameraCount - 1)];
}

void drawControls() {
  const int w = gScreenWidth, h = gScreenHeight;
  ui2d::pushScreenSpace(w, h);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  // Left of the speedometer, along the bottom.
  const float x0 = fw(w / 40), x1 = fw(w * 18 / 25), y0 = fw(h / 30), y1 = y0 + fw(h / 60 + 2);
  ui2d::filledQuad(x0 - 3, y0 - 3, x1 + 3, y1 + fw(h / 24) + 6, 0, 0, 0, 0.6f);
  ui2d::filledQuad(x0, y0, x1, y1, 0.3f, 0.3f, 0.3f, 0.9f);
  const float span = std::max(1.0f, static_cast<float>(lastTick()));
  const auto at = [&](double tick) { return x0 + (x1 - x0) * static_cast<float>(tick / span); };
  ui2d::filledQuad(x0, y0, at(gViewer.position), y1, 1, 0.6f, 0.1f, 0.9f);
  for (const ViewerMark& m : gViewer.marks) {
    const float x = at(static_cast<double>(m.tick));
    const float top = m.crossing == 2 || m.crossing < 0 ? y1 + fw(h / 60) : y1 + fw(h / 120);
    if (m.crossing == 2 || m.crossing < 0)
      ui2d::filledQuad(x - 1, y0, x + 1, top, 1, 1, 1, 1);
    else
      ui2d::filledQuad(x - 1, y0, x + 1, top, 0.6f, 0.85f, 1, 1);
  }
  const float head = at(gViewer.position);
  ui2d::filledQuad(head - 2, y0 - 3, head + 2, y1 + 3, 1, 1, 1, 1);
  glColor4f(1, 1, 1, 1);
  const std::string state = (gViewer.paused ? "Paused  " : "") + speedName(gViewer.speed) + "  " +
                            cameraName(gViewer.camera) + "  " + gViewer.title;
  drawMenuText(state, x0, y1 + fw(h / 24) + 4, fw(h / 28), x1 - x0);
  glColor4f(0.85f, 0.85f, 0.85f, 1);
  drawMenuText(orbiting() ? "Arrows turn the orbit   PgUp/PgDn 5 s   , . tick   C camera   Space play   Esc back"
                          : "Space play/pause   Up/Down speed   Left/Right 5 s   , . tick   C camera   Esc back",
               x0, y0 - 4, fw(h / 34), x1 - x0);
  glColor4f(1, 1, 1, 1);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_LIGHTING);
  ui2d::popScreenSpace();
}

}  // namespace

// ---- The playhead, free of GL -------------------------------------------------------------
double viewerAdvance(double position, double seconds, int speed, std::size_t count) {
  if (count == 0) return 0;
  const double step = std::clamp(seconds, 0.0, kMostFrameSeconds) / kTickSeconds *
                      kViewerSpeeds[std::clamp(speed, 0, kViewerSpeedCount - 1)];
  return std::clamp(position + step, 0.0, static_cast<double>(count - 1));
}

double viewerStepTick(double position, int step, std::size_t count) {
  if (count == 0) return 0;
  const double whole = step > 0 ? std::floor(position) + step : std::ceil(position) + step;
  return std::clamp(whole, 0.0, static_cast<double>(count - 1));
}

double viewerSeek(double position, double seconds, std::size_t count) {
  if (count == 0) return 0;
  return std::clamp(position + seconds / kTickSeconds, 0.0, static_cast<double>(count - 1));
}

DrawnPose viewerPoseAt(const ReplayViewer& viewer, double position) {
  if (viewer.ticks.empty()) return DrawnPose();
  const double last = static_cast<double>(viewer.ticks.size() - 1);
  const double p = std::clamp(position, 0.0, last);
  // As a race frame draws: a whole tick is drawn as it is, not blended into
  // itself, and a frame timer's rounding does not make a tick a blend.
  const double whole = std::round(p);
  if (std::fabs(p - whole) < 1e-4) return viewer.ticks[static_cast<std::size_t>(whole)].pose;
  const std::size_t k = static_cast<std::size_t>(std::ceil(p));
  const ViewerTick& to = viewer.ticks[k];
  const double t = 1 - (static_cast<double>(k) - p);
  if (k == 0 || to.jumped) return to.pose;
  DrawnPose from = viewer.ticks[k - 1].pose;
  if (to.eyeJumped) from.eye = to.pose.eye;
  return blendDrawn(from, to.pose, static_cast<float>(t));
}

// ---- Opening and closing ------------------------------------------------------------------
bool openViewer(const RaceRecording& recording, const std::string& title, std::string& why) {
  const auto began = std::chrono::steady_clock::now();
  ensureRaceModelsLoaded();
  gTakenOver.hud = hudNow();
  gTakenOver.infoMessage = gInfoMessage;
  gTakenOver.gapKnown = gGhostGapKnown;
  gTakenOver.drawn = gDrawn;
  gViewer = ReplayViewer();
  gViewer.title = title;
  gViewer.ticks.reserve(recording.ticks.size() + 1);
  if (gTrackside.eyes.empty()) loadTracksideCameras(kTracksideCentreLineFile, gTrackside);
  why = driveAndKeep(recording);
  if (why.empty() && gViewer.ticks.empty()) why = "the race has no ticks";
  if (!why.empty()) {
    gViewer = ReplayViewer();
    giveBack();
    return false;
  }
  followWithTracksideCameras();
  gViewer.active = true;
  gViewer.paused = false;
  setMusicVolume(kPausedMusicVolume);  // the engine is what is heard
  playEngine(true);
  updateFrameTimer();
  gViewer.openSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  return true;
}

void closeViewer() {
  if (!gViewer.active) return;
  gViewer.active = false;
  giveBack();
  FSOUND_StopSound(kEngineChannel);
  setMusicVolume(FSOUND_MAX_VOLUME);
}

// ---- One frame ------------------------------------------------------------------------------
namespace {
CameraShot gShot;  // this frame's
}

void advanceViewer() {
  updateFrameTimer();
  if (!gViewer.paused) {
    gViewer.position = viewerAdvance(gViewer.position, gFrameSeconds, gViewer.speed, gViewer.ticks.size());
    if (gViewer.position >= static_cast<double>(lastTick())) pausePlaying();  // the end stands
  }
  const std::size_t tick = static_cast<std::size_t>(std::lround(std::clamp(gViewer.position, 0.0, static_cast<double>(lastTick()))));
  gDrawn = viewerPoseAt(gViewer, gViewer.position);
  gShot = shotFor(gDrawn, static_cast<int>(tick));
  gDrawn.eye = gShot.eye;  // the reflections face the camera that sees the car
  const ViewerTick& shown = gViewer.ticks[tick];
  showHud(shown.hud);
  gInfoMessage = 0;
  gGhostGapKnown = false;
  if (!gViewer.paused) updateEngineSound(shown.hud.speedDisplay);
}

void drawViewerFrame() {
  advanceViewer();
  // The table it was opened from draws flat: the race's views want what the
  // loading picture leaves a race's first frame.
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  glEnable(GL_LIGHTING);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  glLoadIdentity();
  glColor4f(1, 1, 1, 1);
  renderReflectionCubeMap();
  setUpMainViewFrom(gShot.eye, gShot.target, gShot.fieldOfView);
  drawVehicleAndWorld(1);
  drawHud();
  drawControls();
}

// ---- Keys and pad ---------------------------------------------------------------------------
bool viewerKeyDown(unsigned char key) {
  if (!gViewer.active) return false;
  if (key == kEscape) {
    closeViewer();
  } else if (key == ' ' || isKeyOf(gControls, kPause, key)) {
    togglePlaying();
  } else if (key == '+' || key == '=') {
    changeSpeed(1);
  } else if (key == '-') {
    changeSpeed(-1);
  } else if (key == ',' || key == '<') {
    stepTick(-1);
  } else if (key == '.' || key == '>') {
    stepTick(1);
  } else if (key == 'c' || key == 'C' || isKeyOf(gControls, kCamera, key)) {
    cycleCamera();
  }
  return true;  // nothing else reaches a race or the table while watching
}

bool viewerSpecialDown(int key) {
  if (!gViewer.active) return false;
  switch (key) {
    case GLUT_KEY_LEFT: orbiting() ? turnOrbit(-kOrbitStep, 0) : seek(-kViewerSeekSeconds); break;
    case GLUT_KEY_RIGHT: orbiting() ? turnOrbit(kOrbitStep, 0) : seek(kViewerSeekSeconds); break;
    case GLUT_KEY_UP: orbiting() ? turnOrbit(0, kOrbitStep) : changeSpeed(1); break;
    case GLUT_KEY_DOWN: orbiting() ? turnOrbit(0, -kOrbitStep) : changeSpeed(-1); break;
    case GLUT_KEY_PAGE_UP: seek(-kViewerSeekSeconds); break;
    case GLUT_KEY_PAGE_DOWN: seek(kViewerSeekSeconds); break;
    case GLUT_KEY_HOME: gViewer.position = 0; break;
    case GLUT_KEY_END: gViewer.position = static_cast<double>(lastTick()); break;
    default: return false;  // the function keys keep their switches
  }
  return true;
}

// South or Start plays and pauses, East or Back goes back to the table, the
// d-pad's left and right seek and its up and down change the speed, the
// shoulders step a tick, North changes the camera and the right stick turns
// the orbit.
void viewerPad() {
  using namespace platform;
  const PadReading pad = readPads();
  if (!pad.present) return;
  if (pad.pressed[kPadEast] || pad.pressed[kPadBack]) {
    closeViewer();
    return;
  }
  if (pad.pressed[kPadSouth] || pad.pressed[kPadStart]) togglePlaying();
  if (pad.pressed[kPadLeft]) seek(-kViewerSeekSeconds);
  if (pad.pressed[kPadRight]) seek(kViewerSeekSeconds);
  if (pad.pressed[kPadUp]) changeSpeed(1);
  if (pad.pressed[kPadDown]) changeSpeed(-1);
  if (pad.pressed[kPadLeftShoulder]) stepTick(-1);
  if (pad.pressed[kPadRightShoulder]) stepTick(1);
  if (pad.pressed[kPadNorth]) cycleCamera();
  const float x = pad.axes[kPadRightX], y = pad.axes[kPadRightY];
  const double seconds = std::clamp(gFrameSeconds, 0.0, kMostFrameSeconds);
  if (gViewer.camera == kViewerOrbit && (std::fabs(x) > 0.2f || std::fabs(y) > 0.2f))
    turnOrbit(x * kOrbitTurnRate * static_cast<float>(seconds), -y * kOrbitTurnRate * static_cast<float>(seconds));
}

// ---- The table: an entry's race watched, or raced against ----------------------------------
namespace {

bool tableOffersRaces() { return gHighScoreScreen.active && !nameOwed() && !gViewer.active; }

bool hasResult(int index) { return index >= 0 && index < 10 && gHighScores[index].totalTime != 0; }

// The next row with a result from `from` in the direction of `step`; `from`
// itself when there is none that way.
int rowWithResult(int from, int step) {
  for (int i = from + step; i >= 0 && i < 10; i += step)
    if (hasResult(i)) return i;
  return from;
}

// With nothing highlighted yet, the keys take the best result.
int chosenEntry() {
  const int h = gHighScoreScreen.highlighted;
  return hasResult(h) ? h : rowWithResult(-1, 1);
}

// The entry's kept race, read; false with what the line under the table says.
bool keptRaceOf(int index, RaceRecording& recording) {
  if (index < 0 || index >= 10 || gHighScores[index].totalTime == 0) {
    gTableLine = "No result there to watch";
    return false;
  }
  const std::string path = keptRacePath(gHighScores[index]);
  std::string why;
  if (platform::playerFileMissing(path.c_str())) {
    gTableLine = "No race is kept for this result";
    return false;
  }
  if (!loadRecordingFile(path.c_str(), recording, why)) {
    gTableLine = "Its race cannot be read: " + why;
    return false;
  }
  return true;
}

std::string entryTitle(int index) {
  const HighScoreEntry& e = gHighScores[index];
  return std::to_string(index + 1) + ". " + (e.name.empty() ? "(no name)" : e.name) + " " + tableTime(e.totalTime);
}

}  // namespace

bool watchTableEntry(int index) {
  RaceRecording recording;
  gHighScoreScreen.highlighted = index;
  if (!keptRaceOf(index, recording)) return false;
  std::string why;
  // Its splits show against the best of the others: against itself every
  // split of the first entry would read nothing.
  const std::string title = entryTitle(index);
  const HighScoreEntry first = gHighScores[0];
  if (index == 0) gHighScores[0] = hasResult(1) ? gHighScores[1] : HighScoreEntry();
  const bool opened = openViewer(recording, title, why);
  gHighScores[0] = first;
  if (!opened) {
    gTableLine = "Its race cannot be watched: " + why;
    return false;
  }
  gTableLine.clear();
  return true;
}

bool raceTableEntry(int index) {
  RaceRecording recording;
  gHighScoreScreen.highlighted = index;
  if (!keptRaceOf(index, recording)) return false;
  DrivenRecording driven;
  const std::string why = verifyRecording(recording, driven);
  if (!why.empty()) {
    gTableLine = "Its race does not prove its time: " + why;
    return false;
  }
  driven.ghost.totalTime = driven.totalTime;
  raceAgainst(driven.ghost, driven.splits);
  gTableLine.clear();
  return requestRaceFromTable();
}

bool tableKeyDown(unsigned char key) {
  if (!tableOffersRaces() || rowWithResult(-1, 1) < 0) return false;
  if (key == ' ') return watchTableEntry(chosenEntry()), true;
  if (key == 'g' || key == 'G') return raceTableEntry(chosenEntry()), true;
  return false;
}

bool tableSpecialDown(int key) {
  if (!tableOffersRaces() || (key != GLUT_KEY_UP && key != GLUT_KEY_DOWN)) return false;
  const int first = rowWithResult(-1, 1);
  if (first < 0) return false;
  int& h = gHighScoreScreen.highlighted;
  h = hasResult(h) ? rowWithResult(h, key == GLUT_KEY_UP ? -1 : 1) : first;
  gTableLine.clear();
  return true;
}
