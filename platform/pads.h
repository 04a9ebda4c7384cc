// Gamepads: the one pad that drives, read when the game asks. Pads come and
// go at any time; the one used most recently drives. SDL stays behind this
// header: nothing here names its types.
#pragma once

namespace platform {

// By place on the pad, whatever its labels say (south is A on some pads,
// cross or B on others).
enum PadButton {
  kPadSouth, kPadEast, kPadWest, kPadNorth, kPadBack, kPadStart, kPadLeftShoulder, kPadRightShoulder,
  kPadUp, kPadDown, kPadLeft, kPadRight, kPadRightStick, kPadButtonCount
};
enum PadAxis { kPadLeftX, kPadLeftY, kPadRightX, kPadRightY, kPadLeftTrigger, kPadRightTrigger, kPadAxisCount };

struct PadReading {
  bool present = false;               // a pad drives; all else is zero without one
  float axes[kPadAxisCount] = {};     // sticks -1 to 1 (x right, y down), triggers 0 to 1
  bool held[kPadButtonCount] = {};
  bool pressed[kPadButtonCount] = {}; // went down since the last reading, held or not now
};

// Starts the pad layer (no window of its own, and Ctrl-C still ends the
// game). False, with one line said, when it cannot: the game then has keys alone.
bool openPads();
// Takes the pads' news since the last reading and returns the driving pad.
// Call it from the main thread, once a race tick or menu frame. A pad that
// was pulled out holds nothing any more; until another is used none drives.
PadReading readPads();

// Pads made in software, for tests: attach gives a pad's number (-1 when it
// could not), which the other calls take. The game finds the pad at its next
// reading, as it finds one plugged in.
int attachVirtualPad();
bool moveVirtualPadAxis(int pad, PadAxis axis, float value);
bool setVirtualPadButton(int pad, PadButton button, bool down);
bool detachVirtualPad(int pad);

}  // namespace platform
