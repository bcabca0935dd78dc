// The web monitor's server alone: the stream hub between the simulation thread and the
// viewers, the trainer command inbox, and the HTTP routes with real sockets. A viewer that
// stops reading is dropped: tests/e2e/monitor_stream_test.cpp, with a whole match.

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

TEST(StreamHubTest, ViewersGetTheHeaderFirstThenTheRecordsSinceTheyCame) {
    struct Case {
        const char* name;
        std::vector<std::string> before;  // published before the viewer joins
        std::vector<std::string> after;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"nothing yet", {}, {"c1", "c2"}, {"H", "c1", "c2"}},
        // A viewer starts from the present state, not the backlog.
        {"joins late", {"c1", "c2", "c3"}, {"c4"}, {"H", "c3", "c4"}},
    };
    for (const Case& c : cases) {
        StreamHub hub(8);
        hub.SetHeader("H");
        for (const auto& r : c.before) hub.Publish(r);
        StreamHub::Cursor cursor = hub.Join();
        for (const auto& r : c.after) hub.Publish(r);
        std::vector<StreamHub::Record> got;
        EXPECT_EQ(StreamHub::kRecords, hub.Read(cursor, got, milliseconds(0))) << c.name;
        EXPECT_EQ(c.expected, Texts(got)) << c.name;
        got.clear();
        EXPECT_EQ(StreamHub::kTimeout, hub.Read(cursor, got, milliseconds(1))) << c.name;
        hub.Leave();
    }
}

TEST(StreamHubTest, ALaggingViewerLosesItsPlaceWhileAnotherReadsOn) {
    StreamHub hub(4);
    hub.SetHeader("H");
    StreamHub::Cursor slow = hub.Join(), quick = hub.Join();
    EXPECT_EQ(2, hub.Viewers());
    std::vector<StreamHub::Record> got;
    for (int i = 0; i < 10; ++i) {
        hub.Publish("c" + std::to_string(i));
        got.clear();
        ASSERT_EQ(StreamHub::kRecords, hub.Read(quick, got, milliseconds(0)));
        EXPECT_EQ("c" + std::to_string(i), *got.back());
    }
    EXPECT_EQ(StreamHub::kLagged, hub.Read(slow, got, milliseconds(0)));
    // A new header reaches a viewer that already had the old one.
    hub.SetHeader("H2");
    got.clear();
    ASSERT_EQ(StreamHub::kRecords, hub.Read(quick, got, milliseconds(0)));
    EXPECT_EQ(std::vector<std::string>{"H2"}, Texts(got));
    hub.Leave();
    hub.Leave();
    EXPECT_EQ(0, hub.Viewers());
}

TEST(StreamHubTest, ClosingWakesAWaitingViewerAtOnce) {
    StreamHub hub;
    StreamHub::Cursor cursor = hub.Join();
    std::atomic<int> result{-1};
    auto start = std::chrono::steady_clock::now();
    std::thread viewer([&] {
        std::vector<StreamHub::Record> got;
        result = hub.Read(cursor, got, std::chrono::seconds(30));
    });
    std::this_thread::sleep_for(milliseconds(20));
    hub.Close();
    viewer.join();
    EXPECT_EQ(StreamHub::kClosed, result.load());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
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

    std::unique_ptr<Monitor> StartMonitor(bool live) {
        auto m = std::make_unique<Monitor>(dir, hub, live ? &inbox : nullptr);
        std::string error;
        EXPECT_TRUE(m->Start(0, error)) << error;
        return m;
    }

    std::string dir;
    StreamHub hub;
    CommandInbox inbox;
};

TEST_F(MonitorHttpTest, ServesThePageThreeJsAndItsMode) {
    struct Case {
        bool live;
        const char* path;
        int status;
        const char* bodyHas;
    };
    const Case cases[] = {
        {true, "/", 200, "<title>monitor</title>"},
        {true, "/vendor/three/build/three.module.js", 200, "export const R"},
        {true, "/info", 200, R"("mode":"live")"},
        {false, "/info", 200, R"("mode":"replay")"},
        {true, "/missing.js", 404, ""},
    };
    for (const Case& c : cases) {
        auto m = StartMonitor(c.live);
        httplib::Client client("127.0.0.1", m->Port());
        auto res = client.Get(c.path);
        ASSERT_TRUE(res) << c.path;
        EXPECT_EQ(c.status, res->status) << c.path;
        EXPECT_NE(std::string::npos, res->body.find(c.bodyHas)) << c.path << ": " << res->body;
        m->Stop();
    }
}

TEST_F(MonitorHttpTest, TrainerCommandsNeedTheHeaderAndALiveMatch) {
    std::atomic<bool> running{true};
    std::thread simulation([&] {
        while (running) {
            for (CommandInbox::Pending& p : inbox.Take()) p.reply->set_value("(ok " + p.text + ")");
            std::this_thread::sleep_for(milliseconds(1));
        }
    });
    struct Case {
        bool live;
        bool header;
        int status;
        const char* body;
    };
    const Case cases[] = {
        {true, true, 200, "(ok (kickOff Left))"},
        {true, false, 403, "(error missing header X-Pitchsim-Command)"},
        {false, true, 409, "(error a replay takes no trainer commands)"},
    };
    for (const Case& c : cases) {
        auto m = StartMonitor(c.live);
        httplib::Client client("127.0.0.1", m->Port());
        httplib::Headers headers;
        if (c.header) headers.emplace(kCommandHeader, "1");
        auto res = client.Post("/trainer", headers, "(kickOff Left)", "text/plain");
        ASSERT_TRUE(res);
        EXPECT_EQ(c.status, res->status);
        EXPECT_EQ(c.body, res->body);
        m->Stop();
    }
    running = false;
    simulation.join();
}

TEST_F(MonitorHttpTest, TheStreamCarriesTheHeaderThenEveryRecordAsEvents) {
    auto m = StartMonitor(true);
    hub.SetHeader(R"({"type":"header"})");
    std::atomic<bool> running{true};
    std::thread simulation([&] {
        for (int i = 0; running; ++i) {
            hub.Publish(R"({"type":"cycle","n":)" + std::to_string(i) + "}");
            std::this_thread::sleep_for(milliseconds(5));
        }
    });
    httplib::Client client("127.0.0.1", m->Port());
    std::string text;
    auto res = client.Get("/stream", [&](const char* data, size_t size) {
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
    m->Stop();
}

TEST_F(MonitorHttpTest, StartFailsWithAReasonWithoutThePageOrOnABusyPort) {
    std::string error;
    Monitor noPage(dir + "/nowhere", hub, &inbox);
    EXPECT_FALSE(noPage.Start(0, error));
    EXPECT_NE(std::string::npos, error.find("tools/bootstrap")) << error;

    auto first = StartMonitor(true);
    StreamHub other;
    Monitor second(dir, other, &inbox);
    error.clear();
    EXPECT_FALSE(second.Start(first->Port(), error));
    EXPECT_NE(std::string::npos, error.find(std::to_string(first->Port()))) << error;
}

}  // namespace
