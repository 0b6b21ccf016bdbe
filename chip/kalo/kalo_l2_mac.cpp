// MAC management chip adapter.
#include "chip/kalo/kalo_l2_mac.h"

#include "chip/kalo/kalo_hooks.h"

extern "C" {

uint32_t CHIP_KALO_DelPortMac(uint32_t /*value*/) { return 0; }

uint32_t CHIP_Register_L2Mac(void)
{
    hal::registerHooks<kalo::kL2Hooks, &CHIP_Register_L2Mac>();
    return 0;
}

}  // extern "C"
