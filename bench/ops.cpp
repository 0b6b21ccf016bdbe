#include "ops.h"

#include <cstring>
#include <iterator>

#include "chip/kalo/kalo_l3.h"
#include "hal_network_adpt.h"

namespace benchops {

namespace {

void none() {}

// ---- Layer-2 service flows ---------------------------------------------------------

// Internet service on Ethernet CTP 3, both directions, single-tagged:
// VLAN 100 from the user becomes VLAN 200 towards the network, and back.
HAL_L2_FLOW_S internetFlow()
{
    HAL_L2_FLOW_S flow{};
    flow.FlowId = 100;
    flow.CtpId = 3;
    flow.BridgeId = 1;
    flow.FlowDirection = 0;
    flow.stInRule.tagNum = 1;
    flow.stInRule.vlanFilter[0] = 1;
    flow.stInRule.filterInfo[0].vlanID = 100;
    flow.stInTreat.vlanTreat[0] = 2;
    flow.stInTreat.treatInfo[0].vlanID = 200;
    flow.stOutRule.tagNum = 1;
    flow.stOutRule.vlanFilter[0] = 1;
    flow.stOutRule.filterInfo[0].vlanID = 200;
    flow.stOutTreat.vlanTreat[0] = 2;
    flow.stOutTreat.treatInfo[0].vlanID = 100;
    return flow;
}
const HAL_L2_FLOW_S g_flow = internetFlow();

void addFlow() { (void)HAL_L2_AddFlow(&g_flow); }
void delFlow() { (void)HAL_L2_DelFlow(&g_flow); }

// A broadcast limit on an Ethernet user port. The null host refuses every
// chip attribute, so the chip type reads as unknown, outside the family
// that also limits each user port: one command.
void bcLimit()
{
    static const HAL_L2_LIMIT_S limit{125000, 250000};
    (void)HAL_L2_SetBcLimit(3, &limit);
}

// A read of a full MAC table: the buffer allocated, one command, the
// driver's 2048 entries converted for the host, the buffer released.
HAL_L2_MAC_TABLE_S g_macTable;
void macTable() { (void)HAL_L2_GetMacTable(&g_macTable); }

// ---- Protocol-packet rules -------------------------------------------------------

// A rule on Ethernet CTP 3 comparing ten fields, with a rate: the flow,
// its CAR profile and the binding, three commands.
constexpr uint32_t kAcl = 40;

PrtclPktRule tenFieldRule()
{
    PrtclPktRule r{};
    r.uiFieldFlags = HAL_PRTCL_FIELD_MAC1 | HAL_PRTCL_FIELD_MAC2 | HAL_PRTCL_FIELD_SVLAN | HAL_PRTCL_FIELD_IP_PROTOCOL |
                     HAL_PRTCL_FIELD_SRC_IP | HAL_PRTCL_FIELD_DST_IP | HAL_PRTCL_FIELD_L4_SRC_PORT |
                     HAL_PRTCL_FIELD_L4_DST_PORT | HAL_PRTCL_FIELD_IP_VERSION | HAL_PRTCL_FIELD_IP_VER_QUALIFIER;
    const uint8_t mac[6] = {0x00, 0x1b, 0x2c, 0x3d, 0x4e, 0x5f};
    std::memcpy(r.aucMac1, mac, sizeof(mac));
    std::memset(r.aucMac1Mask, 0xFF, sizeof(r.aucMac1Mask));
    std::memset(r.aucMac2Mask, 0xFF, 3);  // MAC 2: its first three bytes, all zero
    r.uiSvlan = 100;
    r.uiIpProtocol = 17;
    r.uiSrcIp = 0xC0A80100U;
    r.uiSrcIpMask = 0xFFFFFF00U;
    r.uiDstIp = 0xC0A80101U;
    r.uiDstIpMask = 0xFFFFFFFFU;
    r.uiL4SrcPort = 68;
    r.uiL4DstPort = 67;
    r.uiIpVersion = 1;
    return r;
}
const PrtclPktRule g_rule = tenFieldRule();
const PrtclPktAction g_action{1, 5, 0, 256};

void aclAdd() { (void)HAL_PDU_PrtclPktAclAdd(kAcl, 1, 3, &g_rule, 1, &g_action); }
void aclRemove() { (void)HAL_PDU_PrtclPktAclDel(kAcl); }

// Removal of a rule with a CAR bound: the binding released, the profile
// deleted, the flow removed, three commands. A delete frees the CAR
// record, so each request first marks it bound again as the add left it:
// a 12-byte store, where re-adding the rule would cost more than the
// delete itself.
PduFlowCarEntry g_bound;
void aclDelSetup()
{
    aclAdd();
    g_bound = pduFlowCarRecord[kAcl];
}
void aclDel()
{
    pduFlowCarRecord[kAcl] = g_bound;
    (void)HAL_PDU_PrtclPktAclDel(kAcl);
}

// ---- Layer 3 -----------------------------------------------------------------------

void l3IfAdd()
{
    static const HAL_L3_IF_S intf = [] {
        HAL_L3_IF_S i{};
        i.uiKind = 1;
        i.uiVlanId = 46;
        i.uiPriMode = 3;
        i.uiIpv4State = 1;
        i.uiIpv6State = 2;
        return i;
    }();
    (void)HAL_L3_SynL3IFAdd(7, &intf);
}

struct Route {
    HAL_L3_POLICY_ROUTE_S rule;
    uint32_t ctp[4];
};
void policyRoute()
{
    static const Route r = [] {
        Route x{};
        x.rule.uiMatchMask = 7;
        x.rule.uiVlan = 10;
        x.rule.uiIpMask = 0xFFFFFF00U;
        x.rule.uiAct = 2;
        x.rule.uiCtpNum = 4;
        x.ctp[0] = 1;
        x.ctp[1] = 2;
        x.ctp[2] = 3;
        x.ctp[3] = 4;
        return x;
    }();
    (void)HAL_L3_AddPolicyRoute(1, &r.rule);
}

// Eight WAN connections counted; the read finds the last.
void wanSetup()
{
    (void)QX_IFM_WanStatsInit();
    for (uint32_t wan = 1; wan <= 8; ++wan) {
        (void)HAL_L3_AddWanStats(wan, wan * 10, 0);
    }
}
void wanRead()
{
    HAL_L3_WAN_STATS_S stats{};
    (void)HAL_L3_GetWanStats(8, &stats);
}
void wanTeardown()
{
    for (uint32_t wan = 1; wan <= 8; ++wan) {
        (void)HAL_L3_DelWanStats(wan);
    }
}

// ---- Multicast -------------------------------------------------------------------

// A subscriber joins program 5. Each request first clears the group's user
// counts, as if the last join had left, so that every request is a first
// join (one command).
void btvSetup() { (void)HAL_BTV_InitUser(); }
void btvJoin()
{
    static const BtvProgramUser user = [] {
        BtvProgramUser u{};
        u.usFlowId = 9;
        u.stProgram.uiMcastGroupID = 5;
        return u;
    }();
    if (g_pusBTV_USER_NUM != nullptr) {
        g_pusBTV_USER_NUM[5] = BtvUserNumEntry{};
    }
    (void)HAL_BTV_AddProgramUsr(&user);
}

}  // namespace

const Op kOps[] = {
    {"l2_add_flow", "HAL_L2_AddFlow", none, addFlow, none, 1249},
    {"l2_del_flow", "HAL_L2_DelFlow", none, delFlow, none, 153},
    {"l2_bc_limit", "HAL_L2_SetBcLimit", none, bcLimit, none, 526},
    {"l2_mac_table_2048", "HAL_L2_GetMacTable", none, macTable, none, 348064},
    {"pdu_acl_add", "HAL_PDU_PrtclPktAclAdd", none, aclAdd, aclRemove, 1396},
    {"pdu_acl_del", "HAL_PDU_PrtclPktAclDel", aclDelSetup, aclDel, none, 174},
    {"l3_if_add", "HAL_L3_SynL3IFAdd", none, l3IfAdd, none, 311},
    {"l3_policy_route", "HAL_L3_AddPolicyRoute", none, policyRoute, none, 1042},
    {"l3_wan_stats_read", "HAL_L3_GetWanStats", wanSetup, wanRead, wanTeardown, 428},
    {"btv_add_user", "HAL_BTV_AddProgramUsr", btvSetup, btvJoin, none, 159},
};
const size_t kOpCount = std::size(kOps);

}  // namespace benchops
