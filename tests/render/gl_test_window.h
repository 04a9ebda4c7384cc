// A GL window and a scratch working directory for the render tests that need
// the X display, plus the small files those tests write.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gltest {

// Creates the one window of the test process (once) and makes its context
// current. Fails the calling test, rather than hang, when DISPLAY is unset.
bool openWindow(int width, int height);
// Makes a fresh empty directory the working directory.
std::string enterScratchDirectory();

void writeFile(const std::string& path, const std::string& text);

// Writes an uncompressed TGA of width x height RGBA pixels given top row first.
// bitsPerPixel 32 or 24; topDown stores the rows top first (origin bit set).
void writeTga(const std::string& path, int width, int height, const std::vector<uint32_t>& rgbaTopFirst,
              int bitsPerPixel, bool topDown);

struct Rgb {
  int r, g, b;
};
std::vector<uint8_t> readBack(int width, int height);
Rgb pixelAt(const std::vector<uint8_t>& pixels, int width, int x, int y);

}  // namespace gltest
