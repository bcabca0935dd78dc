// The camera: polar convention, field of view, landmark names, other robots' parts, noise.
#include "sim/vision.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>

#include "sim/field.h"
#include "sim_fixture.h"

using namespace sim;
using namespace simtest;

namespace {

const SeenLandmark* Find(const VisionReading& v, const std::string& name) {
    for (const SeenLandmark& l : v.landmarks)
        if (name == l.name) return &l;
    return nullptr;
}

std::set<std::string> Names(const VisionReading& v) {
    std::set<std::string> names;
    for (const SeenLandmark& l : v.landmarks) names.insert(l.name);
    return names;
}

}  // namespace

TEST(Vision, LandmarkStraightAheadReadsDistanceAndZeroAngle) {
    OneRobot r(7.5, 7.0, 0.0);  // F1R (10.5, 7, 0) lies 3 m straight ahead
    Vision vision;
    const VisionReading v = vision.See(r.world, r.robot);
    const SeenLandmark* f = Find(v, "F1R");
    ASSERT_NE(f, nullptr);
    const double h = ReadSensors(r.world, r.robot).camera.pos.z;
    EXPECT_NEAR(h, 0.385 + 0.155, 1e-3);
    EXPECT_NEAR(f->pol.distance, std::hypot(3.0, h), 1e-6);
    EXPECT_NEAR(f->pol.horizontalDeg, 0.0, 1e-6);
    EXPECT_NEAR(f->pol.verticalDeg, -std::atan2(h, 3.0) * kDegPerRad, 1e-6);
    // The goal post G1R (10.5, 1.05, 0.8) from (7.5, 3): to the right, above the camera.
    BeamRobot(r.world, r.robot, 7.5, 3.0, 0.0);
    const SeenLandmark* g = Find(vision.See(r.world, r.robot), "G1R");
    ASSERT_NE(g, nullptr);
    EXPECT_NEAR(g->pol.horizontalDeg, -std::atan2(1.95, 3.0) * kDegPerRad, 1e-6);
    EXPECT_NEAR(g->pol.verticalDeg, std::atan2(0.8 - h, std::hypot(3.0, 1.95)) * kDegPerRad, 1e-6);
}

TEST(Vision, OnlyObjectsWithinSixtyDegreesAreSeen) {
    OneRobot r(7.5, 7.0, -59.0);  // turned right: F1R appears 59 degrees to the left
    Vision vision;
    const SeenLandmark* f = Find(vision.See(r.world, r.robot), "F1R");
    ASSERT_NE(f, nullptr);
    EXPECT_NEAR(f->pol.horizontalDeg, 59.0, 1e-6);
    BeamRobot(r.world, r.robot, 7.5, 7.0, -61.0);
    EXPECT_EQ(Find(vision.See(r.world, r.robot), "F1R"), nullptr);

    // Vertically: the ball at the robot's feet is below the view, a little further it is in.
    BeamRobot(r.world, r.robot, 0, 0, 0);
    PlaceBall(r.world, {0.25, 0, kBallRadius});
    EXPECT_FALSE(vision.See(r.world, r.robot).ballSeen);
    PlaceBall(r.world, {0.40, 0, kBallRadius});
    const VisionReading v = vision.See(r.world, r.robot);
    ASSERT_TRUE(v.ballSeen);
    EXPECT_LT(v.ball.verticalDeg, -50.0);
    EXPECT_GT(v.ball.verticalDeg, -60.0);
}

TEST(Vision, LandmarkNamesFollowTheFieldHalves) {
    OneRobot r(0, 0, 0);
    Vision vision;
    EXPECT_EQ(Names(vision.See(r.world, r.robot)),
              (std::set<std::string>{"F1R", "F2R", "G1R", "G2R"}));
    // F1R is at +y: to the left of a robot facing +x.
    EXPECT_GT(Find(vision.See(r.world, r.robot), "F1R")->pol.horizontalDeg, 0.0);
    BeamRobot(r.world, r.robot, 0, 0, 180);
    EXPECT_EQ(Names(vision.See(r.world, r.robot)),
              (std::set<std::string>{"F1L", "F2L", "G1L", "G2L"}));
    EXPECT_LT(Find(vision.See(r.world, r.robot), "F1L")->pol.horizontalDeg, 0.0);
}

TEST(Vision, OtherRobotsShowTheirFiveParts) {
    World w;
    const int a = w.AddRobot(), b = w.AddRobot();
    BeamRobot(w, a, -2, 1, 0);
    BeamRobot(w, b, 0, 1, 180);  // facing robot a
    PlaceBall(w, {-1, 1, kBallRadius});
    Vision vision;
    const VisionReading v = vision.See(w, a);
    ASSERT_EQ(v.robots.size(), 1u);
    EXPECT_EQ(v.robots[0].robot, b);
    ASSERT_EQ(v.robots[0].parts.size(), 5u);
    Polar part[5];
    for (const SeenPart& p : v.robots[0].parts) {
        const auto k = std::find_if(kVisiblePartNames.begin(), kVisiblePartNames.end(),
                                    [&](const char* n) { return std::string(n) == p.name; });
        part[k - kVisiblePartNames.begin()] = p.pol;
    }
    // b faces a, so b's left foot and arm are on a's right.
    EXPECT_LT(part[4].horizontalDeg, 0.0);                // lfoot
    EXPECT_GT(part[3].horizontalDeg, 0.0);                // rfoot
    EXPECT_LT(part[2].horizontalDeg, 0.0);                // llowerarm
    EXPECT_GT(part[0].verticalDeg, part[3].verticalDeg);  // head above the feet
    EXPECT_NEAR(part[0].distance, 2.0, 0.01);             // head at the same height as a's camera
    // The ball between them.
    ASSERT_TRUE(v.ballSeen);
    EXPECT_NEAR(v.ball.horizontalDeg, 0.0, 1e-6);
    EXPECT_TRUE(vision.See(w, b).robots.size() == 1u);
}

TEST(Vision, NoiseIsSmallAndSeeded) {
    OneRobot r(0, 0, 0);
    Vision exact, noisy1(true, 42), noisy2(true, 42);
    const VisionReading e = exact.See(r.world, r.robot);
    const VisionReading n1 = noisy1.See(r.world, r.robot);
    const VisionReading n2 = noisy2.See(r.world, r.robot);
    ASSERT_EQ(n1.landmarks.size(), e.landmarks.size());
    bool differs = false;
    for (size_t i = 0; i < e.landmarks.size(); ++i) {
        EXPECT_EQ(n1.landmarks[i].pol.distance, n2.landmarks[i].pol.distance);
        EXPECT_NEAR(n1.landmarks[i].pol.distance, e.landmarks[i].pol.distance,
                    0.05 * e.landmarks[i].pol.distance);
        EXPECT_NEAR(n1.landmarks[i].pol.horizontalDeg, e.landmarks[i].pol.horizontalDeg, 0.5);
        differs |= n1.landmarks[i].pol.distance != e.landmarks[i].pol.distance;
    }
    EXPECT_TRUE(differs);
}

TEST(Vision, EveryThirdCycle) {
    EXPECT_TRUE(IsVisionCycle(0));
    EXPECT_FALSE(IsVisionCycle(1));
    EXPECT_FALSE(IsVisionCycle(2));
    EXPECT_TRUE(IsVisionCycle(3));
}
