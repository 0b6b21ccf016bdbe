// Layer-2 service flows: the flows a terminal sets up for an Internet VLAN
// on an Ethernet port, an IPTV multicast VLAN on the ANI side, and their
// removal.
#include "hal_network_adpt.h"
#include "host.h"
#include "scenario.h"

namespace halsim {

namespace {

// The ANI multicast CTP of the terminal and its GEM port and bridge.
constexpr uint32_t kAniMcCtp = 12;

uint32_t ctpOfTerminal(uint32_t ctpId, uint32_t *type, uint16_t *userPort)
{
    if (ctpId == kAniMcCtp) {
        if (type != nullptr) {
            *type = 10;
        }
        if (userPort != nullptr) {
            *userPort = 1;
        }
        return 0;
    }
    return HAL_DefaultGetPrototypeById(ctpId, type, userPort);
}

uint32_t gemOfTerminal(uint32_t ctpId, uint32_t *gemPort, uint16_t *bridgeId)
{
    if (ctpId != kAniMcCtp) {
        return 1;
    }
    *gemPort = 4095;
    *bridgeId = 2;
    return 0;
}

// Internet service on Ethernet port 1: untagged frames get VLAN 100
// upstream, and lose it downstream.
HAL_L2_FLOW_S internetFlow()
{
    HAL_L2_FLOW_S f{};
    f.FlowId = 1;
    f.CtpId = 1;
    f.BridgeId = 1;
    f.FlowDirection = 0;
    f.stInRule.tagNum = 0;
    f.stInTreat.vlanTreat[0] = 2;
    f.stInTreat.priTreat[0] = 1;
    f.stInTreat.treatInfo[0].vlanID = 100;
    f.stInTreat.treatInfo[0].pri = 0;
    f.stOutRule.tagNum = 1;
    f.stOutRule.vlanFilter[0] = 1;
    f.stOutRule.filterInfo[0].vlanID = 100;
    f.stOutTreat.vlanTreat[0] = 5;
    return f;
}

// IPTV multicast VLAN 300 arriving on the ANI multicast GEM port.
HAL_L2_FLOW_S multicastFlow()
{
    HAL_L2_FLOW_S f{};
    f.FlowId = 20;
    f.CtpId = kAniMcCtp;
    f.BridgeId = 2;
    f.FlowDirection = 1;
    f.stInRule.tagNum = 1;
    f.stInRule.vlanFilter[0] = 1;
    f.stInRule.filterInfo[0].vlanID = 300;
    return f;
}

}  // namespace

void addL2Steps(std::vector<Step> &steps)
{
    steps.push_back({"HAL_L2_AddFlow(internet VLAN 100 on CTP 1, both directions)", [] {
                         const HAL_L2_FLOW_S f = internetFlow();
                         return HAL_L2_AddFlow(&f);
                     }});
    steps.push_back({"HAL_L2_AddFlow(downstream only, dump on)", [] {
                         host().traceFlags[582] = 1;
                         HAL_L2_FLOW_S f = internetFlow();
                         f.FlowId = 2;
                         f.FlowDirection = 2;
                         const uint32_t ret = HAL_L2_AddFlow(&f);
                         host().traceFlags[582] = 0;
                         return ret;
                     }});
    steps.push_back({"HAL_L2_AddFlow(IPTV VLAN 300 on the ANI multicast CTP, multicast VLAN tag on)", [] {
                         HAL_RegCtp2UserPortFunc(ctpOfTerminal);
                         HAL_RegGetBCUCGemBgeByIdFunc(gemOfTerminal);
                         host().features["FT_MULTICAST_VLAN_TAG"] = 1;
                         const HAL_L2_FLOW_S f = multicastFlow();
                         return HAL_L2_AddFlow(&f);
                     }});
    steps.push_back({"HAL_L2_DelFlow(IPTV flow 20)", [] {
                         const HAL_L2_FLOW_S f = multicastFlow();
                         return HAL_L2_DelFlow(&f);
                     }});
    steps.push_back({"HAL_L2_DelFlow(internet flow 1)", [] {
                         const HAL_L2_FLOW_S f = internetFlow();
                         return HAL_L2_DelFlow(&f);
                     }});
    steps.push_back({"HAL_L2_AddFlow(flow on an unknown CTP 40)", [] {
                         HAL_L2_FLOW_S f = internetFlow();
                         f.CtpId = 40;
                         return HAL_L2_AddFlow(&f);
                     }});
}

}  // namespace halsim
