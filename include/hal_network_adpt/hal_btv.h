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

/* EM statistics rule: the multicast stream whose octets are counted. */
typedef struct BtvEmRule {
    uint8_t pro; /* IP protocol; traced only */
    uint8_t aucRsv1[3];
    uint32_t dip;  /* destination (group) address */
    uint32_t sip;  /* source address; 0 = any source */
    uint16_t vlan; /* VLAN; above 4096 = any VLAN */
    uint16_t usRsv14;
} BtvEmRule;
HAL_STATIC_ASSERT(offsetof(BtvEmRule, pro) == 0, "BtvEmRule.pro");
HAL_STATIC_ASSERT(offsetof(BtvEmRule, dip) == 4, "BtvEmRule.dip");
HAL_STATIC_ASSERT(offsetof(BtvEmRule, sip) == 8, "BtvEmRule.sip");
HAL_STATIC_ASSERT(offsetof(BtvEmRule, vlan) == 12, "BtvEmRule.vlan");
HAL_STATIC_ASSERT(sizeof(BtvEmRule) == 16, "BtvEmRule size");

/* Octets counted by the EM statistics rule. */
typedef struct BtvEmResult {
    uint32_t bytes_high;
    uint32_t bytes_low;
} BtvEmResult;
HAL_STATIC_ASSERT(offsetof(BtvEmResult, bytes_high) == 0, "BtvEmResult.bytes_high");
HAL_STATIC_ASSERT(offsetof(BtvEmResult, bytes_low) == 4, "BtvEmResult.bytes_low");
HAL_STATIC_ASSERT(sizeof(BtvEmResult) == 8, "BtvEmResult size");

/* One multicast program (multicast group). */
typedef struct BtvProgram {
    uint32_t uiMcastGroupID; /* program id: 0 to 254 index the user counts */
    uint16_t usRsv4;
    uint16_t usOrigMvlan; /* multicast VLAN as received; 0 = untagged */
    uint8_t aucRsv8[20];
    uint16_t usReplMvlan; /* replacement multicast VLAN; traced only */
    uint8_t mac[6];       /* the program's multicast MAC address */
} BtvProgram;
HAL_STATIC_ASSERT(offsetof(BtvProgram, uiMcastGroupID) == 0, "BtvProgram.uiMcastGroupID");
HAL_STATIC_ASSERT(offsetof(BtvProgram, usOrigMvlan) == 6, "BtvProgram.usOrigMvlan");
HAL_STATIC_ASSERT(offsetof(BtvProgram, usReplMvlan) == 28, "BtvProgram.usReplMvlan");
HAL_STATIC_ASSERT(offsetof(BtvProgram, mac) == 30, "BtvProgram.mac");
HAL_STATIC_ASSERT(sizeof(BtvProgram) == 36, "BtvProgram size");

/* One subscriber flow receiving a program. */
typedef struct BtvProgramUser {
    uint16_t usCtp;          /* the user's CTP; traced only */
    uint16_t usFlowId;       /* the user's flow */
    uint32_t uiIsWifi;       /* 1: a Wi-Fi user */
    uint32_t uiIsWifiUpMode; /* 1: only counted, never sent to the driver */
    uint8_t aucRsv12[40];
    BtvProgram stProgram; /* the program; only its group id is used */
} BtvProgramUser;
HAL_STATIC_ASSERT(offsetof(BtvProgramUser, usCtp) == 0, "BtvProgramUser.usCtp");
HAL_STATIC_ASSERT(offsetof(BtvProgramUser, usFlowId) == 2, "BtvProgramUser.usFlowId");
HAL_STATIC_ASSERT(offsetof(BtvProgramUser, uiIsWifi) == 4, "BtvProgramUser.uiIsWifi");
HAL_STATIC_ASSERT(offsetof(BtvProgramUser, uiIsWifiUpMode) == 8, "BtvProgramUser.uiIsWifiUpMode");
HAL_STATIC_ASSERT(offsetof(BtvProgramUser, stProgram) == 52, "BtvProgramUser.stProgram");
HAL_STATIC_ASSERT(offsetof(BtvProgramUser, stProgram.usOrigMvlan) == 58, "BtvProgramUser.stProgram.usOrigMvlan");
HAL_STATIC_ASSERT(offsetof(BtvProgramUser, stProgram.usReplMvlan) == 80, "BtvProgramUser.stProgram.usReplMvlan");
HAL_STATIC_ASSERT(offsetof(BtvProgramUser, stProgram.mac) == 82, "BtvProgramUser.stProgram.mac");
HAL_STATIC_ASSERT(sizeof(BtvProgramUser) == 88, "BtvProgramUser size");

/* Group statistics: add, delete and clear read only the group id; a read
 * fills the counters. */
typedef struct BtvStats {
    uint32_t uiMCastGroupId;
    uint32_t RcvFrame;
    uint32_t RcvPktOcts_H;
    uint32_t RcvPktOcts_L;
} BtvStats;
HAL_STATIC_ASSERT(offsetof(BtvStats, uiMCastGroupId) == 0, "BtvStats.uiMCastGroupId");
HAL_STATIC_ASSERT(offsetof(BtvStats, RcvFrame) == 4, "BtvStats.RcvFrame");
HAL_STATIC_ASSERT(offsetof(BtvStats, RcvPktOcts_H) == 8, "BtvStats.RcvPktOcts_H");
HAL_STATIC_ASSERT(offsetof(BtvStats, RcvPktOcts_L) == 12, "BtvStats.RcvPktOcts_L");
HAL_STATIC_ASSERT(sizeof(BtvStats) == 16, "BtvStats size");

/* Statistics of one program user (group id and flow id). */
typedef struct BtvUserStats {
    uint32_t uiMCastGroupId;
    uint32_t usFlowID; /* a whole word despite its name */
    uint32_t RcvFrame;
    uint32_t RcvPktOcts_H;
    uint32_t RcvPktOcts_L;
} BtvUserStats;
HAL_STATIC_ASSERT(offsetof(BtvUserStats, uiMCastGroupId) == 0, "BtvUserStats.uiMCastGroupId");
HAL_STATIC_ASSERT(offsetof(BtvUserStats, usFlowID) == 4, "BtvUserStats.usFlowID");
HAL_STATIC_ASSERT(offsetof(BtvUserStats, RcvFrame) == 8, "BtvUserStats.RcvFrame");
HAL_STATIC_ASSERT(offsetof(BtvUserStats, RcvPktOcts_H) == 12, "BtvUserStats.RcvPktOcts_H");
HAL_STATIC_ASSERT(offsetof(BtvUserStats, RcvPktOcts_L) == 16, "BtvUserStats.RcvPktOcts_L");
HAL_STATIC_ASSERT(sizeof(BtvUserStats) == 20, "BtvUserStats size");

/* Users of one multicast group, an entry of g_pusBTV_USER_NUM. */
typedef struct BtvUserNumEntry {
    uint16_t usUserNum;     /* users that are not Wi-Fi users */
    uint16_t usWifiUserNum; /* Wi-Fi users */
    uint16_t usRsv4;
    uint16_t usRsv6;
    uint32_t uiRsv8;
    uint32_t uiRsv12;
} BtvUserNumEntry;
HAL_STATIC_ASSERT(offsetof(BtvUserNumEntry, usUserNum) == 0, "BtvUserNumEntry.usUserNum");
HAL_STATIC_ASSERT(offsetof(BtvUserNumEntry, usWifiUserNum) == 2, "BtvUserNumEntry.usWifiUserNum");
HAL_STATIC_ASSERT(offsetof(BtvUserNumEntry, usRsv4) == 4, "BtvUserNumEntry.usRsv4");
HAL_STATIC_ASSERT(offsetof(BtvUserNumEntry, usRsv6) == 6, "BtvUserNumEntry.usRsv6");
HAL_STATIC_ASSERT(offsetof(BtvUserNumEntry, uiRsv8) == 8, "BtvUserNumEntry.uiRsv8");
HAL_STATIC_ASSERT(offsetof(BtvUserNumEntry, uiRsv12) == 12, "BtvUserNumEntry.uiRsv12");
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
