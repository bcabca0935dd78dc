// The agent binary through a scripted server peer: options, connection and how a run ends.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/scripted_peer.h"

namespace {

const char kHelp[] =
    "\nusage: velorunner [options]\n"
    "\noptions:\n"
    " --help      prints this message.\n"
    " --host=IP   IP of the server.\n"
    " --gPort=IP   Port of the server.\n"
    " --unum=num   player num.\n"
    "\n"
    " --team=NAME  team name: 1 to 20 letters, digits, _ or - (default Marrowfinch).\n"
    " --key=KEY    key of the team's spoken messages: 3 letters (default k4q).\n";
const char kGreeting[] = "velorunner, a spark Version3.0 agent\n";

std::string PortOption(int port) {
    return "--port=" + std::to_string(port);
}

// Standard output is complete up to the closing notice.
bool EndsClosed(const ScriptedPeer& peer) {
    const std::string out = peer.Stdout();
    const std::string end = "closed connection to 127.0.0.1:" + std::to_string(peer.Port()) + "\n";
    return out.size() >= end.size() && out.compare(out.size() - end.size(), end.size(), end) == 0;
}

// Waits up to a second for the process to be stopped (by SIGSTOP).
bool StoppedSoon(pid_t pid) {
    for (int i = 0; i < 100; ++i, usleep(10000)) {
        const std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
        if (stat.find(") T ") != std::string::npos) return true;
    }
    return false;
}

// Starts the agent with args and checks that its first message is the scene message.
void StartAndExpectScene(ScriptedPeer& peer, const std::vector<std::string>& args) {
    ASSERT_TRUE(peer.Start(args));
    ASSERT_TRUE(peer.Accept());
    std::string msg;
    ASSERT_TRUE(peer.Receive(msg));
    EXPECT_EQ(kScene, msg);
}

// --help, or an option without its value, prints the usage after any options before it.
TEST(EntryOptions, HelpAndOptionsWithoutValuePrintUsageAndExitZero) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--port=abc", "--help", "--port=5"}, std::string(kGreeting) + "gPort 0\n" + kHelp},
        {{"--port"}, std::string(kGreeting) + kHelp},
    };
    for (const auto& [args, out] : cases) {
        ScriptedPeer peer;
        ASSERT_TRUE(peer.Start(args));
        ASSERT_TRUE(peer.Wait());
        EXPECT_TRUE(peer.ExitedWith(0)) << args[0];
        EXPECT_EQ(out, peer.Stdout()) << args[0];
    }
}

TEST(EntryOptions, TeamAndKeyOutsideTheirRulesExitTwoWithOneLineBeforeConnecting) {
    const std::string team = "bad value for --team: 1 to 20 letters, digits, _ or - are needed\n";
    const std::string key =
        "bad value for --key: exactly 3 letters are needed, and not \"hea\" or \"ear\"\n";
    // A digit could be read as the uniform number; "hea" is in every "(hear".
    const std::vector<std::string> args = {"--team=", "--team=" + std::string(21, 'a'), "--key=k4q",
                                           "--key=hea"};
    for (const std::string& arg : args) {
        const std::string& line = arg.rfind("--team", 0) == 0 ? team : key;
        ScriptedPeer peer;
        ASSERT_TRUE(peer.Start({arg, PortOption(peer.Port())}));
        ASSERT_TRUE(peer.Wait());
        EXPECT_TRUE(peer.ExitedWith(2)) << arg;
        EXPECT_EQ(line, peer.Stderr()) << arg;
        EXPECT_EQ(kGreeting, peer.Stdout()) << arg;
    }
}

// A port above 65535 keeps its low 16 bits; the team name reaches the init message.
TEST(EntryOptions, AWidePortAndTheTeamNameReachTheServer) {
    ScriptedPeer peer;
    const std::string wide = std::to_string(3 * 65536 + peer.Port());
    const std::string name = std::string(17, 'z') + "_-9";
    StartAndExpectScene(peer, {"--port=" + wide, "--team=" + name});
    EXPECT_EQ("(init (unum 0)(teamname " + name + "))(syn)", peer.Exchange("(time (now 0.02))"));
    peer.Close();
    ASSERT_TRUE(peer.Wait());
    EXPECT_NE(std::string::npos, peer.Stdout().find("connecting to TCP 127.0.0.1:" + wide))
        << peer.Stdout();
}

TEST(EntryConnection, RefusedConnectionExitsOne) {
    ScriptedPeer peer;
    // Bound and never listened on: no other test's server can take the port meanwhile.
    const RefusingPort refusing;
    ASSERT_GT(refusing.port, 0);
    ASSERT_TRUE(peer.Start({PortOption(refusing.port)}));
    ASSERT_TRUE(peer.Wait());
    EXPECT_TRUE(peer.ExitedWith(1));
    EXPECT_NE(std::string::npos, peer.Stdout().find("Connect Socket is error\n"));
}

TEST(EntryConnection, InterruptFinishesTheCurrentCycleThenClosesInOrder) {
    ScriptedPeer peer;
    StartAndExpectScene(peer, {PortOption(peer.Port())});
    std::string early;
    EXPECT_FALSE(peer.Receive(early, 0.3));  // the agent reaches its wait for the first message
    peer.Signal(SIGINT);
    EXPECT_FALSE(peer.Receive(early, 0.3));  // and keeps waiting after the interrupt
    std::string reply = peer.Exchange("(time (now 0.02))(GS (t 0.00) (pm BeforeKickOff))");
    EXPECT_EQ(0u, reply.find("(init (unum 0)"));
    ASSERT_TRUE(peer.Wait());
    EXPECT_TRUE(peer.ExitedWith(0));
    EXPECT_TRUE(EndsClosed(peer)) << peer.Stdout();
    EXPECT_EQ("", peer.Stderr());
}

// Replies to a gone server never raise SIGPIPE. A server that closes after its last perception
// ends the run with status 0 whether the close comes as an end of stream or, with replies unread,
// as a reset; a reset inside a message is a failure.
TEST(EntryConnection, ServerClosingOrResettingEndsTheRunInOrder) {
    const std::string closed = "the server closed the connection\n";
    const std::string reset = "the connection to the server failed: Connection reset by peer\n";
    const struct {
        const char* what;
        bool byReset, halfMessage;
        int status;
        const std::string& line;
    } rows[] = {
        {"end of stream", false, false, 0, closed},
        {"reset after the last perception", true, false, 0, closed},
        {"reset inside a perception", true, true, 1, reset},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ScriptedPeer peer;
        StartAndExpectScene(peer, {PortOption(peer.Port())});
        peer.Signal(SIGSTOP);
        ASSERT_TRUE(StoppedSoon(peer.Pid()));
        for (const char* now : {"0.02", "0.04", "0.06"})
            peer.Send(std::string("(time (now ") + now + "))");
        if (row.halfMessage) peer.SendRaw(WireClient::Frame("(time (now 0.08))").substr(0, 9));
        // (the agent's replies to the whole ones find the connection gone)
        row.byReset ? peer.Reset() : peer.Close();
        peer.Signal(SIGCONT);
        ASSERT_TRUE(peer.Wait(5));
        ASSERT_TRUE(peer.Exited()) << "ended by signal " << peer.TermSignal();
        EXPECT_EQ(row.status, peer.ExitStatus());
        EXPECT_EQ(row.line, peer.Stderr());
        EXPECT_TRUE(EndsClosed(peer)) << peer.Stdout();
    }
}

TEST(EntryConnection, AServerThatStopsReadingAbortsTheRunAfterTenSeconds) {
    ScriptedPeer peer;
    StartAndExpectScene(peer, {PortOption(peer.Port())});
    // No reply is read: the buffers fill until the agent takes no more perceptions either.
    int sent = 0;
    while (sent < 1000000 && peer.SendWithin("(time (now 0.02))", 1.0)) ++sent;
    const double stuck = WallSeconds();
    ASSERT_TRUE(peer.Wait(20));
    ASSERT_TRUE(peer.Signaled()) << "exit status " << peer.ExitStatus();
    EXPECT_EQ(SIGABRT, peer.TermSignal());
    EXPECT_EQ(0u, peer.Stderr().find("(PutMessage) no room to send for 10 s")) << peer.Stderr();
    // The peer noticed a second after the agent stuck; the margin is for a loaded machine.
    EXPECT_LT(WallSeconds() - stuck, 13.0) << sent << " perceptions sent";
}

TEST(EntryConnection, TenSecondsOfSilenceAbortsWithTheSelectMessage) {
    ScriptedPeer peer;
    StartAndExpectScene(peer, {PortOption(peer.Port())});
    ASSERT_TRUE(peer.Wait(20));
    ASSERT_TRUE(peer.Signaled());
    EXPECT_EQ(SIGABRT, peer.TermSignal());
    EXPECT_EQ(0u, peer.Stderr().find("(SelectInput) select failed "));
}

}  // namespace
