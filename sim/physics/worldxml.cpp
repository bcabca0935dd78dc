#include "sim/physics/worldxml.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace sim {

namespace {

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

int Dofs(int robots) {
    return 6 + 28 * robots;
}

// The Newton solver's stack use grows as 5 nv^2, whatever the contacts (measured: 1.94 M for
// 22 robots standing, 1.95 M lying with 928 constraint rows); overflowing it is fatal.
int StackSize(int robots) {
    return 100000 + 6 * Dofs(robots) * Dofs(robots);
}

std::string SizeElement(BufferSizes b) {
    char text[160];
    std::snprintf(text, sizeof text, "<size njmax=\"%d\" nconmax=\"%d\" nstack=\"%d\"/>", b.njmax,
                  b.nconmax, b.nstack);
    return text;
}

// At the parking pose only the ball touches the ground.
BufferSizes CompilerBuffers(int robots) {
    return {100, 20, StackSize(robots)};
}

std::string RobotClass(int robot) {
    const long contype = 1L << robot;
    const long conaffinity = 0x7FFFFFFFL & ~contype;
    char text[160];
    std::snprintf(text, sizeof text,
                  "<default class=\"%s\"><geom contype=\"%ld\" conaffinity=\"%ld\"/></default>",
                  RobotPrefix(robot).c_str(), contype, conaffinity);
    return text;
}

std::string RobotBody(int robot) {
    std::string body = kRobotTemplate;
    char pos[64];
    std::snprintf(pos, sizeof pos, "%g -7.6 0.4", -10.0 + 0.7 * robot);
    ReplaceAll(body, "{R}", RobotPrefix(robot));
    ReplaceAll(body, "{POS}", pos);
    return body;
}

}  // namespace

std::string RobotPrefix(int robot) {
    return "r" + std::to_string(robot) + "_";
}

BufferSizes MatchBuffers(int robots) {
    // Two rows of 22 robots lying side by side make 316 contacts; friction takes three
    // constraint rows per contact in an elliptic cone, four in a pyramidal one.
    return {300 + 80 * robots, 40 + 20 * robots, StackSize(robots)};
}

std::string WorldXml(int robotCount, PhysicsModels models) {
    std::string classes, bodies;
    for (int i = 0; i < robotCount; ++i) {
        classes += RobotClass(i) + "\n";
        bodies += RobotBody(i) + "\n";
    }
    std::string xml = kWorldTemplate;
    ReplaceAll(xml, "{SIZE}", SizeElement(CompilerBuffers(robotCount)));
    ReplaceAll(xml, "{CONTACT_OPTIONS}", ContactOptionAttributes(models.contacts));
    ReplaceAll(xml, "{CONTACT_GEOM}", ContactGeomAttributes(models.contacts));
    ReplaceAll(xml, "{JOINT_MOTOR}", JointMotorAttributes(models.motor));
    ReplaceAll(xml, "{ROBOT_CLASSES}", classes);
    ReplaceAll(xml, "{ROBOTS}", bodies);
    return xml;
}

mjModel* CompileWorld(const std::string& xml, std::string& error) {
    // About 2 MB of file-name table: on the heap.
    auto vfs = std::make_unique<mjVFS>();
    mj_defaultVFS(vfs.get());
    const char* file = "pitch.xml";
    if (mj_makeEmptyFileVFS(vfs.get(), file, static_cast<int>(xml.size())) != 0) {
        error = "cannot create the model file in the virtual file system";
        return nullptr;
    }
    std::memcpy(vfs->filedata[mj_findFileVFS(vfs.get(), file)], xml.data(), xml.size());
    char message[1000] = "";
    mjModel* model = mj_loadXML(file, vfs.get(), message, sizeof message);
    mj_deleteVFS(vfs.get());
    if (!model) error = message;
    return model;
}

mjModel* CompileMatchWorld(int robotCount, PhysicsModels models, std::string& error) {
    mjModel* model = CompileWorld(WorldXml(robotCount, models), error);
    if (!model) return nullptr;
    const BufferSizes b = MatchBuffers(robotCount);
    model->njmax = b.njmax;
    model->nconmax = b.nconmax;
    model->nstack = b.nstack;
    return model;
}

}  // namespace sim
