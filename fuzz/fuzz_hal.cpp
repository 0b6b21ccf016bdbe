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
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

#include "fuzz_call.h"
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

// ---- Library state the harness follows ----------------------------------

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
    resetHooks();
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

constexpr int kMaxSteps = 64;

// Keeps memory bounded over a long input; the settings go at the next step.
void dropRecordings()
{
    halsim::Host &host = halsim::host();
    host.driver = nullptr;  // it refers to the step's script
    host.hlp.clear();
    host.lastWords.clear();
    host.traces.clear();
    host.console.clear();
    host.calls.clear();
}

bool traceSteps()
{
    static const bool on = std::getenv("HAL_FUZZ_TRACE") != nullptr;
    return on;
}

}  // namespace

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
        dropRecordings();
    }
    return 0;
}
