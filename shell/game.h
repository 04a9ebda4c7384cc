// Shared game state owned by the shell: display settings, held keys, frame
// timing, render options and the camera. Grouped by lifetime.
#pragma once

#include <cstdint>
#include <cstdio>

// ---- Per process: display settings, read once from Config.txt -------------
extern int gScreenWidth;
extern int gScreenHeight;
extern int gColorBits;
extern int gRefreshRate;
extern int gSamples;
extern const float gViewDistance;  // far plane of every perspective projection

// ---- Per process: keyboard -------------------------------------------------
// Held-key table: ordinary keys by character code, special keys by GLUT code,
// one shared index space (the arrows share entries with d, e, f, g).
extern unsigned char gKeys[256];

// ---- Per process: render options and HUD switches (function keys) ---------
extern int gShowHelp;
extern int gShowFrameRate;
extern int gWireframe;
extern int gTexFiltering;
extern int gMipmapping;
extern int gRenderPath;
extern int gDisplayLists;
extern int gFrustumCulling;
extern int gBlendOverride;
extern int gAnisotropic;

// ---- Per process: frame timing ---------------------------------------------
extern int64_t gPerfFrequency;
extern int64_t gLastCounter;
extern int64_t gNowCounter;
extern double gFrameSeconds;

// ---- Per process: flow ----------------------------------------------------
// Set when a race is left: the next race finds car, wheel and track loaded.
extern bool gRaceModelsLoaded;

// ---- Per race: chase camera ------------------------------------------------
extern float gCameraPos[3];
extern float gCameraDistance;  // exactly 250 means far mode
extern float gCameraHeight;
extern float gCameraSide;
extern float gCameraDir[2];    // smoothed forward direction (x, z)

// ---- Start-up and configuration -------------------------------------------
void readConfig();
// Parses Config.txt text from a stream of lines; readConfig feeds it the file.
struct DisplaySettings {
  int width = 0, height = 0, colorBits = 0, refreshRate = 0, samples = 0;
};
// Reads settings the way readConfig does, from any stdio stream; `s` holds the
// values before reading (zero at start-up) and receives the result.
void readConfigStream(std::FILE* file, DisplaySettings& s);
int gameMain(int argc, char** argv);
// Lets large buffers go back to the system when freed (called first thing).
void setUpProcessMemory();
// Hands pages the heap holds but no longer uses back to the system.
void returnFreedMemory();
// Ends the game with status 0 once the current callback returns.
void quitGame();
extern bool gQuitRequested;
// Enters the configured game mode or takes the console failure path.
void enterDisplayMode();
void registerCallbacks();

// ---- Frame loop and game states ---------------------------------------------
void onDisplay();
void raceFrame();
void updateFrameTimer();
void fetchPhysicsResults();
// Leaves a race for the high-score screen; traces only from the frame loop.
void enterHighScores(bool fromFrameLoop);
void resetRenderOptions();
// Back to the title from the high-score screen (Enter or Escape).
void returnToTitle();
// True when a result owes a name on the high-score screen.
bool nameOwed();
// Trace lines ("Speed: ...") print only when FIVELAPS_TRACE is set.
bool tracesEnabled();

// ---- Keyboard ---------------------------------------------------------------
void onKeyDown(unsigned char key, int x, int y);
void onKeyUp(unsigned char key, int x, int y);
void onSpecialDown(int key, int x, int y);
void onSpecialUp(int key, int x, int y);

// ---- One-time initialisation ------------------------------------------------
void initGame();
void loadHighScoreTextures();
void loadTitleScreen();

// ---- Camera, reflection cube map, projections -------------------------------
void onReshape(int width, int height);
void updateCameraModeKey();
void updateChaseCamera();
void renderReflectionCubeMap();
void setUpMainView();
