#ifndef WALK_INVERSE_H
#define WALK_INVERSE_H

#include "world/operatematrix.h"

// Gait generator. Only the per-object part is declared so far: the walking state itself is
// process-wide (static) and comes with the gait code.
class Inverse {
  public:
    FlagLocation leftAnkle;
    FlagLocation rightAnkle;
    FlagLocation torseLocation;
    float upFootOffset = 0.007f;  // height by which the swing foot is lifted, metres
};

#endif
