/* Multicast TV chip adapter: programs, program users, group and user
 * statistics. */
#ifndef CHIP_KALO_KALO_BTV_H
#define CHIP_KALO_KALO_BTV_H

#include <stdint.h>

#include "hal_network_adpt/hal_btv.h"

HAL_EXTERN_C_BEGIN

/* Queue and rate settings of multicast protocol packets: not used by this
 * chip; they accept anything and change nothing. */
HAL_API uint32_t CHIP_KALO_SetProPktQue(uint32_t a, uint32_t b, uint32_t c);
HAL_API uint32_t CHIP_KALO_SetProPktRate(uint32_t a, uint32_t b, uint32_t c);

HAL_EXTERN_C_END

#endif
