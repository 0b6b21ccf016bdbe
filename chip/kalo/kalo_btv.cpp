// Multicast TV chip adapter: registration and the user-count array.
#include "kalo_btv.h"

#include "diag.h"
#include "hook.h"
#include "kalo_reg.h"

HAL_DIAG_SOURCE("kalo_btv", hal::kModuleBtv);

extern "C" {

BtvUserNumEntry *g_pusBTV_USER_NUM;

uint32_t CHIP_KALO_SetProPktQue(uint32_t, uint32_t, uint32_t) { return 0; }
uint32_t CHIP_KALO_SetProPktRate(uint32_t, uint32_t, uint32_t) { return 0; }

uint32_t CHIP_Register_Btv(void)
{
    constexpr uint32_t kBytes = HAL_BTV_GROUP_NUM * sizeof(BtvUserNumEntry);
    static_assert(kBytes == 4080);

    g_pusBTV_USER_NUM = nullptr;
    void *mem = QX_OS_MemMallocD(kBytes);
    if (mem == nullptr) {
        lastWord(844, 0, HAL_BTV_GROUP_NUM);
        return HAL_ERR;
    }
    auto *entries = static_cast<BtvUserNumEntry *>(mem);
    for (uint32_t i = 0; i < HAL_BTV_GROUP_NUM; ++i) {
        entries[i] = BtvUserNumEntry{};
    }
    g_pusBTV_USER_NUM = entries;

    HAL_HOOK_FUNC *const t = g_HalBtvHookList;
    hal::setSlot<&HAL_BTV_SetProPktQue>(t, HAL_BTV_SLOT_SET_PRO_PKT_QUE, &CHIP_KALO_SetProPktQue);
    hal::setSlot<&HAL_BTV_SetProPktRate>(t, HAL_BTV_SLOT_SET_PRO_PKT_RATE, &CHIP_KALO_SetProPktRate);
    return 0;
}

}  // extern "C"
