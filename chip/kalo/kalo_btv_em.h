/* Multicast EM statistics chip adapter: one rule matching a multicast
 * stream by addresses and VLAN, and its octet counter. */
#ifndef CHIP_KALO_KALO_BTV_EM_H
#define CHIP_KALO_KALO_BTV_EM_H

#include <stdint.h>

#include "hal_network_adpt/hal_btv.h"

HAL_EXTERN_C_BEGIN

/* act 1 sets the rule, any other act removes it. */
HAL_API uint32_t CHIP_KALO_SetBtvEmStatsRule(uint32_t act, const BtvEmRule *rule);
HAL_API uint32_t CHIP_KALO_GetBtvEmStats(const BtvEmRule *rule, BtvEmResult *result);

HAL_EXTERN_C_END

#endif
