/* Chip adaptation layer of the ONT network stack: the host-facing C API. */
#ifndef HAL_NETWORK_ADPT_H
#define HAL_NETWORK_ADPT_H

#include "hal_network_adpt/hal_btv.h"
#include "hal_network_adpt/hal_l2.h"
#include "hal_network_adpt/hal_l3.h"
#include "hal_network_adpt/hal_types.h"

#endif
