// The frame loop: one frame of the current game state per call, and the move
// from a race to the high-score screen.
#include <GL/glew.h>
#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>

#include "audio/audio.h"
#include "physics/physics.h"
#include "platform/platform.h"
#include "race/ghost.h"
#include "race/race.h"
#include "render/model.h"
#include "render/render.h"
#include "shell/frame_probe.h"
#include "shell/game.h"
#include "ui/ui.h"

// ---- Per process: frame timing and flow --------------------------------------
int64_t gPerfFrequency = 0;
int64_t gLastCounter = 0;
int64_t gNowCounter = 0;
double gFrameSeconds = 0;
bool gRaceModelsLoaded = false;
const float gViewDistance = 40000.0f;

bool tracesEnabled() {
  static const bool enabled = [] {
    const char* v = std::getenv("FIVELAPS_TRACE");
    return v && *v && *v != '0';
  }();
  return enabled;
}

void updateFrameTimer() {
  QueryPerformanceCounter(&gNowCounter);
  gFrameSeconds = static_cast<double>(gNowCounter - gLastCounter) / static_cast<double>(gPerfFrequency);
  gLastCounter = gNowCounter;
}

// ---- Per race: the race tick ----------------------------------------------------
int64_t gRaceTicks = 0;
double gTickAccumulator = 0;
double gStepSeconds = 0;
int gFrameTicks = 0;
RaceTickHook gBeforeRaceTick = nullptr;
RaceTickHook gAfterRaceTick = nullptr;

// Collects the step the previous tick requested. A step of 1 ms or less, or of
// half a second or more, is not waited for; the first tick after buildRace
// requested nothing at all.
void fetchPhysicsResults() {
  if (!(gStepSeconds > 0.001 && gStepSeconds < 0.5) || !gPhysicsScene) return;
  while (!gPhysicsScene->fetchResults(NX_RIGID_BODY_FINISHED, false)) {
  }
}

int ticksDue(double& accumulator, double frameSeconds) {
  if (frameSeconds > 0 && frameSeconds < 1e9) accumulator += frameSeconds;
  int due = 0;
  while (accumulator >= kTickSeconds / 2 && due < kMaxTicksPerFrame) {
    accumulator -= kTickSeconds;
    ++due;
  }
  // Time beyond the cap is dropped: after a stall the race goes on where it was.
  if (accumulator >= kTickSeconds / 2) accumulator = 0;
  return due;
}

void resetRaceTicks() {
  gRaceTicks = 0;
  gTickAccumulator = 0;
  gStepSeconds = 0;
  gFrameTicks = 0;
  restartDrawnTicks();
}

bool nameOwed() {
  return gHighScoreScreen.active && gHighScoreRank < 11 && gCurrentResult.totalTime != 0;
}

void resetRenderOptions() {
  gWireframe = 0;
  gHudWireframe = 0;
  gTexFiltering = 1;
  applyTexFilteringToModels(1);
  gMipmapping = 1;
  applyMipmappingToModels(1);
  gRenderPath = 0;
  applyRenderPathToModels(0);
  gDisplayLists = 0;
  applyDisplayListsToModels(0);
  gFrustumCulling = 1;
  gBlendOverride = 0;
  gAnisotropic = 1;
  applyAnisotropyToModels(1);
  // The ghost switch (F11) is the player's choice for the whole session.
}

namespace {
void trace(bool on, const char* line) {
  if (on) {
    std::fputs(line, stdout);
    std::fflush(stdout);
  }
}
}  // namespace

void enterHighScores(bool fromFrameLoop) {
  if (gWindowlessRace) {
    // No screen to show: the race ends with its recording and result.
    endRaceRecording(fromFrameLoop ? RecordingEnd::Finish : RecordingEnd::Escape);
    gHighScoreScreen.active = true;
    return;
  }
  if (gHighScoreScreen.active) {
    // Going back while a name is owed: the screen fades in again, with the
    // result in the table once and the music going on.
    QueryPerformanceCounter(&gHighScoreScreen.shownSince);
    return;
  }
  FSOUND_StopSound(kMusicChannel);
  FSOUND_Sample_Free(gMusicSample);
  gMusicSample = nullptr;
  FSOUND_StopSound(kEngineChannel);
  readHighScores();
  endRaceRecording(fromFrameLoop ? RecordingEnd::Finish : RecordingEnd::Escape);
  trace(fromFrameLoop, "Hier1\n");
  if (gCurrentResult.totalTime != 0) rankNewResult();
  if (gHighScoreRank < 11 && gCurrentResult.totalTime != 0) insertNewResult();
  gRaceModelsLoaded = true;
  trace(fromFrameLoop, "Hier2\n");
  gHighScoreScreen.active = true;
  gHighScoreScreen.afterRace = true;
  gHighScoreScreen.highlighted = -1;
  gTableLine.clear();
  gMusicSample = FSOUND_Sample_Load(kMusicChannel, kTitleMusicFile, FSOUND_LOOP_NORMAL, 0, 0);
  FSOUND_PlaySound(kMusicChannel, gMusicSample);
  setMusicVolume(FSOUND_MAX_VOLUME);
  QueryPerformanceCounter(&gHighScoreScreen.shownSince);
  gShowHelp = 0;
  gShowFrameRate = gFrameRateAlwaysOn ? 1 : 0;  // the player's setting, not a race's F2
  trace(fromFrameLoop, "Hier3\n");
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  resetRenderOptions();
  trace(fromFrameLoop, "Hier4\n");
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

void saveNamedResult() {
  // The screen keeps the named result in its place as it draws; a table left
  // before any frame drew it must hold it too.
  if (gCurrentResult.totalTime != 0 && gHighScoreRank >= 1 && gHighScoreRank <= 10)
    gHighScores[gHighScoreRank - 1] = gCurrentResult;
  if (gCurrentResult.totalTime != 0) writeHighScores();
}

void returnToTitle() {
  gTitle.loadPending = false;
  gTitle.active = true;
  QueryPerformanceCounter(&gTitle.shownSince);
  gTitle.inputReady = false;
  saveNamedResult();
  gHighScoreScreen.active = false;
  gPauseMenu.active = false;
}

namespace {

// Every tick asks for exactly one tick of world time, which the engine takes
// as one sub-step.
void requestPhysicsStep() {
  gPhysicsScene->simulate(kTickStep);
  gPhysicsScene->flushStream();
  gStepSeconds = kTickStep;
}

// Once the finished car has all but stopped, the race is over.
void leaveRaceWhenStopped() {
  if (gRaceFinished && gSpeedDisplay < 1) enterHighScores(true);
}

// A pause or a restart stops the ticks where they are.
bool racing() {
  return !gTitle.active && !gHighScoreScreen.active && gPhysicsScene && gCarActor && !racePaused() &&
         !restartRequested();
}

void drawViews() {
  frameProbeBegin(FramePhase::CubeMap);
  renderReflectionCubeMap();
  frameProbeEnd(FramePhase::CubeMap);
  frameProbeBegin(FramePhase::MainView);
  setUpMainView();
  drawVehicleAndWorld(1);
  frameProbeBegin(FramePhase::Ghost);
  drawGhost();  // over the world it blends with, in the main view only
  frameProbeEnd(FramePhase::Ghost);
  frameProbeEnd(FramePhase::MainView);
  frameProbeBegin(FramePhase::Hud);
  drawHud();
  frameProbeEnd(FramePhase::Hud);
}

}  // namespace

bool raceTick() {
  if (!takeTickKeys()) return false;  // left with Escape before the tick, as between frames
  fetchPhysicsResults();
  updateEngineSound(gSpeedDisplay);   // from the previous tick's speed
  updateVehicleControls();            // forces change only between fetch and simulate
  ++gRaceTicks;
  requestPhysicsStep();
  readVehicleState();                 // the last fetched step's poses
  updateLapProgress();
  brakeFinishedCar();
  leaveRaceWhenStopped();             // the rest of this tick, and the frame, still race
  updateCameraModeKey();
  updateChaseCamera();
  updateCarSpeed();                   // after the camera, which reads gPrevCarPos
  advanceRaceClock(static_cast<double>(gRaceTicks) * kTickSeconds);
  updateGhostGap();                   // where the car is now against where the ghost was
  noteGhostPose();                    // the pose this tick leaves, kept for a new best race
  noteDrawnTick();                    // what the frames draw, blended with the tick before
  keysSeen();
  if (gAfterRaceTick) gAfterRaceTick();
  return true;
}

bool advanceRace() {
  updateFrameTimer();
  // The race's first frame runs one tick: the time since buildRace is set-up, not racing.
  const int due = ticksDue(gTickAccumulator, gRaceTicks == 0 ? kTickSeconds : gFrameSeconds);
  gFrameTicks = 0;
  bool drawRace = true;
  frameProbeBegin(FramePhase::Physics);
  while (gFrameTicks < due && racing()) {
    if (!raceTick()) {
      drawRace = false;
      break;
    }
    ++gFrameTicks;
  }
  frameProbeEnd(FramePhase::Physics);
  return drawRace;
}

bool stepRaceFrame() {
  if (!advanceRace()) return false;
  blendDrawnPose(gTickAccumulator);  // the race as the wall clock stands, between the last two ticks
  return true;
}

void raceFrame() {
  if (!gPhysicsScene || !gCarActor) {
    // No world to drive in (the engine could not be created): back to the title.
    returnToTitle();
    return;
  }
  // The ticks draw nothing: clearing after them is clearing before the views.
  if (!stepRaceFrame() && gHighScoreScreen.active) {
    drawHighScoreScreen();  // what the frame after an Escape shows
    return;
  }
  drawRaceFrame();  // a pause or restart in a tick shows the race as its last tick left it
}

void drawRaceFrame() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  glLoadIdentity();
  glColor4f(1, 1, 1, 1);
  drawViews();  // cube faces and main view from the drawn pose, the HUD from the last tick
  if (racePaused()) drawPauseMenu();
}

void onDisplay() {
  carryOutRestart();  // asked for since the last frame: this frame is the new race's first
  pauseWhenWindowWentAway();
  // The pad works the menus as keys do between frames; a race reads it once a tick.
  const bool menu = gTitle.active || gHighScoreScreen.active || racePaused() || gOptions.active;
  if (menu) readPadForMenu();
  if (gViewer.active) {
    drawViewerFrame();  // over the table it was opened from
  } else if (gTitle.active) {
    drawTitleScreen();
  } else if (gOptions.active) {
    drawOptionsScreen();
  } else if (gHighScoreScreen.active) {
    drawHighScoreScreen();
  } else if (racePaused() && gPhysicsScene && gCarActor) {
    drawRaceFrame();  // no tick runs: the view stands as it was
  } else {
    raceFrame();
  }
  // The menus read the key table once a frame; a race tick marks its own reads.
  if (menu) keysSeen();
  glFlush();
  glutSwapBuffers();
}
