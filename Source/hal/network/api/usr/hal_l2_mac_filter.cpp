// Protocol-packet flows of the Ethernet MAC filter: one flow per filter
// entry, matching its source MAC on every user-side Ethernet port, and in
// white-list mode a default flow that drops everything else there. The
// host drives them from one thread; the policy and the default flow's state
// are plain words.
#include <algorithm>

#include "chip/kalo/kalo_codes.h"
#include "chip/kalo/kalo_common.h"
#include "chip/kalo/kalo_prtcl_rec.h"
#include "hal_network_adpt.h"
#include "platform/clear.h"
#include "platform/diag.h"
#include "platform/hlp_cmd.h"
#include "platform/hlp_send.h"

HAL_DIAG_SOURCE("Source/hal/network/api/usr/hal_l2_usr_api", hal::kModuleL2);

namespace {

using hal::hlp::Cmd;

constexpr uint32_t kDefaultDropFlowId = 10000;  // filter entry i has flow 10000 + i
constexpr uint32_t kRuleClassDefaultDrop = 6;
constexpr uint32_t kRuleClassMacFilter = 7;
constexpr uint32_t kChipActionPass = 0;
constexpr uint32_t kChipActionDrop = 1;
constexpr uint32_t kPolicyWhiteList = 1;
constexpr uint32_t kModeInstallDrop = 1;
constexpr uint32_t kModeRemoveDrop = 2;

uint32_t macFilterPolicy;  // 0 black list, 1 white list
uint32_t isFlowCreated;    // 1 while the default drop flow is installed

// A flow on the user-side Ethernet ports of mask, ingress.
PduFlowRecord ethFlow(uint32_t flowId, uint32_t ruleClass, uint32_t mask, uint32_t action)
{
    auto flow = hal::cleared<PduFlowRecord>();
    flow.flow_id = flowId;
    flow.uiRuleClass = ruleClass;
    flow.match.direction = kalo::kPduIngress;
    flow.match.port = {kalo::kPortEth, mask};
    flow.action = action;
    return flow;
}

uint32_t flowIdOf(const HAL_L2_MAC_FILTER_S &entry) { return kDefaultDropFlowId + entry.uiIndex; }

}  // namespace

extern "C" {

uint32_t HAL_L2_GetEthMask(uint32_t *mask)
{
    if (mask == nullptr) {
        lastWord(670, HAL_ERR_NULL_PTR);
        return HAL_ERR_NULL_PTR;
    }
    uint32_t ports = 0;
    const uint32_t ret = QX_DM_PDGetAttr(kalo::kDevAttrUserPortCount, sizeof(ports), &ports);
    if (ret != 0) {
        lastWord(670, ret);
        return ret;
    }
    uint32_t bits = 0;
    for (uint32_t userPort = 1; userPort <= ports && userPort != 0; ++userPort) {
        if (!kalo::isNetworkSideEthPort(userPort)) {
            bits |= kalo::ethPortBit(userPort);
        }
    }
    *mask = bits;
    return 0;
}

uint32_t HAL_L2_NotifyEthMacFilterMode(uint32_t policy)
{
    macFilterPolicy = policy;
    HAL_TRACE(653, "macFilterPolicy=%d [0,BALCK][1,WHITE]\n", policy);
    return 0;
}

uint32_t HAL_L2_SetEthMacFilterModePDUFlow(uint32_t mode)
{
    HAL_TRACE(819, "policy=%d, isFlowCreated=%d\n", mode, isFlowCreated);
    if (mode == kModeInstallDrop && isFlowCreated == 0) {
        return HAL_L2_AddDefaultDropPDUFlow();
    }
    if (mode == kModeRemoveDrop && isFlowCreated != 0) {
        return HAL_L2_DeleteDefaultDropPDUFlow();
    }
    return 0;
}

uint32_t HAL_L2_AddDefaultDropPDUFlow(void)
{
    uint32_t mask = 0;
    uint32_t ret = HAL_L2_GetEthMask(&mask);
    if (ret != 0) {
        HAL_TRACE(766, "Get EthMask error\n");
        return ret;
    }
    PduFlowRecord flow = ethFlow(kDefaultDropFlowId, kRuleClassDefaultDrop, mask, kChipActionDrop);
    ret = hal::sendRequest<Cmd::PDU_ADD_FLOW>(flow);
    if (ret != 0) {
        lastWord(782, ret, kDefaultDropFlowId);
        return ret;
    }
    isFlowCreated = 1;
    HAL_TRACE(785, "add flowId=%d ethMask=%d success!\n", kDefaultDropFlowId, mask);
    return 0;
}

uint32_t HAL_L2_DeleteDefaultDropPDUFlow(void)
{
    const uint32_t ret = hal::sendWord<Cmd::PDU_DEL_FLOW>(kDefaultDropFlowId);
    if (ret != 0) {
        lastWord(802, ret, kDefaultDropFlowId);
        return ret;
    }
    isFlowCreated = 0;
    HAL_TRACE(805, "del flowId=%d success!\n", kDefaultDropFlowId);
    return 0;
}

// The entry's flow passes its MAC in white-list mode and drops it
// otherwise, as the policy stands when the flow is added.
uint32_t HAL_L2_AddEthMacFilterPDUFlow(const HAL_L2_MAC_FILTER_S *entry)
{
    if (entry == nullptr) {
        lastWord(725, HAL_ERR_NULL_PTR);
        return HAL_ERR_NULL_PTR;
    }
    uint32_t mask = 0;
    uint32_t ret = HAL_L2_GetEthMask(&mask);
    if (ret != 0) {
        HAL_TRACE(702, "Get EthMask error\n");
        return ret;
    }
    HAL_TRACE(707, "macFilterPolicy=%d,ethMask=%d\n", macFilterPolicy, mask);
    const uint32_t flowId = flowIdOf(*entry);
    const uint32_t action = macFilterPolicy == kPolicyWhiteList ? kChipActionPass : kChipActionDrop;
    PduFlowRecord flow = ethFlow(flowId, kRuleClassMacFilter, mask, action);
    flow.match.mac1.valid = 1;
    std::copy(std::begin(entry->aucMac), std::end(entry->aucMac), std::begin(flow.match.mac1.addr.mac));
    ret = hal::sendRequest<Cmd::PDU_ADD_FLOW>(flow);
    if (ret != 0) {
        lastWord(725, ret, flowId);
        return ret;
    }
    HAL_TRACE(727, "add flowId=%d success!\n", flowId);
    return 0;
}

uint32_t HAL_L2_DelEthMacFilterPDUFlow(const HAL_L2_MAC_FILTER_S *entry)
{
    if (entry == nullptr) {
        lastWord(746, HAL_ERR_NULL_PTR);
        return HAL_ERR_NULL_PTR;
    }
    const uint32_t flowId = flowIdOf(*entry);
    HAL_TRACE(742, "del flowId=%d\n", flowId);
    const uint32_t ret = hal::sendWord<Cmd::PDU_DEL_FLOW>(flowId);
    if (ret != 0) {
        lastWord(746, ret, flowId);
        return ret;
    }
    HAL_TRACE(748, "del flowId=%d success!\n", flowId);
    return 0;
}

}  // extern "C"
