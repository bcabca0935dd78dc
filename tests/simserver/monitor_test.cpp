// The web monitor's server: stream hub, trainer command inbox, HTTP routes on real sockets. A
// lagging viewer is dropped: tests/e2e/monitor_stream_test.cpp.
#include "sim/server/monitor.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "sim/server/monitorstream.h"

namespace {

using std::chrono::milliseconds;
namespace fs = std::filesystem;

std::vector<std::string> Texts(const std::vector<StreamHub::Record>& records) {
    std::vector<std::string> out;
    for (const auto& r : records) out.push_back(*r);
    return out;
}

TEST(StreamHubTest, AViewerGetsTheHeaderThenThePresentStateNotTheBacklog) {
    StreamHub hub(8);
    hub.SetHeader("H");
    for (const char* r : {"c1", "c2", "c3"}) hub.Publish(r);
    StreamHub::Cursor cursor = hub.Join();
    hub.Publish("c4");
    std::vector<StreamHub::Record> got;
    EXPECT_EQ(StreamHub::kRecords, hub.Read(cursor, got, milliseconds(0)));
    EXPECT_EQ((std::vector<std::string>{"H", "c3", "c4"}), Texts(got));
    got.clear();
    EXPECT_EQ(StreamHub::kTimeout, hub.Read(cursor, got, milliseconds(1)));
}

TEST(CommandInboxTest, CommandsAreAnsweredInOrderOrTimeOut) {
    CommandInbox inbox;
    std::string reply;
    // Nobody answers: the viewer gives up, the command stays for the simulation.
    EXPECT_FALSE(inbox.Submit("(getState)", milliseconds(10), reply));
    std::vector<CommandInbox::Pending> left = inbox.Take();
    ASSERT_EQ(1u, left.size());
    left[0].reply->set_value("(late)");  // answering a viewer that has gone is harmless

    std::thread simulation([&] {
        for (int answered = 0; answered < 2;) {
            for (CommandInbox::Pending& p : inbox.Take()) {
                p.reply->set_value("re " + p.text);
                answered++;
            }
            std::this_thread::sleep_for(milliseconds(1));
        }
    });
    std::string first, second;
    EXPECT_TRUE(inbox.Submit("(a)", std::chrono::seconds(10), first));
    EXPECT_TRUE(inbox.Submit("(b)", std::chrono::seconds(10), second));
    simulation.join();
    EXPECT_EQ("re (a)", first);
    EXPECT_EQ("re (b)", second);
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

TEST_F(MonitorHttpTest, TheStreamCarriesTheHeaderThenEveryRecordAsEvents) {
    Monitor m(dir, hub, &inbox);
    std::string error;
    ASSERT_TRUE(m.Start(0, error)) << error;
    hub.SetHeader(R"({"type":"header"})");
    std::atomic<bool> running{true};
    std::thread simulation([&] {
        for (int i = 0; running; ++i) {
            hub.Publish(R"({"type":"cycle","n":)" + std::to_string(i) + "}");
            std::this_thread::sleep_for(milliseconds(5));
        }
    });
    httplib::Client client("127.0.0.1", m.Port());
    std::string text;
    client.Get("/stream", [&](const char* data, size_t size) {
        text.append(data, size);
        return text.size() < 400;  // enough for several records
    });
    running = false;
    simulation.join();
    EXPECT_EQ(0u, text.find("data: {\"type\":\"header\"}\n\n")) << text;
    // Records follow one another without a gap.
    size_t first = text.find(R"("n":)");
    ASSERT_NE(std::string::npos, first) << text;
    int n = std::atoi(text.c_str() + first + 4);
    EXPECT_NE(std::string::npos, text.find(R"("n":)" + std::to_string(n + 1) + "}\n\n")) << text;
    m.Stop();
}

}  // namespace
