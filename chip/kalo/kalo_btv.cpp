// Multicast TV chip adapter: registration, forwarding mode, the program
// table, and the program users with their per-group counts.
#include "chip/kalo/kalo_btv.h"

#include <iterator>

#include "chip/kalo/kalo_btv_rec.h"
#include "chip/kalo/kalo_hooks.h"
#include "platform/clear.h"
#include "platform/diag.h"
#include "platform/hlp_cmd.h"
#include "platform/hlp_send.h"

HAL_DIAG_SOURCE("kalo_btv", hal::kModuleBtv);

namespace {

using hal::sendRequest;
using hal::sendWord;
using hal::hlp::Cmd;

// Match mode sent to the driver, by forwarding mode.
constexpr uint32_t kMatchModeOfForwardMode[] = {
    1,  // forwarding mode 0
    0,  // forwarding mode 1
    0,  // forwarding mode 2
};

void traceProgram(uint32_t line, const char *op, const BtvProgram &p)
{
    HAL_TRACE(line,
              "ENTRANCE btv %s program: uiMcastGroupID=%u; usOrigMvlan=%u; usReplMvlan=%u; "
              "mac=%02x:%02x:%02x:%02x:%02x:%02x\n",
              op, p.uiMcastGroupID, uint32_t{p.usOrigMvlan}, uint32_t{p.usReplMvlan}, uint32_t{p.mac[0]},
              uint32_t{p.mac[1]}, uint32_t{p.mac[2]}, uint32_t{p.mac[3]}, uint32_t{p.mac[4]}, uint32_t{p.mac[5]});
}

// The count entry of the user's group. A group the array has no entry for
// is refused with 0xF7300001, recorded at the caller's entry line; without
// the array (the family never installed) the answer is 1.
uint32_t countsOfUser(uint32_t entryLine, const BtvProgramUser &user, BtvUserNumEntry *&counts)
{
    const uint32_t groupId = user.stProgram.uiMcastGroupID;
    if (groupId >= HAL_BTV_GROUP_NUM) {
        lastWord(entryLine, HAL_ERR_PARA, groupId, user.usFlowId);
        return HAL_ERR_PARA;
    }
    if (g_pusBTV_USER_NUM == nullptr) {
        return HAL_ERR;
    }
    counts = &g_pusBTV_USER_NUM[groupId];
    return 0;
}

btv_user_req_s userRequest(const BtvProgramUser &user)
{
    auto req = hal::cleared<btv_user_req_s>();
    req.group_id = user.stProgram.uiMcastGroupID;
    req.flow_id = user.usFlowId;
    return req;
}

void takeOne(uint16_t &count)
{
    if (count != 0) {
        --count;
    }
}

}  // namespace

extern "C" {

BtvUserNumEntry *g_pusBTV_USER_NUM;

uint32_t CHIP_KALO_SetProPktQue(uint32_t /*a*/, uint32_t /*b*/, uint32_t /*c*/) { return 0; }
uint32_t CHIP_KALO_SetProPktRate(uint32_t /*a*/, uint32_t /*b*/, uint32_t /*c*/) { return 0; }

// ---- Forwarding mode -------------------------------------------------------

uint32_t CHIP_KALO_SetMultiForwardMode(uint32_t mode)
{
    HAL_TRACE(103, "ENTRANCE: BtvFlowForwardMode=%u\n", mode);
    if (mode >= std::size(kMatchModeOfForwardMode)) {
        lastWord(108, HAL_ERR_PARA, mode);
        return HAL_ERR_PARA;
    }
    const uint32_t ret = sendWord<Cmd::BTV_MATCH_MODE>(kMatchModeOfForwardMode[mode]);
    if (ret != 0) {
        HAL_TRACE(117, "\r\n send QX_KER_HLP_CMD_BTV_MATCH_MODE fail, uiRet:0x%x", ret);
        lastWord(118, ret);
    }
    return ret;
}

// ---- Program table ---------------------------------------------------------

uint32_t CHIP_KALO_DelProgramTable(const BtvProgram *program)
{
    if (program == nullptr) {
        lastWord(154, HAL_ERR_NULL_PTR);
        return HAL_ERR_NULL_PTR;
    }
    traceProgram(159, "del", *program);
    const uint32_t groupId = program->uiMcastGroupID;
    const uint32_t ret = sendWord<Cmd::BTV_DEL_PROGRAM>(groupId);
    if (ret != 0) {
        HAL_TRACE(167, "\r\n del program fail, uiRet:0x%x", ret);
        lastWord(168, ret, groupId);
    }
    // The program's users are gone with it, whatever the driver answered.
    if (g_pusBTV_USER_NUM != nullptr && groupId < HAL_BTV_GROUP_NUM) {
        g_pusBTV_USER_NUM[groupId].usUserNum = 0;
        g_pusBTV_USER_NUM[groupId].usWifiUserNum = 0;
    }
    return 0;
}

uint32_t CHIP_KALO_AddProgramTable(const BtvProgram *program)
{
    if (program == nullptr) {
        lastWord(204, HAL_ERR_NULL_PTR);
        return HAL_ERR_NULL_PTR;
    }
    traceProgram(209, "add", *program);

    auto req = hal::cleared<btv_program_req_s>();
    req.group_id = program->uiMcastGroupID;
    req.untagged = program->usOrigMvlan == 0 ? 1U : 0U;
    req.vlan = program->usOrigMvlan;
    const int copied = memcpy_s(req.mac, sizeof(req.mac), program->mac, sizeof(program->mac));
    if (copied != 0) {
        lastWord(221, static_cast<uint32_t>(copied), req.group_id);
    }

    const uint32_t ret = sendRequest<Cmd::BTV_ADD_PROGRAM>(req);
    if (ret == 0) {
        return 0;
    }
    HAL_TRACE(227, "\r\n add program fail, uiRet:0x%x", ret);
    lastWord(228, ret, req.group_id, req.untagged, req.vlan);

    // A stale entry of the same group may be in the way: remove it (with
    // its user counts) and try once more.
    const uint32_t delRet = CHIP_KALO_DelProgramTable(program);
    const uint32_t againRet = sendRequest<Cmd::BTV_ADD_PROGRAM>(req);
    if ((delRet | againRet) != 0) {
        HAL_TRACE(234, "\r\n add program fail again, uiRet:0x%x", delRet | againRet);
        lastWord(235, delRet | againRet, req.group_id, req.untagged, req.vlan);
    }
    return 0;
}

// ---- Program users ---------------------------------------------------------

uint32_t CHIP_KALO_AddProgramUsr(const BtvProgramUser *user)
{
    if (user == nullptr) {
        lastWord(368, HAL_ERR_NULL_PTR);
        return HAL_ERR_NULL_PTR;
    }
    HAL_TRACE(374, "ENTRANCE btv add user: uiMcastGroupID=%u; usFlowId=%u; uiIsWifi=%u ; uiIsWifiUpMode= %u",
              user->stProgram.uiMcastGroupID, uint32_t{user->usFlowId}, user->uiIsWifi, user->uiIsWifiUpMode);
    BtvUserNumEntry *counts = nullptr;
    const uint32_t found = countsOfUser(374, *user, counts);
    if (found != 0) {
        return found;
    }

    const bool wifi = user->uiIsWifi == 1;
    // Users in Wi-Fi up mode are only counted.
    if (user->uiIsWifiUpMode != 1) {
        // Wi-Fi users of a program share the driver entry of the first one.
        if (wifi && counts->usWifiUserNum != 0) {
            ++counts->usWifiUserNum;
            return 0;
        }
        btv_user_req_s req = userRequest(*user);
        const uint32_t ret = sendRequest<Cmd::BTV_ADD_USER>(req);
        if (ret != 0) {
            HAL_TRACE(397, "\r\n add user fail, uiRet:0x%x", ret);
            lastWord(398, ret, req.group_id, req.flow_id);
            return ret;
        }
    }
    ++(wifi ? counts->usWifiUserNum : counts->usUserNum);
    return 0;
}

uint32_t CHIP_KALO_DelProgramUsr(const BtvProgramUser *user)
{
    if (user == nullptr) {
        lastWord(442, HAL_ERR_NULL_PTR);
        return HAL_ERR_NULL_PTR;
    }
    HAL_TRACE(461, "ENTRANCE btv del user: uiMcastGroupID=%u; usFlowId=%u; uiIsWifi=%u ; uiIsWifiUpMode= %u",
              user->stProgram.uiMcastGroupID, uint32_t{user->usFlowId}, user->uiIsWifi, user->uiIsWifiUpMode);
    BtvUserNumEntry *counts = nullptr;
    const uint32_t found = countsOfUser(461, *user, counts);
    if (found != 0) {
        return found;
    }

    const bool wifi = user->uiIsWifi == 1;
    if (wifi && user->uiIsWifiUpMode != 1 && counts->usWifiUserNum != 1) {
        // Other Wi-Fi users still hold the shared driver entry (or none was
        // ever made): only the count goes down.
        takeOne(counts->usWifiUserNum);
    } else {
        if (user->uiIsWifiUpMode != 1) {
            btv_user_req_s req = userRequest(*user);
            const uint32_t ret = sendRequest<Cmd::BTV_DEL_USER>(req);
            if (ret != 0) {
                // The user is gone for the host either way: count it out.
                HAL_TRACE(471, "\r\nQX_MSC_BTV_DelProgramUsr del user fail, uiRet:0x%x", ret);
                lastWord(472, ret, req.group_id, req.flow_id);
            }
        }
        takeOne(wifi ? counts->usWifiUserNum : counts->usUserNum);
    }
    counts->usRsv4 = 0;
    counts->usRsv6 = 0;
    counts->uiRsv8 = 0;
    counts->uiRsv12 = 0;
    return 0;
}

// ---- Registration ----------------------------------------------------------

uint32_t CHIP_Register_Btv(void)
{
    constexpr uint32_t kBytes = HAL_BTV_GROUP_NUM * sizeof(BtvUserNumEntry);
    static_assert(kBytes == 4080);

    g_pusBTV_USER_NUM = nullptr;
    void *mem = QX_OS_MemMallocD(kBytes);
    if (mem == nullptr) {
        lastWord(844, 0, HAL_BTV_GROUP_NUM);
        return HAL_ERR;
    }
    auto *entries = static_cast<BtvUserNumEntry *>(mem);
    for (uint32_t i = 0; i < HAL_BTV_GROUP_NUM; ++i) {
        entries[i] = BtvUserNumEntry{};
    }
    g_pusBTV_USER_NUM = entries;

    hal::registerHooks<kalo::kBtvHooks, &CHIP_Register_Btv>();
    return 0;
}

}  // extern "C"
