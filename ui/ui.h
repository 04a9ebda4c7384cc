// HUD, title screen, font and the high-score table.
#pragma once

#include <cstdint>
#include <cstddef>
#include <cstdio>
#include <string>

#include "platform/platform.h"

// ---- Per race: the HUD record -------------------------------------------------
extern float gRaceClock;          // seconds since Go; negative during the countdown
extern bool gClockFrozen;
extern int gHudLap;
extern float gSplitClock;
extern float gSplitRecord;
extern float gSplitShownUntil;
extern bool gSplitVisible;
extern double gSinceRaceStart;  // race time: ticks run x 1/60 s
extern int64_t gRaceCounterFrequency;
extern float gCountdownLength;
constexpr float kGameCountdown = 3.0f;  // the game's; tests shorten it
extern int64_t gFrameRateStart;
extern int gFrameRateFrames;
extern int gFrameRate;
extern double gFrameRateWindow;
extern float gNeedleAngle;
extern int gHudWidth;
extern int gHudHeight;
extern float gHudFarPlane;
extern int gHudWireframe;
extern unsigned int gTexNumbers, gTexDial, gTexNeedle, gTexGo, gTexHelp, gTexLaps, gTexInfo;
constexpr int kInfoMessageCount = 23;
extern int gInfoMessage;          // 0 none, 1..kInfoMessageCount
extern float gInfoMessageUntil;

void loadHudTextures();
// The race clock from the race time (ticks x 1/60 s); it stands while frozen.
void advanceRaceClock(double sinceRaceStart);
void drawHud();
void drawHudDigit(int digit);
void drawHudColon();
void drawHudTime(float seconds);
// Shows an option message for two seconds of race clock.
void showInfoMessage(int code);

// ---- HUD arithmetic, free of GL ------------------------------------------------
constexpr int kHudColonGlyph = 10;  // glyph index of the colon in a time
// The eight glyphs of a time drawn as MM:SS:th. Values outside 0..9 (a hundred
// minutes or more, negative times) are kept: they draw nothing.
void hudTimeGlyphs(float seconds, int glyphs[8]);
// The gap to the ghost as racing displays show it: the racer's time against
// the ghost's, "+1.73" behind, "-0.55" ahead, "+1:02.35" past a minute,
// hundredths truncated as the clock's; empty from ten minutes on (and for
// values that are no number).
std::string gapText(float secondsAhead);
// Hundreds, tens and ones of the speed readout (from the absolute speed).
void speedReadoutDigits(float speedDisplay, int digits[3]);
// Needle rotation in degrees, counter-clockwise from straight up.
float needleAngleFor(float speedDisplay);
// A pixel position on a picture's layout grid as a texture coordinate,
// truncated after six decimals.
float gridTexCoord(int pixel, int grid);

// ---- High-score table -----------------------------------------------------------
struct HighScoreEntry {
  std::string name;
  float totalTime = 0;
  float splits[5][3] = {};
};

extern HighScoreEntry gHighScores[10];
extern HighScoreEntry gCurrentResult;
extern int gHighScoreRank;        // 1-based; 11 means not placed
extern const char* const kHighScoreFile;  // "HighScore5.hs"

void readHighScores();
// Every result in the table keeps the recording of its race in this folder
// beside the table, named from the entry itself (its name, total and splits
// as the file gives them), so that sorting, editing or copying the table never
// pairs an entry with another entry's race.
extern const char* const kKeptRacesFolder;  // "HighScore5.races"
std::string keptRacePath(const HighScoreEntry& entry);
void writeHighScores();
void rankNewResult();
void insertNewResult();
// Stream forms used by the file functions (and by tests).
void readHighScoreStream(std::FILE* file, HighScoreEntry table[10]);
// The place a result of this time takes in the table (ui/ranking.h).
int rankFor(const HighScoreEntry table[10], float totalTime);
// Writes the table atomically (temporary file, fsync, rename); unless Saved,
// the old file is untouched.
platform::SaveResult writeHighScoreFile(const char* path, const HighScoreEntry table[10]);

// The best race the table holds in pieces: the best of each of the fifteen
// sectors (start to checkpoint 1, 1 to 2, 2 to the line, five laps) among its
// entries, and whose each is. Entries without a time, or whose splits do not
// climb from zero to their total, take no part; a tie goes to the better place.
constexpr int kSectorCount = 15;
struct IdealRace {
  bool known = false;  // false: no entry to build it from
  int entries = 0;     // how many entries it is built from
  float total = 0;
  float sector[kSectorCount] = {};
  int owner[kSectorCount] = {};  // 0-based table index
};
IdealRace idealRace(const HighScoreEntry table[10]);
// Its line under the table's rows: the total and each sector's owner by place.
void drawIdealRace(int w, int h);

// Name entry on the high-score screen.
void typeNameLetter(unsigned char letter);   // plays the click when accepted
void eraseNameLetter();
// A pad's letter picker: the last letter moves `step` letters on (with the click).
void turnNameLetter(int step);
constexpr std::size_t kMaxNameLength = 17;
// The file's name field was always read into 20 characters: a name of up to
// 19 comes back whole and is saved whole; a longer one keeps its first 19.
constexpr std::size_t kStoredNameLength = 19;
// The editing rules on a plain string: true when the letter was taken.
bool appendNameLetter(std::string& name, unsigned char letter);
// The name with its last letter moved `step` letters on through a to z and
// round again; an empty name starts at a going on, at z going back.
std::string pickNameLetter(std::string name, int step);

// ---- Screens ------------------------------------------------------------------------
enum TitleEntry { kTitleStart, kTitleHighScores, kTitleOptions, kTitleExit, kTitleEntryCount };
struct TitleScreen {
  bool active = false;
  bool inputReady = false;
  bool loadPending = false;
  int64_t shownSince = 0;
  int64_t now = 0;
  double elapsed = 0;
  unsigned int texMenuStart = 0;
  unsigned int texLoading = 0;
  unsigned int texMenuHighScores = 0;
  unsigned int texMenuExit = 0;
  unsigned int texMenuOptions = 0;  // Menue03.tga; the exit entry moved on to Menue04.tga
};

struct HighScoreScreen {
  bool active = false;
  bool inputReady = false;
  float textAdvance = 0;
  int64_t shownSince = 0;
  int64_t now = 0;
  double elapsed = 0;
  unsigned int texBackground = 0;
  unsigned int texFont = 0;
  unsigned int texPrompts = 0;  // the line under the table: type a name, or go back
  bool afterRace = false;       // shown after a race, not opened from the title
  int highlighted = -1;         // the entry Up and Down picked; -1 none yet

  void drawChar(char c);
  void drawString(std::string s);
};

// Over a paused race: the view dimmed and three entries.
enum PauseEntry { kPauseResume, kPauseRestart, kPauseGiveUp, kPauseEntryCount };
struct PauseMenu {
  bool active = false;
  int entry = kPauseResume;
  unsigned int texture = 0;  // Pause.tga
};
extern PauseMenu gPauseMenu;
void loadPauseMenuTexture();
void drawPauseMenu();

extern TitleScreen gTitle;
extern HighScoreScreen gHighScoreScreen;
extern int gTitleEntry;
extern const int gTitleEntryCount;
extern float gHighlightPhase;

void drawTitleScreen();
void drawHighScoreScreen();

// ---- Per process: the options screen (ui/options.cpp) ---------------------------------
// Pages of the screen: the list of pages, then display, sound and controls.
enum OptionsPage { kOptionsPages, kOptionsDisplay, kOptionsSound, kOptionsControls };
struct OptionsScreen {
  bool active = false;
  int page = kOptionsPages;
  int row = 0;
  int column = 0;              // the controls page: an action's first or second key
  bool waitingForKey = false;  // the row's action takes the next key pressed
  bool enterHeld = false;      // the Enter that started the wait is still down
  int swapAction = -1, swapSlot = -1;  // a key already used, offered to be swapped
  int swapEntry = -1;
  bool swapBothCases = false;
  std::string line;            // what the screen says: a refusal, a save, what applies when
  bool changed = false;        // the page changed something that is not saved yet
  unsigned int texBackground = 0;  // Optionen.tga
  unsigned int texFont = 0;        // Schrift.tga
  float glyphWidth[95] = {};       // characters 32 to 126, in texels, read from the font's ink
  int64_t shownSince = 0;
};
extern OptionsScreen gOptions;
void loadOptionsTextures();
void openOptions();
void drawOptionsScreen();
// The screen's keys, from the key callbacks; true when it took the key.
bool optionsKeyDown(unsigned char key);
bool optionsSpecialDown(int key);
// Text in the options screen's font (Schrift.tga, characters 32 to 126), for
// any screen: `text` with its top left at (x, top) in screen pixels, `height`
// pixels a cell, squeezed to `maxWidth` when longer (0: never). Leaves
// GL_TEXTURE_2D on.
void drawMenuText(const std::string& text, float x, float top, float height, float maxWidth);
float menuTextWidth(const std::string& text, float height);
// What a software renderer pays for a display: its fill against the game's own.
std::string softwareCostLine(int width, int height, int samples);
