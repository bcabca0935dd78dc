// tools/match with two teams of the agent; what a killed server leaves; the tools' failures.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "sim/record/record.h"
#include "sim/record/recordfile.h"
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

    // Kick-off once all four are in: numbers 1 (the keeper) and 9 (the kick-off taker) of each
    // team. The taker plays the ball before the referee's 15 s for a set play run out (with
    // no taker on the field, the kick-off turned into PlayOn only then, untouched).
    std::string state = stateWhen([](const std::string& s) {
        return PlayModeOf(s) == "PlayOn" && FindRobot(s, "Right", 9).found;
    });
    ASSERT_EQ("PlayOn", PlayModeOf(state)) << state;
    for (const char* team : {"Left", "Right"})
        for (int unum : {1, 9}) EXPECT_TRUE(FindRobot(state, team, unum).found) << state;
    EXPECT_NE(std::string::npos, state.find("(lastTouch (team Left) (unum 9))")) << state;
    const std::string kickOffLog = ReadFile(dir + "/sim.log");
    EXPECT_NE(std::string::npos, kickOffLog.find("play mode KickOff_Left at 0.00")) << kickOffLog;
    const size_t playOn = kickOffLog.find("play mode PlayOn at ");
    ASSERT_NE(std::string::npos, playOn) << kickOffLog;
    EXPECT_LT(std::atof(kickOffLog.c_str() + playOn + 20), 10.0) << kickOffLog;

    // The ball dropped onto the left keeper, then into the right goal. The keeper is first
    // put far from both goals and from the others: at many times real time, a ball dropped
    // onto it in its own goal mouth may bounce over its goal line between two polls.
    ASSERT_EQ("(ok)", trainer.Command("(agent (team Left) (unum 1) (pos 6 -5 0.4) (rot 0))"));
    state = stateWhen([](const std::string& s) {
        const RobotState keeper = FindRobot(s, "Left", 1);
        return keeper.found && std::hypot(keeper.x - 6, keeper.y + 5) < 0.5;
    });
    const RobotState scorer = FindRobot(state, "Left", 1);
    ASSERT_LT(std::hypot(scorer.x - 6, scorer.y + 5), 0.5) << state;
    ASSERT_EQ("(ok)", trainer.Command("(ball (pos " + std::to_string(scorer.x) + " " +
                                      std::to_string(scorer.y) + " 0.35))"));
    // The taker touched the ball at the kick-off: the drop makes the keeper the last to touch it.
    state = stateWhen([](const std::string& s) {
        return s.find("(lastTouch (team Left) (unum 1))") != std::string::npos;
    });
    ASSERT_NE(std::string::npos, state.find("(lastTouch (team Left) (unum 1))")) << state;
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
    EXPECT_EQ((json{{"team", "Left"}, {"unum", 1}}), report["goals"][0]["scorer"]);
    ASSERT_EQ(4u, report["robots"].size());
    EXPECT_GE(report["robots"][0]["touches"].get<int>(), 1);  // Left 1
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

// The log stays readable: trainers that only ask for the state (a tool polling) leave no
// lines; a side without a team is "(no team)" in the log, the final score and the report.
TEST(Output, PollingTrainersLeaveNoLinesAndAMissingTeamIsNamedOneWay) {
    const std::string dir = TempDir("output");
    ASSERT_EQ(0, std::system(("mkdir -p '" + dir + "'").c_str()));
    PitchSim sim;
    ASSERT_TRUE(sim.Start(
        {"--auto-kickoff=0", "--log=" + dir + "/sim.log", "--record=" + dir + "/match.rec.zst"}));
    WireClient alpha;
    ASSERT_NE("", JoinTeam(alpha, sim.AgentPort(), "Alpha", 2));
    for (int k = 0; k < 5; ++k) {
        TrainerClient poll;
        ASSERT_TRUE(poll.Connect(sim.TrainerPort()));
        ASSERT_NE("", poll.Command("(getState)"));
    }
    {
        TrainerClient actor;
        ASSERT_TRUE(actor.Connect(sim.TrainerPort()));
        ASSERT_EQ("(ok)", actor.Command("(kickOff Left)"));
        ASSERT_EQ("(ok)", actor.Command("(ball (pos 10.9 0 0.042) (vel 1 0 0))"));
        for (double end = WallSeconds() + 10;
             WallSeconds() < end &&
             actor.Command("(getState)").find("(score 1 0)") == std::string::npos;)
            Pause(0.05);
    }
    Pause(0.3);  // the server sees the trainer go
    ASSERT_TRUE(sim.Stop());
    const std::string log = ReadFile(dir + "/sim.log");
    EXPECT_EQ(1u, Count(log, "trainer connected")) << log;
    EXPECT_EQ(1u, Count(log, "trainer disconnected")) << log;
    EXPECT_NE(std::string::npos, log.find("goal for Alpha (left)")) << log;
    EXPECT_NE(std::string::npos, log.find("final score Alpha 1:0 (no team)")) << log;
    EXPECT_EQ(std::string::npos, log.find(" Right")) << log;

    ChildProcess report;
    ASSERT_TRUE(report.Start(std::string(BIN_DIR) + "/matchreport", {dir + "/match.rec.zst"}));
    ASSERT_TRUE(report.Wait(30));
    EXPECT_EQ(0u, report.Stdout().find("Alpha 1:0 (no team)")) << report.Stdout();
    std::system(("rm -rf '" + dir + "'").c_str());
}

// team/start.sh fields the kick-off taker (9) and the keeper (1) first, or the numbers asked
// for, and returns; team/kill.sh stops exactly those agents by the ids start.sh kept.
TEST(TeamScripts, StartFieldsTheNumbersAndKillStopsExactlyThoseAgents) {
    PitchSim sim;
    ASSERT_TRUE(sim.Start({"--sync", "--pace=1", "--auto-kickoff=0", "--quiet"}));
    TrainerClient trainer;
    ASSERT_TRUE(trainer.Connect(sim.TrainerPort()));
    // Another agent on the machine, not started by the script: it must survive kill.sh.
    ChildProcess bystander;
    ASSERT_TRUE(bystander.Start(
        std::string(BIN_DIR) + "/velorunner",
        {"--port=" + std::to_string(sim.AgentPort()), "--unum=11", "--team=Bystander"}));
    const std::string dir = TempDir("team");
    ASSERT_EQ(0, std::system(("mkdir -p '" + dir + "'").c_str()));
    const std::string pidFile = dir + "/agents.pids";
    setenv("PID_FILE", pidFile.c_str(), 1);
    setenv("LOG_DIR", dir.c_str(), 1);
    const struct {
        std::string count, unums;
        std::vector<int> fielded;
    } cases[] = {
        {"1", "", {9}},
        {"2", "", {1, 9}},
        {"4", "", {1, 6, 8, 9}},
        {"2", "4,7", {4, 7}},
    };
    const std::string scripts = std::string(SOURCE_DIR) + "/team/";
    for (const auto& c : cases) {
        setenv("UNUMS", c.unums.c_str(), 1);
        ChildProcess start;
        ASSERT_TRUE(start.Start(scripts + "start.sh",
                                {"127.0.0.1", std::to_string(sim.AgentPort()), c.count}));
        ASSERT_TRUE(start.Wait(30));
        ASSERT_TRUE(start.ExitedWith(0)) << start.Stderr();
        auto fielded = [&] {
            std::vector<int> unums;
            const std::string state = trainer.Command("(getState)");
            // Whichever side the team got; the bystander is number 11.
            for (int unum = 1; unum <= 10; ++unum)
                if (FindRobot(state, "Left", unum).found || FindRobot(state, "Right", unum).found)
                    unums.push_back(unum);
            return unums;
        };
        for (double end = WallSeconds() + 30; WallSeconds() < end && fielded() != c.fielded;)
            Pause(0.1);
        EXPECT_EQ(c.fielded, fielded()) << c.count << " " << c.unums;
        std::vector<int> pids;
        for (std::istringstream in(ReadFile(pidFile)); in;) {
            int pid = 0;
            if (in >> pid) pids.push_back(pid);
        }
        EXPECT_EQ(c.fielded.size(), pids.size());

        ChildProcess kill;
        ASSERT_TRUE(kill.Start(scripts + "kill.sh", {}));
        ASSERT_TRUE(kill.Wait(30));
        EXPECT_TRUE(kill.ExitedWith(0)) << kill.Stderr();
        for (int pid : pids) {
            for (double end = WallSeconds() + 5; WallSeconds() < end && ::kill(pid, 0) == 0;)
                Pause(0.05);
            EXPECT_NE(0, ::kill(pid, 0)) << "agent " << pid << " is still running";
        }
        EXPECT_NE(0, access(pidFile.c_str(), F_OK));
        EXPECT_TRUE(bystander.Running());
        for (double end = WallSeconds() + 10; WallSeconds() < end && !fielded().empty();)
            Pause(0.1);
    }
    for (const char* name : {"PID_FILE", "LOG_DIR", "UNUMS"}) unsetenv(name);
    bystander.Signal(SIGINT);
    EXPECT_TRUE(bystander.Wait(10));
    EXPECT_TRUE(sim.Stop());
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
    const std::string folder = TempDir("refused");  // must not be made
    const std::string start = std::string(SOURCE_DIR) + "/team/start.sh";
    const struct {
        std::string tool;
        std::vector<std::string> args;
        int status;
        std::string line, out = "";
        bool oneLine = false;  // the whole of standard error
    } cases[] = {
        {kMatchTool, {"--no-build", "--agents=12"}, 2, "match: --agents must be 1..11", "", true},
        {kMatchTool,
         {"--no-build", "--bogus", "--dir=" + folder},
         2,
         "match: unknown option or missing value: --bogus (tools/match --help",
         "",
         true},
        {kMatchTool,
         {"--no-build", "--noise=maybe", "--dir=" + folder},
         2,
         "match: bad value for --noise: 'maybe'",
         "",
         true},
        {kMatchTool,
         {"--no-build", "--unums=1,9,1", "--dir=" + folder},
         2,
         "match: uniform number 1 is named twice",
         "",
         true},
        // An opponent that is no command ends the match at once, with what it said.
        {kMatchTool,
         {"--no-build", "--quiet", "--sync", "--agents=1", "--opponent=nobody-such",
          "--dir=" + folder + "-opponent"},
         1,
         "match: the opponent's command ended with status 127 before its team joined: "
         "nobody-such\nmatch: its last lines (" +
             folder +
             "-opponent/opponent.log):\n    opponent: line 1: nobody-such: command not found"},
        {start, {"127.0.0.1", "3100", "12"}, 2, "start.sh: N must be 1..11, not '12'\n"},
        {start, {"127.0.0.1", "0"}, 2, "start.sh: PORT must be 1..65535, not '0'\n"},
        // The referee judges what the physics moves: the trainer cannot put the ball behind a goal.
        {kTrainerTool,
         {"(ball (pos 99 0 0))", "--port=" + std::to_string(sim.TrainerPort())},
         1,
         "tools/trainer: pitchsim refused (ball (pos 99 0 0))",
         "(error position off the grass (|x| at most 12, |y| at most 8.5) or z outside -1..50 "
         "m)\n"},
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
        if (c.oneLine) {
            EXPECT_EQ(1u, Count(tool.Stderr(), "\n")) << tool.Stderr();
        }
    }
    EXPECT_NE(0, access(folder.c_str(), F_OK)) << "a refused match left " << folder;
    std::system(("rm -rf '" + folder + "-opponent'").c_str());
    EXPECT_TRUE(sim.Stop());
    EXPECT_TRUE(full.Stop());
}

}  // namespace
