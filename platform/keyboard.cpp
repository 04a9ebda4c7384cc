// Which keyboard keys type a character: freeglut reports a key's release as
// the character the modifiers give it at that moment (1 goes down as '1' and,
// with Shift pressed in between, comes up as '!'), so the game matches a
// release to its press by the key, not by the character.
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include "platform/platform.h"

namespace {

// A connection of our own, for the keyboard map only; none without a display.
Display* keyboardDisplay() {
  static Display* display = XOpenDisplay(nullptr);
  return display;
}

// The keysyms that can deliver `c` as freeglut reports it: the key itself,
// or the key Ctrl turns into a control character.
int keysymsDelivering(unsigned char c, KeySym (&out)[2]) {
  switch (c) {
    case 8: out[0] = XK_BackSpace, out[1] = 'h'; return 2;
    case 9: out[0] = XK_Tab, out[1] = 'i'; return 2;
    case 13: out[0] = XK_Return, out[1] = 'm'; return 2;
    case 27: out[0] = XK_Escape, out[1] = '['; return 2;
    case 127: out[0] = XK_Delete; return 1;
    case 0: out[0] = '@', out[1] = ' '; return 2;
    default: break;
  }
  if (c >= 1 && c <= 26) {
    out[0] = 'a' + c - 1;
    return 1;
  }
  if (c >= 28 && c <= 31) {
    out[0] = "\\]^_"[c - 28];
    return 1;
  }
  out[0] = c;  // printable ASCII and Latin-1 have keysyms of their own code
  return 1;
}

}  // namespace

namespace platform {

int keysTyping(unsigned char character, int (&keys)[kMostKeysTyping]) {
  Display* display = keyboardDisplay();
  if (!display) return 0;
  KeySym syms[2] = {};
  const int symCount = keysymsDelivering(character, syms);
  int n = 0;
  for (int i = 0; i < symCount && n < kMostKeysTyping; ++i) {
    const KeyCode code = XKeysymToKeycode(display, syms[i]);
    if (code != 0) keys[n++] = code;
  }
  return n;
}

}  // namespace platform
