// tools/match with two teams of the agent; what a killed server leaves; the tools' failures.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "sim/server/record.h"
#include "sim/server/recordfile.h"
#include "support/simprocess.h"

namespace {

using nlohmann::json;

const std::string kMatchTool = std::string(SOURCE_DIR) + "/tools/match";
const std::string kTrainerTool = std::string(SOURCE_DIR) + "/tools/trainer";

// A fresh folder for one test's files.
std::string TempDir(const std::string& name) {
    std::string dir = "/tmp/match_test_" + std::to_string(getpid()) + "_" + name;
    std::system(("rm -rf '" + dir + "'").c_str());
    return dir;
}

void Pause(double seconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(static_cast<int>(seconds * 1000)));
}

// The tools use the binaries of this build.
void UseThisBuild() {
    std::string bin = BIN_DIR;
    setenv("BUILD_DIR", bin.substr(0, bin.rfind('/')).c_str(), 1);
}

// A recording's cycles up to its last complete frame; `error` stays "" when all could be read.
std::vector<RecordCycle> ReadRecording(const std::string& path, std::string& error, bool& cut) {
    RecordFileReader reader;
    RecordHeader header;
    std::vector<RecordCycle> cycles;
    std::string line;
    if (!reader.Open(path, error) || reader.NextLine(line) != RecordFileReader::kLine ||
        !ReadHeaderRecord(line, header, error))
        return error += " (no header)", cycles;
    for (RecordFileReader::Result got; (got = reader.NextLine(line)) != RecordFileReader::kEnd;) {
        cycles.emplace_back();
        if (got == RecordFileReader::kError) return error = reader.Error(), cycles;
        if (!ReadCycleRecord(line, cycles.back(), error)) return cycles;
    }
    cut = reader.InsideFrame();
    return cycles;
}

// tools/match, ended like Ctrl-C ends it if a test stops early (with its simulator and agents).
struct MatchRun {
    ChildProcess process;
    ~MatchRun() {
        if (process.Running()) {
            process.Signal(SIGTERM);
            process.Wait(60);
        }
    }
};

TEST(MatchTool, ASmallSelfMatchEndsByItselfWithItsReportAndRecording) {
    UseThisBuild();
    const std::string dir = TempDir("self");
    MatchRun run;
    ChildProcess& match = run.process;
    ASSERT_TRUE(
        match.Start(kMatchTool, {"--no-build", "--quiet", "--sync", "--minutes=0.6667",
                                 "--agents=2", "--opponent=self", "--noise=off", "--dir=" + dir}));
    int trainerPort = 0;
    for (double end = WallSeconds() + 30; WallSeconds() < end && !trainerPort; Pause(0.05)) {
        const std::string out = ReadFile(dir + "/sim.out");
        if (out.find("trainer port ") != out.npos)
            trainerPort = std::atoi(&out[out.find("trainer port ") + 13]);
    }
    ASSERT_GT(trainerPort, 0) << match.Stderr();
    TrainerClient trainer;
    ASSERT_TRUE(trainer.Connect(trainerPort));
    auto stateWhen = [&](auto done) {  // the state once `done` accepts it (at most 20 s)
        std::string s;
        const double end = WallSeconds() + 20;
        while (!done(s = trainer.Command("(getState)")) && WallSeconds() < end) Pause(0.02);
        return s;
    };

    // Kick-off once all four are in; the ball dropped onto Left 2, then into the right goal.
    std::string state = stateWhen([](const std::string& s) {
        return PlayModeOf(s) == "KickOff_Left" && FindRobot(s, "Right", 2).found;
    });
    ASSERT_EQ("KickOff_Left", PlayModeOf(state)) << state;
    const RobotState scorer = FindRobot(state, "Left", 2);
    ASSERT_EQ("(ok)", trainer.Command("(ball (pos " + std::to_string(scorer.x) + " " +
                                      std::to_string(scorer.y) + " 0.35))"));
    state =
        stateWhen([](const std::string& s) { return s.find("(lastTouch") != std::string::npos; });
    ASSERT_NE(std::string::npos, state.find("(lastTouch (team Left) (unum 2))")) << state;
    ASSERT_EQ("(ok)", trainer.Command("(ball (pos 10.8 0 0.042))"));
    trainer.Close();

    ASSERT_TRUE(match.Wait(180)) << "the match did not end by itself";
    ASSERT_TRUE(match.ExitedWith(0)) << match.Stdout() << match.Stderr();
    EXPECT_NE(std::string::npos, match.Stdout().find("Marrowfinch 1:0 Marrowfinch-B"))
        << match.Stdout();
    // The second half kicked off by itself.
    const std::string log = ReadFile(dir + "/sim.log");
    EXPECT_NE(std::string::npos, log.find("play mode KickOff_Right at 20.0")) << log;

    const json report = json::parse(ReadFile(dir + "/report.json"));
    EXPECT_EQ((json{1, 0}), report["score"]);
    ASSERT_EQ(1u, report["goals"].size());
    EXPECT_EQ((json{{"team", "Left"}, {"unum", 2}}), report["goals"][0]["scorer"]);
    ASSERT_EQ(4u, report["robots"].size());
    EXPECT_GE(report["robots"][1]["touches"].get<int>(), 1);  // Left 2
    EXPECT_NEAR(40.0, report["gameSeconds"].get<double>(), 0.01);

    // The report is made from the recording: it must be whole, and end with the match.
    std::string error;
    bool cut = true;
    const std::vector<RecordCycle> cycles = ReadRecording(dir + "/match.rec.zst", error, cut);
    ASSERT_EQ("", error);
    EXPECT_FALSE(cut);
    ASSERT_FALSE(cycles.empty());
    EXPECT_EQ("GameOver", cycles.back().playMode);
    // Consecutive cycles, 20 ms apart, with no gap in the clock.
    for (size_t k = 1; k < cycles.size(); ++k)
        ASSERT_NEAR(0.02, cycles[k].time - cycles[k - 1].time, 1e-6) << k;
    std::system(("rm -rf '" + dir + "'").c_str());
}

// An opponent's script that floods its log, ignores SIGTERM and leaves a process behind: the
// match ends all the same, its whole process group is ended, and the report says so.
TEST(MatchTool, AnOpponentThatWillNotEndIsEndedWithItsProcessesAndItsLogIsCapped) {
    UseThisBuild();
    const std::string dir = TempDir("stubborn");
    ASSERT_EQ(0, std::system(("mkdir -p '" + dir + "'").c_str()));
    const std::string script = dir + "/start.sh", leftover = dir + "/leftover.pid";
    std::ofstream(script) << "#!/bin/bash\n"
                          << "'" << BIN_DIR << "/velorunner' --host=$1 --port=$2 --unum=1 "
                          << "--team=Stubborn --key=stb &\n"
                          << "sleep 600 & echo $! > '" << leftover << "'\n"
                          << "trap '' TERM INT\n"
                          << "head -c 70000000 /dev/zero | tr '\\0' x\n"
                          << "while :; do sleep 1; done\n";
    ASSERT_EQ(0, chmod(script.c_str(), 0755));
    MatchRun run;
    ChildProcess& match = run.process;
    ASSERT_TRUE(match.Start(kMatchTool,
                            {"--no-build", "--quiet", "--sync", "--minutes=0.1", "--agents=1",
                             "--noise=off", "--opponent=" + script, "--dir=" + dir + "/match"}));
    ASSERT_TRUE(match.Wait(120)) << "tools/match waited for the opponent";
    EXPECT_TRUE(match.ExitedWith(0)) << match.Stdout() << match.Stderr();
    const std::string out = match.Stdout();
    EXPECT_NE(std::string::npos, out.find("were ended with SIGTERM, then SIGKILL")) << out;
    EXPECT_NE(std::string::npos, out.find("the opponent's log reached 64 MiB")) << out;
    const std::string pid = ReadFile(leftover);
    ASSERT_FALSE(pid.empty());
    Pause(0.5);
    EXPECT_NE(0, access(("/proc/" + std::to_string(std::atoi(pid.c_str()))).c_str(), F_OK))
        << "the opponent's background process outlived the match";
    struct stat st;
    ASSERT_EQ(0, stat((dir + "/match/opponent.log").c_str(), &st));
    EXPECT_EQ(64 << 20, st.st_size);
    std::system(("rm -rf '" + dir + "'").c_str());
}

TEST(MatchEvents, AKilledServerLeavesEveryEventInItsLogAndItsCompleteFramesRecorded) {
    const std::string dir = TempDir("killed");
    ASSERT_EQ(0, std::system(("mkdir -p '" + dir + "'").c_str()));
    PitchSim sim;
    ASSERT_TRUE(sim.Start({"--quiet", "--auto-kickoff=0", "--noise=off",
                           "--log=" + dir + "/sim.log", "--record=" + dir + "/match.rec.zst"}));
    WireClient alpha, beta;
    ASSERT_NE("", JoinTeam(alpha, sim.AgentPort(), "Alpha", 1));
    ASSERT_NE("", JoinTeam(beta, sim.AgentPort(), "Beta", 4));
    TrainerClient trainer;
    ASSERT_TRUE(trainer.Connect(sim.TrainerPort()));
    for (const char* command :
         {"(kickOff Left)", "(agent (team Left) (unum 1) (pos -2 0 0.12) (rot 0) (tilt 90))",
          "(ball (pos -10.8 0.5 0.042))"})
        ASSERT_EQ("(ok)", trainer.Command(command)) << command;
    Pause(1.5);  // past the recording's first frame (50 cycles), then killed without a warning
    sim.process.Signal(SIGKILL);
    ASSERT_TRUE(sim.process.Wait(5));

    const std::string log = ReadFile(dir + "/sim.log");
    for (const char* line :
         {"(Alpha 1) is Alpha 1 (left)", "(Beta 4) is Beta 4 (right)",
          "play mode KickOff_Left at 0.00", "Alpha 1 fell at ",
          "goal for Beta (right) by nobody, score 0:1 at ", "play mode Goal_Right at "})
        EXPECT_NE(std::string::npos, log.find(line)) << line << "\n" << log;
    EXPECT_EQ(std::string::npos, log.find("final score"));  // it was killed
    std::string error;
    bool cut = false;
    const std::vector<RecordCycle> cycles = ReadRecording(dir + "/match.rec.zst", error, cut);
    ASSERT_EQ("", error);
    ASSERT_FALSE(cycles.empty());
    std::map<int, int> events;  // by kind
    for (const RecordCycle& c : cycles)
        for (const MatchEvent& e : c.events) ++events[e.kind];
    EXPECT_EQ(1, events[MatchEvent::kGoal]);
    EXPECT_EQ(1, events[MatchEvent::kFall]);
    EXPECT_EQ(2, events[MatchEvent::kJoin]);
    EXPECT_EQ("Alpha", cycles.back().teamLeft);
    EXPECT_EQ(1, cycles.back().scoreRight);
    std::system(("rm -rf '" + dir + "'").c_str());
}

// The first line on standard error names the problem; standard output has only replies.
TEST(Tools, FailuresEndWithAClearLineAndTheirStatus) {
    UseThisBuild();
    PitchSim sim, full;
    ASSERT_TRUE(sim.Start({"--quiet"}));
    ASSERT_TRUE(full.Start({"--quiet", "--max-connections=1"}));
    TrainerClient holder;  // the one trainer connection `full` takes
    ASSERT_TRUE(holder.Connect(full.TrainerPort()));
    ASSERT_EQ(0u, holder.Command("(getState)").find("(state"));
    const std::string bin = std::string(BIN_DIR) + "/";
    const struct {
        std::string tool;
        std::vector<std::string> args;
        int status;
        std::string line, out = "";
    } cases[] = {
        {kMatchTool, {"--no-build", "--agents=12"}, 2, "match: --agents must be 1..11"},
        {kTrainerTool,
         {"(playMode Recess)", "--port=" + std::to_string(sim.TrainerPort())},
         1,
         "tools/trainer: pitchsim refused (playMode Recess)",
         "(error unknown play mode)\n"},
        {kTrainerTool, {"(getState)", "--port=1"}, 1, "tools/trainer: cannot connect to pitchsim"},
        {kTrainerTool,
         {"(getState)", "--port=" + std::to_string(full.TrainerPort())},
         1,
         "tools/trainer: pitchsim closed the connection without a reply"},
        {bin + "pitchsim", {"--agent-port=70000"}, 2, "pitchsim: bad value for --agent-port"},
        {bin + "skillprobe",
         {"--skill=fly"},
         2,
         "skillprobe: unknown skill fly (--help lists them)\n"},
        {bin + "playprobe", {"--port=1"}, 2, "playprobe: --port and --trainer-port are needed\n"},
    };
    for (const auto& c : cases) {
        ChildProcess tool;
        ASSERT_TRUE(tool.Start(c.tool, c.args));
        ASSERT_TRUE(tool.Wait(60));
        EXPECT_TRUE(tool.ExitedWith(c.status)) << c.line << ": " << tool.ExitStatus();
        EXPECT_EQ(0u, tool.Stderr().find(c.line)) << tool.Stderr();
        EXPECT_EQ(c.out, tool.Stdout()) << c.line;
    }
    EXPECT_TRUE(sim.Stop());
    EXPECT_TRUE(full.Stop());
}

}  // namespace
