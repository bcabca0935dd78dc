#include "sim/referee/trainer.h"

#include <cmath>

#include "sim/physics/field.h"

namespace {

const double kPlacementMargin = 1.5;     // m, the grass beyond the lines
const double kPlacementZ[2] = {-1, 50};  // m

}  // namespace

const char* const kOffGrassError =
    "position off the grass (|x| at most 12, |y| at most 8.5) or z outside -1..50 m";

bool PlaceableOnGrass(const double pos[3]) {
    return std::fabs(pos[0]) <= sim::kFieldLength / 2 + kPlacementMargin &&
           std::fabs(pos[1]) <= sim::kFieldWidth / 2 + kPlacementMargin &&
           pos[2] >= kPlacementZ[0] && pos[2] <= kPlacementZ[1];
}
