// halsim's command line and its run of the built-in scenario.
#ifndef TOOLS_HALSIM_RUN_H
#define TOOLS_HALSIM_RUN_H

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

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
    std::vector<std::string> files;     // scenario files to run in place of the built-in one
    std::string replay;                 // a recording to replay
    std::string toScenario;             // a recording to write as a scenario
    std::string toPcap;                 // a recording to write as a capture
    std::string pcap;                   // where to write the capture: of toPcap, or of the files' run
    std::string dissector;              // where to write the capture's Wireshark dissector (Lua)
    uint64_t soak = 0;                  // calls of a model-based soak to run
    uint64_t seed = 1;                  // the soak's seed
    std::string soakRecord;             // where to write the soak's calls as a scenario
    std::string soakCheck;              // a scenario file to run under the soak's checks
    bool plantForgetUserCount = false;  // the soak's planted fault
};

// Reads halsim's command line into o. Returns -1 when halsim is to run,
// otherwise the status to exit with once help (0) or the error (2) is
// printed to out or err.
int parseCommandLine(int argc, const char *const *argv, Options &o, std::ostream &out, std::ostream &err);

// Runs the built-in scenario, printing to out as o asks. The summary line
// comes last, on err with JSON output so that out holds JSON lines only.
void runScenario(const Options &o, std::ostream &out, std::ostream &err);

// Runs o.files, each from a freshly loaded library, host and chip, printing
// as runScenario does. Returns 0 when every expect holds, 1 when one does
// not (each failure on err with its file, line, expected and actual
// value), 2 when a file cannot be read (nothing runs then).
int runFiles(const Options &o, std::ostream &out, std::ostream &err);

// Replays the recording o.replay against the simulated terminal, printing
// each call as runFiles does; every call whose result differs from the
// recorded one is reported on err. Returns 0 when none differs, 1 when one
// does, 2 for a recording that cannot be read.
int replay(const Options &o, std::ostream &out, std::ostream &err);

// Writes the recording o.toScenario to out as a scenario file: each call,
// and an expect line with its recorded result. Returns 0, or 2 for a
// recording that cannot be read.
int toScenario(const Options &o, std::ostream &out, std::ostream &err);

// Writes the recording o.toPcap as the capture o.pcap (capture.h). Returns
// 0, or 2 for a recording that cannot be read or a capture that cannot be
// written. Built only with libpcap (HALSIM_PCAP).
int recordingToPcap(const Options &o, std::ostream &out, std::ostream &err);

// Runs o.files once more, silently, and writes their calls and the commands
// they sent as the capture o.pcap: the replies as the simulated driver
// wrote them, the times a simulated microsecond apart, thread 0. Returns 0,
// or 2. Built only with libpcap (HALSIM_PCAP).
int scenarioToPcap(const Options &o, std::ostream &out, std::ostream &err);

// Writes the Wireshark dissector of the captures to o.dissector
// (dissector.h). Returns 0, or 2 when it cannot.
int writeDissector(const Options &o, std::ostream &out, std::ostream &err);

// Runs what o asks for and returns halsim's exit status.
int run(const Options &o, std::ostream &out, std::ostream &err);

}  // namespace halsim

#endif
