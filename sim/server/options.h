#ifndef SIM_SERVER_OPTIONS_H
#define SIM_SERVER_OPTIONS_H

#include <string>
#include <vector>

// The command line of pitchsim.
struct ServerOptions {
    std::string bindAddress = "127.0.0.1";  // agents' port listens here (IPv4)
    int agentPort = 3100;                   // 0: pick a free port
    int trainerPort = 3200;                 // 0: pick a free port
    int httpPort = 8080;                    // the web monitor (not served yet)
    bool sync = false;                      // false: real time, one cycle per 20 ms of wall time
    unsigned seed = 1;
    bool noise = true;
    bool lines = true;          // field lines in vision
    double halfTime = 300;      // game seconds per half
    int maxRobotsPerTeam = 11;  // also the largest uniform number
    int syncTimeoutMs = 100;    // --sync: how long to wait for a reply
    double autoKickoff = 5;     // seconds after the first agent joined; 0 = off
    bool exitAtGameOver = false;
    std::string logFile;     // "" = no log file
    std::string recordFile;  // "" = no recording
    bool quiet = false;      // no per-event lines on standard output
    bool help = false;
};

enum OptionsOutcome { kOptionsOk, kOptionsHelp, kOptionsError };

// Reads the arguments after the program name. On kOptionsError `error` names the fault.
OptionsOutcome ParseServerOptions(const std::vector<std::string>& args, ServerOptions& options,
                                  std::string& error);

std::string UsageText();

#endif
