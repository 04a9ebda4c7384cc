// Where the game looks for each glyph, label and message in its pictures:
// columns and rows of a pixel grid, inclusive, rows counted from the bottom
// (row 0 is t = 0). Shared by the generator and its tests.
#pragma once

namespace layout {

struct Rect {
  int c0, c1, r0, r1;
};

// Numbers.tga: the digit strip.
constexpr int kNumbersW = 482, kNumbersH = 38;
constexpr char kDigitOrder[11] = {'5', '3', '4', '0', '8', '7', '6', '9', '2', '1', ':'};
constexpr Rect kDigits[11] = {{1, 59, 1, 37},    {60, 113, 1, 37},  {114, 166, 1, 37},
                              {167, 215, 1, 37}, {216, 264, 1, 37}, {265, 310, 1, 37},
                              {311, 353, 1, 37}, {354, 396, 1, 37}, {397, 433, 1, 37},
                              {434, 457, 1, 37}, {458, 481, 1, 37}};

// Info.tga: the option messages, 1 to 23.
constexpr int kInfoW = 800, kInfoH = 600;
constexpr int kInfoCount = 23;
constexpr Rect kInfo[kInfoCount] = {
    {22, 208, 547, 571}, {246, 464, 547, 571}, {22, 347, 504, 528}, {386, 742, 504, 528},
    {22, 327, 461, 485}, {366, 703, 461, 485}, {22, 300, 418, 442}, {334, 625, 418, 442},
    {22, 366, 375, 398}, {400, 713, 375, 398}, {22, 369, 332, 354}, {404, 745, 332, 354},
    {22, 577, 289, 311}, {22, 393, 246, 271}, {427, 768, 246, 271}, {22, 609, 203, 226},
    {22, 578, 159, 182}, {22, 453, 116, 139}, {22, 422, 73, 96},   {22, 386, 30, 53},
    {420, 753, 30, 53},  {22, 320, 3, 26},    {420, 738, 3, 26}};
constexpr const char* kInfoText[kInfoCount] = {
    "Help on",          "Help off",
    "Frame rate on",    "Frame rate off",
    "Wireframe on",     "Wireframe off",
    "Filtering: nearest", "Filtering: linear",
    "Mipmapping off",   "Mipmapping on",
    "Vertex arrays",    "Immediate mode",
    "Vertex buffer objects", "Display lists off",
    "Display lists on", "Frustum culling off",
    "Frustum culling on", "Blending off",
    "Blending on",      "Anisotropic filtering off",
    "Anisotropic filtering on",
    "Ghost car shown",  "Ghost car hidden"};

// Laps.tga: lap labels 1 to 5, then the faster and slower split arrows.
constexpr Rect kLapLabels[5] = {{22, 231, 209, 231}, {22, 231, 165, 188}, {22, 231, 122, 145},
                                {22, 231, 79, 102},  {22, 231, 36, 58}};
constexpr Rect kSplitArrows[2] = {{0, 28, 0, 23}, {62, 90, 0, 23}};

// HighScorePrompts.tga: what the high-score screen says under the table,
// the typing prompt while a name is owed and the way back otherwise. The
// screen draws a rectangle over a half of the width and 1/26 of the height,
// so on a 1024 x 768 screen a texel is a pixel.
constexpr int kPromptsW = 512, kPromptsH = 64;
constexpr Rect kPrompts[2] = {{0, 511, 33, 62}, {0, 511, 1, 30}};
constexpr const char* kPromptText[2] = {"Type your name, then press Enter", "Enter: back"};

// Menue01.tga to Menue04.tga: the title's entries, one picture each lit.
constexpr int kMenuEntries = 4;
constexpr const char* kMenuText[kMenuEntries] = {"Start race", "High scores", "Options", "Exit"};

// Schrift.tga: the options screen's font, characters 32 to 126 in rows of 16
// cells from the top left, on one baseline; the game reads their widths
// from the ink (ui/options.cpp keeps the same grid).
constexpr int kFontFirst = 32, kFontLast = 126, kFontColumns = 16;
constexpr int kFontCellW = 32, kFontCellH = 42;
constexpr int kFontW = 512, kFontH = 256;

// Characters.tga: the letter font, a to z, and each glyph's drawn width K
// in 1760ths of the screen width.
constexpr int kCharsW = 460, kCharsH = 106;
constexpr Rect kLetters[26] = {
    {0, 50, 30, 64},     {306, 355, 36, 70},  {356, 401, 36, 70},  {402, 447, 36, 70},
    {97, 142, 1, 35},    {325, 380, 71, 105}, {204, 254, 36, 70},  {51, 101, 36, 70},
    {437, 459, 71, 105}, {102, 152, 36, 70},  {45, 100, 71, 105},  {274, 315, 1, 35},
    {101, 156, 71, 105}, {153, 203, 36, 70},  {51, 96, 1, 35},     {381, 436, 71, 105},
    {0, 44, 65, 105},    {255, 305, 36, 70},  {157, 212, 71, 105}, {188, 230, 1, 35},
    {143, 187, 1, 35},   {316, 352, 1, 35},   {213, 268, 71, 105}, {269, 324, 71, 105},
    {231, 273, 1, 35},   {353, 387, 1, 35}};
constexpr int kLetterK[26] = {50, 49, 45, 45, 45, 55, 50, 50, 22, 55, 55, 41, 55,
                              50, 45, 55, 44, 50, 55, 42, 44, 36, 55, 55, 42, 34};

}  // namespace layout
