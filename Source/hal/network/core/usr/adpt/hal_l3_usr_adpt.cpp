// Layer-3 entry points, their install function and the IPv4 session flag.

#include "chip/kalo/kalo_hooks.h"
#include "hal_network_adpt.h"
#include "platform/diag.h"
#include "platform/hook.h"

HAL_DIAG_SOURCE("Source/hal/network/core/usr/adpt/hal_l3_usr_adpt", hal::kModuleL3);

namespace {

// Configuration database entry of the IPv4 session flag.
constexpr uint32_t kSessionDb = 140;
constexpr uint32_t kSessionObject = 0x264f0900U;
constexpr uint32_t kSessionFlagPara = 0x264f0901U;

template <auto Entry, typename... Args>
uint32_t l3(Args... args)
{
    return hal::dispatch<kalo::kL3Hooks, Entry>(args...);
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
    return l3<&HAL_L3_AddWanStats>(wanId, vlan, pri);
}
uint32_t HAL_L3_DelWanStats(uint32_t wanId) { return l3<&HAL_L3_DelWanStats>(wanId); }
uint32_t HAL_L3_ClearWanStats(uint32_t wanId) { return l3<&HAL_L3_ClearWanStats>(wanId); }
uint32_t HAL_L3_GetWanStats(uint32_t wanId, HAL_L3_WAN_STATS_S *stats) { return l3<&HAL_L3_GetWanStats>(wanId, stats); }
uint32_t HAL_L3_SynL3IFAdd(uint32_t ifIndex, const HAL_L3_IF_S *intf) { return l3<&HAL_L3_SynL3IFAdd>(ifIndex, intf); }
uint32_t HAL_L3_SynL3IFSetMtu(uint32_t ifIndex, uint32_t mtu) { return l3<&HAL_L3_SynL3IFSetMtu>(ifIndex, mtu); }
uint32_t HAL_L3_SynL3IFDel(uint32_t ifIndex) { return l3<&HAL_L3_SynL3IFDel>(ifIndex); }
uint32_t HAL_L3_SynPrefixAdd(uint32_t ifIndex, const HAL_L3_PREFIX_S *prefix)
{
    return l3<&HAL_L3_SynPrefixAdd>(ifIndex, prefix);
}
uint32_t HAL_L3_SynPrefixDel(uint32_t ifIndex, const HAL_L3_PREFIX_S *prefix)
{
    return l3<&HAL_L3_SynPrefixDel>(ifIndex, prefix);
}
uint32_t HAL_L3_AddPolicyRoute(uint32_t ruleId, const HAL_L3_POLICY_ROUTE_S *rule)
{
    return l3<&HAL_L3_AddPolicyRoute>(ruleId, rule);
}
uint32_t HAL_L3_DelPolicyRoute(uint32_t ruleId) { return l3<&HAL_L3_DelPolicyRoute>(ruleId); }
uint32_t HAL_L3_AddNaptIndication(uint32_t ruleId, const HAL_L3_NAPT_IND_S *ind)
{
    return l3<&HAL_L3_AddNaptIndication>(ruleId, ind);
}
uint32_t HAL_L3_DelNaptIndication(uint32_t ruleId, const HAL_L3_NAPT_IND_S *ind)
{
    return l3<&HAL_L3_DelNaptIndication>(ruleId, ind);
}

uint32_t PDT_IFM_GetIpv4SessionFlag(uint32_t *flag)
{
    // The answer is 0 whatever happens: without a place to write the flag
    // to there is nothing to do.
    if (flag == nullptr) {
        return 0;
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
