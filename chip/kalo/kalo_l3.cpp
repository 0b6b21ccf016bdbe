// Layer-3 chip adapter: registration of its functions into the L3 hook
// table. The operations live in kalo_l3_wan.cpp (WAN statistics),
// kalo_l3_if.cpp (L3 interfaces and prefixes) and kalo_l3_route.cpp (policy
// routes and NAPT indications).
#include "chip/kalo/kalo_l3.h"

#include "chip/kalo/kalo_reg.h"
#include "platform/hook.h"

extern "C" {

uint32_t CHIP_Register_L3(void)
{
    HAL_HOOK_FUNC *const t = g_HalL3HookList;
    hal::setSlot<&HAL_L3_AddWanStats>(t, HAL_L3_SLOT_ADD_WAN_STATS, &CHIP_KALO_AddWanStats);
    hal::setSlot<&HAL_L3_DelWanStats>(t, HAL_L3_SLOT_DEL_WAN_STATS, &CHIP_KALO_DelWanStats);
    hal::setSlot<&HAL_L3_ClearWanStats>(t, HAL_L3_SLOT_CLEAR_WAN_STATS, &CHIP_KALO_ClearWanStats);
    hal::setSlot<&HAL_L3_GetWanStats>(t, HAL_L3_SLOT_GET_WAN_STATS, &CHIP_KALO_GetWanStats);
    hal::setSlot<&HAL_L3_SynL3IFAdd>(t, HAL_L3_SLOT_L3IF_ADD, &CHIP_KALO_SynL3IFAdd);
    hal::setSlot<&HAL_L3_SynL3IFSetMtu>(t, HAL_L3_SLOT_L3IF_SET_MTU, &CHIP_KALO_SynL3IFMtu);
    hal::setSlot<&HAL_L3_SynL3IFDel>(t, HAL_L3_SLOT_L3IF_DEL, &CHIP_KALO_SynL3IFDel);
    hal::setSlot<&HAL_L3_SynPrefixAdd>(t, HAL_L3_SLOT_PREFIX_ADD, &CHIP_KALO_SynPrefixAdd);
    hal::setSlot<&HAL_L3_SynPrefixDel>(t, HAL_L3_SLOT_PREFIX_DEL, &CHIP_KALO_SynPrefixDel);
    hal::setSlot<&HAL_L3_AddPolicyRoute>(t, HAL_L3_SLOT_ADD_POLICY_ROUTE, &CHIP_KALO_AddPolicyRoute);
    hal::setSlot<&HAL_L3_DelPolicyRoute>(t, HAL_L3_SLOT_DEL_POLICY_ROUTE, &CHIP_KALO_DelPolicyRoute);
    hal::setSlot<&HAL_L3_AddNaptIndication>(t, HAL_L3_SLOT_ADD_NAPT_INDICATION, &CHIP_KALO_AddNaptIndication);
    hal::setSlot<&HAL_L3_DelNaptIndication>(t, HAL_L3_SLOT_DEL_NAPT_INDICATION, &CHIP_KALO_DelNaptIndication);
    return 0;
}

}  // extern "C"
