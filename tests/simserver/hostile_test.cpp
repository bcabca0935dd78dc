// pitchsim against hostile input: numbers that do not fit, far placements, bad team names, and
// half frames (full ports and idle agents: tests/e2e/hostile_client_test.cpp).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "sim/server/effector.h"
#include "sim/server/netloop.h"
#include "sim/server/perception.h"
#include "sim/server/sexpr.h"
#include "sim/server/trainer.h"
#include "support/simprocess.h"

namespace {

// Every atom of a text that reads as a number, recursively.
void CollectNumbers(const SNode& n, std::vector<double>& out) {
    double v;
    if (!n.isList && ParseNumberAtom(n.atom, v)) out.push_back(v);
    for (const SNode& item : n.items) CollectNumbers(item, out);
}

// A text a client can read: no NUL or control byte, balanced, every number finite and small
// enough for a float.
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

TEST(HostileTrainerTest, PlacementsFarAwayAreRefused) {
    const struct {
        const char* command;
        bool accepted;
    } cases[] = {
        {"(ball (pos 70 70 0.042))", true},  // 99 m from the centre
        {"(ball (pos 71 71 0.042))", false},
        {"(ball (pos 0 0 50))", true},
        {"(ball (pos 0 0 50.01))", false},
        {"(ball (pos 0 0 -1.5))", false},
        {"(ball (pos 0 0 0.042) (vel 99 0 0))", true},
        {"(ball (pos 0 0 0.042) (vel 1e30 0 0))", false},
        {"(agent (team Left) (unum 1) (pos 1e100 0 0.4) (rot 0))", false},
    };
    for (const auto& c : cases) {
        const std::vector<TrainerCommand> parsed = ParseTrainerCommands(c.command);
        ASSERT_EQ(1u, parsed.size()) << c.command;
        EXPECT_EQ(c.accepted, parsed[0].kind != TrainerCommand::kInvalid) << c.command;
        EXPECT_TRUE(c.accepted || !parsed[0].error.empty()) << c.command;  // a reason if refused
    }
}

TEST(HostileInitTest, TeamNamesOnlyOfPrintableCharactersUpTo32) {
    const struct {
        std::string name;
        bool accepted;
    } cases[] = {
        {std::string(32, 'x'), true},    {"a-b_c.d+1!", true},   {std::string(33, 'x'), false},
        {std::string("B\0d", 3), false}, {"Bad\x7fName", false}, {"caf\xc3\xa9", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.name));
        EffectorCommands commands;
        EffectorRejects rejects;
        ParseEffectors("(init (unum 3)(teamname " + c.name + "))", commands, rejects);
        EXPECT_EQ(c.accepted, commands.init);
        EXPECT_EQ(c.accepted, commands.initError.empty()) << commands.initError;
        // The reason is fit for a log line: printable, without the raw name.
        for (char ch : commands.initError) EXPECT_TRUE(ch >= ' ' && ch <= '~');
        EXPECT_EQ(c.accepted ? 0 : 1, rejects.Total());
    }
}

// A frame trickled a byte at a time is still held after 0.3 s: the limit counts from its start.
TEST(HostileConnectionTest, AConnectionThatHoldsPartOfAFrameTooLongIsDropped) {
    NetLoop net;
    std::string error;
    const int listener = net.Listen(0, error, "127.0.0.1", ListenerLimits{8, 0, 0.3});
    ASSERT_GE(listener, 0) << error;
    std::vector<WireClient> clients(3);
    for (WireClient& client : clients) {
        ASSERT_TRUE(client.Connect(net.BoundPort(listener)));
        client.SendRaw(std::string("\x00\x00\x01\x00", 4));
    }
    std::vector<NetEvent> events;
    for (const double end = WallSeconds() + 0.9; WallSeconds() < end;) {
        for (WireClient& client : clients) client.SendRaw("x");
        for (const double slice = WallSeconds() + 0.1; WallSeconds() < slice;) net.Poll(20, events);
    }
    EXPECT_EQ(0u, net.ConnectionCount());
    size_t gone = 0;
    for (const NetEvent& e : events) {
        if (e.kind != NetEvent::kClosed && e.kind != NetEvent::kRejected) continue;
        EXPECT_EQ("held part of a frame for 0.3 s", e.payload);
        gone++;
    }
    EXPECT_EQ(clients.size(), gone);
    for (WireClient& client : clients) EXPECT_TRUE(client.SeesEnd(0.2));
}

}  // namespace
