// The ghost: the best race's car, tick by tick from the start signal to its
// finish, drawn translucent over the race being driven. Its file lives beside
// the high-score table and belongs to the table's first entry.
#pragma once

#include <cstddef>
#include <cstdint>
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
  // The track it was driven on (trackChecksum); not known for a ghost saved
  // before the game kept it, which is shown as before.
  bool trackKnown = false;
  uint64_t trackChecksum = 0;
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
// another version, or too large. The track is kept on the total line, where
// a ghost file written before it was kept has none.
bool readGhost(std::FILE* file, Ghost& ghost, std::string& why);
// A ghost belongs to a table whose best total reads as its own once both are
// written as the table writes times.
bool ghostBelongsTo(const Ghost& ghost, float tableBestTime);
// The pose `ticksSinceGo` ticks after the start signal: the first before it,
// the last after the ghost's finish; null for an empty ghost.
const GhostPose* ghostPoseAt(const Ghost& ghost, long ticksSinceGo);

// ---- The gap: how far ahead of the ghost the car is ---------------------------
// The ghost's race cut at its fifteen gate crossings, from the table's splits
// (the ghost is the first entry's race): stretch s runs from crossing s - 1
// (the start signal for s = 0) to crossing s. Where the car is along the
// track is looked for on the stretch its own lap progress puts it on, so a
// crossing of the track, a shortcut or a spin never matches another lap.
struct GhostStretches {
  bool known = false;      // the splits fit the poses; else the ghost is one stretch
  long crossing[15] = {};  // the pose index of each crossing
};
constexpr int kRaceStretches = 15;
GhostStretches ghostStretches(const Ghost& ghost, const float splits[5][3]);
// The pose index noted in the tick that counted a crossing at race clock `clock`.
long crossingPoseIndex(float clock);
// The stretch a car is on from its lap progress; kRaceStretches once finished.
int raceStretch(int lap, bool checkpoint1Passed, bool checkpoint2Passed);
// Where on `stretch` the ghost's path passes nearest to `position`, as a
// fractional pose index; of equally near places the one nearest `nearIndex`.
double ghostIndexNear(const Ghost& ghost, const GhostStretches& stretches, int stretch, const NxVec3& position,
                      double nearIndex);

// How much of the ghost to draw (0 to 1) with its body at `ghost`: nothing
// within 1.5 car lengths of the car or of the line the camera sees it along,
// all of it beyond 3 lengths, smoothly between; so it never covers the car
// and never fills the screen passing the camera.
float ghostVisibility(const NxVec3& ghost, const NxVec3& car, const NxVec3& eye, float carLength);

// ---- Per process: the ghost file and the switch (F11) -------------------------
extern const char* const kGhostFile;  // "HighScore5.ghost"
extern int gShowGhost;                // 1 shown (the default), 0 hidden
extern float gGhostOpacity;

// ---- Per race: the ghost shown and the race's own poses ----------------------
extern Ghost gGhost;       // empty: no ghost in this race
extern Ghost gRaceGhost;   // the race being driven, kept until the table is saved
extern bool gGhostGapKnown;  // from the start signal on, while a ghost runs
extern float gGhostGap;      // seconds ahead of the ghost; negative: behind

// Race set-up: reads the ghost file, shown when it belongs to the table.
void loadGhostForRace();
// The race ghost's recording starts afresh (loadGhostForRace does it too).
void startRaceGhost();
// The next races of the session run against this ghost and its splits.
void raceAgainst(const Ghost& ghost, const float splits[5][3]);
// The ghost of the table's first entry, made from its kept race: kept for the
// session and in the ghost file.
void keepGhostOfTheBest(const Ghost& ghost);
// True when the session or the ghost file already has the first entry's
// ghost, or the ghost file is there but not the game's to replace.
bool ghostOfTheBestKnown();
// Each tick: the car's pose from the start signal up to the finish.
void noteGhostPose();
// Each tick, after the laps and the clock: the gap, how long ago the ghost
// was where the car is now; it stands from the finish on.
void updateGhostGap();
// When the table has been saved with this race in first place.
void saveGhostOfBestRace();
// The ghost's pose at the current tick, or null when none is to be drawn:
// none before the start signal, none while F11 hides it.
const GhostPose* ghostPoseNow();
// Whether the HUD shows the gap (a ghost runs and F11 shows it).
bool ghostGapShown();
