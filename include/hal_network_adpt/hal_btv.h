/* Multicast TV entry points: forwarding mode, programs, program users and
 * multicast statistics. */
#ifndef HAL_NETWORK_ADPT_HAL_BTV_H
#define HAL_NETWORK_ADPT_HAL_BTV_H

#include "hal_types.h"

HAL_EXTERN_C_BEGIN

/* Slots of g_HalBtvHookList. */
enum HAL_BTV_SLOT_E {
    HAL_BTV_SLOT_SET_EM_STATS_RULE = 0,
    HAL_BTV_SLOT_GET_EM_STATS = 1,
    HAL_BTV_SLOT_SET_PRO_PKT_QUE = 2,
    HAL_BTV_SLOT_SET_PRO_PKT_RATE = 3,
    HAL_BTV_SLOT_SET_MULTI_FORWARD_MODE = 4,
    HAL_BTV_SLOT_ADD_PROGRAM_TABLE = 5,
    HAL_BTV_SLOT_DEL_PROGRAM_TABLE = 6,
    HAL_BTV_SLOT_ADD_PROGRAM_USR = 7,
    HAL_BTV_SLOT_DEL_PROGRAM_USR = 8,
    HAL_BTV_SLOT_ADD_BTV_STATS = 9,
    HAL_BTV_SLOT_DEL_BTV_STATS = 10,
    HAL_BTV_SLOT_CLEAR_BTV_STATS = 11,
    HAL_BTV_SLOT_GET_BTV_STATS = 12,
    HAL_BTV_SLOT_ADD_USER_BTV_STATS = 13,
    HAL_BTV_SLOT_DEL_USER_BTV_STATS = 14,
    HAL_BTV_SLOT_CLEAR_USER_BTV_STATS = 15,
    HAL_BTV_SLOT_GET_BTV_USER_STATS = 16
};

/* Host records of the multicast entry points. */
typedef struct BtvEmRule BtvEmRule;
typedef struct BtvEmResult BtvEmResult;
typedef struct BtvProgram BtvProgram;
typedef struct BtvProgramUser BtvProgramUser;
typedef struct BtvStats BtvStats;
typedef struct BtvUserStats BtvUserStats;

/* Users of one multicast group, an entry of g_pusBTV_USER_NUM. */
typedef struct BtvUserNumEntry {
    uint16_t usUserNum;     /* users that are not Wi-Fi users */
    uint16_t usWifiUserNum; /* Wi-Fi users */
    uint16_t usRsv4;
    uint16_t usRsv6;
    uint32_t uiRsv8;
    uint32_t uiRsv12;
} BtvUserNumEntry;
HAL_STATIC_ASSERT(sizeof(BtvUserNumEntry) == 16, "BtvUserNumEntry size");
#define HAL_BTV_GROUP_NUM 255 /* entries of g_pusBTV_USER_NUM: groups 0 to 254 */

extern HAL_API HAL_HOOK_FUNC g_HalBtvHookList[HAL_BTV_HOOK_NUM];
extern HAL_API uint32_t g_HalBtvHookInstalled;
extern HAL_API BtvUserNumEntry *g_pusBTV_USER_NUM;

HAL_API uint32_t HAL_BTV_InitUser(void);
HAL_API uint32_t HAL_BTV_PreChipConfig(void);
HAL_API uint32_t HAL_CHIP_Btv_PreInit(void);

HAL_API uint32_t HAL_BTV_SetEmStatsRule(uint32_t act, const BtvEmRule *rule);
HAL_API uint32_t HAL_BTV_GetEmStats(const BtvEmRule *rule, BtvEmResult *result);
HAL_API uint32_t HAL_BTV_SetProPktQue(uint32_t a, uint32_t b, uint32_t c);
HAL_API uint32_t HAL_BTV_SetProPktRate(uint32_t a, uint32_t b, uint32_t c);
HAL_API uint32_t HAL_BTV_SetMultiForwardMode(uint32_t mode);
HAL_API uint32_t HAL_BTV_AddProgramTable(const BtvProgram *program);
HAL_API uint32_t HAL_BTV_DelProgramTable(const BtvProgram *program);
HAL_API uint32_t HAL_BTV_AddProgramUsr(const BtvProgramUser *user);
HAL_API uint32_t HAL_BTV_DelProgramUsr(const BtvProgramUser *user);
HAL_API uint32_t HAL_BTV_AddBtvStats(const BtvStats *stats);
HAL_API uint32_t HAL_BTV_DelBtvStats(const BtvStats *stats);
HAL_API uint32_t HAL_BTV_ClearBtvStats(const BtvStats *stats);
HAL_API uint32_t HAL_BTV_GetBtvStats(BtvStats *stats);
HAL_API uint32_t HAL_BTV_AddUserBtvStats(const BtvUserStats *stats);
HAL_API uint32_t HAL_BTV_DelUserBtvStats(const BtvUserStats *stats);
HAL_API uint32_t HAL_BTV_ClearUserBtvStats(const BtvUserStats *stats);
HAL_API uint32_t HAL_BTV_GetBtvUserStats(BtvUserStats *stats);

HAL_EXTERN_C_END

#endif
