#ifndef TOOLS_PROBE_CLI_H
#define TOOLS_PROBE_CLI_H

// What the probes share of their command line and standard output:
//   Fail                 a complaint on stderr, prefixed with the probe's name
//   ParseOptionNumber    an option's value as a number within bounds
//   TakeStandardOutput   standard output kept for the figures alone

#include <streambuf>
#include <string>

namespace probe {

// Writes "probe: text" to stderr; always false.
bool Fail(const std::string& probe, const std::string& text);

// An option's value: the whole text one finite number within [low, high].
bool ParseOptionNumber(const std::string& value, double low, double high, double& out);

// The agent's own progress lines go to std::cout: they are sent to stderr from now on, and the
// buffer returned, the real standard output, is left for the figures.
std::streambuf* TakeStandardOutput();

}  // namespace probe

#endif
