// The replay viewer's cameras: cameras standing beside the track, the one of
// them that follows the car through a whole kept race, and the shots they and
// an orbit around the car give. Plain arithmetic on points, no GL: the viewer
// turns a shot into gluPerspective and gluLookAt.
#pragma once

#include <array>
#include <iosfwd>
#include <vector>

#include "engine/NxPhysics.h"

struct Shape;

// An eye looking at a point, and how wide it looks (vertical degrees).
struct CameraShot {
  NxVec3 eye;
  NxVec3 target;
  float fieldOfView = 50;
};

struct TracksideCameras {
  std::vector<NxVec3> eyes;
};

// The road's centre in driving order, "x y z" a line with y the road's
// height. Lines that do not start with three finite numbers of a sane size are
// skipped; a file longer than any track is read only as far as a track goes.
std::vector<NxVec3> readCentreLine(std::istream& in);

// Cameras round the closed line, one about every 2000 units of the lap, on
// the outside of the bends, raised well above the road. Too few points, or a
// line too short to be a lap, gives none.
TracksideCameras placeTracksideCameras(const std::vector<NxVec3>& centreLine);
// Reads the centre line file and places the cameras; false (and no cameras)
// when the file is missing or gives none.
bool loadTracksideCameras(const char* path, TracksideCameras& out);

// The collision surface's triangles on a coarse grid, to tell whether the
// ground stands between an eye and the car.
class TerrainSight {
 public:
  // Index triples that name no coordinate are left out.
  void addTriangles(const std::vector<std::array<float, 3>>& coordinates, const std::vector<int>& indices);
  void addShapes(const std::vector<Shape>& shapes);
  // Sorts the triangles into the grid; call once after adding them.
  void build();
  bool empty() const { return triangles_.empty(); }
  // True when no triangle crosses the segment from `eye` to `car`; the last
  // stretch before the car is not tested, so the road under the car does not
  // hide it.
  bool clear(const NxVec3& eye, const NxVec3& car) const;

 private:
  struct Triangle {
    NxVec3 a, edge1, edge2;
  };
  bool crosses(const Triangle& t, const NxVec3& from, const NxVec3& along, float reach) const;
  std::vector<Triangle> triangles_;
  std::vector<int> cellStart_;  // cellsX_ * cellsZ_ + 1 offsets into cellTriangles_
  std::vector<int> cellTriangles_;
  std::vector<int> wide_;  // triangles too wide for the grid
  float minX_ = 0, minZ_ = 0, cell_ = 1;
  int cellsX_ = 0, cellsZ_ = 0;
};

// For every tick's car position, the camera that shows it: the nearest one
// ahead of or beside the car, held for at least a second unless it loses the
// car (too near, too far, or, with `sight`, behind the ground), and never
// handed back to the camera it just left within that second while another
// sees the car. A pure function of its arguments: a seek in the viewer
// finds the same camera a straight run did. -1 for every tick without cameras.
std::vector<int> followCar(const TracksideCameras& cameras, const std::vector<NxVec3>& carPerTick,
                           const TerrainSight* sight = nullptr);

// Camera `camera` looking at the car, zoomed so the car keeps about the same
// size on screen (12 to 50 degrees). A camera that is not in the list gives
// the orbit shot from behind and above.
CameraShot tracksideShot(const TracksideCameras& cameras, int camera, const NxVec3& car);
// Around the car: yaw 0 looks from -z towards +z, pitch raises the eye; the
// pitch is kept between just above the car's own height and short of straight
// down (where the view's up would be lost), the distance between 170 and 4000.
CameraShot orbitShot(const NxVec3& car, float yawDegrees, float pitchDegrees, float distance);
// The sphere lies wholly inside the shot's view frustum (near 5, far 40000,
// aspect width over height).
bool shotSees(const CameraShot& shot, float aspect, const NxVec3& centre, float radius);
