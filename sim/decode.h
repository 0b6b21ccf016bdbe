// HLP command decoder: each command's request record as a list of named
// fields, taken from the same record definitions the chip adapter fills.
#ifndef SIM_DECODE_H
#define SIM_DECODE_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "host.h"

namespace halsim {

struct Field {
    const char *name;
    uint32_t offset;
    uint32_t size;  // 1, 2 or 4: a number; anything else: bytes
};

struct Layout {
    uint32_t cmd;
    const char *name;
    uint32_t size;  // request length the driver expects
    const Field *fields;
    size_t count;
};

// The layout of a command's request, or null for a command it does not know.
const Layout *layoutOf(uint32_t cmd);

// Every layout, for checks over the whole table.
const Layout *layoutsBegin();
const Layout *layoutsEnd();

// "add flow: flow_id=100 direction=2 in.in_port.port_type=4 ...": the
// command's name and its non-zero fields; a hex dump for an unknown command
// or a request of the wrong length.
std::string decode(const HlpCall &call);

}  // namespace halsim

#endif
