// pitchsim's texts against hostile input: numbers that do not fit, trainer placements far away,
// team names with control bytes.
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
    const double huge[] = {1e100, -1e300, std::numeric_limits<double>::max(), -1e10, 1e9 + 0.5};
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
    struct Case {
        const char* command;
        bool accepted;
    };
    const Case cases[] = {
        {"(ball (pos 1e100 0 0.042))", false},
        {"(ball (pos 0 -1e300 0.042))", false},
        {"(ball (pos 70 70 0.042))", true},  // 99 m from the centre
        {"(ball (pos 71 71 0.042))", false},
        {"(ball (pos 0 0 50))", true},
        {"(ball (pos 0 0 50.01))", false},
        {"(ball (pos 0 0 -1.5))", false},
        {"(ball (pos 0 0 0.042) (vel 99 0 0))", true},
        {"(ball (pos 0 0 0.042) (vel 1e30 0 0))", false},
        {"(agent (team Left) (unum 1) (pos -3 0 0.4) (rot 0))", true},
        {"(agent (team Left) (unum 1) (pos 1e100 0 0.4) (rot 0))", false},
        {"(agent (team Right) (unum 2) (pos 0 0 1e6) (rot 0))", false},
    };
    for (const Case& c : cases) {
        const std::vector<TrainerCommand> parsed = ParseTrainerCommands(c.command);
        ASSERT_EQ(1u, parsed.size()) << c.command;
        EXPECT_EQ(c.accepted, parsed[0].kind != TrainerCommand::kInvalid) << c.command;
        EXPECT_TRUE(c.accepted || !parsed[0].error.empty()) << c.command;  // a reason if refused
    }
}

TEST(HostileInitTest, TeamNamesOnlyOfPrintableCharactersUpTo32) {
    struct Case {
        std::string name;
        bool accepted;
    };
    const Case cases[] = {
        {"MarrowFinch", true},
        {std::string(32, 'x'), true},
        {"a-b_c.d+1!", true},
        {std::string(33, 'x'), false},
        {std::string("Bad\0Name", 8), false},
        {"Bad\x01Name", false},
        {"Bad\x7fName", false},
        {"caf\xc3\xa9", false},
    };
    for (const Case& c : cases) {
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

// Polls for `seconds`, every 0.1 s first sending `each` on every client.
std::vector<NetEvent> PollFor(NetLoop& net, double seconds, std::vector<WireClient>& clients,
                              const std::string& each) {
    std::vector<NetEvent> all, events;
    const double end = WallSeconds() + seconds;
    while (WallSeconds() < end) {
        if (!each.empty())
            for (WireClient& client : clients) client.SendRaw(each);
        const double slice = WallSeconds() + 0.1;
        while (WallSeconds() < slice) net.Poll(20, events);
    }
    all.swap(events);
    return all;
}

TEST(HostileConnectionTest, PortsLimitTheirConnectionsAndDropIdleOrHalfFramedOnes) {
    struct Case {
        const char* name;
        ListenerLimits limits;
        std::string first;    // sent once by every client
        std::string each;     // sent every 0.1 s by every client
        size_t kept;          // of 5 clients
        const char* dropped;  // the reason given when the others were dropped
        double seconds;       // how long the loop polls
    };
    const std::string frame = WireClient::Frame("(getState)"), half("\x00\x00\x01\x00", 4);
    const char* kHeld = "held part of a frame for 0.3 s";
    const char* kFull = "connection limit of 3 reached; a new connection was closed";
    // Frames every 0.1 s keep a connection with an idle limit of 0.8 s open for 2 s.
    const Case cases[] = {
        // clang-format off
        {"limit",          {3, 0, 5},     "",                "",    3, kFull,            0.9},
        {"idle",           {8, 0.3, 5},   "",                "",    0, "idle for 0.3 s", 0.9},
        {"half frame",     {8, 0, 0.3},   half.substr(0, 3), "",    0, kHeld,            0.9},
        {"trickled frame", {8, 0, 0.3},   half,              "x",   0, kHeld,            0.9},
        {"whole frames",   {8, 0.8, 0.8}, "",                frame, 5, "",               2.0},
        // clang-format on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NetLoop net;
        std::string error;
        const int listener = net.Listen(0, error, "127.0.0.1", c.limits);
        ASSERT_GE(listener, 0) << error;
        std::vector<WireClient> clients(5);
        for (WireClient& client : clients) {
            ASSERT_TRUE(client.Connect(net.BoundPort(listener)));
            client.SendRaw(c.first);
        }
        const std::vector<NetEvent> events = PollFor(net, c.seconds, clients, c.each);
        EXPECT_EQ(c.kept, net.ConnectionCount());
        size_t gone = 0;
        for (const NetEvent& e : events) {
            if (e.kind != NetEvent::kClosed && e.kind != NetEvent::kRejected) continue;
            EXPECT_EQ(c.dropped, e.payload);
            gone++;
        }
        EXPECT_EQ(clients.size() - c.kept, gone);
        size_t ended = 0;
        for (WireClient& client : clients) ended += client.SeesEnd(0.2);
        EXPECT_EQ(clients.size() - c.kept, ended);
    }
}

}  // namespace
