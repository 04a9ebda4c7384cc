// The frame loop: one frame of the current game state per call, and the move
// from a race to the high-score screen.
#include <GL/glew.h>
#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>

#include "audio/audio.h"
#include "physics/physics.h"
#include "platform/platform.h"
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

// Collects the step requested in the previous race frame. That step was as long
// as the previous frame, so a frame of 1 ms or less, or of half a second or
// more, requested nothing worth waiting for (the first race frame after
// buildRace among them) and the fetch is skipped.
void fetchPhysicsResults() {
  if (!(gFrameSeconds > 0.001 && gFrameSeconds < 0.5) || !gPhysicsScene) return;
  while (!gPhysicsScene->fetchResults(NX_RIGID_BODY_FINISHED, false)) {
  }
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
  FSOUND_StopSound(kMusicChannel);
  FSOUND_Sample_Free(gMusicSample);
  gMusicSample = nullptr;
  FSOUND_StopSound(kEngineChannel);
  readHighScores();
  trace(fromFrameLoop, "Hier1\n");
  if (gCurrentResult.totalTime != 0) rankNewResult();
  if (gHighScoreRank < 11 && gCurrentResult.totalTime != 0) insertNewResult();
  gRaceModelsLoaded = true;
  trace(fromFrameLoop, "Hier2\n");
  gHighScoreScreen.active = true;
  gMusicSample = FSOUND_Sample_Load(kMusicChannel, kTitleMusicFile, FSOUND_LOOP_NORMAL, 0, 0);
  FSOUND_PlaySound(kMusicChannel, gMusicSample);
  QueryPerformanceCounter(&gHighScoreScreen.shownSince);
  gShowHelp = 0;
  gShowFrameRate = 0;
  trace(fromFrameLoop, "Hier3\n");
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  resetRenderOptions();
  trace(fromFrameLoop, "Hier4\n");
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

void returnToTitle() {
  gTitle.loadPending = false;
  gTitle.active = true;
  QueryPerformanceCounter(&gTitle.shownSince);
  gTitle.inputReady = false;
  if (gCurrentResult.totalTime != 0) writeHighScores();
  gHighScoreScreen.active = false;
}

namespace {

// The step request: exactly the measured length of the last frame. The
// engine's fixed sub-stepping turns it into whole 1/60 s steps.
void requestPhysicsStep() {
  gPhysicsScene->simulate(static_cast<float>(gFrameSeconds));
  gPhysicsScene->flushStream();
}

// Once the finished car has all but stopped, the race is over.
void leaveRaceWhenStopped() {
  if (gRaceFinished && gSpeedDisplay < 1) enterHighScores(true);
}

void placeCameraAndViews() {
  updateCameraModeKey();
  updateChaseCamera();
  frameProbeBegin(FramePhase::CubeMap);
  renderReflectionCubeMap();
  frameProbeEnd(FramePhase::CubeMap);
  frameProbeBegin(FramePhase::MainView);
  setUpMainView();
  frameProbeEnd(FramePhase::MainView);
}

void drawScene() {
  frameProbeBegin(FramePhase::MainView);
  drawVehicleAndWorld(1);
  frameProbeEnd(FramePhase::MainView);
  frameProbeBegin(FramePhase::Hud);
  drawHud();
  frameProbeEnd(FramePhase::Hud);
}

}  // namespace

void raceFrame() {
  if (!gPhysicsScene || !gCarActor) {
    // No world to drive in (the engine could not be created): back to the title.
    returnToTitle();
    return;
  }
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  glLoadIdentity();
  frameProbeBegin(FramePhase::Physics);
  fetchPhysicsResults();
  updateEngineSound(gSpeedDisplay);  // from the previous frame's speed
  glColor4f(1, 1, 1, 1);
  updateVehicleControls();           // forces change only between fetch and simulate
  updateFrameTimer();
  requestPhysicsStep();
  readVehicleState();                // the last fetched step's poses
  frameProbeEnd(FramePhase::Physics);
  updateLapProgress();
  brakeFinishedCar();
  leaveRaceWhenStopped();            // the rest of this frame still draws the race
  placeCameraAndViews();
  updateCarSpeed();                  // after the camera, which reads gPrevCarPos
  drawScene();                       // world and car, then the HUD over them
}

void onDisplay() {
  if (gTitle.active) {
    drawTitleScreen();
  } else if (gHighScoreScreen.active) {
    drawHighScoreScreen();
  } else {
    raceFrame();
  }
  glFlush();
  glutSwapBuffers();
}
