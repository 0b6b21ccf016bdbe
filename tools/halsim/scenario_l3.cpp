// Layer 3: a routed WAN coming up on VLAN 100, its interface, source-check
// prefix, policy route and NAPT indication, a second WAN sharing the VLAN,
// the counters read back, then the WANs going down.
#include <cstring>

#include "chip/kalo/kalo_l3.h"
#include "hal_network_adpt.h"
#include "scenario.h"

namespace halsim {

namespace {

HAL_L3_IF_S wanInterface()
{
    HAL_L3_IF_S intf{};
    intf.uiKind = HAL_L3_IF_KIND_VLAN;
    intf.uiIpVersion = 0;
    const uint8_t mac[6] = {0x00, 0x1e, 0x10, 0x2a, 0x3b, 0x4c};
    std::memcpy(intf.aucMac, mac, sizeof(mac));
    intf.uiVlanId = 100;
    intf.uiPriMode = 1;
    intf.uiPri = 5;
    intf.uiIpv4State = 1;
    intf.uiIpv6State = 2;
    intf.uiIpv4NaptSel = 1;
    return intf;
}

HAL_L3_PREFIX_S wanPrefix()
{
    HAL_L3_PREFIX_S p{};
    p.ucEntryId = 1;
    p.uiIpVersion = 0;
    p.auiAddr[0] = 0x0A000002;  // 10.0.0.2
    p.uiPrefixLen = 24;
    return p;
}

struct LanRoute {
    HAL_L3_POLICY_ROUTE_S rule;
    uint32_t ctp[2];
};

LanRoute lanRoute()
{
    LanRoute r{};
    r.rule.uiRouteID = 0xFFFFFFFF;
    r.rule.uiMatchMask = HAL_L3_ROUTE_MATCH_SIP;
    const uint8_t sip[4] = {192, 168, 1, 0};
    std::memcpy(r.rule.aucSrcIp, sip, sizeof(sip));
    r.rule.uiIpMask = 0xFFFFFF00;
    r.rule.uiAct = 2;
    r.rule.uiCtpNum = 2;
    r.ctp[0] = 1;
    r.ctp[1] = 2;
    return r;
}

HAL_L3_NAPT_IND_S wanNapt()
{
    HAL_L3_NAPT_IND_S n{};
    n.uiRouteTblID = 0xFFFFFFFF;
    n.uiOutIfIndex = 0x101;
    n.uiMask = 0;
    n.uiIsToNapt = 1;
    return n;
}

}  // namespace

void addL3Steps(std::vector<Step> &steps)
{
    steps.push_back({"QX_IFM_WanStatsInit()", [] { return QX_IFM_WanStatsInit(); }});
    steps.push_back({"HAL_L3_AddWanStats(0x101, 100, 0)", [] { return HAL_L3_AddWanStats(0x101, 100, 0); }});
    steps.push_back({"HAL_L3_SynL3IFAdd(0x101, VLAN 100, IPv4 NAPT)", [] {
                         const HAL_L3_IF_S intf = wanInterface();
                         return HAL_L3_SynL3IFAdd(0x101, &intf);
                     }});
    steps.push_back({"HAL_L3_SynL3IFSetMtu(0x101, 1492)", [] { return HAL_L3_SynL3IFSetMtu(0x101, 1492); }});
    steps.push_back({"HAL_L3_SynPrefixAdd(0x101, 10.0.0.2/24)", [] {
                         const HAL_L3_PREFIX_S p = wanPrefix();
                         return HAL_L3_SynPrefixAdd(0x101, &p);
                     }});
    steps.push_back({"HAL_L3_AddPolicyRoute(1, LAN 1-2 from 192.168.1.0/24 to NAPT)", [] {
                         const LanRoute r = lanRoute();
                         return HAL_L3_AddPolicyRoute(1, &r.rule);
                     }});
    steps.push_back({"HAL_L3_AddNaptIndication(1, default route via 0x101)", [] {
                         const HAL_L3_NAPT_IND_S n = wanNapt();
                         return HAL_L3_AddNaptIndication(1, &n);
                     }});
    steps.push_back(
        {"HAL_L3_AddWanStats(0x102, 100, 0) (shares VLAN 100)", [] { return HAL_L3_AddWanStats(0x102, 100, 0); }});
    steps.push_back({"HAL_L3_GetWanStats(0x102, &stats)", [] {
                         HAL_L3_WAN_STATS_S stats{};
                         return HAL_L3_GetWanStats(0x102, &stats);
                     }});
    steps.push_back({"HAL_L3_DelNaptIndication(1, default route)", [] {
                         const HAL_L3_NAPT_IND_S n = wanNapt();
                         return HAL_L3_DelNaptIndication(1, &n);
                     }});
    steps.push_back({"HAL_L3_DelPolicyRoute(1)", [] { return HAL_L3_DelPolicyRoute(1); }});
    steps.push_back({"HAL_L3_SynPrefixDel(0x101, 10.0.0.2/24)", [] {
                         const HAL_L3_PREFIX_S p = wanPrefix();
                         return HAL_L3_SynPrefixDel(0x101, &p);
                     }});
    steps.push_back({"HAL_L3_SynL3IFDel(0x101)", [] { return HAL_L3_SynL3IFDel(0x101); }});
    steps.push_back({"HAL_L3_DelWanStats(0x101)", [] { return HAL_L3_DelWanStats(0x101); }});
    steps.push_back({"HAL_L3_DelWanStats(0x102)", [] { return HAL_L3_DelWanStats(0x102); }});
}

}  // namespace halsim
