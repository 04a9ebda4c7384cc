#include "platform/platform.h"

#include <GL/freeglut.h>
#include <termios.h>
#include <unistd.h>

#include <cfenv>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#if defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace {
platform::CounterSource gCounterSource = nullptr;
int gCursorCount = 0;

int64_t monotonicNanoseconds() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}
}  // namespace

void platform::setCounterSource(CounterSource source) { gCounterSource = source; }

bool QueryPerformanceCounter(int64_t* count) {
  *count = gCounterSource ? gCounterSource() : monotonicNanoseconds();
  return true;
}

bool QueryPerformanceFrequency(int64_t* countsPerSecond) {
  *countsPerSecond = 1000000000LL;
  return true;
}

void useStandardFloatingPoint() {
  std::fesetround(FE_TONEAREST);
#if defined(__SSE__)
  // Flush-to-zero (bit 15) and denormals-are-zero (bit 6) off.
  _mm_setcsr(_mm_getcsr() & ~0x8040u);
#endif
}

int ShowCursor(bool show) {
  gCursorCount += show ? 1 : -1;
  // Only touch GLUT once a window exists; before that there is no cursor to change.
  if (glutGetWindow() != 0) glutSetCursor(gCursorCount >= 0 ? GLUT_CURSOR_INHERIT : GLUT_CURSOR_NONE);
  return gCursorCount;
}

bool waitForConsoleKey() {
  if (!isatty(STDIN_FILENO)) return false;
  termios saved{};
  if (tcgetattr(STDIN_FILENO, &saved) != 0) return false;
  termios raw = saved;
  raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  tcsetattr(STDIN_FILENO, TCSANOW, &raw);
  char key = 0;
  ssize_t got = read(STDIN_FILENO, &key, 1);
  (void)got;
  tcsetattr(STDIN_FILENO, TCSANOW, &saved);
  return true;
}

void failOnConsole(const char* message) {
  std::fputs(message, stdout);
  std::fflush(stdout);
  waitForConsoleKey();
  std::exit(0);
}

// The same program, from the file it was started from even when that has been
// renamed since; the display, sound device and pads were let go before this.
void platform::restartProcess(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::fflush(stdout);
  execv("/proc/self/exe", argv.data());
  std::printf("The game could not start again; start it yourself to see the new settings\n");
  std::fflush(stdout);
}
