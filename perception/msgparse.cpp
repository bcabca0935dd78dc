#include "perception/msgparse.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <sstream>

#include "behavior/naobehavior.h"
#include "net/mytime.h"
#include "world/data.h"

namespace {

const double kPi = 3.1415926;  // the constant every degree/radian conversion of the agent uses

// Character i of s, or '\0' past the end: the readers dispatch on the first one or two
// characters of groups that may be empty or one character long.
char CharAt(const std::string& s, std::size_t i) {
    return i < s.size() ? s[i] : '\0';
}

// s from pos to its end; empty when pos lies beyond the end.
std::string Tail(const std::string& s, std::size_t pos) {
    return pos < s.size() ? s.substr(pos) : std::string();
}

bool StartsWith(const std::string& s, const std::string& prefix) {
    return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

// What atof gives for text. The plain decimal numbers of the server (a sign, digits, a point,
// an exponent) take from_chars, the same correctly rounded value at a fraction of the cost
// (a perception has a few hundred numbers); anything else (blanks or '+' first, hexadecimal,
// inf, nan, a value out of range) is left to atof itself.
double ReadLikeAtof(const std::string& text) {
    const char* first = text.data();
    const char* last = first + text.size();
    const char* digits = first < last && *first == '-' ? first + 1 : first;
    if (digits < last && (std::isdigit(static_cast<unsigned char>(*digits)) || *digits == '.')) {
        double value = 0;
        const std::from_chars_result r = std::from_chars(first, last, value);
        if (r.ec == std::errc() && (r.ptr == last || (*r.ptr != 'x' && *r.ptr != 'X')))
            return value;
    }
    return std::atof(text.c_str());
}

// A number as atof reads it, stored as float. Text that atof turns into something that is
// not a finite float ("nan", "inf", 1e999) or into a magnitude beyond any reading the server
// sends (1e6: metres, degrees, seconds, newtons) counts as unparsable and gives 0, so no
// perception value can drive the body model or the commands into infinity or NaN.
float ToNumber(const std::string& text) {
    const double kLargestReading = 1e6;
    const double value = ReadLikeAtof(text);
    return std::fabs(value) <= kLargestReading ? static_cast<float>(value) : 0.0f;
}

// The text before the first blank of text, and text after that blank (empty without one).
std::string TakeWord(std::string& text) {
    std::size_t blank = text.find(' ');
    std::string word = text.substr(0, blank);
    text = blank == std::string::npos ? std::string() : text.substr(blank + 1);
    return word;
}

FlagLocation MakeFlag(float x, float y, float z) {
    FlagLocation f;
    f.x = x;
    f.y = y;
    f.z = z;
    return f;
}

}  // namespace

FlagLocation Pol2RAngle(FlagLocation pol) {
    const double d = pol.x;
    const double h = pol.y;
    const double v = pol.z;
    if (std::fabs(v - 90.0) < 1e-5) return MakeFlag(0, 0, static_cast<float>(d));
    if (std::fabs(v + 90.0) < 1e-5) return MakeFlag(0, 0, static_cast<float>(-d));

    const double hRad = h * kPi / 180.0;
    const double vRad = v * kPi / 180.0;
    const double horizontal = d * std::cos(vRad);  // length of the projection on the x-y plane
    const double z = std::fabs(std::tan(vRad)) < 1e-5 ? 0.0 : d * std::sin(vRad);
    if (std::fabs(h) < 1e-5) return MakeFlag(horizontal, 0, z);
    if (std::fabs(h + 180.0) < 1e-5) return MakeFlag(-horizontal, 0, z);
    return MakeFlag(horizontal * std::cos(hRad), horizontal * std::sin(hRad), z);
}

double GetNormalizedAngle(double angle) {
    if (!std::isfinite(angle)) return angle;
    // Far outside one turn the stepping loops below would take too long; fmod gets there in one.
    if (std::fabs(angle) > 3600.0) angle = std::fmod(angle, 360.0);
    while (angle > 180.0) angle -= 360.0;
    while (angle < -180.0) angle += 360.0;
    return angle;
}

int GlobalGetIntFromString(std::string text) {
    std::istringstream in(text);
    int value = 0;
    if (in >> value) return value;
    return 0;
}

MsgParse::MsgParse() : myGYRCount() {}

std::list<std::string> MsgParse::Parse(const std::string& text) {
    std::list<std::string> groups;
    long depth = 0;  // not clamped: a stray ")" takes it below zero
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '(') {
            if (++depth == 1) start = i + 1;
        } else if (text[i] == ')') {
            if (--depth == 0) groups.push_back(text.substr(start, i - start));
        }
    }
    return groups;
}

bool MsgParse::GetValue(const std::string& text, const std::string& name, std::string& value) {
    for (const std::string& group : Parse(text)) {
        if (StartsWith(group, name)) {
            value = Tail(group, name.size() + 1);
            return true;
        }
    }
    return false;
}

bool MsgParse::GetValue_A(const std::string& group, const std::string& name, float& value) {
    value = ToNumber(Tail(group, name.size() + 1));
    return true;
}

bool MsgParse::GetValue_A(const std::string& group, const std::string& name, std::string& value) {
    value = Tail(group, name.size() + 1);
    return true;
}

bool MsgParse::GetFlag(const std::string& text, const std::string& name, float& a, float& b,
                       float& c, std::string& head) {
    std::list<std::string> groups = Parse(text);
    if (groups.empty()) groups.push_back(text);
    head = text.substr(0, text.find(' '));
    for (const std::string& group : groups) {
        if (!StartsWith(group, name)) continue;
        std::string rest = Tail(group, name.size() + 1);
        a = ToNumber(TakeWord(rest));
        b = ToNumber(TakeWord(rest));
        c = ToNumber(rest);
        return true;
    }
    return false;
}

void MsgParse::PareseMsg(std::string msg, Player& player, WorldModel& world) {
    for (std::string& group : Parse(msg)) {
        switch (CharAt(group, 0)) {
            case 't':
                ParseTotalTime(group);
                break;
            case 'G':
                if (CharAt(group, 1) == 'S') {
                    ParseTimeInfo(group, world);
                } else if (CharAt(group, 1) == 'Y') {
                    ParseGYRInfro(group, player);
                }
                break;
            case 'H':
                ParseHingeJointInfo(group, player);
                break;
            case 'F':
                ParseFRPInfo(group, player, world);
                break;
            case 'S':
                SeeInfo(group, player, world);
                break;
            case 'h':
                ParseHearMsg(group, player, world);
                break;
            default:
                break;
        }
    }
}

void MsgParse::ParseTotalTime(const std::string& group) {
    bool found = false;
    float now = 0;
    for (const std::string& inner : Parse(group)) {
        if (CharAt(inner, 0) != 'n') continue;
        GetValue_A(inner, "now", now);
        found = true;
    }
    if (found) MyTime::totalTime = now;
}

void MsgParse::ParseTimeInfo(std::string& group, WorldModel& world) {
    if (world.sMatchState == "BeforeKickOff") {
        GetValue(group, "unum", DATA::Unum);
        GetValue(group, "team", DATA::TeamSide);
    }
    for (const std::string& inner : Parse(group)) {
        switch (CharAt(inner, 0)) {
            case 'p':
                GetValue_A(inner, "pm", world.sMatchState);
                break;
            case 't':  // also a "team" group, which reads as time 0 until "t" follows
                GetValue_A(inner, "t", world.mTime);
                world.mTime_5 = static_cast<float>(static_cast<double>(world.mTime) - 0.1);
                break;
            default:
                break;
        }
    }
}

void MsgParse::ParseHingeJointInfo(std::string& group, Player& player) {
    Player::HingeJointSense sense;
    Player::JointID joint = Player::JID_HEAD_1;
    bool haveJoint = false;
    for (const std::string& inner : Parse(group)) {
        switch (CharAt(inner, 0)) {
            case 'n': {
                std::string name;
                GetValue_A(inner, "n", name);
                auto found = player.mJointIDMap.find(name);
                if (found == player.mJointIDMap.end()) {
                    std::cerr << "(NaoBehavior) unknown joint id!" << std::endl;
                    return;
                }
                joint = found->second;
                haveJoint = true;
                break;
            }
            case 'a':
                GetValue_A(inner, "ax", sense.angle);
                sense.rate = 0;
                if (haveJoint) player.mHingeJointSenseMap[joint] = sense;
                break;
            default:
                break;
        }
    }
}

void MsgParse::ParseGYRInfro(std::string& group, Player& player) {
    float x = 0, y = 0, z = 0;
    std::string head;
    if (!GetFlag(group, "rt", x, y, z, head)) return;
    // Rates in degrees per second become the angle turned in one 0.02 s server cycle.
    player.GYRAngle = MakeFlag(x / 50, y / 50, z / 50);
    player.SetGYRTMatrix_Torse();
    myGYRCount = myGYRCount + player.GYRAngle;
}

void MsgParse::ParseFRPInfo(const std::string& group, Player& player, WorldModel& /*world*/) {
    FRPFlagLocation record;
    std::string foot;
    for (const std::string& inner : Parse(group)) {
        float x = 0, y = 0, z = 0;
        std::string head;
        switch (CharAt(inner, 0)) {
            case 'f':
                GetFlag(inner, "f", x, y, z, head);
                record.f = MakeFlag(x, y, z);
                break;
            case 'n':
                GetValue_A(inner, "n", foot);
                record.time = MyTime::totalTime;
                break;
            case 'c':
                GetFlag(inner, "c", x, y, z, head);
                record.c = MakeFlag(x, y, z);
                break;
            default:
                break;
        }
    }
    if (foot == "rf") {
        player.RightFRP = record;
    } else {
        player.LeftFRP = record;
    }
}

void MsgParse::SeeInfo(std::string& group, Player& player, WorldModel& world) {
    std::list<std::string> objects = Parse(group);
    if (objects.empty()) return;

    world.mFlagMap.clear();
    float nearestDistance = 65536;
    std::string nearestName;
    const bool headSweep =
        NaoBehavior::mState == S_GYRRotateHead || NaoBehavior::mState == S_HeadRotate;

    for (std::string& object : objects) {
        if (CharAt(object, 0) == 'P') {
            ParsePlayerInfo(object, player, world);
            continue;
        }
        float d = 0, h = 0, v = 0;
        std::string name;
        GetFlag(object, "pol", d, h, v, name);
        const FlagLocation polar = MakeFlag(d, h, v);

        if (name == "B") {
            WorldModel::BallLocation& ball = world.ballLocatoin;
            ball.ballLocatoinToHead = Pol2RAngle(polar);
            ball.angleHead1 = player.mHingeJointSenseMap[Player::JID_HEAD_1].angle;
            ball.angleHead2 = player.mHingeJointSenseMap[Player::JID_HEAD_2].angle;
            ball.time = MyTime::totalTime;
            player.sphereAngleBallToHead = h;
            Player::sphereAngleBallToHead1 = h;
            continue;
        }
        if (name == "L") continue;  // field lines are not used

        if (d < nearestDistance) {
            nearestDistance = d;
            nearestName = name;
        }
        FRPFlagLocation& seen = world.mFlagMap[name];
        seen.c = Pol2RAngle(polar);
        seen.f = polar;
        seen.time = MyTime::totalTime;

        if (headSweep) {
            GYRCalFlagLocation& swept = world.mFFlagMap[name];
            // Signed comparison: only a head turning in the positive sense blurs the position.
            const FlagLocation& gyr = player.GYRAngle;
            if (gyr.x < 0.01 && gyr.y < 0.01 && gyr.z < 0.01) swept.c = Pol2RAngle(polar);
            swept.o = polar;
            swept.time = MyTime::totalTime;
            swept.angleHead1 = player.mHingeJointSenseMap[Player::JID_HEAD_1].angle;
            swept.angleHead2 = player.mHingeJointSenseMap[Player::JID_HEAD_2].angle;
        }
    }
    player.minDistanceName = nearestName;
}

void MsgParse::ParsePlayerInfo(std::string& group, Player& player, WorldModel& world) {
    PlayerSeeInfoFlagLocation seen;
    std::string team;
    std::string id;
    const float now = MyTime::totalTime;

    for (const std::string& part : Parse(group)) {
        float d = 0, h = 0, v = 0;
        std::string head;
        const char first = CharAt(part, 0);
        const char second = CharAt(part, 1);
        if (first == 'i') {
            GetValue_A(part, "id", id);
            continue;
        }
        if (first == 't') {
            GetValue_A(part, "team", team);
            continue;
        }
        FlagLocation* position = nullptr;
        float* stamp = nullptr;
        if (first == 'h') {
            position = &seen.head;
            stamp = &seen.headTime;
        } else if (first == 'l' && second == 'f') {
            position = &seen.lfoot;
            stamp = &seen.lfootTime;
        } else if (first == 'l' && second == 'l') {
            position = &seen.llowerarm;
            stamp = &seen.llowerarmTime;
        } else if (first == 'r' && second == 'f') {
            position = &seen.rfoot;
            stamp = &seen.rfootTime;
        } else if (first == 'r' && second == 'l') {
            position = &seen.rlowerarm;
            stamp = &seen.rlowerarmTime;
        } else {
            continue;
        }
        GetFlag(part, "pol", d, h, v, head);
        *position = Pol2RAngle(MakeFlag(d, h, v));
        *stamp = now;
        seen.changeTime = now;
    }

    if (team != DATA::TeamName) {
        world.mOppositePlayMap[id] = seen;
    } else if (id != DATA::Unum) {
        world.mFriendPlayMap[id] = seen;
    } else {
        player.mySeeInfoSelf = seen;
    }
}

void MsgParse::ParseHearMsg(std::string& group, Player& /*player*/, WorldModel& world) {
    const std::size_t key = group.find(DATA::hearMsgKey);
    if (key == std::string::npos || key < 2 || key > 199) return;

    // KEY N X y Y: N the sender's uniform number, X and Y its field position.
    const std::string said = group.substr(key);
    const std::string sender = said.substr(std::min<std::size_t>(3, said.size()), 1);
    if (sender == DATA::Unum || sender.size() != 1 || sender[0] < '1' || sender[0] > '9') return;
    const std::size_t yAt = said.find('y', 4);
    if (yAt == std::string::npos) return;  // no position in the message

    headFlagLocation& mate = world.mFriendPlayHeadMap[sender];
    mate.head = MakeFlag(ToNumber(said.substr(4, yAt - 4)), ToNumber(Tail(said, yAt + 1)), 0);
    mate.time = MyTime::totalTime;
}
