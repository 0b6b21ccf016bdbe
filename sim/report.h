// Text forms of what the stand-in host recorded, for halsim and for test
// failure messages.
#ifndef SIM_REPORT_H
#define SIM_REPORT_H

#include <string>

#include "host.h"

namespace halsim {

std::string describe(const HlpCall &call);     // "HLP 0x20030000 req 364 reply 0 -> 0" and a hex dump
std::string describe(const LastWordRec &rec);  // "LASTWORD kalo_l2:1644 code 0x1 (0x0, 0x0, 0x0, 0x0)"
std::string describe(const TraceRec &rec);     // "TRACE 582 kalo_l2:1650 FlowId = ..."
std::string describe(const ConsoleRec &rec);   // "CONSOLE ..."
std::string hexDump(const std::vector<uint8_t> &bytes, const std::string &indent);

}  // namespace halsim

#endif
