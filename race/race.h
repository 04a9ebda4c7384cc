// Race set-up and the placed scenery of the track.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "render/model.h"

// One line of a placement table: nine floats in file order.
struct Placement {
  float x = 0, y = 0, z = 0;
  float spare1 = 0;
  float yaw = 0;  // degrees about +y; used for second palms and houses
  float spare2 = 0;
  float scaleX = 0, scaleY = 0, scaleZ = 0;
};

// A palm's far version lies within this many units (at scale 1) of the palm
// everywhere, as the content tests hold the generator to; a view draws it
// instead of the palm where that difference spans at most kFarVersionPixels.
constexpr float kFarVersionError = 16.0f;
constexpr float kFarVersionPixels = 1.0f;

// The track and the placed scenery drawn around it.
class Scenery {
 public:
  Model house;        // Data/Models/Haus.wrl
  Model palm;         // Data/Models/Palme.wrl
  Model palm2;        // Data/Models/Palme2.wrl
  // The palms where they cover only a few pixels (Data/Models/Palme_Far.wrl and
  // Palme2_Far.wrl). A missing or empty file leaves the full palm everywhere.
  Model palmFar;
  Model palm2Far;
  Model bush;         // Data/Models/Strauch.wrl
  Model trackCollide; // Data/Models/Track01_Collide.wrl, never drawn
  Model track;        // Data/Models/Track01.wrl
  float cullCentre[3] = {0, 0, 0};
  std::vector<int> trackOrder;  // the track shapes the current view draws
  std::vector<const Placement*> visiblePlacements;  // of the kind being drawn, full detail
  std::vector<const Placement*> farPlacements;      // of the kind being drawn, far version
  std::vector<int> shapeOrder;                      // of the kind being drawn

  void load(int titleEntry);
  // The track, then the placed objects; the main view draws the sky between.
  void draw(bool keepMultisample);
  void drawTrack(bool keepMultisample);
  void drawPlaced(bool keepMultisample);
};

// ---- Per process: scenery and start pose (loaded with the first race) ------
extern Scenery gWorld;
extern std::vector<Placement> gPalmPlacements;
extern std::vector<Placement> gPalm2Placements;
extern std::vector<Placement> gBushPlacements;
extern std::vector<Placement> gHousePlacements;
extern float gStartX;
extern float gStartZ;
extern float gStartHeading;

// ---- A race without a window: what a tick needs, parsed, nothing uploaded ----
extern const char* const kCollisionTrackFile;
// The start pose and the speed measurement's first position.
void placeStart();
// The collision track alone, scanned from its file with no GL, and the start;
// false when it cannot be read.
bool loadWindowlessTrack();
// A fresh world and race state as a race start has them, without music,
// sound, models to draw, the ghost or the recording; false without an engine.
bool buildWindowlessRace();

// The models a race draws, loaded once for the session (by the first race,
// or by the replay viewer when a race is watched first).
void ensureRaceModelsLoaded();
// A restarted race keeps the piece that is playing; any other starts one of its own.
enum class RaceMusic { NewPiece, KeepPlaying };
void buildRace(RaceMusic music = RaceMusic::NewPiece);
// The driving surface as a checksum: a recording drives the same race, and a
// ghost shows a race of this track, only on the same surface.
uint64_t trackChecksum();
// Reads one table into the list that belongs to that file name.
void readPlacementFile(const char* path);
// Reads a table from an open stream into `list`, by the table's line rules.
void readPlacementStream(std::FILE* file, std::vector<Placement>& list);
