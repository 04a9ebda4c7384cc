// Races kept as recordings and driven again with no window: a race of
// anyone's as the ghost (--ghost), refused unless it verifies; the table's
// first entry given its ghost from its kept race; and a result entering the
// table keeping its race beside it, found again by the entry alone.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "driven_game.h"
#include "race/ghost.h"
#include "shell/game.h"
#include "tools/autopilot/driven.h"
#include "ui/ui.h"

namespace {

namespace fs = std::filesystem;

std::string kept(const char* name) { return std::string(std::getenv("FIVELAPS_SOURCE_DIR")) + "/tests/shell/" + name; }

class KeptRaces : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!drivengame::start()) GTEST_SKIP() << "needs DISPLAY and the generated game data in $FIVELAPS_BINARY_DIR/game";
    std::remove(kHighScoreFile);
    std::remove(kGhostFile);
    fs::remove_all(kKeptRacesFolder);
    for (HighScoreEntry& e : gHighScores) e = HighScoreEntry();
  }
  void TearDown() override {
    raceAgainst(Ghost(), gHighScores[0].splits);
    std::remove(kHighScoreFile);
    std::remove(kGhostFile);
    fs::remove_all(kKeptRacesFolder);
  }
  // The ghost the next race runs against.
  static Ghost nextRacesGhost() {
    gTitle.active = gTitle.loadPending = true;
    gTitleEntry = 0;
    autopilot::runDrivenFrame(60);
    const Ghost ghost = gGhost;
    enterHighScores(false);
    returnToTitle();
    return ghost;
  }
};

TEST_F(KeptRaces, AnyonesRaceIsTheGhostOnceItVerifies) {
  testing::internal::CaptureStdout();
  prepareGhosts(kept("unfinished.rec").c_str());
  EXPECT_NE(testing::internal::GetCapturedStdout().find("refused: unfinished"), std::string::npos);
  EXPECT_TRUE(nextRacesGhost().poses.empty()) << "a race that does not verify became the ghost";

  testing::internal::CaptureStdout();
  prepareGhosts(kept("race.rec").c_str());
  EXPECT_NE(testing::internal::GetCapturedStdout().find("against the ghost of"), std::string::npos);
  const Ghost ghost = nextRacesGhost();
  ASSERT_FALSE(ghost.poses.empty());
  EXPECT_EQ(tableTime(ghost.totalTime), "02:58:38");
  EXPECT_NEAR(static_cast<double>(ghost.poses.size()), ghost.totalTime * 60, 2) << "a pose a tick from the start signal to the finish";
}

// A table copied with its races but without its ghost: the ghost is made from
// the first entry's race and kept; its race stays the entry's after the table
// is sorted and saved again.
TEST_F(KeptRaces, TheFirstEntrysGhostIsMadeFromItsRace) {
  RaceRecording race;
  std::string why;
  ASSERT_TRUE(loadRecordingFile(kept("race.rec").c_str(), race, why)) << why;
  DrivenRecording driven = driveRecording(race);
  ASSERT_TRUE(driven.why.empty()) << driven.why;
  HighScoreEntry entry;
  entry.name = "auto";
  entry.totalTime = driven.totalTime;
  for (int lap = 0; lap < 5; ++lap)
    for (int c = 0; c < 3; ++c) entry.splits[lap][c] = driven.splits[lap][c];
  HighScoreEntry table[10];
  table[1] = entry;  // out of order: the table is put in order when read
  table[0].name = "slow";
  table[0].totalTime = 400;
  ASSERT_TRUE(writeHighScoreFile(kHighScoreFile, table));
  ASSERT_TRUE(fs::create_directory(kKeptRacesFolder));
  ASSERT_TRUE(saveRecordingFile(keptRacePath(entry).c_str(), race));

  testing::internal::CaptureStdout();
  prepareGhosts(nullptr);
  std::printf("%s", testing::internal::GetCapturedStdout().c_str());
  EXPECT_EQ(gHighScores[0].name, "auto");
  EXPECT_EQ(keptRacePath(gHighScores[0]), keptRacePath(entry)) << "the entry read back is named otherwise";
  const platform::PlayerFile ghostFile = platform::readPlayerFile(kGhostFile, 1 << 22);
  ASSERT_EQ(ghostFile.outcome, platform::PlayerFile::Read) << "no ghost kept";
  Ghost saved;
  EXPECT_TRUE(readGhost(ghostFile.stream, saved, why)) << why;
  std::fclose(ghostFile.stream);
  EXPECT_EQ(saved.poses.size(), driven.ghost.poses.size());
  EXPECT_TRUE(ghostBelongsTo(saved, gHighScores[0].totalTime));
  EXPECT_FALSE(nextRacesGhost().poses.empty());
}

}  // namespace
