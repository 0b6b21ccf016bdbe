// The operation table of the fuzz target: one row per exported entry point,
// reading its arguments from the input in order, and the port identity hooks
// and debug command handler the fuzzer registers with the library.
#include <cstring>

#include "fuzz_call.h"
#include "hal_l3_usr_adpt.h"
#include "kalo_dbg.h"

namespace fuzzhal {
namespace {

struct Hooks {
    HookAnswer ctp2User, user2Ctp, netRole, gem, l2Flow, debugCmd;
} g_hooks;

// Mode bit 0: the result is returned for every call; bit 1: only for key a.
// Otherwise 0 with the values written.
bool hookFails(const HookAnswer &h, uint32_t key, uint32_t &result)
{
    if ((h.mode & 1U) != 0 || ((h.mode & 2U) != 0 && key == h.a)) {
        result = h.result;
        return true;
    }
    return false;
}

uint32_t fuzzCtp2UserPort(uint32_t ctpId, uint32_t *type, uint16_t *userPort)
{
    const HookAnswer &h = g_hooks.ctp2User;
    uint32_t ret = 0;
    if (hookFails(h, ctpId, ret)) {
        return ret;
    }
    uint32_t t = 0;
    uint16_t p = 0;
    switch ((h.mode >> 2) & 3U) {
        case 0:  // the built-in table
            if (HAL_DefaultGetPrototypeById(ctpId, &t, &p) != 0) {
                return 1;
            }
            break;
        case 1:  // every CTP type, by id
            t = ctpId % 16;
            p = static_cast<uint16_t>(ctpId / 16);
            break;
        default:  // fixed answer
            t = h.a;
            p = static_cast<uint16_t>(h.b);
            break;
    }
    if (type != nullptr) {
        *type = t;
    }
    if (userPort != nullptr) {
        *userPort = p;
    }
    return 0;
}

uint32_t fuzzUserPort2Ctp(uint32_t type, uint32_t userPort, uint16_t *ctpId)
{
    uint32_t ret = 0;
    if (hookFails(g_hooks.user2Ctp, userPort, ret)) {
        return ret;
    }
    if (ctpId != nullptr) {
        *ctpId = static_cast<uint16_t>((g_hooks.user2Ctp.mode & 4U) != 0 ? g_hooks.user2Ctp.b : type * 16 + userPort);
    }
    return 0;
}

uint32_t fuzzGetNetRole(uint32_t ctpId, uint32_t *role)
{
    uint32_t ret = 0;
    if (hookFails(g_hooks.netRole, ctpId, ret)) {
        return ret;
    }
    if (role != nullptr) {
        *role = (g_hooks.netRole.mode & 4U) != 0 ? g_hooks.netRole.b : (ctpId % 2 == 0 ? 0U : 3U);
    }
    return 0;
}

uint32_t fuzzGetGem(uint32_t ctpId, uint32_t *gemPort, uint16_t *bridgeId)
{
    uint32_t ret = 0;
    if (hookFails(g_hooks.gem, ctpId, ret)) {
        return ret;
    }
    if (gemPort != nullptr) {
        *gemPort = g_hooks.gem.b;
    }
    if (bridgeId != nullptr) {
        *bridgeId = static_cast<uint16_t>(ctpId + g_hooks.gem.a);
    }
    return 0;
}

uint32_t fuzzGetL2Flow(uint32_t a, uint32_t)
{
    uint32_t ret = 0;
    return hookFails(g_hooks.l2Flow, a, ret) ? ret : 0;
}

uint32_t fuzzDebugCmd(uint32_t argc, char **argv)
{
    // A host handler reads its arguments as a shell would.
    size_t total = 0;
    for (uint32_t i = 0; argv != nullptr && i < argc; ++i) {
        total += argv[i] != nullptr ? std::strlen(argv[i]) : 0;
    }
    return g_hooks.debugCmd.result + static_cast<uint32_t>(total);
}

// Registers the fuzzer's hook (even choice byte) or null (odd) and how the
// hook answers.
template <typename Fn>
uint32_t registerHook(Call &c, uint32_t (*reg)(Fn), Fn hook, HookAnswer &answer)
{
    const bool useHook = c.in.u8() % 2 == 0;
    answer = c.hookAnswer();
    return reg(useHook ? hook : nullptr);
}

constexpr HAL_DEBUG_CMD_FUNC kDebugHandlers[] = {nullptr, CHIP_KALO_dbg_cmd, CHIP_KALO_TARN_cmd_dbg, fuzzDebugCmd};

}  // namespace

// clang-format off
#define OP(name, ...) {#name, [](Call &c) __VA_ARGS__}

const Op kOps[] = {
    // L3 family.
    OP(HAL_L3_InitUser, { c.result = HAL_L3_InitUser(); }),
    OP(HAL_L3_AddWanStats, {
        const auto v = c.vals<3>();
        ++c.model.wanAdds;
        c.result = HAL_L3_AddWanStats(v[0], v[1], v[2]);
    }),
    OP(HAL_L3_DelWanStats, {
        c.result = HAL_L3_DelWanStats(c.in.val());
        c.model.wanDelsOk += c.result == 0 ? 1U : 0U;
    }),
    OP(HAL_L3_ClearWanStats, { c.result = HAL_L3_ClearWanStats(c.in.val()); }),
    OP(HAL_L3_GetWanStats, {
        const uint32_t id = c.in.val();
        c.result = HAL_L3_GetWanStats(id, c.rec<HAL_L3_WAN_STATS_S>(kWanStats));
    }),
    OP(HAL_L3_SynL3IFAdd, {
        const uint32_t ifIndex = c.in.val();
        c.result = HAL_L3_SynL3IFAdd(ifIndex, c.rec<HAL_L3_IF_S>(kL3If));
    }),
    OP(HAL_L3_SynL3IFSetMtu, {
        const auto v = c.vals<2>();
        c.result = HAL_L3_SynL3IFSetMtu(v[0], v[1]);
    }),
    OP(HAL_L3_SynL3IFDel, { c.result = HAL_L3_SynL3IFDel(c.in.val()); }),
    OP(HAL_L3_SynPrefixAdd, {
        const uint32_t ifIndex = c.in.val();
        c.result = HAL_L3_SynPrefixAdd(ifIndex, c.rec<HAL_L3_PREFIX_S>(kL3Prefix));
    }),
    OP(HAL_L3_SynPrefixDel, {
        const uint32_t ifIndex = c.in.val();
        c.result = HAL_L3_SynPrefixDel(ifIndex, c.rec<HAL_L3_PREFIX_S>(kL3Prefix));
    }),
    OP(HAL_L3_AddPolicyRoute, {
        const uint32_t ruleId = c.in.val();
        c.result = HAL_L3_AddPolicyRoute(ruleId, c.policyRoute());
    }),
    OP(HAL_L3_DelPolicyRoute, { c.result = HAL_L3_DelPolicyRoute(c.in.val()); }),
    OP(HAL_L3_AddNaptIndication, {
        const uint32_t ruleId = c.in.val();
        c.result = HAL_L3_AddNaptIndication(ruleId, c.rec<HAL_L3_NAPT_IND_S>(kNaptInd));
    }),
    OP(HAL_L3_DelNaptIndication, {
        const uint32_t ruleId = c.in.val();
        c.result = HAL_L3_DelNaptIndication(ruleId, c.rec<HAL_L3_NAPT_IND_S>(kNaptInd));
    }),
    OP(PDT_IFM_GetIpv4SessionFlag, { c.result = PDT_IFM_GetIpv4SessionFlag(c.rec<uint32_t>(kU32Out)); }),

    // Multicast family.
    OP(HAL_BTV_InitUser, { c.result = HAL_BTV_InitUser(); }),
    OP(HAL_BTV_PreChipConfig, { c.result = HAL_BTV_PreChipConfig(); }),
    OP(HAL_CHIP_Btv_PreInit, { c.result = HAL_CHIP_Btv_PreInit(); }),
    OP(HAL_BTV_SetEmStatsRule, {
        const uint32_t act = c.in.val();
        c.result = HAL_BTV_SetEmStatsRule(act, c.rec<BtvEmRule>(kBtvEmRule));
    }),
    OP(HAL_BTV_GetEmStats, {
        const auto *rule = c.rec<BtvEmRule>(kBtvEmRule);
        c.result = HAL_BTV_GetEmStats(rule, c.rec<BtvEmResult>(kBtvEmResult));
    }),
    OP(HAL_BTV_SetProPktQue, {
        const auto v = c.vals<3>();
        c.result = HAL_BTV_SetProPktQue(v[0], v[1], v[2]);
    }),
    OP(HAL_BTV_SetProPktRate, {
        const auto v = c.vals<3>();
        c.result = HAL_BTV_SetProPktRate(v[0], v[1], v[2]);
    }),
    OP(HAL_BTV_SetMultiForwardMode, { c.result = HAL_BTV_SetMultiForwardMode(c.in.val()); }),
    OP(HAL_BTV_AddProgramTable, { c.result = HAL_BTV_AddProgramTable(c.rec<BtvProgram>(kBtvProgram)); }),
    OP(HAL_BTV_DelProgramTable, { c.result = HAL_BTV_DelProgramTable(c.rec<BtvProgram>(kBtvProgram)); }),
    OP(HAL_BTV_AddProgramUsr, { c.result = HAL_BTV_AddProgramUsr(c.rec<BtvProgramUser>(kBtvProgramUser)); }),
    OP(HAL_BTV_DelProgramUsr, { c.result = HAL_BTV_DelProgramUsr(c.rec<BtvProgramUser>(kBtvProgramUser)); }),
    OP(HAL_BTV_AddBtvStats, { c.result = HAL_BTV_AddBtvStats(c.rec<BtvStats>(kBtvStats)); }),
    OP(HAL_BTV_DelBtvStats, { c.result = HAL_BTV_DelBtvStats(c.rec<BtvStats>(kBtvStats)); }),
    OP(HAL_BTV_ClearBtvStats, { c.result = HAL_BTV_ClearBtvStats(c.rec<BtvStats>(kBtvStats)); }),
    OP(HAL_BTV_GetBtvStats, { c.result = HAL_BTV_GetBtvStats(c.rec<BtvStats>(kBtvStats)); }),
    OP(HAL_BTV_AddUserBtvStats, { c.result = HAL_BTV_AddUserBtvStats(c.rec<BtvUserStats>(kBtvUserStats)); }),
    OP(HAL_BTV_DelUserBtvStats, { c.result = HAL_BTV_DelUserBtvStats(c.rec<BtvUserStats>(kBtvUserStats)); }),
    OP(HAL_BTV_ClearUserBtvStats, { c.result = HAL_BTV_ClearUserBtvStats(c.rec<BtvUserStats>(kBtvUserStats)); }),
    OP(HAL_BTV_GetBtvUserStats, { c.result = HAL_BTV_GetBtvUserStats(c.rec<BtvUserStats>(kBtvUserStats)); }),

    // L2 family: services.
    OP(HAL_L2_InitUser, { c.result = HAL_L2_InitUser(); }),
    OP(HAL_L2_PreChipConfig, { c.result = HAL_L2_PreChipConfig(); }),
    OP(HAL_CHIP_L2_PreInit, { c.result = HAL_CHIP_L2_PreInit(); }),
    OP(HAL_L2_AddFlow, { c.result = HAL_L2_AddFlow(c.rec<HAL_L2_FLOW_S>(kL2Flow)); }),
    OP(HAL_L2_DelFlow, { c.result = HAL_L2_DelFlow(c.rec<HAL_L2_FLOW_S>(kL2Flow)); }),
    OP(HAL_L2_AddBcTable, {
        const auto v = c.vals<3>();
        c.result = HAL_L2_AddBcTable(v[0], v[1], v[2]);
    }),
    OP(HAL_L2_DelBcTable, {
        const auto v = c.vals<3>();
        c.result = HAL_L2_DelBcTable(v[0], v[1], v[2]);
    }),
    OP(HAL_L2_AddDscpToPbitTbl, {
        const uint32_t id = c.in.val();
        c.result = HAL_L2_AddDscpToPbitTbl(id, c.rec<HAL_L2_DSCP_TBL_S>(kDscpTable));
    }),
    OP(HAL_L2_DelDscpToPbitTbl, {
        const uint32_t id = c.in.val();
        c.result = HAL_L2_DelDscpToPbitTbl(id, c.rec<HAL_L2_DSCP_TBL_S>(kDscpTable));
    }),
    OP(HAL_L2_AddBridgePort, {
        const auto v = c.vals<3>();
        c.result = HAL_L2_AddBridgePort(v[0], v[1], v[2]);
    }),
    OP(HAL_L2_DelBridgePort, {
        const auto v = c.vals<3>();
        c.result = HAL_L2_DelBridgePort(v[0], v[1], v[2]);
    }),
    OP(HAL_L2_SetPortIsolate, {
        const auto v = c.vals<3>();
        c.result = HAL_L2_SetPortIsolate(v[0], v[1], v[2]);
    }),
    OP(HAL_L2_SetBcLimit, {
        const uint32_t ctp = c.in.val();
        c.result = HAL_L2_SetBcLimit(ctp, c.rec<HAL_L2_LIMIT_S>(kLimit));
    }),
    OP(HAL_L2_SetUmcLimit, {
        const uint32_t ctp = c.in.val();
        c.result = HAL_L2_SetUmcLimit(ctp, c.rec<HAL_L2_LIMIT_S>(kLimit));
    }),
    OP(HAL_L2_SetUucLimit, {
        const uint32_t ctp = c.in.val();
        c.result = HAL_L2_SetUucLimit(ctp, c.rec<HAL_L2_LIMIT_S>(kLimit));
    }),
    OP(HAL_L2_GetPortTciStats, {
        const auto v = c.vals<3>();
        c.result = HAL_L2_GetPortTciStats(v[0], v[1], v[2], c.rec<HAL_L2_TCI_STATS_S>(kTciStats));
    }),
    OP(HAL_L2_ClearPortTciStats, {
        const auto v = c.vals<3>();
        c.result = HAL_L2_ClearPortTciStats(v[0], v[1], v[2]);
    }),
    OP(HAL_L2_AddPortTciStats, {
        const auto v = c.vals<3>();
        c.result = HAL_L2_AddPortTciStats(v[0], v[1], v[2]);
    }),
    OP(HAL_L2_DelPortTciStats, {
        const auto v = c.vals<3>();
        c.result = HAL_L2_DelPortTciStats(v[0], v[1], v[2]);
    }),
    OP(HAL_L2_SetPvid, { c.result = HAL_L2_SetPvid(c.in.val()); }),
    OP(HAL_L2_SetPortIsolateEnable, { c.result = HAL_L2_SetPortIsolateEnable(c.in.val()); }),

    // L2 family: MAC management.
    OP(HAL_L2_SetMacLearnState, { c.result = HAL_L2_SetMacLearnState(c.in.val()); }),
    OP(HAL_L2_SetPortMacLearnNum, {
        const auto v = c.vals<2>();
        c.result = HAL_L2_SetPortMacLearnNum(v[0], v[1]);
    }),
    OP(HAL_L2_SetMacAge, {
        const auto v = c.vals<2>();
        c.result = HAL_L2_SetMacAge(v[0], v[1]);
    }),
    OP(HAL_L2_SetMacLearnNum, { c.result = HAL_L2_SetMacLearnNum(c.in.val()); }),
    OP(HAL_L2_SetMacLearnMode, { c.result = HAL_L2_SetMacLearnMode(c.in.val()); }),
    OP(HAL_L2_SetPortMacLearnState, {
        const auto v = c.vals<2>();
        c.result = HAL_L2_SetPortMacLearnState(v[0], v[1]);
    }),
    OP(HAL_L2_AddStaticMac, {
        const auto v = c.vals<2>();
        c.result = HAL_L2_AddStaticMac(v[0], v[1], c.rec<uint8_t>(kMacAddress));
    }),
    OP(HAL_L2_DelStaticMac, {
        const auto v = c.vals<2>();
        c.result = HAL_L2_DelStaticMac(v[0], v[1], c.rec<uint8_t>(kMacAddress));
    }),
    OP(HAL_L2_DelPortMac, { c.result = HAL_L2_DelPortMac(c.in.val()); }),
    OP(HAL_L2_GetMacTable, { c.result = HAL_L2_GetMacTable(c.rec<HAL_L2_MAC_TABLE_S>(kMacTable)); }),
    OP(HAL_L2_AddEthMacFilter, { c.result = HAL_L2_AddEthMacFilter(c.rec<HAL_L2_MAC_FILTER_S>(kMacFilter)); }),
    OP(HAL_L2_DelEthMacFilter, { c.result = HAL_L2_DelEthMacFilter(c.rec<HAL_L2_MAC_FILTER_S>(kMacFilter)); }),
    OP(HAL_L2_SetEthMacFilterMode, { c.result = HAL_L2_SetEthMacFilterMode(c.in.val()); }),
    OP(HAL_L2_GetEthMacFilterMode, { c.result = HAL_L2_GetEthMacFilterMode(c.rec<uint32_t>(kU32Out)); }),

    // L2 family: protocol-packet rules and diagnostic flows.
    OP(HAL_PDU_PrtclPktAclAdd, {
        const auto v = c.vals<3>();
        const auto *rule = c.rec<PrtclPktRule>(kPrtclPktRule);
        const uint32_t ruleClass = c.in.val();
        c.result = HAL_PDU_PrtclPktAclAdd(v[0], v[1], v[2], rule, ruleClass, c.rec<PrtclPktAction>(kPrtclPktAction));
    }),
    OP(HAL_PDU_PrtclPktAclDel, { c.result = HAL_PDU_PrtclPktAclDel(c.in.val()); }),
    OP(HAL_DFX_IsChipSupport, { c.result = HAL_DFX_IsChipSupport(c.rec<uint32_t>(kU32Out)); }),
    OP(HAL_DFX_IsSupport, { c.result = HAL_DFX_IsSupport(); }),
    OP(HAL_DFX_FlowAdd, {
        const auto v = c.vals<3>();
        const auto *rule = c.rec<PrtclPktRule>(kPrtclPktRule);
        const uint32_t ruleClass = c.in.val();
        c.result = HAL_DFX_FlowAdd(v[0], v[1], v[2], rule, ruleClass, c.rec<PrtclPktAction>(kPrtclPktAction));
    }),
    OP(HAL_DFX_FlowDel, { c.result = HAL_DFX_FlowDel(c.in.val()); }),
    OP(HAL_DFX_FlowCntEnable, {
        const auto v = c.vals<2>();
        c.result = HAL_DFX_FlowCntEnable(v[0], v[1]);
    }),
    OP(HAL_DFX_FlowCntGet, {
        const uint32_t id = c.in.val();
        c.result = HAL_DFX_FlowCntGet(id, c.rec<HAL_DFX_FLOW_CNT_S>(kDfxCounters));
    }),
    OP(HAL_DFX_FlowCntClr, { c.result = HAL_DFX_FlowCntClr(c.in.val()); }),

    // Port identity hooks and lookups.
    OP(HAL_RegCtp2UserPortFunc, {
        c.result = registerHook(c, HAL_RegCtp2UserPortFunc, &fuzzCtp2UserPort, g_hooks.ctp2User);
    }),
    OP(HAL_RegUserPort2CtpFunc, {
        c.result = registerHook(c, HAL_RegUserPort2CtpFunc, &fuzzUserPort2Ctp, g_hooks.user2Ctp);
    }),
    OP(HAL_RegGetNniRoleFunc, {
        c.result = registerHook(c, HAL_RegGetNniRoleFunc, &fuzzGetNetRole, g_hooks.netRole);
    }),
    OP(HAL_RegGetBCUCGemBgeByIdFunc, {
        c.result = registerHook(c, HAL_RegGetBCUCGemBgeByIdFunc, &fuzzGetGem, g_hooks.gem);
    }),
    OP(HAL_RegGetL2FlowFunc, {
        c.result = registerHook(c, HAL_RegGetL2FlowFunc, &fuzzGetL2Flow, g_hooks.l2Flow);
    }),
    OP(HAL_Ctp2UserPort, {
        const uint32_t ctp = c.in.val();
        auto *type = c.rec<uint32_t>(kU32Out);
        c.result = HAL_Ctp2UserPort(ctp, type, c.rec<uint16_t>(kU16Out));
    }),
    OP(HAL_UserPort2Ctp, {
        const auto v = c.vals<2>();
        c.result = HAL_UserPort2Ctp(v[0], v[1], c.rec<uint16_t>(kU16Out));
    }),
    OP(HAL_GetNetRole, {
        const uint32_t ctp = c.in.val();
        c.result = HAL_GetNetRole(ctp, c.rec<uint32_t>(kU32Out));
    }),
    OP(HAL_GetBCUCGemBgeById, {
        const uint32_t ctp = c.in.val();
        auto *gem = c.rec<uint32_t>(kU32Out);
        c.result = HAL_GetBCUCGemBgeById(ctp, gem, c.rec<uint16_t>(kU16Out));
    }),
    OP(HAL_GetL2Flow, {
        const auto v = c.vals<2>();
        c.result = HAL_GetL2Flow(v[0], v[1]);
    }),
    OP(HAL_DefaultGetPrototypeById, {
        const uint32_t ctp = c.in.val();
        auto *type = c.rec<uint32_t>(kU32Out);
        c.result = HAL_DefaultGetPrototypeById(ctp, type, c.rec<uint16_t>(kU16Out));
    }),
    OP(HAL_DefaultGetIdByPrototype, {
        const auto v = c.vals<2>();
        c.result = HAL_DefaultGetIdByPrototype(v[0], v[1], c.rec<uint16_t>(kU16Out));
    }),
    OP(HAL_DefaultGetNetRole, {
        const uint32_t ctp = c.in.val();
        c.result = HAL_DefaultGetNetRole(ctp, c.rec<uint32_t>(kU32Out));
    }),

    // Chip debug command.
    OP(HAL_RegChipDebugCmdEntry, {
        const char *name = c.str();
        const HAL_DEBUG_CMD_FUNC handler = kDebugHandlers[c.in.u8() % 4];
        g_hooks.debugCmd.result = c.in.val();
        c.result = HAL_RegChipDebugCmdEntry(name, handler);
    }),
    OP(HAL_GetChipDebugCmdEntry, {
        auto *name = c.rec<char *>(kPointerOut);
        auto *handler = c.rec<HAL_DEBUG_CMD_FUNC>(kPointerOut);
        c.result = HAL_GetChipDebugCmdEntry(name, handler);
        // The host's shell runs what it looked up.
        const bool run = c.in.u8() % 2 == 0;
        if (c.result == 0 && name != nullptr && handler != nullptr) {
            if (*name != g_HalL2DebugCmdStr || *handler != g_HalL2DebugCmdEntryHook) {
                fail("looked-up debug command");
            }
            if (run && *handler != nullptr) {
                const Call::Argv a = c.argv();
                c.result = (*handler)(a.argc, a.argv);
            }
        }
    }),
    OP(CHIP_KALO_dbg_cmd, {
        const Call::Argv a = c.argv();
        c.result = CHIP_KALO_dbg_cmd(a.argc, a.argv);
    }),
    OP(CHIP_KALO_TARN_cmd_dbg, {
        const Call::Argv a = c.argv();
        c.result = CHIP_KALO_TARN_cmd_dbg(a.argc, a.argv);
    }),
    OP(CHIP_KALO_cmd_usage, {
        CHIP_KALO_cmd_usage();
        c.result = 0;
    }),
    OP(CHIP_KALO_CLI_DbgSwtSet, {
        const auto v = c.vals<2>();
        c.result = CHIP_KALO_CLI_DbgSwtSet(v[0], v[1]);
        const uint32_t n = v[0] & 0xFFU;
        const uint32_t bit = n < 32 ? 1U << n : 0U;
        c.model.dbgSwitch = v[1] != 0 ? (c.model.dbgSwitch | bit) : (c.model.dbgSwitch & ~bit);
    }),
    OP(CHIP_KALO_CLI_DbgSwtGet, { c.result = CHIP_KALO_CLI_DbgSwtGet(c.in.val()); }),
};

#undef OP
// clang-format on

const size_t kOpNum = sizeof(kOps) / sizeof(kOps[0]);
static_assert(sizeof(kOps) / sizeof(kOps[0]) < 256, "an op is picked by one byte");

void resetHooks() { g_hooks = Hooks{}; }

uint8_t opIndex(const char *name)
{
    return indexOf(
        kOps, [](const Op &op) { return op.name; }, name);
}

}  // namespace fuzzhal
