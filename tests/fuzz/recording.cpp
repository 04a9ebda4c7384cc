// Race recordings over arbitrary bytes: whatever a file holds, reading it
// never crashes, a recording it accepts writes back and reads again the same,
// and a start the replay accepts drives a real race world for a few hundred
// ticks without the car, its speed or the camera turning into no number.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_input.h"
#include "physics/physics.h"
#include "race/ghost.h"
#include "race/race.h"
#include "race/recording.h"
#include "shell/game.h"
#include "tests/physics/car_harness.h"
#include "ui/ui.h"

namespace {

constexpr std::size_t kTicksDriven = 300;

bool finite(const NxVec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// A hilly ground some kilometres across, the car on it at the origin: built
// once, each accepted start is then driven in a fresh world on it.
void makeGround() {
  static bool made = false;
  if (made) return;
  made = true;
  harness::makeTerrain(gWorld.trackCollide, 6000, 12, [](float x, float z) {
    return 150 * std::sin(x / 700) * std::cos(z / 900) - 150;
  });
  gTitleEntry = 1;  // no gates: the carried-over gate values still reach the lap rules
  gStartX = gStartZ = 0;
  gStartHeading = 30;
  gCountdownLength = 0;  // the keys act from the first tick
  if (!std::freopen("/dev/null", "w", stdout)) std::abort();  // each replay reports its outcome
}

// The recording as this world's replay: its engine and start pose are this
// world's, so only the carried-over start values decide whether it is taken.
void driveInARealWorld(RaceRecording recording) {
  makeGround();
  gTitle.active = gHighScoreScreen.active = false;
  setUpPhysicsWorld();
  fuzz::require(gPhysicsScene && gCarActor, "the world is built");
  resetRaceTicks();
  gRaceClock = 0;
  loadGhostForRace();  // none on file here: this race's own poses start afresh
  clearReplay();
  beginRaceRecording();  // what this race starts from, as a recording has it
  const RaceRecording here = gRaceRecording;
  recording.engine = here.engine;
  recording.start.trackChecksum = here.start.trackChecksum;
  recording.start.startX = here.start.startX;
  recording.start.startZ = here.start.startZ;
  recording.start.heading = here.start.heading;
  if (recording.ticks.size() > kTicksDriven) recording.ticks.resize(kTicksDriven);
  recording.end = RecordingEnd::Open;  // the keyboard drives on: no Escape out of the world
  setReplay(recording);
  beginRaceRecording();
  for (std::size_t tick = 0; tick < kTicksDriven; ++tick) {
    fuzz::require(raceTick(), "a replayed tick runs");
    fuzz::require(finite(gCarPose.t) && finite(gCarPose.M.getColumn(2)), "the car stays a pose");
    fuzz::require(std::isfinite(gCarSpeed) && std::isfinite(gMotorTorque) && std::isfinite(gSteerAngle),
                  "speed and controls stay numbers");
    fuzz::require(std::isfinite(gCameraPos[0]) && std::isfinite(gCameraPos[1]) && std::isfinite(gCameraPos[2]),
                  "the camera stays a place");
  }
  endRaceRecording(RecordingEnd::Escape);
  clearReplay();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  RaceRecording recording;
  std::string why;
  bool accepted = false;
  {
    fuzz::ByteFile file(data, size);
    accepted = readRecording(file.get(), recording, why);
  }
  fuzz::require(accepted == why.empty(), "a refusal gives its reason, an acceptance none");
  if (!accepted) return 0;
  fuzz::require(recording.ticks.size() <= kMaxRecordedTicks, "no more ticks than an hour");
  std::FILE* f = std::tmpfile();
  fuzz::require(f && writeRecording(f, recording), "an accepted recording can be written");
  std::rewind(f);
  RaceRecording back;
  fuzz::require(readRecording(f, back, why), "a written recording reads back");
  std::fclose(f);
  fuzz::require(back.ticks == recording.ticks && back.finalPoseHash == recording.finalPoseHash &&
                    std::memcmp(&back.start, &recording.start, sizeof back.start) == 0,
                "it reads back the same");
  driveInARealWorld(recording);
  return 0;
}
