// A race as a file: what the world starts from and what every tick read from
// the keys and the pad.
// Replayed through the same ticks, it drives the same race whatever the
// drawing rate. Reading and writing are plain text and need no game state.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/platform.h"

// ---- What a tick reads ---------------------------------------------------------
// The driving actions, one bit each in this order; keys and pad buttons set
// them alike. The camera's bit is set on the tick that takes a press.
enum DriveAction { kSteerLeft, kAccelerate, kSteerRight, kReverse, kHandbrake, kLift, kCamera, kDriveActionCount };
constexpr uint16_t driveBit(DriveAction action) { return static_cast<uint16_t>(1u << action); }
// A pad's stick or trigger as the tick used it: a share of its travel in
// thousandths, so that a replay uses exactly the values the race did.
constexpr int kAnalogSteps = 1000;

struct TickInput {
  uint16_t keys = 0;     // the DriveAction bits
  int16_t steer = 0;     // -kAnalogSteps (full right) to kAnalogSteps (full left)
  int16_t throttle = 0;  // 0 to kAnalogSteps
  int16_t brake = 0;     // 0 to kAnalogSteps: brakes, then reverses
  bool operator==(const TickInput& o) const {
    return keys == o.keys && steer == o.steer && throttle == o.throttle && brake == o.brake;
  }
};

// A first-version recording kept a bit for each of the key entries Left, Up,
// Right, Down, Space, r, R, c and C: the actions they stood for.
uint16_t actionsOfFirstVersionKeys(unsigned mask);
// An hour of racing: more is no race anybody drove.
constexpr std::size_t kMaxRecordedTicks = 60 * 60 * 60;

struct RecordedEngine {
  float step = 0;        // length of each tick's step request
  unsigned subSteps = 0; // most sub-steps per request
  float gravity[3] = {0, 0, 0};
  float skinWidth = 0;
  bool operator==(const RecordedEngine& o) const;
};

// Where the race starts: the track and the state a race carries over from the
// race before it (the control law's memory, the speed filter, the last gate).
struct RecordedStart {
  uint64_t trackChecksum = 0;
  float startX = 0, startZ = 0, heading = 0;
  float motorTorque = 0, brakeTorque = 0, steerAngle = 0;
  float carSpeed = 0, prevCarSpeed = 0, lastMeasuredSpeed = 0;
  float prevCarPos[3] = {0, 0, 0};
  float wheelSpin[4] = {0, 0, 0, 0};
  int lastTrigger = 0;
  int touchedBodies = 0;
};

// The ground a race is driven on, as the box around its collision surface.
struct TrackBounds {
  float min[3] = {0, 0, 0}, max[3] = {0, 0, 0};
};

// False, with the value and its bound in `why`, for a start that no race on
// this track can leave: torques, steering, speeds and positions beyond what
// the car and the ground allow, a gate that is none, a counter out of range.
bool startIsReachable(const RecordedStart& start, const TrackBounds& track, std::string& why);

enum class RecordingEnd { Open, Escape, Finish };

// The version a recording is written in. From the third on, a trigger part
// way brakes a car rolling the other way by its travel; before, in full.
constexpr int kRecordingVersion = 3;
constexpr bool brakesByTravel(int recordingVersion) { return recordingVersion >= 3; }

struct RaceRecording {
  RecordedEngine engine;
  RecordedStart start;
  std::vector<TickInput> ticks;  // what each tick read
  RecordingEnd end = RecordingEnd::Open;
  float totalTime = 0;         // the result, 0 when the race was not finished
  uint64_t finalPoseHash = 0;  // poseHash after the last tick
  int version = kRecordingVersion;  // the file's: which rules its ticks were driven by
  // What the race depends on beyond the game's own code: the rigid-body
  // library's version (0 in files from before it was named).
  unsigned rigidBodyLibrary = 0;
};

// Writes the whole recording; false when the stream failed.
bool writeRecording(std::FILE* file, const RaceRecording& recording);
// Reads a recording; on failure `why` says in a few words what was wrong
// (cut short, garbled, another version, too long, a pad value out of range)
// and `recording` is unusable. First-version files read as well.
bool readRecording(std::FILE* file, RaceRecording& recording, std::string& why);
// Saves to `path` through a temporary file beside it, renamed over it.
platform::SaveResult saveRecordingFile(const char* path, const RaceRecording& recording);
bool loadRecordingFile(const char* path, RaceRecording& recording, std::string& why);

// FNV-1a over a run of bytes (the bit patterns of floats), continuing from `hash`.
constexpr uint64_t kHashSeed = 14695981039346656037ull;
uint64_t hashBytes(const void* data, std::size_t size, uint64_t hash = kHashSeed);
