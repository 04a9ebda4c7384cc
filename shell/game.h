// Shared game state owned by the shell: display settings, held keys, frame
// timing, render options and the camera. Grouped by lifetime.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "race/ghost.h"
#include "race/recording.h"
#include "shell/controls.h"

// ---- Per process: display settings, read once from Config.txt -------------
extern int gScreenWidth;
extern int gScreenHeight;
extern int gColorBits;
extern int gRefreshRate;
extern int gSamples;
extern const float gViewDistance;  // far plane of every perspective projection
// How the game takes the screen: the exclusive mode of the display mode, a
// borderless window the desktop's size (its mode left alone, as Wayland
// desktops want it), or a window of the display mode's size.
enum class ScreenTaking { Exclusive, Desktop, Window };
extern ScreenTaking gScreenTaking;
// The frame-rate counter from the start and after every race (F2 still flips it).
extern bool gFrameRateAlwaysOn;

// ---- Per process: keyboard and pads ------------------------------------------
// Held-key table: ordinary keys by character code, special keys by GLUT code,
// one shared index space (the arrows share entries with d, e, f, g); Shift,
// Ctrl, Alt and freeglut's other extra keys after it (shell/controls.h).
extern unsigned char gKeys[kKeyTableSize];
// The keys that drive and the pad's feel, from Controls.txt.
extern Controls gControls;
extern const char* const kControlsFile;  // "Controls.txt"

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

// ---- Per race: the race tick ---------------------------------------------------
// The race's rules run in whole ticks of 1/60 s, as many as the wall-clock
// time since the last drawn frame holds; the frame then draws once. At 60
// frames a second that is one tick a frame.
constexpr double kTickSeconds = 1.0 / 60.0;
constexpr float kTickStep = 1.0f / 60.0f;  // each tick's step request: one engine sub-step
constexpr int kMaxTicksPerFrame = 15;      // a longer frame slows the race instead of freezing it
extern int64_t gRaceTicks;                 // ticks run since the race was built
extern TickInput gTickInput;               // what this tick's rules read: keys and pad, or a replay's
extern double gTickAccumulator;            // wall-clock time not yet run as ticks
extern double gStepSeconds;                // the step the last tick requested; 0 before the first
extern int gFrameTicks;                    // ticks the last race frame ran
// Hooks around every tick, for the autopilot, the replay tools and tests;
// they may change keys through the key callbacks and nothing else.
using RaceTickHook = void (*)();
extern RaceTickHook gBeforeRaceTick;
extern RaceTickHook gAfterRaceTick;

// ---- Per frame: what is drawn, between the last two ticks -----------------------
// The car, its wheels, the chase camera and the ghost as a tick leaves them.
// A frame draws the last two ticks' blended by how far the wall clock has run
// past the last tick, so motion is even at any frame rate; the race itself
// never reads a drawn value.
struct DrawnPose {
  NxMat34 car;
  NxMat34 wheels[4];
  float steer = 0;            // front wheels, radians
  float spin[4] = {};         // degrees about each axle
  NxVec3 eye;                 // the chase camera, looking at the car
  float cameraDistance = 0;   // tells the camera's mode: a switch is a jump
  bool ghostShown = false;
  GhostPose ghost;
};
extern DrawnPose gDrawn;   // this frame's
// Off: every frame draws the last tick as it is (for measuring the difference).
extern bool gBlendTicks;
// At the end of each tick: its pose becomes the latest, the one before the
// previous. A new race, a jump of the car (further than its last tick's move
// and a little more) and a camera mode switch are not blended across.
void noteDrawnTick();
void restartDrawnTicks();
// Before a frame draws: `remainder` is the wall-clock time past the last tick
// (negative when ticks ran ahead, as they start half a tick early).
void blendDrawnPose(double remainder);
// The two ticks the next frame blends between, as the last tick left them.
const DrawnPose& drawnPrevious();
const DrawnPose& drawnLatest();
// The blend itself: positions linearly, rotations the shorter way round.
DrawnPose blendDrawn(const DrawnPose& from, const DrawnPose& to, float t);

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
// The five display values first, then the sections the options screen adds
// before EOF (a reader that knows only the first two passes over them).
struct DisplaySettings {
  int width = 0, height = 0, colorBits = 0, refreshRate = 0, samples = 0;
  ScreenTaking screen = ScreenTaking::Exclusive;
  bool frameRate = false;
  int musicVolume = 10, effectsVolume = 10;
};
// Reads settings the way readConfig does, from any stdio stream; `s` holds the
// values before reading (zero at start-up) and receives the result. A value of
// the added sections that is not understood keeps the old one and adds a line
// to `complaints` that names it.
void readConfigStream(std::FILE* file, DisplaySettings& s, std::vector<std::string>* complaints = nullptr);
// The five lines, then only the added sections whose value is not the game's
// own, then EOF.
bool writeConfigStream(std::FILE* file, const DisplaySettings& s);
// The settings in force now, as Config.txt would hold them.
DisplaySettings currentSettings();
// Config.txt as this run took the screen from it, and as the options screen
// last chose it: what the next start takes.
extern DisplaySettings gStartSettings;
extern DisplaySettings gConfigSettings;
// Saves Config.txt through platform::replaceFile; the line that says why not
// when it could not (empty when saved).
std::string saveConfig(const DisplaySettings& s);
// Why a save left the file alone, in one line.
std::string saveRefusal(const char* file, int outcome);
int gameMain(int argc, char** argv);
// Lets large buffers go back to the system when freed (called first thing).
void setUpProcessMemory();
// Hands pages the heap holds but no longer uses back to the system.
void returnFreedMemory();
// Ends the game with status 0 once the current callback returns.
void quitGame();
// Ends the game as quitGame does and starts it again in the same process, with
// the same arguments: a new display needs a new GL context, and every
// texture, buffer and list lives in the old one.
void restartGameInPlace();
extern bool gQuitRequested;
// Takes the screen as Config.txt says: the exclusive game mode (or the
// console failure path), the desktop's size, or a window.
void enterDisplayMode();
void enterGameMode();
void registerCallbacks();
// Config.txt, the display mode, initialisation and the callbacks: everything
// between glutInit and the main loop.
void startGame();

// ---- Frame loop and game states ---------------------------------------------
void onDisplay();
void raceFrame();
// The race's views and HUD as the drawn pose stands, and the pause menu over them.
void drawRaceFrame();
// The race frame without its drawing: the frame timer and the ticks it holds.
// False when a tick's keys left the race with Escape: the frame then shows the
// table, as the frame after an Escape between frames does.
bool advanceRace();
// The race frame without drawing it: the ticks the frame holds, then the
// drawn pose for the wall clock's time. False as advanceRace.
bool stepRaceFrame();
// One tick: the race's rules, from the physics fetch to the speed measurement.
// False when the race was left before the tick ran.
bool raceTick();
// How many ticks a frame of `frameSeconds` runs. The accumulator keeps the
// rest; ticks start half a tick early, so frames that jitter about 1/60 s
// still run one tick each.
int ticksDue(double& accumulator, double frameSeconds);
void resetRaceTicks();
void updateFrameTimer();
void fetchPhysicsResults();
// Leaves a race for the high-score screen; traces only from the frame loop.
void enterHighScores(bool fromFrameLoop);
void resetRenderOptions();
// Back to the title from the high-score screen (Enter or Escape).
void returnToTitle();
// Puts a named result in its place and saves the table, as leaving the table does.
void saveNamedResult();
// True when a result owes a name on the high-score screen.
bool nameOwed();
// Trace lines ("Speed: ...") print only when FIVELAPS_TRACE is set.
bool tracesEnabled();

// ---- Per race: retries (shell/retry.cpp) -------------------------------------------
// The restart key: in a race (countdown, racing, after the finish, paused) the
// race is dropped as Escape drops it and a new one starts with the music going
// on; on the table after a race with no name owed, the next race starts. False
// where it does nothing. Carried out at the start of the next frame.
bool requestRestart();
// With a name owed and typed: the table is saved and the next race starts.
bool saveNameAndRaceAgain();
bool restartRequested();
// On the table with no name owed, however it was opened: the next race starts.
bool requestRaceFromTable();
void carryOutRestart();
// The pause stops the race between two ticks; resuming runs on from that tick.
bool racePaused();
void pauseRace();
void resumeRace();
void togglePause();
void choosePauseEntry();
void movePauseHighlight(int step);
// A race pauses itself when its window goes out of sight or loses the focus.
void onWindowStatus(int state);
void pauseWhenWindowWentAway();

// ---- Keyboard ---------------------------------------------------------------
void onKeyDown(unsigned char key, int x, int y);
void onKeyUp(unsigned char key, int x, int y);
void onSpecialDown(int key, int x, int y);
void onSpecialUp(int key, int x, int y);
// The table's writes. A key pressed and released before anything read the
// table still reads as held once.
void pressKey(int index);
void releaseKey(int index);
// Called once a tick or a menu frame has read the table.
void keysSeen();

// ---- Keys of your own and pads ---------------------------------------------------
// Reads Controls.txt, or writes the default one when there is none.
void loadControls();
// Writes gControls to Controls.txt (the options screen); the line that says
// why not when it could not (empty when saved).
std::string saveControls();
// Controls.txt and the pads, once at start-up.
void startControls();
// What the player drives this tick with: the keys' actions and the driving
// pad's. The pad's Back gives the race up as Escape does.
TickInput takePlayerInput();
// Once a menu frame: the pad moves the highlight, confirms, goes back and
// picks a name's letters.
void readPadForMenu();

// ---- Per race: recording and replay -----------------------------------------
// The race being driven, tick by tick (kept for every race).
extern RaceRecording gRaceRecording;
// Where each race's recording is saved when it is left (FIVELAPS_RECORD); empty: nowhere.
extern std::string gRecordPath;
// The recording the next races replay (FIVELAPS_REPLAY, or set by the tools).
bool loadReplay(const char* path);
void setReplay(const RaceRecording& recording);
void clearReplay();
bool replayDriving();  // a replay drives this race
// Race set-up: takes the start state from the replay, if any, and starts recording.
void beginRaceRecording();
// At the start of each tick: gTickInput from the replay or the player, noted
// in the recording. False when the race was left here (a replay that ended
// with Escape, a hook or the pad's Back).
bool takeTickKeys();
void endRaceRecording(RecordingEnd end);
// Why a recording cannot drive this race (other engine settings, another
// rigid-body library, another track, a start no race leaves); empty when it can.
// Needs the race's world.
std::string whyRecordingDoesNotFit(const RaceRecording& recording);
// The car body's and wheels' poses as one number, compared tick by tick.
uint64_t poseHash();

// ---- Races without a window (shell/verify.cpp) --------------------------------------
// A race driven by a recording with no window, GL or sound: the tick is the
// same, the table screen is never shown.
extern bool gWindowlessRace;
struct DrivenRecording {
  std::string why;  // why it could not be driven; empty when it was
  bool finished = false;
  float totalTime = 0;
  float splits[5][3] = {};
  std::size_t ticks = 0;
  uint64_t finalPoseHash = 0;
  Ghost ghost;         // its car, tick by tick from the start signal
  double seconds = 0;  // the wall-clock time the drive took
};
// Drives the recording from its start through the race tick; the races the
// player drives afterwards start as they would have without it.
DrivenRecording driveRecording(const RaceRecording& recording);
// Drives it and says why it does not prove its time; empty when it does.
std::string verifyRecording(const RaceRecording& recording, DrivenRecording& driven);
// A time as the table and the split display show it, MM:SS:hh.
std::string tableTime(float seconds);
// The total and the fifteen splits, as --verify prints them.
std::string resultLine(float total, const float (&splits)[5][3]);
// --verify FILE... and --verify-table: status 0 only when everything verified.
int verifyMain(int argc, char** argv);
// Before the window opens: the ghost of --ghost (a recording, or the fastest
// in a folder) once it verifies, and the first entry's ghost from its kept
// race when no ghost of it is kept.
void prepareGhosts(const char* rivalPath);
// The state a race carries over from the race before it.
RecordedStart carriedOverState();
void restoreCarriedOver(const RecordedStart& start);

// ---- Per process: the replay viewer (shell/viewer.cpp) -------------------------------
// A kept race watched as it was driven. Opening it drives it once with no
// window and keeps what every tick left for drawing, so that every speed is a
// different step through the same ticks and every seek is a look-up.
struct ViewerHud {  // what the HUD draws from, as the tick left it
  double sinceRaceStart = 0;
  float raceClock = 0;
  bool clockFrozen = false;
  int lap = 1;
  bool splitVisible = false;
  float splitClock = 0, splitRecord = 0, splitShownUntil = 0;
  float speedDisplay = 0;
};
struct ViewerTick {
  DrawnPose pose;         // as the tick left it (no ghost)
  bool jumped = false;    // the frames before it are not blended into it
  bool eyeJumped = false; // the camera changed mode: its eye is not blended
  ViewerHud hud;
  int trackside = 0;      // the trackside camera that sees the car best
};
// Where the race's time was won: the start signal, and each crossing's tick.
struct ViewerMark {
  std::size_t tick = 0;
  int crossing = 0;  // 0 checkpoint 1, 1 checkpoint 2, 2 the finish line; -1 the start signal
};
enum ViewerCamera { kViewerChase, kViewerTrackside, kViewerOrbit, kViewerCameraCount };
constexpr int kViewerSpeedCount = 6;
constexpr double kViewerSpeeds[kViewerSpeedCount] = {0.25, 0.5, 1, 2, 4, 8};
constexpr int kViewerNormalSpeed = 2;
constexpr double kViewerSeekSeconds = 5;
struct ReplayViewer {
  bool active = false;
  std::string title;               // whose race, and its time
  std::vector<ViewerTick> ticks;   // one for each tick of the race, from its first
  std::vector<ViewerMark> marks;
  double position = 0;             // in ticks: 0 draws the first, a fraction blends two
  int speed = kViewerNormalSpeed;  // into kViewerSpeeds
  bool paused = false;
  int camera = kViewerChase;
  float orbitYaw = 180, orbitPitch = 20;  // degrees: behind the car, a little above it
  double openSeconds = 0;          // the last opening's wall-clock time
};
extern ReplayViewer gViewer;
// Drives the race with no window (a bar shows how far when there is one) and
// shows its first tick; false, with the reason, when it cannot be driven.
bool openViewer(const RaceRecording& recording, const std::string& title, std::string& why);
void closeViewer();
// The playhead moved on by the frame timer, and what the frame draws set (the
// drawn pose, the camera, the HUD): a frame without its drawing.
void advanceViewer();
void drawViewerFrame();
// The viewer's keys and pad; true when they took the key.
bool viewerKeyDown(unsigned char key);
bool viewerSpecialDown(int key);
void viewerPad();
// The playhead after `seconds` of playing at `speed` through `count` ticks:
// it stops on the last.
double viewerAdvance(double position, double seconds, int speed, std::size_t count);
// One tick on or back from `position`, landing on whole ticks.
double viewerStepTick(double position, int step, std::size_t count);
double viewerSeek(double position, double seconds, std::size_t count);
// What a frame at `position` draws: the ticks either side blended as a race
// frame blends them, the tick itself when the position is a whole tick.
DrawnPose viewerPoseAt(const ReplayViewer& viewer, double position);
// The table's part: Up and Down pick an entry, one key watches its race and
// another races against it (shell/viewer.cpp).
bool tableKeyDown(unsigned char key);
bool tableSpecialDown(int key);
bool watchTableEntry(int index);
bool raceTableEntry(int index);
// What the table's line under the keys says (why a race could not be opened).
extern std::string gTableLine;

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
// The main view from any eye at any target, with its vertical field of view.
void setUpMainViewFrom(const NxVec3& eye, const NxVec3& target, float fieldOfView);
