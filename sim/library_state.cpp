#include "library_state.h"

#include <cstring>

#include "chip/kalo/kalo_dbg.h"
#include "chip/kalo/kalo_l3.h"
#include "hal_network_adpt.h"
#include "host.h"
#include "platform/qx_host.h"

namespace halsim {

void resetLibrary()
{
    g_HalL3HookInstalled = 0;
    g_HalL2HookInstalled = 0;
    g_HalBtvHookInstalled = 0;
    std::memset(g_HalL3HookList, 0, sizeof(g_HalL3HookList));
    std::memset(g_HalL2HookList, 0, sizeof(g_HalL2HookList));
    std::memset(g_HalBtvHookList, 0, sizeof(g_HalBtvHookList));
    std::memset(pduFlowCarRecord, 0, sizeof(pduFlowCarRecord));
    if (g_pusBTV_USER_NUM != nullptr) {
        QX_OS_MemFreeD(g_pusBTV_USER_NUM);
        g_pusBTV_USER_NUM = nullptr;
    }
    HAL_RegCtp2UserPortFunc(nullptr);
    HAL_RegUserPort2CtpFunc(nullptr);
    HAL_RegGetNniRoleFunc(nullptr);
    HAL_RegGetBCUCGemBgeByIdFunc(nullptr);
    HAL_RegGetL2FlowFunc(nullptr);
    HAL_RegChipDebugCmdEntry(nullptr, nullptr);
    CHIP_KALO_DbgSwitch = 0;
    QX_IFM_WAN_STATS_S *const wanHead = QX_IFM_WanStatsGet();
    while (wanHead->next != wanHead) {
        QX_IFM_WanStatsFree(wanHead->next);
    }
    (void)QX_IFM_WanStatsInit();
    // The MAC filter's policy and default drop flow, through the library's
    // own functions, before a host that accepts every command.
    host().reset();
    (void)HAL_L2_SetEthMacFilterModePDUFlow(2);
    (void)HAL_L2_NotifyEthMacFilterMode(0);
}

}  // namespace halsim
