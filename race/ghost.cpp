// The ghost's file and its life in a race: recorded from the race being
// driven, saved with a table that got a new best, shown in the next races.
#include "race/ghost.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "physics/laps.h"
#include "physics/physics.h"
#include "platform/platform.h"
#include "race/race.h"
#include "shell/game.h"
#include "ui/ui.h"

// ---- Per process: the ghost file and the switch --------------------------------
const char* const kGhostFile = "HighScore5.ghost";
int gShowGhost = 1;
float gGhostOpacity = 0.4f;

// ---- Per race: the ghost shown and the race's own poses ------------------------
Ghost gGhost;
Ghost gRaceGhost;
bool gGhostGapKnown = false;
float gGhostGap = 0;

namespace {

constexpr const char* kVersionLine = "FiveLaps ghost 1\n";
constexpr const char* kVersionPrefix = "FiveLaps ghost ";
constexpr float kUnit = 32767.0f;     // quaternion components
constexpr float kWheelScale = 100.0f; // wheel centres from the body, per unit
constexpr float kSteerScale = 10000.0f;
constexpr float kSpinScale = 50.0f;
bool gRaceGhostClosed = false;
GhostStretches gGhostStretches;  // the shown ghost's, per race
bool gGhostGapFinal = false;     // the car has finished: the gap stands
// The best race of this session, whatever became of its file: the next race
// shows it even where the ghost file could not be written.
Ghost gSessionBest;
// A race of anyone's that the session races against instead of the table's best.
Ghost gRivalGhost;
float gRivalSplits[5][3] = {};
// The car and the ghost cross a gate on lines a little apart, so the place of
// the car's crossing lies a tick or two off the ghost's own: the search looks
// this far beyond each end of a stretch.
constexpr long kStretchMargin = 60;
// The header's lines (each read into 128 characters) and an hour of poses,
// and one byte more, so that whatever follows the most poses a ghost can
// have is still seen and refused.
constexpr std::size_t kGhostFileLimit = 3 * 128 + kMaxGhostTicks * kGhostPoseBytes + 1;

// ---- Little-endian packing --------------------------------------------------------

void putFloat(unsigned char*& p, float v) {
  uint32_t bits = 0;
  std::memcpy(&bits, &v, sizeof bits);
  for (int i = 0; i < 4; ++i) *p++ = static_cast<unsigned char>(bits >> (8 * i));
}

void putShort(unsigned char*& p, float v) {
  const long n = std::lround(std::fmax(-32767.0f, std::fmin(32767.0f, v)));
  const uint16_t bits = static_cast<uint16_t>(static_cast<int16_t>(n));
  *p++ = static_cast<unsigned char>(bits);
  *p++ = static_cast<unsigned char>(bits >> 8);
}

float getFloat(const unsigned char*& p) {
  uint32_t bits = 0;
  for (int i = 0; i < 4; ++i) bits |= static_cast<uint32_t>(*p++) << (8 * i);
  float v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

float getShort(const unsigned char*& p) {
  const uint16_t bits = static_cast<uint16_t>(p[0] | (p[1] << 8));
  p += 2;
  return static_cast<float>(static_cast<int16_t>(bits));
}

void encode(const GhostPose& pose, unsigned char (&out)[kGhostPoseBytes]) {
  unsigned char* p = out;
  const NxVec3& c = pose.car.t;
  putFloat(p, c.x);
  putFloat(p, c.y);
  putFloat(p, c.z);
  NxQuat q;
  pose.car.M.toQuat(q);
  const float sign = q.w < 0 ? -1.0f : 1.0f;  // q and -q turn alike
  for (float v : {q.x, q.y, q.z, q.w}) putShort(p, v * sign * kUnit);
  for (const NxVec3& w : pose.wheels) {
    putShort(p, (w.x - c.x) * kWheelScale);
    putShort(p, (w.y - c.y) * kWheelScale);
    putShort(p, (w.z - c.z) * kWheelScale);
  }
  putShort(p, pose.steer * kSteerScale);
  for (float s : pose.spin) putShort(p, std::fmod(s, 360.0f) * kSpinScale);
}

bool decode(const unsigned char (&in)[kGhostPoseBytes], GhostPose& pose) {
  const unsigned char* p = in;
  NxVec3& c = pose.car.t;
  c.x = getFloat(p);
  c.y = getFloat(p);
  c.z = getFloat(p);
  if (!std::isfinite(c.x) || !std::isfinite(c.y) || !std::isfinite(c.z)) return false;
  NxQuat q;
  q.x = getShort(p) / kUnit;
  q.y = getShort(p) / kUnit;
  q.z = getShort(p) / kUnit;
  q.w = getShort(p) / kUnit;
  const float length = std::sqrt(q.dot(q));
  if (length < 0.5f) return false;  // no rotation at all: not a pose
  q.x /= length, q.y /= length, q.z /= length, q.w /= length;
  pose.car.M.fromQuat(q);
  for (NxVec3& w : pose.wheels) {
    w.x = c.x + getShort(p) / kWheelScale;
    w.y = c.y + getShort(p) / kWheelScale;
    w.z = c.z + getShort(p) / kWheelScale;
  }
  pose.steer = getShort(p) / kSteerScale;
  for (float& s : pose.spin) s = getShort(p) / kSpinScale;
  return true;
}

// The rest of the total line: nothing in a file from before the track was
// kept, else the track's checksum.
bool readTrack(const char* rest, Ghost& ghost) {
  if (std::strncmp(rest, " track ", 7) != 0) return true;
  unsigned long long checksum = 0;
  int used = 0;
  if (std::sscanf(rest, " track %16llx%n", &checksum, &used) != 1 || rest[used] != '\n') return false;
  ghost.trackKnown = true;
  ghost.trackChecksum = checksum;
  return true;
}

bool readHeader(std::FILE* file, Ghost& ghost, unsigned long& ticks, std::string& why) {
  char line[128];
  if (!std::fgets(line, sizeof line, file)) {
    why = "empty";
    return false;
  }
  if (std::strcmp(line, kVersionLine) != 0) {
    why = std::strncmp(line, kVersionPrefix, std::strlen(kVersionPrefix)) == 0 ? "from another version of the game"
                                                                                : "not a ghost";
    return false;
  }
  int used = 0;
  if (!std::fgets(line, sizeof line, file) || !std::strchr(line, '\n') ||
      std::sscanf(line, "total %f ticks %lu%n", &ghost.totalTime, &ticks, &used) != 2 ||
      !std::isfinite(ghost.totalTime)) {
    why = "garbled (no total line)";
    return false;
  }
  if (!readTrack(line + used, ghost)) {
    why = "garbled (track)";
    return false;
  }
  if (ticks > kMaxGhostTicks) {
    why = "too large (over an hour of poses)";
    return false;
  }
  return true;
}

bool drivenHere(const Ghost& ghost) { return !ghost.trackKnown || ghost.trackChecksum == trackChecksum(); }

// The race's ticks since the start signal (the clock's 0).
long ticksSinceGo() { return static_cast<long>(gRaceTicks - std::lround(gCountdownLength / kTickSeconds)); }

}  // namespace

bool writeGhost(std::FILE* file, const Ghost& ghost) {
  std::fputs(kVersionLine, file);
  std::fprintf(file, "total %a ticks %zu", ghost.totalTime, ghost.poses.size());
  if (ghost.trackKnown) std::fprintf(file, " track %016" PRIx64, ghost.trackChecksum);
  std::fputc('\n', file);
  unsigned char record[kGhostPoseBytes];
  for (const GhostPose& pose : ghost.poses) {
    encode(pose, record);
    if (std::fwrite(record, 1, sizeof record, file) != sizeof record) return false;
  }
  return !std::ferror(file);
}

bool readGhost(std::FILE* file, Ghost& ghost, std::string& why) {
  why.clear();
  ghost = Ghost();
  unsigned long ticks = 0;
  if (!readHeader(file, ghost, ticks, why)) return false;
  // Pose by pose: a header that promises more than the file holds costs nothing.
  unsigned char record[kGhostPoseBytes];
  for (unsigned long i = 0; i < ticks; ++i) {
    if (std::fread(record, 1, sizeof record, file) != sizeof record) {
      why = "cut short";
      return false;
    }
    GhostPose pose;
    if (!decode(record, pose)) {
      why = "garbled (a pose that is none)";
      return false;
    }
    ghost.poses.push_back(pose);
  }
  if (std::fgetc(file) != EOF) {
    why = "garbled (more than its poses)";
    return false;
  }
  return true;
}

bool ghostBelongsTo(const Ghost& ghost, float tableBestTime) {
  char own[64], table[64];
  std::snprintf(own, sizeof own, "%f", ghost.totalTime);
  std::snprintf(table, sizeof table, "%f", tableBestTime);
  return ghost.totalTime > 0 && std::strcmp(own, table) == 0;
}

const GhostPose* ghostPoseAt(const Ghost& ghost, long ticksSinceGo) {
  if (ghost.poses.empty()) return nullptr;
  if (ticksSinceGo < 0) ticksSinceGo = 0;
  const std::size_t i = static_cast<std::size_t>(ticksSinceGo);
  return &ghost.poses[i < ghost.poses.size() ? i : ghost.poses.size() - 1];
}

long crossingPoseIndex(float clock) { return std::lround(static_cast<double>(clock) * 60.0) + 1; }

GhostStretches ghostStretches(const Ghost& ghost, const float splits[5][3]) {
  GhostStretches s;
  const long last = static_cast<long>(ghost.poses.size()) - 1;
  long before = 0;
  for (int k = 0; k < kRaceStretches; ++k) {
    const float clock = splits[k / 3][k % 3];
    if (!(clock > 0 && clock < 1e6f)) return GhostStretches();
    s.crossing[k] = crossingPoseIndex(clock);
    if (s.crossing[k] <= before || s.crossing[k] > last) return GhostStretches();
    before = s.crossing[k];
  }
  s.known = s.crossing[kRaceStretches - 1] == last;
  return s;
}

int raceStretch(int lap, bool checkpoint1Passed, bool checkpoint2Passed) {
  if (lap > kRaceLaps) return kRaceStretches;
  return 3 * (lap - 1) + (checkpoint2Passed ? 2 : checkpoint1Passed ? 1 : 0);
}

double ghostIndexNear(const Ghost& ghost, const GhostStretches& stretches, int stretch, const NxVec3& position,
                      double nearIndex) {
  const long last = static_cast<long>(ghost.poses.size()) - 1;
  if (last < 0) return 0;
  long first = 0, end = last;
  if (stretches.known && stretch >= 0 && stretch < kRaceStretches) {
    first = std::max(0L, (stretch == 0 ? 0 : stretches.crossing[stretch - 1]) - kStretchMargin);
    end = std::min(last, stretches.crossing[stretch] + kStretchMargin);
  }
  double best = first, bestDistance = -1;
  auto consider = [&](double index, double distance) {
    const bool nearer = bestDistance < 0 || distance < bestDistance;
    const bool tieCloser = distance == bestDistance && std::fabs(index - nearIndex) < std::fabs(best - nearIndex);
    if (nearer || tieCloser) {
      best = index;
      bestDistance = distance;
    }
  };
  const double px = position.x, py = position.y, pz = position.z;
  for (long j = first; j <= end; ++j) {
    const NxVec3& a = ghost.poses[static_cast<std::size_t>(j)].car.t;
    const double ax = px - a.x, ay = py - a.y, az = pz - a.z;
    consider(static_cast<double>(j), ax * ax + ay * ay + az * az);  // the pose itself
    if (j == end) break;
    // Between this pose and the next: the nearest point of the straight piece.
    const NxVec3& b = ghost.poses[static_cast<std::size_t>(j + 1)].car.t;
    const double dx = double(b.x) - a.x, dy = double(b.y) - a.y, dz = double(b.z) - a.z;
    const double length2 = dx * dx + dy * dy + dz * dz;
    if (length2 <= 0) continue;
    const double u = (ax * dx + ay * dy + az * dz) / length2;
    if (u <= 0 || u >= 1) continue;  // the poses themselves are nearer
    const double ex = ax - u * dx, ey = ay - u * dy, ez = az - u * dz;
    consider(static_cast<double>(j) + u, ex * ex + ey * ey + ez * ez);
  }
  return best;
}

float ghostVisibility(const NxVec3& ghost, const NxVec3& car, const NxVec3& eye, float carLength) {
  // The nearest point to the ghost on the line from the car to the eye.
  const NxVec3 sight = eye - car;
  const float length2 = sight.dot(sight);
  float u = length2 > 0 ? (ghost - car).dot(sight) / length2 : 0;
  u = std::fmax(0.0f, std::fmin(1.0f, u));
  const float distance = ghost.distance(car + sight * u);
  const float x = (distance - 1.5f * carLength) / (1.5f * carLength);
  if (!(x > 0)) return 0;
  if (x >= 1) return 1;
  return x * x * (3 - 2 * x);
}

void startRaceGhost() {
  gGhost = Ghost();
  gRaceGhost = Ghost();
  gRaceGhostClosed = false;
  gGhostGapKnown = false;
  gGhostGapFinal = false;
  gGhostGap = 0;
  gGhostStretches = GhostStretches();
  gRaceGhost.trackKnown = true;
  gRaceGhost.trackChecksum = trackChecksum();
}

void raceAgainst(const Ghost& ghost, const float splits[5][3]) {
  gRivalGhost = ghost;
  for (int lap = 0; lap < 5; ++lap)
    for (int c = 0; c < 3; ++c) gRivalSplits[lap][c] = splits[lap][c];
}

void keepGhostOfTheBest(const Ghost& ghost) {
  gSessionBest = ghost;
  if (!platform::replaceFile(kGhostFile, [&ghost](std::FILE* file) { return writeGhost(file, ghost); }))
    std::printf("The ghost of the best race could not be kept in %s\n", kGhostFile);
  std::fflush(stdout);
}

bool ghostOfTheBestKnown() {
  if (ghostBelongsTo(gSessionBest, gHighScores[0].totalTime) && drivenHere(gSessionBest)) return true;
  const platform::PlayerFile file = platform::readPlayerFile(kGhostFile, kGhostFileLimit);
  if (!file.stream) return file.outcome != platform::PlayerFile::Missing;  // not ours to replace
  Ghost ghost;
  std::string why;
  const bool read = readGhost(file.stream, ghost, why);
  std::fclose(file.stream);
  return read && drivenHere(ghost) && ghostBelongsTo(ghost, gHighScores[0].totalTime);
}

void loadGhostForRace() {
  startRaceGhost();
  if (!gRivalGhost.poses.empty()) {
    gGhost = gRivalGhost;  // a race of anyone's, chosen for this session
    gGhostStretches = ghostStretches(gGhost, gRivalSplits);
    return;
  }
  if (ghostBelongsTo(gSessionBest, gHighScores[0].totalTime) && drivenHere(gSessionBest)) {
    gGhost = gSessionBest;  // this session's own best race: no need to read it back
  } else if (const platform::PlayerFile file = platform::readPlayerFile(kGhostFile, kGhostFileLimit);
             file.outcome != platform::PlayerFile::Missing) {
    Ghost ghost;
    std::string why = file.outcome == platform::PlayerFile::NotAFile ? "not a plain file" : "it could not be read";
    const bool read = file.stream && readGhost(file.stream, ghost, why);
    if (file.stream) std::fclose(file.stream);
    if (read && !drivenHere(ghost)) why = "it was driven on another track";
    else if (read && !ghostBelongsTo(ghost, gHighScores[0].totalTime)) why = "it belongs to another table";
    if (!why.empty()) {
      std::printf("Ghost %s ignored: %s\n", kGhostFile, why.c_str());
      std::fflush(stdout);
      return;
    }
    gGhost = std::move(ghost);
  }
  gGhostStretches = ghostStretches(gGhost, gHighScores[0].splits);
}

void noteGhostPose() {
  if (gRaceGhostClosed || ticksSinceGo() < 0) return;
  if (gRaceGhost.poses.size() >= kMaxGhostTicks) {
    gRaceGhostClosed = true;  // no ghost of this race
    gRaceGhost = Ghost();
    return;
  }
  GhostPose pose;
  pose.car = gCarPose;
  for (int i = 0; i < 4; ++i) {
    pose.wheels[i] = gWheelPoses[i].t;
    pose.spin[i] = gWheelSpin[i];
  }
  pose.steer = gSteerAngle;
  gRaceGhost.poses.push_back(pose);
  if (gRaceFinished) {
    gRaceGhostClosed = true;
    gRaceGhost.totalTime = gCurrentResult.totalTime;
  }
}

void saveGhostOfBestRace() {
  const bool best = gHighScoreRank == 1 && gCurrentResult.totalTime != 0;
  if (!best || gRaceGhost.poses.empty() || gRaceGhost.totalTime != gCurrentResult.totalTime) return;
  gSessionBest = gRaceGhost;
  switch (platform::replaceFile(kGhostFile, [](std::FILE* file) { return writeGhost(file, gRaceGhost); }).outcome) {
    case platform::SaveResult::Saved: break;
    case platform::SaveResult::ReadOnly:
      std::printf("The ghost file %s is read-only: the best race's ghost was not saved, the old one is kept\n",
                  kGhostFile);
      break;
    case platform::SaveResult::Unreadable:
      std::printf("The ghost file %s could not be read: the best race's ghost was not saved, the old one is kept\n",
                  kGhostFile);
      break;
    case platform::SaveResult::OtherOwner:
      std::printf(
          "The ghost file %s belongs to another user: the best race's ghost was not saved, the old one is kept\n",
          kGhostFile);
      break;
    case platform::SaveResult::Failed:
      std::printf("The ghost of the best race could not be saved; the old one is kept\n");
      break;
  }
  std::fflush(stdout);
}

void updateGhostGap() {
  const long now = ticksSinceGo();
  if (gGhost.poses.empty() || now < 0 || gGhostGapFinal) return;
  const int stretch = raceStretch(gCurrentLap, gCheckpoint1Passed, gCheckpoint2Passed);
  // The finishing tick still looks on the last stretch: the car stands on the line.
  const double there = ghostIndexNear(gGhost, gGhostStretches, std::min(stretch, kRaceStretches - 1), gCarPose.t,
                                      static_cast<double>(now));
  gGhostGap = static_cast<float>((there - static_cast<double>(now)) * kTickSeconds);
  gGhostGapKnown = true;
  gGhostGapFinal = stretch >= kRaceStretches;
}

const GhostPose* ghostPoseNow() {
  if (gShowGhost != 1 || ticksSinceGo() < 0) return nullptr;
  return ghostPoseAt(gGhost, ticksSinceGo());
}

bool ghostGapShown() { return gShowGhost == 1 && gGhostGapKnown && !gGhost.poses.empty(); }
