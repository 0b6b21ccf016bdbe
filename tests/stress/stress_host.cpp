#include "stress_host.h"

#include <strings.h>

#include <array>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <utility>

#include "chip/kalo/kalo_btv_rec.h"
#include "chip/kalo/kalo_l2_mac_rec.h"
#include "chip/kalo/kalo_l2_rec.h"
#include "chip/kalo/kalo_l3_rec.h"
#include "chip/kalo/kalo_prtcl_rec.h"
#include "hal_network_adpt.h"
#include "platform/hlp_send.h"
#include "platform/qx_host.h"

namespace stress {

namespace {

thread_local ThreadLog *tl_log = nullptr;

std::atomic<uint64_t> g_commands{0};
std::atomic<int64_t> g_allocations{0};

constexpr size_t kNotes = 8;

// ---- Requests and replies ---------------------------------------------------------

// Request and reply length of every code, from the records the code is
// paired with.
struct Paired {
    uint32_t code;
    uint32_t request;
    uint32_t reply;  // 0: the driver writes no reply
};

template <hal::hlp::Cmd C>
constexpr Paired pairedOf()
{
    using Reply = hal::ReplyOf<C>;
    return {hal::hlp::codeOf(C), static_cast<uint32_t>(sizeof(hal::RequestOf<C>)),
            std::is_same_v<Reply, hal::hlp::NoReply> ? 0U : static_cast<uint32_t>(sizeof(Reply))};
}

template <size_t... I>
constexpr auto pairedTable(std::index_sequence<I...> /*indexes*/)
{
    return std::array<Paired, sizeof...(I)>{pairedOf<hal::hlp::kCommands[I]>()...};
}

constexpr auto kPaired = pairedTable(std::make_index_sequence<std::size(hal::hlp::kCommands)>{});

bool sentAsPaired(uint32_t cmd, const void *req, uint32_t reqLen, const void *reply, uint32_t replyLen)
{
    for (const Paired &p : kPaired) {
        if (p.code == cmd) {
            return req != nullptr && reqLen == p.request && replyLen == p.reply && (reply != nullptr) == (p.reply != 0);
        }
    }
    return false;
}

constexpr uint32_t code(hal::hlp::Cmd c) { return hal::hlp::codeOf(c); }

uint64_t mix(uint64_t h)
{
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ULL;
    h ^= h >> 33;
    return h;
}

uint64_t hashRequest(uint32_t cmd, const void *req, uint32_t len)
{
    uint64_t h = 0xcbf29ce484222325ULL ^ cmd;
    const auto *p = static_cast<const uint8_t *>(req);
    for (uint32_t i = 0; i < len; ++i) {
        h = (h ^ p[i]) * 0x100000001b3ULL;
    }
    return mix(h);
}

uint32_t firstWord(const void *req, uint32_t len)
{
    uint32_t w = 0;
    if (req != nullptr && len >= sizeof(w)) {
        std::memcpy(&w, req, sizeof(w));
    }
    return w;
}

// Commands whose refusal changes what the library remembers across calls
// (the WAN statistics list) are always accepted, so that every round of a
// script starts from the same state; the MAC table read carries an address
// and cannot be judged by its bytes. The removal of a protocol-packet flow
// refuses diagnostic flow ids (see kDfxFlowFirst). Every other command is
// refused for about one request in eleven, by the request's bytes alone, so
// the failure paths run concurrently too.
uint32_t driverAnswer(uint32_t cmd, const void *req, uint32_t len)
{
    using C = hal::hlp::Cmd;
    if (cmd == code(C::PDU_DEL_FLOW)) {
        const uint32_t id = firstWord(req, len);
        return id >= kDfxFlowFirst && id <= kDfxFlowLast ? 0xE0000013U : 0U;
    }
    if (cmd == code(C::L3_ADD_WAN_STATS) || cmd == code(C::L3_DEL_WAN_STATS) || cmd == code(C::L3_CLR_WAN_STATS) ||
        cmd == code(C::L3_GET_WAN_STATS) || cmd == code(C::MAC_GET_TABLE)) {
        return 0;
    }
    const uint64_t h = hashRequest(cmd, req, len);
    return h % 11 == 0 ? 0xE0000000U | static_cast<uint32_t>((h >> 32) & 0xFFFFU) : 0U;
}

void fillReply(uint32_t cmd, const void *req, uint32_t reqLen, void *reply, uint32_t replyLen)
{
    uint64_t h = hashRequest(cmd ^ 0x5a5a5a5aU, req, reqLen);
    auto *out = static_cast<uint8_t *>(reply);
    for (uint32_t i = 0; i < replyLen; ++i) {
        if (i % 8 == 0) {
            h = mix(h + i);
        }
        out[i] = static_cast<uint8_t>(h >> (8 * (i % 8)));
    }
}

// The driver's MAC table for the call with this seed: 5 to 36 entries, most
// of kind 4, on chip ports 0 to 7 and the uplink's 16.
void fillMacTable(uint32_t seed, uint8_t *buffer)
{
    const uint32_t count = 5 + seed % 32;
    std::memcpy(buffer, &count, 4);
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t *e = buffer + 4 + 32 * static_cast<size_t>(i);
        const uint32_t isStatic = (seed + i) % 3 == 0 ? 1U : 0U;
        const uint32_t noVlan = (seed + i) % 5 == 0 ? 1U : 0U;
        const uint16_t vlan = static_cast<uint16_t>(1 + (seed * 37 + i) % 4094);
        const uint32_t kind = i % 7 == 6 ? 3U : 4U;
        const uint32_t chipPort = (seed + i) % 9 == 8 ? 16U : (seed + i) % 8;
        const uint32_t mask = 1U << chipPort;
        std::memcpy(e + 4, &isStatic, 4);
        std::memcpy(e + 8, &noVlan, 4);
        std::memcpy(e + 12, &vlan, 2);
        std::memcpy(e + 16, &kind, 4);
        std::memcpy(e + 20, &mask, 4);
        const uint8_t mac[6] = {
            0x00, 0x1b, 0x2c, static_cast<uint8_t>(seed), static_cast<uint8_t>(seed >> 8), static_cast<uint8_t>(i)};
        std::memcpy(e + 24, mac, 6);
    }
}

bool allZero(const void *p, uint32_t len)
{
    const auto *b = static_cast<const uint8_t *>(p);
    for (uint32_t i = 0; i < len; ++i) {
        if (b[i] != 0) {
            return false;
        }
    }
    return true;
}

// ---- The log of the calling thread ----------------------------------------------

void observe(Event &&ev)
{
    ThreadLog *log = tl_log;
    if (log == nullptr) {
        return;
    }
    if (ev.kind == EventKind::Command) {
        ++log->commands;
    }
    if (log->recording != nullptr) {
        log->recording->events.push_back(std::move(ev));
        return;
    }
    if (log->expect == nullptr || log->cursor >= log->expect->events.size()) {
        ++log->extra;
        log->note("unexpected " + describe(ev));
        return;
    }
    const Event &want = log->expect->events[log->cursor++];
    if (want != ev) {
        ++log->torn;
        log->note("expected " + describe(want) + "\n    got      " + describe(ev));
    }
}

std::string formatted(const char *fmt, va_list ap)
{
    char text[2048];
    const int n = std::vsnprintf(text, sizeof(text), fmt, ap);
    return std::string(text, n < 0 ? 0 : std::min<size_t>(static_cast<size_t>(n), sizeof(text) - 1));
}

// ---- Port identity --------------------------------------------------------------

uint32_t hookCtp2UserPort(uint32_t ctpId, uint32_t *type, uint16_t *userPort)
{
    if (ctpId >= kCtpCount) {
        return 1;
    }
    const CtpInfo info = ctpInfo(ctpId);
    if (type != nullptr) {
        *type = info.type;
    }
    if (userPort != nullptr) {
        *userPort = info.userPort;
    }
    return 0;
}

uint32_t hookUserPort2Ctp(uint32_t type, uint32_t userPort, uint16_t *ctpId)
{
    if (ctpId == nullptr) {
        return 1;
    }
    for (uint32_t c = 0; c < kCtpCount; ++c) {
        const CtpInfo info = ctpInfo(c);
        if (info.type == type && info.userPort == userPort) {
            *ctpId = static_cast<uint16_t>(c);
            return 0;
        }
    }
    return 1;
}

uint32_t hookNetRole(uint32_t ctpId, uint32_t *role)
{
    if (ctpId >= kCtpCount || role == nullptr) {
        return 1;
    }
    *role = ctpInfo(ctpId).role;
    return 0;
}

// GEM-side CTPs (types 10 and 11) have a broadcast/unicast GEM port and a
// bridge of their own.
uint32_t hookGemBridge(uint32_t ctpId, uint32_t *gemPort, uint16_t *bridgeId)
{
    if (ctpId >= kCtpCount || (ctpInfo(ctpId).type != 10 && ctpInfo(ctpId).type != 11)) {
        return 0xE0000101U;
    }
    *gemPort = 0x200 + ctpId;
    *bridgeId = static_cast<uint16_t>(1 + ctpId % 4);
    return 0;
}

uint32_t hookL2Flow(uint32_t a, uint32_t b) { return a * 3 + b; }

}  // namespace

// ---- Exported helpers -----------------------------------------------------------------

size_t Expect::commands() const
{
    size_t n = 0;
    for (const Event &e : events) {
        n += e.kind == EventKind::Command ? 1 : 0;
    }
    return n;
}

void ThreadLog::note(std::string text)
{
    if (notes.size() < kNotes) {
        notes.push_back(std::move(text));
    }
}

void bindThread(ThreadLog *log) { tl_log = log; }
uint64_t hostCommands() { return g_commands.load(); }
int64_t liveAllocations() { return g_allocations.load(); }

// CTP  type  user port  role
// 0    13    0          3   (the default table's CTP 0)
// 1-7  0     1-7        0   Ethernet user ports
// 8    0     8          3   an Ethernet port made an uplink: resolved through the current uplink
// 9-15 2     1-7        3
// 16-23 3    1-8        3
// 24-31 1    1-8        0
// 32-39 4    1-8        0
// 40-47 10   1-8        3   ANI multicast: installed as two chip flows
// 48-55 11   1-8        3
// 56-59 12   5-8        3   user port 8 is (4, 1), the others (3, 0)
// 60-63 6    1-4        0   nothing is installed for flows on them
CtpInfo ctpInfo(uint32_t ctp)
{
    if (ctp == 0) {
        return {13, 0, 3};
    }
    if (ctp <= 8) {
        return {0, static_cast<uint16_t>(ctp), ctp == 8 ? 3U : 0U};
    }
    if (ctp <= 15) {
        return {2, static_cast<uint16_t>(ctp - 8), 3};
    }
    static constexpr struct {
        uint32_t first, type, port0, role;
    } kBlocks[] = {{16, 3, 1, 3},  {24, 1, 1, 0},  {32, 4, 1, 0}, {40, 10, 1, 3},
                   {48, 11, 1, 3}, {56, 12, 5, 3}, {60, 6, 1, 0}};
    for (size_t i = std::size(kBlocks); i-- > 0;) {
        if (ctp >= kBlocks[i].first) {
            return {kBlocks[i].type, static_cast<uint16_t>(kBlocks[i].port0 + ctp - kBlocks[i].first), kBlocks[i].role};
        }
    }
    return {13, 0, 3};
}

void registerPortHooks()
{
    (void)HAL_RegCtp2UserPortFunc(hookCtp2UserPort);
    (void)HAL_RegUserPort2CtpFunc(hookUserPort2Ctp);
    (void)HAL_RegGetNniRoleFunc(hookNetRole);
    (void)HAL_RegGetBCUCGemBgeByIdFunc(hookGemBridge);
    (void)HAL_RegGetL2FlowFunc(hookL2Flow);
}

std::string describe(const Event &e)
{
    static const char *const kKinds[] = {"command", "last word", "trace", "console"};
    char head[96];
    std::snprintf(head, sizeof(head), "%s 0x%x result 0x%x reply %u%s:", kKinds[static_cast<int>(e.kind)], e.code,
                  e.result, e.replyLen, e.replyClear ? "" : " (not cleared)");
    std::string s = head;
    if (e.kind == EventKind::Trace || e.kind == EventKind::Console) {
        for (char c : e.bytes) {
            s += c == '\0' ? '|' : (c == '\n' || c == '\r' ? ' ' : c);
        }
        return s;
    }
    char hex[4];
    for (size_t i = 0; i < e.bytes.size() && i < 96; ++i) {
        std::snprintf(hex, sizeof(hex), " %02x", static_cast<uint8_t>(e.bytes[i]));
        s += hex;
    }
    if (e.bytes.size() > 96) {
        s += " ...";
    }
    return s;
}

}  // namespace stress

using stress::Event;
using stress::EventKind;

// ---- Host functions -------------------------------------------------------------------

extern "C" {

uint32_t QX_OS_HLP_SendOutLarge(uint32_t cmd, void *req, uint32_t reqLen, void *reply, uint32_t replyLen)
{
    using stress::tl_log;
    stress::g_commands.fetch_add(1, std::memory_order_relaxed);
    if (!stress::sentAsPaired(cmd, req, reqLen, reply, replyLen)) {
        if (tl_log != nullptr) {
            ++tl_log->layout;
            char text[128];
            std::snprintf(text, sizeof(text), "command 0x%x sent with request length %u and reply length %u", cmd,
                          reqLen, replyLen);
            tl_log->note(text);
        }
        return 0xE0000001U;
    }
    Event ev;
    ev.kind = EventKind::Command;
    ev.code = cmd;
    ev.replyLen = replyLen;
    ev.replyClear = reply == nullptr || stress::allZero(reply, replyLen);
    if (cmd == stress::code(hal::hlp::Cmd::MAC_GET_TABLE)) {
        // The request is the address of the library's buffer: the event
        // holds the table written into it instead.
        uint8_t *buffer = nullptr;
        std::memcpy(&buffer, req, sizeof(buffer));
        ev.replyClear = stress::allZero(buffer, 4 + 32 * 2048);
        stress::fillMacTable(tl_log != nullptr ? tl_log->seed : 0, buffer);
        ev.bytes = "table of seed " + std::to_string(tl_log != nullptr ? tl_log->seed : 0);
    } else {
        ev.bytes.assign(static_cast<const char *>(req), reqLen);
    }
    ev.result = stress::driverAnswer(cmd, req, reqLen);
    if (ev.result == 0 && reply != nullptr) {
        stress::fillReply(cmd, req, reqLen, reply, replyLen);
    }
    const uint32_t result = ev.result;
    stress::observe(std::move(ev));
    return result;
}

void QX_PROC_DBG_TraceN(uint32_t moduleId, const char *file, uint32_t line, const char *fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    Event ev;
    ev.kind = EventKind::Trace;
    ev.code = line;
    ev.result = moduleId;
    ev.bytes = std::string(file != nullptr ? file : "") + '\0' + stress::formatted(fmt, ap);
    va_end(ap);
    stress::observe(std::move(ev));
}

void QX_PROC_DBG_TraceS(uint32_t a, uint32_t b, uint32_t c, uint32_t level, const char *fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    Event ev;
    ev.kind = EventKind::Console;
    ev.code = level;
    ev.result = a | b | c;
    ev.bytes = stress::formatted(fmt, ap);
    va_end(ap);
    stress::observe(std::move(ev));
}

// Flow and traffic-limit dumps on: their formatting runs concurrently too.
uint32_t QX_DIA_GetTraceFlag(uint32_t moduleId) { return moduleId == 582 ? 1U : 0U; }

void QX_PROC_DBG_LastWord(const char *file, uint32_t line, uint32_t code, uint32_t v1, uint32_t v2, uint32_t v3,
                          uint32_t v4)
{
    Event ev;
    ev.kind = EventKind::LastWord;
    ev.code = line;
    ev.result = code;
    ev.bytes = std::string(file != nullptr ? file : "") + '\0';
    const uint32_t values[4] = {v1, v2, v3, v4};
    ev.bytes.append(reinterpret_cast<const char *>(values), sizeof(values));
    stress::observe(std::move(ev));
}

void *QX_OS_MemMallocD(uint32_t size)
{
    void *p = std::malloc(size != 0 ? size : 1);
    if (p != nullptr) {
        stress::g_allocations.fetch_add(1, std::memory_order_relaxed);
    }
    return p;
}

void QX_OS_MemFreeD(void *ptr)
{
    if (ptr != nullptr) {
        stress::g_allocations.fetch_sub(1, std::memory_order_relaxed);
    }
    std::free(ptr);
}

int32_t QX_OS_StrCaseCmp(const char *a, const char *b) { return strcasecmp(a, b); }
int32_t QX_OS_StrCmp(const char *a, const char *b) { return std::strcmp(a, b); }

// The multicast VLAN tag feature splits ANI multicast flows; the DFX flow
// feature is on; the others are off.
uint32_t QX_Feature_IsSupportByFeatureName(const char *name)
{
    return name != nullptr &&
                   (std::strcmp(name, "FT_MULTICAST_VLAN_TAG") == 0 ||
                    std::strcmp(name, "QX_TARN_FT_DFX_FLOW_SUPPORT") == 0 || std::strcmp(name, "TARN_FT_TAG_TYPE") == 0)
               ? 1U
               : 0U;
}

// Eight Ethernet user ports; device attribute 0x11000033 reads 3.
uint32_t QX_DM_PDGetAttr(uint32_t attrId, uint32_t len, void *out)
{
    uint32_t value = 0;
    if (attrId == 1) {
        value = 8;
    } else if (attrId == 0x11000033U) {
        value = 3;
    } else {
        return 1;
    }
    if (out == nullptr || len < sizeof(value)) {
        return 1;
    }
    std::memcpy(out, &value, sizeof(value));
    return 0;
}

// A chip of type 2: the family that repeats an uplink's broadcast limit on
// every user port, with diagnostic flows.
uint32_t QX_DM_ChipGetAttr(uint32_t chipId, uint32_t attrId, uint32_t len, void *out)
{
    const uint32_t chipType = 2;
    if (chipId != 0 || attrId != 0x10001U || out == nullptr || len < sizeof(chipType)) {
        return 1;
    }
    std::memcpy(out, &chipType, sizeof(chipType));
    return 0;
}

// User ports 1 to 8 on chip ports 0 to 7; the uplink 0x102001 on 16.
uint32_t QX_DM_TopoGetKaPortByUserPort(uint32_t userPort, uint32_t *chipPort)
{
    if (userPort >= 1 && userPort <= 8) {
        *chipPort = userPort - 1;
        return 0;
    }
    if (userPort == 0x102001U) {
        *chipPort = 16;
        return 0;
    }
    return 0xE0000201U;
}

uint32_t QX_DM_GetCurUpUserPortID(uint32_t *userPortId)
{
    *userPortId = 0x102001U;
    return 0;
}

uint32_t QX_DM_TopoSwitchCommon(uint32_t selector, uint32_t chipPort, uint32_t *userPort)
{
    if (selector != 2 || (chipPort >= 8 && chipPort != 16)) {
        return 1;
    }
    *userPort = chipPort == 16 ? 0x102001U : chipPort + 1;
    return 0;
}

uint32_t QX_XML_DBIsObjExist(uint32_t db, uint32_t instance, uint32_t objectId, uint32_t *exists)
{
    *exists = db == 140 && instance == 0 && objectId == 0x264f0900U ? 1U : 0U;
    return 0;
}

uint32_t QX_XML_DBGetSiglePara(uint32_t db, uint32_t instance, uint32_t paraId, uint32_t len, void *out,
                               uint32_t *outLen)
{
    const uint32_t value = 1;
    if (db != 140 || instance != 0 || paraId != 0x264f0901U || out == nullptr || len < sizeof(value)) {
        return 1;
    }
    std::memcpy(out, &value, sizeof(value));
    *outLen = sizeof(value);
    return 0;
}

uint32_t L2M_Ctp_GetIdByPrototype(uint32_t ctpType, uint32_t userPort, uint16_t *ctpId)
{
    if (ctpType != 0 || userPort < 1 || userPort > 8) {
        return 1;
    }
    *ctpId = static_cast<uint16_t>(userPort);
    return 0;
}

uint32_t L2M_Ctp_GetNetRole(uint32_t ctpId, uint32_t *netRole)
{
    if (ctpId >= stress::kCtpCount) {
        return 1;
    }
    *netRole = stress::ctpInfo(ctpId).role;
    return 0;
}

uint32_t L2M_PTP_IsSupportAutoSelect(void) { return 0; }

// One unicast GEM port per bridge and VLAN; bridge 7 has two.
uint32_t BLL_GPON_GetUCGemportByVbridgeID(uint32_t bridgeId, uint16_t vlan, void *out)
{
    const uint16_t answer[3] = {static_cast<uint16_t>(bridgeId == 7 ? 2 : 1),
                                static_cast<uint16_t>(0x400 + bridgeId * 16 + vlan % 16), static_cast<uint16_t>(0x7ff)};
    std::memset(out, 0, 136);
    std::memcpy(out, answer, sizeof(answer));
    return 0;
}

int memset_s(void *dest, size_t destMax, int c, size_t count)
{
    if (dest == nullptr || count > destMax) {
        return 1;
    }
    std::memset(dest, c, count);
    return 0;
}

int memcpy_s(void *dest, size_t destMax, const void *src, size_t count)
{
    if (dest == nullptr || src == nullptr || count > destMax) {
        return 1;
    }
    std::memmove(dest, src, count);
    return 0;
}

int strncpy_s(char *dest, size_t destMax, const char *src, size_t count)
{
    if (dest == nullptr || src == nullptr || destMax == 0) {
        return 1;
    }
    size_t n = 0;
    while (n < count && src[n] != '\0') {
        ++n;
    }
    if (n >= destMax) {
        dest[0] = '\0';
        return 1;
    }
    std::memcpy(dest, src, n);
    dest[n] = '\0';
    return 0;
}

}  // extern "C"
