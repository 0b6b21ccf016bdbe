// Layer-3 entry points, their install function and the IPv4 session flag.

#include "chip/kalo/kalo_reg.h"
#include "hal_network_adpt.h"
#include "platform/diag.h"
#include "platform/hook.h"

HAL_DIAG_SOURCE("Source/hal/network/core/usr/adpt/hal_l3_usr_adpt", hal::kModuleL3);

namespace {

// Configuration database entry of the IPv4 session flag.
constexpr uint32_t kSessionDb = 140;
constexpr uint32_t kSessionObject = 0x264f0900U;
constexpr uint32_t kSessionFlagPara = 0x264f0901U;

template <typename... Args>
uint32_t l3Dispatch(unsigned slot, Args... args)
{
    return hal::dispatch<HAL_L3_InitUser>(g_HalL3HookList, slot, args...);
}

}  // namespace

extern "C" {

HAL_HOOK_FUNC g_HalL3HookList[HAL_L3_HOOK_NUM];
uint32_t g_HalL3HookInstalled;

uint32_t HAL_L3_InitUser(void)
{
    if (g_HalL3HookInstalled != 0) {
        return 0;
    }
    hal::clearTable(g_HalL3HookList);
    // The L3 family counts as installed before its registration runs.
    g_HalL3HookInstalled = 1;
    return CHIP_Register_L3();
}

uint32_t HAL_L3_AddWanStats(uint32_t wanId, uint32_t vlan, uint32_t pri)
{
    return l3Dispatch(HAL_L3_SLOT_ADD_WAN_STATS, wanId, vlan, pri);
}
uint32_t HAL_L3_DelWanStats(uint32_t wanId) { return l3Dispatch(HAL_L3_SLOT_DEL_WAN_STATS, wanId); }
uint32_t HAL_L3_ClearWanStats(uint32_t wanId) { return l3Dispatch(HAL_L3_SLOT_CLEAR_WAN_STATS, wanId); }
uint32_t HAL_L3_GetWanStats(uint32_t wanId, HAL_L3_WAN_STATS_S *stats)
{
    return l3Dispatch(HAL_L3_SLOT_GET_WAN_STATS, wanId, stats);
}
uint32_t HAL_L3_SynL3IFAdd(uint32_t ifIndex, const HAL_L3_IF_S *intf)
{
    return l3Dispatch(HAL_L3_SLOT_L3IF_ADD, ifIndex, intf);
}
uint32_t HAL_L3_SynL3IFSetMtu(uint32_t ifIndex, uint32_t mtu)
{
    return l3Dispatch(HAL_L3_SLOT_L3IF_SET_MTU, ifIndex, mtu);
}
uint32_t HAL_L3_SynL3IFDel(uint32_t ifIndex) { return l3Dispatch(HAL_L3_SLOT_L3IF_DEL, ifIndex); }
uint32_t HAL_L3_SynPrefixAdd(uint32_t ifIndex, const HAL_L3_PREFIX_S *prefix)
{
    return l3Dispatch(HAL_L3_SLOT_PREFIX_ADD, ifIndex, prefix);
}
uint32_t HAL_L3_SynPrefixDel(uint32_t ifIndex, const HAL_L3_PREFIX_S *prefix)
{
    return l3Dispatch(HAL_L3_SLOT_PREFIX_DEL, ifIndex, prefix);
}
uint32_t HAL_L3_AddPolicyRoute(uint32_t ruleId, const HAL_L3_POLICY_ROUTE_S *rule)
{
    return l3Dispatch(HAL_L3_SLOT_ADD_POLICY_ROUTE, ruleId, rule);
}
uint32_t HAL_L3_DelPolicyRoute(uint32_t ruleId) { return l3Dispatch(HAL_L3_SLOT_DEL_POLICY_ROUTE, ruleId); }
uint32_t HAL_L3_AddNaptIndication(uint32_t ruleId, const HAL_L3_NAPT_IND_S *ind)
{
    return l3Dispatch(HAL_L3_SLOT_ADD_NAPT_INDICATION, ruleId, ind);
}
uint32_t HAL_L3_DelNaptIndication(uint32_t ruleId, const HAL_L3_NAPT_IND_S *ind)
{
    return l3Dispatch(HAL_L3_SLOT_DEL_NAPT_INDICATION, ruleId, ind);
}

uint32_t PDT_IFM_GetIpv4SessionFlag(uint32_t *flag)
{
    if (flag == nullptr) {
        return HAL_ERR;
    }
    uint32_t exists = 0;
    uint32_t ret = QX_XML_DBIsObjExist(kSessionDb, 0, kSessionObject, &exists);
    if (ret != 0 || exists == 0) {
        lastWord(49, ret, exists);
    }
    uint32_t value = 0;
    uint32_t len = 0;
    ret = QX_XML_DBGetSiglePara(kSessionDb, 0, kSessionFlagPara, sizeof(value), &value, &len);
    if (ret != 0) {
        lastWord(60, ret, value, len);
        value = 0;
    }
    *flag = value;
    return 0;
}

}  // extern "C"
