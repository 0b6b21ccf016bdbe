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

/* Host records of the layer-3 entry points. All fields are in the
 * processor's byte order unless a comment says otherwise. */

/* Traffic counters of one WAN connection (written by HAL_L3_GetWanStats). */
typedef struct HAL_L3_WAN_STATS_S {
    uint32_t uiSndBytesHigh; /* +0 bytes sent, high 32 bits */
    uint32_t uiSndBytesLow;  /* +4 bytes sent, low 32 bits */
    uint32_t uiRcvBytesHigh; /* +8 bytes received, high 32 bits */
    uint32_t uiRcvBytesLow;  /* +12 bytes received, low 32 bits */
    uint32_t uiRcvPkts;      /* +16 packets received */
    uint32_t uiSndPkts;      /* +20 packets sent */
    uint32_t uiSndUcPkts;    /* +24 unicast packets sent */
    uint32_t uiRcvUcPkts;    /* +28 unicast packets received */
    uint32_t uiSndMcPkts;    /* +32 multicast packets sent */
    uint32_t uiRcvMcPkts;    /* +36 multicast packets received */
    uint32_t uiSndBcPkts;    /* +40 broadcast packets sent */
    uint32_t uiRcvBcPkts;    /* +44 broadcast packets received */
} HAL_L3_WAN_STATS_S;
HAL_STATIC_ASSERT(sizeof(HAL_L3_WAN_STATS_S) == 48, "HAL_L3_WAN_STATS_S size");
HAL_STATIC_ASSERT(offsetof(HAL_L3_WAN_STATS_S, uiRcvBytesHigh) == 8, "HAL_L3_WAN_STATS_S.uiRcvBytesHigh");
HAL_STATIC_ASSERT(offsetof(HAL_L3_WAN_STATS_S, uiRcvPkts) == 16, "HAL_L3_WAN_STATS_S.uiRcvPkts");
HAL_STATIC_ASSERT(offsetof(HAL_L3_WAN_STATS_S, uiSndUcPkts) == 24, "HAL_L3_WAN_STATS_S.uiSndUcPkts");
HAL_STATIC_ASSERT(offsetof(HAL_L3_WAN_STATS_S, uiSndMcPkts) == 32, "HAL_L3_WAN_STATS_S.uiSndMcPkts");
HAL_STATIC_ASSERT(offsetof(HAL_L3_WAN_STATS_S, uiRcvBcPkts) == 44, "HAL_L3_WAN_STATS_S.uiRcvBcPkts");

/* Kinds of L3 interface (uiKind). Other values are accepted: only the index
 * and the IP version code reach the driver for them. */
#define HAL_L3_IF_KIND_PLAIN 0U /* matched by MAC address */
#define HAL_L3_IF_KIND_VLAN 1U  /* matched by MAC address and VLAN, with priority and NAPT settings */

/* A layer-3 interface as the interface manager announces it. */
typedef struct HAL_L3_IF_S {
    uint32_t uiKind;        /* +0 HAL_L3_IF_KIND_* */
    uint32_t uiRsv4;        /* +4 */
    uint32_t uiIpVersion;   /* +8 0 IPv4, 1 IPv6; larger values are refused */
    uint32_t uiRsv12;       /* +12 */
    uint8_t aucMac[6];      /* +16 MAC address of the interface */
    uint8_t aucRsv22[2];    /* +22 */
    uint32_t uiVlanId;      /* +24 VLAN id (kind 1), 0 = untagged */
    uint32_t uiRsv28;       /* +28 */
    uint32_t uiIfAttr;      /* +32 interface attribute, passed to the driver unchanged */
    uint32_t uiPriMode;     /* +36 priority mode 1, 2 or 3; other values = none */
    uint32_t uiPri;         /* +40 priority of mode 1 */
    uint32_t uiSecondPri;   /* +44 second priority of mode 3 */
    uint32_t uiMarkPri;     /* +48 priority of modes 2 and 3 */
    uint8_t aucRsv52[24];   /* +52 */
    uint32_t uiIfAttr76;    /* +76 attribute passed to the driver unchanged (kind 1) */
    uint8_t aucRsv80[8];    /* +80 */
    uint32_t uiIfAttr88;    /* +88 attribute passed to the driver unchanged (kind 1) */
    uint32_t uiIpv4NaptSel; /* +92 0 or 1 */
    uint32_t uiIpv6NaptSel; /* +96 0 or 1 */
    uint32_t uiIpv4State;   /* +100 1 or 2 */
    uint32_t uiIpv6State;   /* +104 1 or 2 */
} HAL_L3_IF_S;
HAL_STATIC_ASSERT(sizeof(HAL_L3_IF_S) == 108, "HAL_L3_IF_S size");
HAL_STATIC_ASSERT(offsetof(HAL_L3_IF_S, uiIpVersion) == 8, "HAL_L3_IF_S.uiIpVersion");
HAL_STATIC_ASSERT(offsetof(HAL_L3_IF_S, aucMac) == 16, "HAL_L3_IF_S.aucMac");
HAL_STATIC_ASSERT(offsetof(HAL_L3_IF_S, uiVlanId) == 24, "HAL_L3_IF_S.uiVlanId");
HAL_STATIC_ASSERT(offsetof(HAL_L3_IF_S, uiIfAttr) == 32, "HAL_L3_IF_S.uiIfAttr");
HAL_STATIC_ASSERT(offsetof(HAL_L3_IF_S, uiPriMode) == 36, "HAL_L3_IF_S.uiPriMode");
HAL_STATIC_ASSERT(offsetof(HAL_L3_IF_S, uiPri) == 40, "HAL_L3_IF_S.uiPri");
HAL_STATIC_ASSERT(offsetof(HAL_L3_IF_S, uiSecondPri) == 44, "HAL_L3_IF_S.uiSecondPri");
HAL_STATIC_ASSERT(offsetof(HAL_L3_IF_S, uiMarkPri) == 48, "HAL_L3_IF_S.uiMarkPri");
HAL_STATIC_ASSERT(offsetof(HAL_L3_IF_S, uiIfAttr76) == 76, "HAL_L3_IF_S.uiIfAttr76");
HAL_STATIC_ASSERT(offsetof(HAL_L3_IF_S, uiIfAttr88) == 88, "HAL_L3_IF_S.uiIfAttr88");
HAL_STATIC_ASSERT(offsetof(HAL_L3_IF_S, uiIpv4NaptSel) == 92, "HAL_L3_IF_S.uiIpv4NaptSel");
HAL_STATIC_ASSERT(offsetof(HAL_L3_IF_S, uiIpv6NaptSel) == 96, "HAL_L3_IF_S.uiIpv6NaptSel");
HAL_STATIC_ASSERT(offsetof(HAL_L3_IF_S, uiIpv4State) == 100, "HAL_L3_IF_S.uiIpv4State");
HAL_STATIC_ASSERT(offsetof(HAL_L3_IF_S, uiIpv6State) == 104, "HAL_L3_IF_S.uiIpv6State");

/* A source-check (SIP-CHECK) prefix of an L3 interface. */
typedef struct HAL_L3_PREFIX_S {
    uint8_t ucEntryId;    /* +0 shown in the trace only */
    uint8_t aucRsv1[7];   /* +1 */
    uint32_t uiIpVersion; /* +8 0 IPv4, 1 IPv6; other values are refused */
    uint32_t auiAddr[4];  /* +12 address words; IPv4 uses auiAddr[0] only */
    uint32_t uiPrefixLen; /* +28 prefix length, 0 = any address */
} HAL_L3_PREFIX_S;
HAL_STATIC_ASSERT(sizeof(HAL_L3_PREFIX_S) == 32, "HAL_L3_PREFIX_S size");
HAL_STATIC_ASSERT(offsetof(HAL_L3_PREFIX_S, uiIpVersion) == 8, "HAL_L3_PREFIX_S.uiIpVersion");
HAL_STATIC_ASSERT(offsetof(HAL_L3_PREFIX_S, auiAddr) == 12, "HAL_L3_PREFIX_S.auiAddr");
HAL_STATIC_ASSERT(offsetof(HAL_L3_PREFIX_S, uiPrefixLen) == 28, "HAL_L3_PREFIX_S.uiPrefixLen");

/* uiMatchMask bits of a policy route. */
#define HAL_L3_ROUTE_MATCH_TAG_NUM 0x1U
#define HAL_L3_ROUTE_MATCH_VLAN 0x2U
#define HAL_L3_ROUTE_MATCH_SIP 0x4U

/* A policy route. The record is variable in length: uiCtpNum ingress CTP
 * ids (u32 words, the CTP id in the low 16 bits) follow the fixed part
 * directly, at byte offset HAL_L3_POLICY_ROUTE_CTP_OFFSET. A host builds it
 * in a buffer of HAL_L3_POLICY_ROUTE_SIZE(n) bytes, for instance
 *     struct { HAL_L3_POLICY_ROUTE_S stRule; uint32_t auiCtpId[2]; } r;
 * uiCtpNum is taken as the length of that array and must not exceed
 * HAL_L3_POLICY_ROUTE_CTP_MAX: a larger count is refused before any id is
 * read (the route is not installed). */
typedef struct HAL_L3_POLICY_ROUTE_S {
    uint32_t uiFamily;     /* +0 0 or 1 */
    uint32_t uiRouteID;    /* +4 routing table; 0xFFFFFFFF = none */
    uint32_t uiRouteParam; /* +8 passed to the driver unchanged */
    uint32_t uiMatchMask;  /* +12 HAL_L3_ROUTE_MATCH_* */
    uint32_t uiTagNum;     /* +16 number of tags to match */
    uint32_t uiVlan;       /* +20 VLAN to match */
    uint8_t aucSrcIp[4];   /* +24 IPv4 source address, network byte order */
    uint32_t uiIpMask;     /* +28 source address mask */
    uint32_t uiAct;        /* +32 action 0 to 4: 1 to route, 2 to NAPT */
    uint32_t uiCtpNum;     /* +36 number of CTP ids that follow */
} HAL_L3_POLICY_ROUTE_S;
HAL_STATIC_ASSERT(sizeof(HAL_L3_POLICY_ROUTE_S) == 40, "HAL_L3_POLICY_ROUTE_S size");
HAL_STATIC_ASSERT(offsetof(HAL_L3_POLICY_ROUTE_S, uiRouteID) == 4, "HAL_L3_POLICY_ROUTE_S.uiRouteID");
HAL_STATIC_ASSERT(offsetof(HAL_L3_POLICY_ROUTE_S, uiRouteParam) == 8, "HAL_L3_POLICY_ROUTE_S.uiRouteParam");
HAL_STATIC_ASSERT(offsetof(HAL_L3_POLICY_ROUTE_S, uiMatchMask) == 12, "HAL_L3_POLICY_ROUTE_S.uiMatchMask");
HAL_STATIC_ASSERT(offsetof(HAL_L3_POLICY_ROUTE_S, uiTagNum) == 16, "HAL_L3_POLICY_ROUTE_S.uiTagNum");
HAL_STATIC_ASSERT(offsetof(HAL_L3_POLICY_ROUTE_S, uiVlan) == 20, "HAL_L3_POLICY_ROUTE_S.uiVlan");
HAL_STATIC_ASSERT(offsetof(HAL_L3_POLICY_ROUTE_S, aucSrcIp) == 24, "HAL_L3_POLICY_ROUTE_S.aucSrcIp");
HAL_STATIC_ASSERT(offsetof(HAL_L3_POLICY_ROUTE_S, uiIpMask) == 28, "HAL_L3_POLICY_ROUTE_S.uiIpMask");
HAL_STATIC_ASSERT(offsetof(HAL_L3_POLICY_ROUTE_S, uiAct) == 32, "HAL_L3_POLICY_ROUTE_S.uiAct");
HAL_STATIC_ASSERT(offsetof(HAL_L3_POLICY_ROUTE_S, uiCtpNum) == 36, "HAL_L3_POLICY_ROUTE_S.uiCtpNum");
#define HAL_L3_POLICY_ROUTE_CTP_OFFSET 40U
#define HAL_L3_POLICY_ROUTE_SIZE(ctpNum) (HAL_L3_POLICY_ROUTE_CTP_OFFSET + 4U * (uint32_t)(ctpNum))
/* Most ingress CTPs one route may name: the chip ingress mask holds 32
 * ports, and network-side CTPs in the list are skipped. */
#define HAL_L3_POLICY_ROUTE_CTP_MAX 64U

/* A NAPT indication: a destination prefix whose traffic goes to NAPT or not. */
typedef struct HAL_L3_NAPT_IND_S {
    uint32_t uiFamily;     /* +0 0 = IPv4, the only family accepted */
    uint32_t uiRouteTblID; /* +4 routing table; 0xFFFFFFFF = none */
    uint32_t uiOutIfIndex; /* +8 outgoing L3 interface; 0 = none */
    uint32_t uiDip[4];     /* +12 destination address; IPv4 uses uiDip[0] */
    uint32_t uiMask;       /* +28 destination mask */
    uint32_t uiIsToNapt;   /* +32 1 = the traffic goes to NAPT */
} HAL_L3_NAPT_IND_S;
HAL_STATIC_ASSERT(sizeof(HAL_L3_NAPT_IND_S) == 36, "HAL_L3_NAPT_IND_S size");
HAL_STATIC_ASSERT(offsetof(HAL_L3_NAPT_IND_S, uiRouteTblID) == 4, "HAL_L3_NAPT_IND_S.uiRouteTblID");
HAL_STATIC_ASSERT(offsetof(HAL_L3_NAPT_IND_S, uiOutIfIndex) == 8, "HAL_L3_NAPT_IND_S.uiOutIfIndex");
HAL_STATIC_ASSERT(offsetof(HAL_L3_NAPT_IND_S, uiDip) == 12, "HAL_L3_NAPT_IND_S.uiDip");
HAL_STATIC_ASSERT(offsetof(HAL_L3_NAPT_IND_S, uiMask) == 28, "HAL_L3_NAPT_IND_S.uiMask");
HAL_STATIC_ASSERT(offsetof(HAL_L3_NAPT_IND_S, uiIsToNapt) == 32, "HAL_L3_NAPT_IND_S.uiIsToNapt");

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

/* Writes the configured IPv4 session flag (0 when it cannot be read) and
 * returns 0. The policy route translation asks it. */
HAL_API uint32_t PDT_IFM_GetIpv4SessionFlag(uint32_t *flag);

HAL_EXTERN_C_END

#endif
