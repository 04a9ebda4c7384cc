// Every shipped data file emptied, cut in half or replaced by random bytes,
// each through the loader the game reads it with, under the test display.
// Nothing a file holds may crash a loader or leave a GL error behind.
#include <gtest/gtest.h>

#include <GL/glew.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "audio/audio.h"
#include "damage.h"
#include "fault_support.h"
#include "race/race.h"
#include "render/model.h"
#include "render/render.h"
#include "render/gl_test_window.h"

namespace {

// A device that plays into nothing: the samples are still decoded and queued.
const bool kNullSoundDevice = (setenv("ALSOFT_DRIVERS", "null", 1), true);

bool endsWith(const std::string& s, const char* tail) {
  const std::string t = tail;
  return s.size() >= t.size() && s.compare(s.size() - t.size(), t.size(), t) == 0;
}

void loadAsTheGameDoes(const std::string& path) {
  if (endsWith(path, ".wrl")) {
    Model model;
    model.load(path.c_str());
  } else if (endsWith(path, ".tga")) {
    loadPicture(path.c_str());
  } else if (endsWith(path, ".jpg")) {
    loadReflectionCubeMap();
  } else if (endsWith(path, ".txt")) {
    readPlacementFile(path.c_str());
  } else {
    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(kMusicChannel, path.c_str(), FSOUND_LOOP_NORMAL, 0, 0);
    FSOUND_PlaySound(kMusicChannel, sample);
    FSOUND_StopSound(kMusicChannel);
    FSOUND_Sample_Free(sample);
  }
}

class DamagedFile : public testing::TestWithParam<faults::Damage> {};

TEST_P(DamagedFile, EveryLoaderCopes) {
  ASSERT_TRUE(kNullSoundDevice);
  ASSERT_FALSE(faults::shippedData().empty()) << "FIVELAPS_BINARY_DIR is not set";
  const std::vector<std::string> files = faults::shippedFiles();
  ASSERT_GT(files.size(), 30u) << "the generated data is missing: build the content first";
  ASSERT_TRUE(gltest::openWindow(64, 64));
  FSOUND_Init(44100, 32, 0);
  const std::string dir = faults::makeScratchDir("damaged");
  ASSERT_EQ(chdir(dir.c_str()), 0);
  for (const std::string& path : files) {
    faults::writeDamaged(dir, path, GetParam());
    while (glGetError() != GL_NO_ERROR) {
    }
    loadAsTheGameDoes(path);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << path << " " << faults::damageName(GetParam());
    unlink((dir + "/" + path).c_str());
  }
  FSOUND_Close();
}

INSTANTIATE_TEST_SUITE_P(Damages, DamagedFile, testing::ValuesIn(faults::allDamages()),
                         [](const testing::TestParamInfo<faults::Damage>& info) {
                           return std::string(faults::damageName(info.param));
                         });

// The pictures the game ships pass the checks made in front of the image
// library: the checks refuse damage, not the game's own files.
TEST(ImageChecks, AcceptTheShippedPictures) {
  for (const std::string& path : faults::shippedFiles()) {
    const std::string bytes = faults::readWhole(faults::shippedData() + "/" + path.substr(5));
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    if (endsWith(path, ".tga")) {
      EXPECT_TRUE(tgaHeaderUsable(data, bytes.size())) << path;
    } else if (endsWith(path, ".jpg")) {
      EXPECT_TRUE(jpegStructureUsable(data, bytes.size())) << path;
    }
  }
}

TEST(ImageChecks, RefuseLayoutsTheImageLibraryMishandles) {
  unsigned char tga[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 8, 0, 8, 0, 32, 8};
  EXPECT_TRUE(tgaHeaderUsable(tga, sizeof tga));
  EXPECT_FALSE(tgaHeaderUsable(tga, 17));
  tga[16] = 16;  // 16-bit colour
  EXPECT_FALSE(tgaHeaderUsable(tga, sizeof tga));
  tga[16] = 32;
  tga[12] = 0;  // no width
  EXPECT_FALSE(tgaHeaderUsable(tga, sizeof tga));
  // An APP0 segment claiming 256 bytes in a 20-byte file.
  const unsigned char jpeg[] = {0xFF, 0xD8, 0xFF, 0xE0, 0x01, 0x00, 0x02, 0x26, 0x04, 0x00,
                                0x08, 0x00, 0x3A, 0x01, 0x04, 0x00, 0x3A, 0x00, 0x08, 0x0D};
  EXPECT_FALSE(jpegStructureUsable(jpeg, sizeof jpeg));
}

}  // namespace
