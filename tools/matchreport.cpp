// matchreport: the report of a recorded match, or the summary of a series of match reports.
//   matchreport RECORDING [--wall-seconds=S] [--out=report.json]
//   matchreport --series REPORT.json... [--out=series.json]
// Prints the report as text; --out also writes it as JSON. Exit status 1 when a file cannot
// be read, 2 on a usage error.

#include "sim/record/matchreport.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char* const kUsage =
    "usage: matchreport RECORDING [--wall-seconds=S] [--out=FILE]\n"
    "       matchreport --series REPORT.json... [--out=FILE]\n"
    "  RECORDING          a recording of pitchsim --record (read up to its last complete frame)\n"
    "  --wall-seconds=S   wall time the match took, for the real-time factor\n"
    "  --series           sum up the match reports given (report.json of tools/match)\n"
    "  --out=FILE         write the report as JSON to FILE as well\n"
    "  --help             print this text\n";

int Usage(const std::string& problem) {
    std::cerr << "matchreport: " << problem << "\n" << kUsage;
    return 2;
}

bool WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        std::cerr << "matchreport: cannot write " << path << "\n";
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> inputs;
    std::string out;
    bool series = false;
    double wall = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help") {
            std::cout << kUsage;
            return 0;
        } else if (arg == "--series") {
            series = true;
        } else if (arg.rfind("--out=", 0) == 0) {
            out = arg.substr(6);
            if (out.empty()) return Usage("--out needs a file name");
        } else if (arg.rfind("--wall-seconds=", 0) == 0) {
            char* end = nullptr;
            wall = std::strtod(arg.c_str() + 15, &end);
            if (*end != '\0' || !std::isfinite(wall) || wall < 0)
                return Usage("bad value for --wall-seconds: '" + arg.substr(15) + "'");
        } else if (arg.rfind("--", 0) == 0) {
            return Usage("unknown option " + arg);
        } else {
            inputs.push_back(arg);
        }
    }
    if (inputs.empty()) return Usage(series ? "no match reports given" : "no recording given");
    if (!series && inputs.size() > 1) return Usage("one recording at a time (or --series)");

    std::string json, text;
    std::string error;
    if (series) {
        std::vector<MatchReport> matches;
        for (const std::string& path : inputs) {
            std::ifstream in(path);
            std::stringstream buf;
            buf << in.rdbuf();
            MatchReport m;
            if (!in || !ReadReportJson(buf.str(), m, error)) {
                std::cerr << "matchreport: " << path << ": " << (in ? error : "cannot read")
                          << "\n";
                return 1;
            }
            matches.push_back(m);
        }
        const SeriesReport s = Summarise(matches);
        json = WriteSeriesJson(s);
        text = SeriesText(s);
    } else {
        MatchReport m;
        if (!ReportFromRecording(inputs[0], wall, m, error)) {
            std::cerr << "matchreport: " << error << "\n";
            return 1;
        }
        json = WriteReportJson(m);
        text = ReportText(m);
    }
    std::cout << text;
    if (!out.empty() && !WriteFile(out, json)) return 1;
    return 0;
}
