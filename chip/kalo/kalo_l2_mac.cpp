// MAC management chip adapter.
#include "chip/kalo/kalo_l2_mac.h"

#include "chip/kalo/kalo_reg.h"
#include "platform/hook.h"

extern "C" {

uint32_t CHIP_KALO_DelPortMac(uint32_t) { return 0; }

uint32_t CHIP_Register_L2Mac(void)
{
    hal::setSlot<&HAL_L2_DelPortMac>(g_HalL2HookList, HAL_L2_SLOT_DEL_PORT_MAC, &CHIP_KALO_DelPortMac);
    return 0;
}

}  // extern "C"
