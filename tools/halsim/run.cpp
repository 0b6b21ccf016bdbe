#include "run.h"

#include <CLI/CLI.hpp>
#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "driver.h"
#include "host.h"
#include "print.h"
#include "scenario.h"
#include "soak.h"

namespace halsim {

namespace {

// What the scenario noted about the terminal during the current step.
std::vector<std::string> g_notes;

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
        "Runs scenario files (or, without one, the built-in scenario of a triple-play terminal) against\n"
        "libhal_network_adpt in the stand-in host with a simulated chip, and prints each request with its\n"
        "result and the HLP commands it sent, decoded. Exit status: 0 when every expect holds, 1 when one\n"
        "fails, 2 for a bad command line, scenario or recording.",
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
    CLI::Option *files =
        app.add_option("files", o.files, "Scenario files to run, one after another")->check(CLI::ExistingFile);
    CLI::Option *rp = app.add_option("--replay", o.replay,
                                     "Replay a recording of libhal_record.so and report every call whose result "
                                     "differs")
                          ->check(CLI::ExistingFile);
    CLI::Option *ts =
        app.add_option("--to-scenario", o.toScenario, "Write a recording of libhal_record.so as a scenario file")
            ->check(CLI::ExistingFile);
    CLI::Option *ds = app.add_option("--dissector", o.dissector,
                                     "Write the Wireshark dissector (Lua) of the captures --to-pcap and --pcap write");
    ds->excludes(files);
    ds->excludes(rp);
    ds->excludes(ts);
#ifdef HALSIM_PCAP
    std::vector<std::string> toPcap;
    CLI::Option *tp = app.add_option("--to-pcap", toPcap,
                                     "Write a recording of libhal_record.so as a pcap capture: REC OUT.pcap, one "
                                     "packet per call and per HLP command")
                          ->expected(2)
                          ->type_name("REC OUT");
    CLI::Option *pc =
        app.add_option("--pcap", o.pcap,
                       "Also write the calls the scenario files make and the HLP commands they send as a pcap "
                       "capture (from a second, silent run)");
    pc->needs(files);
    tp->excludes(files);
    tp->excludes(rp);
    tp->excludes(ts);
    tp->excludes(ds);
    tp->excludes(pc);
#endif
    CLI::Option *sk = app.add_option("--soak", o.soak,
                                     "Run a model-based soak of N random calls, with driver refusals and host "
                                     "faults, against the simulated chip; checks what a host relies on after every "
                                     "call and removes everything at the end. A failure is shrunk and printed as a "
                                     "scenario file")
                          ->check(CLI::PositiveNumber);
    app.add_option("--seed", o.seed, "Seed of --soak: the same seed makes the same calls (default 1)")->needs(sk);
    app.add_option("--soak-record", o.soakRecord,
                   "Write every call of --soak, faults and cleanup included, as a scenario")
        ->needs(sk);
    CLI::Option *sc =
        app.add_option("--soak-check", o.soakCheck, "Run a scenario file under the soak's checks and shrink a failure")
            ->check(CLI::ExistingFile);
    CLI::Option *plant = app.add_flag("--soak-plant-forget-user-count", o.plantForgetUserCount,
                                      "Plant a fault: raise a group's user count again after each viewer removal, "
                                      "to see the soak find it");
    for (CLI::Option *other : {files, rp, ts, ds, q, v, j, st}) {
        sk->excludes(other);
        sc->excludes(other);
    }
    sk->excludes(sc);
    if (plant != nullptr) {
        plant->excludes(files);
    }
    rp->excludes(files);
    ts->excludes(files);
    ts->excludes(rp);
    ts->excludes(q);
    ts->excludes(v);
    ts->excludes(j);
    ts->excludes(st);
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
#ifdef HALSIM_PCAP
    if (toPcap.size() == 2) {
        o.toPcap = toPcap[0];
        o.pcap = toPcap[1];
    }
#endif
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
        printRequest(o.output, step.what, result, g_notes, h, before, out);
        commands += h.hlp.size() - before.hlp;
        records += h.lastWords.size() - before.lastWords;
    }
    printChipState(o.output, chip.summary(), out);
    if (o.output == Output::state) {
        return;
    }
    (o.output == Output::json ? err : out)
        << "halsim: " << steps.size() << " requests, " << commands << " HLP commands, " << records
        << " failure records, " << h.liveAllocations.size() << " allocations held\n";
}

int run(const Options &o, std::ostream &out, std::ostream &err)
{
    if (o.soak != 0 || !o.soakCheck.empty()) {
        SoakOptions so;
        so.forgetUserCount = o.plantForgetUserCount;
        if (!o.soakCheck.empty()) {
            return soakCheckFile(o.soakCheck, so, out, err);
        }
        std::ofstream record;
        if (!o.soakRecord.empty()) {
            record.open(o.soakRecord);
            if (!record) {
                err << "halsim: cannot write " << o.soakRecord << '\n';
                return 2;
            }
            so.record = &record;
        }
        return soak(o.soak, o.seed, so, out, err);
    }
    if (!o.dissector.empty()) {
        return writeDissector(o, out, err);
    }
#ifdef HALSIM_PCAP
    if (!o.toPcap.empty()) {
        return recordingToPcap(o, out, err);
    }
    if (!o.pcap.empty() && !o.files.empty()) {
        const int status = runFiles(o, out, err);
        const int written = status == 2 ? 2 : scenarioToPcap(o, out, err);
        return written != 0 ? written : status;
    }
#endif
    if (!o.toScenario.empty()) {
        return toScenario(o, out, err);
    }
    if (!o.replay.empty()) {
        return replay(o, out, err);
    }
    if (!o.files.empty()) {
        return runFiles(o, out, err);
    }
    runScenario(o, out, err);
    return 0;
}

}  // namespace halsim
