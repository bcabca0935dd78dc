// Angle helpers, vector records and the matrix operations.

#include "world/operatematrix.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace {

void ExpectNear(FlagLocation got, float x, float y, float z, float tol = 1e-5f) {
    EXPECT_NEAR(got.x, x, tol);
    EXPECT_NEAR(got.y, y, tol);
    EXPECT_NEAR(got.z, z, tol);
}

template <class M>
void ExpectIdentity(const M& m, float tol) {
    for (size_t i = 0; i < m.size(); ++i)
        for (size_t j = 0; j < m.size(); ++j)
            EXPECT_NEAR(m[i][j], i == j ? 1.0f : 0.0f, tol) << "at " << i << "," << j;
}

TEST(AngleHelpers, NormalizeAngleBringsIntoHalfTurnRangeKeepingBounds) {
    EXPECT_EQ(NormalizeAngle(540), 180);
    EXPECT_EQ(NormalizeAngle(-540), -180);
    EXPECT_EQ(NormalizeAngle(181), -179);
    EXPECT_EQ(NormalizeAngle(-181), 179);
    EXPECT_EQ(NormalizeAngle(180), 180);
    EXPECT_EQ(NormalizeAngle(-180), -180);
    EXPECT_EQ(NormalizeAngle(725), 5);
    // Huge values still end in range instead of looping on an unchanged value.
    double huge = NormalizeAngle(1e300);
    EXPECT_LE(huge, 180);
    EXPECT_GE(huge, -180);
    EXPECT_TRUE(std::isinf(NormalizeAngle(std::numeric_limits<double>::infinity())));
}

TEST(AngleHelpers, ConversionUsesTheEightDigitPi) {
    // 3.1415926 rounds to a different float than full-precision pi.
    EXPECT_EQ(AngleToArc(180), 3.1415925f);
    EXPECT_NE(AngleToArc(180), static_cast<float>(M_PI));
    EXPECT_NEAR(AngleToArc(-90), -1.5707963f, 1e-7f);
    EXPECT_NEAR(ArcToAngle(AngleToArc(37.5f)), 37.5f, 1e-5f);
    EXPECT_NEAR(ArcToAngle(1), 57.29578f, 1e-4f);
}

TEST(AngleHelpers, RoundAddsOneHalfAndTruncatesTowardZero) {
    EXPECT_EQ(Round(2.5, 0), 3);
    EXPECT_EQ(Round(-2.5, 0), -2);
    EXPECT_DOUBLE_EQ(Round(0.125, 2), 0.13);
    EXPECT_EQ(Round(-0.4, 0), 0);
    EXPECT_DOUBLE_EQ(Round(-1.26, 1), -1.2);
    EXPECT_DOUBLE_EQ(Round(1.26, 1), 1.3);
    EXPECT_DOUBLE_EQ(Round(-1.36, 1), -1.3);
    EXPECT_EQ(Round(7.7, -2), 8);  // no places: factor 1
    // Beyond the 32-bit range the value is kept rather than truncated undefined.
    EXPECT_EQ(Round(1e12, 2), 1e12);
}

TEST(AngleHelpers, IsZeroComparesInDoubleAgainstOneHundredth) {
    EXPECT_EQ(IsZero(0.00999f), 0);
    // The float nearest to 0.01 lies just below 0.01 in double precision.
    EXPECT_EQ(IsZero(-0.01f), 0);
    EXPECT_EQ(IsZero(0.01f), 0);
    EXPECT_EQ(IsZero(0.0101f), 0.0101f);
    EXPECT_EQ(IsZero(-0.0101f), -0.0101f);
}

TEST(AngleHelpers, IsZeroTo1ReplacesOnlyExactZeros) {
    EXPECT_EQ(IsZeroTo1(0.0f), 0.0001f);
    EXPECT_EQ(IsZeroTo1(-0.0f), 0.0001f);
    EXPECT_EQ(IsZeroTo1(1e-9f), 1e-9f);
    EXPECT_EQ(IsZeroTo1(-3), -3);
    EXPECT_TRUE(std::isnan(IsZeroTo1(std::nanf(""))));
}

TEST(FlagLocationOps, ComponentwiseAndScalarLeavingOperandsUnchanged) {
    FlagLocation zero;
    ExpectNear(zero, 0, 0, 0, 0);
    FlagLocation a(1, 2, 3), b(0.5f, -4, 10);
    ExpectNear(a + b, 1.5f, -2, 13);
    ExpectNear(a - b, 0.5f, 6, -7);
    ExpectNear(a * -2, -2, -4, -6);
    ExpectNear(a / 4, 0.25f, 0.5f, 0.75f);
    ExpectNear(a, 1, 2, 3, 0);
    ExpectNear(b, 0.5f, -4, 10, 0);
    EXPECT_TRUE(std::isinf((a / 0).x));
}

TEST(Rotations, ElementaryRotationsTurnCounterClockwise) {
    OperateMatrix m;
    FlagLocation x(1, 0, 0), y(0, 1, 0), z(0, 0, 1);
    ExpectNear(m.Muti(m.GetRotateZ(90), x), 0, 1, 0);  // forward becomes left
    ExpectNear(m.Muti(m.GetRotateZ(90), y), -1, 0, 0);
    ExpectNear(m.Muti(m.GetRotateX(90), y), 0, 0, 1);
    ExpectNear(m.Muti(m.GetRotateY(90), z), 1, 0, 0);
    ExpectNear(m.Muti(m.GetRotateY(90), x), 0, 0, -1);
    ExpectNear(m.Muti(m.GetRotateZ(-30), x), 0.8660254f, -0.5f, 0);
}

TEST(Rotations, ProductsComposeLeftToRight) {
    OperateMatrix m;
    // Rz(90) * Rx(90) applied to x: Rx leaves x, Rz turns it to y. The reverse order gives z.
    ExpectNear(m.Muti(m.Muti(m.GetRotateZ(90), m.GetRotateX(90)), FlagLocation(1, 0, 0)), 0, 1, 0);
    ExpectNear(m.Muti(m.Muti(m.GetRotateX(90), m.GetRotateZ(90)), FlagLocation(1, 0, 0)), 0, 0, 1);
    Matrix4 a{}, b{};
    m.SetMatrix(m.GetRotateZ(90), 1, 0, 0, a);
    m.SetMatrix(2, 0, 0, b);
    // a * b: translate along b's x, then a turns it to y and adds its own offset.
    Matrix4 ab = m.Muti(a, b);
    EXPECT_NEAR(ab[0][3], 1, 1e-6f);
    EXPECT_NEAR(ab[1][3], 2, 1e-6f);
}

TEST(Rotations, OutFormsGiveTheSameResultWhenAnInputIsTheOutput) {
    OperateMatrix m;
    Matrix3 a = m.Muti(m.GetRotateX(20), m.GetRotateY(35));
    Matrix3 b = m.GetRotateZ(-50);
    Matrix3 expected = m.Muti(a, b);
    m.Muti(a, b, a);
    EXPECT_EQ(a, expected);

    Matrix4 t{}, u{};
    m.SetMatrix(m.GetRotateY(15), 0.1f, 0.2f, 0.3f, t);
    m.SetMatrix(m.GetRotateX(-70), -1, 2, 0.5f, u);
    Matrix4 tu = m.Muti(t, u);
    m.Muti(t, u, u);
    EXPECT_EQ(u, tu);

    Matrix4 inv = m.TransInverse(t);
    m.TransInverse(t, t);
    EXPECT_EQ(t, inv);
}

TEST(Rotations, TransposeAndColumnProducts) {
    OperateMatrix m;
    Matrix3 r = m.Muti(m.GetRotateZ(30), m.GetRotateX(40));
    Matrix3 t{};
    m.Trans(r, t);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(t[i][j], r[j][i]);
    EXPECT_EQ(m.TransInverse(r), t);

    Column3 v{}, out{};
    v[0][0] = 1;
    v[1][0] = 2;
    v[2][0] = 3;
    m.Muti(m.GetRotateZ(90), v, out);
    EXPECT_NEAR(out[0][0], -2, 1e-6f);
    EXPECT_NEAR(out[1][0], 1, 1e-6f);
    EXPECT_NEAR(out[2][0], 3, 1e-6f);
    ExpectNear(m.Muti(m.GetRotateZ(90), v), -2, 1, 3);
}

TEST(Transforms, RigidInverseUndoesRandomTransforms) {
    OperateMatrix m;
    std::mt19937 gen(20240611);
    std::uniform_real_distribution<float> angle(-180, 180), offset(-2, 2);
    for (int n = 0; n < 50; ++n) {
        Matrix3 r = m.Muti(m.Muti(m.GetRotateX(angle(gen)), m.GetRotateY(angle(gen))),
                           m.GetRotateZ(angle(gen)));
        Matrix4 t{};
        m.SetMatrix(r, offset(gen), offset(gen), offset(gen), t);
        ExpectIdentity(m.Muti(m.TransInverse(t), t), 1e-5f);
        ExpectIdentity(m.Muti(t, m.TransInverse(t)), 1e-5f);
        ExpectIdentity(m.Muti(m.TransInverse(r), r), 1e-6f);
    }
}

TEST(Transforms, PointTransformAndBuilders) {
    OperateMatrix m;
    Matrix4 t{};
    m.SetMatrix(m.GetRotateZ(90), 1, 2, 3, t);
    ExpectNear(m.Muti(t, FlagLocation(1, 0, 0)), 1, 3, 3);
    EXPECT_EQ(t[3][0], 0);
    EXPECT_EQ(t[3][3], 1);

    Matrix4 pure{};
    m.SetMatrix(0.08f, 0, -1, pure);
    ExpectNear(m.Muti(pure, FlagLocation(1, 1, 1)), 1.08f, 1, 0);
    EXPECT_EQ(pure[0][0], 1);
    EXPECT_EQ(pure[0][1], 0);

    Matrix3 normal{};
    normal[0][2] = 7;
    m.SetNormalMatrix(normal);
    ExpectIdentity(normal, 0);
}

TEST(Transforms, NaoTo3DIsAQuarterTurnOnTheRight) {
    OperateMatrix m;
    Matrix3 nao{};
    m.Set3DInNaoMatrix(nao);
    // The constant turns a (right, forward, up) triple into (forward, -right, up).
    ExpectNear(m.Muti(nao, FlagLocation(0.055f, -0.01f, -0.115f)), -0.01f, -0.055f, -0.115f);

    Matrix4 in{}, out{}, rz{};
    m.SetMatrix(m.Muti(m.GetRotateY(25), m.GetRotateX(-60)), 0.3f, -0.2f, 0.1f, in);
    m.SetMatrix(m.GetRotateZ(-90), 0, 0, 0, rz);
    m.TMatrixNaoTo3D(in, out);
    Matrix4 expected = m.Muti(in, rz);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(out[i][j], expected[i][j], 1e-6f);
}

}  // namespace
