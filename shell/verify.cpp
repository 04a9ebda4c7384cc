// Races without a window: a recording driven again through the same race
// tick, with no GL, no sound and no display, to prove its time (--verify,
// --verify-table) and to make the ghost of a race that has no poses kept
// (--ghost, and the table's first entry whose ghost file is missing).
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "physics/physics.h"
#include "race/ghost.h"
#include "race/race.h"
#include "shell/game.h"
#include "ui/ui.h"

// ---- Per process -----------------------------------------------------------
bool gWindowlessRace = false;

namespace {

// The state a windowless drive leaves behind is put back, so the races the
// player drives afterwards start as they would have without it.
class KeptGameState {
 public:
  KeptGameState()
      : start_(carriedOverState()), result_(gCurrentResult), rank_(gHighScoreRank), recording_(gRaceRecording),
        raceGhost_(gRaceGhost), windowless_(gWindowlessRace), countdown_(gCountdownLength), titleEntry_(gTitleEntry),
        titleShown_(gTitle.active), tableShown_(gHighScoreScreen.active) {
    gWindowlessRace = true;
    gCountdownLength = kGameCountdown;  // every recording was driven with the game's
    // The track's gates belong to the start entry: a drive asked for from the
    // table, opened as the title's second entry, must count its laps too.
    gTitleEntry = kTitleStart;
  }
  ~KeptGameState() {
    restoreCarriedOver(start_);
    gCurrentResult = result_;
    gHighScoreRank = rank_;
    gRaceRecording = recording_;
    gRaceGhost = raceGhost_;
    gWindowlessRace = windowless_;
    gCountdownLength = countdown_;
    gTitleEntry = titleEntry_;
    // The screen the drive was asked from, the table included, shows again.
    gHighScoreScreen.active = tableShown_;
    gTitle.active = titleShown_;
    clearReplay();
    releasePhysicsWorld();
  }
  KeptGameState(const KeptGameState&) = delete;
  KeptGameState& operator=(const KeptGameState&) = delete;

 private:
  RecordedStart start_;
  HighScoreEntry result_;
  int rank_;
  RaceRecording recording_;
  Ghost raceGhost_;
  bool windowless_;
  float countdown_;
  int titleEntry_;
  bool titleShown_, tableShown_;
};

bool raceRuns() { return !gHighScoreScreen.active && !gTitle.active; }

void copySplits(const float (&from)[5][3], float (&to)[5][3]) {
  for (int lap = 0; lap < 5; ++lap)
    for (int c = 0; c < 3; ++c) to[lap][c] = from[lap][c];
}

bool sameTableTime(float a, float b) { return tableTime(a) == tableTime(b) && std::to_string(a) == std::to_string(b); }

}  // namespace

std::string tableTime(float seconds) {
  int glyphs[8];
  hudTimeGlyphs(seconds, glyphs);
  std::string text;
  for (int g : glyphs) text += g == kHudColonGlyph ? ':' : g >= 0 && g <= 9 ? static_cast<char>('0' + g) : '-';
  return text;
}

DrivenRecording driveRecording(const RaceRecording& recording) {
  DrivenRecording out;
  const KeptGameState kept;
  const auto began = std::chrono::steady_clock::now();
  if (gWorld.trackCollide.shapes.empty() && !loadWindowlessTrack()) {
    out.why = std::string("the track ") + kCollisionTrackFile + " cannot be read";
    return out;
  }
  if (!buildWindowlessRace()) {
    out.why = "the physics engine could not be started";
    return out;
  }
  out.why = whyRecordingDoesNotFit(recording);
  if (!out.why.empty()) return out;
  setReplay(recording);
  startRaceGhost();
  beginRaceRecording();
  // The recorded ticks, and the one after them that ends an Escaped race.
  while (raceRuns() && gRaceRecording.ticks.size() <= recording.ticks.size() && raceTick()) {
  }
  if (raceRuns()) endRaceRecording(RecordingEnd::Escape);  // a recording left open runs out here
  out.finished = gRaceFinished;
  out.totalTime = gCurrentResult.totalTime;
  copySplits(gCurrentResult.splits, out.splits);
  out.ticks = gRaceRecording.ticks.size();
  out.finalPoseHash = gRaceRecording.finalPoseHash;
  out.ghost = gRaceGhost;
  out.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  return out;
}

std::string verifyRecording(const RaceRecording& recording, DrivenRecording& driven) {
  driven = driveRecording(recording);
  if (!driven.why.empty()) return driven.why;
  if (driven.ticks != recording.ticks.size() || driven.finalPoseHash != recording.finalPoseHash) {
    char why[128];
    std::snprintf(why, sizeof why, "a final pose other than the file's (%016" PRIx64 " after %zu ticks, the file's %016" PRIx64 " after %zu)",
                  driven.finalPoseHash, driven.ticks, recording.finalPoseHash, recording.ticks.size());
    return why;
  }
  if (!driven.finished) return "unfinished: the race was left before its fifth lap";
  if (!sameTableTime(driven.totalTime, recording.totalTime))
    return "a total other than the file's (" + tableTime(driven.totalTime) + ", the file says " +
           tableTime(recording.totalTime) + ")";
  return "";
}

std::string resultLine(float total, const float (&splits)[5][3]) {
  std::string line = tableTime(total) + " splits";
  for (const auto& lap : splits)
    for (float t : lap) line += " " + tableTime(t);
  return line;
}

namespace {

int verifyFiles(int count, char** paths) {
  bool all = true;
  for (int i = 0; i < count; ++i) {
    RaceRecording recording;
    std::string why;
    DrivenRecording driven;
    if (loadRecordingFile(paths[i], recording, why)) why = verifyRecording(recording, driven);
    if (why.empty()) {
      std::printf("%s: %s verified (driven in %.2f s)\n", paths[i], resultLine(driven.totalTime, driven.splits).c_str(),
                  driven.seconds);
    } else {
      std::printf("%s: not verified: %s\n", paths[i], why.c_str());
      all = false;
    }
    std::fflush(stdout);
  }
  return all ? 0 : 1;
}

// Each entry of the player's table against the race kept for it.
int verifyTable() {
  readHighScores();
  bool all = true;
  int entries = 0;
  for (int i = 0; i < 10; ++i) {
    const HighScoreEntry& e = gHighScores[i];
    if (e.totalTime == 0) continue;
    ++entries;
    const std::string path = keptRacePath(e);
    RaceRecording recording;
    std::string why;
    DrivenRecording driven;
    if (platform::playerFileMissing(path.c_str())) {
      why = "no race kept for it (" + path + ")";
    } else if (loadRecordingFile(path.c_str(), recording, why)) {
      why = verifyRecording(recording, driven);
    }
    if (why.empty()) {
      for (int lap = 0; lap < 5 && why.empty(); ++lap)
        for (int c = 0; c < 3; ++c)
          if (!sameTableTime(driven.splits[lap][c], e.splits[lap][c])) why = "its splits are not its race's";
      if (!sameTableTime(driven.totalTime, e.totalTime)) why = "its time is not its race's";
    }
    std::printf("%d %s %s: %s\n", i + 1, e.name.empty() ? "(no name)" : e.name.c_str(),
                resultLine(e.totalTime, e.splits).c_str(), why.empty() ? "verified" : ("not verified: " + why).c_str());
    std::fflush(stdout);
    all = all && why.empty();
  }
  if (entries == 0) std::printf("%s holds no result\n", kHighScoreFile);
  return all ? 0 : 1;
}

}  // namespace

namespace {

// The fastest race in a folder, or the one file, that verifies.
bool rivalFrom(const std::string& path, Ghost& ghost, float (&splits)[5][3], std::string& said) {
  std::vector<std::string> files = platform::filesEndingIn(path.c_str(), ".rec");
  for (std::string& f : files) f = path + "/" + f;
  if (files.empty()) files.push_back(path);
  bool found = false;
  for (const std::string& f : files) {
    RaceRecording recording;
    std::string why;
    DrivenRecording driven;
    if (loadRecordingFile(f.c_str(), recording, why)) why = verifyRecording(recording, driven);
    if (!why.empty()) {
      std::printf("Ghost %s refused: %s\n", f.c_str(), why.c_str());
      std::fflush(stdout);
      continue;
    }
    if (found && !(driven.totalTime < ghost.totalTime)) continue;
    found = true;
    ghost = driven.ghost;
    copySplits(driven.splits, splits);
    said = f + " (" + tableTime(driven.totalTime) + ")";
  }
  return found;
}

}  // namespace

void prepareGhosts(const char* rivalPath) {
  if (rivalPath) {
    Ghost ghost;
    float splits[5][3] = {};
    std::string which;
    if (rivalFrom(rivalPath, ghost, splits, which)) {
      raceAgainst(ghost, splits);
      std::printf("The races run against the ghost of %s\n", which.c_str());
    } else {
      std::printf("No race of %s verified: the races run against the table's own ghost\n", rivalPath);
    }
    std::fflush(stdout);
  }
  // The first entry's ghost, made from its kept race when no ghost of it is kept.
  readHighScores();
  const HighScoreEntry& best = gHighScores[0];
  if (best.totalTime == 0 || ghostOfTheBestKnown()) return;
  RaceRecording recording;
  std::string why;
  if (platform::playerFileMissing(keptRacePath(best).c_str())) return;
  DrivenRecording driven;
  if (loadRecordingFile(keptRacePath(best).c_str(), recording, why)) why = verifyRecording(recording, driven);
  if (why.empty() && !sameTableTime(driven.totalTime, best.totalTime)) why = "its time is not the entry's";
  if (!why.empty()) {
    std::printf("The first entry's race does not make its ghost: %s\n", why.c_str());
  } else {
    driven.ghost.totalTime = best.totalTime;
    keepGhostOfTheBest(driven.ghost);
  }
  std::fflush(stdout);
}

int verifyMain(int argc, char** argv) {
  // A drive of its own: neither a recording asked for nor a replay from the environment.
  unsetenv("FIVELAPS_RECORD");
  unsetenv("FIVELAPS_REPLAY");
  if (argc >= 2 && std::string(argv[1]) == "--verify-table") return verifyTable();
  if (argc < 3) {
    std::printf("usage: %s --verify FILE.rec... | --verify-table\n", argv[0]);
    return 2;
  }
  return verifyFiles(argc - 2, argv + 2);
}
