// The autopilot: plays one or more races of the real game and checks the result.
#include "tools/autopilot/autopilot.h"

int main(int argc, char** argv) {
  autopilot::Options options;
  if (!autopilot::parseOptions(argc, argv, options)) {
    autopilot::printUsage(argv[0]);
    return 2;
  }
  return autopilot::runGame(argc, argv, options);
}
