// The soak: a generator of call sequences, an engine that runs each call as
// a scenario line against the library with the simulated chip and checks
// the invariants after it, and a shrinker that cuts a failing sequence down.
//
// Every call is written as scenario text and read back with the scenario
// reader before it runs, so the sequence that fails is already a scenario
// file. What the soak believes the terminal holds (its model) is built from
// the calls as the reader read them and from what the library answered, so
// a replayed sequence rebuilds the model of its own.
//
// The parts: soak_call.cpp (what a call is), soak_chip.cpp (the chip's
// tables and the library's own state), soak_engine.cpp (the engine),
// soak_checks.cpp (the checks of one call), soak_generator.cpp (the calls)
// and soak_shrink.cpp (replays and the shrinker); soak_internal.h,
// soak_engine.h, soak_generator.h and soak_shrink.h share them. Here: the
// soak's entry points.
#include "soak.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "host.h"
#include "library_state.h"
#include "scenario_file.h"
#include "soak_engine.h"
#include "soak_generator.h"
#include "soak_internal.h"
#include "soak_shrink.h"

namespace halsim {

using soak_detail::cleanUp;
using soak_detail::Engine;
using soak_detail::Finding;
using soak_detail::Generator;
using soak_detail::kInvalid;
using soak_detail::parsed;
using soak_detail::Replay;
using soak_detail::replay;
using soak_detail::shrunk;

namespace {

// The library as loaded once the soak is done, for whatever runs next in
// the process.
struct Unload {
    Unload() = default;
    Unload(const Unload &) = delete;
    Unload &operator=(const Unload &) = delete;
    ~Unload()
    {
        resetLibrary();
        host().reset();
    }
};

}  // namespace

SoakReport runSoak(uint64_t calls, uint64_t seed, const SoakOptions &o, std::ostream &progress)
{
    const Unload unload;
    SoakReport report;
    Engine engine(o);
    engine.begin();
    Generator gen(seed);
    std::vector<std::string> steps;
    std::optional<Finding> found;
    const uint64_t every = calls >= o.progressFrom && o.progressFrom != 0 ? std::max<uint64_t>(1, calls / 10) : 0;
    const auto start = std::chrono::steady_clock::now();
    while (report.callsRun < calls && !found) {
        steps.push_back(gen.next(engine.model()));
        if (o.record != nullptr) {
            *o.record << steps.back() << '\n';
        }
        found = engine.run(parsed(steps.back()));
        if (found && found->invariant == kInvalid) {
            throw std::logic_error("the soak generated " + found->detail);
        }
        ++report.callsRun;
        if (every != 0 && report.callsRun % every == 0 && report.callsRun != calls) {
            progress << "soak: " << report.callsRun << " of " << calls << " calls\n";
        }
    }
    report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const bool atEnd = !found;
    if (atEnd) {
        found = cleanUp(engine, [&o](const std::string &text) {
            if (o.record != nullptr) {
                *o.record << text << '\n';
            }
        });
    }
    if (found) {
        progress << "soak: " << found->invariant << " fails after call " << report.callsRun
                 << (atEnd ? " and the cleanup" : "") << "; shrinking\n";
        const std::string origin = "halsim --soak, seed " + std::to_string(seed) +
                                   (o.forgetUserCount ? ", planted fault forgetUserCount" : "");
        report.finding = shrunk(engine, steps, *found, atEnd, o, origin, report.callsRun + (atEnd ? 1 : 0));
    }
    return report;
}

SoakCheck soakCheck(const std::string &text, const std::string &file, const SoakOptions &o)
{
    SoakCheck check;
    Scenario all;
    if (!parseScenario(text, file, all, check.error)) {
        return check;
    }
    std::vector<std::string> steps;
    for (const ScenarioLine &l : all.lines) {
        if (l.kind == LineKind::call || l.kind == LineKind::refuse || l.kind == LineKind::fail) {
            steps.push_back(l.text);
            check.calls += l.kind == LineKind::call ? 1 : 0;
        }
    }
    const Unload unload;
    Engine engine(o);
    uint64_t unlimited = ~0ULL;
    const Replay r = replay(engine, steps, true, false, unlimited);
    if (r.finding) {
        const bool atEnd = r.failedAt == steps.size();
        const size_t upTo = std::min(r.failedAt + 1, steps.size());
        const auto callsBefore =
            static_cast<uint64_t>(std::count_if(steps.begin(), steps.begin() + static_cast<ptrdiff_t>(upTo),
                                                [](const std::string &step) { return step.rfind("HAL_", 0) == 0; }));
        check.finding =
            shrunk(engine, steps, *r.finding, atEnd, o, "halsim --soak-check " + file, callsBefore + (atEnd ? 1 : 0));
    }
    return check;
}

int soakCheckFile(const std::string &file, const SoakOptions &o, std::ostream &out, std::ostream &err)
{
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    if (!in) {
        err << "halsim: " << file << ": cannot read\n";
        return 2;
    }
    const SoakCheck c = soakCheck(text.str(), file, o);
    if (!c.error.empty()) {
        err << "halsim: " << c.error << '\n';
        return 2;
    }
    if (c.finding) {
        out << c.finding->reproducer;
    }
    err << "halsim: soak check of " << file << ": " << c.calls << " calls, "
        << (c.finding ? "1 finding" : "0 findings");
    if (c.finding) {
        err << " (" << c.finding->invariant << "; reproducer of " << c.finding->calls
            << (c.finding->calls == 1 ? " call)" : " calls)");
    }
    err << '\n';
    return c.finding ? 1 : 0;
}

int soak(uint64_t calls, uint64_t seed, const SoakOptions &o, std::ostream &out, std::ostream &err)
{
    SoakReport r;
    try {
        r = runSoak(calls, seed, o, err);
    } catch (const std::logic_error &e) {
        err << "halsim: " << e.what() << '\n';
        return 2;
    }
    if (r.finding) {
        out << r.finding->reproducer;
    }
    const double rate = r.seconds > 0 ? static_cast<double>(r.callsRun) / r.seconds : 0;
    err << "halsim: soak, seed " << seed << ": " << r.callsRun << " calls run, " << static_cast<uint64_t>(rate)
        << " calls per second, " << (r.finding ? 1 : 0) << (r.finding ? " finding" : " findings");
    if (r.finding) {
        err << " (" << r.finding->invariant << "; reproducer of " << r.finding->calls
            << (r.finding->calls == 1 ? " call)" : " calls)");
    }
    err << '\n';
    return r.finding ? 1 : 0;
}

}  // namespace halsim
