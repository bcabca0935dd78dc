// Team reasoning: nearest to the ball, the goal and a point; who is near the ball or in the way.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "body/player.h"
#include "walk/inverse.h"
#include "world/data.h"

namespace {

struct Mate {
    const char* key;
    float x, y;
};

class PlayerTeamTest : public ::testing::Test {
  protected:
    void SetUp() override {
        DATA::Unum = "4";
        player.myWorldModelTemp.ballLocatoin.ballLocatoin = FlagLocation(0, 0, 0.04f);
        player.torseLocation = FlagLocation(-1, 0, 0.38f);
        player.mBallToTorse.distance = 1;
    }
    void TearDown() override {
        DATA::Unum = "1";
        world.mOppositePlayHeadToSelfMap.clear();
        Pass();  // resets the static correction of PassOppositePlayer
    }
    void Hear(std::vector<Mate> mates) {
        player.myWorldModelTemp.mFriendPlayHeadMap.clear();
        for (const Mate& m : mates)
            player.myWorldModelTemp.mFriendPlayHeadMap[m.key] = {FlagLocation(m.x, m.y, 0), 1};
    }
    // An opponent's head relative to the own torso; the bearing follows from the position.
    void SeeOpponent(const std::string& key, float x, float y) {
        world.mOppositePlayHeadToSelfMap[key] = {FlagLocation(x, y, 0.2f),
                                                 static_cast<float>(std::atan2(y, x) * 180 / M_PI)};
    }
    float Pass() { return player.PassOppositePlayer(world, "unused", false); }

    Player player;
    WorldModel world;
};

TEST_F(PlayerTeamTest, NearestAndSecondNearestToTheBall) {
    // Own distance to the ball is 1.0; the ball at the centre spot.
    const struct Case {
        const char* what;
        std::vector<Mate> mates;
        bool nearest, nearer;
        int nearestNum, nearerNum;
    } cases[] = {
        {"a tie counts as nearest", {{"3", 1, 0}}, true, false, 4, 3},
        {"mates' ties go to the lower key", {{"2", 0.5f, 0}, {"6", 0, 0.5f}}, false, false, 2, 6},
        {"self second", {{"2", 3, 0}, {"5", 0.2f, 0}, {"8", 0, 2}}, false, true, 5, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Hear(c.mates);
        EXPECT_EQ(c.nearest, player.JudgeNearestTheBall());
        EXPECT_EQ(c.nearer, player.JudgeNearerTheBall());
        EXPECT_EQ(c.nearestNum, player.GetNearestTheBallNum());
        EXPECT_EQ(c.nearerNum, player.GetNearerTheBallNum());
    }
}

TEST_F(PlayerTeamTest, NearestToTheOwnGoalUsesTheOwnPositionRoundedNearZero) {
    Hear({{"1", -10.1f, 0}});
    EXPECT_FALSE(player.JudgeNearestTheGoal());
    player.torseLocation = FlagLocation(-10.1f, 0.005f, 0);  // y rounds to 0: a tie
    EXPECT_TRUE(player.JudgeNearestTheGoal());
}

TEST_F(PlayerTeamTest, NearestToAPointSkipsTheNumbersGivenOut) {
    // Own number 4 at (-1, 0). Point (0, 0); mates 2 and 5 both 0.5 away, 7 at 2 m.
    Hear({{"2", 0.5f, 0}, {"5", 0, -0.5f}, {"7", 2, 0}});
    Player& p = player;
    const struct Case {
        const char* what;
        int got, want;
    } cases[] = {
        {"nothing excluded: the lower key of a tie", p.GetNearestPointNum(0, 0, 0, 0), 2},
        {"self among four numbers: left out", p.GetNearestPointNum(0, 0, 2, 5, 4, 0), 7},
        {"self among five numbers: counts", p.GetNearestPointNum(0, 0, 2, 5, 4, 0, 0), 4},
        {"eight: every mate excluded", p.GetNearestPointNum(0, 0, 2, 5, 4, 7, 0, 0, 0, 0), 4},
        {"none left: own number", p.GetNearestPointNum(0, 0, 2, 5, 4, 7), 4},
        {"a point nearer to 7", p.GetNearestPointNum(1.8f, 0.005f, 0, 0), 7},
    };
    for (const Case& c : cases) EXPECT_EQ(c.want, c.got) << c.what;
}

TEST_F(PlayerTeamTest, TeamMateInTheWay) {
    const struct Case {
        float x, y, bearing;
        bool blocks, isLeft;
    } cases[] = {
        {0.43f, 0.25f, 30, true, false},   // ahead on the left: pass it on the right
        {0.43f, -0.25f, -30, true, true},  // ahead on the right: pass on the left
        {0.17f, 0.47f, 70, false, false},  // too far to the side
        {0.5f, 0, 1e-6f, false, false},    // a bearing of zero is taken as no sighting
        {65535, 65535, 0, false, false},   // not current
    };
    for (const Case& c : cases) {
        world.mSelfPlayHeadToSelfMap.clear();
        world.mSelfPlayHeadToSelfMap["3"] = {FlagLocation(c.x, c.y, 0), c.bearing};
        // Written only when a team mate blocks the way.
        const bool before = !c.isLeft;
        bool isLeft = before;
        EXPECT_EQ(c.blocks, player.MissSelfPlayer(world, isLeft)) << c.bearing;
        EXPECT_EQ(c.blocks ? c.isLeft : before, isLeft) << c.bearing;
    }
}

TEST_F(PlayerTeamTest, PassingAnOpponentGrowsTheCorrectionAndResetsOnceTheWayIsClear) {
    SeeOpponent("5", 1.41f, -0.51f);  // 1.5 m ahead on the right, bearing -20
    for (float want = 10; want <= 80; want += 10) {
        EXPECT_FLOAT_EQ(want, Pass());
        EXPECT_FLOAT_EQ(0.05f, Inverse::BeamDistance);
    }
    Inverse::BeamDistance = 0.01f;
    EXPECT_FLOAT_EQ(80, Pass());  // at the limit: nothing written
    EXPECT_FLOAT_EQ(0.01f, Inverse::BeamDistance);
    SeeOpponent("5", 2.0f, -0.73f);  // 2.1 m away: the way is clear
    EXPECT_FLOAT_EQ(0, Pass());
    EXPECT_EQ(0, Inverse::BeamDistance);
    EXPECT_TRUE(std::signbit(Inverse::BeamDistance));

    // On the left the correction goes the other way.
    SeeOpponent("5", 1, 0.3f);
    EXPECT_FLOAT_EQ(-10, Pass());
    EXPECT_FLOAT_EQ(-0.05f, Inverse::BeamDistance);
    EXPECT_FLOAT_EQ(-20, Pass());
}

}  // namespace
