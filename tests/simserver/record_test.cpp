// The match records: header and cycle lines read back as written, faulty lines refused, and
// the compressed recording file written in frames, followed while written, cut by a kill.
#include "sim/server/record.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

#include "sim/server/recordfile.h"

namespace {

RecordCycle SampleCycle() {
    RecordCycle c;
    c.time = 61.24;
    c.gameTime = 31.2;
    c.playMode = "KickIn_Right";
    c.scoreLeft = 2;
    c.scoreRight = 1;
    c.teamLeft = "Marrowfinch";
    c.teamRight = "Other";
    double ball[3] = {-3.25, 7.042, 0.042}, vel[3] = {0.5, -0.25, 0};
    std::copy(ball, ball + 3, c.ballPos);
    std::copy(vel, vel + 3, c.ballVel);
    c.lastTouch = {false, 4};
    c.touches = {{false, 4}, {true, 11}};
    for (int k = 0; k < 2; ++k) {
        RecordRobot r;
        r.id = {k == 0, 3 + k};
        double pos[3] = {1.5 - k, -2.25, 0.385}, quat[4] = {0.7071, 0, 0, 0.7071};
        std::copy(pos, pos + 3, r.pos);
        std::copy(quat, quat + 4, r.quat);
        for (int j = 0; j < kWireJointCount; ++j) r.joints[j] = -90.5 + 8.5 * j + k;
        r.fallen = k == 1;
        c.robots.push_back(r);
    }
    MatchEvent goal;
    goal.kind = MatchEvent::kGoal;
    goal.time = 60.5;
    goal.gameTime = 30.48;
    goal.left = true;
    goal.robot = {false, 2};  // an own goal: the scorer plays for the other side
    goal.scoreLeft = 2;
    goal.scoreRight = 1;
    MatchEvent out;
    out.kind = MatchEvent::kOut;
    out.mode = "KickIn_Right";
    out.pos[0] = -3.25;
    out.pos[1] = 7.0;
    MatchEvent up;
    up.kind = MatchEvent::kGetUp;
    up.robot = {true, 7};
    up.seconds = 4.26;
    MatchEvent refusal;
    refusal.kind = MatchEvent::kRefusal;
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
    EXPECT_DOUBLE_EQ(in.time, out.time);
    EXPECT_DOUBLE_EQ(in.gameTime, out.gameTime);
    EXPECT_EQ(in.playMode, out.playMode);
    EXPECT_EQ(2, out.scoreLeft);
    EXPECT_EQ(1, out.scoreRight);
    EXPECT_EQ("Other", out.teamRight);
    for (int i = 0; i < 3; ++i) EXPECT_DOUBLE_EQ(in.ballPos[i], out.ballPos[i]);
    EXPECT_TRUE(out.lastTouch == (RobotId{false, 4}));
    ASSERT_EQ(2u, out.touches.size());
    EXPECT_TRUE(out.touches[1] == (RobotId{true, 11}));
    ASSERT_EQ(2u, out.robots.size());
    for (size_t k = 0; k < 2; ++k) {
        EXPECT_TRUE(out.robots[k].id == in.robots[k].id);
        EXPECT_EQ(in.robots[k].fallen, out.robots[k].fallen);
        for (int i = 0; i < 3; ++i) EXPECT_DOUBLE_EQ(in.robots[k].pos[i], out.robots[k].pos[i]);
        for (int i = 0; i < 4; ++i) EXPECT_DOUBLE_EQ(in.robots[k].quat[i], out.robots[k].quat[i]);
        for (int j = 0; j < kWireJointCount; ++j)
            EXPECT_DOUBLE_EQ(in.robots[k].joints[j], out.robots[k].joints[j]) << j;
    }
    ASSERT_EQ(4u, out.events.size());
    EXPECT_EQ(MatchEvent::kGoal, out.events[0].kind);
    EXPECT_TRUE(out.events[0].left);
    EXPECT_TRUE(out.events[0].robot == (RobotId{false, 2}));
    EXPECT_EQ(2, out.events[0].scoreLeft);
    EXPECT_DOUBLE_EQ(30.48, out.events[0].gameTime);
    EXPECT_EQ("KickIn_Right", out.events[1].mode);
    EXPECT_DOUBLE_EQ(7.0, out.events[1].pos[1]);
    EXPECT_DOUBLE_EQ(4.26, out.events[2].seconds);
    EXPECT_TRUE(out.events[2].robot == (RobotId{true, 7}));
    EXPECT_EQ("a third team 'X'", out.events[3].text);
    EXPECT_EQ(0, out.events[3].robot.unum);
}

TEST(RecordTest, ValuesAreRoundedAndNonFiniteOnesWrittenAsZero) {
    RecordCycle c;
    c.ballPos[0] = 1.23456;
    c.ballPos[1] = std::nan("");
    c.ballVel[2] = -HUGE_VAL;
    RecordRobot r;
    r.joints[0] = 12.3456;
    r.joints[1] = -0.04;  // rounds to zero, written without its sign
    r.pos[2] = 0.38449;
    r.quat[3] = 0.123456;
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

TEST(RecordTest, HeaderReadsBackAndOtherVersionsAreRefused) {
    RecordHeader h;
    h.halfTime = 20;
    h.joints = {"hj1", "hj2"};
    RecordBody torso, head;
    torso.name = "torso";
    torso.geoms.push_back({"torso", "box", {0.05, 0.05, 0.09}, {0, 0, 0}, {1, 0, 0, 0}});
    head.name = "head";
    head.parent = 0;
    head.pos[2] = 0.15;
    head.joint = 1;
    head.axis[0] = 1;
    head.range[0] = -45;
    head.range[1] = 45;
    head.geoms.push_back({"head", "sphere", {0.065, 0, 0}, {0, 0, 0}, {1, 0, 0, 0}});
    h.bodies = {torso, head};
    const std::string line = WriteHeaderRecord(h);
    EXPECT_EQ("header", RecordType(line));
    RecordHeader out;
    std::string error;
    ASSERT_TRUE(ReadHeaderRecord(line, out, error)) << error;
    EXPECT_DOUBLE_EQ(20, out.halfTime);
    EXPECT_DOUBLE_EQ(21, out.field.length);
    EXPECT_EQ(h.joints, out.joints);
    ASSERT_EQ(2u, out.bodies.size());
    EXPECT_EQ(-1, out.bodies[0].joint);
    EXPECT_EQ(0, out.bodies[1].parent);
    EXPECT_EQ(1, out.bodies[1].joint);
    EXPECT_DOUBLE_EQ(0.15, out.bodies[1].pos[2]);
    EXPECT_DOUBLE_EQ(-45, out.bodies[1].range[0]);
    EXPECT_EQ("sphere", out.bodies[1].geoms[0].type);
    EXPECT_DOUBLE_EQ(0.065, out.bodies[1].geoms[0].size[0]);

    h.version = kRecordFormatVersion + 1;
    EXPECT_FALSE(ReadHeaderRecord(WriteHeaderRecord(h), out, error));
    EXPECT_NE(std::string::npos, error.find("version")) << error;
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
        "",
        "not json",
        "[1,2]",
        WriteHeaderRecord(RecordHeader()),                             // a header is not a cycle
        good.substr(0, good.size() / 2),                               // cut off
        replaced("\"playMode\"", "\"mode\""),                          // a field missing
        replaced("\"team\":\"Left\"", "\"team\":\"Middle\""),          // no such side
        replaced("\"type\":\"getUp\"", "\"type\":\"dance\""),          // no such event
        replaced("\"pos\":[1.5,", "\"pos\":[\"x\","),                  // a number of the wrong type
        replaced("\"pos\":[1.5,-2.25,0.385]", "\"pos\":[1.5,-2.25]"),  // too short
    };
    for (const std::string& line : cases) {
        RecordCycle out;
        std::string error;
        EXPECT_FALSE(ReadCycleRecord(line, out, error)) << line;
        EXPECT_FALSE(error.empty()) << line;
    }
    EXPECT_EQ("", RecordType("not json"));
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
        if (i % 50 == 49) {
            ASSERT_TRUE(writer.EndFrame());
        }
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
    while ((r = bad.NextLine(line)) == RecordFileReader::kLine) {
    }
    EXPECT_EQ(RecordFileReader::kError, r);
    EXPECT_NE(std::string::npos, bad.Error().find("corrupt")) << bad.Error();
    std::remove(path.c_str());

    RecordFileWriter nowhere;
    EXPECT_FALSE(nowhere.Open("/nonexistent-dir/x.zst", error));
    EXPECT_NE(std::string::npos, error.find("/nonexistent-dir/x.zst")) << error;
}

}  // namespace
