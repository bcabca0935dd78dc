#include "sim/server/eventlog.h"

#include <iostream>

EventLog::EventLog(bool quiet, const std::string& file) : quiet_(quiet) {
    if (!file.empty()) {
        file_.open(file, std::ios::out | std::ios::trunc);
        ok_ = file_.is_open();
    }
}

void EventLog::Info(const std::string& line) {
    if (!quiet_) std::cout << line << std::endl;
    if (file_.is_open()) file_ << line << '\n' << std::flush;
}

void EventLog::Error(const std::string& line) {
    std::cerr << line << std::endl;
    if (file_.is_open()) file_ << line << '\n' << std::flush;
}

void EventLog::Always(const std::string& line) {
    std::cout << line << std::endl;
    if (file_.is_open()) file_ << line << '\n' << std::flush;
}

void EventLog::Flush() {
    std::cout.flush();
    if (file_.is_open()) file_.flush();
}
