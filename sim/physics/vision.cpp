#include "sim/physics/vision.h"

#include <cmath>
#include <utility>

#include "sim/physics/field.h"
#include "sim/physics/sensors.h"
#include "sim/physics/world.h"

namespace sim {

bool IsVisionCycle(long cycle) {
    return cycle % kVisionPeriodCycles == 0;
}

namespace {

// Camera frame (x right, y along the view, z up) to polar.
Polar LocalToPolar(Vec3 v) {
    Polar p;
    p.distance = Norm(v);
    p.horizontalDeg = std::atan2(-v.x, v.y) * kDegPerRad;
    p.verticalDeg = std::atan2(v.z, std::hypot(v.x, v.y)) * kDegPerRad;
    return p;
}

Rot3 Multiply(const Rot3& a, const Rot3& b) {
    Rot3 r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            r.m[3 * i + j] = 0;
            for (int k = 0; k < 3; ++k) r.m[3 * i + j] += a.m[3 * i + k] * b.m[3 * k + j];
        }
    return r;
}

// Turns about x, then y, then z (radians).
Rot3 SmallTurn(double ax, double ay, double az) {
    const double cx = std::cos(ax), sx = std::sin(ax), cy = std::cos(ay), sy = std::sin(ay),
                 cz = std::cos(az), sz = std::sin(az);
    Rot3 x, y, z;
    x.m[4] = cx, x.m[5] = -sx, x.m[7] = sx, x.m[8] = cx;
    y.m[0] = cy, y.m[2] = sy, y.m[6] = -sy, y.m[8] = cy;
    z.m[0] = cz, z.m[1] = -sz, z.m[3] = sz, z.m[4] = cz;
    return Multiply(z, Multiply(y, x));
}

// Parameters t in (0, 1) where a + t (b - a) crosses a border of the view: the two planes of
// |horizontal| = 60 deg (sqrt(3) y -+ x = 0) and the cone of |vertical| = 60 deg
// (3 (x^2 + y^2) = z^2), all in the camera frame. Returns how many, sorted, into ts.
int ViewBorderCrossings(Vec3 a, Vec3 b, double ts[4]) {
    const double r3 = std::sqrt(3.0);
    const Vec3 d = b - a;
    int n = 0;
    auto keep = [&](double t) {
        if (t > 0 && t < 1) ts[n++] = t;
    };
    for (double sign : {-1.0, 1.0}) {
        const double g0 = r3 * a.y + sign * a.x, g1 = r3 * d.y + sign * d.x;
        if (std::fabs(g1) > 1e-15) keep(-g0 / g1);
    }
    const double qa = 3 * (d.x * d.x + d.y * d.y) - d.z * d.z;
    const double qb = 2 * (3 * (a.x * d.x + a.y * d.y) - a.z * d.z);
    const double qc = 3 * (a.x * a.x + a.y * a.y) - a.z * a.z;
    if (std::fabs(qa) > 1e-15) {
        const double disc = qb * qb - 4 * qa * qc;
        if (disc >= 0) {
            keep((-qb - std::sqrt(disc)) / (2 * qa));
            keep((-qb + std::sqrt(disc)) / (2 * qa));
        }
    } else if (std::fabs(qb) > 1e-15) {
        keep(-qc / qb);
    }
    for (int i = 1; i < n; ++i)  // at most four: sorted by insertion
        for (int j = i; j > 0 && ts[j - 1] > ts[j]; --j) std::swap(ts[j - 1], ts[j]);
    return n;
}

// Both ends beyond the same side plane of the view: nothing of the segment is in it.
bool WhollyBesideTheView(Vec3 a, Vec3 b) {
    const double r3 = std::sqrt(3.0);
    for (double sign : {-1.0, 1.0})
        if (r3 * a.y + sign * a.x < 0 && r3 * b.y + sign * b.x < 0) return true;
    return false;
}

}  // namespace

Polar ToPolar(const Pose& camera, Vec3 point) {
    return LocalToPolar(camera.rot.ToLocal(point - camera.pos));
}

// Between two neighbouring crossings a segment is wholly in view or wholly out: its middle
// tells. Neighbouring pieces in view join.
std::vector<SeenLine> ClipToView(const Pose& camera, Vec3 a, Vec3 b) {
    const Vec3 la = camera.rot.ToLocal(a - camera.pos), lb = camera.rot.ToLocal(b - camera.pos);
    std::vector<SeenLine> seen;
    if (WhollyBesideTheView(la, lb)) return seen;
    const Vec3 d = lb - la;
    double ts[6] = {0};
    const int count = ViewBorderCrossings(la, lb, ts + 1) + 2;
    ts[count - 1] = 1;
    double start = -1;  // where the present piece in view began, -1 when none
    for (int i = 0; i + 1 < count; ++i) {
        const bool in = InView(LocalToPolar(la + d * (0.5 * (ts[i] + ts[i + 1]))));
        if (in && start < 0) start = ts[i];
        const bool ends = start >= 0 && (!in || i + 2 == count);
        if (!ends) continue;
        const double end = in ? ts[i + 1] : ts[i];
        if (Norm(d) * (end - start) > 1e-6)
            seen.push_back({LocalToPolar(la + d * start), LocalToPolar(la + d * end)});
        start = -1;
    }
    return seen;
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

CameraCalibration Vision::DrawCalibration() {
    CameraCalibration c;
    if (!noise) return c;
    std::normal_distribution<double> offset(0.0, kCalibrationOffsetM);
    std::normal_distribution<double> turn(0.0, kCalibrationTurnDeg / kDegPerRad);
    c.offset = {offset(calibrationRng), offset(calibrationRng), offset(calibrationRng)};
    const double ax = turn(calibrationRng), ay = turn(calibrationRng), az = turn(calibrationRng);
    c.turn = SmallTurn(ax, ay, az);
    return c;
}

VisionReading Vision::See(const World& world, int robot, const CameraCalibration& calibration) {
    VisionReading seen;
    const Pose mounted = CameraPose(world, robot);
    const Pose camera = {mounted.pos + mounted.rot.ToOuter(calibration.offset),
                         Multiply(mounted.rot, calibration.turn)};
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
    if (lines) {
        for (const FieldLine& l : FieldLines())
            for (const SeenLine& part : ClipToView(camera, l.a, l.b))
                seen.lines.push_back({Perturbed(part.a), Perturbed(part.b)});
    }
    return seen;
}

}  // namespace sim
