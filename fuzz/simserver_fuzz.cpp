// libFuzzer target: what pitchsim reads from its clients and what it writes to them. The first
// byte chooses the stage: 0 the effector reader (an agent's reply), 1 the trainer reader,
// 2 the framing decoder (the rest cut into pieces), 3 the perception and state writers (the
// rest taken as raw readings). Each stage checks what it promises, and aborts if not.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "sim/server/effector.h"
#include "sim/server/framing.h"
#include "sim/server/perception.h"
#include "sim/server/sexpr.h"
#include "sim/server/trainertext.h"

namespace {

void Require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "simserver_fuzz: %s\n", what);
        std::abort();
    }
}

void CheckEffectors(const std::string& text) {
    EffectorCommands c;
    EffectorRejects r;
    ParseEffectors(text, c, r);
    for (int j = 0; j < sim::kJointCount; ++j)
        if (c.jointSet[j])
            Require(std::isfinite(c.jointVelocity[j]) &&
                        std::fabs(c.jointVelocity[j]) <= kMaxJointSpeed,
                    "a joint speed beyond the limit passed");
    if (c.init) Require(TeamNameFault(c.teamName).empty(), "a bad team name passed");
    if (c.say) Require(IsValidSayText(c.sayText), "a bad say text passed");
    if (c.beam)
        Require(std::isfinite(c.beamX) && std::isfinite(c.beamY) && std::isfinite(c.beamRot),
                "a non-finite beam passed");
}

void CheckTrainer(const std::string& text) {
    for (const TrainerCommand& c : ParseTrainerCommands(text)) {
        if (c.kind == TrainerCommand::kInvalid) {
            Require(!c.error.empty(), "an invalid command without a reason");
            continue;
        }
        if (c.kind != TrainerCommand::kBall && c.kind != TrainerCommand::kAgent) continue;
        for (int k = 0; k < 3; ++k)
            Require(std::isfinite(c.pos[k]) && std::fabs(c.pos[k]) <= 100 &&
                        std::isfinite(c.vel[k]) && std::fabs(c.vel[k]) <= 100,
                    "a placement outside the box passed");
    }
}

void CheckFraming(const uint8_t* data, size_t size) {
    if (size == 0) return;
    const size_t piece = 1 + data[0] % 64;
    FrameDecoder d;
    std::string payload, rebuilt;
    size_t fed = 0;
    for (size_t at = 1; at < size; at += piece) {
        const size_t n = std::min(piece, size - at);
        d.Append(reinterpret_cast<const char*>(data + at), n);
        fed += n;
        FrameDecoder::Status s;
        while ((s = d.Next(payload)) == FrameDecoder::kFrame) {
            Require(payload.size() <= kMaxClientFrame, "an oversize frame passed");
            rebuilt += EncodeFrame(payload);
        }
        if (s == FrameDecoder::kOversize) return;
    }
    // What was decoded plus what is still buffered is what was fed, in order.
    Require(rebuilt.size() + d.Buffered() == fed, "bytes lost or made up by the decoder");
    Require(std::memcmp(rebuilt.data(), data + 1, rebuilt.size()) == 0,
            "frames differ from the stream");
}

// Raw readings: doubles taken bit for bit (NaN, infinities, huge values included).
class Bytes {
  public:
    Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    double Number() {
        double v = 0;
        uint8_t raw[8] = {};
        for (uint8_t& b : raw) b = Byte();
        std::memcpy(&v, raw, sizeof v);
        return v;
    }
    uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::string Text(size_t most) {
        std::string s;
        for (size_t n = Byte() % (most + 1); n > 0; --n) s += static_cast<char>(Byte());
        return s;
    }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

// The atoms in number places: the values of the numeric groups and hear's time and direction
// (names and spoken texts may look like numbers: "nan" is a fine team name).
void CheckNumbers(const SNode& n, bool& allFinite) {
    static const std::string kNumeric[] = {"now", "t",  "rt",   "a",       "ax",
                                           "c",   "f",  "pol",  "pos",     "vel",
                                           "upz", "id", "unum", "heading", "gameTime"};
    const std::string& head = n.Head();
    size_t last = 0;  // the atoms 1..last are numbers
    for (const std::string& name : kNumeric)
        if (head == name) last = n.items.size() - 1;
    if (head == "time" && n.items.size() == 2 && !n.items[1].isList) last = 1;
    if (head == "hear") last = n.items.size() > 2 && n.items[2].atom == "self" ? 1 : 2;
    for (size_t i = 1; i <= last && i < n.items.size(); ++i) {
        double v;
        const SNode& item = n.items[i];
        if (item.isList || !ParseNumberAtom(item.atom, v) || !std::isfinite(v) ||
            std::fabs(v) > 1e9)
            allFinite = false;
    }
    for (const SNode& item : n.items) CheckNumbers(item, allFinite);
}

void CheckText(const std::string& text) {
    for (char ch : text) Require(ch >= ' ' && ch <= '~', "a NUL or control byte in a text");
    const SexprReadResult read = ReadGroups(text);
    Require(read.malformed == 0 && !read.unbalanced, "unbalanced parentheses in a text");
    bool allFinite = true;
    for (const SNode& g : read.groups) CheckNumbers(g, allFinite);
    Require(allFinite, "a non-finite or huge number in a text");
}

void CheckWriters(const uint8_t* data, size_t size) {
    Bytes in(data, size);
    RobotPerception p;
    p.time = in.Number();
    p.identified = in.Byte() & 1;
    p.unum = in.Byte();
    p.leftSide = in.Byte() & 1;
    p.gameTime = in.Number();
    p.playMode = "PlayOn";
    for (double& v : p.gyro) v = in.Number();
    for (double& v : p.acc) v = in.Number();
    for (double& v : p.joints) v = in.Number();
    FootReading* feet[2] = {&p.leftFoot, &p.rightFoot};
    for (FootReading* f : feet) {
        f->touching = in.Byte() & 1;
        for (double& v : f->c) v = in.Number();
        for (double& v : f->f) v = in.Number();
    }
    p.visionCycle = in.Byte() & 1;
    const char* names[] = {"F1L", "G2R", "B"};
    for (int n = in.Byte() % 12; n > 0; --n)
        p.objects.push_back({names[in.Byte() % 3], {in.Number(), in.Number(), in.Number()}});
    for (int n = in.Byte() % 30; n > 0; --n) {
        SeenRobot r;
        r.team = in.Text(kMaxTeamNameLength);
        if (!TeamNameFault(r.team).empty()) r.team = "Other";  // the server refuses the others
        r.unum = in.Byte();
        for (int k = in.Byte() % 6; k > 0; --k)
            r.parts.push_back({"head", {in.Number(), in.Number(), in.Number()}});
        p.robots.push_back(r);
    }
    for (int n = in.Byte() % 4; n > 0; --n) {
        HeardMessage h;
        h.time = in.Number();
        h.self = in.Byte() & 1;
        h.direction = in.Number();
        h.text = in.Text(kMaxSayLength);
        if (!IsValidSayText(h.text)) h.text = "x";  // the server drops the others
        p.heard.push_back(h);
    }
    const std::string text = WritePerception(p);
    Require(text.size() <= kMaxPerceptionPayload, "a perception longer than the agent reads");
    CheckText(text);

    WorldTruth t;
    t.time = p.time;
    t.gameTime = p.gameTime;
    for (int k = 0; k < 3; ++k) t.ballPos[k] = p.gyro[k], t.ballVel[k] = p.acc[k];
    RobotTruth r;
    r.pos[0] = p.joints[0];
    r.heading = p.joints[1];
    r.upz = p.joints[2];
    t.robots.push_back(r);
    CheckText(WriteState(t));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    switch (data[0] % 4) {
        case 0:
            CheckEffectors(rest);
            break;
        case 1:
            CheckTrainer(rest);
            break;
        case 2:
            CheckFraming(data + 1, size - 1);
            break;
        default:
            CheckWriters(data + 1, size - 1);
            break;
    }
    return 0;
}
