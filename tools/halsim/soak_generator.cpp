// The soak's calls, by subsystem: L2 flows, rate limits and static MACs;
// protocol-packet ACLs and DFX flows; multicast programs, viewers and their
// counters; L3 interfaces, prefixes, policy routes, NAPT indications and
// WAN counters. Now and then a driver refusal or a host fault comes first.
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "driver.h"
#include "hal_network_adpt.h"
#include "scenario_file.h"
#include "soak_generator.h"

namespace halsim::soak_detail {

// ---- The generator ----------------------------------------------------------------------

std::string Generator::next(const Model &m)
{
    std::vector<const char *> cmds;
    std::string call = nextCall(m, cmds);
    if (below(20) != 0) {
        return call;
    }
    // One fault queued at a time for a command or a function: the call
    // after it may not use it, and faults that pile up spoil the calls
    // that come much later.
    if (!cmds.empty() && below(5) < 3) {
        static const uint32_t kRefusals[] = {drv::kBadValue, drv::kTableFull, drv::kInUse};
        const char *cmd = cmds[below(cmds.size())];
        const uint32_t code = kRefusals[below(std::size(kRefusals))];
        uint32_t cmdCode = 0;
        const auto queued = commandCode(cmd, cmdCode) ? m.pendingRefusals.find(cmdCode) : m.pendingRefusals.end();
        if (queued != m.pendingRefusals.end() && queued->second != 0) {
            return call;
        }
        return format("refuse %s 0x%x\n", cmd, code) + call;
    }
    static const std::pair<const char *, uint32_t> kFaults[] = {
        {"QX_OS_HLP_SendOutLarge", 5},
        {"QX_OS_MemMallocD", 1},
        {"memset_s", 1},
        {"memcpy_s", 1},
        {"QX_DM_TopoGetKaPortByUserPort", 1},
        {"L2M_Ctp_GetNetRole", 1},
        {"QX_DM_PDGetAttr", 1},
        {"QX_DM_ChipGetAttr", 1},
        {"QX_XML_DBGetSiglePara", 1},
        {"QX_DM_TopoSwitchCommon", 1},
        {"L2M_Ctp_GetIdByPrototype", 1},
        {"QX_DM_GetCurUpUserPortID", 1},
    };
    const auto &fault = kFaults[below(std::size(kFaults))];
    const auto queued = m.pendingFaults.find(fault.first);
    if (queued != m.pendingFaults.end() && queued->second != 0) {
        return call;
    }
    return format("fail %s %u\n", fault.first, fault.second) + call;
}

std::string Generator::nextCall(const Model &m, std::vector<const char *> &cmds)
{
    // Weights of the kinds of call, adds a little ahead of removes so that
    // the terminal fills up.
    static const uint32_t kWeights[] = {6, 4, 3, 4, 3, 1, 4, 3, 3, 2, 2, 4, 2, 7, 6,
                                        3, 3, 3, 2, 1, 3, 2, 3, 2, 3, 2, 4, 3, 2};
    uint32_t total = 0;
    for (const uint32_t w : kWeights) {
        total += w;
    }
    uint32_t pick = below(total);
    size_t kind = 0;
    while (pick >= kWeights[kind]) {
        pick -= kWeights[kind++];
    }
    switch (kind) {
        case 0:
            return flowCall(m, cmds, true);
        case 1:
            return flowCall(m, cmds, false);
        case 2: {
            static const char *const kLimits[] = {"Bc", "Umc", "Uuc"};
            static const char *const kLimitCmds[] = {"L2_SET_BC_LIMIT", "L2_SET_UMC_LIMIT", "L2_SET_UUC_LIMIT"};
            const uint32_t which = below(3);
            cmds = {kLimitCmds[which]};
            if (which == 0) {
                cmds.push_back("L2_SET_USER_BC_LIMIT");
            }
            return format("HAL_L2_Set%sLimit ctpId=%u UsLimit=%u DsLimit=%u", kLimits[which],
                          oneOf({1, 2, 3, 4, 5, 6, 7, 8, 10, 12}), oneOf({0, 62500, 125000, 1250000}),
                          oneOf({0, 62500, 125000, 1250000}));
        }
        case 3:
            return macCall(m, cmds, true);
        case 4:
            return macCall(m, cmds, false);
        case 5:
            cmds = {"MAC_GET_TABLE"};
            return "HAL_L2_GetMacTable";
        case 6:
            return aclCall(m, cmds, true);
        case 7:
            return aclCall(m, cmds, false);
        case 8:
            return dfxCall(m, cmds, 0);
        case 9:
            return dfxCall(m, cmds, 1);
        case 10:
            return dfxCall(m, cmds, 2);
        case 11:
            return programCall(m, cmds, true);
        case 12:
            return programCall(m, cmds, false);
        case 13:
            return viewerCall(m, cmds, true);
        case 14:
            return viewerCall(m, cmds, false);
        case 15:
            return statsCall(m, cmds, false);
        case 16:
            return statsCall(m, cmds, true);
        case 17:
            return interfaceCall(m, cmds, 0);
        case 18:
            return interfaceCall(m, cmds, 1);
        case 19:
            return interfaceCall(m, cmds, 2);
        case 20:
            return prefixCall(m, cmds, true);
        case 21:
            return prefixCall(m, cmds, false);
        case 22:
            return routeCall(m, cmds, true);
        case 23:
            return routeCall(m, cmds, false);
        case 24:
            return naptCall(m, cmds, true);
        case 25:
            return naptCall(m, cmds, false);
        case 26:
            return wanCall(m, cmds, 0);
        case 27:
            return wanCall(m, cmds, 1);
        default:
            return wanCall(m, cmds, 2);
    }
}

std::string Generator::flowCall(const Model &m, std::vector<const char *> &cmds, bool add)
{
    if (!add) {
        cmds = {"L2_DEL_FLOW"};
        if (const std::string *held = heldOne(m.flows, 80)) {
            return *held;
        }
        const uint32_t id = 1 + below(24);
        return format("HAL_L2_DelFlow FlowId=%u CtpId=%u", id, flowCtp(id));
    }
    cmds = {"L2_ADD_FLOW"};
    static constexpr uint32_t kFlows[] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12,
                                          13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24};
    const uint32_t id = freshId(m.flows.held, kFlows);
    const uint32_t vlan = 100 * (1 + below(4));
    const uint32_t inType = chance(90) ? below(4) : 4 + below(2);
    std::string text = format(
        "HAL_L2_AddFlow FlowId=%u CtpId=%u BridgeId=%u Pri=%u FlowDirection=%u ucInFlowType=%u ucOutFlowType=%u "
        "stInRule.tagNum=1 stInRule.vlanFilter[0]=1 stInRule.filterInfo[0].vlanID=%u stOutRule.tagNum=1 "
        "stOutRule.vlanFilter[0]=1 stOutRule.filterInfo[0].vlanID=%u",
        id, flowCtp(id), 1 + below(4), below(8), below(4), inType, below(4), vlan, vlan);
    if (inType == 4) {
        text += format(" usTransCtpId=%u", 1 + below(8));
    }
    if (chance(50)) {
        text +=
            format(" stInTreat.vlanTreat[0]=2 stInTreat.treatInfo[0].vlanID=%u stOutTreat.vlanTreat[0]=5", vlan + 1000);
    }
    return text;
}

std::string Generator::macCall(const Model &m, std::vector<const char *> &cmds, bool add)
{
    cmds = {add ? "MAC_ADD_STATIC" : "MAC_DEL_STATIC"};
    if (!add) {
        if (const std::string *held = heldOne(m.macs, 80)) {
            return *held;
        }
    }
    // Port 9 is no port of the terminal; VLAN 4096 is refused; 4097 and
    // 65535 mean any VLAN. VLAN 0 is left out: the chip keeps an entry of
    // VLAN 0 as the first message of an entry for any VLAN of the same port
    // and address, and removing the one strands the other's second message
    // beyond any removal.
    const uint32_t port = below(16) == 0 ? 9 : 1 + below(8);
    const uint32_t vlan = below(16) == 0 ? 4096 : oneOf({1, 100, 200, 4095, 4097, 65535});
    return format("HAL_L2_%sStaticMac port=%u vlan=%u mac=00:1b:2c:3d:4e:%02x", add ? "Add" : "Del", port, vlan,
                  1 + below(4));
}

std::string Generator::aclCall(const Model &m, std::vector<const char *> &cmds, bool add)
{
    if (!add) {
        cmds = {"PDU_UNBIND_CAR", "PDU_DEL_CAR", "PDU_DEL_FLOW"};
        if (const std::string *held = heldOne(m.acls, 80)) {
            return *held;
        }
        return format("HAL_PDU_PrtclPktAclDel aclId=%u", aclId());
    }
    const uint32_t id = freshId(m.acls.held, kAclIds);
    const uint32_t rate = chance(35) ? 0 : 64 * (1 + below(2));
    cmds = {"PDU_ADD_FLOW"};
    if (rate != 0 && id < HAL_PDU_CAR_RECORD_NUM) {
        cmds.push_back("PDU_ADD_CAR");
        cmds.push_back("PDU_BIND_CAR");
    }
    static const char *const kMatches[] = {
        "rule.uiFieldFlags=0x8000000 rule.uiCapType=2",
        "rule.uiFieldFlags=0x23900 rule.uiIpProtocol=17 rule.uiL4SrcPort=68 rule.uiL4DstPort=67 rule.uiIpVersion=1",
        "rule.uiFieldFlags=0x8 rule.uiEthType=0x888e",
    };
    return format(
        "HAL_PDU_PrtclPktAclAdd aclId=%u portType=%u portId=%u %s ruleClass=1 action.uiAction=%u "
        "action.uiPriority=%u action.uiCarRate=%u",
        id, below(20) == 0 ? 5 : 1, 1 + below(8), kMatches[below(std::size(kMatches))], 1 + below(4), below(9), rate);
}

// kind 0 adds, 1 removes, 2 switches, reads or clears the counters.
std::string Generator::dfxCall(const Model &m, std::vector<const char *> &cmds, uint32_t kind)
{
    if (kind == 1) {
        cmds = {"DFX_DEL_FLOW"};
        const uint32_t id = heldId(m.dfx, dfxId());
        // An ACL removal of an id it does not know goes on to the DFX flows.
        return chance(30) ? format("HAL_PDU_PrtclPktAclDel aclId=%u", id) : format("HAL_DFX_FlowDel flowId=%u", id);
    }
    if (kind == 2) {
        const uint32_t id = heldId(m.dfx, dfxId());
        switch (below(3)) {
            case 0:
                cmds = {"DFX_SWITCH_CNT"};
                return format("HAL_DFX_FlowCntEnable flowId=%u enable=%u", id, below(2));
            case 1:
                cmds = {"DFX_GET_CNT"};
                return format("HAL_DFX_FlowCntGet flowId=%u", id);
            default:
                cmds = {"DFX_CLR_CNT"};
                return format("HAL_DFX_FlowCntClr flowId=%u", id);
        }
    }
    cmds = {"DFX_ADD_FLOW", "DFX_SET_CNT"};
    const std::string rule = format(
        "portType=1 portId=%u rule.uiFieldFlags=0x8001800 rule.uiIpProtocol=17 rule.uiL4SrcPort=68 "
        "rule.uiL4DstPort=67 rule.uiCapType=5 rule.uiDfxDirection=%u rule.uiIsDfx=1 ruleClass=1 "
        "action.uiAction=1",
        1 + below(8), below(2));
    const uint32_t id = freshId(m.dfx.held, kDfxIds);
    return chance(30) ? format("HAL_PDU_PrtclPktAclAdd aclId=%u %s", id, rule.c_str())
                      : format("HAL_DFX_FlowAdd flowId=%u %s", id, rule.c_str());
}

std::string Generator::programCall(const Model &m, std::vector<const char *> &cmds, bool add)
{
    if (!add) {
        cmds = {"BTV_DEL_PROGRAM"};
        if (const std::string *held = heldOne(m.programs, 70)) {
            return *held;
        }
        return format("HAL_BTV_DelProgramTable uiMcastGroupID=%u", group());
    }
    cmds = {"BTV_ADD_PROGRAM", "BTV_DEL_PROGRAM"};
    const uint32_t g = below(80) == 0 ? 255 : freshId(m.programs.held, kGroups);
    return format("HAL_BTV_AddProgramTable uiMcastGroupID=%u usOrigMvlan=%u mac=01:00:5e:0a:00:%02x", g,
                  oneOf({0, 1000, 1001}), g & 0xFF);
}

std::string Generator::viewerCall(const Model &m, std::vector<const char *> &cmds, bool add)
{
    const auto text = [](const char *verb, uint32_t g, uint32_t flow, bool wifi) {
        return format(
            "HAL_BTV_%sProgramUsr usCtp=%u usFlowId=%u uiIsWifi=%u uiIsWifiUpMode=%u "
            "stProgram.uiMcastGroupID=%u",
            verb, wifi ? 20 : flow - 10, flow, wifi ? 1 : 0, wifi && wifiUpGroup(g) ? 1 : 0, g);
    };
    const uint32_t plain = kFirstPlainFlow + below(kPlainFlows);
    if (add) {
        cmds = {"BTV_ADD_USER"};
        const uint32_t g = heldId(m.programs, group());
        const bool wifi = chance(25);
        return text("Add", g, wifi ? kWifiFlow : plain, wifi);
    }
    cmds = {"BTV_DEL_USER"};
    std::vector<uint32_t> joined;
    for (const auto &[g, users] : m.users) {
        if (!users.empty()) {
            joined.push_back(g);
        }
    }
    if (!joined.empty() && chance(85)) {
        const uint32_t g = joined[below(joined.size())];
        const GroupUsers &users = m.users.at(g);
        const uint32_t pick = below(users.plain.size() + users.wifi);
        if (pick >= users.plain.size()) {
            return text("Del", g, kWifiFlow, true);
        }
        auto it = users.plain.begin();
        std::advance(it, pick);
        return text("Del", g, *it, false);
    }
    // A viewer who never joined. The library counts viewers, it does not
    // check who leaves: a host removes only viewers it added, so an absent
    // one is taken only from a group with no viewer of that kind, where the
    // count stays 0.
    const uint32_t g = group();
    const auto users = m.users.find(g);
    const bool noPlain = users == m.users.end() || users->second.plain.empty();
    const bool noWifi = users == m.users.end() || users->second.wifi == 0;
    if (noPlain || noWifi) {
        return noPlain ? text("Del", g, plain, false) : text("Del", g, kWifiFlow, true);
    }
    return text("Del", g, *users->second.plain.begin(), false);
}

std::string Generator::statsCall(const Model &m, std::vector<const char *> &cmds, bool user)
{
    const uint32_t verb = below(4);  // add, remove, clear, read
    if (!user) {
        static const char *const kVerbs[] = {"Add", "Del", "Clear", "Get"};
        static const char *const kCmds[] = {"BTV_SET_STATS", "BTV_SET_STATS", "BTV_CLR_STATS", "BTV_GET_STATS"};
        cmds = {kCmds[verb]};
        const uint32_t g = verb == 0 ? heldId(m.programs, group()) : heldId(m.groupStats, group());
        return format("HAL_BTV_%sBtvStats uiMCastGroupId=%u", kVerbs[verb], g);
    }
    static const char *const kUserVerbs[] = {"AddUserBtvStats", "DelUserBtvStats", "ClearUserBtvStats",
                                             "GetBtvUserStats"};
    static const char *const kUserCmds[] = {"BTVUSER_SET_STATS", "BTVUSER_SET_STATS", "BTVUSER_CLR_STATS",
                                            "BTVUSER_GET_STATS"};
    cmds = {kUserCmds[verb]};
    uint32_t g = group();
    uint32_t flow = kFirstPlainFlow + below(kPlainFlows);
    if (verb != 0 && !m.userStats.held.empty() && chance(80)) {
        auto it = m.userStats.held.begin();
        std::advance(it, below(m.userStats.held.size()));
        g = it->first.first;
        flow = it->first.second;
    } else if (!m.users.empty() && chance(80)) {
        auto it = m.users.begin();
        std::advance(it, below(m.users.size()));
        g = it->first;
        flow = it->second.plain.empty() ? kWifiFlow : *it->second.plain.begin();
    }
    return format("HAL_BTV_%s uiMCastGroupId=%u usFlowID=%u", kUserVerbs[verb], g, flow);
}

// kind 0 adds, 1 removes, 2 sets the MTU.
std::string Generator::interfaceCall(const Model &m, std::vector<const char *> &cmds, uint32_t kind)
{
    if (kind == 1) {
        const uint32_t index = heldId(m.ifs, ifIndex());
        // The chip keeps an interface while it has prefixes: a host takes
        // them away first, most of the time.
        for (const auto &prefix : m.prefixes.held) {
            if (interfaceOf(prefix.first) == index && chance(70)) {
                cmds = {"L3_DEL_PREFIX"};
                return prefix.second;
            }
        }
        cmds = {"L3_DEL_IF"};
        return format("HAL_L3_SynL3IFDel ifIndex=0x%x", index);
    }
    if (kind == 2) {
        cmds = {"L3_SET_IF_MTU"};
        return format("HAL_L3_SynL3IFSetMtu ifIndex=0x%x mtu=%u", heldId(m.ifs, ifIndex()), oneOf({1492, 1500}));
    }
    cmds = {"L3_ADD_IF"};
    const uint32_t index = freshId(m.ifs.held, kIfIndexes);
    // IP version 2 is refused.
    return format(
        "HAL_L3_SynL3IFAdd ifIndex=0x%x uiKind=%u uiIpVersion=%u aucMac=00:1e:10:2a:3b:%02x uiVlanId=%u "
        "uiPriMode=%u uiPri=%u uiIpv4State=1 uiIpv6State=2 uiIpv4NaptSel=%u",
        index, below(3), below(20) == 0 ? 2 : below(2), index & 0xFF, 100 * below(3), below(4), below(8), below(2));
}

std::string Generator::prefixCall(const Model &m, std::vector<const char *> &cmds, bool add)
{
    cmds = {add ? "L3_ADD_PREFIX" : "L3_DEL_PREFIX"};
    if (!add) {
        if (const std::string *held = heldOne(m.prefixes, 80)) {
            return *held;
        }
    }
    const uint32_t variant = below(4);
    static const char *const kVersions[] = {
        "uiIpVersion=0 auiAddr[0]=10.0.%u.0 uiPrefixLen=24", "uiIpVersion=0 auiAddr[0]=10.%u.0.0 uiPrefixLen=16",
        "uiIpVersion=1 auiAddr=0x20010db8,%u,0,0 uiPrefixLen=48", "uiIpVersion=2 auiAddr[0]=10.0.%u.0 uiPrefixLen=24"};
    const std::string address = format(kVersions[below(20) == 0 ? 3 : variant % 3], 1 + below(3));
    return format("HAL_L3_SynPrefix%s ifIndex=0x%x ucEntryId=%u %s", add ? "Add" : "Del", heldId(m.ifs, ifIndex()),
                  variant, address.c_str());
}

std::string Generator::routeCall(const Model &m, std::vector<const char *> &cmds, bool add)
{
    if (!add) {
        cmds = {"L3_DEL_POLICY_ROUTE"};
        if (const std::string *held = heldOne(m.routes, 80)) {
            return *held;
        }
        return format("HAL_L3_DelPolicyRoute ruleId=%u", oneOf(kRules));
    }
    cmds = {"L3_ADD_POLICY_ROUTE"};
    const uint32_t ctps = below(4);
    std::string list;
    for (uint32_t i = 0; i < ctps; ++i) {
        list += format("%s%u", i == 0 ? " auiCtpId=" : ",", oneOf({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    }
    // Act 5 is refused.
    return format(
        "HAL_L3_AddPolicyRoute ruleId=%u uiFamily=%u uiRouteID=%u uiMatchMask=%u uiTagNum=1 uiVlan=%u "
        "aucSrcIp=192.168.%u.0 uiIpMask=0xffffff00 uiAct=%u uiCtpNum=%u%s",
        freshId(m.routes.held, kRules), below(2), oneOf({0xffffffff, 5}), below(8), 100 * below(3), below(4),
        below(12) == 0 ? 5 : below(5), ctps, list.c_str());
}

std::string Generator::naptCall(const Model &m, std::vector<const char *> &cmds, bool add)
{
    cmds = {add ? "L3_ADD_NAPT_IND" : "L3_DEL_NAPT_IND"};
    if (!add) {
        if (const std::string *held = heldOne(m.napts, 80)) {
            return *held;
        }
    }
    std::map<uint32_t, std::string> rules;
    for (const auto &record : m.napts.held) {
        rules.emplace(ruleOf(record.first), record.second);
    }
    // Family 1 is refused.
    return format(
        "HAL_L3_%sNaptIndication ruleId=%u uiFamily=%u uiRouteTblID=%u uiOutIfIndex=0x%x uiDip[0]=10.%u.0.0 "
        "uiMask=0xffff0000 uiIsToNapt=%u",
        add ? "Add" : "Del", add ? freshId(rules, kRules) : oneOf(kRules), below(20) == 0 ? 1 : 0,
        oneOf({0xffffffff, 5}), oneOf({0, 0x101, 0x102}), below(3), below(2));
}

// kind 0 adds, 1 removes, 2 clears or reads.
std::string Generator::wanCall(const Model &m, std::vector<const char *> &cmds, uint32_t kind)
{
    if (kind == 1) {
        cmds = {"L3_DEL_WAN_STATS"};
        if (const std::string *held = heldOne(m.wans, 80)) {
            return *held;
        }
        return format("HAL_L3_DelWanStats wanId=0x%x", oneOf(kWans));
    }
    const uint32_t id = kind == 2 ? heldId(m.wans, oneOf(kWans)) : freshId(m.wans.held, kWans);
    if (kind == 2) {
        const bool read = chance(50);
        cmds = {read ? "L3_GET_WAN_STATS" : "L3_CLR_WAN_STATS"};
        return format("HAL_L3_%sWanStats wanId=0x%x", read ? "Get" : "Clear", id);
    }
    cmds = {"L3_ADD_WAN_STATS"};
    // VLANs from 4096 on are taken and not counted; WANs share VLAN 100
    // more often than not.
    return format("HAL_L3_AddWanStats wanId=0x%x vlan=%u pri=%u", id, oneOf({0, 100, 100, 200, 300, 4095, 4096, 5000}),
                  below(8));
}

}  // namespace halsim::soak_detail
