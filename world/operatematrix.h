#ifndef WORLD_OPERATEMATRIX_H
#define WORLD_OPERATEMATRIX_H

#include <array>

// Geometry vocabulary of the agent: vectors, the small records built from them, the angle
// helpers and the stateless matrix operations.
//
// Frames: the agent frame has x forward, y left, z up (metres, degrees, counter-clockwise
// positive). The robot model states its offsets as (right, forward, up); Player::SetFlagLocation
// turns such a triple into the agent frame.

// A point or vector, single precision, zero when constructed.
class FlagLocation {
  public:
    float x = 0;
    float y = 0;
    float z = 0;

    FlagLocation() = default;
    FlagLocation(float ax, float ay, float az) : x(ax), y(ay), z(az) {}

    FlagLocation operator+(FlagLocation o) const;
    FlagLocation operator-(FlagLocation o) const;
    FlagLocation operator*(float k) const;
    FlagLocation operator/(float k) const;  // no guard: division by zero gives inf/NaN
};

// A formation slot: field position and the uniform number that belongs to it.
struct PlayerFlagLocation {
    FlagLocation location;
    int num = 0;
};

// A seen player's head position and a time stamp.
struct headFlagLocation {
    FlagLocation head;
    float time = 0;
};

// A foot or torso pose: position, and rotations about x, y and z in degrees.
struct FootLocationAndAngle {
    FlagLocation location;
    FlagLocation angle;
};

// Foot pressure (c point of pressure, f force) or a seen landmark (c camera-relative cartesian,
// f polar triple as received); time is the perception time.
struct FRPFlagLocation {
    FlagLocation c;
    FlagLocation f;
    float time = 0;
};

// A landmark seen while the head turns: c camera-relative cartesian, o polar triple, f the
// position rotated into the torso orientation by the head angles (degrees) of the sighting.
struct GYRCalFlagLocation {
    FlagLocation c;
    FlagLocation f;
    FlagLocation o;
    float time = 0;
    float angleHead1 = 0;
    float angleHead2 = 0;
};

// What is known of another player: camera-relative body parts, its head in field coordinates,
// and the perception times of the latest updates.
struct PlayerSeeInfoFlagLocation {
    FlagLocation head;
    FlagLocation rlowerarm;
    FlagLocation llowerarm;
    FlagLocation rfoot;
    FlagLocation lfoot;
    FlagLocation headToGlobal;
    float headTime = 0;
    float rlowerarmTime = 0;
    float llowerarmTime = 0;
    float rfootTime = 0;
    float lfootTime = 0;
    float changeTime = 0;
    float hearTime = 0;
};

// Matrices are value types indexed [row][column]; vectors are columns multiplied from the
// right (p' = T * p); a transform holds its rotation in rows/columns 0..2 and its translation
// in column 3. Operations that produce a fresh matrix return it by value, so every result is
// its own storage.
using Matrix3 = std::array<std::array<float, 3>, 3>;
using Matrix4 = std::array<std::array<float, 4>, 4>;
using Column3 = std::array<std::array<float, 1>, 3>;

// Angle helpers. Conversions use 3.1415926 with double-precision intermediates.
float AngleToArc(float deg);
float ArcToAngle(float rad);
double NormalizeAngle(double a);  // into [-180, 180] by whole turns; +-180 kept as they are
double Round(double v, int n);    // (v*10^n + 0.5) truncated toward zero, divided by 10^n
float IsZero(float v);            // 0 when |v| < 0.01 (compared in double), else v
float IsZeroTo1(float v);         // 0.0001 for an exact zero of either sign, else v

void TestMatrix(const Matrix3& m);
void TestFlag(FlagLocation f);

// Stateless 3x3 rotation and 4x4 homogeneous-transform operations. The forms with an `out`
// argument may be given an input as `out`: the result is formed aside and then stored.
class OperateMatrix {
  public:
    void Trans(const Matrix3& in, Matrix3& out);
    Matrix4 TransInverse(const Matrix4& T);  // rigid inverse: R^T, -R^T * p
    Matrix3 TransInverse(const Matrix3& R);  // the transpose
    void TransInverse(const Matrix4& T, Matrix4& out);
    void TMatrixNaoTo3D(const Matrix4& in, Matrix4& out);  // in * Rz(-90 deg)

    void Muti(const Matrix3& R, const Column3& v, Column3& out);
    FlagLocation Muti(const Matrix3& R, const Column3& v);
    FlagLocation Muti(const Matrix3& R, FlagLocation v);
    FlagLocation Muti(const Matrix4& T, FlagLocation p);  // T applied to the point p
    void Muti(const Matrix4& A, const Matrix4& B, Matrix4& out);
    Matrix4 Muti(const Matrix4& A, const Matrix4& B);
    void Muti(const Matrix3& A, const Matrix3& B, Matrix3& out);
    Matrix3 Muti(const Matrix3& A, const Matrix3& B);

    void SetMatrix(const Matrix3& R, float x, float y, float z, Matrix4& out);
    void SetMatrix(float x, float y, float z, Matrix4& out);
    void SetNormalMatrix(Matrix3& out);
    void Set3DInNaoMatrix(Matrix3& out);  // rows (0,1,0), (-1,0,0), (0,0,1)

    Matrix3 GetRotateX(float deg);
    Matrix3 GetRotateY(float deg);
    Matrix3 GetRotateZ(float deg);
};

#endif
