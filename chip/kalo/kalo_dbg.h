/* Chip debug command and debug switch word, offered to the host's shell. */
#ifndef CHIP_KALO_KALO_DBG_H
#define CHIP_KALO_KALO_DBG_H

#include <stdint.h>

#include "hal_network_adpt/hal_types.h"

HAL_EXTERN_C_BEGIN

extern HAL_API uint32_t CHIP_KALO_DbgSwitch;

HAL_API uint32_t CHIP_KALO_dbg_cmd(uint32_t argc, char **argv);
HAL_API uint32_t CHIP_KALO_TARN_cmd_dbg(uint32_t count, char **args);
HAL_API void CHIP_KALO_cmd_usage(void);
HAL_API uint32_t CHIP_KALO_CLI_DbgSwtSet(uint32_t bit, uint32_t on);
HAL_API uint32_t CHIP_KALO_CLI_DbgSwtGet(uint32_t bit);

HAL_EXTERN_C_END

#endif
