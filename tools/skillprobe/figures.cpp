// The figures of a try and their formats: numbers as text, the key=value line, the JSON object,
// one figure as a number, then a run's summary and its JSON document.

#include "tools/skillprobe/figures.h"

#include <cstdlib>
#include <map>
#include <sstream>
#include <utility>

#include "tools/probe/measure.h"

namespace skillprobe {

std::string Text(double v) {
    std::ostringstream out;
    out << v;
    return out.str();
}

std::string Line(const std::vector<Figure>& figures) {
    std::string out;
    for (const Figure& f : figures) out += (out.empty() ? "" : " ") + f.key + "=" + f.value;
    return out;
}

std::string Json(const std::vector<Figure>& figures) {
    std::string out = "{";
    for (const Figure& f : figures) {
        if (out.size() > 1) out += ",";
        out += "\"" + f.key + "\":";
        out += f.number && std::isfinite(std::strtod(f.value.c_str(), nullptr))
                   ? f.value
                   : "\"" + f.value + "\"";
    }
    return out + "}";
}

double FigureOf(const TryResult& r, const std::string& key) {
    for (const Figure& f : r.figures)
        if (f.key == key) return std::strtod(f.value.c_str(), nullptr);
    return NAN;
}

// ---- Run ----

Run::Run(std::string skill, std::string tally, std::string medians)
    : skill_(std::move(skill)), tally_(std::move(tally)), medians_(std::move(medians)) {}

const std::vector<Figure>& Run::Add(TryResult r) {
    r.figures.insert(r.figures.begin(), {"try", std::to_string(tries_.size() + 1), true});
    r.figures.insert(r.figures.begin() + 1, {"success", r.success ? "1" : "0", true});
    if (r.success) {
        ++successes_;
        if (!std::isnan(r.seconds)) times_.push_back(r.seconds);
    }
    tries_.push_back(std::move(r.figures));
    return tries_.back();
}

std::vector<Figure> Run::Summary() const {
    std::map<std::string, int> tally;
    for (const std::vector<Figure>& figures : tries_)
        for (const Figure& f : figures)
            if (f.key == tally_) ++tally[f.value];
    std::vector<Figure> summary = {{"skill", skill_, false},
                                   {"tries", std::to_string(tries_.size()), true},
                                   {"success", std::to_string(successes_), true},
                                   {"median_s", Text(probe::Median(times_)), true}};
    for (const auto& [value, count] : tally)
        summary.push_back({tally_ + "_" + value, std::to_string(count), true});
    std::istringstream medians(medians_);
    for (std::string key; medians >> key;) {
        std::vector<double> values;
        for (const std::vector<Figure>& figures : tries_)
            for (const Figure& f : figures)
                if (f.key == key && std::isfinite(std::strtod(f.value.c_str(), nullptr)))
                    values.push_back(std::strtod(f.value.c_str(), nullptr));
        summary.push_back({"median_" + key, Text(probe::Median(values)), true});
    }
    return summary;
}

std::string Run::Json() const {
    std::string text = "{\"skill\":\"" + skill_ + "\",\"tries\":[";
    for (size_t i = 0; i < tries_.size(); ++i) text += (i ? "," : "") + skillprobe::Json(tries_[i]);
    return text + "],\"summary\":" + skillprobe::Json(Summary()) + "}";
}

}  // namespace skillprobe
