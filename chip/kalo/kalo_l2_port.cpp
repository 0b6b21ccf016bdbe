// Layer-2 port services: port isolation, PVID, broadcast table entries,
// per-(CTP, VLAN, priority) TCI counters, DSCP-to-priority tables and bridge
// ports. Each operation is one HLP command; nothing is kept.
#include "chip/kalo/kalo_common.h"
#include "chip/kalo/kalo_l2.h"
#include "platform/clear.h"
#include "platform/diag.h"
#include "platform/hlp_cmd.h"
#include "platform/hlp_send.h"

HAL_DIAG_SOURCE("kalo_l2", hal::kModuleL2);

namespace {

using hal::hlp::Cmd;

// Where a TCI counter operation records and traces; opening 0: no trace.
struct TciLines {
    uint32_t opening;
    uint32_t resolution;
    uint32_t send;
};

// One TCI counter command. A CTP that cannot be resolved is recorded and
// the request goes with the descriptor as the resolution left it. The read
// copies the driver's counters into the host record only on success.
template <Cmd C>
uint32_t tciCommand(const TciLines &at, uint32_t ctpId, uint32_t vlan, uint32_t pri, HAL_L2_TCI_STATS_S *stats)
{
    auto req = hal::cleared<chip_tci_stats_s>();
    if (at.opening != 0) {
        HAL_TRACE(at.opening, "CtpId=%d Vlan=%d Pri=%d\n", ctpId, vlan, pri);
    }
    const uint32_t resolved = CHIP_KALO_GetKaPortByCtp(ctpId, &req.port);
    if (resolved != 0) {
        lastWord(at.resolution, resolved, ctpId, vlan, pri);
    }
    req.vlan = vlan;
    req.pri = pri;
    if constexpr (C == Cmd::L2_ADD_TCI_STATS) {
        HAL_TRACE(2446, "Type= %d mask= %d vlan= %d, Pri=%d  \n\r", req.port.port_type, req.port.mask, vlan, pri);
    }

    uint32_t ret = 0;
    chip_tci_stats_s reply{};
    if constexpr (C == Cmd::L2_GET_TCI_STATS) {
        ret = hal::sendRequest<C>(req, reply);
    } else {
        ret = hal::sendRequest<C>(req);
    }
    if (ret != 0) {
        lastWord(at.send, ret, ctpId, vlan, pri);
        return ret;
    }
    if constexpr (C == Cmd::L2_GET_TCI_STATS) {
        stats->RcvFrame = reply.rcv_frame;
        stats->SendFrame = reply.send_frame;
        stats->RcvPktOcts = reply.rcv_pkt_octs;
        stats->SendPktOcts = reply.send_pkt_octs;
        HAL_TRACE(2399, "RcvFrame=%llu RcvPktOcts=%llu SendFrame=%llu SendPktOcts=%llu\n",
                  static_cast<unsigned long long>(reply.rcv_frame), static_cast<unsigned long long>(reply.rcv_pkt_octs),
                  static_cast<unsigned long long>(reply.send_frame),
                  static_cast<unsigned long long>(reply.send_pkt_octs));
    }
    return 0;
}

template <Cmd C>
uint32_t bcTableCommand(uint32_t failLine, uint32_t first, uint32_t second, uint32_t third)
{
    auto req = hal::cleared<chip_bc_table_s>();
    req.second = second;
    req.third = third;
    const uint32_t ret = hal::sendRequest<C>(req);
    if (ret != 0) {
        lastWord(failLine, ret, first, second, third);
    }
    return ret;
}

}  // namespace

extern "C" {

// ---- Isolation, PVID, broadcast table ---------------------------------------------

uint32_t CHIP_KALO_SetPortIsolateEnable(uint32_t enable)
{
    return hal::sendWord<Cmd::L2_SET_ISOLATE_ENABLE>(enable == 0 ? 1 : 0);
}

uint32_t CHIP_KALO_SetPortIsolate(uint32_t ucBridgeId, uint32_t usCtpId, uint32_t bIsolate)
{
    HAL_TRACE(2021, "ucBridgeId = %d, usCtpId = %d bIsolate = %d\n", ucBridgeId, usCtpId, bIsolate);
    auto req = hal::cleared<chip_port_isolate_s>();
    req.isolate = bIsolate;
    uint32_t ret = CHIP_KALO_GetKaPortByCtp(usCtpId, &req.port);
    if (ret != 0) {
        lastWord(2029, ret, usCtpId);
        return ret;
    }
    // The bridge id only names the request in the failure record.
    ret = hal::sendRequest<Cmd::L2_SET_PORT_ISOLATE>(req);
    if (ret != 0) {
        lastWord(2036, ret, ucBridgeId, usCtpId);
    }
    return ret;
}

uint32_t CHIP_KALO_SetPvid(uint32_t pvid)
{
    const uint32_t ret = hal::sendWord<Cmd::L2_SET_PVID>(pvid);
    if (ret != 0) {
        lastWord(2491, ret, pvid);
    }
    return ret;
}

uint32_t CHIP_KALO_AddBcTable(uint32_t first, uint32_t second, uint32_t third)
{
    return bcTableCommand<Cmd::L2_ADD_BC_TABLE>(1733, first, second, third);
}

uint32_t CHIP_KALO_DelBcTable(uint32_t first, uint32_t second, uint32_t third)
{
    return bcTableCommand<Cmd::L2_DEL_BC_TABLE>(1767, first, second, third);
}

// ---- TCI counters -----------------------------------------------------------------

uint32_t CHIP_KALO_GetCtpTciStats(uint32_t usCtpId, uint32_t vlan, uint32_t pri, HAL_L2_TCI_STATS_S *stats)
{
    // Without a host record there is nowhere to put the counters: nothing is read.
    if (stats == nullptr) {
        lastWord(2375, HAL_ERR_NULL_PTR, usCtpId, vlan, pri);
        return HAL_ERR_NULL_PTR;
    }
    return tciCommand<Cmd::L2_GET_TCI_STATS>({2375, 2379, 2389}, usCtpId, vlan, pri, stats);
}

uint32_t CHIP_KALO_ClrCtpTciStats(uint32_t usCtpId, uint32_t vlan, uint32_t pri)
{
    return tciCommand<Cmd::L2_CLR_TCI_STATS>({2463, 2467, 2475}, usCtpId, vlan, pri, nullptr);
}

uint32_t CHIP_KALO_AddCtpTciStats(uint32_t usCtpId, uint32_t vlan, uint32_t pri)
{
    return tciCommand<Cmd::L2_ADD_TCI_STATS>({0, 2439, 2450}, usCtpId, vlan, pri, nullptr);
}

uint32_t CHIP_KALO_DelCtpTciStats(uint32_t usCtpId, uint32_t vlan, uint32_t pri)
{
    return tciCommand<Cmd::L2_DEL_TCI_STATS>({2411, 2415, 2423}, usCtpId, vlan, pri, nullptr);
}

// ---- DSCP-to-priority tables ------------------------------------------------------

uint32_t CHIP_KALO_AddDscpToPbitTbl(uint32_t usTblId, const HAL_L2_DSCP_TBL_S *table)
{
    HAL_TRACE(1863, "usTblId = %d\n", usTblId);
    const uint32_t ret = PDT_L2M_AddDscpToPbitTbl(usTblId, table);
    if (ret != 0) {
        lastWord(1868, ret);
    }
    return ret;
}

uint32_t CHIP_KALO_DelDscpToPbitTbl(uint32_t usTblId, const HAL_L2_DSCP_TBL_S *table)
{
    HAL_TRACE(1896, "usTblId = %d\n", usTblId);
    const uint32_t ret = PDT_L2M_DelDscpToPbitTbl(usTblId, table);
    if (ret != 0) {
        lastWord(1901, ret);
    }
    return ret;
}

uint32_t PDT_L2M_AddDscpToPbitTbl(uint32_t usTblId, const HAL_L2_DSCP_TBL_S *table)
{
    auto req = hal::cleared<chip_dscp_tbl_s>();
    req.table_id = usTblId;
    // A table the copy refuses (none given) is recorded; the load goes on.
    const int copied =
        memcpy_s(req.entry, sizeof(req.entry), table != nullptr ? table->aucEntry : nullptr, sizeof(req.entry));
    if (copied != 0) {
        lastWord(1800, static_cast<uint32_t>(copied));
    }
    const uint32_t ret = hal::sendRequest<Cmd::L2_ADD_DSCP_TBL>(req);
    if (ret != 0) {
        lastWord(1806, ret, usTblId);
    }
    return ret;
}

uint32_t PDT_L2M_DelDscpToPbitTbl(uint32_t usTblId, const HAL_L2_DSCP_TBL_S * /*table*/)
{
    const uint32_t ret = hal::sendWord<Cmd::L2_DEL_DSCP_TBL>(usTblId);
    if (ret != 0) {
        lastWord(1835, ret, usTblId);
    }
    return ret;
}

// ---- Bridge ports -----------------------------------------------------------------

uint32_t CHIP_KALO_AddBridgePort(uint32_t ucBridgeId, uint32_t usCtpId, uint32_t value)
{
    HAL_TRACE(1969, "ucBridgeId = %d, usCtpId = %d\n", ucBridgeId, usCtpId);
    return PDT_L2M_SetBridgePort(ucBridgeId, usCtpId, value, hal::hlp::codeOf(Cmd::L2_ADD_BRIDGE_PORT));
}

uint32_t CHIP_KALO_DelBridgePort(uint32_t ucBridgeId, uint32_t usCtpId, uint32_t value)
{
    HAL_TRACE(1993, "ucBridgeId = %d, usCtpId = %d\n", ucBridgeId, usCtpId);
    return PDT_L2M_SetBridgePort(ucBridgeId, usCtpId, value, hal::hlp::codeOf(Cmd::L2_DEL_BRIDGE_PORT));
}

uint32_t PDT_L2M_SetBridgePort(uint32_t ucBridgeId, uint32_t usCtpId, uint32_t value, uint32_t cmd)
{
    auto req = hal::cleared<chip_bridge_port_s>();
    uint32_t ret = PDT_L2M_GetVUNIPort(ucBridgeId, usCtpId, &req);
    if (ret != 0) {
        lastWord(1933, ret, usCtpId);
        return ret;
    }
    if (cmd == hal::hlp::codeOf(Cmd::L2_ADD_BRIDGE_PORT)) {
        req.value = value;
    }
    // A code other than the two bridge port commands is refused like a
    // driver refusal, and nothing is sent.
    ret = hal::sendAnyOf<Cmd::L2_ADD_BRIDGE_PORT, Cmd::L2_DEL_BRIDGE_PORT>(cmd, req);
    if (ret != 0) {
        lastWord(1945, ret, usCtpId, ucBridgeId);
    }
    return ret;
}

}  // extern "C"
