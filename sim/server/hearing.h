#ifndef SIM_SERVER_HEARING_H
#define SIM_SERVER_HEARING_H

#include <vector>

#include "sim/server/perception.h"

// Routes the messages said in one cycle to the listeners of the next. The speaker always hears
// itself; every other robot within kHearingRange hears, of each team, the first message to
// arrive (its own copy does not use up that team's slot).

const double kHearingRange = 50;  // m

struct Utterance {  // in order of arrival
    int robot = -1;
    bool leftTeam = true;
    std::string team;            // the speaker's team name
    double head[3] = {0, 0, 0};  // speaker's head, field frame, m
    double time = 0;             // simulation time of the cycle in which it was said
    std::string text;
};

struct Listener {
    int robot = -1;
    double head[3] = {0, 0, 0};  // field frame, m
    double heading = 0;          // torso heading, deg counter-clockwise from +x
};

std::vector<HeardMessage> HearFor(const Listener& listener,
                                  const std::vector<Utterance>& utterances);

// An angle brought into (-180, 180].
double NormalizeDegrees(double deg);

#endif
