// The perception text: order of the groups, formats, the vision and foot rules, the size cap.

#include "sim/server/perception.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "sim/server/framing.h"
#include "sim/server/sexpr.h"

namespace {

RobotPerception Standing() {
    RobotPerception p;
    p.time = 12.345;
    p.identified = true;
    p.unum = 5;
    p.leftSide = false;
    p.gameTime = 2.1;
    p.playMode = "PlayOn";
    p.gyro[2] = 0.456;
    p.acc[2] = 9.81;
    for (int i = 0; i < kWireJointCount; ++i) p.joints[i] = i - 10.5;
    p.leftFoot.touching = true;
    p.leftFoot.c[2] = -0.01;
    p.leftFoot.f[2] = 22.5;
    p.rightFoot.touching = true;
    p.rightFoot.f[2] = 21;
    return p;
}

TEST(PerceptionTest, GroupsComeInTheFixedOrder) {
    RobotPerception p = Standing();
    p.visionCycle = true;
    p.objects.push_back({"F1L", {12.1, -40.2, -2.1}});
    HeardMessage h;
    h.time = 12.32;
    h.self = true;
    h.text = "k4q51.25y0.5";
    p.heard.push_back(h);
    SexprReadResult read = ReadGroups(WritePerception(p));
    ASSERT_EQ(0, read.malformed);
    std::vector<std::string> heads;
    for (const SNode& g : read.groups) heads.push_back(g.Head());
    ASSERT_EQ(1u + 1 + 1 + 1 + 22 + 2 + 1 + 1, heads.size());
    EXPECT_EQ("time", heads[0]);
    EXPECT_EQ("GS", heads[1]);
    EXPECT_EQ("GYR", heads[2]);
    EXPECT_EQ("ACC", heads[3]);
    for (int i = 0; i < 22; ++i) {
        EXPECT_EQ("HJ", heads[4 + i]);
        EXPECT_EQ(kPerceptorNames[i], read.groups[4 + i].Find("n")->items[1].atom);
    }
    EXPECT_EQ("lf", read.groups[26].Find("n")->items[1].atom);
    EXPECT_EQ("rf", read.groups[27].Find("n")->items[1].atom);
    EXPECT_EQ("See", heads[28]);
    EXPECT_EQ("hear", heads[29]);
}

TEST(PerceptionTest, NumbersAndTheGameStateAsTheAgentReadsThem) {
    std::string text = WritePerception(Standing());
    EXPECT_EQ(0u, text.find("(time (now 12.35))(GS (unum 5) (team right) (t 2.10) (pm PlayOn))"))
        << text;
    EXPECT_NE(std::string::npos, text.find("(GYR (n torso) (rt 0.00 0.00 0.46))"));
    EXPECT_NE(std::string::npos, text.find("(ACC (n torso) (a 0.00 0.00 9.81))"));
    EXPECT_NE(std::string::npos, text.find("(HJ (n hj1) (ax -10.50))(HJ (n hj2) (ax -9.50))"));
    EXPECT_NE(std::string::npos, text.find("(HJ (n raj4) (ax 10.50))"));
    EXPECT_NE(std::string::npos, text.find("(FRP (n lf) (c 0.00 0.00 -0.01) (f 0.00 0.00 22.50))"));
    EXPECT_EQ(std::string::npos, text.find("See"));
}

TEST(PerceptionTest, BeforeInitTheGameStateHasOnlyClockAndMode) {
    RobotPerception p = Standing();
    p.identified = false;
    p.gameTime = 0;
    p.playMode = "BeforeKickOff";
    EXPECT_NE(std::string::npos, WritePerception(p).find("(GS (t 0.00) (pm BeforeKickOff))"));
}

TEST(PerceptionTest, OnlyATouchingFootReportsPressure) {
    RobotPerception p = Standing();
    p.leftFoot.touching = false;
    std::string text = WritePerception(p);
    EXPECT_EQ(std::string::npos, text.find("(n lf)"));
    EXPECT_NE(std::string::npos, text.find("(FRP (n rf)"));
}

TEST(PerceptionTest, NonFiniteReadingsNeverReachTheWire) {
    RobotPerception p = Standing();
    p.gyro[0] = std::numeric_limits<double>::quiet_NaN();
    p.joints[3] = std::numeric_limits<double>::infinity();
    p.acc[1] = -1e-9;  // rounds to zero: written without a sign
    std::string text = WritePerception(p);
    EXPECT_EQ(std::string::npos, text.find("nan"));
    EXPECT_EQ(std::string::npos, text.find("inf"));
    EXPECT_NE(std::string::npos, text.find("(rt 0.00 0.00 0.46)"));
    EXPECT_NE(std::string::npos, text.find("(HJ (n rlj1) (ax 0.00))"));
    EXPECT_NE(std::string::npos, text.find("(a 0.00 0.00 9.81)"));
}

TEST(PerceptionTest, VisionWithObjectsRobotsAndAnEmptyView) {
    RobotPerception p = Standing();
    p.visionCycle = true;
    EXPECT_NE(std::string::npos, WritePerception(p).find("(See)"));

    p.objects.push_back({"G2R", {3, 0, 5.25}});
    p.objects.push_back({"B", {0.5, -10, -30}});
    SeenRobot r;
    r.team = "Rivals";
    r.unum = 3;
    r.parts.push_back({"head", {2, 1, 0}});
    r.parts.push_back({"lfoot", {2.1, 1.5, -15}});
    p.robots.push_back(r);
    std::string text = WritePerception(p);
    EXPECT_NE(std::string::npos,
              text.find("(See (G2R (pol 3.00 0.00 5.25)) (B (pol 0.50 -10.00 -30.00)) "
                        "(P (team Rivals) (id 3) (head (pol 2.00 1.00 0.00)) "
                        "(lfoot (pol 2.10 1.50 -15.00))))"))
        << text;
}

TEST(PerceptionTest, HearingGroupsForSelfAndOthers) {
    RobotPerception p = Standing();
    HeardMessage other;
    other.time = 12.32;
    other.direction = -35.2;
    other.text = "hello";
    p.heard.push_back(other);
    EXPECT_NE(std::string::npos, WritePerception(p).find("(hear 12.32 -35.20 hello)"));
}

TEST(PerceptionTest, ATooLongPerceptionLosesRobotsFromTheEndButStaysWellFormed) {
    RobotPerception p = Standing();
    p.visionCycle = true;
    p.objects.push_back({"B", {1, 2, 3}});
    for (int i = 0; i < 200; ++i) {
        SeenRobot r;
        r.team = std::string(32, 'T');
        r.unum = i;
        for (const char* part : {"head", "rlowerarm", "llowerarm", "rfoot", "lfoot"})
            r.parts.push_back({part, {10.123, -59.99, -45.5}});
        p.robots.push_back(r);
    }
    std::string text = WritePerception(p);
    EXPECT_LE(text.size(), kMaxPerceptionPayload);
    EXPECT_GT(text.size(), kMaxPerceptionPayload - 400);  // only as many left out as needed
    SexprReadResult read = ReadGroups(text);
    EXPECT_EQ(0, read.malformed);
    EXPECT_EQ("See", read.groups.back().Head());
    EXPECT_NE(std::string::npos, text.find("(B (pol 1.00 2.00 3.00))"));
    EXPECT_NE(std::string::npos, text.find("(id 0)"));
}

}  // namespace
