// Scenery placement tables: the line rules, and which list each file fills.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "race/race.h"

namespace {

std::vector<Placement> readTable(const std::string& text) {
  std::FILE* f = std::tmpfile();
  std::fputs(text.c_str(), f);
  std::rewind(f);
  std::vector<Placement> list;
  readPlacementStream(f, list);
  std::fclose(f);
  return list;
}

TEST(PlacementTable, EofLineAloneRepeatsTheLastRecord) {
  auto list = readTable("1 2 3 4 5 6 7 8 9\n10 20 30 40 50 60 70 80 90\nEOF\n");
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].x, 1);
  EXPECT_EQ(list[0].yaw, 5);
  EXPECT_EQ(list[0].scaleZ, 9);
  EXPECT_EQ(list[2].x, 10);
  EXPECT_EQ(list[2].scaleZ, 90);
}

TEST(PlacementTable, EofAfterTheNumbersEndsTheTableAndLaterLinesAreNotRead) {
  auto list = readTable("1 2 3 4 5 6 7 8 9\n2 2 2 2 2 2 2 2 2 EOF\n3 3 3 3 3 3 3 3 3\n");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[1].x, 2);
}

TEST(PlacementTable, ShortAndEmptyLinesTakeTheMissingFieldsFromTheLineBefore) {
  auto list = readTable("1 2 3 4 5 6 7 8 9\n-4 -5\n\nEOF");
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[1].x, -4);
  EXPECT_EQ(list[1].y, -5);
  EXPECT_EQ(list[1].z, 3);
  EXPECT_EQ(list[1].scaleY, 8);
  EXPECT_EQ(list[2].x, -4);
  EXPECT_EQ(list[2].scaleZ, 9);
  EXPECT_EQ(list[3].x, -4);
}

TEST(PlacementTable, AnOverlongLineIsOneRecordAndReadSafely) {
  std::string longLine = "5 6 7 8 9 10 11 12 13" + std::string(5000, ' ') + "99 99 99\n";
  auto list = readTable(longLine + "1 1 1 1 1 1 1 1 1\nEOF\n");
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].x, 5);
  EXPECT_EQ(list[1].x, 1);
}

TEST(PlacementTable, NoEofLineReadsToTheEndOfTheFile) {
  auto list = readTable("garbage\n1 2 3 4 5 6 7 8 9");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].x, 0);  // nothing parsed before it: zero
  EXPECT_EQ(list[1].z, 3);
}

TEST(PlacementFiles, EachTableFillsOnlyItsOwnListAndMissingOnesStayEmpty) {
  const auto old = std::filesystem::current_path();
  const auto dir = std::filesystem::temp_directory_path() / ("fivelaps-placement-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir / "Data/Models");
  std::ofstream(dir / "Data/Models/Palme201.txt") << "1 0 2 0 45 0 1 1 1\nEOF\n";
  std::ofstream(dir / "Data/Models/Haus01.txt") << "3 0 4 0 90 0 2 2 2\n5 0 6 0 90 0 2 2 2 EOF\n";
  std::filesystem::current_path(dir);
  gPalmPlacements.clear();
  gPalm2Placements.clear();
  gBushPlacements.clear();
  gHousePlacements.clear();
  readPlacementFile("Data/Models/Palme01.txt");
  readPlacementFile("Data/Models/Palme201.txt");
  readPlacementFile("Data/Models/Busch01.txt");
  readPlacementFile("Data/Models/Haus01.txt");
  std::filesystem::current_path(old);
  std::filesystem::remove_all(dir);
  EXPECT_TRUE(gPalmPlacements.empty());
  EXPECT_TRUE(gBushPlacements.empty());
  ASSERT_EQ(gPalm2Placements.size(), 2u);
  EXPECT_EQ(gPalm2Placements[0].yaw, 45);
  ASSERT_EQ(gHousePlacements.size(), 2u);
  EXPECT_EQ(gHousePlacements[1].x, 5);
}

}  // namespace
