// The soak's replays and shrinker: a failing sequence replayed from a fresh
// library, cut down while the same invariant still fails, and written out
// as a scenario file that halsim runs.
#include <algorithm>
#include <cstddef>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "soak_shrink.h"

namespace halsim::soak_detail {

// ---- Steps, replays and the shrinker -------------------------------------------------------

Scenario parsed(const std::string &text)
{
    Scenario s;
    std::string error;
    if (!parseScenario(text, "soak", s, error)) {
        throw std::logic_error("the soak wrote a line the scenario reader cannot read: " + error);
    }
    return s;
}

Replay replay(Engine &e, const std::vector<std::string> &steps, bool withCleanup, bool keepRun, uint64_t &budget)
{
    Replay r;
    e.begin();
    for (size_t i = 0; i < steps.size(); ++i) {
        budget -= budget != 0 ? 1 : 0;
        r.finding = e.run(parsed(steps[i]));
        if (keepRun) {
            r.run.emplace_back(steps[i], e.lastResult());
        }
        if (r.finding) {
            r.failedAt = i;
            return r;
        }
    }
    r.failedAt = steps.size();
    if (withCleanup) {
        r.finding = cleanUp(e, [&](const std::string &text) {
            budget -= budget != 0 ? 1 : 0;
            if (keepRun) {
                r.run.emplace_back(text, e.lastResult());
            }
        });
    }
    return r;
}

namespace {

size_t callsIn(const std::string &text)
{
    size_t n = 0;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        n += line.rfind("HAL_", 0) == 0 ? 1 : 0;
    }
    return n;
}

// Whether a candidate sequence still fails with the invariant, and after
// which step: each candidate is one replay, from a fresh library.
class Shrinker {
public:
    Shrinker(Engine &e, std::string invariant, bool atEnd, uint64_t budget)
        : e_(e), invariant_(std::move(invariant)), atEnd_(atEnd), budget_(budget)
    {
    }

    // Drops chunks of steps, then single steps, then the faults of the
    // steps left, keeping each drop after which the invariant still fails.
    std::vector<std::string> shrink(std::vector<std::string> steps)
    {
        dropSteps(steps);
        dropFaults(steps);
        return steps;
    }

    uint64_t replays() const { return replays_; }

private:
    bool fails(std::vector<std::string> &candidate)
    {
        ++replays_;
        const Replay r = replay(e_, candidate, atEnd_, false, budget_);
        if (!r.finding || r.finding->invariant != invariant_) {
            return false;
        }
        candidate.resize(std::min(candidate.size(), r.failedAt + 1));
        return true;
    }

    void dropSteps(std::vector<std::string> &steps)
    {
        size_t chunk = std::max<size_t>(1, steps.size() / 2);
        while (budget_ != 0 && !steps.empty()) {
            bool dropped = false;
            for (size_t i = 0; i < steps.size() && budget_ != 0;) {
                std::vector<std::string> candidate(steps.begin(), steps.begin() + static_cast<ptrdiff_t>(i));
                candidate.insert(candidate.end(),
                                 steps.begin() + static_cast<ptrdiff_t>(std::min(i + chunk, steps.size())),
                                 steps.end());
                if (fails(candidate)) {
                    steps = std::move(candidate);
                    dropped = true;
                } else {
                    i += chunk;
                }
            }
            if (!dropped && chunk == 1) {
                return;
            }
            chunk = dropped ? std::max<size_t>(1, std::min(chunk, steps.size() / 2)) : chunk / 2;
        }
    }

    // A step's faults may be needed where its call is not: they are queued
    // until a later call uses them. Tries the call without its faults, then
    // the faults before the next call without this one.
    void dropFaults(std::vector<std::string> &steps)
    {
        for (size_t i = 0; i < steps.size() && budget_ != 0;) {
            const size_t call = steps[i].find("HAL_");
            if (call == 0 || call == std::string::npos) {
                ++i;
                continue;
            }
            std::vector<std::string> candidate = steps;
            candidate[i] = steps[i].substr(call);
            if (fails(candidate)) {
                steps = std::move(candidate);
                ++i;
                continue;
            }
            if (i + 1 < steps.size()) {
                candidate = steps;
                candidate[i + 1] = steps[i].substr(0, call) + steps[i + 1];
                candidate.erase(candidate.begin() + static_cast<ptrdiff_t>(i));
                if (fails(candidate)) {
                    steps = std::move(candidate);
                    continue;
                }
            }
            ++i;
        }
    }

    Engine &e_;
    std::string invariant_;
    bool atEnd_;
    uint64_t budget_;
    uint64_t replays_ = 0;
};

// The reproducer: what the run was, the finding, each step with its call's
// result, then the lines that show the invariant fail.
std::string reproducerOf(const Replay &r, const Finding &f, const std::string &origin, uint64_t atCall, bool atEnd,
                         uint64_t replays)
{
    std::ostringstream out;
    out << "# " << origin << '\n'
        << "# invariant: " << f.invariant << '\n'
        << "# " << f.detail << '\n'
        << "# found " << (atEnd ? "in the cleanup after call " : "after call ") << (atEnd ? atCall - 1 : atCall)
        << "; shortest sequence after " << replays << " replays\n";
    for (const auto &[text, result] : r.run) {
        out << text << '\n';
        // A step of faults alone has no call of its own.
        if (text.find("HAL_") != std::string::npos) {
            out << "expect result " << hexResult(result) << '\n';
        }
    }
    out << "# what the invariant asks of the chip:\n";
    for (const std::string &check : f.checks) {
        out << check << '\n';
    }
    return out.str();
}

}  // namespace

// A finding after steps (in the cleanup when atEnd), shrunk and written out.
SoakFinding shrunk(Engine &e, const std::vector<std::string> &steps, const Finding &found, bool atEnd,
                   const SoakOptions &o, const std::string &origin, uint64_t atCall)
{
    Shrinker shrinker(e, found.invariant, atEnd, o.shrinkBudget);
    const std::vector<std::string> shortest = shrinker.shrink(steps);
    uint64_t unlimited = ~0ULL;
    const Replay last = replay(e, shortest, atEnd, true, unlimited);
    SoakFinding out;
    out.atCall = atCall;
    out.replays = shrinker.replays();
    if (last.finding && last.finding->invariant == found.invariant) {
        out.invariant = last.finding->invariant;
        out.detail = last.finding->detail;
        out.reproducer = reproducerOf(last, *last.finding, origin, atCall, atEnd, out.replays);
    } else {
        // The run is not the same twice: shown as found, unshrunk.
        out.invariant = found.invariant;
        out.detail = found.detail + "; a replay from a fresh library did not fail again";
        out.reproducer =
            reproducerOf(replay(e, steps, atEnd, true, unlimited), found, origin, atCall, atEnd, out.replays);
    }
    out.calls = callsIn(out.reproducer);
    return out;
}

}  // namespace halsim::soak_detail
