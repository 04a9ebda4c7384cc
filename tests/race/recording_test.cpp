// Race recordings as files: a written recording reads back bit for bit, and
// a file that is cut short, garbled, from another version or too long is
// refused with a reason.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "written_bytes.h"
#include "race/recording.h"

namespace {

RaceRecording sample() {
  RaceRecording r;
  r.engine = {1.0f / 60.0f, 8, {0, -9.81f, 0}, 0.01f};
  r.start.trackChecksum = 0x1662ac15247b0b92ull;
  r.start.startX = -4210;
  r.start.heading = 140;
  r.start.motorTorque = 3150.7f;
  r.start.carSpeed = 0.1f;  // not exact in decimal: must survive as bits
  r.start.prevCarPos[1] = -1e-30f;
  r.start.wheelSpin[3] = 12345.678f;
  r.start.lastTrigger = -3;
  r.start.touchedBodies = 1;
  for (int i = 0; i < 500; ++i) {
    TickInput t;
    t.keys = static_cast<uint16_t>((i / 37) % 7 == 0 ? 0 : 1u << (i % kDriveActionCount));
    if (i >= 300) t = {t.keys, static_cast<int16_t>(i / 5 - 80), static_cast<int16_t>(i < 400 ? 1000 : 0), 3};
    r.ticks.push_back(t);
  }
  r.end = RecordingEnd::Finish;
  r.totalTime = 178.38333f;
  r.finalPoseHash = 0xfedcba9876543210ull;
  return r;
}

std::string text(const RaceRecording& r) {
  return writtenBytes([&](std::FILE* f) { return writeRecording(f, r); });
}

bool read(const std::string& s, RaceRecording& r, std::string& why) {
  std::FILE* f = std::tmpfile();
  std::fwrite(s.data(), 1, s.size(), f);
  std::rewind(f);
  const bool ok = readRecording(f, r, why);
  std::fclose(f);
  return ok;
}

std::string refusal(const std::string& s) {
  RaceRecording r;
  std::string why;
  EXPECT_FALSE(read(s, r, why)) << s.substr(0, 80);
  return why;
}

TEST(Recording, ReadsBackBitForBit) {
  const RaceRecording written = sample();
  RaceRecording back;
  std::string why;
  ASSERT_TRUE(read(text(written), back, why)) << why;
  EXPECT_TRUE(back.engine == written.engine);
  EXPECT_EQ(back.start.trackChecksum, written.start.trackChecksum);
  EXPECT_EQ(back.start.carSpeed, written.start.carSpeed);
  EXPECT_EQ(back.start.prevCarPos[1], written.start.prevCarPos[1]);
  EXPECT_EQ(back.start.wheelSpin[3], written.start.wheelSpin[3]);
  EXPECT_EQ(back.start.lastTrigger, -3);
  EXPECT_EQ(back.ticks, written.ticks);
  EXPECT_EQ(back.end, RecordingEnd::Finish);
  EXPECT_EQ(back.totalTime, written.totalTime);
  EXPECT_EQ(back.finalPoseHash, written.finalPoseHash);
}

TEST(Recording, EveryCutIsRefused) {
  const std::string whole = text(sample());
  // Cut after a line: whole lines, but not all of them.
  for (std::size_t p = whole.find('\n'); p + 1 < whole.size(); p = whole.find('\n', p + 1))
    EXPECT_EQ(refusal(whole.substr(0, p + 1)), "cut short") << p;
  // Cut inside a line: refused too, whatever the last line then reads as.
  for (std::size_t n = 1; n < whole.size(); n += 13) {
    if (whole[n - 1] == '\n') continue;
    EXPECT_FALSE(refusal(whole.substr(0, n)).empty()) << n;
  }
}

TEST(Recording, GarbledOtherVersionAndOverlongFilesAreRefused) {
  const std::string whole = text(sample());
  auto with = [&](const std::string& from, const std::string& to) {
    std::string s = whole;
    s.replace(s.find(from), from.size(), to);
    return s;
  };
  EXPECT_EQ(refusal(with("recording 3", "recording 4")), "from another version of the game");
  EXPECT_EQ(refusal("PNG\x89 not text\n" + whole), "not a race recording");
  EXPECT_EQ(refusal(with("ticks 500", "ticks 99999999999")), "too long (over an hour of racing)");
  EXPECT_EQ(refusal(with("ticks 500", "ticks 400")).rfind("garbled", 0), 0u);
  EXPECT_EQ(refusal(with("keys ", "keys 0 ")), "garbled (keys line out of range)");
  EXPECT_EQ(refusal(with("keys ", "keys 1 fff\nkeys ")), "garbled (keys line out of range)");
  EXPECT_EQ(refusal(with("car 0x", "car nan 0x")), "garbled (a number that is none)");
  EXPECT_EQ(refusal(with("engine 0x", "engine inf 0x")), "garbled (engine line)");
  EXPECT_EQ(refusal(with("end finish", "end maybe")), "garbled (end line)");
  EXPECT_EQ(refusal(with("gates", std::string(300, 'x'))), "garbled (a line too long)");
  // The pad's values: a stick past full, a trigger below rest, runs that miss ticks.
  EXPECT_EQ(refusal(with("pad 300 0 0 0", "pad 300 1001 0 0")), "garbled (pad line out of range)");
  EXPECT_EQ(refusal(with("pad 300 0 0 0", "pad 300 0 -1 0")), "garbled (pad line out of range)");
  EXPECT_EQ(refusal(with("pad 300 0 0 0", "pad 300 0 0 99999999999999999999")), "garbled (pad line out of range)");
  EXPECT_EQ(refusal(with("pad 300 0 0 0", "pad 301 0 0 0")), "garbled (pad line out of range)");
  EXPECT_EQ(refusal(with("pad 300 0 0 0", "pad 300 0 0")), "garbled (pad line)");
}

// A file of the first version, which kept the key entries r and R, c and C
// apart and no pad, reads as the actions they stood for.
TEST(Recording, AFirstVersionFileReadsAsItsActions) {
  std::string v1 = text(sample());
  v1.replace(v1.find("recording 3"), 11, "recording 1");
  v1.erase(v1.find("library "), v1.find("start ") - v1.find("library "));  // the first version named no library
  const std::size_t keys = v1.find("keys "), end = v1.find("end ");
  v1.replace(keys, end - keys, "keys 2 42\nkeys 3 100\nkeys 495 1f\n");  // R and Up, then C, then the arrows and Space
  RaceRecording back;
  std::string why;
  ASSERT_TRUE(read(v1, back, why)) << why;
  ASSERT_EQ(back.ticks.size(), 500u);
  EXPECT_EQ(back.ticks[0].keys, driveBit(kLift) | driveBit(kAccelerate));
  EXPECT_EQ(back.ticks[2].keys, driveBit(kCamera));
  EXPECT_EQ(back.ticks[499].keys, 0x1f);
  for (const TickInput& t : back.ticks) EXPECT_TRUE(t.steer == 0 && t.throttle == 0 && t.brake == 0);
  EXPECT_EQ(refusal(std::string(v1).replace(v1.find("keys 3 100"), 10, "keys 3 200")), "garbled (keys line out of range)");
}

// Start values a race can leave are taken; each value past what the car and
// the ground allow is refused by name, among them those of a file that
// replayed a car at 332 units a tick.
TEST(Recording, AStartNoRaceLeavesIsRefusedByName) {
  const TrackBounds track{{-15000, -200, -15000}, {15000, 1200, 15000}};
  RecordedStart start = sample().start;
  start.prevCarPos[1] = 40;
  std::string why;
  ASSERT_TRUE(startIsReachable(start, track, why)) << why;
  start.motorTorque = -21900;  // the most a reverse start measures
  start.wheelSpin[0] = -3e9f;
  ASSERT_TRUE(startIsReachable(start, track, why)) << why;

  struct Case {
    const char* name;
    void (*spoil)(RecordedStart&);
  };
  const Case cases[] = {
      {"motor torque", [](RecordedStart& s) { s.motorTorque = 0x1p+127f; }},
      {"brake torque", [](RecordedStart& s) { s.brakeTorque = -1; }},
      {"steering", [](RecordedStart& s) { s.steerAngle = 0.6f; }},
      {"speed", [](RecordedStart& s) { s.carSpeed = -0.5f; }},
      {"previous speed", [](RecordedStart& s) { s.prevCarSpeed = 1e9f; }},
      {"measured speed", [](RecordedStart& s) { s.lastMeasuredSpeed = 1e9f; }},
      {"position x", [](RecordedStart& s) { s.prevCarPos[0] = 1e7f; }},
      {"position y", [](RecordedStart& s) { s.prevCarPos[1] = -5000; }},
      {"position z", [](RecordedStart& s) { s.prevCarPos[2] = -1e7f; }},
      {"wheel spin", [](RecordedStart& s) { s.wheelSpin[2] = 1e12f; }},
      {"last gate", [](RecordedStart& s) { s.lastTrigger = -4; }},
      {"open gate entries", [](RecordedStart& s) { s.touchedBodies = 2147483647; }},
      {"open gate entries", [](RecordedStart& s) { s.touchedBodies = -1; }},
  };
  for (const Case& c : cases) {
    RecordedStart spoilt = start;
    c.spoil(spoilt);
    EXPECT_FALSE(startIsReachable(spoilt, track, why)) << c.name;
    EXPECT_NE(why.find(std::string("a start no race leaves (") + c.name + " "), std::string::npos) << why;
  }
}

}  // namespace
