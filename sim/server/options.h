#ifndef SIM_SERVER_OPTIONS_H
#define SIM_SERVER_OPTIONS_H

#include <string>
#include <vector>

#include "sim/physics/worldxml.h"

// The command line of pitchsim.
struct ServerOptions {
    std::string bindAddress = "127.0.0.1";  // agents' port listens here (IPv4)
    int agentPort = 3100;                   // 0: pick a free port
    int trainerPort = 3200;                 // 0: pick a free port
    int httpPort = -1;                      // the web monitor; -1: off, 0: pick a free port
    std::string monitorDir;                 // the page's folder; "" = the one of the build
    std::string replayFile;                 // serve this recording to the monitor instead
    bool sync = false;                      // false: real time, one cycle per 20 ms of wall time
    double pace = 0;  // --sync: at most this multiple of real time; 0 = as fast as replies come
    unsigned seed = 1;
    bool noise = true;
    bool lines = true;          // field lines in vision
    sim::PhysicsModels models;  // joint motors and contacts
    double halfTime = 300;      // game seconds per half
    int maxRobotsPerTeam = 11;  // also the largest uniform number
    int syncTimeoutMs = 100;    // --sync: how long to wait for a reply
    double autoKickoff = 5;     // seconds after the first agent joined; 0 = off
    bool exitAtGameOver = false;
    int maxConnections = 64;  // per port; more are closed at once
    double trainerIdle = 60;  // seconds; a trainer connection silent this long is dropped
    std::string logFile;      // "" = no log file
    std::string recordFile;   // "" = no recording
    bool quiet = false;       // no per-event lines on standard output
    bool help = false;
    bool check = false;  // only read the options
};

enum OptionsOutcome { kOptionsOk, kOptionsHelp, kOptionsError };

// Reads the arguments after the program name. On kOptionsError `error` names the fault.
OptionsOutcome ParseServerOptions(const std::vector<std::string>& args, ServerOptions& options,
                                  std::string& error);

std::string UsageText();

#endif
