// The ghost: the best race's car, tick by tick from the start signal to its
// finish, drawn translucent over the race being driven. Its file lives beside
// the high-score table and belongs to the table's first entry.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/NxPhysics.h"

// What draws the car and its wheels at one tick.
struct GhostPose {
  NxMat34 car;           // the body
  NxVec3 wheels[4];      // the wheel centres
  float steer = 0;       // front wheels, radians
  float spin[4] = {};    // degrees about each axle
};

struct Ghost {
  float totalTime = 0;            // the race it shows
  std::vector<GhostPose> poses;   // one a tick from the start signal on
};

// An hour of poses: no ghost of a real race comes near it.
constexpr std::size_t kMaxGhostTicks = 60 * 60 * 60;
// Bytes a pose takes in the file (a five-lap race is some 600 kB).
constexpr std::size_t kGhostPoseBytes = 54;

// The file keeps the body's position exactly and the rest to well below a
// pixel: rotation to 1/32767 of a quaternion component, wheel centres to
// 1/100 unit from the body, steering to 1/10000 radian, spin to 1/50 degree.
bool writeGhost(std::FILE* file, const Ghost& ghost);
// False, with a few words in `why`, for a file cut short, garbled, from
// another version, or too large.
bool readGhost(std::FILE* file, Ghost& ghost, std::string& why);
// A ghost belongs to a table whose best total reads as its own once both are
// written as the table writes times.
bool ghostBelongsTo(const Ghost& ghost, float tableBestTime);
// The pose `ticksSinceGo` ticks after the start signal: the first before it,
// the last after the ghost's finish; null for an empty ghost.
const GhostPose* ghostPoseAt(const Ghost& ghost, long ticksSinceGo);

// ---- Per process: the ghost file and the switch (F11) -------------------------
extern const char* const kGhostFile;  // "HighScore5.ghost"
extern int gShowGhost;                // 1 shown (the default), 0 hidden
extern float gGhostOpacity;

// ---- Per race: the ghost shown and the race's own poses ----------------------
extern Ghost gGhost;       // empty: no ghost in this race
extern Ghost gRaceGhost;   // the race being driven, kept until the table is saved

// Race set-up: reads the ghost file, shown when it belongs to the table.
void loadGhostForRace();
// Each tick: the car's pose from the start signal up to the finish.
void noteGhostPose();
// When the table has been saved with this race in first place.
void saveGhostOfBestRace();
// The ghost's pose at the current tick, or null when none is to be drawn.
const GhostPose* ghostPoseNow();
