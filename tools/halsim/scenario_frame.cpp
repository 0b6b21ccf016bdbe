// The frame: family installation, port identity and the debug command.
#include <cstdio>

#include "chip/kalo/kalo_dbg.h"
#include "hal_network_adpt.h"
#include "scenario.h"

namespace halsim {

namespace {

uint32_t debugCommand(const char *word)
{
    char a0[] = "Tarncmd";
    char a1[] = "chip_kalo";
    char a2[] = "kalo";
    char a3[] = "dbg";
    char a4[8];
    std::snprintf(a4, sizeof(a4), "%s", word);
    char *argv[] = {a0, a1, a2, a3, a4};
    return CHIP_KALO_dbg_cmd(5, argv);
}

}  // namespace

void addFrameSteps(std::vector<Step> &steps)
{
    steps.push_back({"HAL_L3_InitUser()", [] { return HAL_L3_InitUser(); }});
    steps.push_back({"HAL_L2_InitUser()", [] { return HAL_L2_InitUser(); }});
    steps.push_back({"HAL_BTV_InitUser()", [] { return HAL_BTV_InitUser(); }});
    steps.push_back({"HAL_L2_PreChipConfig()", [] { return HAL_L2_PreChipConfig(); }});
    steps.push_back({"HAL_BTV_SetProPktQue(1, 2, 3)", [] { return HAL_BTV_SetProPktQue(1, 2, 3); }});
    steps.push_back({"HAL_L2_DelPortMac(4)", [] { return HAL_L2_DelPortMac(4); }});
    steps.push_back({"HAL_DFX_IsSupport()", [] { return HAL_DFX_IsSupport(); }});
    steps.push_back({"HAL_PDU_PrtclPktAclDel(7)", [] { return HAL_PDU_PrtclPktAclDel(7); }});
    steps.push_back({"HAL_Ctp2UserPort(5, &type, &port)", [] {
                         uint32_t type = 0xFF;
                         uint16_t port = 0xFF;
                         return HAL_Ctp2UserPort(5, &type, &port);
                     }});
    steps.push_back({"HAL_GetNetRole(9, &role)", [] {
                         uint32_t role = 0xFF;
                         return HAL_GetNetRole(9, &role);
                     }});
    steps.push_back({"HAL_RegChipDebugCmdEntry(\"chip_kalo\", CHIP_KALO_dbg_cmd)",
                     [] { return HAL_RegChipDebugCmdEntry("chip_kalo", CHIP_KALO_dbg_cmd); }});
    steps.push_back({"Tarncmd chip_kalo kalo dbg on", [] { return debugCommand("on"); }});
}

}  // namespace halsim
