// What halsim prints for one request: the call, its result, its notes and
// the HLP commands it sent, as text or as one JSON line.
#ifndef TOOLS_HALSIM_PRINT_H
#define TOOLS_HALSIM_PRINT_H

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "host.h"
#include "run.h"

namespace halsim {

// How far the host's lists ran before a request, so that what the request
// added can be printed after it.
struct Marks {
    size_t hlp;
    size_t lastWords;
    size_t traces;
    size_t console;
};

inline Marks marksOf(const Host &h) { return {h.hlp.size(), h.lastWords.size(), h.traces.size(), h.console.size()}; }

std::string hex(uint32_t v);  // "0x1f"

// Prints one request as o asks (nothing for the quiet and state outputs).
void printRequest(Output o, const std::string &what, uint32_t result, const std::vector<std::string> &notes,
                  const Host &h, const Marks &from, std::ostream &out);

// The chip's tables after a run, for the outputs that print them.
void printChipState(Output o, const std::string &summary, std::ostream &out);

}  // namespace halsim

#endif
