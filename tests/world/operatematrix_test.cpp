// Angle helpers' precision rules and the matrix operations' axes, signs and order.

#include "world/operatematrix.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

namespace {

void ExpectNear(FlagLocation got, FlagLocation want) {
    EXPECT_NEAR(got.x, want.x, 1e-5f);
    EXPECT_NEAR(got.y, want.y, 1e-5f);
    EXPECT_NEAR(got.z, want.z, 1e-5f);
}

TEST(AngleHelpers, PrecisionRules) {
    const double normalized[][2] = {{540, 180}, {181, -179}, {180, 180}, {-180, -180}};
    for (const auto& c : normalized) EXPECT_EQ(NormalizeAngle(c[0]), c[1]) << c[0];
    EXPECT_LE(std::fabs(NormalizeAngle(1e300)), 180);  // terminates on huge values
    // 3.1415926 rounds to a different float than full-precision pi.
    EXPECT_EQ(AngleToArc(180), 3.1415925f);

    // Round adds one half and truncates toward zero: {value, places, result}.
    const double rounds[][3] = {
        {2.5, 0, 3}, {-2.5, 0, -2}, {0.125, 2, 0.13}, {-1.36, 1, -1.3}, {1e12, 2, 1e12}};
    for (const auto& c : rounds)
        EXPECT_DOUBLE_EQ(Round(c[0], int(c[1])), c[2]) << c[0] << " " << c[1];

    // The float nearest to 0.01 lies just below 0.01 in double precision.
    EXPECT_EQ(IsZero(-0.01f), 0);
    EXPECT_EQ(IsZero(-0.0101f), -0.0101f);
    EXPECT_EQ(IsZeroTo1(-0.0f), 0.0001f);
}

TEST(Rotations, TurnCounterClockwiseAndComposeLeftToRight) {
    OperateMatrix m;
    // {rotation, point, its image}
    const std::tuple<Matrix3, FlagLocation, FlagLocation> cases[] = {
        {m.GetRotateZ(90), {1, 0, 0}, {0, 1, 0}},
        {m.GetRotateX(90), {0, 1, 0}, {0, 0, 1}},
        {m.GetRotateY(90), {0, 0, 1}, {1, 0, 0}},
        {m.GetRotateZ(-30), {1, 0, 0}, {0.8660254f, -0.5f, 0}}};
    for (const auto& [r, in, out] : cases) ExpectNear(m.Muti(r, in), out);
    ExpectNear(m.Muti(m.GetRotateZ(90), Column3{{{1}, {2}, {3}}}), {-2, 1, 3});

    // Rz(90) * Rx(90) applied to x: Rx leaves x, Rz turns it to y. The reverse order gives z.
    const FlagLocation x(1, 0, 0);
    ExpectNear(m.Muti(m.Muti(m.GetRotateZ(90), m.GetRotateX(90)), x), {0, 1, 0});
    ExpectNear(m.Muti(m.Muti(m.GetRotateX(90), m.GetRotateZ(90)), x), {0, 0, 1});
    Matrix4 a{}, b{};
    m.SetMatrix(m.GetRotateZ(90), 1, 2, 3, a);
    m.SetMatrix(2, 0, 0, b);
    ExpectNear(m.Muti(a, x), {1, 3, 3});
    ExpectNear(m.Muti(m.TransInverse(a), FlagLocation(1, 3, 3)), x);
    ExpectNear(m.Muti(m.Muti(a, b), FlagLocation(0, 0, 0)), {1, 4, 3});
    // in * Rz(-90), not Rz(-90) * in: the point (1, 0, 0) goes to (0, -1, 0) before b's shift.
    Matrix4 nao{};
    m.TMatrixNaoTo3D(b, nao);
    ExpectNear(m.Muti(nao, x), {2, -1, 0});

    // An input passed as the output gives the same result as a fresh output.
    Matrix4 ab = m.Muti(a, b), inv = m.TransInverse(a);
    m.Muti(a, b, b);
    EXPECT_EQ(b, ab);
    m.TransInverse(a, a);
    EXPECT_EQ(a, inv);
}

}  // namespace
