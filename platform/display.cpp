// What the game asks of the display beyond freeglut, on a connection of its
// own: which keyboard keys type a character, and whether the game's window
// lost the focus.
//
// freeglut reports a key's release as the character the modifiers give it at
// that moment (1 goes down as '1' and, with Shift pressed in between, comes up
// as '!'), so the game matches a release to its press by the key.
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cmath>

#include "platform/platform.h"

namespace {

Window gWatchedWindow = 0;

// A connection of our own, for the keyboard map and the focus; none without a display.
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

int refreshOf(const XRRModeInfo& m) {
  if (m.hTotal == 0 || m.vTotal == 0) return 0;
  double rate = static_cast<double>(m.dotClock) / (static_cast<double>(m.hTotal) * m.vTotal);
  if (m.modeFlags & RR_DoubleScan) rate /= 2;
  if (m.modeFlags & RR_Interlace) rate *= 2;
  return static_cast<int>(std::lround(rate));
}

const XRRModeInfo* modeInfo(const XRRScreenResources* res, RRMode id) {
  for (int i = 0; i < res->nmode; ++i)
    if (res->modes[i].id == id) return &res->modes[i];
  return nullptr;
}

// The display's screen resources, freed by the caller; null without RandR.
XRRScreenResources* screenResources(Display* display) {
  int event = 0, error = 0;
  if (!display || !XRRQueryExtension(display, &event, &error)) return nullptr;
  return XRRGetScreenResources(display, DefaultRootWindow(display));
}

}  // namespace

namespace platform {

std::vector<OfferedMode> offeredModes() {
  Display* display = keyboardDisplay();
  XRRScreenResources* res = screenResources(display);
  std::vector<OfferedMode> modes;
  if (!res) return modes;
  for (int o = 0; o < res->noutput; ++o) {
    XRROutputInfo* out = XRRGetOutputInfo(display, res, res->outputs[o]);
    if (!out) continue;
    for (int m = 0; out->connection == RR_Connected && m < out->nmode; ++m)
      if (const XRRModeInfo* info = modeInfo(res, out->modes[m]))
        modes.push_back({static_cast<int>(info->width), static_cast<int>(info->height), refreshOf(*info)});
    XRRFreeOutputInfo(out);
  }
  XRRFreeScreenResources(res);
  std::sort(modes.begin(), modes.end(), [](const OfferedMode& a, const OfferedMode& b) {
    if (a.width != b.width) return a.width > b.width;
    if (a.height != b.height) return a.height > b.height;
    return a.refreshRate > b.refreshRate;
  });
  modes.erase(std::unique(modes.begin(), modes.end()), modes.end());
  return modes;
}

OfferedMode currentMode() {
  Display* display = keyboardDisplay();
  XRRScreenResources* res = screenResources(display);
  OfferedMode now;
  if (!res) return now;
  for (int c = 0; c < res->ncrtc && now.width == 0; ++c) {
    XRRCrtcInfo* crtc = XRRGetCrtcInfo(display, res, res->crtcs[c]);
    if (!crtc) continue;
    if (crtc->mode != None)
      if (const XRRModeInfo* info = modeInfo(res, crtc->mode))
        now = {static_cast<int>(info->width), static_cast<int>(info->height), refreshOf(*info)};
    XRRFreeCrtcInfo(crtc);
  }
  XRRFreeScreenResources(res);
  return now;
}

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

void watchWindowFocus() {
  Display* display = keyboardDisplay();
  const GLXDrawable window = glXGetCurrentDrawable();
  if (!display || window == 0) return;
  gWatchedWindow = window;
  // Another client may ask for these of freeglut's window too.
  XSelectInput(display, gWatchedWindow, FocusChangeMask | StructureNotifyMask);
  XFlush(display);
}

bool windowLostFocus() {
  Display* display = keyboardDisplay();
  if (!display || gWatchedWindow == 0) return false;
  bool lost = false;
  while (XPending(display) > 0) {
    XEvent e;
    XNextEvent(display, &e);
    if (e.xany.window != gWatchedWindow) continue;
    // A grab starting or ending (the full-screen mode's own, a desktop's
    // shortcuts) moves the focus for a moment only; a focus given to another
    // window, grabbed or not, stays away.
    const bool grabbing = e.xfocus.mode == NotifyGrab || e.xfocus.mode == NotifyUngrab;
    // Without a window manager the focus may follow the pointer: that is no
    // window taking it.
    const bool pointer = e.xfocus.detail == NotifyPointer || e.xfocus.detail == NotifyInferior;
    if (e.type == FocusOut && !grabbing && !pointer) lost = true;
    if (e.type == UnmapNotify) lost = true;
  }
  return lost;
}

}  // namespace platform
