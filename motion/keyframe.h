#ifndef MOTION_KEYFRAME_H
#define MOTION_KEYFRAME_H

// What the motion library's source files share: keyframe tables as data (the parameter
// indices, poses built from a few targets, one row per phase), the two recurring poses, and the
// one cycle of a table-driven motion. Internal to motion/.

#include <array>
#include <cstddef>
#include <initializer_list>
#include <sstream>

#include "motion/naoaction.h"

namespace keyframe {

inline const int StandUpFaceSkyCircle = 50;  // default cycles of the last face-up get-up keyframe
inline const int StandUpFaceFloorCircle =
    20;  // default cycles of the last face-down get-up keyframe

// Index of each keyframe parameter in NaoAction::KeyframePose.
namespace kp {
// clang-format off
enum Param {
    head1, head2, arml1, armr1, arml2, armr2, arml3, armr3, arml4, armr4,
    legl1, legr1, legl2, legr2, legl3, legr3, legl4, legr4, legl5, legr5, legl6, legr6
};
// clang-format on
}  // namespace kp

// Keyframe tables: one row per phase, in phase order.
struct Target {
    kp::Param param;
    double degrees;
};

// `base` with the listed targets replaced; a parameter left out keeps the base value (0 holds).
inline NaoAction::KeyframePose Pose(std::initializer_list<Target> targets,
                                    NaoAction::KeyframePose base = {}) {
    for (const Target& target : targets) base[target.param] = target.degrees;
    return base;
}

struct Keyframe {
    int phase;
    double cycles;
    int next;
    NaoAction::KeyframePose pose;
};

using NA = NaoAction;

inline const NaoAction::KeyframePose kOriginPose =
    Pose({{kp::head1, -30},     {kp::head2, 0.001}, {kp::arml1, 120},    {kp::armr1, 120},
          {kp::arml2, 20},      {kp::armr2, -20},   {kp::arml3, -80},    {kp::armr3, 80},
          {kp::arml4, -80},     {kp::armr4, 80},    {kp::legl1, -0.001}, {kp::legr1, -0.001},
          {kp::legl2, -0.001},  {kp::legr2, 0.001}, {kp::legl3, -24.5},  {kp::legr3, -24.5},
          {kp::legl4, 77},      {kp::legr4, 77},    {kp::legl5, -52.49}, {kp::legr5, -52.49},
          {kp::legl6, -0.0001}, {kp::legr6, -0.001}});

// The head is held.
inline const NaoAction::KeyframePose kWalkReadyPose =
    Pose({{kp::arml1, 120},   {kp::armr1, 120},   {kp::arml2, 20},     {kp::armr2, -20},
          {kp::arml3, -80},   {kp::armr3, 80},    {kp::arml4, -80},    {kp::armr4, 80},
          {kp::legl1, 0.001}, {kp::legr1, 0.001}, {kp::legl2, 0.001},  {kp::legr2, 0.001},
          {kp::legl3, -30},   {kp::legr3, -30},   {kp::legl4, 60},     {kp::legr4, 60},
          {kp::legl5, -30},   {kp::legr5, -30},   {kp::legl6, 0.0001}, {kp::legr6, 0.001}});

// What a motion does with a phase value outside its table.
enum class UnknownPhase { Ignore, RunFirstKeyframe };

// The row of `phase`, or nullptr when the motion has no keyframe for it. Rows are usually
// stored at the index of their phase; a motion whose chain skips phase values (never-entered
// phases, an out-of-order chain) is searched.
template <std::size_t N>
const Keyframe* FindKeyframe(const std::array<Keyframe, N>& rows, int phase) {
    if (phase >= 0 && phase < static_cast<int>(N) && rows[phase].phase == phase) {
        return &rows[phase];
    }
    for (const Keyframe& row : rows) {
        if (row.phase == phase) return &row;
    }
    return nullptr;
}

// One cycle of a keyframe motion: the caller's counter is taken over and handed back, the
// keyframe of the current phase runs, and the result is true in the cycle in which the last
// keyframe ends, which is the one that hands over to the first phase (rows[0]).
template <typename Phase, std::size_t N>
bool RunMotion(NaoAction& action, const std::array<Keyframe, N>& rows, Phase& field,
               std::stringstream& ss, int& tempCounter, UnknownPhase unknown) {
    action.mCounter = tempCounter;
    const Keyframe* found = FindKeyframe(rows, field);
    if (found == nullptr && unknown == UnknownPhase::Ignore) {
        tempCounter = action.mCounter;
        return false;
    }
    const Keyframe& row = found != nullptr ? *found : rows[0];
    const int next =
        action.ActionState(row.phase, row.next, ss, row.pose, action.mCounter, row.cycles);
    field = static_cast<Phase>(next);
    tempCounter = action.mCounter;
    return found != nullptr && next == row.next && row.next == rows[0].phase &&
           row.phase != row.next;
}

}  // namespace keyframe

#endif
