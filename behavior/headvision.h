#ifndef BEHAVIOR_HEADVISION_H
#define BEHAVIOR_HEADVISION_H

#include "body/player.h"
#include "world/worldmodel.h"

// Head control: whether the ball was seen just now, where the head turns to search for it, and
// which head yaw keeps it in view while the body moves. Angles are head yaw in degrees (the
// keyframe target head2); nothing here sends a command.
class HeadVision {
  public:
    float rotateOffsetAngle = 0;  // degrees per sweep step
    float realRotateOffset = 0;   // sweep step that divides maxAngle evenly, degrees
    float maxAngle = 0;           // sweep range, degrees
    int rotateCount = 0;          // sweep steps over maxAngle

    static bool IsStep;
    static int stepRotateCount;
    static float headRotateCount;

    HeadVision();
    HeadVision(float temprotateOffsetAngle, float tempmaxAngle);

    void SetInit();
    void SetInitAngle(float temprotateOffsetAngle, float tempmaxAngle);

    // True when the ball was seen within the last 0.08 s (four cycles).
    bool IsFindBall(const WorldModel& myWorldModel);
    // Head yaw that keeps the ball in view while the body turns or walks; true when the ball is
    // almost straight ahead and the head looks forward.
    bool GetNeckToOrigin(Player& myPlayer, const WorldModel& myWorldModel, float& angle);
    // Head yaw for the next search step; true when the ball is seen.
    bool GetNeckAngle(Player& myPlayer, const WorldModel& myWorldModel, float& angle);
};

#endif
