// A recording as the web monitor's replay serves it, also while it grows.
#include "sim/server/replay.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "sim/server/record.h"
#include "sim/server/recordfile.h"

namespace {

using nlohmann::json;

std::string TempPath(const std::string& name) {
    return "/tmp/replaytest." + std::to_string(getpid()) + "." + name;
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
