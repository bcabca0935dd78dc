// The web monitor's server: trainer command inbox, HTTP routes on real sockets.
#include "sim/monitor/monitor.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "sim/monitor/monitorstream.h"

namespace {

using std::chrono::milliseconds;
namespace fs = std::filesystem;

TEST(CommandInboxTest, AnUnansweredCommandTimesOutAndStaysForTheSimulation) {
    CommandInbox inbox;
    std::string reply;
    EXPECT_FALSE(inbox.Submit("(getState)", milliseconds(10), reply));
    std::vector<CommandInbox::Pending> left = inbox.Take();
    ASSERT_EQ(1u, left.size());
    left[0].reply->set_value("(late)");  // answering a viewer that has gone is harmless
    EXPECT_TRUE(inbox.Empty());
}

// A page folder as the bootstrap leaves it: the page and three.js in node_modules.
class MonitorHttpTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/monitortest.XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        dir = pattern;
        fs::create_directories(dir + "/node_modules/three/build");
        std::ofstream(dir + "/index.html") << "<title>monitor</title>";
        std::ofstream(dir + "/node_modules/three/build/three.module.js") << "export const R = 1;";
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string dir;
    StreamHub hub;
    CommandInbox inbox;
};

TEST_F(MonitorHttpTest, RoutesAndTrainerCommandsOfALiveMatchAndOfAReplay) {
    std::atomic<bool> running{true};
    std::thread simulation([&] {
        while (running) {
            for (CommandInbox::Pending& p : inbox.Take()) p.reply->set_value("(ok " + p.text + ")");
            std::this_thread::sleep_for(milliseconds(1));
        }
    });
    Monitor live(dir, hub, &inbox), replay(dir, hub, nullptr);
    std::string error;
    ASSERT_TRUE(live.Start(0, error) && replay.Start(0, error)) << error;
    httplib::Client toLive("127.0.0.1", live.Port()), toReplay("127.0.0.1", replay.Port());
    const struct {
        httplib::Client* to;
        const char* path;
        int status;
        const char* bodyHas;
    } gets[] = {
        {&toLive, "/", 200, "<title>monitor</title>"},
        {&toLive, "/vendor/three/build/three.module.js", 200, "export const R"},
        {&toReplay, "/info", 200, R"("mode":"replay")"},
        {&toLive, "/missing.js", 404, ""},
    };
    for (const auto& g : gets) {
        auto res = g.to->Get(g.path);
        ASSERT_TRUE(res) << g.path;
        EXPECT_EQ(g.status, res->status) << g.path;
        EXPECT_NE(std::string::npos, res->body.find(g.bodyHas)) << g.path << ": " << res->body;
    }
    const auto post = [](httplib::Client& to, const httplib::Headers& headers) {
        auto res = to.Post("/trainer", headers, "(kickOff Left)", "text/plain");
        return res ? std::to_string(res->status) + " " + res->body : "no answer";
    };
    const httplib::Headers command{{kCommandHeader, "1"}};
    EXPECT_EQ("200 (ok (kickOff Left))", post(toLive, command));
    EXPECT_EQ("403 (error missing header X-Pitchsim-Command)", post(toLive, {}));
    EXPECT_EQ("409 (error a replay takes no trainer commands)", post(toReplay, command));
    running = false;
    simulation.join();
    live.Stop();
    replay.Stop();
}

}  // namespace
