// Cost of one request through the library, from the entry point to the
// host's command channel, with a host that does nothing but accept. Each
// benchmark also reports the HLP commands one request sends.
#include <benchmark/benchmark.h>

#include <cstring>

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

}  // namespace

BENCHMARK_MAIN();
