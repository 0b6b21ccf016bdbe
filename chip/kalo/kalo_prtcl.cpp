// Protocol-packet ACL rules: translation of a host rule into the chip's
// protocol-packet flow record through the descriptor table, installation
// with an optional CAR rate limit, and removal.
#include "chip/kalo/kalo_prtcl.h"

#include "chip/kalo/kalo_hooks.h"
#include "chip/kalo/kalo_prtcl_rows.h"
#include "platform/clear.h"
#include "platform/diag.h"
#include "platform/hlp_cmd.h"
#include "platform/hlp_send.h"

HAL_DIAG_SOURCE("kalo_prtcl", hal::kModuleL2);

namespace {

using hal::hlp::Cmd;
using kalo::addr;
using kalo::FieldRow;

// The ACL ids that can have a CAR profile: one entry each in pduFlowCarRecord.
constexpr uint32_t kLastCarAclId = HAL_PDU_CAR_RECORD_NUM - 1;

constexpr uint32_t kPriorityNone = 8;  // a rule priority from 8 on sets none
constexpr uint32_t kActionFirst = 1;   // host actions 1 to 4 are chip actions 0 to 3
constexpr uint32_t kActionLast = 4;

}  // namespace

extern "C" {

PduFlowCarEntry pduFlowCarRecord[HAL_PDU_CAR_RECORD_NUM];

uint32_t CHIP_Register_Pdu(void)
{
    hal::registerHooks<kalo::kL2Hooks, &CHIP_Register_Pdu>();
    // No ACL has a CAR profile bound before the first rule is installed.
    for (PduFlowCarEntry &entry : pduFlowCarRecord) {
        entry = PduFlowCarEntry{};
    }
    return 0;
}

// ---- Translation ------------------------------------------------------------------

void PDT_L2M_PrtclPktAclPrint(void) {}

uint32_t PDT_L2M_PrtclPktRuleTrans(uint32_t portType, uint32_t portId, const PrtclPktRule *rule, PduMatch *match)
{
    if (rule == nullptr || match == nullptr) {
        return HAL_ERR;
    }
    const PrtclPktRule &r = *rule;
    PduMatch &m = *match;
    const auto has = [&r](uint32_t bits) -> uint32_t { return (r.uiFieldFlags & bits) == bits ? 1 : 0; };
    const uint32_t qualifierOnly =
        has(HAL_PRTCL_FIELD_IP_VER_QUALIFIER) != 0 && has(HAL_PRTCL_FIELD_IP_VERSION) == 0 ? 1 : 0;
    const uint32_t anyPort = has(HAL_PRTCL_FIELD_L4_SRC_PORT) | has(HAL_PRTCL_FIELD_L4_DST_PORT);
    // clang-format off
    const FieldRow rows[] = {
        // enable, getter, source, auxiliary, destination, second destination
        {1, PDT_L2M_PrtclPktIngressGet, addr(portType), addr(portId), addr(m.direction), addr(m.port)},
        {has(HAL_PRTCL_FIELD_MAC1), PDT_L2M_PrtclPktMacGet, addr(r.aucMac1), addr(r.aucMac1Mask), addr(m.mac1.addr), addr(m.mac1.valid)},
        {has(HAL_PRTCL_FIELD_MAC2), PDT_L2M_PrtclPktMacGet, addr(r.aucMac2), addr(r.aucMac2Mask), addr(m.mac2.addr), addr(m.mac2.valid)},
        {has(HAL_PRTCL_FIELD_SVLAN), PDT_L2M_PrtclPktSvlanGet, addr(r.uiSvlan), 0, addr(m.svlan), addr(m.svlan_valid)},
        {has(HAL_PRTCL_FIELD_IP_PROTOCOL), PDT_L2M_PrtclPktIpProtocolGet, addr(r.uiIpProtocol), 0, addr(m.match.value), addr(m.match.kind)},
        {has(HAL_PRTCL_FIELD_SRC_IP), PDT_L2M_PrtclPktIp4AddrGet, addr(r.uiSrcIp), addr(r.uiSrcIpMask), addr(m.sip.ip), addr(m.sip.valid)},
        {has(HAL_PRTCL_FIELD_SRC_IPV6), PDT_L2M_PrtclPktIp6AddrGet, addr(r.aucSrcIpv6), addr(r.aucSrcIpv6Mask), addr(m.sip.ip), addr(m.sip.valid)},
        {has(HAL_PRTCL_FIELD_DST_IP), PDT_L2M_PrtclPktIp4AddrGet, addr(r.uiDstIp), addr(r.uiDstIpMask), addr(m.dip.ip), addr(m.dip.valid)},
        {has(HAL_PRTCL_FIELD_DST_IPV6), PDT_L2M_PrtclPktIp6AddrGet, addr(r.aucDstIpv6), addr(r.aucDstIpv6Mask), addr(m.dip.ip), addr(m.dip.valid)},
        {has(HAL_PRTCL_FIELD_IP_VERSION | HAL_PRTCL_FIELD_IP_VER_QUALIFIER), PDT_L2M_PrtclPktIpVersionGet, addr(r.uiIpVersion), addr(r.uiIpVerQualifier), addr(m.ip_ver), addr(m.ip_ver_valid)},
        {qualifierOnly, PDT_L2M_PrtclPktIpVerNoIpPpGet, addr(r.uiIpVerQualifier), 0, addr(m.ip_ver), addr(m.ip_ver_valid)},
        {anyPort, PDT_L2M_PrtclPktL4PortGet, addr(r.uiIpProtocol), addr(r), addr(m.match.value), addr(m.match.kind)},
        {has(HAL_PRTCL_FIELD_CAP_TYPE), PDT_L2M_PrtclPktCapTypeGet, addr(r.uiCapType), 0, addr(m.match), 0},
        {has(HAL_PRTCL_FIELD_ETH_TYPE), PDT_L2M_PrtclPktETHTypeGet, addr(r.uiEthType), 0, addr(m.match), 0},
        {has(HAL_PRTCL_FIELD_ICMPV6_TYPE), PDT_L2M_PrtclPktICMPV6TypeGet, addr(r.ucIcmpv6Type), 0, addr(m.match), 0},
        {has(HAL_PRTCL_FIELD_TUNNEL_TYPE), PDT_L2M_PrtclPktTunnelType, addr(r.uiTunnelType), 0, addr(m.tunnel_valid), addr(m.tunnel_type)},
        {has(HAL_PRTCL_FIELD_IP_VER_QUALIFIER | HAL_PRTCL_FIELD_TCP_FLAG), PDT_L2M_PrtclPktTcpFlagGet, addr(r.usTcpFlag), addr(r.uiIpVerQualifier), addr(m), 0},
        {has(HAL_PRTCL_FIELD_IPLENF), PDT_L2M_PrtclPktIPLENFGet, addr(r.uiIpLenF), 0, addr(m), 0},
        {has(HAL_PRTCL_FIELD_ARP_TARGET), PDT_L2M_PrtclPktArpDestIP, addr(r.uiArpTargetIp), addr(r.uiArpTargetMask), addr(m), 0},
        {has(HAL_PRTCL_FIELD_IPV6_NEXT_HEADER), PDT_L2M_PrtclPktIPv6NextHeader, addr(r.ucIpv6NextHeader), 0, addr(m.match), 0},
        {has(HAL_PRTCL_FIELD_PPPOE_PROTOCOL), PDT_L2M_PrtclPktPppoeProtocl, addr(r.uiPppoeProtocol), 0, addr(m.match), 0},
        {has(HAL_PRTCL_FIELD_DST_L3IF), PDT_L2M_PrtclPktDstL3IF, addr(r.uiDstL3If), 0, addr(m.dst_l3if), addr(m.dst_l3if_valid)},
        {has(HAL_PRTCL_FIELD_VLAN_NUM), PDT_L2M_PrtclPktVlanNum, addr(r.uiVlanNum), 0, addr(m.vlan_num), addr(m.vlan_num_valid)},
    };
    // clang-format on
    static_assert(std::size(rows) == 23);
    kalo::runFieldRows(rows);
    return 0;
}

uint32_t PDT_L2M_PrtclPktAclToFlow(uint32_t flowId, uint32_t portType, uint32_t portId, const PrtclPktRule *rule,
                                   uint32_t ruleClass, const PrtclPktAction *action, PduFlowRecord *flow)
{
    if (rule == nullptr || action == nullptr || flow == nullptr) {
        return HAL_ERR;
    }
    hal::clearRecord(*flow);
    flow->flow_id = flowId;
    flow->uiRuleClass = ruleClass;
    (void)PDT_L2M_PrtclPktRuleTrans(portType, portId, rule, &flow->match);
    if (action->uiPriority < kPriorityNone) {
        flow->pri_valid = 1;
        flow->pri = action->uiPriority;
    }
    if (action->uiAction >= kActionFirst && action->uiAction <= kActionLast) {
        flow->action = action->uiAction - kActionFirst;
    }
    return 0;
}

// ---- Installation -----------------------------------------------------------------

void PDT_L2M_GetPduCarInfo(const PrtclPktAction *action, uint32_t aclId, PduCarRequest *car)
{
    if (action == nullptr || car == nullptr) {
        return;
    }
    car->car_id = aclId;
    for (uint32_t &rate : car->rate) {
        rate = action->uiCarRate;
    }
    car->flag = 1;
}

uint32_t CHIP_KALO_PrtclPktAclAdd(uint32_t aclId, uint32_t portType, uint32_t portId, const PrtclPktRule *rule,
                                  uint32_t ruleClass, const PrtclPktAction *action)
{
    if (rule == nullptr || action == nullptr) {
        lastWord(1373, HAL_ERR);
        return HAL_ERR;
    }
    if (!kalo::isPduPortType(portType)) {
        lastWord(1378, HAL_ERR, aclId, portType, portId, ruleClass);
        return HAL_ERR;
    }
    PDT_L2M_PrtclPktAclPrint();
    PduFlowRecord flow;  // cleared by the translation
    (void)PDT_L2M_PrtclPktAclToFlow(aclId, portType, portId, rule, ruleClass, action, &flow);
    uint32_t ret = hal::sendRequest<Cmd::PDU_ADD_FLOW>(flow);
    if (ret != 0) {
        lastWord(1392, ret, aclId, portType, portId, ruleClass);
        return ret;
    }

    // Without a rate, or beyond the ids the CAR table holds, the rule stays
    // installed without a CAR.
    const uint32_t rate = action->uiCarRate;
    if (rate == 0 || aclId > kLastCarAclId) {
        lastWord(1399, rate);
        return 0;
    }
    // The entry is in use from here on, so that a delete releases whatever
    // the driver made of the profile.
    pduFlowCarRecord[aclId] = PduFlowCarEntry{1, aclId, rate};
    auto car = hal::cleared<PduCarRequest>();
    PDT_L2M_GetPduCarInfo(action, aclId, &car);
    ret = hal::sendRequest<Cmd::PDU_ADD_CAR>(car);
    if (ret != 0) {
        lastWord(1412, ret);
        return ret;
    }
    PduCarBind bind{car.car_id, aclId};
    ret = hal::sendRequest<Cmd::PDU_BIND_CAR>(bind);
    if (ret != 0) {
        lastWord(1422, ret);
    }
    return ret;
}

uint32_t CHIP_KALO_PrtclPktAclDel(uint32_t aclId)
{
    uint32_t ret = 0;
    if (aclId <= kLastCarAclId && pduFlowCarRecord[aclId].uiInUse != 0) {
        PduFlowCarEntry &entry = pduFlowCarRecord[aclId];
        ret = hal::sendWord<Cmd::PDU_UNBIND_CAR>(aclId);
        if (ret != 0) {
            lastWord(1461, ret, aclId);
            return ret;
        }
        entry.uiInUse = 0;
        ret = hal::sendWord<Cmd::PDU_DEL_CAR>(entry.uiFlowId);
        if (ret != 0) {
            lastWord(1469, ret, entry.uiFlowId);
            return ret;
        }
    }
    ret = hal::sendWord<Cmd::PDU_DEL_FLOW>(aclId);
    if (ret != 0) {
        lastWord(1479, ret, aclId);
    }
    return ret;
}

}  // extern "C"
