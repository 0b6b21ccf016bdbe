/* Registration of the chip adapter into the hook tables: each function
 * writes the slots of its area. */
#ifndef CHIP_KALO_KALO_REG_H
#define CHIP_KALO_KALO_REG_H

#include <stdint.h>

#include "hal_network_adpt/hal_types.h"

HAL_EXTERN_C_BEGIN

HAL_API uint32_t CHIP_Register_L3(void);
HAL_API uint32_t CHIP_Register_L2(void);
HAL_API uint32_t CHIP_Register_L2Mac(void);
HAL_API uint32_t CHIP_Register_Pdu(void);
HAL_API uint32_t CHIP_Register_Btv(void);
HAL_API uint32_t CHIP_Register_BtvEm(void);

HAL_EXTERN_C_END

#endif
