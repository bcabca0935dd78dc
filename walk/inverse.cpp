#include "walk/inverse.h"

#include <cmath>
#include <iostream>

#include "behavior/strategy.h"

float Inverse::Tsup = 0.2f;
float Inverse::zc = 0.3323f;
float Inverse::Tc = 0;
float Inverse::C = 0;
float Inverse::S = 0;
int Inverse::stepCount = 0;
int Inverse::initStepCount = 0;
int Inverse::oneStepCount = 0;
FlagLocation Inverse::Sformer;
FlagLocation Inverse::Scurrent;
FlagLocation Inverse::Slatter;
FlagLocation Inverse::Stemp;
float Inverse::pxn = 0;
float Inverse::pyn = 0;
float Inverse::pxn_1 = 0;
float Inverse::pyn_1 = 0;
float Inverse::xUnit = 0;
float Inverse::yUnit = 0;
float Inverse::xUnitVelocity = 0;
float Inverse::yUnitVelocity = 0;
float Inverse::centroidLocationx = 0;
float Inverse::centroidLocationy = 0;
float Inverse::stepXRange = 0.11f;
float Inverse::stepYRange = 0.11f;
bool Inverse::init = true;
float Inverse::goalDistance = 0.12f;
float Inverse::BeamDistance = 0;
float Inverse::rotateAngle = 0;

namespace {

const float torseHeight = 0.333f;  // torso centre above the ground, m
const float TorseToZmp = 0.035f;   // torso centre ahead of the centre of mass, m
const float ankleHeight = 0.05f;   // ankle above the ground, m
const double kCycle = 0.02;        // one server cycle, s

// The previous walk step after limiting: turn (degrees), lateral and forward distance (m).
float StepPreAngle = 0;
float preBeamDistance = 0;
float pregoalDistance = 0;

// (-1)^m: the side on which a step's lateral distance lies alternates with the step number.
double Sigma(int m) {
    return std::pow(-1.0, m);
}

float Limit(float v, float bound) {
    if (v > bound) return bound;
    if (v < -bound) return -bound;
    return v;
}

}  // namespace

Inverse::Inverse() {
    upFootOffset = 0.007f;
    if (init) {
        Scurrent = FlagLocation(0, 0, 0);
        Slatter = FlagLocation(0, 0.11f, 0);
        Stemp = FlagLocation(0, 0.11f, 0);
        init = false;
    }
    SetTc();
}

void Inverse::SetTc() {
    Tc = static_cast<float>(std::sqrt(static_cast<double>(zc) / 9.8));
    C = std::cosh(Tsup / Tc);
    S = std::sinh(Tsup / Tc);
}

void Inverse::ChangeTsup(float time) {
    Tsup = time;
    C = std::cosh(Tsup / Tc);
    S = std::sinh(Tsup / Tc);
}

void Inverse::SetFootFirst(bool LeftFoot, float time) {
    ChangeTsup(time);
    oneStepCount = 0;
    // Step 1 is odd and odd steps swing the left foot.
    stepCount = initStepCount = LeftFoot ? 0 : 1;
}

void Inverse::SetFootFirst(bool /*LeftFoot*/, float time, int count) {
    ChangeTsup(time);
    oneStepCount = 0;
    stepCount = initStepCount = count;
}

int Inverse::CyclesPerStep() {
    return static_cast<int>(static_cast<double>(Tsup) / kCycle + 0.005);
}

int Inverse::HalfStep() {
    return CyclesPerStep() / 2;
}

bool Inverse::StepDone(int minimumSteps) const {
    if (stepCount - initStepCount < minimumSteps) return false;
    return oneStepCount == CyclesPerStep();
}

bool Inverse::InverseStepAI() {
    AdvanceCycle(kStepAI);
    return StepDone(2);
}

bool Inverse::InverseStepAIEnd() {
    AdvanceCycle(kStepAIEnd);
    // After an odd start one more step brings the feet together on the same side.
    int endCount = initStepCount % 2 == 0 ? 2 : 3;
    return StepDone(endCount);
}

bool Inverse::InverseStepRotate() {
    AdvanceCycle(kStepRotate);
    return StepDone(2);
}

bool Inverse::InverseBeamCircle() {
    AdvanceCycle(kBeamCircle);
    return StepDone(2);
}

bool Inverse::InverseKickBeamStep() {
    AdvanceCycle(kKickBeamStep);
    std::cout << "stepCount " << stepCount << " int(Tsup/0.02) "
              << static_cast<int>(Tsup / kCycle + 0.0005) << " oneStepCount " << oneStepCount
              << std::endl;
    return StepDone(2);
}

void Inverse::InverseStep() {
    AdvanceCycle(kFixedStep);
    std::cout << "stepCount " << stepCount << " int(Tsup/0.02) "
              << static_cast<int>(Tsup / kCycle + 0.0005) << " oneStepCount " << oneStepCount
              << std::endl;
    std::cout << "xUnit" << xUnit << "yUnit" << yUnit << std::endl;
}

// One 20 ms sub-step shared by every walking kind.
void Inverse::AdvanceCycle(StepKind kind) {
    if (oneStepCount == CyclesPerStep())
        oneStepCount = 1;
    else
        oneStepCount += 1;
    if (oneStepCount == 1) {
        stepCount += 1;
        Scurrent = Slatter;
        SetUpStep(kind);
        FootLocation();
    }
    FootCalPara();

    float t = static_cast<float>(oneStepCount * kCycle);
    centroidLocationx = CentroidEquation(t, xUnit, xUnitVelocity);
    if (oneStepCount <= HalfStep()) {
        centroidLocationy = CentroidEquation(t, yUnit, yUnitVelocity);
        return;
    }
    // Second half: blend the lateral sway toward the next step's foot distance. The factor is 1
    // at mid-step and |pyn_1| / |pyn| at the end.
    float g = 1;
    if (pyn != 0 && yUnitVelocity != 0) {
        float v = GetCentroidVelocity(t, yUnit, yUnitVelocity);
        g = ((v / -yUnitVelocity) * (std::fabs(pyn_1) - std::fabs(pyn)) + std::fabs(pyn)) /
            std::fabs(pyn);
    }
    centroidLocationy = CentroidEquation(t, yUnit, yUnitVelocity) * g;
}

void Inverse::SetUpStep(StepKind kind) {
    switch (kind) {
        case kStepAI:
            SetInverseStepSlatter(goalDistance / 2, BeamDistance, rotateAngle);
            break;
        case kStepAIEnd:
            SetInverseStepEndSlatter(goalDistance / 2, 0.11f, rotateAngle);
            break;
        case kStepRotate:
            SetInverseRotateSlatter(0, 0.11f, rotateAngle);
            break;
        case kBeamCircle:
            SetInverseBeamCircleSlatter(goalDistance / 2, 0.11f, rotateAngle);
            break;
        case kKickBeamStep:
            SetInverseStepSlatter(goalDistance, 0.11f, 0);
            break;
        case kFixedStep:
            Slatter =
                stepCount % 2 != 0 ? FlagLocation(0.08f, 0.11f, 0) : FlagLocation(0.08f, 0.11f, -7);
            break;
    }
}

void Inverse::GetTorseAndAnkle(FootLocationAndAngle& leftAngle, FootLocationAndAngle& rightAngle,
                               FlagLocation& torse) {
    const int circle = CyclesPerStep();
    const int h = circle / 2;
    const int k = oneStepCount;
    const int n = stepCount;
    const float thetaC = Scurrent.z;
    const float thetaL = Slatter.z;

    // The present support foot seen from where the swing foot stood.
    float back = AngleToArc(-thetaC);
    float pxnTemp = std::cos(back) * pxn - std::sin(back) * pyn;
    float pynTemp = std::sin(back) * pxn + std::cos(back) * pyn;

    FlagLocation swing;
    if (k == circle) {
        swing = FlagLocation(pxn_1, pyn_1, ankleHeight);
    } else {
        int spans = static_cast<int>(Tsup / kCycle + 0.005 - 1.0);
        float q = (pyn_1 + pynTemp) / spans;
        swing.y = (k - 1) * q - pynTemp + q / 2;
        swing.z = ankleHeight + upFootOffset;
        if (k > h)
            swing.x = static_cast<float>((k - h) * pxn_1 / (h - 0.5));
        else
            swing.x = static_cast<float>((h - k) * -pxnTemp / (h - 0.5));
    }
    // Mend (first written with the foot on the ground in every restart): the first step after a
    // restart holds the left foot in place until mid-step, on the ground when starting from feet
    // side by side. A restart that continues a turn (the support foot still turned against the
    // walking frame) lifts it, as any other step would: the support foot unwinds its turn during
    // this step, and a foot held down by friction would twist the torso back by up to half the
    // turn.
    if (n == 1 && k < h)
        swing = FlagLocation(0, 0.11f, ankleHeight + (thetaC != 0 ? upFootOffset : 0));
    if (n == 1 && k == h) swing = FlagLocation(0, 0.11f, ankleHeight + upFootOffset);

    double cyclesPerStep = Tsup / kCycle;
    float swingYaw = static_cast<float>(thetaL / cyclesPerStep * k);
    float supportYaw = static_cast<float>(thetaC - thetaC / cyclesPerStep * k);
    FlagLocation support(0, 0, ankleHeight);

    // Odd steps stand on the right foot and swing the left.
    bool leftSwings = n % 2 != 0;
    leftAngle.location = leftSwings ? swing : support;
    leftAngle.angle.z = leftSwings ? swingYaw : supportYaw;
    rightAngle.location = leftSwings ? support : swing;
    rightAngle.angle.z = leftSwings ? supportYaw : swingYaw;

    float phi = AngleToArc(supportYaw);
    torse = FlagLocation(centroidLocationx + std::cos(phi) * TorseToZmp,
                         centroidLocationy + std::sin(phi) * TorseToZmp, torseHeight);
}

void Inverse::FootLocation() {
    const int n = stepCount;
    float current = AngleToArc(Scurrent.z);
    pxn = static_cast<float>(std::cos(current) * Scurrent.x -
                             Sigma(n) * Scurrent.y * std::sin(current));
    pyn = static_cast<float>(std::sin(current) * Scurrent.x +
                             Sigma(n) * Scurrent.y * std::cos(current));
    float latter = AngleToArc(Slatter.z);
    pxn_1 = static_cast<float>(std::cos(latter) * Slatter.x -
                               Sigma(n + 1) * Slatter.y * std::sin(latter));
    pyn_1 = static_cast<float>(std::sin(latter) * Slatter.x +
                               Sigma(n + 1) * Slatter.y * std::cos(latter));
}

void Inverse::FootCalPara() {
    if (oneStepCount <= HalfStep()) {
        xUnit = Scurrent.x / 2;
        yUnit = static_cast<float>(Sigma(stepCount) * Scurrent.y / 2);
    } else {
        xUnit = pxn_1 / 2;
        yUnit = pyn / 2;
    }
    xUnitVelocity = (1 + C) / (S * Tc) * xUnit;
    yUnitVelocity = (C - 1) / (S * Tc) * yUnit;
}

float Inverse::CentroidEquation(float t, float lx, float vx) {
    return -lx * std::cosh(t / Tc) + Tc * vx * std::sinh(t / Tc);
}

float Inverse::GetCentroidVelocity(float t, float lx, float vx) {
    return -(lx / Tc) * std::sinh(t / Tc) + vx * std::cosh(t / Tc);
}

void Inverse::SetInverseStepSlatter(float tempX, float y, float angle) {
    const int n = stepCount;
    float x = std::fabs(tempX);
    float a = angle;
    float d = y;

    ChangeTsup(0.28f);
    if (Strategy::findBall) {
        ChangeTsup(0.2f);
        if (std::fabs(BeamDistance) > 0.01)
            a = 0;
        else
            a = Limit(a, 5);
    } else {
        a = Limit(a, 3);
    }

    if (x > 0.08 && n <= 2) {
        x = tempX >= 0 ? 0.08f : -0.08f;
    } else if (x > 0.185) {
        x = tempX >= 0 ? 0.19f : -0.18f;
        d = 0;
    } else if (tempX < 0) {
        x = -x;
    }
    // No sidestep during a long stride that follows a long stride.
    if (std::fabs(pregoalDistance) > 0.18 && std::fabs(x) > 0.145 && std::fabs(d) > 0.03) d = 0;
    // No long stride right after a wide sidestep.
    if (std::fabs(preBeamDistance) > 0.1 && std::fabs(x) > 0.16) x = x > 0 ? 0.15f : -0.15f;
    // No turn reversal between consecutive steps.
    if (StepPreAngle > 0.1 && a < -0.1) a = 0;
    if (StepPreAngle < -0.1 && a > 0.1) a = 0;
    // A sidestep, once begun, is completed by the other foot.
    if (std::fabs(preBeamDistance) > 0.01 && std::fabs(d) < 0.01 && n % 2 == 0) d = preBeamDistance;

    // Each pair of steps moves the body sideways by yl - yr = d within the linear range.
    float yl = 0.11f;
    float yr = 0.11f;
    if (std::fabs(d) < 0.001) {
        yl = yr = 0.11f;
    } else if (d > 0) {
        if (d > 0.06) {
            yl = 0.15f;
            yr = 0.09f;
        } else {
            yl = 2 * d / 3 + 0.11f;
            yr = -d / 3 + 0.11f;
        }
    } else {
        if (d < -0.06) {
            yr = 0.15f;
            yl = 0.09f;
        } else {
            yr = -2 * d / 3 + 0.11f;
            yl = d / 3 + 0.11f;
        }
    }

    // Left turns only with the left foot, right turns only with the right foot.
    if (n % 2 != 0)
        Slatter = FlagLocation(x, yl, a > 0 ? a : 0);
    else
        Slatter = FlagLocation(x, yr, a <= 0 ? a : 0);

    StepPreAngle = a;
    preBeamDistance = d;
    pregoalDistance = x;
}

void Inverse::SetInverseRotateSlatter(float x, float y, float angle) {
    float a = Limit(angle, 16);
    if (stepCount % 2 != 0)
        Slatter = FlagLocation(x, y, a > 0 ? a : 0);
    else
        Slatter = FlagLocation(x, y, a <= 0 ? a : 0);
}

void Inverse::SetInverseBeamCircleSlatter(float /*x*/, float /*y*/, float angle) {
    // A narrow step that turns and a wide step that does not: each pair moves the robot
    // 0.05 m sideways and turns it the other way, circling a point ahead of it.
    float a = Limit(angle, 16);
    bool narrow = stepCount % 2 != 0 ? a <= 0 : a > 0;
    Slatter = narrow ? FlagLocation(0.008f, 0.09f, -a) : FlagLocation(0.008f, 0.14f, 0);
}

void Inverse::SetInverseStepEndSlatter(float /*x*/, float /*y*/, float /*angle*/) {
    // Mend (first written as (0, 0.11, 0) on every stopping step): the feet come together at 0.11 m
    // with no stride and no turn. A turn still held in the support foot (the last step of a right
    // turn on the spot always leaves one) is made by the torso during the first stopping step all
    // the same, so the swinging foot lands turned back by it, and the second step turns the torso
    // back: the robot stops facing where it faced when it was told to stop, not up to 16 degrees
    // past it.
    const bool first = stepCount - initStepCount == 1;
    Slatter = FlagLocation(0, 0.11f, first ? -Scurrent.z : 0);
}
