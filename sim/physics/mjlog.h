// MuJoCo's error and warning reporting, redirected. The library's default error handler waits
// for Enter and its warnings go to MUJOCO_LOG.TXT in the working directory: neither fits a
// server.
#pragma once

#include <string>

namespace sim {

// Installs the handlers once per process: errors are printed to standard error and abort
// (MuJoCo cannot continue after one); warnings are counted and, unless quiet, printed.
void InstallMujocoHandlers();

void SetMujocoWarningsQuiet(bool quiet);
// While muted, warnings are counted but not printed (a physics blow-up that repeats).
void SetMujocoWarningsMuted(bool muted);
// One line about the physics on standard error, unless quiet.
void LogPhysicsNote(const std::string& line);
long MujocoWarningCount();
std::string LastMujocoWarning();

}  // namespace sim
