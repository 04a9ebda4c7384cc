// The high-score table under faults of the disk and the process: whatever
// happens while saving, the file holds the old table or the new one, whole.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "fault_support.h"
#include "race/ghost.h"
#include "race/race.h"
#include "race/recording.h"
#include "shell/game.h"
#include "ui/ui.h"

namespace {

void fillTable(HighScoreEntry (&table)[10], const char* name, float base) {
  for (int i = 0; i < 10; ++i) {
    table[i].name = name;
    table[i].totalTime = base + static_cast<float>(i);
    for (int lap = 0; lap < 5; ++lap)
      for (int split = 0; split < 3; ++split) table[i].splits[lap][split] = base / 15 + lap + split / 10.0f;
  }
}

// The bytes a table is saved as, taken from a save that is known to work.
std::string savedText(const HighScoreEntry (&table)[10]) {
  const std::string dir = faults::makeScratchDir("hs-ref");
  const std::string path = dir + "/HighScore5.hs";
  if (!writeHighScoreFile(path.c_str(), table)) return "";
  return faults::readWhole(path);
}

struct Tables {
  HighScoreEntry oldTable[10], newTable[10];
  std::string oldText, newText;
  Tables() {
    fillTable(oldTable, "anna", 100);
    fillTable(newTable, "bert", 90);
    oldText = savedText(oldTable);
    newText = savedText(newTable);
  }
};

// Child exit codes of the tmpfs cases, so a failure names what went wrong.
enum ChildResult { kOk = 0, kSetupFailed = 10, kSaveClaimedSuccess, kOldTableChanged, kLeftovers, kRetryFailed };

const char* describe(int code) {
  switch (code) {
    case kSetupFailed: return "could not write the old table before the fault";
    case kSaveClaimedSuccess: return "the save reported success although it could not write";
    case kOldTableChanged: return "the old table was changed or lost";
    case kLeftovers: return "a temporary file was left behind";
    case kRetryFailed: return "saving after the fault was cleared failed";
    default: return "the child crashed or failed otherwise";
  }
}

// Saves the new table where saving must fail and checks that the old one is
// untouched and nothing else was left in the directory.
int expectRefusedSave(const Tables& t, const std::string& path, const std::string& dir, size_t files) {
  if (writeHighScoreFile(path.c_str(), t.newTable)) return kSaveClaimedSuccess;
  if (faults::readWhole(path) != t.oldText) return kOldTableChanged;
  if (faults::listDir(dir).size() != files) return kLeftovers;
  return kOk;
}

TEST(HighScoreFaults, ReadOnlyDirectoryKeepsTheOldTable) {
  const Tables t;
  ASSERT_FALSE(t.oldText.empty());
  const std::string dir = faults::makeScratchDir("hs-ro");
  const std::string path = dir + "/HighScore5.hs";
  const int result = faults::inChild([&] {
    // Root ignores permission bits: only a read-only mount refuses it.
    const bool root = geteuid() == 0;
    if (root && !faults::mountPrivateTmpfs(dir, "size=1m")) return faults::kCannotFault;
    if (!writeHighScoreFile(path.c_str(), t.oldTable)) return int(kSetupFailed);
    if (root ? !faults::remountReadOnly(dir) : chmod(dir.c_str(), 0555) != 0) return faults::kCannotFault;
    return expectRefusedSave(t, path, dir, 1);
  });
  if (result == faults::kCannotFault) GTEST_SKIP() << "cannot make a read-only directory here (no mount namespace)";
  EXPECT_EQ(result, kOk) << describe(result);
}

TEST(HighScoreFaults, FullDiskKeepsTheOldTableUntilThereIsRoom) {
  const Tables t;
  const std::string dir = faults::makeScratchDir("hs-full");
  const std::string path = dir + "/HighScore5.hs";
  const int result = faults::inChild([&] {
    if (!faults::mountPrivateTmpfs(dir, "size=64k")) return faults::kCannotFault;
    if (!writeHighScoreFile(path.c_str(), t.oldTable)) return int(kSetupFailed);
    const std::string filler = dir + "/filler";
    const int fd = open(filler.c_str(), O_WRONLY | O_CREAT, 0644);
    const std::string block(512, 'x');
    while (write(fd, block.data(), block.size()) > 0) {
    }
    while (write(fd, block.data(), 1) > 0) {
    }
    close(fd);
    if (const int refused = expectRefusedSave(t, path, dir, 2)) return refused;
    unlink(filler.c_str());
    if (!writeHighScoreFile(path.c_str(), t.newTable) || faults::readWhole(path) != t.newText) {
      return int(kRetryFailed);
    }
    return int(kOk);
  });
  if (result == faults::kCannotFault) GTEST_SKIP() << "cannot mount a small tmpfs here (needs root and a mount namespace)";
  EXPECT_EQ(result, kOk) << describe(result);
}

TEST(HighScoreFaults, ImmutableTableFileIsKept) {
  const Tables t;
  const std::string dir = faults::makeScratchDir("hs-immutable");
  const std::string path = dir + "/HighScore5.hs";
  ASSERT_TRUE(writeHighScoreFile(path.c_str(), t.oldTable));
  if (!faults::setImmutable(path, true)) GTEST_SKIP() << "the file system or the user cannot set the immutable flag";
  const int result = expectRefusedSave(t, path, dir, 1);
  faults::setImmutable(path, false);
  EXPECT_EQ(result, kOk) << describe(result);
}

// Kills a process that saves the two tables in turn at random moments: every
// time, the file must read as one of them, byte for byte.
TEST(HighScoreFaults, KilledWhileSavingLeavesOneWholeTable) {
  const Tables t;
  ASSERT_NE(t.oldText, t.newText);
  const std::string dir = faults::makeScratchDir("hs-kill");
  const std::string path = dir + "/HighScore5.hs";
  ASSERT_TRUE(writeHighScoreFile(path.c_str(), t.oldTable));
  std::mt19937 random(12345);
  int sawOld = 0, sawNew = 0;
  for (int round = 0; round < 40; ++round) {
    std::fflush(nullptr);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      // The game's own save: the table in memory, written to HighScore5.hs here.
      if (chdir(dir.c_str()) != 0 || !std::freopen("/dev/null", "w", stdout)) _exit(1);
      for (int i = 0;; ++i) {
        const HighScoreEntry(&table)[10] = i % 2 ? t.oldTable : t.newTable;
        for (int k = 0; k < 10; ++k) gHighScores[k] = table[k];
        writeHighScores();
      }
    }
    usleep(std::uniform_int_distribution<int>(1000, 30000)(random));
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    const std::string text = faults::readWhole(path);
    ASSERT_TRUE(text == t.oldText || text == t.newText) << "round " << round << " left " << text.size()
                                                        << " bytes that are neither table";
    (text == t.oldText ? sawOld : sawNew) += 1;
  }
  RecordProperty("old_table_rounds", sawOld);
  RecordProperty("new_table_rounds", sawNew);
  // The table the game reads back is the whole one as well.
  ASSERT_EQ(chdir(dir.c_str()), 0);
  HighScoreEntry back[10];
  std::FILE* file = std::fopen(path.c_str(), "r");
  ASSERT_NE(file, nullptr);
  readHighScoreStream(file, back);
  std::fclose(file);
  EXPECT_TRUE(back[9].name == "anna" || back[9].name == "bert");
}

// Kills mid-save leave temporary files; once they are old, the next save
// clears them, while one young enough to belong to a running save stays, and
// so does every file of the player's own, however old and however named.
TEST(HighScoreFaults, NextSaveClearsOnlyOldTemporariesOfKilledSaves) {
  const Tables t;
  const std::string dir = faults::makeScratchDir("hs-stale");
  const std::string path = dir + "/HighScore5.hs";
  ASSERT_TRUE(writeHighScoreFile(path.c_str(), t.oldTable));
  const std::string temporary = dir + "/.HighScore5.hs.fivelaps-saving-";
  const std::string stale = temporary + "a1B2c3", fresh = temporary + "Zz9Yy8";
  // The player's copies: the names the clean-up once took, and names of the
  // temporaries' length that are not of their form.
  const std::vector<std::string> players = {
      path + ".backup", path + ".old", path + ".1", path + ".a1B2c3", temporary + "a1B2c", temporary + "a1B-c3",
      dir + "/.HighScore5.hs.fivelaps-savingXa1B2c3", dir + "/xHighScore5.hs.fivelaps-saving-a1B2c3"};
  std::vector<std::string> old = players;
  old.push_back(stale);
  for (const std::string& name : old) {
    std::FILE* file = std::fopen(name.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs("half a tab", file);
    std::fclose(file);
    const struct timespec hourAgo[2] = {{std::time(nullptr) - 3600, 0}, {std::time(nullptr) - 3600, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, name.c_str(), hourAgo, 0), 0);
  }
  std::FILE* running = std::fopen(fresh.c_str(), "w");
  ASSERT_NE(running, nullptr);
  std::fclose(running);
  ASSERT_TRUE(writeHighScoreFile(path.c_str(), t.newTable));
  EXPECT_EQ(faults::readWhole(path), t.newText);
  EXPECT_NE(access(stale.c_str(), F_OK), 0) << "an hour-old temporary file was kept";
  EXPECT_EQ(access(fresh.c_str(), F_OK), 0) << "a save still running would lose its file";
  for (const std::string& name : players) EXPECT_EQ(access(name.c_str(), F_OK), 0) << name << " was removed";
  EXPECT_EQ(faults::listDir(dir).size(), players.size() + 2);
}

// ---- The ghost of the best race, saved with its table -------------------------

// A finished race of total 90 s in the game's table, with its ghost, the
// working directory a scratch one; `rank` is the place the race took.
class GhostSaving : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(getcwd(home_, sizeof home_), home_);
    dir_ = faults::makeScratchDir("ghost");
    ASSERT_EQ(chdir(dir_.c_str()), 0);
    fillTable(gHighScores, "anna", 90);
    gCurrentResult = gHighScores[0];
    gRaceGhost = Ghost();
    gRaceGhost.totalTime = 90;
    gRaceGhost.poses.resize(3);
  }
  void TearDown() override { ASSERT_EQ(chdir(home_), 0); }
  void saveAt(int rank) {
    gHighScoreRank = rank;
    testing::internal::CaptureStdout();
    writeHighScores();
    said_ = testing::internal::GetCapturedStdout();
  }
  bool ghostReads(float best) {
    std::FILE* f = std::fopen(kGhostFile, "rb");
    if (!f) return false;
    Ghost g;
    std::string why;
    const bool ok = readGhost(f, g, why) && ghostBelongsTo(g, best) && g.poses.size() == 3;
    std::fclose(f);
    return ok;
  }
  // The same save by the user nobody, the way a player's own game runs: the
  // folder is opened to all and the save runs in a child that drops root.
  // False where that cannot be done (not root, or the folder out of reach).
  bool saveAsNobody(int rank) {
    if (geteuid() != 0 || chmod(dir_.c_str(), 0777) != 0) return false;
    const int result = faults::inChild([&] {
      const gid_t nobody = 65534;
      if (setgroups(0, nullptr) != 0 || setresgid(nobody, nobody, nobody) != 0 ||
          setresuid(nobody, nobody, nobody) != 0 || chdir(dir_.c_str()) != 0)
        return faults::kCannotFault;
      if (!std::freopen("said", "w", stdout)) return faults::kCannotFault;
      readHighScores();  // as the title does before any race
      gHighScoreRank = rank;
      writeHighScores();
      return 0;
    });
    said_ = faults::readWhole(dir_ + "/said");
    unlink((dir_ + "/said").c_str());
    return result == 0;
  }
  char home_[4096] = {};
  std::string dir_, said_;
};

TEST_F(GhostSaving, OnlyAFirstPlaceWhoseTableWasSavedLeavesItsGhost) {
  saveAt(2);
  EXPECT_NE(access(kGhostFile, F_OK), 0) << "second place saved a ghost";
  ASSERT_EQ(unlink("HighScore5.hs"), 0);
  ASSERT_EQ(mkdir("HighScore5.hs", 0755), 0);  // the table cannot be saved
  saveAt(1);
  EXPECT_NE(access(kGhostFile, F_OK), 0) << "a ghost went ahead of a table that was not saved";
  ASSERT_EQ(rmdir("HighScore5.hs"), 0);
  gRaceGhost.totalTime = 91;
  saveAt(1);
  EXPECT_NE(access(kGhostFile, F_OK), 0) << "the ghost of another race was saved";
  gRaceGhost.totalTime = 90;
  saveAt(1);
  EXPECT_TRUE(ghostReads(90)) << said_;
  EXPECT_EQ(faults::listDir(dir_).size(), 2u) << "temporary files left";
}

TEST_F(GhostSaving, AGhostThatCannotBeReplacedIsKeptAndTheFailureSaid) {
  saveAt(1);
  ASSERT_TRUE(ghostReads(90));
  const std::string before = faults::readWhole(kGhostFile);
  if (!faults::setImmutable(kGhostFile, true)) GTEST_SKIP() << "the file system or the user cannot set the immutable flag";
  gRaceGhost.poses.resize(7);
  saveAt(1);
  faults::setImmutable(kGhostFile, false);
  EXPECT_EQ(faults::readWhole(kGhostFile), before);
  EXPECT_NE(said_.find("The ghost of the best race could not be saved; the old one is kept"), std::string::npos)
      << said_;
  EXPECT_EQ(faults::listDir(dir_).size(), 2u) << "temporary files left";
}

// ---- The player's own set-up of the files --------------------------------------

mode_t modeOf(const char* path) {
  struct stat info;
  return stat(path, &info) == 0 ? info.st_mode & 07777 : 0;
}

// Kept as links into a synced folder (one relative, one absolute): a save
// replaces the files the links name, in that folder, and the links stay.
TEST_F(GhostSaving, LinkedTableAndGhostStayLinksToTheirSavedFiles) {
  ASSERT_EQ(mkdir("synced", 0755), 0);
  faults::writeWhole("synced/HighScore5.hs", "old table\n");
  faults::writeWhole("synced/ghost", "old ghost\n");
  ASSERT_EQ(symlink("synced/HighScore5.hs", "HighScore5.hs"), 0);
  ASSERT_EQ(symlink((dir_ + "/synced/ghost").c_str(), kGhostFile), 0);
  saveAt(1);
  for (const char* link : {"HighScore5.hs", kGhostFile}) {
    struct stat info;
    ASSERT_EQ(lstat(link, &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode)) << link << " is no longer a link";
  }
  EXPECT_EQ(faults::readWhole("synced/HighScore5.hs"), savedText(gHighScores));
  EXPECT_TRUE(ghostReads(90)) << said_;
  EXPECT_EQ(faults::listDir("synced").size(), 2u) << "temporary files left in the linked folder";
  EXPECT_EQ(faults::listDir(dir_).size(), 3u) << "temporary files left beside the links";
}

// A player who took the write bit away froze that file; root may write any
// file, so the bits decide, not the permission check.
TEST_F(GhostSaving, AFileWithoutItsWriteBitIsLeftAsItIsAndTheSaveSaysSo) {
  faults::writeWhole("HighScore5.hs", "frozen table\n");
  ASSERT_EQ(chmod("HighScore5.hs", 0444), 0);
  saveAt(1);
  EXPECT_EQ(faults::readWhole("HighScore5.hs"), "frozen table\n");
  EXPECT_EQ(modeOf("HighScore5.hs"), 0444u);
  EXPECT_NE(said_.find("The high-score table HighScore5.hs is read-only: not saved, the old one is kept"),
            std::string::npos)
      << said_;
  EXPECT_NE(access(kGhostFile, F_OK), 0) << "a ghost went ahead of a table that was not saved";

  ASSERT_EQ(chmod("HighScore5.hs", 0644), 0);
  faults::writeWhole(kGhostFile, "frozen ghost\n");
  ASSERT_EQ(chmod(kGhostFile, 0400), 0);
  saveAt(1);
  EXPECT_EQ(faults::readWhole("HighScore5.hs"), savedText(gHighScores));
  EXPECT_EQ(faults::readWhole(kGhostFile), "frozen ghost\n");
  EXPECT_NE(said_.find("The ghost file HighScore5.ghost is read-only"), std::string::npos) << said_;
  EXPECT_EQ(faults::listDir(dir_).size(), 2u) << "temporary files left";
}

// A saved file keeps the mode (and, for root, the owner) the player gave it;
// a first save follows the umask.
TEST_F(GhostSaving, SavedFilesKeepTheirModeAndOwnerAndNewOnesFollowTheUmask) {
  const mode_t umaskBefore = umask(027);
  saveAt(1);
  EXPECT_EQ(modeOf("HighScore5.hs"), 0640u);
  EXPECT_EQ(modeOf(kGhostFile), 0640u);
  for (mode_t mode : {0600u, 0664u}) {
    ASSERT_EQ(chmod("HighScore5.hs", mode), 0);
    ASSERT_EQ(chmod(kGhostFile, mode), 0);
    saveAt(1);
    EXPECT_EQ(modeOf("HighScore5.hs"), mode);
    EXPECT_EQ(modeOf(kGhostFile), mode);
  }
  if (geteuid() == 0) {
    ASSERT_EQ(chown("HighScore5.hs", 4321, 4322), 0);
    saveAt(1);
    struct stat info;
    ASSERT_EQ(stat("HighScore5.hs", &info), 0);
    EXPECT_EQ(info.st_uid, 4321u);
    EXPECT_EQ(info.st_gid, 4322u);
    EXPECT_EQ(info.st_mode & 07777, 0664u);
  }
  umask(umaskBefore);
  EXPECT_TRUE(ghostReads(90)) << said_;
}

}  // namespace

namespace {

uid_t ownerOf(const char* path) {
  struct stat info;
  return stat(path, &info) == 0 ? info.st_uid : 0;
}

// A player's game cannot read a table of mode 0200, nor one that root left
// with mode 0600 after a run under sudo, and cannot give a file of root's back
// to root: each is left as it is, records and owner, and the save says so.
TEST_F(GhostSaving, AFileTheSaveCouldNotReadOrGiveBackToItsOwnerIsKept) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to run the save as another user";
  faults::writeWhole("HighScore5.hs", "ten records\n");
  ASSERT_EQ(chown("HighScore5.hs", 65534, 65534), 0);
  ASSERT_EQ(chmod("HighScore5.hs", 0200), 0);
  if (!saveAsNobody(1)) GTEST_SKIP() << "the user nobody cannot reach " << dir_;
  EXPECT_EQ(faults::readWhole("HighScore5.hs"), "ten records\n");
  EXPECT_EQ(said_.find("The high-score table HighScore5.hs could not be read\n"), 0u) << said_;
  EXPECT_NE(said_.find("The high-score table HighScore5.hs could not be read: not saved, the old one is kept"),
            std::string::npos)
      << said_;

  ASSERT_EQ(chown("HighScore5.hs", 0, 0), 0);
  ASSERT_EQ(chmod("HighScore5.hs", 0600), 0);
  ASSERT_TRUE(saveAsNobody(1));
  EXPECT_EQ(faults::readWhole("HighScore5.hs"), "ten records\n");
  EXPECT_EQ(ownerOf("HighScore5.hs"), 0u);
  EXPECT_NE(said_.find("could not be read: not saved"), std::string::npos) << said_;

  ASSERT_EQ(chmod("HighScore5.hs", 0644), 0);
  ASSERT_TRUE(saveAsNobody(1));
  EXPECT_EQ(faults::readWhole("HighScore5.hs"), "ten records\n");
  EXPECT_EQ(ownerOf("HighScore5.hs"), 0u);
  EXPECT_NE(said_.find("The high-score table HighScore5.hs belongs to another user: not saved, the old one is kept"),
            std::string::npos)
      << said_;
  EXPECT_NE(access(kGhostFile, F_OK), 0) << "a ghost went ahead of a table that was not saved";

  ASSERT_EQ(unlink("HighScore5.hs"), 0);
  faults::writeWhole(kGhostFile, "old ghost\n");
  ASSERT_EQ(chown(kGhostFile, 65534, 65534), 0);
  ASSERT_EQ(chmod(kGhostFile, 0200), 0);
  ASSERT_TRUE(saveAsNobody(1));
  EXPECT_EQ(faults::readWhole(kGhostFile), "old ghost\n");
  EXPECT_NE(said_.find("The ghost file HighScore5.ghost could not be read"), std::string::npos) << said_;
  EXPECT_EQ(faults::listDir(dir_).size(), 2u) << "temporary files left";
}

// A link that loops names no file to replace: the link stays as it is.
TEST_F(GhostSaving, ALinkLoopIsLeftAsItIs) {
  ASSERT_EQ(symlink("HighScore5.hs", "loop"), 0);
  ASSERT_EQ(symlink("loop", "HighScore5.hs"), 0);
  saveAt(1);
  struct stat info;
  ASSERT_EQ(lstat("HighScore5.hs", &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode)) << "the link was replaced";
  EXPECT_NE(said_.find("The high-score table could not be saved; the old one is kept"), std::string::npos) << said_;
  EXPECT_EQ(faults::listDir(dir_).size(), 2u) << "temporary files left";
}

// A FIFO would block the open, and a link to /dev/zero never ends: neither
// may hold the game up. Each of the player's files is refused in one line and
// the game goes on with its defaults. Should a reader block again, the alarm
// ends the test instead of hanging the suite.
TEST_F(GhostSaving, NoPlayerFileThatIsNotAPlainFileHoldsTheGameUp) {
  gHighScores[0].totalTime = 12.5f;  // not this session's best: the ghost is read from its file
  const auto said = [](const std::function<void()>& load) {
    testing::internal::CaptureStdout();
    load();
    return testing::internal::GetCapturedStdout();
  };
  for (const bool fifo : {true, false}) {
    const char* what = fifo ? "a FIFO" : "a link to /dev/zero";
    for (const char* name : {"HighScore5.hs", kGhostFile, "Config.txt", "Controls.txt", "race.rec"})
      ASSERT_EQ(fifo ? mkfifo(name, 0644) : symlink("/dev/zero", name), 0) << name;
    alarm(20);
    EXPECT_EQ(said(readHighScores), "The high-score table HighScore5.hs is not a plain file: not read\n") << what;
    EXPECT_EQ(said(loadGhostForRace), "Ghost HighScore5.ghost ignored: not a plain file\n") << what;
    EXPECT_EQ(said(readConfig), "Config.txt is not a plain file; the display settings are the game's own\n") << what;
    EXPECT_EQ(gScreenWidth, 1024);
    EXPECT_EQ(said(loadControls), "Controls.txt is no file the game can read; the keys are the game's own\n") << what;
    RaceRecording recording;
    std::string why;
    EXPECT_FALSE(loadRecordingFile("race.rec", recording, why));
    EXPECT_EQ(why, "not a plain file") << what;
    alarm(0);
    for (const std::string& name : faults::listDir(dir_)) ASSERT_EQ(unlink(name.c_str()), 0);
  }
}

// A ghost keeps the track it was driven on: one of another track is refused
// whatever its time, while one saved before the track was kept still shows.
TEST_F(GhostSaving, AGhostOfAnotherTrackIsRefusedAndAnOldOneStillShows) {
  const auto race = [&](float time) {
    loadGhostForRace();  // a race starts, on the track loaded now
    gRaceGhost.totalTime = gCurrentResult.totalTime = gHighScores[0].totalTime = time;
    gRaceGhost.poses.resize(3);
    saveAt(1);
  };
  race(12.5f);
  const std::string saved = faults::readWhole(kGhostFile);
  race(11);  // this session's best is another race: the ghost of 12.5 comes from its file
  gHighScores[0].totalTime = 12.5f;
  const std::size_t track = saved.find(" track ");
  ASSERT_NE(track, std::string::npos) << "the ghost was saved without its track";
  const auto load = [&](const std::string& bytes) {
    faults::writeWhole(kGhostFile, bytes);
    testing::internal::CaptureStdout();
    loadGhostForRace();
    return testing::internal::GetCapturedStdout();
  };
  std::string otherTrack = saved;
  otherTrack[track + 7] = otherTrack[track + 7] == '0' ? '1' : '0';
  EXPECT_EQ(load(otherTrack), "Ghost HighScore5.ghost ignored: it was driven on another track\n");
  EXPECT_TRUE(gGhost.poses.empty());
  EXPECT_EQ(load(saved), "");
  EXPECT_EQ(gGhost.poses.size(), 3u);
  const std::string old = saved.substr(0, track) + saved.substr(saved.find('\n', track));
  EXPECT_EQ(load(old), "");
  EXPECT_EQ(gGhost.poses.size(), 3u);
}

}  // namespace
