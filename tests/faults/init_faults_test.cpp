// The game's whole start-up (initGame) with every data file damaged at once,
// and with no sound device. Each start runs in a child process with its own
// window, as a fresh game would.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "damage.h"
#include "fault_support.h"
#include "render/gl_test_window.h"
#include "shell/game.h"

namespace {

// Starts the game's initialisation in `gameDir`; 0 when it returned.
int initIn(const std::string& gameDir, bool soundDevice) {
  return faults::inChild([&] {
    if (chdir(gameDir.c_str()) != 0) return 2;
    if (soundDevice) {
      setenv("ALSOFT_DRIVERS", "null", 1);
    } else {
      faults::writeWhole(gameDir + "/none.conf", "[general]\n");
      setenv("ALSOFT_CONF", (gameDir + "/none.conf").c_str(), 1);
      setenv("ALSOFT_DRIVERS", "no-such-backend", 1);
    }
    if (!gltest::openWindow(64, 64)) return 3;
    initGame();
    return 0;
  });
}

class DamagedData : public testing::TestWithParam<faults::Damage> {};

TEST_P(DamagedData, StartUpCompletes) {
  ASSERT_GT(faults::shippedFiles().size(), 30u) << "the generated data is missing";
  const std::string dir = faults::makeScratchDir("init-damaged");
  for (const std::string& path : faults::shippedFiles()) faults::writeDamaged(dir, path, GetParam());
  EXPECT_EQ(initIn(dir, true), 0) << "initGame with every file " << faults::damageName(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Damages, DamagedData, testing::ValuesIn(faults::allDamages()),
                         [](const testing::TestParamInfo<faults::Damage>& info) {
                           return std::string(faults::damageName(info.param));
                         });

TEST(NoSoundDevice, StartUpCompletesWithTheShippedData) {
  ASSERT_FALSE(faults::shippedData().empty());
  const std::string dir = faults::makeScratchDir("init-nosound");
  ASSERT_EQ(symlink(faults::shippedData().c_str(), (dir + "/Data").c_str()), 0);
  EXPECT_EQ(initIn(dir, false), 0);
}

}  // namespace
