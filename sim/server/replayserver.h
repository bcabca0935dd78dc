#ifndef SIM_SERVER_REPLAYSERVER_H
#define SIM_SERVER_REPLAYSERVER_H

#include <csignal>

#include "sim/server/options.h"

// pitchsim --replay: serves the recording on the monitor's port until `stop` is set. The exit
// status: 0, or 1 when the recording or the port cannot be used.
int ServeReplay(const ServerOptions& options, const volatile std::sig_atomic_t& stop);

#endif
