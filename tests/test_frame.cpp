// The frame: family installation, slot dispatch, the PDU add and delete
// selection, DFX support and the IPv4 session flag.
#include <functional>
#include <string>

#include "chip/kalo/kalo_btv.h"
#include "chip/kalo/kalo_btv_em.h"
#include "chip/kalo/kalo_l2.h"
#include "chip/kalo/kalo_l2_mac.h"
#include "chip/kalo/kalo_l3.h"
#include "fixture.h"
#include "hal_network_adpt.h"

using haltest::HalTest;
using haltest::lastWord;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

constexpr char kL2Api[] = "Source/hal/network/api/usr/hal_l2_usr_api";
constexpr char kL3Adpt[] = "Source/hal/network/core/usr/adpt/hal_l3_usr_adpt";

// A recording chip adapter function of any signature: it keeps its
// arguments as words and answers fakeResult.
std::vector<uintptr_t> fakeArgs;
int fakeCalls;
uint32_t fakeResult;

template <typename T>
uintptr_t asWord(T v)
{
    if constexpr (std::is_pointer_v<T>) {
        return reinterpret_cast<uintptr_t>(v);
    } else {
        return static_cast<uintptr_t>(v);
    }
}

template <typename... A>
uint32_t fakeSlot(A... args)
{
    fakeArgs = {asWord(args)...};
    ++fakeCalls;
    return fakeResult;
}

template <typename... A>
HAL_HOOK_FUNC fakeFor(uint32_t (*)(A...))
{
    return reinterpret_cast<HAL_HOOK_FUNC>(&fakeSlot<A...>);
}

template <typename F>
HAL_HOOK_FUNC fn(F *f)
{
    return reinterpret_cast<HAL_HOOK_FUNC>(f);
}

template <typename T>
T *fakePtr(uintptr_t v)
{
    return reinterpret_cast<T *>(v);
}

struct DispatchCase {
    std::string entry;
    HAL_HOOK_FUNC *table;
    unsigned slot;
    HAL_HOOK_FUNC fake;
    std::function<uint32_t()> call;
    std::vector<uintptr_t> args;
};

// One case per entry point: its table and slot, and a call with arguments
// that differ from each other, so a swapped or dropped argument shows.
template <typename... A>
DispatchCase dispatchCase(const char *name, HAL_HOOK_FUNC *table, unsigned slot, uint32_t (*entry)(A...), A... args)
{
    return {name, table, slot, fakeFor(entry), [=] { return entry(args...); }, {asWord(args)...}};
}

#define CASE(table, slot, entry, ...) dispatchCase(#entry, table, slot, &entry, __VA_ARGS__)

std::vector<DispatchCase> allDispatchCases()
{
    HAL_HOOK_FUNC *const l3 = g_HalL3HookList;
    HAL_HOOK_FUNC *const l2 = g_HalL2HookList;
    HAL_HOOK_FUNC *const btv = g_HalBtvHookList;
    return {
        CASE(l3, 0, HAL_L3_AddWanStats, 11u, 12u, 13u),
        CASE(l3, 1, HAL_L3_DelWanStats, 11u),
        CASE(l3, 2, HAL_L3_ClearWanStats, 11u),
        CASE(l3, 3, HAL_L3_GetWanStats, 11u, fakePtr<HAL_L3_WAN_STATS_S>(0x1000)),
        CASE(l3, 4, HAL_L3_SynL3IFAdd, 11u, fakePtr<const HAL_L3_IF_S>(0x1000)),
        CASE(l3, 5, HAL_L3_SynL3IFSetMtu, 11u, 1500u),
        CASE(l3, 6, HAL_L3_SynL3IFDel, 11u),
        CASE(l3, 7, HAL_L3_SynPrefixAdd, 11u, fakePtr<const HAL_L3_PREFIX_S>(0x1000)),
        CASE(l3, 8, HAL_L3_SynPrefixDel, 11u, fakePtr<const HAL_L3_PREFIX_S>(0x1000)),
        CASE(l3, 9, HAL_L3_AddPolicyRoute, 11u, fakePtr<const HAL_L3_POLICY_ROUTE_S>(0x1000)),
        CASE(l3, 10, HAL_L3_DelPolicyRoute, 11u),
        CASE(l3, 11, HAL_L3_AddNaptIndication, 11u, fakePtr<const HAL_L3_NAPT_IND_S>(0x1000)),
        CASE(l3, 12, HAL_L3_DelNaptIndication, 11u, fakePtr<const HAL_L3_NAPT_IND_S>(0x1000)),

        CASE(btv, 0, HAL_BTV_SetEmStatsRule, 1u, fakePtr<const BtvEmRule>(0x1000)),
        CASE(btv, 1, HAL_BTV_GetEmStats, fakePtr<const BtvEmRule>(0x1000), fakePtr<BtvEmResult>(0x2000)),
        CASE(btv, 2, HAL_BTV_SetProPktQue, 11u, 12u, 13u),
        CASE(btv, 3, HAL_BTV_SetProPktRate, 11u, 12u, 13u),
        CASE(btv, 4, HAL_BTV_SetMultiForwardMode, 2u),
        CASE(btv, 5, HAL_BTV_AddProgramTable, fakePtr<const BtvProgram>(0x1000)),
        CASE(btv, 6, HAL_BTV_DelProgramTable, fakePtr<const BtvProgram>(0x1000)),
        CASE(btv, 7, HAL_BTV_AddProgramUsr, fakePtr<const BtvProgramUser>(0x1000)),
        CASE(btv, 8, HAL_BTV_DelProgramUsr, fakePtr<const BtvProgramUser>(0x1000)),
        CASE(btv, 9, HAL_BTV_AddBtvStats, fakePtr<const BtvStats>(0x1000)),
        CASE(btv, 10, HAL_BTV_DelBtvStats, fakePtr<const BtvStats>(0x1000)),
        CASE(btv, 11, HAL_BTV_ClearBtvStats, fakePtr<const BtvStats>(0x1000)),
        CASE(btv, 12, HAL_BTV_GetBtvStats, fakePtr<BtvStats>(0x1000)),
        CASE(btv, 13, HAL_BTV_AddUserBtvStats, fakePtr<const BtvUserStats>(0x1000)),
        CASE(btv, 14, HAL_BTV_DelUserBtvStats, fakePtr<const BtvUserStats>(0x1000)),
        CASE(btv, 15, HAL_BTV_ClearUserBtvStats, fakePtr<const BtvUserStats>(0x1000)),
        CASE(btv, 16, HAL_BTV_GetBtvUserStats, fakePtr<BtvUserStats>(0x1000)),

        CASE(l2, 0, HAL_L2_AddFlow, fakePtr<const HAL_L2_FLOW_S>(0x1000)),
        CASE(l2, 1, HAL_L2_DelFlow, fakePtr<const HAL_L2_FLOW_S>(0x1000)),
        CASE(l2, 2, HAL_L2_AddBcTable, 11u, 12u, 13u),
        CASE(l2, 3, HAL_L2_DelBcTable, 11u, 12u, 13u),
        CASE(l2, 4, HAL_L2_AddDscpToPbitTbl, 11u, fakePtr<const HAL_L2_DSCP_TBL_S>(0x1000)),
        CASE(l2, 5, HAL_L2_DelDscpToPbitTbl, 11u, fakePtr<const HAL_L2_DSCP_TBL_S>(0x1000)),
        CASE(l2, 6, HAL_L2_AddBridgePort, 11u, 12u, 13u),
        CASE(l2, 7, HAL_L2_DelBridgePort, 11u, 12u, 13u),
        CASE(l2, 8, HAL_L2_SetPortIsolate, 11u, 12u, 13u),
        CASE(l2, 9, HAL_L2_SetBcLimit, 11u, fakePtr<const HAL_L2_LIMIT_S>(0x1000)),
        CASE(l2, 10, HAL_L2_SetUmcLimit, 11u, fakePtr<const HAL_L2_LIMIT_S>(0x1000)),
        CASE(l2, 11, HAL_L2_SetUucLimit, 11u, fakePtr<const HAL_L2_LIMIT_S>(0x1000)),
        CASE(l2, 12, HAL_L2_GetPortTciStats, 11u, 12u, 13u, fakePtr<HAL_L2_TCI_STATS_S>(0x1000)),
        CASE(l2, 13, HAL_L2_ClearPortTciStats, 11u, 12u, 13u),
        CASE(l2, 14, HAL_L2_AddPortTciStats, 11u, 12u, 13u),
        CASE(l2, 15, HAL_L2_DelPortTciStats, 11u, 12u, 13u),
        CASE(l2, 16, HAL_L2_SetMacLearnState, 11u),
        CASE(l2, 17, HAL_L2_SetPortMacLearnNum, 11u, 12u),
        CASE(l2, 18, HAL_L2_SetMacAge, 11u, 12u),
        CASE(l2, 19, HAL_L2_SetMacLearnNum, 11u),
        CASE(l2, 20, HAL_L2_SetMacLearnMode, 11u),
        CASE(l2, 21, HAL_L2_SetPortMacLearnState, 11u, 12u),
        CASE(l2, 22, HAL_L2_AddStaticMac, 11u, 12u, fakePtr<const uint8_t>(0x1000)),
        CASE(l2, 23, HAL_L2_DelStaticMac, 11u, 12u, fakePtr<const uint8_t>(0x1000)),
        CASE(l2, 24, HAL_L2_DelPortMac, 11u),
        CASE(l2, 25, HAL_L2_GetMacTable, fakePtr<HAL_L2_MAC_TABLE_S>(0x1000)),
        CASE(l2, 26, HAL_L2_AddEthMacFilter, fakePtr<const HAL_L2_MAC_FILTER_S>(0x1000)),
        CASE(l2, 27, HAL_L2_DelEthMacFilter, fakePtr<const HAL_L2_MAC_FILTER_S>(0x1000)),
        CASE(l2, 28, HAL_L2_SetEthMacFilterMode, 11u),
        CASE(l2, 29, HAL_L2_GetEthMacFilterMode, fakePtr<uint32_t>(0x1000)),
        CASE(l2, 30, HAL_L2_SetPvid, 11u),
        CASE(l2, 33, HAL_L2_SetPortIsolateEnable, 11u),
        CASE(l2, 34, HAL_DFX_IsChipSupport, fakePtr<uint32_t>(0x1000)),
        CASE(l2, 35, HAL_DFX_FlowAdd, 11u, 12u, 13u, fakePtr<const PrtclPktRule>(0x1000), 14u,
             fakePtr<const PrtclPktAction>(0x2000)),
        CASE(l2, 36, HAL_DFX_FlowDel, 11u),
        CASE(l2, 37, HAL_DFX_FlowCntEnable, 11u, 12u),
        CASE(l2, 38, HAL_DFX_FlowCntGet, 11u, fakePtr<HAL_DFX_FLOW_CNT_S>(0x1000)),
        CASE(l2, 39, HAL_DFX_FlowCntClr, 11u),
    };
}

class DispatchTest : public HalTest {
protected:
    void SetUp() override
    {
        HalTest::SetUp();
        fakeArgs.clear();
        fakeCalls = 0;
        fakeResult = 0xABCD0001;
        ASSERT_EQ(HAL_L3_InitUser(), 0u);
        ASSERT_EQ(HAL_L2_InitUser(), 0u);
        ASSERT_EQ(HAL_BTV_InitUser(), 0u);
    }
};

}  // namespace

// ---- Installation ---------------------------------------------------------

TEST_F(HalTest, EveryFamilyInstallsOnItsFirstCallAndNeverAgain)
{
    struct Family {
        const char *name;
        std::function<uint32_t()> anyCall;
        uint32_t *installed;
        HAL_HOOK_FUNC *table;
        unsigned slot;
        HAL_HOOK_FUNC fake;
    };
    const Family families[] = {
        {"L3", [] { return HAL_L3_SynL3IFSetMtu(1, 1500); }, &g_HalL3HookInstalled, g_HalL3HookList, 5,
         fakeFor(&HAL_L3_SynL3IFSetMtu)},
        {"L2", [] { return HAL_L2_SetPvid(1); }, &g_HalL2HookInstalled, g_HalL2HookList, 30, fakeFor(&HAL_L2_SetPvid)},
        {"BTV", [] { return HAL_BTV_SetMultiForwardMode(0); }, &g_HalBtvHookInstalled, g_HalBtvHookList, 4,
         fakeFor(&HAL_BTV_SetMultiForwardMode)},
    };
    for (const Family &f : families) {
        SCOPED_TRACE(f.name);
        ASSERT_EQ(*f.installed, 0u);
        (void)f.anyCall();
        EXPECT_EQ(*f.installed, 1u);

        // A second installation would clear the table: a slot written after
        // the first one survives every later call.
        fakeResult = 77;
        f.table[f.slot] = f.fake;
        EXPECT_EQ(f.anyCall(), 77u);
        EXPECT_EQ(f.anyCall(), 77u);
    }
}

TEST_F(HalTest, FirstL2CallClearsThePduCarRecordsLaterCallsKeepThem)
{
    pduFlowCarRecord[5] = PduFlowCarEntry{1, 5, 1000};
    pduFlowCarRecord[256] = PduFlowCarEntry{1, 256, 64};
    (void)HAL_DFX_FlowCntClr(3);
    for (const PduFlowCarEntry &e : pduFlowCarRecord) {
        ASSERT_EQ(e.uiInUse | e.uiFlowId | e.uiCarRate, 0u);
    }
    pduFlowCarRecord[5] = PduFlowCarEntry{1, 5, 1000};
    (void)HAL_L2_SetPvid(1);
    EXPECT_EQ(pduFlowCarRecord[5].uiInUse, 1u);
    EXPECT_EQ(pduFlowCarRecord[5].uiCarRate, 1000u);
}

TEST_F(HalTest, EverySlotHoldsTheChipFunctionOfItsEntryPoint)
{
    ASSERT_EQ(HAL_L3_InitUser() | HAL_L2_InitUser() | HAL_BTV_InitUser(), 0u);
    // Functions of one type can be swapped between slots without the
    // compiler noticing: pin every slot. Areas this chip does not offer yet
    // stay empty.
    const HAL_HOOK_FUNC l3[] = {
        fn(CHIP_KALO_AddWanStats),      fn(CHIP_KALO_DelWanStats),    fn(CHIP_KALO_ClearWanStats),
        fn(CHIP_KALO_GetWanStats),      fn(CHIP_KALO_SynL3IFAdd),     fn(CHIP_KALO_SynL3IFMtu),
        fn(CHIP_KALO_SynL3IFDel),       fn(CHIP_KALO_SynPrefixAdd),   fn(CHIP_KALO_SynPrefixDel),
        fn(CHIP_KALO_AddPolicyRoute),   fn(CHIP_KALO_DelPolicyRoute), fn(CHIP_KALO_AddNaptIndication),
        fn(CHIP_KALO_DelNaptIndication)};
    const HAL_HOOK_FUNC btv[] = {
        fn(CHIP_KALO_SetBtvEmStatsRule), fn(CHIP_KALO_GetBtvEmStats),       fn(CHIP_KALO_SetProPktQue),
        fn(CHIP_KALO_SetProPktRate),     fn(CHIP_KALO_SetMultiForwardMode), fn(CHIP_KALO_AddProgramTable),
        fn(CHIP_KALO_DelProgramTable),   fn(CHIP_KALO_AddProgramUsr),       fn(CHIP_KALO_DelProgramUsr),
        fn(CHIP_KALO_AddBtvStats),       fn(CHIP_KALO_DelBtvStats),         fn(CHIP_KALO_ClearBtvStats),
        fn(CHIP_KALO_GetBtvStats),       fn(CHIP_KALO_AddUserBtvStats),     fn(CHIP_KALO_DelUserBtvStats),
        fn(CHIP_KALO_ClearUserBtvStats), fn(CHIP_KALO_GetBtvUserStats)};
    HAL_HOOK_FUNC l2[HAL_L2_HOOK_NUM] = {};
    l2[HAL_L2_SLOT_ADD_FLOW] = fn(CHIP_KALO_AddFlow);
    l2[HAL_L2_SLOT_DEL_FLOW] = fn(CHIP_KALO_DelFlow);
    l2[HAL_L2_SLOT_DEL_PORT_MAC] = fn(CHIP_KALO_DelPortMac);
    EXPECT_TRUE(std::equal(std::begin(l3), std::end(l3), std::begin(g_HalL3HookList), std::end(g_HalL3HookList)));
    EXPECT_TRUE(std::equal(std::begin(btv), std::end(btv), std::begin(g_HalBtvHookList), std::end(g_HalBtvHookList)));
    EXPECT_TRUE(std::equal(std::begin(l2), std::end(l2), std::begin(g_HalL2HookList), std::end(g_HalL2HookList)));

    // The registered do-nothing operations answer 0 and send nothing.
    EXPECT_EQ(HAL_BTV_SetProPktQue(1, 2, 3) | HAL_BTV_SetProPktRate(4, 5, 6) | HAL_L2_DelPortMac(7), 0u);
    EXPECT_THAT(host.hlp, IsEmpty());
    EXPECT_THAT(host.lastWords, IsEmpty());
}

TEST_F(HalTest, MulticastAllocationFailureLeavesTheFamilyUninstalledAndRetries)
{
    host.failAlways("QX_OS_MemMallocD", 1);
    EXPECT_EQ(HAL_BTV_SetProPktQue(1, 2, 3), 1u);
    EXPECT_EQ(HAL_BTV_SetMultiForwardMode(0), 1u);
    EXPECT_EQ(HAL_BTV_InitUser(), 1u);
    EXPECT_EQ(g_HalBtvHookInstalled, 0u);
    EXPECT_EQ(g_pusBTV_USER_NUM, nullptr);
    const auto rec = lastWord("kalo_btv", 844, 0, 255);
    EXPECT_THAT(host.lastWords, ElementsAre(rec, rec, rec));
    for (HAL_HOOK_FUNC slot : g_HalBtvHookList) {
        EXPECT_EQ(slot, nullptr);
    }

    host.reset();
    EXPECT_EQ(HAL_BTV_SetProPktQue(1, 2, 3), 0u);
    EXPECT_EQ(g_HalBtvHookInstalled, 1u);
    ASSERT_NE(g_pusBTV_USER_NUM, nullptr);
    ASSERT_EQ(host.liveAllocations.size(), 1u);
    EXPECT_EQ(host.liveAllocations.begin()->second, 4080u);
    const auto *bytes = reinterpret_cast<const uint8_t *>(g_pusBTV_USER_NUM);
    EXPECT_TRUE(std::all_of(bytes, bytes + 4080, [](uint8_t b) { return b == 0; }));
}

TEST_F(HalTest, PreChipConfigLeavesTheTablesAlone)
{
    EXPECT_EQ(HAL_L2_PreChipConfig(), 0u);
    EXPECT_EQ(HAL_BTV_PreChipConfig(), 0u);
    EXPECT_EQ(g_HalL2HookInstalled | g_HalBtvHookInstalled, 0u);
    EXPECT_THAT(host.calls, IsEmpty());
}

// ---- Dispatch -------------------------------------------------------------

TEST_F(DispatchTest, EveryEntryPointPassesItsArgumentsToItsSlotAndReturnsTheResult)
{
    for (const DispatchCase &c : allDispatchCases()) {
        SCOPED_TRACE(c.entry);
        const HAL_HOOK_FUNC saved = c.table[c.slot];
        c.table[c.slot] = c.fake;
        fakeArgs.clear();
        fakeCalls = 0;
        EXPECT_EQ(c.call(), fakeResult);
        EXPECT_EQ(fakeCalls, 1);
        EXPECT_EQ(fakeArgs, c.args);

        c.table[c.slot] = nullptr;
        EXPECT_EQ(c.call(), 1u) << "an empty slot answers 1";
        c.table[c.slot] = saved;
    }
}

// ---- Protocol-packet ACL add and delete -----------------------------------

class PduSelectTest : public DispatchTest {
protected:
    PrtclPktRule rule{};
    PrtclPktAction action{};

    void fill(unsigned slot, uint32_t result)
    {
        g_HalL2HookList[slot] = fakeFor(&HAL_PDU_PrtclPktAclAdd);
        fakeResult = result;
    }
};

TEST_F(PduSelectTest, TheRuleSelectorChoosesTheAclOrTheDfxSlot)
{
    struct Row {
        uint32_t selector;
        unsigned filled;  // the slot with a chip function; the other stays empty
        uint32_t result;
        bool called;
        uint32_t expected;
        uint32_t line;  // failure record line, 0 for none
    };
    const Row rows[] = {
        {0, HAL_L2_SLOT_PRTCL_PKT_ACL_ADD, 0, true, 0, 0},    {0, HAL_L2_SLOT_PRTCL_PKT_ACL_ADD, 0x55, true, 0x55, 979},
        {1, HAL_L2_SLOT_DFX_FLOW_ADD, 0, true, 0, 0},         {1, HAL_L2_SLOT_DFX_FLOW_ADD, 0x66, true, 0x66, 990},
        {2, HAL_L2_SLOT_PRTCL_PKT_ACL_ADD, 0, false, 1, 997}, {1, HAL_L2_SLOT_PRTCL_PKT_ACL_ADD, 0, false, 1, 997},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(testing::Message() << "selector " << r.selector << " result " << r.result);
        host.reset();
        g_HalL2HookList[HAL_L2_SLOT_PRTCL_PKT_ACL_ADD] = nullptr;
        g_HalL2HookList[HAL_L2_SLOT_DFX_FLOW_ADD] = nullptr;
        fill(r.filled, r.result);
        rule.uiIsDfx = r.selector;
        fakeArgs.clear();
        fakeCalls = 0;
        EXPECT_EQ(HAL_PDU_PrtclPktAclAdd(21, 1, 5, &rule, 4, &action), r.expected);
        EXPECT_EQ(fakeCalls, r.called ? 1 : 0);
        if (r.called) {
            EXPECT_EQ(fakeArgs, (std::vector<uintptr_t>{21, 1, 5, asWord(&rule), 4, asWord(&action)}));
        }
        std::vector<halsim::LastWordRec> records;
        if (r.line != 0) {
            records.push_back(lastWord(kL2Api, r.line, r.expected, 21, r.selector, 1, 4));
        }
        EXPECT_EQ(host.lastWords, records);
    }
    host.reset();
    EXPECT_EQ(HAL_PDU_PrtclPktAclAdd(23, 1, 5, nullptr, 4, &action), 1u) << "no rule, no selector";
    EXPECT_THAT(host.lastWords, ElementsAre(lastWord(kL2Api, 997, 1, 23, 0, 1, 4)));
}

namespace {
uint32_t aclDelResult;
uint32_t dfxDelResult;
std::vector<std::string> deletes;
uint32_t aclDel(uint32_t id)
{
    deletes.push_back("acl " + std::to_string(id));
    return aclDelResult;
}
uint32_t dfxDel(uint32_t id)
{
    deletes.push_back("dfx " + std::to_string(id));
    return dfxDelResult;
}
}  // namespace

TEST_F(DispatchTest, AclDeleteFallsBackToTheDfxFlowDelete)
{
    struct Row {
        bool aclSlot;
        uint32_t aclResult;
        bool dfxSlot;
        uint32_t dfxResult;
        uint32_t expected;
        std::vector<std::string> calls;
        std::vector<halsim::LastWordRec> records;
    };
    const Row rows[] = {
        {true, 0, true, 0, 0, {"acl 9"}, {}},
        {true, 5, true, 0, 0, {"acl 9", "dfx 9"}, {lastWord(kL2Api, 1029, 0, 9)}},
        {true, 5, true, 6, 6, {"acl 9", "dfx 9"}, {lastWord(kL2Api, 1029, 6, 9)}},
        {false, 0, true, 0, 0, {"dfx 9"}, {lastWord(kL2Api, 1029, 0, 9)}},
        {true, 5, false, 0, 1, {"acl 9"}, {lastWord(kL2Api, 1034, 1, 9)}},
        {false, 0, false, 0, 1, {}, {lastWord(kL2Api, 1034, 1, 9)}},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(testing::Message() << "acl " << r.aclSlot << "/" << r.aclResult << " dfx " << r.dfxSlot);
        host.reset();
        deletes.clear();
        aclDelResult = r.aclResult;
        dfxDelResult = r.dfxResult;
        g_HalL2HookList[HAL_L2_SLOT_PRTCL_PKT_ACL_DEL] = r.aclSlot ? reinterpret_cast<HAL_HOOK_FUNC>(&aclDel) : nullptr;
        g_HalL2HookList[HAL_L2_SLOT_DFX_FLOW_DEL] = r.dfxSlot ? reinterpret_cast<HAL_HOOK_FUNC>(&dfxDel) : nullptr;
        EXPECT_EQ(HAL_PDU_PrtclPktAclDel(9), r.expected);
        EXPECT_EQ(deletes, r.calls);
        EXPECT_EQ(host.lastWords, r.records);
    }
}

// ---- DFX support ----------------------------------------------------------

namespace {
uint32_t chipSupportResult;
uint32_t chipSupport(uint32_t *support)
{
    *support = 1;
    return chipSupportResult;
}
}  // namespace

TEST_F(DispatchTest, DfxSupportCombinesTheChipAnswerWithTheFeature)
{
    constexpr char kFeature[] = "QX_TARN_FT_DFX_FLOW_SUPPORT";
    g_HalL2HookList[HAL_L2_SLOT_DFX_IS_CHIP_SUPPORT] = nullptr;
    EXPECT_EQ(HAL_DFX_IsSupport(), 0u) << "no chip answer";

    g_HalL2HookList[HAL_L2_SLOT_DFX_IS_CHIP_SUPPORT] = reinterpret_cast<HAL_HOOK_FUNC>(&chipSupport);
    struct Row {
        uint32_t chipResult;
        uint32_t feature;
        uint32_t expected;
        bool featureAsked;
    };
    for (const Row &r : {Row{0, 1, 0, false}, Row{1, 1, 1, true}, Row{1, 0, 0, true}, Row{7, 2, 1, true}}) {
        SCOPED_TRACE(testing::Message() << "chip " << r.chipResult << " feature " << r.feature);
        host.reset();
        chipSupportResult = r.chipResult;
        host.features[kFeature] = r.feature;
        EXPECT_EQ(HAL_DFX_IsSupport(), r.expected);
        EXPECT_EQ(called("QX_Feature_IsSupportByFeatureName"), r.featureAsked);
    }
}

// ---- IPv4 session flag ----------------------------------------------------

TEST_F(HalTest, Ipv4SessionFlagFailuresAreRecordedAndGiveZero)
{
    struct Row {
        const char *what;
        halsim::Host::DbValue exists;
        halsim::Host::DbValue flag;
        uint32_t expectedFlag;
        std::vector<halsim::LastWordRec> records;
    };
    const Row rows[] = {
        {"configured", {0, 1}, {0, 1}, 1, {}},
        {"object missing", {0, 0}, {0, 1}, 1, {lastWord(kL3Adpt, 49, 0, 0)}},
        {"existence query fails", {0x31, 1}, {0, 1}, 1, {lastWord(kL3Adpt, 49, 0x31, 1)}},
        {"read fails", {0, 1}, {0x32, 1}, 0, {lastWord(kL3Adpt, 60, 0x32, 0, 0)}},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.what);
        host.reset();
        host.sessionObjExists = r.exists;
        host.sessionFlag = r.flag;
        uint32_t flag = 9;
        EXPECT_EQ(PDT_IFM_GetIpv4SessionFlag(&flag), 0u);
        EXPECT_EQ(flag, r.expectedFlag);
        EXPECT_EQ(host.lastWords, r.records);
    }
}

// ---- The public header seen from C ----------------------------------------

extern "C" {
size_t haltest_c_sizeof_PrtclPktRule(void);
size_t haltest_c_offsetof_uiIsDfx(void);
size_t haltest_c_sizeof_BtvUserNumEntry(void);
size_t haltest_c_hook_table_bytes(void);
}

TEST(PublicHeader, CAndCxxAgreeOnTheRecords)
{
    EXPECT_EQ(haltest_c_sizeof_PrtclPktRule(), sizeof(PrtclPktRule));
    EXPECT_EQ(haltest_c_offsetof_uiIsDfx(), offsetof(PrtclPktRule, uiIsDfx));
    EXPECT_EQ(haltest_c_sizeof_BtvUserNumEntry(), sizeof(BtvUserNumEntry));
    EXPECT_EQ(haltest_c_hook_table_bytes(), (13u + 40u + 17u) * sizeof(void *));
}
