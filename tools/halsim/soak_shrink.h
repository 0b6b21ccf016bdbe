// The soak's steps, replays and shrinker: a step's text read back as a
// scenario, a replay of steps from a fresh library, the cleanup, and a
// failing sequence cut down and written out as a reproducer.
#ifndef TOOLS_HALSIM_SOAK_SHRINK_H
#define TOOLS_HALSIM_SOAK_SHRINK_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "scenario_file.h"
#include "soak.h"
#include "soak_engine.h"
#include "soak_internal.h"

namespace halsim::soak_detail {

// The cleanup runs again while the chip still holds what it should have
// removed: a driver refusal or host fault queued by an earlier call and not
// used by it is used by the first call that sends its command, and each
// spoils one removal at most.
inline constexpr uint32_t kCleanupPasses = 2;

// A step's text read back with the scenario reader; a text it cannot read
// is a fault of the soak (std::logic_error).
Scenario parsed(const std::string &text);

// Removes what the run added, passing each call of the cleanup to each
// once it ran; then the checks of an empty terminal.
template <typename Each>
std::optional<Finding> cleanUp(Engine &e, Each each)
{
    const uint32_t passes = kCleanupPasses + e.model().pending();
    for (uint32_t pass = 0; pass < passes && (pass == 0 || !e.clean()); ++pass) {
        for (const std::string &text : e.cleanupCalls()) {
            std::optional<Finding> f = e.run(parsed(text));
            each(text);
            if (f) {
                return f;
            }
        }
    }
    return e.endChecks();
}

// A replay of steps from a fresh library: the finding, the step it came
// after (steps.size() for the cleanup), and every call with its result.
struct Replay {
    std::optional<Finding> finding;
    size_t failedAt = 0;
    std::vector<std::pair<std::string, uint32_t>> run;  // each step's text and its call's result
};

Replay replay(Engine &e, const std::vector<std::string> &steps, bool withCleanup, bool keepRun, uint64_t &budget);

// A finding after steps (in the cleanup when atEnd), shrunk and written out.
SoakFinding shrunk(Engine &e, const std::vector<std::string> &steps, const Finding &found, bool atEnd,
                   const SoakOptions &o, const std::string &origin, uint64_t atCall);

}  // namespace halsim::soak_detail

#endif
