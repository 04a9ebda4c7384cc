// A stand-in for the trackside cameras while their own branch is made.
#pragma once
#include <istream>
#include <vector>
#include "engine/NxPhysics.h"
struct CameraShot { NxVec3 eye; NxVec3 target; float fieldOfView = 50; };
struct TracksideCameras { std::vector<NxVec3> eyes; };
std::vector<NxVec3> readCentreLine(std::istream& in);
TracksideCameras placeTracksideCameras(const std::vector<NxVec3>& centreLine);
bool loadTracksideCameras(const char* path, TracksideCameras& out);
std::vector<int> followCar(const TracksideCameras& cameras, const std::vector<NxVec3>& carPerTick);
CameraShot tracksideShot(const TracksideCameras& cameras, int camera, const NxVec3& car);
CameraShot orbitShot(const NxVec3& car, float yawDegrees, float pitchDegrees, float distance);
