// The operation table of the fuzz target: one row per exported entry point.
// A row reads the entry point's arguments from the input in parameter order,
// by type: integers as vals, records as recs of the size the host allocates
// (read-only when the parameter is const), and the few special forms below.
// Protocol-packet rules and DFX flows read their port type and rule in
// forms of their own; their other arguments are read as usual.
#include <array>
#include <cstring>
#include <tuple>
#include <type_traits>

#include "chip/kalo/kalo_dbg.h"
#include "chip/kalo/kalo_hooks.h"
#include "fuzz_hal.h"
#include "hal_network_adpt.h"

namespace fuzzhal {
namespace {

// Bytes a host allocates for a record: the record's size, or the host's own
// where the public header keeps the type opaque or the record has tail padding.
template <typename T>
constexpr size_t kRecBytes = sizeof(T);
template <>
constexpr size_t kRecBytes<HAL_L2_FLOW_S> = 158;
template <>
constexpr size_t kRecBytes<uint8_t> = 6;  // a MAC address

// ---- Special argument forms ---------------------------------------------

// NUL-terminated string: u8 len (0xFF null), then len % 32 bytes.
const char *str(Call &c)
{
    const uint8_t len = c.in.u8();
    if (len == kNullRecord) {
        return nullptr;
    }
    Guarded &g = c.add(len % 32U + 1U, true);
    c.in.bytes(g.data(), len % 32U);
    return reinterpret_cast<const char *>(g.seal());
}

// Policy route: a rec whose buffer holds the uiCtpNum CTP ids it names; a
// count past the most a route may name gets the fixed part only, as the
// library must refuse it before reading any id.
const HAL_L3_POLICY_ROUTE_S *policyRoute(Call &c)
{
    const uint8_t len = c.in.u8();
    if (len == kNullRecord) {
        return nullptr;
    }
    std::vector<uint8_t> bytes(std::max<size_t>(len, HAL_L3_POLICY_ROUTE_CTP_OFFSET));
    c.in.bytes(bytes.data(), len);
    uint32_t count = 0;
    std::memcpy(&count, bytes.data() + offsetof(HAL_L3_POLICY_ROUTE_S, uiCtpNum), sizeof(count));
    count %= 2 * HAL_L3_POLICY_ROUTE_CTP_MAX;
    std::memcpy(bytes.data() + offsetof(HAL_L3_POLICY_ROUTE_S, uiCtpNum), &count, sizeof(count));
    const size_t size = HAL_L3_POLICY_ROUTE_SIZE(count <= HAL_L3_POLICY_ROUTE_CTP_MAX ? count : 0);
    Guarded &g = c.add(size, true);
    std::copy_n(bytes.begin(), std::min(bytes.size(), size), g.data());
    return reinterpret_cast<const HAL_L3_POLICY_ROUTE_S *>(g.seal());
}

// Protocol-packet rule: u8 len (0xFF null), min(len, size) bytes of the
// rule, then u32 field bits and u8 form. Form bits 0-1: 3 keeps every
// field bit, else only the bits of fields a rule has; bits 2-4 and 5-7 draw
// uiIsDfx and uiDfxDirection: 0 to 3 give 0, 4 to 6 give 1, 7 a val.
constexpr uint32_t kPrtclFieldBits =
    HAL_PRTCL_FIELD_MAC1 | HAL_PRTCL_FIELD_MAC2 | HAL_PRTCL_FIELD_ETH_TYPE | HAL_PRTCL_FIELD_VLAN_NUM |
    HAL_PRTCL_FIELD_SVLAN | HAL_PRTCL_FIELD_IP_PROTOCOL | HAL_PRTCL_FIELD_SRC_IP | HAL_PRTCL_FIELD_DST_IP |
    HAL_PRTCL_FIELD_L4_SRC_PORT | HAL_PRTCL_FIELD_L4_DST_PORT | HAL_PRTCL_FIELD_IP_VERSION |
    HAL_PRTCL_FIELD_PPPOE_PROTOCOL | HAL_PRTCL_FIELD_IP_VER_QUALIFIER | HAL_PRTCL_FIELD_ARP_TARGET |
    HAL_PRTCL_FIELD_TCP_FLAG | HAL_PRTCL_FIELD_IPV6_NEXT_HEADER | HAL_PRTCL_FIELD_ICMPV6_TYPE |
    HAL_PRTCL_FIELD_SRC_IPV6 | HAL_PRTCL_FIELD_DST_IPV6 | HAL_PRTCL_FIELD_TUNNEL_TYPE | HAL_PRTCL_FIELD_CAP_TYPE |
    HAL_PRTCL_FIELD_DST_L3IF | HAL_PRTCL_FIELD_IPLENF;

uint32_t mostlyZeroOrOne(Call &c, uint32_t pick) { return pick < 4 ? 0U : pick < 7 ? 1U : c.in.val(); }

const PrtclPktRule *prtclRule(Call &c)
{
    const uint8_t len = c.in.u8();
    if (len == kNullRecord) {
        return nullptr;
    }
    PrtclPktRule rule{};
    c.in.bytes(reinterpret_cast<uint8_t *>(&rule), std::min<size_t>(len, sizeof(rule)));
    const uint32_t flags = c.in.u32();
    const uint8_t form = c.in.u8();
    rule.uiFieldFlags = (form & 3U) == 3 ? flags : flags & kPrtclFieldBits;
    rule.uiIsDfx = mostlyZeroOrOne(c, (form >> 2) & 7U);
    rule.uiDfxDirection = mostlyZeroOrOne(c, (form >> 5) & 7U);
    Guarded &g = c.add(sizeof(rule), true);
    std::memcpy(g.data(), &rule, sizeof(rule));
    return reinterpret_cast<const PrtclPktRule *>(g.seal());
}

// Port type of a protocol-packet rule: u8; 7 in the low three bits reads a
// val, anything else is one of the types 1 to 4.
uint32_t prtclPortType(Call &c)
{
    const uint8_t pick = c.in.u8();
    return (pick & 7U) == 7 ? c.in.val() : 1U + pick % 4U;
}

// Command words of the debug shell, and the call with them: u8 argc (0xFF:
// null argv, then a val for argc), then per word u8 pick: 0xFF null, below
// 0x80 a known word, else that many (& 31) input bytes.
uint32_t withWords(Call &c, HAL_DEBUG_CMD_FUNC fn)
{
    static constexpr const char *kWords[] = {"Tarncmd", "chip_kalo", "dbg", "DBG", "on", "ON",
                                             "oN",      "off",       "OFF", "Off", "",   "x"};
    const uint8_t n = c.in.u8();
    if (n == kNullRecord) {
        return fn(c.in.val(), nullptr);
    }
    const uint32_t argc = n % 8U;
    Guarded &table = c.add(argc * sizeof(char *), true);
    auto *words = reinterpret_cast<char **>(table.data());
    for (uint32_t i = 0; i < argc; ++i) {
        const uint8_t pick = c.in.u8();
        const char *known = pick < 0x80 ? kWords[pick % std::size(kWords)] : nullptr;
        const size_t len = known != nullptr ? std::strlen(known) : (pick & 31U);
        if (pick == kNullRecord) {
            continue;
        }
        Guarded &word = c.add(len + 1, true);
        if (known != nullptr) {
            std::memcpy(word.data(), known, len);
        } else {
            c.in.bytes(word.data(), len);
        }
        words[i] = reinterpret_cast<char *>(word.seal());
    }
    table.seal();
    return fn(argc, words);
}

// How a hook the fuzzer registers answers, set at registration: val result,
// u8 mode, val a, val b. Mode bit 0: result for every call; bit 1: result
// when the first argument is a; otherwise 0 with the outputs written, a and
// b, or with bit 2 the first argument split as a CTP id (id % 16, id / 16).
struct HookAnswer {
    uint32_t result;
    uint8_t mode;
    uint32_t a, b;
};

template <auto Reg, typename Fn>
struct Hook;
template <auto Reg, typename... A>
struct Hook<Reg, uint32_t (*)(uint32_t, A...)> {
    static inline HookAnswer answer{};
    static uint32_t run(uint32_t key, A... args)
    {
        const HookAnswer &h = answer;
        if ((h.mode & 1U) != 0 || ((h.mode & 2U) != 0 && key == h.a)) {
            return h.result;
        }
        const uint32_t out[] = {(h.mode & 4U) != 0 ? key % 16 : h.a, (h.mode & 4U) != 0 ? key / 16 : h.b};
        size_t i = 0;
        const auto put = [&](auto p) {
            if constexpr (std::is_pointer_v<decltype(p)>) {
                if (p != nullptr) {
                    *p = static_cast<std::remove_pointer_t<decltype(p)>>(out[i]);
                }
                ++i;
            }
        };
        (put(args), ...);
        return 0;
    }
};

// Registration: u8 (even: the fuzzer's hook, odd: null), then its answer.
template <typename Fn>
Fn paramOf(uint32_t (*)(Fn));
template <auto Reg>
void registerHook(Call &c)
{
    using H = Hook<Reg, decltype(paramOf(Reg))>;
    const bool useHook = c.in.u8() % 2 == 0;
    H::answer = HookAnswer{c.in.val(), c.in.u8(), c.in.val(), c.in.val()};
    c.result = Reg(useHook ? &H::run : nullptr);
}

// Debug handler: u8 pick of the handlers below, then a val that the
// fuzzer's own handler adds to what it answers.
uint32_t g_debugResult = 0;
uint32_t fuzzDebugCmd(uint32_t argc, char **argv)
{
    size_t total = 0;  // read the words as a host shell would
    for (uint32_t i = 0; argv != nullptr && i < argc; ++i) {
        total += argv[i] != nullptr ? std::strlen(argv[i]) : 0;
    }
    return g_debugResult + static_cast<uint32_t>(total);
}
constexpr HAL_DEBUG_CMD_FUNC kDebugHandlers[] = {nullptr, CHIP_KALO_dbg_cmd, CHIP_KALO_TARN_cmd_dbg, fuzzDebugCmd};

// ---- Generic rows ---------------------------------------------------------

template <typename T>
T arg(Call &c)
{
    using R = std::remove_pointer_t<T>;
    if constexpr (std::is_same_v<T, const char *>) {
        return str(c);
    } else if constexpr (std::is_same_v<T, const HAL_L3_POLICY_ROUTE_S *>) {
        return policyRoute(c);
    } else if constexpr (std::is_same_v<T, const PrtclPktRule *>) {
        return prtclRule(c);
    } else if constexpr (std::is_same_v<T, HAL_DEBUG_CMD_FUNC>) {
        const HAL_DEBUG_CMD_FUNC fn = kDebugHandlers[c.in.u8() % std::size(kDebugHandlers)];
        g_debugResult = c.in.val();
        return fn;
    } else if constexpr (std::is_same_v<T, HAL_L2_MAC_TABLE_S *>) {
        auto *table = reinterpret_cast<T>(c.rec(sizeof(HAL_L2_MAC_TABLE_S), false));
        c.macTable = table;
        return table;
    } else if constexpr (std::is_pointer_v<T>) {
        return reinterpret_cast<T>(c.rec(kRecBytes<std::remove_cv_t<R>>, std::is_const_v<R>));
    } else {
        return static_cast<T>(c.in.val());
    }
}

template <typename R, typename... A>
uint32_t invoke(Call &c, R (*fn)(A...))
{
    std::tuple<A...> args{arg<A>(c)...};  // a braced list reads in order
    if constexpr (std::is_void_v<R>) {
        std::apply(fn, args);
        return 0;
    } else {
        return std::apply(fn, args);
    }
}

// A protocol-packet rule or DFX flow added on a port: its port type is a
// special form too.
using PrtclAddFn = uint32_t (*)(uint32_t, uint32_t, uint32_t, const PrtclPktRule *, uint32_t, const PrtclPktAction *);

uint32_t invokePrtclAdd(Call &c, PrtclAddFn fn)
{
    const uint32_t id = c.in.val();
    const uint32_t portType = prtclPortType(c);
    const uint32_t portId = c.in.val();
    const PrtclPktRule *rule = arg<const PrtclPktRule *>(c);
    const uint32_t ruleClass = c.in.val();
    const PrtclPktAction *action = arg<const PrtclPktAction *>(c);
    return fn(id, portType, portId, rule, ruleClass, action);
}

template <auto F>
void run(Call &c)
{
    if constexpr (std::is_same_v<decltype(F), PrtclAddFn>) {
        c.result = invokePrtclAdd(c, F);
    } else {
        c.result = invoke(c, F);
    }
}

template <auto F>
void runWithWords(Call &c)
{
    c.result = withWords(c, F);
}

// The host's shell looks the debug command up and runs it (u8 even) with
// command words.
void getDebugCmd(Call &c)
{
    auto *name = arg<char **>(c);
    auto *handler = arg<HAL_DEBUG_CMD_FUNC *>(c);
    c.result = HAL_GetChipDebugCmdEntry(name, handler);
    const bool runIt = c.in.u8() % 2 == 0;
    if (c.result == 0 && name != nullptr && handler != nullptr) {
        if (*name != g_HalL2DebugCmdStr || *handler != g_HalL2DebugCmdEntryHook) {
            fail("looked-up debug command");
        }
        if (runIt && *handler != nullptr) {
            c.result = withWords(c, *handler);
        }
    }
}

}  // namespace

namespace {

#define OP(fn) \
    Op { #fn, &run < &fn> }
#define REG(fn) \
    Op { #fn, &registerHook < &fn> }
#define WORDS(fn) \
    Op { #fn, &runWithWords < &fn> }

// One row per entry point of a hook family, in the family's slot order.
template <const auto &Family>
constexpr auto opsOf()
{
    return std::apply(
        [](const auto &...row) {
            return std::array<Op, sizeof...(row)>{Op{row.name, &run<std::remove_reference_t<decltype(row)>::entry>}...};
        },
        Family.rows);
}

template <typename T, size_t... N>
constexpr auto joined(const std::array<T, N> &...parts)
{
    std::array<T, (N + ...)> all{};
    size_t i = 0;
    const auto append = [&all, &i](const auto &part) {
        for (const T &t : part) {
            all[i++] = t;
        }
    };
    (append(parts), ...);
    return all;
}

// The order is part of the input format. The hook families' rows cover
// every slot already; other new rows go at the end.
constexpr auto kAllOps = joined(
    std::array{OP(HAL_L3_InitUser)}, opsOf<kalo::kL3Hooks>(), std::array{OP(PDT_IFM_GetIpv4SessionFlag)},

    std::array{OP(HAL_BTV_InitUser), OP(HAL_BTV_PreChipConfig), OP(HAL_CHIP_Btv_PreInit)}, opsOf<kalo::kBtvHooks>(),

    std::array{OP(HAL_L2_InitUser), OP(HAL_L2_PreChipConfig), OP(HAL_CHIP_L2_PreInit)}, opsOf<kalo::kL2Hooks>(),
    std::array{OP(HAL_DFX_IsSupport),

               REG(HAL_RegCtp2UserPortFunc),
               REG(HAL_RegUserPort2CtpFunc),
               REG(HAL_RegGetNniRoleFunc),
               REG(HAL_RegGetBCUCGemBgeByIdFunc),
               REG(HAL_RegGetL2FlowFunc),
               OP(HAL_Ctp2UserPort),
               OP(HAL_UserPort2Ctp),
               OP(HAL_GetNetRole),
               OP(HAL_GetBCUCGemBgeById),
               OP(HAL_GetL2Flow),
               OP(HAL_DefaultGetPrototypeById),
               OP(HAL_DefaultGetIdByPrototype),
               OP(HAL_DefaultGetNetRole),

               OP(HAL_RegChipDebugCmdEntry),
               Op{"HAL_GetChipDebugCmdEntry", &getDebugCmd},
               WORDS(CHIP_KALO_dbg_cmd),
               WORDS(CHIP_KALO_TARN_cmd_dbg),
               OP(CHIP_KALO_cmd_usage),
               OP(CHIP_KALO_CLI_DbgSwtSet),
               OP(CHIP_KALO_CLI_DbgSwtGet),

               OP(HAL_L2_NotifyEthMacFilterMode),
               OP(HAL_L2_SetEthMacFilterModePDUFlow),
               OP(HAL_L2_AddDefaultDropPDUFlow),
               OP(HAL_L2_DeleteDefaultDropPDUFlow),
               OP(HAL_L2_AddEthMacFilterPDUFlow),
               OP(HAL_L2_DelEthMacFilterPDUFlow),
               OP(HAL_L2_GetEthMask)});
static_assert(kAllOps.size() < 256, "an op is picked by one byte");

}  // namespace

const Op *const kOps = kAllOps.data();
const size_t kOpNum = kAllOps.size();

}  // namespace fuzzhal
