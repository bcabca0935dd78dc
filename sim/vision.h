// The camera: what a robot sees of the landmarks, the ball and the other robots, in polar
// coordinates relative to its camera, within the field of view.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "sim/geometry.h"
#include "sim/robotdesc.h"

namespace sim {

class World;

constexpr int kVisionPeriodCycles = 3;  // vision in cycles whose index is divisible by 3
constexpr double kViewHalfAngleDeg = 60.0;

// Noise with --noise=on: the distance is scaled by 1 + N(0, kDistanceNoise); both angles get
// N(0, kAngleNoiseDeg) added.
constexpr double kDistanceNoise = 0.01;
constexpr double kAngleNoiseDeg = 0.1;

// Distance (m), horizontal angle (deg, + = left) and vertical angle (deg, + = up) relative to
// the camera; x = d cos v cos h is ahead, y = d cos v sin h to the left, z = d sin v up.
struct Polar {
    double distance = 0;
    double horizontalDeg = 0;
    double verticalDeg = 0;
};

struct SeenLandmark {
    const char* name;  // "F1L" ... "G2R"
    Polar pol;
};

struct SeenPart {
    const char* name;  // one of kVisiblePartNames
    Polar pol;
};

struct SeenRobot {
    int robot;                    // index in the world
    std::vector<SeenPart> parts;  // only parts in view; a robot with none is not listed
};

struct VisionReading {
    std::vector<SeenLandmark> landmarks;
    bool ballSeen = false;
    Polar ball;
    std::vector<SeenRobot> robots;
};

bool IsVisionCycle(long cycle);

// The polar coordinates of a field point seen from a camera pose.
Polar ToPolar(const Pose& camera, Vec3 point);
bool InView(const Polar& p);

class Vision {
  public:
    explicit Vision(bool noise = false, std::uint32_t seed = 0) : noise(noise), rng(seed) {}

    // What `robot` sees now.
    VisionReading See(const World& world, int robot);

    bool noise;
    std::mt19937 rng;

  private:
    Polar Perturbed(Polar p);
};

}  // namespace sim
