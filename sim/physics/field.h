// The pitch: dimensions and landmarks, in the absolute field frame (origin at the centre
// spot, the left team's own goal at -x, y to the left, z up; metres). The physical field and
// goals are in world.xml.
#pragma once

#include <array>
#include <vector>

#include "sim/physics/geometry.h"

namespace sim {

constexpr double kFieldLength = 21.0;
constexpr double kFieldWidth = 14.0;
constexpr double kGoalWidth = 2.1;
constexpr double kGoalHeight = 0.8;
constexpr double kGoalDepth = 0.6;
constexpr double kCentreCircleRadius = 2.0;
constexpr double kGoalAreaDepth = 1.8;  // the box in front of each goal, m
constexpr double kGoalAreaWidth = 3.9;
constexpr int kCentreCircleChords = 10;  // the circle as the cameras report it
constexpr double kBallRadius = 0.042;
// A free ball's speed decays as exp(-k t): a drag of 0.0277 N s/m on its 0.026 kg.
constexpr double kBallDecayPerSecond = 0.0277 / 0.026;

struct Landmark {
    const char* name;
    Vec3 pos;
};

// Corner flags on the ground and goal posts at their top; L and R name the halves.
constexpr std::array<Landmark, 8> kLandmarks = {{
    {"F1L", {-kFieldLength / 2, kFieldWidth / 2, 0}},
    {"F2L", {-kFieldLength / 2, -kFieldWidth / 2, 0}},
    {"F1R", {kFieldLength / 2, kFieldWidth / 2, 0}},
    {"F2R", {kFieldLength / 2, -kFieldWidth / 2, 0}},
    {"G1L", {-kFieldLength / 2, kGoalWidth / 2, kGoalHeight}},
    {"G2L", {-kFieldLength / 2, -kGoalWidth / 2, kGoalHeight}},
    {"G1R", {kFieldLength / 2, kGoalWidth / 2, kGoalHeight}},
    {"G2R", {kFieldLength / 2, -kGoalWidth / 2, kGoalHeight}},
}};

// A straight field marking on the ground, from end to end.
struct FieldLine {
    Vec3 a, b;
};

// Every marking: the side lines, the goal lines, the half-way line, the centre circle as
// kCentreCircleChords chords, and the three lines of each goal area.
const std::vector<FieldLine>& FieldLines();

}  // namespace sim
