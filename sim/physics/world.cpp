#include "sim/physics/world.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sim/physics/field.h"
#include "sim/physics/mjlog.h"
#include "sim/physics/placement.h"
#include "sim/physics/servo.h"
#include "sim/physics/worldxml.h"

namespace sim {

namespace {

// Bad-state warnings after which MuJoCo has silently reset the data.
constexpr mjtWarning kBadStateWarnings[] = {mjWARN_BADQPOS, mjWARN_BADQVEL, mjWARN_BADQACC};

// Farther from the centre spot than this (m) a body is lost, whatever the physics says.
constexpr double kLostDistance = 1000;

bool Lost(const mjtNum* pos) {
    for (int k = 0; k < 3; ++k)
        if (!std::isfinite(pos[k]) || std::fabs(pos[k]) > kLostDistance) return true;
    return false;
}

void CopyRange(const mjtNum* from, int fromAdr, mjtNum* to, int toAdr, int n) {
    std::memcpy(to + toAdr, from + fromAdr, sizeof(mjtNum) * n);
}

// Copies one robot's coordinates, between two compiled worlds or two rooms of one.
void CarryRobot(const mjData* from, const RobotLayout& a, mjData* to, const RobotLayout& b) {
    CopyRange(from->qpos, a.rootQpos, to->qpos, b.rootQpos, 7);
    CopyRange(from->qvel, a.rootDof, to->qvel, b.rootDof, 6);
    CopyRange(from->qacc_warmstart, a.rootDof, to->qacc_warmstart, b.rootDof, 6);
    for (int j = 0; j < kJointCount; ++j) {
        CopyRange(from->qpos, a.jointQpos[j], to->qpos, b.jointQpos[j], 1);
        CopyRange(from->qvel, a.jointDof[j], to->qvel, b.jointDof[j], 1);
        CopyRange(from->qacc_warmstart, a.jointDof[j], to->qacc_warmstart, b.jointDof[j], 1);
    }
}

}  // namespace

World::World(int robotCount, int capacity, PhysicsModels models) : models_(models) {
    InstallMujocoHandlers();
    robotCount = std::clamp(robotCount, 0, kMaxRobots);
    Rebuild(std::clamp(capacity, robotCount, kMaxRobots));
    robots_.resize(robotCount);
    StoreEmptyRooms();
    mj_kinematics(model_, data_);
    for (int i = 0; i < RobotCount(); ++i) ParkRobot(i);
    Settle();
}

World::~World() {
    if (retiring_.valid()) retiring_.wait();
    if (building_.valid()) {
        Rooms built = building_.get();
        mj_deleteData(built.data);
        mj_deleteModel(built.model);
    }
    mj_deleteData(data_);
    mj_deleteModel(model_);
}

int World::AddRobot() {
    const int count = RobotCount();
    if (count >= kMaxRobots) return -1;
    if (count == Capacity()) Rebuild(count + 1);
    StoreRoom(count);  // at rest, joints 0
    robots_.emplace_back();
    mj_kinematics(model_, data_);
    ParkRobot(count);
    return count;
}

// Upright, all joints 0, beside the touch line facing the field.
void World::ParkRobot(int robot) {
    const Vec3 spot = FreeParkingSpot(*this, robot);
    BeamRobot(*this, robot, spot.x, spot.y, 90.0);
}

void World::RemoveRobot(int robot) {
    const int count = RobotCount();
    if (robot < 0 || robot >= count) return;
    for (int i = robot; i + 1 < count; ++i) {
        CarryRobot(data_, layout_.robots[i + 1], data_, layout_.robots[i]);
        robots_[i] = robots_[i + 1];
    }
    robots_.pop_back();
    StoreRoom(count - 1);
    Settle();
}

void World::StoreRoom(int room) {
    const RobotLayout& r = layout_.robots[room];
    mjtNum* root = data_->qpos + r.rootQpos;
    root[0] = -kLostDistance / 2;
    root[1] = -kLostDistance / 2 + 5.0 * room;
    root[2] = 50;
    root[3] = 1;
    root[4] = root[5] = root[6] = 0;
    for (int k = 0; k < 6; ++k) {
        data_->qvel[r.rootDof + k] = 0;
        data_->qacc_warmstart[r.rootDof + k] = 0;
        data_->qfrc_applied[r.rootDof + k] = 0;
    }
    for (int j = 0; j < kJointCount; ++j) {
        data_->qpos[r.jointQpos[j]] = 0;
        data_->qvel[r.jointDof[j]] = 0;
        data_->qacc_warmstart[r.jointDof[j]] = 0;
        data_->qfrc_applied[r.jointDof[j]] = 0;
    }
}

void World::StoreEmptyRooms() {
    for (int room = RobotCount(); room < Capacity(); ++room) StoreRoom(room);
}

World::Rooms World::BuildRooms(int rooms, PhysicsModels models) {
    std::string error;
    Rooms built;
    built.model = CompileMatchWorld(rooms, models, error);
    if (!built.model) {
        std::fprintf(stderr, "pitchsim: cannot compile the world: %s\n", error.c_str());
        std::abort();
    }
    built.data = mj_makeData(built.model);
    built.layout = ResolveLayout(built.model, rooms);
    return built;
}

void World::Rebuild(int rooms) {
    Adopt(BuildRooms(rooms, models_));
}

void World::RequestRooms(int rooms) {
    rooms = std::clamp(rooms, RobotCount(), kMaxRobots);
    wantedRooms_ = rooms;
    if (building_.valid() || rooms == Capacity()) return;
    building_ = std::async(std::launch::async, BuildRooms, rooms, models_);
}

bool World::AdoptPreparedRooms() {
    using namespace std::chrono_literals;
    if (!building_.valid() || building_.wait_for(0s) != std::future_status::ready) return false;
    Rooms built = building_.get();
    const bool fits = static_cast<int>(built.layout.robots.size()) >= RobotCount();
    if (fits) {
        Adopt(std::move(built));
        StoreEmptyRooms();
        Settle();
    } else {
        mj_deleteData(built.data);
        mj_deleteModel(built.model);
    }
    if (wantedRooms_ != Capacity()) RequestRooms(wantedRooms_);
    return fits;
}

// Takes the new model and data; the ball and the present robots keep their state and indices.
void World::Adopt(Rooms&& built) {
    mjModel* model = built.model;
    mjData* data = built.data;
    WorldLayout layout = std::move(built.layout);
    if (data_) {
        data->time = data_->time;
        CopyRange(data_->qpos, layout_.ballQpos, data->qpos, layout.ballQpos, 7);
        CopyRange(data_->qvel, layout_.ballDof, data->qvel, layout.ballDof, 6);
        for (int i = 0; i < RobotCount(); ++i)
            CarryRobot(data_, layout_.robots[i], data, layout.robots[i]);
        // Tens of MB at 22 robots: freeing them takes milliseconds, not on this thread.
        if (retiring_.valid()) retiring_.wait();
        retiring_ = std::async(std::launch::async, [m = model_, d = data_] {
            mj_deleteData(d);
            mj_deleteModel(m);
        });
    }
    model_ = model;
    data_ = data;
    layout_ = std::move(layout);
    substeps_ = static_cast<int>(std::lround(kCycleSeconds / model_->opt.timestep));
}

bool World::Command(int robot, int joint, double radPerSec) {
    if (robot < 0 || robot >= RobotCount() || joint < 0 || joint >= kJointCount) return false;
    if (!std::isfinite(radPerSec)) return false;
    double& held = robots_[robot].receivedRadPerSec[joint];
    held = SanitizeCommand(radPerSec, held);
    return true;
}

// Air and grass slow the ball: its speed decays as exp(-kBallDecayPerSecond t), rolling or
// flying. Rolling, the drag at the centre also has to stop the spin, hence the effective mass
// m + I / r^2.
void World::WriteBallDrag() {
    const int body = layout_.ballBody;
    const double mass = model_->body_mass[body];
    const double inertia = model_->body_inertia[3 * body];
    const mjtNum* pos = data_->qpos + layout_.ballQpos;
    const mjtNum* vel = data_->qvel + layout_.ballDof;
    const bool rolling = pos[2] < kBallRadius + 0.005;
    const double c =
        kBallDecayPerSecond * (rolling ? mass + inertia / (kBallRadius * kBallRadius) : mass);
    mjtNum* force = data_->xfrc_applied + 6 * body;
    for (int k = 0; k < 3; ++k) force[k] = -c * vel[k];
}

void World::WriteServoTorques() {
    const double dt = model_->opt.timestep;
    for (int i = 0; i < RobotCount(); ++i) {
        const RobotLayout& r = layout_.robots[i];
        RobotState& s = robots_[i];
        for (int j = 0; j < kJointCount; ++j) {
            const double q = data_->qpos[r.jointQpos[j]];
            const double qVel = data_->qvel[r.jointDof[j]];
            data_->qfrc_applied[r.jointDof[j]] =
                ServoTorque(s.qRefRad[j], s.appliedRadPerSec[j], q, qVel, r.limits[j], dt) -
                kJointViscousFriction * qVel;
        }
    }
}

// Keeps every motor's reference angle inside its joint's range for the coming substep.
void World::KeepMotorReferencesInRange() {
    for (int i = 0; i < RobotCount(); ++i) {
        const RobotLayout& r = layout_.robots[i];
        RobotState& s = robots_[i];
        for (int j = 0; j < kJointCount; ++j)
            s.qRefRad[j] = std::clamp(s.qRefRad[j], r.limits[j].minRad, r.limits[j].maxRad);
    }
}

// The robot's joint (robot * kJointCount + joint) whose motor a constraint row is, else -1.
int World::MotorOfRow(int row) const {
    if (data_->efc_type[row] != mjCNSTR_FRICTION_DOF) return -1;
    const int at = layout_.jointOfDof[data_->efc_id[row]];
    return at >= 0 && at / kJointCount < RobotCount() ? at : -1;
}

// Between mj_step1 and mj_step2: the motor rows' reference accelerations, in place of the
// friction loss's own (which would only brake the joint).
void World::WriteMotorReferences() {
    for (int row = 0; row < data_->nefc; ++row) {
        const int at = MotorOfRow(row);
        if (at < 0) continue;
        const int robot = at / kJointCount, j = at % kJointCount;
        const RobotState& s = robots_[robot];
        data_->efc_aref[row] = MotorReferenceAcceleration(
            data_->qpos[layout_.robots[robot].jointQpos[j]], data_->qvel[data_->efc_id[row]],
            s.qRefRad[j], s.appliedRadPerSec[j]);
    }
}

// After mj_step2: each reference angle moves on by its command. A motor that pushed with its
// torque limit during the substep could not make its command's motion: what it lost is given up
// (the reference is where the joint is), not handed back later. Below the limit the reference
// keeps its lead, so that the position term takes back what the soft constraint crept.
void World::AdvanceMotorReferences() {
    const double dt = model_->opt.timestep;
    for (RobotState& s : robots_)
        for (int j = 0; j < kJointCount; ++j) s.qRefRad[j] += s.appliedRadPerSec[j] * dt;
    for (int row = 0; row < data_->nefc; ++row) {
        const int at = MotorOfRow(row);
        if (at < 0 || std::fabs(data_->efc_force[row]) < kMotorTorqueLimit * (1 - 1e-9)) continue;
        const int robot = at / kJointCount, j = at % kJointCount;
        robots_[robot].qRefRad[j] = data_->qpos[layout_.robots[robot].jointQpos[j]];
    }
}

void World::StepSubstep() {
    WriteBallDrag();
    if (models_.motor == JointMotor::kServo) {
        WriteServoTorques();
        mj_step(model_, data_);
    } else {
        KeepMotorReferencesInRange();
        mj_step1(model_, data_);
        WriteMotorReferences();
        mj_step2(model_, data_);
        AdvanceMotorReferences();
    }
    solver_.substeps++;
    solver_.iterations += data_->solver_iter;
    solver_.rows += data_->nefc;
}

void World::StepCycle() {
    for (RobotState& s : robots_) {
        s.appliedRadPerSec = s.latchedRadPerSec;
        s.latchedRadPerSec = s.receivedRadPerSec;
    }
    StepPhysics();
}

void World::TakeReceivedCommands() {
    for (RobotState& s : robots_) s.appliedRadPerSec = s.latchedRadPerSec = s.receivedRadPerSec;
}

World::Snapshot World::Save() const {
    Snapshot s;
    s.qpos.assign(data_->qpos, data_->qpos + model_->nq);
    s.qvel.assign(data_->qvel, data_->qvel + model_->nv);
    s.warmstart.assign(data_->qacc_warmstart, data_->qacc_warmstart + model_->nv);
    s.time = data_->time;
    s.cycle = cycle_;
    s.robots = robots_;
    s.ballTouchedBy = ballTouchedBy_;
    return s;
}

void World::Restore(const Snapshot& s) {
    std::copy(s.qpos.begin(), s.qpos.end(), data_->qpos);
    std::copy(s.qvel.begin(), s.qvel.end(), data_->qvel);
    std::copy(s.warmstart.begin(), s.warmstart.end(), data_->qacc_warmstart);
    data_->time = s.time;
    cycle_ = s.cycle;
    // The commands received meanwhile are newer than the snapshot's: kept.
    for (size_t i = 0; i < robots_.size() && i < s.robots.size(); ++i) {
        const auto received = robots_[i].receivedRadPerSec;
        robots_[i] = s.robots[i];
        robots_[i].receivedRadPerSec = received;
    }
    ballTouchedBy_ = s.ballTouchedBy;
    mj_forward(model_, data_);
}

void World::StepPhysics() {
    const std::vector<double> checkpoint(data_->qpos, data_->qpos + model_->nq);
    const double startTime = data_->time;
    bool rolledBack = false;
    ballTouchedBy_.clear();
    for (RobotState& s : robots_) s.gyroRadPerSec = {};
    for (int k = 0; k < substeps_; ++k) {
        StepSubstep();
        if (PhysicsWentBad()) {
            // The cycle still passes: the clock goes on from where it was.
            data_->time = startTime + kCycleSeconds;
            RollBack(checkpoint);
            // Rolled back twice in a row: the state at the start of the cycle is itself bad.
            if (++badCycles_ >= 2) RepairOffenders(checkpoint);
            // One warning line per episode, not one per cycle.
            SetMujocoWarningsMuted(true);
            rolledBack = true;
            break;
        }
        NoteBallTouches();
        AddTorsoTurns();
    }
    if (!rolledBack && badCycles_ > 0) EndBadEpisode();
    StoreEmptyRooms();  // undo a cycle of falling
    ++cycle_;
    SampleAll();
    RefreshKinematics();
}

bool World::PhysicsWentBad() {
    bool bad = false;
    for (mjtWarning w : kBadStateWarnings) {
        if (data_->warning[w].number > 0) bad = true;
        data_->warning[w].number = 0;
    }
    return bad;
}

// After a blow-up MuJoCo has reset everything to the model's initial state: go back to the
// positions at the start of the cycle, at rest, every robot holding its posture.
void World::RollBack(const std::vector<double>& qpos) {
    ++recoveries_;
    const double time = data_->time;
    mj_resetData(model_, data_);
    data_->time = time;
    std::memcpy(data_->qpos, qpos.data(), sizeof(mjtNum) * model_->nq);
    mj_forward(model_, data_);
    for (int i = 0; i < RobotCount(); ++i) {
        HoldPosture(i);
        robots_[i].gyroRadPerSec = {};  // back where the cycle started
    }
}

void World::EndBadEpisode() {
    badCycles_ = 0;
    SetMujocoWarningsMuted(false);
}

// The robot whose tree holds the body, -1 for none (the ball, the world).
int World::RobotOfBody(int body) const {
    const int root = model_->body_rootid[body];
    for (int i = 0; i < RobotCount(); ++i)
        if (layout_.robots[i].torsoBody == root) return i;
    return -1;
}

// The state the cycle started from breaks the physics: whatever is lost (far away, not finite)
// or named by MuJoCo's last bad-state warning goes back to a valid state: the ball to the
// centre spot at rest, a robot to a free spot beside the touch line, upright, joints 0.
void World::RepairOffenders(const std::vector<double>& qpos) {
    std::vector<bool> robotBad(RobotCount(), false);
    bool ballBad = Lost(qpos.data() + layout_.ballQpos);
    for (int i = 0; i < RobotCount(); ++i)
        robotBad[i] = Lost(qpos.data() + layout_.robots[i].rootQpos);
    if (!ballBad && std::find(robotBad.begin(), robotBad.end(), true) == robotBad.end()) {
        for (mjtWarning w : kBadStateWarnings) {
            const int info = data_->warning[w].lastinfo;
            int body = -1;
            if (w == mjWARN_BADQPOS && info >= 0 && info < model_->nq) {
                for (int j = 0; j < model_->njnt; ++j)
                    if (model_->jnt_qposadr[j] <= info) body = model_->jnt_bodyid[j];
            } else if (info >= 0 && info < model_->nv) {
                body = model_->dof_bodyid[info];
            }
            if (body < 0) continue;
            const int robot = RobotOfBody(body);
            if (robot >= 0) robotBad[robot] = true;
            if (model_->body_rootid[body] == layout_.ballBody) ballBad = true;
        }
    }
    if (ballBad) {
        PlaceBall(*this, {0, 0, kBallRadius});
        ++repairs_;
        LogPhysicsNote("the ball broke the physics: put back on the centre spot");
    }
    for (int i = 0; i < RobotCount(); ++i) {
        if (!robotBad[i]) continue;
        const RobotLayout& r = layout_.robots[i];
        for (int j = 0; j < kJointCount; ++j) data_->qpos[r.jointQpos[j]] = 0;
        // The received commands are the agent's (and may be written meanwhile): kept.
        robots_[i].appliedRadPerSec = robots_[i].latchedRadPerSec = {};
        robots_[i].gyroRadPerSec = {};
        data_->qpos[r.rootQpos] = data_->qpos[r.rootQpos + 1] = 0;  // off the spots it blocks
        mj_kinematics(model_, data_);
        ParkRobot(i);
        ++repairs_;
        LogPhysicsNote("robot " + std::to_string(i) +
                       " broke the physics: put back beside the touch line");
    }
}

// The contact list of the substep's forward pass.
void World::NoteBallTouches() {
    for (int c = 0; c < data_->ncon; ++c) {
        const mjContact& con = data_->contact[c];
        const int other = con.geom1 == layout_.ballGeom   ? con.geom2
                          : con.geom2 == layout_.ballGeom ? con.geom1
                                                          : -1;
        const int robot = other < 0 ? -1 : layout_.robotOfGeom[other];
        if (robot >= 0 &&
            std::find(ballTouchedBy_.begin(), ballTouchedBy_.end(), robot) == ballTouchedBy_.end())
            ballTouchedBy_.push_back(robot);
    }
}

// The gyro reports the torso's mean angular velocity over the cycle, as a rate sensor that
// integrates over its sample period does: sampling the instantaneous rate once per cycle would
// alias the substep-scale shaking of foot strikes into the 50 Hz readings, and an agent that
// integrates them would drift away from the true orientation. The Euler integrator turns the
// root body by its free joint's angular velocity (torso frame) after each substep, so the mean
// of those velocities is the cycle's rotation divided by its duration.
void World::AddTorsoTurns() {
    for (int i = 0; i < RobotCount(); ++i) {
        const mjtNum* w = data_->qvel + layout_.robots[i].rootDof + 3;
        robots_[i].gyroRadPerSec = robots_[i].gyroRadPerSec + ToVec3(w) * (1.0 / substeps_);
    }
}

void World::HoldPosture(int robot) {
    const RobotLayout& r = layout_.robots[robot];
    for (int j = 0; j < kJointCount; ++j) robots_[robot].qRefRad[j] = data_->qpos[r.jointQpos[j]];
}

void World::SampleAll() {
    mj_rnePostConstraint(model_, data_);
    for (int i = 0; i < RobotCount(); ++i)
        robots_[i].sample = SampleDynamics(model_, data_, layout_, i);
}

// mj_step leaves positions and velocities integrated but the derived frames one substep old:
// bring frames and body velocities up to the end of the cycle for the readers.
void World::RefreshKinematics() {
    mj_kinematics(model_, data_);
    mj_comPos(model_, data_);
    mj_comVel(model_, data_);
}

void World::Settle() {
    mj_forward(model_, data_);
    SampleAll();
}

}  // namespace sim
