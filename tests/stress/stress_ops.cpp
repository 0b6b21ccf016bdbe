#include "stress_ops.h"

#include <cstring>
#include <iterator>

#include "chip/kalo/kalo_common.h"
#include "chip/kalo/kalo_dbg.h"
#include "chip/kalo/kalo_l3.h"
#include "hal_network_adpt.h"
#include "stress_host.h"

namespace stress {

namespace {

template <typename T>
void put(Output &out, const T &rec)
{
    out.resize(sizeof(T));
    std::memcpy(out.data(), &rec, sizeof(T));
}

template <typename T>
void append(Output &out, const T &value)
{
    const size_t at = out.size();
    out.resize(at + sizeof(T));
    std::memcpy(out.data() + at, &value, sizeof(T));
}

template <size_t N>
uint32_t pick(const uint32_t (&table)[N], uint32_t n)
{
    return table[n % N];
}

void macOf(uint32_t n, uint8_t salt, uint8_t *mac)
{
    const uint8_t m[6] = {0x02, salt, 0x5e, static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n), 0x5a};
    std::memcpy(mac, m, sizeof(m));
}

// CTPs of every type the host describes (stress_host.cpp), and 70, which it
// does not know: its requests fail in the port resolution.
constexpr uint32_t kFlowCtps[] = {1, 2, 8, 9, 16, 24, 32, 40, 48, 56, 59, 60, 0, 5, 44, 70};
constexpr uint32_t kPortCtps[] = {1, 3, 8, 9, 17, 25, 33, 44, 51, 59, 63, 0, 6, 70};

// ---- Layer-2 service flows ---------------------------------------------------------

void ruleOf(uint32_t n, uint32_t salt, HAL_L2_FLOW_RULE_S &r)
{
    r.tagNum = static_cast<uint8_t>(n % 4);
    r.ethTypeFilter = n % 5 == 0 ? 5 : 0;
    r.tpidFilter[0] = static_cast<uint8_t>(n % 2);
    r.vlanFilter[0] = 1;
    r.priFilter[0] = static_cast<uint8_t>((n / 2) % 2);
    r.filterInfo[0] = {static_cast<uint16_t>(0x8100 + n % 2 * 0x48),
                       static_cast<uint16_t>(salt + n),
                       static_cast<uint8_t>(n % 8),
                       static_cast<uint8_t>(n % 4),
                       {0, 0}};
    r.vlanFilter[1] = static_cast<uint8_t>(n % 3 != 0);
    r.priFilter[1] = static_cast<uint8_t>(n % 3 == 1);
    r.filterInfo[1] = {0x88a8,
                       static_cast<uint16_t>(salt + 1000 + n),
                       static_cast<uint8_t>((n + 3) % 8),
                       static_cast<uint8_t>(n % 4),
                       {0, 0}};
    r.macFilter = static_cast<uint8_t>(n % 3 == 0);
    macOf(n, static_cast<uint8_t>(salt), r.macAddr);
    r.macMaskLen = static_cast<uint16_t>(48 - n % 9);
    r.SelfDefEthType = 0x8800 + n;
}

void treatOf(uint32_t n, uint32_t salt, HAL_L2_FLOW_TREAT_S &t)
{
    t.tpidTreat[0] = static_cast<uint8_t>(n % 3);
    t.vlanTreat[0] = static_cast<uint8_t>(1 + n % 4);
    t.priTreat[0] = static_cast<uint8_t>(n % 4);
    t.treatInfo[0] = {0x8100,
                      static_cast<uint16_t>(salt + 2000 + n),
                      static_cast<uint8_t>((n + 1) % 8),
                      static_cast<uint8_t>(n % 4),
                      {0, 0}};
    t.vlanTreat[1] = static_cast<uint8_t>(n % 3);
    t.priTreat[1] = static_cast<uint8_t>((n + 1) % 3);
    t.treatInfo[1] = {0x88a8, static_cast<uint16_t>(salt + 3000 + n), static_cast<uint8_t>((n + 5) % 8), 0, {0, 0}};
}

HAL_L2_FLOW_S flowOf(const Key &key)
{
    const uint32_t n = key.n();
    HAL_L2_FLOW_S f{};
    f.FlowId = static_cast<uint16_t>(100 + n);
    f.CtpId = static_cast<uint16_t>(pick(kFlowCtps, n));
    f.BridgeId = static_cast<uint16_t>(1 + n % 7);
    f.Pri = static_cast<uint8_t>(n % 8);
    f.FlowDirection = static_cast<uint8_t>(n % 5);
    f.ucInFlowType = static_cast<uint8_t>((n / 2) % 6);
    f.ucInFlowAttr = static_cast<uint8_t>(n % 3);
    f.usTransCtpId = static_cast<uint16_t>(n % 2 == 0 ? 9 + n % 7 : 1 + n % 7);
    ruleOf(n, 10, f.stInRule);
    treatOf(n, 10, f.stInTreat);
    f.ucOutFlowType = static_cast<uint8_t>(n % 4);
    ruleOf(n + 7, 20, f.stOutRule);
    treatOf(n + 7, 20, f.stOutTreat);
    return f;
}

uint32_t addFlow(const Key &key, Output & /*out*/)
{
    const HAL_L2_FLOW_S f = flowOf(key);
    return HAL_L2_AddFlow(&f);
}
uint32_t delFlow(const Key &key, Output & /*out*/)
{
    const HAL_L2_FLOW_S f = flowOf(key);
    return HAL_L2_DelFlow(&f);
}

// ---- Port isolation, PVID, broadcast table ------------------------------------------

uint32_t isolatePort(const Key &key, Output & /*out*/)
{
    return HAL_L2_SetPortIsolate(1 + key.n() % 4, pick(kPortCtps, key.n()), key.n() % 2);
}
uint32_t isolationSwitch(const Key &key, Output & /*out*/) { return HAL_L2_SetPortIsolateEnable(key.n() % 2); }
uint32_t setPvid(const Key &key, Output & /*out*/) { return HAL_L2_SetPvid(100 + key.n()); }
uint32_t addBcEntry(const Key &key, Output & /*out*/)
{
    return HAL_L2_AddBcTable(key.n(), 1000 + key.n(), 2000 + key.n());
}
uint32_t delBcEntry(const Key &key, Output & /*out*/)
{
    return HAL_L2_DelBcTable(key.n(), 1000 + key.n(), 2000 + key.n());
}

// ---- TCI counters ---------------------------------------------------------------------

uint32_t tciCtp(const Key &key) { return pick(kPortCtps, key.n() + 3); }
uint32_t addTci(const Key &key, Output & /*out*/)
{
    return HAL_L2_AddPortTciStats(tciCtp(key), 200 + key.n(), key.n() % 8);
}
uint32_t getTci(const Key &key, Output &out)
{
    HAL_L2_TCI_STATS_S stats{};
    const uint32_t ret = HAL_L2_GetPortTciStats(tciCtp(key), 200 + key.n(), key.n() % 8, &stats);
    put(out, stats);
    return ret;
}
uint32_t clearTci(const Key &key, Output & /*out*/)
{
    return HAL_L2_ClearPortTciStats(tciCtp(key), 200 + key.n(), key.n() % 8);
}
uint32_t delTci(const Key &key, Output & /*out*/)
{
    return HAL_L2_DelPortTciStats(tciCtp(key), 200 + key.n(), key.n() % 8);
}

// ---- DSCP tables and bridge ports -----------------------------------------------------

HAL_L2_DSCP_TBL_S dscpOf(uint32_t n)
{
    HAL_L2_DSCP_TBL_S t{};
    for (uint32_t i = 0; i < sizeof(t.aucEntry); ++i) {
        t.aucEntry[i] = static_cast<uint8_t>((i / 8 + n) % 8);
    }
    t.aucEntry[63] = static_cast<uint8_t>(n);
    return t;
}
uint32_t loadDscp(const Key &key, Output & /*out*/)
{
    const HAL_L2_DSCP_TBL_S t = dscpOf(key.n());
    return HAL_L2_AddDscpToPbitTbl(1 + key.n(), &t);
}
uint32_t unloadDscp(const Key &key, Output & /*out*/)
{
    const HAL_L2_DSCP_TBL_S t = dscpOf(key.n());
    return HAL_L2_DelDscpToPbitTbl(1 + key.n(), &t);
}
uint32_t addBridgePort(const Key &key, Output & /*out*/)
{
    return HAL_L2_AddBridgePort(1 + key.n(), pick(kPortCtps, key.n() + 5), 0x3000 + key.n());
}
uint32_t delBridgePort(const Key &key, Output & /*out*/)
{
    return HAL_L2_DelBridgePort(1 + key.n(), pick(kPortCtps, key.n() + 5), 0x3000 + key.n());
}

// ---- Traffic limits ---------------------------------------------------------------------

HAL_L2_LIMIT_S limitOf(uint32_t n) { return {n % 6 == 0 ? 0U : 1000 * (n + 1), 512 * (n + 3)}; }
uint32_t bcLimit(const Key &key, Output & /*out*/)
{
    const HAL_L2_LIMIT_S l = limitOf(key.n());
    return HAL_L2_SetBcLimit(pick(kPortCtps, key.n() + 1), &l);
}
uint32_t umcLimit(const Key &key, Output & /*out*/)
{
    const HAL_L2_LIMIT_S l = limitOf(key.n() + 1);
    return HAL_L2_SetUmcLimit(pick(kPortCtps, key.n() + 2), &l);
}
uint32_t uucLimit(const Key &key, Output & /*out*/)
{
    const HAL_L2_LIMIT_S l = limitOf(key.n() + 2);
    return HAL_L2_SetUucLimit(pick(kPortCtps, key.n() + 4), &l);
}

// ---- L3 interfaces and prefixes --------------------------------------------------------

uint32_t ifIndexOf(const Key &key) { return 10 + key.n(); }

uint32_t l3IfAdd(const Key &key, Output & /*out*/)
{
    const uint32_t n = key.n();
    HAL_L3_IF_S i{};
    i.uiKind = n % 3;
    i.uiIpVersion = n % 7 == 6 ? 2 : n % 2;
    macOf(n, 0x33, i.aucMac);
    i.uiVlanId = n % 4 == 0 ? 0 : 10 + n;
    i.uiIfAttr = 0x100 + n;
    i.uiPriMode = n % 5;
    i.uiPri = n % 8;
    i.uiSecondPri = (n + 2) % 8;
    i.uiMarkPri = (n + 5) % 8;
    i.uiIfAttr76 = 0x7600 + n;
    i.uiIfAttr88 = 0x8800 + n;
    i.uiIpv4NaptSel = n % 2;
    i.uiIpv6NaptSel = (n / 2) % 2;
    i.uiIpv4State = 1 + n % 2;
    i.uiIpv6State = 1 + (n / 2) % 2;
    return HAL_L3_SynL3IFAdd(ifIndexOf(key), &i);
}
uint32_t l3IfMtu(const Key &key, Output & /*out*/) { return HAL_L3_SynL3IFSetMtu(ifIndexOf(key), 1280 + key.n()); }
uint32_t l3IfDel(const Key &key, Output & /*out*/) { return HAL_L3_SynL3IFDel(ifIndexOf(key)); }

HAL_L3_PREFIX_S prefixOf(uint32_t n)
{
    HAL_L3_PREFIX_S p{};
    p.ucEntryId = static_cast<uint8_t>(n);
    p.uiIpVersion = n % 5 == 4 ? 3 : n % 2;
    p.auiAddr[0] = 0xC0A80000U + (n << 8);
    p.auiAddr[1] = 0x20010db8U + n;
    p.auiAddr[2] = n * 0x01010101U;
    p.auiAddr[3] = ~n;
    p.uiPrefixLen = p.uiIpVersion == 0 ? n % 33 : (n * 5) % 129;
    return p;
}
uint32_t prefixAdd(const Key &key, Output & /*out*/)
{
    const HAL_L3_PREFIX_S p = prefixOf(key.n());
    return HAL_L3_SynPrefixAdd(ifIndexOf(key), &p);
}
uint32_t prefixDel(const Key &key, Output & /*out*/)
{
    const HAL_L3_PREFIX_S p = prefixOf(key.n());
    return HAL_L3_SynPrefixDel(ifIndexOf(key), &p);
}

// ---- Policy routes and NAPT indications ------------------------------------------------

struct Route {
    HAL_L3_POLICY_ROUTE_S rule;
    uint32_t ctp[4];
};

uint32_t policyRouteAdd(const Key &key, Output & /*out*/)
{
    const uint32_t n = key.n();
    Route r{};
    r.rule.uiFamily = n % 2;
    r.rule.uiRouteID = n % 5 == 0 ? 0xFFFFFFFFU : 100 + n;
    r.rule.uiRouteParam = 0x5000 + n;
    r.rule.uiMatchMask = n % 8;
    r.rule.uiTagNum = n % 3;
    r.rule.uiVlan = 50 + n;
    r.rule.aucSrcIp[0] = 10;
    r.rule.aucSrcIp[1] = static_cast<uint8_t>(key.thread);
    r.rule.aucSrcIp[2] = static_cast<uint8_t>(key.k);
    r.rule.aucSrcIp[3] = 1;
    r.rule.uiIpMask = 0xFFFFFF00U << (n % 4);
    r.rule.uiAct = n % 6;
    r.rule.uiCtpNum = 1 + n % 4;
    for (uint32_t i = 0; i < 4; ++i) {
        r.ctp[i] = pick(kFlowCtps, n + 3 * i);
    }
    return HAL_L3_AddPolicyRoute(200 + n, &r.rule);
}
uint32_t policyRouteDel(const Key &key, Output & /*out*/) { return HAL_L3_DelPolicyRoute(200 + key.n()); }

HAL_L3_NAPT_IND_S naptOf(uint32_t n)
{
    HAL_L3_NAPT_IND_S i{};
    i.uiFamily = n % 7 == 3 ? 1 : 0;
    i.uiRouteTblID = n % 3 == 0 ? 0xFFFFFFFFU : 300 + n;
    i.uiOutIfIndex = n % 4 == 0 ? 0 : 10 + n;
    i.uiDip[0] = 0xAC100000U + n;
    i.uiDip[1] = n;
    i.uiMask = 0xFFFF0000U << (n % 8);
    i.uiIsToNapt = n % 2;
    return i;
}
uint32_t naptAdd(const Key &key, Output & /*out*/)
{
    const HAL_L3_NAPT_IND_S i = naptOf(key.n());
    return HAL_L3_AddNaptIndication(400 + key.n(), &i);
}
uint32_t naptDel(const Key &key, Output & /*out*/)
{
    const HAL_L3_NAPT_IND_S i = naptOf(key.n());
    return HAL_L3_DelNaptIndication(400 + key.n(), &i);
}
uint32_t sessionFlag(const Key & /*key*/, Output &out)
{
    uint32_t flag = 0xAAAA;
    const uint32_t ret = PDT_IFM_GetIpv4SessionFlag(&flag);
    put(out, flag);
    return ret;
}

// ---- MAC learning, static MAC entries, MAC table --------------------------------------------

uint32_t macLearnState(const Key &key, Output & /*out*/) { return HAL_L2_SetMacLearnState(key.n() % 3); }
uint32_t portMacLearnNum(const Key &key, Output & /*out*/)
{
    const uint32_t n = key.n();
    return HAL_L2_SetPortMacLearnNum(pick(kPortCtps, n + 6), n % 5 == 0 ? 0 : (n % 5 == 1 ? 0xFFFFFFFFU : 64 * n));
}
uint32_t macAge(const Key &key, Output & /*out*/) { return HAL_L2_SetMacAge(key.n() % 3, 300 + key.n()); }
uint32_t macLearnNum(const Key &key, Output & /*out*/)
{
    return HAL_L2_SetMacLearnNum(key.n() == 5 ? 5000 : key.n() * 61 + 1);
}
uint32_t macLearnMode(const Key &key, Output & /*out*/) { return HAL_L2_SetMacLearnMode(key.n() % 3); }
uint32_t portMacLearnState(const Key &key, Output & /*out*/)
{
    return HAL_L2_SetPortMacLearnState(pick(kPortCtps, key.n() + 7), key.n() % 3);
}
uint32_t delPortMac(const Key &key, Output & /*out*/) { return HAL_L2_DelPortMac(key.n()); }

// VLAN 4097 and 65535 stand for any VLAN (two messages), 5000 is refused.
uint32_t staticMacVlan(uint32_t n)
{
    static constexpr uint32_t kVlans[] = {4097, 301, 65535, 302, 5000, 303};
    return kVlans[n % std::size(kVlans)] + (n % std::size(kVlans) % 2 == 1 ? n : 0);
}
uint32_t addStaticMac(const Key &key, Output & /*out*/)
{
    uint8_t mac[6];
    macOf(key.n(), 0x44, mac);
    return HAL_L2_AddStaticMac(1 + key.n() % 8, staticMacVlan(key.n()), mac);
}
uint32_t delStaticMac(const Key &key, Output & /*out*/)
{
    uint8_t mac[6];
    macOf(key.n(), 0x44, mac);
    return HAL_L2_DelStaticMac(1 + key.n() % 8, staticMacVlan(key.n()), mac);
}
uint32_t macTable(const Key & /*key*/, Output &out)
{
    out.assign(sizeof(HAL_L2_MAC_TABLE_S), 0xEE);
    return HAL_L2_GetMacTable(reinterpret_cast<HAL_L2_MAC_TABLE_S *>(out.data()));
}

// ---- Protocol-packet ACL rules and diagnostic flows -------------------------------------------

PrtclPktRule ruleOf(uint32_t n, uint32_t isDfx)
{
    static constexpr uint32_t kFlagSets[] = {
        HAL_PRTCL_FIELD_MAC1 | HAL_PRTCL_FIELD_MAC2 | HAL_PRTCL_FIELD_ETH_TYPE | HAL_PRTCL_FIELD_SVLAN |
            HAL_PRTCL_FIELD_IP_PROTOCOL | HAL_PRTCL_FIELD_SRC_IP | HAL_PRTCL_FIELD_DST_IP |
            HAL_PRTCL_FIELD_L4_SRC_PORT | HAL_PRTCL_FIELD_L4_DST_PORT | HAL_PRTCL_FIELD_IP_VERSION |
            HAL_PRTCL_FIELD_IP_VER_QUALIFIER,
        HAL_PRTCL_FIELD_ETH_TYPE | HAL_PRTCL_FIELD_VLAN_NUM | HAL_PRTCL_FIELD_PPPOE_PROTOCOL |
            HAL_PRTCL_FIELD_IP_VER_QUALIFIER | HAL_PRTCL_FIELD_TCP_FLAG | HAL_PRTCL_FIELD_ARP_TARGET |
            HAL_PRTCL_FIELD_CAP_TYPE | HAL_PRTCL_FIELD_DST_L3IF | HAL_PRTCL_FIELD_IPLENF,
        HAL_PRTCL_FIELD_SRC_IPV6 | HAL_PRTCL_FIELD_DST_IPV6 | HAL_PRTCL_FIELD_IPV6_NEXT_HEADER |
            HAL_PRTCL_FIELD_ICMPV6_TYPE | HAL_PRTCL_FIELD_TUNNEL_TYPE | HAL_PRTCL_FIELD_IP_VERSION,
        0xFFFFFFFFU,
        HAL_PRTCL_FIELD_L4_SRC_PORT | HAL_PRTCL_FIELD_L4_DST_PORT | HAL_PRTCL_FIELD_CAP_TYPE,
    };
    PrtclPktRule r{};
    r.uiFieldFlags = isDfx != 0 ? kFlagSets[4] : kFlagSets[n % 4];
    macOf(n, 0x51, r.aucMac1);
    std::memset(r.aucMac1Mask, 0xFF, sizeof(r.aucMac1Mask));
    macOf(n, 0x52, r.aucMac2);
    std::memset(r.aucMac2Mask, 0xFF, 3 + n % 4);
    r.uiEthType = 0x0800 + n;
    r.uiVlanNum = n % 3;
    r.uiSvlan = 100 + n;
    r.uiIpProtocol = n % 3 == 0 ? 1 : (n % 2 == 0 ? 6 : 17);
    r.uiSrcIp = 0x0A000000U + n;
    r.uiSrcIpMask = 0xFFFFFF00U << (n % 3);
    r.uiDstIp = 0x0A010000U + n;
    r.uiDstIpMask = n % 4 == 0 ? 0 : 0xFFFFFFFFU;
    r.uiL4SrcPort = n % 6 == 0 ? 0 : 1000 + n;
    r.uiL4DstPort = 2000 + n;
    r.uiIpVersion = n % 3;
    r.uiPppoeProtocol = 0x21 + n;
    r.uiIpVerQualifier = n % 3;
    r.uiArpTargetIp = 0xC0A80101U + n;
    r.uiArpTargetMask = 0xFFFFFF00U;
    r.usTcpFlag = static_cast<uint16_t>(n & 0x3F);
    for (uint32_t i = 0; i < 16; ++i) {
        r.aucSrcIpv6[i] = static_cast<uint8_t>(0x20 + i + n);
        r.aucDstIpv6[i] = static_cast<uint8_t>(0xfe - i + n);
        r.aucSrcIpv6Mask[i] = i < 8 + n % 8 ? 0xFF : 0;
        r.aucDstIpv6Mask[i] = 0xFF;
    }
    r.ucIpv6NextHeader = static_cast<uint8_t>(n % 2 == 0 ? 58 : 17);
    r.ucIcmpv6Type = static_cast<uint8_t>(133 + n % 4);
    r.uiCapType = n % 20;
    r.uiTunnelType = n % 3;
    r.uiDstL3If = 10 + n;
    r.uiIpLenF = n % 2;
    r.uiDfxDirection = n % 3;
    r.uiIsDfx = isDfx;
    return r;
}

PrtclPktAction actionOf(uint32_t n) { return {1 + n % 5, n % 10, 0, n % 3 == 0 ? 0 : 64 * (n + 1)}; }
uint32_t portTypeOf(uint32_t n) { return 1 + n % 5; }
uint32_t portIdOf(uint32_t n) { return pick(kPortCtps, n + 8); }

// ACL ids 1 to 249 have a CAR record each (one per key, never shared
// between threads); ids from 400 are beyond the CAR table.
uint32_t aclIdOf(const Key &key) { return 1 + key.n() * 8; }
uint32_t aclAdd(const Key &key, Output & /*out*/)
{
    const uint32_t n = key.n();
    const PrtclPktRule r = ruleOf(n, 0);
    const PrtclPktAction a = actionOf(n);
    return HAL_PDU_PrtclPktAclAdd(aclIdOf(key), portTypeOf(n), portIdOf(n), &r, n % 8, &a);
}
uint32_t aclDel(const Key &key, Output & /*out*/) { return HAL_PDU_PrtclPktAclDel(aclIdOf(key)); }
uint32_t aclAddNoCar(const Key &key, Output & /*out*/)
{
    const uint32_t n = key.n() + 3;
    const PrtclPktRule r = ruleOf(n, 0);
    const PrtclPktAction a = actionOf(n);
    return HAL_PDU_PrtclPktAclAdd(400 + key.n(), portTypeOf(n), portIdOf(n), &r, n % 8, &a);
}
uint32_t aclDelNoCar(const Key &key, Output & /*out*/) { return HAL_PDU_PrtclPktAclDel(400 + key.n()); }

uint32_t dfxIdOf(const Key &key) { return kDfxFlowFirst + key.n(); }
uint32_t dfxChipSupport(const Key & /*key*/, Output &out)
{
    uint32_t flag = 0xAAAA;
    const uint32_t ret = HAL_DFX_IsChipSupport(&flag);
    put(out, flag);
    return ret;
}
uint32_t dfxSupport(const Key & /*key*/, Output & /*out*/) { return HAL_DFX_IsSupport(); }
uint32_t dfxAdd(const Key &key, Output & /*out*/)
{
    const uint32_t n = key.n();
    const PrtclPktRule r = ruleOf(n, 1);
    const PrtclPktAction a = actionOf(n);
    return HAL_DFX_FlowAdd(dfxIdOf(key), portTypeOf(n), portIdOf(n), &r, n % 8, &a);
}
uint32_t dfxCountOn(const Key &key, Output & /*out*/) { return HAL_DFX_FlowCntEnable(dfxIdOf(key), key.n() % 2); }
uint32_t dfxCountRead(const Key &key, Output &out)
{
    HAL_DFX_FLOW_CNT_S counters{};
    const uint32_t ret = HAL_DFX_FlowCntGet(dfxIdOf(key), &counters);
    put(out, counters);
    return ret;
}
uint32_t dfxCountClear(const Key &key, Output & /*out*/) { return HAL_DFX_FlowCntClr(dfxIdOf(key)); }
uint32_t dfxDel(const Key &key, Output & /*out*/) { return HAL_DFX_FlowDel(dfxIdOf(key)); }
// A diagnostic flow added as a protocol-packet rule with the DFX selector,
// and removed by ACL id: the driver refuses it as an ACL flow, and the
// removal goes on to the diagnostic flow.
uint32_t dfxAddByRule(const Key &key, Output & /*out*/)
{
    const uint32_t n = key.n() + 5;
    const PrtclPktRule r = ruleOf(n, 1);
    const PrtclPktAction a = actionOf(n);
    return HAL_PDU_PrtclPktAclAdd(dfxIdOf(key) + 100, portTypeOf(n), portIdOf(n), &r, n % 8, &a);
}
uint32_t dfxDelByAclId(const Key &key, Output & /*out*/) { return HAL_PDU_PrtclPktAclDel(dfxIdOf(key) + 100); }

// ---- Multicast -----------------------------------------------------------------------------

// Group 1 + n: one group per key, never shared between threads.
uint32_t groupOf(const Key &key) { return 1 + key.n(); }

uint32_t forwardMode(const Key &key, Output & /*out*/) { return HAL_BTV_SetMultiForwardMode(key.n() % 4); }

BtvProgram programOf(const Key &key)
{
    const uint32_t n = key.n();
    BtvProgram p{};
    p.uiMcastGroupID = groupOf(key);
    p.usOrigMvlan = static_cast<uint16_t>(n % 3 == 0 ? 0 : 600 + n);
    p.usReplMvlan = static_cast<uint16_t>(700 + n);
    const uint8_t mac[6] = {0x01, 0x00, 0x5e, 0x01, static_cast<uint8_t>(key.thread), static_cast<uint8_t>(n)};
    std::memcpy(p.mac, mac, sizeof(mac));
    return p;
}
uint32_t programAdd(const Key &key, Output & /*out*/)
{
    const BtvProgram p = programOf(key);
    return HAL_BTV_AddProgramTable(&p);
}
uint32_t programDel(const Key &key, Output & /*out*/)
{
    const BtvProgram p = programOf(key);
    return HAL_BTV_DelProgramTable(&p);
}

enum UserKind { kPlain, kWifiA, kWifiB, kUpMode };
BtvProgramUser userOf(const Key &key, UserKind kind)
{
    BtvProgramUser u{};
    u.usCtp = static_cast<uint16_t>(1 + key.n() % 8);
    u.usFlowId = static_cast<uint16_t>(700 + 100 * kind + key.n());
    u.uiIsWifi = kind == kWifiA || kind == kWifiB ? 1 : 0;
    u.uiIsWifiUpMode = kind == kUpMode ? 1 : 0;
    u.stProgram = programOf(key);
    return u;
}
// The group's user counts after each step (plain users, Wi-Fi users), which
// the next step depends on: add plain (1, 0), Wi-Fi A (1, 1), Wi-Fi B
// (1, 2), up-mode (2, 2); remove Wi-Fi B (2, 1), Wi-Fi A (2, 0), plain
// (1, 0), up-mode (0, 0).
template <UserKind K>
uint32_t userAdd(const Key &key, Output &out)
{
    const BtvProgramUser u = userOf(key, K);
    const uint32_t ret = HAL_BTV_AddProgramUsr(&u);
    put(out, g_pusBTV_USER_NUM[groupOf(key)]);
    return ret;
}
template <UserKind K>
uint32_t userDel(const Key &key, Output &out)
{
    const BtvProgramUser u = userOf(key, K);
    const uint32_t ret = HAL_BTV_DelProgramUsr(&u);
    put(out, g_pusBTV_USER_NUM[groupOf(key)]);
    return ret;
}

uint32_t groupStatsAdd(const Key &key, Output & /*out*/)
{
    const BtvStats s{groupOf(key), 0, 0, 0};
    return HAL_BTV_AddBtvStats(&s);
}
uint32_t groupStatsClear(const Key &key, Output & /*out*/)
{
    const BtvStats s{groupOf(key), 0, 0, 0};
    return HAL_BTV_ClearBtvStats(&s);
}
uint32_t groupStatsRead(const Key &key, Output &out)
{
    BtvStats s{groupOf(key), 0xAAAA, 0xBBBB, 0xCCCC};
    const uint32_t ret = HAL_BTV_GetBtvStats(&s);
    put(out, s);
    return ret;
}
uint32_t groupStatsDel(const Key &key, Output & /*out*/)
{
    const BtvStats s{groupOf(key), 0, 0, 0};
    return HAL_BTV_DelBtvStats(&s);
}
BtvUserStats userStatsOf(const Key &key) { return {groupOf(key), 700 + key.n(), 0xAAAA, 0xBBBB, 0xCCCC}; }
uint32_t userStatsAdd(const Key &key, Output & /*out*/)
{
    const BtvUserStats s = userStatsOf(key);
    return HAL_BTV_AddUserBtvStats(&s);
}
uint32_t userStatsClear(const Key &key, Output & /*out*/)
{
    const BtvUserStats s = userStatsOf(key);
    return HAL_BTV_ClearUserBtvStats(&s);
}
uint32_t userStatsRead(const Key &key, Output &out)
{
    BtvUserStats s = userStatsOf(key);
    const uint32_t ret = HAL_BTV_GetBtvUserStats(&s);
    put(out, s);
    return ret;
}
uint32_t userStatsDel(const Key &key, Output & /*out*/)
{
    const BtvUserStats s = userStatsOf(key);
    return HAL_BTV_DelUserBtvStats(&s);
}

BtvEmRule emRuleOf(uint32_t n)
{
    BtvEmRule r{};
    r.pro = 17;
    r.dip = 0xE0000000U + n;
    r.sip = n % 2 == 0 ? 0 : 0x0A000000U + n;
    r.vlan = static_cast<uint16_t>(n % 3 == 0 ? 4097 : 100 + n);
    return r;
}
uint32_t emRuleSet(const Key &key, Output & /*out*/)
{
    const BtvEmRule r = emRuleOf(key.n());
    return HAL_BTV_SetEmStatsRule(1, &r);
}
uint32_t emRead(const Key &key, Output &out)
{
    const BtvEmRule r = emRuleOf(key.n());
    BtvEmResult res{0xAAAA, 0xBBBB};
    const uint32_t ret = HAL_BTV_GetEmStats(&r, &res);
    put(out, res);
    return ret;
}
uint32_t emRuleDel(const Key &key, Output & /*out*/)
{
    const BtvEmRule r = emRuleOf(key.n());
    return HAL_BTV_SetEmStatsRule(2 + key.n() % 2, &r);
}
uint32_t proPktQueRate(const Key &key, Output & /*out*/)
{
    return HAL_BTV_SetProPktQue(key.n(), 1, 2) | HAL_BTV_SetProPktRate(key.n(), 3, 4);
}

// ---- Port identity, chip port resolution, pre-configuration ---------------------------------

uint32_t identity(const Key &key, Output &out)
{
    const uint32_t ctp = pick(kFlowCtps, key.n() + 1);
    uint32_t type = 0xAAAA;
    uint16_t port = 0xBBBB;
    uint16_t back = 0xCCCC;
    uint32_t role = 0xDDDD;
    uint32_t gem = 0xEEEE;
    uint16_t bridge = 0xFFFF;
    uint32_t ret = HAL_Ctp2UserPort(ctp, &type, &port);
    ret = ret * 3 + HAL_UserPort2Ctp(type, port, &back);
    ret = ret * 3 + HAL_GetNetRole(ctp, &role);
    ret = ret * 3 + HAL_GetBCUCGemBgeById(ctp, &gem, &bridge);
    out.clear();
    append(out, type);
    append(out, port);
    append(out, back);
    append(out, role);
    append(out, gem);
    append(out, bridge);
    append(out, HAL_GetL2Flow(key.n(), ctp));
    return ret;
}
// The built-in lookups, which do not ask the registered hooks (except the
// net role, which asks the CTP hook).
uint32_t defaultIdentity(const Key &key, Output &out)
{
    const uint32_t ctp = key.n() % 16;
    uint32_t type = 0xAAAA;
    uint16_t port = 0xBBBB;
    uint16_t back = 0xCCCC;
    uint32_t role = 0xDDDD;
    uint32_t ret = HAL_DefaultGetPrototypeById(ctp, &type, &port);
    ret = ret * 3 + HAL_DefaultGetIdByPrototype(type, port, &back);
    ret = ret * 3 + HAL_DefaultGetNetRole(ctp, &role);
    out.clear();
    append(out, type);
    append(out, port);
    append(out, back);
    append(out, role);
    return ret;
}
uint32_t chipPort(const Key &key, Output &out)
{
    chip_port_s port{0xAAAA, 0xBBBB};
    const uint32_t ctp = pick(kFlowCtps, key.n() + 2);
    const uint32_t ret = CHIP_KALO_GetKaPortByCtp(ctp, &port);
    put(out, port);
    append(out, PDT_L2M_IsNni(ctp));
    return ret;
}
uint32_t preChipConfig(const Key & /*key*/, Output & /*out*/)
{
    return HAL_L2_PreChipConfig() | HAL_BTV_PreChipConfig();
}

// ---- Serialised: WAN statistics ------------------------------------------------------------------

// Three WAN connections per key: the first two share a VLAN (one driver
// counter), the third's VLAN is out of range (no entry); a fourth on VLAN 0.
uint32_t wanA(const Key &key) { return 1000 + key.k; }
uint32_t wanB(const Key &key) { return 2000 + key.k; }
uint32_t wanC(const Key &key) { return 3000 + key.k; }
uint32_t wanD(const Key &key) { return 4000 + key.k; }
uint32_t wanVlan(const Key &key) { return 400 + key.k; }

uint32_t wanAdd(const Key &key, Output & /*out*/) { return HAL_L3_AddWanStats(wanA(key), wanVlan(key), key.k % 8); }
uint32_t wanAddShared(const Key &key, Output & /*out*/) { return HAL_L3_AddWanStats(wanB(key), wanVlan(key), 1); }
uint32_t wanAddOutOfRange(const Key &key, Output & /*out*/) { return HAL_L3_AddWanStats(wanC(key), 4096 + key.k, 2); }
uint32_t wanAddVlan0(const Key &key, Output & /*out*/) { return HAL_L3_AddWanStats(wanD(key), 0, 3); }
uint32_t wanRead(const Key &key, Output &out)
{
    HAL_L3_WAN_STATS_S s{};
    const uint32_t ret = HAL_L3_GetWanStats(wanA(key), &s);
    put(out, s);
    return ret;
}
uint32_t wanReadVlan0(const Key &key, Output &out)
{
    HAL_L3_WAN_STATS_S s{};
    const uint32_t ret = HAL_L3_GetWanStats(wanD(key), &s);
    put(out, s);
    return ret;
}
uint32_t wanReadMissing(const Key &key, Output &out)
{
    HAL_L3_WAN_STATS_S s{};
    const uint32_t ret = HAL_L3_GetWanStats(wanC(key), &s);
    put(out, s);
    return ret;
}
uint32_t wanClearShared(const Key &key, Output & /*out*/) { return HAL_L3_ClearWanStats(wanB(key)); }
uint32_t wanDel(const Key &key, Output & /*out*/) { return HAL_L3_DelWanStats(wanA(key)); }
uint32_t wanDelShared(const Key &key, Output & /*out*/) { return HAL_L3_DelWanStats(wanB(key)); }
uint32_t wanDelVlan0(const Key &key, Output & /*out*/) { return HAL_L3_DelWanStats(wanD(key)); }
uint32_t wanDelMissing(const Key &key, Output & /*out*/) { return HAL_L3_DelWanStats(wanC(key)); }

// ---- Serialised: MAC filter ----------------------------------------------------------------------

HAL_L2_MAC_FILTER_S filterEntryOf(const Key &key)
{
    HAL_L2_MAC_FILTER_S e{};
    macOf(key.n(), 0x66, e.aucMac);
    e.uiIndex = 1 + key.k;
    return e;
}
uint32_t policyWhite(const Key & /*key*/, Output & /*out*/) { return HAL_L2_NotifyEthMacFilterMode(1); }
uint32_t policyBlack(const Key &key, Output & /*out*/) { return HAL_L2_NotifyEthMacFilterMode(key.k % 2 == 0 ? 0 : 7); }
uint32_t dropFlowOn(const Key & /*key*/, Output & /*out*/) { return HAL_L2_SetEthMacFilterModePDUFlow(1); }
uint32_t dropFlowOff(const Key & /*key*/, Output & /*out*/) { return HAL_L2_SetEthMacFilterModePDUFlow(2); }
uint32_t dropFlowOther(const Key &key, Output & /*out*/) { return HAL_L2_SetEthMacFilterModePDUFlow(3 + key.k); }
uint32_t dropFlowAdd(const Key & /*key*/, Output & /*out*/) { return HAL_L2_AddDefaultDropPDUFlow(); }
uint32_t dropFlowDelete(const Key & /*key*/, Output & /*out*/) { return HAL_L2_DeleteDefaultDropPDUFlow(); }
uint32_t filterFlowAdd(const Key &key, Output & /*out*/)
{
    const HAL_L2_MAC_FILTER_S e = filterEntryOf(key);
    return HAL_L2_AddEthMacFilterPDUFlow(&e);
}
uint32_t filterFlowDel(const Key &key, Output & /*out*/)
{
    const HAL_L2_MAC_FILTER_S e = filterEntryOf(key);
    return HAL_L2_DelEthMacFilterPDUFlow(&e);
}
uint32_t ethMask(const Key & /*key*/, Output &out)
{
    uint32_t mask = 0xAAAA;
    const uint32_t ret = HAL_L2_GetEthMask(&mask);
    put(out, mask);
    return ret;
}
uint32_t chipFilterAdd(const Key &key, Output & /*out*/)
{
    const HAL_L2_MAC_FILTER_S e = filterEntryOf(key);
    return HAL_L2_AddEthMacFilter(&e);
}
uint32_t chipFilterDel(const Key &key, Output & /*out*/)
{
    const HAL_L2_MAC_FILTER_S e = filterEntryOf(key);
    return HAL_L2_DelEthMacFilter(&e);
}
uint32_t chipFilterMode(const Key &key, Output & /*out*/) { return HAL_L2_SetEthMacFilterMode(key.k % 4); }
uint32_t chipFilterModeRead(const Key & /*key*/, Output &out)
{
    uint32_t mode = 0xAAAA;
    const uint32_t ret = HAL_L2_GetEthMacFilterMode(&mode);
    put(out, mode);
    return ret;
}

// ---- Serialised: chip debug command ---------------------------------------------------------------

uint32_t debugRegister(const Key &key, Output & /*out*/)
{
    char name[24] = "chip_kalo_dbg_x_long";
    name[14] = static_cast<char>('a' + key.k);
    return HAL_RegChipDebugCmdEntry(name, CHIP_KALO_dbg_cmd);
}
uint32_t debugLookup(const Key & /*key*/, Output &out)
{
    char *name = nullptr;
    HAL_DEBUG_CMD_FUNC handler = nullptr;
    const uint32_t ret = HAL_GetChipDebugCmdEntry(&name, &handler);
    out.assign(name, name + HAL_DEBUG_CMD_STR_LEN);
    out.push_back(handler == CHIP_KALO_dbg_cmd ? 1 : 0);
    return ret;
}
uint32_t debugCommand(const Key &key, Output & /*out*/)
{
    char shell[] = "Tarncmd";
    char chip[] = "chip_kalo";
    char any[] = "x";
    char dbg[] = "dbg";
    char on[] = "On";
    char off[] = "oFF";
    char *argv[] = {shell, chip, any, dbg, key.k % 2 == 0 ? on : off};
    return CHIP_KALO_dbg_cmd(key.k % 3 == 0 ? 3 : 5, argv);
}
uint32_t debugSwitchSet(const Key &key, Output & /*out*/) { return CHIP_KALO_CLI_DbgSwtSet(key.k * 5, 1); }
uint32_t debugSwitchGet(const Key &key, Output &out)
{
    put(out, CHIP_KALO_DbgSwitch);
    return CHIP_KALO_CLI_DbgSwtGet(key.k * 5);
}
uint32_t debugSwitchClear(const Key &key, Output & /*out*/) { return CHIP_KALO_CLI_DbgSwtSet(key.k * 5, 0); }
uint32_t debugUnregister(const Key & /*key*/, Output & /*out*/) { return HAL_RegChipDebugCmdEntry(nullptr, nullptr); }

}  // namespace

// Safe from any thread: these keep no state in the library, or keep it per
// key (the CAR record of an ACL id, the user counts of a multicast group),
// and every thread has keys of its own.
const Op kConcurrentOps[] = {
    // Service flows: the chip flow message lives on the caller's stack.
    {"add flow", addFlow, true},
    {"remove flow", delFlow, true},
    // Port isolation, PVID, broadcast table: no shared state.
    {"isolate port", isolatePort, true},
    {"isolation switch", isolationSwitch, false},
    {"set PVID", setPvid, true},
    {"add broadcast entry", addBcEntry, true},
    {"remove broadcast entry", delBcEntry, true},
    // TCI counters: no shared state; the read writes the caller's record.
    {"add TCI counter", addTci, true},
    {"read TCI counter", getTci, true},
    {"clear TCI counter", clearTci, true},
    {"remove TCI counter", delTci, true},
    // DSCP tables and bridge ports: no shared state.
    {"load DSCP table", loadDscp, true},
    {"unload DSCP table", unloadDscp, true},
    {"add bridge port", addBridgePort, true},
    {"remove bridge port", delBridgePort, true},
    // Traffic limits, with the uplink's broadcast limit repeated per user port.
    {"broadcast limit", bcLimit, true},
    {"unknown multicast limit", umcLimit, true},
    {"unknown unicast limit", uucLimit, true},
    // L3 interfaces and prefixes: stack records only.
    {"add L3 interface", l3IfAdd, true},
    {"set MTU", l3IfMtu, true},
    {"add prefix", prefixAdd, true},
    {"remove prefix", prefixDel, true},
    {"remove L3 interface", l3IfDel, true},
    // Policy routes and NAPT indications: no shared state.
    {"add policy route", policyRouteAdd, true},
    {"remove policy route", policyRouteDel, true},
    {"add NAPT indication", naptAdd, true},
    {"remove NAPT indication", naptDel, true},
    {"IPv4 session flag", sessionFlag, false},
    // MAC learning and aging, static entries, MAC table: no library state;
    // each table read has a buffer of its own.
    {"MAC learning state", macLearnState, false},
    {"port MAC limit", portMacLearnNum, true},
    {"MAC aging", macAge, true},
    {"MAC limit", macLearnNum, true},
    {"MAC learning mode", macLearnMode, false},
    {"port MAC learning state", portMacLearnState, true},
    {"remove port MACs", delPortMac, false},
    {"add static MAC", addStaticMac, true},
    {"remove static MAC", delStaticMac, true},
    {"read MAC table", macTable, true},
    // Protocol-packet ACL rules: the CAR record of an ACL id is the only
    // state, and each thread adds and removes its own ids.
    {"add ACL rule", aclAdd, true},
    {"remove ACL rule", aclDel, true},
    {"add ACL rule beyond the CAR table", aclAddNoCar, true},
    {"remove ACL rule beyond the CAR table", aclDelNoCar, true},
    // Diagnostic flows: no library state.
    {"DFX chip support", dfxChipSupport, false},
    {"DFX support", dfxSupport, false},
    {"add DFX flow", dfxAdd, true},
    {"switch DFX counting", dfxCountOn, true},
    {"read DFX counters", dfxCountRead, true},
    {"clear DFX counters", dfxCountClear, true},
    {"remove DFX flow", dfxDel, true},
    {"add DFX flow as a rule", dfxAddByRule, true},
    {"remove DFX flow by ACL id", dfxDelByAclId, true},
    // Multicast: forwarding mode and statistics keep no state; programs
    // and users touch only their own group's user counts.
    {"forwarding mode", forwardMode, false},
    {"add program", programAdd, true},
    {"add plain user", userAdd<kPlain>, true},
    {"add Wi-Fi user", userAdd<kWifiA>, true},
    {"add second Wi-Fi user", userAdd<kWifiB>, true},
    {"add up-mode user", userAdd<kUpMode>, true},
    {"remove second Wi-Fi user", userDel<kWifiB>, true},
    {"remove Wi-Fi user", userDel<kWifiA>, true},
    {"remove plain user", userDel<kPlain>, true},
    {"remove up-mode user", userDel<kUpMode>, true},
    {"remove program", programDel, true},
    {"add group counter", groupStatsAdd, true},
    {"clear group counter", groupStatsClear, true},
    {"read group counter", groupStatsRead, true},
    {"remove group counter", groupStatsDel, true},
    {"add user counter", userStatsAdd, true},
    {"clear user counter", userStatsClear, true},
    {"read user counter", userStatsRead, true},
    {"remove user counter", userStatsDel, true},
    {"set EM rule", emRuleSet, true},
    {"read EM counter", emRead, false},
    {"remove EM rule", emRuleDel, true},
    {"protocol queue and rate", proPktQueRate, false},
    // Lookups: the hooks were registered before any request; reads only.
    {"port identity", identity, true},
    {"built-in port identity", defaultIdentity, false},
    {"chip port of a CTP", chipPort, false},
    {"pre-configuration", preChipConfig, false},
};
const size_t kConcurrentOpCount = std::size(kConcurrentOps);

// Serialised by the host, run by one thread:
// - the WAN statistics list (and QX_IFM_WanStatsInit, run at start-up) has
//   no lock: every WAN statistics operation, of whatever wan id, walks or
//   changes it;
// - the MAC filter: the protocol-packet flows read and write the filter
//   policy and the default drop flag without a lock, and the host drives
//   the whole filter, the chip's entries and mode included, from one thread;
// - the chip debug command and switch word are plain globals used by the
//   host's shell.
// Not run while the workers run at all: family installation (the first call
// of a family fills its hook table and must not overlap any other call of
// the family) and port identity hook registration (a plain pointer store,
// made before the requests that use it) are done once by startUp.
const Op kSerialOps[] = {
    {"add WAN counter", wanAdd, true},
    {"add WAN counter sharing a VLAN", wanAddShared, true},
    {"add WAN counter out of range", wanAddOutOfRange, true},
    {"add WAN counter again", wanAdd, true},
    {"add WAN counter on VLAN 0", wanAddVlan0, true},
    {"read WAN counter", wanRead, true},
    {"read WAN counter on VLAN 0", wanReadVlan0, true},
    {"clear shared WAN counter", wanClearShared, true},
    {"read missing WAN counter", wanReadMissing, true},
    {"remove WAN counter", wanDel, true},
    {"remove shared WAN counter", wanDelShared, true},
    {"remove WAN counter on VLAN 0", wanDelVlan0, true},
    {"remove missing WAN counter", wanDelMissing, true},
    {"remove WAN counter again", wanDel, true},
    {"white-list policy", policyWhite, false},
    {"default drop flow on", dropFlowOn, false},
    {"default drop flow on again", dropFlowOn, false},
    {"add filter flow", filterFlowAdd, true},
    {"Ethernet mask", ethMask, false},
    {"remove filter flow", filterFlowDel, true},
    {"black-list policy", policyBlack, false},
    {"add dropping filter flow", filterFlowAdd, true},
    {"remove dropping filter flow", filterFlowDel, true},
    {"default drop flow off", dropFlowOff, false},
    {"other filter mode", dropFlowOther, false},
    {"add default drop flow", dropFlowAdd, false},
    {"delete default drop flow", dropFlowDelete, false},
    {"add chip filter entry", chipFilterAdd, true},
    {"set chip filter mode", chipFilterMode, false},
    {"read chip filter mode", chipFilterModeRead, false},
    {"remove chip filter entry", chipFilterDel, true},
    {"register debug command", debugRegister, true},
    {"look up debug command", debugLookup, true},
    {"debug command", debugCommand, true},
    {"set debug switch", debugSwitchSet, true},
    {"read debug switch", debugSwitchGet, true},
    {"clear debug switch", debugSwitchClear, true},
    {"unregister debug command", debugUnregister, false},
};
const size_t kSerialOpCount = std::size(kSerialOps);

void startUp()
{
    registerPortHooks();
    (void)HAL_L2_InitUser();
    (void)HAL_L3_InitUser();
    (void)HAL_BTV_InitUser();
    (void)QX_IFM_WanStatsInit();
}

}  // namespace stress
