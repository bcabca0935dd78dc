// The trainer's commands, from the trainer port or the web monitor's page, applied between two
// physics steps.

#include "sim/physics/placement.h"
#include "sim/server/server.h"

namespace {

sim::KnockDirection Way(TrainerCommand::Knock knock) {
    switch (knock) {
        case TrainerCommand::kKnockBack:
            return sim::KnockDirection::kBack;
        case TrainerCommand::kKnockLeft:
            return sim::KnockDirection::kLeft;
        case TrainerCommand::kKnockRight:
            return sim::KnockDirection::kRight;
        default:
            return sim::KnockDirection::kFront;
    }
}

}  // namespace

// One line per 10 s at most, however many events a trainer's burst of commands raised.
void Server::NoteTrainerEventsLeftOut() {
    trainerEvents_.thisCycle = 0;
    const Clock::time_point now = Clock::now();
    if (trainerEvents_.leftOut == 0 || now < trainerEvents_.nextLine) return;
    log_.Error("pitchsim: trainer commands raised " + std::to_string(trainerEvents_.leftOut) +
               " events beyond " + std::to_string(kMaxTrainerEventsPerCycle) +
               " in a cycle; they are left out of the log and the recording");
    trainerEvents_.leftOut = 0;
    trainerEvents_.nextLine = now + std::chrono::seconds(10);
}

// Trainer.
void Server::OnTrainerFrame(int connection, const std::string& payload) {
    if (quietTrainers_.count(connection)) {
        for (const TrainerCommand& c : ParseTrainerCommands(payload))
            if (c.kind != TrainerCommand::kGetState) {
                quietTrainers_.erase(connection);
                log_.Info("trainer connected (#" + std::to_string(connection) + ")");
                break;
            }
    }
    for (const std::string& reply : RunTrainerText(payload, false)) net_.Send(connection, reply);
}

std::vector<std::string> Server::RunTrainerText(const std::string& payload, bool fromPage) {
    std::vector<std::string> replies;
    const std::vector<TrainerCommand> commands = ParseTrainerCommands(payload);
    if (fromPage && commands.size() > kMaxPageCommands) {
        replies.push_back("(error at most " + std::to_string(kMaxPageCommands) +
                          " commands per request from the monitor)");
        return replies;
    }
    for (const TrainerCommand& c : commands) {
        // Whoever opens the page may move the ball, not end the match.
        if (fromPage && c.kind == TrainerCommand::kKillSim) {
            replies.push_back("(error killsim is not taken from the monitor)");
            continue;
        }
        if (fromPage && c.kind == TrainerCommand::kPlayMode && c.mode == kGameOver) {
            replies.push_back("(error GameOver is not taken from the monitor)");
            continue;
        }
        referee_.NoteTrainerCommand();
        replies.push_back(ApplyTrainerCommand(c));
        LogRefereeEvents(true);
    }
    return replies;
}

std::string Server::ApplyTrainerCommand(const TrainerCommand& c) {
    switch (c.kind) {
        case TrainerCommand::kKickOff:
            referee_.TrainerKickOff(c.left);
            return "(ok)";
        case TrainerCommand::kPlayMode:
            referee_.TrainerPlayMode(c.mode);
            return "(ok)";
        case TrainerCommand::kBall:
            TouchWorld();
            sim::PlaceBall(world_, {c.pos[0], c.pos[1], c.pos[2]}, {c.vel[0], c.vel[1], c.vel[2]});
            return "(ok)";
        case TrainerCommand::kAgent: {
            TouchWorld();
            Agent* a = FindAgent(c.left, c.unum);
            if (!a || a->robot < 0) return "(error no such robot)";
            if (c.place)
                sim::PlaceRobot(world_, a->robot, {c.pos[0], c.pos[1], c.pos[2]}, c.rot, c.tilt);
            if (c.knock != TrainerCommand::kNoKnock)
                sim::KnockRobot(world_, a->robot, Way(c.knock), c.knockSpeed);
            return "(ok)";
        }
        case TrainerCommand::kGetState:
            return WriteState(Truth());
        case TrainerCommand::kKillSim:
            killed_ = true;
            log_.Info("killed by the trainer");
            return "(ok)";
        case TrainerCommand::kInvalid:
            break;
    }
    return "(error " + c.error + ")";
}

// Commands typed on the page wait for the end of a cycle, like those of the trainer port. A
// cycle gives them a share of its time; what is left waits for the next cycle.
void Server::ServeMonitorCommands() {
    if (!monitor_) return;
    const Clock::time_point until = Clock::now() + kMonitorCommandBudget;
    CommandInbox::Pending p;
    while (Clock::now() < until && monitorCommands_.TakeOne(p)) {
        std::string reply;
        for (const std::string& r : RunTrainerText(p.text, true)) reply += r;
        p.reply->set_value(reply);
    }
}
