// Small vector helpers shared by the simulator's modules.
#pragma once

#include <cmath>

namespace sim {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegPerRad = 180.0 / kPi;

struct Vec3 {
    double x = 0;
    double y = 0;
    double z = 0;
};

inline Vec3 operator+(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator-(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 operator*(Vec3 a, double s) {
    return {a.x * s, a.y * s, a.z * s};
}
inline double Dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline double Norm(Vec3 a) {
    return std::sqrt(Dot(a, a));
}

// A rotation as MuJoCo stores it: 9 numbers, row-major; its columns are the axes of the
// rotated frame expressed in the outer frame.
struct Rot3 {
    double m[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};

    Vec3 Column(int c) const { return {m[c], m[3 + c], m[6 + c]}; }
    // Outer-frame vector -> rotated-frame coordinates (R^T v).
    Vec3 ToLocal(Vec3 v) const {
        return {m[0] * v.x + m[3] * v.y + m[6] * v.z, m[1] * v.x + m[4] * v.y + m[7] * v.z,
                m[2] * v.x + m[5] * v.y + m[8] * v.z};
    }
    // Rotated-frame coordinates -> outer-frame vector (R v).
    Vec3 ToOuter(Vec3 v) const {
        return {m[0] * v.x + m[1] * v.y + m[2] * v.z, m[3] * v.x + m[4] * v.y + m[5] * v.z,
                m[6] * v.x + m[7] * v.y + m[8] * v.z};
    }
};

inline Vec3 ToVec3(const double* p) {
    return {p[0], p[1], p[2]};
}
inline Rot3 ToRot3(const double* p) {
    Rot3 r;
    for (int i = 0; i < 9; ++i) r.m[i] = p[i];
    return r;
}

// A frame in the field: origin and orientation.
struct Pose {
    Vec3 pos;
    Rot3 rot;
};

}  // namespace sim
