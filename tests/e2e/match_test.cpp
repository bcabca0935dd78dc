// A match as a user runs it: tools/match with two teams of the agent, its folder, recording and
// report; what a killed server leaves; the tools' exit statuses.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
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

struct Recording {
    bool ok = false;
    std::string error;
    RecordHeader header;
    std::vector<RecordCycle> cycles;
    bool cutInsideFrame = false;
};

Recording ReadRecording(const std::string& path) {
    Recording r;
    RecordFileReader reader;
    if (!reader.Open(path, r.error)) return r;
    std::string line;
    bool header = false;
    for (RecordFileReader::Result got; (got = reader.NextLine(line)) != RecordFileReader::kEnd;) {
        RecordCycle c;
        if (got == RecordFileReader::kError) {
            r.error = reader.Error();
            return r;
        }
        if (header ? !ReadCycleRecord(line, c, r.error)
                   : !ReadHeaderRecord(line, r.header, r.error))
            return r;
        if (header) r.cycles.push_back(c);
        header = true;
    }
    r.ok = header;
    r.cutInsideFrame = reader.InsideFrame();
    return r;
}

std::vector<MatchEvent> EventsOf(const Recording& r, MatchEvent::Kind kind) {
    std::vector<MatchEvent> found;
    for (const RecordCycle& c : r.cycles)
        for (const MatchEvent& e : c.events)
            if (e.kind == kind) found.push_back(e);
    return found;
}

// The number after "<name> port " in a text, 0 if absent.
int PortIn(const std::string& text, const std::string& name) {
    size_t at = text.find(name + " port ");
    return at == std::string::npos ? 0 : std::atoi(text.c_str() + at + name.size() + 6);
}

// tools/match, ended like Ctrl-C ends it if a test stops early: its simulator and agents end
// with it instead of playing on.
struct MatchRun {
    ChildProcess process;
    ~MatchRun() {
        if (process.Running()) {
            process.Signal(SIGTERM);
            process.Wait(60);
        }
    }
};

// A trainer command until `done` accepts the state (at most `seconds`); the last state.
template <typename Done>
std::string StateWhen(TrainerClient& trainer, Done done, double seconds = 20) {
    std::string state;
    for (double end = WallSeconds() + seconds; WallSeconds() < end; Pause(0.02)) {
        state = trainer.Command("(getState)");
        if (done(state)) break;
    }
    return state;
}

TEST(MatchTool, ASmallSelfMatchEndsByItselfWithAReportThatAgreesWithItsRecording) {
    UseThisBuild();
    const std::string dir = TempDir("self");
    MatchRun run;
    ChildProcess& match = run.process;
    ASSERT_TRUE(
        match.Start(kMatchTool, {"--no-build", "--quiet", "--sync", "--minutes=0.6667",
                                 "--agents=2", "--opponent=self", "--noise=off", "--dir=" + dir}));
    int trainerPort = 0;
    for (double end = WallSeconds() + 30; WallSeconds() < end && !trainerPort; Pause(0.05))
        trainerPort = PortIn(ReadFile(dir + "/sim.out"), "trainer");
    ASSERT_GT(trainerPort, 0) << match.Stderr();
    TrainerClient trainer;
    ASSERT_TRUE(trainer.Connect(trainerPort));

    // tools/match kicks off once all four are in; then the test drops the ball onto Left 2 and
    // puts it into the right team's goal.
    std::string state = StateWhen(trainer, [](const std::string& s) {
        return PlayModeOf(s) == "KickOff_Left" && FindRobot(s, "Right", 2).found;
    });
    ASSERT_EQ("KickOff_Left", PlayModeOf(state)) << state;
    const RobotState scorer = FindRobot(state, "Left", 2);
    ASSERT_EQ("(ok)", trainer.Command("(ball (pos " + std::to_string(scorer.x) + " " +
                                      std::to_string(scorer.y) + " 0.35))"));
    state = StateWhen(
        trainer, [](const std::string& s) { return s.find("(lastTouch") != std::string::npos; });
    ASSERT_NE(std::string::npos, state.find("(lastTouch (team Left) (unum 2))")) << state;
    ASSERT_EQ("(ok)", trainer.Command("(ball (pos 10.8 0 0.042))"));
    trainer.Close();

    ASSERT_TRUE(match.Wait(180)) << "the match did not end by itself";
    ASSERT_TRUE(match.ExitedWith(0)) << match.Stdout() << match.Stderr();
    EXPECT_NE(std::string::npos, match.Stdout().find("Marrowfinch 1:0 Marrowfinch-B"))
        << match.Stdout();
    // Two halves, the second kicked off by itself, and the simulator ends with the final score.
    const std::string log = ReadFile(dir + "/sim.log");
    for (const char* line : {"play mode KickOff_Right at 20.0", "play mode GameOver at 40.0"})
        EXPECT_NE(std::string::npos, log.find(line)) << line << "\n" << log;

    const json report = json::parse(ReadFile(dir + "/report.json"));
    EXPECT_EQ((json{1, 0}), report["score"]);
    ASSERT_EQ(1u, report["goals"].size());
    EXPECT_EQ((json{{"team", "Left"}, {"unum", 2}}), report["goals"][0]["scorer"]);
    ASSERT_EQ(4u, report["robots"].size());
    EXPECT_GE(report["robots"][1]["touches"].get<int>(), 1);  // Left 2
    EXPECT_NEAR(40.0, report["gameSeconds"].get<double>(), 0.01);

    const Recording rec = ReadRecording(dir + "/match.rec.zst");
    ASSERT_TRUE(rec.ok) << rec.error;
    EXPECT_FALSE(rec.cutInsideFrame);
    EXPECT_EQ(23u, rec.header.bodies.size());
    ASSERT_FALSE(rec.cycles.empty());
    EXPECT_EQ(report["cycles"].get<long>(), static_cast<long>(rec.cycles.size()));
    const RecordCycle& last = rec.cycles.back();
    EXPECT_EQ(report["score"][0].get<int>(), last.scoreLeft);
    EXPECT_EQ(report["score"][1].get<int>(), last.scoreRight);
    EXPECT_EQ("GameOver", last.playMode);
    const std::vector<MatchEvent> goals = EventsOf(rec, MatchEvent::kGoal);
    ASSERT_EQ(1u, goals.size());
    EXPECT_TRUE(goals[0].robot == (RobotId{true, 2}));
    // Consecutive cycles, 20 ms apart, with no gap in the clock.
    for (size_t k = 1; k < rec.cycles.size(); ++k)
        ASSERT_NEAR(0.02, rec.cycles[k].time - rec.cycles[k - 1].time, 1e-6) << k;
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
    // Past the end of the recording's frame (50 cycles), then killed without a chance to close.
    Pause(1.5);
    sim.process.Signal(SIGKILL);
    ASSERT_TRUE(sim.process.Wait(5));

    const std::string log = ReadFile(dir + "/sim.log");
    for (const char* line :
         {"(Alpha 1) is Alpha 1 (left)", "(Beta 4) is Beta 4 (right)",
          "play mode KickOff_Left at 0.00", "Alpha 1 fell at ",
          "goal for Beta (right) by nobody, score 0:1 at ", "play mode Goal_Right at "})
        EXPECT_NE(std::string::npos, log.find(line)) << line << "\n" << log;
    EXPECT_EQ(std::string::npos, log.find("final score"));  // it was killed

    const Recording rec = ReadRecording(dir + "/match.rec.zst");
    ASSERT_TRUE(rec.ok) << rec.error;
    ASSERT_FALSE(rec.cycles.empty());
    EXPECT_EQ(1u, EventsOf(rec, MatchEvent::kGoal).size());
    EXPECT_EQ(1u, EventsOf(rec, MatchEvent::kFall).size());
    EXPECT_EQ(2u, EventsOf(rec, MatchEvent::kJoin).size());
    EXPECT_EQ("Alpha", rec.cycles.back().teamLeft);
    EXPECT_EQ(1, rec.cycles.back().scoreRight);
    std::system(("rm -rf '" + dir + "'").c_str());
}

TEST(MatchTool, FailuresAndUsageErrorsEndWithAClearLineAndTheirStatus) {
    UseThisBuild();
    BusyPort busy;
    ASSERT_GT(busy.port, 0);
    const std::string dir = TempDir("busy");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string line;
    } cases[] = {
        {{"--no-build", "--sync", "--minutes=1", "--agent-port=" + std::to_string(busy.port),
          "--dir=" + dir},
         1,
         "match: pitchsim did not start: pitchsim: cannot listen on agent port"},
        {{"--no-build", "--agents=12"}, 2, "--agents must be 1..11"},
    };
    for (const Case& c : cases) {
        ChildProcess match;
        ASSERT_TRUE(match.Start(kMatchTool, c.args));
        ASSERT_TRUE(match.Wait(60));
        EXPECT_TRUE(match.ExitedWith(c.status)) << c.args.back() << ": " << match.ExitStatus();
        EXPECT_NE(std::string::npos, match.Stderr().find(c.line)) << match.Stderr();
    }
    std::system(("rm -rf '" + dir + "'").c_str());
}

TEST(TrainerTool, ErrorRepliesAndUnreachableSimulatorsExitNonZero) {
    PitchSim sim;
    ASSERT_TRUE(sim.Start({"--quiet"}));
    const std::string port = "--port=" + std::to_string(sim.TrainerPort());
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string out, err;
    } cases[] = {
        {{port, "(playMode PlayOn)"}, 0, "(ok)", ""},
        {{"(playMode Recess)", port}, 1, "(error ", "pitchsim refused (playMode Recess)"},
        {{"(getState)", "--port=1"}, 1, "", "cannot connect to pitchsim's trainer port"},
    };
    for (const Case& c : cases) {
        ChildProcess tool;
        ASSERT_TRUE(tool.Start(kTrainerTool, c.args));
        ASSERT_TRUE(tool.Wait(20));
        const std::string what = c.args[0];
        EXPECT_TRUE(tool.ExitedWith(c.status)) << what << ": " << tool.ExitStatus();
        EXPECT_NE(std::string::npos, tool.Stdout().find(c.out)) << what << ": " << tool.Stdout();
        EXPECT_NE(std::string::npos, tool.Stderr().find(c.err)) << what << ": " << tool.Stderr();
    }
    EXPECT_TRUE(sim.Stop());
}

}  // namespace
