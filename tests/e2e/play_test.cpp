// Our agents playing the ball in pitchsim: a striker alone scores, a team takes its formation
// round a ball in its own half, and a robot finds a ball behind it. Real processes, a synced
// simulator without noise; the trainer's truth judges.
//
// A fallen robot cannot be put back on its feet by the trainer for the agent: the agent knows
// its orientation only by integrating its gyro. A scenario that goes on after a fall restarts
// that agent (a fresh, upright orientation) and places the robot where it fell, facing +x.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "behavior/strategy.h"
#include "support/simprocess.h"
#include "world/data.h"

namespace {

struct Point {
    double x = 0, y = 0;
};

double Distance(Point a, Point b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

Point BallOf(const std::string& state) {
    Point p;
    size_t at = state.find("(ball (pos ");
    if (at == std::string::npos) return {NAN, NAN};
    char* end = nullptr;
    p.x = std::strtod(state.c_str() + at + 11, &end);
    p.y = std::strtod(end, nullptr);
    return p;
}

// What a run of play cost: restarts after falls and the distance the robots walked.
struct PlayRecord {
    int falls = 0;
    double walked = 0;  // metres, summed over the robots watched
};

// A striker's run from kick-off: how far towards the opponent goal the ball was carried (the
// largest x of the field frame it reached, m), when it went in (simulated seconds after the
// kick-off, NAN for never), the falls and the distance walked.
struct StrikerRun {
    double farthest = -INFINITY, goal = NAN;
    PlayRecord record;
};

class PlayTest : public ::testing::Test {
  protected:
    void StartServer(std::vector<std::string> options) {
        // Every reply ends with (syn): a long wait keeps the cycles in lockstep with the agents
        // however busy the machine is, so that no command arrives a cycle late.
        options.insert(options.end(),
                       {"--sync", "--sync-timeout=2000", "--auto-kickoff=0", "--quiet"});
        ASSERT_TRUE(sim.Start(options)) << sim.process.Stderr();
        ASSERT_TRUE(trainer.Connect(sim.TrainerPort()));
    }
    void StartAgent(int unum) {
        auto& agent = agents[unum];
        agent = std::make_unique<ChildProcess>();
        ASSERT_TRUE(agent->Start(VELORUNNER_BIN, {"--port=" + std::to_string(sim.AgentPort()),
                                                  "--unum=" + std::to_string(unum)}));
    }
    void TearDown() override {
        EXPECT_TRUE(sim.Stop()) << sim.process.Stderr();
        for (auto& [unum, agent] : agents) EXPECT_TRUE(agent->Wait(10)) << unum;
    }

    std::string State() { return trainer.Command("(getState)"); }
    double SimTime() { return NumberAfter(State(), "time"); }
    // Polls until `done` holds; false if it does not within the wall time given.
    bool Until(const std::function<bool()>& done, double wallSeconds) {
        for (double end = WallSeconds() + wallSeconds; !done();) {
            if (WallSeconds() > end) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }
    bool UntilSimTime(double t, double wallSeconds = 30) {
        return Until([&] { return SimTime() >= t; }, wallSeconds);
    }
    // All robots 1 ... n of the left team have joined.
    bool Joined(int n) {
        return Until(
            [&] {
                std::string state = State();
                for (int unum = 1; unum <= n; ++unum)
                    if (agents.count(unum) && !FindRobot(state, "Left", unum).found) return false;
                return true;
            },
            30);
    }
    void KickOff() {
        ASSERT_TRUE(UntilSimTime(3));
        // A robot waits beside the touch line until its agent beams it; on a loaded machine the
        // last agents to join beam after 3 s.
        ASSERT_TRUE(Until(
            [&] {
                std::string state = State();
                for (const auto& agent : agents) {
                    RobotState r = FindRobot(state, "Left", agent.first);
                    if (!r.found || r.y < -7.3) return false;
                }
                return true;
            },
            30));
        ASSERT_EQ("(ok)", trainer.Command("(kickOff Left)"));
    }
    void PlaceBall(double x, double y) {
        char command[128];
        std::snprintf(command, sizeof command, "(ball (pos %.3f %.3f 0.042) (vel 0 0 0))", x, y);
        ASSERT_EQ("(ok)", trainer.Command(command));
    }

    // Brings a fallen robot back: a fresh agent learns its side before kick-off, is let play,
    // and its robot is put upright where it fell once it has made its beam (which resets its
    // orientation to facing +x) and stands in its start pose.
    void Restart(int unum, Point where) {
        agents[unum]->Signal(SIGINT);
        ASSERT_TRUE(agents[unum]->Wait(10));
        ASSERT_TRUE(Until([&] { return !FindRobot(State(), "Left", unum).found; }, 10));
        ASSERT_EQ("(ok)", trainer.Command("(playMode BeforeKickOff)"));
        StartAgent(unum);
        ASSERT_TRUE(Until([&] { return FindRobot(State(), "Left", unum).found; }, 10));
        ASSERT_TRUE(UntilSimTime(SimTime() + 0.3));
        ASSERT_EQ("(ok)", trainer.Command("(playMode PlayOn)"));
        ASSERT_TRUE(UntilSimTime(SimTime() + 0.7));
        char command[128];
        std::snprintf(command, sizeof command,
                      "(agent (team Left) (unum %d) (pos %.3f %.3f 0.385) (rot 0))", unum, where.x,
                      where.y);
        ASSERT_EQ("(ok)", trainer.Command(command));
    }

    // Watches the robots until `done` holds on a state or `simSeconds` have passed, restarting
    // the ones in `restart` that fall. Returns the simulated time taken (the full span when
    // `done` never held).
    double Play(double simSeconds, const std::vector<int>& watched, const std::vector<int>& restart,
                const std::function<bool(const std::string&)>& done, PlayRecord& record) {
        const double start = SimTime();
        std::map<int, Point> last;
        std::set<int> down;  // lying, counted once
        for (double end = WallSeconds() + 600; WallSeconds() < end;) {
            const std::string state = State();
            const double t = NumberAfter(state, "time");
            if (done(state)) return t - start;
            if (t - start >= simSeconds) break;
            for (int unum : watched) {
                RobotState r = FindRobot(state, "Left", unum);
                if (!r.found) continue;
                Point here{r.x, r.y};
                if (last.count(unum)) record.walked += Distance(last[unum], here);
                last[unum] = here;
                const bool wasDown = down.count(unum) > 0;
                if (!r.fallen) {
                    down.erase(unum);
                    continue;
                }
                if (wasDown) continue;
                down.insert(unum);
                ++record.falls;
                bool restarts = false;
                for (int n : restart) restarts = restarts || n == unum;
                if (!restarts) continue;
                down.erase(unum);
                Restart(unum, here);
                if (HasFatalFailure()) return simSeconds;
                last.erase(unum);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return simSeconds;
    }

    // Number 9 alone on the field from the left team's kick-off, until its goal or for `limit`
    // simulated seconds.
    StrikerRun Striker(std::vector<std::string> options, double limit);

    PitchSim sim;
    TrainerClient trainer;
    std::map<int, std::unique_ptr<ChildProcess>> agents;
};

bool LeftScored(const std::string& state) {
    return NumberAfter(state, "score") >= 1;
}

StrikerRun PlayTest::Striker(std::vector<std::string> options, double limit) {
    StrikerRun run;
    StartServer(options);
    StartAgent(9);
    EXPECT_TRUE(Joined(9));
    KickOff();
    const double taken = Play(
        limit, {9}, {9},
        [&](const std::string& state) {
            run.farthest = std::max(run.farthest, BallOf(state).x);
            return LeftScored(state);
        },
        run.record);
    const std::string state = State();
    if (LeftScored(state)) run.goal = taken;
    std::printf(
        "striker: ball carried to x = %.2f, goal after %.1f s, %d falls, %.1f m walked, "
        "ball at %.2f %.2f\n",
        run.farthest, run.goal, run.record.falls, run.record.walked, BallOf(state).x,
        BallOf(state).y);
    return run;
}

TEST_F(PlayTest, StrikerAloneCarriesTheBallTowardsTheGoalFromKickOff) {
    const StrikerRun run = Striker({"--noise=off"}, 120);
    // A goal within the 120 s is not assured: the pushes may start up to 60 degrees off the
    // goal's direction in midfield, so the ball drifts towards a side and often leaves the field
    // beside a post. Carried well into the opponent half it is, every time.
    EXPECT_GT(run.farthest, 5);
}

// Probe, not run in CI: the striker over noise seeds 1 to 5. Run with
//   e2e_tests --gtest_filter='Seeds/StrikerProbe.*' --gtest_also_run_disabled_tests
class StrikerProbe : public PlayTest, public ::testing::WithParamInterface<int> {};

TEST_P(StrikerProbe, DISABLED_ScoresWithNoise) {
    const StrikerRun run = Striker({"--noise=on", "--seed=" + std::to_string(GetParam())}, 300);
    std::printf("seed %d: ball carried to x = %.2f, %.1f s to goal, %d falls, %.1f m walked\n",
                GetParam(), run.farthest, run.goal, run.record.falls, run.record.walked);
}

INSTANTIATE_TEST_SUITE_P(Seeds, StrikerProbe, ::testing::Range(1, 6));

TEST_F(PlayTest, RobotFindsABallBehindItWithItsHeadAndWalksToIt) {
    StartServer({"--noise=off"});
    StartAgent(5);
    ASSERT_TRUE(Joined(5));
    KickOff();
    // Number 5 stands at (-5.5, -2) facing +x; the ball lies 1.5 m away at a bearing of 120
    // degrees, behind its left shoulder and out of view.
    ASSERT_TRUE(UntilSimTime(SimTime() + 0.5));
    const Point ball{-6.25, -0.7};
    PlaceBall(ball.x, ball.y);
    const double start = SimTime();
    // While it searches with its head the robot stays where it is.
    ASSERT_TRUE(UntilSimTime(start + 1));
    RobotState r = FindRobot(State(), "Left", 5);
    EXPECT_LT(Distance({r.x, r.y}, {-5.5, -2}), 0.1);
    PlayRecord record;
    const double taken = Play(
        20, {5}, {5},
        [&](const std::string& state) {
            RobotState now = FindRobot(state, "Left", 5);
            return Distance({now.x, now.y}, BallOf(state)) < 0.35;
        },
        record);
    std::printf("ball behind: reached after %.1f s, %d falls\n", taken, record.falls);
    EXPECT_LT(taken, 20);
    // It walked to the ball rather than the ball rolling to it.
    EXPECT_LT(Distance(BallOf(State()), ball), 0.3);
}

TEST_F(PlayTest, TeamTakesItsPlacesRoundABallInItsOwnHalf) {
    StartServer({"--noise=off"});
    for (int unum = 1; unum <= 9; ++unum) StartAgent(unum);
    ASSERT_TRUE(Joined(9));
    KickOff();
    ASSERT_TRUE(UntilSimTime(SimTime() + 0.5));
    const Point ball{-5, 3};
    PlaceBall(ball.x, ball.y);

    std::map<int, Point> start;
    std::string state = State();
    for (int unum = 1; unum <= 9; ++unum) {
        RobotState r = FindRobot(state, "Left", unum);
        start[unum] = {r.x, r.y};
    }
    PlayRecord record;
    std::vector<int> team = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    // Over the last 5 s: how close the robot nearest to the ball came to it, and who it was.
    const double lateFrom = SimTime() + 15;
    double closest = INFINITY;
    int atBall = 0;
    auto watchBall = [&](const std::string& seen) {
        if (NumberAfter(seen, "time") < lateFrom) return false;
        const Point b = BallOf(seen);
        for (int unum : team) {
            RobotState r = FindRobot(seen, "Left", unum);
            if (r.found && Distance({r.x, r.y}, b) < closest) {
                closest = Distance({r.x, r.y}, b);
                atBall = unum;
            }
        }
        return false;
    };
    Play(20, team, {}, watchBall, record);
    state = State();

    // The formation points for this ball, as the team works them out: the back points move
    // towards the own goal and round it.
    DATA::TeamSide = "left";
    DATA::SetPlayerLocation();
    WorldModel world;
    world.mBallToSelfGoal.distanceBallToGoal =
        static_cast<float>(std::hypot(ball.x + 10.5, ball.y));
    world.mBallToSelfGoal.angleBalltoGoal =
        static_cast<float>(std::atan2(-ball.y, -10.5 - ball.x) * 180 / M_PI);
    Strategy(Player(), world).CalMoveGuideCoordinate();
    std::vector<Point> points;
    for (int i = 2; i <= 8; ++i)
        points.push_back({DATA::playerGroup[i].location.x, DATA::playerGroup[i].location.y});

    // From the kick-off places, number 7 is nearest to the ball and 4 second nearest: both play
    // it. The others take the points 8, 7, ..., 2 in turn, each the nearest robot not yet given
    // one (worked out by hand from the start places).
    const struct Duty {
        int unum, entry;
    } duties[] = {{1, 8}, {3, 7}, {2, 6}, {6, 5}, {5, 4}, {8, 3}, {9, 2}};

    std::printf("unum  point            start            end              to point: start   end\n");
    int placed = 0;
    for (const Duty& d : duties) {
        RobotState r = FindRobot(state, "Left", d.unum);
        const Point end{r.x, r.y}, point = points[d.entry - 2];
        // There, or well on the way.
        const bool onTheWay =
            !r.fallen && (Distance(end, point) < 0.5 ||
                          Distance(end, point) < Distance(start[d.unum], point) - 0.5);
        placed += onTheWay;
        std::printf("%4d  (%6.2f %5.2f)  (%6.2f %5.2f)  (%6.2f %5.2f)  %5.2f  %5.2f%s\n", d.unum,
                    point.x, point.y, start[d.unum].x, start[d.unum].y, end.x, end.y,
                    Distance(start[d.unum], point), Distance(end, point),
                    r.fallen   ? " fallen"
                    : onTheWay ? ""
                               : " astray");
    }
    // The back robots walk backwards to their points, across each other's way and without
    // looking behind: one to three of them fell in these runs. The get-up motions are not the
    // business of this test; most of the team must be there or on the way.
    EXPECT_GE(placed, 4) << record.falls << " falls";

    // Someone is at the ball at the end: a robot steps back from it now and then to line up.
    std::printf("closest to the ball in the last 5 s: number %d, %.2f m; falls: %d\n", atBall,
                closest, record.falls);
    EXPECT_LT(closest, 0.5) << "number " << atBall;
}

}  // namespace
