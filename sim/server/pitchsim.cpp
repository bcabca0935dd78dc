// pitchsim: the soccer simulator's process entry. Reads the options, runs the server until
// Ctrl-C (or SIGTERM, or the trainer's killsim), then prints the final score.

#include <csignal>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "sim/server/options.h"
#include "sim/server/replayserver.h"
#include "sim/server/server.h"

static volatile std::sig_atomic_t gStop = 0;

static void OnSignal(int) {
    gStop = 1;
}

// Without SA_RESTART, so that a signal ends the event loop's wait at once.
static void InstallSignalHandlers() {
    struct sigaction sa;
    std::memset(&sa, 0, sizeof(sa));
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    ServerOptions options;
    std::string error;
    switch (ParseServerOptions(args, options, error)) {
        case kOptionsHelp:
            std::cout << UsageText();
            return 0;
        case kOptionsError:
            std::cerr << "pitchsim: " << error << "\n" << UsageText();
            return 2;
        case kOptionsOk:
            break;
    }
    if (options.check) return 0;
    InstallSignalHandlers();
    if (!options.replayFile.empty()) return ServeReplay(options, gStop);
    Server server(options);
    if (!server.Start()) return 1;
    server.Run(gStop);
    return 0;
}
