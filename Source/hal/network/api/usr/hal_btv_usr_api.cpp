// Multicast TV entry points and their install function.
#include "chip/kalo/kalo_reg.h"
#include "hal_network_adpt.h"
#include "platform/hook.h"

namespace {

template <typename... Args>
uint32_t btvDispatch(unsigned slot, Args... args)
{
    return hal::dispatch<HAL_BTV_InitUser>(g_HalBtvHookList, slot, args...);
}

}  // namespace

extern "C" {

HAL_HOOK_FUNC g_HalBtvHookList[HAL_BTV_HOOK_NUM];
uint32_t g_HalBtvHookInstalled;

uint32_t HAL_BTV_InitUser(void)
{
    if (g_HalBtvHookInstalled != 0) {
        return 0;
    }
    hal::clearTable(g_HalBtvHookList);
    // Only the user-count allocation of CHIP_Register_Btv can fail; the
    // family then stays uninstalled and the next call tries again.
    uint32_t ret = CHIP_Register_Btv();
    if (ret != 0) {
        return ret;
    }
    ret = CHIP_Register_BtvEm();
    if (ret == 0) {
        g_HalBtvHookInstalled = 1;
    }
    return ret;
}

uint32_t HAL_CHIP_Btv_PreInit(void) { return 0; }
uint32_t HAL_BTV_PreChipConfig(void) { return HAL_CHIP_Btv_PreInit(); }

uint32_t HAL_BTV_SetEmStatsRule(uint32_t act, const BtvEmRule *rule)
{
    return btvDispatch(HAL_BTV_SLOT_SET_EM_STATS_RULE, act, rule);
}
uint32_t HAL_BTV_GetEmStats(const BtvEmRule *rule, BtvEmResult *result)
{
    return btvDispatch(HAL_BTV_SLOT_GET_EM_STATS, rule, result);
}
uint32_t HAL_BTV_SetProPktQue(uint32_t a, uint32_t b, uint32_t c)
{
    return btvDispatch(HAL_BTV_SLOT_SET_PRO_PKT_QUE, a, b, c);
}
uint32_t HAL_BTV_SetProPktRate(uint32_t a, uint32_t b, uint32_t c)
{
    return btvDispatch(HAL_BTV_SLOT_SET_PRO_PKT_RATE, a, b, c);
}
uint32_t HAL_BTV_SetMultiForwardMode(uint32_t mode) { return btvDispatch(HAL_BTV_SLOT_SET_MULTI_FORWARD_MODE, mode); }
uint32_t HAL_BTV_AddProgramTable(const BtvProgram *program)
{
    return btvDispatch(HAL_BTV_SLOT_ADD_PROGRAM_TABLE, program);
}
uint32_t HAL_BTV_DelProgramTable(const BtvProgram *program)
{
    return btvDispatch(HAL_BTV_SLOT_DEL_PROGRAM_TABLE, program);
}
uint32_t HAL_BTV_AddProgramUsr(const BtvProgramUser *user) { return btvDispatch(HAL_BTV_SLOT_ADD_PROGRAM_USR, user); }
uint32_t HAL_BTV_DelProgramUsr(const BtvProgramUser *user) { return btvDispatch(HAL_BTV_SLOT_DEL_PROGRAM_USR, user); }
uint32_t HAL_BTV_AddBtvStats(const BtvStats *stats) { return btvDispatch(HAL_BTV_SLOT_ADD_BTV_STATS, stats); }
uint32_t HAL_BTV_DelBtvStats(const BtvStats *stats) { return btvDispatch(HAL_BTV_SLOT_DEL_BTV_STATS, stats); }
uint32_t HAL_BTV_ClearBtvStats(const BtvStats *stats) { return btvDispatch(HAL_BTV_SLOT_CLEAR_BTV_STATS, stats); }
uint32_t HAL_BTV_GetBtvStats(BtvStats *stats) { return btvDispatch(HAL_BTV_SLOT_GET_BTV_STATS, stats); }
uint32_t HAL_BTV_AddUserBtvStats(const BtvUserStats *stats)
{
    return btvDispatch(HAL_BTV_SLOT_ADD_USER_BTV_STATS, stats);
}
uint32_t HAL_BTV_DelUserBtvStats(const BtvUserStats *stats)
{
    return btvDispatch(HAL_BTV_SLOT_DEL_USER_BTV_STATS, stats);
}
uint32_t HAL_BTV_ClearUserBtvStats(const BtvUserStats *stats)
{
    return btvDispatch(HAL_BTV_SLOT_CLEAR_USER_BTV_STATS, stats);
}
uint32_t HAL_BTV_GetBtvUserStats(BtvUserStats *stats) { return btvDispatch(HAL_BTV_SLOT_GET_BTV_USER_STATS, stats); }

}  // extern "C"
