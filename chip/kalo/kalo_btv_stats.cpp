// Multicast TV chip adapter: counters of received multicast frames and
// octets per group and per program user.
#include "chip/kalo/kalo_btv.h"
#include "chip/kalo/kalo_btv_rec.h"
#include "platform/clear.h"
#include "platform/diag.h"
#include "platform/hlp_cmd.h"
#include "platform/hlp_send.h"

HAL_DIAG_SOURCE("kalo_btv", hal::kModuleBtv);

namespace {

using hal::sendRequest;
using hal::sendWord;
using hal::hlp::Cmd;

uint32_t setGroupStats(const BtvStats &stats, uint32_t enable)
{
    auto req = hal::cleared<btv_stats_set_req_s>();
    req.group_id = stats.uiMCastGroupId;
    req.enable = enable;
    return sendRequest<Cmd::BTV_SET_STATS>(req);
}

void traceUserStats(uint32_t line, const BtvUserStats &stats)
{
    HAL_TRACE(line, "\r\n uiMCastGroupId = %u usFlowID = %u", stats.uiMCastGroupId, stats.usFlowID);
}

// The request that switches the counters of a program user on (1) or off (0).
btv_user_stats_set_req_s userStatsSwitch(const BtvUserStats &stats, uint32_t enable)
{
    auto req = hal::cleared<btv_user_stats_set_req_s>();
    req.group_id = stats.uiMCastGroupId;
    req.flow_id = stats.usFlowID;
    req.enable = enable;
    return req;
}

btv_user_stats_req_s userStatsRequest(const BtvUserStats &stats)
{
    auto req = hal::cleared<btv_user_stats_req_s>();
    req.group_id = stats.uiMCastGroupId;
    req.flow_id = stats.usFlowID;
    return req;
}

}  // namespace

extern "C" {

// ---- Group statistics ------------------------------------------------------

uint32_t CHIP_KALO_AddBtvStats(const BtvStats *stats)
{
    if (stats == nullptr) {
        lastWord(519, HAL_ERR);
        return HAL_ERR;
    }
    HAL_TRACE(525, "\r\nQX_MSC_AddBtvStats   uiMCastGroupId = %u\n\n", stats->uiMCastGroupId);
    const uint32_t ret = setGroupStats(*stats, 1);
    if (ret != 0) {
        HAL_TRACE(529, "\r\nQX_MSC_AddBtvStats send  QX_KER_HLP_CMD_BTV_SET_STATS  fail, uiRet:0x%x", ret);
        lastWord(530, ret);
    }
    return ret;
}

uint32_t CHIP_KALO_DelBtvStats(const BtvStats *stats)
{
    if (stats == nullptr) {
        lastWord(558, HAL_ERR);
        return HAL_ERR;
    }
    HAL_TRACE(564, "\r\nQX_MSC_DelBtvStats   uiMCastGroupId = %u\n\n", stats->uiMCastGroupId);
    const uint32_t ret = setGroupStats(*stats, 0);
    if (ret != 0) {
        HAL_TRACE(568, "\r\nQX_MSC_DelBtvStats send  QX_KER_HLP_CMD_BTV_SET_STATS  fail, uiRet:0x%x", ret);
        lastWord(569, ret);
    }
    return ret;
}

uint32_t CHIP_KALO_ClearBtvStats(const BtvStats *stats)
{
    if (stats == nullptr) {
        lastWord(597, HAL_ERR);
        return HAL_ERR;
    }
    HAL_TRACE(601, "\r\nQX_MSC_ClearBtvStats   uiMCastGroupId = %u\n\n", stats->uiMCastGroupId);
    const uint32_t ret = sendWord<Cmd::BTV_CLR_STATS>(stats->uiMCastGroupId);
    if (ret != 0) {
        HAL_TRACE(605, "\r\nQX_MSC_ClearBtvStats send  QX_KER_HLP_CMD_BTV_CLR_STATS  fail, uiRet:0x%x", ret);
        lastWord(606, ret);
    }
    return ret;
}

uint32_t CHIP_KALO_GetBtvStats(BtvStats *stats)
{
    if (stats == nullptr) {
        lastWord(634, HAL_ERR);
        return HAL_ERR;
    }
    HAL_TRACE(638, "\r\nQX_MSC_GetBtvStats   uiMCastGroupId = %u\n\n", stats->uiMCastGroupId);
    btv_stats_reply_s reply;
    const uint32_t ret = sendWord<Cmd::BTV_GET_STATS>(stats->uiMCastGroupId, reply);
    if (ret != 0) {
        HAL_TRACE(644, "\r\nQX_MSC_GetBtvStats send  QX_KER_HLP_CMD_BTV_GET_STATS  fail, uiRet:0x%x", ret);
        lastWord(645, ret);
        return ret;
    }
    stats->RcvFrame = reply.rcv_frame;
    stats->RcvPktOcts_H = reply.rcv_octets_high;
    stats->RcvPktOcts_L = reply.rcv_octets_low;
    HAL_TRACE(654, "\r\nQX_MSC_GetBtvStats  RcvFrame = %lu   RcvPktOcts_H = %lu  RcvPktOcts_L = %lu\n\n  ",
              static_cast<unsigned long>(stats->RcvFrame), static_cast<unsigned long>(stats->RcvPktOcts_H),
              static_cast<unsigned long>(stats->RcvPktOcts_L));
    return 0;
}

// ---- Program user statistics -----------------------------------------------

uint32_t CHIP_KALO_AddUserBtvStats(const BtvUserStats *stats)
{
    if (stats == nullptr) {
        lastWord(679, HAL_ERR);
        return HAL_ERR;
    }
    traceUserStats(687, *stats);
    btv_user_stats_set_req_s req = userStatsSwitch(*stats, 1);
    const uint32_t ret = sendRequest<Cmd::BTVUSER_SET_STATS>(req);
    if (ret != 0) {
        HAL_TRACE(691, "\r\n send  QX_KER_HLP_CMD_BTVUSER_SET_STATS  fail, uiRet:0x%x", ret);
        lastWord(692, ret, req.group_id, req.flow_id, req.enable);
    }
    return ret;
}

uint32_t CHIP_KALO_DelUserBtvStats(const BtvUserStats *stats)
{
    if (stats == nullptr) {
        lastWord(719, HAL_ERR);
        return HAL_ERR;
    }
    traceUserStats(727, *stats);
    btv_user_stats_set_req_s req = userStatsSwitch(*stats, 0);
    const uint32_t ret = sendRequest<Cmd::BTVUSER_SET_STATS>(req);
    if (ret != 0) {
        HAL_TRACE(731, "\r\n send  QX_KER_HLP_CMD_BTVUSER_SET_STATS  fail, uiRet:0x%x", ret);
        lastWord(732, ret, req.group_id, req.flow_id, req.enable);
    }
    return ret;
}

uint32_t CHIP_KALO_ClearUserBtvStats(const BtvUserStats *stats)
{
    if (stats == nullptr) {
        lastWord(759, HAL_ERR);
        return HAL_ERR;
    }
    traceUserStats(763, *stats);
    btv_user_stats_req_s req = userStatsRequest(*stats);
    const uint32_t ret = sendRequest<Cmd::BTVUSER_CLR_STATS>(req);
    if (ret != 0) {
        HAL_TRACE(770, "\r\n send  QX_KER_HLP_CMD_BTVUSER_CLR_STATS  fail, uiRet:0x%x", ret);
        lastWord(771, ret, req.group_id, req.flow_id);
    }
    return ret;
}

uint32_t CHIP_KALO_GetBtvUserStats(BtvUserStats *stats)
{
    if (stats == nullptr) {
        lastWord(799, HAL_ERR);
        return HAL_ERR;
    }
    traceUserStats(803, *stats);
    btv_user_stats_req_s req = userStatsRequest(*stats);
    btv_stats_reply_s reply;
    const uint32_t ret = sendRequest<Cmd::BTVUSER_GET_STATS>(req, reply);
    if (ret != 0) {
        HAL_TRACE(810, "\r\n send GET_STATS  fail, uiRet:0x%x", ret);
        lastWord(811, ret, req.group_id, req.flow_id);
        return ret;
    }
    stats->RcvFrame = reply.rcv_frame;
    stats->RcvPktOcts_H = reply.rcv_octets_high;
    stats->RcvPktOcts_L = reply.rcv_octets_low;
    HAL_TRACE(820, "\r\n  RcvFrame = %lu  RcvPktOcts_H = %lu  RcvPktOcts_L = %lu",
              static_cast<unsigned long>(stats->RcvFrame), static_cast<unsigned long>(stats->RcvPktOcts_H),
              static_cast<unsigned long>(stats->RcvPktOcts_L));
    return 0;
}

}  // extern "C"
