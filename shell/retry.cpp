// Trying again at once: a restart in one key, a pause between two ticks, and
// racing again straight from the table. None of it is a tick's input: what a
// race records is the same whether it was paused or not.
#include <GL/freeglut.h>

#include "audio/audio.h"
#include "physics/physics.h"
#include "platform/platform.h"
#include "race/race.h"
#include "shell/game.h"
#include "ui/ui.h"

// ---- Per race: retries ------------------------------------------------------
PauseMenu gPauseMenu;

namespace {

bool gRestartRequested = false;
bool gRaceFromTable = false;  // asked for on the table however it was opened (a rival chosen)
bool gWindowAway = false;  // freeglut said the window went out of sight

// The music plays on under the pause menu, quieter (scaled like the full volume).
constexpr int kPausedMusicVolume = 96;

bool driving() { return !gTitle.active && !gHighScoreScreen.active && gPhysicsScene && gCarActor; }

// The screen after a race, with no name to type: the way back to the title
// or straight into the next race.
bool tableAfterRace() { return gHighScoreScreen.active && gHighScoreScreen.afterRace && !nameOwed(); }

// Drops the race being driven as Escape does (its recording ends given up,
// nothing enters the table) and builds the next one with the music going on.
void restartRace() {
  gPauseMenu.active = false;
  setMusicVolume(FSOUND_MAX_VOLUME);
  FSOUND_StopSound(kEngineChannel);
  endRaceRecording(RecordingEnd::Escape);
  gRaceModelsLoaded = true;
  buildRace(RaceMusic::KeepPlaying);
}

// The table is saved as the way back to the title saves it, then the next race
// starts with music of its own.
void raceAgainFromTable() {
  saveNamedResult();
  gHighScoreScreen.active = false;
  gTitle.loadPending = true;  // as a race started from the title has it
  buildRace(RaceMusic::NewPiece);
}

}  // namespace

bool restartRequested() { return gRestartRequested; }

bool requestRestart() {
  if (!driving() && !tableAfterRace()) return false;
  gRestartRequested = true;
  return true;
}

bool saveNameAndRaceAgain() {
  if (!gHighScoreScreen.active || !gHighScoreScreen.afterRace || !nameOwed() || gCurrentResult.name.empty())
    return false;
  gRestartRequested = true;
  return true;
}

bool requestRaceFromTable() {
  if (!gHighScoreScreen.active || nameOwed()) return false;
  gRestartRequested = gRaceFromTable = true;
  return true;
}

void carryOutRestart() {
  if (!gRestartRequested) return;
  const bool fromTable = gRaceFromTable;
  gRestartRequested = gRaceFromTable = false;
  if (driving())
    restartRace();
  else if (gHighScoreScreen.active && (gHighScoreScreen.afterRace || fromTable))
    raceAgainFromTable();
}

bool racePaused() { return gPauseMenu.active; }

void pauseRace() {
  if (gPauseMenu.active || !driving()) return;
  gPauseMenu.active = true;
  gPauseMenu.entry = 0;
  FSOUND_StopSound(kEngineChannel);
  setMusicVolume(kPausedMusicVolume);
}

void resumeRace() {
  if (!gPauseMenu.active) return;
  gPauseMenu.active = false;
  setMusicVolume(FSOUND_MAX_VOLUME);
  startEngineSound();
  // The pause is no race time: the next frame measures from here, and runs
  // on from the very tick the pause stopped at.
  gTickAccumulator = 0;
  updateFrameTimer();
}

void togglePause() {
  if (gPauseMenu.active)
    resumeRace();
  else
    pauseRace();
}

void choosePauseEntry() {
  switch (gPauseMenu.entry) {
    case kPauseResume: resumeRace(); break;
    case kPauseRestart: gRestartRequested = true; break;
    default:
      gPauseMenu.active = false;
      setMusicVolume(FSOUND_MAX_VOLUME);
      enterHighScores(false);  // given up, as Escape in the race gives it up
      break;
  }
}

void movePauseHighlight(int step) {
  gPauseMenu.entry = ((gPauseMenu.entry + step) % kPauseEntryCount + kPauseEntryCount) % kPauseEntryCount;
}

void onWindowStatus(int state) {
  if (state == GLUT_HIDDEN || state == GLUT_FULLY_COVERED) gWindowAway = true;
}

void pauseWhenWindowWentAway() {
  const bool lostFocus = platform::windowLostFocus();
  const bool away = gWindowAway || lostFocus;
  gWindowAway = false;
  if (away && driving()) pauseRace();
}
