#include "sim/physics/field.h"

#include <cmath>

namespace sim {

namespace {

std::vector<FieldLine> MakeFieldLines() {
    const double hx = kFieldLength / 2, hy = kFieldWidth / 2;
    std::vector<FieldLine> lines = {
        {{-hx, hy, 0}, {hx, hy, 0}},    // side lines
        {{-hx, -hy, 0}, {hx, -hy, 0}},  //
        {{-hx, -hy, 0}, {-hx, hy, 0}},  // goal lines
        {{hx, -hy, 0}, {hx, hy, 0}},    //
        {{0, -hy, 0}, {0, hy, 0}},      // half-way line
    };
    for (int k = 0; k < kCentreCircleChords; ++k) {
        const double a0 = 2 * kPi * k / kCentreCircleChords;
        const double a1 = 2 * kPi * (k + 1) / kCentreCircleChords;
        const double r = kCentreCircleRadius;
        lines.push_back(
            {{r * std::cos(a0), r * std::sin(a0), 0}, {r * std::cos(a1), r * std::sin(a1), 0}});
    }
    const double gy = kGoalAreaWidth / 2;
    for (double side : {-1.0, 1.0}) {
        const double line = side * hx, front = side * (hx - kGoalAreaDepth);
        lines.push_back({{front, -gy, 0}, {front, gy, 0}});
        lines.push_back({{line, gy, 0}, {front, gy, 0}});
        lines.push_back({{line, -gy, 0}, {front, -gy, 0}});
    }
    return lines;
}

}  // namespace

const std::vector<FieldLine>& FieldLines() {
    static const std::vector<FieldLine> lines = MakeFieldLines();
    return lines;
}

}  // namespace sim
