#include "behavior/strategy.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <utility>

#include "perception/msgparse.h"
#include "walk/inverse.h"
#include "world/data.h"

bool Strategy::findBall = false;

namespace {

// Ball play across decisions: approach (no flag) -> line up (findKick) -> push (findKick and
// findBall); losing the ball or having it pushed away clears the flags.
bool findKick = false;
bool ownerBall = false;
// Arrived at the formation point: set within 0.25 m, kept until 0.4 m away.
bool findMoveGuidePoint = false;
int moveToGoalStep = 0;  // Inverse::stepCount when pushing began
Strategy::TargetState chooseTargetAngle = Strategy::S_BallToTorse_Angle;
float randomAngle = 0;               // bearing of the formation point, degrees
FlagLocation kickToBallLocation;     // ball's field position when the robot reached it
float protectedBallDistance = 1.5f;  // metres: a team mate this close protects the ball

// Turn thresholds, degrees.
const float ROTATEANGLE = 11;
const float ROTATEANGLE14 = 14;
const float ROTATEANGLE30 = 30;
const float ROTATEANGLE20 = 20;
// Metres.
const float SETPTOGOAL = 0.25f;
const float SETPTOBALL = 0.25f;
const float STEP = 0.25f;
const float kickDistanceToBall = 1.0f;
const float keepBallToGoal = 0.08f;

// Walking distance (metres) that stops a little short of something `distance` away.
float ShortOf(float distance) {
    return distance - STEP + 0.04f;
}

void ClearBallPlay() {
    Strategy::findBall = false;
    findKick = false;
    ownerBall = false;
}

}  // namespace

Strategy::Strategy() = default;

Strategy::Strategy(Player player, WorldModel world)
    : myPlayer(std::move(player)), myWorldModel(std::move(world)) {}

Strategy::~Strategy() = default;

Strategy::BallPlayStage Strategy::Stage() {
    if (findBall) return kPush;
    return findKick ? kLineUp : kApproach;
}

// ---------------------------------------------------------------------------------------------
// The decision.

eState Strategy::JudgeState_B() {
    CalMoveGuideCoordinate();
    const eState stumble = JudgeStumble();
    if (stumble != 0) return stumble;
    if (!myHeadVision.IsFindBall(myWorldModel)) return S_HeadRotate;

    // The goalkeeper with hardly a team mate heard keeps its place.
    if (myWorldModel.mFriendPlayHeadMap.size() < 2 && DATA::Unum == "1") {
        const FlagLocation& keeper = DATA::playerGroup[8].location;
        return static_cast<eState>(MoveGuidePointCanBack(keeper.x, keeper.y));
    }

    Player& me = myPlayer;
    if (!me.JudgeNearestTheBall() && !me.JudgeNearerTheBall()) {
        const int r = AllMoveGuidePoint();
        return static_cast<eState>(r != -1 ? r : KickStrategy());
    }

    const bool opponentAtBall = me.OppositePlayToBall(0.5f);
    const bool mateProtects = me.FriendPlayToBall(protectedBallDistance);
    const float ballToGoal = myWorldModel.mBallToGoal.distanceBallToGoal;
    if ((!opponentAtBall && !mateProtects) ||
        (!me.FriendPlayToBall(0.7f) && me.JudgeNearerTheBall()) || me.JudgeNearestTheBall() ||
        findBall) {
        return static_cast<eState>(KickStrategy());
    }
    if (opponentAtBall && !mateProtects && ballToGoal > 3.0f) {
        return static_cast<eState>(BreakBallStrategy());
    }
    if (opponentAtBall && !me.FriendPlayToBall(0.5f) && ballToGoal < 4.0f) {
        return static_cast<eState>(KickStrategy());
    }
    if (mateProtects) {
        // Stand back as a supporter between the ball and the own goal.
        const FlagLocation& guard = me.KickBallLocation;
        return static_cast<eState>(
            MoveGuidePointCanBack(std::max(DATA::playerGroup[8].location.x, guard.x), guard.y));
    }
    return S_Judge;
}

eState Strategy::JudgeStumble() {
    // Third row of the gyro-integrated torso rotation: where the torso's axes point relative
    // to the vertical. x tipping down means face down, up means on the back; y means rolling
    // over to one side.
    const Matrix3& R = myPlayer.RGYRMatrix_Torse.Get();
    if (R[2][0] < -0.8) return S_StandUpForward;
    if (R[2][0] > 0.8) return S_StandUpBack;
    if (R[2][1] > 0.95) return S_Stumble_Left;
    if (R[2][1] < -0.95) return S_Stumble_Right;
    return static_cast<eState>(0);
}

// ---------------------------------------------------------------------------------------------
// Heading for the gait.

float Strategy::ChosenTargetAngle() {
    switch (chooseTargetAngle) {
        case S_BallToTorse_Angle:
            return myPlayer.mBallToTorse.angle;
        case S_BallToTorse_AngleKick:
            return myPlayer.mBallToTorse.angleKick;
        case S_RandomAngle:
            return randomAngle;
        default:
            return myPlayer.mTorseToGoal.angleTorseToGoal +
                   myPlayer.PassOppositePlayer(myWorldModel, "", true);
    }
}

void Strategy::JudgeInverseStepOffsetAngle() {
    targetAngle = ChosenTargetAngle();
    Inverse::rotateAngle = targetAngle;
}

float Strategy::JudgeOffsetAngle() {
    targetAngle = ChosenTargetAngle();
    if (targetAngle > 1) return 2.0f;
    if (targetAngle < -1) return -2.0f;
    return 0.0f;
}

// ---------------------------------------------------------------------------------------------
// Formation.

void Strategy::CalMoveGuideCoordinate() {
    const float L = DATA::FieldLength;
    const float d = myWorldModel.mBallToSelfGoal.distanceBallToGoal;
    // How far (metres) the back points fall back towards the own goal: 1 with the ball in the
    // own third, 0 with it in the opponent half.
    float p;
    if (d < L / 3) {
        p = 1;
    } else if (d > L / 2) {
        p = 0;
    } else {
        p = (L / 2 - d) / (L / 2 - L / 3);
    }
    for (int i = 5; i <= 7; ++i) {
        const FlagLocation& from = DATA::defenseGroup[i - 2].location;
        FlagLocation& to = DATA::playerGroup[i].location;
        to.x = from.x - p;
        to.y = from.y;
    }

    // Turn them about the own goal centre towards the ball's side, by at most 40 degrees.
    const float a = myWorldModel.mBallToSelfGoal.angleBalltoGoal;
    float turn = a > 0 ? -(180 - a) : 180 + a;
    turn = std::clamp(turn, -40.0f, 40.0f);
    const float r = turn * 3.1415926f / 180;
    for (int i = 5; i <= 7; ++i) {
        FlagLocation& point = DATA::playerGroup[i].location;
        const float x = point.x + L / 2, y = point.y;
        point.x = std::cos(r) * x - std::sin(r) * y - L / 2;
        point.y = std::sin(r) * x + std::cos(r) * y;
    }
}

int Strategy::AllMoveGuidePoint() {
    Player& me = myPlayer;
    const int nearestNum = me.GetNearestTheBallNum();
    const int nearerNum = me.GetNearerTheBallNum();
    auto point = [](int i) { return DATA::playerGroup[i].location; };
    // Points 8, 7, ..., 2 each go to the nearest team mate not yet given one; the two nearest
    // to the ball play it and get none.
    int given[7];
    FlagLocation p = point(8);
    given[0] = me.GetNearestPointNum(p.x, p.y, nearestNum, nearerNum);
    p = point(7);
    given[1] = me.GetNearestPointNum(p.x, p.y, nearestNum, nearerNum, given[0]);
    p = point(6);
    given[2] = me.GetNearestPointNum(p.x, p.y, nearestNum, nearerNum, given[0], given[1]);
    p = point(5);
    given[3] = me.GetNearestPointNum(p.x, p.y, nearestNum, nearerNum, given[0], given[1], given[2]);
    p = point(4);
    given[4] = me.GetNearestPointNum(p.x, p.y, nearestNum, nearerNum, given[0], given[1], given[2],
                                     given[3]);
    p = point(3);
    given[5] = me.GetNearestPointNum(p.x, p.y, nearestNum, nearerNum, given[0], given[1], given[2],
                                     given[3], given[4]);
    p = point(2);
    given[6] = me.GetNearestPointNum(p.x, p.y, nearestNum, nearerNum, given[0], given[1], given[2],
                                     given[3], given[4], given[5]);

    // From five exclusions on the own position still counts, so one robot may be named for
    // two points: it takes the first, in the order given out.
    const int own = GlobalGetIntFromString(DATA::Unum);
    for (int k = 0; k < 7; ++k) {
        if (given[k] == own) {
            const FlagLocation target = point(8 - k);
            return MoveGuidePointCanBack(target.x, target.y);
        }
    }
    return -1;
}

int Strategy::FaceTheBall() {
    const int r = JudgeRotateState(static_cast<float>(NormalizeAngle(myPlayer.mBallToTorse.angle)));
    return r == S_Step ? S_Judge : r;
}

int Strategy::MoveGuidePointCanBack(float x, float y) {
    float dx = 0, dy = 0, angle = 0;
    myPlayer.CaculateTorseToRandomPoint(x, y, dx, dy, angle);
    const float distance = std::sqrt(dx * dx + dy * dy);
    const bool ballInOwnGoal =
        myWorldModel.ballLocatoin.ballPredictLocation.x < -DATA::FieldLength / 2;

    if (distance > 0.4f) findMoveGuidePoint = false;
    if (distance < 0.25f) {
        findMoveGuidePoint = true;
        if (ballInOwnGoal && myPlayer.JudgeNearestTheGoal()) return S_KeeperCatch;
        return FaceTheBall();
    }
    if (findMoveGuidePoint) {
        if (ballInOwnGoal) return S_KeeperCatch;
        return FaceTheBall();
    }

    chooseTargetAngle = S_RandomAngle;
    bool isLeft = false;
    if (myPlayer.MissSelfPlayer(myWorldModel, isLeft)) {
        // Step sideways round the team mate in the way.
        Inverse::rotateAngle = 0;
        Inverse::goalDistance = 0;
        Inverse::BeamDistance = isLeft ? 0.06f : -0.06f;
        return S_Step;
    }
    randomAngle = angle;
    if (std::fabs(angle) > 90 && dx < 0) {
        // The point lies behind: walk backwards to it.
        randomAngle = randomAngle > 0 ? randomAngle - 180 : 180 + randomAngle;
    }
    return JudgeRotateStateCanBack(randomAngle, dx, dy);
}

// ---------------------------------------------------------------------------------------------
// Ball play.

int Strategy::KickStrategy() {
    const Player::BallToTorse& ball = myPlayer.mBallToTorse;
    const float dist = ball.distance, ang = ball.angle;
    const FlagLocation& toTorse = myWorldModel.ballLocatoin.ballLocationToTorse;
    const float bx = toTorse.x, by = toTorse.y;

    if (!findBall && !findKick) {  // approach
        chooseTargetAngle = S_BallToTorse_Angle;
        if (dist < 0.25f && std::fabs(ang) < 15) {
            findBall = false;
            findKick = true;
            kickToBallLocation = myWorldModel.ballLocatoin.ballLocatoin;
        } else if (dist > 0.5f && dist < 2.0f && std::fabs(ang) > ROTATEANGLE) {
            return JudgeRotateState(ang, bx - 0.15f, by);
        } else if (dist >= 2.0f) {
            return JudgeRotateState(ang, ShortOf(dist));
        } else if (dist >= 0.5f) {
            return JudgeRotateState(ang, std::min(ShortOf(dist), 0.38f));
        } else {
            return JudgeRotateState(ang, bx - 0.18f, by, ROTATEANGLE);
        }
    }

    bool pushBegins = false;
    if (findKick && !findBall) {  // line up
        if (!(BetweenKickToBall() && std::fabs(by) < 0.12f)) {
            findBall = false;
            findKick = false;
            return S_Step;
        }
        const float offset = static_cast<float>(
            NormalizeAngle(myPlayer.angleTorseToGlobal - myWorldModel.mBallToGoal.angleBalltoGoal));
        chooseTargetAngle = S_BallToTorse_Angle;
        // Mend (the line-up first ended only within the goal's own window): at the ball, a heading
        // within the circle's own tolerance of the way to the goal centre is as near as circling
        // gets: beside a post on the goal line the window between the posts is narrower than that,
        // and the robot would step on the spot for good.
        const bool asNearAsCircling = dist <= 0.25f && std::fabs(offset) < ROTATEANGLE;
        if (!JudgeBallToGoal(offset) && !asNearAsCircling) {
            return JudgeTorse_GoalToBall_Goal(offset, ShortOf(dist));
        }
        if (dist > 0.25f) return JudgeTorse_GoalToBall_Goal(0, ShortOf(dist));
        findBall = true;
        findKick = true;
        ownerBall = true;
        // Mend (the count first ran from the walk's last number whatever came between): the push
        // steps are counted from the step number the walk has before its first push step. A walk
        // already under way counts on; any other state first starts the walk afresh, from step 0
        // (counted from the number left by stopping steps or a circle, the push would stay at its
        // shortest step for as many steps as they numbered).
        moveToGoalStep = NaoBehavior::mState == S_Step ? Inverse::stepCount : 0;
        pushBegins = true;
    }

    // Push.
    chooseTargetAngle = S_BallToTorse_Angle;
    if (!NearBall()) {
        ClearBallPlay();
        kickToBallLocation = myWorldModel.ballLocatoin.ballLocatoin;
        // Lost the ball while pushing: bring the feet together and decide afresh, so that no
        // push step is taken towards a ball that is no longer at the feet.
        return S_Judge;
    }
    if (dist > 0.25f) return JudgeRotateState(ang, dist);
    chooseTargetAngle = S_BallToGoal_AngleTorseToGoal;
    const int steps = pushBegins ? 0 : Inverse::stepCount - moveToGoalStep;
    if (steps <= 1) {
        Inverse::goalDistance = 0.08f;
    } else if (steps <= 3) {
        Inverse::goalDistance = 0.12f;
    } else if (myWorldModel.mBallToGoal.distanceBallToGoal > 1.5f ||
               std::fabs(myWorldModel.mBallToGoal.angleBalltoGoal) > 60) {
        Inverse::goalDistance = 0.16f;
    } else {
        Inverse::goalDistance = 0.24f;
    }
    return S_Step;
}

int Strategy::BreakBallStrategy() {
    const float dist = myPlayer.mBallToTorse.distance, ang = myPlayer.mBallToTorse.angle;
    if (!findKick) {
        chooseTargetAngle = S_BallToTorse_Angle;
        if (!(dist < 0.25f && std::fabs(ang) < ROTATEANGLE)) {
            return JudgeRotateState(ang, dist - STEP + 0.05f);
        }
        findBall = false;
        findKick = true;
        kickToBallLocation = myWorldModel.ballLocatoin.ballLocatoin;
    }
    chooseTargetAngle = S_BallToTorse_Angle;
    if (NearBall()) {
        if (dist > 0.25f) return JudgeRotateState(ang, dist - STEP + 0.05f);
        chooseTargetAngle = S_BallToGoal_AngleTorseToGoal;
        Inverse::goalDistance = Inverse::stepCount - moveToGoalStep < 2 ? 0.08f : 0.16f;
        std::cout << "Inverse::goalDistance  " << Inverse::goalDistance << std::endl;
        return S_Step;
    }
    findBall = false;
    findKick = false;
    kickToBallLocation = myWorldModel.ballLocatoin.ballLocatoin;
    return S_Judge;
}

// ---------------------------------------------------------------------------------------------
// Walking commands.

int Strategy::JudgeRotateState(float angle) {
    Inverse::rotateAngle = angle;
    return std::fabs(angle / ROTATEANGLE14) > 1 ? S_InverseRoatate : S_Step;
}

int Strategy::JudgeRotateState(float angle, float distance) {
    Inverse::rotateAngle = angle;
    Inverse::goalDistance = distance;
    Inverse::BeamDistance = -0.0f;
    return std::fabs(angle / ROTATEANGLE14) > 1 ? S_InverseRoatate : S_Step;
}

int Strategy::JudgeRotateState(float angle, float x, float y) {
    return JudgeRotateState(angle, x, y, 45);
}

int Strategy::JudgeRotateState(float angle, float x, float y, float maxAngle) {
    Inverse::rotateAngle = angle;
    if (std::fabs(angle / maxAngle) > 1) return S_InverseRoatate;
    // A sideways step limits the forward step.
    if (std::fabs(y) > 0.05f && std::fabs(x) > 0.3f) x = x > 0 ? 0.3f : -0.3f;
    Inverse::goalDistance = x;
    Inverse::BeamDistance = y;
    return S_Step;
}

int Strategy::JudgeRotateStateCanBack(float angle, float dx, float dy) {
    const float distance = std::sqrt(dx * dx + dy * dy);
    const bool back = dx < 0;
    int result;
    if (distance > 0.5f && distance < 2.0f && std::fabs(angle) > ROTATEANGLE) {
        result = JudgeRotateState(angle, dx - 0.18f, dy);
    } else if (distance >= 0.5f) {
        float x = ShortOf(back ? -distance : distance);
        if (distance < 2.0f) x = std::clamp(x, -0.38f, 0.38f);
        result = JudgeRotateState(angle, x);
    } else {
        result = JudgeRotateState(angle, dx - 0.18f, dy, ROTATEANGLE);
    }
    if (result == S_Step && back) result = S_BackInverseStep;
    std::cout << "bb " << result << std::endl;
    return result;
}

int Strategy::JudgeTorse_GoalToBall_Goal(float angle, float distance) {
    Inverse::goalDistance = distance;
    Inverse::rotateAngle = angle;
    // Walk round the ball until the heading suits.
    return std::fabs(angle / ROTATEANGLE) >= 1 ? S_InverseBeamCircle : S_Step;
}

// ---------------------------------------------------------------------------------------------
// Predicates.

bool Strategy::NearBall() {
    return myPlayer.mBallToTorse.distance <= 0.25f && std::fabs(myPlayer.mBallToTorse.angle) <= 50;
}

bool Strategy::BetweenKickToBall() {
    const FlagLocation& ball = myWorldModel.ballLocatoin.ballLocatoin;
    const float dx = ball.x - kickToBallLocation.x, dy = ball.y - kickToBallLocation.y;
    return std::sqrt(dx * dx + dy * dy) <= 0.3f;
}

bool Strategy::JudgeBallToGoal(float /*offsetTorse_GoalToBall_Goal*/) {
    const float heading = myPlayer.angleTorseToGlobal;
    const WorldModel::BallToGoal& goal = myWorldModel.mBallToGoal;
    const float toOwnGoal = myWorldModel.mBallToSelfGoal.distanceBallToGoal;
    const float toGoal = goal.distanceBallToGoal;
    if (toOwnGoal < 3.0f && std::fabs(heading) < 85) return true;
    if (toGoal > 4.0f && std::fabs(myPlayer.torseLocation.y) < DATA::FieldWidth / 2 - 2.0f &&
        std::fabs(heading) < 60) {
        return true;
    }
    if (toGoal > 2.0f && goal.angleBallToDownGoal - 20 < heading &&
        heading < goal.angleBallToUpGoal + 20) {
        return true;
    }
    return toGoal <= 2.0f && goal.angleBallToDownGoal < heading && heading < goal.angleBallToUpGoal;
}
