// What a file writer puts into a file, as a string: for the readers' tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

template <typename Write>
std::string writtenBytes(Write write) {
  std::FILE* f = std::tmpfile();
  EXPECT_TRUE(write(f));
  std::string s(static_cast<std::size_t>(std::ftell(f)), '\0');
  std::rewind(f);
  EXPECT_EQ(std::fread(s.data(), 1, s.size(), f), s.size());
  std::fclose(f);
  return s;
}
