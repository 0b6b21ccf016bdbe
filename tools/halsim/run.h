// halsim's command line and its run of the built-in scenario.
#ifndef TOOLS_HALSIM_RUN_H
#define TOOLS_HALSIM_RUN_H

#include <ostream>

namespace halsim {

enum class Output {
    requests,  // each request, its result, what it read and the HLP commands it sent
    verbose,   // and the failure records, traces and console lines it caused
    quiet,     // the summary line only
    json,      // one JSON object per request
    state,     // the chip's tables after the run only
};

struct Options {
    Output output = Output::requests;
};

// Reads halsim's command line into o. Returns -1 when halsim is to run,
// otherwise the status to exit with once help (0) or the error (2) is
// printed to out or err.
int parseCommandLine(int argc, const char *const *argv, Options &o, std::ostream &out, std::ostream &err);

// Runs the built-in scenario, printing to out as o asks. The summary line
// comes last, on err with JSON output so that out holds JSON lines only.
void runScenario(const Options &o, std::ostream &out, std::ostream &err);

}  // namespace halsim

#endif
