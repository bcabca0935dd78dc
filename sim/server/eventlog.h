#ifndef SIM_SERVER_EVENTLOG_H
#define SIM_SERVER_EVENTLOG_H

#include <fstream>
#include <string>

// The server's event lines: standard output (unless quiet) and the log file (if any).
// Refusals and faults also go to standard error, quiet or not. The file is flushed line by
// line: `tail -f` shows each line as it happens, and a killed server loses none.
class EventLog {
  public:
    EventLog(bool quiet, const std::string& file);
    bool Ok() const { return ok_; }

    void Info(const std::string& line);
    void Error(const std::string& line);
    // Always printed: start-up ports and the final score.
    void Always(const std::string& line);
    void Flush();

  private:
    bool quiet_;
    bool ok_ = true;
    std::ofstream file_;
};

#endif
