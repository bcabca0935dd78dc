// The state table and the strategy's first decisions on constructed bodies and world models.

#include "behavior/naobehavior.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "behavior/strategy.h"
#include "motion/command_text.h"
#include "motion/naoaction.h"
#include "net/mytime.h"
#include "walk/inverse.h"
#include "world/data.h"

namespace {

class NaoBehaviorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        DATA::Unum = "5";
        DATA::TeamSide = "left";
        DATA::SetPlayerLocation();
        MyTime::totalTime = 10.10f;  // speaking slot 2: robot 5 stays silent
        world.sMatchState = "PlayOn";
        behavior.mInit = true;
    }
    std::string ThinkIn(eState state, int counter) {
        NaoBehavior::mState = state;
        behavior.mCounter = counter;
        return behavior.Think("", player, world);
    }
    std::string SayFrom(float x, float y) {
        player.torseLocation = FlagLocation(x, y, 0);
        return ThinkIn(S_Sit, 0);
    }

    NaoBehavior behavior{"5"};
    Player player{"5"};
    WorldModel world;
};

TEST_F(NaoBehaviorTest, StoppedGameForcesNeutralAndTheOtherSidesSetPieceStopsOnlyAStep) {
    const char *L = "left", *R = "right", *U = "uninit";
    const std::string far(100, 'x');  // the side's name counts up to position 100 of the mode
    struct Case {
        const char* side;
        std::string mode;
        eState from, to;
    } cases[] = {
        {L, "BeforeKickOff", S_Judge, S_NON}, {L, "goal_kick_right", S_Step, S_Origin},
        {L, "KickOff_Right", S_Sit, S_Sit},   {L, "KickOff_Left", S_Step, S_Step},
        {R, "KickIn_Left", S_Step, S_Origin}, {U, "KickIn_Left", S_Step, S_Step},
        {L, far + "Right", S_Step, S_Origin}, {L, far + "xRight", S_Step, S_Step},
    };
    for (const Case& c : cases) {
        DATA::TeamSide = c.side;
        world.sMatchState = c.mode;
        ThinkIn(c.from, 1);
        EXPECT_EQ(c.to, NaoBehavior::mState) << c.side << " " << c.mode;
    }
}

TEST_F(NaoBehaviorTest, TheBeamRestartsTheGyroOrientationOnlyWhileTheGameIsStopped) {
    // Lying face down as the kick-off is given: the server no longer moves the robot, so the
    // agent must not believe it stands.
    for (const char* mode : {"BeforeKickOff", "Goal_Left", "KickOff_Left", "PlayOn"}) {
        world.sMatchState = mode;
        player.RGYRMatrix_Torse[2][0] = -1;
        ThinkIn(S_Beam, 0);
        const bool beamed = std::string(mode) == "BeforeKickOff" || mode[0] == 'G';
        EXPECT_FLOAT_EQ(beamed ? 0 : -1, player.RGYRMatrix_Torse[2][0]) << mode;
    }
}

TEST_F(NaoBehaviorTest, MotionStatesRunTheirMotionThenMoveOn) {
    // {state, next state, cycles in it, next origin hold (30: left alone)}; the shoulder at -120.
    const struct {
        eState state, next;
        int cycles, originCount;
    } cases[] = {
        {S_StandUpForward, S_Origin, 21 + 2 + 2 + 7 + 1 + 22 + 20, 10},
        {S_StandUpBack, S_Origin, 21 + 10 + 10 + 14 + 16 + 50 + 2, 10},
        {S_Stumble_Right, S_Judge, 10, 30},
        {S_KeeperCatch, S_KeeperToFaceDown, 317, 30},
        {S_KickLeft, S_Origin, 45, 30},
        {S_SmallKickRight, S_Judge, 7, 30},
        {S_KickRightTOVK, S_NON, 87, 30},
        {S_KickLeftPelm, S_NON, 86, 30},
        {S_BeamRight, S_HeadRotate, 16, 30},
        {S_BeamLeftCircle, S_HeadRotate, 13, 30},
        {S_BeamRightRotate, S_Origin, 16, 20},
    };
    player.mHingeJointSenseMap[Player::JID_LARM_1].angle = -120;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.state);
        EndAnyKeyframe();
        NaoBehavior fresh{"5"};
        fresh.mInit = true;
        fresh.mOriginCount = 30;
        NaoBehavior::mState = c.state;
        fresh.mCounter = 0;
        int cycles = 0;
        while (NaoBehavior::mState == c.state && cycles < 1000) {
            EXPECT_NE("", fresh.Think("", player, world)) << cycles;  // commands every cycle
            ++cycles;
        }
        EXPECT_EQ(NaoBehavior::mState, c.next);
        EXPECT_EQ(cycles, c.cycles);
        EXPECT_EQ(fresh.mOriginCount, c.originCount);
    }
}

TEST_F(NaoBehaviorTest, WaitGivesUpOnAShoulderThatBarelyMoves) {
    // Looked up each time: a reference into the joint map would not outlive an insertion.
    auto shoulder = [this]() -> float& {
        return player.mHingeJointSenseMap[Player::JID_LARM_1].angle;
    };
    shoulder() = -119.96f;  // the hold asks -0.001 degrees per cycle
    NaoBehavior::mState = S_Wait;
    int cycles = 0;
    for (behavior.mCounter = 0; NaoBehavior::mState == S_Wait && cycles < 500; ++cycles) {
        if (behavior.mCounter == 40) shoulder() = -119.86f;  // 140 such cycles away: 50 at most
        behavior.Think("", player, world);
    }
    EXPECT_EQ(91, cycles);
    EXPECT_EQ(S_Judge, NaoBehavior::mState);
}

TEST_F(NaoBehaviorTest, JudgeStartsTheNextWalkFromFeetSideBySide) {
    // A turn on the spot cut short by a head scan left the right foot's turn in the gait.
    Inverse::Slatter = FlagLocation(0, 0.11f, -16);
    ThinkIn(S_Judge, 1);
    EXPECT_FLOAT_EQ(-16, Inverse::Slatter.z);  // still standing, not deciding yet
    ThinkIn(S_Judge, 2);
    EXPECT_NE(S_Judge, NaoBehavior::mState);
    EXPECT_FLOAT_EQ(0, Inverse::Slatter.z);
    EXPECT_FLOAT_EQ(0.11f, Inverse::Slatter.y);
}

TEST_F(NaoBehaviorTest, SayTellsThePositionTruncatedToCentimetres) {
    DATA::Unum = "1";
    MyTime::totalTime = 0.40f;
    EXPECT_EQ("(say k4q1-1.25y0.5)", SayFrom(-1.257f, 0.5f));
    EXPECT_EQ("(say k4q13.99y-0.01)", SayFrom(3.999f, -0.019f));
    EXPECT_EQ("", SayFrom(std::nanf(""), 0.5f));  // not a number: not told
    EXPECT_EQ("", SayFrom(1, -INFINITY));
}

// A body whose gyro orientation has the given third row (the torso axes against the vertical).
Player Tilted(float r20, float r21) {
    Player player("5");
    player.RGYRMatrix_Torse.Replace(Matrix3{});
    player.RGYRMatrix_Torse[2][0] = r20;
    player.RGYRMatrix_Torse[2][1] = r21;
    return player;
}

int Stumble(float r20, float r21) {
    return Strategy(Tilted(r20, r21), WorldModel()).JudgeStumble();
}

TEST(Strategy, StumbleInPriorityOrderThenSearchUntilTheBallIsInView) {
    EXPECT_EQ(S_StandUpForward, Stumble(-0.9f, 0));
    EXPECT_EQ(S_Stumble_Right, Stumble(0, -0.96f));
    EXPECT_EQ(0, Stumble(-0.79f, 0.94f));
    EXPECT_EQ(S_StandUpBack, Stumble(0.81f, -0.99f));  // lying wins over rolling

    // The fall comes first; without a ball seen in the last 0.08 s the robot searches.
    MyTime::totalTime = 20.0f;
    WorldModel fresh, stale;
    fresh.ballLocatoin.time = 19.94f;
    stale.ballLocatoin.time = 19.9f;
    EXPECT_EQ(S_StandUpBack, Strategy(Tilted(0.9f, 0), fresh).JudgeState_B());
    EXPECT_EQ(S_HeadRotate, Strategy(Tilted(0, 0), stale).JudgeState_B());
}

}  // namespace
