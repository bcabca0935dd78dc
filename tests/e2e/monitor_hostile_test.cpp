// pitchsim's web monitor against hostile HTTP clients: oversized, endless, slow, numerous and
// misaddressed requests, and commands that would end the match. An agent plays throughout and
// must never notice.

#include <gtest/gtest.h>
#include <httplib.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/simprocess.h"

namespace {

// An answer read from a raw connection: the status (0: none, the connection just ended).
struct Answer {
    int status = 0;
    std::string text;
    double seconds = 0;
    size_t sent = 0;  // bytes the server took before it answered or closed
};

int Connect(int port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = LoopbackAddress(port);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof(a)) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// Sends `head` and then `body` a piece at a time, stopping as soon as an answer comes (as a
// browser does), and reads the answer until the end or `timeout`.
Answer Request(int port, const std::string& head, const std::string& body, double timeout) {
    Answer a;
    const double start = WallSeconds(), end = start + timeout;
    int fd = Connect(port);
    if (fd < 0) return a;
    const std::string all = head + body;
    size_t sent = 0;
    while (sent < all.size() && WallSeconds() < end) {
        pollfd p{fd, POLLIN | POLLOUT, 0};
        if (poll(&p, 1, 50) <= 0) continue;
        if (p.revents & (POLLIN | POLLERR | POLLHUP)) break;
        const ssize_t n =
            send(fd, all.data() + sent, std::min<size_t>(all.size() - sent, 65536), MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += static_cast<size_t>(n);
    }
    char buf[4096];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        const int ms = static_cast<int>((end - WallSeconds()) * 1000);
        if (ms <= 0 || poll(&p, 1, ms) <= 0) break;
        const ssize_t n = recv(fd, buf, sizeof(buf), 0);
        if (n <= 0) break;
        a.text.append(buf, static_cast<size_t>(n));
    }
    close(fd);
    a.sent = sent;
    a.seconds = WallSeconds() - start;
    if (a.text.rfind("HTTP/1.1 ", 0) == 0) a.status = std::atoi(a.text.c_str() + 9);
    return a;
}

long RssKiB(pid_t pid) {
    const std::string status = ReadFile("/proc/" + std::to_string(pid) + "/status");
    const size_t at = status.find("VmRSS:");
    return at == std::string::npos ? -1 : std::atol(status.c_str() + at + 6);
}

size_t Descriptors(pid_t pid) {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd"))
        ++n;
    return n;
}

// pitchsim in sync mode with the monitor and one agent that answers every perception on a
// thread of its own, noting the longest wait for a perception.
class MonitorHostileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(sim.Start(
            {"--sync", "--sync-timeout=200", "--http-port=0", "--auto-kickoff=0", "--quiet"}));
        ASSERT_EQ("(GS (unum 1) (team left)", JoinTeam(agent, sim.AgentPort(), "Steady"));
        ASSERT_TRUE(trainer.Connect(sim.TrainerPort()));
        player = std::thread([this] {
            std::string p;
            double last = WallSeconds();
            while (playing) {
                if (!agent.Receive(p, 0.2)) {
                    if (agent.SeesEnd(0)) break;
                } else {
                    agent.Send("(syn)");
                }
                longestGap = std::max(longestGap.load(), WallSeconds() - last);
                if (!p.empty()) last = WallSeconds();
                p.clear();
            }
            dropped = agent.SeesEnd(0);
        });
    }
    void TearDown() override {
        playing = false;
        if (player.joinable()) player.join();
        EXPECT_FALSE(dropped) << "the agent was dropped";
        EXPECT_LT(longestGap.load(), 2.0) << "the agent waited that long for a perception";
        EXPECT_TRUE(sim.Stop());
    }
    std::string Head(const std::string& method, const std::string& path, const std::string& host,
                     const std::string& extra = "") {
        return method + " " + path + " HTTP/1.1\r\nHost: " + host + "\r\n" + extra + "\r\n";
    }
    std::string Host() { return "127.0.0.1:" + std::to_string(sim.HttpPort()); }
    std::string Command(const std::string& body, const std::string& host = "") {
        return Head("POST", "/trainer", host.empty() ? Host() : host,
                    "X-Pitchsim-Command: 1\r\nContent-Type: text/plain\r\nContent-Length: " +
                        std::to_string(body.size()) + "\r\n");
    }

    PitchSim sim;
    WireClient agent;
    TrainerClient trainer;
    std::thread player;
    std::atomic<bool> playing{true}, dropped{false};
    std::atomic<double> longestGap{0};
};

std::string Placements(int n) {
    std::string text;
    for (int k = 0; k < n; ++k) text += "(ball (pos 1 " + std::to_string(k % 5) + " 0.042))";
    return text;
}

TEST_F(MonitorHostileTest, RequestsThatWouldStallOrEndTheMatchOrComeFromElsewhereAreRefused) {
    const std::string port = std::to_string(sim.HttpPort());
    const std::string huge = Placements(200000);  // about 4.5 MiB
    const std::string many = Placements(100);
    const struct {
        const char* what;
        std::string head, body;
        int status;
        const char* answerHas;
    } rows[] = {
        {"200,000 placements", Command(huge), huge, 413, "at most 64 KiB"},
        {"100 placements", Command(many), many, 200, "(error at most 64 commands"},
        {"a 512 MiB body without the page's header",
         Head("POST", "/trainer", Host(), "Content-Length: 536870912\r\n"), std::string(4096, 'x'),
         403, "missing header"},
        {"a 512 MiB body with it",
         Head("POST", "/trainer", Host(), "X-Pitchsim-Command: 1\r\nContent-Length: 536870912\r\n"),
         std::string(4096, 'x'), 413, "at most"},
        {"a rebound host name",
         Command("(ball (pos 3 3 0.042))", "rebind.attacker.example:" + port),
         "(ball (pos 3 3 0.042))", 421, "unknown host"},
        {"the stream for a rebound host name", Head("GET", "/stream", "rebind.attacker.example"),
         "", 421, "unknown host"},
        {"the right host on another port", Command("(ball (pos 3 3 0.042))", "127.0.0.1:1"),
         "(ball (pos 3 3 0.042))", 421, "unknown host"},
        {"GameOver", Command("(playMode GameOver)"), "(playMode GameOver)", 200,
         "(error GameOver is not taken from the monitor)"},
        {"a play mode that goes on", Command("(playMode PlayOn)"), "(playMode PlayOn)", 200,
         "(ok)"},
        {"localhost", Head("GET", "/info", "localhost:" + port), "", 200, "\"live\""},
    };
    for (const auto& row : rows) {
        const Answer a = Request(sim.HttpPort(), row.head, row.body, 4);
        EXPECT_EQ(row.status, a.status) << row.what << ": " << a.text.substr(0, 300);
        EXPECT_NE(std::string::npos, a.text.find(row.answerHas))
            << row.what << ": " << a.text.substr(0, 300);
        EXPECT_LT(a.seconds, 2.0) << row.what;
    }
    const std::string state = trainer.Command("(getState)");
    EXPECT_EQ("PlayOn", PlayModeOf(state)) << state;
    EXPECT_EQ(std::string::npos, state.find("(ball (pos 3.00 3.00")) << state;
}

TEST_F(MonitorHostileTest, EndlessHeadersEndTheConnectionWithoutFillingMemory) {
    const long before = RssKiB(sim.process.Pid());
    std::string lines;
    for (int k = 0; lines.size() < (128u << 20); ++k)
        lines += "X-Filler-" + std::to_string(k) + ": " + std::string(8000, 'y') + "\r\n";
    const Answer a =
        Request(sim.HttpPort(), "GET /info HTTP/1.1\r\nHost: " + Host() + "\r\n", lines, 10);
    EXPECT_NE(200, a.status) << a.text.substr(0, 200);
    // The connection ends early: what the socket buffers took, not the 128 MiB.
    EXPECT_LT(a.sent, 32u << 20);
#ifndef __SANITIZE_ADDRESS__  // (the sanitizer's quarantine grows with every cycle)
    const long grown = RssKiB(sim.process.Pid()) - before;
    EXPECT_LT(grown, 48 * 1024) << "KiB";
#else
    (void)before;
#endif
    httplib::Client client("127.0.0.1", sim.HttpPort());
    auto res = client.Get("/info");
    ASSERT_TRUE(res);
    EXPECT_EQ(200, res->status);
}

TEST_F(MonitorHostileTest, SlowAndNumerousClientsLeaveThePageAndTheAgentsServed) {
    // Far more connections than the server's descriptors allow, each sending its request one
    // byte a second: the page's requests and the agents' perceptions go on all the same.
    struct rlimit few = {160, 160};
    ASSERT_EQ(0, prlimit(sim.process.Pid(), RLIMIT_NOFILE, &few, nullptr));
    std::vector<int> slow;
    for (int k = 0; k < 400; ++k) {
        int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        sockaddr_in a = LoopbackAddress(sim.HttpPort());
        (void)!connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof(a));
        slow.push_back(fd);
    }
    size_t mostDescriptors = 0;
    const std::string request = "GET /info HTTP/1.1\r\nHost: " + Host() + "\r\n\r\n";
    httplib::Client client("127.0.0.1", sim.HttpPort());
    client.set_connection_timeout(3, 0);
    client.set_read_timeout(2, 0);
    const httplib::Headers command{{"X-Pitchsim-Command", "1"}};
    int served = 0, posted = 0;
    // The burst of connections itself is turned away within a second or so (a request that
    // comes meanwhile may be too); what stays are the slow ones the server keeps.
    for (size_t byte = 0; byte < 2; ++byte) {
        for (int fd : slow) (void)!send(fd, request.data() + byte, 1, MSG_NOSIGNAL);
        mostDescriptors = std::max(mostDescriptors, Descriptors(sim.process.Pid()));
        std::this_thread::sleep_for(std::chrono::milliseconds(750));
    }
    for (size_t byte = 2; byte < 7; ++byte) {
        for (int fd : slow) (void)!send(fd, request.data() + byte, 1, MSG_NOSIGNAL);
        auto info = client.Get("/info");
        served += info && info->status == 200;
        auto post = client.Post("/trainer", command, "(getState)", "text/plain");
        posted += post && post->status == 200 && post->body.rfind("(state", 0) == 0;
        mostDescriptors = std::max(mostDescriptors, Descriptors(sim.process.Pid()));
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    EXPECT_EQ(5, served);
    EXPECT_EQ(5, posted);
    // The server's descriptors stay well below its limit (64 HTTP connections and its own).
    EXPECT_LT(mostDescriptors, 120u);
    for (int fd : slow) close(fd);
    // The trainer port still takes a connection.
    TrainerClient late;
    ASSERT_TRUE(late.Connect(sim.TrainerPort()));
    EXPECT_EQ(0u, late.Command("(getState)").find("(state")) << "the trainer was locked out";
}

}  // namespace
