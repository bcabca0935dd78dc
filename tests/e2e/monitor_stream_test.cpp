// pitchsim's live stream: a viewer that never reads is dropped; the match and others go on.

#include <gtest/gtest.h>
#include <httplib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "support/field.h"

namespace {

using MonitorStreamTest = FieldTest;

TEST_F(MonitorStreamTest, AStalledViewerIsDroppedWhileTheMatchKeepsItsPaceAndOthersWatch) {
    StartServer({"--realtime", "--http-port=0", "--noise=off"});
    for (int unum : {1, 2}) StartAgent(unum);
    ASSERT_TRUE(Until([&] {
        const std::string state = State();
        return FindRobot(state, "Left", 1).found && FindRobot(state, "Left", 2).found;
    })) << "the agents did not join";

    // The stalled viewer: a small receive buffer, the request, and never a read.
    int stalled = socket(AF_INET, SOCK_STREAM, 0);
    int small = 4096;
    setsockopt(stalled, SOL_SOCKET, SO_RCVBUF, &small, sizeof(small));
    sockaddr_in addr = LoopbackAddress(sim.HttpPort());
    ASSERT_EQ(0, connect(stalled, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)));
    std::string request =
        "GET /stream HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(sim.HttpPort()) + "\r\n\r\n";
    ASSERT_EQ(static_cast<ssize_t>(request.size()), write(stalled, request.data(), request.size()));

    // The watching viewer reads everything, and notes the longest wait between two records.
    std::atomic<bool> watching{true};
    std::string seen;
    double lastRecord = 0, longestGap = 0;  // wall s
    std::thread watcher([&] {
        httplib::Client client("127.0.0.1", sim.HttpPort());
        client.Get("/stream", [&](const char* data, size_t size) {
            const double now = WallSeconds();
            if (std::string(data, size).find("\"type\":\"cycle\"") != std::string::npos) {
                if (lastRecord > 0) longestGap = std::max(longestGap, now - lastRecord);
                lastRecord = now;
            }
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

    // 50 cycles per wall second. A wait for the stalled socket (its write timeout is 2 s) would
    // stop the cycles for seconds at once; a busy machine slows them a little all along.
    EXPECT_LT(longestGap, 1.0) << "the match stood still";
    EXPECT_GT(simSeconds / wallSeconds, 0.6) << simSeconds << " s in " << wallSeconds;
    EXPECT_LT(simSeconds / wallSeconds, 1.02) << simSeconds << " s in " << wallSeconds;
    EXPECT_EQ(0u, seen.find("data: {\"type\":\"header\"")) << seen.substr(0, 200);
    EXPECT_GT(Count(seen, "\"type\":\"cycle\""), 0.8 * 50 * 12) << "the watcher missed records";

    // The server has closed the stalled stream: its end follows what the buffers held.
    WireClient viewer;
    viewer.Adopt(stalled);
    EXPECT_TRUE(viewer.SeesEnd(5)) << "the stalled viewer was never dropped";
}

}  // namespace
