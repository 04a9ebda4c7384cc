// Program entry: configuration, the full-screen game mode, initialisation and
// the GLUT main loop.
#include <GL/freeglut.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "shell/game.h"
#include "sound/fmod.h"
#include "ui/ui.h"

namespace {

// GLUT's RGBA, double-buffer, depth and multisample bits together.
constexpr unsigned int kDisplayMode = 146;
static_assert(kDisplayMode == (GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH | GLUT_MULTISAMPLE),
              "display mode bits");

const char kModeNotPossible[] = "Not possible\nReconfigure the \"Config.txt\"-File\nPlease press a key\n";

}  // namespace

bool gQuitRequested = false;

namespace {
bool gRestartInPlace = false;
std::vector<std::string> gArguments;  // as the process got them, before glutInit took its own out

// The mode's size when the game takes the screen for itself; the desktop's
// when it only covers it; the chosen size for a window.
void takeScreen() {
  if (gScreenTaking == ScreenTaking::Exclusive) return enterGameMode();
  if (gScreenTaking == ScreenTaking::Desktop) {
    gScreenWidth = glutGet(GLUT_SCREEN_WIDTH);
    gScreenHeight = glutGet(GLUT_SCREEN_HEIGHT);
    glutInitWindowPosition(0, 0);
  }
  glutInitWindowSize(gScreenWidth, gScreenHeight);
  glutCreateWindow("Five Laps");
  // freeglut asks the window manager for full screen, or without one covers
  // the screen itself; the display's mode stays as the desktop has it.
  if (gScreenTaking == ScreenTaking::Desktop) glutFullScreen();
}
}  // namespace

// Ending the process from inside a GLUT callback tears the window down in the
// middle of a frame (the GL driver then crashes on the way out). Instead the
// main loop is asked to stop: it finishes the current callback, closes the
// window, leaves game mode (the desktop gets its resolution back) and returns.
void quitGame() {
  gQuitRequested = true;
  if (glutGet(GLUT_INIT_STATE)) glutLeaveMainLoop();
}

void restartGameInPlace() {
  gRestartInPlace = true;
  quitGame();
}

// Every race set-up frees and rebuilds buffers of many megabytes (the decoded
// music, the cooked track, the collision arrays). glibc raises its mmap
// threshold to the size of the first such buffer freed, so from then on they
// came from the heap and left it fragmented: the resident size rose by some
// 25 MB after the first race. A fixed threshold keeps them mapped on their own
// and returned whole when freed.
// A fixed mmap threshold also leaves the trim threshold at 128 KB, and a
// software GL driver frees and takes back more than that at the top of the
// heap on every draw: the heap shrank and grew again many times a frame, each
// time faulting fresh pages in and flushing every core's TLB, and a race frame
// spent as long in the kernel as drawing. The heap now keeps what it has;
// returnFreedMemory still hands it back after each race set-up.
void setUpProcessMemory() {
#ifdef __GLIBC__
  mallopt(M_MMAP_THRESHOLD, 128 << 10);
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
}

// The previous race's world goes and the new one comes in many small pieces;
// what they leave free inside the heap is given back once a race is built.
void returnFreedMemory() {
#ifdef __GLIBC__
  malloc_trim(0);
#endif
}

// A sample count of 0 or 1 asks for no anti-aliasing. freeglut reads the
// multisample bit as "give me its default of four samples", so the bit goes
// with it; two or more samples come from the display string.
void enterDisplayMode() {
  glutInitDisplayMode(gSamples > 1 ? kDisplayMode : kDisplayMode & ~GLUT_MULTISAMPLE);
  char displayString[80];
  std::snprintf(displayString, sizeof displayString, "rgba double depth>16 hw=1 samples=%i", gSamples);
  if (gSamples > 1) glutInitDisplayString(displayString);
  takeScreen();
}

void enterGameMode() {
  char gameMode[80];
  std::snprintf(gameMode, sizeof gameMode, "%ix%i:%i@%i", gScreenWidth, gScreenHeight, gColorBits,
                gRefreshRate);
  glutGameModeString(gameMode);
  if (!glutGameModeGet(GLUT_GAME_MODE_POSSIBLE)) failOnConsole(kModeNotPossible);
  glutEnterGameMode();
  // In a mode smaller than the desktop the game-mode window is stretched to the
  // whole virtual screen, of which the mode shows only the top-left corner,
  // while every view is drawn from the bottom-left: keep the window the size of
  // the mode so that what is drawn is what is shown.
  glutReshapeWindow(glutGameModeGet(GLUT_GAME_MODE_WIDTH), glutGameModeGet(GLUT_GAME_MODE_HEIGHT));
}

void registerCallbacks() {
  glutDisplayFunc(onDisplay);
  glutReshapeFunc(onReshape);
  glutKeyboardFunc(onKeyDown);
  glutKeyboardUpFunc(onKeyUp);
  glutSpecialFunc(onSpecialDown);
  glutSpecialUpFunc(onSpecialUp);
  glutWindowStatusFunc(onWindowStatus);
  glutIdleFunc(onDisplay);
  platform::watchWindowFocus();
}

void startGame() {
  readConfig();
  enterDisplayMode();
  gHudWidth = gScreenWidth;  // after the screen is taken: the desktop's size may be the drawing's
  gHudHeight = gScreenHeight;
  initGame();
  registerCallbacks();
}

namespace {

// --ghost PATH, taken out of the arguments freeglut reads.
const char* takeGhostOption(int& argc, char** argv) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--ghost") != 0) continue;
    const char* path = argv[i + 1];
    for (int j = i; j + 2 <= argc; ++j) argv[j] = argv[j + 2];
    argc -= 2;
    return path;
  }
  return nullptr;
}

}  // namespace

int gameMain(int argc, char** argv) {
  useStandardFloatingPoint();
  // A race proved from its recording needs no window, display or sound.
  if (argc >= 2 && (std::strcmp(argv[1], "--verify") == 0 || std::strcmp(argv[1], "--verify-table") == 0))
    return verifyMain(argc, argv);
  gArguments.assign(argv, argv + argc);
  setUpProcessMemory();
  prepareGhosts(takeGhostOption(argc, argv));
  glutInit(&argc, argv);
  glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
  startGame();
  glutMainLoop();
  ShowCursor(true);
  // Release the sound device so that whatever records it (a wave-file device in
  // tests) is finished properly.
  FSOUND_Close();
  if (gRestartInPlace) platform::restartProcess(gArguments);  // returns only when it could not
  return 0;
}
