// The race recording's text form. Floats are written in hexadecimal so that a
// replay starts from exactly the bits the race started from.
#include "race/recording.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace {

// The second version adds the pad's values of every tick; the third brakes a
// car rolling the other way by the trigger's travel. Earlier ones are still read.
constexpr int kVersion = kRecordingVersion;
constexpr const char* kVersionPrefix = "FiveLaps race recording ";
constexpr int kLineBuffer = 256;

const char* endName(RecordingEnd end) {
  switch (end) {
    case RecordingEnd::Escape: return "escape";
    case RecordingEnd::Finish: return "finish";
    case RecordingEnd::Open: break;
  }
  return "open";
}

// One whole line without its newline; false at the end of the file, for a
// last line that was cut off before its newline, and for a line that does not
// fit (no recording line comes close to the buffer).
bool readLine(std::FILE* file, char (&line)[kLineBuffer], bool& tooLong) {
  tooLong = false;
  if (!std::fgets(line, kLineBuffer, file)) return false;
  char* newline = std::strchr(line, '\n');
  if (!newline) {
    tooLong = !std::feof(file);
    return false;
  }
  *newline = 0;
  return true;
}

bool allFinite(const float* v, int n) {
  for (int i = 0; i < n; ++i)
    if (!std::isfinite(v[i])) return false;
  return true;
}

class Reader {
 public:
  Reader(std::FILE* file, std::string& why) : file_(file), why_(why) {}

  // The next line, which must start with `word` and a blank.
  const char* expect(const char* word) {
    bool tooLong = false;
    if (!readLine(file_, line_, tooLong)) {
      fail(tooLong ? "garbled (a line too long)" : "cut short");
      return nullptr;
    }
    const std::size_t n = std::strlen(word);
    if (std::strncmp(line_, word, n) != 0 || line_[n] != ' ') {
      fail(std::string("garbled (no ") + word + " line)");
      return nullptr;
    }
    return line_ + n + 1;
  }
  bool fail(const std::string& why) {
    if (why_.empty()) why_ = why;
    return false;
  }
  char (&line())[kLineBuffer] { return line_; }

 private:
  std::FILE* file_;
  std::string& why_;
  char line_[kLineBuffer] = {};
};

bool readHeader(std::FILE* file, Reader& r, int& version) {
  bool tooLong = false;
  if (!readLine(file, r.line(), tooLong)) return r.fail(tooLong ? "not a race recording" : "empty");
  const std::size_t prefix = std::strlen(kVersionPrefix);
  if (std::strncmp(r.line(), kVersionPrefix, prefix) != 0) return r.fail("not a race recording");
  const char* number = r.line() + prefix;
  if (std::strcmp(number, "1") == 0 || std::strcmp(number, "2") == 0 || std::strcmp(number, "3") == 0) {
    version = *number - '0';
    return true;
  }
  return r.fail("from another version of the game");
}

bool readEngine(Reader& r, RecordedEngine& e) {
  const char* p = r.expect("engine");
  if (!p) return false;
  if (std::sscanf(p, "%f %u %f %f %f %f", &e.step, &e.subSteps, &e.gravity[0], &e.gravity[1], &e.gravity[2],
                  &e.skinWidth) != 6 ||
      !allFinite(e.gravity, 3) || !std::isfinite(e.step) || !std::isfinite(e.skinWidth))
    return r.fail("garbled (engine line)");
  return true;
}

bool readLibrary(Reader& r, unsigned& library) {
  const char* p = r.expect("library");
  if (!p) return false;
  if (std::sscanf(p, "bullet %u", &library) != 1 || library > 99999) return r.fail("garbled (library line)");
  return true;
}

bool readStart(Reader& r, RecordedStart& s) {
  const char* p = r.expect("start");
  unsigned long long checksum = 0;
  if (!p || std::sscanf(p, "%llx %f %f %f", &checksum, &s.startX, &s.startZ, &s.heading) != 4)
    return r.fail("garbled (start line)");
  s.trackChecksum = checksum;
  p = r.expect("car");
  if (!p || std::sscanf(p, "%f %f %f %f %f %f %f %f %f %f %f %f %f", &s.motorTorque, &s.brakeTorque,
                        &s.steerAngle, &s.carSpeed, &s.prevCarSpeed, &s.lastMeasuredSpeed, &s.prevCarPos[0],
                        &s.prevCarPos[1], &s.prevCarPos[2], &s.wheelSpin[0], &s.wheelSpin[1], &s.wheelSpin[2],
                        &s.wheelSpin[3]) != 13)
    return r.fail("garbled (car line)");
  const float car[] = {s.startX, s.startZ, s.heading, s.motorTorque, s.brakeTorque, s.steerAngle, s.carSpeed,
                       s.prevCarSpeed, s.lastMeasuredSpeed};
  if (!allFinite(car, 9) || !allFinite(s.prevCarPos, 3) || !allFinite(s.wheelSpin, 4))
    return r.fail("garbled (a number that is none)");
  p = r.expect("gates");
  if (!p || std::sscanf(p, "%d %d", &s.lastTrigger, &s.touchedBodies) != 2) return r.fail("garbled (gates line)");
  return true;
}

bool readKeys(Reader& r, RaceRecording& rec, int version) {
  const char* p = r.expect("ticks");
  unsigned long ticks = 0;
  if (!p || std::sscanf(p, "%lu", &ticks) != 1) return r.fail("garbled (ticks line)");
  if (ticks > kMaxRecordedTicks) return r.fail("too long (over an hour of racing)");
  const unsigned masks = version == 1 ? 1u << 9 : 1u << kDriveActionCount;
  rec.ticks.clear();
  rec.ticks.reserve(ticks);
  while (rec.ticks.size() < ticks) {
    const char* run = r.expect("keys");
    unsigned long count = 0;
    unsigned mask = 0;
    if (!run || std::sscanf(run, "%lu %x", &count, &mask) != 2) return r.fail("garbled (keys line)");
    if (count == 0 || count > ticks - rec.ticks.size() || mask >= masks)
      return r.fail("garbled (keys line out of range)");
    TickInput input;
    input.keys = version == 1 ? actionsOfFirstVersionKeys(mask) : static_cast<uint16_t>(mask);
    rec.ticks.insert(rec.ticks.end(), count, input);
  }
  return true;
}

bool inAnalogRange(long v, long low) { return v >= low && v <= kAnalogSteps; }

// The pad's values, in runs over the same ticks as the keys.
bool readPad(Reader& r, RaceRecording& rec) {
  for (std::size_t done = 0; done < rec.ticks.size();) {
    const char* run = r.expect("pad");
    unsigned long count = 0;
    long steer = 0, throttle = 0, brake = 0;
    if (!run || std::sscanf(run, "%lu %ld %ld %ld", &count, &steer, &throttle, &brake) != 4)
      return r.fail("garbled (pad line)");
    if (count == 0 || count > rec.ticks.size() - done || !inAnalogRange(steer, -kAnalogSteps) ||
        !inAnalogRange(throttle, 0) || !inAnalogRange(brake, 0))
      return r.fail("garbled (pad line out of range)");
    for (std::size_t end = done + count; done < end; ++done) {
      TickInput& t = rec.ticks[done];
      t.steer = static_cast<int16_t>(steer);
      t.throttle = static_cast<int16_t>(throttle);
      t.brake = static_cast<int16_t>(brake);
    }
  }
  return true;
}

bool readEnd(Reader& r, RaceRecording& rec) {
  const char* p = r.expect("end");
  char kind[16] = {};
  unsigned long long hash = 0;
  if (!p || std::sscanf(p, "%15s %f %llx", kind, &rec.totalTime, &hash) != 3 || !std::isfinite(rec.totalTime))
    return r.fail("garbled (end line)");
  rec.finalPoseHash = hash;
  if (std::strcmp(kind, "escape") == 0) rec.end = RecordingEnd::Escape;
  else if (std::strcmp(kind, "finish") == 0) rec.end = RecordingEnd::Finish;
  else if (std::strcmp(kind, "open") == 0) rec.end = RecordingEnd::Open;
  else return r.fail("garbled (end line)");
  return true;
}

// ---- What a race can leave behind ----------------------------------------------
// The motor torque rises by 150 a tick only while every axle turns slower
// than 120 (40 backwards), and the motor alone spins a wheel up by
// torque x 0.0015 / 60 a tick: a wheel the road lets go reaches 120 after 253
// rising ticks, at 37,950 (21,900 backwards), which is what flat ground, walls
// and slopes all measure. Twice that leaves the road and the brake room to
// hold a wheel back for a while.
constexpr float kMaxMotorTorque = 2 * 37950.0f;
constexpr float kMaxBrakeTorque = 40000.0f;  // the handbrake's, the largest the rules set
constexpr float kMaxSteer = 0.5235988f;      // the steering limit at rest, pi/6
// The ground has no edge to fall off, but a car can be thrown into the air:
// at its top speed of some 28 units a tick, with the lift cancelling the
// downforce, gravity alone (9.81) brings it down within 144,000 units of
// height, and as far again to each side twice over.
constexpr float kFlightRise = 150000.0f;
constexpr float kBelowGround = 1000.0f;
// A wheel's spin is its axle speeds summed tick after tick; a float stops
// growing once half its spacing passes the speed added, which happens below
// 2^33 for any axle speed under 512 (a driven wheel turns at most 120 and a
// wheel rolling downhill at top speed under 200).
constexpr float kMaxWheelSpin = 17179869184.0f;  // 2^34
// Each race left while the car's body was inside gates leaves at most three
// entries open, and the count carries over: a thousand is some 330 races
// left so, far beyond any session.
constexpr int kMaxOpenGateEntries = 1000;

bool within(float v, float low, float high) { return v >= low && v <= high; }

std::string outOf(const char* what, float v, float low, float high) {
  char text[160];
  std::snprintf(text, sizeof text, "a start no race leaves (%s %g, not in %g to %g)", what, static_cast<double>(v),
                static_cast<double>(low), static_cast<double>(high));
  return text;
}

}  // namespace

bool startIsReachable(const RecordedStart& s, const TrackBounds& track, std::string& why) {
  float low[3], high[3];
  for (int i = 0; i < 3; ++i) {
    const bool vertical = i == 1;
    low[i] = track.min[i] - (vertical ? kBelowGround : 2 * kFlightRise);
    high[i] = track.max[i] + (vertical ? kFlightRise : 2 * kFlightRise);
  }
  // No tick moves the car further than across that box.
  const float extent = std::sqrt((high[0] - low[0]) * (high[0] - low[0]) + (high[1] - low[1]) * (high[1] - low[1]) +
                                 (high[2] - low[2]) * (high[2] - low[2]));
  struct Check {
    const char* what;
    float value, low, high;
  };
  const Check checks[] = {
      {"motor torque", s.motorTorque, -kMaxMotorTorque, kMaxMotorTorque},
      {"brake torque", s.brakeTorque, 0, kMaxBrakeTorque},
      {"steering", s.steerAngle, -kMaxSteer, kMaxSteer},
      {"speed", s.carSpeed, 0, extent},
      {"previous speed", s.prevCarSpeed, 0, extent},
      {"measured speed", s.lastMeasuredSpeed, 0, extent},
      {"position x", s.prevCarPos[0], low[0], high[0]},
      {"position y", s.prevCarPos[1], low[1], high[1]},
      {"position z", s.prevCarPos[2], low[2], high[2]},
      {"wheel spin", s.wheelSpin[0], -kMaxWheelSpin, kMaxWheelSpin},
      {"wheel spin", s.wheelSpin[1], -kMaxWheelSpin, kMaxWheelSpin},
      {"wheel spin", s.wheelSpin[2], -kMaxWheelSpin, kMaxWheelSpin},
      {"wheel spin", s.wheelSpin[3], -kMaxWheelSpin, kMaxWheelSpin},
      {"last gate", static_cast<float>(s.lastTrigger), -3, 0},
      {"open gate entries", static_cast<float>(s.touchedBodies), 0, kMaxOpenGateEntries},
  };
  for (const Check& c : checks) {
    if (within(c.value, c.low, c.high)) continue;
    why = outOf(c.what, c.value, c.low, c.high);
    return false;
  }
  return true;
}

bool RecordedEngine::operator==(const RecordedEngine& o) const {
  return step == o.step && subSteps == o.subSteps && gravity[0] == o.gravity[0] && gravity[1] == o.gravity[1] &&
         gravity[2] == o.gravity[2] && skinWidth == o.skinWidth;
}

uint16_t actionsOfFirstVersionKeys(unsigned mask) {
  auto held = [mask](int bit) { return (mask >> bit) & 1u; };
  unsigned actions = mask & 0x1fu;  // Left, Up, Right, Down and Space are the first five actions
  if (held(5) || held(6)) actions |= driveBit(kLift);    // r, R
  if (held(7) || held(8)) actions |= driveBit(kCamera);  // c, C
  return static_cast<uint16_t>(actions);
}

uint64_t hashBytes(const void* data, std::size_t size, uint64_t hash) {
  const unsigned char* p = static_cast<const unsigned char*>(data);
  for (std::size_t i = 0; i < size; ++i) {
    hash ^= p[i];
    hash *= 1099511628211ull;
  }
  return hash;
}

namespace {

// Calls `write` with the length and first tick of each run of ticks that `same` holds together.
template <typename Same, typename Write>
void writeRuns(const std::vector<TickInput>& ticks, Same same, Write write) {
  for (std::size_t i = 0; i < ticks.size();) {
    std::size_t j = i + 1;
    while (j < ticks.size() && same(ticks[j], ticks[i])) ++j;
    write(j - i, ticks[i]);
    i = j;
  }
}

}  // namespace

bool writeRecording(std::FILE* f, const RaceRecording& rec) {
  const RecordedEngine& e = rec.engine;
  const RecordedStart& s = rec.start;
  // A race replayed from an older recording keeps that recording's rules.
  std::fprintf(f, "%s%d\n", kVersionPrefix, brakesByTravel(rec.version) ? kVersion : 2);
  std::fprintf(f, "engine %a %u %a %a %a %a\n", e.step, e.subSteps, e.gravity[0], e.gravity[1], e.gravity[2],
               e.skinWidth);
  if (brakesByTravel(rec.version)) std::fprintf(f, "library bullet %u\n", rec.rigidBodyLibrary);
  std::fprintf(f, "start %016" PRIx64 " %a %a %a\n", s.trackChecksum, s.startX, s.startZ, s.heading);
  std::fprintf(f, "car %a %a %a %a %a %a %a %a %a %a %a %a %a\n", s.motorTorque, s.brakeTorque, s.steerAngle,
               s.carSpeed, s.prevCarSpeed, s.lastMeasuredSpeed, s.prevCarPos[0], s.prevCarPos[1], s.prevCarPos[2],
               s.wheelSpin[0], s.wheelSpin[1], s.wheelSpin[2], s.wheelSpin[3]);
  std::fprintf(f, "gates %d %d\n", s.lastTrigger, s.touchedBodies);
  std::fprintf(f, "ticks %zu\n", rec.ticks.size());
  // Keys change a few times a second: runs keep a five-lap race to a few kB.
  // A race without a pad has one pad line.
  const std::vector<TickInput>& t = rec.ticks;
  writeRuns(t, [](const TickInput& a, const TickInput& b) { return a.keys == b.keys; },
            [f](std::size_t n, const TickInput& a) { std::fprintf(f, "keys %zu %x\n", n, unsigned{a.keys}); });
  writeRuns(t, [](const TickInput& a, const TickInput& b) {
              return a.steer == b.steer && a.throttle == b.throttle && a.brake == b.brake;
            },
            [f](std::size_t n, const TickInput& a) {
              std::fprintf(f, "pad %zu %d %d %d\n", n, int{a.steer}, int{a.throttle}, int{a.brake});
            });
  std::fprintf(f, "end %s %a %016" PRIx64 "\n", endName(rec.end), rec.totalTime, rec.finalPoseHash);
  return !std::ferror(f);
}

bool readRecording(std::FILE* file, RaceRecording& rec, std::string& why) {
  why.clear();
  rec = RaceRecording();
  Reader r(file, why);
  int version = 0;
  const bool read = readHeader(file, r, version) && readEngine(r, rec.engine) &&
                    (version < 3 || readLibrary(r, rec.rigidBodyLibrary)) && readStart(r, rec.start) &&
                    readKeys(r, rec, version) && (version == 1 || readPad(r, rec)) && readEnd(r, rec);
  rec.version = version;
  return read;
}

platform::SaveResult saveRecordingFile(const char* path, const RaceRecording& recording) {
  return platform::replaceFile(path, [&recording](std::FILE* file) { return writeRecording(file, recording); });
}

bool loadRecordingFile(const char* path, RaceRecording& recording, std::string& why) {
  // An hour of ticks that each change both the keys and the pad: two lines a
  // tick, written in under 32 characters each, allowed twice that, and the
  // header's lines.
  constexpr std::size_t kLimit = (2 * kMaxRecordedTicks + 16) * 64;
  const platform::PlayerFile file = platform::readPlayerFile(path, kLimit);
  switch (file.outcome) {
    case platform::PlayerFile::Read: break;
    case platform::PlayerFile::Missing: why = "cannot be opened"; return false;
    case platform::PlayerFile::NotAFile: why = "not a plain file"; return false;
    case platform::PlayerFile::Unreadable: why = "cannot be read"; return false;
  }
  const bool ok = readRecording(file.stream, recording, why);
  std::fclose(file.stream);
  return ok;
}
