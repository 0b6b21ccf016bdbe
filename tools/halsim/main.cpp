// halsim: runs the built-in scenario of a terminal against the library in
// the stand-in host and prints, for every request, what the driver received
// and what the library recorded and traced.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "decode.h"
#include "host.h"
#include "report.h"
#include "scenario.h"

namespace {

bool g_quiet = false;

void usage(FILE *out)
{
    std::fputs(
        "usage: halsim [--quiet]\n"
        "  Runs the built-in terminal scenario against libhal_network_adpt and prints each\n"
        "  request with the HLP commands, failure records and traces it caused.\n"
        "  --quiet  print only the summary line\n",
        out);
}

// How far the host's lists ran before a step, so that what the step added
// can be printed after it.
struct Marks {
    size_t hlp;
    size_t lastWords;
    size_t traces;
    size_t console;
};

Marks marksOf(const halsim::Host &h) { return {h.hlp.size(), h.lastWords.size(), h.traces.size(), h.console.size()}; }

// Prints the HLP commands, failure records, traces and console lines the
// host recorded since from.
void printSince(const halsim::Host &h, const Marks &from)
{
    for (size_t i = from.hlp; i < h.hlp.size(); ++i) {
        std::printf("  HLP %s", halsim::decode(h.hlp[i]).c_str());
        if (h.hlp[i].result != 0) {
            std::printf("    refused: 0x%x\n", h.hlp[i].result);
        }
    }
    for (size_t i = from.lastWords; i < h.lastWords.size(); ++i) {
        std::printf("  %s\n", halsim::describe(h.lastWords[i]).c_str());
    }
    for (size_t i = from.traces; i < h.traces.size(); ++i) {
        std::printf("  %s\n", halsim::describe(h.traces[i]).c_str());
    }
    for (size_t i = from.console; i < h.console.size(); ++i) {
        std::printf("  %s\n", halsim::describe(h.console[i]).c_str());
    }
}

}  // namespace

void halsim::note(const char *fmt, ...)
{
    if (g_quiet) {
        return;
    }
    va_list ap;
    va_start(ap, fmt);
    std::fputs("  ", stdout);
    std::vprintf(fmt, ap);
    std::fputc('\n', stdout);
    va_end(ap);
}

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quiet") == 0) {
            g_quiet = true;
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            usage(stdout);
            return 0;
        } else {
            std::fprintf(stderr, "halsim: unknown argument '%s'\n", argv[i]);
            usage(stderr);
            return 2;
        }
    }

    std::vector<halsim::Step> steps;
    halsim::addFrameSteps(steps);
    halsim::addBtvSteps(steps);
    halsim::addL3Steps(steps);
    halsim::addL2Steps(steps);
    halsim::addL2PortSteps(steps);
    halsim::addL2MacSteps(steps);
    halsim::addPrtclSteps(steps);

    halsim::Host &h = halsim::host();
    size_t commands = 0;
    size_t records = 0;
    for (const halsim::Step &step : steps) {
        const Marks before = marksOf(h);
        if (!g_quiet) {
            std::printf("%s\n", step.what.c_str());
        }
        const uint32_t result = step.call();
        if (!g_quiet) {
            std::printf("  = 0x%x\n", result);
            printSince(h, before);
        }
        commands += h.hlp.size() - before.hlp;
        records += h.lastWords.size() - before.lastWords;
    }
    std::printf("halsim: %zu requests, %zu HLP commands, %zu failure records, %zu allocations held\n", steps.size(),
                commands, records, h.liveAllocations.size());
    return 0;
}
