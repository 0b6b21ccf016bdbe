// Multicast TV entry points and their install function.
#include "chip/kalo/kalo_hooks.h"
#include "hal_network_adpt.h"
#include "platform/hook.h"

namespace {

template <auto Entry, typename... Args>
uint32_t btv(Args... args)
{
    return hal::dispatch<kalo::kBtvHooks, Entry>(args...);
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

uint32_t HAL_BTV_SetEmStatsRule(uint32_t act, const BtvEmRule *rule) { return btv<&HAL_BTV_SetEmStatsRule>(act, rule); }
uint32_t HAL_BTV_GetEmStats(const BtvEmRule *rule, BtvEmResult *result)
{
    return btv<&HAL_BTV_GetEmStats>(rule, result);
}
uint32_t HAL_BTV_SetProPktQue(uint32_t a, uint32_t b, uint32_t c) { return btv<&HAL_BTV_SetProPktQue>(a, b, c); }
uint32_t HAL_BTV_SetProPktRate(uint32_t a, uint32_t b, uint32_t c) { return btv<&HAL_BTV_SetProPktRate>(a, b, c); }
uint32_t HAL_BTV_SetMultiForwardMode(uint32_t mode) { return btv<&HAL_BTV_SetMultiForwardMode>(mode); }
uint32_t HAL_BTV_AddProgramTable(const BtvProgram *program) { return btv<&HAL_BTV_AddProgramTable>(program); }
uint32_t HAL_BTV_DelProgramTable(const BtvProgram *program) { return btv<&HAL_BTV_DelProgramTable>(program); }
uint32_t HAL_BTV_AddProgramUsr(const BtvProgramUser *user) { return btv<&HAL_BTV_AddProgramUsr>(user); }
uint32_t HAL_BTV_DelProgramUsr(const BtvProgramUser *user) { return btv<&HAL_BTV_DelProgramUsr>(user); }
uint32_t HAL_BTV_AddBtvStats(const BtvStats *stats) { return btv<&HAL_BTV_AddBtvStats>(stats); }
uint32_t HAL_BTV_DelBtvStats(const BtvStats *stats) { return btv<&HAL_BTV_DelBtvStats>(stats); }
uint32_t HAL_BTV_ClearBtvStats(const BtvStats *stats) { return btv<&HAL_BTV_ClearBtvStats>(stats); }
uint32_t HAL_BTV_GetBtvStats(BtvStats *stats) { return btv<&HAL_BTV_GetBtvStats>(stats); }
uint32_t HAL_BTV_AddUserBtvStats(const BtvUserStats *stats) { return btv<&HAL_BTV_AddUserBtvStats>(stats); }
uint32_t HAL_BTV_DelUserBtvStats(const BtvUserStats *stats) { return btv<&HAL_BTV_DelUserBtvStats>(stats); }
uint32_t HAL_BTV_ClearUserBtvStats(const BtvUserStats *stats) { return btv<&HAL_BTV_ClearUserBtvStats>(stats); }
uint32_t HAL_BTV_GetBtvUserStats(BtvUserStats *stats) { return btv<&HAL_BTV_GetBtvUserStats>(stats); }

}  // extern "C"
