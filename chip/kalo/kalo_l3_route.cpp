// Policy routes and NAPT indications: the host's rules steering routed
// traffic, translated into chip records and sent as one HLP command each.
#include <cstring>

#include "chip/kalo/kalo_l3.h"
#include "hal_network_adpt.h"
#include "platform/clear.h"
#include "platform/diag.h"
#include "platform/hlp_cmd.h"
#include "platform/hlp_send.h"

HAL_DIAG_SOURCE("kalo_l3", hal::kModuleL3);

namespace {

constexpr uint32_t kNoRouteTable = 0xFFFFFFFFU;

// Chip action by host action (Act 0 to 4).
constexpr uint32_t kChipAct[] = {0, 2, 3, 4, 1};
constexpr uint32_t kActMax = sizeof(kChipAct) / sizeof(kChipAct[0]) - 1;
// With IPv4 sessions configured, an IPv4 route without action goes to the
// chip as action 2.
constexpr uint32_t kSessionChipAct = 2;

// Chip family code by host family selector; others are 0.
constexpr uint32_t kChipFamily[] = {4, 5};

constexpr uint32_t kChipPortBits = 32;
constexpr uint32_t kNaptFamilyV4 = 0;

uint32_t tableIdOf(uint32_t routeTable) { return routeTable == kNoRouteTable ? 0 : routeTable; }

// Bytes of an address word as they lie in memory, for the traces.
struct AddrBytes {
    uint8_t b[4];
};
AddrBytes bytesOf(uint32_t word)
{
    AddrBytes out{};
    std::memcpy(out.b, &word, sizeof(out.b));
    return out;
}

// The address word stored from four bytes as they lie in memory.
uint32_t wordOf(const uint8_t (&bytes)[4])
{
    uint32_t w = 0;
    std::memcpy(&w, bytes, sizeof(w));
    return w;
}

// Result of the ingress CTP scan: ok, or the failure code to record.
struct ScanResult {
    bool ok;
    uint32_t code;
};

// The ingress CTP ids follow the fixed part of the host record; the count is
// the host's array length (bounded by HAL_L3_POLICY_ROUTE_CTP_MAX).
uint32_t ctpIdAt(const HAL_L3_POLICY_ROUTE_S *rule, uint32_t i)
{
    const auto *ids = reinterpret_cast<const uint8_t *>(rule) + HAL_L3_POLICY_ROUTE_CTP_OFFSET;
    uint32_t id = 0;
    std::memcpy(&id, ids + static_cast<size_t>(i) * sizeof(id), sizeof(id));
    return id;
}

// Collects the chip ports of the rule's Ethernet user CTPs into the ingress
// mask. Network-side CTPs are skipped; the first other non-Ethernet CTP ends
// the scan, or fails it when it is the only CTP.
ScanResult scanIngressPorts(const HAL_L3_POLICY_ROUTE_S *rule, chip_route_s &route)
{
    if (rule->uiCtpNum > HAL_L3_POLICY_ROUTE_CTP_MAX) {
        return {false, HAL_ERR};
    }
    uint32_t portType = kalo::kCtpUnknown;
    uint16_t userPort = 0;
    uint32_t chipPort = 0;
    for (uint32_t i = 0; i < rule->uiCtpNum; ++i) {
        const uint32_t ctpId = ctpIdAt(rule, i) & 0xFFFFU;
        uint32_t ret = HAL_Ctp2UserPort(ctpId, &portType, &userPort);
        if (ret != 0) {
            lastWord(1253, ret, ctpId);
            return {false, ret};
        }
        uint16_t ctp = 0;
        uint32_t netRole = kalo::kNetRoleUnset;
        const uint32_t ctpRet = HAL_UserPort2Ctp(portType, userPort, &ctp);
        const uint32_t roleRet = HAL_GetNetRole(ctp, &netRole);
        if (ctpRet == 0 && roleRet == 0 && netRole == HAL_NET_ROLE_NNI) {
            continue;
        }
        if (portType != kalo::kCtpEth) {
            if (rule->uiCtpNum == 1) {
                return {false, HAL_ERR};
            }
            break;
        }
        route.ingress_type = kalo::kRouteIngressByPort;
        ret = QX_DM_TopoGetKaPortByUserPort(userPort, &chipPort);
        if (ret != 0) {
            lastWord(1266, ret, userPort, chipPort);
            return {false, ret};
        }
        if (chipPort < kChipPortBits) {
            route.ingress_mask |= 1U << chipPort;
        }
    }
    return {true, 0};
}

// The destination prefix, the part of the record both the NAPT add and the
// delete send.
void fillNaptDip(const HAL_L3_NAPT_IND_S &ind, chip_napt_ind_s &rec)
{
    rec.dip.ip_ver = kalo::kIpVerV4;
    rec.dip.ip[0] = ind.uiDip[0];
    rec.dip.mask = static_cast<uint16_t>(PDT_ROUTE_GetMaskLen(ind.uiMask));
}

// The values of the record trace of the NAPT add and delete, in the order
// of their formats.
struct NaptTrace {
    uint32_t table_id, l3_if_mode, l3_if_id, dip0, dip1, dip2, dip3, mask, session;
};
NaptTrace naptTrace(const chip_napt_ind_s &rec)
{
    const AddrBytes dip = bytesOf(rec.dip.ip[0]);
    return {rec.table_id, rec.l3_if_mode, rec.l3_if_id, dip.b[0],   dip.b[1],
            dip.b[2],     dip.b[3],       rec.dip.mask, rec.session};
}

}  // namespace

extern "C" {

uint32_t PDT_ROUTE_AdaptPolicyRoute(chip_route_s *route, const HAL_L3_POLICY_ROUTE_S *rule)
{
    if (route == nullptr || rule == nullptr) {
        return HAL_ERR;
    }
    if (rule->uiAct > kActMax) {
        lastWord(1325, rule->uiAct);
        return HAL_ERR;
    }
    uint32_t sessionFlag = 0;
    (void)PDT_IFM_GetIpv4SessionFlag(&sessionFlag);
    if (sessionFlag == 1 && rule->uiAct == 0 && rule->uiFamily == 0) {
        route->act = kSessionChipAct;
    } else {
        route->act = kChipAct[rule->uiAct];
    }

    if ((rule->uiMatchMask & HAL_L3_ROUTE_MATCH_TAG_NUM) != 0) {
        route->tag_num_mode = 1;
    }
    route->tag_num = rule->uiTagNum;
    if ((rule->uiMatchMask & HAL_L3_ROUTE_MATCH_VLAN) != 0 && rule->uiVlan != 0) {
        route->svlan = rule->uiVlan;
        route->svlan_mode = 1;
    }
    if ((rule->uiMatchMask & HAL_L3_ROUTE_MATCH_SIP) != 0) {
        route->sip_mode = 1;
    }
    // The source address goes down whatever the match mask says.
    route->sip.ip_ver = kalo::kIpVerV4;
    route->sip.ip[0] = wordOf(rule->aucSrcIp);
    route->sip.mask = static_cast<uint16_t>(PDT_ROUTE_GetMaskLen(rule->uiIpMask));

    route->family = rule->uiFamily < sizeof(kChipFamily) / sizeof(kChipFamily[0]) ? kChipFamily[rule->uiFamily] : 0;
    route->table_id = tableIdOf(rule->uiRouteID);
    return 0;
}

uint32_t CHIP_KALO_AddPolicyRoute(uint32_t ruleId, const HAL_L3_POLICY_ROUTE_S *rule)
{
    if (rule == nullptr) {
        lastWord(1401, HAL_ERR_NULL_PTR);
        return HAL_ERR_NULL_PTR;
    }
    auto req = hal::cleared<chip_route_req_s>();
    HAL_TRACE(1410,
              "enter PDT_ROUTE_AddPolicyRoute!RuleId = %d, RouteID = %d, MatchMask = %d, TagNum = %d, vlan = %d \n "
              "SrcIp: %d.%d.%d.%d, IpMask = %d \n",
              ruleId, rule->uiRouteID, rule->uiMatchMask, rule->uiTagNum, rule->uiVlan, rule->aucSrcIp[0],
              rule->aucSrcIp[1], rule->aucSrcIp[2], rule->aucSrcIp[3], rule->uiIpMask);
    HAL_TRACE(1412, "Act:%d , 1 is ToRoute , 2 is ToNapt \n   CtpNum:%d \n", rule->uiAct, rule->uiCtpNum);

    if (rule->uiCtpNum != 0) {
        const ScanResult scan = scanIngressPorts(rule, req.route);
        if (!scan.ok) {
            // The route is not installed, and the caller is not told.
            HAL_TRACE(1417, "pstRule->uiCtpNum:%d \n", rule->uiCtpNum);
            lastWord(1419, scan.code, rule->uiCtpNum, req.route.ingress_mask, req.route.ingress_type);
            return 0;
        }
    }

    req.route.route_param = rule->uiRouteParam;
    uint32_t ret = PDT_ROUTE_AdaptPolicyRoute(&req.route, rule);
    if (ret != 0) {
        lastWord(1428, ret);
        return ret;
    }
    req.route_id = ruleId;
    const AddrBytes sip = bytesOf(req.route.sip.ip[0]);
    HAL_TRACE(1441,
              "Hlp config info\n route_id:%d ingress_type:%d tag_num:%d svlan_mode:%d  svlan:%d\nsip_mode:%d  "
              "sip_ver:%d  sip:%d.%d.%d.%d  act:%d  table_id:%d",
              req.route_id, req.route.ingress_type, req.route.tag_num, req.route.svlan_mode, req.route.svlan,
              req.route.sip_mode, req.route.sip.ip_ver, sip.b[0], sip.b[1], sip.b[2], sip.b[3], req.route.act,
              req.route.table_id);
    ret = hal::sendRequest<hal::hlp::Cmd::L3_ADD_POLICY_ROUTE>(req);
    if (ret != 0) {
        lastWord(1445, ret, ruleId);
        return ret;
    }
    return 0;
}

uint32_t CHIP_KALO_DelPolicyRoute(uint32_t ruleId)
{
    HAL_TRACE(1472, "enter PDT_ROUTE_DelPolicyRoute!uiRuleId = %d \n", ruleId);
    const uint32_t ret = hal::sendWord<hal::hlp::Cmd::L3_DEL_POLICY_ROUTE>(ruleId);
    if (ret != 0) {
        lastWord(1476, ret, ruleId);
        return ret;
    }
    return 0;
}

uint32_t CHIP_KALO_AddNaptIndication(uint32_t ruleId, const HAL_L3_NAPT_IND_S *ind)
{
    if (ind == nullptr) {
        lastWord(1503, HAL_ERR_NULL_PTR);
        return HAL_ERR_NULL_PTR;
    }
    auto rec = hal::cleared<chip_napt_ind_s>();
    HAL_TRACE(1512,
              "enter PDT_NAPT_AddNaptIndication!RuleId = %u, uiFamily = %u, uiRouteTblID = %u\nuiOutIfIndex = %u, "
              "uiDip[0] = %u uiMask = %u, uiIsToNapt = %u \n",
              ruleId, ind->uiFamily, ind->uiRouteTblID, ind->uiOutIfIndex, ind->uiDip[0], ind->uiMask, ind->uiIsToNapt);
    if (ind->uiFamily != kNaptFamilyV4) {
        lastWord(1516, HAL_ERR, ind->uiFamily);
        return HAL_ERR;
    }
    rec.table_id = tableIdOf(ind->uiRouteTblID);
    rec.l3_if_mode = ind->uiOutIfIndex != 0 ? 1 : 0;
    rec.l3_if_id = ind->uiOutIfIndex;
    rec.session = ind->uiIsToNapt == 1 ? 1 : 0;
    fillNaptDip(*ind, rec);
    const NaptTrace t = naptTrace(rec);
    HAL_TRACE(1546, "   \n table_id:%u l3_if_mode:%u l3_if_id:%u dip:%u.%u.%u.%u  mask:%u  session:%u\n", t.table_id,
              t.l3_if_mode, t.l3_if_id, t.dip0, t.dip1, t.dip2, t.dip3, t.mask, t.session);
    rec.rule_id = ruleId;
    const uint32_t ret = hal::sendRequest<hal::hlp::Cmd::L3_ADD_NAPT_IND>(rec);
    if (ret != 0) {
        lastWord(1552, ret, ruleId, ruleId);
    }
    return ret;
}

uint32_t CHIP_KALO_DelNaptIndication(uint32_t ruleId, const HAL_L3_NAPT_IND_S *ind)
{
    if (ind == nullptr) {
        lastWord(1579, HAL_ERR_NULL_PTR);
        return HAL_ERR_NULL_PTR;
    }
    auto rec = hal::cleared<chip_napt_ind_s>();
    HAL_TRACE(1588,
              "enter PDT_NAPT_DelNaptIndication!RuleId = %u, uiFamily = %u, uiRouteTblID = %u\nuiOutIfIndex = %u, "
              "uiDip[0] = %u uiMask = %u, uiIsToNapt = %u \n",
              ruleId, ind->uiFamily, ind->uiRouteTblID, ind->uiOutIfIndex, ind->uiDip[0], ind->uiMask, ind->uiIsToNapt);
    if (ind->uiFamily != kNaptFamilyV4) {
        lastWord(1591, HAL_ERR, ind->uiFamily);
        return HAL_ERR;
    }
    // The delete names the destination prefix only.
    fillNaptDip(*ind, rec);
    const NaptTrace t = naptTrace(rec);
    HAL_TRACE(1606,
              "   PDT_NAPT_DelNaptIndication\n table_id:%u l3_if_mode:%u l3_if_id:%u dip:%u.%u.%u.%u  mask:%u  "
              "session:%u\n",
              t.table_id, t.l3_if_mode, t.l3_if_id, t.dip0, t.dip1, t.dip2, t.dip3, t.mask, t.session);
    rec.rule_id = ruleId;
    const uint32_t ret = hal::sendRequest<hal::hlp::Cmd::L3_DEL_NAPT_IND>(rec);
    if (ret != 0) {
        lastWord(1611, ret, ruleId);
    }
    return ret;
}

}  // extern "C"
