/* Layer-2, protocol-packet (PDU) and diagnostic-flow (DFX) entry points,
 * their hook table, the port identity hooks and the chip debug command. */
#ifndef HAL_NETWORK_ADPT_HAL_L2_H
#define HAL_NETWORK_ADPT_HAL_L2_H

#include "hal_types.h"

HAL_EXTERN_C_BEGIN

/* Slots of g_HalL2HookList. */
enum HAL_L2_SLOT_E {
    HAL_L2_SLOT_ADD_FLOW = 0,
    HAL_L2_SLOT_DEL_FLOW = 1,
    HAL_L2_SLOT_ADD_BC_TABLE = 2,
    HAL_L2_SLOT_DEL_BC_TABLE = 3,
    HAL_L2_SLOT_ADD_DSCP_TO_PBIT_TBL = 4,
    HAL_L2_SLOT_DEL_DSCP_TO_PBIT_TBL = 5,
    HAL_L2_SLOT_ADD_BRIDGE_PORT = 6,
    HAL_L2_SLOT_DEL_BRIDGE_PORT = 7,
    HAL_L2_SLOT_SET_PORT_ISOLATE = 8,
    HAL_L2_SLOT_SET_BC_LIMIT = 9,
    HAL_L2_SLOT_SET_UMC_LIMIT = 10,
    HAL_L2_SLOT_SET_UUC_LIMIT = 11,
    HAL_L2_SLOT_GET_PORT_TCI_STATS = 12,
    HAL_L2_SLOT_CLEAR_PORT_TCI_STATS = 13,
    HAL_L2_SLOT_ADD_PORT_TCI_STATS = 14,
    HAL_L2_SLOT_DEL_PORT_TCI_STATS = 15,
    HAL_L2_SLOT_SET_MAC_LEARN_STATE = 16,
    HAL_L2_SLOT_SET_PORT_MAC_LEARN_NUM = 17,
    HAL_L2_SLOT_SET_MAC_AGE = 18,
    HAL_L2_SLOT_SET_MAC_LEARN_NUM = 19,
    HAL_L2_SLOT_SET_MAC_LEARN_MODE = 20,
    HAL_L2_SLOT_SET_PORT_MAC_LEARN_STATE = 21,
    HAL_L2_SLOT_ADD_STATIC_MAC = 22,
    HAL_L2_SLOT_DEL_STATIC_MAC = 23,
    HAL_L2_SLOT_DEL_PORT_MAC = 24,
    HAL_L2_SLOT_GET_MAC_TABLE = 25,
    HAL_L2_SLOT_ADD_ETH_MAC_FILTER = 26,
    HAL_L2_SLOT_DEL_ETH_MAC_FILTER = 27,
    HAL_L2_SLOT_SET_ETH_MAC_FILTER_MODE = 28,
    HAL_L2_SLOT_GET_ETH_MAC_FILTER_MODE = 29,
    HAL_L2_SLOT_SET_PVID = 30,
    HAL_L2_SLOT_PRTCL_PKT_ACL_ADD = 31,
    HAL_L2_SLOT_PRTCL_PKT_ACL_DEL = 32,
    HAL_L2_SLOT_SET_PORT_ISOLATE_ENABLE = 33,
    HAL_L2_SLOT_DFX_IS_CHIP_SUPPORT = 34,
    HAL_L2_SLOT_DFX_FLOW_ADD = 35,
    HAL_L2_SLOT_DFX_FLOW_DEL = 36,
    HAL_L2_SLOT_DFX_FLOW_CNT_ENABLE = 37,
    HAL_L2_SLOT_DFX_FLOW_CNT_GET = 38,
    HAL_L2_SLOT_DFX_FLOW_CNT_CLR = 39
};

/* Host records read or written by the layer-2 entry points. Records whose
 * layout this header does not give are passed through unchanged. */
/* Values of one VLAN tag of a flow's match rule or tag treatment. */
typedef struct HAL_L2_FLOW_TAG_INFO_S {
    uint16_t tpid;      /* +0 */
    uint16_t vlanID;    /* +2 */
    uint8_t pri;        /* +4 */
    uint8_t DscpTblId;  /* +5 */
    uint8_t aucRsv6[2]; /* +6 */
} HAL_L2_FLOW_TAG_INFO_S;
HAL_STATIC_ASSERT(sizeof(HAL_L2_FLOW_TAG_INFO_S) == 8, "HAL_L2_FLOW_TAG_INFO_S size");
HAL_STATIC_ASSERT(offsetof(HAL_L2_FLOW_TAG_INFO_S, vlanID) == 2, "HAL_L2_FLOW_TAG_INFO_S.vlanID");
HAL_STATIC_ASSERT(offsetof(HAL_L2_FLOW_TAG_INFO_S, pri) == 4, "HAL_L2_FLOW_TAG_INFO_S.pri");
HAL_STATIC_ASSERT(offsetof(HAL_L2_FLOW_TAG_INFO_S, DscpTblId) == 5, "HAL_L2_FLOW_TAG_INFO_S.DscpTblId");

/* Match rule of one direction of a service flow. With tagNum 1 index 0
 * describes the only (outer) tag; with tagNum 2 index 1 is the outer tag and
 * index 0 the inner one. */
typedef struct HAL_L2_FLOW_RULE_S {
    uint8_t tagNum;                       /* +0: 0 untagged, 1 one tag, 2 two tags, 3 tags not examined */
    uint8_t ethTypeFilter;                /* +1: 0 none, 5 = SelfDefEthType */
    uint8_t tpidFilter[2];                /* +2 */
    uint8_t vlanFilter[2];                /* +4 */
    uint8_t priFilter[2];                 /* +6 */
    HAL_L2_FLOW_TAG_INFO_S filterInfo[2]; /* +8 */
    uint8_t ucRsv24;                      /* +24 */
    uint8_t macFilter;                    /* +25 */
    uint8_t aucRsv26[8];                  /* +26 */
    uint8_t macAddr[6];                   /* +34 */
    uint16_t macMaskLen;                  /* +40: leading address bits compared, 0 to 48 */
    uint8_t aucRsv42[2];                  /* +42 */
    uint32_t SelfDefEthType;              /* +44 */
} HAL_L2_FLOW_RULE_S;
HAL_STATIC_ASSERT(sizeof(HAL_L2_FLOW_RULE_S) == 48, "HAL_L2_FLOW_RULE_S size");
HAL_STATIC_ASSERT(offsetof(HAL_L2_FLOW_RULE_S, ethTypeFilter) == 1, "HAL_L2_FLOW_RULE_S.ethTypeFilter");
HAL_STATIC_ASSERT(offsetof(HAL_L2_FLOW_RULE_S, tpidFilter) == 2, "HAL_L2_FLOW_RULE_S.tpidFilter");
HAL_STATIC_ASSERT(offsetof(HAL_L2_FLOW_RULE_S, vlanFilter) == 4, "HAL_L2_FLOW_RULE_S.vlanFilter");
HAL_STATIC_ASSERT(offsetof(HAL_L2_FLOW_RULE_S, priFilter) == 6, "HAL_L2_FLOW_RULE_S.priFilter");
HAL_STATIC_ASSERT(offsetof(HAL_L2_FLOW_RULE_S, filterInfo) == 8, "HAL_L2_FLOW_RULE_S.filterInfo");
HAL_STATIC_ASSERT(offsetof(HAL_L2_FLOW_RULE_S, macFilter) == 25, "HAL_L2_FLOW_RULE_S.macFilter");
HAL_STATIC_ASSERT(offsetof(HAL_L2_FLOW_RULE_S, macAddr) == 34, "HAL_L2_FLOW_RULE_S.macAddr");
HAL_STATIC_ASSERT(offsetof(HAL_L2_FLOW_RULE_S, macMaskLen) == 40, "HAL_L2_FLOW_RULE_S.macMaskLen");
HAL_STATIC_ASSERT(offsetof(HAL_L2_FLOW_RULE_S, SelfDefEthType) == 44, "HAL_L2_FLOW_RULE_S.SelfDefEthType");

/* Tag treatment of one direction, by treatment slot 0 and 1. */
typedef struct HAL_L2_FLOW_TREAT_S {
    uint8_t tpidTreat[2];                /* +0 */
    uint8_t vlanTreat[2];                /* +2: VLAN treatment code, 0 none */
    uint8_t priTreat[2];                 /* +4: priority treatment code, 0 none */
    HAL_L2_FLOW_TAG_INFO_S treatInfo[2]; /* +6 */
} HAL_L2_FLOW_TREAT_S;
HAL_STATIC_ASSERT(sizeof(HAL_L2_FLOW_TREAT_S) == 22, "HAL_L2_FLOW_TREAT_S size");
HAL_STATIC_ASSERT(offsetof(HAL_L2_FLOW_TREAT_S, vlanTreat) == 2, "HAL_L2_FLOW_TREAT_S.vlanTreat");
HAL_STATIC_ASSERT(offsetof(HAL_L2_FLOW_TREAT_S, priTreat) == 4, "HAL_L2_FLOW_TREAT_S.priTreat");
HAL_STATIC_ASSERT(offsetof(HAL_L2_FLOW_TREAT_S, treatInfo) == 6, "HAL_L2_FLOW_TREAT_S.treatInfo");

/* A layer-2 service flow on one CTP. FlowDirection: 1 upstream only,
 * 2 downstream only, 0 or 3 both. */
typedef struct HAL_L2_FLOW_S {
    uint16_t FlowId;                /* +0 */
    uint16_t CtpId;                 /* +2 */
    uint16_t BridgeId;              /* +4 */
    uint8_t Pri;                    /* +6 */
    uint8_t FlowDirection;          /* +7 */
    uint8_t ucInFlowType;           /* +8: upstream flow type code, 0 to 5 */
    uint8_t ucInFlowAttr;           /* +9 */
    uint16_t usTransCtpId;          /* +10: second CTP of upstream flow type 4 */
    HAL_L2_FLOW_RULE_S stInRule;    /* +12 */
    HAL_L2_FLOW_TREAT_S stInTreat;  /* +60 */
    uint8_t aucRsv82[2];            /* +82 */
    uint8_t ucOutFlowType;          /* +84: downstream flow type code, 0 to 3 */
    uint8_t aucRsv85[3];            /* +85 */
    HAL_L2_FLOW_RULE_S stOutRule;   /* +88 */
    HAL_L2_FLOW_TREAT_S stOutTreat; /* +136 */
    uint8_t aucRsv158[2];           /* +158 */
} HAL_L2_FLOW_S;
HAL_STATIC_ASSERT(sizeof(HAL_L2_FLOW_S) == 160, "HAL_L2_FLOW_S size");
HAL_STATIC_ASSERT(offsetof(HAL_L2_FLOW_S, CtpId) == 2, "HAL_L2_FLOW_S.CtpId");
HAL_STATIC_ASSERT(offsetof(HAL_L2_FLOW_S, BridgeId) == 4, "HAL_L2_FLOW_S.BridgeId");
HAL_STATIC_ASSERT(offsetof(HAL_L2_FLOW_S, Pri) == 6, "HAL_L2_FLOW_S.Pri");
HAL_STATIC_ASSERT(offsetof(HAL_L2_FLOW_S, FlowDirection) == 7, "HAL_L2_FLOW_S.FlowDirection");
HAL_STATIC_ASSERT(offsetof(HAL_L2_FLOW_S, ucInFlowType) == 8, "HAL_L2_FLOW_S.ucInFlowType");
HAL_STATIC_ASSERT(offsetof(HAL_L2_FLOW_S, ucInFlowAttr) == 9, "HAL_L2_FLOW_S.ucInFlowAttr");
HAL_STATIC_ASSERT(offsetof(HAL_L2_FLOW_S, usTransCtpId) == 10, "HAL_L2_FLOW_S.usTransCtpId");
HAL_STATIC_ASSERT(offsetof(HAL_L2_FLOW_S, stInRule) == 12, "HAL_L2_FLOW_S.stInRule");
HAL_STATIC_ASSERT(offsetof(HAL_L2_FLOW_S, stInTreat) == 60, "HAL_L2_FLOW_S.stInTreat");
HAL_STATIC_ASSERT(offsetof(HAL_L2_FLOW_S, ucOutFlowType) == 84, "HAL_L2_FLOW_S.ucOutFlowType");
HAL_STATIC_ASSERT(offsetof(HAL_L2_FLOW_S, stOutRule) == 88, "HAL_L2_FLOW_S.stOutRule");
HAL_STATIC_ASSERT(offsetof(HAL_L2_FLOW_S, stOutTreat) == 136, "HAL_L2_FLOW_S.stOutTreat");

/* DSCP-to-priority table: one entry per DSCP value 0 to 63, passed to the
 * driver unchanged. */
typedef struct HAL_L2_DSCP_TBL_S {
    uint8_t aucEntry[64];
} HAL_L2_DSCP_TBL_S;
HAL_STATIC_ASSERT(sizeof(HAL_L2_DSCP_TBL_S) == 64, "HAL_L2_DSCP_TBL_S size");

/* Rate limit of flooded traffic on one port, in bytes per second; 0 means
 * no limit. */
typedef struct HAL_L2_LIMIT_S {
    uint32_t UsLimit; /* +0 upstream */
    uint32_t DsLimit; /* +4 downstream */
} HAL_L2_LIMIT_S;
HAL_STATIC_ASSERT(sizeof(HAL_L2_LIMIT_S) == 8, "HAL_L2_LIMIT_S size");
HAL_STATIC_ASSERT(offsetof(HAL_L2_LIMIT_S, DsLimit) == 4, "HAL_L2_LIMIT_S.DsLimit");

/* Counters of one (CTP, VLAN, priority), written by HAL_L2_GetPortTciStats. */
typedef struct HAL_L2_TCI_STATS_S {
    uint64_t RcvFrame;    /* +0 frames received */
    uint64_t SendFrame;   /* +8 frames sent */
    uint64_t RcvPktOcts;  /* +16 octets received */
    uint64_t SendPktOcts; /* +24 octets sent */
} HAL_L2_TCI_STATS_S;
HAL_STATIC_ASSERT(sizeof(HAL_L2_TCI_STATS_S) == 32, "HAL_L2_TCI_STATS_S size");
HAL_STATIC_ASSERT(offsetof(HAL_L2_TCI_STATS_S, SendFrame) == 8, "HAL_L2_TCI_STATS_S.SendFrame");
HAL_STATIC_ASSERT(offsetof(HAL_L2_TCI_STATS_S, RcvPktOcts) == 16, "HAL_L2_TCI_STATS_S.RcvPktOcts");
HAL_STATIC_ASSERT(offsetof(HAL_L2_TCI_STATS_S, SendPktOcts) == 24, "HAL_L2_TCI_STATS_S.SendPktOcts");

/* One entry of the MAC table as the host reads it: 11 bytes, packed, the
 * two 16-bit fields little-endian. */
typedef struct HAL_L2_MAC_ENTRY_S {
    uint8_t aucCtpId[2];  /* +0 CTP of the entry's port */
    uint8_t aucVlanId[2]; /* +2 VLAN id; 4097 for an entry without one */
    uint8_t ucStatic;     /* +4 1 static, 0 learnt */
    uint8_t aucMac[6];    /* +5 */
} HAL_L2_MAC_ENTRY_S;
HAL_STATIC_ASSERT(sizeof(HAL_L2_MAC_ENTRY_S) == 11, "HAL_L2_MAC_ENTRY_S size");
HAL_STATIC_ASSERT(offsetof(HAL_L2_MAC_ENTRY_S, aucMac) == 5, "HAL_L2_MAC_ENTRY_S.aucMac");

#define HAL_L2_MAC_TABLE_MAX 2048
#define HAL_L2_MAC_VLAN_NONE 4097 /* VLAN id of an entry without one */

/* MAC table written by HAL_L2_GetMacTable: the entry count, then the
 * entries from byte 4 on. */
typedef struct HAL_L2_MAC_TABLE_S {
    uint32_t uiNum;
    HAL_L2_MAC_ENTRY_S astEntry[HAL_L2_MAC_TABLE_MAX];
} HAL_L2_MAC_TABLE_S;
HAL_STATIC_ASSERT(offsetof(HAL_L2_MAC_TABLE_S, astEntry) == 4, "HAL_L2_MAC_TABLE_S.astEntry");
HAL_STATIC_ASSERT(sizeof(HAL_L2_MAC_TABLE_S) == 4 + 11 * HAL_L2_MAC_TABLE_MAX, "HAL_L2_MAC_TABLE_S size");

/* An entry of the Ethernet MAC filter: the address, and the index that
 * names its protocol-packet flow. */
typedef struct HAL_L2_MAC_FILTER_S {
    uint8_t aucMac[6]; /* +0 */
    uint8_t aucRsv[2]; /* +6 */
    uint32_t uiIndex;  /* +8 */
} HAL_L2_MAC_FILTER_S;
HAL_STATIC_ASSERT(sizeof(HAL_L2_MAC_FILTER_S) == 12, "HAL_L2_MAC_FILTER_S size");
HAL_STATIC_ASSERT(offsetof(HAL_L2_MAC_FILTER_S, uiIndex) == 8, "HAL_L2_MAC_FILTER_S.uiIndex");
/* Counters of a diagnostic flow as the driver reports them, passed on
 * unchanged. */
typedef struct HAL_DFX_FLOW_CNT_S {
    uint32_t auiCounter[8];
} HAL_DFX_FLOW_CNT_S;
HAL_STATIC_ASSERT(sizeof(HAL_DFX_FLOW_CNT_S) == 32, "HAL_DFX_FLOW_CNT_S size");

/* Valid bits of PrtclPktRule.uiFieldFlags: the fields a rule compares. */
#define HAL_PRTCL_FIELD_MAC1 (1U << 0)
#define HAL_PRTCL_FIELD_MAC2 (1U << 1)
#define HAL_PRTCL_FIELD_ETH_TYPE (1U << 3)
#define HAL_PRTCL_FIELD_VLAN_NUM (1U << 5)
#define HAL_PRTCL_FIELD_SVLAN (1U << 6)
#define HAL_PRTCL_FIELD_IP_PROTOCOL (1U << 8)
#define HAL_PRTCL_FIELD_SRC_IP (1U << 9)
#define HAL_PRTCL_FIELD_DST_IP (1U << 10)
#define HAL_PRTCL_FIELD_L4_SRC_PORT (1U << 11)
#define HAL_PRTCL_FIELD_L4_DST_PORT (1U << 12)
#define HAL_PRTCL_FIELD_IP_VERSION (1U << 13)
#define HAL_PRTCL_FIELD_PPPOE_PROTOCOL (1U << 14)
#define HAL_PRTCL_FIELD_IP_VER_QUALIFIER (1U << 17)
#define HAL_PRTCL_FIELD_ARP_TARGET (1U << 18)
#define HAL_PRTCL_FIELD_TCP_FLAG (1U << 19)
#define HAL_PRTCL_FIELD_IPV6_NEXT_HEADER (1U << 20)
#define HAL_PRTCL_FIELD_ICMPV6_TYPE (1U << 23)
#define HAL_PRTCL_FIELD_SRC_IPV6 (1U << 24)
#define HAL_PRTCL_FIELD_DST_IPV6 (1U << 25)
#define HAL_PRTCL_FIELD_TUNNEL_TYPE (1U << 26)
#define HAL_PRTCL_FIELD_CAP_TYPE (1U << 27)
#define HAL_PRTCL_FIELD_DST_L3IF (1U << 28)
#define HAL_PRTCL_FIELD_IPLENF (1U << 29)

/* Protocol-packet rule. uiFieldFlags says which fields are valid; uiIsDfx
 * selects between an ACL rule (0) and a diagnostic flow (1). */
typedef struct PrtclPktRule {
    uint32_t uiFieldFlags;      /* +0 */
    uint8_t aucMac1[6];         /* +4 */
    uint8_t aucMac1Mask[6];     /* +10 */
    uint8_t aucMac2[6];         /* +16 */
    uint8_t aucMac2Mask[6];     /* +22 */
    uint8_t aucRsv28[4];        /* +28 */
    uint32_t uiEthType;         /* +32 */
    uint8_t aucRsv36[4];        /* +36 */
    uint32_t uiVlanNum;         /* +40 */
    uint32_t uiSvlan;           /* +44 */
    uint8_t aucRsv48[4];        /* +48 */
    uint32_t uiIpProtocol;      /* +52 */
    uint32_t uiSrcIp;           /* +56, host byte order */
    uint32_t uiSrcIpMask;       /* +60 */
    uint32_t uiDstIp;           /* +64 */
    uint32_t uiDstIpMask;       /* +68 */
    uint32_t uiL4SrcPort;       /* +72, 0 = any */
    uint32_t uiL4DstPort;       /* +76, 0 = any */
    uint32_t uiIpVersion;       /* +80: 0 none, 1 IPv4, 2 IPv6 */
    uint32_t uiPppoeProtocol;   /* +84 */
    uint8_t aucRsv88[8];        /* +88 */
    uint32_t uiIpVerQualifier;  /* +96 */
    uint32_t uiArpTargetIp;     /* +100 */
    uint32_t uiArpTargetMask;   /* +104 */
    uint8_t aucRsv108[2];       /* +108 */
    uint16_t usTcpFlag;         /* +110 */
    uint8_t aucSrcIpv6[16];     /* +112, network byte order */
    uint8_t aucSrcIpv6Mask[16]; /* +128 */
    uint8_t aucDstIpv6[16];     /* +144 */
    uint8_t aucDstIpv6Mask[16]; /* +160 */
    uint8_t ucIpv6NextHeader;   /* +176 */
    uint8_t aucRsv177[2];       /* +177 */
    uint8_t ucIcmpv6Type;       /* +179 */
    uint32_t uiCapType;         /* +180 */
    uint32_t uiTunnelType;      /* +184 */
    uint32_t uiDstL3If;         /* +188 */
    uint32_t uiIpLenF;          /* +192 */
    uint32_t uiDfxDirection;    /* +196: 0 ingress, 1 egress */
    uint32_t uiIsDfx;           /* +200: 0 ACL rule, 1 diagnostic flow */
} PrtclPktRule;
HAL_STATIC_ASSERT(sizeof(PrtclPktRule) == 204, "PrtclPktRule size");
HAL_STATIC_ASSERT(offsetof(PrtclPktRule, uiEthType) == 32, "PrtclPktRule.uiEthType");
HAL_STATIC_ASSERT(offsetof(PrtclPktRule, uiIpVerQualifier) == 96, "PrtclPktRule.uiIpVerQualifier");
HAL_STATIC_ASSERT(offsetof(PrtclPktRule, usTcpFlag) == 110, "PrtclPktRule.usTcpFlag");
HAL_STATIC_ASSERT(offsetof(PrtclPktRule, ucIcmpv6Type) == 179, "PrtclPktRule.ucIcmpv6Type");
HAL_STATIC_ASSERT(offsetof(PrtclPktRule, uiCapType) == 180, "PrtclPktRule.uiCapType");
HAL_STATIC_ASSERT(offsetof(PrtclPktRule, uiIsDfx) == 200, "PrtclPktRule.uiIsDfx");

/* Action of a protocol-packet rule. */
typedef struct PrtclPktAction {
    uint32_t uiAction;   /* +0: 1 to 4 */
    uint32_t uiPriority; /* +4: 0 to 7, 8 or more = none */
    uint32_t uiRsv;      /* +8 */
    uint32_t uiCarRate;  /* +12: 0 = no rate limit */
} PrtclPktAction;
HAL_STATIC_ASSERT(sizeof(PrtclPktAction) == 16, "PrtclPktAction size");

/* One protocol CAR record of pduFlowCarRecord, indexed by ACL id. */
typedef struct PduFlowCarEntry {
    uint32_t uiInUse;   /* 1 while a CAR profile is bound to the flow */
    uint32_t uiFlowId;  /* the ACL id */
    uint32_t uiCarRate; /* rate as installed */
} PduFlowCarEntry;
HAL_STATIC_ASSERT(sizeof(PduFlowCarEntry) == 12, "PduFlowCarEntry size");
#define HAL_PDU_CAR_RECORD_NUM 257

/* Hook table, its installed flag, and the tables the family owns. */
extern HAL_API HAL_HOOK_FUNC g_HalL2HookList[HAL_L2_HOOK_NUM];
extern HAL_API uint32_t g_HalL2HookInstalled;
extern HAL_API PduFlowCarEntry pduFlowCarRecord[HAL_PDU_CAR_RECORD_NUM];

HAL_API uint32_t HAL_L2_InitUser(void);
HAL_API uint32_t HAL_L2_PreChipConfig(void);
HAL_API uint32_t HAL_CHIP_L2_PreInit(void);

/* Layer-2 services. */
HAL_API uint32_t HAL_L2_AddFlow(const HAL_L2_FLOW_S *flow);
HAL_API uint32_t HAL_L2_DelFlow(const HAL_L2_FLOW_S *flow);
HAL_API uint32_t HAL_L2_AddBcTable(uint32_t a, uint32_t b, uint32_t c);
HAL_API uint32_t HAL_L2_DelBcTable(uint32_t a, uint32_t b, uint32_t c);
HAL_API uint32_t HAL_L2_AddDscpToPbitTbl(uint32_t tableId, const HAL_L2_DSCP_TBL_S *table);
HAL_API uint32_t HAL_L2_DelDscpToPbitTbl(uint32_t tableId, const HAL_L2_DSCP_TBL_S *table);
HAL_API uint32_t HAL_L2_AddBridgePort(uint32_t bridgeId, uint32_t ctpId, uint32_t value);
HAL_API uint32_t HAL_L2_DelBridgePort(uint32_t bridgeId, uint32_t ctpId, uint32_t value);
HAL_API uint32_t HAL_L2_SetPortIsolate(uint32_t bridgeId, uint32_t ctpId, uint32_t isolate);
HAL_API uint32_t HAL_L2_SetBcLimit(uint32_t ctpId, const HAL_L2_LIMIT_S *limit);
HAL_API uint32_t HAL_L2_SetUmcLimit(uint32_t ctpId, const HAL_L2_LIMIT_S *limit);
HAL_API uint32_t HAL_L2_SetUucLimit(uint32_t ctpId, const HAL_L2_LIMIT_S *limit);
HAL_API uint32_t HAL_L2_GetPortTciStats(uint32_t ctpId, uint32_t vlan, uint32_t pri, HAL_L2_TCI_STATS_S *stats);
HAL_API uint32_t HAL_L2_ClearPortTciStats(uint32_t ctpId, uint32_t vlan, uint32_t pri);
HAL_API uint32_t HAL_L2_AddPortTciStats(uint32_t ctpId, uint32_t vlan, uint32_t pri);
HAL_API uint32_t HAL_L2_DelPortTciStats(uint32_t ctpId, uint32_t vlan, uint32_t pri);
HAL_API uint32_t HAL_L2_SetPvid(uint32_t pvid);
HAL_API uint32_t HAL_L2_SetPortIsolateEnable(uint32_t enable);

/* MAC management. */
HAL_API uint32_t HAL_L2_SetMacLearnState(uint32_t state);
HAL_API uint32_t HAL_L2_SetPortMacLearnNum(uint32_t ctpId, uint32_t limit);
HAL_API uint32_t HAL_L2_SetMacAge(uint32_t mode, uint32_t time);
HAL_API uint32_t HAL_L2_SetMacLearnNum(uint32_t limit);
HAL_API uint32_t HAL_L2_SetMacLearnMode(uint32_t mode);
HAL_API uint32_t HAL_L2_SetPortMacLearnState(uint32_t ctpId, uint32_t state);
HAL_API uint32_t HAL_L2_AddStaticMac(uint32_t port, uint32_t vlan, const uint8_t *mac);
HAL_API uint32_t HAL_L2_DelStaticMac(uint32_t port, uint32_t vlan, const uint8_t *mac);
HAL_API uint32_t HAL_L2_DelPortMac(uint32_t value);
HAL_API uint32_t HAL_L2_GetMacTable(HAL_L2_MAC_TABLE_S *table);
HAL_API uint32_t HAL_L2_AddEthMacFilter(const HAL_L2_MAC_FILTER_S *entry);
HAL_API uint32_t HAL_L2_DelEthMacFilter(const HAL_L2_MAC_FILTER_S *entry);
HAL_API uint32_t HAL_L2_SetEthMacFilterMode(uint32_t mode);
HAL_API uint32_t HAL_L2_GetEthMacFilterMode(uint32_t *mode);

/* Protocol-packet flows of the Ethernet MAC filter: the filter policy
 * (0 black list, 1 white list), the white list's default drop flow (mode
 * 1 installs it, 2 removes it), one flow per filter entry, and the chip
 * port mask of the user-side Ethernet ports they apply to. */
HAL_API uint32_t HAL_L2_NotifyEthMacFilterMode(uint32_t policy); /* always 0 */
HAL_API uint32_t HAL_L2_SetEthMacFilterModePDUFlow(uint32_t mode);
HAL_API uint32_t HAL_L2_AddDefaultDropPDUFlow(void);
HAL_API uint32_t HAL_L2_DeleteDefaultDropPDUFlow(void);
HAL_API uint32_t HAL_L2_AddEthMacFilterPDUFlow(const HAL_L2_MAC_FILTER_S *entry);
HAL_API uint32_t HAL_L2_DelEthMacFilterPDUFlow(const HAL_L2_MAC_FILTER_S *entry);
HAL_API uint32_t HAL_L2_GetEthMask(uint32_t *mask);

/* Protocol-packet rules and diagnostic flows. */
HAL_API uint32_t HAL_PDU_PrtclPktAclAdd(uint32_t aclId, uint32_t portType, uint32_t portId, const PrtclPktRule *rule,
                                        uint32_t ruleClass, const PrtclPktAction *action);
HAL_API uint32_t HAL_PDU_PrtclPktAclDel(uint32_t aclId);
HAL_API uint32_t HAL_DFX_IsChipSupport(uint32_t *support);
HAL_API uint32_t HAL_DFX_IsSupport(void);
HAL_API uint32_t HAL_DFX_FlowAdd(uint32_t flowId, uint32_t portType, uint32_t portId, const PrtclPktRule *rule,
                                 uint32_t ruleClass, const PrtclPktAction *action);
HAL_API uint32_t HAL_DFX_FlowDel(uint32_t flowId);
HAL_API uint32_t HAL_DFX_FlowCntEnable(uint32_t flowId, uint32_t enable);
HAL_API uint32_t HAL_DFX_FlowCntGet(uint32_t flowId, HAL_DFX_FLOW_CNT_S *counters);
HAL_API uint32_t HAL_DFX_FlowCntClr(uint32_t flowId);

/* Port identity hooks. While a hook is not registered, the first three
 * lookups answer from a built-in table of a terminal with eight Ethernet
 * user ports; the last two answer 1. */
extern HAL_API HAL_CTP2USERPORT_FUNC g_HalCtp2UserPortHook;
extern HAL_API HAL_USERPORT2CTP_FUNC g_HalUserPort2CtpHook;
extern HAL_API HAL_GETNETROLE_FUNC g_HalGetNetRoleHook;
extern HAL_API HAL_GETBCUCGEMBGE_FUNC g_HalGetBCUCGemBgeByIdHook;
extern HAL_API HAL_GETL2FLOW_FUNC g_HalGetFlow;

HAL_API uint32_t HAL_RegCtp2UserPortFunc(HAL_CTP2USERPORT_FUNC hook);
HAL_API uint32_t HAL_RegUserPort2CtpFunc(HAL_USERPORT2CTP_FUNC hook);
HAL_API uint32_t HAL_RegGetNniRoleFunc(HAL_GETNETROLE_FUNC hook);
HAL_API uint32_t HAL_RegGetBCUCGemBgeByIdFunc(HAL_GETBCUCGEMBGE_FUNC hook);
HAL_API uint32_t HAL_RegGetL2FlowFunc(HAL_GETL2FLOW_FUNC hook);
HAL_API uint32_t HAL_Ctp2UserPort(uint32_t ctpId, uint32_t *type, uint16_t *userPort);
HAL_API uint32_t HAL_UserPort2Ctp(uint32_t type, uint32_t userPort, uint16_t *ctpId);
HAL_API uint32_t HAL_GetNetRole(uint32_t ctpId, uint32_t *role);
HAL_API uint32_t HAL_GetBCUCGemBgeById(uint32_t ctpId, uint32_t *gemPort, uint16_t *bridgeId);
HAL_API uint32_t HAL_GetL2Flow(uint32_t a, uint32_t b);
HAL_API uint32_t HAL_DefaultGetPrototypeById(uint32_t ctpId, uint32_t *type, uint16_t *userPort);
HAL_API uint32_t HAL_DefaultGetIdByPrototype(uint32_t type, uint32_t userPort, uint16_t *ctpId);
HAL_API uint32_t HAL_DefaultGetNetRole(uint32_t ctpId, uint32_t *role);

/* Chip debug command. */
#define HAL_DEBUG_CMD_STR_LEN 16
extern HAL_API char g_HalL2DebugCmdStr[HAL_DEBUG_CMD_STR_LEN];
extern HAL_API HAL_DEBUG_CMD_FUNC g_HalL2DebugCmdEntryHook;
HAL_API uint32_t HAL_RegChipDebugCmdEntry(const char *name, HAL_DEBUG_CMD_FUNC handler);
HAL_API uint32_t HAL_GetChipDebugCmdEntry(char **name, HAL_DEBUG_CMD_FUNC *handler);

HAL_EXTERN_C_END

#endif
