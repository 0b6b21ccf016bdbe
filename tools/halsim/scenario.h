// Steps of the built-in scenario. Each area of the adapter contributes the
// requests a terminal makes of it.
#ifndef TOOLS_HALSIM_SCENARIO_H
#define TOOLS_HALSIM_SCENARIO_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace halsim {

struct Step {
    std::string what;                // the call as a reader would write it
    std::function<uint32_t()> call;  // makes the call and returns its result
};

// Prints a line about the terminal's state after a step ("group 3: 1
// users"), unless halsim runs quiet.
void note(const char *fmt, ...) __attribute__((format(printf, 1, 2)));

void addFrameSteps(std::vector<Step> &steps);
void addBtvSteps(std::vector<Step> &steps);
void addL3Steps(std::vector<Step> &steps);
void addL2Steps(std::vector<Step> &steps);
void addL2PortSteps(std::vector<Step> &steps);
void addL2MacSteps(std::vector<Step> &steps);
void addPrtclSteps(std::vector<Step> &steps);

}  // namespace halsim

#endif
