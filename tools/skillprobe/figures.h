#ifndef TOOLS_SKILLPROBE_FIGURES_H
#define TOOLS_SKILLPROBE_FIGURES_H

// The figures of a try and their output formats:
//   Figure, TryResult  a try's figures (key, value, whether a number), success and time
//   Text               a number as the figures print it
//   Line, Json         figures as one line of key=value pairs, or as one JSON object
//   FigureOf           one figure of a try as a number
//   Run                the tries of a run: the summary (skill= tries= success= median_s=, the
//                      tally, the medians) and the whole run as one JSON object

#include <cmath>
#include <string>
#include <vector>

namespace skillprobe {

struct Figure {
    std::string key;
    std::string value;
    bool number;
};

// As an ostream prints it with the default precision.
std::string Text(double v);

struct TryResult {
    std::vector<Figure> figures;
    bool success = false;
    double seconds = NAN;  // the skill's time figure, NaN when none

    void Add(const std::string& key, double v) { figures.push_back({key, Text(v), true}); }
    void Add(const std::string& key, const std::string& v) { figures.push_back({key, v, false}); }
};

// key=value pairs separated by blanks.
std::string Line(const std::vector<Figure>& figures);

// One JSON object; a number that is not finite becomes a string ("nan").
std::string Json(const std::vector<Figure>& figures);

// The figure `key` of a try, NaN when it has none.
double FigureOf(const TryResult& r, const std::string& key);

// The tries of one run of a skill. `tally`: a figure whose values the summary counts ("" for
// none); `medians`: figures whose median over all tries the summary gives, separated by blanks.
class Run {
  public:
    Run(std::string skill, std::string tally, std::string medians);

    // Keeps the next try, its figures led by try= (its number) and success=, and returns them.
    const std::vector<Figure>& Add(TryResult result);

    // skill= tries= success= median_s= (of the successful tries' times), then tally_VALUE=
    // per value of the tally figure, then median_KEY= per figure of `medians`.
    std::vector<Figure> Summary() const;

    // {"skill":...,"tries":[one object per try],"summary":{...}}
    std::string Json() const;

  private:
    std::string skill_, tally_, medians_;
    std::vector<std::vector<Figure>> tries_;
    std::vector<double> times_;  // of the successful tries that have a time
    int successes_ = 0;
};

}  // namespace skillprobe

#endif
