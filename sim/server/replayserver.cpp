#include "sim/server/replayserver.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "sim/monitor/monitor.h"
#include "sim/record/replay.h"

int ServeReplay(const ServerOptions& options, const volatile std::sig_atomic_t& stop) {
    Replay replay;
    std::string error;
    if (!replay.Open(options.replayFile, error)) {
        std::fprintf(stderr, "pitchsim: cannot replay %s\n", error.c_str());
        return 1;
    }
    StreamHub unused;  // a replay has no live stream
    Monitor monitor(MonitorPageDir(options.monitorDir), unused, nullptr);
    monitor.AddGet("/replay/info", [&replay](const Monitor::Params&) {
        return Monitor::Reply{200, "application/json", replay.InfoJson()};
    });
    monitor.AddGet("/replay/cycles", [&replay](const Monitor::Params& p) {
        size_t from = 0, count = 0;
        auto number = [&p](const char* name, size_t& v) {
            auto it = p.find(name);
            if (it == p.end() || it->second.empty() ||
                it->second.find_first_not_of("0123456789") != std::string::npos ||
                it->second.size() > 9)
                return false;
            v = std::stoul(it->second);
            return true;
        };
        if (!number("from", from) || !number("count", count))
            return Monitor::Reply{400, "text/plain", "from and count must be whole numbers"};
        std::string body = replay.CyclesJson(from, count);
        if (body.empty()) return Monitor::Reply{404, "text/plain", "no such cycle"};
        return Monitor::Reply{200, "application/json", body};
    });
    if (!monitor.Start(options.httpPort, error)) {
        std::fprintf(stderr, "pitchsim: %s\n", error.c_str());
        return 1;
    }
    std::printf("replaying %s (%zu cycles so far)\n", options.replayFile.c_str(), replay.Cycles());
    if (replay.Truncated())
        std::fprintf(stderr,
                     "pitchsim: %s holds more than a replay keeps (%zu MiB): replaying its first "
                     "%zu cycles\n",
                     options.replayFile.c_str(), Replay::kMaxHeldBytes >> 20, replay.Cycles());
    std::printf("http port %d\nmonitor http://127.0.0.1:%d/\n", monitor.Port(), monitor.Port());
    std::fflush(stdout);
    while (!stop) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    monitor.Stop();
    return 0;
}
