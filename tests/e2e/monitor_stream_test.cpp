// pitchsim's live stream with real agents: a browser that connects and never reads is dropped
// while the match keeps its pace and another viewer keeps its stream.

#include <gtest/gtest.h>
#include <httplib.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "support/field.h"

namespace {

using MonitorStreamTest = FieldTest;

TEST_F(MonitorStreamTest, AStalledViewerIsDroppedWhileTheMatchKeepsItsPaceAndOthersWatch) {
    StartServer({"--realtime", "--http-port=0", "--noise=off"});
    for (int unum : {1, 2}) StartAgent(unum);
    ASSERT_TRUE(OnField({1, 2})) << "the agents did not join";

    // The stalled viewer: a small receive buffer, the request, and never a read.
    int stalled = socket(AF_INET, SOCK_STREAM, 0);
    int small = 4096;
    setsockopt(stalled, SOL_SOCKET, SO_RCVBUF, &small, sizeof(small));
    sockaddr_in addr = LoopbackAddress(sim.HttpPort());
    ASSERT_EQ(0, connect(stalled, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)));
    std::string request = "GET /stream HTTP/1.1\r\nHost: pitchsim\r\n\r\n";
    ASSERT_EQ(static_cast<ssize_t>(request.size()), write(stalled, request.data(), request.size()));

    // The watching viewer reads everything.
    std::atomic<bool> watching{true};
    std::string seen;
    std::thread watcher([&] {
        httplib::Client client("127.0.0.1", sim.HttpPort());
        client.Get("/stream", [&](const char* data, size_t size) {
            seen.append(data, size);
            return watching.load();
        });
    });

    const double wallStart = WallSeconds();
    const double simStart = SimTime();
    std::this_thread::sleep_for(std::chrono::seconds(12));
    const double simSeconds = SimTime() - simStart;
    const double wallSeconds = WallSeconds() - wallStart;
    watching = false;
    watcher.join();

    // Real time: 50 cycles per wall second, stalled viewer or not. A cycle that waited for the
    // stalled socket would lose seconds; a busy shared machine loses a few percent.
    EXPECT_GT(simSeconds / wallSeconds, 0.85) << simSeconds << " s in " << wallSeconds;
    EXPECT_LT(simSeconds / wallSeconds, 1.02) << simSeconds << " s in " << wallSeconds;
    EXPECT_EQ(0u, seen.find("data: {\"type\":\"header\"")) << seen.substr(0, 200);
    EXPECT_GT(Count(seen, "\"type\":\"cycle\""), 0.8 * 50 * 12) << "the watcher missed records";

    // The server has closed the stalled stream: its end follows what the buffers held.
    bool ended = false;
    char buf[65536];
    for (double end = WallSeconds() + 5; !ended && WallSeconds() < end;) {
        pollfd p{stalled, POLLIN, 0};
        if (poll(&p, 1, 1000) > 0) ended = read(stalled, buf, sizeof(buf)) <= 0;
    }
    EXPECT_TRUE(ended) << "the stalled viewer was never dropped";
    close(stalled);
}

}  // namespace
