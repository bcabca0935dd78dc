#include "sim/server/options.h"

#include <arpa/inet.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {

bool ReadInt(const std::string& text, long low, long high, long& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < low || v > high) return false;
    value = v;
    return true;
}

bool ReadSeconds(const std::string& text, double low, double high, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    double v = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(v) || v < low || v > high) return false;
    value = v;
    return true;
}

// Robots get one collision bit each next to the floor's and the ball's: at most 29 in all.
const int kMaxRobotsAll = 29;

}  // namespace

std::string UsageText() {
    return "usage: pitchsim [options]\n"
           "  --agent-port=N          agents' TCP port (default 3100; 0 = pick a free one)\n"
           "  --bind=ADDR             IPv4 address the agents' port listens on (default\n"
           "                          127.0.0.1; 0.0.0.0 = every interface)\n"
           "  --trainer-port=N        trainer's TCP port, on 127.0.0.1 only (default 3200;\n"
           "                          0 = pick a free one)\n"
           "  --http-port=N           serve the web monitor on 127.0.0.1 at this port\n"
           "                          (default off; 0 = pick a free one)\n"
           "  --monitor-dir=DIR       the web monitor's page (default: the source tree's)\n"
           "  --replay=FILE           serve the recording FILE to the web monitor instead of\n"
           "                          simulating (needs --http-port)\n"
           "  --realtime              the league's strict real time: one cycle every 20 ms of\n"
           "                          wall time, a reply that comes later misses its cycle\n"
           "                          (default)\n"
           "  --sync                  go on as soon as every agent has replied\n"
           "  --pace=X                --sync, but never faster than X times real time\n"
           "                          (--sync --pace=1: a watchable match that a busy\n"
           "                          machine cannot spoil; default: no limit)\n"
           "  --seed=N                seed of the sensor noise (default 1)\n"
           "  --noise=on|off          sensor noise and camera calibration error (default on)\n"
           "  --lines=on|off          field lines in vision (default on)\n"
           "  --motor=velocity|servo  joint motors: the velocity motor (default) or the\n"
           "                          earlier servo, for comparison\n"
           "  --contacts=slip|coulomb|grip  friction: soft and unlimited, sliding 5 mm/s per N\n"
           "                          (default); Coulomb 1.2 or a firm grip, for comparison\n"
           "  --half-time=SECONDS     length of a half in game seconds (default 300)\n"
           "  --max-robots-per-team=N largest uniform number (default 11)\n"
           "  --sync-timeout=MS       --sync: longest wait for a reply (default 100)\n"
           "  --auto-kickoff=SECONDS  kick off this long after the first agent joined\n"
           "                          and after half time (default 5; 0 = only on the\n"
           "                          trainer's command)\n"
           "  --exit-at-gameover      end with the final score 3 s after the game is over\n"
           "  --max-connections=N     connections per port (default 64)\n"
           "  --trainer-idle=SECONDS  drop a trainer connection silent this long (default 60)\n"
           "  --log=FILE              write the event log to FILE as well\n"
           "  --record=FILE           record the match, cycle by cycle, to FILE (zstd-compressed\n"
           "                          JSON lines; readable while written)\n"
           "  --quiet                 no event lines on standard output\n"
           "  --check                 read the options and end (status 0, or 2 with the fault)\n"
           "  --help                  print this text\n";
}

OptionsOutcome ParseServerOptions(const std::vector<std::string>& args, ServerOptions& options,
                                  std::string& error) {
    for (const std::string& arg : args) {
        size_t eq = arg.find('=');
        std::string name = arg.substr(0, eq);
        bool hasValue = eq != std::string::npos;
        std::string value = hasValue ? arg.substr(eq + 1) : "";
        long n = 0;
        double s = 0;
        auto bad = [&](const std::string& what) {
            error = "bad value for " + name + ": '" + value + "' (" + what + ")";
            return kOptionsError;
        };
        if (name == "--help" && !hasValue) {
            options.help = true;
            return kOptionsHelp;
        } else if ((name == "--sync" || name == "--realtime" || name == "--quiet" ||
                    name == "--exit-at-gameover" || name == "--check") &&
                   hasValue) {
            error = name + " takes no value";
            return kOptionsError;
        } else if (name == "--sync") {
            options.sync = true;
        } else if (name == "--realtime") {
            options.sync = false;
        } else if (name == "--quiet") {
            options.quiet = true;
        } else if (name == "--exit-at-gameover") {
            options.exitAtGameOver = true;
        } else if (name == "--check") {
            options.check = true;
        } else if (!hasValue) {
            error = "unknown option or missing value: " + arg;
            return kOptionsError;
        } else if (name == "--agent-port" || name == "--trainer-port" || name == "--http-port") {
            if (!ReadInt(value, 0, 65535, n)) return bad("a port 0..65535");
            int& port = name == "--agent-port"     ? options.agentPort
                        : name == "--trainer-port" ? options.trainerPort
                                                   : options.httpPort;
            port = static_cast<int>(n);
        } else if (name == "--seed") {
            if (!ReadInt(value, 0, 4294967295L, n)) return bad("a whole number >= 0");
            options.seed = static_cast<unsigned>(n);
        } else if (name == "--noise" || name == "--lines") {
            if (value != "on" && value != "off") return bad("on or off");
            (name == "--noise" ? options.noise : options.lines) = value == "on";
        } else if (name == "--motor") {
            if (!sim::ParseJointMotor(value, options.models.motor)) return bad("velocity or servo");
        } else if (name == "--contacts") {
            if (!sim::ParseContactModel(value, options.models.contacts))
                return bad("slip, coulomb or grip");
        } else if (name == "--bind") {
            in_addr address;
            if (inet_pton(AF_INET, value.c_str(), &address) != 1)
                return bad("an IPv4 address such as 0.0.0.0");
            options.bindAddress = value;
        } else if (name == "--half-time") {
            if (!ReadSeconds(value, 1, 1e6, s)) return bad("seconds >= 1");
            options.halfTime = s;
        } else if (name == "--max-robots-per-team") {
            // Two full teams must fit the world's 29 robot collision bits.
            if (!ReadInt(value, 1, kMaxRobotsAll / 2, n)) return bad("1..14");
            options.maxRobotsPerTeam = static_cast<int>(n);
        } else if (name == "--pace") {
            if (!ReadSeconds(value, 0.01, 1000, s))
                return bad("a multiple of real time 0.01..1000");
            options.pace = s;
        } else if (name == "--sync-timeout") {
            if (!ReadInt(value, 1, 60000, n)) return bad("milliseconds 1..60000");
            options.syncTimeoutMs = static_cast<int>(n);
        } else if (name == "--auto-kickoff") {
            if (!ReadSeconds(value, 0, 1e6, s)) return bad("seconds >= 0");
            options.autoKickoff = s;
        } else if (name == "--max-connections") {
            if (!ReadInt(value, 1, 10000, n)) return bad("1..10000");
            options.maxConnections = static_cast<int>(n);
        } else if (name == "--trainer-idle") {
            if (!ReadSeconds(value, 1, 1e6, s)) return bad("seconds >= 1");
            options.trainerIdle = s;
        } else if (name == "--monitor-dir") {
            if (value.empty()) return bad("a folder");
            options.monitorDir = value;
        } else if (name == "--replay") {
            if (value.empty()) return bad("a recording file");
            options.replayFile = value;
        } else if (name == "--log") {
            if (value.empty()) return bad("a file name");
            options.logFile = value;
        } else if (name == "--record") {
            if (value.empty()) return bad("a file name");
            options.recordFile = value;
        } else {
            error = "unknown option: " + arg;
            return kOptionsError;
        }
    }
    if (options.pace > 0 && !options.sync) {
        error = "--pace needs --sync (it paces a synced server)";
        return kOptionsError;
    }
    if (!options.replayFile.empty() && options.httpPort < 0) {
        error = "--replay needs --http-port";
        return kOptionsError;
    }
    return kOptionsOk;
}
