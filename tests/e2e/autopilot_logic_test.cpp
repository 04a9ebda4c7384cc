// The autopilot's driving and checking logic, without the game: centre-line
// reading, the steering rule, the speed plan, a toy car driven round a track
// at high and low frame rates, and the high-score file checks.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>

#include "tools/autopilot/driver.h"
#include "tools/autopilot/records.h"

using namespace autopilot;

namespace {

constexpr float kPi = 3.14159265f;

// A stadium: two straights of `straight` units joined by half circles of radius
// r, driven anticlockwise seen from above (+y), i.e. turning towards +x.
std::string stadium(float straight, float r, float step = 25) {
  std::ostringstream out;
  // Straight along +z at x = 0, then a left-hand half circle round (r, straight).
  for (float z = 0; z < straight; z += step) out << 0 << " 5 " << z << "\n";
  for (float a = 0; a < kPi; a += step / r) out << r - r * std::cos(a) << " 5 " << straight + r * std::sin(a) << "\n";
  for (float z = straight; z > 0; z -= step) out << 2 * r << " 5 " << z << "\n";
  for (float a = 0; a < kPi; a += step / r) out << r + r * std::cos(a) << " 5 " << -r * std::sin(a) << "\n";
  return out.str();
}

CentreLine lineFrom(const std::string& text) {
  CentreLine line;
  std::istringstream in(text);
  EXPECT_TRUE(line.read(in));
  return line;
}

}  // namespace

TEST(CentreLine, ReadsPointsAndSkipsWhatIsNotAPoint) {
  std::string text = "garbage\n\n1 2\nnan 0 0\n" + stadium(1000, 300) + "1e999 0 0\n";
  CentreLine line = lineFrom(text);
  const float expected = 2 * 1000 + 2 * kPi * 300;
  EXPECT_NEAR(line.length(), expected, expected * 0.01f);
  EXPECT_NEAR(line.spacing(), 20, 1);
  EXPECT_FLOAT_EQ(line.at(0).x, 0);
  EXPECT_FLOAT_EQ(line.at(0).z, 0);
  // Indices wrap round the closed line.
  EXPECT_FLOAT_EQ(line.at(line.size()).x, line.at(0).x);

  CentreLine empty;
  std::istringstream none("x y z\n1 2 3\n1 2 3\n");
  EXPECT_FALSE(empty.read(none));
  EXPECT_EQ(empty.size(), 0u);
  EXPECT_FALSE(empty.load("/nonexistent/centre.txt"));
}

TEST(CentreLine, CurvatureHasTheBendsRadiusAndSide) {
  CentreLine line = lineFrom(stadium(1000, 300));
  const std::size_t mid = line.nearest(300, 1300, 0, 0, line.size());  // top of the first bend
  EXPECT_NEAR(line.at(mid).curvature, 1.0f / 300, 0.1f / 300);
  EXPECT_NEAR(line.at(line.nearest(0, 500, 0, 0, line.size())).curvature, 0, 1e-4f);
  // A car left of the line (towards +x on the first straight) has a positive offset.
  EXPECT_NEAR(line.lateralOffset(line.nearest(0, 500, 0, 0, line.size()), 40, 500), 40, 1);

  // The same track driven the other way round bends the other way.
  std::istringstream in(stadium(1000, 300));
  std::vector<std::string> rows;
  for (std::string s; std::getline(in, s);) rows.push_back(s);
  std::string reversed;
  for (auto it = rows.rbegin(); it != rows.rend(); ++it) reversed += *it + "\n";
  CentreLine back = lineFrom(reversed);
  EXPECT_NEAR(back.at(back.nearest(300, 1300, 0, 0, back.size())).curvature, -1.0f / 300, 0.1f / 300);
}

TEST(CentreLine, TrackerStaysOnItsOwnBranchWhereTheLinePassesClose) {
  // A long narrow stadium: the two straights are 120 units apart.
  CentreLine line = lineFrom(stadium(2000, 60, 10));
  const std::size_t onOutward = line.nearest(0, 1000, 0, 0, line.size());
  // Sliding sideways to within 50 units of the return straight keeps the index.
  const std::size_t tracked = line.nearest(70, 1010, onOutward, 4, 80);
  EXPECT_LT(std::fabs(line.at(tracked).z - 1010), 30);
  EXPECT_FLOAT_EQ(line.at(tracked).x, 0);
}

TEST(Steering, FollowsTheGamesStepsAndLimit) {
  const float slow = kPi * 0.002f, fast = 2 * kPi * 0.004f;
  EXPECT_FLOAT_EQ(nextSteerAngle(0, true, false, 0.5f), slow);
  EXPECT_FLOAT_EQ(nextSteerAngle(-0.1f, true, false, 0.5f), -0.1f + fast);
  EXPECT_FLOAT_EQ(nextSteerAngle(0.1f, false, true, 0.5f), 0.1f - fast);
  EXPECT_FLOAT_EQ(nextSteerAngle(0.2f, true, false, 0.1f), 0.1f);
  EXPECT_FLOAT_EQ(nextSteerAngle(0.02f, false, false, 0.5f), 0);
  EXPECT_FLOAT_EQ(nextSteerAngle(-0.1f, false, false, 0.5f), -0.1f + fast);
  EXPECT_FLOAT_EQ(steeringLimitFor(0), kPi / 6);
  EXPECT_FLOAT_EQ(steeringLimitFor(30), 0);

  bool left = false, right = false;
  chooseSteering(0, 0.3f, 0.5f, left, right);
  EXPECT_TRUE(left && !right);
  chooseSteering(0.3f, -0.3f, 0.5f, left, right);
  EXPECT_TRUE(right && !left);
  // Near the centre, letting go snaps the wheel straight: better than any key.
  chooseSteering(0.02f, 0, 0.5f, left, right);
  EXPECT_FALSE(left || right);
}

TEST(SpeedPlan, SlowerFrameRatesPlanSlowerAndBrakingIsReachable) {
  CentreLine line = lineFrom(stadium(2000, 250));
  DriverTuning tuning;
  const std::vector<float> fast = speedPlan(line, 60, tuning);
  const std::vector<float> slow = speedPlan(line, 12, tuning);
  ASSERT_EQ(fast.size(), line.size());
  float fastMax = 0, slowBend = 1e9f;
  for (std::size_t i = 0; i < line.size(); ++i) {
    EXPECT_LE(slow[i], fast[i] + 1e-3f);
    const float next = fast[(i + 1) % line.size()];
    EXPECT_LE(fast[i] * fast[i], next * next + 2 * tuning.braking * line.spacing() * 1.001f);
    fastMax = std::max(fastMax, fast[i]);
    if (std::fabs(line.at(i).curvature) > 0.003f) slowBend = std::min(slowBend, slow[i]);
  }
  EXPECT_GT(fastMax, 900);  // the straights allow nearly top speed
  // At 12 fps a 250-unit bend must be taken at a per-frame speed that still steers it.
  const float needed = std::atan(74.55f / 250);
  EXPECT_GE(steeringLimitFor(slowBend / 12), needed);
}

namespace {

// A kinematic car with the game's steering rule and a grip limit; returns the
// largest distance from the line over `laps` laps (negative if it got nowhere).
float driveToyCar(const CentreLine& line, double fps, int laps, double* seconds) {
  Driver driver(line);
  float x = line.at(0).x, z = line.at(0).z, heading = line.at(0).heading, v = 0, steer = 0;
  driver.reset(x, z);
  const double dt = 1.0 / fps;
  float worst = 0;
  double t = 0;
  while (driver.distanceTravelled() < laps * line.length() && t < 600) {
    CarView car{x, z, std::sin(heading), std::cos(heading), static_cast<float>(v * dt), steer, dt};
    const DriveKeys k = driver.decide(car, t + 0.01);
    steer = nextSteerAngle(steer, k.left, k.right, steeringLimitFor(car.speedPerFrame));
    const float accel = k.accelerate ? 270.0f : k.brake ? -480.0f : k.reverse ? -300.0f : -60.0f;
    v = std::clamp(v + accel * static_cast<float>(dt), 0.0f, 1150.0f);
    float yaw = v * std::tan(steer) / 74.55f;
    const float maxYaw = v > 1 ? 900.0f / v : 1e9f;  // beyond this the tyres slide wide
    yaw = std::clamp(yaw, -maxYaw, maxYaw);
    heading += yaw * static_cast<float>(dt);
    x += v * std::sin(heading) * static_cast<float>(dt);
    z += v * std::cos(heading) * static_cast<float>(dt);
    t += dt;
    if (t > 3) worst = std::max(worst, std::fabs(driver.lateralError()));
  }
  *seconds = t;
  return driver.distanceTravelled() >= laps * line.length() ? worst : -1;
}

}  // namespace

TEST(Driver, GoesRoundATrackAtHighAndLowFrameRates) {
  // Sweepers and a hairpin of 250 units, like the real track's tightest corners.
  std::ostringstream track;
  CentreLine line = lineFrom(stadium(3000, 250));
  for (double fps : {60.0, 20.0, 10.0}) {
    double seconds = 0;
    const float worst = driveToyCar(line, fps, 2, &seconds);
    EXPECT_GE(worst, 0) << "no progress at " << fps << " fps";
    EXPECT_LT(worst, 120) << "left the road at " << fps << " fps";
    std::printf("toy car at %.0f fps: 2 laps in %.1f s, worst offset %.0f\n", fps, seconds, worst);
  }
}

TEST(Records, ReadsTheTableAndToleratesShortFiles) {
  std::istringstream in(
      "ann 100.5 1 2 3 4 5 6 7 8 9 10 11 12 13 14 100.5\n"
      "bob 120\n");
  const std::vector<ScoreLine> table = readScoreTable(in);
  ASSERT_EQ(table.size(), 10u);
  EXPECT_EQ(table[0].name, "ann");
  EXPECT_FLOAT_EQ(table[0].splits[14], 100.5f);
  EXPECT_EQ(table[1].name, "bob");
  EXPECT_FLOAT_EQ(table[1].splits[0], 0);
  EXPECT_EQ(table[9].name, "");
  EXPECT_EQ(expectedRank(table, 110), 2);      // the eight empty places do not count
  std::vector<ScoreLine> full(10);
  for (int i = 0; i < 10; ++i) full[i].totalTime = 100.0f + 10 * i;
  EXPECT_EQ(expectedRank(full, 95), 1);
  EXPECT_EQ(expectedRank(full, 140), 5);        // a tie goes ahead of the old entry
  EXPECT_EQ(expectedRank(full, 500), 11);
}

namespace {

ScoreLine goodResult() {
  ScoreLine r;
  r.name = "autopilot";
  for (int i = 0; i < 15; ++i) r.splits[i] = 10.0f + 7.0f * i;
  r.totalTime = r.splits[14];
  return r;
}

int failures(const std::vector<Check>& checks) {
  int n = 0;
  for (const Check& c : checks) n += c.passed ? 0 : 1;
  return n;
}

}  // namespace

TEST(Records, RaceResultChecksCatchBadBookkeeping) {
  std::vector<Check> checks;
  checkRaceResult(goodResult(), 5, checks);
  EXPECT_EQ(failures(checks), 0);

  ScoreLine stale = goodResult();
  stale.splits[7] = stale.splits[6];  // a crossing stored twice
  checks.clear();
  checkRaceResult(stale, 5, checks);
  EXPECT_EQ(failures(checks), 1);

  ScoreLine wrongTotal = goodResult();
  wrongTotal.totalTime += 1;
  checks.clear();
  checkRaceResult(wrongTotal, 4, checks);
  EXPECT_EQ(failures(checks), 2);
}

namespace {

// A line as the game writes it: a nameless entry starts with a blank.
std::string gameLine(const ScoreLine& e) {
  char text[512];
  int n = std::snprintf(text, sizeof text, "%s %f", e.name.c_str(), e.totalTime);
  for (float s : e.splits) n += std::snprintf(text + n, sizeof text - n, " %f", s);
  return std::string(text) + "\n";
}

}  // namespace

// One entry and nine empty places, in the files as the game saves them: a
// slower race is placed second, and the table saved with it passes the checks.
TEST(Records, EmptyPlacesDoNotCountInTheRankOrInTheSavedFile) {
  ScoreLine ann;
  ann.name = "ann";
  ann.totalTime = ann.splits[14] = 100;
  const ScoreLine result = goodResult();
  std::string beforeText = gameLine(ann), afterText = gameLine(ann) + gameLine(result);
  for (int i = 0; i < 9; ++i) beforeText += gameLine(ScoreLine());
  for (int i = 0; i < 8; ++i) afterText += gameLine(ScoreLine());
  std::istringstream beforeIn(beforeText), afterIn(afterText);
  const std::vector<ScoreLine> before = readScoreTable(beforeIn);
  EXPECT_EQ(before[1].name, "");
  const int rank = expectedRank(before, result.totalTime);
  EXPECT_EQ(rank, 2);
  std::vector<Check> checks;
  checkSavedTable(before, readScoreTable(afterIn), result, rank, checks);
  EXPECT_EQ(failures(checks), 0);
}

TEST(Records, SavedTableChecksPlaceAndShift) {
  std::vector<ScoreLine> before(10);
  for (int i = 0; i < 10; ++i) {
    before[i].name = std::string(1, static_cast<char>('a' + i));
    before[i].totalTime = 100.0f + 10 * i;
  }
  ScoreLine result = goodResult();
  result.totalTime = result.splits[14] = 125;
  const int rank = expectedRank(before, result.totalTime);
  ASSERT_EQ(rank, 4);
  std::vector<ScoreLine> after(before);
  after.insert(after.begin() + 3, result);
  after.pop_back();
  std::vector<Check> checks;
  checkSavedTable(before, after, result, rank, checks);
  EXPECT_EQ(failures(checks), 0);

  // Written one place too low, and the old entry overwritten instead of moved.
  std::vector<ScoreLine> wrong(before);
  wrong[4] = result;
  checks.clear();
  checkSavedTable(before, wrong, result, rank, checks);
  EXPECT_EQ(failures(checks), 2);

  // An unplaced result must leave the file as it was.
  checks.clear();
  checkSavedTable(before, before, result, 11, checks);
  EXPECT_EQ(failures(checks), 0);
  checks.clear();
  checkSavedTable(before, after, result, 11, checks);
  EXPECT_EQ(failures(checks), 1);
}
