// The ideal race under the high-score table: the best of each sector among
// the entries, added up, and whose each best is.
#include <GL/glew.h>

#include <cmath>
#include <string>

#include "ui/draw2d.h"
#include "ui/ui.h"

namespace {

constexpr int kTableSize = 10;

// An entry's sectors from its splits, which are race-clock readings from Go.
// Readings that do not climb from zero to the entry's own total come from an
// edited or damaged table: its sectors would mean nothing. In double, a
// difference of two floats is exact, and one entry's sectors add up to its
// total exactly.
bool sectorsOf(const HighScoreEntry& entry, double sectors[kSectorCount]) {
  if (!std::isfinite(entry.totalTime) || !(entry.totalTime > 0)) return false;
  double before = 0;
  for (int s = 0; s < kSectorCount; ++s) {
    const double split = entry.splits[s / 3][s % 3];
    if (!std::isfinite(split) || !(split > before)) return false;
    sectors[s] = split - before;
    before = split;
  }
  return entry.splits[4][2] == entry.totalTime;
}

}  // namespace

IdealRace idealRace(const HighScoreEntry table[10]) {
  IdealRace ideal;
  double best[kSectorCount] = {};
  for (int i = 0; i < kTableSize; ++i) {
    double sectors[kSectorCount];
    if (!sectorsOf(table[i], sectors)) continue;
    for (int s = 0; s < kSectorCount; ++s) {
      // The table is in order: on a tie the better-placed entry, met first, keeps the sector.
      if (ideal.known && !(sectors[s] < best[s])) continue;
      best[s] = sectors[s];
      ideal.owner[s] = i;
    }
    ideal.known = true;
    ++ideal.entries;
  }
  double total = 0;
  for (int s = 0; s < kSectorCount; ++s) {
    ideal.sector[s] = static_cast<float>(best[s]);
    total += best[s];
  }
  ideal.total = static_cast<float>(total);
  return ideal;
}

namespace {

float fw(int v) { return static_cast<float>(v); }

// ---- The line's band: between the tenth row (baseline 0.2H) and the key hints
// under it (from 0.105H down). The menu font's digits stand on 0.81 of its
// cell from the top and fill 0.76 of it; the strip's fill 0.055 to 0.97 of
// its glyph.
constexpr float kBaseline = 0.118f;  // of the screen's height, for both fonts
constexpr float kTextCell = 0.0447f, kTextBaseline = 0.81f, kTextInk = 0.76f, kOwnerCell = 0.8f * kTextCell;
constexpr float kTimeScale = 0.85f, kTimeInkBottom = 0.055f;
// Owners: fifteen slots, the laps' three apart by a gap, between "Ideal" and the time.
constexpr float kOwnersLeft = 0.2f, kOwnersRight = 0.69f, kLapGap = 0.5f;
// A place takes at most this share of its slot: a 10 beside a 1 stays apart from it.
constexpr float kPlaceShare = 0.75f;

float slotWidth(int w) { return (kOwnersRight - kOwnersLeft) * fw(w) / (kSectorCount + 4 * kLapGap); }

// Places a little smaller than the words, so that three of them read as
// three and not as one number; a thin bar between laps.
void drawOwners(const IdealRace& ideal, int w, int h) {
  const float slot = slotWidth(w), height = kOwnerCell * fw(h), baseline = kBaseline * fw(h);
  const float top = baseline + kTextBaseline * height;
  for (int s = 0; s < kSectorCount; ++s) {
    const std::string place = std::to_string(ideal.owner[s] + 1);
    const float centre = kOwnersLeft * fw(w) + (fw(s) + kLapGap * fw(s / 3) + 0.5f) * slot;
    const float width = std::fmin(menuTextWidth(place, height), kPlaceShare * slot);
    drawMenuText(place, centre - width / 2, top, height, kPlaceShare * slot);
  }
  glDisable(GL_TEXTURE_2D);
  const float bar = std::fmax(1.0f, fw(w / 640));
  for (int lap = 1; lap < 5; ++lap) {
    const float x = kOwnersLeft * fw(w) + (fw(3 * lap) + kLapGap * (fw(lap) - 0.5f)) * slot;
    ui2d::wholeQuad(x - bar / 2, baseline, x + bar / 2, baseline + kTextInk * kTextCell * fw(h));
  }
  glEnable(GL_TEXTURE_2D);
}

void drawIdealTime(float total, int w, int h) {
  glPushMatrix();
  glTranslatef(fw(w / 10 + w * 6 / 10), (kBaseline - kTimeScale * kTimeInkBottom / 24) * fw(h), 0);
  glScalef(kTimeScale, kTimeScale, 1);
  glBindTexture(GL_TEXTURE_2D, gTexNumbers);
  drawHudTime(total);
  glPopMatrix();
}

}  // namespace

void drawIdealRace(int w, int h) {
  const IdealRace ideal = idealRace(gHighScores);
  if (!ideal.known) return;
  glPushMatrix();
  glLoadIdentity();
  // Fades in with the table.
  const HighScoreScreen& screen = gHighScoreScreen;
  const float level = screen.elapsed < 2 ? static_cast<float>(screen.elapsed / 2) : 1.0f;
  glColor4f(level, level * 0.85f, level * 0.45f, 1);  // pale gold: no entry's line
  const float height = kTextCell * fw(h);
  const float top = kBaseline * fw(h) + kTextBaseline * height;
  drawMenuText("Ideal", fw(w / 10), top, height, (kOwnersLeft - 0.11f) * fw(w));
  // One entry's ideal is that race itself: no sector has another owner to name.
  if (ideal.entries == 1) {
    drawMenuText("one race so far", kOwnersLeft * fw(w), top, height, (kOwnersRight - kOwnersLeft) * fw(w));
  } else {
    drawOwners(ideal, w, h);
  }
  drawIdealTime(ideal.total, w, h);
  glColor4f(1, 1, 1, 1);
  glPopMatrix();
}
