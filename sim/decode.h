// HLP command decoder: each command's request record as a list of named
// fields, taken from the field tables beside the records the chip adapter
// fills, and the commands from the adapter's own command table.
#ifndef SIM_DECODE_H
#define SIM_DECODE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host.h"
#include "platform/hlp_record.h"

namespace halsim {

// A field of a request, nested records flattened: "in.in_rule.tag_num".
struct Field {
    std::string name;
    uint32_t offset;
    uint32_t size;  // 1, 2 or 4: a number; anything else: bytes, or numbers of element bytes each
    hal::rec::ValueNames values;
    uint32_t element;
};

struct Layout {
    uint32_t cmd;
    const char *name;    // null for a code the command table does not pair
    uint32_t size;       // request length the driver expects
    uint32_t replySize;  // 0 when the driver writes no reply
    std::vector<Field> fields;
};

// The layout of a command's request, or null for a code the library does
// not send.
const Layout *layoutOf(uint32_t cmd);

// Every code the library sends, in the order of the command table.
const std::vector<Layout> &layouts();

// "add flow: flow_id=100 direction=2(both) in.in_port.port_type=4(eth) ...":
// the command's name and its non-zero fields; a hex dump for an unknown
// command or a request of the wrong length.
std::string decode(const HlpCall &call);

// The little-endian number of size bytes (at most 8) at offset of bytes.
uint64_t numberAt(const std::vector<uint8_t> &bytes, size_t offset, size_t size);

}  // namespace halsim

#endif
