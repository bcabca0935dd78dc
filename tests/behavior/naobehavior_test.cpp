// The behaviour state machine driven directly with constructed body states and world models.

#include "behavior/naobehavior.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <string>

#include "motion/naoaction.h"
#include "net/mytime.h"
#include "walk/inverse.h"
#include "walk/inverseaction.h"
#include "world/data.h"

namespace {

class NaoBehaviorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        DATA::Unum = "5";
        DATA::TeamSide = "left";
        DATA::SetPlayerLocation();
        // 10.10 s is speaking slot 2: robot 5 stays silent.
        MyTime::totalTime = 10.10f;
        Player::s_ISErrorGYR = false;
        world.sMatchState = "PlayOn";
        behavior.mInit = true;
        // Start on a keyframe boundary whatever an earlier test left running: a one-cycle
        // keyframe ends at once and makes the next keyframe compute its own command.
        std::stringstream ss;
        int counter = 0;
        behavior.pAction->ActionState(0, 0, ss, NaoAction::KeyframePose{}, counter, 1);
    }
    void TearDown() override { Player::s_ISErrorGYR = false; }

    // One cycle in `state` with the counter at `counter`.
    std::string ThinkIn(eState state, int counter) {
        NaoBehavior::mState = state;
        behavior.mCounter = counter;
        return behavior.Think("", player, world);
    }

    NaoBehavior behavior{"5"};
    Player player{"5"};
    WorldModel world;
};

TEST(NaoBehaviorInit, FirstCallReturnsOnlyTheInitMessage) {
    DATA::Unum = "0";
    MyTime::totalTime = 0.40f;  // robot 1's slot: a say would be appended if Think went on
    NaoBehavior behavior("0");
    EXPECT_EQ(S_NON, NaoBehavior::mState);
    EXPECT_EQ(20, behavior.mOriginCount);
    EXPECT_EQ("(init (unum 0)(teamname " + DATA::TeamName + "))",
              behavior.Think("", Player("0"), WorldModel()));
    EXPECT_EQ(0, behavior.mCounter);
    EXPECT_EQ(S_NON, NaoBehavior::mState);
    // The second call holds the neutral pose and counts.
    EXPECT_EQ(0u, behavior.Think("", Player("0"), WorldModel()).find("(he1 "));
    EXPECT_EQ(1, behavior.mCounter);
}

TEST_F(NaoBehaviorTest, GameStateGateForcesNeutralWhileStoppedExceptDuringTheBeam) {
    for (const char* mode : {"BeforeKickOff", "Goal_Left", "Goal_Right"}) {
        world.sMatchState = mode;
        ThinkIn(S_Judge, 1);
        EXPECT_EQ(S_NON, NaoBehavior::mState) << mode;
        ThinkIn(S_Beam, 0);
        EXPECT_EQ(S_Beam, NaoBehavior::mState) << mode;
    }
    // "GoalKick_Left" also begins with "Goal".
    world.sMatchState = "GoalKick_Left";
    ThinkIn(S_Sit, 0);
    EXPECT_EQ(S_NON, NaoBehavior::mState);
}

TEST_F(NaoBehaviorTest, OtherSidesSetPieceStopsOnlyAStepSequence) {
    struct Case {
        const char* side;
        const char* mode;
        eState from;
        eState to;
    } cases[] = {
        {"left", "KickOff_Right", S_Step, S_Origin},
        {"left", "corner_kick_right", S_Step, S_Origin},
        {"left", "FREE_KICK_RIGHT", S_Step, S_Origin},
        {"left", "KickOff_Right", S_Sit, S_Sit},
        {"left", "KickOff_Left", S_Step, S_Step},
        {"left", "PlayOn", S_Step, S_Step},
        {"right", "KickIn_Left", S_Step, S_Origin},
        {"right", "KickIn_Right", S_Step, S_Step},
        {"uninit", "KickIn_Left", S_Step, S_Step},
    };
    for (const Case& c : cases) {
        DATA::TeamSide = c.side;
        world.sMatchState = c.mode;
        ThinkIn(c.from, 1);
        EXPECT_EQ(c.to, NaoBehavior::mState) << c.side << " " << c.mode;
    }
    // Beyond position 100 the side's name no longer counts.
    DATA::TeamSide = "left";
    world.sMatchState = std::string(101, 'x') + "Right";
    ThinkIn(S_Step, 1);
    EXPECT_EQ(S_Step, NaoBehavior::mState);
    world.sMatchState = std::string(100, 'x') + "Right";
    ThinkIn(S_Step, 1);
    EXPECT_EQ(S_Origin, NaoBehavior::mState);
}

TEST_F(NaoBehaviorTest, TorsoJumpRaisesGyroDoubtOnlyInPlay) {
    player.lastTorseLocation = FlagLocation(0, 0, 0);
    player.torseLocation = FlagLocation(0.8f, 0.8f, 0);  // 1.13 m in one cycle
    world.sMatchState = "BeforeKickOff";
    ThinkIn(S_Sit, 0);
    EXPECT_FALSE(Player::s_ISErrorGYR);
    world.sMatchState = "Goal_Right";
    ThinkIn(S_Sit, 0);
    EXPECT_FALSE(Player::s_ISErrorGYR);
    world.sMatchState = "PlayOn";
    player.torseLocation = FlagLocation(0.7f, 0.7f, 0);  // 0.99 m: not yet a jump
    ThinkIn(S_Sit, 0);
    EXPECT_FALSE(Player::s_ISErrorGYR);
    player.torseLocation = FlagLocation(0.71f, 0.71f, 0);
    ThinkIn(S_Sit, 0);
    EXPECT_TRUE(Player::s_ISErrorGYR);
}

// Runs the current state from counter 0 until it changes; the number of cycles it lasted.
// `written` counts the cycles that wrote joint commands.
int CyclesUntilStateChanges(NaoBehavior& behavior, const Player& player, const WorldModel& world,
                            int* written = nullptr) {
    const eState start = NaoBehavior::mState;
    behavior.mCounter = 0;
    int cycles = 0;
    int commands = 0;
    while (NaoBehavior::mState == start && cycles < 500) {
        const std::string reply = behavior.Think("", player, world);
        if (reply.compare(0, 5, "(he1 ") == 0) ++commands;
        ++cycles;
    }
    if (written) *written = commands;
    return cycles;
}

TEST_F(NaoBehaviorTest, OriginHoldEndsInJudgeOrInTheHeadScanUnderGyroDoubt) {
    NaoBehavior::mState = S_Origin;
    behavior.mOriginCount = 30;
    EXPECT_EQ(31, CyclesUntilStateChanges(behavior, player, world));
    EXPECT_EQ(S_Judge, NaoBehavior::mState);
    EXPECT_EQ(20, behavior.mOriginCount);
    EXPECT_EQ(1, behavior.mCounter);

    Player::s_ISErrorGYR = true;
    NaoBehavior::mState = S_Origin;
    int written = 0;
    EXPECT_EQ(21, CyclesUntilStateChanges(behavior, player, world, &written));
    EXPECT_EQ(21, written);
    EXPECT_EQ(S_NON1, NaoBehavior::mState);
    EXPECT_EQ(1, behavior.mCounter);
    // S_NON1 stands, then the head scan.
    EXPECT_EQ(11, CyclesUntilStateChanges(behavior, player, world));
    EXPECT_EQ(S_GYRRotateHead, NaoBehavior::mState);
}

TEST_F(NaoBehaviorTest, HeadScanRelocalisesOnlyWhenStandingStill) {
    // The scan's five keyframes take 3 + 20 + 40 + 2 + 20 cycles.
    Player::s_ISErrorGYR = true;
    player.LeftFRP.time = 1;  // the feet reported at different times: not stable
    NaoBehavior::mState = S_GYRRotateHead;
    int written = 0;
    EXPECT_EQ(85, CyclesUntilStateChanges(behavior, player, world, &written));
    EXPECT_EQ(85, written);
    EXPECT_EQ(S_Judge, NaoBehavior::mState);
    EXPECT_EQ(1, behavior.mCounter);
    EXPECT_TRUE(Player::s_ISErrorGYR);

    player.LeftFRP = player.RightFRP;  // both feet flat, same report
    player.LeftFRP.f = player.RightFRP.f = FlagLocation(0, 0, 20);
    NaoBehavior::mState = S_GYRRotateHead;
    EXPECT_EQ(85, CyclesUntilStateChanges(behavior, player, world));
    EXPECT_FALSE(Player::s_ISErrorGYR);
}

TEST_F(NaoBehaviorTest, JudgeStopsEveryJointAndAsksTheStrategyOnItsThirdCycle) {
    const std::string stop = ThinkIn(S_Judge, 0);
    EXPECT_EQ(0u, stop.find("(he1 0)(he2 0)(lae1 0)"));
    EXPECT_EQ(22u, static_cast<size_t>(std::count(stop.begin(), stop.end(), '(')));
    ThinkIn(S_Judge, 1);
    EXPECT_EQ(S_Judge, NaoBehavior::mState);
    EXPECT_EQ(stop, ThinkIn(S_Judge, 2));
    // No ball in view: search.
    EXPECT_EQ(S_HeadRotate, NaoBehavior::mState);
    EXPECT_EQ(1, behavior.mCounter);
}

TEST_F(NaoBehaviorTest, HeadSearchEndsWhenTheBallIsSeenOnAnEvenCounter) {
    world.ballLocatoin.time = MyTime::totalTime - 0.02f;
    Player::sphereAngleBallToHead1 = 5;
    player.mHingeJointSenseMap[Player::JID_HEAD_1].angle = 12;
    ThinkIn(S_HeadRotate, 1);
    EXPECT_EQ(S_HeadRotate, NaoBehavior::mState);
    ThinkIn(S_HeadRotate, 2);
    EXPECT_EQ(S_Judge, NaoBehavior::mState);
    EXPECT_EQ(1, behavior.mCounter);
}

TEST_F(NaoBehaviorTest, HeadSearchGivesWayToARecoveryWhenTheTorsoTips) {
    player.RGYRMatrix_Torse[2][0] = -0.9f;  // face down
    ThinkIn(S_HeadRotate, 1);
    EXPECT_EQ(S_HeadRotate, NaoBehavior::mState);
    ThinkIn(S_HeadRotate, 2);
    EXPECT_EQ(S_StandUpForward, NaoBehavior::mState);
    player.RGYRMatrix_Torse[2][0] = 0;
}

TEST_F(NaoBehaviorTest, GaitStepsEndWithFeetTogetherBeforeTheNextDecision) {
    // Without the ball in view the strategy searches, so a step sequence ends: the feet are
    // brought together first, and the step count at that moment becomes the restart count.
    for (eState walking : {S_Step, S_BackInverseStep}) {
        InverseAction::tempBool = true;
        Inverse::initStepCount = -1;
        NaoBehavior::mState = walking;
        int written = 0;
        const int cycles = CyclesUntilStateChanges(behavior, player, world, &written);
        EXPECT_LT(cycles, 500);
        EXPECT_EQ(cycles, written);
        EXPECT_EQ(S_InverseStepEnd, NaoBehavior::mState);
        EXPECT_EQ(Inverse::stepCount, Inverse::initStepCount);
        EXPECT_FALSE(InverseAction::tempBool);
        EXPECT_LT(CyclesUntilStateChanges(behavior, player, world), 500);
        EXPECT_EQ(S_HeadRotate, NaoBehavior::mState);
    }
    // A turn on the spot that is not followed by a walk keeps its turn command.
    Inverse::rotateAngle = 30;
    NaoBehavior::mState = S_InverseRoatate;
    EXPECT_LT(CyclesUntilStateChanges(behavior, player, world), 500);
    EXPECT_EQ(S_HeadRotate, NaoBehavior::mState);
}

TEST_F(NaoBehaviorTest, SwingAlternatesEverySixCycles) {
    for (int counter = 0; counter < 6; ++counter) {
        EXPECT_EQ("(he1 -30)", ThinkIn(S_SwingLeft, counter));
        EXPECT_EQ(S_SwingLeft, NaoBehavior::mState);
    }
    EXPECT_EQ("", ThinkIn(S_SwingLeft, 6));
    EXPECT_EQ(S_SwingRight, NaoBehavior::mState);
    EXPECT_EQ(1, behavior.mCounter);
    EXPECT_EQ("(he1 30)", behavior.Think("", player, world));
}

TEST_F(NaoBehaviorTest, StatesWithoutActionWriteNothingAndStay) {
    for (int value : {int{S_Sit}, int{S_FrontCatch}, 48, -1}) {
        EXPECT_EQ("", ThinkIn(static_cast<eState>(value), 3)) << value;
        EXPECT_EQ(value, NaoBehavior::mState);
        EXPECT_EQ(4, behavior.mCounter);
    }
}

TEST_F(NaoBehaviorTest, BeamResetsGyroOrientationAndFormationThenWaits) {
    player.RGYRMatrix_Torse[0][1] = 0.5f;
    player.RGYRMatrix_Torse[2][2] = 0.3f;
    DATA::playerGroup[3].location = FlagLocation(1, 1, 0);
    DATA::playerGroup[3].num = 7;
    EXPECT_EQ("(beam -5.5 -2 -0)", ThinkIn(S_Beam, 0));
    EXPECT_EQ(S_Beam, NaoBehavior::mState);
    // The copy shares the live matrix: the reset outlasts the cycle.
    EXPECT_EQ(0.0f, player.RGYRMatrix_Torse[0][1]);
    EXPECT_EQ(1.0f, player.RGYRMatrix_Torse[2][2]);
    EXPECT_EQ(-5.5f, DATA::playerGroup[3].location.x);
    EXPECT_EQ(0.0f, DATA::playerGroup[3].location.y);
    EXPECT_EQ(4, DATA::playerGroup[3].num);
    ThinkIn(S_Beam, 2);
    EXPECT_EQ(S_Wait, NaoBehavior::mState);
    EXPECT_EQ(1, behavior.mCounter);
}

TEST_F(NaoBehaviorTest, WaitStretchesUntilTheShoulderArrivesThenStartsAfresh) {
    // The shoulder stays at -80 while the hold drives it at -1 degree per cycle towards -120:
    // at counter 40 it still needs 40 cycles, 38 are added. The pose is held up to counter
    // 40, nothing is written from 41 to 78, and at 78 the robot judges.
    player.mHingeJointSenseMap[Player::JID_LARM_1].angle = -80;
    NaoBehavior::mState = S_Wait;
    int written = 0;
    EXPECT_EQ(79, CyclesUntilStateChanges(behavior, player, world, &written));
    EXPECT_EQ(41, written);
    EXPECT_EQ(S_Judge, NaoBehavior::mState);
    // The next wait starts from 40 again: with the shoulder at its angle the hold ends at
    // counter 40 (-2 cycles).
    player.mHingeJointSenseMap[Player::JID_LARM_1].angle = -120;
    NaoBehavior::mState = S_Wait;
    EXPECT_EQ(41, CyclesUntilStateChanges(behavior, player, world, &written));
    EXPECT_EQ(41, written);
    EXPECT_EQ(S_Judge, NaoBehavior::mState);
}

TEST_F(NaoBehaviorTest, WaitGivesUpOnAShoulderThatBarelyMoves) {
    // From -119.96 the hold asks -0.001 degrees per cycle; at counter 40 the shoulder reports
    // -119.86, 140 such cycles away. The wait is stretched by 50 cycles at most.
    Player::JointID shoulder = Player::JID_LARM_1;
    player.mHingeJointSenseMap[shoulder].angle = -119.96f;
    NaoBehavior::mState = S_Wait;
    behavior.mCounter = 0;
    int cycles = 0;
    while (NaoBehavior::mState == S_Wait && cycles < 500) {
        if (behavior.mCounter == 40) player.mHingeJointSenseMap[shoulder].angle = -119.86f;
        behavior.Think("", player, world);
        ++cycles;
    }
    EXPECT_EQ(91, cycles);
    EXPECT_EQ(S_Judge, NaoBehavior::mState);
}

TEST(BeamCommand, EveryNumberOfTheTableBeamsToItsEntry) {
    DATA::SetPlayerLocation();
    DATA::TeamSide = "right";
    WorldModel world;
    for (int n = 1; n <= 9; ++n) {
        DATA::Unum = std::to_string(n);
        const FlagLocation& place = DATA::playerGroup[9 - n].location;
        std::stringstream expected;
        expected << "(beam " << place.x << " " << place.y << " -0)";
        EXPECT_EQ(expected.str(), BeamCommand(world)) << n;
    }
    DATA::Unum = "5";
    EXPECT_EQ("(beam -5.5 -2 -0)", BeamCommand(world));
}

TEST(BeamCommand, KickOffTakerRuleFollowsModeSideAndClock) {
    DATA::SetPlayerLocation();
    DATA::Unum = "9";
    WorldModel world;
    DATA::TeamSide = "left";
    world.sMatchState = "BeforeKickOff";
    EXPECT_EQ("(beam -0.18 0.20 -0)", BeamCommand(world));
    world.mTime = 200;  // before the second half's kick-off the other team kicks off
    EXPECT_EQ("(beam -2 0 -0)", BeamCommand(world));
    world.mTime = 0;
    world.sMatchState = "Goal_Right";
    EXPECT_EQ("(beam -0.18 0.20 -0)", BeamCommand(world));
    DATA::TeamSide = "right";
    EXPECT_EQ("(beam -2 0 -0)", BeamCommand(world));
    world.sMatchState = "Goal_Left";
    EXPECT_EQ("(beam -0.18 0.20 -0)", BeamCommand(world));
    DATA::Unum = "09";  // the rule compares the text
    EXPECT_EQ("(beam -2 0 -0)", BeamCommand(world));
}

TEST(BeamCommand, NumbersWithoutEntryGetTheirOwnSpot) {
    DATA::SetPlayerLocation();
    DATA::TeamSide = "right";
    WorldModel world;
    std::set<std::string> beams;
    for (const char* text : {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "0"}) {
        DATA::Unum = text;
        EXPECT_TRUE(beams.insert(BeamCommand(world)).second) << text;
    }
    // Negative, non-numeric and out-of-range texts share the spot of 0.
    const std::string zero = BeamCommand(world);
    for (const char* text : {"abc", "-3", "99999999999999999999"}) {
        DATA::Unum = text;
        EXPECT_EQ(zero, BeamCommand(world)) << text;
    }
}

TEST(ResetFormation, RestoresTheMovableEntriesOnly) {
    DATA::SetPlayerLocation();
    for (PlayerFlagLocation& entry : DATA::playerGroup) {
        entry.location = FlagLocation(3, 3, 0);
        entry.num = 0;
    }
    ResetFormation();
    const float expected[6][2] = {{-5.5f, 2},    {-5.5f, 0}, {-5.5f, -2},
                                  {-7.5f, 1.5f}, {-7.5f, 0}, {-7.5f, -1.5f}};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(i + 1, DATA::playerGroup[i].num);
        if (i >= 2 && i <= 7) {
            EXPECT_EQ(expected[i - 2][0], DATA::playerGroup[i].location.x) << i;
            EXPECT_EQ(expected[i - 2][1], DATA::playerGroup[i].location.y) << i;
        } else {
            EXPECT_EQ(3.0f, DATA::playerGroup[i].location.x) << i;
        }
    }
    DATA::SetPlayerLocation();
}

TEST(SaySlot, TwoCyclesPerSlotTenSlots) {
    int slot = -1;
    ASSERT_TRUE(SaySlot(0.40f, slot));
    EXPECT_EQ(0, slot);
    ASSERT_TRUE(SaySlot(0.44f, slot));
    EXPECT_EQ(1, slot);
    ASSERT_TRUE(SaySlot(0.42f, slot));
    EXPECT_EQ(0, slot);
    ASSERT_TRUE(SaySlot(0.78f, slot));  // 78.5 -> 78, 78 / 4 = 19
    EXPECT_EQ(9, slot);
    ASSERT_TRUE(SaySlot(0.355, slot));  // 36 / 4 = 9, not rounded up to slot 0
    EXPECT_EQ(9, slot);
    ASSERT_TRUE(SaySlot(1e30, slot));
    EXPECT_GE(slot, 0);
    EXPECT_LE(slot, 9);
    EXPECT_FALSE(SaySlot(std::numeric_limits<double>::quiet_NaN(), slot));
    EXPECT_FALSE(SaySlot(std::numeric_limits<double>::infinity(), slot));
}

TEST_F(NaoBehaviorTest, SayTellsTheTruncatedPositionInTheOwnSlot) {
    DATA::Unum = "1";
    MyTime::totalTime = 0.40f;
    player.torseLocation = FlagLocation(-1.257f, 0.5f, 0);
    EXPECT_EQ("(say k4q1-1.25y0.5)", ThinkIn(S_Sit, 0));
    player.torseLocation = FlagLocation(3.999f, -0.019f, 0);
    EXPECT_EQ("(say k4q13.99y-0.01)", ThinkIn(S_Sit, 0));
    DATA::Unum = "2";
    EXPECT_EQ("", ThinkIn(S_Sit, 0));
    // A position that is not a number is not told.
    DATA::Unum = "1";
    player.torseLocation = FlagLocation(std::nanf(""), 0.5f, 0);
    EXPECT_EQ("", ThinkIn(S_Sit, 0));
    player.torseLocation = FlagLocation(1, -std::numeric_limits<float>::infinity(), 0);
    EXPECT_EQ("", ThinkIn(S_Sit, 0));
}

}  // namespace
