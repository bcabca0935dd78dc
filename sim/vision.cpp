#include "sim/vision.h"

#include <cmath>

#include "sim/field.h"
#include "sim/sensors.h"
#include "sim/world.h"

namespace sim {

bool IsVisionCycle(long cycle) {
    return cycle % kVisionPeriodCycles == 0;
}

Polar ToPolar(const Pose& camera, Vec3 point) {
    // Camera frame: x right, y along the view, z up.
    const Vec3 v = camera.rot.ToLocal(point - camera.pos);
    Polar p;
    p.distance = Norm(v);
    p.horizontalDeg = std::atan2(-v.x, v.y) * kDegPerRad;
    p.verticalDeg = std::atan2(v.z, std::hypot(v.x, v.y)) * kDegPerRad;
    return p;
}

bool InView(const Polar& p) {
    return std::fabs(p.horizontalDeg) <= kViewHalfAngleDeg &&
           std::fabs(p.verticalDeg) <= kViewHalfAngleDeg;
}

Polar Vision::Perturbed(Polar p) {
    if (!noise) return p;
    std::normal_distribution<double> distance(0.0, kDistanceNoise);
    std::normal_distribution<double> angle(0.0, kAngleNoiseDeg);
    p.distance *= 1.0 + distance(rng);
    p.horizontalDeg += angle(rng);
    p.verticalDeg += angle(rng);
    return p;
}

VisionReading Vision::See(const World& world, int robot) {
    VisionReading seen;
    const Pose camera = CameraPose(world, robot);
    for (const Landmark& l : kLandmarks) {
        const Polar p = ToPolar(camera, l.pos);
        if (InView(p)) seen.landmarks.push_back({l.name, Perturbed(p)});
    }
    const mjData* d = world.Data();
    const Polar ball = ToPolar(camera, ToVec3(d->xpos + 3 * world.Layout().ballBody));
    if (InView(ball)) {
        seen.ballSeen = true;
        seen.ball = Perturbed(ball);
    }
    for (int other = 0; other < world.RobotCount(); ++other) {
        if (other == robot) continue;
        SeenRobot r{other, {}};
        for (int k = 0; k < kVisiblePartCount; ++k) {
            const int g = world.RobotAt(other).partGeom[k];
            const Polar p = ToPolar(camera, ToVec3(d->geom_xpos + 3 * g));
            if (InView(p)) r.parts.push_back({kVisiblePartNames[k], Perturbed(p)});
        }
        if (!r.parts.empty()) seen.robots.push_back(std::move(r));
    }
    return seen;
}

}  // namespace sim
