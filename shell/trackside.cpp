// A stand-in for the trackside cameras while their own branch is made.
#include "shell/trackside.h"
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
std::vector<NxVec3> readCentreLine(std::istream& in) {
  std::vector<NxVec3> p; std::string l;
  while (std::getline(in, l)) { std::istringstream s(l); float x, y, z; if (s >> x >> y >> z) p.emplace_back(x, y, z); }
  return p;
}
TracksideCameras placeTracksideCameras(const std::vector<NxVec3>& c) {
  TracksideCameras t;
  for (std::size_t i = 0; i + 1 < c.size(); i += 60) {
    NxVec3 d = c[i + 1] - c[i]; d.y = 0; d.normalize();
    t.eyes.emplace_back(c[i].x + d.z * 400, c[i].y + 200, c[i].z - d.x * 400);
  }
  return t;
}
bool loadTracksideCameras(const char* path, TracksideCameras& out) {
  std::ifstream f(path); if (!f) return false; out = placeTracksideCameras(readCentreLine(f)); return !out.eyes.empty();
}
std::vector<int> followCar(const TracksideCameras& cams, const std::vector<NxVec3>& car) {
  std::vector<int> r;
  for (const NxVec3& p : car) { int best = 0; for (std::size_t i = 0; i < cams.eyes.size(); ++i) if (cams.eyes[i].distance(p) < cams.eyes[best].distance(p)) best = int(i); r.push_back(best); }
  return r;
}
CameraShot tracksideShot(const TracksideCameras& cams, int camera, const NxVec3& car) {
  CameraShot s; s.eye = cams.eyes[camera]; s.target = car; s.fieldOfView = 30; return s;
}
CameraShot orbitShot(const NxVec3& car, float yaw, float pitch, float distance) {
  const float y = yaw * 0.0174533f, p = pitch * 0.0174533f;
  CameraShot s; s.target = car;
  s.eye = NxVec3(car.x + std::sin(y) * std::cos(p) * distance, car.y + std::sin(p) * distance, car.z + std::cos(y) * std::cos(p) * distance);
  return s;
}
