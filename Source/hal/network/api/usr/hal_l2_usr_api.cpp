// Layer-2, PDU and DFX entry points, the L2 install function, the port
// identity hooks and the chip debug command registration.
#include "chip/kalo/kalo_codes.h"
#include "chip/kalo/kalo_hooks.h"
#include "hal_network_adpt.h"
#include "platform/diag.h"
#include "platform/hook.h"

HAL_DIAG_SOURCE("Source/hal/network/api/usr/hal_l2_usr_api", hal::kModuleL2);

namespace {

template <auto Entry, typename... Args>
uint32_t l2(Args... args)
{
    return hal::dispatch<kalo::kL2Hooks, Entry>(args...);
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

uint32_t HAL_L2_AddFlow(const HAL_L2_FLOW_S *flow) { return l2<&HAL_L2_AddFlow>(flow); }
uint32_t HAL_L2_DelFlow(const HAL_L2_FLOW_S *flow) { return l2<&HAL_L2_DelFlow>(flow); }
uint32_t HAL_L2_AddBcTable(uint32_t a, uint32_t b, uint32_t c) { return l2<&HAL_L2_AddBcTable>(a, b, c); }
uint32_t HAL_L2_DelBcTable(uint32_t a, uint32_t b, uint32_t c) { return l2<&HAL_L2_DelBcTable>(a, b, c); }
uint32_t HAL_L2_AddDscpToPbitTbl(uint32_t tableId, const HAL_L2_DSCP_TBL_S *table)
{
    return l2<&HAL_L2_AddDscpToPbitTbl>(tableId, table);
}
uint32_t HAL_L2_DelDscpToPbitTbl(uint32_t tableId, const HAL_L2_DSCP_TBL_S *table)
{
    return l2<&HAL_L2_DelDscpToPbitTbl>(tableId, table);
}
uint32_t HAL_L2_AddBridgePort(uint32_t bridgeId, uint32_t ctpId, uint32_t value)
{
    return l2<&HAL_L2_AddBridgePort>(bridgeId, ctpId, value);
}
uint32_t HAL_L2_DelBridgePort(uint32_t bridgeId, uint32_t ctpId, uint32_t value)
{
    return l2<&HAL_L2_DelBridgePort>(bridgeId, ctpId, value);
}
uint32_t HAL_L2_SetPortIsolate(uint32_t bridgeId, uint32_t ctpId, uint32_t isolate)
{
    return l2<&HAL_L2_SetPortIsolate>(bridgeId, ctpId, isolate);
}
uint32_t HAL_L2_SetBcLimit(uint32_t ctpId, const HAL_L2_LIMIT_S *limit) { return l2<&HAL_L2_SetBcLimit>(ctpId, limit); }
uint32_t HAL_L2_SetUmcLimit(uint32_t ctpId, const HAL_L2_LIMIT_S *limit)
{
    return l2<&HAL_L2_SetUmcLimit>(ctpId, limit);
}
uint32_t HAL_L2_SetUucLimit(uint32_t ctpId, const HAL_L2_LIMIT_S *limit)
{
    return l2<&HAL_L2_SetUucLimit>(ctpId, limit);
}
uint32_t HAL_L2_GetPortTciStats(uint32_t ctpId, uint32_t vlan, uint32_t pri, HAL_L2_TCI_STATS_S *stats)
{
    return l2<&HAL_L2_GetPortTciStats>(ctpId, vlan, pri, stats);
}
uint32_t HAL_L2_ClearPortTciStats(uint32_t ctpId, uint32_t vlan, uint32_t pri)
{
    return l2<&HAL_L2_ClearPortTciStats>(ctpId, vlan, pri);
}
uint32_t HAL_L2_AddPortTciStats(uint32_t ctpId, uint32_t vlan, uint32_t pri)
{
    return l2<&HAL_L2_AddPortTciStats>(ctpId, vlan, pri);
}
uint32_t HAL_L2_DelPortTciStats(uint32_t ctpId, uint32_t vlan, uint32_t pri)
{
    return l2<&HAL_L2_DelPortTciStats>(ctpId, vlan, pri);
}
uint32_t HAL_L2_SetPvid(uint32_t pvid) { return l2<&HAL_L2_SetPvid>(pvid); }
uint32_t HAL_L2_SetPortIsolateEnable(uint32_t enable) { return l2<&HAL_L2_SetPortIsolateEnable>(enable); }

/* ---- MAC management ---- */

uint32_t HAL_L2_SetMacLearnState(uint32_t state) { return l2<&HAL_L2_SetMacLearnState>(state); }
uint32_t HAL_L2_SetPortMacLearnNum(uint32_t ctpId, uint32_t limit)
{
    return l2<&HAL_L2_SetPortMacLearnNum>(ctpId, limit);
}
uint32_t HAL_L2_SetMacAge(uint32_t mode, uint32_t time) { return l2<&HAL_L2_SetMacAge>(mode, time); }
uint32_t HAL_L2_SetMacLearnNum(uint32_t limit) { return l2<&HAL_L2_SetMacLearnNum>(limit); }
uint32_t HAL_L2_SetMacLearnMode(uint32_t mode) { return l2<&HAL_L2_SetMacLearnMode>(mode); }
uint32_t HAL_L2_SetPortMacLearnState(uint32_t ctpId, uint32_t state)
{
    return l2<&HAL_L2_SetPortMacLearnState>(ctpId, state);
}
uint32_t HAL_L2_AddStaticMac(uint32_t port, uint32_t vlan, const uint8_t *mac)
{
    return l2<&HAL_L2_AddStaticMac>(port, vlan, mac);
}
uint32_t HAL_L2_DelStaticMac(uint32_t port, uint32_t vlan, const uint8_t *mac)
{
    return l2<&HAL_L2_DelStaticMac>(port, vlan, mac);
}
uint32_t HAL_L2_DelPortMac(uint32_t value) { return l2<&HAL_L2_DelPortMac>(value); }
uint32_t HAL_L2_GetMacTable(HAL_L2_MAC_TABLE_S *table) { return l2<&HAL_L2_GetMacTable>(table); }
uint32_t HAL_L2_AddEthMacFilter(const HAL_L2_MAC_FILTER_S *entry) { return l2<&HAL_L2_AddEthMacFilter>(entry); }
uint32_t HAL_L2_DelEthMacFilter(const HAL_L2_MAC_FILTER_S *entry) { return l2<&HAL_L2_DelEthMacFilter>(entry); }
uint32_t HAL_L2_SetEthMacFilterMode(uint32_t mode) { return l2<&HAL_L2_SetEthMacFilterMode>(mode); }
uint32_t HAL_L2_GetEthMacFilterMode(uint32_t *mode) { return l2<&HAL_L2_GetEthMacFilterMode>(mode); }

/* ---- Protocol-packet rules and diagnostic flows ---- */

uint32_t HAL_PDU_PrtclPktAclAdd(uint32_t aclId, uint32_t portType, uint32_t portId, const PrtclPktRule *rule,
                                uint32_t ruleClass, const PrtclPktAction *action)
{
    using kalo::kL2Hooks;
    (void)HAL_L2_InitUser();
    // The rule's uiIsDfx word says whether it is an ACL rule (0) or a DFX
    // flow (1); without a rule there is nothing to choose by.
    const uint32_t selector = rule != nullptr ? rule->uiIsDfx : 0U;
    const bool acl = rule != nullptr && selector == 0 && hal::slotFilled<kL2Hooks, &HAL_PDU_PrtclPktAclAdd>();
    const bool dfx = rule != nullptr && selector == 1 && hal::slotFilled<kL2Hooks, &HAL_DFX_FlowAdd>();
    if (!acl && !dfx) {
        lastWord(997, HAL_ERR, aclId, selector, portType, ruleClass);
        return HAL_ERR;
    }
    if (acl) {
        const uint32_t ret =
            hal::callSlot<kL2Hooks, &HAL_PDU_PrtclPktAclAdd>(aclId, portType, portId, rule, ruleClass, action);
        if (ret != 0) {
            lastWord(979, ret, aclId, selector, portType, ruleClass);
        }
        return ret;
    }
    const uint32_t ret = hal::callSlot<kL2Hooks, &HAL_DFX_FlowAdd>(aclId, portType, portId, rule, ruleClass, action);
    if (ret != 0) {
        lastWord(990, ret, aclId, selector, portType, ruleClass);
    }
    return ret;
}

uint32_t HAL_PDU_PrtclPktAclDel(uint32_t aclId)
{
    using kalo::kL2Hooks;
    (void)HAL_L2_InitUser();
    if (hal::slotFilled<kL2Hooks, &HAL_PDU_PrtclPktAclDel>() &&
        hal::callSlot<kL2Hooks, &HAL_PDU_PrtclPktAclDel>(aclId) == 0) {
        return 0;
    }
    // Not an ACL the ACL delete knows: the id is taken for a DFX flow.
    if (!hal::slotFilled<kL2Hooks, &HAL_DFX_FlowDel>()) {
        lastWord(1034, HAL_ERR, aclId);
        return HAL_ERR;
    }
    const uint32_t ret = hal::callSlot<kL2Hooks, &HAL_DFX_FlowDel>(aclId);
    lastWord(1029, ret, aclId);
    return ret;
}

uint32_t HAL_DFX_IsChipSupport(uint32_t *support) { return l2<&HAL_DFX_IsChipSupport>(support); }

uint32_t HAL_DFX_IsSupport(void)
{
    using kalo::kL2Hooks;
    (void)HAL_L2_InitUser();
    if (!hal::slotFilled<kL2Hooks, &HAL_DFX_IsChipSupport>()) {
        return 0;
    }
    // The support flag the chip writes is not looked at: a chip that answers
    // at all (0) makes the answer "no"; otherwise the feature decides.
    uint32_t chipSupport = 0;
    if (hal::callSlot<kL2Hooks, &HAL_DFX_IsChipSupport>(&chipSupport) == 0) {
        return 0;
    }
    return QX_Feature_IsSupportByFeatureName(kDfxFeature) != 0 ? 1U : 0U;
}

uint32_t HAL_DFX_FlowAdd(uint32_t flowId, uint32_t portType, uint32_t portId, const PrtclPktRule *rule,
                         uint32_t ruleClass, const PrtclPktAction *action)
{
    return l2<&HAL_DFX_FlowAdd>(flowId, portType, portId, rule, ruleClass, action);
}
uint32_t HAL_DFX_FlowDel(uint32_t flowId) { return l2<&HAL_DFX_FlowDel>(flowId); }
uint32_t HAL_DFX_FlowCntEnable(uint32_t flowId, uint32_t enable) { return l2<&HAL_DFX_FlowCntEnable>(flowId, enable); }
uint32_t HAL_DFX_FlowCntGet(uint32_t flowId, HAL_DFX_FLOW_CNT_S *counters)
{
    return l2<&HAL_DFX_FlowCntGet>(flowId, counters);
}
uint32_t HAL_DFX_FlowCntClr(uint32_t flowId) { return l2<&HAL_DFX_FlowCntClr>(flowId); }

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
