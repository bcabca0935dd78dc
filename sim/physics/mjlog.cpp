#include "sim/physics/mjlog.h"

#include <mujoco/mujoco.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace sim {

namespace {

std::atomic<bool> gQuiet{false};
std::atomic<bool> gMuted{false};
std::atomic<long> gWarnings{0};
std::mutex gLastMutex;
std::string gLastWarning;

void OnError(const char* message) {
    std::fprintf(stderr, "pitchsim: MuJoCo error: %s\n", message);
    std::abort();
}

void OnWarning(const char* message) {
    ++gWarnings;
    {
        std::lock_guard<std::mutex> lock(gLastMutex);
        gLastWarning = message;
    }
    if (!gQuiet && !gMuted) std::fprintf(stderr, "pitchsim: MuJoCo warning: %s\n", message);
}

}  // namespace

void InstallMujocoHandlers() {
    static std::once_flag once;
    std::call_once(once, [] {
        mju_user_error = OnError;
        mju_user_warning = OnWarning;
    });
}

void SetMujocoWarningsQuiet(bool quiet) {
    gQuiet = quiet;
}

void SetMujocoWarningsMuted(bool muted) {
    gMuted = muted;
}

void LogPhysicsNote(const std::string& line) {
    if (!gQuiet) std::fprintf(stderr, "pitchsim: %s\n", line.c_str());
}

long MujocoWarningCount() {
    return gWarnings;
}

std::string LastMujocoWarning() {
    std::lock_guard<std::mutex> lock(gLastMutex);
    return gLastWarning;
}

}  // namespace sim
