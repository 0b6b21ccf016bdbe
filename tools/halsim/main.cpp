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

    halsim::Host &h = halsim::host();
    size_t commands = 0;
    size_t records = 0;
    for (const halsim::Step &step : steps) {
        const size_t hlp0 = h.hlp.size();
        const size_t lw0 = h.lastWords.size();
        const size_t tr0 = h.traces.size();
        const size_t co0 = h.console.size();
        if (!g_quiet) {
            std::printf("%s\n", step.what.c_str());
        }
        const uint32_t result = step.call();
        if (!g_quiet) {
            std::printf("  = 0x%x\n", result);
            for (size_t i = hlp0; i < h.hlp.size(); ++i) {
                std::printf("  HLP %s", halsim::decode(h.hlp[i]).c_str());
                if (h.hlp[i].result != 0) {
                    std::printf("    refused: 0x%x\n", h.hlp[i].result);
                }
            }
            for (size_t i = lw0; i < h.lastWords.size(); ++i) {
                std::printf("  %s\n", halsim::describe(h.lastWords[i]).c_str());
            }
            for (size_t i = tr0; i < h.traces.size(); ++i) {
                std::printf("  %s\n", halsim::describe(h.traces[i]).c_str());
            }
            for (size_t i = co0; i < h.console.size(); ++i) {
                std::printf("  %s\n", halsim::describe(h.console[i]).c_str());
            }
        }
        commands += h.hlp.size() - hlp0;
        records += h.lastWords.size() - lw0;
    }
    std::printf("halsim: %zu requests, %zu HLP commands, %zu failure records, %zu allocations held\n", steps.size(),
                commands, records, h.liveAllocations.size());
    return 0;
}
