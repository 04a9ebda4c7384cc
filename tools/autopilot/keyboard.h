// The player's keyboard as the autopilot works it: every key goes through the
// game's own key callbacks, held keys change only when the wish changes. And
// the car as the driver sees it, read from the game once a tick.
#pragma once

#include <GL/freeglut.h>

#include <vector>

#include "physics/physics.h"
#include "shell/game.h"
#include "tools/autopilot/driver.h"

namespace autopilot {

struct Tap {
  bool special;
  int key;
};

class Keyboard {
 public:
  // Down now, up after the next frame: the game sees one key-down event.
  void tap(unsigned char key) {
    taps_.push_back({false, key});
    onKeyDown(key, 0, 0);
  }
  void tapSpecial(int key) {
    taps_.push_back({true, key});
    onSpecialDown(key, 0, 0);
  }
  void releaseTaps() {
    std::vector<Tap> taps;
    taps.swap(taps_);
    for (const Tap& t : taps) {
      if (t.special) onSpecialUp(t.key, 0, 0);
      else onKeyUp(static_cast<unsigned char>(t.key), 0, 0);
    }
  }
  void holdSpecial(int key, bool want) {
    bool& held = special_[key & 255];
    if (held == want) return;
    held = want;
    if (want) onSpecialDown(key, 0, 0);
    else onSpecialUp(key, 0, 0);
  }
  void holdKey(unsigned char key, bool want) {
    bool& held = plain_[key];
    if (held == want) return;
    held = want;
    if (want) onKeyDown(key, 0, 0);
    else onKeyUp(key, 0, 0);
  }
  void drive(const DriveKeys& k) {
    holdSpecial(GLUT_KEY_UP, k.accelerate);
    holdSpecial(GLUT_KEY_DOWN, k.reverse);
    holdSpecial(GLUT_KEY_LEFT, k.left);
    holdSpecial(GLUT_KEY_RIGHT, k.right);
    holdKey(' ', k.brake);
  }
  void releaseDriving() { drive(DriveKeys()); }

 private:
  std::vector<Tap> taps_;
  bool special_[256] = {};
  bool plain_[256] = {};
};

inline CarView carThisTick() {
  CarView car;
  car.x = gCarPose.t.x;
  car.z = gCarPose.t.z;
  car.forwardX = gCarForward[0];
  car.forwardZ = gCarForward[1];
  car.speedPerFrame = gCarSpeed;  // the driver's frame is the game's tick
  car.steerAngle = gSteerAngle;
  car.frameSeconds = kTickSeconds;
  return car;
}

}  // namespace autopilot
