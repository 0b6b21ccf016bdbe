// The HLP command codes by the names the library's command list gives them
// (L2_ADD_FLOW), for output that a program reads.
#ifndef TOOLS_HALSIM_CMD_NAMES_H
#define TOOLS_HALSIM_CMD_NAMES_H

#include <cstdint>

namespace halsim {

// The list name of code, or null for a code the library does not send.
const char *cmdName(uint32_t code);

}  // namespace halsim

#endif
