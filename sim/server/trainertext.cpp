#include "sim/server/trainertext.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "sim/server/sexpr.h"

namespace {

TrainerCommand Invalid(const std::string& error) {
    TrainerCommand c;
    c.error = error;
    return c;
}

// (NAME a b c ...) with `count` finite numbers.
bool Numbers(const SNode* g, size_t count, double* out) {
    if (!g || g->items.size() != count + 1) return false;
    for (size_t i = 0; i < count; ++i) {
        const SNode& item = g->items[i + 1];
        if (item.isList || !ParseNumberAtom(item.atom, out[i]) || !std::isfinite(out[i]))
            return false;
    }
    return true;
}

bool Side(const SNode* g, bool& left) {
    if (!g || g->items.size() != 2 || g->items[1].isList) return false;
    const std::string& s = g->items[1].atom;
    if (s != "Left" && s != "Right") return false;
    left = s == "Left";
    return true;
}

// (knock front|back|left|right [RAD_PER_S])
bool Knock(const SNode* g, TrainerCommand& c) {
    if (!g || g->items.size() < 2 || g->items.size() > 3 || g->items[1].isList) return false;
    if (g->items.size() == 3) {
        const SNode& speed = g->items[2];
        if (speed.isList || !ParseNumberAtom(speed.atom, c.knockSpeed) ||
            !(c.knockSpeed > 0 && c.knockSpeed <= 10))
            return false;
    }
    const std::string& s = g->items[1].atom;
    const struct {
        const char* name;
        TrainerCommand::Knock knock;
    } ways[] = {{"front", TrainerCommand::kKnockFront},
                {"back", TrainerCommand::kKnockBack},
                {"left", TrainerCommand::kKnockLeft},
                {"right", TrainerCommand::kKnockRight}};
    for (const auto& way : ways) {
        if (s == way.name) {
            c.knock = way.knock;
            return true;
        }
    }
    return false;
}

// A placement (pos and rot, tilt optional), a knock, or both: the placement first.
TrainerCommand ReadAgent(const SNode& g) {
    TrainerCommand c;
    c.kind = TrainerCommand::kAgent;
    double unum;
    if (!Side(g.Find("team"), c.left) || !Numbers(g.Find("unum"), 1, &unum) ||
        unum != std::floor(unum) || unum < 1 || unum > 99)
        return Invalid("bad agent command");
    c.unum = static_cast<int>(unum);
    if (const SNode* knock = g.Find("knock")) {
        if (!Knock(knock, c))
            return Invalid("bad knock: front, back, left or right, then rad/s up to 10");
    }
    c.place = g.Find("pos") || g.Find("rot") || g.Find("tilt") || c.knock == c.kNoKnock;
    if (!c.place) return c;
    if (!Numbers(g.Find("pos"), 3, c.pos) || !Numbers(g.Find("rot"), 1, &c.rot))
        return Invalid("bad agent command");
    if (!PlaceableOnGrass(c.pos)) return Invalid(kOffGrassError);
    if (const SNode* tilt = g.Find("tilt")) {
        if (!Numbers(tilt, 1, &c.tilt) || std::fabs(c.tilt) > 180)
            return Invalid("bad agent command");
    }
    return c;
}

TrainerCommand ReadCommand(const SNode& g) {
    const std::string& head = g.Head();
    TrainerCommand c;
    if (head == "kickOff") {
        c.kind = TrainerCommand::kKickOff;
        if (!Side(&g, c.left)) return Invalid("bad kickOff side");
    } else if (head == "playMode") {
        c.kind = TrainerCommand::kPlayMode;
        if (g.items.size() != 2 || g.items[1].isList || !ParsePlayMode(g.items[1].atom, c.mode))
            return Invalid("unknown play mode");
    } else if (head == "ball") {
        c.kind = TrainerCommand::kBall;
        if (!Numbers(g.Find("pos"), 3, c.pos)) return Invalid("bad ball command");
        if (const SNode* vel = g.Find("vel")) {
            if (!Numbers(vel, 3, c.vel)) return Invalid("bad ball command");
            c.hasVel = true;
        }
        if (!PlaceableOnGrass(c.pos)) return Invalid(kOffGrassError);
        if (std::sqrt(c.vel[0] * c.vel[0] + c.vel[1] * c.vel[1] + c.vel[2] * c.vel[2]) >
            kMaxPlacementSpeed)
            return Invalid("ball speed above 100 m/s");
    } else if (head == "agent") {
        return ReadAgent(g);
    } else if (head == "getState" && g.items.size() == 1) {
        c.kind = TrainerCommand::kGetState;
    } else if (head == "killsim" && g.items.size() == 1) {
        c.kind = TrainerCommand::kKillSim;
    } else {
        return Invalid("unknown command");
    }
    return c;
}

// Clamped like the perception's numbers, so that the text of any value fits the buffer.
void Num(std::string& out, double v, int decimals) {
    if (!std::isfinite(v)) v = 0;
    v = std::fmax(-1e9, std::fmin(v, 1e9));
    char buf[64];
    std::snprintf(buf, sizeof(buf), "%.*f", decimals, v);
    // A value that rounds to zero is written without a sign.
    const char* text = buf;
    if (buf[0] == '-' && std::strspn(buf + 1, "0.") == std::strlen(buf + 1)) text = buf + 1;
    out += text;
}

void Vec(std::string& out, const char* name, const double v[3]) {
    out += std::string("(") + name;
    for (int i = 0; i < 3; ++i) {
        out += ' ';
        Num(out, v[i], 4);
    }
    out += ')';
}

}  // namespace

std::vector<TrainerCommand> ParseTrainerCommands(const std::string& text) {
    SexprReadResult read = ReadGroups(text);
    std::vector<TrainerCommand> commands;
    for (const SNode& g : read.groups) commands.push_back(ReadCommand(g));
    if (read.malformed > 0 || commands.empty()) commands.push_back(Invalid("malformed command"));
    return commands;
}

std::string WriteState(const WorldTruth& t) {
    std::string out = "(state (time ";
    Num(out, t.time, 2);
    out += ") (gameTime ";
    Num(out, t.gameTime, 2);
    out += ") (playMode ";
    out += PlayModeName(t.mode);
    out += ") (score " + std::to_string(t.scoreLeft) + ' ' + std::to_string(t.scoreRight) + ")";
    out += " (ball ";
    Vec(out, "pos", t.ballPos);
    out += ' ';
    Vec(out, "vel", t.ballVel);
    out += ')';
    if (t.lastTouch.known)
        out += std::string(" (lastTouch (team ") + (t.lastTouch.left ? "Left" : "Right") +
               ") (unum " + std::to_string(t.lastTouch.unum) + "))";
    for (const RobotTruth& r : t.robots) {
        out += " (robot (team ";
        out += r.left ? "Left" : "Right";
        out += ") (unum " + std::to_string(r.unum) + ") ";
        Vec(out, "pos", r.pos);
        out += " (heading ";
        Num(out, r.heading, 2);
        out += ") (upz ";
        Num(out, r.upz, 4);
        out += ") (fallen ";
        out += r.fallen ? "1" : "0";
        out += "))";
    }
    out += ')';
    return out;
}
