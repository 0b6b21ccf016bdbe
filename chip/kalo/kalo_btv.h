/* Multicast TV chip adapter: forwarding mode, programs, program users and
 * their counts, group and user statistics. */
#ifndef CHIP_KALO_KALO_BTV_H
#define CHIP_KALO_KALO_BTV_H

#include <stdint.h>

#include "hal_network_adpt/hal_btv.h"

HAL_EXTERN_C_BEGIN

/* Queue and rate settings of multicast protocol packets: not used by this
 * chip; they accept anything and change nothing. */
HAL_API uint32_t CHIP_KALO_SetProPktQue(uint32_t a, uint32_t b, uint32_t c);
HAL_API uint32_t CHIP_KALO_SetProPktRate(uint32_t a, uint32_t b, uint32_t c);

/* Forwarding mode 0 to 2; anything above is refused with 0xF7300001. */
HAL_API uint32_t CHIP_KALO_SetMultiForwardMode(uint32_t mode);

/* Program table. Both answer 0 for any present record: driver refusals are
 * only traced and recorded. A refused add is retried once after a delete;
 * a delete resets the group's user counts. */
HAL_API uint32_t CHIP_KALO_AddProgramTable(const BtvProgram *program);
HAL_API uint32_t CHIP_KALO_DelProgramTable(const BtvProgram *program);

/* Program users, counted per group in g_pusBTV_USER_NUM. Wi-Fi users of a
 * program share one driver entry; users in Wi-Fi up mode are only counted.
 * A group id outside the count array is refused with 0xF7300001. */
HAL_API uint32_t CHIP_KALO_AddProgramUsr(const BtvProgramUser *user);
HAL_API uint32_t CHIP_KALO_DelProgramUsr(const BtvProgramUser *user);

/* Group statistics: switch on, off, clear and read. */
HAL_API uint32_t CHIP_KALO_AddBtvStats(const BtvStats *stats);
HAL_API uint32_t CHIP_KALO_DelBtvStats(const BtvStats *stats);
HAL_API uint32_t CHIP_KALO_ClearBtvStats(const BtvStats *stats);
HAL_API uint32_t CHIP_KALO_GetBtvStats(BtvStats *stats);

/* Program user statistics: switch on, off, clear and read. */
HAL_API uint32_t CHIP_KALO_AddUserBtvStats(const BtvUserStats *stats);
HAL_API uint32_t CHIP_KALO_DelUserBtvStats(const BtvUserStats *stats);
HAL_API uint32_t CHIP_KALO_ClearUserBtvStats(const BtvUserStats *stats);
HAL_API uint32_t CHIP_KALO_GetBtvUserStats(BtvUserStats *stats);

HAL_EXTERN_C_END

#endif
