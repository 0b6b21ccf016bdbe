// libFuzzer target: one input is a host's sequence of calls into the library
// (format in fuzz_hal.h). Before each call the stand-in host is configured
// from the input: host functions that fail with any code, a driver that
// refuses commands or answers with arbitrary reply bytes, allocations that
// fail, feature and trace switches, the terminal's topology. Record arguments
// are guarded heap buffers filled from the input, or null. The library's
// state is kept from step to step within one input and reset at the start of
// the next.
//
// After every step the harness aborts (so libFuzzer reports the input) when:
//  - a guard byte around a record was changed, or a record the library only
//    reads was changed (AddressSanitizer catches any access to the guards
//    or past them on its own);
//  - the host saw a free of memory it never handed out;
//  - the library holds memory its state does not explain: only the
//    multicast user-count array (4080 bytes, at g_pusBTV_USER_NUM) and the
//    WAN statistics nodes on the list of QX_IFM_WanStatsGet may be live;
//  - a MAC table read that succeeded gave the host more than 2048 entries,
//    an entry with a static flag other than 0 or 1, or a group address;
//  - the WAN list is broken (links, duplicate WAN ids, VLAN past 4095), a
//    multicast counter entry has a non-zero reserved field, the multicast
//    family is installed without its array, or the registered debug command
//    name lost its terminator.
#include <array>
#include <cstring>
#include <set>
#include <vector>

#include "chip/kalo/kalo_dbg.h"
#include "chip/kalo/kalo_l3.h"
#include "fuzz_hal.h"
#include "host.h"
#include "library_state.h"
#include "platform/qx_host.h"

namespace fuzzhal {
namespace {

constexpr uint32_t kBtvArrayBytes = HAL_BTV_GROUP_NUM * sizeof(BtvUserNumEntry);
constexpr int kMaxSteps = 64;

// The nodes on the WAN statistics list, checking its links on the way.
std::set<void *> wanNodes()
{
    std::set<void *> nodes;
    std::set<uint32_t> ids;
    QX_IFM_WAN_STATS_S *head = QX_IFM_WanStatsGet();
    QX_IFM_WAN_STATS_S *prev = head;
    for (QX_IFM_WAN_STATS_S *n = head->next; n != head; prev = n, n = n->next) {
        if (n == nullptr || n->prev != prev || nodes.size() > halsim::host().liveAllocations.size()) {
            fail("WAN list links");
        }
        if (!ids.insert(n->uiWanId).second || n->uiVlan >= 4096 || n->uiPortType != 1) {
            fail("WAN node content");
        }
        nodes.insert(n);
    }
    if (head->prev != prev) {
        fail("WAN list tail link");
    }
    return nodes;
}

void checkState()
{
    halsim::Host &host = halsim::host();
    if (host.badFrees != 0) {
        fail("free of memory the host never handed out");
    }
    const std::set<void *> nodes = wanNodes();
    size_t held = 0;
    for (const auto &[ptr, size] : host.liveAllocations) {
        if (ptr == g_pusBTV_USER_NUM && size == kBtvArrayBytes) {
            continue;
        }
        if (nodes.count(ptr) == 0) {
            fail("allocation the library state does not explain");
        }
        ++held;
    }
    if (held != nodes.size()) {
        fail("WAN node that is not a live allocation");
    }
    if (g_pusBTV_USER_NUM != nullptr) {
        if (host.liveAllocations.count(g_pusBTV_USER_NUM) == 0) {
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
    if (g_HalL2DebugCmdStr[HAL_DEBUG_CMD_STR_LEN - 1] != '\0' ||
        (g_HalL2DebugCmdEntryHook == nullptr && g_HalL2DebugCmdStr[0] != '\0')) {
        fail("registered debug command");
    }
}

// The host's MAC table after a read that succeeded: only unicast entries,
// each static or learnt, no more than the table holds.
void checkMacTable(const Call &call)
{
    if (call.macTable == nullptr || call.result != 0) {
        return;
    }
    const HAL_L2_MAC_TABLE_S &t = *call.macTable;
    if (t.uiNum > HAL_L2_MAC_TABLE_MAX) {
        fail("MAC table count past the table");
    }
    for (uint32_t i = 0; i < t.uiNum; ++i) {
        const HAL_L2_MAC_ENTRY_S &e = t.astEntry[i];
        if (e.ucStatic > 1 || (e.aucMac[0] & 1U) != 0) {
            fail("MAC table entry");
        }
    }
}

// ---- Host configuration of one step -------------------------------------

// clang-format off
constexpr const char *kHostFunctions[] = {
    "QX_OS_HLP_SendOutLarge", "QX_PROC_DBG_TraceN", "QX_PROC_DBG_TraceS", "QX_DIA_GetTraceFlag",
    "QX_PROC_DBG_LastWord", "QX_OS_MemMallocD", "QX_OS_MemFreeD", "QX_OS_StrCaseCmp", "QX_OS_StrCmp",
    "QX_Feature_IsSupportByFeatureName", "QX_DM_PDGetAttr", "QX_DM_ChipGetAttr", "QX_DM_TopoGetKaPortByUserPort",
    "QX_DM_GetCurUpUserPortID", "QX_DM_TopoSwitchCommon", "QX_XML_DBIsObjExist", "QX_XML_DBGetSiglePara",
    "L2M_Ctp_GetIdByPrototype", "L2M_Ctp_GetNetRole", "L2M_PTP_IsSupportAutoSelect",
    "BLL_GPON_GetUCGemportByVbridgeID", "memset_s", "memcpy_s", "strncpy_s",
};
constexpr const char *kFeatures[] = {
    "QX_TARN_FT_DFX_FLOW_SUPPORT", "FT_MULTI_SERVICE_IPTV_PORT", "TARN_FT_TAG_TYPE", "FT_MULTICAST_VLAN_TAG",
    "TARN_FT_IPv4FWD_SKIPROUTE",
};
// clang-format on
constexpr uint32_t kTraceModules[] = {581, 582, 583};

// Driver answers of one step in the order the commands are sent: a result,
// and on success a pattern repeated over the reply. Commands past the script
// are accepted with the reply left as the library cleared it.
struct DriverAnswer {
    uint32_t result;
    std::vector<uint8_t> pattern;
};
std::vector<DriverAnswer> g_script;
size_t g_scriptNext = 0;

uint32_t scriptedDriver(const halsim::HlpCall & /*call*/, void *reply, uint32_t replyLen)
{
    if (g_scriptNext >= g_script.size()) {
        return 0;
    }
    const DriverAnswer &a = g_script[g_scriptNext++];
    for (uint32_t i = 0; a.result == 0 && reply != nullptr && !a.pattern.empty() && i < replyLen; ++i) {
        static_cast<uint8_t *>(reply)[i] = a.pattern[i % a.pattern.size()];
    }
    return a.result;
}

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
    const auto bit = [sw](unsigned n) { return (sw >> n) & 1U; };
    host.uplink = {bit(0), uplink};
    host.sessionObjExists = {bit(2), bit(1) ^ 1U};
    host.sessionFlag = {bit(4), bit(3)};
    host.autoSelect = bit(5);
    if (bit(6) != 0) {
        host.l2mNetRole[user] = 3;
    }
    if (bit(7) != 0) {
        host.l2mCtpByPrototype.erase({0, user});
    }
    const uint32_t bridge = in.val();
    const auto vlan = static_cast<uint16_t>(in.val());
    const auto gem = static_cast<uint16_t>(in.val());
    const uint8_t count = in.u8();
    halsim::GemLookup &lookup = host.gemByBridgeVlan[{bridge, vlan}];
    lookup.result = count >> 7;
    lookup.count = count & 0x7FU;
    for (uint16_t i = 0; i < lookup.count && i < 67; ++i) {
        lookup.gemPorts.push_back(static_cast<uint16_t>(gem + i));
    }
}

void configureFlags(Reader &in, halsim::Host &host)
{
    const uint8_t features = in.u8();
    const uint8_t traces = in.u8();
    for (size_t i = 0; i < std::size(kFeatures); ++i) {
        if ((features & (1U << i)) != 0) {
            host.features[kFeatures[i]] = (features & 0x80U) != 0 ? 2U : 1U;
        }
    }
    for (size_t i = 0; i < std::size(kTraceModules); ++i) {
        host.traceFlags[kTraceModules[i]] = (traces >> i) & 1U;
    }
}

// The driver's MAC table: a count that may claim more entries than the
// buffer holds, and a few entries repeated over the entries that fit.
void configureMacTable(Reader &in, halsim::Host &host)
{
    constexpr size_t kEntryBytes = 32;
    constexpr size_t kKindAt = 16;
    constexpr size_t kMacAt = 24;
    const uint32_t count = in.val();
    std::vector<std::array<uint8_t, kEntryBytes>> entries(in.u8() % 4U + 1U);
    for (auto &e : entries) {
        const uint8_t form = in.u8();
        e.fill(0);
        in.bytes(e.data(), std::min<size_t>(in.u8(), kEntryBytes));
        if ((form & 1U) != 0) {
            std::fill_n(&e[kKindAt], 4, 0);
            e[kKindAt] = 4;
        }
        if ((form & 2U) != 0) {
            e[kMacAt] &= 0xFEU;
        }
    }
    const size_t filled = std::min<size_t>(count, halsim::kMacTableBufferBytes / kEntryBytes);
    host.macTable.assign(4 + kEntryBytes * filled, 0);
    std::memcpy(host.macTable.data(), &count, sizeof(count));
    for (size_t i = 0; i < filled; ++i) {
        std::memcpy(host.macTable.data() + 4 + kEntryBytes * i, entries[i % entries.size()].data(), kEntryBytes);
    }
}

void configureHost(Reader &in)
{
    halsim::Host &host = halsim::host();
    host.reset();
    const uint8_t bits = in.u8();
    for (int i = 0, n = (bits & kHostFail) != 0 ? in.u8() % 4 + 1 : 0; i < n; ++i) {
        const char *fn = kHostFunctions[in.u8() % std::size(kHostFunctions)];
        const uint32_t code = in.val();
        host.failNext(fn, code != 0 ? code : 1);
    }
    g_script.clear();
    g_scriptNext = 0;
    for (int i = 0, n = (bits & kHostDriver) != 0 ? in.u8() % 4 + 1 : 0; i < n; ++i) {
        DriverAnswer &a = g_script.emplace_back(DriverAnswer{in.val(), {}});
        a.pattern.resize(in.u8() % 33U);
        in.bytes(a.pattern.data(), a.pattern.size());
    }
    host.driver = scriptedDriver;
    if ((bits & kHostFlags) != 0) {
        configureFlags(in, host);
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
    if ((bits & kHostMacTable) != 0) {
        configureMacTable(in, host);
    }
}

}  // namespace
}  // namespace fuzzhal

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace fuzzhal;
    static const bool traceSteps = std::getenv("HAL_FUZZ_TRACE") != nullptr;
    halsim::resetLibrary();
    halsim::host().reset();
    if (!halsim::host().liveAllocations.empty()) {
        fail("memory held after the library was reset");
    }
    Reader in(data, size);
    for (int step = 0; step < kMaxSteps && !in.empty(); ++step) {
        const Op &op = kOps[in.u8() % kOpNum];
        configureHost(in);
        Call call(in);
        op.run(call);
        call.checkRecords(op.name);
        checkMacTable(call);
        if (traceSteps) {
            std::fprintf(stderr, "step %d: %s -> 0x%x (%zu commands)\n", step, op.name, call.result,
                         halsim::host().hlp.size());
        }
        checkState();
    }
    return 0;
}
