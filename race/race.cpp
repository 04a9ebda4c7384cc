// Race set-up: the models and placement tables (first race of a run), a fresh
// physics world for every race, the race music and the reset race state.
#include "race/race.h"

#include "race/ghost.h"
#include "race/recording.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "audio/audio.h"
#include "physics/physics.h"
#include "platform/platform.h"
#include "render/render.h"
#include "shell/game.h"
#include "ui/ui.h"

// ---- Per process: scenery and start pose (loaded with the first race) ------
Scenery gWorld;
const char* const kCollisionTrackFile = "Data/Models/Track01_Collide.wrl";
std::vector<Placement> gPalmPlacements;
std::vector<Placement> gPalm2Placements;
std::vector<Placement> gBushPlacements;
std::vector<Placement> gHousePlacements;
float gStartX = 0;
float gStartZ = 0;
float gStartHeading = 0;

namespace {

constexpr float kDegreesToRadians = 0.017453292f;
constexpr int kLineBuffer = 255;

struct PlacementTable {
  const char* path;
  std::vector<Placement>* list;
};

// Read in this order; each table fills only its own list.
const PlacementTable kPlacementTables[] = {
    {"Data/Models/Palme01.txt", &gPalmPlacements},
    {"Data/Models/Palme201.txt", &gPalm2Placements},
    {"Data/Models/Busch01.txt", &gBushPlacements},
    {"Data/Models/Haus01.txt", &gHousePlacements},
};

// Reads one line of at most 254 characters; the rest of a longer line is
// skipped so that it can never pose as a line of its own.
bool readBoundedLine(std::FILE* file, char (&line)[kLineBuffer]) {
  if (!std::fgets(line, kLineBuffer, file)) return false;
  if (!std::strchr(line, '\n') && !std::feof(file)) {
    int c;
    while ((c = std::fgetc(file)) != EOF && c != '\n') {
    }
  }
  return true;
}

}  // namespace

void readPlacementStream(std::FILE* file, std::vector<Placement>& list) {
  // One record for the whole table: fields a line does not give keep the
  // values of the line before (zero before the first line).
  Placement p;
  char line[kLineBuffer];
  while (readBoundedLine(file, line)) {
    std::sscanf(line, "%f %f %f %f %f %f %f %f %f", &p.x, &p.y, &p.z, &p.spare1, &p.yaw, &p.spare2,
                &p.scaleX, &p.scaleY, &p.scaleZ);
    list.push_back(p);
    if (std::strstr(line, "EOF")) break;
  }
}

void readPlacementFile(const char* path) {
  for (const PlacementTable& table : kPlacementTables) {
    if (std::strcmp(path, table.path) != 0) continue;
    std::FILE* file = std::fopen(path, "rt");
    if (!file) return;  // a missing table leaves its list empty, silently
    readPlacementStream(file, *table.list);
    std::fclose(file);
    return;
  }
}

void Scenery::load(int titleEntry) {
  if (titleEntry != 0) return;  // the only track
  palm.load("Data/Models/Palme.wrl");
  palm2.load("Data/Models/Palme2.wrl");
  palmFar.load("Data/Models/Palme_Far.wrl");
  palm2Far.load("Data/Models/Palme2_Far.wrl");
  bush.load("Data/Models/Strauch.wrl");
  house.load("Data/Models/Haus.wrl");
  trackCollide.load(kCollisionTrackFile);
  track.load("Data/Models/Track01.wrl");
  for (const PlacementTable& table : kPlacementTables) readPlacementFile(table.path);
  placeStart();
}

void placeStart() {
  gStartX = -4210;
  gStartZ = 2035;
  gPrevCarPos = NxVec3(-4210, 0, 2035);
  gStartHeading = 140;
  gCarSpeed = 0;
}

bool loadWindowlessTrack() {
  std::ifstream file(kCollisionTrackFile);
  if (!file) return false;
  gWorld.trackCollide.fileName = kCollisionTrackFile;
  gWorld.trackCollide.scan(file);
  placeStart();
  return !gWorld.trackCollide.shapes.empty();
}

namespace {

void loadRaceModels() {
  gCarModel.load("Data/Models/Car.wrl");
  gWheelModel.load("Data/Models/Wheel.wrl");
  gWorld.load(gTitleEntry);
}

void startRaceMusic() {
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  playRaceMusic(std::rand() % 4);
}

void resetRaceState() {
  resetLapState();
  gHighScoreRank = 1;
  gClockFrozen = false;
  gCarModel.reflectionCubeMap = gEnvCubeTexture;
  gWheelModel.reflectionCubeMap = gEnvCubeTexture;
  gCameraDistance = 250;
  gCameraHeight = 50;
  gCameraSide = 0;
  gMaxSteerAngle = 3.1415927f / 6.0f;
  gCurrentResult.totalTime = 0;
  gCurrentResult.name.clear();
  gInfoMessage = 0;
  gSplitVisible = false;
  gTitle.active = false;
}

// The race clock counts ticks from here; the frame timer starts measuring the
// frames that will run them.
void startRaceTimers() {
  QueryPerformanceFrequency(&gRaceCounterFrequency);
  QueryPerformanceCounter(&gLastCounter);
  resetRaceTicks();
  gSinceRaceStart = 0;
  gRaceClock = -gCountdownLength;
}

}  // namespace

uint64_t trackChecksum() {
  uint64_t hash = kHashSeed;
  for (const Shape& s : gWorld.trackCollide.shapes) {
    hash = hashBytes(s.coordinates.data(), s.coordinates.size() * sizeof s.coordinates[0], hash);
    hash = hashBytes(s.indices.data(), s.indices.size() * sizeof s.indices[0], hash);
  }
  return hash;
}

bool buildWindowlessRace() {
  setUpPhysicsWorld();
  if (!gPhysicsScene || !gCarActor) return false;
  const float heading = gStartHeading * kDegreesToRadians;
  gCameraDir[0] = std::sin(heading);
  gCameraDir[1] = std::cos(heading);
  resetRaceState();
  gHighScoreScreen.active = false;
  startRaceTimers();
  return true;
}

void ensureRaceModelsLoaded() {
  if (gRaceModelsLoaded) return;
  // The track of the start entry, whichever entry of the title led here.
  gCarModel.load("Data/Models/Car.wrl");
  gWheelModel.load("Data/Models/Wheel.wrl");
  gWorld.load(kTitleStart);
  gRaceModelsLoaded = true;
}

void buildRace(RaceMusic music) {
  if (!gRaceModelsLoaded) loadRaceModels();
  setUpPhysicsWorld();
  if (!gPhysicsScene || !gCarActor) {
    std::printf("The physics engine could not be started: back to the title screen\n");
    std::fflush(stdout);
    gRaceModelsLoaded = true;  // loaded all the same: a second try must not read the tables twice
    returnToTitle();
    return;
  }
  const float heading = gStartHeading * kDegreesToRadians;
  gCameraDir[0] = std::sin(heading);
  gCameraDir[1] = std::cos(heading);
  gRaceModelsLoaded = false;
  if (music == RaceMusic::NewPiece) startRaceMusic();
  resetRaceState();
  startRaceTimers();
  loadGhostForRace();
  beginRaceRecording();
  startEngineSound();
  returnFreedMemory();  // the last race's world is gone: memory stays level race after race
  updateFrameTimer();  // no step requested yet: the first tick fetches nothing
}
