// A model-based soak of the library: random but valid call sequences, the
// same for the same seed, run against the simulated chip with random host
// faults and driver refusals among them. After every call the soak checks
// what a host relies on: a refused add leaves nothing new in the chip, a
// remove that succeeded leaves no trace of its object, the multicast user
// counts agree with the users the chip holds, and the library's heap holds
// only the WAN statistics nodes of listed WANs and the user count array.
// At the end it removes what it added and checks the chip is empty.
//
// A failure is shrunk: calls are dropped, in chunks and then one by one,
// while the same invariant still fails on a fresh library, host and chip.
// What is left is printed as a scenario file that halsim runs; it ends with
// the expect lines that fail where the chip shows the failure.
#ifndef TOOLS_HALSIM_SOAK_H
#define TOOLS_HALSIM_SOAK_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

namespace halsim {

struct SoakOptions {
    // A planted fault, to show that the soak finds what it looks for: after
    // every program user removal whose command the driver carried out, the
    // soak raises the group's user count again, as a removal that forgot to
    // lower it would.
    bool forgetUserCount = false;
    // Receives every call of the run, faults included, as a scenario file.
    std::ostream *record = nullptr;
    // Progress lines on the progress stream: about ten per run of this many
    // calls or more; none below.
    uint64_t progressFrom = 10000;
    // Calls the shrinker may replay in all before it settles for the
    // shortest sequence found so far.
    uint64_t shrinkBudget = 20000000;
};

struct SoakFinding {
    std::string invariant;   // the invariant that failed, by name
    std::string detail;      // what the soak saw
    std::string reproducer;  // a scenario file: the shortest sequence found, then its checks
    size_t calls = 0;        // library calls in the reproducer
    uint64_t atCall = 0;     // the call of the run after which it failed (past the last: the final cleanup)
    uint64_t replays = 0;    // sequences the shrinker ran
};

struct SoakReport {
    uint64_t callsRun = 0;  // generated calls run; the final cleanup is not counted
    double seconds = 0;     // their time, without the shrinking
    std::optional<SoakFinding> finding;
};

// Runs calls generated calls from seed, then the cleanup, stopping at the
// first finding and shrinking it. Progress lines go to progress. Throws
// std::logic_error when the soak writes a line the scenario reader cannot
// read (a fault of the soak, not of the library).
SoakReport runSoak(uint64_t calls, uint64_t seed, const SoakOptions &o, std::ostream &progress);

struct SoakCheck {
    std::string error;                   // "file:line: what" for a text the scenario reader cannot read
    size_t calls = 0;                    // library calls in the text
    std::optional<SoakFinding> finding;  // the first invariant that fails, shrunk
};

// Runs a scenario text under the soak's checks, from a fresh library, host
// and chip, then removes what it added as the soak does: a reproducer, or
// any scenario, checked for what no expect line can show (the heap, the
// library's counts). Its calls, refusals and faults run; host settings,
// traffic and expect lines are left out, and the terminal is the soak's.
// A finding is shrunk as the soak's are.
SoakCheck soakCheck(const std::string &text, const std::string &file, const SoakOptions &o);

// halsim --soak-check FILE: soakCheck of the file, the reproducer of a
// finding on out, a final line (calls, findings) on err. Returns 0, 1 for
// a finding, 2 for a file that cannot be read (the reason on err).
int soakCheckFile(const std::string &file, const SoakOptions &o, std::ostream &out, std::ostream &err);

// halsim --soak: runSoak, the reproducer of a finding on out (the seed and
// the invariant as comments, then the scenario), progress and the final
// line (calls run, calls per second, findings) on err. Returns 0 when
// nothing was found, 1 for a finding, 2 for a fault of the soak itself.
int soak(uint64_t calls, uint64_t seed, const SoakOptions &o, std::ostream &out, std::ostream &err);

}  // namespace halsim

#endif
