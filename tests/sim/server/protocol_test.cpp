// pitchsim's texts: effectors, perception, trainer commands, also against hostile input.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

#include "sim/server/effector.h"
#include "sim/server/framing.h"
#include "sim/server/perception.h"
#include "sim/server/sexpr.h"
#include "sim/server/trainertext.h"

namespace {

struct Parsed {
    EffectorCommands c;
    EffectorRejects r;
};

Parsed Parse(const std::string& text) {
    Parsed p;
    ParseEffectors(text, p.c, p.r);
    return p;
}

TEST(EffectorTest, JointsInWireOrderClampedBadGroupsSkippedWithTheirNeighboursKept) {
    Parsed p = Parse(
        "(rae4 -0.5)(he1 100)(he2 -7)(lle1 nan)(rle1 inf)(rle2 6.1395)(lle3 2.25)"
        "(lae1 -inf)(lle2 abc)(lle4)(bogus 3)(rle4 2 3)junk(raj1 0.5)(rle6 -0.2)");
    const int set[] = {0, 1, 5, 6, 13, 21};  // he1 he2 rle2 lle3 rle6 rae4
    const double rad[] = {6.1395, -6.1395, 6.1395, 2.25, -0.2, -0.5};
    for (int k = 0; k < 6; ++k) EXPECT_DOUBLE_EQ(rad[k], p.c.jointVelocity[set[k]]) << set[k];
    int count = 0;
    for (bool s : p.c.jointSet) count += s;
    EXPECT_EQ(6, count);
    // Clamped speeds are counted apart: the league's rule, not input to be ignored.
    EXPECT_EQ(2, p.c.clampedJoints);  // exactly 6.1395 is not beyond the limit
    EXPECT_EQ(0, p.r.Total() - p.r.nonFinite - p.r.unknown - p.r.malformed);
    EXPECT_EQ(3, p.r.nonFinite);
    EXPECT_EQ(2, p.r.unknown);    // "raj1" is a perceptor, not an effector
    EXPECT_EQ(4, p.r.malformed);  // abc, no value, two values, junk
    // After an unbalanced parenthesis, or a nesting too deep, the rest cannot be trusted.
    EXPECT_FALSE(Parse("(he1 1))(he2 2)").c.jointSet[1]);
    EXPECT_FALSE(Parse("(he1 1)(he2 (2)(lle1 3)").c.jointSet[2]);
    EXPECT_TRUE(Parse(std::string(5000, '(') + std::string(5000, ')') + "(he1 1)").c.jointSet[0]);
    EXPECT_EQ(1, Parse(std::string(70000, '(')).r.malformed);
}

TEST(EffectorTest, SceneInitBeamAndSayFollowTheirRules) {
    Parsed p = Parse(
        "(scene rsg/agent/nao/nao.rsg)(init (unum 7)(teamname MarrowFinch))(beam -5.5 -2 -0)"
        "(say k4q51.25y0.5)");
    EXPECT_TRUE(p.c.init && p.c.unum == 7 && p.c.teamName == "MarrowFinch" && !p.c.syn);
    EXPECT_TRUE(p.c.beam && p.c.beamX == -5.5 && p.c.beamY == -2 && p.c.beamRot == 0);
    EXPECT_EQ("k4q51.25y0.5", p.c.sayText);
    EXPECT_TRUE(Parse("(say " + std::string(20, 'a') + ")").c.say);
    for (const std::string& bad :
         std::initializer_list<std::string>{"(init (unum 3))", "(beam nan 0 0)",
                                            "(say " + std::string(21, 'a') + ")", "(say \x01x)"}) {
        const Parsed b = Parse(bad);
        EXPECT_FALSE(b.c.init || b.c.beam || b.c.say) << bad;
        EXPECT_EQ(1, b.r.Total()) << bad;
    }
}

TEST(PerceptionTest, ExactTextsNoNonFiniteValueVisionHearingAndTheSizeCap) {
    RobotPerception p;
    p.time = 12.345, p.identified = true, p.unum = 5, p.leftSide = false, p.gameTime = 2.1;
    p.playMode = "PlayOn";
    p.scoreLeft = 3, p.scoreRight = 12;
    p.gyro[0] = std::numeric_limits<double>::quiet_NaN(), p.gyro[2] = 0.456;
    p.acc[1] = -1e-9;  // rounds to zero: written without a sign
    p.acc[2] = 9.81;
    for (int i = 0; i < sim::kJointCount; ++i) p.joints[i] = i - 10.5;
    p.joints[3] = std::numeric_limits<double>::infinity();
    p.leftFoot.touching = true, p.leftFoot.c[2] = -0.01, p.leftFoot.f[2] = 22.5;
    std::string text = WritePerception(p);
    for (const char* part :
         {"(time (now 12.35))(GS (unum 5) (team right) (t 2.10) (pm PlayOn) (sl 3) (sr 12))"
          "(GYR (n torso) (rt 0.00 0.00 0.46))(ACC (n torso) (a 0.00 0.00 9.81))(HJ (n hj1) (ax "
          "-10.50))(HJ (n hj2) (ax -9.50))",
          "(HJ (n rlj1) (ax 0.00))",
          "(HJ (n raj4) (ax 10.50))(FRP (n lf) (c 0.00 0.00 -0.01) (f 0.00 0.00 22.50))"})
        EXPECT_NE(std::string::npos, text.find(part)) << part << "\n" << text;
    EXPECT_EQ(std::string::npos, text.find("(n rf)"));  // only a touching foot reports
    EXPECT_EQ(std::string::npos, text.find("See"));
    p.identified = false;
    p.playMode = "BeforeKickOff";
    EXPECT_NE(std::string::npos, WritePerception(p).find("(GS (t 2.10) (pm BeforeKickOff))"));

    p.visionCycle = true;
    p.objects.push_back({"B", {0.5, -10, -30}});
    SeenRobot r;
    r.team = std::string(32, 'T');
    r.parts.push_back({"head", {2, 1, 0}});
    r.parts.push_back({"lfoot", {2.1, 1.5, -15}});
    p.lines.push_back({{3, 60, -10}, {4.5, -20.5, -7}});
    p.robots.assign(200, r);
    for (int i = 0; i < 200; ++i) p.robots[i].unum = i;
    HeardMessage h;
    h.team = "Marrowfinch", h.time = 12.32, h.direction = -35.2, h.text = "hello";
    p.heard.push_back(h);
    text = WritePerception(p);
    EXPECT_NE(std::string::npos,
              text.find("(See (B (pol 0.50 -10.00 -30.00)) (P (team " + r.team +
                        ") (id 0) (head (pol 2.00 1.00 0.00)) (lfoot (pol 2.10 1.50 -15.00)))"));
    EXPECT_NE(std::string::npos, text.find("(hear Marrowfinch 12.32 -35.20 hello)"));
    // Field lines close the See group, after the robots, and survive the cap.
    EXPECT_NE(std::string::npos,
              text.find(") (L (pol 3.00 60.00 -10.00) (pol 4.50 -20.50 -7.00)))(hear"));
    // Too long: robots are left out from the end, only as many as needed, and it stays readable.
    EXPECT_LE(text.size(), kMaxPerceptionPayload);
    EXPECT_GT(text.size(), kMaxPerceptionPayload - 200);
    EXPECT_EQ(0, ReadGroups(text).malformed);
}

// Every number is written as printf's "%.2f" writes it (rounding the exact binary value, ties
// to even), a negative zero without its sign: halfway cases, values just beside them, the
// largest wire number and a spread of random ones, each through a joint angle.
TEST(PerceptionTest, NumbersHaveTheDigitsOfPrintf) {
    std::vector<double> values = {0.125,  0.375,      -0.125,        2.675,      1.005,
                                  -0.005, -0.004999,  0.0049999999,  0.005,      -1e-300,
                                  1e9,    -1e9,       999999999.995, 123456.785, 5e-324,
                                  89.995, -179.99999, 0.0,           -0.0,       1e-7};
    std::mt19937 random(7);
    std::uniform_real_distribution<double> angle(-200, 200), small(-0.02, 0.02);
    for (int i = 0; i < 2000; ++i) values.push_back(i % 2 ? angle(random) : small(random));
    RobotPerception p;
    p.playMode = "PlayOn";
    for (size_t start = 0; start < values.size(); start += sim::kJointCount) {
        for (int j = 0; j < sim::kJointCount; ++j)
            p.joints[j] = values[std::min(start + j, values.size() - 1)];
        const std::string text = WritePerception(p);
        for (int j = 0; j < sim::kJointCount; ++j) {
            char expected[64];
            std::snprintf(expected, sizeof expected, "%.2f", p.joints[j]);
            std::string want = expected;
            if (want == "-0.00") want = "0.00";
            const std::string head =
                std::string("(HJ (n ") + sim::kJointNames[j].perceptor + ") (ax ";
            const size_t at = text.find(head);
            ASSERT_NE(std::string::npos, at) << head;
            const size_t from = at + head.size();
            EXPECT_EQ(want, text.substr(from, text.find(')', from) - from)) << p.joints[j];
        }
    }
}

TEST(TrainerTest, AgentCommandPlacesKnocksOrBoth) {
    using C = TrainerCommand;
    const struct {
        const char* tail;  // after "(agent (team Left) (unum 5)"
        bool valid, place;
        C::Knock knock;
    } cases[] = {
        {" (knock right 1.5))", true, false, C::kKnockRight},
        {" (pos 1 2 0.4) (rot 9) (knock back))", true, true, C::kKnockBack},
        {" (knock left 11))", false, false, C::kNoKnock},
    };
    for (const auto& c : cases) {
        const std::string text = std::string("(agent (team Left) (unum 5)") + c.tail;
        const std::vector<TrainerCommand> commands = ParseTrainerCommands(text);
        ASSERT_EQ(commands.size(), 1u) << text;
        const TrainerCommand& got = commands[0];
        EXPECT_EQ(got.kind, c.valid ? C::kAgent : C::kInvalid) << text;
        if (!c.valid) continue;
        EXPECT_TRUE(got.place == c.place && got.knock == c.knock && got.unum == 5) << text;
    }
    EXPECT_EQ(ParseTrainerCommands("(agent (team Left) (unum 5) (knock up))")[0].error,
              "bad knock: front, back, left or right, then rad/s up to 10");
}

// Every atom of a text that reads as a number, recursively.
void CollectNumbers(const SNode& n, std::vector<double>& out) {
    double v;
    if (!n.isList && ParseNumberAtom(n.atom, v)) out.push_back(v);
    for (const SNode& item : n.items) CollectNumbers(item, out);
}

// Readable: printable, balanced, every number finite and within a float.
void ExpectReadable(const std::string& text) {
    for (char ch : text) ASSERT_TRUE(ch >= ' ' && ch <= '~') << int(ch) << " in\n" << text;
    SexprReadResult read = ReadGroups(text);
    EXPECT_EQ(0, read.malformed) << text;
    std::vector<double> numbers;
    for (const SNode& g : read.groups) CollectNumbers(g, numbers);
    EXPECT_FALSE(numbers.empty());
    for (double v : numbers) EXPECT_TRUE(std::isfinite(v) && std::fabs(v) <= 1e9) << v;
}

TEST(HostileNumbersTest, HugeReadingsGiveReadableTexts) {
    const double huge[] = {1e100, -std::numeric_limits<double>::max(), 1e9 + 0.5};
    for (double v : huge) {
        SCOPED_TRACE(v);
        RobotPerception p;
        p.time = p.gameTime = p.gyro[1] = p.joints[4] = p.leftFoot.f[2] = v;
        p.playMode = "PlayOn";
        p.leftFoot.touching = p.visionCycle = true;
        p.objects.push_back({"B", {v, v, -v}});
        SeenRobot r;
        r.team = "Other";
        r.parts.push_back({"head", {v, 1, 0}});
        p.robots.push_back(r);
        HeardMessage h;
        h.time = h.direction = v;
        h.text = "hi";
        p.heard.push_back(h);
        const std::string text = WritePerception(p);
        ExpectReadable(text);
        EXPECT_NE(std::string::npos, text.find("(B (pol ")) << text;

        WorldTruth t;
        t.time = t.ballPos[0] = v;
        RobotTruth robot;
        robot.pos[1] = robot.heading = v;
        t.robots.push_back(robot);
        ExpectReadable(WriteState(t));
    }
}

// Placements stay on the grass: the field and 1.5 m around its lines (the goals within).
TEST(HostileTrainerTest, PlacementsOffTheGrassAreRefused) {
    const struct {
        const char* command;
        bool accepted;
    } cases[] = {
        {"(ball (pos 12 8.5 0.042))", true},  // the grass's corner
        {"(ball (pos -12 -8.5 0.042))", true},
        {"(ball (pos 10.9 0 0.042))", true},  // inside a goal
        {"(ball (pos 99 0 0))", false},       // behind the goal, far away
        {"(ball (pos 12.01 0 0.042))", false},
        {"(ball (pos 0 -8.51 0.042))", false},
        {"(ball (pos 70 70 0.042))", false},
        {"(ball (pos 0 0 50))", true},
        {"(ball (pos 0 0 50.01))", false},
        {"(ball (pos 0 0 0.042) (vel 1e30 0 0))", false},
        {"(agent (team Left) (unum 1) (pos -3 -8.5 0.4) (rot 0))", true},
        {"(agent (team Left) (unum 1) (pos -3 -9 0.4) (rot 0))", false},
        {"(agent (team Left) (unum 1) (pos 1e100 0 0.4) (rot 0))", false},
    };
    for (const auto& c : cases) {
        const std::vector<TrainerCommand> parsed = ParseTrainerCommands(c.command);
        ASSERT_EQ(1u, parsed.size()) << c.command;
        EXPECT_EQ(c.accepted, parsed[0].kind != TrainerCommand::kInvalid) << c.command;
        EXPECT_TRUE(c.accepted || !parsed[0].error.empty()) << c.command;  // a reason if refused
    }
}

}  // namespace
