// The model against the agent's kinematics: link offsets, joint axes and sign conventions.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "sim/truth.h"
#include "sim/worldxml.h"
#include "sim_fixture.h"

using namespace sim;
using namespace simtest;

namespace {

// 4x4 homogeneous transforms in the agent frame (x forward, y left, z up), written from the
// agent's link table, independently of the model.
struct T4 {
    double m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
};

T4 operator*(const T4& a, const T4& b) {
    T4 r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            r.m[i][j] = 0;
            for (int k = 0; k < 4; ++k) r.m[i][j] += a.m[i][k] * b.m[k][j];
        }
    return r;
}

T4 Trans(double x, double y, double z) {
    T4 t;
    t.m[0][3] = x;
    t.m[1][3] = y;
    t.m[2][3] = z;
    return t;
}

// Rotation by deg about a unit axis (Rodrigues).
T4 Rot(double ax, double ay, double az, double deg) {
    const double a = deg / kDegPerRad, c = std::cos(a), s = std::sin(a), v = 1 - c;
    T4 t;
    const double u[3] = {ax, ay, az};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) t.m[i][j] = u[i] * u[j] * v + (i == j ? c : 0);
    t.m[0][1] -= az * s;
    t.m[0][2] += ay * s;
    t.m[1][0] += az * s;
    t.m[1][2] -= ax * s;
    t.m[2][0] -= ay * s;
    t.m[2][1] += ax * s;
    return t;
}

// Ankle pitch joint of one leg relative to the torso, agent frame: hip yaw-pitch about the
// tilted axis, hip roll Rx(q), hip pitch Ry(-q), knee Ry(-q) after (0.005, 0, -0.12), ankle
// Ry(-q) after (0, 0, -0.1).
Vec3 AgentAnkle(bool left, double q1, double q2, double q3, double q4) {
    const double k = std::sqrt(0.5);
    const T4 t = Trans(-0.01, left ? 0.055 : -0.055, -0.115) * Rot(0, k, left ? -k : k, q1) *
                 Rot(1, 0, 0, q2) * Rot(0, 1, 0, -q3) * Trans(0.005, 0, -0.12) * Rot(0, 1, 0, -q4) *
                 Trans(0, 0, -0.1);
    return {t.m[0][3], t.m[1][3], t.m[2][3]};
}

// A body's origin relative to the torso, converted from the model frame (x right, y forward)
// to the agent frame.
Vec3 BodyInAgentFrame(const World& w, int robot, const std::string& body) {
    const mjData* d = w.Data();
    const int torso = w.RobotAt(robot).torsoBody;
    const int id = mj_name2id(w.Model(), mjOBJ_BODY, (RobotPrefix(robot) + body).c_str());
    const Vec3 model =
        ToRot3(d->xmat + 9 * torso).ToLocal(ToVec3(d->xpos + 3 * id) - ToVec3(d->xpos + 3 * torso));
    return {model.y, -model.x, model.z};
}

void SetJointsDeg(World& w, int robot, const Angles& deg) {
    for (int j = 0; j < kJointCount; ++j)
        w.Data()->qpos[w.RobotAt(robot).jointQpos[j]] = deg[j] / kDegPerRad;
    mj_kinematics(w.Model(), w.Data());
}

void ExpectNear(Vec3 a, Vec3 b, double tol, const std::string& what) {
    EXPECT_NEAR(a.x, b.x, tol) << what;
    EXPECT_NEAR(a.y, b.y, tol) << what;
    EXPECT_NEAR(a.z, b.z, tol) << what;
}

}  // namespace

TEST(Kinematics, ZeroPoseMatchesTheAgentsLinkOffsets) {
    OneRobot r;
    SetJointsDeg(r.world, r.robot, Angles{});
    ExpectNear(BodyInAgentFrame(r.world, r.robot, "lankle"), {-0.005, 0.055, -0.335}, 1e-9, "left");
    ExpectNear(BodyInAgentFrame(r.world, r.robot, "rankle"), {-0.005, -0.055, -0.335}, 1e-9,
               "right");
    ExpectNear(BodyInAgentFrame(r.world, r.robot, "head"), {0, 0, 0.15}, 1e-9, "head");
    ExpectNear(BodyInAgentFrame(r.world, r.robot, "lelbow"), {0.09, 0.098, 0.084}, 1e-9, "elbow");
    // The sole lies 0.05 below the ankle: standing straight, the torso centre is 0.385 up.
    EXPECT_NEAR(RobotGroundTruth(r.world, r.robot).torso.z, 0.385, 2e-3);
}

TEST(Kinematics, LegPosesMatchTheAgentsForwardKinematics) {
    OneRobot r;
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> yawPitch(-90, 1), rollL(-25, 45), rollR(-45, 25),
        hip(-25, 100), knee(-130, 1);
    for (int n = 0; n < 50; ++n) {
        Angles a{};
        a[2] = yawPitch(rng);
        a[3] = yawPitch(rng);
        a[4] = rollL(rng);
        a[5] = rollR(rng);
        a[kLlj3] = hip(rng);
        a[kRlj3] = hip(rng);
        a[kLlj4] = knee(rng);
        a[kRlj4] = knee(rng);
        SetJointsDeg(r.world, r.robot, a);
        ExpectNear(BodyInAgentFrame(r.world, r.robot, "lankle"),
                   AgentAnkle(true, a[2], a[4], a[kLlj3], a[kLlj4]), 1e-7,
                   "left " + std::to_string(n));
        ExpectNear(BodyInAgentFrame(r.world, r.robot, "rankle"),
                   AgentAnkle(false, a[3], a[5], a[kRlj3], a[kRlj4]), 1e-7,
                   "right " + std::to_string(n));
    }
}

// Positive velocities through the physics: head pitch looks up, neck turns left, hip pitch
// swings the leg forward, hip roll moves the foot to the robot's left.
TEST(Kinematics, PositiveCommandsTurnTheDocumentedWay) {
    OneRobot r(0, 0, 0);  // facing +x; its left is +y
    Steps(r.world, 10);
    const Pose cam0 = ReadSensors(r.world, r.robot).camera;
    const Vec3 foot0 = BodyInAgentFrame(r.world, r.robot, "lfoot");
    r.world.Command(r.robot, kHj2, 1.0);
    r.world.Command(r.robot, kHj1, 1.0);
    Steps(r.world, 8);
    const Pose cam1 = ReadSensors(r.world, r.robot).camera;
    EXPECT_GT(cam1.rot.Column(1).z - cam0.rot.Column(1).z, 0.1);  // view axis rises
    EXPECT_GT(cam1.rot.Column(1).y - cam0.rot.Column(1).y, 0.1);  // and turns to the left

    r.world.Command(r.robot, kLlj3, 1.0);
    r.world.Command(r.robot, 4, 1.0);  // llj2, hip roll
    Steps(r.world, 8);
    const Vec3 foot1 = BodyInAgentFrame(r.world, r.robot, "lfoot");
    EXPECT_GT(foot1.x - foot0.x, 0.015);  // forward
    EXPECT_GT(foot1.y - foot0.y, 0.01);   // left
}
