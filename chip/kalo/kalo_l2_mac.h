/* MAC management chip adapter. */
#ifndef CHIP_KALO_KALO_L2_MAC_H
#define CHIP_KALO_KALO_L2_MAC_H

#include <stdint.h>

#include "hal_network_adpt/hal_l2.h"

HAL_EXTERN_C_BEGIN

/* Flushing the MAC entries of one port is not offered by this chip: the
 * request is accepted and nothing is done. */
HAL_API uint32_t CHIP_KALO_DelPortMac(uint32_t value);

HAL_EXTERN_C_END

#endif
