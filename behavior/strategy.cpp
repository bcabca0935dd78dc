#include "behavior/strategy.h"

bool Strategy::findBall = false;
