#include "cmd_names.h"

#include "platform/hlp_cmd.h"

namespace halsim {

namespace {

struct CmdName {
    uint32_t code;
    const char *name;
};

constexpr CmdName kNames[] = {
#define HALSIM_CMD_NAME(name, code) {code, #name},
    HAL_HLP_CODES(HALSIM_CMD_NAME)
#undef HALSIM_CMD_NAME
};

}  // namespace

const char *cmdName(uint32_t code)
{
    for (const CmdName &n : kNames) {
        if (n.code == code) {
            return n.name;
        }
    }
    return nullptr;
}

}  // namespace halsim
