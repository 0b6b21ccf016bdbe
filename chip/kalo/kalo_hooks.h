// The three hook families of this chip, one row per slot: the slot, the
// entry point that reads it, the chip adapter function written into it
// (nullptr while this chip has none: the entry point then answers 1) and
// the registration function that writes it. Registration, the entry
// points' dispatch, the tests and the fuzz target all take the slots from
// here. An operation is added by naming its chip function in its row.
#ifndef CHIP_KALO_KALO_HOOKS_H
#define CHIP_KALO_KALO_HOOKS_H

#include "chip/kalo/kalo_btv.h"
#include "chip/kalo/kalo_btv_em.h"
#include "chip/kalo/kalo_l2.h"
#include "chip/kalo/kalo_l2_mac.h"
#include "chip/kalo/kalo_l3.h"
#include "chip/kalo/kalo_prtcl.h"
#include "chip/kalo/kalo_reg.h"
#include "hal_network_adpt.h"
#include "platform/hook.h"

namespace kalo {

// clang-format off
inline constexpr auto kL3Hooks = hal::hookFamily(g_HalL3HookList, HAL_L3_InitUser,
    HAL_HOOK(HAL_L3_SLOT_ADD_WAN_STATS,       HAL_L3_AddWanStats,       CHIP_KALO_AddWanStats,       CHIP_Register_L3),
    HAL_HOOK(HAL_L3_SLOT_DEL_WAN_STATS,       HAL_L3_DelWanStats,       CHIP_KALO_DelWanStats,       CHIP_Register_L3),
    HAL_HOOK(HAL_L3_SLOT_CLEAR_WAN_STATS,     HAL_L3_ClearWanStats,     CHIP_KALO_ClearWanStats,     CHIP_Register_L3),
    HAL_HOOK(HAL_L3_SLOT_GET_WAN_STATS,       HAL_L3_GetWanStats,       CHIP_KALO_GetWanStats,       CHIP_Register_L3),
    HAL_HOOK(HAL_L3_SLOT_L3IF_ADD,            HAL_L3_SynL3IFAdd,        CHIP_KALO_SynL3IFAdd,        CHIP_Register_L3),
    HAL_HOOK(HAL_L3_SLOT_L3IF_SET_MTU,        HAL_L3_SynL3IFSetMtu,     CHIP_KALO_SynL3IFMtu,        CHIP_Register_L3),
    HAL_HOOK(HAL_L3_SLOT_L3IF_DEL,            HAL_L3_SynL3IFDel,        CHIP_KALO_SynL3IFDel,        CHIP_Register_L3),
    HAL_HOOK(HAL_L3_SLOT_PREFIX_ADD,          HAL_L3_SynPrefixAdd,      CHIP_KALO_SynPrefixAdd,      CHIP_Register_L3),
    HAL_HOOK(HAL_L3_SLOT_PREFIX_DEL,          HAL_L3_SynPrefixDel,      CHIP_KALO_SynPrefixDel,      CHIP_Register_L3),
    HAL_HOOK(HAL_L3_SLOT_ADD_POLICY_ROUTE,    HAL_L3_AddPolicyRoute,    CHIP_KALO_AddPolicyRoute,    CHIP_Register_L3),
    HAL_HOOK(HAL_L3_SLOT_DEL_POLICY_ROUTE,    HAL_L3_DelPolicyRoute,    CHIP_KALO_DelPolicyRoute,    CHIP_Register_L3),
    HAL_HOOK(HAL_L3_SLOT_ADD_NAPT_INDICATION, HAL_L3_AddNaptIndication, CHIP_KALO_AddNaptIndication, CHIP_Register_L3),
    HAL_HOOK(HAL_L3_SLOT_DEL_NAPT_INDICATION, HAL_L3_DelNaptIndication, CHIP_KALO_DelNaptIndication, CHIP_Register_L3));

inline constexpr auto kBtvHooks = hal::hookFamily(g_HalBtvHookList, HAL_BTV_InitUser,
    HAL_HOOK(HAL_BTV_SLOT_SET_EM_STATS_RULE,      HAL_BTV_SetEmStatsRule,      CHIP_KALO_SetBtvEmStatsRule,   CHIP_Register_BtvEm),
    HAL_HOOK(HAL_BTV_SLOT_GET_EM_STATS,           HAL_BTV_GetEmStats,          CHIP_KALO_GetBtvEmStats,       CHIP_Register_BtvEm),
    HAL_HOOK(HAL_BTV_SLOT_SET_PRO_PKT_QUE,        HAL_BTV_SetProPktQue,        CHIP_KALO_SetProPktQue,        CHIP_Register_Btv),
    HAL_HOOK(HAL_BTV_SLOT_SET_PRO_PKT_RATE,       HAL_BTV_SetProPktRate,       CHIP_KALO_SetProPktRate,       CHIP_Register_Btv),
    HAL_HOOK(HAL_BTV_SLOT_SET_MULTI_FORWARD_MODE, HAL_BTV_SetMultiForwardMode, CHIP_KALO_SetMultiForwardMode, CHIP_Register_Btv),
    HAL_HOOK(HAL_BTV_SLOT_ADD_PROGRAM_TABLE,      HAL_BTV_AddProgramTable,     CHIP_KALO_AddProgramTable,     CHIP_Register_Btv),
    HAL_HOOK(HAL_BTV_SLOT_DEL_PROGRAM_TABLE,      HAL_BTV_DelProgramTable,     CHIP_KALO_DelProgramTable,     CHIP_Register_Btv),
    HAL_HOOK(HAL_BTV_SLOT_ADD_PROGRAM_USR,        HAL_BTV_AddProgramUsr,       CHIP_KALO_AddProgramUsr,       CHIP_Register_Btv),
    HAL_HOOK(HAL_BTV_SLOT_DEL_PROGRAM_USR,        HAL_BTV_DelProgramUsr,       CHIP_KALO_DelProgramUsr,       CHIP_Register_Btv),
    HAL_HOOK(HAL_BTV_SLOT_ADD_BTV_STATS,          HAL_BTV_AddBtvStats,         CHIP_KALO_AddBtvStats,         CHIP_Register_Btv),
    HAL_HOOK(HAL_BTV_SLOT_DEL_BTV_STATS,          HAL_BTV_DelBtvStats,         CHIP_KALO_DelBtvStats,         CHIP_Register_Btv),
    HAL_HOOK(HAL_BTV_SLOT_CLEAR_BTV_STATS,        HAL_BTV_ClearBtvStats,       CHIP_KALO_ClearBtvStats,       CHIP_Register_Btv),
    HAL_HOOK(HAL_BTV_SLOT_GET_BTV_STATS,          HAL_BTV_GetBtvStats,         CHIP_KALO_GetBtvStats,         CHIP_Register_Btv),
    HAL_HOOK(HAL_BTV_SLOT_ADD_USER_BTV_STATS,     HAL_BTV_AddUserBtvStats,     CHIP_KALO_AddUserBtvStats,     CHIP_Register_Btv),
    HAL_HOOK(HAL_BTV_SLOT_DEL_USER_BTV_STATS,     HAL_BTV_DelUserBtvStats,     CHIP_KALO_DelUserBtvStats,     CHIP_Register_Btv),
    HAL_HOOK(HAL_BTV_SLOT_CLEAR_USER_BTV_STATS,   HAL_BTV_ClearUserBtvStats,   CHIP_KALO_ClearUserBtvStats,   CHIP_Register_Btv),
    HAL_HOOK(HAL_BTV_SLOT_GET_BTV_USER_STATS,     HAL_BTV_GetBtvUserStats,     CHIP_KALO_GetBtvUserStats,     CHIP_Register_Btv));

// HAL_DFX_IsSupport reads slot 34 too, and HAL_PDU_PrtclPktAclAdd and
// HAL_PDU_PrtclPktAclDel also reach slots 35 and 36, through the entry
// points of those rows.
inline constexpr auto kL2Hooks = hal::hookFamily(g_HalL2HookList, HAL_L2_InitUser,
    HAL_HOOK(HAL_L2_SLOT_ADD_FLOW,                  HAL_L2_AddFlow,              CHIP_KALO_AddFlow,              CHIP_Register_L2),
    HAL_HOOK(HAL_L2_SLOT_DEL_FLOW,                  HAL_L2_DelFlow,              CHIP_KALO_DelFlow,              CHIP_Register_L2),
    HAL_HOOK(HAL_L2_SLOT_ADD_BC_TABLE,              HAL_L2_AddBcTable,           CHIP_KALO_AddBcTable,           CHIP_Register_L2),
    HAL_HOOK(HAL_L2_SLOT_DEL_BC_TABLE,              HAL_L2_DelBcTable,           CHIP_KALO_DelBcTable,           CHIP_Register_L2),
    HAL_HOOK(HAL_L2_SLOT_ADD_DSCP_TO_PBIT_TBL,      HAL_L2_AddDscpToPbitTbl,     CHIP_KALO_AddDscpToPbitTbl,     CHIP_Register_L2),
    HAL_HOOK(HAL_L2_SLOT_DEL_DSCP_TO_PBIT_TBL,      HAL_L2_DelDscpToPbitTbl,     CHIP_KALO_DelDscpToPbitTbl,     CHIP_Register_L2),
    HAL_HOOK(HAL_L2_SLOT_ADD_BRIDGE_PORT,           HAL_L2_AddBridgePort,        CHIP_KALO_AddBridgePort,        CHIP_Register_L2),
    HAL_HOOK(HAL_L2_SLOT_DEL_BRIDGE_PORT,           HAL_L2_DelBridgePort,        CHIP_KALO_DelBridgePort,        CHIP_Register_L2),
    HAL_HOOK(HAL_L2_SLOT_SET_PORT_ISOLATE,          HAL_L2_SetPortIsolate,       CHIP_KALO_SetPortIsolate,       CHIP_Register_L2),
    HAL_HOOK(HAL_L2_SLOT_SET_BC_LIMIT,              HAL_L2_SetBcLimit,           CHIP_KALO_SetBcLimit,           CHIP_Register_L2),
    HAL_HOOK(HAL_L2_SLOT_SET_UMC_LIMIT,             HAL_L2_SetUmcLimit,          CHIP_KALO_SetUmcLimit,          CHIP_Register_L2),
    HAL_HOOK(HAL_L2_SLOT_SET_UUC_LIMIT,             HAL_L2_SetUucLimit,          CHIP_KALO_SetUucLimit,          CHIP_Register_L2),
    HAL_HOOK(HAL_L2_SLOT_GET_PORT_TCI_STATS,        HAL_L2_GetPortTciStats,      CHIP_KALO_GetCtpTciStats,       CHIP_Register_L2),
    HAL_HOOK(HAL_L2_SLOT_CLEAR_PORT_TCI_STATS,      HAL_L2_ClearPortTciStats,    CHIP_KALO_ClrCtpTciStats,       CHIP_Register_L2),
    HAL_HOOK(HAL_L2_SLOT_ADD_PORT_TCI_STATS,        HAL_L2_AddPortTciStats,      CHIP_KALO_AddCtpTciStats,       CHIP_Register_L2),
    HAL_HOOK(HAL_L2_SLOT_DEL_PORT_TCI_STATS,        HAL_L2_DelPortTciStats,      CHIP_KALO_DelCtpTciStats,       CHIP_Register_L2),
    HAL_HOOK(HAL_L2_SLOT_SET_MAC_LEARN_STATE,       HAL_L2_SetMacLearnState,     CHIP_KALO_SetMacLearnState,     CHIP_Register_L2Mac),
    HAL_HOOK(HAL_L2_SLOT_SET_PORT_MAC_LEARN_NUM,    HAL_L2_SetPortMacLearnNum,   CHIP_KALO_SetPortMacLearnNum,   CHIP_Register_L2Mac),
    HAL_HOOK(HAL_L2_SLOT_SET_MAC_AGE,               HAL_L2_SetMacAge,            CHIP_KALO_SetMacAge,            CHIP_Register_L2Mac),
    HAL_HOOK(HAL_L2_SLOT_SET_MAC_LEARN_NUM,         HAL_L2_SetMacLearnNum,       CHIP_KALO_SetMacLearnNum,       CHIP_Register_L2Mac),
    HAL_HOOK(HAL_L2_SLOT_SET_MAC_LEARN_MODE,        HAL_L2_SetMacLearnMode,      CHIP_KALO_SetMacLearnMode,      CHIP_Register_L2Mac),
    HAL_HOOK(HAL_L2_SLOT_SET_PORT_MAC_LEARN_STATE,  HAL_L2_SetPortMacLearnState, CHIP_KALO_SetPortMacLearnState, CHIP_Register_L2Mac),
    HAL_HOOK(HAL_L2_SLOT_ADD_STATIC_MAC,            HAL_L2_AddStaticMac,         CHIP_KALO_AddStaticMac,         CHIP_Register_L2Mac),
    HAL_HOOK(HAL_L2_SLOT_DEL_STATIC_MAC,            HAL_L2_DelStaticMac,         CHIP_KALO_DelStaticMac,         CHIP_Register_L2Mac),
    HAL_HOOK(HAL_L2_SLOT_DEL_PORT_MAC,              HAL_L2_DelPortMac,           CHIP_KALO_DelPortMac,           CHIP_Register_L2Mac),
    HAL_HOOK(HAL_L2_SLOT_GET_MAC_TABLE,             HAL_L2_GetMacTable,          CHIP_KALO_GetMacTable,          CHIP_Register_L2Mac),
    HAL_HOOK(HAL_L2_SLOT_ADD_ETH_MAC_FILTER,        HAL_L2_AddEthMacFilter,      CHIP_KALO_AddEthMacFilter,      CHIP_Register_L2Mac),
    HAL_HOOK(HAL_L2_SLOT_DEL_ETH_MAC_FILTER,        HAL_L2_DelEthMacFilter,      CHIP_KALO_DelEthMacFilter,      CHIP_Register_L2Mac),
    HAL_HOOK(HAL_L2_SLOT_SET_ETH_MAC_FILTER_MODE,   HAL_L2_SetEthMacFilterMode,  CHIP_KALO_SetEthMacFilterMode,  CHIP_Register_L2Mac),
    HAL_HOOK(HAL_L2_SLOT_GET_ETH_MAC_FILTER_MODE,   HAL_L2_GetEthMacFilterMode,  CHIP_KALO_GetEthMacFilterMode,  CHIP_Register_L2Mac),
    HAL_HOOK(HAL_L2_SLOT_SET_PVID,                  HAL_L2_SetPvid,              CHIP_KALO_SetPvid,              CHIP_Register_L2),
    HAL_HOOK_CHOOSER(HAL_L2_SLOT_PRTCL_PKT_ACL_ADD, HAL_PDU_PrtclPktAclAdd,      CHIP_KALO_PrtclPktAclAdd,       CHIP_Register_Pdu),
    HAL_HOOK_CHOOSER(HAL_L2_SLOT_PRTCL_PKT_ACL_DEL, HAL_PDU_PrtclPktAclDel,      CHIP_KALO_PrtclPktAclDel,       CHIP_Register_Pdu),
    HAL_HOOK(HAL_L2_SLOT_SET_PORT_ISOLATE_ENABLE,   HAL_L2_SetPortIsolateEnable, CHIP_KALO_SetPortIsolateEnable, CHIP_Register_L2),
    HAL_HOOK(HAL_L2_SLOT_DFX_IS_CHIP_SUPPORT,       HAL_DFX_IsChipSupport,       CHIP_KALO_IsDfxChipSupport,     CHIP_Register_Pdu),
    HAL_HOOK(HAL_L2_SLOT_DFX_FLOW_ADD,              HAL_DFX_FlowAdd,             CHIP_KALO_DfxFlowAdd,           CHIP_Register_Pdu),
    HAL_HOOK(HAL_L2_SLOT_DFX_FLOW_DEL,              HAL_DFX_FlowDel,             CHIP_KALO_DfxFlowDel,           CHIP_Register_Pdu),
    HAL_HOOK(HAL_L2_SLOT_DFX_FLOW_CNT_ENABLE,       HAL_DFX_FlowCntEnable,       CHIP_KALO_DfxFlowCntEnable,     CHIP_Register_Pdu),
    HAL_HOOK(HAL_L2_SLOT_DFX_FLOW_CNT_GET,          HAL_DFX_FlowCntGet,          CHIP_KALO_DfxFlowCntGet,        CHIP_Register_Pdu),
    HAL_HOOK(HAL_L2_SLOT_DFX_FLOW_CNT_CLR,          HAL_DFX_FlowCntClr,          CHIP_KALO_DfxFlowCntClr,        CHIP_Register_Pdu));
// clang-format on

static_assert(hal::eachSlotOnce(kL3Hooks), "every L3 slot has one row");
static_assert(hal::eachSlotOnce(kBtvHooks), "every multicast slot has one row");
static_assert(hal::eachSlotOnce(kL2Hooks), "every L2 slot has one row");

}  // namespace kalo

#endif
