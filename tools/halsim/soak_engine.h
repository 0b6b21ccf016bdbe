// The soak's engine: runs each call as a scenario line against the
// library with the simulated chip, keeps the model of what the terminal
// holds, and checks the invariants after the call.
#ifndef TOOLS_HALSIM_SOAK_ENGINE_H
#define TOOLS_HALSIM_SOAK_ENGINE_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "driver.h"
#include "host.h"
#include "scenario_file.h"
#include "soak.h"
#include "soak_internal.h"

namespace halsim::soak_detail {

// What the checks of one call see: the call and its answer, the chip's own
// tables of the call before it, all its tables after it.
struct Seen {
    const Call &c;
    uint32_t result;
    const ChipTables &before;
    const ChipTables &t;
    const std::vector<WanNode> &wansBefore;  // the WAN list before a WAN removal
    std::string what;                        // the call and its answer, as a finding names them

    bool ok() const { return result == 0; }

    std::optional<Finding> refused(const std::vector<std::string> &lines) const
    {
        if (lines.empty()) {
            return std::nullopt;
        }
        return leftBehind(kRefusedAdd, what, lines);
    }
    std::optional<Finding> gone(bool present, const std::string &line) const
    {
        if (!present) {
            return std::nullopt;
        }
        return leftBehind(kRemoved, what, {line});
    }
};

template <typename Keys, typename Line>
std::vector<std::string> linesOf(const Keys &keys, Line line)
{
    std::vector<std::string> out;
    out.reserve(keys.size());
    for (const auto &k : keys) {
        out.push_back(line(k));
    }
    return out;
}

// The checks of the whole terminal, after every call and at the end.
std::optional<Finding> wanCounterFinding(const ChipTables &t, const std::vector<WanNode> &wans);
std::optional<Finding> heapFinding(const std::vector<WanNode> &wans);

class Engine {
public:
    explicit Engine(const SoakOptions &o) : o_(o) {}

    // A freshly loaded library, an eight-port terminal and an empty chip.
    void begin();

    // Runs the lines of one step: its faults, then its call.
    std::optional<Finding> run(const Scenario &s);

    uint32_t lastResult() const { return lastResult_; }
    const Model &model() const { return m_; }

    // The calls that remove what the soak added, in an order the chip
    // accepts: viewers before their programs, prefixes before their
    // interfaces.
    std::vector<std::string> cleanupCalls() const;

    // The chip's lines that the cleanup may leave: the rate limits (a
    // port's setting, which no call removes: the soak leaves the last it
    // set) and the CAR profiles the library forgot (orphanCars).
    std::vector<std::string> leftovers() const;

    bool clean() const { return leftovers().empty() && !m_.anyUser(); }

    // What must hold once everything is removed.
    std::optional<Finding> endChecks() const;

private:
    std::optional<Finding> runCall(const ScenarioLine &l);
    std::optional<Finding> precondition(const Call &c) const;
    void usePending();
    void observe(const Call &c);
    void seeCarCommand(const HlpCall &sent);
    void seeProgramRemoval(const HlpCall &sent, const Call &c);
    void seeViewerRemoval(const HlpCall &sent);
    std::optional<Finding> apply(const Seen &s);
    template <typename K, typename C, typename Line>
    std::optional<Finding> addOrRemove(const Seen &s, bool adding, Objects<K> &objects, const K &key,
                                       C ChipTables::*table, const typename C::key_type &chipKey, Line line);
    std::optional<Finding> onMacAdd(const Seen &s);
    std::optional<Finding> onMacRemove(const Seen &s);
    std::optional<Finding> onAclAdd(const Seen &s);
    std::optional<Finding> onDfxAdd(const Seen &s);
    std::optional<Finding> onRuleRemove(const Seen &s);
    std::optional<Finding> onViewerAdd(const Seen &s);
    std::optional<Finding> onViewerRemove(const Seen &s);
    std::optional<Finding> onPrefix(const Seen &s);
    std::optional<Finding> onNapt(const Seen &s);
    std::optional<Finding> onWanRemove(const Seen &s);
    std::optional<Finding> ownTablesOnly(const Call &c, const char *function, const Shape &was) const;
    bool countsAsModelled() const;
    std::optional<Finding> checkUserCounts(bool withChip) const;

    const SoakOptions &o_;
    ChipModel chip_;
    Model m_;
    uint32_t lastResult_ = 0;
    std::vector<std::vector<uint8_t>> buffers_;
};

}  // namespace halsim::soak_detail

#endif
