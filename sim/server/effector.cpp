#include "sim/server/effector.h"

#include <cmath>
#include <cstdio>

#include "sim/server/sexpr.h"

namespace {

bool IsAtom(const SNode& n) {
    return !n.isList;
}

// (NAME value) with a single atom value.
bool SingleAtom(const SNode* group, std::string& value) {
    if (!group || group->items.size() != 2 || !IsAtom(group->items[1])) return false;
    value = group->items[1].atom;
    return true;
}

// An item as text, for messages ("(...)" for a list).
std::string AtomText(const SNode& n) {
    return IsAtom(n) ? n.atom : "(...)";
}

void ReadJoint(const SNode& g, int joint, EffectorCommands& c, EffectorRejects& r) {
    double v;
    if (g.items.size() != 2 || !IsAtom(g.items[1]) || !ParseNumberAtom(g.items[1].atom, v)) {
        r.malformed++;
        return;
    }
    if (!std::isfinite(v)) {
        r.nonFinite++;  // the joint keeps its previous command
        return;
    }
    if (std::fabs(v) > kMaxJointSpeed) {
        c.clampedJoints++;  // the league's rule, not a fault of the agent's
        v = v > 0 ? kMaxJointSpeed : -kMaxJointSpeed;
    }
    c.jointSet[joint] = true;
    c.jointVelocity[joint] = v;
}

void ReadInit(const SNode& g, EffectorCommands& c, EffectorRejects& r) {
    std::string unumText, team;
    long unum;
    bool shape = g.items.size() == 3 && SingleAtom(g.Find("unum"), unumText) &&
                 SingleAtom(g.Find("teamname"), team);
    if (!shape || !ParseIntAtom(unumText, unum) || team.empty()) {
        r.malformed++;
        return;
    }
    if (unum < 0) {
        r.outOfRange++;
        return;
    }
    std::string fault = TeamNameFault(team);
    if (!fault.empty()) {
        r.outOfRange++;
        c.initError = fault;
        return;
    }
    c.init = true;
    c.unum = static_cast<int>(unum);
    c.teamName = team;
}

void ReadBeam(const SNode& g, EffectorCommands& c, EffectorRejects& r) {
    double v[3];
    if (g.items.size() != 4) {
        r.malformed++;
        return;
    }
    for (int i = 0; i < 3; ++i) {
        if (!IsAtom(g.items[i + 1]) || !ParseNumberAtom(g.items[i + 1].atom, v[i])) {
            r.malformed++;
            return;
        }
        if (!std::isfinite(v[i])) {
            r.nonFinite++;
            return;
        }
    }
    c.beam = true;
    c.beamX = v[0];
    c.beamY = v[1];
    c.beamRot = v[2];
}

void ReadGroup(const SNode& g, EffectorCommands& c, EffectorRejects& r) {
    const std::string& head = g.Head();
    if (head.empty()) {
        r.malformed++;
        return;
    }
    int joint = sim::JointByEffector(head);
    if (joint >= 0) {
        ReadJoint(g, joint, c, r);
    } else if (head == "scene") {
        // Any shape is taken, so that the server can say what it does not offer.
        c.scene = true;
        c.scenePath = g.items.size() > 1 && IsAtom(g.items[1]) ? g.items[1].atom : "";
        c.sceneExtra.clear();
        for (size_t i = 2; i < g.items.size(); ++i)
            c.sceneExtra += (i > 2 ? " " : "") + AtomText(g.items[i]);
    } else if (head == "init") {
        ReadInit(g, c, r);
    } else if (head == "beam") {
        ReadBeam(g, c, r);
    } else if (head == "say") {
        std::string text;
        if (!SingleAtom(&g, text) || !IsValidSayText(text)) {
            r.badSay++;
            return;
        }
        c.say = true;
        c.sayText = text;
    } else if (head == "syn") {
        c.syn = true;
    } else {
        r.unknown++;
    }
}

}  // namespace

bool IsValidSayText(const std::string& text) {
    if (text.empty() || text.size() > kMaxSayLength) return false;
    for (char ch : text)
        if (ch <= ' ' || ch > '~' || ch == '(' || ch == ')') return false;
    return true;
}

std::string TeamNameFault(const std::string& name) {
    if (name.empty() || name.size() > kMaxTeamNameLength)
        return "a team name of " + std::to_string(name.size()) + " characters (1.." +
               std::to_string(kMaxTeamNameLength) + " allowed)";
    for (size_t i = 0; i < name.size(); ++i) {
        const unsigned char ch = static_cast<unsigned char>(name[i]);
        if (ch <= ' ' || ch > '~' || ch == '(' || ch == ')') {
            char hex[8];
            std::snprintf(hex, sizeof hex, "0x%02x", ch);
            return std::string("a team name with the byte ") + hex + " at " + std::to_string(i) +
                   " (printable characters only, no blanks or parentheses)";
        }
    }
    return "";
}

void ParseEffectors(const std::string& text, EffectorCommands& commands, EffectorRejects& rejects) {
    SexprReadResult read = ReadGroups(text);
    rejects.malformed += read.malformed;
    for (const SNode& group : read.groups) ReadGroup(group, commands, rejects);
}
