// The frame: family installation, slot dispatch, the PDU add and delete
// selection, DFX support and the IPv4 session flag.
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>

#include "chip/kalo/kalo_hooks.h"
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
HAL_HOOK_FUNC fakeFor(uint32_t (* /*entry*/)(A...))
{
    return reinterpret_cast<HAL_HOOK_FUNC>(&fakeSlot<A...>);
}

template <typename F>
HAL_HOOK_FUNC fn(F *f)
{
    return reinterpret_cast<HAL_HOOK_FUNC>(f);
}

// Arguments for an entry point of any signature that differ from each
// other, so that a swapped or dropped argument shows: integers 11, 12, ...,
// pointers 0x1000, 0x2000, ...
template <typename T>
T argAt(size_t i)
{
    if constexpr (std::is_pointer_v<T>) {
        const uintptr_t address = uintptr_t{0x1000} * (i + 1);
        return reinterpret_cast<T>(address);  // NOLINT(performance-no-int-to-ptr): passed on, never read
    } else {
        return static_cast<T>(11 + i);
    }
}
template <typename... A, size_t... I>
std::tuple<A...> argsOf(uint32_t (* /*entry*/)(A...), std::index_sequence<I...> /*positions*/)
{
    return {argAt<A>(I)...};
}
template <typename... A>
std::tuple<A...> argsOf(uint32_t (*entry)(A...))
{
    return argsOf(entry, std::index_sequence_for<A...>());
}
template <typename... A>
std::vector<uintptr_t> wordsOf(const std::tuple<A...> &args)
{
    return std::apply([](A... a) { return std::vector<uintptr_t>{asWord(a)...}; }, args);
}

// Runs check(family, row) over every row of the three families.
template <typename Check>
void forEveryRow(Check check)
{
    const auto each = [&check](const auto &family) {
        hal::forEachHook(family, [&](const auto &row) { check(family, row); });
    };
    each(kalo::kL3Hooks);
    each(kalo::kBtvHooks);
    each(kalo::kL2Hooks);
}

// The chip function a slot holds is named after its entry point
// (HAL_L3_AddWanStats, CHIP_KALO_AddWanStats; HAL_DFX_FlowAdd,
// CHIP_KALO_DfxFlowAdd) but for these.
const std::map<std::string, std::string> kOtherChipNames = {
    {"HAL_L3_SynL3IFSetMtu", "CHIP_KALO_SynL3IFMtu"},         {"HAL_BTV_SetEmStatsRule", "CHIP_KALO_SetBtvEmStatsRule"},
    {"HAL_BTV_GetEmStats", "CHIP_KALO_GetBtvEmStats"},        {"HAL_L2_GetPortTciStats", "CHIP_KALO_GetCtpTciStats"},
    {"HAL_L2_ClearPortTciStats", "CHIP_KALO_ClrCtpTciStats"}, {"HAL_L2_AddPortTciStats", "CHIP_KALO_AddCtpTciStats"},
    {"HAL_L2_DelPortTciStats", "CHIP_KALO_DelCtpTciStats"},   {"HAL_DFX_IsChipSupport", "CHIP_KALO_IsDfxChipSupport"},
};

std::string chipNameOf(const std::string &entry)
{
    const auto other = kOtherChipNames.find(entry);
    if (other != kOtherChipNames.end()) {
        return other->second;
    }
    const size_t family = entry.find('_') + 1;  // HAL_<family>_<operation>
    const size_t op = entry.find('_', family) + 1;
    const bool dfx = entry.compare(family, op - family, "DFX_") == 0;
    return "CHIP_KALO_" + std::string(dfx ? "Dfx" : "") + entry.substr(op);
}

class DispatchTest : public HalTest {
protected:
    void SetUp() override
    {
        HalTest::SetUp();
        fakeArgs.clear();
        fakeCalls = 0;
        fakeResult = 0xABCD0001;
        ASSERT_EQ(HAL_L3_InitUser(), 0U);
        ASSERT_EQ(HAL_L2_InitUser(), 0U);
        ASSERT_EQ(HAL_BTV_InitUser(), 0U);
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
        ASSERT_EQ(*f.installed, 0U);
        (void)f.anyCall();
        EXPECT_EQ(*f.installed, 1U);

        // A second installation would clear the table: a slot written after
        // the first one survives every later call.
        fakeResult = 77;
        f.table[f.slot] = f.fake;
        EXPECT_EQ(f.anyCall(), 77U);
        EXPECT_EQ(f.anyCall(), 77U);
    }
}

TEST_F(HalTest, FirstL2CallClearsThePduCarRecordsLaterCallsKeepThem)
{
    pduFlowCarRecord[5] = PduFlowCarEntry{1, 5, 1000};
    pduFlowCarRecord[256] = PduFlowCarEntry{1, 256, 64};
    (void)HAL_DFX_FlowCntClr(3);
    for (const PduFlowCarEntry &e : pduFlowCarRecord) {
        ASSERT_EQ(e.uiInUse | e.uiFlowId | e.uiCarRate, 0U);
    }
    pduFlowCarRecord[5] = PduFlowCarEntry{1, 5, 1000};
    (void)HAL_L2_SetPvid(1);
    EXPECT_EQ(pduFlowCarRecord[5].uiInUse, 1U);
    EXPECT_EQ(pduFlowCarRecord[5].uiCarRate, 1000U);
}

TEST_F(HalTest, EachRegistrationWritesTheChipFunctionsOfItsOwnSlots)
{
    // Registration functions one at a time, each on cleared tables: the
    // slots each one writes, and nothing else.
    using Registration = uint32_t (*)(void);
    const auto range = [](unsigned first, unsigned last) {
        std::set<unsigned> slots;
        for (unsigned slot = first; slot <= last; ++slot) {
            slots.insert(slot);
        }
        return slots;
    };
    struct Row {
        Registration reg;
        HAL_HOOK_FUNC *table;
        std::set<unsigned> slots;
    };
    const Row rows[] = {
        {CHIP_Register_L3, g_HalL3HookList, range(0, 12)},
        {CHIP_Register_Pdu, g_HalL2HookList, {31, 32, 34, 35, 36, 37, 38, 39}},
        {CHIP_Register_L2, g_HalL2HookList,
         [&] {
             auto slots = range(0, 15);
             slots.insert({30, 33});
             return slots;
         }()},
        {CHIP_Register_L2Mac, g_HalL2HookList, range(16, 29)},
        {CHIP_Register_Btv, g_HalBtvHookList, range(2, 16)},
        {CHIP_Register_BtvEm, g_HalBtvHookList, {0, 1}},
    };
    for (const Row &r : rows) {
        halsim::resetLibrary();
        ASSERT_EQ(r.reg(), 0U);
        forEveryRow([&r](const auto &family, const auto &row) {
            using Hook = std::remove_reference_t<decltype(row)>;
            const bool mine = family.table == r.table && r.slots.count(row.slot) != 0;
            EXPECT_EQ(Hook::registrar == r.reg, mine) << row.name;
            EXPECT_EQ(family.table[row.slot], mine ? fn(Hook::chip) : nullptr) << row.name;
        });
    }
}

TEST_F(HalTest, EverySlotHoldsTheChipFunctionOfItsEntryPoint)
{
    ASSERT_EQ(HAL_L3_InitUser() | HAL_L2_InitUser() | HAL_BTV_InitUser(), 0U);
    // A host may read the tables itself: the entry point of every slot, by
    // table, in slot order.
    const std::map<const HAL_HOOK_FUNC *, std::string> slotOrder = {
        {g_HalL3HookList,
         "AddWanStats DelWanStats ClearWanStats GetWanStats SynL3IFAdd SynL3IFSetMtu SynL3IFDel SynPrefixAdd "
         "SynPrefixDel AddPolicyRoute DelPolicyRoute AddNaptIndication DelNaptIndication"},
        {g_HalBtvHookList,
         "SetEmStatsRule GetEmStats SetProPktQue SetProPktRate SetMultiForwardMode AddProgramTable DelProgramTable "
         "AddProgramUsr DelProgramUsr AddBtvStats DelBtvStats ClearBtvStats GetBtvStats AddUserBtvStats "
         "DelUserBtvStats ClearUserBtvStats GetBtvUserStats"},
        {g_HalL2HookList,
         "AddFlow DelFlow AddBcTable DelBcTable AddDscpToPbitTbl DelDscpToPbitTbl AddBridgePort DelBridgePort "
         "SetPortIsolate SetBcLimit SetUmcLimit SetUucLimit GetPortTciStats ClearPortTciStats AddPortTciStats "
         "DelPortTciStats SetMacLearnState SetPortMacLearnNum SetMacAge SetMacLearnNum SetMacLearnMode "
         "SetPortMacLearnState AddStaticMac DelStaticMac DelPortMac GetMacTable AddEthMacFilter DelEthMacFilter "
         "SetEthMacFilterMode GetEthMacFilterMode SetPvid PrtclPktAclAdd PrtclPktAclDel SetPortIsolateEnable "
         "IsChipSupport FlowAdd FlowDel FlowCntEnable FlowCntGet FlowCntClr"},
    };
    // Functions of one type can be swapped between rows without the compiler
    // noticing; their names cannot.
    forEveryRow([&slotOrder](const auto &family, const auto &row) {
        using Row = std::remove_reference_t<decltype(row)>;
        const std::string entry = row.name;
        std::istringstream ops(slotOrder.at(family.table));
        std::string op;
        for (unsigned slot = 0; slot <= row.slot; ++slot) {
            ops >> op;
        }
        EXPECT_EQ(entry.substr(entry.find('_', 4) + 1), op) << "slot " << row.slot;
        EXPECT_EQ(family.table[row.slot], fn(Row::chip)) << row.name;
        if (Row::built) {
            EXPECT_EQ(row.chipName, chipNameOf(row.name)) << "slot " << row.slot;
        }
    });

    // The registered do-nothing operations answer 0 and send nothing.
    EXPECT_EQ(HAL_BTV_SetProPktQue(1, 2, 3) | HAL_BTV_SetProPktRate(4, 5, 6) | HAL_L2_DelPortMac(7), 0U);
    EXPECT_THAT(host.hlp, IsEmpty());
    EXPECT_THAT(host.lastWords, IsEmpty());
}

TEST_F(HalTest, MulticastAllocationFailureLeavesTheFamilyUninstalledAndRetries)
{
    host.failAlways("QX_OS_MemMallocD", 1);
    EXPECT_EQ(HAL_BTV_SetProPktQue(1, 2, 3), 1U);
    EXPECT_EQ(HAL_BTV_SetMultiForwardMode(0), 1U);
    EXPECT_EQ(HAL_BTV_InitUser(), 1U);
    EXPECT_EQ(g_HalBtvHookInstalled, 0U);
    EXPECT_EQ(g_pusBTV_USER_NUM, nullptr);
    const auto rec = lastWord("kalo_btv", 844, 0, 255);
    EXPECT_THAT(host.lastWords, ElementsAre(rec, rec, rec));
    for (HAL_HOOK_FUNC slot : g_HalBtvHookList) {
        EXPECT_EQ(slot, nullptr);
    }

    host.reset();
    EXPECT_EQ(HAL_BTV_SetProPktQue(1, 2, 3), 0U);
    EXPECT_EQ(g_HalBtvHookInstalled, 1U);
    ASSERT_NE(g_pusBTV_USER_NUM, nullptr);
    ASSERT_EQ(host.liveAllocations.size(), 1U);
    EXPECT_EQ(host.liveAllocations.begin()->second, 4080U);
    const auto *bytes = reinterpret_cast<const uint8_t *>(g_pusBTV_USER_NUM);
    EXPECT_TRUE(std::all_of(bytes, bytes + 4080, [](uint8_t b) { return b == 0; }));
}

TEST_F(HalTest, PreChipConfigLeavesTheTablesAlone)
{
    EXPECT_EQ(HAL_L2_PreChipConfig(), 0U);
    EXPECT_EQ(HAL_BTV_PreChipConfig(), 0U);
    EXPECT_EQ(g_HalL2HookInstalled | g_HalBtvHookInstalled, 0U);
    EXPECT_THAT(host.calls, IsEmpty());
}

// ---- Dispatch -------------------------------------------------------------

TEST_F(DispatchTest, EveryEntryPointPassesItsArgumentsToItsSlotAndReturnsTheResult)
{
    forEveryRow([this](const auto &family, const auto &row) {
        using Row = std::remove_reference_t<decltype(row)>;
        if (row.dispatch != hal::Dispatch::Plain) {
            return;  // the PDU add and delete choose their slot: tested below
        }
        SCOPED_TRACE(row.name);
        HAL_HOOK_FUNC &slot = family.table[row.slot];
        const HAL_HOOK_FUNC saved = slot;
        const auto args = argsOf(Row::entry);
        slot = fakeFor(Row::entry);
        fakeArgs.clear();
        fakeCalls = 0;
        EXPECT_EQ(std::apply(Row::entry, args), fakeResult);
        EXPECT_EQ(fakeCalls, 1);
        EXPECT_EQ(fakeArgs, wordsOf(args));

        slot = nullptr;
        EXPECT_EQ(std::apply(Row::entry, args), 1U) << "an empty slot answers 1";
        slot = saved;
        EXPECT_THAT(host.hlp, IsEmpty());
    });
}

// ---- Protocol-packet ACL add and delete -----------------------------------

class PduSelectTest : public DispatchTest {
protected:
    PrtclPktRule rule{};
    PrtclPktAction action{};

    static void fill(unsigned slot, uint32_t result)
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
    EXPECT_EQ(HAL_PDU_PrtclPktAclAdd(23, 1, 5, nullptr, 4, &action), 1U) << "no rule, no selector";
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
    EXPECT_EQ(HAL_DFX_IsSupport(), 0U) << "no chip answer";

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
        EXPECT_EQ(PDT_IFM_GetIpv4SessionFlag(&flag), 0U);
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
    EXPECT_EQ(haltest_c_hook_table_bytes(), (13U + 40U + 17U) * sizeof(void *));
}
