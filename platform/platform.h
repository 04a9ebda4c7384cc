// The platform layer: the handful of operating-system services the game uses.
// Everything POSIX or terminal-specific stays behind this header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// Monotonic 64-bit performance counter (nanoseconds since an arbitrary start)
// and its fixed frequency in counts per second. Both always succeed.
bool QueryPerformanceCounter(int64_t* count);
bool QueryPerformanceFrequency(int64_t* countsPerSecond);

// Puts the processor's float arithmetic in its standard state (round to
// nearest, denormals kept), whatever a library or -ffast-math's start-up code
// set: a race's floats depend on it.
void useStandardFloatingPoint();

// Shows (true) or hides (false) the mouse cursor over the game window.
// Returns the new display count the way the desktop call does: >= 0 shown.
int ShowCursor(bool show);

// Console failure path: prints the message to standard output, waits for a
// single key press (raw, no echo) only when standard input is a terminal,
// then ends the process with status 0.
[[noreturn]] void failOnConsole(const char* message);

// Waits for one key press on a terminal; returns at once when standard input
// is not a terminal. Returns true when it waited for a key.
bool waitForConsoleKey();

namespace platform {
// What became of a save; true only when the new file is in place.
// Unreadable: the file is there but could not be opened for reading, so what
// it holds was never seen; replacing it would lose it. OtherOwner: the file
// belongs to someone the save cannot give the new file back to.
struct SaveResult {
  enum Outcome { Saved, ReadOnly, Unreadable, OtherOwner, Failed } outcome;
  explicit operator bool() const { return outcome == Saved; }
};

// Saves a file safely: `write` fills a new temporary file beside the file
// (".<name>.fivelaps-saving-XXXXXX"), which is flushed, synced and renamed over
// it. A symbolic link is followed: the file it names is replaced in its own
// folder and the link stays a link; a chain that loops or runs deeper than 40
// links is left alone (Failed). A file without its owner's write bit is left
// alone (ReadOnly), and so is one that cannot be opened for reading
// (Unreadable) or whose owner the new file cannot keep (OtherOwner); the new
// file keeps the old one's mode and owner, and a first save makes it 0644
// less the umask. Failed when anything else went wrong; the file is then as
// it was. Temporaries that a killed save left and
// that are a minute old are removed first; no other file is ever touched.
SaveResult replaceFile(const char* path, const std::function<bool(std::FILE*)>& write);

// One of the player's files, read into memory so that no file can hold the
// game up: a FIFO, a device, a folder or a socket is refused (NotAFile)
// without waiting on it, and reading stops after `limit` bytes, so a file
// without end is read no further than the largest file of its kind. Missing:
// nothing there (nor at a link's end). Unreadable: there, but it could not be
// opened or read. Only a Read file has a stream, over the bytes read; the
// caller closes it.
struct PlayerFile {
  enum Outcome { Read, Missing, NotAFile, Unreadable } outcome;
  std::FILE* stream;
};
PlayerFile readPlayerFile(const char* path, std::size_t limit);
// Nothing there at all, as readPlayerFile would find it; a file there that
// cannot be read is not missing.
bool playerFileMissing(const char* path);

// A folder of the player's, made when missing (0777 less the umask). True when
// a folder is there afterwards, links followed.
bool makeFolder(const char* path);
// The names of the plain files in a folder whose names end in `ending`,
// sorted; none when it is no folder.
std::vector<std::string> filesEndingIn(const char* folder, const char* ending);
// Removes a file the game wrote: only a plain file, never a link or a folder.
bool removeOwnFile(const char* path);

// The keyboard keys (the display's key codes) that can type `character`, the
// control characters Ctrl gives included; 0 without a display to ask.
constexpr int kMostKeysTyping = 2;
int keysTyping(unsigned char character, int (&keys)[kMostKeysTyping]);

// A display mode as the display offers it: the refresh rate rounded to Hz.
struct OfferedMode {
  int width = 0, height = 0, refreshRate = 0;
  bool operator==(const OfferedMode& o) const {
    return width == o.width && height == o.height && refreshRate == o.refreshRate;
  }
};
// The modes the display's connected outputs offer (XRandR), each once, the
// largest first; empty without a display or RandR.
std::vector<OfferedMode> offeredModes();
// The mode the display shows now (its first lit output's); zeros when unknown.
OfferedMode currentMode();

// Watches the window whose GL context is current for losing the keyboard's
// focus or being unmapped (minimised); windowLostFocus says whether it did
// since it was last asked. Nothing happens without a display.
void watchWindowFocus();
bool windowLostFocus();

// Runs the program again in this process with these arguments; returns (after
// saying why in one line) only when it could not.
void restartProcess(const std::vector<std::string>& arguments);

// Tests replace the counter with their own clock; nullptr restores the real one.
using CounterSource = int64_t (*)();
void setCounterSource(CounterSource source);
}  // namespace platform
