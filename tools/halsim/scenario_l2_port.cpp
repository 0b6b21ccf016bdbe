// Layer-2 port services: Ethernet port 2 isolated on bridge 1 with PVID
// 100, a broadcast table entry, a TCI counter on VLAN 100 read back and
// removed, a DSCP-to-priority table, and the flood limits of the port and
// of the uplink, then everything undone.
#include <cinttypes>
#include <vector>

#include "hal_network_adpt.h"
#include "host.h"
#include "scenario.h"

namespace halsim {

namespace {

constexpr uint32_t kBridge = 1;
constexpr uint32_t kUserCtp = 2;     // Ethernet user port 2
constexpr uint32_t kUplinkCtp = 10;  // the network side in the default CTP table
constexpr uint32_t kVlan = 100;
constexpr uint32_t kPri = 0;
constexpr uint32_t kDscpTable = 1;

constexpr uint32_t kL2TraceModule = 582;
constexpr uint32_t kChipAttrType = 0x10001;
constexpr uint32_t kDevAttrUserPorts = 1;
constexpr uint32_t kReadTciCounter = 0x2003001b;

// Counters the driver holds for (port 2, VLAN 100, priority 0); all
// different, so that a counter landing in the wrong field shows.
constexpr uint64_t kRcvFrames = 1200;
constexpr uint64_t kRcvOctets = 1536000;
constexpr uint64_t kSendFrames = 900;
constexpr uint64_t kSendOctets = 0x1'0000'0400;  // past 32 bits

void putU64(std::vector<uint8_t> &bytes, size_t offset, uint64_t v)
{
    for (size_t i = 0; i < 8; ++i) {
        bytes[offset + i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

// The driver's reply to a counter read: the request's port, VLAN and
// priority words, then frames and octets received, frames and octets sent.
std::vector<uint8_t> tciCounterReply()
{
    std::vector<uint8_t> reply(48, 0);
    putU64(reply, 16, kRcvFrames);
    putU64(reply, 24, kRcvOctets);
    putU64(reply, 32, kSendFrames);
    putU64(reply, 40, kSendOctets);
    return reply;
}

void noteCounters(const HAL_L2_TCI_STATS_S &s)
{
    note("CTP %u VLAN %u pri %u: received %" PRIu64 " frames, %" PRIu64 " octets; sent %" PRIu64 " frames, %" PRIu64
         " octets",
         kUserCtp, kVlan, kPri, s.RcvFrame, s.RcvPktOcts, s.SendFrame, s.SendPktOcts);
}

// DSCP d to priority d/8: the eight class selectors each with their own
// priority.
HAL_L2_DSCP_TBL_S classSelectorTable()
{
    HAL_L2_DSCP_TBL_S t{};
    for (uint32_t dscp = 0; dscp < sizeof(t.aucEntry); ++dscp) {
        t.aucEntry[dscp] = static_cast<uint8_t>(dscp / 8);
    }
    return t;
}

}  // namespace

void addL2PortSteps(std::vector<Step> &steps)
{
    steps.push_back({"HAL_L2_SetPortIsolateEnable(on)", [] { return HAL_L2_SetPortIsolateEnable(1); }});
    steps.push_back({"HAL_L2_SetPortIsolate(bridge 1, CTP 2, isolated)",
                     [] { return HAL_L2_SetPortIsolate(kBridge, kUserCtp, 1); }});
    steps.push_back({"HAL_L2_SetPvid(100)", [] { return HAL_L2_SetPvid(kVlan); }});
    steps.push_back({"HAL_L2_AddBcTable(1, 2, 100)", [] { return HAL_L2_AddBcTable(kBridge, kUserCtp, kVlan); }});
    steps.push_back({"HAL_L2_DelBcTable(1, 2, 100)", [] { return HAL_L2_DelBcTable(kBridge, kUserCtp, kVlan); }});
    steps.push_back(
        {"HAL_L2_AddBridgePort(bridge 1, CTP 2, 1)", [] { return HAL_L2_AddBridgePort(kBridge, kUserCtp, 1); }});

    steps.push_back({"HAL_L2_AddPortTciStats(CTP 2, VLAN 100, pri 0)",
                     [] { return HAL_L2_AddPortTciStats(kUserCtp, kVlan, kPri); }});
    steps.push_back({"HAL_L2_GetPortTciStats(CTP 2, VLAN 100, pri 0)", [] {
                         host().answer(kReadTciCounter, 0, tciCounterReply());
                         HAL_L2_TCI_STATS_S s{};
                         const uint32_t ret = HAL_L2_GetPortTciStats(kUserCtp, kVlan, kPri, &s);
                         noteCounters(s);
                         return ret;
                     }});
    steps.push_back({"HAL_L2_GetPortTciStats(CTP 2, VLAN 100, pri 0), the driver refuses: fails, record untouched", [] {
                         host().answer(kReadTciCounter, 1, tciCounterReply());
                         HAL_L2_TCI_STATS_S s{};
                         const uint32_t ret = HAL_L2_GetPortTciStats(kUserCtp, kVlan, kPri, &s);
                         noteCounters(s);
                         return ret;
                     }});
    steps.push_back({"HAL_L2_ClearPortTciStats(CTP 2, VLAN 100, pri 0)",
                     [] { return HAL_L2_ClearPortTciStats(kUserCtp, kVlan, kPri); }});
    steps.push_back({"HAL_L2_DelPortTciStats(CTP 2, VLAN 100, pri 0)",
                     [] { return HAL_L2_DelPortTciStats(kUserCtp, kVlan, kPri); }});

    steps.push_back({"HAL_L2_AddDscpToPbitTbl(1, DSCP d to priority d/8)", [] {
                         const HAL_L2_DSCP_TBL_S t = classSelectorTable();
                         return HAL_L2_AddDscpToPbitTbl(kDscpTable, &t);
                     }});
    steps.push_back({"HAL_L2_DelDscpToPbitTbl(1)", [] {
                         const HAL_L2_DSCP_TBL_S t = classSelectorTable();
                         return HAL_L2_DelDscpToPbitTbl(kDscpTable, &t);
                     }});

    // Limits in bytes per second; the chip takes kilobits per second.
    steps.push_back({"HAL_L2_SetBcLimit(CTP 2, up 125000 B/s, down 250000 B/s)", [] {
                         const HAL_L2_LIMIT_S limit{125000, 250000};
                         return HAL_L2_SetBcLimit(kUserCtp, &limit);
                     }});
    steps.push_back(
        {"HAL_L2_SetBcLimit(uplink CTP 10, up 1250000 B/s, down 625000 B/s), chip type 2, 4 user ports", [] {
             const auto chipAttrs = host().chipAttrs;
             const auto pdAttrs = host().pdAttrs;
             host().chipAttrs[kChipAttrType] = {0, 2};
             host().pdAttrs[kDevAttrUserPorts] = {0, 4};
             const HAL_L2_LIMIT_S limit{1250000, 625000};
             const uint32_t ret = HAL_L2_SetBcLimit(kUplinkCtp, &limit);
             host().chipAttrs = chipAttrs;
             host().pdAttrs = pdAttrs;
             return ret;
         }});
    steps.push_back({"HAL_L2_SetUmcLimit(CTP 2, up 62500 B/s, down 62500 B/s)", [] {
                         const HAL_L2_LIMIT_S limit{62500, 62500};
                         return HAL_L2_SetUmcLimit(kUserCtp, &limit);
                     }});
    steps.push_back({"HAL_L2_SetUucLimit(CTP 2, up no limit, down 125000 B/s, dump on)", [] {
                         host().traceFlags[kL2TraceModule] = 1;
                         const HAL_L2_LIMIT_S limit{0, 125000};
                         const uint32_t ret = HAL_L2_SetUucLimit(kUserCtp, &limit);
                         host().traceFlags[kL2TraceModule] = 0;
                         return ret;
                     }});

    steps.push_back(
        {"HAL_L2_DelBridgePort(bridge 1, CTP 2)", [] { return HAL_L2_DelBridgePort(kBridge, kUserCtp, 0); }});
    steps.push_back({"HAL_L2_SetPortIsolate(bridge 1, CTP 2, not isolated)",
                     [] { return HAL_L2_SetPortIsolate(kBridge, kUserCtp, 0); }});
    steps.push_back({"HAL_L2_SetPortIsolateEnable(off)", [] { return HAL_L2_SetPortIsolateEnable(0); }});
}

}  // namespace halsim
