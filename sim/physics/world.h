// The simulated world: field, goals, ball and N robots in one MuJoCo model, stepped in 20 ms
// cycles. The unchanging description is the compiled model with its layout (worldxml.h,
// layout.h); the changing state is MuJoCo's data plus, per robot, the motor commands and the
// motors' reference angles. The models of the joint motors (motor.h) and of the contacts
// (contact.h) are chosen per world.
//
// Timing. Commands given with Command() between two StepCycle() calls are those answering the
// perception sent after the first of them; they take effect during the step after next: one
// cycle of actuation latency. A joint keeps its last command until a new one arrives.
#pragma once

#include <mujoco/mujoco.h>

#include <array>
#include <future>
#include <vector>

#include "sim/physics/layout.h"
#include "sim/physics/motor.h"
#include "sim/physics/robotdesc.h"
#include "sim/physics/sensors.h"
#include "sim/physics/worldxml.h"

namespace sim {

constexpr double kCycleSeconds = 0.02;

// The changing state of one robot kept beside MuJoCo's data.
struct RobotState {
    std::array<double, kJointCount> receivedRadPerSec{};  // latest command of each joint
    std::array<double, kJointCount> latchedRadPerSec{};   // taken at the last cycle boundary
    std::array<double, kJointCount> appliedRadPerSec{};   // in effect during the current step
    std::array<double, kJointCount> qRefRad{};            // motors' reference angles
    Vec3 gyroRadPerSec;    // torso's mean angular velocity over the latest cycle, torso frame
    DynamicSample sample;  // from the latest forward pass
};

class World {
  public:
    // The pitch with the ball on the centre spot and robotCount robots (at most kMaxRobots),
    // parked like joining ones: one build instead of one per robot. The model is built with
    // room for `capacity` robots: up to that many, joining and leaving cost no rebuild.
    explicit World(int robotCount = 0, int capacity = 0, PhysicsModels models = {});
    ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    // Adds a robot while the world runs. It stands upright with all joints 0 at a free spot
    // beside the touch line (y = -7.6). A free room of the model takes it; with none left the
    // model is rebuilt with one more (every body keeps its state). Returns its index, or -1
    // when kMaxRobots are in.
    int AddRobot();
    // Removes a robot; the robots after it move down one index. Its room in the model is kept
    // for the next one.
    void RemoveRobot(int robot);
    int RobotCount() const { return static_cast<int>(robots_.size()); }
    // Robots the compiled model has room for; rooms beyond RobotCount() are stored away. An
    // empty room costs about what a robot costs in the physics: the server keeps few of them.
    int Capacity() const { return static_cast<int>(layout_.robots.size()); }
    int FreeRooms() const { return Capacity() - RobotCount(); }
    // Has a model with `rooms` rooms (at least RobotCount()) built on another thread, while
    // the world runs on; AdoptPreparedRooms() takes it between two cycles once it is ready.
    void RequestRooms(int rooms);
    // True when a model built by RequestRooms was taken (robots and ball keep their state and
    // indices). Cheap when nothing is ready.
    bool AdoptPreparedRooms();

    // A received joint velocity command (rad/s). Non-finite values are ignored (false); finite
    // ones are clamped to kMaxJointSpeedRadPerSec. Unknown robot or joint: false.
    bool Command(int robot, int joint, double radPerSec);

    // Advances the physics by one 20 ms cycle.
    void StepCycle();
    // The same in two halves, for a caller that steps cycle k -> k+1 before it has collected
    // the replies to perception k: the commands received so far (the replies up to perception
    // k-1) are taken for the step, which can then run on another thread while Command() goes
    // on recording the next ones. The latency is the same one cycle.
    void TakeReceivedCommands();
    void StepPhysics();

    // The state between two cycles, to undo a step taken ahead (the robots as they are: no
    // robot may join or leave between Save and Restore).
    struct Snapshot {
        std::vector<double> qpos, qvel, warmstart;
        double time = 0;
        long cycle = 0;
        std::vector<RobotState> robots;
        std::vector<int> ballTouchedBy;
    };
    Snapshot Save() const;
    void Restore(const Snapshot& snapshot);

    // After bodies were moved by hand: recomputes contacts, forces and sensor samples.
    void Settle();
    // Sets the robot's motor references to its present joint angles: it holds its posture.
    void HoldPosture(int robot);

    long Cycle() const { return cycle_; }
    double Time() const { return cycle_ * kCycleSeconds; }
    // Robots whose shapes touched the ball during the latest cycle (any substep), in the
    // order of their first touch.
    const std::vector<int>& BallTouchedBy() const { return ballTouchedBy_; }
    // The constraint solver's work summed over every substep stepped: what the physics costs.
    struct SolverTally {
        long substeps = 0;
        long iterations = 0;
        long rows = 0;  // constraint rows (contacts, motors, stops)
    };
    const SolverTally& Solver() const { return solver_; }
    // Times the physics blew up and the cycle was rolled back.
    int Recoveries() const { return recoveries_; }
    // Bodies put back to a valid state because the roll-back alone did not help.
    int Repairs() const { return repairs_; }

    const mjModel* Model() const { return model_; }
    mjData* Data() { return data_; }
    const mjData* Data() const { return data_; }
    const WorldLayout& Layout() const { return layout_; }
    const RobotLayout& RobotAt(int robot) const { return layout_.robots[robot]; }
    RobotState& State(int robot) { return robots_[robot]; }
    const RobotState& State(int robot) const { return robots_[robot]; }
    int SubstepsPerCycle() const { return substeps_; }
    const PhysicsModels& Models() const { return models_; }

  private:
    struct Rooms {
        mjModel* model = nullptr;
        mjData* data = nullptr;
        WorldLayout layout;
    };
    // Compiles the world with `rooms` robots (any thread).
    static Rooms BuildRooms(int rooms, PhysicsModels models);
    // Takes a built world; the present robots keep their indices and state.
    void Adopt(Rooms&& built);
    void Rebuild(int rooms);
    void ParkRobot(int robot);
    // Puts an unused room out of the way: high above a far corner of the world, at rest, out
    // of every contact; kept there each cycle.
    void StoreRoom(int room);
    void StoreEmptyRooms();
    void WriteServoTorques();
    void KeepMotorReferencesInRange();
    int MotorOfRow(int row) const;
    void WriteMotorReferences();
    void AdvanceMotorReferences();
    void StepSubstep();
    void WriteBallDrag();
    bool PhysicsWentBad();
    void EndBadEpisode();
    void RollBack(const std::vector<double>& qpos);
    void RepairOffenders(const std::vector<double>& qpos);
    int RobotOfBody(int body) const;
    void NoteBallTouches();
    void AddTorsoTurns();
    void SampleAll();
    void RefreshKinematics();

    PhysicsModels models_;
    mjModel* model_ = nullptr;
    mjData* data_ = nullptr;
    WorldLayout layout_;
    std::vector<RobotState> robots_;
    int substeps_ = 0;
    long cycle_ = 0;
    int recoveries_ = 0;
    int repairs_ = 0;
    int badCycles_ = 0;  // consecutive cycles rolled back
    SolverTally solver_;
    std::future<Rooms> building_;
    std::future<void> retiring_;  // freeing the model and data given up last
    int wantedRooms_ = 0;
    std::vector<int> ballTouchedBy_;
};

}  // namespace sim
