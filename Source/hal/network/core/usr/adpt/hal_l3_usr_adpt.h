/* Layer-3 share of the HAL entry layer: the IPv4 session flag read. */
#ifndef HAL_L3_USR_ADPT_H
#define HAL_L3_USR_ADPT_H

#include <stdint.h>

#include "hal_network_adpt/hal_types.h"

HAL_EXTERN_C_BEGIN

/* Writes the configured IPv4 session flag (0 when it cannot be read). */
HAL_API uint32_t PDT_IFM_GetIpv4SessionFlag(uint32_t *flag);

HAL_EXTERN_C_END

#endif
