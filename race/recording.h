// A race as a file: what the world starts from and the keys of every tick.
// Replayed through the same ticks, it drives the same race whatever the
// drawing rate. Reading and writing are plain text and need no game state.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/platform.h"

// The driving keys a tick reads, one bit each, in this order.
constexpr int kRecordedKeys[] = {100, 101, 102, 103, 32, 114, 82, 99, 67};
constexpr int kRecordedKeyCount = sizeof kRecordedKeys / sizeof kRecordedKeys[0];
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

struct RaceRecording {
  RecordedEngine engine;
  RecordedStart start;
  std::vector<uint16_t> keys;  // one mask per tick
  RecordingEnd end = RecordingEnd::Open;
  float totalTime = 0;         // the result, 0 when the race was not finished
  uint64_t finalPoseHash = 0;  // poseHash after the last tick
};

// The key mask of a key table (gKeys layout).
uint16_t keyMask(const unsigned char keys[256]);
// Writes the whole recording; false when the stream failed.
bool writeRecording(std::FILE* file, const RaceRecording& recording);
// Reads a recording; on failure `why` says in a few words what was wrong
// (cut short, garbled, another version, too long) and `recording` is unusable.
bool readRecording(std::FILE* file, RaceRecording& recording, std::string& why);
// Saves to `path` through a temporary file beside it, renamed over it.
platform::SaveResult saveRecordingFile(const char* path, const RaceRecording& recording);
bool loadRecordingFile(const char* path, RaceRecording& recording, std::string& why);

// FNV-1a over a run of bytes (the bit patterns of floats), continuing from `hash`.
constexpr uint64_t kHashSeed = 14695981039346656037ull;
uint64_t hashBytes(const void* data, std::size_t size, uint64_t hash = kHashSeed);
