#include "sim/server/perception.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "sim/server/framing.h"

namespace {

// No reading on this wire comes near it; beyond it a number is clamped, so that the text of
// any number fits the buffer below (and the agent's single-precision floats).
const double kLargestWireNumber = 1e9;

// Appends v with `decimals` (at most 6) decimals; non-finite values become 0.
void Num(std::string& out, double v, int decimals) {
    if (!std::isfinite(v)) v = 0;
    v = std::clamp(v, -kLargestWireNumber, kLargestWireNumber);
    // The digits of printf's "%.*f" (exact rounding of the binary value), at a fraction of its
    // cost: a perception has a few hundred numbers.
    char buf[32];
    const std::to_chars_result r = std::to_chars(
        buf, buf + sizeof(buf), v, std::chars_format::fixed, std::clamp(decimals, 0, 6));
    const int n = r.ec == std::errc() ? static_cast<int>(r.ptr - buf) : 0;  // fits after the clamp
    // "-0.00" reads as zero anyway, but keep the wire tidy.
    if (n > 1 && buf[0] == '-') {
        bool zero = true;
        for (int i = 1; i < n; ++i)
            if (buf[i] != '0' && buf[i] != '.') zero = false;
        if (zero) {
            out.append(buf + 1, static_cast<size_t>(n - 1));
            return;
        }
    }
    out.append(buf, static_cast<size_t>(n));
}

void Vec(std::string& out, const double v[3], int decimals) {
    for (int i = 0; i < 3; ++i) {
        out += ' ';
        Num(out, v[i], decimals);
    }
}

void Pol(std::string& out, const PolarReading& p) {
    out += "(pol ";
    Num(out, p.distance, 2);
    out += ' ';
    Num(out, p.horizontal, 2);
    out += ' ';
    Num(out, p.vertical, 2);
    out += ')';
}

void WriteBody(std::string& out, const RobotPerception& p) {
    out += "(time (now ";
    Num(out, p.time, 2);
    out += "))(GS ";
    if (p.identified) {
        out += "(unum " + std::to_string(p.unum) + ") (team ";
        out += p.leftSide ? "left" : "right";
        out += ") ";
    }
    out += "(t ";
    Num(out, p.gameTime, 2);
    out += ") (pm " + p.playMode + ")";
    if (p.identified)
        out +=
            " (sl " + std::to_string(p.scoreLeft) + ") (sr " + std::to_string(p.scoreRight) + ")";
    out += ")";
    out += "(GYR (n torso) (rt";
    Vec(out, p.gyro, 2);
    out += "))(ACC (n torso) (a";
    Vec(out, p.acc, 2);
    out += "))";
    for (int i = 0; i < sim::kJointCount; ++i) {
        out += "(HJ (n ";
        out += sim::kJointNames[i].perceptor;
        out += ") (ax ";
        Num(out, p.joints[i], 2);
        out += "))";
    }
    const FootReading* feet[2] = {&p.leftFoot, &p.rightFoot};
    const char* names[2] = {"lf", "rf"};
    for (int k = 0; k < 2; ++k) {
        if (!feet[k]->touching) continue;
        out += "(FRP (n ";
        out += names[k];
        out += ") (c";
        Vec(out, feet[k]->c, 2);
        out += ") (f";
        Vec(out, feet[k]->f, 2);
        out += "))";
    }
}

std::string SeeGroup(const RobotPerception& p, size_t robotCount) {
    std::string out = "(See";
    for (const SeenObject& o : p.objects) {
        out += " (" + o.name + ' ';
        Pol(out, o.pol);
        out += ')';
    }
    for (size_t r = 0; r < robotCount; ++r) {
        const SeenRobot& robot = p.robots[r];
        out += " (P (team " + robot.team + ") (id " + std::to_string(robot.unum) + ')';
        for (const SeenPart& part : robot.parts) {
            out += " (" + part.name + ' ';
            Pol(out, part.pol);
            out += ')';
        }
        out += ')';
    }
    for (const SeenLine& l : p.lines) {
        out += " (L ";
        Pol(out, l.a);
        out += ' ';
        Pol(out, l.b);
        out += ')';
    }
    out += ')';
    return out;
}

std::string HearGroup(const HeardMessage& h) {
    std::string out = "(hear " + h.team + ' ';
    Num(out, h.time, 2);
    out += ' ';
    if (h.self) {
        out += "self";
    } else {
        Num(out, h.direction, 2);
    }
    out += ' ' + h.text + ')';
    return out;
}

}  // namespace

std::string WritePerception(const RobotPerception& p) {
    std::string out;
    out.reserve(4096);
    WriteBody(out, p);
    std::vector<std::string> hear;
    size_t hearSize = 0;
    for (const HeardMessage& h : p.heard) {
        hear.push_back(HearGroup(h));
        hearSize += hear.back().size();
    }
    // Robots are left out first, as few as needed; then heard messages.
    size_t robots = p.robots.size();
    std::string see = p.visionCycle ? SeeGroup(p, robots) : "";
    while (out.size() + see.size() + hearSize > kMaxPerceptionPayload && robots > 0)
        see = SeeGroup(p, --robots);
    if (out.size() + see.size() > kMaxPerceptionPayload) see.clear();
    out += see;
    for (const std::string& group : hear) {
        if (out.size() + group.size() > kMaxPerceptionPayload) break;
        out += group;
    }
    return out;
}
