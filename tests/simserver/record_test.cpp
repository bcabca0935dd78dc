// The match records' lines, and the compressed recording file: followed while written, cut by a
// kill.
#include "sim/server/record.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

#include "sim/server/recordfile.h"

namespace {

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
        for (int j = 0; j < kWireJointCount; ++j) r.joints[j] = -90.5 + 8.5 * j + k;
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
    EXPECT_EQ(in.robots[1].joints[kWireJointCount - 1], out.robots[1].joints[kWireJointCount - 1]);
    EXPECT_TRUE(out.events[0].left && out.events[0].robot == (RobotId{false, 2}));
    EXPECT_TRUE(out.events[2].seconds == 4.26 && out.events[3].text == "a third team 'X'");
}

TEST(RecordTest, ValuesAreRoundedAndNonFiniteOnesWrittenAsZero) {
    RecordCycle c;
    c.ballPos[0] = 1.23456, c.ballPos[1] = std::nan(""), c.ballVel[2] = -HUGE_VAL;
    RecordRobot r;
    r.joints[0] = 12.3456, r.joints[1] = -0.04;  // rounds to zero, written without its sign
    r.pos[2] = 0.38449, r.quat[3] = 0.123456;
    c.robots.push_back(r);
    RecordCycle out;
    std::string error;
    const std::string line = WriteCycleRecord(c);
    EXPECT_EQ(std::string::npos, line.find("-0.0,")) << line;
    ASSERT_TRUE(ReadCycleRecord(line, out, error)) << error;
    EXPECT_DOUBLE_EQ(1.235, out.ballPos[0]);  // mm
    EXPECT_DOUBLE_EQ(0, out.ballPos[1]);
    EXPECT_DOUBLE_EQ(0, out.ballVel[2]);
    EXPECT_DOUBLE_EQ(12.3, out.robots[0].joints[0]);  // 0.1 deg
    EXPECT_DOUBLE_EQ(0.384, out.robots[0].pos[2]);
    EXPECT_DOUBLE_EQ(0.1235, out.robots[0].quat[3]);
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

TEST(RecordFileTest, LinesComeBackInOrderAcrossFramesAndAreFollowedWhileWritten) {
    const std::string path = TempPath("follow.zst");
    RecordFileWriter writer;
    std::string error;
    ASSERT_TRUE(writer.Open(path, error)) << error;
    RecordFileReader reader;
    ASSERT_TRUE(reader.Open(path, error)) << error;
    // Long lines (beyond zstd's block and output buffer sizes) and an empty one.
    const std::string longLine(300000, 'x');
    std::vector<std::string> written;
    for (int i = 0; i < 120; ++i) {
        written.push_back(i == 7   ? longLine
                          : i == 8 ? ""
                                   : WriteCycleRecord(SampleCycle()) + std::to_string(i));
        ASSERT_TRUE(writer.WriteLine(written.back()));
        ASSERT_TRUE(i % 50 != 49 || writer.EndFrame());
    }
    // Two frames are complete; the third is still open in the writer.
    std::vector<std::string> got = ReadAll(reader);
    ASSERT_EQ(100u, got.size());
    EXPECT_EQ(longLine, got[7]);
    EXPECT_EQ("", got[8]);
    ASSERT_TRUE(writer.Close());
    std::vector<std::string> rest = ReadAll(reader);
    got.insert(got.end(), rest.begin(), rest.end());
    EXPECT_EQ(written, got);
    EXPECT_FALSE(reader.InsideFrame());
    std::remove(path.c_str());
}

TEST(RecordFileTest, AKilledWriterLeavesItsCompleteFramesAndCorruptDataIsAnError) {
    const std::string path = TempPath("killed.zst");
    {
        RecordFileWriter writer;
        std::string error;
        ASSERT_TRUE(writer.Open(path, error));
        for (int i = 0; i < 30; ++i) {
            writer.WriteLine("line " + std::to_string(i));
            if (i == 19) writer.EndFrame();
        }
        writer.EndFrame();
    }
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The file cut inside its second frame, as a killed writer leaves it.
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes.substr(0, bytes.size() - 10);
    RecordFileReader cut;
    std::string error;
    ASSERT_TRUE(cut.Open(path, error));
    std::vector<std::string> lines = ReadAll(cut);
    ASSERT_EQ(20u, lines.size());
    EXPECT_EQ("line 19", lines.back());
    EXPECT_TRUE(cut.InsideFrame());

    std::string corrupt = bytes;
    for (size_t i = 20; i < corrupt.size() - 20; ++i)
        corrupt[i] = static_cast<char>(corrupt[i] ^ 0x5a);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << corrupt;
    RecordFileReader bad;
    ASSERT_TRUE(bad.Open(path, error));
    std::string line;
    RecordFileReader::Result r;
    while ((r = bad.NextLine(line)) == RecordFileReader::kLine) continue;
    EXPECT_EQ(RecordFileReader::kError, r);
    EXPECT_NE(std::string::npos, bad.Error().find("corrupt")) << bad.Error();
    std::remove(path.c_str());
}

}  // namespace
