// The high-score table: ranking, insertion, name entry and the file.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "ui/ui.h"

namespace fs = std::filesystem;

namespace {

void fillTable(HighScoreEntry table[10], std::initializer_list<float> times) {
  int i = 0;
  for (int j = 0; j < 10; ++j) table[j] = HighScoreEntry();
  for (float t : times) {
    table[i].name = "p" + std::string(1, static_cast<char>('a' + i));
    table[i].totalTime = t;
    table[i].splits[4][2] = t;
    ++i;
  }
}

void readTable(const std::string& text, HighScoreEntry table[10]) {
  std::FILE* f = std::tmpfile();
  std::fputs(text.c_str(), f);
  std::rewind(f);
  readHighScoreStream(f, table);
  std::fclose(f);
}

std::string slurp(const fs::path& p) {
  std::ifstream in(p);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class TempDir : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("fivelaps-hs-" + std::to_string(getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  int filesIn() const {
    int n = 0;
    for (auto& e : fs::directory_iterator(dir_)) n += e.is_regular_file() ? 1 : 0;
    return n;
  }
  fs::path dir_;
};

TEST(Ranking, TiesGoAheadAndTheTenthPlaceIsTheLast) {
  HighScoreEntry t[10];
  fillTable(t, {10, 20, 30, 40, 50, 60, 70, 80, 90, 100});
  EXPECT_EQ(rankFor(t, 50), 5);    // equal to the fifth: fifth
  EXPECT_EQ(rankFor(t, 95), 10);
  EXPECT_EQ(rankFor(t, 100), 10);
  EXPECT_EQ(rankFor(t, 100.5f), 11);
  EXPECT_EQ(rankFor(t, 5), 1);
}

TEST(Ranking, EmptyPlacesDoNotBeatANewResult) {
  HighScoreEntry t[10];
  fillTable(t, {});
  EXPECT_EQ(rankFor(t, 123.4f), 1);
  fillTable(t, {10, 20});
  EXPECT_EQ(rankFor(t, 15), 2);
  EXPECT_EQ(rankFor(t, 25), 3);
}

TEST(Ranking, InsertingMovesTheRestDownAndDropsTheLast) {
  fillTable(gHighScores, {10, 20, 30, 40, 50, 60, 70, 80, 90, 100});
  gCurrentResult = HighScoreEntry();
  gCurrentResult.totalTime = 50;
  rankNewResult();
  ASSERT_EQ(gHighScoreRank, 5);
  insertNewResult();
  EXPECT_EQ(gHighScores[4].totalTime, 50);  // the old fifth, now sixth as well
  EXPECT_EQ(gHighScores[5].totalTime, 50);
  EXPECT_EQ(gHighScores[5].name, "pe");
  EXPECT_EQ(gHighScores[9].totalTime, 90);

  fillTable(gHighScores, {10, 20, 30, 40, 50, 60, 70, 80, 90, 100});
  gCurrentResult.totalTime = 95;
  rankNewResult();
  ASSERT_EQ(gHighScoreRank, 10);
  insertNewResult();
  EXPECT_EQ(gHighScores[8].totalTime, 90);
  EXPECT_EQ(gHighScores[9].name, "pj");  // filled from the result by the screen
}

TEST(NameEntry, LettersAreLowerCaseExceptACapitalM) {
  std::string name;
  for (unsigned char c : {'A', 'b', 'M', 'm', 'Z'}) EXPECT_TRUE(appendNameLetter(name, c));
  EXPECT_EQ(name, "abMmz");
  EXPECT_FALSE(appendNameLetter(name, '1'));
  EXPECT_FALSE(appendNameLetter(name, ' '));
  EXPECT_FALSE(appendNameLetter(name, 0xE4));
  EXPECT_EQ(name, "abMmz");
}

TEST(NameEntry, EighteenLettersKeepTheFirstSeventeen) {
  std::string name;
  int taken = 0;
  for (int i = 0; i < 18; ++i) taken += appendNameLetter(name, static_cast<unsigned char>('a' + i));
  EXPECT_EQ(taken, 17);
  EXPECT_EQ(name, "abcdefghijklmnopq");
}

TEST(NameEntry, BackspaceOnAnEmptyNameChangesNothing) {
  gCurrentResult.name.clear();
  eraseNameLetter();
  EXPECT_TRUE(gCurrentResult.name.empty());
  typeNameLetter('x');
  typeNameLetter('Y');
  eraseNameLetter();
  EXPECT_EQ(gCurrentResult.name, "x");
}

// An entry whose fifteen sectors are `base` each, with `sector` taking `length`.
HighScoreEntry evenRace(float base, int sector = 0, float length = 0) {
  HighScoreEntry e;
  float clock = 0;
  for (int s = 0; s < 15; ++s) {
    clock += s == sector && length > 0 ? length : base;
    e.splits[s / 3][s % 3] = clock;
  }
  e.totalTime = clock;
  return e;
}

TEST(IdealRace, BestOfEachSectorFromTheEntriesWhoseSplitsHoldTogether) {
  HighScoreEntry table[10];
  table[0] = evenRace(6.0f);  // 90 s
  table[1] = evenRace(6.2f, 4, 5.0f);  // the best fifth sector
  table[2] = evenRace(6.1f, 14, 5.5f);  // the best last sector
  table[3] = evenRace(6.5f, 7, 6.0f);  // ties the first in the eighth: the first keeps it
  table[4] = evenRace(1.0f);  // the splits do not reach the total
  table[4].totalTime = 95;
  table[5] = evenRace(1.0f, 3, 0.5f);  // a split standing back
  table[5].splits[1][0] = table[5].splits[0][2];
  table[6] = evenRace(1.0f);
  table[6].splits[2][1] = std::nanf("");
  table[7] = evenRace(1.0f);
  table[7].splits[0][0] = -1.0f;  // not from Go
  const IdealRace ideal = idealRace(table);
  ASSERT_TRUE(ideal.known);
  EXPECT_EQ(ideal.entries, 4);
  for (int s = 0; s < 15; ++s) {
    const int owner = s == 4 ? 1 : s == 14 ? 2 : 0;
    EXPECT_EQ(ideal.owner[s], owner) << "sector " << s;
  }
  EXPECT_FLOAT_EQ(ideal.sector[4], 5.0f);
  EXPECT_FLOAT_EQ(ideal.sector[14], 5.5f);
  EXPECT_NEAR(ideal.total, 90.0f - 1.0f - 0.5f, 1e-4);
}

TEST(IdealRace, OneEntryIsItsOwnTimeExactlyAndNoneIsUnknown) {
  HighScoreEntry table[10];
  EXPECT_FALSE(idealRace(table).known);
  const float splits[15] = {7.43f, 15.91f, 23.37f, 31.02f, 39.48f, 46.93f, 54.6f, 63.07f,
                            70.52f, 78.17f, 86.64f, 94.09f, 101.74f, 110.21f, 117.66f};
  table[0].totalTime = splits[14];
  for (int s = 0; s < 15; ++s) table[0].splits[s / 3][s % 3] = splits[s];
  const IdealRace one = idealRace(table);
  ASSERT_TRUE(one.known);
  EXPECT_EQ(one.entries, 1);
  EXPECT_EQ(one.total, table[0].totalTime);
}

TEST(HighScoreFile, ABlankStartIsAnEmptyNameNotAShiftedLine) {
  HighScoreEntry t[10];
  readTable(" 61.500000 1 2 3 4 5 6 7 8 9 10 11 12 13 14 61.5\nann 70 0 0 0 0 0 0 0 0 0 0 0 0 0 0 70\n", t);
  EXPECT_EQ(t[0].name, "");
  EXPECT_FLOAT_EQ(t[0].totalTime, 61.5f);
  EXPECT_FLOAT_EQ(t[0].splits[0][0], 1);
  EXPECT_FLOAT_EQ(t[0].splits[4][2], 61.5f);
  EXPECT_EQ(t[1].name, "ann");
  EXPECT_FLOAT_EQ(t[1].totalTime, 70);
}

TEST(HighScoreFile, ShortLinesAndMissingLinesKeepWhatTheTableHeld) {
  HighScoreEntry t[10];
  fillTable(t, {10, 20, 30});
  t[0].splits[2][1] = 7;
  readTable("bob 5 1\n", t);
  EXPECT_EQ(t[0].name, "bob");
  EXPECT_FLOAT_EQ(t[0].totalTime, 5);
  EXPECT_FLOAT_EQ(t[0].splits[0][0], 1);
  EXPECT_FLOAT_EQ(t[0].splits[2][1], 7);
  EXPECT_EQ(t[1].name, "pb");
  EXPECT_FLOAT_EQ(t[2].totalTime, 30);
}

TEST(HighScoreFile, LongNamesAndLongLinesAreReadBounded) {
  HighScoreEntry t[10];
  const std::string longName(300, 'k');
  const std::string longLine = "eve 1 2 3" + std::string(1000, ' ') + "9\n";
  readTable(longName + " 1 2\n" + longLine + "joe 42\n", t);
  EXPECT_EQ(t[0].name, std::string(19, 'k'));  // the file's field, not the typing limit
  EXPECT_EQ(t[1].name, "eve");
  EXPECT_FLOAT_EQ(t[1].totalTime, 1);
  EXPECT_EQ(t[2].name, "joe");  // the rest of the long line is not an entry
  EXPECT_FLOAT_EQ(t[2].totalTime, 42);
  EXPECT_EQ(t[3].name, "");
}

TEST_F(TempDir, AWrittenTableReadsBackTheSameWithEmptyNames) {
  HighScoreEntry t[10];
  fillTable(t, {61.25f, 70.5f});
  t[0].splits[1][2] = 23.75f;
  t[1].name = "nineteenlettersname";  // longer than can be typed: kept as the file had it
  const std::string path = (dir_ / "HighScore5.hs").string();
  ASSERT_TRUE(writeHighScoreFile(path.c_str(), t));
  const std::string text = slurp(path);
  EXPECT_EQ(text.substr(0, 13), "pa 61.250000 ");
  EXPECT_NE(text.find("\n 0.000000 0.000000"), std::string::npos);  // the file format stays

  HighScoreEntry back[10];
  fillTable(back, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  std::FILE* f = std::fopen(path.c_str(), "r");
  readHighScoreStream(f, back);
  std::fclose(f);
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(back[i].name, t[i].name) << i;
    EXPECT_FLOAT_EQ(back[i].totalTime, t[i].totalTime) << i;
    for (int l = 0; l < 5; ++l)
      for (int c = 0; c < 3; ++c) EXPECT_FLOAT_EQ(back[i].splits[l][c], t[i].splits[l][c]);
  }
  EXPECT_EQ(filesIn(), 1);
}

TEST_F(TempDir, EmptyTableEndsWithAPlaceForTheNewResult) {
  // No file at all: a finished race still gets the first place.
  const fs::path old = fs::current_path();
  fs::current_path(dir_);
  for (HighScoreEntry& e : gHighScores) e = HighScoreEntry();
  readHighScores();
  gCurrentResult = HighScoreEntry();
  gCurrentResult.totalTime = 75.5f;
  gCurrentResult.name = "ann";
  rankNewResult();
  EXPECT_EQ(gHighScoreRank, 1);
  insertNewResult();
  gHighScores[gHighScoreRank - 1] = gCurrentResult;
  writeHighScores();
  for (HighScoreEntry& e : gHighScores) e = HighScoreEntry();
  readHighScores();
  fs::current_path(old);
  EXPECT_EQ(gHighScores[0].name, "ann");
  EXPECT_FLOAT_EQ(gHighScores[0].totalTime, 75.5f);
  EXPECT_EQ(gHighScores[1].name, "");
  EXPECT_EQ(gHighScores[1].totalTime, 0);
}

// A table edited by hand: an empty place first and a result out of order.
// Read, a new result goes among the results and every result stays.
TEST_F(TempDir, AnEditedTableIsPutInOrderSoANewResultLosesNoRecord) {
  HighScoreEntry edited[10];
  fillTable(edited, {0, 180, 100, 110, 120, 130, 140, 150, 160, 170});
  const fs::path old = fs::current_path();
  fs::current_path(dir_);
  ASSERT_TRUE(writeHighScoreFile("HighScore5.hs", edited));
  readHighScores();
  gCurrentResult = HighScoreEntry();
  gCurrentResult.totalTime = 178.38f;
  gCurrentResult.name = "auto";
  rankNewResult();
  EXPECT_EQ(gHighScoreRank, 9);
  insertNewResult();
  gHighScores[gHighScoreRank - 1] = gCurrentResult;  // as the screen fills it
  testing::internal::CaptureStdout();
  writeHighScores();
  testing::internal::GetCapturedStdout();
  HighScoreEntry back[10];
  std::FILE* f = std::fopen("HighScore5.hs", "r");
  readHighScoreStream(f, back);
  std::fclose(f);
  fs::current_path(old);
  const float expected[10] = {100, 110, 120, 130, 140, 150, 160, 170, 178.38f, 180};
  for (int i = 0; i < 10; ++i) EXPECT_FLOAT_EQ(back[i].totalTime, expected[i]) << "place " << i + 1;
  EXPECT_EQ(back[8].name, "auto");
  EXPECT_EQ(back[9].name, "pb");  // the 180 s result came second in the edited file
}

// A NUL byte is part of its line, where it separates like a blank: it takes
// neither the next entry nor the numbers after the name with it.
TEST_F(TempDir, ANulByteStaysInsideItsLine) {
  const fs::path old = fs::current_path();
  fs::current_path(dir_);
  std::ofstream("HighScore5.hs") << std::string("anna\0 90\nbert 100\n", 18);
  for (HighScoreEntry& e : gHighScores) e = HighScoreEntry();
  readHighScores();
  fs::current_path(old);
  EXPECT_EQ(gHighScores[0].name, "anna");
  EXPECT_FLOAT_EQ(gHighScores[0].totalTime, 90);
  EXPECT_EQ(gHighScores[1].name, "bert");
  EXPECT_FLOAT_EQ(gHighScores[1].totalTime, 100);
}

TEST_F(TempDir, AWriteThatFailsHalfWayKeepsTheOldFile) {
  HighScoreEntry t[10];
  fillTable(t, {10, 20, 30, 40, 50, 60, 70, 80, 90, 100});
  const std::string path = (dir_ / "HighScore5.hs").string();
  ASSERT_TRUE(writeHighScoreFile(path.c_str(), t));
  const std::string before = slurp(path);
  ASSERT_GT(before.size(), 1000u);

  // A disk that fills up after 300 bytes of the new file.
  t[0].name = "newcomer";
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 300;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool written = static_cast<bool>(writeHighScoreFile(path.c_str(), t));
  setrlimit(RLIMIT_FSIZE, &saved);

  EXPECT_FALSE(written);
  EXPECT_EQ(slurp(path), before);
  EXPECT_EQ(filesIn(), 1);  // no temporary file left behind
}

TEST_F(TempDir, AnUnwritablePlaceReportsFailure) {
  HighScoreEntry t[10];
  const std::string path = (dir_ / "missing" / "HighScore5.hs").string();
  EXPECT_FALSE(writeHighScoreFile(path.c_str(), t));
}

}  // namespace
