// The table of the ten best results: its file, the ranking of a new result,
// name entry and the high-score screen.
#include <GL/glew.h>

#include <cctype>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "audio/audio.h"
#include "platform/platform.h"
#include "race/ghost.h"
#include "shell/game.h"
#include "ui/draw2d.h"
#include "ui/ranking.h"
#include "ui/ui.h"

// ---- Per process: the table and the result being named ---------------------
HighScoreEntry gHighScores[10];
HighScoreEntry gCurrentResult;
int gHighScoreRank = 1;
const char* const kHighScoreFile = "HighScore5.hs";
const char* const kKeptRacesFolder = "HighScore5.races";
HighScoreScreen gHighScoreScreen;
float gHighlightPhase = 0;
// The result a new one pushed out of the table: its kept race goes with it.
HighScoreEntry gLeftTheTable;
// Whether an entry has its race kept beside the table: asked of the disk once
// for each entry the screen shows, and again after the table is saved.
std::vector<std::pair<std::string, bool>> gKeptRaceSeen;

namespace {

constexpr int kTableSize = 10;
constexpr std::size_t kMaxLineLength = 254;
constexpr int kNumbersPerLine = 16;
// Ten lines of a name and sixteen numbers written with %f: under 800
// characters each even at a float's largest, some 8 kB in all. Nothing a
// table needs lies beyond this.
constexpr std::size_t kHighScoreFileLimit = 64 * 1024;

// Reads one line of at most 254 characters, without its newline; the rest of
// a longer line is skipped, so that it never turns into an entry of its own.
// A NUL byte is kept as a character of its line: it never hides the newline
// after it, which would take the next entry's line with it.
bool readBoundedLine(std::FILE* file, std::string& line) {
  line.clear();
  int c = std::getc(file);
  if (c == EOF) return false;
  for (; c != EOF && c != '\n'; c = std::getc(file))
    if (line.size() < kMaxLineLength) line += static_cast<char>(c);
  return true;
}

bool isBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0 || c == '\0'; }

// A line is the name and sixteen numbers. A nameless entry is written with
// its line starting with a blank: that is read as an empty name, not as a
// name made of the first number. Numbers the line does not give keep the
// entry's previous values. A NUL separates like a blank: a name is saved as
// text, and a NUL in it would cut the saved name short.
void parseHighScoreLine(std::string line, HighScoreEntry& entry) {
  for (char& c : line)
    if (c == '\0') c = ' ';
  const char* p = line.c_str();
  std::string name;
  while (!isBlank(*p)) {
    if (name.size() < kStoredNameLength) name += *p;
    ++p;
  }
  entry.name = name;
  float v[kNumbersPerLine];
  const int n = std::sscanf(p, "%f %f %f %f %f %f %f %f %f %f %f %f %f %f %f %f", &v[0], &v[1], &v[2],
                            &v[3], &v[4], &v[5], &v[6], &v[7], &v[8], &v[9], &v[10], &v[11], &v[12],
                            &v[13], &v[14], &v[15]);
  for (int i = 0; i < n; ++i) {
    if (i == 0) {
      entry.totalTime = v[0];
    } else {
      entry.splits[(i - 1) / 3][(i - 1) % 3] = v[i];
    }
  }
}

std::string formatHighScoreLine(const HighScoreEntry& e) {
  const char* format = "%s %f %f %f %f %f %f %f %f %f %f %f %f %f %f %f %f\n";
  auto print = [&](char* out, std::size_t size) {
    const float(&s)[5][3] = e.splits;
    return std::snprintf(out, size, format, e.name.c_str(), e.totalTime, s[0][0], s[0][1], s[0][2], s[1][0],
                         s[1][1], s[1][2], s[2][0], s[2][1], s[2][2], s[3][0], s[3][1], s[3][2], s[4][0],
                         s[4][1], s[4][2]);
  };
  const int length = print(nullptr, 0);
  if (length <= 0) return "\n";
  std::string line(static_cast<std::size_t>(length) + 1, '\0');
  print(line.data(), line.size());
  line.resize(static_cast<std::size_t>(length));
  return line;
}

}  // namespace

std::string keptRacePath(const HighScoreEntry& entry) {
  std::string line = formatHighScoreLine(entry);
  line.pop_back();
  char name[32];
  std::snprintf(name, sizeof name, "/%016" PRIx64 ".rec", hashBytes(line.data(), line.size()));
  return kKeptRacesFolder + std::string(name);
}

namespace {

void sayNotKept(const char* why) {
  std::printf("The race of %s's %s is not kept beside the table: %s\n", gCurrentResult.name.c_str(),
              tableTime(gCurrentResult.totalTime).c_str(), why);
}

// After the table is saved: the new result's race beside it, and the race of
// the result it pushed out removed, when it is the one the game kept for it.
void keepRaceOfNewResult() {
  if (gHighScoreRank < 1 || gHighScoreRank > kTableSize || gCurrentResult.totalTime == 0) return;
  if (gRaceRecording.ticks.empty() || gRaceRecording.totalTime != gCurrentResult.totalTime) return;
  if (!platform::makeFolder(kKeptRacesFolder)) return sayNotKept("its folder cannot be made");
  switch (saveRecordingFile(keptRacePath(gCurrentResult).c_str(), gRaceRecording).outcome) {
    case platform::SaveResult::Saved: break;
    case platform::SaveResult::ReadOnly: sayNotKept("a file of that name is read-only"); break;
    case platform::SaveResult::Unreadable: sayNotKept("a file of that name could not be read"); break;
    case platform::SaveResult::OtherOwner: sayNotKept("a file of that name belongs to another user"); break;
    case platform::SaveResult::Failed: sayNotKept("it could not be saved"); break;
  }
  if (gLeftTheTable.totalTime == 0) return;
  const std::string gone = keptRacePath(gLeftTheTable);
  for (const HighScoreEntry& e : gHighScores)
    if (keptRacePath(e) == gone) return;  // the same result is still in the table
  RaceRecording kept;
  std::string why;
  // Only the race the game kept for that result: the same time, read as a race.
  if (loadRecordingFile(gone.c_str(), kept, why) && tableTime(kept.totalTime) == tableTime(gLeftTheTable.totalTime))
    platform::removeOwnFile(gone.c_str());
}

}  // namespace

void readHighScoreStream(std::FILE* file, HighScoreEntry table[10]) {
  std::string line;
  for (int i = 0; i < kTableSize && readBoundedLine(file, line); ++i) parseHighScoreLine(line, table[i]);
}

void readHighScores() {
  // Whatever cannot be read, the table keeps what it holds.
  const platform::PlayerFile file = platform::readPlayerFile(kHighScoreFile, kHighScoreFileLimit);
  switch (file.outcome) {
    case platform::PlayerFile::Read: break;
    case platform::PlayerFile::Missing: return;
    case platform::PlayerFile::NotAFile:
      std::printf("The high-score table %s is not a plain file: not read\n", kHighScoreFile);
      std::fflush(stdout);
      return;
    case platform::PlayerFile::Unreadable:
      std::printf("The high-score table %s could not be read\n", kHighScoreFile);
      std::fflush(stdout);
      return;
  }
  readHighScoreStream(file.stream, gHighScores);
  std::fclose(file.stream);
  putInTableOrder(gHighScores, gHighScores + kTableSize);  // an edited file may have any order
}

// The new table replaces the old one only once it is safely on disk: a crash
// or a full disk leaves the old table.
platform::SaveResult writeHighScoreFile(const char* path, const HighScoreEntry table[10]) {
  return platform::replaceFile(path, [table](std::FILE* file) {
    for (int i = 0; i < kTableSize; ++i)
      if (std::fputs(formatHighScoreLine(table[i]).c_str(), file) < 0) return false;
    return true;
  });
}

void writeHighScores() {
  for (const HighScoreEntry& e : gHighScores) {
    std::string line = formatHighScoreLine(e);
    line.pop_back();
    std::printf("%s\n", line.c_str());
  }
  switch (writeHighScoreFile(kHighScoreFile, gHighScores).outcome) {
    case platform::SaveResult::Saved:  // the ghost and the race only with their table, never ahead of it
      saveGhostOfBestRace();
      keepRaceOfNewResult();
      gKeptRaceSeen.clear();
      break;
    case platform::SaveResult::ReadOnly:
      std::printf("The high-score table %s is read-only: not saved, the old one is kept\n", kHighScoreFile);
      break;
    case platform::SaveResult::Unreadable:
      std::printf("The high-score table %s could not be read: not saved, the old one is kept\n", kHighScoreFile);
      break;
    case platform::SaveResult::OtherOwner:
      std::printf("The high-score table %s belongs to another user: not saved, the old one is kept\n",
                  kHighScoreFile);
      break;
    case platform::SaveResult::Failed:
      std::printf("The high-score table could not be saved; the old one is kept\n");
      break;
  }
  std::fflush(stdout);
}

int rankFor(const HighScoreEntry table[10], float totalTime) {
  return rankAmong(table, table + kTableSize, totalTime);
}

void rankNewResult() { gHighScoreRank = rankFor(gHighScores, gCurrentResult.totalTime); }

// Opens the place; the screen fills it from the current result every frame.
void insertNewResult() {
  const int first = gHighScoreRank < 1 ? 1 : gHighScoreRank;
  gLeftTheTable = gHighScores[kTableSize - 1];
  for (int i = kTableSize - 1; i >= first; --i) gHighScores[i] = gHighScores[i - 1];
}

// ---- Name entry ---------------------------------------------------------------------

bool appendNameLetter(std::string& name, unsigned char letter) {
  const bool isLetter = (letter >= 'a' && letter <= 'z') || (letter >= 'A' && letter <= 'Z');
  if (!isLetter) return false;
  if (name.size() >= kMaxNameLength) return false;
  // Names are lower case, except that a capital M is kept.
  name += letter == 'M' ? 'M' : static_cast<char>(std::tolower(letter));
  return true;
}

void typeNameLetter(unsigned char letter) {
  if (appendNameLetter(gCurrentResult.name, letter)) playTypeClick();
}

void eraseNameLetter() {
  playTypeClick();
  if (!gCurrentResult.name.empty()) gCurrentResult.name.pop_back();
}

std::string pickNameLetter(std::string name, int step) {
  if (name.empty()) return step > 0 ? "a" : "z";
  const int letter = std::tolower(static_cast<unsigned char>(name.back())) - 'a';
  const int from = letter >= 0 && letter < 26 ? letter : 0;
  name.back() = static_cast<char>('a' + ((from + step) % 26 + 26) % 26);
  return name;
}

void turnNameLetter(int step) {
  playTypeClick();
  gCurrentResult.name = pickNameLetter(gCurrentResult.name, step);
}

// ---- The screen ------------------------------------------------------------------------

namespace {

float fw(int v) { return static_cast<float>(v); }

bool namingNewResult() { return gCurrentResult.totalTime != 0 && gHighScoreRank >= 1 && gHighScoreRank <= 10; }

// Draws a time and brings the origin back to the start of the row.
void drawTableTime(float t, int w) {
  drawHudTime(t);
  glTranslatef(fw(-(w * 6 / 10) - 6 * (w / 32) - 2 * (w * 23 / 1536)), 0, 0);
}

bool raceKeptFor(const HighScoreEntry& e) {
  const std::string path = keptRacePath(e);
  for (const auto& seen : gKeptRaceSeen)
    if (seen.first == path) return seen.second;
  if (gKeptRaceSeen.size() > 64) gKeptRaceSeen.clear();
  gKeptRaceSeen.emplace_back(path, !platform::playerFileMissing(path.c_str()));
  return gKeptRaceSeen.back().second;
}

// A small "play" triangle after the time (the picture numbers the places
// before the names): this result's race can be watched.
void drawKeptMark(int w, int h) {
  const float size = fw(h / 40), x = fw(w * 83 / 100), y = fw(h / 96);
  glDisable(GL_TEXTURE_2D);
  glColor4f(1, 0.75f, 0.2f, 1);
  glBegin(GL_TRIANGLES);
  glVertex3f(x, y, 0);
  glVertex3f(x + size * 0.9f, y + size / 2, 0);
  glVertex3f(x, y + size, 0);
  glEnd();
  glEnable(GL_TEXTURE_2D);
  glColor4f(1, 1, 1, 1);
}

// The row Up and Down picked, behind its name and time.
void drawHighlightBar(int w, int h) {
  ui2d::filledQuad(-fw(w / 24), -fw(h / 100), fw(w * 86 / 100), fw(h / 24 + h / 100), 0.2f, 0.45f, 1, 0.35f);
  glColor4f(1, 1, 1, 1);
}

void drawRow(int i, int w, int h) {
  HighScoreScreen& s = gHighScoreScreen;
  if (i == s.highlighted && !namingNewResult() && gHighScores[i].totalTime != 0) drawHighlightBar(w, h);
  if (gHighScores[i].totalTime != 0 && raceKeptFor(gHighScores[i])) drawKeptMark(w, h);
  if (i == gHighScoreRank - 1 && gCurrentResult.totalTime != 0) {
    const float pulse = std::sin(gHighlightPhase / 2);  // a pulsing orange
    glColor4f((pulse + 1) / 2, (pulse + 1) / 4, 0, 1);
  }
  s.textAdvance = 0;
  glBindTexture(GL_TEXTURE_2D, s.texFont);
  s.drawString(gHighScores[i].name);
  glTranslatef(fw(w * 6 / 10), 0, 0);
  glBindTexture(GL_TEXTURE_2D, gTexNumbers);
  drawTableTime(gHighScores[i].totalTime, w);
  glTranslatef(0, fw(-h / 18), 0);
  glColor4f(1, 1, 1, 1);
}

// ---- HighScorePrompts.tga, 512 x 64: the line under the table --------------
struct PromptRows {
  int first, last;
};
constexpr PromptRows kTypeNamePrompt{33, 62}, kBackPrompt{1, 30};

// The keys of the table's races, or why the last one asked for could not be had.
void drawRaceKeys(int w, int h) {
  bool any = false;
  for (const HighScoreEntry& e : gHighScores) any = any || e.totalTime != 0;
  if (!any) return;
  glLoadIdentity();
  const float height = fw(h / 30), top = fw(h * 21 / 200);
  if (gTableLine.empty()) {
    glColor4f(0.9f, 0.9f, 0.9f, 1);
    drawMenuText("Up/Down choose    Space watch its race    G race its ghost    (pad: X watch, Y race)", fw(w / 10),
                 top, height, fw(w * 8 / 10));
  } else {
    glColor4f(1, 0.6f, 0.2f, 1);
    drawMenuText(gTableLine, fw(w / 10), top, height, fw(w * 8 / 10));
  }
  glColor4f(1, 1, 1, 1);
}

// Only a new result takes a name; opened from the title, or after a race left
// with Esc, the screen offers the way back instead.
void drawPrompt(int w, int h) {
  const PromptRows& rows = namingNewResult() ? kTypeNamePrompt : kBackPrompt;
  if (!namingNewResult()) drawRaceKeys(w, h);
  glLoadIdentity();
  glBindTexture(GL_TEXTURE_2D, gHighScoreScreen.texPrompts);
  const ui2d::TexRect rect{gridTexCoord(0, 512), gridTexCoord(rows.first, 64), gridTexCoord(511, 512),
                           gridTexCoord(rows.last, 64)};
  ui2d::quad(fw(w / 4), fw(h / 26), fw(w * 3 / 4), fw(h / 13), rect);
}

}  // namespace

void drawHighScoreScreen() {
  HighScoreScreen& s = gHighScoreScreen;
  const int w = gScreenWidth, h = gScreenHeight;
  glEnable(GL_TEXTURE_2D);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  QueryPerformanceCounter(&s.now);
  s.elapsed = static_cast<double>(s.now - s.shownSince) / static_cast<double>(gPerfFrequency);
  ui2d::pushScreenSpace(w, h);
  if (s.elapsed > 2.0) {
    s.inputReady = true;
  } else {
    const float level = static_cast<float>(s.elapsed / 2);
    glColor4f(level, level, level, 1);  // fade in from black
  }
  glBindTexture(GL_TEXTURE_2D, s.texBackground);
  // Drawn over whatever the back buffer holds: the picture covers it.
  ui2d::wholeQuad(0, 0, fw(w), fw(h));
  gHighlightPhase += 1;
  if (gHighlightPhase > 720) gHighlightPhase -= 720;
  glTranslatef(fw(w / 10), fw(h * 3 / 4), 0);
  glTranslatef(0, fw(-h / 20), 0);
  // Every frame, so that the name shows as it is typed.
  if (namingNewResult()) gHighScores[gHighScoreRank - 1] = gCurrentResult;
  for (int i = 0; i < kTableSize; ++i) drawRow(i, w, h);
  drawIdealRace(w, h);
  drawPrompt(w, h);
  ui2d::popScreenSpace();
}
