// Layer-2, PDU and DFX entry points, the L2 install function, the port
// identity hooks and the chip debug command registration.
#include "chip/kalo/kalo_codes.h"
#include "chip/kalo/kalo_reg.h"
#include "hal_network_adpt.h"
#include "platform/diag.h"
#include "platform/hook.h"

HAL_DIAG_SOURCE("Source/hal/network/api/usr/hal_l2_usr_api", hal::kModuleL2);

namespace {

template <typename... Args>
uint32_t l2Dispatch(unsigned slot, Args... args)
{
    return hal::dispatch<HAL_L2_InitUser>(g_HalL2HookList, slot, args...);
}

// Built-in CTP table of a terminal with eight Ethernet user ports, indexed
// by CTP id. Used while the host has registered no port identity hooks.
struct DefaultCtp {
    uint32_t type;
    uint16_t userPort;
};
// clang-format off
constexpr DefaultCtp kDefaultCtpTable[] = {
    {kalo::kCtpUnknown, 0},                                             // 0
    {kalo::kCtpEth, 1}, {kalo::kCtpEth, 2}, {kalo::kCtpEth, 3}, {kalo::kCtpEth, 4},
    {kalo::kCtpEth, 5}, {kalo::kCtpEth, 6}, {kalo::kCtpEth, 7}, {kalo::kCtpEth, 8},  // 1 to 8: Ethernet user ports
    {kalo::kCtpGponUni, 1},                                             // 9
    {kalo::kCtpUplink, 1},                                              // 10
    {6, 1},                                                             // 11
    {kalo::kCtpPort8OrUplink, 1},                                       // 12
};
// clang-format on
constexpr uint32_t kDefaultCtpNum = sizeof(kDefaultCtpTable) / sizeof(kDefaultCtpTable[0]);
static_assert(kDefaultCtpNum == 13);

constexpr char kDfxFeature[] = "QX_TARN_FT_DFX_FLOW_SUPPORT";

}  // namespace

extern "C" {

HAL_HOOK_FUNC g_HalL2HookList[HAL_L2_HOOK_NUM];
uint32_t g_HalL2HookInstalled;

HAL_CTP2USERPORT_FUNC g_HalCtp2UserPortHook;
HAL_USERPORT2CTP_FUNC g_HalUserPort2CtpHook;
HAL_GETNETROLE_FUNC g_HalGetNetRoleHook;
HAL_GETBCUCGEMBGE_FUNC g_HalGetBCUCGemBgeByIdHook;
HAL_GETL2FLOW_FUNC g_HalGetFlow;

char g_HalL2DebugCmdStr[HAL_DEBUG_CMD_STR_LEN];
HAL_DEBUG_CMD_FUNC g_HalL2DebugCmdEntryHook;

/* ---- Installation ---- */

uint32_t HAL_L2_InitUser(void)
{
    if (g_HalL2HookInstalled != 0) {
        return 0;
    }
    hal::clearTable(g_HalL2HookList);
    // Protocol packets first, then L2 services, then MAC management; the
    // family counts as installed only when all three registered.
    using Registration = uint32_t (*)(void);
    constexpr Registration kRegistrations[] = {CHIP_Register_Pdu, CHIP_Register_L2, CHIP_Register_L2Mac};
    for (const Registration reg : kRegistrations) {
        const uint32_t ret = reg();
        if (ret != 0) {
            return ret;
        }
    }
    g_HalL2HookInstalled = 1;
    return 0;
}

uint32_t HAL_CHIP_L2_PreInit(void) { return 0; }
uint32_t HAL_L2_PreChipConfig(void) { return HAL_CHIP_L2_PreInit(); }

/* ---- Layer-2 services ---- */

uint32_t HAL_L2_AddFlow(const HAL_L2_FLOW_S *flow) { return l2Dispatch(HAL_L2_SLOT_ADD_FLOW, flow); }
uint32_t HAL_L2_DelFlow(const HAL_L2_FLOW_S *flow) { return l2Dispatch(HAL_L2_SLOT_DEL_FLOW, flow); }
uint32_t HAL_L2_AddBcTable(uint32_t a, uint32_t b, uint32_t c) { return l2Dispatch(HAL_L2_SLOT_ADD_BC_TABLE, a, b, c); }
uint32_t HAL_L2_DelBcTable(uint32_t a, uint32_t b, uint32_t c) { return l2Dispatch(HAL_L2_SLOT_DEL_BC_TABLE, a, b, c); }
uint32_t HAL_L2_AddDscpToPbitTbl(uint32_t tableId, const HAL_L2_DSCP_TBL_S *table)
{
    return l2Dispatch(HAL_L2_SLOT_ADD_DSCP_TO_PBIT_TBL, tableId, table);
}
uint32_t HAL_L2_DelDscpToPbitTbl(uint32_t tableId, const HAL_L2_DSCP_TBL_S *table)
{
    return l2Dispatch(HAL_L2_SLOT_DEL_DSCP_TO_PBIT_TBL, tableId, table);
}
uint32_t HAL_L2_AddBridgePort(uint32_t bridgeId, uint32_t ctpId, uint32_t value)
{
    return l2Dispatch(HAL_L2_SLOT_ADD_BRIDGE_PORT, bridgeId, ctpId, value);
}
uint32_t HAL_L2_DelBridgePort(uint32_t bridgeId, uint32_t ctpId, uint32_t value)
{
    return l2Dispatch(HAL_L2_SLOT_DEL_BRIDGE_PORT, bridgeId, ctpId, value);
}
uint32_t HAL_L2_SetPortIsolate(uint32_t bridgeId, uint32_t ctpId, uint32_t isolate)
{
    return l2Dispatch(HAL_L2_SLOT_SET_PORT_ISOLATE, bridgeId, ctpId, isolate);
}
uint32_t HAL_L2_SetBcLimit(uint32_t ctpId, const HAL_L2_LIMIT_S *limit)
{
    return l2Dispatch(HAL_L2_SLOT_SET_BC_LIMIT, ctpId, limit);
}
uint32_t HAL_L2_SetUmcLimit(uint32_t ctpId, const HAL_L2_LIMIT_S *limit)
{
    return l2Dispatch(HAL_L2_SLOT_SET_UMC_LIMIT, ctpId, limit);
}
uint32_t HAL_L2_SetUucLimit(uint32_t ctpId, const HAL_L2_LIMIT_S *limit)
{
    return l2Dispatch(HAL_L2_SLOT_SET_UUC_LIMIT, ctpId, limit);
}
uint32_t HAL_L2_GetPortTciStats(uint32_t ctpId, uint32_t vlan, uint32_t pri, HAL_L2_TCI_STATS_S *stats)
{
    return l2Dispatch(HAL_L2_SLOT_GET_PORT_TCI_STATS, ctpId, vlan, pri, stats);
}
uint32_t HAL_L2_ClearPortTciStats(uint32_t ctpId, uint32_t vlan, uint32_t pri)
{
    return l2Dispatch(HAL_L2_SLOT_CLEAR_PORT_TCI_STATS, ctpId, vlan, pri);
}
uint32_t HAL_L2_AddPortTciStats(uint32_t ctpId, uint32_t vlan, uint32_t pri)
{
    return l2Dispatch(HAL_L2_SLOT_ADD_PORT_TCI_STATS, ctpId, vlan, pri);
}
uint32_t HAL_L2_DelPortTciStats(uint32_t ctpId, uint32_t vlan, uint32_t pri)
{
    return l2Dispatch(HAL_L2_SLOT_DEL_PORT_TCI_STATS, ctpId, vlan, pri);
}
uint32_t HAL_L2_SetPvid(uint32_t pvid) { return l2Dispatch(HAL_L2_SLOT_SET_PVID, pvid); }
uint32_t HAL_L2_SetPortIsolateEnable(uint32_t enable)
{
    return l2Dispatch(HAL_L2_SLOT_SET_PORT_ISOLATE_ENABLE, enable);
}

/* ---- MAC management ---- */

uint32_t HAL_L2_SetMacLearnState(uint32_t state) { return l2Dispatch(HAL_L2_SLOT_SET_MAC_LEARN_STATE, state); }
uint32_t HAL_L2_SetPortMacLearnNum(uint32_t ctpId, uint32_t limit)
{
    return l2Dispatch(HAL_L2_SLOT_SET_PORT_MAC_LEARN_NUM, ctpId, limit);
}
uint32_t HAL_L2_SetMacAge(uint32_t mode, uint32_t time) { return l2Dispatch(HAL_L2_SLOT_SET_MAC_AGE, mode, time); }
uint32_t HAL_L2_SetMacLearnNum(uint32_t limit) { return l2Dispatch(HAL_L2_SLOT_SET_MAC_LEARN_NUM, limit); }
uint32_t HAL_L2_SetMacLearnMode(uint32_t mode) { return l2Dispatch(HAL_L2_SLOT_SET_MAC_LEARN_MODE, mode); }
uint32_t HAL_L2_SetPortMacLearnState(uint32_t ctpId, uint32_t state)
{
    return l2Dispatch(HAL_L2_SLOT_SET_PORT_MAC_LEARN_STATE, ctpId, state);
}
uint32_t HAL_L2_AddStaticMac(uint32_t port, uint32_t vlan, const uint8_t *mac)
{
    return l2Dispatch(HAL_L2_SLOT_ADD_STATIC_MAC, port, vlan, mac);
}
uint32_t HAL_L2_DelStaticMac(uint32_t port, uint32_t vlan, const uint8_t *mac)
{
    return l2Dispatch(HAL_L2_SLOT_DEL_STATIC_MAC, port, vlan, mac);
}
uint32_t HAL_L2_DelPortMac(uint32_t value) { return l2Dispatch(HAL_L2_SLOT_DEL_PORT_MAC, value); }
uint32_t HAL_L2_GetMacTable(HAL_L2_MAC_TABLE_S *table) { return l2Dispatch(HAL_L2_SLOT_GET_MAC_TABLE, table); }
uint32_t HAL_L2_AddEthMacFilter(const HAL_L2_MAC_FILTER_S *entry)
{
    return l2Dispatch(HAL_L2_SLOT_ADD_ETH_MAC_FILTER, entry);
}
uint32_t HAL_L2_DelEthMacFilter(const HAL_L2_MAC_FILTER_S *entry)
{
    return l2Dispatch(HAL_L2_SLOT_DEL_ETH_MAC_FILTER, entry);
}
uint32_t HAL_L2_SetEthMacFilterMode(uint32_t mode) { return l2Dispatch(HAL_L2_SLOT_SET_ETH_MAC_FILTER_MODE, mode); }
uint32_t HAL_L2_GetEthMacFilterMode(uint32_t *mode) { return l2Dispatch(HAL_L2_SLOT_GET_ETH_MAC_FILTER_MODE, mode); }

/* ---- Protocol-packet rules and diagnostic flows ---- */

uint32_t HAL_PDU_PrtclPktAclAdd(uint32_t aclId, uint32_t portType, uint32_t portId, const PrtclPktRule *rule,
                                uint32_t ruleClass, const PrtclPktAction *action)
{
    (void)HAL_L2_InitUser();
    // The rule's uiIsDfx word says whether it is an ACL rule or a DFX flow;
    // without a rule there is nothing to choose by.
    const uint32_t selector = rule != nullptr ? rule->uiIsDfx : 0U;
    unsigned slot = HAL_L2_HOOK_NUM;
    if (rule != nullptr && selector == 0) {
        slot = HAL_L2_SLOT_PRTCL_PKT_ACL_ADD;
    } else if (rule != nullptr && selector == 1) {
        slot = HAL_L2_SLOT_DFX_FLOW_ADD;
    }
    if (slot == HAL_L2_HOOK_NUM || !hal::slotFilled(g_HalL2HookList, slot)) {
        lastWord(997, HAL_ERR, aclId, selector, portType, ruleClass);
        return HAL_ERR;
    }
    const uint32_t ret = hal::callSlot(g_HalL2HookList, slot, aclId, portType, portId, rule, ruleClass, action);
    if (ret != 0) {
        lastWord(slot == HAL_L2_SLOT_PRTCL_PKT_ACL_ADD ? 979 : 990, ret, aclId, selector, portType, ruleClass);
    }
    return ret;
}

uint32_t HAL_PDU_PrtclPktAclDel(uint32_t aclId)
{
    (void)HAL_L2_InitUser();
    if (hal::slotFilled(g_HalL2HookList, HAL_L2_SLOT_PRTCL_PKT_ACL_DEL) &&
        hal::callSlot(g_HalL2HookList, HAL_L2_SLOT_PRTCL_PKT_ACL_DEL, aclId) == 0) {
        return 0;
    }
    // Not an ACL the ACL delete knows: the id is taken for a DFX flow.
    if (!hal::slotFilled(g_HalL2HookList, HAL_L2_SLOT_DFX_FLOW_DEL)) {
        lastWord(1034, HAL_ERR, aclId);
        return HAL_ERR;
    }
    const uint32_t ret = hal::callSlot(g_HalL2HookList, HAL_L2_SLOT_DFX_FLOW_DEL, aclId);
    lastWord(1029, ret, aclId);
    return ret;
}

uint32_t HAL_DFX_IsChipSupport(uint32_t *support) { return l2Dispatch(HAL_L2_SLOT_DFX_IS_CHIP_SUPPORT, support); }

uint32_t HAL_DFX_IsSupport(void)
{
    (void)HAL_L2_InitUser();
    if (!hal::slotFilled(g_HalL2HookList, HAL_L2_SLOT_DFX_IS_CHIP_SUPPORT)) {
        return 0;
    }
    // The support flag the chip writes is not looked at: a chip that answers
    // at all (0) makes the answer "no"; otherwise the feature decides.
    uint32_t chipSupport = 0;
    if (hal::callSlot(g_HalL2HookList, HAL_L2_SLOT_DFX_IS_CHIP_SUPPORT, &chipSupport) == 0) {
        return 0;
    }
    return QX_Feature_IsSupportByFeatureName(kDfxFeature) != 0 ? 1U : 0U;
}

uint32_t HAL_DFX_FlowAdd(uint32_t flowId, uint32_t portType, uint32_t portId, const PrtclPktRule *rule,
                         uint32_t ruleClass, const PrtclPktAction *action)
{
    return l2Dispatch(HAL_L2_SLOT_DFX_FLOW_ADD, flowId, portType, portId, rule, ruleClass, action);
}
uint32_t HAL_DFX_FlowDel(uint32_t flowId) { return l2Dispatch(HAL_L2_SLOT_DFX_FLOW_DEL, flowId); }
uint32_t HAL_DFX_FlowCntEnable(uint32_t flowId, uint32_t enable)
{
    return l2Dispatch(HAL_L2_SLOT_DFX_FLOW_CNT_ENABLE, flowId, enable);
}
uint32_t HAL_DFX_FlowCntGet(uint32_t flowId, HAL_DFX_FLOW_CNT_S *counters)
{
    return l2Dispatch(HAL_L2_SLOT_DFX_FLOW_CNT_GET, flowId, counters);
}
uint32_t HAL_DFX_FlowCntClr(uint32_t flowId) { return l2Dispatch(HAL_L2_SLOT_DFX_FLOW_CNT_CLR, flowId); }

/* ---- Port identity hooks ---- */

uint32_t HAL_RegCtp2UserPortFunc(HAL_CTP2USERPORT_FUNC hook)
{
    g_HalCtp2UserPortHook = hook;
    return 0;
}
uint32_t HAL_RegUserPort2CtpFunc(HAL_USERPORT2CTP_FUNC hook)
{
    g_HalUserPort2CtpHook = hook;
    return 0;
}
uint32_t HAL_RegGetNniRoleFunc(HAL_GETNETROLE_FUNC hook)
{
    g_HalGetNetRoleHook = hook;
    return 0;
}
uint32_t HAL_RegGetBCUCGemBgeByIdFunc(HAL_GETBCUCGEMBGE_FUNC hook)
{
    g_HalGetBCUCGemBgeByIdHook = hook;
    return 0;
}
uint32_t HAL_RegGetL2FlowFunc(HAL_GETL2FLOW_FUNC hook)
{
    g_HalGetFlow = hook;
    return 0;
}

uint32_t HAL_DefaultGetPrototypeById(uint32_t ctpId, uint32_t *type, uint16_t *userPort)
{
    if (ctpId >= kDefaultCtpNum) {
        return HAL_ERR;
    }
    if (type != nullptr) {
        *type = kDefaultCtpTable[ctpId].type;
    }
    if (userPort != nullptr) {
        *userPort = kDefaultCtpTable[ctpId].userPort;
    }
    return 0;
}

uint32_t HAL_DefaultGetIdByPrototype(uint32_t type, uint32_t userPort, uint16_t *ctpId)
{
    if (ctpId == nullptr) {
        return HAL_ERR;
    }
    for (uint32_t id = 0; id < kDefaultCtpNum; ++id) {
        if (kDefaultCtpTable[id].type == type && kDefaultCtpTable[id].userPort == userPort) {
            *ctpId = static_cast<uint16_t>(id);
            return 0;
        }
    }
    return HAL_ERR;
}

uint32_t HAL_DefaultGetNetRole(uint32_t ctpId, uint32_t *role)
{
    if (role == nullptr) {
        return HAL_ERR;
    }
    // Every CTP that is not an Ethernet user port faces the network.
    uint32_t type = 0;
    if (HAL_Ctp2UserPort(ctpId, &type, nullptr) != 0) {
        return HAL_ERR;
    }
    *role = type == kalo::kCtpEth ? HAL_NET_ROLE_UNI : HAL_NET_ROLE_NNI;
    return 0;
}

uint32_t HAL_Ctp2UserPort(uint32_t ctpId, uint32_t *type, uint16_t *userPort)
{
    const HAL_CTP2USERPORT_FUNC hook = g_HalCtp2UserPortHook;
    return hook != nullptr ? hook(ctpId, type, userPort) : HAL_DefaultGetPrototypeById(ctpId, type, userPort);
}

uint32_t HAL_UserPort2Ctp(uint32_t type, uint32_t userPort, uint16_t *ctpId)
{
    const HAL_USERPORT2CTP_FUNC hook = g_HalUserPort2CtpHook;
    return hook != nullptr ? hook(type, userPort, ctpId) : HAL_DefaultGetIdByPrototype(type, userPort, ctpId);
}

uint32_t HAL_GetNetRole(uint32_t ctpId, uint32_t *role)
{
    const HAL_GETNETROLE_FUNC hook = g_HalGetNetRoleHook;
    return hook != nullptr ? hook(ctpId, role) : HAL_DefaultGetNetRole(ctpId, role);
}

uint32_t HAL_GetBCUCGemBgeById(uint32_t ctpId, uint32_t *gemPort, uint16_t *bridgeId)
{
    const HAL_GETBCUCGEMBGE_FUNC hook = g_HalGetBCUCGemBgeByIdHook;
    return hook != nullptr ? hook(ctpId, gemPort, bridgeId) : HAL_ERR;
}

uint32_t HAL_GetL2Flow(uint32_t a, uint32_t b)
{
    const HAL_GETL2FLOW_FUNC hook = g_HalGetFlow;
    return hook != nullptr ? hook(a, b) : HAL_ERR;
}

/* ---- Chip debug command ---- */

uint32_t HAL_RegChipDebugCmdEntry(const char *name, HAL_DEBUG_CMD_FUNC handler)
{
    if (name == nullptr || handler == nullptr) {
        for (char &c : g_HalL2DebugCmdStr) {
            c = '\0';
        }
        g_HalL2DebugCmdEntryHook = nullptr;
        return 0;
    }
    const int ret = strncpy_s(g_HalL2DebugCmdStr, sizeof(g_HalL2DebugCmdStr), name, sizeof(g_HalL2DebugCmdStr) - 1);
    if (ret != 0) {
        lastWord(1332, static_cast<uint32_t>(ret));
    }
    g_HalL2DebugCmdStr[sizeof(g_HalL2DebugCmdStr) - 1] = '\0';
    g_HalL2DebugCmdEntryHook = handler;
    return 0;
}

uint32_t HAL_GetChipDebugCmdEntry(char **name, HAL_DEBUG_CMD_FUNC *handler)
{
    if (name == nullptr || handler == nullptr) {
        return HAL_ERR;
    }
    *name = g_HalL2DebugCmdStr;
    *handler = g_HalL2DebugCmdEntryHook;
    return 0;
}

}  // extern "C"
