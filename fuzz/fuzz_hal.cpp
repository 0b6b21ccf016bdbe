// libFuzzer target: one input is a host's sequence of calls into the library
// (format in fuzz_hal.h). Before each call the stand-in host is configured
// from the input: host functions that fail with any code, a driver that
// refuses commands or answers with arbitrary reply bytes, allocations that
// fail, feature and trace switches, the terminal's topology. Record arguments
// are heap buffers of the record's size, filled from the input, fenced by
// poisoned guard bytes, or null. The library's state is kept from step to
// step within one input and reset at the start of the next.
//
// After every step the harness aborts (so libFuzzer reports the input) when:
//  - a guard byte around a record was changed, or a record the library only
//    reads was changed (AddressSanitizer catches any access to the guards
//    or past them on its own);
//  - the host saw a free of memory it never handed out;
//  - the library holds memory its state does not explain. The library may
//    hold only the multicast user-count array (4080 bytes, the one that
//    g_pusBTV_USER_NUM points at) and WAN statistics nodes (at most 32 bytes
//    each). When the WAN list is linked in (QX_IFM_WanStatsGet), the small
//    allocations must be exactly the nodes on the list; otherwise there can
//    be no more of them than WAN adds minus successful WAN deletes in this
//    input, since each add makes at most one node and each successful delete
//    frees one;
//  - installed hook tables or their flags changed, the debug command name
//    lost its terminator, the debug switch word differs from the bits set
//    through CHIP_KALO_CLI_DbgSwtSet, or a multicast counter entry has a
//    non-zero reserved field.
#include <sanitizer/asan_interface.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "fuzz_hal.h"
#include "hal_l3_usr_adpt.h"
#include "hal_network_adpt.h"
#include "host.h"
#include "kalo_dbg.h"
#include "qx_host.h"

// The WAN statistics list comes with the L3 adapter; when it is linked in,
// the harness checks the allocations against it and empties it per input.
extern "C" {
__attribute__((weak)) void *QX_IFM_WanStatsGet(void);
__attribute__((weak)) uint32_t QX_IFM_WanStatsInit(void);
__attribute__((weak)) void QX_IFM_WanStatsFree(void *entry);
}

namespace fuzzhal {
namespace {

// ---- Host records --------------------------------------------------------

enum Rec : uint8_t {
    kL2Flow,
    kDscpTable,
    kLimit,
    kTciStats,
    kMacTable,
    kMacFilter,
    kMacAddress,
    kDfxCounters,
    kPrtclPktRule,
    kPrtclPktAction,
    kWanStats,
    kL3If,
    kL3Prefix,
    kNaptInd,
    kBtvProgram,
    kBtvProgramUser,
    kBtvStats,
    kBtvUserStats,
    kBtvEmRule,
    kBtvEmResult,
    kU32Out,
    kU16Out,
    kPointerOut,
    kRecNum
};

struct RecordKind {
    Rec rec;
    const char *name;
    uint32_t bytes;
    bool libraryWrites;  // an output record; the others must come back unchanged
};

// Sizes of the host records as the host allocates them. The policy route
// record (40 bytes + 4 per CTP id) and strings are sized per call.
constexpr RecordKind kRecords[] = {
    {kL2Flow, "HAL_L2_FLOW_S", 158, false},
    {kDscpTable, "HAL_L2_DSCP_TBL_S", 64, false},
    {kLimit, "HAL_L2_LIMIT_S", 8, false},
    {kTciStats, "HAL_L2_TCI_STATS_S", 32, true},
    {kMacTable, "HAL_L2_MAC_TABLE_S", 4 + 11 * 2048, true},
    {kMacFilter, "HAL_L2_MAC_FILTER_S", 12, false},
    {kMacAddress, "MAC address", 6, false},
    {kDfxCounters, "HAL_DFX_FLOW_CNT_S", 32, true},
    {kPrtclPktRule, "PrtclPktRule", 204, false},
    {kPrtclPktAction, "PrtclPktAction", 16, false},
    {kWanStats, "HAL_L3_WAN_STATS_S", 48, true},
    {kL3If, "HAL_L3_IF_S", 108, false},
    {kL3Prefix, "HAL_L3_PREFIX_S", 32, false},
    {kNaptInd, "HAL_L3_NAPT_IND_S", 36, false},
    {kBtvProgram, "BtvProgram", 36, false},
    {kBtvProgramUser, "BtvProgramUser", 88, false},
    {kBtvStats, "BtvStats", 16, true},
    {kBtvUserStats, "BtvUserStats", 20, true},
    {kBtvEmRule, "BtvEmRule", 16, false},
    {kBtvEmResult, "BtvEmResult", 8, true},
    {kU32Out, "u32 out", 4, true},
    {kU16Out, "u16 out", 2, true},
    {kPointerOut, "pointer out", sizeof(void *), true},
};
constexpr bool recordsInOrder()
{
    for (size_t i = 0; i < sizeof(kRecords) / sizeof(kRecords[0]); ++i) {
        if (kRecords[i].rec != i) {
            return false;
        }
    }
    return sizeof(kRecords) / sizeof(kRecords[0]) == kRecNum;
}
static_assert(recordsInOrder(), "kRecords must list every Rec in order");

constexpr uint32_t kPolicyRouteHead = 40;  // header; uiCtpNum at +36
constexpr uint32_t kPolicyRouteCountAt = 36;
constexpr uint32_t kPolicyRouteMaxCtps = 16;

[[noreturn]] void fail(const char *what, const char *detail = "")
{
    std::fprintf(stderr, "fuzz_hal: invariant broken: %s %s\n", what, detail);
    std::abort();
}

// One record passed to the library: its own heap block with poisoned guard
// bytes on both sides.
class Guarded {
public:
    static constexpr size_t kGuard = 32;
    static constexpr uint8_t kGuardByte = 0xA5;

    Guarded(const char *name, size_t bytes, bool libraryWrites)
        : name_(name), bytes_(bytes), writes_(libraryWrites), mem_(new uint8_t[bytes + 2 * kGuard]())
    {
        std::memset(mem_.get(), kGuardByte, kGuard);
        std::memset(mem_.get() + kGuard + bytes_, kGuardByte, kGuard);
    }
    ~Guarded() { unpoison(); }
    Guarded(const Guarded &) = delete;
    Guarded &operator=(const Guarded &) = delete;

    uint8_t *data() { return mem_.get() + kGuard; }
    size_t size() const { return bytes_; }

    // Call once the content is filled: remembers it and fences it.
    void seal()
    {
        before_.assign(data(), data() + bytes_);
        ASAN_POISON_MEMORY_REGION(mem_.get(), kGuard);
        ASAN_POISON_MEMORY_REGION(mem_.get() + kGuard + bytes_, kGuard);
    }

    void check()
    {
        unpoison();
        for (size_t i = 0; i < kGuard; ++i) {
            if (mem_[i] != kGuardByte || mem_[kGuard + bytes_ + i] != kGuardByte) {
                fail("write outside the record", name_);
            }
        }
        if (!writes_ && std::memcmp(before_.data(), data(), bytes_) != 0) {
            fail("read-only record changed", name_);
        }
    }

private:
    void unpoison() { ASAN_UNPOISON_MEMORY_REGION(mem_.get(), bytes_ + 2 * kGuard); }

    const char *name_;
    size_t bytes_;
    bool writes_;
    std::unique_ptr<uint8_t[]> mem_;
    std::vector<uint8_t> before_;
};

// ---- Host hooks registered through the library --------------------------

// How a hook registered by the fuzzer answers.
struct HookAnswer {
    uint32_t result = 0;
    uint8_t mode = 0;
    uint32_t a = 0;
    uint32_t b = 0;
};

struct Hooks {
    HookAnswer ctp2User, user2Ctp, netRole, gem, l2Flow, debugCmd;
} g_hooks;

// Mode bit 0: the result is returned for every call; bit 1: only for key a.
// Otherwise 0 with the values written.
bool hookFails(const HookAnswer &h, uint32_t key, uint32_t &result)
{
    if ((h.mode & 1U) != 0 || ((h.mode & 2U) != 0 && key == h.a)) {
        result = h.result;
        return true;
    }
    return false;
}

uint32_t fuzzCtp2UserPort(uint32_t ctpId, uint32_t *type, uint16_t *userPort)
{
    const HookAnswer &h = g_hooks.ctp2User;
    uint32_t ret = 0;
    if (hookFails(h, ctpId, ret)) {
        return ret;
    }
    uint32_t t = 0;
    uint16_t p = 0;
    switch ((h.mode >> 2) & 3U) {
        case 0:  // the built-in table
            if (HAL_DefaultGetPrototypeById(ctpId, &t, &p) != 0) {
                return 1;
            }
            break;
        case 1:  // every CTP type, by id
            t = ctpId % 16;
            p = static_cast<uint16_t>(ctpId / 16);
            break;
        default:  // fixed answer
            t = h.a;
            p = static_cast<uint16_t>(h.b);
            break;
    }
    if (type != nullptr) {
        *type = t;
    }
    if (userPort != nullptr) {
        *userPort = p;
    }
    return 0;
}

uint32_t fuzzUserPort2Ctp(uint32_t type, uint32_t userPort, uint16_t *ctpId)
{
    uint32_t ret = 0;
    if (hookFails(g_hooks.user2Ctp, userPort, ret)) {
        return ret;
    }
    if (ctpId != nullptr) {
        *ctpId = static_cast<uint16_t>((g_hooks.user2Ctp.mode & 4U) != 0 ? g_hooks.user2Ctp.b : type * 16 + userPort);
    }
    return 0;
}

uint32_t fuzzGetNetRole(uint32_t ctpId, uint32_t *role)
{
    uint32_t ret = 0;
    if (hookFails(g_hooks.netRole, ctpId, ret)) {
        return ret;
    }
    if (role != nullptr) {
        *role = (g_hooks.netRole.mode & 4U) != 0 ? g_hooks.netRole.b : (ctpId % 2 == 0 ? 0U : 3U);
    }
    return 0;
}

uint32_t fuzzGetGem(uint32_t ctpId, uint32_t *gemPort, uint16_t *bridgeId)
{
    uint32_t ret = 0;
    if (hookFails(g_hooks.gem, ctpId, ret)) {
        return ret;
    }
    if (gemPort != nullptr) {
        *gemPort = g_hooks.gem.b;
    }
    if (bridgeId != nullptr) {
        *bridgeId = static_cast<uint16_t>(ctpId + g_hooks.gem.a);
    }
    return 0;
}

uint32_t fuzzGetL2Flow(uint32_t a, uint32_t)
{
    uint32_t ret = 0;
    return hookFails(g_hooks.l2Flow, a, ret) ? ret : 0;
}

uint32_t fuzzDebugCmd(uint32_t argc, char **argv)
{
    // A host handler reads its arguments as a shell would.
    size_t total = 0;
    for (uint32_t i = 0; argv != nullptr && i < argc; ++i) {
        total += argv[i] != nullptr ? std::strlen(argv[i]) : 0;
    }
    return g_hooks.debugCmd.result + static_cast<uint32_t>(total);
}

// ---- Library state the harness follows ----------------------------------

struct Model {
    // Hook tables as first seen installed.
    bool l3Installed = false, l2Installed = false, btvInstalled = false;
    std::array<HAL_HOOK_FUNC, HAL_L3_HOOK_NUM> l3{};
    std::array<HAL_HOOK_FUNC, HAL_L2_HOOK_NUM> l2{};
    std::array<HAL_HOOK_FUNC, HAL_BTV_HOOK_NUM> btv{};
    uint32_t dbgSwitch = 0;
    uint32_t wanAdds = 0;    // HAL_L3_AddWanStats calls
    uint32_t wanDelsOk = 0;  // HAL_L3_DelWanStats calls that returned 0
};

struct WanNode {  // the WAN statistics entry: links first
    WanNode *next;
    WanNode *prev;
    uint32_t wanId;
    uint32_t portType;
    uint32_t vlan;
};
constexpr uint32_t kWanNodeMaxBytes = 32;
constexpr uint32_t kBtvArrayBytes = HAL_BTV_GROUP_NUM * sizeof(BtvUserNumEntry);

// The list nodes, or nothing when the list is not linked in or not set up.
std::vector<WanNode *> wanNodes()
{
    std::vector<WanNode *> nodes;
    if (QX_IFM_WanStatsGet == nullptr) {
        return nodes;
    }
    auto *head = static_cast<WanNode *>(QX_IFM_WanStatsGet());
    if (head == nullptr || head->next == nullptr) {
        return nodes;
    }
    const size_t limit = halsim::host().liveAllocations.size();
    WanNode *prev = head;
    for (WanNode *n = head->next; n != head; n = n->next) {
        if (n == nullptr || nodes.size() > limit) {
            fail("WAN list broken or longer than the allocations");
        }
        if (n->prev != prev) {
            fail("WAN list back link");
        }
        nodes.push_back(n);
        prev = n;
    }
    if (head->prev != prev) {
        fail("WAN list tail link");
    }
    return nodes;
}

void checkHookTable(const char *family, uint32_t flag, bool &seen, HAL_HOOK_FUNC *table, HAL_HOOK_FUNC *snapshot,
                    size_t slots)
{
    if (seen && flag == 0) {
        fail("hook table flag went back to 0:", family);
    }
    if (flag != 0 && !seen) {
        seen = true;
        std::memcpy(snapshot, table, slots * sizeof(HAL_HOOK_FUNC));
    } else if (seen && std::memcmp(snapshot, table, slots * sizeof(HAL_HOOK_FUNC)) != 0) {
        fail("installed hook table changed:", family);
    }
}

void checkState(Model &m)
{
    halsim::Host &host = halsim::host();
    if (host.badFrees != 0) {
        fail("free of memory the host never handed out");
    }

    // Memory the library holds.
    std::set<void *> small;
    for (const auto &[ptr, size] : host.liveAllocations) {
        if (size == kBtvArrayBytes && ptr == g_pusBTV_USER_NUM) {
            continue;
        }
        if (size > kWanNodeMaxBytes) {
            fail("allocation the library state does not explain");
        }
        small.insert(ptr);
    }
    if (QX_IFM_WanStatsGet != nullptr) {
        std::set<uint32_t> ids;
        size_t listed = 0;
        for (WanNode *n : wanNodes()) {
            ++listed;
            if (small.count(n) == 0) {
                fail("WAN node is not a live allocation");
            }
            if (!ids.insert(n->wanId).second || n->vlan >= 4096 || n->portType != 1) {
                fail("WAN node content");
            }
        }
        if (listed != small.size()) {
            fail("small allocation that is no WAN node");
        }
    } else if (small.size() + m.wanDelsOk > m.wanAdds) {
        fail("more small allocations than WAN adds");
    }

    // The multicast user-count array.
    if (g_pusBTV_USER_NUM != nullptr) {
        auto it = host.liveAllocations.find(g_pusBTV_USER_NUM);
        if (it == host.liveAllocations.end() || it->second != kBtvArrayBytes) {
            fail("g_pusBTV_USER_NUM is not a live 4080-byte allocation");
        }
        for (uint32_t g = 0; g < HAL_BTV_GROUP_NUM; ++g) {
            const BtvUserNumEntry &e = g_pusBTV_USER_NUM[g];
            if (e.usRsv4 != 0 || e.usRsv6 != 0 || e.uiRsv8 != 0 || e.uiRsv12 != 0) {
                fail("reserved field of a multicast counter entry");
            }
        }
    } else if (g_HalBtvHookInstalled != 0) {
        fail("multicast family installed without its counter array");
    }

    checkHookTable("L3", g_HalL3HookInstalled, m.l3Installed, g_HalL3HookList, m.l3.data(), m.l3.size());
    checkHookTable("L2", g_HalL2HookInstalled, m.l2Installed, g_HalL2HookList, m.l2.data(), m.l2.size());
    checkHookTable("BTV", g_HalBtvHookInstalled, m.btvInstalled, g_HalBtvHookList, m.btv.data(), m.btv.size());

    if (g_HalL2DebugCmdStr[HAL_DEBUG_CMD_STR_LEN - 1] != '\0' ||
        (g_HalL2DebugCmdEntryHook == nullptr && g_HalL2DebugCmdStr[0] != '\0')) {
        fail("registered debug command");
    }
    if (CHIP_KALO_DbgSwitch != m.dbgSwitch) {
        fail("debug switch word");
    }
}

// Puts the library back at its load state, as a freshly loaded library in a
// host that has called QX_IFM_WanStatsInit.
void resetLibrary()
{
    if (QX_IFM_WanStatsFree != nullptr) {
        for (WanNode *n : wanNodes()) {
            QX_IFM_WanStatsFree(n);
        }
    }
    if (QX_IFM_WanStatsInit != nullptr) {
        (void)QX_IFM_WanStatsInit();
    }
    g_HalL3HookInstalled = 0;
    g_HalL2HookInstalled = 0;
    g_HalBtvHookInstalled = 0;
    std::memset(g_HalL3HookList, 0, sizeof(g_HalL3HookList));
    std::memset(g_HalL2HookList, 0, sizeof(g_HalL2HookList));
    std::memset(g_HalBtvHookList, 0, sizeof(g_HalBtvHookList));
    std::memset(pduFlowCarRecord, 0, sizeof(pduFlowCarRecord));
    if (g_pusBTV_USER_NUM != nullptr) {
        QX_OS_MemFreeD(g_pusBTV_USER_NUM);
        g_pusBTV_USER_NUM = nullptr;
    }
    HAL_RegCtp2UserPortFunc(nullptr);
    HAL_RegUserPort2CtpFunc(nullptr);
    HAL_RegGetNniRoleFunc(nullptr);
    HAL_RegGetBCUCGemBgeByIdFunc(nullptr);
    HAL_RegGetL2FlowFunc(nullptr);
    HAL_RegChipDebugCmdEntry(nullptr, nullptr);
    CHIP_KALO_DbgSwitch = 0;
    g_hooks = Hooks{};
}

// ---- Host configuration of one step -------------------------------------

constexpr const char *kHostFunctions[] = {
    "QX_OS_HLP_SendOutLarge",
    "QX_PROC_DBG_TraceN",
    "QX_PROC_DBG_TraceS",
    "QX_DIA_GetTraceFlag",
    "QX_PROC_DBG_LastWord",
    "QX_OS_MemMallocD",
    "QX_OS_MemFreeD",
    "QX_OS_StrCaseCmp",
    "QX_OS_StrCmp",
    "QX_Feature_IsSupportByFeatureName",
    "QX_DM_PDGetAttr",
    "QX_DM_ChipGetAttr",
    "QX_DM_TopoGetKaPortByUserPort",
    "QX_DM_GetCurUpUserPortID",
    "QX_DM_TopoSwitchCommon",
    "QX_XML_DBIsObjExist",
    "QX_XML_DBGetSiglePara",
    "L2M_Ctp_GetIdByPrototype",
    "L2M_Ctp_GetNetRole",
    "L2M_PTP_IsSupportAutoSelect",
    "BLL_GPON_GetUCGemportByVbridgeID",
    "memset_s",
    "memcpy_s",
    "strncpy_s",
};
constexpr size_t kHostFunctionNum = sizeof(kHostFunctions) / sizeof(kHostFunctions[0]);

constexpr const char *kFeatures[] = {
    "QX_TARN_FT_DFX_FLOW_SUPPORT", "FT_MULTI_SERVICE_IPTV_PORT", "TARN_FT_TAG_TYPE",
    "FT_MULTICAST_VLAN_TAG",       "TARN_FT_IPv4FWD_SKIPROUTE",
};
constexpr uint32_t kTraceModules[] = {581, 582, 583};

// Driver answers of one step, in the order the commands are sent; commands
// past the script are accepted with the reply left as the library cleared it.
struct DriverScript {
    struct Entry {
        uint32_t result;
        std::vector<uint8_t> pattern;
    };
    std::vector<Entry> entries;
    size_t next = 0;

    uint32_t answer(void *reply, uint32_t replyLen)
    {
        if (next >= entries.size()) {
            return 0;
        }
        const Entry &e = entries[next++];
        if (e.result == 0 && reply != nullptr && !e.pattern.empty()) {
            auto *out = static_cast<uint8_t *>(reply);
            for (uint32_t i = 0; i < replyLen; ++i) {
                out[i] = e.pattern[i % e.pattern.size()];
            }
        }
        return e.result;
    }
};

void configureTopology(Reader &in, halsim::Host &host)
{
    const uint8_t ports = in.u8();
    host.pdAttrs[1] = {(ports & 0x80U) != 0 ? 1U : 0U, ports % 41U};
    host.pdAttrs[0x11000033] = {0, in.val()};
    host.chipAttrs[0x10001] = {0, in.val()};
    const uint8_t user = in.u8();
    const uint8_t chip = in.u8();
    const uint32_t key = user == 0 ? halsim::kDefaultUplinkUserPort : user;
    if (chip == 0xFF) {
        host.userToChipPort.erase(key);
    } else {
        host.userToChipPort[key] = chip % 41U;
    }
    const uint32_t uplink = in.val();
    const uint8_t sw = in.u8();
    host.uplink = {(sw & 1U) != 0 ? 1U : 0U, uplink};
    host.sessionObjExists = {(sw & 4U) != 0 ? 1U : 0U, (sw & 2U) != 0 ? 0U : 1U};
    host.sessionFlag = {(sw & 16U) != 0 ? 1U : 0U, (sw & 8U) != 0 ? 1U : 0U};
    host.autoSelect = (sw & 32U) != 0 ? 1U : 0U;
    if ((sw & 64U) != 0) {
        host.l2mNetRole[user] = 3;
    }
    if ((sw & 128U) != 0) {
        host.l2mCtpByPrototype.erase({0, user});
    }
    const uint32_t bridge = in.val();
    const auto vlan = static_cast<uint16_t>(in.val());
    const auto gem = static_cast<uint16_t>(in.val());
    const uint8_t count = in.u8();
    halsim::GemLookup lookup;
    lookup.result = (count & 0x80U) != 0 ? 1U : 0U;
    lookup.count = count & 0x7FU;
    for (uint16_t i = 0; i < lookup.count && i < 67; ++i) {
        lookup.gemPorts.push_back(static_cast<uint16_t>(gem + i));
    }
    host.gemByBridgeVlan[{bridge, vlan}] = lookup;
}

void configureHost(Reader &in, DriverScript &script)
{
    halsim::Host &host = halsim::host();
    host.reset();
    const uint8_t bits = in.u8();
    if ((bits & kHostFail) != 0) {
        const int n = in.u8() % 4 + 1;
        for (int i = 0; i < n; ++i) {
            const char *fn = kHostFunctions[in.u8() % kHostFunctionNum];
            const uint32_t code = in.val();
            host.failNext(fn, code != 0 ? code : 1);
        }
    }
    if ((bits & kHostDriver) != 0) {
        const int n = in.u8() % 4 + 1;
        for (int i = 0; i < n; ++i) {
            DriverScript::Entry e;
            e.result = in.val();
            e.pattern.resize(in.u8() % 33U);
            in.bytes(e.pattern.data(), e.pattern.size());
            script.entries.push_back(std::move(e));
        }
    }
    host.driver = [&script](const halsim::HlpCall &, void *reply, uint32_t replyLen) {
        return script.answer(reply, replyLen);
    };
    if ((bits & kHostFlags) != 0) {
        const uint8_t features = in.u8();
        const uint8_t traces = in.u8();
        for (size_t i = 0; i < sizeof(kFeatures) / sizeof(kFeatures[0]); ++i) {
            if ((features & (1U << i)) != 0) {
                host.features[kFeatures[i]] = (features & 0x80U) != 0 ? 2U : 1U;
            }
        }
        for (size_t i = 0; i < sizeof(kTraceModules) / sizeof(kTraceModules[0]); ++i) {
            host.traceFlags[kTraceModules[i]] = (traces >> i) & 1U;
        }
    }
    if ((bits & kHostTopology) != 0) {
        configureTopology(in, host);
    }
    if ((bits & kHostNoMemory) != 0) {
        host.failAlways("QX_OS_MemMallocD", 1);
    }
    if ((bits & kHostRefuse) != 0) {
        const uint32_t code = in.val();
        host.failAlways("QX_OS_HLP_SendOutLarge", code != 0 ? code : 1);
    }
}

// ---- One call --------------------------------------------------------------

class Call {
public:
    Call(Reader &in, Model &model) : in(in), model(model) {}

    template <size_t N>
    std::array<uint32_t, N> vals()
    {
        std::array<uint32_t, N> v{};
        for (uint32_t &x : v) {
            x = in.val();
        }
        return v;
    }

    template <typename T = void>
    T *rec(Rec kind)
    {
        const RecordKind &k = kRecords[kind];
        const uint8_t len = in.u8();
        if (len == kNullRecord) {
            return nullptr;
        }
        Guarded &g = add(k.name, k.bytes, k.libraryWrites);
        in.bytes(g.data(), std::min<size_t>(len, k.bytes));
        g.seal();
        return reinterpret_cast<T *>(g.data());
    }

    // Policy route record: 40 bytes, then uiCtpNum CTP ids. A count the
    // buffer could not hold is cut to one it does.
    const HAL_L3_POLICY_ROUTE_S *policyRoute()
    {
        const uint8_t len = in.u8();
        if (len == kNullRecord) {
            return nullptr;
        }
        std::vector<uint8_t> bytes(len);
        in.bytes(bytes.data(), bytes.size());
        bytes.resize(std::max<size_t>(bytes.size(), kPolicyRouteHead));
        uint32_t count = 0;
        std::memcpy(&count, bytes.data() + kPolicyRouteCountAt, sizeof(count));
        count %= kPolicyRouteMaxCtps + 1;
        std::memcpy(bytes.data() + kPolicyRouteCountAt, &count, sizeof(count));
        Guarded &g = add("HAL_L3_POLICY_ROUTE_S", kPolicyRouteHead + 4 * count, false);
        std::memcpy(g.data(), bytes.data(), std::min(bytes.size(), g.size()));
        g.seal();
        return reinterpret_cast<const HAL_L3_POLICY_ROUTE_S *>(g.data());
    }

    // NUL-terminated string of up to 31 input bytes, or null.
    char *str()
    {
        const uint8_t len = in.u8();
        if (len == kNullRecord) {
            return nullptr;
        }
        Guarded &g = add("string", len % 32U + 1U, false);
        in.bytes(g.data(), g.size() - 1);
        g.seal();
        return reinterpret_cast<char *>(g.data());
    }

    // Command words of the debug shell: u8 argc (0xFF: null argv, then a val
    // for argc), then per word u8 pick: 0xFF null, below 0x80 a known word,
    // else that many (& 31) input bytes.
    struct Argv {
        uint32_t argc;
        char **argv;
    };
    Argv argv()
    {
        static constexpr const char *kWords[] = {"Tarncmd", "chip_kalo", "dbg", "DBG", "on", "ON",
                                                 "oN",      "off",       "OFF", "Off", "",   "x"};
        const uint8_t n = in.u8();
        if (n == kNullRecord) {
            return {in.val(), nullptr};
        }
        const uint32_t argc = n % 8U;
        Guarded &table = add("argv", argc * sizeof(char *), false);
        auto *words = reinterpret_cast<char **>(table.data());
        for (uint32_t i = 0; i < argc; ++i) {
            const uint8_t pick = in.u8();
            if (pick == kNullRecord) {
                words[i] = nullptr;
                continue;
            }
            const char *known = pick < 0x80 ? kWords[pick % (sizeof(kWords) / sizeof(kWords[0]))] : nullptr;
            const size_t len = known != nullptr ? std::strlen(known) : (pick & 31U);
            Guarded &word = add("argv word", len + 1, false);
            if (known != nullptr) {
                std::memcpy(word.data(), known, len);
            } else {
                in.bytes(word.data(), len);
            }
            word.seal();
            words[i] = reinterpret_cast<char *>(word.data());
        }
        table.seal();
        return {argc, words};
    }

    HookAnswer hookAnswer()
    {
        HookAnswer h;
        h.result = in.val();
        h.mode = in.u8();
        h.a = in.val();
        h.b = in.val();
        return h;
    }

    void checkRecords()
    {
        for (auto &g : records_) {
            g->check();
        }
    }

    Reader &in;
    Model &model;
    uint32_t result = 0;

private:
    Guarded &add(const char *name, size_t bytes, bool libraryWrites)
    {
        records_.push_back(std::make_unique<Guarded>(name, bytes, libraryWrites));
        return *records_.back();
    }

    std::vector<std::unique_ptr<Guarded>> records_;
};

// ---- The operations ---------------------------------------------------------

struct Op {
    const char *name;
    void (*run)(Call &c);
};

// Registers the fuzzer's hook (even choice byte) or null (odd) and how the
// hook answers.
template <typename Fn>
uint32_t registerHook(Call &c, uint32_t (*reg)(Fn), Fn hook, HookAnswer &answer)
{
    const bool useHook = c.in.u8() % 2 == 0;
    answer = c.hookAnswer();
    return reg(useHook ? hook : nullptr);
}

constexpr HAL_DEBUG_CMD_FUNC kDebugHandlers[] = {nullptr, CHIP_KALO_dbg_cmd, CHIP_KALO_TARN_cmd_dbg, fuzzDebugCmd};

#define OP(name, ...)                   \
    {                                   \
#name, [](Call & c) __VA_ARGS__ \
    }

const Op kOps[] = {
    // L3 family.
    OP(HAL_L3_InitUser, { c.result = HAL_L3_InitUser(); }),
    OP(HAL_L3_AddWanStats,
       {
           const auto v = c.vals<3>();
           ++c.model.wanAdds;
           c.result = HAL_L3_AddWanStats(v[0], v[1], v[2]);
       }),
    OP(HAL_L3_DelWanStats,
       {
           c.result = HAL_L3_DelWanStats(c.in.val());
           c.model.wanDelsOk += c.result == 0 ? 1U : 0U;
       }),
    OP(HAL_L3_ClearWanStats, { c.result = HAL_L3_ClearWanStats(c.in.val()); }),
    OP(HAL_L3_GetWanStats,
       {
           const uint32_t id = c.in.val();
           c.result = HAL_L3_GetWanStats(id, c.rec<HAL_L3_WAN_STATS_S>(kWanStats));
       }),
    OP(HAL_L3_SynL3IFAdd,
       {
           const uint32_t ifIndex = c.in.val();
           c.result = HAL_L3_SynL3IFAdd(ifIndex, c.rec<HAL_L3_IF_S>(kL3If));
       }),
    OP(HAL_L3_SynL3IFSetMtu,
       {
           const auto v = c.vals<2>();
           c.result = HAL_L3_SynL3IFSetMtu(v[0], v[1]);
       }),
    OP(HAL_L3_SynL3IFDel, { c.result = HAL_L3_SynL3IFDel(c.in.val()); }),
    OP(HAL_L3_SynPrefixAdd,
       {
           const uint32_t ifIndex = c.in.val();
           c.result = HAL_L3_SynPrefixAdd(ifIndex, c.rec<HAL_L3_PREFIX_S>(kL3Prefix));
       }),
    OP(HAL_L3_SynPrefixDel,
       {
           const uint32_t ifIndex = c.in.val();
           c.result = HAL_L3_SynPrefixDel(ifIndex, c.rec<HAL_L3_PREFIX_S>(kL3Prefix));
       }),
    OP(HAL_L3_AddPolicyRoute,
       {
           const uint32_t ruleId = c.in.val();
           c.result = HAL_L3_AddPolicyRoute(ruleId, c.policyRoute());
       }),
    OP(HAL_L3_DelPolicyRoute, { c.result = HAL_L3_DelPolicyRoute(c.in.val()); }),
    OP(HAL_L3_AddNaptIndication,
       {
           const uint32_t ruleId = c.in.val();
           c.result = HAL_L3_AddNaptIndication(ruleId, c.rec<HAL_L3_NAPT_IND_S>(kNaptInd));
       }),
    OP(HAL_L3_DelNaptIndication,
       {
           const uint32_t ruleId = c.in.val();
           c.result = HAL_L3_DelNaptIndication(ruleId, c.rec<HAL_L3_NAPT_IND_S>(kNaptInd));
       }),
    OP(PDT_IFM_GetIpv4SessionFlag, { c.result = PDT_IFM_GetIpv4SessionFlag(c.rec<uint32_t>(kU32Out)); }),

    // Multicast family.
    OP(HAL_BTV_InitUser, { c.result = HAL_BTV_InitUser(); }),
    OP(HAL_BTV_PreChipConfig, { c.result = HAL_BTV_PreChipConfig(); }),
    OP(HAL_CHIP_Btv_PreInit, { c.result = HAL_CHIP_Btv_PreInit(); }),
    OP(HAL_BTV_SetEmStatsRule,
       {
           const uint32_t act = c.in.val();
           c.result = HAL_BTV_SetEmStatsRule(act, c.rec<BtvEmRule>(kBtvEmRule));
       }),
    OP(HAL_BTV_GetEmStats,
       {
           const auto *rule = c.rec<BtvEmRule>(kBtvEmRule);
           c.result = HAL_BTV_GetEmStats(rule, c.rec<BtvEmResult>(kBtvEmResult));
       }),
    OP(HAL_BTV_SetProPktQue,
       {
           const auto v = c.vals<3>();
           c.result = HAL_BTV_SetProPktQue(v[0], v[1], v[2]);
       }),
    OP(HAL_BTV_SetProPktRate,
       {
           const auto v = c.vals<3>();
           c.result = HAL_BTV_SetProPktRate(v[0], v[1], v[2]);
       }),
    OP(HAL_BTV_SetMultiForwardMode, { c.result = HAL_BTV_SetMultiForwardMode(c.in.val()); }),
    OP(HAL_BTV_AddProgramTable, { c.result = HAL_BTV_AddProgramTable(c.rec<BtvProgram>(kBtvProgram)); }),
    OP(HAL_BTV_DelProgramTable, { c.result = HAL_BTV_DelProgramTable(c.rec<BtvProgram>(kBtvProgram)); }),
    OP(HAL_BTV_AddProgramUsr, { c.result = HAL_BTV_AddProgramUsr(c.rec<BtvProgramUser>(kBtvProgramUser)); }),
    OP(HAL_BTV_DelProgramUsr, { c.result = HAL_BTV_DelProgramUsr(c.rec<BtvProgramUser>(kBtvProgramUser)); }),
    OP(HAL_BTV_AddBtvStats, { c.result = HAL_BTV_AddBtvStats(c.rec<BtvStats>(kBtvStats)); }),
    OP(HAL_BTV_DelBtvStats, { c.result = HAL_BTV_DelBtvStats(c.rec<BtvStats>(kBtvStats)); }),
    OP(HAL_BTV_ClearBtvStats, { c.result = HAL_BTV_ClearBtvStats(c.rec<BtvStats>(kBtvStats)); }),
    OP(HAL_BTV_GetBtvStats, { c.result = HAL_BTV_GetBtvStats(c.rec<BtvStats>(kBtvStats)); }),
    OP(HAL_BTV_AddUserBtvStats, { c.result = HAL_BTV_AddUserBtvStats(c.rec<BtvUserStats>(kBtvUserStats)); }),
    OP(HAL_BTV_DelUserBtvStats, { c.result = HAL_BTV_DelUserBtvStats(c.rec<BtvUserStats>(kBtvUserStats)); }),
    OP(HAL_BTV_ClearUserBtvStats, { c.result = HAL_BTV_ClearUserBtvStats(c.rec<BtvUserStats>(kBtvUserStats)); }),
    OP(HAL_BTV_GetBtvUserStats, { c.result = HAL_BTV_GetBtvUserStats(c.rec<BtvUserStats>(kBtvUserStats)); }),

    // L2 family: services.
    OP(HAL_L2_InitUser, { c.result = HAL_L2_InitUser(); }),
    OP(HAL_L2_PreChipConfig, { c.result = HAL_L2_PreChipConfig(); }),
    OP(HAL_CHIP_L2_PreInit, { c.result = HAL_CHIP_L2_PreInit(); }),
    OP(HAL_L2_AddFlow, { c.result = HAL_L2_AddFlow(c.rec<HAL_L2_FLOW_S>(kL2Flow)); }),
    OP(HAL_L2_DelFlow, { c.result = HAL_L2_DelFlow(c.rec<HAL_L2_FLOW_S>(kL2Flow)); }),
    OP(HAL_L2_AddBcTable,
       {
           const auto v = c.vals<3>();
           c.result = HAL_L2_AddBcTable(v[0], v[1], v[2]);
       }),
    OP(HAL_L2_DelBcTable,
       {
           const auto v = c.vals<3>();
           c.result = HAL_L2_DelBcTable(v[0], v[1], v[2]);
       }),
    OP(HAL_L2_AddDscpToPbitTbl,
       {
           const uint32_t id = c.in.val();
           c.result = HAL_L2_AddDscpToPbitTbl(id, c.rec<HAL_L2_DSCP_TBL_S>(kDscpTable));
       }),
    OP(HAL_L2_DelDscpToPbitTbl,
       {
           const uint32_t id = c.in.val();
           c.result = HAL_L2_DelDscpToPbitTbl(id, c.rec<HAL_L2_DSCP_TBL_S>(kDscpTable));
       }),
    OP(HAL_L2_AddBridgePort,
       {
           const auto v = c.vals<3>();
           c.result = HAL_L2_AddBridgePort(v[0], v[1], v[2]);
       }),
    OP(HAL_L2_DelBridgePort,
       {
           const auto v = c.vals<3>();
           c.result = HAL_L2_DelBridgePort(v[0], v[1], v[2]);
       }),
    OP(HAL_L2_SetPortIsolate,
       {
           const auto v = c.vals<3>();
           c.result = HAL_L2_SetPortIsolate(v[0], v[1], v[2]);
       }),
    OP(HAL_L2_SetBcLimit,
       {
           const uint32_t ctp = c.in.val();
           c.result = HAL_L2_SetBcLimit(ctp, c.rec<HAL_L2_LIMIT_S>(kLimit));
       }),
    OP(HAL_L2_SetUmcLimit,
       {
           const uint32_t ctp = c.in.val();
           c.result = HAL_L2_SetUmcLimit(ctp, c.rec<HAL_L2_LIMIT_S>(kLimit));
       }),
    OP(HAL_L2_SetUucLimit,
       {
           const uint32_t ctp = c.in.val();
           c.result = HAL_L2_SetUucLimit(ctp, c.rec<HAL_L2_LIMIT_S>(kLimit));
       }),
    OP(HAL_L2_GetPortTciStats,
       {
           const auto v = c.vals<3>();
           c.result = HAL_L2_GetPortTciStats(v[0], v[1], v[2], c.rec<HAL_L2_TCI_STATS_S>(kTciStats));
       }),
    OP(HAL_L2_ClearPortTciStats,
       {
           const auto v = c.vals<3>();
           c.result = HAL_L2_ClearPortTciStats(v[0], v[1], v[2]);
       }),
    OP(HAL_L2_AddPortTciStats,
       {
           const auto v = c.vals<3>();
           c.result = HAL_L2_AddPortTciStats(v[0], v[1], v[2]);
       }),
    OP(HAL_L2_DelPortTciStats,
       {
           const auto v = c.vals<3>();
           c.result = HAL_L2_DelPortTciStats(v[0], v[1], v[2]);
       }),
    OP(HAL_L2_SetPvid, { c.result = HAL_L2_SetPvid(c.in.val()); }),
    OP(HAL_L2_SetPortIsolateEnable, { c.result = HAL_L2_SetPortIsolateEnable(c.in.val()); }),

    // L2 family: MAC management.
    OP(HAL_L2_SetMacLearnState, { c.result = HAL_L2_SetMacLearnState(c.in.val()); }),
    OP(HAL_L2_SetPortMacLearnNum,
       {
           const auto v = c.vals<2>();
           c.result = HAL_L2_SetPortMacLearnNum(v[0], v[1]);
       }),
    OP(HAL_L2_SetMacAge,
       {
           const auto v = c.vals<2>();
           c.result = HAL_L2_SetMacAge(v[0], v[1]);
       }),
    OP(HAL_L2_SetMacLearnNum, { c.result = HAL_L2_SetMacLearnNum(c.in.val()); }),
    OP(HAL_L2_SetMacLearnMode, { c.result = HAL_L2_SetMacLearnMode(c.in.val()); }),
    OP(HAL_L2_SetPortMacLearnState,
       {
           const auto v = c.vals<2>();
           c.result = HAL_L2_SetPortMacLearnState(v[0], v[1]);
       }),
    OP(HAL_L2_AddStaticMac,
       {
           const auto v = c.vals<2>();
           c.result = HAL_L2_AddStaticMac(v[0], v[1], c.rec<uint8_t>(kMacAddress));
       }),
    OP(HAL_L2_DelStaticMac,
       {
           const auto v = c.vals<2>();
           c.result = HAL_L2_DelStaticMac(v[0], v[1], c.rec<uint8_t>(kMacAddress));
       }),
    OP(HAL_L2_DelPortMac, { c.result = HAL_L2_DelPortMac(c.in.val()); }),
    OP(HAL_L2_GetMacTable, { c.result = HAL_L2_GetMacTable(c.rec<HAL_L2_MAC_TABLE_S>(kMacTable)); }),
    OP(HAL_L2_AddEthMacFilter, { c.result = HAL_L2_AddEthMacFilter(c.rec<HAL_L2_MAC_FILTER_S>(kMacFilter)); }),
    OP(HAL_L2_DelEthMacFilter, { c.result = HAL_L2_DelEthMacFilter(c.rec<HAL_L2_MAC_FILTER_S>(kMacFilter)); }),
    OP(HAL_L2_SetEthMacFilterMode, { c.result = HAL_L2_SetEthMacFilterMode(c.in.val()); }),
    OP(HAL_L2_GetEthMacFilterMode, { c.result = HAL_L2_GetEthMacFilterMode(c.rec<uint32_t>(kU32Out)); }),

    // L2 family: protocol-packet rules and diagnostic flows.
    OP(HAL_PDU_PrtclPktAclAdd,
       {
           const auto v = c.vals<3>();
           const auto *rule = c.rec<PrtclPktRule>(kPrtclPktRule);
           const uint32_t ruleClass = c.in.val();
           c.result = HAL_PDU_PrtclPktAclAdd(v[0], v[1], v[2], rule, ruleClass, c.rec<PrtclPktAction>(kPrtclPktAction));
       }),
    OP(HAL_PDU_PrtclPktAclDel, { c.result = HAL_PDU_PrtclPktAclDel(c.in.val()); }),
    OP(HAL_DFX_IsChipSupport, { c.result = HAL_DFX_IsChipSupport(c.rec<uint32_t>(kU32Out)); }),
    OP(HAL_DFX_IsSupport, { c.result = HAL_DFX_IsSupport(); }),
    OP(HAL_DFX_FlowAdd,
       {
           const auto v = c.vals<3>();
           const auto *rule = c.rec<PrtclPktRule>(kPrtclPktRule);
           const uint32_t ruleClass = c.in.val();
           c.result = HAL_DFX_FlowAdd(v[0], v[1], v[2], rule, ruleClass, c.rec<PrtclPktAction>(kPrtclPktAction));
       }),
    OP(HAL_DFX_FlowDel, { c.result = HAL_DFX_FlowDel(c.in.val()); }),
    OP(HAL_DFX_FlowCntEnable,
       {
           const auto v = c.vals<2>();
           c.result = HAL_DFX_FlowCntEnable(v[0], v[1]);
       }),
    OP(HAL_DFX_FlowCntGet,
       {
           const uint32_t id = c.in.val();
           c.result = HAL_DFX_FlowCntGet(id, c.rec<HAL_DFX_FLOW_CNT_S>(kDfxCounters));
       }),
    OP(HAL_DFX_FlowCntClr, { c.result = HAL_DFX_FlowCntClr(c.in.val()); }),

    // Port identity hooks and lookups.
    OP(HAL_RegCtp2UserPortFunc,
       { c.result = registerHook(c, HAL_RegCtp2UserPortFunc, &fuzzCtp2UserPort, g_hooks.ctp2User); }),
    OP(HAL_RegUserPort2CtpFunc,
       { c.result = registerHook(c, HAL_RegUserPort2CtpFunc, &fuzzUserPort2Ctp, g_hooks.user2Ctp); }),
    OP(HAL_RegGetNniRoleFunc, { c.result = registerHook(c, HAL_RegGetNniRoleFunc, &fuzzGetNetRole, g_hooks.netRole); }),
    OP(HAL_RegGetBCUCGemBgeByIdFunc,
       { c.result = registerHook(c, HAL_RegGetBCUCGemBgeByIdFunc, &fuzzGetGem, g_hooks.gem); }),
    OP(HAL_RegGetL2FlowFunc, { c.result = registerHook(c, HAL_RegGetL2FlowFunc, &fuzzGetL2Flow, g_hooks.l2Flow); }),
    OP(HAL_Ctp2UserPort,
       {
           const uint32_t ctp = c.in.val();
           auto *type = c.rec<uint32_t>(kU32Out);
           c.result = HAL_Ctp2UserPort(ctp, type, c.rec<uint16_t>(kU16Out));
       }),
    OP(HAL_UserPort2Ctp,
       {
           const auto v = c.vals<2>();
           c.result = HAL_UserPort2Ctp(v[0], v[1], c.rec<uint16_t>(kU16Out));
       }),
    OP(HAL_GetNetRole,
       {
           const uint32_t ctp = c.in.val();
           c.result = HAL_GetNetRole(ctp, c.rec<uint32_t>(kU32Out));
       }),
    OP(HAL_GetBCUCGemBgeById,
       {
           const uint32_t ctp = c.in.val();
           auto *gem = c.rec<uint32_t>(kU32Out);
           c.result = HAL_GetBCUCGemBgeById(ctp, gem, c.rec<uint16_t>(kU16Out));
       }),
    OP(HAL_GetL2Flow,
       {
           const auto v = c.vals<2>();
           c.result = HAL_GetL2Flow(v[0], v[1]);
       }),
    OP(HAL_DefaultGetPrototypeById,
       {
           const uint32_t ctp = c.in.val();
           auto *type = c.rec<uint32_t>(kU32Out);
           c.result = HAL_DefaultGetPrototypeById(ctp, type, c.rec<uint16_t>(kU16Out));
       }),
    OP(HAL_DefaultGetIdByPrototype,
       {
           const auto v = c.vals<2>();
           c.result = HAL_DefaultGetIdByPrototype(v[0], v[1], c.rec<uint16_t>(kU16Out));
       }),
    OP(HAL_DefaultGetNetRole,
       {
           const uint32_t ctp = c.in.val();
           c.result = HAL_DefaultGetNetRole(ctp, c.rec<uint32_t>(kU32Out));
       }),

    // Chip debug command.
    OP(HAL_RegChipDebugCmdEntry,
       {
           const char *name = c.str();
           const HAL_DEBUG_CMD_FUNC handler = kDebugHandlers[c.in.u8() % 4];
           g_hooks.debugCmd.result = c.in.val();
           c.result = HAL_RegChipDebugCmdEntry(name, handler);
       }),
    OP(HAL_GetChipDebugCmdEntry,
       {
           auto *name = c.rec<char *>(kPointerOut);
           auto *handler = c.rec<HAL_DEBUG_CMD_FUNC>(kPointerOut);
           c.result = HAL_GetChipDebugCmdEntry(name, handler);
           // The host's shell runs what it looked up.
           const bool run = c.in.u8() % 2 == 0;
           if (c.result == 0 && name != nullptr && handler != nullptr) {
               if (*name != g_HalL2DebugCmdStr || *handler != g_HalL2DebugCmdEntryHook) {
                   fail("looked-up debug command");
               }
               if (run && *handler != nullptr) {
                   const Call::Argv a = c.argv();
                   c.result = (*handler)(a.argc, a.argv);
               }
           }
       }),
    OP(CHIP_KALO_dbg_cmd,
       {
           const Call::Argv a = c.argv();
           c.result = CHIP_KALO_dbg_cmd(a.argc, a.argv);
       }),
    OP(CHIP_KALO_TARN_cmd_dbg,
       {
           const Call::Argv a = c.argv();
           c.result = CHIP_KALO_TARN_cmd_dbg(a.argc, a.argv);
       }),
    OP(CHIP_KALO_cmd_usage,
       {
           CHIP_KALO_cmd_usage();
           c.result = 0;
       }),
    OP(CHIP_KALO_CLI_DbgSwtSet,
       {
           const auto v = c.vals<2>();
           c.result = CHIP_KALO_CLI_DbgSwtSet(v[0], v[1]);
           const uint32_t n = v[0] & 0xFFU;
           const uint32_t bit = n < 32 ? 1U << n : 0U;
           c.model.dbgSwitch = v[1] != 0 ? (c.model.dbgSwitch | bit) : (c.model.dbgSwitch & ~bit);
       }),
    OP(CHIP_KALO_CLI_DbgSwtGet, { c.result = CHIP_KALO_CLI_DbgSwtGet(c.in.val()); }),
};

#undef OP

constexpr size_t kOpNum = sizeof(kOps) / sizeof(kOps[0]);
static_assert(kOpNum < 256, "an op is picked by one byte");
constexpr int kMaxSteps = 64;

bool traceSteps()
{
    static const bool on = std::getenv("HAL_FUZZ_TRACE") != nullptr;
    return on;
}

}  // namespace

namespace {
template <typename T, size_t N, typename Name>
uint8_t indexOf(const T (&table)[N], Name nameOf, const char *name)
{
    for (size_t i = 0; i < N; ++i) {
        if (std::strcmp(nameOf(table[i]), name) == 0) {
            return static_cast<uint8_t>(i);
        }
    }
    fail("no such name:", name);
}
}  // namespace

uint8_t opIndex(const char *name)
{
    return indexOf(
        kOps, [](const Op &op) { return op.name; }, name);
}
uint8_t hostFunctionIndex(const char *name)
{
    return indexOf(
        kHostFunctions, [](const char *fn) { return fn; }, name);
}

void Writer::op(const char *name, uint8_t host)
{
    u8(opIndex(name));
    u8(host);
}

}  // namespace fuzzhal

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static constexpr char kMakeSeeds[] = "--make-seeds=";
    for (int i = 1; i < *argc; ++i) {
        const char *arg = (*argv)[i];
        if (std::strncmp(arg, kMakeSeeds, sizeof(kMakeSeeds) - 1) == 0) {
            const int n = fuzzhal::writeSeeds(arg + sizeof(kMakeSeeds) - 1);
            std::printf("fuzz_hal: wrote %d seeds\n", n);
            std::exit(n > 0 ? 0 : 1);
        }
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace fuzzhal;
    resetLibrary();
    halsim::host().reset();
    if (!halsim::host().liveAllocations.empty()) {
        fail("memory held after the library was reset");
    }
    Model model;
    Reader in(data, size);
    for (int step = 0; step < kMaxSteps && !in.empty(); ++step) {
        const Op &op = kOps[in.u8() % kOpNum];
        DriverScript script;
        configureHost(in, script);
        Call call(in, model);
        op.run(call);
        call.checkRecords();
        if (traceSteps()) {
            std::fprintf(stderr, "step %d: %s -> 0x%x (%zu commands)\n", step, op.name, call.result,
                         halsim::host().hlp.size());
        }
        checkState(model);
        halsim::host().reset();  // drops the recordings and the driver script
    }
    return 0;
}
