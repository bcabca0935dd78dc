// The behaviour's recoveries, one cycle at a time: the motion of the state, the origin-pose
// hold after a get-up, the stopped cycles of deciding again.

#include "tools/skillprobe/recovery.h"

#include <sstream>

#include "motion/keyframe.h"

namespace skillprobe {

bool Recovery::Cycle(Robot& robot) {
    std::stringstream ss;
    NaoAction& a = robot.action;
    if (stage_ == kMotion) {
        bool done = false;
        switch (state_) {
            case S_StandUpForward:
                done = a.ActionStandFaceFloor(ss, counter_);
                break;
            case S_StandUpBack:
                done = a.ActionStandFaceSky(ss, counter_);
                break;
            case S_Stumble_Left:
                done = a.ActionStumble_Left(ss, counter_);
                break;
            case S_Stumble_Right:
                done = a.ActionStumble_Right(ss, counter_);
                break;
            case S_KeeperCatch:
                done = a.ActionKeeperCatch(ss, counter_);
                break;
            default:
                done = true;
                break;
        }
        if (done) {
            motionCycles_ = cycles_ + 1;
            // Get-ups hold the origin pose; the others stop and decide again.
            const bool getUp = state_ == S_StandUpForward || state_ == S_StandUpBack;
            stage_ = getUp ? kOrigin : kJudge;
        }
    } else if (stage_ == kOrigin) {
        if (a.ActionState(0, 1, ss, kOriginPose, counter_, 10) == 1) stage_ = kJudge;
    } else {
        // Every joint stopped until the counter reaches 2, as in S_Judge.
        ss << a.TranslateAngleToMsg(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                    0);
        if (counter_ == 2) {
            a.SetTempAngleChangleInit();
            stage_ = kOver;
        }
    }
    robot.Reply(ss.str());
    ++counter_;
    ++cycles_;
    return stage_ == kOver;
}

}  // namespace skillprobe
