// WAN connection statistics. The driver counts per (port type, VLAN) of the
// WAN port, and several WAN connections may share one VLAN: the list below
// maps each WAN id to its pair, and the driver's counter is created with the
// first connection on a pair and removed with the last.
#include "chip/kalo/kalo_l3.h"
#include "platform/clear.h"
#include "platform/diag.h"
#include "platform/hlp_cmd.h"
#include "platform/hlp_send.h"

HAL_DIAG_SOURCE("kalo_l3", hal::kModuleL3);

namespace {

// Entries are only made for VLANs 0 to 4095; the driver knows the untagged
// WAN (VLAN 0) as 4096.
constexpr uint32_t kVlanLimit = 4096;
constexpr uint32_t kDriverUntaggedVlan = 4096;

// Every WAN connection of this chip sits on the same port type.
constexpr uint32_t kWanPortType = 1;

// The list head, empty from the start so that an operation before
// QX_IFM_WanStatsInit finds an empty list rather than null links.
QX_IFM_WAN_STATS_S g_wanStatsHead = {&g_wanStatsHead, &g_wanStatsHead, 0, 0, 0};

bool vlanCounted(uint32_t vlan) { return vlan < kVlanLimit; }

// Sends one of the four counter commands; any other code is refused and
// nothing is sent.
uint32_t sendCounterCommand(uint32_t cmd, chip_wan_stats_req_s &req, chip_wan_stats_rpl_s &rpl)
{
    using hal::hlp::Cmd;
    return hal::sendAnyOf<Cmd::L3_ADD_WAN_STATS, Cmd::L3_DEL_WAN_STATS, Cmd::L3_CLR_WAN_STATS, Cmd::L3_GET_WAN_STATS>(
        cmd, req, rpl);
}

}  // namespace

extern "C" {

// ---- Driver wrappers ---------------------------------------------------------

uint32_t QX_DRV_WanStats(uint32_t cmd, uint32_t portType, uint32_t vlan, chip_wan_stats_rpl_s *reply)
{
    auto req = hal::cleared<chip_wan_stats_req_s>();
    chip_wan_stats_rpl_s rpl{};
    req.port_type = portType;
    req.vlan = vlan == 0 ? kDriverUntaggedVlan : vlan;
    const uint32_t ret = sendCounterCommand(cmd, req, rpl);
    if (ret != 0) {
        lastWord(55, ret, req.vlan);
        return ret;
    }
    if (reply != nullptr) {
        *reply = rpl;
    }
    return 0;
}

uint32_t QX_DRV_AddWanStats(uint32_t portType, uint32_t vlan)
{
    return QX_DRV_WanStats(hal::hlp::codeOf(hal::hlp::Cmd::L3_ADD_WAN_STATS), portType, vlan, nullptr);
}

uint32_t QX_DRV_DelWanStats(uint32_t portType, uint32_t vlan)
{
    return QX_DRV_WanStats(hal::hlp::codeOf(hal::hlp::Cmd::L3_DEL_WAN_STATS), portType, vlan, nullptr);
}

uint32_t QX_DRV_ClrWanStats(uint32_t portType, uint32_t vlan)
{
    return QX_DRV_WanStats(hal::hlp::codeOf(hal::hlp::Cmd::L3_CLR_WAN_STATS), portType, vlan, nullptr);
}

uint32_t QX_DRV_GetWanStats(uint32_t portType, uint32_t vlan, chip_wan_stats_rpl_s *reply)
{
    return QX_DRV_WanStats(hal::hlp::codeOf(hal::hlp::Cmd::L3_GET_WAN_STATS), portType, vlan, reply);
}

// ---- The list ----------------------------------------------------------------

uint32_t QX_IFM_GetWanPortType(uint32_t /*wanId*/, uint32_t *portType)
{
    if (portType == nullptr) {
        return HAL_ERR;
    }
    *portType = kWanPortType;
    return 0;
}

QX_IFM_WAN_STATS_S *QX_IFM_WanStatsGet(void) { return &g_wanStatsHead; }

uint32_t QX_IFM_WanStatsInit(void)
{
    g_wanStatsHead = QX_IFM_WAN_STATS_S{};
    g_wanStatsHead.next = &g_wanStatsHead;
    g_wanStatsHead.prev = &g_wanStatsHead;
    return 0;
}

QX_IFM_WAN_STATS_S *QX_IFM_WanStatsFind(uint32_t wanId)
{
    for (QX_IFM_WAN_STATS_S *e = g_wanStatsHead.next; e != &g_wanStatsHead; e = e->next) {
        if (e->uiWanId == wanId) {
            HAL_TRACE(272, "QX_IFM_WanStatsFind !!find~~~~~~~~~\n\n");
            return e;
        }
    }
    return nullptr;
}

QX_IFM_WAN_STATS_S *QX_IFM_WanStatsFindConflict(const QX_IFM_WAN_STATS_S *entry)
{
    if (entry == nullptr) {
        return nullptr;
    }
    for (QX_IFM_WAN_STATS_S *e = g_wanStatsHead.next; e != &g_wanStatsHead; e = e->next) {
        if (e->uiWanId != entry->uiWanId && e->uiPortType == entry->uiPortType && e->uiVlan == entry->uiVlan) {
            return e;
        }
    }
    return nullptr;
}

QX_IFM_WAN_STATS_S *QX_IFM_WanStatsNew(uint32_t wanId, uint32_t portType, uint32_t vlan)
{
    auto *e = static_cast<QX_IFM_WAN_STATS_S *>(QX_OS_MemMallocD(sizeof(QX_IFM_WAN_STATS_S)));
    if (e == nullptr) {
        return nullptr;
    }
    HAL_TRACE(338, "QX_IFM_WanStatsNew !!new~~~~~~~~~\n\n");
    *e = QX_IFM_WAN_STATS_S{};
    e->uiWanId = wanId;
    e->uiPortType = portType;
    e->uiVlan = vlan;

    // Append at the tail, just before the head.
    QX_IFM_WAN_STATS_S *tail = g_wanStatsHead.prev;
    e->prev = tail;
    e->next = &g_wanStatsHead;
    tail->next = e;
    g_wanStatsHead.prev = e;
    return e;
}

void QX_IFM_WanStatsFree(QX_IFM_WAN_STATS_S *entry)
{
    // The head is static storage and never an entry.
    if (entry == nullptr || entry == &g_wanStatsHead) {
        return;
    }
    entry->prev->next = entry->next;
    entry->next->prev = entry->prev;
    entry->next = entry;
    entry->prev = entry;
    QX_OS_MemFreeD(entry);
}

// ---- Chip adapter --------------------------------------------------------------

uint32_t CHIP_KALO_AddWanStats(uint32_t wanId, uint32_t vlan, uint32_t pri)
{
    HAL_TRACE(390, "CHIP_KALO_AddWanStats !!(wanid=0x%x) %u %u\r\n", wanId, vlan, pri);
    if (QX_IFM_WanStatsFind(wanId) != nullptr) {
        return 0;  // already counted
    }
    HAL_TRACE(398, "---------------(uiVlan=%u, uiPri=%u)!!-----------------\r\n", vlan, pri);
    if (!vlanCounted(vlan)) {
        lastWord(403, HAL_ERR, wanId, vlan);
        return 0;
    }
    uint32_t portType = 0;
    uint32_t ret = QX_IFM_GetWanPortType(wanId, &portType);
    if (ret != 0) {
        lastWord(409, ret, wanId, portType);
        return ret;
    }
    const QX_IFM_WAN_STATS_S *entry = QX_IFM_WanStatsNew(wanId, portType, vlan);
    if (entry == nullptr) {
        lastWord(417, HAL_ERR, wanId, vlan);
        return HAL_ERR;
    }
    if (QX_IFM_WanStatsFindConflict(entry) != nullptr) {
        return 0;  // the driver already counts this VLAN
    }
    // A refused counter keeps the entry: the WAN stays known to the list.
    ret = QX_DRV_AddWanStats(portType, vlan);
    if (ret != 0) {
        lastWord(430, ret);
        return ret;
    }
    return 0;
}

uint32_t CHIP_KALO_DelWanStats(uint32_t wanId)
{
    HAL_TRACE(456, "CHIP_KALO_DelWanStats !!(wanid=0x%x)\r\n", wanId);
    QX_IFM_WAN_STATS_S *entry = QX_IFM_WanStatsFind(wanId);
    if (entry == nullptr) {
        lastWord(461, HAL_ERR);
        return HAL_ERR;
    }
    HAL_TRACE(464, "CHIP_KALO_DelWanStats ---------!!(vanid=0x%x)\r\n", entry->uiVlan);
    if (!vlanCounted(entry->uiVlan) || QX_IFM_WanStatsFindConflict(entry) != nullptr) {
        // No counter of its own, or one still shared with another WAN.
        QX_IFM_WanStatsFree(entry);
        return 0;
    }
    const uint32_t ret = QX_DRV_DelWanStats(entry->uiPortType, entry->uiVlan);
    if (ret != 0) {
        lastWord(481, ret, entry->uiVlan);
        return ret;
    }
    QX_IFM_WanStatsFree(entry);
    return 0;
}

uint32_t CHIP_KALO_ClearWanStats(uint32_t wanId)
{
    HAL_TRACE(508, "CHIP_KALO_ClearWanStats !!(wanid=0x%x)\r\n", wanId);
    const QX_IFM_WAN_STATS_S *entry = QX_IFM_WanStatsFind(wanId);
    if (entry == nullptr) {
        lastWord(513, HAL_ERR);
        return HAL_ERR;
    }
    if (!vlanCounted(entry->uiVlan)) {
        return 0;
    }
    // The counter is shared: this clears every WAN on the same VLAN.
    const uint32_t ret = QX_DRV_ClrWanStats(entry->uiPortType, entry->uiVlan);
    if (ret != 0) {
        lastWord(524, ret, entry->uiVlan, entry->uiPortType);
        return ret;
    }
    return 0;
}

uint32_t CHIP_KALO_GetWanStats(uint32_t wanId, HAL_L3_WAN_STATS_S *stats)
{
    chip_wan_stats_rpl_s rpl{};
    HAL_TRACE(550, "CHIP_KALO_GetWanStats !!(wanid=0x%x)\r\n", wanId);
    if (stats == nullptr) {
        lastWord(554, HAL_ERR);
        return HAL_ERR;
    }
    const QX_IFM_WAN_STATS_S *entry = QX_IFM_WanStatsFind(wanId);
    if (entry == nullptr) {
        lastWord(561, HAL_ERR);
        return HAL_ERR;
    }
    HAL_TRACE(565, "CHIP_KALO_GetWanStats !!(uiVlan = %d)\r\n", static_cast<int>(entry->uiVlan));
    if (!vlanCounted(entry->uiVlan)) {
        *stats = HAL_L3_WAN_STATS_S{};
        return 0;
    }
    const uint32_t ret = QX_DRV_GetWanStats(entry->uiPortType, entry->uiVlan, &rpl);
    if (ret != 0) {
        lastWord(575, ret, entry->uiPortType, entry->uiVlan);
        return ret;
    }
    stats->uiSndBytesHigh = rpl.snd_bytes_high;
    stats->uiSndBytesLow = rpl.snd_bytes_low;
    stats->uiRcvBytesHigh = rpl.rcv_bytes_high;
    stats->uiRcvBytesLow = rpl.rcv_bytes_low;
    stats->uiRcvPkts = rpl.rcv_pkts;
    stats->uiSndPkts = rpl.snd_pkts;
    stats->uiSndUcPkts = rpl.snd_uc_pkts;
    stats->uiRcvUcPkts = rpl.rcv_uc_pkts;
    stats->uiSndMcPkts = rpl.snd_mc_pkts;
    stats->uiRcvMcPkts = rpl.rcv_mc_pkts;
    stats->uiSndBcPkts = rpl.snd_bc_pkts;
    stats->uiRcvBcPkts = rpl.rcv_bc_pkts;
    HAL_TRACE(600,
              "bytes rcv h=%lu, l=%lu, snd h=%lu, l=%lu, pkts all r=%lu, s=%lu, uc r=%lu, s=%lu, mc r=%lu, s=%lu, "
              "bc r=%lu, s=%lu.\r\n",
              static_cast<unsigned long>(rpl.rcv_bytes_high), static_cast<unsigned long>(rpl.rcv_bytes_low),
              static_cast<unsigned long>(rpl.snd_bytes_high), static_cast<unsigned long>(rpl.snd_bytes_low),
              static_cast<unsigned long>(rpl.rcv_pkts), static_cast<unsigned long>(rpl.snd_pkts),
              static_cast<unsigned long>(rpl.rcv_uc_pkts), static_cast<unsigned long>(rpl.snd_uc_pkts),
              static_cast<unsigned long>(rpl.rcv_mc_pkts), static_cast<unsigned long>(rpl.snd_mc_pkts),
              static_cast<unsigned long>(rpl.rcv_bc_pkts), static_cast<unsigned long>(rpl.snd_bc_pkts));
    return 0;
}

}  // extern "C"
