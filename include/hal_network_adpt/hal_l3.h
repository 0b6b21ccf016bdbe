/* Layer-3 entry points: WAN statistics, L3 interfaces and prefixes, policy
 * routes and NAPT indications. */
#ifndef HAL_NETWORK_ADPT_HAL_L3_H
#define HAL_NETWORK_ADPT_HAL_L3_H

#include "hal_types.h"

HAL_EXTERN_C_BEGIN

/* Slots of g_HalL3HookList. */
enum HAL_L3_SLOT_E {
    HAL_L3_SLOT_ADD_WAN_STATS = 0,
    HAL_L3_SLOT_DEL_WAN_STATS = 1,
    HAL_L3_SLOT_CLEAR_WAN_STATS = 2,
    HAL_L3_SLOT_GET_WAN_STATS = 3,
    HAL_L3_SLOT_L3IF_ADD = 4,
    HAL_L3_SLOT_L3IF_SET_MTU = 5,
    HAL_L3_SLOT_L3IF_DEL = 6,
    HAL_L3_SLOT_PREFIX_ADD = 7,
    HAL_L3_SLOT_PREFIX_DEL = 8,
    HAL_L3_SLOT_ADD_POLICY_ROUTE = 9,
    HAL_L3_SLOT_DEL_POLICY_ROUTE = 10,
    HAL_L3_SLOT_ADD_NAPT_INDICATION = 11,
    HAL_L3_SLOT_DEL_NAPT_INDICATION = 12
};

/* Host records of the layer-3 entry points. */
typedef struct HAL_L3_WAN_STATS_S HAL_L3_WAN_STATS_S;
typedef struct HAL_L3_IF_S HAL_L3_IF_S;
typedef struct HAL_L3_PREFIX_S HAL_L3_PREFIX_S;
typedef struct HAL_L3_POLICY_ROUTE_S HAL_L3_POLICY_ROUTE_S;
typedef struct HAL_L3_NAPT_IND_S HAL_L3_NAPT_IND_S;

extern HAL_API HAL_HOOK_FUNC g_HalL3HookList[HAL_L3_HOOK_NUM];
extern HAL_API uint32_t g_HalL3HookInstalled;

HAL_API uint32_t HAL_L3_InitUser(void);

HAL_API uint32_t HAL_L3_AddWanStats(uint32_t wanId, uint32_t vlan, uint32_t pri);
HAL_API uint32_t HAL_L3_DelWanStats(uint32_t wanId);
HAL_API uint32_t HAL_L3_ClearWanStats(uint32_t wanId);
HAL_API uint32_t HAL_L3_GetWanStats(uint32_t wanId, HAL_L3_WAN_STATS_S *stats);
HAL_API uint32_t HAL_L3_SynL3IFAdd(uint32_t ifIndex, const HAL_L3_IF_S *intf);
HAL_API uint32_t HAL_L3_SynL3IFSetMtu(uint32_t ifIndex, uint32_t mtu);
HAL_API uint32_t HAL_L3_SynL3IFDel(uint32_t ifIndex);
HAL_API uint32_t HAL_L3_SynPrefixAdd(uint32_t ifIndex, const HAL_L3_PREFIX_S *prefix);
HAL_API uint32_t HAL_L3_SynPrefixDel(uint32_t ifIndex, const HAL_L3_PREFIX_S *prefix);
HAL_API uint32_t HAL_L3_AddPolicyRoute(uint32_t ruleId, const HAL_L3_POLICY_ROUTE_S *rule);
HAL_API uint32_t HAL_L3_DelPolicyRoute(uint32_t ruleId);
HAL_API uint32_t HAL_L3_AddNaptIndication(uint32_t ruleId, const HAL_L3_NAPT_IND_S *ind);
HAL_API uint32_t HAL_L3_DelNaptIndication(uint32_t ruleId, const HAL_L3_NAPT_IND_S *ind);

HAL_EXTERN_C_END

#endif
