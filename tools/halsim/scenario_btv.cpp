// Multicast TV: a set-top box joins two channels on the IPTV VLAN, a phone
// on Wi-Fi joins one of them, the operator reads the channel counters, and
// everybody leaves again.
#include <cstdio>
#include <cstring>

#include "hal_network_adpt.h"
#include "scenario.h"

namespace halsim {

namespace {

BtvProgram channel(uint32_t group, uint16_t vlan, uint8_t last)
{
    BtvProgram p{};
    p.uiMcastGroupID = group;
    p.usOrigMvlan = vlan;
    p.usReplMvlan = vlan;
    const uint8_t mac[6] = {0x01, 0x00, 0x5e, 0x0a, 0x00, last};
    std::memcpy(p.mac, mac, sizeof(mac));
    return p;
}

BtvProgramUser viewer(uint16_t ctp, uint16_t flow, uint32_t wifi, const BtvProgram &p)
{
    BtvProgramUser u{};
    u.usCtp = ctp;
    u.usFlowId = flow;
    u.uiIsWifi = wifi;
    u.stProgram = p;
    return u;
}

uint32_t counts(uint32_t group, uint32_t ret)
{
    if (g_pusBTV_USER_NUM != nullptr && group < HAL_BTV_GROUP_NUM) {
        note("group %u: %u users, %u Wi-Fi users", group, g_pusBTV_USER_NUM[group].usUserNum,
             g_pusBTV_USER_NUM[group].usWifiUserNum);
    }
    return ret;
}

}  // namespace

void addBtvSteps(std::vector<Step> &steps)
{
    static const BtvProgram news = channel(3, 1000, 3);
    static const BtvProgram sport = channel(4, 0, 4);
    static const BtvProgramUser stb = viewer(1, 11, 0, news);
    static const BtvProgramUser phone1 = viewer(20, 21, 1, sport);
    static const BtvProgramUser phone2 = viewer(20, 22, 1, sport);

    steps.push_back({"HAL_BTV_SetMultiForwardMode(0)", [] { return HAL_BTV_SetMultiForwardMode(0); }});
    steps.push_back({"HAL_BTV_SetMultiForwardMode(3) (out of range)", [] { return HAL_BTV_SetMultiForwardMode(3); }});
    steps.push_back({"HAL_BTV_AddProgramTable(group 3, VLAN 1000)", [] { return HAL_BTV_AddProgramTable(&news); }});
    steps.push_back({"HAL_BTV_AddProgramTable(group 4, untagged)", [] { return HAL_BTV_AddProgramTable(&sport); }});
    steps.push_back(
        {"HAL_BTV_AddProgramUsr(set-top box, group 3)", [] { return counts(3, HAL_BTV_AddProgramUsr(&stb)); }});
    steps.push_back(
        {"HAL_BTV_AddProgramUsr(Wi-Fi phone 1, group 4)", [] { return counts(4, HAL_BTV_AddProgramUsr(&phone1)); }});
    steps.push_back({"HAL_BTV_AddProgramUsr(Wi-Fi phone 2, group 4) (shares the entry)",
                     [] { return counts(4, HAL_BTV_AddProgramUsr(&phone2)); }});
    steps.push_back({"HAL_BTV_AddBtvStats(group 3)", [] {
                         const BtvStats s{3, 0, 0, 0};
                         return HAL_BTV_AddBtvStats(&s);
                     }});
    steps.push_back({"HAL_BTV_GetBtvStats(group 3)", [] {
                         BtvStats s{3, 0, 0, 0};
                         const uint32_t ret = HAL_BTV_GetBtvStats(&s);
                         note("frames %u, octets 0x%x:%08x", s.RcvFrame, s.RcvPktOcts_H, s.RcvPktOcts_L);
                         return ret;
                     }});
    steps.push_back({"HAL_BTV_SetEmStatsRule(1, dip 224.10.0.3, any source, VLAN 1000)", [] {
                         const BtvEmRule r{17, {}, 0xE00A0003, 0, 1000, 0};
                         return HAL_BTV_SetEmStatsRule(1, &r);
                     }});
    steps.push_back(
        {"HAL_BTV_DelProgramUsr(Wi-Fi phone 1, group 4)", [] { return counts(4, HAL_BTV_DelProgramUsr(&phone1)); }});
    steps.push_back({"HAL_BTV_DelProgramUsr(Wi-Fi phone 2, group 4) (last one)",
                     [] { return counts(4, HAL_BTV_DelProgramUsr(&phone2)); }});
    steps.push_back({"HAL_BTV_DelProgramTable(group 3) (resets its counts)",
                     [] { return counts(3, HAL_BTV_DelProgramTable(&news)); }});
}

}  // namespace halsim
