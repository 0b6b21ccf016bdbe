// Cost of one request through the library, from the entry point to the
// host's command channel, with a host that does nothing but accept. Each
// benchmark also reports the HLP commands one request sends.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

#include "chip/kalo/kalo_l3.h"
#include "hal_network_adpt.h"

extern "C" uint32_t g_nullHostCommands;

namespace {

void countCommands(benchmark::State &state, uint32_t before)
{
    state.counters["commands/request"] =
        benchmark::Counter(static_cast<double>(g_nullHostCommands - before), benchmark::Counter::kAvgIterations);
}

void BM_L2AddFlowBothDirections(benchmark::State &state)
{
    HAL_L2_FLOW_S flow{};
    flow.FlowId = 100;
    flow.CtpId = 3;
    flow.BridgeId = 1;
    flow.FlowDirection = 0;
    flow.stInRule.tagNum = 1;
    flow.stInRule.vlanFilter[0] = 1;
    flow.stInRule.filterInfo[0].vlanID = 100;
    flow.stInTreat.vlanTreat[0] = 2;
    flow.stInTreat.treatInfo[0].vlanID = 200;
    flow.stOutRule.tagNum = 1;
    flow.stOutTreat.vlanTreat[0] = 2;
    const uint32_t before = g_nullHostCommands;
    for (auto _ : state) {
        benchmark::DoNotOptimize(HAL_L2_AddFlow(&flow));
    }
    countCommands(state, before);
}
BENCHMARK(BM_L2AddFlowBothDirections);

// A broadcast limit on an Ethernet user port: one command. The null host
// refuses every chip attribute, so the chip type reads as unknown, outside
// the family that also limits each user port; a user-side port gets one
// command on either chip.
void BM_L2SetBcLimitUserPort(benchmark::State &state)
{
    const HAL_L2_LIMIT_S limit{125000, 250000};
    const uint32_t before = g_nullHostCommands;
    for (auto _ : state) {
        benchmark::DoNotOptimize(HAL_L2_SetBcLimit(3, &limit));
    }
    countCommands(state, before);
}
BENCHMARK(BM_L2SetBcLimitUserPort);

void BM_L3InterfaceAdd(benchmark::State &state)
{
    HAL_L3_IF_S intf{};
    intf.uiKind = 1;
    intf.uiVlanId = 46;
    intf.uiPriMode = 3;
    intf.uiIpv4State = 1;
    intf.uiIpv6State = 2;
    const uint32_t before = g_nullHostCommands;
    for (auto _ : state) {
        benchmark::DoNotOptimize(HAL_L3_SynL3IFAdd(7, &intf));
    }
    countCommands(state, before);
}
BENCHMARK(BM_L3InterfaceAdd);

void BM_L3PolicyRouteFourPorts(benchmark::State &state)
{
    struct {
        HAL_L3_POLICY_ROUTE_S rule;
        uint32_t ctp[4];
    } r{};
    r.rule.uiMatchMask = 7;
    r.rule.uiVlan = 10;
    r.rule.uiIpMask = 0xFFFFFF00U;
    r.rule.uiAct = 2;
    r.rule.uiCtpNum = 4;
    r.ctp[0] = 1;
    r.ctp[1] = 2;
    r.ctp[2] = 3;
    r.ctp[3] = 4;
    const uint32_t before = g_nullHostCommands;
    for (auto _ : state) {
        benchmark::DoNotOptimize(HAL_L3_AddPolicyRoute(1, &r.rule));
    }
    countCommands(state, before);
}
BENCHMARK(BM_L3PolicyRouteFourPorts);

void BM_BtvUserJoinAndLeave(benchmark::State &state)
{
    BtvProgramUser user{};
    user.usFlowId = 9;
    user.stProgram.uiMcastGroupID = 5;
    const uint32_t before = g_nullHostCommands;
    for (auto _ : state) {
        benchmark::DoNotOptimize(HAL_BTV_AddProgramUsr(&user));
        benchmark::DoNotOptimize(HAL_BTV_DelProgramUsr(&user));
    }
    countCommands(state, before);
}
BENCHMARK(BM_BtvUserJoinAndLeave);

void BM_WanStatsRead(benchmark::State &state)
{
    (void)QX_IFM_WanStatsInit();
    for (uint32_t wan = 1; wan <= 8; ++wan) {
        (void)HAL_L3_AddWanStats(wan, wan * 10, 0);
    }
    HAL_L3_WAN_STATS_S stats{};
    const uint32_t before = g_nullHostCommands;
    for (auto _ : state) {
        benchmark::DoNotOptimize(HAL_L3_GetWanStats(8, &stats));
    }
    countCommands(state, before);
    for (uint32_t wan = 1; wan <= 8; ++wan) {
        (void)HAL_L3_DelWanStats(wan);
    }
}
BENCHMARK(BM_WanStatsRead);

// A protocol-packet rule on Ethernet CTP 3 comparing ten fields, with a
// rate: the flow, its CAR profile and the binding, three commands.
constexpr uint32_t kPrtclAcl = 40;
constexpr uint32_t kPrtclCtp = 3;
constexpr uint32_t kPrtclRate = 256;

PrtclPktRule tenFieldRule()
{
    PrtclPktRule r{};
    r.uiFieldFlags = HAL_PRTCL_FIELD_MAC1 | HAL_PRTCL_FIELD_MAC2 | HAL_PRTCL_FIELD_SVLAN | HAL_PRTCL_FIELD_IP_PROTOCOL |
                     HAL_PRTCL_FIELD_SRC_IP | HAL_PRTCL_FIELD_DST_IP | HAL_PRTCL_FIELD_L4_SRC_PORT |
                     HAL_PRTCL_FIELD_L4_DST_PORT | HAL_PRTCL_FIELD_IP_VERSION | HAL_PRTCL_FIELD_IP_VER_QUALIFIER;
    const uint8_t mac[6] = {0x00, 0x1b, 0x2c, 0x3d, 0x4e, 0x5f};
    std::memcpy(r.aucMac1, mac, sizeof(mac));
    std::memset(r.aucMac1Mask, 0xFF, sizeof(r.aucMac1Mask));
    std::memset(r.aucMac2Mask, 0xFF, 3);  // MAC 2: its first three bytes, all zero
    r.uiSvlan = 100;
    r.uiIpProtocol = 17;
    r.uiSrcIp = 0xC0A80100U;
    r.uiSrcIpMask = 0xFFFFFF00U;
    r.uiDstIp = 0xC0A80101U;
    r.uiDstIpMask = 0xFFFFFFFFU;
    r.uiL4SrcPort = 68;
    r.uiL4DstPort = 67;
    r.uiIpVersion = 1;
    return r;
}

void BM_PrtclPktAclAddWithCar(benchmark::State &state)
{
    const PrtclPktRule rule = tenFieldRule();
    const PrtclPktAction action{1, 5, 0, kPrtclRate};
    const uint32_t before = g_nullHostCommands;
    for (auto _ : state) {
        benchmark::DoNotOptimize(HAL_PDU_PrtclPktAclAdd(kPrtclAcl, 1, kPrtclCtp, &rule, 1, &action));
    }
    countCommands(state, before);
    (void)HAL_PDU_PrtclPktAclDel(kPrtclAcl);
}
BENCHMARK(BM_PrtclPktAclAddWithCar);

// Removal of a rule with a CAR bound: the binding released, the profile
// deleted, the flow removed, three commands. A delete frees the CAR record,
// so each iteration first marks it bound again as the add left it: a
// 12-byte store, where re-adding the rule would cost several times the
// delete itself.
void BM_PrtclPktAclDelWithCar(benchmark::State &state)
{
    const PrtclPktRule rule = tenFieldRule();
    const PrtclPktAction action{1, 5, 0, kPrtclRate};
    (void)HAL_PDU_PrtclPktAclAdd(kPrtclAcl, 1, kPrtclCtp, &rule, 1, &action);
    const PduFlowCarEntry bound = pduFlowCarRecord[kPrtclAcl];
    const uint32_t before = g_nullHostCommands;
    for (auto _ : state) {
        pduFlowCarRecord[kPrtclAcl] = bound;
        benchmark::DoNotOptimize(HAL_PDU_PrtclPktAclDel(kPrtclAcl));
    }
    countCommands(state, before);
}
BENCHMARK(BM_PrtclPktAclDelWithCar);

// A read of a full MAC table: the buffer allocated, one command, the
// driver's 2048 entries converted for the host with their ports named by
// CTP, the buffer released. Every entry of the null host's table is one
// the host sees.
void BM_L2MacTableReadFull(benchmark::State &state)
{
    constexpr double kEntries = HAL_L2_MAC_TABLE_MAX;
    const auto table = std::make_unique<HAL_L2_MAC_TABLE_S>();
    if (HAL_L2_GetMacTable(table.get()) != 0 || table->uiNum != HAL_L2_MAC_TABLE_MAX) {
        state.SkipWithError("the null host's table did not come through whole");
        return;
    }
    const uint32_t before = g_nullHostCommands;
    for (auto _ : state) {
        benchmark::DoNotOptimize(HAL_L2_GetMacTable(table.get()));
        benchmark::ClobberMemory();
    }
    countCommands(state, before);
    // Seconds per entry, printed with its prefix ("9.8ns").
    state.counters["per entry"] =
        benchmark::Counter(kEntries, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_L2MacTableReadFull);

}  // namespace

BENCHMARK_MAIN();
