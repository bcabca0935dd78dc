// Match records, the compressed recording file, and the replay that serves it, also while it grows.
#include "sim/record/record.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "sim/record/matchreport.h"
#include "sim/record/recordfile.h"
#include "sim/record/replay.h"

namespace {

using nlohmann::json;

MatchEvent Event(MatchEvent::Kind kind, RobotId robot) {
    MatchEvent e;
    e.kind = kind, e.robot = robot;
    return e;
}

RecordCycle SampleCycle() {
    RecordCycle c;
    c.time = 61.24, c.gameTime = 31.2, c.playMode = "KickIn_Right";
    c.scoreLeft = 2, c.scoreRight = 1, c.teamLeft = "Marrowfinch", c.teamRight = "Other";
    c.ballPos[0] = -3.25, c.ballPos[1] = 7.042, c.ballPos[2] = 0.042;
    c.ballVel[0] = 0.5, c.ballVel[1] = -0.25;
    c.lastTouch = {false, 4};
    c.touches = {{false, 4}, {true, 11}};
    for (int k = 0; k < 2; ++k) {
        RecordRobot r;
        r.id = {k == 0, 3 + k}, r.fallen = k == 1;
        r.pos[0] = 1.5 - k, r.pos[1] = -2.25, r.pos[2] = 0.385;
        r.quat[0] = r.quat[3] = 0.7071;
        for (int j = 0; j < sim::kJointCount; ++j) r.joints[j] = -90.5 + 8.5 * j + k;
        c.robots.push_back(r);
    }
    MatchEvent goal = Event(MatchEvent::kGoal, {false, 2});  // an own goal
    goal.time = 60.5, goal.gameTime = 30.48, goal.scoreLeft = 2, goal.scoreRight = 1;
    MatchEvent out = Event(MatchEvent::kOut, {});
    out.mode = "KickIn_Right", out.pos[0] = -3.25, out.pos[1] = 7.0;
    MatchEvent up = Event(MatchEvent::kGetUp, {true, 7});
    up.seconds = 4.26;
    MatchEvent refusal = Event(MatchEvent::kRefusal, {});
    refusal.text = "a third team 'X'";
    c.events = {goal, out, up, refusal};
    return c;
}

TEST(RecordTest, CycleRecordReadsBackAsWrittenAtTheRecordedPrecision) {
    const RecordCycle in = SampleCycle();
    const std::string line = WriteCycleRecord(in);
    EXPECT_EQ(std::string::npos, line.find('\n'));
    EXPECT_EQ("cycle", RecordType(line));
    RecordCycle out;
    std::string error;
    ASSERT_TRUE(ReadCycleRecord(line, out, error)) << error;
    EXPECT_EQ(line, WriteCycleRecord(out));  // nothing lost or changed on the way back
    // Every part was written, not only passed through a reader that keeps nothing.
    ASSERT_TRUE(out.robots.size() == 2 && out.touches.size() == 2 && out.events.size() == 4);
    EXPECT_TRUE(out.time == in.time && out.ballPos[1] == 7.042 && out.lastTouch == in.lastTouch);
    EXPECT_TRUE(out.robots[1].fallen && out.robots[1].quat[3] == 0.7071);
    EXPECT_EQ(in.robots[1].joints[sim::kJointCount - 1],
              out.robots[1].joints[sim::kJointCount - 1]);
    EXPECT_TRUE(out.events[0].left && out.events[0].robot == (RobotId{false, 2}));
    EXPECT_TRUE(out.events[2].seconds == 4.26 && out.events[3].text == "a third team 'X'");
}

TEST(RecordTest, ValuesAreRoundedAndNonFiniteOnesWrittenAsZero) {
    RecordCycle c, out;
    c.ballPos[0] = 1.23456, c.ballPos[1] = std::nan(""), c.ballVel[2] = -HUGE_VAL;
    c.robots.resize(1);
    c.robots[0].joints[0] = 12.3456, c.robots[0].quat[3] = 0.123456;
    c.robots[0].joints[1] = -0.04;  // rounds to zero, written without its sign
    const std::string line = WriteCycleRecord(c);
    EXPECT_EQ(std::string::npos, line.find("-0.0,")) << line;
    std::string error;
    ASSERT_TRUE(ReadCycleRecord(line, out, error)) << error;
    EXPECT_TRUE(out.ballPos[0] == 1.235 && out.ballPos[1] == 0 && out.ballVel[2] == 0);  // mm
    EXPECT_TRUE(out.robots[0].joints[0] == 12.3 && out.robots[0].quat[3] == 0.1235);
}

TEST(RecordTest, FaultyLinesAreRefusedWithAReason) {
    const std::string good = WriteCycleRecord(SampleCycle());
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string s = good;
        size_t at = s.find(from);
        EXPECT_NE(std::string::npos, at) << from;
        return s.replace(at, from.size(), to);
    };
    const std::string cases[] = {
        "[1,2]",
        good.substr(0, good.size() / 2),
        replaced("\"playMode\"", "\"mode\""),
        replaced("\"pos\":[1.5,-2.25,0.385]", "\"pos\":[1.5,-2.25]"),
    };
    for (const std::string& line : cases) {
        RecordCycle out;
        std::string error;
        EXPECT_FALSE(ReadCycleRecord(line, out, error)) << line;
        EXPECT_FALSE(error.empty()) << line;
    }
}

std::string TempPath(const std::string& name) {
    return "/tmp/record_test_" + std::to_string(getpid()) + "_" + name;
}

std::vector<std::string> ReadAll(RecordFileReader& reader) {
    std::vector<std::string> lines;
    std::string line;
    while (reader.NextLine(line) == RecordFileReader::kLine) lines.push_back(line);
    return lines;
}

TEST(RecordFileTest, LinesComeBackInOrderAcrossFrames) {
    const std::string path = TempPath("frames.zst");
    RecordFileWriter writer;
    std::string error;
    ASSERT_TRUE(writer.Open(path, error)) << error;
    // A long line (beyond zstd's block and output buffer sizes) and an empty one.
    std::vector<std::string> written;
    for (int i = 0; i < 120; ++i) {
        written.push_back(i == 7 ? std::string(300000, 'x') : i == 8 ? "" : std::to_string(i));
        ASSERT_TRUE(writer.WriteLine(written.back()));
        ASSERT_TRUE(i % 50 != 49 || writer.EndFrame());
    }
    ASSERT_TRUE(writer.Close());
    RecordFileReader reader;
    ASSERT_TRUE(reader.Open(path, error)) << error;
    EXPECT_EQ(written, ReadAll(reader));
    EXPECT_FALSE(reader.InsideFrame());
    std::remove(path.c_str());
}

// Cycle record number `n` (time n * 0.02); a goal in cycle 3 and a fall in cycle 5.
std::string Cycle(int n) {
    RecordCycle c;
    c.time = n * 0.02;
    c.playMode = "PlayOn";
    if (n == 3 || n == 5) {
        MatchEvent e;
        e.kind = n == 3 ? MatchEvent::kGoal : MatchEvent::kFall;
        e.robot = {true, 7};
        e.scoreLeft = 1;
        c.events.push_back(e);
    }
    return WriteCycleRecord(c);
}

// A header of `version` (none if negative) and `cycles` cycles, the writer left open.
void WriteRecording(RecordFileWriter& w, const std::string& path, int cycles, int version = 1) {
    std::string error;
    ASSERT_TRUE(w.Open(path, error)) << error;
    RecordHeader h;
    h.version = version;
    if (version >= 0) w.WriteLine(WriteHeaderRecord(h));
    for (int n = 0; n < cycles; ++n) w.WriteLine(Cycle(n));
}

TEST(ReplayTest, RefusesWhatIsNoRecordingWithAReason) {
    const std::string plain = TempPath("plain"), empty = TempPath("empty"), old = TempPath("old");
    std::ofstream(plain) << "not zstd at all";
    {
        RecordFileWriter noHeader, oldHeader;
        WriteRecording(noHeader, empty, 0, -1);
        WriteRecording(oldHeader, old, 0, 0);
    }
    const std::pair<std::string, const char*> cases[] = {
        {plain, "corrupt"}, {empty, "holds no record"}, {old, "version"}};
    for (const auto& [path, reason] : cases) {
        Replay replay;
        std::string error;
        EXPECT_FALSE(replay.Open(path, error)) << path;
        EXPECT_NE(std::string::npos, error.find(reason)) << path << ": " << error;
    }
    for (const std::string& p : {plain, empty, old}) std::remove(p.c_str());
}

// Crafted lines after a header and a good cycle: the replay and the report both refuse the
// file, naming the line, and neither crashes.
TEST(ReplayTest, ABadLineIsRefusedByItsNumberWhateverItHolds) {
    const std::string good = Cycle(1);
    const std::string deep(100000, '['), shut(100000, ']');
    auto withEvents = [&](const std::string& events) {
        std::string line = good;
        line.replace(line.find("\"events\":[]"), 11, "\"events\":" + events);
        return line;
    };
    const struct {
        const char* what;
        std::string line;
        const char* reason;
    } rows[] = {
        {"a cycle without its fields", R"({"type":"cycle"})", "cycle record"},
        {"events nested 100,000 deep", withEvents("[" + deep + shut + "]"), "nested more than 16"},
        {"an event nested deep inside",
         withEvents(R"([{"type":"fall","time":1,"gameTime":1,"robot":{"team":"Left","unum":1},)"
                    R"("extra":)" +
                    deep + shut + "}]"),
         "nested more than 16"},
        {"an event that is a number", withEvents("[7]"), "cycle record"},
        {"no JSON", "not json at all", "not a JSON object"},
        {"another record type", R"({"type":"other"})", "not a cycle record"},
    };
    for (const auto& row : rows) {
        const std::string path = TempPath("bad");
        {
            RecordFileWriter w;
            WriteRecording(w, path, 0);
            w.WriteLine(good);
            w.WriteLine(row.line);
            w.WriteLine(good);
        }
        Replay replay;
        std::string error;
        EXPECT_FALSE(replay.Open(path, error)) << row.what;
        EXPECT_NE(std::string::npos, error.find("line 3: ")) << row.what << ": " << error;
        EXPECT_NE(std::string::npos, error.find(row.reason)) << row.what << ": " << error;
        MatchReport report;
        EXPECT_FALSE(ReportFromRecording(path, 1, report, error)) << row.what;
        EXPECT_NE(std::string::npos, error.find("line 3: ")) << row.what << ": " << error;
        std::remove(path.c_str());
    }
}

// A line without end (a small file that decompresses to far more) is read in linear time up to
// the longest line a recording has, and named.
TEST(RecordFileTest, ALineBeyondTheLongestARecordingHasIsAnErrorThatSaysSo) {
    const std::string path = TempPath("endless");
    {
        RecordFileWriter w;
        std::string error;
        ASSERT_TRUE(w.Open(path, error)) << error;
        ASSERT_TRUE(w.WriteLine(std::string(64 << 20, '{')));
    }
    RecordFileReader reader;
    std::string error, line;
    ASSERT_TRUE(reader.Open(path, error)) << error;
    EXPECT_EQ(RecordFileReader::kError, reader.NextLine(line));
    EXPECT_NE(std::string::npos, reader.Error().find("line 1 is longer than 4 MiB"))
        << reader.Error();
    MatchReport report;
    EXPECT_FALSE(ReportFromRecording(path, 1, report, error));
    EXPECT_NE(std::string::npos, error.find("longer than 4 MiB")) << error;
    std::remove(path.c_str());
}

// Beyond the memory a replay may hold, the later cycles are left out, and the page is told.
TEST(ReplayTest, ARecordingBeyondWhatAReplayHoldsIsCutShortAndSaysSo) {
    const std::string path = TempPath("long");
    RecordFileWriter w;
    WriteRecording(w, path, 1000);
    ASSERT_TRUE(w.EndFrame());
    const size_t line = Cycle(10).size() + sizeof(std::string);
    Replay replay(100 * line);
    std::string error;
    ASSERT_TRUE(replay.Open(path, error)) << error;
    EXPECT_LE(replay.Cycles(), 100u);
    EXPECT_GE(replay.Cycles(), 95u);
    EXPECT_TRUE(replay.Truncated());
    for (int n = 1000; n < 1100; ++n) w.WriteLine(Cycle(n));
    ASSERT_TRUE(w.Close());
    EXPECT_TRUE(replay.Follow());
    EXPECT_LE(replay.Cycles(), 100u);
    EXPECT_EQ(true, json::parse(replay.InfoJson())["truncated"]);
    std::remove(path.c_str());
}

TEST(ReplayTest, FollowsAGrowingRecordingAndServesItsCyclesByIndexWithTheirEvents) {
    const std::string path = TempPath("growing");
    RecordFileWriter w;
    WriteRecording(w, path, 3);
    ASSERT_TRUE(w.EndFrame());
    Replay replay;
    std::string error;
    ASSERT_TRUE(replay.Open(path, error)) << error;
    EXPECT_EQ(3u, replay.Cycles());
    // A frame still open is not readable yet; once ended, its cycles and events come in.
    for (int n = 3; n < 10; ++n) w.WriteLine(Cycle(n));
    EXPECT_TRUE(replay.Follow());
    EXPECT_EQ(3u, replay.Cycles());
    ASSERT_TRUE(w.Close());
    EXPECT_TRUE(replay.Follow());
    EXPECT_EQ(10u, replay.Cycles());

    json info = json::parse(replay.InfoJson());
    EXPECT_EQ(10, info["cycles"]);
    EXPECT_EQ("header", info["header"]["type"]);
    ASSERT_EQ(2u, info["events"].size());
    EXPECT_EQ(3, info["events"][0]["index"]);
    EXPECT_EQ("goal", info["events"][0]["event"]["type"]);
    EXPECT_EQ(5, info["events"][1]["index"]);
    EXPECT_EQ("fall", info["events"][1]["event"]["type"]);
    const struct {
        size_t from, count, expected;  // cycles returned; 0 = no answer
    } cases[] = {{0, 4, 4}, {8, 5, 2}, {10, 1, 0}};
    for (const auto& c : cases) {
        std::string text = replay.CyclesJson(c.from, c.count);
        if (c.expected == 0 && text.empty()) continue;
        json cycles = json::parse(text);
        ASSERT_EQ(c.expected, cycles.size()) << c.from;
        if (c.expected == 0) continue;
        EXPECT_NEAR(c.from * 0.02, cycles[0]["time"].get<double>(), 1e-9) << c.from;
    }
    std::remove(path.c_str());
}

}  // namespace
