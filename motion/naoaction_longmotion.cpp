// The long choreographed motion of the motion library (class NaoAction): ActionQawTOVK, about
// 95 s of side steps, arm gestures and knee bends played as one chain of 200 keyframes.
//
// The chain runs S_QawTOVK1 ... S_QawTOVK103, S_QawTOVK200, S_QawTOVK104 ... S_QawTOVK129,
// S_QawTOVK0, S_QawTOVK130 ... S_QawTOVK198 and back to S_QawTOVK1, where the motion ends;
// S_QawTOVK199 is never entered. Its 4744 cycles: 68 keyframes of 5 cycles, 58 of 25, 41 of 50,
// 16 of 4, 6 of 75, 5 of 10, 4 of 40, and one each of 80 and 100.
//
// Every keyframe is put together from three parts: the head, the arms and the legs. A value
// of +-Z (0.0001) stands for a straight joint (an exact 0 would hold the joint where it is).
//
// Arm pitch (arml1, armr1): 0 points the arm forward, 90 down along the body, -90 straight up
// (the joint turns the other way round, keyframe convention).

#include <algorithm>
#include <array>

#include "motion/keyframe.h"
#include "motion/naoaction.h"

using namespace keyframe;

namespace {

using Q = NaoAction;

using HeadPart = std::array<double, 2>;  // head1 (pitch), head2 (yaw)
using ArmPart = std::array<double, 8>;   // arml1, armr1, arml2, armr2, arml3, armr3, arml4, armr4
using LegPart = std::array<double, 12>;  // legl1, legr1, ... legl6, legr6

// clang-format off
// A straight joint: a target of zero that does not hold the joint.
const double Z = 0.0001;

const HeadPart kHeadAhead = {Z, Z};
const HeadPart kHeadLeft  = {Z, 45};
const HeadPart kHeadRight = {Z, -45};
const HeadPart kHeadNod   = {-20, Z};

// Left arm down, rolled out and bent; right arm straight out to the side.
const ArmPart kRightArmOut        = {90, Z, 30, -90, Z, Z, -80, Z};
// Left arm out to the side, right elbow bent.
const ArmPart kLeftArmOut         = {100, 100, 90, -Z, Z, Z, -Z, 80};
// As in the origin pose.
const ArmPart kArmsRest           = {120, 120, 20, -20, -80, 80, -80, 80};
const ArmPart kArmsOut            = {Z, Z, 90, -90, Z, Z, -Z, Z};
const ArmPart kArmsForward        = {Z, Z, Z, -Z, Z, Z, -Z, Z};
const ArmPart kArmsUp             = {-90, -90, Z, -Z, Z, Z, -Z, Z};
const ArmPart kArmsDown           = {90, 90, Z, -Z, Z, Z, -Z, Z};
const ArmPart kArmsFlexed         = {90, 90, 60, -60, -90, 90, -90, 90};
// One arm up and the other down, both rolled out and bent; then the lower arm lifted forward
// while the raised elbow is held (0).
const ArmPart kRightUpLeftDown    = {90, -90, 30, -30, Z, Z, -45, 45};
const ArmPart kRightUpLeftForward = {30, -90, 30, -30, Z, Z, -45, 0};
const ArmPart kLeftUpRightDown    = {-90, 90, 30, -30, Z, Z, -45, 45};
const ArmPart kLeftUpRightForward = {-90, 30, 30, -30, Z, Z, 0, 45};
// The closing poses: the arms forward of the body, the elbows slightly bent.
const ArmPart kArmsClosing80      = {80, 80, Z, -Z, Z, Z, -25, 25};
const ArmPart kArmsClosing90      = {90, 90, Z, -Z, Z, Z, -25, 25};

const LegPart kStance     = {Z,    Z,    Z,    Z,  -30,  -30,   60,   60,  -30,  -30,    Z,    Z};
const LegPart kStraight   = {Z,    Z,    Z,    Z,   -Z,   -Z,    Z,    Z,   -Z,   -Z,    Z,    Z};
// Side-step triplet lifting the right foot: lift, slide, then the stance closes the feet.
const LegPart kLiftRight  = {Z,    Z,    Z,    Z,  -30,  -35,   60,   70,  -30,  -35,    Z,    Z};
const LegPart kSlideRight = {Z,    Z,    Z,  -10,  -30,  -35,   60,   70,  -30,  -35, -6.1,    Z};
// Its mirror, lifting the left foot.
const LegPart kLiftLeft   = {Z,    Z,    Z,    Z,  -35,  -30,   70,   60,  -35,  -30,    Z,    Z};
const LegPart kSlideLeft  = {Z,    Z,   10,    Z,  -35,  -30,   70,   60,  -35,  -30,    Z,  6.1};
// Knee bobs with the hips rolled out.
const LegPart kDeepBob    = {Z,    Z,   10,  -10,  -30,  -30,   60,   60,  -30,  -30,   -5,    5};
const LegPart kShallowBob = {Z,    Z,   10,  -10,  -15,  -15,   30,   30,  -15,  -15,   -5,    5};
// Straight knees, bent forward at the hips.
const LegPart kHipBend    = {Z,    Z,    Z,    Z,  -35,  -35,    Z,    Z,   -Z,   -Z,    Z,    Z};

struct QawRow {
    int phase;
    double cycles;
    HeadPart head;
    ArmPart arms;
    LegPart legs;
};

// The keyframes in the order they are played; each hands over to the next row, the last one
// to the first.
const QawRow kQawRows[200] = {
    // Side-step triplets lifting the right foot (lift, slide, close), the right arm out to the
    // side; first into the stance.
    {Q::S_QawTOVK1, 10, kHeadAhead, kRightArmOut, kStance},
    {Q::S_QawTOVK2, 5, kHeadAhead, kRightArmOut, kLiftRight},
    {Q::S_QawTOVK3, 5, kHeadAhead, kRightArmOut, kSlideRight},
    {Q::S_QawTOVK4, 5, kHeadAhead, kRightArmOut, kStance},
    {Q::S_QawTOVK5, 5, kHeadAhead, kRightArmOut, kLiftRight},
    {Q::S_QawTOVK6, 5, kHeadAhead, kRightArmOut, kSlideRight},
    {Q::S_QawTOVK7, 5, kHeadAhead, kRightArmOut, kStance},
    {Q::S_QawTOVK8, 5, kHeadAhead, kRightArmOut, kLiftRight},
    {Q::S_QawTOVK9, 5, kHeadAhead, kRightArmOut, kSlideRight},
    {Q::S_QawTOVK10, 5, kHeadAhead, kRightArmOut, kStance},
    {Q::S_QawTOVK11, 5, kHeadAhead, kRightArmOut, kLiftRight},
    {Q::S_QawTOVK12, 5, kHeadAhead, kRightArmOut, kSlideRight},
    {Q::S_QawTOVK13, 5, kHeadAhead, kRightArmOut, kStance},
    {Q::S_QawTOVK14, 5, kHeadAhead, kRightArmOut, kLiftRight},
    {Q::S_QawTOVK15, 5, kHeadAhead, kRightArmOut, kSlideRight},
    {Q::S_QawTOVK16, 5, kHeadAhead, kRightArmOut, kStance},
    {Q::S_QawTOVK17, 5, kHeadAhead, kRightArmOut, kLiftRight},
    {Q::S_QawTOVK18, 5, kHeadAhead, kRightArmOut, kSlideRight},
    {Q::S_QawTOVK19, 5, kHeadAhead, kRightArmOut, kStance},
    // Arm gestures: the arms come down to the sides, the legs straighten.
    {Q::S_QawTOVK20, 25, kHeadAhead, kArmsRest, kStance},
    {Q::S_QawTOVK21, 50, kHeadAhead, kArmsRest, kStraight},
    // Mirrored side-step triplets lifting the left foot, the left arm out to the side; first the
    // long keyframe into that arm pose and the one into the stance.
    {Q::S_QawTOVK22, 80, kHeadAhead, kLeftArmOut, kStraight},
    {Q::S_QawTOVK23, 10, kHeadAhead, kLeftArmOut, kStance},
    {Q::S_QawTOVK24, 5, kHeadAhead, kLeftArmOut, kLiftLeft},
    {Q::S_QawTOVK25, 4, kHeadAhead, kLeftArmOut, kSlideLeft},
    {Q::S_QawTOVK26, 5, kHeadAhead, kLeftArmOut, kStance},
    {Q::S_QawTOVK27, 5, kHeadAhead, kLeftArmOut, kLiftLeft},
    {Q::S_QawTOVK28, 4, kHeadAhead, kLeftArmOut, kSlideLeft},
    {Q::S_QawTOVK29, 5, kHeadAhead, kLeftArmOut, kStance},
    {Q::S_QawTOVK30, 5, kHeadAhead, kLeftArmOut, kLiftLeft},
    {Q::S_QawTOVK31, 4, kHeadAhead, kLeftArmOut, kSlideLeft},
    {Q::S_QawTOVK32, 5, kHeadAhead, kLeftArmOut, kStance},
    {Q::S_QawTOVK33, 5, kHeadAhead, kLeftArmOut, kLiftLeft},
    {Q::S_QawTOVK34, 4, kHeadAhead, kLeftArmOut, kSlideLeft},
    {Q::S_QawTOVK35, 5, kHeadAhead, kLeftArmOut, kStance},
    {Q::S_QawTOVK36, 5, kHeadAhead, kLeftArmOut, kLiftLeft},
    {Q::S_QawTOVK37, 4, kHeadAhead, kLeftArmOut, kSlideLeft},
    {Q::S_QawTOVK38, 5, kHeadAhead, kLeftArmOut, kStance},
    {Q::S_QawTOVK39, 5, kHeadAhead, kLeftArmOut, kLiftLeft},
    {Q::S_QawTOVK40, 4, kHeadAhead, kLeftArmOut, kSlideLeft},
    {Q::S_QawTOVK41, 5, kHeadAhead, kLeftArmOut, kStance},
    {Q::S_QawTOVK42, 5, kHeadAhead, kLeftArmOut, kLiftLeft},
    {Q::S_QawTOVK43, 4, kHeadAhead, kLeftArmOut, kSlideLeft},
    {Q::S_QawTOVK44, 5, kHeadAhead, kLeftArmOut, kStance},
    {Q::S_QawTOVK45, 5, kHeadAhead, kLeftArmOut, kLiftLeft},
    {Q::S_QawTOVK46, 4, kHeadAhead, kLeftArmOut, kSlideLeft},
    {Q::S_QawTOVK47, 5, kHeadAhead, kLeftArmOut, kStance},
    // Arm gestures over the stance: one arm up and the other down, then lifted forward.
    {Q::S_QawTOVK48, 50, kHeadAhead, kArmsRest, kStance},
    {Q::S_QawTOVK49, 25, kHeadAhead, kArmsOut, kStance},
    {Q::S_QawTOVK50, 25, kHeadAhead, kRightUpLeftDown, kStance},
    {Q::S_QawTOVK51, 25, kHeadAhead, kRightUpLeftForward, kStance},
    {Q::S_QawTOVK52, 25, kHeadAhead, kRightUpLeftDown, kStance},
    {Q::S_QawTOVK53, 25, kHeadAhead, kRightUpLeftForward, kStance},
    {Q::S_QawTOVK54, 25, kHeadAhead, kLeftUpRightDown, kStance},
    {Q::S_QawTOVK55, 25, kHeadAhead, kLeftUpRightForward, kStance},
    {Q::S_QawTOVK56, 25, kHeadAhead, kLeftUpRightDown, kStance},
    {Q::S_QawTOVK57, 25, kHeadAhead, kLeftUpRightForward, kStance},
    {Q::S_QawTOVK58, 50, kHeadAhead, kArmsRest, kStance},
    // Arm gestures over straight legs: the arms forward, up, out to the sides and down.
    {Q::S_QawTOVK59, 50, kHeadAhead, kArmsForward, kStraight},
    {Q::S_QawTOVK60, 50, kHeadAhead, kArmsUp, kStraight},
    {Q::S_QawTOVK61, 25, kHeadAhead, kArmsOut, kStraight},
    {Q::S_QawTOVK62, 25, kHeadAhead, kArmsRest, kStraight},
    {Q::S_QawTOVK63, 50, kHeadAhead, kArmsForward, kStraight},
    {Q::S_QawTOVK64, 50, kHeadAhead, kArmsUp, kStraight},
    {Q::S_QawTOVK65, 25, kHeadAhead, kArmsOut, kStraight},
    {Q::S_QawTOVK66, 25, kHeadAhead, kArmsRest, kStraight},
    {Q::S_QawTOVK67, 50, kHeadAhead, kArmsForward, kStraight},
    {Q::S_QawTOVK68, 50, kHeadAhead, kArmsUp, kStraight},
    {Q::S_QawTOVK69, 25, kHeadAhead, kArmsOut, kStraight},
    {Q::S_QawTOVK70, 25, kHeadAhead, kArmsRest, kStraight},
    // Arm gestures over the stance: arms out, the head turned to either side.
    {Q::S_QawTOVK71, 40, kHeadLeft, kArmsOut, kStance},
    {Q::S_QawTOVK72, 40, kHeadRight, kArmsOut, kStance},
    {Q::S_QawTOVK73, 40, kHeadLeft, kArmsOut, kStance},
    {Q::S_QawTOVK74, 40, kHeadRight, kArmsOut, kStance},
    // Arm gestures over the stance: the arms flexed and let down.
    {Q::S_QawTOVK75, 50, kHeadAhead, kArmsFlexed, kStance},
    {Q::S_QawTOVK76, 50, kHeadAhead, kArmsRest, kStance},
    {Q::S_QawTOVK77, 50, kHeadAhead, kArmsFlexed, kStance},
    {Q::S_QawTOVK78, 50, kHeadAhead, kArmsRest, kStance},
    {Q::S_QawTOVK79, 50, kHeadAhead, kArmsFlexed, kStance},
    {Q::S_QawTOVK80, 50, kHeadAhead, kArmsRest, kStance},
    {Q::S_QawTOVK81, 50, kHeadAhead, kArmsFlexed, kStance},
    {Q::S_QawTOVK82, 50, kHeadAhead, kArmsRest, kStance},
    // Arm gestures over straight legs: one arm up and the other down, then lifted forward.
    {Q::S_QawTOVK83, 25, kHeadAhead, kRightUpLeftDown, kStraight},
    {Q::S_QawTOVK84, 25, kHeadAhead, kRightUpLeftForward, kStraight},
    {Q::S_QawTOVK85, 25, kHeadAhead, kLeftUpRightDown, kStraight},
    {Q::S_QawTOVK86, 25, kHeadAhead, kLeftUpRightForward, kStraight},
    {Q::S_QawTOVK87, 25, kHeadAhead, kRightUpLeftDown, kStraight},
    {Q::S_QawTOVK88, 25, kHeadAhead, kRightUpLeftForward, kStraight},
    {Q::S_QawTOVK89, 25, kHeadAhead, kLeftUpRightDown, kStraight},
    {Q::S_QawTOVK90, 25, kHeadAhead, kLeftUpRightForward, kStraight},
    {Q::S_QawTOVK91, 25, kHeadAhead, kRightUpLeftDown, kStraight},
    {Q::S_QawTOVK92, 25, kHeadAhead, kRightUpLeftForward, kStraight},
    {Q::S_QawTOVK93, 25, kHeadAhead, kLeftUpRightDown, kStraight},
    {Q::S_QawTOVK94, 25, kHeadAhead, kLeftUpRightForward, kStraight},
    // Arm gestures over straight legs: slow reaches, a nod at the top.
    {Q::S_QawTOVK95, 50, kHeadAhead, kArmsForward, kStraight},
    {Q::S_QawTOVK96, 75, kHeadAhead, kArmsUp, kStraight},
    {Q::S_QawTOVK97, 50, kHeadAhead, kArmsUp, kStraight},
    {Q::S_QawTOVK98, 50, kHeadAhead, kArmsForward, kStraight},
    {Q::S_QawTOVK99, 50, kHeadAhead, kArmsRest, kStraight},
    {Q::S_QawTOVK100, 25, kHeadAhead, kArmsOut, kStraight},
    {Q::S_QawTOVK101, 50, kHeadAhead, kArmsForward, kStraight},
    {Q::S_QawTOVK102, 50, kHeadAhead, kArmsUp, kStraight},
    {Q::S_QawTOVK103, 50, kHeadAhead, kArmsUp, kStraight},
    {Q::S_QawTOVK200, 10, kHeadNod, kArmsUp, kStraight},
    {Q::S_QawTOVK104, 50, kHeadAhead, kArmsForward, kStraight},
    {Q::S_QawTOVK105, 50, kHeadAhead, kArmsRest, kStraight},
    // Arm gestures over the stance: the arms flexed and let down.
    {Q::S_QawTOVK106, 50, kHeadAhead, kArmsFlexed, kStance},
    {Q::S_QawTOVK107, 50, kHeadAhead, kArmsRest, kStance},
    {Q::S_QawTOVK108, 50, kHeadAhead, kArmsFlexed, kStance},
    {Q::S_QawTOVK109, 50, kHeadAhead, kArmsRest, kStance},
    {Q::S_QawTOVK110, 25, kHeadAhead, kArmsOut, kStance},
    {Q::S_QawTOVK111, 25, kHeadAhead, kArmsRest, kStance},
    {Q::S_QawTOVK112, 50, kHeadAhead, kArmsRest, kStance},
    {Q::S_QawTOVK113, 25, kHeadAhead, kRightArmOut, kStance},
    // Side-step triplets lifting the right foot again, the right arm out.
    {Q::S_QawTOVK114, 10, kHeadAhead, kRightArmOut, kStance},
    {Q::S_QawTOVK115, 5, kHeadAhead, kRightArmOut, kLiftRight},
    {Q::S_QawTOVK116, 5, kHeadAhead, kRightArmOut, kSlideRight},
    {Q::S_QawTOVK117, 5, kHeadAhead, kRightArmOut, kStance},
    {Q::S_QawTOVK118, 5, kHeadAhead, kRightArmOut, kLiftRight},
    {Q::S_QawTOVK119, 5, kHeadAhead, kRightArmOut, kSlideRight},
    {Q::S_QawTOVK120, 5, kHeadAhead, kRightArmOut, kStance},
    {Q::S_QawTOVK121, 5, kHeadAhead, kRightArmOut, kLiftRight},
    {Q::S_QawTOVK122, 5, kHeadAhead, kRightArmOut, kSlideRight},
    {Q::S_QawTOVK123, 5, kHeadAhead, kRightArmOut, kStance},
    {Q::S_QawTOVK124, 5, kHeadAhead, kRightArmOut, kLiftRight},
    {Q::S_QawTOVK125, 5, kHeadAhead, kRightArmOut, kSlideRight},
    {Q::S_QawTOVK126, 5, kHeadAhead, kRightArmOut, kStance},
    {Q::S_QawTOVK127, 5, kHeadAhead, kRightArmOut, kLiftRight},
    {Q::S_QawTOVK128, 5, kHeadAhead, kRightArmOut, kSlideRight},
    {Q::S_QawTOVK129, 5, kHeadAhead, kRightArmOut, kStance},
    {Q::S_QawTOVK0, 5, kHeadAhead, kRightArmOut, kLiftRight},
    {Q::S_QawTOVK130, 5, kHeadAhead, kRightArmOut, kSlideRight},
    {Q::S_QawTOVK131, 5, kHeadAhead, kRightArmOut, kStance},
    // Mirrored side-step triplets again, the left arm out; first the arms down over straight
    // legs, the long keyframe into that arm pose and the one into the stance.
    {Q::S_QawTOVK132, 50, kHeadAhead, kArmsRest, kStraight},
    {Q::S_QawTOVK133, 100, kHeadAhead, kLeftArmOut, kStraight},
    {Q::S_QawTOVK134, 10, kHeadAhead, kLeftArmOut, kStance},
    {Q::S_QawTOVK135, 5, kHeadAhead, kLeftArmOut, kLiftLeft},
    {Q::S_QawTOVK136, 4, kHeadAhead, kLeftArmOut, kSlideLeft},
    {Q::S_QawTOVK137, 5, kHeadAhead, kLeftArmOut, kStance},
    {Q::S_QawTOVK138, 5, kHeadAhead, kLeftArmOut, kLiftLeft},
    {Q::S_QawTOVK139, 4, kHeadAhead, kLeftArmOut, kSlideLeft},
    {Q::S_QawTOVK140, 5, kHeadAhead, kLeftArmOut, kStance},
    {Q::S_QawTOVK141, 5, kHeadAhead, kLeftArmOut, kLiftLeft},
    {Q::S_QawTOVK142, 4, kHeadAhead, kLeftArmOut, kSlideLeft},
    {Q::S_QawTOVK143, 5, kHeadAhead, kLeftArmOut, kStance},
    {Q::S_QawTOVK144, 5, kHeadAhead, kLeftArmOut, kLiftLeft},
    {Q::S_QawTOVK145, 4, kHeadAhead, kLeftArmOut, kSlideLeft},
    {Q::S_QawTOVK146, 5, kHeadAhead, kLeftArmOut, kStance},
    {Q::S_QawTOVK147, 5, kHeadAhead, kLeftArmOut, kLiftLeft},
    {Q::S_QawTOVK148, 4, kHeadAhead, kLeftArmOut, kSlideLeft},
    {Q::S_QawTOVK149, 5, kHeadAhead, kLeftArmOut, kStance},
    {Q::S_QawTOVK150, 5, kHeadAhead, kLeftArmOut, kLiftLeft},
    {Q::S_QawTOVK151, 4, kHeadAhead, kLeftArmOut, kSlideLeft},
    {Q::S_QawTOVK152, 5, kHeadAhead, kLeftArmOut, kStance},
    {Q::S_QawTOVK153, 5, kHeadAhead, kLeftArmOut, kLiftLeft},
    {Q::S_QawTOVK154, 4, kHeadAhead, kLeftArmOut, kSlideLeft},
    {Q::S_QawTOVK155, 5, kHeadAhead, kLeftArmOut, kStance},
    {Q::S_QawTOVK156, 5, kHeadAhead, kLeftArmOut, kLiftLeft},
    {Q::S_QawTOVK157, 4, kHeadAhead, kLeftArmOut, kSlideLeft},
    {Q::S_QawTOVK158, 5, kHeadAhead, kLeftArmOut, kStance},
    // Arm gestures over the stance: the arms down, one arm up, then the hips roll out.
    {Q::S_QawTOVK159, 50, kHeadAhead, kArmsRest, kStance},
    {Q::S_QawTOVK160, 25, kHeadAhead, kRightUpLeftDown, kStance},
    {Q::S_QawTOVK161, 25, kHeadAhead, kRightUpLeftForward, kStance},
    {Q::S_QawTOVK162, 25, kHeadAhead, kRightUpLeftDown, kStance},
    {Q::S_QawTOVK163, 25, kHeadAhead, kRightUpLeftForward, kStance},
    {Q::S_QawTOVK164, 25, kHeadAhead, kRightUpLeftDown, kStance},
    {Q::S_QawTOVK165, 25, kHeadAhead, kRightUpLeftForward, kStance},
    {Q::S_QawTOVK166, 25, kHeadAhead, kArmsRest, kDeepBob},
    // Knee bobs, the hips rolled: deep with the arms up, shallow with the arms down.
    {Q::S_QawTOVK167, 50, kHeadAhead, kArmsUp, kDeepBob},
    {Q::S_QawTOVK168, 25, kHeadAhead, kArmsDown, kShallowBob},
    {Q::S_QawTOVK169, 50, kHeadAhead, kArmsUp, kDeepBob},
    {Q::S_QawTOVK170, 25, kHeadAhead, kArmsDown, kShallowBob},
    {Q::S_QawTOVK171, 50, kHeadAhead, kArmsUp, kDeepBob},
    {Q::S_QawTOVK172, 25, kHeadAhead, kArmsDown, kShallowBob},
    // Arm gestures over straight legs: one arm up and the other down, then reaches.
    {Q::S_QawTOVK173, 50, kHeadAhead, kArmsRest, kStance},
    {Q::S_QawTOVK174, 25, kHeadAhead, kLeftUpRightDown, kStraight},
    {Q::S_QawTOVK175, 25, kHeadAhead, kLeftUpRightForward, kStraight},
    {Q::S_QawTOVK176, 25, kHeadAhead, kRightUpLeftDown, kStraight},
    {Q::S_QawTOVK177, 25, kHeadAhead, kRightUpLeftForward, kStraight},
    {Q::S_QawTOVK178, 25, kHeadAhead, kLeftUpRightDown, kStraight},
    {Q::S_QawTOVK179, 25, kHeadAhead, kLeftUpRightForward, kStraight},
    {Q::S_QawTOVK180, 25, kHeadAhead, kRightUpLeftDown, kStraight},
    {Q::S_QawTOVK181, 25, kHeadAhead, kRightUpLeftForward, kStraight},
    {Q::S_QawTOVK182, 50, kHeadAhead, kArmsForward, kStraight},
    {Q::S_QawTOVK183, 50, kHeadAhead, kArmsUp, kStraight},
    {Q::S_QawTOVK184, 25, kHeadAhead, kArmsOut, kStraight},
    {Q::S_QawTOVK185, 25, kHeadAhead, kArmsRest, kStraight},
    // Arm gestures over straight legs: quick flexes.
    {Q::S_QawTOVK186, 25, kHeadAhead, kArmsFlexed, kStraight},
    {Q::S_QawTOVK187, 25, kHeadAhead, kArmsRest, kStraight},
    {Q::S_QawTOVK188, 25, kHeadAhead, kArmsFlexed, kStraight},
    {Q::S_QawTOVK189, 25, kHeadAhead, kArmsRest, kStraight},
    {Q::S_QawTOVK190, 25, kHeadAhead, kArmsFlexed, kStraight},
    {Q::S_QawTOVK191, 25, kHeadAhead, kArmsRest, kStraight},
    // Arm gestures: slowly into the closing pose.
    {Q::S_QawTOVK192, 50, kHeadAhead, kArmsRest, kStance},
    {Q::S_QawTOVK193, 75, kHeadAhead, kArmsClosing80, kStance},
    {Q::S_QawTOVK194, 75, kHeadAhead, kArmsClosing80, kStraight},
    {Q::S_QawTOVK195, 50, kHeadAhead, kArmsClosing90, kStraight},
    // Closing: the head turned, the arms forward, a bow at the hips, then upright.
    {Q::S_QawTOVK196, 75, kHeadRight, kArmsClosing80, kHipBend},
    {Q::S_QawTOVK197, 75, kHeadRight, kArmsClosing90, kHipBend},
    {Q::S_QawTOVK198, 75, kHeadRight, kArmsClosing90, kStraight},
};
// clang-format on

std::array<Keyframe, 200> BuildQawTOVK() {
    std::array<Keyframe, 200> table{};
    for (std::size_t i = 0; i < table.size(); ++i) {
        const QawRow& row = kQawRows[i];
        NaoAction::KeyframePose pose{};
        std::copy(row.head.begin(), row.head.end(), pose.begin());
        std::copy(row.arms.begin(), row.arms.end(), pose.begin() + kp::arml1);
        std::copy(row.legs.begin(), row.legs.end(), pose.begin() + kp::legl1);
        table[i] = {row.phase, row.cycles, kQawRows[(i + 1) % table.size()].phase, pose};
    }
    return table;
}

const std::array<Keyframe, 200> kQawTOVK = BuildQawTOVK();

}  // namespace

bool NaoAction::ActionQawTOVK(std::stringstream& ss, int& tempCounter) {
    return RunMotion(*this, kQawTOVK, mQawTOVK, ss, tempCounter, UnknownPhase::Ignore);
}
