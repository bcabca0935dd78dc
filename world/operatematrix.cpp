#include "world/operatematrix.h"

#include <climits>
#include <cmath>
#include <iostream>

namespace {
const double kPi = 3.1415926;  // the body code's value of pi, on purpose not full precision
}

FlagLocation FlagLocation::operator+(FlagLocation o) const {
    return FlagLocation(x + o.x, y + o.y, z + o.z);
}

FlagLocation FlagLocation::operator-(FlagLocation o) const {
    return FlagLocation(x - o.x, y - o.y, z - o.z);
}

FlagLocation FlagLocation::operator*(float k) const {
    return FlagLocation(x * k, y * k, z * k);
}

FlagLocation FlagLocation::operator/(float k) const {
    return FlagLocation(x / k, y / k, z / k);
}

float AngleToArc(float deg) {
    return static_cast<float>(deg * kPi / 180);
}

float ArcToAngle(float rad) {
    float scaled = 180 * rad;  // formed in float before the double division
    return static_cast<float>(scaled / kPi);
}

double NormalizeAngle(double a) {
    if (!std::isfinite(a)) return a;
    // Whole turns cannot be subtracted one by one once 360 is below the value's resolution.
    if (std::fabs(a) > 1e7) a = std::fmod(a, 360.0);
    while (a > 180) a -= 360;
    while (a < -180) a += 360;
    return a;
}

double Round(double v, int n) {
    int m = 1;
    for (int i = 0; i < n; ++i) m *= 10;
    double shifted = v * m + 0.5;
    // Outside the 32-bit range (or NaN) the truncation has no defined value: keep v.
    if (!(shifted > INT_MIN - 1.0 && shifted < INT_MAX + 1.0)) return v;
    return static_cast<int>(shifted) / static_cast<double>(m);
}

float IsZero(float v) {
    return std::fabs(static_cast<double>(v)) < 0.01 ? 0.0f : v;
}

float IsZeroTo1(float v) {
    return v == 0 ? 0.0001f : v;
}

void TestMatrix(const Matrix3& m) {
    for (const auto& row : m) {
        for (float value : row) std::cout << value << " ";
        std::cout << std::endl;
    }
    std::cout << "~~~~~~~~~~~~" << std::endl;
}

void TestFlag(FlagLocation f) {
    std::cout << "this function printf the FlagLocation\n";
    std::cout << f.x << " " << f.y << " " << f.z << std::endl;
}

void OperateMatrix::Trans(const Matrix3& in, Matrix3& out) {
    out = TransInverse(in);
}

Matrix4 OperateMatrix::TransInverse(const Matrix4& T) {
    Matrix4 r{};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) r[i][j] = T[j][i];
        float p = 0;
        for (int j = 0; j < 3; ++j) p += T[j][i] * T[j][3];
        r[i][3] = -p;
    }
    r[3][3] = 1;
    return r;
}

Matrix3 OperateMatrix::TransInverse(const Matrix3& R) {
    Matrix3 r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r[i][j] = R[j][i];
    return r;
}

void OperateMatrix::TransInverse(const Matrix4& T, Matrix4& out) {
    out = TransInverse(T);
}

void OperateMatrix::TMatrixNaoTo3D(const Matrix4& in, Matrix4& out) {
    Matrix4 r{};
    for (int row = 0; row < 4; ++row) {
        r[row][0] = -in[row][1];
        r[row][1] = in[row][0];
        r[row][2] = in[row][2];
        r[row][3] = in[row][3];
    }
    out = r;
}

void OperateMatrix::Muti(const Matrix3& R, const Column3& v, Column3& out) {
    Column3 r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r[i][0] += R[i][j] * v[j][0];
    out = r;
}

FlagLocation OperateMatrix::Muti(const Matrix3& R, const Column3& v) {
    Column3 r{};
    Muti(R, v, r);
    return FlagLocation(r[0][0], r[1][0], r[2][0]);
}

FlagLocation OperateMatrix::Muti(const Matrix3& R, FlagLocation v) {
    Column3 c{};
    c[0][0] = v.x;
    c[1][0] = v.y;
    c[2][0] = v.z;
    return Muti(R, c);
}

FlagLocation OperateMatrix::Muti(const Matrix4& T, FlagLocation p) {
    Matrix4 moved{};
    SetMatrix(p.x, p.y, p.z, moved);
    Matrix4 r = Muti(T, moved);
    return FlagLocation(r[0][3], r[1][3], r[2][3]);
}

void OperateMatrix::Muti(const Matrix4& A, const Matrix4& B, Matrix4& out) {
    Matrix4 r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k) r[i][j] += A[i][k] * B[k][j];
    out = r;
}

Matrix4 OperateMatrix::Muti(const Matrix4& A, const Matrix4& B) {
    Matrix4 r{};
    Muti(A, B, r);
    return r;
}

void OperateMatrix::Muti(const Matrix3& A, const Matrix3& B, Matrix3& out) {
    Matrix3 r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) r[i][j] += A[i][k] * B[k][j];
    out = r;
}

Matrix3 OperateMatrix::Muti(const Matrix3& A, const Matrix3& B) {
    Matrix3 r{};
    Muti(A, B, r);
    return r;
}

void OperateMatrix::SetMatrix(const Matrix3& R, float x, float y, float z, Matrix4& out) {
    Matrix4 r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r[i][j] = R[i][j];
    r[0][3] = x;
    r[1][3] = y;
    r[2][3] = z;
    r[3][3] = 1;
    out = r;
}

void OperateMatrix::SetMatrix(float x, float y, float z, Matrix4& out) {
    Matrix3 identity{};
    SetNormalMatrix(identity);
    SetMatrix(identity, x, y, z, out);
}

void OperateMatrix::SetNormalMatrix(Matrix3& out) {
    out = Matrix3{};
    for (int i = 0; i < 3; ++i) out[i][i] = 1;
}

void OperateMatrix::Set3DInNaoMatrix(Matrix3& out) {
    out = Matrix3{};
    out[0][1] = 1;
    out[1][0] = -1;
    out[2][2] = 1;
}

Matrix3 OperateMatrix::GetRotateX(float deg) {
    float theta = AngleToArc(deg);
    float c = std::cos(theta);
    float s = std::sin(theta);
    Matrix3 r{};
    r[0] = {1, 0, 0};
    r[1] = {0, c, -s};
    r[2] = {0, s, c};
    return r;
}

Matrix3 OperateMatrix::GetRotateY(float deg) {
    float theta = AngleToArc(deg);
    float c = std::cos(theta);
    float s = std::sin(theta);
    Matrix3 r{};
    r[0] = {c, 0, s};
    r[1] = {0, 1, 0};
    r[2] = {-s, 0, c};
    return r;
}

Matrix3 OperateMatrix::GetRotateZ(float deg) {
    float theta = AngleToArc(deg);
    float c = std::cos(theta);
    float s = std::sin(theta);
    Matrix3 r{};
    r[0] = {c, -s, 0};
    r[1] = {s, c, 0};
    r[2] = {0, 0, 1};
    return r;
}
