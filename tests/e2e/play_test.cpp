// Our agents playing the ball in a synced, noiseless pitchsim; the trainer's truth judges. The
// agent knows its orientation only from its gyro, so a fallen robot is brought back by
// restarting its agent and placing the robot upright where it fell, facing +x.

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
#include "support/field.h"
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

class PlayTest : public FieldTest {
  protected:
    void SetUp() override {
        // A long sync wait keeps the cycles in lockstep with the agents on a busy machine.
        StartServer({"--sync", "--sync-timeout=2000", "--auto-kickoff=0", "--noise=off"});
    }
    // Starts the agents, waits until every robot has beamed in from the touch line (after 3 s
    // on a loaded machine), kicks off and puts the ball at `ball` half a second later.
    void KickOff(const std::vector<int>& unums, Point ball) {
        for (int unum : unums) player[unum] = &StartAgent(unum);
        ASSERT_TRUE(UntilSimTime(3));
        ASSERT_TRUE(Until([&] {
            std::string state = State();
            for (int unum : unums) {
                RobotState r = FindRobot(state, "Left", unum);
                if (!r.found || r.y < -7.3) return false;
            }
            return true;
        }));
        ASSERT_EQ("(ok)", trainer.Command("(kickOff Left)"));
        if (std::isnan(ball.x)) return;
        ASSERT_TRUE(UntilSimTime(SimTime() + 0.5));
        char command[128];
        std::snprintf(command, sizeof command, "(ball (pos %.3f %.3f 0.042) (vel 0 0 0))", ball.x,
                      ball.y);
        ASSERT_EQ("(ok)", trainer.Command(command));
    }

    // A fresh agent learns its side before kick-off, beams (facing +x), and its robot is then
    // put upright where it fell.
    void Restart(int unum, Point where) {
        player[unum]->Signal(SIGINT);
        ASSERT_TRUE(player[unum]->Wait(10));
        ASSERT_TRUE(Until([&] { return !FindRobot(State(), "Left", unum).found; }, 10));
        ASSERT_EQ("(ok)", trainer.Command("(playMode BeforeKickOff)"));
        player[unum] = &StartAgent(unum);
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

    // Watches the robots until `done` holds or `simSeconds` have passed, counting falls and
    // restarting fallen robots when `restart`. Returns the simulated time taken.
    double Play(double simSeconds, const std::vector<int>& watched, bool restart,
                const std::function<bool(const std::string&)>& done) {
        const double start = SimTime();
        std::set<int> down;  // lying, counted once
        for (double end = WallSeconds() + 600; WallSeconds() < end;) {
            const std::string state = State();
            const double t = NumberAfter(state, "time");
            if (done(state)) return t - start;
            if (t - start >= simSeconds) break;
            for (int unum : watched) {
                RobotState r = FindRobot(state, "Left", unum);
                if (!r.found) continue;
                if (!r.fallen) {
                    down.erase(unum);
                    continue;
                }
                if (!down.insert(unum).second) continue;
                ++falls;
                if (!restart) continue;
                down.erase(unum);
                Restart(unum, {r.x, r.y});
                if (HasFatalFailure()) return simSeconds;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return simSeconds;
    }

    std::map<int, ChildProcess*> player;  // by number, the latest agent
    int falls = 0;
};

// Number 9 alone from kick-off scores within 300 s (a fallen robot is restarted where it fell;
// playprobe measures the striker that gets up by itself, and its share of goals within 120 s).
TEST_F(PlayTest, StrikerAloneScoresFromKickOff) {
    KickOff({9}, {NAN, NAN});
    double farthest = -INFINITY;
    const double taken = Play(300, {9}, true, [&](const std::string& state) {
        farthest = std::max(farthest, BallOf(state).x);
        return NumberAfter(state, "score") >= 1;
    });
    EXPECT_LT(taken, 300) << "ball carried to x = " << farthest << ", " << falls << " falls";
    std::printf("striker: %s after %.1f s, ball carried to x = %.2f, %d falls\n",
                taken < 300 ? "goal" : "no goal", taken, farthest, falls);
}

// Probe, not run in CI: the striker over noise seeds 1 to 5. Run with
//   e2e_tests --gtest_filter='Seeds/StrikerProbe.*' --gtest_also_run_disabled_tests
class StrikerProbe : public PlayTest, public ::testing::WithParamInterface<int> {
  protected:
    void SetUp() override {
        StartServer({"--sync", "--sync-timeout=2000", "--auto-kickoff=0", "--noise=on",
                     "--seed=" + std::to_string(GetParam())});
    }
};

TEST_P(StrikerProbe, DISABLED_ScoresWithNoise) {
    KickOff({9}, {NAN, NAN});
    double farthest = -INFINITY;
    const double taken = Play(300, {9}, true, [&](const std::string& state) {
        farthest = std::max(farthest, BallOf(state).x);
        return NumberAfter(state, "score") >= 1;
    });
    std::printf("seed %d: ball carried to x = %.2f, %s after %.1f s, %d falls\n", GetParam(),
                farthest, taken < 300 ? "goal" : "no goal", taken, falls);
}

INSTANTIATE_TEST_SUITE_P(Seeds, StrikerProbe, ::testing::Range(1, 6));

TEST_F(PlayTest, RobotFindsABallBehindItWithItsHeadAndWalksToIt) {
    // Number 5 stands at (-5.5, -2) facing +x; the ball lies 1.5 m away at a bearing of 120
    // degrees, out of view. While it searches with its head the robot stays where it is.
    const Point ball{-6.25, -0.7};
    KickOff({5}, ball);
    ASSERT_TRUE(UntilSimTime(SimTime() + 1));
    RobotState r = FindRobot(State(), "Left", 5);
    EXPECT_LT(Distance({r.x, r.y}, {-5.5, -2}), 0.1);
    const double taken = Play(20, {5}, true, [&](const std::string& state) {
        RobotState now = FindRobot(state, "Left", 5);
        return Distance({now.x, now.y}, BallOf(state)) < 0.35;
    });
    EXPECT_LT(taken, 20) << falls << " falls";
    // It walked to the ball rather than the ball rolling to it.
    EXPECT_LT(Distance(BallOf(State()), ball), 0.3);
}

TEST_F(PlayTest, TeamTakesItsPlacesRoundABallInItsOwnHalf) {
    const std::vector<int> team = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    const Point ball{-5, 3};
    KickOff(team, ball);
    std::map<int, Point> start;
    std::string state = State();
    for (int unum : team)
        start[unum] = {FindRobot(state, "Left", unum).x, FindRobot(state, "Left", unum).y};
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
    Play(20, team, false, watchBall);
    state = State();

    // The formation points for this ball, as the team works them out.
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

    // Numbers 7 and 4 play the ball; the others take points 8, 7, ..., 2 in turn, each the
    // nearest robot not yet given one (worked out by hand from the kick-off places).
    const struct Duty {
        int unum, entry;
    } duties[] = {{1, 8}, {3, 7}, {2, 6}, {6, 5}, {5, 4}, {8, 3}, {9, 2}};
    int placed = 0;
    for (const Duty& d : duties) {
        RobotState r = FindRobot(state, "Left", d.unum);
        const Point end{r.x, r.y}, point = points[d.entry - 2];
        // There, or well on the way.
        placed += !r.fallen && (Distance(end, point) < 0.5 ||
                                Distance(end, point) < Distance(start[d.unum], point) - 0.5);
    }
    // Backing robots cross each other's way unseen and one to three fell in these runs: most
    // of the team must be there or on the way, and someone at the ball.
    EXPECT_GE(placed, 4) << falls << " falls";
    EXPECT_LT(closest, 0.5) << "number " << atBall;
}

}  // namespace
