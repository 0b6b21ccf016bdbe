/* Layer-3 chip adapter: WAN statistics, L3 interfaces and prefixes, policy
 * routes and NAPT indications. */
#ifndef CHIP_KALO_KALO_L3_H
#define CHIP_KALO_KALO_L3_H

#include <stdint.h>

#include "chip/kalo/kalo_l3_rec.h"
#include "hal_network_adpt/hal_l3.h"

HAL_EXTERN_C_BEGIN

/* ---- WAN statistics ---------------------------------------------------- */

/* One WAN connection counted by the driver on its (port type, VLAN). The
 * entries form a circular list doubly linked through a static head. */
typedef struct QX_IFM_WAN_STATS_S {
    struct QX_IFM_WAN_STATS_S *next; /* next entry, the head after the last */
    struct QX_IFM_WAN_STATS_S *prev; /* previous entry, the head before the first */
    uint32_t uiWanId;
    uint32_t uiPortType;
    uint32_t uiVlan; /* 0 to 4095 */
} QX_IFM_WAN_STATS_S;

HAL_API uint32_t CHIP_KALO_AddWanStats(uint32_t wanId, uint32_t vlan, uint32_t pri);
HAL_API uint32_t CHIP_KALO_DelWanStats(uint32_t wanId);
HAL_API uint32_t CHIP_KALO_ClearWanStats(uint32_t wanId);
HAL_API uint32_t CHIP_KALO_GetWanStats(uint32_t wanId, HAL_L3_WAN_STATS_S *stats);

/* Sends one per-VLAN counter command; reply (96 bytes, may be null) gets
 * the driver's reply on success. */
HAL_API uint32_t QX_DRV_WanStats(uint32_t cmd, uint32_t portType, uint32_t vlan, chip_wan_stats_rpl_s *reply);
HAL_API uint32_t QX_DRV_AddWanStats(uint32_t portType, uint32_t vlan);
HAL_API uint32_t QX_DRV_DelWanStats(uint32_t portType, uint32_t vlan);
HAL_API uint32_t QX_DRV_ClrWanStats(uint32_t portType, uint32_t vlan);
HAL_API uint32_t QX_DRV_GetWanStats(uint32_t portType, uint32_t vlan, chip_wan_stats_rpl_s *reply);

/* The list. The host calls QX_IFM_WanStatsInit once before the first WAN
 * statistics operation; the head is also empty when the library loads. */
HAL_API uint32_t QX_IFM_GetWanPortType(uint32_t wanId, uint32_t *portType);
HAL_API QX_IFM_WAN_STATS_S *QX_IFM_WanStatsGet(void);
HAL_API uint32_t QX_IFM_WanStatsInit(void);
HAL_API QX_IFM_WAN_STATS_S *QX_IFM_WanStatsFind(uint32_t wanId);
HAL_API QX_IFM_WAN_STATS_S *QX_IFM_WanStatsFindConflict(const QX_IFM_WAN_STATS_S *entry);
HAL_API QX_IFM_WAN_STATS_S *QX_IFM_WanStatsNew(uint32_t wanId, uint32_t portType, uint32_t vlan);
HAL_API void QX_IFM_WanStatsFree(QX_IFM_WAN_STATS_S *entry);

/* ---- L3 interfaces and prefixes ---------------------------------------- */

HAL_API uint32_t CHIP_KALO_SynL3IFAdd(uint32_t ifIndex, const HAL_L3_IF_S *intf);
HAL_API uint32_t CHIP_KALO_SynL3IFMtu(uint32_t ifIndex, uint32_t mtu);
HAL_API uint32_t CHIP_KALO_SynL3IFDel(uint32_t ifIndex);
HAL_API uint32_t CHIP_KALO_SynPrefixAdd(uint32_t ifIndex, const HAL_L3_PREFIX_S *prefix);
HAL_API uint32_t CHIP_KALO_SynPrefixDel(uint32_t ifIndex, const HAL_L3_PREFIX_S *prefix);

HAL_API uint32_t PDT_IFM_L3IFAdd(uint32_t ifIndex, const HAL_L3_IF_S *intf);
HAL_API uint32_t PDT_IFM_L3IFDel(uint32_t ifIndex);
HAL_API uint32_t PDT_IFM_AdaptPara(const HAL_L3_IF_S *intf, chip_l3_if_s *rec);
HAL_API uint32_t PDT_IFM_AdaptRule(const HAL_L3_IF_S *intf, chip_l3_if_s *rec);
HAL_API uint32_t PDT_IFM_AdaptIpVer(const HAL_L3_IF_S *intf, chip_l3_if_s *rec);
HAL_API void PDT_IFM_AdaptInfoPri(const HAL_L3_IF_S *intf, chip_l3_if_s *rec);
HAL_API void PDT_IFM_AdaptInfoV4Napt(const HAL_L3_IF_S *intf, chip_l3_if_s *rec);
HAL_API void PDT_IFM_AdaptInfoV6Napt(const HAL_L3_IF_S *intf, chip_l3_if_s *rec);
HAL_API void PDT_IFM_AdaptInfochannel(const HAL_L3_IF_S *intf, chip_l3_if_s *rec);
HAL_API uint32_t QX_IFM_TranslatePrefix(uint32_t ifIndex, const HAL_L3_PREFIX_S *prefix, chip_prefix_s *rec);

/* Index of the lowest set bit of mask, 32 when none: the number of host bits
 * of a contiguous netmask. */
HAL_API uint32_t PDT_ROUTE_GetMaskLen(uint32_t mask);

/* ---- Policy routes and NAPT indications -------------------------------- */

HAL_API uint32_t CHIP_KALO_AddPolicyRoute(uint32_t ruleId, const HAL_L3_POLICY_ROUTE_S *rule);
HAL_API uint32_t CHIP_KALO_DelPolicyRoute(uint32_t ruleId);
HAL_API uint32_t CHIP_KALO_AddNaptIndication(uint32_t ruleId, const HAL_L3_NAPT_IND_S *ind);
HAL_API uint32_t CHIP_KALO_DelNaptIndication(uint32_t ruleId, const HAL_L3_NAPT_IND_S *ind);
HAL_API uint32_t PDT_ROUTE_AdaptPolicyRoute(chip_route_s *route, const HAL_L3_POLICY_ROUTE_S *rule);

HAL_EXTERN_C_END

#endif
