// The camera: what a robot sees of the landmarks, the ball and the other robots, in polar
// coordinates relative to its camera, within the field of view.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "sim/physics/geometry.h"
#include "sim/physics/robotdesc.h"

namespace sim {

class World;

constexpr int kVisionPeriodCycles = 3;  // vision in cycles whose index is divisible by 3
constexpr double kViewHalfAngleDeg = 60.0;

// Noise with --noise=on: the distance is scaled by 1 + N(0, kDistanceNoise); both angles get
// N(0, kAngleNoiseDeg) added.
constexpr double kDistanceNoise = 0.01;
constexpr double kAngleNoiseDeg = 0.1;
// And each robot's camera is mounted slightly off, fixed from the moment it joins: an offset
// of N(0, kCalibrationOffsetM) along each camera axis and a turn of N(0, kCalibrationTurnDeg)
// about each. 5 mm and 0.2 deg move a landmark 10 m away by about 4 cm.
constexpr double kCalibrationOffsetM = 0.005;
constexpr double kCalibrationTurnDeg = 0.2;

// A camera's mounting error, in its own frame (x right, y view, z up): seen points are those
// of a camera at pose * (offset, turn).
struct CameraCalibration {
    Vec3 offset;  // m
    Rot3 turn;
};

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

struct SeenLine {  // the part of a field line in view: its two ends
    Polar a, b;
};

struct VisionReading {
    std::vector<SeenLandmark> landmarks;
    bool ballSeen = false;
    Polar ball;
    std::vector<SeenRobot> robots;
    std::vector<SeenLine> lines;
};

bool IsVisionCycle(long cycle);

// The polar coordinates of a field point seen from a camera pose.
Polar ToPolar(const Pose& camera, Vec3 point);
bool InView(const Polar& p);

// The parts of the segment a-b (field frame) in view of the camera, each as its two ends; a
// segment can leave the view and come back (a camera looking down past its own feet).
std::vector<SeenLine> ClipToView(const Pose& camera, Vec3 a, Vec3 b);

class Vision {
  public:
    explicit Vision(bool noise = false, std::uint32_t seed = 0, bool lines = true)
        : noise(noise), lines(lines), rng(seed), calibrationRng(seed ^ 0x5eedca11u) {}

    // What `robot` sees now, through a camera mounted with `calibration`.
    VisionReading See(const World& world, int robot, const CameraCalibration& calibration = {});

    // A new robot's mounting error: drawn from the seed with noise on, none without.
    CameraCalibration DrawCalibration();

    bool noise;
    bool lines;
    std::mt19937 rng;
    std::mt19937 calibrationRng;  // apart, so that joins do not shift the per-sighting noise

  private:
    Polar Perturbed(Polar p);
};

}  // namespace sim
