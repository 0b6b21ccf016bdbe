// Plumbing of one fuzzed call: the host records passed to the library (sizes
// in one table), the guarded buffers that hold them, the argument reader and
// the library state the harness follows between calls.
#ifndef FUZZ_FUZZ_CALL_H
#define FUZZ_FUZZ_CALL_H

#include <sanitizer/asan_interface.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "fuzz_hal.h"
#include "hal_network_adpt.h"

namespace fuzzhal {

[[noreturn]] inline void fail(const char *what, const char *detail = "")
{
    std::fprintf(stderr, "fuzz_hal: invariant broken: %s %s\n", what, detail);
    std::abort();
}

// ---- Host records ------------------------------------------------------------

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
        if (!writes_ && bytes_ != 0 && std::memcmp(before_.data(), data(), bytes_) != 0) {
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

// ---- Library state the harness follows ---------------------------------------

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

// How a hook registered by the fuzzer answers.
struct HookAnswer {
    uint32_t result = 0;
    uint8_t mode = 0;
    uint32_t a = 0;
    uint32_t b = 0;
};

// ---- One call ----------------------------------------------------------------

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

struct Op {
    const char *name;
    void (*run)(Call &c);
};

// The operation table, one row per entry point (fuzz_ops.cpp).
extern const Op kOps[];
extern const size_t kOpNum;
void resetHooks();  // the fuzzer's port identity hooks answer as at load

// Index of a name in a table of named rows; aborts on a name it lacks.
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

}  // namespace fuzzhal

#endif
