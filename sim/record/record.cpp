#include "sim/record/record.h"

#include <cmath>
#include <nlohmann/json.hpp>

using json = nlohmann::ordered_json;

namespace {

// Decimals kept per quantity: mm for positions, 0.1 deg for joints, 1e-4 for quaternions.
const int kPosDecimals = 3;
const int kVelDecimals = 3;
const int kQuatDecimals = 4;
const int kJointDecimals = 1;
const int kTimeDecimals = 2;

// JSON has no NaN or infinity: such a value is written as 0.
double Round(double v, int decimals) {
    if (!std::isfinite(v)) return 0;
    const double scale = std::pow(10.0, decimals);
    return std::round(v * scale) / scale + 0.0;  // + 0.0: no "-0.0" in the text
}

json Array(const double* v, int n, int decimals) {
    json a = json::array();
    for (int i = 0; i < n; ++i) a.push_back(Round(v[i], decimals));
    return a;
}

void ReadArray(const json& a, double* v, int n) {
    if (!a.is_array() || static_cast<int>(a.size()) != n)
        throw std::runtime_error("an array of " + std::to_string(n) + " numbers expected");
    for (int i = 0; i < n; ++i) v[i] = a.at(i).get<double>();
}

const char* Side(bool left) {
    return left ? "Left" : "Right";
}

bool ReadSide(const json& j) {
    const std::string side = j.get<std::string>();
    if (side != "Left" && side != "Right") throw std::runtime_error("side '" + side + "'");
    return side == "Left";
}

json Robot(const RobotId& r) {
    return {{"team", Side(r.left)}, {"unum", r.unum}};
}

RobotId ReadRobotId(const json& j) {
    RobotId r;
    r.left = ReadSide(j.at("team"));
    r.unum = j.at("unum").get<int>();
    return r;
}

json Event(const MatchEvent& e) {
    json j = {{"type", EventKindName(e.kind)},
              {"time", Round(e.time, kTimeDecimals)},
              {"gameTime", Round(e.gameTime, kTimeDecimals)}};
    switch (e.kind) {
        case MatchEvent::kGoal:
            j["team"] = Side(e.left);
            j["scorer"] = e.robot.unum > 0 ? Robot(e.robot) : json(nullptr);
            j["score"] = {e.scoreLeft, e.scoreRight};
            break;
        case MatchEvent::kOut:
            j["mode"] = e.mode;
            j["pos"] = Array(e.pos, 2, kPosDecimals);
            break;
        case MatchEvent::kPlayMode:
            j["mode"] = e.mode;
            break;
        case MatchEvent::kGetUp:
            j["robot"] = Robot(e.robot);
            j["seconds"] = Round(e.seconds, kTimeDecimals);
            break;
        case MatchEvent::kFall:
            j["robot"] = Robot(e.robot);
            break;
        case MatchEvent::kJoin:
        case MatchEvent::kLeave:
        case MatchEvent::kRefusal:
            j["robot"] = e.robot.unum > 0 ? Robot(e.robot) : json(nullptr);
            j["text"] = e.text;
            break;
        case MatchEvent::kLate:
        case MatchEvent::kCounts:
            j["robot"] = Robot(e.robot);
            j["late"] = e.counts.late;
            j["timeouts"] = e.counts.timeouts;
            if (e.kind == MatchEvent::kCounts) j["clamped"] = e.counts.clamped;
            break;
    }
    return j;
}

MatchEvent ReadEvent(const json& j) {
    MatchEvent e;
    if (!ParseEventKind(j.at("type").get<std::string>(), e.kind))
        throw std::runtime_error("unknown event type " + j.at("type").dump());
    e.time = j.at("time").get<double>();
    e.gameTime = j.at("gameTime").get<double>();
    if (j.contains("robot") && !j["robot"].is_null()) e.robot = ReadRobotId(j["robot"]);
    switch (e.kind) {
        case MatchEvent::kGoal:
            e.left = ReadSide(j.at("team"));
            if (!j.at("scorer").is_null()) e.robot = ReadRobotId(j["scorer"]);
            e.scoreLeft = j.at("score").at(0).get<int>();
            e.scoreRight = j.at("score").at(1).get<int>();
            break;
        case MatchEvent::kOut:
            e.mode = j.at("mode").get<std::string>();
            ReadArray(j.at("pos"), e.pos, 2);
            break;
        case MatchEvent::kPlayMode:
            e.mode = j.at("mode").get<std::string>();
            break;
        case MatchEvent::kGetUp:
            e.seconds = j.at("seconds").get<double>();
            break;
        case MatchEvent::kFall:
            break;
        case MatchEvent::kJoin:
        case MatchEvent::kLeave:
        case MatchEvent::kRefusal:
            e.text = j.at("text").get<std::string>();
            break;
        case MatchEvent::kLate:
        case MatchEvent::kCounts:
            e.counts.late = j.at("late").get<long>();
            e.counts.timeouts = j.at("timeouts").get<long>();
            if (e.kind == MatchEvent::kCounts) e.counts.clamped = j.at("clamped").get<long>();
            break;
    }
    return e;
}

json Geom(const RecordGeom& g) {
    return {{"name", g.name},
            {"type", g.type},
            {"size", Array(g.size, 3, 6)},
            {"pos", Array(g.pos, 3, 6)},
            {"quat", Array(g.quat, 4, 8)}};
}

json Body(const RecordBody& b) {
    json geoms = json::array();
    for (const RecordGeom& g : b.geoms) geoms.push_back(Geom(g));
    json j = {{"name", b.name},
              {"parent", b.parent},
              {"pos", Array(b.pos, 3, 6)},
              {"quat", Array(b.quat, 4, 8)},
              {"joint", b.joint},
              {"geoms", geoms}};
    if (b.joint >= 0) {
        j["axis"] = Array(b.axis, 3, 8);
        j["range"] = Array(b.range, 2, 3);
    }
    return j;
}

RecordBody ReadBody(const json& j) {
    RecordBody b;
    b.name = j.at("name").get<std::string>();
    b.parent = j.at("parent").get<int>();
    ReadArray(j.at("pos"), b.pos, 3);
    ReadArray(j.at("quat"), b.quat, 4);
    b.joint = j.at("joint").get<int>();
    if (b.joint >= 0) {
        ReadArray(j.at("axis"), b.axis, 3);
        ReadArray(j.at("range"), b.range, 2);
    }
    for (const json& g : j.at("geoms")) {
        RecordGeom geom;
        geom.name = g.at("name").get<std::string>();
        geom.type = g.at("type").get<std::string>();
        ReadArray(g.at("size"), geom.size, 3);
        ReadArray(g.at("pos"), geom.pos, 3);
        ReadArray(g.at("quat"), geom.quat, 4);
        b.geoms.push_back(geom);
    }
    return b;
}

// Parses a line and checks its type; throws on any fault.
json Parse(const std::string& line, const char* type) {
    if (NestedDeeperThan(line, kMaxRecordDepth))
        throw std::runtime_error("nested more than " + std::to_string(kMaxRecordDepth) +
                                 " levels deep");
    json j = json::parse(line, nullptr, false);
    if (j.is_discarded() || !j.is_object()) throw std::runtime_error("not a JSON object");
    if (!j.contains("type") || j["type"] != type)
        throw std::runtime_error(std::string("not a ") + type + " record");
    return j;
}

}  // namespace

std::string WriteHeaderRecord(const RecordHeader& h) {
    const RecordField& f = h.field;
    json bodies = json::array();
    for (const RecordBody& b : h.bodies) bodies.push_back(Body(b));
    json j = {{"type", "header"},
              {"version", h.version},
              {"field",
               {{"length", f.length},
                {"width", f.width},
                {"goalWidth", f.goalWidth},
                {"goalHeight", f.goalHeight},
                {"goalDepth", f.goalDepth},
                {"centreCircleRadius", f.centreCircleRadius},
                {"ballRadius", f.ballRadius}}},
              {"cycleSeconds", h.cycleSeconds},
              {"halfTime", h.halfTime},
              {"joints", h.joints},
              {"bodies", bodies}};
    return j.dump();
}

std::string WriteCycleRecord(const RecordCycle& c) {
    json robots = json::array();
    for (const RecordRobot& r : c.robots)
        robots.push_back({{"team", Side(r.id.left)},
                          {"unum", r.id.unum},
                          {"pos", Array(r.pos, 3, kPosDecimals)},
                          {"quat", Array(r.quat, 4, kQuatDecimals)},
                          {"joints", Array(r.joints, sim::kJointCount, kJointDecimals)},
                          {"fallen", r.fallen}});
    json touches = json::array();
    for (const RobotId& t : c.touches) touches.push_back(Robot(t));
    json events = json::array();
    for (const MatchEvent& e : c.events) events.push_back(Event(e));
    json j = {
        {"type", "cycle"},
        {"time", Round(c.time, kTimeDecimals)},
        {"gameTime", Round(c.gameTime, kTimeDecimals)},
        {"playMode", c.playMode},
        {"score", {c.scoreLeft, c.scoreRight}},
        {"teams", {c.teamLeft, c.teamRight}},
        {"ball",
         {{"pos", Array(c.ballPos, 3, kPosDecimals)}, {"vel", Array(c.ballVel, 3, kVelDecimals)}}},
        {"lastTouch", c.lastTouch.unum > 0 ? Robot(c.lastTouch) : json(nullptr)},
        {"touches", touches},
        {"robots", robots},
        {"events", events}};
    return j.dump();
}

bool NestedDeeperThan(const std::string& text, int depth) {
    int level = 0;
    bool inString = false, escaped = false;
    for (char ch : text) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (ch == '\\')
                escaped = true;
            else if (ch == '"')
                inString = false;
        } else if (ch == '"') {
            inString = true;
        } else if (ch == '[' || ch == '{') {
            if (++level > depth) return true;
        } else if (ch == ']' || ch == '}') {
            --level;
        }
    }
    return false;
}

std::string RecordType(const std::string& line) {
    if (NestedDeeperThan(line, kMaxRecordDepth)) return "";
    json j = json::parse(line, nullptr, false);
    if (j.is_discarded() || !j.is_object() || !j.contains("type") || !j["type"].is_string())
        return "";
    return j["type"].get<std::string>();
}

bool ReadHeaderRecord(const std::string& line, RecordHeader& h, std::string& error) {
    try {
        json j = Parse(line, "header");
        h = RecordHeader();
        h.version = j.at("version").get<int>();
        if (h.version != kRecordFormatVersion) {
            error = "format version " + std::to_string(h.version) + " (this reader knows " +
                    std::to_string(kRecordFormatVersion) + ")";
            return false;
        }
        const json& f = j.at("field");
        h.field.length = f.at("length").get<double>();
        h.field.width = f.at("width").get<double>();
        h.field.goalWidth = f.at("goalWidth").get<double>();
        h.field.goalHeight = f.at("goalHeight").get<double>();
        h.field.goalDepth = f.at("goalDepth").get<double>();
        h.field.centreCircleRadius = f.at("centreCircleRadius").get<double>();
        h.field.ballRadius = f.at("ballRadius").get<double>();
        h.cycleSeconds = j.at("cycleSeconds").get<double>();
        h.halfTime = j.at("halfTime").get<double>();
        h.joints = j.at("joints").get<std::vector<std::string>>();
        for (const json& b : j.at("bodies")) h.bodies.push_back(ReadBody(b));
        return true;
    } catch (const std::exception& e) {
        error = std::string("header record: ") + e.what();
        return false;
    }
}

bool ReadCycleRecord(const std::string& line, RecordCycle& c, std::string& error) {
    try {
        json j = Parse(line, "cycle");
        c = RecordCycle();
        c.time = j.at("time").get<double>();
        c.gameTime = j.at("gameTime").get<double>();
        c.playMode = j.at("playMode").get<std::string>();
        c.scoreLeft = j.at("score").at(0).get<int>();
        c.scoreRight = j.at("score").at(1).get<int>();
        c.teamLeft = j.at("teams").at(0).get<std::string>();
        c.teamRight = j.at("teams").at(1).get<std::string>();
        ReadArray(j.at("ball").at("pos"), c.ballPos, 3);
        ReadArray(j.at("ball").at("vel"), c.ballVel, 3);
        if (!j.at("lastTouch").is_null()) c.lastTouch = ReadRobotId(j["lastTouch"]);
        for (const json& t : j.at("touches")) c.touches.push_back(ReadRobotId(t));
        for (const json& r : j.at("robots")) {
            RecordRobot robot;
            robot.id = ReadRobotId(r);
            ReadArray(r.at("pos"), robot.pos, 3);
            ReadArray(r.at("quat"), robot.quat, 4);
            ReadArray(r.at("joints"), robot.joints, sim::kJointCount);
            robot.fallen = r.at("fallen").get<bool>();
            c.robots.push_back(robot);
        }
        for (const json& e : j.at("events")) c.events.push_back(ReadEvent(e));
        return true;
    } catch (const std::exception& e) {
        error = std::string("cycle record: ") + e.what();
        return false;
    }
}
