#include "run.h"

#include <CLI/CLI.hpp>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "decode.h"
#include "driver.h"
#include "host.h"
#include "json_out.h"
#include "report.h"
#include "scenario.h"

namespace halsim {

namespace {

// What the scenario noted about the terminal during the current step.
std::vector<std::string> g_notes;

// How far the host's lists ran before a step, so that what the step added
// can be printed after it.
struct Marks {
    size_t hlp;
    size_t lastWords;
    size_t traces;
    size_t console;
};

Marks marksOf(const Host &h) { return {h.hlp.size(), h.lastWords.size(), h.traces.size(), h.console.size()}; }

std::string hex(uint32_t v)
{
    char buf[16];
    std::snprintf(buf, sizeof(buf), "0x%x", v);
    return buf;
}

void printText(const Step &step, uint32_t result, const Host &h, const Marks &from, bool verbose, std::ostream &out)
{
    out << step.what << '\n';
    for (const std::string &n : g_notes) {
        out << "  " << n << '\n';
    }
    out << "  = " << hex(result) << '\n';
    for (size_t i = from.hlp; i < h.hlp.size(); ++i) {
        out << "  HLP " << decode(h.hlp[i]);
        if (h.hlp[i].result != 0) {
            out << "    refused: " << hex(h.hlp[i].result) << '\n';
        }
    }
    if (!verbose) {
        return;
    }
    for (size_t i = from.lastWords; i < h.lastWords.size(); ++i) {
        out << "  " << describe(h.lastWords[i]) << '\n';
    }
    for (size_t i = from.traces; i < h.traces.size(); ++i) {
        out << "  " << describe(h.traces[i]) << '\n';
    }
    for (size_t i = from.console; i < h.console.size(); ++i) {
        out << "  " << describe(h.console[i]) << '\n';
    }
}

// The host's records of kind T from index from on, as a JSON array.
template <typename T>
Json listSince(const std::vector<T> &records, size_t from)
{
    Json out = Json::array();
    for (size_t i = from; i < records.size(); ++i) {
        out.push_back(toJson(records[i]));
    }
    return out;
}

void printJson(const Step &step, uint32_t result, const Host &h, const Marks &from, std::ostream &out)
{
    const Json line{{"call", step.what},
                    {"result", result},
                    {"commands", listSince(h.hlp, from.hlp)},
                    {"notes", g_notes},
                    {"lastWords", listSince(h.lastWords, from.lastWords)},
                    {"traces", listSince(h.traces, from.traces)},
                    {"console", listSince(h.console, from.console)}};
    // A trace may carry bytes that are not UTF-8: they print as U+FFFD.
    out << line.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
}

}  // namespace

void note(const char *fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    va_list again;
    va_copy(again, ap);
    const int n = std::vsnprintf(nullptr, 0, fmt, ap);
    va_end(ap);
    std::string text(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    std::vsnprintf(text.data(), text.size() + 1, fmt, again);
    va_end(again);
    g_notes.push_back(std::move(text));
}

int parseCommandLine(int argc, const char *const *argv, Options &o, std::ostream &out, std::ostream &err)
{
    CLI::App app{
        "Runs the built-in terminal scenario against libhal_network_adpt in the stand-in host and prints each\n"
        "request with its result and the HLP commands it sent, decoded.",
        "halsim"};
    bool quiet = false;
    bool verbose = false;
    bool json = false;
    bool state = false;
    CLI::Option *q = app.add_flag("--quiet", quiet, "Print only the summary line");
    CLI::Option *v = app.add_flag("-v,--verbose", verbose, "Also print failure records, traces and console lines");
    CLI::Option *j =
        app.add_flag("--json", json, "Print one JSON object per request (JSON lines); the summary line goes to stderr");
    CLI::Option *st = app.add_flag("--state", state, "Print only the chip's tables after the run");
    st->excludes(q);
    st->excludes(v);
    st->excludes(j);
    q->excludes(v);
    j->excludes(q);
    j->excludes(v);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError &e) {
        return app.exit(e, out, err) == 0 ? 0 : 2;
    }
    o.output = json      ? Output::json
               : quiet   ? Output::quiet
               : state   ? Output::state
               : verbose ? Output::verbose
                         : Output::requests;
    return -1;
}

void runScenario(const Options &o, std::ostream &out, std::ostream &err)
{
    std::vector<Step> steps;
    addFrameSteps(steps);
    addBtvSteps(steps);
    addL3Steps(steps);
    addL2Steps(steps);
    addL2PortSteps(steps);
    addL2MacSteps(steps);
    addPrtclSteps(steps);

    Host &h = host();
    // The scenario runs against the simulated chip: tables that the
    // commands fill and empty, and the driver's answers where they refuse.
    ChipModel chip;
    chip.attach(h);
    size_t commands = 0;
    size_t records = 0;
    for (const Step &step : steps) {
        const Marks before = marksOf(h);
        g_notes.clear();
        const uint32_t result = step.call();
        if (o.output == Output::json) {
            printJson(step, result, h, before, out);
        } else if (o.output == Output::requests || o.output == Output::verbose) {
            printText(step, result, h, before, o.output == Output::verbose, out);
        }
        commands += h.hlp.size() - before.hlp;
        records += h.lastWords.size() - before.lastWords;
    }
    if (o.output == Output::requests || o.output == Output::verbose || o.output == Output::state) {
        const std::string state = chip.summary();
        out << "chip state:\n" << (state.empty() ? std::string("  (empty)\n") : state);
    }
    if (o.output == Output::state) {
        return;
    }
    (o.output == Output::json ? err : out)
        << "halsim: " << steps.size() << " requests, " << commands << " HLP commands, " << records
        << " failure records, " << h.liveAllocations.size() << " allocations held\n";
}

}  // namespace halsim
