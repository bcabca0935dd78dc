#ifndef SIM_SERVER_TRAINERTEXT_H
#define SIM_SERVER_TRAINERTEXT_H

#include <string>
#include <vector>

#include "sim/referee/trainer.h"

// The trainer port's text: its commands, read from one top-level group each, and the state
// reply.

// Every top-level group of the text is one command; garbage yields kInvalid entries.
std::vector<TrainerCommand> ParseTrainerCommands(const std::string& text);

// The one-line (state ...) reply.
std::string WriteState(const WorldTruth& truth);

#endif
