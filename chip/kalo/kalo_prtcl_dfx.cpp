// Diagnostic (DFX) flows: the driver counts the frames of a port that match
// a protocol-packet rule's L4 ports and capture type. Added with their
// counting configuration; counting is switched, read and cleared by id.
#include "chip/kalo/kalo_codes.h"
#include "chip/kalo/kalo_prtcl.h"
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
using kalo::given;
using kalo::in;
using kalo::out;

// Capture types a DFX flow can count, and the driver's capture values.
struct DfxCapType {
    uint32_t capType;
    uint32_t value;
};
// clang-format off
constexpr DfxCapType kDfxCapTypes[] = {
    {2, 1},   {10, 40}, {49, 5},  {50, 6},  {5, 3},   {17, 4},  {29, 8},  {30, 9},  {31, 10},
    {32, 11}, {33, 12}, {34, 13}, {35, 14}, {36, 15}, {18, 16}, {19, 17}, {20, 18}, {21, 16},
};
// clang-format on
static_assert(std::size(kDfxCapTypes) == 18);

// Counting parameters the driver expects for every flow, after its id.
constexpr uint32_t kCntParams[] = {9, 5, 1, 8, 1, 0, 0};

constexpr uint32_t kChipTypeLastWithDfx = 14;  // chip types 1 to 14 count DFX flows
constexpr uint32_t kAnyPort = 0xFFFF;

bool isTcpOrUdp(uint32_t protocol) { return protocol == 6 || protocol == 17; }

// An L4 port of the rule and its valid word; the rule's protocol goes with
// it when it is TCP or UDP.
void takePort(uint32_t protocol, uint32_t port, DfxFlowMatch &m, uint32_t &valid, uint32_t &value, uint32_t &after)
{
    if (isTcpOrUdp(protocol)) {
        m.ip_proto_valid = 1;
        m.ip_proto = protocol;
    }
    valid = 1;
    value = port == 0 ? kAnyPort : port;
    after = 0;
}

}  // namespace

extern "C" {

// ---- Field getters ----------------------------------------------------------------

uint32_t PDT_L2M_DFX_PrtclPktL4SrcPortGet(uintptr_t ipProtocol, uintptr_t rule, uintptr_t flow, uintptr_t /*unused*/)
{
    if (given(ipProtocol, rule, flow)) {
        DfxFlowMatch &m = out<DfxFlowMatch>(flow);
        const auto &r = in<PrtclPktRule>(rule);
        takePort(in<uint32_t>(ipProtocol), r.uiL4SrcPort, m, m.sport_valid, m.sport, m.sport_rsv);
    }
    return 0;
}

uint32_t PDT_L2M_DFX_PrtclPktL4DestPortGet(uintptr_t ipProtocol, uintptr_t rule, uintptr_t flow, uintptr_t /*unused*/)
{
    if (given(ipProtocol, rule, flow)) {
        DfxFlowMatch &m = out<DfxFlowMatch>(flow);
        const auto &r = in<PrtclPktRule>(rule);
        takePort(in<uint32_t>(ipProtocol), r.uiL4DstPort, m, m.dport_valid, m.dport, m.dport_rsv);
    }
    return 0;
}

// Capture is switched on whether or not the type has a value; a type
// without one counts with value 0.
uint32_t PDT_L2M_DFX_PrtclPktCapTypeGet(uintptr_t capType, uintptr_t /*unused*/, uintptr_t flow, uintptr_t /*unused2*/)
{
    if (given(capType, flow)) {
        DfxFlowMatch &m = out<DfxFlowMatch>(flow);
        const uint32_t type = in<uint32_t>(capType);
        m.cap_valid = 1;
        for (const DfxCapType &row : kDfxCapTypes) {
            if (row.capType == type) {
                m.cap = row.value;
            }
        }
    }
    return 0;
}

uint32_t PDT_L2M_DFX_PrtclPktIpProtocolGet(uintptr_t ipProtocol, uintptr_t /*unused*/, uintptr_t flow,
                                           uintptr_t /*unused2*/)
{
    if (given(ipProtocol, flow)) {
        DfxFlowMatch &m = out<DfxFlowMatch>(flow);
        m.ip_proto_valid = 1;
        m.ip_proto = in<uint32_t>(ipProtocol);
    }
    return 0;
}

// ---- Translation ------------------------------------------------------------------

uint32_t PDT_L2M_PrtclPktRuleTransDfx(uint32_t portType, uint32_t portId, const PrtclPktRule *rule, DfxFlowRecord *flow)
{
    if (rule == nullptr || flow == nullptr) {
        return HAL_ERR;
    }
    const PrtclPktRule &r = *rule;
    DfxFlowMatch &m = flow->m;
    const auto has = [&r](uint32_t bit) -> uint32_t { return (r.uiFieldFlags & bit) != 0 ? 1 : 0; };
    // clang-format off
    const FieldRow rows[] = {
        // enable, getter, source, auxiliary, destination, second destination
        {r.uiDfxDirection == kalo::kPduIngress ? 1U : 0U, PDT_L2M_PrtclPktIngressGet, addr(portType), addr(portId), addr(m.direction), addr(m.in_port)},
        {r.uiDfxDirection == kalo::kPduEgress ? 1U : 0U, PDT_L2M_PrtclPktEgressGet, addr(portType), addr(portId), addr(m.direction), addr(m.out_port)},
        {has(HAL_PRTCL_FIELD_L4_SRC_PORT), PDT_L2M_DFX_PrtclPktL4SrcPortGet, addr(r.uiIpProtocol), addr(r), addr(m), 0},
        {has(HAL_PRTCL_FIELD_L4_DST_PORT), PDT_L2M_DFX_PrtclPktL4DestPortGet, addr(r.uiIpProtocol), addr(r), addr(m), 0},
        {has(HAL_PRTCL_FIELD_CAP_TYPE), PDT_L2M_DFX_PrtclPktCapTypeGet, addr(r.uiCapType), 0, addr(m), 0},
    };
    // clang-format on
    kalo::runFieldRows(rows);
    return 0;
}

uint32_t PDT_L2M_PrtclPktAclToDfxFlow(uint32_t flowId, uint32_t portType, uint32_t portId, const PrtclPktRule *rule,
                                      uint32_t ruleClass, const PrtclPktAction * /*action*/, DfxFlowRecord *flow)
{
    if (rule == nullptr || flow == nullptr) {
        return HAL_ERR;
    }
    hal::clearRecord(*flow);
    flow->flow_id = flowId;
    flow->m.rule_class = ruleClass;
    (void)PDT_L2M_PrtclPktRuleTransDfx(portType, portId, rule, flow);
    return 0;
}

// ---- Operations -------------------------------------------------------------------

uint32_t CHIP_KALO_IsDfxChipSupport(uint32_t *support)
{
    if (support == nullptr) {
        return HAL_ERR;
    }
    uint32_t chipType = 0;
    if (QX_DM_ChipGetAttr(0, kalo::kChipAttrType, sizeof(chipType), &chipType) != 0 ||
        chipType == kalo::kChipTypeUnread) {
        return HAL_ERR;
    }
    *support = chipType >= 1 && chipType <= kChipTypeLastWithDfx ? 1 : 0;
    return 0;
}

uint32_t CHIP_KALO_DfxFlowAdd(uint32_t flowId, uint32_t portType, uint32_t portId, const PrtclPktRule *rule,
                              uint32_t ruleClass, const PrtclPktAction *action)
{
    if (rule == nullptr || action == nullptr) {
        lastWord(1513, HAL_ERR);
        return HAL_ERR;
    }
    if (!kalo::isPduPortType(portType)) {
        lastWord(1518, HAL_ERR, flowId, portType, portId, ruleClass);
        return HAL_ERR;
    }
    DfxFlowCntConfig counting{flowId, {}};
    std::copy(std::begin(kCntParams), std::end(kCntParams), std::begin(counting.param));
    PDT_L2M_PrtclPktAclPrint();
    DfxFlowRecord flow;  // cleared by the translation
    (void)PDT_L2M_PrtclPktAclToDfxFlow(flowId, portType, portId, rule, ruleClass, action, &flow);

    uint32_t ret = hal::sendRequest<Cmd::DFX_ADD_FLOW>(flow);
    if (ret != 0) {
        lastWord(1540, ret, flowId, portType, portId, ruleClass);
        return ret;
    }
    // The flow stays in the driver when its counting cannot be configured.
    ret = hal::sendRequest<Cmd::DFX_SET_CNT>(counting);
    if (ret != 0) {
        lastWord(1547, action->uiAction, ret);
    }
    return ret;
}

uint32_t CHIP_KALO_DfxFlowDel(uint32_t flowId)
{
    const uint32_t ret = hal::sendWord<Cmd::DFX_DEL_FLOW>(flowId);
    if (ret != 0) {
        lastWord(1563, ret, flowId);
    }
    return ret;
}

uint32_t CHIP_KALO_DfxFlowCntEnable(uint32_t flowId, uint32_t enable)
{
    DfxFlowCntSwitch req{flowId, enable};
    const uint32_t ret = hal::sendRequest<Cmd::DFX_SWITCH_CNT>(req);
    if (ret != 0) {
        lastWord(1583, ret, flowId);
    }
    return ret;
}

// The counters are the driver's; they reach the host record unchanged, and
// only when the read succeeded.
uint32_t CHIP_KALO_DfxFlowCntGet(uint32_t flowId, HAL_DFX_FLOW_CNT_S *counters)
{
    if (counters == nullptr) {
        lastWord(1601, HAL_ERR_NULL_PTR, flowId);
        return HAL_ERR_NULL_PTR;
    }
    HAL_DFX_FLOW_CNT_S reply{};
    const uint32_t ret = hal::sendWord<Cmd::DFX_GET_CNT>(flowId, reply);
    if (ret != 0) {
        lastWord(1601, ret, flowId);
        return ret;
    }
    *counters = reply;
    return 0;
}

uint32_t CHIP_KALO_DfxFlowCntClr(uint32_t flowId)
{
    const uint32_t ret = hal::sendWord<Cmd::DFX_CLR_CNT>(flowId);
    if (ret != 0) {
        lastWord(1622, ret, flowId);
    }
    return ret;
}

}  // extern "C"
