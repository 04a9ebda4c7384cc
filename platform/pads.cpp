// Gamepads through SDL's game-controller layer: the only code that includes SDL.
// SDL's error text can be left over from an earlier call, so every call is
// judged by what it returns, and the text is read only after a failure.
#include "platform/pads.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

struct OpenPad {
  SDL_GameController* controller;
  SDL_JoystickID id;
};

// Per process: the pads plugged in, and which of them drives.
bool gPadsOpen = false;
std::vector<OpenPad> gPads;
SDL_JoystickID gDrivingPad = -1;
bool gPressed[platform::kPadButtonCount] = {};  // the driving pad's presses since the last reading
// Virtual pads for tests, by their number (SDL's joystick instance id).
std::vector<SDL_Joystick*> gVirtualPads;

const SDL_GameControllerButton kSdlButtons[platform::kPadButtonCount] = {
    SDL_CONTROLLER_BUTTON_A,          SDL_CONTROLLER_BUTTON_B,           SDL_CONTROLLER_BUTTON_X,
    SDL_CONTROLLER_BUTTON_Y,          SDL_CONTROLLER_BUTTON_BACK,        SDL_CONTROLLER_BUTTON_START,
    SDL_CONTROLLER_BUTTON_LEFTSHOULDER, SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, SDL_CONTROLLER_BUTTON_DPAD_UP,
    SDL_CONTROLLER_BUTTON_DPAD_DOWN,  SDL_CONTROLLER_BUTTON_DPAD_LEFT,   SDL_CONTROLLER_BUTTON_DPAD_RIGHT,
    SDL_CONTROLLER_BUTTON_RIGHTSTICK};
const SDL_GameControllerAxis kSdlAxes[platform::kPadAxisCount] = {
    SDL_CONTROLLER_AXIS_LEFTX,       SDL_CONTROLLER_AXIS_LEFTY,        SDL_CONTROLLER_AXIS_RIGHTX,
    SDL_CONTROLLER_AXIS_RIGHTY,      SDL_CONTROLLER_AXIS_TRIGGERLEFT,  SDL_CONTROLLER_AXIS_TRIGGERRIGHT};

// A pad whose stick or trigger moves past a quarter of its travel is being
// used; less is a pad lying on the table.
constexpr int kUsedTravel = 8192;

OpenPad* padById(SDL_JoystickID id) {
  for (OpenPad& p : gPads)
    if (p.id == id) return &p;
  return nullptr;
}

void drivenBy(SDL_JoystickID id) {
  if (id == gDrivingPad) return;
  gDrivingPad = id;
  for (bool& p : gPressed) p = false;  // the last pad's presses are not this one's
}

// A pad plugged in drives when no other does.
void plugIn(int deviceIndex) {
  SDL_GameController* controller = SDL_GameControllerOpen(deviceIndex);
  if (!controller) return;
  const SDL_JoystickID id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller));
  if (id < 0 || padById(id)) {
    if (id >= 0) SDL_GameControllerClose(controller);  // already open: SDL counts the second opening
    return;
  }
  gPads.push_back({controller, id});
  if (gDrivingPad < 0) drivenBy(id);
}

// A pad pulled out lets go of everything; no other drives until it is used.
void pullOut(SDL_JoystickID id) {
  for (std::size_t i = 0; i < gPads.size(); ++i) {
    if (gPads[i].id != id) continue;
    SDL_GameControllerClose(gPads[i].controller);
    gPads.erase(gPads.begin() + static_cast<std::ptrdiff_t>(i));
    break;
  }
  if (id == gDrivingPad) drivenBy(-1);
}

int buttonOf(Uint8 sdlButton) {
  for (int b = 0; b < platform::kPadButtonCount; ++b)
    if (kSdlButtons[b] == sdlButton) return b;
  return -1;
}

void takeEvent(const SDL_Event& e) {
  switch (e.type) {
    case SDL_CONTROLLERDEVICEADDED: plugIn(e.cdevice.which); break;
    case SDL_CONTROLLERDEVICEREMOVED: pullOut(e.cdevice.which); break;
    case SDL_CONTROLLERBUTTONDOWN:
      if (!padById(e.cbutton.which)) break;
      drivenBy(e.cbutton.which);
      if (const int b = buttonOf(e.cbutton.button); b >= 0) gPressed[b] = true;
      break;
    case SDL_CONTROLLERAXISMOTION:
      if (padById(e.caxis.which) && std::abs(e.caxis.value) > kUsedTravel) drivenBy(e.caxis.which);
      break;
    default: break;
  }
}

float axisReading(SDL_GameController* c, SDL_GameControllerAxis axis) {
  const float v = static_cast<float>(SDL_GameControllerGetAxis(c, axis)) / 32767.0f;
  return v < -1 ? -1 : v;
}

SDL_Joystick* virtualPad(int pad) {
  for (SDL_Joystick* j : gVirtualPads)
    if (SDL_JoystickInstanceID(j) == pad) return j;
  return nullptr;
}

}  // namespace

namespace platform {

bool openPads() {
  if (gPadsOpen) return true;
  // Without this SDL takes SIGINT and SIGTERM for a quit event nobody reads.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // The window with the focus is freeglut's, never SDL's.
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  // Buttons by place: the confirming button is the south one on every pad.
  SDL_SetHint(SDL_HINT_GAMECONTROLLER_USE_BUTTON_LABELS, "0");
  if (SDL_Init(SDL_INIT_GAMECONTROLLER) != 0) {
    std::printf("Gamepads cannot be used (%s); the keys still drive\n", SDL_GetError());
    std::fflush(stdout);
    return false;
  }
  gPadsOpen = true;
  return true;
}

PadReading readPads() {
  PadReading r;
  if (!gPadsOpen) return r;
  SDL_Event e;
  while (SDL_PollEvent(&e)) takeEvent(e);
  const OpenPad* pad = padById(gDrivingPad);
  if (pad) {
    r.present = true;
    for (int a = 0; a < kPadAxisCount; ++a) r.axes[a] = axisReading(pad->controller, kSdlAxes[a]);
    for (int b = 0; b < kPadButtonCount; ++b) {
      r.held[b] = SDL_GameControllerGetButton(pad->controller, kSdlButtons[b]) == 1;
      r.pressed[b] = gPressed[b];
    }
  }
  for (bool& p : gPressed) p = false;
  return r;
}

int attachVirtualPad() {
  if (!gPadsOpen) return -1;
  SDL_VirtualJoystickDesc desc{};
  desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
  desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
  desc.naxes = SDL_CONTROLLER_AXIS_MAX;
  desc.nbuttons = SDL_CONTROLLER_BUTTON_DPAD_RIGHT + 1;
  desc.axis_mask = (1u << SDL_CONTROLLER_AXIS_MAX) - 1;
  desc.button_mask = (1u << desc.nbuttons) - 1;
  desc.name = "Five Laps virtual pad";
  const int device = SDL_JoystickAttachVirtualEx(&desc);
  if (device < 0) return -1;
  SDL_Joystick* joystick = SDL_JoystickOpen(device);
  if (!joystick) {
    SDL_JoystickDetachVirtual(device);
    return -1;
  }
  gVirtualPads.push_back(joystick);
  const int pad = SDL_JoystickInstanceID(joystick);
  moveVirtualPadAxis(pad, kPadLeftTrigger, 0);
  moveVirtualPadAxis(pad, kPadRightTrigger, 0);
  return pad;
}

bool moveVirtualPadAxis(int pad, PadAxis axis, float value) {
  SDL_Joystick* j = virtualPad(pad);
  if (!j || axis < 0 || axis >= kPadAxisCount) return false;
  // A trigger's 0 to 1 spans the whole of the joystick axis it is read from.
  const bool trigger = axis == kPadLeftTrigger || axis == kPadRightTrigger;
  const float raw = trigger ? -32768.0f + value * 65535.0f : value * 32767.0f;
  const float clamped = std::fmax(-32768.0f, std::fmin(32767.0f, raw));
  return SDL_JoystickSetVirtualAxis(j, kSdlAxes[axis], static_cast<Sint16>(std::lround(clamped))) == 0;
}

bool setVirtualPadButton(int pad, PadButton button, bool down) {
  SDL_Joystick* j = virtualPad(pad);
  if (!j || button < 0 || button >= kPadButtonCount) return false;
  return SDL_JoystickSetVirtualButton(j, kSdlButtons[button], down ? 1 : 0) == 0;
}

bool detachVirtualPad(int pad) {
  SDL_Joystick* j = virtualPad(pad);
  if (!j) return false;
  int device = -1;
  for (int i = 0; i < SDL_NumJoysticks(); ++i)
    if (SDL_JoystickGetDeviceInstanceID(i) == pad) device = i;
  const bool detached = device >= 0 && SDL_JoystickDetachVirtual(device) == 0;
  SDL_JoystickClose(j);
  gVirtualPads.erase(std::find(gVirtualPads.begin(), gVirtualPads.end(), j));
  return detached;
}

}  // namespace platform
