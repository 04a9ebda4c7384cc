// Every race is recorded tick by tick: its start and what each tick read from
// the keys and the pad. A replay gives the ticks of a race what the recording
// says they read, so the same ticks give the same race at any drawing rate.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "physics/physics.h"
#include "race/race.h"
#include "shell/game.h"
#include "ui/ui.h"

// ---- Per race: recording and replay -----------------------------------------
RaceRecording gRaceRecording;
std::string gRecordPath;

namespace {

constexpr unsigned char kEscape = 27;

RaceRecording gReplay;
std::string gReplayName;        // for its messages
bool gReplayLoaded = false;     // the next races replay gReplay
bool gReplayDriving = false;    // this race is driven by it
std::size_t gReplayTick = 0;
bool gRecordingOpen = false;    // the race being driven is being recorded

bool racing() { return !gTitle.active && !gHighScoreScreen.active && !racePaused() && !restartRequested(); }

// The recording path and the replay come from the environment, read with the first race.
void readEnvironment() {
  static bool read = false;
  if (read) return;
  read = true;
  if (const char* path = std::getenv("FIVELAPS_RECORD"); path && *path && gRecordPath.empty()) gRecordPath = path;
  if (const char* path = std::getenv("FIVELAPS_REPLAY"); path && *path && !gReplayLoaded) loadReplay(path);
}

RecordedEngine currentEngine() {
  RecordedEngine e;
  if (!gPhysicsScene) return e;
  NxTimeStepMethod method;
  NxU32 subSteps = 0;
  gPhysicsScene->getTiming(e.step, subSteps, method);
  e.subSteps = subSteps;
  NxVec3 g;
  gPhysicsScene->getGravity(g);
  e.gravity[0] = g.x;
  e.gravity[1] = g.y;
  e.gravity[2] = g.z;
  if (gPhysicsSdk) e.skinWidth = gPhysicsSdk->getParameter(NX_SKIN_WIDTH);
  return e;
}

RecordedStart currentStart() {
  RecordedStart s;
  s.trackChecksum = trackChecksum();
  s.startX = gStartX;
  s.startZ = gStartZ;
  s.heading = gStartHeading;
  s.motorTorque = gMotorTorque;
  s.brakeTorque = gBrakeTorque;
  s.steerAngle = gSteerAngle;
  s.carSpeed = gCarSpeed;
  s.prevCarSpeed = gPrevCarSpeed;
  s.lastMeasuredSpeed = gLastMeasuredSpeed;
  s.prevCarPos[0] = gPrevCarPos.x;
  s.prevCarPos[1] = gPrevCarPos.y;
  s.prevCarPos[2] = gPrevCarPos.z;
  for (int i = 0; i < 4; ++i) s.wheelSpin[i] = gWheelSpin[i];
  s.lastTrigger = gLastTrigger;
  s.touchedBodies = gNbTouchedBodies;
  return s;
}

// What the recorded race carried over from the race before it.
void restoreStart(const RecordedStart& s) {
  gMotorTorque = s.motorTorque;
  gBrakeTorque = s.brakeTorque;
  gSteerAngle = s.steerAngle;
  gCarSpeed = s.carSpeed;
  gPrevCarSpeed = s.prevCarSpeed;
  gLastMeasuredSpeed = s.lastMeasuredSpeed;
  gPrevCarPos = NxVec3(s.prevCarPos[0], s.prevCarPos[1], s.prevCarPos[2]);
  for (int i = 0; i < 4; ++i) gWheelSpin[i] = s.wheelSpin[i];
  gLastTrigger = s.lastTrigger;
  gNbTouchedBodies = s.touchedBodies;
}

// The box around the collision surface the race is driven on.
TrackBounds trackBounds() {
  TrackBounds box;
  bool any = false;
  for (const Shape& s : gWorld.trackCollide.shapes)
    for (const std::array<float, 3>& p : s.coordinates) {
      for (int i = 0; i < 3; ++i) {
        box.min[i] = any ? std::min(box.min[i], p[i]) : p[i];
        box.max[i] = any ? std::max(box.max[i], p[i]) : p[i];
      }
      any = true;
    }
  return box;
}

}  // namespace

RecordedStart carriedOverState() { return currentStart(); }
void restoreCarriedOver(const RecordedStart& start) { restoreStart(start); }

std::string whyRecordingDoesNotFit(const RaceRecording& recording) {
  if (!(recording.engine == currentEngine())) return "recorded with other engine settings";
  const unsigned library = NxRigidBodyLibraryVersion();
  if (recording.rigidBodyLibrary != 0 && recording.rigidBodyLibrary != library)
    return "recorded with another rigid-body library (Bullet " + std::to_string(recording.rigidBodyLibrary) +
           ", this game has " + std::to_string(library) + ")";
  const RecordedStart& s = recording.start;
  if (s.trackChecksum != trackChecksum() || s.startX != gStartX || s.startZ != gStartZ || s.heading != gStartHeading)
    return "recorded on another track";
  std::string why;
  if (!startIsReachable(s, trackBounds(), why)) return why;
  return "";
}

namespace {

void refuseReplay(const char* why) {
  std::printf("Replay %s refused: %s\n", gReplayName.c_str(), why);
  std::fflush(stdout);
  clearReplay();
}

// The replay's race must start where the recorded one did.
bool replayFitsThisRace() {
  const std::string why = whyRecordingDoesNotFit(gReplay);
  if (why.empty()) return true;
  refuseReplay(why.c_str());
  return false;
}

// The replay drives through gTickInput alone, which every tick sets afresh:
// however a replay ends, the title and the next race find nothing of it held.
void stopReplayDriving() { gReplayDriving = false; }

// The recorded ticks are used up: an Escape that ended the recorded race ends
// this one at the same tick; otherwise the keyboard drives on.
bool replayRunsOut() {
  stopReplayDriving();
  if (gReplay.end == RecordingEnd::Escape) {
    onKeyDown(kEscape, 0, 0);
    return false;
  }
  return true;
}

void reportReplayOutcome() {
  const bool same = gRaceRecording.ticks.size() == gReplay.ticks.size() &&
                    gRaceRecording.finalPoseHash == gReplay.finalPoseHash &&
                    gRaceRecording.totalTime == gReplay.totalTime && gRaceRecording.end == gReplay.end;
  std::printf("Replay %s: %s (%zu ticks, total %.3f s)\n", gReplayName.c_str(),
              same ? "the recorded race again" : "a different race than recorded", gRaceRecording.ticks.size(),
              static_cast<double>(gRaceRecording.totalTime));
  std::fflush(stdout);
}

void saveRecording() {
  if (gRecordPath.empty()) return;
  switch (saveRecordingFile(gRecordPath.c_str(), gRaceRecording).outcome) {
    case platform::SaveResult::Saved: return;
    case platform::SaveResult::ReadOnly:
      std::printf("Race recording not saved: %s is read-only\n", gRecordPath.c_str());
      break;
    case platform::SaveResult::Unreadable:
      std::printf("Race recording not saved: %s could not be read, the old one is kept\n", gRecordPath.c_str());
      break;
    case platform::SaveResult::OtherOwner:
      std::printf("Race recording not saved: %s belongs to another user\n", gRecordPath.c_str());
      break;
    case platform::SaveResult::Failed: std::printf("Race recording not saved to %s\n", gRecordPath.c_str()); break;
  }
  std::fflush(stdout);
}

}  // namespace

bool loadReplay(const char* path) {
  RaceRecording recording;
  std::string why;
  gReplayName = path;
  if (!loadRecordingFile(path, recording, why)) {
    refuseReplay(why.c_str());
    return false;
  }
  setReplay(recording);
  return true;
}

void setReplay(const RaceRecording& recording) {
  gReplay = recording;
  gReplayLoaded = true;
  if (gReplayName.empty()) gReplayName = "(given)";
}

void clearReplay() {
  gReplayLoaded = false;
  stopReplayDriving();
  gReplay = RaceRecording();
}

bool replayDriving() { return gReplayDriving; }

void beginRaceRecording() {
  readEnvironment();
  gReplayDriving = false;
  if (gReplayLoaded && replayFitsThisRace()) {
    restoreStart(gReplay.start);
    gReplayDriving = true;
    gReplayTick = 0;
  }
  gBrakeByTravel = !gReplayDriving || brakesByTravel(gReplay.version);
  gRaceRecording = RaceRecording();
  gRaceRecording.version = gReplayDriving ? gReplay.version : kRecordingVersion;
  gRaceRecording.rigidBodyLibrary = NxRigidBodyLibraryVersion();
  gRaceRecording.engine = currentEngine();
  gRaceRecording.start = currentStart();
  gRaceRecording.ticks.reserve(60 * 60 * 4);
  gRecordingOpen = true;
}

bool takeTickKeys() {
  if (gReplayDriving && gReplayTick >= gReplay.ticks.size() && !replayRunsOut()) return false;
  if (gBeforeRaceTick) gBeforeRaceTick();
  // Read while a replay drives too: the pad's Back leaves it as Escape does.
  const TickInput player = takePlayerInput();
  if (!racing()) return false;  // the hook or the pad left the race with Escape
  gTickInput = gReplayDriving ? gReplay.ticks[gReplayTick++] : player;
  if (gRecordingOpen && gRaceRecording.ticks.size() < kMaxRecordedTicks) gRaceRecording.ticks.push_back(gTickInput);
  return true;
}

void endRaceRecording(RecordingEnd end) {
  if (!gRecordingOpen) return;  // Escape on the high-score screen enters it again
  gRecordingOpen = false;
  gRaceRecording.end = end;
  gRaceRecording.totalTime = gCurrentResult.totalTime;
  gRaceRecording.finalPoseHash = poseHash();
  if ((gReplayDriving || gReplayTick > 0) && !gWindowlessRace) reportReplayOutcome();
  stopReplayDriving();
  gReplayTick = 0;
  saveRecording();
}

uint64_t poseHash() {
  static_assert(sizeof(NxMat34) == 12 * sizeof(float), "a pose is twelve floats");
  uint64_t hash = hashBytes(&gCarPose, sizeof gCarPose);
  return hashBytes(gWheelPoses, sizeof gWheelPoses, hash);
}
